// dc_test.cpp -- the depth charges: button row layout, drops, reload
#include <gtest/gtest.h>

#include "platform/platform_test.h"
#include "shell/shell.h"
#include "sim/mobile.h"
#include "stations/dc.h"
#include "tests/stations/bridge_support.h"
#include "tests/stations/inst_support.h"

namespace {

class DCTest : public InstFixture {
  protected:
    void SetUp() override {
        InstFixture::SetUp();
        FakeClockOn();
        DCShow();
    }
    void TearDown() override {
        FakeClockOff();
        InstFixture::TearDown();
    }
    static bool Enabled() {
        for (int i = 0; i < DC_BUTTONS; i++)
            if (!IsWindowEnabled(GetDlgItem(hwndDC, DC_FIRST_BUTTON + i))) return false;
        return true;
    }
    static bool Disabled() {
        for (int i = 0; i < DC_BUTTONS; i++)
            if (IsWindowEnabled(GetDlgItem(hwndDC, DC_FIRST_BUTTON + i))) return false;
        return true;
    }
};

TEST_F(DCTest, LastButtonTakesTheRemainderOf301Pixels) {
    HWND w = CreateWindowEx(0, "DCChild", "", WS_CHILD | WS_VISIBLE, 0, 0, 301, 80, hwndApp, NULL,
                            NULL, NULL);
    ASSERT_TRUE(w);
    const int x[5] = {0, 60, 120, 180, 240}, width[5] = {59, 59, 59, 59, 60};
    for (int i = 0; i < DC_BUTTONS; i++) {
        HWND b = GetDlgItem(w, DC_FIRST_BUTTON + i);
        ASSERT_TRUE(b);
        RECT r;
        GetWindowRect(b, &r);
        POINT p = {r.left, r.top};
        ScreenToClient(w, &p);
        EXPECT_EQ(p.x, x[i]) << i;
        EXPECT_EQ(r.right - r.left, width[i]) << i;
        char text[8] = {};
        GetWindowText(b, text, sizeof text);
        EXPECT_EQ(atoi(text), (i + 1) * 50);
    }
    DestroyWindow(w);
}

TEST_F(DCTest, ReloadCountsFromCreationAndFromEachDrop) {
    Mobile *own = Own(DESTROYER);
    own->type->dc_reload = 5000;
    ASSERT_TRUE(hwndDC);
    DCUpdate(NULL, 0);
    EXPECT_EQ(dc_ready, 0);
    EXPECT_TRUE(Disabled());
    FakeClockAdvance(5000);
    DCUpdate(NULL, 0);
    EXPECT_EQ(dc_ready, 1);
    EXPECT_TRUE(Enabled());

    SendMessage(hwndDC, WM_COMMAND, DC_FIRST_BUTTON + 2, 0); // "150"
    std::vector<std::string> sent = SentLines();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Field(sent[0], 0), 13);
    EXPECT_EQ(Field(sent[0], 4), 150) << sent[0];
    DCUpdate(NULL, 0);
    EXPECT_EQ(dc_ready, 0);
    EXPECT_TRUE(Disabled());
    FakeClockAdvance(4999);
    DCUpdate(NULL, 0);
    EXPECT_EQ(dc_ready, 0);
    FakeClockAdvance(1);
    DCUpdate(NULL, 0);
    EXPECT_EQ(dc_ready, 1);

    // Hidden, nothing changes; shown after the reload it is Ready at once.
    SendMessage(hwndDC, WM_COMMAND, DC_FIRST_BUTTON + 4, 0);
    DCHide();
    FakeClockAdvance(6000);
    DCUpdate(NULL, 0);
    EXPECT_TRUE(Enabled());
    DCShow();
    DCUpdate(NULL, 0);
    EXPECT_EQ(dc_ready, 1);

    own->type->dc_reload = 0;
    SendMessage(hwndDC, WM_COMMAND, DC_FIRST_BUTTON, 0);
    DCUpdate(NULL, 0);
    EXPECT_EQ(dc_ready, 1);
}

} // namespace
