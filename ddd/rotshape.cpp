// rotshape.cpp -- drawing one shape: level choice, its command stream, points and polygons
#include "ddd/ddd_local.h"

#include <string.h>
#if defined(__SSE2__) && defined(__x86_64__) && !defined(DDD_PORTABLE)
#define DDD_X86_SIMD 1
#include <immintrin.h>
#endif

dddVertex *ddd_vcache;
uint8_t *ddd_litbits;
int32_t *ddd_accum;
int32_t ddd_vcache_size;
dddObject *ddd_current;
const int16_t *ddd_pnormals;

#define MAX_STEPS (1 << 20) // commands run for one object: a looping file stops here
#define MAX_CALLS 16

int32_t dddGrowPointBuffers(int32_t points) {
    if (points <= ddd_vcache_size) return 0;
    dddVertex *v = (dddVertex *)dddLinkedMemAlloc((uint32_t)points * sizeof(dddVertex));
    uint8_t *bits = (uint8_t *)dddLinkedMemAlloc((uint32_t)points / 8 + 1);
    int32_t *acc = (int32_t *)dddLinkedMemAlloc((uint32_t)points * 16);
    if (!v || !bits || !acc) {
        DDDLINKEDMEMFREE(v);
        DDDLINKEDMEMFREE(bits);
        DDDLINKEDMEMFREE(acc);
        return -1;
    }
    memset(v, 0, (size_t)points * sizeof(dddVertex));
    memset(bits, 0, (size_t)points / 8 + 1);
    DDDLINKEDMEMFREE(ddd_vcache);
    DDDLINKEDMEMFREE(ddd_litbits);
    DDDLINKEDMEMFREE(ddd_accum);
    ddd_vcache = v;
    ddd_litbits = bits;
    ddd_accum = acc;
    ddd_vcache_size = points;
    return 0;
}

void dddFreePointBuffers(void) {
    // The blocks themselves went with their memory area.
    ddd_vcache = nullptr;
    ddd_litbits = nullptr;
    ddd_accum = nullptr;
    ddd_vcache_size = 0;
}

static int32_t Condition(int32_t t, int32_t cond, int32_t v) {
    switch (cond) {
    case 0:
        return (t & v) != 0;
    case 1:
        return t == v;
    case 2:
        return t > v;
    case 3:
        return t < v;
    case 4:
        return t >= v;
    case 5:
        return t <= v;
    default:
        return t != v;
    }
}

// The triangle A, B, C faces the viewer (its normal points away from the eye).
static int32_t FacesViewer(const dddVertex *a, const dddVertex *b, const dddVertex *c) {
    __int128 ux = (int64_t)b->x - a->x, uy = (int64_t)b->y - a->y, uz = (int64_t)b->z - a->z;
    __int128 vx = (int64_t)c->x - a->x, vy = (int64_t)c->y - a->y, vz = (int64_t)c->z - a->z;
    __int128 nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    return nx * a->x + ny * a->y + nz * a->z > 0;
}

static const uint8_t builtin_patterns[6][8] = {{0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA},
                                               {0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC},
                                               {0x0F, 0x0F, 0x0F, 0x0F, 0xF0, 0xF0, 0xF0, 0xF0},
                                               {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00},
                                               {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55},
                                               {0xC1, 0xBE, 0x6B, 0x6B, 0x7F, 0x5D, 0x63, 0xBE}};
static uint8_t rotating_pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};

static void SelectPattern(const int32_t *op) {
    uint8_t bytes[8];
    memcpy(bytes, op + 1, 8);
    int32_t number = op[1];
    if (op[0] == 0) {
        memcpy(ddd_pattern, bytes, 8);
    } else if (op[0] == 1) {
        memcpy(ddd_pattern, builtin_patterns[(number >= 1 && number <= 6) ? number - 1 : 0], 8);
    } else if (number == 1) {
        uint32_t r = (((uint32_t)dddRnd() << 16) | (uint32_t)dddRnd()) & 0x55AA55AAu;
        for (int32_t i = 0; i < 8; i++)
            ddd_pattern[i] = (uint8_t)(r >> (8 * (i & 3)));
    } else if (number == 2) {
        for (int32_t i = 0; i < 8; i++) {
            uint8_t b = rotating_pattern[i];
            rotating_pattern[i] = (uint8_t)((b >> 1) | (b << 7));
        }
        memcpy(ddd_pattern, rotating_pattern, 8);
    } else {
        memcpy(ddd_pattern, builtin_patterns[0], 8);
    }
}

typedef struct Walk {
    const dddShapeInfo *info;
    const dddLevel *level;
    int32_t centre[3];
    int32_t shift;
    int32_t shades[256], nshades;
    int32_t uv[256][2], nuv;
    const uint8_t *uv_texture;
    int32_t corner[4][2];
    const uint8_t *sprite_texture;
    uint32_t polys;
} Walk;

// The camera-space coordinate of a model point: row k of the model-to-camera matrix times p,
// scaled down by shift, plus the shape's centre. The result keeps the low 32 bits; with no
// scaling those come from 32-bit products and sums alone.
template <bool SCALED>
static inline int32_t PointCoord(const int64_t *m, const int32_t *p, int32_t shift, int32_t c) {
    if (!SCALED)
        return (int32_t)((uint32_t)m[0] * (uint32_t)p[0] + (uint32_t)m[1] * (uint32_t)p[1] +
                         (uint32_t)m[2] * (uint32_t)p[2] + (uint32_t)c);
    return (int32_t)(((m[0] * p[0] + m[1] * p[1] + m[2] * p[2]) >> shift) + c);
}

#ifdef DDD_X86_SIMD
// Unscaled points four at a time, as PointsLoop<BOUND, false> does them one by one: the
// transform in 32-bit lanes, the divisions in double lanes (exact, as dddDivTrunc), and the
// screen clamp before the conversion back. A group with a point nearer than DDD_NEAR, whose
// screen values are left as they were, is left to the loop; returns how many points were done.
// One camera-space coordinate of four points: PointCoord<false> in 32-bit lanes.
__attribute__((target("avx2"))) static inline __m128i RowAvx2(const __m128i *r, __m128i px,
                                                              __m128i py, __m128i pz, __m128i c) {
    return _mm_add_epi32(_mm_add_epi32(_mm_mullo_epi32(r[0], px), _mm_mullo_epi32(r[1], py)),
                         _mm_add_epi32(_mm_mullo_epi32(r[2], pz), c));
}

template <bool BOUND>
__attribute__((target("avx2"))) static int32_t
PointsAvx2(const int32_t *p, dddVertex *v, int32_t count, const int64_t *m, const int32_t *centre,
           int32_t xr, int32_t yr, int32_t mx, int32_t my, int32_t *box) {
    const __m128i stride = _mm_setr_epi32(0, 3, 6, 9), near = _mm_set1_epi32((DDD_NEAR << 16) - 1);
    __m128i mm[9];
    for (int32_t k = 0; k < 9; k++)
        mm[k] = _mm_set1_epi32((int32_t)m[k]);
    const __m128i cx = _mm_set1_epi32(centre[0]), cy = _mm_set1_epi32(centre[1]),
                  cz = _mm_set1_epi32(centre[2]);
    const __m256d xrd = _mm256_set1_pd(xr), yrd = _mm256_set1_pd(yr), mxd = _mm256_set1_pd(mx),
                  myd = _mm256_set1_pd(my), top = _mm256_set1_pd(DDD_FAR_COORD + 1),
                  bottom = _mm256_set1_pd(-DDD_FAR_COORD - 1),
                  depth_one = _mm256_set1_pd((double)((1ll << 52) - 1));
    __m128i minc = _mm_set1_epi32(box[0]), maxc = _mm_set1_epi32(box[1]),
            minr = _mm_set1_epi32(box[2]), maxr = _mm_set1_epi32(box[3]),
            zmin = _mm_set1_epi32(box[4]);
    const int32_t round = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
    int32_t i = 0;
    for (; i + 4 <= count; i += 4, p += 12, v += 4) {
        __m128i px = _mm_i32gather_epi32(p, stride, 4), py = _mm_i32gather_epi32(p + 1, stride, 4),
                pz = _mm_i32gather_epi32(p + 2, stride, 4);
        __m128i x = RowAvx2(mm, px, py, pz, cx), y = RowAvx2(mm + 3, px, py, pz, cy),
                z = RowAvx2(mm + 6, px, py, pz, cz);
        if (_mm_movemask_epi8(_mm_cmpgt_epi32(near, z))) break;
        __m256d zd = _mm256_cvtepi32_pd(_mm_srai_epi32(z, 8));
        __m256d qx =
            _mm256_div_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm_srai_epi32(x, 8)), xrd), zd);
        __m256d qy =
            _mm256_div_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm_srai_epi32(y, 8)), yrd), zd);
        qx = _mm256_add_pd(_mm256_round_pd(qx, round), mxd);
        qy = _mm256_add_pd(_mm256_round_pd(qy, round), myd);
        __m128i col = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(qx, bottom), top));
        __m128i rw = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(qy, bottom), top));
        __m128i depth = _mm256_cvttpd_epi32(_mm256_div_pd(depth_one, _mm256_cvtepi32_pd(z)));
        // x y z row, then col depth, for each of the four.
        __m128i xy0 = _mm_unpacklo_epi32(x, y), xy1 = _mm_unpackhi_epi32(x, y);
        __m128i zr0 = _mm_unpacklo_epi32(z, rw), zr1 = _mm_unpackhi_epi32(z, rw);
        __m128i cd0 = _mm_unpacklo_epi32(col, depth), cd1 = _mm_unpackhi_epi32(col, depth);
        _mm_storeu_si128((__m128i *)&v[0].x, _mm_unpacklo_epi64(xy0, zr0));
        _mm_storel_epi64((__m128i *)&v[0].col, cd0);
        _mm_storeu_si128((__m128i *)&v[1].x, _mm_unpackhi_epi64(xy0, zr0));
        _mm_storel_epi64((__m128i *)&v[1].col, _mm_unpackhi_epi64(cd0, cd0));
        _mm_storeu_si128((__m128i *)&v[2].x, _mm_unpacklo_epi64(xy1, zr1));
        _mm_storel_epi64((__m128i *)&v[2].col, cd1);
        _mm_storeu_si128((__m128i *)&v[3].x, _mm_unpackhi_epi64(xy1, zr1));
        _mm_storel_epi64((__m128i *)&v[3].col, _mm_unpackhi_epi64(cd1, cd1));
        v[0].model = p, v[1].model = p + 3, v[2].model = p + 6, v[3].model = p + 9;
        if (BOUND) {
            minc = _mm_min_epi32(minc, col), maxc = _mm_max_epi32(maxc, col);
            minr = _mm_min_epi32(minr, rw), maxr = _mm_max_epi32(maxr, rw);
            zmin = _mm_min_epi32(zmin, z);
        }
    }
    if (BOUND) {
        alignas(16) int32_t lanes[5][4];
        _mm_store_si128((__m128i *)lanes[0], minc), _mm_store_si128((__m128i *)lanes[1], maxc);
        _mm_store_si128((__m128i *)lanes[2], minr), _mm_store_si128((__m128i *)lanes[3], maxr);
        _mm_store_si128((__m128i *)lanes[4], zmin);
        for (int32_t k = 0; k < 4; k++) {
            box[0] = lanes[0][k] < box[0] ? lanes[0][k] : box[0];
            box[1] = lanes[1][k] > box[1] ? lanes[1][k] : box[1];
            box[2] = lanes[2][k] < box[2] ? lanes[2][k] : box[2];
            box[3] = lanes[3][k] > box[3] ? lanes[3][k] : box[3];
            box[4] = lanes[4][k] < box[4] ? lanes[4][k] : box[4];
        }
    }
    return i;
}
#endif

// Widens a bounding box (minc, maxc, minr, maxr, zmin) to take in a projected point.
static inline void WidenBox(int32_t *box, int32_t col, int32_t row, int32_t z) {
    box[0] = col < box[0] ? col : box[0];
    box[1] = col > box[1] ? col : box[1];
    box[2] = row < box[2] ? row : box[2];
    box[3] = row > box[3] ? row : box[3];
    box[4] = z < box[4] ? z : box[4];
}

template <bool BOUND, bool SCALED>
static void PointsLoop(Walk *w, const int32_t *op, dddBounds *b) {
    // Vertex stores may alias anything: the matrix and the screen are read into locals once.
    int64_t m[9];
    for (int32_t k = 0; k < 9; k++)
        m[k] = ddd_m2c[k];
    const int32_t shift = w->shift, cx = w->centre[0], cy = w->centre[1], cz = w->centre[2];
    const int32_t xr = x_ratio, yr = y_ratio, mx = dddscreen_mid_x, my = dddscreen_mid_y;
    int32_t first = op[0], count = op[1];
    const int32_t *p = op + 2;
    dddVertex *v = &ddd_vcache[first];
    int32_t box[5] = {0, 0, 0, 0, 0};
    if (BOUND)
        box[0] = b->minc, box[1] = b->maxc, box[2] = b->minr, box[3] = b->maxr, box[4] = b->zmin;
    // One point: into camera space, onto the screen and, with BOUND, into the box.
    auto point = [&](dddVertex * v, const int32_t *p, int32_t *into)
        __attribute__((always_inline)) {
        v->x = PointCoord<SCALED>(m, p, shift, cx);
        v->y = PointCoord<SCALED>(m + 3, p, shift, cy);
        v->z = PointCoord<SCALED>(m + 6, p, shift, cz);
        v->model = p;
        dddProjectWith(v, xr, yr, mx, my);
        if (BOUND) WidenBox(into, v->col, v->row, v->z);
    };
    int32_t i = 0;
#ifdef DDD_X86_SIMD
    if (!SCALED && ddd_simd == DDD_SIMD_AVX2 && xr < DDD_EXACT_RATIO && xr > -DDD_EXACT_RATIO &&
        yr < DDD_EXACT_RATIO && yr > -DDD_EXACT_RATIO) {
        // The vector code's own copy of the box: the scalar loop's never leaves this function.
        int32_t wide[5] = {box[0], box[1], box[2], box[3], box[4]};
        // A group that stops the vector loop (a near point) is done here, and the loop goes on.
        while (i + 4 <= count) {
            int32_t done = PointsAvx2<BOUND>(p, v, count - i, m, w->centre, xr, yr, mx, my, wide);
            i += done, p += 3 * done, v += done;
            for (int32_t k = 0; k < 4 && i < count; k++, i++, p += 3, v++)
                point(v, p, wide);
        }
        for (int32_t k = 0; k < 5; k++)
            box[k] = wide[k];
    }
#endif
    for (; i < count; i++, p += 3, v++)
        point(v, p, box);
    if (BOUND)
        b->minc = box[0], b->maxc = box[1], b->minr = box[2], b->maxr = box[3], b->zmin = box[4];
}

// Transforms and projects a points command's points; with BOUND, also widens *b to take them in.
template <bool BOUND> static void PointsWith(Walk *w, const int32_t *op, dddBounds *b) {
    if (w->shift)
        PointsLoop<BOUND, true>(w, op, b);
    else
        PointsLoop<BOUND, false>(w, op, b);
}

static void Points(Walk *w, const int32_t *op) {
    PointsWith<false>(w, op, nullptr);
}

static void ShapePolygon(Walk *w, int32_t kind, int32_t colour, int32_t nidx, const int32_t *refs,
                         int32_t n) {
    if (n < 3 || n >= DDD_MAX_RING) return;
    dddVertex *ring[DDD_MAX_RING];
    int32_t near = 0;
    for (int32_t i = 0; i < n; i++) {
        dddVertex *v = &ddd_vcache[refs[i]];
        ring[i] = v;
        if (v->z < (DDD_NEAR << 16)) near++;
        if (kind == DDDK_SHADES)
            v->attr[0] = (i < w->nshades ? (w->shades[i] & 255) << 16 : 0) + 0x8000;
        if (kind == DDDK_TEXTURE) {
            v->attr[1] = i < w->nuv ? w->uv[i][0] << 16 : 0;
            v->attr[2] = i < w->nuv ? w->uv[i][1] << 16 : 0;
        }
    }
    if (near == n) return;
    if (kind == DDDK_TEXTURE) ddd_texture = w->uv_texture;
    const int16_t *normal = nidx >= 0 ? w->level->normals + 4 * nidx : nullptr;
    dddDrawRing(kind, colour, ring, n, near, normal);
    w->polys++;
}

static void Sprite(Walk *w, const int32_t *op) {
    const dddVertex *c = &ddd_vcache[op[0]];
    if (c->z < (DDD_NEAR << 16)) return;
    int32_t zi = c->z >> 16;
    int64_t hw = (int64_t)op[1] * x_ratio / zi, hh = (int64_t)op[2] * y_ratio / zi;
    static dddVertex quad[4];
    static const int32_t sx[4] = {-1, 1, 1, -1}, sy[4] = {-1, -1, 1, 1};
    dddVertex *ring[4];
    for (int32_t i = 0; i < 4; i++) {
        quad[i] = *c;
        quad[i].col = dddScreenCoord(sx[i] * hw, c->col);
        quad[i].row = dddScreenCoord(sy[i] * hh, c->row);
        quad[i].attr[1] = w->corner[i][0] << 16;
        quad[i].attr[2] = w->corner[i][1] << 16;
        ring[i] = &quad[i];
    }
    ddd_texture = w->sprite_texture;
    dddDrawRing(DDDK_SPRITE, 0, ring, 4, 0, nullptr);
    w->polys++;
}

static void LitLine(Walk *w, const int32_t *op) {
    int32_t colour = op[0];
    if (ddd_mode & (32 | 64)) {
        dddVertex *tri[3] = {&ddd_vcache[op[2]], &ddd_vcache[op[3]], &ddd_vcache[op[4]]};
        int32_t i = dddFaceIntensity(w->level->normals + 4 * op[1], tri, 3);
        colour = dddShade()[i * 256 + (colour & 255)];
    }
    DDDDRAWZCLIPLINE(colour, &ddd_vcache[op[2]], &ddd_vcache[op[3]]);
}

static const uint8_t *Texture(const Walk *w, int32_t index) {
    return (index >= 0 && index < w->info->ntextures) ? w->info->textures[index] : nullptr;
}

static void Run(Walk *w, int32_t pc) {
    const int32_t *code = w->level->code;
    int32_t words = w->level->words;
    int32_t sp = 0, stack[MAX_CALLS];
    int32_t flags = (int32_t)ddd_current->param1;
    for (int32_t steps = 0; steps < MAX_STEPS && pc >= 0 && pc < words; steps++) {
        const int32_t *op = code + pc + 1;
        switch (code[pc]) {
        case DDDC_RET:
            if (sp == 0) return;
            pc = stack[--sp];
            continue;
        case DDDC_END:
            return;
        case DDDC_POINTS:
            Points(w, op);
            pc += 3 + 3 * op[1];
            continue;
        case DDDC_POLY:
            ShapePolygon(w, DDDK_PLAIN, op[1], op[2], op + 3, op[0]);
            pc += 4 + op[0];
            continue;
        case DDDC_MESH:
            ShapePolygon(w, DDDK_MESH, op[1], op[2], op + 3, op[0]);
            pc += 4 + op[0];
            continue;
        case DDDC_SHADES:
            w->nshades = op[0];
            memcpy(w->shades, op + 1, (size_t)op[0] * 4);
            pc += 2 + op[0];
            continue;
        case DDDC_SHADEPOLY:
            ShapePolygon(w, DDDK_SHADES, 0, op[1], op + 2, op[0]);
            pc += 3 + op[0];
            continue;
        case DDDC_UV:
            w->uv_texture = Texture(w, op[0]);
            w->nuv = op[1];
            memcpy(w->uv, op + 2, (size_t)op[1] * 8);
            pc += 3 + 2 * op[1];
            continue;
        case DDDC_TEXPOLY:
            ShapePolygon(w, DDDK_TEXTURE, 0, op[1], op + 2, op[0]);
            pc += 3 + op[0];
            continue;
        case DDDC_ENVPOLY:
            ddd_texture = w->uv_texture;
            ShapePolygon(w, DDDK_ENV, 0, op[1], op + 2, op[0]);
            pc += 3 + op[0];
            continue;
        case DDDC_JUMP:
            pc = op[0];
            continue;
        case DDDC_CALL:
            if (sp < MAX_CALLS) {
                stack[sp++] = pc + 2;
                pc = op[0];
            } else {
                pc += 2;
            }
            continue;
        case DDDC_IFFLAGS:
            pc += Condition(flags, op[0], op[1]) ? 3 : 5;
            continue;
        case DDDC_IFDEPTH:
            pc += Condition(w->centre[2] >> 16, op[0], op[1]) ? 3 : 5;
            continue;
        case DDDC_IFFACING:
            pc += FacesViewer(&ddd_vcache[op[0]], &ddd_vcache[op[1]], &ddd_vcache[op[2]]) ? 4 : 6;
            continue;
        case DDDC_LINE:
            if (!ddd_zonly) DDDDRAWZCLIPLINE(op[0], &ddd_vcache[op[1]], &ddd_vcache[op[2]]);
            pc += 4;
            continue;
        case DDDC_LITLINE:
            if (!ddd_zonly) LitLine(w, op);
            pc += 6;
            continue;
        case DDDC_SPRITEUV:
            w->sprite_texture = Texture(w, op[0]);
            memcpy(w->corner, op + 1, 32);
            pc += 10;
            continue;
        case DDDC_SPRITE:
            Sprite(w, op);
            pc += 4;
            continue;
        case DDDC_SCALE:
            w->shift = op[0];
            pc += 2;
            continue;
        case DDDC_PATTERN:
            SelectPattern(op);
            pc += 4;
            continue;
        default:
            return;
        }
    }
}

static int32_t DrawShape(dddObject *o, int32_t zonly) {
    if (!o || o->type != DDD_SHAPE || !o->shape || !dddscreenptr) return 0;
    const dddShapeInfo *info = (const dddShapeInfo *)dddMemUser(o->shape);
    if (!info || info->npoints == 0 || info->nlevels == 0) return 0;
    if (zonly && !dddzbufferptr) return 0;
    Walk w;
    w.info = info;
    w.shift = 0;
    w.nshades = w.nuv = 0;
    w.uv_texture = w.sprite_texture = nullptr;
    memset(w.corner, 0, sizeof w.corner);
    w.polys = 0;
    const dddTransform *t = o->cache ? o->cache : &o->tc;
    if (dddCullShape(info, t->world, w.centre)) return 0;
    ddd_wmat = t->wmat;
    for (int32_t i = 0; i < ddd_light_count; i++) {
        DDDSETL2SPOSITION(ddd_light_list[i], t->world);
        DDDSETL2SVECTOR(ddd_light_list[i]);
    }
    int32_t pick = ddd_pick_x >= 0 && ddd_pick_y >= 0 && ddd_pick_x < dddscreen_width &&
                   ddd_pick_y < dddscreen_depth;
    int32_t pick_colour = 0, pick_depth = 0;
    if (pick) {
        int32_t at = dddscreenmultabptr[ddd_pick_y] + ddd_pick_x;
        pick_colour = dddscreenptr[at];
        pick_depth = dddzbufferptr ? dddzbufferptr[at] : 0;
    }
    DDDMATMUL(vmat, t->wmat, ddd_m2c);
    dddPrepareLighting();
    const dddLevel *lv = nullptr;
    for (int32_t i = 0; i < info->nlevels && !lv; i++)
        if (w.centre[2] < 0 || info->levels[i].far_limit >= w.centre[2]) lv = &info->levels[i];
    if (!lv) return 0;
    w.level = lv;
    ddd_pnormals = lv->pnormals;
    if (ddd_mode & 64) memset(ddd_litbits, 0, (size_t)lv->points / 8 + 1);
    ddd_current = o;
    ddd_zonly = zonly;
    // A level that sets its points first is tested once they are: a shape wholly behind what
    // is drawn already would change nothing.
    int32_t pc = 0, hidden = 0;
    if (lv->lead) {
        dddBounds b = {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX};
        for (; pc < lv->lead; pc += 3 + 3 * lv->code[pc + 2])
            PointsWith<true>(&w, lv->code + pc + 1, &b);
        hidden = dddShapeHidden(&b);
    }
    if (!hidden) Run(&w, pc);
    ddd_zonly = 0;
    ddd_current = nullptr;
    ddd_pnormals = nullptr;
    if (pick) {
        int32_t at = dddscreenmultabptr[ddd_pick_y] + ddd_pick_x;
        if (dddscreenptr[at] != pick_colour || (dddzbufferptr && dddzbufferptr[at] != pick_depth))
            object_under_mouse = o;
    }
    return hidden ? 0 : 1;
}

int32_t DDDDRAWOBJECT(dddObject *o) {
    return DrawShape(o, 0);
}
int32_t DDDDRAWOBJECTTOZBUFFER(dddObject *o) {
    return DrawShape(o, 1);
}
