// depth_session_test.cpp -- a submarine against the real server is ordered down on its depth
// gauge and stays at that depth after depth keeping has levelled the planes
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "net/session.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/depth.h"
#include "tests/e2e/e2e_captain.h"
#include "tests/e2e/e2e_client.h"
#include "tests/e2e/e2e_support.h"

namespace {

const int32_t ORDERED = 40;
const double HOLD_SECONDS = 25; // five times the boat's vertical coast time

std::string GaugeTitle() {
    char text[96] = {};
    GetWindowText(hwndDepth, text, sizeof text);
    return text;
}

} // namespace

TEST(DepthSession, OrderedDepthIsHeldAfterDepthKeepingEnds) {
    ASSERT_EQ(0, access(E2eServerProgram().c_str(), X_OK)) << E2eServerProgram() << " is not built";
    char dir[] = "/tmp/e2e_depth_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    int port = E2eFreePort();
    pid_t server =
        E2eStartServer(port, std::string(dir) + "/kr.db", std::string(dir) + "/server.log",
                       {"--drones", "0", "--seed", "3"});
    ASSERT_GT(server, 0) << E2eOutput(std::string("cat ") + dir + "/server.log");
    char cwd[512];
    std::string home = getcwd(cwd, sizeof cwd);
    ASSERT_EQ(0, chdir(dir));

    StartClient(port, "debug.log");
    Login("diver", "periscope");
    NewPlayer("Diver", IDC_NORTHLAND);
    PickShip(IDC_SUBMARINE);
    bool in = Until([] { return location == LOC_BATTLE && player_mobile && hwndDepth; }, 30);
    EXPECT_TRUE(in) << "no battle with a depth gauge";
    if (in) {
        EXPECT_EQ(0, player_mobile->y);
        ChangePlayerEngine(4);
        ASSERT_TRUE(GaugeOrder(ORDERED));
        EXPECT_EQ(ORDERED, player_mobile->ordered_depth);

        auto ordered_at = std::chrono::steady_clock::now();
        EXPECT_TRUE(Until([] { return (player_mobile->status & ST_DEPTH) != 0; }, 10))
            << "depth keeping never started (gun not stowed)";
        bool reached = Until([] { return !(player_mobile->status & ST_DEPTH); }, 75);
        double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - ordered_at).count();
        ASSERT_TRUE(reached) << "still at " << player_mobile->y << " m after " << took << " s";
        printf("depth keeping ended at %d m after %.1f s\n", player_mobile->y, took);

        int32_t lo = player_mobile->y, hi = player_mobile->y;
        Until(
            [&] {
                lo = std::min(lo, player_mobile->y);
                hi = std::max(hi, player_mobile->y);
                return false;
            },
            (int)HOLD_SECONDS);
        printf("held between %d and %d m for %.0f s\n", lo, hi, HOLD_SECONDS);
        EXPECT_GE(lo, ORDERED - 5);
        EXPECT_LE(hi, ORDERED + 5);
        // The gauge shows where the boat is, with no ordered depth left.
        EXPECT_EQ("Depth. " + std::to_string(player_mobile->y) + "m", GaugeTitle());
    }
    StopClient("diver");
    EXPECT_EQ(0, num_mem_notes) << "tracked blocks left at shut-down";
    E2eStopServer(server);
    ASSERT_EQ(0, chdir(home.c_str()));
    if (!HasFailure())
        E2eOutput(std::string("rm -rf ") + dir);
    else
        printf("logs kept in %s\n", dir);
}
