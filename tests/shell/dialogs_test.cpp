// dialogs_test.cpp -- what each dialog gives back, as the player answers it
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "net/session.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "tests/support/dialog_script.h"

namespace {

class Dialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        PlatformTestReset(800, 600);
        ShellRegisterResources();
        InitializeDebug(nullptr);
        screen_w = 800;
        hwndApp = nullptr;
        memset(&player, 0, sizeof player);
        DialogScriptStart({});
    }
    void TearDown() override {
        DialogScriptStop();
        EXPECT_EQ(ScoreDialogsOpen(), 0);
    }
};

TEST_F(Dialogs, LoginRemovesBlanksAndColonsAndStartsEmpty) {
    std::string first_userid = "x";
    DialogScriptAdd({"Kestrune - Login", [&](HWND d) {
                         char text[32];
                         GetDlgItemText(d, IDC_USERID, text, sizeof text);
                         first_userid = text;
                         DialogType(d, IDC_USERID, "captain: nemo");
                         DialogType(d, IDC_PASSWORD, "a b:c");
                         DialogPress(d, IDOK);
                     }});
    char userid[32] = "previous", password[32] = "";
    EXPECT_EQ(LoginDialog(userid, password), 1);
    EXPECT_EQ(first_userid, "");
    EXPECT_STREQ(userid, "captainnemo");
    EXPECT_STREQ(password, "abc");

    DialogScriptAdd({"Kestrune - Login", [](HWND d) { DialogPress(d, IDCANCEL); }});
    EXPECT_EQ(LoginDialog(userid, password), 0);
    EXPECT_STREQ(userid, "captainnemo"); // untouched on Cancel
}

TEST_F(Dialogs, TheLoginFieldsTakeAtMost31Characters) {
    DialogScriptAdd({"Kestrune - Login", [](HWND d) {
                         DialogType(d, IDC_USERID, std::string(60, 'u').c_str());
                         DialogPress(d, IDOK);
                     }});
    char userid[32], password[32];
    EXPECT_EQ(LoginDialog(userid, password), 1);
    EXPECT_EQ(strlen(userid), 31u);
}

TEST_F(Dialogs, ANewPlayerWhoJustPressesOkGetsNoNicknameAndEitherSide) {
    bool seen[2] = {false, false};
    for (unsigned seed = 1; seed <= 40 && !(seen[0] && seen[1]); seed++) {
        srand(seed);
        DialogScriptAdd({"Welcome to Kestrune", [](HWND d) { DialogPress(d, IDOK); }});
        char nickname[32] = "stale";
        int32_t country = -1;
        NewUserDialog(nickname, &country);
        EXPECT_STREQ(nickname, "");
        ASSERT_TRUE(country == 0 || country == 1);
        seen[country] = true;
    }
    EXPECT_TRUE(seen[0] && seen[1]);
}

TEST_F(Dialogs, TheNicknameKeepsBlanksAndColonsAndIsCutTo15) {
    DialogScriptAdd({"Welcome to Kestrune", [](HWND d) {
                         DialogType(d, IDC_NICKNAME, "Old Salt: the first of many");
                         CheckRadioButton(d, IDC_NORTHLAND, IDC_WESTLAND, IDC_NORTHLAND);
                         DialogPress(d, IDCANCEL); // there is no Cancel
                         DialogPress(d, IDOK);
                     }});
    char nickname[32];
    int32_t country;
    NewUserDialog(nickname, &country);
    EXPECT_STREQ(nickname, "Old Salt: the f");
    EXPECT_EQ(country, 1);
}

TEST_F(Dialogs, ShipSelectionOffersOnlyTheMaskAndIgnoresEscape) {
    bool escape_ignored = false;
    DialogScriptAdd({"Ship Selection", [&](HWND d) {
                         EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_SUBMARINE)));
                         EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_CORVETTE)));
                         EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_DESTROYER)));
                         EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDCANCEL)));
                         SendMessage(d, WM_COMMAND, IDCANCEL, 0);
                         escape_ignored = IsWindow(d);
                         DialogPress(d, IDC_CORVETTE);
                         DialogPress(d, IDC_SUBMARINE);
                     }});
    EXPECT_EQ(ShipSelectionDialog(8), 3);
    EXPECT_TRUE(escape_ignored);

    DialogScriptAdd({"Ship Selection", [](HWND d) { DialogPress(d, IDC_CORVETTE); }});
    EXPECT_EQ(ShipSelectionDialog(2 | 4 | 1 | 32), 1);
    DialogScriptAdd({"Ship Selection", [](HWND d) { DialogPress(d, IDC_DESTROYER); }});
    EXPECT_EQ(ShipSelectionDialog(4), 2);
}

TEST_F(Dialogs, WithNoShipOfferedCancelIsTheWayBack) {
    DialogScriptAdd({"Ship Selection", [](HWND d) {
                         EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, IDCANCEL)));
                         DialogPress(d, IDCANCEL);
                     }});
    EXPECT_EQ(ShipSelectionDialog(1 | 16 | 32), 0); // tankers and merchants are not offered
}

TEST_F(Dialogs, TheServiceRecordSumsTheScores) {
    strcpy(player.userid, "captainnemo");
    strcpy(player.nickname, "Nemo");
    player.country = 1;
    for (int i = 0; i < 6; i++)
        player.score[54 + i] = i + 1;
    player.score[42] = -5;
    player.score[0] = 7;
    player.score[35] = 3;
    player.score[36] = 100; // not part of the mission
    ScoreDialog();
    HWND record = PlatformTestFindWindow("Service Record");
    ASSERT_NE(record, nullptr);
    char text[64];
    GetDlgItemText(record, IDC_SUBMARINE, text, sizeof text);
    EXPECT_STREQ(text, "21");
    GetDlgItemText(record, IDC_CORVETTE, text, sizeof text);
    EXPECT_STREQ(text, "-5");
    GetDlgItemText(record, IDC_CURRENT, text, sizeof text);
    EXPECT_STREQ(text, "10");
    GetDlgItemText(record, IDC_COUNTRY, text, sizeof text);
    EXPECT_STREQ(text, "Northland");
    GetDlgItemText(record, IDC_USERID, text, sizeof text);
    EXPECT_STREQ(text, "captainnemo");
    SendMessage(record, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(record));
}

TEST_F(Dialogs, TwoServiceRecordsKeepTheirOwnFlags) {
    player.country = 0;
    ScoreDialog();
    HWND first = PlatformTestFindWindow("Service Record");
    ScoreDialog();
    HWND second = PlatformTestFindWindow("Service Record");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(first, second);
    EXPECT_EQ(ScoreDialogsOpen(), 2);
    SendMessage(first, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(ScoreDialogsOpen(), 1);
    // The second still paints its flag (a freed one would be caught by the sanitizer).
    InvalidateRect(second, NULL, TRUE);
    PlatformTestPump();
    PlatformTestCompose();
    SendMessage(second, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(num_mem_notes, 0);
}

TEST_F(Dialogs, ChangingCountryShowsTheCurrentOneAndAlwaysAnswers) {
    int32_t country = 1;
    DialogScriptAdd({"Change your country", [](HWND d) {
                         EXPECT_EQ(IsDlgButtonChecked(d, IDC_NORTHLAND), BST_CHECKED);
                         CheckRadioButton(d, IDC_NORTHLAND, IDC_WESTLAND, IDC_WESTLAND);
                         DialogPress(d, IDOK);
                     }});
    ChangeCountryDialog(&country);
    EXPECT_EQ(country, 0);

    country = 2; // Neutral: neither is checked, and OK gives Westland
    DialogScriptAdd({"Change your country", [](HWND d) {
                         EXPECT_NE(IsDlgButtonChecked(d, IDC_NORTHLAND), BST_CHECKED);
                         EXPECT_NE(IsDlgButtonChecked(d, IDC_WESTLAND), BST_CHECKED);
                         DialogPress(d, IDOK);
                     }});
    ChangeCountryDialog(&country);
    EXPECT_EQ(country, 0);
}

TEST_F(Dialogs, OptionsChangeTheServerInMemoryAndSayWhenItTakesEffect) {
    strcpy(hostname, "localhost");
    port = 6000;
    DialogScriptAdd({"Kestrune Options", [](HWND d) {
                         char text[16];
                         GetDlgItemText(d, IDC_PORT, text, sizeof text);
                         EXPECT_STREQ(text, "6000");
                         DialogType(d, IDC_PORT, "6001");
                         DialogPress(d, IDOK);
                     }});
    OptionsDialog();
    EXPECT_EQ(port, 6001);
    ASSERT_EQ(DialogScriptBoxes().size(), 1u);
    EXPECT_EQ(DialogScriptBoxes()[0],
              DialogLines("Server address options|Changes to server options will only take "
                          "effect\n\rwhen you next start up Kestrune."));

    DialogScriptAdd({"Kestrune Options", [](HWND d) { DialogPress(d, IDOK); }});
    OptionsDialog();
    EXPECT_EQ(DialogScriptBoxes().size(), 1u); // nothing changed, nothing said

    DialogScriptAdd({"Kestrune Options", [](HWND d) {
                         DialogType(d, IDC_PORT, "abc");
                         DialogType(d, IDC_HOST, "sea.example");
                         DialogPress(d, IDOK);
                     }});
    OptionsDialog();
    EXPECT_EQ(port, 6001);
    EXPECT_STREQ(hostname, "sea.example");

    DialogScriptAdd({"Kestrune Options", [](HWND d) {
                         DialogType(d, IDC_PORT, "99999");
                         DialogType(d, IDC_HOST, "other.example");
                         DialogPress(d, IDCANCEL);
                     }});
    OptionsDialog();
    EXPECT_STREQ(hostname, "sea.example");
    EXPECT_EQ(port, 6001);
}

TEST_F(Dialogs, AnEmptyBugReportSendsNothingAndSaysNothing) {
    DialogScriptAdd({"Kestrune Bug Report", [](HWND d) { DialogPress(d, IDOK); }});
    BugDialog();
    EXPECT_TRUE(DialogScriptBoxes().empty());
    EXPECT_EQ(num_mem_notes, 0); // the text buffer was released
    DialogScriptAdd({"Kestrune Suggestion", [](HWND d) {
                         DialogType(d, IDC_MESSAGE, "more ships");
                         DialogPress(d, IDCANCEL);
                     }});
    SuggestDialog();
    EXPECT_TRUE(DialogScriptBoxes().empty());
}

// The height the wrapped text of a static control needs, and the height it has.
void StaticNeeds(HWND control, int *need, int *have) {
    char text[512] = {};
    GetWindowText(control, text, sizeof text);
    RECT r;
    GetClientRect(control, &r);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessage(control, WM_GETFONT, 0, 0));
    RECT calc = r;
    DrawText(dc, text, -1, &calc, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    *need = calc.bottom - calc.top;
    *have = r.bottom - r.top;
}

TEST_F(Dialogs, TheFeedbackInstructionsFitAboveTheTextBox) {
    for (const char *caption : {"Kestrune Bug Report", "Kestrune Suggestion"}) {
        int need = 0, have = 0, box_top = 0, text_bottom = 0;
        DialogScriptAdd({caption, [&](HWND d) {
                             HWND text = nullptr;
                             EnumChildWindows(
                                 d,
                                 [](HWND c, LPARAM found) -> BOOL {
                                     char cls[16] = {};
                                     GetClassName(c, cls, sizeof cls);
                                     if (strcasecmp(cls, "Static") != 0) return TRUE;
                                     *(HWND *)found = c;
                                     return FALSE;
                                 },
                                 (LPARAM)&text);
                             StaticNeeds(text, &need, &have);
                             RECT t, b;
                             GetWindowRect(text, &t);
                             GetWindowRect(GetDlgItem(d, IDC_MESSAGE), &b);
                             text_bottom = t.bottom;
                             box_top = b.top;
                             DialogPress(d, IDCANCEL);
                         }});
        if (caption[9] == 'B')
            BugDialog();
        else
            SuggestDialog();
        EXPECT_GT(need, 0) << caption;
        EXPECT_LE(need, have) << caption;
        EXPECT_LE(text_bottom, box_top) << caption;
    }
}

TEST_F(Dialogs, AboutEndsWithTheVersionLine) {
    std::string text;
    DialogScriptAdd({"About Kestrune", [&](HWND d) {
                         char buffer[512];
                         GetDlgItemText(d, IDC_ABOUT_TEXT, buffer, sizeof buffer);
                         text = buffer;
                         DialogPress(d, IDOK);
                     }});
    AboutDialog();
    EXPECT_EQ(text.rfind("Kestrune\r\nMulti-player Submarine Warfare\r\n\r\n", 0), 0u);
    const std::string last = "\r\n\r\nVersion 1.07 (Sep 27 1996)";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST(StripField, RemovesOnlyBlanksAndColons) {
    char text[32] = " a:b c\t:";
    StripField(text);
    EXPECT_STREQ(text, "abc\t");
}

} // namespace
