// battle_loopback_test.cpp -- a headless client in a battle run by a scripted server on loopback
#include <gtest/gtest.h>

#include "tests/shell/scratch_dir.h"

#include <chrono>
#include <functional>
#include <string>

#include "net/session.h"
#include "net/transport.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/stations.h"
#include "tests/net/script_server.h"
#include "tests/shell/dialog_script.h"

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

    server_.Send("34:");
    ASSERT_TRUE(PumpUntil([] { return location == LOC_LOBBY; }));
    EXPECT_EQ(nullptr, player_mobile);
    EXPECT_EQ(nullptr, mobile);
    for (HWND w : {hwndBridge, hwndChat, hwndMap, hwndCompass, hwndTelegraph, hwndDepth, hwndTubes,
                   hwndButton, hwndGun, hwndDC})
        EXPECT_EQ(nullptr, w);
    EXPECT_EQ(blocks, num_mem_notes) << "every block of the battle is released";
    if (blocks != num_mem_notes) DebugUnfreedList();
}

} // namespace
