// gfx_materials.h -- the instrument materials: brass, enamel, painted steel, glass, screws
#pragma once
#include "tools/gen_canvas.h"

// Palette of the instruments (sRGB).
extern const Col BRASS, BRASS_LIGHT, BRASS_DARK, ENAMEL, CREAM, INK, SIGNAL_RED, PANEL, PANEL_DARK,
    STEEL;

// Deterministic hash noise in [-1, 1] for a sample position.
float Noise(float x, float y, int seed = 0);

// Painted steel panel with a faint mottle and a top-left light.
Shader PanelPaint(float w, float h, Col base = PANEL);
// Brushed brass plate lit from the top left.
Shader BrassPlate(float x0, float y0, float x1, float y1);
// A round bevelled brass bezel between r0 and r1 around (cx, cy).
void Bezel(Canvas &c, float cx, float cy, float r0, float r1);
// Black enamel dial face with a soft gloss.
void EnamelFace(Canvas &c, float cx, float cy, float r, Col base = ENAMEL);
// Cream enamel face (telegraph, paper-like dials).
void CreamFace(Canvas &c, float cx, float cy, float r);
// A slotted screw head.
void Screw(Canvas &c, float cx, float cy, float r, float slot_deg);
// Radial tick from r0 to r1 at angle deg (clockwise from up).
void Tick(Canvas &c, float cx, float cy, float r0, float r1, float deg, float w, Col col);
// Soft radial glow (additive look) of the given colour.
void Glow(Canvas &c, float cx, float cy, float r, Col col, float strength);
