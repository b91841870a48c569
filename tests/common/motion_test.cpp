// motion_test.cpp -- replays motion_vectors.txt against the shared movement model
#include "common/motion.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Line {
    int number;
    std::string kind;
    std::vector<std::string> in, out;
};

std::vector<Line> ReadVectors() {
    std::vector<Line> lines;
    std::ifstream f(KR_MOTION_VECTORS);
    std::string text;
    int n = 0;
    while (std::getline(f, text)) {
        n++;
        if (text.empty() || text[0] == '#') continue;
        std::istringstream s(text);
        Line l{n, "", {}, {}};
        s >> l.kind;
        std::string w;
        bool after = false;
        while (s >> w) {
            if (w == "=")
                after = true;
            else
                (after ? l.out : l.in).push_back(w);
        }
        lines.push_back(l);
    }
    return lines;
}

long long I(const std::string &s) {
    return std::stoll(s, nullptr, 0);
}
double D(const std::string &s) {
    return std::strtod(s.c_str(), nullptr);
}

void ReadCoeffs(const std::vector<std::string> &v, size_t &i, MotionCoeffs &c) {
    for (double &e : c.speed_table)
        e = D(v[i++]);
    for (double &e : c.turn_table)
        e = D(v[i++]);
    c.drag = D(v[i++]);
    for (double &e : c.dive_table)
        e = D(v[i++]);
    c.submerged = D(v[i++]);
}

void ReadState(const std::vector<std::string> &v, size_t &i, MotionState &s) {
    s.engine = (int32_t)I(v[i++]);
    s.helm = (int32_t)I(v[i++]);
    s.trim = (int32_t)I(v[i++]);
    s.vx = D(v[i++]);
    s.vy = D(v[i++]);
    s.vz = D(v[i++]);
    s.fx = D(v[i++]);
    s.fy = D(v[i++]);
    s.fz = D(v[i++]);
    s.x = (int32_t)I(v[i++]);
    s.y = (int32_t)I(v[i++]);
    s.z = (int32_t)I(v[i++]);
    s.heading = (uint16_t)I(v[i++]);
    s.heading_rad = D(v[i++]);
    s.speed = (int32_t)I(v[i++]);
}

// Doubles must agree to the bit, so compare them as their bit patterns.
void ExpectSame(double want, double got, const char *what, int line) {
    EXPECT_EQ(std::bit_cast<uint64_t>(want), std::bit_cast<uint64_t>(got))
        << what << " at line " << line << ": want " << want << " got " << got;
}

void CheckStep(const Line &l) {
    ASSERT_EQ(l.in.size(), 17u + 15u + 1u) << "line " << l.number;
    ASSERT_EQ(l.out.size(), 15u) << "line " << l.number;
    MotionCoeffs c{};
    MotionState s{}, want{};
    size_t i = 0;
    ReadCoeffs(l.in, i, c);
    ReadState(l.in, i, s);
    double dt = D(l.in[i]);
    i = 0;
    ReadState(l.out, i, want);
    MotionStep(&s, &c, dt);
    EXPECT_EQ(want.engine, s.engine) << l.number;
    EXPECT_EQ(want.helm, s.helm) << l.number;
    EXPECT_EQ(want.trim, s.trim) << l.number;
    ExpectSame(want.vx, s.vx, "vx", l.number);
    ExpectSame(want.vy, s.vy, "vy", l.number);
    ExpectSame(want.vz, s.vz, "vz", l.number);
    ExpectSame(want.fx, s.fx, "fx", l.number);
    ExpectSame(want.fy, s.fy, "fy", l.number);
    ExpectSame(want.fz, s.fz, "fz", l.number);
    EXPECT_EQ(want.x, s.x) << l.number;
    EXPECT_EQ(want.y, s.y) << l.number;
    EXPECT_EQ(want.z, s.z) << l.number;
    EXPECT_EQ(want.heading, s.heading) << l.number;
    ExpectSame(want.heading_rad, s.heading_rad, "heading_rad", l.number);
    EXPECT_EQ(want.speed, s.speed) << l.number;
}

TEST(MotionVectors, EveryLineReproduces) {
    std::vector<Line> lines = ReadVectors();
    ASSERT_GT(lines.size(), 100u) << "vector file missing or short: " << KR_MOTION_VECTORS;
    int steps = 0;
    for (const Line &l : lines) {
        SCOPED_TRACE("line " + std::to_string(l.number));
        const auto &a = l.in;
        const auto &r = l.out;
        if (l.kind == "range") {
            EXPECT_EQ(I(r[0]), Range(I(a[0]), I(a[1]), I(a[2]), I(a[3])));
        } else if (l.kind == "angle") {
            EXPECT_EQ(I(r[0]), AngleFrom(I(a[0]), I(a[1]), I(a[2]), I(a[3])));
        } else if (l.kind == "degrees") {
            EXPECT_EQ(I(r[0]), Degrees((uint16_t)I(a[0])));
        } else if (l.kind == "plusminus") {
            EXPECT_EQ(I(r[0]), PlusMinusAngle((uint16_t)I(a[0])));
        } else if (l.kind == "steer" || l.kind == "steerhelm") {
            int32_t sense = (int32_t)I(a[2]);
            int32_t h = l.kind == "steer"
                            ? Steer((uint16_t)I(a[0]), (uint16_t)I(a[1]), &sense)
                            : SteerHelm((uint16_t)I(a[0]), (uint16_t)I(a[1]), &sense, I(a[3]));
            EXPECT_EQ(I(r[0]), h);
            EXPECT_EQ(I(r[1]), sense);
        } else if (l.kind == "depth") {
            int32_t done = -1;
            EXPECT_EQ(I(r[0]), DepthKeepPlanes(I(a[0]), I(a[1]), &done));
            EXPECT_EQ(I(r[1]), done);
        } else if (l.kind == "wayangle") {
            EXPECT_EQ(I(r[0]), WaypointAngleDiff((uint16_t)I(a[0]), (uint16_t)I(a[1])));
        } else if (l.kind == "dt") {
            ExpectSame(D(r[0]), MotionDt((uint32_t)I(a[0]), (uint32_t)I(a[1])), "dt", l.number);
        } else if (l.kind == "rad2angle") {
            EXPECT_EQ(I(r[0]), RadiansToAngle(D(a[0])));
        } else if (l.kind == "angle2rad") {
            ExpectSame(D(r[0]), AngleToRadians((uint16_t)I(a[0])), "rad", l.number);
        } else if (l.kind == "velwire") {
            EXPECT_EQ((uint32_t)I(r[0]), VelocityToWire(D(a[0])));
        } else if (l.kind == "wirevel") {
            ExpectSame(D(r[0]), VelocityFromWire((uint32_t)I(a[0])), "v", l.number);
        } else if (l.kind == "coeffwire") {
            ExpectSame(D(r[0]), CoeffFromWire((uint32_t)I(a[0])), "coeff", l.number);
        } else if (l.kind == "step") {
            CheckStep(l);
            steps++;
        } else {
            ADD_FAILURE() << "unknown vector kind " << l.kind;
        }
    }
    EXPECT_GT(steps, 50);
}

TEST(MotionStep, NullCoefficientsKeepVelocityAndHeading) {
    MotionState s{};
    s.engine = 4;
    s.helm = 4;
    s.trim = 0x8002;
    s.vx = 1;
    s.vz = -2;
    MotionSetPosition(&s, 10, 0, 10, 0x2000);
    MotionStep(&s, nullptr, 2.0);
    EXPECT_EQ(12, s.x);
    EXPECT_EQ(6, s.z);
    EXPECT_EQ(0x2000, s.heading);
    EXPECT_EQ(1.0, s.vx);
}

TEST(MotionStep, RunawayValuesSaturateInsteadOfOverflowing) {
    MotionCoeffs c{};
    c.speed_table[4] = 1e300;
    c.submerged = 1;
    MotionState s{};
    s.engine = 4;
    s.helm = 2;
    MotionSetPosition(&s, 0, 0, 0, 0);
    MotionStep(&s, &c, 1e10);
    EXPECT_EQ(INT32_MAX, s.z);
    EXPECT_EQ(INT32_MIN, MotionTrunc32(-1e20));
    EXPECT_EQ(0, MotionTrunc32(std::nan("")));
}

} // namespace
