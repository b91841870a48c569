// dataload.cpp -- loading and sharing data files; shape preparation; palettes, shades and fonts
//
// File formats (all numbers little-endian; "word" = 32-bit signed integer):
//
// Shape file (".DSH"):
//   0   word  bounding radius in model units (whole-shape culling)
//   4   word  N, the largest point count of any level (0..65536); 0 = empty shape, never drawn
//   8   8 bytes, not read
//   16  word  offset from the file start of the resource list, 0 for none
//   20  12 bytes, not read
//   32  level-of-detail table: pairs [far limit, offset] ending with a far limit of -1
//       (at most 16 pairs). The far limit is a camera-space depth in 16.16; the offset leads
//       from the pair's own first byte to its level block.
//   Resource list: entries [type, next, slot, name bytes + NUL] ending with a type of -1.
//       type 0 = texture (the only type); next = bytes from this entry's start to the next
//       entry (at least 13, and the NUL must lie inside the entry); slot = a word that
//       commands 5 and 12 point at. At most 256 entries.
//   Level block (4-byte aligned, anywhere in the file):
//     0  word  P, the points of this level (0..N)
//     4  word  not read (the engine keeps the point normals elsewhere)
//     8  word  M, the polygon normals of this level (0..65536)
//     12 the command stream: a code word and its operand words, ending with a code 0 (end of
//        drawing) and then the code -1 (end of loading). Called blocks lie between the two and
//        end with code 0.
//   Commands (n: a count 0..255; v: a vertex reference 0..P-1; k: a normal index 0..M-1):
//     0  -                       return from a call (top level: end of drawing)
//     1  first, count, count*(x, y, z)   points first..first+count-1 (first+count <= P)
//     2  n, colour, k, n*v       polygon             3  n, n*shade   shades for the next 4
//     4  n, k, n*v               shaded polygon      5  t, n, n*(u, v)  texture coordinates
//     6  n, k, n*v               textured polygon    7  offset  jump    8  offset  call
//     9  condition, value        if shape flags      10 vA, vB, vC   if the triangle faces us
//     11 colour, vA, vB          line                12 t, 4*(u, v)  sprite texture corners
//     13 v, half width, half height  sprite          14 n, colour, k, n*v  pattern polygon
//     15 condition, value        if centre depth     16 shift (0..31)  scale down later points
//     17 colour, k, vA, vB, vC   lit line            18 n, k, n*v  environment-mapped polygon
//     19 mode, 8 pattern bytes (two words)           select the 8x8 pattern
//   Jump and call offsets count from 4 bytes past their code and must land on a command of
//   the same level's stream (a multiple of 4). The texture operand t counts from its own
//   position to a resource entry's slot. Commands 9, 10 and 15 must be followed by a jump or
//   a call. Conditions 0..6: t&v != 0, =, >, <, >=, <=, !=. u and v are texel coordinates.
//   Polygons list their vertices clockwise as seen on screen from the side that is drawn;
//   the normal made from their first three points (B-A) x (C-A) points away from that side.
//   A file breaking any of these rules is refused when it is loaded.
//
// Texture file (".TM"): 65536 bytes, 256 rows of 256 palette indices (row = v, column = u);
//   index 0 is transparent.
// Palette file (".COL"): 768 bytes, 256 triples of red, green, blue, each 0..63.
// Colour-generation file (".CG"): 512 bytes skipped, then the shade table: 256 rows of 256
//   bytes, row i giving the palette index of each base colour at light intensity i (66048
//   bytes at least).
// Font file (".FNT"): words cell width W (2..32), cell height H (1..64), line spacing, reserved,
//   offset of the glyph rows (>= 20); then from that offset H rows of 128 words, one mask per
//   character code 0..127, bit 0 the leftmost pixel; bits 0..W-2 are drawn.
#include "ddd/ddd_local.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

uint8_t *shade_table_ptr;
uint8_t *palette_ptr;

static dddOpenFunc file_open;
static dddCloseFunc file_close;
static dddCreateFunc file_create;
static dddReadBytesFunc file_read;
static dddWriteBytesFunc file_write;
static dddSeekFunc file_seek;
static dddLengthFunc file_length;
static dddExistFunc file_exist;
static dddPaletteFunc palette_function;
static dddLogFunc log_function;

void dddSetLogFunction(dddLogFunc function) {
    log_function = function;
}

void dddLog(const char *format, ...) {
    char line[256];
    va_list ap;
    va_start(ap, format);
    vsnprintf(line, sizeof line, format, ap);
    va_end(ap);
    if (log_function)
        log_function(line);
    else
        fprintf(stderr, "%s\n", line);
}

void dddSetFileFunctions(dddOpenFunc open, dddCloseFunc close, dddCreateFunc create,
                         dddReadBytesFunc read, dddWriteBytesFunc write, dddSeekFunc seek,
                         dddLengthFunc length, dddExistFunc exist) {
    if (open) file_open = open;
    if (close) file_close = close;
    if (create) file_create = create;
    if (read) file_read = read;
    if (write) file_write = write;
    if (seek) file_seek = seek;
    if (length) file_length = length;
    if (exist) file_exist = exist;
}

void *dddLoadFile(const char *name) {
    if (!name || !file_open || !file_length || !file_read) {
        dddSelectArea(DDD_AREA_GENERAL);
        return nullptr;
    }
    int32_t area = dddMemArea();
    intptr_t h = file_open(name);
    if (!h) return nullptr;
    int32_t length = file_length(h);
    void *data = nullptr;
    if (length >= 0 && length <= DDD_MAX_FILE) {
        dddSelectArea(area);
        data = dddLinkedMemAlloc((uint32_t)length);
        if (data && length > 0 && file_read(h, data, (uint32_t)length) != (uint32_t)length) {
            dddLog("dddLoadFile: short read of %s", name);
            DDDLINKEDMEMFREE(data);
            data = nullptr;
        }
    }
    if (file_close) file_close(h);
    dddSelectArea(DDD_AREA_GENERAL);
    return data;
}

uint32_t dddSaveFile(const char *name, const void *data, uint32_t length) {
    if (!name || !file_write || !file_open) return 0;
    intptr_t h = (file_exist && file_exist(name)) ? file_open(name) : 0;
    if (!h && file_create) h = file_create(name);
    if (!h) return 0;
    if (file_seek) file_seek(h, 0, 0);
    uint32_t n = length ? file_write(h, data, length) : 0;
    if (file_close) file_close(h);
    return n;
}

// ---- shape preparation ----

static int32_t R32(const uint8_t *d, uint32_t pos) {
    int32_t v;
    memcpy(&v, d + pos, 4);
    return v;
}

// Words of the command at pos (code included), or -1 when it doesn't fit or is unknown.
static int32_t CommandWords(const uint8_t *d, uint32_t len, uint32_t pos) {
    if (pos + 4 > len) return -1;
    int32_t code = R32(d, pos);
    int32_t words;
    int32_t n = pos + 8 <= len ? R32(d, pos + 4) : -1;
    switch (code) {
    case DDDC_END:
        return 1;
    case DDDC_RET:
        return 1;
    case DDDC_POINTS: {
        if (pos + 12 > len) return -1;
        int32_t count = R32(d, pos + 8);
        if (count < 0 || count > DDD_MAX_POINTS) return -1;
        words = 3 + 3 * count;
        break;
    }
    case DDDC_POLY:
    case DDDC_MESH:
        words = n < 0 || n > 255 ? -1 : 4 + n;
        break;
    case DDDC_SHADES:
        words = n < 0 || n > 255 ? -1 : 2 + n;
        break;
    case DDDC_SHADEPOLY:
    case DDDC_TEXPOLY:
    case DDDC_ENVPOLY:
        words = n < 0 || n > 255 ? -1 : 3 + n;
        break;
    case DDDC_UV: {
        if (pos + 12 > len) return -1;
        int32_t m = R32(d, pos + 8);
        words = m < 0 || m > 255 ? -1 : 3 + 2 * m;
        break;
    }
    case DDDC_JUMP:
    case DDDC_CALL:
    case DDDC_SCALE:
        words = 2;
        break;
    case DDDC_IFFLAGS:
    case DDDC_IFDEPTH:
        words = 3;
        break;
    case DDDC_IFFACING:
    case DDDC_LINE:
    case DDDC_SPRITE:
        words = 4;
        break;
    case DDDC_SPRITEUV:
        words = 10;
        break;
    case DDDC_LITLINE:
        words = 6;
        break;
    case DDDC_PATTERN:
        words = 4;
        break;
    default:
        return -1;
    }
    if (words < 0 || pos + (uint64_t)words * 4 > len) return -1;
    return words;
}

typedef struct ShapeScan {
    const uint8_t *d;
    uint32_t len;
    int32_t radius, npoints, nlevels, ntex;
    uint32_t level_pos[16];
    int32_t far_limit[16];
    int32_t level_words[16];
    uint32_t tex_slot[256];
    uint32_t tex_name[256];
} ShapeScan;

static int32_t Refuse(const char *why) {
    dddLog("dddShapeLoad: refused: %s", why);
    return -1;
}

// Checks the header, resource list, level table and stream extents.
static int32_t ScanShape(ShapeScan *s) {
    const uint8_t *d = s->d;
    uint32_t len = s->len;
    if (len < 36) return Refuse("file too short");
    s->radius = R32(d, 0);
    s->npoints = R32(d, 4);
    if (s->npoints < 0 || s->npoints > DDD_MAX_POINTS) return Refuse("point count");
    if (s->radius < 0) return Refuse("radius");
    int32_t res = R32(d, 16);
    s->ntex = 0;
    if (res != 0) {
        uint32_t pos = (uint32_t)res;
        if (res < 0) return Refuse("resource list offset");
        for (;;) {
            if (pos + 4 > len) return Refuse("resource list outside the file");
            int32_t type = R32(d, pos);
            if (type == -1) break;
            if (type != 0 || pos + 13 > len || s->ntex >= 256) return Refuse("resource entry");
            int32_t next = R32(d, pos + 4);
            if (next < 13 || (uint64_t)pos + (uint32_t)next > len) return Refuse("resource link");
            if (!memchr(d + pos + 12, 0, (size_t)next - 12)) return Refuse("resource name");
            s->tex_slot[s->ntex] = pos + 8;
            s->tex_name[s->ntex] = pos + 12;
            s->ntex++;
            pos += (uint32_t)next;
        }
    }
    s->nlevels = 0;
    for (uint32_t pair = 32;; pair += 8) {
        if (pair + 4 > len) return Refuse("level table outside the file");
        int32_t far = R32(d, pair);
        if (far == -1) break;
        if (s->nlevels >= 16 || pair + 8 > len) return Refuse("level table");
        int64_t block = (int64_t)pair + R32(d, pair + 4);
        if (block < 0 || block + 16 > len || (block & 3)) return Refuse("level block offset");
        int32_t p = R32(d, (uint32_t)block), m = R32(d, (uint32_t)block + 8);
        if (p < 0 || p > s->npoints || m < 0 || m > DDD_MAX_POINTS) return Refuse("level counts");
        uint32_t pos = (uint32_t)block + 12;
        int32_t words = 0;
        for (;;) {
            int32_t w = CommandWords(d, len, pos);
            if (w < 0) return Refuse("command stream");
            words += w;
            if (R32(d, pos) == DDDC_END) break;
            pos += (uint32_t)w * 4;
        }
        s->level_pos[s->nlevels] = (uint32_t)block;
        s->far_limit[s->nlevels] = far;
        s->level_words[s->nlevels] = words;
        s->nlevels++;
    }
    return 0;
}

static int32_t TextureIndex(const ShapeScan *s, uint32_t operand_pos, int32_t offset) {
    int64_t slot = (int64_t)operand_pos + offset;
    for (int32_t i = 0; i < s->ntex; i++)
        if (s->tex_slot[i] == slot) return i;
    return -1;
}

// Copies one level's stream into `code`, checking every operand, and makes its normals.
static int32_t CompileLevel(const ShapeScan *s, int32_t li, dddLevel *lv, uint8_t *starts) {
    const uint8_t *d = s->d;
    uint32_t base = s->level_pos[li] + 12;
    int32_t words = s->level_words[li];
    int32_t P = lv->points, M = lv->nnormals;
    int32_t *code = lv->code;
    memcpy(code, d + base, (size_t)words * 4);
    memset(starts, 0, (size_t)words);
    memset(ddd_accum, 0, (size_t)P * 16);
    const int32_t **model = (const int32_t **)dddLinkedMemAlloc((uint32_t)(P + 1) * 8);
    if (!model) return Refuse("out of memory");
    memset(model, 0, (size_t)(P + 1) * 8);
    int32_t result = 0;
    static const int32_t zero[3] = {0, 0, 0};
    // A level may skip its drawing when hidden if it sets all its points first and draws only
    // with those, unscaled and without sprites (which reach past their point) or patterns
    // (whose random and rotating state every draw moves on).
    int32_t lead = 0;
    bool leading = true, hideable = true;
    for (int32_t w = 0; w < words && result == 0;) {
        int32_t c = code[w];
        int32_t size = CommandWords(d, s->len, base + (uint32_t)w * 4);
        int32_t *op = code + w + 1;
        starts[w] = 1;
        int32_t refs = 0, first_ref = 0, nidx = -1;
        switch (c) {
        case DDDC_POINTS:
            if (op[0] < 0 || (int64_t)op[0] + op[1] > P) result = Refuse("points range");
            for (int32_t i = 0; result == 0 && i < op[1]; i++)
                model[op[0] + i] = op + 2 + 3 * i;
            break;
        case DDDC_POLY:
        case DDDC_MESH:
            refs = op[0], first_ref = 3, nidx = op[2];
            break;
        case DDDC_SHADEPOLY:
        case DDDC_TEXPOLY:
        case DDDC_ENVPOLY:
            refs = op[0], first_ref = 2, nidx = op[1];
            break;
        case DDDC_UV:
        case DDDC_SPRITEUV: {
            int32_t t = TextureIndex(s, base + (uint32_t)(w + 1) * 4, op[0]);
            if (t < 0) result = Refuse("texture reference");
            op[0] = t;
            break;
        }
        case DDDC_JUMP:
        case DDDC_CALL: {
            int64_t target = (int64_t)(w + 1) * 4 + op[0];
            if (target < 0 || target >= (int64_t)words * 4 || (target & 3))
                result = Refuse("jump target");
            op[0] = (int32_t)(target / 4); // checked against command starts below
            break;
        }
        case DDDC_IFFLAGS:
        case DDDC_IFDEPTH:
            if (op[0] < 0 || op[0] > 6) result = Refuse("condition");
            break;
        case DDDC_IFFACING:
            refs = 3, first_ref = 0;
            break;
        case DDDC_LINE:
            refs = 2, first_ref = 1;
            break;
        case DDDC_SPRITE:
            refs = 1, first_ref = 0;
            break;
        case DDDC_SCALE:
            if (op[0] < 0 || op[0] > 31) result = Refuse("scale shift");
            break;
        case DDDC_LITLINE:
            refs = 3, first_ref = 2, nidx = op[1];
            break;
        default:
            break;
        }
        if (c == DDDC_POINTS && leading)
            lead = w + size;
        else if (c == DDDC_POINTS || c == DDDC_SCALE || c == DDDC_SPRITE || c == DDDC_PATTERN)
            hideable = false;
        if (c != DDDC_POINTS) leading = false;
        for (int32_t i = 0; result == 0 && i < refs; i++)
            if (op[first_ref + i] < 0 || op[first_ref + i] >= P)
                result = Refuse("vertex reference");
            else if (!model[op[first_ref + i]])
                hideable = false; // drawn with a point the opening commands didn't set
        if (result == 0 && nidx != -1 && (nidx < 0 || nidx >= M)) result = Refuse("normal index");
        if (result == 0 && nidx >= 0 && refs >= 3) {
            const int32_t *a = model[op[first_ref]], *b = model[op[first_ref + 1]],
                          *cc = model[op[first_ref + 2]];
            int16_t *n = lv->normals + 4 * nidx;
            DDDGENERATENORMAL(n, a ? a : zero, b ? b : zero, cc ? cc : zero);
            if (c != DDDC_LITLINE)
                for (int32_t i = 0; i < refs; i++) {
                    int32_t *acc = ddd_accum + 4 * op[first_ref + i];
                    acc[0] += n[0], acc[1] += n[1], acc[2] += n[2], acc[3]++;
                }
        }
        w += size;
    }
    // Jumps land on commands; conditionals guard a jump or a call.
    for (int32_t w = 0; w < words && result == 0;) {
        int32_t c = code[w];
        int32_t size = CommandWords(d, s->len, base + (uint32_t)w * 4);
        if ((c == DDDC_JUMP || c == DDDC_CALL) && !starts[code[w + 1]])
            result = Refuse("jump into a command");
        if (c == DDDC_IFFLAGS || c == DDDC_IFDEPTH || c == DDDC_IFFACING) {
            int32_t nx = w + size;
            if (nx >= words || (code[nx] != DDDC_JUMP && code[nx] != DDDC_CALL))
                result = Refuse("condition not followed by a jump or call");
        }
        w += size;
    }
    for (int32_t i = P - 1; result == 0 && i >= 0; i--)
        if (ddd_accum[4 * i + 3]) DDDGENERATEPOINTNORMAL(lv->pnormals + 4 * i, ddd_accum + 4 * i);
    lv->lead = hideable ? lead : 0;
    DDDLINKEDMEMFREE(model);
    return result;
}

// Prepares a freshly loaded shape; -1 refuses the file.
static int32_t PrepareShape(void *data) {
    ShapeScan s{};
    s.d = (const uint8_t *)data;
    s.len = dddMemLength(data);
    if (ScanShape(&s) < 0) return -1;
    if (s.npoints == 0) return 0;
    if (dddGrowPointBuffers(s.npoints) < 0) return Refuse("out of memory");
    uint64_t total = sizeof(dddShapeInfo) + 16 * sizeof(dddLevel) + 256 * sizeof(uint8_t *);
    int32_t max_words = 0;
    for (int32_t i = 0; i < s.nlevels; i++) {
        uint32_t b = s.level_pos[i];
        total += (uint64_t)s.level_words[i] * 4 + (uint64_t)R32(s.d, b) * 8 +
                 (uint64_t)R32(s.d, b + 8) * 8 + 16;
        if (s.level_words[i] > max_words) max_words = s.level_words[i];
    }
    if (total > 0x7FFFFFF0u) return Refuse("too large");
    uint8_t *block = (uint8_t *)dddLinkedMemAlloc((uint32_t)total);
    uint8_t *starts = (uint8_t *)dddLinkedMemAlloc((uint32_t)max_words + 1);
    if (!block || !starts) {
        DDDLINKEDMEMFREE(block);
        DDDLINKEDMEMFREE(starts);
        return Refuse("out of memory");
    }
    memset(block, 0, (size_t)total);
    dddShapeInfo *info = (dddShapeInfo *)block;
    info->radius = s.radius;
    info->npoints = s.npoints;
    info->nlevels = s.nlevels;
    info->levels = (dddLevel *)(block + sizeof(dddShapeInfo));
    info->textures = (uint8_t **)(info->levels + 16);
    uint8_t *p = (uint8_t *)(info->textures + 256);
    int32_t result = 0;
    for (int32_t i = 0; i < s.nlevels && result == 0; i++) {
        dddLevel *lv = &info->levels[i];
        uint32_t b = s.level_pos[i];
        lv->far_limit = s.far_limit[i];
        lv->points = R32(s.d, b);
        lv->nnormals = R32(s.d, b + 8);
        lv->words = s.level_words[i];
        lv->code = (int32_t *)p;
        p += (size_t)lv->words * 4;
        lv->pnormals = (int16_t *)p;
        p += (size_t)lv->points * 8;
        lv->normals = (int16_t *)p;
        p += (size_t)lv->nnormals * 8;
        result = CompileLevel(&s, i, lv, starts);
    }
    DDDLINKEDMEMFREE(starts);
    if (result < 0) {
        DDDLINKEDMEMFREE(block);
        return -1;
    }
    // Textures last, so that a refused file never holds any.
    info->ntextures = s.ntex;
    for (int32_t i = 0; i < s.ntex; i++) {
        info->textures[i] = (uint8_t *)dddTextureLoad((const char *)s.d + s.tex_name[i]);
        if (!info->textures[i])
            dddLog("dddShapeLoad: texture %s missing", (const char *)s.d + s.tex_name[i]);
    }
    dddMemSetUser(data, info);
    return 0;
}

void DDDLOCATESHAPE(void *shape) {
    if (shape && !dddMemUser(shape)) PrepareShape(shape);
}

void DDDRELOCATESHAPE(void *shape) {
    dddShapeInfo *info = (dddShapeInfo *)dddMemUser(shape);
    if (!info) return;
    for (int32_t i = 0; i < info->ntextures; i++)
        DDDLINKEDMEMLOCK(info->textures[i]);
    DDDLINKEDMEMLOCK(info);
}

void DDDDELOCATESHAPE(void *shape) {
    dddShapeInfo *info = (dddShapeInfo *)dddMemUser(shape);
    if (!info) return;
    for (int32_t i = 0; i < info->ntextures; i++)
        DDDLINKEDMEMFREE(info->textures[i]);
    if (dddMemLocks(info) <= 1) dddMemSetUser(shape, nullptr);
    DDDLINKEDMEMFREE(info);
}

int32_t dddShapeRadius(const void *shape) {
    const dddShapeInfo *info = (const dddShapeInfo *)dddMemUser(shape);
    return info ? info->radius : 0;
}

int32_t dddShapePoints(const void *shape) {
    const dddShapeInfo *info = (const dddShapeInfo *)dddMemUser(shape);
    return info ? info->npoints : 0;
}

// ---- the other file types ----

static int32_t CheckTexture(void *data) {
    if (dddMemLength(data) >= 65536) return 0;
    dddLog("dddTextureLoad: refused: shorter than 65536 bytes");
    return -1;
}

static int32_t CheckPalette(void *data) {
    if (dddMemLength(data) >= 768) return 0;
    dddLog("dddPaletteLoad: refused: palette shorter than 768 bytes");
    return -1;
}

static int32_t CheckShades(void *data) {
    if (dddMemLength(data) >= 512 + 65536) return 0;
    dddLog("dddPaletteLoad: refused: shade table shorter than 66048 bytes");
    return -1;
}

static int32_t CheckFont(void *data) {
    uint32_t len = dddMemLength(data);
    const uint8_t *d = (const uint8_t *)data;
    if (len >= 20) {
        int32_t w = R32(d, 0), h = R32(d, 4), off = R32(d, 16);
        if (w >= 2 && w <= 32 && h >= 1 && h <= 64 && off >= 20 && (off & 3) == 0 &&
            (uint64_t)off + (uint64_t)h * 512 <= len)
            return 0;
    }
    dddLog("dddFontLoad: refused: bad font header or size");
    return -1;
}

typedef struct FileType {
    int32_t area;
    int32_t (*fresh)(void *data);
    void (*again)(void *data);
    const char *extension;
} FileType;

// A texture found again already gets its extra lock from the shared lookup.
static const FileType file_types[] = {
    {DDD_AREA_SHAPES, PrepareShape, DDDRELOCATESHAPE, ".DSH"},
    {DDD_AREA_TEXTURES, CheckTexture, nullptr, ".TM"},
    {DDD_AREA_PALETTES, CheckPalette, nullptr, ".COL"},
    {DDD_AREA_COLGEN, CheckShades, nullptr, ".CG"},
    {DDD_AREA_FONTS, CheckFont, nullptr, ".FNT"},
};

void *DDDLOADDATAFILE(int32_t type, const char *name) {
    if (type < 0 || type > DDD_FILE_FONT || !name || !dddMemReady()) return nullptr;
    const FileType *ft = &file_types[type];
    char full[272];
    size_t n = strcspn(name, ".");
    if (n > 255) return nullptr;
    memcpy(full, name, n);
    full[n] = 0;
    dddStrUpr(full);
    dddStrCat(full, ft->extension);
    void *data = dddMemFind(ft->area, full);
    if (data) {
        DDDLINKEDMEMLOCK(data);
        if (ft->again) ft->again(data);
        return data;
    }
    dddSelectArea(ft->area);
    data = ddd_host_read ? ddd_host_read(full) : dddLoadFile(full);
    dddSelectArea(DDD_AREA_GENERAL);
    if (!data) return nullptr;
    if (ft->fresh && ft->fresh(data) < 0) {
        dddLog("DDDLOADDATAFILE: %s refused", full);
        DDDLINKEDMEMFREE(data);
        return nullptr;
    }
    dddMemSetName(data, full);
    return data;
}

void *dddShapeLoad(const char *name) {
    return DDDLOADDATAFILE(DDD_FILE_SHAPE, name);
}
void *dddTextureLoad(const char *name) {
    return DDDLOADDATAFILE(DDD_FILE_TEXTURE, name);
}
dddFont *dddFontLoad(const char *name) {
    return (dddFont *)DDDLOADDATAFILE(DDD_FILE_FONT, name);
}

void dddDefinePaletteFunction(dddPaletteFunc function) {
    palette_function = function;
}

void dddPaletteLoad(const char *name) {
    uint8_t *cg = (uint8_t *)DDDLOADDATAFILE(DDD_FILE_COLGEN, name);
    shade_table_ptr = cg ? cg + 512 : nullptr; // none: lit colours stay their base colour
    uint8_t *col = (uint8_t *)DDDLOADDATAFILE(DDD_FILE_PALETTE, name);
    if (!col) return; // the current palette stays
    palette_ptr = col;
    if (palette_function) palette_function(col);
}

void dddBuildLogicalPalette(const uint8_t *colours, const uint8_t *system, uint8_t *out) {
    for (int32_t i = 0; i < 256; i++) {
        uint8_t *e = out + 4 * i;
        if (i < 10 || i >= 246) {
            if (system)
                memcpy(e, system + 4 * i, 3);
            else
                e[0] = e[1] = e[2] = 0;
        } else {
            for (int32_t k = 0; k < 3; k++)
                e[k] = (uint8_t)((colours[3 * i + k] & 63) * 4);
        }
        e[3] = 4; // not to be collapsed into other entries
    }
}

dddObject *dddLoad(const char *file_name) {
    if (!file_name) return nullptr;
    const char *dot = strchr(file_name, '.');
    if (!dot) return nullptr;
    char ext[4] = {0};
    for (int32_t i = 0; i < 3 && dot[1 + i]; i++)
        ext[i] = dot[1 + i];
    dddStrUpr(ext);
    if (strcmp(ext, "DSH") != 0) return nullptr;
    void *shape = dddShapeLoad(file_name);
    if (!shape) return nullptr;
    dddObject *o = dddNewObject(DDD_SHAPE);
    if (!o) {
        DDDDELOCATESHAPE(shape);
        DDDLINKEDMEMFREE(shape);
        return nullptr;
    }
    o->shape = shape;
    dddSetRenderMethod(o, DDD_RM_LIT | DDD_RM_ZBUFFER);
    return o;
}
