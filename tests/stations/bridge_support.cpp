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
