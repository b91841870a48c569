// mobile_test.cpp -- the mobile list: creation, lookup, removal order, references, sprites
#include "tests/support/battle_fixture.h"

#include <ctime>

namespace {

class MobileTest : public BattleFixture {};

TEST_F(MobileTest, RemovalCopiesTheLastEntryAndLooksAtItNextStep) {
    Own(SUBMARINE, 1);
    for (int i = 2; i <= 5; i++)
        Add(MERCHANT, i, 100000 * i, 0, 0);
    ASSERT_EQ(5, num_mobiles);
    mobile[3].status |= ST_DEAD; // id 4
    mobile[4].status |= ST_DEAD; // id 5, moved into slot 3 this step
    ProcessMobiles();
    ASSERT_EQ(4, num_mobiles);
    EXPECT_EQ(5, mobile[3].id) << "the last entry takes the removed one's slot";
    ProcessMobiles();
    EXPECT_EQ(3, num_mobiles) << "the moved entry is removed in the next step";
    EXPECT_EQ(nullptr, FindMobileID(5));
    EXPECT_EQ(nullptr, FindMobileID(4));
}

TEST_F(MobileTest, ReferencesFollowAMovedEntry) {
    Join(1);
    Add(MERCHANT, 9, 5000, 0, 0);
    Own(DESTROYER, 1, 0, 0, 0); // slot 1
    Add(MERCHANT, 8, 6000, 0, 0);
    Add(MERCHANT, 7, 7000, 0, 0); // slot 3
    outward_record.gun_target = &mobile[3];
    Mobile *tracked = &mobile[3];
    MobileTrackReference(&tracked);
    mobile[0].status |= ST_DEAD; // ship 9 goes, ship 7 moves into slot 0
    ProcessMobiles();
    ASSERT_EQ(3, num_mobiles);
    EXPECT_EQ(&mobile[0], outward_record.gun_target);
    EXPECT_EQ(7, outward_record.gun_target->id);
    EXPECT_EQ(&mobile[0], tracked);
    EXPECT_EQ(1, player_mobile->id);
    mobile[2].status |= ST_DEAD; // ship 8, the last entry: nothing moves
    mobile[0].status |= ST_DEAD; // ship 7: the own ship moves into slot 0
    ProcessMobiles();
    ProcessMobiles();
    ASSERT_EQ(1, num_mobiles);
    EXPECT_EQ(&mobile[0], player_mobile);
    EXPECT_EQ(1, player_mobile->id);
    EXPECT_EQ(nullptr, outward_record.gun_target) << "the gun's target was removed";
    EXPECT_EQ(nullptr, tracked);
    MobileUntrackReference(&tracked);
}

TEST_F(MobileTest, OwnShipMarkedDeadStaysUntilTheBattleEnds) {
    Own(SUBMARINE, 1);
    player_mobile->status |= ST_DEAD;
    ProcessMobiles();
    ASSERT_EQ(1, num_mobiles);
    EXPECT_EQ(&mobile[0], player_mobile);
}

TEST_F(MobileTest, TorpedoExpiresAfterItsTime) {
    Own(SUBMARINE, 1);
    Mobile *t = Add(TORPEDO, 0x2a, 50000, 2, 50000);
    t->owner = 7;
    ExpireMobile(t, (int32_t)time(nullptr) + 120);
    ProcessMobiles();
    EXPECT_NE(nullptr, FindMobileID(0x2a));
    FindMobileID(0x2a)->expire_time = (int32_t)time(nullptr) - 1;
    ProcessMobiles();
    EXPECT_EQ(nullptr, FindMobileID(0x2a));
}

TEST_F(MobileTest, FindMobileIDPrefersTheLowerIndex) {
    Join(1);
    Add(MERCHANT, 3, 0, 0, 0);
    Add(TANKER, 3, 0, 0, 0);
    EXPECT_EQ(&mobile[0], FindMobileID(3));
    EXPECT_EQ(nullptr, FindMobileID(4));
}

TEST_F(MobileTest, MissingShapeAddsNothing) {
    Join(1);
    Add(MERCHANT, 3, 0, 0, 0);
    const char *shape = ShipType[MERCHANT].shape;
    ShipType[MERCHANT].shape = "no-such-shape";
    EXPECT_EQ(nullptr, NewMobile(MERCHANT));
    ShipType[MERCHANT].shape = shape;
    EXPECT_EQ(1, num_mobiles);
    EXPECT_EQ(1, CountLog("NewMobile: Couldn't load shape: <no-such-shape>"));
    EXPECT_EQ(nullptr, NewMobile(DUMMY_TYPE)) << "the dummy row has no shape";
    EXPECT_EQ(nullptr, NewMobile(-1));
    EXPECT_EQ(nullptr, NewMobile(MAX_SHIP_TYPES));
}

TEST_F(MobileTest, NewMobileStartsInactiveWithNeutralOrders) {
    Join(1);
    Mobile *m = NewMobile(DESTROYER);
    if (!m) GTEST_SKIP() << "shape data not generated";
    EXPECT_EQ(ST_INUSE, m->status);
    EXPECT_EQ(0, m->contact);
    EXPECT_EQ(0, m->id) << "the list index until the creator sets the server's ID";
    EXPECT_EQ(2, m->helm);
    EXPECT_EQ(2, m->engine);
    EXPECT_EQ(0x8002, m->trim);
    EXPECT_EQ(&ShipType[DESTROYER], m->type);
    EXPECT_NE(nullptr, m->shape);
    EXPECT_EQ(1, num_mobiles);
}

TEST_F(MobileTest, FullListRefusesNewMobiles) {
    Join(1);
    for (int i = 0; i < MAX_MOBILES; i++)
        Add(MERCHANT, i, 0, 0, 0);
    EXPECT_EQ(nullptr, NewMobile(MERCHANT));
    EXPECT_EQ(MAX_MOBILES, num_mobiles);
}

TEST_F(MobileTest, BuiltInShipTypeRows) {
    EXPECT_STREQ("DESTROYER", ShipType[1].name);
    EXPECT_EQ(600, ShipType[1].length);
    EXPECT_EQ(60, ShipType[1].beam);
    EXPECT_STREQ("sub", ShipType[5].shape);
    EXPECT_EQ(0x2300, ShipType[6].render);
    for (int i = 0; i < MAX_SHIP_TYPES; i++)
        EXPECT_EQ(i, ShipType[i].type_id);
    EXPECT_STREQ("", ShipType[7].name);
    const int32_t want[] = {TANKER, CORVETTE, DESTROYER, SUBMARINE, DUMMY_TYPE, MERCHANT};
    for (int i = 0; i < NUM_HOST_TYPES; i++)
        EXPECT_EQ(want[i], host_type[i]);
}

TEST_F(MobileTest, SpriteFramesAndLifetime) {
    Own(SUBMARINE, 1);
    Sprite *s = NewSprite("explode", 10, 0, 20, 23, 12, 0);
    if (!s) GTEST_SKIP() << "shape data not generated";
    ASSERT_EQ(1, num_sprites);
    dddObject *shape = s->shape;
    dddClearObjects();
    InsertSpriteShapes();
    EXPECT_EQ(0, dddGetShapeFlags(shape));
    PlatformTestAdvanceTicks(1000);
    dddClearObjects();
    InsertSpriteShapes();
    EXPECT_EQ(12, dddGetShapeFlags(shape)) << "12 frames a second";
    PlatformTestAdvanceTicks(916); // 1916 ms: frame 22, the last
    dddClearObjects();
    InsertSpriteShapes();
    EXPECT_EQ(1, num_sprites);
    EXPECT_EQ(22, dddGetShapeFlags(shape));
    PlatformTestAdvanceTicks(1); // 1917 ms: frame 23 is past the end
    dddClearObjects();
    InsertSpriteShapes();
    EXPECT_EQ(0, num_sprites);
}

TEST_F(MobileTest, ExpiredSpriteIsReplacedByTheLastAndSkippedThisFrame) {
    Own(SUBMARINE, 1);
    Sprite *a = NewSprite("gunmiss", 0, 0, 0, 6, 3, 9);
    if (!a) GTEST_SKIP() << "shape data not generated";
    Sprite *b = NewSprite("explode", 0, 0, 0, 23, 12, 1);
    ASSERT_NE(nullptr, b);
    sprite[0].start -= 5000; // the first one is long over
    dddObject *moved = sprite[1].shape;
    dddSetShapeFlags(moved, 99);
    InsertSpriteShapes();
    ASSERT_EQ(1, num_sprites);
    EXPECT_EQ(1, sprite[0].tag);
    EXPECT_EQ(99, dddGetShapeFlags(moved)) << "the moved sprite waits for the next frame";
}

TEST_F(MobileTest, SpriteListIsLimited) {
    Own(SUBMARINE, 1);
    if (!NewSprite("explode", 0, 0, 0, 23, 12, 0)) GTEST_SKIP() << "shape data not generated";
    while (num_sprites < MAX_SPRITES)
        ASSERT_NE(nullptr, NewSprite("explode", 0, 0, 0, 23, 12, 0));
    EXPECT_EQ(nullptr, NewSprite("explode", 0, 0, 0, 23, 12, 0));
    EXPECT_EQ(nullptr, NewSprite("no-such-sprite", 0, 0, 0, 1, 1, 0));
}

TEST_F(MobileTest, ListsAreReleasedAndJoiningTwiceLeaksNothing) {
    int32_t before = num_mem_notes;
    Join(1);
    Join(2); // a second join without an end releases the first battle's lists
    EXPECT_EQ(before + 3, num_mem_notes);
    CloseMobiles();
    EXPECT_EQ(before, num_mem_notes);
    EXPECT_EQ(nullptr, mobile);
    EXPECT_EQ(0, num_mobiles);
    CloseMobiles(); // harmless twice
}

} // namespace
