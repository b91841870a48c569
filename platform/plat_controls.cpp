// plat_controls.cpp -- the standard controls: BUTTON, STATIC and EDIT
#include "platform/platform_local.h"

#include <algorithm>

namespace plat {

static std::string clipboard;

struct ButtonState : Control {
    int check = 0;
    bool pushed = false, tracking = false, focus = false, key_down = false;
};

struct EditLine {
    int start, end, next; // visible text [start, end); the next line starts at next
};

struct EditState : Control {
    std::string text;
    int anchor = 0, caret = 0;
    int limit = 0;
    int scroll_x = 0, top = 0;
    bool modified = false, focus = false, selecting = false, thumb_drag = false;
    int thumb_grab = 0;
    char pw = '*';
    std::vector<EditLine> lines;
    int layout_w = -1;
    LOGFONT layout_font{};
    bool layout_valid = false;
};

static LOGFONT CtlFont(Window *w) {
    return w->font ? FontOf(w->font) : DefaultGuiFont();
}

static int LineHeight(const LOGFONT &lf) {
    int w, h;
    TextExtent(lf, "", 0, &w, &h);
    return std::max(1, h);
}

// Paints through a window DC: background and text colours as the parent chooses them.
struct Painter {
    HWND h;
    PAINTSTRUCT ps{};
    HDC dc = nullptr;
    Target t;
    bool ok = false;
    uint32_t bg = 0, fg = 0;
    Painter(HWND hwnd, UINT ctlcolor) : h(hwnd) {
        dc = BeginPaint(h, &ps);
        DC *d = GetDCPtr(dc);
        ok = d && ResolveTarget(d, t);
        HWND parent = GetParent(h);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(ctlcolor == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE));
        HBRUSH b = parent ? (HBRUSH)Send(parent, ctlcolor, (WPARAM)dc, (LPARAM)h)
                          : (HBRUSH)DefWindowProc(h, ctlcolor, (WPARAM)dc, (LPARAM)h);
        if (!b) b = GetSysColorBrush(ctlcolor == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_BTNFACE);
        uintptr_t v = (uintptr_t)b;
        if (v <= 31) b = GetSysColorBrush((int)v - 1);
        GdiPtr brush = Gdi(b, GdiKind::Brush);
        d = GetDCPtr(dc);
        bg = brush ? (brush->sys_color >= 0 ? SysPixel(brush->sys_color)
                                            : ResolveColor(d, brush->color))
                   : SysPixel(COLOR_BTNFACE);
        fg = d ? ResolveColor(d, d->s.text) : 0;
    }
    ~Painter() {
        if (ok) MarkDirty();
        EndPaint(h, &ps);
    }
};

static void Notify(HWND h, int code) {
    Window *w = W(h);
    if (!w) return;
    HWND parent = (w->style & WS_CHILD) ? w->parent : nullptr;
    if (W(parent)) Send(parent, WM_COMMAND, MAKEWPARAM((WORD)w->id, code), (LPARAM)h);
}

static void TextLabel(Target &t, const LOGFONT &lf, const std::string &s, RECT r, UINT fmt,
                      uint32_t color, bool grey) {
    // Ampersands mark access keys in button and static text.
    int ul = -1;
    std::string plain;
    for (size_t i = 0; i < s.size(); i++) {
        if (!(fmt & DT_NOPREFIX) && s[i] == '&' && i + 1 < s.size()) {
            if (s[i + 1] == '&') {
                plain += '&';
                i++;
            } else if (ul < 0) {
                ul = (int)plain.size();
            }
            continue;
        }
        plain += s[i];
    }
    std::vector<std::string> lines;
    if (fmt & DT_WORDBREAK) {
        std::string cur;
        size_t i = 0;
        auto flush = [&]() {
            lines.push_back(cur);
            cur.clear();
        };
        while (i < plain.size()) {
            if (plain[i] == '\r' || plain[i] == '\n') {
                flush();
                if (i + 1 < plain.size() && (plain[i + 1] == '\n' || plain[i + 1] == '\r') &&
                    plain[i + 1] != plain[i])
                    i++;
                i++;
                continue;
            }
            size_t j = i;
            while (j < plain.size() && plain[j] != ' ' && plain[j] != '\r' && plain[j] != '\n')
                j++;
            std::string word = plain.substr(i, j - i);
            std::string trial = cur.empty() ? word : cur + " " + word;
            int tw, th;
            TextExtent(lf, trial.data(), (int)trial.size(), &tw, &th);
            if (tw > r.right - r.left && !cur.empty()) {
                flush();
                cur = word;
            } else {
                cur = trial;
            }
            i = j;
            while (i < plain.size() && plain[i] == ' ')
                i++;
        }
        flush();
    } else {
        lines.push_back(plain);
    }
    int lh = LineHeight(lf);
    int y = r.top;
    if (fmt & DT_VCENTER) y = r.top + (r.bottom - r.top - lh * (int)lines.size()) / 2;
    RECT saved = t.bounds;
    IntersectRect(&t.bounds, &t.bounds, &r);
    int consumed = 0;
    for (std::string &line : lines) {
        int tw, th;
        TextExtent(lf, line.data(), (int)line.size(), &tw, &th);
        int x = r.left;
        if (fmt & DT_CENTER) x = r.left + (r.right - r.left - tw) / 2;
        if (fmt & DT_RIGHT) x = r.right - tw;
        if (grey) {
            DrawTextRun(t, lf, x + 1, y + 1, line.data(), (int)line.size(), 0xFFFFFF);
            DrawTextRun(t, lf, x, y, line.data(), (int)line.size(), 0x808080);
        } else {
            DrawTextRun(t, lf, x, y, line.data(), (int)line.size(), color);
        }
        if (ul >= consumed && ul < consumed + (int)line.size() && !grey) {
            int ux, uw, hh;
            TextExtent(lf, line.data(), ul - consumed, &ux, &hh);
            TextExtent(lf, line.data() + (ul - consumed), 1, &uw, &hh);
            TEXTMETRIC tm;
            FontMetrics(lf, &tm);
            DrawFillRect(t, x + ux, y + tm.tmAscent + 1, x + ux + uw, y + tm.tmAscent + 2, color);
        }
        consumed += (int)line.size() + 1;
        y += lh;
    }
    t.bounds = saved;
}

static void FocusDots(Target &t, RECT r) {
    for (int x = r.left; x < r.right; x += 2) {
        PutPixel(t, x, r.top, 0xFFFFFF, R2_XORPEN);
        PutPixel(t, x, r.bottom - 1, 0xFFFFFF, R2_XORPEN);
    }
    for (int y = r.top + 2; y < r.bottom - 1; y += 2) {
        PutPixel(t, r.left, y, 0xFFFFFF, R2_XORPEN);
        PutPixel(t, r.right - 1, y, 0xFFFFFF, R2_XORPEN);
    }
}

// ------------------------------------------------------------------------------------------
// BUTTON
// ------------------------------------------------------------------------------------------
static ButtonState *Btn(HWND h) {
    Window *w = W(h);
    if (!w) return nullptr;
    if (!w->ctl) w->ctl = std::make_unique<ButtonState>();
    return dynamic_cast<ButtonState *>(w->ctl.get());
}

static int BtnType(Window *w) {
    return (int)(w->style & BS_TYPEMASK);
}

static void ButtonClick(HWND h) {
    Window *w = W(h);
    ButtonState *b = Btn(h);
    if (!w || !b) return;
    int type = BtnType(w);
    if (type == BS_AUTOCHECKBOX) b->check = !b->check;
    if (type == BS_AUTO3STATE) b->check = (b->check + 1) % 3;
    if (type == BS_AUTORADIOBUTTON) {
        // Clear the other automatic radio buttons of the group, then check this one.
        HWND parent = w->parent;
        for (HWND x = GetNextDlgGroupItem(parent, h, FALSE); x && x != h;
             x = GetNextDlgGroupItem(parent, x, FALSE)) {
            Window *kw = W(x);
            if (kw && kw->cls && IEquals(kw->cls->name, "BUTTON") &&
                BtnType(kw) == BS_AUTORADIOBUTTON)
                SendMessage(x, BM_SETCHECK, BST_UNCHECKED, 0);
        }
        if ((b = Btn(h))) b->check = 1;
    }
    if (W(h)) InvalidateRect(h, nullptr, FALSE);
    Notify(h, BN_CLICKED);
}

static LRESULT CALLBACK ButtonProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Window *w = W(h);
    ButtonState *b = Btn(h);
    if (!w || !b) return 0;
    int type = BtnType(w);
    switch (m) {
    case WM_PAINT: {
        Painter p(h, (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) ? WM_CTLCOLORBTN
                                                                         : WM_CTLCOLORSTATIC);
        if (!p.ok) return 0;
        Target &t = p.t;
        RECT r;
        GetClientRect(h, &r);
        LOGFONT lf = CtlFont(W(h));
        bool grey = (W(h)->style & WS_DISABLED) != 0;
        std::string text = W(h)->text;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_USERBUTTON ||
            type == BS_OWNERDRAW) {
            RECT br = r;
            if (type == BS_DEFPUSHBUTTON) {
                DrawFillRect(t, r.left, r.top, r.right, r.bottom, 0);
                InflateRect(&br, -1, -1);
            }
            bool down = b->pushed || b->check;
            if (down) {
                DrawFillRect(t, br.left, br.top, br.right, br.bottom, SysPixel(COLOR_BTNSHADOW));
                DrawFillRect(t, br.left + 1, br.top + 1, br.right - 1, br.bottom - 1,
                             SysPixel(COLOR_BTNFACE));
            } else {
                DrawRaised(t, br.left, br.top, br.right, br.bottom, false);
            }
            RECT tr = br;
            if (down) OffsetRect(&tr, 1, 1);
            TextLabel(t, lf, text, tr, DT_CENTER | DT_VCENTER, SysPixel(COLOR_BTNTEXT), grey);
            if (b->focus) {
                RECT f = br;
                InflateRect(&f, -4, -4);
                FocusDots(t, f);
            }
            return 0;
        }
        DrawFillRect(t, r.left, r.top, r.right, r.bottom, p.bg);
        if (type == BS_GROUPBOX) {
            int lh = LineHeight(lf), tw, th;
            TextExtent(lf, text.data(), (int)text.size(), &tw, &th);
            int y = lh / 2;
            RECT box{r.left, y, r.right, r.bottom};
            auto frame = [&](RECT q, uint32_t c) {
                DrawFillRect(t, q.left, q.top, q.right, q.top + 1, c);
                DrawFillRect(t, q.left, q.bottom - 1, q.right, q.bottom, c);
                DrawFillRect(t, q.left, q.top, q.left + 1, q.bottom, c);
                DrawFillRect(t, q.right - 1, q.top, q.right, q.bottom, c);
            };
            frame(RECT{box.left + 1, box.top + 1, box.right, box.bottom}, 0xFFFFFF);
            frame(RECT{box.left, box.top, box.right - 1, box.bottom - 1},
                  SysPixel(COLOR_BTNSHADOW));
            if (!text.empty()) {
                DrawFillRect(t, 7, 0, 7 + tw + 4, lh, p.bg);
                TextLabel(t, lf, text, RECT{9, 0, r.right, lh}, 0, p.fg, grey);
            }
            return 0;
        }
        int lh = LineHeight(lf);
        int box = 13, cy = (r.bottom - r.top) / 2;
        int bx = (w->style & BS_LEFTTEXT) ? r.right - box : 0, by = cy - box / 2;
        bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        if (radio) {
            Region outer, inner;
            outer.SetEllipse(bx, by, bx + 12, by + 12);
            inner.SetEllipse(bx + 1, by + 1, bx + 11, by + 11);
            DrawRegionFill(t, outer, 0, 0, SysPixel(COLOR_BTNSHADOW));
            DrawRegionFill(t, inner, 0, 0, grey ? SysPixel(COLOR_BTNFACE) : 0xFFFFFF);
            Region arc = Combine(outer, inner, RGN_DIFF), lower;
            lower.SetRect(bx + 6, by + 6, bx + 12, by + 12);
            DrawRegionFill(t, Combine(arc, lower, RGN_AND), 0, 0, 0xFFFFFF);
            if (b->check) {
                Region dot;
                dot.SetEllipse(bx + 4, by + 4, bx + 8, by + 8);
                DrawRegionFill(t, dot, 0, 0, grey ? SysPixel(COLOR_GRAYTEXT) : 0);
            }
        } else {
            DrawFillRect(t, bx, by, bx + box, by + box, grey ? SysPixel(COLOR_BTNFACE) : 0xFFFFFF);
            DrawSunken(t, bx, by, bx + box, by + box);
            if (b->check) {
                uint32_t c = b->check == 2 ? SysPixel(COLOR_GRAYTEXT) : 0;
                for (int k = 0; k < 3; k++) {
                    DrawFillRect(t, bx + 3 + k, by + 5 + k, bx + 4 + k, by + 8 + k, c);
                    DrawFillRect(t, bx + 6 + k, by + 7 - k, bx + 7 + k, by + 10 - k, c);
                }
                DrawFillRect(t, bx + 9, by + 4, bx + 10, by + 7, c);
            }
        }
        RECT tr = (w->style & BS_LEFTTEXT) ? RECT{0, 0, r.right - box - 4, r.bottom}
                                           : RECT{box + 4, 0, r.right, r.bottom};
        UINT fmt = DT_VCENTER | ((w->style & BS_MULTILINE) ? DT_WORDBREAK : 0);
        TextLabel(t, lf, text, tr, fmt, p.fg, grey);
        if (b->focus) {
            int tw, th;
            TextExtent(lf, text.data(), (int)text.size(), &tw, &th);
            RECT f{tr.left - 1, cy - lh / 2 - 1, std::min((int)tr.right, (int)tr.left + tw + 2),
                   cy - lh / 2 + lh + 1};
            FocusDots(t, f);
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_NCHITTEST:
        if (type == BS_GROUPBOX) return HTTRANSPARENT;
        return DefWindowProc(h, m, wp, lp);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (type == BS_GROUPBOX) return 0;
        SetFocus(h);
        if (!(b = Btn(h))) return 0;
        SetCapture(h);
        b->tracking = true;
        b->pushed = true;
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_MOUSEMOVE:
        if (b->tracking) {
            RECT r;
            GetClientRect(h, &r);
            bool in = PtInRect(&r, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            if (in != b->pushed) {
                b->pushed = in;
                InvalidateRect(h, nullptr, FALSE);
            }
        }
        return 0;
    case WM_LBUTTONUP:
        if (b->tracking) {
            b->tracking = false;
            bool was = b->pushed;
            b->pushed = false;
            ReleaseCapture();
            InvalidateRect(h, nullptr, FALSE);
            if (was) ButtonClick(h);
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (b->tracking) {
            b->tracking = false;
            b->pushed = false;
            InvalidateRect(h, nullptr, FALSE);
        }
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_SPACE && type != BS_GROUPBOX) {
            b->key_down = true;
            b->pushed = true;
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        }
        return DefWindowProc(h, m, wp, lp);
    case WM_KEYUP:
        if (wp == VK_SPACE && b->key_down) {
            b->key_down = false;
            b->pushed = false;
            InvalidateRect(h, nullptr, FALSE);
            ButtonClick(h);
            return 0;
        }
        return DefWindowProc(h, m, wp, lp);
    case WM_SETFOCUS:
        b->focus = true;
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS:
        b->focus = false;
        b->pushed = false;
        b->key_down = false;
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_ENABLE:
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_SETTEXT:
        DefWindowProc(h, m, wp, lp);
        InvalidateRect(h, nullptr, FALSE);
        return TRUE;
    case BM_GETCHECK:
        return b->check;
    case BM_SETCHECK:
        if (b->check != (int)wp) {
            b->check = (int)wp;
            InvalidateRect(h, nullptr, FALSE);
        }
        return 0;
    case BM_GETSTATE:
        return b->check | (b->pushed ? BST_PUSHED : 0) | (b->focus ? BST_FOCUS : 0);
    case BM_SETSTATE:
        b->pushed = wp != 0;
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case BM_SETSTYLE:
        w->style = (w->style & ~0xFFFF) | (DWORD)(wp & 0xFFFF);
        if (lp) InvalidateRect(h, nullptr, FALSE);
        return 0;
    case BM_CLICK:
        if (!(w->style & WS_DISABLED)) ButtonClick(h);
        return 0;
    case WM_GETDLGCODE:
        switch (type) {
        case BS_DEFPUSHBUTTON:
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        case BS_PUSHBUTTON:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        case BS_GROUPBOX:
            return DLGC_STATIC;
        }
        return DLGC_BUTTON;
    case WM_SETFONT:
        w->font = (HFONT)wp;
        if (lp) InvalidateRect(h, nullptr, FALSE);
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

// ------------------------------------------------------------------------------------------
// STATIC
// ------------------------------------------------------------------------------------------
struct StaticState : Control {
    HICON icon = nullptr;
};

static LRESULT CALLBACK StaticProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Window *w = W(h);
    if (!w) return 0;
    if (!w->ctl) w->ctl = std::make_unique<StaticState>();
    StaticState *s = dynamic_cast<StaticState *>(w->ctl.get());
    int type = (int)(w->style & SS_TYPEMASK);
    switch (m) {
    case WM_CREATE:
        if (type == SS_ICON && !w->text.empty()) s->icon = LoadIcon(nullptr, w->text.c_str());
        return 0;
    case WM_PAINT: {
        Painter p(h, WM_CTLCOLORSTATIC);
        if (!p.ok) return 0;
        w = W(h);
        RECT r;
        GetClientRect(h, &r);
        Target &t = p.t;
        switch (type) {
        case SS_BLACKRECT:
            DrawFillRect(t, 0, 0, r.right, r.bottom, 0);
            return 0;
        case SS_GRAYRECT:
            DrawFillRect(t, 0, 0, r.right, r.bottom, SysPixel(COLOR_BTNSHADOW));
            return 0;
        case SS_WHITERECT:
            DrawFillRect(t, 0, 0, r.right, r.bottom, 0xFFFFFF);
            return 0;
        }
        DrawFillRect(t, 0, 0, r.right, r.bottom, p.bg);
        if (type == SS_ICON) {
            if (s->icon) DrawIconPixels(t, s->icon, 0, 0, std::min(r.right, r.bottom));
            return 0;
        }
        if (type == SS_BLACKFRAME || type == SS_GRAYFRAME || type == SS_WHITEFRAME ||
            type == SS_ETCHEDFRAME) {
            uint32_t c = type == SS_BLACKFRAME
                             ? 0
                             : (type == SS_WHITEFRAME ? 0xFFFFFF : SysPixel(COLOR_BTNSHADOW));
            DrawFillRect(t, 0, 0, r.right, 1, c);
            DrawFillRect(t, 0, r.bottom - 1, r.right, r.bottom, c);
            DrawFillRect(t, 0, 0, 1, r.bottom, c);
            DrawFillRect(t, r.right - 1, 0, r.right, r.bottom, c);
            return 0;
        }
        UINT fmt = 0;
        if (type == SS_CENTER) fmt |= DT_CENTER;
        if (type == SS_RIGHT) fmt |= DT_RIGHT;
        if (type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP) fmt |= DT_WORDBREAK;
        if (w->style & SS_CENTERIMAGE) fmt |= DT_VCENTER;
        if (w->style & SS_NOPREFIX) fmt |= DT_NOPREFIX;
        TextLabel(t, CtlFont(w), w->text, r, fmt, p.fg, (w->style & WS_DISABLED) != 0);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_NCHITTEST:
        return (w->style & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_SETTEXT:
        DefWindowProc(h, m, wp, lp);
        if ((w = W(h)) && type == SS_ICON) s->icon = LoadIcon(nullptr, w->text.c_str());
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    case STM_SETICON: {
        HICON old = s->icon;
        s->icon = (HICON)wp;
        InvalidateRect(h, nullptr, TRUE);
        return (LRESULT)old;
    }
    case STM_GETICON:
        return (LRESULT)s->icon;
    case WM_ENABLE:
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_LBUTTONDOWN:
        if (w->style & SS_NOTIFY) Notify(h, 0);
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

// ------------------------------------------------------------------------------------------
// EDIT
// ------------------------------------------------------------------------------------------
const int EDIT_MARGIN = 2, SCROLL_W = 16;

static EditState *Ed(HWND h) {
    Window *w = W(h);
    if (!w) return nullptr;
    if (!w->ctl) w->ctl = std::make_unique<EditState>();
    return dynamic_cast<EditState *>(w->ctl.get());
}

static bool Multi(Window *w) {
    return (w->style & ES_MULTILINE) != 0;
}
static bool HasBar(Window *w) {
    return Multi(w) && (w->style & WS_VSCROLL);
}

static int TextWidth(Window *w) {
    RECT r;
    GetClientRect(w->h, &r);
    return std::max(1, (int)r.right - 2 * EDIT_MARGIN - (HasBar(w) ? SCROLL_W : 0));
}

static std::string Shown(Window *w, EditState *e, int a, int b) {
    if (w->style & ES_PASSWORD) return std::string(b - a, e->pw);
    return e->text.substr(a, b - a);
}

static void Layout(Window *w, EditState *e) {
    LOGFONT lf = CtlFont(w);
    int width = TextWidth(w);
    if (e->layout_valid && e->layout_w == width && !memcmp(&lf, &e->layout_font, sizeof lf)) return;
    e->lines.clear();
    e->layout_w = width;
    e->layout_font = lf;
    e->layout_valid = true;
    const std::string &s = e->text;
    int n = (int)s.size();
    if (!Multi(w)) {
        e->lines.push_back(EditLine{0, n, n});
        return;
    }
    bool wrap = !(w->style & ES_AUTOHSCROLL) && !(w->style & WS_HSCROLL);
    int i = 0;
    while (true) {
        int start = i, width_sum = 0, last_space = -1;
        while (i < n && s[i] != '\r' && s[i] != '\n') {
            int cw = CharWidth(lf, (unsigned char)s[i]);
            if (wrap && width_sum + cw > width && i > start) {
                int cut = last_space >= start ? last_space + 1 : i;
                e->lines.push_back(EditLine{start, cut, cut});
                i = cut;
                start = i;
                width_sum = 0;
                last_space = -1;
                continue;
            }
            if (s[i] == ' ') last_space = i;
            width_sum += cw;
            i++;
        }
        int end = i;
        if (i < n) {
            if (s[i] == '\r' && i + 1 < n && s[i + 1] == '\n')
                i += 2;
            else
                i += 1;
            e->lines.push_back(EditLine{start, end, i});
            continue;
        }
        e->lines.push_back(EditLine{start, end, n});
        break;
    }
}

static int LineOf(Window *w, EditState *e, int pos) {
    Layout(w, e);
    for (int i = (int)e->lines.size() - 1; i >= 0; i--)
        if (pos >= e->lines[i].start) {
            // A position at a wrap point belongs to the following line.
            return i;
        }
    return 0;
}

static int VisibleLines(Window *w) {
    RECT r;
    GetClientRect(w->h, &r);
    return std::max(1, (int)(r.bottom - 2) / LineHeight(CtlFont(w)));
}

static int PrefixWidth(Window *w, EditState *e, int a, int b) {
    if (b <= a) return 0;
    std::string s = Shown(w, e, a, b);
    int tw, th;
    TextExtent(CtlFont(w), s.data(), (int)s.size(), &tw, &th);
    return tw;
}

static void ClampTop(Window *w, EditState *e) {
    int maxtop = std::max(0, (int)e->lines.size() - VisibleLines(w));
    e->top = std::clamp(e->top, 0, maxtop);
}

static void ScrollCaret(Window *w, EditState *e) {
    Layout(w, e);
    if (Multi(w)) {
        int line = LineOf(w, e, e->caret);
        int vis = VisibleLines(w);
        if (line < e->top) e->top = line;
        if (line >= e->top + vis) e->top = line - vis + 1;
        ClampTop(w, e);
        return;
    }
    int width = TextWidth(w);
    int cx = PrefixWidth(w, e, 0, e->caret);
    if (cx - e->scroll_x > width - 1) e->scroll_x = cx - width + width / 4;
    if (cx - e->scroll_x < 0) e->scroll_x = std::max(0, cx - width / 4);
    int total = PrefixWidth(w, e, 0, (int)e->text.size());
    if (total - e->scroll_x < width - 1) e->scroll_x = std::max(0, total - width + 1);
}

static void EditChanged(HWND h) {
    Window *w = W(h);
    EditState *e = Ed(h);
    if (!w || !e) return;
    e->layout_valid = false;
    if (w->redraw) InvalidateRect(h, nullptr, TRUE);
}

static int Limit(Window *w, EditState *e) {
    if (e->limit > 0) return e->limit;
    return Multi(w) ? 0x7FFFFFFE : 32767;
}

// Replaces the selection with `s`, within the limit; returns false when text had to be dropped.
static bool ReplaceSel(HWND h, std::string s, bool user) {
    Window *w = W(h);
    EditState *e = Ed(h);
    if (!w || !e) return false;
    if (w->style & ES_UPPERCASE)
        for (char &c : s)
            c = (char)toupper((unsigned char)c);
    if (w->style & ES_LOWERCASE)
        for (char &c : s)
            c = (char)tolower((unsigned char)c);
    if (!Multi(w)) {
        std::string one;
        for (char c : s)
            if (c != '\r' && c != '\n') one += c;
        s = one;
    }
    if (user && (w->style & ES_NUMBER))
        for (char c : s)
            if (c < '0' || c > '9') return false;
    int a = std::min(e->anchor, e->caret), b = std::max(e->anchor, e->caret);
    int room = Limit(w, e) - ((int)e->text.size() - (b - a));
    bool fits = true;
    if ((int)s.size() > room) {
        s = s.substr(0, std::max(0, room));
        fits = false;
    }
    if (s.empty() && a == b) {
        if (!fits) Notify(h, EN_MAXTEXT);
        return fits;
    }
    e->text.replace(a, b - a, s);
    e->anchor = e->caret = a + (int)s.size();
    e->modified = true;
    EditChanged(h);
    if ((w = W(h)) && (e = Ed(h))) ScrollCaret(w, e);
    Notify(h, EN_UPDATE);
    Notify(h, EN_CHANGE);
    if (!fits) Notify(h, EN_MAXTEXT);
    return fits;
}

static int PosFromPoint(Window *w, EditState *e, int x, int y) {
    Layout(w, e);
    int line = 0;
    if (Multi(w)) {
        line = e->top + std::max(0, y - 1) / LineHeight(CtlFont(w));
        line = std::clamp(line, 0, (int)e->lines.size() - 1);
    }
    const EditLine &l = e->lines[line];
    int tx = x - EDIT_MARGIN + (Multi(w) ? 0 : e->scroll_x);
    int lo = l.start, hi = l.end;
    while (lo < hi) {
        int mid = (lo + hi + 1) / 2;
        int wmid = PrefixWidth(w, e, l.start, mid);
        int cw = CharWidth(CtlFont(w),
                           (unsigned char)((w->style & ES_PASSWORD) ? e->pw : e->text[mid - 1]));
        if (wmid - cw / 2 <= tx)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

static int WordLeft(const std::string &s, int p) {
    while (p > 0 && s[p - 1] == ' ')
        p--;
    while (p > 0 && s[p - 1] != ' ' && s[p - 1] != '\n')
        p--;
    return p;
}
static int WordRight(const std::string &s, int p) {
    int n = (int)s.size();
    while (p < n && s[p] != ' ' && s[p] != '\r')
        p++;
    while (p < n && s[p] == ' ')
        p++;
    return p;
}

static void CopySel(Window *w, EditState *e) {
    if (w->style & ES_PASSWORD) return;
    int a = std::min(e->anchor, e->caret), b = std::max(e->anchor, e->caret);
    if (a == b) return;
    clipboard = e->text.substr(a, b - a);
    Services().clipboard_set(Latin1ToUtf8(clipboard.data(), (int)clipboard.size()).c_str());
}

static std::string Paste() {
    std::string t;
    if (Services().clipboard_get(&t)) return Utf8ToLatin1(t.c_str());
    return clipboard;
}

static void BarGeometry(Window *w, EditState *e, RECT *up, RECT *down, RECT *thumb) {
    RECT r;
    GetClientRect(w->h, &r);
    int x = r.right - SCROLL_W;
    int arrow = std::min(SCROLL_W, (int)r.bottom / 2);
    *up = RECT{x, 0, r.right, arrow};
    *down = RECT{x, r.bottom - arrow, r.right, r.bottom};
    int track = std::max(0, (int)r.bottom - 2 * arrow);
    int total = (int)e->lines.size(), vis = VisibleLines(w);
    if (total <= vis || track < 8) {
        SetRectEmpty(thumb);
        return;
    }
    int th = std::max(8, track * vis / total);
    int maxtop = total - vis;
    int ty = arrow + (track - th) * e->top / std::max(1, maxtop);
    *thumb = RECT{x, ty, r.right, ty + th};
}

static void PaintEdit(HWND h) {
    Window *w = W(h);
    EditState *e = Ed(h);
    bool readonly = (w->style & ES_READONLY) || (w->style & WS_DISABLED);
    Painter p(h, readonly ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    if (!p.ok || !(w = W(h)) || !(e = Ed(h))) return;
    Layout(w, e);
    Target &t = p.t;
    RECT r;
    GetClientRect(h, &r);
    DrawFillRect(t, 0, 0, r.right, r.bottom, p.bg);
    LOGFONT lf = CtlFont(w);
    int lh = LineHeight(lf);
    int text_w = TextWidth(w);
    RECT area{EDIT_MARGIN - 1, 0, EDIT_MARGIN + text_w, r.bottom};
    RECT saved = t.bounds;
    IntersectRect(&t.bounds, &t.bounds, &area);
    int a = std::min(e->anchor, e->caret), b = std::max(e->anchor, e->caret);
    bool show_sel = e->focus || (w->style & ES_NOHIDESEL);
    uint32_t fg = (w->style & WS_DISABLED) ? SysPixel(COLOR_GRAYTEXT) : p.fg;
    int first = Multi(w) ? e->top : 0;
    int count = Multi(w) ? VisibleLines(w) + 1 : 1;
    int y0 = Multi(w) ? 1 : std::max(0, ((int)r.bottom - lh) / 2);
    int xoff = EDIT_MARGIN - (Multi(w) ? 0 : e->scroll_x);
    for (int i = first; i < (int)e->lines.size() && i < first + count; i++) {
        const EditLine &l = e->lines[i];
        int y = y0 + (i - first) * lh;
        std::string s = Shown(w, e, l.start, l.end);
        DrawTextRun(t, lf, xoff, y, s.data(), (int)s.size(), fg);
        int sa = std::max(a, l.start), sb = std::min(b, l.end);
        if (show_sel && sa < sb) {
            int x1 = xoff + PrefixWidth(w, e, l.start, sa),
                x2 = xoff + PrefixWidth(w, e, l.start, sb);
            DrawFillRect(t, x1, y, x2, y + lh, SysPixel(COLOR_HIGHLIGHT));
            std::string sel = Shown(w, e, sa, sb);
            DrawTextRun(t, lf, x1, y, sel.data(), (int)sel.size(), SysPixel(COLOR_HIGHLIGHTTEXT));
        }
    }
    if (e->focus && !(w->style & WS_DISABLED)) {
        int line = Multi(w) ? LineOf(w, e, e->caret) : 0;
        if (line >= first && line < first + count) {
            const EditLine &l = e->lines[line];
            int cx = xoff + PrefixWidth(w, e, l.start, std::min(e->caret, l.end));
            int y = y0 + (line - first) * lh;
            DrawFillRect(t, cx, y, cx + 1, y + lh, fg);
        }
    }
    t.bounds = saved;
    if (HasBar(w)) {
        RECT up, down, thumb;
        BarGeometry(w, e, &up, &down, &thumb);
        DrawFillRect(t, up.left, 0, r.right, r.bottom, ToPixel(RGB(224, 224, 224)));
        DrawRaised(t, up.left, up.top, up.right, up.bottom, false);
        DrawRaised(t, down.left, down.top, down.right, down.bottom, false);
        bool can = (int)e->lines.size() > VisibleLines(w);
        uint32_t ac = can ? 0 : SysPixel(COLOR_GRAYTEXT);
        int cx = (up.left + up.right) / 2;
        for (int k = 0; k < 4; k++) {
            DrawFillRect(t, cx - k, up.top + 5 + k, cx + k + 1, up.top + 6 + k, ac);
            DrawFillRect(t, cx - k, down.bottom - 6 - k, cx + k + 1, down.bottom - 5 - k, ac);
        }
        if (!IsRectEmpty(&thumb))
            DrawRaised(t, thumb.left, thumb.top, thumb.right, thumb.bottom, false);
    }
}

static void MoveCaret(HWND h, int pos, bool extend) {
    Window *w = W(h);
    EditState *e = Ed(h);
    if (!w || !e) return;
    pos = std::clamp(pos, 0, (int)e->text.size());
    // Never leave the caret between the CR and LF of a line break.
    if (pos > 0 && pos < (int)e->text.size() && e->text[pos - 1] == '\r' && e->text[pos] == '\n')
        pos--;
    e->caret = pos;
    if (!extend) e->anchor = pos;
    ScrollCaret(w, e);
    InvalidateRect(h, nullptr, FALSE);
}

static LRESULT CALLBACK EditProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Window *w = W(h);
    EditState *e = Ed(h);
    if (!w || !e) return 0;
    bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0,
         ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    bool readonly = (w->style & ES_READONLY) != 0;
    switch (m) {
    case WM_CREATE:
        e->text = w->text;
        if (w->style & ES_PASSWORD) e->pw = '*';
        return 0;
    case WM_PAINT:
        PaintEdit(h);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTEXT:
        e->text = lp ? (const char *)lp : "";
        e->anchor = e->caret = 0;
        e->scroll_x = e->top = 0;
        e->modified = false;
        EditChanged(h);
        Notify(h, EN_UPDATE);
        Notify(h, EN_CHANGE);
        return TRUE;
    case WM_GETTEXT:
        CopyOut(e->text, (LPSTR)lp, (int)wp);
        return lp && wp ? (LRESULT)strlen((LPSTR)lp) : 0;
    case WM_GETTEXTLENGTH:
        return (LRESULT)e->text.size();
    case WM_SETFONT:
        w->font = (HFONT)wp;
        e->layout_valid = false;
        if (lp) InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_SIZE:
        e->layout_valid = false;
        Layout(w, e);
        ClampTop(w, e);
        return 0;
    case WM_SETREDRAW:
        w->redraw = wp != 0;
        if (wp) InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_ENABLE:
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_SETFOCUS:
        e->focus = true;
        InvalidateRect(h, nullptr, FALSE);
        Notify(h, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        e->focus = false;
        e->selecting = false;
        InvalidateRect(h, nullptr, FALSE);
        Notify(h, EN_KILLFOCUS);
        return 0;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (Multi(w) && (w->style & ES_WANTRETURN)) code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_CHAR: {
        int ch = (int)(wp & 0xFF);
        if (ch == 3) {
            CopySel(w, e);
            return 0;
        }
        if (ch == 1) {
            e->anchor = 0;
            e->caret = (int)e->text.size();
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        }
        if (readonly || (w->style & WS_DISABLED)) return 0;
        if (ch == 8) {
            if (e->anchor == e->caret && e->caret > 0) {
                int back = (e->caret >= 2 && e->text[e->caret - 1] == '\n' &&
                            e->text[e->caret - 2] == '\r')
                               ? 2
                               : 1;
                e->anchor = e->caret - back;
            }
            ReplaceSel(h, "", true);
            return 0;
        }
        if (ch == 22) {
            ReplaceSel(h, Paste(), true);
            return 0;
        }
        if (ch == 24) {
            CopySel(w, e);
            ReplaceSel(h, "", true);
            return 0;
        }
        if (ch == '\r' || ch == '\n') {
            if (Multi(w)) ReplaceSel(h, "\r\n", true);
            return 0;
        }
        if (ch == '\t') {
            if (Multi(w)) ReplaceSel(h, "\t", true);
            return 0;
        }
        if (ch < 0x20 || ch == 0x7F) return 0;
        ReplaceSel(h, std::string(1, (char)ch), true);
        return 0;
    }
    case WM_KEYDOWN: {
        Layout(w, e);
        int line = LineOf(w, e, e->caret);
        const EditLine &l = e->lines[line];
        switch (wp) {
        case VK_LEFT:
            if (!shift && e->anchor != e->caret)
                MoveCaret(h, std::min(e->anchor, e->caret), false);
            else
                MoveCaret(h, ctrl ? WordLeft(e->text, e->caret) : e->caret - 1, shift);
            return 0;
        case VK_RIGHT:
            if (!shift && e->anchor != e->caret) {
                MoveCaret(h, std::max(e->anchor, e->caret), false);
            } else {
                int next = e->caret + 1;
                if (e->caret < (int)e->text.size() && e->text[e->caret] == '\r')
                    next = e->caret + 2;
                MoveCaret(h, ctrl ? WordRight(e->text, e->caret) : next, shift);
            }
            return 0;
        case VK_HOME:
            MoveCaret(h, ctrl ? 0 : l.start, shift);
            return 0;
        case VK_END:
            MoveCaret(h, ctrl ? (int)e->text.size() : l.end, shift);
            return 0;
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT: {
            if (!Multi(w)) return 0;
            int step = (wp == VK_UP || wp == VK_DOWN) ? 1 : std::max(1, VisibleLines(w) - 1);
            int target = line + ((wp == VK_UP || wp == VK_PRIOR) ? -step : step);
            target = std::clamp(target, 0, (int)e->lines.size() - 1);
            if (target == line) return 0;
            int x = PrefixWidth(w, e, l.start, e->caret);
            const EditLine &tl = e->lines[target];
            int pos = tl.start;
            while (pos < tl.end && PrefixWidth(w, e, tl.start, pos + 1) <= x)
                pos++;
            MoveCaret(h, pos, shift);
            return 0;
        }
        case VK_DELETE:
            if (readonly) return 0;
            if (shift) CopySel(w, e);
            if (e->anchor == e->caret && e->caret < (int)e->text.size()) {
                int n = (e->text[e->caret] == '\r' && e->caret + 1 < (int)e->text.size() &&
                         e->text[e->caret + 1] == '\n')
                            ? 2
                            : 1;
                e->anchor = e->caret + n;
            }
            ReplaceSel(h, "", true);
            return 0;
        case VK_INSERT:
            if (ctrl) CopySel(w, e);
            if (shift && !readonly) ReplaceSel(h, Paste(), true);
            return 0;
        }
        return DefWindowProc(h, m, wp, lp);
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        SetFocus(h);
        if (!(w = W(h)) || !(e = Ed(h))) return 0;
        int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
        if (HasBar(w)) {
            RECT up, down, thumb;
            BarGeometry(w, e, &up, &down, &thumb);
            if (x >= up.left) {
                POINT p{x, y};
                int vis = VisibleLines(w);
                if (PtInRect(&up, p))
                    e->top--;
                else if (PtInRect(&down, p))
                    e->top++;
                else if (PtInRect(&thumb, p)) {
                    e->thumb_drag = true;
                    e->thumb_grab = y - thumb.top;
                    SetCapture(h);
                } else if (y < thumb.top)
                    e->top -= vis - 1;
                else
                    e->top += vis - 1;
                ClampTop(w, e);
                InvalidateRect(h, nullptr, FALSE);
                return 0;
            }
        }
        int pos = PosFromPoint(w, e, x, y);
        if (m == WM_LBUTTONDBLCLK) {
            e->anchor = WordLeft(e->text, pos);
            e->caret = WordRight(e->text, pos);
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        }
        MoveCaret(h, pos, shift);
        if ((e = Ed(h))) e->selecting = true;
        SetCapture(h);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (e->thumb_drag) {
            RECT up, down, thumb;
            BarGeometry(w, e, &up, &down, &thumb);
            int track = down.top - up.bottom - (thumb.bottom - thumb.top);
            int maxtop = std::max(0, (int)e->lines.size() - VisibleLines(w));
            if (track > 0) e->top = (GET_Y_LPARAM(lp) - e->thumb_grab - up.bottom) * maxtop / track;
            ClampTop(w, e);
            InvalidateRect(h, nullptr, FALSE);
        } else if (e->selecting) {
            MoveCaret(h, PosFromPoint(w, e, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)), true);
        }
        return 0;
    case WM_LBUTTONUP:
        if (e->selecting || e->thumb_drag) {
            e->selecting = e->thumb_drag = false;
            ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        e->selecting = e->thumb_drag = false;
        return 0;
    case WM_MOUSEWHEEL:
        if (Multi(w)) {
            e->top -= 3 * (short)HIWORD(wp) / 120;
            Layout(w, e);
            ClampTop(w, e);
            InvalidateRect(h, nullptr, FALSE);
        }
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, IDC_IBEAM));
            return TRUE;
        }
        return DefWindowProc(h, m, wp, lp);
    case EM_GETSEL: {
        int a = std::min(e->anchor, e->caret), b = std::max(e->anchor, e->caret);
        if (wp) *(DWORD *)wp = (DWORD)a;
        if (lp) *(DWORD *)lp = (DWORD)b;
        return MAKELRESULT(std::min(a, 0xFFFF), std::min(b, 0xFFFF));
    }
    case EM_SETSEL: {
        int n = (int)e->text.size();
        int a = (int)(LONG)wp, b = (int)(LONG)lp;
        if (a < 0) {
            e->anchor = e->caret;
        } else {
            if (b < 0) b = n;
            e->anchor = std::clamp(a, 0, n);
            e->caret = std::clamp(b, 0, n);
        }
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    }
    case EM_REPLACESEL:
        ReplaceSel(h, lp ? (const char *)lp : "", false);
        return 0;
    case EM_GETLINECOUNT:
        Layout(w, e);
        return (LRESULT)e->lines.size();
    case EM_LINEINDEX: {
        Layout(w, e);
        int line = (int)(LONG)wp;
        if (line < 0) line = LineOf(w, e, e->caret);
        if (line >= (int)e->lines.size()) return -1;
        return e->lines[line].start;
    }
    case EM_LINEFROMCHAR: {
        int pos = (int)(LONG)wp;
        if (pos < 0) pos = e->caret;
        return LineOf(w, e, std::min(pos, (int)e->text.size()));
    }
    case EM_LINELENGTH: {
        Layout(w, e);
        int pos = (int)(LONG)wp;
        if (pos < 0) pos = e->caret;
        const EditLine &l = e->lines[LineOf(w, e, std::min(pos, (int)e->text.size()))];
        return l.end - l.start;
    }
    case EM_GETLINE: {
        Layout(w, e);
        int line = (int)wp;
        if (line < 0 || line >= (int)e->lines.size() || !lp) return 0;
        WORD max;
        memcpy(&max, (void *)lp, 2);
        const EditLine &l = e->lines[line];
        int n = std::min((int)max, l.end - l.start);
        memcpy((void *)lp, e->text.data() + l.start, n);
        return n;
    }
    case EM_SCROLLCARET:
        ScrollCaret(w, e);
        InvalidateRect(h, nullptr, FALSE);
        return TRUE;
    case EM_LINESCROLL:
        Layout(w, e);
        e->top += (int)(LONG)lp;
        ClampTop(w, e);
        InvalidateRect(h, nullptr, FALSE);
        return TRUE;
    case EM_SCROLL: {
        Layout(w, e);
        int vis = VisibleLines(w), old = e->top;
        switch (wp) {
        case SB_LINEUP:
            e->top--;
            break;
        case SB_LINEDOWN:
            e->top++;
            break;
        case SB_PAGEUP:
            e->top -= vis;
            break;
        case SB_PAGEDOWN:
            e->top += vis;
            break;
        }
        ClampTop(w, e);
        InvalidateRect(h, nullptr, FALSE);
        return MAKELRESULT(e->top - old, TRUE);
    }
    case EM_GETFIRSTVISIBLELINE:
        return Multi(w) ? e->top : 0;
    case EM_LIMITTEXT:
        e->limit = wp ? (int)std::min<WPARAM>(wp, 0x7FFFFFFE) : 0x7FFFFFFE;
        return 0;
    case EM_GETLIMITTEXT:
        return Limit(w, e);
    case EM_SETREADONLY:
        if (wp)
            w->style |= ES_READONLY;
        else
            w->style &= ~ES_READONLY;
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
    case EM_SETPASSWORDCHAR:
        e->pw = wp ? (char)wp : '*';
        if (wp)
            w->style |= ES_PASSWORD;
        else
            w->style &= ~ES_PASSWORD;
        EditChanged(h);
        return 0;
    case EM_GETPASSWORDCHAR:
        return (w->style & ES_PASSWORD) ? (unsigned char)e->pw : 0;
    case EM_GETMODIFY:
        return e->modified;
    case EM_SETMODIFY:
        e->modified = wp != 0;
        return 0;
    case EM_CANUNDO:
    case EM_UNDO:
        return FALSE;
    case EM_EMPTYUNDOBUFFER:
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

void RegisterBuiltinClasses() {
    if (FindClass("BUTTON")) return;
    WNDCLASS wc{};
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpfnWndProc = ButtonProc;
    wc.lpszClassName = "BUTTON";
    wc.style = CS_DBLCLKS;
    RegisterClass(&wc);
    wc.lpfnWndProc = StaticProc;
    wc.lpszClassName = "STATIC";
    wc.style = 0;
    RegisterClass(&wc);
    wc.lpfnWndProc = EditProc;
    wc.lpszClassName = "EDIT";
    wc.style = CS_DBLCLKS;
    wc.hCursor = LoadCursor(nullptr, IDC_IBEAM);
    RegisterClass(&wc);
    RegisterDialogClass();
    for (const char *n : {"BUTTON", "STATIC", "EDIT", DIALOG_CLASS})
        if (WndClass *c = FindClass(n)) c->builtin = true;
}

} // namespace plat
