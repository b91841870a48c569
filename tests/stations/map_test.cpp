// map_test.cpp -- the map table: pacing, scale buttons, grid, plots, blips, marks, waypoints
#include <gtest/gtest.h>

#include "media/sfx.h"
#include "net/battle_messages.h"
#include "platform/platform_test.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/stations.h"
#include "tests/stations/inst_support.h"

namespace {

const COLORREF BLUE = RGB(0, 0, 255), RED = RGB(255, 0, 0), BLACK = RGB(0, 0, 0);
const COLORREF GREEN = RGB(0, 160, 0), PAPER = RGB(255, 255, 224);

class MapTest : public InstFixture {
  protected:
    void SetUp() override {
        InstFixture::SetUp();
        map_scale = 60000;
    }
    // Gives the chart a client area `width` wide and square at (x, y), then redraws it.
    void Chart(int width, int x = 10, int y = 10) {
        RECT outer, inner;
        GetWindowRect(hwndMap, &outer);
        GetClientRect(hwndMap, &inner);
        int extra_w = (outer.right - outer.left) - inner.right;
        int extra_h = (outer.bottom - outer.top) - inner.bottom;
        MoveWindow(hwndMap, x, y, width + extra_w, width + extra_h, TRUE);
        PlatformTestPump();
        Redraw();
    }
    void Redraw() {
        map_redraw = 1;
        MapUpdate();
    }
    std::string Title() {
        char text[96] = {};
        GetWindowText(hwndMap, text, sizeof text);
        return text;
    }
    int cx() { return map_chart_w / 2; }
    int cy() { return map_chart_h - map_chart_h / 2; }
};

TEST_F(MapTest, ScaleButtonsShowAtThePacedRedraw) {
    Own(DESTROYER, 10000, 0, 0);
    Chart(300);
    ASSERT_EQ(map_chart_w, 300);
    // Grid squares 500 pixels apart: one vertical line, at x = 100.
    EXPECT_EQ(Pixel(hwndMap, 100, 20), BLUE);
    SendMessage(hwndMap, WM_COMMAND, MAP_BUTTON_RADAR, 0);
    EXPECT_EQ(map_scale, 120000);
    MapUpdate();
    EXPECT_EQ(Pixel(hwndMap, 125, 20), PAPER); // not before 700 ms have passed
    PlatformTestAdvanceTicks(700);
    MapUpdate();
    EXPECT_EQ(Pixel(hwndMap, 125, 20), BLUE); // now 250 pixels apart
    EXPECT_EQ(Pixel(hwndMap, 100, 20), PAPER);
    const struct {
        int id, scale;
    } buttons[] = {{MAP_BUTTON_VISUAL, 60000}, {MAP_BUTTON_PERI, 40000}, {MAP_BUTTON_SONAR, 20000}};
    for (const auto &b : buttons) {
        SendMessage(hwndMap, WM_COMMAND, b.id, 0);
        EXPECT_EQ(map_scale, b.scale);
    }
}

TEST_F(MapTest, ClicksSetTheWaypoint) {
    Mobile *p = Own(DESTROYER, -1500, 0, 2400);
    Chart(300);
    Click(hwndMap, 150 + 30, map_chart_h / 2);
    EXPECT_EQ(p->way_x, -1500 + 6000);
    EXPECT_EQ(p->way_z, 2400);
    EXPECT_EQ(p->ordered_heading, 0xC000); // the reciprocal of east
    EXPECT_EQ(p->status & (ST_STEER | ST_GOTO), ST_STEER | ST_GOTO);
    Click(hwndMap, 150, map_chart_h / 2);
    EXPECT_EQ(p->way_x, -1500);
    EXPECT_EQ(p->way_z, 2400);
    MapUpdate(); // a click redraws at once
    EXPECT_EQ(Title(), "Map table - (-1,2) \xBB (-1,2)");
    // The cross of fixed size at the waypoint, over the own ship's dot.
    EXPECT_EQ(Pixel(hwndMap, cx() + 4, cy()), BLACK);
    EXPECT_EQ(Pixel(hwndMap, cx(), cy() + 4), BLACK);
    Click(hwndMap, 100, 100, 1);
    EXPECT_FALSE(p->status & ST_GOTO);
    EXPECT_TRUE(p->status & ST_STEER);
    Redraw();
    EXPECT_EQ(Title(), "Map table - (-1,2)");
    EXPECT_EQ(Pixel(hwndMap, cx(), cy() + 4), PAPER);
}

TEST_F(MapTest, PlotsBySideWithHeadingLines) {
    // Off the grid lines: they lie at x = 100 and y = 189 on this chart.
    Own(DESTROYER, 10000, 0, 10000);
    Add(CORVETTE, 20, 13000, 10000, COUNTRY_NORTHLAND, 0x4000);
    Add(CORVETTE, 21, 7000, 10000, COUNTRY_WESTLAND, 0);
    Add(CORVETTE, 22, 10000, 7000, COUNTRY_NEUTRAL, 0, 0); // not reported: not drawn
    Chart(300);
    EXPECT_EQ(Pixel(hwndMap, cx(), cy()), BLACK);
    EXPECT_EQ(Pixel(hwndMap, cx() + 15, cy()), BLUE);
    EXPECT_EQ(Pixel(hwndMap, cx() + 15 + 8, cy()), BLUE); // heading east, 10 pixels
    EXPECT_EQ(Pixel(hwndMap, cx() - 15, cy()), RED);
    EXPECT_EQ(Pixel(hwndMap, cx() - 15, cy() - 8), RED); // heading north
    EXPECT_EQ(Pixel(hwndMap, cx(), cy() + 15), PAPER);
}

TEST_F(MapTest, RadarBlipSizeFlickersByClass) {
    Own(DESTROYER);
    Mobile *sub = Add(SUBMARINE, 20, 3000, 0, COUNTRY_WESTLAND, 0, CT_RADAR);
    Chart(300);
    auto big = [&](int x) {
        int n = 0;
        for (int i = 0; i < 100; i++) {
            Redraw();
            n += Pixel(hwndMap, x + 3, cy() + 2) == RED; // inside 8 pixels, outside 6
        }
        return n;
    };
    int sub_big = big(cx() + 15);
    EXPECT_GT(sub_big, 2);
    EXPECT_LT(sub_big, 22);
    sub->type = &ShipType[DESTROYER];
    EXPECT_GT(big(cx() + 15), 78);
}

TEST_F(MapTest, SonarDotOverThePlotAndPing) {
    Own(DESTROYER, 10000, 0, 10000);
    Add(SUBMARINE, 20, 13000, 10000, COUNTRY_WESTLAND, 0x4000, CT_PLOT | CT_SONAR);
    Chart(300);
    ClearLog();
    Redraw();
    EXPECT_EQ(Pixel(hwndMap, cx() + 15, cy()), GREEN);
    EXPECT_EQ(Pixel(hwndMap, cx() + 15 + 8, cy()), RED);
    EXPECT_EQ(Sounds(SFX_PING), 1);
    MapHide();
    Redraw();
    EXPECT_EQ(Sounds(SFX_PING), 1);
}

TEST_F(MapTest, WeaponMarksButNoExplosions) {
    Own(DESTROYER, 10000, 0, 10000); // no grid line near the centre at this scale
    MapZoom(10000);                  // 20000 across: gun X of 6 pixels, depth-charge ring of 7
    AddSprite(GUN_MISS, 13000, 10000);
    AddSprite(DC_HIT, 7000, 10000);
    AddSprite(TP_HIT, 10000, 13000);
    Chart(300);
    EXPECT_EQ(Pixel(hwndMap, cx() + 45 + 3, cy() + 3), RED);
    EXPECT_EQ(Pixel(hwndMap, cx() + 45 + 3, cy() - 3), RED);
    EXPECT_EQ(Pixel(hwndMap, cx() + 45 + 3, cy()), PAPER);
    EXPECT_TRUE(Near(hwndMap, cx() - 45, cy() - 7, RED));
    EXPECT_EQ(Pixel(hwndMap, cx() - 45 + 5, cy() - 5), RED);
    EXPECT_EQ(Pixel(hwndMap, cx(), cy() - 45), PAPER);
}

TEST_F(MapTest, WideArithmeticAndEmptyCharts) {
    Own(DESTROYER, 2000000000, 0, -2000000000);
    Add(CORVETTE, 20, -2000000000, 2000000000, COUNTRY_NORTHLAND);
    Chart(600);
    int32_t sx, sy;
    MapProject(2000000000 - 10000000, -2000000000, &sx, &sy);
    int64_t w = map_chart_w;
    EXPECT_EQ(sx, w / 2 - 10000000 * w / 60000); // the product passes 32 bits
    EXPECT_EQ(Pixel(hwndMap, cx(), cy()), BLACK);
    // A minimised chart has no width: a click there orders nothing.
    ShowWindow(hwndMap, SW_MINIMIZE);
    PlatformTestPump();
    player_mobile->status &= ~ST_GOTO;
    MapClick(10, 10);
    EXPECT_FALSE(player_mobile->status & ST_GOTO);
    MapZoom(0);
    EXPECT_EQ(map_scale, 60000);
}

} // namespace

// A battle under way, every instrument drawn; each station must reach the composed screen.
// With INST_SHOTS set the screens are kept as PNG files for review.
class SceneTest : public MapTest {
  protected:
    void Scene(int32_t type, const char *name) {
        Mobile *p = Own(type, 10000, type == SUBMARINE ? 12 : 0, 10000, 0x3000);
        p->view = type == SUBMARINE ? 0x0400 : 0x4000;
        p->engine = 3;
        p->status |= ST_STEER | ST_GOTO | ST_DEPTH;
        p->ordered_heading = 0xA000;
        p->way_x = 16000;
        p->way_z = 4000;
        p->ordered_depth = 100;
        Add(DESTROYER, 20, 14000, 14000, COUNTRY_NORTHLAND, 0x8000);
        Add(CORVETTE, 21, 5000, 12000, COUNTRY_WESTLAND, 0x2000);
        Add(SUBMARINE, 22, 8000, 4000, COUNTRY_WESTLAND, 0, CT_RADAR);
        Add(MERCHANT, 23, 15000, 9000, COUNTRY_NEUTRAL, 0xC000, CT_PLOT | CT_SONAR);
        AddSprite(GUN_MISS, 12000, 7000);
        AddSprite(DC_MISS, 7000, 15000);
        TubesClick(0, 0);
        Chart(screen_width_ * 3 / 10, screen_width_ * 3 / 10, screen_height_ / 2);
        CompassUpdate();
        DepthUpdate();
        TelegraphUpdate();
        TubesUpdate();
        PlatformTestCompose();
        HWND stations[] = {hwndMap, hwndCompass, hwndTelegraph, hwndTubes,
                           type == SUBMARINE ? hwndDepth : hwndMap};
        for (HWND w : stations) {
            BringWindowToTop(w);
            PlatformTestCompose();
            RECT r;
            GetClientRect(w, &r);
            POINT c = {r.right / 2 + 3, r.bottom / 3};
            COLORREF own = Pixel(w, c.x, c.y);
            ClientToScreen(w, &c);
            EXPECT_EQ(PlatformTestScreenPixel(c.x, c.y), own) << name;
        }
        Shot(name);
    }
};

TEST_F(SceneTest, SubmarineStations) {
    Scene(SUBMARINE, "scene_submarine");
}

TEST_F(SceneTest, DestroyerStations) {
    Scene(DESTROYER, "scene_destroyer");
}

class LargeSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        screen_width_ = 1600;
        screen_height_ = 1200;
        SceneTest::SetUp();
    }
};

// Twice the design size: every station scales with the screen.
TEST_F(LargeSceneTest, SubmarineStationsScaled) {
    Scene(SUBMARINE, "scene_submarine_1600");
}
