// gun.h -- the deck gun: its states, its target and the fire order button
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

struct Mobile;

enum {
    GUN_LOADING = 0,
    GUN_READY = 1,
    GUN_FIRING = 2,
    GUN_STOWED = 3,
    GUN_STOWING = 4,
    GUN_UNSTOWING = 5,
};
enum { GUN_BUTTON = 101 };

extern HWND hwndGun;
extern int32_t gun_status;       // GUN_LOADING ... GUN_UNSTOWING
extern Mobile *gun_target;       // the ship the gun is aimed at, or null
extern int32_t fire_order;       // 0 hold ("Commence fire"), 1 fire ("Cease fire"), 2 "Submerged"
extern uint32_t gun_timer;       // tick at which the current state's wait ends, or 0xFFFFFFFF
extern DWORD (*gun_ticks)(void); // the gun's clock (GetTickCount; tests may step it)
extern int32_t range_class; // the target's range this update: 0 none, 1 close ... 4 out of range

STATION_OPERATIONS(Gun);
// GunRegister ... GunHide: the operations every station has (station.h).
void GunClick(int32_t x, int32_t y);
// A click in the window outside the button: nothing.
void GunUpdate(HDC dc, int32_t force);
// One step of the gun and its display; dc null uses the window's own; force redraws all lines.
void GunSetTarget(Mobile *mobile);
// Aims the gun at mobile (null: no target, fire is held).
void GunStow(int32_t stow);
// Non-zero: stow the gun (diving). Zero: unstow it when the ship is on the surface.
int32_t GunRangeClass(int32_t gun_range, int32_t range);
// The class of a target at `range` for a gun reaching `gun_range`: 1 close, 2 medium, 3 long,
// 4 out of range.
