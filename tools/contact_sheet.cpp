// contact_sheet.cpp -- one PNG showing every generated bitmap and every shape from three angles
#include "tools/gen_io.h"
#include "tools/shape_view.h"
#ifdef KR_HAVE_ENGINE
#include "tools/engine_view.h"
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

struct Image {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
};

// Reads the 8-bit BMPs the generators write (40-byte header, 256 colours, bottom-up rows).
static bool ReadBmp8(const std::string &path, Image &img) {
    std::vector<uint8_t> f = GenReadFile(path);
    if (f.size() < 1078 || f[0] != 'B' || f[1] != 'M') return false;
    auto u32 = [&](size_t at) {
        return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8 | uint32_t(f[at + 2]) << 16 |
               uint32_t(f[at + 3]) << 24;
    };
    int w = int(u32(18)), h = int(u32(22));
    if (u32(14) != 40 || f[28] != 8 || w <= 0 || h <= 0) return false;
    int stride = (w + 3) & ~3;
    if (f.size() < 1078 + size_t(stride) * h) return false;
    img.w = w, img.h = h;
    img.rgb.resize(size_t(w) * h * 3);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint8_t i = f[1078 + size_t(h - 1 - y) * stride + x];
            uint8_t *d = &img.rgb[(size_t(y) * w + x) * 3];
            d[0] = f[54 + i * 4 + 2], d[1] = f[54 + i * 4 + 1], d[2] = f[54 + i * 4];
        }
    return true;
}

struct Sheet {
    int w, h;
    std::vector<uint8_t> rgb;
    Sheet(int W, int H) : w(W), h(H), rgb(size_t(W) * H * 3, 40) {}
    // Pastes an image scaled by k (nearest sample) at (x, y).
    void Paste(const Image &img, int x, int y, float k) {
        int dw = int(img.w * k), dh = int(img.h * k);
        for (int j = 0; j < dh; j++)
            for (int i = 0; i < dw; i++) {
                int sx = std::min(img.w - 1, int(i / k)), sy = std::min(img.h - 1, int(j / k));
                int X = x + i, Y = y + j;
                if (X < 0 || Y < 0 || X >= w || Y >= h) continue;
                std::copy_n(&img.rgb[(size_t(sy) * img.w + sx) * 3], 3,
                            &rgb[(size_t(Y) * w + X) * 3]);
            }
    }
};

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: contact-sheet DATA_DIR OUT.png\n");
        return 2;
    }
    std::string dir = argv[1];
    const char *bitmaps[] = {
        "gfx/flash.bmp",   "gfx/compass.bmp", "gfx/depthg.bmp",  "gfx/tele0.bmp",
        "gfx/tele2.bmp",   "gfx/tele4.bmp",   "gfx/plan.bmp",    "gfx/tparc0.bmp",
        "gfx/tparc1.bmp",  "gfx/dtparc0.bmp", "gfx/dtparc1.bmp", "gfx/glight0.bmp",
        "gfx/glight1.bmp", "gfx/rlight0.bmp", "gfx/rlight1.bmp", "gfx/binoc1.bmp",
        "gfx/binoc2.bmp",  "gfx/binoc3.bmp",  "gfx/peri1.bmp",   "gfx/peri2.bmp",
        "gfx/peri3.bmp",   "gfx/dive0.bmp",   "gfx/dive1.bmp",   "gfx/magnif1.bmp",
        "gfx/magnif2.bmp", "gfx/magnif3.bmp", "gfx/binoch.bmp",  "gfx/perih.bmp",
        "gfx/nflag.bmp",   "gfx/wflag.bmp"};
    const int W = 1600;
    Sheet sheet(W, 4000);
    int x = 8, y = 8, row = 0;
    for (const char *b : bitmaps) {
        Image img;
        if (!ReadBmp8(dir + "/" + b, img)) {
            std::fprintf(stderr, "contact-sheet: cannot read %s\n", b);
            continue;
        }
        float k = img.w > 800 ? 0.5f : 1.f;
        int dw = int(img.w * k), dh = int(img.h * k);
        if (x + dw > W - 8) x = 8, y += row + 8, row = 0;
        sheet.Paste(img, x, y, k);
        x += dw + 8;
        row = std::max(row, dh);
    }
    y += row + 16;
    // Shapes through the palette and shade table, on the game's sky and sea.
    std::vector<uint8_t> col = GenReadFile(dir + "/default.col"),
                         cg = GenReadFile(dir + "/DEFAULT.CG");
    if (col.size() < 768 || cg.size() < 512 + 65536) {
        std::fprintf(stderr, "contact-sheet: palette files missing\n");
        return 1;
    }
    struct View {
        const char *name;
        int flags[3];
        bool lit;
    } views[] = {{"dest", {0, 0, 0}, true},      {"corv", {0, 0, 0}, true},
                 {"mrch", {0, 0, 0}, true},      {"tnkr", {0, 0, 0}, true},
                 {"sub", {0, 0, 0}, true},       {"torp", {0, 0, 0}, true},
                 {"explode", {2, 8, 16}, false}, {"dpthmiss", {1, 5, 9}, false},
                 {"gunmiss", {0, 2, 4}, false}};
    const double angles[3] = {40, 90, 160};
    const int TW = 320, TH = 200;
#ifdef KR_HAVE_ENGINE
    bool engine = EngineOpen(dir);
    if (!engine)
        std::fprintf(stderr, "contact-sheet: the engine could not start; drawing by hand\n");
#else
    bool engine = false;
#endif
    auto show = [&](const std::vector<uint8_t> &pixels, int at_x) {
        Image img{TW, TH, {}};
        for (uint8_t i : pixels)
            img.rgb.insert(img.rgb.end(), {uint8_t(col[i * 3] * 4), uint8_t(col[i * 3 + 1] * 4),
                                           uint8_t(col[i * 3 + 2] * 4)});
        sheet.Paste(img, at_x, y, 1);
    };
    for (auto &v : views) {
        std::vector<uint8_t> f = GenReadFile(dir + "/3d/" + v.name + ".dsh");
        ShapeInfo info;
        std::string why;
        if (!ShapeCheck(f, info, why)) {
            std::fprintf(stderr, "contact-sheet: %s: %s\n", v.name, why.c_str());
            continue;
        }
        double radius = info.radius / 2.0; // world units
        double dist = std::max(400.0, radius * 5.0);
        // Three angles near, then the far level as it is seen at a distance.
        for (int a = 0; a < 4; a++) {
            double d = a < 3 ? dist : 15000;
            double heading = a < 3 ? angles[a] : 70;
            int flags = v.flags[a < 3 ? a : 1];
            std::vector<uint8_t> pixels;
#ifdef KR_HAVE_ENGINE
            if (engine) {
                EngineShot shot;
                if (EngineDraw(v.name, flags, v.lit, int32_t(d), uint16_t(heading * 65536 / 360),
                               40, shot))
                    pixels = shot.pixels;
            }
#endif
            if (pixels.empty()) {
                ShapeScreen s{TW, TH, {}, {}, 0};
                s.pixels.assign(size_t(TW) * TH, 0);
                s.depth.assign(s.pixels.size(), 0.f);
                for (int j = 0; j < TH; j++) {
                    int band = j < TH / 2 ? 232 + std::min(7, j * 8 / (TH / 2))
                                          : 224 + std::min(7, (j - TH / 2) * 8 / (TH / 2));
                    std::fill_n(&s.pixels[size_t(j) * TW], TW, uint8_t(band));
                }
                ShapeDraw(f, s, flags, 0, -50, -d, 0, heading, 2.0, v.lit ? &cg[512] : nullptr);
                pixels = s.pixels;
            }
            show(pixels, 8 + a * (TW + 6));
        }
        y += TH + 6;
        if (y + TH > sheet.h) break;
    }
#ifdef KR_HAVE_ENGINE
    if (engine) EngineClose();
#endif
    sheet.h = std::min(sheet.h, y + 8);
    sheet.rgb.resize(size_t(sheet.w) * sheet.h * 3);
    return GenWriteFile(argv[2], GenPng(sheet.w, sheet.h, sheet.rgb)) ? 0 : 1;
}
