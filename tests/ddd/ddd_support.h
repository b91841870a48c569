// ddd_support.h -- shared helpers of the engine tests and benchmark: an in-memory file store,
// a shape-file builder, a scene set-up and image output
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ddd/ddd.h"

// Files the engine reads through its file functions, keyed by the exact name asked for.
extern std::map<std::string, std::vector<uint8_t>> mem_files;
void InstallMemFiles();

// Builds shape files word by word.
struct ShapeLevel {
    int32_t far_limit = 0x7FFFFFFF;
    int32_t points = 0;
    int32_t normals = 0;
    std::vector<int32_t> code;
    std::vector<std::pair<size_t, int32_t>> texture_refs; // code index of the operand, texture

    void Points(int32_t first, const std::vector<int32_t> &xyz);
    void Poly(int32_t colour, int32_t normal, const std::vector<int32_t> &refs, int32_t code = 2);
    void Shades(const std::vector<int32_t> &values);
    void ShadePoly(int32_t normal, const std::vector<int32_t> &refs);
    void UV(int32_t texture, const std::vector<int32_t> &uv);
    void TexPoly(int32_t normal, const std::vector<int32_t> &refs, int32_t code = 6);
    void SpriteUV(int32_t texture, const std::vector<int32_t> &corners);
    void Sprite(int32_t vertex, int32_t half_width, int32_t half_height);
    void Pattern(int32_t mode, const std::vector<uint8_t> &bytes);
    void Line(int32_t colour, int32_t a, int32_t b);
    size_t Jump(int32_t code = 7); // returns the operand index to patch with Target
    void Target(size_t operand);   // the jump at `operand` lands here
    void End();                    // 0 then -1
};

struct ShapeFile {
    int32_t radius = 1000;
    int32_t npoints = 0;
    std::vector<std::string> textures;
    std::vector<ShapeLevel> levels;
    std::vector<uint8_t> Build() const;
};

// A closed hull (an ellipsoid of rings x segments, every face towards the outside), colour c.
ShapeFile MakeHull(int32_t rx, int32_t ry, int32_t rz, int32_t rings, int32_t segments,
                   int32_t colour);

// 512 skipped bytes then row i, colour c -> (c & 0xF0) | (c & 0x0F) * i / 255.
std::vector<uint8_t> MakeShadeFile();
std::vector<uint8_t> MakePaletteFile();

// Engine memory with malloc/free and the memory files; a screen of w x h.
void StartEngine(dddScreen *screen, int32_t w, int32_t h);
void StopEngine();

uint64_t HashScreen();
// Writes the current memory screen as a grey-level PNG.
bool WritePng(const std::string &path);
