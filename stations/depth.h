// depth.h -- the submarine's depth gauge: depth and ordered depth; a click orders a depth
#pragma once

#include <cstdint>

#include "platform/platform.h"

extern HWND hwndDepth;
extern int32_t depth_shown; // the depth last drawn; spoiled to force a redraw

void DepthRegister();
// Registers "DepthChild".
void DepthOpen(HWND parent);
// Creates the gauge at its saved place (default: right edge, below the compass).
LRESULT CALLBACK DepthProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The window procedure.
void DepthCreate(HWND window);
// Reads the dial "depthg.bmp".
void DepthDestroy();
// Frees the dial and saves the position; hwndDepth becomes null.
void DepthUpdate();
// Brings the needles and the title up to date (every main-loop step).
void DepthResize(HWND window, int32_t width, int32_t height);
// Fixed size: nothing to do.
int32_t DepthVisible();
// Non-zero while shown.
void DepthShow();
// Shows the gauge.
void DepthHide();
// Hides the gauge.
void DepthClick(int32_t x, int32_t y);
// A left click on the dial at client position (x, y): orders that depth.
