// button_test.cpp -- push buttons, check boxes and group boxes under mouse and keyboard
#include "platform_fixture.h"

namespace {

class Buttons : public PlatformTest {
  protected:
    HWND frame = nullptr;
    void SetUp() override {
        PlatformTest::SetUp();
        frame = Frame();
        PlatformTestPump();
    }
    HWND Make(DWORD style, int id, int x = 20, int y = 20) {
        HWND b = CreateWindowEx(0, "BUTTON", "Fire", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x,
                                y, 80, 24, frame, (HMENU)(INT_PTR)id, nullptr, nullptr);
        PlatformTestPump();
        Log().clear();
        return b;
    }
    int Clicks(int id) {
        int n = 0;
        for (auto &m : Log())
            if (m.hwnd == frame && m.msg == WM_COMMAND && LOWORD(m.wp) == id &&
                HIWORD(m.wp) == BN_CLICKED)
                n++;
        return n;
    }
    static POINT Centre(HWND h) {
        POINT p{40, 12};
        ClientToScreen(h, &p);
        return p;
    }
};

TEST_F(Buttons, ClickInsideNotifiesAndReleaseOutsideDoesNot) {
    HWND b = Make(BS_PUSHBUTTON, 11);
    POINT p = Centre(b);
    PlatformTestClick(p.x, p.y);
    PlatformTestPump();
    EXPECT_EQ(Clicks(11), 1);
    EXPECT_EQ(GetFocus(), b);
    // Pressed, dragged off and released: no click, capture given back.
    PlatformTestMouseButton(p.x, p.y, 0, TRUE);
    PlatformTestPump();
    EXPECT_TRUE(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
    PlatformTestMouseMove(p.x + 200, p.y + 200);
    PlatformTestPump();
    EXPECT_FALSE(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
    PlatformTestMouseButton(p.x + 200, p.y + 200, 0, FALSE);
    PlatformTestPump();
    EXPECT_EQ(Clicks(11), 1);
    EXPECT_EQ(GetCapture(), nullptr);
    // Dragged back in before release still clicks.
    PlatformTestMouseButton(p.x, p.y, 0, TRUE);
    PlatformTestMouseMove(p.x + 200, p.y);
    PlatformTestMouseMove(p.x, p.y);
    PlatformTestMouseButton(p.x, p.y, 0, FALSE);
    PlatformTestPump();
    EXPECT_EQ(Clicks(11), 2);
}

TEST_F(Buttons, SpaceClicksTheFocusedButtonOnRelease) {
    HWND b = Make(BS_PUSHBUTTON, 12);
    SetFocus(b);
    PlatformTestKey(VK_SPACE, TRUE);
    PlatformTestPump();
    EXPECT_EQ(Clicks(12), 0);
    PlatformTestKey(VK_SPACE, FALSE);
    PlatformTestPump();
    EXPECT_EQ(Clicks(12), 1);
    // Losing the focus while held cancels the press.
    PlatformTestKey(VK_SPACE, TRUE);
    PlatformTestPump();
    SetFocus(frame);
    PlatformTestKey(VK_SPACE, FALSE);
    PlatformTestPump();
    EXPECT_EQ(Clicks(12), 1);
}

TEST_F(Buttons, AutomaticCheckBoxesToggleAndThreeStatesCycle) {
    HWND c = Make(BS_AUTOCHECKBOX, 13);
    HWND t = Make(BS_AUTO3STATE, 14, 20, 60);
    HWND manual = Make(BS_CHECKBOX, 15, 20, 100);
    for (int i = 0; i < 3; i++) {
        SendMessage(c, BM_CLICK, 0, 0);
        SendMessage(t, BM_CLICK, 0, 0);
        SendMessage(manual, BM_CLICK, 0, 0);
    }
    PlatformTestPump();
    EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), BST_CHECKED);         // off, on, off, on
    EXPECT_EQ(SendMessage(t, BM_GETCHECK, 0, 0), BST_UNCHECKED);       // 1, 2, 0
    EXPECT_EQ(SendMessage(manual, BM_GETCHECK, 0, 0), BST_UNCHECKED); // the owner decides
    EXPECT_EQ(Clicks(15), 3);
    EXPECT_EQ(IsDlgButtonChecked(frame, 13), (UINT)BST_CHECKED);
}

TEST_F(Buttons, DisabledButtonsIgnoreMouseKeysAndBmClick) {
    HWND b = Make(BS_AUTOCHECKBOX, 16);
    EnableWindow(b, FALSE);
    POINT p = Centre(b);
    PlatformTestClick(p.x, p.y);
    SendMessage(b, BM_CLICK, 0, 0);
    PlatformTestPump();
    EXPECT_EQ(Clicks(16), 0);
    EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EnableWindow(b, TRUE);
    PlatformTestClick(p.x, p.y);
    PlatformTestPump();
    EXPECT_EQ(Clicks(16), 1);
}

TEST_F(Buttons, GroupBoxesLetClicksThroughToWhatIsBehind) {
    HWND g = CreateWindowEx(0, "BUTTON", "Tubes", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 10, 10, 300,
                            200, frame, (HMENU)17, nullptr, nullptr);
    PlatformTestPump();
    Log().clear();
    POINT p{150, 100};
    ClientToScreen(g, &p);
    PlatformTestClick(p.x, p.y);
    PlatformTestPump();
    EXPECT_EQ(MessagesFor(frame, {WM_LBUTTONDOWN}).size(), 1u);
    EXPECT_EQ(Clicks(17), 0);
    EXPECT_EQ(SendMessage(g, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

TEST_F(Buttons, DestroyingAButtonFromItsOwnClickIsSafe) {
    // The frame's command handler may close the window that holds the button.
    static HWND victim;
    WNDCLASS wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_COMMAND && victim) {
            DestroyWindow(victim);
            victim = nullptr;
        }
        return DefWindowProc(h, m, wp, lp);
    };
    wc.lpszClassName = "Closer";
    ASSERT_TRUE(RegisterClass(&wc));
    HWND owner = CreateWindowEx(0, "Closer", "", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, frame,
                                nullptr, nullptr, nullptr);
    victim = CreateWindowEx(0, "BUTTON", "Close", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 10,
                            80, 24, owner, (HMENU)18, nullptr, nullptr);
    HWND b = victim;
    PlatformTestPump();
    POINT p{40, 12};
    ClientToScreen(b, &p);
    PlatformTestClick(p.x, p.y);
    PlatformTestPump();
    EXPECT_FALSE(IsWindow(b));
    EXPECT_EQ(GetCapture(), nullptr);
}

} // namespace
