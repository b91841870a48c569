// soak_client_test.cpp -- one player who sails for a long time against a running server; the soak
// script starts it (it does nothing in the normal test run)
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/session.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/chat.h"
#include "stations/stations.h"
#include "tests/e2e/e2e_client.h"
#include "tests/support/dialog_script.h"

TEST(SoakClient, SailsUntilTheTimeIsUp) {
    const char *port = getenv("KESTRUNE_SOAK_PORT");
    if (!port) GTEST_SKIP() << "run by bench/soak/soak.sh (KESTRUNE_SOAK_PORT unset)";
    const char *seconds = getenv("KESTRUNE_SOAK_SECONDS");
    const char *user = getenv("KESTRUNE_SOAK_USER");
    std::string name = user ? user : "soaker";
    bool sub = getenv("KESTRUNE_SOAK_SUB") != nullptr;
    int ship = sub ? IDC_SUBMARINE : IDC_DESTROYER;
    std::string log = name + ".log";

    StartClient(atoi(port), log.c_str());
    Login(name.c_str(), "soakpass");
    NewPlayer(name.c_str(), sub ? IDC_NORTHLAND : IDC_WESTLAND);
    PickShip(ship);
    ASSERT_TRUE(Until([] { return location == LOC_BATTLE; }, 60));

    using Clock = std::chrono::steady_clock;
    auto end = Clock::now() + std::chrono::seconds(seconds ? atoi(seconds) : 60);
    auto next_order = Clock::now(), next_radio = Clock::now(), next_who = Clock::now();
    int battles = 1, orders = 0, lines = 0;
    srand((unsigned)getpid());
    while (Clock::now() < end) {
        Pump();
        auto now = Clock::now();
        if (location != LOC_BATTLE) {
            // Sunk or sent home: join again, as a player would.
            if (location == LOC_LOBBY && DialogScriptPending() == 0) {
                PickShip(ship);
                SendMessage(hwndApp, WM_COMMAND, IDM_JOIN_BATTLE, 0);
                if (Until([] { return location == LOC_BATTLE; }, 30)) battles++;
            }
            continue;
        }
        if (now >= next_order) {
            ChangePlayerEngine(3 + rand() % 2);
            ChangePlayerHelm(1 + rand() % 3);
            orders++;
            next_order = now + std::chrono::seconds(3);
        }
        if (now >= next_radio && hwndChat) {
            ChatSendMessage(("soak line " + std::to_string(lines++)).c_str());
            next_radio = now + std::chrono::seconds(15);
        }
        if (now >= next_who) {
            SendMessage(hwndApp, WM_COMMAND, IDM_WHO, 0);
            next_who = now + std::chrono::seconds(60);
        }
    }
    printf("%s: %d battles, %d orders, %d radio lines\n", name.c_str(), battles, orders, lines);
    EXPECT_GE(orders, 1);
    StopClient(name.c_str());
    EXPECT_EQ(0, num_mem_notes) << "tracked blocks left at shut-down: see " << log;
}
