// edit_test.cpp -- the edit control: typing, selection, clipboard, limits, lines, notifications
#include "platform_fixture.h"

#include <string>

namespace {

class Edit : public PlatformTest {
  protected:
    HWND frame = nullptr;
    void SetUp() override {
        PlatformTest::SetUp();
        frame = Frame();
        PlatformTestPump();
    }
    HWND Make(DWORD style, int id = 5, int w = 200, int h = 24) {
        HWND e = CreateWindowEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | style, 10, 10, w,
                                h, frame, (HMENU)(INT_PTR)id, nullptr, nullptr);
        SetFocus(e);
        PlatformTestPump();
        Log().clear();
        return e;
    }
    static std::string Text(HWND e) {
        char buf[512];
        GetWindowText(e, buf, sizeof buf);
        return buf;
    }
    static std::pair<DWORD, DWORD> Sel(HWND e) {
        DWORD a = 0, b = 0;
        SendMessage(e, EM_GETSEL, (WPARAM)&a, (LPARAM)&b);
        return {a, b};
    }
    // Notification codes the parent received from control `id`, in order.
    std::vector<int> Notes(int id) {
        std::vector<int> out;
        for (auto &m : Log())
            if (m.hwnd == frame && m.msg == WM_COMMAND && LOWORD(m.wp) == id)
                out.push_back(HIWORD(m.wp));
        return out;
    }
    static void Ctrl(int vk) {
        PlatformTestKey(VK_CONTROL, TRUE);
        PlatformTestKeyPress(vk);
        PlatformTestKey(VK_CONTROL, FALSE);
        PlatformTestPump();
    }
    static void Shift(int vk) {
        PlatformTestKey(VK_SHIFT, TRUE);
        PlatformTestKeyPress(vk);
        PlatformTestKey(VK_SHIFT, FALSE);
        PlatformTestPump();
    }
};

TEST_F(Edit, TypingBackspaceAndDeleteWithNotifications) {
    HWND e = Make(ES_AUTOHSCROLL);
    PlatformTestText("Tirpitz");
    PlatformTestPump();
    EXPECT_EQ(Text(e), "Tirpitz");
    EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{7, 7}));
    EXPECT_EQ(SendMessage(e, EM_GETMODIFY, 0, 0), TRUE);
    // Each change tells the parent: update, then change.
    std::vector<int> n = Notes(5);
    ASSERT_EQ(n.size(), 14u);
    EXPECT_EQ(n[0], EN_UPDATE);
    EXPECT_EQ(n[1], EN_CHANGE);
    PlatformTestText("\b\b");
    PlatformTestKeyPress(VK_HOME);
    PlatformTestKeyPress(VK_DELETE);
    PlatformTestPump();
    EXPECT_EQ(Text(e), "irpi");
    // Backspace at the start and Delete at the end change nothing and say nothing.
    PlatformTestText("\b");
    PlatformTestKeyPress(VK_END);
    Log().clear();
    PlatformTestKeyPress(VK_DELETE);
    PlatformTestPump();
    EXPECT_EQ(Text(e), "irpi");
    EXPECT_TRUE(Notes(5).empty());
    // Control characters other than the editing ones are not inserted.
    PlatformTestText("\x01\x07\x1b");
    PlatformTestPump();
    EXPECT_EQ(Text(e), "irpi");
}

TEST_F(Edit, ShiftAndControlArrowsSelectByCharacterAndWord) {
    HWND e = Make(ES_AUTOHSCROLL);
    SetWindowText(e, "north west  south");
    SendMessage(e, EM_SETSEL, 0, 0);
    Ctrl(VK_RIGHT);
    EXPECT_EQ(Sel(e).second, 6u); // past the word and its space
    PlatformTestKey(VK_CONTROL, TRUE);
    PlatformTestKey(VK_SHIFT, TRUE);
    PlatformTestKeyPress(VK_RIGHT);
    PlatformTestKey(VK_SHIFT, FALSE);
    PlatformTestKey(VK_CONTROL, FALSE);
    PlatformTestPump();
    EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{6, 12}));
    // Left without shift collapses the selection to its start.
    PlatformTestKeyPress(VK_LEFT);
    PlatformTestPump();
    EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{6, 6}));
    Shift(VK_END);
    PlatformTestPump();
    EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{6, 17}));
    PlatformTestText("east");
    PlatformTestPump();
    EXPECT_EQ(Text(e), "north east");
    Ctrl(VK_LEFT);
    PlatformTestPump();
    EXPECT_EQ(Sel(e).first, 6u);
    // EM_SETSEL clamps to the text and -1 end means the end.
    SendMessage(e, EM_SETSEL, 3, -1);
    EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{3, 10}));
    SendMessage(e, EM_SETSEL, 50, 900);
    EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{10, 10}));
}

TEST_F(Edit, CutCopyPasteAndPasswordsNeverReachTheClipboard) {
    HWND e = Make(ES_AUTOHSCROLL);
    SetWindowText(e, "convoy ahead");
    SendMessage(e, EM_SETSEL, 0, 6);
    PlatformTestText("\x18"); // Ctrl+X
    PlatformTestPump();
    EXPECT_EQ(Text(e), " ahead");
    PlatformTestKeyPress(VK_END);
    PlatformTestText("\x16"); // Ctrl+V
    PlatformTestPump();
    EXPECT_EQ(Text(e), " aheadconvoy");
    HWND pw = Make(ES_PASSWORD | ES_AUTOHSCROLL, 6);
    PlatformTestText("secret");
    SendMessage(pw, EM_SETSEL, 0, -1);
    PlatformTestText("\x03"); // Ctrl+C: refused for a password
    PlatformTestPump();
    EXPECT_EQ(SendMessage(pw, EM_GETPASSWORDCHAR, 0, 0), '*');
    SetFocus(e);
    SendMessage(e, EM_SETSEL, 0, -1);
    PlatformTestText("\x16");
    PlatformTestPump();
    EXPECT_EQ(Text(e), "convoy");
}

TEST_F(Edit, LimitsNumbersCaseAndReadOnly) {
    HWND e = Make(ES_AUTOHSCROLL);
    SendMessage(e, EM_LIMITTEXT, 5, 0);
    EXPECT_EQ(SendMessage(e, EM_GETLIMITTEXT, 0, 0), 5);
    PlatformTestText("abcdefg");
    PlatformTestPump();
    EXPECT_EQ(Text(e), "abcde");
    int maxed = 0;
    for (int c : Notes(5))
        maxed += c == EN_MAXTEXT;
    EXPECT_EQ(maxed, 2);
    // A paste longer than the room left is cut to fit.
    SendMessage(e, EM_SETSEL, 1, 2);
    SendMessage(e, EM_REPLACESEL, 0, (LPARAM) "XYZ");
    EXPECT_EQ(Text(e), "aXcde");

    HWND num = Make(ES_NUMBER | ES_AUTOHSCROLL, 6);
    PlatformTestText("4a2");
    PlatformTestPump();
    EXPECT_EQ(Text(num), "42");

    HWND up = Make(ES_UPPERCASE | ES_AUTOHSCROLL, 7);
    PlatformTestText("u-47");
    PlatformTestPump();
    EXPECT_EQ(Text(up), "U-47");

    HWND ro = Make(ES_READONLY | ES_AUTOHSCROLL, 8);
    SetWindowText(ro, "fixed");
    PlatformTestText("zz\b");
    PlatformTestKeyPress(VK_DELETE);
    PlatformTestPump();
    EXPECT_EQ(Text(ro), "fixed");
    SendMessage(ro, EM_SETREADONLY, FALSE, 0);
    PlatformTestKeyPress(VK_END);
    PlatformTestText("!");
    PlatformTestPump();
    EXPECT_EQ(Text(ro), "fixed!");
}

TEST_F(Edit, SingleLineDropsLineBreaksAndMultiLineCountsLines) {
    HWND one = Make(ES_AUTOHSCROLL);
    SendMessage(one, EM_REPLACESEL, 0, (LPARAM) "a\r\nb");
    EXPECT_EQ(Text(one), "ab");
    PlatformTestText("\r");
    PlatformTestPump();
    EXPECT_EQ(Text(one), "ab");

    HWND m = Make(ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, 6, 200, 120);
    SetWindowText(m, "first\r\nsecond\r\n\r\nlast");
    EXPECT_EQ(SendMessage(m, EM_GETLINECOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessage(m, EM_LINEINDEX, 1, 0), 7);
    EXPECT_EQ(SendMessage(m, EM_LINEINDEX, 9, 0), -1);
    EXPECT_EQ(SendMessage(m, EM_LINEFROMCHAR, 8, 0), 1);
    EXPECT_EQ(SendMessage(m, EM_LINELENGTH, 7, 0), 6);
    EXPECT_EQ(SendMessage(m, EM_LINELENGTH, 15, 0), 0);
    // EM_GETLINE copies at most the count in the buffer's first word, unterminated.
    char buf[16];
    memset(buf, '#', sizeof buf);
    WORD max = 3;
    memcpy(buf, &max, 2);
    EXPECT_EQ(SendMessage(m, EM_GETLINE, 1, (LPARAM)buf), 3);
    EXPECT_EQ(std::string(buf, 4), "sec#");
    EXPECT_EQ(SendMessage(m, EM_GETLINE, 9, (LPARAM)buf), 0);
    // Backspace after a line break removes the whole CR LF pair.
    SendMessage(m, EM_SETSEL, 7, 7);
    PlatformTestText("\b");
    PlatformTestPump();
    EXPECT_EQ(Text(m), "firstsecond\r\n\r\nlast");
    // Down keeps the column as near as it can; Ctrl+End goes to the very end.
    SendMessage(m, EM_SETSEL, 2, 2);
    PlatformTestKeyPress(VK_DOWN);
    PlatformTestKeyPress(VK_DOWN);
    PlatformTestPump();
    EXPECT_EQ(Sel(m).first, 15u); // the empty third line
    Ctrl(VK_END);
    PlatformTestPump();
    EXPECT_EQ(Sel(m).first, 19u);
    PlatformTestText("\r");
    PlatformTestPump();
    EXPECT_EQ(SendMessage(m, EM_GETLINECOUNT, 0, 0), 4);
}

TEST_F(Edit, DisabledEditTakesNoTyping) {
    HWND e = Make(ES_AUTOHSCROLL);
    EnableWindow(e, FALSE);
    PlatformTestText("x");
    SendMessage(e, WM_CHAR, 'y', 0);
    PlatformTestPump();
    EXPECT_EQ(Text(e), "");
}

} // namespace
