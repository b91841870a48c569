// captain.cpp -- a simulated captain's judgement: senses, aim, standing orders and phases
#include "bench/server/captain.h"

#include <cmath>
#include <cstring>

#include "server/srv_shiptypes.h"
#include "sim/hits.h"

const char *const CAPTAIN_PROFILE_NAMES[CAPTAIN_PROFILES] = {"newcomer", "expert", "careless",
                                                             "gunner"};

int CaptainProfileByName(const char *name) {
    for (int i = 0; i < CAPTAIN_PROFILES; i++)
        if (!strcmp(name, CAPTAIN_PROFILE_NAMES[i])) return i;
    return -1;
}

int CaptainObserver(int32_t own_y, int wanted) {
    if (own_y > 0) wanted &= ~CAPTAIN_LOOKOUT;
    if (own_y > CAPTAIN_PERISCOPE_LIMIT) wanted &= ~CAPTAIN_PERISCOPE;
    return wanted;
}

int CaptainSenses(int own_row, int32_t own_y, int observer, int32_t contact_y,
                  int32_t contact_engine, int32_t range) {
    int s = 0;
    if (own_row == ROW_DESTROYER && range < VIS_RADAR_RANGE) s |= CAPTAIN_RADAR;
    if (((observer & CAPTAIN_LOOKOUT) && range < VIS_LOOKOUT_RANGE) ||
        ((observer & CAPTAIN_PERISCOPE) && range < VIS_PERISCOPE_RANGE))
        s |= CAPTAIN_SEEN | CAPTAIN_PLOT;
    if (contact_y > 0) {
        int32_t hear = own_y > 0 ? VIS_HYDROPHONE_SUBMERGED : VIS_HYDROPHONE_SURFACED;
        s = 0;
        if (contact_engine != MOTION_NEUTRAL && range <= hear) s = CAPTAIN_PLOT;
    }
    if (range < VIS_NEAR) s &= ~CAPTAIN_SEEN;
    return s;
}

int CaptainAim(double ox, double oz, double tx, double tz, double vx, double vz, double lead,
               uint16_t *heading, double *seconds) {
    double dx = tx - ox, dz = tz - oz;
    vx *= lead;
    vz *= lead;
    // |d + v t| = s t: a quadratic in t whose leading term is negative while the torpedo is the
    // faster, so exactly one root is positive.
    double s = CAPTAIN_TORPEDO_SPEED;
    double a = vx * vx + vz * vz - s * s, b = 2 * (dx * vx + dz * vz), c = dx * dx + dz * dz;
    double disc = b * b - 4 * a * c;
    if (a >= 0 || disc < 0) return 0;
    double t = (-b - std::sqrt(disc)) / (2 * a);
    if (!(t >= 0) || t > CAPTAIN_TORPEDO_RUN) return 0;
    *heading = AngleFrom(MotionTrunc32(tx + vx * t), MotionTrunc32(tz + vz * t), MotionTrunc32(ox),
                         MotionTrunc32(oz));
    *seconds = t;
    return 1;
}

int CaptainInBowArc(uint16_t own_heading, uint16_t bearing) {
    uint16_t rel = (uint16_t)(bearing - own_heading);
    return rel <= CAPTAIN_BOW_ARC || rel > 0xFFFF - CAPTAIN_BOW_ARC;
}

int32_t CaptainHelm(uint16_t course, uint16_t heading, int32_t *sense, int32_t engine) {
    // Automatic steering holds the reciprocal of the course it steers for.
    return SteerHelm((uint16_t)(course + 0x8000), heading, sense, engine);
}

void CaptainTrackFix(CaptainTrack *k, double t, double x, double z) {
    if (k->n) {
        int last = (k->head + CAPTAIN_TRACK_FIXES - 1) % CAPTAIN_TRACK_FIXES;
        if (t - k->t[last] < 1.0) return;
        if (t - k->t[last] > 20.0) k->n = 0;
    }
    k->t[k->head] = t;
    k->x[k->head] = x;
    k->z[k->head] = z;
    k->head = (k->head + 1) % CAPTAIN_TRACK_FIXES;
    if (k->n < CAPTAIN_TRACK_FIXES) k->n++;
}

int CaptainTrackVelocity(const CaptainTrack *k, double *vx, double *vz) {
    if (k->n < 2) return 0;
    int last = (k->head + CAPTAIN_TRACK_FIXES - 1) % CAPTAIN_TRACK_FIXES;
    int first = -1;
    for (int i = k->n; i >= 2; i--) {
        int j = (k->head + CAPTAIN_TRACK_FIXES - i) % CAPTAIN_TRACK_FIXES;
        if (k->t[last] - k->t[j] <= 40.0) {
            first = j;
            break;
        }
    }
    if (first < 0) return 0;
    double dt = k->t[last] - k->t[first];
    if (dt < 8.0) return 0;
    *vx = (k->x[last] - k->x[first]) / dt;
    *vz = (k->z[last] - k->z[first]) / dt;
    return 1;
}

CaptainOrders CaptainStanding(int profile, int phase) {
    const int both = CAPTAIN_LOOKOUT | CAPTAIN_PERISCOPE;
    switch (profile) {
    case CAPTAIN_NEWCOMER:
        if (phase == CAPTAIN_APPROACH) return {0, 4, both};
        // Down at periscope depth, half ahead as the walkthrough says: quieter, and the convoy
        // comes to the boat.
        if (phase == CAPTAIN_ATTACK) return {CAPTAIN_PERISCOPE_DEPTH, 3, both};
        return {CAPTAIN_CRASH_DEPTH, 4, both}; // crash dive: full ahead, as the alarm orders
    case CAPTAIN_EXPERT:
        if (phase == CAPTAIN_APPROACH) return {CAPTAIN_PERISCOPE_DEPTH, 4, both};
        if (phase == CAPTAIN_ATTACK) return {CAPTAIN_PERISCOPE_DEPTH, 3, both};
        return {CAPTAIN_DEEP, 3, both}; // deep and slow: only sonar finds a boat down there
    default:                            // careless and gunner stay on the surface at full ahead
        return {0, 4, both};
    }
}

int CaptainNextPhase(int profile, int phase, const CaptainCues &c) {
    bool charges_now = c.charges_ago >= 0 && c.charges_ago < 2.0;
    bool quiet = c.charges_ago < 0 || c.charges_ago > 90.0;
    switch (profile) {
    case CAPTAIN_NEWCOMER:
        if (phase != CAPTAIN_EVADE && charges_now) return CAPTAIN_EVADE;
        // Down before the convoy is 10 km off, as the walkthrough says: its nearest ship, which
        // is usually the escort screening ahead of the cargo.
        if (phase == CAPTAIN_APPROACH) {
            int32_t r = c.cargo_range;
            if (c.escort_range >= 0 && (r < 0 || c.escort_range < r)) r = c.escort_range;
            if (r >= 0 && r <= 9500) return CAPTAIN_ATTACK;
        }
        if (phase == CAPTAIN_EVADE && quiet && c.in_phase > 60) return CAPTAIN_ATTACK;
        return phase;
    case CAPTAIN_EXPERT:
        if (phase == CAPTAIN_LEAVE) return phase;
        if (phase != CAPTAIN_EVADE && charges_now) return CAPTAIN_EVADE;
        if (phase == CAPTAIN_APPROACH && c.cargo_range >= 0 && c.cargo_range <= 7000)
            return CAPTAIN_ATTACK;
        if (phase == CAPTAIN_ATTACK && c.spread_fired) return CAPTAIN_EVADE;
        if (phase == CAPTAIN_EVADE && quiet && c.in_phase > 120)
            return c.sank || c.attacks >= 2 ? CAPTAIN_LEAVE : CAPTAIN_APPROACH;
        return phase;
    default:
        return CAPTAIN_APPROACH;
    }
}

bool CaptainTorpedoStrikes(const MotionState &t, const MotionState &s, int row) {
    if (s.y > 2) return false;
    const ShipClass *k = ShipClassOfRow(row);
    double hl = k->length >> 1, hb = k->beam >> 1;
    double dx = t.x - s.x, dz = t.z - s.z;
    if (dx < -hl || dx > hl || dz < -hl || dz > hl) return false;
    if (hl < 0.8 * std::sqrt(dx * dx + dz * dz)) return false;
    double h = s.heading * 2 * M_PI / 65535.0;
    double across = std::cos(h) * dx - std::sin(h) * dz;
    double along = std::sin(h) * dx + std::cos(h) * dz;
    return across >= -hb && across <= hb && along >= -hl && along <= hl;
}
