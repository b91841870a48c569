// battle_test.cpp -- joining, starting and ending a battle; the player's orders and weapons
#include "tests/support/battle_fixture.h"

#include <algorithm>

namespace {

class BattleTest : public BattleFixture {};

TEST_F(BattleTest, JoinClearsScoresAndRemembersTheShip) {
    player.score[0] = 5;
    player.score[255] = 7;
    InitializeGame(0x1f);
    EXPECT_EQ(0x1f, my_ship_id);
    EXPECT_EQ(0, player.score[0]);
    EXPECT_EQ(0, player.score[255]);
    EXPECT_EQ(nullptr, player_mobile);
    EXPECT_NE(nullptr, mobile);
    EXPECT_EQ(LOC_LOBBY, location);
}

TEST_F(BattleTest, StartAsksForTheClassesStationsAndEndGameClosesThemAll) {
    Mobile *own = Own(SUBMARINE, 1);
    EXPECT_EQ(LOC_BATTLE, location);
    EXPECT_EQ(SUBMARINE, my_ship_type);
    EXPECT_TRUE(own->status & ST_ACTIVE);
    std::vector<std::string> start = {
        "TubesReset()", "OpenStations(" + std::to_string(SUBMARINE) + ")", "ConfigureMenu()"};
    EXPECT_EQ(start, outward_record.calls);
    outward_record.calls.clear();
    EndGame();
    EXPECT_EQ(LOC_LOBBY, location);
    EXPECT_EQ(nullptr, player_mobile);
    EXPECT_EQ(nullptr, mobile);
    std::vector<std::string> end = {"CloseStations()", "ConfigureMenu()"};
    EXPECT_EQ(end, outward_record.calls);
    EndGame(); // no battle: nothing happens
    EXPECT_EQ(LOC_LOBBY, location);
    EXPECT_EQ(end, outward_record.calls);
}

TEST_F(BattleTest, EachClassAsksForItsOwnStations) {
    for (int32_t type : {CORVETTE, DESTROYER, MERCHANT}) {
        Own(type, 1);
        EXPECT_EQ(1, OutwardRecordCount("OpenStations(" + std::to_string(type) + ")"));
        EndGame();
    }
}

TEST_F(BattleTest, OrdersSendOnlyRealChanges) {
    Mobile *own = Own(SUBMARINE, 0x1f, 1000, 0, -500, 0x4000);
    own->vx = 1.5;
    own->vz = -2.25;
    own->engine = 3;
    ChangePlayerHelm(5);
    ChangePlayerHelm(-1);
    ChangePlayerHelm(2);
    EXPECT_EQ("", Sent());
    ChangePlayerHelm(4);
    EXPECT_EQ("8:1f:1:c0:0:fffffee0:3:4:8002:4000:3e8:0:fffffe0c\n", Sent());
    ChangePlayerTrim(2, 128);
    ChangePlayerTrim(5, 128);
    EXPECT_EQ("", Sent());
    ChangePlayerTrim(2, 129);
    EXPECT_EQ(0x8102, own->trim);
    EXPECT_EQ(1u, SentLines().size());
    ChangePlayerEngine(3);
    ChangePlayerEngine(7);
    EXPECT_EQ("", Sent());
}

TEST_F(BattleTest, EngineSoundFollowsTheEngineOrder) {
    Own(SUBMARINE, 1);
    ChangePlayerEngine(4);
    EXPECT_EQ(1u, SentLines().size());
    sfxSound *full = engine_sound;
    ChangePlayerEngine(2);
    EXPECT_EQ(nullptr, engine_sound) << "stopped: no engine sound";
    ChangePlayerEngine(3);
    if (!full && !engine_sound) GTEST_SKIP() << "sound data not generated";
    EXPECT_NE(nullptr, engine_sound);
    EXPECT_TRUE(sfxSoundPlaying(engine_sound));
}

TEST_F(BattleTest, WhoListsThePlayersShips) {
    Own(SUBMARINE, 1);
    Add(DESTROYER, 2, 0, 0, 0)->country = COUNTRY_NORTHLAND;
    Add(CORVETTE, 3, 0, 0, 0)->country = COUNTRY_WESTLAND;
    Mobile *drone = Add(TANKER, 4, 0, 0, 0);
    strcpy(drone->captain, "DRONE");
    drone->status |= ST_DRONE;
    Add(TORPEDO, 5, 0, 0, 0)->captain[0] = 0;
    Add(MERCHANT, 6, 0, 0, 0)->country = 77;
    DoWhoCommand();
    std::vector<std::string> lines = ChatLines();
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("Ships in this battle:", lines[0]);
    EXPECT_EQ("  Ship1 (Capt1) Westland", lines[1]);
    EXPECT_EQ("  Ship2 (Capt2) Northland", lines[2]);
    EXPECT_EQ("  Ship3 (Capt3) Westland", lines[3]);
    EXPECT_EQ("  Ship6 (Capt6) unknown", lines[4]) << "a country code off the table";
}

TEST_F(BattleTest, SinkingReportsTheSinkerAndThePlaceTowardsZero) {
    Own(SUBMARINE, 1, 0, 20, 0);
    Mobile *attacker = Add(DESTROYER, 2, 0, 0, 0);
    Mobile *victim = Add(MERCHANT, 3, -1500, 0, 2999);
    Mobile *drone = Add(TANKER, 4, 0, 0, 0);
    drone->status |= ST_DRONE;
    Mobile *victim2 = Add(MERCHANT, 5, 1999, 0, -999);
    SinkShip(attacker, victim);
    SinkShip(drone, victim2);
    SinkShip(nullptr, Add(MERCHANT, 6, 0, 0, 0));
    SinkShip(attacker, nullptr);
    std::vector<std::string> lines = ChatLines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("** Ship3 (Capt3) sunk by Capt2 at (-1,2) **", lines[0]);
    EXPECT_EQ("** Ship5 (Capt5) sunk at (1,0) **", lines[1]);
    EXPECT_EQ("** Ship6 (Capt6) sunk by unknown at (0,0) **", lines[2]);
    EXPECT_TRUE(victim->status & ST_DEAD);
    EXPECT_EQ(0, num_sprites) << "at depth 20 the surface is out of sight";
}

TEST_F(BattleTest, SinkingNearTheSurfaceShowsExplosionsOutOfStep) {
    Own(DESTROYER, 1, 0, 0, 0);
    Mobile *victim = Add(MERCHANT, 3, 5000, 0, 5000);
    uint32_t now = GetTickCount();
    SinkShip(nullptr, victim);
    if (!num_sprites) GTEST_SKIP() << "shape data not generated";
    EXPECT_EQ(20, num_sprites);
    bool apart = false;
    for (int i = 0; i < num_sprites; i++) {
        EXPECT_LE(abs(sprite[i].x - 5000), 50);
        EXPECT_LE(abs(sprite[i].z - 5000), 50);
        EXPECT_EQ(0, sprite[i].tag);
        EXPECT_LE(now - sprite[i].start, 2000u);
        apart |= sprite[i].start != sprite[0].start;
    }
    EXPECT_TRUE(apart);
}

TEST_F(BattleTest, OwnShipSunkEndsTheBattleAndReportsFromAdmiralty) {
    Own(SUBMARINE, 1);
    Mobile *attacker = Add(DESTROYER, 2, 0, 0, 0);
    SinkShip(attacker, player_mobile);
    ASSERT_EQ(1u, outward_record.messages.size());
    EXPECT_EQ("Report from admiralty|Your ship was sunk by:\n\rShip2 (Capt2)",
              outward_record.messages[0]);
    EXPECT_EQ(LOC_LOBBY, location);
    EXPECT_EQ(nullptr, mobile);
    // The battle is over before the report is shown.
    const std::vector<std::string> &calls = outward_record.calls;
    ASSERT_EQ("Report()", calls.back());
    auto closed = std::find(calls.begin(), calls.end(), "CloseStations()");
    EXPECT_LT(closed - calls.begin(), (long)calls.size() - 1);
}

TEST_F(BattleTest, CrashDiveEndedBeforeTheGunIsStowedNeverDives) {
    Mobile *own = Own(SUBMARINE, 1);
    own->status |= ST_STEER | ST_GOTO;
    CrashDive(1);
    EXPECT_EQ(175, own->ordered_depth);
    EXPECT_TRUE(own->contact & CT_CRASHDIVE);
    EXPECT_FALSE(own->status & (ST_STEER | ST_GOTO));
    EXPECT_EQ(4, own->engine);
    EXPECT_EQ(1, start_dive);
    EXPECT_EQ("GunStow(1)", outward_record.calls.back());
    SubProcess();
    EXPECT_FALSE(own->status & ST_DEPTH) << "the gun is still being stowed";
    CrashDive(0);
    EXPECT_EQ("GunStow(0)", outward_record.calls.back());
    outward_record.gun_stowed = 1;
    SubProcess();
    EXPECT_FALSE(own->status & ST_DEPTH);
    EXPECT_FALSE(own->contact & CT_CRASHDIVE);
    EXPECT_EQ(2, own->engine);
    EXPECT_EQ(0x8002, own->trim);
}

TEST_F(BattleTest, CrashDiveStartsOnceTheGunIsStowed) {
    Mobile *own = Own(SUBMARINE, 1);
    CrashDive(1);
    outward_record.gun_stowed = 1;
    SubProcess();
    EXPECT_TRUE(own->status & ST_DEPTH);
    EXPECT_EQ(0, start_dive);
    EXPECT_EQ(1, Sounds(SFX_ALARM));
}

TEST_F(BattleTest, WeaponsSendTheirLines) {
    Mobile *own = Own(DESTROYER, 1, 1000, 0, -500, 0x4000);
    Mobile *target = Add(MERCHANT, 0x22, 3000, 0, 0);
    FireGun(target);
    LaunchDC(100);
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("13:1:22:5:0:4000:3e8:fffffe0c", lines[0]);
    EXPECT_EQ("13:1:1:3:64:4000:3e8:fffffe0c", lines[1]);
    EXPECT_EQ(1, Sounds(SFX_GUN));
    uint32_t before = GetTickCount();
    PlayerHit();
    EXPECT_LE(before, outward_record.hit_tick);
    EXPECT_GE(GetTickCount(), outward_record.hit_tick);
    (void)own;
}

} // namespace
