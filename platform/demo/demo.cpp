// demo.cpp -- the platform layer's demonstration: a frame with a menu, tool windows, a message box
//
//   platform-demo [--screen WxH] [--screenshot out.png]
// With --screenshot the program writes the composed screen while its message box is up and ends.
#include "platform/platform.h"
#include "platform/platform_test.h"

#include <cmath>
#include <cstring>
#include <string>

enum {
    IDM_NEW_MESSAGE = 100,
    IDM_EXIT,
    IDM_DIAL,
    IDM_LOG,
    IDM_ABOUT,
    ID_LOG = 201,
    ID_INPUT,
    ID_SEND,
};

static HINSTANCE instance;
static HWND frame, dial, radio, status;
static const char *screenshot_path = nullptr;
static HFONT ui_font;
static int heading = 40;
static WNDPROC input_proc;

static const MenuResourceItem demo_menu[] = {
    {0, "&File", 0, 0},
    {1, "&New message", IDM_NEW_MESSAGE, 0},
    {1, "", 0, MF_SEPARATOR},
    {1, "E&xit", IDM_EXIT, 0},
    {0, "&Windows", 0, 0},
    {1, "&Dial", IDM_DIAL, MF_CHECKED},
    {1, "&Radio log", IDM_LOG, MF_CHECKED},
    {1, "&Engines", 0, MF_GRAYED},
    {0, "&Help", 0, 0},
    {1, "&About", IDM_ABOUT, 0},
};

static void DrawDial(HDC dc, int w, int h) {
    RECT all{0, 0, w, h};
    HBRUSH face = CreateSolidBrush(RGB(245, 241, 228));
    FillRect(dc, &all, face);
    DeleteObject(face);
    int cx = w / 2, cy = h / 2 + 6, r = std::min(w, h) / 2 - 18;
    // The card: a ring clipped out of a disc, then ticks with a wide round pen.
    HRGN outer = CreateEllipticRgn(cx - r, cy - r, cx + r, cy + r);
    HRGN inner = CreateEllipticRgn(cx - r + 10, cy - r + 10, cx + r - 10, cy + r - 10);
    HRGN ring = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(ring, outer, inner, RGN_DIFF);
    HBRUSH navy = CreateSolidBrush(RGB(28, 48, 92));
    FillRgn(dc, ring, navy);
    HPEN thin = CreatePen(PS_SOLID, 1, RGB(28, 48, 92));
    HGDIOBJ old_pen = SelectObject(dc, thin);
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Ellipse(dc, cx - r + 10, cy - r + 10, cx + r - 10, cy + r - 10);
    LOGBRUSH lb{BS_SOLID, RGB(28, 48, 92), 0};
    HPEN tick = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND, 3, &lb, 0, nullptr);
    SelectObject(dc, tick);
    for (int a = 0; a < 360; a += 15) {
        double rad = a * M_PI / 180;
        int len = a % 45 == 0 ? 14 : 7;
        MoveToEx(dc, cx + (int)((r - 12) * sin(rad)), cy - (int)((r - 12) * cos(rad)), nullptr);
        LineTo(dc, cx + (int)((r - 12 - len) * sin(rad)), cy - (int)((r - 12 - len) * cos(rad)));
    }
    SelectObject(dc, ui_font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(28, 48, 92));
    SetTextAlign(dc, TA_CENTER);
    const char *marks[4] = {"N", "E", "S", "W"};
    for (int i = 0; i < 4; i++) {
        double rad = i * M_PI / 2;
        TextOut(dc, cx + (int)((r - 38) * sin(rad)), cy - (int)((r - 38) * cos(rad)) - 7, marks[i],
                1);
    }
    // The needle and its hub: a dot drawn as a zero-length wide line.
    HPEN needle = CreatePen(PS_SOLID, 4, RGB(190, 30, 30));
    SelectObject(dc, needle);
    double rad = heading * M_PI / 180;
    MoveToEx(dc, cx, cy, nullptr);
    LineTo(dc, cx + (int)((r - 30) * sin(rad)), cy - (int)((r - 30) * cos(rad)));
    HPEN hub = CreatePen(PS_SOLID, 12, RGB(28, 48, 92));
    SelectObject(dc, hub);
    MoveToEx(dc, cx, cy, nullptr);
    LineTo(dc, cx, cy);
    char text[32];
    snprintf(text, sizeof text, "Heading %03d\xb0", heading);
    SetTextAlign(dc, TA_LEFT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOut(dc, 8, 4, text, (int)strlen(text));
    // A strip of an 8-bit device-independent bitmap, stretched: the depth scale.
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[256];
    } bmi{};
    bmi.h.biSize = 40;
    bmi.h.biWidth = 1;
    bmi.h.biHeight = -16; // top-down: light at the surface, dark at depth
    bmi.h.biPlanes = 1;
    bmi.h.biBitCount = 8;
    uint8_t px[16 * 4] = {}; // rows of one pixel, padded to four bytes
    for (int i = 0; i < 16; i++) {
        px[4 * i] = (uint8_t)i;
        bmi.c[i] = RGBQUAD{(BYTE)(250 - i * 8), (BYTE)(220 - i * 11), (BYTE)(160 - i * 9), 0};
    }
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, w - 26, 26, 14, h - 40, 0, 0, 1, 16, px, (BITMAPINFO *)&bmi, DIB_RGB_COLORS,
                  SRCCOPY);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    for (HGDIOBJ o : {(HGDIOBJ)outer, (HGDIOBJ)inner, (HGDIOBJ)ring, (HGDIOBJ)navy, (HGDIOBJ)thin,
                      (HGDIOBJ)tick, (HGDIOBJ)needle, (HGDIOBJ)hub})
        DeleteObject(o);
}

static LRESULT CALLBACK DialProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT r;
        GetClientRect(h, &r);
        DrawDial(dc, r.right, r.bottom);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        RECT r;
        GetClientRect(h, &r);
        int dx = GET_X_LPARAM(lp) - r.right / 2, dy = GET_Y_LPARAM(lp) - (r.bottom / 2 + 6);
        heading = ((int)lround(atan2(dx, -dy) * 180 / M_PI) + 360) % 360;
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    }
    case WM_MOUSEACTIVATE:
        SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SendMessage(radio, WM_NCACTIVATE, FALSE, 0);
        SendMessage(h, WM_NCACTIVATE, TRUE, 0);
        break;
    case WM_CLOSE:
        ShowWindow(h, SW_MINIMIZE);
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

static void AddLog(const char *line) {
    HWND log = GetDlgItem(radio, ID_LOG);
    int n = GetWindowTextLength(log);
    SendMessage(log, EM_SETSEL, n, n);
    SendMessage(log, EM_REPLACESEL, 0, (LPARAM)line);
    SendMessage(log, EM_REPLACESEL, 0, (LPARAM) "\r\n");
    SendMessage(log, EM_SCROLLCARET, 0, 0);
}

static LRESULT CALLBACK InputProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_CHAR && wp == '\r') {
        PostMessage(radio, WM_COMMAND, MAKEWPARAM(ID_SEND, BN_CLICKED),
                    (LPARAM)GetDlgItem(radio, ID_SEND));
        return 0;
    }
    return CallWindowProc(input_proc, h, m, wp, lp);
}

static void LayoutRadio(int w, int h) {
    int bar = 24;
    MoveWindow(GetDlgItem(radio, ID_LOG), 0, 0, w, h - bar, TRUE);
    MoveWindow(GetDlgItem(radio, ID_INPUT), 0, h - bar, w - 60, bar, TRUE);
    MoveWindow(GetDlgItem(radio, ID_SEND), w - 60, h - bar, 60, bar, TRUE);
}

static LRESULT CALLBACK RadioProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_CREATE: {
        radio = h;
        HWND log = CreateWindowEx(WS_EX_CLIENTEDGE, "EDIT", "",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                                  0, 0, 10, 10, h, (HMENU)ID_LOG, instance, nullptr);
        HWND input =
            CreateWindowEx(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0,
                           0, 10, 10, h, (HMENU)ID_INPUT, instance, nullptr);
        HWND send = CreateWindow("BUTTON", "Send", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 0, 0,
                                 10, 10, h, (HMENU)ID_SEND, instance, nullptr);
        for (HWND c : {log, input, send})
            SendMessage(c, WM_SETFONT, (WPARAM)ui_font, FALSE);
        SendMessage(input, EM_LIMITTEXT, 80, 0);
        input_proc = (WNDPROC)SetWindowLongPtr(input, GWLP_WNDPROC, (LONG_PTR)InputProc);
        return 0;
    }
    case WM_SIZE:
        LayoutRadio(LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == ID_SEND) {
            char buf[128] = "You: ";
            GetDlgItemText(h, ID_INPUT, buf + 5, sizeof buf - 5);
            if (buf[5]) AddLog(buf);
            SetDlgItemText(h, ID_INPUT, "");
        }
        return 0;
    case WM_MOUSEACTIVATE:
        SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SendMessage(dial, WM_NCACTIVATE, FALSE, 0);
        SendMessage(h, WM_NCACTIVATE, TRUE, 0);
        SetFocus(GetDlgItem(h, ID_INPUT));
        break;
    case WM_CLOSE:
        ShowWindow(h, SW_MINIMIZE);
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

static void Toggle(HWND w, int id) {
    bool show = !IsWindowVisible(w);
    ShowWindow(w, show ? SW_SHOWNORMAL : SW_HIDE);
    CheckMenuItem(GetMenu(frame), id, MF_BYCOMMAND | (show ? MF_CHECKED : MF_UNCHECKED));
}

static LRESULT CALLBACK FrameProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDM_NEW_MESSAGE:
            AddLog("Harbour: a new message has come in.");
            return 0;
        case IDM_EXIT:
            SendMessage(h, WM_CLOSE, 0, 0);
            return 0;
        case IDM_DIAL:
            Toggle(dial, IDM_DIAL);
            return 0;
        case IDM_LOG:
            Toggle(radio, IDM_LOG);
            return 0;
        case IDM_ABOUT:
            MessageBox(h, "Platform layer demonstration.\nWindows, menus, controls and drawing.",
                       "About", MB_OK | MB_ICONINFORMATION);
            return 0;
        }
        break;
    case WM_TIMER:
        KillTimer(h, 1);
        MessageBox(h, "All stations report ready.\nDrag the captions, type in the radio log.",
                   "Platform demo", MB_OK | MB_ICONINFORMATION);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

static void ScreenshotHook(HWND modal, void *) {
    static int turns = 0;
    // Let the box and everything behind it paint first.
    if (++turns < 10) {
        PlatformTestPump();
        return;
    }
    PlatformTestScreenshot(screenshot_path);
    SendMessage(modal, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PostMessage(frame, WM_CLOSE, 0, 0);
}

int main(int argc, char **argv) {
    for (int i = 1; i + 1 < argc; i++)
        if (strcmp(argv[i], "--screenshot") == 0) screenshot_path = argv[i + 1];
    if (!PlatformInit(argc, argv)) return 1;
    instance = PlatformInstance();
    ui_font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
    RegisterMenuResource("DemoMenu", demo_menu, sizeof demo_menu / sizeof demo_menu[0]);
    WNDCLASS wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpfnWndProc = FrameProc;
    wc.hbrBackground = CreateSolidBrush(RGB(46, 84, 96));
    wc.lpszMenuName = "DemoMenu";
    wc.lpszClassName = "DemoFrame";
    RegisterClass(&wc);
    wc.lpszMenuName = nullptr;
    wc.lpfnWndProc = DialProc;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = "DialChild";
    RegisterClass(&wc);
    wc.lpfnWndProc = RadioProc;
    wc.lpszClassName = "RadioChild";
    RegisterClass(&wc);
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "StatusChild";
    RegisterClass(&wc);

    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    frame = CreateWindowEx(0, "DemoFrame", "Platform demo",
                           WS_POPUP | WS_CLIPCHILDREN | WS_MAXIMIZE | WS_CAPTION | WS_SYSMENU |
                               WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                           0, 0, sw, sh, nullptr, nullptr, instance, nullptr);
    DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION;
    DWORD tool = WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE;
    dial = CreateWindowEx(tool, "DialChild", "Compass", child, 40, 40, 280, 300, frame, nullptr,
                          instance, nullptr);
    CreateWindowEx(tool, "RadioChild", "Radio room", child | WS_THICKFRAME, 360, 80,
                   std::max(360, sw / 2 - 40), std::max(220, sh / 3), frame, nullptr, instance,
                   nullptr);
    status = CreateWindowEx(tool, "StatusChild", "Status map", child, 60, 400, 200, 150, frame,
                            nullptr, instance, nullptr);
    ShowWindow(status, SW_MINIMIZE);
    ShowWindow(frame, SW_SHOWMAXIMIZED);
    UpdateWindow(frame);
    SendMessage(radio, WM_NCACTIVATE, TRUE, 0);
    AddLog("Harbour: radio check, over.");
    AddLog("Westland escort: reading you loud and clear \xbb 2 miles, bearing 040\xb0.");
    SetDlgItemText(radio, ID_INPUT, "Steady as she goes");
    SetFocus(GetDlgItem(radio, ID_INPUT));
    SendDlgItemMessage(radio, ID_INPUT, EM_SETSEL, 18, 18);
    if (screenshot_path) PlatformTestSetModalHook(ScreenshotHook, nullptr);
    SetTimer(frame, 1, 300, nullptr);

    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    DeleteObject(ui_font);
    PlatformShutdown();
    return (int)msg.wParam;
}
