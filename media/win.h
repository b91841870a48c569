// win.h -- bitmap files (BMP and PCX) and palette files in memory, drawn into device contexts
#pragma once

#include <cstdint>

#include "platform/platform.h"

// A packed device-independent bitmap in one tracked block: header, colour table, pixel rows.
// Null means "no bitmap"; every function here accepts it.
typedef uint8_t *BitMap;

enum { WIN_PALETTE_BYTES = 1024, WIN_BITMAPINFO_BYTES = 1064 };

BitMap ReadBitMap(const char *name);
// Reads "gfx\name" as a BMP or PCX file by the name's ending; null (logged) when it can't.

BitMap ReadDib(const char *path);
// Reads a BMP file; null (logged under "ReadDib") when it is missing, damaged or not a bitmap.

BitMap PCXBitmap(const char *path);
// Reads an 8-bit PCX file into a bitmap (rows bottom-up, padded to 4 bytes); null when it can't.

int32_t PCXBody(const uint8_t *body, int32_t body_size, int32_t count, uint8_t *destination,
                int32_t *used);
// Decodes `count` pixel bytes from the `body_size` bytes of a PCX body (runs cut at the end, an
// early end of the body stops it); *used gets the bytes consumed. 1 when the byte after them is
// the palette marker 12, else 0.

void FreeBitMap(BitMap bitmap);
// Releases a bitmap (null is ignored).

uint8_t *MakeBitMapInfo(int32_t width, int32_t height);
// A new 1064-byte header for an 8-bit top-down memory image; the colour table is for the caller.

uint8_t *LoadPalette(const char *path);
// Reads a 6-bit palette file into 256 entries of blue, green, red, 0; null when it can't.

void FreePalette(uint8_t *palette);
// Releases a palette (null is ignored).

void CopyPalette(const uint8_t *source, uint8_t *destination, int32_t source_first,
                 int32_t destination_first, int32_t count);
// Copies `count` 4-byte colour entries from source[source_first] to destination[destination_first].

uint8_t *BitMapPalette(BitMap bitmap);
// The colour table of a bitmap with a 40-byte header (40 bytes past its start).

int32_t BitMapColours(BitMap bitmap);
// How many colour-table entries the bitmap has (0 for a null or 24-bit bitmap).

uint8_t *BitMapData(BitMap bitmap);
// The first pixel row, or null for a null bitmap.

uint32_t BitMapWidth(BitMap bitmap);
// The width in pixels (16-bit).

uint32_t BitMapHeight(BitMap bitmap);
// The height in pixels (16-bit, unsigned).

int CopyBitMap(BitMap bitmap, HDC dc, int32_t x, int32_t y, int32_t width, int32_t height,
               int32_t stretch);
// Draws the bitmap into (x, y, width, height): stretched when `stretch`, else unscaled from its
// origin. 0 when the bitmap or dc is null, else the drawing call's result.

void SetWindowPalette(HWND window, BitMap bitmap);
// Selects and realises the shared palette hPal in the window (the bitmap is not used).

const char *CoordinateName(const char *name);
// The settings key "name-<screen width>-<ship class>" (one static buffer, valid until next call).

void CreateMessageDialog(const char *text);
// A modal message box with the caption "Kestrune" and an OK button.
