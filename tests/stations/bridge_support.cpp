// bridge_support.cpp -- a stepped clock for the bridge, gun and depth-charge station tests
#include "tests/stations/bridge_support.h"

#include "platform/platform_test.h"
#include "stations/bridge.h"
#include "stations/dc.h"
#include "stations/gun.h"

static DWORD fake_now;

static DWORD FakeTicks(void) {
    return fake_now;
}

void FakeClockOn() {
    fake_now = GetTickCount();
    bridge_ticks = gun_ticks = dc_ticks = FakeTicks;
}

void FakeClockOff() {
    bridge_ticks = gun_ticks = dc_ticks = GetTickCount;
}

void FakeClockAdvance(uint32_t ms) {
    fake_now += ms;
    PlatformTestAdvanceTicks(ms);
}

uint32_t FakeClockNow() {
    return fake_now;
}

#include <cmath>
#include <cstdio>

#include "common/motion.h"
#include "sim/mobile.h"
#include "sim/move.h"

Mobile *SceneShip(int32_t type, int32_t id, int32_t range, uint16_t bearing, uint16_t heading,
                  int32_t country, const char *name) {
    if (!player_mobile) return nullptr;
    Mobile *m = NewMobile(type);
    if (!m) return nullptr;
    double a = bearing * (2 * M_PI / 65536.0);
    int32_t x = player_mobile->x + (int32_t)lround(range * sin(a));
    int32_t z = player_mobile->z + (int32_t)lround(range * cos(a));
    m->id = id;
    m->status |= ST_INUSE | ST_ACTIVE;
    m->country = country;
    m->contact = CT_VIEW | CT_PLOT;
    snprintf(m->ship_name, sizeof m->ship_name, "%s", name);
    snprintf(m->captain, sizeof m->captain, "Capt %s", name);
    SetMobilePosition(m, x, 0, z, 0, heading, 0);
    m->bearing = AngleFrom(x, z, player_mobile->x, player_mobile->z);
    m->range = Range(player_mobile->x, player_mobile->z, x, z);
    return m;
}
