// inst_support.h -- a headless battle for the instrument station tests: the real frame and
// stations, the lines sent to the server, the sounds played, and the windows' pixels
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sim/mobile.h"

class InstFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Takes command of a new ship of class `type`: the battle starts and its stations open.
    Mobile *Own(int32_t type, int32_t x = 0, int32_t y = 0, int32_t z = 0, uint16_t heading = 0);
    // Another ship in the mobile list, without a shape.
    Mobile *Add(int32_t type, int32_t id, int32_t x, int32_t z, int32_t country,
                uint16_t heading = 0, uint8_t contact = CT_PLOT);
    // A weapon-event sprite in the sprite list, without a shape.
    void AddSprite(int32_t tag, int32_t x, int32_t z);

    // A real mouse button press and release at client point (x, y) of the window (0 left, 1 right).
    void Click(HWND window, int x, int y, int button = 0);

    // The lines sent to the server since the last call.
    std::vector<std::string> SentLines();
    // Field `index` (hex) of a line "n:f1:f2:...", field 0 being the packet number.
    static int64_t Field(const std::string &line, int index);
    // How often sound `index` was played since the fixture began or the last ClearLog.
    int Sounds(int index);
    void ClearLog();

    // A client pixel of the window's surface.
    static COLORREF Pixel(HWND window, int x, int y);
    // Whether some pixel within `radius` of (x, y) has colour c.
    static bool Near(HWND window, int x, int y, COLORREF c, int radius = 1);
    // Paints one pixel, so a test can see whether a later update draws over it.
    static void Poke(HWND window, int x, int y, COLORREF c);
    // Pixels of the client rectangle (x, y, w, h) that differ from bitmap "gfx\name" stretched
    // there.
    static int Differ(HWND window, const char *name, int x, int y, int w, int h);
    // Writes the composed screen to <name>.png beside the test program when INST_SHOTS is set.
    static void Shot(const char *name);

    int screen_width_ = 800, screen_height_ = 600; // the screen SetUp makes
    int peer_ = -1;
    char log_name_[40] = {};
    int32_t next_id_ = 100;
};
