// print.cpp -- bitmap-font text into the memory screen, and the built-in 8 x 7 cell font
#include "ddd/ddd_local.h"

#include <string.h>

// Glyphs of codes 32 to 126: 7 rows of 5 columns each ('X' set), drawn in cell columns 1 to 5.
static const char *const glyphs[95] = {
    "...................................", // space
    "..X....X....X....X....X.........X..", // !
    ".X.X..X.X..X.X.....................", // "
    ".X.X..X.X.XXXXX.X.X.XXXXX.X.X..X.X.", // #
    "..X...XXXXX.X....XXX....X.XXXX...X.", // $
    "XX...XX..X...X...X...X...X..XX...XX", // %
    ".XX..X..X.X.X...X...X.X.XX..X..XX.X", // &
    "..X....X....X......................", // '
    "...X...X...X....X....X.....X.....X.", // (
    ".X.....X.....X....X....X...X...X...", // )
    ".......X..X.X.X.XXX.X.X.X..X.......", // *
    ".......X....X..XXXXX..X....X.......", // +
    "......................XX...X...X...", // ,
    "...............XXXX................", // -
    ".........................XX...XX...", // .
    "........X...X...X...X...X..........", // /
    ".XXX.X...XX..XXX.X.XXX..XX...X.XXX.", // 0
    "..X...XX....X....X....X....X...XXX.", // 1
    ".XXX.X...X....X...X...X...X...XXXXX", // 2
    "XXXXX...X...X......X....XX...X.XXX.", // 3
    "...X...XX..X.X.X..X.XXXXX...X....X.", // 4
    "XXXXXX....XXXX.....X....XX...X.XXX.", // 5
    "..XX..X...X....XXXX.X...XX...X.XXX.", // 6
    "XXXXX....X...X...X...X....X....X...", // 7
    ".XXX.X...XX...X.XXX.X...XX...X.XXX.", // 8
    ".XXX.X...XX...X.XXXX....X...X..XX..", // 9
    "......XX...XX.........XX...XX......", // :
    "......XX...XX.........XX...X...X...", // ;
    "...X...X...X...X.....X.....X.....X.", // <
    "..........XXXXX.....XXXXX..........", // =
    ".X.....X.....X.....X...X...X...X...", // >
    ".XXX.X...X....X...X...X.........X..", // ?
    ".XXX.X...X....X.XX.XX.X.XX.X.X.XXX.", // @
    ".XXX.X...XX...XXXXXXX...XX...XX...X", // A
    "XXXX.X...XX...XXXXX.X...XX...XXXXX.", // B
    ".XXX.X...XX....X....X....X...X.XXX.", // C
    "XXX..X..X.X...XX...XX...XX..X.XXX..", // D
    "XXXXXX....X....XXXX.X....X....XXXXX", // E
    "XXXXXX....X....XXXX.X....X....X....", // F
    ".XXX.X...XX....X.XXXX...XX...X.XXXX", // G
    "X...XX...XX...XXXXXXX...XX...XX...X", // H
    ".XXX...X....X....X....X....X...XXX.", // I
    "..XXX...X....X....X....X.X..X..XX..", // J
    "X...XX..X.X.X..XX...X.X..X..X.X...X", // K
    "X....X....X....X....X....X....XXXXX", // L
    "X...XXX.XXX.X.XX.X.XX...XX...XX...X", // M
    "X...XX...XXX..XX.X.XX..XXX...XX...X", // N
    ".XXX.X...XX...XX...XX...XX...X.XXX.", // O
    "XXXX.X...XX...XXXXX.X....X....X....", // P
    ".XXX.X...XX...XX...XX.X.XX..X..XX.X", // Q
    "XXXX.X...XX...XXXXX.X.X..X..X.X...X", // R
    ".XXXXX....X.....XXX.....X....XXXXX.", // S
    "XXXXX..X....X....X....X....X....X..", // T
    "X...XX...XX...XX...XX...XX...X.XXX.", // U
    "X...XX...XX...XX...XX...X.X.X...X..", // V
    "X...XX...XX...XX.X.XX.X.XX.X.X.X.X.", // W
    "X...XX...X.X.X...X...X.X.X...XX...X", // X
    "X...XX...XX...X.X.X...X....X....X..", // Y
    "XXXXX....X...X...X...X...X....XXXXX", // Z
    ".XXX..X....X....X....X....X....XXX.", // [
    "......X.....X.....X.....X.....X....", // backslash
    ".XXX....X....X....X....X....X..XXX.", // ]
    "..X...X.X.X...X....................", // ^
    "..............................XXXXX", // _
    ".X.....X.....X.....................", // `
    "..........XXX.....X.XXXXX...X.XXXX.", // a
    "X....X....X.XX.XX..XX...XX...XXXXX.", // b
    "..........XXX.X....X....X...X.XXX..", // c
    "....X....X.XX.X..XXX...XX...X.XXXX.", // d
    "..........XXX.X...XXXXXXX.....XXX..", // e
    "..XX..X..X.X....XXX...X....X....X..", // f
    ".....XXXXX...XX...X.XXXX....X.XXX..", // g
    "X....X....X.XX.XX..XX...XX...XX...X", // h
    "..X.........XX....X....X....X...XXX", // i
    "...X.........XX....X....X.X..X.XX..", // j
    "X....X....X..X.X.X.XX...X.X..X..X..", // k
    ".XX....X....X....X....X....X...XXX.", // l
    "..........XX.X.X.X.XX.X.XX...XX...X", // m
    "..........X.XX.XX..XX...XX...XX...X", // n
    "..........XXX.X...XX...XX...X.XXX..", // o
    "..........XXXX.X...XXXXX.X....X....", // p
    ".........XX.X.X..XX.XXXX....X....X.", // q
    "..........X.XX.XX..XX....X....X....", // r
    "..........XXX.X.....XXX.....XXXXX..", // s
    "..X....X..XXXXX..X....X....X.X..XX.", // t
    "..........X...XX...XX...XX..XX.XX.X", // u
    "..........X...XX...XX...X.X.X...X..", // v
    "..........X...XX...XX.X.XX.X.X.X.X.", // w
    "..........X...X.X.X...X...X.X.X...X", // x
    "..........X...XX...X.XXXX....X.XXX.", // y
    "..........XXXXX...X...X...X...XXXXX", // z
    "...X...X....X...X.....X....X.....X.", // {
    "..X....X....X....X....X....X....X..", // |
    ".X.....X....X.....X...X....X...X...", // }
    ".X.X.X.X.X.........................", // ~
};

typedef struct BuiltInFont {
    int32_t width, height, spacing, reserved, offset;
    uint32_t rows[7 * 128];
} BuiltInFont;

static BuiltInFont font7x7 = {8, 7, 9, 0, 20, {0}};
const dddFont *dddFont7x7 = (const dddFont *)&font7x7;

static bool BuildFont() {
    for (int32_t c = 32; c < 127; c++) {
        const char *g = glyphs[c - 32];
        for (int32_t r = 0; r < 7; r++) {
            uint32_t mask = 0;
            for (int32_t k = 0; k < 5; k++)
                if (g[r * 5 + k] == 'X') mask |= 1u << (k + 1);
            font7x7.rows[r * 128 + c] = mask;
        }
    }
    return true;
}
static const bool font_built = BuildFont();

void dddPrint(const dddFont *font, int32_t colour, int32_t x, int32_t y, const char *text) {
    (void)font_built;
    if (!text || !dddscreenptr) return;
    if (!font) font = dddFont7x7;
    const uint8_t *base = (const uint8_t *)font;
    int32_t w = font->width, h = font->height;
    if (w < 2 || w > 32 || h < 1 || h > 64 || font->offset < 20) return;
    uint8_t c8 = (uint8_t)colour;
    for (int32_t r = 0; r < h; r++) {
        int32_t py = y + r;
        if (py < 0 || py >= dddscreen_depth) continue;
        uint8_t *row = dddscreenptr + dddscreenmultabptr[py];
        const uint8_t *masks = base + font->offset + (size_t)r * 512;
        for (int32_t k = 0; k < 4096 && text[k]; k++) {
            uint8_t ch = (uint8_t)text[k];
            if (ch > 127) continue; // no glyph: the cell stays as it was
            uint32_t mask;
            memcpy(&mask, masks + 4 * ch, 4);
            for (int32_t b = 0; b <= w - 2; b++) {
                int64_t px = (int64_t)x + (int64_t)k * w + b;
                if ((mask >> b) & 1 && px >= 0 && px < dddscreen_width) row[px] = c8;
            }
        }
    }
}
