// sfx_local.h -- the sound module's inner workings, open to its tests
#pragma once

#include "media/sfx.h"

// The attenuation of an effect at distance world units (0 at the ship, SFX_FAR_VOLUME at
// SFX_RANGE); the caller decides whether it is heard at all.
int32_t sfxVolumeAt(int32_t distance);

// The name of a sound device result, for the log.
const char *sfxErrorName(HRESULT result);

// 1 while a device is open and sound is not switched off.
int32_t sfxIsOn();

// How many playing-list entries hold the sound.
int32_t sfxListed(const sfxSound *sound);

// Number of entries in the playing list.
int32_t sfxListLength();

// The sound of the n-th playing-list entry, newest first; null past the end.
sfxSound *sfxListEntry(int32_t n);
