// session_walk_test.cpp -- a headless client against a scripted server on loopback: greeting,
// login, refused login with reconnect, new player, nickname refusal, lobby, ship choice, join
#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <string>

#include "net/session.h"
#include "net/transport.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "tests/net/script_server.h"
#include "tests/support/dialog_script.h"

namespace {

// Runs the client's main loop until `done` holds or five seconds pass.
bool PumpUntil(const std::function<bool()> &done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        ShellLoopPass();
    }
    return true;
}

class SessionWalk : public ::testing::Test {
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
        DialogScriptStart({});
        ASSERT_EQ(ShellStartUp(PlatformInstance(), nullptr, SW_SHOWNORMAL), 1);
        ASSERT_EQ(IPStatus(), 2);
    }
    void TearDown() override {
        DialogScriptStop();
        if (hwndFrame && IsWindow(hwndFrame)) DestroyWindow(hwndFrame);
        ShutDown();
        PlatformTestReset();
    }
    // The next line the client sends (empty on timeout).
    std::string Expect() {
        std::string line;
        PumpUntil([&] { return server_.Line(&line); });
        return line;
    }
    bool Nothing(int passes = 200) {
        std::string line;
        for (int i = 0; i < passes; i++) {
            ShellLoopPass();
            if (server_.Line(&line)) return false;
        }
        return true;
    }
    void Login() {
        DialogScriptAdd({"Kestrune - Login", [](HWND d) {
                             DialogType(d, IDC_USERID, "captain: nemo");
                             DialogType(d, IDC_PASSWORD, "pw");
                             DialogPress(d, IDOK);
                         }});
        server_.Send("2:");
    }
    ScriptServer server_;
};

UINT MenuState(UINT id) {
    return GetMenuState(GetMenu(hwndApp), id, MF_BYCOMMAND);
}

TEST_F(SessionWalk, FromGreetingToTheLobbyAndIntoABattle) {
    ASSERT_TRUE(PumpUntil([&] { return server_.Accept(); }));
    server_.Send("MorningTideOverGreyHarbour");
    EXPECT_EQ(Expect(), "1:107");
    EXPECT_TRUE(Nothing(50)); // nothing more until the server asks for the login

    Login();
    EXPECT_EQ(Expect(), "3:captainnemo:pw");
    EXPECT_STREQ(debug_file, "captainnemo.log");
    EXPECT_EQ(location, LOC_OFFLINE);

    // A refused login: a box, a new connection, and no lost-connection box.
    server_.Send("4:");
    ASSERT_TRUE(PumpUntil([&] { return server_.Accept(); }));
    EXPECT_EQ(exit_flag, 0);
    ASSERT_FALSE(DialogScriptBoxes().empty());
    EXPECT_EQ(
        DialogScriptBoxes().back(),
        DialogLines("Kestrune|Your UserID or password was incorrect.\n\r\n\rPlease try again."));
    server_.Send("MorningTideOverGreyHarbour");
    EXPECT_EQ(Expect(), "1:107");
    EXPECT_EQ(exit_flag, 0);
    Login();
    EXPECT_EQ(Expect(), "3:captainnemo:pw");

    // A new player, whose first nickname is taken.
    DialogScriptAdd({"Welcome to Kestrune", [](HWND d) {
                         DialogType(d, IDC_NICKNAME, "Seawolf");
                         CheckRadioButton(d, IDC_NORTHLAND, IDC_WESTLAND, IDC_NORTHLAND);
                         DialogPress(d, IDOK);
                     }});
    server_.Send("9:");
    EXPECT_EQ(Expect(), "10:Seawolf:1");
    DialogScriptAdd({"Welcome to Kestrune", [](HWND d) {
                         DialogType(d, IDC_NICKNAME, "Seawolf2");
                         CheckRadioButton(d, IDC_NORTHLAND, IDC_WESTLAND, IDC_WESTLAND);
                         DialogPress(d, IDOK);
                     }});
    server_.Send("17:");
    EXPECT_EQ(Expect(), "10:Seawolf2:0");
    EXPECT_EQ(DialogScriptBoxes().back(), "Kestrune|Sorry, someone else is using that nickname.");
    EXPECT_EQ(location, LOC_OFFLINE);

    // Logon: the lobby, and at once the question for ships.
    server_.Send("11:Seawolf2:0");
    EXPECT_EQ(Expect(), "22");
    EXPECT_EQ(location, LOC_LOBBY);
    EXPECT_STREQ(player.nickname, "Seawolf2");
    EXPECT_EQ(player.country, 0);
    EXPECT_EQ(MenuState(IDM_JOIN_BATTLE) & MF_GRAYED, 0u);

    bool destroyer_enabled = true;
    DialogScriptAdd({"Ship Selection", [&](HWND d) {
                         destroyer_enabled = IsWindowEnabled(GetDlgItem(d, IDC_DESTROYER));
                         DialogPress(d, IDC_DESTROYER); // disabled: ignored
                         DialogPress(d, IDC_SUBMARINE);
                     }});
    server_.Send("23:0:2:0:1:0:0");
    EXPECT_EQ(Expect(), "24:0:3:hms test");
    EXPECT_FALSE(destroyer_enabled);

    server_.Send("25:");
    EXPECT_TRUE(Nothing(50));
    EXPECT_EQ(location, LOC_LOBBY);

    // Game/Join battle asks again; with nothing offered the player can only go back.
    SendMessage(hwndApp, WM_COMMAND, IDM_JOIN_BATTLE, 0);
    EXPECT_EQ(Expect(), "22");
    DialogScriptAdd({"Ship Selection", [](HWND d) { DialogPress(d, IDCANCEL); }});
    server_.Send("23:0:0:0:0:0:0");
    EXPECT_TRUE(PumpUntil([] { return DialogScriptPending() == 0; }));
    EXPECT_TRUE(Nothing(50));

    server_.Send("5:Welcome aboard");
    ASSERT_TRUE(PumpUntil([] { return DialogScriptBoxes().back() == "Kestrune|Welcome aboard"; }));

    server_.Send("26:7");
    EXPECT_TRUE(PumpUntil([] { return my_ship_id == 7; }));
    EXPECT_EQ(location, LOC_LOBBY);

    // The service record: scores, then -1 opens it.
    server_.Send("32:54:1:2:3:4:5:6");
    server_.Send("32:-1");
    HWND record = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (record = PlatformTestFindWindow("Service Record")); }));
    if (record) {
        char text[32];
        GetDlgItemText(record, IDC_SUBMARINE, text, sizeof text);
        EXPECT_STREQ(text, "21");
        SendMessage(record, WM_COMMAND, IDOK, 0);
    }

    // The server goes away: the lost-connection box, and the loop ends.
    server_.CloseConnection();
    EXPECT_TRUE(PumpUntil([] { return exit_flag != 0; }));
    EXPECT_EQ(DialogScriptBoxes().back(),
              DialogLines("Connection problem|Lost connection to KR server.\nPlease wait 5 "
                          "minutes and then join the game again."));
}

TEST_F(SessionWalk, CancellingTheLoginClosesTheProgramWithoutSendingIt) {
    ASSERT_TRUE(PumpUntil([&] { return server_.Accept(); }));
    server_.Send("MorningTideOverGreyHarbour");
    EXPECT_EQ(Expect(), "1:107");
    DialogScriptAdd({"Kestrune - Login", [](HWND d) { DialogPress(d, IDCANCEL); }});
    server_.Send("2:");
    EXPECT_TRUE(PumpUntil([] { return exit_flag != 0; }));
    std::string line;
    EXPECT_FALSE(server_.Line(&line));
}

} // namespace
