// bridge_test.cpp -- the bridge view: modes and titles, hit flash, turning, ship labels, gun aim
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "ddd/ddd.h"
#include "platform/platform_test.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/bridge.h"
#include "stations/gun.h"
#include "tests/stations/bridge_support.h"
#include "tests/stations/inst_support.h"

namespace {

class BridgeTest : public InstFixture {
  protected:
    void SetUp() override {
        InstFixture::SetUp();
        FakeClockOn();
        observer_status = 2;
        hit_time = 0;
        bridge_zoom = 0;
        mouse_lb = 0;
    }
    void TearDown() override {
        mouse_lb = 0;
        observer_status = 2;
        FakeClockOff();
        InstFixture::TearDown();
    }

    static std::string Title() {
        char text[120] = {};
        GetWindowText(hwndBridge, text, sizeof text);
        return text;
    }
    // The memory screen's leftmost pixel of label colour in the rows of a line of text that
    // starts at row y, or -1 when that line is empty.
    static int LabelLeft(int y) {
        for (int x = 0; x < dddscreen_width; x++)
            for (int j = y; j < y + 7 && j < dddscreen_depth; j++)
                if (dddscreenptr[j * dddscreen_width + x] == 255) return x;
        return -1;
    }
    // The memory screen of one frame: the own destroyer at (x, z) looking north at a destroyer
    // 1500 units ahead and a corvette off the starboard bow.
    std::string SceneAt(int32_t x, int32_t z) {
        Own(DESTROYER, x, 0, z, 0);
        SceneShip(DESTROYER, 11, 1500, 0x0000, 0x4000, 0, "Bremen");
        SceneShip(CORVETTE, 12, 2500, 0x0800, 0xC000, 1, "Avon");
        BridgeUpdate();
        return std::string((const char *)dddscreenptr, (size_t)dddscreen_width * dddscreen_depth);
    }
    static int LabelRow() { return dddscreen_depth * 2 / 3 + 9; }
    static int LeftFor(const char *text) { return (dddscreen_width - 8 * (int)strlen(text)) / 2; }
    void MouseTo(int x, int y) {
        POINT p = {x, y};
        ClientToScreen(hwndBridge, &p);
        PlatformTestMouseMove(p.x, p.y);
        PlatformTestPump();
    }
    void RightButton(int x, int y, BOOL down) {
        POINT p = {x, y};
        ClientToScreen(hwndBridge, &p);
        PlatformTestMouseButton(p.x, p.y, 1, down);
        PlatformTestPump();
    }
};

TEST_F(BridgeTest, ObserverStatusChoosesOpticAndTitle) {
    Own(DESTROYER, 0, 0, 0, 0x4000);
    ASSERT_TRUE(hwndBridge);
    observer_status = 3;
    BridgeUpdate();
    EXPECT_EQ(bridge_mode, 0);
    EXPECT_EQ(Title(), "Bridge (Observer) - looking 90\xB0 - angle off bow: 0\xB0");

    observer_status = 1;
    player_mobile->view = 0xE000; // looking 45 degrees to port
    BridgeUpdate();
    EXPECT_EQ(bridge_mode, 1);
    EXPECT_EQ(Title(), "Bridge (Periscope) - looking 45\xB0 - angle off bow: -45\xB0");

    AddSprite(0, 100, 100);
    observer_status = 0;
    BridgeUpdate();
    EXPECT_EQ(bridge_mode, -1);
    EXPECT_EQ(num_sprites, 0);
    RECT r;
    GetClientRect(hwndBridge, &r);
    EXPECT_EQ(Pixel(hwndBridge, r.right / 2, r.bottom / 3), RGB(0, 0, 0));
}

TEST_F(BridgeTest, BinocularsShowSeaInsideTheirRegionAndBlackOutside) {
    Own(DESTROYER);
    BridgeUpdate();
    RECT r;
    GetClientRect(hwndBridge, &r);
    EXPECT_NE(Pixel(hwndBridge, r.right / 2, r.bottom / 2 + 20), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(hwndBridge, 1, 1), RGB(0, 0, 0));
    EXPECT_NE(Pixel(hwndBridge, 1, r.bottom / 2 + 20), RGB(0, 0, 0));
    // The periscope's circle leaves the corners of the binoculars' wider field dark.
    observer_status = 1;
    BridgeClear(0);
    BridgeUpdate();
    EXPECT_EQ(Pixel(hwndBridge, 1, r.bottom / 2 + 20), RGB(0, 0, 0));
}

TEST_F(BridgeTest, HitShowsOverlayFor800msThenOneBlackFrame) {
    Own(DESTROYER);
    RECT r;
    GetClientRect(hwndBridge, &r);
    hit_time = FakeClockNow();
    BridgeUpdate();
    EXPECT_EQ(Differ(hwndBridge, "binoch.bmp", 0, 0, r.right, r.bottom), 0);
    FakeClockAdvance(799);
    BridgeUpdate();
    EXPECT_NE(hit_time, 0u);
    FakeClockAdvance(1);
    BridgeUpdate();
    EXPECT_EQ(hit_time, 0u);
    EXPECT_EQ(Pixel(hwndBridge, r.right / 2, r.bottom / 2 + 20), RGB(0, 0, 0));
    BridgeUpdate();
    EXPECT_NE(Pixel(hwndBridge, r.right / 2, r.bottom / 2 + 20), RGB(0, 0, 0));
}

// Holds a turn for `hold` ms in 20 ms frames, then returns the turn of one more 20 ms frame.
static int32_t TurnAfter(uint32_t hold, int32_t direction) {
    for (uint32_t t = 0; t <= hold; t += 20) {
        BridgeRotate(direction);
        BridgeUpdate();
        FakeClockAdvance(20);
    }
    uint16_t before = player_mobile->view;
    BridgeRotate(direction);
    BridgeUpdate();
    return (int16_t)(uint16_t)(player_mobile->view - before);
}

TEST_F(BridgeTest, TurningSpeedsUpWhileHeldAndHalvesPerZoomStep) {
    Own(DESTROYER);
    // 1 s held: 4 units per ms of frame time.
    EXPECT_EQ(TurnAfter(1000, 1), 4 * 20);
    BridgeUpdate(); // released: the next turn starts slow again
    EXPECT_EQ(TurnAfter(0, -1), 0);
    BridgeUpdate();
    BridgeZoom(+1);
    BridgeZoom(+1);
    BridgeZoom(+1);
    EXPECT_EQ(bridge_zoom, 2);
    EXPECT_EQ(TurnAfter(1000, -1), -4 * (20 >> 2));
}

TEST_F(BridgeTest, BarEndsTurnAndMiddleCyclesZoom) {
    Own(DESTROYER);
    RECT r;
    GetClientRect(hwndBridge, &r);
    int bar_w = screen_w * 82 / 800, bar_h = screen_w * 21 / 800;
    int left = (r.right - bar_w) / 2, top = r.bottom - bar_h - 2;
    BridgeUpdate();
    MouseTo(left + bar_w - 5, top + bar_h / 2);
    mouse_lb = 1;
    uint16_t before = player_mobile->view;
    for (int i = 0; i < 60; i++) {
        BridgeUpdate();
        FakeClockAdvance(20);
    }
    EXPECT_GT((int16_t)(uint16_t)(player_mobile->view - before), 0);
    mouse_lb = 0;
    bridge_zoom = 2;
    Click(hwndBridge, left + bar_w / 2, top + bar_h / 2);
    EXPECT_EQ(bridge_zoom, 0);
    Click(hwndBridge, left + 5, top + bar_h / 2); // an end does not zoom
    EXPECT_EQ(bridge_zoom, 0);
}

TEST_F(BridgeTest, LabelNamesShipNearestTheRoundedLineOfSight) {
    Mobile *own = Own(DESTROYER);
    own->country = 1;
    Mobile *a = Add(CORVETTE, 1, 0, 0, 1, 0, CT_VIEW | CT_PLOT);
    Mobile *b = Add(DESTROYER, 2, 0, 0, 0, 0, CT_VIEW | CT_PLOT);
    strcpy(a->ship_name, "Avon");
    strcpy(a->captain, "Jones");
    strcpy(b->ship_name, "Bremen");
    strcpy(b->captain, "Vogel");
    a->bearing = 0x20;
    b->bearing = 0x30;
    own->view = 0x27;
    BridgeUpdate();
    EXPECT_NEAR(LabelLeft(LabelRow()), LeftFor("AVON - FRIENDLY CORVETTE"), 1);
    EXPECT_NEAR(LabelLeft(LabelRow() + 11), LeftFor("JONES"), 1);
    own->view = 0x28;
    BridgeUpdate();
    EXPECT_NEAR(LabelLeft(LabelRow()), LeftFor("BREMEN - ENEMY DESTROYER"), 1);

    b->status |= ST_DRONE;
    BridgeUpdate();
    EXPECT_NEAR(LabelLeft(LabelRow()), LeftFor("BREMEN - ENEMY DESTROYER (D)"), 1);
    EXPECT_EQ(LabelLeft(LabelRow() + 11), -1);

    b->country = 2;
    BridgeUpdate();
    EXPECT_NEAR(LabelLeft(LabelRow()), LeftFor("BREMEN - NEUTRAL DESTROYER (D)"), 1);

    // Not plotted, or too far off the line of sight: nobody is named.
    b->contact = CT_VIEW;
    BridgeUpdate();
    EXPECT_NEAR(LabelLeft(LabelRow()), LeftFor("AVON - FRIENDLY CORVETTE"), 1);
    own->view = 0x200;
    BridgeUpdate();
    EXPECT_EQ(LabelLeft(LabelRow()), -1);
}

TEST_F(BridgeTest, RightButtonAimsGunAtShipWithin50Pixels) {
    Own(DESTROYER);
    Mobile *t = Add(CORVETTE, 1, 0, 2000, 0, 0, CT_VIEW | CT_PLOT);
    BridgeUpdate();
    RECT r;
    GetClientRect(hwndBridge, &r);
    int sx = dddCreateScreenX(0, 2000) + (r.right - dddscreen_width) / 2;
    int sy = dddCreateScreenY(50, 2000);
    BringWindowToTop(hwndBridge);
    RightButton(sx + 100, sy, TRUE);
    MouseTo(sx + 30, sy + 30); // 42 pixels away
    BridgeUpdate();
    EXPECT_EQ(gun_target, t);
    MouseTo(sx + 40, sy + 40); // 57 pixels away
    BridgeUpdate();
    EXPECT_EQ(gun_target, nullptr);
    MouseTo(sx, sy);
    BridgeUpdate();
    EXPECT_EQ(gun_target, t);
    // Released: moving away no longer changes the aim.
    RightButton(sx, sy, FALSE);
    MouseTo(sx + 200, sy);
    BridgeUpdate();
    EXPECT_EQ(gun_target, t);
    // The periscope gives no aim.
    GunSetTarget(nullptr);
    observer_status = 1;
    BridgeUpdate();
    RightButton(sx, sy, TRUE);
    BridgeUpdate();
    EXPECT_EQ(gun_target, nullptr);
    RightButton(sx, sy, FALSE);
}

TEST_F(BridgeTest, ShipsAreLitTheSameWhereverOnTheMap) {
    std::string origin = SceneAt(0, 0);
    int lit = 0;
    for (unsigned char c : origin)
        lit += c != (unsigned char)origin[0];
    ASSERT_GT(lit, 100) << "the ships are not in the picture";
    // Hundreds of kilometres out, and at the edges of the 32-bit world in each direction.
    const int32_t places[][2] = {{400000, -350000},
                                 {INT32_MAX - 3000, INT32_MAX - 3000},
                                 {INT32_MIN + 10, INT32_MIN + 10},
                                 {INT32_MAX - 3000, INT32_MIN + 10}};
    for (const auto &at : places)
        EXPECT_TRUE(SceneAt(at[0], at[1]) == origin) << at[0] << "," << at[1];
}

TEST_F(BridgeTest, AimingFromTheWorldsEdgePassesOverShipsAtTheOtherEdge) {
    Own(DESTROYER, INT32_MAX, 0, INT32_MAX - 5000, 0);
    Add(CORVETTE, 1, INT32_MIN, INT32_MIN, 0, 0, CT_VIEW | CT_PLOT);
    Mobile *near = Add(CORVETTE, 2, INT32_MAX, INT32_MAX - 3000, 0, 0, CT_VIEW | CT_PLOT);
    BridgeUpdate();
    RECT r;
    GetClientRect(hwndBridge, &r);
    int sx = dddCreateScreenX(0, 2000) + (r.right - dddscreen_width) / 2;
    int sy = dddCreateScreenY(50, 2000);
    BringWindowToTop(hwndBridge);
    RightButton(sx, sy, TRUE);
    BridgeUpdate();
    EXPECT_EQ(gun_target, near);
    RightButton(sx, sy, FALSE);
}

TEST_F(BridgeTest, ClosingReportsFrameRateAndKeepsPosition) {
    Own(DESTROYER);
    for (int i = 0; i < 4; i++) {
        BridgeUpdate();
        FakeClockAdvance(500);
    }
    EndGame();
    EXPECT_EQ(hwndBridge, nullptr);
    std::ifstream log(log_name_);
    std::string line, found;
    while (std::getline(log, line))
        if (line.find("CloseAll") != std::string::npos) found = line;
    EXPECT_NE(found.find("Ticks: 2000  Frames: 4  Frames/Sec: 2.000000"), std::string::npos)
        << found;
}

TEST_F(BridgeTest, DeltaAngleIsTheShortWayRound) {
    EXPECT_EQ(DeltaAngle(5, 5), 0);
    EXPECT_EQ(DeltaAngle(0x10, 0x30), 0x20);
    EXPECT_EQ(DeltaAngle(0x30, 0x10), -0x20);
    EXPECT_EQ(DeltaAngle(0xFFF0, 0x10), -(0xFFFF - 0xFFE0));
    EXPECT_EQ(DeltaAngle(0x10, 0xFFF0), 0xFFFF - 0xFFE0);
}

// Review pictures (written only when INST_SHOTS names a folder): ships at several ranges and
// bearings through both optics, with the label of the ship on the line of sight.
TEST_F(BridgeTest, ReviewShotsThroughBinocularsAndPeriscope) {
    if (!getenv("INST_SHOTS")) GTEST_SKIP() << "INST_SHOTS not set";
    Mobile *own = Own(DESTROYER, 0, 0, 0, 0);
    own->country = 1;
    ASSERT_TRUE(SceneShip(DESTROYER, 11, 1500, 0x0000, 0x4000, 0, "Bremen"));
    ASSERT_TRUE(SceneShip(CORVETTE, 12, 4000, 0x0400, 0xC000, 1, "Avon"));
    ASSERT_TRUE(SceneShip(MERCHANT, 13, 9000, 0xFB00, 0x2000, 2, "Trader"));
    ASSERT_TRUE(SceneShip(TANKER, 14, 3000, 0x2000, 0x6000, 0, "Oiler"));
    ASSERT_TRUE(SceneShip(SUBMARINE, 15, 800, 0xE800, 0x0000, 0, "Wolf"));
    mobile[num_mobiles - 1].status |= ST_DRONE;
    struct {
        const char *name;
        int32_t status, zoom;
        uint16_t view;
    } shots[] = {
        {"bridge_binoculars_ahead_z0", 2, 0, 0x0000},
        {"bridge_binoculars_ahead_z2", 2, 2, 0x0000},
        {"bridge_binoculars_stbd45_z1", 2, 1, 0x2000},
        {"bridge_binoculars_port_drone_z0", 2, 0, 0xE800},
        {"bridge_periscope_ahead_z0", 1, 0, 0x0000},
        {"bridge_periscope_far_z2", 1, 2, 0xFB00},
    };
    for (auto &s : shots) {
        observer_status = s.status;
        bridge_zoom = s.zoom;
        own->view = s.view;
        BridgeUpdate();
        Shot(s.name);
    }
}

} // namespace
