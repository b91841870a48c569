// srv_combat.cpp -- gunnery and depth charges as the world judges them
#include "server/srv_world_local.h"
#include "server/srv_log.h"

#include <cinttypes>

#define DC_TELL_RANGE 1500
#define DC_TELL_MS 8000

bool CombatGun(World *w, WShip *shooter, WShip *target) {
    const ShipClass *k = ShipClassOfRow(shooter->row);
    int32_t r = Range(shooter->m.x, shooter->m.z, target->m.x, target->m.z);
    // The chance of a hit falls from 75 % at point-blank range to 15 % at the gun's reach; a
    // submerged target cannot be hit at all.
    bool hit = false;
    if (target->m.y <= 2 && r <= k->gun_range && k->gun_range > 0) {
        int chance = 75 - 60 * r / k->gun_range;
        hit = WorldRandom(w, 100) < chance;
    }
    if (hit) {
        std::string line = WorldWeaponLine(shooter->id, target->id, GUN_HIT, 0, shooter->m.heading,
                                           target->m.x, target->m.z);
        WorldSendNear(w, target->m.x, target->m.z, line);
        WorldDamage(w, target, shooter, GUN_DAMAGE);
    } else {
        // The splash lands near the target, short or over.
        int32_t mx = target->m.x + WorldRandom(w, 401) - 200;
        int32_t mz = target->m.z + WorldRandom(w, 401) - 200;
        std::string line =
            WorldWeaponLine(shooter->id, target->id, GUN_MISS, 0, shooter->m.heading, mx, mz);
        WorldSendNear(w, mx, mz, line);
    }
    return hit;
}

void CombatDropCharges(World *w, WShip *launcher, int setting, int32_t x, int32_t z) {
    DepthCharge d;
    d.launcher = launcher->id;
    d.x = x;
    d.z = z;
    d.setting = setting;
    d.heading = launcher->m.heading;
    double speed = w->cfg->dc_sink_speed > 0 ? w->cfg->dc_sink_speed : 25.0;
    d.explodes = w->now + (uint32_t)(setting / speed * 1000.0);
    w->charges.push_back(d);
    // The others nearby hear the splash; the launcher knows what it did.
    std::string line =
        WorldWeaponLine(launcher->id, launcher->id, DC_LAUNCH, setting, launcher->m.heading, x, z);
    for (auto &up : w->ships) {
        WShip *p = up.get();
        if (p->dead || !p->player || p == launcher) continue;
        if (Range(p->m.x, p->m.z, x, z) < AREA_LEAVE) WorldSendTo(w, p->player, line);
    }
}

static void CombatExplode(World *w, const DepthCharge &d) {
    WShip *launcher = WorldFind(w, d.launcher);
    bool any = false;
    for (size_t i = 0; i < w->ships.size(); i++) {
        WShip *s = w->ships[i].get();
        if (s->dead || s->row != ROW_SUBMARINE || s->id == d.launcher) continue;
        if (Range(s->m.x, s->m.z, d.x, d.z) > DC_RADIUS) continue;
        int dy = s->m.y - d.setting;
        if (dy < -DC_DEPTH_BAND || dy > DC_DEPTH_BAND) continue;
        any = true;
        LogDebug("depth charges of %" PRIx32 " hit %" PRIx32, d.launcher, s->id);
        WorldSendNear(w, d.x, d.z,
                      WorldWeaponLine(d.launcher, s->id, DC_HIT, d.setting, d.heading, d.x, d.z));
        WorldDamage(w, s, launcher, DC_DAMAGE);
    }
    if (!any)
        WorldSendNear(
            w, d.x, d.z,
            WorldWeaponLine(d.launcher, d.launcher, DC_MISS, d.setting, d.heading, d.x, d.z));
    // Captains near the blast hear it through the hull; a pattern is one report, not four.
    for (auto &up : w->ships) {
        WShip *p = up.get();
        if (p->dead || !p->player || p->id == d.launcher) continue;
        if (Range(p->m.x, p->m.z, d.x, d.z) > DC_TELL_RANGE) continue;
        if ((int32_t)(w->now - p->next_dc_told) < 0) continue;
        p->next_dc_told = w->now + DC_TELL_MS;
        WorldSendText(w, p->player, "Depth charges exploding nearby!");
    }
}

void CombatStepCharges(World *w) {
    for (size_t i = 0; i < w->charges.size();) {
        if ((int32_t)(w->now - w->charges[i].explodes) >= 0) {
            DepthCharge d = w->charges[i];
            w->charges[i] = w->charges.back();
            w->charges.pop_back();
            CombatExplode(w, d);
        } else {
            i++;
        }
    }
}
