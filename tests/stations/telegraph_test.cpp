// telegraph_test.cpp -- the engine telegraph: dial sectors, bell, rudder, lever pictures
#include <gtest/gtest.h>

#include "media/sfx.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/telegrph.h"
#include "tests/stations/inst_support.h"

namespace {

class TelegraphTest : public InstFixture {};

TEST_F(TelegraphTest, SectorEdges) {
    const struct {
        uint16_t angle;
        int32_t order;
    } cases[] = {{0x4000, 0}, {22936, 0}, {22937, 1}, {29473, 1}, {29474, 2}, {0x7FFF, 2},
                 {36042, 2},  {36043, 3}, {42595, 3}, {42596, 4}, {0xC000, 4}};
    for (const auto &c : cases)
        EXPECT_EQ(TelegraphOrder(c.angle), c.order) << c.angle;
}

TEST_F(TelegraphTest, ClicksOrderEnginesByTheirSector) {
    Mobile *m = Own(CORVETTE);
    RECT r;
    GetClientRect(hwndTelegraph, &r);
    const struct {
        int x, y;
        int32_t order;
    } cases[] = {{telegraph_cx, 60, 2}, {0, 0, 0}, {(int)r.right - 1, 0, 4}, {telegraph_cx, 90, 2}};
    m->engine = 3;
    for (const auto &c : cases) {
        Click(hwndTelegraph, c.x, c.y);
        EXPECT_EQ(m->engine, c.order) << c.x << "," << c.y;
    }
    // One line for each change (3 -> 2 -> 0 -> 4 -> 2); the bell rang at every click.
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Field(lines[1], 6), 0);
    EXPECT_EQ(Sounds(SFX_DINGDING), 4);
}

TEST_F(TelegraphTest, LeftClickCentresRudderAndCancelsWaypoint) {
    Mobile *m = Own(CORVETTE);
    m->helm = 0;
    m->status |= ST_GOTO | ST_STEER;
    Click(hwndTelegraph, telegraph_cx, 60); // stop, as it already is
    EXPECT_EQ(m->helm, 2);
    EXPECT_FALSE(m->status & ST_GOTO);
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], 7), 2);
}

TEST_F(TelegraphTest, RightClickStopsWithoutBell) {
    Mobile *m = Own(CORVETTE);
    m->engine = 4;
    ClearLog();
    Click(hwndTelegraph, 10, 10, 1);
    EXPECT_EQ(m->engine, 2);
    EXPECT_EQ(Sounds(SFX_DINGDING), 0);
}

TEST_F(TelegraphTest, ShowsThePictureOfTheEngineOrder) {
    Mobile *m = Own(CORVETTE);
    RECT r;
    GetClientRect(hwndTelegraph, &r);
    EXPECT_EQ(telegraph_shown, 2);
    EXPECT_EQ(Differ(hwndTelegraph, "tele2.bmp", 0, 0, r.right, r.bottom), 0);
    m->engine = 4;
    TelegraphUpdate();
    EXPECT_EQ(telegraph_shown, 4);
    EXPECT_EQ(Differ(hwndTelegraph, "tele4.bmp", 0, 0, r.right, r.bottom), 0);
    // The order shown carries over to the next battle, whose first update redraws it.
    EndGame();
    m = Own(CORVETTE);
    EXPECT_EQ(telegraph_shown, 4);
    TelegraphUpdate();
    EXPECT_EQ(telegraph_shown, 2);
    EXPECT_EQ(Differ(hwndTelegraph, "tele2.bmp", 0, 0, r.right, r.bottom), 0);
}

} // namespace
