// world_test.cpp -- the battle world stepped in-process: areas, torpedoes, hits, charges, radio
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <thread>

#include "server/srv_local.h"
#include "server/srv_world_local.h"
#include "srv_test_util.h"
#include "srv_test_world.h"

namespace {

std::string Hex(uint32_t v) {
    char b[16];
    snprintf(b, sizeof b, "%" PRIx32, v);
    return b;
}

// A player of the in-process world: its id as the session would give it, and its ship.
struct Player {
    uint32_t player = 0;
    uint32_t id = 0;
};

// The world stepped by hand with a recording sink, configured as the loopback test server is.
struct Battle : ::testing::Test {
    TestWorld sea;
    World *w = nullptr;
    void Start(int drones = 0) {
        sea.cfg.dc_sink_speed = 100.0;
        sea.Open(drones, 1);
        w = sea.w;
        WorldStep(w, sea.now);
    }
    // Joins as the lobby does for "24:0:type:hms test" (that name gets one of the world's).
    bool Join(Player *p, const std::string &user, int country, int type) {
        p->id = sea.Join(&p->player, country, user, type, "");
        if (!p->id) return false;
        std::string acc = WaitFor(p, "26:");
        if (acc.size() < 4 || (uint32_t)std::stoul(acc.substr(3)) != p->id) return false;
        // The own new-ship line opens the join's ships; the others follow it.
        return WaitFor(p, "27:" + std::to_string(type) + ":" + user + ":") != "<none>";
    }
    // The player's next line starting with prefix, stepping the world up to ms for it.
    std::string WaitFor(Player *p, const std::string &prefix, uint32_t ms = 3000) {
        return TestWaitFor(&sea, p->player, prefix, ms);
    }
    // Steps the world for ms and returns every line the player was sent meanwhile.
    std::vector<std::string> Drain(Player *p, uint32_t ms) {
        std::vector<std::string> lines = sea.sink.Lines(p->player);
        sea.Step(ms);
        for (auto &l : sea.sink.Lines(p->player))
            lines.push_back(l);
        return lines;
    }
    // A player's line, as the session hands its argument to the world.
    void Send(Player *p, const std::string &line) {
        size_t colon = line.find(':');
        std::string kind = line.substr(0, colon);
        std::string arg = colon == std::string::npos ? "" : line.substr(colon + 1);
        if (kind == "8")
            WorldPlayerUpdate(w, p->id, arg);
        else if (kind == "13")
            WorldPlayerWeapon(w, p->id, arg);
        else if (kind == "29")
            WorldPlayerRadio(w, p->id, arg);
        else
            ADD_FAILURE() << "not a battle line: " << line;
    }
    // Puts a ship at a place, stopped, and has every watcher told.
    void Place(uint32_t id, int32_t x, int32_t y, int32_t z, uint16_t heading = 0) {
        WShip *s = WorldFind(w, id);
        ASSERT_NE(s, nullptr);
        s->m.vx = s->m.vy = s->m.vz = 0;
        s->m.engine = s->m.helm = 2;
        s->m.trim = 0x8002;
        MotionSetPosition(&s->m, x, y, z, heading);
        if (s->player) WorldAnchor(w, s); // its movement allowance starts here
        s->last_move = w->now;
        s->convoy = -1;
        s->next_think = w->now + 3600000; // drones stay where they are put
        WorldSendUpdate(w, s, 0);
    }
    uint32_t FirstDrone(int stype) {
        uint32_t id = 0;
        for (auto &s : w->ships)
            if (!id && !s->dead && s->stype == stype && s->captain == "DRONE") id = s->id;
        return id;
    }
};

TEST_F(Battle, TwoPlayersSeeEachOtherAndOwnShipComesFirst) {
    Start(2);
    Player a, b;
    ASSERT_TRUE(Join(&a, "anna", 1, 3));
    b.id = sea.Join(&b.player, 0, "bert", 1, "");
    ASSERT_NE(b.id, 0u);
    std::string acc = WaitFor(&b, "26:");
    ASSERT_GT(acc.size(), 3u);
    EXPECT_EQ((uint32_t)std::stoul(acc.substr(3)), b.id);
    // The client's camera and lists hang on its own ship: it is the first ship Bert hears of,
    // before Anna and before the drones around him.
    std::string first = WaitFor(&b, "27:");
    EXPECT_EQ(first.rfind("27:1:bert:Corvette:", 0), 0u) << first;
    EXPECT_NE(WaitFor(&b, "27:3:anna:Submarine:"), "<none>");
    EXPECT_EQ(WaitFor(&b, "8:" + Hex(a.id) + ":").substr(0, 3 + Hex(a.id).size()),
              "8:" + Hex(a.id) + ":");
    // Anna hears of Bert as soon as he arrives, with his state so her client moves him.
    EXPECT_NE(WaitFor(&a, "27:1:bert:Corvette:"), "<none>");
    EXPECT_EQ(WaitFor(&a, "8:" + Hex(b.id) + ":").substr(0, 3 + Hex(b.id).size()),
              "8:" + Hex(b.id) + ":");
}

TEST_F(Battle, LeavingTheAreaGivesKind4AndExitKind3) {
    Start();
    Player a, b;
    ASSERT_TRUE(Join(&a, "anna", 1, 3));
    ASSERT_TRUE(Join(&b, "bert", 0, 1));
    Place(a.id, 0, 0, 0);
    Place(b.id, 1000, 0, 0);
    Place(b.id, 200000, 0, 0);
    EXPECT_NE(WaitFor(&a, "8:" + Hex(b.id) + ":4:"), "<none>");
    Place(b.id, 2000, 0, 0); // back in: introduced again
    EXPECT_NE(WaitFor(&a, "27:1:bert:"), "<none>");
    WorldLeave(w, b.player, b.id); // the session's exit (its "34:" is the session suite's)
    EXPECT_EQ(WorldFind(w, b.id), nullptr);
    EXPECT_NE(WaitFor(&a, "8:" + Hex(b.id) + ":3:"), "<none>");
}

TEST_F(Battle, TorpedoLaunchIsEchoedWithANewIdToEveryoneNear) {
    Start();
    Player a, b;
    ASSERT_TRUE(Join(&a, "anna", 1, 3));
    ASSERT_TRUE(Join(&b, "bert", 0, 1));
    Place(a.id, 1000, 0, 2000, 0x4000);
    Place(b.id, 5000, 0, 2000);
    Send(&a, "13:ffffffff:" + Hex(a.id) + ":0:0:4000:3e8:7d0");
    std::string ea = WaitFor(&a, "13:");
    std::string eb = WaitFor(&b, "13:");
    ASSERT_NE(ea, "<none>");
    EXPECT_EQ(ea, eb);
    uint32_t tid = (uint32_t)std::stoul(ea.substr(3), nullptr, 16);
    EXPECT_NE(tid, 0xffffffffu);
    EXPECT_NE(tid, a.id);
    EXPECT_EQ(ea, "13:" + Hex(tid) + ":" + Hex(a.id) + ":0:0:4000:3e8:7d0");
    // A corvette has no tubes; a launch for someone else's ship is not believed either.
    Send(&b, "13:ffffffff:" + Hex(b.id) + ":0:0:0:1388:7d0");
    Send(&b, "13:ffffffff:" + Hex(a.id) + ":0:0:0:1388:7d0");
    for (auto &l : Drain(&a, 400))
        EXPECT_NE(l.rfind("13:", 0), 0u) << l;
    EXPECT_EQ(WorldTorpedoes(w), 1);
}

TEST_F(Battle, ATorpedoHitSinksAMerchantAndEveryoneHearsIt) {
    Start(1); // one merchant
    Player a, b;
    ASSERT_TRUE(Join(&a, "anna", 1, 3));
    ASSERT_TRUE(Join(&b, "bert", 0, 1));
    uint32_t drone = FirstDrone(5);
    ASSERT_NE(drone, 0u);
    Place(a.id, 0, 0, 0);
    Place(b.id, 0, 0, 9000);
    Place(drone, 3000, 0, 0);
    {
        Send(&a, "13:ffffffff:" + Hex(a.id) + ":0:0:4000:0:0");
        std::string echo = WaitFor(&a, "13:");
        uint32_t tid = (uint32_t)std::stoul(echo.substr(3), nullptr, 16);
        // The torpedo reaches the merchant: the server has it there too.
        MotionSetPosition(&WorldFind(w, tid)->m, 2950, 2, 0, 0x4000);
        Send(&a, "13:" + Hex(tid) + ":" + Hex(drone) + ":1:0:4000:b86:0");
        EXPECT_EQ(
            WaitFor(&a, "13:" + Hex(tid) + ":").substr(0, 7 + Hex(tid).size() + Hex(drone).size()),
            "13:" + Hex(tid) + ":" + Hex(drone) + ":1:");
    }
    std::string sunk = "13:" + Hex(a.id) + ":" + Hex(drone) + ":2:";
    EXPECT_EQ(WaitFor(&a, sunk).substr(0, sunk.size()), sunk);
    EXPECT_EQ(WaitFor(&b, sunk).substr(0, sunk.size()), sunk);
    EXPECT_NE(WaitFor(&b, "8:" + Hex(drone) + ":3:"), "<none>");
    // The sinking counts for Anna's mission: a merchant and a damaging hit.
    EXPECT_EQ(sea.sink.mission[a.player], (std::vector<int32_t>{100, 0, 10, 0, 0, 0}));
    EXPECT_TRUE(sea.sink.sunk.empty());
}

TEST_F(Battle, BogusHitClaimsChangeNothing) {
    Start(1);
    Player a, b;
    ASSERT_TRUE(Join(&a, "anna", 1, 3));
    ASSERT_TRUE(Join(&b, "bert", 0, 2));
    uint32_t drone = FirstDrone(5);
    Place(a.id, 0, 0, 0);
    Place(b.id, 0, 0, 500);
    Place(drone, 20000, 0, 0);
    Send(&a, "13:ffffffff:" + Hex(a.id) + ":0:0:4000:0:0");
    uint32_t tid = (uint32_t)std::stoul(WaitFor(&a, "13:").substr(3), nullptr, 16);
    WaitFor(&b, "13:");
    // Far from the target; from a player who did not fire it; a torpedo that does not exist.
    Send(&a, "13:" + Hex(tid) + ":" + Hex(drone) + ":1:0:4000:4e20:0");
    Send(&b, "13:" + Hex(tid) + ":" + Hex(drone) + ":1:0:4000:4e20:0");
    Send(&a, "13:7777:" + Hex(drone) + ":1:0:4000:4e20:0");
    Send(&a, "13:" + Hex(tid) + ":" + Hex(a.id) + ":1:0:4000:0:0"); // its own launcher
    for (auto &l : Drain(&a, 500))
        EXPECT_NE(l.rfind("13:", 0), 0u) << l;
    EXPECT_EQ(WorldFind(w, drone)->hp, ShipClassOfRow(ROW_MERCHANT)->hull);
    EXPECT_EQ(WorldTorpedoes(w), 1);
    EXPECT_TRUE(sea.sink.mission[a.player].empty()); // nothing scored either
}

TEST_F(Battle, DepthChargesHitASubmarineAtTheirDepthAndMissAtAnother) {
    Start();
    Player esc, sub;
    ASSERT_TRUE(Join(&esc, "esco", 0, 1));
    ASSERT_TRUE(Join(&sub, "subby", 1, 3));
    Place(esc.id, 4000, 0, 4000);
    Place(sub.id, 4100, 100, 4000);
    Send(&esc, "13:" + Hex(esc.id) + ":" + Hex(esc.id) + ":3:64:0:fa0:fa0");
    // The submarine hears the splash, then the charges at 100 find it.
    EXPECT_EQ(WaitFor(&sub, "13:" + Hex(esc.id) + ":" + Hex(esc.id) + ":3:"),
              "13:" + Hex(esc.id) + ":" + Hex(esc.id) + ":3:64:0:fa0:fa0");
    std::string hit = "13:" + Hex(esc.id) + ":" + Hex(sub.id) + ":4:64:";
    EXPECT_EQ(WaitFor(&esc, hit).substr(0, hit.size()), hit);
    EXPECT_EQ(WaitFor(&sub, hit).substr(0, hit.size()), hit);
    EXPECT_NE(sea.sink.hit_tick[sub.player], 0u); // the session counts it as under fire
    // Reloaded at once for the test; set to 200 the pattern passes far below.
    WorldFind(w, esc.id)->next_dc = w->now;
    Send(&esc, "13:" + Hex(esc.id) + ":" + Hex(esc.id) + ":3:c8:0:fa0:fa0");
    std::string miss = "13:" + Hex(esc.id) + ":" + Hex(esc.id) + ":7:c8:";
    EXPECT_EQ(WaitFor(&esc, miss).substr(0, miss.size()), miss);
    // Before the reload nothing more is dropped; a submarine carries none.
    Send(&esc, "13:" + Hex(esc.id) + ":" + Hex(esc.id) + ":3:64:0:fa0:fa0");
    Send(&sub, "13:" + Hex(sub.id) + ":" + Hex(sub.id) + ":3:64:0:fa0:fa0");
    for (auto &l : Drain(&sub, 1500))
        EXPECT_EQ(l.find(":3:64:"), std::string::npos) << l;
    EXPECT_EQ(WorldFind(w, sub.id)->hp, ShipClassOfRow(ROW_SUBMARINE)->hull - DC_DAMAGE);
}

TEST_F(Battle, RadioReachesTheAddresseesChosen) {
    Start();
    Player n1, n2, w1;
    ASSERT_TRUE(Join(&n1, "north1", 1, 3));
    ASSERT_TRUE(Join(&n2, "north2", 1, 1));
    ASSERT_TRUE(Join(&w1, "west1", 0, 2));
    std::string from = "29:" + std::to_string(n1.id) + ":";
    auto heard = [&](Player &p, const std::string &text) {
        for (auto &l : Drain(&p, 300))
            if (l == from + text) return true;
        return false;
    };
    Send(&n1, "29:2:us: meet at dawn");
    EXPECT_TRUE(heard(n1, "us: meet at dawn"));
    EXPECT_TRUE(heard(n2, "us: meet at dawn"));
    EXPECT_FALSE(heard(w1, "us: meet at dawn"));
    Send(&n1, "29:1:surrender");
    EXPECT_TRUE(heard(w1, "surrender"));
    EXPECT_FALSE(heard(n2, "surrender"));
    Send(&n1, "29:0:hello all");
    EXPECT_TRUE(heard(n2, "hello all"));
    EXPECT_TRUE(heard(w1, "hello all"));
    // Past the session's radio allowance a line goes nowhere.
    sea.sink.radio_left = 0;
    Send(&n1, "29:0:too fast");
    EXPECT_FALSE(heard(n2, "too fast"));
}

TEST_F(Battle, OwnReportsSetOrdersAndImplausibleOnesAreCorrected) {
    Start();
    Player a, b;
    ASSERT_TRUE(Join(&a, "anna", 1, 3));
    ASSERT_TRUE(Join(&b, "bert", 0, 1));
    Place(a.id, 1000, 0, 1000);
    Place(b.id, 3000, 0, 1000);
    Drain(&b, 200);
    // Full ahead, right rudder, where the server has it: relayed to Bert as it stands.
    Send(&a, "8:" + Hex(a.id) + ":1:0:0:0:4:3:8002:0:3e8:0:3e8");
    std::string relay = WaitFor(&b, "8:" + Hex(a.id) + ":0:");
    EXPECT_EQ(relay, "8:" + Hex(a.id) + ":0:0:0:0:4:3:8002:0:3e8:0:3e8");
    // A jump of 50000 units is not believed: Anna is told where she is.
    Send(&a, "8:" + Hex(a.id) + ":1:0:0:0:4:3:8002:0:c350:0:3e8");
    std::string fix = WaitFor(&a, "8:" + Hex(a.id) + ":1:");
    ASSERT_NE(fix, "<none>");
    EXPECT_EQ(fix.find(":c350:"), std::string::npos);
    // Orders for another ship, or out of range, are dropped.
    Send(&a, "8:" + Hex(b.id) + ":1:0:0:0:0:0:8002:0:0:0:0");
    Send(&a, "8:" + Hex(a.id) + ":1:0:0:0:9:3:8002:0:3e8:0:3e8");
    EXPECT_EQ(WorldFind(w, a.id)->m.engine, 4);
    EXPECT_EQ(WorldFind(w, b.id)->m.engine, 2);
}

TEST_F(Battle, GunFireIsAnsweredWithAHitOrAMiss) {
    Start(1);
    Player a;
    ASSERT_TRUE(Join(&a, "anna", 1, 2));
    uint32_t drone = FirstDrone(5);
    Place(a.id, 0, 0, 0);
    Place(drone, 0, 0, 1000);
    Send(&a, "13:" + Hex(a.id) + ":" + Hex(drone) + ":5:0:0:0:0");
    std::string r = WaitFor(&a, "13:" + Hex(a.id) + ":" + Hex(drone) + ":");
    ASSERT_NE(r, "<none>");
    std::string kind = r.substr(5 + Hex(a.id).size() + Hex(drone).size(), 2);
    EXPECT_TRUE(kind == "6:" || kind == "9:") << r;
}

TEST_F(Battle, EscortsHuntASurfacedSubmarineWithTheirGuns) {
    Start(3); // two merchants and a corvette
    Player a;
    ASSERT_TRUE(Join(&a, "anna", 1, 3));
    uint32_t escort = FirstDrone(1);
    ASSERT_NE(escort, 0u);
    WShip *e = WorldFind(w, escort);
    Place(a.id, e->m.x + 2000, 0, e->m.z);
    std::string shot = WaitFor(&a, "13:" + Hex(escort) + ":" + Hex(a.id) + ":", 8000);
    EXPECT_NE(shot, "<none>");
}

TEST(ShipTable, ClassesFeelDistinctAndTheTorpedoRunsAbout20000) {
    auto top = [](int row, bool submerged) {
        MotionState m{};
        m.engine = 4;
        m.helm = 2;
        m.trim = 0x8002;
        MotionSetPosition(&m, 0, submerged ? 100 : (row == ROW_TORPEDO ? 2 : 0), 0, 0);
        for (int i = 0; i < 1200; i++)
            MotionStep(&m, &ShipClassOfRow(row)->c, 0.2);
        return std::sqrt(m.vx * m.vx + m.vz * m.vz);
    };
    EXPECT_GT(top(ROW_DESTROYER, false), top(ROW_CORVETTE, false));
    EXPECT_GT(top(ROW_CORVETTE, false), top(ROW_SUBMARINE, false));
    EXPECT_GT(top(ROW_SUBMARINE, false), 1.8 * top(ROW_SUBMARINE, true));
    EXPECT_GT(top(ROW_TORPEDO, false), 1.5 * top(ROW_DESTROYER, false));
    // A torpedo's run in its 120 s, at the world's 100 ms step.
    MotionState t{};
    t.engine = 4;
    t.helm = 2;
    t.trim = 0x8002;
    MotionSetPosition(&t, 0, 2, 0, 0x4000);
    for (int i = 0; i < 1200; i++)
        MotionStep(&t, &ShipClassOfRow(ROW_TORPEDO)->c, 0.2);
    EXPECT_GT(t.x, 18000);
    EXPECT_LT(t.x, 22000);
    EXPECT_EQ(t.y, 2);
    // A destroyer at full rudder turns in a circle of a few ship lengths.
    MotionState d{};
    d.engine = 4;
    d.helm = 4;
    d.trim = 0x8002;
    MotionSetPosition(&d, 0, 0, 0, 0);
    int32_t maxx = 0;
    for (int i = 0; i < 3000; i++) {
        MotionStep(&d, &ShipClassOfRow(ROW_DESTROYER)->c, 0.2);
        maxx = std::max(maxx, d.x);
    }
    EXPECT_GT(maxx, 2 * 600);
    EXPECT_LT(maxx, 8 * 600);
}

TEST(ShipTable, TheLinesCarryTheValuesTheServerIntegrates) {
    // 30:row then 16 coefficients x 10000, four whole numbers and the submerged factor.
    std::string line = ShipTypeLine(ROW_SUBMARINE);
    unsigned v[22];
    ASSERT_EQ(
        sscanf(line.c_str(), "30:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x",
               &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11],
               &v[12], &v[13], &v[14], &v[15], &v[16], &v[17], &v[18], &v[19], &v[20], &v[21]),
        22);
    const ShipClass *k = ShipClassOfRow(ROW_SUBMARINE);
    EXPECT_EQ(v[0], (unsigned)ROW_SUBMARINE);
    EXPECT_EQ(CoeffFromWire(v[5]), k->c.speed_table[4]);
    EXPECT_EQ(CoeffFromWire(v[6]), k->c.turn_table[0]);
    EXPECT_EQ(CoeffFromWire(v[11]), k->c.drag);
    EXPECT_EQ(CoeffFromWire(v[16]), k->c.dive_table[4]);
    EXPECT_EQ((int)v[17], k->gun_range);
    EXPECT_EQ((int)v[18], k->gun_reload);
    EXPECT_EQ((int)v[20], k->dc_reload);
    EXPECT_EQ(CoeffFromWire(v[21]), k->c.submerged);
}

} // namespace

namespace {

// The session's side of the world's sink, over loopback: the world's lines reach the players'
// connections, a sinking counts for the mission, an exit takes the ship out of others' areas.
struct WirePlayer {
    TestClient c;
    uint32_t id = 0;
};

bool WireJoin(TestServer *srv, WirePlayer *p, const std::string &user, int country, int type) {
    if (!TestNewPlayer(&p->c, srv->port, user, "pw", user, country)) return false;
    p->c.SendLine("24:0:" + std::to_string(type) + ":hms test");
    std::string acc = p->c.WaitFor("26:");
    if (acc.size() < 4) return false;
    p->id = (uint32_t)std::stoul(acc.substr(3));
    return p->c.WaitFor("27:" + std::to_string(type) + ":" + user + ":") != "<none>";
}

void WirePlace(TestServer *srv, uint32_t id, int32_t x, int32_t z) {
    SrvCall(srv->h, [&] {
        World *w = SrvServerOf(srv->h)->world;
        WShip *s = WorldFind(w, id);
        ASSERT_NE(s, nullptr);
        s->m.vx = s->m.vy = s->m.vz = 0;
        s->m.engine = s->m.helm = 2;
        MotionSetPosition(&s->m, x, 0, z, 0);
        if (s->player) WorldAnchor(w, s);
        s->last_move = w->now;
        s->convoy = -1;
        s->next_think = w->now + 3600000;
        WorldSendUpdate(w, s, 0);
    });
}

TEST(BattleOverTheWire, TheSessionRelaysTheWorldAndCountsItsEvents) {
    TestServer srv;
    ASSERT_TRUE(srv.Start(1)); // one merchant
    WirePlayer a, b;
    ASSERT_TRUE(WireJoin(&srv, &a, "anna", 1, 3));
    ASSERT_TRUE(WireJoin(&srv, &b, "bert", 0, 1));
    uint32_t drone = 0;
    SrvCall(srv.h, [&] {
        for (auto &s : SrvServerOf(srv.h)->world->ships)
            if (!drone && !s->dead && s->stype == 5) drone = s->id;
    });
    ASSERT_NE(drone, 0u);
    WirePlace(&srv, a.id, 0, 0);
    WirePlace(&srv, b.id, 0, 9000);
    WirePlace(&srv, drone, 3000, 0);
    a.c.SendLine("13:ffffffff:" + Hex(a.id) + ":0:0:4000:0:0");
    std::string echo = a.c.WaitFor("13:");
    ASSERT_NE(echo, "<none>");
    uint32_t tid = (uint32_t)std::stoul(echo.substr(3), nullptr, 16);
    SrvCall(srv.h, [&] {
        MotionSetPosition(&WorldFind(SrvServerOf(srv.h)->world, tid)->m, 2950, 2, 0, 0x4000);
    });
    a.c.SendLine("13:" + Hex(tid) + ":" + Hex(drone) + ":1:0:4000:b86:0");
    std::string sunk = "13:" + Hex(a.id) + ":" + Hex(drone) + ":2:";
    EXPECT_EQ(a.c.WaitFor(sunk).substr(0, sunk.size()), sunk);
    EXPECT_EQ(b.c.WaitFor(sunk).substr(0, sunk.size()), sunk);
    // The sinking counts for Anna's mission.
    a.c.SendLine("31:0:71");
    EXPECT_EQ(a.c.WaitFor("32:0:"), "32:0:100:0:10:0:0:0:0:0:0:0");
    // Bert returns to port: acknowledged, and Anna sees his ship go.
    b.c.SendLine("33:");
    EXPECT_EQ(b.c.WaitFor("34:"), "34:");
    EXPECT_NE(a.c.WaitFor("8:" + Hex(b.id) + ":3:"), "<none>");
}

TEST(BattleLoad, AWatcherThatStopsReadingIsClosedWithoutHarmToTheSender) {
    TestServer srv;
    srv.cfg.out_limit = 8192;
    srv.cfg.line_rate = 100000;
    srv.cfg.line_burst = 100000;
    srv.cfg.byte_rate = 1e9;
    srv.cfg.byte_burst = 1e9;
    ASSERT_TRUE(srv.Start());
    TestClient a, b;
    b.rcvbuf = 4096;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "anna", "pw", "anna", 1));
    ASSERT_TRUE(TestNewPlayer(&b, srv.port, "bert", "pw", "bert", 0));
    b.SendLine("24:0:1:hms test");
    b.WaitFor("27:1:bert:");
    a.SendLine("24:0:3:hms test");
    uint32_t id = (uint32_t)std::stoul(a.WaitFor("26:").substr(3));
    std::string own = a.WaitFor("27:3:anna:");
    // Anna's position as the server gave it, reported again and again: each report is relayed
    // to Bert, who reads nothing.
    std::string_view f[17];
    std::string arg = own.substr(3);
    ASSERT_EQ(LineSplit(arg, f, 17), 17u);
    std::string report = "8:" + Hex(id) + ":1:0:0:0:2:2:8002:" + std::string(f[13]) + ":" +
                         std::string(f[14]) + ":0:" + std::string(f[16]) + "\n";
    std::string many;
    for (int i = 0; i < 80000; i++)
        many += report;
    a.Send(many);
    a.SendLine("31:0:71");
    EXPECT_NE(a.WaitFor("32:-1", 20000), "<none>");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    b.Drain(3000);
    EXPECT_TRUE(b.eof);
    a.SendLine("22");
    EXPECT_NE(a.WaitFor("23:"), "<none>");
}

} // namespace

namespace {
TEST_F(Battle, APlayerIsNeverToldOfMoreShipsThanItsClientCanHold) {
    Start(60);
    Player a;
    ASSERT_TRUE(Join(&a, "anna", 1, 3));
    WShip *p = WorldFind(w, a.id);
    int32_t ax = p->m.x, az = p->m.z;
    std::vector<uint32_t> drones;
    for (auto &s : w->ships)
        if (!s->dead && s->captain == "DRONE") drones.push_back(s->id);
    ASSERT_GT(drones.size(), (size_t)AREA_MAX_KNOWN);
    int i = 0;
    for (uint32_t id : drones)
        Place(id, ax + 3000 + 100 * i++, 0, az);
    // Step through the area passes that bring every nearby drone in, up to the cap.
    size_t known = 0;
    for (int steps = 0; steps < 100 && known < AREA_MAX_KNOWN; steps++) {
        sea.Step(100);
        known = WorldFind(w, a.id)->known.size();
    }
    EXPECT_EQ(known, (size_t)AREA_MAX_KNOWN);
    sea.Step(2000);
    EXPECT_EQ(WorldFind(w, a.id)->known.size(), (size_t)AREA_MAX_KNOWN);
}
} // namespace
