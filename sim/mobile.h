// mobile.h -- ship types, the mobiles of a battle, sprites and scenery, and the per-step driver
#pragma once

#include <cstdint>

#include "ddd/ddd.h"

// Mobile status bits.
enum {
    ST_INUSE = 0x01,
    ST_ACTIVE = 0x02,  // has a position: moves and can be seen
    ST_DEAD = 0x04,    // removed at the next ProcessMobiles
    ST_STEER = 0x08,   // automatic steering to ordered_heading
    ST_GOTO = 0x10,    // steering to the waypoint
    ST_EXPIRES = 0x20, // removed once expire_time has passed
    ST_DEPTH = 0x40,   // depth keeping to ordered_depth
    ST_DRONE = 0x80,   // one of the server's own ships
};

// Mobile contact bits: how the player perceives a mobile.
enum {
    CT_VIEW = 0x01,      // drawn in the bridge view
    CT_PLOT = 0x02,      // plotted on the map table
    CT_CRASHDIVE = 0x04, // own ship: crash dive under way
    CT_SONAR = 0x08,
    CT_RADAR = 0x10,
};

// Rows of ShipType that decide behaviour.
enum {
    DUMMY_TYPE = 0,
    DESTROYER = 1,
    CORVETTE = 2,
    MERCHANT = 3,
    TANKER = 4,
    SUBMARINE = 5,
    TORPEDO = 6,
    MAX_SHIP_TYPES = 10,
    NUM_HOST_TYPES = 6,
};

enum {
    MAX_MOBILES = 50,
    MAX_SCENERY = 500,
    MAX_SPRITES = 100,
    MOBILE_NAME_LEN = 32,
    MAX_MOBILE_REFS = 16,
};

// One class of ship: built-in name, shape and hull, and the server's movement coefficients.
struct ShipTypeEntry {
    const char *name;
    int32_t type_id;
    const char *shape;
    int32_t render;
    int32_t length;
    int32_t beam;
    int32_t shape_offset[3];
    double speed_table[5];
    double turn_table[5];
    double drag;
    double dive_table[5];
    int32_t gun_range;
    int32_t gun_reload;
    int32_t spare;
    int32_t dc_reload;
    double submerged;
};

// One ship, drone or torpedo of the battle.
struct Mobile {
    int32_t id;
    uint8_t status;
    uint8_t contact;
    char name[MOBILE_NAME_LEN];
    char ship_name[MOBILE_NAME_LEN];
    int32_t engine;
    int32_t helm;
    int32_t speed;
    int32_t trim;
    int32_t steer_sense;
    int32_t country;
    uint32_t last_move;
    uint16_t ordered_heading;
    uint16_t bearing;
    int32_t range;
    int32_t expire_time;
    int32_t ordered_depth;
    int32_t owner;
    double vx, vy, vz;
    int32_t x, y, z;
    double fx, fy, fz;
    int32_t way_x, way_y, way_z;
    uint16_t pitch, heading, roll;
    double pitch_rad, heading_rad, roll_rad;
    uint16_t view;
    char captain[MOBILE_NAME_LEN];
    ShipTypeEntry *type;
    uint32_t last_ping;
    dddObject *shape;
};

// A short animation at a place: explosions and splashes.
struct Sprite {
    dddObject *shape;
    uint32_t start; // tick of frame 0
    int32_t x, y, z;
    int32_t frames;
    int32_t rate; // frames per second
    int32_t tag;  // weapon kind that placed it, 0 for a sinking
};

extern ShipTypeEntry ShipType[MAX_SHIP_TYPES];
extern const int32_t host_type[NUM_HOST_TYPES];

extern Mobile *mobile;
extern int32_t num_mobiles;
extern dddObject **scenery;
extern int32_t num_scenery;
extern Sprite *sprite;
extern int32_t num_sprites;
extern Mobile *player_mobile;

void InitializeMobiles();
// Allocates the mobile, sprite and scenery lists (releasing any left from an earlier battle),
// empties them and clears player_mobile.

void CloseMobiles();
// Releases the sprites, then the mobiles, then the scenery, and their lists; every reference
// to a mobile (gun_target and those registered with MobileTrackReference) is cleared.

Mobile *NewMobile(int32_t type);
// A new, inactive mobile of ShipType row `type`, its shape loaded; null when the list is full,
// the row is unknown or the shape can't be loaded.

Mobile *FindMobileID(int32_t id);
// The first mobile whose id is `id`, or null.

void ExpireMobile(Mobile *m, int32_t when);
// Marks the mobile to be removed once the calendar second `when` has passed.

void ProcessMobiles();
// One simulation step: removes dead and expired mobiles, judges the own torpedoes' hits, moves
// every active mobile and works out what the player perceives.

void FreeMobile(Mobile *m);
// Releases what the entry owns (its shape object).

void FreeScenery(dddObject **entry);
// Destroys the scenery entry's shape object.

void FreeSprite(Sprite *s);
// Destroys the sprite's shape object.

Sprite *NewSprite(const char *name, int32_t x, int32_t y, int32_t z, int32_t frames, int32_t rate,
                  int32_t tag);
// A new animation of shape `name` starting now at (x, y, z); null when 100 play already or the
// shape can't be loaded.

void InsertSceneryShapes();
// Hands the scenery to the 3D engine for this frame.

void InsertSpriteShapes();
// Hands every sprite's current frame to the 3D engine; sprites whose last frame has played end.

void InsertMobileShapes();
// Hands every mobile drawn in the bridge view (CT_VIEW) to the 3D engine at its place.

void LoadWorld(const char *name);
// Names the battle's world; there is no scenery to load.

void MobileRangeDetails();
// Logs one line per mobile with its index, name, position and range.

void MobileTrackReference(Mobile **ref);
// Registers a reference that must follow its mobile when removal moves it to another slot;
// it becomes null when its mobile is removed or the lists are released.

void MobileUntrackReference(Mobile **ref);
// Forgets a reference registered with MobileTrackReference.

int32_t MobileClass(const Mobile *m);
// The ShipType row of the mobile (DUMMY_TYPE when it has none).
