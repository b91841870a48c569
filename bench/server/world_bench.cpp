// world_bench.cpp -- cost of one world step with many drones at sea
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "server/srv_local.h"
#include "server/srv_log.h"
#include "server/srv_world.h"

static void BM_WorldStep(benchmark::State &state) {
    SrvLogSetLevel(LOG_WARN);
    ServerConfig cfg;
    cfg.bind = "127.0.0.1";
    cfg.port = 0;
    cfg.mail_port = 0;
    char tmpl[] = "/tmp/kr-bench-XXXXXX";
    std::string dir = mkdtemp(tmpl);
    cfg.db_path = dir + "/b.db";
    cfg.drones = (int)state.range(0);
    cfg.seed = 3;
    // The world keeps its own 100 ms timer too; the benchmark adds steps of its own.
    std::string err;
    SrvHandle *h = SrvStart(cfg, &err);
    if (!h) {
        state.SkipWithError(err.c_str());
        return;
    }
    World *w = SrvServerOf(h)->world;
    uint32_t now = 1000;
    int ships = 0;
    for (auto _ : state) {
        // Timed on the server's thread: the hand-over to it is not part of a step.
        double secs = 0;
        SrvCall(h, [&] {
            auto t0 = std::chrono::steady_clock::now();
            WorldStep(w, now += 100);
            secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            ships = WorldShips(w);
        });
        state.SetIterationTime(secs);
    }
    state.counters["ships"] = ships;
    SrvStop(h);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WorldStep)->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
