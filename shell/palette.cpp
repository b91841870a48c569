// palette.cpp -- the shared 256-colour palette: station colours, then the 3D engine's colours
#include <cstring>

#include "shell/shell.h"
#include "shell/debug.h"

static LOGPALETTE *shell_logical_palette;

void InitializePalette() {
    unsigned char *colours = LoadPalette("default.col");
    BitMap lamp = ReadBitMap("rlight0.bmp");

    shell_logical_palette = (LOGPALETTE *)DebugMalloc("LogicalPalette", 1032);
    memset(shell_logical_palette, 0, 1032);
    shell_logical_palette->palVersion = 0x300;
    shell_logical_palette->palNumEntries = 256;
    PALETTEENTRY *entry = shell_logical_palette->palPalEntry;

    // 0..126 from the lamp bitmap's colour table, 127 black, 128..245 the engine's, rest black.
    // Only a 40-byte header has 4-byte entries at BitMapPalette; never read past the table.
    const unsigned char *table = lamp ? BitMapPalette(lamp) : NULL;
    int32_t entries =
        lamp && BitMapData(lamp) == lamp + 40 + 4 * BitMapColours(lamp) ? BitMapColours(lamp) : 0;
    for (int i = 0; i < 127 && i < entries; i++) {
        entry[i].peRed = table[i * 4 + 2];
        entry[i].peGreen = table[i * 4 + 1];
        entry[i].peBlue = table[i * 4 + 0];
        entry[i].peFlags = 0;
    }
    for (int i = 128; i < 246 && colours; i++) {
        entry[i].peRed = colours[i * 4 + 2];
        entry[i].peGreen = colours[i * 4 + 1];
        entry[i].peBlue = colours[i * 4 + 0];
        entry[i].peFlags = 0;
    }

    hPal = CreatePalette(shell_logical_palette);
    HDC dc = GetDC(hwndApp);
    if (dc) {
        SelectPalette(dc, hPal, FALSE);
        RealizePalette(dc);
        ReleaseDC(hwndApp, dc);
    }
    FreeBitMap(lamp);
    FreePalette(colours);
}

void ShellFreePalette() {
    if (hPal) {
        DeleteObject(hPal);
        hPal = NULL;
    }
    if (shell_logical_palette) {
        DebugFree(shell_logical_palette);
        shell_logical_palette = NULL;
    }
}
