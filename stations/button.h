// button.h -- the submarine's orders panel: binoculars, periscope and crash-dive buttons
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

extern HWND hwndButton;
extern int32_t binoc_state; // 0 unavailable, 1 off, 2 on; -1 before the first update
extern int32_t peri_state;  // 0 unavailable, 1 down, 2 raised
extern int32_t dive_state;  // 0 off, 1 crash dive under way

STATION_OPERATIONS(Button);
// ButtonRegister ... ButtonHide: the operations every station has (station.h).
void ButtonResize(HWND window, int32_t width, int32_t height);
// Fixed size: nothing to do.
void ButtonClick(int32_t x, int32_t y);
// A click at (x, y), or with x = -1 a press of button y (0 binoculars, 1 periscope, 2 dive).
void ButtonUpdate();
// Follows the boat's depth and crash-dive state (every main-loop step).
void ButtonPaint(HDC dc);
// Draws the three buttons.
