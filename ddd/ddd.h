// ddd.h -- the software 3D engine: memory screen, scene objects, shape files, drawing
#pragma once

#include <stddef.h>
#include <stdint.h>

// Object types (the object's `type` byte).
enum {
    DDD_DUMMY = 0,
    DDD_SHAPE = 1,
    DDD_CAMERA = 2,
    DDD_DIRECTIONAL = 4,
    DDD_POINT = 5,
    DDD_SPOT = 6,
    DDD_SPOT2 = 7
};

// Render methods, as passed to dddSetRenderMethod (the method lives in bits 8 to 15).
enum {
    DDD_RM_LIT = 0x0100,
    DDD_RM_ZBUFFER = 0x0200,
    DDD_RM_FLAT = 0x1000,
    DDD_RM_GOURAUD = 0x2000,
    DDD_RM_TEXTURE = 0x4000,
    DDD_RM_TEXTURE2 = 0x8000
};

// Memory areas of the engine's tracked memory.
enum {
    DDD_AREA_GENERAL = 0,
    DDD_AREA_SHAPES,
    DDD_AREA_TEXTURES,
    DDD_AREA_SPARE,
    DDD_AREA_PALETTES,
    DDD_AREA_COLGEN,
    DDD_AREA_FONTS,
    DDD_AREA_NAMES,
    DDD_AREAS
};

// The failure value of calls that return a reference or a number: an object of the wrong type.
#define DDD_ERROR (-1)
#define DDD_BADREF ((int32_t *)(intptr_t)-1)
// dddCreateScreenX/Y/Z failure value.
#define DDD_NOSCREEN ((int32_t)0xFFFF0000u)
// Nearest depth drawn, in world units (camera-space z below this is clipped).
#define DDD_NEAR 32

typedef struct dddObject dddObject;

// The transform cache held inside every object.
typedef struct dddTransform {
    uint32_t stamp;   // render_number at which it was last resolved
    uint32_t version; // bumped whenever the world position or matrix changes
    uint32_t parent_version;
    uint16_t angles[3]; // own angles the own matrix was made from
    int32_t pos[3];     // own position the world position was made from
    int32_t world[3];   // world position
    int32_t wmat[9];    // world rotation matrix
    int32_t omat[9];    // own rotation matrix
    uint8_t fresh;      // 1 until first resolved
} dddTransform;

// A light's working values (a separate block owned by the light object).
typedef struct dddLight {
    int32_t vpos[3]; // position in view space (world units)
    int32_t vdir[3]; // direction in view space (length 1024)
    int32_t spos[3]; // position in the current shape's model space
    int32_t sdir[3]; // direction in the current shape's model space (length 2048)
    int32_t cone;    // cos^2 of the cone angle, 1.0 = 2^20
} dddLight;

struct dddObject {
    int32_t x, y, z;     // position relative to the parent
    uint16_t angle[3];   // pitch (about x), heading (about y), roll (about z)
    uint8_t type;        // DDD_DUMMY ... DDD_SPOT2
    uint8_t render;      // render method byte
    uint32_t param1;     // shape flags, camera cut-off, light intensity
    void *shape;         // shape data (shapes)
    uint16_t persp_x;    // camera perspective X
    uint16_t persp_y;    // camera perspective Y
    uint16_t cone_angle; // light cone angle
    dddObject *parent, *child, *next, *prev, *sibling, *prev_sibling;
    dddTransform *cache;
    uint32_t name[2]; // part name, 8 characters compared as two words
    dddTransform tc;
    dddLight *light;
};

// The memory screen descriptor, owned by the caller.
typedef struct dddScreen {
    uint16_t width, height;             // requested size
    uint16_t limit_width, limit_height; // size of the buffers
    uint8_t *pixels;                    // 8-bit pixels, rows back to back
    uint16_t *zbuffer;                  // 16-bit depth per pixel (larger = nearer)
    int32_t *rows;                      // row i -> byte offset i * width
} dddScreen;

// A bitmap font: cell size, spacing, then rows of 128 glyph masks (bit 0 = leftmost pixel).
typedef struct dddFont {
    int32_t width, height, spacing, reserved, offset;
    uint32_t rows[1]; // height * 128 masks follow
} dddFont;

// A camera-space vertex of the vertex cache (64 bytes).
typedef struct dddVertex {
    int32_t x, y, z; // camera space, 16.16
    int32_t row, col;
    uint32_t depth;  // (2^52 - 1) / z; upper 16 bits go to the depth buffer
    int32_t attr[7]; // 0 intensity or shade (16.16), 1 u, 2 v (16.16), others free
    int32_t pad;
    const int32_t *model;
} dddVertex;

typedef void *(*dddAllocFunc)(size_t size);
typedef void (*dddFreeFunc)(void *block);
typedef void *(*dddReadFunc)(const char *name);
typedef void (*dddCallFunc)(void);
typedef void (*dddPaletteFunc)(const uint8_t *colours);
typedef void (*dddLogFunc)(const char *line);

// Host file functions; handles are 0 on failure.
typedef intptr_t (*dddOpenFunc)(const char *name);
typedef int32_t (*dddCloseFunc)(intptr_t handle);
typedef intptr_t (*dddCreateFunc)(const char *name);
typedef uint32_t (*dddReadBytesFunc)(intptr_t handle, void *buffer, uint32_t count);
typedef uint32_t (*dddWriteBytesFunc)(intptr_t handle, const void *buffer, uint32_t count);
typedef int32_t (*dddSeekFunc)(intptr_t handle, int32_t offset, int32_t origin);
typedef int32_t (*dddLengthFunc)(intptr_t handle);
typedef int32_t (*dddExistFunc)(const char *name);

// ---- engine state ----
extern int32_t dddscreen_width, dddused_screen_width, dddscreen_depth;
extern int32_t dddscreen_mid_x, dddscreen_mid_y, dddwidth_mul_depth;
extern uint8_t *dddscreenptr;
extern uint16_t *dddzbufferptr;
extern int32_t *dddscreenmultabptr;
extern uint16_t dddzbfillvalue;
extern int32_t x_ratio, y_ratio;
extern int32_t dddmax_shape_distance;
extern uint32_t render_number;
extern dddObject *object_under_mouse;
extern uint32_t dddldivtab[32768];
extern int32_t *dddpixel_depth_ptr;
extern int16_t dddsine[5120];
extern const int16_t *dddcosine;
extern int32_t dddviewer[3];
extern int32_t vmat[9];
extern int32_t dddceiling, dddfloor;
extern uint8_t *shade_table_ptr;
extern uint8_t *palette_ptr;
extern uint16_t dddglobal_npoly_count, dddglobal_ppoly_count, dddglobal_gpoly_count,
    dddglobal_tpoly_count;
extern const dddFont *dddFont7x7;

// ---- host binding and memory ----
struct HWND__;
struct HDC__;
struct HPALETTE__;
extern struct HDC__ *ddd_mem_hdc;
extern struct HPALETTE__ *ddd_hpal;
void dddInitWindows32(struct HWND__ *window, dddAllocFunc alloc, dddFreeFunc release,
                      dddReadFunc file_read);
// Once: binds the engine to the window and the display, the host file calls, then dddInitMem.
void DDDWINCLOSE(void);
// Releases the display contexts and the engine palette (run last by dddRestoreAll).
void DDDWINPALETTELOAD(const uint8_t *colours);
// Makes the engine palette from a loaded palette file and realises it on the display.
void dddScreenCopy(struct HWND__ *window, int32_t x, int32_t y);
// Copies the memory screen to the window at (x, y) in the engine palette's colours.
void dddInitMem(dddAllocFunc alloc, dddFreeFunc release, dddReadFunc file_read);
// Keeps the host allocation, release and file-read functions and fills the engine's tables.
int32_t dddMemReady(void);
// 1 once dddInitMem has run.
void dddSelectArea(int32_t area);
// Chooses the memory area of the next dddLinkedMemAlloc (then it falls back to general).
void *dddLinkedMemAlloc(uint32_t size);
// A tracked block of `size` bytes (lock count 1), or null when the host can't give it.
void *DDDLINKEDMEMREALLOC(uint32_t size, void *block);
// A block of at least `size` bytes keeping the contents, owner and lock count; null block
// allocates.
void DDDLINKEDMEMLOCK(void *block);
// One more lock on the block and on each of its owners.
void DDDLINKEDMEMFREE(void *block);
// Releases the owner chain, then one lock on the block; the last lock gives it back to the host.
void dddMemSetOwner(void *block, void *owner);
// Makes `owner` the owner of `block` (locks and frees of `block` then reach it too).
uint32_t dddMemLength(const void *block);
// The size the block was asked for (for a loaded file, the file's length).
int32_t dddMemLocks(const void *block);
// The block's lock count.
int32_t dddMemBlocks(int32_t area);
// How many blocks the area holds.
void dddSetBeforeCloseCall(dddCallFunc function);
// Sets the call made first by dddRestoreAll.
void dddSetAfterCloseCall(dddCallFunc function);
// Sets the call made last by dddRestoreAll.
void dddRestoreAll(void);
// Releases every block of every area and the working buffers; objects become invalid.

void dddSetLogFunction(dddLogFunc function);
// Sets where the engine's log lines go (refused files); standard error until set.

// ---- memory screen ----
void dddSelectMemoryScreen(dddScreen *screen);
// Creates the buffers of a descriptor without any (and clears them), or adopts its buffers.
void dddCls(void);
// Fills the pixels with colour 0 and resets the frame counters and the picked object.
void dddFillScreen(int32_t colour);
// Fills the pixels with a colour and resets as dddCls.
void dddZBCls(void);
// Fills the depth buffer with dddzbfillvalue.
void dddSetZBValue(int32_t distance);
// Sets the depth fill value to the stored depth of a point at that distance (0 below 32).
void dddZBufferOn(void);
// Later screens get a depth buffer; lines and free polygons test depth.
void dddZBufferOff(void);
// The opposite of dddZBufferOn.
void dddSETPIXEL(int32_t x, int32_t y, int32_t colour);
// Sets one pixel when it lies on the screen.
int32_t dddGetPixel(int32_t x, int32_t y);
// The pixel's colour, or -1 off the screen.

// ---- objects ----
dddObject *dddCreateDummyObject(void);
// A pure transform node, or null.
dddObject *dddCreateCamera(int32_t cutoff, int32_t perspective_x, int32_t perspective_y);
// A camera object, or null.
dddObject *dddCreateLight(int32_t type, int32_t intensity, int32_t cone_angle);
// A light of type 4 to 7, or null (also for types 3 and below).
dddObject *dddLoad(const char *file_name);
// A shape object for a ".dsh" file, or null.
void dddDestroy(dddObject *object);
// Unlinks the object from its tree and releases it with what its type owns.
void dddMoveTo(dddObject *object, int32_t x, int32_t y, int32_t z);
// Sets the position relative to the parent.
void dddMoveBy(dddObject *object, int32_t dx, int32_t dy, int32_t dz);
// Adds to the relative position.
void dddRotateTo(dddObject *object, int32_t a1, int32_t a2, int32_t a3);
// Sets the three angles.
void dddRotateBy(dddObject *object, int32_t d1, int32_t d2, int32_t d3);
// Adds to the three angles, modulo 65536.
int32_t *dddGetPosition(dddObject *object, int32_t *out);
// The relative position into out (or a static buffer when out is null).
uint16_t *dddGetAngles(dddObject *object, uint16_t *out);
// The relative angles into out (or a static buffer).
int32_t *dddGetAbsPos(dddObject *object, int32_t *out);
// The world position from the transform cache.
uint16_t *dddGetAbsAng(dddObject *object, uint16_t *out);
// The world angles worked back from the world matrix.
int32_t dddSetShapeFlags(dddObject *object, int32_t flags);
int32_t dddGetShapeFlags(dddObject *object);
// Shape flags (read by the shape's conditional commands); -1 for a non-shape.
int32_t dddSetCameraCutoff(dddObject *object, int32_t cutoff);
int32_t dddGetCameraCutoff(dddObject *object);
int32_t dddSetCameraPerspectiveX(dddObject *object, int32_t value);
int32_t dddSetCameraPerspectiveY(dddObject *object, int32_t value);
int32_t dddGetCameraPerspectiveY(dddObject *object);
// Camera values; -1 for a non-camera.
int32_t dddSetLightIntensity(dddObject *object, int32_t intensity);
int32_t dddGetLightIntensity(dddObject *object);
int32_t dddSetLightConeAngle(dddObject *object, int32_t angle);
int32_t dddGetLightConeAngle(dddObject *object);
int32_t dddGetLightType(dddObject *object);
// Light values; -1 for a non-light.
int32_t dddSetRenderMethod(dddObject *object, int32_t method);
int32_t dddGetRenderMethod(dddObject *object);
// The render method (bits 8 to 15), on any object.
int32_t dddAttach(dddObject *object, dddObject *parent, const char *name, int32_t x, int32_t y,
                  int32_t z, int32_t a1, int32_t a2, int32_t a3);
// Makes object a named child of parent at a relative place; 0, or -1 when refused.
void dddDetach(dddObject *object);
// Unlinks the object from its parent, keeping its world place.
void dddDetachChildren(dddObject *object);
// Detaches every child of the object.
dddObject *dddPart(dddObject *object, const char *path);
// The object reached by part names separated by ">" ("PARENT" goes up), or null.

// ---- frame ----
void dddClearObjects(void);
// Empties the draw list, the light list and the camera selection.
void dddInsertObject(dddObject *object);
// Adds an object and its children to this frame's draw list.
int32_t *dddSelectCamera(dddObject *camera);
// Views the frame from the camera; the view matrix, or DDD_BADREF for a non-camera.
int32_t dddDrawObjects(void);
// Draws the frame's objects; the number drawn.
void dddSetRetrievedObjectPos(int32_t x, int32_t y);
// Names the pixel whose last drawing object is picked.
dddObject *dddGetRetrievedObject(void);
// The object that last changed the picked pixel in the last frame, or null.

// ---- files ----
void dddSetFileFunctions(dddOpenFunc open, dddCloseFunc close, dddCreateFunc create,
                         dddReadBytesFunc read, dddWriteBytesFunc write, dddSeekFunc seek,
                         dddLengthFunc length, dddExistFunc exist);
// Sets any of the host file functions; a null argument keeps the current one.
void *dddLoadFile(const char *name);
// Reads a whole file into a block of the selected area, or null.
uint32_t dddSaveFile(const char *name, const void *data, uint32_t length);
// Writes data to a file (created when missing); bytes written or 0.
void *DDDLOADDATAFILE(int32_t type, const char *name);
// Loads a file of a type (DDD_FILE_*) once and shares it by upper-cased name; data or null.
enum { DDD_FILE_SHAPE, DDD_FILE_TEXTURE, DDD_FILE_PALETTE, DDD_FILE_COLGEN, DDD_FILE_FONT };
void *dddShapeLoad(const char *name);
void *dddTextureLoad(const char *name);
dddFont *dddFontLoad(const char *name);
// The typed loaders; data or null.
void dddPaletteLoad(const char *name);
// Loads the name's ".CG" shade table and ".COL" palette and passes the palette on.
void dddDefinePaletteFunction(dddPaletteFunc function);
// Sets the function that receives a loaded palette.
void dddBuildLogicalPalette(const uint8_t *colours, const uint8_t *system, uint8_t *out);
// 256 RGBA entries: 0-9 and 246-255 from system (RGBA), the rest the file's 6-bit values x 4.
void DDDLOCATESHAPE(void *shape);
void DDDRELOCATESHAPE(void *shape);
void DDDDELOCATESHAPE(void *shape);
// Prepare a fresh shape, take one more reference, drop one reference.
int32_t dddShapeRadius(const void *shape);
int32_t dddShapePoints(const void *shape);
// The shape's bounding radius and largest point count (0 for none or an empty shape).

// ---- maths ----
int32_t dddGetSine(int32_t angle);
int32_t dddGetCosine(int32_t angle);
// Table sine and cosine of a 16-bit angle, 1.0 = 32767.
void DDDORIENTATION(int32_t *out, int32_t a, int32_t b, int32_t c);
// The rotation matrix of pitch a, heading b, roll c.
void dddGenerate3DMatrix(int32_t *out, const uint16_t *angles);
// The rotation matrix of three angles.
void dddRotate3dPoint(int32_t *point, const int32_t *matrix);
// point := matrix x point (rows >> 15); a null matrix is the view matrix.
void DDDMATMUL(const int32_t *a, const int32_t *b, int32_t *out);
// out := a x b (entries >> 15); out may be a or b.
int32_t *dddSetView(dddObject *object, const int32_t *offset, const uint16_t *angles);
// Sets the viewer and view matrix from an object, an offset and angles; the view matrix.
dddTransform *dddResolveObject(dddObject *object, int32_t *changed);
// Brings the object's world transform up to date; changed set to 1 when recomputed.
int32_t dddCreateScreenX(int32_t x, int32_t z);
int32_t dddCreateScreenY(int32_t y, int32_t z);
// Screen column or row of a camera-space point (integer units), or DDD_NOSCREEN.
int32_t dddCreateScreenZ(int32_t z);
// The depth value of an integer depth, or DDD_NOSCREEN.
int32_t dddCreateTextureXY(int32_t u, int32_t v);
// u + v * 65536.
int32_t dddAtan(int32_t y, int32_t x);
// The angle of (x, y), 0 along +x, in steps of 64.
uint16_t *dddAlign(uint16_t *out, const int32_t *to, const int32_t *from);
// Pitch and heading of the direction from `from` to `to` (null = origin).
void dddProjectPoint(int32_t *point, const uint16_t *angles, int32_t distance);
// Moves a point along the direction of pitch and heading.
void dddProjectObj(dddObject *object, int32_t distance);
// Moves an object along its own angles.
uint32_t dddSquareRoot(uint32_t x);
// The largest r with r * r <= x.
int32_t dddRnd(void);
// The next 16-bit random value.
void dddInitRnd(uint32_t seed);
// Seeds the random sequence.

// ---- drawing ----
int32_t DDDDRAWOBJECT(dddObject *object);
// Draws one lit shape; 0 when nothing was drawn.
int32_t DDDDRAWOBJECTTOZBUFFER(dddObject *object);
// Draws one shape into the depth buffer only.
void dddLineOn(int32_t colour);
// Polygons are drawn as outlines of that colour.
void dddLineOff(void);
// Polygons are filled again.
int32_t dddGetColorValue(int32_t colour, int32_t intensity);
// The shade table's entry for a colour at an intensity.
void DDDDRAWZCLIPLINE(int32_t colour, const dddVertex *a, const dddVertex *b);
// A line between camera-space vertices, clipped at the near plane and the screen.
void DDDDRAWCLIPLINE(int32_t colour, const dddVertex *a, const dddVertex *b);
// A line between projected vertices, clipped to the screen.
void DDDCLIPDRAWLINE(int32_t colour, int32_t x1, int32_t y1, uint32_t depth1, int32_t x2,
                     int32_t y2, uint32_t depth2);
// The same for screen points given by value.
void dddDrawLine(int32_t colour, int32_t x1, int32_t y1, uint32_t depth1, int32_t x2, int32_t y2,
                 uint32_t depth2);
// An unclipped line; both ends must lie on the screen; the end point is not plotted.
void dddPrint(const dddFont *font, int32_t colour, int32_t x, int32_t y, const char *text);
// Draws text with its top-left corner at (x, y), clipped to the screen.

// ---- strings ----
int32_t dddStrCmp(const char *a, const char *b);
// 0 when equal, 1 when not.
char *dddStrCpy(char *destination, const char *source);
int32_t dddStrLen(const char *s);
char *dddStrCat(char *destination, const char *source);
int32_t dddStrChr(const char *s, int32_t c);
// The index of the first c, or the length when there is none.
void dddStrLwr(char *s);
void dddStrUpr(char *s);
// Convert ASCII letters in place.
