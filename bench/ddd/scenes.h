// scenes.h -- the seeded reference scenes the engine benchmarks draw, shared by bench_ddd and
// the peer comparison
#pragma once

#include <cstdint>
#include <vector>

#include "ddd/ddd.h"
#include "tests/ddd/ddd_support.h"

enum { SCENE_TYPICAL, SCENE_SHIPS_1024, SCENE_SHIPS_742, SCENE_LAYERS, SCENE_TINY, SCENE_COUNT };
extern const char *const scene_names[SCENE_COUNT];

struct Scene {
    bool horizon = false; // the sky-and-sea fill before the models
    int32_t layers = 1;   // times each covered pixel is drawn
    dddScreen screen;
    dddObject *camera = nullptr, *light = nullptr;
    std::vector<dddObject *> objects;
    std::vector<ShapeFile> shapes; // the shape files the objects were loaded from
    std::vector<int32_t> shape_of; // index into shapes for each object
    int32_t triangles = 0;         // a frame
};

// Starts the engine on the scene's screen and builds scene `which`.
void SceneBuild(Scene &s, int32_t which);
// One frame: horizon fill (when the scene has one), depth clear, all objects; objects drawn.
int32_t SceneFrame(Scene &s);
// Pixels whose depth was written in the last frame.
int64_t SceneCovered();
// The sky-and-sea fill the bridge paints behind the models (two bands of eight colours) for a
// screen of `height` rows: the colour of row y.
uint8_t SceneHorizonColour(int32_t y, int32_t height);
