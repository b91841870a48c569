// depth.cpp -- the submarine's depth gauge: depth and ordered depth; a click orders a depth
#include "stations/depth.h"

#include <cstdio>
#include <cstring>

#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "sim/battle.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "sim/move.h"
#include "stations/gun.h"
#include "stations/station.h"

HWND hwndDepth;
int32_t depth_shown;
int32_t depth_cx, depth_cy, depth_w, depth_h;
static int32_t depth_visible = 1;
static BitMap depth_face;
static int32_t depth_text_height;

// The dial is drawn for a 125 x 143 client area with its centre at (62, 69) and stretched over
// the real one, so across and down scale apart on a screen that is not 4:3.
enum { DEPTH_DESIGN_W = 125, DEPTH_DESIGN_H = 143, DEPTH_DIAL_X = 62, DEPTH_DIAL_Y = 69 };

static const Station depth_station = {
    "DepthChild",   "Depth gauge", "depth_x",    "depth_y",   NULL,       NULL,         &hwndDepth,
    &depth_visible, DepthCreate,   DepthDestroy, DepthResize, DepthClick, STATION_FOCUS};

void DepthRegister() {
    StationRegister(depth_station.class_name, DepthProcess, (HBRUSH)GetStockObject(WHITE_BRUSH), 1);
}

// Creates the gauge at its saved place (default: right edge, below the compass).
void DepthOpen(HWND parent) {
    int32_t width, height;
    StationWindowSize(125, 143, &width, &height);
    width += 1; // the gauge is one pixel wider and taller than its design size gives
    height += 1;
    // Below the compass, whose height scales with the screen (207 on an 800 x 600 screen).
    StationCreate(&depth_station, parent, screen_w - width + 2 * sm_cxborder,
                  sm_cymenu + StationScaleH(207), width, height, 0,
                  WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

// Reads the dial "depthg.bmp".
void DepthCreate(HWND window) {
    HDC dc = StationGetDC(window, "DepthCreate", &depth_text_height);
    SelectPalette(dc, hPal, FALSE);
    RealizePalette(dc);
    ReleaseDC(window, dc);
    RECT r;
    GetClientRect(window, &r);
    int32_t w = r.right - r.left, h = r.bottom - r.top;
    depth_face = ReadBitMap("depthg.bmp");
    depth_w = w;
    depth_h = h;
    depth_cx = w * DEPTH_DIAL_X / DEPTH_DESIGN_W;
    depth_cy = h * DEPTH_DIAL_Y / DEPTH_DESIGN_H;
    SetWindowPalette(window, depth_face);
}

// Frees the dial and saves the position; hwndDepth becomes null.
void DepthDestroy() {
    FreeBitMap(depth_face);
    depth_face = NULL;
    StationSavePosition(&depth_station);
    hwndDepth = NULL;
}

// Makes the next update redraw; wraps instead of overflowing.
static void DepthSpoil() {
    depth_shown = (int32_t)((uint32_t)depth_shown + 0xFFFu);
}

int32_t DepthDialEntry(int64_t depth) {
    // 1.2 degrees a metre from entry 149 (lower left), clockwise over the top.
    int64_t i = (depth * 1280 / 1500 + 149) % 256;
    return (int32_t)(i < 0 ? i + 256 : i);
}

static void DepthTitle(const Mobile *m) {
    char title[96], current[96];
    if (m->status & ST_DEPTH)
        snprintf(title, sizeof title, "Depth. %dm %c %dm", (int)m->y, (char)0xBB,
                 (int)m->ordered_depth);
    else
        snprintf(title, sizeof title, "Depth. %dm", (int)m->y);
    current[0] = 0;
    GetWindowText(hwndDepth, current, 80);
    if (strcmp(current, title) != 0) SetWindowText(hwndDepth, title);
}

// A needle along circle entry `entry`, stretched with the dial, through its pivot.
static void DepthNeedle(HDC dc, HPEN pen, int32_t entry) {
    int32_t dx = circle_dx[entry] * depth_w / DEPTH_DESIGN_W;
    int32_t dy = circle_dy[entry] * depth_h / DEPTH_DESIGN_H;
    SelectObject(dc, pen);
    MoveToEx(dc, depth_cx - dx * 10 / 255, depth_cy + dy * 10 / 255, NULL);
    LineTo(dc, depth_cx + dx * 35 / 255, depth_cy - dy * 35 / 255);
}

static HPEN DepthRoundPen(COLORREF colour) {
    LOGBRUSH brush = {BS_SOLID, colour, 0};
    return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND, 2, &brush, 0, NULL);
}

void DepthUpdate() {
    if (!hwndDepth || !depth_visible || !player_mobile) return;
    const Mobile *m = player_mobile;
    DepthTitle(m);
    if (m->y == depth_shown) return;
    depth_shown = m->y;

    HDC dc = StationGetDC(hwndDepth, "DepthUpdate", NULL);
    RECT r;
    GetClientRect(hwndDepth, &r);
    int32_t w = r.right - r.left, h = r.bottom - r.top;
    HPEN thin = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HPEN thick = DepthRoundPen(RGB(0, 0, 0));
    HPEN dot = DepthRoundPen(RGB(64, 64, 64));

    // Drawn straight onto the window: the gauge redraws only on a whole metre.
    CopyBitMap(depth_face, dc, 0, 0, w, h, 1);
    HPEN old = (HPEN)SelectObject(dc, thick);
    uint32_t shown = (uint32_t)depth_shown;
    DepthNeedle(dc, thick, (int32_t)((shown * 1280u / 1500u + 149u) % 256u));
    if (m->status & ST_DEPTH) DepthNeedle(dc, thin, DepthDialEntry(m->ordered_depth));
    SelectObject(dc, dot);
    MoveToEx(dc, depth_cx, depth_cy, NULL);
    LineTo(dc, depth_cx, depth_cy);
    SelectObject(dc, old);
    DeleteObject(thin);
    DeleteObject(thick);
    DeleteObject(dot);
    ReleaseDC(hwndDepth, dc);
}

void DepthResize(HWND, int32_t, int32_t) {}

STATION_VISIBILITY(Depth, depth_station)

int32_t DepthFromClick(int32_t x, int32_t y) {
    if (depth_w <= 0 || depth_h <= 0) return 0;
    // The middle of the clicked pixel, taken back to the unstretched dial in sixteenths of its
    // pixels, as seen from the dial's centre with y pointing up.
    int64_t cx =
        ((2 * (int64_t)x + 1) * 8 * DEPTH_DESIGN_W - (int64_t)DEPTH_DIAL_X * 16 * depth_w) /
        depth_w;
    int64_t cy =
        ((int64_t)DEPTH_DIAL_Y * 16 * depth_h - (2 * (int64_t)y + 1) * 8 * DEPTH_DESIGN_H) /
        depth_h;
    uint16_t a = AngleFrom((int32_t)cx, (int32_t)cy, 0, 0);
    // The needle turns 1.2 degrees a metre from entry 149: read the nearest metre back off it.
    uint32_t from_zero = (uint16_t)(a - 149u * 256u);
    uint32_t d = (from_zero * 75u + 8192u) / 16384u;
    // Below the dial, past 250 m, lies the dead arc: it means the surface.
    return d > 250 ? 0 : (int32_t)d;
}

void DepthClick(int32_t x, int32_t y) {
    int32_t d = DepthFromClick(x, y);
    DepthSpoil();
    if (!player_mobile) return;
    player_mobile->ordered_depth = d;
    player_mobile->contact &= ~CT_CRASHDIVE; // a crash dive gives way to the new order
    start_dive = 1;
    GunStow(1); // depth keeping starts once the gun is stowed
}

LRESULT CALLBACK DepthProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_RBUTTONDOWN:
        DepthSpoil();
        if (player_mobile) {
            player_mobile->status &= ~ST_DEPTH;
            ChangeMobileTrim(player_mobile, 2, 128); // planes level, neutral buoyancy
        }
        return 0;
    case WM_PAINT:
        DepthSpoil();
        StationPaintBitmap(window, depth_face);
        return 0;
    }
    return StationProcess(&depth_station, window, message, wParam, lParam);
}
