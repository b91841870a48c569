// radio_room_test.cpp -- the radio room's log, input box and addressee button
#include <gtest/gtest.h>

#include <string>

#include "net/session.h"
#include "shell/debug.h"
#include "shell/shell.h"
#include "sim/mobile.h"
#include "stations/chat.h"
#include "tests/support/frame_window.h"

namespace {

class RadioRoom : public ::testing::Test {
  protected:
    void SetUp() override {
        InitializeDebug(nullptr);
        TestFrameOpen(800, 600);
        ChatOpen(hwndApp);
        ASSERT_NE(hwndChat, nullptr);
        log_ = GetDlgItem(hwndChat, CHAT_LOG);
        ASSERT_NE(log_, nullptr);
    }
    void TearDown() override {
        if (hwndChat) DestroyWindow(hwndChat);
        TestFrameClose();
    }
    std::string Log() {
        std::string text(GetWindowTextLength(log_) + 1, '\0');
        GetWindowText(log_, text.data(), (int)text.size());
        text.resize(text.size() - 1);
        return text;
    }
    HWND log_;
};

TEST_F(RadioRoom, LinesAreCutTo127CharactersAndEndWithALineBreak) {
    ChatAddMessage("Ships in this battle:");
    ChatAddMessage(std::string(200, 'w').c_str());
    std::string text = Log();
    EXPECT_EQ(text.rfind("Ships in this battle:\r\n", 0), 0u);
    EXPECT_NE(text.find(std::string(127, 'w') + "\r\n"), std::string::npos);
    EXPECT_EQ(text.find(std::string(128, 'w')), std::string::npos);
}

TEST_F(RadioRoom, TheLogKeepsAbout256LinesDroppingTheOldest) {
    for (int i = 0; i < 300; i++)
        ChatAddMessage(("line " + std::to_string(i)).c_str());
    int lines = (int)SendMessage(log_, EM_GETLINECOUNT, 0, 0);
    EXPECT_GE(lines, 250);
    EXPECT_LE(lines, 260);
    std::string text = Log();
    EXPECT_EQ(text.find("line 0\r\n"), std::string::npos);
    EXPECT_NE(text.find("line 299\r\n"), std::string::npos);
}

TEST_F(RadioRoom, TheAddresseeButtonCyclesAllThemUs) {
    HWND to = GetDlgItem(hwndChat, CHAT_ADDRESSEE);
    const char *expected[] = {"Them", "Us", "All"};
    for (const char *name : expected) {
        SendMessage(hwndChat, WM_COMMAND, MAKEWPARAM(CHAT_ADDRESSEE, BN_CLICKED), (LPARAM)to);
        char label[16];
        GetWindowText(to, label, sizeof label);
        EXPECT_STREQ(label, name);
    }
    EXPECT_EQ(radio_addressee, 0);
}

TEST_F(RadioRoom, WithoutARadioRoomLinesAreDropped) {
    DestroyWindow(hwndChat);
    EXPECT_EQ(hwndChat, nullptr);
    ChatAddMessage("nobody hears this");
}

} // namespace
