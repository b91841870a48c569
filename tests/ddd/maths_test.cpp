// maths_test.cpp -- sine table, orientation matrix, arctangent, roots, random numbers, projection
#include <gtest/gtest.h>

#include "ddd/ddd_local.h"

TEST(Sine, TableEndsAndQuarterTurns) {
    EXPECT_EQ(dddGetSine(0x4000), 32767);
    EXPECT_EQ(dddGetSine(0xC000), -32767);
    EXPECT_EQ(dddGetCosine(0x8000), -32767);
    EXPECT_EQ(dddGetSine(15), 0); // still index 0
    EXPECT_EQ(dddGetSine(0x8000), 0);
    EXPECT_EQ(dddGetCosine(0), 32767);
    EXPECT_EQ(dddGetSine(0x10000 + 0x4000), 32767); // angles wrap at 16 bits
    // 32767 sin(45 degrees) = 23169.77, truncated.
    EXPECT_EQ(dddGetSine(0x2000), 23169);
    EXPECT_EQ(dddGetSine(0xE000), -23169);
}

TEST(Orientation, ZeroAnglesAndHalfTurn) {
    int32_t m[9];
    DDDORIENTATION(m, 0, 0, 0);
    const int32_t id[9] = {32767, 0, 0, 0, 32767, 0, 0, 0, 32767};
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(m[i], id[i]) << i;
    DDDORIENTATION(m, 0, 0x8000, 0);
    EXPECT_EQ(m[0], -32767);
    EXPECT_EQ(m[8], -32767);
    EXPECT_EQ(m[4], 32767);
    // Heading a quarter turn: m02 = sin b, m20 = -sin b.
    DDDORIENTATION(m, 0, 0x4000, 0);
    EXPECT_EQ(m[2], 32767);
    EXPECT_EQ(m[6], -32767);
    EXPECT_EQ(m[0], 0);
    // Pitch a quarter turn: m12 = sin a.
    DDDORIENTATION(m, 0x4000, 0, 0);
    EXPECT_EQ(m[5], 32767);
    EXPECT_EQ(m[4], 0);
}

TEST(Orientation, ProductAndPointTurn) {
    int32_t a[9], b[9], ab[9], c[9];
    DDDORIENTATION(a, 0, 0x2000, 0);
    DDDORIENTATION(b, 0, 0x2000, 0);
    DDDMATMUL(a, b, ab);
    DDDORIENTATION(c, 0, 0x4000, 0);
    for (int i = 0; i < 9; i++)
        EXPECT_NEAR(ab[i], c[i], 8) << i;
    int32_t p[3] = {0, 0, 1000};
    dddRotate3dPoint(p, c); // heading east turns +z into +x
    EXPECT_EQ(p[0], 999);
    EXPECT_EQ(p[2], 0);
}

TEST(Atan, StepsAndOctants) {
    EXPECT_EQ(dddAtan(1, 1), 0x2000);
    EXPECT_EQ(dddAtan(0, -5), 0x8000);
    EXPECT_EQ(dddAtan(0, 5), 0);
    EXPECT_EQ(dddAtan(1, 1000), 0);
    EXPECT_EQ(dddAtan(7, 1000), 64);
    EXPECT_EQ(dddAtan(1000, 0), 0x4000);
    EXPECT_EQ(dddAtan(-1000, 0), -0x4000);
    EXPECT_EQ(dddAtan(1, -1), 0x6000);
    EXPECT_EQ(dddAtan(1000, 7), 0x4000 - 64);
    // Results come in steps of 64.
    for (int32_t y = 1; y < 1000; y += 37)
        EXPECT_EQ(dddAtan(y, 1000) % 64, 0);
}

TEST(Align, PitchAndHeading) {
    int32_t from[3] = {0, 0, 0}, east[3] = {500, 0, 0}, deep[3] = {0, 500, 10};
    uint16_t out[3] = {1, 2, 0x7777};
    dddAlign(out, east, from);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0x4000);
    EXPECT_EQ(out[2], 0x7777); // only two angles written
    dddAlign(out, deep, nullptr);
    EXPECT_EQ(out[0], 0x4000 - 192); // 10 / 500 lies in step 3
}

TEST(SquareRoot, Limits) {
    EXPECT_EQ(dddSquareRoot(0xFFFFFFFFu), 65535u);
    EXPECT_EQ(dddSquareRoot(99), 9u);
    EXPECT_EQ(dddSquareRoot(100), 10u);
    EXPECT_EQ(dddSquareRoot(0), 0u);
    EXPECT_EQ(dddSquareRoot(1), 1u);
    for (uint32_t r = 60000; r < 60010; r++) {
        EXPECT_EQ(dddSquareRoot(r * r), r);
        EXPECT_EQ(dddSquareRoot(r * r - 1), r - 1);
    }
}

TEST(Random, FirstValuesAndSeed) {
    dddInitRnd(0x59263141u); // the initial state
    int32_t first = dddRnd();
    EXPECT_EQ(first, 0x3141 + 0x5926);
    // hi became 0x5926 + first; the next lo is first + that, with its carry into hi.
    uint32_t hi = (0x5926 + first) & 0xFFFF;
    EXPECT_EQ(dddRnd(), (int32_t)((first + hi) & 0xFFFF));
    dddInitRnd(7);
    int32_t a = dddRnd(), b = dddRnd();
    dddInitRnd(7);
    EXPECT_EQ(dddRnd(), a);
    EXPECT_EQ(dddRnd(), b);
}

TEST(ScreenPoints, FailuresAndCentre) {
    dddscreen_mid_x = 152;
    dddscreen_mid_y = 100;
    x_ratio = 256;
    y_ratio = 256;
    EXPECT_EQ(dddCreateScreenX(100, 31), DDD_NOSCREEN);
    EXPECT_EQ(dddCreateScreenX(100, 65536), DDD_NOSCREEN);
    EXPECT_EQ(dddCreateScreenX(40000, 100), DDD_NOSCREEN);
    EXPECT_EQ(dddCreateScreenX(0, 100), 152);
    EXPECT_EQ(dddCreateScreenX(100, 100), 152 + 256);
    EXPECT_EQ(dddCreateScreenX(-1, 100), 150); // -2.56 truncates to -2
    EXPECT_EQ(dddCreateScreenY(-100, 200), 100 - 128);
    EXPECT_EQ(dddCreateScreenZ(31), DDD_NOSCREEN);
    EXPECT_EQ(dddCreateScreenZ(32), (int32_t)0x7FFFFFFF); // (2^52 - 1) / 2^21
    EXPECT_EQ(dddCreateTextureXY(3, 2), 0x20003);
}

TEST(ProjectPoint, MovesAlongHeadingAndClampsDepth) {
    int32_t p[3] = {0, 0, 0};
    uint16_t north[2] = {0, 0}, east[2] = {0, 0x4000}, down[2] = {0x4000, 0};
    dddProjectPoint(p, north, 1000);
    EXPECT_EQ(p[2], 999);
    EXPECT_EQ(p[0], 0);
    dddProjectPoint(p, east, 1000);
    EXPECT_EQ(p[0], 999);
    int32_t q[3] = {0, 31990, 0};
    dddProjectPoint(q, down, 1000);
    EXPECT_EQ(q[1], dddfloor);
    int32_t r[3] = {5, 6, 7};
    dddProjectPoint(r, down, 0);
    EXPECT_EQ(r[1], 6);
}

// The projection divides through a reciprocal; it must agree with plain division everywhere,
// most of all at exact multiples of the depth and on either side of zero.
TEST(ProjectVertex, AgreesWithDivision) {
    int32_t saved_x = x_ratio, saved_y = y_ratio, saved_mx = dddscreen_mid_x,
            saved_my = dddscreen_mid_y;
    dddscreen_mid_x = 512, dddscreen_mid_y = 384;
    dddInitRnd(0x5EEDu);
    // The screen's ratios, and ratios too large for the numerators to stay exact in doubles.
    for (int32_t i = 0; i < 40000; i++) {
        x_ratio = i < 20000 ? 1606 : (1 << 29) + 3;
        y_ratio = i < 20000 ? 1927 : (1 << 30) + 5;
        dddVertex v = {};
        uint32_t r = ((uint32_t)dddRnd() << 16) | (uint32_t)dddRnd();
        v.z = (int32_t)((DDD_NEAR << 16) + (r & 0x3FFFFFFF));
        int64_t zd = v.z >> 8;
        switch (i & 3) {
        case 0: // anywhere
            v.x = (int32_t)(((uint32_t)dddRnd() << 16) | (uint32_t)dddRnd());
            v.y = (int32_t)(((uint32_t)dddRnd() << 16) | (uint32_t)dddRnd());
            break;
        case 1: // exact multiples of the depth, and one short of them
            v.x = (int32_t)((zd * (dddRnd() & 1023) / x_ratio) << 8);
            v.y = (int32_t)(-((zd * (dddRnd() & 1023) / y_ratio) << 8) - (i & 4 ? 256 : 0));
            break;
        default: // small values around zero
            v.x = (dddRnd() & 0xFFFF) - 0x8000;
            v.y = (dddRnd() & 0xFFF) - 0x800;
            break;
        }
        dddProjectVertex(&v);
        int64_t col = ((int64_t)(v.x >> 8) * x_ratio) / zd,
                row = ((int64_t)(v.y >> 8) * y_ratio) / zd;
        ASSERT_EQ(v.col, dddScreenCoord(col, 512)) << v.x << " " << v.z;
        ASSERT_EQ(v.row, dddScreenCoord(row, 384)) << v.y << " " << v.z;
        ASSERT_EQ(v.depth, (uint32_t)(((1ull << 52) - 1) / (uint32_t)v.z));
    }
    x_ratio = saved_x, y_ratio = saved_y, dddscreen_mid_x = saved_mx, dddscreen_mid_y = saved_my;
}

// The floating-point quotient truncated is the exact one below 2^53, most of all one short of a
// whole multiple, where the rounding of a wider quotient would reach the next integer.
TEST(DivTrunc, ExactBelowTwoToFiftyThree) {
    dddInitRnd(0xD1Du);
    const int64_t limit = (1ll << 53) - 1;
    for (int32_t i = 0; i < 200000; i++) {
        uint64_t r = ((uint64_t)dddRnd() << 48) ^ ((uint64_t)dddRnd() << 32) ^
                     ((uint64_t)dddRnd() << 16) ^ (uint64_t)dddRnd();
        int64_t d = 1 + (int64_t)(r % (i & 1 ? 0x7FFFFFFFull : 0xFFFFull));
        int64_t num = (int64_t)((r >> 11) % (uint64_t)limit);
        if (i & 2) num = num / d * d - 1; // one short of a multiple
        if (i & 4) num = -num;
        ASSERT_EQ(dddDivTrunc(num, d), num / d) << num << " / " << d;
    }
    ASSERT_EQ(dddDivTrunc(limit, 3), limit / 3);
    ASSERT_EQ(dddDivTrunc(limit - 1, limit), 0);
    ASSERT_EQ(dddDivTrunc(-limit, 2), -limit / 2);
}
