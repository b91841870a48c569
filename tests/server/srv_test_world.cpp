// srv_test_world.cpp -- the battle world stepped in-process, its output caught by a recording sink
#include "srv_test_world.h"

#include "server/srv_log.h"
#include "server/srv_score.h"

static void TestSinkSend(void *ctx, uint32_t player, const std::string &line) {
    TestSink *t = (TestSink *)ctx;
    t->out[player] += line;
    t->out[player] += '\n';
}

static void TestSinkMission(void *ctx, uint32_t player, const WorldEvent &ev) {
    TestSink *t = (TestSink *)ctx;
    switch (ev.kind) {
    case WORLD_SCORED: {
        std::vector<int32_t> &m = t->mission[player];
        m.resize(SCORE_CATEGORIES);
        if (ev.slot >= 0 && ev.slot < SCORE_CATEGORIES) m[(size_t)ev.slot] += ev.points;
        break;
    }
    case WORLD_HIT:
        t->hit_tick[player] = ev.tick;
        break;
    case WORLD_SUNK:
        t->sunk.push_back(player);
        break;
    }
}

static bool TestSinkRadio(void *ctx, uint32_t) {
    TestSink *t = (TestSink *)ctx;
    if (t->radio_left < 0) return true;
    if (t->radio_left == 0) return false;
    t->radio_left--;
    return true;
}

// Kept, and written to the log as the session would (without an address).
static void TestSinkLog(void *ctx, uint32_t player, int level, bool, const char *text) {
    TestSink *t = (TestSink *)ctx;
    t->log.push_back("player " + std::to_string(player) + ": " + text);
    SrvLog(level, "player %u: %s", player, text);
}

WorldSink TestSink::Sink() {
    WorldSink s;
    s.ctx = this;
    s.send = TestSinkSend;
    s.mission = TestSinkMission;
    s.radio = TestSinkRadio;
    s.log = TestSinkLog;
    return s;
}

std::string TestSink::Take(uint32_t player) {
    std::string text;
    text.swap(out[player]);
    return text;
}

std::vector<std::string> TestSink::Lines(uint32_t player) {
    std::vector<std::string> lines;
    std::string text = Take(player);
    size_t at = 0;
    for (size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', at)) {
        lines.push_back(text.substr(at, nl - at));
        at = nl + 1;
    }
    return lines;
}

TestWorld::~TestWorld() {
    if (w) WorldDestroy(w);
}

void TestWorld::Open(int drones, uint32_t seed) {
    cfg.drones = drones;
    cfg.seed = seed;
    w = WorldCreate(&cfg, sink.Sink());
}

uint32_t TestWorld::Join(uint32_t *player, int country, const std::string &nick, int stype,
                         const std::string &ship_name) {
    *player = next_player++;
    return WorldJoin(w, *player, country, nick, stype, ship_name);
}

void TestWorld::Step(uint32_t ms) {
    for (uint32_t t = 0; t < ms || t == 0; t += 100)
        WorldStep(w, now += 100);
}

std::string TestWaitFor(TestWorld *tw, uint32_t player, const std::string &prefix, uint32_t ms) {
    for (uint32_t t = 0;; t += 100) {
        std::string &text = tw->sink.out[player];
        size_t at = 0;
        for (size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', at)) {
            std::string line = text.substr(at, nl - at);
            at = nl + 1;
            if (line.rfind(prefix, 0) == 0) {
                text.erase(0, at);
                return line;
            }
        }
        text.erase(0, at);
        if (t >= ms) return "<none>";
        tw->Step(100);
    }
}
