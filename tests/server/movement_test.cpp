// movement_test.cpp -- the players' position reports against the movement allowance, with the
// world stepped in-process: honest dead reckoning is never corrected, creeping and jumping are
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "common/packets.h"
#include "server/srv_log.h"
#include "server/srv_shiptypes.h"
#include "server/srv_world_local.h"
#include "srv_test_world.h"

namespace {

int Count(const std::string &text, const std::string &what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

struct Reports : ::testing::Test {
    std::unique_ptr<TestWorld> sea;
    World *w = nullptr;
    ServerConfig *cfg = nullptr;
    uint32_t player = 0;
    WShip *ship = nullptr;
    uint32_t now = 1000; // the server's tick: the world steps every 100 ms
    std::string sent;    // what the player was sent

    void Open(int stype) {
        now = 1000;
        sea = std::make_unique<TestWorld>();
        sea->Open(0, 3);
        w = sea->w;
        cfg = &sea->cfg;
        WorldStep(w, now);
        ship = WorldFind(w, sea->Join(&player, 0, "ivo", stype));
        ASSERT_NE(ship, nullptr);
        sea->sink.Take(player);
    }
    void Step() {
        WorldStep(w, now += 100);
        sent += sea->sink.Take(player);
    }
    void Report(const MotionState &m) {
        char arg[200];
        snprintf(arg, sizeof arg,
                 "%" PRIx32 ":1:%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%x:%x:%x:%x:%" PRIx32
                 ":%" PRIx32 ":%" PRIx32,
                 ship->id, VelocityToWire(m.vx), VelocityToWire(m.vy), VelocityToWire(m.vz),
                 (unsigned)m.engine, (unsigned)m.helm, (unsigned)m.trim, (unsigned)m.heading,
                 (uint32_t)m.x, (uint32_t)m.y, (uint32_t)m.z);
        WorldPlayerUpdate(w, ship->id, arg);
        sent += sea->sink.Take(player);
    }
    int Corrections() {
        char prefix[32];
        snprintf(prefix, sizeof prefix, "8:%" PRIx32 ":1:", ship->id);
        return Count(sent, prefix);
    }
};

// A client that moves its ship by dead reckoning with the shared model, in frames of uneven
// length, changing its orders now and then and reporting every 0.5 to 3 s; its reports reach
// the server 0 to 300 ms later, between the world's steps. Ten minutes of this for each class
// commanded, never corrected.
TEST_F(Reports, HonestDeadReckoningIsNeverCorrected) {
    for (int stype : {1, 2, 3}) {
        SCOPED_TRACE(stype);
        Open(stype);
        const MotionCoeffs *k = &ShipClassOfRow(ship->row)->c;
        std::mt19937 rng(stype);
        MotionState m = ship->m; // the client's own copy
        int32_t x0 = m.x, z0 = m.z;
        double client_ms = now;
        double next_report = now + 500, next_orders = now;
        struct InFlight {
            double at;
            MotionState m;
        };
        std::vector<InFlight> flight;
        while (now < 1000 + 600000) {
            // Client frames up to the server's next step.
            while (client_ms < now + 100) {
                double frame = 10 + rng() % 40;
                MotionStep(&m, k, frame / MOTION_TIME_UNIT);
                client_ms += frame;
                if (client_ms >= next_orders) {
                    m.engine = rng() % 3 == 0 ? 3 : 4;
                    m.helm = (int32_t)(rng() % 5);
                    if (stype == 3) m.trim = (int32_t)(0x8000 | (rng() % 5));
                    next_orders = client_ms + 2000 + rng() % 20000;
                    next_report = client_ms; // an order change is reported at once
                }
                if (client_ms >= next_report) {
                    flight.push_back({client_ms + rng() % 300, m});
                    next_report = client_ms + 500 + rng() % 2500;
                }
            }
            // Reports that arrived before this step are handled at the last step's tick.
            for (size_t i = 0; i < flight.size();) {
                if (flight[i].at < now + 100) {
                    Report(flight[i].m);
                    flight.erase(flight.begin() + (long)i);
                } else {
                    i++;
                }
            }
            Step();
        }
        EXPECT_EQ(Corrections(), 0);
        // The reports were taken: the server has the ship where the client does.
        EXPECT_LT(Range(ship->m.x, ship->m.z, m.x, m.z), 300);
        EXPECT_GT(Range(m.x, m.z, x0, z0), 2000);
        sea.reset();
        w = nullptr;
        sent.clear();
    }
}

// Reports 490 units apart, forty a second: each is refused, the ship stays where the server
// has it, and the log has one line for the lot.
TEST_F(Reports, JumpsAreCorrectedAndLoggedOnce) {
    Open(3);
    int32_t x0 = ship->m.x, z0 = ship->m.z;
    MotionState m = ship->m;
    SrvLogSetLevel(LOG_INFO);
    testing::internal::CaptureStderr();
    for (int i = 1; i <= 100; i++) {
        m.fx += 490;
        m.x = (int32_t)m.fx;
        Report(m);
        if (i % 4 == 0) Step();
    }
    std::string log = testing::internal::GetCapturedStderr();
    SrvLogSetLevel(LOG_WARN);
    double secs = (now - 1000) / 1000.0;
    double allowance = ShipTopSpeed(ship->row) * secs + cfg->move_slack;
    EXPECT_LE(Range(ship->m.x, ship->m.z, x0, z0), allowance);
    EXPECT_GE(Corrections(), 95);
    EXPECT_EQ(Count(log, "implausible report"), 1) << log;
}

// A client at full speed that adds a little along its course to every report, 5 units at each
// of 10 reports a second, for five minutes: it gets no further from where it began than top
// speed allows, the slack and half a second at top speed a window.
TEST_F(Reports, CreepingGainsNoMoreThanTheAllowance) {
    Open(2);
    const MotionCoeffs *k = &ShipClassOfRow(ship->row)->c;
    int32_t x0 = ship->m.x, z0 = ship->m.z;
    MotionState honest = ship->m;
    honest.engine = 4;
    double extra = 0;
    for (int i = 0; i < 3000; i++) {
        MotionStep(&honest, k, 100 / MOTION_TIME_UNIT);
        extra += 5;
        MotionState lie = honest;
        double h = AngleToRadians(honest.heading);
        lie.fx += extra * std::sin(h);
        lie.fz += extra * std::cos(h);
        lie.x = (int32_t)lie.fx;
        lie.z = (int32_t)lie.fz;
        Step();
        Report(lie);
    }
    double windows = 300.0 / cfg->move_window_s;
    double top = ShipTopSpeed(ship->row);
    double most = top * 300 + cfg->move_slack + windows * top * 0.5;
    EXPECT_LE(Range(ship->m.x, ship->m.z, x0, z0), most);
    EXPECT_LE(Range(ship->m.x, ship->m.z, x0, z0), Range(honest.x, honest.z, x0, z0) + 4000);
    EXPECT_GT(Corrections(), 0);
}

} // namespace
