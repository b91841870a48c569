// compass_test.cpp -- the compass: title, needles, redraw threshold, course clicks
#include <gtest/gtest.h>

#include "sim/mobile.h"
#include "stations/compass.h"
#include "tests/stations/inst_support.h"

namespace {

const COLORREF RED = RGB(242, 13, 8);

class CompassTest : public InstFixture {};

std::string Title(HWND w) {
    char text[96] = {};
    GetWindowText(w, text, sizeof text);
    return text;
}

TEST_F(CompassTest, TitleShowsHeadingAndCourseWithLatin1Signs) {
    Mobile *m = Own(SUBMARINE, 0, 0, 0, 0x4000);
    CompassUpdate();
    EXPECT_EQ(Title(hwndCompass), "Compass. hdg.90\xB0.");
    m->ordered_heading = 0xFFFF; // the reciprocal of a course just short of south
    m->status |= ST_STEER;
    CompassUpdate();
    EXPECT_EQ(Title(hwndCompass), "Compass. hdg.90\xB0 \xBB 179\xB0.");
}

TEST_F(CompassTest, RedHalfOfNeedlePointsTheHeading) {
    Own(DESTROYER, 0, 0, 0, 0x4000);
    CompassUpdate();
    // On a 179-pixel card the pivot lies at (94, 86) and the head 35 pixels to the right.
    EXPECT_TRUE(Near(hwndCompass, 120, 86, RED));
    EXPECT_FALSE(Near(hwndCompass, 68, 86, RED));
    player_mobile->heading = 0x8000;
    CompassUpdate();
    EXPECT_FALSE(Near(hwndCompass, 120, 86, RED));
    EXPECT_TRUE(Near(hwndCompass, 94, 115, RED, 2));
}

TEST_F(CompassTest, HeadingChangesBelowSixteenUnitsAreNotDrawn) {
    Mobile *m = Own(DESTROYER, 0, 0, 0, 0x4000);
    CompassUpdate();
    Poke(hwndCompass, 5, 5, RGB(1, 2, 3));
    m->heading = 0x400F;
    CompassUpdate();
    EXPECT_EQ(Pixel(hwndCompass, 5, 5), RGB(1, 2, 3));
    EXPECT_EQ(compass_heading_shown, 0x4000);
    m->heading = 0x4010;
    CompassUpdate();
    EXPECT_NE(Pixel(hwndCompass, 5, 5), RGB(1, 2, 3));
    EXPECT_EQ(compass_heading_shown, 0x4010);
}

TEST_F(CompassTest, ClickAboveCentreOrdersNorthAndSteers) {
    Mobile *m = Own(DESTROYER, 0, 0, 0, 0x4000);
    m->status |= ST_GOTO;
    m->steer_sense = 1;
    Click(hwndCompass, compass_cx, 10);
    EXPECT_EQ(m->ordered_heading, 0x7FFF);
    EXPECT_TRUE(m->status & ST_STEER);
    EXPECT_FALSE(m->status & ST_GOTO);
    EXPECT_EQ(m->steer_sense, 0);
    CompassUpdate();
    EXPECT_EQ(Title(hwndCompass), "Compass. hdg.90\xB0 \xBB 360\xB0.");
    // Below the centre is south: the reciprocal is north, 1.
    Click(hwndCompass, compass_cx, compass_height - 5);
    EXPECT_EQ(m->ordered_heading, 1);
}

TEST_F(CompassTest, RightClickCentresRudderButKeepsWaypoint) {
    Mobile *m = Own(DESTROYER, 0, 0, 0, 5);
    m->helm = 4;
    m->status |= ST_STEER | ST_GOTO;
    CompassUpdate();
    Poke(hwndCompass, 5, 5, RGB(1, 2, 3));
    Click(hwndCompass, 40, 40, 1);
    EXPECT_FALSE(m->status & ST_STEER);
    EXPECT_TRUE(m->status & ST_GOTO);
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], 0), 8);
    EXPECT_EQ(Field(lines[0], 7), 2); // helm
    // The ordered course goes from the card even at a heading below 16.
    CompassUpdate();
    EXPECT_NE(Pixel(hwndCompass, 5, 5), RGB(1, 2, 3));
}

} // namespace
