// station.cpp -- what every station window shares: class registration, scaled size, position kept
// in the settings per screen width and ship class, the common window messages
#include "stations/station.h"

#include <cstdio>

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

void StationWriteKey(const char *key, int32_t value) {
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

HWND StationCreate(const Station *station, HWND parent, int32_t x, int32_t y, int32_t width,
                   int32_t height, int32_t resizable, DWORD ex_style) {
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

void StationOpened(const Station *station, HWND window) {
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

void StationPaintBitmap(HWND window, uint8_t *bitmap) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    CopyBitMap(bitmap, dc, 0, 0, r.right - r.left, r.bottom - r.top, 1);
    EndPaint(window, &ps);
}
