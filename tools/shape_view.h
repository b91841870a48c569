// shape_view.h -- reads shape files back: a strict structure check and a small reference renderer
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ShapeLevelInfo {
    int32_t far_limit; // 16.16 camera depth
    size_t block;      // file offset of the level block
    int32_t points, normals;
    int polygons, lines;
};

struct ShapeInfo {
    int32_t radius = 0, max_points = 0;
    std::vector<ShapeLevelInfo> levels;
    int frames = 1; // distinct shape-flag values the stream tests for (sprites)
};

// Walks the file as the engine's loader does (header, level table, resources, every command of
// every level) and checks every count, index and offset. Returns false with a reason.
bool ShapeCheck(const std::vector<uint8_t> &file, ShapeInfo &info, std::string &why);

// An 8-bit picture with a depth buffer.
struct ShapeScreen {
    int width, height;
    std::vector<uint8_t> pixels;
    std::vector<float> depth; // 1 / z, larger is nearer; 0 = empty
    int drawn = 0;            // pixels written
};

// Draws a shape with the engine's conventions (camera space x right, y down, z ahead; model
// units half world units; clockwise polygons face the viewer; a point light at the camera
// through the shade table) for the given camera position and heading and object heading.
// shade may be null (colours as they are, like sprites).
void ShapeDraw(const std::vector<uint8_t> &file, ShapeScreen &s, int flags, double cam_x,
               double cam_y, double cam_z, double cam_heading_deg, double obj_heading_deg,
               double zoom, const uint8_t *shade);
