// plan.h -- the status map: one fixed picture in a wide window in the middle of the screen
#pragma once

#include <cstdint>

#include "platform/platform.h"

extern HWND hwndPlan;

void PlanRegister();
// Registers "PlanChild".
void PlanOpen(HWND parent);
// Creates the status map centred on the screen (it keeps no position).
LRESULT CALLBACK PlanProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The window procedure.
void PlanCreate(HWND window);
// Reads "plan.bmp".
void PlanDestroy();
// Frees the picture; hwndPlan becomes null.
void PlanUpdate();
// Nothing moves on the status map.
void PlanResize(HWND window, int32_t width, int32_t height);
// Fixed size: nothing to do.
int32_t PlanVisible();
// Non-zero while shown.
void PlanShow();
// Shows the status map.
void PlanHide();
// Hides the status map (and always reconfigures the menu).
