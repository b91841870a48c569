// station.cpp -- what every station window shares: class registration, scaled size, position kept
// in the settings per screen width and ship class, the common window messages
#include "stations/station.h"

#include <cstdio>

#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"

int32_t StationScaleW(int32_t design) {
    return design * screen_w / 800;
}
int32_t StationScaleH(int32_t design) {
    return design * screen_h / 600;
}
int32_t StationCaption() {
    return GetSystemMetrics(SM_CYCAPTION);
}

void StationWindowSize(int32_t design_w, int32_t design_h, int32_t *width, int32_t *height) {
    *width = StationScaleW(design_w) + 2 * GetSystemMetrics(SM_CXBORDER);
    *height = StationScaleH(design_h) + 2 * GetSystemMetrics(SM_CYBORDER) + StationCaption();
}

int32_t StationReadKey(const char *key, int32_t fallback) {
    return (int32_t)GetPrivateProfileInt(szAppName, CoordinateName(key), fallback, szIniName);
}

// Writes value in decimal under CoordinateName(key).
static void StationWriteKey(const char *key, int32_t value) {
    char text[16];
    snprintf(text, sizeof text, "%d", (int)value);
    WritePrivateProfileString(szAppName, CoordinateName(key), text, szIniName);
}

ATOM StationRegister(const char *class_name, WNDPROC proc, HBRUSH background, int32_t cursor) {
    WNDCLASS wc = {};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 4;
    wc.hInstance = ghInstance;
    wc.hIcon = NULL;
    wc.hCursor = cursor ? LoadCursor(NULL, IDC_ARROW) : NULL;
    wc.hbrBackground = background;
    wc.lpszMenuName = NULL;
    wc.lpszClassName = class_name;
    return RegisterClass(&wc);
}

// Every station that has been opened this run, so that a new one can keep clear of the others.
static const Station *station_known[16];
static int32_t station_known_count;

static void StationRemember(const Station *station) {
    for (int32_t i = 0; i < station_known_count; i++)
        if (station_known[i] == station) return;
    if (station_known_count < (int32_t)(sizeof station_known / sizeof station_known[0]))
        station_known[station_known_count++] = station;
}

static int StationSaved(const Station *station) {
    if (!station->key_x) return 0;
    char text[16];
    return GetPrivateProfileString(szAppName, CoordinateName(station->key_x), "", text, sizeof text,
                                   szIniName) > 0;
}

static int32_t StationClamp(int32_t v, int32_t size, int32_t room) {
    if (v > room - size) v = room - size;
    return v < 0 ? 0 : v;
}

// Non-zero when the rectangle at (x, y) covers another station's window.
static int StationCovers(const Station *self, HWND parent, int32_t x, int32_t y, int32_t w,
                         int32_t h) {
    for (int32_t i = 0; i < station_known_count; i++) {
        const Station *o = station_known[i];
        HWND other = *o->window;
        if (o == self || !o->key_x || !other || GetParent(other) != parent) continue;
        RECT r;
        GetWindowRect(other, &r);
        POINT p = {r.left, r.top};
        ScreenToClient(parent, &p);
        int32_t ow = r.right - r.left, oh = r.bottom - r.top;
        if (x < p.x + ow && p.x < x + w && y < p.y + oh && p.y < y + h) return 1;
    }
    return 0;
}

// Fits a w × h window into the parent's client area. A place from the settings is kept unless it
// runs off the area; a default place (screen coordinates) is moved into the area and, when it
// would cover another station, to the nearest place that covers none where there is one.
static void StationPlace(const Station *station, HWND parent, int32_t *x, int32_t *y, int32_t w,
                         int32_t h) {
    RECT room;
    if (!parent || !GetClientRect(parent, &room)) return;
    int32_t cw = room.right - room.left, ch = room.bottom - room.top;
    if (!station->key_x || StationSaved(station)) {
        // Where the player left it (or a place the station reckons in the client area itself),
        // unless that runs off the frame now.
        *x = StationClamp(*x, w, cw);
        *y = StationClamp(*y, h, ch);
        return;
    }
    // Default places are reckoned on the screen; a child lives in the frame's client area.
    POINT p = {*x, *y};
    ScreenToClient(parent, &p);
    int32_t px = StationClamp(p.x, w, cw), py = StationClamp(p.y, h, ch);
    *x = px;
    *y = py;
    if (!StationCovers(station, parent, px, py, w, h)) return;
    // The nearest place beside the others' edges (or the frame's) that covers none of them.
    int32_t xs[2 + 2 * 16], ys[2 + 2 * 16], nx = 0, ny = 0;
    xs[nx++] = 0;
    xs[nx++] = cw - w;
    ys[ny++] = 0;
    ys[ny++] = ch - h;
    for (int32_t i = 0; i < station_known_count; i++) {
        HWND other = *station_known[i]->window;
        if (station_known[i] == station || !station_known[i]->key_x || !other ||
            GetParent(other) != parent)
            continue;
        RECT r;
        GetWindowRect(other, &r);
        POINT o = {r.left, r.top};
        ScreenToClient(parent, &o);
        xs[nx++] = o.x - w;
        xs[nx++] = o.x + (r.right - r.left);
        ys[ny++] = o.y - h;
        ys[ny++] = o.y + (r.bottom - r.top);
    }
    int64_t best = -1;
    for (int32_t i = 0; i < nx + 1; i++)
        for (int32_t j = 0; j < ny + 1; j++) {
            // The preferred x or y itself is a candidate too: slide along one axis only.
            int32_t cx = i < nx ? xs[i] : px, cy = j < ny ? ys[j] : py;
            if (cx < 0 || cy < 0 || cx + w > cw || cy + h > ch) continue;
            if (StationCovers(station, parent, cx, cy, w, h)) continue;
            int64_t dx = cx - px, dy = cy - py, d = dx * dx + dy * dy;
            if (best < 0 || d < best) {
                best = d;
                *x = cx;
                *y = cy;
            }
        }
}

HWND StationCreate(const Station *station, HWND parent, int32_t x, int32_t y, int32_t width,
                   int32_t height, int32_t resizable, DWORD ex_style) {
    if (station->key_x) {
        x = StationReadKey(station->key_x, x);
        y = StationReadKey(station->key_y, y);
    }
    StationRemember(station);
    StationPlace(station, parent, &x, &y, width, height);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION;
    if (resizable) style |= WS_THICKFRAME;
    // The window procedure's WM_CREATE already sees the handle through *station->window.
    HWND window = CreateWindowEx(ex_style, station->class_name, station->title, style, x, y, width,
                                 height, parent, NULL, ghInstance, NULL);
    *station->window = window;
    return window;
}

void StationSavePosition(const Station *station) {
    HWND window = *station->window;
    if (!window || !station->key_x) return;
    RECT r;
    GetWindowRect(window, &r);
    POINT corner = {r.left, r.top};
    ScreenToClient(hwndApp, &corner);
    StationWriteKey(station->key_x, corner.x);
    StationWriteKey(station->key_y, corner.y);
    if (station->key_w) {
        StationWriteKey(station->key_w, r.right - r.left);
        StationWriteKey(station->key_h, r.bottom - r.top);
    }
}

// After WM_CREATE's own work: hides the window when the station's visible flag is clear.
static void StationOpened(const Station *station, HWND window) {
    if (!*station->visible && window) ShowWindow(window, SW_HIDE);
}

int32_t StationVisible(const Station *station) {
    return *station->window && *station->visible ? 1 : 0;
}

void StationShow(const Station *station) {
    if (!*station->visible) {
        if (*station->window) ShowWindow(*station->window, SW_SHOWNORMAL);
        *station->visible = 1;
        ConfigureMenu();
    }
}

void StationHide(const Station *station) {
    if (*station->visible) {
        if (*station->window) ShowWindow(*station->window, SW_HIDE);
        *station->visible = 0;
        ConfigureMenu();
    }
}

int StationSizeMessage(HWND window, WPARAM wParam) {
    if (wParam == SIZE_MAXIMIZED) {
        ShowWindow(window, SW_RESTORE);
        return 1;
    }
    return 0;
}

HDC StationGetDC(HWND window, const char *who, int32_t *text_height) {
    HDC dc = GetDC(window);
    if (!dc) DebugLogTag(who, "GetDC");
    TEXTMETRIC tm = {};
    if (text_height && GetTextMetrics(dc, &tm)) *text_height = tm.tmHeight;
    return dc;
}

void StationPaint(HWND window, void (*paint)(HDC dc)) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    paint(dc);
    EndPaint(window, &ps);
}

void StationPaintBitmap(HWND window, uint8_t *bitmap) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    CopyBitMap(bitmap, dc, 0, 0, r.right - r.left, r.bottom - r.top, 1);
    EndPaint(window, &ps);
}

LRESULT StationProcess(const Station *station, HWND window, UINT message, WPARAM wParam,
                       LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        station->create(window);
        StationOpened(station, window);
        return 0;
    case WM_DESTROY:
        station->destroy();
        break;
    case WM_CLOSE:
        // Closing a station never destroys it.
        ShowWindow(window, SW_MINIMIZE);
        return 0;
    case WM_SIZE:
        if (!station->resize) break;
        if (StationSizeMessage(window, wParam)) return 0;
        station->resize(window, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_LBUTTONDOWN:
        if (!station->click) break;
        station->click(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_MOUSEACTIVATE:
        ActivateWindow(window);
        if (station->flags & STATION_FOCUS) SetFocus(window);
        break;
    }
    return DefWindowProc(window, message, wParam, lParam);
}
