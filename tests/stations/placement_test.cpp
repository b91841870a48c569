// placement_test.cpp -- every battle station's default place lies inside the frame's client area
// at the usual screen sizes, and the stations a ship class opens together do not cover each other
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// Every station, as the station table lists them.
using Opener = StationEntry;
const Opener (&kAll)[STATION_COUNT] = STATION_TABLE;

const Opener *Find(const char *name) {
    for (const Opener &o : kAll)
        if (std::string(o.name) == name) return &o;
    return nullptr;
}

struct Screen {
    int w, h;
};
const Screen kScreens[] = {{800, 600}, {1024, 768}, {1280, 1024}, {1920, 1080}};

// A window's rectangle in the frame's client coordinates.
RECT InFrame(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    POINT p = {r.left, r.top};
    ScreenToClient(hwndApp, &p);
    return RECT{p.x, p.y, p.x + (r.right - r.left), p.y + (r.bottom - r.top)};
}

std::string Show(const RECT &r) {
    char b[64];
    snprintf(b, sizeof b, "(%d,%d)-(%d,%d)", (int)r.left, (int)r.top, (int)r.right, (int)r.bottom);
    return b;
}

class Placement : public ::testing::TestWithParam<Screen> {
  protected:
    void SetUp() override {
        InitializeDebug(nullptr);
        remove("kr.ini");
        TestFrameOpen(GetParam().w, GetParam().h);
        ship_ = Mobile();
        player_mobile = &ship_;
        location = LOC_BATTLE;
    }
    void TearDown() override {
        CloseAll();
        player_mobile = nullptr;
        location = LOC_OFFLINE;
        my_ship_type = 0;
        TestFrameClose();
        remove("kr.ini");
    }
    void Class(int type) {
        ship_.type = &ShipType[type];
        my_ship_type = type;
    }
    void CloseAll() {
        for (const Opener &o : kAll)
            if (*o.window) DestroyWindow(*o.window);
    }
    RECT Room() {
        RECT r;
        GetClientRect(hwndApp, &r);
        return r;
    }
    void ExpectInside(const Opener &o) {
        ASSERT_NE(*o.window, nullptr) << o.name;
        RECT r = InFrame(*o.window), room = Room();
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= room.right && r.bottom <= room.bottom)
            << o.name << " at " << Show(r) << " in a client area of " << room.right << "x"
            << room.bottom;
    }
    // Opens the stations in the order a battle does and checks that none covers another.
    void ExpectApart(const std::vector<const char *> &names) {
        std::vector<const Opener *> open;
        for (const char *n : names) {
            const Opener *o = Find(n);
            o->open(hwndApp);
            ExpectInside(*o);
            open.push_back(o);
        }
        for (size_t i = 0; i < open.size(); i++)
            for (size_t j = i + 1; j < open.size(); j++) {
                RECT a = InFrame(*open[i]->window), b = InFrame(*open[j]->window), x;
                EXPECT_FALSE(IntersectRect(&x, &a, &b))
                    << open[i]->name << " " << Show(a) << " covers " << open[j]->name << " "
                    << Show(b);
            }
        CloseAll();
    }
    Mobile ship_;
};

TEST_P(Placement, EveryStationOpensInsideTheFrameClientArea) {
    for (int type : {SUBMARINE, DESTROYER, CORVETTE}) {
        Class(type);
        for (const Opener &o : kAll) {
            o.open(hwndApp); // each alone: its own default, with nothing to keep clear of
            ExpectInside(o);
            DestroyWindow(*o.window);
        }
        for (const Opener &o : kAll) // all at once: pushed aside where they would overlap
            o.open(hwndApp);
        for (const Opener &o : kAll)
            ExpectInside(o);
        CloseAll();
    }
}

TEST_P(Placement, AClassStationsDoNotCoverEachOther) {
    // The battle's own order of opening (StartGame), then what the menu can add for the class.
    Class(SUBMARINE);
    ExpectApart(
        {"Bridge", "Chat", "Map", "Compass", "Telegraph", "Depth", "Tubes", "Button", "Gun"});
    Class(CORVETTE);
    ExpectApart({"Bridge", "Chat", "Map", "Compass", "Telegraph", "DC", "Gun"});
    Class(DESTROYER);
    ExpectApart({"Bridge", "Chat", "Map", "Compass", "Telegraph", "DC", "Tubes", "Gun"});
}

TEST_P(Placement, TheStatusMapIsCentredOnTheClientArea) {
    PlanOpen(hwndApp);
    RECT r = InFrame(hwndPlan), room = Room();
    EXPECT_LE(std::abs((r.left + r.right) - room.right), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) - room.bottom), 1);
}

TEST_P(Placement, MinimisedIconsCoverNoOpenStation) {
    // A submarine's stations, then the status map from the menu and the gun and the depth gauge
    // minimised by their close boxes: each icon finds a place clear of the stations still open.
    Class(SUBMARINE);
    const std::vector<const char *> names = {"Bridge", "Chat",  "Map",    "Compass", "Telegraph",
                                             "Depth",  "Tubes", "Button", "Gun",     "Plan"};
    for (const char *n : names)
        Find(n)->open(hwndApp);
    for (const char *n : {"Plan", "Gun", "Depth"})
        SendMessage(*Find(n)->window, WM_CLOSE, 0, 0);
    for (const char *n : {"Plan", "Gun", "Depth"}) {
        HWND icon = *Find(n)->window;
        ASSERT_TRUE(IsIconic(icon)) << n;
        RECT a = InFrame(icon), room = Room(), x;
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= room.right && a.bottom <= room.bottom)
            << n << " icon at " << Show(a);
        for (const char *m : names) {
            HWND other = *Find(m)->window;
            if (other == icon || IsIconic(other)) continue;
            RECT b = InFrame(other);
            EXPECT_FALSE(IntersectRect(&x, &a, &b))
                << n << " icon " << Show(a) << " covers " << m << " " << Show(b);
        }
    }
}

TEST_P(Placement, ASavedPlaceIsKeptUnlessItRunsOffTheFrame) {
    Class(SUBMARINE);
    CompassOpen(hwndApp);
    SetWindowPos(hwndCompass, NULL, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    DestroyWindow(hwndCompass);
    CompassOpen(hwndApp);
    RECT c = InFrame(hwndCompass);
    EXPECT_EQ(c.left, 40); // a saved place may overlap: the player put it there
    EXPECT_EQ(c.top, 50);
    SetWindowPos(hwndCompass, NULL, GetParam().w + 300, GetParam().h * 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    DestroyWindow(hwndCompass);
    CompassOpen(hwndApp); // saved past the corner: brought back in against it
    c = InFrame(hwndCompass);
    RECT room = Room();
    EXPECT_EQ(c.right, room.right);
    EXPECT_EQ(c.bottom, room.bottom);
}

TEST_P(Placement, TheGunStatusLinesAllShowAboveItsButton) {
    Class(CORVETTE);
    GunOpen(hwndApp);
    ASSERT_NE(hwndGun, nullptr);
    HWND button = GetDlgItem(hwndGun, GUN_BUTTON);
    ASSERT_NE(button, nullptr);
    HDC dc = GetDC(hwndGun);
    HGDIOBJ old = SelectObject(dc, hfont);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(dc, &tm));
    SelectObject(dc, old);
    ReleaseDC(hwndGun, dc);
    RECT w, b;
    GetWindowRect(hwndGun, &w);
    GetWindowRect(button, &b);
    POINT top = {b.left, b.top};
    ScreenToClient(hwndGun, &top);
    // The third line (Status) starts two text heights below the first, a twentieth down.
    int32_t third_bottom = (w.bottom - w.top) / 20 + 3 * tm.tmHeight;
    EXPECT_LE(third_bottom, top.y) << "button top " << top.y << ", text height " << tm.tmHeight;
    ExpectInside(*Find("Gun"));
}

INSTANTIATE_TEST_SUITE_P(Screens, Placement, ::testing::ValuesIn(kScreens),
                         [](const ::testing::TestParamInfo<Screen> &info) {
                             return std::to_string(info.param.w) + "x" +
                                    std::to_string(info.param.h);
                         });

} // namespace
