// plat_test.cpp -- the test interface: injected input, pumping, pixels and screenshots
#include "platform/platform_local.h"

using namespace plat;

void PlatformTestMouseMove(int x, int y) {
    EnsureInit();
    RawInput in{};
    in.kind = RawInput::Move;
    in.x = x;
    in.y = y;
    PushInput(in);
}

void PlatformTestMouseButton(int x, int y, int button, BOOL down) {
    EnsureInit();
    PlatformTestMouseMove(x, y);
    RawInput in{};
    in.kind = RawInput::Button;
    in.x = x;
    in.y = y;
    in.button = button ? 1 : 0;
    in.down = down ? 1 : 0;
    PushInput(in);
}

void PlatformTestClick(int x, int y, int button) {
    PlatformTestMouseButton(x, y, button, TRUE);
    PlatformTestMouseButton(x, y, button, FALSE);
}

void PlatformTestKey(int virtual_key, BOOL down) {
    EnsureInit();
    RawInput in{};
    in.kind = RawInput::Key;
    in.vk = virtual_key;
    in.down = down ? 1 : 0;
    PushInput(in);
}

void PlatformTestKeyPress(int virtual_key) {
    PlatformTestKey(virtual_key, TRUE);
    PlatformTestKey(virtual_key, FALSE);
}

void PlatformTestTypeKey(int virtual_key, LPCSTR text) {
    PlatformTestKey(virtual_key, TRUE);
    PushTextInput(text ? text : "", true);
    PlatformTestKey(virtual_key, FALSE);
}

void PlatformTestText(LPCSTR text) {
    EnsureInit();
    for (const unsigned char *p = (const unsigned char *)text; p && *p; p++) {
        RawInput in{};
        in.kind = RawInput::Char;
        in.ch = *p;
        PushInput(in);
    }
}

int PlatformTestPump(void) {
    EnsureInit();
    int n = 0;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage((int)msg.wParam); // left for the caller's own loop
            break;
        }
        n++;
        HWND top = TopLevelOf(msg.hwnd);
        Window *t = W(top);
        if (t && t->cls && t->cls->name == DIALOG_CLASS && IsDialogMessage(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        if (n > 100000) break; // a window that invalidates itself on every paint
    }
    return n;
}

HWND PlatformTestFindWindow(LPCSTR caption) {
    if (!caption) return nullptr;
    HWND best = nullptr;
    std::vector<HWND> stack(TopLevels().begin(), TopLevels().end());
    while (!stack.empty()) {
        HWND h = stack.back();
        stack.pop_back();
        Window *w = W(h);
        if (!w) continue;
        if (w->text == caption && VisibleChain(w) && (!best || W(best)->seq < w->seq)) best = h;
        for (HWND k : w->children)
            stack.push_back(k);
    }
    return best;
}

void PlatformTestCompose(void) {
    EnsureInit();
    Compose();
}

COLORREF PlatformTestScreenPixel(int x, int y) {
    Surface &s = Screen();
    if (x < 0 || y < 0 || x >= s.w || y >= s.h) return CLR_INVALID;
    return ToColor(s.px[(size_t)y * s.w + x]);
}

COLORREF PlatformTestWindowPixel(HWND window, int x, int y) {
    Window *w = W(window);
    if (!w || x < 0 || y < 0 || x >= w->surf.w || y >= w->surf.h) return CLR_INVALID;
    return ToColor(w->surf.px[(size_t)y * w->surf.w + x]);
}

int PlatformTestScreenshot(LPCSTR path) {
    if (!path) return 0;
    Compose();
    size_t n = strlen(path);
    bool png = n >= 4 && strcasecmp(path + n - 4, ".png") == 0;
    bool ok = png ? WritePng(path, Screen()) : WriteBmp(path, Screen());
    if (!ok) Log("screenshot: cannot write %s", path);
    return ok ? 1 : 0;
}

int PlatformTestWindowShot(HWND window, LPCSTR path) {
    Window *w = W(window);
    if (!w || !path) return 0;
    Compose();
    const Surface &screen = Screen();
    POINT o = ScreenOrigin(w);
    RECT r{o.x, o.y, o.x + w->rect.right - w->rect.left, o.y + w->rect.bottom - w->rect.top};
    RECT all{0, 0, screen.w, screen.h};
    if (!IntersectRect(&r, &r, &all)) return 0;
    Surface part;
    part.Resize(r.right - r.left, r.bottom - r.top, 0);
    for (int y = 0; y < part.h; y++)
        memcpy(&part.px[(size_t)y * part.w], &screen.px[(size_t)(y + r.top) * screen.w + r.left],
               (size_t)part.w * 4);
    bool ok = WritePng(path, part);
    if (!ok) Log("screenshot: cannot write %s", path);
    return ok ? 1 : 0;
}

BOOL PlatformTestCaptionFits(HWND window) {
    Window *w = W(window);
    if (!w) return FALSE;
    NcInfo n = Nc(w);
    if (!n.has_caption) return FALSE;
    int right = w->rect.right - w->rect.left - n.frame - 2;
    LOGFONT lf = CaptionTitleFont(w, n, 0, &right);
    int tw, th;
    TextExtent(lf, w->text.data(), (int)w->text.size(), &tw, &th);
    return n.frame + 4 + tw <= right;
}

void PlatformTestAdvanceTicks(DWORD ms) {
    tick_offset += ms;
}

void PlatformTestFreezeTicks(BOOL frozen) {
    if (frozen && !ticks_frozen) {
        ticks_frozen_at = NowMs();
    } else if (!frozen && ticks_frozen) {
        // The clock goes on from where the frozen one stood, never backwards.
        uint64_t now = NowMs();
        tick_offset -= (DWORD)(now - ticks_frozen_at);
    }
    ticks_frozen = frozen != FALSE;
}
