// frame.cpp -- the frame window, its menu "KRMenu" and the station windows' notion of activity
#include "shell/frame.h"

#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "net/session.h"
#include "net/transport.h"
#include "media/win.h"
#include "sim/mobile.h"
#include "sim/battle.h"
#include "stations/stations.h"

int32_t palette_lost;

void TickMenuItem(HMENU menu, UINT id, int32_t on) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void ChangeMenuItem(HMENU menu, UINT id, int32_t on) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : (MF_GRAYED | MF_DISABLED)));
}

void ConfigureMenu() {
    HMENU menu = GetMenu(hwndApp);
    if (!menu) return;
    int32_t lobby = location == LOC_LOBBY, battle = location == LOC_BATTLE;
    ChangeMenuItem(menu, IDM_SERVICE_RECORD, lobby || battle);
    ChangeMenuItem(menu, IDM_BUG_REPORT, lobby || battle);
    ChangeMenuItem(menu, IDM_SUGGESTION, lobby || battle);
    ChangeMenuItem(menu, IDM_EXIT_BATTLE, battle);
    ChangeMenuItem(menu, IDM_JOIN_BATTLE, lobby);
    ChangeMenuItem(menu, IDM_CHANGE_COUNTRY, lobby);
    ChangeMenuItem(menu, IDM_OPTIONS, 1);
    ChangeMenuItem(menu, IDM_WHO, battle);

    for (const StationEntry &station : STATION_TABLE)
        TickMenuItem(menu, station.menu_id, station.visible() != 0);

    if (!battle) {
        DebugLog("location!=LOC_BATTLE: %d\n", (int)location);
        for (const StationEntry &station : STATION_TABLE)
            ChangeMenuItem(menu, station.menu_id, 0);
        return;
    }
    // In a battle a station's item is there for the classes of ship that have the station.
    int32_t cls = player_mobile && player_mobile->type ? player_mobile->type->type_id : -1;
    for (const StationEntry &station : STATION_TABLE)
        ChangeMenuItem(menu, station.menu_id, StationOfClass(&station, cls));
}

void ActivateWindow(HWND window) {
    if (active_window) SendMessage(active_window, WM_NCACTIVATE, 0, 0);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SendMessage(window, WM_NCACTIVATE, 1, 0);
    active_window = window;
}

// Opens the station when it has no window yet, then shows or hides it.
static void FrameToggleStation(HWND frame, const StationEntry *station) {
    if (!*station->window) {
        station->open(frame);
        // A window that opens shown has done what the player asked for.
        if (station->visible()) {
            ConfigureMenu();
            return;
        }
    }
    if (station->visible())
        station->hide();
    else
        station->show();
}

static int FrameCommand(HWND window, UINT id) {
    switch (id) {
    case IDM_JOIN_BATTLE:
        SendInvRequestPacket();
        return 1;
    case IDM_EXIT_BATTLE:
        DebugLog("FrameWndProc: IDM_EXIT_BATTLE");
        SendExitBattlePacket();
        return 1;
    case IDM_SERVICE_RECORD:
        SendScoreRequest(0, 71);
        return 1;
    case IDM_CHANGE_COUNTRY:
        ChangeCountryDialog(&player.country);
        SendChangeCountryPacket(player.country);
        return 1;
    case IDM_WHO:
        DoWhoCommand();
        return 1;
    case IDM_OPTIONS:
        OptionsDialog();
        return 1;
    case IDM_EXIT:
        SendMessage(window, WM_CLOSE, 0, 0);
        return 1;
    case IDM_SUGGESTION:
        if (location == LOC_BATTLE)
            MessageBox(NULL, "Please exit the battle before submitting suggestions.", "Kestrune",
                       MB_OK);
        else
            SuggestDialog();
        return 1;
    case IDM_BUG_REPORT:
        if (location == LOC_BATTLE)
            MessageBox(NULL, "Please exit the battle before submitting bug reports.", "Kestrune",
                       MB_OK);
        else
            BugDialog();
        return 1;
    case IDM_HELP:
        WinExec("winhelp kr.hlp", SW_SHOWNORMAL);
        return 1;
    case IDM_ABOUT:
        AboutDialog();
        return 1;
    }
    for (const StationEntry &station : STATION_TABLE) {
        if (station.menu_id == id) {
            FrameToggleStation(window, &station);
            return 1;
        }
    }
    return 0;
}

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PALETTECHANGED:
        DebugLog("FrameWndProc: WM_PALETTECHANGED: me: %x it:%x\n", (unsigned)(uintptr_t)window,
                 (unsigned)wParam);
        if ((HWND)wParam == window) {
            if (palette_lost) {
                palette_lost = 0;
                SetWindowPalette(window, NULL);
            }
        } else {
            palette_lost = 1;
        }
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        return 0;
    case WM_IP_EVENT:
        IPEvent(window, message, wParam, lParam);
        return 0;
    case WM_SIZE:
    case WM_ACTIVATE:
        SetWindowPalette(window, NULL);
        break;
    case WM_COMMAND:
        if (FrameCommand(window, LOWORD(wParam))) return 0;
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}
