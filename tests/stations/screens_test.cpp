// screens_test.cpp -- every station at the usual screen sizes: pictures of each for a person to
// look at, needles on their pivots, clicks that order what the dial shows under them, and texts
// that are neither cut nor left behind
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <string>
#include <vector>

#include "media/win.h"
#include "platform/platform_test.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "stations/stations.h"
#include "tests/stations/bridge_support.h"
#include "tests/stations/inst_support.h"

namespace {

struct Size {
    int w, h;
};
const Size kSizes[] = {{800, 600}, {1024, 768}, {1280, 1024}, {1920, 1080}, {2560, 1440}};

std::string SizeName(const Size &s) {
    return std::to_string(s.w) + "x" + std::to_string(s.h);
}

class Screens : public InstFixture, public ::testing::WithParamInterface<Size> {
  protected:
    Screens() {
        screen_width_ = GetParam().w;
        screen_height_ = GetParam().h;
    }
    void SetUp() override {
        InstFixture::SetUp();
        FakeClockOn();
        GunShow();
        DCShow();
        ButtonShow();
        ChatShow();
    }
    void TearDown() override {
        FakeClockOff();
        InstFixture::TearDown();
    }
    // Every station's per-step update, as the main loop runs them; the bridge is not stepped, so
    // its picture stays the view it opened with.
    static void Step() {
        for (const StationEntry &station : STATION_TABLE)
            if (station.update && station.window != &hwndBridge) station.update();
        PlatformTestPump();
    }
    // The folder for this size's pictures under the build's test output.
    static std::string OutDir() {
        std::string dir = std::string(KR_TEST_OUTPUT) + "/stations/" + SizeName(GetParam());
        std::string part;
        for (size_t i = 0; i <= dir.size(); i++)
            if (i == dir.size() || (dir[i] == '/' && i > 0)) mkdir(dir.substr(0, i).c_str(), 0755);
        return dir;
    }
    static void ShootWindow(HWND window, const std::string &name) {
        if (!window || !IsWindow(window)) return;
        std::string path = OutDir() + "/" + name + ".png";
        EXPECT_EQ(PlatformTestWindowShot(window, path.c_str()), 1) << path;
    }
};

// One battle per ship class with every station open and something to show; each station's
// window and the whole screen are written as pictures.
TEST_P(Screens, PicturesOfEveryStation) {
    const struct {
        int32_t type;
        const char *name;
    } classes[] = {{SUBMARINE, "sub"}, {CORVETTE, "corvette"}, {DESTROYER, "destroyer"}};
    for (auto c : classes) {
        Mobile *own = Own(c.type, 0, c.type == SUBMARINE ? 40 : 0, 0, 0x2A00);
        own->status |= ST_STEER | (c.type == SUBMARINE ? ST_DEPTH : 0);
        own->ordered_heading = 0xC000;
        own->ordered_depth = 100;
        own->type->dc_reload = 5000;
        Mobile *other = Add(CORVETTE, 50, 3000, 4000, 1, 0x4000, CT_PLOT | CT_VIEW);
        other->range = 5000;
        Add(DESTROYER, 51, -6000, -2000, 0, 0x8000, CT_RADAR);
        if (c.type != SUBMARINE) GunSetTarget(other);
        map_redraw = 1;
        for (int i = 0; i < 3; i++) {
            Step();
            FakeClockAdvance(400);
        }
        std::string prefix = std::string(c.name) + "-";
        ShootWindow(hwndBridge, prefix + "bridge");
        ShootWindow(hwndChat, prefix + "radio");
        ShootWindow(hwndMap, prefix + "map");
        ShootWindow(hwndCompass, prefix + "compass");
        ShootWindow(hwndTelegraph, prefix + "engines");
        ShootWindow(hwndDepth, prefix + "depth");
        ShootWindow(hwndTubes, prefix + "tubes");
        ShootWindow(hwndButton, prefix + "orders");
        ShootWindow(hwndGun, prefix + "gun");
        ShootWindow(hwndDC, prefix + "dc");
        std::string all = OutDir() + "/" + c.name + ".png";
        PlatformTestScreenshot(all.c_str());
        EndGame();
        PlatformTestPump();
    }
    PlanOpen(hwndApp);
    PlanShow();
    PlatformTestPump();
    ShootWindow(hwndPlan, "status-map");
}

struct Px {
    int x, y;
};

// The pixels a window's update drew over its bare face: those that differ from bitmap "gfx\face"
// stretched over the client area, with the colour `c`.
std::vector<Px> Drawn(HWND window, const char *face, COLORREF c) {
    RECT r;
    GetClientRect(window, &r);
    BitMap b = ReadBitMap(face);
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP image = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(memory, image);
    CopyBitMap(b, memory, 0, 0, r.right, r.bottom, 1);
    std::vector<Px> out;
    for (int y = 0; y < r.bottom; y++)
        for (int x = 0; x < r.right; x++) {
            COLORREF p = PlatformTestWindowPixel(window, x, y);
            if (p == c && p != GetPixel(memory, x, y)) out.push_back({x, y});
        }
    SelectObject(memory, old);
    DeleteObject(image);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    FreeBitMap(b);
    return out;
}

// The two pixels of a set farthest apart: the ends of a straight needle.
void Ends(const std::vector<Px> &set, Px *a, Px *b) {
    long best = -1;
    for (const Px &p : set)
        for (const Px &q : set) {
            long d = (long)(p.x - q.x) * (p.x - q.x) + (long)(p.y - q.y) * (p.y - q.y);
            if (d > best) {
                best = d;
                *a = p;
                *b = q;
            }
        }
}

// How far point (x, y) lies from the line through a and b.
double Off(double x, double y, Px a, Px b) {
    double dx = b.x - a.x, dy = b.y - a.y, n = std::hypot(dx, dy);
    return n == 0 ? std::hypot(x - a.x, y - a.y) : std::fabs(dx * (y - a.y) - dy * (x - a.x)) / n;
}

// A point of a dial picture drawn for a design client area of dw x dh with its centre at
// (cx, cy), at radius r (design pixels) and `degrees` clockwise from up, in the window's client
// pixels: the picture is stretched over the client area.
Px DialPoint(HWND window, double dw, double dh, double cx, double cy, double r, double degrees) {
    RECT c;
    GetClientRect(window, &c);
    double a = degrees * M_PI / 180;
    double x = (cx + r * std::sin(a)) * c.right / dw, y = (cy - r * std::cos(a)) * c.bottom / dh;
    return {(int)std::floor(x), (int)std::floor(y)};
}

// The card's pivot as drawn: (94, 86) of a 179 x 185 card; the gauge's (62, 69) of 125 x 143.
Px CompassPivot() {
    return DialPoint(hwndCompass, 179, 185, 94, 86, 0, 0);
}
Px DepthPivot() {
    return DialPoint(hwndDepth, 125, 143, 62, 69, 0, 0);
}

// Whether some pixel within one of (x, y) passes the test.
template <class F> bool NearBy(HWND window, Px p, F test) {
    for (int dy = -1; dy <= 1; dy++)
        for (int dx = -1; dx <= 1; dx++)
            if (test(PlatformTestWindowPixel(window, p.x + dx, p.y + dy))) return true;
    return false;
}
int Sum(COLORREF c) {
    return GetRValue(c) + GetGValue(c) + GetBValue(c);
}

TEST_P(Screens, CompassNeedleTurnsAboutTheCardPivot) {
    Mobile *own = Own(DESTROYER);
    Px pivot = CompassPivot();
    for (uint16_t heading : {0x0000, 0x2000, 0x4000, 0x9000, 0xE000}) {
        own->heading = heading;
        CompassRedraw();
        CompassUpdate();
        // The red head and the grey tail are equally long and meet at the pivot.
        std::vector<Px> head = Drawn(hwndCompass, "compass.bmp", RGB(242, 13, 8));
        std::vector<Px> tail = Drawn(hwndCompass, "compass.bmp", RGB(224, 224, 224));
        ASSERT_FALSE(head.empty() || tail.empty()) << heading;
        Px h0, h1, t0, t1;
        Ends(head, &h0, &h1);
        Ends(tail, &t0, &t1);
        auto far = [&](Px a, Px b) {
            return std::hypot(a.x - pivot.x, a.y - pivot.y) >
                           std::hypot(b.x - pivot.x, b.y - pivot.y)
                       ? a
                       : b;
        };
        Px tip = far(h0, h1), end = far(t0, t1);
        EXPECT_LE(Off(pivot.x, pivot.y, tip, end), 1.5) << "heading " << heading;
        EXPECT_NEAR(std::hypot(tip.x - pivot.x, tip.y - pivot.y),
                    std::hypot(end.x - pivot.x, end.y - pivot.y), 2.5)
            << "heading " << heading;
        // And the head points the heading on the stretched card.
        double a = heading * 2 * M_PI / 65536;
        RECT c;
        GetClientRect(hwndCompass, &c);
        double ux = std::sin(a) * c.right / 179, uy = -std::cos(a) * c.bottom / 185;
        EXPECT_GT((tip.x - pivot.x) * ux + (tip.y - pivot.y) * uy, 0) << "heading " << heading;
        EXPECT_TRUE(NearBy(hwndCompass, pivot, [](COLORREF p) { return p == RGB(64, 64, 64); }));
    }
}

TEST_P(Screens, DepthNeedlesTurnAboutTheGaugePivot) {
    Mobile *own = Own(SUBMARINE);
    Px pivot = DepthPivot();
    for (int32_t depth : {0, 40, 125, 200, 250}) {
        own->y = depth;
        DepthUpdate();
        std::vector<Px> needle = Drawn(hwndDepth, "depthg.bmp", RGB(0, 0, 0));
        ASSERT_FALSE(needle.empty()) << depth;
        Px a, b;
        Ends(needle, &a, &b);
        EXPECT_LE(Off(pivot.x, pivot.y, a, b), 1.5) << "depth " << depth;
        EXPECT_TRUE(NearBy(hwndDepth, pivot, [](COLORREF p) { return p == RGB(64, 64, 64); }));
    }
}

// The angle of a depth on the gauge: the needle turns 1.2 degrees a metre from circle entry 149.
double DepthDegrees(double depth) {
    return (149 + depth * 1280 / 1500) * 360 / 256;
}

TEST_P(Screens, AClickOnADepthMarkOrdersThatDepth) {
    Mobile *own = Own(SUBMARINE);
    for (int32_t depth = 0; depth <= 250; depth += 25) {
        // The outer end of the mark, where the ink is.
        Px p = DialPoint(hwndDepth, 125, 143, 62, 69, 47.5, DepthDegrees(depth));
        EXPECT_TRUE(NearBy(hwndDepth, p, [](COLORREF c) { return Sum(c) < 250; }))
            << "no mark drawn at " << p.x << "," << p.y << " for " << depth;
        Click(hwndDepth, p.x, p.y);
        // A metre is about a pixel there on the smallest screen.
        EXPECT_NEAR(own->ordered_depth, depth, 1) << "clicked " << p.x << "," << p.y;
    }
    // The middle of the green band (periscope depth, 0 to 15 m).
    Px band = DialPoint(hwndDepth, 125, 143, 62, 69, 47.75, DepthDegrees(7.5));
    EXPECT_TRUE(NearBy(hwndDepth, band, [](COLORREF c) {
        return GetGValue(c) > GetRValue(c) + 40 && GetGValue(c) > GetBValue(c) + 40;
    }));
    Click(hwndDepth, band.x, band.y);
    EXPECT_GE(own->ordered_depth, 6);
    EXPECT_LE(own->ordered_depth, 9);
    // Straight below the pivot, in the dead arc: the surface.
    Px below = DialPoint(hwndDepth, 125, 143, 62, 69, 30, 180);
    Click(hwndDepth, below.x, below.y);
    EXPECT_EQ(own->ordered_depth, 0);
}

TEST_P(Screens, AClickOnTheCardAtABearingOrdersThatCourse) {
    Mobile *own = Own(DESTROYER);
    for (int bearing = 0; bearing < 360; bearing += 30) {
        // On the degree ring, where the long ticks are drawn.
        Px p = DialPoint(hwndCompass, 179, 185, 94, 86, 67.5, bearing);
        EXPECT_TRUE(NearBy(hwndCompass, p, [](COLORREF c) { return GetRValue(c) > 150; }))
            << "no tick drawn at " << p.x << "," << p.y << " for " << bearing;
        Click(hwndCompass, p.x, p.y);
        int course = (int)Degrees((uint16_t)(own->ordered_heading + 0x8000)) % 360;
        int miss = std::abs(course - bearing);
        EXPECT_LE(std::min(miss, 360 - miss), 1) << "bearing " << bearing << " ordered " << course;
        // The white course line, the longest from the pivot, then runs towards the click.
        CompassUpdate();
        Px pivot = CompassPivot(), tip = pivot;
        for (const Px &q : Drawn(hwndCompass, "compass.bmp", RGB(255, 255, 255)))
            if (std::hypot(q.x - pivot.x, q.y - pivot.y) >
                std::hypot(tip.x - pivot.x, tip.y - pivot.y))
                tip = q;
        EXPECT_LE(Off(tip.x, tip.y, pivot, p), 2.0) << "bearing " << bearing;
        EXPECT_GT((tip.x - pivot.x) * (p.x - pivot.x) + (tip.y - pivot.y) * (p.y - pivot.y), 0);
    }
}

// The client pixels of a window that differ from what a full repaint of it shows: what an
// update left behind.
int LeftBehind(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    std::vector<COLORREF> before;
    for (int y = 0; y < r.bottom; y++)
        for (int x = 0; x < r.right; x++)
            before.push_back(PlatformTestWindowPixel(window, x, y));
    InvalidateRect(window, NULL, TRUE);
    UpdateWindow(window);
    int differ = 0;
    size_t i = 0;
    for (int y = 0; y < r.bottom; y++)
        for (int x = 0; x < r.right; x++)
            differ += before[i++] != PlatformTestWindowPixel(window, x, y);
    return differ;
}

TEST_P(Screens, AShorterStatusLeavesNothingOfTheLongerOneBehind) {
    Mobile *own = Own(CORVETTE);
    own->type->dc_reload = 3000;
    own->type->gun_reload = 2000;
    DCUpdate(NULL, 0);
    PlatformTestPump();
    FakeClockAdvance(3500);
    DCUpdate(NULL, 0); // "Loading" gives way to "Ready"
    EXPECT_EQ(dc_ready, 1);
    EXPECT_EQ(LeftBehind(hwndDC), 0);
    EndGame();

    // The gun through Stowing, Stowed, Unstowing, Loading and Ready.
    own = Own(SUBMARINE);
    own->type->gun_reload = 2000;
    GunUpdate(NULL, 0);
    PlatformTestPump();
    const char *seen[] = {"Stowing", "Stowed", "Unstowing", "Loading", "Ready"};
    int32_t last = gun_status;
    GunStow(1);
    own->y = 5;
    int changes = 0;
    for (int step = 0; step < 200 && changes < 5; step++) {
        if (gun_status == GUN_STOWED) own->y = 0, own->ordered_depth = 0;
        GunUpdate(NULL, 0);
        if (gun_status != last) {
            last = gun_status;
            EXPECT_EQ(LeftBehind(hwndGun), 0) << "at " << seen[changes];
            changes++;
        }
        FakeClockAdvance(100);
    }
    EXPECT_EQ(changes, 5);
}

TEST_P(Screens, TheLongestTitlesFitTheirCaptions) {
    Mobile *own = Own(SUBMARINE, -12345, 250, -34567, 0xFFFF);
    own->status |= ST_STEER | ST_DEPTH | ST_GOTO;
    own->ordered_heading = 0x7FFF;
    own->ordered_depth = 250;
    own->way_x = -10999;
    own->way_z = -30999;
    map_redraw = 1;
    Step();
    char text[96];
    GetWindowText(hwndDepth, text, sizeof text);
    EXPECT_STREQ(text, "Depth. 250m \xBB 250m");
    EXPECT_TRUE(PlatformTestCaptionFits(hwndDepth)) << text;
    GetWindowText(hwndCompass, text, sizeof text);
    EXPECT_STREQ(text, "Compass. hdg.360\xB0 \xBB 360\xB0.");
    EXPECT_TRUE(PlatformTestCaptionFits(hwndCompass)) << text;
    GetWindowText(hwndMap, text, sizeof text);
    EXPECT_STREQ(text, "Map table - (-12,-34) \xBB (-10,-30)");
    EXPECT_TRUE(PlatformTestCaptionFits(hwndMap)) << text;
    for (HWND w : {hwndBridge, hwndChat, hwndTelegraph, hwndTubes, hwndButton, hwndGun})
        EXPECT_TRUE(PlatformTestCaptionFits(w));
    ShootWindow(hwndDepth, "title-depth");
    ShootWindow(hwndCompass, "title-compass");
    ShootWindow(hwndMap, "title-map");
}

INSTANTIATE_TEST_SUITE_P(Sizes, Screens, ::testing::ValuesIn(kSizes),
                         [](const ::testing::TestParamInfo<Size> &info) {
                             return SizeName(info.param);
                         });

} // namespace
