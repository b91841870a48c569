// plan.h -- the status map: one fixed picture in a wide window in the middle of the screen
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

extern HWND hwndPlan;

STATION_OPERATIONS(Plan);
// PlanRegister ... PlanHide: the operations every station has (station.h); PlanHide always
// reconfigures the menu.
void PlanUpdate();
// Nothing moves on the status map.
void PlanResize(HWND window, int32_t width, int32_t height);
// Fixed size: nothing to do.
