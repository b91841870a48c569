// map.h -- the map table: a plan of the sea around the own ship; a click sets a waypoint
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

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

STATION_OPERATIONS(Map);
// MapRegister ... MapHide: the operations every station has (station.h).
void MapResize(HWND window, int32_t width, int32_t height);
// Lays out the chart for a new client size.
void MapUpdate();
// The paced redraw (every main-loop step).
void MapZoom(int32_t range);
// Sets the chart's half-width to `range` world units (shown at the next redraw).
void MapClick(int32_t x, int32_t y);
// A left click at client position (x, y): sets a waypoint there.
void MapProject(int32_t x, int32_t z, int32_t *sx, int32_t *sy);
// The chart point of the world point (x, z): the own ship at the centre, north up, both axes at
// map_chart_w pixels to map_scale units.
