// flash.cpp -- the splash window shown from start-up until the connection is made
#include "shell/shell.h"
#include "stations/station.h"

HWND hwndFlash;
BitMap flash_bitmap;

LRESULT CALLBACK FlashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        StationPaintBitmap(window, flash_bitmap);
        return 0;
    case WM_DESTROY:
        FreeBitMap(flash_bitmap);
        flash_bitmap = NULL;
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

void OpenFlashWindow() {
    WNDCLASS wc = {};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = FlashWndProc;
    wc.hInstance = ghInstance;
    wc.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = "KRFlash";
    RegisterClass(&wc);

    flash_bitmap = ReadBitMap("flash.bmp");
    int32_t w = screen_w * 476 / 800;
    int32_t h = screen_h * 368 / 600;
    int32_t x = (screen_w - w) / 2;
    int32_t y = (screen_h - h) / 2;
    hwndFlash = CreateWindowEx(0, "KRFlash", "Kestrune", WS_POPUP, x, y, w, h, NULL, NULL,
                               ghInstance, NULL);
    SetWindowPalette(hwndFlash, flash_bitmap);
}

void CloseFlashWindow() {
    if (hwndFlash) DestroyWindow(hwndFlash);
    hwndFlash = NULL;
}
