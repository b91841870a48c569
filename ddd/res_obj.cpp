// res_obj.cpp -- resolving an object's world transform through its parents, and the view
#include "ddd/ddd_local.h"

#include <string.h>

int32_t dddviewer[3];
int32_t vmat[9] = {32767, 0, 0, 0, 32767, 0, 0, 0, 32767};
uint32_t ddd_next_version = 1;

static const int32_t identity[9] = {32767, 0, 0, 0, 32767, 0, 0, 0, 32767};

static int32_t AnglesDiffer(const dddObject *o, const dddTransform *t) {
    return o->angle[0] != t->angles[0] || o->angle[1] != t->angles[1] ||
           o->angle[2] != t->angles[2];
}

static void CacheAngles(const dddObject *o, dddTransform *t) {
    memcpy(t->angles, o->angle, sizeof t->angles);
    DDDORIENTATION(t->omat, o->angle[0], o->angle[1], o->angle[2]);
}

dddTransform *dddResolveObject(dddObject *o, int32_t *changed) {
    int32_t dummy;
    if (!changed) changed = &dummy;
    *changed = 0;
    if (!o) return nullptr;
    dddTransform *t = &o->tc;
    o->cache = t;
    if (!t->fresh && t->stamp == render_number) return t;
    int32_t fresh = t->fresh;
    int32_t own_angles = fresh || AnglesDiffer(o, t);
    int32_t own_pos = fresh || t->pos[0] != o->x || t->pos[1] != o->y || t->pos[2] != o->z;
    int32_t moved = 0;
    if (own_angles) CacheAngles(o, t);
    if (!o->parent) {
        if (own_angles) memcpy(t->wmat, t->omat, sizeof t->wmat);
        if (own_pos) t->world[0] = o->x, t->world[1] = o->y, t->world[2] = o->z;
        moved = own_angles || own_pos;
    } else {
        // Stamp first so that a damaged tree can't recurse back into this object.
        t->stamp = render_number;
        t->fresh = 0;
        dddTransform *p = dddResolveObject(o->parent, nullptr);
        int32_t parent_moved = fresh || p->version != t->parent_version;
        if (parent_moved || own_pos) {
            int64_t x = 2 * (int64_t)o->x, y = 2 * (int64_t)o->y, z = 2 * (int64_t)o->z;
            const int32_t *m = p->wmat;
            t->world[0] = (int32_t)(p->world[0] + ((m[0] * x + m[1] * y + m[2] * z) >> 16));
            t->world[1] = (int32_t)(p->world[1] + ((m[3] * x + m[4] * y + m[5] * z) >> 16));
            t->world[2] = (int32_t)(p->world[2] + ((m[6] * x + m[7] * y + m[8] * z) >> 16));
        }
        if (parent_moved || own_angles) DDDMATMUL(p->wmat, t->omat, t->wmat);
        t->parent_version = p->version;
        moved = parent_moved || own_pos || own_angles;
    }
    t->pos[0] = o->x, t->pos[1] = o->y, t->pos[2] = o->z;
    if (moved) t->version = ddd_next_version++;
    t->stamp = render_number;
    t->fresh = 0;
    *changed = 1;
    return t;
}

int32_t *dddSetView(dddObject *object, const int32_t *offset, const uint16_t *angles) {
    int32_t m[9];
    if (object) {
        dddTransform *t = dddResolveObject(object, nullptr);
        for (int32_t i = 0; i < 3; i++) {
            int64_t d = 0;
            if (offset)
                d = ((int64_t)t->wmat[i * 3] * offset[0] + (int64_t)t->wmat[i * 3 + 1] * offset[1] +
                     (int64_t)t->wmat[i * 3 + 2] * offset[2]) >>
                    16;
            dddviewer[i] = (int32_t)(t->world[i] + d);
        }
        if (angles) {
            int32_t r[9];
            DDDORIENTATION(r, angles[0], angles[1], angles[2]);
            DDDMATMUL(t->wmat, r, m);
        } else {
            memcpy(m, t->wmat, sizeof m);
        }
    } else {
        for (int32_t i = 0; i < 3; i++)
            dddviewer[i] = offset ? offset[i] : 0;
        if (angles)
            DDDORIENTATION(m, angles[0], angles[1], angles[2]);
        else
            memcpy(m, identity, sizeof m);
    }
    for (int32_t i = 0; i < 3; i++)
        for (int32_t j = 0; j < 3; j++)
            vmat[i * 3 + j] = m[j * 3 + i];
    return vmat;
}
