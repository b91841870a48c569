// gun.cpp -- the deck gun: its states, its target and the fire order button
#include "stations/gun.h"

#include <cstdio>
#include <cstring>

#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndGun;
int32_t gun_status = GUN_READY;
Mobile *gun_target;
int32_t fire_order;
uint32_t gun_timer = 0xFFFFFFFFu;
static int32_t gun_visible = 1;
DWORD (*gun_ticks)(void) = GetTickCount;
static HWND gun_button;
static int32_t gun_text_height;
static int32_t gun_width, gun_height; // the window's creation size
// What the three text lines show now; the target's initial value matches no mobile.
static const Mobile *const GUN_NO_LINE = (const Mobile *)(intptr_t)-1;
static const Mobile *gun_target_shown = GUN_NO_LINE;
static int32_t gun_class_shown;
static int32_t gun_status_shown = -1;
int32_t range_class;

static const char *const gun_class_name[5] = {"no target", "close", "medium", "long",
                                              "out of range"};
static const char *const gun_status_name[6] = {"Loading", "Ready",   "Firing",
                                               "Stowed",  "Stowing", "Unstowing"};
enum { GUN_NO_WAIT = -1 };

static const char *const gun_button_text[3] = {"Commence fire", "Cease fire", "Submerged"};

static const Station gun_station = {"GunChild", "Gun status", "gun_x",   "gun_y",    NULL, NULL,
                                    &hwndGun,   &gun_visible, GunCreate, GunDestroy, NULL, GunClick,
                                    0};

void GunRegister() {
    StationRegister(gun_station.class_name, GunProcess,
                    CreateSolidBrush(GetSysColor(COLOR_BTNFACE)), 1);
}

// The text height of the station's font in a window (NULL: the display, before the window
// exists); -1 when no DC can be had.
static int32_t GunFontHeight(HWND window) {
    HDC dc = GetDC(window);
    if (!dc) return -1;
    HGDIOBJ old = SelectObject(dc, hfont);
    TEXTMETRIC tm;
    int32_t h = GetTextMetrics(dc, &tm) ? tm.tmHeight : 14;
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return h;
}

// Creates the gun window at its saved place (default: bottom right).
void GunOpen(HWND parent) {
    // Five caption heights, or more when the font needs it: the three status lines above the
    // button must not be cut by it.
    int32_t width = screen_w / 4, height = 5 * StationCaption();
    int32_t th = GunFontHeight(NULL);
    if (th < 0) th = 14;
    int32_t need = StationCaption() + 2 * GetSystemMetrics(SM_CYBORDER) + height / 20 + 3 * th + 4 +
                   (th + 8) + 4;
    if (height < need) height = need;
    gun_width = width;
    gun_height = height;
    HWND window = StationCreate(&gun_station, parent, screen_w - width - 1, screen_h - height - 1,
                                width, height, 0, WS_EX_TOOLWINDOW);
    DebugLog("hwndGun=%x", (unsigned)(uintptr_t)window);
}

// Makes the fire order button; the gun starts Ready with no target.
void GunCreate(HWND window) {
    SendMessage(window, WM_SETFONT, (WPARAM)hfont, 0);
    int32_t th = GunFontHeight(window);
    if (th < 0) {
        DebugLogTag("GunUpdate", "GetDC");
        return;
    }
    gun_text_height = th;
    RECT r;
    GetClientRect(window, &r);
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

// Saves the position; hwndGun becomes null.
void GunDestroy() {
    StationSavePosition(&gun_station);
    gun_button = NULL;
    hwndGun = NULL;
    gun_target_shown = GUN_NO_LINE;
    gun_class_shown = 0;
    gun_status_shown = -1;
}

// Hiding the gun window leaves the gun's state as it is.
STATION_VISIBILITY(Gun, gun_station)

void GunClick(int32_t x, int32_t y) {
    (void)x;
    (void)y;
}

int32_t GunRangeClass(int32_t gun_range, int32_t range) {
    if (gun_range / 4 > range) return 1;
    if (3 * (int64_t)gun_range / 4 > range) return 2; // the reach comes from the server
    if (range < gun_range) return 3;
    return 4;
}

static int32_t GunInRange() {
    return range_class >= 1 && range_class <= 3;
}

// One step of the state machine at tick `now`.
static void GunStep(uint32_t now) {
    Mobile *own = player_mobile;
    int32_t reload = own->type ? own->type->gun_reload : 0;
    int32_t waiting = gun_timer != (uint32_t)GUN_NO_WAIT;
    int32_t expired = waiting && now > gun_timer;
    switch (gun_status) {
    case GUN_LOADING:
        if (!waiting)
            gun_timer = now + (uint32_t)reload;
        else if (expired) {
            gun_status = GUN_READY;
            gun_timer = GUN_NO_WAIT;
        }
        if (own->y > 0) {
            gun_status = GUN_STOWING;
            gun_timer = GUN_NO_WAIT;
        }
        if (!gun_target) fire_order = 0;
        break;
    case GUN_READY:
        if (!waiting) gun_timer = now + 1000;
        if (!gun_target) fire_order = 0;
        if (expired && GunInRange() && fire_order == 1) {
            if (gun_target) {
                gun_status = GUN_FIRING;
                gun_timer = GUN_NO_WAIT;
            } else {
                fire_order = 0;
            }
        }
        if (own->y > 0) {
            gun_status = GUN_STOWING;
            gun_timer = GUN_NO_WAIT;
        }
        break;
    case GUN_FIRING:
        if (!gun_target) fire_order = 0;
        if (!waiting) {
            gun_timer = now + 1000;
            if (gun_target && GunInRange()) FireGun(gun_target);
        } else if (expired) {
            gun_status = GUN_LOADING;
            gun_timer = GUN_NO_WAIT;
        }
        if (own->y > 0) {
            gun_target = NULL;
            gun_status = GUN_STOWING;
            gun_timer = GUN_NO_WAIT;
        }
        break;
    case GUN_STOWED:
        if (!waiting) {
            gun_timer = 0;
            gun_target = NULL;
            fire_order = 2;
        }
        if (own->y == 0 && own->ordered_depth == 0) GunStow(0);
        break;
    case GUN_STOWING:
        if (!waiting) {
            gun_timer = now + 2000;
            gun_target = NULL;
            fire_order = 2;
        } else if (expired) {
            fire_order = 2;
            gun_status = GUN_STOWED;
            gun_timer = GUN_NO_WAIT;
        }
        break;
    case GUN_UNSTOWING:
        if (!waiting) {
            gun_timer = now + 3000;
            gun_target = NULL;
            fire_order = 2;
        } else if (expired) {
            fire_order = 0;
            gun_status = GUN_LOADING;
            gun_timer = GUN_NO_WAIT;
        }
        break;
    default: // an unknown state is treated as a gun that must reload
        gun_status = GUN_LOADING;
        gun_timer = GUN_NO_WAIT;
        break;
    }
}

static const char *GunLabel() {
    return gun_button_text[fire_order >= 0 && fire_order < 3 ? fire_order : 0];
}

static void GunDrawLine(HDC dc, int32_t x, int32_t y, const char *text) {
    if (dc) TextOut(dc, x, y, text, (int)strlen(text));
}

void GunUpdate(HDC dc, int32_t force) {
    if (!hwndGun || !gun_visible || !player_mobile) return;
    uint32_t now = gun_ticks();

    if (gun_target && (gun_target->contact & CT_VIEW)) {
        int32_t reach = player_mobile->type ? player_mobile->type->gun_range : 0;
        range_class = GunRangeClass(reach, gun_target->range);
    } else {
        range_class = 0;
        gun_target = NULL; // a target that has left the bridge view is dropped
    }

    GunStep(now);

    if (gun_button) {
        char text[129] = {};
        GetWindowText(gun_button, text, sizeof text);
        if (strcmp(text, GunLabel()) != 0) SetWindowText(gun_button, GunLabel());
    }

    HDC own_dc = NULL;
    if (!dc) {
        own_dc = dc = GetDC(hwndGun);
        if (!dc) DebugLogTag("GunUpdate", "GetDC");
    }
    HGDIOBJ old_font = dc ? SelectObject(dc, hfont) : NULL;
    if (dc) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetBkMode(dc, OPAQUE);
    }
    int32_t y0 = gun_height / 20, h = gun_text_height;
    char text[160];
    if (gun_target != gun_target_shown || force) {
        gun_target_shown = gun_target;
        char name[100];
        if (gun_target)
            snprintf(name, sizeof name, "%s (%s)", gun_target->ship_name,
                     gun_target->type && gun_target->type->name ? gun_target->type->name : "");
        else
            snprintf(name, sizeof name, "no target");
        snprintf(text, sizeof text, "Target: %-40s", name);
        GunDrawLine(dc, gun_width / 25, y0, text);
    }
    if (range_class != gun_class_shown || force) {
        gun_class_shown = range_class;
        snprintf(text, sizeof text, "Range: %-20s", gun_class_name[range_class]);
        GunDrawLine(dc, gun_width / 20, y0 + h, text);
    }
    if (gun_status != gun_status_shown || force) {
        gun_status_shown = gun_status;
        snprintf(text, sizeof text, "Status: %-20s", gun_status_name[gun_status]);
        GunDrawLine(dc, gun_width / 20, y0 + 2 * h, text);
    }
    if (dc && old_font) SelectObject(dc, old_font);
    if (own_dc) ReleaseDC(hwndGun, own_dc);
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
            gun_timer = (uint32_t)GUN_NO_WAIT;
        }
    } else if (player_mobile && player_mobile->y == 0) {
        gun_status = GUN_UNSTOWING;
        gun_timer = (uint32_t)GUN_NO_WAIT;
    }
}

LRESULT CALLBACK GunProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == GUN_BUTTON && fire_order != 2 && gun_target) {
            fire_order = 1 - fire_order;
            SetWindowText(gun_button, GunLabel());
        }
        break;
    case WM_PAINT:
        StationPaint(window, [](HDC dc) { GunUpdate(dc, 1); });
        return 0;
    }
    return StationProcess(&gun_station, window, message, wParam, lParam);
}
