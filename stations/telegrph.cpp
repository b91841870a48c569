// telegrph.cpp -- the engine telegraph: five lever pictures; a click on the dial orders the engines
#include "stations/telegrph.h"

#include <cstdio>

#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "media/sfx.h"
#include "sim/battle.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndTelegraph;
int32_t telegraph_shown = 2;
static int32_t telegraph_visible = 1;
static BitMap telegraph_face[5];
int32_t telegraph_cx;
static int32_t telegraph_text_height;

static const Station telegraph_station = {"TelegraphChild",
                                          "Engines",
                                          "telegraph_x",
                                          "telegraph_y",
                                          NULL,
                                          NULL,
                                          &hwndTelegraph,
                                          &telegraph_visible,
                                          TelegraphCreate,
                                          TelegraphDestroy,
                                          TelegraphResize,
                                          NULL,
                                          STATION_FOCUS};

void TelegraphRegister() {
    StationRegister(telegraph_station.class_name, TelegraphProcess,
                    (HBRUSH)GetStockObject(WHITE_BRUSH), 1);
}

// Creates the telegraph at its saved place (default: top left of the frame's client area).
void TelegraphOpen(HWND parent) {
    int32_t width, height;
    StationWindowSize(195, 118, &width, &height);
    StationCreate(&telegraph_station, parent, 0, sm_cymenu + StationCaption() + 1, width, height, 0,
                  WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

// Reads "tele0.bmp" to "tele4.bmp".
void TelegraphCreate(HWND window) {
    HDC dc = StationGetDC(window, "TelegraphCreate", &telegraph_text_height);
    ReleaseDC(window, dc);
    RECT r;
    GetClientRect(window, &r);
    telegraph_cx = (r.right - r.left) / 2;
    for (int i = 0; i < 5; i++) {
        char name[16];
        snprintf(name, sizeof name, "tele%d.bmp", i);
        telegraph_face[i] = ReadBitMap(name);
    }
    SetWindowPalette(window, telegraph_face[0]);
}

// Saves the position and frees the pictures; hwndTelegraph becomes null.
void TelegraphDestroy() {
    StationSavePosition(&telegraph_station);
    for (int i = 0; i < 5; i++) {
        FreeBitMap(telegraph_face[i]);
        telegraph_face[i] = NULL;
    }
    hwndTelegraph = NULL;
}

// The lever picture of an engine order (stop for an order outside 0 to 4).
static BitMap TelegraphFace(int32_t order) {
    return telegraph_face[order >= 0 && order < 5 ? order : 2];
}

void TelegraphUpdate() {
    if (!hwndTelegraph || !telegraph_visible || !player_mobile) return;
    if (player_mobile->engine == telegraph_shown) return;
    telegraph_shown = player_mobile->engine;
    HDC dc = StationGetDC(hwndTelegraph, "TelegraphUpdate", NULL);
    RECT r;
    GetClientRect(hwndTelegraph, &r);
    CopyBitMap(TelegraphFace(telegraph_shown), dc, 0, 0, r.right - r.left, r.bottom - r.top, 1);
    ReleaseDC(hwndTelegraph, dc);
}

void TelegraphResize(HWND, int32_t, int32_t) {}

STATION_VISIBILITY(Telegraph, telegraph_station)

int32_t TelegraphOrder(uint16_t angle) {
    // Five sectors of 36 degrees below the pivot, full astern on the left.
    if (angle <= 22936) return 0;
    if (angle <= 29473) return 1;
    if (angle <= 36042) return 2;
    if (angle <= 42595) return 3;
    return 4;
}

void TelegraphClick(int32_t x, int32_t y) {
    if (!player_mobile) return;
    player_mobile->status &= ~ST_GOTO; // a direct engine order ends waypoint steering
    ChangePlayerHelm(2);
    ChangePlayerEngine(TelegraphOrder(AngleFrom(telegraph_cx, 0, x, y)));
}

LRESULT CALLBACK TelegraphProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        TelegraphClick(LOWORD(lParam), HIWORD(lParam));
        // The bell rings even when the order does not change.
        if (player_mobile) PlaySoundEffect(player_mobile->x, player_mobile->z, SFX_DINGDING);
        return 0;
    case WM_RBUTTONDOWN:
        ChangePlayerEngine(2);
        return 0;
    case WM_PAINT:
        StationPaintBitmap(window, TelegraphFace(telegraph_shown));
        return 0;
    }
    return StationProcess(&telegraph_station, window, message, wParam, lParam);
}
