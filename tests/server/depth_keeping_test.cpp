// depth_keeping_test.cpp -- a submarine under depth keeping, with the coefficients its client is
// sent, reaches and then holds the ordered depth at every engine order and frame rate
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/motion.h"
#include "server/srv_shiptypes.h"

namespace {

const double MINUTE = 60.0;

// The submarine's coefficients as the client holds them: read back from the ship-type line.
MotionCoeffs WireSubmarine() {
    std::string line = ShipTypeLine(ROW_SUBMARINE);
    unsigned v[22] = {};
    int n =
        sscanf(line.c_str(), "30:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x:%x",
               &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11],
               &v[12], &v[13], &v[14], &v[15], &v[16], &v[17], &v[18], &v[19], &v[20], &v[21]);
    EXPECT_EQ(22, n) << line;
    MotionCoeffs c{};
    for (int i = 0; i < MOTION_ORDERS; i++) {
        c.speed_table[i] = CoeffFromWire(v[1 + i]);
        c.turn_table[i] = CoeffFromWire(v[6 + i]);
        c.dive_table[i] = CoeffFromWire(v[12 + i]);
    }
    c.drag = CoeffFromWire(v[11]);
    c.submerged = CoeffFromWire(v[21]);
    return c;
}

// One submarine sailing straight under depth keeping, stepped the way the client's main loop
// steps its own ship: the planes from the whole depth first, then the time since the last step.
struct Boat {
    MotionCoeffs c;
    MotionState s{};
    int32_t ordered;
    bool keeping = true;
    uint32_t now = 0;
    double ended_at = -1; // seconds, once depth keeping has ended

    Boat(const MotionCoeffs &coeffs, int32_t ordered_depth, int32_t depth, int32_t engine,
         double speed)
        : c(coeffs), ordered(ordered_depth) {
        s.engine = engine;
        s.helm = MOTION_NEUTRAL;
        s.trim = 128 << 8 | MOTION_NEUTRAL;
        MotionSetPosition(&s, 0, depth, 0, 0);
        s.vz = speed;
    }
    double Seconds() const { return now / 1000.0; }
    void Step(uint32_t tick) {
        if (keeping) {
            int32_t done;
            int32_t planes = DepthKeepPlanes(ordered, s.y, &done);
            if (done) {
                keeping = false;
                ended_at = Seconds();
            }
            s.trim = (s.trim & 0xFF00) | planes;
        }
        double dt = MotionDt(tick, now);
        now = tick;
        MotionStep(&s, &c, dt);
    }
};

// Where the boat went after depth keeping ended, and how long it took to get there.
struct Track {
    bool ended = false;
    double ended_at = 0;        // seconds from the order
    double lo = 1e9, hi = -1e9; // depth range while holding
    double first = 0, last = 0; // depth at the start and end of the watch
};

// Runs the order at `fps` steps a second until depth keeping ends (or `approach` seconds pass),
// then watches for `hold` seconds more.
Track Sail(Boat b, int fps, double approach, double hold) {
    Track t;
    uint64_t i = 0;
    double watch_from = -1;
    for (;;) {
        b.Step((uint32_t)(++i * 1000 / (uint64_t)fps));
        if (watch_from < 0 && (!b.keeping || b.Seconds() >= approach)) {
            watch_from = b.Seconds();
            t.ended = !b.keeping;
            t.ended_at = t.ended ? b.ended_at : b.Seconds();
            t.first = b.s.fy;
        }
        if (watch_from >= 0) {
            t.lo = std::min(t.lo, b.s.fy);
            t.hi = std::max(t.hi, b.s.fy);
            if (b.Seconds() >= watch_from + hold) break;
        }
    }
    t.last = b.s.fy;
    return t;
}

// Steady speed through the water at an engine order, at a depth.
double Cruise(const MotionCoeffs &c, int32_t engine, int32_t depth) {
    return c.speed_table[engine] * (depth > 0 ? c.submerged : 1.0) / c.drag;
}

std::string Case(int32_t ordered, int32_t from, int32_t engine, int fps) {
    char b[80];
    snprintf(b, sizeof b, "%d m from %d m, engine %d, %d steps/s", ordered, from, engine, fps);
    return b;
}

TEST(DepthKeeping, EveryOrderedDepthIsHeldForFiveMinutesAtEveryMovingEngineOrder) {
    MotionCoeffs c = WireSubmarine();
    for (int fps : {60, 15})
        for (int32_t ordered : {17, 20, 40, 100, 175, 240})
            for (int32_t engine : {0, 1, 3, 4}) {
                // From the surface and from the bottom (the coarse planes, then the fine ones),
                // and from 30 above and below (the fine planes only); 17 from 81 is periscope
                // depth from a dive.
                int32_t starts[] = {0, ordered - 30, 250, ordered + 30, 81};
                for (int32_t from : starts) {
                    if (from < 0 || from > 250 || (from == 81 && ordered != 17)) continue;
                    SCOPED_TRACE(Case(ordered, from, engine, fps));
                    Boat b(c, ordered, from, engine, Cruise(c, engine, from));
                    Track t = Sail(b, fps, 20 * MINUTE, 5 * MINUTE);
                    ASSERT_TRUE(t.ended) << "still keeping depth at " << t.last;
                    EXPECT_GE(t.lo, ordered - 5.0);
                    EXPECT_LE(t.hi, ordered + 5.0);
                }
            }
}

TEST(DepthKeeping, StoppedBoatHoldsWhateverDepthItHas) {
    MotionCoeffs c = WireSubmarine();
    for (int fps : {60, 15})
        for (int32_t ordered : {20, 100, 240})
            for (int32_t from : {0, 60, 250}) {
                // Stopped from rest the planes have no water over them; stopped from full ahead
                // the boat carries its way a while and then stays where that took it.
                for (double speed : {0.0, Cruise(c, 4, from)}) {
                    SCOPED_TRACE(Case(ordered, from, 2, fps) + (speed > 0 ? " under way" : ""));
                    Boat b(c, ordered, from, MOTION_NEUTRAL, speed);
                    Track t = Sail(b, fps, 10 * MINUTE, 5 * MINUTE);
                    if (t.ended) {
                        EXPECT_GE(t.lo, ordered - 5.0);
                        EXPECT_LE(t.hi, ordered + 5.0);
                    } else {
                        EXPECT_LT(t.hi - t.lo, 1.0)
                            << "drifts from " << t.first << " to " << t.last;
                    }
                    if (speed == 0) {
                        EXPECT_EQ((double)from, t.last) << "moved without way on";
                    }
                }
            }
}

TEST(DepthKeeping, CrashDiveSettlesAt175AndSurfacingStopsAtTheSurface) {
    MotionCoeffs c = WireSubmarine();
    for (int fps : {60, 15}) {
        // The crash dive orders full ahead whatever the boat was doing: from rest or at speed.
        for (double speed : {0.0, Cruise(c, 4, 0)}) {
            SCOPED_TRACE(Case(175, 0, 4, fps) + (speed > 0 ? " under way" : " from rest"));
            Track t = Sail(Boat(c, 175, 0, 4, speed), fps, 10 * MINUTE, 5 * MINUTE);
            ASSERT_TRUE(t.ended);
            EXPECT_GE(t.lo, 165.0);
            EXPECT_LE(t.hi, 185.0);
        }
        for (int32_t engine : {0, 1, 3, 4})
            for (int32_t from : {17, 49, 81, 175, 250}) {
                SCOPED_TRACE(Case(0, from, engine, fps));
                Track t = Sail(Boat(c, 0, from, engine, Cruise(c, engine, from)), fps, 20 * MINUTE,
                               5 * MINUTE);
                ASSERT_TRUE(t.ended);
                // Whole depth 0 is the surface (the lookout's and the gun's), whatever fraction
                // of a metre the boat's last way leaves.
                EXPECT_LT(t.hi, 1.0) << "dived again after surfacing";
            }
    }
}

// The rates a captain sees: the dive at full ahead with full planes, periscope depth from the
// surface, the crash dive, and how soon the engine's order shows in the boat's speed.
TEST(DepthKeeping, DiveAndSpeedRatesArePlausibleForASubmarine) {
    MotionCoeffs c = WireSubmarine();
    Boat deep(c, 400, 60, 4, Cruise(c, 4, 60)); // never reached: full planes throughout
    for (uint32_t ms = 10; ms <= 40000; ms += 10)
        deep.Step(ms);
    double rate = deep.s.vy * 1000.0 / MOTION_TIME_UNIT; // metres a second
    EXPECT_GE(rate, 1.0);
    EXPECT_LE(rate, 2.5);

    Track peri = Sail(Boat(c, 15, 0, 4, Cruise(c, 4, 0)), 60, 10 * MINUTE, 0);
    EXPECT_LT(peri.ended_at, 30.0) << "periscope depth from the surface";
    Track crash = Sail(Boat(c, 175, 0, 4, 0.0), 60, 10 * MINUTE, 0);
    EXPECT_GE(crash.ended_at, 1.5 * MINUTE);
    EXPECT_LE(crash.ended_at, 3.0 * MINUTE);
    printf("full planes %.2f m/s, periscope depth in %.1f s, crash dive in %.1f s\n", rate,
           peri.ended_at, crash.ended_at);

    // From rest on the surface to nine tenths of full speed: neither instant nor sluggish.
    MotionState s{};
    s.engine = 4;
    s.helm = MOTION_NEUTRAL;
    s.trim = 128 << 8 | MOTION_NEUTRAL;
    double top = Cruise(c, 4, 0), seconds = 0;
    while (s.vz < 0.9 * top && seconds < 600) {
        MotionStep(&s, &c, 0.02);
        seconds += 0.02 * MOTION_TIME_UNIT / 1000.0;
    }
    EXPECT_GE(seconds, 3.0);
    EXPECT_LE(seconds, 40.0);
    printf("nine tenths of full speed in %.1f s\n", seconds);
}

} // namespace
