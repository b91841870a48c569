// move.cpp -- dead reckoning of every active mobile, automatic steering and depth keeping
#include "sim/move.h"

#include <cmath>
#include <cstdlib>

#include "platform/platform.h"
#include "sim/battle.h"
#include "sim/outward.h"

void MobileToMotion(const Mobile *m, MotionState *s) {
    s->engine = m->engine;
    s->helm = m->helm;
    s->trim = m->trim;
    s->vx = m->vx;
    s->vy = m->vy;
    s->vz = m->vz;
    s->fx = m->fx;
    s->fy = m->fy;
    s->fz = m->fz;
    s->x = m->x;
    s->y = m->y;
    s->z = m->z;
    s->heading = m->heading;
    s->heading_rad = m->heading_rad;
    s->speed = m->speed;
}

// Stores a state of the shared model back into the mobile.
static void MotionToMobile(const MotionState *s, Mobile *m) {
    m->vx = s->vx;
    m->vy = s->vy;
    m->vz = s->vz;
    m->fx = s->fx;
    m->fy = s->fy;
    m->fz = s->fz;
    m->x = s->x;
    m->y = s->y;
    m->z = s->z;
    m->heading = s->heading;
    m->heading_rad = s->heading_rad;
    m->speed = s->speed;
}

void ShipTypeCoeffs(const ShipTypeEntry *t, MotionCoeffs *c) {
    for (int i = 0; i < MOTION_ORDERS; i++) {
        c->speed_table[i] = t->speed_table[i];
        c->turn_table[i] = t->turn_table[i];
        c->dive_table[i] = t->dive_table[i];
    }
    c->drag = t->drag;
    c->submerged = t->submerged;
}

void ChangeMobileHelm(Mobile *m, int32_t helm) {
    if (!m) return;
    if (m == player_mobile)
        ChangePlayerHelm(helm);
    else
        m->helm = helm;
}

void ChangeMobileTrim(Mobile *m, int32_t planes, int32_t buoyancy) {
    if (!m) return;
    if (m == player_mobile)
        ChangePlayerTrim(planes, buoyancy);
    else
        m->trim = buoyancy * 256 + planes;
}

void ChangeMobileEngine(Mobile *m, int32_t engine) {
    if (!m) return;
    if (m == player_mobile)
        ChangePlayerEngine(engine);
    else
        m->engine = engine;
}

// Steering to ordered_heading, ended when Steer brings the rudder amidships.
static void SteerStep(Mobile *m) {
    int32_t h = SteerHelm(m->ordered_heading, m->heading, &m->steer_sense, m->engine);
    ChangeMobileHelm(m, h);
    if (h == MOTION_NEUTRAL) {
        m->status &= ~ST_STEER;
        m->steer_sense = 0;
        if (m == player_mobile) OutwardCompassRedraw();
    }
}

static void WaypointStep(Mobile *m) {
    if (Range(m->x, m->z, m->way_x, m->way_z) > MOTION_WAYPOINT_ARRIVAL) {
        uint16_t a = AngleFrom(m->x, m->z, m->way_x, m->way_z);
        if (WaypointAngleDiff(m->ordered_heading, a) > MOTION_WAYPOINT_REAIM) {
            m->ordered_heading = a;
            m->status |= ST_STEER;
            m->steer_sense = 0;
            if (m == player_mobile) OutwardCompassRedraw();
        }
        // Full ahead on a straight course, half ahead while turning.
        ChangeMobileEngine(m, m->helm == MOTION_NEUTRAL ? 4 : 3);
    } else {
        ChangeMobileHelm(m, MOTION_NEUTRAL);
        ChangeMobileEngine(m, MOTION_NEUTRAL);
        m->status &= ~(ST_STEER | ST_GOTO);
    }
}

static void DepthStep(Mobile *m) {
    int32_t done;
    int32_t planes = DepthKeepPlanes(m->ordered_depth, m->y, &done);
    if (done) m->status &= ~ST_DEPTH;
    // The buoyancy byte goes back as stored: depth keeping works the planes only.
    ChangeMobileTrim(m, planes, (m->trim >> 8) & 0xFF);
}

void MoveMobiles() {
    if (!mobile) return;
    uint32_t now = GetTickCount();
    for (int32_t i = 0; i < num_mobiles; i++) {
        Mobile *m = &mobile[i];
        if (!(m->status & ST_ACTIVE)) continue;
        int32_t px = player_mobile ? player_mobile->x : 0;
        int32_t pz = player_mobile ? player_mobile->z : 0;
        m->range = Range(px, pz, m->x, m->z);
        if (m->status & ST_STEER) SteerStep(m);
        if (m->status & ST_GOTO) WaypointStep(m);
        if (m->status & ST_DEPTH) DepthStep(m);

        double dt = MotionDt(now, m->last_move);
        m->last_move = now;
        MotionCoeffs c;
        ShipTypeCoeffs(m->type, &c);
        MotionState s;
        MobileToMotion(m, &s);
        MotionStep(&s, &c, dt);
        MotionToMobile(&s, m);

        px = player_mobile ? player_mobile->x : 0;
        pz = player_mobile ? player_mobile->z : 0;
        m->bearing = AngleFrom(m->x, m->z, px, pz);
    }
}

void SetMobilePosition(Mobile *m, int32_t x, int32_t y, int32_t z, uint16_t pitch, uint16_t heading,
                       uint16_t roll) {
    if (!m) return;
    MotionState s;
    MobileToMotion(m, &s);
    MotionSetPosition(&s, x, y, z, heading);
    MotionToMobile(&s, m);
    m->pitch = pitch;
    m->roll = roll;
    m->pitch_rad = AngleToRadians(pitch);
    m->roll_rad = AngleToRadians(roll);
    if (m->shape) {
        dddMoveTo(m->shape, x, y, z);
        dddRotateTo(m->shape, pitch, heading, roll);
    }
    m->last_move = GetTickCount();
}

int32_t OffsetPosition(int32_t p, int64_t d) {
    int64_t v = (int64_t)p + d;
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : (int32_t)v;
}

void RangePosition(const Mobile *m, int32_t distance, int32_t *east, int32_t *north) {
    if (!m) return;
    double a = (rand() % 1000) * 6.283185307179586 / 1000.0;
    if (east) *east = OffsetPosition(m->x, MotionTrunc32(cos(a) * distance));
    if (north) *north = OffsetPosition(m->z, MotionTrunc32(sin(a) * distance));
}
