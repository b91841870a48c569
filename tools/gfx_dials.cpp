// gfx_dials.cpp -- compass card, depth gauge, engine telegraph and torpedo arc dials
#include "tools/gfx_art.h"
#include "tools/gfx_materials.h"

#include <cmath>
#include <string>

static void PanelWithScrews(Canvas &c, float inset) {
    float w = float(c.width), h = float(c.height);
    c.FillRect(0, 0, w, h, PanelPaint(w, h));
    // A bevelled edge: light top and left, dark bottom and right.
    c.FillRect(0, 0, w, 2, Flat(Col8(255, 255, 255), 0.12f));
    c.FillRect(0, 0, 2, h, Flat(Col8(255, 255, 255), 0.10f));
    c.FillRect(0, h - 2, w, h, Flat(Col8(0, 0, 0), 0.35f));
    c.FillRect(w - 2, 0, w, h, Flat(Col8(0, 0, 0), 0.30f));
    float r = std::max(3.f, w * 0.018f);
    Screw(c, inset, inset, r, 30);
    Screw(c, w - inset, inset, r, 75);
    Screw(c, inset, h - inset, r, 120);
    Screw(c, w - inset, h - inset, r, 10);
}

// The brass boss the needle turns on: three discs, each lit from the top left.
static void PivotBoss(Canvas &c, float cx, float cy, float r0, float r1, float r2) {
    c.FillDisc(cx, cy, r0, Flat(BRASS_DARK));
    c.FillDisc(cx - 1, cy - 1, r1, Flat(BRASS));
    c.FillDisc(cx - 2, cy - 2, r2, Flat(BRASS_LIGHT));
}

// A brass name plate centred on cx between top and bottom, its text engraved.
static void NamePlate(Canvas &c, float cx, float half_w, float top, float bottom, float corner,
                      const char *text, float size, float depth) {
    c.FillRoundRect(cx - half_w, top, cx + half_w, bottom, corner,
                    BrassPlate(cx - half_w, top, cx + half_w, bottom));
    c.Engrave(text, FONT_SANS_COND_BOLD, size, cx, (top + bottom) / 2, INK, BRASS_LIGHT, 0, depth);
}

Canvas ArtCompass() {
    Canvas c(358, 370);
    const float cx = 188, cy = 172;
    PanelWithScrews(c, 11);
    Bezel(c, cx, cy, 148, 167);
    EnamelFace(c, cx, cy, 148);
    Col mark = CREAM, dim = Col8(120, 116, 100);
    // A faint rose under the needle, kept dark so the needle lines stand out.
    for (int i = 0; i < 8; i++) {
        float a = i * 45.f, len = (i % 2) ? 58 : 92, wid = (i % 2) ? 8 : 12;
        Pt tip = Polar(cx, cy, len, a), l = Polar(cx, cy, wid, a - 45),
           r = Polar(cx, cy, wid, a + 45);
        c.FillPolygon({tip, l, {cx, cy}}, Flat(Col8(46, 48, 54)));
        c.FillPolygon({tip, {cx, cy}, r}, Flat(Col8(32, 34, 38)));
    }
    c.FillRing(cx, cy, 99, 100.6f, Flat(dim));
    c.FillRing(cx, cy, 141.5f, 143, Flat(mark));
    for (int d = 0; d < 360; d += 2) {
        float len = d % 10 == 0 ? 15.f : (d % 5 == 0 ? 10.f : 6.f);
        if (d % 2) continue;
        float w = d % 30 == 0 ? 2.6f : (d % 10 == 0 ? 1.9f : 1.1f);
        Tick(c, cx, cy, 142 - len, 142, float(d), w, d % 90 == 0 ? SIGNAL_RED : mark);
    }
    for (int d = 0; d < 360; d += 5)
        if (d % 10 == 5) Tick(c, cx, cy, 132, 142, float(d), 1.4f, mark);
    // Numerals every 30 degrees, upright for reading; cardinal letters larger.
    const char *card[] = {"N", "E", "S", "W"};
    for (int d = 0; d < 360; d += 30) {
        Pt p = Polar(cx, cy, 113, float(d));
        if (d % 90 == 0) {
            Pt q = Polar(cx, cy, 112, float(d));
            c.Engrave(card[d / 90], FONT_SERIF_BOLD, 30, q.x, q.y, d == 0 ? SIGNAL_RED : mark,
                      Col8(0, 0, 0), 0, 1.2f);
        } else {
            c.Engrave(std::to_string(d), FONT_SANS_COND_BOLD, 17, p.x, p.y, mark, Col8(0, 0, 0), 0,
                      1.0f);
        }
    }
    // Intercardinal letters, small.
    const char *inter[] = {"NE", "SE", "SW", "NW"};
    for (int i = 0; i < 4; i++) {
        Pt p = Polar(cx, cy, 82, 45.f + 90 * i);
        c.Text(inter[i], FONT_SANS_COND_BOLD, 12, p.x, p.y, Flat(dim));
    }
    // Pivot boss.
    PivotBoss(c, cx, cy, 9, 7, 3);
    // Maker's plate under the bowl.
    NamePlate(c, cx, 44, 344, 364, 4, "STANDARD COMPASS", 10, 0.7f);
    return c;
}

// Angle (degrees clockwise from up) of depth d metres on the gauge: the needle's table entry.
static float DepthAngle(float d) {
    return (149.f + d * 1280.f / 1500.f) * 360.f / 256.f;
}

Canvas ArtDepthGauge() {
    Canvas c(250, 286);
    const float cx = 124, cy = 138;
    PanelWithScrews(c, 10);
    Bezel(c, cx, cy, 103, 118);
    // A cream face with ink markings: the needles are black and must read at a glance.
    CreamFace(c, cx, cy, 103);
    Col mark = INK;
    // Coloured bands: periscope depth in green, the deep zone in red.
    c.FillSector(cx, cy, 92, 99, DepthAngle(0), DepthAngle(15), Flat(Col8(40, 150, 60)));
    c.FillSector(cx, cy, 92, 99, DepthAngle(200), DepthAngle(250), Flat(SIGNAL_RED));
    c.FillSector(cx, cy, 99, 100.2f, DepthAngle(0), DepthAngle(250), Flat(mark));
    for (int d = 0; d <= 250; d += 5) {
        float len = d % 25 == 0 ? 14.f : 7.f, w = d % 25 == 0 ? 2.4f : 1.2f;
        Tick(c, cx, cy, 100 - len, 100, DepthAngle(float(d)), w, mark);
    }
    for (int d = 0; d <= 250; d += 25) {
        Pt p = Polar(cx, cy, 75, DepthAngle(float(d)));
        c.Text(std::to_string(d), FONT_SANS_COND_BOLD, d >= 100 ? 14.f : 15.f, p.x, p.y,
               Flat(mark));
    }
    c.Text("DEPTH", FONT_SERIF_BOLD, 13, cx, cy + 42, Flat(mark));
    c.Text("METRES", FONT_SANS_COND_BOLD, 10, cx, cy + 58, Flat(Col8(96, 84, 60)));
    PivotBoss(c, cx, cy, 8, 6, 2.5f);
    NamePlate(c, cx, 34, 262, 278, 3, "DEPTH GAUGE", 9, 0.6f);
    return c;
}

Canvas ArtTelegraph(int order) {
    Canvas c(390, 236);
    const float cx = 195, cy = 0, R = 184;
    PanelWithScrews(c, 12);
    // The dial hangs from the top edge: a half disc of cream enamel in a brass rim.
    Bezel(c, cx, cy, R - 16, R);
    CreamFace(c, cx, cy, R - 16);
    const char *top[] = {"FULL", "HALF", "", "HALF", "FULL"};
    const char *bot[] = {"ASTERN", "ASTERN", "STOP", "AHEAD", "AHEAD"};
    const float face = R - 16;
    for (int k = 0; k < 5; k++) {
        float centre = 252.f - 36.f * k;
        // The selected order's sector is lit as though by the telegraph's lamp.
        if (k == order)
            c.FillSector(cx, cy, 53, face - 14, centre - 18, centre + 18,
                         Flat(k < 2 ? Col8(236, 170, 150) : Col8(250, 236, 170), 0.55f));
        Col ink = k < 2 ? Col8(150, 20, 16) : INK;
        Pt p = Polar(cx, cy, 140, centre);
        if (*top[k]) {
            c.Text(top[k], FONT_SANS_COND_BOLD, 15, p.x, p.y - 9, Flat(ink));
            c.Text(bot[k], FONT_SANS_COND_BOLD, 15, p.x, p.y + 9, Flat(ink));
        } else {
            c.Text(bot[k], FONT_SERIF_BOLD, 19, p.x, p.y, Flat(ink));
        }
    }
    // Sector dividers and a scale band.
    for (int k = 0; k <= 5; k++) {
        float a = 270.f - 36.f * k;
        Tick(c, cx, cy, 52, face - 2, a, 2.f, Col8(70, 56, 36));
    }
    c.FillSector(cx, cy, face - 14, face - 12, 90, 270, Flat(Col8(70, 56, 36)));
    c.FillSector(cx, cy, 50, 53, 90, 270, Flat(Col8(70, 56, 36)));
    // The lever: a steel arm with a brass pointer and a black grip.
    float a = 252.f - 36.f * order;
    // It stops short of the labels so the order it points at stays readable.
    Pt tip = Polar(cx, cy, 112, a), base = Polar(cx, cy, 8, a);
    Pt sh = {3, 4};
    c.Line(base.x + sh.x, base.y + sh.y, tip.x + sh.x, tip.y + sh.y, 14,
           Flat(Col8(0, 0, 0), 0.28f));
    c.Line(base.x, base.y, tip.x, tip.y, 12, Flat(Col8(70, 74, 78)));
    c.Line(base.x - 1.5f, base.y - 1.5f, tip.x - 1.5f, tip.y - 1.5f, 4, Flat(Col8(170, 176, 180)));
    Pt p1 = Polar(cx, cy, 104, a - 6), p2 = Polar(cx, cy, 104, a + 6);
    Pt pt = Polar(cx, cy, 124, a);
    c.FillPolygon({p1, pt, p2}, Flat(BRASS));
    c.Line(p1.x, p1.y, pt.x, pt.y, 1.5f, Flat(BRASS_DARK));
    Pt g0 = Polar(cx, cy, 62, a), g1 = Polar(cx, cy, 90, a);
    c.Line(g0.x + sh.x, g0.y + sh.y, g1.x + sh.x, g1.y + sh.y, 22, Flat(Col8(0, 0, 0), 0.3f));
    c.Line(g0.x, g0.y, g1.x, g1.y, 20, Flat(Col8(22, 20, 20)));
    c.Line(g0.x - 3, g0.y - 3, g1.x - 3, g1.y - 3, 4, Flat(Col8(90, 86, 84), 0.8f));
    // Hub.
    c.FillSector(cx, cy, 0, 40, 90, 270, [=](float x, float y) {
        float k = 0.6f + 0.4f * (1 - std::hypot(x - cx + 10, y - 6) / 40.f);
        return Solid(ColMix(BRASS_DARK, BRASS_LIGHT, std::fmin(1.f, std::fmax(0.f, k))));
    });
    c.FillSector(cx, cy, 38, 41, 90, 270, Flat(BRASS_DARK));
    c.FillDisc(cx, 10, 7, Flat(BRASS_DARK));
    c.FillDisc(cx - 1, 9, 4.5f, Flat(BRASS_LIGHT));
    // Name plate.
    NamePlate(c, cx, 52, 206, 226, 4, "ENGINE ROOM", 11, 0.7f);
    return c;
}

Canvas ArtTubeArc(bool beam, bool in_arc) {
    Canvas c(118, 132);
    const float cx = 58, cy = 66;
    c.Clear(Col8(6, 6, 6));
    Bezel(c, cx, cy, 42, 51);
    EnamelFace(c, cx, cy, 42);
    Col lit = Col8(70, 230, 90), unlit = Col8(120, 80, 30);
    std::vector<float> arcs;
    if (beam)
        arcs = {90, 270};
    else
        arcs = {0};
    for (float a : arcs) {
        if (in_arc) {
            c.FillSector(cx, cy, 13, 39, a - 15, a + 15, Flat(Col8(30, 150, 50)));
            c.FillSector(cx, cy, 13, 39, a - 15, a + 15, [=](float x, float y) {
                float d = std::hypot(x - cx, y - cy) / 39.f;
                return Solid(lit, 0.9f * d);
            });
        } else {
            c.FillSector(cx, cy, 13, 39, a - 15, a + 15, Flat(Col8(60, 40, 18)));
        }
        Tick(c, cx, cy, 13, 39, a - 15, 1.4f, in_arc ? lit : unlit);
        Tick(c, cx, cy, 13, 39, a + 15, 1.4f, in_arc ? lit : unlit);
    }
    for (int d = 0; d < 360; d += 30)
        Tick(c, cx, cy, 36, 41, float(d), d % 90 ? 1.f : 2.f, CREAM);
    // Own ship from above, bow up.
    float len = beam ? 15 : 13, wid = beam ? 3.6f : 4.2f;
    std::vector<Pt> hull;
    for (int i = 0; i <= 16; i++) {
        float t = i / 16.f, y = cy - len + 2 * len * t;
        float half = wid * std::sqrt(std::fmax(0.f, std::sin(3.14159f * (0.08f + 0.92f * t))));
        hull.push_back({cx + half, y});
    }
    for (int i = 16; i >= 0; i--)
        hull.push_back({2 * cx - hull[i].x, hull[i].y});
    c.FillPolygon(hull, Flat(Col8(150, 156, 160)));
    c.FillDisc(cx, cy - (beam ? 2 : 1), beam ? 1.8f : 2.2f, Flat(Col8(60, 64, 70)));
    // Lamp window under the dial.
    c.FillRoundRect(cx - 22, 118, cx + 22, 131, 3, Flat(Col8(30, 30, 30)));
    c.Text("IN ARC", FONT_SANS_COND_BOLD, 10, cx, 124.5f,
           Flat(in_arc ? Col8(120, 255, 130) : Col8(70, 70, 64)));
    return c;
}
