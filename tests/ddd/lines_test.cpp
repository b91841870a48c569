// lines_test.cpp -- line end points, near and screen clipping, depth-tested lines, text, strings
#include <gtest/gtest.h>

#include <cstring>

#include "ddd/ddd_local.h"
#include "tests/ddd/ddd_support.h"

class Lines : public ::testing::Test {
  protected:
    dddScreen screen;
    void SetUp() override {
        StartEngine(&screen, 64, 48);
        dddZBufferOff();
        x_ratio = 51;
        y_ratio = 61;
    }
    void TearDown() override {
        dddZBufferOn();
        StopEngine();
    }
    int32_t Count() {
        int32_t n = 0;
        for (int32_t i = 0; i < dddwidth_mul_depth; i++)
            n += dddscreenptr[i] != 0;
        return n;
    }
};

TEST_F(Lines, EndPointIsNotPlotted) {
    dddDrawLine(1, 10, 5, 0, 14, 5, 0);
    for (int32_t x = 8; x < 17; x++)
        EXPECT_EQ(dddGetPixel(x, 5), (x >= 10 && x <= 13) ? 1 : 0);
    dddCls();
    dddDrawLine(2, 0, 0, 0, 3, 7, 0);
    EXPECT_EQ(Count(), 7);
    EXPECT_EQ(dddGetPixel(0, 0), 2);
    EXPECT_EQ(dddGetPixel(3, 7), 0);
    for (int32_t y = 0; y < 7; y++) { // one pixel on each row
        int32_t n = 0;
        for (int32_t x = 0; x < 4; x++)
            n += dddGetPixel(x, y) == 2;
        EXPECT_EQ(n, 1) << y;
    }
    dddCls();
    dddDrawLine(3, 5, 5, 0, 5, 5, 0);
    EXPECT_EQ(Count(), 0);
    // Joined lines don't plot their shared point twice (nor miss it).
    dddDrawLine(4, 20, 20, 0, 30, 25, 0);
    dddDrawLine(4, 30, 25, 0, 20, 30, 0);
    EXPECT_EQ(Count(), 20);
}

TEST_F(Lines, ScreenClipping) {
    DDDCLIPDRAWLINE(5, -50, 10, 0, 50, 10, 0);
    EXPECT_EQ(dddGetPixel(0, 10), 5);
    EXPECT_EQ(dddGetPixel(49, 10), 5);
    EXPECT_EQ(dddGetPixel(50, 10), 0);
    EXPECT_EQ(Count(), 50);
    dddCls();
    DDDCLIPDRAWLINE(5, -10, -10, 0, -1, 100, 0); // wholly left
    DDDCLIPDRAWLINE(5, 0, -5, 0, 63, -1, 0);     // wholly above
    DDDCLIPDRAWLINE(5, 70, 0, 0, 80, 40, 0);     // wholly right
    EXPECT_EQ(Count(), 0);
    DDDCLIPDRAWLINE(6, -1000000, -1000000, 0, 1000000, 1000000, 0); // through the corner
    EXPECT_GT(Count(), 40);
    EXPECT_EQ(dddGetPixel(10, 10), 6);
}

TEST_F(Lines, NearClippingStartsAtDepth32) {
    dddVertex a = {}, b = {};
    a.x = 20 << 16, a.y = 0, a.z = 10 << 16;
    b.x = 20 << 16, b.y = 0, b.z = 100 << 16;
    dddProjectVertex(&b);
    DDDDRAWZCLIPLINE(7, &a, &b);
    // At z = 32 the line has x = 20 (it runs straight ahead): column 20 * 51 / 32 + 32 = 63.
    EXPECT_EQ(dddGetPixel(63, 24), 7);
    EXPECT_EQ(dddGetPixel(b.col, b.row), 0);
    dddCls();
    dddVertex c = a;
    DDDDRAWZCLIPLINE(7, &a, &c); // both in front of the plane
    EXPECT_EQ(Count(), 0);
}

TEST_F(Lines, DepthTestedLines) {
    dddZBufferOn();
    dddZBCls();
    dddDrawLine(1, 0, 3, 0x10000000, 40, 3, 0x10000000);
    dddDrawLine(2, 0, 3, 0x08000000, 40, 3, 0x08000000); // farther: hidden
    EXPECT_EQ(dddGetPixel(20, 3), 1);
    dddDrawLine(3, 0, 3, 0x10000000, 40, 3, 0x10000000); // equal: later wins
    EXPECT_EQ(dddGetPixel(20, 3), 3);
    EXPECT_EQ(screen.zbuffer[3 * 64 + 20], 0x1000);
    dddZBufferOff();
}

TEST_F(Lines, BuiltInFontColumns) {
    dddPrint(dddFont7x7, 0x1FF, 0, 0, "AB");
    for (int32_t y = 0; y < 48; y++)
        for (int32_t x = 0; x < 64; x++)
            if (dddGetPixel(x, y) != 0) {
                EXPECT_LT(y, 7);
                EXPECT_TRUE((x >= 0 && x <= 6) || (x >= 8 && x <= 14)) << x;
                EXPECT_EQ(dddGetPixel(x, y), 0xFF);
            }
    EXPECT_GT(Count(), 20);
    // Every printable code has a glyph; codes above 127 draw nothing.
    for (int32_t c = 33; c < 127; c++) {
        uint32_t any = 0;
        for (int32_t r = 0; r < 7; r++)
            any |= dddFont7x7->rows[r * 128 + c];
        EXPECT_NE(any, 0u) << c;
        EXPECT_EQ(any & ~0x7Eu, 0u) << c; // only columns 1 to 6 of the cell
    }
    dddCls();
    dddPrint(nullptr, 1, 0, 0, "\xB0\xFF");
    EXPECT_EQ(Count(), 0);
}

TEST_F(Lines, TextIsClippedToTheScreen) {
    dddPrint(nullptr, 1, 60, 45, "WWWW");
    dddPrint(nullptr, 1, -5, -3, "MM");
    EXPECT_GT(Count(), 0);
    for (int32_t x = 0; x < 64; x++)
        EXPECT_EQ(dddGetPixel(x, 10), 0);
    // A second copy of the font, loaded from a file with a wider cell.
    std::vector<uint8_t> font(20 + 7 * 512, 0);
    int32_t head[5] = {10, 7, 9, 0, 20};
    memcpy(font.data(), head, 20);
    uint32_t full = 0x1FF;
    for (int32_t r = 0; r < 7; r++)
        memcpy(font.data() + 20 + r * 512 + 4 * 'I', &full, 4);
    mem_files["WIDE.FNT"] = font;
    dddFont *wide = dddFontLoad("wide.fnt");
    ASSERT_NE(wide, nullptr);
    dddCls();
    dddPrint(wide, 2, 0, 20, "II");
    EXPECT_EQ(Count(), 2 * 9 * 7); // columns 0-8 and 10-18: the last cell column stays
    EXPECT_EQ(dddGetPixel(9, 20), 0);
}

TEST(Strings, EngineStringFunctions) {
    char buf[32];
    EXPECT_EQ(dddStrCmp("abc", "abc"), 0);
    EXPECT_EQ(dddStrCmp("abc", "abd"), 1);
    EXPECT_EQ(dddStrCmp("abd", "abc"), 1); // no ordering
    EXPECT_EQ(dddStrCmp("ab", "abc"), 1);
    EXPECT_STREQ(dddStrCpy(buf, "3d\\sub"), "3d\\sub");
    EXPECT_EQ(dddStrLen(buf), 6);
    EXPECT_STREQ(dddStrCat(buf, ".dsh"), "3d\\sub.dsh");
    EXPECT_EQ(dddStrChr(buf, '.'), 6);
    EXPECT_EQ(dddStrChr(buf, '!'), 10);
    dddStrUpr(buf);
    EXPECT_STREQ(buf, "3D\\SUB.DSH");
    dddStrLwr(buf);
    EXPECT_STREQ(buf, "3d\\sub.dsh");
}
