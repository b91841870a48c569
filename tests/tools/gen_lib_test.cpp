// gen_lib_test.cpp -- the generators' building blocks: BMP rows, palette use, polygon winding
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/gen_io.h"
#include "tools/gen_palette.h"
#include "tools/shape_model.h"
#include "tools/shape_view.h"

namespace {

uint32_t U32(const std::vector<uint8_t> &f, size_t at) {
    uint32_t v;
    std::memcpy(&v, &f[at], 4);
    return v;
}

TEST(Bmp8, RowsAreStoredBottomUpAndPaddedToFourBytes) {
    // Width 5 needs 3 bytes of padding per row; height 3 has a middle row that stays put.
    GenRGB pal[256] = {};
    std::vector<uint8_t> px;
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 5; x++)
            px.push_back(uint8_t(y * 16 + x));
    std::vector<uint8_t> f = GenBmp8(5, 3, px, pal);
    ASSERT_EQ(f.size(), 14u + 40 + 1024 + 8 * 3);
    EXPECT_EQ(U32(f, 2), f.size());
    EXPECT_EQ(U32(f, 10), 1078u);
    EXPECT_EQ(U32(f, 14), 40u);
    EXPECT_EQ(U32(f, 46), 256u);
    // The first stored row is the picture's bottom row.
    EXPECT_EQ(f[1078], 32);
    EXPECT_EQ(f[1078 + 4], 36);
    EXPECT_EQ(f[1078 + 8], 16);
    EXPECT_EQ(f[1078 + 16], 0);
    EXPECT_EQ(f[1078 + 5], 0); // padding
}

TEST(Palette, QuantisingNeverUsesTheEntriesTheSharedPaletteBlanks) {
    std::vector<Col> img;
    for (int i = 0; i < 64; i++)
        img.push_back({i / 63.f, i / 63.f, i / 63.f});
    img.push_back({1, 1, 1});
    img.push_back({0, 0, 0});
    img.push_back({1, 0, 1});
    GenRGB pal[256];
    PalFitStation({&img}, pal);
    EXPECT_EQ(pal[0].r + pal[0].g + pal[0].b, 0);
    for (int i = 246; i < 256; i++)
        EXPECT_EQ(pal[i].r + pal[i].g + pal[i].b, 0);
    std::vector<uint8_t> q = PalQuantise(img, int(img.size()), pal, 0.05f);
    for (uint8_t i : q)
        EXPECT_TRUE(i != 127 && i < 246) << int(i);
    // White stays white and black stays black.
    EXPECT_GT(pal[q[64]].r, 240);
    EXPECT_LT(pal[q[65]].g, 8);
}

TEST(Palette, LightCurveRisesFromAmbientToFull) {
    EXPECT_GT(PalLight(0), 0.15f);
    EXPECT_FLOAT_EQ(PalLight(255), 1.f);
    for (int i = 1; i < 256; i++)
        EXPECT_GE(PalLight(i), PalLight(i - 1));
}

// A box seen from each side shows its near face and hides the far one: the modeller winds every
// polygon for the engine's clockwise-facing rule, whatever order the corners were given in.
TEST(Model, BoxFacesFaceOutwards) {
    Mesh m;
    m.Box({-100, -100, -100}, {100, 100, 100}, 140, 150);
    Level lv{32000, {m}};
    std::vector<uint8_t> f = ShapeFile({lv});
    ShapeInfo info;
    std::string why;
    ASSERT_TRUE(ShapeCheck(f, info, why)) << why;
    EXPECT_EQ(info.levels[0].polygons, 5); // the bottom, never seen, is left out
    for (double heading : {0.0, 90.0, 180.0, 270.0}) {
        ShapeScreen s{64, 64, {}, {}, 0};
        ShapeDraw(f, s, 0, 0, 0, -800, 0, heading, 1.0, nullptr);
        // The near side face fills the middle with the side colour.
        EXPECT_EQ(s.pixels[32 * 64 + 32], 140) << heading;
    }
    // From above, the top face shows in its own colour.
    ShapeScreen s{64, 64, {}, {}, 0};
    ShapeDraw(f, s, 0, 0, -150, -400, 0, 0, 1.0, nullptr);
    bool top = false;
    for (uint8_t p : s.pixels)
        top |= p == 150;
    EXPECT_TRUE(top);
}

TEST(Model, TwistedQuadsAreSplitAndDegenerateOnesDropped) {
    Mesh m;
    m.Poly({{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 40}}, 130, {50, 50, 100});
    EXPECT_EQ(m.faces.size(), 2u);
    m.Poly({{0, 0, 0}, {0, 0, 0}, {10, 0, 0}}, 130, {0, 0, 10});
    EXPECT_EQ(m.faces.size(), 2u);
}

TEST(ShapeFileFormat, SpriteFramesAreSelectedByTheShapeFlags) {
    std::vector<Mesh> frames(3);
    for (int k = 0; k < 3; k++)
        frames[k].Box({-50, -50, -50}, {50, 50, 50}, 200 + k);
    std::vector<uint8_t> f = ShapeFile({{32000, frames}});
    ShapeInfo info;
    std::string why;
    ASSERT_TRUE(ShapeCheck(f, info, why)) << why;
    EXPECT_EQ(info.frames, 3);
    for (int k = 0; k < 4; k++) {
        ShapeScreen s{32, 32, {}, {}, 0};
        ShapeDraw(f, s, k, 0, 0, -600, 0, 0, 1.0, nullptr);
        EXPECT_EQ(s.pixels[16 * 32 + 16], k < 3 ? 200 + k : 0) << k;
    }
}

TEST(ShapeFileFormat, CheckerRefusesDamagedFiles) {
    Mesh m;
    m.Box({-50, -50, -50}, {50, 50, 50}, 140);
    std::vector<uint8_t> good = ShapeFile({{32000, {m}}});
    ShapeInfo info;
    std::string why;
    ASSERT_TRUE(ShapeCheck(good, info, why));
    // The first polygon's first vertex reference, past the level's points command.
    size_t first_poly = info.levels[0].block + 12 + 12 + size_t(info.levels[0].points) * 12;
    std::vector<uint8_t> cut(good.begin(), good.end() - 8);
    EXPECT_FALSE(ShapeCheck(cut, info, why));
    std::vector<uint8_t> bad = good;
    bad[first_poly + 16] = 0xFF;
    EXPECT_FALSE(ShapeCheck(bad, info, why));
    EXPECT_FALSE(ShapeCheck({}, info, why));
}

} // namespace
