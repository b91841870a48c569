// battle_messages_test.cpp -- the battle lines' exact bytes, their parsing and every handler
#include "tests/support/battle_fixture.h"

#include <ctime>

#include "net/packet.h"

namespace {

class BattleMessages : public BattleFixture {
  protected:
    // Whether the generated shape data is there (sprites need it).
    bool Shapes() {
        dddObject *o = dddLoad("3d\\explode.dsh");
        if (o) dddDestroy(o);
        return o != nullptr;
    }
};

TEST_F(BattleMessages, UpdateLineOfTheOwnShip) {
    Mobile *own = Own(SUBMARINE, 0x1f, 1000, 0, -500, 0x4000);
    own->vx = 1.5;
    own->vy = 0;
    own->vz = -2.25;
    own->engine = 3;
    PacketUpdateReq("");
    EXPECT_EQ("8:1f:1:c0:0:fffffee0:3:2:8002:4000:3e8:0:fffffe0c\n", Sent());
    own->vx = -0.999;
    own->vz = 0.999;
    SendUpdatePacket(1, own);
    EXPECT_EQ("8:1f:1:ffffff81:0:7f:3:2:8002:4000:3e8:0:fffffe0c\n", Sent());
}

TEST_F(BattleMessages, RecordsRoundTripNegativeValues) {
    UpdateMssg u = {-2, 1, -128, 5, -1, 4, 0, 0x7f04, 0xffff, -2147483647 - 1, 250, -70000};
    std::string line = CreateUpdateMssg(&u);
    ASSERT_EQ("8:", line.substr(0, 2));
    EXPECT_EQ(0, memcmp(&u, UnpackUpdatePacket(line.c_str() + 2), sizeof(u)));
    WeaponMssg w = {-1, 0x1f, TP_LAUNCH, 0, 0xC000, -1, -123456};
    line = CreateWeaponMssg(&w);
    EXPECT_EQ("13:ffffffff:1f:0:0:c000:ffffffff:fffe1dc0", line);
    EXPECT_EQ(0, memcmp(&w, UnpackWeaponPacket(line.c_str() + 3), sizeof(w)));
}

TEST_F(BattleMessages, ShortOddAndOverlongFieldsNeverSpill) {
    UpdateMssg *u = UnpackUpdatePacket("1f:2:zz:4");
    EXPECT_EQ(0x1f, u->id);
    EXPECT_EQ(2, u->kind);
    EXPECT_EQ(0, u->vx) << "the first unreadable field stops the read";
    EXPECT_EQ(0, u->engine);
    u = UnpackUpdatePacket("123456789:-1: 0x10:+7");
    EXPECT_EQ(0x23456789, u->id) << "values are kept to 32 bits";
    EXPECT_EQ(-1, u->kind);
    EXPECT_EQ(16, u->vx);
    EXPECT_EQ(7, u->vy);
    u = UnpackUpdatePacket("");
    EXPECT_EQ(0, u->id);

    NewShipMssg *n = UnpackNewShipPacket("3:ABCDEFGHIJKLMNOPQRSTUVWXYZ:nm:HMS A very long ship "
                                         "name:1f:0:1:0:0:0:0:0:0:4000:3e8:0:fffffe0c");
    EXPECT_STREQ("ABCDEFGHIJKLMNO", n->captain);
    EXPECT_STREQ("nm", n->name);
    EXPECT_STREQ("HMS A very long", n->ship_name);
    EXPECT_EQ(0x1f, n->id);
    EXPECT_EQ(1, n->country);
    EXPECT_EQ(0x4000, n->heading);
    EXPECT_EQ(-500, n->z);
    n = UnpackNewShipPacket("3:cap::ship:1f:0:1");
    EXPECT_STREQ("cap", n->captain);
    EXPECT_STREQ("", n->ship_name) << "an empty text field stops the read";
    EXPECT_EQ(0, n->id);

    ShipTypeMssg *t = UnpackShipTypePacket("5:2710:ffffd8f0");
    EXPECT_EQ(5, t->row);
    EXPECT_EQ(10000, t->speed_table[0]);
    EXPECT_EQ(-10000, t->speed_table[1]);
    EXPECT_EQ(0, t->submerged);
}

TEST_F(BattleMessages, HandlersAreInThePacketTable) {
    EXPECT_EQ(PacketUpdate, process_packet[T_UPDATE]);
    EXPECT_EQ(PacketWeapon, process_packet[T_WEAPON]);
    EXPECT_EQ(PacketNewShip, process_packet[T_NEWSHIP]);
    EXPECT_EQ(PacketUpdateReq, process_packet[T_UPDATEREQ]);
    EXPECT_EQ(PacketRadio, process_packet[T_RADIO]);
    EXPECT_EQ(PacketShipType, process_packet[T_SHIPTYPE]);
}

TEST_F(BattleMessages, UpdateMovesAnotherShipFromTheServersFix) {
    Own(SUBMARINE, 1);
    Mobile *m = Add(DESTROYER, 0x22, 0, 0, 0, 0, false);
    PacketUpdate("22:1:80:0:ffffff00:4:3:8103:8000:fffffc18:5:7d0");
    EXPECT_TRUE(m->status & ST_ACTIVE);
    EXPECT_EQ(4, m->engine);
    EXPECT_EQ(3, m->helm);
    EXPECT_EQ(0x8103, m->trim);
    EXPECT_EQ(1.0, m->vx);
    EXPECT_EQ(-2.0, m->vz);
    EXPECT_EQ(-1000, m->x);
    EXPECT_EQ(5, m->y);
    EXPECT_EQ(2000, m->z);
    EXPECT_EQ(0x8000, m->heading);
    PacketUpdate("22:0:0:0:0:9:ff:80fe:0:0:0:0");
    EXPECT_EQ(4, m->engine) << "orders outside 0 to 4 keep the old ones";
    EXPECT_EQ(3, m->helm);
    EXPECT_EQ(0x8003, m->trim);
}

TEST_F(BattleMessages, UnknownUpdateLeavesTwoLogLines) {
    Own(SUBMARINE, 1);
    ClearLog();
    PacketUpdate("99:1:0:0:0:2:2:8002:0:0:0:0");
    std::vector<std::string> log = LogLines();
    ASSERT_EQ(2u, log.size());
    EXPECT_NE(std::string::npos, log[0].find("PacketUpdate"));
    EXPECT_NE(std::string::npos, log[0].find("99:1:0:0:0:2:2:8002:0:0:0:0"));
    EXPECT_NE(std::string::npos, log[1].find("ERROR! Unknown mobile: 153"));
    EXPECT_EQ(1, num_mobiles);
}

TEST_F(BattleMessages, VanishedAndRemovedShips) {
    Own(SUBMARINE, 1);
    Add(DESTROYER, 2, 0, 0, 0);
    Add(DESTROYER, 3, 0, 0, 0);
    PacketUpdate("2:4:0:0:0:2:2:8002:0:0:0:0");
    PacketUpdate("3:3:0:0:0:2:2:8002:0:0:0:0");
    std::vector<std::string> lines = ChatLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("** Ship2 (Capt2) has vanished **", lines[0]);
    EXPECT_EQ(3, num_mobiles) << "removed at the next step";
    ProcessMobiles();
    EXPECT_EQ(2, num_mobiles) << "the entry moved into the freed slot waits a step";
    ProcessMobiles();
    EXPECT_EQ(1, num_mobiles);
    PacketUpdate("1:7:0:0:0:2:2:8002:0:0:0:0");
    EXPECT_EQ(LOC_BATTLE, location) << "other kinds do nothing";
    PacketUpdate("1:4:0:0:0:2:2:8002:0:0:0:0");
    EXPECT_EQ(LOC_LOBBY, location) << "the own ship gone ends the battle";
    EXPECT_EQ(nullptr, mobile);
}

TEST_F(BattleMessages, OwnShipRemovedEndsTheBattle) {
    Own(SUBMARINE, 1);
    PacketUpdate("1:3:0:0:0:2:2:8002:0:0:0:0");
    EXPECT_EQ(LOC_LOBBY, location);
    PacketUpdate("1:1:0:0:0:2:2:8002:0:0:0:0"); // no lists: an unknown mobile, no harm
}

TEST_F(BattleMessages, NewShipsDronesArrivalsAndTheOwnShip) {
    if (!Shapes()) GTEST_SKIP() << "shape data not generated";
    Join(0x1f);
    PacketNewShip("2:Ahab:dd1:Pequod:22:0:1:0:0:0:0:0:0:100:64:0:c8");
    Mobile *early = FindMobileID(0x22);
    ASSERT_NE(nullptr, early);
    EXPECT_EQ(ST_INUSE, early->status);
    EXPECT_EQ(DESTROYER, MobileClass(early));
    EXPECT_EQ(COUNTRY_NORTHLAND, early->country);
    EXPECT_STREQ("Pequod", early->ship_name);
    EXPECT_EQ(100, early->x);
    EXPECT_EQ(200, early->z);
    EXPECT_EQ(LOC_LOBBY, location);
    PacketNewShip("3:Nemo:sub:Nautilus:1f:0:0:0:0:0:0:0:0:0:0:0:0");
    EXPECT_EQ(LOC_BATTLE, location);
    ASSERT_NE(nullptr, player_mobile);
    EXPECT_EQ(0x1f, player_mobile->id);
    EXPECT_EQ(SUBMARINE, my_ship_type);
    EXPECT_EQ(1, OutwardRecordCount("OpenStations(" + std::to_string(SUBMARINE) + ")"));
    PacketNewShip("0:DRONE:tk:Tanker:30:0:2:0:0:0:0:0:0:0:0:0:0");
    EXPECT_TRUE(FindMobileID(0x30)->status & ST_DRONE);
    PacketNewShip("1:Bligh:cv:Bounty:31:0:0:0:0:0:0:0:0:0:0:0:0");
    PacketNewShip("1:Bligh:cv:Bounty:31:0:0:0:0:0:0:0:0:0:0:0:0"); // told twice: one ship
    PacketNewShip("4:X:x:Nothing:32:0:0:0:0:0:0:0:0:0:0:0:0");     // the dummy row: no ship
    PacketNewShip("9:X:x:Bad:33:0:0:0:0:0:0:0:0:0:0:0:0");         // no such server type
    std::vector<std::string> lines = ChatLines();
    ASSERT_EQ(1u, lines.size()) << "no arrival line for early ships or drones";
    EXPECT_EQ("** Bounty (Bligh) has arrived in your area **", lines[0]);
    EXPECT_EQ(4, num_mobiles);
}

TEST_F(BattleMessages, NewShipBeforeJoiningIsIgnored) {
    PacketNewShip("3:Nemo:sub:Nautilus:1f:0:0:0:0:0:0:0:0:0:0:0:0");
    EXPECT_EQ(nullptr, mobile);
    EXPECT_EQ(LOC_LOBBY, location);
}

TEST_F(BattleMessages, ShipTypeFillsOnlyRowsOfTheTable) {
    PacketShipType("3:2710:0:0:4e20:9c40:ffffffce:0:0:0:32:3e8:0:0:0:0:1388:fa0:5dc:0:bb8:1f40");
    ShipTypeEntry *t = &ShipType[3];
    EXPECT_EQ(1.0, t->speed_table[0]);
    EXPECT_EQ(4.0, t->speed_table[4]);
    EXPECT_EQ(-0.005, t->turn_table[0]);
    EXPECT_EQ(0.005, t->turn_table[4]);
    EXPECT_EQ(0.1, t->drag);
    EXPECT_EQ(0.5, t->dive_table[4]);
    EXPECT_EQ(4000, t->gun_range);
    EXPECT_EQ(1500, t->gun_reload);
    EXPECT_EQ(0, t->spare);
    EXPECT_EQ(3000, t->dc_reload);
    EXPECT_EQ(0.8, t->submerged);
    EXPECT_STREQ("MERCHANT", t->name) << "the built-in columns stay";
    ShipTypeEntry before = ShipType[9];
    PacketShipType("a:2710");
    PacketShipType("ffffffff:2710");
    EXPECT_EQ(0, memcmp(&before, &ShipType[9], sizeof(before)));
    EXPECT_EQ(2, CountLog("outside the table ignored"));
    PacketShipType("9:2710");
    EXPECT_EQ(1.0, ShipType[9].speed_table[0]);
}

// Ships the server places at the corners of the 32-bit world: what is reported, drawn and
// heard beside them stays at the edge instead of wrapping to the far side.
TEST_F(BattleMessages, SinkingsAndHitsAtTheWorldsEdgeStayThere) {
    Own(DESTROYER, 1, 0, 0, 0);
    Add(MERCHANT, 0x30, 0, 0, 0);
    Add(MERCHANT, 0x31, 0, 0, 0);
    PacketUpdate("30:0:0:0:0:0:0:8000:0:7fffffff:0:80000000");
    PacketUpdate("31:0:0:0:0:0:0:8000:0:80000000:0:7fffffff");
    PacketWeapon("1:30:6:0:0:0:0"); // a gun hit on it
    PacketWeapon("77:30:2:0:0:0:0");
    PacketWeapon("77:31:2:0:0:0:0");
    std::vector<std::string> lines = ChatLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("** Ship48 (Capt48) sunk by unknown at (2147483,-2147483) **", lines[0]);
    EXPECT_EQ("** Ship49 (Capt49) sunk by unknown at (-2147483,2147483) **", lines[1]);
    if (!Shapes()) GTEST_SKIP() << "shape data not generated";
    ASSERT_EQ(41, num_sprites);
    for (int i = 1; i < 21; i++) {
        EXPECT_GE(sprite[i].x, INT32_MAX - 50);
        EXPECT_LE(sprite[i].z, INT32_MIN + 50);
    }
    for (int i = 21; i < 41; i++) {
        EXPECT_LE(sprite[i].x, INT32_MIN + 50);
        EXPECT_GE(sprite[i].z, INT32_MAX - 50);
    }
}

TEST_F(BattleMessages, ExtremeFixesAndVelocitiesNeverWrapTheWorld) {
    Own(SUBMARINE, 1, 0, 0, 0);
    Mobile *m = Add(DESTROYER, 0x22, 0, 0, 0, 0, false);
    // Full ahead east and south at the largest velocity a line can carry, from the corner.
    PacketUpdate("22:0:7fffffff:7fffffff:80000000:4:4:ffff:4000:7ffffff0:ffffffff:80000010");
    for (int i = 0; i < 50; i++) {
        PlatformTestAdvanceTicks(100);
        ProcessMobiles();
        ASSERT_EQ(m, FindMobileID(0x22));
        EXPECT_EQ(INT32_MAX, m->x);
        EXPECT_EQ(INT32_MIN, m->z);
        EXPECT_GE(m->y, 0);
        EXPECT_LE(m->y, 250);
    }
    // A depth charge and a torpedo hit from the opposite corner are out of hearing.
    PacketWeapon("2:2:3:64:0:80000000:7fffffff");
    PacketWeapon("40:22:1:0:0:80000000:7fffffff");
    EXPECT_EQ(0, Sounds(SFX_DEPTHC));
    EXPECT_EQ(0, Sounds(SFX_TPHIT));
}

TEST_F(BattleMessages, RadioLinesWithAndWithoutASender) {
    Own(SUBMARINE, 1);
    Add(DESTROYER, 7, 0, 0, 0);
    PacketRadio("7:hello:there");
    PacketRadio("99:who am I");
    PacketRadio("nonsense");
    std::vector<std::string> lines = ChatLines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("Ship7 (Capt7): hello:there", lines[0]);
    EXPECT_EQ("who am I", lines[1]) << "a sender outside the area is shown without a name";
    EXPECT_EQ("", lines[2]);
}

TEST_F(BattleMessages, RadioAndLaunchSenders) {
    Own(SUBMARINE, 0x1f, 1000, 0, -500, 0x4000);
    SendRadioPacket("hello all", 0);
    SendRadioPacket("two\nlines", 2);
    int32_t position[3] = {1000, 0, -500};
    uint16_t angles[3] = {0, 0x4100, 0};
    SendTorpedoLaunchPacket(position, angles);
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("29:0:hello all", lines[0]);
    EXPECT_EQ("29:2:two lines", lines[1]) << "a line break must not start a second packet";
    EXPECT_EQ("13:ffffffff:1f:0:0:4100:3e8:fffffe0c", lines[2]);
    std::string longest(400, 'x');
    SendRadioPacket(longest.c_str(), 1);
    std::string sent = Sent();
    EXPECT_EQ(255u, sent.size()) << "254 characters and the line feed";
    EXPECT_EQ('\n', sent.back());
}

TEST_F(BattleMessages, TorpedoLaunchCreatesTheTorpedo) {
    if (!Shapes()) GTEST_SKIP() << "shape data not generated";
    Own(SUBMARINE, 0x1f);
    time_t now = time(nullptr);
    PacketWeapon("2a:1f:0:0:4000:3e8:fffffe0c");
    Mobile *t = FindMobileID(0x2a);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(TORPEDO, MobileClass(t));
    EXPECT_EQ(2, t->y);
    EXPECT_EQ(1000, t->x);
    EXPECT_EQ(-500, t->z);
    EXPECT_EQ(0x4000, t->heading);
    EXPECT_EQ(4, t->engine);
    EXPECT_EQ(0x1f, t->owner);
    EXPECT_TRUE(t->status & ST_ACTIVE);
    EXPECT_TRUE(t->status & ST_EXPIRES);
    EXPECT_NEAR((double)(now + 120), (double)t->expire_time, 1.0);
}

TEST_F(BattleMessages, WeaponsNeedTheOwnShip) {
    Join(1);
    Add(DESTROYER, 2, 0, 0, 0);
    PacketWeapon("2:2:2:0:0:0:0");
    PacketWeapon("2a:1f:0:0:4000:3e8:fffffe0c");
    EXPECT_EQ(1, num_mobiles);
    EXPECT_FALSE(mobile[0].status & ST_DEAD);
}

TEST_F(BattleMessages, TorpedoHitOnTheOwnShipAndOnAnother) {
    Own(SUBMARINE, 1);
    Mobile *t = Add(TORPEDO, 0x40, 0, 2, 0);
    outward_record.hit_tick = 0;
    uint32_t before = GetTickCount();
    PacketWeapon("40:1:1:0:0:64:64");
    EXPECT_LE(before, outward_record.hit_tick);
    EXPECT_GE(GetTickCount(), outward_record.hit_tick);
    EXPECT_TRUE(t->status & ST_DEAD);
    EXPECT_EQ(1, CountLog("TP_HIT: I've been hit!!!"));
    EXPECT_EQ(1, Sounds(SFX_TPHIT));
    outward_record.hit_tick = 0;
    PacketWeapon("41:2:1:0:0:64:64");
    EXPECT_EQ(0u, outward_record.hit_tick);
    EXPECT_EQ(1, CountLog("TP_HIT: 65 -> 2"));
    if (Shapes()) {
        EXPECT_EQ(2, num_sprites);
        EXPECT_EQ(TP_HIT, sprite[0].tag);
    }
}

TEST_F(BattleMessages, SunkShipIsReportedAndHeardBySurfaceOrDepth) {
    Own(SUBMARINE, 1, 0, 0, 0);
    Add(DESTROYER, 2, 0, 0, 0);
    Add(MERCHANT, 3, 3000, 0, 0);
    Add(MERCHANT, 4, 3000, 0, 0);
    PacketWeapon("2:3:2:0:0:0:0");
    EXPECT_EQ(1, Sounds(SFX_SHIPEXP));
    SetMobilePosition(player_mobile, 0, 30, 0, 0, 0, 0);
    PacketWeapon("77:4:2:0:0:0:0"); // sinker unknown to this client
    EXPECT_EQ(1, Sounds(SFX_SUBEXP));
    PacketWeapon("2:99:2:0:0:0:0"); // victim unknown: nothing more
    std::vector<std::string> lines = ChatLines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("** Ship3 (Capt3) sunk by Capt2 at (3,0) **", lines[0]);
    EXPECT_EQ("** Ship4 (Capt4) sunk by unknown at (3,0) **", lines[1]);
    EXPECT_EQ(3, CountLog("WP_SUNK: Ship"));
}

TEST_F(BattleMessages, DepthChargeLaunchIsHeardWithin2000) {
    Own(SUBMARINE, 1, 0, 50, 0);
    PacketWeapon("2:2:3:64:0:7cf:0");
    PacketWeapon("2:2:3:64:0:7d0:0");
    std::vector<std::string> lines = ChatLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("Hydrophones: depth charges launched!", lines[0]);
    EXPECT_EQ(1, Sounds(SFX_DEPTHC));
}

TEST_F(BattleMessages, DepthChargeHitAndMissBySurfaceOrDepth) {
    bool shapes = Shapes();
    Own(SUBMARINE, 1, 0, 20, 0);
    PacketWeapon("2:1:4:0:0:0:0");
    EXPECT_EQ(2, Sounds(SFX_DCUNDER) + Sounds(SFX_TPHIT));
    EXPECT_NE(0u, outward_record.hit_tick);
    PacketWeapon("2:1:7:0:0:0:0");
    EXPECT_EQ(2, Sounds(SFX_DCUNDER));
    EXPECT_EQ(0, num_sprites) << "no picture at depth 20";
    SetMobilePosition(player_mobile, 0, 0, 0, 0, 0, 0);
    PacketWeapon("2:1:7:0:0:0:0");
    EXPECT_EQ(1, Sounds(SFX_SPLASH));
    EXPECT_EQ(2, Sounds(SFX_DCUNDER));
    if (shapes) {
        ASSERT_EQ(1, num_sprites);
        EXPECT_EQ(DC_MISS, sprite[0].tag);
    }
}

TEST_F(BattleMessages, GunHitAndMiss) {
    bool shapes = Shapes();
    Own(DESTROYER, 1, 0, 0, 0);
    Add(MERCHANT, 2, 1000, 0, 0);
    outward_record.hit_tick = 0;
    PacketWeapon("1:2:6:0:0:0:0");
    EXPECT_EQ(1, Sounds(SFX_TPHIT));
    EXPECT_EQ(0u, outward_record.hit_tick);
    PacketWeapon("2:1:6:0:0:0:0");
    EXPECT_NE(0u, outward_record.hit_tick);
    PacketWeapon("1:55:6:0:0:0:0");
    EXPECT_EQ(1, CountLog("GUN_HIT on unknown mobile"));
    PacketWeapon("1:2:9:0:0:3e8:0");
    PacketWeapon("1:55:9:0:0:3e8:0");
    EXPECT_EQ(2, Sounds(SFX_SPLASH));
    EXPECT_EQ(1, CountLog("GUN_MISS on unknown mobile"));
    if (shapes) {
        EXPECT_EQ(3, num_sprites);
        EXPECT_EQ(GUN_MISS, sprite[2].tag);
        EXPECT_EQ(1000, sprite[2].x);
    }
    int before = (int)LogLines().size();
    PacketWeapon("1:2:5:0:0:0:0");
    PacketWeapon("1:2:8:0:0:0:0");
    PacketWeapon("1:2:ff:0:0:0:0");
    EXPECT_EQ(before, (int)LogLines().size()) << "gun fire and unknown kinds do nothing";
}

} // namespace
