// dc.cpp -- the depth charges: five depth buttons and the reload status
#include "stations/dc.h"

#include <cstdio>
#include <cstring>

#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndDC;
uint32_t dc_launch_time;
int32_t dc_ready;
static int32_t dc_visible = 1;
DWORD (*dc_ticks)(void) = GetTickCount;
static HWND dc_button[DC_BUTTONS];
static int32_t dc_text_height;
static int32_t dc_width, dc_height; // the window's creation size
static int32_t dc_ready_shown = -1;

static const Station dc_station = {"DCChild", "DC status", "dc_x",   "dc_y",    NULL, NULL,
                                   &hwndDC,   &dc_visible, DCCreate, DCDestroy, NULL, DCClick,
                                   0};

void DCRegister() {
    StationRegister(dc_station.class_name, DCProcess, CreateSolidBrush(GetSysColor(COLOR_BTNFACE)),
                    1);
}

// Creates the depth-charge window at its saved place (default: bottom right).
void DCOpen(HWND parent) {
    int32_t width = screen_w / 4, height = 4 * StationCaption();
    dc_width = width;
    dc_height = height;
    HWND window = StationCreate(&dc_station, parent, screen_w - width - 1, screen_h - height - 1,
                                width, height, 0, WS_EX_TOOLWINDOW);
    SendMessage(window, WM_SETFONT, (WPARAM)hfont, 0);
}

// Makes the five depth buttons; the station starts loading.
void DCCreate(HWND window) {
    HDC dc = GetDC(window);
    dc_text_height = 14;
    RECT r = {0, 0, 0, 0};
    if (!dc) {
        DebugLogTag("DCUpdate", "GetDC");
    } else {
        TEXTMETRIC tm;
        if (GetTextMetrics(dc, &tm)) dc_text_height = tm.tmHeight;
        ReleaseDC(window, dc);
    }
    GetClientRect(window, &r);
    int32_t w = r.right - r.left, h = r.bottom - r.top;
    int32_t b = w / DC_BUTTONS, bh = dc_text_height + 8, top = h - bh - 1;
    for (int i = 0; i < DC_BUTTONS; i++) {
        char label[8];
        snprintf(label, sizeof label, "%d", (i + 1) * 50);
        int32_t bw = i < DC_BUTTONS - 1 ? b - 1 : w - 4 * b - 1;
        dc_button[i] = CreateWindowEx(0, "BUTTON", label, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                      i * b, top, bw, bh, window,
                                      (HMENU)(intptr_t)(DC_FIRST_BUTTON + i), ghInstance, NULL);
        SendMessage(dc_button[i], WM_SETFONT, (WPARAM)hfont, 0);
    }
    dc_launch_time = dc_ticks();
}

// Saves the position; hwndDC becomes null.
void DCDestroy() {
    StationSavePosition(&dc_station);
    for (int i = 0; i < DC_BUTTONS; i++)
        dc_button[i] = NULL;
    hwndDC = NULL;
    dc_ready_shown = -1;
}

STATION_VISIBILITY(DC, dc_station)

void DCClick(int32_t x, int32_t y) {
    (void)x;
    (void)y;
}

void DCLaunch(int32_t depth) {
    dc_launch_time = dc_ticks();
    LaunchDC(depth);
}

void DCEnableFire() {
    for (int i = 0; i < DC_BUTTONS; i++)
        if (dc_button[i]) EnableWindow(dc_button[i], TRUE);
}

void DCDisableFire() {
    for (int i = 0; i < DC_BUTTONS; i++)
        if (dc_button[i]) EnableWindow(dc_button[i], FALSE);
}

void DCUpdate(HDC dc, int32_t force) {
    if (!hwndDC || !dc_visible || !player_mobile) return;
    uint32_t elapsed = dc_ticks() - dc_launch_time;
    int32_t reload = player_mobile->type ? player_mobile->type->dc_reload : 0;
    if (reload > 0 && (uint32_t)reload > elapsed) {
        DCDisableFire();
        dc_ready = 0;
    } else {
        DCEnableFire();
        dc_ready = 1;
    }
    HDC own_dc = NULL;
    if (!dc) own_dc = dc = GetDC(hwndDC);
    HGDIOBJ old_font = dc ? SelectObject(dc, hfont) : NULL;
    if (!dc) DebugLogTag("DCUpdate", "GetDC");
    if (dc) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetBkMode(dc, OPAQUE);
    }
    if (dc_ready != dc_ready_shown || force) {
        dc_ready_shown = dc_ready;
        char text[40];
        snprintf(text, sizeof text, "Status: %-20s", dc_ready ? "Ready" : "Loading");
        if (dc) TextOut(dc, dc_width / 20, dc_height / 20, text, (int)strlen(text));
    }
    if (dc && old_font) SelectObject(dc, old_font);
    if (own_dc) ReleaseDC(hwndDC, own_dc);
}

LRESULT CALLBACK DCProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        int32_t id = LOWORD(wParam);
        if (id >= DC_FIRST_BUTTON && id < DC_FIRST_BUTTON + DC_BUTTONS)
            DCLaunch((id - DC_FIRST_BUTTON + 1) * 50);
        break;
    }
    case WM_PAINT:
        StationPaint(window, [](HDC dc) { DCUpdate(dc, 1); });
        return 0;
    }
    return StationProcess(&dc_station, window, message, wParam, lParam);
}
