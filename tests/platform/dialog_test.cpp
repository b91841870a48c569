// dialog_test.cpp -- dialog keys, edit controls, radio buttons, message boxes, menus
#include "platform_fixture.h"

#include <cstring>
#include <string>

using Dialogs = PlatformTest;

static const DialogResourceControl login_controls[] = {
    {"EDIT", "", 3005, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 48, 8, 84, 12},
    {"EDIT", "", 3006, ES_AUTOHSCROLL | ES_PASSWORD | WS_BORDER | WS_TABSTOP, 0, 48, 24, 84, 12},
    {"STATIC", "UserID", -1, SS_RIGHT, 0, 20, 8, 24, 12},
    {"BUTTON", "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 90, 48, 44, 16},
    {"BUTTON", "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 0, 10, 48, 44, 16},
};
static const DialogResource login = {"Test - Login",
                                     DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                     0,
                                     0,
                                     0,
                                     145,
                                     71,
                                     8,
                                     "MS Sans Serif",
                                     login_controls,
                                     5};

static const DialogResourceControl ships_controls[] = {
    {"BUTTON", "Submarine", 3011, BS_PUSHBUTTON | WS_TABSTOP, 0, 10, 11, 60, 16},
    {"BUTTON", "Corvette", 3012, BS_PUSHBUTTON | WS_TABSTOP, 0, 10, 27, 60, 16},
};
static const DialogResource ships = {"Ship Selection",
                                     DS_MODALFRAME | WS_POPUP | WS_CAPTION,
                                     0,
                                     0,
                                     0,
                                     81,
                                     64,
                                     8,
                                     nullptr,
                                     ships_controls,
                                     2};

struct Answer {
    int turns = 0;
    bool done = false;
    std::string user, pass;
};
static Answer answer;

static INT_PTR CALLBACK LoginProc(HWND h, UINT m, WPARAM wp, LPARAM) {
    if (m == WM_INITDIALOG) {
        SendDlgItemMessage(h, 3005, EM_LIMITTEXT, 31, 0);
        return TRUE;
    }
    if (m == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        char buf[64];
        GetDlgItemText(h, 3005, buf, sizeof buf);
        answer.user = buf;
        GetDlgItemText(h, 3006, buf, sizeof buf);
        answer.pass = buf;
        EndDialog(h, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

TEST_F(Dialogs, TabMovesTheFocusAndEnterPressesTheDefaultButton) {
    RegisterDialogResource(MAKEINTRESOURCE(4001), &login);
    HWND f = Frame();
    answer = Answer{};
    PlatformTestSetModalHook(
        [](HWND modal, void *) {
            answer.turns++;
            if (answer.done) return;
            answer.done = true;
            EXPECT_EQ(GetFocus(), GetDlgItem(modal, 3005));
            PlatformTestText("cap");
            PlatformTestKeyPress(VK_TAB);
            PlatformTestText("pw");
            PlatformTestKeyPress(VK_RETURN);
        },
        nullptr);
    EXPECT_EQ(DialogBox(nullptr, MAKEINTRESOURCE(4001), f, LoginProc), IDOK);
    EXPECT_EQ(answer.user, "cap");
    EXPECT_EQ(answer.pass, "pw");
    EXPECT_TRUE(IsWindowEnabled(f)); // the owner is enabled again
    EXPECT_EQ(PlatformTestFindWindow("Test - Login"), nullptr);
}

TEST_F(Dialogs, ShiftTabGoesBackAndEscapeCancels) {
    RegisterDialogResource("LOGIN", &login);
    HWND f = Frame();
    answer = Answer{};
    PlatformTestSetModalHook(
        [](HWND modal, void *) {
            if (answer.done) return;
            answer.done = true;
            PlatformTestKey(VK_SHIFT, TRUE);
            PlatformTestKeyPress(VK_TAB); // from the first edit back to Cancel (last tab stop)
            PlatformTestKey(VK_SHIFT, FALSE);
            PlatformTestPump();
            EXPECT_EQ(GetFocus(), GetDlgItem(modal, IDCANCEL));
            PlatformTestKeyPress(VK_ESCAPE);
        },
        nullptr);
    EXPECT_EQ(DialogBox(nullptr, "login", f, LoginProc), IDCANCEL);
}

static INT_PTR CALLBACK ShipProc(HWND h, UINT m, WPARAM wp, LPARAM) {
    if (m == WM_INITDIALOG) {
        EnableWindow(GetDlgItem(h, 3012), FALSE);
        return TRUE;
    }
    if (m == WM_COMMAND && (LOWORD(wp) == 3011 || LOWORD(wp) == 3012)) {
        EndDialog(h, LOWORD(wp) == 3011 ? 3 : 1);
        return TRUE;
    }
    return FALSE; // IDCANCEL and IDOK are ignored: the dialog stays
}

TEST_F(Dialogs, DialogWithoutCancelIgnoresEscapeAndDisabledButtonsDoNothing) {
    RegisterDialogResource("SHIPS", &ships);
    HWND f = Frame();
    answer = Answer{};
    PlatformTestSetModalHook(
        [](HWND modal, void *) {
            answer.turns++;
            if (answer.turns == 1) {
                PlatformTestKeyPress(VK_ESCAPE);
                RECT r;
                GetWindowRect(GetDlgItem(modal, 3012), &r);
                PlatformTestClick(r.left + 5, r.top + 5); // disabled: no command
            } else if (answer.turns == 20) {
                RECT r;
                GetWindowRect(GetDlgItem(modal, 3011), &r);
                PlatformTestClick(r.left + 5, r.top + 5);
            }
        },
        nullptr);
    EXPECT_EQ(DialogBox(nullptr, "SHIPS", f, ShipProc), 3);
    EXPECT_GE(answer.turns, 20);
}

TEST_F(Dialogs, EditLimitPasswordAndMultiLineMessages) {
    HWND f = Frame();
    HWND e = CreateWindowEx(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                            10, 10, 120, 22, f, (HMENU)102, nullptr, nullptr);
    SendMessage(e, EM_LIMITTEXT, 80, 0);
    SetFocus(e);
    std::string many(100, 'a');
    PlatformTestText(many.c_str());
    PlatformTestPump();
    EXPECT_EQ(GetWindowTextLength(e), 80);
    PlatformTestKeyPress(VK_BACK);
    PlatformTestPump();
    EXPECT_EQ(GetWindowTextLength(e), 79);

    // A password field keeps its text but shows the same marks for any letters.
    HWND p1 = CreateWindowEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_PASSWORD, 10, 40, 120, 22, f,
                             (HMENU)1, nullptr, nullptr);
    HWND p2 = CreateWindowEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_PASSWORD, 10, 70, 120, 22, f,
                             (HMENU)2, nullptr, nullptr);
    SetWindowText(p1, "secret");
    SetWindowText(p2, "wxyzab");
    PlatformTestPump();
    char buf[16];
    GetWindowText(p1, buf, sizeof buf);
    EXPECT_STREQ(buf, "secret");
    EXPECT_EQ(SendMessage(p1, EM_GETPASSWORDCHAR, 0, 0), '*');
    bool same = true, ink = false;
    for (int y = 0; y < 22; y++)
        for (int x = 0; x < 120; x++) {
            COLORREF a = PlatformTestWindowPixel(p1, x, y), b = PlatformTestWindowPixel(p2, x, y);
            same = same && a == b;
            ink = ink || a != RGB(255, 255, 255);
        }
    EXPECT_TRUE(same);
    EXPECT_TRUE(ink);

    HWND log = CreateWindowEx(0, "EDIT", "",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 10,
                              100, 200, 60, f, (HMENU)103, nullptr, nullptr);
    for (const char *line : {"one", "two", "three"}) {
        int n = GetWindowTextLength(log);
        SendMessage(log, EM_SETSEL, n, n);
        SendMessage(log, EM_REPLACESEL, 0, (LPARAM)line);
        SendMessage(log, EM_REPLACESEL, 0, (LPARAM) "\r\n");
    }
    EXPECT_EQ(SendMessage(log, EM_GETLINECOUNT, 0, 0), 4); // the last line is empty
    EXPECT_EQ(SendMessage(log, EM_LINEINDEX, 1, 0), 5);
    EXPECT_EQ(SendMessage(log, EM_LINEINDEX, 2, 0), 10);
    EXPECT_EQ(SendMessage(log, EM_LINEINDEX, 9, 0), -1);
    // Dropping the first line as a log trims itself.
    SendMessage(log, EM_SETSEL, 0, SendMessage(log, EM_LINEINDEX, 1, 0));
    SendMessage(log, EM_REPLACESEL, 0, (LPARAM) "");
    GetWindowText(log, buf, sizeof buf);
    EXPECT_STREQ(buf, "two\r\nthree\r\n");
    SetFocus(log);
    PlatformTestText("x"); // read-only: typing changes nothing
    PlatformTestPump();
    EXPECT_EQ(GetWindowTextLength(log), 12);

    // Long text wraps into more lines than fit, and the caret scroll brings the end into view.
    std::string text;
    for (int i = 0; i < 30; i++)
        text += "line number " + std::to_string(i) + "\r\n";
    SetWindowText(log, text.c_str());
    EXPECT_EQ(SendMessage(log, EM_GETLINECOUNT, 0, 0), 31);
    SendMessage(log, EM_SETSEL, (WPARAM)text.size(), (LPARAM)text.size());
    SendMessage(log, EM_SCROLLCARET, 0, 0);
    EXPECT_GT(SendMessage(log, EM_GETFIRSTVISIBLELINE, 0, 0), 20);
}

TEST_F(Dialogs, WantReturnEditTakesEnterAndWrapsLongLines) {
    HWND f = Frame();
    HWND e = CreateWindowEx(0, "EDIT", "",
                            WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, 10,
                            10, 100, 80, f, (HMENU)3010, nullptr, nullptr);
    SetFocus(e);
    PlatformTestText("ab");
    PlatformTestKeyPress(VK_RETURN);
    PlatformTestText("cd");
    PlatformTestPump();
    char buf[64];
    GetWindowText(e, buf, sizeof buf);
    EXPECT_STREQ(buf, "ab\r\ncd");
    EXPECT_EQ(SendMessage(e, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, DLGC_WANTALLKEYS);
    SetWindowText(e, "a long paragraph typed without any line breaks at all");
    EXPECT_GT(SendMessage(e, EM_GETLINECOUNT, 0, 0), 2);
}

TEST_F(Dialogs, RadioButtonsCheckOneAtATime) {
    HWND f = Frame();
    HWND a =
        CreateWindow("BUTTON", "Northland", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | WS_GROUP,
                     10, 10, 100, 20, f, (HMENU)3000, nullptr, nullptr);
    HWND b = CreateWindow("BUTTON", "Westland", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 10, 40,
                          100, 20, f, (HMENU)3001, nullptr, nullptr);
    CheckRadioButton(f, 3000, 3001, 3001);
    EXPECT_EQ(IsDlgButtonChecked(f, 3000), (UINT)BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(f, 3001), (UINT)BST_CHECKED);
    PlatformTestPump();
    RECT r;
    GetWindowRect(a, &r);
    PlatformTestClick(r.left + 5, r.top + 10);
    PlatformTestPump();
    EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    bool clicked = false;
    for (auto &e : Log())
        if (e.hwnd == f && e.msg == WM_COMMAND && LOWORD(e.wp) == 3000 &&
            HIWORD(e.wp) == BN_CLICKED)
            clicked = true;
    EXPECT_TRUE(clicked);
    SetDlgItemInt(f, 3000, 6001, FALSE);
    BOOL ok = FALSE;
    EXPECT_EQ(GetDlgItemInt(f, 3000, &ok, FALSE), 6001u);
    EXPECT_TRUE(ok);
    SetDlgItemText(f, 3000, "60x1");
    GetDlgItemInt(f, 3000, &ok, FALSE);
    EXPECT_FALSE(ok);
}

TEST_F(Dialogs, MessageBoxIsAnsweredThroughTheHook) {
    HWND f = Frame();
    static std::string seen_text, seen_caption;
    PlatformTestSetModalHook(
        [](HWND modal, void *) {
            char buf[256];
            PlatformTestMessageBoxText(modal, buf, sizeof buf);
            seen_text = buf;
            GetWindowText(modal, buf, sizeof buf);
            seen_caption = buf;
            EXPECT_FALSE(IsWindowEnabled(GetWindow(modal, GW_OWNER)));
            RECT r;
            GetWindowRect(GetDlgItem(modal, IDOK), &r);
            PlatformTestClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        },
        nullptr);
    int r =
        MessageBox(f, "Lost connection.\nPlease wait.", "Connection problem", MB_OK | MB_ICONERROR);
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(seen_text, "Lost connection.\r\nPlease wait.");
    EXPECT_EQ(seen_caption, "Connection problem");
    EXPECT_TRUE(IsWindowEnabled(f));
    // Without a hook a headless message box answers its default button at once.
    PlatformTestSetModalHook(nullptr, nullptr);
    EXPECT_EQ(MessageBox(nullptr, "x", "y", MB_YESNO), IDYES);
}

static const MenuResourceItem menu_items[] = {
    {0, "&Game", 0, 0},       {1, "&Join battle", 2001, 0}, {1, "", 0, MF_SEPARATOR},
    {1, "E&xit", 2007, 0},    {0, "&Stations", 0, 0},       {1, "&Bridge", 2002, 0},
    {1, "&Compass", 2012, 0},
};

TEST_F(Dialogs, MenusEnableCheckAndSendCommands) {
    ASSERT_TRUE(RegisterMenuResource("KRMenu", menu_items, 7));
    HWND f = CreateWindowEx(0, "Logged", "Frame", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                            0, 0, 800, 600, nullptr, LoadMenu(nullptr, "krmenu"), nullptr, nullptr);
    HMENU m = GetMenu(f);
    ASSERT_TRUE(m);
    EXPECT_EQ(GetMenuItemCount(m), 2);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(m, 0)), 3);
    EXPECT_EQ(EnableMenuItem(m, 2001, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED), (BOOL)MF_ENABLED);
    EXPECT_EQ(EnableMenuItem(m, 2001, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED),
              (BOOL)(MF_GRAYED | MF_DISABLED));
    EXPECT_EQ(CheckMenuItem(m, 2012, MF_BYCOMMAND | MF_CHECKED), (DWORD)MF_UNCHECKED);
    EXPECT_EQ(GetMenuState(m, 2012, MF_BYCOMMAND) & MF_CHECKED, (UINT)MF_CHECKED);
    EXPECT_EQ(EnableMenuItem(m, 9999, MF_BYCOMMAND), -1);
    EXPECT_TRUE(DrawMenuBar(f));
    // The client area starts below the caption and the menu bar.
    POINT o{0, 0};
    ClientToScreen(f, &o);
    EXPECT_EQ(o.y, 3 + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU));
    PlatformTestPump();
    Log().clear();
    // Click "Game", then the greyed "Join battle" (nothing), then "Game" and "Exit".
    int bar_y = 3 + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU) / 2;
    PlatformTestClick(20, bar_y);
    PlatformTestPump();
    EXPECT_EQ(PlatformTestOpenMenu(), 0);
    PlatformTestClick(40, o.y + 13);
    PlatformTestPump();
    EXPECT_TRUE(MessagesFor(f, {WM_COMMAND}).empty());
    if (PlatformTestOpenMenu() < 0) PlatformTestClick(20, bar_y);
    PlatformTestPump();
    PlatformTestClick(40, o.y + 3 + 20 + 9 + 10); // the third row, after the separator
    PlatformTestPump();
    WPARAM id = 0;
    for (auto &e : Log())
        if (e.hwnd == f && e.msg == WM_COMMAND) id = e.wp;
    EXPECT_EQ(LOWORD(id), 2007);
    EXPECT_EQ(PlatformTestOpenMenu(), -1);
    // Alt and an access key open a drop-down; a letter chooses its item.
    Log().clear();
    SetActiveWindow(f);
    PlatformTestKey(VK_MENU, TRUE);
    PlatformTestKeyPress('S');
    PlatformTestKey(VK_MENU, FALSE);
    PlatformTestKeyPress('C');
    PlatformTestPump();
    id = 0;
    for (auto &e : Log())
        if (e.hwnd == f && e.msg == WM_COMMAND) id = e.wp;
    EXPECT_EQ(LOWORD(id), 2012);
}

// A key that types arrives as the SDL backend delivers it: key-down, its text, key-up. Its text
// belongs to the key, so a dialog the key opens (from a menu or a key handler) starts clean.
static HWND typed_frame;
static std::vector<std::string> typed_fields; // the UserID edit, each time the hook looked

static LRESULT CALLBACK OpenerProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Log().push_back({h, m, wp, lp});
    if ((m == WM_COMMAND && LOWORD(wp) == 2001) || (m == WM_KEYDOWN && wp == VK_F2) ||
        (m == WM_KEYDOWN && wp == 'J')) {
        DialogBox(nullptr, MAKEINTRESOURCE(4001), h, LoginProc);
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

static void TypeKeys(const char *text) {
    for (const char *p = text; *p; p++) {
        char one[2] = {*p, 0};
        PlatformTestTypeKey(toupper((unsigned char)*p), one);
    }
}

static void ReadAndTypeAndCancel(HWND modal, void *) {
    PlatformTestPump(); // whatever the opening key left queued reaches the dialog now
    char text[64];
    GetDlgItemText(modal, 3005, text, sizeof text);
    typed_fields.push_back(text);
    TypeKeys("nemo");
    PlatformTestPump();
    GetDlgItemText(modal, 3005, text, sizeof text);
    typed_fields.push_back(text);
    SendMessage(modal, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

class TypedKeys : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        WNDCLASS wc{};
        wc.lpfnWndProc = OpenerProc;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = "Opener";
        ASSERT_TRUE(RegisterClass(&wc));
        ASSERT_TRUE(RegisterMenuResource("KRMenu", menu_items, 7));
        ASSERT_TRUE(RegisterDialogResource(MAKEINTRESOURCE(4001), &login));
        typed_frame =
            CreateWindowEx(0, "Opener", "Frame", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0,
                           0, 800, 600, nullptr, LoadMenu(nullptr, "KRMenu"), nullptr, nullptr);
        SetActiveWindow(typed_frame);
        SetFocus(typed_frame);
        PlatformTestPump();
        Log().clear();
        typed_fields.clear();
        PlatformTestSetModalHook(ReadAndTypeAndCancel, nullptr);
    }
    std::vector<WPARAM> CharsAtFrame() {
        std::vector<WPARAM> out;
        for (auto &e : Log())
            if (e.hwnd == typed_frame && e.msg == WM_CHAR) out.push_back(e.wp);
        return out;
    }
};

TEST_F(TypedKeys, AMenuAccessKeyNeverTypesIntoTheDialogItOpens) {
    PlatformTestKey(VK_MENU, TRUE);
    PlatformTestTypeKey('G', "g"); // X11 gives Alt+letter its text too
    PlatformTestKey(VK_MENU, FALSE);
    PlatformTestTypeKey('J', "j");
    PlatformTestPump();
    ASSERT_EQ(typed_fields.size(), 2u);
    EXPECT_EQ(typed_fields[0], "");
    EXPECT_EQ(typed_fields[1], "nemo");
    EXPECT_TRUE(CharsAtFrame().empty());
    // Held for the whole menu walk: the same.
    typed_fields.clear();
    PlatformTestKey(VK_MENU, TRUE);
    PlatformTestTypeKey('G', "g");
    PlatformTestTypeKey('J', "j");
    PlatformTestKey(VK_MENU, FALSE);
    PlatformTestPump();
    ASSERT_EQ(typed_fields.size(), 2u);
    EXPECT_EQ(typed_fields[0], "");
    EXPECT_EQ(typed_fields[1], "nemo");
}

TEST_F(TypedKeys, AKeyWhoseHandlerOpensADialogTypesIntoItsOwnWindowOnly) {
    PlatformTestTypeKey('J', "j");
    PlatformTestPump();
    ASSERT_EQ(typed_fields.size(), 2u);
    EXPECT_EQ(typed_fields[0], "");
    EXPECT_EQ(typed_fields[1], "nemo");
    // As in Win32 the character was made before the dialog opened, for the window the key
    // went down in.
    EXPECT_EQ(CharsAtFrame(), std::vector<WPARAM>{'j'});
}

TEST_F(TypedKeys, TextWithoutItsKeyAndAltGrTextStillType) {
    PlatformTestSetModalHook(
        [](HWND modal, void *) {
            PlatformTestPump();
            PlatformTestText("\xe9t\xe9");  // an input method's text, with no key of its own
            PlatformTestKey(VK_MENU, TRUE); // AltGr comes as the right Alt key
            PlatformTestTypeKey('Q', "@");
            PlatformTestKey(VK_MENU, FALSE);
            PlatformTestTypeKey(VK_F2, ""); // a key that types nothing
            PlatformTestPump();
            char text[64];
            GetDlgItemText(modal, 3005, text, sizeof text);
            typed_fields.push_back(text);
            SendMessage(modal, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        },
        nullptr);
    PlatformTestKeyPress(VK_F2);
    PlatformTestPump();
    ASSERT_EQ(typed_fields.size(), 1u);
    EXPECT_EQ(typed_fields[0], "\xe9t\xe9@");
}
