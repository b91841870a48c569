// scenes.cpp -- the seeded reference scenes of the engine benchmarks
#include "bench/ddd/scenes.h"

#include <cstring>

#include "ddd/ddd_local.h"

const char *const scene_names[SCENE_COUNT] = {"typical640x480", "ships1024x768", "ships742x540",
                                              "layers", "tiny"};

uint8_t SceneHorizonColour(int32_t y, int32_t height) {
    int32_t band = y * 16 / (height ? height : 1);
    return (uint8_t)(band < 8 ? 0xE8 + band : 0xE0 + band - 8);
}

static void Horizon() {
    for (int32_t y = 0; y < dddscreen_depth; y++)
        memset(dddscreenptr + dddscreenmultabptr[y], SceneHorizonColour(y, dddscreen_depth),
               (size_t)dddscreen_width);
}

static void Start(Scene &s, int32_t w, int32_t h) {
    StartEngine(&s.screen, w, h);
    mem_files["DEFAULT.CG"] = MakeShadeFile();
    mem_files["DEFAULT.COL"] = MakePaletteFile();
    dddPaletteLoad("default.col");
    s.camera = dddCreateCamera(32000, w / 20, w / 20); // the bridge's widest view
    s.light = dddCreateLight(5, 255, 0);
}

// Keeps the shape file beside the scene under `name` (as the engine will ask for it).
static int32_t AddShape(Scene &s, const char *name, const ShapeFile &f) {
    mem_files[name] = f.Build();
    s.shapes.push_back(f);
    return (int32_t)s.shapes.size() - 1;
}

// `ships` hulls of 200 triangles in a seeded spread ahead of the camera.
static void Ships(Scene &s, int32_t ships, int32_t spacing) {
    int32_t shape = AddShape(s, "SHIP.DSH", MakeHull(70, 50, 260, 11, 10, 0x3F));
    dddInitRnd(0x12345678u);
    for (int32_t i = 0; i < ships; i++) {
        dddObject *o = dddLoad("ship.dsh");
        dddSetRenderMethod(o, 0x2300);
        // Rows of up to ten abreast, centred on the line of sight, each row farther out.
        int32_t per_row = ships < 10 ? ships : 10, lane = i % 10, row = i / 10;
        dddMoveTo(o, (2 * lane - per_row + 1) * spacing + (dddRnd() & 63), 20,
                  1400 + row * 700 + (dddRnd() & 255));
        dddRotateTo(o, 0, dddRnd(), 0);
        s.objects.push_back(o);
        s.shape_of.push_back(shape);
        s.triangles += 200;
    }
}

static void ShipScene(Scene &s, int32_t w, int32_t h, int32_t ships, int32_t spacing) {
    Start(s, w, h);
    Ships(s, ships, spacing);
    s.horizon = true;
}

// Ten screen-filling Gouraud layers, each nearer than the last so every pixel is written.
static void LayerScene(Scene &s) {
    Start(s, 1024, 768);
    ShapeFile f;
    ShapeLevel l;
    std::vector<int32_t> xyz;
    for (int32_t k = 0; k < 10; k++) {
        int32_t z = 2000 - 150 * k, e = 4 * z; // far enough out to cover the view
        xyz.insert(xyz.end(), {-e, -e, z, e, -e, z, e, e, z, -e, e, z});
    }
    l.points = 40;
    l.normals = 20;
    l.Points(0, xyz);
    for (int32_t k = 0; k < 10; k++) {
        l.Poly(0x3F, 2 * k, {4 * k, 4 * k + 1, 4 * k + 2});
        l.Poly(0x3F, 2 * k + 1, {4 * k, 4 * k + 2, 4 * k + 3});
    }
    l.End();
    f.npoints = 40;
    f.radius = 20000;
    f.levels.push_back(l);
    int32_t shape = AddShape(s, "LAYERS.DSH", f);
    dddObject *o = dddLoad("layers.dsh");
    dddSetRenderMethod(o, 0x2300);
    dddMoveTo(o, 0, 0, 0);
    s.objects.push_back(o);
    s.shape_of.push_back(shape);
    s.triangles = 20;
    dddMoveTo(s.light, 0, 0, -2000);
    s.layers = 10;
}

// 100000 tiny triangles in ten overlapping shapes: the set-up rate. Each shape is a 100 x 100
// grid that fits the screen at this depth; a triangle's legs are 6 units, 3 to 4 pixels, so it
// covers about six pixels.
static void TinyScene(Scene &s) {
    Start(s, 1024, 768);
    ShapeFile f;
    ShapeLevel l;
    std::vector<int32_t> xyz;
    for (int32_t i = 0; i < 10000; i++) {
        int32_t x = (i % 100 - 50) * 18, y = (i / 100 - 50) * 11;
        xyz.insert(xyz.end(), {x, y, 0, x + 6, y, 0, x, y + 6, 0});
    }
    l.points = 30000;
    l.normals = 10000;
    l.Points(0, xyz);
    for (int32_t i = 0; i < 10000; i++)
        l.Poly(0x3F, i, {3 * i, 3 * i + 1, 3 * i + 2});
    l.End();
    f.npoints = 30000;
    f.radius = 4000;
    f.levels.push_back(l);
    int32_t shape = AddShape(s, "TINY.DSH", f);
    for (int32_t k = 0; k < 10; k++) {
        dddObject *o = dddLoad("tiny.dsh");
        dddSetRenderMethod(o, 0x2300);
        dddMoveTo(o, k * 3, k * 2, 3000 + 10 * k);
        s.objects.push_back(o);
        s.shape_of.push_back(shape);
    }
    s.triangles = 100000;
}

void SceneBuild(Scene &s, int32_t which) {
    switch (which) {
    case SCENE_TYPICAL: // a few ships on a 640 x 480 bridge
        ShipScene(s, 640, 480, 5, 60);
        break;
    // 50 ships, 10000 triangles, Gouraud-lit by one point light, depth clear and horizon fill.
    case SCENE_SHIPS_1024:
        ShipScene(s, 1024, 768, 50, 130);
        break;
    case SCENE_SHIPS_742:
        ShipScene(s, 742, 540, 50, 130);
        break;
    case SCENE_LAYERS:
        LayerScene(s);
        break;
    default:
        TinyScene(s);
        break;
    }
}

int32_t SceneFrame(Scene &s) {
    if (s.horizon) Horizon();
    dddZBCls();
    dddClearObjects();
    dddSelectCamera(s.camera);
    for (dddObject *o : s.objects)
        dddInsertObject(o);
    dddInsertObject(s.light);
    return dddDrawObjects();
}

int64_t SceneCovered() {
    int64_t n = 0;
    for (int32_t i = 0; i < dddwidth_mul_depth; i++)
        n += dddzbufferptr[i] != 0;
    return n;
}
