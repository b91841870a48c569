// gen_palette.cpp -- the engine palette, the shade table and the shared station colour table
#include "tools/gen_palette.h"

#include <algorithm>
#include <cmath>
#include <cstring>

static GenRGB Rgb(float r, float g, float b) {
    auto c = [](float v) { return uint8_t(std::clamp(int(std::lround(v)), 0, 255)); };
    return {c(r), c(g), c(b)};
}

// Six-bit files store multiples of four; keep the generated colours exact under that rule.
static GenRGB Six(GenRGB c) {
    return {uint8_t(c.r & 0xFC), uint8_t(c.g & 0xFC), uint8_t(c.b & 0xFC)};
}

static void Ramp(GenRGB out[256], int first, float r, float g, float b) {
    for (int k = 0; k < PAL_RAMP_STEPS; k++) {
        float t = 0.14f + 0.86f * float(k) / (PAL_RAMP_STEPS - 1);
        // Shadows drift a little towards the sea haze so dark faces do not turn muddy.
        float haze = (1 - t) * 0.10f;
        out[first + k] = Six(Rgb(r * t + 40 * haze, g * t + 52 * haze, b * t + 64 * haze));
    }
}

void PalEngine(GenRGB out[256]) {
    for (int i = 0; i < 256; i++)
        out[i] = {0, 0, 0};
    out[255] = {252, 252, 252};
    Ramp(out, PAL_GREY, 178, 186, 192);
    Ramp(out, PAL_DARK, 104, 110, 114);
    Ramp(out, PAL_WHITE, 240, 238, 228);
    Ramp(out, PAL_BLACK, 58, 58, 62);
    Ramp(out, PAL_RUST, 168, 70, 46);
    Ramp(out, PAL_BUFF, 212, 176, 108);
    Ramp(out, PAL_WOOD, 164, 126, 84);
    // Flame: deep red to yellow, bright enough to read unlit.
    for (int k = 0; k < PAL_RAMP_STEPS; k++) {
        float t = float(k) / (PAL_RAMP_STEPS - 1);
        out[PAL_FIRE + k] = Six(Rgb(150 + 105 * std::min(1.f, t * 1.6f), 30 + 200 * t * t + 10 * t,
                                    10 + 60 * t * t * t));
    }
    // Sea, horizon haze first, darkening towards the viewer.
    for (int k = 0; k < 8; k++) {
        float t = k / 7.f;
        out[PAL_SEA + k] = Six(Rgb(118 - 92 * t, 138 - 82 * t, 146 - 70 * t));
    }
    // Sky, zenith first, paling to the horizon.
    for (int k = 0; k < 8; k++) {
        float t = std::pow(k / 7.f, 0.8f);
        out[PAL_SKY + k] = Six(Rgb(70 + 130 * t, 104 + 108 * t, 150 + 66 * t));
    }
    out[PAL_HOT] = Six(Rgb(255, 248, 210));
    out[PAL_FOAM] = Six(Rgb(236, 242, 244));
    out[PAL_SPRAY] = Six(Rgb(186, 202, 208));
    out[PAL_SMOKE_LIGHT] = Six(Rgb(150, 148, 144));
    out[PAL_SMOKE] = Six(Rgb(96, 92, 88));
    out[PAL_SMOKE_DARK] = Six(Rgb(48, 46, 46));
}

float PalLight(int intensity) {
    // A point light at the camera falls off with distance; a steep curve keeps ships at a few
    // kilometres well lit while faces turned away still read darker.
    float t = std::clamp(intensity / 255.f, 0.f, 1.f);
    return 0.26f + 0.74f * std::pow(t, 0.45f);
}

static float Luma(GenRGB c) {
    return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b;
}

static float Dist(float r, float g, float b, GenRGB c) {
    float dr = r - c.r, dg = g - c.g, db = b - c.b;
    return 2 * dr * dr + 4 * dg * dg + 3 * db * db;
}

std::vector<uint8_t> PalShadeTable(const GenRGB pal[256]) {
    std::vector<uint8_t> t(65536);
    for (int c = 0; c < 256; c++) {
        int lo = 0, hi = -1;
        if (c >= PAL_GREY && c < PAL_SEA) {
            lo = PAL_GREY + (c - PAL_GREY) / PAL_RAMP_STEPS * PAL_RAMP_STEPS;
            hi = lo + PAL_RAMP_STEPS - 1;
        }
        int prev = -1;
        for (int i = 0; i < 256; i++) {
            float f = PalLight(i);
            float r = pal[c].r * f, g = pal[c].g * f, b = pal[c].b * f;
            int best = 0;
            float bd = 1e30f;
            auto consider = [&](int k) {
                float d = Dist(r, g, b, pal[k]);
                if (d < bd) bd = d, best = k;
            };
            if (hi >= 0) {
                for (int k = lo; k <= hi; k++)
                    consider(k);
            } else {
                consider(0);
                for (int k = PAL_GREY; k <= PAL_SMOKE_DARK; k++)
                    consider(k);
            }
            // Rows never get darker with more light.
            if (prev >= 0 && Luma(pal[best]) < Luma(pal[prev])) best = prev;
            t[i * 256 + c] = uint8_t(best);
            prev = best;
        }
    }
    return t;
}

static bool Usable(int i) {
    return i <= PAL_STATION_LAST || (i >= PAL_GREY && i <= PAL_SMOKE_DARK);
}

void PalFitStation(const std::vector<const std::vector<Col> *> &images, GenRGB out[256]) {
    PalEngine(out);
    for (int i = 0; i <= 127; i++)
        out[i] = {0, 0, 0};
    for (int i = 246; i < 256; i++)
        out[i] = {0, 0, 0};
    // Histogram at 6 bits a channel, weighted by the square root of the count so that small
    // details (needles, numerals, lamp glows) get colours of their own.
    std::vector<float> hist(1 << 18, 0.f);
    for (auto *img : images)
        for (const Col &c : *img) {
            int r = std::clamp(int(c.r * 63.f + 0.5f), 0, 63);
            int g = std::clamp(int(c.g * 63.f + 0.5f), 0, 63);
            int b = std::clamp(int(c.b * 63.f + 0.5f), 0, 63);
            hist[(r << 12) | (g << 6) | b] += 1;
        }
    struct Bin {
        float r, g, b, w;
    };
    std::vector<Bin> bins;
    for (int i = 0; i < (1 << 18); i++)
        if (hist[i] > 0)
            bins.push_back({((i >> 12) & 63) * 255.f / 63, ((i >> 6) & 63) * 255.f / 63,
                            (i & 63) * 255.f / 63, std::sqrt(hist[i])});
    // Fixed centres: black and the engine's colours. Free centres: 1..126.
    std::vector<int> fixed{0};
    for (int i = PAL_GREY; i <= PAL_SMOKE_DARK; i++)
        fixed.push_back(i);
    const int FREE = PAL_STATION_LAST;
    std::vector<Bin> cen;
    // Seeds: farthest-point picks weighted by bin weight, starting from the heaviest bin.
    std::vector<float> dmin(bins.size(), 1e30f);
    for (size_t j = 0; j < bins.size(); j++)
        for (int k : fixed)
            dmin[j] = std::min(dmin[j], Dist(bins[j].r, bins[j].g, bins[j].b, out[k]));
    for (int n = 0; n < FREE && !bins.empty(); n++) {
        size_t best = 0;
        float bs = -1;
        for (size_t j = 0; j < bins.size(); j++) {
            float s = dmin[j] * bins[j].w;
            if (s > bs) bs = s, best = j;
        }
        Bin c = bins[best];
        cen.push_back(c);
        GenRGB g = Rgb(c.r, c.g, c.b);
        for (size_t j = 0; j < bins.size(); j++)
            dmin[j] = std::min(dmin[j], Dist(bins[j].r, bins[j].g, bins[j].b, g));
    }
    while (int(cen.size()) < FREE)
        cen.push_back({128, 128, 128, 0});
    // Lloyd iterations with the fixed centres taking part in the assignment.
    for (int it = 0; it < 12; it++) {
        std::vector<double> sr(FREE, 0), sg(FREE, 0), sb(FREE, 0), sw(FREE, 0);
        for (const Bin &bn : bins) {
            float bd = 1e30f;
            int bi = -1;
            for (int k : fixed)
                bd = std::min(bd, Dist(bn.r, bn.g, bn.b, out[k]));
            for (int k = 0; k < FREE; k++) {
                float dr = bn.r - cen[k].r, dg = bn.g - cen[k].g, db = bn.b - cen[k].b;
                float d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
                if (d < bd) bd = d, bi = k;
            }
            if (bi >= 0) {
                sr[bi] += bn.r * bn.w, sg[bi] += bn.g * bn.w, sb[bi] += bn.b * bn.w;
                sw[bi] += bn.w;
            }
        }
        for (int k = 0; k < FREE; k++)
            if (sw[k] > 0)
                cen[k] = {float(sr[k] / sw[k]), float(sg[k] / sw[k]), float(sb[k] / sw[k]), 0};
    }
    // Order the station colours by brightness so the table reads sensibly.
    std::sort(cen.begin(), cen.end(), [](const Bin &a, const Bin &b) {
        float la = 0.299f * a.r + 0.587f * a.g + 0.114f * a.b;
        float lb = 0.299f * b.r + 0.587f * b.g + 0.114f * b.b;
        if (la != lb) return la < lb;
        if (a.r != b.r) return a.r < b.r;
        return a.g < b.g;
    });
    for (int k = 0; k < FREE; k++)
        out[1 + k] = Rgb(cen[k].r, cen[k].g, cen[k].b);
}

std::vector<uint8_t> PalQuantise(const std::vector<Col> &img, int width, const GenRGB pal[256],
                                 float dither) {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<uint8_t> lut(1 << 18, 0xFF);
    std::vector<uint8_t> out(img.size());
    for (size_t p = 0; p < img.size(); p++) {
        int x = int(p % width), y = int(p / width);
        float d = dither * ((bayer[y & 3][x & 3] + 0.5f) / 16.f - 0.5f);
        int r = std::clamp(int((img[p].r + d) * 63.f + 0.5f), 0, 63);
        int g = std::clamp(int((img[p].g + d) * 63.f + 0.5f), 0, 63);
        int b = std::clamp(int((img[p].b + d) * 63.f + 0.5f), 0, 63);
        int key = (r << 12) | (g << 6) | b;
        if (lut[key] == 0xFF) {
            float fr = r * 255.f / 63, fg = g * 255.f / 63, fb = b * 255.f / 63;
            float bd = 1e30f;
            int best = 0;
            for (int k = 0; k < 256; k++) {
                if (!Usable(k)) continue;
                float dd = Dist(fr, fg, fb, pal[k]);
                if (dd < bd) bd = dd, best = k;
            }
            lut[key] = uint8_t(best);
        }
        out[p] = lut[key];
    }
    return out;
}
