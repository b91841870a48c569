// region_test.cpp -- region shapes, combining, complexity, hit tests and hostile coordinates
#include "platform_fixture.h"

namespace {

using Regions = PlatformTest;

RECT Box(HRGN r) {
    RECT b{-1, -1, -1, -1};
    GetRgnBox(r, &b);
    return b;
}
bool Same(RECT a, RECT b) {
    return EqualRect(&a, &b);
}

TEST_F(Regions, RectanglesExcludeTheirRightAndBottomEdges) {
    HRGN r = CreateRectRgn(10, 20, 30, 40);
    EXPECT_TRUE(PtInRegion(r, 10, 20));
    EXPECT_TRUE(PtInRegion(r, 29, 39));
    EXPECT_FALSE(PtInRegion(r, 30, 25));
    EXPECT_FALSE(PtInRegion(r, 15, 40));
    EXPECT_TRUE(Same(Box(r), RECT{10, 20, 30, 40}));
    // Swapped corners are normalised; an empty rectangle is a null region.
    HRGN s = CreateRectRgn(30, 40, 10, 20);
    EXPECT_TRUE(EqualRgn(r, s));
    HRGN e = CreateRectRgn(5, 5, 5, 50);
    RECT b;
    EXPECT_EQ(GetRgnBox(e, &b), NULLREGION);
    EXPECT_TRUE(Same(b, RECT{0, 0, 0, 0}));
    EXPECT_EQ(GetRgnBox(r, &b), SIMPLEREGION);
    RECT touching{30, 20, 40, 40}, overlapping{29, 39, 40, 50};
    EXPECT_FALSE(RectInRegion(r, &touching));
    EXPECT_TRUE(RectInRegion(r, &overlapping));
    EXPECT_TRUE(SetRectRgn(r, 0, 0, 2, 2));
    EXPECT_TRUE(Same(Box(r), RECT{0, 0, 2, 2}));
}

TEST_F(Regions, CombiningGivesTheRightShapeAndComplexity) {
    HRGN a = CreateRectRgn(0, 0, 20, 20), b = CreateRectRgn(10, 10, 30, 30);
    HRGN d = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(d, a, b, RGN_AND), SIMPLEREGION);
    EXPECT_TRUE(Same(Box(d), RECT{10, 10, 20, 20}));
    EXPECT_EQ(CombineRgn(d, a, b, RGN_OR), COMPLEXREGION);
    EXPECT_TRUE(Same(Box(d), RECT{0, 0, 30, 30}));
    EXPECT_TRUE(PtInRegion(d, 25, 25));
    EXPECT_FALSE(PtInRegion(d, 25, 5));
    EXPECT_EQ(CombineRgn(d, a, b, RGN_XOR), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(d, 15, 15));
    EXPECT_TRUE(PtInRegion(d, 5, 15));
    EXPECT_EQ(CombineRgn(d, a, b, RGN_DIFF), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(d, 25, 25));
    EXPECT_TRUE(PtInRegion(d, 5, 5));
    // Side by side rectangles of the same height merge into one simple rectangle.
    HRGN left = CreateRectRgn(0, 0, 10, 10), right = CreateRectRgn(10, 0, 20, 10);
    EXPECT_EQ(CombineRgn(d, left, right, RGN_OR), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(d, CreateRectRgn(0, 0, 20, 10)));
    // A region minus itself is empty; the destination may be an operand.
    EXPECT_EQ(CombineRgn(a, a, a, RGN_DIFF), NULLREGION);
    EXPECT_EQ(CombineRgn(d, b, nullptr, RGN_COPY), SIMPLEREGION);
    EXPECT_TRUE(EqualRgn(d, b));
    // Bad modes and handles fail without touching the destination.
    EXPECT_EQ(CombineRgn(d, a, b, 99), ERROR);
    EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_OR), ERROR);
    EXPECT_TRUE(EqualRgn(d, b));
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    EXPECT_EQ(CombineRgn((HRGN)pen, a, b, RGN_OR), ERROR);
    EXPECT_FALSE(PtInRegion((HRGN)pen, 0, 0));
}

TEST_F(Regions, EllipsesAreSymmetricAndInsideTheirBox) {
    HRGN e = CreateEllipticRgn(0, 0, 40, 20);
    RECT b = Box(e);
    EXPECT_GE(b.left, 0);
    EXPECT_GE(b.top, 0);
    EXPECT_LE(b.right, 40);
    EXPECT_LE(b.bottom, 20);
    EXPECT_TRUE(PtInRegion(e, 20, 10));
    EXPECT_FALSE(PtInRegion(e, 1, 1));
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 40; x++) {
            EXPECT_EQ(PtInRegion(e, x, y), PtInRegion(e, 39 - x, y)) << x << "," << y;
            EXPECT_EQ(PtInRegion(e, x, y), PtInRegion(e, x, 19 - y)) << x << "," << y;
        }
    EXPECT_EQ(GetRgnBox(CreateEllipticRgn(5, 5, 5, 9), &b), NULLREGION);
}

TEST_F(Regions, PolygonFillModesDifferOnlyForOverlaps) {
    // A five-pointed star drawn in one stroke: its centre is outside under the alternate rule
    // and inside under winding.
    POINT star[5] = {{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
    HRGN alt = CreatePolygonRgn(star, 5, ALTERNATE), wind = CreatePolygonRgn(star, 5, WINDING);
    EXPECT_FALSE(PtInRegion(alt, 50, 50));
    EXPECT_TRUE(PtInRegion(wind, 50, 50));
    EXPECT_TRUE(PtInRegion(alt, 50, 10));
    EXPECT_TRUE(PtInRegion(wind, 50, 10));
    // A triangle: the same under both rules.
    POINT tri[3] = {{0, 0}, {20, 0}, {0, 20}};
    EXPECT_TRUE(EqualRgn(CreatePolygonRgn(tri, 3, ALTERNATE), CreatePolygonRgn(tri, 3, WINDING)));
    // Fewer than three points, or none, make an empty region.
    RECT b;
    EXPECT_EQ(GetRgnBox(CreatePolygonRgn(tri, 2, ALTERNATE), &b), NULLREGION);
    EXPECT_EQ(GetRgnBox(CreatePolygonRgn(nullptr, 5, ALTERNATE), &b), NULLREGION);
}

TEST_F(Regions, OffsetMovesEveryRowAndRoundRectsHaveCutCorners) {
    HRGN r = CreateRoundRectRgn(0, 0, 40, 40, 16, 16);
    EXPECT_FALSE(PtInRegion(r, 0, 0));
    EXPECT_TRUE(PtInRegion(r, 20, 0));
    EXPECT_TRUE(PtInRegion(r, 0, 20));
    EXPECT_TRUE(PtInRegion(r, 20, 20));
    EXPECT_EQ(OffsetRgn(r, 100, -50), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(r, 120, -30));
    EXPECT_FALSE(PtInRegion(r, 20, 20));
    EXPECT_TRUE(Same(Box(r), RECT{100, -50, 140, -10}));
}

TEST_F(Regions, WildCoordinatesAreBoundedNotAllocated) {
    // These must neither overflow nor try to allocate a row for each of billions of lines.
    HRGN huge = CreateRectRgn(-2000000000, -2000000000, 2000000000, 2000000000);
    EXPECT_TRUE(PtInRegion(huge, 0, 0));
    EXPECT_TRUE(PtInRegion(huge, 5000, -5000));
    POINT far[3] = {{0, -2100000000}, {10, 2100000000}, {-10, 0}};
    HRGN poly = CreatePolygonRgn(far, 3, ALTERNATE);
    EXPECT_TRUE(PtInRegion(poly, 0, 0));
    HRGN e = CreateEllipticRgn(-2000000000, -10, 2000000000, 10);
    EXPECT_TRUE(PtInRegion(e, 0, 0));
    EXPECT_NE(OffsetRgn(huge, 2000000000, 2000000000), ERROR);
    // Everything still works as a clip region.
    HWND f = Frame();
    HDC dc = GetDC(f);
    EXPECT_NE(SelectClipRgn(dc, huge), ERROR);
    ReleaseDC(f, dc);
}

} // namespace
