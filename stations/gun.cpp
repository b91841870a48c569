// gun.cpp -- the deck gun: its states, its target and the fire order button
#include "stations/gun.h"

#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndGun;
int32_t gun_status = GUN_READY;
Mobile *gun_target;
int32_t fire_order;
uint32_t gun_timer = 0xFFFFFFFFu;
static int32_t gun_visible = 1;
static HWND gun_button;
static int32_t gun_text_height;

static const char *const gun_button_text[3] = {"Commence fire", "Cease fire", "Submerged"};

static const Station gun_station = {"GunChild", "Gun status", "gun_x",  "gun_y",
                                    NULL,       NULL,         &hwndGun, &gun_visible};

void GunRegister() {
    StationRegister(gun_station.class_name, GunProcess,
                    CreateSolidBrush(GetSysColor(COLOR_BTNFACE)), 1);
}

void GunOpen(HWND parent) {
    int32_t width = screen_w / 4, height = 5 * StationCaption();
    int32_t x = StationReadKey("gun_x", screen_w - width - 1);
    int32_t y = StationReadKey("gun_y", screen_h - height - 1);
    HWND window = StationCreate(&gun_station, parent, x, y, width, height, 0, WS_EX_TOOLWINDOW);
    DebugLog("hwndGun=%x", (unsigned)(uintptr_t)window);
}

void GunCreate(HWND window) {
    SendMessage(window, WM_SETFONT, (WPARAM)hfont, 0);
    HDC dc = GetDC(window);
    if (!dc) {
        DebugLogTag("GunUpdate", "GetDC");
        return;
    }
    HGDIOBJ old = SelectObject(dc, hfont);
    TEXTMETRIC tm;
    gun_text_height = GetTextMetrics(dc, &tm) ? tm.tmHeight : 14;
    SelectObject(dc, old);
    RECT r;
    GetClientRect(window, &r);
    ReleaseDC(window, dc);
    int32_t bw = screen_w / 6, bh = gun_text_height + 8;
    int32_t order = fire_order >= 0 && fire_order < 3 ? fire_order : 0;
    gun_button = CreateWindowEx(0, "BUTTON", gun_button_text[order],
                                WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON,
                                (r.right - r.left - bw) / 2, r.bottom - r.top - bh - 4, bw, bh,
                                window, (HMENU)(intptr_t)GUN_BUTTON, ghInstance, NULL);
    SendMessage(gun_button, WM_SETFONT, (WPARAM)hfont, 0);
    fire_order = 0;
    gun_target = NULL;
    gun_status = GUN_READY;
}

void GunDestroy() {
    StationSavePosition(&gun_station);
    gun_button = NULL;
    hwndGun = NULL;
}

int32_t GunVisible() {
    return StationVisible(&gun_station);
}
void GunShow() {
    StationShow(&gun_station);
}
void GunHide() {
    StationHide(&gun_station);
}

void GunClick(int32_t x, int32_t y) {
    (void)x;
    (void)y;
}

void GunUpdate(HDC dc, int32_t force) {
    (void)dc;
    (void)force;
    if (!hwndGun || !gun_visible || !player_mobile) return;
}

void GunSetTarget(Mobile *mobile) {
    if (mobile == gun_target) return;
    gun_target = mobile;
    if (!mobile) fire_order = 0;
    GunUpdate(NULL, 1);
}

void GunStow(int32_t stow) {
    if (stow) {
        if (gun_status != GUN_STOWING && gun_status != GUN_STOWED) {
            gun_status = GUN_STOWING;
            gun_timer = 0xFFFFFFFFu;
        }
    } else if (player_mobile && player_mobile->y == 0) {
        gun_status = GUN_UNSTOWING;
        gun_timer = 0xFFFFFFFFu;
    }
}

LRESULT CALLBACK GunProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        GunCreate(window);
        StationOpened(&gun_station, window);
        return 0;
    case WM_DESTROY:
        GunDestroy();
        break;
    case WM_CLOSE:
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case WM_MOUSEACTIVATE:
        ActivateWindow(window);
        break;
    case WM_LBUTTONDOWN:
        GunClick(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        GunUpdate(dc, 1);
        EndPaint(window, &ps);
        return 0;
    }
    }
    return DefWindowProc(window, message, wParam, lParam);
}
