// depth.cpp -- the submarine's depth gauge: depth and ordered depth; a click orders a depth
#include "stations/depth.h"

#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndDepth;
int32_t depth_shown;
static int32_t depth_visible = 1;
static BitMap depth_face;

static const Station depth_station = {"DepthChild", "Depth gauge", "depth_x",  "depth_y",
                                      NULL,         NULL,          &hwndDepth, &depth_visible};

void DepthRegister() {
    StationRegister(depth_station.class_name, DepthProcess, (HBRUSH)GetStockObject(WHITE_BRUSH), 1);
}

void DepthOpen(HWND parent) {
    int32_t width, height;
    StationWindowSize(125, 143, &width, &height);
    width += 1; // the gauge is one pixel wider and taller than its design size gives
    height += 1;
    int32_t x = StationReadKey("depth_x", screen_w - width + 2 * sm_cxborder);
    int32_t y = StationReadKey("depth_y", sm_cymenu + 207);
    StationCreate(&depth_station, parent, x, y, width, height, 0,
                  WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

void DepthCreate(HWND window) {
    depth_face = ReadBitMap("depthg.bmp");
    SetWindowPalette(window, depth_face);
}

void DepthDestroy() {
    FreeBitMap(depth_face);
    depth_face = NULL;
    StationSavePosition(&depth_station);
    hwndDepth = NULL;
}

void DepthUpdate() {
    if (!hwndDepth || !depth_visible || !player_mobile) return;
}

void DepthResize(HWND window, int32_t width, int32_t height) {
    (void)window;
    (void)width;
    (void)height;
}

int32_t DepthVisible() {
    return StationVisible(&depth_station);
}
void DepthShow() {
    StationShow(&depth_station);
}
void DepthHide() {
    StationHide(&depth_station);
}

void DepthClick(int32_t x, int32_t y) {
    (void)x;
    (void)y;
    depth_shown += 0xFFF;
}

LRESULT CALLBACK DepthProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        DepthCreate(window);
        StationOpened(&depth_station, window);
        return 0;
    case WM_DESTROY:
        DepthDestroy();
        break;
    case WM_CLOSE:
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case WM_SIZE:
        if (StationSizeMessage(window, wParam)) return 0;
        DepthResize(window, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_MOUSEACTIVATE:
        ActivateWindow(window);
        SetFocus(window);
        break;
    case WM_LBUTTONDOWN:
        DepthClick(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        depth_shown += 0xFFF;
        StationPaintBitmap(window, depth_face);
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}
