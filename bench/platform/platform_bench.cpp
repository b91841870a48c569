// platform_bench.cpp -- an empty PeekMessage, composing 1920x1080 with eleven child windows, and
// the 8-bit image copies the bridge view makes every frame
#include "platform/platform.h"
#include "platform/platform_test.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProc(h, m, wp, lp);
}

// A frame with a menu bar and eleven captioned stations, as in a battle, all painted once.
static HWND Scene() {
    PlatformTestReset(1920, 1080);
    WNDCLASS wc{};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = Proc;
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = "BenchFrame";
    RegisterClass(&wc);
    static const MenuResourceItem menu[] = {{0, "&Game", 0, 0},     {1, "E&xit", 1, 0},
                                            {0, "&Stations", 0, 0}, {1, "&Bridge", 2, 0},
                                            {0, "&Help", 0, 0},     {1, "&About", 3, 0}};
    RegisterMenuResource("BenchMenu", menu, 6);
    HWND frame = CreateWindowEx(
        0, "BenchFrame", "Kestrune", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MAXIMIZE | WS_VISIBLE,
        0, 0, 1920, 1080, nullptr, LoadMenu(nullptr, "BenchMenu"), nullptr, nullptr);
    for (int i = 0; i < 11; i++) {
        int w = i == 0 ? 640 : 300, h = i == 0 ? 400 : 260;
        HWND s =
            CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE, "BenchFrame", "Station",
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION, 20 + (i % 5) * 360,
                           20 + (i / 5) * 330, w, h, frame, nullptr, nullptr, nullptr);
        SendMessage(s, WM_NCACTIVATE, i == 3, 0);
    }
    PlatformTestPump();
    return frame;
}

static void BM_EmptyPeekMessage(benchmark::State &state) {
    Scene();
    MSG msg;
    for (auto _ : state)
        benchmark::DoNotOptimize(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    PlatformTestReset();
}
BENCHMARK(BM_EmptyPeekMessage);

static void BM_Compose1920x1080ElevenChildren(benchmark::State &state) {
    Scene();
    for (auto _ : state) {
        PlatformTestCompose();
        benchmark::DoNotOptimize(PlatformTestScreenPixel(100, 100));
    }
    PlatformTestReset();
}
BENCHMARK(BM_Compose1920x1080ElevenChildren)->Unit(benchmark::kMillisecond);

// The bridge view's copy at 1920 x 1080: a 752 x 540 8-bit image (the width rounded up to 16)
// through its colour table into a 742 x 540 window, whole (0), through the binoculars' two
// ellipses (1), or stretched to twice the size from a quarter of the image (2).
static void BM_Copy8BitImage(benchmark::State &state) {
    HWND frame = Scene();
    const int W = 752, H = 540, CW = 742;
    HWND view = CreateWindowEx(0, "BenchFrame", "", WS_CHILD | WS_VISIBLE, 600, 100, CW, H, frame,
                               nullptr, nullptr, nullptr);
    std::vector<uint8_t> info(40 + 256 * 4), pixels((size_t)W * H);
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = W;
    h.biHeight = -H;
    h.biPlanes = 1;
    h.biBitCount = 8;
    memcpy(info.data(), &h, 40);
    for (int i = 0; i < 256; i++) {
        RGBQUAD q{(BYTE)i, (BYTE)(255 - i), (BYTE)(i * 7), 0};
        memcpy(&info[40 + 4 * i], &q, 4);
    }
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = (uint8_t)(i * 2654435761u >> 24);
    HDC dc = GetDC(view);
    HRGN clip = nullptr;
    if (state.range(0) == 1) {
        int g = H * 52 / 50, o = g / 6, cx = CW / 2, y1 = (H - g) / 2, y2 = (H + g) / 2;
        clip = CreateEllipticRgn(cx - g + o, y1, cx + o, y2);
        HRGN right = CreateEllipticRgn(cx - o, y1, cx - o + g, y2);
        CombineRgn(clip, clip, right, RGN_OR);
        DeleteObject(right);
        SelectClipRgn(dc, clip);
    }
    for (auto _ : state) {
        if (state.range(0) == 2)
            StretchDIBits(dc, 0, 0, CW, H, 0, 0, W / 2, H / 2, pixels.data(),
                          (BITMAPINFO *)info.data(), DIB_RGB_COLORS, SRCCOPY);
        else
            SetDIBitsToDevice(dc, (CW - W) / 2, 0, W, H, 0, 0, 0, H, pixels.data(),
                              (BITMAPINFO *)info.data(), DIB_RGB_COLORS);
        benchmark::ClobberMemory();
    }
    state.counters["per_pixel"] =
        benchmark::Counter((double)state.iterations() * CW * H,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    ReleaseDC(view, dc);
    if (clip) DeleteObject(clip);
    PlatformTestReset();
}
BENCHMARK(BM_Copy8BitImage)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
