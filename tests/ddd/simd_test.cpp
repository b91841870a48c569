// simd_test.cpp -- every span path draws the same pixels and depths, bit for bit
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bench/ddd/scenes.h"
#include "ddd/ddd_local.h"
#include "tests/ddd/ddd_support.h"

namespace {

const char *const path_names[] = {"portable", "sse2", "avx2"};

// The screen and the depth buffer as they stand.
struct Frame {
    std::vector<uint8_t> pixels;
    std::vector<uint16_t> depths;
};

Frame Grab() {
    Frame f;
    f.pixels.assign(dddscreenptr, dddscreenptr + dddwidth_mul_depth);
    f.depths.assign(dddzbufferptr, dddzbufferptr + dddwidth_mul_depth);
    return f;
}

uint64_t HashDepth() {
    uint64_t h = 1469598103934665603ull;
    for (int32_t i = 0; i < dddwidth_mul_depth; i++)
        h = (h ^ dddzbufferptr[i]) * 1099511628211ull;
    return h;
}

// Where two frames first differ, for the failure message.
int64_t FirstDifference(const Frame &a, const Frame &b) {
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); i++)
        if (a.pixels[i] != b.pixels[i] || a.depths[i] != b.depths[i]) return (int64_t)i;
    return a.pixels.size() == b.pixels.size() ? -1 : (int64_t)a.pixels.size();
}

// Frame two of a reference scene (the first after the depth clear has whole-screen state)
// on the given path.
Frame SceneOn(int32_t which, int32_t path, uint64_t *screen_hash, uint64_t *depth_hash) {
    Scene s;
    SceneBuild(s, which);
    EXPECT_EQ(dddSimdSelect(path), path);
    SceneFrame(s);
    SceneFrame(s);
    *screen_hash = HashScreen();
    *depth_hash = HashDepth();
    Frame f = Grab();
    StopEngine();
    return f;
}

TEST(Simd, SelectNarrowsToWhatIsAvailable) {
    dddScreen screen;
    StartEngine(&screen, 32, 16);
    int32_t best = dddSimdBest();
    EXPECT_EQ(dddSimdSelect(DDD_SIMD_PORTABLE), DDD_SIMD_PORTABLE);
    EXPECT_EQ(dddSimdSelect(DDD_SIMD_AVX2), best);
    EXPECT_EQ(dddSimdSelect(99), best);
    EXPECT_EQ(dddSimdSelect(-1), DDD_SIMD_PORTABLE);
    StopEngine();
}

// The benchmark scenes: long Gouraud spans over the whole screen, ships, and tiny triangles.
TEST(Simd, ReferenceScenesMatchOnEveryPath) {
    static const uint64_t want[SCENE_COUNT][2] = {{0xdec25a7128f3d3b6ull, 0x350a84c1a17794b0ull},
                                                  {0xe0b0776e47eda284ull, 0x9f4eb385684fa745ull},
                                                  {0x0fb6523aa0b53f41ull, 0x645491877768a066ull},
                                                  {0xe3feeda798590383ull, 0xe7cfd04610bd0383ull},
                                                  {0xcaa1840cb95bd9f4ull, 0xfcf4badec2669a5aull}};
    int32_t best = dddSimdBest();
    for (int32_t which = 0; which < SCENE_COUNT; which++) {
        uint64_t sh = 0, dh = 0;
        Frame ref = SceneOn(which, DDD_SIMD_PORTABLE, &sh, &dh);
        EXPECT_EQ(sh, want[which][0]) << scene_names[which];
        EXPECT_EQ(dh, want[which][1]) << scene_names[which];
        for (int32_t path = DDD_SIMD_SSE2; path <= best; path++) {
            Frame got = SceneOn(which, path, &sh, &dh);
            EXPECT_EQ(FirstDifference(ref, got), -1)
                << scene_names[which] << " on " << path_names[path];
        }
    }
    if (best < DDD_SIMD_AVX2) GTEST_SKIP() << "no AVX2 here: compared up to " << path_names[best];
}

// Flat and depth-only triangles of every size over a depth buffer of noise, so that spans of
// every length start and end on every alignment and pass the depth test pixel by pixel.
Frame Triangles(int32_t path) {
    dddScreen screen;
    StartEngine(&screen, 203, 97);
    EXPECT_EQ(dddSimdSelect(path), path);
    dddInitRnd(0x13579BDFu);
    for (int32_t i = 0; i < dddwidth_mul_depth; i++) {
        dddscreenptr[i] = (uint8_t)dddRnd();
        dddzbufferptr[i] = (uint16_t)(0x4000 + (dddRnd() & 0x7FFF));
    }
    dddVertex v[3] = {};
    dddVertex *ring[3] = {&v[0], &v[1], &v[2]};
    for (int32_t t = 0; t < 3000; t++) {
        int32_t size = 1 + (int32_t)(dddRnd() % (t % 3 == 0 ? 220u : 40u));
        int32_t x = (int32_t)(dddRnd() % 260u) - 30, y = (int32_t)(dddRnd() % 130u) - 16;
        for (int32_t k = 0; k < 3; k++) {
            v[k].col = x + (int32_t)(dddRnd() % (uint32_t)size);
            v[k].row = y + (int32_t)(dddRnd() % (uint32_t)size);
            v[k].z = 1000 << 16;
            v[k].depth = 0x40000000u + (uint32_t)dddRnd() * 0x8000u + (uint32_t)dddRnd();
        }
        // Clockwise on screen, or it faces away.
        int64_t facing = (int64_t)(v[1].col - v[0].col) * (v[2].row - v[0].row) -
                         (int64_t)(v[2].col - v[0].col) * (v[1].row - v[0].row);
        if (facing < 0) std::swap(v[1], v[2]);
        ddd_mode = 0;
        ddd_zonly = t % 5 == 4;
        dddDrawRing(DDDK_PLAIN, (int32_t)(dddRnd() & 255), ring, 3, 0, nullptr);
    }
    ddd_zonly = 0;
    Frame f = Grab();
    StopEngine();
    return f;
}

TEST(Simd, RandomTrianglesMatchOnEveryPath) {
    Frame ref = Triangles(DDD_SIMD_PORTABLE);
    int32_t best = dddSimdBest();
    for (int32_t path = DDD_SIMD_SSE2; path <= best; path++)
        EXPECT_EQ(FirstDifference(ref, Triangles(path)), -1) << path_names[path];
    if (best < DDD_SIMD_AVX2) GTEST_SKIP() << "no AVX2 here: compared up to " << path_names[best];
}

// The camera-space and screen values of a shape's points after it is drawn on a path. The
// points spread from behind the eye (left as they were) to far off the screen (clamped), and
// their count is no multiple of four.
std::vector<int32_t> PointValues(int32_t path) {
    dddScreen screen;
    StartEngine(&screen, 320, 200);
    EXPECT_EQ(dddSimdSelect(path), path);
    mem_files["DEFAULT.CG"] = MakeShadeFile();
    mem_files["DEFAULT.COL"] = MakePaletteFile();
    dddPaletteLoad("default.col");
    dddObject *camera = dddCreateCamera(32000, 16, 16);
    dddObject *light = dddCreateLight(5, 255, 0);
    dddInitRnd(0x2468ACE1u);
    const int32_t count = 4003;
    std::vector<int32_t> xyz;
    for (int32_t i = 0; i < count; i++) {
        // Mostly within a few thousand units; every seventh point anywhere at all.
        uint32_t spread = i % 7 == 3 ? 0xFFFFFFFFu : 0x1FFFu;
        for (int32_t k = 0; k < 3; k++) {
            uint32_t r = ((uint32_t)dddRnd() << 16) | (uint32_t)dddRnd();
            xyz.push_back((int32_t)((r & spread) - (spread >> 1))); // wraps, never overflows
        }
    }
    ShapeFile f;
    f.npoints = count;
    f.radius = 4000;
    ShapeLevel l;
    l.points = count;
    l.Points(0, xyz);
    l.End();
    f.levels.push_back(l);
    mem_files["POINTS.DSH"] = f.Build();
    dddObject *o = dddLoad("points.dsh");
    dddSetRenderMethod(o, 0x2300);
    dddMoveTo(o, 100, -50, 3000);
    dddRotateTo(o, 0x1234, 0x5678, 0x0ABC);
    // Points nearer than the eye's limit keep whatever they held.
    for (int32_t i = 0; i < count; i++)
        ddd_vcache[i].col = ddd_vcache[i].row = 7 * i, ddd_vcache[i].depth = 11u * (uint32_t)i;
    dddClearObjects();
    dddSelectCamera(camera);
    dddInsertObject(o);
    dddInsertObject(light);
    dddDrawObjects();
    std::vector<int32_t> values;
    int32_t near = 0;
    for (int32_t i = 0; i < count; i++) {
        const dddVertex &v = ddd_vcache[i];
        values.insert(values.end(), {v.x, v.y, v.z, v.col, v.row, (int32_t)v.depth});
        near += v.z < (DDD_NEAR << 16);
    }
    EXPECT_GT(near, 100); // the test reaches behind the eye
    StopEngine();
    return values;
}

TEST(Simd, ShapePointsMatchOnEveryPath) {
    std::vector<int32_t> ref = PointValues(DDD_SIMD_PORTABLE);
    int32_t best = dddSimdBest();
    for (int32_t path = DDD_SIMD_SSE2; path <= best; path++) {
        std::vector<int32_t> got = PointValues(path);
        ASSERT_EQ(got.size(), ref.size());
        for (size_t i = 0; i < ref.size(); i++)
            ASSERT_EQ(got[i], ref[i])
                << "point " << i / 6 << " value " << i % 6 << " on " << path_names[path];
    }
    if (best < DDD_SIMD_AVX2) GTEST_SKIP() << "no AVX2 here: compared up to " << path_names[best];
}

} // namespace
