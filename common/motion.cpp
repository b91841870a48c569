// motion.cpp -- the movement model, bearings and ranges that client and server share bit for bit
#include "common/motion.h"

#include <math.h>

static const double TWO_PI = 6.283185307179586;

int32_t MotionTrunc32(double v) {
    if (v != v) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return (int32_t)v;
}

int32_t Range(int32_t x1, int32_t z1, int32_t x2, int32_t z2) {
    // 64-bit differences: points at opposite ends of the world must not overflow.
    double dx = (double)((int64_t)x1 - x2);
    double dz = (double)((int64_t)z1 - z2);
    double q = dx * dx + dz * dz;
    if (q < 0.001) return 0;
    return MotionTrunc32(sqrt(q));
}

// trunc(atan(t) x 65535 / 2pi) with the arctangent in single precision, as the dials expect.
static uint32_t AngleK(float t) {
    float a = atanf(t);
    return (uint32_t)(int32_t)((double)a * 65535.0 / TWO_PI);
}

uint16_t AngleFrom(int32_t x1, int32_t z1, int32_t x2, int32_t z2) {
    int64_t dx = (int64_t)x2 - x1;
    int64_t dz = (int64_t)z2 - z1;
    uint32_t r;
    if (dx > 0) {
        if (dz > 0)
            r = 0xC000 - AngleK((float)dz / (float)dx);
        else if (dz < 0)
            r = 0xC000 + AngleK((float)-dz / (float)dx);
        else
            r = 0xC000;
    } else {
        float d = (float)-dx;
        // d = 0 makes the quotient +infinity, whose arctangent is a quarter turn.
        if (dz > 0)
            r = 0x4000 + AngleK((float)dz / d);
        else if (dz < 0)
            r = 0x4000 - AngleK((float)-dz / d);
        else
            r = 0x4000;
    }
    return (uint16_t)r;
}

uint32_t Degrees(uint16_t angle) {
    return (uint32_t)angle * 360u / 65535u;
}

int32_t PlusMinusAngle(uint16_t angle) {
    int32_t d = (int32_t)Degrees(angle);
    return d >= 180 ? d - 360 : d;
}

double AngleToRadians(uint16_t angle) {
    return angle * TWO_PI / 65535.0;
}

uint16_t RadiansToAngle(double rad) {
    double t = trunc(rad * 65535.0 / TWO_PI);
    if (t != t || isinf(t)) return 0;
    // fmod is exact, so this is the low 16 bits of the truncated value for any magnitude.
    double m = fmod(t, 65536.0);
    if (m < 0) m += 65536.0;
    return (uint16_t)(uint32_t)m;
}

int32_t Steer(uint16_t ordered, uint16_t heading, int32_t *sense) {
    uint16_t lo, hi;
    int flip;
    if (ordered < heading) {
        lo = ordered;
        hi = heading;
        flip = 0;
    } else {
        lo = heading;
        hi = ordered;
        flip = 1;
    }
    uint32_t d = (uint16_t)(hi - lo);
    if (d > 0x8000) {
        d = 0xFFFF - d;
        flip = !flip;
    }
    int32_t t = d < MOTION_STEER_DEAD_BAND ? 0 : d < MOTION_STEER_SMALL ? 1 : 2;
    if (flip) t = -t;
    int32_t g = t > 0 ? 1 : t < 0 ? -1 : 0;
    if (*sense != 0 && t != 0 && *sense != g) {
        t = 0;
        g = 0;
    }
    *sense = g;
    return t + 2;
}

int32_t SteerHelm(uint16_t ordered, uint16_t heading, int32_t *sense, int32_t engine) {
    int32_t h = Steer(ordered, heading, sense);
    // Stopped or going astern, the rudder acts the other way.
    return engine < 3 ? 4 - h : h;
}

int32_t DepthKeepPlanes(int32_t ordered_depth, int32_t y, int32_t *done) {
    *done = 0;
    if (ordered_depth <= 0) {
        if (y >= MOTION_DEPTH_COARSE) return 0;
        if (y > 0) return 1;
        *done = 1;
        return 2;
    }
    int64_t e = (int64_t)ordered_depth - y;
    if (e < 0) {
        if (-e < MOTION_DEPTH_BAND) {
            *done = 1;
            return 2;
        }
        return -e < MOTION_DEPTH_COARSE ? 1 : 0;
    }
    if (e < MOTION_DEPTH_BAND) {
        *done = 1;
        return 2;
    }
    return e < MOTION_DEPTH_COARSE ? 3 : 4;
}

uint32_t WaypointAngleDiff(uint16_t a, uint16_t b) {
    int32_t d = (int32_t)a - (int32_t)b;
    uint32_t u = (uint32_t)(d < 0 ? -d : d);
    if (u > 0x8000) u = 0xFFFF - u;
    return u;
}

double MotionDt(uint32_t now, uint32_t last) {
    return (double)(uint32_t)(now - last) / MOTION_TIME_UNIT;
}

void MotionSetPosition(MotionState *s, int32_t x, int32_t y, int32_t z, uint16_t heading) {
    s->x = x;
    s->y = y;
    s->z = z;
    s->fx = x;
    s->fy = y;
    s->fz = z;
    s->heading = heading;
    s->heading_rad = AngleToRadians(heading);
}

// An order outside 0 to 4 selects no table entry and so gives no force.
static double TableEntry(const double *table, int32_t order) {
    return order >= 0 && order < MOTION_ORDERS ? table[order] : 0.0;
}

void MotionStep(MotionState *s, const MotionCoeffs *c, double dt) {
    static const MotionCoeffs none = {};
    if (!c) c = &none;
    double f = s->y > 0 ? c->submerged : 1.0;
    double speed = sqrt(s->vx * s->vx + s->vz * s->vz);
    double h = s->heading_rad;
    double p = TableEntry(c->speed_table, s->engine);
    double d = c->drag;
    double v = TableEntry(c->dive_table, s->trim & 0xFF);
    double b = (double)(((s->trim >> 8) & 0xFF) - 128);

    double ax = sin(h) * f * p - d * s->vx;
    double ay = v * speed - b - d * s->vy;
    double az = cos(h) * f * p - d * s->vz;
    s->vx += dt * ax;
    s->vy += dt * ay;
    s->vz += dt * az;
    s->fx += s->vx * dt;
    s->fy += s->vy * dt;
    s->fz += s->vz * dt;

    if (s->fy < MOTION_DEPTH_MIN)
        s->fy = MOTION_DEPTH_MIN;
    else if (s->fy > MOTION_DEPTH_MAX)
        s->fy = MOTION_DEPTH_MAX;

    if (s->helm != MOTION_NEUTRAL) {
        s->heading_rad += TableEntry(c->turn_table, s->helm) * f * speed * MOTION_TURN * dt;
        s->heading = RadiansToAngle(s->heading_rad);
    }
    s->x = MotionTrunc32(s->fx);
    s->y = MotionTrunc32(s->fy);
    s->z = MotionTrunc32(s->fz);
    s->speed = MotionTrunc32(speed);
}

uint32_t VelocityToWire(double v) {
    return (uint32_t)MotionTrunc32(v * MOTION_VELOCITY_SCALE);
}

double VelocityFromWire(uint32_t w) {
    return (int32_t)w / MOTION_VELOCITY_SCALE;
}

uint32_t CoeffToWire(double v) {
    return (uint32_t)MotionTrunc32(v * MOTION_COEFF_SCALE);
}

double CoeffFromWire(uint32_t w) {
    return (int32_t)w / MOTION_COEFF_SCALE;
}
