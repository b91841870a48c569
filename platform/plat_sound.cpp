// plat_sound.cpp -- a DirectSound-shaped device: PCM buffers mixed for the backend's audio output
#include "platform/platform_local.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <set>

namespace plat {

struct SoundDevice;

struct SoundBuffer final : IDirectSoundBuffer {
    SoundDevice *dev;
    ULONG refs = 1;
    std::vector<uint8_t> data;
    WAVEFORMATEX fmt{};
    DWORD caps = 0;
    bool playing = false, looping = false, lost = false;
    double pos = 0; // in frames
    LONG volume = 0, pan = 0;
    DWORD freq = 0;
    float gl = 1, gr = 1;

    explicit SoundBuffer(SoundDevice *d) : dev(d) {}
    DWORD Frames() const { return (DWORD)(data.size() / fmt.nBlockAlign); }
    void Gains();
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Play(DWORD, DWORD, DWORD flags) override;
    HRESULT Stop() override;
    HRESULT GetStatus(LPDWORD status) override;
    HRESULT SetVolume(LONG v) override;
    HRESULT GetVolume(LPLONG v) override;
    HRESULT SetPan(LONG p) override;
    HRESULT GetPan(LPLONG p) override;
    HRESULT SetFrequency(DWORD f) override;
    HRESULT GetFrequency(LPDWORD f) override;
    HRESULT SetCurrentPosition(DWORD p) override;
    HRESULT GetCurrentPosition(LPDWORD play, LPDWORD write) override;
    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID *p1, LPDWORD n1, LPVOID *p2, LPDWORD n2,
                 DWORD flags) override;
    HRESULT Unlock(LPVOID, DWORD, LPVOID, DWORD) override;
    HRESULT Restore() override;
};

struct SoundDevice final : IDirectSound {
    ULONG refs = 1;
    uint32_t id = 0;              // the backend's audio output, 0 when none
    const Backend *out = nullptr; // the backend that opened it
    int rate = 44100;
    bool manual = false;
    bool closed = false;    // its output is gone: buffers stay lost
    std::vector<float> acc; // the mix of one callback, kept to spare the audio thread allocations
    std::recursive_mutex m;
    std::vector<SoundBuffer *> buffers;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT SetCooperativeLevel(HWND, DWORD level) override;
    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER *out,
                              LPUNKNOWN outer) override;
    HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER *dup) override;
    void Mix(int16_t *out, int frames);
};

static std::set<SoundDevice *> devices;
static std::mutex devices_lock;
static int manual_rate = 0;
static SoundDevice *manual_device = nullptr;

// Hundredths of a decibel to an amplitude factor: -2000 is a tenth, -10000 is silence.
static float Amp(LONG hundredths) {
    if (hundredths <= DSBVOLUME_MIN) return 0.0f;
    if (hundredths >= 0) return 1.0f;
    return (float)std::pow(10.0, hundredths / 2000.0);
}

void SoundBuffer::Gains() {
    float v = Amp(volume);
    gl = v * (pan > 0 ? Amp(-pan) : 1.0f);
    gr = v * (pan < 0 ? Amp(pan) : 1.0f);
}

ULONG SoundBuffer::AddRef() {
    return ++refs;
}

ULONG SoundBuffer::Release() {
    if (refs > 1) return --refs;
    if (dev) {
        std::lock_guard<std::recursive_mutex> g(dev->m);
        auto &b = dev->buffers;
        b.erase(std::remove(b.begin(), b.end(), this), b.end());
    }
    delete this;
    return 0;
}

HRESULT SoundBuffer::Play(DWORD, DWORD, DWORD flags) {
    if (!dev || lost) return DSERR_BUFFERLOST;
    std::lock_guard<std::recursive_mutex> g(dev->m);
    playing = true;
    looping = (flags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

HRESULT SoundBuffer::Stop() {
    if (!dev) return DS_OK;
    std::lock_guard<std::recursive_mutex> g(dev->m);
    playing = false;
    return DS_OK;
}

HRESULT SoundBuffer::GetStatus(LPDWORD status) {
    if (!status) return DSERR_INVALIDPARAM;
    if (!dev) {
        *status = DSBSTATUS_BUFFERLOST;
        return DS_OK;
    }
    std::lock_guard<std::recursive_mutex> g(dev->m);
    *status = (playing ? DSBSTATUS_PLAYING : 0) | (playing && looping ? DSBSTATUS_LOOPING : 0) |
              (lost ? DSBSTATUS_BUFFERLOST : 0);
    return DS_OK;
}

HRESULT SoundBuffer::SetVolume(LONG v) {
    if (!(caps & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (v < DSBVOLUME_MIN || v > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    std::unique_lock<std::recursive_mutex> g;
    if (dev) g = std::unique_lock<std::recursive_mutex>(dev->m);
    volume = v;
    Gains();
    return DS_OK;
}

HRESULT SoundBuffer::GetVolume(LPLONG v) {
    if (!v) return DSERR_INVALIDPARAM;
    if (!(caps & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    *v = volume;
    return DS_OK;
}

HRESULT SoundBuffer::SetPan(LONG p) {
    if (!(caps & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (p < DSBPAN_LEFT || p > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    std::unique_lock<std::recursive_mutex> g;
    if (dev) g = std::unique_lock<std::recursive_mutex>(dev->m);
    pan = p;
    Gains();
    return DS_OK;
}

HRESULT SoundBuffer::GetPan(LPLONG p) {
    if (!p) return DSERR_INVALIDPARAM;
    if (!(caps & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    *p = pan;
    return DS_OK;
}

HRESULT SoundBuffer::SetFrequency(DWORD f) {
    if (!(caps & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (f != DSBFREQUENCY_ORIGINAL && (f < DSBFREQUENCY_MIN || f > DSBFREQUENCY_MAX))
        return DSERR_INVALIDPARAM;
    freq = f;
    return DS_OK;
}

HRESULT SoundBuffer::GetFrequency(LPDWORD f) {
    if (!f) return DSERR_INVALIDPARAM;
    *f = freq ? freq : fmt.nSamplesPerSec;
    return DS_OK;
}

HRESULT SoundBuffer::SetCurrentPosition(DWORD p) {
    if (p >= data.size()) return DSERR_INVALIDPARAM;
    std::unique_lock<std::recursive_mutex> g;
    if (dev) g = std::unique_lock<std::recursive_mutex>(dev->m);
    pos = p / fmt.nBlockAlign;
    return DS_OK;
}

HRESULT SoundBuffer::GetCurrentPosition(LPDWORD play, LPDWORD write) {
    std::unique_lock<std::recursive_mutex> g;
    if (dev) g = std::unique_lock<std::recursive_mutex>(dev->m);
    DWORD p = (DWORD)pos * fmt.nBlockAlign;
    if (play) *play = p;
    if (write) *write = (DWORD)((p + (playing ? 64u * fmt.nBlockAlign : 0)) % data.size());
    return DS_OK;
}

HRESULT SoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID *p1, LPDWORD n1, LPVOID *p2, LPDWORD n2,
                          DWORD flags) {
    if (!p1 || !n1) return DSERR_INVALIDPARAM;
    if (lost || !dev) return DSERR_BUFFERLOST;
    DWORD size = (DWORD)data.size();
    if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
    if (flags & DSBLOCK_ENTIREBUFFER) {
        offset = 0;
        bytes = size;
    }
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    *p1 = data.data() + offset;
    *n1 = std::min(bytes, size - offset);
    DWORD rest = bytes - *n1;
    if (p2) *p2 = rest ? data.data() : nullptr;
    if (n2) *n2 = rest;
    if (rest && (!p2 || !n2)) return DSERR_INVALIDPARAM;
    return DS_OK;
}

HRESULT SoundBuffer::Unlock(LPVOID, DWORD, LPVOID, DWORD) {
    return DS_OK;
}

HRESULT SoundBuffer::Restore() {
    if (!dev || dev->closed) return DSERR_BUFFERLOST;
    lost = false;
    return DS_OK;
}

ULONG SoundDevice::AddRef() {
    return ++refs;
}

ULONG SoundDevice::Release() {
    if (refs > 1) return --refs;
    if (id) out->audio_close(id); // the mixing has stopped once this returns
    {
        std::lock_guard<std::recursive_mutex> g(m);
        for (SoundBuffer *b : buffers) {
            b->dev = nullptr;
            b->lost = true;
            b->playing = false;
        }
        buffers.clear();
    }
    {
        std::lock_guard<std::mutex> g(devices_lock);
        devices.erase(this);
    }
    if (manual_device == this) manual_device = nullptr;
    delete this;
    return 0;
}

HRESULT SoundDevice::SetCooperativeLevel(HWND, DWORD level) {
    return level >= DSSCL_NORMAL && level <= DSSCL_WRITEPRIMARY ? DS_OK : DSERR_INVALIDPARAM;
}

HRESULT SoundDevice::CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER *out,
                                       LPUNKNOWN outer) {
    if (out) *out = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    if (!desc || !out || desc->dwSize < sizeof(DSBUFFERDESC)) return DSERR_INVALIDPARAM;
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) return DSERR_UNSUPPORTED;
    const WAVEFORMATEX *f = desc->lpwfxFormat;
    if (!f) return DSERR_INVALIDPARAM;
    if (f->wFormatTag != WAVE_FORMAT_PCM || (f->nChannels != 1 && f->nChannels != 2) ||
        (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) ||
        f->nSamplesPerSec < DSBFREQUENCY_MIN || f->nSamplesPerSec > DSBFREQUENCY_MAX ||
        f->nBlockAlign != f->nChannels * f->wBitsPerSample / 8)
        return DSERR_BADFORMAT;
    if (desc->dwBufferBytes < f->nBlockAlign || desc->dwBufferBytes > 0x0FFFFFFF)
        return DSERR_INVALIDPARAM;
    SoundBuffer *b = new (std::nothrow) SoundBuffer(this);
    if (!b) return DSERR_OUTOFMEMORY;
    try {
        b->data.assign(desc->dwBufferBytes - desc->dwBufferBytes % f->nBlockAlign,
                       f->wBitsPerSample == 8 ? 0x80 : 0);
    } catch (const std::bad_alloc &) {
        delete b;
        return DSERR_OUTOFMEMORY;
    }
    b->fmt = *f;
    b->caps = desc->dwFlags;
    b->Gains();
    {
        std::lock_guard<std::recursive_mutex> g(m);
        b->lost = closed; // nothing would mix it
        buffers.push_back(b);
    }
    *out = b;
    return DS_OK;
}

HRESULT SoundDevice::DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER *dup) {
    if (!original || !dup) return DSERR_INVALIDPARAM;
    SoundBuffer *o = static_cast<SoundBuffer *>(original);
    DSBUFFERDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = o->caps;
    d.dwBufferBytes = (DWORD)o->data.size();
    d.lpwfxFormat = &o->fmt;
    HRESULT r = CreateSoundBuffer(&d, dup, nullptr);
    if (r == DS_OK) static_cast<SoundBuffer *>(*dup)->data = o->data;
    return r;
}

static inline float SampleAt(const SoundBuffer *b, DWORD frame, int ch) {
    const uint8_t *p = b->data.data() + (size_t)frame * b->fmt.nBlockAlign;
    int c = b->fmt.nChannels == 2 ? ch : 0;
    if (b->fmt.wBitsPerSample == 8) return ((int)p[c] - 128) / 128.0f;
    int16_t s;
    memcpy(&s, p + 2 * c, 2);
    return s / 32768.0f;
}

// Sums every playing buffer, resampled to the device rate, then limits softly instead of
// clipping when the sum passes full scale.
void SoundDevice::Mix(int16_t *out, int frames) {
    std::lock_guard<std::recursive_mutex> g(m);
    acc.assign((size_t)frames * 2, 0.0f);
    {
        for (SoundBuffer *b : buffers) {
            if (!b->playing || b->lost) continue;
            DWORD n = b->Frames();
            if (!n) continue;
            double step = (double)(b->freq ? b->freq : b->fmt.nSamplesPerSec) / rate;
            for (int i = 0; i < frames; i++) {
                if (b->pos >= n) {
                    if (!b->looping) {
                        b->playing = false;
                        b->pos = 0;
                        break;
                    }
                    b->pos = std::fmod(b->pos, (double)n);
                }
                DWORD f0 = (DWORD)b->pos;
                double frac = b->pos - f0;
                DWORD f1 = f0 + 1 < n ? f0 + 1 : (b->looping ? 0 : f0);
                for (int ch = 0; ch < 2; ch++) {
                    float s0 = SampleAt(b, f0, ch), s1 = SampleAt(b, f1, ch);
                    float s = (float)(s0 + (s1 - s0) * frac);
                    acc[2 * i + ch] += s * (ch ? b->gr : b->gl);
                }
                b->pos += step;
            }
        }
    }
    const float knee = 0.75f;
    for (size_t i = 0; i < acc.size(); i++) {
        float x = acc[i], a = std::fabs(x);
        if (a > knee) a = knee + (1 - knee) * std::tanh((a - knee) / (1 - knee));
        float y = x < 0 ? -a : a;
        out[i] = (int16_t)std::lround(y * 32767.0f);
    }
}

static void Fill(void *user, int16_t *out, int frames) {
    ((SoundDevice *)user)->Mix(out, frames);
}

void SoundResetAll() {
    std::vector<SoundDevice *> live;
    {
        std::lock_guard<std::mutex> g(devices_lock);
        live.assign(devices.begin(), devices.end());
    }
    // A device whose output has gone plays nothing more: its buffers are lost, so that their
    // owners see them end instead of waiting for ever on sounds nobody mixes.
    for (SoundDevice *d : live) {
        if (d->id) d->out->audio_close(d->id);
        d->id = 0;
        std::lock_guard<std::recursive_mutex> g(d->m);
        d->closed = true;
        for (SoundBuffer *b : d->buffers) {
            b->lost = true;
            b->playing = false;
        }
    }
    manual_rate = 0;
    manual_device = nullptr;
    // The next device starts the audio output afresh.
    Services().audio_reset();
}

} // namespace plat

using namespace plat;

HRESULT DirectSoundCreate(LPCGUID, LPDIRECTSOUND *sound, LPUNKNOWN outer) {
    if (!sound) return DSERR_INVALIDPARAM;
    *sound = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    SoundDevice *d = nullptr;
    if (manual_rate > 0) {
        d = new SoundDevice;
        d->manual = true;
        d->rate = manual_rate;
        manual_device = d;
    } else {
        const Backend &out = Services();
        d = new SoundDevice;
        d->out = &out;
        d->id = out.audio_open(Fill, d, &d->rate);
        if (!d->id) {
            delete d;
            return DSERR_NODRIVER;
        }
    }
    {
        std::lock_guard<std::mutex> g(devices_lock);
        devices.insert(d);
    }
    *sound = d;
    return DS_OK;
}

void PlatformTestUseManualAudio(int rate) {
    manual_rate = rate > 0 ? rate : 0;
}

void PlatformTestMixAudio(int16_t *out, int frames) {
    if (!out || frames <= 0) return;
    if (!manual_device) {
        memset(out, 0, (size_t)frames * 4);
        return;
    }
    manual_device->Mix(out, frames);
}
