// win.cpp -- bitmap files (BMP and PCX) and palette files in memory, drawn into device contexts
#include "media/win.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "shell/debug.h"
#include "sim/battle.h"
#include "sim/outward.h"

// Larger files are not pictures of ours; refusing them keeps sizes inside 32-bit arithmetic.
static const int32_t WIN_MAX_FILE = 64 * 1024 * 1024;
static const int64_t WIN_MAX_PIXELS = 16 * 1024 * 1024;

static uint32_t WinLe16(const uint8_t *p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8);
}
static uint32_t WinLe32(const uint8_t *p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
static void WinPut16(uint8_t *p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}
static void WinPut32(uint8_t *p, uint32_t v) {
    WinPut16(p, v);
    WinPut16(p + 2, v >> 16);
}

// Reads up to `count` bytes; returns how many arrived.
static int32_t WinRead(HFILE file, void *buffer, int32_t count) {
    int32_t got = 0;
    while (got < count) {
        UINT n = _lread(file, (uint8_t *)buffer + got, (UINT)(count - got));
        if (n == (UINT)HFILE_ERROR || n == 0) break;
        got += (int32_t)n;
    }
    return got;
}

// Colour-table entries and their size for a header, or -1 when the header makes no sense.
static int32_t WinTableEntries(const uint8_t *bm, uint32_t header, uint32_t bits) {
    if (bits > 8) return 0;
    int32_t entries = 1 << bits;
    if (header >= 36) {
        uint32_t used = WinLe32(bm + 32);
        if (used > 256) return -1;
        if (used) entries = (int32_t)used;
    }
    return entries;
}

// Checks that header, colour table and every pixel row lie inside the `size`-byte block, so
// that drawing can never read past it.
static int WinBitmapFits(const uint8_t *bm, int64_t size) {
    uint32_t header = WinLe32(bm);
    int64_t width, height;
    uint32_t bits, entry_size;
    if (header == 12) {
        if (size < 12) return 0;
        width = WinLe16(bm + 4);
        height = WinLe16(bm + 6);
        bits = WinLe16(bm + 10);
        entry_size = 3;
    } else {
        if (size < 40 || header > size) return 0;
        width = (int32_t)WinLe32(bm + 4);
        height = (int32_t)WinLe32(bm + 8);
        if (height < 0) height = -height;
        bits = WinLe16(bm + 14);
        if (WinLe32(bm + 16) != 0) // compressed pictures are none of ours
            return 0;
        entry_size = 4;
    }
    if (width <= 0 || width > 0xFFFF || height <= 0 || height > 0xFFFF) return 0;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    int32_t entries =
        header == 12 ? (bits <= 8 ? 1 << bits : 0) : WinTableEntries(bm, header, bits);
    if (entries < 0) return 0;
    int64_t stride = ((width * bits + 31) / 32) * 4;
    int64_t need = (int64_t)header + (int64_t)entries * entry_size + stride * height;
    return need <= size;
}

BitMap ReadDib(const char *path) {
    HFILE file = _lopen(path, OF_READ);
    if (file == HFILE_ERROR) {
        DebugLogTag("ReadDib", "Can't open file");
        return NULL;
    }
    uint8_t head[14];
    if (WinRead(file, head, 14) != 14) {
        DebugLogTag("ReadDib", "Can't read from file");
        _lclose(file);
        return NULL;
    }
    if (head[0] != 'B' || head[1] != 'M') {
        DebugLogTag("ReadDib", "Wrong file type");
        _lclose(file);
        return NULL;
    }
    uint32_t file_size = WinLe32(head + 2);
    if (file_size <= 14 || file_size > (uint32_t)WIN_MAX_FILE) {
        DebugLogTag("ReadDib", "Can't allocate memory");
        _lclose(file);
        return NULL;
    }
    int32_t size = (int32_t)file_size - 14;
    uint8_t *block = (uint8_t *)DebugMalloc("BitMap", size);
    for (int32_t done = 0; done < size;) {
        int32_t piece = size - done < 10000 ? size - done : 10000;
        if (WinRead(file, block + done, piece) != piece) {
            DebugLogTag("ReadDib", "Read failed");
            DebugFree(block);
            _lclose(file);
            return NULL;
        }
        done += piece;
    }
    _lclose(file);
    uint32_t header = size >= 4 ? WinLe32(block) : 0;
    if (header < 12 || (header > 12 && header < 16)) {
        DebugFree(block);
        return NULL;
    }
    if (!WinBitmapFits(block, size)) {
        DebugLogTag("ReadDib", "Damaged bitmap");
        DebugFree(block);
        return NULL;
    }
    return block;
}

int32_t PCXBody(const uint8_t *body, int32_t body_size, int32_t count, uint8_t *destination,
                int32_t *used) {
    int32_t in = 0, out = 0;
    while (out < count && in < body_size) {
        uint8_t b = body[in++];
        int32_t run = 1;
        if ((b & 0xC0) == 0xC0) {
            run = b & 0x3F;
            if (in >= body_size) break;
            b = body[in++];
            if (run == 0) run = 1;
        }
        if (run > count - out) run = count - out;
        memset(destination + out, b, (size_t)run);
        out += run;
    }
    if (used) *used = in;
    return in < body_size && body[in] == 12 ? 1 : 0;
}

BitMap PCXBitmap(const char *path) {
    HFILE file = _lopen(path, OF_READ);
    if (file == HFILE_ERROR) return NULL;
    // The whole file is read at once: the body is decoded from memory, a byte at a time.
    int32_t capacity = 65536, size = 0;
    uint8_t *data = (uint8_t *)DebugMalloc("PCXBitmap: file", capacity);
    for (;;) {
        if (size == capacity) {
            if (capacity >= WIN_MAX_FILE) {
                DebugFree(data);
                _lclose(file);
                return NULL;
            }
            uint8_t *bigger = (uint8_t *)DebugMalloc("PCXBitmap: file", capacity * 2);
            memcpy(bigger, data, (size_t)size);
            DebugFree(data);
            data = bigger;
            capacity *= 2;
        }
        int32_t got = WinRead(file, data + size, capacity - size);
        size += got;
        if (got < capacity - (size - got)) break;
    }
    _lclose(file);
    if (size < 128) {
        DebugFree(data);
        return NULL;
    }
    int64_t width = (int64_t)WinLe16(data + 8) - WinLe16(data + 4) + 1;
    int64_t height = (int64_t)WinLe16(data + 10) - WinLe16(data + 6) + 1;
    if (width <= 0 || height <= 0 || width * height > WIN_MAX_PIXELS) {
        DebugFree(data);
        return NULL;
    }
    // Rows are padded to 4 bytes so that the result is a well-formed device-independent bitmap.
    int32_t w = (int32_t)width, h = (int32_t)height;
    int32_t stride = (w + 3) & ~3;
    uint8_t *bm = (uint8_t *)DebugMalloc("PCXBitmap", stride * h + WIN_BITMAPINFO_BYTES);
    memset(bm, 0, (size_t)stride * h + WIN_BITMAPINFO_BYTES);
    uint8_t *pixels = bm + WIN_BITMAPINFO_BYTES;
    int32_t used = 0;
    PCXBody(data + 128, size - 128, w * h, pixels, &used);
    for (int32_t row = h - 1; row > 0 && stride != w; row--)
        memmove(pixels + row * stride, pixels + row * w, (size_t)w);
    for (int32_t row = 0; row < h && stride != w; row++)
        memset(pixels + row * stride + w, 0, (size_t)(stride - w));

    // The marker byte, then 256 red, green, blue triples; a short file leaves the rest black.
    const uint8_t *triples = data + 128 + used + 1;
    int32_t triple_bytes = size - (128 + used + 1);
    if (triple_bytes < 0) triple_bytes = 0;
    uint8_t *table = bm + 40;
    for (int32_t i = 0; i < 256 && (i + 1) * 3 <= triple_bytes; i++) {
        table[i * 4 + 0] = triples[i * 3 + 2];
        table[i * 4 + 1] = triples[i * 3 + 1];
        table[i * 4 + 2] = triples[i * 3 + 0];
        table[i * 4 + 3] = 0;
    }
    DebugFree(data);

    WinPut32(bm, 40);
    WinPut32(bm + 4, (uint32_t)w);
    WinPut32(bm + 8, (uint32_t)h);
    WinPut16(bm + 12, 1);
    WinPut16(bm + 14, 8);

    uint8_t *temp = (uint8_t *)DebugMalloc("temp line", stride);
    for (int32_t i = 0; i < h / 2; i++) {
        uint8_t *a = pixels + i * stride, *b = pixels + (h - 1 - i) * stride;
        memcpy(temp, a, (size_t)stride);
        memcpy(a, b, (size_t)stride);
        memcpy(b, temp, (size_t)stride);
    }
    DebugFree(temp);
    return bm;
}

BitMap ReadBitMap(const char *name) {
    if (!name) return NULL;
    size_t len = strlen(name);
    if (len < 3) return NULL;
    const char *ending = name + len - 3;
    char path[300];
    snprintf(path, sizeof path, "gfx\\%s", name);
    static const struct {
        const char *ending, *kind;
        BitMap (*read)(const char *path);
    } readers[] = {{"bmp", "BMP", ReadDib}, {"pcx", "PCX", PCXBitmap}};
    for (const auto &reader : readers) {
        if (strcasecmp(ending, reader.ending) != 0) continue;
        BitMap bm = reader.read(path);
        if (!bm) {
            char text[400];
            snprintf(text, sizeof text, "Can't read %s file: <%s>", reader.kind, name);
            DebugLogTag("ReadBitMap", text);
        }
        return bm;
    }
    return NULL;
}

void FreeBitMap(BitMap bitmap) {
    if (bitmap) DebugFree(bitmap);
}

uint8_t *MakeBitMapInfo(int32_t width, int32_t height) {
    uint8_t *info = (uint8_t *)DebugMalloc("BITMAPINFO", WIN_BITMAPINFO_BYTES);
    memset(info, 0, WIN_BITMAPINFO_BYTES);
    WinPut32(info, 40);
    WinPut32(info + 4, (uint32_t)width);
    WinPut32(info + 8, (uint32_t)-height);
    WinPut16(info + 12, 1);
    WinPut16(info + 14, 8);
    return info;
}

uint8_t *LoadPalette(const char *path) {
    uint8_t *palette = (uint8_t *)DebugMalloc("LoadPalette", WIN_PALETTE_BYTES);
    HFILE file = _lopen(path, OF_READ);
    if (file == HFILE_ERROR) {
        DebugFree(palette);
        return NULL;
    }
    uint8_t triples[768];
    int32_t got = WinRead(file, triples, 768);
    _lclose(file);
    if (got < 768) {
        DebugFree(palette);
        return NULL;
    }
    for (int i = 0; i < 256; i++) {
        palette[i * 4 + 0] = (uint8_t)(triples[i * 3 + 2] * 4);
        palette[i * 4 + 1] = (uint8_t)(triples[i * 3 + 1] * 4);
        palette[i * 4 + 2] = (uint8_t)(triples[i * 3 + 0] * 4);
        palette[i * 4 + 3] = 0;
    }
    return palette;
}

void FreePalette(uint8_t *palette) {
    if (palette) DebugFree(palette);
}

void CopyPalette(const uint8_t *source, uint8_t *destination, int32_t source_first,
                 int32_t destination_first, int32_t count) {
    if (!source || !destination || count <= 0) return;
    memcpy(destination + destination_first * 4, source + source_first * 4, (size_t)count * 4);
}

uint8_t *BitMapPalette(BitMap bitmap) {
    return bitmap ? bitmap + 40 : NULL;
}

int32_t BitMapColours(BitMap bitmap) {
    if (!bitmap) return 0;
    uint32_t header = WinLe32(bitmap);
    if (header == 12) {
        uint32_t bits = WinLe16(bitmap + 10);
        return bits <= 8 ? 1 << bits : 0;
    }
    int32_t n = WinTableEntries(bitmap, header, WinLe16(bitmap + 14));
    return n < 0 ? 0 : n;
}

uint8_t *BitMapData(BitMap bitmap) {
    if (!bitmap) return NULL;
    uint32_t header = WinLe32(bitmap);
    int32_t entries = BitMapColours(bitmap);
    return bitmap + header + (size_t)entries * (header == 12 ? 3 : 4);
}

uint32_t BitMapWidth(BitMap bitmap) {
    if (!bitmap) return 0;
    return WinLe32(bitmap) == 12 ? WinLe16(bitmap + 4) : WinLe32(bitmap + 4) & 0xFFFF;
}

uint32_t BitMapHeight(BitMap bitmap) {
    if (!bitmap) return 0;
    return WinLe32(bitmap) == 12 ? WinLe16(bitmap + 6) : WinLe32(bitmap + 8) & 0xFFFF;
}

int CopyBitMap(BitMap bitmap, HDC dc, int32_t x, int32_t y, int32_t width, int32_t height,
               int32_t stretch) {
    if (!bitmap || !dc) return 0;
    SetStretchBltMode(dc, COLORONCOLOR);
    int32_t bw = (int32_t)BitMapWidth(bitmap), bh = (int32_t)BitMapHeight(bitmap);
    if (stretch)
        return StretchDIBits(dc, x, y, width, height, 0, 0, bw, bh, BitMapData(bitmap),
                             (const BITMAPINFO *)bitmap, DIB_RGB_COLORS, SRCCOPY);
    return SetDIBitsToDevice(dc, x, y, (DWORD)width, (DWORD)height, 0, 0, 0, (UINT)bh,
                             BitMapData(bitmap), (const BITMAPINFO *)bitmap, DIB_RGB_COLORS);
}

void SetWindowPalette(HWND window, BitMap bitmap) {
    (void)bitmap;
    HDC dc = GetDC(window);
    if (!dc) return;
    SelectPalette(dc, OutwardPalette(), FALSE);
    RealizePalette(dc);
    ReleaseDC(window, dc);
}

const char *CoordinateName(const char *name) {
    static char buffer[128];
    snprintf(buffer, sizeof buffer, "%s-%d-%d", name, (int)OutwardScreenWidth(), (int)my_ship_type);
    return buffer;
}

void CreateMessageDialog(const char *text) {
    MessageBox(NULL, text, "Kestrune", MB_OK);
}
