// engine_shapes_test.cpp -- every generated shape loaded and drawn by the game's 3D engine
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "tools/engine_view.h"
#include "tools/gen_io.h"

namespace {

std::string Data() {
    const char *d = std::getenv("KESTRUNE_DATA");
    return d ? d : "data";
}

class EngineShapes : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(EngineOpen(Data())); }
    void TearDown() override { EngineClose(); }
};

// The bridge's perspective at zoom 0 on an 800-pixel-wide screen.
const int32_t PERSPECTIVE = 800 / 20;

// Rows of the shot holding shape pixels, split at the row where the waterline projects.
void Rows(const EngineShot &shot, const EngineShot &empty, int waterline, int &above, int &below) {
    above = below = 0;
    for (int y = 0; y < shot.height; y++)
        for (int x = 0; x < shot.width; x++) {
            size_t i = size_t(y) * shot.width + x;
            if (shot.pixels[i] == empty.pixels[i]) continue;
            (y <= waterline ? above : below)++;
        }
}

TEST_F(EngineShapes, ShipsAreVisibleAndUprightFromEverySideAtTheirDistances) {
    EngineShot empty;
    ASSERT_TRUE(EngineDraw("dest", 0, true, 40000, 0, PERSPECTIVE, empty)); // beyond the cut-off
    EXPECT_EQ(empty.shape_pixels, 0);
    for (const char *ship : {"dest", "corv", "mrch", "tnkr", "sub"}) {
        SCOPED_TRACE(ship);
        for (int32_t dist : {1500, 6000, 12000, 25000}) {
            for (uint16_t heading : {0x0000, 0x2000, 0x4000, 0x6000, 0x8000, 0xC000}) {
                // Bow or stern on at long range a ship is a speck: look with the highest zoom.
                bool end_on = dist > 20000 && (heading == 0 || heading == 0x8000);
                int32_t persp = end_on ? 800 / 60 : PERSPECTIVE;
                EngineShot shot;
                ASSERT_TRUE(EngineDraw(ship, 0, true, dist, heading, persp, shot));
                EXPECT_EQ(shot.objects_drawn, 1);
                EXPECT_GE(shot.shape_pixels, dist > 20000 ? 1 : (dist > 10000 ? 4 : 12))
                    << dist << " " << heading;
                // The waterline lies 50 units below the camera: the ship stands above it.
                int waterline = shot.height / 2 + 50 * (25600 / persp) / dist + 1, above, below;
                Rows(shot, empty, waterline, above, below);
                EXPECT_GT(above, 4 * below) << dist << " " << heading;
            }
        }
    }
}

TEST_F(EngineShapes, LitShipsShowMoreThanOneShade) {
    for (const char *ship : {"dest", "corv", "mrch", "tnkr", "sub"}) {
        EngineShot empty, shot;
        ASSERT_TRUE(EngineDraw(ship, 0, true, 40000, 0x2000, PERSPECTIVE, empty));
        ASSERT_TRUE(EngineDraw(ship, 0, true, 6000, 0x2000, PERSPECTIVE, shot));
        std::set<uint8_t> colours;
        for (size_t i = 0; i < shot.pixels.size(); i++)
            if (shot.pixels[i] != empty.pixels[i]) colours.insert(shot.pixels[i]);
        EXPECT_GE(colours.size(), 3u) << ship;
    }
}

TEST_F(EngineShapes, TorpedoShowsNearby) {
    EngineShot shot;
    ASSERT_TRUE(EngineDraw("torp", 0, true, 600, 0x4000, PERSPECTIVE, shot));
    EXPECT_GT(shot.shape_pixels, 0);
}

TEST_F(EngineShapes, SpritesDrawEveryFrameAndNothingPastTheLast) {
    struct Sprite {
        const char *name;
        int frames;
    } sprites[] = {{"explode", 23}, {"dpthmiss", 12}, {"gunmiss", 6}};
    for (const Sprite &s : sprites) {
        SCOPED_TRACE(s.name);
        for (int f = 0; f < s.frames; f++) {
            EngineShot shot;
            ASSERT_TRUE(EngineDraw(s.name, f, false, 3000, 0, PERSPECTIVE, shot));
            EXPECT_GT(shot.shape_pixels, 0) << "frame " << f;
        }
        EngineShot past;
        ASSERT_TRUE(EngineDraw(s.name, s.frames, false, 3000, 0, PERSPECTIVE, past));
        EXPECT_EQ(past.shape_pixels, 0);
    }
    // An explosion can be made out from a few kilometres.
    EngineShot far;
    ASSERT_TRUE(EngineDraw("explode", 8, false, 12000, 0, PERSPECTIVE, far));
    EXPECT_GE(far.shape_pixels, 20);
}

TEST_F(EngineShapes, WritesItsRendersForLooking) {
    // One strip per shape, three angles each, for a person to look at (engine_shapes.png).
    const char *names[] = {"dest", "corv",    "mrch",     "tnkr",   "sub",
                           "torp", "explode", "dpthmiss", "gunmiss"};
    std::vector<uint8_t> col = GenReadFile(Data() + "/default.col");
    ASSERT_EQ(col.size(), 768u);
    const int W = 320 * 3, H = 200 * 9;
    std::vector<uint8_t> rgb(size_t(W) * H * 3, 0);
    for (int n = 0; n < 9; n++) {
        bool sprite = n >= 6;
        for (int a = 0; a < 3; a++) {
            EngineShot shot;
            int32_t dist = n == 5 ? 500 : (sprite ? 2500 : 2200);
            ASSERT_TRUE(EngineDraw(names[n], sprite ? a * 5 + 1 : 0, !sprite, dist,
                                   uint16_t(0x1C00 + a * 0x2800), PERSPECTIVE, shot));
            for (int y = 0; y < 200; y++)
                for (int x = 0; x < 320; x++) {
                    uint8_t i = shot.pixels[y * 320 + x];
                    uint8_t *d = &rgb[(size_t(n * 200 + y) * W + a * 320 + x) * 3];
                    d[0] = col[i * 3] * 4, d[1] = col[i * 3 + 1] * 4, d[2] = col[i * 3 + 2] * 4;
                }
        }
    }
    EXPECT_TRUE(GenWriteFile("engine_shapes.png", GenPng(W, H, rgb)));
}

} // namespace
