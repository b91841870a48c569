// button.h -- the submarine's orders panel: binoculars, periscope and crash-dive buttons
#pragma once

#include <cstdint>

#include "platform/platform.h"

extern HWND hwndButton;
extern int32_t binoc_state; // 0 unavailable, 1 off, 2 on; -1 before the first update
extern int32_t peri_state;  // 0 unavailable, 1 down, 2 raised
extern int32_t dive_state;  // 0 off, 1 crash dive under way

void ButtonRegister();
// Registers "ButtonChild".
void ButtonOpen(HWND parent);
// Creates the orders panel at its saved place (default: left edge, a third of the way down).
LRESULT CALLBACK ButtonProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The window procedure.
void ButtonCreate(HWND window);
// Reads the eight button pictures.
void ButtonDestroy();
// Saves the position and frees the pictures; hwndButton becomes null.
void ButtonResize(HWND window, int32_t width, int32_t height);
// Fixed size: nothing to do.
int32_t ButtonVisible();
// Non-zero while shown.
void ButtonShow();
// Shows the panel.
void ButtonHide();
// Hides the panel.
void ButtonClick(int32_t x, int32_t y);
// A click at (x, y), or with x = -1 a press of button y (0 binoculars, 1 periscope, 2 dive).
void ButtonUpdate();
// Follows the boat's depth and crash-dive state (every main-loop step).
void ButtonPaint(HDC dc);
// Draws the three buttons.
