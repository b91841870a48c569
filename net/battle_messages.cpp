// battle_messages.cpp -- the battle messages: ship updates, weapons, new ships, ship types and
// radio
#include "net/battle_messages.h"

#include <cstdarg>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/motion.h"
#include "media/sfx.h"
#include "net/transport.h"
#include "platform/platform.h"
#include "shell/debug.h"
#include "sim/battle.h"
#include "sim/move.h"
#include "sim/outward.h"

// ---- formatting and parsing ------------------------------------------------------------------

char *CreateUpdateMssg(const UpdateMssg *m) {
    static char line[BATTLE_LINE_SIZE];
    WireFormatUpdate(m, line, sizeof line);
    return line;
}

char *CreateWeaponMssg(const WeaponMssg *m) {
    static char line[BATTLE_LINE_SIZE];
    WireFormatWeapon(m, line, sizeof line);
    return line;
}

// A line read leniently into the one message of its kind that the caller gets to look at.
template <typename Msg, int (*Parse)(std::string_view, Msg *, int)>
static Msg *UnpackPacket(const char *text) {
    static Msg r;
    Parse(text ? text : "", &r, WIRE_LENIENT);
    return &r;
}

UpdateMssg *UnpackUpdatePacket(const char *text) {
    return UnpackPacket<UpdateMssg, WireParseUpdate>(text);
}
WeaponMssg *UnpackWeaponPacket(const char *text) {
    return UnpackPacket<WeaponMssg, WireParseWeapon>(text);
}
NewShipMssg *UnpackNewShipPacket(const char *text) {
    return UnpackPacket<NewShipMssg, WireParseNewShip>(text);
}
ShipTypeMssg *UnpackShipTypePacket(const char *text) {
    return UnpackPacket<ShipTypeMssg, WireParseShipType>(text);
}

// ---- senders -----------------------------------------------------------------------------------

static void LogTag(const char *tag, const char *format, ...) __attribute__((format(printf, 2, 3)));
static void LogTag(const char *tag, const char *format, ...) {
    char text[BATTLE_LINE_SIZE + 64];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof(text), format, ap);
    va_end(ap);
    DebugLogTag(tag, text);
}

void SendUpdatePacket(int32_t kind, const Mobile *m) {
    if (!m) return;
    UpdateMssg u;
    u.id = m->id;
    u.kind = kind;
    u.vx = (int32_t)VelocityToWire(m->vx);
    u.vy = (int32_t)VelocityToWire(m->vy);
    u.vz = (int32_t)VelocityToWire(m->vz);
    u.engine = m->engine;
    u.helm = m->helm;
    u.trim = m->trim;
    u.heading = m->heading;
    u.x = m->x;
    u.y = m->y;
    u.z = m->z;
    char *line = CreateUpdateMssg(&u);
    DebugLogTag("SendUpdatePacket", line);
    SendPacket(line, (int32_t)strlen(line));
}

static void SendWeapon(int32_t first, int32_t second, int32_t kind, int32_t setting,
                       int32_t heading, int32_t x, int32_t z) {
    WeaponMssg w = {first, second, kind, setting, heading, x, z};
    char *line = CreateWeaponMssg(&w);
    SendPacket(line, (int32_t)strlen(line));
}

void SendWeaponPacket(int32_t kind, const Mobile *m, const Mobile *target) {
    if (!m) return;
    SendWeapon(m->id, target ? target->id : m->id, kind, 0, m->heading, m->x, m->z);
}

void SendHitPacket(const Mobile *torpedo, const Mobile *ship) {
    if (!torpedo || !ship) return;
    LogTag("SendHitPacket", "HIT: %d -> %d", torpedo->id, ship->id);
    SendWeapon(torpedo->id, ship->id, TP_HIT, 0, torpedo->heading, torpedo->x, torpedo->z);
}

void SendTorpedoLaunchPacket(const int32_t *position, const uint16_t *angles) {
    if (!player_mobile || !position || !angles) return;
    LogTag("SendTorpedoLaunchPacket", "SHIP_ID: %d %d", player_mobile->id, player_mobile->id);
    // The server gives the torpedo its ID and sends the launch back.
    SendWeapon(-1, player_mobile->id, TP_LAUNCH, 0, angles[1], position[0], position[2]);
}

void SendRadioPacket(const char *text, int32_t addressee) {
    if (!text) return;
    // Room for the line feed SendPacket adds.
    WireRadio r = {addressee, text};
    WireFormatRadio(&r, packet, IP_PACKET_SIZE - 1);
    DebugLogTag("SendRadioPacket", packet);
    SendPacket(packet, (int32_t)strlen(packet));
}

// ---- handlers ----------------------------------------------------------------------------------

// An order from the wire outside 0 to 4 keeps the order the mobile had.
static int32_t CheckedOrder(int32_t order, int32_t current) {
    return order >= 0 && order <= 4 ? order : current;
}

int32_t PacketUpdate(const char *text) {
    UpdateMssg *u = UnpackUpdatePacket(text);
    Mobile *m = FindMobileID(u->id);
    if (!m) {
        DebugLogTag("PacketUpdate", text ? text : "");
        LogTag("PacketUpdate", "ERROR! Unknown mobile: %d", u->id);
        return 1;
    }
    switch (u->kind) {
    case 0:
    case 1:
    case 2: {
        int32_t engine = CheckedOrder(u->engine, m->engine);
        int32_t helm = CheckedOrder(u->helm, m->helm);
        int32_t planes = CheckedOrder(u->trim & 0xFF, m->trim & 0xFF);
        if (engine != u->engine || helm != u->helm || planes != (u->trim & 0xFF))
            LogTag("PacketUpdate", "orders out of range for %d kept", u->id);
        m->engine = engine;
        m->helm = helm;
        m->trim = (u->trim & 0xFF00) | planes;
        m->vx = VelocityFromWire((uint32_t)u->vx);
        m->vy = VelocityFromWire((uint32_t)u->vy);
        m->vz = VelocityFromWire((uint32_t)u->vz);
        SetMobilePosition(m, u->x, u->y, u->z, 0, (uint16_t)u->heading, 0);
        m->status |= ST_ACTIVE;
        break;
    }
    case UPD_VANISHED:
    case UPD_REMOVED: {
        if (u->kind == UPD_VANISHED) {
            char line[BATTLE_LINE_SIZE];
            snprintf(line, sizeof(line), "** %s (%s) has vanished **", m->ship_name, m->captain);
            OutwardRadioLine(line);
        }
        if (m == player_mobile)
            EndGame();
        else
            m->status |= ST_DEAD;
        break;
    }
    default:
        break;
    }
    return 1;
}

void AddNewShip(const NewShipMssg *n) {
    if (!n) return;
    if (n->ship_type < 0 || n->ship_type >= NUM_HOST_TYPES) {
        LogTag("AddNewShip", "unknown ship type %d", n->ship_type);
        return;
    }
    Mobile *known = FindMobileID(n->id);
    if (known && !(known->status & ST_DEAD)) {
        // A second announcement must not make a twin that updates would never reach.
        LogTag("AddNewShip", "ship %d already known", n->id);
        return;
    }
    Mobile *m = NewMobile(host_type[n->ship_type]);
    if (!m) return;
    m->id = n->id;
    m->status = ST_INUSE;
    m->contact = 0;
    m->last_move = GetTickCount();
    m->country = n->country;
    snprintf(m->name, sizeof(m->name), "%s", n->name);
    snprintf(m->captain, sizeof(m->captain), "%s", n->captain);
    snprintf(m->ship_name, sizeof(m->ship_name), "%s", n->ship_name);
    SetMobilePosition(m, n->x, n->y, n->z, 0, (uint16_t)n->heading, 0);
    if (strcmp(m->captain, "DRONE") == 0) m->status |= ST_DRONE;
    if (m->id == my_ship_id) {
        DebugLogTag("AddNewShip", "MY SHIP!!");
        StartGame(m);
    } else if (player_mobile && !(m->status & ST_DRONE)) {
        char line[BATTLE_LINE_SIZE];
        snprintf(line, sizeof(line), "** %s (%s) has arrived in your area **", m->ship_name,
                 m->captain);
        OutwardRadioLine(line);
    }
}

int32_t PacketNewShip(const char *text) {
    AddNewShip(UnpackNewShipPacket(text));
    return 1;
}

int32_t PacketShipType(const char *text) {
    ShipTypeMssg *t = UnpackShipTypePacket(text);
    if (t->row < 0 || t->row >= MAX_SHIP_TYPES) {
        LogTag("PacketShipType", "row %d outside the table ignored", t->row);
        return 1;
    }
    ShipTypeEntry *e = &ShipType[t->row];
    for (int i = 0; i < 5; i++) {
        e->speed_table[i] = CoeffFromWire((uint32_t)t->speed_table[i]);
        e->turn_table[i] = CoeffFromWire((uint32_t)t->turn_table[i]);
        e->dive_table[i] = CoeffFromWire((uint32_t)t->dive_table[i]);
    }
    e->drag = CoeffFromWire((uint32_t)t->drag);
    e->gun_range = t->gun_range;
    e->gun_reload = t->gun_reload;
    e->spare = t->spare;
    e->dc_reload = t->dc_reload;
    e->submerged = CoeffFromWire((uint32_t)t->submerged);
    return 1;
}

int32_t PacketUpdateReq(const char *) {
    if (player_mobile) SendUpdatePacket(1, player_mobile);
    return 1;
}

int32_t PacketRadio(const char *text) {
    if (!text) return 1;
    WireRadioRelay r;
    int read = WireParseRadioRelay(text, &r, WIRE_LENIENT);
    Mobile *m = read >= 1 ? FindMobileID((int32_t)r.sender) : nullptr;
    char line[BATTLE_LINE_SIZE + 2 * MOBILE_NAME_LEN + 8];
    // A sender outside the player's area is shown without a name.
    if (m)
        snprintf(line, sizeof(line), "%s (%s): %.*s", m->ship_name, m->captain, (int)r.text.size(),
                 r.text.data());
    else
        snprintf(line, sizeof(line), "%.*s", (int)r.text.size(), r.text.data());
    OutwardRadioLine(line);
    return 1;
}

// Explosion pictures are seen only near the surface; underwater sounds only below it.
static void Picture(const char *name, int32_t x, int32_t z, int32_t frames, int32_t rate,
                    int32_t tag) {
    if (player_mobile && player_mobile->y < GAME_SIGHT_DEPTH)
        NewSprite(name, x, 0, z, frames, rate, tag);
}

int32_t PacketWeapon(const char *text) {
    if (!player_mobile) return 1;
    WeaponMssg *w = UnpackWeaponPacket(text);
    bool below = player_mobile->y > 0;
    bool at_me = w->second_id == player_mobile->id;
    switch (w->kind) {
    case TP_LAUNCH: {
        LogTag("PacketWeapon", "TP_LAUNCH: %d -> %d", w->first_id, w->second_id);
        Mobile *t = NewMobile(TORPEDO);
        if (!t) break;
        SetMobilePosition(t, w->x, TORPEDO_DEPTH, w->z, 0, (uint16_t)w->heading, 0);
        t->id = w->first_id;
        t->status |= ST_ACTIVE;
        t->owner = w->second_id;
        t->engine = 4;
        t->trim = 0x8002;
        ExpireMobile(t, (int32_t)time(nullptr) + TORPEDO_LIFE);
        break;
    }
    case TP_HIT: {
        if (at_me) {
            DebugLogTag("PacketWeapon", "TP_HIT: I've been hit!!!");
            PlayerHit();
        } else {
            LogTag("PacketWeapon", "TP_HIT: %d -> %d", w->first_id, w->second_id);
        }
        PlaySoundEffect(w->x, w->z, SFX_TPHIT);
        Picture("explode", w->x, w->z, 23, 12, TP_HIT);
        Mobile *t = FindMobileID(w->first_id);
        if (t && t != player_mobile) t->status |= ST_DEAD;
        break;
    }
    case WP_SUNK: {
        LogTag("PacketWeapon", "WP_SUNK: Ship %d sinks ship %d", w->first_id, w->second_id);
        Mobile *sunk = FindMobileID(w->second_id);
        if (!sunk) break;
        PlaySoundEffect(sunk->x, sunk->z, below ? SFX_SUBEXP : SFX_SHIPEXP);
        SinkShip(FindMobileID(w->first_id), sunk);
        break;
    }
    case DC_LAUNCH:
        if (Range(player_mobile->x, player_mobile->z, w->x, w->z) < BATTLE_HEAR_DC) {
            OutwardRadioLine("Hydrophones: depth charges launched!");
            PlaySoundEffect(w->x, w->z, SFX_DEPTHC);
        }
        break;
    case DC_HIT:
        if (below) PlaySoundEffect(w->x, w->z, SFX_DCUNDER);
        if (at_me) {
            PlaySoundEffect(w->x, w->z, SFX_TPHIT);
            PlayerHit();
        }
        Picture("dpthmiss", w->x, w->z, 12, 5, DC_HIT);
        break;
    case GUN_HIT: {
        if (at_me) PlayerHit();
        Mobile *hit = FindMobileID(w->second_id);
        if (hit) {
            PlaySoundEffect(hit->x, hit->z, SFX_TPHIT);
            Picture("explode", hit->x, hit->z, 23, 12, GUN_HIT);
        } else {
            DebugLogTag("PacketWeapon", "GUN_HIT on unknown mobile");
        }
        break;
    }
    case DC_MISS:
        Picture("dpthmiss", w->x, w->z, 12, 5, DC_MISS);
        PlaySoundEffect(w->x, w->z, below ? SFX_DCUNDER : SFX_SPLASH);
        break;
    case GUN_MISS:
        PlaySoundEffect(w->x, w->z, SFX_SPLASH);
        if (FindMobileID(w->second_id))
            Picture("gunmiss", w->x, w->z, 6, 3, GUN_MISS);
        else
            DebugLogTag("PacketWeapon", "GUN_MISS on unknown mobile");
        break;
    default: // GUN_FIRE, 8 and anything else
        break;
    }
    return 1;
}
