// frame_test.cpp -- the menu's states per session state and ship class, the commands, the
// frame's palette handling and the keyboard shortcuts
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "net/session.h"
#include "net/transport.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "sim/mobile.h"
#include "stations/stations.h"
#include "tests/support/dialog_script.h"
#include "tests/support/frame_window.h"

namespace {

const UINT kStations[] = {IDM_BRIDGE,        IDM_RADIO_ROOM, IDM_MAP_TABLE, IDM_COMPASS,
                          IDM_DEPTH_CHARGES, IDM_ENGINES,    IDM_GUNS,      IDM_TORPEDO_TUBES,
                          IDM_DEPTH_GAUGE,   IDM_STATUS_MAP, IDM_ORDERS};

class Frame : public ::testing::Test {
  protected:
    void SetUp() override {
        InitializeDebug(nullptr);
        TestFrameOpen();
        location = LOC_OFFLINE;
        player_mobile = nullptr;
        memset(&ship_, 0, sizeof ship_);
        DialogScriptStart({});
    }
    void TearDown() override {
        DialogScriptStop();
        player_mobile = nullptr;
        location = LOC_OFFLINE;
        TestFrameClose();
    }
    bool Enabled(UINT id) {
        return !(GetMenuState(GetMenu(hwndApp), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
    }
    bool Checked(UINT id) {
        return (GetMenuState(GetMenu(hwndApp), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    void Battle(int32_t cls) {
        ship_.type = &ShipType[cls];
        player_mobile = &ship_;
        location = LOC_BATTLE;
        ConfigureMenu();
    }
    Mobile ship_;
};

TEST_F(Frame, BeforeLogonOnlyOptionsExitHelpAndAboutWork) {
    ASSERT_NE(GetMenu(hwndApp), nullptr);
    ConfigureMenu();
    for (UINT id : {IDM_OPTIONS, IDM_EXIT, IDM_HELP, IDM_ABOUT})
        EXPECT_TRUE(Enabled(id)) << id;
    for (UINT id : {IDM_JOIN_BATTLE, IDM_EXIT_BATTLE, IDM_SERVICE_RECORD, IDM_CHANGE_COUNTRY,
                    IDM_WHO, IDM_SUGGESTION, IDM_BUG_REPORT})
        EXPECT_FALSE(Enabled(id)) << id;
    for (UINT id : kStations) {
        EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_FALSE(Checked(id)) << id;
    }
}

TEST_F(Frame, TheLobbyOffersJoiningButNotLeaving) {
    location = LOC_LOBBY;
    ConfigureMenu();
    for (UINT id : {IDM_JOIN_BATTLE, IDM_CHANGE_COUNTRY, IDM_SERVICE_RECORD, IDM_SUGGESTION,
                    IDM_BUG_REPORT, IDM_OPTIONS})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(IDM_EXIT_BATTLE));
    EXPECT_FALSE(Enabled(IDM_WHO));
}

TEST_F(Frame, StationItemsFollowTheShipClass) {
    Battle(CORVETTE);
    EXPECT_TRUE(Enabled(IDM_EXIT_BATTLE));
    EXPECT_TRUE(Enabled(IDM_WHO));
    EXPECT_FALSE(Enabled(IDM_JOIN_BATTLE));
    EXPECT_FALSE(Enabled(IDM_CHANGE_COUNTRY));
    for (UINT id : {IDM_BRIDGE, IDM_RADIO_ROOM, IDM_MAP_TABLE, IDM_COMPASS, IDM_ENGINES,
                    IDM_DEPTH_CHARGES, IDM_GUNS})
        EXPECT_TRUE(Enabled(id)) << id;
    for (UINT id : {IDM_TORPEDO_TUBES, IDM_DEPTH_GAUGE, IDM_STATUS_MAP, IDM_ORDERS})
        EXPECT_FALSE(Enabled(id)) << id;

    Battle(SUBMARINE);
    EXPECT_FALSE(Enabled(IDM_DEPTH_CHARGES));
    for (UINT id : {IDM_GUNS, IDM_TORPEDO_TUBES, IDM_DEPTH_GAUGE, IDM_STATUS_MAP, IDM_ORDERS})
        EXPECT_TRUE(Enabled(id)) << id;

    Battle(DESTROYER);
    EXPECT_TRUE(Enabled(IDM_DEPTH_CHARGES));
    EXPECT_TRUE(Enabled(IDM_TORPEDO_TUBES));
    EXPECT_FALSE(Enabled(IDM_ORDERS));

    Battle(3); // a merchant: only the five stations every ship has
    EXPECT_FALSE(Enabled(IDM_GUNS));
    EXPECT_FALSE(Enabled(IDM_DEPTH_CHARGES));
    EXPECT_TRUE(Enabled(IDM_BRIDGE));
}

TEST_F(Frame, AStationCommandShowsThenHidesAndTheTickFollows) {
    Battle(SUBMARINE);
    PlanHide(); // as the start of a battle does
    EXPECT_FALSE(Checked(IDM_STATUS_MAP));
    SendMessage(hwndApp, WM_COMMAND, IDM_STATUS_MAP, 0);
    ASSERT_NE(hwndPlan, nullptr);
    EXPECT_TRUE(IsWindowVisible(hwndPlan));
    EXPECT_TRUE(Checked(IDM_STATUS_MAP));
    SendMessage(hwndApp, WM_COMMAND, IDM_STATUS_MAP, 0);
    EXPECT_FALSE(IsWindowVisible(hwndPlan));
    EXPECT_FALSE(Checked(IDM_STATUS_MAP));

    // A station opened by its command for the first time is left shown.
    SendMessage(hwndApp, WM_COMMAND, IDM_COMPASS, 0);
    ASSERT_NE(hwndCompass, nullptr);
    EXPECT_TRUE(IsWindowVisible(hwndCompass));
    EXPECT_TRUE(Checked(IDM_COMPASS));
    DestroyWindow(hwndCompass);
    DestroyWindow(hwndPlan);
}

TEST_F(Frame, FeedbackIsRefusedInABattle) {
    Battle(CORVETTE);
    SendMessage(hwndApp, WM_COMMAND, IDM_BUG_REPORT, 0);
    ASSERT_EQ(DialogScriptBoxes().size(), 1u);
    EXPECT_EQ(DialogScriptBoxes()[0],
              "Kestrune|Please exit the battle before submitting bug reports.");
    SendMessage(hwndApp, WM_COMMAND, IDM_SUGGESTION, 0);
    EXPECT_EQ(DialogScriptBoxes().back(),
              "Kestrune|Please exit the battle before submitting suggestions.");
    EXPECT_EQ(DialogScriptSeen().size(), 2u); // no feedback dialog opened
}

TEST_F(Frame, ExitClosesTheFrameAndEndsTheLoop) {
    SendMessage(hwndApp, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_FALSE(IsWindow(hwndFrame));
    MSG msg;
    bool quit = false;
    while (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE))
        quit = quit || msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
}

TEST_F(Frame, ThePaletteIsRealisedAgainOnlyAfterAnotherWindowTookIt) {
    palette_lost = 0;
    SendMessage(hwndApp, WM_PALETTECHANGED, (WPARAM)hwndApp, 0);
    EXPECT_EQ(palette_lost, 0);
    SendMessage(hwndApp, WM_PALETTECHANGED, (WPARAM)12345, 0);
    EXPECT_EQ(palette_lost, 1);
    SendMessage(hwndApp, WM_PALETTECHANGED, (WPARAM)hwndApp, 0);
    EXPECT_EQ(palette_lost, 0);
}

TEST_F(Frame, ChangeOfCountrySendsTheChoiceEvenWhenUnchanged) {
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    ip_socket = sv[0];
    location = LOC_LOBBY;
    player.country = 1;
    bool northland_checked = false;
    DialogScriptAdd({"Change your country", [&](HWND d) {
                         northland_checked = IsDlgButtonChecked(d, IDC_NORTHLAND) == BST_CHECKED;
                         DialogPress(d, IDOK);
                     }});
    SendMessage(hwndApp, WM_COMMAND, IDM_CHANGE_COUNTRY, 0);
    EXPECT_TRUE(northland_checked);
    char buffer[64] = {};
    EXPECT_EQ(recv(sv[1], buffer, sizeof buffer, MSG_DONTWAIT), 5);
    EXPECT_STREQ(buffer, "35:1\n");
    ip_socket = INVALID_SOCKET;
    close(sv[0]);
    close(sv[1]);
}

TEST_F(Frame, ActivatingAStationRemembersIt) {
    Battle(SUBMARINE);
    TubesOpen(hwndApp);
    ChatOpen(hwndApp);
    ActivateWindow(hwndTubes);
    EXPECT_EQ(active_window, hwndTubes);
    ActivateWindow(hwndChat);
    EXPECT_EQ(active_window, hwndChat);
    DestroyWindow(hwndTubes);
    DestroyWindow(hwndChat);
}

TEST_F(Frame, ShortcutsAreOffInTheRadioRoomAndNeedTheirStation) {
    Battle(SUBMARINE);
    ChatOpen(hwndApp);
    ActivateWindow(hwndChat);
    EXPECT_EQ(HandleKeyEvent('1'), 0);
    EXPECT_EQ(HandleKeyEvent(VK_SPACE), 0);
    active_window = NULL;
    EXPECT_EQ(HandleKeyEvent('Q'), 0);
    int32_t zoom = bridge_zoom;
    HandleKeyEvent('Z');
    EXPECT_EQ(bridge_zoom, zoom < 2 ? zoom + 1 : 2);
    HandleKeyEvent('X');
    HandleKeyEvent('X');
    HandleKeyEvent('X');
    EXPECT_EQ(bridge_zoom, 0);
    DestroyWindow(hwndChat);
}

// Keys as a player types them with the SDL backend: each key-down carries the text it typed.
void TypeKeys(const char *text) {
    for (const char *p = text; *p; p++) {
        char one[2] = {*p, 0};
        PlatformTestTypeKey(*p == ' ' ? VK_SPACE : toupper((unsigned char)*p), one);
    }
}

// Alt, a drop-down's access key, then an item's access key.
void MenuKeys(char menu, char item) {
    PlatformTestKey(VK_MENU, TRUE);
    TypeKeys(std::string(1, (char)tolower(menu)).c_str());
    PlatformTestKey(VK_MENU, FALSE);
    TypeKeys(std::string(1, (char)tolower(item)).c_str());
}

std::string DlgText(HWND dialog, int id) {
    char text[256] = "";
    GetDlgItemText(dialog, id, text, sizeof text);
    return text;
}

TEST_F(Frame, AMenuAccessKeyNeverTypesIntoTheDialogItOpens) {
    location = LOC_LOBBY;
    ConfigureMenu();
    // What the focused text box held when the dialog had taken every queued key, and after
    // typing into it.
    struct Box {
        std::string opened, typed;
    };
    auto look = [](Box *box, int id, const char *text) {
        return [=](HWND d) {
            PlatformTestPump();
            box->opened = DlgText(d, id);
            TypeKeys(text);
            PlatformTestPump();
            box->typed = DlgText(d, id);
            DialogPress(d, IDCANCEL);
        };
    };
    Box bug, suggestion;
    DialogScriptAdd({"Kestrune Bug Report", look(&bug, IDC_MESSAGE, "Periscope jammed")});
    MenuKeys('F', 'B');
    PlatformTestPump();
    EXPECT_EQ(bug.opened, "");
    EXPECT_EQ(bug.typed, "Periscope jammed");

    DialogScriptAdd({"Kestrune Suggestion", look(&suggestion, IDC_MESSAGE, "more ships")});
    MenuKeys('F', 'S');
    PlatformTestPump();
    EXPECT_EQ(suggestion.opened, "");
    EXPECT_EQ(suggestion.typed, "more ships");

    // The options start with the server as it is, not with an "o" added.
    snprintf(hostname, sizeof hostname, "sea.example");
    port = 6000;
    std::string host_shown, port_shown;
    DialogScriptAdd({"Kestrune Options", [&](HWND d) {
                         PlatformTestPump();
                         host_shown = DlgText(d, IDC_HOST);
                         port_shown = DlgText(d, IDC_PORT);
                         DialogPress(d, IDCANCEL);
                     }});
    MenuKeys('G', 'O');
    PlatformTestPump();
    EXPECT_EQ(host_shown, "sea.example");
    EXPECT_EQ(port_shown, "6000");
    EXPECT_EQ(DialogScriptPending(), 0u);
    EXPECT_TRUE(DialogScriptBoxes().empty());
}

TEST(Splash, SizeAndPlaceScaleWithTheScreen) {
    InitializeDebug(nullptr);
    TestFrameOpen(1024, 768);
    OpenFlashWindow();
    RECT r;
    GetWindowRect(hwndFlash, &r);
    EXPECT_EQ(r.left, 207);
    EXPECT_EQ(r.top, 148);
    EXPECT_EQ(r.right - r.left, 609);
    EXPECT_EQ(r.bottom - r.top, 471);
    CloseFlashWindow();
    EXPECT_EQ(hwndFlash, nullptr);
    TestFrameClose();
}

} // namespace
