// bridge_support.h -- a stepped clock for the bridge, gun and depth-charge station tests
#pragma once

#include <cstdint>

// Gives the bridge view, the gun and the depth charges a clock that moves only when stepped,
// starting at the real tick count; FakeClockOff gives them the real one back.
void FakeClockOn();
void FakeClockOff();
// Steps the stations' clock (and the platform's, so both agree on elapsed time).
void FakeClockAdvance(uint32_t ms);
// The stations' clock now.
uint32_t FakeClockNow();

struct Mobile;
// A ship of class `type` with its shape, `range` units from the own ship at `bearing` (world
// angle), seen and plotted, named `name`, heading `heading`; null when it can't be made.
Mobile *SceneShip(int32_t type, int32_t id, int32_t range, uint16_t bearing, uint16_t heading,
                  int32_t country, const char *name);
