// menu_test.cpp -- menu resources, item state, and choosing items by keyboard and mouse
#include "platform_fixture.h"

namespace {

const MenuResourceItem kMenu[] = {
    {0, "&Game", 0, 0},
    {1, "&Connect", 101, 0},
    {1, "", 0, MF_SEPARATOR},
    {1, "E&xit", 102, 0},
    {0, "&Stations", 0, 0},
    {1, "&Bridge", 201, MF_CHECKED},
    {1, "&Gun", 202, MF_GRAYED},
    {1, "&Map", 203, 0},
};

std::vector<WPARAM> Commands(HWND h) {
    std::vector<WPARAM> out;
    for (auto &e : Log())
        if (e.hwnd == h && e.msg == WM_COMMAND) out.push_back(e.wp);
    return out;
}

class Menus : public PlatformTest {
  protected:
    HWND frame = nullptr;
    HMENU menu = nullptr;
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_TRUE(RegisterMenuResource("MAIN", kMenu, (int)(sizeof kMenu / sizeof kMenu[0])));
        frame = Frame();
        menu = LoadMenu(nullptr, "MAIN");
        ASSERT_TRUE(menu);
        ASSERT_TRUE(SetMenu(frame, menu));
        PlatformTestPump();
        Log().clear();
    }
    // A screen point inside the n-th menu bar entry: the bar sits below the caption and the
    // entries are laid out left to right from the frame's left edge.
    POINT BarPoint(int n) {
        RECT w, c;
        GetWindowRect(frame, &w);
        GetClientRect(frame, &c);
        POINT origin{0, 0};
        ClientToScreen(frame, &origin);
        int y = origin.y - GetSystemMetrics(SM_CYMENU) / 2;
        return POINT{w.left + 12 + n * 56, y};
    }
};

TEST_F(Menus, ResourceBuildsPopupsSeparatorsAndStates) {
    EXPECT_EQ(GetMenuItemCount(menu), 2);
    HMENU game = GetSubMenu(menu, 0), st = GetSubMenu(menu, 1);
    ASSERT_TRUE(game);
    ASSERT_TRUE(st);
    EXPECT_EQ(GetMenuItemCount(game), 3);
    EXPECT_EQ(GetMenuItemID(game, 0), 101u);
    EXPECT_EQ(GetMenuItemID(game, 2), 102u);
    EXPECT_EQ(GetMenuItemID(menu, 0), (UINT)-1); // a popup has no command id
    EXPECT_TRUE(GetMenuState(game, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuState(menu, 1, MF_BYPOSITION), (UINT)(MF_POPUP | (3u << 8)));
    EXPECT_EQ(GetMenuState(menu, 201, MF_BYCOMMAND), (UINT)MF_CHECKED); // found in a popup
    EXPECT_EQ(GetMenuState(menu, 202, MF_BYCOMMAND), (UINT)MF_GRAYED);
    char text[32];
    EXPECT_EQ(GetMenuString(menu, 102, text, sizeof text, MF_BYCOMMAND), 5);
    EXPECT_STREQ(text, "E&xit");
    // A short buffer is filled and terminated, never overrun.
    char small[4] = {'x', 'x', 'x', 'x'};
    GetMenuString(menu, 102, small, 3, MF_BYCOMMAND);
    EXPECT_EQ(small[2], '\0');
    EXPECT_EQ(small[3], 'x');
    EXPECT_EQ(LoadMenu(nullptr, "NOSUCH"), nullptr);
}

TEST_F(Menus, StateChangesReturnThePreviousStateAndUnknownItemsFail) {
    EXPECT_EQ(CheckMenuItem(menu, 201, MF_BYCOMMAND | MF_UNCHECKED), (DWORD)MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(menu, 201, MF_BYCOMMAND | MF_UNCHECKED), 0u);
    EXPECT_EQ(EnableMenuItem(menu, 202, MF_BYCOMMAND | MF_ENABLED), (BOOL)MF_GRAYED);
    EXPECT_EQ(GetMenuState(menu, 202, MF_BYCOMMAND), 0u);
    EXPECT_EQ(CheckMenuItem(menu, 999, MF_BYCOMMAND | MF_CHECKED), (DWORD)-1);
    EXPECT_EQ(EnableMenuItem(menu, 999, MF_BYCOMMAND | MF_GRAYED), -1);
    EXPECT_EQ(GetMenuState(menu, 999, MF_BYCOMMAND), (UINT)-1);
    EXPECT_EQ(GetSubMenu(menu, 5), nullptr);
    EXPECT_EQ(GetSubMenu(menu, -1), nullptr);
}

TEST_F(Menus, ChildWindowsHaveNoMenuAndDestroyedMenusAreRefused) {
    HWND child = Station(frame, 10, 10, 100, 80);
    HMENU other = CreateMenu();
    EXPECT_FALSE(SetMenu(child, other));
    EXPECT_EQ(GetMenu(child), nullptr);
    EXPECT_EQ(GetMenu(frame), menu);
    EXPECT_TRUE(DestroyMenu(other));
    EXPECT_FALSE(DestroyMenu(other));
    EXPECT_FALSE(SetMenu(frame, other));
    EXPECT_FALSE(AppendMenu(other, MF_STRING, 1, "x"));
    EXPECT_EQ(GetMenuItemCount(other), -1);
    // A popup that no longer exists cannot be attached.
    EXPECT_FALSE(AppendMenu(menu, MF_POPUP, (UINT_PTR)other, "Gone"));
    EXPECT_EQ(GetMenuItemCount(menu), 2);
}

TEST_F(Menus, SettingAMenuShrinksTheClientAreaAndSendsSize) {
    RECT with, without;
    GetClientRect(frame, &with);
    Log().clear();
    ASSERT_TRUE(SetMenu(frame, nullptr));
    GetClientRect(frame, &without);
    EXPECT_EQ(without.bottom - with.bottom, GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(MessagesFor(frame, {WM_SIZE}).size(), 1u);
}

TEST_F(Menus, AltAccessKeyOpensAndArrowsAndEnterChoose) {
    PlatformTestKey(VK_MENU, TRUE);
    PlatformTestKey('S', TRUE);
    PlatformTestKey('S', FALSE);
    PlatformTestKey(VK_MENU, FALSE);
    PlatformTestPump();
    EXPECT_EQ(PlatformTestOpenMenu(), 1);
    EXPECT_EQ(MessagesFor(frame, {WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP}),
              (std::vector<UINT>{WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP}));
    // Down moves to Bridge, again to the greyed Gun: Enter on it does nothing.
    PlatformTestKeyPress(VK_DOWN);
    PlatformTestKeyPress(VK_DOWN);
    PlatformTestKeyPress(VK_RETURN);
    PlatformTestPump();
    EXPECT_TRUE(Commands(frame).empty());
    EXPECT_EQ(PlatformTestOpenMenu(), 1);
    PlatformTestKeyPress(VK_DOWN);
    PlatformTestKeyPress(VK_RETURN);
    PlatformTestPump();
    EXPECT_EQ(Commands(frame), (std::vector<WPARAM>{203}));
    EXPECT_EQ(PlatformTestOpenMenu(), -1);
    EXPECT_EQ(MessagesFor(frame, {WM_EXITMENULOOP}).size(), 1u);
}

TEST_F(Menus, KeysWhileOpenGoToTheMenuNotTheWindow) {
    PlatformTestKeyPress(VK_F10);
    PlatformTestPump();
    EXPECT_EQ(PlatformTestOpenMenu(), 0);
    Log().clear();
    PlatformTestKeyPress(VK_LEFT); // wraps to the last entry
    PlatformTestPump();
    EXPECT_EQ(PlatformTestOpenMenu(), 1);
    PlatformTestKeyPress(VK_RIGHT);
    PlatformTestPump();
    EXPECT_EQ(PlatformTestOpenMenu(), 0);
    PlatformTestKeyPress('Q'); // no such access key: swallowed
    PlatformTestPump();
    EXPECT_TRUE(MessagesFor(frame, {WM_KEYDOWN, WM_CHAR}).empty());
    // Up from nothing selected wraps past the separator to Exit; the separator is never hot.
    PlatformTestKeyPress(VK_UP);
    PlatformTestKeyPress(VK_UP);
    PlatformTestKeyPress(VK_RETURN);
    PlatformTestPump();
    EXPECT_EQ(Commands(frame), (std::vector<WPARAM>{101}));
    // Escape closes without a command.
    Log().clear();
    PlatformTestKeyPress(VK_F10);
    PlatformTestKeyPress(VK_ESCAPE);
    PlatformTestPump();
    EXPECT_EQ(PlatformTestOpenMenu(), -1);
    EXPECT_TRUE(Commands(frame).empty());
    // With the menu shut, keys reach the window again.
    PlatformTestKeyPress('Q');
    PlatformTestPump();
    EXPECT_FALSE(MessagesFor(frame, {WM_KEYDOWN}).empty());
}

TEST_F(Menus, AccessKeyInsideTheDropDownChooses) {
    PlatformTestKey(VK_MENU, TRUE);
    PlatformTestKey('G', TRUE);
    PlatformTestKey('G', FALSE);
    PlatformTestKey(VK_MENU, FALSE);
    PlatformTestKeyPress('X');
    PlatformTestPump();
    EXPECT_EQ(Commands(frame), (std::vector<WPARAM>{102}));
}

TEST_F(Menus, ClickOpensDropDownAndClickOutsideCloses) {
    POINT p = BarPoint(0);
    PlatformTestClick(p.x, p.y);
    PlatformTestPump();
    ASSERT_EQ(PlatformTestOpenMenu(), 0);
    // A click far from the drop-down and bar closes it and chooses nothing.
    PlatformTestClick(700, 500);
    PlatformTestPump();
    EXPECT_EQ(PlatformTestOpenMenu(), -1);
    EXPECT_TRUE(Commands(frame).empty());
    // The click that closed the menu was not also delivered to the window.
    EXPECT_TRUE(MessagesFor(frame, {WM_LBUTTONDOWN}).empty());
}

TEST_F(Menus, DestroyingTheWindowWithAnOpenMenuClosesIt) {
    PlatformTestKeyPress(VK_F10);
    PlatformTestPump();
    ASSERT_EQ(PlatformTestOpenMenu(), 0);
    DestroyWindow(frame);
    PlatformTestKeyPress(VK_DOWN);
    PlatformTestKeyPress(VK_RETURN);
    PlatformTestPump();
    EXPECT_EQ(PlatformTestOpenMenu(), -1);
}

} // namespace
