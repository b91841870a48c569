// hits_test.cpp -- the own torpedoes' hit test and what the sensors report
#include "tests/support/battle_fixture.h"

#include <cmath>

namespace {

class HitsTest : public BattleFixture {
  protected:
    // A torpedo of the own ship at (x, z).
    Mobile *Torpedo(int32_t x, int32_t z, int32_t owner = 1) {
        Mobile *t = Add(TORPEDO, 0x40 + num_mobiles, x, TORPEDO_DEPTH, z, 0);
        t->owner = owner;
        return t;
    }
};

TEST_F(HitsTest, TorpedoAheadOnTheCentreLineHitsAndBesideItMisses) {
    Own(SUBMARINE, 1, -90000, 0, 0);
    Mobile *ship = Add(DESTROYER, 2, 0, 0, 0, 0);
    EXPECT_EQ(ship, CheckTorpedoHit(Torpedo(0, 250)));
    EXPECT_EQ(nullptr, CheckTorpedoHit(Torpedo(40, 0))) << "half beam is 30";
    EXPECT_EQ(ship, CheckTorpedoHit(Torpedo(29, 0)));
    for (int32_t h = 0; h < 0x10000; h += 0x1800) {
        SetMobilePosition(ship, 0, 0, 0, 0, (uint16_t)h, 0);
        double c = cos(h * 6.283185307179586 / 65535), s = sin(h * 6.283185307179586 / 65535);
        // 250 ahead on the centre line hits; 40 to the side misses, whatever the heading.
        EXPECT_EQ(ship,
                  CheckTorpedoHit(Torpedo((int32_t)lround(250 * s), (int32_t)lround(250 * c))))
            << std::hex << h;
        EXPECT_EQ(nullptr,
                  CheckTorpedoHit(Torpedo((int32_t)lround(40 * c), (int32_t)lround(-40 * s))))
            << std::hex << h;
    }
}

TEST_F(HitsTest, HeadingTurnsTheHull) {
    Own(SUBMARINE, 1, -90000, 0, 0);
    Mobile *ship = Add(DESTROYER, 2, 1000, 0, 1000, 0x4000);
    EXPECT_EQ(ship, CheckTorpedoHit(Torpedo(1250, 1000)))
        << "along the hull of a ship heading east";
    EXPECT_EQ(nullptr, CheckTorpedoHit(Torpedo(1000, 1250)));
}

TEST_F(HitsTest, DepthLauncherTorpedoesAndInactiveShipsAreNotHit) {
    Own(SUBMARINE, 1, -90000, 0, 0);
    Mobile *ship = Add(DESTROYER, 2, 0, 3, 0, 0);
    EXPECT_EQ(nullptr, CheckTorpedoHit(Torpedo(0, 100))) << "depth 3 passes under";
    SetMobilePosition(ship, 0, 2, 0, 0, 0, 0);
    EXPECT_EQ(ship, CheckTorpedoHit(Torpedo(0, 100)));
    EXPECT_EQ(nullptr, CheckTorpedoHit(Torpedo(0, 100, 2))) << "never its own launcher";
    ship->status &= ~ST_ACTIVE;
    EXPECT_EQ(nullptr, CheckTorpedoHit(Torpedo(0, 100)));
    ship->status |= ST_ACTIVE;
    SetMobilePosition(ship, 5000, 0, 0, 0, 0, 0);
    Add(TORPEDO, 99, 0, 0, 0);
    EXPECT_EQ(nullptr, CheckTorpedoHit(Torpedo(0, 0))) << "torpedoes do not hit torpedoes";
}

TEST_F(HitsTest, OwnTorpedoHitIsReportedOnceAndOthersAreNotJudged) {
    Own(SUBMARINE, 1, -90000, 0, 0);
    Add(MERCHANT, 2, 0, 0, 0, 0);
    Torpedo(0, 100, 5); // another ship's torpedo
    ProcessMobiles();
    EXPECT_EQ("", Sent());
    EXPECT_EQ(3, num_mobiles);
    Torpedo(0, 100, 1);
    ProcessMobiles();
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("13:43:2:1:0:0:0:64", lines[0]);
    ProcessMobiles();
    EXPECT_EQ(3, num_mobiles) << "the hitting torpedo is gone";
    EXPECT_EQ("", Sent());
}

TEST_F(HitsTest, VisibilityByOptics) {
    Own(SUBMARINE, 1);
    Mobile *far = Add(MERCHANT, 2, 25000, 0, 0);
    Mobile *near = Add(MERCHANT, 3, 15000, 0, 0);
    Mobile *touching = Add(MERCHANT, 4, 30, 0, 0);
    Mobile *torp = Add(TORPEDO, 5, 10, 2, 0);
    Mobile *ghost = Add(MERCHANT, 6, 100, 0, 0, 0, false);
    observer_status = OBS_LOOKOUT;
    MoveMobiles();
    CheckMobileVisibility();
    EXPECT_EQ(CT_VIEW | CT_PLOT, far->contact);
    EXPECT_EQ(CT_VIEW | CT_PLOT, near->contact);
    EXPECT_EQ(CT_PLOT, touching->contact) << "too close to draw";
    EXPECT_EQ(CT_VIEW, torp->contact);
    EXPECT_EQ(0, ghost->contact) << "not placed yet: nothing reports it";
    EXPECT_EQ(CT_PLOT, player_mobile->contact);
    observer_status = OBS_PERISCOPE;
    CheckMobileVisibility();
    EXPECT_EQ(0, far->contact);
    EXPECT_EQ(CT_VIEW | CT_PLOT, near->contact);
    observer_status = 0;
    CheckMobileVisibility();
    EXPECT_EQ(0, near->contact);
}

TEST_F(HitsTest, RadarOnlyAboardADestroyerAndOnlyForSurfacedShips) {
    Own(CORVETTE, 1);
    Mobile *ship = Add(MERCHANT, 2, 50000, 0, 0);
    observer_status = 0;
    MoveMobiles();
    CheckMobileVisibility();
    EXPECT_EQ(0, ship->contact);
    my_ship_type = DESTROYER;
    player_mobile->type = &ShipType[DESTROYER];
    CheckMobileVisibility();
    EXPECT_EQ(CT_RADAR, ship->contact);
    SetMobilePosition(ship, 60000, 0, 0, 0, 0, 0);
    MoveMobiles();
    CheckMobileVisibility();
    EXPECT_EQ(0, ship->contact);
    SetMobilePosition(ship, 5000, 20, 0, 0, 0, 0);
    MoveMobiles();
    CheckMobileVisibility();
    EXPECT_FALSE(ship->contact & CT_RADAR) << "a submerged contact gives no radar echo";
}

TEST_F(HitsTest, SubmergedContactsNeedTheHydrophonesToStayPlotted) {
    Mobile *own = Own(SUBMARINE, 1, 0, 10, 0);
    observer_status = OBS_PERISCOPE;
    Mobile *moving = Add(SUBMARINE, 2, 1500, 30, 0);
    moving->engine = 3;
    Mobile *stopped = Add(SUBMARINE, 3, 1000, 30, 0);
    Mobile *beyond = Add(SUBMARINE, 4, 2500, 30, 0);
    beyond->engine = 3;
    MoveMobiles();
    CheckMobileVisibility();
    EXPECT_EQ(CT_PLOT, moving->contact);
    EXPECT_EQ(0, stopped->contact);
    EXPECT_EQ(0, beyond->contact);
    SetMobilePosition(own, 0, 0, 0, 0, 0, 0); // on the surface the hydrophones reach 6000
    MoveMobiles();
    CheckMobileVisibility();
    EXPECT_EQ(CT_PLOT, beyond->contact);
    CrashDive(1);
    CheckMobileVisibility();
    EXPECT_TRUE(own->contact & CT_CRASHDIVE) << "the crash dive bit is left alone";
}

TEST_F(HitsTest, SonarFindsMovingContactsMoreOftenThanStoppedOnes) {
    Own(CORVETTE, 1);
    observer_status = 0;
    Mobile *moving = Add(SUBMARINE, 2, 5000, 50, 0);
    moving->engine = 3;
    Mobile *stopped = Add(SUBMARINE, 3, -5000, 50, 0);
    Mobile *far = Add(SUBMARINE, 4, 0, 50, 10000);
    far->engine = 3;
    MoveMobiles();
    srand(12345);
    int hits_moving = 0, hits_stopped = 0, hits_far = 0;
    const int steps = 20000;
    for (int i = 0; i < steps; i++) {
        CheckMobileVisibility();
        hits_moving += (moving->contact & CT_SONAR) != 0;
        hits_stopped += (stopped->contact & CT_SONAR) != 0;
        hits_far += (far->contact & CT_SONAR) != 0;
    }
    EXPECT_NEAR(0.10, hits_moving / (double)steps, 0.01);
    EXPECT_NEAR(0.03, hits_stopped / (double)steps, 0.006);
    EXPECT_EQ(0, hits_far) << "sonar reaches less than 10000";
}

TEST_F(HitsTest, EscortPingsAreHeardSubmergedAtMostEveryTenSeconds) {
    Own(SUBMARINE, 1, 0, 20, 0);
    Add(DESTROYER, 2, 5000, 0, 0);
    Add(CORVETTE, 3, -5000, 0, 0);
    Add(MERCHANT, 4, 0, 0, 5000);
    Add(DESTROYER, 5, 0, 0, 12000);
    MoveMobiles();
    CheckMobileVisibility();
    EXPECT_EQ(0, Sounds(SFX_PING)) << "the first ping comes 10 s after the escort appeared";
    PlatformTestAdvanceTicks(10001);
    CheckMobileVisibility();
    EXPECT_EQ(2, Sounds(SFX_PING));
    PlatformTestAdvanceTicks(9000);
    CheckMobileVisibility();
    EXPECT_EQ(2, Sounds(SFX_PING));
    PlatformTestAdvanceTicks(1001);
    CheckMobileVisibility();
    EXPECT_EQ(4, Sounds(SFX_PING));
    SetMobilePosition(player_mobile, 0, 0, 0, 0, 0, 0);
    PlatformTestAdvanceTicks(20000);
    CheckMobileVisibility();
    EXPECT_EQ(4, Sounds(SFX_PING)) << "not heard on the surface";
}

} // namespace
