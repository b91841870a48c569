// dial.h -- angle and dial helpers shared by the instruments, and the bridge's sky and graticule
#pragma once

#include <cstdint>

#include "common/motion.h" // AngleFrom, Degrees, PlusMinusAngle
#include "ddd/ddd.h"

enum { CIRCLE_STEPS = 256, CIRCLE_SCALE = 256 };

// Unit circle by the high byte of a 16-bit angle, scaled by 256, y pointing up:
// entry 0 is (0, 256) (north), entry 64 is (256, 0) (east).
extern int32_t circle_dx[CIRCLE_STEPS];
extern int32_t circle_dy[CIRCLE_STEPS];

void InitializeCircle();
// Fills circle_dx and circle_dy.

void uppercase(char *text);
// Turns the text into capitals in place.

void DrawHorizon(dddScreen *screen, int32_t sky, int32_t sea);
// Paints the whole memory screen: eight bands of sky colours from `sky` thinning towards the
// horizon, then eight bands of sea colours from `sea` thickening downwards.

void DrawCrossHairs(dddScreen *screen);
// Draws the periscope graticule in colour 0: a top and a right-hand scale with long ticks every
// fourth, and dotted lines through the centre.
