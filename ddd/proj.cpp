// proj.cpp -- projecting camera-space points onto the memory screen, and whole-shape culling
#include "ddd/ddd_local.h"

int32_t dddceiling = -32000, dddfloor = 32000;
int32_t ddd_skip_hidden = 1;

static int32_t BadDepth(int32_t z) {
    return z < DDD_NEAR || z > 65535;
}

int32_t dddCreateScreenX(int32_t x, int32_t z) {
    if (BadDepth(z) || x < -32768 || x > 32768) return DDD_NOSCREEN;
    return (int32_t)((int64_t)x * x_ratio / z) + dddscreen_mid_x;
}

int32_t dddCreateScreenY(int32_t y, int32_t z) {
    if (BadDepth(z) || y < -32768 || y > 32768) return DDD_NOSCREEN;
    return (int32_t)((int64_t)y * y_ratio / z) + dddscreen_mid_y;
}

int32_t dddCreateScreenZ(int32_t z) {
    if (BadDepth(z)) return DDD_NOSCREEN;
    return (int32_t)(((1ull << 52) - 1) / ((uint64_t)z << 16));
}

int32_t dddCreateTextureXY(int32_t u, int32_t v) {
    return (int32_t)((uint32_t)u + ((uint32_t)v << 16));
}

void dddProjectVertex(dddVertex *v) {
    dddProjectWith(v, x_ratio, y_ratio, dddscreen_mid_x, dddscreen_mid_y);
}

// 1 when the shape can't be seen; otherwise centre := its centre in camera space (16.16).
int32_t dddCullShape(const dddShapeInfo *info, const int32_t *world, int32_t *centre) {
    int64_t cut = dddmax_shape_distance, r = info->radius;
    int64_t d[3];
    for (int32_t i = 0; i < 3; i++) {
        d[i] = (int64_t)world[i] - dddviewer[i];
        if (d[i] >= cut || d[i] < -cut) return 1;
    }
    int64_t c[3];
    for (int32_t i = 0; i < 3; i++)
        c[i] = vmat[i * 3] * 2 * d[0] + vmat[i * 3 + 1] * 2 * d[1] + vmat[i * 3 + 2] * 2 * d[2];
    int64_t z = c[2] >> 16;
    if (z + r <= 0 || z + r >= cut) return 1;
    int64_t div = z + r;
    // A shape's half extent on screen is its radius (half world units) times the ratio.
    int64_t X = c[0] >> 16, mx = r * x_ratio / 2;
    if ((X * x_ratio - mx) / div + dddscreen_mid_x >= dddscreen_width) return 1;
    if ((X * x_ratio + mx) / div + dddscreen_mid_x < 0) return 1;
    int64_t Y = c[1] >> 16, my = r * y_ratio / 2;
    if ((Y * y_ratio - my) / div + dddscreen_mid_y >= dddscreen_depth) return 1;
    if ((Y * y_ratio + my) / div + dddscreen_mid_y < 0) return 1;
    for (int32_t i = 0; i < 3; i++)
        centre[i] = (int32_t)(c[i] > INT32_MAX ? INT32_MAX : c[i] < INT32_MIN ? INT32_MIN : c[i]);
    return 0;
}

void dddProjectPoint(int32_t *point, const uint16_t *angles, int32_t distance) {
    if (!point || !angles || distance == 0) return;
    int32_t p = angles[0] >> 4, h = angles[1] >> 4;
    int64_t dist = distance;
    int64_t y = point[1] + ((dddsine[p & 4095] * dist) >> 15);
    if (y < dddceiling) y = dddceiling;
    if (y >= dddfloor) y = dddfloor;
    point[1] = (int32_t)y;
    point[0] += (int32_t)(((dddsine[(p + h) & 4095] - dddsine[(p - h) & 4095]) * dist) >> 16);
    point[2] += (int32_t)(((dddcosine[(p + h) & 4095] + dddcosine[(p - h) & 4095]) * dist) >> 16);
}

void dddProjectObj(dddObject *o, int32_t distance) {
    if (o) dddProjectPoint(&o->x, o->angle, distance);
}

// A shape is hidden when every pixel its points can reach already holds something nearer than
// the nearest of them: drawing it would change nothing. b bounds the points its level's opening
// commands set, the only ones it draws with.
int32_t dddShapeHidden(const dddBounds *b) {
    if (!ddd_skip_hidden || !dddzbufferptr || !ddd_zbuffer_on || ddd_line_on) return 0;
    if (b->zmin < (DDD_NEAR << 16)) return 0; // near clipping makes new points
    // Spans and lines stay within their corners' box; a pixel of slack each way covers the
    // rounding of the edges.
    int32_t c0 = b->minc > 0 ? b->minc - 1 : 0;
    int32_t c1 = b->maxc < dddscreen_width - 1 ? b->maxc + 1 : dddscreen_width - 1;
    int32_t r0 = b->minr > 0 ? b->minr - 1 : 0;
    int32_t r1 = b->maxr < dddscreen_depth - 1 ? b->maxr + 1 : dddscreen_depth - 1;
    if (c0 > c1 || r0 > r1) return 1;
    // A pixel's depth is interpolated between its polygon's corners; a unit of slack covers the
    // rounding of the interpolation, and a pixel passes the test when its depth is not below.
    uint32_t top = (uint32_t)(((1ull << 52) - 1) / (uint32_t)b->zmin) >> 16;
    if (top + 2 > 0xFFFF) return 0;
    const uint16_t need = (uint16_t)(top + 2);
    for (int32_t y = r0; y <= r1; y++) {
        const uint16_t *z = dddzbufferptr + dddscreenmultabptr[y];
        for (int32_t x = c0; x <= c1; x++)
            if (z[x] < need) return 0;
    }
    return 1;
}
