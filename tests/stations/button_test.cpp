// button_test.cpp -- the orders panel: click geometry, optics by depth, crash dive, redraws
#include <gtest/gtest.h>

#include "media/sfx.h"
#include "platform/platform_test.h"
#include "shell/shell.h"
#include "sim/mobile.h"
#include "stations/bridge.h"
#include "stations/button.h"
#include "tests/stations/inst_support.h"

namespace {

class ButtonTest : public InstFixture {
  protected:
    void SetUp() override {
        InstFixture::SetUp();
        ButtonShow();
        observer_status = 2;
    }
    void TearDown() override {
        observer_status = 2;
        InstFixture::TearDown();
    }
};

TEST_F(ButtonTest, ClickColumnsAt800Pixels) {
    Own(SUBMARINE);
    ASSERT_TRUE(hwndButton);
    ButtonUpdate();
    // Binoculars 1..53, periscope 54..106, dive 107..159.
    const struct { int x, bits; } cases[] = {{1, 2}, {53, 2}, {54, 1}, {106, 1}};
    for (auto c : cases) {
        int32_t before = observer_status;
        ButtonClick(c.x, 10);
        EXPECT_EQ(observer_status ^ before, c.bits) << c.x;
        ButtonUpdate();
    }
    EXPECT_EQ(observer_use, 1);
    ButtonClick(170, 10); // right of the three buttons
    EXPECT_EQ(dive_state, 0);
    Click(hwndButton, 107, 10);
    EXPECT_EQ(dive_state, 1);
    EXPECT_TRUE(player_mobile->contact & CT_CRASHDIVE);
    // The picture of each button sits at its column.
    ButtonUpdate();
    EXPECT_EQ(Differ(hwndButton, "dive1.bmp", 107, 1, 50, 50), 0);
}

TEST_F(ButtonTest, PeriscopeSoundOnlyWhenRaised) {
    Own(SUBMARINE);
    ButtonUpdate();
    ClearLog();
    ButtonClick(-1, 1);
    EXPECT_EQ(observer_status, 3);
    EXPECT_EQ(Sounds(SFX_PERI), 1);
    ButtonClick(-1, 1);
    EXPECT_EQ(observer_status, 2);
    EXPECT_EQ(Sounds(SFX_PERI), 1);
}

TEST_F(ButtonTest, OpticsFollowDepth) {
    Mobile *own = Own(SUBMARINE);
    ButtonUpdate();
    EXPECT_EQ(binoc_state, 2);
    EXPECT_EQ(peri_state, 1);
    own->y = 10;
    ButtonUpdate();
    EXPECT_EQ(observer_status & 2, 0);
    EXPECT_EQ(binoc_state, 0);
    EXPECT_EQ(peri_state, 1);
    ButtonClick(-1, 0); // unavailable: nothing
    EXPECT_EQ(observer_status, 0);
    ButtonClick(-1, 1);
    ButtonUpdate();
    EXPECT_EQ(peri_state, 2);
    own->y = 15;
    ButtonUpdate();
    EXPECT_EQ(peri_state, 2);
    own->y = 16;
    ButtonUpdate();
    EXPECT_EQ(peri_state, 0);
    EXPECT_EQ(observer_status, 0);
    own->y = 0;
    ButtonUpdate();
    EXPECT_EQ(binoc_state, 1);
    EXPECT_EQ(peri_state, 1);
}

TEST_F(ButtonTest, DKeyTogglesCrashDiveAndPanelRepaintsOnlyOnChange) {
    Own(SUBMARINE);
    ButtonUpdate();
    Poke(hwndButton, 2, 2, RGB(1, 2, 3));
    ButtonUpdate();
    EXPECT_EQ(Pixel(hwndButton, 2, 2), RGB(1, 2, 3));
    HandleKeyEvent('D'); // the main loop's shortcut on key release
    EXPECT_EQ(dive_state, 1);
    ButtonUpdate();
    EXPECT_NE(Pixel(hwndButton, 2, 2), RGB(1, 2, 3));
    EXPECT_EQ(Differ(hwndButton, "dive1.bmp", 107, 1, 50, 50), 0);
    HandleKeyEvent('D');
    EXPECT_EQ(dive_state, 0);
    EXPECT_FALSE(player_mobile->contact & CT_CRASHDIVE);
    ButtonUpdate();
    EXPECT_EQ(Differ(hwndButton, "dive0.bmp", 107, 1, 50, 50), 0);
}

} // namespace
