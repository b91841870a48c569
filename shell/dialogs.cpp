// dialogs.cpp -- the program's dialog boxes: login, new player, ship selection, service record,
// change of country, server options and the keys, bug report, suggestion, About
#include "shell/dialogs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/debug.h"
#include "shell/keys.h"
#include "shell/shell.h"
#include "net/mail.h"
#include "net/session.h"
#include "media/win.h"
#include "sim/battle.h"

// Results of the open modal dialog, copied to the caller once it has closed.
static char dlg_userid[SESSION_NAME];
static char dlg_password[SESSION_NAME];
static char dlg_nickname[16];
static int32_t dlg_country;
static int32_t dlg_mask;

void StripField(char *text) {
    static char work[256];
    size_t n = 0;
    for (const char *p = text; *p && n < sizeof work - 1; p++)
        if (*p != ' ' && *p != ':') work[n++] = *p;
    work[n] = 0;
    memcpy(text, work, n + 1);
}

// OK and Cancel of a dialog: OK reads the fields with `take` and ends the dialog with 1,
// Cancel ends it with 0. FALSE for any other command.
static INT_PTR DlgOkCancel(HWND dlg, WPARAM wParam, void (*take)(HWND dlg)) {
    switch (LOWORD(wParam)) {
    case IDOK:
        take(dlg);
        EndDialog(dlg, 1);
        return TRUE;
    case IDCANCEL:
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

static void LoginTake(HWND dlg) {
    GetDlgItemText(dlg, IDC_USERID, dlg_userid, SESSION_NAME);
    GetDlgItemText(dlg, IDC_PASSWORD, dlg_password, SESSION_NAME);
    StripField(dlg_userid);
    StripField(dlg_password);
}

static INT_PTR CALLBACK LoginDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        DebugLog("LoginDialog=%x", (unsigned)(uintptr_t)dlg);
        SetDlgItemText(dlg, IDC_USERID, "");
        SetDlgItemText(dlg, IDC_PASSWORD, "");
        SendDlgItemMessage(dlg, IDC_USERID, EM_LIMITTEXT, SESSION_NAME - 1, 0);
        SendDlgItemMessage(dlg, IDC_PASSWORD, EM_LIMITTEXT, SESSION_NAME - 1, 0);
        return TRUE;
    case WM_COMMAND:
        return DlgOkCancel(dlg, wParam, LoginTake);
    }
    return FALSE;
}

int32_t LoginDialog(char *userid, char *password) {
    dlg_userid[0] = dlg_password[0] = 0;
    INT_PTR result =
        DialogBox(ghInstance, MAKEINTRESOURCE(IDD_LOGIN), hwndApp, (DLGPROC)LoginDlgProc);
    if (result != 1) return 0;
    memcpy(userid, dlg_userid, SESSION_NAME);
    memcpy(password, dlg_password, SESSION_NAME);
    return 1;
}

static INT_PTR CALLBACK NewUserDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessage(dlg, IDC_NICKNAME, EM_LIMITTEXT, 15, 0);
        // A player who just presses OK lands on either side with even chances.
        CheckRadioButton(dlg, IDC_NORTHLAND, IDC_WESTLAND,
                         rand() % 100 < 50 ? IDC_NORTHLAND : IDC_WESTLAND);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            GetDlgItemText(dlg, IDC_NICKNAME, dlg_nickname, sizeof dlg_nickname);
            dlg_country = IsDlgButtonChecked(dlg, IDC_NORTHLAND) == BST_CHECKED ? 1 : 0;
            EndDialog(dlg, 1);
            return TRUE;
        }
        return TRUE; // no Cancel: everything else is ignored
    }
    return FALSE;
}

void NewUserDialog(char *nickname, int32_t *country) {
    dlg_nickname[0] = 0;
    dlg_country = 0;
    DialogBox(ghInstance, MAKEINTRESOURCE(IDD_NEWUSER), hwndApp, (DLGPROC)NewUserDlgProc);
    memcpy(nickname, dlg_nickname, sizeof dlg_nickname);
    *country = dlg_country;
}

static INT_PTR CALLBACK ShipDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG: {
        int sub = (dlg_mask & 8) != 0, corvette = (dlg_mask & 2) != 0, dd = (dlg_mask & 4) != 0;
        EnableWindow(GetDlgItem(dlg, IDC_SUBMARINE), sub);
        EnableWindow(GetDlgItem(dlg, IDC_CORVETTE), corvette);
        EnableWindow(GetDlgItem(dlg, IDC_DESTROYER), dd);
        // Cancel is the way back to the lobby only when there is nothing to choose.
        int none = !sub && !corvette && !dd;
        EnableWindow(GetDlgItem(dlg, IDCANCEL), none);
        ShowWindow(GetDlgItem(dlg, IDCANCEL), none ? SW_SHOW : SW_HIDE);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SUBMARINE:
            EndDialog(dlg, HOST_SUBMARINE);
            return TRUE;
        case IDC_CORVETTE:
            EndDialog(dlg, HOST_CORVETTE);
            return TRUE;
        case IDC_DESTROYER:
            EndDialog(dlg, HOST_DESTROYER);
            return TRUE;
        case IDCANCEL:
            if (!(dlg_mask & (8 | 2 | 4))) EndDialog(dlg, 0);
            return TRUE;
        }
        return TRUE;
    }
    return FALSE;
}

int32_t ShipSelectionDialog(int32_t mask) {
    dlg_mask = mask;
    INT_PTR result =
        DialogBox(ghInstance, MAKEINTRESOURCE(IDD_SHIPSELECT), hwndApp, (DLGPROC)ShipDlgProc);
    if (result == HOST_SUBMARINE || result == HOST_CORVETTE || result == HOST_DESTROYER)
        return (int32_t)result;
    return 0;
}

// Each open service record owns its own pair of flags, so closing one never frees the other's.
struct ScoreRecord {
    HWND dlg;
    BitMap flag_bitmap[2]; // 0 Westland "wflag.bmp", 1 Northland "nflag.bmp"
    int used;
};
enum { SCORE_MAX = 8 };
static ScoreRecord score_record[SCORE_MAX];

static ScoreRecord *ScoreFind(HWND dlg) {
    for (int i = 0; i < SCORE_MAX; i++)
        if (score_record[i].used && score_record[i].dlg == dlg) return &score_record[i];
    return NULL;
}

static void ScoreRelease(ScoreRecord *record) {
    FreeBitMap(record->flag_bitmap[0]);
    FreeBitMap(record->flag_bitmap[1]);
    record->flag_bitmap[0] = record->flag_bitmap[1] = NULL;
    record->dlg = NULL;
    record->used = 0;
}

static int32_t ScoreSum(int first, int last) {
    int64_t sum = 0;
    for (int i = first; i <= last; i++)
        sum += player.score[i];
    return (int32_t)sum;
}

static INT_PTR CALLBACK ScoreDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        ScoreRecord *record = &score_record[lParam];
        record->dlg = dlg;
        SetDlgItemText(dlg, IDC_USERID, player.userid);
        SetDlgItemText(dlg, IDC_NICKNAME, player.nickname);
        int32_t c = player.country;
        SetDlgItemText(dlg, IDC_COUNTRY, c >= 0 && c <= 2 ? country_name[c] : "");
        SetDlgItemInt(dlg, IDC_SUBMARINE, (UINT)ScoreSum(54, 59), TRUE);
        SetDlgItemInt(dlg, IDC_CORVETTE, (UINT)ScoreSum(42, 47), TRUE);
        SetDlgItemInt(dlg, IDC_DESTROYER, (UINT)ScoreSum(48, 53), TRUE);
        SetDlgItemInt(dlg, IDC_CURRENT, (UINT)ScoreSum(0, 35), TRUE);
        return TRUE;
    }
    case WM_PAINT: {
        ScoreRecord *record = ScoreFind(dlg);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dlg, &ps);
        if (record && (player.country == 0 || player.country == 1)) {
            RECT r;
            GetClientRect(dlg, &r);
            int32_t s = screen_w > 0 ? 40000 / screen_w : 50;
            CopyBitMap(record->flag_bitmap[player.country], dc, r.right - s - s / 3, s / 3, s, s,
                       1);
        }
        EndPaint(dlg, &ps);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ScoreRecord *record = ScoreFind(dlg);
            if (record) ScoreRelease(record);
            DestroyWindow(dlg);
            return TRUE;
        }
        break;
    case WM_DESTROY: {
        // Destroyed some other way (the frame closing): the flags are still released once.
        ScoreRecord *record = ScoreFind(dlg);
        if (record) ScoreRelease(record);
        break;
    }
    }
    return FALSE;
}

void ScoreDialog() {
    int slot = -1;
    for (int i = 0; i < SCORE_MAX && slot < 0; i++)
        if (!score_record[i].used) slot = i;
    if (slot < 0) {
        DebugLog("ScoreDialog: too many service records open");
        return;
    }
    ScoreRecord *record = &score_record[slot];
    record->used = 1;
    record->dlg = NULL;
    record->flag_bitmap[1] = ReadBitMap("nflag.bmp");
    record->flag_bitmap[0] = ReadBitMap("wflag.bmp");
    HWND dlg = CreateDialogParam(ghInstance, MAKEINTRESOURCE(IDD_SCORE), hwndApp,
                                 (DLGPROC)ScoreDlgProc, (LPARAM)slot);
    if (!dlg) {
        ScoreRelease(record);
        return;
    }
    ShowWindow(dlg, SW_SHOW);
}

int32_t ScoreDialogsOpen() {
    int32_t n = 0;
    for (int i = 0; i < SCORE_MAX; i++)
        n += score_record[i].used;
    return n;
}

int32_t ScoreDialogMessage(MSG *msg) {
    for (int i = 0; i < SCORE_MAX; i++)
        if (score_record[i].used && score_record[i].dlg &&
            IsDialogMessage(score_record[i].dlg, msg))
            return 1;
    return 0;
}

static INT_PTR CALLBACK CountryDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        if (dlg_country == 1)
            CheckRadioButton(dlg, IDC_NORTHLAND, IDC_WESTLAND, IDC_NORTHLAND);
        else if (dlg_country == 0)
            CheckRadioButton(dlg, IDC_NORTHLAND, IDC_WESTLAND, IDC_WESTLAND);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            dlg_country = IsDlgButtonChecked(dlg, IDC_NORTHLAND) == BST_CHECKED ? 1 : 0;
            EndDialog(dlg, 1);
        }
        return TRUE;
    }
    return FALSE;
}

void ChangeCountryDialog(int32_t *country) {
    dlg_country = *country;
    DialogBox(ghInstance, MAKEINTRESOURCE(IDD_COUNTRY), hwndApp, (DLGPROC)CountryDlgProc);
    *country = dlg_country;
}

static void OptionsTake(HWND dlg) {
    int changed = 0;
    char host[SHELL_HOSTNAME_LEN];
    GetDlgItemText(dlg, IDC_HOST, host, sizeof host);
    if (strcmp(host, hostname) != 0) {
        memcpy(hostname, host, sizeof host);
        changed = 1;
    }
    BOOL ok = FALSE;
    UINT value = GetDlgItemInt(dlg, IDC_PORT, &ok, FALSE);
    // Only a number a TCP port can have replaces the port.
    if (ok && value >= 1 && value <= 65535 && (int32_t)value != port) {
        port = (int32_t)value;
        changed = 1;
    }
    if (changed)
        MessageBox(NULL,
                   "Changes to server options will only take effect\n\rwhen you next "
                   "start up Kestrune.",
                   "Server address options", MB_OK);
}

static INT_PTR CALLBACK OptionsDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessage(dlg, IDC_HOST, EM_LIMITTEXT, SHELL_HOSTNAME_LEN - 1, 0);
        SetDlgItemText(dlg, IDC_HOST, hostname);
        SetDlgItemInt(dlg, IDC_PORT, (UINT)port, FALSE);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BROWSE:
            return TRUE;
        case IDC_KEYS:
            KeysDialog(dlg);
            return TRUE;
        }
        return DlgOkCancel(dlg, wParam, OptionsTake);
    }
    return FALSE;
}

void OptionsDialog() {
    DialogBox(ghInstance, MAKEINTRESOURCE(IDD_OPTIONS), hwndApp, (DLGPROC)OptionsDlgProc);
}

// The keys as the open Keys dialog has them; they replace key_binding only on OK.
static int32_t dlg_keys[KEY_COMMANDS];
static WNDPROC key_field_proc; // the edit control's own procedure, under each key box

static const char KEYS_HOW[] = "Click a command's key, then press the new key. A key that another "
                               "command has is swapped: that command takes the old key.";

static void KeysDlgShow(HWND dlg) {
    for (int32_t i = 0; i < KEY_COMMANDS; i++) {
        const char *name = KeysKeyName(dlg_keys[i]);
        SetDlgItemText(dlg, IDC_KEY_FIELD + i, name ? name : "");
    }
}

// A key pressed while command's box has the focus.
static void KeysDlgPress(HWND dlg, int32_t command, int32_t key) {
    char note[200];
    int32_t old_key = dlg_keys[command];
    int32_t other = KeysAssign(dlg_keys, command, key);
    if (other == -2) {
        snprintf(note, sizeof note, "That key can't be given to a command. %s keeps %s.",
                 KeysCommandName(command), KeysKeyName(old_key));
    } else if (other >= 0) {
        snprintf(note, sizeof note, "%s is now %s. %s had %s, so it takes %s.",
                 KeysCommandName(command), KeysKeyName(key), KeysCommandName(other),
                 KeysKeyName(key), KeysKeyName(old_key));
    } else {
        snprintf(note, sizeof note, "%s is now %s.", KeysCommandName(command), KeysKeyName(key));
    }
    KeysDlgShow(dlg);
    SendDlgItemMessage(dlg, IDC_KEY_FIELD + command, EM_SETSEL, 0, -1);
    SetDlgItemText(dlg, IDC_KEYS_NOTE, note);
}

// A key box takes every key that reaches it, except the dialog's own Tab, Enter and Escape.
static LRESULT CALLBACK KeyFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN: {
        int32_t command = GetDlgCtrlID(field) - IDC_KEY_FIELD;
        if (command >= 0 && command < KEY_COMMANDS && !(lParam & (1 << 30)))
            KeysDlgPress(GetParent(field), command, (int32_t)(wParam & 0xFF));
        return 0;
    }
    case WM_CHAR:
        return 0;
    case WM_SETFOCUS:
    case WM_LBUTTONUP: {
        // The whole key is selected, so the box that takes the next key stands out.
        LRESULT result =
            key_field_proc ? CallWindowProc(key_field_proc, field, message, wParam, lParam) : 0;
        SendMessage(field, EM_SETSEL, 0, -1);
        return result;
    }
    }
    return key_field_proc ? CallWindowProc(key_field_proc, field, message, wParam, lParam)
                          : DefWindowProc(field, message, wParam, lParam);
}

static void KeysTake(HWND) {
    memcpy(key_binding, dlg_keys, sizeof key_binding);
    KeysSave();
}

static INT_PTR CALLBACK KeysDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        for (int32_t i = 0; i < KEY_COMMANDS; i++) {
            SetDlgItemText(dlg, IDC_KEY_LABEL + i, KeysCommandName(i));
            HWND field = GetDlgItem(dlg, IDC_KEY_FIELD + i);
            WNDPROC own = (WNDPROC)SetWindowLongPtr(field, GWLP_WNDPROC, (LONG_PTR)KeyFieldProc);
            if (own && own != KeyFieldProc) key_field_proc = own;
        }
        KeysDlgShow(dlg);
        SetDlgItemText(dlg, IDC_KEYS_NOTE, KEYS_HOW);
        // A key pressed at once must not rebind the first command by surprise.
        SetFocus(GetDlgItem(dlg, IDOK));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_KEYS_DEFAULTS) {
            KeysDefaults(dlg_keys);
            KeysDlgShow(dlg);
            SetDlgItemText(dlg, IDC_KEYS_NOTE, "The keys the game ships with are back.");
            return TRUE;
        }
        return DlgOkCancel(dlg, wParam, KeysTake);
    }
    return FALSE;
}

int32_t KeysDialog(HWND owner) {
    memcpy(dlg_keys, key_binding, sizeof dlg_keys);
    INT_PTR result = DialogBox(ghInstance, MAKEINTRESOURCE(IDD_KEYS), owner ? owner : hwndApp,
                               (DLGPROC)KeysDlgProc);
    return result == 1;
}

enum { FEEDBACK_BUFFER = 65535 };

// The bug report and the suggestion differ only in their texts.
struct FeedbackKind {
    const char *tag;
    const char *subject;
    const char *thanks;
};
static const FeedbackKind feedback_bug = {
    "BugDialogProc: msg_buffer", "BUG REPORT",
    "Your bug report has been submitted.\n\rThank you for your feedback."};
static const FeedbackKind feedback_suggest = {
    "SuggestDialogProc: msg_buffer", "SUGGESTION",
    "Your suggestion has been submitted.\n\rThank you for your feedback."};
static const FeedbackKind *feedback_kind;

static void FeedbackTake(HWND dlg) {
    char *text = (char *)DebugMalloc(feedback_kind->tag, FEEDBACK_BUFFER);
    text[0] = 0;
    GetDlgItemText(dlg, IDC_MESSAGE, text, FEEDBACK_BUFFER);
    if (text[0]) {
        IPSendMail(MAIL_FEEDBACK_RECIPIENT, feedback_kind->subject, text);
        MessageBox(NULL, feedback_kind->thanks, "Kestrune", MB_OK);
    }
    DebugFree(text);
}

static INT_PTR CALLBACK FeedbackDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        return DlgOkCancel(dlg, wParam, FeedbackTake);
    }
    return FALSE;
}

void BugDialog() {
    feedback_kind = &feedback_bug;
    DialogBox(ghInstance, MAKEINTRESOURCE(IDD_BUG), hwndApp, (DLGPROC)FeedbackDlgProc);
}

void SuggestDialog() {
    feedback_kind = &feedback_suggest;
    DialogBox(ghInstance, MAKEINTRESOURCE(IDD_SUGGEST), hwndApp, (DLGPROC)FeedbackDlgProc);
}

static INT_PTR CALLBACK AboutDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG: {
        char text[512];
        snprintf(text, sizeof text,
                 "Kestrune\r\nMulti-player Submarine Warfare\r\n\r\n"
                 "Written by the Kestrune crew\r\n"
                 "Ships, sea, pictures and sounds made by our own generators\r\n\r\n"
                 "Version %1.2f (%s)",
                 1.07, "Sep 27 1996");
        SetDlgItemText(dlg, IDC_ABOUT_TEXT, text);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 1);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void AboutDialog() {
    DialogBox(ghInstance, MAKEINTRESOURCE(IDD_ABOUT), hwndApp, (DLGPROC)AboutDlgProc);
}
