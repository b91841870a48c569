// peer.h -- the reference scenes as plain triangle lists, for the renderers a user could pick
// instead of the engine (Allegro 4's software polygons, Mesa's llvmpipe)
#pragma once

#include <cstdint>
#include <vector>

struct PeerShape {
    std::vector<float> pos;      // x, y, z of each point, in model units
    std::vector<float> normal;   // unit normal of each point, towards the inside as in the shapes
    std::vector<int32_t> tris;   // three point indices a triangle, front faces clockwise on screen
    std::vector<uint8_t> colour; // palette colour of each triangle
};

// An object the engine did not cull: camera = m * model + centre (16.16 units, y down).
struct PeerObject {
    int32_t shape;
    int32_t m[9];
    int32_t centre[3];
};

struct PeerScene {
    int32_t width, height;
    bool horizon;             // sky-and-sea bands before the models
    int32_t x_ratio, y_ratio; // screen x = x * x_ratio / z + width / 2, likewise y
    std::vector<PeerShape> shapes;
    std::vector<PeerObject> objects;
};

// Lit colour of a vertex: the colour's shade for a point light of full strength at the eye.
// A normal facing away from the eye (n . p <= 0) gets the darkest shade of the colour.
static inline int32_t PeerShade(int32_t colour, float intensity) {
    return (colour & 0xF0) | (int32_t)((colour & 0x0F) * intensity);
}

// Each renderer draws the scene into its own 8-bit colour and depth buffers, one thread.
struct Peer {
    virtual ~Peer() = default;
    virtual const char *Name() const = 0;
    virtual bool Start(const PeerScene &scene) = 0; // false when the renderer is unavailable
    virtual void Frame() = 0;                       // returns when the frame is complete
    virtual int64_t Covered() = 0;                  // pixels drawn by the models
    virtual void Stop() = 0;
};

Peer *PeerAllegro();
Peer *PeerLlvmpipe();
