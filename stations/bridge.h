// bridge.h -- the bridge view: the sea through binoculars or periscope, drawn by the 3D engine
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

extern HWND hwndBridge;
extern int32_t observer_status;     // bit 1: periscope raised; bit 2: binoculars in use
extern int32_t observer_use;        // the optic chosen last: 1 periscope, 2 binoculars
extern uint32_t hit_time;           // tick of the last hit on the own ship (0 = none)
extern int32_t bridge_zoom;         // magnification 0, 1 or 2
extern int32_t bridge_turn;         // turn request for the next frame: -1, 0, +1
extern DWORD (*bridge_ticks)(void); // the view's clock (GetTickCount; tests may step it)
extern int32_t bridge_mode;         // this frame's view: 0 binoculars, 1 periscope, -1 nothing

STATION_OPERATIONS(Bridge);
// BridgeRegister ... BridgeHide: the operations every station has (station.h).
void BridgeUpdate();
// One frame of the view (every main-loop step).
void BridgeResize(HWND window, int32_t width, int32_t height);
// Fixed size: nothing to do.
void BridgeZoom(int32_t delta);
// Changes the magnification by delta, kept within 0 to 2.
void BridgeRotate(int32_t direction);
// Asks the next frame to turn the view left (-1) or right (+1).
void BridgeClear(COLORREF colour);
// Fills the view with a solid colour (while the optics change).
void BridgeShowHit();
// Stretches the hit overlay over the view.
void Draw3D();
// Places the camera and draws the mobiles, scenery and sprites into the memory screen.
void SetupCamera();
// Puts the camera on the own ship (50 units up, or 5 below the surface for the periscope),
// looking along heading + view, with the zoom's perspective.
void DrawShipID();
// Names the seen ship nearest the line of sight; while the right button is held, aims the gun
// at the seen ship nearest the mouse (within 50 pixels).
int32_t DeltaAngle(uint16_t a, uint16_t b);
// The signed difference b - a of two angles, the short way round.
