// e2e_captain.h -- a captain's hands for end-to-end tests: the bridge view turned by mouse and
// keys, courses on the compass, depths on the gauge, waypoints on the map table, and leads
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "sim/mobile.h"

// The bridge's client rectangle on the screen.
RECT BridgeOnScreen();
// A few turns of the game's loop, so an injected event and what it causes are handled.
void Settle();
// How far the bridge's line of sight is from `want` (16-bit world angle), signed.
int16_t ViewError(uint16_t want);
// Drags the view with the left button until it looks along `want`, as a player does.
void DragTo(uint16_t want);
// Holds the arrow keys until the view is within `slack` of `want`.
void KeysTo(uint16_t want, int slack);
// A left click on the compass card in the direction of `course`.
void CompassSteer(uint16_t course);
// A left click on the depth gauge where it orders `depth`; false when no point of the dial does.
bool GaugeOrder(int32_t depth);
// A click on one of the map table's range buttons (MAP_BUTTON_*).
void MapButtonClick(int id);
// A left click on the map table at a world position: sets the waypoint there.
bool MapClickAt(double x, double z);
// A right click on the map table: cancels the waypoint.
void MapCancel();
// A click on the orders panel's button `n` (0 binoculars, 1 periscope, 2 crash dive).
void OrdersClick(int n);
// The bearing of a world point from the own ship.
uint16_t Bearing(double x, double z);
// A ship the captain sees and has on the chart.
bool Seen(const Mobile *m);
// The bearing to fire on at a target moving with (vx, vz) units a second, torpedo running at
// `speed`, the lead scaled by `share` (1: the whole lead).
uint16_t LeadBearing(const Mobile *target, double vx, double vz, double speed, double share = 1);
