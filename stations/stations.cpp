// stations.cpp -- the table of every station: its menu item, the ship classes that have it, the
// order a battle opens it in, and its operations
#include "stations/stations.h"

#include <cstring>

#include "shell/frame.h"
#include "sim/mobile.h"

static const uint32_t STATION_SUB = 1u << SUBMARINE;
static const uint32_t STATION_CORVETTE = 1u << CORVETTE;
static const uint32_t STATION_DESTROYER = 1u << DESTROYER;

// The weapon stations' updates also serve their paint messages; a step draws with their own DC
// and only what changed.
static void StationGunStep() {
    GunUpdate(NULL, 0);
}
static void StationDCStep() {
    DCUpdate(NULL, 0);
}

constexpr StationEntry STATION_TABLE[STATION_COUNT] = {
    {"Map", IDM_MAP_TABLE, STATION_EVERY_CLASS, 3, &hwndMap, MapRegister, MapOpen, MapUpdate,
     MapVisible, MapShow, MapHide},
    {"Compass", IDM_COMPASS, STATION_EVERY_CLASS, 4, &hwndCompass, CompassRegister, CompassOpen,
     CompassUpdate, CompassVisible, CompassShow, CompassHide},
    {"Telegraph", IDM_ENGINES, STATION_EVERY_CLASS, 5, &hwndTelegraph, TelegraphRegister,
     TelegraphOpen, TelegraphUpdate, TelegraphVisible, TelegraphShow, TelegraphHide},
    {"Depth", IDM_DEPTH_GAUGE, STATION_SUB, 6, &hwndDepth, DepthRegister, DepthOpen, DepthUpdate,
     DepthVisible, DepthShow, DepthHide},
    {"Tubes", IDM_TORPEDO_TUBES, STATION_SUB | STATION_DESTROYER, 8, &hwndTubes, TubesRegister,
     TubesOpen, TubesUpdate, TubesVisible, TubesShow, TubesHide},
    // The status map is the sub's, but no battle opens it: the player asks for it.
    {"Plan", IDM_STATUS_MAP, STATION_SUB, 0, &hwndPlan, PlanRegister, PlanOpen, PlanUpdate,
     PlanVisible, PlanShow, PlanHide},
    {"Gun", IDM_GUNS, STATION_SUB | STATION_CORVETTE | STATION_DESTROYER, 10, &hwndGun, GunRegister,
     GunOpen, StationGunStep, GunVisible, GunShow, GunHide},
    {"DC", IDM_DEPTH_CHARGES, STATION_CORVETTE | STATION_DESTROYER, 7, &hwndDC, DCRegister, DCOpen,
     StationDCStep, DCVisible, DCShow, DCHide},
    {"Button", IDM_ORDERS, STATION_SUB, 9, &hwndButton, ButtonRegister, ButtonOpen, ButtonUpdate,
     ButtonVisible, ButtonShow, ButtonHide},
    {"Bridge", IDM_BRIDGE, STATION_EVERY_CLASS, 1, &hwndBridge, BridgeRegister, BridgeOpen,
     BridgeUpdate, BridgeVisible, BridgeShow, BridgeHide},
    // The radio room changes only when a line arrives.
    {"Chat", IDM_RADIO_ROOM, STATION_EVERY_CLASS, 2, &hwndChat, ChatRegister, ChatOpen, NULL,
     ChatVisible, ChatShow, ChatHide},
};
// A row short of STATION_COUNT would be a station of null operations.
static_assert(STATION_TABLE[STATION_COUNT - 1].name != nullptr, "STATION_COUNT counts the rows");

int32_t StationOfClass(const StationEntry *station, int32_t ship_class) {
    if (station->classes == STATION_EVERY_CLASS) return 1;
    return ship_class >= 0 && ship_class < 32 && (station->classes >> ship_class & 1u) ? 1 : 0;
}

const StationEntry *StationFind(const char *name) {
    for (const StationEntry &station : STATION_TABLE)
        if (strcmp(station.name, name) == 0) return &station;
    return NULL;
}
