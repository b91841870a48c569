// window_test.cpp -- message order, DefWindowProc defaults, stale handles, subclassing
#include "platform_fixture.h"

#include <algorithm>

using Window = PlatformTest;

static bool Before(HWND h, UINT a, UINT b) {
    int ia = -1, ib = -1, i = 0;
    for (auto &e : Log()) {
        if (e.hwnd == h && e.msg == a && ia < 0) ia = i;
        if (e.hwnd == h && e.msg == b && ib < 0) ib = i;
        i++;
    }
    return ia >= 0 && ib >= 0 && ia < ib;
}

TEST_F(Window, CreationSendsCreateSizeShowThenQueuesPaint) {
    HWND f = Frame();
    ASSERT_TRUE(f);
    EXPECT_TRUE(Before(f, WM_NCCREATE, WM_CREATE));
    EXPECT_TRUE(Before(f, WM_CREATE, WM_SIZE));
    EXPECT_TRUE(Before(f, WM_SIZE, WM_SHOWWINDOW));
    EXPECT_TRUE(MessagesFor(f, {WM_PAINT}).empty()); // paint comes from the queue
    PlatformTestPump();
    EXPECT_EQ(MessagesFor(f, {WM_PAINT}).size(), 1u);
    PlatformTestPump();
    EXPECT_EQ(MessagesFor(f, {WM_PAINT}).size(), 1u); // validated by BeginPaint
    InvalidateRect(f, nullptr, TRUE);
    PlatformTestPump();
    EXPECT_EQ(MessagesFor(f, {WM_PAINT, WM_ERASEBKGND}).size(), 4u);
}

TEST_F(Window, HiddenAtCreationStaysHiddenAndPaintsWhenShown) {
    HWND f = Frame();
    Log().clear();
    HWND s = Station(f, 10, 10, 100, 80);
    // A window hiding itself during WM_CREATE does not get shown afterwards.
    HWND hidden = CreateWindowEx(0, "Logged", "x", WS_CHILD | WS_VISIBLE | WS_CAPTION, 0, 0, 50, 50,
                                 f, nullptr, nullptr, nullptr);
    ShowWindow(hidden, SW_HIDE);
    EXPECT_TRUE(IsWindowVisible(s));
    EXPECT_FALSE(IsWindowVisible(hidden));
    PlatformTestPump();
    Log().clear();
    ShowWindow(hidden, SW_SHOWNORMAL);
    PlatformTestPump();
    EXPECT_EQ(MessagesFor(hidden, {WM_SHOWWINDOW, WM_PAINT}),
              (std::vector<UINT>{WM_SHOWWINDOW, WM_PAINT}));
    Log().clear();
    ShowWindow(hidden, SW_SHOWNORMAL); // already shown: nothing
    EXPECT_TRUE(MessagesFor(hidden, {WM_SHOWWINDOW}).empty());
}

TEST_F(Window, DestroyReachesParentThenChildrenAndLeavesStaleHandlesHarmless) {
    HWND f = Frame();
    HWND a = Station(f, 10, 10, 100, 80);
    HWND b = CreateWindowEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 2, 2, 40, 20, a, (HMENU)7,
                            nullptr, nullptr);
    Log().clear();
    EXPECT_TRUE(DestroyWindow(f));
    std::vector<HWND> destroyed;
    for (auto &e : Log())
        if (e.msg == WM_DESTROY) destroyed.push_back(e.hwnd);
    ASSERT_EQ(destroyed.size(), 2u);
    EXPECT_EQ(destroyed[0], f);
    EXPECT_EQ(destroyed[1], a);
    EXPECT_FALSE(IsWindow(f));
    EXPECT_FALSE(IsWindow(a));
    EXPECT_FALSE(IsWindow(b));
    // Every call on a stale handle fails quietly.
    RECT r;
    EXPECT_FALSE(GetClientRect(a, &r));
    EXPECT_FALSE(ShowWindow(a, SW_SHOW));
    EXPECT_EQ(SendMessage(b, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_FALSE(PostMessage(a, WM_USER, 0, 0));
    EXPECT_EQ(GetDC(a), nullptr);
    EXPECT_FALSE(DestroyWindow(a));
    EXPECT_FALSE(SetWindowText(a, "x"));
    EXPECT_EQ(GetDlgItem(a, 7), nullptr);
}

TEST_F(Window, CloseDestroysByDefaultAndQuitEndsGetMessage) {
    HWND f = Frame();
    SendMessage(f, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(f));
    PostQuitMessage(3);
    MSG m;
    EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
}

// The compositor does not copy the parent where a child's client area lies over it: when a
// child moves, hides or shrinks to an icon, what it left uncovered shows the parent again.
TEST_F(Window, ParentShowsAgainWhereAChildNoLongerCovers) {
    HWND f = Frame();
    HWND s = CreateWindowEx(0, "Logged", "", WS_CHILD | WS_VISIBLE, 100, 100, 120, 80, f, nullptr,
                            nullptr, nullptr);
    PlatformTestPump();
    HDC dc = GetDC(f);
    RECT all{0, 0, 800, 600};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);
    ReleaseDC(f, dc);
    dc = GetDC(s);
    RECT mine{0, 0, 120, 80};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &mine, blue);
    ReleaseDC(s, dc);
    POINT inside{150, 130};
    ClientToScreen(f, &inside);
    PlatformTestCompose();
    EXPECT_EQ(PlatformTestScreenPixel(inside.x, inside.y), RGB(0, 0, 255));
    EXPECT_EQ(PlatformTestScreenPixel(inside.x + 100, inside.y), RGB(255, 0, 0));

    MoveWindow(s, 300, 100, 120, 80, FALSE);
    PlatformTestCompose();
    EXPECT_EQ(PlatformTestScreenPixel(inside.x, inside.y), RGB(255, 0, 0)) << "moved away";
    EXPECT_EQ(PlatformTestScreenPixel(inside.x + 200, inside.y), RGB(0, 0, 255));

    ShowWindow(s, SW_HIDE);
    PlatformTestCompose();
    EXPECT_EQ(PlatformTestScreenPixel(inside.x + 200, inside.y), RGB(255, 0, 0)) << "hidden";
    DeleteObject(red);
    DeleteObject(blue);
}

TEST_F(Window, CaptionDragMovesAChildWithinItsParent) {
    HWND f = Frame();
    HWND s = Station(f, 100, 100, 200, 150);
    PlatformTestPump();
    POINT p = CaptionPoint(s);
    PlatformTestMouseButton(p.x, p.y, 0, TRUE);
    PlatformTestMouseMove(p.x + 30, p.y + 40);
    PlatformTestMouseButton(p.x + 30, p.y + 40, 0, FALSE);
    PlatformTestPump();
    RECT r;
    GetWindowRect(s, &r);
    POINT tl{r.left, r.top};
    ScreenToClient(f, &tl);
    EXPECT_EQ(tl.x, 130);
    EXPECT_EQ(tl.y, 140);
    EXPECT_FALSE(MessagesFor(s, {WM_MOVE}).empty());
    EXPECT_FALSE(MessagesFor(s, {WM_NCLBUTTONUP}).empty()); // so the game sees the button go up
}

TEST_F(Window, SizingBorderResizesAndSendsSize) {
    HWND f = Frame();
    HWND s = Station(f, 100, 100, 200, 150, WS_THICKFRAME);
    PlatformTestPump();
    RECT r;
    GetWindowRect(s, &r);
    int x = r.right - 2, y = (r.top + r.bottom) / 2;
    PlatformTestMouseButton(x, y, 0, TRUE);
    PlatformTestMouseMove(x + 50, y);
    PlatformTestMouseButton(x + 50, y, 0, FALSE);
    PlatformTestPump();
    GetWindowRect(s, &r);
    EXPECT_EQ(r.right - r.left, 250);
    auto sizes = MessagesFor(s, {WM_SIZE});
    ASSERT_FALSE(sizes.empty());
    LPARAM last = 0;
    for (auto &e : Log())
        if (e.hwnd == s && e.msg == WM_SIZE) last = e.lp;
    RECT c;
    GetClientRect(s, &c);
    EXPECT_EQ(LOWORD(last), c.right);
}

TEST_F(Window, MinimiseButtonLeavesABarAtTheBottomAndAClickRestores) {
    HWND f = Frame();
    HWND s = Station(f, 100, 100, 200, 150);
    PlatformTestPump();
    RECT r;
    GetWindowRect(s, &r);
    // The minimise box sits left of the close box at the caption's right end.
    int caption_mid = r.top + 1 + GetSystemMetrics(SM_CYCAPTION) / 2;
    int x = r.right - 1 - 2 - (GetSystemMetrics(SM_CYCAPTION) - 2) - 2 -
            (GetSystemMetrics(SM_CYCAPTION) - 2) / 2;
    PlatformTestClick(x, caption_mid);
    PlatformTestPump();
    ASSERT_TRUE(IsIconic(s));
    bool saw_minimized = false;
    for (auto &e : Log())
        if (e.hwnd == s && e.msg == WM_SIZE && e.wp == SIZE_MINIMIZED) saw_minimized = true;
    EXPECT_TRUE(saw_minimized);
    RECT bar, fc;
    GetWindowRect(s, &bar);
    GetClientRect(f, &fc);
    POINT bottom{0, fc.bottom};
    ClientToScreen(f, &bottom);
    EXPECT_EQ(bar.bottom, bottom.y);
    EXPECT_EQ(bar.left, bottom.x);
    EXPECT_LT(bar.bottom - bar.top, 30);
    PlatformTestClick(bar.left + 20, (bar.top + bar.bottom) / 2);
    PlatformTestPump();
    EXPECT_FALSE(IsIconic(s));
    GetWindowRect(s, &r);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 150);
}

TEST_F(Window, MaximiseAndRestoreReportTheirKind) {
    HWND f = Frame();
    HWND s = Station(f, 10, 10, 100, 80);
    Log().clear();
    ShowWindow(s, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(IsZoomed(s));
    ShowWindow(s, SW_RESTORE);
    std::vector<WPARAM> kinds;
    for (auto &e : Log())
        if (e.hwnd == s && e.msg == WM_SIZE) kinds.push_back(e.wp);
    EXPECT_EQ(kinds, (std::vector<WPARAM>{SIZE_MAXIMIZED, SIZE_RESTORED}));
    RECT r;
    GetWindowRect(s, &r);
    EXPECT_EQ(r.right - r.left, 100);
}

TEST_F(Window, ClickOnAChildSendsMouseActivateThenButtonDown) {
    HWND f = Frame();
    HWND s = Station(f, 100, 100, 200, 150);
    PlatformTestPump();
    Log().clear();
    POINT p{50, 50};
    ClientToScreen(s, &p);
    PlatformTestClick(p.x, p.y);
    PlatformTestPump();
    EXPECT_EQ(MessagesFor(s, {WM_MOUSEACTIVATE, WM_LBUTTONDOWN, WM_LBUTTONUP}),
              (std::vector<UINT>{WM_MOUSEACTIVATE, WM_LBUTTONDOWN, WM_LBUTTONUP}));
    // The default handling asks the parent too.
    EXPECT_FALSE(MessagesFor(f, {WM_MOUSEACTIVATE}).empty());
    LPARAM lp = 0;
    for (auto &e : Log())
        if (e.hwnd == s && e.msg == WM_LBUTTONDOWN) lp = e.lp;
    EXPECT_EQ(GET_X_LPARAM(lp), 50);
    EXPECT_EQ(GET_Y_LPARAM(lp), 50);
    // A caption click arrives as a non-client button down with its hit code.
    Log().clear();
    POINT c = CaptionPoint(s);
    PlatformTestClick(c.x, c.y);
    PlatformTestPump();
    bool nc = false;
    for (auto &e : Log())
        if (e.hwnd == s && e.msg == WM_NCLBUTTONDOWN && e.wp == HTCAPTION) nc = true;
    EXPECT_TRUE(nc);
}

TEST_F(Window, NcActivateDrawsTheCaptionActiveOrInactive) {
    HWND f = Frame();
    HWND s = Station(f, 100, 100, 200, 150);
    PlatformTestPump();
    POINT p = CaptionPoint(s);
    SendMessage(s, WM_NCACTIVATE, FALSE, 0);
    PlatformTestCompose();
    COLORREF inactive = PlatformTestScreenPixel(p.x - 15, p.y);
    SendMessage(s, WM_NCACTIVATE, TRUE, 0);
    PlatformTestCompose();
    COLORREF active = PlatformTestScreenPixel(p.x - 15, p.y);
    EXPECT_NE(active, inactive);
    EXPECT_GT(GetBValue(active), GetRValue(active)); // the blue of an active caption
}

TEST_F(Window, ChildrenCompositeInZOrderAndClipToTheParent) {
    HWND f = Frame();
    HWND a = Station(f, 100, 100, 200, 150);
    HWND b = Station(f, 150, 150, 200, 150);
    for (HWND h : {a, b}) {
        HDC dc = GetDC(h);
        RECT r{0, 0, 400, 400};
        HBRUSH br = CreateSolidBrush(h == a ? RGB(255, 0, 0) : RGB(0, 0, 255));
        FillRect(dc, &r, br);
        DeleteObject(br);
        ReleaseDC(h, dc);
    }
    PlatformTestCompose();
    POINT p{100, 100};
    ClientToScreen(a, &p);
    EXPECT_EQ(PlatformTestScreenPixel(p.x, p.y), RGB(0, 0, 255)); // b lies on top
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PlatformTestCompose();
    EXPECT_EQ(PlatformTestScreenPixel(p.x, p.y), RGB(255, 0, 0));
    MoveWindow(b, 700, 500, 200, 150, TRUE); // mostly outside the frame
    PlatformTestCompose();
    EXPECT_NE(PlatformTestScreenPixel(799, 599), RGB(0, 0, 255)); // clipped by the frame's border
}

static WNDPROC old_proc;
static int subclass_chars;
static LRESULT CALLBACK Subclass(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_CHAR && wp == '\r') {
        subclass_chars++;
        return 0;
    }
    return CallWindowProc(old_proc, h, m, wp, lp);
}

TEST_F(Window, SubclassingAnEditKeepsItsBehaviour) {
    HWND f = Frame();
    HWND e = CreateWindowEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 200, 20,
                            f, (HMENU)102, nullptr, nullptr);
    old_proc = (WNDPROC)SetWindowLongPtr(e, GWLP_WNDPROC, (LONG_PTR)Subclass);
    ASSERT_TRUE(old_proc);
    EXPECT_EQ((WNDPROC)GetWindowLongPtr(e, GWLP_WNDPROC), Subclass);
    subclass_chars = 0;
    SetFocus(e);
    PlatformTestText("ab");
    PlatformTestKeyPress(VK_RETURN);
    PlatformTestPump();
    char buf[16];
    GetWindowText(e, buf, sizeof buf);
    EXPECT_STREQ(buf, "ab");
    EXPECT_EQ(subclass_chars, 1);
}

TEST_F(Window, KeysGoToTheFocusAndKeyStateFollows) {
    HWND f = Frame();
    HWND s = Station(f, 10, 10, 100, 80);
    SetFocus(s);
    EXPECT_EQ(GetFocus(), s);
    PlatformTestKey(VK_LEFT, TRUE);
    PlatformTestPump();
    EXPECT_TRUE(GetKeyState(VK_LEFT) & 0x8000);
    PlatformTestKey(VK_LEFT, FALSE);
    PlatformTestPump();
    EXPECT_FALSE(GetKeyState(VK_LEFT) & 0x8000);
    EXPECT_EQ(MessagesFor(s, {WM_KEYDOWN, WM_KEYUP}), (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}));
    EXPECT_FALSE(MessagesFor(s, {WM_SETFOCUS}).empty());
}

TEST_F(Window, EmptyPeekIsFalseAndPostedMessagesComeInOrder) {
    HWND f = Frame();
    PlatformTestPump();
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    PostMessage(f, WM_USER + 1, 1, 0);
    PostMessage(f, WM_USER + 1, 2, 0);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 1u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.wParam, 1u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Window, GetTickCountAdvancesAndTimersFire) {
    HWND f = Frame();
    DWORD t0 = GetTickCount();
    PlatformTestAdvanceTicks(1000);
    EXPECT_GE((DWORD)(GetTickCount() - t0), 1000u);
    SetTimer(f, 5, 1, nullptr);
    Sleep(3);
    PlatformTestPump();
    EXPECT_FALSE(MessagesFor(f, {WM_TIMER}).empty());
    EXPECT_TRUE(KillTimer(f, 5));
}

TEST_F(Window, SizedToNothingAndBackKeepsWorking) {
    HWND f = Frame();
    HWND s = Station(f, 10, 10, 120, 90);
    PlatformTestPump();
    // A child laid out from a minimised parent's empty client area gets sizes of 0 and below.
    EXPECT_TRUE(SetWindowPos(s, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER));
    EXPECT_TRUE(MoveWindow(s, 10, 10, -5, -7, TRUE));
    PlatformTestPump();
    RECT c;
    GetClientRect(s, &c);
    EXPECT_EQ(c.right, 0);
    EXPECT_EQ(c.bottom, 0);
    EXPECT_TRUE(MoveWindow(s, 10, 10, 120, 90, TRUE));
    PlatformTestPump();
    GetClientRect(s, &c);
    EXPECT_GT(c.right, 0);
    EXPECT_GT(c.bottom, 0);
}
