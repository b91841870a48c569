// load_test.cpp -- shared loading by name, shape preparation, refusing damaged files, palettes
#include <gtest/gtest.h>

#include <cstring>

#include "ddd/ddd_local.h"
#include "tests/ddd/ddd_support.h"

class Load : public ::testing::Test {
  protected:
    dddScreen screen;
    void SetUp() override { StartEngine(&screen, 64, 48); }
    void TearDown() override { StopEngine(); }
};

static int32_t Read32(const std::vector<uint8_t> &d, size_t at) {
    int32_t v;
    memcpy(&v, d.data() + at, 4);
    return v;
}

static void Write32(std::vector<uint8_t> &d, size_t at, int32_t v) {
    memcpy(d.data() + at, &v, 4);
}

// A one-level shape: a square of four points and two triangles sharing a normal each.
static ShapeFile Square() {
    ShapeFile f;
    f.npoints = 4;
    f.radius = 100;
    ShapeLevel l;
    l.points = 4;
    l.normals = 2;
    l.Points(0, {-50, -50, 0, 50, -50, 0, 50, 50, 0, -50, 50, 0});
    l.Poly(0x20, 0, {0, 1, 2});
    l.Poly(0x20, 1, {0, 2, 3});
    l.End();
    f.levels.push_back(l);
    return f;
}

TEST_F(Load, SharedByUpperCaseName) {
    mem_files["3D\\DEST.DSH"] = Square().Build();
    void *a = dddShapeLoad("3d\\dest.dsh");
    ASSERT_NE(a, nullptr);
    void *b = dddShapeLoad("3D\\DEST.xyz");
    EXPECT_EQ(a, b);
    EXPECT_EQ(dddMemLocks(a), 2);
    EXPECT_EQ(dddShapePoints(a), 4);
    EXPECT_EQ(dddShapeRadius(a), 100);
    // Each release takes one reference; the last one frees data and tables.
    DDDDELOCATESHAPE(b);
    DDDLINKEDMEMFREE(b);
    EXPECT_EQ(dddShapePoints(a), 4);
    DDDDELOCATESHAPE(a);
    DDDLINKEDMEMFREE(a);
    EXPECT_EQ(dddMemBlocks(DDD_AREA_SHAPES), 0);
    EXPECT_EQ(dddMemBlocks(DDD_AREA_NAMES), 0);
}

TEST_F(Load, ExtensionsAndMissingFiles) {
    mem_files["SHIP.DSH"] = Square().Build();
    EXPECT_EQ(dddLoad("ship.wav"), nullptr);
    EXPECT_EQ(dddLoad("ship"), nullptr);
    EXPECT_EQ(dddLoad("absent.dsh"), nullptr);
    dddObject *o = dddLoad("ship.dsh");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->type, DDD_SHAPE);
    EXPECT_EQ(dddLoad("Ship.Dsh")->shape, o->shape);
}

TEST_F(Load, PointNormalsAreUnitAverages) {
    mem_files["SQ.DSH"] = Square().Build();
    void *s = dddShapeLoad("sq.dsh");
    const dddShapeInfo *info = (const dddShapeInfo *)dddMemUser(s);
    ASSERT_NE(info, nullptr);
    const int16_t *n = info->levels[0].normals;
    // (B - A) x (C - A) of a square listed clockwise on screen points along +z.
    EXPECT_EQ(n[0], 0);
    EXPECT_EQ(n[1], 0);
    EXPECT_EQ(n[2], 512);
    const int16_t *pn = info->levels[0].pnormals;
    EXPECT_EQ(pn[2], 512);         // vertex 0, two faces
    EXPECT_EQ(pn[4 * 1 + 2], 512); // vertex 1, one face
}

TEST_F(Load, EmptyShapeLoadsButNeverDraws) {
    ShapeFile f;
    f.npoints = 0;
    ShapeLevel l;
    l.End();
    f.levels.push_back(l);
    mem_files["EMPTY.DSH"] = f.Build();
    dddObject *o = dddLoad("empty.dsh");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(dddShapePoints(o->shape), 0);
    dddClearObjects();
    dddInsertObject(o);
    EXPECT_EQ(dddDrawObjects(), 0);
}

TEST_F(Load, EveryTruncationIsRefusedWithoutOverread) {
    ShapeFile f = Square();
    f.textures.push_back("SEA");
    f.levels[0].code.pop_back();
    f.levels[0].code.pop_back();
    f.levels[0].UV(0, {0, 0, 10, 0, 10, 10});
    f.levels[0].TexPoly(0, {0, 1, 2});
    f.levels[0].End();
    std::vector<uint8_t> whole = f.Build();
    mem_files["SEA.TM"] = std::vector<uint8_t>(65536, 3);
    for (size_t n = 0; n < whole.size(); n++) {
        mem_files["CUT.DSH"] = std::vector<uint8_t>(whole.begin(), whole.begin() + n);
        EXPECT_EQ(dddShapeLoad("cut.dsh"), nullptr) << n;
    }
    EXPECT_EQ(dddMemBlocks(DDD_AREA_SHAPES), 0);
    EXPECT_EQ(dddMemBlocks(DDD_AREA_TEXTURES), 0); // a refused shape holds no texture
    mem_files["CUT.DSH"] = whole;
    void *s = dddShapeLoad("cut.dsh");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(dddMemBlocks(DDD_AREA_TEXTURES), 1);
}

TEST_F(Load, HostileFieldsAreRefused) {
    const std::vector<uint8_t> good = Square().Build();
    size_t level = 32 + Read32(good, 36); // the first level block
    size_t code = level + 12;
    struct Case {
        const char *what;
        size_t at;
        int32_t value;
    } cases[] = {
        {"point count", 4, -1},
        {"point count too large", 4, 1 << 30},
        {"resource list outside", 16, 1 << 20},
        {"level offset outside", 36, 1 << 20},
        {"level offset negative", 36, -64},
        {"level points above N", level, 5},
        {"points command beyond P", code + 4, 3},
        {"points count huge", code + 8, 0x7FFFFFFF},
        {"polygon count huge", code + 4 * 15 + 4, 100000},
        {"vertex reference", code + 4 * 15 + 16, 4},
        {"negative vertex", code + 4 * 15 + 16, -1},
        {"normal index", code + 4 * 15 + 12, 2},
        {"unknown command", code + 4 * 15, 99},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> bad = good;
        Write32(bad, c.at, c.value);
        mem_files["BAD.DSH"] = bad;
        EXPECT_EQ(dddShapeLoad("bad.dsh"), nullptr) << c.what;
    }
    mem_files["BAD.DSH"] = good;
    EXPECT_NE(dddShapeLoad("bad.dsh"), nullptr);
}

TEST_F(Load, JumpsAndConditionsAreChecked) {
    ShapeFile f = Square();
    ShapeLevel &l = f.levels[0];
    l.code.resize(l.code.size() - 2);
    l.code.insert(l.code.end(), {9, 0, 4}); // condition with no jump after it
    l.Line(1, 0, 1);
    l.End();
    mem_files["C.DSH"] = f.Build();
    EXPECT_EQ(dddShapeLoad("c.dsh"), nullptr);

    ShapeFile g = Square();
    ShapeLevel &m = g.levels[0];
    m.code.resize(m.code.size() - 2);
    size_t j = m.Jump();
    m.code[j] = 2; // lands inside its own operand
    m.End();
    mem_files["J.DSH"] = g.Build();
    EXPECT_EQ(dddShapeLoad("j.dsh"), nullptr);

    ShapeFile h = Square();
    ShapeLevel &k = h.levels[0];
    k.code.resize(k.code.size() - 2);
    size_t back = k.Jump();
    k.code[back] = -4 * (int32_t)back; // an endless loop back to the start
    k.End();
    mem_files["LOOP.DSH"] = h.Build();
    dddObject *o = dddLoad("loop.dsh");
    ASSERT_NE(o, nullptr); // legal, and drawing it still ends
    dddObject *cam = dddCreateCamera(32000, 100, 100);
    dddMoveTo(o, 0, 0, 500);
    dddClearObjects();
    dddSelectCamera(cam);
    dddInsertObject(o);
    dddDrawObjects();
}

TEST_F(Load, PaletteFilesFailSafely) {
    static int calls;
    static uint8_t last[768];
    calls = 0;
    dddDefinePaletteFunction([](const uint8_t *c) {
        calls++;
        memcpy(last, c, 768);
    });
    dddPaletteLoad("default.col"); // neither file: no table, palette function not called
    EXPECT_EQ(shade_table_ptr, nullptr);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(dddGetColorValue(0x37, 200), 0x37); // lit colours stay their base colour
    mem_files["DEFAULT.CG"] = MakeShadeFile();
    mem_files["DEFAULT.COL"] = MakePaletteFile();
    dddPaletteLoad("default.col");
    ASSERT_NE(shade_table_ptr, nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(dddGetColorValue(0x3F, 255), 0x3F);
    EXPECT_EQ(dddGetColorValue(0x3F, 0), 0x30);
    mem_files["SHORT.CG"] = std::vector<uint8_t>(1000);
    mem_files["SHORT.COL"] = std::vector<uint8_t>(700);
    dddPaletteLoad("short.col");
    EXPECT_EQ(shade_table_ptr, nullptr);
    EXPECT_EQ(calls, 1);
    dddDefinePaletteFunction(nullptr);
}

TEST_F(Load, LogicalPaletteKeepsSystemColours) {
    std::vector<uint8_t> file(768, 63), system(1024, 0), out(1024);
    for (int i = 0; i < 256; i++)
        system[4 * i] = (uint8_t)i;
    dddBuildLogicalPalette(file.data(), system.data(), out.data());
    EXPECT_EQ(out[4 * 10], 252);
    EXPECT_EQ(out[4 * 245 + 2], 252);
    EXPECT_EQ(out[4 * 9], 9);
    EXPECT_EQ(out[4 * 246], 246);
    EXPECT_EQ(out[4 * 100 + 3], 4); // not to be collapsed
}

TEST_F(Load, FontsAreChecked) {
    std::vector<uint8_t> font(20 + 7 * 512, 0);
    int32_t head[5] = {8, 7, 9, 0, 20};
    memcpy(font.data(), head, 20);
    mem_files["F.FNT"] = font;
    EXPECT_NE(dddFontLoad("f.fnt"), nullptr);
    font.resize(font.size() - 4);
    mem_files["G.FNT"] = font;
    EXPECT_EQ(dddFontLoad("g.fnt"), nullptr);
    head[1] = 1000;
    memcpy(font.data(), head, 20);
    mem_files["H.FNT"] = font;
    EXPECT_EQ(dddFontLoad("h.fnt"), nullptr);
}

TEST_F(Load, SaveFileCreatesAndWrites) {
    const char text[] = "hello";
    EXPECT_EQ(dddSaveFile("OUT.BIN", text, 5), 5u);
    ASSERT_EQ(mem_files["OUT.BIN"].size(), 5u);
    EXPECT_EQ(mem_files["OUT.BIN"][4], 'o');
    dddSelectArea(DDD_AREA_FONTS);
    void *back = dddLoadFile("OUT.BIN");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(dddMemLength(back), 5u);
    EXPECT_EQ(dddMemBlocks(DDD_AREA_FONTS), 1);
}
