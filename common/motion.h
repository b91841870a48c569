// motion.h -- the movement model, bearings and ranges that client and server share bit for bit
#pragma once

#include <stdint.h>

// Order limits of the model: engine, helm and planes orders run 0 to 4, 2 being the neutral one.
#define MOTION_ORDERS 5
#define MOTION_NEUTRAL 2
#define MOTION_TIME_UNIT 500.0 // milliseconds per unit of dt
#define MOTION_TURN 0.1
#define MOTION_DEPTH_MIN 0.0
#define MOTION_DEPTH_MAX 250.0
#define MOTION_WAYPOINT_ARRIVAL 300
#define MOTION_WAYPOINT_REAIM 0x100
#define MOTION_STEER_DEAD_BAND 0x50
#define MOTION_STEER_SMALL 0x400
#define MOTION_DEPTH_BAND 3
#define MOTION_DEPTH_COARSE 50
#define MOTION_VELOCITY_SCALE 128.0
#define MOTION_COEFF_SCALE 10000.0

// The coefficients of one ship class, as the server's ship-type line gives them.
struct MotionCoeffs {
    double speed_table[MOTION_ORDERS]; // drive force by engine order
    double turn_table[MOTION_ORDERS];  // turn factor by helm order
    double drag;
    double dive_table[MOTION_ORDERS]; // vertical force by planes order
    double submerged;                 // factor on drive and turning while below the surface
};

// The part of a ship that one movement step reads and writes.
struct MotionState {
    int32_t engine, helm, trim; // trim: planes in the low byte, buoyancy + 128 in the next
    double vx, vy, vz;          // world units per 500 ms
    double fx, fy, fz;          // position with fractions
    int32_t x, y, z;            // position, truncated from fx, fy, fz
    uint16_t heading;
    double heading_rad; // not wrapped into one turn
    int32_t speed;      // speed through the water before the last step, truncated
};

// Saturating truncation toward zero: NaN gives 0, values beyond the range give its ends.
int32_t MotionTrunc32(double v);

// Whole distance between two points of the horizontal plane (0 for points closer than 0.001).
int32_t Range(int32_t x1, int32_t z1, int32_t x2, int32_t z2);

// Bearing of the point (x1, z1) as seen from (x2, z2), as a 16-bit angle; equal points give 0x4000.
uint16_t AngleFrom(int32_t x1, int32_t z1, int32_t x2, int32_t z2);

// Whole degrees 0 to 360 of a 16-bit angle (0xFFFF gives 360).
uint32_t Degrees(uint16_t angle);

// Whole degrees -180 to 179 of a 16-bit angle.
int32_t PlusMinusAngle(uint16_t angle);

// 16-bit angle to radians (angle x 2pi / 65535).
double AngleToRadians(uint16_t angle);

// Radians to a 16-bit angle: the low 16 bits of trunc(rad x 65535 / 2pi).
uint16_t RadiansToAngle(double rad);

// Rudder order 0 to 4 that turns heading towards ordered; *sense is the sign of the last turn
// ordered, read and written, so that a change of direction first passes through amidships.
int32_t Steer(uint16_t ordered, uint16_t heading, int32_t *sense);

// The helm automatic steering gives: Steer's order, reversed when the engine is stopped or astern.
int32_t SteerHelm(uint16_t ordered, uint16_t heading, int32_t *sense, int32_t engine);

// Planes order 0 to 4 that depth keeping gives at depth y for ordered_depth; *done is set to 1
// when the ordered depth is reached (depth keeping ends), else 0.
int32_t DepthKeepPlanes(int32_t ordered_depth, int32_t y, int32_t *done);

// Absolute difference of two 16-bit angles the way waypoint steering measures it
// (a difference above 0x8000 becomes 0xFFFF minus it).
uint32_t WaypointAngleDiff(uint16_t a, uint16_t b);

// Elapsed time unit of a step from last to now (ticks compared by unsigned difference).
double MotionDt(uint32_t now, uint32_t last);

// Puts a ship at a fixed position and heading: whole and fractional position alike, heading in
// both forms. Velocity and orders are left as they are.
void MotionSetPosition(MotionState *s, int32_t x, int32_t y, int32_t z, uint16_t heading);

// One integration step of dt time units: forces from the orders and c, velocity, position,
// depth limits, turning, truncation and speed. A null c (no coefficients yet) gives no force.
void MotionStep(MotionState *s, const MotionCoeffs *c, double dt);

// Velocity to its 32-bit wire value (x 128, truncated toward zero) and back (/ 128.0).
uint32_t VelocityToWire(double v);
double VelocityFromWire(uint32_t w);

// Ship-type coefficient to its 32-bit wire value (x 10000, truncated toward zero) and back.
uint32_t CoeffToWire(double v);
double CoeffFromWire(uint32_t w);
