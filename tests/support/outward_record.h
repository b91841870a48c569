// outward_record.h -- a recorder in place of the windows for tests of the battle model: every
// request of sim/outward.h is noted in order, and the answers the windows would give are set here
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct Mobile;

struct OutwardRecord {
    std::vector<std::string> calls;    // every request, in order: "GunStow(1)", "OpenStations(5)"
    std::vector<std::string> radio;    // the radio room's lines
    std::vector<std::string> messages; // message boxes, "caption|text"
    uint32_t hit_tick = 0;             // the last hit on the own ship (0 = none)
    int32_t connection_seen = -1;      // the last status handed to OutwardConnectionSeen

    // The windows' answers.
    int32_t gun_stowed = 0;
    Mobile *gun_target =
        nullptr; // follows OutwardMobileMoved and OutwardMobileLeaving as the gun's does
    int32_t login_ok = 0;
    std::string userid, password; // written by OutwardLogin when login_ok
    std::string nickname;         // written by OutwardNewPlayer
    int32_t country = 0;
    int32_t ship_choice = 0; // OutwardChooseShip's answer
    HWND sound_window = nullptr;
    HPALETTE palette = nullptr;
    int32_t screen_width = 800;
};

extern OutwardRecord outward_record;

void OutwardRecordClear();
// Forgets every request and puts the answers back to their defaults.

int OutwardRecordCount(const std::string &call);
// How many requests were exactly `call` ("CloseStations()").

int OutwardRecordCountPrefix(const std::string &prefix);
// How many requests start with `prefix` ("GunStow(").
