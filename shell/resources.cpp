// resources.cpp -- the menu "KRMenu", the dialog templates 4000 to 4010 and the country icons
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/keys.h"

static const MenuResourceItem shell_menu[] = {
    {0, "&Game", 0, 0},
    {1, "&Join battle", IDM_JOIN_BATTLE, 0},
    {1, "&Exit battle", IDM_EXIT_BATTLE, 0},
    {1, "View service &record", IDM_SERVICE_RECORD, 0},
    {1, "&Change country", IDM_CHANGE_COUNTRY, 0},
    {1, "&Who is playing?", IDM_WHO, 0},
    {1, "&Options", IDM_OPTIONS, 0},
    {1, NULL, 0, MF_SEPARATOR},
    {1, "E&xit", IDM_EXIT, 0},
    {0, "&Stations", 0, 0},
    {1, "&Bridge", IDM_BRIDGE, 0},
    {1, "&Radio Room", IDM_RADIO_ROOM, 0},
    {1, "&Map Table", IDM_MAP_TABLE, 0},
    {1, "&Compass", IDM_COMPASS, 0},
    {1, "De&pth Charges", IDM_DEPTH_CHARGES, 0},
    {1, "&Engines", IDM_ENGINES, 0},
    {1, "&Guns", IDM_GUNS, 0},
    {1, "&Torpedo tubes", IDM_TORPEDO_TUBES, 0},
    {1, "&Depth guage", IDM_DEPTH_GAUGE, 0},
    {1, "&Status map", IDM_STATUS_MAP, 0},
    {1, "&Orders", IDM_ORDERS, 0},
    {0, "&Feedback", 0, 0},
    {1, "Make a &suggestion", IDM_SUGGESTION, 0},
    {1, "Report a &bug", IDM_BUG_REPORT, 0},
    {0, "&Help", 0, 0},
    {1, "&Kestrune", IDM_HELP, 0},
    {1, "&About", IDM_ABOUT, 0},
};

#define DLG_STYLE (DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU)
#define EDIT_STYLE (WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL)
#define RADIO_FIRST (BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP)
#define RADIO_NEXT (BS_AUTORADIOBUTTON)
#define PUSH (BS_PUSHBUTTON | WS_TABSTOP)
#define DEFPUSH (BS_DEFPUSHBUTTON | WS_TABSTOP)
#define COUNT(a) (int)(sizeof(a) / sizeof((a)[0]))

static const DialogResourceControl dlg_newuser[] = {
    {"EDIT", "", IDC_NICKNAME, EDIT_STYLE, 0, 6, 20, 107, 14},
    {"STATIC", "Enter a nickname", -1, SS_LEFT, 0, 6, 5, 82, 10},
    {"STATIC", "Choose your country", -1, SS_LEFT, 0, 6, 44, 87, 10},
    {"BUTTON", "Northland", IDC_NORTHLAND, RADIO_FIRST, 0, 16, 69, 51, 10},
    {"BUTTON", "Westland", IDC_WESTLAND, RADIO_NEXT, 0, 16, 94, 46, 9},
    {"STATIC", MAKEINTRESOURCE(IDI_NORTHLAND), IDI_NORTHLAND, SS_ICON, 0, 78, 64, 18, 20},
    {"STATIC", MAKEINTRESOURCE(IDI_WESTLAND), IDI_WESTLAND, SS_ICON, 0, 78, 89, 18, 19},
    {"BUTTON", "OK", IDOK, DEFPUSH | WS_GROUP, 0, 34, 128, 52, 15},
};

static const DialogResourceControl dlg_login[] = {
    {"EDIT", "", IDC_USERID, EDIT_STYLE, 0, 48, 8, 84, 12},
    {"EDIT", "", IDC_PASSWORD, EDIT_STYLE | ES_PASSWORD, 0, 48, 24, 84, 12},
    {"STATIC", "UserID", -1, SS_LEFT, 0, 20, 8, 24, 12},
    {"STATIC", "Password", -1, SS_LEFT, 0, 8, 24, 36, 12},
    {"BUTTON", "OK", IDOK, DEFPUSH, 0, 90, 48, 44, 16},
    {"BUTTON", "Cancel", IDCANCEL, PUSH, 0, 10, 48, 44, 16},
};

static const DialogResourceControl dlg_about[] = {
    {"STATIC", "", IDC_ABOUT_TEXT, SS_CENTER, 0, 5, 4, 175, 64},
    {"BUTTON", "OK", IDOK, DEFPUSH, 0, 68, 76, 52, 16},
};

// The Cancel below the three ships is shown only when the server offers none of them.
static const DialogResourceControl dlg_ship[] = {
    {"BUTTON", "Submarine", IDC_SUBMARINE, PUSH | WS_DISABLED, 0, 10, 11, 60, 16},
    {"BUTTON", "Corvette", IDC_CORVETTE, PUSH | WS_DISABLED, 0, 10, 27, 60, 16},
    {"BUTTON", "Destroyer", IDC_DESTROYER, PUSH | WS_DISABLED, 0, 10, 43, 60, 16},
    {"BUTTON", "Cancel", IDCANCEL, PUSH | WS_DISABLED, 0, 10, 62, 60, 14},
};

static const DialogResourceControl dlg_score[] = {
    {"STATIC", "UserID:", -1, SS_LEFT, 0, 12, 8, 40, 8},
    {"STATIC", "", IDC_USERID, SS_LEFT, 0, 68, 8, 64, 8},
    {"STATIC", "Nickname:", -1, SS_LEFT, 0, 12, 20, 40, 8},
    {"STATIC", "", IDC_NICKNAME, SS_LEFT, 0, 68, 20, 64, 8},
    {"STATIC", "Country:", -1, SS_LEFT, 0, 12, 32, 40, 8},
    {"STATIC", "", IDC_COUNTRY, SS_LEFT, 0, 68, 32, 64, 8},
    {"BUTTON", "Best mission scores", -1, BS_GROUPBOX, 0, 4, 48, 172, 68},
    {"STATIC", "As submarine:", -1, SS_LEFT, 0, 12, 64, 50, 8},
    {"STATIC", "", IDC_SUBMARINE, SS_LEFT, 0, 68, 64, 40, 8},
    {"STATIC", "As corvette:", -1, SS_LEFT, 0, 12, 80, 50, 8},
    {"STATIC", "", IDC_CORVETTE, SS_LEFT, 0, 68, 80, 40, 8},
    {"STATIC", "As destroyer:", -1, SS_LEFT, 0, 12, 96, 50, 8},
    {"STATIC", "", IDC_DESTROYER, SS_LEFT, 0, 68, 96, 40, 8},
    {"STATIC", "Current mission:", -1, SS_LEFT, 0, 12, 124, 56, 8},
    {"STATIC", "", IDC_CURRENT, SS_LEFT, 0, 68, 124, 40, 8},
    {"BUTTON", "OK", IDOK, DEFPUSH, 0, 108, 144, 52, 16},
    {"BUTTON", "Cancel", IDCANCEL, PUSH, 0, 20, 144, 52, 16},
};

static const DialogResourceControl dlg_bug[] = {
    {"STATIC",
     "Please enter a description of the bug you found in Kestrune.  Try to give as much "
     "information as possible.  If you were in battle briefly describe what happened in the "
     "moments preceeding the bug. Also let us know the time when the bug occured.",
     // Four lines in the dialog's font: as tall as the gap above the text box allows.
     -1, SS_LEFT, 0, 12, 8, 264, 38},
    {"EDIT", "", IDC_MESSAGE,
     WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0, 8, 48,
     272, 140},
    {"BUTTON", "OK", IDOK, DEFPUSH, 0, 161, 200, 52, 16},
    {"BUTTON", "Cancel", IDCANCEL, PUSH, 0, 77, 200, 52, 16},
};

static const DialogResourceControl dlg_suggest[] = {
    {"STATIC",
     "If you can think of any ways to improve Kestrune, please let us know. We really value "
     "your ideas. Many additions to the game resulted from user feedback. Type your suggestion "
     "in the box below.",
     -1, SS_LEFT, 0, 12, 8, 264, 28},
    {"EDIT", "", IDC_MESSAGE,
     WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0, 8, 48,
     272, 140},
    {"BUTTON", "OK", IDOK, DEFPUSH, 0, 161, 200, 52, 16},
    {"BUTTON", "Cancel", IDCANCEL, PUSH, 0, 77, 200, 52, 16},
};

static const DialogResourceControl dlg_country[] = {
    {"STATIC", "Choose your new country", -1, SS_LEFT, 0, 6, 7, 87, 10},
    {"BUTTON", "Northland", IDC_NORTHLAND, RADIO_FIRST, 0, 16, 27, 51, 10},
    {"BUTTON", "Westland", IDC_WESTLAND, RADIO_NEXT, 0, 16, 52, 46, 9},
    {"STATIC", MAKEINTRESOURCE(IDI_NORTHLAND), IDI_NORTHLAND, SS_ICON, 0, 78, 22, 18, 20},
    {"STATIC", MAKEINTRESOURCE(IDI_WESTLAND), IDI_WESTLAND, SS_ICON, 0, 78, 47, 18, 19},
    {"BUTTON", "OK", IDOK, DEFPUSH | WS_GROUP, 0, 34, 81, 52, 15},
};

static const DialogResourceControl dlg_options[] = {
    {"STATIC", "Server address", -1, SS_LEFT, 0, 7, 10, 52, 11},
    {"EDIT", "", IDC_HOST, EDIT_STYLE, 0, 63, 9, 90, 11},
    {"STATIC", "Server port", -1, SS_LEFT, 0, 7, 31, 40, 8},
    {"EDIT", "", IDC_PORT, EDIT_STYLE, 0, 63, 29, 28, 12},
    {"BUTTON", "Browse", IDC_BROWSE, PUSH, 0, 162, 10, 37, 11},
    {"BUTTON", "Keys...", IDC_KEYS, PUSH, 0, 162, 29, 37, 12},
    {"BUTTON", "OK", IDOK, DEFPUSH, 0, 120, 60, 44, 16},
    {"BUTTON", "Cancel", IDCANCEL, PUSH, 0, 20, 60, 52, 16},
};

// One row per keyboard command: its name (filled in when the dialog opens), then a read-only box
// showing its key, which takes the next key pressed while it has the focus.
#define KEY_FIELD (EDIT_STYLE | ES_READONLY)
static const DialogResourceControl dlg_keys[] = {
    {"STATIC", "", IDC_KEY_LABEL + 0, SS_LEFT, 0, 8, 10, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 0, KEY_FIELD, 0, 108, 8, 60, 12},
    {"STATIC", "", IDC_KEY_LABEL + 1, SS_LEFT, 0, 8, 24, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 1, KEY_FIELD, 0, 108, 22, 60, 12},
    {"STATIC", "", IDC_KEY_LABEL + 2, SS_LEFT, 0, 8, 38, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 2, KEY_FIELD, 0, 108, 36, 60, 12},
    {"STATIC", "", IDC_KEY_LABEL + 3, SS_LEFT, 0, 8, 52, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 3, KEY_FIELD, 0, 108, 50, 60, 12},
    {"STATIC", "", IDC_KEY_LABEL + 4, SS_LEFT, 0, 8, 66, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 4, KEY_FIELD, 0, 108, 64, 60, 12},
    {"STATIC", "", IDC_KEY_LABEL + 5, SS_LEFT, 0, 8, 80, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 5, KEY_FIELD, 0, 108, 78, 60, 12},
    {"STATIC", "", IDC_KEY_LABEL + 6, SS_LEFT, 0, 8, 94, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 6, KEY_FIELD, 0, 108, 92, 60, 12},
    {"STATIC", "", IDC_KEY_LABEL + 7, SS_LEFT, 0, 8, 108, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 7, KEY_FIELD, 0, 108, 106, 60, 12},
    {"STATIC", "", IDC_KEY_LABEL + 8, SS_LEFT, 0, 8, 122, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 8, KEY_FIELD, 0, 108, 120, 60, 12},
    {"STATIC", "", IDC_KEY_LABEL + 9, SS_LEFT, 0, 8, 136, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 9, KEY_FIELD, 0, 108, 134, 60, 12},
    {"STATIC", "", IDC_KEY_LABEL + 10, SS_LEFT, 0, 8, 150, 96, 10},
    {"EDIT", "", IDC_KEY_FIELD + 10, KEY_FIELD, 0, 108, 148, 60, 12},
    {"STATIC", "", IDC_KEYS_NOTE, SS_LEFT, 0, 8, 164, 160, 30},
    {"BUTTON", "Defaults", IDC_KEYS_DEFAULTS, PUSH, 0, 8, 198, 44, 14},
    {"BUTTON", "Cancel", IDCANCEL, PUSH, 0, 66, 198, 44, 14},
    {"BUTTON", "OK", IDOK, DEFPUSH, 0, 124, 198, 44, 14},
};

static_assert(COUNT(dlg_keys) == 2 * KEY_COMMANDS + 4, "one row in the Keys dialog per command");

struct ShellDialog {
    int id;
    DialogResource resource;
};

static const ShellDialog shell_dialog[] = {
    {IDD_NEWUSER,
     {"Welcome to Kestrune", DLG_STYLE, 0, 0, 0, 120, 147, 8, "MS Sans Serif", dlg_newuser,
      COUNT(dlg_newuser)}},
    {IDD_LOGIN,
     {"Kestrune - Login", DLG_STYLE, 0, 0, 0, 145, 71, 8, "MS Sans Serif", dlg_login,
      COUNT(dlg_login)}},
    {IDD_ABOUT,
     {"About Kestrune", DLG_STYLE, 0, 0, 0, 183, 98, 8, "MS Sans Serif", dlg_about,
      COUNT(dlg_about)}},
    {IDD_SHIPSELECT,
     {"Ship Selection", DLG_STYLE, 0, 0, 0, 81, 80, 8, "MS Sans Serif", dlg_ship, COUNT(dlg_ship)}},
    {IDD_SCORE,
     {"Service Record", DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0,
      182, 167, 8, "MS Sans Serif", dlg_score, COUNT(dlg_score)}},
    {IDD_BUG,
     {"Kestrune Bug Report", DLG_STYLE, 0, 0, 0, 290, 226, 8, "MS Sans Serif", dlg_bug,
      COUNT(dlg_bug)}},
    {IDD_SUGGEST,
     {"Kestrune Suggestion", DLG_STYLE, 0, 0, 0, 290, 226, 8, "MS Sans Serif", dlg_suggest,
      COUNT(dlg_suggest)}},
    {IDD_COUNTRY,
     {"Change your country", DLG_STYLE, 0, 0, 0, 120, 100, 8, "MS Sans Serif", dlg_country,
      COUNT(dlg_country)}},
    {IDD_OPTIONS,
     {"Kestrune Options", DLG_STYLE, 0, 0, 0, 211, 85, 8, "MS Sans Serif", dlg_options,
      COUNT(dlg_options)}},
    {IDD_KEYS,
     {"Kestrune Keys", DLG_STYLE, 0, 0, 0, 176, 218, 8, "MS Sans Serif", dlg_keys,
      COUNT(dlg_keys)}},
};

enum { ICON_SIZE = 32 };

// Northland: a white cross on blue. Westland: a white band between two red ones.
static void ShellMakeFlag(DWORD *pixels, int northland) {
    for (int y = 0; y < ICON_SIZE; y++) {
        for (int x = 0; x < ICON_SIZE; x++) {
            DWORD c;
            if (northland) {
                int cross = (x >= 10 && x < 15) || (y >= 13 && y < 18);
                c = cross ? 0xFFFFFFFF : 0xFF1C3F94;
            } else {
                c = (y >= 11 && y < 21) ? 0xFFFFFFFF : 0xFFC0281E;
            }
            if (y < 4 || y >= 28) // a flag is wider than it is tall
                c = 0;
            pixels[y * ICON_SIZE + x] = c;
        }
    }
}

void ShellRegisterResources() {
    RegisterMenuResource("KRMenu", shell_menu, COUNT(shell_menu));
    for (int i = 0; i < COUNT(shell_dialog); i++)
        RegisterDialogResource(MAKEINTRESOURCE(shell_dialog[i].id), &shell_dialog[i].resource);
    static DWORD pixels[ICON_SIZE * ICON_SIZE];
    ShellMakeFlag(pixels, 1);
    RegisterIconResource(MAKEINTRESOURCE(IDI_NORTHLAND), ICON_SIZE, ICON_SIZE, pixels);
    ShellMakeFlag(pixels, 0);
    RegisterIconResource(MAKEINTRESOURCE(IDI_WESTLAND), ICON_SIZE, ICON_SIZE, pixels);
}
