// depth_test.cpp -- the depth gauge: dial mapping, title, clicks, redraw on whole metres
#include <gtest/gtest.h>

#include "sim/battle.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "stations/depth.h"
#include "stations/gun.h"
#include "tests/stations/inst_support.h"

namespace {

class DepthTest : public InstFixture {};

std::string Title(HWND w) {
    char text[96] = {};
    GetWindowText(w, text, sizeof text);
    return text;
}

TEST_F(DepthTest, DialRunsFromLowerLeftOverTheTopToLowerRight) {
    EXPECT_EQ(DepthDialEntry(0), 149);
    EXPECT_EQ(DepthDialEntry(125), 255);
    EXPECT_EQ(DepthDialEntry(250), 106);
    EXPECT_GE(DepthDialEntry(-40), 0); // never an index outside the table
}

TEST_F(DepthTest, NeedleIsDrawnAlongItsEntry) {
    Own(SUBMARINE);
    DepthUpdate();
    RECT r;
    GetClientRect(hwndDepth, &r);
    // Three quarters of the way to the head of the needle for depth 0.
    int32_t dx = circle_dx[149] * r.right / 125, dy = circle_dy[149] * r.bottom / 143;
    int x = depth_cx + dx * 26 / 255, y = depth_cy - dy * 26 / 255;
    EXPECT_TRUE(Near(hwndDepth, x, y, RGB(0, 0, 0)));
    // The dot at the centre is dark grey.
    EXPECT_EQ(Pixel(hwndDepth, depth_cx, depth_cy), RGB(64, 64, 64));
}

TEST_F(DepthTest, TitleShowsDepthAndOrderedDepth) {
    Mobile *m = Own(SUBMARINE, 0, 40);
    DepthUpdate();
    EXPECT_EQ(Title(hwndDepth), "Depth. 40m");
    m->status |= ST_DEPTH;
    m->ordered_depth = 100;
    DepthUpdate();
    EXPECT_EQ(Title(hwndDepth), "Depth. 40m \xBB 100m");
}

TEST_F(DepthTest, ClicksOrderTheDepthUnderThem) {
    Mobile *m = Own(SUBMARINE);
    m->contact |= CT_CRASHDIVE;
    // Left of the centre at its height: 50 m; right: 200 m; straight above: mid-scale.
    Click(hwndDepth, depth_cx - 40, depth_cy);
    EXPECT_EQ(m->ordered_depth, 50);
    EXPECT_FALSE(m->contact & CT_CRASHDIVE);
    EXPECT_EQ(start_dive, 1);
    EXPECT_EQ(gun_status, GUN_STOWING);
    Click(hwndDepth, depth_cx + 40, depth_cy);
    EXPECT_EQ(m->ordered_depth, 200);
    EXPECT_NEAR(DepthFromClick(depth_cx, 5), 125, 2);
    // Straight below the centre lies the dead arc: the surface.
    Click(hwndDepth, depth_cx, depth_cy + 40);
    EXPECT_EQ(m->ordered_depth, 0);
}

TEST_F(DepthTest, RightClickLevelsPlanesButLeavesCrashDive) {
    Mobile *m = Own(SUBMARINE, 0, 60);
    m->status |= ST_DEPTH;
    m->contact |= CT_CRASHDIVE;
    m->engine = 4;
    m->trim = 0x8004;
    Click(hwndDepth, 30, 30, 1);
    EXPECT_FALSE(m->status & ST_DEPTH);
    EXPECT_TRUE(m->contact & CT_CRASHDIVE);
    EXPECT_EQ(m->engine, 4);
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], 8), 0x8002); // trim: level planes, neutral buoyancy
}

TEST_F(DepthTest, RedrawsOnlyOnAWholeMetre) {
    Mobile *m = Own(SUBMARINE, 0, 40);
    DepthUpdate();
    Poke(hwndDepth, 3, 3, RGB(1, 2, 3));
    m->fy = 40.7; // the same whole metre
    DepthUpdate();
    EXPECT_EQ(Pixel(hwndDepth, 3, 3), RGB(1, 2, 3));
    m->y = 41;
    DepthUpdate();
    EXPECT_NE(Pixel(hwndDepth, 3, 3), RGB(1, 2, 3));
    EXPECT_EQ(depth_shown, 41);
}

} // namespace
