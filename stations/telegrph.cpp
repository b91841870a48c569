// telegrph.cpp -- the engine telegraph: five lever pictures; a click on the dial orders the engines
#include "stations/telegrph.h"

#include <cstdio>

#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndTelegraph;
int32_t telegraph_shown = 2;
static int32_t telegraph_visible = 1;
static BitMap telegraph_face[5];
static int32_t telegraph_cx;

static const Station telegraph_station = {
    "TelegraphChild", "Engines",         "telegraph_x", "telegraph_y", NULL, NULL,
    &hwndTelegraph,   &telegraph_visible};

void TelegraphRegister() {
    StationRegister(telegraph_station.class_name, TelegraphProcess,
                    (HBRUSH)GetStockObject(WHITE_BRUSH), 1);
}

void TelegraphOpen(HWND parent) {
    int32_t width, height;
    StationWindowSize(195, 118, &width, &height);
    int32_t x = StationReadKey("telegraph_x", 0);
    int32_t y = StationReadKey("telegraph_y", sm_cymenu + StationCaption() + 1);
    StationCreate(&telegraph_station, parent, x, y, width, height, 0,
                  WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

void TelegraphCreate(HWND window) {
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

void TelegraphDestroy() {
    StationSavePosition(&telegraph_station);
    for (int i = 0; i < 5; i++) {
        FreeBitMap(telegraph_face[i]);
        telegraph_face[i] = NULL;
    }
    hwndTelegraph = NULL;
}

void TelegraphUpdate() {
    if (!hwndTelegraph || !telegraph_visible || !player_mobile) return;
}

void TelegraphResize(HWND window, int32_t width, int32_t height) {
    (void)window;
    (void)width;
    (void)height;
}

int32_t TelegraphVisible() {
    return StationVisible(&telegraph_station);
}
void TelegraphShow() {
    StationShow(&telegraph_station);
}
void TelegraphHide() {
    StationHide(&telegraph_station);
}

void TelegraphClick(int32_t x, int32_t y) {
    (void)x;
    (void)y;
}

LRESULT CALLBACK TelegraphProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        TelegraphCreate(window);
        StationOpened(&telegraph_station, window);
        return 0;
    case WM_DESTROY:
        TelegraphDestroy();
        break;
    case WM_CLOSE:
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case WM_SIZE:
        if (StationSizeMessage(window, wParam)) return 0;
        TelegraphResize(window, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_MOUSEACTIVATE:
        ActivateWindow(window);
        SetFocus(window);
        break;
    case WM_LBUTTONDOWN:
        TelegraphClick(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT: {
        int32_t shown = telegraph_shown >= 0 && telegraph_shown < 5 ? telegraph_shown : 2;
        StationPaintBitmap(window, telegraph_face[shown]);
        return 0;
    }
    }
    return DefWindowProc(window, message, wParam, lParam);
}
