// battle_windows_test.cpp -- the windows' answers to the battle model: which stations a battle
// opens and closes, the admiralty's report box, the real deck gun in a crash dive, the gun's
// target following the mobile list, and the gun's range classes for a ship type from the server
#include "tests/support/battle_windows.h"

#include "net/battle_messages.h"
#include "stations/bridge.h"
#include "stations/compass.h"
#include "stations/dc.h"
#include "stations/depth.h"
#include "stations/gun.h"
#include "stations/map.h"
#include "stations/button.h"
#include "stations/telegrph.h"
#include "stations/tubes.h"

namespace {

class BattleWindows : public StationsBattleFixture {};

// Answers every message box with OK and keeps its text.
struct BoxAnswer {
    std::string text;
    int count = 0;
};
void AnswerBox(HWND box, void *user) {
    BoxAnswer *a = (BoxAnswer *)user;
    char text[512] = {};
    PlatformTestMessageBoxText(box, text, sizeof(text));
    a->text = text;
    a->count++;
    SendMessage(box, WM_COMMAND, IDOK, 0);
}

TEST_F(BattleWindows, SubmarineGetsItsStationsAndEndGameClosesThemAll) {
    Mobile *own = Own(SUBMARINE, 1);
    EXPECT_EQ(LOC_BATTLE, location);
    EXPECT_EQ(SUBMARINE, my_ship_type);
    EXPECT_TRUE(own->status & ST_ACTIVE);
    for (HWND w : {hwndBridge, hwndChat, hwndMap, hwndCompass, hwndTelegraph, hwndDepth, hwndTubes,
                   hwndButton, hwndGun})
        EXPECT_TRUE(IsWindow(w));
    EXPECT_EQ(nullptr, hwndDC);
    EndGame();
    EXPECT_EQ(LOC_LOBBY, location);
    EXPECT_EQ(nullptr, player_mobile);
    EXPECT_EQ(nullptr, mobile);
    for (HWND w : {hwndBridge, hwndChat, hwndMap, hwndCompass, hwndTelegraph, hwndDepth, hwndTubes,
                   hwndButton, hwndGun, hwndDC})
        EXPECT_EQ(nullptr, w);
    EndGame(); // no battle: nothing happens
    EXPECT_EQ(LOC_LOBBY, location);
}

TEST_F(BattleWindows, EscortsGetDepthChargesAndMerchantsOnlyTheCommonStations) {
    Own(CORVETTE, 1);
    EXPECT_TRUE(IsWindow(hwndDC));
    EXPECT_TRUE(IsWindow(hwndGun));
    EXPECT_EQ(nullptr, hwndTubes);
    EXPECT_EQ(nullptr, hwndDepth);
    EndGame();
    Own(DESTROYER, 1);
    EXPECT_TRUE(IsWindow(hwndDC));
    EXPECT_TRUE(IsWindow(hwndTubes));
    EXPECT_EQ(nullptr, hwndButton);
    EndGame();
    Own(MERCHANT, 1);
    EXPECT_TRUE(IsWindow(hwndCompass));
    EXPECT_EQ(nullptr, hwndGun);
    EXPECT_EQ(nullptr, hwndDC);
}

TEST_F(BattleWindows, OwnShipSunkEndsTheBattleAndReportsFromAdmiralty) {
    Own(SUBMARINE, 1);
    Mobile *attacker = Add(DESTROYER, 2, 0, 0, 0);
    BoxAnswer answer;
    PlatformTestSetModalHook(AnswerBox, &answer);
    SinkShip(attacker, player_mobile);
    PlatformTestSetModalHook(nullptr, nullptr);
    EXPECT_EQ(1, answer.count);
    // The box may show the line break in its own form.
    std::string text;
    for (char c : answer.text)
        if (c != '\r' && c != '\n') text += c;
    EXPECT_EQ("Your ship was sunk by:Ship2 (Capt2)", text);
    EXPECT_EQ(LOC_LOBBY, location);
    EXPECT_EQ(nullptr, mobile);
}

TEST_F(BattleWindows, CrashDiveEndedBeforeTheGunIsStowedNeverDives) {
    Mobile *own = Own(SUBMARINE, 1);
    own->status |= ST_STEER | ST_GOTO;
    CrashDive(1);
    EXPECT_EQ(175, own->ordered_depth);
    EXPECT_TRUE(own->contact & CT_CRASHDIVE);
    EXPECT_FALSE(own->status & (ST_STEER | ST_GOTO));
    EXPECT_EQ(4, own->engine);
    EXPECT_EQ(1, start_dive);
    EXPECT_EQ(GUN_STOWING, gun_status);
    SubProcess();
    EXPECT_FALSE(own->status & ST_DEPTH) << "the gun is still being stowed";
    CrashDive(0);
    gun_status = GUN_STOWED;
    SubProcess();
    EXPECT_FALSE(own->status & ST_DEPTH);
    EXPECT_FALSE(own->contact & CT_CRASHDIVE);
    EXPECT_EQ(2, own->engine);
    EXPECT_EQ(0x8002, own->trim);
}

TEST_F(BattleWindows, CrashDiveStartsOnceTheGunIsStowed) {
    Mobile *own = Own(SUBMARINE, 1);
    CrashDive(1);
    gun_status = GUN_STOWED;
    SubProcess();
    EXPECT_TRUE(own->status & ST_DEPTH);
    EXPECT_EQ(0, start_dive);
    EXPECT_EQ(1, Sounds(SFX_ALARM));
}

TEST_F(BattleWindows, ReferencesFollowAMovedEntry) {
    Join(1);
    Add(MERCHANT, 9, 5000, 0, 0);
    Own(DESTROYER, 1, 0, 0, 0); // slot 1
    Add(MERCHANT, 8, 6000, 0, 0);
    Add(MERCHANT, 7, 7000, 0, 0); // slot 3
    gun_target = &mobile[3];
    Mobile *tracked = &mobile[3];
    MobileTrackReference(&tracked);
    mobile[0].status |= ST_DEAD; // ship 9 goes, ship 7 moves into slot 0
    ProcessMobiles();
    ASSERT_EQ(3, num_mobiles);
    EXPECT_EQ(&mobile[0], gun_target);
    EXPECT_EQ(7, gun_target->id);
    EXPECT_EQ(&mobile[0], tracked);
    EXPECT_EQ(1, player_mobile->id);
    mobile[2].status |= ST_DEAD; // ship 8, the last entry: nothing moves
    mobile[0].status |= ST_DEAD; // ship 7: the own ship moves into slot 0
    ProcessMobiles();
    ProcessMobiles();
    ASSERT_EQ(1, num_mobiles);
    EXPECT_EQ(&mobile[0], player_mobile);
    EXPECT_EQ(1, player_mobile->id);
    EXPECT_EQ(nullptr, gun_target) << "the gun's target was removed";
    EXPECT_EQ(nullptr, tracked);
    MobileUntrackReference(&tracked);
}

TEST_F(BattleWindows, AGunReachNearTheLargestNumberKeepsItsRangeClasses) {
    PacketShipType("1:2710:0:0:4e20:9c40:ffffffce:0:0:0:32:3e8:0:0:0:0:1388:7fffffff:5dc:0:bb8:"
                   "1f40");
    int32_t reach = ShipType[1].gun_range;
    EXPECT_EQ(INT32_MAX, reach);
    EXPECT_EQ(1, GunRangeClass(reach, 1000));
    EXPECT_EQ(2, GunRangeClass(reach, INT32_MAX / 2));
    EXPECT_EQ(3, GunRangeClass(reach, INT32_MAX - 1));
    EXPECT_EQ(4, GunRangeClass(reach, INT32_MAX));
    // A negative reach from a bad line reaches nothing.
    EXPECT_EQ(4, GunRangeClass(INT32_MIN, 0));
}

} // namespace
