// e2e_captain.cpp -- a captain's hands for end-to-end tests: the view, the compass, the depth
// gauge, the map table and the orders panel worked by injected mouse and keys
#include "tests/e2e/e2e_captain.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "platform/platform_test.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "stations/bridge.h"
#include "stations/button.h"
#include "stations/compass.h"
#include "stations/depth.h"
#include "stations/map.h"
#include "tests/e2e/e2e_client.h"

// The bridge's client rectangle on the screen.
RECT BridgeOnScreen() {
    RECT r;
    GetClientRect(hwndBridge, &r);
    POINT p = {0, 0};
    ClientToScreen(hwndBridge, &p);
    return {p.x, p.y, p.x + r.right, p.y + r.bottom};
}

// The game's loop takes one message a turn: a few turns let an injected event and what it
// causes be handled before the picture is judged.
void Settle() {
    for (int i = 0; i < 30; i++)
        Pump();
}

int16_t ViewError(uint16_t want) {
    return (int16_t)(uint16_t)(want - (uint16_t)(player_mobile->heading + player_mobile->view));
}

// Drags the view with the left button until it looks along `want` (16-bit world angle), as a
// player does: the picture follows the mouse, 16 units of angle a pixel.
void DragTo(uint16_t want) {
    RECT b = BridgeOnScreen();
    int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
    for (int round = 0; round < 8 && std::abs(ViewError(want)) >= 16; round++) {
        int dx = -ViewError(want) / 16;
        dx = std::max(-(cx - b.left - 10), std::min(b.right - 10 - cx, dx));
        PlatformTestMouseMove(cx, cy);
        PlatformTestMouseButton(cx, cy, 0, TRUE);
        Settle();
        for (int step = 1; step <= 4; step++) {
            PlatformTestMouseMove(cx + dx * step / 4, cy);
            Settle();
        }
        PlatformTestMouseButton(cx + dx, cy, 0, FALSE);
        Settle();
    }
}

// Holds an arrow key until the view is within `slack` of `want`; the turn speeds up while held,
// so a long way is taken in short presses.
void KeysTo(uint16_t want, int slack) {
    for (int press = 0; press < 40 && std::abs(ViewError(want)) > slack; press++) {
        int16_t before = ViewError(want);
        int key = before > 0 ? VK_RIGHT : VK_LEFT;
        PlatformTestKey(key, TRUE);
        auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1500)) {
            Pump();
            int16_t now = ViewError(want);
            // Stop at the mark, or as soon as it is passed.
            if (std::abs(now) <= slack || (now > 0) != (before > 0)) break;
        }
        PlatformTestKey(key, FALSE);
        Settle();
    }
}

// A left click on the compass card in the direction of `course`, as a player orders a course.
void CompassSteer(uint16_t course) {
    double a = course * 2 * M_PI / 65536.0, r = 0.3;
    POINT p = {compass_cx + (LONG)std::lround(std::sin(a) * r * compass_width),
               compass_cy - (LONG)std::lround(std::cos(a) * r * compass_height)};
    ClientToScreen(hwndCompass, &p);
    PlatformTestClick(p.x, p.y);
    Settle();
}

uint16_t Bearing(double x, double z) {
    double a = std::atan2(x - player_mobile->x, z - player_mobile->z);
    return (uint16_t)(int32_t)std::lround(a * 65536.0 / (2 * M_PI));
}

bool Seen(const Mobile *m) {
    return m && !(m->status & ST_DEAD) && (m->contact & (CT_VIEW | CT_PLOT)) == (CT_VIEW | CT_PLOT);
}

bool GaugeOrder(int32_t depth) {
    RECT r;
    GetClientRect(hwndDepth, &r);
    for (int32_t y = 0; y < r.bottom; y++)
        for (int32_t x = 0; x < r.right; x++)
            if (DepthFromClick(x, y) == depth) {
                POINT p = {x, y};
                ClientToScreen(hwndDepth, &p);
                PlatformTestClick(p.x, p.y);
                Settle();
                return true;
            }
    return false;
}

void MapButtonClick(int id) {
    HWND b = GetDlgItem(hwndMap, id);
    RECT r;
    GetClientRect(b, &r);
    POINT p = {r.right / 2, r.bottom / 2};
    ClientToScreen(b, &p);
    PlatformTestClick(p.x, p.y);
    Settle();
}

bool MapClickAt(double x, double z) {
    int32_t sx, sy;
    MapProject((int32_t)x, (int32_t)z, &sx, &sy);
    RECT r;
    GetClientRect(hwndMap, &r);
    if (sx <= 0 || sy <= 0 || sx >= r.right || sy >= r.bottom) return false;
    POINT p = {sx, sy};
    ClientToScreen(hwndMap, &p);
    PlatformTestClick(p.x, p.y);
    Settle();
    return true;
}

void MapCancel() {
    RECT r;
    GetClientRect(hwndMap, &r);
    POINT p = {r.right / 2, r.bottom / 3};
    ClientToScreen(hwndMap, &p);
    PlatformTestClick(p.x, p.y, 1);
    Settle();
}

void OrdersClick(int n) {
    // The panel's three pictures stand side by side, each a button wide.
    int32_t w = screen_w * 53 / 800;
    POINT p = {1 + n * w + w / 2, w / 2};
    ClientToScreen(hwndButton, &p);
    PlatformTestClick(p.x, p.y);
    Settle();
}

uint16_t LeadBearing(const Mobile *target, double vx, double vz, double speed, double share) {
    double tx = target->x, tz = target->z;
    for (int i = 0; i < 6; i++) {
        double s = std::hypot(tx - player_mobile->x, tz - player_mobile->z) / speed;
        tx = target->x + vx * s * share;
        tz = target->z + vz * s * share;
    }
    return Bearing(tx, tz);
}
