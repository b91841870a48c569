// tubes.cpp -- the torpedo tubes: four tubes with their lamps, the firing arc dial, reloading
#include "stations/tubes.h"

#include <ctime>

#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "media/sfx.h"
#include "net/battle_messages.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndTubes;
int32_t tube_status[TUBES_COUNT];
int32_t crew_tube = -1;
int32_t crew_time = -1;
static int32_t tubes_visible = 1;
int32_t tubes_redraw = 1;
int32_t tubes_last_view = -1234;

static int32_t TubesCalendar() {
    return (int32_t)time(nullptr);
}
int32_t (*tubes_clock)() = TubesCalendar;

// glight0, glight1, rlight0, rlight1, then the dial pair of the ship class (out of arc, in arc).
enum { TUBES_GREEN_OFF, TUBES_GREEN_ON, TUBES_RED_OFF, TUBES_RED_ON, TUBES_ARC_OUT, TUBES_ARC_IN };
static BitMap tubes_bitmap[6];
static int32_t tubes_lamp;

static const Station tubes_station = {
    "TubesChild", "Torpedo tubes", "tubes_x",      "tubes_y",   NULL,
    NULL,         &hwndTubes,      &tubes_visible, TubesCreate, TubesDestroy,
    TubesResize,  TubesClick,      STATION_FOCUS};

void TubesRegister() {
    StationRegister(tubes_station.class_name, TubesProcess, (HBRUSH)GetStockObject(BLACK_BRUSH), 1);
}

// Creates the tubes window at its saved place (default: left edge, a third of the way down).
void TubesOpen(HWND parent) {
    int32_t width = screen_w * 197 / 800 + 2 * sm_cxborder;
    int32_t height = StationCaption() + screen_w * 74 / 800 + 2 * sm_cyborder;
    StationCreate(&tubes_station, parent, 0, (screen_h - height) / 3, width, height, 0,
                  WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

// Reads the lamp and dial pictures and loads all four tubes.
void TubesCreate(HWND window) {
    int sub = player_mobile && player_mobile->type && player_mobile->type->type_id == SUBMARINE;
    static const char *const names[6] = {"glight0.bmp", "glight1.bmp", "rlight0.bmp",
                                         "rlight1.bmp", "tparc0.bmp",  "tparc1.bmp"};
    for (int i = 0; i < 6; i++)
        tubes_bitmap[i] =
            ReadBitMap(i >= 4 && !sub ? (i == 4 ? "dtparc0.bmp" : "dtparc1.bmp") : names[i]);
    tubes_lamp = screen_w * 25 / 800;
    tubes_redraw = 1;
    for (int i = 0; i < TUBES_COUNT; i++)
        tube_status[i] = 1;
    SetWindowPalette(window, tubes_bitmap[0]);
}

// Saves the position and frees the pictures; hwndTubes becomes null.
void TubesDestroy() {
    StationSavePosition(&tubes_station);
    for (int i = 0; i < 6; i++) {
        FreeBitMap(tubes_bitmap[i]);
        tubes_bitmap[i] = NULL;
    }
    hwndTubes = NULL;
}

void TubesResize(HWND, int32_t, int32_t) {}

STATION_VISIBILITY(Tubes, tubes_station)

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
    Mobile *m = player_mobile;
    if (!m || m->y > 15 || !TubesInArc()) return;
    int32_t tube = 0;
    while (tube < TUBES_COUNT && !tube_status[tube])
        tube++;
    if (tube == TUBES_COUNT) return;
    tube_status[tube] = 0;
    tubes_redraw = 1;
    // The torpedo runs where the player looks; the server sends it back with its ID.
    int32_t position[3] = {m->x, 0, m->z};
    uint16_t angles[3] = {0, (uint16_t)(m->heading + m->view), 0};
    PlaySoundEffect(m->x, m->z, SFX_TORP);
    SendTorpedoLaunchPacket(position, angles);
}

void TubesUpdate() {
    // The one-man crew reloads the lowest empty tube, one at a time, window or not.
    int32_t now = tubes_clock();
    if (crew_tube != -1) {
        if (now - crew_time > 30) {
            if (crew_tube >= 0 && crew_tube < TUBES_COUNT) tube_status[crew_tube] = 1;
            tubes_redraw = 1;
            crew_tube = -1;
        }
    } else {
        for (int32_t i = 0; i < TUBES_COUNT; i++)
            if (!tube_status[i]) {
                crew_tube = i;
                crew_time = now;
                break;
            }
    }

    if (!hwndTubes || !tubes_visible || !player_mobile) return;
    int32_t draw_arc = 0;
    if ((tubes_last_view >> 8) != (player_mobile->view >> 8)) {
        draw_arc = 1;
        tubes_redraw = 1;
    }
    if (!tubes_redraw) return;
    tubes_last_view = player_mobile->view;
    tubes_redraw = 0;
    HDC dc = StationGetDC(hwndTubes, "TubesUpdate", NULL);
    TubesPaint(dc, 1, draw_arc);
    ReleaseDC(hwndTubes, dc);
}

void TubesPaint(HDC dc, int32_t draw_tubes, int32_t draw_arc) {
    RECT r;
    GetClientRect(hwndTubes, &r);
    int32_t margin = screen_w * 5 / 800, lamp = tubes_lamp;
    if (draw_tubes) {
        for (int32_t i = 0; i < TUBES_COUNT; i++) {
            int32_t x = margin + (margin + lamp) * i;
            int loaded = tube_status[i] != 0;
            CopyBitMap(tubes_bitmap[loaded ? TUBES_GREEN_ON : TUBES_GREEN_OFF], dc, x, margin, lamp,
                       lamp, 1);
            CopyBitMap(tubes_bitmap[loaded ? TUBES_RED_OFF : TUBES_RED_ON], dc, x,
                       screen_w * 10 / 800 + lamp, lamp, lamp, 1);
        }
    }
    if (draw_arc) {
        CopyBitMap(tubes_bitmap[TubesInArc() ? TUBES_ARC_IN : TUBES_ARC_OUT], dc,
                   r.right - screen_w * 63 / 800, 0, screen_w * 59 / 800, screen_w * 66 / 800, 1);
        // The pointer: straight ahead up, starboard to the right.
        int32_t cx = r.right - screen_w * 34 / 800, cy = screen_w * 33 / 800;
        int32_t k = player_mobile ? player_mobile->view >> 8 : 0;
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
        HPEN old = (HPEN)SelectObject(dc, pen);
        MoveToEx(dc, cx, cy, NULL);
        LineTo(dc, cx + circle_dx[k] * 6 * screen_w / 80000,
               cy - circle_dy[k] * 6 * screen_w / 80000);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

LRESULT CALLBACK TubesProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        tubes_redraw = 0;
        StationPaint(window, [](HDC dc) { TubesPaint(dc, 1, 1); });
        return 0;
    }
    return StationProcess(&tubes_station, window, message, wParam, lParam);
}
