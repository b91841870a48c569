// plat_text.cpp -- fonts and text in the backend's faces: metrics, extents, drawing; Latin-1
#include "platform/platform_local.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace plat {

static std::map<std::string, TextMask> masks;
static double height_ratio[3][2] = {{0, 0}, {0, 0}, {0, 0}};

static int FaceOf(const LOGFONT &lf) {
    std::string face = lf.lfFaceName;
    for (char &c : face)
        c = (char)tolower((unsigned char)c);
    if (face.find("mono") != std::string::npos || face.find("courier") != std::string::npos ||
        face.find("fixed") != std::string::npos || face.find("terminal") != std::string::npos ||
        (lf.lfPitchAndFamily & 3) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN)
        return 1;
    if (face.find("serif") != std::string::npos && face.find("sans") == std::string::npos) return 2;
    if (face.find("times") != std::string::npos || face.find("roman") != std::string::npos ||
        (lf.lfPitchAndFamily & 0xF0) == FF_ROMAN)
        return 2;
    return 0;
}

// The face and point size for a logical font (a positive height is the cell's).
static FontFace FaceFor(const LOGFONT &lf, int *pt_out = nullptr) {
    FontFace f;
    f.face = FaceOf(lf);
    f.bold = lf.lfWeight >= FW_SEMIBOLD;
    f.italic = lf.lfItalic != 0;
    int pt;
    if (lf.lfHeight < 0) {
        pt = -lf.lfHeight;
    } else {
        int cell = lf.lfHeight ? lf.lfHeight : 16;
        double &ratio = height_ratio[f.face][f.bold];
        if (ratio == 0) {
            FontFace probe;
            probe.face = f.face;
            probe.bold = f.bold;
            probe.pt = 100;
            int w = 0, h = 0;
            ratio = Services().text_size(probe, nullptr, &w, &h) ? h / 100.0 : 1.17;
        }
        pt = (int)std::lround(cell / ratio);
    }
    pt = std::clamp(pt, 4, 400);
    if (pt_out) *pt_out = pt;
    f.pt = pt;
    f.underline = lf.lfUnderline != 0;
    f.strike_out = lf.lfStrikeOut != 0;
    return f;
}

static const TextMask *MaskFor(const LOGFONT &lf, const char *s, int n) {
    if (n <= 0) return nullptr;
    std::string key((const char *)&lf, sizeof lf);
    key.append(s, n);
    auto it = masks.find(key);
    if (it != masks.end()) return &it->second;
    TextMask m;
    std::string u = Latin1ToUtf8(s, n);
    if (!Services().text_render(FaceFor(lf), u.c_str(), lf.lfQuality != NONANTIALIASED_QUALITY, &m))
        return nullptr;
    if (masks.size() > 512) masks.clear();
    return &(masks[key] = std::move(m));
}

int DrawTextRun(Target &t, const LOGFONT &lf, int x, int y, const char *s, int n, uint32_t color) {
    const TextMask *m = MaskFor(lf, s, n);
    if (!m) return 0;
    uint32_t cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
    for (int yy = 0; yy < m->h; yy++) {
        int dy = y + yy;
        const uint8_t *a = &m->a[(size_t)yy * m->w];
        ForEachVisible(t, dy, x, x + m->w, [&](int x0, int x1) {
            uint32_t *row = &t.surf->px[(size_t)dy * t.surf->w];
            for (int xx = x0; xx < x1; xx++) {
                uint32_t al = a[xx - x];
                if (!al) continue;
                if (al == 255) {
                    row[xx] = color;
                    continue;
                }
                uint32_t d = row[xx];
                uint32_t dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
                dr += ((int)cr - (int)dr) * (int)al / 255;
                dg += ((int)cg - (int)dg) * (int)al / 255;
                db += ((int)cb - (int)db) * (int)al / 255;
                row[xx] = (dr << 16) | (dg << 8) | db;
            }
        });
    }
    int w = 0, h = 0;
    TextExtent(lf, s, n, &w, &h);
    return w;
}

void TextExtent(const LOGFONT &lf, const char *s, int n, int *w, int *h) {
    int pt = 12;
    FontFace face = FaceFor(lf, &pt);
    std::string u = n > 0 ? Latin1ToUtf8(s, n) : std::string();
    if (!Services().text_size(face, n > 0 ? u.c_str() : nullptr, w, h)) {
        *h = pt + pt / 5;
        *w = n * pt * 6 / 10;
    }
}

void FontMetrics(const LOGFONT &lf, TEXTMETRIC *tm) {
    memset(tm, 0, sizeof *tm);
    int pt = 12;
    FontInfo fi;
    if (Services().font_info(FaceFor(lf, &pt), &fi)) {
        tm->tmHeight = fi.height;
        tm->tmAscent = fi.ascent;
        tm->tmDescent = fi.descent;
        tm->tmAveCharWidth = fi.x_advance;
        tm->tmMaxCharWidth = fi.w_advance;
        tm->tmExternalLeading = std::max(0, fi.line_skip - fi.height);
    } else {
        tm->tmHeight = pt + pt / 5;
        tm->tmAscent = pt;
        tm->tmDescent = pt / 5;
        tm->tmAveCharWidth = pt / 2;
        tm->tmMaxCharWidth = pt;
    }
    tm->tmInternalLeading = std::max(0, (int)tm->tmHeight - pt);
    tm->tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    tm->tmItalic = lf.lfItalic;
    tm->tmUnderlined = lf.lfUnderline;
    tm->tmStruckOut = lf.lfStrikeOut;
    tm->tmFirstChar = 0x20;
    tm->tmLastChar = 0xFF;
    tm->tmDefaultChar = '?';
    tm->tmBreakChar = ' ';
    tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = 96;
    tm->tmPitchAndFamily = (BYTE)((FaceOf(lf) == 1 ? 0 : 1) | 6 | (lf.lfPitchAndFamily & 0xF0));
    tm->tmCharSet = ANSI_CHARSET;
}

int CharWidth(const LOGFONT &lf, unsigned char c) {
    static std::map<std::string, std::vector<int>> widths;
    std::string key((const char *)&lf, sizeof lf);
    auto it = widths.find(key);
    if (it == widths.end()) {
        if (widths.size() > 64) widths.clear();
        std::vector<int> v(256, 0);
        for (int i = 32; i < 256; i++) {
            char ch = (char)i;
            int w, h;
            TextExtent(lf, &ch, 1, &w, &h);
            v[i] = w;
        }
        v['\t'] = v[' '] * 4;
        it = widths.emplace(key, std::move(v)).first;
    }
    return it->second[c];
}

LOGFONT FontOf(HFONT font) {
    GdiPtr f = Gdi(font, GdiKind::Font);
    return f ? f->lf : DefaultGuiFont();
}

LOGFONT DefaultGuiFont() {
    LOGFONT lf{};
    lf.lfHeight = -11;
    lf.lfWeight = FW_NORMAL;
    strcpy(lf.lfFaceName, "DejaVu Sans");
    return lf;
}

LOGFONT CaptionFont(bool small) {
    LOGFONT lf = DefaultGuiFont();
    // A tool window's caption is narrow: its title takes the small caption font, which is plain.
    if (small)
        lf.lfHeight = -10;
    else
        lf.lfWeight = FW_BOLD;
    return lf;
}

void TextShutdown() {
    masks.clear();
    Services().text_shutdown();
}

static LOGFONT DCFont(DC *d) {
    if (d && d->s.font) return d->s.font->lf;
    return DefaultGuiFont();
}

} // namespace plat

using namespace plat;

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strike_out, DWORD charset, DWORD out_precision,
                 DWORD clip_precision, DWORD quality, DWORD pitch_and_family, LPCSTR face) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = (BYTE)(italic != 0);
    lf.lfUnderline = (BYTE)(underline != 0);
    lf.lfStrikeOut = (BYTE)(strike_out != 0);
    lf.lfCharSet = (BYTE)charset;
    lf.lfOutPrecision = (BYTE)out_precision;
    lf.lfClipPrecision = (BYTE)clip_precision;
    lf.lfQuality = (BYTE)quality;
    lf.lfPitchAndFamily = (BYTE)pitch_and_family;
    if (face) snprintf(lf.lfFaceName, LF_FACESIZE, "%s", face);
    return CreateFontIndirect(&lf);
}

HFONT CreateFontIndirect(const LOGFONT *font) {
    if (!font) return nullptr;
    auto o = std::make_shared<GdiObject>();
    o->kind = GdiKind::Font;
    o->lf = *font;
    o->lf.lfFaceName[LF_FACESIZE - 1] = 0;
    return (HFONT)GdiAdd(o);
}

// The box an opaque text run fills: its cell, grown to whatever its glyphs or the font's
// deepest ones ink beyond it (a descender may reach a row below the font's height), so that a
// run drawn over another leaves nothing of it behind.
static void OpaqueBox(const LOGFONT &lf, const char *s, int n, int *w, int *h) {
    if (const TextMask *m = MaskFor(lf, s, n)) {
        *w = std::max(*w, m->w);
        *h = std::max(*h, m->h);
    }
    static const char deep[] = "\xC5gjpqy_|";
    if (const TextMask *m = MaskFor(lf, deep, (int)sizeof deep - 1)) *h = std::max(*h, m->h);
}

static BOOL TextAt(HDC dc, int x, int y, LPCSTR text, int count, const RECT *clip,
                   const RECT *opaque) {
    DC *d = GetDCPtr(dc);
    Target t;
    if (!d || !ResolveTarget(d, t)) return FALSE;
    if (count < 0 || (!text && count > 0)) return FALSE;
    LOGFONT lf = DCFont(d);
    int w = 0, h = 0;
    TextExtent(lf, text, count, &w, &h);
    TEXTMETRIC tm;
    UINT align = d->s.align;
    if (align & TA_UPDATECP) {
        x = d->s.pos.x;
        y = d->s.pos.y;
    }
    int hx = align & 6;
    if (hx == TA_CENTER)
        x -= w / 2;
    else if (hx == TA_RIGHT)
        x -= w;
    if ((align & TA_BASELINE) == TA_BASELINE) {
        FontMetrics(lf, &tm);
        y -= tm.tmAscent;
    } else if (align & TA_BOTTOM) {
        y -= h;
    }
    if (clip) {
        RECT c = *clip;
        OffsetRect(&c, t.dx, t.dy);
        IntersectRect(&t.bounds, &t.bounds, &c);
    }
    if (opaque) {
        RECT o = *opaque;
        DrawFillRect(t, o.left + t.dx, o.top + t.dy, o.right + t.dx, o.bottom + t.dy,
                     ResolveColor(d, d->s.bk));
    }
    if (d->s.bk_mode == OPAQUE) {
        int bw = w, bh = h;
        OpaqueBox(lf, text, count, &bw, &bh);
        DrawFillRect(t, x + t.dx, y + t.dy, x + t.dx + bw, y + t.dy + bh, ResolveColor(d, d->s.bk));
    }
    DrawTextRun(t, lf, x + t.dx, y + t.dy, text, count, ResolveColor(d, d->s.text));
    if (align & TA_UPDATECP) d->s.pos.x += (hx == TA_RIGHT ? -w : w);
    if (t.to_screen) MarkDirty();
    return TRUE;
}

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count) {
    return TextAt(dc, x, y, text, count, nullptr, nullptr);
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT *rect, LPCSTR text, UINT count,
                const INT *) {
    return TextAt(dc, x, y, text, (int)count, (options & ETO_CLIPPED) ? rect : nullptr,
                  (options & ETO_OPAQUE) ? rect : nullptr);
}

BOOL GetTextMetrics(HDC dc, LPTEXTMETRIC metrics) {
    DC *d = GetDCPtr(dc);
    if (!d || !metrics) return FALSE;
    FontMetrics(DCFont(d), metrics);
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, LPSIZE size) {
    DC *d = GetDCPtr(dc);
    if (!d || !size || count < 0 || (!text && count)) return FALSE;
    int w = 0, h = 0;
    TextExtent(DCFont(d), text, count, &w, &h);
    size->cx = w;
    size->cy = h;
    return TRUE;
}

BOOL GetTextExtentPoint(HDC dc, LPCSTR text, int count, LPSIZE size) {
    return GetTextExtentPoint32(dc, text, count, size);
}

// One line of DrawText: the text without its ampersands and where the access key is.
struct Line {
    std::string s;
    int underline = -1;
};

static std::vector<Line> SplitForDraw(const LOGFONT &lf, const std::string &text, UINT format,
                                      int width) {
    std::vector<std::string> raw;
    if (format & DT_SINGLELINE) {
        std::string one;
        for (char c : text)
            if (c != '\r' && c != '\n') one += c;
        raw.push_back(one);
    } else {
        std::string cur;
        for (size_t i = 0; i < text.size(); i++) {
            char c = text[i];
            if (c == '\r' || c == '\n') {
                raw.push_back(cur);
                cur.clear();
                if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') &&
                    text[i + 1] != c)
                    i++;
            } else {
                cur += c;
            }
        }
        raw.push_back(cur);
    }
    std::vector<Line> out;
    for (std::string &r : raw) {
        for (char &c : r)
            if (c == '\t') c = ' ';
        Line l;
        if (!(format & DT_NOPREFIX)) {
            std::string s;
            for (size_t i = 0; i < r.size(); i++) {
                if (r[i] == '&' && i + 1 < r.size()) {
                    if (r[i + 1] == '&') {
                        s += '&';
                        i++;
                        continue;
                    }
                    if (l.underline < 0) l.underline = (int)s.size();
                    continue;
                }
                s += r[i];
            }
            l.s = s;
        } else {
            l.s = r;
        }
        if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE) || width <= 0) {
            out.push_back(l);
            continue;
        }
        // Break at blanks so that each piece fits the width; a word wider than it stays whole.
        const std::string &s = l.s;
        size_t start = 0;
        int ul = l.underline;
        while (start < s.size() || (start == 0 && s.empty())) {
            if (s.empty()) {
                out.push_back(l);
                break;
            }
            size_t best = std::string::npos, i = start;
            while (i <= s.size()) {
                if (i == s.size() || s[i] == ' ') {
                    int w = 0, h = 0;
                    TextExtent(lf, s.data() + start, (int)(i - start), &w, &h);
                    if (w <= width || best == std::string::npos) best = i;
                    if (w > width) break;
                }
                i++;
            }
            if (best == std::string::npos) best = s.size();
            Line piece;
            piece.s = s.substr(start, best - start);
            if (ul >= (int)start && ul < (int)best) piece.underline = ul - (int)start;
            out.push_back(piece);
            start = best;
            while (start < s.size() && s[start] == ' ')
                start++;
        }
    }
    return out;
}

int DrawText(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format) {
    DC *d = GetDCPtr(dc);
    if (!d || !text || !rect) return 0;
    if (count < 0) count = (int)strlen(text);
    LOGFONT lf = DCFont(d);
    std::string s(text, count);
    int width = rect->right - rect->left;
    std::vector<Line> lines = SplitForDraw(lf, s, format, width);
    int lh = 0, w0 = 0;
    TextExtent(lf, "", 0, &w0, &lh);
    int total = lh * (int)lines.size();
    if (format & DT_CALCRECT) {
        int maxw = 0;
        for (Line &l : lines) {
            int w, h;
            TextExtent(lf, l.s.data(), (int)l.s.size(), &w, &h);
            maxw = std::max(maxw, w);
        }
        if (!(format & DT_WORDBREAK)) rect->right = rect->left + maxw;
        rect->bottom = rect->top + total;
        return total;
    }
    Target t;
    if (!ResolveTarget(d, t)) return 0;
    if (!(format & DT_NOCLIP)) {
        RECT c = *rect;
        OffsetRect(&c, t.dx, t.dy);
        IntersectRect(&t.bounds, &t.bounds, &c);
    }
    int y = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = rect->top + (rect->bottom - rect->top - lh) / 2;
        else if (format & DT_BOTTOM)
            y = rect->bottom - lh;
    }
    uint32_t fg = ResolveColor(d, d->s.text), bg = ResolveColor(d, d->s.bk);
    for (Line &l : lines) {
        int w, h;
        TextExtent(lf, l.s.data(), (int)l.s.size(), &w, &h);
        int x = rect->left;
        if (format & DT_CENTER)
            x = rect->left + (width - w) / 2;
        else if (format & DT_RIGHT)
            x = rect->right - w;
        if (d->s.bk_mode == OPAQUE) {
            int bw = w, bh = h;
            OpaqueBox(lf, l.s.data(), (int)l.s.size(), &bw, &bh);
            DrawFillRect(t, x + t.dx, y + t.dy, x + t.dx + bw, y + t.dy + bh, bg);
        }
        DrawTextRun(t, lf, x + t.dx, y + t.dy, l.s.data(), (int)l.s.size(), fg);
        if (l.underline >= 0 && l.underline < (int)l.s.size()) {
            int ux, uw, hh;
            TextExtent(lf, l.s.data(), l.underline, &ux, &hh);
            TextExtent(lf, l.s.data() + l.underline, 1, &uw, &hh);
            TEXTMETRIC tm;
            FontMetrics(lf, &tm);
            DrawFillRect(t, x + t.dx + ux, y + t.dy + tm.tmAscent + 1, x + t.dx + ux + uw,
                         y + t.dy + tm.tmAscent + 2, fg);
        }
        y += lh;
    }
    if (t.to_screen) MarkDirty();
    return total;
}
