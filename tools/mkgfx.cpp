// mkgfx.cpp -- draws every station bitmap, the splash screen, flags, icons and the drag cursor,
// and writes the engine palette (default.col) and its shade table (DEFAULT.CG)
#include "tools/gen_io.h"
#include "tools/gen_palette.h"
#include "tools/gfx_art.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

struct Picture {
    std::string name; // path below the data folder
    std::function<Canvas()> draw;
    float dither;
    std::vector<Col> rgb;
    int width = 0, height = 0;
};

static std::vector<Picture> Pictures() {
    std::vector<Picture> p;
    auto add = [&](std::string n, std::function<Canvas()> f, float d = 0) {
        p.push_back({std::move(n), std::move(f), d, {}, 0, 0});
    };
    // rlight0.bmp first: its colour table is the one every station bitmap shares.
    add("gfx/rlight0.bmp", [] { return ArtLamp(false, false); });
    add("gfx/rlight1.bmp", [] { return ArtLamp(false, true); });
    add("gfx/glight0.bmp", [] { return ArtLamp(true, false); });
    add("gfx/glight1.bmp", [] { return ArtLamp(true, true); });
    add("gfx/compass.bmp", ArtCompass);
    add("gfx/depthg.bmp", ArtDepthGauge);
    for (int i = 0; i < 5; i++)
        add("gfx/tele" + std::to_string(i) + ".bmp", [i] { return ArtTelegraph(i); });
    add("gfx/plan.bmp", ArtPlan);
    add("gfx/tparc0.bmp", [] { return ArtTubeArc(false, false); });
    add("gfx/tparc1.bmp", [] { return ArtTubeArc(false, true); });
    add("gfx/dtparc0.bmp", [] { return ArtTubeArc(true, false); });
    add("gfx/dtparc1.bmp", [] { return ArtTubeArc(true, true); });
    for (int s = 0; s < 3; s++) {
        add("gfx/binoc" + std::to_string(s + 1) + ".bmp", [s] { return ArtOptic(false, s); });
        add("gfx/peri" + std::to_string(s + 1) + ".bmp", [s] { return ArtOptic(true, s); });
        add("gfx/magnif" + std::to_string(s + 1) + ".bmp", [s] { return ArtMagnifier(s); });
    }
    add("gfx/dive0.bmp", [] { return ArtDive(false); });
    add("gfx/dive1.bmp", [] { return ArtDive(true); });
    add(
        "gfx/binoch.bmp", [] { return ArtHitOverlay(false); }, 0.02f);
    add(
        "gfx/perih.bmp", [] { return ArtHitOverlay(true); }, 0.02f);
    add("gfx/nflag.bmp", [] { return ArtFlag(true, 96); });
    add("gfx/wflag.bmp", [] { return ArtFlag(false, 96); });
    // The splash screen is read like every station bitmap, from the gfx folder.
    add("gfx/flash.bmp", ArtSplash, 0.05f);
    return p;
}

static std::vector<uint8_t> Rgba8(const std::vector<Col> &img, const std::vector<float> *alpha) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < img.size(); i++) {
        float a = alpha ? (*alpha)[i] : 1.f;
        // Colours are stored unpremultiplied.
        for (float v : {img[i].r, img[i].g, img[i].b}) {
            float u = a > 0.01f ? v / a : 0.f;
            if (!alpha) u = v;
            out.push_back(uint8_t(std::lround(std::fmin(1, std::fmax(0, u)) * 255)));
        }
        out.push_back(uint8_t(std::lround(a * 255)));
    }
    return out;
}

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mkgfx DATA_DIR [PREVIEW_DIR]\n");
        return 2;
    }
    std::string dir = argv[1], preview = argc > 2 ? argv[2] : "";
    std::vector<Picture> pics = Pictures();
    for (Picture &p : pics) {
        Canvas c = p.draw();
        p.width = c.width;
        p.height = c.height;
        p.rgb = c.Resolve();
    }
    std::vector<const std::vector<Col> *> all;
    for (Picture &p : pics)
        all.push_back(&p.rgb);
    GenRGB table[256];
    PalFitStation(all, table);
    bool ok = true;
    for (Picture &p : pics) {
        std::vector<uint8_t> idx = PalQuantise(p.rgb, p.width, table, p.dither);
        ok &= GenWriteFile(dir + "/" + p.name, GenBmp8(p.width, p.height, idx, table));
        if (!preview.empty()) {
            std::vector<uint8_t> rgb;
            for (uint8_t i : idx)
                rgb.insert(rgb.end(), {table[i].r, table[i].g, table[i].b});
            std::string base = p.name.substr(p.name.rfind('/') + 1);
            ok &= GenWriteFile(preview + "/" + base + ".png", GenPng(p.width, p.height, rgb));
        }
    }
    // The engine palette: the station colours stand in its low half as well, so the two agree.
    GenRGB eng[256];
    PalEngine(eng);
    for (int i = 1; i <= PAL_STATION_LAST; i++)
        eng[i] = table[i];
    std::vector<uint8_t> col;
    for (int i = 0; i < 256; i++)
        for (uint8_t v : {eng[i].r, eng[i].g, eng[i].b})
            col.push_back(v >> 2);
    ok &= GenWriteFile(dir + "/default.col", col);
    // Reread as the game does (six bits times four) so shading matches what is shown.
    GenRGB shown[256];
    for (int i = 0; i < 256; i++)
        shown[i] = {uint8_t(col[i * 3] * 4), uint8_t(col[i * 3 + 1] * 4),
                    uint8_t(col[i * 3 + 2] * 4)};
    std::vector<uint8_t> cg(512, 0);
    std::vector<uint8_t> shade = PalShadeTable(shown);
    cg.insert(cg.end(), shade.begin(), shade.end());
    ok &= GenWriteFile(dir + "/DEFAULT.CG", cg);
    // Dialog icons (5000 Northland, 5001 Westland) and the bridge's drag cursor (3019, hot spot
    // at its centre), as 32-bit BMPs with alpha.
    for (int n = 0; n < 2; n++) {
        Canvas c = ArtFlag(n == 0, 32);
        ok &= GenWriteFile(dir + (n == 0 ? "/res/5000.bmp" : "/res/5001.bmp"),
                           GenBmp32(32, 32, Rgba8(c.Resolve(), nullptr)));
    }
    std::vector<float> alpha = ArtCursorAlpha();
    Canvas cur = ArtCursor();
    std::vector<Col> cpx = cur.Resolve();
    ok &= GenWriteFile(dir + "/res/3019.bmp", GenBmp32(32, 32, Rgba8(cpx, &alpha)));
    GenFontsClose();
    return ok ? 0 : 1;
}
