// mobile.cpp -- ship types, the mobiles of a battle, sprites and scenery, and the per-step driver
#include "sim/mobile.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "net/battle_messages.h"
#include "platform/platform.h"
#include "shell/debug.h"
#include "sim/hits.h"
#include "sim/move.h"
#include "sim/outward.h"

// Rows 0 to 6 are built in; the server fills in the coefficients of every row.
ShipTypeEntry ShipType[MAX_SHIP_TYPES] = {
    {"Dummy type", 0, "", 0, 0, 0, {0, 0, 0}, {}, {}, 0, {}, 0, 0, 0, 0, 0},
    {"DESTROYER", 1, "dest", 0x2300, 600, 60, {0, 0, 0}, {}, {}, 0, {}, 0, 0, 0, 0, 0},
    {"CORVETTE", 2, "corv", 0x2300, 500, 30, {0, 0, 0}, {}, {}, 0, {}, 0, 0, 0, 0, 0},
    {"MERCHANT", 3, "mrch", 0x2300, 350, 50, {0, 0, 0}, {}, {}, 0, {}, 0, 0, 0, 0, 0},
    {"TANKER", 4, "tnkr", 0x2300, 450, 60, {0, 0, 0}, {}, {}, 0, {}, 0, 0, 0, 0, 0},
    {"SUBMARINE", 5, "sub", 0x2300, 500, 40, {0, 0, 0}, {}, {}, 0, {}, 0, 0, 0, 0, 0},
    {"TORPEDO", 6, "torp", 0x2300, 0, 0, {0, 0, 0}, {}, {}, 0, {}, 0, 0, 0, 0, 0},
    {"", 7, "", 0, 0, 0, {0, 0, 0}, {}, {}, 0, {}, 0, 0, 0, 0, 0},
    {"", 8, "", 0, 0, 0, {0, 0, 0}, {}, {}, 0, {}, 0, 0, 0, 0, 0},
    {"", 9, "", 0, 0, 0, {0, 0, 0}, {}, {}, 0, {}, 0, 0, 0, 0, 0},
};

// The server's ship-type numbers 0 to 5 as rows of ShipType.
const int32_t host_type[NUM_HOST_TYPES] = {TANKER,    CORVETTE,   DESTROYER,
                                           SUBMARINE, DUMMY_TYPE, MERCHANT};

Mobile *mobile;
int32_t num_mobiles;
dddObject **scenery;
int32_t num_scenery;
Sprite *sprite;
int32_t num_sprites;
Mobile *player_mobile;

static Mobile **mobile_refs[MAX_MOBILE_REFS];
static int32_t num_mobile_refs;

void MobileTrackReference(Mobile **ref) {
    for (int32_t i = 0; i < num_mobile_refs; i++)
        if (mobile_refs[i] == ref) return;
    if (num_mobile_refs < MAX_MOBILE_REFS)
        mobile_refs[num_mobile_refs++] = ref;
    else
        DebugLogTag("MobileTrackReference", "too many references");
}

void MobileUntrackReference(Mobile **ref) {
    for (int32_t i = 0; i < num_mobile_refs; i++)
        if (mobile_refs[i] == ref) {
            mobile_refs[i] = mobile_refs[--num_mobile_refs];
            return;
        }
}

// Every reference to `from` is made to point to `to` (null when the entry goes away).
static void MoveReferences(Mobile *from, Mobile *to) {
    if (player_mobile == from) player_mobile = to;
    OutwardMobileMoved(from, to);
    for (int32_t i = 0; i < num_mobile_refs; i++)
        if (*mobile_refs[i] == from) *mobile_refs[i] = to;
}

int32_t MobileClass(const Mobile *m) {
    return m && m->type ? m->type->type_id : DUMMY_TYPE;
}

void InitializeMobiles() {
    if (mobile || sprite || scenery) CloseMobiles();
    mobile = (Mobile *)DebugMalloc("mobile list", (int32_t)(MAX_MOBILES * sizeof(Mobile)));
    scenery =
        (dddObject **)DebugMalloc("scenery list", (int32_t)(MAX_SCENERY * sizeof(dddObject *)));
    sprite = (Sprite *)DebugMalloc("sprite list", (int32_t)(MAX_SPRITES * sizeof(Sprite)));
    num_mobiles = 0;
    num_scenery = 0;
    num_sprites = 0;
    player_mobile = nullptr;
}

void CloseMobiles() {
    DebugLog("CloseMobiles: Freeing Sprites");
    if (sprite) {
        for (int32_t i = 0; i < num_sprites; i++)
            FreeSprite(&sprite[i]);
        DebugFree(sprite);
        sprite = nullptr;
        num_sprites = 0;
    }
    DebugLog("CloseMobiles: Freeing Mobiles");
    if (mobile) {
        for (int32_t i = 0; i < num_mobiles; i++)
            FreeMobile(&mobile[i]);
        for (int32_t i = 0; i < num_mobiles; i++)
            MoveReferences(&mobile[i], nullptr);
        DebugFree(mobile);
        mobile = nullptr;
        num_mobiles = 0;
    }
    DebugLog("CloseMobiles: Freeing Scenery");
    if (scenery) {
        for (int32_t i = 0; i < num_scenery; i++)
            FreeScenery(&scenery[i]);
        DebugFree(scenery);
        scenery = nullptr;
        num_scenery = 0;
    }
    DebugLog("CloseMobiles: Done");
}

Mobile *NewMobile(int32_t type) {
    if (!mobile || num_mobiles >= MAX_MOBILES || type < 0 || type >= MAX_SHIP_TYPES) return nullptr;
    Mobile *m = &mobile[num_mobiles];
    memset(m, 0, sizeof(*m));
    m->type = &ShipType[type];
    m->id = num_mobiles;
    m->status = ST_INUSE;
    m->contact = 0;
    m->last_move = GetTickCount();
    m->last_ping = m->last_move;
    m->helm = 2;
    m->engine = 2;
    m->trim = 0x8002;
    m->ordered_heading = m->heading;

    char path[64];
    snprintf(path, sizeof(path), "3d\\%s.dsh", m->type->shape);
    m->shape = dddLoad(path);
    if (!m->shape) {
        char text[96];
        snprintf(text, sizeof(text), "NewMobile: Couldn't load shape: <%s>", m->type->shape);
        DebugLog("%s", text);
        return nullptr;
    }
    dddSetRenderMethod(m->shape, m->type->render);
    num_mobiles++;
    return m;
}

Mobile *FindMobileID(int32_t id) {
    if (!mobile) return nullptr;
    for (int32_t i = 0; i < num_mobiles; i++)
        if (mobile[i].id == id) return &mobile[i];
    return nullptr;
}

void ExpireMobile(Mobile *m, int32_t when) {
    if (!m) return;
    m->status |= ST_EXPIRES;
    m->expire_time = when;
}

// Takes entry i out of the list by copying the last entry into its place; every reference
// follows the moved entry.
static void RemoveMobile(int32_t i) {
    Mobile *m = &mobile[i];
    OutwardMobileLeaving(m);
    FreeMobile(m);
    MoveReferences(m, nullptr);
    num_mobiles--;
    if (i != num_mobiles) {
        *m = mobile[num_mobiles];
        MoveReferences(&mobile[num_mobiles], m);
    }
}

void ProcessMobiles() {
    if (!mobile) return;
    int32_t now = (int32_t)time(nullptr);
    for (int32_t i = 0; i < num_mobiles; i++) {
        Mobile *m = &mobile[i];
        if ((m->status & ST_EXPIRES) && m->expire_time < now) m->status |= ST_DEAD;
        // Each client judges only its own torpedoes; a dead one hits nothing more.
        if (!(m->status & ST_DEAD) && MobileClass(m) == TORPEDO && player_mobile &&
            m->owner == player_mobile->id) {
            Mobile *hit = CheckTorpedoHit(m);
            if (hit) {
                SendHitPacket(m, hit);
                m->status |= ST_DEAD;
            }
        }
        if (m->status & ST_DEAD) {
            if (m == player_mobile) {
                // The own ship leaves only through EndGame; the lists would lose their owner.
                DebugLogTag("ProcessMobiles", "own ship marked dead, kept");
                m->status &= ~ST_DEAD;
                continue;
            }
            RemoveMobile(i);
        }
    }
    MoveMobiles();
    CheckMobileVisibility();
}

void FreeMobile(Mobile *m) {
    // The shape goes with its mobile so that a long session does not pile up engine objects.
    if (m && m->shape) {
        dddDestroy(m->shape);
        m->shape = nullptr;
    }
}

void FreeScenery(dddObject **entry) {
    if (entry && *entry) {
        dddDestroy(*entry);
        *entry = nullptr;
    }
}

void FreeSprite(Sprite *s) {
    if (s && s->shape) {
        dddDestroy(s->shape);
        s->shape = nullptr;
    }
}

Sprite *NewSprite(const char *name, int32_t x, int32_t y, int32_t z, int32_t frames, int32_t rate,
                  int32_t tag) {
    if (!sprite || num_sprites >= MAX_SPRITES || !name) return nullptr;
    Sprite *s = &sprite[num_sprites];
    char path[64];
    snprintf(path, sizeof(path), "3d\\%s.dsh", name);
    s->shape = dddLoad(path);
    if (!s->shape) {
        DebugLogTag("NewSprite", "Couldn't load sprite");
        return nullptr;
    }
    dddSetRenderMethod(s->shape, 0x0300);
    dddMoveTo(s->shape, x, y, z);
    dddSetShapeFlags(s->shape, 0);
    s->frames = frames;
    s->rate = rate;
    s->start = GetTickCount();
    s->tag = tag;
    s->x = x;
    s->y = y;
    s->z = z;
    num_sprites++;
    return s;
}

void InsertSceneryShapes() {
    if (!scenery) return;
    for (int32_t i = 0; i < num_scenery; i++)
        if (scenery[i]) dddInsertObject(scenery[i]);
}

void InsertSpriteShapes() {
    if (!sprite) return;
    uint32_t now = GetTickCount();
    for (int32_t i = 0; i < num_sprites; i++) {
        Sprite *s = &sprite[i];
        uint32_t frame = (now - s->start) * (uint32_t)s->rate / 1000u;
        if (frame >= (uint32_t)s->frames) {
            FreeSprite(s);
            num_sprites--;
            if (i != num_sprites) *s = sprite[num_sprites];
            continue;
        }
        dddSetShapeFlags(s->shape, (int32_t)frame);
        dddInsertObject(s->shape);
    }
}

void InsertMobileShapes() {
    if (!mobile) return;
    for (int32_t i = 0; i < num_mobiles; i++) {
        Mobile *m = &mobile[i];
        if (!(m->contact & CT_VIEW) || !m->shape) continue;
        const int32_t *o = m->type->shape_offset;
        dddMoveTo(m->shape, OffsetPosition(m->x, o[0]), OffsetPosition(m->y, o[1]),
                  OffsetPosition(m->z, o[2]));
        dddRotateTo(m->shape, m->pitch, m->heading, m->roll);
        dddInsertObject(m->shape);
    }
}

void LoadWorld(const char *name) {
    DebugLog("LoadWorld: %s", name ? name : "");
}

void MobileRangeDetails() {
    if (!mobile) return;
    for (int32_t i = 0; i < num_mobiles; i++) {
        const Mobile *m = &mobile[i];
        DebugLog("MobileRangeDetails: %d. %s (%ld,%ld,%ld) %ld", i, m->name, (long)m->x, (long)m->y,
                 (long)m->z, (long)m->range);
    }
}
