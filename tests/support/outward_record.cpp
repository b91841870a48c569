// outward_record.cpp -- the recorder's answers to sim/outward.h
#include "tests/support/outward_record.h"

#include <cstring>

#include "net/session.h"
#include "sim/outward.h"

OutwardRecord outward_record;

void OutwardRecordClear() {
    outward_record = OutwardRecord();
}

int OutwardRecordCount(const std::string &call) {
    int n = 0;
    for (const std::string &c : outward_record.calls)
        n += c == call;
    return n;
}

int OutwardRecordCountPrefix(const std::string &prefix) {
    int n = 0;
    for (const std::string &c : outward_record.calls)
        n += c.compare(0, prefix.size(), prefix) == 0;
    return n;
}

static void Note(const std::string &call) {
    outward_record.calls.push_back(call);
}

static void Note(const char *name, long long value) {
    Note(std::string(name) + "(" + std::to_string(value) + ")");
}

void OutwardTubesReset() {
    Note("TubesReset()");
}

void OutwardOpenStations(int32_t ship_class) {
    Note("OpenStations", ship_class);
}

void OutwardCloseStations() {
    Note("CloseStations()");
}

void OutwardConfigureMenu() {
    Note("ConfigureMenu()");
}

void OutwardRadioLine(const char *text) {
    Note("RadioLine()");
    outward_record.radio.push_back(text ? text : "");
}

void OutwardCompassRedraw() {
    Note("CompassRedraw()");
}

void OutwardOwnShipHit(uint32_t tick) {
    Note("OwnShipHit()");
    outward_record.hit_tick = tick;
}

int32_t OutwardGunStowed() {
    return outward_record.gun_stowed;
}

void OutwardGunStow(int32_t stow) {
    Note("GunStow", stow);
}

void OutwardMobileLeaving(Mobile *m) {
    Note("MobileLeaving()");
    if (outward_record.gun_target == m) outward_record.gun_target = nullptr;
}

void OutwardMobileMoved(Mobile *from, Mobile *to) {
    if (outward_record.gun_target == from) outward_record.gun_target = to;
}

static void Copy(char *to, const std::string &from, size_t size) {
    strncpy(to, from.c_str(), size - 1);
    to[size - 1] = 0;
}

int32_t OutwardLogin(char *userid, char *password) {
    Note("Login()");
    if (!outward_record.login_ok) return 0;
    Copy(userid, outward_record.userid, SESSION_NAME);
    Copy(password, outward_record.password, SESSION_NAME);
    return 1;
}

void OutwardNewPlayer(char *nickname, int32_t *country) {
    Note("NewPlayer()");
    Copy(nickname, outward_record.nickname, SESSION_NAME);
    *country = outward_record.country;
}

int32_t OutwardChooseShip(int32_t mask) {
    Note("ChooseShip", mask);
    return outward_record.ship_choice;
}

void OutwardServiceRecord() {
    Note("ServiceRecord()");
}

void OutwardMessage(const char *text) {
    Note("Message()");
    outward_record.messages.push_back(std::string("Kestrune|") + (text ? text : ""));
}

void OutwardReport(const char *caption, const char *text) {
    Note("Report()");
    outward_record.messages.push_back(std::string(caption ? caption : "") + "|" +
                                      (text ? text : ""));
}

void OutwardQuit() {
    Note("Quit()");
}

void OutwardConnectionSeen(int32_t status) {
    Note("ConnectionSeen", status);
    outward_record.connection_seen = status;
}

void OutwardShutDown() {
    Note("ShutDown()");
}

HWND OutwardSoundWindow() {
    return outward_record.sound_window;
}

HPALETTE OutwardPalette() {
    return outward_record.palette;
}

int32_t OutwardScreenWidth() {
    return outward_record.screen_width;
}
