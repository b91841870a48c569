// spawn_test.cpp -- where a new player ship starts: 15-22 km ahead of a convoy, or nearer for tests
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "server/srv_local.h"
#include "server/srv_world_local.h"
#include "srv_test_util.h"

namespace {

int Parse(std::vector<const char *> args, ServerConfig *cfg) {
    args.insert(args.begin(), "kestrune-server");
    std::string command, arg;
    return SrvParseArgs((int)args.size(), const_cast<char **>(args.data()), cfg, &command, &arg);
}

TEST(SpawnNear, OptionTakesAPositiveDistanceAndRefusesTheRest) {
    ServerConfig cfg;
    EXPECT_EQ(cfg.spawn_near, 0); // the game's own distance unless asked
    EXPECT_EQ(Parse({"--spawn-near", "1500"}, &cfg), 0);
    EXPECT_EQ(cfg.spawn_near, 1500);
    ServerConfig bad;
    EXPECT_EQ(Parse({"--spawn-near", "0"}, &bad), -1);
    EXPECT_EQ(Parse({"--spawn-near", "-5"}, &bad), -1);
    EXPECT_EQ(Parse({"--spawn-near", "12km"}, &bad), -1);
    EXPECT_EQ(Parse({"--spawn-near"}, &bad), -1);
    EXPECT_EQ(bad.spawn_near, 0);
    EXPECT_EQ(Parse({"--spawn-side", "-2500"}, &cfg), 0);
    EXPECT_EQ(cfg.spawn_side, -2500);
    EXPECT_EQ(Parse({"--spawn-side", "60000"}, &bad), -1);
}

// Where a joining player starts: its distance from the nearest live convoy's guide, and how far
// its bearing from the guide lies off the convoy's base course (degrees, 0 dead ahead).
struct Spawn {
    double distance = -1, off_course = 0;
    double starboard = 0; // off_course, positive when the ship lies to starboard of the course
};

Spawn JoinSpawn(int spawn_near, uint32_t seed, int spawn_side = 0) {
    TestServer srv;
    srv.cfg.spawn_near = spawn_near;
    srv.cfg.spawn_side = spawn_side;
    srv.cfg.seed = seed;
    Spawn out;
    if (!srv.Start(3)) return out;
    TestClient c;
    if (!TestNewPlayer(&c, srv.port, "sam", "pw", "sam", 1)) return out;
    c.SendLine("24:0:3:hms test");
    std::string acc = c.WaitFor("26:");
    if (acc.size() < 4) return out;
    uint32_t id = (uint32_t)std::stoul(acc.substr(3));
    if (c.WaitFor("27:3:sam:") == "<none>") return out;
    SrvCall(srv.h, [&] {
        World *w = SrvServerOf(srv.h)->world;
        WShip *s = WorldFind(w, id);
        if (!s) return;
        for (const Convoy &cv : w->convoys) {
            if (!cv.live) continue;
            double d = Range((int32_t)cv.gx, (int32_t)cv.gz, s->m.x, s->m.z);
            if (out.distance >= 0 && d >= out.distance) continue;
            out.distance = d;
            uint16_t bearing = AngleFrom(s->m.x, s->m.z, (int32_t)cv.gx, (int32_t)cv.gz);
            out.starboard = PlusMinusAngle((uint16_t)(bearing - cv.base_course));
            out.off_course = std::abs(out.starboard);
        }
    });
    return out;
}

TEST(SpawnNear, ANewShipStartsAtTheAskedDistanceOnTheConvoysTrack) {
    Spawn near = JoinSpawn(1500, 5);
    ASSERT_GE(near.distance, 0);
    EXPECT_NEAR(near.distance, 1500, 60); // Range's own rounding, not the placement's
    EXPECT_LE(near.off_course, 1);
    // Asked to one side: the convoy will pass it abeam at that distance.
    Spawn beside = JoinSpawn(4000, 5, 3000);
    EXPECT_NEAR(beside.distance, 5000, 60);
    EXPECT_NEAR(beside.starboard, 36.9, 1);
    Spawn port = JoinSpawn(4000, 5, -3000);
    EXPECT_NEAR(port.starboard, -36.9, 1);
}

// A submerged boat is no faster than a convoy: every boat starts ahead of one, near its track.
TEST(SpawnNear, UsuallyANewShipStartsAheadOfAConvoyWithinItsArc) {
    for (uint32_t seed = 1; seed <= 8; seed++) {
        Spawn usual = JoinSpawn(0, seed);
        ASSERT_GE(usual.distance, 0) << "seed " << seed;
        EXPECT_GE(usual.distance, 14900) << "seed " << seed;
        EXPECT_LE(usual.distance, 22100) << "seed " << seed;
        EXPECT_LE(usual.off_course, 26) << "seed " << seed;
    }
}

// Two boats placed near the same convoy never start in one place (one would sail into the
// other's torpedoes): the second starts farther out along the track.
TEST(SpawnNear, TwoBoatsPlacedNearStartApart) {
    TestServer srv;
    srv.cfg.spawn_near = 4000;
    ASSERT_TRUE(srv.Start(3));
    TestClient a, b;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "amy", "pw", "amy", 1));
    ASSERT_TRUE(TestNewPlayer(&b, srv.port, "bob", "pw", "bob", 0));
    a.SendLine("24:0:3:hms a");
    ASSERT_NE(a.WaitFor("26:"), "<none>");
    b.SendLine("24:0:2:hms b");
    ASSERT_NE(b.WaitFor("26:"), "<none>");
    // The first boat leaves and comes back: it must not be placed on the one that stayed.
    a.SendLine("33:");
    ASSERT_NE(a.WaitFor("34:"), "<none>");
    a.SendLine("24:0:3:hms a");
    ASSERT_NE(a.WaitFor("26:"), "<none>");
    std::vector<MotionState> at;
    SrvCall(srv.h, [&] {
        for (auto &s : SrvServerOf(srv.h)->world->ships)
            if (s->role == ROLE_PLAYER && !s->dead) at.push_back(s->m);
    });
    ASSERT_EQ(at.size(), 2u);
    EXPECT_GT(Range(at[0].x, at[0].z, at[1].x, at[1].z), 1000);
}

} // namespace
