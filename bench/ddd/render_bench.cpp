// render_bench.cpp -- frames of seeded reference scenes through the engine, single-threaded
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ddd/ddd_local.h"
#include "tests/ddd/ddd_support.h"

namespace {

struct Scene {
    bool horizon = false;
    int32_t layers = 1;
    dddScreen screen;
    dddObject *camera = nullptr, *light = nullptr;
    std::vector<dddObject *> objects;
    int32_t triangles = 0;
};

// The sky-and-sea fill the bridge paints behind the models (two bands of eight colours).
void Horizon() {
    int32_t h = dddscreen_depth;
    for (int32_t y = 0; y < h; y++) {
        int32_t band = y * 16 / (h ? h : 1);
        memset(dddscreenptr + dddscreenmultabptr[y], band < 8 ? 0xE8 + band : 0xE0 + band - 8,
               (size_t)dddscreen_width);
    }
}

void Start(Scene &s, int32_t w, int32_t h) {
    StartEngine(&s.screen, w, h);
    mem_files["DEFAULT.CG"] = MakeShadeFile();
    mem_files["DEFAULT.COL"] = MakePaletteFile();
    dddPaletteLoad("default.col");
    s.camera = dddCreateCamera(32000, w / 20, w / 20); // the bridge's widest view
    s.light = dddCreateLight(5, 255, 0);
}

// `ships` hulls of 200 triangles in a seeded spread ahead of the camera.
void Ships(Scene &s, int32_t ships, int32_t spacing) {
    mem_files["SHIP.DSH"] = MakeHull(70, 50, 260, 11, 10, 0x3F).Build();
    dddInitRnd(0x12345678u);
    for (int32_t i = 0; i < ships; i++) {
        dddObject *o = dddLoad("ship.dsh");
        dddSetRenderMethod(o, 0x2300);
        // Rows of up to ten abreast, centred on the line of sight, each row farther out.
        int32_t per_row = ships < 10 ? ships : 10, lane = i % 10, row = i / 10;
        dddMoveTo(o, (2 * lane - per_row + 1) * spacing + (dddRnd() & 63), 20,
                  1400 + row * 700 + (dddRnd() & 255));
        dddRotateTo(o, 0, dddRnd(), 0);
        s.objects.push_back(o);
        s.triangles += 200;
    }
}

int32_t Frame(Scene &s) {
    if (s.horizon) Horizon();
    dddZBCls();
    dddClearObjects();
    dddSelectCamera(s.camera);
    for (dddObject *o : s.objects)
        dddInsertObject(o);
    dddInsertObject(s.light);
    return dddDrawObjects();
}

int64_t Covered() {
    int64_t n = 0;
    for (int32_t i = 0; i < dddwidth_mul_depth; i++)
        n += dddzbufferptr[i] != 0;
    return n;
}

void Report(benchmark::State &state, const Scene &s, int64_t covered) {
    state.counters["frames_per_s"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    state.counters["pixels_per_s"] =
        benchmark::Counter((double)covered * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["triangles_per_s"] =
        benchmark::Counter((double)s.triangles * state.iterations(), benchmark::Counter::kIsRate);
}

void ShipScene(Scene &s, int32_t w, int32_t h, int32_t ships, int32_t spacing) {
    Start(s, w, h);
    Ships(s, ships, spacing);
    s.horizon = true;
}

// Ten screen-filling Gouraud layers, each nearer than the last so every pixel is written.
void LayerScene(Scene &s) {
    Start(s, 1024, 768);
    ShapeFile f;
    ShapeLevel l;
    std::vector<int32_t> xyz;
    for (int32_t k = 0; k < 10; k++) {
        int32_t z = 2000 - 150 * k, e = 4 * z; // far enough out to cover the view
        xyz.insert(xyz.end(), {-e, -e, z, e, -e, z, e, e, z, -e, e, z});
    }
    l.points = 40;
    l.normals = 20;
    l.Points(0, xyz);
    for (int32_t k = 0; k < 10; k++) {
        l.Poly(0x3F, 2 * k, {4 * k, 4 * k + 1, 4 * k + 2});
        l.Poly(0x3F, 2 * k + 1, {4 * k, 4 * k + 2, 4 * k + 3});
    }
    l.End();
    f.npoints = 40;
    f.radius = 20000;
    f.levels.push_back(l);
    mem_files["LAYERS.DSH"] = f.Build();
    dddObject *o = dddLoad("layers.dsh");
    dddSetRenderMethod(o, 0x2300);
    dddMoveTo(o, 0, 0, 0);
    s.objects.push_back(o);
    s.triangles = 20;
    dddMoveTo(s.light, 0, 0, -2000);
    s.layers = 10;
}

// 100000 tiny triangles in ten overlapping shapes: the set-up rate. Each shape is a 100 x 100
// grid that fits the screen at this depth; a triangle's legs are 6 units, 3 to 4 pixels, so it
// covers about six pixels.
void TinyScene(Scene &s) {
    Start(s, 1024, 768);
    ShapeFile f;
    ShapeLevel l;
    std::vector<int32_t> xyz;
    for (int32_t i = 0; i < 10000; i++) {
        int32_t x = (i % 100 - 50) * 18, y = (i / 100 - 50) * 11;
        xyz.insert(xyz.end(), {x, y, 0, x + 6, y, 0, x, y + 6, 0});
    }
    l.points = 30000;
    l.normals = 10000;
    l.Points(0, xyz);
    for (int32_t i = 0; i < 10000; i++)
        l.Poly(0x3F, i, {3 * i, 3 * i + 1, 3 * i + 2});
    l.End();
    f.npoints = 30000;
    f.radius = 4000;
    f.levels.push_back(l);
    mem_files["TINY.DSH"] = f.Build();
    for (int32_t k = 0; k < 10; k++) {
        dddObject *o = dddLoad("tiny.dsh");
        dddSetRenderMethod(o, 0x2300);
        dddMoveTo(o, k * 3, k * 2, 3000 + 10 * k);
        s.objects.push_back(o);
    }
    s.triangles = 100000;
}

enum { TYPICAL, SHIPS_1024, SHIPS_742, LAYERS, TINY, SCENES };
const char *const scene_names[SCENES] = {"typical640x480", "ships1024x768", "ships742x540",
                                         "layers", "tiny"};

void Build(Scene &s, int32_t which) {
    switch (which) {
    case TYPICAL: // a few ships on a 640 x 480 bridge
        ShipScene(s, 640, 480, 5, 60);
        break;
    // 50 ships, 10000 triangles, Gouraud-lit by one point light, depth clear and horizon fill.
    case SHIPS_1024:
        ShipScene(s, 1024, 768, 50, 130);
        break;
    case SHIPS_742:
        ShipScene(s, 742, 540, 50, 130);
        break;
    case LAYERS:
        LayerScene(s);
        break;
    default:
        TinyScene(s);
        break;
    }
}

void Run(benchmark::State &state, int32_t which) {
    Scene s;
    Build(s, which);
    Frame(s);
    int64_t covered = Covered() * s.layers;
    for (auto _ : state)
        benchmark::DoNotOptimize(Frame(s));
    Report(state, s, covered);
    StopEngine();
}

void BM_TypicalBridge640x480(benchmark::State &state) {
    Run(state, TYPICAL);
}
void BM_Ships1024x768(benchmark::State &state) {
    Run(state, SHIPS_1024);
}
void BM_Ships742x540(benchmark::State &state) {
    Run(state, SHIPS_742);
}
void BM_FillTenLayers(benchmark::State &state) {
    Run(state, LAYERS);
}
void BM_TinyTriangles(benchmark::State &state) {
    Run(state, TINY);
}

// Clearing a 1024 x 768 screen and its depth buffer.
void BM_Clear1024x768(benchmark::State &state) {
    dddScreen screen;
    StartEngine(&screen, 1024, 768);
    for (auto _ : state) {
        dddCls();
        dddZBCls();
        benchmark::ClobberMemory();
    }
    StopEngine();
}

} // namespace

BENCHMARK(BM_TypicalBridge640x480)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ships1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ships742x540)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillTenLayers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinyTriangles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Clear1024x768)->Unit(benchmark::kMicrosecond);

// `bench_ddd --frames=N scene` renders N frames of one scene outside the timing framework, so
// that `valgrind --tool=callgrind --toggle-collect='*MeasuredFrames*'` counts their instructions.
__attribute__((noinline)) int32_t MeasuredFrames(Scene &s, int32_t n) {
    int32_t drawn = 0;
    for (int32_t i = 0; i < n; i++)
        drawn += Frame(s);
    return drawn;
}

int main(int argc, char **argv) {
    if (argc == 3 && strncmp(argv[1], "--frames=", 9) == 0) {
        for (int32_t which = 0; which < SCENES; which++) {
            if (strcmp(argv[2], scene_names[which]) != 0) continue;
            Scene s;
            Build(s, which);
            Frame(s);
            int32_t n = atoi(argv[1] + 9);
            int32_t drawn = MeasuredFrames(s, n);
            // The hashes tell whether a change to the engine altered a single pixel or depth.
            uint64_t depth_hash = 1469598103934665603ull;
            for (int32_t i = 0; i < dddwidth_mul_depth; i++)
                depth_hash = (depth_hash ^ dddzbufferptr[i]) * 1099511628211ull;
            printf("%s: %d frames, %d objects drawn, %d triangles a frame, screen hash %016llx, "
                   "depth hash %016llx\n",
                   scene_names[which], n, drawn, s.triangles, (unsigned long long)HashScreen(),
                   (unsigned long long)depth_hash);
            StopEngine();
            return 0;
        }
        fprintf(stderr, "scenes: typical640x480 ships1024x768 ships742x540 layers tiny\n");
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
