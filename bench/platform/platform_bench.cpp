// platform_bench.cpp -- an empty PeekMessage and composing 1920x1080 with eleven child windows
#include "platform/platform.h"
#include "platform/platform_test.h"

#include <benchmark/benchmark.h>

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

BENCHMARK_MAIN();
