// chat_test.cpp -- the radio room: sending typed lines, the addressee, the log's limits, layout
#include <gtest/gtest.h>

#include <string>

#include "platform/platform_test.h"
#include "shell/shell.h"
#include "sim/mobile.h"
#include "stations/bridge.h"
#include "stations/chat.h"
#include "tests/stations/inst_support.h"

namespace {

class ChatTest : public InstFixture {
  protected:
    void SetUp() override {
        InstFixture::SetUp();
        ChatShow();
    }
    HWND Input() { return GetDlgItem(hwndChat, CHAT_INPUT); }
    HWND Log() { return GetDlgItem(hwndChat, CHAT_LOG); }
    // Types into the input box as the player would: the box has the focus.
    void Type(const char *text) {
        Click(hwndChat, 5, 5); // activates the radio room and focuses the input box
        SetFocus(Input());
        PlatformTestText(text);
        PlatformTestPump();
    }
    static std::string Text(HWND w) {
        std::string s(GetWindowTextLength(w) + 1, '\0');
        GetWindowText(w, s.data(), (int)s.size());
        s.resize(s.size() - 1);
        return s;
    }
    std::vector<std::string> Radio() {
        std::vector<std::string> radio;
        for (const std::string &l : SentLines())
            if (l.rfind("29:", 0) == 0) radio.push_back(l);
        return radio;
    }
};

TEST_F(ChatTest, EnterSendsWithAddresseeAndEmptyLineSendsNothing) {
    Own(DESTROYER);
    ASSERT_TRUE(hwndChat);
    Type("hello there\r");
    std::vector<std::string> sent = Radio();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "29:0:hello there");
    EXPECT_EQ(Text(Input()), "");
    Type("\r");
    EXPECT_TRUE(Radio().empty());
    // The client does not echo its own line.
    EXPECT_EQ(Text(Log()), "");

    HWND to = GetDlgItem(hwndChat, CHAT_ADDRESSEE);
    const char *names[] = {"Them", "Us", "All"};
    for (int i = 0; i < 3; i++) {
        SendMessage(hwndChat, WM_COMMAND, CHAT_ADDRESSEE, (LPARAM)to);
        EXPECT_EQ(Text(to), names[i]);
    }
    SendMessage(hwndChat, WM_COMMAND, CHAT_ADDRESSEE, (LPARAM)to);
    Type("to them\r");
    sent = Radio();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "29:1:to them");
}

TEST_F(ChatTest, InputHoldsAtMost80Characters) {
    Own(DESTROYER);
    std::string long_line(100, 'a');
    Type(long_line.c_str());
    EXPECT_EQ(Text(Input()).size(), 80u);
}

TEST_F(ChatTest, LinesAreCutAt127AndLogKeepsAbout256) {
    Own(DESTROYER);
    ChatAddMessage(std::string(200, 'x').c_str());
    EXPECT_EQ(Text(Log()), std::string(127, 'x') + "\r\n");
    for (int i = 0; i < 300; i++)
        ChatAddMessage(("line " + std::to_string(i)).c_str());
    LRESULT lines = SendMessage(Log(), EM_GETLINECOUNT, 0, 0);
    EXPECT_GE(lines, 256);
    EXPECT_LE(lines, 258);
    std::string log = Text(Log());
    EXPECT_EQ(log.find(std::string(127, 'x')), std::string::npos);
    EXPECT_EQ(log.find("line 10\r\n"), std::string::npos);
    EXPECT_NE(log.find("line 299\r\n"), std::string::npos);
    // The caret sits at the end, with the newest line.
    DWORD start = 0, end = 0;
    SendMessage(Log(), EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    EXPECT_EQ(end, log.size());
}

TEST_F(ChatTest, ShortcutKeysCommandNothingWhileTyping) {
    Mobile *own = Own(DESTROYER);
    int32_t engine = own->engine, zoom = bridge_zoom;
    Type("1 2 5 ZXD");
    ASSERT_EQ(active_window, hwndChat);
    for (char key : std::string("125 ZXD"))
        EXPECT_EQ(HandleKeyEvent((WPARAM)key), 0);
    EXPECT_EQ(own->engine, engine);
    EXPECT_EQ(bridge_zoom, zoom);
    EXPECT_EQ(Text(Input()), "1 2 5 ZXD");
    EXPECT_TRUE(Radio().empty());
}

TEST_F(ChatTest, ControlsFollowTheWindowSize) {
    Own(DESTROYER);
    RECT c;
    SetWindowPos(hwndChat, NULL, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(hwndChat, &c);
    RECT r;
    GetWindowRect(GetDlgItem(hwndChat, CHAT_SEND), &r);
    POINT p = {r.left, r.top};
    ScreenToClient(hwndChat, &p);
    EXPECT_EQ(p.x, c.right - 100);
    EXPECT_EQ(p.y + (r.bottom - r.top), c.bottom);
    GetWindowRect(Log(), &r);
    EXPECT_EQ(r.right - r.left, c.right);
    EXPECT_EQ(r.bottom - r.top, p.y); // the log ends where the bar of controls begins
}

} // namespace
