// draw_test.cpp -- polygons: facing, depth, near clipping, ring limits, lighting, patterns,
// levels of detail, conditional commands, shared edges, sprites and picking
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ddd/ddd_local.h"
#include "tests/ddd/ddd_support.h"

class Draw : public ::testing::Test {
  protected:
    dddScreen screen;
    dddObject *camera = nullptr, *light = nullptr;
    int serial = 0;
    void SetUp() override {
        StartEngine(&screen, 64, 48);
        camera = dddCreateCamera(32000, 100, 100);
        mem_files["DEFAULT.CG"] = MakeShadeFile();
        mem_files["DEFAULT.COL"] = MakePaletteFile();
        dddPaletteLoad("default.col");
    }
    void TearDown() override { StopEngine(); }

    dddObject *Load(const ShapeFile &f) {
        std::string name = "S" + std::to_string(serial++) + ".DSH";
        mem_files[name] = f.Build();
        return dddLoad(name.c_str());
    }
    // One frame: depth cleared, the objects at their places, the light if any.
    int32_t Frame(std::initializer_list<dddObject *> objects) {
        dddZBCls();
        dddClearObjects();
        dddSelectCamera(camera);
        for (dddObject *o : objects)
            dddInsertObject(o);
        if (light) dddInsertObject(light);
        return dddDrawObjects();
    }
    int32_t Count(int32_t colour) {
        int32_t n = 0;
        for (int32_t i = 0; i < dddwidth_mul_depth; i++)
            n += dddscreenptr[i] == colour;
        return n;
    }
    int32_t Pixel(int32_t x, int32_t y) { return dddGetPixel(x, y); }
};

// One polygon of points given in model units; level far limit unlimited.
static ShapeFile OnePoly(const std::vector<int32_t> &xyz, const std::vector<int32_t> &refs,
                         int32_t colour, int32_t code = 2) {
    ShapeFile f;
    f.npoints = (int32_t)xyz.size() / 3;
    f.radius = 200;
    ShapeLevel l;
    l.points = f.npoints;
    l.normals = 1;
    l.Points(0, xyz);
    l.Poly(colour, 0, refs, code);
    l.End();
    f.levels.push_back(l);
    return f;
}

static const std::vector<int32_t> tri = {-40, -40, 0, 40, -40, 0, -40, 40, 0};

TEST_F(Draw, ClockwiseIsDrawnAnticlockwiseIsNot) {
    dddObject *cw = Load(OnePoly(tri, {0, 1, 2}, 5));
    dddObject *ccw = Load(OnePoly(tri, {0, 2, 1}, 6));
    dddMoveTo(cw, 0, 0, 100);
    dddMoveTo(ccw, 0, 0, 100);
    EXPECT_EQ(Frame({cw}), 1);
    EXPECT_GT(Count(5), 100);
    dddCls();
    Frame({ccw});
    EXPECT_EQ(Count(6), 0);
    dddLineOn(9);
    Frame({ccw});
    EXPECT_EQ(Count(9), 0); // a face turned away is not outlined either
    Frame({cw});
    EXPECT_GT(Count(9), 20);
    EXPECT_EQ(Count(5), 0); // outlines only
    dddLineOff();
}

TEST_F(Draw, CoplanarLaterWinsAndClearedDepthShowsAll) {
    const std::vector<int32_t> far_tri = {-8000, -8000, 0, 8000, -8000, 0, -8000, 8000, 0};
    dddObject *a = Load(OnePoly(far_tri, {0, 1, 2}, 1)), *b = Load(OnePoly(far_tri, {0, 1, 2}, 2));
    dddMoveTo(a, 0, 0, 20000); // far away: still drawn over a cleared depth buffer
    dddMoveTo(b, 0, 0, 20000);
    Frame({a, b});
    EXPECT_EQ(Count(1), 0);
    EXPECT_GT(Count(2), 0);
    dddObject *big1 = Load(OnePoly(tri, {0, 1, 2}, 1)), *big2 = Load(OnePoly(tri, {0, 1, 2}, 2));
    dddMoveTo(big1, 0, 0, 100);
    dddMoveTo(big2, 0, 0, 100);
    dddCls();
    Frame({big1, big2});
    EXPECT_EQ(Count(1), 0);
    dddCls();
    Frame({big2, big1});
    EXPECT_EQ(Count(2), 0);
    // A nearer polygon hides a farther one drawn after it.
    dddMoveTo(big2, 0, 0, 200);
    dddCls();
    Frame({big1, big2});
    EXPECT_EQ(Count(2), 0);
}

TEST_F(Draw, SharedEdgeHasNoGapAndNoOverlap) {
    // A quad split along a slanted diagonal, and the same quad as one polygon.
    std::vector<int32_t> quad = {-50, -37, 0, 43, -45, 0, 55, 41, 0, -47, 33, 0};
    dddObject *t1 = Load(OnePoly(quad, {0, 1, 2}, 1)), *t2 = Load(OnePoly(quad, {0, 2, 3}, 2));
    dddObject *whole = Load(OnePoly(quad, {0, 1, 2, 3}, 3));
    for (dddObject *o : {t1, t2, whole})
        dddMoveTo(o, 3, 1, 110);
    dddZBufferOff();
    dddCls();
    Frame({whole});
    std::vector<uint8_t> mask(screen.pixels, screen.pixels + dddwidth_mul_depth);
    int32_t area = Count(3);
    dddCls();
    Frame({t1});
    int32_t n1 = Count(1);
    dddCls();
    Frame({t2});
    int32_t n2 = Count(2);
    dddCls();
    Frame({t1, t2});
    EXPECT_EQ(n1 + n2, area); // nothing drawn twice
    for (int32_t i = 0; i < dddwidth_mul_depth; i++)
        EXPECT_EQ(mask[i] == 3, dddscreenptr[i] != 0) << i; // and nothing missing
    dddZBufferOn();
}

TEST_F(Draw, NearVertexClipsAtDepth32) {
    // One vertex 10 units in front of the viewer, two at 100 (model units count half).
    std::vector<int32_t> pts = {0, 0, -180, 60, 0, 0, 0, 60, 0};
    dddObject *o = Load(OnePoly(pts, {0, 1, 2}, 4));
    dddMoveTo(o, 0, 0, 100);
    Frame({o});
    uint16_t nearest = 0;
    for (int32_t i = 0; i < dddwidth_mul_depth; i++)
        if (screen.zbuffer[i] > nearest) nearest = screen.zbuffer[i];
    // The cut edge lies at depth 32 (depth value 0x7FFFFFFF); integer screen corners of a
    // small polygon let the plane overshoot a little, never wrap.
    EXPECT_GT(nearest, 0x7000);
    EXPECT_LT(nearest, 0x9000);
    EXPECT_GT(Count(4), 0);
    // Wholly in front of the plane: nothing.
    dddObject *all_near = Load(OnePoly({0, 0, -190, 60, 0, -190, 0, 60, -190}, {0, 1, 2}, 4));
    dddMoveTo(all_near, 0, 0, 100);
    dddCls();
    Frame({all_near});
    EXPECT_EQ(Count(4), 0);
}

static ShapeFile Ring(int32_t n, int32_t near_vertex) {
    std::vector<int32_t> xyz, refs;
    for (int32_t i = 0; i < n; i++) {
        // A convex ring listed clockwise on screen.
        int32_t a = (int32_t)(65536ll * i / n);
        xyz.push_back(dddGetSine(a) * 60 / 32767);
        xyz.push_back(-dddGetCosine(a) * 60 / 32767);
        xyz.push_back(i == near_vertex ? -190 : 0);
        refs.push_back(i);
    }
    return OnePoly(xyz, refs, 7);
}

TEST_F(Draw, RingsOf32OrMoreAreRefused) {
    dddObject *r31 = Load(Ring(31, -1)), *r32 = Load(Ring(32, -1)), *r31n = Load(Ring(31, 5));
    for (dddObject *o : {r31, r32, r31n})
        dddMoveTo(o, 0, 0, 100);
    Frame({r31});
    EXPECT_GT(Count(7), 0);
    dddCls();
    Frame({r32});
    EXPECT_EQ(Count(7), 0);
    dddCls();
    Frame({r31n}); // clipping makes it 32
    EXPECT_EQ(Count(7), 0);
}

TEST_F(Draw, PointLightBehindFaceAndCap) {
    light = dddCreateLight(5, 255, 0);
    dddObject *o = Load(OnePoly(tri, {0, 1, 2}, 0x2F));
    dddSetRenderMethod(o, 0x2300);
    dddMoveTo(o, 0, 0, 100);
    Frame({o});
    EXPECT_EQ(Pixel(30, 22), 0x2F); // in front and near: capped at 255
    dddMoveTo(light, 0, 0, 300);    // behind the face
    dddCls();
    Frame({o});
    EXPECT_EQ(Pixel(30, 22), 0x20);
    dddSetLightIntensity(light, 0);
    dddMoveTo(light, 0, 0, 0);
    dddCls();
    Frame({o});
    EXPECT_EQ(Pixel(30, 22), 0x20);
    // Far away the light fades: 255 * 4096 / distance for a face seen square on.
    dddSetLightIntensity(light, 255);
    dddMoveTo(o, 0, 0, 16000);
    dddObject *big =
        Load(OnePoly({-6000, -6000, 0, 6000, -6000, 0, -6000, 6000, 0}, {0, 1, 2}, 0x2F));
    dddSetRenderMethod(big, 0x2300);
    dddMoveTo(big, 0, 0, 16000);
    dddCls();
    Frame({big});
    int32_t p = Pixel(30, 22);
    EXPECT_GE(p, 0x23);
    EXPECT_LE(p, 0x24); // about 65 of 255
    light = nullptr;
}

TEST_F(Draw, MeshPatternFourFillsEveryOtherRow) {
    ShapeFile f =
        OnePoly({-200, -200, 0, 200, -200, 0, 200, 200, 0, -200, 200, 0}, {0, 1, 2, 3}, 8, 14);
    ShapeLevel &l = f.levels[0];
    l.code.insert(l.code.begin() + 15, {19, 1, 4, 0}); // built-in pattern 4
    dddObject *o = Load(f);
    dddMoveTo(o, 0, 0, 100);
    Frame({o});
    for (int32_t y = 0; y < 48; y++)
        for (int32_t x = 0; x < 64; x++)
            ASSERT_EQ(Pixel(x, y), (y % 2 == 0) ? 8 : 0) << x << "," << y;
}

TEST_F(Draw, LevelOfDetailByCentreDepth) {
    ShapeFile f;
    f.npoints = 3;
    f.radius = 100;
    for (int32_t i = 0; i < 2; i++) {
        ShapeLevel l;
        l.far_limit = (i == 0 ? 50 : 200) << 16;
        l.points = 3;
        l.normals = 1;
        l.Points(0, tri);
        l.Poly(10 + i, 0, {0, 1, 2});
        l.End();
        f.levels.push_back(l);
    }
    dddObject *o = Load(f);
    dddMoveTo(o, 0, 0, 40);
    Frame({o});
    EXPECT_GT(Count(10), 0);
    dddCls();
    dddMoveTo(o, 0, 0, 150);
    Frame({o});
    EXPECT_EQ(Count(10), 0);
    EXPECT_GT(Count(11), 0);
    dddCls();
    dddMoveTo(o, 0, 0, 300); // beyond every far limit
    EXPECT_EQ(Frame({o}), 0);
    EXPECT_EQ(Count(11), 0);
}

TEST_F(Draw, ConditionalJumpOnShapeFlags) {
    ShapeFile f = OnePoly(tri, {0, 1, 2}, 12);
    ShapeLevel &l = f.levels[0];
    std::vector<int32_t> poly(l.code.begin() + 12, l.code.end() - 2); // after three points
    l.code.resize(12);
    l.code.insert(l.code.end(), {9, 0, 4}); // if flags & 4: jump over the polygon
    size_t j = l.Jump();
    l.code.insert(l.code.end(), poly.begin(), poly.end());
    l.Target(j);
    l.End();
    dddObject *o = Load(f);
    dddMoveTo(o, 0, 0, 100);
    for (int32_t flags : {0, 3, 4, 5, 8}) {
        dddCls();
        dddSetShapeFlags(o, flags);
        Frame({o});
        EXPECT_EQ(Count(12) > 0, (flags & 4) == 0) << flags;
    }
}

TEST_F(Draw, ShapesBehindOrBeyondAreCulled) {
    dddObject *o = Load(OnePoly(tri, {0, 1, 2}, 5));
    dddMoveTo(o, 0, 0, -500);
    EXPECT_EQ(Frame({o}), 0);
    dddMoveTo(o, 0, 0, 33000);
    EXPECT_EQ(Frame({o}), 0);
    dddMoveTo(o, 5000, 0, 100);
    EXPECT_EQ(Frame({o}), 0);
    EXPECT_EQ(Count(5), 0);
    // Turning the camera round brings the one behind into view.
    dddMoveTo(o, 0, 0, -100);
    dddRotateTo(o, 0, 0x8000, 0);
    dddRotateTo(camera, 0, 0x8000, 0);
    EXPECT_EQ(Frame({o}), 1);
    EXPECT_GT(Count(5), 0);
}

TEST_F(Draw, ExplicitShadesAndUnlitDepthOnly) {
    ShapeFile f;
    f.npoints = 3;
    ShapeLevel l;
    l.points = 3;
    l.normals = 1;
    l.Points(0, tri);
    l.Shades({0x41, 0x41, 0x41});
    l.ShadePoly(0, {0, 1, 2});
    l.End();
    f.levels.push_back(l);
    dddObject *o = Load(f);
    dddMoveTo(o, 0, 0, 100);
    Frame({o});
    EXPECT_EQ(Pixel(25, 15), 0x41);
    // Drawn unlit, the shape only fills the depth buffer and hides what comes later behind it.
    dddObject *hider = Load(OnePoly(tri, {0, 1, 2}, 3));
    dddSetRenderMethod(hider, 0x0200);
    dddMoveTo(hider, 0, 0, 50);
    dddObject *back = Load(OnePoly(tri, {0, 1, 2}, 4));
    dddMoveTo(back, 0, 0, 100);
    dddCls();
    Frame({hider, back});
    EXPECT_EQ(Count(3), 0);
    EXPECT_EQ(Pixel(25, 15), 0);
}

TEST_F(Draw, SpritesScaleWithDepthAndSkipClearTexels) {
    std::vector<uint8_t> tex(65536, 0);
    for (int32_t v = 0; v < 256; v++)
        for (int32_t u = 0; u < 256; u++)
            tex[v * 256 + u] = (u < 128) ? 0x51 : 0; // right half clear
    mem_files["SPR.TM"] = tex;
    ShapeFile f;
    f.npoints = 1;
    f.textures.push_back("spr");
    ShapeLevel l;
    l.points = 1;
    l.Points(0, {0, 0, 0});
    l.SpriteUV(0, {0, 0, 255, 0, 255, 255, 0, 255});
    l.Sprite(0, 20, 20);
    l.End();
    f.levels.push_back(l);
    dddObject *o = Load(f);
    dddMoveTo(o, 0, 0, 100);
    Frame({o});
    int32_t n = Count(0x51);
    EXPECT_GT(n, 0);
    EXPECT_EQ(Pixel(40, 24), 0); // the clear half leaves the background
    EXPECT_EQ(Pixel(26, 24), 0x51);
    dddMoveTo(o, 0, 0, 200);
    dddCls();
    Frame({o});
    EXPECT_LT(Count(0x51), n / 3);
}

TEST_F(Draw, PickingNamesTheLastObjectAtThePixel) {
    dddObject *a = Load(OnePoly(tri, {0, 1, 2}, 1)), *b = Load(OnePoly(tri, {0, 1, 2}, 2));
    dddMoveTo(a, 0, 0, 100);
    dddMoveTo(b, 0, 0, 200);
    dddSetRetrievedObjectPos(25, 15);
    Frame({a, b});
    EXPECT_EQ(dddGetRetrievedObject(), a); // b lies behind and changes nothing
    dddSetRetrievedObjectPos(63, 47);
    Frame({a, b});
    EXPECT_EQ(dddGetRetrievedObject(), nullptr);
}

TEST_F(Draw, CommandLinesAndHostileCoordinates) {
    ShapeFile f;
    f.npoints = 2;
    ShapeLevel l;
    l.points = 2;
    l.Points(0, {-2000000000, 0, 2000000000, 2000000000, 2000000000, -2000000000});
    l.Line(9, 0, 1);
    l.End();
    f.levels.push_back(l);
    f.radius = 10;
    dddObject *o = Load(f);
    dddMoveTo(o, 0, 0, 100);
    Frame({o}); // nonsense coordinates draw something or nothing, safely
    dddCls();
    ShapeFile g = OnePoly({-30000, -30000, 0, 30000, -30000, 0, -30000, 30000, -199}, {0, 1, 2}, 5);
    dddObject *huge = Load(g);
    dddMoveTo(huge, 0, 0, 100);
    Frame({huge});
    EXPECT_GT(Count(5), 0);
}

TEST_F(Draw, DirectionalSpotAndFlatLighting) {
    dddObject *o = Load(OnePoly(tri, {0, 1, 2}, 0x2F));
    dddMoveTo(o, 0, 0, 100);
    dddSetRenderMethod(o, 0x1300); // flat: one intensity for the face
    // A directional light shining along +z (away from the viewer) lights the face we see.
    light = dddCreateLight(4, 255, 0);
    Frame({o});
    EXPECT_EQ(Pixel(25, 15), 0x2F);
    dddRotateTo(light, 0, 0x8000, 0); // shining back at the viewer: the face is dark
    dddCls();
    Frame({o});
    EXPECT_EQ(Pixel(25, 15), 0x20);
    // A spot light at the viewer: inside its cone the face is lit, outside it is not.
    light = dddCreateLight(6, 255, 0x1000);
    Frame({o});
    EXPECT_GT(Pixel(25, 15), 0x20);
    dddSetLightConeAngle(light, 0x0010); // a pencil beam along the line of sight misses (25, 15)
    dddMoveTo(light, 0, 0, 0);
    dddCls();
    Frame({o});
    EXPECT_EQ(Pixel(25, 15), 0x20);
    // A cone of no width lights nothing, even straight along its axis, and never divides by
    // its zero width; at every turn of the light the rounding of its axis differs.
    dddSetLightConeAngle(light, 0);
    for (int32_t turn = 0; turn < 0x10000; turn += 0x0400) {
        dddRotateTo(light, turn & 0x0fff, turn, 0);
        dddCls();
        Frame({o});
    }
    dddRotateTo(light, 0, 0, 0);
    dddCls();
    Frame({o});
    EXPECT_EQ(Pixel(25, 15), 0x20);
    light = nullptr;
}

TEST_F(Draw, NearTexturesAreCorrectedAndEnvironmentMapped) {
    std::vector<uint8_t> tex(65536);
    for (int32_t v = 0; v < 256; v++)
        for (int32_t u = 0; u < 256; u++)
            tex[v * 256 + u] = (u < 128) ? 0x61 : 0x62;
    mem_files["T.TM"] = tex;
    ShapeFile f;
    f.npoints = 4;
    f.textures.push_back("t");
    ShapeLevel l;
    l.points = 4;
    l.normals = 2;
    l.Points(0, {-100, -100, 0, 100, -100, 0, 100, 100, 0, -100, 100, 0});
    l.UV(0, {0, 0, 255, 0, 255, 255});
    l.TexPoly(0, {0, 1, 2});
    l.TexPoly(1, {0, 2, 3}, 18); // environment-mapped from the point normals
    l.End();
    f.levels.push_back(l);
    dddObject *o = Load(f);
    dddMoveTo(o, 0, 0, 100); // within the perspective distance
    Frame({o});
    EXPECT_GT(Count(0x61) + Count(0x62), 200);
    EXPECT_GT(dddglobal_ppoly_count, 0);
    // Farther out the same polygon takes the affine filler; the texture halves stay put.
    dddMoveTo(o, 0, 0, 400);
    dddCls();
    Frame({o});
    EXPECT_EQ(Pixel(35, 20), 0x62);
    EXPECT_EQ(Pixel(29, 20), 0x61);
    EXPECT_GT(dddglobal_tpoly_count, 0);
}

// Lighting a ring's vertices gives each the colour its point normal and position give on their
// own, whichever of them were lit before, in what order the normals change, and with one point
// light (lit with the light held aside) or more.
TEST_F(Draw, RingLightingMatchesEachVertexsOwnColour) {
    const int32_t count = 96;
    ASSERT_EQ(dddGrowPointBuffers(count), 0);
    std::vector<int16_t> normals(4 * count);
    dddInitRnd(0x5EED);
    auto rnd = [](int32_t span) { return (int32_t)(dddRnd() % (uint32_t)(2 * span + 1)) - span; };
    const int16_t shared[3][3] = {{0, 0, -256}, {181, 0, -181}, {0, 256, 0}};
    dddObject *point = dddCreateLight(DDD_POINT, 255, 0);
    dddObject *dim = dddCreateLight(DDD_POINT, 40, 0);
    dddObject *sun = dddCreateLight(DDD_DIRECTIONAL, 120, 0);
    ASSERT_TRUE(point && dim && sun);
    point->light->vpos[0] = 40, point->light->vpos[1] = -30, point->light->vpos[2] = 0;
    dim->light->vpos[2] = 900;
    sun->light->sdir[2] = -2048;
    for (int32_t i = 0; i < count; i++) {
        // Runs of a few shared normals, then odd ones; points near the light (saturated), far
        // (dim), behind it, and one on it.
        int16_t *n = &normals[4 * i];
        if (i % 7 < 4) {
            memcpy(n, shared[(i / 7) % 3], 3 * sizeof *n);
        } else {
            n[0] = (int16_t)rnd(256), n[1] = (int16_t)rnd(256), n[2] = (int16_t)rnd(256);
        }
        dddVertex *v = &ddd_vcache[i];
        int32_t reach = i % 3 == 0 ? 60 : i % 3 == 1 ? 3000 : 40000;
        v->x = (40 + rnd(reach)) << 16, v->y = (-30 + rnd(reach)) << 16, v->z = rnd(reach) << 16;
        if (i == 10) v->x = 40 << 16, v->y = -30 << 16, v->z = 0;
    }
    const int32_t m2c[9] = {60000, 0, 26000, 0, 65536, 0, -26000, 0, 60000};
    memcpy(ddd_m2c, m2c, sizeof m2c);
    ddd_pnormals = normals.data();
    const std::vector<std::vector<dddObject *>> setups = {{point}, {point, dim}, {sun, point}};
    for (const std::vector<dddObject *> &lights : setups) {
        ddd_light_count = 0;
        for (dddObject *l : lights)
            ddd_light_list[ddd_light_count++] = l;
        dddPrepareLighting();
        memset(ddd_litbits, 0, count / 8 + 1);
        for (int32_t k = 0; k < 200; k++) {
            dddVertex *ring[3];
            for (int32_t j = 0; j < 3; j++)
                ring[j] = &ddd_vcache[k < 32 ? (3 * k + j) % count : dddRnd() % count];
            dddLightRing(ring, 3, 0x8000);
            for (int32_t j = 0; j < 3; j++) {
                int32_t i = (int32_t)(ring[j] - ddd_vcache);
                const dddVertex *v = ring[j];
                int32_t p[3] = {v->x >> 16, v->y >> 16, v->z >> 16};
                EXPECT_EQ(v->attr[0], (DDDGENERATECOLOUR(&normals[4 * i], p) << 16) + 0x8000)
                    << lights.size() << " lights, ring " << k << ", vertex " << i;
            }
        }
    }
    ddd_pnormals = nullptr;
    ddd_light_count = 0;
}
