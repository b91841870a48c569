// gun_test.cpp -- the deck gun: range classes, the firing cycle, the fire button, stowing
#include <gtest/gtest.h>

#include <string>

#include "platform/platform_test.h"
#include "sim/mobile.h"
#include "stations/gun.h"
#include "tests/stations/bridge_support.h"
#include "tests/stations/inst_support.h"

namespace {

class GunTest : public InstFixture {
  protected:
    void SetUp() override {
        InstFixture::SetUp();
        FakeClockOn();
        GunShow();
    }
    void TearDown() override {
        GunShow();
        FakeClockOff();
        InstFixture::TearDown();
    }
    Mobile *Armed(int32_t type) {
        Mobile *own = Own(type);
        own->type->gun_range = 400;
        own->type->gun_reload = 2000;
        return own;
    }
    Mobile *Target(int32_t range) {
        Mobile *t = Add(CORVETTE, 50, 0, range, 1, 0, CT_VIEW | CT_PLOT);
        t->range = range;
        return t;
    }
    static std::string Button() {
        char text[64] = {};
        GetWindowText(GetDlgItem(hwndGun, GUN_BUTTON), text, sizeof text);
        return text;
    }
    static void Press() { SendMessage(hwndGun, WM_COMMAND, GUN_BUTTON, 0); }
    // Steps the gun every 10 ms for `ms` and counts the shots sent to the server.
    int Run(uint32_t ms) {
        int shots = 0;
        for (uint32_t t = 0; t < ms; t += 10) {
            GunUpdate(NULL, 0);
            FakeClockAdvance(10);
            for (const std::string &line : SentLines())
                shots += Field(line, 0) != 0;
        }
        return shots;
    }
};

TEST_F(GunTest, RangeClassesAgainstGunRange400) {
    const struct {
        int32_t range, cls;
    } cases[] = {{99, 1}, {100, 2}, {299, 2}, {300, 3}, {399, 3}, {400, 4}};
    for (auto c : cases)
        EXPECT_EQ(GunRangeClass(400, c.range), c.cls) << c.range;
    Armed(DESTROYER);
    Mobile *t = Target(300);
    GunSetTarget(t);
    EXPECT_EQ(range_class, 3);
    // A target that leaves the bridge view is dropped.
    t->contact = CT_PLOT;
    GunUpdate(NULL, 0);
    EXPECT_EQ(range_class, 0);
    EXPECT_EQ(gun_target, nullptr);
}

TEST_F(GunTest, ButtonTogglesOnlyWithTargetAndFallsBackWhenTargetIsLost) {
    Armed(DESTROYER);
    EXPECT_EQ(Button(), "Commence fire");
    Press();
    GunUpdate(NULL, 0);
    EXPECT_EQ(fire_order, 0);
    EXPECT_EQ(Button(), "Commence fire");
    Mobile *t = Target(50);
    GunSetTarget(t);
    Press();
    EXPECT_EQ(Button(), "Cease fire");
    Press();
    EXPECT_EQ(Button(), "Commence fire");
    Press();
    t->contact = 0;
    GunUpdate(NULL, 0);
    EXPECT_EQ(fire_order, 0);
    EXPECT_EQ(Button(), "Commence fire");
}

TEST_F(GunTest, OneShotPerFiringCycle) {
    Armed(DESTROYER);
    GunSetTarget(Target(50));
    Press();
    // The first shot comes as soon as the Ready wait has passed, then one per cycle of Firing
    // (1000 ms), Loading (2000 ms) and Ready (1000 ms), plus the steps between them.
    EXPECT_EQ(Run(1100), 1);
    EXPECT_EQ(gun_status, GUN_FIRING);
    EXPECT_EQ(Run(1000), 0);
    EXPECT_EQ(gun_status, GUN_LOADING);
    EXPECT_EQ(Run(4 * 4060 - 1000), 4);
    // Out of range: the order stays but nothing is fired.
    gun_target->range = 400;
    EXPECT_EQ(Run(5000), 0);
    EXPECT_EQ(fire_order, 1);
}

TEST_F(GunTest, DiveStowsAndSurfaceUnstows) {
    Mobile *own = Armed(SUBMARINE);
    gun_status = GUN_LOADING;
    gun_timer = 0xFFFFFFFFu;
    own->y = 10;
    own->ordered_depth = 10;
    Run(20);
    EXPECT_EQ(gun_status, GUN_STOWING);
    EXPECT_EQ(Button(), "Submerged");
    Run(2010);
    EXPECT_EQ(gun_status, GUN_STOWED);
    own->y = 0; // surfaced, but a depth is still ordered
    Run(500);
    EXPECT_EQ(gun_status, GUN_STOWED);
    own->ordered_depth = 0;
    Run(10);
    EXPECT_EQ(gun_status, GUN_UNSTOWING);
    EXPECT_EQ(Button(), "Submerged");
    Run(2900);
    EXPECT_EQ(gun_status, GUN_UNSTOWING);
    Run(200);
    EXPECT_EQ(gun_status, GUN_LOADING);
    EXPECT_EQ(Button(), "Commence fire");
}

TEST_F(GunTest, HiddenWindowFreezesTheGun) {
    Armed(DESTROYER);
    gun_status = GUN_LOADING;
    gun_timer = 0xFFFFFFFFu;
    Run(10);
    GunHide();
    Run(5000);
    EXPECT_EQ(gun_status, GUN_LOADING);
    GunShow();
    Run(10);
    EXPECT_EQ(gun_status, GUN_READY);
}

} // namespace
