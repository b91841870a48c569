// file.cpp -- the engine's host binding: classic file calls, display contexts, palette, copy
#include "ddd/ddd_local.h"
#include "platform/platform.h"

#include <string.h>

HDC ddd_mem_hdc;
HPALETTE ddd_hpal;
static HDC display_dc;
static HWND ddd_window;
static int32_t windows_ready;
static PALETTEENTRY logical_entries[256];
static int32_t have_logical;

// Engine handles are 0 on failure; HFILE 0 is a good file, so they are shifted by one.
static intptr_t HostOpen(const char *name) {
    HFILE f = _lopen(name, OF_READWRITE);
    if (f == HFILE_ERROR) f = _lopen(name, OF_READ); // installed data may be read-only
    return f == HFILE_ERROR ? 0 : (intptr_t)f + 1;
}

static int32_t HostClose(intptr_t h) {
    return _lclose((HFILE)(h - 1)) == HFILE_ERROR ? 0 : 1;
}

static intptr_t HostCreate(const char *name) {
    HFILE f = _lcreat(name, 0);
    return f == HFILE_ERROR ? 0 : (intptr_t)f + 1;
}

static uint32_t HostRead(intptr_t h, void *buffer, uint32_t count) {
    UINT n = _lread((HFILE)(h - 1), buffer, count);
    return n == (UINT)HFILE_ERROR ? 0 : n;
}

static uint32_t HostWrite(intptr_t h, const void *buffer, uint32_t count) {
    UINT n = _lwrite((HFILE)(h - 1), (LPCCH)buffer, count);
    return n == (UINT)HFILE_ERROR ? 0 : n;
}

static int32_t HostSeek(intptr_t h, int32_t offset, int32_t origin) {
    return _llseek((HFILE)(h - 1), offset, origin);
}

static int32_t HostLength(intptr_t h) {
    LONG length = _llseek((HFILE)(h - 1), 0, FILE_END);
    _llseek((HFILE)(h - 1), 0, FILE_BEGIN);
    return length;
}

static int32_t HostExist(const char *name) {
    HFILE f = _lopen(name, OF_READ);
    if (f == HFILE_ERROR) return 0;
    _lclose(f);
    return 1;
}

void DDDWINCLOSE(void) {
    if (ddd_mem_hdc) DeleteDC(ddd_mem_hdc);
    if (ddd_hpal) DeleteObject(ddd_hpal);
    if (display_dc) DeleteDC(display_dc);
    ddd_mem_hdc = nullptr;
    ddd_hpal = nullptr;
    display_dc = nullptr;
}

void DDDWINPALETTELOAD(const uint8_t *colours) {
    static uint8_t block[sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY)];
    LOGPALETTE *lp = (LOGPALETTE *)block;
    PALETTEENTRY system[256];
    memset(system, 0, sizeof system);
    if (display_dc) GetSystemPaletteEntries(display_dc, 0, 256, system);
    dddBuildLogicalPalette(colours, (const uint8_t *)system, (uint8_t *)logical_entries);
    have_logical = 1;
    lp->palVersion = 0x300;
    lp->palNumEntries = 256;
    memcpy(lp->palPalEntry, logical_entries, sizeof logical_entries);
    HPALETTE fresh = CreatePalette(lp);
    if (!fresh) return;
    if (ddd_hpal) DeleteObject(ddd_hpal);
    ddd_hpal = fresh;
    if (display_dc) {
        SelectPalette(display_dc, ddd_hpal, FALSE);
        UnrealizeObject(ddd_hpal);
        RealizePalette(display_dc);
    }
}

void dddInitWindows32(HWND window, dddAllocFunc alloc, dddFreeFunc release, dddReadFunc file_read) {
    if (windows_ready) return;
    windows_ready = 1;
    ddd_window = window;
    display_dc = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
    ddd_mem_hdc = CreateCompatibleDC(display_dc);
    dddSetAfterCloseCall(DDDWINCLOSE);
    dddDefinePaletteFunction(DDDWINPALETTELOAD);
    dddSetFileFunctions(HostOpen, HostClose, HostCreate, HostRead, HostWrite, HostSeek, HostLength,
                        HostExist);
    dddInitMem(alloc, release, file_read);
}

void dddScreenCopy(HWND window, int32_t x, int32_t y) {
    if (!dddscreenptr || dddscreen_width <= 0 || dddscreen_depth <= 0) return;
    static uint8_t block[sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)];
    BITMAPINFO *info = (BITMAPINFO *)block;
    memset(block, 0, sizeof block);
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = dddscreen_width;
    info->bmiHeader.biHeight = -dddscreen_depth; // rows top-down, as the screen keeps them
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 8;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biClrUsed = 256;
    for (int32_t i = 0; i < 256; i++) {
        RGBQUAD *q = &info->bmiColors[i];
        if (have_logical) {
            q->rgbRed = logical_entries[i].peRed;
            q->rgbGreen = logical_entries[i].peGreen;
            q->rgbBlue = logical_entries[i].peBlue;
        } else if (palette_ptr) {
            q->rgbRed = (BYTE)((palette_ptr[3 * i] & 63) * 4);
            q->rgbGreen = (BYTE)((palette_ptr[3 * i + 1] & 63) * 4);
            q->rgbBlue = (BYTE)((palette_ptr[3 * i + 2] & 63) * 4);
        } else {
            q->rgbRed = q->rgbGreen = q->rgbBlue = (BYTE)i;
        }
    }
    HDC dc = GetDC(window ? window : ddd_window);
    if (!dc) return;
    HPALETTE old = ddd_hpal ? SelectPalette(dc, ddd_hpal, FALSE) : nullptr;
    SetDIBitsToDevice(dc, x, y, (DWORD)dddscreen_width, (DWORD)dddscreen_depth, 0, 0, 0,
                      (UINT)dddscreen_depth, dddscreenptr, info, DIB_RGB_COLORS);
    if (old) SelectPalette(dc, old, FALSE);
    ReleaseDC(window ? window : ddd_window, dc);
}
