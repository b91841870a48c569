// gen_canvas.cpp -- anti-aliased drawing for the data generators: a supersampled RGB canvas
#include "tools/gen_canvas.h"

#include <SDL_ttf.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

static const float PI = 3.14159265358979f;

Col ColMix(Col a, Col b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Col ColScale(Col c, float k) {
    return {c.r * k, c.g * k, c.b * k};
}
Col Col8(int r, int g, int b) {
    return {r / 255.f, g / 255.f, b / 255.f};
}
Shader Flat(Col c, float a) {
    Paint p = Solid(c, a);
    return [p](float, float) { return p; };
}

Pt Polar(float cx, float cy, float r, float deg) {
    float a = deg * PI / 180.f;
    return {cx + r * std::sin(a), cy - r * std::cos(a)};
}

std::vector<Pt> ArcPoints(float cx, float cy, float r, float a0, float a1, int n) {
    std::vector<Pt> v;
    for (int i = 0; i <= n; i++)
        v.push_back(Polar(cx, cy, r, a0 + (a1 - a0) * i / n));
    return v;
}

Canvas::Canvas(int w, int h, int supersample) : width(w), height(h), ss(supersample) {
    px.assign(size_t(w) * ss * h * ss, Col{0, 0, 0});
}

void Canvas::Clear(Col c) {
    std::fill(px.begin(), px.end(), c);
}

void Canvas::Span(int sy, float x0, float x1, const Shader &s) {
    int W = width * ss;
    int a = std::max(0, int(std::ceil(x0 * ss - 0.5f)));
    int b = std::min(W - 1, int(std::floor(x1 * ss - 0.5f)));
    float y = (sy + 0.5f) / ss;
    Col *row = &px[size_t(sy) * W];
    for (int sx = a; sx <= b; sx++) {
        Paint p = s((sx + 0.5f) / ss, y);
        if (p.a <= 0) continue;
        Col &d = row[sx];
        if (p.a >= 1) {
            d = {p.r, p.g, p.b};
        } else {
            d.r += (p.r - d.r) * p.a;
            d.g += (p.g - d.g) * p.a;
            d.b += (p.b - d.b) * p.a;
        }
    }
}

void Canvas::FillRect(float x0, float y0, float x1, float y1, const Shader &s) {
    int H = height * ss;
    int a = std::max(0, int(std::ceil(y0 * ss - 0.5f)));
    int b = std::min(H - 1, int(std::floor(y1 * ss - 0.5f)));
    for (int sy = a; sy <= b; sy++)
        Span(sy, x0, x1, s);
}

void Canvas::FillPolygons(const std::vector<std::vector<Pt>> &rings, const Shader &s) {
    float ymin = 1e9f, ymax = -1e9f;
    for (auto &r : rings)
        for (auto &p : r)
            ymin = std::min(ymin, p.y), ymax = std::max(ymax, p.y);
    int H = height * ss;
    int a = std::max(0, int(std::ceil(ymin * ss - 0.5f)));
    int b = std::min(H - 1, int(std::floor(ymax * ss - 0.5f)));
    std::vector<float> xs;
    for (int sy = a; sy <= b; sy++) {
        float y = (sy + 0.5f) / ss;
        xs.clear();
        for (auto &r : rings) {
            size_t n = r.size();
            for (size_t i = 0; i < n; i++) {
                Pt p = r[i], q = r[(i + 1) % n];
                if ((p.y <= y) != (q.y <= y))
                    xs.push_back(p.x + (y - p.y) * (q.x - p.x) / (q.y - p.y));
            }
        }
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2)
            Span(sy, xs[i], xs[i + 1], s);
    }
}

void Canvas::FillPolygon(const std::vector<Pt> &pts, const Shader &s) {
    FillPolygons({pts}, s);
}

static int Segments(float r) {
    return std::max(24, std::min(720, int(r * 2.5f)));
}

void Canvas::FillDisc(float cx, float cy, float r, const Shader &s) {
    FillEllipse(cx, cy, r, r, s);
}

void Canvas::FillEllipse(float cx, float cy, float rx, float ry, const Shader &s) {
    int H = height * ss;
    int a = std::max(0, int(std::ceil((cy - ry) * ss - 0.5f)));
    int b = std::min(H - 1, int(std::floor((cy + ry) * ss - 0.5f)));
    for (int sy = a; sy <= b; sy++) {
        float dy = ((sy + 0.5f) / ss - cy) / ry;
        if (dy * dy > 1) continue;
        float dx = rx * std::sqrt(1 - dy * dy);
        Span(sy, cx - dx, cx + dx, s);
    }
}

void Canvas::FillRing(float cx, float cy, float r0, float r1, const Shader &s) {
    int H = height * ss;
    int a = std::max(0, int(std::ceil((cy - r1) * ss - 0.5f)));
    int b = std::min(H - 1, int(std::floor((cy + r1) * ss - 0.5f)));
    for (int sy = a; sy <= b; sy++) {
        float dy = (sy + 0.5f) / ss - cy;
        if (dy * dy > r1 * r1) continue;
        float o = std::sqrt(r1 * r1 - dy * dy);
        if (dy * dy >= r0 * r0) {
            Span(sy, cx - o, cx + o, s);
        } else {
            float i = std::sqrt(r0 * r0 - dy * dy);
            Span(sy, cx - o, cx - i, s);
            Span(sy, cx + i, cx + o, s);
        }
    }
}

void Canvas::FillSector(float cx, float cy, float r0, float r1, float a0, float a1,
                        const Shader &s) {
    int n = std::max(2, int(Segments(r1) * std::fabs(a1 - a0) / 360.f));
    std::vector<Pt> pts = ArcPoints(cx, cy, r1, a0, a1, n);
    if (r0 <= 0) {
        pts.push_back({cx, cy});
    } else {
        std::vector<Pt> in = ArcPoints(cx, cy, r0, a1, a0, n);
        pts.insert(pts.end(), in.begin(), in.end());
    }
    FillPolygon(pts, s);
}

void Canvas::FillRoundRect(float x0, float y0, float x1, float y1, float rad, const Shader &s) {
    std::vector<Pt> p;
    auto corner = [&](float cx, float cy, float a0) {
        for (int i = 0; i <= 8; i++)
            p.push_back(Polar(cx, cy, rad, a0 + 90.f * i / 8));
    };
    corner(x1 - rad, y0 + rad, 0);
    corner(x1 - rad, y1 - rad, 90);
    corner(x0 + rad, y1 - rad, 180);
    corner(x0 + rad, y0 + rad, 270);
    FillPolygon(p, s);
}

void Canvas::Line(float x0, float y0, float x1, float y1, float w, const Shader &s, bool round) {
    float dx = x1 - x0, dy = y1 - y0, len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0) return;
    float nx = -dy / len * w / 2, ny = dx / len * w / 2;
    std::vector<Pt> p{
        {x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}};
    if (round) {
        // One polygon with semicircular caps, so translucent lines blend once.
        p.clear();
        float base = std::atan2(dx, -dy) * 180 / PI;
        auto cap = ArcPoints(x1, y1, w / 2, base - 90, base + 90, 12);
        auto cap0 = ArcPoints(x0, y0, w / 2, base + 90, base + 270, 12);
        p.insert(p.end(), cap.begin(), cap.end());
        p.insert(p.end(), cap0.begin(), cap0.end());
    }
    FillPolygon(p, s);
}

void Canvas::Filter(const std::function<Col(Col, float, float)> &fn) {
    int W = width * ss, H = height * ss;
    for (int sy = 0; sy < H; sy++)
        for (int sx = 0; sx < W; sx++) {
            Col &c = px[size_t(sy) * W + sx];
            c = fn(c, (sx + 0.5f) / ss, (sy + 0.5f) / ss);
        }
}

std::vector<Col> Canvas::Resolve() const {
    std::vector<Col> out(size_t(width) * height);
    int W = width * ss;
    float k = 1.f / (ss * ss);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            Col s{0, 0, 0};
            for (int j = 0; j < ss; j++)
                for (int i = 0; i < ss; i++) {
                    const Col &c = px[size_t(y * ss + j) * W + x * ss + i];
                    s.r += c.r, s.g += c.g, s.b += c.b;
                }
            out[size_t(y) * width + x] = {std::clamp(s.r * k, 0.f, 1.f),
                                          std::clamp(s.g * k, 0.f, 1.f),
                                          std::clamp(s.b * k, 0.f, 1.f)};
        }
    return out;
}

// ---- text ----

static std::map<std::pair<int, int>, TTF_Font *> fonts;

static TTF_Font *GetFont(GenFont f, int px) {
    static const char *files[] = {"DejaVuSerif-Bold.ttf", "DejaVuSans-Bold.ttf",
                                  "DejaVuSansCondensed-Bold.ttf", "DejaVuSerif.ttf",
                                  "DejaVuSansCondensed.ttf"};
    if (!TTF_WasInit() && TTF_Init() != 0) return nullptr;
    auto key = std::make_pair(int(f), px);
    auto it = fonts.find(key);
    if (it != fonts.end()) return it->second;
    std::string path = std::string("/usr/share/fonts/truetype/dejavu/") + files[f];
    TTF_Font *font = TTF_OpenFont(path.c_str(), px);
    if (!font) std::fprintf(stderr, "cannot open font %s\n", path.c_str());
    fonts[key] = font;
    return font;
}

void GenFontsClose() {
    for (auto &kv : fonts)
        if (kv.second) TTF_CloseFont(kv.second);
    fonts.clear();
    if (TTF_WasInit()) TTF_Quit();
}

float Canvas::TextWidth(const std::string &utf8, GenFont f, float size) {
    TTF_Font *font = GetFont(f, std::max(1, int(std::lround(size * ss))));
    int w = 0, h = 0;
    if (!font || TTF_SizeUTF8(font, utf8.c_str(), &w, &h) != 0) return 0;
    return float(w) / ss;
}

void Canvas::Text(const std::string &utf8, GenFont f, float size, float x, float y, const Shader &s,
                  float angle, float ax, float ay) {
    TTF_Font *font = GetFont(f, std::max(1, int(std::lround(size * ss))));
    if (!font || utf8.empty()) return;
    SDL_Color white{255, 255, 255, 255};
    SDL_Surface *surf = TTF_RenderUTF8_Blended(font, utf8.c_str(), white);
    if (!surf) return;
    SDL_Surface *conv = SDL_ConvertSurfaceFormat(surf, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(surf);
    if (!conv) return;
    int tw = conv->w, th = conv->h;
    // Trim the font's line box to the ink's vertical extent so anchors centre the glyphs.
    int top = th, bottom = -1;
    const uint8_t *base = static_cast<const uint8_t *>(conv->pixels);
    for (int j = 0; j < th; j++)
        for (int i = 0; i < tw; i++)
            if (base[j * conv->pitch + i * 4 + 3]) {
                top = std::min(top, j);
                bottom = std::max(bottom, j);
            }
    if (bottom < 0) {
        SDL_FreeSurface(conv);
        return;
    }
    auto alpha = [&](int i, int j) -> float {
        if (i < 0 || j < 0 || i >= tw || j >= th) return 0.f;
        return base[j * conv->pitch + i * 4 + 3] / 255.f;
    };
    float inkh = float(bottom - top + 1);
    // Glyph frame in samples: origin at the anchor point.
    float ox = tw * ax, oy = top + inkh * ay;
    float a = angle * PI / 180.f, ca = std::cos(a), sa = std::sin(a);
    float cx = x * ss, cy = y * ss;
    float rad = std::sqrt(float(tw * tw + th * th)) + 2;
    int W = width * ss, H = height * ss;
    int y0 = std::max(0, int(cy - rad)), y1 = std::min(H - 1, int(cy + rad));
    int x0 = std::max(0, int(cx - rad)), x1 = std::min(W - 1, int(cx + rad));
    for (int sy = y0; sy <= y1; sy++)
        for (int sx = x0; sx <= x1; sx++) {
            float dx = sx + 0.5f - cx, dy = sy + 0.5f - cy;
            float u = dx * ca + dy * sa + ox - 0.5f, v = -dx * sa + dy * ca + oy - 0.5f;
            int iu = int(std::floor(u)), iv = int(std::floor(v));
            float fu = u - iu, fv = v - iv;
            float cov = alpha(iu, iv) * (1 - fu) * (1 - fv) + alpha(iu + 1, iv) * fu * (1 - fv) +
                        alpha(iu, iv + 1) * (1 - fu) * fv + alpha(iu + 1, iv + 1) * fu * fv;
            if (cov <= 0.01f) continue;
            Paint p = s((sx + 0.5f) / ss, (sy + 0.5f) / ss);
            p.a *= cov;
            Col &d = px[size_t(sy) * W + sx];
            d.r += (p.r - d.r) * p.a;
            d.g += (p.g - d.g) * p.a;
            d.b += (p.b - d.b) * p.a;
        }
    SDL_FreeSurface(conv);
}

void Canvas::Engrave(const std::string &utf8, GenFont f, float size, float x, float y, Col ink,
                     Col light, float angle, float depth) {
    Text(utf8, f, size, x + depth, y + depth, Flat(light, 0.8f), angle);
    Text(utf8, f, size, x, y, Flat(ink), angle);
}
