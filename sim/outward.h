// outward.h -- what the battle model asks of the windows: the stations, the menu, the lobby's
// dialogs and message boxes, and the few facts of the program it reads. The model (sim/, net/,
// media/) reaches the windows only through these; the program's windows answer them, and a test
// of the model can put a recorder in their place.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct Mobile;

// ---- a battle's stations ---------------------------------------------------------------------

void OutwardTubesReset();
// A new ship: every torpedo tube loaded, none firing.

void OutwardOpenStations(int32_t ship_class);
// A battle starts in a ship of `ship_class`: no station is active; the class's stations open in
// battle order and the stations of no battle are hidden.

void OutwardCloseStations();
// The battle is over: every battle station goes; the stations of no battle shown as icons hide.

void OutwardConfigureMenu();
// The location or the own ship changed: the menu's items follow.

void OutwardRadioLine(const char *text);
// One line for the radio room.

void OutwardCompassRedraw();
// The own ship's ordered course changed or was reached: the compass shows it.

void OutwardOwnShipHit(uint32_t tick);
// The own ship was hit at `tick`: the bridge shows it.

int32_t OutwardGunStowed();
// Non-zero when the deck gun is stowed (a crash dive waits for it).

void OutwardGunStow(int32_t stow);
// Non-zero: stow the deck gun. Zero: unstow it.

void OutwardMobileLeaving(Mobile *m);
// `m` is about to leave the mobile list: nothing may stay aimed at it.

void OutwardMobileMoved(Mobile *from, Mobile *to);
// The entry at `from` now lives at `to` (null: it is gone): what points at it follows.

// ---- the lobby -------------------------------------------------------------------------------

int32_t OutwardLogin(char *userid, char *password);
// Asks for UserID and password (32-character buffers): 1 on OK, 0 on Cancel.

void OutwardNewPlayer(char *nickname, int32_t *country);
// Asks a new player for a nickname and a country.

int32_t OutwardChooseShip(int32_t mask);
// Offers the ship classes whose bit is set in mask: the server ship type chosen, or 0 for none.

void OutwardServiceRecord();
// Shows the player's service record.

void OutwardMessage(const char *text);
// A message box for the player, captioned with the program's name.

void OutwardReport(const char *caption, const char *text);
// A message box with its own caption, owned by the program's window.

void OutwardQuit();
// The player chose to leave: the program closes.

void OutwardConnectionSeen(int32_t status);
// The connection was changed on purpose to `status` (IPStatus()): the program's watch on the
// connection must not take it for a lost one.

void OutwardShutDown();
// Saves what can be saved and releases the program's resources before the process ends.

// ---- facts of the program --------------------------------------------------------------------

HWND OutwardSoundWindow();
// The window the sound device cooperates with.

HPALETTE OutwardPalette();
// The shared palette the windows realise.

int32_t OutwardScreenWidth();
// The screen's width in pixels (saved window places are kept per width).
