// dialogs.h -- the program's dialog boxes: login, new player, ship selection, service record,
// change of country, server options and the keys, bug report, suggestion, About
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Dialog template and control IDs.
enum {
    IDD_NEWUSER = 4000,
    IDD_LOGIN = 4001,
    IDD_ABOUT = 4002,
    IDD_SHIPSELECT = 4004,
    IDD_SCORE = 4005,
    IDD_BUG = 4006,
    IDD_SUGGEST = 4007,
    IDD_COUNTRY = 4008,
    IDD_OPTIONS = 4009,
    IDD_KEYS = 4010,

    IDC_NORTHLAND = 3000,
    IDC_WESTLAND = 3001,
    IDC_NICKNAME = 3002, // also the service record's nickname value
    IDC_USERID = 3005,   // also the service record's UserID value
    IDC_PASSWORD = 3006,
    IDC_ABOUT_TEXT = 3007,
    IDC_MESSAGE = 3010,
    IDC_SUBMARINE = 3011, // also the service record's submarine score
    IDC_CORVETTE = 3012,
    IDC_DESTROYER = 3013,
    IDC_CURRENT = 3016,
    IDC_COUNTRY = 3017,
    IDC_HOST = 3020,
    IDC_PORT = 3021,
    IDC_BROWSE = 3022,
    IDC_KEYS = 3023, // Options: opens the Keys dialog
    IDC_KEYS_DEFAULTS = 3024,
    IDC_KEYS_NOTE = 3025,
    IDC_KEY_FIELD = 3030, // the key of command i is IDC_KEY_FIELD + i
    IDC_KEY_LABEL = 3050, // its name, IDC_KEY_LABEL + i

    IDI_NORTHLAND = 5000,
    IDI_WESTLAND = 5001,
};

int32_t LoginDialog(char *userid, char *password);
// Asks for UserID and password (32-character buffers, blanks and colons removed): 1 on OK,
// 0 on Cancel.

void NewUserDialog(char *nickname, int32_t *country);
// Asks a new player for a nickname (at most 15 characters) and a country (1 Northland,
// 0 Westland; preselected at random).

int32_t ShipSelectionDialog(int32_t mask);
// Offers the ship classes whose bit is set in mask (bit i for server ship type i); returns
// 3 Submarine, 1 Corvette, 2 Destroyer, or 0 when no ship was offered and the player cancelled.

void ScoreDialog();
// Opens a modeless service record of `player` and returns at once.

void ChangeCountryDialog(int32_t *country);
// Shows *country and writes the player's choice back (there is no Cancel).

void OptionsDialog();
// Edits hostname and port in memory; they are saved at shut-down and used at the next start.
// Its Keys button opens KeysDialog.

int32_t KeysDialog(HWND owner);
// Lets the player bind a key to each keyboard command (a key another command has is swapped
// with it). OK puts the keys to use at once and writes them to the settings file: 1; Cancel
// changes nothing: 0.

void BugDialog();
// Collects a bug report and mails it to the operator.

void SuggestDialog();
// Collects a suggestion and mails it to the operator.

void AboutDialog();
// The product, credits and version.

void StripField(char *text);
// Removes every blank and colon from text, in place.

int32_t ScoreDialogsOpen();
// How many service records are open now.

int32_t ScoreDialogMessage(MSG *msg);
// Gives an open service record its keyboard handling (Tab, Enter, Escape): 1 when the message
// was the record's and is done, else 0.
