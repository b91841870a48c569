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

uint32_t Be32(const std::vector<uint8_t> &f, size_t at) {
    return uint32_t(f[at]) << 24 | uint32_t(f[at + 1]) << 16 | uint32_t(f[at + 2]) << 8 | f[at + 3];
}

// Reads a PNG written with stored deflate blocks back: the IHDR fields and the filtered rows.
bool ReadStoredPng(const std::vector<uint8_t> &f, uint32_t &w, uint32_t &h, int &type,
                   std::vector<uint8_t> &raw) {
    if (f.size() < 8 || std::memcmp(f.data(), "\x89PNG\r\n\x1a\n", 8)) return false;
    std::vector<uint8_t> z;
    for (size_t at = 8; at + 12 <= f.size();) {
        uint32_t len = Be32(f, at);
        std::string name(f.begin() + at + 4, f.begin() + at + 8);
        if (at + 12 + len > f.size()) return false;
        if (name == "IHDR") {
            w = Be32(f, at + 8), h = Be32(f, at + 12), type = f[at + 17];
        } else if (name == "IDAT") {
            z.insert(z.end(), f.begin() + at + 8, f.begin() + at + 8 + len);
        }
        at += 12 + len;
    }
    raw.clear();
    size_t at = 2; // zlib header
    for (bool last = false; !last;) {
        if (at + 5 > z.size()) return false;
        last = z[at] & 1;
        size_t n = z[at + 1] | z[at + 2] << 8;
        if ((n ^ 0xFFFF) != size_t(z[at + 3] | z[at + 4] << 8) || at + 5 + n > z.size())
            return false;
        raw.insert(raw.end(), z.begin() + at + 5, z.begin() + at + 5 + n);
        at += 5 + n;
    }
    return at + 4 == z.size(); // the Adler-32 ends the stream
}

TEST(Png, RgbaRowsSurviveSeveralStoredBlocks) {
    // 200 x 120 RGBA is 96120 filtered bytes: more than one 65535-byte stored block.
    const int W = 200, H = 120;
    std::vector<uint8_t> px(size_t(W) * H * 4);
    for (size_t i = 0; i < px.size(); i++)
        px[i] = uint8_t(i * 7 + i / 997);
    std::vector<uint8_t> f = GenPngRgba(W, H, px);
    uint32_t w = 0, h = 0;
    int type = -1;
    std::vector<uint8_t> raw;
    ASSERT_TRUE(ReadStoredPng(f, w, h, type, raw));
    EXPECT_EQ(w, uint32_t(W));
    EXPECT_EQ(h, uint32_t(H));
    EXPECT_EQ(type, 6);
    ASSERT_EQ(raw.size(), size_t(H) * (W * 4 + 1));
    for (int y = 0; y < H; y++) {
        const uint8_t *row = &raw[size_t(y) * (W * 4 + 1)];
        ASSERT_EQ(row[0], 0) << "row " << y;
        ASSERT_EQ(0, std::memcmp(row + 1, &px[size_t(y) * W * 4], W * 4)) << "row " << y;
    }
    // The RGB writer keeps its colour type and row length.
    ASSERT_TRUE(ReadStoredPng(GenPng(3, 2, std::vector<uint8_t>(18, 9)), w, h, type, raw));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(raw.size(), 2u * (3 * 3 + 1));
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
