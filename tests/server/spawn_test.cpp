// spawn_test.cpp -- where a new player ship starts: 15-22 km from a convoy, or nearer for tests
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
}

// Joins one player and returns its distance from the nearest live convoy's guide.
double JoinDistance(int spawn_near) {
    TestServer srv;
    srv.cfg.spawn_near = spawn_near;
    if (!srv.Start(3)) return -1;
    TestClient c;
    if (!TestNewPlayer(&c, srv.port, "sam", "pw", "sam", 1)) return -1;
    c.SendLine("24:0:3:hms test");
    std::string acc = c.WaitFor("26:");
    if (acc.size() < 4) return -1;
    uint32_t id = (uint32_t)std::stoul(acc.substr(3));
    if (c.WaitFor("27:3:sam:") == "<none>") return -1;
    double best = -1;
    SrvCall(srv.h, [&] {
        World *w = SrvServerOf(srv.h)->world;
        WShip *s = WorldFind(w, id);
        if (!s) return;
        for (const Convoy &cv : w->convoys) {
            if (!cv.live) continue;
            double d = Range((int32_t)cv.gx, (int32_t)cv.gz, s->m.x, s->m.z);
            if (best < 0 || d < best) best = d;
        }
    });
    return best;
}

TEST(SpawnNear, ANewShipStartsAtTheAskedDistanceFromAConvoy) {
    double d = JoinDistance(1500);
    ASSERT_GE(d, 0);
    EXPECT_NEAR(d, 1500, 60); // Range's own rounding, not the placement's
    double usual = JoinDistance(0);
    ASSERT_GE(usual, 0);
    EXPECT_GE(usual, 14900);
    EXPECT_LE(usual, 22100);
}

} // namespace
