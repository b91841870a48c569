// hits.cpp -- the hit test of the own torpedoes and what the ship's sensors perceive
#include "sim/hits.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "media/sfx.h"
#include "platform/platform.h"
#include "shell/debug.h"

// Both optics are up until a battle starts and sets them for its depth.
int32_t observer_status = OBS_LOOKOUT;
int32_t observer_use = OBS_LOOKOUT;

static const double TWO_PI = 6.283185307179586;

void RotatePoints(double *xs, double *zs, int32_t count, uint16_t angle) {
    double a = (0xFFFF - angle) * TWO_PI / 65535.0;
    double c = cos(a), s = sin(a);
    for (int32_t i = 0; i < count; i++) {
        double x = xs[i], z = zs[i];
        xs[i] = c * x - s * z;
        zs[i] = s * x + c * z;
    }
}

Mobile *CheckTorpedoHit(const Mobile *torpedo) {
    if (!mobile || !torpedo) return nullptr;
    for (int32_t i = 0; i < num_mobiles; i++) {
        Mobile *m = &mobile[i];
        if (!(m->status & ST_ACTIVE) || m == torpedo || MobileClass(m) == TORPEDO ||
            m->id == torpedo->owner || m->y > HIT_TORPEDO_DEPTH)
            continue;
        int32_t hl = m->type->length >> 1;
        int32_t hb = m->type->beam >> 1;
        int64_t dx = (int64_t)torpedo->x - m->x;
        int64_t dz = (int64_t)torpedo->z - m->z;
        // Two comparisons reject nearly every ship before any root or rotation.
        if (dx < -hl || dx > hl || dz < -hl || dz > hl) continue;
        if (hl < 0.8 * sqrt((double)(dx * dx + dz * dz))) continue;
        double across = (double)dx, along = (double)dz;
        RotatePoints(&across, &along, 1, (uint16_t)(0xFFFF - m->heading));
        DebugLog("CheckTorpedoHit: %d,%d --> %x (%d,%d)", (int)dx, (int)dz, m->heading, hb, hl);
        if (across < -hb || across > hb || along < -hl || along > hl) continue;
        DebugLog("CheckTorpedoHit: HIT!!!!");
        return m;
    }
    return nullptr;
}

static bool IsEscort(int32_t type) {
    return type == DESTROYER || type == CORVETTE;
}

void CheckMobileVisibility() {
    if (!mobile || !player_mobile) return;
    uint32_t now = GetTickCount();
    int32_t own_type = MobileClass(player_mobile);
    bool escort = IsEscort(own_type);
    bool own_submerged = player_mobile->y > 0;
    for (int32_t i = 0; i < num_mobiles; i++) {
        Mobile *m = &mobile[i];
        if (!(m->status & ST_ACTIVE)) {
            // Not yet placed by the server: its range is stale, so nothing may report it.
            m->contact &= ~(CT_VIEW | CT_PLOT | CT_SONAR | CT_RADAR);
            continue;
        }
        if (m == player_mobile) {
            m->contact = (uint8_t)((m->contact & ~CT_VIEW) | CT_PLOT);
            continue;
        }
        if (MobileClass(m) == TORPEDO) {
            m->contact = (uint8_t)((m->contact | CT_VIEW) & ~CT_PLOT);
            continue;
        }
        uint8_t c = m->contact & ~(CT_VIEW | CT_PLOT | CT_SONAR | CT_RADAR);
        if (own_type == DESTROYER && m->range < VIS_RADAR_RANGE) c |= CT_RADAR;
        if (((observer_status & OBS_LOOKOUT) && m->range < VIS_LOOKOUT_RANGE) ||
            ((observer_status & OBS_PERISCOPE) && m->range < VIS_PERISCOPE_RANGE))
            c |= CT_VIEW | CT_PLOT;
        if (m->y > 0) {
            int32_t hydrophone = own_submerged ? VIS_HYDROPHONE_SUBMERGED : VIS_HYDROPHONE_SURFACED;
            if (m->engine == 2 || m->range > hydrophone) c &= ~CT_PLOT;
            if (escort && m->range < VIS_SONAR_RANGE) {
                int r = rand() % 1000;
                if (r < (m->engine == 2 ? VIS_SONAR_STOPPED : VIS_SONAR_MOVING)) c |= CT_SONAR;
            }
            c &= ~(CT_VIEW | CT_RADAR);
        }
        if (m->range < VIS_NEAR) c &= ~CT_VIEW;
        m->contact = c;
        if (own_submerged && IsEscort(MobileClass(m)) && m->range < VIS_PING_RANGE &&
            (uint32_t)(now - m->last_ping) > VIS_PING_INTERVAL) {
            m->last_ping = now;
            PlaySoundEffect(m->x, m->z, SFX_PING);
        }
    }
}
