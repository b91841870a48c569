// tubes_test.cpp -- the torpedo tubes: arcs, firing, the crew's reload, lamps and dial
#include <gtest/gtest.h>

#include "media/sfx.h"
#include "platform/platform_test.h"
#include "sim/battle.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "stations/tubes.h"
#include "tests/stations/inst_support.h"

namespace {

int32_t fake_now = 1000;
int32_t FakeClock() {
    return fake_now;
}

class TubesTest : public InstFixture {
  protected:
    void SetUp() override {
        InstFixture::SetUp();
        fake_now = 1000;
        tubes_clock = FakeClock;
        crew_tube = -1;
        crew_time = -1;
    }
    void TearDown() override {
        InstFixture::TearDown();
        crew_tube = -1;
        crew_time = -1;
    }
    int Loaded() {
        int n = 0;
        for (int i = 0; i < TUBES_COUNT; i++)
            n += tube_status[i];
        return n;
    }
};

TEST_F(TubesTest, ArcEdges) {
    EXPECT_TRUE(TubesArcContains(SUBMARINE, 0));
    EXPECT_TRUE(TubesArcContains(SUBMARINE, 2730));
    EXPECT_FALSE(TubesArcContains(SUBMARINE, 2731));
    EXPECT_FALSE(TubesArcContains(SUBMARINE, 62805));
    EXPECT_TRUE(TubesArcContains(SUBMARINE, 62806));
    EXPECT_FALSE(TubesArcContains(SUBMARINE, 16384));
    for (int32_t type : {DESTROYER, CORVETTE}) {
        EXPECT_FALSE(TubesArcContains(type, 0));
        EXPECT_FALSE(TubesArcContains(type, 13654));
        EXPECT_TRUE(TubesArcContains(type, 13655));
        EXPECT_TRUE(TubesArcContains(type, 16384));
        EXPECT_TRUE(TubesArcContains(type, 19113));
        EXPECT_FALSE(TubesArcContains(type, 19114));
        EXPECT_FALSE(TubesArcContains(type, 46422));
        EXPECT_TRUE(TubesArcContains(type, 49152));
        EXPECT_FALSE(TubesArcContains(type, 51882));
    }
}

TEST_F(TubesTest, FourShotsThenNothing) {
    Mobile *m = Own(SUBMARINE, 500, 15, -700, 0x1000);
    EXPECT_EQ(Loaded(), 4);
    RECT r;
    GetClientRect(hwndTubes, &r);
    for (int shot = 0; shot < 4; shot++) {
        // Where the click lands does not matter.
        Click(hwndTubes, shot * 30, shot * 10);
        EXPECT_EQ(tube_status[shot], 0);
        EXPECT_EQ(Loaded(), 3 - shot);
    }
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(lines.size(), 4u);
    for (const std::string &l : lines) {
        EXPECT_EQ(Field(l, 0), 13);
        EXPECT_EQ(Field(l, 1), 0xffffffff); // the server gives the torpedo its ID
        EXPECT_EQ(Field(l, 2), m->id);
        EXPECT_EQ(Field(l, 3), 0); // TP_LAUNCH
        EXPECT_EQ(Field(l, 5), 0x1000);
        EXPECT_EQ(Field(l, 6), 500);
        EXPECT_EQ(Field(l, 7), (uint32_t)-700);
    }
    EXPECT_EQ(Sounds(SFX_TORP), 4);
    Click(hwndTubes, 5, 5);
    EXPECT_TRUE(SentLines().empty());
}

TEST_F(TubesTest, RefusesTooDeepOrOutsideTheArc) {
    Mobile *m = Own(SUBMARINE, 0, 16);
    TubesClick(0, 0);
    EXPECT_EQ(Loaded(), 4);
    m->y = 15;
    m->view = 2731;
    TubesClick(0, 0);
    EXPECT_EQ(Loaded(), 4);
    m->view = 2730;
    TubesClick(0, 0);
    EXPECT_EQ(Loaded(), 3);
    EXPECT_EQ(SentLines().size(), 1u);
}

TEST_F(TubesTest, TorpedoRunsWhereThePlayerLooks) {
    Mobile *m = Own(DESTROYER, 0, 0, 0, 49152);
    TubesClick(0, 0); // dead ahead: no beam tube bears
    EXPECT_TRUE(SentLines().empty());
    m->view = 16384;
    TubesClick(0, 0);
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], 5), 0); // west plus the starboard beam is north
}

TEST_F(TubesTest, OneManCrewReloadsLowestFirstInThirtyOneSeconds) {
    Own(SUBMARINE);
    TubesClick(0, 0);
    TubesClick(0, 0);
    TubesUpdate();
    EXPECT_EQ(crew_tube, 0);
    EXPECT_EQ(crew_time, 1000);
    fake_now = 1030;
    TubesUpdate();
    EXPECT_EQ(tube_status[0], 0);
    fake_now = 1031;
    TubesUpdate();
    EXPECT_EQ(tube_status[0], 1);
    EXPECT_EQ(crew_tube, -1);
    TubesUpdate(); // the next empty tube is started a step later
    EXPECT_EQ(crew_tube, 1);
    EXPECT_EQ(crew_time, 1031);
    // The crew goes on without the window, and across a reset.
    EndGame();
    TubesReset();
    fake_now = 1062;
    TubesUpdate();
    EXPECT_EQ(tube_status[1], 1);
}

TEST_F(TubesTest, LampsShowLoadedAndEmpty) {
    Own(SUBMARINE);
    PlatformTestPump();
    int L = 800 * 25 / 800, m = 5;
    EXPECT_EQ(Differ(hwndTubes, "glight1.bmp", m, m, L, L), 0);
    EXPECT_EQ(Differ(hwndTubes, "rlight0.bmp", m, 10 + L, L, L), 0);
    TubesClick(0, 0);
    TubesUpdate();
    EXPECT_EQ(Differ(hwndTubes, "glight0.bmp", m, m, L, L), 0);
    EXPECT_EQ(Differ(hwndTubes, "rlight1.bmp", m, 10 + L, L, L), 0);
    EXPECT_EQ(Differ(hwndTubes, "glight1.bmp", m + (m + L), m, L, L), 0);
}

TEST_F(TubesTest, DialPointerFollowsTheViewByWholeSteps) {
    Mobile *p = Own(DESTROYER);
    RECT r;
    GetClientRect(hwndTubes, &r);
    int cx = r.right - 34, cy = 33;
    const COLORREF WHITE = RGB(255, 255, 255);
    TubesUpdate();
    // The out-of-arc dial, under a pointer of 15 pixels.
    EXPECT_LE(Differ(hwndTubes, "dtparc0.bmp", r.right - 63, 0, 59, 66), 16);
    EXPECT_EQ(Pixel(hwndTubes, cx, cy - 8), WHITE);
    p->view = 0x4000;
    TubesUpdate();
    EXPECT_EQ(Pixel(hwndTubes, cx + 8, cy), WHITE);
    EXPECT_NE(Pixel(hwndTubes, cx, cy - 8), WHITE);
    EXPECT_LE(Differ(hwndTubes, "dtparc1.bmp", r.right - 63, 0, 59, 66), 16);
    // Less than 1/256 of the circle: the dial is left alone.
    Poke(hwndTubes, cx - 10, cy + 10, RGB(1, 2, 3));
    p->view = 0x40FF;
    TubesUpdate();
    EXPECT_EQ(Pixel(hwndTubes, cx - 10, cy + 10), RGB(1, 2, 3));
    p->view = 0x4100;
    TubesUpdate();
    EXPECT_NE(Pixel(hwndTubes, cx - 10, cy + 10), RGB(1, 2, 3));
}

} // namespace
