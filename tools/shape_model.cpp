// shape_model.cpp -- low-poly modelling of ships and sprites, and the shape file writer
#include "tools/shape_model.h"

#include "tools/gen_io.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>

V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, float k) {
    return {a.x * k, a.y * k, a.z * k};
}
float Dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 Cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
static float Len(V3 a) {
    return std::sqrt(Dot(a, a));
}
static const float PI = 3.14159265f;

// Points are stored rounded to whole model units, as the file holds them.
static V3 Round(V3 p) {
    return {std::round(p.x), std::round(p.y), std::round(p.z)};
}

int Mesh::Point(V3 p, int grp) {
    p = Round(p);
    if (grp > 0)
        for (size_t i = 0; i < pts.size(); i++)
            if (group[i] == grp && pts[i].x == p.x && pts[i].y == p.y && pts[i].z == p.z)
                return int(i);
    pts.push_back(p);
    group.push_back(grp);
    return int(pts.size() - 1);
}

void Mesh::Poly(std::vector<V3> p, int colour, V3 inside, int grp) {
    for (V3 &v : p)
        v = Round(v);
    // Drop repeated corners (a hull's stem closes its side strips into triangles).
    std::vector<V3> q;
    for (size_t i = 0; i < p.size(); i++) {
        V3 a = p[i], b = p[(i + 1) % p.size()];
        if (Len(a - b) > 0.01f) q.push_back(a);
    }
    if (q.size() < 3) return;
    V3 centre{0, 0, 0};
    for (V3 v : q)
        centre = centre + v;
    centre = centre * (1.f / q.size());
    // Newell normal: robust for any planar ring.
    V3 n{0, 0, 0};
    for (size_t i = 0; i < q.size(); i++)
        n = n + Cross(q[i], q[(i + 1) % q.size()]);
    if (Len(n) < 1e-3f) return;
    // The engine's normal is (B - A) x (C - A) and a polygon is drawn when it turns clockwise on
    // screen: that normal must point into the solid.
    if (Dot(n, inside - centre) < 0) std::reverse(q.begin(), q.end());
    // Twisted quads become two triangles so every polygon is flat.
    V3 nn = n * (1.f / Len(n));
    bool flat = true;
    for (V3 v : q)
        flat &= std::fabs(Dot(v - centre, nn)) < 0.75f;
    std::vector<std::vector<V3>> parts;
    if (flat || q.size() == 3) {
        parts.push_back(q);
    } else {
        for (size_t i = 1; i + 1 < q.size(); i++)
            parts.push_back({q[0], q[i], q[i + 1]});
    }
    for (auto &r : parts) {
        // Start the ring where its first three corners make a well-formed normal.
        size_t best = 0;
        float area = -1;
        for (size_t s = 0; s < r.size(); s++) {
            V3 a = r[s], b = r[(s + 1) % r.size()], c = r[(s + 2) % r.size()];
            float ar = Len(Cross(b - a, c - a));
            if (ar > area) area = ar, best = s;
        }
        if (area < 0.5f) continue;
        std::rotate(r.begin(), r.begin() + best, r.end());
        Face f{{}, colour};
        for (V3 v : r)
            f.idx.push_back(Point(v, grp));
        faces.push_back(f);
    }
}

void Mesh::Line(V3 a, V3 b, int colour) {
    lines.push_back({Point(a, 0), Point(b, 0), colour});
}

void Mesh::Box(V3 lo, V3 hi, int colour, int top_colour) {
    if (top_colour < 0) top_colour = colour;
    V3 c = (lo + hi) * 0.5f;
    float x0 = lo.x, x1 = hi.x, y0 = lo.y, y1 = hi.y, z0 = lo.z, z1 = hi.z; // y0 is the top
    Poly({{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}, top_colour, c);
    Poly({{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}, colour, c);
    Poly({{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}}, colour, c);
    Poly({{x1, y0, z0}, {x1, y0, z1}, {x1, y1, z1}, {x1, y1, z0}}, colour, c);
    Poly({{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}}, colour, c);
}

void Mesh::Prism(const std::vector<std::pair<float, float>> &plan, float y_top, float y_bottom,
                 int colour, int top_colour) {
    if (top_colour < 0) top_colour = colour;
    float cx = 0, cz = 0;
    for (auto &p : plan)
        cx += p.first, cz += p.second;
    cx /= plan.size(), cz /= plan.size();
    V3 c{cx, (y_top + y_bottom) / 2, cz};
    std::vector<V3> top;
    for (auto &p : plan)
        top.push_back({p.first, y_top, p.second});
    Poly(top, top_colour, c);
    for (size_t i = 0; i < plan.size(); i++) {
        auto a = plan[i], b = plan[(i + 1) % plan.size()];
        Poly({{a.first, y_top, a.second},
              {b.first, y_top, b.second},
              {b.first, y_bottom, b.second},
              {a.first, y_bottom, a.second}},
             colour, c);
    }
}

static int next_group = 1000;

void Mesh::Stack(V3 base, float r0, float r1, float height, float rake, int n, int colour,
                 int top_colour) {
    if (top_colour < 0) top_colour = colour;
    int g = next_group++;
    V3 topc{base.x, base.y - height, base.z - rake};
    std::vector<V3> ring0, ring1;
    for (int i = 0; i < n; i++) {
        float a = 2 * PI * (i + 0.5f) / n;
        // Funnels are a little longer than wide.
        ring0.push_back({base.x + r0 * std::cos(a), base.y, base.z + r0 * 1.3f * std::sin(a)});
        ring1.push_back({topc.x + r1 * std::cos(a), topc.y, topc.z + r1 * 1.3f * std::sin(a)});
    }
    V3 mid = (base + topc) * 0.5f;
    for (int i = 0; i < n; i++) {
        int j = (i + 1) % n;
        Poly({ring0[i], ring0[j], ring1[j], ring1[i]}, colour, mid, g);
    }
    Poly(ring1, top_colour, mid);
}

void Mesh::Tube(float x, float y, float z0, float z1, float r0, float r1, int n, int colour) {
    int g = next_group++;
    std::vector<V3> a, b;
    for (int i = 0; i < n; i++) {
        float t = 2 * PI * (i + 0.5f) / n;
        a.push_back({x + r0 * std::cos(t), y + r0 * std::sin(t), z0});
        b.push_back({x + r1 * std::cos(t), y + r1 * std::sin(t), z1});
    }
    V3 mid{x, y, (z0 + z1) / 2};
    for (int i = 0; i < n; i++) {
        int j = (i + 1) % n;
        Poly({a[i], a[j], b[j], b[i]}, colour, mid, g);
    }
    if (r0 > 0.5f) Poly(a, colour, mid);
    if (r1 > 0.5f) Poly(b, colour, mid);
}

void Mesh::Ball(V3 c, float r, int level, int (*shade)(V3, void *), void *ctx, float squash) {
    const float t = (1 + std::sqrt(5.f)) / 2;
    std::vector<V3> v{{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
                      {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    std::vector<std::array<int, 3>> tri{
        {0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
        {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (V3 &p : v)
        p = p * (1.f / Len(p));
    for (int l = 0; l < level; l++) {
        std::vector<std::array<int, 3>> out;
        std::map<std::pair<int, int>, int> mids;
        auto mid = [&](int a, int b) {
            auto key = std::make_pair(std::min(a, b), std::max(a, b));
            auto it = mids.find(key);
            if (it != mids.end()) return it->second;
            V3 m = (v[a] + v[b]) * 0.5f;
            v.push_back(m * (1.f / Len(m)));
            mids[key] = int(v.size() - 1);
            return int(v.size() - 1);
        };
        for (auto &f : tri) {
            int a = mid(f[0], f[1]), b = mid(f[1], f[2]), cc = mid(f[2], f[0]);
            out.push_back({f[0], a, cc});
            out.push_back({f[1], b, a});
            out.push_back({f[2], cc, b});
            out.push_back({a, b, cc});
        }
        tri = out;
    }
    for (auto &f : tri) {
        V3 p[3];
        V3 n{0, 0, 0};
        for (int k = 0; k < 3; k++) {
            V3 u = v[f[k]];
            n = n + u;
            p[k] = {c.x + u.x * r, c.y + u.y * r * squash, c.z + u.z * r};
        }
        Poly({p[0], p[1], p[2]}, shade(n * (1.f / 3), ctx), c);
    }
}

void Hull(Mesh &m, const std::vector<HullStation> &st, int side_colour, int deck_colour, int grp) {
    auto deck_edge = [](const HullStation &s, float side) {
        return V3{side * s.half_beam * s.flare, -s.deck, s.z};
    };
    auto waterline = [](const HullStation &s, float side) {
        return V3{side * s.half_beam, 2, s.z};
    };
    for (size_t i = 0; i + 1 < st.size(); i++) {
        const HullStation &a = st[i], &b = st[i + 1];
        V3 inside{0, -(a.deck + b.deck) / 4, (a.z + b.z) / 2};
        for (float side : {1.f, -1.f}) {
            m.Poly({waterline(a, side), deck_edge(a, side), deck_edge(b, side), waterline(b, side)},
                   side_colour, inside, side > 0 ? grp : grp + 1);
        }
        V3 below{0, 40, (a.z + b.z) / 2};
        m.Poly({deck_edge(a, 1), deck_edge(a, -1), deck_edge(b, -1), deck_edge(b, 1)}, deck_colour,
               below);
    }
    const HullStation &s = st.front();
    if (s.half_beam > 0)
        m.Poly({waterline(s, 1), waterline(s, -1), deck_edge(s, -1), deck_edge(s, 1)}, side_colour,
               {0, -s.deck / 2, s.z + 20});
}

float ShapeRadius(const std::vector<Level> &levels) {
    float r = 0;
    for (auto &l : levels)
        for (auto &m : l.frames)
            for (V3 p : m.pts)
                r = std::max(r, Len(p));
    return std::ceil(r) + 1;
}

static void PutI(std::vector<uint8_t> &o, int32_t v) {
    GenPut32(o, uint32_t(v));
}
static void SetI(std::vector<uint8_t> &o, size_t at, int32_t v) {
    for (int k = 0; k < 4; k++)
        o[at + k] = uint8_t((uint32_t(v) >> (8 * k)) & 0xFF);
}

// Commands of one mesh: its points, then its polygons and lines.
static void EmitMesh(std::vector<uint8_t> &o, const Mesh &m, int &normal) {
    PutI(o, 1);
    PutI(o, 0);
    PutI(o, int32_t(m.pts.size()));
    for (V3 p : m.pts) {
        PutI(o, int32_t(p.x));
        PutI(o, int32_t(p.y));
        PutI(o, int32_t(p.z));
    }
    for (const Face &f : m.faces) {
        PutI(o, 2);
        PutI(o, int32_t(f.idx.size()));
        PutI(o, f.colour);
        PutI(o, normal++);
        for (int i : f.idx)
            PutI(o, i);
    }
    for (const Seg &s : m.lines) {
        PutI(o, 11);
        PutI(o, s.colour);
        PutI(o, s.a);
        PutI(o, s.b);
    }
}

std::vector<uint8_t> ShapeFile(const std::vector<Level> &levels) {
    std::vector<uint8_t> o;
    size_t n = 0;
    for (auto &l : levels)
        for (auto &m : l.frames)
            n = std::max(n, m.pts.size());
    PutI(o, int32_t(ShapeRadius(levels)));
    PutI(o, int32_t(n));
    for (int i = 2; i < 8; i++)
        PutI(o, 0);
    // Level table, then the (empty) resource list, then the level blocks.
    size_t table = o.size();
    for (size_t i = 0; i <= levels.size(); i++) {
        PutI(o, 0);
        PutI(o, 0);
    }
    SetI(o, 16, int32_t(o.size()));
    PutI(o, -1);
    for (size_t li = 0; li < levels.size(); li++) {
        const Level &l = levels[li];
        size_t pair = table + li * 8;
        float lim = std::min(l.far_limit, 32767.f);
        SetI(o, pair, int32_t(lim * 65536.0));
        SetI(o, pair + 4, int32_t(o.size() - pair));
        size_t p = 0, faces = 0;
        for (auto &m : l.frames)
            p = std::max(p, m.pts.size()), faces += m.faces.size();
        PutI(o, int32_t(p));
        PutI(o, 0);
        PutI(o, int32_t(faces));
        int normal = 0;
        if (l.frames.size() == 1) {
            EmitMesh(o, l.frames[0], normal);
        } else {
            // Frames as called blocks, jumped over; then one guarded call per frame, selected by
            // the shape flags (condition 1: flags equal to the frame number).
            PutI(o, 7);
            size_t jump = o.size();
            PutI(o, 0);
            std::vector<size_t> starts;
            for (auto &m : l.frames) {
                starts.push_back(o.size());
                EmitMesh(o, m, normal);
                PutI(o, 0);
            }
            SetI(o, jump, int32_t(o.size() - jump));
            for (size_t k = 0; k < l.frames.size(); k++) {
                PutI(o, 9);
                PutI(o, 1);
                PutI(o, int32_t(k));
                PutI(o, 8);
                size_t at = o.size();
                PutI(o, int32_t(int64_t(starts[k]) - int64_t(at)));
            }
        }
        PutI(o, 0);
        PutI(o, -1);
    }
    SetI(o, table + levels.size() * 8, -1);
    return o;
}
