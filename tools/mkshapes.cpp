// mkshapes.cpp -- models the ships, the torpedo and the explosion and splash sprites as shape files
#include "tools/gen_io.h"
#include "tools/gen_palette.h"
#include "tools/shape_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

static const int GREY = PalBase(PAL_GREY), DARK = PalBase(PAL_DARK), WHITE = PalBase(PAL_WHITE),
                 BLACK = PalBase(PAL_BLACK), RUST = PalBase(PAL_RUST), BUFF = PalBase(PAL_BUFF),
                 WOOD = PalBase(PAL_WOOD);
static const float PI = 3.14159265f;
// Funnel tops show as dark openings.
static const int FUNNEL_MOUTH = PAL_BLACK + 3;

// Level of detail: 0 near, 1 middle, 2 far.
struct Detail {
    int lod;
    int sides() const { return lod == 0 ? 8 : (lod == 1 ? 6 : 4); }
};

// Thins a hull's stations for the coarser levels, always keeping the ends.
static std::vector<HullStation> Thin(const std::vector<HullStation> &st, int lod) {
    if (lod == 0) return st;
    std::vector<HullStation> out;
    int step = lod == 1 ? 2 : 3;
    for (size_t i = 0; i < st.size(); i++)
        if (i % step == 0 || i + 1 == st.size()) out.push_back(st[i]);
    return out;
}

static void Mast(Mesh &m, float z, float y_base, float y_top, float w, int colour) {
    m.Box({-w, y_top, z - w}, {w, y_base, z + w}, colour);
}

static void Gun(Mesh &m, const Detail &d, float z, float y_deck, float dir, float size = 1) {
    float h = 16 * size, w = 13 * size, l = 18 * size;
    m.Box({-w, y_deck - h, z - l}, {w, y_deck, z + l}, GREY, DARK);
    if (d.lod < 2) {
        float zb = z + dir * l, ze = z + dir * (l + 46 * size);
        if (dir > 0)
            m.Tube(0, y_deck - h * 0.55f, zb, ze, 3 * size, 2.5f * size, d.lod ? 4 : 6, DARK);
        else
            m.Tube(0, y_deck - h * 0.55f, ze, zb, 2.5f * size, 3 * size, d.lod ? 4 : 6, DARK);
    }
}

static void Funnel(Mesh &m, const Detail &d, float z, float y_base, float height, float r,
                   int colour, int top_colour, float rake = 8) {
    float band = height * 0.16f;
    m.Stack({0, y_base, z}, r, r * 0.95f, height - band, rake * (height - band) / height, d.sides(),
            colour, colour);
    m.Stack({0, y_base - (height - band), z - rake * (height - band) / height}, r * 0.95f,
            r * 0.93f, band, rake * band / height, d.sides(), top_colour, FUNNEL_MOUTH);
}

// ---- destroyer: 600 x 60 ----

static Mesh Destroyer(const Detail &d) {
    Mesh m;
    std::vector<HullStation> st{{-600, 40, 30, 1.0f}, {-540, 52, 30, 1.0f}, {-420, 58, 31, 1.0f},
                                {-250, 60, 32, 1.0f}, {-80, 60, 34, 1.02f}, {100, 59, 38, 1.04f},
                                {260, 52, 46, 1.08f}, {400, 38, 54, 1.15f}, {500, 22, 62, 1.3f},
                                {570, 8, 68, 1.6f},   {600, 0, 72, 1.0f}};
    Hull(m, Thin(st, d.lod), GREY, DARK, 1);
    // Guns A and B forward (B superfiring), X and Y aft.
    Gun(m, d, 430, -54, 1);
    m.Box({-18, -62, 295}, {18, -44, 345}, GREY);
    Gun(m, d, 320, -62, 1);
    // Bridge and director.
    m.Box({-32, -84, 175}, {32, -40, 260}, GREY, DARK);
    if (d.lod == 0) {
        m.Box({-28, -108, 195}, {28, -84, 252}, GREY, DARK);
        m.Box({-28.5f, -102, 240}, {28.5f, -94, 252.5f}, BLACK);
        m.Box({-11, -128, 210}, {11, -108, 232}, GREY, DARK);
    } else {
        m.Box({-28, -108, 195}, {28, -84, 252}, GREY, DARK);
    }
    // Foremast with a yard.
    Mast(m, 170, -84, d.lod == 2 ? -210 : -240, d.lod == 2 ? 3.f : 2.5f, DARK);
    if (d.lod < 2) {
        m.Box({-34, -196, 168}, {34, -192, 172}, DARK);
        m.Line({0, -236, 170}, {0, -40, -120}, DARK);
    }
    // Funnels.
    Funnel(m, d, 80, -36, 66, 15, GREY, BLACK);
    Funnel(m, d, -40, -34, 60, 14, GREY, BLACK);
    // Torpedo tubes amidships, searchlight platform, after deckhouse and guns.
    if (d.lod < 2) {
        m.Box({-14, -44, -150}, {14, -34, -100}, DARK);
        for (float x : {-8.f, 0.f, 8.f})
            m.Tube(x, -50, -170, -80, 4, 4, 4, GREY);
        m.Box({-9, -74, -8}, {9, -36, 8}, GREY, DARK);
    }
    m.Box({-26, -62, -270}, {26, -33, -185}, GREY, DARK);
    Gun(m, d, -235, -62, -1);
    Gun(m, d, -390, -31, -1);
    if (d.lod < 2) Mast(m, -160, -33, -150, 2, DARK);
    if (d.lod == 0) {
        // Depth-charge rails at the stern.
        for (float x : {-26.f, 22.f})
            m.Box({x, -40, -595}, {x + 4, -30, -520}, BLACK);
    }
    return m;
}

// ---- corvette: 500 x 30 ----

static Mesh Corvette(const Detail &d) {
    Mesh m;
    std::vector<HullStation> st{{-500, 20, 22, 1.0f}, {-440, 27, 22, 1.0f}, {-300, 30, 23, 1.0f},
                                {-100, 30, 24, 1.0f}, {80, 30, 26, 1.0f},   {120, 30, 40, 1.04f},
                                {260, 27, 44, 1.08f}, {380, 19, 48, 1.15f}, {450, 10, 52, 1.3f},
                                {490, 3, 56, 1.5f},   {500, 0, 58, 1.0f}};
    Hull(m, Thin(st, d.lod), GREY, DARK, 1);
    // Forecastle break bulkhead.
    m.Box({-30, -40, 80}, {30, -24, 122}, GREY, DARK);
    Gun(m, d, 360, -46, 1, 0.8f);
    m.Box({-24, -84, 150}, {24, -40, 230}, GREY, DARK);
    if (d.lod == 0) {
        m.Box({-22, -100, 165}, {22, -84, 222}, GREY, DARK);
        m.Box({-22.5f, -96, 214}, {22.5f, -90, 222.5f}, BLACK);
    }
    Mast(m, 250, -44, d.lod == 2 ? -190 : -210, 2.5f, DARK);
    if (d.lod < 2) m.Box({-24, -168, 248}, {24, -164, 252}, DARK);
    Funnel(m, d, 60, -26, 64, 13, GREY, BLACK, 10);
    // Engine-room casing and the after gun tub.
    m.Box({-20, -40, -120}, {20, -24, 20}, GREY, DARK);
    if (d.lod < 2) {
        m.Stack({0, -24, -250}, 14, 14, 16, 0, d.sides(), GREY, DARK);
        m.Tube(0, -44, -250, -214, 2.5f, 2, 4, DARK);
    }
    if (d.lod == 0)
        for (float x : {-20.f, 16.f})
            m.Box({x, -32, -498}, {x + 4, -24, -430}, BLACK);
    return m;
}

// ---- merchant: 350 x 50, three-island freighter ----

static Mesh Merchant(const Detail &d) {
    Mesh m;
    std::vector<HullStation> st{{-350, 38, 34, 1.0f}, {-300, 46, 32, 1.0f}, {-180, 50, 28, 1.0f},
                                {0, 50, 28, 1.0f},    {160, 50, 29, 1.0f},  {250, 44, 32, 1.02f},
                                {310, 30, 38, 1.06f}, {340, 14, 44, 1.2f},  {350, 0, 46, 1.0f}};
    Hull(m, Thin(st, d.lod), BLACK, WOOD, 1);
    // Forecastle and poop.
    m.Prism({{-30, 270}, {30, 270}, {24, 320}, {-24, 320}}, -48, -30, BLACK, WOOD);
    m.Box({-44, -46, -345}, {44, -31, -260}, BLACK, WOOD);
    // Bridge island amidships: white house, wheelhouse, funnel.
    m.Box({-40, -62, -40}, {40, -27, 60}, WHITE, WOOD);
    m.Box({-30, -86, 10}, {30, -62, 56}, WHITE, GREY);
    if (d.lod == 0) m.Box({-30.5f, -80, 48}, {30.5f, -72, 56.5f}, BLACK);
    Funnel(m, d, -20, -62, 52, 14, BUFF, BLACK, 6);
    // Hatches.
    for (float z : {110.f, 200.f, -130.f, -210.f})
        m.Box({-22, -36, z - 26}, {22, -27, z + 26}, DARK, WOOD);
    // Masts with derricks.
    for (float z : {160.f, -170.f}) {
        Mast(m, z, -28, d.lod == 2 ? -150 : -170, d.lod == 2 ? 3.f : 2.5f, BUFF);
        if (d.lod < 2) {
            m.Line({0, -110, z}, {0, -40, z + (z > 0 ? 70.f : -70.f)}, BUFF);
            m.Box({-20, -150, z - 2}, {20, -147, z + 2}, BUFF);
        }
    }
    if (d.lod < 2) {
        m.Line({0, -170, 160}, {0, -48, 330}, DARK);
        m.Line({0, -170, -170}, {0, -86, 40}, DARK);
        m.Line({0, -170, 160}, {0, -86, 50}, DARK);
    }
    return m;
}

// ---- tanker: 450 x 60, bridge forward of amidships, engines aft ----

static Mesh Tanker(const Detail &d) {
    Mesh m;
    std::vector<HullStation> st{{-450, 46, 30, 1.0f}, {-400, 56, 28, 1.0f}, {-250, 60, 24, 1.0f},
                                {0, 60, 24, 1.0f},    {250, 60, 25, 1.0f},  {350, 54, 28, 1.02f},
                                {410, 34, 34, 1.08f}, {440, 14, 40, 1.2f},  {450, 0, 42, 1.0f}};
    Hull(m, Thin(st, d.lod), BLACK, RUST, 1);
    m.Prism({{-34, 380}, {34, 380}, {26, 425}, {-26, 425}}, -44, -26, BLACK, RUST);
    // Midships bridge house.
    m.Box({-44, -58, 110}, {44, -23, 190}, WHITE, GREY);
    m.Box({-34, -80, 130}, {34, -58, 186}, WHITE, GREY);
    if (d.lod == 0) m.Box({-34.5f, -74, 178}, {34.5f, -67, 186.5f}, BLACK);
    // After engine house and funnel.
    m.Box({-54, -60, -445}, {54, -27, -300}, WHITE, GREY);
    m.Box({-40, -78, -430}, {40, -60, -330}, WHITE, GREY);
    Funnel(m, d, -380, -78, 50, 17, BLACK, BLACK, 6);
    if (d.lod < 2) {
        // Catwalk along the centre line and the tank tops.
        m.Box({-4, -40, -300}, {4, -36, 110}, GREY);
        m.Box({-4, -40, 190}, {4, -36, 380}, GREY);
        for (float z = -260; z < 360; z += 90)
            if (z < 100 || z > 200) m.Box({-16, -30, z - 10}, {16, -24, z + 10}, RUST);
    }
    Mast(m, 330, -28, d.lod == 2 ? -150 : -170, 2.5f, BUFF);
    Mast(m, -300, -60, d.lod == 2 ? -160 : -180, 2.5f, BUFF);
    if (d.lod < 2) {
        m.Line({0, -170, 330}, {0, -44, 420}, DARK);
        m.Line({0, -170, 330}, {0, -180, -300}, DARK);
    }
    return m;
}

// ---- submarine: 500 x 40, surfaced ----

static Mesh Submarine(const Detail &d) {
    Mesh m;
    // The casing rides low; its deck edge lies inboard of the waterline.
    std::vector<HullStation> st{{-500, 6, 6, 1.0f},    {-440, 18, 10, 0.8f}, {-300, 32, 13, 0.6f},
                                {-100, 40, 14, 0.55f}, {100, 40, 14, 0.55f}, {280, 34, 15, 0.6f},
                                {400, 24, 18, 0.7f},   {470, 12, 24, 0.8f},  {500, 0, 28, 1.0f}};
    Hull(m, Thin(st, d.lod), DARK, BLACK, 1);
    // Conning tower: a rounded plan, narrowing upwards, with the bridge cut at its top.
    std::vector<std::pair<float, float>> plan;
    int n = d.lod == 0 ? 12 : (d.lod == 1 ? 8 : 6);
    for (int i = 0; i < n; i++) {
        float a = 2 * PI * (i + 0.5f) / n;
        float x = 20 * std::cos(a), z = 120 + 80 * std::sin(a);
        if (z > 120) z = 120 + (z - 120) * 1.2f;
        plan.push_back({x, z});
    }
    m.Prism(plan, -84, -12, DARK, BLACK);
    if (d.lod < 2) {
        // Periscope standards and the radio mast.
        m.Box({-4, -150, 134}, {4, -84, 142}, DARK);
        m.Box({-3, -128, 112}, {3, -84, 118}, DARK);
        m.Box({-10, -92, 36}, {10, -84, 80}, DARK, BLACK);
    }
    // Deck gun forward of the tower.
    m.Stack({0, -14, 280}, 7, 6, 14, 0, d.sides(), DARK);
    m.Box({-9, -36, 268}, {9, -26, 296}, DARK);
    if (d.lod < 2) m.Tube(0, -32, 296, 356, 3, 2.5f, 4, DARK);
    if (d.lod < 2) {
        // Jumping wires over the tower.
        m.Line({0, -30, 498}, {0, -150, 138}, DARK);
        m.Line({0, -150, 138}, {0, -10, -496}, DARK);
    }
    return m;
}

// ---- torpedo: the body just under the surface and its wake of foam ----

static Mesh Torpedo(const Detail &d) {
    Mesh m;
    if (d.lod == 0) {
        m.Tube(0, 4, -40, 30, 4, 4, 6, PalBase(PAL_GREY));
        m.Tube(0, 4, 30, 44, 4, 1, 6, PalBase(PAL_BUFF));
    }
    // Wake: flat strips on the water, widening and fading astern.
    float z = -40, w = 6;
    int shade[] = {PAL_FOAM, PAL_FOAM, PAL_SPRAY, PAL_SPRAY, PAL_SEA + 1};
    for (int k = 0; k < 5; k++) {
        float z1 = z - 140, w1 = w + 7;
        m.Poly({{-w, -1, z}, {w, -1, z}, {w1, -1, z1}, {-w1, -1, z1}}, shade[k], {0, 20, z});
        z = z1, w = w1;
    }
    return m;
}

// ---- sprites ----

struct Heat {
    float heat; // 0 smoke .. 1 white hot
};

// Fire and smoke colours by the face's upward tilt (the sun is overhead).
static int FireShade(V3 n, void *ctx) {
    float heat = static_cast<Heat *>(ctx)->heat;
    float up = -n.y * 0.5f + 0.5f, side = n.x * 0.15f;
    if (heat <= 0) {
        float k = std::clamp(up + side, 0.f, 1.f);
        return k > 0.7f ? PAL_SMOKE_LIGHT : (k > 0.35f ? PAL_SMOKE : PAL_SMOKE_DARK);
    }
    float k = std::clamp(heat * (0.55f + 0.6f * up + side), 0.f, 1.f);
    if (k > 0.93f) return PAL_HOT;
    return PAL_FIRE + int(k * (PAL_RAMP_STEPS - 1) + 0.5f);
}

static int WaterShade(V3 n, void *) {
    float k = -n.y * 0.5f + 0.5f + n.x * 0.2f;
    return k > 0.75f ? PAL_FOAM : (k > 0.45f ? PalBase(PAL_WHITE) - 2 : PAL_SPRAY);
}

static float Rand(int a, int b) {
    uint32_t h = uint32_t(a) * 2654435761u ^ uint32_t(b) * 40503u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    return (h & 0xFFFF) / 65535.f;
}

// A column of water: sides shaded by their facing, a round head.
static void Column(Mesh &m, float r0, float r1, float height, int n, float y0 = 0) {
    for (int i = 0; i < n; i++) {
        float a0 = 2 * PI * i / n, a1 = 2 * PI * (i + 1) / n;
        V3 p0{r0 * std::cos(a0), y0, r0 * std::sin(a0)},
            p1{r0 * std::cos(a1), y0, r0 * std::sin(a1)};
        V3 q0{r1 * std::cos(a0), y0 - height, r1 * std::sin(a0)};
        V3 q1{r1 * std::cos(a1), y0 - height, r1 * std::sin(a1)};
        float am = (a0 + a1) / 2;
        m.Poly({p0, p1, q1, q0}, WaterShade({std::cos(am), -0.2f, std::sin(am)}, nullptr),
               {0, y0 - height / 2, 0});
    }
}

// A ring of foam on the water.
static void FoamRing(Mesh &m, float r0, float r1, int n, int colour) {
    for (int i = 0; i < n; i++) {
        float a0 = 2 * PI * i / n, a1 = 2 * PI * (i + 1) / n;
        m.Poly({{r0 * std::cos(a0), -1, r0 * std::sin(a0)},
                {r1 * std::cos(a0), -1, r1 * std::sin(a0)},
                {r1 * std::cos(a1), -1, r1 * std::sin(a1)},
                {r0 * std::cos(a1), -1, r0 * std::sin(a1)}},
               colour, {0, 30, 0});
    }
}

static std::vector<Mesh> Explosion() {
    std::vector<Mesh> frames;
    for (int k = 0; k < 23; k++) {
        Mesh m;
        float t = k / 22.f;
        float grow = std::pow(std::min(1.f, k / 5.f), 0.6f);
        float R = 70 + 250 * grow;
        Heat fire{std::max(0.f, 1.f - std::max(0.f, k - 2.f) / 14.f)};
        if (fire.heat > 0.05f) {
            float rf = R * (k < 9 ? 1.f : std::max(0.35f, 1.f - (k - 9) / 16.f));
            m.Ball({0, -rf * 0.75f, 0}, rf, 1, FireShade, &fire, 0.85f);
            for (int b = 0; b < 4; b++) {
                float a = 2 * PI * (b + Rand(k, b)) / 4;
                float rb = rf * (0.45f + 0.2f * Rand(b, 7));
                V3 c{std::cos(a) * rf * 0.8f, -rf * (0.4f + 0.5f * Rand(b, 3)),
                     std::sin(a) * rf * 0.8f};
                Heat hb{fire.heat * 0.85f};
                m.Ball(c, rb, 0, FireShade, &hb);
            }
        }
        if (k >= 5) {
            // Smoke rising and spreading as the fire dies: a column of puffs up to the cloud.
            Heat smoke{0};
            float s = (k - 5) / 17.f;
            float rs = 110 + 230 * s;
            float ys = -(R * 1.3f + 520 * s);
            m.Ball({0, ys, 0}, rs, 1, FireShade, &smoke, 0.8f);
            for (int b = 0; b < 3; b++) {
                float a = 2 * PI * (b + 0.3f) / 3 + s;
                V3 c{std::cos(a) * rs * 0.7f, ys + rs * 0.5f, std::sin(a) * rs * 0.7f};
                m.Ball(c, rs * 0.55f, 0, FireShade, &smoke);
            }
            for (int b = 1; b <= 2; b++) {
                float f = b / 3.f;
                m.Ball({rs * 0.1f * b, ys * (1 - f), 0},
                       rs * (0.45f + 0.1f * b) * (0.6f + 0.4f * s), 0, FireShade, &smoke);
            }
        }
        if (k < 14)
            FoamRing(m, R * (0.9f + t), R * (1.2f + 1.6f * t), 12, k < 7 ? PAL_FOAM : PAL_SPRAY);
        frames.push_back(m);
    }
    return frames;
}

static std::vector<Mesh> WaterColumn(int count, float height, float radius) {
    std::vector<Mesh> frames;
    for (int k = 0; k < count; k++) {
        Mesh m;
        float t = k / float(count - 1);
        float rise = std::sin(std::min(1.f, t / 0.45f) * PI / 2);
        float fall = t > 0.45f ? (t - 0.45f) / 0.55f : 0.f;
        float h = height * rise * (1 - 0.75f * fall);
        // A plume: broad at the foot, narrowing upwards under its head, spreading as it falls.
        float r0 = radius * (1.3f + 0.8f * t), r1 = radius * (0.75f + 1.6f * fall);
        if (h > 4) Column(m, r0, r1, h, 8);
        // The head: a plume at the top, breaking into falling spray.
        float head = radius * (1.5f + 1.0f * t);
        if (fall < 0.9f) {
            m.Ball({0, -h, 0}, head, 1, WaterShade, nullptr, 0.8f);
            for (int b = 0; b < 4; b++) {
                float a = 2 * PI * b / 4 + 0.8f;
                m.Ball({std::cos(a) * head * 0.8f, -h + head * 0.5f, std::sin(a) * head * 0.8f},
                       head * 0.55f, 0, WaterShade, nullptr);
            }
        }
        if (fall > 0)
            for (int b = 0; b < 6; b++) {
                float a = 2 * PI * b / 6 + 0.4f;
                float d = r1 + radius * 2.2f * fall;
                m.Ball({std::cos(a) * d, -h * (1 - fall) - radius, std::sin(a) * d}, radius * 0.7f,
                       0, WaterShade, nullptr);
            }
        FoamRing(m, r0 * 0.9f, r0 * (1.5f + 2 * t), 10, t < 0.5f ? PAL_FOAM : PAL_SPRAY);
        frames.push_back(m);
    }
    return frames;
}

static bool Write(const std::string &dir, const std::string &name, const std::vector<Level> &lv) {
    return GenWriteFile(dir + "/3d/" + name + ".dsh", ShapeFile(lv));
}

// Ships are drawn a little taller than life so their profiles read at a distance; the far
// levels are broader still, so a ship seen bow-on at long range keeps a few pixels.
static Mesh Scaled(Mesh m, float sx, float sy) {
    for (V3 &p : m.pts) {
        p.x = std::round(p.x * sx);
        p.y = std::round(p.y * sy);
    }
    return m;
}

static std::vector<Level> Ship(Mesh (*build)(const Detail &)) {
    return {{6000, {Scaled(build({0}), 1.f, 1.3f)}},
            {16000, {Scaled(build({1}), 1.5f, 1.45f)}},
            {32767, {Scaled(build({2}), 2.4f, 1.6f)}}};
}

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mkshapes DATA_DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    bool ok = true;
    ok &= Write(dir, "dest", Ship(Destroyer));
    ok &= Write(dir, "corv", Ship(Corvette));
    ok &= Write(dir, "mrch", Ship(Merchant));
    ok &= Write(dir, "tnkr", Ship(Tanker));
    ok &= Write(dir, "sub", Ship(Submarine));
    ok &= Write(dir, "torp", {{5000, {Torpedo({0})}}, {20000, {Torpedo({1})}}});
    ok &= Write(dir, "explode", {{32767, Explosion()}});
    ok &= Write(dir, "dpthmiss", {{32767, WaterColumn(12, 520, 34)}});
    ok &= Write(dir, "gunmiss", {{32767, WaterColumn(6, 130, 12)}});
    return ok ? 0 : 1;
}
