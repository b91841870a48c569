// lsrout.cpp -- lighting: lights in view and model space, and the intensity of a normal
#include "ddd/ddd_local.h"
#include <string.h>

int32_t ddd_m2c[9];
const int32_t *ddd_wmat;

// Stores a light's position; one beyond 32 bits (a light half a world away) is brought in along
// its own direction instead of wrapping round: still so far that its light is next to nothing.
static void LightStore(int64_t *r, int32_t *out) {
    while (r[0] > INT32_MAX / 2 || r[0] < -(INT32_MAX / 2) || r[1] > INT32_MAX / 2 ||
           r[1] < -(INT32_MAX / 2) || r[2] > INT32_MAX / 2 || r[2] < -(INT32_MAX / 2))
        r[0] /= 2, r[1] /= 2, r[2] /= 2;
    for (int32_t i = 0; i < 3; i++)
        out[i] = (int32_t)r[i];
}

void DDDSETL2VPOSITION(dddObject *light) {
    if (!light || !light->light) return;
    const int32_t *w = light->tc.world;
    int64_t d[3] = {2 * ((int64_t)w[0] - dddviewer[0]), 2 * ((int64_t)w[1] - dddviewer[1]),
                    2 * ((int64_t)w[2] - dddviewer[2])};
    int64_t r[3];
    for (int32_t i = 0; i < 3; i++)
        r[i] = (vmat[i * 3] * d[0] + vmat[i * 3 + 1] * d[1] + vmat[i * 3 + 2] * d[2]) >> 16;
    LightStore(r, light->light->vpos);
}

void DDDSETL2VVECTOR(dddObject *light) {
    if (!light || !light->light) return;
    const int32_t *m = light->tc.wmat; // the light shines along its local z axis
    for (int32_t i = 0; i < 3; i++)
        light->light->vdir[i] =
            (int32_t)(((int64_t)vmat[i * 3] * m[2] + (int64_t)vmat[i * 3 + 1] * m[5] +
                       (int64_t)vmat[i * 3 + 2] * m[8]) >>
                      20);
}

void DDDSETL2SPOSITION(dddObject *light, const int32_t *world) {
    if (!light || !light->light || !ddd_wmat) return;
    const int32_t *w = light->tc.world;
    int64_t d[3] = {2 * ((int64_t)w[0] - world[0]), 2 * ((int64_t)w[1] - world[1]),
                    2 * ((int64_t)w[2] - world[2])};
    const int32_t *m = ddd_wmat; // model space = transpose of the world matrix
    int64_t r[3];
    for (int32_t i = 0; i < 3; i++)
        r[i] = (m[i] * d[0] + m[3 + i] * d[1] + m[6 + i] * d[2]) >> 16;
    LightStore(r, light->light->spos);
}

void DDDSETL2SVECTOR(dddObject *light) {
    if (!light || !light->light || !ddd_wmat) return;
    const int32_t *lm = light->tc.wmat, *m = ddd_wmat;
    int64_t dir[3] = {lm[2] >> 4, lm[5] >> 4, lm[8] >> 4};
    for (int32_t i = 0; i < 3; i++)
        light->light->sdir[i] =
            (int32_t)((m[i] * dir[0] + m[3 + i] * dir[1] + m[6 + i] * dir[2]) >> 15);
}

// How far right a light-to-point vector must be shifted so that its dot products with a normal
// (about 256 long) and with itself stay inside 64 bits: 0 for every point of a scene in view.
static inline int32_t LightShift(int64_t v0, int64_t v1, int64_t v2) {
    uint64_t m = (uint64_t)(v0 < 0 ? -v0 : v0) | (uint64_t)(v1 < 0 ? -v1 : v1) |
                 (uint64_t)(v2 < 0 ? -v2 : v2);
    int32_t sh = 0;
    while ((m >> sh) >= (1u << 16))
        sh++;
    return sh;
}

// Contribution of a point light of intensity `intensity` at view position lp, to a sum that
// stands at `sum`. A contribution that takes the sum to 256 or more saturates it, so only its
// reaching 256 - sum matters: the multiply spares most lit vertices the division. A light far
// from the point has its vector scaled down first (c / vv shrinks with the same factor), so a
// vertex or light anywhere in the 32-bit world can't overflow the sums.
static inline int64_t PointLight(const int64_t *n, const int32_t *point, const int32_t *lp,
                                 int64_t intensity, int64_t sum) {
    int64_t v0 = (int64_t)point[0] - lp[0], v1 = (int64_t)point[1] - lp[1],
            v2 = (int64_t)point[2] - lp[2];
    int32_t sh = LightShift(v0, v1, v2);
    v0 >>= sh, v1 >>= sh, v2 >>= sh;
    int64_t vv = v0 * v0 + v1 * v1 + v2 * v2; // below 2^34
    if (vv == 0) return 0;
    int64_t c = n[0] * v0 + n[1] * v1 + n[2] * v2;
    if (c <= 0) return 0;
    vv <<= sh;                        // below 2^51
    int64_t num = c * intensity * 16; // c fits 2^26, intensity 2^32
    if (num >= (256 - sum) * vv) return 256 - sum;
    return num / vv;
}

static inline int32_t GenerateColour(const int16_t *normal, const int32_t *point) {
    int64_t cn[3]; // the normal in camera space, length about 256
    for (int32_t i = 0; i < 3; i++)
        cn[i] = ((int64_t)ddd_m2c[i * 3] * normal[0] + (int64_t)ddd_m2c[i * 3 + 1] * normal[1] +
                 (int64_t)ddd_m2c[i * 3 + 2] * normal[2]) >>
                16;
    int64_t sum = 0;
    for (int32_t i = ddd_light_count - 1; i >= 0 && sum < 256; i--) {
        dddObject *o = ddd_light_list[i];
        if (!o || !o->light || o->param1 == 0) continue;
        const dddLight *l = o->light;
        int64_t intensity = o->param1, v[3], vv;
        if (o->type == DDD_DIRECTIONAL) {
            int64_t c = (int64_t)normal[0] * l->sdir[0] + (int64_t)normal[1] * l->sdir[1] +
                        (int64_t)normal[2] * l->sdir[2];
            if (c >= 0) sum += (c * intensity) >> 19;
        } else if (o->type == DDD_POINT) {
            sum += PointLight(cn, point, l->vpos, intensity, sum);
        } else {
            for (int32_t k = 0; k < 3; k++)
                v[k] = (int64_t)point[k] - l->vpos[k];
            int32_t sh = LightShift(v[0], v[1], v[2]); // a * a / vv is the same at any scale
            for (int32_t k = 0; k < 3; k++)
                v[k] >>= sh;
            vv = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
            int64_t a = v[0] * l->vdir[0] + v[1] * l->vdir[1] + v[2] * l->vdir[2];
            if (a <= 0 || vv == 0) continue;
            int64_t k = a * a / vv - l->cone; // a fits 2^27
            // A cone of no width lights nothing: the rounding of its axis must not divide by 0.
            if (k <= 0 || l->cone >= (1 << 20)) continue;
            int64_t spot = k * intensity / ((1 << 20) - l->cone);
            sum += PointLight(cn, point, l->vpos, spot, sum);
        }
    }
    return sum >= 256 ? 255 : (int32_t)sum;
}

int32_t DDDGENERATECOLOUR(const int16_t *normal, const int32_t *point) {
    return GenerateColour(normal, point);
}

// The current object's lights as GenerateColour visits them (last first), with what each needs
// copied out, so that lighting a shape's vertices reads no light objects. Prepared for each
// object by dddPrepareLighting; only its vertices use it.
typedef struct LightTerm {
    int32_t type;
    int64_t intensity;
    int32_t vpos[3], vdir[3], sdir[3];
    int64_t cone;
} LightTerm;

static LightTerm light_terms[DDD_MAX_LIGHTS];
static int32_t light_term_count;
static int32_t light_term_m2c[9];
static bool light_terms_point;     // some term needs the camera-space normal
static bool light_terms_one_point; // the only term is a point light
// The last normal turned into camera space, and what it became: neighbouring points of a flat
// panel share their normal.
static int16_t light_last_normal[3];
static int64_t light_last_cn[3];
static bool light_last_valid;

void dddPrepareLighting(void) {
    int32_t n = 0;
    light_terms_point = false;
    for (int32_t i = ddd_light_count - 1; i >= 0; i--) {
        dddObject *o = ddd_light_list[i];
        if (!o || !o->light || o->param1 == 0) continue;
        LightTerm *t = &light_terms[n++];
        t->type = o->type == DDD_DIRECTIONAL ? DDD_DIRECTIONAL
                  : o->type == DDD_POINT     ? DDD_POINT
                                             : DDD_SPOT;
        t->intensity = o->param1;
        for (int32_t k = 0; k < 3; k++)
            t->vpos[k] = o->light->vpos[k], t->vdir[k] = o->light->vdir[k],
            t->sdir[k] = o->light->sdir[k];
        t->cone = o->light->cone;
        if (t->type != DDD_DIRECTIONAL) light_terms_point = true;
    }
    light_term_count = n;
    light_terms_one_point = n == 1 && light_terms[0].type == DDD_POINT;
    light_last_valid = false;
    for (int32_t k = 0; k < 9; k++)
        light_term_m2c[k] = ddd_m2c[k];
}

// GenerateColour over the prepared terms: the same sums in the same order.
static inline int32_t PreparedColour(const int16_t *normal, const int32_t *point) {
    int64_t cn[3] = {0, 0, 0};
    if (light_terms_point) {
        if (!light_last_valid || normal[0] != light_last_normal[0] ||
            normal[1] != light_last_normal[1] || normal[2] != light_last_normal[2]) {
            const int32_t *m = light_term_m2c;
            int64_t n0 = normal[0], n1 = normal[1], n2 = normal[2];
            light_last_cn[0] = (m[0] * n0 + m[1] * n1 + m[2] * n2) >> 16;
            light_last_cn[1] = (m[3] * n0 + m[4] * n1 + m[5] * n2) >> 16;
            light_last_cn[2] = (m[6] * n0 + m[7] * n1 + m[8] * n2) >> 16;
            for (int32_t k = 0; k < 3; k++)
                light_last_normal[k] = normal[k];
            light_last_valid = true;
        }
        cn[0] = light_last_cn[0], cn[1] = light_last_cn[1], cn[2] = light_last_cn[2];
    }
    if (light_terms_one_point) {
        int64_t c = PointLight(cn, point, light_terms[0].vpos, light_terms[0].intensity, 0);
        return c >= 256 ? 255 : (int32_t)c;
    }
    int64_t sum = 0;
    for (int32_t i = 0; i < light_term_count && sum < 256; i++) {
        const LightTerm *t = &light_terms[i];
        if (t->type == DDD_POINT) {
            sum += PointLight(cn, point, t->vpos, t->intensity, sum);
        } else if (t->type == DDD_DIRECTIONAL) {
            int64_t c = (int64_t)normal[0] * t->sdir[0] + (int64_t)normal[1] * t->sdir[1] +
                        (int64_t)normal[2] * t->sdir[2];
            if (c >= 0) sum += (c * t->intensity) >> 19;
        } else {
            int64_t v[3];
            for (int32_t k = 0; k < 3; k++)
                v[k] = (int64_t)point[k] - t->vpos[k];
            int32_t sh = LightShift(v[0], v[1], v[2]);
            for (int32_t k = 0; k < 3; k++)
                v[k] >>= sh;
            int64_t vv = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
            int64_t a = v[0] * t->vdir[0] + v[1] * t->vdir[1] + v[2] * t->vdir[2];
            if (a <= 0 || vv == 0) continue;
            int64_t k = a * a / vv - t->cone;
            if (k <= 0 || t->cone >= (1 << 20)) continue;
            int64_t spot = k * t->intensity / ((1 << 20) - t->cone);
            sum += PointLight(cn, point, t->vpos, spot, sum);
        }
    }
    return sum >= 256 ? 255 : (int32_t)sum;
}

static inline int32_t VertexIntensity(const dddVertex *v) {
    ptrdiff_t i = v - ddd_vcache;
    if (i < 0 || i >= ddd_vcache_size || !ddd_pnormals) return 255;
    int16_t *n = (int16_t *)ddd_pnormals + 4 * i;
    uint8_t bit = (uint8_t)(1u << (i & 7));
    if (!(ddd_litbits[i >> 3] & bit)) {
        int32_t p[3] = {v->x >> 16, v->y >> 16, v->z >> 16};
        n[3] = (int16_t)PreparedColour(n, p);
        ddd_litbits[i >> 3] |= bit;
    }
    return n[3];
}

// dddLightRing under a single point light, the common case: the light, the matrix and the last
// normal's camera-space form sit in locals for the whole ring, since the vertex stores could
// otherwise alias them. The same sums as PreparedColour.
static void LightRingOnePoint(dddVertex **ring, int32_t n, int32_t half) {
    dddVertex *const base = ddd_vcache;
    const uint64_t size = (uint64_t)ddd_vcache_size;
    int16_t *const normals = (int16_t *)ddd_pnormals;
    uint8_t *const lit = ddd_litbits;
    const int64_t lp0 = light_terms[0].vpos[0], lp1 = light_terms[0].vpos[1],
                  lp2 = light_terms[0].vpos[2], intensity16 = light_terms[0].intensity * 16;
    // A normal's x, y and z as one key; the fourth word holds the intensity.
    const uint64_t key_mask = 0xFFFFFFFFFFFFull;
    uint64_t last = 0;
    bool valid = light_last_valid;
    int64_t cn0 = light_last_cn[0], cn1 = light_last_cn[1], cn2 = light_last_cn[2];
    if (valid) memcpy(&last, light_last_normal, 6);
    bool changed = false;
    for (int32_t i = 0; i < n; i++) {
        dddVertex *v = ring[i];
        uint64_t k = (uint64_t)(v - base);
        int32_t c = 255;
        if (k < size) {
            int16_t *nm = normals + 4 * k;
            uint8_t bit = (uint8_t)(1u << (k & 7));
            if (!(lit[k >> 3] & bit)) {
                uint64_t key;
                memcpy(&key, nm, 8);
                key &= key_mask;
                if (!valid || key != last) {
                    const int32_t *m = light_term_m2c;
                    int64_t n0 = nm[0], n1 = nm[1], n2 = nm[2];
                    cn0 = (m[0] * n0 + m[1] * n1 + m[2] * n2) >> 16;
                    cn1 = (m[3] * n0 + m[4] * n1 + m[5] * n2) >> 16;
                    cn2 = (m[6] * n0 + m[7] * n1 + m[8] * n2) >> 16;
                    last = key, valid = true, changed = true;
                }
                int64_t v0 = (int64_t)(v->x >> 16) - lp0, v1 = (int64_t)(v->y >> 16) - lp1,
                        v2 = (int64_t)(v->z >> 16) - lp2;
                int32_t sh = LightShift(v0, v1, v2);
                v0 >>= sh, v1 >>= sh, v2 >>= sh;
                int64_t vv = v0 * v0 + v1 * v1 + v2 * v2, dot = cn0 * v0 + cn1 * v1 + cn2 * v2;
                int32_t s = 0;
                if (vv != 0 && dot > 0) {
                    vv <<= sh;
                    int64_t num = dot * intensity16;
                    s = num >= 256 * vv ? 255 : (int32_t)(num / vv);
                }
                nm[3] = (int16_t)s;
                lit[k >> 3] |= bit;
            }
            c = nm[3];
        }
        v->attr[0] = (c << 16) + half;
    }
    if (changed) {
        light_last_valid = true;
        memcpy(light_last_normal, &last, 6);
        light_last_cn[0] = cn0, light_last_cn[1] = cn1, light_last_cn[2] = cn2;
    }
}

void dddLightRing(dddVertex **ring, int32_t n, int32_t half) {
    if (light_terms_one_point && ddd_pnormals) return LightRingOnePoint(ring, n, half);
    for (int32_t i = 0; i < n; i++)
        ring[i]->attr[0] = (VertexIntensity(ring[i]) << 16) + half;
}

int32_t dddFaceIntensity(const int16_t *normal, dddVertex **ring, int32_t n) {
    if (!normal) return 255;
    int64_t c[3] = {0, 0, 0};
    int32_t k = n < 32 ? n : 32;
    for (int32_t i = 0; i < k; i++)
        c[0] += ring[i]->x, c[1] += ring[i]->y, c[2] += ring[i]->z;
    int32_t p[3] = {(int32_t)((c[0] / k) >> 16), (int32_t)((c[1] / k) >> 16),
                    (int32_t)((c[2] / k) >> 16)};
    return GenerateColour(normal, p);
}
