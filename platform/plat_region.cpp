// plat_region.cpp -- regions as per-row span lists: rectangles, ellipses, polygons, combining
#include "platform/platform_local.h"

#include <algorithm>
#include <cmath>

namespace plat {

// Regions keep one span list per scan line, so coordinates are bounded (as GDI bounds them to
// 27 bits) to keep a wild rectangle from allocating gigabytes or overflowing the height.
static const int RGN_COORD_MAX = 1 << 16;
static int Bound(long v) {
    return (int)std::clamp<long>(v, -RGN_COORD_MAX, RGN_COORD_MAX);
}

bool Region::Empty() const {
    for (auto &r : rows)
        if (!r.empty()) return false;
    return true;
}

RECT Region::Box() const {
    RECT b{0, 0, 0, 0};
    bool any = false;
    for (size_t i = 0; i < rows.size(); i++) {
        if (rows[i].empty()) continue;
        int y = y0 + (int)i;
        int l = rows[i].front().x0, r = rows[i].back().x1;
        if (!any) {
            b = RECT{l, y, r, y + 1};
            any = true;
        } else {
            b.left = std::min((int)b.left, l);
            b.right = std::max((int)b.right, r);
            b.bottom = y + 1;
        }
    }
    return b;
}

void Region::Trim() {
    size_t first = 0;
    while (first < rows.size() && rows[first].empty())
        first++;
    if (first == rows.size()) {
        rows.clear();
        y0 = 0;
        return;
    }
    size_t last = rows.size();
    while (last > first && rows[last - 1].empty())
        last--;
    rows = std::vector<std::vector<Span>>(rows.begin() + first, rows.begin() + last);
    y0 += (int)first;
}

void Region::SetRect(int l, int t, int r, int b) {
    l = Bound(l), t = Bound(t), r = Bound(r), b = Bound(b);
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    rows.clear();
    y0 = t;
    if (l == r || t == b) return;
    rows.assign(b - t, std::vector<Span>{Span{l, r}});
}

void Region::SetEllipse(int l, int t, int r, int b) {
    l = Bound(l), t = Bound(t), r = Bound(r), b = Bound(b);
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    rows.clear();
    y0 = t;
    if (r - l < 1 || b - t < 1) return;
    double cx = (l + r) / 2.0, cy = (t + b) / 2.0, rx = (r - l) / 2.0, ry = (b - t) / 2.0;
    rows.resize(b - t);
    for (int y = t; y < b; y++) {
        double dy = (y + 0.5 - cy) / ry;
        if (dy <= -1 || dy >= 1) continue;
        double half = rx * std::sqrt(1 - dy * dy);
        int x0 = (int)std::ceil(cx - half - 0.5), x1 = (int)std::floor(cx + half - 0.5) + 1;
        if (x0 < x1) rows[y - t].push_back(Span{x0, x1});
    }
    Trim();
}

void Region::SetPolygon(const POINT *p, int n, int mode) {
    rows.clear();
    y0 = 0;
    if (!p || n < 3) return;
    std::vector<POINT> pts(p, p + n);
    for (POINT &q : pts)
        q = POINT{Bound(q.x), Bound(q.y)};
    p = pts.data();
    int top = p[0].y, bot = p[0].y;
    for (int i = 1; i < n; i++) {
        top = std::min(top, (int)p[i].y);
        bot = std::max(bot, (int)p[i].y);
    }
    y0 = top;
    rows.resize(bot - top);
    struct X {
        double x;
        int dir;
    };
    std::vector<X> xs;
    for (int y = top; y < bot; y++) {
        double py = y + 0.5;
        xs.clear();
        for (int i = 0; i < n; i++) {
            POINT a = p[i], b = p[(i + 1) % n];
            if (a.y == b.y) continue;
            int dir = 1;
            if (a.y > b.y) {
                std::swap(a, b);
                dir = -1;
            }
            if (py < a.y || py >= b.y) continue;
            double x = a.x + (py - a.y) * (double)(b.x - a.x) / (double)(b.y - a.y);
            xs.push_back(X{x, dir});
        }
        std::sort(xs.begin(), xs.end(), [](const X &u, const X &v) { return u.x < v.x; });
        std::vector<Span> &row = rows[y - top];
        int wind = 0;
        for (size_t k = 0; k + 1 < xs.size(); k++) {
            wind += xs[k].dir;
            bool inside = mode == WINDING ? wind != 0 : (k % 2) == 0;
            if (!inside) continue;
            int x0 = (int)std::ceil(xs[k].x - 0.5), x1 = (int)std::ceil(xs[k + 1].x - 0.5);
            if (x0 >= x1) continue;
            if (!row.empty() && row.back().x1 >= x0)
                row.back().x1 = std::max(row.back().x1, x1);
            else
                row.push_back(Span{x0, x1});
        }
    }
    Trim();
}

void Region::Offset(int dx, int dy) {
    dx = Bound(dx), dy = Bound(dy);
    y0 += dy;
    if (dx)
        for (auto &r : rows)
            for (auto &s : r) {
                s.x0 += dx;
                s.x1 += dx;
            }
}

bool Region::Contains(int x, int y) const {
    const std::vector<Span> *r = Row(y);
    if (!r) return false;
    for (const Span &s : *r)
        if (x >= s.x0 && x < s.x1) return true;
    return false;
}

static bool In(const std::vector<Span> *r, size_t &i, int x) {
    if (!r) return false;
    while (i < r->size() && (*r)[i].x1 <= x)
        i++;
    return i < r->size() && (*r)[i].x0 <= x;
}

static void CombineRow(const std::vector<Span> *a, const std::vector<Span> *b, int mode,
                       std::vector<Span> &out) {
    std::vector<int> xs;
    if (a)
        for (auto &s : *a) {
            xs.push_back(s.x0);
            xs.push_back(s.x1);
        }
    if (b)
        for (auto &s : *b) {
            xs.push_back(s.x0);
            xs.push_back(s.x1);
        }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    size_t ia = 0, ib = 0;
    for (size_t k = 0; k + 1 < xs.size(); k++) {
        int x = xs[k];
        bool ina = In(a, ia, x), inb = In(b, ib, x);
        bool keep = false;
        switch (mode) {
        case RGN_AND:
            keep = ina && inb;
            break;
        case RGN_OR:
            keep = ina || inb;
            break;
        case RGN_XOR:
            keep = ina != inb;
            break;
        case RGN_DIFF:
            keep = ina && !inb;
            break;
        default:
            keep = ina;
        }
        if (!keep) continue;
        if (!out.empty() && out.back().x1 == x)
            out.back().x1 = xs[k + 1];
        else
            out.push_back(Span{x, xs[k + 1]});
    }
}

Region Combine(const Region &a, const Region &b, int mode) {
    Region r;
    if (mode == RGN_COPY) return a;
    bool ae = a.rows.empty(), be = b.rows.empty();
    if (ae && be) return r;
    int top = ae ? b.y0 : (be ? a.y0 : std::min(a.y0, b.y0));
    int bot = ae ? b.y0 + (int)b.rows.size()
                 : (be ? a.y0 + (int)a.rows.size()
                       : std::max(a.y0 + (int)a.rows.size(), b.y0 + (int)b.rows.size()));
    r.y0 = top;
    r.rows.resize(bot - top);
    for (int y = top; y < bot; y++)
        CombineRow(a.Row(y), b.Row(y), mode, r.rows[y - top]);
    r.Trim();
    return r;
}

int Complexity(const Region &r) {
    if (r.Empty()) return NULLREGION;
    const std::vector<Span> *first = nullptr;
    for (auto &row : r.rows) {
        if (row.size() != 1) return COMPLEXREGION;
        if (!first)
            first = &row;
        else if (row[0].x0 != (*first)[0].x0 || row[0].x1 != (*first)[0].x1)
            return COMPLEXREGION;
    }
    return SIMPLEREGION;
}

} // namespace plat

using namespace plat;

static HRGN NewRegion(const Region &r) {
    auto o = std::make_shared<GdiObject>();
    o->kind = GdiKind::Region;
    o->rgn = r;
    return (HRGN)GdiAdd(o);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    Region r;
    r.SetRect(left, top, right, bottom);
    return NewRegion(r);
}

HRGN CreateRectRgnIndirect(const RECT *rect) {
    return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
    Region r;
    r.SetEllipse(left, top, right, bottom);
    return NewRegion(r);
}

HRGN CreateEllipticRgnIndirect(const RECT *rect) {
    return rect ? CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreatePolygonRgn(const POINT *points, int count, int fill_mode) {
    Region r;
    r.SetPolygon(points, count, fill_mode);
    return NewRegion(r);
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
    Region r, e;
    int w = std::min(width, right - left), h = std::min(height, bottom - top);
    r.SetRect(left + w / 2, top, right - w / 2, bottom);
    Region side;
    side.SetRect(left, top + h / 2, right, bottom - h / 2);
    r = Combine(r, side, RGN_OR);
    int corners[4][2] = {
        {left, top}, {right - w, top}, {left, bottom - h}, {right - w, bottom - h}};
    for (auto &c : corners) {
        e.SetEllipse(c[0], c[1], c[0] + w, c[1] + h);
        r = Combine(r, e, RGN_OR);
    }
    return NewRegion(r);
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
    GdiPtr d = Gdi(dst, GdiKind::Region), ra = Gdi(a, GdiKind::Region);
    if (!d || !ra) return ERROR;
    if (mode == RGN_COPY) {
        d->rgn = ra->rgn;
        return Complexity(d->rgn);
    }
    GdiPtr rb = Gdi(b, GdiKind::Region);
    if (!rb || mode < RGN_AND || mode > RGN_DIFF) return ERROR;
    d->rgn = Combine(ra->rgn, rb->rgn, mode);
    return Complexity(d->rgn);
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
    GdiPtr r = Gdi(region, GdiKind::Region);
    if (!r) return FALSE;
    r->rgn.SetRect(left, top, right, bottom);
    return TRUE;
}

int OffsetRgn(HRGN region, int dx, int dy) {
    GdiPtr r = Gdi(region, GdiKind::Region);
    if (!r) return ERROR;
    r->rgn.Offset(dx, dy);
    return Complexity(r->rgn);
}

int GetRgnBox(HRGN region, LPRECT rect) {
    GdiPtr r = Gdi(region, GdiKind::Region);
    if (!r || !rect) return ERROR;
    *rect = r->rgn.Box();
    return Complexity(r->rgn);
}

BOOL PtInRegion(HRGN region, int x, int y) {
    GdiPtr r = Gdi(region, GdiKind::Region);
    return r && r->rgn.Contains(x, y);
}

BOOL RectInRegion(HRGN region, const RECT *rect) {
    GdiPtr r = Gdi(region, GdiKind::Region);
    if (!r || !rect) return FALSE;
    Region box;
    box.SetRect(rect->left, rect->top, rect->right, rect->bottom);
    return !Combine(r->rgn, box, RGN_AND).Empty();
}

BOOL EqualRgn(HRGN a, HRGN b) {
    GdiPtr ra = Gdi(a, GdiKind::Region), rb = Gdi(b, GdiKind::Region);
    if (!ra || !rb) return FALSE;
    return Combine(ra->rgn, rb->rgn, RGN_XOR).Empty();
}
