// scrbuf.cpp -- the memory screen: pixel buffer, 16-bit depth buffer and row table
#include "ddd/ddd_local.h"

#include <string.h>

int32_t dddscreen_width, dddused_screen_width, dddscreen_depth;
int32_t dddscreen_mid_x, dddscreen_mid_y, dddwidth_mul_depth;
uint8_t *dddscreenptr;
uint16_t *dddzbufferptr;
int32_t *dddscreenmultabptr;
uint16_t dddzbfillvalue;
int32_t ddd_zbuffer_on = 1;
int32_t ddd_zdirty_lo, ddd_zdirty_hi;
static int32_t zclean_valid; // the rows outside the dirty ones hold zclean_value
static uint16_t zclean_value;
uint16_t dddglobal_npoly_count, dddglobal_ppoly_count, dddglobal_gpoly_count, dddglobal_tpoly_count;

static void SetSize(int32_t width, int32_t depth) {
    dddscreen_width = dddused_screen_width = width;
    dddscreen_depth = depth;
    dddscreen_mid_x = width / 2;
    dddscreen_mid_y = depth / 2;
    dddwidth_mul_depth = width * depth;
}

static void FillRows(int32_t *rows, int32_t count) {
    for (int32_t i = 0; i < count; i++)
        rows[i] = i * dddscreen_width;
}

void dddSelectMemoryScreen(dddScreen *s) {
    if (!dddMemReady() || !s) return;
    int32_t lw = (s->limit_width + 15) & ~15, lh = s->limit_height;
    if (!s->pixels) {
        // The screen never exceeds the buffers made for it.
        int32_t w = (s->width + 15) & ~15;
        int32_t d = s->height;
        if (w > lw) w = lw;
        if (d > lh) d = lh;
        uint8_t *pixels = (uint8_t *)dddLinkedMemAlloc((uint32_t)(lw * lh));
        uint16_t *z = nullptr;
        if (pixels && ddd_zbuffer_on) {
            z = (uint16_t *)dddLinkedMemAlloc((uint32_t)(lw * lh * 2));
            if (!z) {
                DDDLINKEDMEMFREE(pixels);
                return;
            }
        }
        int32_t *rows = pixels ? (int32_t *)dddLinkedMemAlloc((uint32_t)(lh * 4)) : nullptr;
        if (!rows) {
            DDDLINKEDMEMFREE(pixels);
            DDDLINKEDMEMFREE(z);
            return;
        }
        dddZBForget();
        s->pixels = pixels;
        s->zbuffer = z;
        s->rows = rows;
        SetSize(w, d);
        dddscreenptr = pixels;
        dddzbufferptr = z;
        dddscreenmultabptr = rows;
        FillRows(rows, d);
        dddCls();
        dddZBCls();
        return;
    }
    int32_t w = s->width < s->limit_width ? s->width : s->limit_width;
    int32_t d = s->height < s->limit_height ? s->height : s->limit_height;
    SetSize((w + 15) & ~15, d);
    dddZBForget();
    dddscreenptr = s->pixels;
    dddzbufferptr = s->zbuffer;
    if (!s->rows) {
        s->rows = (int32_t *)dddLinkedMemAlloc((uint32_t)(d * 4 + 4));
        if (!s->rows) {
            SetSize(0, 0);
            return;
        }
    }
    dddscreenmultabptr = s->rows;
    FillRows(s->rows, d);
}

void dddMemScreenRelease(void) {
    dddZBForget();
    dddscreenptr = nullptr;
    dddzbufferptr = nullptr;
    dddscreenmultabptr = nullptr;
    SetSize(0, 0);
}

void dddFillScreen(int32_t colour) {
    if (dddscreenptr) memset(dddscreenptr, colour & 255, (size_t)dddwidth_mul_depth);
    dddglobal_npoly_count = dddglobal_ppoly_count = dddglobal_gpoly_count = 0;
    dddglobal_tpoly_count = 0;
    object_under_mouse = nullptr;
}

void dddCls(void) {
    dddFillScreen(0);
}

void dddZBForget(void) {
    zclean_valid = 0;
}

void dddZBCls(void) {
    if (!dddzbufferptr) return;
    // Only the rows drawn into since the last clear need it, when the rest hold this fill.
    int32_t lo = 0, hi = dddscreen_depth;
    if (zclean_valid && zclean_value == dddzbfillvalue) {
        lo = ddd_zdirty_lo;
        hi = ddd_zdirty_hi < dddscreen_depth ? ddd_zdirty_hi : dddscreen_depth;
    }
    if (lo < hi) {
        uint16_t *z = dddzbufferptr + (size_t)lo * dddscreen_width;
        size_t n = (size_t)(hi - lo) * dddscreen_width;
        if (dddzbfillvalue == 0) {
            memset(z, 0, n * 2);
        } else {
            for (size_t i = 0; i < n; i++)
                z[i] = dddzbfillvalue;
        }
    }
    zclean_valid = 1;
    zclean_value = dddzbfillvalue;
    ddd_zdirty_lo = dddscreen_depth;
    ddd_zdirty_hi = 0;
}

void dddSetZBValue(int32_t distance) {
    if (distance < DDD_NEAR) {
        dddzbfillvalue = 0;
        return;
    }
    if (distance > 65535) distance = 65535;
    uint64_t depth = ((1ull << 52) - 1) / ((uint64_t)distance << 16);
    dddzbfillvalue = (uint16_t)(depth >> 16);
}

void dddZBufferOn(void) {
    ddd_zbuffer_on = 1;
}
void dddZBufferOff(void) {
    ddd_zbuffer_on = 0;
}

void dddSETPIXEL(int32_t x, int32_t y, int32_t colour) {
    if (!dddscreenptr || x < 0 || y < 0 || x >= dddscreen_width || y >= dddscreen_depth) return;
    dddscreenptr[dddscreenmultabptr[y] + x] = (uint8_t)colour;
}

int32_t dddGetPixel(int32_t x, int32_t y) {
    if (!dddscreenptr || x < 0 || y < 0 || x >= dddscreen_width || y >= dddscreen_depth) return -1;
    return dddscreenptr[dddscreenmultabptr[y] + x];
}
