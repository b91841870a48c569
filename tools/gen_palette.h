// gen_palette.h -- the engine palette, the shade table and the shared station colour table
#pragma once
#include "tools/gen_canvas.h"
#include "tools/gen_io.h"

#include <cstdint>
#include <vector>

// Engine palette layout: twelve-step ramps, darkest first, the base colour of a shape being the
// brightest entry of its ramp.
enum {
    PAL_RAMP_STEPS = 12,
    PAL_GREY = 128,  // warship grey
    PAL_DARK = 140,  // dark grey: decks, submarine hull, guns
    PAL_WHITE = 152, // white paint
    PAL_BLACK = 164, // black paint: funnel tops, merchant hulls
    PAL_RUST = 176,  // red lead and rust
    PAL_BUFF = 188,  // buff: merchant funnels, masts, bronze
    PAL_WOOD = 200,  // teak decks
    PAL_FIRE = 212,  // deep red through orange to yellow flame
    PAL_SEA = 224,   // eight sea bands, horizon first
    PAL_SKY = 232,   // eight sky bands, zenith first
    PAL_HOT = 240,   // white-hot core
    PAL_FOAM = 241,
    PAL_SPRAY = 242,
    PAL_SMOKE_LIGHT = 243,
    PAL_SMOKE = 244,
    PAL_SMOKE_DARK = 245,
    PAL_STATION_LAST = 126, // station colours are entries 0..126 of the shared palette
};

// Base colour (brightest entry) of a ramp starting at first.
inline int PalBase(int first) {
    return first + PAL_RAMP_STEPS - 1;
}

// The engine palette ("default.col"): 8-bit colours.
void PalEngine(GenRGB out[256]);

// Light intensity 0..255 to brightness factor, ambient included.
float PalLight(int intensity);

// Shade table rows (256 x 256, row = intensity) for the given palette.
std::vector<uint8_t> PalShadeTable(const GenRGB pal[256]);

// Fits entries 1..126 of the station table to the given images (entry 0 and 127 black,
// 128..245 the engine's, 246..255 black), deterministically.
void PalFitStation(const std::vector<const std::vector<Col> *> &images, GenRGB out[256]);

// Nearest usable entry (0..126, 128..245) for each pixel; dither adds a small ordered pattern.
std::vector<uint8_t> PalQuantise(const std::vector<Col> &img, int width, const GenRGB pal[256],
                                 float dither = 0);
