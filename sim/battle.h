// battle.h -- one battle's life (join, start, end) and the player's orders and weapons
#pragma once

#include <cstdint>

#include "media/sfx.h"
#include "sim/mobile.h"

enum {
    COUNTRY_WESTLAND = 0,
    COUNTRY_NORTHLAND = 1,
    COUNTRY_NEUTRAL = 2,
    NUM_COUNTRIES = 3,
    GAME_SIGHT_DEPTH = 15,  // shallower than this the surface (and its explosions) is in sight
    GAME_CRASH_DEPTH = 175, // depth a crash dive goes to
    GAME_END_WAIT = 2000,   // ms the battle's last sounds are given at its end
};

extern int32_t my_ship_id;
extern int32_t my_ship_type;
extern int32_t start_dive;
extern const char *const country_name[NUM_COUNTRIES];
extern sfxSound *engine_sound;
extern uint32_t end_game_wait_ms; // GAME_END_WAIT; tests shorten it

void InitializeGame(int32_t ship_id);
// Prepares a joined battle: empty mobile lists, no own ship yet, `ship_id` remembered as the
// own ship's, the player's scores cleared.

void StartGame(Mobile *m);
// Takes command of `m`: the battle begins and the stations of its class open.

void EndGame();
// Ends the battle: engine sound stopped, the last sounds played out, the battle's stations
// closed, the mobiles released, back in the lobby. Does nothing without an own ship.

void ChangePlayerHelm(int32_t helm);
// A rudder order 0 to 4 for the own ship; a real change is sent to the server.

void ChangePlayerTrim(int32_t planes, int32_t buoyancy);
// A planes order 0 to 4 and a buoyancy byte for the own ship; a real change is sent.

void ChangePlayerEngine(int32_t engine);
// An engine order 0 to 4 for the own ship; a real change is sent and the engine sound follows.

void DoWhoCommand();
// Lists the players' ships of the battle in the radio room.

void SinkShip(Mobile *attacker, Mobile *victim);
// Reports the sinking of `victim` (the own ship's ends the battle); either may be null.

void SubProcess();
// Once per step for a submarine: starts the ordered dive once the deck gun is stowed.

void CrashDive(int32_t dive);
// Non-zero starts a crash dive to 175, 0 calls it off.

void FireGun(Mobile *target);
// Fires the deck gun at `target`: the shot is heard and reported to the server.

void LaunchDC(int32_t setting);
// Drops depth charges set to explode at depth `setting`.

void PlayerHit();
// Notes that the own ship has just been hit.
