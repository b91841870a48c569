// compass.h -- the compass: heading needle, view line and ordered course; a click orders a course
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

extern HWND hwndCompass;
extern int32_t compass_heading_shown;         // the heading last drawn; spoiled to force a redraw
extern int32_t compass_cx, compass_cy;        // the card centre in client pixels
extern int32_t compass_width, compass_height; // the client size the card is stretched over

STATION_OPERATIONS(Compass);
// CompassRegister ... CompassHide: the operations every station has (station.h).
void CompassUpdate();
// Brings the needle and the title up to date (every main-loop step).
void CompassResize(HWND window, int32_t width, int32_t height);
// Fixed size: nothing to do.
void CompassClick(int32_t x, int32_t y);
// A left click on the card at client position (x, y): orders that course.
void CompassRedraw();
// Makes the next update redraw (the ordered course changed).
