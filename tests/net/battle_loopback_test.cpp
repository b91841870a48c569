// battle_loopback_test.cpp -- a headless client in a battle run by a scripted server on loopback
#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

#include <chrono>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "net/session.h"
#include "net/transport.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/bridge.h"
#include "stations/stations.h"
#include "tests/net/script_server.h"
#include "tests/support/dialog_script.h"

namespace {

bool PumpUntil(const std::function<bool()> &done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        ShellLoopPass();
    }
    return true;
}

class BattleLoopback : public ::testing::Test {
  protected:
    void SetUp() override {
        PlatformTestReset(800, 600);
        std::string port = std::to_string(server_.Port());
        const char *argv[] = {"kestrune",   "--host",      "127.0.0.1", "--port",
                              port.c_str(), "--splash-ms", "0"};
        ShellParseArguments(7, (char **)argv);
        exit_flag = 0;
        old_ip_status = 1;
        location = LOC_OFFLINE;
        end_game_wait_ms = 0;
        DialogScriptStart({});
        ASSERT_EQ(ShellStartUp(PlatformInstance(), nullptr, SW_SHOWNORMAL), 1);
        ASSERT_TRUE(PumpUntil([&] { return server_.Accept(); }));
        server_.Send("MorningTideOverGreyHarbour");
        ASSERT_EQ(Expect(), "1:107");
        server_.Send("11:Seawolf:1");
        ASSERT_EQ(Expect(), "22");
    }
    void TearDown() override {
        DialogScriptStop();
        if (hwndFrame && IsWindow(hwndFrame)) DestroyWindow(hwndFrame);
        ShutDown();
        PlatformTestReset();
    }
    std::string Expect() {
        std::string line;
        PumpUntil([&] { return server_.Line(&line); });
        return line;
    }
    bool Nothing(int passes) {
        std::string line;
        for (int i = 0; i < passes; i++) {
            ShellLoopPass();
            if (server_.Line(&line)) return false;
        }
        return true;
    }
    ScriptServer server_;
};

TEST_F(BattleLoopback, JoinStartMoveSteerAndLeave) {
    int32_t blocks = num_mem_notes;
    server_.Send("26:31");
    ASSERT_TRUE(PumpUntil([] { return mobile != nullptr; }));
    EXPECT_EQ(31, my_ship_id);
    server_.Send("30:1:0:0:0:4e20:9c40:ffffffce:ffffffe7:0:19:32:3e8:0:0:0:0:0:fa0:5dc:0:bb8:2710");
    server_.Send("30:5:0:0:0:4e20:9c40:ffffffce:ffffffe7:0:19:32:3e8:0:0:0:0:0:fa0:5dc:0:bb8:1388");
    server_.Send("27:2:Ahab:dd:Pequod:22:0:1:0:0:0:0:0:0:0:3e8:0:7d0");
    server_.Send("27:3:Seawolf:sub:Nautilus:1f:0:1:0:0:0:0:0:0:0:0:0:0");
    ASSERT_TRUE(PumpUntil([] { return location == LOC_BATTLE; }))
        << "the own ship's arrival starts the battle (shape data generated?)";
    ASSERT_NE(nullptr, player_mobile);
    EXPECT_EQ(0x1f, player_mobile->id);
    for (HWND w : {hwndBridge, hwndChat, hwndMap, hwndCompass, hwndTelegraph, hwndDepth, hwndTubes,
                   hwndButton, hwndGun})
        EXPECT_TRUE(IsWindow(w));
    EXPECT_EQ(nullptr, hwndDC) << "a submarine has no depth charges";

    // The server's fix of the destroyer, then the client carries it on by itself.
    server_.Send("8:22:1:0:0:500:4:2:8002:0:3e8:0:7d0");
    Mobile *other = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        other = FindMobileID(0x22);
        return other && (other->status & ST_ACTIVE);
    }));
    EXPECT_EQ(2000, other->z);
    PlatformTestAdvanceTicks(1000);
    EXPECT_TRUE(Nothing(50)) << "nothing is sent on a timer";
    other = FindMobileID(0x22);
    EXPECT_GE(other->z, 2025) << "dead reckoning: about 32 units in the first second";
    EXPECT_EQ(1000, other->x);

    // A helm order is reported once; the same order again sends nothing.
    ChangePlayerHelm(4);
    ChangePlayerHelm(4);
    EXPECT_EQ(Expect(), "8:1f:1:0:0:0:2:4:8002:0:0:0:0");
    EXPECT_TRUE(Nothing(50));

    // The status map opened from the menu and minimised in the battle does not stay as an icon.
    SendMessage(hwndApp, WM_COMMAND, IDM_STATUS_MAP, 0);
    ASSERT_TRUE(IsWindow(hwndPlan));
    SendMessage(hwndPlan, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsIconic(hwndPlan));

    server_.Send("34:");
    ASSERT_TRUE(PumpUntil([] { return location == LOC_LOBBY; }));
    EXPECT_FALSE(IsWindowVisible(hwndPlan)) << "no status map icon in the lobby";
    DestroyWindow(hwndPlan); // it lives on by design; its picture is not the battle's
    EXPECT_EQ(nullptr, player_mobile);
    EXPECT_EQ(nullptr, mobile);
    for (HWND w : {hwndBridge, hwndChat, hwndMap, hwndCompass, hwndTelegraph, hwndDepth, hwndTubes,
                   hwndButton, hwndGun, hwndDC})
        EXPECT_EQ(nullptr, w);
    EXPECT_EQ(blocks, num_mem_notes) << "every block of the battle is released";
    if (blocks != num_mem_notes) DebugUnfreedList();
}

// The bridge window's client pixels, row by row.
std::vector<COLORREF> BridgePixels(int *w, int *h) {
    RECT r;
    GetClientRect(hwndBridge, &r);
    *w = r.right;
    *h = r.bottom;
    std::vector<COLORREF> out;
    for (int y = 0; y < *h; y++)
        for (int x = 0; x < *w; x++)
            out.push_back(PlatformTestWindowPixel(hwndBridge, x, y));
    return out;
}

TEST_F(BattleLoopback, TheBridgeLooksOutFromTheOwnShipWhicheverShipArrivesFirst) {
    // The last battle ended deep, both optics down, with a dive waiting for the gun.
    observer_status = 0;
    start_dive = 1;
    server_.Send("26:31");
    ASSERT_TRUE(PumpUntil([] { return mobile != nullptr; }));
    server_.Send("30:1:0:0:0:4e20:9c40:ffffffce:ffffffe7:0:19:32:3e8:0:0:0:0:0:fa0:5dc:0:bb8:2710");
    server_.Send("30:5:0:0:0:4e20:9c40:ffffffce:ffffffe7:0:19:32:3e8:0:0:0:0:0:fa0:5dc:0:bb8:1388");
    // A destroyer 3000 units due north, lying east-west, is introduced before the own ship at
    // the origin; a second one 3000 units due south.
    server_.Send("27:2:Ahab:dd:Pequod:22:0:1:0:0:0:0:0:0:4000:0:0:bb8");
    server_.Send("27:2:Bildad:dd:Bachelor:23:0:1:0:0:0:0:0:0:4000:0:0:fffff448");
    server_.Send("27:3:Seawolf:sub:Nautilus:1f:0:1:0:0:0:0:0:0:0:0:0:0");
    ASSERT_TRUE(PumpUntil([] { return location == LOC_BATTLE; }));
    server_.Send("8:22:1:0:0:0:2:2:8002:4000:0:0:bb8");
    server_.Send("8:23:1:0:0:0:2:2:8002:4000:0:0:fffff448");
    ASSERT_TRUE(PumpUntil([] {
        Mobile *a = FindMobileID(0x22), *b = FindMobileID(0x23);
        return a && b && (a->status & ST_ACTIVE) && (b->status & ST_ACTIVE);
    }));
    ASSERT_EQ(0x22, mobile[0].id) << "the other ship is first in the list";
    EXPECT_EQ(2, observer_status) << "a battle begun on the surface has its lookout posted";
    EXPECT_EQ(0, start_dive) << "an old battle's dive order does not carry over";

    // Looking ahead, then astern: each time the ship on the line of sight stands in the middle
    // of the picture, and nothing else on the horizon differs between the two views except the
    // two ships themselves, one at each view's centre.
    auto look = [&](uint16_t view, int *w, int *h) {
        player_mobile->view = view;
        for (int i = 0; i < 20; i++)
            ShellLoopPass();
        return BridgePixels(w, h);
    };
    int w = 0, h = 0;
    std::vector<COLORREF> ahead = look(0, &w, &h);
    std::vector<COLORREF> astern = look(0x8000, &w, &h);
    std::vector<COLORREF> beam = look(0x4000, &w, &h);
    ASSERT_GT(w, 100);
    int label_top = h * 2 / 3 + 5;
    // The box of the pixels where a view differs from the empty beam view, above the label.
    auto differing = [&](const std::vector<COLORREF> &px, int *left, int *right) {
        int n = 0;
        *left = w;
        *right = -1;
        for (int y = h / 4; y < label_top; y++)
            for (int x = 0; x < w; x++) {
                size_t i = (size_t)y * (size_t)w + (size_t)x;
                if (px[i] == beam[i]) continue;
                n++;
                *left = std::min(*left, x);
                *right = std::max(*right, x);
            }
        return n;
    };
    for (const std::vector<COLORREF> *view : {&ahead, &astern}) {
        int left, right;
        EXPECT_GT(differing(*view, &left, &right), 200) << "a ship 3000 units off is drawn";
        EXPECT_LT(left, w / 2);
        EXPECT_GT(right, w / 2);
        EXPECT_NEAR((left + right) / 2, w / 2, 12) << left << " to " << right;
        EXPECT_LT(right - left, w / 2) << "nothing else on the horizon";
    }
    // Each view names the ship it looks at, centred under the horizon; the beam view none.
    std::vector<COLORREF> empty = look(0x2000, &w, &h);
    auto label_left = [&](const std::vector<COLORREF> &px) {
        int row = h * 2 / 3 + 9;
        for (int x = 0; x < w; x++)
            for (int y = row; y < row + 7; y++)
                if (px[(size_t)y * (size_t)w + (size_t)x] !=
                    empty[(size_t)y * (size_t)w + (size_t)x])
                    return x;
        return -1;
    };
    auto centred = [&](const char *text) { return (w - 8 * (int)strlen(text)) / 2; };
    EXPECT_NEAR(centred("PEQUOD - FRIENDLY DESTROYER"), label_left(ahead), 8);
    EXPECT_NEAR(centred("BACHELOR - FRIENDLY DESTROYER"), label_left(astern), 8);
    EXPECT_EQ(-1, label_left(beam));
}

} // namespace
