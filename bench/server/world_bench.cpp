// world_bench.cpp -- cost of one world step with many drones at sea
#include <benchmark/benchmark.h>

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
    cfg.step_ms = 3600000; // the benchmark steps the world itself
    std::string err;
    SrvHandle *h = SrvStart(cfg, &err);
    if (!h) {
        state.SkipWithError(err.c_str());
        return;
    }
    World *w = SrvServerOf(h)->world;
    uint32_t now = 1000;
    for (auto _ : state) {
        SrvCall(h, [&] {
            for (int i = 0; i < 10; i++)
                WorldStep(w, now += 100);
        });
    }
    state.SetItemsProcessed(state.iterations() * 10);
    state.counters["ships"] = WorldShips(w);
    SrvStop(h);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WorldStep)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
