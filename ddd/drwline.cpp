// drwline.cpp -- single-pixel lines: near-plane clipping, screen clipping, Bresenham walk
#include "ddd/ddd_local.h"

static int32_t DepthTest(void) {
    return ddd_zbuffer_on && dddzbufferptr;
}

void DDDDRAWZCLIPLINE(int32_t colour, const dddVertex *a, const dddVertex *b) {
    const int32_t zn = DDD_NEAR << 16;
    if (!a || !b) return;
    if (a->z < zn && b->z < zn) return;
    if (a->z >= zn && b->z >= zn) {
        DDDDRAWCLIPLINE(colour, a, b);
        return;
    }
    const dddVertex *nv = a->z < zn ? a : b, *fv = a->z < zn ? b : a;
    int64_t t = (((int64_t)zn - nv->z) << 16) / ((int64_t)fv->z - nv->z);
    dddVertex s = *nv;
    s.x = (int32_t)(nv->x + ((((int64_t)fv->x - nv->x) * t) >> 16));
    s.y = (int32_t)(nv->y + ((((int64_t)fv->y - nv->y) * t) >> 16));
    s.z = zn;
    s.col = dddScreenCoord(((int64_t)(s.x >> 8) * x_ratio) / (zn >> 8), dddscreen_mid_x);
    s.row = dddScreenCoord(((int64_t)(s.y >> 8) * y_ratio) / (zn >> 8), dddscreen_mid_y);
    s.depth = 0x7FFFFFFF;
    if (DepthTest())
        s.depth = (uint32_t)((int64_t)s.depth + ((((int64_t)fv->depth - s.depth) * t) >> 16));
    if (nv == a)
        DDDDRAWCLIPLINE(colour, &s, b);
    else
        DDDDRAWCLIPLINE(colour, a, &s);
}

void DDDDRAWCLIPLINE(int32_t colour, const dddVertex *a, const dddVertex *b) {
    if (a && b) DDDCLIPDRAWLINE(colour, a->col, a->row, a->depth, b->col, b->row, b->depth);
}

enum { OUT_LEFT = 1, OUT_TOP = 2, OUT_RIGHT = 4, OUT_BOTTOM = 8 };

static int32_t Outside(int64_t x, int64_t y) {
    return (x < 0 ? OUT_LEFT : 0) | (y < 0 ? OUT_TOP : 0) |
           (x > dddscreen_width - 1 ? OUT_RIGHT : 0) | (y > dddscreen_depth - 1 ? OUT_BOTTOM : 0);
}

void DDDCLIPDRAWLINE(int32_t colour, int32_t x1, int32_t y1, uint32_t depth1, int32_t x2,
                     int32_t y2, uint32_t depth2) {
    if (dddscreen_width <= 0 || dddscreen_depth <= 0 || !dddscreenptr) return;
    int64_t p[2][3] = {{x1, y1, depth1}, {x2, y2, depth2}};
    int32_t depth = DepthTest();
    for (int32_t round = 0; round < 8; round++) {
        int32_t c0 = Outside(p[0][0], p[0][1]), c1 = Outside(p[1][0], p[1][1]);
        if ((c0 | c1) == 0) {
            dddDrawLine(colour, (int32_t)p[0][0], (int32_t)p[0][1], (uint32_t)p[0][2],
                        (int32_t)p[1][0], (int32_t)p[1][1], (uint32_t)p[1][2]);
            return;
        }
        if (c0 & c1) return;
        int32_t e = c0 ? 0 : 1, code = c0 ? c0 : c1;
        int64_t *m = p[e], *o = p[1 - e];
        // Axis moved (0 = x, 1 = y) and the edge it moves to.
        int32_t axis = (code & (OUT_LEFT | OUT_RIGHT)) ? 0 : 1;
        int64_t edge = (code & OUT_LEFT) || (code & OUT_TOP) ? 0
                       : axis == 0                           ? dddscreen_width - 1
                                                             : dddscreen_depth - 1;
        // Exact proportions: a 16-bit fraction would miss by pixels on long lines.
        int64_t num = edge - m[axis], den = o[axis] - m[axis];
        m[1 - axis] += (int64_t)((__int128)(o[1 - axis] - m[1 - axis]) * num / den);
        if (depth) m[2] += (int64_t)((__int128)(o[2] - m[2]) * num / den);
        m[axis] = edge;
    }
}

void dddDrawLine(int32_t colour, int32_t x1, int32_t y1, uint32_t depth1, int32_t x2, int32_t y2,
                 uint32_t depth2) {
    if (!dddscreenptr) return;
    int32_t dx = x2 - x1, dy = y2 - y1;
    int32_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    int32_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    int32_t xmajor = adx >= ady;
    int32_t major = xmajor ? adx : ady, minor = xmajor ? ady : adx;
    if (major == 0) return;
    int32_t depth = DepthTest();
    if (depth) dddZBDirtyRows(y1 < y2 ? y1 : y2, (y1 < y2 ? y2 : y1) + 1);
    int64_t dz = (int64_t)depth2 - depth1;
    int64_t step = major < 32768 ? (int64_t)(((__int128)dz * dddldivtab[major]) >> 32) : dz / major;
    int64_t z = depth1;
    int32_t err = major / 2, x = x1, y = y1;
    uint8_t c = (uint8_t)colour;
    for (int32_t i = 0; i < major; i++) {
        // The ends are the caller's promise; a stray pixel is still never written off-screen.
        if (x >= 0 && y >= 0 && x < dddscreen_width && y < dddscreen_depth) {
            int32_t at = dddscreenmultabptr[y] + x;
            if (depth) {
                uint16_t z16 = (uint16_t)((z < 0 ? 0 : z) >> 16);
                if (z16 >= dddzbufferptr[at]) {
                    dddzbufferptr[at] = z16;
                    dddscreenptr[at] = c;
                }
            } else {
                dddscreenptr[at] = c;
            }
        }
        if (xmajor)
            x += sx;
        else
            y += sy;
        err -= minor;
        if (err < 0) {
            if (xmajor)
                y += sy;
            else
                x += sx;
            err += major;
        }
        z += step;
    }
}
