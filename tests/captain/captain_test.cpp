// captain_test.cpp -- the simulated captain's senses, aim, steering and standing orders
#include <gtest/gtest.h>

#include <cmath>

#include "bench/server/captain.h"
#include "server/srv_shiptypes.h"

// Sight goes with what the captain looks through and how deep he is; a submerged contact is
// only heard, and only while its engine runs within hydrophone range.
TEST(CaptainSenses, FollowThePlayersInstruments) {
    const int both = CAPTAIN_LOOKOUT | CAPTAIN_PERISCOPE;
    int surfaced = CaptainObserver(0, both), scope = CaptainObserver(8, both);
    EXPECT_EQ(surfaced, both);
    EXPECT_EQ(scope, CAPTAIN_PERISCOPE);
    EXPECT_EQ(CaptainObserver(16, both), 0);
    // A merchant 25 km off: in the glasses, beyond the periscope.
    EXPECT_EQ(CaptainSenses(ROW_SUBMARINE, 0, surfaced, 0, 4, 25000), CAPTAIN_SEEN | CAPTAIN_PLOT);
    EXPECT_EQ(CaptainSenses(ROW_SUBMARINE, 8, scope, 0, 4, 25000), 0);
    EXPECT_EQ(CaptainSenses(ROW_SUBMARINE, 8, scope, 0, 4, 19999), CAPTAIN_SEEN | CAPTAIN_PLOT);
    // Deep, nothing is seen, however close.
    EXPECT_EQ(CaptainSenses(ROW_SUBMARINE, 150, CaptainObserver(150, both), 0, 4, 500), 0);
    // Another submarine: heard under way within 2000 while submerged, 6000 from the surface.
    EXPECT_EQ(CaptainSenses(ROW_SUBMARINE, 8, scope, 30, 4, 1999), CAPTAIN_PLOT);
    EXPECT_EQ(CaptainSenses(ROW_SUBMARINE, 8, scope, 30, 4, 2001), 0);
    EXPECT_EQ(CaptainSenses(ROW_SUBMARINE, 0, surfaced, 30, 4, 5999), CAPTAIN_PLOT);
    EXPECT_EQ(CaptainSenses(ROW_SUBMARINE, 0, surfaced, 30, MOTION_NEUTRAL, 500), 0);
    // The destroyer's radar reaches 60 km but sees no submerged boat.
    EXPECT_EQ(CaptainSenses(ROW_DESTROYER, 0, surfaced, 0, 4, 59999), CAPTAIN_RADAR);
    EXPECT_EQ(CaptainSenses(ROW_DESTROYER, 0, surfaced, 30, 4, 59999), 0);
    EXPECT_EQ(CaptainSenses(ROW_CORVETTE, 0, surfaced, 0, 4, 40000), 0);
    // Too close to draw: plotted, not seen.
    EXPECT_EQ(CaptainSenses(ROW_SUBMARINE, 0, surfaced, 0, 4, 49), CAPTAIN_PLOT);
}

// Runs a torpedo on the heading the aim gives and the target on its course, and returns the
// closest they came.
static double Miss(double tx, double tz, double vx, double vz, double lead) {
    uint16_t h = 0;
    double t = 0;
    if (!CaptainAim(0, 0, tx, tz, vx, vz, lead, &h, &t)) return -1;
    double a = AngleToRadians(h), best = 1e9;
    for (double s = 0; s <= CAPTAIN_TORPEDO_RUN; s += 0.05) {
        double px = std::sin(a) * CAPTAIN_TORPEDO_SPEED * s,
               pz = std::cos(a) * CAPTAIN_TORPEDO_SPEED * s;
        best = std::min(best, std::hypot(px - (tx + vx * s), pz - (tz + vz * s)));
    }
    return best;
}

TEST(CaptainAim, LeadMeetsACrossingTarget) {
    // A merchant 4000 north crossing east at 16 units a second: the full lead meets it within
    // half its beam; no lead passes astern of it by far more than its length.
    EXPECT_LT(Miss(0, 4000, 16, 0, 1.0), 25);
    EXPECT_GT(Miss(0, 4000, 16, 0, 0.0), 350);
    // A half lead falls between.
    double half = Miss(0, 4000, 16, 0, 0.5);
    EXPECT_GT(half, 25);
    EXPECT_LT(half, Miss(0, 4000, 16, 0, 0.0));
    // The lead is ahead of the target: east of north for a ship crossing east.
    uint16_t h = 0;
    double t = 0;
    ASSERT_TRUE(CaptainAim(0, 0, 0, 4000, 16, 0, 1.0, &h, &t));
    EXPECT_GT(h, 0u);
    EXPECT_LT(h, 0x1000u);
    EXPECT_NEAR(t, 4000.0 / std::sqrt(170.0 * 170.0 - 16.0 * 16.0), 0.5);
    // A stationary target is aimed at directly.
    ASSERT_TRUE(CaptainAim(0, 0, 3000, 0, 0, 0, 1.0, &h, &t));
    EXPECT_NEAR(h, 0x4000, 2);
}

TEST(CaptainAim, RefusesWhatTheTorpedoCannotReach) {
    uint16_t h = 0;
    double t = 0;
    EXPECT_FALSE(CaptainAim(0, 0, 0, 21000, 0, 0, 1.0, &h, &t)); // beyond its 120 s run
    EXPECT_TRUE(CaptainAim(0, 0, 0, 20000, 0, 0, 1.0, &h, &t));
    EXPECT_FALSE(CaptainAim(0, 0, 0, 3000, 0, 200, 1.0, &h, &t)); // running away faster
}

TEST(CaptainAim, BowArcIsFifteenDegreesEitherSide) {
    EXPECT_TRUE(CaptainInBowArc(0x4000, 0x4000 + 2730));
    EXPECT_TRUE(CaptainInBowArc(0x4000, 0x4000 - 2730));
    EXPECT_FALSE(CaptainInBowArc(0x4000, 0x4000 + 2731));
    EXPECT_FALSE(CaptainInBowArc(0x4000, 0xC000)); // astern
    EXPECT_TRUE(CaptainInBowArc(0x0100, 0xFF00));  // across north
}

// The captain's helm, driven through the shared model, brings a surfaced boat round to a course
// either way and holds it.
TEST(CaptainHelm, BringsTheBoatRoundAndHoldsIt) {
    const MotionCoeffs *k = &ShipClassOfRow(ROW_SUBMARINE)->c;
    for (uint16_t course : {(uint16_t)0x6000, (uint16_t)0xA000, (uint16_t)0xE000}) {
        MotionState m{};
        m.engine = 4;
        m.helm = 2;
        m.trim = 0x8002;
        MotionSetPosition(&m, 0, 0, 0, 0x4000);
        int32_t sense = 0;
        for (int i = 0; i < 3000; i++) { // 300 s in 100 ms steps
            m.helm = CaptainHelm(course, m.heading, &sense, m.engine);
            MotionStep(&m, k, 0.2);
        }
        int16_t off = (int16_t)(uint16_t)(m.heading - course);
        EXPECT_LT(std::abs(off), 0x200) << "course " << course;
    }
}

TEST(CaptainTrack, MeasuresCourseAndSpeedFromFixes) {
    CaptainTrack k{};
    double vx = 0, vz = 0;
    for (int s = 0; s < 8; s++)
        CaptainTrackFix(&k, s, 100 + 12.0 * s, 50 - 5.0 * s);
    EXPECT_FALSE(CaptainTrackVelocity(&k, &vx, &vz)); // 7 s is too short to judge
    CaptainTrackFix(&k, 8.5, 100 + 12 * 8.5, 50 - 5 * 8.5);
    CaptainTrackFix(&k, 8.9, 0, 0); // within the second: skipped
    ASSERT_TRUE(CaptainTrackVelocity(&k, &vx, &vz));
    EXPECT_NEAR(vx, 12, 1e-9);
    EXPECT_NEAR(vz, -5, 1e-9);
    // Lost for half a minute: the old fixes say nothing of the new course.
    CaptainTrackFix(&k, 40, 0, 0);
    EXPECT_FALSE(CaptainTrackVelocity(&k, &vx, &vz));
    // A long track judges by its last 40 s: a turn 60 s ago no longer counts.
    CaptainTrack l{};
    for (int s = 0; s <= 100; s++)
        CaptainTrackFix(&l, s, s < 40 ? -10.0 * s : -400 + 10.0 * (s - 40), 0);
    ASSERT_TRUE(CaptainTrackVelocity(&l, &vx, &vz));
    EXPECT_NEAR(vx, 10, 1e-9);
}

TEST(CaptainProfiles, StandingOrders) {
    // Newcomer: surfaced at full ahead, then periscope depth, crash dive at full ahead.
    CaptainOrders o = CaptainStanding(CAPTAIN_NEWCOMER, CAPTAIN_APPROACH);
    EXPECT_EQ(o.depth, 0);
    EXPECT_EQ(o.engine, 4);
    EXPECT_EQ(CaptainStanding(CAPTAIN_NEWCOMER, CAPTAIN_ATTACK).depth, CAPTAIN_PERISCOPE_DEPTH);
    EXPECT_EQ(CaptainStanding(CAPTAIN_NEWCOMER, CAPTAIN_EVADE).depth, CAPTAIN_CRASH_DEPTH);
    // Expert: submerged from the start, deep and slow to evade.
    EXPECT_EQ(CaptainStanding(CAPTAIN_EXPERT, CAPTAIN_APPROACH).depth, CAPTAIN_PERISCOPE_DEPTH);
    o = CaptainStanding(CAPTAIN_EXPERT, CAPTAIN_EVADE);
    EXPECT_EQ(o.depth, CAPTAIN_DEEP);
    EXPECT_LE(o.engine, 3);
    // Careless and gunner never leave the surface or slow down.
    for (int p : {CAPTAIN_CARELESS, CAPTAIN_GUNNER})
        for (int ph = CAPTAIN_APPROACH; ph <= CAPTAIN_LEAVE; ph++) {
            EXPECT_EQ(CaptainStanding(p, ph).depth, 0);
            EXPECT_EQ(CaptainStanding(p, ph).engine, 4);
        }
    EXPECT_EQ(CaptainProfileByName("expert"), CAPTAIN_EXPERT);
    EXPECT_EQ(CaptainProfileByName("admiral"), -1);
}

TEST(CaptainProfiles, PhaseChanges) {
    CaptainCues c{0, -1, -1, 0, 0, 0};
    // Newcomer dives just inside 10 km of the convoy's nearest ship, and not on a contact he
    // cannot perceive.
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_NEWCOMER, CAPTAIN_APPROACH, c), CAPTAIN_APPROACH);
    c.cargo_range = 10000;
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_NEWCOMER, CAPTAIN_APPROACH, c), CAPTAIN_APPROACH);
    c.escort_range = 9400; // the screen ahead of the cargo comes first
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_NEWCOMER, CAPTAIN_APPROACH, c), CAPTAIN_ATTACK);
    c.escort_range = -1;
    c.cargo_range = 9000;
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_NEWCOMER, CAPTAIN_APPROACH, c), CAPTAIN_ATTACK);
    // Charges heard: crash dive from any phase; back up once it has been quiet a while.
    c.charges_ago = 0.5;
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_NEWCOMER, CAPTAIN_ATTACK, c), CAPTAIN_EVADE);
    c.charges_ago = 30;
    c.in_phase = 100;
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_NEWCOMER, CAPTAIN_EVADE, c), CAPTAIN_EVADE);
    c.charges_ago = 91;
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_NEWCOMER, CAPTAIN_EVADE, c), CAPTAIN_ATTACK);
    // Expert: the spread sends him deep; he leaves once he has sunk a ship and it is quiet.
    CaptainCues e{5, 4000, -1, 1, 0, 0};
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_EXPERT, CAPTAIN_ATTACK, e), CAPTAIN_EVADE);
    e.spread_fired = 0;
    e.in_phase = 121;
    e.attacks = 1;
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_EXPERT, CAPTAIN_EVADE, e), CAPTAIN_APPROACH);
    e.sank = 1;
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_EXPERT, CAPTAIN_EVADE, e), CAPTAIN_LEAVE);
    e.charges_ago = 10;
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_EXPERT, CAPTAIN_EVADE, e), CAPTAIN_EVADE);
    // Careless never dives, whatever he hears.
    c.charges_ago = 0;
    EXPECT_EQ(CaptainNextPhase(CAPTAIN_CARELESS, CAPTAIN_APPROACH, c), CAPTAIN_APPROACH);
}
