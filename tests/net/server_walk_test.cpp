// server_walk_test.cpp -- a headless client against the real game server, run in-process on
// loopback: a new player from greeting to a battle and back, then a refused and a good login
#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

#if __has_include("server/srv_server.h")
#include <chrono>
#include <functional>
#include <string>

#include "net/session.h"
#include "net/transport.h"
#include "platform/platform_test.h"
#include "server/srv_server.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/stations.h"
#include "tests/support/dialog_script.h"

namespace {

bool PumpUntil(const std::function<bool()> &done, int seconds = 10) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        ShellLoopPass();
    }
    return true;
}

class ServerWalk : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ServerConfig cfg;
        cfg.bind = "127.0.0.1";
        cfg.port = 0;
        cfg.mail_port = 0;
        cfg.db_path = "walk.db";
        SrvParseHashCost("min", &cfg.hash_cost);
        cfg.drones = 2;
        std::string error;
        server_ = SrvStart(cfg, &error);
        ASSERT_NE(server_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        if (server_) SrvStop(server_);
        server_ = nullptr;
    }
    void StartClient() {
        PlatformTestReset(800, 600);
        std::string port = std::to_string(SrvGamePort(server_));
        const char *argv[] = {"kestrune",   "--host",      "127.0.0.1", "--port",
                              port.c_str(), "--splash-ms", "0"};
        ShellParseArguments(7, (char **)argv);
        exit_flag = 0;
        old_ip_status = 1;
        location = LOC_OFFLINE;
        end_game_wait_ms = 0;
        DialogScriptStart({});
        ASSERT_EQ(ShellStartUp(PlatformInstance(), nullptr, SW_SHOWNORMAL), 1);
    }
    void StopClient() {
        DialogScriptStop();
        if (location == LOC_BATTLE) EndGame();
        if (hwndFrame && IsWindow(hwndFrame)) DestroyWindow(hwndFrame);
        ShutDown();
    }
    static void Login(const char *password) {
        DialogScriptAdd({"Kestrune - Login", [password](HWND d) {
                             DialogType(d, IDC_USERID, "walker");
                             DialogType(d, IDC_PASSWORD, password);
                             DialogPress(d, IDOK);
                         }});
    }
    static SrvHandle *server_;
};
SrvHandle *ServerWalk::server_;

TEST_F(ServerWalk, ANewPlayerJoinsABattleAndLeavesItThenLogsInAgain) {
    StartClient();
    Login("sesame");
    DialogScriptAdd({"Welcome to Kestrune", [](HWND d) {
                         DialogType(d, IDC_NICKNAME, "Walker");
                         CheckRadioButton(d, IDC_NORTHLAND, IDC_WESTLAND, IDC_NORTHLAND);
                         DialogPress(d, IDOK);
                     }});
    DialogScriptAdd({"Ship Selection", [](HWND d) { DialogPress(d, IDC_SUBMARINE); }});
    ASSERT_TRUE(PumpUntil([] { return location == LOC_LOBBY; }));
    EXPECT_STREQ(player.nickname, "Walker");
    EXPECT_EQ(player.country, 1);
    ASSERT_TRUE(PumpUntil([] { return location == LOC_BATTLE; }));
    ASSERT_NE(player_mobile, nullptr);
    EXPECT_EQ(MobileClass(player_mobile), SUBMARINE);
    EXPECT_NE(hwndBridge, nullptr);
    EXPECT_NE(hwndDepth, nullptr);
    EXPECT_NE(hwndButton, nullptr);
    EXPECT_EQ(hwndDC, nullptr);
    EXPECT_FALSE(GetMenuState(GetMenu(hwndApp), IDM_EXIT_BATTLE, MF_BYCOMMAND) & MF_GRAYED);

    SendMessage(hwndApp, WM_COMMAND, IDM_EXIT_BATTLE, 0);
    ASSERT_TRUE(PumpUntil([] { return location == LOC_LOBBY; }));
    EXPECT_EQ(hwndBridge, nullptr);
    EXPECT_EQ(exit_flag, 0);
    StopClient();

    // The same UserID with a wrong password is refused; the client connects again by itself.
    StartClient();
    Login("wrong");
    Login("sesame");
    DialogScriptAdd({"Ship Selection", [](HWND d) { DialogPress(d, IDC_SUBMARINE); }});
    ASSERT_TRUE(PumpUntil([] { return location == LOC_LOBBY; }));
    bool refused = false;
    for (const std::string &box : DialogScriptBoxes())
        refused =
            refused || box.find("Your UserID or password was incorrect.") != std::string::npos;
    EXPECT_TRUE(refused);
    EXPECT_EQ(exit_flag, 0);
    for (const std::string &seen : DialogScriptSeen())
        EXPECT_NE(seen, "Welcome to Kestrune"); // a known player is not asked for a nickname
    StopClient();
}

} // namespace
#else
TEST(ServerWalk, NeedsTheServerLibrary) {
    GTEST_SKIP() << "server/srv_server.h not present";
}
#endif
