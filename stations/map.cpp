// map.cpp -- the map table: a plan of the sea around the own ship; a click sets a waypoint
#include "stations/map.h"

#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndMap;
int32_t map_scale = 60000;
int32_t map_redraw;
static int32_t map_visible = 1;
static HBRUSH map_background;

static const Station map_station = {"MapChild", "Map table", "map_x",  "map_y",
                                    "map_w",    "map_h",     &hwndMap, &map_visible};

void MapRegister() {
    map_background = CreateSolidBrush(RGB(255, 255, 224));
    StationRegister(map_station.class_name, MapProcess, map_background, 1);
}

void MapOpen(HWND parent) {
    int32_t width = StationReadKey("map_w", screen_w / 5 + 2 * sm_cxborder);
    int32_t height = StationReadKey("map_h", StationCaption() + screen_w / 5 + 2 * sm_cyborder);
    int32_t x = StationReadKey("map_x", screen_w - width - 1);
    int32_t y = StationReadKey("map_y", screen_h - height - 1);
    HWND window = StationCreate(&map_station, parent, x, y, width, height, 1,
                                WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
    DebugLog("hwndMap:%x", (unsigned)(uintptr_t)window);
}

void MapCreate(HWND window) {
    SetWindowPalette(window, NULL);
}

void MapDestroy() {
    StationSavePosition(&map_station);
    hwndMap = NULL;
}

void MapResize(HWND window, int32_t width, int32_t height) {
    (void)window;
    (void)width;
    (void)height;
    map_redraw = 1;
}

void MapUpdate() {
    if (!hwndMap || !map_visible || !player_mobile) return;
}

int32_t MapVisible() {
    return StationVisible(&map_station);
}
void MapShow() {
    StationShow(&map_station);
}
void MapHide() {
    StationHide(&map_station);
}

void MapZoom(int32_t range) {
    map_scale = 2 * range;
}

void MapClick(int32_t x, int32_t y) {
    (void)x;
    (void)y;
    map_redraw = 1;
}

LRESULT CALLBACK MapProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        MapCreate(window);
        StationOpened(&map_station, window);
        return 0;
    case WM_DESTROY:
        MapDestroy();
        break;
    case WM_CLOSE:
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case WM_SIZE:
        if (StationSizeMessage(window, wParam)) return 0;
        MapResize(window, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_MOUSEACTIVATE:
        ActivateWindow(window);
        SetFocus(window);
        break;
    case WM_LBUTTONDOWN:
        MapClick(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        map_redraw = 1;
        return 0;
    }
    }
    return DefWindowProc(window, message, wParam, lParam);
}
