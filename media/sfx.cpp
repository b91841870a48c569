// sfx.cpp -- sound effects: raw samples in device buffers, the playing list and its upkeep
#include "media/sfx.h"
#include "media/sfx_local.h"

#include <cstdio>
#include <cstring>

#include "shell/debug.h"
#include "sim/outward.h"
#include "sim/mobile.h"
#include "common/motion.h"

const char *const sfx_name[SFX_TABLE_SIZE] = {
    "alarm", "depthc", "dingding", "torp",   "peri",   "shipexp", "subexp", "tphit",
    "ping",  "gun",    "dcunder",  "sub_e1", "sub_e2", "sub_e3",  "splash", "",
    "",      "",       "",         "",       "",       "",        "",       "",
    "",      "",       "",         "",       "",       "",        "",       "",
};

// One entry of the playing list.
struct sfxPlaying {
    sfxPlaying *next;
    sfxSound *sound;
    int32_t flags;
};

static LPDIRECTSOUND sfx_device;    // null while there is no device
static int32_t sfx_flags = SFX_OFF; // module flags; off until a device is open
static int32_t sfx_global_volume;   // added to every sound's own volume
static sfxPlaying *play_list;       // newest first

// A file larger than this is no sound of ours; refusing it keeps a bad file from exhausting
// memory, which would end the program.
static const uint32_t SFX_MAX_FILE = 32u << 20;

static const int32_t SFX_SAMPLE_RATE = 11025;

static int32_t SfxOn() {
    return sfx_device != nullptr && !(sfx_flags & SFX_OFF);
}

int32_t sfxIsOn() {
    return SfxOn();
}

const char *sfxErrorName(HRESULT result) {
    switch (result) {
    case DS_OK:
        return "DS_OK";
    case DSERR_ALLOCATED:
        return "DSERR_ALLOCATED";
    case DSERR_BADFORMAT:
        return "DSERR_BADFORMAT";
    case DSERR_INVALIDPARAM:
        return "DSERR_INVALIDPARAM";
    case DSERR_NOAGGREGATION:
        return "DSERR_NOAGGREGATION";
    case DSERR_OUTOFMEMORY:
        return "DSERR_OUTOFMEMORY";
    default:
        return "Unknown DSERR";
    }
}

static int32_t SfxClamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : value;
}

// The device refuses attenuations outside its range; a sound turned down past the quietest
// setting is simply silent.
static void SfxApplyVolume(sfxSound *sound, int32_t pan, int32_t volume) {
    int64_t total = (int64_t)volume + sfx_global_volume;
    if (total < DSBVOLUME_MIN) total = DSBVOLUME_MIN;
    if (total > DSBVOLUME_MAX) total = DSBVOLUME_MAX;
    sound->buffer->SetPan(SfxClamp(pan, DSBPAN_LEFT, DSBPAN_RIGHT));
    sound->buffer->SetVolume((LONG)total);
}

// Takes the sound's entry out of the playing list and stops it; returns the entry's flags, or
// -1 when it had none. The caller decides about releasing.
static int32_t SfxUnlist(sfxSound *sound) {
    int32_t flags = -1;
    for (sfxPlaying **link = &play_list; *link;) {
        sfxPlaying *entry = *link;
        if (entry->sound == sound) {
            *link = entry->next;
            flags = entry->flags;
            DebugFree(entry);
        } else {
            link = &entry->next;
        }
    }
    if (sound->buffer) sound->buffer->Stop();
    sound->playing = 0;
    return flags;
}

// Gives back the buffer and the record. The record must be out of the playing list. A buffer
// outlives its device (it is only lost), so it is released even after sfxClose.
static void SfxRelease(sfxSound *sound) {
    if (sound->buffer) sound->buffer->Release();
    sound->buffer = nullptr;
    DebugFree(sound);
}

static void SfxDeviceLog(const char *line) {
    DebugLog("%s", line);
}

void sfxInitialize(int32_t flags) {
    if (sfx_device) {
        DebugLog("sfxInitialize: tried to re-initialize sfx system.\n");
        return;
    }
    sfx_flags = flags;
    if (flags & SFX_OFF) {
        DebugLog("sfxInitialize: sound switched off");
        return;
    }
    // The device says why it can't be had in its own log lines: they go to our log with ours.
    LPDIRECTSOUND device = nullptr;
    PlatformLogSink previous = PlatformSetLogFunction(SfxDeviceLog);
    HRESULT result = DirectSoundCreate(nullptr, &device, nullptr);
    PlatformSetLogFunction(previous);
    if (result != DS_OK || !device) {
        DebugLog("sfxInitialize: DirectSoundCreate failed: %s.\n", sfxErrorName(result));
        DebugLog("sfxInitialize: no sound device, playing silently");
        sfx_device = nullptr;
        sfx_flags |= SFX_OFF;
        return;
    }
    sfx_device = device;
    result = sfx_device->SetCooperativeLevel(OutwardSoundWindow(), DSSCL_NORMAL);
    if (result != DS_OK)
        DebugLog("sfxInitialize: SetCooperativeLevel failed: %s.\n", sfxErrorName(result));
}

void sfxClose() {
    while (play_list) {
        sfxSound *sound = play_list->sound;
        SfxUnlist(sound);
        SfxRelease(sound);
    }
    if (sfx_device && !(sfx_flags & SFX_OFF)) sfx_device->Release();
    sfx_device = nullptr;
    sfx_flags = SFX_OFF;
}

// The allocator keeps a reference to a block's tag, so a path given as the tag must outlive the
// block: each distinct path is kept once here (the game loads a handful of sound files).
static const char *SfxFileTag(const char *path) {
    static char names[64][64];
    static int32_t count;
    for (int32_t i = 0; i < count; i++)
        if (strcmp(names[i], path) == 0) return names[i];
    if (count == 64 || strlen(path) >= sizeof names[0]) return "FileLoad";
    strcpy(names[count], path);
    return names[count++];
}

void *FileLoad(const char *path, uint32_t *size) {
    if (size) *size = 0;
    if (!path) return nullptr;
    HFILE file = _lopen(path, OF_READ);
    if (file == HFILE_ERROR) return nullptr;
    LONG length = _llseek(file, 0, FILE_END);
    if (length <= 0 || (uint32_t)length > SFX_MAX_FILE || _llseek(file, 0, FILE_BEGIN) != 0) {
        _lclose(file);
        return nullptr;
    }
    char *block = (char *)DebugMalloc(SfxFileTag(path), (int32_t)length);
    UINT got = _lread(file, block, (UINT)length);
    _lclose(file);
    if (got != (UINT)length) {
        DebugFree(block);
        return nullptr;
    }
    if (size) *size = (uint32_t)length;
    return block;
}

sfxSound *sfxCreateSound(const char *path) {
    sfxSound *sound = (sfxSound *)DebugMalloc("sfxSound", sizeof(sfxSound));
    memset(sound, 0, sizeof *sound);
    uint32_t size = 0;
    void *data = FileLoad(path, &size);
    sound->size = size;
    if (!SfxOn()) {
        if (data) DebugFree(data);
        return sound;
    }

    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = SFX_SAMPLE_RATE;
    format.nAvgBytesPerSec = SFX_SAMPLE_RATE;
    format.nBlockAlign = 1;
    format.wBitsPerSample = 8;
    DSBUFFERDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY | DSBCAPS_STATIC;
    desc.dwBufferBytes = size;
    desc.lpwfxFormat = &format;
    // A missing or empty file has no length, which no buffer accepts.
    HRESULT result =
        data ? sfx_device->CreateSoundBuffer(&desc, &sound->buffer, nullptr) : DSERR_INVALIDPARAM;
    if (result != DS_OK || !sound->buffer) {
        DebugLog("sfxCreateSound: CreateSoundBuffer failed: %s.\n", sfxErrorName(result));
        if (!data) DebugLog("sfxCreateSound: can't read %s", path ? path : "(null)");
        if (data) DebugFree(data);
        DebugFree(sound);
        return nullptr;
    }

    void *part1 = nullptr, *part2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    result = sound->buffer->Lock(0, size, &part1, &bytes1, &part2, &bytes2, 0);
    if (result != DS_OK) {
        DebugLog("sfxCreateSound: Lock failed: %s\n", sfxErrorName(result));
    } else {
        // The lock may hand the region back in two pieces; never copy past what it gave.
        uint32_t first = bytes1 < size ? bytes1 : size;
        if (part1) memcpy(part1, data, first);
        uint32_t rest = size - first;
        if (part2 && rest)
            memcpy(part2, (const uint8_t *)data + first, rest < bytes2 ? rest : bytes2);
        sound->buffer->Unlock(part1, bytes1, part2, bytes2);
    }
    DebugFree(data);
    return sound;
}

void sfxPlaySound(sfxSound *sound, int32_t flags, int32_t pan, int32_t volume) {
    if (!SfxOn() || !sound || !sound->buffer) return;
    // A restart keeps the sound: only its old entry goes, whatever its flags said.
    if (sound->playing) SfxUnlist(sound);
    SfxApplyVolume(sound, pan, volume);
    sound->buffer->SetCurrentPosition(0);
    DWORD play = (flags & SFX_LOOP) ? DSBPLAY_LOOPING : 0;
    HRESULT result = sound->buffer->Play(0, 0, play);
    // A lost buffer gets one restore and one more try; anything else is not retried.
    if (result == DSERR_BUFFERLOST && sound->buffer->Restore() == DS_OK)
        result = sound->buffer->Play(0, 0, play);
    if (result != DS_OK) {
        DebugLog("sfxPlaySound: Play failed: %s\n", sfxErrorName(result));
        return;
    }
    sfxPlaying *entry = (sfxPlaying *)DebugMalloc("playing_sound", sizeof(sfxPlaying));
    entry->next = play_list;
    entry->sound = sound;
    entry->flags = flags;
    play_list = entry;
    sound->playing = 1;
}

void sfxStopSound(sfxSound *sound) {
    if (!SfxOn() || !sound || !sound->playing) return;
    int32_t flags = SfxUnlist(sound);
    if (flags > 0 && (flags & SFX_RELEASE)) SfxRelease(sound);
}

void sfxFreeSound(sfxSound *sound) {
    if (!sound) return;
    // Even with sound off the record is ours to free (the silent ones have no buffer).
    if (sound->playing || sfxListed(sound)) SfxUnlist(sound);
    SfxRelease(sound);
}

void sfxProcess() {
    if (!SfxOn() || !play_list) return;
    for (sfxPlaying *entry = play_list; entry; entry = entry->next) {
        DWORD status = 0;
        // A buffer that can't say counts as ended, so it can't stay listed for ever.
        if (entry->sound->buffer->GetStatus(&status) != DS_OK || !(status & DSBSTATUS_PLAYING))
            entry->sound->playing = 0;
    }
    sfxPlaying *kept = nullptr;
    while (play_list) {
        sfxPlaying *entry = play_list;
        play_list = entry->next;
        if (entry->sound->playing) {
            entry->next = kept;
            kept = entry;
            continue;
        }
        if (entry->flags & SFX_RELEASE) SfxRelease(entry->sound);
        DebugFree(entry);
    }
    play_list = kept;
}

int32_t sfxSoundPlaying(const sfxSound *sound) {
    return sound ? sound->playing : 0;
}

void sfxSetSoundVolume(sfxSound *sound, int32_t pan, int32_t volume) {
    if (!SfxOn() || !sound || !sound->buffer) return;
    SfxApplyVolume(sound, pan, volume);
}

void sfxSetGlobalVolume(int32_t volume) {
    sfx_global_volume = volume;
}

sfxSound *PlayAmbientSound(int32_t index) {
    if (!SfxOn() || index < 0 || index >= SFX_TABLE_SIZE || !sfx_name[index][0]) return nullptr;
    char path[64];
    snprintf(path, sizeof path, "sfx\\%s.raw", sfx_name[index]);
    sfxSound *sound = sfxCreateSound(path);
    if (!sound) return nullptr;
    sfxPlaySound(sound, SFX_LOOP, 0, 0);
    return sound;
}

int32_t sfxVolumeAt(int32_t distance) {
    return SFX_FAR_VOLUME * distance / SFX_RANGE;
}

void PlaySoundEffect(int32_t x, int32_t z, int32_t index) {
    if (index < 0 || index >= SFX_TABLE_SIZE || !sfx_name[index][0]) return;
    // Without a device or a ship to hear it from there is nothing to play.
    if (!SfxOn() || !player_mobile) return;
    int64_t distance = Range(player_mobile->x, player_mobile->z, x, z);
    if (distance < 0 || distance > SFX_RANGE) return;
    int32_t volume = sfxVolumeAt((int32_t)distance);
    DebugLog("PlaySoundEffect: %d %d -> (%d) %d %d -> %d", player_mobile->x, player_mobile->z,
             index, x, z, volume);
    char path[64];
    snprintf(path, sizeof path, "sfx\\%s.raw", sfx_name[index]);
    sfxSound *sound = sfxCreateSound(path);
    if (!sound) return;
    sfxPlaySound(sound, SFX_RELEASE, 0, volume);
    // A sound that did not start is not listed, so nothing else would release it.
    if (!sound->playing) sfxFreeSound(sound);
}

int32_t sfxListed(const sfxSound *sound) {
    int32_t count = 0;
    for (const sfxPlaying *entry = play_list; entry; entry = entry->next)
        count += entry->sound == sound;
    return count;
}

int32_t sfxListLength() {
    int32_t count = 0;
    for (const sfxPlaying *entry = play_list; entry; entry = entry->next)
        count++;
    return count;
}

sfxSound *sfxListEntry(int32_t n) {
    for (sfxPlaying *entry = play_list; entry; entry = entry->next)
        if (n-- == 0) return entry->sound;
    return nullptr;
}
