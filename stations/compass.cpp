// compass.cpp -- the compass: heading needle, view line and ordered course; a click orders a course
#include "stations/compass.h"

#include <cstdio>
#include <cstring>

#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "sim/battle.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "stations/station.h"

HWND hwndCompass;
int32_t compass_heading_shown;
int32_t compass_cx, compass_cy, compass_width, compass_height;
static int32_t compass_visible = 1;
static BitMap compass_face;
static int32_t compass_text_height;

// The off-screen image of the client area and what it held before.
static HDC compass_memory;
static HBITMAP compass_bitmap, compass_old_bitmap;
static HPEN compass_old_pen;

// White 1 pixel; light grey, red and dark grey 2 pixels with round ends.
static HPEN compass_white, compass_grey, compass_red, compass_dark;

// The card is drawn for a 179 x 185 client area with its centre at (94, 86) and stretched over
// the real one, so across and down scale apart on a screen that is not 4:3.
enum { COMPASS_DESIGN_W = 179, COMPASS_DESIGN_H = 185, COMPASS_CARD_X = 94, COMPASS_CARD_Y = 86 };

static const Station compass_station = {
    "CompassChild",   "Compass",     "compass_x",    "compass_y",   NULL, NULL, &hwndCompass,
    &compass_visible, CompassCreate, CompassDestroy, CompassResize, NULL, 0};

static HPEN CompassRoundPen(COLORREF colour) {
    LOGBRUSH brush = {BS_SOLID, colour, 0};
    return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND, 2, &brush, 0, NULL);
}

void CompassRegister() {
    StationRegister(compass_station.class_name, CompassProcess, (HBRUSH)GetStockObject(WHITE_BRUSH),
                    1);
}

// Creates the compass at its saved place (default: right edge, below the menu bar).
void CompassOpen(HWND parent) {
    int32_t width, height;
    StationWindowSize(179, 185, &width, &height);
    StationCreate(&compass_station, parent, screen_w - width + 2 * sm_cxborder, sm_cymenu + 1,
                  width, height, 0, WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

// Reads the card "compass.bmp" and makes the off-screen image and the pens.
void CompassCreate(HWND window) {
    HDC dc = StationGetDC(window, "CompassCreate", &compass_text_height);
    RECT r;
    GetClientRect(window, &r);
    int32_t w = r.right - r.left, h = r.bottom - r.top;
    compass_memory = CreateCompatibleDC(dc);
    compass_bitmap = CreateCompatibleBitmap(dc, w, h);
    compass_old_bitmap = (HBITMAP)SelectObject(compass_memory, compass_bitmap);
    SelectPalette(compass_memory, hPal, FALSE);
    ReleaseDC(window, dc);

    compass_face = ReadBitMap("compass.bmp");
    compass_width = w;
    compass_height = h;
    compass_cx = w * COMPASS_CARD_X / COMPASS_DESIGN_W;
    compass_cy = h * COMPASS_CARD_Y / COMPASS_DESIGN_H;
    SetWindowPalette(window, compass_face);
    compass_white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    compass_grey = CompassRoundPen(RGB(224, 224, 224));
    compass_red = CompassRoundPen(RGB(242, 13, 8));
    compass_dark = CompassRoundPen(RGB(64, 64, 64));
    compass_old_pen = (HPEN)SelectObject(compass_memory, compass_grey);
}

// Frees the drawing resources and saves the position; hwndCompass becomes null.
void CompassDestroy() {
    if (compass_memory) {
        SelectObject(compass_memory, compass_old_pen);
        SelectObject(compass_memory, compass_old_bitmap);
    }
    HPEN *pens[] = {&compass_white, &compass_grey, &compass_red, &compass_dark};
    for (HPEN *pen : pens) {
        if (*pen) DeleteObject(*pen);
        *pen = NULL;
    }
    if (compass_bitmap) DeleteObject(compass_bitmap);
    if (compass_memory) DeleteDC(compass_memory);
    compass_bitmap = compass_old_bitmap = NULL;
    compass_memory = NULL;
    compass_old_pen = NULL;
    FreeBitMap(compass_face);
    compass_face = NULL;
    StationSavePosition(&compass_station);
    hwndCompass = NULL;
}

// The caption shows the heading and, while steering, the course steered for.
static void CompassTitle(const Mobile *m) {
    char title[96], current[96];
    if (m->status & ST_STEER)
        snprintf(title, sizeof title, "Compass. hdg.%d%c %c %d%c.", (int)Degrees(m->heading),
                 (char)0xB0, (char)0xBB, (int)Degrees((uint16_t)(m->ordered_heading + 0x8000)),
                 (char)0xB0);
    else
        snprintf(title, sizeof title, "Compass. hdg.%d%c.", (int)Degrees(m->heading), (char)0xB0);
    current[0] = 0;
    GetWindowText(hwndCompass, current, 80);
    if (strcmp(current, title) != 0) SetWindowText(hwndCompass, title);
}

// A needle of length n/255 of the card's radius along circle entry i, stretched with the card;
// y points up.
static POINT CompassVector(int32_t i, int32_t n) {
    POINT v = {circle_dx[i & 255] * compass_width * n / (COMPASS_DESIGN_W * 255),
               circle_dy[i & 255] * compass_height * n / (COMPASS_DESIGN_H * 255)};
    return v;
}

static void CompassLine(HDC dc, HPEN pen, POINT from, POINT to) {
    SelectObject(dc, pen);
    MoveToEx(dc, from.x, from.y, NULL);
    LineTo(dc, to.x, to.y);
}

void CompassUpdate() {
    if (!hwndCompass || !compass_visible || !player_mobile) return;
    const Mobile *m = player_mobile;
    CompassTitle(m);
    if (compass_heading_shown / 16 == (int32_t)m->heading / 16) return;
    compass_heading_shown = m->heading;

    HDC dc = StationGetDC(hwndCompass, "CompassUpdate", NULL);
    RECT r;
    GetClientRect(hwndCompass, &r);
    int32_t w = r.right - r.left, h = r.bottom - r.top;

    // Every line starts at the card's pivot, so the needle turns about it at any stretch.
    POINT pivot = {compass_cx, compass_cy};
    POINT v = CompassVector(m->heading >> 8, 35);
    POINT tail = {pivot.x - v.x, pivot.y + v.y};
    POINT head = {pivot.x + v.x, pivot.y - v.y};
    v = CompassVector((m->view + m->heading) / 256, 15);
    POINT look = {pivot.x + v.x, pivot.y - v.y};
    // ordered_heading holds the reciprocal, so the line runs the other way: to the chosen course.
    v = CompassVector(m->ordered_heading >> 8, 35);
    POINT course = {pivot.x - v.x, pivot.y + v.y};

    CopyBitMap(compass_face, compass_memory, 0, 0, w, h, 1);
    CompassLine(compass_memory, compass_grey, tail, pivot);
    CompassLine(compass_memory, compass_red, pivot, head);
    CompassLine(compass_memory, compass_white, pivot, look);
    if (m->status & ST_STEER) CompassLine(compass_memory, compass_white, pivot, course);
    CompassLine(compass_memory, compass_dark, pivot, pivot);
    BitBlt(dc, 0, 0, w, h, compass_memory, 0, 0, SRCCOPY);
    ReleaseDC(hwndCompass, dc);
}

void CompassResize(HWND, int32_t, int32_t) {}

STATION_VISIBILITY(Compass, compass_station)

void CompassClick(int32_t x, int32_t y) {
    CompassRedraw();
    if (!player_mobile) return;
    // The bearing of the card centre seen from the click, y pointing up: the reciprocal of the
    // clicked direction, which is the form ordered_heading keeps. The click is taken back to the
    // unstretched card (in sixteenths of its pixels) so that it reads the bearing drawn under it.
    int32_t w = compass_width > 0 ? compass_width : 1, h = compass_height > 0 ? compass_height : 1;
    int32_t cx = (x - compass_cx) * COMPASS_DESIGN_W * 16 / w;
    int32_t cy = (compass_cy - y) * COMPASS_DESIGN_H * 16 / h;
    player_mobile->ordered_heading = AngleFrom(0, 0, cx, cy);
    player_mobile->status &= ~ST_GOTO;
    player_mobile->status |= ST_STEER;
    player_mobile->steer_sense = 0;
}

void CompassRedraw() {
    // Any value whose sixteenth differs from the heading's; wraps instead of overflowing.
    compass_heading_shown = (int32_t)((uint32_t)compass_heading_shown + 0xFFFu);
}

LRESULT CALLBACK CompassProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
        // A press on the caption or border brings the compass forward, as one inside does.
        ActivateWindow(window);
        break;
    case WM_LBUTTONDOWN:
        ActivateWindow(window);
        CompassClick(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_RBUTTONDOWN:
        ActivateWindow(window);
        if (player_mobile) player_mobile->status &= ~ST_STEER;
        // Always a real spoil: toggling between 0 and 1 would miss headings below 16.
        CompassRedraw();
        ChangePlayerHelm(2);
        return 0;
    case WM_PAINT:
        CompassRedraw();
        StationPaintBitmap(window, compass_face);
        return 0;
    }
    return StationProcess(&compass_station, window, message, wParam, lParam);
}
