// gfx_scenes.cpp -- the status map's general arrangement drawing and the splash screen
#include "tools/gfx_art.h"
#include "tools/gfx_materials.h"

#include <algorithm>
#include <cmath>
#include <string>

static const Col PAPER = Col8(238, 232, 212), NAVY_INK = Col8(28, 40, 84);

// Upper and lower outline of the pressure hull at x (0..1 from stern to bow), in pixels.
static float HullTop(float t) {
    float body = std::sqrt(std::max(0.f, 1 - std::pow(std::fabs(2 * t - 1.04f), 6.f)));
    return 190 - 70 * body;
}
static float HullBottom(float t) {
    float body = std::sqrt(std::max(0.f, 1 - std::pow(std::fabs(2 * t - 1.0f), 4.f)));
    return 190 + 64 * body;
}

Canvas ArtPlan() {
    const int W = 1400, H = 312;
    Canvas c(W, H, 3);
    c.FillRect(0, 0, W, H, [](float x, float y) {
        return Solid(ColScale(PAPER, 1.0f - 0.05f * ((x / W) * (x / W) + (y / H) * 0.5f)));
    });
    // Drafting grid.
    for (int x = 0; x < W; x += 20)
        c.FillRect(x, 0, x + 1, H, Flat(Col8(150, 170, 200), x % 100 ? 0.18f : 0.35f));
    for (int y = 0; y < H; y += 20)
        c.FillRect(0, y, W, y + 1, Flat(Col8(150, 170, 200), y % 100 ? 0.18f : 0.35f));
    const float X0 = 80, X1 = 1330;
    auto X = [&](float t) { return X0 + (X1 - X0) * t; };
    // Compartments, stern (left) to bow (right).
    struct Room {
        float t0, t1;
        const char *l1, *l2;
        Col tint;
    } rooms[] = {
        {0.00f, 0.12f, "AFTER", "TORPEDOES", Col8(214, 196, 170)},
        {0.12f, 0.23f, "MOTOR", "ROOM", Col8(196, 214, 190)},
        {0.23f, 0.40f, "ENGINE ROOM", "DIESELS", Col8(214, 206, 170)},
        {0.40f, 0.52f, "AFTER", "BATTERY", Col8(190, 204, 220)},
        {0.52f, 0.66f, "CONTROL", "ROOM", Col8(222, 196, 186)},
        {0.66f, 0.82f, "FORWARD", "BATTERY", Col8(190, 204, 220)},
        {0.82f, 1.00f, "BOW", "TORPEDOES", Col8(214, 196, 170)},
    };
    std::vector<Pt> hull;
    const int N = 160;
    for (int i = 0; i <= N; i++)
        hull.push_back({X(i / float(N)), HullTop(i / float(N))});
    for (int i = N; i >= 0; i--)
        hull.push_back({X(i / float(N)), HullBottom(i / float(N))});
    // Outer casing and conning tower drawn behind the pressure hull.
    std::vector<Pt> casing{{X(0.02f), 150},     {X(0.10f), 122},     {X(0.92f), 122},
                           {X(1.0f) + 28, 142}, {X(1.0f) + 30, 170}, {X(0.99f), 196},
                           {X(0.99f), 150},     {X(0.02f), 170}};
    c.FillPolygon(casing, Flat(Col8(200, 198, 186)));
    std::vector<Pt> tower{
        {X(0.53f), 122}, {X(0.545f), 62}, {X(0.64f), 58}, {X(0.665f), 80}, {X(0.67f), 122}};
    c.FillPolygon(tower, Flat(Col8(206, 204, 192)));
    for (size_t i = 0; i < tower.size(); i++) {
        Pt a = tower[i], b = tower[(i + 1) % tower.size()];
        c.Line(a.x, a.y, b.x, b.y, 2, Flat(NAVY_INK));
    }
    for (size_t i = 0; i + 1 < casing.size() - 2; i++) {
        Pt a = casing[i], b = casing[i + 1];
        c.Line(a.x, a.y, b.x, b.y, 1.5f, Flat(NAVY_INK));
    }
    // Periscope standards and the deck gun.
    c.Line(X(0.59f), 58, X(0.59f), 18, 4, Flat(NAVY_INK));
    c.Line(X(0.615f), 58, X(0.615f), 30, 3, Flat(NAVY_INK));
    c.FillRect(X(0.70f) - 6, 108, X(0.70f) + 6, 122, Flat(NAVY_INK));
    c.Line(X(0.70f), 110, X(0.76f), 104, 4, Flat(NAVY_INK));
    // Rooms clipped to the hull: fill each with its tint inside the hull outline.
    for (auto &r : rooms) {
        std::vector<Pt> poly;
        int n = 40;
        for (int i = 0; i <= n; i++) {
            float t = r.t0 + (r.t1 - r.t0) * i / n;
            poly.push_back({X(t), HullTop(t)});
        }
        for (int i = n; i >= 0; i--) {
            float t = r.t0 + (r.t1 - r.t0) * i / n;
            poly.push_back({X(t), HullBottom(t)});
        }
        c.FillPolygon(poly, Flat(r.tint));
        float tm = (r.t0 + r.t1) / 2;
        float ym = (HullTop(tm) + HullBottom(tm)) / 2;
        c.Text(r.l1, FONT_SANS_COND_BOLD, 15, X(tm), ym - 9, Flat(NAVY_INK));
        c.Text(r.l2, FONT_SANS_COND, 13, X(tm), ym + 9, Flat(NAVY_INK));
    }
    // Bulkheads.
    for (int i = 1; i < 7; i++) {
        float t = rooms[i].t0;
        c.Line(X(t), HullTop(t), X(t), HullBottom(t), 2.5f, Flat(NAVY_INK), false);
        c.FillRect(X(t) - 5, HullBottom(t) - 22, X(t) + 5, HullBottom(t) - 18, Flat(NAVY_INK));
    }
    // Deck line inside the hull, then the hull outline on top.
    c.Line(X(0.03f), 222, X(0.97f), 222, 1.2f, Flat(NAVY_INK, 0.6f), false);
    for (size_t i = 0; i < hull.size(); i++) {
        Pt a = hull[i], b = hull[(i + 1) % hull.size()];
        c.Line(a.x, a.y, b.x, b.y, 3, Flat(NAVY_INK));
    }
    // Rudder, propeller and stern planes.
    c.FillPolygon({{X(0) - 4, 172}, {X(0) - 40, 160}, {X(0) - 44, 222}, {X(0) - 4, 214}},
                  Flat(Col8(200, 198, 186)));
    c.Line(X(0) - 4, 172, X(0) - 40, 160, 1.5f, Flat(NAVY_INK));
    c.Line(X(0) - 40, 160, X(0) - 44, 222, 1.5f, Flat(NAVY_INK));
    c.Line(X(0) - 44, 222, X(0) - 4, 214, 1.5f, Flat(NAVY_INK));
    c.FillEllipse(X(0) - 16, 204, 5, 20, Flat(NAVY_INK));
    c.Line(X(0) - 16, 204, X(0) + 6, 204, 3, Flat(NAVY_INK));
    c.Line(X(0.97f), 170, X(0.995f) + 22, 178, 3, Flat(NAVY_INK));
    // Waterline.
    c.Line(20, 140, W - 20, 140, 1.2f, Flat(Col8(40, 90, 150), 0.7f), false);
    c.Text("WL", FONT_SANS_COND_BOLD, 11, 34, 132, Flat(Col8(40, 90, 150)));
    // Title block and scale bar.
    c.FillRect(W - 420, H - 44, W - 12, H - 10, Flat(PAPER));
    c.Line(W - 420, H - 44, W - 12, H - 44, 1.5f, Flat(NAVY_INK), false);
    c.Line(W - 420, H - 44, W - 420, H - 10, 1.5f, Flat(NAVY_INK), false);
    c.Line(W - 420, H - 10, W - 12, H - 10, 1.5f, Flat(NAVY_INK), false);
    c.Line(W - 12, H - 44, W - 12, H - 10, 1.5f, Flat(NAVY_INK), false);
    c.Text("GENERAL ARRANGEMENT \xE2\x80\x94 PATROL SUBMARINE", FONT_SANS_COND_BOLD, 14, W - 216,
           H - 27, Flat(NAVY_INK));
    float sx = 40, sy = H - 22, seg = 50;
    for (int i = 0; i < 5; i++)
        c.FillRect(sx + i * seg, sy - 4, sx + (i + 1) * seg, sy + 4,
                   Flat(i % 2 ? PAPER : NAVY_INK));
    c.Line(sx, sy - 4, sx + 5 * seg, sy - 4, 1, Flat(NAVY_INK), false);
    c.Line(sx, sy + 4, sx + 5 * seg, sy + 4, 1, Flat(NAVY_INK), false);
    for (int i = 0; i <= 5; i++)
        c.Text(std::to_string(i * 10), FONT_SANS_COND, 11, sx + i * seg, sy - 13, Flat(NAVY_INK));
    c.Text("METRES", FONT_SANS_COND_BOLD, 11, sx + 5 * seg + 34, sy, Flat(NAVY_INK));
    c.Text("BOW \xE2\x96\xB6", FONT_SANS_COND_BOLD, 12, W - 40, 100, Flat(NAVY_INK));
    return c;
}

Canvas ArtSplash() {
    const int W = 952, H = 736;
    Canvas c(W, H, 3);
    const float horizon = H * 0.62f;
    // Dusk sky over a dark sea.
    c.FillRect(0, 0, W, horizon, [=](float x, float y) {
        float t = y / horizon;
        Col top = Col8(16, 24, 52), mid = Col8(70, 70, 110), low = Col8(232, 150, 80);
        Col col = t < 0.6f ? ColMix(top, mid, t / 0.6f) : ColMix(mid, low, (t - 0.6f) / 0.4f);
        float sun = std::max(0.f, 1 - std::hypot(x - W * 0.68f, (y - horizon) * 1.6f) / 260.f);
        return Solid(ColMix(col, Col8(255, 214, 140), sun * sun * 0.8f));
    });
    c.FillEllipse(W * 0.68f, horizon - 6, 34, 30, Flat(Col8(255, 226, 170), 0.9f));
    c.FillRect(0, horizon, W, H, [=](float x, float y) {
        float t = (y - horizon) / (H - horizon);
        Col col = ColMix(Col8(60, 56, 70), Col8(8, 14, 24), std::pow(t, 0.6f));
        // Glitter under the setting sun.
        float dx = std::fabs(x - W * 0.68f) / (40 + 260 * t);
        float sparkle = Noise(x * 0.5f, y * 1.5f, 11) > 0.55f ? 1.f : 0.f;
        float band = std::max(0.f, 1 - dx) * sparkle * (1 - t * 0.7f);
        return Solid(ColMix(col, Col8(255, 200, 130), band * 0.7f));
    });
    c.FillRect(0, horizon, W, horizon + 2.5f, Flat(Col8(30, 26, 36)));
    // A submarine running on the surface, in silhouette.
    float sx = W * 0.30f, sy = horizon;
    Col sil = Col8(12, 12, 18);
    std::vector<Pt> hull{{sx - 150, sy + 2},
                         {sx - 140, sy - 8},
                         {sx + 150, sy - 9},
                         {sx + 180, sy - 14},
                         {sx + 176, sy + 2}};
    c.FillPolygon(hull, Flat(sil));
    c.FillPolygon({{sx - 10, sy - 9}, {sx - 4, sy - 36}, {sx + 40, sy - 38}, {sx + 50, sy - 9}},
                  Flat(sil));
    c.Line(sx + 14, sy - 36, sx + 14, sy - 62, 3, Flat(sil));
    c.Line(sx + 26, sy - 37, sx + 26, sy - 54, 2.5f, Flat(sil));
    c.Line(sx + 72, sy - 10, sx + 92, sy - 17, 3, Flat(sil));
    c.FillRect(sx + 66, sy - 16, sx + 74, sy - 9, Flat(sil));
    c.Line(sx - 120, sy - 10, sx + 3, sy - 55, 1, Flat(sil, 0.8f));
    c.Line(sx + 30, sy - 55, sx + 175, sy - 14, 1, Flat(sil, 0.8f));
    c.FillRect(sx - 160, sy + 1, sx + 185, sy + 4, Flat(Col8(200, 170, 140), 0.25f));
    // Title in brass with an engraved shadow.
    float ty = H * 0.25f;
    c.Text("Kestrune", FONT_SERIF_BOLD, 132, W / 2.f + 5, ty + 6, Flat(Col8(0, 0, 0), 0.55f));
    c.Text("Kestrune", FONT_SERIF_BOLD, 132, W / 2.f, ty, [=](float, float y) {
        float t = (y - (ty - 60)) / 120.f;
        Col col = t < 0.45f ? ColMix(BRASS_LIGHT, Col8(232, 190, 100), t / 0.45f)
                            : ColMix(Col8(200, 150, 64), Col8(140, 96, 36), (t - 0.45f) / 0.55f);
        return Solid(col);
    });
    c.Text("MULTI-PLAYER SUBMARINE WARFARE", FONT_SANS_COND_BOLD, 26, W / 2.f, ty + 100,
           Flat(CREAM));
    c.FillRect(W / 2.f - 220, ty + 78, W / 2.f + 220, ty + 80, Flat(BRASS, 0.8f));
    c.FillRect(W / 2.f - 220, ty + 120, W / 2.f + 220, ty + 122, Flat(BRASS, 0.8f));
    c.Text("Northland \xC2\xB7 Westland", FONT_SERIF, 20, W / 2.f, H - 44,
           Flat(Col8(200, 190, 170)));
    // Brass frame.
    for (int i = 0; i < 2; i++) {
        float in = i ? 14.f : 0.f, th = i ? 2.f : 10.f;
        c.FillRect(in, in, W - in, in + th, BrassPlate(0, 0, W, H));
        c.FillRect(in, H - in - th, W - in, H - in, BrassPlate(0, 0, W, H));
        c.FillRect(in, in, in + th, H - in, BrassPlate(0, 0, W, H));
        c.FillRect(W - in - th, in, W - in, H - in, BrassPlate(0, 0, W, H));
    }
    return c;
}
