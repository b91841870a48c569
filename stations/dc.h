// dc.h -- the depth charges: five depth buttons and the reload status
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

enum { DC_BUTTONS = 5, DC_FIRST_BUTTON = 101 };

extern HWND hwndDC;
extern uint32_t dc_launch_time; // tick of the last drop (or of the window's creation)
extern DWORD (*dc_ticks)(void); // the reload clock (GetTickCount; tests may step it)
extern int32_t dc_ready;        // 0 reloading ("Loading"), 1 "Ready"

STATION_OPERATIONS(DC);
// DCRegister ... DCHide: the operations every station has (station.h).
void DCClick(int32_t x, int32_t y);
// A click outside the buttons: nothing.
void DCLaunch(int32_t depth);
// Drops one charge set to explode at `depth` and starts the reload.
void DCEnableFire();
// Enables the five buttons.
void DCDisableFire();
// Disables the five buttons.
void DCUpdate(HDC dc, int32_t force);
// The reload check and the status line; dc null uses the window's own; force redraws.
