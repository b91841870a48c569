// mkicon.cpp -- draws the desktop icon (a submarine at dusk in a brass porthole) as hicolor PNGs
#include "tools/gen_io.h"
#include "tools/gfx_materials.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

// Sizes a desktop looks for in the hicolor theme.
static const int ICON_SIZES[] = {16, 22, 24, 32, 48, 64, 128, 256};
static const int ICON_MASTER = 256;

// The porthole: the splash screen's dusk sea and surfaced boat inside a brass bezel.
static Canvas IconArt() {
    const float S = ICON_MASTER, cx = S / 2, cy = S / 2, r1 = S * 0.48f, r0 = S * 0.39f;
    Canvas c(ICON_MASTER, ICON_MASTER, 4);
    c.Clear(Col8(0, 0, 0));
    const float horizon = S * 0.58f;
    c.FillDisc(cx, cy, r0 + 1, [=](float x, float y) {
        if (y < horizon) {
            float t = std::clamp((y - (cy - r0)) / (horizon - (cy - r0)), 0.f, 1.f);
            Col col = ColMix(Col8(16, 24, 52), Col8(232, 150, 80), t * t);
            float sun = std::max(0.f, 1 - std::hypot(x - S * 0.66f, (y - horizon) * 1.6f) / 70.f);
            return Solid(ColMix(col, Col8(255, 214, 140), sun * 0.8f));
        }
        float t = std::clamp((y - horizon) / (cy + r0 - horizon), 0.f, 1.f);
        return Solid(ColMix(Col8(60, 56, 70), Col8(8, 14, 24), std::pow(t, 0.6f)));
    });
    // The boat, big enough to read at 32 pixels: hull, conning tower, periscope.
    const Col sil = Col8(12, 12, 18);
    const float sx = S * 0.47f, sy = horizon;
    c.FillPolygon({{sx - 78, sy + 3},
                   {sx - 70, sy - 8},
                   {sx + 66, sy - 9},
                   {sx + 84, sy - 16},
                   {sx + 82, sy + 3}},
                  Flat(sil));
    c.FillPolygon({{sx - 14, sy - 8}, {sx - 8, sy - 34}, {sx + 22, sy - 36}, {sx + 30, sy - 8}},
                  Flat(sil));
    c.Line(sx + 2, sy - 34, sx + 2, sy - 56, 4, Flat(sil));
    c.FillRect(sx - 80, sy + 3, sx + 86, sy + 6, Flat(Col8(200, 170, 140), 0.3f));
    Bezel(c, cx, cy, r0, r1);
    for (int i = 0; i < 4; i++) {
        Pt at = Polar(cx, cy, (r0 + r1) / 2, 45.f + 90.f * i);
        Screw(c, at.x, at.y, S * 0.022f, 30.f * i);
    }
    return c;
}

// Coverage of the porthole (the bezel's outer edge), for the alpha channel.
static std::vector<float> IconAlpha() {
    const float S = ICON_MASTER;
    Canvas m(ICON_MASTER, ICON_MASTER, 4);
    m.Clear(Col8(0, 0, 0));
    m.FillDisc(S / 2, S / 2, S * 0.48f, Flat(Col8(255, 255, 255)));
    std::vector<Col> px = m.Resolve();
    std::vector<float> a(px.size());
    for (size_t i = 0; i < px.size(); i++)
        a[i] = std::clamp(px[i].r, 0.f, 1.f);
    return a;
}

// Area-weighted reduction of premultiplied RGBA from the master size to n x n.
static std::vector<uint8_t> IconScaled(const std::vector<Col> &rgb, const std::vector<float> &alpha,
                                       int n) {
    const int M = ICON_MASTER;
    const double k = double(M) / n;
    std::vector<uint8_t> out(size_t(n) * n * 4);
    for (int y = 0; y < n; y++) {
        for (int x = 0; x < n; x++) {
            double acc[4] = {0, 0, 0, 0}, wsum = 0;
            double x0 = x * k, x1 = (x + 1) * k, y0 = y * k, y1 = (y + 1) * k;
            for (int sy = int(y0); sy < std::min(M, int(std::ceil(y1))); sy++) {
                double wy = std::min(y1, sy + 1.0) - std::max(y0, double(sy));
                for (int sx = int(x0); sx < std::min(M, int(std::ceil(x1))); sx++) {
                    double w = wy * (std::min(x1, sx + 1.0) - std::max(x0, double(sx)));
                    size_t i = size_t(sy) * M + sx;
                    float a = alpha[i];
                    // The art was drawn on black, so its colours are already weighted by cover.
                    acc[0] += w * rgb[i].r;
                    acc[1] += w * rgb[i].g;
                    acc[2] += w * rgb[i].b;
                    acc[3] += w * a;
                    wsum += w;
                }
            }
            uint8_t *p = &out[(size_t(y) * n + x) * 4];
            double a = wsum > 0 ? acc[3] / wsum : 0;
            for (int ch = 0; ch < 3; ch++) {
                double v = a > 1e-4 ? acc[ch] / wsum / a : 0;
                p[ch] = uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255));
            }
            p[3] = uint8_t(std::lround(std::clamp(a, 0.0, 1.0) * 255));
        }
    }
    return out;
}

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: mkicon OUT_DIR  (writes OUT_DIR/NxN/apps/kestrune.png)\n");
        return 2;
    }
    std::vector<Col> rgb = IconArt().Resolve();
    std::vector<float> alpha = IconAlpha();
    GenFontsClose();
    for (int n : ICON_SIZES) {
        std::string dir = std::string(argv[1]) + "/" + std::to_string(n) + "x" + std::to_string(n);
        if (!GenWriteFile(dir + "/apps/kestrune.png", GenPngRgba(n, n, IconScaled(rgb, alpha, n))))
            return 1;
    }
    return 0;
}
