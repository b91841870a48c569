// plat_sound.h -- a DirectSound-shaped sound device: PCM buffers mixed into one output
#pragma once

#include "platform/plat_types.h"

// ---------------------------------------------------------------------------------------------
// DirectSound
// ---------------------------------------------------------------------------------------------
typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID, *LPGUID;
typedef const GUID *LPCGUID;
typedef struct IUnknown *LPUNKNOWN;

#define WAVE_FORMAT_PCM 1
typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX, *PWAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX *LPCWAVEFORMATEX;
typedef struct _DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
} DSBUFFERDESC, *LPDSBUFFERDESC;
typedef const DSBUFFERDESC *LPCDSBUFFERDESC;

#define DS_OK ((HRESULT)0)
#define DSERR_ALLOCATED ((HRESULT)0x8878000A)
#define DSERR_CONTROLUNAVAIL ((HRESULT)0x8878001E)
#define DSERR_INVALIDPARAM ((HRESULT)0x80070057)
#define DSERR_INVALIDCALL ((HRESULT)0x88780032)
#define DSERR_GENERIC ((HRESULT)0x80004005)
#define DSERR_PRIOLEVELNEEDED ((HRESULT)0x88780046)
#define DSERR_OUTOFMEMORY ((HRESULT)0x8007000E)
#define DSERR_BADFORMAT ((HRESULT)0x88780064)
#define DSERR_UNSUPPORTED ((HRESULT)0x80004001)
#define DSERR_NODRIVER ((HRESULT)0x88780078)
#define DSERR_ALREADYINITIALIZED ((HRESULT)0x88780082)
#define DSERR_NOAGGREGATION ((HRESULT)0x80040110)
#define DSERR_BUFFERLOST ((HRESULT)0x88780096)
#define DSERR_OTHERAPPHASPRIO ((HRESULT)0x887800A0)
#define DSERR_UNINITIALIZED ((HRESULT)0x887800AA)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define DSSCL_NORMAL 0x00000001
#define DSSCL_PRIORITY 0x00000002
#define DSSCL_EXCLUSIVE 0x00000003
#define DSSCL_WRITEPRIMARY 0x00000004

#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCHARDWARE 0x00000004
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_CTRLDEFAULT 0x000000E0
#define DSBCAPS_STICKYFOCUS 0x00004000
#define DSBCAPS_GLOBALFOCUS 0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000

#define DSBPLAY_LOOPING 0x00000001
#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING 0x00000004
#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

#define DSBVOLUME_MIN (-10000)
#define DSBVOLUME_MAX 0
#define DSBPAN_LEFT (-10000)
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT 10000
#define DSBFREQUENCY_ORIGINAL 0
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 200000

// A sound buffer: 8- or 16-bit PCM samples mixed into the output device.
struct IDirectSoundBuffer {
    virtual ULONG AddRef() = 0;
    // Drops one reference; the last one stops the buffer and frees it.
    virtual ULONG Release() = 0;
    // Starts playing from the current position; DSBPLAY_LOOPING repeats until Stop.
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    // Stops playing and keeps the position.
    virtual HRESULT Stop() = 0;
    // DSBSTATUS_PLAYING, DSBSTATUS_LOOPING, DSBSTATUS_BUFFERLOST bits.
    virtual HRESULT GetStatus(LPDWORD status) = 0;
    // Attenuation in hundredths of a decibel, 0 (full) down to -10000 (silence).
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT GetVolume(LPLONG volume) = 0;
    // -10000 (left only) .. 0 (centre) .. 10000 (right only), in hundredths of a decibel.
    virtual HRESULT SetPan(LONG pan) = 0;
    virtual HRESULT GetPan(LPLONG pan) = 0;
    // Playback rate in samples per second; 0 restores the buffer's own rate.
    virtual HRESULT SetFrequency(DWORD frequency) = 0;
    virtual HRESULT GetFrequency(LPDWORD frequency) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    virtual HRESULT GetCurrentPosition(LPDWORD play, LPDWORD write) = 0;
    // Gives write access to `bytes` bytes from `offset` (wrapping into a second part).
    virtual HRESULT Lock(DWORD offset, DWORD bytes, LPVOID *part1, LPDWORD bytes1, LPVOID *part2,
                         LPDWORD bytes2, DWORD flags) = 0;
    virtual HRESULT Unlock(LPVOID part1, DWORD bytes1, LPVOID part2, DWORD bytes2) = 0;
    // Makes a lost buffer usable again (its contents must be written again).
    virtual HRESULT Restore() = 0;

  protected:
    virtual ~IDirectSoundBuffer() = default;
};
typedef IDirectSoundBuffer *LPDIRECTSOUNDBUFFER;

// The sound device.
struct IDirectSound {
    virtual ULONG AddRef() = 0;
    // Drops one reference; the last one closes the device (its buffers fall silent and are lost).
    virtual ULONG Release() = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
    // Makes a secondary buffer in the given PCM format (8 or 16 bits, 1 or 2 channels).
    virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER *buffer,
                                      LPUNKNOWN outer) = 0;
    virtual HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                         LPDIRECTSOUNDBUFFER *duplicate) = 0;

  protected:
    virtual ~IDirectSound() = default;
};
typedef IDirectSound *LPDIRECTSOUND;

// Opens the default sound device. Fails with DSERR_NODRIVER (and a log line saying why) when
// there is no audio device.
HRESULT DirectSoundCreate(LPCGUID device, LPDIRECTSOUND *sound, LPUNKNOWN outer);
