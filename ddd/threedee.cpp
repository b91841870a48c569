// threedee.cpp -- the polygon pipeline: shading choice, near clipping, facing, scan conversion
#include "ddd/ddd_local.h"

#include <stdlib.h>
#include <string.h>
#if defined(__SSE2__) && defined(__x86_64__) && !defined(DDD_PORTABLE)
#define DDD_X86_SIMD 1
#include <immintrin.h>
#endif

int32_t ddd_mode;
int32_t ddd_zonly;
int32_t ddd_line_on, ddd_line_colour;
uint8_t ddd_pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
const uint8_t *ddd_texture;
uint8_t ddd_identity[256];
static uint8_t shade_fallback[65536];
uint8_t *ddd_shade_fallback = shade_fallback;
static dddVertex clip_pool[2 * DDD_MAX_RING + 8];

int32_t ddd_simd = DDD_SIMD_PORTABLE;

int32_t dddSimdBest(void) {
#ifdef DDD_X86_SIMD
    return __builtin_cpu_supports("avx2") ? DDD_SIMD_AVX2 : DDD_SIMD_SSE2;
#else
    return DDD_SIMD_PORTABLE;
#endif
}

int32_t dddSimdSelect(int32_t path) {
    int32_t best = dddSimdBest();
    ddd_simd = path < DDD_SIMD_PORTABLE ? DDD_SIMD_PORTABLE : path > best ? best : path;
    return ddd_simd;
}

void dddPolyInit(void) {
    int32_t path = dddSimdBest();
    if (const char *want = getenv("KESTRUNE_DDD_SIMD")) {
        if (!strcmp(want, "portable"))
            path = DDD_SIMD_PORTABLE;
        else if (!strcmp(want, "sse2"))
            path = DDD_SIMD_SSE2;
        else if (!strcmp(want, "avx2"))
            path = DDD_SIMD_AVX2;
    }
    dddSimdSelect(path);
    for (int32_t i = 0; i < 256; i++)
        ddd_identity[i] = (uint8_t)i;
    for (int32_t r = 0; r < 256; r++)
        memcpy(shade_fallback + r * 256, ddd_identity, 256);
}

const uint8_t *dddShade(void) {
    return shade_table_ptr ? shade_table_ptr : shade_fallback;
}

int32_t dddGetColorValue(int32_t colour, int32_t intensity) {
    return dddShade()[(intensity & 255) * 256 + (colour & 255)];
}

void dddLineOn(int32_t colour) {
    ddd_line_on = 1;
    ddd_line_colour = colour;
}

void dddLineOff(void) {
    ddd_line_on = 0;
}

// ---- span fillers ----

enum {
    SP_FLAT,     // one colour
    SP_GOUR,     // lut[attribute 0 * 256]: a shade-table column
    SP_LUT,      // lut[attribute 0]: a shade-table row or the identity
    SP_MESH,     // one colour through the pattern
    SP_MESH_LUT, // lut through the pattern
    SP_TEX,      // texel as it is
    SP_TEX_ROW,  // lut[texel]
    SP_TEX_GOUR, // shade[attribute 0][texel]
    SP_PTEX,     // perspective texel
    SP_PTEX_ROW, // perspective lut[texel]
    SP_ZONLY     // depth only
};

enum { A_DEPTH, A_0, A_U, A_V, A_W, A_COUNT };

typedef struct Fill {
    int32_t type;
    uint8_t colour;
    const uint8_t *lut;
    const uint8_t *tex;
    int32_t nattr; // attributes after depth in use: 0 none, 1 a0, 3 a0 u v, 4 with w
} Fill;

// Intensities and shades sit half a step above their integer so that interpolation rounds to
// the nearest and never dips below a corner's value.
#define DDD_HALF 0x8000

// The depth-tested flat, Gouraud and depth-only spans of the program's two render methods, for
// spans whose values stay in range (see Span): depth z and intensity i step in 32 bits, pixel by
// pixel exactly as the general loop below does; sixteen pixels at a time with AVX2, eight with
// SSE2, or one by one, on the path ddd_simd selects.
enum { FAST_FLAT, FAST_GOUR, FAST_ZONLY };

template <int KIND>
static inline uint8_t FastColour(const uint8_t *lut, uint8_t colour, uint32_t i) {
    return KIND == FAST_GOUR ? lut[(i >> 16) << 8] : colour;
}

// Short spans, most of a distant ship's, pixel by pixel.
template <int KIND>
static inline void ShortDepthSpan(uint8_t *px, uint16_t *zb, int32_t n, uint32_t z, uint32_t dz,
                                  uint32_t i, uint32_t di, const uint8_t *lut, uint8_t colour) {
    for (int32_t x = 0; x < n; x++) {
        uint16_t d = (uint16_t)(z >> 16);
        if (d >= zb[x]) {
            zb[x] = d;
            if (KIND != FAST_ZONLY) px[x] = FastColour<KIND>(lut, colour, i);
        }
        z += dz;
        i += di;
    }
}

template <int KIND>
static __attribute__((noinline)) void
WideDepthSpanSse2(uint8_t *px, uint16_t *zb, int32_t n, uint32_t z, uint32_t dz, uint32_t i,
                  uint32_t di, const uint8_t *lut, uint8_t colour) {
    int32_t x = 0;
#ifdef DDD_X86_SIMD
    const __m128i zero = _mm_setzero_si128();
    const __m128i step = _mm_set1_epi32((int32_t)(dz * 8));
    __m128i z_lo =
        _mm_setr_epi32((int32_t)z, (int32_t)(z + dz), (int32_t)(z + 2 * dz), (int32_t)(z + 3 * dz));
    __m128i z_hi = _mm_add_epi32(z_lo, _mm_set1_epi32((int32_t)(dz * 4)));
    const uint64_t flat8 = colour * 0x0101010101010101ull;
    for (; x + 8 <= n; x += 8) {
        // The upper halves of the depth values, packed without saturation.
        __m128i zz = _mm_packs_epi32(_mm_srai_epi32(z_lo, 16), _mm_srai_epi32(z_hi, 16));
        z_lo = _mm_add_epi32(z_lo, step);
        z_hi = _mm_add_epi32(z_hi, step);
        __m128i old = _mm_loadu_si128((const __m128i *)(zb + x));
        // new >= old, unsigned: old minus new saturates to 0.
        __m128i pass = _mm_cmpeq_epi16(_mm_subs_epu16(old, zz), zero);
        int32_t mask = _mm_movemask_epi8(pass);
        uint32_t i0 = i;
        i += di * 8;
        if (mask == 0) continue;
        _mm_storeu_si128((__m128i *)(zb + x),
                         _mm_or_si128(_mm_and_si128(pass, zz), _mm_andnot_si128(pass, old)));
        if (KIND == FAST_ZONLY) continue;
        uint64_t c8 = flat8;
        if (KIND == FAST_GOUR) {
            // The intensity runs monotonically across the eight pixels: when its ends share a
            // shade, so do all of them.
            if ((i0 >> 16) == ((i0 + di * 7) >> 16)) {
                c8 = lut[(i0 >> 16) << 8] * 0x0101010101010101ull;
            } else {
                c8 = 0;
                for (int32_t k = 0; k < 8; k++, i0 += di)
                    c8 |= (uint64_t)lut[(i0 >> 16) << 8] << (8 * k);
            }
        }
        __m128i c = _mm_cvtsi64_si128((long long)c8);
        if (mask != 0xFFFF) {
            __m128i keep = _mm_packs_epi16(pass, pass);
            __m128i was = _mm_loadl_epi64((const __m128i *)(px + x));
            c = _mm_or_si128(_mm_and_si128(keep, c), _mm_andnot_si128(keep, was));
        }
        _mm_storel_epi64((__m128i *)(px + x), c);
    }
    z += dz * (uint32_t)x;
#endif
    ShortDepthSpan<KIND>(px + x, zb + x, n - x, z, dz, i, di, lut, colour);
}

#ifdef DDD_X86_SIMD
// Passing a pixel through the depth test a second time changes nothing: its stored depth is
// already the larger of the two, and a pixel that passes again writes the same colour. So a
// span's last pixels are done as one whole group ending at the span's end, overlapping the
// group before, rather than one by one.

// The shades of sixteen pixels whose intensities do not all round alike; kept out of the pixel
// loop, which then holds its state in registers.
__attribute__((target("avx2"), noinline)) static __m128i Shades16Avx2(const uint8_t *lut,
                                                                      uint32_t i, uint32_t di) {
    alignas(16) uint8_t shades[16];
    for (int32_t k = 0; k < 16; k++, i += di)
        shades[k] = lut[(i >> 16) << 8];
    return _mm_load_si128((const __m128i *)shades);
}

// Sixteen pixels at px and zb: depths are za (pixels 0-3 and 8-11) and zc (4-7 and 12-15), so that
// packing within each 128-bit half leaves them in pixel order; i is the first pixel's intensity.
template <int KIND>
__attribute__((target("avx2"))) static inline void
Depth16Avx2(uint8_t *px, uint16_t *zb, __m256i za, __m256i zc, uint32_t i, uint32_t di,
            const uint8_t *lut, uint8_t colour) {
    __m256i zz = _mm256_packs_epi32(_mm256_srai_epi32(za, 16), _mm256_srai_epi32(zc, 16));
    __m256i old = _mm256_loadu_si256((const __m256i *)zb);
    __m256i keepz = _mm256_max_epu16(old, zz);
    __m256i pass = _mm256_cmpeq_epi16(keepz, zz);
    uint32_t mask = (uint32_t)_mm256_movemask_epi8(pass);
    if (mask == 0) return;
    _mm256_storeu_si256((__m256i *)zb, keepz);
    if (KIND == FAST_ZONLY) return;
    __m128i c;
    if (KIND == FAST_GOUR && (i >> 16) != ((i + di * 15) >> 16)) {
        c = Shades16Avx2(lut, i, di);
    } else {
        // The intensity runs monotonically across the sixteen pixels: when its ends share a
        // shade, so do all of them.
        c = _mm_set1_epi8((char)FastColour<KIND>(lut, colour, i));
    }
    if (mask != 0xFFFFFFFFu) {
        __m128i keep =
            _mm_packs_epi16(_mm256_castsi256_si128(pass), _mm256_extracti128_si256(pass, 1));
        c = _mm_blendv_epi8(_mm_loadu_si128((const __m128i *)px), c, keep);
    }
    _mm_storeu_si128((__m128i *)px, c);
}

// Eight pixels at px and zb, their depths in zl (0-3) and zh (4-7).
template <int KIND>
__attribute__((target("avx2"))) static inline void Depth8Avx2(uint8_t *px, uint16_t *zb, __m128i zl,
                                                              __m128i zh, uint32_t i, uint32_t di,
                                                              const uint8_t *lut, uint8_t colour) {
    __m128i zz = _mm_packs_epi32(_mm_srai_epi32(zl, 16), _mm_srai_epi32(zh, 16));
    __m128i old = _mm_loadu_si128((const __m128i *)zb);
    __m128i keepz = _mm_max_epu16(old, zz);
    __m128i pass = _mm_cmpeq_epi16(keepz, zz);
    uint32_t mask = (uint32_t)_mm_movemask_epi8(pass);
    if (mask == 0) return;
    _mm_storeu_si128((__m128i *)zb, keepz);
    if (KIND == FAST_ZONLY) return;
    uint64_t c8 = FastColour<KIND>(lut, colour, i) * 0x0101010101010101ull;
    if (KIND == FAST_GOUR && (i >> 16) != ((i + di * 7) >> 16)) {
        c8 = 0;
        for (int32_t k = 0; k < 8; k++, i += di)
            c8 |= (uint64_t)lut[(i >> 16) << 8] << (8 * k);
    }
    __m128i c = _mm_cvtsi64_si128((long long)c8);
    if (mask != 0xFFFFu)
        c = _mm_blendv_epi8(_mm_loadl_epi64((const __m128i *)px), c, _mm_packs_epi16(pass, pass));
    _mm_storel_epi64((__m128i *)px, c);
}

// n >= 8 pixels, sixteen at a time.
template <int KIND>
__attribute__((target("avx2"), noinline)) static void
WideDepthSpanAvx2(uint8_t *px, uint16_t *zb, int32_t n, uint32_t z, uint32_t dz, uint32_t i,
                  uint32_t di, const uint8_t *lut, uint8_t colour) {
    const __m256i ramp = _mm256_setr_epi32(0, 1, 2, 3, 8, 9, 10, 11);
    if (n < 16) {
        const __m128i ramp4 = _mm_setr_epi32(0, 1, 2, 3);
        const __m128i vdz = _mm_set1_epi32((int32_t)dz), dz4 = _mm_set1_epi32((int32_t)(dz * 4));
        __m128i zl = _mm_add_epi32(_mm_set1_epi32((int32_t)z), _mm_mullo_epi32(ramp4, vdz));
        Depth8Avx2<KIND>(px, zb, zl, _mm_add_epi32(zl, dz4), i, di, lut, colour);
        uint32_t at = (uint32_t)(n - 8);
        zl = _mm_add_epi32(zl, _mm_set1_epi32((int32_t)(dz * at)));
        Depth8Avx2<KIND>(px + at, zb + at, zl, _mm_add_epi32(zl, dz4), i + di * at, di, lut,
                         colour);
        return;
    }
    const __m256i vdz = _mm256_set1_epi32((int32_t)dz), dz4 = _mm256_set1_epi32((int32_t)(dz * 4));
    const __m256i step = _mm256_set1_epi32((int32_t)(dz * 16));
    const __m256i first =
        _mm256_add_epi32(_mm256_set1_epi32((int32_t)z), _mm256_mullo_epi32(ramp, vdz));
    __m256i za = first;
    int32_t x = 0;
    for (; x + 16 <= n; x += 16) {
        Depth16Avx2<KIND>(px + x, zb + x, za, _mm256_add_epi32(za, dz4), i, di, lut, colour);
        za = _mm256_add_epi32(za, step);
        i += di * 16;
    }
    if (x < n) {
        uint32_t at = (uint32_t)(n - 16), back = (uint32_t)(x - (n - 16));
        za = _mm256_add_epi32(first, _mm256_set1_epi32((int32_t)(dz * at)));
        Depth16Avx2<KIND>(px + at, zb + at, za, _mm256_add_epi32(za, dz4), i - di * back, di, lut,
                          colour);
    }
}
#endif

// Depth-tested flat, Gouraud or depth-only span of n pixels, on the path selected.
template <int KIND>
static inline void FastDepthSpan(uint8_t *px, uint16_t *zb, int32_t n, uint32_t z, uint32_t dz,
                                 uint32_t i, uint32_t di, const uint8_t *lut, uint8_t colour) {
    if (n < 8 || ddd_simd == DDD_SIMD_PORTABLE)
        ShortDepthSpan<KIND>(px, zb, n, z, dz, i, di, lut, colour);
#ifdef DDD_X86_SIMD
    else if (ddd_simd == DDD_SIMD_AVX2)
        WideDepthSpanAvx2<KIND>(px, zb, n, z, dz, i, di, lut, colour);
#endif
    else
        WideDepthSpanSse2<KIND>(px, zb, n, z, dz, i, di, lut, colour);
}

// Span values arrive with 32 fraction bits; the pixel loop steps them in 32 bits: depth as the
// 32-bit depth value, intensity and texture coordinates as 16.16.
template <int TYPE, bool DEPTH, bool CLAMP>
static inline void SpanLoop(const Fill *f, int32_t y, int32_t xs, int32_t xe, const int64_t *a,
                            const int64_t *g) {
    uint8_t *px = dddscreenptr + dddscreenmultabptr[y];
    uint16_t *zb = DEPTH ? dddzbufferptr + dddscreenmultabptr[y] : nullptr;
    int64_t d = a[A_DEPTH] >> 16, dd = g[A_DEPTH] >> 16;
    uint32_t i0 = (uint32_t)(a[A_0] >> 16), g0 = (uint32_t)(g[A_0] >> 16);
    int64_t ia = a[A_0], ig = g[A_0]; // the checked loop keeps the full value
    uint32_t u = (uint32_t)(a[A_U] >> 16), gu = (uint32_t)(g[A_U] >> 16);
    uint32_t v = (uint32_t)(a[A_V] >> 16), gv = (uint32_t)(g[A_V] >> 16);
    int64_t pu = a[A_U], pgu = g[A_U], pv = a[A_V], pgv = g[A_V], w = a[A_W], gw = g[A_W];
    uint32_t z32 = (uint32_t)d, dz32 = (uint32_t)dd;
    const uint8_t *lut = f->lut;
    const uint8_t *tex = f->tex;
    uint8_t colour = f->colour;
    if (DEPTH && !CLAMP && (TYPE == SP_FLAT || TYPE == SP_GOUR || TYPE == SP_ZONLY)) {
        FastDepthSpan<TYPE == SP_FLAT   ? FAST_FLAT
                      : TYPE == SP_GOUR ? FAST_GOUR
                                        : FAST_ZONLY>(px + xs, zb + xs, xe - xs, z32, dz32, i0, g0,
                                                      lut, colour);
        return;
    }
    uint8_t bits = 0;
    if (TYPE == SP_MESH || TYPE == SP_MESH_LUT) {
        uint8_t row = ddd_pattern[y & 7];
        if (row == 0) return;
        int32_t r = xs & 7;
        bits = (uint8_t)((row << r) | (row >> ((8 - r) & 7)));
    }
    for (int32_t x = xs; x < xe; x++) {
        uint8_t out = 0;
        bool draw = true;
        int32_t idx = 0;
        if (TYPE == SP_GOUR || TYPE == SP_LUT || TYPE == SP_MESH_LUT || TYPE == SP_TEX_GOUR) {
            if (CLAMP) {
                int64_t i = ia >> 32;
                idx = i < 0 ? 0 : i > 255 ? 255 : (int32_t)i;
            } else {
                idx = (int32_t)(i0 >> 16);
            }
        }
        if (TYPE == SP_FLAT) {
            out = colour;
        } else if (TYPE == SP_GOUR) {
            out = lut[idx << 8];
        } else if (TYPE == SP_LUT) {
            out = lut[idx];
        } else if (TYPE == SP_MESH || TYPE == SP_MESH_LUT) {
            bits = (uint8_t)((bits << 1) | (bits >> 7));
            draw = bits & 1;
            out = TYPE == SP_MESH ? colour : lut[idx << 8];
        } else if (TYPE == SP_TEX || TYPE == SP_TEX_ROW || TYPE == SP_TEX_GOUR) {
            uint8_t t = tex[(((v >> 16) & 255) << 8) | ((u >> 16) & 255)];
            draw = t != 0;
            out = TYPE == SP_TEX ? t : TYPE == SP_TEX_ROW ? lut[t] : lut[(idx << 8) + t];
        } else if (TYPE == SP_PTEX || TYPE == SP_PTEX_ROW) {
            int64_t ww = (w >> 16) > 0 ? (w >> 16) : 1;
            int64_t tu = (pu >> 16) / ww, tv = (pv >> 16) / ww; // texel coordinates in 8.8
            uint8_t t = tex[(((tv >> 8) & 255) << 8) | ((tu >> 8) & 255)];
            draw = t != 0;
            out = TYPE == SP_PTEX ? t : lut[t];
            pu += pgu, pv += pgv, w += gw;
        }
        if (DEPTH) {
            uint16_t z;
            if (CLAMP)
                z = (uint16_t)(d < 0 ? 0 : d > 0xFFFFFFFFll ? 0xFFFF : (d >> 16));
            else
                z = (uint16_t)(z32 >> 16);
            if (draw && z >= zb[x]) {
                zb[x] = z;
                if (TYPE != SP_ZONLY) px[x] = out;
            }
            if (CLAMP)
                d += dd;
            else
                z32 += dz32;
        } else if (draw && TYPE != SP_ZONLY) {
            px[x] = out;
        }
        i0 += g0, u += gu, v += gv;
        if (CLAMP) ia += ig;
    }
}

// Attributes after depth that each span kind interpolates.
template <int TYPE> constexpr int32_t SpanAttrs() {
    return TYPE == SP_GOUR || TYPE == SP_LUT || TYPE == SP_MESH_LUT      ? 1
           : TYPE == SP_TEX || TYPE == SP_TEX_ROW || TYPE == SP_TEX_GOUR ? 3
           : TYPE == SP_PTEX || TYPE == SP_PTEX_ROW                      ? 4
                                                                         : 0;
}

// Span kinds that index a table by the intensity attribute.
template <int TYPE> constexpr bool SpanIndexes() {
    return TYPE == SP_GOUR || TYPE == SP_LUT || TYPE == SP_MESH_LUT || TYPE == SP_TEX_GOUR;
}

// Rounding at a polygon's edges (and non-planar rings) can carry a span's ends just out of
// range; only such spans run the checked loop.
// az, ai: depth and intensity at the first pixel; gz, gi: their steps.
template <int TYPE>
static inline bool SpanInRange(int32_t xs, int32_t xe, int64_t az, int64_t gz, int64_t ai,
                               int64_t gi) {
    int64_t n = xe - xs - 1;
    int64_t d0 = az >> 16, d1 = (az + gz * n) >> 16;
    // The pixel loop's steps are rounded down, losing up to one unit a pixel: d1 - n must not
    // fall below 0 nor d1 pass the top. Each pair of bounds is one unsigned comparison.
    const uint64_t dtop = 0xFFFFFFFFull, itop = 256 << 16;
    bool ok = ((uint64_t)d0 <= dtop) & ((uint64_t)(d1 - n) <= dtop - (uint64_t)n);
    if (SpanIndexes<TYPE>()) {
        int64_t i0 = ai >> 16, i1 = (ai + gi * n) >> 16;
        ok = ok & ((uint64_t)i0 < itop) & ((uint64_t)(i1 - n) < itop - (uint64_t)n);
    }
    return ok;
}

template <int TYPE, bool DEPTH>
static __attribute__((noinline)) void SpanClamped(const Fill *f, int32_t y, int32_t xs, int32_t xe,
                                                  const int64_t *a, const int64_t *g) {
    SpanLoop<TYPE, DEPTH, true>(f, y, xs, xe, a, g);
}

// ---- scan conversion ----

// Coordinates and screen sizes within this bound let a polygon's set-up run in 64 bits.
#define DDD_SMALL_COORD (1 << 14)

static inline int64_t EdgeStep(int32_t dx, int32_t dy) {
    int64_t num = (int64_t)dx * 65536;
    if (dy < 32768) {
        if (num >= -(1ll << 31) && num < (1ll << 31)) return (num * dddldivtab[dy]) >> 32;
        return (int64_t)(((__int128)num * dddldivtab[dy]) >> 32);
    }
    return num / dy;
}

// Attribute value of vertex v for attribute k (before the extra 16 fraction bits).
// Perspective fills carry u and v (as 8.8 texels) times w = depth / 4096, and w itself.
static inline int64_t AttrOf(const dddVertex *v, int32_t k, bool persp) {
    int64_t w = v->depth >> 12;
    switch (k) {
    case A_DEPTH:
        return v->depth;
    case A_0:
        return v->attr[0];
    case A_U:
        return persp ? (int64_t)(v->attr[1] >> 8) * w : v->attr[1];
    case A_V:
        return persp ? (int64_t)(v->attr[2] >> 8) * w : v->attr[2];
    default:
        return w;
    }
}

// The ring's bounding box and its topmost vertex (the first of the top row).
typedef struct Box {
    int32_t minx, maxx, miny, maxy, top;
} Box;

// Each attribute is a plane over the screen: value = base + gx * x + gy * y (16 more fraction
// bits than the vertex values).
typedef struct Plane {
    int64_t base[A_COUNT], gx[A_COUNT], gy[A_COUNT];
} Plane;

// One attribute's plane through A and the corners A + (dx1, dy1) and A + (dx2, dy2), for rings
// within DDD_SMALL_COORD: attribute differences stay below 2^44 and coordinates below 2^15, so
// only the product with the reciprocal inv = 2^62 / area needs 128 bits. 0 when the plane is too
// steep or too far out of range to be walked in 64 bits.
static inline bool SmallPlane(int64_t a0, int64_t da1, int64_t da2, int64_t dx1, int64_t dy1,
                              int64_t dx2, int64_t dy2, int64_t area, int64_t inv,
                              const dddVertex *A, Plane *pl, int32_t k) {
    const int64_t steep = (int64_t)1 << 46, high = (int64_t)1 << 61;
    bool a0_small = (uint64_t)(a0 + (1ll << 32)) < (1ull << 33);
    // All three corners alike: light saturated at every corner, or a panel of one shade.
    if ((da1 | da2) == 0 && a0_small) {
        pl->gx[k] = 0, pl->gy[k] = 0, pl->base[k] = a0 * 65536;
        return true;
    }
    int64_t nx = da1 * dy2 - da2 * dy1, ny = da2 * dx1 - da1 * dx2;
    // Below area * 2^28 a numerator times inv stays below 2^90, so |gradient| <= 2^44: short of
    // steep, and with |a0| < 2^32 and every coordinate within 2^14 the plane stays within
    // 2^48 + 4 * 2^58 < 2^61 over the whole screen, so neither needs looking at.
    uint64_t lim = (uint64_t)area << 28;
    if ((nx < 0 ? 0 - (uint64_t)nx : (uint64_t)nx) < lim &&
        (ny < 0 ? 0 - (uint64_t)ny : (uint64_t)ny) < lim && a0_small) {
        int64_t gx = (int64_t)(((__int128)nx * inv) >> 46);
        int64_t gy = (int64_t)(((__int128)ny * inv) >> 46);
        pl->gx[k] = gx, pl->gy[k] = gy, pl->base[k] = a0 * 65536 - gx * A->col - gy * A->row;
        return true;
    }
    __int128 px = ((__int128)nx * inv) >> 46, py = ((__int128)ny * inv) >> 46;
    if (px >= steep || px <= -steep || py >= steep || py <= -steep) return false;
    int64_t gx = (int64_t)px, gy = (int64_t)py;
    int64_t b = a0 * 65536 - gx * A->col - gy * A->row;
    // The plane's extremes over the screen lie at its corners.
    int64_t hi = b + (gx > 0 ? gx * dddscreen_width : 0) + (gy > 0 ? gy * dddscreen_depth : 0);
    int64_t lo = b + (gx < 0 ? gx * dddscreen_width : 0) + (gy < 0 ? gy * dddscreen_depth : 0);
    if (hi >= high || lo <= -high) return false;
    pl->gx[k] = gx, pl->gy[k] = gy, pl->base[k] = b;
    return true;
}

// A triangle of the program's render methods within DDD_SMALL_COORD: its depth plane, and with
// GOUR its intensity plane too. The same planes, and the same refusals, as Planes.
template <bool GOUR> static int32_t TrianglePlanes(dddVertex **ring, Plane *pl) {
    const dddVertex *A = ring[0], *B = ring[1], *C = ring[2];
    int64_t dx1 = B->col - A->col, dy1 = B->row - A->row;
    int64_t dx2 = C->col - A->col, dy2 = C->row - A->row;
    int64_t area = dx1 * dy2 - dx2 * dy1;
    if (area <= 0) return 0;
    int64_t inv = (int64_t)((1ull << 62) / (uint64_t)area);
    int64_t z0 = A->depth;
    if (!SmallPlane(z0, (int64_t)B->depth - z0, (int64_t)C->depth - z0, dx1, dy1, dx2, dy2, area,
                    inv, A, pl, A_DEPTH))
        return 0;
    if (!GOUR) return 1;
    int64_t i0 = A->attr[0];
    return SmallPlane(i0, B->attr[0] - i0, C->attr[0] - i0, dx1, dy1, dx2, dy2, area, inv, A, pl,
                      A_0);
}

// The planes through the widest fan triangle; 0 when the ring covers nothing drawable.
static int32_t Planes(const Fill *f, dddVertex **ring, int32_t n, const Box *box, Plane *pl) {
    const dddVertex *A = ring[0], *B = ring[1], *C = ring[2];
    int64_t area = 0;
    for (int32_t i = 1; i + 1 < n; i++) {
        int64_t ar = (int64_t)(ring[i]->col - A->col) * (ring[i + 1]->row - A->row) -
                     (int64_t)(ring[i + 1]->col - A->col) * (ring[i]->row - A->row);
        if (ar > area) area = ar, B = ring[i], C = ring[i + 1];
    }
    if (area <= 0) return 0;
    int32_t nattr = 1 + f->nattr;
    bool persp = f->type == SP_PTEX || f->type == SP_PTEX_ROW;
    int64_t dx1 = B->col - A->col, dy1 = B->row - A->row;
    int64_t dx2 = C->col - A->col, dy2 = C->row - A->row;
    int64_t inv = (int64_t)((1ull << 62) / (uint64_t)area);
    // A plane this steep or this far out of range belongs to a sliver that covers nothing
    // a person could see; leaving it out keeps every sum of the walk in 64 bits.
    const __int128 steep = (__int128)1 << 46, high = (__int128)1 << 61;
    bool small = box->minx >= -DDD_SMALL_COORD && box->maxx <= DDD_SMALL_COORD &&
                 box->miny >= -DDD_SMALL_COORD && box->maxy <= DDD_SMALL_COORD &&
                 dddscreen_width <= DDD_SMALL_COORD && dddscreen_depth <= DDD_SMALL_COORD;
    for (int32_t k = 0; k < nattr; k++) {
        int64_t a0 = AttrOf(A, k, persp), da1 = AttrOf(B, k, persp) - a0,
                da2 = AttrOf(C, k, persp) - a0;
        if (small) {
            if (!SmallPlane(a0, da1, da2, dx1, dy1, dx2, dy2, area, inv, A, pl, k)) return 0;
            continue;
        }
        __int128 nx = (__int128)da1 * dy2 - (__int128)da2 * dy1;
        __int128 ny = (__int128)da2 * dx1 - (__int128)da1 * dx2;
        __int128 px = (nx * inv) >> 46, py = (ny * inv) >> 46;
        __int128 b = (__int128)a0 * 65536 - px * A->col - py * A->row;
        if (px >= steep || px <= -steep || py >= steep || py <= -steep) return 0;
        for (int32_t c = 0; c < 4; c++) {
            __int128 at =
                b + px * ((c & 1) ? dddscreen_width : 0) + py * ((c & 2) ? dddscreen_depth : 0);
            if (at >= high || at <= -high) return 0;
        }
        pl->gx[k] = (int64_t)px;
        pl->gy[k] = (int64_t)py;
        pl->base[k] = (int64_t)b;
    }
    return 1;
}

// Walks the ring from its top vertex down both sides, one span a scan line.
template <int TYPE, bool DEPTH>
static void Walk(const Fill *f, dddVertex **ring, int32_t n, const Box *box, int32_t y0, int32_t y1,
                 const Plane *pl) {
    const int32_t nattr = 1 + SpanAttrs<TYPE>();
    // The program's two render methods draw their spans straight from here.
    constexpr bool fast = DEPTH && (TYPE == SP_FLAT || TYPE == SP_GOUR || TYPE == SP_ZONLY);
    constexpr int kind = TYPE == SP_FLAT ? FAST_FLAT : TYPE == SP_GOUR ? FAST_GOUR : FAST_ZONLY;
    // Pixel stores may alias anything, so the ring and the screen are read into locals once.
    int32_t cols[DDD_MAX_RING], rows[DDD_MAX_RING];
    for (int32_t i = 0; i < n; i++)
        cols[i] = ring[i]->col, rows[i] = ring[i]->row;
    uint8_t *const screen = dddscreenptr;
    uint16_t *const zbuffer = dddzbufferptr;
    const int32_t *const offsets = dddscreenmultabptr;
    const int32_t width = dddscreen_width;
    const uint8_t *const lut = f->lut;
    const uint8_t colour = f->colour;
    int32_t top = box->top;
    int64_t row[A_COUNT], a[A_COUNT] = {0, 0, 0, 0, 0}, gx[A_COUNT] = {0, 0, 0, 0, 0},
                          gy[A_COUNT] = {0, 0, 0, 0, 0};
    for (int32_t k = 0; k < nattr; k++)
        row[k] = pl->base[k] + pl->gy[k] * y0, gx[k] = pl->gx[k], gy[k] = pl->gy[k];
    // Left side walks the ring backwards from the top, the right side forwards.
    int32_t li = top, ri = top, guard = 2 * n + 2;
    int32_t ln = li ? li - 1 : n - 1, rn = ri + 1 < n ? ri + 1 : 0;
    int64_t lx = 0, rx = 0, ls = 0, rs = 0;
    bool lset = false, rset = false;
    for (int32_t y = y0; y < y1; y++) {
        while (rows[ln] <= y && guard-- > 0)
            li = ln, ln = li ? li - 1 : n - 1, lset = false;
        while (rows[rn] <= y && guard-- > 0)
            ri = rn, rn = ri + 1 < n ? ri + 1 : 0, rset = false;
        if (guard <= 0) return;
        if (!lset) {
            ls = EdgeStep(cols[ln] - cols[li], rows[ln] - rows[li]);
            lx = (int64_t)cols[li] * 65536 + ls * (y - rows[li]);
            lset = true;
        }
        if (!rset) {
            rs = EdgeStep(cols[rn] - cols[ri], rows[rn] - rows[ri]);
            rx = (int64_t)cols[ri] * 65536 + rs * (y - rows[ri]);
            rset = true;
        }
        int64_t xs = (lx + 0xFFFF) >> 16, xe = (rx + 0xFFFF) >> 16;
        if (xs < 0) xs = 0;
        if (xe > width) xe = width;
        if (xs < xe) {
            for (int32_t k = 0; k < nattr; k++)
                a[k] = row[k] + gx[k] * xs;
            if (SpanInRange<TYPE>((int32_t)xs, (int32_t)xe, a[A_DEPTH], gx[A_DEPTH], a[A_0],
                                  gx[A_0])) {
                if constexpr (fast) {
                    int32_t at = offsets[y] + (int32_t)xs;
                    FastDepthSpan<kind>(screen + at, zbuffer + at, (int32_t)(xe - xs),
                                        (uint32_t)(a[A_DEPTH] >> 16), (uint32_t)(gx[A_DEPTH] >> 16),
                                        (uint32_t)(a[A_0] >> 16), (uint32_t)(gx[A_0] >> 16), lut,
                                        colour);
                } else {
                    SpanLoop<TYPE, DEPTH, false>(f, y, (int32_t)xs, (int32_t)xe, a, gx);
                }
            } else {
                SpanClamped<TYPE, DEPTH>(f, y, (int32_t)xs, (int32_t)xe, a, gx);
            }
        }
        for (int32_t k = 0; k < nattr; k++)
            row[k] += gy[k];
        lx += ls;
        rx += rs;
    }
}

// The walk above for a triangle of the program's render methods, with its two sides' edges
// found once: the left side runs top -> previous -> next, the right side top -> next ->
// previous, and a side moves on when the scan line reaches its edge's lower end.
template <int TYPE>
static void WalkTriangle(const Fill *f, dddVertex **ring, const Box *box, int32_t y0, int32_t y1,
                         const Plane *pl) {
    constexpr int kind = TYPE == SP_FLAT ? FAST_FLAT : TYPE == SP_GOUR ? FAST_GOUR : FAST_ZONLY;
    const dddVertex *T = ring[box->top], *P = ring[box->top ? box->top - 1 : 2],
                    *N = ring[box->top < 2 ? box->top + 1 : 0];
    uint8_t *const screen = dddscreenptr;
    uint16_t *const zbuffer = dddzbufferptr;
    const int32_t *const offsets = dddscreenmultabptr;
    const int32_t width = dddscreen_width;
    const uint8_t *const lut = f->lut;
    const uint8_t colour = f->colour;
    // Flat and depth-only rings have no intensity plane: its slot was never written.
    int64_t gx[A_COUNT] = {pl->gx[0], SpanAttrs<TYPE>() ? pl->gx[1] : 0, 0, 0, 0};
    int64_t zrow = pl->base[0] + pl->gy[0] * y0, zstep = pl->gy[0];
    int64_t irow = SpanAttrs<TYPE>() ? pl->base[1] + pl->gy[1] * y0 : 0;
    int64_t istep = SpanAttrs<TYPE>() ? pl->gy[1] : 0;
    // The edge from a to b at scan line y: its x (16.16) and step.
    auto edge = [](const dddVertex *a, const dddVertex *b, int32_t y, int64_t *x, int64_t *step) {
        *step = EdgeStep(b->col - a->col, b->row - a->row);
        *x = (int64_t)a->col * 65536 + *step * (y - a->row);
    };
    int64_t lx, ls, rx, rs;
    bool left_low = y0 >= P->row, right_low = y0 >= N->row;
    if (left_low)
        edge(P, N, y0, &lx, &ls);
    else
        edge(T, P, y0, &lx, &ls);
    if (right_low)
        edge(N, P, y0, &rx, &rs);
    else
        edge(T, N, y0, &rx, &rs);
    for (int32_t y = y0; y < y1; y++) {
        if (!left_low && y >= P->row) left_low = true, edge(P, N, y, &lx, &ls);
        if (!right_low && y >= N->row) right_low = true, edge(N, P, y, &rx, &rs);
        int64_t xs = (lx + 0xFFFF) >> 16, xe = (rx + 0xFFFF) >> 16;
        if (xs < 0) xs = 0;
        if (xe > width) xe = width;
        if (xs < xe) {
            int64_t az = zrow + gx[A_DEPTH] * xs, ai = irow + gx[A_0] * xs;
            int32_t len = (int32_t)(xe - xs), at = offsets[y] + (int32_t)xs;
            uint32_t z = (uint32_t)(az >> 16), dz = (uint32_t)(gx[A_DEPTH] >> 16);
            uint32_t i = (uint32_t)(ai >> 16), di = (uint32_t)(gx[A_0] >> 16);
            // Most of a small triangle's spans are one or two pixels: with the length known the
            // range test and the pixel loop shrink to a few instructions.
            if (len == 1 && SpanInRange<TYPE>(0, 1, az, gx[A_DEPTH], ai, gx[A_0])) {
                ShortDepthSpan<kind>(screen + at, zbuffer + at, 1, z, dz, i, di, lut, colour);
            } else if (len == 2 && SpanInRange<TYPE>(0, 2, az, gx[A_DEPTH], ai, gx[A_0])) {
                ShortDepthSpan<kind>(screen + at, zbuffer + at, 2, z, dz, i, di, lut, colour);
            } else if (len > 2 && SpanInRange<TYPE>(0, len, az, gx[A_DEPTH], ai, gx[A_0])) {
                FastDepthSpan<kind>(screen + at, zbuffer + at, len, z, dz, i, di, lut, colour);
            } else {
                int64_t a[A_COUNT] = {az, ai, 0, 0, 0};
                SpanClamped<TYPE, true>(f, y, (int32_t)xs, (int32_t)xe, a, gx);
            }
        }
        zrow += zstep;
        irow += istep;
        lx += ls;
        rx += rs;
    }
}

typedef void (*WalkFunc)(const Fill *, dddVertex **, int32_t, const Box *, int32_t, int32_t,
                         const Plane *);

static WalkFunc WalkFor(int32_t type, bool depth) {
#define DDD_WALK(T) return depth ? Walk<T, true> : Walk<T, false>
    switch (type) {
    case SP_FLAT:
        DDD_WALK(SP_FLAT);
    case SP_GOUR:
        DDD_WALK(SP_GOUR);
    case SP_LUT:
        DDD_WALK(SP_LUT);
    case SP_MESH:
        DDD_WALK(SP_MESH);
    case SP_MESH_LUT:
        DDD_WALK(SP_MESH_LUT);
    case SP_TEX:
        DDD_WALK(SP_TEX);
    case SP_TEX_ROW:
        DDD_WALK(SP_TEX_ROW);
    case SP_TEX_GOUR:
        DDD_WALK(SP_TEX_GOUR);
    case SP_PTEX:
        DDD_WALK(SP_PTEX);
    case SP_PTEX_ROW:
        DDD_WALK(SP_PTEX_ROW);
    default:
        DDD_WALK(SP_ZONLY);
    }
#undef DDD_WALK
}

static void Raster(const Fill *f, dddVertex **ring, int32_t n, const Box *box, bool depth) {
    int32_t y0 = box->miny < 0 ? 0 : box->miny;
    int32_t y1 = box->maxy > dddscreen_depth ? dddscreen_depth : box->maxy;
    if (y0 >= y1) return;
    Plane pl;
    bool small = box->minx >= -DDD_SMALL_COORD && box->maxx <= DDD_SMALL_COORD &&
                 box->miny >= -DDD_SMALL_COORD && box->maxy <= DDD_SMALL_COORD &&
                 dddscreen_width <= DDD_SMALL_COORD && dddscreen_depth <= DDD_SMALL_COORD;
    // Corners this far out come only from damaged data: such a ring is not drawn.
    if (!small && (box->maxx > DDD_FAR_COORD || box->minx < -DDD_FAR_COORD ||
                   box->maxy > DDD_FAR_COORD || box->miny < -DDD_FAR_COORD))
        return;
    if (n == 3 && depth && small &&
        (f->type == SP_FLAT || f->type == SP_GOUR || f->type == SP_ZONLY)) {
        if (!(f->type == SP_GOUR ? TrianglePlanes<true>(ring, &pl)
                                 : TrianglePlanes<false>(ring, &pl)))
            return;
        dddZBDirtyRows(y0, y1);
        switch (f->type) {
        case SP_FLAT:
            return WalkTriangle<SP_FLAT>(f, ring, box, y0, y1, &pl);
        case SP_GOUR:
            return WalkTriangle<SP_GOUR>(f, ring, box, y0, y1, &pl);
        default:
            return WalkTriangle<SP_ZONLY>(f, ring, box, y0, y1, &pl);
        }
    }
    if (!Planes(f, ring, n, box, &pl)) return;
    if (depth) dddZBDirtyRows(y0, y1);
    if (n == 3 && depth) {
        switch (f->type) {
        case SP_FLAT:
            return WalkTriangle<SP_FLAT>(f, ring, box, y0, y1, &pl);
        case SP_GOUR:
            return WalkTriangle<SP_GOUR>(f, ring, box, y0, y1, &pl);
        case SP_ZONLY:
            return WalkTriangle<SP_ZONLY>(f, ring, box, y0, y1, &pl);
        }
    }
    WalkFor(f->type, depth)(f, ring, n, box, y0, y1, &pl);
}

// ---- near clipping ----

static void ProjectNear(dddVertex *v) {
    v->col = dddScreenCoord(((int64_t)(v->x >> 8) * x_ratio) / (DDD_NEAR << 8), dddscreen_mid_x);
    v->row = dddScreenCoord(((int64_t)(v->y >> 8) * y_ratio) / (DDD_NEAR << 8), dddscreen_mid_y);
    v->depth = 0x7FFFFFFF;
}

static int32_t NearClip(dddVertex **in, int32_t n, dddVertex **out) {
    const int32_t zn = DDD_NEAR << 16;
    int32_t m = 0, pool = 0;
    for (int32_t i = 0; i < n; i++) {
        dddVertex *a = in[i], *b = in[(i + 1) % n];
        bool ain = a->z >= zn, bin = b->z >= zn;
        if (ain) out[m++] = a;
        if (ain != bin && m < 2 * DDD_MAX_RING + 4) {
            int64_t t = (((int64_t)zn - a->z) << 16) / ((int64_t)b->z - a->z);
            dddVertex *c = &clip_pool[pool++];
            c->x = (int32_t)(a->x + ((((int64_t)b->x - a->x) * t) >> 16));
            c->y = (int32_t)(a->y + ((((int64_t)b->y - a->y) * t) >> 16));
            c->z = zn;
            for (int32_t k = 0; k < 7; k++)
                c->attr[k] =
                    (int32_t)(a->attr[k] + ((((int64_t)b->attr[k] - a->attr[k]) * t) >> 16));
            c->model = nullptr;
            ProjectNear(c);
            out[m++] = c;
        }
        if (m >= 2 * DDD_MAX_RING + 4) break;
    }
    return m;
}

// ---- shading choice ----

enum { L_NONE, L_FLAT, L_GOUR };

// Chooses the span and prepares the ring's attributes; 0 when nothing can be drawn.
static int32_t Shade(int32_t kind, int32_t colour, dddVertex **ring, int32_t n,
                     const int16_t *normal, Fill *f) {
    int32_t mode = ddd_mode;
    int32_t light = (mode & 32) ? L_FLAT : (mode & 64) ? L_GOUR : L_NONE;
    const uint8_t *shade = dddShade();
    f->colour = (uint8_t)colour;
    f->lut = nullptr;
    f->tex = ddd_texture;
    f->nattr = 0;
    if (ddd_zonly) {
        f->type = SP_ZONLY;
        return 1;
    }
    if (kind == DDDK_SPRITE) light = L_NONE; // a screen-aligned sprite has no normal
    switch (kind) {
    case DDDK_PLAIN:
    case DDDK_MESH: {
        bool mesh = kind == DDDK_MESH;
        if (light == L_NONE) {
            f->type = mesh ? SP_MESH : SP_FLAT;
        } else if (light == L_FLAT) {
            f->colour = shade[dddFaceIntensity(normal, ring, n) * 256 + (colour & 255)];
            f->type = mesh ? SP_MESH : SP_FLAT;
        } else {
            dddLightRing(ring, n, DDD_HALF);
            f->type = mesh ? SP_MESH_LUT : SP_GOUR;
            f->lut = shade + (colour & 255);
            f->nattr = 1;
        }
        return 1;
    }
    case DDDK_SHADES:
        f->type = SP_LUT;
        f->nattr = 1;
        f->lut = light == L_NONE ? ddd_identity : shade + dddFaceIntensity(normal, ring, n) * 256;
        return 1;
    case DDDK_TEXTURE:
    case DDDK_SPRITE:
    case DDDK_ENV: {
        if (!f->tex) return 0;
        bool persp = kind == DDDK_ENV;
        if (kind == DDDK_TEXTURE)
            for (int32_t i = 0; i < n; i++)
                if (ring[i]->z < DDD_PERSPECTIVE_NEAR) persp = true;
        if (kind == DDDK_ENV && ddd_wmat) {
            for (int32_t i = 0; i < n; i++) {
                ptrdiff_t vi = ring[i] - ddd_vcache;
                const int16_t *pn = (vi >= 0 && vi < ddd_vcache_size && ddd_pnormals)
                                        ? ddd_pnormals + 4 * vi
                                        : nullptr;
                int64_t un = 0, vn = 0;
                if (pn) {
                    const int32_t *m = ddd_wmat;
                    un = (int64_t)pn[0] * m[0] + (int64_t)pn[1] * m[1] + (int64_t)pn[2] * m[2];
                    vn = (int64_t)pn[0] * m[3] + (int64_t)pn[1] * m[4] + (int64_t)pn[2] * m[5];
                }
                ring[i]->attr[1] = (int32_t)(((un >> 1) + 0x800000) & 0xFF0000);
                ring[i]->attr[2] = (int32_t)(((vn >> 1) + 0x800000) & 0xFF0000);
            }
        }
        if (persp) {
            f->type = light == L_NONE ? SP_PTEX : SP_PTEX_ROW;
            if (light != L_NONE) f->lut = shade + dddFaceIntensity(normal, ring, n) * 256;
            f->nattr = 4;
            return 1;
        }
        if (light == L_NONE) {
            f->type = SP_TEX;
        } else if (light == L_FLAT) {
            f->type = SP_TEX_ROW;
            f->lut = shade + dddFaceIntensity(normal, ring, n) * 256;
        } else {
            dddLightRing(ring, n, DDD_HALF);
            f->type = SP_TEX_GOUR;
            f->lut = shade;
        }
        f->nattr = 3;
        return 1;
    }
    }
    return 0;
}

// Shade, with the program's Gouraud method's plain rings chosen here without the call.
static inline int32_t ShadeRing(int32_t kind, int32_t colour, dddVertex **ring, int32_t n,
                                const int16_t *normal, Fill *f) {
    if (kind != DDDK_PLAIN || ddd_zonly || (ddd_mode & (32 | 64)) != 64)
        return Shade(kind, colour, ring, n, normal, f);
    dddLightRing(ring, n, DDD_HALF);
    f->type = SP_GOUR;
    f->colour = (uint8_t)colour;
    f->lut = dddShade() + (colour & 255);
    f->tex = ddd_texture;
    f->nattr = 1;
    return 1;
}

static void Outline(dddVertex **ring, int32_t n) {
    for (int32_t i = 0; i < n; i++)
        DDDDRAWZCLIPLINE(ddd_line_colour, ring[i], ring[(i + 1) % n]);
}

#ifdef DDD_X86_SIMD
// Whether every depth of rows [y0, y1) between columns x0 and x1 is at least need, eight at a time
// (need minus a value saturates to 0 only where the value is not below). A row's last group ends
// at x1, overlapping the one before; a row narrower than eight is one group within the screen,
// with only its own columns looked at. The screen is at least eight wide.
static bool HiddenRowsSse2(const uint16_t *zb, const int32_t *rows, int32_t x0, int32_t x1,
                           int32_t y0, int32_t y1, uint32_t need) {
    const __m128i want = _mm_set1_epi16((int16_t)need), zero = _mm_setzero_si128();
    auto covered = [&](const uint16_t *at) {
        __m128i short_of = _mm_subs_epu16(want, _mm_loadu_si128((const __m128i *)at));
        return (uint32_t)_mm_movemask_epi8(_mm_cmpeq_epi16(short_of, zero));
    };
    int32_t w = x1 - x0 + 1;
    if (w < 8) {
        int32_t s = x0 + 8 <= dddscreen_width ? x0 : dddscreen_width - 8;
        uint32_t mine = ((1u << (2 * w)) - 1) << (2 * (x0 - s));
        for (int32_t y = y0; y < y1; y++)
            if ((covered(zb + rows[y] + s) & mine) != mine) return false;
        return true;
    }
    for (int32_t y = y0; y < y1; y++) {
        const uint16_t *z = zb + rows[y];
        for (int32_t x = x0; x + 8 <= x1; x += 8)
            if (covered(z + x) != 0xFFFF) return false;
        if (covered(z + x1 - 7) != 0xFFFF) return false;
    }
    return true;
}
#endif

// A polygon is hidden when every pixel of its box already holds something nearer than its
// nearest corner: drawing it would change nothing. Its spans stay within the box, and a unit of
// slack in depth covers the rounding of the interpolation between corners.
static bool Hidden(dddVertex **r, int32_t m, const Box *box) {
    uint32_t nearest = 0;
    for (int32_t i = 0; i < m; i++)
        if (r[i]->depth > nearest) nearest = r[i]->depth;
    uint32_t need = (nearest >> 16) + 2;
    if (need > 0xFFFF) return false;
    const uint16_t *const zb = dddzbufferptr;
    const int32_t *const rows = dddscreenmultabptr;
    // A corner that shows is the likeliest pixel to say so, and the cheapest to look at.
    for (int32_t i = 0; i < m; i++) {
        int32_t x = r[i]->col, y = r[i]->row;
        if ((uint32_t)x < (uint32_t)dddscreen_width && (uint32_t)y < (uint32_t)dddscreen_depth &&
            y < box->maxy && zb[rows[y] + x] < need)
            return false;
    }
    int32_t x0 = box->minx < 0 ? 0 : box->minx;
    int32_t x1 = box->maxx >= dddscreen_width ? dddscreen_width - 1 : box->maxx;
    int32_t y0 = box->miny < 0 ? 0 : box->miny;
    int32_t y1 = box->maxy > dddscreen_depth ? dddscreen_depth : box->maxy;
    if (x0 > x1 || y0 >= y1) return false;
#ifdef DDD_X86_SIMD
    if (ddd_simd >= DDD_SIMD_SSE2 && dddscreen_width >= 8)
        return HiddenRowsSse2(zb, rows, x0, x1, y0, y1, need);
#endif
    for (int32_t y = y0; y < y1; y++) {
        const uint16_t *z = zb + rows[y];
        for (int32_t x = x0; x <= x1; x++)
            if (z[x] < need) return false;
    }
    return true;
}

// The ring's box; its top is the first vertex of the top row.
static void RingBox(dddVertex **r, int32_t m, Box *box) {
    *box = {r[0]->col, r[0]->col, r[0]->row, r[0]->row, 0};
    for (int32_t i = 1; i < m; i++) {
        if (r[i]->col < box->minx) box->minx = r[i]->col;
        if (r[i]->col > box->maxx) box->maxx = r[i]->col;
        if (r[i]->row < box->miny) box->miny = r[i]->row, box->top = i;
        if (r[i]->row > box->maxy) box->maxy = r[i]->row;
    }
}

// RingBox for the commonest ring, without the loop.
static inline void TriangleBox(dddVertex **r, Box *box) {
    int32_t c0 = r[0]->col, c1 = r[1]->col, c2 = r[2]->col;
    int32_t r0 = r[0]->row, r1 = r[1]->row, r2 = r[2]->row;
    int32_t lo01 = c1 < c0 ? c1 : c0, hi01 = c1 > c0 ? c1 : c0;
    box->minx = c2 < lo01 ? c2 : lo01;
    box->maxx = c2 > hi01 ? c2 : hi01;
    int32_t top = r1 < r0 ? 1 : 0, miny = r1 < r0 ? r1 : r0, maxy = r1 > r0 ? r1 : r0;
    if (r2 < miny) top = 2, miny = r2;
    box->miny = miny;
    box->maxy = r2 > maxy ? r2 : maxy;
    box->top = top;
}

static int64_t Facing(dddVertex **r) {
    return (int64_t)(r[1]->col - r[0]->col) * (r[2]->row - r[0]->row) -
           (int64_t)(r[2]->col - r[0]->col) * (r[1]->row - r[0]->row);
}

void dddDrawRing(int32_t kind, int32_t colour, dddVertex **ring, int32_t n, int32_t near_count,
                 const int16_t *normal) {
    if (n < 3 || n >= DDD_MAX_RING || near_count >= n || !dddscreenptr) return;
    dddVertex *clipped[2 * DDD_MAX_RING + 8];
    dddVertex **r = ring;
    int32_t m = n;
    Fill f;
    int32_t shaded = 0;
    if (near_count) {
        if (!ddd_line_on) {
            shaded = Shade(kind, colour, ring, n, normal, &f);
            if (!shaded) return;
        }
        m = NearClip(ring, n, clipped);
        r = clipped;
    }
    if (m < 3 || m >= DDD_MAX_RING) return;
    int64_t facing = Facing(r);
    if (ddd_line_on && !ddd_zonly) {
        if (facing >= 0) Outline(ring, n);
        return;
    }
    if (facing <= 0) return;
    Box box;
    if (m == 3)
        TriangleBox(r, &box);
    else
        RingBox(r, m, &box);
    if (box.maxx < 0 || box.minx > dddscreen_width || box.maxy < 0 || box.miny > dddscreen_depth)
        return;
    bool depth = ddd_zbuffer_on && dddzbufferptr;
    if (depth && ddd_skip_hidden && Hidden(r, m, &box)) return;
    if (!shaded) {
        shaded = ShadeRing(kind, colour, r, m, normal, &f);
        if (!shaded) return;
    }
    Raster(&f, r, m, &box, depth);
    if (f.type == SP_TEX || f.type == SP_TEX_ROW || f.type == SP_TEX_GOUR)
        dddglobal_tpoly_count++;
    else if (f.type == SP_PTEX || f.type == SP_PTEX_ROW)
        dddglobal_ppoly_count++;
    else if (f.nattr)
        dddglobal_gpoly_count++;
    else
        dddglobal_npoly_count++;
}
