// gfx_panels.cpp -- lamps, push buttons, the zoom bar, hit overlays, flags, icons and cursor
#include "tools/gfx_art.h"
#include "tools/gfx_materials.h"

#include <algorithm>
#include <cmath>

Canvas ArtLamp(bool green, bool on) {
    Canvas c(50, 50);
    const float cx = 25, cy = 25;
    c.Clear(Col8(8, 8, 8));
    // Chromed bezel, then the faceted glass.
    c.FillRing(cx, cy, 16, 23, [=](float x, float y) {
        float k =
            0.55f + 0.4f * (-(x - cx) - (y - cy)) / (std::hypot(x - cx, y - cy) + 1e-3f) * 0.7f;
        return Solid(ColScale(Col8(190, 194, 198), std::clamp(k, 0.2f, 1.1f)));
    });
    c.FillRing(cx, cy, 22, 23.5f, Flat(Col8(30, 30, 30)));
    Col dark = green ? Col8(14, 44, 20) : Col8(52, 12, 10);
    Col mid = green ? Col8(40, 200, 70) : Col8(230, 40, 24);
    Col hot = green ? Col8(200, 255, 190) : Col8(255, 210, 160);
    c.FillDisc(cx, cy, 16, [=](float x, float y) {
        float d = std::hypot(x - cx, y - cy) / 16.f;
        if (!on) return Solid(ColScale(dark, 1.2f - 0.5f * d));
        Col col = d < 0.45f ? ColMix(hot, mid, d / 0.45f)
                            : ColMix(mid, ColScale(mid, 0.55f), (d - 0.45f) / 0.55f);
        return Solid(col);
    });
    // Facets of the lens.
    for (int i = 0; i < 12; i++) {
        Pt a = Polar(cx, cy, 6, i * 30.f), b = Polar(cx, cy, 15.5f, i * 30.f);
        c.Line(a.x, a.y, b.x, b.y, 0.8f, Flat(on ? hot : Col8(90, 90, 90), on ? 0.25f : 0.18f),
               false);
    }
    c.FillRing(cx, cy, 6, 6.8f, Flat(on ? hot : Col8(90, 90, 90), 0.25f));
    if (on) Glow(c, cx, cy, 23, mid, 0.35f);
    // Specular highlight.
    c.FillEllipse(cx - 5.5f, cy - 6.5f, 4.5f, 2.8f, Flat(Col8(255, 255, 255), on ? 0.55f : 0.35f));
    return c;
}

// A square push key with a brass rim; face colour by state.
static void Key(Canvas &c, int state, Col lit) {
    float w = float(c.width);
    c.Clear(Col8(6, 6, 6));
    c.FillRoundRect(3, 4, w - 1, w, 12, Flat(Col8(0, 0, 0), 0.6f));
    c.FillRoundRect(2, 2, w - 3, w - 3, 12, BrassPlate(2, 2, w - 3, w - 3));
    if (state == 0) c.FillRoundRect(2, 2, w - 3, w - 3, 12, Flat(Col8(40, 40, 40), 0.55f));
    c.FillRoundRect(9, 9, w - 10, w - 10, 8, Flat(Col8(20, 16, 10)));
    c.FillRoundRect(10, 10, w - 11, w - 11, 7, [=](float x, float y) {
        float t = (x + y) / (2 * w);
        if (state == 0) return Solid(ColMix(Col8(70, 70, 68), Col8(44, 44, 44), t));
        if (state == 1) return Solid(ColMix(Col8(240, 232, 206), Col8(190, 178, 146), t));
        float d = std::hypot(x - w / 2, y - w / 2) / (w * 0.5f);
        return Solid(ColMix(ColMix(Col8(255, 250, 220), lit, 0.3f), lit, std::min(1.f, d)));
    });
    // Gloss along the top edge.
    c.FillRoundRect(14, 12, w - 15, 24, 6, Flat(Col8(255, 255, 255), state == 0 ? 0.05f : 0.18f));
}

static Col IconInk(int state) {
    return state == 0 ? Col8(100, 100, 96) : (state == 1 ? Col8(30, 26, 22) : Col8(40, 24, 6));
}

Canvas ArtOptic(bool periscope, int state) {
    Canvas c(100, 100);
    Key(c, state, Col8(255, 186, 60));
    Col ink = IconInk(state);
    Shader s = Flat(ink);
    if (!periscope) {
        // Binoculars: two barrels joined by a bridge, eyecups at the top.
        for (float x : {33.f, 67.f}) {
            c.FillRoundRect(x - 11, 36, x + 11, 74, 6, s);
            c.FillRoundRect(x - 8, 26, x + 8, 38, 3, s);
            c.FillDisc(x, 74, 11, s);
            c.FillDisc(x, 74, 6.5f, Flat(state == 2 ? Col8(255, 230, 150) : Col8(120, 130, 140)));
        }
        c.FillRect(42, 44, 58, 54, s);
        c.FillDisc(50, 49, 6, s);
    } else {
        // Periscope: a tall tube with its head window at the top and training handles below.
        c.FillRect(45, 20, 55, 74, s);
        c.FillRoundRect(40, 16, 60, 34, 3, s);
        c.FillRect(44, 20, 56, 28, Flat(state == 2 ? Col8(255, 230, 150) : Col8(120, 130, 140)));
        c.FillRoundRect(34, 66, 66, 78, 3, s);
        c.FillRect(22, 69, 78, 75, s);
        c.FillRect(20, 64, 26, 80, s);
        c.FillRect(74, 64, 80, 80, s);
        c.FillRoundRect(42, 78, 58, 86, 2, s);
    }
    if (state == 0) {
        // Unavailable: struck through.
        c.Line(22, 78, 78, 22, 5, Flat(Col8(150, 40, 30), 0.75f));
    }
    return c;
}

Canvas ArtDive(bool on) {
    Canvas c(100, 100);
    c.Clear(Col8(6, 6, 6));
    c.FillRoundRect(3, 4, 99, 100, 12, Flat(Col8(0, 0, 0), 0.6f));
    c.FillRoundRect(2, 2, 97, 97, 12, BrassPlate(2, 2, 97, 97));
    // Guard ring and mushroom button.
    c.FillDisc(50, 50, 40, Flat(Col8(26, 22, 18)));
    c.FillRing(50, 50, 37, 40, Flat(Col8(230, 190, 40)));
    for (int i = 0; i < 12; i++) {
        float a = i * 30.f + 15;
        c.FillSector(50, 50, 37, 40, a - 6, a + 6, Flat(Col8(20, 20, 20)));
    }
    Col red = on ? Col8(255, 60, 36) : Col8(150, 24, 18);
    c.FillDisc(50, 50, 33, [=](float x, float y) {
        float d = std::hypot(x - 44, y - 42) / 40.f;
        Col hi = on ? Col8(255, 200, 160) : Col8(220, 90, 70);
        return Solid(ColMix(hi, ColScale(red, on ? 0.85f : 0.6f), std::min(1.f, d * 1.3f)));
    });
    if (on) Glow(c, 50, 50, 48, Col8(255, 60, 30), 0.3f);
    Col txt = on ? Col8(255, 250, 236) : Col8(236, 210, 196);
    c.Engrave("DIVE", FONT_SANS_BOLD, 17, 50, 44, txt, Col8(60, 0, 0), 0, 1.0f);
    // Down arrow.
    c.FillPolygon({{42, 58}, {58, 58}, {50, 70}}, Flat(txt));
    return c;
}

Canvas ArtMagnifier(int zoom) {
    Canvas c(164, 42);
    c.Clear(Col8(6, 6, 6));
    c.FillRoundRect(0.5f, 0.5f, 163.5f, 41.5f, 8, BrassPlate(0, 0, 164, 42));
    c.FillRoundRect(4, 4, 160, 38, 6, Flat(Col8(20, 20, 22)));
    // Turn buttons at both ends (the station treats 20 design pixels at each end as buttons).
    for (int side = 0; side < 2; side++) {
        float x0 = side ? 124 : 4, x1 = side ? 160 : 40;
        c.FillRoundRect(x0 + 2, 6, x1 - 2, 36, 5, Flat(Col8(60, 62, 66)));
        c.FillRoundRect(x0 + 3, 7, x1 - 3, 20, 4, Flat(Col8(255, 255, 255), 0.10f));
        float m = (x0 + x1) / 2;
        if (side)
            c.FillPolygon({{m - 7, 12}, {m + 9, 21}, {m - 7, 30}}, Flat(CREAM));
        else
            c.FillPolygon({{m + 7, 12}, {m - 9, 21}, {m + 7, 30}}, Flat(CREAM));
    }
    const char *label[] = {"\xC3\x97"
                           "1",
                           "\xC3\x97"
                           "1.5",
                           "\xC3\x97"
                           "3"};
    c.Text(label[zoom], FONT_SANS_COND_BOLD, 16, 72, 21, Flat(Col8(255, 196, 80)));
    for (int k = 0; k < 3; k++) {
        float x = 102 + k * 8.f;
        c.FillDisc(x, 21, 3, Flat(k <= zoom ? Col8(255, 186, 60) : Col8(70, 60, 40)));
    }
    return c;
}

Canvas ArtHitOverlay(bool periscope) {
    const int w = 550, h = 400;
    Canvas c(w, h);
    c.Clear(Col8(0, 0, 0));
    float g = h * 52.f / 50, r = h * 16.f / 25, cx = w / 2.f, cy = h / 2.f, y1 = (h - g) / 2,
          o = g / 6;
    Shader flash = [=](float x, float y) {
        float d = std::hypot(x - cx, (y - cy) * 1.1f) / (h * 0.62f);
        Col col = d < 0.35f ? ColMix(Col8(255, 250, 220), Col8(255, 170, 60), d / 0.35f)
                            : ColMix(Col8(255, 170, 60), Col8(150, 20, 10),
                                     std::min(1.f, (d - 0.35f) / 0.65f));
        return Solid(col);
    };
    if (periscope) {
        c.FillDisc(cx, cy, r, flash);
    } else {
        c.FillEllipse(cx - g / 2 + o, y1 + g / 2, g / 2, g / 2, flash);
        c.FillEllipse(cx - o + g / 2, y1 + g / 2, g / 2, g / 2, flash);
    }
    // Cracks in the glass radiating from the point of impact.
    float ix = cx + w * 0.08f, iy = cy - h * 0.06f;
    for (int i = 0; i < 11; i++) {
        float a = i * 33.f + 7 * Noise(float(i), 1, 5),
              len = h * (0.35f + 0.25f * Noise(float(i), 2, 5));
        Pt p = {ix, iy};
        for (int s = 0; s < 5; s++) {
            Pt q = Polar(p.x, p.y, len / 5, a + 18 * Noise(float(i), float(s), 9));
            c.Line(p.x, p.y, q.x, q.y, 2.2f - s * 0.3f, Flat(Col8(60, 10, 4), 0.8f));
            p = q;
        }
    }
    c.FillRing(ix, iy, 10, 13, Flat(Col8(60, 10, 4), 0.7f));
    c.FillRing(ix, iy, 26, 28, Flat(Col8(60, 10, 4), 0.5f));
    return c;
}

Canvas ArtFlag(bool northland, int size) {
    Canvas c(size, size, size < 64 ? 8 : 4);
    float s = float(size);
    if (northland) {
        // Northland: a white compass star on navy, within a thin white border.
        c.Clear(Col8(22, 44, 104));
        c.FillRing(s / 2, s / 2, 0, 0, Flat(CREAM));
        c.FillRect(s * 0.06f, s * 0.06f, s * 0.94f, s * 0.09f, Flat(Col8(236, 236, 230)));
        c.FillRect(s * 0.06f, s * 0.91f, s * 0.94f, s * 0.94f, Flat(Col8(236, 236, 230)));
        c.FillRect(s * 0.06f, s * 0.06f, s * 0.09f, s * 0.94f, Flat(Col8(236, 236, 230)));
        c.FillRect(s * 0.91f, s * 0.06f, s * 0.94f, s * 0.94f, Flat(Col8(236, 236, 230)));
        float cx = s / 2, cy = s / 2;
        for (int i = 0; i < 8; i++) {
            float a = i * 45.f, len = (i % 2 ? 0.22f : 0.36f) * s, wid = s * 0.07f;
            Pt tip = Polar(cx, cy, len, a), l = Polar(cx, cy, wid, a - 45),
               r = Polar(cx, cy, wid, a + 45);
            c.FillPolygon({tip, l, {cx, cy}, r}, Flat(Col8(240, 240, 234)));
        }
        c.FillDisc(cx, cy, s * 0.06f, Flat(Col8(22, 44, 104)));
    } else {
        // Westland: crimson with a gold band at the hoist and a gold disc in the fly.
        c.Clear(Col8(160, 26, 30));
        c.FillRect(0, 0, s * 0.3f, s, Flat(Col8(232, 186, 52)));
        c.FillRect(s * 0.3f, 0, s * 0.34f, s, Flat(Col8(250, 246, 236)));
        c.FillDisc(s * 0.66f, s * 0.5f, s * 0.18f, Flat(Col8(232, 186, 52)));
        c.FillRing(s * 0.66f, s * 0.5f, s * 0.22f, s * 0.25f, Flat(Col8(232, 186, 52)));
    }
    // A little cloth shading so it reads as a flag, not a tile.
    c.Filter([s](Col col, float x, float) {
        return ColScale(col, 1.0f + 0.06f * std::sin(x / s * 9.4f));
    });
    return c;
}

// The gun-laying reticle shown while dragging in the bridge view.
static void CursorShape(Canvas &c, Col ring, Col edge) {
    float m = 16;
    c.FillRing(m, m, 8, 11.5f, Flat(edge));
    c.FillRing(m, m, 9, 10.5f, Flat(ring));
    for (int i = 0; i < 4; i++) {
        float a = i * 90.f;
        Pt p0 = Polar(m, m, 4, a), p1 = Polar(m, m, 15, a);
        c.Line(p0.x, p0.y, p1.x, p1.y, 3.5f, Flat(edge), false);
        c.Line(p0.x, p0.y, p1.x, p1.y, 1.5f, Flat(ring), false);
    }
    c.FillDisc(m, m, 1.6f, Flat(ring));
}

Canvas ArtCursor() {
    Canvas c(32, 32, 8);
    c.Clear(Col8(0, 0, 0));
    CursorShape(c, Col8(255, 210, 90), Col8(0, 0, 0));
    return c;
}

std::vector<float> ArtCursorAlpha() {
    Canvas c(32, 32, 8);
    c.Clear(Col8(0, 0, 0));
    CursorShape(c, Col8(255, 255, 255), Col8(255, 255, 255));
    std::vector<Col> px = c.Resolve();
    std::vector<float> a(px.size());
    for (size_t i = 0; i < px.size(); i++)
        a[i] = px[i].r;
    return a;
}
