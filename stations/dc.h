// dc.h -- the depth charges: five depth buttons and the reload status
#pragma once

#include <cstdint>

#include "platform/platform.h"

enum { DC_BUTTONS = 5, DC_FIRST_BUTTON = 101 };

extern HWND hwndDC;
extern uint32_t dc_launch_time; // tick of the last drop (or of the window's creation)
extern DWORD (*dc_ticks)(void); // the reload clock (GetTickCount; tests may step it)
extern int32_t dc_ready;        // 0 reloading ("Loading"), 1 "Ready"

void DCRegister();
// Registers "DCChild".
void DCOpen(HWND parent);
// Creates the depth-charge window at its saved place (default: bottom right).
LRESULT CALLBACK DCProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The window procedure.
void DCCreate(HWND window);
// Makes the five depth buttons; the station starts loading.
void DCDestroy();
// Saves the position; hwndDC becomes null.
int32_t DCVisible();
// Non-zero while shown.
void DCShow();
// Shows the window.
void DCHide();
// Hides the window.
void DCClick(int32_t x, int32_t y);
// A click outside the buttons: nothing.
void DCLaunch(int32_t depth);
// Drops one charge set to explode at `depth` and starts the reload.
void DCEnableFire();
// Enables the five buttons.
void DCDisableFire();
// Disables the five buttons.
void DCUpdate(HDC dc, int32_t force);
// The reload check and the status line; dc null uses the window's own; force redraws.
