// telegrph.h -- the engine telegraph: five lever pictures; a click on the dial orders the engines
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

extern HWND hwndTelegraph;
extern int32_t telegraph_shown; // the engine order on the window; kept from battle to battle
extern int32_t telegraph_cx;    // half the client width: the lever's pivot is at (telegraph_cx, 0)

STATION_OPERATIONS(Telegraph);
// TelegraphRegister ... TelegraphHide: the operations every station has (station.h).
void TelegraphUpdate();
// Shows the own ship's engine order (every main-loop step).
void TelegraphResize(HWND window, int32_t width, int32_t height);
// Fixed size: nothing to do.
void TelegraphClick(int32_t x, int32_t y);
// A left click at client position (x, y): orders the engines by the dial sector.
int32_t TelegraphOrder(uint16_t angle);
// The engine order 0 (full astern) to 4 (full ahead) of a click whose bearing from the pivot is
// `angle` (AngleFrom(telegraph_cx, 0, x, y)).
