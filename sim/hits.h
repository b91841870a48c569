// hits.h -- the hit test of the own torpedoes and what the ship's sensors perceive
#pragma once

#include <cstdint>

#include "sim/mobile.h"

enum {
    HIT_TORPEDO_DEPTH = 2, // ships deeper than this pass under a torpedo
    VIS_RADAR_RANGE = 60000,
    VIS_LOOKOUT_RANGE = 30000,
    VIS_PERISCOPE_RANGE = 20000,
    VIS_SONAR_RANGE = 10000,
    VIS_SONAR_MOVING = 100, // chances in 1000 per step
    VIS_SONAR_STOPPED = 30,
    VIS_HYDROPHONE_SUBMERGED = 2000,
    VIS_HYDROPHONE_SURFACED = 6000,
    VIS_PING_RANGE = 10000,
    VIS_PING_INTERVAL = 10000, // ms per escort
    VIS_NEAR = 50,             // closer mobiles are not drawn
};

// Bits of observer_status: which optic the player is using.
enum {
    OBS_PERISCOPE = 1,
    OBS_LOOKOUT = 2,
    OBS_PERISCOPE_DEPTH = 15, // the deepest the periscope still shows the surface
};

extern int32_t observer_status; // OBS_PERISCOPE: periscope raised; OBS_LOOKOUT: binoculars in use
extern int32_t observer_use;    // the optic chosen last: OBS_PERISCOPE or OBS_LOOKOUT

Mobile *CheckTorpedoHit(const Mobile *torpedo);
// The first ship in list order that the torpedo lies inside (its hull rectangle turned by the
// ship's heading), or null. Torpedoes, the launcher and ships deeper than 2 are never hit.

void CheckMobileVisibility();
// Recomputes the contact bits of every mobile (all but CT_CRASHDIVE) from the own ship's class,
// depth and optics, and plays the pings of escorts heard aboard a submerged ship.

void RotatePoints(double *xs, double *zs, int32_t count, uint16_t angle);
// Turns `count` points (x, z) in place by (0xFFFF - angle) x 2pi / 65535.
