// plan.cpp -- the status map: one fixed picture in a wide window in the middle of the screen
#include "stations/plan.h"

#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "stations/station.h"

HWND hwndPlan;
static int32_t plan_visible = 1;
static BitMap plan_picture;
static int32_t plan_text_height;

static const Station plan_station = {
    "PlanChild",   "Status Map", NULL,        NULL,       NULL, NULL,         &hwndPlan,
    &plan_visible, PlanCreate,   PlanDestroy, PlanResize, NULL, STATION_FOCUS};

void PlanRegister() {
    StationRegister(plan_station.class_name, PlanProcess, (HBRUSH)GetStockObject(WHITE_BRUSH), 1);
}

// Creates the status map centred on the screen (it keeps no position).
void PlanOpen(HWND parent) {
    int32_t width, height;
    StationWindowSize(700, 156, &width, &height);
    // Centred on the frame's client area, which is the screen less the caption and menu bar.
    RECT room = {0, 0, screen_w, screen_h};
    if (parent) GetClientRect(parent, &room);
    StationCreate(&plan_station, parent, (room.right - room.left - width) / 2,
                  (room.bottom - room.top - height) / 2, width, height, 0,
                  WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

// Reads "plan.bmp".
void PlanCreate(HWND window) {
    HDC dc = GetDC(window);
    if (dc) {
        TEXTMETRIC tm;
        GetTextMetrics(dc, &tm);
        plan_text_height = tm.tmHeight;
        ReleaseDC(window, dc);
    }
    plan_picture = ReadBitMap("plan.bmp");
    SetWindowPalette(window, plan_picture);
}

// Frees the picture; hwndPlan becomes null.
void PlanDestroy() {
    FreeBitMap(plan_picture);
    plan_picture = NULL;
    hwndPlan = NULL;
}

void PlanUpdate() {}

void PlanResize(HWND, int32_t, int32_t) {}

int32_t PlanVisible() {
    return StationVisible(&plan_station);
}

void PlanShow() {
    StationShow(&plan_station);
}

// Hides the status map (and always reconfigures the menu).
void PlanHide() {
    if (plan_visible && hwndPlan) ShowWindow(hwndPlan, SW_HIDE);
    plan_visible = 0;
    ConfigureMenu();
}

LRESULT CALLBACK PlanProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        StationPaintBitmap(window, plan_picture);
        return 0;
    }
    return StationProcess(&plan_station, window, message, wParam, lParam);
}
