// objects.cpp -- scene objects (shapes, cameras, lights, dummies), their tree, and the frame
#include "ddd/ddd_local.h"

#include <string.h>

int32_t x_ratio, y_ratio;
int32_t dddmax_shape_distance = 32000;
uint32_t render_number = 1;
dddObject *object_under_mouse;
dddObject *ddd_draw_list[DDD_MAX_DRAW];
int32_t ddd_draw_count;
dddObject *ddd_light_list[DDD_MAX_LIGHTS];
int32_t ddd_light_count;
int32_t ddd_centre_lights;
int32_t ddd_pick_x = -1, ddd_pick_y = -1;
static dddObject *ddd_camera;

static int32_t IsLight(const dddObject *o) {
    return o && o->type >= 4 && o->type <= 7;
}

dddObject *dddNewObject(int32_t type) {
    dddObject *o = (dddObject *)dddLinkedMemAlloc(sizeof(dddObject));
    if (!o) return nullptr;
    memset(o, 0, sizeof *o);
    o->type = (uint8_t)type;
    o->cache = &o->tc;
    o->tc.fresh = 1;
    dddResolveObject(o, nullptr);
    o->tc.stamp = render_number - 1; // resolved, yet insertable in this frame
    return o;
}

dddObject *dddCreateDummyObject(void) {
    return dddNewObject(DDD_DUMMY);
}

dddObject *dddCreateCamera(int32_t cutoff, int32_t perspective_x, int32_t perspective_y) {
    dddObject *o = dddNewObject(DDD_CAMERA);
    if (!o) return nullptr;
    o->param1 = (uint32_t)cutoff;
    o->persp_x = (uint16_t)perspective_x;
    o->persp_y = (uint16_t)perspective_y;
    return o;
}

static int32_t ConeValue(int32_t angle) {
    int64_t c = dddGetCosine(angle);
    return (int32_t)((c * c) / 1024);
}

dddObject *dddCreateLight(int32_t type, int32_t intensity, int32_t cone_angle) {
    if (type <= 3 || type > 7) return nullptr;
    dddLight *l = (dddLight *)dddLinkedMemAlloc(sizeof(dddLight));
    if (!l) return nullptr;
    memset(l, 0, sizeof *l);
    dddObject *o = dddNewObject(type);
    if (!o) {
        DDDLINKEDMEMFREE(l);
        return nullptr;
    }
    o->light = l;
    o->param1 = (uint32_t)intensity;
    o->cone_angle = (uint16_t)cone_angle;
    l->cone = ConeValue(cone_angle);
    return o;
}

static void Unlink(dddObject *o) {
    dddObject *p = o->parent;
    if (!p) return;
    if (o->prev_sibling)
        o->prev_sibling->sibling = o->sibling;
    else
        p->child = o->sibling;
    if (o->sibling) o->sibling->prev_sibling = o->prev_sibling;
    o->parent = o->sibling = o->prev_sibling = nullptr;
    o->name[0] = o->name[1] = 0;
    o->tc.fresh = 1;
}

void dddDestroy(dddObject *o) {
    if (!o) return;
    dddDetach(o);
    dddDetachChildren(o);
    for (int32_t i = 0; i < ddd_draw_count; i++)
        if (ddd_draw_list[i] == o) ddd_draw_list[i] = nullptr;
    for (int32_t i = 0; i < ddd_light_count; i++)
        if (ddd_light_list[i] == o) ddd_light_list[i] = nullptr;
    if (ddd_camera == o) ddd_camera = nullptr;
    if (object_under_mouse == o) object_under_mouse = nullptr;
    if (o->type == DDD_SHAPE && o->shape) {
        DDDDELOCATESHAPE(o->shape);
        DDDLINKEDMEMFREE(o->shape);
    }
    if (o->light) DDDLINKEDMEMFREE(o->light);
    DDDLINKEDMEMFREE(o);
}

void dddMoveTo(dddObject *o, int32_t x, int32_t y, int32_t z) {
    if (o) o->x = x, o->y = y, o->z = z;
}

void dddMoveBy(dddObject *o, int32_t dx, int32_t dy, int32_t dz) {
    if (!o) return;
    o->x = (int32_t)((uint32_t)o->x + (uint32_t)dx);
    o->y = (int32_t)((uint32_t)o->y + (uint32_t)dy);
    o->z = (int32_t)((uint32_t)o->z + (uint32_t)dz);
}

void dddRotateTo(dddObject *o, int32_t a1, int32_t a2, int32_t a3) {
    if (o) o->angle[0] = (uint16_t)a1, o->angle[1] = (uint16_t)a2, o->angle[2] = (uint16_t)a3;
}

void dddRotateBy(dddObject *o, int32_t d1, int32_t d2, int32_t d3) {
    if (!o) return;
    o->angle[0] = (uint16_t)(o->angle[0] + d1);
    o->angle[1] = (uint16_t)(o->angle[1] + d2);
    o->angle[2] = (uint16_t)(o->angle[2] + d3);
}

int32_t *dddGetPosition(dddObject *o, int32_t *out) {
    static int32_t buffer[3];
    if (!out) out = buffer;
    if (o) out[0] = o->x, out[1] = o->y, out[2] = o->z;
    return out;
}

uint16_t *dddGetAngles(dddObject *o, uint16_t *out) {
    static uint16_t buffer[3];
    if (!out) out = buffer;
    if (o) memcpy(out, o->angle, sizeof o->angle);
    return out;
}

int32_t *dddGetAbsPos(dddObject *o, int32_t *out) {
    static int32_t buffer[3];
    if (!out) out = buffer;
    if (!o) return out;
    if (!o->parent) return dddGetPosition(o, out);
    dddTransform *t = dddResolveObject(o, nullptr);
    memcpy(out, t->world, sizeof t->world);
    return out;
}

uint16_t *dddGetAbsAng(dddObject *o, uint16_t *out) {
    static uint16_t buffer[3];
    if (!out) out = buffer;
    if (!o) return out;
    if (!o->parent) return dddGetAngles(o, out);
    const int32_t *m = dddResolveObject(o, nullptr)->wmat;
    // m12 = sin a, m02 = cos a sin b, m22 = cos a cos b, m10 = -cos a sin c, m11 = cos a cos c.
    int64_t cos_a = dddSquareRoot((uint32_t)((int64_t)m[2] * m[2] + (int64_t)m[8] * m[8]));
    out[0] = (uint16_t)dddAtan(m[5], (int32_t)cos_a);
    out[1] = (uint16_t)dddAtan(m[2], m[8]);
    out[2] = (uint16_t)dddAtan(-m[3], m[4]);
    return out;
}

int32_t dddSetShapeFlags(dddObject *o, int32_t flags) {
    if (!o || o->type != DDD_SHAPE) return DDD_ERROR;
    o->param1 = (uint32_t)flags;
    return 0;
}

int32_t dddGetShapeFlags(dddObject *o) {
    return (!o || o->type != DDD_SHAPE) ? DDD_ERROR : (int32_t)o->param1;
}

int32_t dddSetCameraCutoff(dddObject *o, int32_t cutoff) {
    if (!o || o->type != DDD_CAMERA) return DDD_ERROR;
    o->param1 = (uint32_t)cutoff;
    return 0;
}

int32_t dddGetCameraCutoff(dddObject *o) {
    return (!o || o->type != DDD_CAMERA) ? DDD_ERROR : (int32_t)o->param1;
}

int32_t dddSetCameraPerspectiveX(dddObject *o, int32_t value) {
    if (!o || o->type != DDD_CAMERA) return DDD_ERROR;
    o->persp_x = (uint16_t)value;
    return 0;
}

int32_t dddSetCameraPerspectiveY(dddObject *o, int32_t value) {
    if (!o || o->type != DDD_CAMERA) return DDD_ERROR;
    o->persp_y = (uint16_t)value;
    return 0;
}

int32_t dddGetCameraPerspectiveY(dddObject *o) {
    return (!o || o->type != DDD_CAMERA) ? DDD_ERROR : o->persp_y;
}

int32_t dddSetLightIntensity(dddObject *o, int32_t intensity) {
    if (!IsLight(o)) return DDD_ERROR;
    o->param1 = (uint32_t)intensity;
    return 0;
}

int32_t dddGetLightIntensity(dddObject *o) {
    return IsLight(o) ? (int32_t)o->param1 : DDD_ERROR;
}

int32_t dddSetLightConeAngle(dddObject *o, int32_t angle) {
    if (!IsLight(o)) return DDD_ERROR;
    o->cone_angle = (uint16_t)angle;
    if (o->light) o->light->cone = ConeValue(angle);
    return 0;
}

int32_t dddGetLightConeAngle(dddObject *o) {
    return IsLight(o) ? o->cone_angle : DDD_ERROR;
}
int32_t dddGetLightType(dddObject *o) {
    return IsLight(o) ? o->type : DDD_ERROR;
}

int32_t dddSetRenderMethod(dddObject *o, int32_t method) {
    if (!o) return DDD_ERROR;
    o->render = (uint8_t)(method >> 8);
    return 0;
}

int32_t dddGetRenderMethod(dddObject *o) {
    return o ? (int32_t)o->render << 8 : DDD_ERROR;
}

// Packs a part name into two words; -1 when it is too long.
static int32_t PackName(const char *name, uint32_t *out) {
    char buf[8] = {0};
    size_t n = name ? strlen(name) : 0;
    if (n > 8) return -1;
    if (n) memcpy(buf, name, n);
    memcpy(out, buf, 8);
    return 0;
}

static dddObject *FindChild(dddObject *parent, const uint32_t *name) {
    for (dddObject *c = parent->child; c; c = c->sibling)
        if (c->name[0] == name[0] && c->name[1] == name[1]) return c;
    return nullptr;
}

int32_t dddAttach(dddObject *o, dddObject *parent, const char *name, int32_t x, int32_t y,
                  int32_t z, int32_t a1, int32_t a2, int32_t a3) {
    uint32_t packed[2];
    if (!o || !parent || o->parent || PackName(name, packed) < 0) return DDD_ERROR;
    if (name && strcmp(name, "PARENT") == 0) return DDD_ERROR;
    if (FindChild(parent, packed)) return DDD_ERROR;
    for (dddObject *p = parent; p; p = p->parent)
        if (p == o) return DDD_ERROR; // would make a loop
    o->parent = parent;
    o->name[0] = packed[0], o->name[1] = packed[1];
    o->prev_sibling = nullptr;
    o->sibling = parent->child;
    if (parent->child) parent->child->prev_sibling = o;
    parent->child = o;
    dddMoveTo(o, x, y, z);
    dddRotateTo(o, a1, a2, a3);
    o->tc.fresh = 1;
    return 0;
}

void dddDetach(dddObject *o) {
    if (!o || !o->parent) return;
    int32_t pos[3] = {0, 0, 0};
    uint16_t ang[3] = {0, 0, 0};
    dddGetAbsPos(o, pos);
    dddGetAbsAng(o, ang);
    Unlink(o);
    dddMoveTo(o, pos[0], pos[1], pos[2]);
    dddRotateTo(o, ang[0], ang[1], ang[2]);
}

void dddDetachChildren(dddObject *o) {
    if (!o) return;
    while (o->child)
        dddDetach(o->child);
}

dddObject *dddPart(dddObject *o, const char *path) {
    if (!o || !path) return nullptr;
    const char *p = path;
    while (o) {
        const char *end = strchr(p, '>');
        size_t n = end ? (size_t)(end - p) : strlen(p);
        char part[16];
        if (n > 8) return nullptr;
        memcpy(part, p, n);
        part[n] = 0;
        if (strcmp(part, "PARENT") == 0) {
            o = o->parent;
        } else {
            uint32_t packed[2];
            PackName(part, packed);
            o = FindChild(o, packed);
        }
        if (!end) return o;
        p = end + 1;
    }
    return nullptr;
}

void dddClearObjects(void) {
    ddd_draw_count = 0;
    ddd_light_count = 0;
    ddd_centre_lights = 0;
    ddd_camera = nullptr;
    render_number++;
}

static void Insert(dddObject *o, int32_t depth) {
    int32_t changed;
    if (!o || depth > 64) return;
    dddResolveObject(o, &changed);
    if (!changed) return;
    if (ddd_draw_count < DDD_MAX_DRAW) ddd_draw_list[ddd_draw_count++] = o;
    if (IsLight(o) && ddd_light_count < DDD_MAX_LIGHTS) {
        ddd_light_list[ddd_light_count++] = o;
        if (o->type >= 6) ddd_centre_lights = 1;
    }
    for (dddObject *c = o->child; c; c = c->sibling)
        Insert(c, depth + 1);
}

void dddInsertObject(dddObject *o) {
    Insert(o, 0);
}

int32_t *dddSelectCamera(dddObject *camera) {
    if (!camera || camera->type != DDD_CAMERA) return DDD_BADREF;
    ddd_camera = camera;
    int32_t *m = dddSetView(camera, nullptr, nullptr);
    dddmax_shape_distance = (int32_t)camera->param1;
    // A zero perspective would divide by zero; it stands for the neutral 100.
    int32_t px = camera->persp_x ? camera->persp_x : 100;
    int32_t py = camera->persp_y ? camera->persp_y : 100;
    x_ratio = (int32_t)((int64_t)dddscreen_width * 25600 / ((int64_t)px * 320));
    y_ratio = (int32_t)((int64_t)dddscreen_depth * 25600 / ((int64_t)py * 200));
    render_number++;
    return m;
}

int32_t dddDrawObjects(void) {
    if (!ddd_camera) {
        dddSetView(nullptr, nullptr, nullptr);
        dddmax_shape_distance = 32000;
        x_ratio = dddscreen_width * 256 / 320;
        y_ratio = dddscreen_depth * 256 / 200;
    }
    render_number++;
    int32_t count = 0;
    int32_t zbuffer_switch = ddd_zbuffer_on;
    object_under_mouse = nullptr;
    for (int32_t i = ddd_light_count - 1; i >= 0; i--) {
        if (!ddd_light_list[i]) continue;
        DDDSETL2VPOSITION(ddd_light_list[i]);
        DDDSETL2VVECTOR(ddd_light_list[i]);
    }
    for (int32_t i = 0; i < ddd_draw_count; i++) {
        dddObject *o = ddd_draw_list[i];
        if (!o || (o->type & 1) == 0) continue;
        int32_t r = o->render, mode = 0;
        if (!(r & 0x02) || !dddzbufferptr) mode += 16;
        if (r & 0x01) mode += (r & 0x10) ? 32 : (r & 0x20) ? 64 : 0;
        if (r & 0xC0) mode += 128;
        ddd_zbuffer_on = (mode & 16) == 0;
        ddd_mode = mode;
        if (r & 0x01) {
            if (DDDDRAWOBJECT(o)) count++;
        } else if (mode == 0) {
            if (DDDDRAWOBJECTTOZBUFFER(o)) count++;
        }
    }
    // The switch also decides later screens' depth buffers: leave it as the caller set it.
    ddd_zbuffer_on = zbuffer_switch;
    render_number++;
    return count;
}

void dddSetRetrievedObjectPos(int32_t x, int32_t y) {
    ddd_pick_x = x;
    ddd_pick_y = y;
}

dddObject *dddGetRetrievedObject(void) {
    return object_under_mouse;
}
