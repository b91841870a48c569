// station_test.cpp -- every station window: opens at its default place, moves, hides, shows,
// minimises on close, restores instead of maximising, reopens where it was left per screen
// width and ship class
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "media/win.h"
#include "net/session.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/stations.h"
#include "tests/support/frame_window.h"

namespace {

struct StationCase {
    const char *name;
    void (*open)(HWND);
    HWND *window;
    int32_t (*visible)();
    void (*show)();
    void (*hide)();
    const char *title;
    const char *key_x; // null: no settings keys
    UINT menu_id;
};

// What each station's window shows and keeps, by its name in the station table.
struct Expected {
    const char *name;
    const char *title;
    const char *key_x; // null: no settings keys
};

const Expected kExpected[] = {
    {"Bridge", "Bridge", "bridge_x"},    {"Chat", "Radio room", "chat_x"},
    {"Map", "Map table", "map_x"},       {"Compass", "Compass", "compass_x"},
    {"DC", "DC status", "dc_x"},         {"Telegraph", "Engines", "telegraph_x"},
    {"Gun", "Gun status", "gun_x"},      {"Tubes", "Torpedo tubes", "tubes_x"},
    {"Depth", "Depth gauge", "depth_x"}, {"Plan", "Status Map", nullptr},
    {"Button", "Orders", "button_x"},
};

// Every station of the table, with what it is expected to show (no title: none is known).
std::vector<StationCase> AllStations() {
    std::vector<StationCase> cases;
    for (const StationEntry &s : STATION_TABLE) {
        StationCase c = {s.name, s.open,  s.window, s.visible, s.show,
                         s.hide, nullptr, nullptr,  s.menu_id};
        for (const Expected &e : kExpected)
            if (strcmp(e.name, s.name) == 0) {
                c.title = e.title;
                c.key_x = e.key_x;
            }
        cases.push_back(c);
    }
    return cases;
}

POINT Corner(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    POINT p = {r.left, r.top};
    ScreenToClient(hwndApp, &p);
    return p;
}

class Stations : public ::testing::TestWithParam<StationCase> {
  protected:
    void SetUp() override {
        ASSERT_NE(GetParam().title, nullptr) << GetParam().name << ": no expected title";
        InitializeDebug(nullptr);
        remove("kr.ini");
        TestFrameOpen(800, 600);
        ship_ = Mobile();
        ship_.type = &ShipType[SUBMARINE];
        player_mobile = &ship_;
        my_ship_type = SUBMARINE;
        location = LOC_BATTLE;
    }
    void TearDown() override {
        const StationCase &c = GetParam();
        if (*c.window) DestroyWindow(*c.window);
        c.show(); // the visible flag outlives the test otherwise
        player_mobile = nullptr;
        location = LOC_OFFLINE;
        my_ship_type = 0;
        TestFrameClose();
    }
    Mobile ship_;
};

TEST_P(Stations, OpensAsAChildWithItsTitle) {
    const StationCase &c = GetParam();
    c.open(hwndApp);
    ASSERT_NE(*c.window, nullptr);
    EXPECT_EQ(GetParent(*c.window), hwndApp);
    char title[80];
    GetWindowText(*c.window, title, sizeof title);
    EXPECT_STREQ(title, c.title);
    EXPECT_TRUE(IsWindowVisible(*c.window));
    EXPECT_NE(c.visible(), 0);
    DestroyWindow(*c.window);
    EXPECT_EQ(*c.window, nullptr);
}

TEST_P(Stations, AMovedStationReopensWhereItWasLeftForTheSameWidthAndClass) {
    const StationCase &c = GetParam();
    c.open(hwndApp);
    POINT start = Corner(*c.window);
    SetWindowPos(*c.window, NULL, 33, 44, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    DestroyWindow(*c.window);
    c.open(hwndApp);
    POINT again = Corner(*c.window);
    if (!c.key_x) { // the status map always opens centred
        EXPECT_EQ(again.x, start.x);
        EXPECT_EQ(again.y, start.y);
        return;
    }
    EXPECT_EQ(again.x, 33);
    EXPECT_EQ(again.y, 44);
    char value[16];
    GetPrivateProfileString("Kestrune", (std::string(c.key_x) + "-800-5").c_str(), "", value,
                            sizeof value, "kr.ini");
    EXPECT_STREQ(value, "33");
    DestroyWindow(*c.window);

    // Another ship class keeps its own layout.
    my_ship_type = CORVETTE;
    c.open(hwndApp);
    POINT other = Corner(*c.window);
    EXPECT_EQ(other.x, start.x);
    EXPECT_EQ(other.y, start.y);
}

TEST_P(Stations, ClosingMinimisesAndMaximisingRestores) {
    const StationCase &c = GetParam();
    c.open(hwndApp);
    SendMessage(*c.window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(*c.window));
    EXPECT_TRUE(IsIconic(*c.window));
    EXPECT_NE(c.visible(), 0); // the menu item stays ticked
    ShowWindow(*c.window, SW_RESTORE);
    if (c.open == GunOpen || c.open == DCOpen)
        return; // these two leave sizing to the default handling
    ShowWindow(*c.window, SW_MAXIMIZE);
    EXPECT_FALSE(IsZoomed(*c.window));
}

TEST_P(Stations, AStationHiddenInOneBattleStartsHiddenInTheNext) {
    const StationCase &c = GetParam();
    c.open(hwndApp);
    c.hide();
    EXPECT_FALSE(IsWindowVisible(*c.window));
    EXPECT_EQ(c.visible(), 0);
    EXPECT_FALSE(GetMenuState(GetMenu(hwndApp), c.menu_id, MF_BYCOMMAND) & MF_CHECKED);
    DestroyWindow(*c.window);
    if (c.open == BridgeOpen) {
        c.open(hwndApp); // the bridge is always shown when it opens
        EXPECT_TRUE(IsWindowVisible(*c.window));
        return;
    }
    c.open(hwndApp);
    EXPECT_FALSE(IsWindowVisible(*c.window));
    c.show();
    EXPECT_TRUE(IsWindowVisible(*c.window));
    EXPECT_TRUE(GetMenuState(GetMenu(hwndApp), c.menu_id, MF_BYCOMMAND) & MF_CHECKED);
}

INSTANTIATE_TEST_SUITE_P(All, Stations, ::testing::ValuesIn(AllStations()),
                         [](const ::testing::TestParamInfo<StationCase> &info) {
                             return std::string(info.param.name);
                         });

class DefaultPlaces : public ::testing::Test {
  protected:
    void SetUp() override {
        InitializeDebug(nullptr);
        remove("kr.ini");
        TestFrameOpen(800, 600);
    }
    void TearDown() override { TestFrameClose(); }
    RECT Client(HWND w) {
        RECT r;
        GetClientRect(w, &r);
        return r;
    }
};

TEST_F(DefaultPlaces, StatusMapIsCentredWithItsDesignClientSize) {
    PlanOpen(hwndApp);
    RECT c = Client(hwndPlan);
    EXPECT_EQ(c.right - c.left, 700);
    EXPECT_EQ(c.bottom - c.top, 156);
    RECT w;
    GetWindowRect(hwndPlan, &w);
    POINT p = Corner(hwndPlan);
    // Centred on the frame's client area, below the frame's caption and menu bar.
    RECT room = Client(hwndApp);
    EXPECT_EQ(p.x, (800 - (w.right - w.left)) / 2);
    EXPECT_EQ(p.y, (room.bottom - (w.bottom - w.top)) / 2);
    PlanHide();
    PlanHide(); // already hidden: still fine
    EXPECT_EQ(PlanVisible(), 0);
    PlanShow();
    DestroyWindow(hwndPlan);
}

TEST_F(DefaultPlaces, CornersAndEdgesOfTheScreen) {
    // The default places are reckoned on the screen: the frame's caption and menu bar lie above
    // its client area, so a place just below the menu bar is the client area's top.
    RECT room = Client(hwndApp);
    EXPECT_EQ(room.bottom, 600 - sm_cymenu - GetSystemMetrics(SM_CYCAPTION));
    TelegraphOpen(hwndApp);
    POINT t = Corner(hwndTelegraph);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 1);
    RECT tc = Client(hwndTelegraph);
    EXPECT_EQ(tc.right - tc.left, 195);
    DestroyWindow(hwndTelegraph);

    MapOpen(hwndApp);
    RECT mw;
    GetWindowRect(hwndMap, &mw);
    POINT m = Corner(hwndMap);
    EXPECT_EQ(m.x + (mw.right - mw.left), 800 - 1);
    EXPECT_EQ(m.y + (mw.bottom - mw.top), room.bottom - 1);
    DestroyWindow(hwndMap);

    GunOpen(hwndApp);
    RECT gw;
    GetWindowRect(hwndGun, &gw);
    EXPECT_EQ(gw.right - gw.left, 200);
    DestroyWindow(hwndGun);

    BridgeOpen(hwndApp);
    RECT bw;
    GetWindowRect(hwndBridge, &bw);
    EXPECT_EQ(bw.bottom - bw.top, 300);
    EXPECT_EQ(bw.right - bw.left, 412);
    EXPECT_EQ(Corner(hwndBridge).x, 199); // centred would be 194: clear of the tubes' 199
    DestroyWindow(hwndBridge);
}

TEST_F(DefaultPlaces, AResizedRadioRoomKeepsItsSize) {
    ChatOpen(hwndApp);
    SetWindowPos(hwndChat, NULL, 10, 20, 300, 150, SWP_NOZORDER);
    DestroyWindow(hwndChat);
    ChatOpen(hwndApp);
    RECT r;
    GetWindowRect(hwndChat, &r);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 150);
    DestroyWindow(hwndChat);
}

TEST(StationTable, EveryStationOnceWithItsOwnWindowAndMenuCommand) {
    InitializeDebug(nullptr);
    TestFrameOpen(800, 600);
    HMENU menu = GetMenu(hwndApp);
    for (int i = 0; i < STATION_COUNT; i++) {
        const StationEntry &a = STATION_TABLE[i];
        EXPECT_NE(GetMenuState(menu, a.menu_id, MF_BYCOMMAND), (UINT)-1) << a.name;
        EXPECT_EQ(StationFind(a.name), &a);
        for (int j = i + 1; j < STATION_COUNT; j++) {
            const StationEntry &b = STATION_TABLE[j];
            EXPECT_STRNE(a.name, b.name);
            EXPECT_NE(a.menu_id, b.menu_id) << a.name << " " << b.name;
            EXPECT_NE(a.window, b.window) << a.name << " " << b.name;
            EXPECT_TRUE(!a.battle_order || a.battle_order != b.battle_order)
                << a.name << " " << b.name;
        }
    }
    EXPECT_EQ(StationFind("Periscope"), nullptr);
    TestFrameClose();
}

TEST(StationTable, TheClassesThatHaveAStation) {
    EXPECT_TRUE(StationOfClass(StationFind("Bridge"), -1)); // a ship of no known class too
    EXPECT_TRUE(StationOfClass(StationFind("Chat"), MERCHANT));
    EXPECT_TRUE(StationOfClass(StationFind("Gun"), CORVETTE));
    EXPECT_FALSE(StationOfClass(StationFind("Gun"), MERCHANT));
    EXPECT_FALSE(StationOfClass(StationFind("Gun"), -1));
    EXPECT_TRUE(StationOfClass(StationFind("Tubes"), DESTROYER));
    EXPECT_FALSE(StationOfClass(StationFind("Tubes"), CORVETTE));
    EXPECT_FALSE(StationOfClass(StationFind("DC"), SUBMARINE));
    EXPECT_TRUE(StationOfClass(StationFind("Plan"), SUBMARINE));
    EXPECT_EQ(StationFind("Plan")->battle_order, 0); // the player asks for the status map
}

TEST(TubesArc, BowTubesForASubmarineBeamTubesOtherwise) {
    EXPECT_TRUE(TubesArcContains(SUBMARINE, 0));
    EXPECT_TRUE(TubesArcContains(SUBMARINE, 2730));
    EXPECT_FALSE(TubesArcContains(SUBMARINE, 2731));
    EXPECT_FALSE(TubesArcContains(SUBMARINE, 62805));
    EXPECT_TRUE(TubesArcContains(SUBMARINE, 62806));
    EXPECT_FALSE(TubesArcContains(DESTROYER, 13654));
    EXPECT_TRUE(TubesArcContains(DESTROYER, 13655));
    EXPECT_FALSE(TubesArcContains(DESTROYER, 19114));
    EXPECT_TRUE(TubesArcContains(DESTROYER, 49152));
    EXPECT_FALSE(TubesArcContains(DESTROYER, 0));
}

TEST(Gun, StowingAndTheTarget) {
    Mobile ship = Mobile();
    ship.type = &ShipType[SUBMARINE];
    player_mobile = &ship;
    gun_status = GUN_READY;
    GunStow(1);
    EXPECT_EQ(gun_status, GUN_STOWING);
    gun_status = GUN_STOWED;
    GunStow(1);
    EXPECT_EQ(gun_status, GUN_STOWED);
    ship.y = 10;
    GunStow(0);
    EXPECT_EQ(gun_status, GUN_STOWED); // not on the surface
    ship.y = 0;
    GunStow(0);
    EXPECT_EQ(gun_status, GUN_UNSTOWING);
    fire_order = 1;
    GunSetTarget(&ship);
    EXPECT_EQ(gun_target, &ship);
    GunSetTarget(nullptr);
    EXPECT_EQ(fire_order, 0);
    player_mobile = nullptr;
    gun_status = GUN_READY;
}

} // namespace
