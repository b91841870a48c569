// plat_compose.cpp -- the compositor (frame, menu bar, children, captions) and screenshots
#include "platform/platform_local.h"

#include <algorithm>
#include <ctime>

namespace plat {

static uint64_t last_present_us = 0;

Surface &Screen() {
    static Surface s;
    return s;
}

static inline uint32_t Px(int r, int g, int b) {
    return ((uint32_t)r << 16) | ((uint32_t)g << 8) | b;
}

static void HLine(Target &t, int x0, int x1, int y, uint32_t c) {
    FillSpan(t, y, x0, x1, c);
}
static void VLine(Target &t, int x, int y0, int y1, uint32_t c) {
    for (int y = y0; y < y1; y++)
        FillSpan(t, y, x, x + 1, c);
}

// A 3D edge: light on the top and left, dark on the bottom and right.
static void Edge(Target &t, int l, int tp, int r, int b, uint32_t light, uint32_t dark) {
    HLine(t, l, r - 1, tp, light);
    VLine(t, l, tp, b - 1, light);
    HLine(t, l, r, b - 1, dark);
    VLine(t, r - 1, tp, b, dark);
}

void DrawRaised(Target &t, int l, int tp, int r, int b, bool pressed) {
    DrawFillRect(t, l, tp, r, b, SysPixel(COLOR_BTNFACE));
    if (pressed) {
        Edge(t, l, tp, r, b, Px(0, 0, 0), Px(255, 255, 255));
        Edge(t, l + 1, tp + 1, r - 1, b - 1, Px(128, 128, 128), Px(223, 223, 223));
    } else {
        Edge(t, l, tp, r, b, Px(255, 255, 255), Px(0, 0, 0));
        Edge(t, l + 1, tp + 1, r - 1, b - 1, Px(223, 223, 223), Px(128, 128, 128));
    }
}

void DrawSunken(Target &t, int l, int tp, int r, int b) {
    Edge(t, l, tp, r, b, Px(128, 128, 128), Px(255, 255, 255));
    Edge(t, l + 1, tp + 1, r - 1, b - 1, Px(64, 64, 64), Px(223, 223, 223));
}

static void Glyph(Target &t, int kind, RECT b, bool pressed, bool grey) {
    int off = pressed ? 1 : 0;
    int cx = (b.left + b.right) / 2 + off, cy = (b.top + b.bottom) / 2 + off;
    uint32_t c = grey ? Px(128, 128, 128) : 0;
    switch (kind) {
    case 0: // close
        for (int i = -3; i <= 3; i++) {
            FillSpan(t, cy + i, cx + i - 1, cx + i + 1, c);
            FillSpan(t, cy + i, cx - i - 1, cx - i + 1, c);
        }
        break;
    case 1: // minimise
        DrawFillRect(t, cx - 4, cy + 2, cx + 2, cy + 4, c);
        break;
    case 2: // maximise
        DrawFillRect(t, cx - 5, cy - 4, cx + 4, cy - 2, c);
        VLine(t, cx - 5, cy - 4, cy + 4, c);
        VLine(t, cx + 3, cy - 4, cy + 4, c);
        HLine(t, cx - 5, cx + 4, cy + 3, c);
        break;
    case 3: // restore
        DrawFillRect(t, cx - 3, cy - 5, cx + 4, cy - 4, c);
        VLine(t, cx + 3, cy - 5, cy + 1, c);
        DrawFillRect(t, cx - 5, cy - 2, cx + 2, cy, c);
        VLine(t, cx - 5, cy - 2, cy + 4, c);
        VLine(t, cx + 1, cy - 2, cy + 4, c);
        HLine(t, cx - 5, cx + 2, cy + 3, c);
        break;
    }
}

// The font a window's title is drawn in and where the room for it ends (before the caption
// buttons; ox is the window's left on the target). A tool window's title that does not fit its
// narrow caption is drawn smaller, down to a size still read at a glance, rather than cut.
LOGFONT CaptionTitleFont(const Window *w, const NcInfo &n, int ox, int *text_right) {
    RECT cl, mx, mn;
    CaptionButtons(w, &cl, &mx, &mn);
    for (RECT *rc : {&cl, &mx, &mn})
        if (!IsRectEmpty(rc)) *text_right = std::min(*text_right, (int)rc->left + ox - 2);
    LOGFONT lf = CaptionFont(n.tool);
    int room = *text_right - (ox + n.frame + 4);
    while (n.tool && lf.lfHeight < -7) {
        int tw, th;
        TextExtent(lf, w->text.data(), (int)w->text.size(), &tw, &th);
        if (tw <= room) break;
        lf.lfHeight++;
    }
    return lf;
}

static void DrawCaption(Target &t, Window *w, int ox, int oy, const NcInfo &n) {
    int ww = w->rect.right - w->rect.left;
    int l = ox + n.frame, tp = oy + n.frame, r = ox + ww - n.frame, b = tp + n.caption - 1;
    bool active = w->nc_active;
    uint32_t c0 = active ? SysPixel(COLOR_ACTIVECAPTION) : SysPixel(COLOR_INACTIVECAPTION);
    uint32_t c1 =
        active ? SysPixel(COLOR_GRADIENTACTIVECAPTION) : SysPixel(COLOR_GRADIENTINACTIVECAPTION);
    int span = std::max(1, r - l);
    std::vector<uint32_t> row(std::max(0, r - l));
    for (int x = l; x < r; x++) {
        int k = (x - l) * 255 / span;
        auto mix = [&](int sh) {
            int a = (c0 >> sh) & 0xFF, z = (c1 >> sh) & 0xFF;
            return (uint32_t)(a + (z - a) * k / 255);
        };
        row[x - l] = (mix(16) << 16) | (mix(8) << 8) | mix(0);
    }
    for (int y = tp; y < b; y++)
        ForEachVisible(t, y, l, r, [&](int x0, int x1) {
            memcpy(&t.surf->px[(size_t)y * t.surf->w + x0], &row[x0 - l], (size_t)(x1 - x0) * 4);
        });
    HLine(t, l, r, b, SysPixel(COLOR_BTNFACE));
    int text_right = r - 2;
    LOGFONT lf = CaptionTitleFont(w, n, ox, &text_right);
    int tw, th;
    TextExtent(lf, "Ag", 2, &tw, &th);
    RECT saved = t.bounds;
    RECT clip{l + 2, tp, text_right, b};
    IntersectRect(&t.bounds, &t.bounds, &clip);
    uint32_t text = active ? SysPixel(COLOR_CAPTIONTEXT) : SysPixel(COLOR_INACTIVECAPTIONTEXT);
    DrawTextRun(t, lf, l + 4, tp + (n.caption - 1 - th) / 2, w->text.data(), (int)w->text.size(),
                text);
    t.bounds = saved;
    auto button = [&](RECT rc, int kind, int ht) {
        if (IsRectEmpty(&rc)) return;
        OffsetRect(&rc, ox, oy);
        bool pressed = TrackPressed(w->h, ht);
        DrawRaised(t, rc.left, rc.top, rc.right, rc.bottom, pressed);
        Glyph(t, kind, rc, pressed, false);
    };
    RECT cl, mx, mn;
    CaptionButtons(w, &cl, &mx, &mn);
    button(cl, 0, HTCLOSE);
    button(mx, (w->minimized || w->maximized) ? 3 : 2, HTMAXBUTTON);
    button(mn, 1, HTMINBUTTON);
}

static void DrawFrame(Target &t, Window *w, int ox, int oy, const NcInfo &n) {
    int ww = w->rect.right - w->rect.left, hh = w->rect.bottom - w->rect.top;
    int l = ox, tp = oy, r = ox + ww, b = oy + hh;
    if (n.frame >= 3 && !(n.frame == 4 && (w->style & WS_CHILD) && false)) {
        DrawFillRect(t, l, tp, r, tp + n.frame, SysPixel(COLOR_BTNFACE));
        DrawFillRect(t, l, b - n.frame, r, b, SysPixel(COLOR_BTNFACE));
        DrawFillRect(t, l, tp, l + n.frame, b, SysPixel(COLOR_BTNFACE));
        DrawFillRect(t, r - n.frame, tp, r, b, SysPixel(COLOR_BTNFACE));
        Edge(t, l, tp, r, b, Px(223, 223, 223), Px(0, 0, 0));
        Edge(t, l + 1, tp + 1, r - 1, b - 1, Px(255, 255, 255), Px(128, 128, 128));
        int extra = n.frame - ((w->ex_style & WS_EX_CLIENTEDGE) && !n.has_caption ? 2 : 0);
        (void)extra;
    } else if (n.frame >= 1) {
        int edge = (w->ex_style & WS_EX_CLIENTEDGE) && !n.has_caption ? 2 : 0;
        int border = n.frame - edge;
        if (border >= 1)
            Edge(t, l, tp, r, b, SysPixel(COLOR_WINDOWFRAME), SysPixel(COLOR_WINDOWFRAME));
        if (edge) DrawSunken(t, l + border, tp + border, r - border, b - border);
    }
    if (n.has_caption && n.client_edge && !w->minimized) {
        // A thin sunken line inside the border marks the client edge of a captioned window.
        RECT c = ClientRectIn(w);
        (void)c;
    }
}

// Copies a client surface to the screen, except where `covers` (screen rectangles that the
// window's children paint over completely) lie: most of a battle's frame window is under its
// stations, and copying it only to overwrite it is most of the compositor's work.
static void Blit(Target &t, const Surface &s, int ox, int oy, const std::vector<RECT> &covers) {
    RECT vis = t.bounds;
    RECT src{ox, oy, ox + s.w, oy + s.h};
    if (!IntersectRect(&vis, &vis, &src)) return;
    auto copy = [&](int y, int x0, int x1) {
        memcpy(&t.surf->px[(size_t)y * t.surf->w + x0], &s.px[(size_t)(y - oy) * s.w + (x0 - ox)],
               (size_t)(x1 - x0) * 4);
    };
    std::vector<std::pair<int, int>> cut;
    for (int y = vis.top; y < vis.bottom; y++) {
        cut.clear();
        for (const RECT &c : covers)
            if (y >= c.top && y < c.bottom && c.left < vis.right && c.right > vis.left)
                cut.push_back(
                    {std::max((int)c.left, (int)vis.left), std::min((int)c.right, (int)vis.right)});
        std::sort(cut.begin(), cut.end());
        int x = vis.left;
        for (const auto &c : cut) {
            if (c.first > x) copy(y, x, c.first);
            x = std::max(x, c.second);
        }
        if (x < vis.right) copy(y, x, vis.right);
    }
}

// The screen rectangles of a window's children that their own surfaces fill: the client areas
// of shown, not minimised children whose surface matches their client area.
static std::vector<RECT> CoveredByChildren(const Window *w) {
    std::vector<RECT> out;
    for (HWND k : w->children) {
        const Window *c = W(k);
        if (!c || !(c->style & WS_VISIBLE) || c->minimized) continue;
        RECT r = ClientRectIn(c);
        if (r.right - r.left != c->surf.w || r.bottom - r.top != c->surf.h || IsRectEmpty(&r))
            continue;
        POINT o = ScreenOrigin(c);
        OffsetRect(&r, o.x, o.y);
        out.push_back(r);
    }
    return out;
}

static void DrawWindow(Target &t, HWND h, RECT clip) {
    Window *w = W(h);
    if (!w || !(w->style & WS_VISIBLE)) return;
    POINT o = ScreenOrigin(w);
    RECT outer{o.x, o.y, o.x + w->rect.right - w->rect.left, o.y + w->rect.bottom - w->rect.top};
    RECT vis;
    if (!IntersectRect(&vis, &outer, &clip)) return;
    t.bounds = vis;
    NcInfo n = Nc(w);
    DrawFrame(t, w, o.x, o.y, n);
    if (n.has_caption) DrawCaption(t, w, o.x, o.y, n);
    if (n.menu && !w->minimized)
        MenuDrawBar(t, w, o.x + n.frame, o.y + n.frame + n.caption,
                    outer.right - outer.left - 2 * n.frame);
    if (w->minimized) return;
    RECT c = ClientRectIn(w);
    OffsetRect(&c, o.x, o.y);
    RECT cvis;
    if (!IntersectRect(&cvis, &c, &vis)) return;
    t.bounds = cvis;
    Blit(t, w->surf, c.left, c.top, CoveredByChildren(w));
    std::vector<HWND> kids = w->children;
    for (HWND k : kids)
        DrawWindow(t, k, cvis);
}

void Compose() {
    EnsureInit();
    Surface &scr = Screen();
    if (scr.w != screen_w || scr.h != screen_h) scr.Resize(screen_w, screen_h, 0);
    // The desktop shows only where no window covers it; a maximised frame covers it all.
    bool covered = false;
    for (HWND h : TopLevels()) {
        Window *w = W(h);
        if (w && (w->style & WS_VISIBLE) && !w->minimized && w->rect.left <= 0 &&
            w->rect.top <= 0 && w->rect.right >= scr.w && w->rect.bottom >= scr.h)
            covered = true;
    }
    if (!covered) std::fill(scr.px.begin(), scr.px.end(), SysPixel(COLOR_DESKTOP));
    Target t;
    t.surf = &scr;
    t.bounds = RECT{0, 0, scr.w, scr.h};
    RECT all = t.bounds;
    std::vector<HWND> tops = TopLevels();
    for (HWND h : tops)
        DrawWindow(t, h, all);
    t.bounds = all;
    MenuDrawOverlay(t);
}

bool PresentAllowed() {
    // A present that waits for the refresh paces itself; a frame that follows it at once must
    // not be held back another refresh.
    if (present_vsync) return true;
    // A little short of a whole refresh, so a frame clock running at the display's rate is
    // never turned away by a present that came a few microseconds late.
    uint64_t period = 1000000u / (uint64_t)(display_hz > 0 ? display_hz : 60);
    return NowUs() - last_present_us >= period * 7 / 8;
}

void PresentIfDue(bool force) {
    if (!backend || Headless()) return;
    if (!force && !PresentAllowed()) return;
    if (!ScreenDirty() && !force) return;
    Compose();
    backend->present(Screen());
    last_present_us = NowUs();
}

// ---- screenshots ----
static uint32_t Crc(const uint8_t *p, size_t n, uint32_t c = 0xFFFFFFFFu) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t v = i;
            for (int k = 0; k < 8; k++)
                v = (v & 1) ? 0xEDB88320u ^ (v >> 1) : v >> 1;
            table[i] = v;
        }
        ready = true;
    }
    for (size_t i = 0; i < n; i++)
        c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return c;
}

static void Be32(std::vector<uint8_t> &v, uint32_t x) {
    v.push_back((uint8_t)(x >> 24));
    v.push_back((uint8_t)(x >> 16));
    v.push_back((uint8_t)(x >> 8));
    v.push_back((uint8_t)x);
}

static void Chunk(FILE *f, const char *type, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> buf;
    Be32(buf, (uint32_t)data.size());
    buf.insert(buf.end(), type, type + 4);
    buf.insert(buf.end(), data.begin(), data.end());
    uint32_t crc = Crc(buf.data() + 4, buf.size() - 4) ^ 0xFFFFFFFFu;
    Be32(buf, crc);
    fwrite(buf.data(), 1, buf.size(), f);
}

bool WritePng(const char *path, const Surface &s) {
    FILE *f = fopen(path, "wb");
    if (!f) return false;
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    fwrite(sig, 1, 8, f);
    std::vector<uint8_t> ihdr;
    Be32(ihdr, (uint32_t)s.w);
    Be32(ihdr, (uint32_t)s.h);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    Chunk(f, "IHDR", ihdr);
    // Raw scan lines (filter 0) in stored deflate blocks: no compressor needed.
    std::vector<uint8_t> raw;
    raw.reserve((size_t)s.h * (s.w * 3 + 1));
    for (int y = 0; y < s.h; y++) {
        raw.push_back(0);
        for (int x = 0; x < s.w; x++) {
            uint32_t p = s.px[(size_t)y * s.w + x];
            raw.push_back((uint8_t)(p >> 16));
            raw.push_back((uint8_t)(p >> 8));
            raw.push_back((uint8_t)p);
        }
    }
    std::vector<uint8_t> z{0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back((uint8_t)n);
        z.push_back((uint8_t)(n >> 8));
        z.push_back((uint8_t)~n);
        z.push_back((uint8_t)(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, (b << 16) | a);
    Chunk(f, "IDAT", z);
    Chunk(f, "IEND", {});
    bool ok = ferror(f) == 0;
    return fclose(f) == 0 && ok;
}

bool WriteBmp(const char *path, const Surface &s) {
    FILE *f = fopen(path, "wb");
    if (!f) return false;
    int stride = (s.w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = 14 + 40;
    fh.bfSize = fh.bfOffBits + (DWORD)(stride * s.h);
    BITMAPINFOHEADER ih{};
    ih.biSize = 40;
    ih.biWidth = s.w;
    ih.biHeight = s.h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = (DWORD)(stride * s.h);
    fwrite(&fh, 1, 14, f);
    fwrite(&ih, 1, 40, f);
    std::vector<uint8_t> row(stride, 0);
    for (int y = s.h - 1; y >= 0; y--) {
        for (int x = 0; x < s.w; x++) {
            uint32_t p = s.px[(size_t)y * s.w + x];
            row[3 * x] = (uint8_t)p;
            row[3 * x + 1] = (uint8_t)(p >> 8);
            row[3 * x + 2] = (uint8_t)(p >> 16);
        }
        fwrite(row.data(), 1, row.size(), f);
    }
    bool ok = ferror(f) == 0;
    return fclose(f) == 0 && ok;
}

} // namespace plat
