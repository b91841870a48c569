// atan.cpp -- arctangent by a 128-step threshold table, and aiming one point at another
#include "ddd/ddd_local.h"

#include <math.h>
#include <stdlib.h>

// threshold[k] = floor(tan(2 pi * 64k / 65536) * 65536): the smallest y/x (16.16) of step k.
static int32_t atan_threshold[128];

static bool FillThresholds() {
    for (int32_t k = 0; k < 128; k++)
        atan_threshold[k] = (int32_t)floor(tan(2.0 * M_PI * 64.0 * k / 65536.0) * 65536.0);
    return true;
}
static const bool thresholds_filled = FillThresholds();

// 0 < y < x: the octant's angle in steps of 64, rounded toward zero.
static int32_t OctantAngle(int64_t y, int64_t x) {
    int64_t q = (y * 65536) / x;
    int32_t lo = 0, hi = 127;
    while (lo < hi) {
        int32_t mid = (lo + hi + 1) / 2;
        if (atan_threshold[mid] <= q)
            lo = mid;
        else
            hi = mid - 1;
    }
    return 64 * lo;
}

static int32_t Atan64(int64_t y, int64_t x) {
    (void)thresholds_filled;
    if (y == 0) return x >= 0 ? 0 : 0x8000;
    if (y < 0) return -Atan64(-y, x);
    if (x < 0) return 0x8000 - Atan64(y, -x);
    if (y == x) return 0x2000;
    if (y > x) return 0x4000 - OctantAngle(x, y);
    return OctantAngle(y, x);
}

int32_t dddAtan(int32_t y, int32_t x) {
    return Atan64(y, x);
}

uint16_t *dddAlign(uint16_t *out, const int32_t *to, const int32_t *from) {
    static const int32_t origin[3] = {0, 0, 0};
    if (!out) return out;
    if (!to) to = origin;
    if (!from) from = origin;
    int64_t dx = llabs((int64_t)from[0] - to[0]);
    int64_t dz = llabs((int64_t)from[2] - to[2]);
    int64_t h = dx > dz ? dx : dz;
    // Offsets of far-apart points are halved together until they fit the 32-bit rule.
    int64_t ox = (int64_t)to[0] - from[0], oy = (int64_t)to[1] - from[1],
            oz = (int64_t)to[2] - from[2];
    while (h > 0x7FFFFFFF || llabs(oy) > 0x7FFFFFFF)
        h /= 2, oy /= 2;
    while (llabs(ox) > 0x7FFFFFFF || llabs(oz) > 0x7FFFFFFF)
        ox /= 2, oz /= 2;
    out[0] = (uint16_t)Atan64(oy, h);
    out[1] = (uint16_t)Atan64(ox, oz);
    return out;
}
