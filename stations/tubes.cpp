// tubes.cpp -- the torpedo tubes: four tubes with their lamps, the firing arc dial, reloading
#include "stations/tubes.h"

#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndTubes;
int32_t tube_status[TUBES_COUNT];
int32_t crew_tube = -1;
int32_t crew_time = -1;
static int32_t tubes_visible = 1;
int32_t tubes_redraw = 1;
int32_t tubes_last_view = -1234;

// glight0, glight1, rlight0, rlight1, then the dial pair of the ship class.
static BitMap tubes_bitmap[6];
static int32_t tubes_lamp;

static const Station tubes_station = {"TubesChild", "Torpedo tubes", "tubes_x",     "tubes_y", NULL,
                                      NULL,         &hwndTubes,      &tubes_visible};

void TubesRegister() {
    StationRegister(tubes_station.class_name, TubesProcess, (HBRUSH)GetStockObject(BLACK_BRUSH), 1);
}

void TubesOpen(HWND parent) {
    int32_t width = screen_w * 197 / 800 + 2 * sm_cxborder;
    int32_t height = StationCaption() + screen_w * 74 / 800 + 2 * sm_cyborder;
    int32_t x = StationReadKey("tubes_x", 0);
    int32_t y = StationReadKey("tubes_y", (screen_h - height) / 3);
    StationCreate(&tubes_station, parent, x, y, width, height, 0,
                  WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

void TubesCreate(HWND window) {
    int sub = player_mobile && player_mobile->type && player_mobile->type->type_id == SUBMARINE;
    static const char *const names[6] = {"glight0.bmp", "glight1.bmp", "rlight0.bmp",
                                         "rlight1.bmp", "tparc0.bmp",  "tparc1.bmp"};
    for (int i = 0; i < 6; i++)
        tubes_bitmap[i] =
            ReadBitMap(i >= 4 && !sub ? (i == 4 ? "dtparc0.bmp" : "dtparc1.bmp") : names[i]);
    tubes_lamp = screen_w * 25 / 800;
    for (int i = 0; i < TUBES_COUNT; i++)
        tube_status[i] = 1;
    SetWindowPalette(window, tubes_bitmap[0]);
}

void TubesDestroy() {
    StationSavePosition(&tubes_station);
    for (int i = 0; i < 6; i++) {
        FreeBitMap(tubes_bitmap[i]);
        tubes_bitmap[i] = NULL;
    }
    hwndTubes = NULL;
}

void TubesResize(HWND window, int32_t width, int32_t height) {
    (void)window;
    (void)width;
    (void)height;
}

int32_t TubesVisible() {
    return StationVisible(&tubes_station);
}
void TubesShow() {
    StationShow(&tubes_station);
}
void TubesHide() {
    StationHide(&tubes_station);
}

void TubesReset() {
    for (int i = 0; i < TUBES_COUNT; i++)
        tube_status[i] = 0;
}

int32_t TubesArcContains(int32_t type_id, uint16_t view) {
    uint32_t v = view;
    if (type_id == SUBMARINE) return v <= TUBES_HALF_ARC || v > 65535u - TUBES_HALF_ARC;
    return (v > 16384u - TUBES_HALF_ARC && v < 16384u + TUBES_HALF_ARC) ||
           (v > 49152u - TUBES_HALF_ARC && v < 49152u + TUBES_HALF_ARC);
}

int32_t TubesInArc() {
    if (!player_mobile || !player_mobile->type) return 0;
    return TubesArcContains(player_mobile->type->type_id, player_mobile->view);
}

void TubesClick(int32_t x, int32_t y) {
    (void)x;
    (void)y;
}

void TubesUpdate() {
    if (!hwndTubes || !tubes_visible || !player_mobile) return;
}

void TubesPaint(HDC dc, int32_t draw_tubes, int32_t draw_arc) {
    (void)dc;
    (void)draw_tubes;
    (void)draw_arc;
}

LRESULT CALLBACK TubesProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        TubesCreate(window);
        StationOpened(&tubes_station, window);
        return 0;
    case WM_DESTROY:
        TubesDestroy();
        break;
    case WM_CLOSE:
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case WM_SIZE:
        if (StationSizeMessage(window, wParam)) return 0;
        TubesResize(window, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_MOUSEACTIVATE:
        ActivateWindow(window);
        SetFocus(window);
        break;
    case WM_LBUTTONDOWN:
        TubesClick(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT: {
        tubes_redraw = 0;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        TubesPaint(dc, 1, 1);
        EndPaint(window, &ps);
        return 0;
    }
    }
    return DefWindowProc(window, message, wParam, lParam);
}
