// stations.h -- every station window module and the one table of them that start-up, the main
// loop, the battle, the menu and the tests read
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/bridge.h"
#include "stations/button.h"
#include "stations/chat.h"
#include "stations/compass.h"
#include "stations/dc.h"
#include "stations/depth.h"
#include "stations/gun.h"
#include "stations/map.h"
#include "stations/plan.h"
#include "stations/telegrph.h"
#include "stations/tubes.h"

// Ship classes a station belongs to: one bit per ShipType row (1 << SUBMARINE ...).
enum : uint32_t {
    STATION_EVERY_CLASS = 0xFFFFFFFFu, // any ship, one of no known class too
};

// One station: what the program needs of it beyond its own window procedure.
struct StationEntry {
    const char *name;     // the module's prefix: "Compass"
    UINT menu_id;         // its item in the Stations menu: IDM_COMPASS
    uint32_t classes;     // the ship classes that have it (menu item enabled, opened in battle)
    int32_t battle_order; // the place in which a battle opens it (1 first; a default place keeps
                          // clear of those already open); 0: it belongs to no battle, which
                          // neither opens nor destroys it
    HWND *window;         // the module's hwndXxx
    void (*register_class)();
    void (*open)(HWND parent);
    void (*update)(); // every main-loop step in a battle (null: nothing to bring up to date)
    int32_t (*visible)();
    void (*show)();
    void (*hide)();
};

enum { STATION_COUNT = 11 };
// Every station, in the order the main loop updates them.
extern const StationEntry STATION_TABLE[STATION_COUNT];

int32_t StationOfClass(const StationEntry *station, int32_t ship_class);
// Non-zero when a ship of class ship_class (a ShipType row, or -1 for none) has the station.
const StationEntry *StationFind(const char *name);
// The station with that prefix, or null.
