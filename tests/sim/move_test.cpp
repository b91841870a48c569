// move_test.cpp -- dead reckoning through the mobile list, automatic steering, depth keeping
#include "tests/support/battle_fixture.h"

namespace {

class MoveTest : public BattleFixture {};

TEST_F(MoveTest, ThousandMillisecondStepIsTwoTimeUnits) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(MERCHANT, 2, 0, 0, 0, 0);
    m->engine = 4;
    PlatformTestAdvanceTicks(1000);
    MoveMobiles();
    // dt = 2: vz = 2 x (cos(0) x 4 - 0.1 x 0) = 8, z = 8 x 2 = 16.
    EXPECT_DOUBLE_EQ(8.0, m->vz);
    EXPECT_EQ(16, m->z);
    EXPECT_EQ(0, m->speed) << "speed is taken before the step";
    EXPECT_EQ(0, m->range) << "range is taken before the step";
    PlatformTestAdvanceTicks(500);
    MoveMobiles();
    EXPECT_EQ(8, m->speed);
    EXPECT_EQ(16, m->range);
}

TEST_F(MoveTest, InactiveMobilesDoNotMove) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(MERCHANT, 2, 100, 0, 100, 0, false);
    m->vz = 10;
    PlatformTestAdvanceTicks(1000);
    MoveMobiles();
    EXPECT_EQ(100, m->z);
    EXPECT_EQ(0, m->range);
}

TEST_F(MoveTest, PositionFixRestartsTheClock) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(MERCHANT, 2, 0, 0, 0, 0);
    m->vz = 10;
    PlatformTestAdvanceTicks(5000);
    SetMobilePosition(m, 0, 0, 1000, 0, 0, 0);
    MoveMobiles(); // no time has passed since the fix
    EXPECT_EQ(1000, m->z);
    SetMobilePosition(nullptr, 1, 2, 3, 0, 0, 0);
}

TEST_F(MoveTest, DepthIsHeldWithinItsLimitsWhileVelocityKeepsItsValue) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(SUBMARINE, 2, 0, 1, 0, 0);
    m->trim = 0x8402; // buoyancy +4: rises
    PlatformTestAdvanceTicks(1000);
    MoveMobiles();
    EXPECT_EQ(0, m->y);
    EXPECT_EQ(0.0, m->fy);
    EXPECT_LT(m->vy, 0.0);
    Mobile *deep = Add(SUBMARINE, 3, 0, 249, 0, 0);
    deep->trim = 0x7c02; // buoyancy -4: sinks
    PlatformTestAdvanceTicks(1000);
    MoveMobiles();
    EXPECT_EQ(250, deep->y);
    EXPECT_GT(deep->vy, 0.0);
}

TEST_F(MoveTest, StoppedOrReversingShipsSteerWithTheRudderReversed) {
    Own(SUBMARINE, 1);
    for (int engine = 0; engine <= 4; engine++) {
        Mobile *m = Add(MERCHANT, 10 + engine, 0, 0, 0, 0x1200);
        m->engine = engine;
        m->ordered_heading = 0x1000;
        m->status |= ST_STEER;
    }
    MoveMobiles();
    for (int engine = 0; engine <= 4; engine++)
        EXPECT_EQ(engine < 3 ? 1 : 3, FindMobileID(10 + engine)->helm) << "engine " << engine;
}

TEST_F(MoveTest, SteeringEndsWhenTheRudderComesAmidships) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(MERCHANT, 2, 0, 0, 0, 0x1020);
    m->engine = 3;
    m->ordered_heading = 0x1000; // inside the dead band
    m->status |= ST_STEER;
    m->steer_sense = 1;
    MoveMobiles();
    EXPECT_EQ(2, m->helm);
    EXPECT_FALSE(m->status & ST_STEER);
    EXPECT_EQ(0, m->steer_sense);
}

TEST_F(MoveTest, OwnShipSteeringSendsOneUpdatePerChange) {
    Mobile *own = Own(SUBMARINE, 1, 0, 0, 0, 0x1200);
    own->engine = 3;
    own->ordered_heading = 0x1000;
    own->status |= ST_STEER;
    MoveMobiles();
    MoveMobiles();
    MoveMobiles();
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("8:1:1:0:0:0:3:3:8002:1200:0:0:0", lines[0]);
}

TEST_F(MoveTest, WaypointSteeringAimsDrivesAndArrives) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(MERCHANT, 2, 0, 0, 0, 0);
    m->way_x = 10000;
    m->way_z = 0;
    m->status |= ST_GOTO;
    MoveMobiles();
    EXPECT_EQ(0xC000, m->ordered_heading) << "the reciprocal of the course to the waypoint";
    EXPECT_TRUE(m->status & (ST_GOTO | ST_STEER));
    EXPECT_EQ(4, m->engine) << "the rudder is still amidships";
    MoveMobiles();
    EXPECT_EQ(4, m->helm);
    EXPECT_EQ(3, m->engine) << "half ahead while the rudder is over";

    // Within 300 of the waypoint the ship stops and the controls let go.
    SetMobilePosition(m, 9800, 0, 0, 0, m->heading, 0);
    m->status |= ST_STEER;
    MoveMobiles();
    EXPECT_EQ(2, m->engine);
    EXPECT_EQ(2, m->helm);
    EXPECT_FALSE(m->status & (ST_GOTO | ST_STEER));
}

TEST_F(MoveTest, WaypointOnAStraightCourseIsFullAhead) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(MERCHANT, 2, 0, 0, 0, 0);
    m->way_x = 0;
    m->way_z = 50000;
    m->ordered_heading = AngleFrom(0, 0, 0, 50000); // already aimed: no re-aim
    m->status |= ST_GOTO;
    MoveMobiles();
    EXPECT_FALSE(m->status & ST_STEER);
    EXPECT_EQ(4, m->engine);
}

TEST_F(MoveTest, DepthKeepingToTheSurfaceUsesItsBands) {
    Mobile *own = Own(SUBMARINE, 1, 0, 60, 0, 0);
    own->ordered_depth = 0;
    own->status |= ST_DEPTH;
    own->trim = 0x8102; // a buoyancy byte of its own, which depth keeping leaves alone
    MoveMobiles();
    EXPECT_EQ(0x8100, own->trim);
    SetMobilePosition(own, 0, 49, 0, 0, 0, 0);
    MoveMobiles();
    EXPECT_EQ(0x8101, own->trim);
    SetMobilePosition(own, 0, 0, 0, 0, 0, 0);
    MoveMobiles();
    EXPECT_EQ(0x8102, own->trim);
    EXPECT_FALSE(own->status & ST_DEPTH);
    EXPECT_EQ(3u, SentLines().size()) << "one update per planes change";
}

TEST_F(MoveTest, DepthKeepingEndsInsideTheBand) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(SUBMARINE, 2, 0, 98, 0, 0);
    m->ordered_depth = 100;
    m->status |= ST_DEPTH;
    m->trim = 0x8004;
    MoveMobiles();
    EXPECT_EQ(0x8002, m->trim);
    EXPECT_FALSE(m->status & ST_DEPTH);
    Mobile *n = Add(SUBMARINE, 3, 0, 20, 0, 0);
    n->ordered_depth = 100;
    n->status |= ST_DEPTH;
    MoveMobiles();
    EXPECT_EQ(0x8004, n->trim) << "80 too shallow: full dive";
}

TEST_F(MoveTest, OrdersToOtherMobilesAreStoredUnchecked) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(MERCHANT, 2, 0, 0, 0, 0);
    ChangeMobileTrim(m, 3, 0x7f);
    EXPECT_EQ(0x7f03, m->trim);
    ChangeMobileHelm(m, 4);
    ChangeMobileEngine(m, 0);
    EXPECT_EQ(4, m->helm);
    EXPECT_EQ(0, m->engine);
    EXPECT_EQ("", Sent());
}

TEST_F(MoveTest, MoveMatchesTheSharedModel) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(SUBMARINE, 2, -5000, 30, 7000, 0x3000);
    m->engine = 4;
    m->helm = 4;
    m->trim = 0x8003;
    m->vx = 1.5;
    m->vz = -2;
    MotionState s;
    MobileToMotion(m, &s);
    MotionCoeffs c;
    ShipTypeCoeffs(m->type, &c);
    PlatformTestAdvanceTicks(37);
    MoveMobiles();
    MotionStep(&s, &c, 37 / 500.0);
    EXPECT_EQ(s.vx, m->vx);
    EXPECT_EQ(s.fz, m->fz);
    EXPECT_EQ(s.heading, m->heading);
    EXPECT_EQ(AngleFrom(m->x, m->z, 0, 0), m->bearing);
}

TEST_F(MoveTest, RangePositionLiesAtTheDistance) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(MERCHANT, 2, 1000, 0, -1000, 0);
    int32_t east = 0, north = 0;
    RangePosition(m, 5000, &east, &north);
    EXPECT_NEAR(5000, Range(1000, -1000, east, north), 2);
}

TEST_F(MoveTest, RangePositionFromACornerStaysInsideTheWorld) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(MERCHANT, 2, INT32_MAX, 0, INT32_MIN, 0);
    for (int i = 0; i < 50; i++) {
        int32_t east = 0, north = 0;
        RangePosition(m, 5000, &east, &north);
        EXPECT_GE(east, INT32_MAX - 5000);
        EXPECT_LE(north, INT32_MIN + 5000);
    }
}

} // namespace
