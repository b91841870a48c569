// depth.h -- the submarine's depth gauge: depth and ordered depth; a click orders a depth
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

extern HWND hwndDepth;
extern int32_t depth_shown;        // the depth last drawn; spoiled to force a redraw
extern int32_t depth_cx, depth_cy; // the dial centre in client pixels
extern int32_t depth_w, depth_h;   // the client size the dial is stretched over

STATION_OPERATIONS(Depth);
// DepthRegister ... DepthHide: the operations every station has (station.h).
void DepthUpdate();
// Brings the needles and the title up to date (every main-loop step).
void DepthResize(HWND window, int32_t width, int32_t height);
// Fixed size: nothing to do.
void DepthClick(int32_t x, int32_t y);
// A left click on the dial at client position (x, y): orders that depth.
int32_t DepthDialEntry(int64_t depth);
// The circle-table entry the needle for `depth` metres points along (149 at 0 m, 106 at 250 m).
int32_t DepthFromClick(int32_t x, int32_t y);
// The depth a click at client position (x, y) orders; 0 in the dead arc below the dial.
