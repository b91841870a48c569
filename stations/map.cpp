// map.cpp -- the map table: a plan of the sea around the own ship; a click sets a waypoint
#include "stations/map.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "media/sfx.h"
#include "media/win.h"
#include "net/battle_messages.h"
#include "sim/battle.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "stations/compass.h"
#include "stations/station.h"

HWND hwndMap;
int32_t map_scale = 60000;
int32_t map_redraw;
int32_t map_chart_w, map_chart_h;
static int32_t map_visible = 1;
static HBRUSH map_background;
static uint32_t map_last_tick, map_now;
static int32_t map_text_height;

static HDC map_memory;
static HBITMAP map_bitmap, map_old_bitmap;

static const COLORREF MAP_PAPER = RGB(255, 255, 224);

// The chart's pens, created once with the window, in the order of their creation.
enum {
    MAP_BBLOB,
    MAP_BLINE,
    MAP_WBLOB,
    MAP_WLINE,
    MAP_RBLOB,
    MAP_HBIGBLOB,
    MAP_RLINE,
    MAP_HBIGRBLOB,
    MAP_HBIGBBLOB,
    MAP_HSMALLBBLOB,
    MAP_HSMALLRBLOB,
    MAP_PENS
};
struct MapPen {
    const char *name;
    COLORREF colour;
    int32_t width;
};
static const MapPen map_pen_kind[MAP_PENS] = {
    {"bblob", RGB(0, 0, 255), 3},       {"bline", RGB(0, 0, 255), 1},
    {"wblob", RGB(0, 0, 0), 3},         {"wline", RGB(0, 0, 0), 1},
    {"rblob", RGB(255, 0, 0), 3},       {"hbigblob", RGB(0, 160, 0), 4},
    {"rline", RGB(255, 0, 0), 1},       {"hbigrblob", RGB(255, 0, 0), 8},
    {"hbigbblob", RGB(0, 0, 255), 8},   {"hsmallbblob", RGB(0, 0, 255), 6},
    {"hsmallrblob", RGB(255, 0, 0), 6},
};
static HPEN map_pen[MAP_PENS];

static HWND map_button[4];
struct MapButton {
    const char *text;
    int32_t id;
    int32_t range;
};
// Left to right; each range is that sensor's detection range.
static const MapButton map_button_kind[4] = {
    {"Rad.", MAP_BUTTON_RADAR, 60000},
    {"Vis.", MAP_BUTTON_VISUAL, 30000},
    {"Peri", MAP_BUTTON_PERI, 20000},
    {"Son.", MAP_BUTTON_SONAR, 10000},
};

static const Station map_station = {"MapChild", "Map table", "map_x",      "map_y",   "map_w",
                                    "map_h",    &hwndMap,    &map_visible, MapCreate, MapDestroy,
                                    MapResize,  NULL,        STATION_FOCUS};

// Registers "MapChild" (light yellow background).
void MapRegister() {
    map_background = CreateSolidBrush(MAP_PAPER);
    StationRegister(map_station.class_name, MapProcess, map_background, 1);
}

// Creates the map table at its saved place and size (default: bottom right, square chart).
void MapOpen(HWND parent) {
    int32_t width = StationReadKey("map_w", screen_w / 5 + 2 * sm_cxborder);
    int32_t height = StationReadKey("map_h", StationCaption() + screen_w / 5 + 2 * sm_cyborder);
    HWND window = StationCreate(&map_station, parent, screen_w - width - 1, screen_h - height - 1,
                                width, height, 1, WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
    DebugLog("hwndMap:%x", (unsigned)(uintptr_t)window);
}

// Replaces the back buffer by one of the given size (the whole client area).
static void MapBackBuffer(HDC dc, int32_t width, int32_t height) {
    if (!map_memory) return;
    if (map_bitmap) {
        SelectObject(map_memory, map_old_bitmap);
        DeleteObject(map_bitmap);
    }
    map_bitmap = CreateCompatibleBitmap(dc, width > 0 ? width : 1, height > 0 ? height : 1);
    map_old_bitmap = (HBITMAP)SelectObject(map_memory, map_bitmap);
}

// Makes the chart's drawing resources.
void MapCreate(HWND window) {
    HDC dc = StationGetDC(window, "MapUpdate", &map_text_height);
    RECT r;
    GetClientRect(window, &r);
    map_memory = CreateCompatibleDC(dc);
    map_bitmap = NULL;
    MapBackBuffer(dc, r.right - r.left, r.bottom - r.top);
    SelectPalette(map_memory, hPal, FALSE);
    ReleaseDC(window, dc);

    for (int32_t i = 0; i < 4; i++)
        map_button[i] =
            CreateWindow("BUTTON", map_button_kind[i].text,
                         WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | BS_LEFTTEXT, 1, 1, 1, 1, window,
                         (HMENU)(intptr_t)map_button_kind[i].id, ghInstance, NULL);
    SetWindowPalette(window, NULL);

    for (int32_t i = 0; i < MAP_PENS; i++) {
        map_pen[i] = CreatePen(PS_SOLID, map_pen_kind[i].width, map_pen_kind[i].colour);
        if (!map_pen[i]) DebugLog("MapUpdate: Can't create %s pen", map_pen_kind[i].name);
    }
}

// Releases the drawing resources and saves position and size; hwndMap becomes null.
void MapDestroy() {
    if (map_memory) {
        SelectObject(map_memory, map_old_bitmap);
        if (map_bitmap) DeleteObject(map_bitmap);
        DeleteDC(map_memory);
    }
    map_memory = NULL;
    map_bitmap = map_old_bitmap = NULL;
    StationSavePosition(&map_station);
    for (int32_t i = 0; i < MAP_PENS; i++) {
        if (map_pen[i]) DeleteObject(map_pen[i]);
        map_pen[i] = NULL;
    }
    for (int32_t i = 0; i < 4; i++)
        map_button[i] = NULL; // destroyed with their parent
    hwndMap = NULL;
}

void MapResize(HWND window, int32_t width, int32_t height) {
    DebugLog("MapResize: %d %d", (int)width, (int)height);
    int32_t top = height - map_text_height - 5, tall = map_text_height + 5, quarter = width / 4;
    // A minimised window has no client area: the buttons keep their places until it returns.
    for (int32_t i = 0; i < 4 && quarter > 0 && height > 0; i++) {
        int32_t right = i < 3 ? (i + 1) * quarter : width;
        SetWindowPos(map_button[i], NULL, i * quarter, top, right - i * quarter, tall,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    map_chart_w = width - 1;
    map_chart_h = height - 1 - map_text_height - 6;
    HDC dc = GetDC(window);
    MapBackBuffer(dc, width, height);
    ReleaseDC(window, dc);
    map_redraw = 1;
}

STATION_VISIBILITY(Map, map_station)

void MapZoom(int32_t range) {
    // A scale of 0 would leave the chart with nothing to divide by.
    if (range <= 0) {
        DebugLog("MapZoom: range %d refused", (int)range);
        return;
    }
    map_scale = 2 * range;
}

// Far-off points are pinned well outside any chart, so drawing never sees huge coordinates.
static int32_t MapPin(int64_t v) {
    const int64_t far = 1 << 20;
    return (int32_t)(v < -far ? -far : v > far ? far : v);
}

void MapProject(int32_t x, int32_t z, int32_t *sx, int32_t *sy) {
    const Mobile *p = player_mobile;
    int64_t w = map_chart_w, h = map_chart_h, scale = map_scale > 0 ? map_scale : 1;
    int64_t px = p ? p->x : 0, pz = p ? p->z : 0;
    *sx = MapPin(w / 2 + ((int64_t)x - px) * w / scale);
    *sy = MapPin(h - (h / 2 + ((int64_t)z - pz) * w / scale));
}

static void MapLine(HDC dc, HPEN pen, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (pen) SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, NULL);
    LineTo(dc, x1, y1);
}

// A zero-length line: a round dot as wide as the pen.
static void MapDot(HDC dc, HPEN pen, int32_t x, int32_t y) {
    MapLine(dc, pen, x, y, x, y);
}

static void MapCross(HDC dc, int32_t sx, int32_t sy, int32_t d) {
    MapLine(dc, NULL, sx - d, sy - d, sx + d + 1, sy + d + 1);
    MapLine(dc, NULL, sx - d, sy + d, sx + d + 1, sy - d - 1);
}

static void MapGrid(HDC dc, int64_t w, int64_t h, int64_t scale, int64_t px, int64_t pz) {
    SelectObject(dc, map_pen[MAP_BLINE]);
    int64_t cx = px / 100000, cz = pz / 100000;
    int64_t step = w * 100000 / scale;
    int64_t gx0 = w / 2 + ((cx - 2) * 100000 - px) * w / scale - step;
    int64_t gz0 = h / 2 + ((cz - 2) * 100000 - pz) * w / scale - step;
    for (int64_t j = 0; j < 5; j++)
        for (int64_t i = 0; i < 5; i++) {
            int32_t x = MapPin(gx0 + i * step), y = MapPin(h - (gz0 + j * step));
            int32_t x2 = MapPin(gx0 + i * step + step + 1),
                    y2 = MapPin(h - (gz0 + j * step) - step - 1);
            MoveToEx(dc, x, y, NULL);
            LineTo(dc, x2, y);
            LineTo(dc, x2, y2);
            LineTo(dc, x, y2);
            LineTo(dc, x, y);
        }
}

static void MapMarks(HDC dc, HBRUSH paper, int64_t w, int64_t scale) {
    if (!sprite) return;
    SelectObject(dc, map_pen[MAP_RLINE]);
    for (int32_t i = 0; i < num_sprites; i++) {
        const Sprite *s = &sprite[i];
        int32_t sx, sy;
        MapProject(s->x, s->z, &sx, &sy);
        if (s->tag == GUN_HIT || s->tag == GUN_MISS) {
            MapCross(dc, sx, sy, (int32_t)(w * 400 / scale));
        } else if (s->tag == DC_HIT || s->tag == DC_MISS) {
            int32_t d = (int32_t)(w * 500 / scale);
            if (paper) SelectObject(dc, paper);
            Ellipse(dc, sx - d, sy - d, sx + d, sy + d);
            MapCross(dc, sx, sy, (int32_t)(w * 550 / scale));
        }
    }
}

// The radar blip flickers in size, mostly small for the classes that show little above water.
static int32_t MapBlipSmallChance(int32_t type_id) {
    switch (type_id) {
    case SUBMARINE:
        return 90;
    case CORVETTE:
        return 20;
    case DESTROYER:
        return 10;
    default:
        return 80;
    }
}

static void MapMobiles(HDC dc) {
    if (!mobile) return;
    for (int32_t i = 0; i < num_mobiles; i++) {
        const Mobile *m = &mobile[i];
        int32_t sx, sy;
        MapProject(m->x, m->z, &sx, &sy);
        int north = m->country == COUNTRY_NORTHLAND;
        if (m->contact & CT_PLOT) {
            int32_t blob = m == player_mobile ? MAP_WBLOB : north ? MAP_BBLOB : MAP_RBLOB;
            int32_t line = m == player_mobile ? MAP_WLINE : north ? MAP_BLINE : MAP_RLINE;
            int32_t h = m->heading >> 8;
            MapDot(dc, map_pen[blob], sx, sy);
            MapLine(dc, map_pen[line], sx, sy, sx + circle_dx[h] / 25, sy - circle_dy[h] / 25);
        } else if (m->contact & CT_RADAR) {
            int32_t type_id = m->type ? m->type->type_id : DUMMY_TYPE;
            int small = rand() % 100 < MapBlipSmallChance(type_id);
            int32_t pen = small ? (north ? MAP_HSMALLBBLOB : MAP_HSMALLRBLOB)
                                : (north ? MAP_HBIGBBLOB : MAP_HBIGRBLOB);
            MapDot(dc, map_pen[pen], sx, sy);
        }
        if (m->contact & CT_SONAR) {
            PlaySoundEffect(m->x, m->z, SFX_PING);
            MapDot(dc, map_pen[MAP_HBIGBLOB], sx, sy);
        }
    }
}

static void MapTitle(const Mobile *p) {
    char title[128], current[96];
    if (p->status & ST_GOTO)
        snprintf(title, sizeof title, "Map table - (%d,%d) %c (%d,%d)", (int)(p->x / 1000),
                 (int)(p->z / 1000), (char)187, (int)(p->way_x / 1000), (int)(p->way_z / 1000));
    else
        snprintf(title, sizeof title, "Map table - (%d,%d)", (int)(p->x / 1000),
                 (int)(p->z / 1000));
    current[0] = 0;
    GetWindowText(hwndMap, current, 80);
    if (strcmp(current, title) != 0) SetWindowText(hwndMap, title);
}

void MapUpdate() {
    map_now = GetTickCount();
    if (map_now - map_last_tick < 700 && !map_redraw) return;
    map_last_tick = map_now;
    map_redraw = 0;
    if (!hwndMap || !map_visible || !player_mobile) return;

    const Mobile *p = player_mobile;
    RECT r;
    GetClientRect(hwndMap, &r);
    map_chart_w = r.right - r.left;
    map_chart_h = r.bottom - r.top - map_text_height - 6;
    HDC dc = StationGetDC(hwndMap, "MapUpdate", NULL);

    HBRUSH paper = CreateSolidBrush(MAP_PAPER);
    if (!paper) DebugLogTag("MapUpdate", "Can't create background brush");
    HPEN old_pen = (HPEN)SelectObject(map_memory, map_pen[MAP_BLINE]);
    HBRUSH old_brush = (HBRUSH)SelectObject(map_memory, paper);
    RECT chart = {0, 0, map_chart_w, map_chart_h};
    if (paper) FillRect(map_memory, &chart, paper);

    if (map_chart_w > 0 && map_scale > 0) {
        int64_t w = map_chart_w, h = map_chart_h, scale = map_scale;
        MapGrid(map_memory, w, h, scale, p->x, p->z);
        MapMarks(map_memory, paper, w, scale);
        MapMobiles(map_memory);
        if (p->status & ST_GOTO) {
            int32_t sx, sy;
            MapProject(p->way_x, p->way_z, &sx, &sy);
            MapLine(map_memory, map_pen[MAP_WLINE], sx - 4, sy, sx + 5, sy);
            MapLine(map_memory, NULL, sx, sy - 4, sx, sy + 5);
        }
    }

    SelectObject(map_memory, old_pen);
    SelectObject(map_memory, old_brush);
    if (paper) DeleteObject(paper);
    BitBlt(dc, 0, 0, map_chart_w, map_chart_h, map_memory, 0, 0, SRCCOPY);
    ReleaseDC(hwndMap, dc);
    MapTitle(p);
}

void MapClick(int32_t x, int32_t y) {
    Mobile *p = player_mobile;
    // A chart without width (a minimised window) has no scale to read a click by.
    if (!p || map_chart_w <= 0) return;
    int64_t w = map_chart_w, h = map_chart_h;
    int64_t way_x = ((int64_t)x - w / 2) * map_scale / w + p->x;
    int64_t way_z = p->z - ((int64_t)y - h / 2) * map_scale / w;
    p->way_x = (int32_t)(way_x < INT32_MIN ? INT32_MIN : way_x > INT32_MAX ? INT32_MAX : way_x);
    p->way_y = 0;
    p->way_z = (int32_t)(way_z < INT32_MIN ? INT32_MIN : way_z > INT32_MAX ? INT32_MAX : way_z);
    DebugLog("MapClick: %d %d -> %d %d", (int)x, (int)y, (int)p->way_x, (int)p->way_z);
    p->ordered_heading = AngleFrom(p->x, p->z, p->way_x, p->way_z);
    p->steer_sense = 0;
    p->status |= ST_STEER | ST_GOTO;
    CompassRedraw();
    map_redraw = 1;
}

LRESULT CALLBACK MapProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        // A new size lays the chart out anew and ends here, without the default handling.
        if (StationSizeMessage(window, wParam)) return 0;
        MapResize(window, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        MapClick((int16_t)LOWORD(lParam), (int16_t)HIWORD(lParam));
        return 0;
    case WM_RBUTTONDOWN:
        if (player_mobile) player_mobile->status &= ~ST_GOTO;
        return 0;
    case WM_PAINT: {
        // The last chart at once, so an uncovered window never shows bare paper; the next step
        // draws it afresh.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (map_memory && map_chart_w > 0 && map_chart_h > 0)
            BitBlt(dc, 0, 0, map_chart_w, map_chart_h, map_memory, 0, 0, SRCCOPY);
        EndPaint(window, &ps);
        map_redraw = 1;
        return 0;
    }
    case WM_COMMAND:
        for (int32_t i = 0; i < 4; i++)
            if (LOWORD(wParam) == map_button_kind[i].id) MapZoom(map_button_kind[i].range);
        break;
    }
    return StationProcess(&map_station, window, message, wParam, lParam);
}
