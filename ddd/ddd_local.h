// ddd_local.h -- the engine's working state shared between its modules
#pragma once

#include "ddd/ddd.h"

// Engine-wide limits.
#define DDD_MAX_RING 32      // a polygon ring of this many vertices or more is not drawn
#define DDD_MAX_LIGHTS 64    // lights in one frame
#define DDD_MAX_DRAW 4096    // objects in one frame
#define DDD_MAX_POINTS 65536 // points of one shape
#define DDD_MAX_FILE (64 << 20)
#define DDD_PERSPECTIVE_NEAR (256 << 16) // textured polygons nearer than this are corrected
#define DDD_FAR_COORD (1 << 28)          // screen coordinates are kept within this

// A projected coordinate plus the screen centre, kept within DDD_FAR_COORD (and so in 32 bits).
static inline int32_t dddScreenCoord(int64_t v, int32_t mid) {
    v += mid;
    return (int32_t)(v > DDD_FAR_COORD    ? DDD_FAR_COORD + 1
                     : v < -DDD_FAR_COORD ? -DDD_FAR_COORD - 1
                                          : v);
}

// One level of detail of a prepared shape.
typedef struct dddLevel {
    int32_t far_limit; // 16.16 depth
    int32_t points;    // P
    int32_t *code;     // prepared command stream (words), ends with -1
    int32_t words;
    int16_t *pnormals; // P entries of x, y, z, intensity
    int16_t *normals;  // M entries of x, y, z, intensity
    int32_t nnormals;
    // Words of the points commands the stream opens with, when the level draws only with their
    // points and otherwise changes nothing but pixels and depths: then once they have run, the
    // hidden-shape test can stand in for the rest. 0 when it can't.
    int32_t lead;
} dddLevel;

// A prepared shape, kept beside the file's data block.
typedef struct dddShapeInfo {
    int32_t radius;
    int32_t npoints; // N
    int32_t nlevels;
    dddLevel *levels;
    int32_t ntextures;
    uint8_t **textures;
} dddShapeInfo;

// Prepared command codes (stored in place of the file's codes).
enum {
    DDDC_RET = 0,
    DDDC_POINTS = 1,
    DDDC_POLY = 2,
    DDDC_SHADES = 3,
    DDDC_SHADEPOLY = 4,
    DDDC_UV = 5,
    DDDC_TEXPOLY = 6,
    DDDC_JUMP = 7,
    DDDC_CALL = 8,
    DDDC_IFFLAGS = 9,
    DDDC_IFFACING = 10,
    DDDC_LINE = 11,
    DDDC_SPRITEUV = 12,
    DDDC_SPRITE = 13,
    DDDC_MESH = 14,
    DDDC_IFDEPTH = 15,
    DDDC_SCALE = 16,
    DDDC_LITLINE = 17,
    DDDC_ENVPOLY = 18,
    DDDC_PATTERN = 19,
    DDDC_END = -1
};

// dataload.cpp
void dddLog(const char *format, ...);

// mem.cpp
void *dddMemUser(const void *block);
void dddMemSetUser(void *block, void *user);
void dddMemSetName(void *block, const char *name);
void *dddMemFind(int32_t area, const char *name);
int32_t dddMemArea(void);
extern dddAllocFunc ddd_host_alloc;
extern dddFreeFunc ddd_host_free;
extern dddReadFunc ddd_host_read;

// objects.cpp
extern dddObject *ddd_draw_list[DDD_MAX_DRAW];
extern int32_t ddd_draw_count;
extern dddObject *ddd_light_list[DDD_MAX_LIGHTS];
extern int32_t ddd_light_count;
extern int32_t ddd_centre_lights; // a type 6 or 7 light is in the frame
extern int32_t ddd_pick_x, ddd_pick_y;
extern int32_t ddd_zbuffer_on;
// Rows [ddd_zdirty_lo, ddd_zdirty_hi) of the depth buffer may hold depths written since it was
// last cleared; dddZBCls clears only those while the rest still holds the fill value.
extern int32_t ddd_zdirty_lo, ddd_zdirty_hi;
static inline void dddZBDirtyRows(int32_t y0, int32_t y1) {
    if (y0 < ddd_zdirty_lo) ddd_zdirty_lo = y0 < 0 ? 0 : y0;
    if (y1 > ddd_zdirty_hi) ddd_zdirty_hi = y1;
}
void dddZBForget(void); // the buffer's contents are unknown: the next clear is a whole one
extern uint32_t ddd_next_version;
dddObject *dddNewObject(int32_t type);
void dddMemScreenRelease(void);

// threedee.cpp: polygon pipeline
enum { DDDK_PLAIN, DDDK_SHADES, DDDK_TEXTURE, DDDK_MESH, DDDK_ENV, DDDK_SPRITE };
extern int32_t ddd_mode;  // drawing mode of the current object
extern int32_t ddd_zonly; // depth-buffer-only drawing
extern int32_t ddd_line_on, ddd_line_colour;
extern uint8_t ddd_pattern[8];
extern const uint8_t *ddd_texture;
extern uint8_t ddd_identity[256];
extern uint8_t *ddd_shade_fallback; // identity rows used while no shade table is loaded
const uint8_t *dddShade(void);
void dddDrawRing(int32_t kind, int32_t colour, dddVertex **ring, int32_t n, int32_t near_count,
                 const int16_t *face_normal);
void dddPolyInit(void);
// Span paths, narrowest first. The engine starts on the widest this build and processor allow,
// or on the one KESTRUNE_DDD_SIMD names (portable, sse2, avx2) when that one is available.
enum { DDD_SIMD_PORTABLE, DDD_SIMD_SSE2, DDD_SIMD_AVX2 };
extern int32_t ddd_simd; // the span path in use
int32_t dddSimdBest(void);
// Selects a path, narrowed to the best available; returns the path now in use.
int32_t dddSimdSelect(int32_t path);

// lsrout.cpp: lighting
extern int32_t ddd_m2c[9];      // model-to-camera matrix of the current object
extern const int32_t *ddd_wmat; // world matrix of the current object
int32_t DDDGENERATECOLOUR(const int16_t *normal, const int32_t *point);
void DDDSETL2VPOSITION(dddObject *light);
void DDDSETL2VVECTOR(dddObject *light);
void DDDSETL2SPOSITION(dddObject *light, const int32_t *centre);
void DDDSETL2SVECTOR(dddObject *light);
int32_t dddFaceIntensity(const int16_t *normal, dddVertex **ring, int32_t n);
// The current object's lights and matrix, taken for dddLightRing.
void dddPrepareLighting(void);
// Each ring vertex's attribute 0 := its intensity (16.16) plus `half`, in one pass.
void dddLightRing(dddVertex **ring, int32_t n, int32_t half);

// gennorm.cpp
void DDDGENERATENORMAL(int16_t *out, const int32_t *a, const int32_t *b, const int32_t *c);
void DDDGENERATEPOINTNORMAL(int16_t *out, const int32_t *sum);

// proj.cpp
// num / d rounded toward zero, for d > 0, through r = floor((2^64 - 1) / d): the estimate from
// the reciprocal is at most one short, and one test puts it right.
static inline int64_t dddDivByReciprocal(int64_t num, uint64_t d, uint64_t r) {
    uint64_t a = num < 0 ? 0 - (uint64_t)num : (uint64_t)num;
    uint64_t q = (uint64_t)(((unsigned __int128)a * r) >> 64);
    if ((q + 1) * d <= a) q++;
    return num < 0 ? -(int64_t)q : (int64_t)q;
}

// num / d rounded toward zero, for |num| < 2^53 and 0 < d < 2^53, in double precision: both
// are exact doubles, and the nearest double to num / d can only reach the next integer when it
// lies within num * 2^-53 of it, while a remainder keeps it at least 1 / d away; so that would
// take |num| >= 2^53.
static inline int64_t dddDivTrunc(int64_t num, int64_t d) {
    return (int64_t)((double)num / (double)d);
}
// Ratios within this bound keep (coordinate >> 8) * ratio below 2^53 for any 32-bit coordinate.
#define DDD_EXACT_RATIO (1 << 29)

// dddProjectVertex with the screen's ratios and centre passed in, for loops over many points.
static inline void dddProjectWith(dddVertex *v, int32_t xr, int32_t yr, int32_t mx, int32_t my) {
    if (v->z < (DDD_NEAR << 16)) return; // left to the near clipping
    int64_t zd = v->z >> 8, nx = (int64_t)(v->x >> 8) * xr, ny = (int64_t)(v->y >> 8) * yr;
    if (xr < DDD_EXACT_RATIO && xr > -DDD_EXACT_RATIO && yr < DDD_EXACT_RATIO &&
        yr > -DDD_EXACT_RATIO) {
        v->col = dddScreenCoord(dddDivTrunc(nx, zd), mx);
        v->row = dddScreenCoord(dddDivTrunc(ny, zd), my);
    } else {
        // Both screen coordinates share one division.
        uint64_t r = ~0ull / (uint64_t)zd;
        v->col = dddScreenCoord(dddDivByReciprocal(nx, (uint64_t)zd, r), mx);
        v->row = dddScreenCoord(dddDivByReciprocal(ny, (uint64_t)zd, r), my);
    }
    v->depth = (uint32_t)dddDivTrunc((1ll << 52) - 1, v->z);
}
void dddProjectVertex(dddVertex *v);
int32_t dddCullShape(const dddShapeInfo *info, const int32_t *world, int32_t *centre);
// The screen box of a shape's points and their least camera depth (16.16).
typedef struct dddBounds {
    int32_t minc, maxc, minr, maxr, zmin;
} dddBounds;
int32_t dddShapeHidden(const dddBounds *b);
// Shapes and polygons wholly behind what is drawn already are left out (1, the default); 0
// draws them anyway, to compare.
extern int32_t ddd_skip_hidden;

// rotshape.cpp: the per-point shared buffers grown by shape preparation
extern dddVertex *ddd_vcache;
extern uint8_t *ddd_litbits;
extern int32_t *ddd_accum;
extern int32_t ddd_vcache_size;
int32_t dddGrowPointBuffers(int32_t points);
void dddFreePointBuffers(void);
extern dddObject *ddd_current;
extern const int16_t *ddd_pnormals; // point normals of the level being drawn

// sincos.cpp / atan.cpp
void dddInitTables(void);
