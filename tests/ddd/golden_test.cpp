// golden_test.cpp -- small whole scenes whose pixels are hashed on every span path; a mismatch
// writes a PNG
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ddd/ddd_local.h"
#include "tests/ddd/ddd_support.h"

static const char *const simd_names[] = {"portable", "sse2", "avx2"};

// Each scene is drawn on each span path the build and processor have, chosen the way a player
// would force one, and must give the same hashes on all of them.
class Golden : public ::testing::TestWithParam<int32_t> {
  protected:
    dddScreen screen;
    dddObject *camera = nullptr;
    void SetUp() override {
        setenv("KESTRUNE_DDD_SIMD", simd_names[GetParam()], 1);
        StartEngine(&screen, 96, 64);
        if (ddd_simd != GetParam()) GTEST_SKIP() << simd_names[GetParam()] << " not available";
        mem_files["DEFAULT.CG"] = MakeShadeFile();
        mem_files["DEFAULT.COL"] = MakePaletteFile();
        dddPaletteLoad("default.col");
        camera = dddCreateCamera(32000, 100, 100);
        dddFillScreen(0xE0);
        dddZBCls();
        dddClearObjects();
        dddSelectCamera(camera);
    }
    void TearDown() override {
        StopEngine();
        unsetenv("KESTRUNE_DDD_SIMD");
    }
    // Compares the screen's hash; on a mismatch the image is kept for a person to look at.
    void Expect(const char *name, uint64_t hash) {
        uint64_t got = HashScreen();
        if (got != hash) {
            std::string path = std::string("ddd_golden_") + name + ".png";
            WritePng(path);
            ADD_FAILURE() << name << ": hash 0x" << std::hex << got << " (image in " << path << ")";
        }
    }
};

TEST_P(Golden, LitHull) {
    mem_files["HULL.DSH"] = MakeHull(60, 40, 200, 6, 10, 0x3F).Build();
    dddObject *hull = dddLoad("hull.dsh");
    ASSERT_NE(hull, nullptr);
    dddSetRenderMethod(hull, 0x2300);
    dddMoveTo(hull, 0, 0, 200);
    dddRotateTo(hull, 0x0800, 0x3000, 0x0400);
    dddObject *light = dddCreateLight(5, 255, 0);
    dddInsertObject(hull);
    dddInsertObject(light);
    EXPECT_EQ(dddDrawObjects(), 1);
    EXPECT_EQ(dddGetPixel(0, 0), 0xE0);          // the background stays
    EXPECT_EQ(dddGetPixel(48, 32) & 0xF0, 0x30); // hull colour band
    EXPECT_GT(dddglobal_gpoly_count, 20);
    Expect("lit_hull", 0xd4dbd76a76cb3cc1ull);
}

TEST_P(Golden, ClippedPolygon) {
    ShapeFile f;
    f.npoints = 4;
    f.radius = 400;
    ShapeLevel l;
    l.points = 4;
    l.normals = 1;
    // A floor running from in front of the viewer far out past the screen's sides.
    l.Points(0, {-400, 60, -150, 400, 60, -150, 400, 60, 1500, -400, 60, 1500});
    l.Poly(0x55, 0, {3, 2, 1, 0});
    l.End();
    f.levels.push_back(l);
    mem_files["FLOOR.DSH"] = f.Build();
    dddObject *floor = dddLoad("floor.dsh");
    dddMoveTo(floor, 0, 0, 100);
    dddInsertObject(floor);
    EXPECT_EQ(dddDrawObjects(), 1);
    EXPECT_EQ(dddGetPixel(48, 63), 0x55);
    EXPECT_EQ(dddGetPixel(48, 5), 0xE0);
    Expect("clipped_polygon", 0x0b6c5c8e2a98c3a9ull);
}

TEST_P(Golden, Sprites) {
    std::vector<uint8_t> tex(65536);
    for (int32_t v = 0; v < 256; v++)
        for (int32_t u = 0; u < 256; u++)
            tex[v * 256 + u] = ((u - 128) * (u - 128) + (v - 128) * (v - 128) < 120 * 120)
                                   ? (uint8_t)(0x70 + ((u / 32 + v / 32) & 7))
                                   : 0;
    mem_files["BURST.TM"] = tex;
    ShapeFile f;
    f.npoints = 3;
    f.textures.push_back("burst");
    ShapeLevel l;
    l.points = 3;
    l.Points(0, {-120, 0, 0, 60, -30, 100, 150, 40, 300});
    l.SpriteUV(0, {0, 0, 255, 0, 255, 255, 0, 255});
    l.Sprite(0, 15, 15);
    l.Sprite(1, 20, 12);
    l.Sprite(2, 30, 30);
    l.End();
    f.levels.push_back(l);
    mem_files["BURST.DSH"] = f.Build();
    dddObject *s = dddLoad("burst.dsh");
    dddMoveTo(s, 0, 0, 150);
    dddInsertObject(s);
    EXPECT_EQ(dddDrawObjects(), 1);
    Expect("sprites", 0x7813021559c263a7ull);
}

TEST_P(Golden, LinesAndText) {
    dddZBufferOff();
    for (int32_t i = 0; i < 12; i++)
        DDDCLIPDRAWLINE(0x40 + i, 48, 32, 0, 48 + dddGetCosine(i * 0x1555) * 80 / 32767,
                        32 + dddGetSine(i * 0x1555) * 80 / 32767, 0);
    dddPrint(nullptr, 0xFF, 4, 2, "KESTRUNE 1.0");
    dddPrint(nullptr, 0xFE, 30, 55, "abc xyz!");
    dddZBufferOn();
    EXPECT_EQ(dddGetPixel(48, 32), 0x4B);
    Expect("lines_and_text", 0x0b7eae5ebfb198aaull);
}

// FNV-1a over the depth buffer, so a change in stored depths shows even where colours agree.
static uint64_t HashDepth() {
    uint64_t h = 1469598103934665603ull;
    for (int32_t i = 0; i < dddwidth_mul_depth; i++) {
        h ^= dddzbufferptr[i];
        h *= 1099511628211ull;
    }
    return h;
}

// Overlapping hulls at every range (some through the near plane, some across the screen's
// edges), long spans and tiny triangles, in the Gouraud, flat and depth-only methods: the pixel
// and depth rules of every fast path at once.
TEST_P(Golden, CrowdedScene) {
    StopEngine();
    StartEngine(&screen, 320, 200);
    mem_files["DEFAULT.CG"] = MakeShadeFile();
    mem_files["DEFAULT.COL"] = MakePaletteFile();
    dddPaletteLoad("default.col");
    camera = dddCreateCamera(32000, 60, 60);
    dddFillScreen(0xE0);
    dddZBCls();
    dddClearObjects();
    dddSelectCamera(camera);
    mem_files["HULL.DSH"] = MakeHull(70, 50, 260, 9, 12, 0x3F).Build();
    ShapeFile f;
    ShapeLevel l;
    std::vector<int32_t> xyz;
    for (int32_t i = 0; i < 400; i++) {
        int32_t x = (i % 20 - 10) * 13, y = (i / 20 - 10) * 9;
        xyz.insert(xyz.end(), {x, y, 0, x + 3 + i % 5, y, 0, x, y + 2 + i % 7, 0});
    }
    l.points = 1200;
    l.normals = 400;
    l.Points(0, xyz);
    for (int32_t i = 0; i < 400; i++)
        l.Poly(0x1F + (i & 0x20), i, {3 * i, 3 * i + 1, 3 * i + 2});
    l.End();
    f.npoints = 1200;
    f.radius = 300;
    f.levels.push_back(l);
    mem_files["SPECKS.DSH"] = f.Build();
    dddInitRnd(0x2468ACE0u);
    static const int32_t methods[4] = {0x2300, 0x2300, 0x0300, 0x0200};
    for (int32_t i = 0; i < 24; i++) {
        bool specks = i % 6 == 5; // these face the viewer
        dddObject *o = dddLoad(specks ? "specks.dsh" : "hull.dsh");
        ASSERT_NE(o, nullptr);
        dddSetRenderMethod(o, methods[i & 3]);
        int32_t x = (dddRnd() & 1023) - 512, y = (dddRnd() & 255) - 128, z = dddRnd() & 2047;
        dddMoveTo(o, specks ? x / 4 : x, specks ? y / 4 : y, specks ? 300 + z / 4 : 60 + z);
        int32_t a = dddRnd(), b = dddRnd(), c = dddRnd();
        if (!specks) dddRotateTo(o, a, b, c);
        dddInsertObject(o);
    }
    dddObject *light = dddCreateLight(5, 255, 0);
    dddInsertObject(light);
    EXPECT_GT(dddDrawObjects(), 12);
    Expect("crowded_scene", 0x3b96c520a6c319beull);
    EXPECT_EQ(HashDepth(), 0x9ca2a2f633890439ull);
}

INSTANTIATE_TEST_SUITE_P(Simd, Golden,
                         ::testing::Values(DDD_SIMD_PORTABLE, DDD_SIMD_SSE2, DDD_SIMD_AVX2),
                         [](const ::testing::TestParamInfo<int32_t> &info) {
                             return std::string(simd_names[info.param]);
                         });
