// plat_gdi.cpp -- GDI objects, device contexts, painting, pens, brushes, shapes and palettes
#include "platform/platform_local.h"

#include <algorithm>
#include <cmath>

namespace plat {

static std::unordered_map<uintptr_t, GdiPtr> objects;
static std::unordered_map<uintptr_t, std::unique_ptr<DC>> dcs;
static std::vector<GdiPtr> stock;
static std::vector<GdiPtr> sys_brushes;
static bool screen_dirty = true;
static Surface desktop;
static std::vector<PALETTEENTRY> system_palette;
static int palette_broadcast_depth = 0;

const uintptr_t STOCK_BASE = 0x1000, SYSBRUSH_BASE = 0x2000;

static const COLORREF sys_colors[31] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128),
    RGB(192, 192, 192), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(192, 192, 192), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),
    RGB(255, 255, 225), RGB(180, 180, 180), RGB(0, 0, 255),     RGB(16, 132, 208),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(192, 192, 192)};

uint32_t SysPixel(int index) {
    if (index < 0 || index > 30) return 0;
    return ToPixel(sys_colors[index]);
}

static const BYTE static_colors[20][3] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

static void InitSystemPalette() {
    system_palette.assign(256, PALETTEENTRY{0, 0, 0, 0});
    for (int i = 0; i < 10; i++) {
        system_palette[i] =
            PALETTEENTRY{static_colors[i][0], static_colors[i][1], static_colors[i][2], 0};
        system_palette[246 + i] = PALETTEENTRY{static_colors[10 + i][0], static_colors[10 + i][1],
                                               static_colors[10 + i][2], 0};
    }
}

static void MakeStock() {
    if (!stock.empty()) return;
    auto mk = [](GdiKind k) {
        auto o = std::make_shared<GdiObject>();
        o->kind = k;
        o->stock = true;
        return o;
    };
    stock.resize(18);
    COLORREF brush_col[5] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                             RGB(64, 64, 64), RGB(0, 0, 0)};
    for (int i = 0; i < 5; i++) {
        stock[i] = mk(GdiKind::Brush);
        stock[i]->color = brush_col[i];
    }
    stock[NULL_BRUSH] = mk(GdiKind::Brush);
    stock[NULL_BRUSH]->null_brush = true;
    stock[WHITE_PEN] = mk(GdiKind::Pen);
    stock[WHITE_PEN]->color = RGB(255, 255, 255);
    stock[BLACK_PEN] = mk(GdiKind::Pen);
    stock[NULL_PEN] = mk(GdiKind::Pen);
    stock[NULL_PEN]->pen_style = PS_NULL;
    for (int i : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, DEVICE_DEFAULT_FONT,
                  SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT}) {
        stock[i] = mk(GdiKind::Font);
        stock[i]->lf = DefaultGuiFont();
        if (i == OEM_FIXED_FONT || i == ANSI_FIXED_FONT || i == SYSTEM_FIXED_FONT)
            stock[i]->lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        if (i == SYSTEM_FONT) stock[i]->lf.lfHeight = 16;
    }
    stock[DEFAULT_PALETTE] = mk(GdiKind::Palette);
    for (int i = 0; i < 20; i++)
        stock[DEFAULT_PALETTE]->pal.push_back(
            PALETTEENTRY{static_colors[i][0], static_colors[i][1], static_colors[i][2], 0});
    stock[9] = mk(GdiKind::Bitmap); // the one-pixel monochrome bitmap of a new memory DC
    stock[9]->surf.Resize(1, 1, 0);
    stock[9]->mono = true;
    stock[9]->bpp = 1;
    sys_brushes.resize(31);
    for (int i = 0; i < 31; i++) {
        sys_brushes[i] = mk(GdiKind::Brush);
        sys_brushes[i]->sys_color = i;
        sys_brushes[i]->color = sys_colors[i];
    }
    InitSystemPalette();
}

GdiPtr StockObject(int index) {
    MakeStock();
    if (index < 0 || index >= (int)stock.size()) return nullptr;
    return stock[index];
}

GdiPtr GdiAny(HGDIOBJ h) {
    uintptr_t v = (uintptr_t)h;
    if (!v) return nullptr;
    MakeStock();
    if (v >= STOCK_BASE && v < STOCK_BASE + stock.size()) return stock[v - STOCK_BASE];
    if (v >= SYSBRUSH_BASE && v < SYSBRUSH_BASE + sys_brushes.size())
        return sys_brushes[v - SYSBRUSH_BASE];
    auto it = objects.find(v);
    return it == objects.end() ? nullptr : it->second;
}

GdiPtr Gdi(HGDIOBJ h, GdiKind kind) {
    GdiPtr o = GdiAny(h);
    return o && o->kind == kind ? o : nullptr;
}

HGDIOBJ GdiAdd(GdiPtr obj) {
    EnsureInit();
    uintptr_t id = NewId();
    objects[id] = std::move(obj);
    return (HGDIOBJ)id;
}

void GdiResetAll() {
    objects.clear();
    InitSystemPalette();
}

void MarkDirty() {
    screen_dirty = true;
}
bool ScreenDirty() {
    bool d = screen_dirty;
    screen_dirty = false;
    return d;
}

static void DefaultState(DCState &s) {
    s = DCState{};
    s.pen_h = (HGDIOBJ)(STOCK_BASE + BLACK_PEN);
    s.pen = StockObject(BLACK_PEN);
    s.brush_h = (HGDIOBJ)(STOCK_BASE + WHITE_BRUSH);
    s.brush = StockObject(WHITE_BRUSH);
    s.font_h = (HGDIOBJ)(STOCK_BASE + SYSTEM_FONT);
    s.font = StockObject(SYSTEM_FONT);
    s.palette_h = (HGDIOBJ)(STOCK_BASE + DEFAULT_PALETTE);
    s.palette = StockObject(DEFAULT_PALETTE);
}

static HDC NewDC(DCKind kind, HWND w, bool own) {
    EnsureInit();
    auto dc = std::make_unique<DC>();
    dc->kind = kind;
    dc->window = w;
    dc->own = own;
    DefaultState(dc->s);
    if (kind == DCKind::Memory) {
        dc->s.bitmap_h = (HGDIOBJ)(STOCK_BASE + 9);
        dc->s.bitmap = StockObject(9);
    }
    uintptr_t id = NewId();
    dcs[id] = std::move(dc);
    return (HDC)id;
}

HDC DCNewWindow(HWND w, bool own) {
    return NewDC(DCKind::Window, w, own);
}

DC *GetDCPtr(HDC h) {
    auto it = dcs.find((uintptr_t)h);
    return it == dcs.end() ? nullptr : it->second.get();
}

void DCResetAll() {
    dcs.clear();
}

void DCDeleteForWindow(HWND w) {
    for (auto it = dcs.begin(); it != dcs.end();)
        if (it->second->window == w && it->second->kind == DCKind::Window)
            it = dcs.erase(it);
        else
            ++it;
}

bool ResolveTarget(DC *dc, Target &t) {
    t = Target{};
    if (!dc) return false;
    switch (dc->kind) {
    case DCKind::Window: {
        Window *w = W(dc->window);
        if (!w) return false;
        t.surf = &w->surf;
        t.to_screen = true;
        break;
    }
    case DCKind::Memory:
        if (!dc->s.bitmap) return false;
        t.surf = &dc->s.bitmap->surf;
        break;
    case DCKind::Display:
        if (desktop.w != screen_w || desktop.h != screen_h)
            desktop.Resize(screen_w, screen_h, SysPixel(COLOR_DESKTOP));
        t.surf = &desktop;
        t.to_screen = true;
        break;
    }
    t.bounds = RECT{0, 0, t.surf->w, t.surf->h};
    t.dx = dc->s.vp.x - dc->s.win.x;
    t.dy = dc->s.vp.y - dc->s.win.y;
    if (dc->s.has_clip) {
        t.clip = &dc->s.clip;
        RECT b = dc->s.clip.Box();
        IntersectRect(&t.bounds, &t.bounds, &b);
    }
    return true;
}

static inline void Apply(uint32_t &d, uint32_t c, int rop) {
    switch (rop) {
    case R2_COPYPEN:
        d = c;
        break;
    case R2_XORPEN:
        d = (d ^ c) & 0xFFFFFF;
        break;
    case R2_NOT:
        d = ~d & 0xFFFFFF;
        break;
    case R2_BLACK:
        d = 0;
        break;
    case R2_WHITE:
        d = 0xFFFFFF;
        break;
    case R2_NOP:
        break;
    default:
        d = c;
    }
}

void FillSpan(Target &t, int y, int x0, int x1, uint32_t color, int rop) {
    ForEachVisible(t, y, x0, x1, [&](int a, int b) {
        uint32_t *p = &t.surf->px[(size_t)y * t.surf->w];
        if (rop == R2_COPYPEN)
            std::fill(p + a, p + b, color);
        else
            for (int x = a; x < b; x++)
                Apply(p[x], color, rop);
    });
}

void PutPixel(Target &t, int x, int y, uint32_t color, int rop) {
    if (x < t.bounds.left || x >= t.bounds.right || y < t.bounds.top || y >= t.bounds.bottom)
        return;
    if (t.clip && !t.clip->Contains(x, y)) return;
    Apply(t.surf->px[(size_t)y * t.surf->w + x], color, rop);
}

void DrawFillRect(Target &t, int l, int tp, int r, int b, uint32_t color) {
    if (l > r) std::swap(l, r);
    if (tp > b) std::swap(tp, b);
    tp = std::max(tp, (int)t.bounds.top);
    b = std::min(b, (int)t.bounds.bottom);
    for (int y = tp; y < b; y++)
        FillSpan(t, y, l, r, color);
}

void DrawRegionFill(Target &t, const Region &rg, int dx, int dy, uint32_t color) {
    for (size_t i = 0; i < rg.rows.size(); i++)
        for (const Span &s : rg.rows[i])
            FillSpan(t, rg.y0 + (int)i + dy, s.x0 + dx, s.x1 + dx, color);
}

static void RegionFillRop(Target &t, const Region &rg, int dx, int dy, uint32_t color, int rop) {
    for (size_t i = 0; i < rg.rows.size(); i++)
        for (const Span &s : rg.rows[i])
            FillSpan(t, rg.y0 + (int)i + dy, s.x0 + dx, s.x1 + dx, color, rop);
}

void DrawThinLine(Target &t, int x0, int y0, int x1, int y1, uint32_t color, int style, int rop,
                  bool last) {
    static const int dash[] = {18, 6}, dot[] = {3, 3}, dashdot[] = {9, 6, 3, 6},
                     dashdotdot[] = {9, 3, 3, 3, 3, 3};
    const int *pat = nullptr;
    int np = 0;
    switch (style) {
    case PS_DASH:
        pat = dash;
        np = 2;
        break;
    case PS_DOT:
        pat = dot;
        np = 2;
        break;
    case PS_DASHDOT:
        pat = dashdot;
        np = 4;
        break;
    case PS_DASHDOTDOT:
        pat = dashdotdot;
        np = 6;
        break;
    }
    int dx = abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy, seg = 0, left = pat ? pat[0] : 0;
    for (;;) {
        bool end = x0 == x1 && y0 == y1;
        if (end && !last) break;
        if (!pat || (seg % 2) == 0) PutPixel(t, x0, y0, color, rop);
        if (pat && --left <= 0) {
            seg = (seg + 1) % np;
            left = pat[seg];
        }
        if (end) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void DrawWideLine(Target &t, double ax, double ay, double bx, double by, double width,
                  uint32_t color, bool round) {
    double r = width / 2.0;
    double dx = bx - ax, dy = by - ay, L2 = dx * dx + dy * dy, L = std::sqrt(L2);
    int ytop = (int)std::floor(std::min(ay, by) - r - 1),
        ybot = (int)std::ceil(std::max(ay, by) + r + 1);
    ytop = std::max(ytop, (int)t.bounds.top);
    ybot = std::min(ybot, (int)t.bounds.bottom);
    for (int y = ytop; y < ybot; y++) {
        double py = y + 0.5, lo = 1e300, hi = -1e300;
        auto circle = [&](double cx, double cy) {
            double d = py - cy;
            if (std::fabs(d) > r) return;
            double h = std::sqrt(r * r - d * d);
            lo = std::min(lo, cx - h);
            hi = std::max(hi, cx + h);
        };
        if (round || L2 < 1e-9) {
            circle(ax, ay);
            circle(bx, by);
        }
        if (L2 >= 1e-9) {
            // Band: 0 <= (P-A).d <= L2 and |(P-A) x d| <= r*L, both linear in x.
            double a_lo = -1e300, a_hi = 1e300;
            auto clamp = [&](double k, double c, double mn, double mx) {
                // mn <= k*x + c <= mx
                if (std::fabs(k) < 1e-12) {
                    if (c < mn || c > mx) a_lo = 1e300, a_hi = -1e300;
                    return;
                }
                double x1 = (mn - c) / k, x2 = (mx - c) / k;
                if (x1 > x2) std::swap(x1, x2);
                a_lo = std::max(a_lo, x1);
                a_hi = std::min(a_hi, x2);
            };
            double ext = round ? 0 : 0;
            clamp(dx, -ax * dx + (py - ay) * dy, -ext, L2 + ext);
            clamp(dy, -ax * dy - (py - ay) * dx, -r * L, r * L);
            if (a_lo <= a_hi) {
                lo = std::min(lo, a_lo);
                hi = std::max(hi, a_hi);
            }
        }
        if (lo > hi) continue;
        int x0 = (int)std::ceil(lo - 0.5), x1 = (int)std::floor(hi - 0.5) + 1;
        if (x0 < x1) FillSpan(t, y, x0, x1, color);
    }
}

uint32_t ResolveColor(DC *dc, COLORREF c) {
    if ((c >> 24) == 1 && dc && dc->s.palette) {
        size_t i = c & 0xFFFF;
        if (i < dc->s.palette->pal.size()) {
            const PALETTEENTRY &e = dc->s.palette->pal[i];
            return ((uint32_t)e.peRed << 16) | ((uint32_t)e.peGreen << 8) | e.peBlue;
        }
        return 0;
    }
    return ToPixel(c & 0xFFFFFF);
}

static uint32_t BrushPixel(DC *dc, const GdiPtr &b) {
    if (b->sys_color >= 0) return SysPixel(b->sys_color);
    return ResolveColor(dc, b->color);
}

static GdiPtr BrushFromHandle(HBRUSH h) {
    uintptr_t v = (uintptr_t)h;
    if (v > 0 && v <= 31) {
        MakeStock();
        return sys_brushes[v - 1];
    }
    return Gdi(h, GdiKind::Brush);
}

struct Ctx {
    DC *dc = nullptr;
    Target t;
    bool ok = false;
    explicit Ctx(HDC h) {
        dc = GetDCPtr(h);
        ok = dc && ResolveTarget(dc, t);
    }
    ~Ctx() {
        if (ok && t.to_screen) MarkDirty();
    }
    int X(int x) const { return x + t.dx; }
    int Y(int y) const { return y + t.dy; }
    bool PenVisible() const { return dc->s.pen && dc->s.pen->pen_style != PS_NULL; }
    bool BrushVisible() const { return dc->s.brush && !dc->s.brush->null_brush; }
    uint32_t PenPix() const { return ResolveColor(dc, dc->s.pen->color); }
    uint32_t BrushPix() const { return BrushPixel(dc, dc->s.brush); }
    int PenWidth() const { return std::max(1, dc->s.pen->pen_width); }
};

static void StrokeLine(Ctx &c, int x0, int y0, int x1, int y1, bool last) {
    if (!c.PenVisible()) return;
    const GdiPtr &p = c.dc->s.pen;
    if (p->pen_width <= 1)
        DrawThinLine(c.t, c.X(x0), c.Y(y0), c.X(x1), c.Y(y1), c.PenPix(), p->pen_style,
                     c.dc->s.rop2, last);
    else
        DrawWideLine(c.t, c.X(x0) + 0.5, c.Y(y0) + 0.5, c.X(x1) + 0.5, c.Y(y1) + 0.5, p->pen_width,
                     c.PenPix(), !p->pen_flat && !p->pen_square);
}

static void EllipseRegion(Region &r, int l, int t, int rr, int b) {
    r.SetEllipse(l, t, rr, b);
}

} // namespace plat

using namespace plat;

HGDIOBJ GetStockObject(int index) {
    if (!StockObject(index)) return nullptr;
    return (HGDIOBJ)(STOCK_BASE + index);
}

DWORD GetSysColor(int index) {
    return index >= 0 && index <= 30 ? sys_colors[index] : 0;
}

HBRUSH GetSysColorBrush(int index) {
    MakeStock();
    if (index < 0 || index > 30) return nullptr;
    return (HBRUSH)(SYSBRUSH_BASE + index);
}

BOOL DeleteObject(HGDIOBJ object) {
    uintptr_t v = (uintptr_t)object;
    if (!v) return FALSE;
    if ((v >= STOCK_BASE && v < STOCK_BASE + 32) || (v >= SYSBRUSH_BASE && v < SYSBRUSH_BASE + 32))
        return TRUE;
    return objects.erase(v) ? TRUE : FALSE;
}

HDC GetDC(HWND window) {
    EnsureInit();
    if (!window) return NewDC(DCKind::Display, nullptr, false);
    Window *w = W(window);
    if (!w) return nullptr;
    if (w->own_dc && GetDCPtr(w->own_dc)) return w->own_dc;
    return NewDC(DCKind::Window, window, false);
}

HDC GetWindowDC(HWND window) {
    return GetDC(window);
}

int ReleaseDC(HWND, HDC dc) {
    DC *d = GetDCPtr(dc);
    if (!d) return 0;
    if (!d->own) dcs.erase((uintptr_t)dc);
    return 1;
}

HDC BeginPaint(HWND window, LPPAINTSTRUCT ps) {
    Window *w = W(window);
    if (!w || !ps) return nullptr;
    memset(ps, 0, sizeof *ps);
    HDC dc = GetDC(window);
    ps->hdc = dc;
    RECT c;
    GetClientRect(window, &c);
    ps->rcPaint = w->dirty_rect ? w->update : c;
    bool erase = w->erase;
    w->dirty_rect = false;
    w->erase = false;
    w->update = RECT{0, 0, 0, 0};
    w->painted = true;
    PaintQueueRemove(window);
    if (erase) ps->fErase = Send(window, WM_ERASEBKGND, (WPARAM)dc, 0) == 0;
    return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT *ps) {
    if (!ps) return FALSE;
    ReleaseDC(window, ps->hdc);
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT *rect, BOOL erase) {
    EnsureInit();
    if (!window) {
        std::vector<HWND> tops = TopLevels();
        for (HWND t : tops)
            InvalidateTree(t);
        MarkDirty();
        return TRUE;
    }
    Window *w = W(window);
    if (!w) return FALSE;
    RECT c;
    GetClientRect(window, &c);
    RECT r = c;
    if (rect && !IntersectRect(&r, rect, &c)) return TRUE;
    if (IsRectEmpty(&r)) return TRUE;
    if (w->dirty_rect)
        UnionRect(&w->update, &w->update, &r);
    else
        w->update = r;
    w->dirty_rect = true;
    if (erase) w->erase = true;
    PaintQueueAdd(window);
    return TRUE;
}

BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase) {
    GdiPtr r = Gdi(region, GdiKind::Region);
    if (!r) return InvalidateRect(window, nullptr, erase);
    RECT b = r->rgn.Box();
    return InvalidateRect(window, &b, erase);
}

BOOL ValidateRect(HWND window, const RECT *rect) {
    Window *w = W(window);
    if (!w) return FALSE;
    if (rect && w->dirty_rect) {
        RECT u;
        UnionRect(&u, rect, &w->update);
        if (!EqualRect(&u, rect)) return TRUE; // part of the update area remains
    }
    w->dirty_rect = false;
    w->erase = false;
    w->update = RECT{0, 0, 0, 0};
    PaintQueueRemove(window);
    return TRUE;
}

BOOL GetUpdateRect(HWND window, LPRECT rect, BOOL) {
    Window *w = W(window);
    if (!w) return FALSE;
    if (rect) *rect = w->dirty_rect ? w->update : RECT{0, 0, 0, 0};
    return w->dirty_rect;
}

HDC CreateDC(LPCSTR driver, LPCSTR, LPCSTR, const void *) {
    if (!driver || strcasecmp(driver, "DISPLAY") != 0) return nullptr;
    return NewDC(DCKind::Display, nullptr, false);
}

HDC CreateCompatibleDC(HDC) {
    return NewDC(DCKind::Memory, nullptr, false);
}

BOOL DeleteDC(HDC dc) {
    DC *d = GetDCPtr(dc);
    if (!d || d->own) return FALSE;
    dcs.erase((uintptr_t)dc);
    return TRUE;
}

int SaveDC(HDC dc) {
    DC *d = GetDCPtr(dc);
    if (!d) return 0;
    d->saved.push_back(d->s);
    return (int)d->saved.size();
}

BOOL RestoreDC(HDC dc, int saved) {
    DC *d = GetDCPtr(dc);
    if (!d || d->saved.empty()) return FALSE;
    int n = (int)d->saved.size();
    int level = saved < 0 ? n + saved + 1 : saved;
    if (level < 1 || level > n) return FALSE;
    d->s = d->saved[level - 1];
    d->saved.resize(level - 1);
    return TRUE;
}

// Puts an object (its handle and itself) in one of a DC's slots; the handle it held comes back.
static HGDIOBJ SwapObject(HGDIOBJ &slot_h, GdiPtr &slot, HGDIOBJ object, const GdiPtr &o) {
    HGDIOBJ old = slot_h;
    slot_h = object;
    slot = o;
    return old;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    DC *d = GetDCPtr(dc);
    GdiPtr o = GdiAny(object);
    if (!d || !o) return nullptr;
    switch (o->kind) {
    case GdiKind::Pen:
        return SwapObject(d->s.pen_h, d->s.pen, object, o);
    case GdiKind::Brush:
        return SwapObject(d->s.brush_h, d->s.brush, object, o);
    case GdiKind::Font:
        return SwapObject(d->s.font_h, d->s.font, object, o);
    case GdiKind::Bitmap:
        if (d->kind != DCKind::Memory) return nullptr;
        return SwapObject(d->s.bitmap_h, d->s.bitmap, object, o);
    case GdiKind::Region:
        return (HGDIOBJ)(uintptr_t)SelectClipRgn(dc, (HRGN)object);
    case GdiKind::Palette:
        return SelectPalette(dc, (HPALETTE)object, FALSE);
    default:
        return nullptr;
    }
}

int GetObject(HGDIOBJ object, int size, LPVOID out) {
    GdiPtr o = GdiAny(object);
    if (!o) return 0;
    switch (o->kind) {
    case GdiKind::Pen: {
        LOGPEN lp{(UINT)o->pen_style, POINT{o->pen_width, 0}, o->color};
        if (out && size >= (int)sizeof lp) memcpy(out, &lp, sizeof lp);
        return sizeof lp;
    }
    case GdiKind::Brush: {
        LOGBRUSH lb{o->null_brush ? (UINT)BS_NULL : (UINT)BS_SOLID, o->color, 0};
        if (out && size >= (int)sizeof lb) memcpy(out, &lb, sizeof lb);
        return sizeof lb;
    }
    case GdiKind::Bitmap: {
        BITMAP bm{};
        bm.bmWidth = o->surf.w;
        bm.bmHeight = o->surf.h;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = (WORD)o->bpp;
        bm.bmWidthBytes = ((o->surf.w * o->bpp + 15) / 16) * 2;
        bm.bmBits = o->dib_bits.empty() ? nullptr : o->dib_bits.data();
        if (out && size >= (int)sizeof bm) memcpy(out, &bm, sizeof bm);
        return sizeof bm;
    }
    case GdiKind::Font:
        if (out && size >= (int)sizeof(LOGFONT)) memcpy(out, &o->lf, sizeof(LOGFONT));
        return sizeof(LOGFONT);
    case GdiKind::Palette: {
        WORD n = (WORD)o->pal.size();
        if (out && size >= 2) memcpy(out, &n, 2);
        return 2;
    }
    default:
        return 0;
    }
}

DWORD GetObjectType(HGDIOBJ object) {
    if (GetDCPtr((HDC)object))
        return GetDCPtr((HDC)object)->kind == DCKind::Memory ? OBJ_MEMDC : OBJ_DC;
    GdiPtr o = GdiAny(object);
    if (!o) return 0;
    switch (o->kind) {
    case GdiKind::Pen:
        return OBJ_PEN;
    case GdiKind::Brush:
        return OBJ_BRUSH;
    case GdiKind::Bitmap:
        return OBJ_BITMAP;
    case GdiKind::Region:
        return OBJ_REGION;
    case GdiKind::Font:
        return OBJ_FONT;
    case GdiKind::Palette:
        return OBJ_PAL;
    default:
        return 0;
    }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
    DC *d = GetDCPtr(dc);
    if (!d) return nullptr;
    switch (type) {
    case OBJ_PEN:
        return d->s.pen_h;
    case OBJ_BRUSH:
        return d->s.brush_h;
    case OBJ_FONT:
        return d->s.font_h;
    case OBJ_BITMAP:
        return d->s.bitmap_h;
    case OBJ_PAL:
        return d->s.palette_h;
    }
    return nullptr;
}

int GetDeviceCaps(HDC, int index) {
    EnsureInit();
    switch (index) {
    case HORZRES:
        return screen_w;
    case VERTRES:
        return screen_h;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case RASTERCAPS:
        return RC_BITBLT | RC_DIBTODEV | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case SIZEPALETTE:
        return 0;
    case NUMRESERVED:
        return 20;
    case COLORRES:
        return 24;
    case VREFRESH:
        return display_hz;
    }
    return 0;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
    auto o = std::make_shared<GdiObject>();
    o->kind = GdiKind::Pen;
    o->pen_style = style & PS_STYLE_MASK;
    if (o->pen_style == PS_INSIDEFRAME) o->pen_style = PS_SOLID;
    o->pen_width = width < 1 ? 1 : width;
    if (o->pen_width > 1 && o->pen_style != PS_NULL) o->pen_style = PS_SOLID;
    o->color = colour;
    return (HPEN)GdiAdd(o);
}

HPEN CreatePenIndirect(const LOGPEN *pen) {
    return pen ? CreatePen((int)pen->lopnStyle, pen->lopnWidth.x, pen->lopnColor) : nullptr;
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH *brush, DWORD, const DWORD *) {
    HPEN h = CreatePen((int)(style & PS_STYLE_MASK), (int)width, brush ? brush->lbColor : 0);
    GdiPtr o = Gdi(h, GdiKind::Pen);
    if (o && (style & PS_TYPE_MASK) == PS_GEOMETRIC) {
        o->pen_flat = (style & PS_ENDCAP_MASK) == PS_ENDCAP_FLAT;
        o->pen_square = (style & PS_ENDCAP_MASK) == PS_ENDCAP_SQUARE;
    }
    if (o && brush && brush->lbStyle == BS_NULL) o->pen_style = PS_NULL;
    return h;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    auto o = std::make_shared<GdiObject>();
    o->kind = GdiKind::Brush;
    o->color = colour;
    return (HBRUSH)GdiAdd(o);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH *brush) {
    if (!brush) return nullptr;
    HBRUSH h = CreateSolidBrush(brush->lbColor);
    if (brush->lbStyle == BS_NULL) Gdi(h, GdiKind::Brush)->null_brush = true;
    return h;
}

// The Set* calls on a device context that store one value and hand back the
// one before; `fail` is what an unknown handle answers.
template <typename T> static T SwapState(HDC dc, T DCState::*field, T value, T fail) {
    DC *d = GetDCPtr(dc);
    if (!d) return fail;
    T old = d->s.*field;
    d->s.*field = value;
    return old;
}

// Likewise for the origins and the pen position, which answer through `old`.
static BOOL SwapPoint(HDC dc, POINT DCState::*field, int x, int y, LPPOINT old) {
    DC *d = GetDCPtr(dc);
    if (!d) return FALSE;
    if (old) *old = d->s.*field;
    d->s.*field = POINT{x, y};
    return TRUE;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    return SwapState(dc, &DCState::bk, colour, (COLORREF)CLR_INVALID);
}
COLORREF GetBkColor(HDC dc) {
    return GetDCPtr(dc) ? GetDCPtr(dc)->s.bk : CLR_INVALID;
}
int SetBkMode(HDC dc, int mode) {
    if (mode != OPAQUE && mode != TRANSPARENT) return 0;
    return SwapState(dc, &DCState::bk_mode, mode, 0);
}
int GetBkMode(HDC dc) {
    return GetDCPtr(dc) ? GetDCPtr(dc)->s.bk_mode : 0;
}
COLORREF SetTextColor(HDC dc, COLORREF colour) {
    return SwapState(dc, &DCState::text, colour, (COLORREF)CLR_INVALID);
}
COLORREF GetTextColor(HDC dc) {
    return GetDCPtr(dc) ? GetDCPtr(dc)->s.text : CLR_INVALID;
}
UINT SetTextAlign(HDC dc, UINT align) {
    return SwapState(dc, &DCState::align, align, (UINT)-1);
}
int SetROP2(HDC dc, int mode) {
    return SwapState(dc, &DCState::rop2, mode, 0);
}
int SetStretchBltMode(HDC dc, int mode) {
    return SwapState(dc, &DCState::stretch, mode, 0);
}
int GetStretchBltMode(HDC dc) {
    return GetDCPtr(dc) ? GetDCPtr(dc)->s.stretch : 0;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT old) {
    return SwapPoint(dc, &DCState::vp, x, y, old);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT old) {
    return SwapPoint(dc, &DCState::win, x, y, old);
}

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT old) {
    return SwapPoint(dc, &DCState::pos, x, y, old);
}

BOOL GetCurrentPositionEx(HDC dc, LPPOINT point) {
    DC *d = GetDCPtr(dc);
    if (!d || !point) return FALSE;
    *point = d->s.pos;
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
    Ctx c(dc);
    if (!c.dc) return FALSE;
    if (c.ok) StrokeLine(c, c.dc->s.pos.x, c.dc->s.pos.y, x, y, false);
    c.dc->s.pos = POINT{x, y};
    return TRUE;
}

BOOL Polyline(HDC dc, const POINT *points, int count) {
    Ctx c(dc);
    if (!c.ok || !points || count < 2) return FALSE;
    for (int i = 1; i < count; i++)
        StrokeLine(c, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, false);
    return TRUE;
}

BOOL Polygon(HDC dc, const POINT *points, int count) {
    Ctx c(dc);
    if (!c.ok || !points || count < 2) return FALSE;
    if (c.BrushVisible()) {
        Region r;
        r.SetPolygon(points, count, ALTERNATE);
        RegionFillRop(c.t, r, c.t.dx, c.t.dy, c.BrushPix(), R2_COPYPEN);
    }
    for (int i = 0; i < count; i++) {
        const POINT &a = points[i], &b = points[(i + 1) % count];
        StrokeLine(c, a.x, a.y, b.x, b.y, false);
    }
    return TRUE;
}

// A box may be given by any two opposite corners: makes them top left and bottom right.
static void SortCorners(int &left, int &top, int &right, int &bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    Ctx c(dc);
    if (!c.ok) return FALSE;
    SortCorners(left, top, right, bottom);
    int l = c.X(left), t = c.Y(top), r = c.X(right), b = c.Y(bottom);
    bool pen = c.PenVisible();
    if (c.BrushVisible()) {
        if (pen)
            DrawFillRect(c.t, l + 1, t + 1, r - 1, b - 1, c.BrushPix());
        else
            DrawFillRect(c.t, l, t, r - 1, b - 1, c.BrushPix());
    }
    if (pen) {
        int w = c.PenWidth(), in = w / 2, out = (w - 1) / 2;
        uint32_t p = c.PenPix();
        if (w == 1 && c.dc->s.pen->pen_style != PS_SOLID) {
            StrokeLine(c, left, top, right - 1, top, false);
            StrokeLine(c, right - 1, top, right - 1, bottom - 1, false);
            StrokeLine(c, right - 1, bottom - 1, left, bottom - 1, false);
            StrokeLine(c, left, bottom - 1, left, top, false);
            return TRUE;
        }
        DrawFillRect(c.t, l - out, t - out, r + in, t - out + w, p);
        DrawFillRect(c.t, l - out, b - 1 - out, r + in, b - 1 - out + w, p);
        DrawFillRect(c.t, l - out, t - out, l - out + w, b + in, p);
        DrawFillRect(c.t, r - 1 - out, t - out, r - 1 - out + w, b + in, p);
    }
    return TRUE;
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height) {
    Ctx c(dc);
    if (!c.ok) return FALSE;
    HRGN outer = CreateRoundRectRgn(c.X(left), c.Y(top), c.X(right), c.Y(bottom), width, height);
    HRGN inner = CreateRoundRectRgn(c.X(left) + 1, c.Y(top) + 1, c.X(right) - 1, c.Y(bottom) - 1,
                                    width, height);
    GdiPtr o = Gdi(outer, GdiKind::Region), i = Gdi(inner, GdiKind::Region);
    if (c.BrushVisible()) DrawRegionFill(c.t, c.PenVisible() ? i->rgn : o->rgn, 0, 0, c.BrushPix());
    if (c.PenVisible()) DrawRegionFill(c.t, Combine(o->rgn, i->rgn, RGN_DIFF), 0, 0, c.PenPix());
    DeleteObject(outer);
    DeleteObject(inner);
    return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
    Ctx c(dc);
    if (!c.ok) return FALSE;
    SortCorners(left, top, right, bottom);
    int l = c.X(left), t = c.Y(top), r = c.X(right), b = c.Y(bottom);
    bool pen = c.PenVisible();
    if (!pen) {
        if (c.BrushVisible()) {
            Region e;
            EllipseRegion(e, l, t, r - 1, b - 1);
            DrawRegionFill(c.t, e, 0, 0, c.BrushPix());
        }
        return TRUE;
    }
    int w = c.PenWidth(), a = (w - 1) / 2;
    Region outer, inner;
    EllipseRegion(outer, l - a, t - a, r + a, b + a);
    EllipseRegion(inner, l - a + w, t - a + w, r + a - w, b + a - w);
    if (c.BrushVisible()) DrawRegionFill(c.t, inner, 0, 0, c.BrushPix());
    RegionFillRop(c.t, Combine(outer, inner, RGN_DIFF), 0, 0, c.PenPix(), c.dc->s.rop2);
    return TRUE;
}

static void ArcPoints(int l, int t, int r, int b, int x1, int y1, int x2, int y2,
                      std::vector<POINT> &out) {
    double cx = (l + r) / 2.0, cy = (t + b) / 2.0, rx = (r - l) / 2.0, ry = (b - t) / 2.0;
    double a1 = std::atan2(-(y1 - cy), x1 - cx), a2 = std::atan2(-(y2 - cy), x2 - cx);
    if (a2 <= a1) a2 += 2 * M_PI;
    int steps = std::max(8, (int)((a2 - a1) * std::max(rx, ry) / 2));
    for (int i = 0; i <= steps; i++) {
        double a = a1 + (a2 - a1) * i / steps;
        out.push_back(POINT{(LONG)std::lround(cx + rx * std::cos(a)),
                            (LONG)std::lround(cy - ry * std::sin(a))});
    }
}

BOOL Arc(HDC dc, int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
    std::vector<POINT> pts;
    ArcPoints(left, top, right, bottom, x1, y1, x2, y2, pts);
    return Polyline(dc, pts.data(), (int)pts.size());
}

BOOL Pie(HDC dc, int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
    std::vector<POINT> pts;
    pts.push_back(POINT{(left + right) / 2, (top + bottom) / 2});
    ArcPoints(left, top, right, bottom, x1, y1, x2, y2, pts);
    return Polygon(dc, pts.data(), (int)pts.size());
}

int FillRect(HDC dc, const RECT *rect, HBRUSH brush) {
    Ctx c(dc);
    GdiPtr b = BrushFromHandle(brush);
    if (!c.ok || !rect || !b) return 0;
    if (b->null_brush) return 1;
    DrawFillRect(c.t, c.X(rect->left), c.Y(rect->top), c.X(rect->right), c.Y(rect->bottom),
                 BrushPixel(c.dc, b));
    return 1;
}

int FrameRect(HDC dc, const RECT *rect, HBRUSH brush) {
    Ctx c(dc);
    GdiPtr b = BrushFromHandle(brush);
    if (!c.ok || !rect || !b || IsRectEmpty(rect)) return 0;
    uint32_t p = BrushPixel(c.dc, b);
    int l = c.X(rect->left), t = c.Y(rect->top), r = c.X(rect->right), bt = c.Y(rect->bottom);
    DrawFillRect(c.t, l, t, r, t + 1, p);
    DrawFillRect(c.t, l, bt - 1, r, bt, p);
    DrawFillRect(c.t, l, t, l + 1, bt, p);
    DrawFillRect(c.t, r - 1, t, r, bt, p);
    return 1;
}

BOOL InvertRect(HDC dc, const RECT *rect) {
    Ctx c(dc);
    if (!c.ok || !rect) return FALSE;
    for (int y = c.Y(rect->top); y < c.Y(rect->bottom); y++)
        FillSpan(c.t, y, c.X(rect->left), c.X(rect->right), 0xFFFFFF, R2_XORPEN);
    return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT *rect) {
    Ctx c(dc);
    if (!c.ok || !rect) return FALSE;
    int l = c.X(rect->left), t = c.Y(rect->top), r = c.X(rect->right) - 1,
        b = c.Y(rect->bottom) - 1;
    for (int x = l; x <= r; x += 2) {
        PutPixel(c.t, x, t, 0xFFFFFF, R2_XORPEN);
        PutPixel(c.t, x, b, 0xFFFFFF, R2_XORPEN);
    }
    for (int y = t + 2; y < b; y += 2) {
        PutPixel(c.t, l, y, 0xFFFFFF, R2_XORPEN);
        PutPixel(c.t, r, y, 0xFFFFFF, R2_XORPEN);
    }
    return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour) {
    Ctx c(dc);
    if (!c.ok) return CLR_INVALID;
    uint32_t p = ResolveColor(c.dc, colour);
    PutPixel(c.t, c.X(x), c.Y(y), p);
    return ToColor(p);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF colour) {
    return SetPixel(dc, x, y, colour) != CLR_INVALID;
}

COLORREF GetPixel(HDC dc, int x, int y) {
    DC *d = GetDCPtr(dc);
    Target t;
    if (!d || !ResolveTarget(d, t)) return CLR_INVALID;
    x += t.dx;
    y += t.dy;
    if (x < t.bounds.left || x >= t.bounds.right || y < t.bounds.top || y >= t.bounds.bottom)
        return CLR_INVALID;
    if (t.clip && !t.clip->Contains(x, y)) return CLR_INVALID;
    return ToColor(t.surf->px[(size_t)y * t.surf->w + x]);
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    Ctx c(dc);
    if (!c.ok) return FALSE;
    int l = c.X(x), t = c.Y(y), r = l + width, b = t + height;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    uint32_t col = c.BrushVisible() ? c.BrushPix() : 0;
    int mode = R2_COPYPEN;
    switch (rop) {
    case BLACKNESS:
        col = 0;
        break;
    case WHITENESS:
        col = 0xFFFFFF;
        break;
    case DSTINVERT:
        mode = R2_NOT;
        break;
    case PATINVERT:
        mode = R2_XORPEN;
        break;
    case PATCOPY:
        if (!c.BrushVisible()) return TRUE;
        break;
    default:
        return FALSE;
    }
    for (int yy = t; yy < b; yy++)
        FillSpan(c.t, yy, l, r, col, mode);
    return TRUE;
}

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
    Ctx c(dc);
    GdiPtr r = Gdi(region, GdiKind::Region), b = BrushFromHandle(brush);
    if (!c.ok || !r || !b) return FALSE;
    if (!b->null_brush) DrawRegionFill(c.t, r->rgn, c.t.dx, c.t.dy, BrushPixel(c.dc, b));
    return TRUE;
}

BOOL PaintRgn(HDC dc, HRGN region) {
    DC *d = GetDCPtr(dc);
    return d ? FillRgn(dc, region, (HBRUSH)d->s.brush_h) : FALSE;
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height) {
    Ctx c(dc);
    GdiPtr r = Gdi(region, GdiKind::Region), b = BrushFromHandle(brush);
    if (!c.ok || !r || !b) return FALSE;
    Region inner = r->rgn;
    for (int dy = -height; dy <= height; dy++)
        for (int dx = -width; dx <= width; dx++) {
            if (!dx && !dy) continue;
            Region s = r->rgn;
            s.Offset(dx, dy);
            inner = Combine(inner, s, RGN_AND);
        }
    DrawRegionFill(c.t, Combine(r->rgn, inner, RGN_DIFF), c.t.dx, c.t.dy, BrushPixel(c.dc, b));
    return TRUE;
}

int SelectClipRgn(HDC dc, HRGN region) {
    DC *d = GetDCPtr(dc);
    if (!d) return ERROR;
    if (!region) {
        d->s.has_clip = false;
        d->s.clip = Region{};
        return SIMPLEREGION;
    }
    GdiPtr r = Gdi(region, GdiKind::Region);
    if (!r) return ERROR;
    d->s.has_clip = true;
    d->s.clip = r->rgn;
    return Complexity(r->rgn);
}

static Region CurrentClip(DC *d) {
    if (d->s.has_clip) return d->s.clip;
    Target t;
    Region r;
    if (ResolveTarget(d, t)) r.SetRect(0, 0, t.surf->w, t.surf->h);
    return r;
}

int ExtSelectClipRgn(HDC dc, HRGN region, int mode) {
    DC *d = GetDCPtr(dc);
    if (!d) return ERROR;
    if (mode == RGN_COPY) return SelectClipRgn(dc, region);
    GdiPtr r = Gdi(region, GdiKind::Region);
    if (!r) return ERROR;
    d->s.clip = Combine(CurrentClip(d), r->rgn, mode);
    d->s.has_clip = true;
    return Complexity(d->s.clip);
}

// Combines a rectangle in logical coordinates into the clip region.
static int CombineClipRect(HDC dc, int left, int top, int right, int bottom, int mode) {
    DC *d = GetDCPtr(dc);
    if (!d) return ERROR;
    Region r;
    int dx = d->s.vp.x - d->s.win.x, dy = d->s.vp.y - d->s.win.y;
    r.SetRect(left + dx, top + dy, right + dx, bottom + dy);
    d->s.clip = Combine(CurrentClip(d), r, mode);
    d->s.has_clip = true;
    return Complexity(d->s.clip);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    return CombineClipRect(dc, left, top, right, bottom, RGN_AND);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
    return CombineClipRect(dc, left, top, right, bottom, RGN_DIFF);
}

int GetClipBox(HDC dc, LPRECT rect) {
    DC *d = GetDCPtr(dc);
    Target t;
    if (!d || !rect || !ResolveTarget(d, t)) return ERROR;
    *rect = t.bounds;
    OffsetRect(rect, -t.dx, -t.dy);
    return d->s.has_clip ? Complexity(d->s.clip) : SIMPLEREGION;
}

HPALETTE CreatePalette(const LOGPALETTE *palette) {
    if (!palette || palette->palNumEntries == 0) return nullptr;
    auto o = std::make_shared<GdiObject>();
    o->kind = GdiKind::Palette;
    o->pal.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return (HPALETTE)GdiAdd(o);
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
    DC *d = GetDCPtr(dc);
    GdiPtr p = Gdi(palette, GdiKind::Palette);
    if (!d || !p) return nullptr;
    HPALETTE old = (HPALETTE)d->s.palette_h;
    d->s.palette_h = palette;
    d->s.palette = p;
    return old;
}

UINT RealizePalette(HDC dc) {
    DC *d = GetDCPtr(dc);
    if (!d || !d->s.palette) return GDI_ERROR;
    GdiPtr p = d->s.palette;
    if (d->kind == DCKind::Memory || p->stock) return (UINT)p->pal.size();
    // The system palette takes the logical palette's colours outside the twenty static ones.
    bool changed = false;
    size_t n = std::min<size_t>(p->pal.size(), 256);
    for (size_t i = 0; i < n; i++) {
        if (i < 10 || i >= 246) continue;
        PALETTEENTRY e = p->pal[i];
        e.peFlags = 0;
        if (memcmp(&system_palette[i], &e, sizeof e) != 0) {
            system_palette[i] = e;
            changed = true;
        }
    }
    if (changed && palette_broadcast_depth < 4) {
        palette_broadcast_depth++;
        HWND from = d->window ? TopLevelOf(d->window) : nullptr;
        if (d->window && from != d->window) from = d->window;
        std::vector<HWND> tops = TopLevels();
        for (HWND t : tops)
            Send(t, WM_PALETTECHANGED, (WPARAM)from, 0);
        palette_broadcast_depth--;
    }
    return (UINT)n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT first, UINT count, const PALETTEENTRY *entries) {
    GdiPtr p = Gdi(palette, GdiKind::Palette);
    if (!p || !entries || p->stock) return 0;
    UINT done = 0;
    for (UINT i = 0; i < count && first + i < p->pal.size(); i++, done++)
        p->pal[first + i] = entries[i];
    return done;
}

UINT GetPaletteEntries(HPALETTE palette, UINT first, UINT count, LPPALETTEENTRY entries) {
    GdiPtr p = Gdi(palette, GdiKind::Palette);
    if (!p) return 0;
    if (!entries) return (UINT)p->pal.size();
    UINT done = 0;
    for (UINT i = 0; i < count && first + i < p->pal.size(); i++, done++)
        entries[i] = p->pal[first + i];
    return done;
}

UINT GetSystemPaletteEntries(HDC, UINT first, UINT count, LPPALETTEENTRY entries) {
    MakeStock();
    if (!entries) return 256;
    UINT done = 0;
    for (UINT i = 0; i < count && first + i < 256; i++, done++)
        entries[i] = system_palette[first + i];
    return done;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour) {
    GdiPtr p = Gdi(palette, GdiKind::Palette);
    if (!p || p->pal.empty()) return (UINT)-1;
    int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    UINT best = 0;
    int bd = INT32_MAX;
    for (size_t i = 0; i < p->pal.size(); i++) {
        int dr = p->pal[i].peRed - r, dg = p->pal[i].peGreen - g, db = p->pal[i].peBlue - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < bd) {
            bd = d;
            best = (UINT)i;
        }
    }
    return best;
}

BOOL AnimatePalette(HPALETTE palette, UINT first, UINT count, const PALETTEENTRY *entries) {
    return SetPaletteEntries(palette, first, count, entries) > 0;
}

BOOL UnrealizeObject(HGDIOBJ object) {
    return GdiAny(object) != nullptr;
}
UINT SetSystemPaletteUse(HDC, UINT) {
    return SYSPAL_STATIC;
}
BOOL ResizePalette(HPALETTE palette, UINT entries) {
    GdiPtr p = Gdi(palette, GdiKind::Palette);
    if (!p || p->stock || entries == 0 || entries > 1024) return FALSE;
    p->pal.resize(entries, PALETTEENTRY{0, 0, 0, 0});
    return TRUE;
}

// What was drawn reaches the screen now, unless a frame already went out in this refresh.
BOOL GdiFlush(void) {
    PresentIfDue(false);
    return TRUE;
}
