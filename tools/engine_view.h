// engine_view.h -- draws generated shapes through the game's own 3D engine, for checks and looks
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct EngineShot {
    int width = 320, height = 200;
    std::vector<uint8_t> pixels; // palette indices, top row first
    int objects_drawn = 0;       // what dddDrawObjects reported
    int shape_pixels = 0;        // pixels that differ from the painted sky and sea
};

// Starts the engine on the data folder (files looked up case-insensitively, backslashes as
// slashes) and loads its palette and shade table. Returns false when they can't be read.
bool EngineOpen(const std::string &data_dir);
void EngineClose();

// One frame like the bridge's: sky and sea bands, a camera `distance` units south of the shape,
// 50 units above the water, looking north with the given perspective; the shape turned to
// `heading` (16-bit angle) with the shape flags `flags`; lit by a point light at the camera when
// `lit` (render method 0x2300), else drawn in its own colours (0x0300, as sprites are).
bool EngineDraw(const std::string &shape, int flags, bool lit, int32_t distance, uint16_t heading,
                int32_t perspective, EngineShot &shot);
