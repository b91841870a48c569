// plat_dib.cpp -- bitmaps, block transfers and device-independent bitmap drawing
#include "platform/platform_local.h"

#include <algorithm>

namespace plat {

const int64_t MAX_PIXELS = 64ll * 1024 * 1024;

// A parsed device-independent bitmap: header, colour table resolved to pixels, row access.
struct Dib {
    int w = 0, h = 0, bpp = 0, stride = 0;
    bool topdown = false;
    const uint8_t *bits = nullptr;
    uint32_t table[256];
    uint32_t rmask = 0, gmask = 0, bmask = 0;
    int rshift = 0, gshift = 0, bshift = 0, rbits = 8, gbits = 8, bbits = 8;

    // Pixel x of row y counted from the top of the image.
    uint32_t Row(int y) const { return topdown ? y : h - 1 - y; }
    uint32_t At(const uint8_t *row, int x) const {
        switch (bpp) {
        case 1:
            return table[(row[x >> 3] >> (7 - (x & 7))) & 1];
        case 4:
            return table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        case 8:
            return table[row[x]];
        case 16: {
            uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
            return (Scale((v & rmask) >> rshift, rbits) << 16) |
                   (Scale((v & gmask) >> gshift, gbits) << 8) | Scale((v & bmask) >> bshift, bbits);
        }
        case 24:
            return ((uint32_t)row[3 * x + 2] << 16) | ((uint32_t)row[3 * x + 1] << 8) | row[3 * x];
        case 32: {
            if (!rmask)
                return ((uint32_t)row[4 * x + 2] << 16) | ((uint32_t)row[4 * x + 1] << 8) |
                       row[4 * x];
            uint32_t v;
            memcpy(&v, row + 4 * x, 4);
            return (Scale((v & rmask) >> rshift, rbits) << 16) |
                   (Scale((v & gmask) >> gshift, gbits) << 8) | Scale((v & bmask) >> bshift, bbits);
        }
        }
        return 0;
    }
    static uint32_t Scale(uint32_t v, int nbits) {
        if (nbits >= 8) return (v >> (nbits - 8)) & 0xFF;
        if (nbits <= 0) return 0;
        return (v * 255) / ((1u << nbits) - 1);
    }
};

static void MaskShift(uint32_t m, int &shift, int &nbits) {
    shift = 0;
    nbits = 0;
    if (!m) return;
    while (!(m & 1)) {
        m >>= 1;
        shift++;
    }
    while (m & 1) {
        m >>= 1;
        nbits++;
    }
}

static bool ParseDib(const BITMAPINFO *info, const void *bits, UINT usage, DC *dc, Dib &d) {
    if (!info || !bits) return false;
    const uint8_t *base = (const uint8_t *)info;
    DWORD size = info->bmiHeader.biSize;
    DWORD compression = BI_RGB, used = 0;
    const uint8_t *table = nullptr;
    bool core = size == 12;
    if (core) {
        const BITMAPCOREHEADER *c = (const BITMAPCOREHEADER *)info;
        d.w = c->bcWidth;
        d.h = c->bcHeight;
        d.bpp = c->bcBitCount;
        d.topdown = false;
    } else if (size >= 40) {
        d.w = info->bmiHeader.biWidth;
        d.h = info->bmiHeader.biHeight;
        d.bpp = info->bmiHeader.biBitCount;
        compression = info->bmiHeader.biCompression;
        used = info->bmiHeader.biClrUsed;
        d.topdown = d.h < 0;
        if (d.h < 0) d.h = -d.h;
    } else {
        return false;
    }
    table = base + size;
    if (d.w <= 0 || d.h <= 0 || (int64_t)d.w * d.h > MAX_PIXELS) return false;
    if (d.bpp != 1 && d.bpp != 4 && d.bpp != 8 && d.bpp != 16 && d.bpp != 24 && d.bpp != 32)
        return false;
    if (compression == BI_BITFIELDS && (d.bpp == 16 || d.bpp == 32)) {
        const DWORD *m = (const DWORD *)table;
        if (size >= 52) m = (const DWORD *)(base + 40);
        d.rmask = m[0];
        d.gmask = m[1];
        d.bmask = m[2];
    } else if (compression != BI_RGB) {
        return false;
    } else if (d.bpp == 16) {
        d.rmask = 0x7C00;
        d.gmask = 0x03E0;
        d.bmask = 0x001F;
    }
    MaskShift(d.rmask, d.rshift, d.rbits);
    MaskShift(d.gmask, d.gshift, d.gbits);
    MaskShift(d.bmask, d.bshift, d.bbits);
    if (d.bpp <= 8) {
        int n = 1 << d.bpp;
        int given = used && used < (DWORD)n ? (int)used : n;
        for (int i = 0; i < 256; i++)
            d.table[i] = 0;
        for (int i = 0; i < given; i++) {
            if (usage == DIB_PAL_COLORS) {
                WORD idx = ((const WORD *)table)[i];
                d.table[i] = ResolveColor(dc, PALETTEINDEX(idx));
            } else if (core) {
                const uint8_t *t = table + 3 * i;
                d.table[i] = ((uint32_t)t[2] << 16) | ((uint32_t)t[1] << 8) | t[0];
            } else {
                const uint8_t *t = table + 4 * i;
                d.table[i] = ((uint32_t)t[2] << 16) | ((uint32_t)t[1] << 8) | t[0];
            }
        }
    }
    d.stride = ((d.w * d.bpp + 31) / 32) * 4;
    d.bits = (const uint8_t *)bits;
    return true;
}

static inline void RopPixel(uint32_t &dst, uint32_t s, DWORD rop) {
    switch (rop) {
    case SRCAND:
        dst &= s;
        break;
    case SRCPAINT:
        dst |= s;
        break;
    case SRCINVERT:
        dst ^= s;
        break;
    case NOTSRCCOPY:
        dst = ~s & 0xFFFFFF;
        break;
    case SRCERASE:
        dst = s & ~dst & 0xFFFFFF;
        break;
    default:
        dst = s;
    }
}

static bool SourceRop(DWORD rop) {
    return rop == SRCCOPY || rop == SRCAND || rop == SRCPAINT || rop == SRCINVERT ||
           rop == NOTSRCCOPY || rop == SRCERASE;
}

// Converts one whole DIB row to 0x00RRGGBB pixels. The depth is decided once per row, so each
// loop below does one kind of work.
static void DecodeRow(const Dib &d, const uint8_t *row, uint32_t *out) {
    int w = d.w;
    switch (d.bpp) {
    case 1:
        for (int x = 0; x < w; x++)
            out[x] = d.table[(row[x >> 3] >> (7 - (x & 7))) & 1];
        return;
    case 4:
        for (int x = 0; x < w; x++)
            out[x] = d.table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        return;
    case 8:
        for (int x = 0; x < w; x++)
            out[x] = d.table[row[x]];
        return;
    case 24:
        for (int x = 0; x < w; x++)
            out[x] =
                ((uint32_t)row[3 * x + 2] << 16) | ((uint32_t)row[3 * x + 1] << 8) | row[3 * x];
        return;
    case 32:
        if (!d.rmask) {
            for (int x = 0; x < w; x++)
                out[x] =
                    ((uint32_t)row[4 * x + 2] << 16) | ((uint32_t)row[4 * x + 1] << 8) | row[4 * x];
            return;
        }
        break;
    }
    for (int x = 0; x < w; x++) // 16 bits, or 32 with bit fields
        out[x] = d.At(row, x);
}

// A palette lookup over a run: the inner loop of every 8-bit copy.
static inline void LookupRun(uint32_t *__restrict dst, const uint8_t *__restrict src, int n,
                             const uint32_t *__restrict table) {
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        uint32_t a = table[src[x]], b = table[src[x + 1]], c = table[src[x + 2]],
                 e = table[src[x + 3]];
        dst[x] = a;
        dst[x + 1] = b;
        dst[x + 2] = c;
        dst[x + 3] = e;
    }
    for (; x < n; x++)
        dst[x] = table[src[x]];
}

// One source row as the stretch core sees it: 8-bit indices, looked up in the call's colour
// table, or 32-bit pixels.
struct SrcRow {
    const uint8_t *idx = nullptr;
    const uint32_t *px = nullptr;
};

// Draws the source rectangle scaled into the destination rectangle. fetch(sy) gives source row
// sy (counted from the top) or nothing when that row is absent; columns outside [0, src_w) are
// not drawn; conv maps 32-bit source pixels (the monochrome conversions). The column map is
// worked out once per call, so the row loops only index and copy.
template <class Fetch, class Conv>
static void StretchInto(Target &t, int dx0, int dy0, int dw, int dh, int sx0, int sy0, int sw,
                        int sh, int src_w, DWORD rop, const uint32_t *table, Fetch fetch,
                        Conv conv) {
    bool mx = (dw < 0) != (sw < 0), my = (dh < 0) != (sh < 0);
    int dl = dw < 0 ? dx0 + dw + 1 : dx0, dt = dh < 0 ? dy0 + dh + 1 : dy0;
    int aw = abs(dw), ah = abs(dh), asw = abs(sw), ash = abs(sh);
    int sl = sw < 0 ? sx0 + sw + 1 : sx0, st = sh < 0 ? sy0 + sh + 1 : sy0;
    if (!aw || !ah || !asw || !ash) return;
    int x_lo = std::max(dl, (int)t.bounds.left), x_hi = std::min(dl + aw, (int)t.bounds.right);
    int y_lo = std::max(dt, (int)t.bounds.top), y_hi = std::min(dt + ah, (int)t.bounds.bottom);
    if (x_lo >= x_hi || y_lo >= y_hi) return;
    // The map is monotonic, so the columns with a source form one run [v_lo, v_hi).
    thread_local std::vector<int> xmap;
    xmap.resize((size_t)(x_hi - x_lo));
    int v_lo = x_hi, v_hi = x_lo;
    for (int x = x_lo; x < x_hi; x++) {
        int i = x - dl;
        int f = mx ? aw - 1 - i : i;
        int sx = sl + (int)((int64_t)f * asw / aw);
        xmap[x - x_lo] = sx;
        if (sx >= 0 && sx < src_w) {
            v_lo = std::min(v_lo, x);
            v_hi = std::max(v_hi, x + 1);
        }
    }
    if (v_lo >= v_hi) return;
    // One to one: the source column is the destination column plus a constant.
    bool straight = !mx && aw == asw;
    int shift = sl - dl;
    for (int y = y_lo; y < y_hi; y++) {
        int i = y - dt;
        int f = my ? ah - 1 - i : i;
        SrcRow s;
        if (!fetch(st + (int)((int64_t)f * ash / ah), s)) continue;
        uint32_t *row = &t.surf->px[(size_t)y * t.surf->w];
        ForEachVisible(t, y, v_lo, v_hi, [&](int a, int b) {
            uint32_t *d = row + a;
            int n = b - a;
            if (s.idx && rop == SRCCOPY) {
                if (straight) {
                    LookupRun(d, s.idx + a + shift, n, table);
                } else {
                    const int *m = xmap.data() + (a - x_lo);
                    for (int k = 0; k < n; k++)
                        d[k] = table[s.idx[m[k]]];
                }
                return;
            }
            for (int k = 0; k < n; k++) {
                int sx = straight ? a + k + shift : xmap[(size_t)(a - x_lo + k)];
                uint32_t p = s.idx ? table[s.idx[sx]] : conv(s.px[sx]);
                RopPixel(d[k], p, rop);
            }
        });
    }
}

// Source rows of a parsed DIB: 8-bit rows are read in place, other depths are decoded once per
// row into a scratch row (a stretched copy may use one source row several times).
struct DibRows {
    const Dib &d;
    std::vector<uint32_t> &scratch;
    int decoded = -1;
    bool Get(const uint8_t *row, int key, SrcRow &s) {
        if (d.bpp == 8) {
            s.idx = row;
            return true;
        }
        if (key != decoded) {
            DecodeRow(d, row, scratch.data());
            decoded = key;
        }
        s.px = scratch.data();
        return true;
    }
};

static uint32_t Same(uint32_t p) {
    return p;
}

void SyncDibSection(GdiObject &bmp) {
    if (!bmp.dib_section || bmp.dib_bits.empty()) return;
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = bmp.surf.w;
    h.biHeight = bmp.dib_topdown ? -bmp.surf.h : bmp.surf.h;
    h.biBitCount = (WORD)bmp.bpp;
    std::vector<uint8_t> info(40 + 256 * 4);
    memcpy(info.data(), &h, 40);
    if (!bmp.dib_table.empty())
        memcpy(info.data() + 40, bmp.dib_table.data(),
               std::min<size_t>(256, bmp.dib_table.size()) * 4);
    Dib d;
    if (!ParseDib((const BITMAPINFO *)info.data(), bmp.dib_bits.data(), DIB_RGB_COLORS, nullptr, d))
        return;
    if (d.w > bmp.surf.w || d.h > bmp.surf.h) return;
    for (int y = 0; y < d.h; y++)
        DecodeRow(d, d.bits + (size_t)d.Row(y) * d.stride, &bmp.surf.px[(size_t)y * bmp.surf.w]);
}

static GdiPtr NewBitmap(int w, int h) {
    if (w <= 0 || h <= 0 || (int64_t)w * h > MAX_PIXELS) return nullptr;
    auto o = std::make_shared<GdiObject>();
    o->kind = GdiKind::Bitmap;
    o->surf.Resize(w, h, 0);
    return o;
}

} // namespace plat

using namespace plat;

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
    if (width <= 0 || height <= 0) {
        width = 1;
        height = 1;
    }
    GdiPtr o = NewBitmap(width, height);
    if (!o) {
        Log("CreateCompatibleBitmap: %dx%d is too large", width, height);
        return nullptr;
    }
    return (HBITMAP)GdiAdd(o);
}

HBITMAP CreateBitmap(int width, int height, UINT, UINT bpp, const void *bits) {
    GdiPtr o = NewBitmap(width, height);
    if (!o) return nullptr;
    o->bpp = (int)bpp;
    o->mono = bpp == 1;
    if (bits) {
        const uint8_t *b = (const uint8_t *)bits;
        int stride = ((width * (int)bpp + 15) / 16) * 2;
        PALETTEENTRY sys[256];
        if (bpp == 8) GetSystemPaletteEntries(nullptr, 0, 256, sys);
        for (int y = 0; y < height; y++) {
            const uint8_t *row = b + (size_t)y * stride;
            for (int x = 0; x < width; x++) {
                uint32_t p = 0;
                switch (bpp) {
                case 1:
                    p = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 0xFFFFFF : 0;
                    break;
                case 8:
                    p = ((uint32_t)sys[row[x]].peRed << 16) | ((uint32_t)sys[row[x]].peGreen << 8) |
                        sys[row[x]].peBlue;
                    break;
                case 16: {
                    uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
                    p = (((v >> 10) & 31) * 255 / 31) << 16 | (((v >> 5) & 31) * 255 / 31) << 8 |
                        ((v & 31) * 255 / 31);
                    break;
                }
                case 24:
                    p = ((uint32_t)row[3 * x + 2] << 16) | ((uint32_t)row[3 * x + 1] << 8) |
                        row[3 * x];
                    break;
                case 32:
                    p = ((uint32_t)row[4 * x + 2] << 16) | ((uint32_t)row[4 * x + 1] << 8) |
                        row[4 * x];
                    break;
                }
                o->surf.px[(size_t)y * width + x] = p;
            }
        }
    } else if (bpp == 1) {
        std::fill(o->surf.px.begin(), o->surf.px.end(), 0);
    }
    return (HBITMAP)GdiAdd(o);
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER *header, DWORD init, const void *bits,
                       const BITMAPINFO *info, UINT usage) {
    if (!header) return nullptr;
    int w = header->biWidth, h = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    if (header->biSize == 12) {
        const BITMAPCOREHEADER *c = (const BITMAPCOREHEADER *)header;
        w = c->bcWidth;
        h = c->bcHeight;
    }
    HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
    if (bmp && (init & CBM_INIT) && bits && info) SetDIBits(dc, bmp, 0, (UINT)h, bits, info, usage);
    return bmp;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits, HANDLE, DWORD) {
    if (bits) *bits = nullptr;
    if (!info) return nullptr;
    static const uint8_t probe[4] = {0, 0, 0, 0};
    Dib d;
    if (!ParseDib(info, probe, usage, GetDCPtr(dc), d)) return nullptr;
    GdiPtr o = NewBitmap(d.w, d.h);
    if (!o) return nullptr;
    o->bpp = d.bpp;
    if (d.bpp == 32 && d.topdown && !d.rmask) {
        if (bits) *bits = o->surf.px.data(); // 0x00RRGGBB is the DIB's B, G, R, X byte order
    } else {
        o->dib_section = true;
        o->dib_topdown = d.topdown;
        o->dib_stride = d.stride;
        o->dib_bits.assign((size_t)d.stride * d.h, 0);
        if (d.bpp <= 8) {
            o->dib_table.resize(256);
            for (int i = 0; i < 256; i++)
                o->dib_table[i] =
                    RGBQUAD{(BYTE)(d.table[i] & 0xFF), (BYTE)((d.table[i] >> 8) & 0xFF),
                            (BYTE)((d.table[i] >> 16) & 0xFF), 0};
        }
        if (bits) *bits = o->dib_bits.data();
    }
    return (HBITMAP)GdiAdd(o);
}

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop) {
    if (!SourceRop(rop)) return PatBlt(dst, x, y, width, height, rop);
    return StretchBlt(dst, x, y, width, height, src, sx, sy, width, height, rop);
}

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int swidth,
                int sheight, DWORD rop) {
    if (!SourceRop(rop)) return PatBlt(dst, x, y, width, height, rop);
    DC *dd = GetDCPtr(dst), *sd = GetDCPtr(src);
    Target dt, st;
    if (!dd || !sd || !ResolveTarget(dd, dt) || !ResolveTarget(sd, st)) return FALSE;
    if (sd->kind == DCKind::Memory && sd->s.bitmap) SyncDibSection(*sd->s.bitmap);
    Surface *ss = st.surf;
    bool same = ss == dt.surf;
    Surface copy;
    if (same) {
        copy = *ss;
        ss = &copy;
    }
    bool mono_src = sd->kind == DCKind::Memory && sd->s.bitmap && sd->s.bitmap->mono;
    bool mono_dst = dd->kind == DCKind::Memory && dd->s.bitmap && dd->s.bitmap->mono;
    uint32_t fg = ResolveColor(dd, dd->s.text), bg = ResolveColor(dd, dd->s.bk);
    uint32_t src_bk = ResolveColor(sd, sd->s.bk);
    int ox = st.dx, oy = st.dy;
    auto fetch = [&](int py, SrcRow &r) {
        if (py < 0 || py >= ss->h) return false;
        r.px = &ss->px[(size_t)py * ss->w];
        return true;
    };
    if (mono_src == mono_dst)
        StretchInto(dt, x + dt.dx, y + dt.dy, width, height, sx + ox, sy + oy, swidth, sheight,
                    ss->w, rop, nullptr, fetch, Same);
    else
        StretchInto(dt, x + dt.dx, y + dt.dy, width, height, sx + ox, sy + oy, swidth, sheight,
                    ss->w, rop, nullptr, fetch, [&](uint32_t p) -> uint32_t {
                        if (mono_src) return p ? bg : fg;
                        return p == src_bk ? 0xFFFFFF : 0;
                    });
    if (dt.to_screen) MarkDirty();
    return TRUE;
}

int StretchDIBits(HDC dc, int x, int y, int width, int height, int sx, int sy, int swidth,
                  int sheight, const void *bits, const BITMAPINFO *info, UINT usage, DWORD rop) {
    DC *d = GetDCPtr(dc);
    Target t;
    Dib dib;
    if (!d || !ResolveTarget(d, t) || !ParseDib(info, bits, usage, d, dib)) return 0;
    // For a bottom-up image the source rectangle is measured from its bottom edge.
    int top = dib.topdown ? sy : dib.h - sy - sheight;
    if (sheight < 0) top = dib.topdown ? sy + sheight + 1 : dib.h - sy - 1;
    int ash = abs(sheight);
    std::vector<uint32_t> scratch(dib.bpp == 8 ? 0 : (size_t)dib.w);
    DibRows rows{dib, scratch};
    StretchInto(
        t, x + t.dx, y + t.dy, width, height, sx, top, swidth, sheight < 0 ? -ash : ash, dib.w,
        SourceRop(rop) ? rop : SRCCOPY, dib.table,
        [&](int py, SrcRow &r) {
            if (py < 0 || py >= dib.h) return false;
            return rows.Get(dib.bits + (size_t)dib.Row(py) * dib.stride, py, r);
        },
        Same);
    if (t.to_screen) MarkDirty();
    return ash;
}

int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sx, int sy,
                      UINT start_scan, UINT scan_lines, const void *bits, const BITMAPINFO *info,
                      UINT usage) {
    DC *d = GetDCPtr(dc);
    Target t;
    Dib dib;
    if (!d || !ResolveTarget(d, t) || !ParseDib(info, bits, usage, d, dib)) return 0;
    if ((int64_t)width > dib.w * 2ll + 65536 || (int64_t)height > dib.h * 2ll + 65536) return 0;
    int w = (int)width, h = (int)height;
    // Only scan_lines rows from start_scan are present in `bits`.
    int lo = (int)start_scan, hi = (int)(start_scan + scan_lines);
    if (hi > dib.h) hi = dib.h;
    std::vector<uint32_t> scratch(dib.bpp == 8 ? 0 : (size_t)dib.w);
    DibRows rows{dib, scratch};
    StretchInto(
        t, x + t.dx, y + t.dy, w, h, sx, 0, w, h, dib.w, SRCCOPY, dib.table,
        [&](int k, SrcRow &r) {
            int idx = dib.topdown ? sy + k : sy + h - 1 - k; // scan number
            if (idx < lo || idx >= hi) return false;
            return rows.Get(dib.bits + (size_t)(idx - lo) * dib.stride, idx, r);
        },
        Same);
    if (t.to_screen) MarkDirty();
    return (int)scan_lines;
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT start_scan, UINT scan_lines, const void *bits,
              const BITMAPINFO *info, UINT usage) {
    GdiPtr b = Gdi(bitmap, GdiKind::Bitmap);
    Dib dib;
    if (!b || !ParseDib(info, bits, usage, GetDCPtr(dc), dib)) return 0;
    int done = 0;
    std::vector<uint32_t> scratch;
    for (UINT i = 0; i < scan_lines; i++) {
        int idx = (int)(start_scan + i); // scan number: from the bottom unless top-down
        if (idx >= dib.h) break;
        int row = dib.topdown ? idx : dib.h - 1 - idx;
        if (row >= b->surf.h) continue;
        const uint8_t *src = dib.bits + (size_t)i * dib.stride;
        uint32_t *dst = &b->surf.px[(size_t)row * b->surf.w];
        if (dib.w <= b->surf.w) {
            DecodeRow(dib, src, dst);
        } else {
            scratch.resize((size_t)dib.w);
            DecodeRow(dib, src, scratch.data());
            memcpy(dst, scratch.data(), (size_t)b->surf.w * 4);
        }
        done++;
    }
    return done;
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start_scan, UINT scan_lines, void *bits, LPBITMAPINFO info,
              UINT) {
    GdiPtr b = Gdi(bitmap, GdiKind::Bitmap);
    if (!b || !info) return 0;
    BITMAPINFOHEADER &h = info->bmiHeader;
    if (!bits) {
        h.biWidth = b->surf.w;
        h.biHeight = b->surf.h;
        h.biPlanes = 1;
        h.biBitCount = 32;
        h.biCompression = BI_RGB;
        h.biSizeImage = (DWORD)(b->surf.w * b->surf.h * 4);
        return b->surf.h;
    }
    int bpp = h.biBitCount;
    if (bpp != 24 && bpp != 32) return 0;
    bool topdown = h.biHeight < 0;
    int hh = topdown ? -h.biHeight : h.biHeight;
    int w = std::min((int)h.biWidth, b->surf.w);
    int stride = ((h.biWidth * bpp + 31) / 32) * 4;
    int done = 0;
    for (UINT i = 0; i < scan_lines; i++) {
        int idx = (int)(start_scan + i);
        if (idx >= hh) break;
        int row = topdown ? idx : hh - 1 - idx;
        if (row >= b->surf.h) continue;
        uint8_t *dst = (uint8_t *)bits + (size_t)i * stride;
        for (int x = 0; x < w; x++) {
            uint32_t p = b->surf.px[(size_t)row * b->surf.w + x];
            uint8_t *q = dst + x * (bpp / 8);
            q[0] = p & 0xFF;
            q[1] = (p >> 8) & 0xFF;
            q[2] = (p >> 16) & 0xFF;
            if (bpp == 32) q[3] = 0;
        }
        done++;
    }
    return done;
}
