// frame_window.cpp -- a frame window with the real menu, classes and procedure, without start-up
#include "tests/support/frame_window.h"

#include "platform/platform_test.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "stations/stations.h"

HWND TestFrameOpen(int width, int height) {
    PlatformTestReset(width, height);
    ghInstance = PlatformInstance();
    screen_w = GetSystemMetrics(SM_CXSCREEN);
    screen_h = GetSystemMetrics(SM_CYSCREEN);
    sm_cxborder = GetSystemMetrics(SM_CXBORDER);
    sm_cyborder = GetSystemMetrics(SM_CYBORDER);
    sm_cymenu = GetSystemMetrics(SM_CYMENU);
    ShellRegisterResources();
    WNDCLASS wc = {};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = FrameWndProc;
    wc.hInstance = ghInstance;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszMenuName = "KRMenu";
    wc.lpszClassName = szFrameClass;
    RegisterClass(&wc);
    for (const StationEntry &station : STATION_TABLE)
        station.register_class();
    hwndFrame = CreateWindowEx(0, szFrameClass, "Kestrune",
                               WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU, 0, 0, screen_w,
                               screen_h, NULL, NULL, ghInstance, NULL);
    hwndApp = hwndFrame;
    ShowWindow(hwndFrame, SW_SHOWMAXIMIZED);
    active_window = NULL;
    return hwndFrame;
}

void TestFrameClose() {
    if (hwndFrame && IsWindow(hwndFrame)) DestroyWindow(hwndFrame);
    hwndFrame = hwndApp = NULL;
    MSG msg;
    while (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE)) {
    }
}
