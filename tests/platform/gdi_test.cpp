// gdi_test.cpp -- pens, clip regions, DIB stretching, memory DCs, palettes, text, by pixel
#include "platform_fixture.h"

#include <cmath>
#include <cstring>

class Gdi : public PlatformTest {
  protected:
    HDC mem = nullptr;
    HBITMAP bmp = nullptr, old = nullptr;
    void SetUp() override {
        PlatformTest::SetUp();
        mem = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(mem, 64, 64);
        old = (HBITMAP)SelectObject(mem, bmp);
        RECT r{0, 0, 64, 64};
        FillRect(mem, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
    }
    void TearDown() override {
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        PlatformTest::TearDown();
    }
    int Count(COLORREF c) {
        int n = 0;
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 64; x++)
                n += GetPixel(mem, x, y) == c;
        return n;
    }
};

TEST_F(Gdi, ZeroLengthLineWithAWidePenIsARoundDot) {
    HPEN pen = CreatePen(PS_SOLID, 7, RGB(255, 0, 0));
    SelectObject(mem, pen);
    MoveToEx(mem, 20, 20, nullptr);
    LineTo(mem, 20, 20);
    int n = Count(RGB(255, 0, 0));
    EXPECT_NEAR(n, M_PI * 3.5 * 3.5, 6); // a disc of diameter 7, not a square of 49
    EXPECT_EQ(GetPixel(mem, 20, 20), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(mem, 17, 20), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(mem, 23, 20), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(mem, 17, 17), RGB(255, 255, 255)); // the corner is not covered
    EXPECT_EQ(GetPixel(mem, 24, 20), RGB(255, 255, 255));
    SelectObject(mem, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
}

TEST_F(Gdi, GeometricPenWithRoundCapsExtendsPastTheEnds) {
    LOGBRUSH lb{BS_SOLID, RGB(0, 0, 255), 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND, 5, &lb, 0, nullptr);
    SelectObject(mem, pen);
    MoveToEx(mem, 10, 30, nullptr);
    LineTo(mem, 40, 30);
    EXPECT_EQ(GetPixel(mem, 8, 30), RGB(0, 0, 255));  // round cap beyond the start
    EXPECT_EQ(GetPixel(mem, 42, 30), RGB(0, 0, 255)); // and beyond the end
    EXPECT_EQ(GetPixel(mem, 25, 28), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(mem, 25, 33), RGB(255, 255, 255));
    POINT pos;
    GetCurrentPositionEx(mem, &pos);
    EXPECT_EQ(pos.x, 40);
    SelectObject(mem, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
}

TEST_F(Gdi, ThinLinesLeaveOutTheEndPoint) {
    MoveToEx(mem, 5, 5, nullptr);
    LineTo(mem, 15, 5);
    EXPECT_EQ(GetPixel(mem, 5, 5), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mem, 14, 5), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mem, 15, 5), RGB(255, 255, 255));
    EXPECT_EQ(Count(RGB(0, 0, 0)), 10);
}

TEST_F(Gdi, EllipticAndCombinedClipRegionsLimitDrawing) {
    HRGN circle = CreateEllipticRgn(0, 0, 40, 40);
    HRGN hole = CreateRectRgn(15, 15, 25, 25);
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(clip, circle, hole, RGN_DIFF), COMPLEXREGION);
    SelectClipRgn(mem, clip);
    RECT all{0, 0, 64, 64};
    FillRect(mem, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(GetPixel(mem, 20, 20), CLR_INVALID); // reading outside the clip fails, as in Win32
    SelectClipRgn(mem, nullptr);
    EXPECT_EQ(GetPixel(mem, 20, 5), RGB(0, 0, 0));        // inside the circle
    EXPECT_EQ(GetPixel(mem, 20, 20), RGB(255, 255, 255)); // in the hole
    EXPECT_EQ(GetPixel(mem, 1, 1), RGB(255, 255, 255));   // outside the circle's corner
    EXPECT_EQ(GetPixel(mem, 50, 50), RGB(255, 255, 255)); // outside entirely
    EXPECT_TRUE(PtInRegion(clip, 20, 5));
    EXPECT_FALSE(PtInRegion(clip, 20, 20));
    HRGN both = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(both, circle, hole, RGN_OR);
    EXPECT_TRUE(PtInRegion(both, 20, 20));
    // Without the clip region drawing reaches everywhere again.
    FillRect(mem, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(Count(RGB(0, 0, 0)), 64 * 64);
    for (HRGN r : {circle, hole, clip, both})
        DeleteObject(r);
}

TEST_F(Gdi, ClipRegionIsACopyOfTheSelectedRegion) {
    HRGN r = CreateRectRgn(0, 0, 10, 10);
    SelectClipRgn(mem, r);
    SetRectRgn(r, 0, 0, 64, 64); // changing the region afterwards does not widen the clip
    RECT all{0, 0, 64, 64};
    FillRect(mem, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(Count(RGB(0, 0, 0)), 100);
    DeleteObject(r);
}

struct Dib8 {
    BITMAPINFOHEADER h;
    RGBQUAD colors[256];
};

static void MakeDib(Dib8 &d, int w, int h) {
    memset(&d, 0, sizeof d);
    d.h.biSize = 40;
    d.h.biWidth = w;
    d.h.biHeight = h;
    d.h.biPlanes = 1;
    d.h.biBitCount = 8;
    d.colors[1] = RGBQUAD{0, 0, 255, 0}; // red
    d.colors[2] = RGBQUAD{255, 0, 0, 0}; // blue
    d.colors[3] = RGBQUAD{0, 255, 0, 0}; // green
}

TEST_F(Gdi, EightBitDibsStretchThroughTheirColourTableInBothRowOrders) {
    // A 4x2 image, row stride 4: top row 1 1 2 2, bottom row 3 3 3 3 (as seen on screen).
    Dib8 d;
    MakeDib(d, 4, -2); // top-down
    uint8_t top_down[8] = {1, 1, 2, 2, 3, 3, 3, 3};
    SetStretchBltMode(mem, COLORONCOLOR);
    EXPECT_EQ(StretchDIBits(mem, 0, 0, 16, 8, 0, 0, 4, 2, top_down, (BITMAPINFO *)&d,
                            DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(GetPixel(mem, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(mem, 7, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(mem, 8, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(mem, 15, 3), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(mem, 0, 4), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(mem, 15, 7), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(mem, 16, 0), RGB(255, 255, 255)); // nothing outside the target
    EXPECT_EQ(GetPixel(mem, 0, 8), RGB(255, 255, 255));

    // The same picture stored bottom-up (positive height) lands the same way.
    RECT all{0, 0, 64, 64};
    FillRect(mem, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    MakeDib(d, 4, 2);
    uint8_t bottom_up[8] = {3, 3, 3, 3, 1, 1, 2, 2};
    StretchDIBits(mem, 0, 0, 16, 8, 0, 0, 4, 2, bottom_up, (BITMAPINFO *)&d, DIB_RGB_COLORS,
                  SRCCOPY);
    EXPECT_EQ(GetPixel(mem, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(mem, 8, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(mem, 0, 4), RGB(0, 255, 0));

    // Shrinking picks source pixels; a negative destination width mirrors.
    FillRect(mem, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    StretchDIBits(mem, 3, 0, -4, 2, 0, 0, 4, 2, bottom_up, (BITMAPINFO *)&d, DIB_RGB_COLORS,
                  SRCCOPY);
    EXPECT_EQ(GetPixel(mem, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(mem, 3, 0), RGB(255, 0, 0));
}

TEST_F(Gdi, SetDIBitsToDeviceCopiesOneToOneAndRejectsBadHeaders) {
    Dib8 d;
    MakeDib(d, 4, -2);
    uint8_t px[8] = {1, 2, 3, 1, 2, 3, 1, 2};
    EXPECT_EQ(
        SetDIBitsToDevice(mem, 10, 10, 4, 2, 0, 0, 0, 2, px, (BITMAPINFO *)&d, DIB_RGB_COLORS), 2);
    EXPECT_EQ(GetPixel(mem, 10, 10), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(mem, 11, 10), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(mem, 10, 11), RGB(0, 0, 255));
    d.h.biBitCount = 7;
    EXPECT_EQ(SetDIBitsToDevice(mem, 0, 0, 4, 2, 0, 0, 0, 2, px, (BITMAPINFO *)&d, DIB_RGB_COLORS),
              0);
    d.h.biBitCount = 8;
    d.h.biWidth = 0;
    EXPECT_EQ(
        StretchDIBits(mem, 0, 0, 4, 2, 0, 0, 4, 2, px, (BITMAPINFO *)&d, DIB_RGB_COLORS, SRCCOPY),
        0);
}

// The copy of every bridge frame: each target pixel is either its source index through the
// colour table or untouched, whatever the clip, the offset off the target's edge, or the band of
// scan lines given; stretched and mirrored copies pick the nearest-below source column.
TEST_F(Gdi, EightBitCopiesMatchThePixelByPixelRuleThroughClipsEdgesAndStretches) {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[256];
    } d{};
    const int W = 40, H = 23; // stride 40
    d.h.biSize = 40;
    d.h.biWidth = W;
    d.h.biHeight = -H;
    d.h.biPlanes = 1;
    d.h.biBitCount = 8;
    for (int i = 0; i < 256; i++)
        d.c[i] = RGBQUAD{(BYTE)(i * 3), (BYTE)(255 - i), (BYTE)(i ^ 0x5A), 0};
    uint8_t px[W * H];
    for (int i = 0; i < W * H; i++)
        px[i] = (uint8_t)(i * 37 + 11);
    auto colour = [&](int sx, int sy) {
        const RGBQUAD &q = d.c[px[sy * W + sx]];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    };
    const COLORREF white = RGB(255, 255, 255);
    RECT all{0, 0, 64, 64};

    // One to one, hanging off the left edge, through an ellipse.
    HRGN clip = CreateEllipticRgn(0, 2, 30, 22);
    SelectClipRgn(mem, clip);
    SetDIBitsToDevice(mem, -7, 1, W, H, 0, 0, 0, H, px, (BITMAPINFO *)&d, DIB_RGB_COLORS);
    SelectClipRgn(mem, nullptr);
    int wrong = 0, drawn = 0;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) {
            int sx = x + 7, sy = y - 1;
            bool in = sx < W && sy >= 0 && sy < H && PtInRegion(clip, x, y);
            drawn += in;
            wrong += GetPixel(mem, x, y) != (in ? colour(sx, sy) : white);
        }
    EXPECT_GT(drawn, 300);
    EXPECT_EQ(wrong, 0);
    DeleteObject(clip);

    // Only scan lines 5 to 9 of a bottom-up image are given: the rest of the target stays.
    FillRect(mem, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    d.h.biHeight = H;
    EXPECT_EQ(SetDIBitsToDevice(mem, 3, 0, W, H, 0, 0, 5, 5, px + 5 * W, (BITMAPINFO *)&d,
                                DIB_RGB_COLORS),
              5);
    wrong = 0;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < 64; x++) {
            int scan = H - 1 - y, sx = x - 3;
            bool in = sx >= 0 && sx < W && scan >= 5 && scan < 10;
            wrong += GetPixel(mem, x, y) != (in ? colour(sx, scan) : white);
        }
    EXPECT_EQ(wrong, 0);

    // Stretched to 61 x 50 from a 17 x 11 corner at (2, 3), mirrored left to right.
    FillRect(mem, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    d.h.biHeight = -H;
    StretchDIBits(mem, 60, 0, -61, 50, 2, 3, 17, 11, px, (BITMAPINFO *)&d, DIB_RGB_COLORS, SRCCOPY);
    wrong = 0;
    for (int y = 0; y < 50; y++)
        for (int x = 0; x < 61; x++) {
            int i = x, f = 61 - 1 - i; // mirrored: the leftmost pixel shows the rightmost column
            int sx = 2 + f * 17 / 61, sy = 3 + y * 11 / 50;
            wrong += GetPixel(mem, x, y) != colour(sx, sy);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(GetPixel(mem, 61, 0), white);
}

TEST_F(Gdi, OneFourAndTwentyFourBitDibs) {
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[16];
    } d{};
    d.h.biSize = 40;
    d.h.biWidth = 8;
    d.h.biHeight = -1;
    d.h.biPlanes = 1;
    d.h.biBitCount = 1;
    d.c[0] = RGBQUAD{0, 0, 0, 0};
    d.c[1] = RGBQUAD{0, 0, 255, 0};
    uint8_t one[4] = {0xA0, 0, 0, 0}; // 1 0 1 0 0 0 0 0
    StretchDIBits(mem, 0, 0, 8, 1, 0, 0, 8, 1, one, (BITMAPINFO *)&d, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(GetPixel(mem, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(mem, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mem, 2, 0), RGB(255, 0, 0));
    d.h.biBitCount = 4;
    d.c[5] = RGBQUAD{0, 255, 0, 0};
    uint8_t four[4] = {0x51, 0x00, 0, 0};
    StretchDIBits(mem, 0, 1, 8, 1, 0, 0, 8, 1, four, (BITMAPINFO *)&d, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(GetPixel(mem, 0, 1), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(mem, 1, 1), RGB(255, 0, 0));
    d.h.biBitCount = 24;
    uint8_t rgb[24] = {255, 0, 0, 0, 255, 0}; // blue, green (B, G, R order)
    StretchDIBits(mem, 0, 2, 8, 1, 0, 0, 8, 1, rgb, (BITMAPINFO *)&d, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(GetPixel(mem, 0, 2), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(mem, 1, 2), RGB(0, 255, 0));
}

TEST_F(Gdi, BitBltFromAMemoryDCToAWindowAndShapes) {
    HWND f = Frame();
    HDC dc = GetDC(f);
    SelectObject(mem, GetStockObject(BLACK_BRUSH));
    SelectObject(mem, GetStockObject(NULL_PEN));
    Ellipse(mem, 0, 0, 21, 21);
    EXPECT_EQ(GetPixel(mem, 10, 10), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mem, 0, 0), RGB(255, 255, 255));
    SelectObject(mem, GetStockObject(BLACK_PEN));
    SelectObject(mem, GetStockObject(NULL_BRUSH));
    Rectangle(mem, 30, 30, 40, 40);
    EXPECT_EQ(GetPixel(mem, 30, 30), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mem, 39, 39), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mem, 35, 35), RGB(255, 255, 255)); // hollow
    EXPECT_EQ(GetPixel(mem, 40, 40), RGB(255, 255, 255));
    EXPECT_TRUE(BitBlt(dc, 100, 100, 64, 64, mem, 0, 0, SRCCOPY));
    EXPECT_EQ(PlatformTestWindowPixel(f, 110, 110), RGB(0, 0, 0));
    EXPECT_EQ(PlatformTestWindowPixel(f, 100, 100), RGB(255, 255, 255));
    PlatformTestCompose();
    POINT p{110, 110};
    ClientToScreen(f, &p);
    EXPECT_EQ(PlatformTestScreenPixel(p.x, p.y), RGB(0, 0, 0));
    ReleaseDC(f, dc);
}

TEST_F(Gdi, OwnDCKeepsItsSelectionsAndStaleObjectsAreHarmless) {
    HWND f = Frame();
    HDC a = GetDC(f);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    SelectObject(a, pen);
    ReleaseDC(f, a);
    HDC b = GetDC(f);
    EXPECT_EQ(a, b);
    EXPECT_EQ(GetCurrentObject(b, OBJ_PEN), (HGDIOBJ)pen);
    DeleteObject(pen);
    EXPECT_FALSE(DeleteObject(pen));
    MoveToEx(b, 0, 0, nullptr);
    EXPECT_TRUE(LineTo(b, 5, 0)); // still draws with the pen it holds
    EXPECT_EQ(SelectObject(b, pen), nullptr);
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH))); // stock objects stay
    EXPECT_TRUE(GetStockObject(WHITE_BRUSH));
    ReleaseDC(f, b);
}

static int palette_changes;
static HWND palette_from;
static LRESULT CALLBACK PaletteProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_PALETTECHANGED) {
        palette_changes++;
        palette_from = (HWND)wp;
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

TEST_F(Gdi, RealizingANewPaletteTellsTheTopLevelWindows) {
    WNDCLASS wc{};
    wc.lpfnWndProc = PaletteProc;
    wc.lpszClassName = "Pal";
    RegisterClass(&wc);
    HWND f = CreateWindow("Pal", "p", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                          nullptr, nullptr);
    struct {
        WORD v, n;
        PALETTEENTRY e[256];
    } lp{0x300, 256, {}};
    for (int i = 0; i < 256; i++)
        lp.e[i] = PALETTEENTRY{(BYTE)i, 0, (BYTE)(255 - i), 0};
    HPALETTE pal = CreatePalette((LOGPALETTE *)&lp);
    ASSERT_TRUE(pal);
    HDC dc = GetDC(f);
    HPALETTE old = SelectPalette(dc, pal, FALSE);
    EXPECT_TRUE(old);
    palette_changes = 0;
    EXPECT_EQ(RealizePalette(dc), 256u);
    EXPECT_EQ(palette_changes, 1);
    EXPECT_EQ(palette_from, f);
    RealizePalette(dc); // the same colours again change nothing
    EXPECT_EQ(palette_changes, 1);
    EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(10, 0, 245)), 10u);
    SetPixel(dc, 0, 0, PALETTEINDEX(200));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(200, 0, 55));
    SelectPalette(dc, old, FALSE);
    ReleaseDC(f, dc);
    DeleteObject(pal);
}

TEST_F(Gdi, TextDrawsLatinOneAndMeasures) {
    HFONT font =
        CreateFont(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    SelectObject(mem, font);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(mem, &tm));
    EXPECT_NEAR(tm.tmHeight, 14, 1);
    SIZE one, two;
    GetTextExtentPoint32(mem, "180\xb0", 4, &one);
    GetTextExtentPoint32(mem, "180", 3, &two);
    EXPECT_GT(one.cx, two.cx); // the degree sign has a glyph
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, RGB(0, 0, 0));
    TextOut(mem, 2, 2, "\xbbW", 2);
    EXPECT_LT(Count(RGB(255, 255, 255)), 64 * 64 - 20);
    SetBkMode(mem, OPAQUE);
    SetBkColor(mem, RGB(0, 255, 0));
    TextOut(mem, 2, 30, "i", 1);
    EXPECT_EQ(GetPixel(mem, 2, 30), RGB(0, 255, 0)); // the opaque cell behind the text
    SelectObject(mem, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}
