// battle.cpp -- one battle's life (join, start, end) and the player's orders and weapons
#include "sim/battle.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "net/battle_messages.h"
#include "net/transport.h"
#include "net/session.h"
#include "platform/platform.h"
#include "shell/debug.h"
#include "sim/hits.h"
#include "sim/move.h"
#include "sim/outward.h"

int32_t my_ship_id;
int32_t my_ship_type;
int32_t start_dive;
const char *const country_name[NUM_COUNTRIES] = {"Westland", "Northland", "Neutral"};
sfxSound *engine_sound;
uint32_t end_game_wait_ms = GAME_END_WAIT;

// The name of a side; "unknown" for a code outside 0 to 2.
static const char *CountryName(int32_t country) {
    return country >= 0 && country < NUM_COUNTRIES ? country_name[country] : "unknown";
}

void InitializeGame(int32_t ship_id) {
    // A join accepted while a battle runs ends that battle first: its stations and sound would
    // otherwise outlive the lists they show.
    if (player_mobile) EndGame();
    engine_sound = nullptr;
    player_mobile = nullptr;
    InitializeMobiles();
    LoadWorld("sea.wld");
    my_ship_id = ship_id;
    for (int32_t i = 0; i < SESSION_SCORES; i++)
        player.score[i] = 0;
}

static void StartOptics(const Mobile *m) {
    if (m->y <= 0) {
        observer_status = OBS_LOOKOUT;
        observer_use = OBS_LOOKOUT;
    } else if (m->y <= OBS_PERISCOPE_DEPTH) {
        observer_status = OBS_PERISCOPE;
        observer_use = OBS_PERISCOPE;
    } else {
        observer_status = 0;
    }
}

void StartGame(Mobile *m) {
    if (!m) return;
    OutwardTubesReset();
    location = LOC_BATTLE;
    my_ship_type = MobileClass(m);
    player_mobile = m;
    DebugLog("StartGame: player_mobile: %lx\n", (unsigned long)(uintptr_t)m);
    m->status |= ST_ACTIVE;
    // A battle starts with the optics its depth allows, whatever the last one ended with: a boat
    // lost deep left both down, and a bridge with no lookout is black until someone clicks.
    StartOptics(m);
    start_dive = 0;

    OutwardOpenStations(my_ship_type);
    OutwardConfigureMenu();
}

void EndGame() {
    if (!player_mobile) return;
    if (engine_sound) {
        sfxStopSound(engine_sound);
        sfxFreeSound(engine_sound);
        engine_sound = nullptr;
    }
    if (end_game_wait_ms) Sleep(end_game_wait_ms);
    sfxProcess();
    DebugLog("EndGame");
    OutwardCloseStations();
    CloseMobiles();
    location = LOC_LOBBY;
    player_mobile = nullptr;
    OutwardConfigureMenu();
}

void ChangePlayerHelm(int32_t helm) {
    if (!player_mobile || helm < 0 || helm > 4 || helm == player_mobile->helm) return;
    player_mobile->helm = helm;
    SendUpdatePacket(1, player_mobile);
}

void ChangePlayerTrim(int32_t planes, int32_t buoyancy) {
    if (!player_mobile || planes < 0 || planes > 4) return;
    int32_t trim = buoyancy * 256 + planes;
    if (trim == player_mobile->trim) return;
    player_mobile->trim = trim;
    SendUpdatePacket(1, player_mobile);
}

// Looping engine sound of each engine order (none when stopped).
static int32_t EngineSound(int32_t engine) {
    switch (engine) {
    case 0:
    case 4:
        return SFX_SUB_E3;
    case 1:
    case 3:
        return SFX_SUB_E1;
    default:
        return -1;
    }
}

void ChangePlayerEngine(int32_t engine) {
    if (!player_mobile || engine < 0 || engine > 4 || engine == player_mobile->engine) return;
    player_mobile->engine = engine;
    SendUpdatePacket(1, player_mobile);
    if (engine_sound) {
        sfxFreeSound(engine_sound);
        engine_sound = nullptr;
    }
    int32_t sound = EngineSound(engine);
    if (sound >= 0) engine_sound = PlayAmbientSound(sound);
}

void DoWhoCommand() {
    OutwardRadioLine("Ships in this battle:");
    if (!mobile) return;
    char line[128];
    for (int32_t i = 0; i < num_mobiles; i++) {
        const Mobile *m = &mobile[i];
        if (!m->captain[0] || (m->status & ST_DRONE)) continue;
        snprintf(line, sizeof(line), "  %s (%s) %s", m->ship_name, m->captain,
                 CountryName(m->country));
        OutwardRadioLine(line);
    }
}

void SinkShip(Mobile *attacker, Mobile *victim) {
    if (!victim) return;
    // A sinker that has left the list is named "unknown".
    const char *by_ship = attacker ? attacker->ship_name : "unknown";
    const char *by_captain = attacker ? attacker->captain : "unknown";
    char text[160];
    if (victim == player_mobile) {
        snprintf(text, sizeof(text), "Your ship was sunk by:\n\r%s (%s)", by_ship, by_captain);
        EndGame();
        OutwardReport("Report from admiralty", text);
        return;
    }
    victim->status |= ST_DEAD;
    if (attacker && (attacker->status & ST_DRONE))
        snprintf(text, sizeof(text), "** %s (%s) sunk at (%d,%d) **", victim->ship_name,
                 victim->captain, victim->x / 1000, victim->z / 1000);
    else
        snprintf(text, sizeof(text), "** %s (%s) sunk by %s at (%d,%d) **", victim->ship_name,
                 victim->captain, by_captain, victim->x / 1000, victim->z / 1000);
    OutwardRadioLine(text);
    if (player_mobile && player_mobile->y < GAME_SIGHT_DEPTH) {
        for (int i = 0; i < 20; i++) {
            int32_t dx = rand() % 100 - 50;
            int32_t dz = rand() % 100 - 50;
            Sprite *s = NewSprite("explode", OffsetPosition(victim->x, dx), 0,
                                  OffsetPosition(victim->z, dz), 23, 12, 0);
            // Out of step, so that the explosions do not all flash at once.
            if (s) s->start -= (uint32_t)(rand() % 2000);
        }
    }
}

void SubProcess() {
    if (start_dive && OutwardGunStowed() && player_mobile) {
        player_mobile->status |= ST_DEPTH;
        start_dive = 0;
    }
}

void CrashDive(int32_t dive) {
    if (!player_mobile) return;
    if (dive) {
        PlaySoundEffect(player_mobile->x, player_mobile->z, SFX_ALARM);
        player_mobile->status &= ~(ST_STEER | ST_GOTO);
        player_mobile->ordered_depth = GAME_CRASH_DEPTH;
        player_mobile->contact |= CT_CRASHDIVE;
        start_dive = 1;
        ChangePlayerHelm(2);
        ChangePlayerEngine(4);
        OutwardGunStow(1);
    } else {
        OutwardGunStow(0);
        start_dive = 0;
        ChangePlayerHelm(2);
        ChangePlayerEngine(2);
        ChangeMobileTrim(player_mobile, 2, 128);
        player_mobile->status &= ~(ST_STEER | ST_GOTO | ST_DEPTH);
        player_mobile->contact &= ~CT_CRASHDIVE;
    }
}

void FireGun(Mobile *target) {
    if (!player_mobile) return;
    PlaySoundEffect(player_mobile->x, player_mobile->z, SFX_GUN);
    SendWeaponPacket(GUN_FIRE, player_mobile, target);
}

void LaunchDC(int32_t setting) {
    if (!player_mobile) return;
    WeaponMssg w = {};
    w.first_id = player_mobile->id;
    w.second_id = player_mobile->id;
    w.kind = DC_LAUNCH;
    w.setting = setting;
    w.heading = player_mobile->heading;
    w.x = player_mobile->x;
    w.z = player_mobile->z;
    char *line = CreateWeaponMssg(&w);
    SendPacket(line, (int32_t)strlen(line));
}

void PlayerHit() {
    OutwardOwnShipHit(GetTickCount());
}
