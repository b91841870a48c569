// hidden_test.cpp -- leaving out shapes and polygons wholly behind what is drawn already must
// never change a pixel or a depth
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ddd/ddd_local.h"
#include "tests/ddd/ddd_support.h"

class Hidden : public ::testing::Test {
  protected:
    dddScreen screen;
    dddObject *camera = nullptr, *light = nullptr;
    int serial = 0;
    void SetUp() override {
        StartEngine(&screen, 160, 120);
        camera = dddCreateCamera(32000, 8, 8);
        mem_files["DEFAULT.CG"] = MakeShadeFile();
        mem_files["DEFAULT.COL"] = MakePaletteFile();
        dddPaletteLoad("default.col");
        light = dddCreateLight(5, 255, 0);
    }
    void TearDown() override {
        ddd_skip_hidden = 1;
        StopEngine();
    }
    dddObject *Load(const ShapeFile &f) {
        std::string name = "H" + std::to_string(serial++) + ".DSH";
        mem_files[name] = f.Build();
        return dddLoad(name.c_str());
    }
    int32_t Frame(const std::vector<dddObject *> &objects) {
        dddFillScreen(0xE0);
        dddZBCls();
        dddClearObjects();
        dddSelectCamera(camera);
        for (dddObject *o : objects)
            dddInsertObject(o);
        dddInsertObject(light);
        return dddDrawObjects();
    }
    std::vector<uint8_t> Pixels() {
        return std::vector<uint8_t>(dddscreenptr, dddscreenptr + dddwidth_mul_depth);
    }
    std::vector<uint16_t> Depths() {
        return std::vector<uint16_t>(dddzbufferptr, dddzbufferptr + dddwidth_mul_depth);
    }
    const dddLevel &FirstLevel(dddObject *o) {
        return ((const dddShapeInfo *)dddMemUser(o->shape))->levels[0];
    }
};

// A flat square of half size e facing the camera, colour c.
static ShapeFile Wall(int32_t e, int32_t c) {
    ShapeFile f;
    f.npoints = 4;
    f.radius = 2 * e;
    ShapeLevel l;
    l.points = 4;
    l.normals = 2;
    l.Points(0, {-e, -e, 0, e, -e, 0, e, e, 0, -e, e, 0});
    l.Poly(c, 0, {0, 1, 2});
    l.Poly(c, 1, {0, 2, 3});
    l.End();
    f.levels.push_back(l);
    return f;
}

TEST_F(Hidden, CrowdedScenesMatchDrawingEverything) {
    // Hulls of three sizes and a wall, crowded at random into the view, some reaching past the
    // near plane and the screen's edges, lit, flat, unlit and depth-only, in random order.
    const ShapeFile files[4] = {MakeHull(70, 50, 260, 11, 10, 0x3F),
                                MakeHull(30, 30, 60, 6, 8, 0x5F),
                                MakeHull(200, 120, 500, 8, 12, 0x7F), Wall(300, 0x9F)};
    const char *names[4] = {"A.DSH", "B.DSH", "C.DSH", "D.DSH"};
    for (int32_t k = 0; k < 4; k++)
        mem_files[names[k]] = files[k].Build();
    static const int32_t methods[4] = {0x2300, 0x1300, 0x0300, 0x0200};
    int64_t left_out = 0;
    for (uint32_t seed = 1; seed <= 60; seed++) {
        dddInitRnd(seed * 0x9E3779B9u);
        std::vector<dddObject *> objects;
        for (int32_t i = 0; i < 40; i++) {
            dddObject *o = dddLoad(names[dddRnd() & 3]);
            ASSERT_NE(o, nullptr);
            dddSetRenderMethod(o, methods[(dddRnd() & 15) == 0 ? 3 : dddRnd() % 3]);
            dddMoveTo(o, (dddRnd() % 2400) - 1200, (dddRnd() % 600) - 300,
                      (int32_t)(dddRnd() % 4000) + (i == 0 ? 0 : 100));
            dddRotateTo(o, dddRnd() & 0x0FFF, dddRnd(), dddRnd() & 0x0FFF);
            objects.push_back(o);
        }
        ddd_skip_hidden = 0;
        int32_t all = Frame(objects);
        uint32_t polys = dddglobal_npoly_count + dddglobal_gpoly_count;
        std::vector<uint8_t> pixels = Pixels();
        std::vector<uint16_t> depths = Depths();
        ddd_skip_hidden = 1;
        int32_t drawn = Frame(objects);
        EXPECT_EQ(Pixels(), pixels) << "seed " << seed;
        EXPECT_EQ(Depths(), depths) << "seed " << seed;
        EXPECT_LE(drawn, all);
        left_out += polys - (dddglobal_npoly_count + dddglobal_gpoly_count) + (all - drawn);
        for (dddObject *o : objects)
            dddDestroy(o);
    }
    EXPECT_GT(left_out, 0) << "nothing was found hidden: the comparison proves nothing";
}

TEST_F(Hidden, ShapeBehindAWallIsLeftOutAndOnePeekingOutIsDrawn) {
    dddObject *wall = Load(Wall(40, 0x9F)); // 64 pixels each way of the middle
    dddObject *hull = Load(MakeHull(70, 50, 260, 11, 10, 0x3F));
    dddSetRenderMethod(wall, 0x0300);
    dddSetRenderMethod(hull, 0x2300);
    dddMoveTo(wall, 0, 0, 1000);
    dddMoveTo(hull, 0, 0, 3000);
    EXPECT_EQ(Frame({wall, hull}), 1);
    for (int32_t i = 0; i < dddwidth_mul_depth; i++)
        ASSERT_NE(dddscreenptr[i] & 0xF0, 0x30);
    // Drawn first, the hull is in front of nothing yet.
    EXPECT_EQ(Frame({hull, wall}), 2);
    // Beside the wall's edge it shows.
    dddMoveTo(hull, 140, 0, 3000);
    EXPECT_EQ(Frame({wall, hull}), 2);
    int32_t shown = 0;
    for (int32_t i = 0; i < dddwidth_mul_depth; i++)
        shown += (dddscreenptr[i] & 0xF0) == 0x30;
    EXPECT_GT(shown, 0);
}

TEST_F(Hidden, SameDepthBehindStillDraws) {
    // Later wins at equal depth: a copy of the wall at the wall's own place repaints it.
    dddObject *wall = Load(Wall(200, 0x9F));
    dddObject *twin = Load(Wall(200, 0x5F));
    dddSetRenderMethod(wall, 0x0300);
    dddSetRenderMethod(twin, 0x0300);
    dddMoveTo(wall, 0, 0, 900);
    dddMoveTo(twin, 0, 0, 900);
    EXPECT_EQ(Frame({wall, twin}), 2);
    EXPECT_EQ(dddGetPixel(80, 60), 0x5F);
}

TEST_F(Hidden, OnlyLevelsThatChangeNothingElseMayBeLeftOut) {
    EXPECT_GT(FirstLevel(Load(MakeHull(30, 30, 60, 6, 8, 0x3F))).lead, 0);
    // Patterns move random and rotating state on, sprites reach past their point.
    ShapeFile f = Wall(100, 0x9F);
    f.levels[0].code.insert(f.levels[0].code.end() - 2, {19, 2, 2, 0});
    EXPECT_EQ(FirstLevel(Load(f)).lead, 0);
    ShapeFile s = Wall(100, 0x9F);
    s.levels[0].code.insert(s.levels[0].code.end() - 2, {13, 0, 50, 50});
    EXPECT_EQ(FirstLevel(Load(s)).lead, 0);
    // Points set after a jump may not be set on every draw.
    ShapeFile j;
    j.npoints = 4;
    ShapeLevel l;
    l.points = 4;
    l.normals = 1;
    l.Points(0, {-50, -50, 0, 50, -50, 0, 50, 50, 0});
    size_t at = l.Jump();
    l.Target(at);
    l.Points(3, {-50, 50, 0});
    l.Poly(0x9F, 0, {0, 2, 3});
    l.End();
    j.levels.push_back(l);
    EXPECT_EQ(FirstLevel(Load(j)).lead, 0);
}

TEST_F(Hidden, DepthClearLeavesTheWholeBufferClearedWhateverWasDrawn) {
    dddObject *hull = Load(MakeHull(70, 50, 260, 11, 10, 0x3F));
    dddSetRenderMethod(hull, 0x2300);
    auto all_are = [&](uint16_t v) {
        for (int32_t i = 0; i < dddwidth_mul_depth; i++)
            if (dddzbufferptr[i] != v) return false;
        return true;
    };
    dddInitRnd(7);
    for (int32_t i = 0; i < 20; i++) {
        dddMoveTo(hull, (dddRnd() % 800) - 400, (dddRnd() % 600) - 300, 300 + dddRnd() % 3000);
        dddRotateTo(hull, dddRnd(), dddRnd(), dddRnd());
        Frame({hull});
        dddDrawLine(5, 0, 0, 0xFFFFFFFF, 159, 119, 0xFFFFFFFF); // corner to corner, nearest
        dddZBCls();
        ASSERT_TRUE(all_are(0)) << "frame " << i;
    }
    // A new fill value reaches every row, drawn into or not.
    dddSetZBValue(5000);
    uint16_t far_fill = dddzbfillvalue;
    ASSERT_NE(far_fill, 0);
    dddZBCls();
    EXPECT_TRUE(all_are(far_fill));
    dddMoveTo(hull, 0, 0, 900);
    Frame({hull});
    dddZBCls();
    EXPECT_TRUE(all_are(far_fill));
    // A screen whose buffers the caller brings may hold anything.
    dddSetZBValue(0);
    dddScreen own = screen;
    std::fill(own.zbuffer, own.zbuffer + dddwidth_mul_depth, 0x1234);
    dddSelectMemoryScreen(&own);
    dddZBCls();
    EXPECT_TRUE(all_are(0));
}

// The polygon test looks at whole groups of depths, some reaching past the box's columns; one
// uncovered pixel anywhere in the box must still have the polygon drawn, and nothing outside the
// box may: boxes of every width to 20 at the screen's left edge, its middle and its right edge.
TEST_F(Hidden, OneUncoveredPixelOfTheBoxHasThePolygonDrawn) {
    ddd_mode = 0; // unlit: the ring is drawn flat, counted in dddglobal_npoly_count
    const int32_t width = dddscreen_width;
    for (int32_t w = 2; w <= 20; w++) {
        for (int32_t x0 : {0, 70, width - w}) {
            const int32_t y0 = 30, h = 4;
            dddVertex v[3] = {};
            const int32_t cols[3] = {x0, x0 + w - 1, x0}, rows[3] = {y0, y0, y0 + h - 1};
            dddVertex *ring[3];
            for (int32_t i = 0; i < 3; i++) {
                v[i].z = 1000 << 16;
                v[i].col = cols[i], v[i].row = rows[i];
                v[i].depth = 100u << 16;
                ring[i] = &v[i];
            }
            auto drawn = [&](int32_t hx, int32_t hy) {
                std::fill(dddzbufferptr, dddzbufferptr + dddwidth_mul_depth, 0xFFFF);
                if (hx >= 0) dddzbufferptr[dddscreenmultabptr[hy] + hx] = 0;
                int32_t before = dddglobal_npoly_count;
                dddDrawRing(DDDK_PLAIN, 0x9F, ring, 3, 0, nullptr);
                return dddglobal_npoly_count != before;
            };
            EXPECT_FALSE(drawn(-1, 0)) << "width " << w << " at " << x0;
            // Rows from the top one to the one before the lowest corner's, as the walk draws.
            for (int32_t y = y0; y < y0 + h - 1; y++)
                for (int32_t x = x0; x < x0 + w; x++)
                    EXPECT_TRUE(drawn(x, y))
                        << "width " << w << " at " << x0 << ": " << x << "," << y;
            // Beside the box, just outside the columns looked at.
            if (x0 > 0) {
                EXPECT_FALSE(drawn(x0 - 1, y0)) << "width " << w << " at " << x0;
            }
            if (x0 + w < width) {
                EXPECT_FALSE(drawn(x0 + w, y0)) << "width " << w << " at " << x0;
            }
        }
    }
}
