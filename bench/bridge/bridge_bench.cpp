// bridge_bench.cpp -- BridgeUpdate with the window copy, 20 ships in view, 1920 x 1080 screen
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "ddd/ddd.h"
#include "platform/platform_test.h"
#include "media/sfx.h"
#include "shell/debug.h"
#include "shell/shell.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "stations/bridge.h"
#include "tests/support/frame_window.h"
#include "tests/stations/bridge_support.h"

namespace {

// The own destroyer and 19 ships spread over 60 degrees ahead at 600 to 6000 units; every ship
// passes the engine's view test, so each frame draws the whole battle.
bool Battle(int32_t optics) {
    static bool made;
    if (!made) {
        TestFrameOpen(1920, 1080);
        InitializeDebug(nullptr);
        InitializeCircle();
        InitializePalette();
        dddInitWindows32(hwndApp, malloc, free, dddLoadFile);
        sfxInitialize(SFX_OFF);
        InitializeMobiles();
        player_mobile = NewMobile(DESTROYER);
        if (!player_mobile) return false;
        player_mobile->status |= ST_INUSE | ST_ACTIVE;
        player_mobile->country = 1;
        BridgeOpen(hwndApp);
        const int32_t types[] = {DESTROYER, CORVETTE, MERCHANT, TANKER, SUBMARINE};
        for (int i = 0; i < 19; i++) {
            uint16_t bearing = (uint16_t)(0xF550 + i * 0x0120);
            if (!SceneShip(types[i % 5], 100 + i, 600 + i * 300, bearing, (uint16_t)(i * 0x0D00),
                           i % 3, "Ship"))
                return false;
        }
        made = true;
    }
    observer_status = optics;
    return hwndBridge != nullptr;
}

void BM_BridgeFrame(benchmark::State &state) {
    if (!Battle((int32_t)state.range(0))) {
        state.SkipWithError("no battle scene (shapes or window missing)");
        return;
    }
    BridgeUpdate();
    // A picture of the measured scene, for checking that the ships are really drawn.
    if (const char *shot = getenv("BRIDGE_BENCH_SHOT")) PlatformTestScreenshot(shot);
    for (auto _ : state)
        BridgeUpdate();
    state.counters["fps"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
// 2 binoculars, 1 periscope (cross-hairs, round clip)
BENCHMARK(BM_BridgeFrame)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
