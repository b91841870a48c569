// tubes.h -- the torpedo tubes: four tubes with their lamps, the firing arc dial, reloading
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

enum { TUBES_COUNT = 4, TUBES_HALF_ARC = 2730 };

extern HWND hwndTubes;
extern int32_t tube_status[TUBES_COUNT]; // 1 loaded, 0 empty; tube 0 on the left
extern int32_t crew_tube;                // the tube being reloaded, or -1
extern int32_t crew_time;                // calendar second the reload began, or -1
extern int32_t tubes_redraw;             // the lamps are redrawn at the next update
extern int32_t tubes_last_view;          // the view at the last redraw of the dial
extern int32_t (*tubes_clock)();         // the calendar clock in seconds the crew works by

STATION_OPERATIONS(Tubes);
// TubesRegister ... TubesHide: the operations every station has (station.h).
void TubesResize(HWND window, int32_t width, int32_t height);
// Fixed size: nothing to do.
void TubesReset();
// Empties all four tubes (start of a battle, before the window is made).
int32_t TubesInArc();
// 1 when the player's view lies in the tubes' firing arc (bow for a submarine, beams otherwise).
int32_t TubesArcContains(int32_t type_id, uint16_t view);
// The same test for a ship class and a view angle.
void TubesClick(int32_t x, int32_t y);
// The fire command (x and y are not used).
void TubesUpdate();
// The reload clock and the redraw (every main-loop step).
void TubesPaint(HDC dc, int32_t draw_tubes, int32_t draw_arc);
// Draws the lamps and/or the dial.
