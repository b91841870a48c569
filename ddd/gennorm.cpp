// gennorm.cpp -- surface and point normals of a shape, made once when it is loaded
#include "ddd/ddd_local.h"

// Scales a vector to length 512 (all zero stays zero).
static int64_t Abs(int64_t v) {
    return v < 0 ? -v : v;
}

// Scales a vector to length 512 (all zero stays zero).
static void Normalise(int16_t *out, int64_t x, int64_t y, int64_t z) {
    int64_t m = Abs(x) > Abs(y) ? Abs(x) : Abs(y);
    if (Abs(z) > m) m = Abs(z);
    if (m == 0) {
        out[0] = out[1] = out[2] = 0;
        return;
    }
    for (; m > 16383; m /= 2)
        x /= 2, y /= 2, z /= 2;
    for (; m < 8192; m *= 2)
        x *= 2, y *= 2, z *= 2; // short vectors keep their direction
    uint32_t len = dddSquareRoot((uint32_t)(x * x + y * y + z * z));
    out[0] = (int16_t)(x * 512 / len);
    out[1] = (int16_t)(y * 512 / len);
    out[2] = (int16_t)(z * 512 / len);
}

void DDDGENERATENORMAL(int16_t *out, const int32_t *a, const int32_t *b, const int32_t *c) {
    int64_t ux = (int64_t)b[0] - a[0], uy = (int64_t)b[1] - a[1], uz = (int64_t)b[2] - a[2];
    int64_t vx = (int64_t)c[0] - a[0], vy = (int64_t)c[1] - a[1], vz = (int64_t)c[2] - a[2];
    // Model coordinates fit 2^31: halve the edges until the cross product fits 64 bits.
    while (ux > 0x3FFFFFFF || ux < -0x3FFFFFFF || uy > 0x3FFFFFFF || uy < -0x3FFFFFFF ||
           uz > 0x3FFFFFFF || uz < -0x3FFFFFFF)
        ux /= 2, uy /= 2, uz /= 2;
    while (vx > 0x3FFFFFFF || vx < -0x3FFFFFFF || vy > 0x3FFFFFFF || vy < -0x3FFFFFFF ||
           vz > 0x3FFFFFFF || vz < -0x3FFFFFFF)
        vx /= 2, vy /= 2, vz /= 2;
    Normalise(out, uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx);
    out[3] = 0;
}

void DDDGENERATEPOINTNORMAL(int16_t *out, const int32_t *sum) {
    if (sum[3] <= 0) return;
    Normalise(out, sum[0], sum[1], sum[2]); // the sum points where the average does
    out[3] = 0;
}
