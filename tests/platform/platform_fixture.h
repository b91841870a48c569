// platform_fixture.h -- a fresh headless screen for every test, and a window procedure that logs
#pragma once

#include "platform/platform.h"
#include "platform/platform_test.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

// Messages seen by windows of the "Logged" class, in order.
struct LoggedMessage {
    HWND hwnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};
inline std::vector<LoggedMessage> &Log() {
    static std::vector<LoggedMessage> log;
    return log;
}
inline LRESULT CALLBACK LoggedProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Log().push_back({h, m, wp, lp});
    return DefWindowProc(h, m, wp, lp);
}
inline std::vector<UINT> MessagesFor(HWND h, std::initializer_list<UINT> only) {
    std::vector<UINT> out;
    for (auto &e : Log())
        if (e.hwnd == h)
            for (UINT m : only)
                if (e.msg == m) out.push_back(m);
    return out;
}

class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        PlatformTestReset(800, 600);
        PlatformTestSetModalHook(nullptr, nullptr);
        Log().clear();
        WNDCLASS wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        wc.lpfnWndProc = LoggedProc;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszClassName = "Logged";
        ASSERT_TRUE(RegisterClass(&wc));
    }
    void TearDown() override {
        PlatformTestSetModalHook(nullptr, nullptr);
        PlatformTestReset();
    }
    HWND Frame(DWORD extra = 0) {
        return CreateWindowEx(0, "Logged", "Frame",
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | extra, 0, 0, 800,
                              600, nullptr, nullptr, nullptr, nullptr);
    }
    HWND Station(HWND parent, int x, int y, int w, int h, DWORD extra = 0) {
        return CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE, "Logged", "Station",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CAPTION | extra, x, y, w,
                              h, parent, nullptr, nullptr, nullptr);
    }
    // Screen point of a window's caption, a little right of its left edge.
    static POINT CaptionPoint(HWND h) {
        RECT r;
        GetWindowRect(h, &r);
        return POINT{r.left + 20, r.top + 1 + GetSystemMetrics(SM_CYCAPTION) / 2};
    }
};
