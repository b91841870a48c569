// outward.cpp -- the windows' answers to what the battle model asks of them (sim/outward.h):
// each one hands the request to the station, dialog or shell function that does it
#include "sim/outward.h"

#include "media/win.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "stations/bridge.h"
#include "stations/chat.h"
#include "stations/compass.h"
#include "stations/gun.h"
#include "stations/stations.h"
#include "stations/tubes.h"

void OutwardTubesReset() {
    TubesReset();
}

void OutwardOpenStations(int32_t ship_class) {
    active_window = nullptr;
    for (int32_t order = 1; order <= STATION_COUNT; order++)
        for (const StationEntry &station : STATION_TABLE) {
            if (station.battle_order != order || !StationOfClass(&station, ship_class)) continue;
            if (!*station.window || !IsWindow(*station.window)) station.open(hwndApp);
        }
    for (const StationEntry &station : STATION_TABLE)
        if (!station.battle_order) station.hide();
}

// Every battle station goes, whichever class opened it: one opened from the menu too. The
// stations of no battle outlive it, but not as icons littering the lobby.
void OutwardCloseStations() {
    for (const StationEntry &station : STATION_TABLE) {
        if (!station.battle_order) continue;
        if (*station.window) DestroyWindow(*station.window);
        *station.window = nullptr;
    }
    for (const StationEntry &station : STATION_TABLE)
        if (!station.battle_order && *station.window && IsIconic(*station.window)) station.hide();
}

void OutwardConfigureMenu() {
    ConfigureMenu();
}

void OutwardRadioLine(const char *text) {
    ChatAddMessage(text);
}

void OutwardCompassRedraw() {
    CompassRedraw();
}

void OutwardOwnShipHit(uint32_t tick) {
    hit_time = tick;
}

int32_t OutwardGunStowed() {
    return gun_status == GUN_STOWED;
}

void OutwardGunStow(int32_t stow) {
    GunStow(stow);
}

void OutwardMobileLeaving(Mobile *m) {
    if (gun_target == m) GunSetTarget(nullptr);
}

void OutwardMobileMoved(Mobile *from, Mobile *to) {
    if (gun_target == from) gun_target = to;
}

int32_t OutwardLogin(char *userid, char *password) {
    return LoginDialog(userid, password);
}

void OutwardNewPlayer(char *nickname, int32_t *country) {
    NewUserDialog(nickname, country);
}

int32_t OutwardChooseShip(int32_t mask) {
    return ShipSelectionDialog(mask);
}

void OutwardServiceRecord() {
    ScoreDialog();
}

void OutwardMessage(const char *text) {
    CreateMessageDialog(text);
}

void OutwardReport(const char *caption, const char *text) {
    MessageBox(hwndApp, text, caption, MB_OK);
}

void OutwardQuit() {
    SendMessage(hwndApp, WM_CLOSE, 0, 0);
}

void OutwardConnectionSeen(int32_t status) {
    old_ip_status = status;
}

void OutwardShutDown() {
    ShutDown();
}

HWND OutwardSoundWindow() {
    return hwndApp;
}

HPALETTE OutwardPalette() {
    return hPal;
}

int32_t OutwardScreenWidth() {
    return screen_w;
}
