// bridge.cpp -- the bridge view: the sea through binoculars or periscope, drawn by the 3D engine
#include "stations/bridge.h"

#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndBridge;
int32_t observer_status = 2;
int32_t observer_use = 2;
uint32_t hit_time;
int32_t bridge_zoom;
int32_t bridge_turn;
static int32_t bridge_visible = 1;

// "magnif1.bmp" to "magnif3.bmp", then the hit overlays "binoch.bmp" and "perih.bmp".
static BitMap bridge_bitmap[5];

static const Station bridge_station = {"BridgeChild", "Bridge", "bridge_x",  "bridge_y",
                                       NULL,          NULL,     &hwndBridge, &bridge_visible};

void BridgeRegister() {
    StationRegister(bridge_station.class_name, BridgeProcess, (HBRUSH)GetStockObject(BLACK_BRUSH),
                    0);
}

void BridgeOpen(HWND parent) {
    int32_t height = screen_h / 2;
    int32_t width = height * 11 / 8;
    int32_t x = StationReadKey("bridge_x", (screen_w - width) / 2);
    int32_t y = StationReadKey("bridge_y", sm_cymenu);
    bridge_visible = 1;
    StationCreate(&bridge_station, parent, x, y, width, height, 0,
                  WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

void BridgeCreate(HWND window) {
    static const char *const names[5] = {"magnif1.bmp", "magnif2.bmp", "magnif3.bmp", "binoch.bmp",
                                         "perih.bmp"};
    for (int i = 0; i < 5; i++)
        bridge_bitmap[i] = ReadBitMap(names[i]);
    SetWindowPalette(window, bridge_bitmap[0]);
}

void BridgeDestroy() {
    for (int i = 0; i < 5; i++) {
        FreeBitMap(bridge_bitmap[i]);
        bridge_bitmap[i] = NULL;
    }
    StationSavePosition(&bridge_station);
    hwndBridge = NULL;
}

void BridgeUpdate() {
    if (!hwndBridge || !bridge_visible || !player_mobile) return;
    bridge_turn = 0;
}

void BridgeResize(HWND window, int32_t width, int32_t height) {
    (void)window;
    (void)width;
    (void)height;
}

int32_t BridgeVisible() {
    return StationVisible(&bridge_station);
}
void BridgeShow() {
    StationShow(&bridge_station);
}
void BridgeHide() {
    StationHide(&bridge_station);
}

void BridgeZoom(int32_t delta) {
    bridge_zoom += delta;
    if (bridge_zoom < 0) bridge_zoom = 0;
    if (bridge_zoom > 2) bridge_zoom = 2;
}

void BridgeRotate(int32_t direction) {
    bridge_turn = direction;
}

void BridgeClear(COLORREF colour) {
    if (!hwndBridge) return;
    HDC dc = GetDC(hwndBridge);
    if (!dc) return;
    RECT r;
    GetClientRect(hwndBridge, &r);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    ReleaseDC(hwndBridge, dc);
}

void BridgeShowHit() {
    if (!hwndBridge) return;
    HDC dc = GetDC(hwndBridge);
    if (!dc) return;
    RECT r;
    GetClientRect(hwndBridge, &r);
    BitMap overlay = bridge_bitmap[(observer_status & 2) ? 3 : 4];
    CopyBitMap(overlay, dc, 0, 0, r.right - r.left, r.bottom - r.top, 1);
    ReleaseDC(hwndBridge, dc);
}

LRESULT CALLBACK BridgeProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        BridgeCreate(window);
        StationOpened(&bridge_station, window);
        return 0;
    case WM_DESTROY:
        BridgeDestroy();
        break;
    case WM_CLOSE:
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case WM_SIZE:
        if (StationSizeMessage(window, wParam)) return 0;
        BridgeResize(window, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_MOUSEACTIVATE:
        ActivateWindow(window);
        SetFocus(window);
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    }
    return DefWindowProc(window, message, wParam, lParam);
}
