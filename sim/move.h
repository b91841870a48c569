// move.h -- dead reckoning of every active mobile, automatic steering and depth keeping
#pragma once

#include <cstdint>

#include "common/motion.h"
#include "sim/mobile.h"

void MoveMobiles();
// One movement step for every active mobile: ranges and bearings from the own ship, the
// automatic controls, then the movement model over the ticks elapsed since its last step.

void ChangeMobileHelm(Mobile *m, int32_t helm);
// Gives a rudder order: for the own ship through ChangePlayerHelm (checked and reported to the
// server), for any other mobile stored as it is.

void ChangeMobileTrim(Mobile *m, int32_t planes, int32_t buoyancy);
// Gives a planes and buoyancy order the same way (trim = buoyancy x 256 + planes).

void ChangeMobileEngine(Mobile *m, int32_t engine);
// Gives an engine order the same way.

void SetMobilePosition(Mobile *m, int32_t x, int32_t y, int32_t z, uint16_t pitch, uint16_t heading,
                       uint16_t roll);
// A position fix: whole and fractional position, attitude in both forms, the shape placed; the
// next step integrates only the time after it. Velocity and orders are left alone. Null is ignored.

void RangePosition(const Mobile *m, int32_t distance, int32_t *east, int32_t *north);
// A point `distance` away from the mobile in a random direction.

int32_t OffsetPosition(int32_t p, int64_t d);
// A world coordinate moved by d, held at the edge of the 32-bit world: the server may place a
// ship anywhere in it, and what is drawn or heard beside that ship must not wrap round.

void MobileToMotion(const Mobile *m, MotionState *s);
// The mobile's movement fields as a state of the shared model.

void ShipTypeCoeffs(const ShipTypeEntry *t, MotionCoeffs *c);
// The movement coefficients of a ship-type row.
