// drones_test.cpp -- the drones' senses and decisions, with the world stepped in-process
#include <gtest/gtest.h>

#include <cmath>

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>

#include "common/packets.h"
#include "server/srv_world_local.h"
#include "srv_test_world.h"

namespace {

std::string Hex(uint32_t v) {
    char b[16];
    snprintf(b, sizeof b, "%" PRIx32, v);
    return b;
}

int Count(const std::string &text, const std::string &what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

// A world without sockets: a player's lines pile up in the recording sink.
struct Sea : ::testing::Test {
    ServerConfig cfg;
    TestSink sink;
    World *w = nullptr;
    uint32_t now = 1000;
    std::vector<uint32_t> players;
    std::string heard;             // what the players were sent, gathered by Step
    std::vector<std::string> each; // and by player

    void Open(int drones, uint32_t seed = 7) {
        cfg.drones = drones;
        cfg.seed = seed;
        w = WorldCreate(&cfg, sink.Sink());
    }
    void TearDown() override {
        if (w) WorldDestroy(w);
    }
    WShip *Join(int stype) {
        uint32_t player = (uint32_t)players.size() + 1;
        players.push_back(player);
        uint32_t id = WorldJoin(w, player, 1, "sam", stype, "hms test");
        sink.Take(player);
        return WorldFind(w, id);
    }
    WShip *Drone(int stype, int role) {
        WShip *s = WorldNewShip(w, ShipRowOfType(stype), stype, role);
        s->captain = "DRONE";
        return s;
    }
    static void Put(WShip *s, int32_t x, int32_t y, int32_t z, int engine = 2,
                    uint16_t heading = 0) {
        MotionSetPosition(&s->m, x, y, z, heading);
        s->m.vx = s->m.vy = s->m.vz = 0;
        s->m.engine = engine;
        s->m.helm = 2;
    }
    // Steps the world for ms; hold runs before each step (to pin a ship), done may end it early.
    template <typename Hold, typename Done> bool Step(uint32_t ms, Hold hold, Done done) {
        for (uint32_t t = 0; t < ms; t += 100) {
            hold();
            WorldStep(w, now += 100);
            each.resize(players.size());
            for (size_t i = 0; i < players.size(); i++) {
                std::string out = sink.Take(players[i]);
                heard += out;
                each[i] += out;
            }
            if (done()) return true;
        }
        return false;
    }
    // The share of n looks in which watcher senses target put at range r east of it.
    double Rate(WShip *watcher, WShip *target, int32_t r, int32_t y, int engine, int n = 600) {
        Put(watcher, 0, 0, 0);
        Put(target, r, y, 0, engine);
        int seen = 0;
        int32_t err;
        for (int i = 0; i < n; i++)
            seen += DronesSense(w, watcher, target, &err);
        return seen / (double)n;
    }
};

TEST_F(Sea, SensesDependOnClassDepthAndEngine) {
    Open(0);
    WShip *corvette = Drone(STYPE_CORVETTE, ROLE_ESCORT);
    WShip *destroyer = Drone(STYPE_DESTROYER, ROLE_ESCORT);
    WShip *merchant = Drone(STYPE_MERCHANT, ROLE_CARGO);
    WShip *sub = Join(STYPE_SUBMARINE);
    WShip *ship = Join(STYPE_DESTROYER);
    ASSERT_TRUE(sub && ship);

    // A surfaced boat: seen at a few km, never at twice that; stopped, less far.
    EXPECT_GT(Rate(corvette, sub, 6000, 0, 4), 0.15);
    EXPECT_EQ(Rate(corvette, sub, 12000, 0, 4), 0);
    EXPECT_EQ(Rate(corvette, sub, 6000, 0, 2), 0);
    EXPECT_GT(Rate(corvette, sub, 3000, 0, 2), 0.3);
    EXPECT_EQ(Rate(destroyer, sub, 9000, 0, 4), 0); // radar too: a conning tower is small

    // At periscope depth only close; below it no merchant sees anything at all.
    EXPECT_GT(Rate(merchant, sub, 1000, 10, 3), 0.3);
    EXPECT_EQ(Rate(merchant, sub, 3000, 10, 3), 0);
    EXPECT_EQ(Rate(merchant, sub, 300, 40, 4), 0);

    // Below, the escorts hear by engine order: full ahead far, slow less, stopped barely.
    EXPECT_GT(Rate(corvette, sub, 4000, 40, 4), 0.1);
    EXPECT_EQ(Rate(corvette, sub, 3000, 40, 3), 0);
    double slow = Rate(corvette, sub, 2000, 40, 3, 2000);
    EXPECT_GT(slow, 0.03);
    EXPECT_LT(slow, 0.15);
    EXPECT_EQ(Rate(corvette, sub, 2000, 150, 3), 0); // deep water shortens it
    double still = Rate(corvette, sub, 300, 150, 2, 3000);
    EXPECT_LT(still, 0.06);
    EXPECT_EQ(Rate(corvette, sub, 600, 150, 2), 0);

    // Surface ships stand out to the horizon; the destroyer's radar reaches twice as far.
    EXPECT_GT(Rate(corvette, ship, 25000, 0, 4), 0.1);
    EXPECT_EQ(Rate(corvette, ship, 45000, 0, 4), 0);
    EXPECT_GT(Rate(destroyer, ship, 45000, 0, 4), 0.5);

    // The estimate's error grows with range.
    int32_t near_err = 0, far_err = 0;
    Put(corvette, 0, 0, 0);
    Put(ship, 1000, 0, 0);
    while (!DronesSense(w, corvette, ship, &near_err)) {
    }
    Put(ship, 25000, 0, 0);
    while (!DronesSense(w, corvette, ship, &far_err)) {
    }
    EXPECT_GT(far_err, 5 * near_err);
}

TEST_F(Sea, AHuntIsAnnouncedOnceAndGivenUpWhenTheBoatGoesDeepAndSlow) {
    Open(0);
    WShip *e = Drone(STYPE_CORVETTE, ROLE_ESCORT);
    WShip *sub = Join(STYPE_SUBMARINE);
    ASSERT_TRUE(sub);
    uint32_t sub_id = sub->id;
    Put(e, 0, 0, 0, 2);
    Put(sub, 3000, 0, 0, 2);
    auto pin = [&] {
        sub->m.vx = sub->m.vz = 0;
        sub->last_report = w->now;
    };
    // Seen on the surface: hunted, told once, and shelled once the guns are manned.
    ASSERT_TRUE(Step(20000, pin, [&] { return Count(heard, "Hit! Hull at") > 0; }));
    EXPECT_EQ(e->hunt, sub_id);
    EXPECT_EQ(Count(heard, "5:Escorts are closing on you!"), 1);
    EXPECT_EQ(Count(heard, "5:Hit! Hull at 80%."), 1) << heard;

    // Deep, slow and well away: the contact fades and the escort gives up.
    Put(sub, 9000, 150, 0, 3);
    auto deep = [&] {
        sub->m.y = 150;
        sub->m.vy = 0;
        sub->last_report = w->now;
    };
    EXPECT_TRUE(Step(90000, deep, [&] { return e->hunt == 0; }));
    EXPECT_EQ(Count(heard, "Escorts are closing on you!"), 1);

    // Back on the surface near it: a new hunt, told again.
    Put(sub, e->m.x + 2000, 0, e->m.z, 2);
    EXPECT_TRUE(Step(10000, pin, [&] { return e->hunt == sub_id; }));
    Step(1000, pin, [] { return false; });
    EXPECT_EQ(Count(heard, "Escorts are closing on you!"), 2);
}

TEST_F(Sea, EscortsTurnOnAShipThatShellsTheirConvoyAndMerchantsRunFromIt) {
    Open(6); // four merchants and tankers, a corvette and a destroyer
    WShip *p = Join(STYPE_DESTROYER);
    ASSERT_TRUE(p);
    uint32_t pid = p->id;
    ASSERT_EQ(w->convoys.size(), 1u);
    // Looked up each time: a new convoy sent to sea moves the list.
    const int cid = w->convoys[0].id;
    auto convoy = [&]() -> Convoy * {
        for (Convoy &c : w->convoys)
            if (c.id == cid) return &c;
        return nullptr;
    };
    WShip *victim = nullptr;
    for (auto &s : w->ships)
        if (!victim && s->role == ROLE_CARGO) victim = s.get();
    ASSERT_TRUE(victim);
    // Four km off the merchant's beam, on the side away from the escorts' screen ahead.
    Put(p, victim->m.x + 4000, 0, victim->m.z - 3000, 2);
    auto hold = [&] {
        if (WShip *q = WorldFind(w, pid)) {
            q->m.vx = q->m.vz = 0;
            q->last_report = w->now;
        }
    };
    Step(2000, hold, [] { return false; });
    for (auto &s : w->ships)
        EXPECT_EQ(s->hunt, 0u) << "a ship that has done nothing is left alone";

    int hp = victim->hp;
    std::string fire = Hex(pid) + ":" + Hex(victim->id) + ":5:0:0:0:0";
    for (int i = 0; i < 50 && victim->hp == hp; i++) {
        p->next_gun = 0;
        WorldPlayerWeapon(w, pid, fire);
    }
    ASSERT_LT(victim->hp, hp);

    // The convoy is alarmed and zig-zags wide at once.
    Step(100, hold, [] { return false; });
    ASSERT_NE(convoy(), nullptr);
    int16_t off = (int16_t)(uint16_t)(convoy()->course - convoy()->base_course);
    EXPECT_EQ(off < 0 ? -off : off, 0x1800);

    int escorts = 0;
    for (auto &s : w->ships)
        if (s->role == ROLE_ESCORT) {
            escorts++;
            EXPECT_EQ(s->hunt, pid);
        }
    EXPECT_EQ(escorts, 2);

    // They close and shell it.
    bool shelled = Step(60000, hold, [&] {
        for (auto &s : w->ships)
            if (s->role == ROLE_ESCORT && Count(heard, "13:" + Hex(s->id) + ":" + Hex(pid) + ":"))
                return true;
        return false;
    });
    EXPECT_TRUE(shelled);

    // The merchant that was hit puts its stern to the attacker and runs.
    uint32_t vid = victim->id;
    Step(80000, hold, [] { return false; });
    if (WorldFind(w, vid) && convoy()) {
        uint16_t away = AngleFrom(victim->m.x, victim->m.z, convoy()->threat_x, convoy()->threat_z);
        int16_t d = (int16_t)(uint16_t)(victim->m.heading - away);
        EXPECT_LT(d < 0 ? -d : d, 0x2000) << "heading " << victim->m.heading << " away " << away;
        EXPECT_EQ(victim->m.engine, 4);
    }
}

const double STATION_SLACK = 1000; // units off its station a ship keeping station may be

// A boat heard near the convoy: the escorts hunt it and the convoy zig-zags wide, but the cargo
// ships keep their stations until someone fires on them.
TEST_F(Sea, AContactAlarmsTheConvoyButOnlyAnAttackScattersIt) {
    Open(6);
    WShip *sub = Join(STYPE_SUBMARINE);
    ASSERT_TRUE(sub);
    uint32_t sid = sub->id;
    const int cid = w->convoys[0].id;
    auto convoy = [&]() -> Convoy * {
        for (Convoy &c : w->convoys)
            if (c.id == cid) return &c;
        return nullptr;
    };
    WShip *escort = nullptr;
    for (auto &s : w->ships)
        if (!escort && s->role == ROLE_ESCORT) escort = s.get();
    ASSERT_TRUE(escort);
    // At 40 m, full ahead, a kilometre from the escort: loud and close.
    Put(sub, escort->m.x + 1000, 40, escort->m.z, 4);
    auto hold = [&] {
        if (WShip *q = WorldFind(w, sid)) {
            Put(q, q->m.x, 40, q->m.z, 4);
            q->last_report = w->now;
        }
    };
    bool hunted = Step(20000, hold, [&] {
        for (auto &s : w->ships)
            if (s->role == ROLE_ESCORT && s->hunt == sid) return true;
        return false;
    });
    ASSERT_TRUE(hunted);
    Step(20000, hold, [] { return false; });
    ASSERT_NE(convoy(), nullptr);
    EXPECT_GT(convoy()->alarm_until, now) << "the contact did not alarm the convoy";
    EXPECT_EQ(convoy()->scatter_until, 0u);
    // Each cargo ship is at its station in the convoy (a ship running from the boat at full
    // ahead for the last 20 s would be kilometres off it).
    const Convoy &cv = *convoy();
    double h = AngleToRadians(cv.course);
    for (auto &s : w->ships) {
        if (s->role != ROLE_CARGO) continue;
        double x = cv.gx + std::sin(h) * s->off_z + std::cos(h) * s->off_x;
        double z = cv.gz + std::cos(h) * s->off_z - std::sin(h) * s->off_x;
        EXPECT_LT(std::hypot(x - s->m.x, z - s->m.z), STATION_SLACK)
            << "a cargo ship left the convoy";
    }
    // A torpedo hit scatters it.
    WShip *victim = nullptr;
    for (auto &s : w->ships)
        if (!victim && s->role == ROLE_CARGO) victim = s.get();
    DronesConvoyHit(w, victim, WorldFind(w, sid));
    EXPECT_GT(convoy()->scatter_until, now);
}

// One merchant sunk is not replaced by a lone merchant; two are replaced by a convoy of two,
// one of them its escort.
TEST_F(Sea, AReplacementConvoyOfTwoIsEscorted) {
    Open(6);
    ASSERT_EQ(w->convoys.size(), 1u);
    auto sink_one = [&] {
        for (auto &s : w->ships)
            if (!s->dead && s->role == ROLE_CARGO) {
                WorldRemove(w, s.get(), 3);
                return true;
            }
        return false;
    };
    ASSERT_TRUE(sink_one());
    Step(
        40000, [] {}, [&] { return w->convoys.size() > 1; });
    EXPECT_EQ(w->convoys.size(), 1u) << "a single loss was replaced by an unguarded merchant";
    ASSERT_TRUE(sink_one());
    Step(
        40000, [] {}, [&] { return w->convoys.size() > 1; });
    ASSERT_EQ(w->convoys.size(), 2u) << "no replacement sent to sea";
    int cargo = 0, escorts = 0;
    for (auto &s : w->ships) {
        if (s->dead || s->convoy != w->convoys[1].id) continue;
        cargo += s->role == ROLE_CARGO;
        escorts += s->role == ROLE_ESCORT;
    }
    EXPECT_EQ(cargo, 1);
    EXPECT_EQ(escorts, 1);
}

// A merchant fired on runs from its station and the raider follows it: the escorts defend the
// ship, not the guide, and keep after the raider however far the chase leads from the guide.
TEST_F(Sea, EscortsFollowARaiderThatChasesARunawayMerchant) {
    Open(6);
    WShip *p = Join(STYPE_DESTROYER);
    ASSERT_TRUE(p);
    uint32_t pid = p->id;
    WShip *victim = nullptr;
    for (auto &s : w->ships)
        if (!victim && s->role == ROLE_CARGO) victim = s.get();
    ASSERT_TRUE(victim);
    uint32_t vid = victim->id;
    // The merchant has run 18 km off its station, the raider 3 km beside it.
    // Copied: a step may move the list of convoys.
    const uint16_t course = w->convoys[0].course;
    double h = AngleToRadians(course);
    int32_t vx = (int32_t)(w->convoys[0].gx + std::cos(h) * 18000);
    int32_t vz = (int32_t)(w->convoys[0].gz - std::sin(h) * 18000);
    auto hold = [&] {
        if (WShip *v = WorldFind(w, vid)) {
            // It keeps running ahead of the convoy's side.
            Put(v, vx, 0, vz, 4, course);
        }
        if (WShip *q = WorldFind(w, pid)) {
            Put(q, vx + 3000, 0, vz, 2);
            q->last_report = w->now;
        }
        if (Convoy *c = w->convoys.empty() ? nullptr : &w->convoys[0]) {
            vx = (int32_t)(c->gx + std::cos(h) * 18000);
            vz = (int32_t)(c->gz - std::sin(h) * 18000);
        }
    };
    hold();
    std::string fire = Hex(pid) + ":" + Hex(vid) + ":5:0:0:0:0";
    int hp = victim->hp;
    for (int i = 0; i < 50 && victim->hp == hp; i++) {
        p->next_gun = 0;
        WorldPlayerWeapon(w, pid, fire);
    }
    ASSERT_LT(victim->hp, hp);
    // A minute on, every escort is still after the raider.
    Step(60000, hold, [] { return false; });
    int escorts = 0;
    for (auto &s : w->ships)
        if (!s->dead && s->role == ROLE_ESCORT) {
            escorts++;
            EXPECT_EQ(s->hunt, pid) << s->ship_name << " went back to the guide";
        }
    EXPECT_EQ(escorts, 2);
}

TEST_F(Sea, NearbyDepthChargesAreReportedOncePerPattern) {
    Open(0);
    WShip *e = Drone(STYPE_CORVETTE, ROLE_ESCORT);
    WShip *sub = Join(STYPE_SUBMARINE);
    WShip *far = Join(STYPE_SUBMARINE);
    ASSERT_TRUE(sub && far);
    Put(e, 0, 0, 0, 2);
    Put(sub, 800, 100, 0, 2);
    Put(far, 0, 100, 3000, 2);
    e->next_think = now + 3600000; // it drops what it is told to
    auto hold = [&] {
        for (WShip *s : {sub, far}) {
            s->m.vx = s->m.vy = s->m.vz = 0;
            s->m.y = 100;
            s->last_report = w->now;
        }
    };
    CombatDropCharges(w, e, 50, 0, 0);
    CombatDropCharges(w, e, 50, 100, 0);
    ASSERT_TRUE(Step(5000, hold, [&] { return w->charges.empty(); }));
    EXPECT_EQ(Count(each[0], "5:Depth charges exploding nearby!"), 1);
    // Set to 50 with the boat at 100: a miss, so no hull line.
    EXPECT_EQ(Count(each[0], "Hit!"), 0);
    EXPECT_EQ(sub->hp, ShipClassOfRow(ROW_SUBMARINE)->hull);
    EXPECT_EQ(Count(each[1], "Depth charges"), 0); // 3 km off
}

} // namespace
