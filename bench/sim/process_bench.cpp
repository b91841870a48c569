// process_bench.cpp -- ProcessMobiles over a full list of 50 active mobiles (target: < 20 us)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "media/sfx.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "sim/hits.h"
#include "sim/mobile.h"
#include "sim/move.h"
#include "stations/bridge.h"

namespace {

void Coefficients(ShipTypeEntry *t) {
    const double speed[5] = {-2, -1, 0, 2, 4}, turn[5] = {-0.01, -0.005, 0, 0.005, 0.01};
    for (int i = 0; i < 5; i++) {
        t->speed_table[i] = speed[i];
        t->turn_table[i] = turn[i];
        t->dive_table[i] = 0.01 * (i - 2);
    }
    t->drag = 0.1;
    t->submerged = 0.5;
}

Mobile *Put(int32_t type, int32_t id, int32_t x, int32_t y, int32_t z) {
    Mobile *m = &mobile[num_mobiles++];
    memset(m, 0, sizeof(*m));
    m->type = &ShipType[type];
    m->id = id;
    m->status = ST_INUSE | ST_ACTIVE;
    m->engine = 4;
    m->helm = 2;
    m->trim = 0x8002;
    m->last_move = m->last_ping = GetTickCount();
    SetMobilePosition(m, x, y, z, 0, 0, 0);
    return m;
}

// A battle of 40 ships and 10 own torpedoes on parallel northward lanes: everything moves,
// every torpedo is tested against every ship, and nothing ever meets, so the list stays full.
void FullBattle() {
    PlatformTestReset(800, 600);
    InitializeDebug(nullptr);
    sfxInitialize(SFX_OFF);
    for (int i = 1; i < MAX_SHIP_TYPES; i++)
        Coefficients(&ShipType[i]);
    InitializeMobiles();
    player_mobile = Put(SUBMARINE, 1, 0, 30, 0);
    player_mobile->ordered_depth = 30;
    player_mobile->status |= ST_DEPTH;
    for (int i = 1; i < 40; i++) {
        const int32_t types[] = {DESTROYER, CORVETTE, MERCHANT, TANKER, SUBMARINE};
        int32_t type = types[i % 5];
        Mobile *m = Put(type, 100 + i, i * 2000, type == SUBMARINE ? 50 : 0, (i % 7) * 3000);
        if (i % 3 == 0) {
            m->ordered_heading = 0x8000; // steering keeps the rudder busy every step
            m->status |= ST_STEER;
        }
    }
    for (int i = 0; i < 10; i++)
        Put(TORPEDO, 200 + i, i * 2000 + 1000, 2, 0)->owner = 1;
    observer_status = OBS_LOOKOUT;
}

void BM_ProcessMobiles50(benchmark::State &state) {
    FullBattle();
    for (auto _ : state) {
        ProcessMobiles();
        benchmark::DoNotOptimize(mobile[num_mobiles - 1].z);
    }
    state.counters["mobiles"] = num_mobiles;
    if (num_mobiles != MAX_MOBILES) state.SkipWithError("the list lost mobiles");
    CloseMobiles();
    player_mobile = nullptr;
}
BENCHMARK(BM_ProcessMobiles50);

} // namespace
