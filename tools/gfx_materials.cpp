// gfx_materials.cpp -- the instrument materials: brass, enamel, painted steel, glass, screws
#include "tools/gfx_materials.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

const Col BRASS = Col8(184, 142, 62);
const Col BRASS_LIGHT = Col8(250, 224, 150);
const Col BRASS_DARK = Col8(92, 62, 26);
const Col ENAMEL = Col8(20, 21, 24);
const Col CREAM = Col8(238, 228, 198);
const Col INK = Col8(24, 20, 18);
const Col SIGNAL_RED = Col8(196, 32, 24);
const Col PANEL = Col8(58, 68, 64);
const Col PANEL_DARK = Col8(30, 36, 34);
const Col STEEL = Col8(150, 156, 160);

static const float PI = 3.14159265358979f;

float Noise(float x, float y, int seed) {
    uint32_t h = uint32_t(int(std::floor(x))) * 73856093u ^
                 uint32_t(int(std::floor(y))) * 19349663u ^ uint32_t(seed) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xFFFF) / 32767.5f - 1.f;
}

Shader PanelPaint(float w, float h, Col base) {
    return [=](float x, float y) {
        float t = 1.08f - 0.16f * (x / w * 0.4f + y / h * 0.6f);
        float n = 0.015f * Noise(x * 0.25f, y * 0.25f, 7);
        return Solid(ColScale(base, t + n));
    };
}

Shader BrassPlate(float x0, float y0, float x1, float y1) {
    return [=](float x, float y) {
        float t = ((x - x0) / (x1 - x0 + 1e-3f) + (y - y0) / (y1 - y0 + 1e-3f)) * 0.5f;
        float streak = 0.04f * Noise(0, y * 2.f, 3) + 0.02f * Noise(x * 0.05f, y * 2.f, 4);
        Col c = t < 0.5f ? ColMix(BRASS_LIGHT, BRASS, t * 2)
                         : ColMix(BRASS, BRASS_DARK, (t - 0.5f) * 1.6f);
        return Solid(ColScale(c, 1 + streak));
    };
}

void Bezel(Canvas &c, float cx, float cy, float r0, float r1) {
    // Drop shadow on the panel, then the bevelled ring.
    c.FillRing(cx + r1 * 0.02f, cy + r1 * 0.03f, r1 * 0.98f, r1 + 3, Flat(Col8(0, 0, 0), 0.35f));
    float mid = (r0 + r1) * 0.5f;
    c.FillRing(cx, cy, r0, r1, [=](float x, float y) {
        float dx = x - cx, dy = y - cy, r = std::sqrt(dx * dx + dy * dy) + 1e-3f;
        // Light from the top left; the outer slope faces it, the inner slope faces away.
        float facing = (-dx - dy) / (r * 1.4142f);
        float slope = r > mid ? 1.f : -0.8f;
        float crest = 1.f - std::fabs(r - mid) / ((r1 - r0) * 0.5f);
        float k = 0.5f + 0.42f * facing * slope + 0.18f * crest * crest;
        float ringlets = 0.03f * std::sin(r * 2.1f);
        k = std::clamp(k + ringlets, 0.f, 1.f);
        Col col = k < 0.5f ? ColMix(BRASS_DARK, BRASS, k * 2)
                           : ColMix(BRASS, BRASS_LIGHT, (k - 0.5f) * 2);
        return Solid(col);
    });
    // Fine dark lips at both edges.
    c.FillRing(cx, cy, r1 - 1.2f, r1, Flat(BRASS_DARK, 0.7f));
    c.FillRing(cx, cy, r0, r0 + 1.5f, Flat(Col8(40, 28, 12), 0.9f));
}

void EnamelFace(Canvas &c, float cx, float cy, float r, Col base) {
    c.FillDisc(cx, cy, r, [=](float x, float y) {
        float dx = (x - cx) / r, dy = (y - cy) / r;
        float d = std::sqrt(dx * dx + dy * dy);
        float k = 1.15f - 0.35f * d;
        // Gloss: a faint crescent near the top left.
        float g = std::max(0.f, 1.f - std::hypot(dx + 0.35f, dy + 0.45f) / 0.55f);
        Col col = ColScale(base, k);
        col = ColMix(col, Col8(70, 74, 82), g * g * 0.35f);
        return Solid(col);
    });
    // Inner shadow under the bezel.
    c.FillRing(cx, cy, r - r * 0.05f, r, Flat(Col8(0, 0, 0), 0.45f));
}

void CreamFace(Canvas &c, float cx, float cy, float r) {
    c.FillDisc(cx, cy, r, [=](float x, float y) {
        float dx = (x - cx) / r, dy = (y - cy) / r;
        float d = std::sqrt(dx * dx + dy * dy);
        float k = 1.02f - 0.10f * d * d;
        return Solid(ColScale(CREAM, k));
    });
    c.FillRing(cx, cy, r - r * 0.035f, r, Flat(Col8(60, 46, 24), 0.35f));
}

void Screw(Canvas &c, float cx, float cy, float r, float slot_deg) {
    c.FillDisc(cx + r * 0.15f, cy + r * 0.2f, r * 1.1f, Flat(Col8(0, 0, 0), 0.4f));
    c.FillDisc(cx, cy, r, [=](float x, float y) {
        float k = 0.75f - 0.35f * ((x - cx) + (y - cy)) / r;
        return Solid(ColScale(Col8(170, 150, 110), std::clamp(k, 0.3f, 1.2f)));
    });
    Pt a = Polar(cx, cy, r * 0.8f, slot_deg), b = Polar(cx, cy, r * 0.8f, slot_deg + 180);
    c.Line(a.x, a.y, b.x, b.y, std::max(1.f, r * 0.28f), Flat(Col8(40, 30, 16)), false);
}

void Tick(Canvas &c, float cx, float cy, float r0, float r1, float deg, float w, Col col) {
    Pt a = Polar(cx, cy, r0, deg), b = Polar(cx, cy, r1, deg);
    c.Line(a.x, a.y, b.x, b.y, w, Flat(col), false);
}

void Glow(Canvas &c, float cx, float cy, float r, Col col, float strength) {
    c.FillDisc(cx, cy, r, [=](float x, float y) {
        float d = std::hypot(x - cx, y - cy) / r;
        float a = strength * std::pow(std::max(0.f, 1 - d), 2.f);
        return Solid(col, a);
    });
}
