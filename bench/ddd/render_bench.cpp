// render_bench.cpp -- frames of seeded reference scenes through the engine, single-threaded
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ddd/ddd_local.h"
#include "bench/ddd/scenes.h"

namespace {

// The span path the engine chose (KESTRUNE_DDD_SIMD forces a narrower one).
const char *SimdName() {
    static const char *const names[] = {"portable", "sse2", "avx2"};
    return names[ddd_simd];
}

void Report(benchmark::State &state, const Scene &s, int64_t covered) {
    state.SetLabel(SimdName());
    state.counters["frames_per_s"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    state.counters["pixels_per_s"] =
        benchmark::Counter((double)covered * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["triangles_per_s"] =
        benchmark::Counter((double)s.triangles * state.iterations(), benchmark::Counter::kIsRate);
}

void Run(benchmark::State &state, int32_t which) {
    Scene s;
    SceneBuild(s, which);
    SceneFrame(s);
    int64_t covered = SceneCovered() * s.layers;
    for (auto _ : state)
        benchmark::DoNotOptimize(SceneFrame(s));
    Report(state, s, covered);
    StopEngine();
}

void BM_TypicalBridge640x480(benchmark::State &state) {
    Run(state, SCENE_TYPICAL);
}
void BM_Ships1024x768(benchmark::State &state) {
    Run(state, SCENE_SHIPS_1024);
}
void BM_Ships742x540(benchmark::State &state) {
    Run(state, SCENE_SHIPS_742);
}
void BM_FillTenLayers(benchmark::State &state) {
    Run(state, SCENE_LAYERS);
}
void BM_TinyTriangles(benchmark::State &state) {
    Run(state, SCENE_TINY);
}

// Clearing a 1024 x 768 screen and the whole of its depth buffer (as after a frame drawn into
// every row; after the scenes above, only the rows drawn into are cleared).
void BM_Clear1024x768(benchmark::State &state) {
    dddScreen screen;
    StartEngine(&screen, 1024, 768);
    for (auto _ : state) {
        dddCls();
        dddZBForget();
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
        drawn += SceneFrame(s);
    return drawn;
}

int main(int argc, char **argv) {
    // An optional third argument writes the last frame as a PNG, to look at the scene.
    if ((argc == 3 || argc == 4) && strncmp(argv[1], "--frames=", 9) == 0) {
        for (int32_t which = 0; which < SCENE_COUNT; which++) {
            if (strcmp(argv[2], scene_names[which]) != 0) continue;
            Scene s;
            SceneBuild(s, which);
            SceneFrame(s);
            int32_t n = atoi(argv[1] + 9);
            int32_t drawn = MeasuredFrames(s, n);
            // The hashes tell whether a change to the engine altered a single pixel or depth.
            uint64_t depth_hash = 1469598103934665603ull;
            for (int32_t i = 0; i < dddwidth_mul_depth; i++)
                depth_hash = (depth_hash ^ dddzbufferptr[i]) * 1099511628211ull;
            printf("%s: %d frames, %d objects drawn, %d triangles a frame, screen hash %016llx, "
                   "depth hash %016llx (%s spans)\n",
                   scene_names[which], n, drawn, s.triangles, (unsigned long long)HashScreen(),
                   (unsigned long long)depth_hash, SimdName());
            if (argc == 4 && !WritePng(argv[3])) fprintf(stderr, "cannot write %s\n", argv[3]);
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
