// peer_bench.cpp -- the reference scenes through the engine, Allegro 4 and llvmpipe in one run,
// each on one thread: milliseconds a frame, covered pixels and triangles a second, and ratios.
//
//   bench_ddd_peers [--seconds=S] [--reps=R]      the table (R turns of S seconds each)
//   bench_ddd_peers --frames=N RENDERER SCENE     N frames only, for callgrind
//       (valgrind --tool=callgrind --toggle-collect='*PeerMeasuredFrames*' ...)
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "bench/ddd/peer.h"
#include "bench/ddd/scenes.h"
#include "ddd/ddd_local.h"

namespace {

// The scenes of the comparison, in the order the table lists them.
const int32_t compared[4] = {SCENE_SHIPS_1024, SCENE_SHIPS_742, SCENE_LAYERS, SCENE_TINY};
const char *const labels[4] = {"(a)", "(b)", "(c)", "(d)"};

// Points, unit point normals and triangles of a shape file's first level.
PeerShape ShapeTriangles(const ShapeFile &f) {
    PeerShape s;
    const std::vector<int32_t> &code = f.levels[0].code;
    for (size_t pc = 0; pc < code.size() && code[pc] > 0;) {
        if (code[pc] == 1) { // points: first, count, x y z ...
            size_t first = (size_t)code[pc + 1], count = (size_t)code[pc + 2];
            if (s.pos.size() < 3 * (first + count)) s.pos.resize(3 * (first + count));
            for (size_t i = 0; i < 3 * count; i++)
                s.pos[3 * first + i] = (float)code[pc + 3 + i];
            pc += 3 + 3 * count;
        } else if (code[pc] == 2) { // polygon: n, colour, normal, refs ...
            int32_t n = code[pc + 1];
            for (int32_t k = 1; k + 1 < n; k++) // a fan, should a ring have more than three
                s.tris.insert(s.tris.end(), {code[pc + 4], code[pc + 4 + k], code[pc + 5 + k]});
            for (int32_t k = 1; k + 1 < n; k++)
                s.colour.push_back((uint8_t)code[pc + 2]);
            pc += 4 + (size_t)n;
        } else {
            break;
        }
    }
    // Point normals: the sum of the faces' (B - A) x (C - A), which point inwards.
    s.normal.assign(s.pos.size(), 0.0f);
    for (size_t t = 0; t < s.tris.size(); t += 3) {
        const float *a = &s.pos[3 * s.tris[t]], *b = &s.pos[3 * s.tris[t + 1]],
                    *c = &s.pos[3 * s.tris[t + 2]];
        float ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
        float vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
        float n[3] = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
        float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int32_t k = 0; k < 3; k++)
            for (int32_t j = 0; j < 3; j++)
                s.normal[3 * s.tris[t + k] + j] += len > 0 ? n[j] / len : 0;
    }
    for (size_t i = 0; i < s.normal.size(); i += 3) {
        float *n = &s.normal[i], len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (len > 0) n[0] /= len, n[1] /= len, n[2] /= len;
    }
    return s;
}

// The scene as the engine saw it in its last frame: the objects it did not cull, each with the
// camera matrix and centre it drew with.
PeerScene Extract(const Scene &s) {
    PeerScene p;
    p.width = dddscreen_width;
    p.height = dddscreen_depth;
    p.horizon = s.horizon;
    p.x_ratio = x_ratio;
    p.y_ratio = y_ratio;
    for (const ShapeFile &f : s.shapes)
        p.shapes.push_back(ShapeTriangles(f));
    for (size_t i = 0; i < s.objects.size(); i++) {
        dddObject *o = s.objects[i];
        const dddShapeInfo *info = (const dddShapeInfo *)dddMemUser(o->shape);
        const dddTransform *t = o->cache ? o->cache : &o->tc;
        PeerObject po;
        po.shape = s.shape_of[i];
        if (!info || dddCullShape(info, t->world, po.centre)) continue;
        DDDMATMUL(vmat, t->wmat, po.m);
        p.objects.push_back(po);
    }
    return p;
}

double Now(clockid_t clock) {
    timespec ts;
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Timing {
    std::vector<double> wall, cpu; // ms a frame, one entry a run
    double Best() const { return *std::min_element(wall.begin(), wall.end()); }
    double MedianCpu() const {
        std::vector<double> c = cpu;
        std::sort(c.begin(), c.end());
        return c[c.size() / 2];
    }
};

// Frames for `seconds`; process CPU time counts every thread's work.
void Measure(const std::function<void()> &frame, double seconds, Timing *t) {
    double w0 = Now(CLOCK_MONOTONIC), c0 = Now(CLOCK_PROCESS_CPUTIME_ID);
    int32_t n = 0;
    do {
        frame();
        n++;
    } while (n < 3 || Now(CLOCK_MONOTONIC) - w0 < seconds * 1e3);
    t->wall.push_back((Now(CLOCK_MONOTONIC) - w0) / n);
    t->cpu.push_back((Now(CLOCK_PROCESS_CPUTIME_ID) - c0) / n);
}

void Row(const char *label, const char *scene, const char *renderer, const Timing &t,
         int64_t covered, int32_t triangles) {
    double ms = t.Best();
    printf("%-4s %-14s %-9s %9.3f %9.3f %10.1f %9.2f %9lld\n", label, scene, renderer, ms,
           t.MedianCpu(), covered / (ms * 1e3), triangles / (ms * 1e3), (long long)covered);
}

__attribute__((noinline)) void PeerMeasuredFrames(const std::function<void()> &frame, int32_t n) {
    for (int32_t i = 0; i < n; i++)
        frame();
}

int32_t SceneIndex(const char *name) {
    for (int32_t i = 0; i < SCENE_COUNT; i++)
        if (strcmp(name, scene_names[i]) == 0) return i;
    return -1;
}

} // namespace

int main(int argc, char **argv) {
    double seconds = 0.25;
    int32_t reps = 8, frames = 0;
    const char *only_renderer = nullptr, *only_scene = nullptr;
    for (int32_t i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--seconds=", 10) == 0)
            seconds = atof(argv[i] + 10);
        else if (strncmp(argv[i], "--reps=", 7) == 0)
            reps = std::max(1, atoi(argv[i] + 7));
        else if (strncmp(argv[i], "--frames=", 9) == 0)
            frames = atoi(argv[i] + 9);
        else if (!only_renderer)
            only_renderer = argv[i];
        else
            only_scene = argv[i];
    }
    if (frames > 0) {
        int32_t which = only_scene ? SceneIndex(only_scene) : -1;
        if (which < 0 || !only_renderer) {
            fprintf(stderr, "usage: bench_ddd_peers --frames=N ddd|allegro4|llvmpipe SCENE\n");
            return 2;
        }
        Scene s;
        SceneBuild(s, which);
        SceneFrame(s);
        if (strcmp(only_renderer, "ddd") == 0) {
            PeerMeasuredFrames([&] { SceneFrame(s); }, frames);
        } else {
            PeerScene ps = Extract(s);
            std::unique_ptr<Peer> peer(strcmp(only_renderer, "allegro4") == 0 ? PeerAllegro()
                                                                              : PeerLlvmpipe());
            if (!peer->Start(ps)) {
                fprintf(stderr, "%s: not available\n", peer->Name());
                return 1;
            }
            peer->Frame(); // shaders are compiled at the first frame
            PeerMeasuredFrames([&] { peer->Frame(); }, frames);
            peer->Stop();
        }
        StopEngine();
        printf("%s %s: %d frames\n", only_renderer, only_scene, frames);
        return 0;
    }
    std::unique_ptr<Peer> peers[2] = {std::unique_ptr<Peer>(PeerAllegro()),
                                      std::unique_ptr<Peer>(PeerLlvmpipe())};
    printf("One thread each. The renderers take turns, %d runs of %.2f s each; a frame's time is\n"
           "the best run's wall time (the run least disturbed by other work on the machine), with\n"
           "the median run's process CPU time beside it. Rates and ratios use the best wall\n"
           "time; covered = pixels the models drew.\n\n",
           reps, seconds);
    printf("%-4s %-14s %-9s %9s %9s %10s %9s %9s\n", "", "scene", "renderer", "best ms", "cpu ms",
           "Mpixel/s", "Mtri/s", "covered");
    for (int32_t k = 0; k < 4; k++) {
        Scene s;
        SceneBuild(s, compared[k]);
        SceneFrame(s);
        int64_t covered = SceneCovered();
        const char *name = scene_names[compared[k]];
        PeerScene ps = Extract(s);
        bool ready[2];
        int64_t theirs[2] = {0, 0};
        for (int32_t p = 0; p < 2; p++) {
            ready[p] = peers[p]->Start(ps);
            if (!ready[p]) continue;
            peers[p]->Frame(); // shaders are compiled at the first frame
            theirs[p] = peers[p]->Covered();
        }
        Timing t[3];
        for (int32_t r = 0; r < reps; r++) {
            Measure([&] { SceneFrame(s); }, seconds, &t[0]);
            for (int32_t p = 0; p < 2; p++)
                if (ready[p]) Measure([&] { peers[p]->Frame(); }, seconds, &t[1 + p]);
        }
        Row(labels[k], name, "ddd", t[0], covered * s.layers, s.triangles);
        for (int32_t p = 0; p < 2; p++) {
            if (ready[p])
                Row(labels[k], name, peers[p]->Name(), t[1 + p], theirs[p] * s.layers, s.triangles);
            else
                printf("%-4s %-14s %-9s unavailable\n", labels[k], name, peers[p]->Name());
            peers[p]->Stop();
        }
        printf("%-4s %-14s the engine is %.1fx as fast as allegro4, %.1fx as fast as llvmpipe\n",
               labels[k], name, ready[0] ? t[1].Best() / t[0].Best() : 0.0,
               ready[1] ? t[2].Best() / t[0].Best() : 0.0);
        StopEngine();
    }
    return 0;
}
