// shape_model.h -- low-poly modelling of ships and sprites, and the shape file writer
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Model space: x to starboard, y down (the waterline is y = 0), z towards the bow; model units
// are half world units.
struct V3 {
    float x, y, z;
};
V3 operator+(V3 a, V3 b);
V3 operator-(V3 a, V3 b);
V3 operator*(V3 a, float k);
float Dot(V3 a, V3 b);
V3 Cross(V3 a, V3 b);

struct Face {
    std::vector<int> idx;
    int colour;
};
struct Seg {
    int a, b, colour;
};

// One level of detail, or one frame of a sprite.
struct Mesh {
    std::vector<V3> pts;
    std::vector<int> group; // smoothing group of each point
    std::vector<Face> faces;
    std::vector<Seg> lines;

    // Adds a polygon whose outside lies away from `inside`; points of the same smoothing group
    // (group > 0) are shared so their shading is smooth, group 0 keeps the face's edges crisp.
    void Poly(std::vector<V3> p, int colour, V3 inside, int group = 0);
    void Line(V3 a, V3 b, int colour);
    // Convex solids.
    void Box(V3 lo, V3 hi, int colour, int top_colour = -1);
    // Prism over a convex plan outline (x, z pairs, any order around), from y_top to y_bottom.
    void Prism(const std::vector<std::pair<float, float>> &plan, float y_top, float y_bottom,
               int colour, int top_colour = -1);
    // Upright cylinder of n sides; the top may be offset aft by rake.
    void Stack(V3 base, float r_bottom, float r_top, float height, float rake, int n, int colour,
               int top_colour = -1);
    // Cylinder along z from z0 to z1 at (x, y), radii r0 and r1, n sides.
    void Tube(float x, float y, float z0, float z1, float r0, float r1, int n, int colour);
    // Ball of radius r (an icosahedron, subdivided `level` times), faces coloured by `shade`.
    void Ball(V3 c, float r, int level, int (*shade)(V3 normal, void *ctx), void *ctx,
              float squash = 1);
    int Point(V3 p, int group);
};

// Hull: half beam and deck height along the length (stations from stern to bow).
struct HullStation {
    float z, half_beam, deck; // deck: height above the waterline (positive up)
    float flare;              // deck edge width over the waterline width
};
void Hull(Mesh &m, const std::vector<HullStation> &st, int side_colour, int deck_colour, int group);

struct Level {
    float far_limit;          // camera depth in world units beyond which the next level is used
    std::vector<Mesh> frames; // one mesh, or one per sprite frame (shape flags = frame number)
};

// The shape file: header, level table, empty resource list, one level block each.
std::vector<uint8_t> ShapeFile(const std::vector<Level> &levels);
// Bounding radius in model units over every level and frame.
float ShapeRadius(const std::vector<Level> &levels);
