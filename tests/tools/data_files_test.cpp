// data_files_test.cpp -- the generated data folder read back through the game's own readers
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "media/sfx.h"
#include "shell/debug.h"
#include "media/win.h"
#include "tools/gen_io.h"
#include "tools/gen_palette.h"
#include "tools/shape_view.h"

namespace {

std::string Data() {
    const char *d = std::getenv("KESTRUNE_DATA");
    return d ? d : "data";
}

struct Expected {
    const char *name;
    int width, height;
};

// Twice each station's design size, as the stations stretch them over their client areas.
const Expected bitmaps[] = {
    {"compass.bmp", 358, 370}, {"depthg.bmp", 250, 286}, {"tele0.bmp", 390, 236},
    {"tele1.bmp", 390, 236},   {"tele2.bmp", 390, 236},  {"tele3.bmp", 390, 236},
    {"tele4.bmp", 390, 236},   {"plan.bmp", 1400, 312},  {"glight0.bmp", 50, 50},
    {"glight1.bmp", 50, 50},   {"rlight0.bmp", 50, 50},  {"rlight1.bmp", 50, 50},
    {"tparc0.bmp", 118, 132},  {"tparc1.bmp", 118, 132}, {"dtparc0.bmp", 118, 132},
    {"dtparc1.bmp", 118, 132}, {"binoc1.bmp", 100, 100}, {"binoc2.bmp", 100, 100},
    {"binoc3.bmp", 100, 100},  {"peri1.bmp", 100, 100},  {"peri2.bmp", 100, 100},
    {"peri3.bmp", 100, 100},   {"dive0.bmp", 100, 100},  {"dive1.bmp", 100, 100},
    {"magnif1.bmp", 164, 42},  {"magnif2.bmp", 164, 42}, {"magnif3.bmp", 164, 42},
    {"binoch.bmp", 550, 400},  {"perih.bmp", 550, 400},  {"nflag.bmp", 96, 96},
    {"wflag.bmp", 96, 96},
};

float Luma(const uint8_t *bgr) {
    return 0.299f * bgr[2] + 0.587f * bgr[1] + 0.114f * bgr[0];
}

// The game's file functions come from the platform layer; until they read files, the checks
// that go through the game's readers have nothing to test.
bool GameReadsFiles() {
    uint32_t size = 0;
    void *d = FileLoad((Data() + "/default.ini").c_str(), &size);
    if (d) DebugFree(d);
    return d != nullptr;
}

// A BMP file as the generators write it: header fields, colour table and bottom-up rows.
struct Bmp {
    uint32_t header = 0, colours = 0;
    int32_t width = 0, height = 0;
    int bits = 0;
    std::vector<uint8_t> table, pixels; // table: 1024 bytes; pixels: top row first
};

bool ParseBmp(const std::vector<uint8_t> &f, Bmp &b) {
    auto u32 = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, &f[at], 4);
        return v;
    };
    if (f.size() < 54 + 1024 || f[0] != 'B' || f[1] != 'M') return false;
    b.header = u32(14);
    b.width = int32_t(u32(18));
    b.height = int32_t(u32(22));
    b.bits = f[28];
    b.colours = u32(46);
    if (b.header != 40 || b.bits != 8 || b.width <= 0 || b.height <= 0) return false;
    int stride = (b.width + 3) & ~3;
    if (u32(2) != f.size() || f.size() != 54 + 1024 + size_t(stride) * b.height) return false;
    b.table.assign(f.begin() + 54, f.begin() + 54 + 1024);
    for (int y = b.height - 1; y >= 0; y--)
        b.pixels.insert(b.pixels.end(), f.begin() + 1078 + size_t(y) * stride,
                        f.begin() + 1078 + size_t(y) * stride + b.width);
    return true;
}

Bmp LoadBmp(const std::string &name) {
    Bmp b;
    EXPECT_TRUE(ParseBmp(GenReadFile(Data() + "/gfx/" + name), b)) << name;
    return b;
}

TEST(Bitmaps, EveryStationBitmapHasItsSizeAndTheSharedColourTable) {
    Bmp lamp = LoadBmp("rlight0.bmp");
    ASSERT_EQ(lamp.table.size(), 1024u);
    std::vector<uint8_t> col = GenReadFile(Data() + "/default.col");
    ASSERT_EQ(col.size(), 768u);
    // The shared palette's upper half comes from default.col: the bitmaps must agree with it so
    // they look the same drawn through their own table or through the shared one.
    for (int i = 128; i <= 245; i++) {
        EXPECT_EQ(lamp.table[i * 4 + 2], col[i * 3] * 4) << i;
        EXPECT_EQ(lamp.table[i * 4 + 1], col[i * 3 + 1] * 4) << i;
        EXPECT_EQ(lamp.table[i * 4], col[i * 3 + 2] * 4) << i;
    }
    std::vector<Expected> all(std::begin(bitmaps), std::end(bitmaps));
    all.push_back({"flash.bmp", 952, 736});
    for (const Expected &e : all) {
        SCOPED_TRACE(e.name);
        Bmp b = LoadBmp(e.name);
        EXPECT_EQ(b.width, e.width);
        EXPECT_EQ(b.height, e.height);
        EXPECT_EQ(b.colours, 256u);
        EXPECT_TRUE(b.table == lamp.table);
        // Pixels use only entries the shared palette really holds (127 and 246..255 are black
        // there, whatever a table says).
        int bad = 0;
        for (uint8_t i : b.pixels)
            bad += (i == 127 || i > 245);
        EXPECT_EQ(bad, 0);
    }
}

TEST(Bitmaps, TheGamesReaderTakesEveryBitmap) {
    if (!GameReadsFiles()) GTEST_SKIP() << "the platform's file functions read nothing yet";
    std::vector<Expected> all(std::begin(bitmaps), std::end(bitmaps));
    all.push_back({"flash.bmp", 952, 736});
    for (const Expected &e : all) {
        SCOPED_TRACE(e.name);
        BitMap bm = ReadDib((Data() + "/gfx/" + e.name).c_str());
        ASSERT_NE(bm, nullptr);
        EXPECT_EQ(BitMapWidth(bm), uint32_t(e.width));
        EXPECT_EQ(BitMapHeight(bm), uint32_t(e.height));
        EXPECT_EQ(BitMapColours(bm), 256);
        Bmp mine = LoadBmp(e.name);
        EXPECT_EQ(0, std::memcmp(BitMapPalette(bm), mine.table.data(), 1024));
        FreeBitMap(bm);
    }
    uint8_t *palette = LoadPalette((Data() + "/default.col").c_str());
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette[255 * 4], 252);
    FreePalette(palette);
}

TEST(Bitmaps, LampsAndButtonsDifferBetweenTheirStates) {
    auto mean = [](const char *name) {
        Bmp b = LoadBmp(name);
        double sum = 0;
        for (uint8_t i : b.pixels)
            sum += Luma(&b.table[i * 4]);
        return b.pixels.empty() ? 0.f : float(sum / b.pixels.size());
    };
    // A lit lamp is clearly brighter than an unlit one; "on" buttons outshine "off" ones and
    // unavailable ones are the darkest.
    EXPECT_GT(mean("glight1.bmp"), mean("glight0.bmp") + 15);
    EXPECT_GT(mean("rlight1.bmp"), mean("rlight0.bmp") + 15);
    EXPECT_GT(mean("binoc2.bmp"), mean("binoc1.bmp") + 20);
    EXPECT_GT(mean("peri3.bmp"), mean("peri1.bmp") + 20);
    EXPECT_GT(mean("dive1.bmp"), mean("dive0.bmp") + 10);
    EXPECT_GT(mean("tparc1.bmp"), mean("tparc0.bmp") + 2);
}

TEST(Palettes, EnginePaletteHasItsFixedEntriesAndGradients) {
    std::vector<uint8_t> col = GenReadFile(Data() + "/default.col");
    ASSERT_EQ(col.size(), 768u);
    for (uint8_t v : col)
        ASSERT_LE(v, 63);
    EXPECT_EQ(col[0] + col[1] + col[2], 0);
    EXPECT_EQ(col[255 * 3], 63);
    EXPECT_EQ(col[255 * 3 + 1], 63);
    EXPECT_EQ(col[255 * 3 + 2], 63);
    auto luma = [&](int i) {
        return 0.3f * col[i * 3] + 0.59f * col[i * 3 + 1] + 0.11f * col[i * 3 + 2];
    };
    // The horizon painter fills sky from 0xE8 (top band first) and sea from 0xE0 (horizon
    // first): the sky pales towards the horizon and the sea darkens towards the viewer, and
    // both are blue rather than grey.
    for (int k = 0; k < 7; k++) {
        EXPECT_LT(luma(PAL_SKY + k), luma(PAL_SKY + k + 1)) << k;
        EXPECT_GT(luma(PAL_SEA + k), luma(PAL_SEA + k + 1)) << k;
    }
    for (int k = 0; k < 8; k++) {
        EXPECT_GT(col[(PAL_SKY + k) * 3 + 2], col[(PAL_SKY + k) * 3]);
        EXPECT_GT(col[(PAL_SEA + k) * 3 + 2], col[(PAL_SEA + k) * 3]);
    }
}

TEST(Palettes, ShadeTableRowsBrightenWithLightAndStayInTheEnginesColours) {
    std::vector<uint8_t> cg = GenReadFile(Data() + "/DEFAULT.CG");
    std::vector<uint8_t> col = GenReadFile(Data() + "/default.col");
    ASSERT_EQ(cg.size(), 512u + 65536u);
    ASSERT_EQ(col.size(), 768u);
    const uint8_t *t = cg.data() + 512;
    auto luma = [&](int i) {
        return 0.3f * col[i * 3] + 0.59f * col[i * 3 + 1] + 0.11f * col[i * 3 + 2];
    };
    for (int c = 0; c < 256; c++) {
        for (int i = 0; i < 256; i++) {
            int v = t[i * 256 + c];
            ASSERT_TRUE(v == 0 || (v >= PAL_GREY && v <= PAL_SMOKE_DARK)) << c << " " << i;
            if (i) {
                ASSERT_GE(luma(v), luma(t[(i - 1) * 256 + c])) << c << " " << i;
            }
        }
    }
    // Every base colour of the ramps: itself at full light, never black when unlit, and each
    // stays within its own hue.
    for (int first = PAL_GREY; first < PAL_SEA; first += PAL_RAMP_STEPS) {
        int base = PalBase(first);
        EXPECT_EQ(t[255 * 256 + base], base);
        EXPECT_NE(t[base], 0);
        EXPECT_GT(luma(t[base]), 0.15f * luma(base));
        for (int i = 0; i < 256; i++) {
            int v = t[i * 256 + base];
            EXPECT_TRUE(v >= first && v <= base) << base << " " << i;
        }
    }
}

struct ShapeCase {
    const char *name;
    int length, beam; // world units, 0 when free
    int frames;
};
const ShapeCase shapes[] = {
    {"dest", 600, 60, 1},  {"corv", 500, 30, 1},   {"mrch", 350, 50, 1},
    {"tnkr", 450, 60, 1},  {"sub", 500, 40, 1},    {"torp", 0, 0, 1},
    {"explode", 0, 0, 23}, {"dpthmiss", 0, 0, 12}, {"gunmiss", 0, 0, 6},
};

// Extent of the points of one level (model units), from its points commands.
void Extent(const std::vector<uint8_t> &f, const ShapeLevelInfo &lv, float lo[3], float hi[3],
            float &reach) {
    auto word = [&](size_t at) {
        int32_t v;
        std::memcpy(&v, &f[at], 4);
        return v;
    };
    for (int k = 0; k < 3; k++)
        lo[k] = 1e9f, hi[k] = -1e9f;
    reach = 0;
    size_t p = lv.block + 12;
    // Only points commands are needed; they are the first command of each mesh, and every
    // other command's length is known from the checker, so walk by scanning for code 1 the way
    // the checker walked (the checker has already validated the stream).
    while (word(p) != -1) {
        int32_t code = word(p);
        size_t n = 0;
        switch (code) {
        case 1:
            for (int i = 0; i < word(p + 8); i++) {
                float v[3];
                for (int k = 0; k < 3; k++) {
                    v[k] = float(word(p + 12 + size_t(i) * 12 + k * 4));
                    lo[k] = std::min(lo[k], v[k]);
                    hi[k] = std::max(hi[k], v[k]);
                }
                reach = std::max(reach, std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
            }
            n = 2 + 3 * size_t(word(p + 8));
            break;
        case 2:
            n = 3 + size_t(word(p + 4));
            break;
        case 0:
            n = 0;
            break;
        case 7:
        case 8:
            n = 1;
            break;
        case 9:
            n = 2;
            break;
        case 11:
            n = 3;
            break;
        default:
            FAIL() << "unexpected command " << code;
            return;
        }
        p += 4 + n * 4;
    }
}

TEST(Shapes, EveryShapeIsWellFormedWithItsHullSizeAndFrames) {
    for (const ShapeCase &s : shapes) {
        SCOPED_TRACE(s.name);
        std::vector<uint8_t> f = GenReadFile(Data() + "/3d/" + s.name + ".dsh");
        ShapeInfo info;
        std::string why;
        ASSERT_TRUE(ShapeCheck(f, info, why)) << why;
        EXPECT_EQ(info.frames, s.frames);
        if (s.frames == 1 && s.length) {
            EXPECT_GE(info.levels.size(), 2u);
        }
        for (size_t l = 0; l < info.levels.size(); l++) {
            const ShapeLevelInfo &lv = info.levels[l];
            float lo[3], hi[3], reach;
            Extent(f, lv, lo, hi, reach);
            // The radius bounds every point, so culling never drops a visible shape.
            EXPECT_GE(float(info.radius), reach);
            EXPECT_LT(float(info.radius), reach * 1.1f + 4);
            if (s.length) {
                // Model units are half world units; the hull matches the ship-type table.
                EXPECT_NEAR(hi[2] - lo[2], 2.f * s.length, 0.05f * 2 * s.length);
                // The near level has the true beam; far levels are broadened to stay visible.
                if (l == 0) {
                    EXPECT_NEAR(hi[0] - lo[0], 2.f * s.beam, 0.12f * 2 * s.beam);
                } else {
                    EXPECT_GE(hi[0] - lo[0], 2.f * s.beam * 0.95f);
                    EXPECT_LE(hi[0] - lo[0], 2.f * s.beam * 2.6f);
                }
                // Upright: superstructure above the waterline (up is -y), nothing deep below.
                EXPECT_LT(lo[1], -40.f);
                EXPECT_LE(hi[1], 12.f);
            }
        }
    }
}

TEST(Shapes, ShipsAreVisibleFromEverySideAtTheirDistances) {
    std::vector<uint8_t> cg = GenReadFile(Data() + "/DEFAULT.CG");
    ASSERT_EQ(cg.size(), 512u + 65536u);
    for (const ShapeCase &s : shapes) {
        SCOPED_TRACE(s.name);
        std::vector<uint8_t> f = GenReadFile(Data() + "/3d/" + s.name + ".dsh");
        bool sprite = s.frames > 1;
        for (double dist : {1500.0, 6000.0, 15000.0}) {
            for (double heading : {0.0, 60.0, 90.0, 135.0, 180.0, 270.0}) {
                ShapeScreen scr{320, 200, {}, {}, 0};
                scr.pixels.assign(320 * 200, 0);
                scr.depth.assign(320 * 200, 0.f);
                // The bridge's camera: 50 units above the water, zoom 0 on an 800-wide screen.
                ShapeDraw(f, scr, sprite ? s.frames / 2 : 0, 0, -50, -dist, 0, heading, 2.5,
                          sprite ? nullptr : &cg[512]);
                // A torpedo is seen only near, by its wake.
                if (s.frames == 1 && !s.length && dist > 2000) continue;
                int want = s.length ? 4 : 1;
                EXPECT_GE(scr.drawn, want) << dist << " " << heading;
            }
        }
    }
}

TEST(Sounds, EverySoundIsAudibleAndStartsAndEndsQuietly) {
    const char *names[] = {"alarm",  "depthc", "dingding", "torp", "peri",    "shipexp",
                           "subexp", "tphit",  "ping",     "gun",  "dcunder", "splash"};
    for (const char *n : names) {
        SCOPED_TRACE(n);
        std::vector<uint8_t> raw = GenReadFile(Data() + "/sfx/" + n + ".raw");
        uint32_t size = uint32_t(raw.size());
        ASSERT_GT(size, 2u);
        const uint8_t *d = raw.data();
        EXPECT_GT(size, 11025u / 4);
        EXPECT_LT(size, 11025u * 5);
        int peak = 0, clipped = 0;
        for (uint32_t i = 0; i < size; i++) {
            peak = std::max(peak, std::abs(d[i] - 128));
            clipped += (d[i] <= 1 || d[i] == 255);
        }
        EXPECT_GT(peak, 60);
        EXPECT_LT(clipped, int(size / 200));
        // One-shot sounds begin and end at the centre line: no click when a buffer starts or
        // is released.
        EXPECT_LE(std::abs(d[0] - 128), 4);
        EXPECT_LE(std::abs(d[size - 1] - 128), 2);
    }
}

TEST(Sounds, TheGamesLoaderTakesEverySound) {
    if (!GameReadsFiles()) GTEST_SKIP() << "the platform's file functions read nothing yet";
    for (const char *n :
         {"alarm", "depthc", "dingding", "torp", "peri", "shipexp", "subexp", "tphit", "ping",
          "gun", "dcunder", "sub_e1", "sub_e2", "sub_e3", "splash"}) {
        uint32_t size = 0;
        void *d = FileLoad((Data() + "/sfx/" + n + ".raw").c_str(), &size);
        ASSERT_NE(d, nullptr) << n;
        EXPECT_EQ(size, GenReadFile(Data() + "/sfx/" + n + ".raw").size()) << n;
        DebugFree(d);
    }
}

TEST(Sounds, EngineLoopsJoinWithoutAClick) {
    for (const char *n : {"sub_e1", "sub_e2", "sub_e3"}) {
        SCOPED_TRACE(n);
        std::vector<uint8_t> raw = GenReadFile(Data() + "/sfx/" + n + ".raw");
        uint32_t size = uint32_t(raw.size());
        ASSERT_GT(size, 2u);
        const uint8_t *d = raw.data();
        EXPECT_GE(size, 11025u);
        // The step across the seam is no bigger than the sound's ordinary steps.
        int worst = 0;
        for (uint32_t i = 1; i < size; i++)
            worst = std::max(worst, std::abs(d[i] - d[i - 1]));
        int seam = std::abs(int(d[0]) - int(d[size - 1]));
        EXPECT_LE(seam, std::max(4, worst / 2));
        // And the curve carries on across it: the bend at the seam is no sharper than the
        // sharpest bend inside the loop (a click would stand out there).
        int bend = 0;
        for (uint32_t i = 1; i + 1 < size; i++)
            bend = std::max(bend, std::abs(d[i + 1] - 2 * d[i] + d[i - 1]));
        EXPECT_LE(std::abs(int(d[1]) - 2 * int(d[0]) + int(d[size - 1])), bend);
        EXPECT_LE(std::abs(int(d[0]) - 2 * int(d[size - 1]) + int(d[size - 2])), bend);
    }
}

TEST(Text, SettingsTemplateAndHelpAreThere) {
    std::vector<uint8_t> ini = GenReadFile(Data() + "/default.ini");
    std::string s(ini.begin(), ini.end());
    EXPECT_NE(s.find("[Kestrune]"), std::string::npos);
    EXPECT_NE(s.find("version=107"), std::string::npos);
    EXPECT_NE(s.find("port=6000"), std::string::npos);
    std::vector<uint8_t> hlp = GenReadFile(Data() + "/kr.hlp");
    std::string h(hlp.begin(), hlp.end());
    for (const char *station :
         {"BRIDGE", "COMPASS", "ENGINES", "MAP TABLE", "DEPTH GAUGE", "TORPEDO TUBES", "DECK GUN",
          "DEPTH CHARGES", "ORDERS", "RADIO ROOM", "STATUS MAP", "KEYS"})
        EXPECT_NE(h.find(station), std::string::npos) << station;
}

} // namespace
