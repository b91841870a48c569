// shape_view.cpp -- reads shape files back: a strict structure check and a small reference renderer
#include "tools/shape_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

static bool Get(const std::vector<uint8_t> &f, size_t at, int32_t &v) {
    if (at + 4 > f.size()) return false;
    uint32_t u = uint32_t(f[at]) | uint32_t(f[at + 1]) << 8 | uint32_t(f[at + 2]) << 16 |
                 uint32_t(f[at + 3]) << 24;
    v = int32_t(u);
    return true;
}

// Operand count of a command given the words after its code (n at p+1 etc.); -1 when unknown.
static int Operands(const std::vector<uint8_t> &f, size_t p, int32_t code) {
    int32_t a = 0, b = 0;
    Get(f, p + 4, a);
    Get(f, p + 8, b);
    switch (code) {
    case 0:
        return 0;
    case 1:
        return 2 + 3 * b;
    case 2:
    case 14:
        return 3 + a;
    case 3:
        return 1 + a;
    case 4:
    case 6:
    case 18:
        return 2 + a;
    case 5:
        return 2 + 2 * b;
    case 7:
    case 8:
    case 16:
        return 1;
    case 9:
    case 15:
        return 2;
    case 10:
    case 11:
    case 13:
        return 3;
    case 12:
        return 9;
    case 17:
        return 5;
    case 19:
        return 9;
    default:
        return -1;
    }
}

bool ShapeCheck(const std::vector<uint8_t> &f, ShapeInfo &info, std::string &why) {
    info = ShapeInfo();
    int32_t res = 0;
    if (!Get(f, 0, info.radius) || !Get(f, 4, info.max_points) || !Get(f, 16, res)) {
        why = "short header";
        return false;
    }
    if (info.radius <= 0 || info.max_points <= 0) {
        why = "empty shape or no radius";
        return false;
    }
    // Resource list: must end with -1.
    int32_t code = 0;
    size_t r = size_t(res);
    for (int guard = 0;; guard++) {
        if (!Get(f, r, code) || guard > 64) {
            why = "resource list runs off the file";
            return false;
        }
        if (code == -1) break;
        int32_t next = 0;
        Get(f, r + 4, next);
        if (next <= 0) {
            why = "bad resource link";
            return false;
        }
        r += size_t(next);
    }
    std::set<int32_t> flag_values;
    for (size_t t = 32;; t += 8) {
        int32_t lim = 0, off = 0;
        if (!Get(f, t, lim)) {
            why = "level table runs off the file";
            return false;
        }
        if (lim == -1) break;
        Get(f, t + 4, off);
        ShapeLevelInfo lv{lim, t + size_t(off), 0, 0, 0, 0};
        if (!info.levels.empty() && lim <= info.levels.back().far_limit) {
            why = "level limits not increasing";
            return false;
        }
        if (!Get(f, lv.block, lv.points) || !Get(f, lv.block + 8, lv.normals)) {
            why = "level block outside the file";
            return false;
        }
        if (lv.points <= 0 || lv.points > info.max_points) {
            why = "level point count out of range";
            return false;
        }
        // Walk the stream; remember command starts to validate jumps and calls.
        std::set<size_t> starts;
        std::vector<std::pair<size_t, size_t>> branches; // (operand position, target)
        size_t p = lv.block + 12;
        int normals_used = 0;
        bool last_was_zero = false;
        for (;;) {
            if (!Get(f, p, code)) {
                why = "stream runs off the file";
                return false;
            }
            if (code == -1) break;
            int n = Operands(f, p, code);
            if (n < 0 || p + 4 + size_t(n) * 4 > f.size()) {
                why = "unknown or truncated command " + std::to_string(code);
                return false;
            }
            starts.insert(p);
            auto word = [&](int k) {
                int32_t v = 0;
                Get(f, p + 4 + size_t(k) * 4, v);
                return v;
            };
            auto vref = [&](int32_t v) { return v >= 0 && v < lv.points; };
            switch (code) {
            case 1:
                if (word(0) < 0 || word(0) + word(1) > lv.points) {
                    why = "points outside the level";
                    return false;
                }
                break;
            case 2:
            case 14:
                if (word(0) < 3 || word(0) >= 32 || word(2) < 0 || word(2) >= lv.normals) {
                    why = "bad polygon";
                    return false;
                }
                for (int k = 0; k < word(0); k++)
                    if (!vref(word(3 + k))) {
                        why = "polygon vertex out of range";
                        return false;
                    }
                normals_used++;
                lv.polygons++;
                if (word(1) < 0 || word(1) > 255) {
                    why = "colour out of range";
                    return false;
                }
                break;
            case 11:
                if (!vref(word(1)) || !vref(word(2)) || word(0) < 0 || word(0) > 255) {
                    why = "bad line";
                    return false;
                }
                lv.lines++;
                break;
            case 7:
            case 8:
                branches.push_back({p + 4, p + 4 + size_t(int64_t(word(0)))});
                break;
            case 9:
                if (word(0) == 1) flag_values.insert(word(1));
                break;
            default:
                break;
            }
            last_was_zero = code == 0;
            p += 4 + size_t(n) * 4;
        }
        if (!last_was_zero) {
            why = "stream does not end with code 0 before -1";
            return false;
        }
        if (normals_used != lv.normals) {
            why = "normal count differs from the polygons";
            return false;
        }
        for (auto &b : branches)
            if (!starts.count(b.second) && b.second != p) {
                why = "jump or call to the middle of a command";
                return false;
            }
        info.levels.push_back(lv);
    }
    if (info.levels.empty()) {
        why = "no level of detail";
        return false;
    }
    info.frames = flag_values.empty() ? 1 : int(flag_values.size());
    return true;
}

namespace {
struct Vtx {
    double x, y, z; // camera space, world units
    double sx, sy;
    bool ok;
};
} // namespace

static void FillTri(ShapeScreen &s, const Vtx &a, const Vtx &b, const Vtx &c, uint8_t colour) {
    double minx = std::floor(std::min({a.sx, b.sx, c.sx})),
           maxx = std::ceil(std::max({a.sx, b.sx, c.sx}));
    double miny = std::floor(std::min({a.sy, b.sy, c.sy})),
           maxy = std::ceil(std::max({a.sy, b.sy, c.sy}));
    int x0 = std::max(0, int(minx)), x1 = std::min(s.width - 1, int(maxx));
    int y0 = std::max(0, int(miny)), y1 = std::min(s.height - 1, int(maxy));
    double area = (b.sx - a.sx) * (c.sy - a.sy) - (c.sx - a.sx) * (b.sy - a.sy);
    if (std::fabs(area) < 1e-9) return;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) {
            double px = x + 0.5, py = y + 0.5;
            double w0 = ((b.sx - px) * (c.sy - py) - (c.sx - px) * (b.sy - py)) / area;
            double w1 = ((c.sx - px) * (a.sy - py) - (a.sx - px) * (c.sy - py)) / area;
            double w2 = 1 - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0) continue;
            float inv = float(w0 / a.z + w1 / b.z + w2 / c.z);
            size_t i = size_t(y) * s.width + x;
            if (inv >= s.depth[i]) {
                s.depth[i] = inv;
                s.pixels[i] = colour;
                s.drawn++;
            }
        }
}

void ShapeDraw(const std::vector<uint8_t> &f, ShapeScreen &s, int flags, double cx, double cy,
               double cz, double cam_heading_deg, double obj_heading_deg, double zoom,
               const uint8_t *shade) {
    ShapeInfo info;
    std::string why;
    if (!ShapeCheck(f, info, why)) return;
    if (s.pixels.size() != size_t(s.width) * s.height) {
        s.pixels.assign(size_t(s.width) * s.height, 0);
        s.depth.assign(s.pixels.size(), 0.f);
    }
    const double D = M_PI / 180;
    double ch = cam_heading_deg * D, oh = obj_heading_deg * D;
    // Object centre in camera space picks the level of detail.
    auto to_cam = [&](double wx, double wy, double wz, Vtx &v) {
        double dx = wx - cx, dy = wy - cy, dz = wz - cz;
        v.x = dx * std::cos(ch) - dz * std::sin(ch);
        v.z = dx * std::sin(ch) + dz * std::cos(ch);
        v.y = dy;
        v.ok = v.z >= 32;
        double ratio = s.width * zoom;
        v.sx = v.x * ratio / v.z + s.width / 2;
        v.sy = v.y * ratio / v.z + s.height / 2;
    };
    Vtx centre;
    to_cam(0, 0, 0, centre);
    const ShapeLevelInfo *lv = nullptr;
    for (auto &l : info.levels)
        if (centre.z < 0 || double(l.far_limit) / 65536.0 >= centre.z) {
            lv = &l;
            break;
        }
    if (!lv) return;
    std::vector<Vtx> cache(size_t(lv->points));
    std::vector<double> mx(cache.size()), my(cache.size()), mz(cache.size());
    auto word = [&](size_t at) {
        int32_t v = 0;
        Get(f, at, v);
        return v;
    };
    std::vector<size_t> stack;
    size_t p = lv->block + 12;
    bool skip = false;
    for (int guard = 0; guard < 1000000; guard++) {
        int32_t code = word(p);
        if (code == -1) break;
        int n = Operands(f, p, code);
        size_t next = p + 4 + size_t(n) * 4;
        if (skip) {
            skip = false;
            p = next;
            continue;
        }
        if (code == 0) {
            if (stack.empty()) break;
            p = stack.back();
            stack.pop_back();
            continue;
        }
        if (code == 1) {
            int first = word(p + 4), cnt = word(p + 8);
            for (int k = 0; k < cnt; k++) {
                size_t q = p + 12 + size_t(k) * 12;
                double x = word(q) / 2.0, y = word(q + 4) / 2.0, z = word(q + 8) / 2.0;
                int i = first + k;
                mx[i] = x, my[i] = y, mz[i] = z;
                double wx = x * std::cos(oh) + z * std::sin(oh),
                       wz = -x * std::sin(oh) + z * std::cos(oh);
                to_cam(wx, y, wz, cache[i]);
            }
        } else if (code == 2 || code == 14) {
            int cnt = word(p + 4), colour = word(p + 8);
            std::vector<int> idx;
            for (int k = 0; k < cnt; k++)
                idx.push_back(word(p + 16 + size_t(k) * 4));
            bool ok = true;
            for (int i : idx)
                ok &= cache[i].ok;
            const Vtx &A = cache[idx[0]], &B = cache[idx[1]], &C = cache[idx[2]];
            double facing = (B.sx - A.sx) * (C.sy - A.sy) - (C.sx - A.sx) * (B.sy - A.sy);
            if (ok && facing > 0) {
                uint8_t col = uint8_t(colour);
                if (shade) {
                    // Engine normal (B - A) x (C - A) in camera space against the ray from the
                    // light at the camera.
                    double ux = B.x - A.x, uy = B.y - A.y, uz = B.z - A.z;
                    double vx = C.x - A.x, vy = C.y - A.y, vz = C.z - A.z;
                    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
                    double nl = std::sqrt(nx * nx + ny * ny + nz * nz) + 1e-9;
                    double px = (A.x + C.x) / 2, py = (A.y + C.y) / 2, pz = (A.z + C.z) / 2;
                    double pl = std::sqrt(px * px + py * py + pz * pz) + 1e-9;
                    double c = (nx * px + ny * py + nz * pz) / (nl * pl);
                    int inten = c <= 0 ? 0 : std::min(255, int(c * 256 * 16 * 255 / pl));
                    col = shade[inten * 256 + colour];
                }
                for (size_t k = 1; k + 1 < idx.size(); k++)
                    FillTri(s, A, cache[idx[k]], cache[idx[k + 1]], col);
            }
        } else if (code == 7) {
            next = p + 4 + size_t(int64_t(word(p + 4)));
        } else if (code == 8) {
            stack.push_back(next);
            next = p + 4 + size_t(int64_t(word(p + 4)));
        } else if (code == 9) {
            int cond = word(p + 4), v = word(p + 8);
            bool run = cond == 0   ? (flags & v) != 0
                       : cond == 1 ? flags == v
                       : cond == 2 ? flags > v
                       : cond == 3 ? flags < v
                       : cond == 4 ? flags >= v
                       : cond == 5 ? flags <= v
                                   : flags != v;
            skip = !run;
        } else if (code == 11) {
            const Vtx &A = cache[word(p + 8)], &B = cache[word(p + 12)];
            if (A.ok && B.ok) {
                int steps = int(std::max(std::fabs(B.sx - A.sx), std::fabs(B.sy - A.sy))) + 1;
                for (int k = 0; k < steps; k++) {
                    double t = double(k) / steps;
                    int x = int(A.sx + (B.sx - A.sx) * t), y = int(A.sy + (B.sy - A.sy) * t);
                    if (x < 0 || y < 0 || x >= s.width || y >= s.height) continue;
                    float inv = float(1 / (A.z + (B.z - A.z) * t));
                    size_t i = size_t(y) * s.width + x;
                    if (inv >= s.depth[i])
                        s.depth[i] = inv, s.pixels[i] = uint8_t(word(p + 4)), s.drawn++;
                }
            }
        }
        p = next;
    }
}
