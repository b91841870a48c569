// bridge.cpp -- the bridge view: the sea through binoculars or periscope, drawn by the 3D engine
#include "stations/bridge.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ddd/ddd.h"
#include "media/win.h"
#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "stations/compass.h"
#include "stations/gun.h"
#include "stations/station.h"

HWND hwndBridge;
uint32_t hit_time;
int32_t bridge_zoom;
int32_t bridge_turn;
int32_t bridge_mode;
static int32_t bridge_visible = 1;
DWORD (*bridge_ticks)(void) = GetTickCount;

enum { BRIDGE_HIT_MS = 800, BRIDGE_BAR_END = 20, BRIDGE_PICK_RADIUS2 = 2500 };

// "magnif1.bmp" to "magnif3.bmp", then the hit overlays "binoch.bmp" and "perih.bmp".
static BitMap bridge_bitmap[5];
static uint8_t *bridge_palette;
static uint8_t *bridge_info;
static dddScreen bridge_screen;
static RECT bridge_bar;
static HRGN bridge_binoculars, bridge_periscope;
static dddObject *bridge_camera, *bridge_light;
static HCURSOR bridge_drag_cursor;
static int32_t bridge_drag;
static int32_t mouse_x, mouse_y;
static uint32_t last_angle, start_angle;
static uint32_t frame_start;
static long frame_count;

static const Station bridge_station = {
    "BridgeChild",   "Bridge",     "bridge_x",    "bridge_y",   NULL, NULL,         &hwndBridge,
    &bridge_visible, BridgeCreate, BridgeDestroy, BridgeResize, NULL, STATION_FOCUS};

int32_t DeltaAngle(uint16_t a, uint16_t b) {
    if (a == b) return 0;
    int32_t d = a > b ? a - b : b - a;
    if (d > 0x8000) d = 0xFFFF - d;
    return b > a ? d : -d;
}

// Registers "BridgeChild" (black, no cursor).
void BridgeRegister() {
    StationRegister(bridge_station.class_name, BridgeProcess, (HBRUSH)GetStockObject(BLACK_BRUSH),
                    0);
}

// Creates the bridge view at its saved place (default: top centre) and marks it visible.
void BridgeOpen(HWND parent) {
    int32_t height = screen_h / 2;
    int32_t width = height * 11 / 8;
    // Centred, but clear of the left-hand column of instruments (the torpedo tubes are its
    // widest window), which a centred view on a 4:3 screen overlaps by a few pixels.
    int32_t left = StationScaleW(197) + 2 * sm_cxborder;
    bridge_visible = 1;
    StationCreate(&bridge_station, parent, std::max((screen_w - width) / 2, left), sm_cymenu, width,
                  height, 0, WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
}

static void BridgeMakeRegions(int32_t w, int32_t h) {
    int32_t g = h * 52 / 50, r = h * 16 / 25, cx = w / 2, cy = h / 2;
    int32_t y1 = (h - g) / 2, y2 = (h + g) / 2, o = g / 6;
    HRGN bar = CreateRectRgnIndirect(&bridge_bar);
    bridge_binoculars = CreateEllipticRgn(cx - g + o, y1, cx + o, y2);
    HRGN right = CreateEllipticRgn(cx - o, y1, cx - o + g, y2);
    CombineRgn(bridge_binoculars, bridge_binoculars, right, RGN_OR);
    CombineRgn(bridge_binoculars, bridge_binoculars, bar, RGN_DIFF);
    bridge_periscope = CreateEllipticRgn(cx - r, cy - r, cx + r, cy + r);
    CombineRgn(bridge_periscope, bridge_periscope, bar, RGN_DIFF);
    DeleteObject(right);
    DeleteObject(bar);
}

// Reads the bar and hit-overlay pictures, sets up the memory screen, clip regions, camera and
// light.
void BridgeCreate(HWND window) {
    static const char *const names[5] = {"magnif1.bmp", "magnif2.bmp", "magnif3.bmp", "binoch.bmp",
                                         "perih.bmp"};
    for (int i = 0; i < 5; i++)
        bridge_bitmap[i] = ReadBitMap(names[i]);
    bridge_drag_cursor = LoadCursor(ghInstance, MAKEINTRESOURCE(3019));
    // Without the drag picture a cross still shows that the pointer is aiming.
    if (!bridge_drag_cursor) bridge_drag_cursor = LoadCursor(NULL, IDC_CROSS);
    SetCursor(LoadCursor(NULL, IDC_ARROW));
    bridge_drag = 0;

    dddPaletteLoad("default.col");

    RECT client;
    GetClientRect(window, &client);
    int32_t w = client.right - client.left, h = client.bottom - client.top;
    int32_t bar_w = screen_w * 82 / 800, bar_h = screen_w * 21 / 800;
    bridge_bar.left = (w - bar_w) / 2;
    bridge_bar.top = h - bar_h - 2;
    bridge_bar.right = bridge_bar.left + bar_w;
    bridge_bar.bottom = bridge_bar.top + bar_h;

    // The buffers outlive the window (the engine may still point at them); a window of another
    // size gets new ones.
    if (bridge_screen.pixels &&
        (bridge_screen.limit_width != (uint16_t)w || bridge_screen.limit_height != (uint16_t)h)) {
        DDDLINKEDMEMFREE(bridge_screen.pixels);
        if (bridge_screen.zbuffer) DDDLINKEDMEMFREE(bridge_screen.zbuffer);
        if (bridge_screen.rows) DDDLINKEDMEMFREE(bridge_screen.rows);
        memset(&bridge_screen, 0, sizeof bridge_screen);
    }
    bridge_screen.width = (uint16_t)((w + 15) & ~15);
    bridge_screen.height = (uint16_t)h;
    bridge_screen.limit_width = (uint16_t)w;
    bridge_screen.limit_height = (uint16_t)h;

    bridge_info = MakeBitMapInfo(bridge_screen.width, bridge_screen.height);
    bridge_palette = LoadPalette("default.col");
    if (bridge_palette) CopyPalette(bridge_palette, bridge_info + 40, 0, 0, 256);

    HDC dc = StationGetDC(window, "BridgeCreate", NULL);
    BridgeMakeRegions(w, h);
    if (dc) ReleaseDC(window, dc);

    dddSelectMemoryScreen(&bridge_screen);

    bridge_light = dddCreateLight(5, 255, 0);
    dddRotateTo(bridge_light, 0, 0x8000, 0);
    bridge_camera = dddCreateCamera(32000, 0, 0);
    dddMoveTo(bridge_camera, 0, -50, 0);
    dddRotateTo(bridge_camera, 0, 0, 0);

    frame_start = bridge_ticks();
    frame_count = 0;
    last_angle = start_angle = 0;
    SetWindowPalette(window, bridge_bitmap[0]);
}

// Frees the drawing resources, logs the frame rate and saves the position; hwndBridge becomes null.
void BridgeDestroy() {
    for (int i = 0; i < 5; i++) {
        FreeBitMap(bridge_bitmap[i]);
        bridge_bitmap[i] = NULL;
    }
    FreePalette(bridge_palette);
    bridge_palette = NULL;
    DeleteObject(bridge_binoculars);
    DeleteObject(bridge_periscope);
    bridge_binoculars = bridge_periscope = NULL;
    DebugFree(bridge_info);
    bridge_info = NULL;

    if (bridge_camera) dddDestroy(bridge_camera);
    if (bridge_light) dddDestroy(bridge_light);
    bridge_camera = bridge_light = NULL;

    long ticks = (long)(bridge_ticks() - frame_start);
    char text[120];
    snprintf(text, sizeof text, "Ticks: %ld  Frames: %ld  Frames/Sec: %f", ticks, frame_count,
             ticks > 0 ? frame_count * 1000.0 / ticks : 0.0);
    DebugLogTag("CloseAll", text);

    StationSavePosition(&bridge_station);
    hwndBridge = NULL;
}

void SetupCamera() {
    // The own ship by name, not by its place in the list: the server may introduce others first.
    Mobile *own = player_mobile;
    if (!own) return;
    int32_t y = bridge_mode == 1 ? -5 : own->y - 50;
    dddMoveTo(bridge_camera, own->x, y, own->z);
    // The light stands over the own ship at the surface, so a ship is lit the same wherever it
    // sails (a light left at the world's origin would be kilometres off, and beyond 32 bits).
    dddMoveTo(bridge_light, own->x, 0, own->z);
    dddRotateTo(bridge_camera, 0, (uint16_t)(own->heading + own->view) & 0xFFF0, 0);
    int32_t persp = screen_w / (10 * bridge_zoom * bridge_zoom + 20);
    dddSetCameraPerspectiveX(bridge_camera, persp);
    dddSetCameraPerspectiveY(bridge_camera, persp);
}

void Draw3D() {
    SetupCamera();
    dddZBCls();
    dddClearObjects();
    dddSelectCamera(bridge_camera);
    InsertMobileShapes();
    InsertSceneryShapes();
    InsertSpriteShapes();
    dddInsertObject(bridge_light);
    dddDrawObjects();
}

static int32_t BridgeSeen(const Mobile *m) {
    return (m->contact & (CT_VIEW | CT_PLOT)) == (CT_VIEW | CT_PLOT);
}

static void BridgePrintCentred(const char *text, int32_t y) {
    int32_t x = (dddscreen_width - 8 * (int32_t)strlen(text)) / 2;
    dddPrint(dddFont7x7, 255, x, y, text);
}

// The mobile nearest the mouse on the screen, within 50 pixels, or null.
static Mobile *BridgePick() {
    int32_t eye[3];
    dddGetPosition(bridge_camera, eye);
    Mobile *best = NULL;
    int64_t best_d = BRIDGE_PICK_RADIUS2;
    for (int32_t i = 0; i < num_mobiles; i++) {
        Mobile *m = &mobile[i];
        if (!BridgeSeen(m) || m == player_mobile) continue;
        int64_t rel[3] = {(int64_t)m->x - eye[0], (int64_t)m->y - eye[1], (int64_t)m->z - eye[2]};
        // Beyond half the world away is beyond sight, and would not fit the engine's points.
        if (std::llabs(rel[0]) > INT32_MAX / 2 || std::llabs(rel[1]) > INT32_MAX / 2 ||
            std::llabs(rel[2]) > INT32_MAX / 2)
            continue;
        int32_t p[3] = {(int32_t)rel[0], (int32_t)rel[1], (int32_t)rel[2]};
        dddRotate3dPoint(p, NULL);
        int32_t sx = dddCreateScreenX(p[0], p[2]), sy = dddCreateScreenY(p[1], p[2]);
        // Behind the camera or off the engine's range: not on the screen at all.
        if (sx == DDD_NOSCREEN || sy == DDD_NOSCREEN) continue;
        int64_t dx = (int16_t)sx - mouse_x, dy = (int16_t)sy - mouse_y;
        int64_t d = dx * dx + dy * dy;
        if (d < best_d) {
            best_d = d;
            best = m;
        }
    }
    return best;
}

void DrawShipID() {
    Mobile *own = player_mobile;
    uint16_t sight = (uint16_t)(own->heading + own->view + 8) & 0xFFF0;
    Mobile *named = NULL;
    int32_t nearest = 0x100;
    for (int32_t i = 0; i < num_mobiles; i++) {
        Mobile *m = &mobile[i];
        if (!BridgeSeen(m) || m == own) continue;
        int32_t d = abs(DeltaAngle(sight, m->bearing));
        if (d < nearest) {
            nearest = d;
            named = m;
        }
    }
    if (named) {
        char text[160];
        const char *side = named->country == 2              ? "NEUTRAL "
                           : named->country == own->country ? "FRIENDLY "
                                                            : "ENEMY ";
        snprintf(text, sizeof text, "%s - %s%s%s", named->ship_name, side,
                 named->type && named->type->name ? named->type->name : "",
                 (named->status & ST_DRONE) ? " (D)" : "");
        uppercase(text);
        int32_t y = dddscreen_depth * 2 / 3 + 9;
        BridgePrintCentred(text, y);
        if (!(named->status & ST_DRONE)) {
            snprintf(text, sizeof text, "%s", named->captain);
            uppercase(text);
            BridgePrintCentred(text, y + 11);
        }
    }
    if (bridge_drag) GunSetTarget(BridgePick());
}

static void BridgeTitle(const char *text) {
    char now[81] = {};
    GetWindowText(hwndBridge, now, sizeof now);
    if (strcmp(now, text) != 0) SetWindowText(hwndBridge, text);
}

static int32_t BridgeInBar(int32_t x, int32_t y) {
    return x > bridge_bar.left && x < bridge_bar.right && y > bridge_bar.top &&
           y < bridge_bar.bottom;
}

static void BridgeTurn() {
    if (mouse_lb && BridgeInBar(mouse_x, mouse_y)) {
        int32_t from_left = mouse_x - bridge_bar.left;
        if (from_left < BRIDGE_BAR_END) bridge_turn = -1;
        if (from_left > bridge_bar.right - bridge_bar.left - BRIDGE_BAR_END) bridge_turn = 1;
    }
    uint32_t now = bridge_ticks();
    if (bridge_turn) {
        if (last_angle != 0) {
            int64_t rate = (int64_t)((now - start_angle) / 250) * bridge_turn;
            int64_t step = rate * (int64_t)((now - last_angle) >> bridge_zoom);
            player_mobile->view = (uint16_t)(player_mobile->view + step);
            CompassRedraw();
        } else {
            start_angle = now;
        }
        last_angle = now;
    } else {
        last_angle = 0;
    }
    bridge_turn = 0;
}

void BridgeUpdate() {
    if (!hwndBridge || !bridge_visible || !player_mobile) return;
    BridgeTurn();

    if (hit_time != 0) {
        if (bridge_ticks() - hit_time < BRIDGE_HIT_MS) {
            BridgeShowHit();
        } else {
            BridgeClear(0);
            hit_time = 0;
        }
        return;
    }

    if (!(observer_status & 3)) {
        BridgeClear(0);
        bridge_mode = -1;
        num_sprites = 0;
        return;
    }
    bridge_mode = (observer_status & 2) ? 0 : 1;

    DrawHorizon(&bridge_screen, 0xE8, 0xE0);
    Draw3D();
    DrawShipID();

    HDC dc = StationGetDC(hwndBridge, "BridgeUpdate", NULL);
    char title[100];
    const char *optic = bridge_mode == 0 ? "Observer" : "Periscope";
    uint16_t look = (uint16_t)(player_mobile->heading + player_mobile->view);
    if (dc) SelectClipRgn(dc, bridge_mode == 0 ? bridge_binoculars : bridge_periscope);
    if (bridge_mode == 1) DrawCrossHairs(&bridge_screen);
    snprintf(title, sizeof title, "Bridge (%s) - looking %d%c - angle off bow: %d%c", optic,
             (int)Degrees(look), 0xB0, (int)PlusMinusAngle(player_mobile->view), 0xB0);
    BridgeTitle(title);

    RECT client;
    GetClientRect(hwndBridge, &client);
    int32_t sw = dddscreen_width, sh = dddscreen_depth;
    if (dc && dddscreenptr && bridge_info) {
        // The engine may have rounded the screen differently from the header made at creation.
        uint8_t *info = bridge_info;
        int32_t width = sw, height = -sh;
        memcpy(info + 4, &width, 4);
        memcpy(info + 8, &height, 4);
        SetDIBitsToDevice(dc, (client.right - sw) / 2, 0, (DWORD)sw, (DWORD)sh, 0, 0, 0, (UINT)sh,
                          dddscreenptr, (BITMAPINFO *)info, DIB_RGB_COLORS);
    }
    if (dc) SelectClipRgn(dc, NULL);
    CopyBitMap(bridge_bitmap[bridge_zoom], dc, bridge_bar.left, bridge_bar.top,
               bridge_bar.right - bridge_bar.left, bridge_bar.bottom - bridge_bar.top, 1);
    if (dc) ReleaseDC(hwndBridge, dc);
    frame_count++;
}

void BridgeResize(HWND, int32_t, int32_t) {}

STATION_VISIBILITY(Bridge, bridge_station)

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

static void BridgeLeftDown(HWND window, int32_t x, int32_t y) {
    ShowWindow(window, SW_SHOWNORMAL);
    ActivateWindow(window);
    SetFocus(window);
    int32_t from_left = x - bridge_bar.left;
    if (BridgeInBar(x, y) && from_left > BRIDGE_BAR_END &&
        from_left < bridge_bar.right - bridge_bar.left - BRIDGE_BAR_END)
        bridge_zoom = (bridge_zoom + 1) % 3;
}

static void BridgeMouseMove(WPARAM keys, int32_t x, int32_t y) {
    int32_t dx = x - mouse_x;
    mouse_x = x;
    mouse_y = y;
    if (dx && (keys & MK_LBUTTON) && player_mobile) {
        player_mobile->view = (uint16_t)(player_mobile->view - 16 * dx);
        CompassRedraw();
    }
    SetCursor(bridge_drag ? bridge_drag_cursor : LoadCursor(NULL, IDC_ARROW));
}

LRESULT CALLBACK BridgeProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
        mouse_x = (int16_t)LOWORD(lParam);
        mouse_y = (int16_t)HIWORD(lParam);
        BridgeLeftDown(window, mouse_x, mouse_y);
        return 0;
    case WM_RBUTTONDOWN:
        if (bridge_mode == 0) {
            bridge_drag = 1;
            SetCursor(bridge_drag_cursor);
        }
        return 0;
    case WM_RBUTTONUP:
    case WM_NCRBUTTONUP:
        bridge_drag = 0;
        SetCursor(LoadCursor(NULL, IDC_ARROW));
        break;
    case WM_MOUSEMOVE:
        BridgeMouseMove(wParam, (int16_t)LOWORD(lParam), (int16_t)HIWORD(lParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    }
    return StationProcess(&bridge_station, window, message, wParam, lParam);
}
