// map.h -- the map table: a plan of the sea around the own ship; a click sets a waypoint
#pragma once

#include <cstdint>

#include "platform/platform.h"

extern HWND hwndMap;
extern int32_t map_scale;                // world units across the chart; twice the range of MapZoom
extern int32_t map_redraw;               // the next update redraws at once
extern int32_t map_chart_w, map_chart_h; // the chart in pixels as last laid out or drawn

enum {
    MAP_BUTTON_RADAR = 104,
    MAP_BUTTON_VISUAL = 101,
    MAP_BUTTON_PERI = 102,
    MAP_BUTTON_SONAR = 103
};

void MapRegister();
// Registers "MapChild" (light yellow background).
void MapOpen(HWND parent);
// Creates the map table at its saved place and size (default: bottom right, square chart).
LRESULT CALLBACK MapProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The window procedure.
void MapCreate(HWND window);
// Makes the chart's drawing resources.
void MapDestroy();
// Releases them and saves position and size; hwndMap becomes null.
void MapResize(HWND window, int32_t width, int32_t height);
// Lays out the chart for a new client size.
void MapUpdate();
// The paced redraw (every main-loop step).
int32_t MapVisible();
// Non-zero while shown.
void MapShow();
// Shows the map table.
void MapHide();
// Hides the map table.
void MapZoom(int32_t range);
// Sets the chart's half-width to `range` world units (shown at the next redraw).
void MapClick(int32_t x, int32_t y);
// A left click at client position (x, y): sets a waypoint there.
void MapProject(int32_t x, int32_t z, int32_t *sx, int32_t *sy);
// The chart point of the world point (x, z): the own ship at the centre, north up, both axes at
// map_chart_w pixels to map_scale units.
