// dial.cpp -- angle and dial helpers shared by the instruments, and the bridge's sky and graticule
#include "sim/dial.h"

#include <cctype>
#include <cmath>
#include <cstring>

int32_t circle_dx[CIRCLE_STEPS];
int32_t circle_dy[CIRCLE_STEPS];

void InitializeCircle() {
    const double pi = 3.141592653589793;
    for (int i = 0; i < CIRCLE_STEPS; i++) {
        double a = i * 2.0 * pi / (double)CIRCLE_STEPS - pi / 2.0;
        circle_dx[i] = (int32_t)trunc(cos(a) * (double)CIRCLE_SCALE);
        circle_dy[i] = -(int32_t)trunc(sin(a) * (double)CIRCLE_SCALE);
    }
}

void uppercase(char *text) {
    if (!text) return;
    for (; *text; text++)
        *text = (char)toupper((unsigned char)*text);
}

// The drawable size of a screen: never more than its buffers hold.
static bool ScreenSize(const dddScreen *screen, int32_t *w, int32_t *h) {
    if (!screen || !screen->pixels) return false;
    int32_t limit_w = (screen->limit_width + 15) & ~15;
    *w = screen->width < limit_w ? screen->width : limit_w;
    *h = screen->height < screen->limit_height ? screen->height : screen->limit_height;
    return *w > 0 && *h > 0;
}

void DrawHorizon(dddScreen *screen, int32_t sky, int32_t sea) {
    int32_t w, h;
    if (!ScreenSize(screen, &w, &h)) return;
    int32_t row_bytes = (w / 4) * 4;
    uint8_t *p = screen->pixels;
    int32_t row = 0, limit = 0;
    for (int k = 0; k < 8; k++) {
        limit += (1 << (7 - k)) * h / 512 + (k == 0 ? 2 : 0);
        uint8_t colour = (uint8_t)(sky + k);
        for (; row < limit && row < h; row++)
            memset(p + row * row_bytes, colour, row_bytes);
    }
    for (int k = 0; k < 8; k++) {
        limit = k < 7 ? limit + (1 << k) * h / 512 : h;
        uint8_t colour = (uint8_t)(sea + k);
        for (; row < limit && row < h; row++)
            memset(p + row * row_bytes, colour, row_bytes);
    }
}

static void Plot(uint8_t *p, int32_t w, int32_t h, int32_t x, int32_t y) {
    if (x >= 0 && x < w && y >= 0 && y < h) p[y * w + x] = 0;
}

// A scale of 25 ticks `step` apart from (x, y) along (ax, ay), each tick drawn from the line
// toward (tx, ty): every fourth one long.
static void DialScale(uint8_t *p, int32_t w, int32_t h, int32_t x, int32_t y, int32_t ax,
                      int32_t ay, int32_t tx, int32_t ty, int32_t step) {
    for (int32_t i = 0; i <= 24 * step; i++)
        Plot(p, w, h, x + ax * i, y + ay * i);
    for (int32_t t = 0; t < 25; t++) {
        int32_t len = t % 4 == 0 ? 5 : 2;
        for (int32_t d = 1; d <= len; d++)
            Plot(p, w, h, x + ax * t * step + tx * d, y + ay * t * step + ty * d);
    }
}

void DrawCrossHairs(dddScreen *screen) {
    int32_t w, h;
    if (!ScreenSize(screen, &w, &h)) return;
    uint8_t *p = screen->pixels;
    int32_t cx = w / 2, cy = h / 2, sy = h / 24, sx = cx / 25;

    // Top scale, ticks hanging down.
    DialScale(p, w, h, cx - 12 * sx, sy, 1, 0, 0, 1, sx);
    // Dotted horizontal line through the centre.
    for (int32_t x = 0; x < w; x += 2)
        Plot(p, w, h, x, cy);

    // Right-hand scale, as far from the centre as the top one.
    int32_t col = cx + cy - sy;
    DialScale(p, w, h, col, cy - 12 * sx, 0, 1, -1, 0, sx);
    // Dotted vertical line through the centre.
    for (int32_t y = 0; y < h; y += 2)
        Plot(p, w, h, cx, y);
}
