// dial_test.cpp -- the circle table, the sky and sea bands and the periscope graticule
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/dial.h"

namespace {

struct Screen {
    std::vector<uint8_t> pixels;
    dddScreen d;
    Screen(int w, int h) : pixels((size_t)w * h, 0xEE) {
        memset(&d, 0, sizeof(d));
        d.width = d.limit_width = (uint16_t)w;
        d.height = d.limit_height = (uint16_t)h;
        d.pixels = pixels.data();
    }
    uint8_t at(int x, int y) const { return pixels[(size_t)y * d.width + x]; }
};

TEST(Dial, CircleTableQuarters) {
    InitializeCircle();
    EXPECT_EQ(0, circle_dx[0]);
    EXPECT_EQ(256, circle_dy[0]);
    EXPECT_EQ(256, circle_dx[64]);
    EXPECT_EQ(0, circle_dy[64]);
    EXPECT_EQ(0, circle_dx[128]);
    EXPECT_EQ(-256, circle_dy[128]);
    EXPECT_EQ(-256, circle_dx[192]);
    EXPECT_EQ(0, circle_dy[192]);
    EXPECT_EQ(181, circle_dx[32]) << "north-east, truncated";
    EXPECT_EQ(181, circle_dy[32]);
}

TEST(Dial, Uppercase) {
    char text[] = "Seawolf 7 x";
    uppercase(text);
    EXPECT_STREQ("SEAWOLF 7 X", text);
    uppercase(nullptr);
}

// The last row of each colour on a 320 x 200 screen: sky bands, then sea bands.
TEST(Dial, HorizonBandsOn320By200) {
    Screen s(320, 200);
    DrawHorizon(&s.d, 16, 32);
    auto rows_of = [&](uint8_t colour) {
        int n = 0;
        for (int y = 0; y < 200; y++)
            n += s.at(0, y) == colour;
        return n;
    };
    const int sky_rows[8] = {52, 25, 12, 6, 3, 1, 0, 0};
    const int sea_rows[8] = {0, 0, 1, 3, 6, 12, 25, 54};
    for (int k = 0; k < 8; k++) {
        EXPECT_EQ(sky_rows[k], rows_of((uint8_t)(16 + k))) << "sky " << k;
        EXPECT_EQ(sea_rows[k], rows_of((uint8_t)(32 + k))) << "sea " << k;
    }
    EXPECT_EQ(16, s.at(0, 51));
    EXPECT_EQ(17, s.at(319, 52));
    EXPECT_EQ(21, s.at(0, 98));
    EXPECT_EQ(34, s.at(0, 99));
    EXPECT_EQ(35, s.at(0, 100));
    EXPECT_EQ(39, s.at(319, 199));
}

TEST(Dial, HorizonStaysInsideItsBuffer) {
    Screen s(64, 48);
    s.d.height = 500; // asks for more rows than the buffer has
    DrawHorizon(&s.d, 0, 8);
    DrawCrossHairs(&s.d);
    dddScreen none = {};
    DrawHorizon(&none, 0, 8);
    DrawCrossHairs(nullptr);
}

TEST(Dial, CrossHairsOn320By200) {
    Screen s(320, 200);
    DrawCrossHairs(&s.d);
    // Top scale on row 8 from column 88 to 232, ticks every 6 columns.
    EXPECT_EQ(0xEE, s.at(87, 8));
    for (int x = 88; x <= 232; x++)
        EXPECT_EQ(0, s.at(x, 8)) << x;
    EXPECT_EQ(0xEE, s.at(233, 8));
    EXPECT_EQ(0, s.at(88, 13)) << "first tick is long";
    EXPECT_EQ(0xEE, s.at(88, 14));
    EXPECT_EQ(0, s.at(94, 10));
    EXPECT_EQ(0xEE, s.at(94, 11)) << "short tick: 3 pixels tall";
    EXPECT_EQ(0, s.at(160, 13)) << "long tick at the centre";
    EXPECT_EQ(0, s.at(232, 13));
    EXPECT_EQ(0xEE, s.at(91, 9));
    // Right-hand scale in column 252 from row 28 to 172.
    EXPECT_EQ(0xEE, s.at(252, 27));
    for (int y = 28; y <= 172; y++)
        EXPECT_EQ(0, s.at(252, y)) << y;
    EXPECT_EQ(0xEE, s.at(252, 173));
    EXPECT_EQ(0, s.at(247, 28));
    EXPECT_EQ(0xEE, s.at(246, 28));
    EXPECT_EQ(0, s.at(250, 34));
    EXPECT_EQ(0xEE, s.at(249, 34));
    // Dotted centre lines.
    EXPECT_EQ(0, s.at(0, 100));
    EXPECT_EQ(0xEE, s.at(1, 100));
    EXPECT_EQ(0, s.at(160, 0));
    EXPECT_EQ(0xEE, s.at(160, 1));
}

TEST(Dial, AnglesShownToThePlayer) {
    EXPECT_EQ(0u, Degrees(0));
    EXPECT_EQ(90u, Degrees(0x4000));
    EXPECT_EQ(360u, Degrees(0xFFFF));
    EXPECT_EQ(-180, PlusMinusAngle(0x8000));
    EXPECT_EQ(179, PlusMinusAngle(0x7FFF));
}

} // namespace
