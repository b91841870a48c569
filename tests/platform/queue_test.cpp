// queue_test.cpp -- message filters, quit, timers, capture, double clicks and destroyed targets
#include "platform_fixture.h"

namespace {

using Queue = PlatformTest;

TEST_F(Queue, FiltersLeaveOtherMessagesQueuedInOrder) {
    HWND a = Frame(), b = Frame();
    PlatformTestPump();
    PostMessage(a, WM_USER + 1, 1, 0);
    PostMessage(b, WM_USER + 2, 2, 0);
    PostMessage(a, WM_USER + 3, 3, 0);
    MSG m;
    // By window: b's message first, a's stay.
    ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_FALSE(PeekMessage(&m, b, 0, 0, PM_REMOVE));
    // By range: only WM_USER + 3.
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queue, QuitComesAfterPostedMessagesAndEndsGetMessage) {
    HWND f = Frame();
    PlatformTestPump();
    PostMessage(f, WM_USER, 7, 0);
    PostQuitMessage(3);
    MSG m;
    ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, (UINT)WM_USER);
    EXPECT_EQ(GetMessage(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, (UINT)WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)); // taken once only
}

TEST_F(Queue, MessagesAndTimersOfADestroyedWindowAreDropped) {
    HWND f = Frame();
    HWND s = Station(f, 10, 10, 100, 80);
    PlatformTestPump();
    PostMessage(s, WM_USER, 0, 0);
    SetTimer(s, 1, 1, nullptr);
    DestroyWindow(s);
    EXPECT_FALSE(KillTimer(s, 1));
    Sleep(3);
    Log().clear();
    PlatformTestPump();
    EXPECT_TRUE(MessagesFor(s, {WM_USER, WM_TIMER}).empty());
    EXPECT_FALSE(PostMessage(s, WM_USER, 0, 0));
    EXPECT_EQ(SetTimer(s, 2, 10, nullptr), 0u);
}

TEST_F(Queue, SettingATimerAgainReplacesIt) {
    HWND f = Frame();
    PlatformTestPump();
    EXPECT_EQ(SetTimer(f, 9, 1, nullptr), 9u);
    EXPECT_EQ(SetTimer(f, 9, 100000, nullptr), 9u); // now far in the future
    Sleep(3);
    PlatformTestPump();
    EXPECT_TRUE(MessagesFor(f, {WM_TIMER}).empty());
    EXPECT_TRUE(KillTimer(f, 9));
    EXPECT_FALSE(KillTimer(f, 9));
    // A timer keeps firing until killed.
    SetTimer(f, 4, 1, nullptr);
    for (int i = 0; i < 3; i++) {
        Sleep(3);
        PlatformTestPump();
    }
    size_t n = MessagesFor(f, {WM_TIMER}).size();
    EXPECT_GE(n, 3u);
    for (auto &e : Log())
        if (e.msg == WM_TIMER) {
            EXPECT_EQ(e.wp, 4u);
        }
}

TEST_F(Queue, CaptureTakesTheMouseOutsideTheWindow) {
    HWND f = Frame();
    HWND s = Station(f, 100, 100, 100, 80);
    HWND other = Station(f, 300, 300, 100, 80);
    PlatformTestPump();
    SetCapture(s);
    EXPECT_EQ(GetCapture(), s);
    Log().clear();
    RECT r;
    GetWindowRect(other, &r);
    PlatformTestMouseMove(r.left + 50, r.top + 50);
    PlatformTestMouseButton(r.left + 50, r.top + 50, 0, FALSE);
    PlatformTestPump();
    EXPECT_FALSE(MessagesFor(s, {WM_MOUSEMOVE}).empty());
    EXPECT_EQ(MessagesFor(s, {WM_LBUTTONUP}).size(), 1u);
    EXPECT_TRUE(MessagesFor(other, {WM_MOUSEMOVE, WM_LBUTTONUP}).empty());
    // Client coordinates of a point outside are beyond the client area, not clamped.
    for (auto &e : Log())
        if (e.hwnd == s && e.msg == WM_MOUSEMOVE) {
            EXPECT_GT((short)LOWORD(e.lp), 100);
        }
    ReleaseCapture();
    EXPECT_EQ(MessagesFor(s, {WM_CAPTURECHANGED}).size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
    Log().clear();
    PlatformTestMouseMove(r.left + 50, r.top + 50);
    PlatformTestPump();
    EXPECT_FALSE(MessagesFor(other, {WM_MOUSEMOVE}).empty());
    // Capture to a destroyed window is refused.
    DestroyWindow(other);
    SetCapture(other);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Queue, DoubleClicksOnlyForClassesThatAskAndOnlyNearby) {
    WNDCLASS wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = LoggedProc;
    wc.lpszClassName = "Dbl";
    ASSERT_TRUE(RegisterClass(&wc));
    HWND f = Frame();
    HWND d = CreateWindowEx(0, "Dbl", "", WS_CHILD | WS_VISIBLE, 10, 10, 200, 100, f, nullptr,
                            nullptr, nullptr);
    HWND plain = Station(f, 300, 10, 200, 100);
    PlatformTestPump();
    POINT p{50, 50};
    ClientToScreen(d, &p);
    Log().clear();
    PlatformTestClick(p.x, p.y);
    PlatformTestClick(p.x + 1, p.y);
    PlatformTestClick(p.x, p.y); // a third click starts a new pair
    PlatformTestPump();
    EXPECT_EQ(MessagesFor(d, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN}));
    // Far apart: two single clicks.
    Log().clear();
    PlatformTestClick(p.x + 40, p.y);
    PlatformTestClick(p.x, p.y + 30);
    PlatformTestPump();
    EXPECT_EQ(MessagesFor(d, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
    POINT q{50, 50};
    ClientToScreen(plain, &q);
    Log().clear();
    PlatformTestClick(q.x, q.y);
    PlatformTestClick(q.x, q.y);
    PlatformTestPump();
    EXPECT_TRUE(MessagesFor(plain, {WM_LBUTTONDBLCLK}).empty());
    EXPECT_EQ(MessagesFor(plain, {WM_LBUTTONDOWN}).size(), 2u);
}

TEST_F(Queue, ButtonStateAndKeyToggleFollowInput) {
    HWND f = Frame();
    PlatformTestPump();
    (void)f;
    PlatformTestMouseButton(400, 300, 0, TRUE);
    PlatformTestPump();
    EXPECT_TRUE(GetKeyState(VK_LBUTTON) & 0x8000);
    PlatformTestMouseButton(400, 300, 0, FALSE);
    PlatformTestPump();
    EXPECT_FALSE(GetKeyState(VK_LBUTTON) & 0x8000);
    SHORT before = GetKeyState(VK_CAPITAL) & 1;
    PlatformTestKeyPress(VK_CAPITAL);
    PlatformTestPump();
    EXPECT_NE(GetKeyState(VK_CAPITAL) & 1, before);
    // Left and right shift both read as VK_SHIFT.
    PlatformTestKey(VK_RSHIFT, TRUE);
    PlatformTestPump();
    EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000);
    PlatformTestKey(VK_RSHIFT, FALSE);
    PlatformTestPump();
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
    // Out-of-range key codes are masked, not read past the table.
    EXPECT_EQ(GetKeyState(0x12345) & 0x8000, GetKeyState(0x45) & 0x8000);
}

// The main loop's sleep between frames: it ends at once for a message that is ready (posted, a
// due timer), and otherwise only when its time is up; a window that does not show and so will
// not be painted does not wake it, or the loop would spin.
TEST_F(Queue, MsgWaitEndsForReadyMessagesAndOtherwiseSleepsItsTime) {
    HWND f = Frame();
    PlatformTestPump();
    auto elapsed_ms = [](DWORD since) { return GetTickCount() - since; };

    DWORD t0 = GetTickCount();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 40, QS_ALLINPUT), WAIT_TIMEOUT);
    EXPECT_GE(elapsed_ms(t0), 40u);

    PostMessage(f, WM_USER, 1, 0);
    t0 = GetTickCount();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_ALLINPUT), WAIT_OBJECT_0);
    EXPECT_LT(elapsed_ms(t0), 2500u);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) << "the wait leaves the message queued";
    EXPECT_EQ(m.message, (UINT)WM_USER);

    SetTimer(f, 5, 20, nullptr);
    t0 = GetTickCount();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0);
    EXPECT_GE(elapsed_ms(t0), 19u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, (UINT)WM_TIMER);
    KillTimer(f, 5);

    ShowWindow(f, SW_HIDE);
    InvalidateRect(f, nullptr, TRUE);
    t0 = GetTickCount();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT), WAIT_TIMEOUT);
    EXPECT_GE(elapsed_ms(t0), 30u);

    EXPECT_EQ(MsgWaitForMultipleObjects(1, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_FAILED)
        << "there are no objects to wait for";
}

// Without a display the frame rate to pace by is the usual 60 a second.
TEST_F(Queue, HeadlessScreenRefreshesSixtyTimesASecond) {
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, VREFRESH), 60);
    ReleaseDC(nullptr, dc);
    EXPECT_STREQ(PlatformDisplayInfo(), "headless");
}

} // namespace
