// walkthrough_test.cpp -- the README's first battle, played by one headless client against the real
// server and its drone convoy with escorts, through mouse and keys only, until a ship is sunk
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "net/session.h"
#include "platform/platform_test.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/bridge.h"
#include "stations/button.h"
#include "stations/map.h"
#include "stations/tubes.h"
#include "tests/e2e/e2e_captain.h"
#include "tests/e2e/e2e_client.h"
#include "tests/e2e/e2e_support.h"

namespace {

const double TORPEDO_SPEED = 170.0; // world units a second, as the server runs them
const int32_t FIRING_RANGE = 3000;  // the walkthrough: fire from about 3 km

bool IsCargo(const Mobile *m) {
    int c = MobileClass(m);
    return (m->status & ST_DRONE) && (c == MERCHANT || c == TANKER);
}

double Range(const Mobile *m) {
    return std::hypot(m->x - player_mobile->x, m->z - player_mobile->z);
}

// The nearest cargo ship that passes `want`, or null.
template <class F> Mobile *NearestCargo(F want) {
    Mobile *best = nullptr;
    for (int32_t i = 0; i < num_mobiles; i++) {
        Mobile *m = &mobile[i];
        if ((m->status & ST_DEAD) || !IsCargo(m) || !want(m)) continue;
        if (!best || Range(m) < Range(best)) best = m;
    }
    return best;
}

// Still in the battle with the own boat afloat (a sinking ends the battle and the own ship).
bool Afloat() {
    return location == LOC_BATTLE && player_mobile && !(player_mobile->status & ST_DEAD);
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

// The server with the default convoy and the client, ended whichever way the test ends.
class Walkthrough : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(0, access(E2eServerProgram().c_str(), X_OK)) << E2eServerProgram();
        ASSERT_NE(nullptr, mkdtemp(dir));
        int port = E2eFreePort();
        // The default convoy, escorts and all; the boat starts nearer than usual to keep the
        // test short, ahead of the convoy and off its track as every new boat does, so that the
        // ships pass it abeam: on the side away from the destroyer's station and beyond the
        // screen's sight of a surfaced boat, as a boat 15 km out would dive.
        server = E2eStartServer(
            port, std::string(dir) + "/kr.db", std::string(dir) + "/server.log",
            {"--drones", "6", "--seed", "7", "--spawn-near", "10500", "--spawn-side", "-2500"});
        ASSERT_GT(server, 0) << E2eOutput(std::string("cat ") + dir + "/server.log");
        StartClient(port, (std::string(dir) + "/client.log").c_str());
        client = true;
    }
    void TearDown() override {
        if (client) StopClient("walker");
        if (server > 0) {
            int status = E2eStopServer(server);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "server " << status;
        }
        if (HasFailure())
            printf("logs kept in %s\n", dir);
        else
            E2eOutput(std::string("rm -rf ") + dir);
    }
    char dir[32] = "/tmp/e2e_walk_XXXXXX";
    pid_t server = -1;
    bool client = false;
};

TEST_F(Walkthrough, TheReadmesFirstBattleSinksAShip) {
#if defined(__SANITIZE_ADDRESS__)
    // A captain's timing against a real-time sea: a sanitizer's slower client turns and aims
    // late, and that is not what this test is about (the other end-to-end tests cover these
    // paths under the sanitizer).
    GTEST_SKIP() << "real-time play, not run under a sanitizer";
#endif
    auto start = std::chrono::steady_clock::now();

    Login("walker", "firstbattle");
    NewPlayer("Newcomer", IDC_NORTHLAND);
    PickShip(IDC_SUBMARINE);
    ASSERT_TRUE(Until([] { return location == LOC_BATTLE && player_mobile; }, 30));
    ASSERT_EQ(SUBMARINE, MobileClass(player_mobile));

    // Ring full ahead; on the map table the widest range, then a waypoint on the convoy.
    PlatformTestKeyPress('5');
    Settle();
    EXPECT_EQ(4, player_mobile->engine) << "full ahead was not rung";
    MapButtonClick(MAP_BUTTON_RADAR);
    EXPECT_EQ(120000, map_scale) << "the radar range button did not widen the chart";
    Mobile *cargo = nullptr;
    ASSERT_TRUE(Until(
        [&] {
            cargo = NearestCargo([](const Mobile *m) { return (m->contact & CT_PLOT) != 0; });
            return cargo != nullptr;
        },
        20))
        << "no cargo ship on the chart";
    ASSERT_TRUE(MapClickAt(cargo->x, cargo->z)) << "the convoy is off the chart";
    EXPECT_TRUE(player_mobile->status & ST_GOTO) << "the click set no waypoint";

    // Go down early: the green band of the depth gauge, then the periscope.
    ASSERT_TRUE(GaugeOrder(9));
    EXPECT_EQ(9, player_mobile->ordered_depth);
    ASSERT_TRUE(Until([] { return player_mobile->y >= 5 && player_mobile->y <= 15; }, 60))
        << "never reached periscope depth: " << player_mobile->y << " m";
    OrdersClick(1);
    EXPECT_EQ(1, observer_status & 1) << "the periscope did not go up";
    // The waypoint rings full ahead while it steers: cancel it (the boat holds its course) and
    // ring half ahead, since escorts hear a boat at full ahead from far off; the convoy comes on.
    MapCancel();
    EXPECT_FALSE(player_mobile->status & ST_GOTO) << "the right click left the waypoint";
    PlatformTestKeyPress('4');
    Settle();
    EXPECT_EQ(3, player_mobile->engine) << "half ahead was not rung";
    printf("periscope depth after %.0f s, %d m\n", Seconds(start), player_mobile->y);

    // Close the convoy until a cargo ship is in sight within firing range, steering for the
    // nearest cargo ship on the chart.
    Mobile *target = nullptr;
    double next_note = 0, next_mark = 0;
    bool in_range = Until(
        [&] {
            if (!Afloat()) return true;
            target = NearestCargo([](const Mobile *m) { return Seen(m); });
            if (target && Range(target) <= FIRING_RANGE) return true;
            Mobile *mark =
                NearestCargo([](const Mobile *m) { return (m->contact & CT_PLOT) != 0; });
            if (Seconds(start) > next_note) {
                next_note += 20;
                printf("%.0f s: %s at %.0f m, heading %u, %d m deep, engine %d\n", Seconds(start),
                       mark ? mark->ship_name : "no cargo", mark ? Range(mark) : -1.0,
                       (unsigned)(player_mobile->heading * 360u / 65536u), player_mobile->y,
                       player_mobile->engine);
                fflush(stdout);
            }
            // The convoy moves on: the course goes back onto it now and then.
            if (mark && Seconds(start) > next_mark) {
                next_mark = Seconds(start) + 20;
                CompassSteer(Bearing(mark->x, mark->z));
            }
            return false;
        },
        360);
    ASSERT_TRUE(Afloat()) << "sunk on the approach";
    ASSERT_TRUE(in_range && target) << "never within " << FIRING_RANGE << " of a cargo ship";
    printf("in range of %s after %.0f s, %.0f m\n", target->ship_name, Seconds(start),
           Range(target));

    // Wait for a ship whose lead lies across the bow (a submerged boat turns slowly, so the
    // captain lets the convoy come into the tubes' arc rather than chasing), turn the periscope
    // onto it, lead it as it crosses and fire with the space bar when the tubes' dial lights;
    // again until one goes down.
    int fired = 0;
    std::string sunk;
    auto lead_of = [](const Mobile *m) {
        // The plot's course and speed: the dead-reckoned velocity, per half second.
        return LeadBearing(m, m->vx * 2.0, m->vz * 2.0, TORPEDO_SPEED);
    };
    auto off_bow = [&](const Mobile *m) {
        return std::abs((int16_t)(uint16_t)(lead_of(m) - player_mobile->heading));
    };
    // The radio room reports a sinking: the target is gone from the list by then, so this is
    // what tells the captain it went down.
    auto reported = [&] {
        for (const std::string &l : ChatLog())
            if (l.find(" sunk by Newcomer ") != std::string::npos) sunk = l;
        return !sunk.empty();
    };
    auto firing = std::chrono::steady_clock::now();
    double next_turn = 0;
    while (!reported() && Afloat() && Seconds(firing) < 240) {
        Mobile *best = nullptr;
        for (int32_t i = 0; i < num_mobiles; i++) {
            Mobile *m = &mobile[i];
            if ((m->status & ST_DEAD) || !IsCargo(m) || !Seen(m) || Range(m) > 4500) continue;
            if (!best || off_bow(m) < off_bow(best)) best = m;
        }
        if (!best || off_bow(best) > 0x900) {
            // None in the arc yet: now and then put the bow towards the nearest one's lead.
            Mobile *near = NearestCargo([](const Mobile *m) { return Seen(m); });
            if (near && Seconds(firing) > next_turn) {
                next_turn = Seconds(firing) + 15;
                CompassSteer(lead_of(near));
            }
            Until([] { return false; }, 1);
            continue;
        }
        // Looked up again after every wait: a ship sunk leaves the list and the others move in it.
        int32_t id = best->id;
        auto t = [&] { return FindMobileID(id); };
        DragTo(lead_of(best));
        if (!t()) continue;
        KeysTo(lead_of(t()), 0x18);
        if (!t() || !Until([] { return TubesInArc() != 0; }, 2)) continue;
        // Two, a moment apart: a guessed lead is seldom right, and the second covers the first.
        double range = 0;
        for (int i = 0; i < 2; i++) {
            if (i) {
                Until([] { return false; }, 1);
                if (!t()) break;
                KeysTo(lead_of(t()), 0x18);
            }
            const Mobile *target = t();
            if (!target) break;
            std::string name = target->ship_name;
            range = Range(target);
            PlatformTestKeyPress(VK_SPACE);
            Settle();
            fired++;
            printf("torpedo %d at %s, %.0f m, after %.0f s\n", fired, name.c_str(), range,
                   Seconds(start));
            fflush(stdout);
        }
        // The run, then the radio room's report of a sinking.
        Until(reported, (int)(range / TORPEDO_SPEED) + 8);
    }
    EXPECT_GT(fired, 0) << "the tubes' dial never lit";
    EXPECT_FALSE(sunk.empty()) << fired << " torpedoes and no sinking reported";
    printf("%s after %.0f s\n", sunk.c_str(), Seconds(start));
    Settle(); // the radio room paints its newest line
    PlatformTestScreenshot("walkthrough_end.png");
}
