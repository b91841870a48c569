// gen_canvas.h -- anti-aliased drawing for the data generators: a supersampled RGB canvas
#pragma once
#include <functional>
#include <string>
#include <vector>

struct Col {
    float r, g, b;
};
struct Paint {
    float r, g, b, a;
};
struct Pt {
    float x, y;
};

Col ColMix(Col a, Col b, float t);
Col ColScale(Col c, float k);
Col Col8(int r, int g, int b);
inline Paint Solid(Col c, float a = 1) {
    return {c.r, c.g, c.b, a};
}

// Colour at a point in final-pixel coordinates.
using Shader = std::function<Paint(float x, float y)>;
Shader Flat(Col c, float a = 1);

// Fonts of the generators (DejaVu from fonts-dejavu-core).
enum GenFont { FONT_SERIF_BOLD, FONT_SANS_BOLD, FONT_SANS_COND_BOLD, FONT_SERIF, FONT_SANS_COND };

struct Canvas {
    int width = 0, height = 0; // final size
    int ss = 4;                // samples per pixel along each axis
    std::vector<Col> px;       // width*ss x height*ss samples, top row first

    Canvas(int w, int h, int supersample = 4);
    void Clear(Col c);
    // Every sample of the bounding box (final coordinates) gets the shader's colour.
    void FillRect(float x0, float y0, float x1, float y1, const Shader &s);
    void FillPolygon(const std::vector<Pt> &pts, const Shader &s);
    void FillPolygons(const std::vector<std::vector<Pt>> &rings, const Shader &s); // even-odd
    void FillDisc(float cx, float cy, float r, const Shader &s);
    void FillRing(float cx, float cy, float r0, float r1, const Shader &s);
    // Annular sector between angles a0..a1 (degrees clockwise from up).
    void FillSector(float cx, float cy, float r0, float r1, float a0, float a1, const Shader &s);
    void FillEllipse(float cx, float cy, float rx, float ry, const Shader &s);
    void FillRoundRect(float x0, float y0, float x1, float y1, float rad, const Shader &s);
    void Line(float x0, float y0, float x1, float y1, float w, const Shader &s, bool round = true);
    // Text centred at (x, y) (anchor 0.5, 0.5), turned by angle degrees clockwise.
    void Text(const std::string &utf8, GenFont f, float size, float x, float y, const Shader &s,
              float angle = 0, float ax = 0.5f, float ay = 0.5f);
    // Engraved text: a light edge below right, the ink on top.
    void Engrave(const std::string &utf8, GenFont f, float size, float x, float y, Col ink,
                 Col light, float angle = 0, float depth = 0.6f);
    float TextWidth(const std::string &utf8, GenFont f, float size);
    // Applies a function to every sample (for overall vignettes and glows).
    void Filter(const std::function<Col(Col, float x, float y)> &fn);
    // Box-filters to final resolution.
    std::vector<Col> Resolve() const;

  private:
    void Span(int sy, float x0, float x1, const Shader &s);
};

// Polygon helpers: circle points (degrees clockwise from up) and arc polylines.
Pt Polar(float cx, float cy, float r, float deg);
std::vector<Pt> ArcPoints(float cx, float cy, float r, float a0, float a1, int n);
// Releases the cached fonts.
void GenFontsClose();
