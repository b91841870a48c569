// matrix.cpp -- the rotation matrix of three angles and turning a point by a matrix
#include "ddd/ddd_local.h"

static inline int32_t S(int32_t i) {
    return dddsine[i & 4095];
}
static inline int32_t C(int32_t i) {
    return dddsine[(i + 1024) & 4095];
}

void DDDORIENTATION(int32_t *m, int32_t a_angle, int32_t b_angle, int32_t c_angle) {
    int32_t a = (a_angle & 0xFFFF) >> 4, b = (b_angle & 0xFFFF) >> 4, c = (c_angle & 0xFFFF) >> 4;
    int32_t sA = S(a);
    int32_t P = S(b + c), Q = S(b - c), R = C(b + c), T = C(b - c);
    m[0] = ((((T - R) * sA) >> 15) + R + T) >> 1;
    m[1] = (P - Q - (((P + Q) * sA) >> 15)) >> 1;
    m[2] = (S(a + b) - S(a - b)) >> 1;
    m[3] = -((S(a + c) - S(a - c)) >> 1);
    m[4] = (C(a + c) + C(a - c)) >> 1;
    m[5] = sA;
    m[6] = ((((P - Q) * sA) >> 15) - P - Q) >> 1;
    m[7] = -(((((R + T) * sA) >> 15) + T - R) >> 1);
    m[8] = (C(a + b) + C(a - b)) >> 1;
}

void dddGenerate3DMatrix(int32_t *out, const uint16_t *angles) {
    DDDORIENTATION(out, angles[0], angles[1], angles[2]);
}

void dddRotate3dPoint(int32_t *p, const int32_t *m) {
    if (!p) return;
    if (!m) m = vmat;
    int64_t x = p[0], y = p[1], z = p[2];
    p[0] = (int32_t)((m[0] * x + m[1] * y + m[2] * z) >> 15);
    p[1] = (int32_t)((m[3] * x + m[4] * y + m[5] * z) >> 15);
    p[2] = (int32_t)((m[6] * x + m[7] * y + m[8] * z) >> 15);
}
