// plat_sdl.h -- the SDL2 backend's audio output and text, which the headless backend shares
#pragma once

#include "platform/plat_backend.h"

// Tests run headless yet hear through SDL's disk audio driver and compare text drawn with the
// same fonts as on screen, so these two services serve both backends.
namespace plat {

// Audio output on SDL2's drivers: $SDL_AUDIODRIVER chooses, "dummy" and "none" mean no output.
uint32_t SdlAudioOpen(AudioFill fill, void *user, int *rate);
void SdlAudioClose(uint32_t output);
void SdlAudioReset();

// Text through SDL2_ttf with the DejaVu faces from $KESTRUNE_FONT_DIR, else the system's.
bool TtfFontInfo(const FontFace &face, FontInfo *info);
bool TtfTextSize(const FontFace &face, const char *utf8, int *w, int *h);
bool TtfTextRender(const FontFace &face, const char *utf8, bool smooth, TextMask *mask);
void TtfShutdown();

// Gives back everything SDL2 holds (at program end).
void SdlQuit();

} // namespace plat
