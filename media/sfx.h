// sfx.h -- sound effects: one-shot effects that fade with distance and looping engine sounds
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Indices of the sound table sfx_name; an index whose entry is empty plays nothing.
enum {
    SFX_ALARM = 0,    // crash dive
    SFX_DEPTHC = 1,   // depth charges launched nearby
    SFX_DINGDING = 2, // engine telegraph
    SFX_TORP = 3,     // torpedo launch
    SFX_PERI = 4,     // periscope raised
    SFX_SHIPEXP = 5,  // a ship sinking, heard on the surface
    SFX_SUBEXP = 6,   // a ship sinking, heard submerged
    SFX_TPHIT = 7,    // torpedo hit
    SFX_PING = 8,     // sonar ping
    SFX_GUN = 9,      // deck gun shot
    SFX_DCUNDER = 10, // a depth charge exploding, heard submerged
    SFX_SUB_E1 = 11,  // engine, slow (looping)
    SFX_SUB_E2 = 12,  // engine, unused
    SFX_SUB_E3 = 13,  // engine, full (looping)
    SFX_SPLASH = 14,  // a shell or depth charge missing
    SFX_TABLE_SIZE = 32
};

// Play flags of sfxPlaySound.
enum {
    SFX_LOOP = 1,    // play again and again until stopped
    SFX_RELEASE = 2, // release the sound once it has stopped
};

// Module flags of sfxInitialize.
enum {
    SFX_OFF = 1, // no device: every call does nothing
};

// Effects fade linearly to SFX_FAR_VOLUME at SFX_RANGE world units and are not heard beyond.
enum {
    SFX_RANGE = 40000,
    SFX_FAR_VOLUME = -2000,
};

// One loaded sound: its device buffer, whether it plays, its length in bytes.
struct sfxSound {
    LPDIRECTSOUNDBUFFER buffer;
    int32_t playing;
    uint32_t size;
};

// Base names of the sound files "sfx\%s.raw", by sound index; unused entries are empty.
extern const char *const sfx_name[SFX_TABLE_SIZE];

void sfxInitialize(int32_t flags);
// Opens the sound device (flags bit 1: keep sound off). Without a device sound stays off and the
// reason is logged. Refused, with a log line, while a device is already open.

void sfxClose();
// Stops and releases every playing sound and closes the device; afterwards sound is off.

sfxSound *sfxCreateSound(const char *path);
// Loads a raw sample file (8-bit unsigned, mono, 11025 Hz) into a new sound. Null when the file
// or the buffer can't be had; with sound off a silent sound that plays nothing.

void sfxPlaySound(sfxSound *sound, int32_t flags, int32_t pan, int32_t volume);
// Plays the sound from its start at pan and volume (hundredths of a decibel, added to the global
// volume); flags are SFX_LOOP and SFX_RELEASE. A sound already playing is restarted.

void sfxStopSound(sfxSound *sound);
// Stops a playing sound; one played with SFX_RELEASE is released as well.

void sfxFreeSound(sfxSound *sound);
// Stops the sound if it plays and releases it. Null is ignored.

void sfxProcess();
// Called every main-loop step: notes the sounds that have ended and releases the one-shots.

int32_t sfxSoundPlaying(const sfxSound *sound);
// 1 while the sound plays (as last seen by sfxProcess), else 0.

void sfxSetSoundVolume(sfxSound *sound, int32_t pan, int32_t volume);
// Changes pan and volume (plus the global volume) of a sound, playing or not.

void sfxSetGlobalVolume(int32_t volume);
// Sets the volume added to every sound's own volume from its next start or volume change.

sfxSound *PlayAmbientSound(int32_t index);
// Starts sound index looping, centred, at volume 0. The caller owns the sound and stops and
// frees it; null when nothing plays.

void PlaySoundEffect(int32_t x, int32_t z, int32_t index);
// Plays sound index once, as heard from the own ship at world position (x, z): quieter with
// distance, not at all beyond SFX_RANGE. Released by sfxProcess when it ends.

void *FileLoad(const char *path, uint32_t *size = nullptr);
// Reads a whole file into a tracked block tagged with the path; its length goes to *size. Null
// when the file can't be read, is empty or is too large for a sound.
