// plat_window.cpp -- window classes and windows: creation, destruction, showing, placement
#include "platform/platform_local.h"

#include <algorithm>

namespace plat {

static std::vector<std::shared_ptr<WndClass>> classes;
static std::unordered_map<uintptr_t, std::unique_ptr<Window>> windows;
static std::vector<HWND> top_levels;
static DWORD last_error = 0;

const int CAPTION_H = 18, MENU_H = 19, MIN_W = 160;

Window *W(HWND h) {
    if (!h) return nullptr;
    auto it = windows.find((uintptr_t)h);
    return it == windows.end() ? nullptr : it->second.get();
}

std::vector<HWND> &TopLevels() {
    return top_levels;
}

std::vector<HWND> &Siblings(Window *w) {
    Window *p = W(w->parent);
    return p ? p->children : top_levels;
}

static WndClass *ClassByName(LPCSTR name, std::shared_ptr<WndClass> *keep = nullptr) {
    if (!name) return nullptr;
    if (IS_INTRESOURCE(name)) {
        size_t i = (size_t)(uintptr_t)name - 0xC000;
        if (i < classes.size() && classes[i]) {
            if (keep) *keep = classes[i];
            return classes[i].get();
        }
        return nullptr;
    }
    for (auto &c : classes)
        if (c && IEquals(c->name, name)) {
            if (keep) *keep = c;
            return c.get();
        }
    return nullptr;
}

WndClass *FindClass(LPCSTR name) {
    return ClassByName(name);
}

NcInfo Nc(const Window *w) {
    NcInfo n;
    DWORD st = w->style, ex = w->ex_style;
    bool child = (st & WS_CHILD) != 0;
    n.has_caption = (st & WS_CAPTION) == WS_CAPTION;
    n.thick = (st & WS_THICKFRAME) != 0;
    n.tool = (ex & WS_EX_TOOLWINDOW) != 0;
    if (n.thick)
        n.frame = 4;
    else if (child)
        n.frame = (n.has_caption || (st & WS_BORDER)) ? 1 : ((st & WS_DLGFRAME) ? 3 : 0);
    else
        n.frame = (n.has_caption || (st & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME))
                      ? 3
                      : ((st & WS_BORDER) ? 1 : 0);
    if (ex & WS_EX_CLIENTEDGE) {
        if (n.has_caption)
            n.client_edge = true; // drawn inside the border, so captioned sizes stay exact
        else
            n.frame += 2;
    } else if (ex & WS_EX_STATICEDGE) {
        n.frame += 1;
    }
    if (!child && w->maximized) n.frame = 0;
    n.caption = n.has_caption ? CAPTION_H : 0;
    n.menu = (!child && w->menu) ? MENU_H : 0;
    if (n.has_caption) {
        bool dialog = w->cls && w->cls->name == DIALOG_CLASS;
        n.close_box = (st & WS_SYSMENU) || child;
        n.min_box = (!dialog && (st & WS_MINIMIZEBOX)) || (child && !dialog);
        n.max_box = !dialog && (st & WS_MAXIMIZEBOX) && !child;
    }
    return n;
}

RECT ClientRectIn(const Window *w) {
    NcInfo n = Nc(w);
    int ww = w->rect.right - w->rect.left, hh = w->rect.bottom - w->rect.top;
    RECT r{n.frame, n.frame + n.caption + n.menu, ww - n.frame, hh - n.frame};
    if (w->minimized) r = RECT{n.frame, n.frame + n.caption, n.frame, n.frame + n.caption};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

POINT ScreenOrigin(const Window *w) {
    POINT p{w->rect.left, w->rect.top};
    if (w->style & WS_CHILD) {
        if (const Window *par = W(w->parent)) {
            POINT o = ClientOrigin(par);
            p.x += o.x;
            p.y += o.y;
        }
    }
    return p;
}

POINT ClientOrigin(const Window *w) {
    POINT p = ScreenOrigin(w);
    RECT c = ClientRectIn(w);
    return POINT{p.x + c.left, p.y + c.top};
}

bool VisibleChain(const Window *w) {
    while (w) {
        if (!(w->style & WS_VISIBLE)) return false;
        if (!(w->style & WS_CHILD)) return true;
        w = W(w->parent);
    }
    return false;
}

HWND TopLevelOf(HWND h) {
    Window *w = W(h);
    while (w && (w->style & WS_CHILD) && W(w->parent))
        w = W(w->parent);
    return w ? w->h : nullptr;
}

static uint32_t BackgroundPixel(Window *w) {
    if (!w->cls || !w->cls->background) return SysPixel(COLOR_WINDOW);
    uintptr_t v = (uintptr_t)w->cls->background;
    if (v <= 31) return SysPixel((int)v - 1);
    GdiPtr b = Gdi(w->cls->background, GdiKind::Brush);
    if (!b || b->null_brush) return SysPixel(COLOR_WINDOW);
    return b->sys_color >= 0 ? SysPixel(b->sys_color) : ToPixel(b->color);
}

void ResizeSurface(Window *w) {
    if (w->minimized) return;
    RECT c = ClientRectIn(w);
    w->surf.Resize(c.right - c.left, c.bottom - c.top, BackgroundPixel(w));
}

void InvalidateAll(Window *w, bool erase) {
    RECT c = ClientRectIn(w);
    RECT r{0, 0, c.right - c.left, c.bottom - c.top};
    InvalidateRect(w->h, &r, erase);
}

void InvalidateTree(HWND h) {
    Window *w = W(h);
    if (!w) return;
    InvalidateAll(w, true);
    std::vector<HWND> kids = w->children;
    for (HWND k : kids)
        InvalidateTree(k);
}

static RECT ParentClient(Window *w) {
    if ((w->style & WS_CHILD) && W(w->parent)) {
        Window *p = W(w->parent);
        RECT c = ClientRectIn(p);
        return RECT{0, 0, c.right - c.left, c.bottom - c.top};
    }
    return RECT{0, 0, screen_w, screen_h};
}

// Where the icon of a minimised window in `slot` goes: rows along the foot of its parent,
// left to right, the next row above the last.
static RECT MinSlotRect(Window *w, int slot) {
    RECT pc = ParentClient(w);
    NcInfo n = Nc(w);
    int bh = n.caption + 2 * n.frame;
    if (bh < CAPTION_H + 2) bh = CAPTION_H + 2;
    int per_row = std::max(1, (int)(pc.right / MIN_W));
    int col = slot % per_row, row = slot / per_row;
    return RECT{col * MIN_W, pc.bottom - (row + 1) * bh, col * MIN_W + MIN_W, pc.bottom - row * bh};
}

void LayoutMinimized(HWND parent) {
    std::vector<HWND> *sib = &top_levels;
    Window *p = W(parent);
    if (p) sib = &p->children;
    for (HWND h : *sib) {
        Window *w = W(h);
        if (!w || !w->minimized) continue;
        w->rect = MinSlotRect(w, w->min_slot);
    }
    MarkDirty();
}

// The first slot no other icon holds and, where one can be had, that covers no open sibling:
// an icon laid over a window's controls would take their clicks.
static int FreeMinSlot(Window *w) {
    std::vector<HWND> &sib = Siblings(w);
    auto held = [&](int slot) {
        for (HWND h : sib) {
            Window *o = W(h);
            if (o && o != w && o->minimized && o->min_slot == slot) return true;
        }
        return false;
    };
    auto covers = [&](int slot) {
        RECT r = MinSlotRect(w, slot), x;
        for (HWND h : sib) {
            Window *o = W(h);
            if (!o || o == w || o->minimized || !(o->style & WS_VISIBLE)) continue;
            if (IntersectRect(&x, &r, &o->rect)) return true;
        }
        return false;
    };
    int first = -1;
    for (int slot = 0; slot < 256; slot++) {
        if (held(slot)) continue;
        if (first < 0) first = slot;
        RECT r = MinSlotRect(w, slot);
        if (r.top < 0) break; // the rows have reached the top
        if (!covers(slot)) return slot;
    }
    return first < 0 ? 0 : first;
}

static void SendSizeMove(HWND h, bool sized, bool moved) {
    Window *w = W(h);
    if (!w) return;
    RECT c = ClientRectIn(w);
    if (sized) {
        WPARAM kind =
            w->minimized ? SIZE_MINIMIZED : (w->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED);
        LPARAM size = w->minimized ? 0 : MAKELPARAM(c.right - c.left, c.bottom - c.top);
        Send(h, WM_SIZE, kind, size);
    }
    w = W(h);
    if (moved && w) Send(h, WM_MOVE, 0, MAKELPARAM(w->rect.left + c.left, w->rect.top + c.top));
}

int CaptionButtons(const Window *w, RECT *close, RECT *max, RECT *min) {
    NcInfo n = Nc(w);
    SetRectEmpty(close);
    SetRectEmpty(max);
    SetRectEmpty(min);
    if (!n.has_caption) return 0;
    int ww = w->rect.right - w->rect.left;
    int bh = n.caption - 4, bw = bh + 2;
    int x = ww - n.frame - 2, y = n.frame + 2;
    int count = 0;
    if (n.close_box) {
        *close = RECT{x - bw, y, x, y + bh};
        x -= bw + 2;
        count++;
    }
    if (n.max_box || w->minimized) {
        *max = RECT{x - bw, y, x, y + bh};
        x -= bw;
        count++;
    }
    if (n.min_box && !w->minimized) {
        *min = RECT{x - bw, y, x, y + bh};
        count++;
    }
    return count;
}

static void SetMinimized(HWND h) {
    Window *w = W(h);
    if (!w || w->minimized) return;
    if (!w->maximized) w->normal = w->rect;
    w->maximized = false;
    w->minimized = true;
    w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
    w->min_slot = FreeMinSlot(w);
    LayoutMinimized(w->parent);
    if (!(w->style & WS_CHILD) && backend && !Headless() && backend->minimize) backend->minimize();
    FocusLostFor(h);
    SendSizeMove(h, true, true);
}

static void SetMaximized(HWND h) {
    Window *w = W(h);
    if (!w) return;
    if (w->maximized) return;
    if (!w->minimized) w->normal = w->rect;
    bool was_min = w->minimized;
    w->minimized = false;
    w->min_slot = -1;
    w->maximized = true;
    w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
    w->rect = ParentClient(w);
    ResizeSurface(w);
    InvalidateAll(w, true);
    if (was_min) LayoutMinimized(w->parent);
    MarkDirty();
    SendSizeMove(h, true, true);
    if ((w = W(h))) LayoutMinimized(h);
}

static void SetRestored(HWND h) {
    Window *w = W(h);
    if (!w || (!w->minimized && !w->maximized)) return;
    bool was_min = w->minimized;
    w->minimized = w->maximized = false;
    w->min_slot = -1;
    w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    w->rect = w->normal;
    ResizeSurface(w);
    InvalidateTree(h);
    if (was_min) LayoutMinimized(w->parent);
    MarkDirty();
    SendSizeMove(h, true, true);
    if ((w = W(h))) LayoutMinimized(h);
}

static void DestroyTreeMessages(HWND h) {
    if (!W(h)) return;
    W(h)->destroying = true;
    Send(h, WM_DESTROY, 0, 0);
    Window *w = W(h);
    if (!w) return;
    std::vector<HWND> kids = w->children;
    for (HWND k : kids)
        DestroyTreeMessages(k);
}

static void FreeTree(HWND h) {
    Window *w = W(h);
    if (!w) return;
    std::vector<HWND> kids = w->children;
    for (HWND k : kids)
        FreeTree(k);
    Send(h, WM_NCDESTROY, 0, 0);
    w = W(h);
    if (!w) return;
    std::vector<HWND> &sib = Siblings(w);
    sib.erase(std::remove(sib.begin(), sib.end(), h), sib.end());
    if (w->own_dc) DCDeleteForWindow(h);
    if (!(w->style & WS_CHILD) && w->menu) MenuDestroyTree(w->menu);
    KillTimer(h, (UINT_PTR)-1);
    PaintQueueRemove(h);
    RemoveMessagesFor(h);
    CancelTrackingFor(h);
    HWND parent = w->parent;
    bool was_min = w->minimized;
    windows.erase((uintptr_t)h);
    if (was_min) LayoutMinimized(parent);
}

void WindowResetAll() {
    std::vector<HWND> tops = top_levels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        DestroyWindow(*it);
    windows.clear();
    top_levels.clear();
    classes.clear();
}

HWND HitWindow(POINT screen, bool *client);

} // namespace plat

using namespace plat;

DWORD GetLastError(void) {
    return last_error;
}
void SetLastError(DWORD error) {
    last_error = error;
}

static ATOM AddClass(const WNDCLASSEX &wc) {
    EnsureInit();
    if (!wc.lpszClassName || !wc.lpfnWndProc) {
        last_error = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (ClassByName(wc.lpszClassName)) {
        last_error = ERROR_CLASS_ALREADY_EXISTS;
        return 0;
    }
    auto c = std::make_shared<WndClass>();
    c->name = IS_INTRESOURCE(wc.lpszClassName) ? ResourceKey(wc.lpszClassName) : wc.lpszClassName;
    c->style = wc.style;
    c->proc = wc.lpfnWndProc;
    c->cls_extra = wc.cbClsExtra > 0 ? wc.cbClsExtra : 0;
    c->wnd_extra = wc.cbWndExtra > 0 ? wc.cbWndExtra : 0;
    c->extra.assign(c->cls_extra, 0);
    c->inst = wc.hInstance;
    c->icon = wc.hIcon;
    c->icon_sm = wc.hIconSm;
    c->cursor = wc.hCursor;
    c->background = wc.hbrBackground;
    if (wc.lpszMenuName) {
        c->menu_is_int = IS_INTRESOURCE(wc.lpszMenuName);
        c->menu_name = ResourceKey(wc.lpszMenuName);
    }
    classes.push_back(c);
    return (ATOM)(0xC000 + classes.size() - 1);
}

ATOM RegisterClass(const WNDCLASS *wc) {
    if (!wc) return 0;
    WNDCLASSEX ex{};
    ex.cbSize = sizeof ex;
    ex.style = wc->style;
    ex.lpfnWndProc = wc->lpfnWndProc;
    ex.cbClsExtra = wc->cbClsExtra;
    ex.cbWndExtra = wc->cbWndExtra;
    ex.hInstance = wc->hInstance;
    ex.hIcon = wc->hIcon;
    ex.hCursor = wc->hCursor;
    ex.hbrBackground = wc->hbrBackground;
    ex.lpszMenuName = wc->lpszMenuName;
    ex.lpszClassName = wc->lpszClassName;
    return AddClass(ex);
}

ATOM RegisterClassEx(const WNDCLASSEX *wc) {
    return wc ? AddClass(*wc) : 0;
}

BOOL UnregisterClass(LPCSTR class_name, HINSTANCE) {
    for (auto &c : classes)
        if (c && !c->builtin &&
            (IS_INTRESOURCE(class_name) ? ClassByName(class_name) == c.get()
                                        : IEquals(c->name, class_name))) {
            c.reset();
            return TRUE;
        }
    return FALSE;
}

BOOL GetClassInfo(HINSTANCE, LPCSTR class_name, LPWNDCLASS wc) {
    WndClass *c = ClassByName(class_name);
    if (!c || !wc) return FALSE;
    wc->style = c->style;
    wc->lpfnWndProc = c->proc;
    wc->cbClsExtra = c->cls_extra;
    wc->cbWndExtra = c->wnd_extra;
    wc->hInstance = c->inst;
    wc->hIcon = c->icon;
    wc->hCursor = c->cursor;
    wc->hbrBackground = c->background;
    wc->lpszMenuName = nullptr;
    wc->lpszClassName = class_name;
    return TRUE;
}

int GetClassName(HWND window, LPSTR name, int size) {
    Window *w = W(window);
    if (!w || !w->cls) return 0;
    CopyOut(w->cls->name, name, size);
    return name && size > 0 ? (int)strlen(name) : 0;
}

HWND CreateWindowEx(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                    LPVOID param) {
    EnsureInit();
    std::shared_ptr<WndClass> cls;
    if (!ClassByName(class_name, &cls)) {
        Log("CreateWindowEx: no window class \"%s\"",
            class_name && !IS_INTRESOURCE(class_name) ? class_name : "(atom)");
        last_error = ERROR_CANNOT_FIND_WND_CLASS;
        return nullptr;
    }
    if ((style & WS_CHILD) && !W(parent)) {
        Log("CreateWindowEx: child window of class \"%s\" without a parent", cls->name.c_str());
        last_error = ERROR_INVALID_WINDOW_HANDLE;
        return nullptr;
    }
    static int cascade = 0;
    if (x == CW_USEDEFAULT) {
        x = 32 + 24 * (cascade % 8);
        y = 32 + 24 * (cascade % 8);
        cascade++;
    }
    if (width == CW_USEDEFAULT) {
        width = screen_w * 3 / 4;
        height = screen_h * 3 / 4;
    }
    auto win = std::make_unique<Window>();
    Window *w = win.get();
    HWND h = (HWND)NewId();
    static uint64_t seq = 0;
    w->seq = ++seq;
    w->h = h;
    w->cls = cls;
    w->proc = cls->proc;
    w->style = style & ~WS_VISIBLE;
    w->ex_style = ex_style;
    w->text = window_name && !IS_INTRESOURCE(window_name) ? window_name : "";
    w->rect = RECT{x, y, x + width, y + height};
    w->normal = w->rect;
    w->extra.assign(cls->wnd_extra, 0);
    w->pending_show = (style & WS_VISIBLE) != 0;
    w->creating = true;
    if (style & WS_CHILD) {
        w->parent = parent;
        w->id = (LONG_PTR)menu;
    } else {
        w->owner = parent ? TopLevelOf(parent) : nullptr;
        w->menu = menu;
        if (!menu && !cls->menu_name.empty()) w->menu = LoadMenu(instance, cls->menu_name.c_str());
    }
    windows[(uintptr_t)h] = std::move(win);
    Siblings(w).push_back(h);
    if (style & WS_MAXIMIZE) {
        w->maximized = true;
        w->rect = ParentClient(w);
    }
    ResizeSurface(w);
    if (cls->style & CS_OWNDC) w->own_dc = DCNewWindow(h, true);

    CREATESTRUCT cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = (LONG)style;
    cs.lpszName = window_name;
    cs.lpszClass = class_name;
    cs.dwExStyle = ex_style;
    if (!(style & WS_CHILD)) {
        MINMAXINFO mmi{};
        mmi.ptMaxSize = POINT{screen_w, screen_h};
        mmi.ptMaxTrackSize = POINT{screen_w, screen_h};
        mmi.ptMinTrackSize = POINT{112, 27};
        Send(h, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
    }
    if (W(h) && !Send(h, WM_NCCREATE, 0, (LPARAM)&cs)) {
        DestroyWindow(h);
        return nullptr;
    }
    if (!W(h) || Send(h, WM_CREATE, 0, (LPARAM)&cs) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    if (!W(h)) return nullptr;
    SendSizeMove(h, true, true);
    if (!(w = W(h))) return nullptr;
    if ((style & WS_CHILD) && !(ex_style & WS_EX_NOPARENTNOTIFY))
        Send(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, (WORD)(uintptr_t)menu), (LPARAM)h);
    if (!(w = W(h))) return nullptr;
    w->creating = false;
    if (w->pending_show) {
        w->pending_show = false;
        ShowWindow(h,
                   w->maximized ? SW_SHOWMAXIMIZED : (w->minimized ? SW_SHOWMINIMIZED : SW_SHOW));
    }
    MarkDirty();
    return h;
}

HWND CreateWindow(LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    return CreateWindowEx(0, class_name, window_name, style, x, y, width, height, parent, menu,
                          instance, param);
}

BOOL DestroyWindow(HWND window) {
    Window *w = W(window);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;
    std::vector<HWND> owned;
    for (HWND t : top_levels)
        if (W(t) && W(t)->owner == window) owned.push_back(t);
    for (HWND o : owned)
        DestroyWindow(o);
    if (!(w = W(window))) return TRUE;
    bool was_visible = (w->style & WS_VISIBLE) != 0;
    w->style &= ~WS_VISIBLE;
    if (was_visible) MarkDirty();
    FocusLostFor(window);
    DestroyTreeMessages(window);
    FreeTree(window);
    return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
    Window *w = W(window);
    if (!w) return FALSE;
    if (w->creating) {
        BOOL was = w->pending_show;
        w->pending_show = command != SW_HIDE;
        if (command == SW_SHOWMAXIMIZED) w->maximized = true;
        return was;
    }
    BOOL was = (w->style & WS_VISIBLE) != 0;
    bool activate = !(w->style & WS_CHILD);
    switch (command) {
    case SW_HIDE:
        if (!was) return FALSE;
        Send(window, WM_SHOWWINDOW, FALSE, 0);
        if (!(w = W(window))) return TRUE;
        w->style &= ~WS_VISIBLE;
        FocusLostFor(window);
        if (!(w->style & WS_CHILD) && active_window_ == window) {
            active_window_ = nullptr;
            for (auto it = top_levels.rbegin(); it != top_levels.rend(); ++it)
                if (*it != window && W(*it) && (W(*it)->style & WS_VISIBLE)) {
                    ActivateTopLevel(*it, WA_ACTIVE);
                    break;
                }
        }
        MarkDirty();
        return TRUE;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        SetMinimized(window);
        activate = false;
        break;
    case SW_SHOWMAXIMIZED:
        SetMaximized(window);
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
        SetRestored(window);
        break;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
        activate = false;
        break;
    default:
        break;
    }
    if (!(w = W(window))) return was;
    if (!(w->style & WS_VISIBLE)) {
        Send(window, WM_SHOWWINDOW, TRUE, 0);
        if (!(w = W(window))) return was;
        w->style |= WS_VISIBLE;
        InvalidateTree(window);
        MarkDirty();
    }
    if (activate && active_window_ != window) ActivateTopLevel(window, WA_ACTIVE);
    return was;
}

BOOL UpdateWindow(HWND window) {
    Window *w = W(window);
    if (!w) return FALSE;
    if (w->dirty_rect && VisibleChain(w)) {
        Send(window, WM_PAINT, 0, 0);
        if ((w = W(window)) && !w->painted) ValidateRect(window, nullptr);
        if ((w = W(window))) w->painted = false;
    }
    PresentIfDue(false);
    return TRUE;
}

BOOL IsWindow(HWND window) {
    return W(window) && !W(window)->destroying;
}
BOOL IsWindowVisible(HWND window) {
    return W(window) && VisibleChain(W(window));
}
BOOL IsWindowEnabled(HWND window) {
    return W(window) && !(W(window)->style & WS_DISABLED);
}
BOOL IsIconic(HWND window) {
    return W(window) && W(window)->minimized;
}
BOOL IsZoomed(HWND window) {
    return W(window) && W(window)->maximized;
}

BOOL IsChild(HWND parent, HWND window) {
    Window *w = W(window);
    while (w && (w->style & WS_CHILD)) {
        if (w->parent == parent) return TRUE;
        w = W(w->parent);
    }
    return FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    Window *w = W(window);
    if (!w) return FALSE;
    BOOL was_disabled = (w->style & WS_DISABLED) != 0;
    if (!!enable == !was_disabled) return was_disabled;
    if (enable)
        w->style &= ~WS_DISABLED;
    else
        w->style |= WS_DISABLED;
    if (!enable && focus_window && (focus_window == window || IsChild(window, focus_window)))
        SetFocus(nullptr);
    if (!enable && capture_window == window) ReleaseCapture();
    Send(window, WM_ENABLE, enable, 0);
    if ((w = W(window))) InvalidateAll(w, true);
    MarkDirty();
    return was_disabled;
}

BOOL CloseWindow(HWND window) {
    return W(window) ? (ShowWindow(window, SW_MINIMIZE), TRUE) : FALSE;
}
BOOL OpenIcon(HWND window) {
    return W(window) ? (ShowWindow(window, SW_RESTORE), TRUE) : FALSE;
}

BOOL SetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
    Window *w = W(window);
    if (!w) return FALSE;
    if (!(flags & SWP_NOZORDER)) {
        std::vector<HWND> &sib = Siblings(w);
        sib.erase(std::remove(sib.begin(), sib.end(), window), sib.end());
        if (after == HWND_BOTTOM) {
            sib.insert(sib.begin(), window);
        } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
            w->topmost = after == HWND_TOPMOST;
            sib.push_back(window);
        } else {
            auto it = std::find(sib.begin(), sib.end(), after);
            if (it == sib.end())
                sib.push_back(window);
            else
                sib.insert(it, window);
        }
        // Top-level windows marked topmost, then owned windows, stay above the rest.
        if (&sib == &top_levels)
            std::stable_sort(sib.begin(), sib.end(), [](HWND a, HWND b) {
                Window *wa = W(a), *wb = W(b);
                return (wa && wa->topmost ? 1 : 0) < (wb && wb->topmost ? 1 : 0);
            });
        MarkDirty();
    }
    RECT nr = w->minimized ? w->normal : w->rect;
    if (!(flags & SWP_NOMOVE)) {
        int ww = nr.right - nr.left, hh = nr.bottom - nr.top;
        nr = RECT{x, y, x + ww, y + hh};
    }
    if (!(flags & SWP_NOSIZE)) {
        if (cx < 0) cx = 0;
        if (cy < 0) cy = 0;
        nr.right = nr.left + cx;
        nr.bottom = nr.top + cy;
    }
    if (w->minimized) {
        w->normal = nr;
    } else if (!EqualRect(&nr, &w->rect)) {
        int ow = w->rect.right - w->rect.left, oh = w->rect.bottom - w->rect.top;
        int nw = nr.right - nr.left, nh = nr.bottom - nr.top;
        bool moved = nr.left != w->rect.left || nr.top != w->rect.top;
        bool sized = nw != ow || nh != oh;
        RECT oc = ClientRectIn(w);
        w->rect = nr;
        if (sized) {
            ResizeSurface(w);
            UINT cs = w->cls ? w->cls->style : 0;
            RECT c = ClientRectIn(w);
            int ocw = oc.right - oc.left, och = oc.bottom - oc.top;
            int ncw = c.right - c.left, nch = c.bottom - c.top;
            if (((cs & CS_HREDRAW) && ncw != ocw) || ((cs & CS_VREDRAW) && nch != och)) {
                InvalidateAll(w, true);
            } else {
                if (ncw > ocw) {
                    RECT r{ocw, 0, ncw, nch};
                    InvalidateRect(window, &r, TRUE);
                }
                if (nch > och) {
                    RECT r{0, och, ncw, nch};
                    InvalidateRect(window, &r, TRUE);
                }
            }
        }
        MarkDirty();
        SendSizeMove(window, sized, moved);
        if (sized && W(window)) LayoutMinimized(window);
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) ShowWindow(window, SW_HIDE);
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL BringWindowToTop(HWND window) {
    return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetClientRect(HWND window, LPRECT rect) {
    Window *w = W(window);
    if (!w || !rect) return FALSE;
    RECT c = ClientRectIn(w);
    *rect = RECT{0, 0, c.right - c.left, c.bottom - c.top};
    return TRUE;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
    Window *w = W(window);
    if (!w || !rect) return FALSE;
    POINT o = ScreenOrigin(w);
    *rect = RECT{o.x, o.y, o.x + w->rect.right - w->rect.left, o.y + w->rect.bottom - w->rect.top};
    return TRUE;
}

BOOL ScreenToClient(HWND window, LPPOINT point) {
    Window *w = W(window);
    if (!w || !point) return FALSE;
    POINT o = ClientOrigin(w);
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

BOOL ClientToScreen(HWND window, LPPOINT point) {
    Window *w = W(window);
    if (!w || !point) return FALSE;
    POINT o = ClientOrigin(w);
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    POINT a{0, 0}, b{0, 0};
    if (from) {
        if (!W(from)) return 0;
        a = ClientOrigin(W(from));
    }
    if (to) {
        if (!W(to)) return 0;
        b = ClientOrigin(W(to));
    }
    int dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; points && i < count; i++) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return MAKELONG(dx, dy);
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD ex_style) {
    if (!rect) return FALSE;
    Window tmp;
    tmp.style = style;
    tmp.ex_style = ex_style;
    tmp.menu = menu ? (HMENU)1 : nullptr;
    NcInfo n = Nc(&tmp);
    rect->left -= n.frame;
    rect->right += n.frame;
    rect->top -= n.frame + n.caption + n.menu;
    rect->bottom += n.frame;
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
    return AdjustWindowRectEx(rect, style, menu, 0);
}

BOOL SetWindowText(HWND window, LPCSTR text) {
    if (!W(window)) return FALSE;
    return (BOOL)Send(window, WM_SETTEXT, 0, (LPARAM)(text ? text : ""));
}

int GetWindowText(HWND window, LPSTR text, int size) {
    if (!W(window) || !text || size <= 0) return 0;
    text[0] = 0;
    return (int)Send(window, WM_GETTEXT, (WPARAM)size, (LPARAM)text);
}

int GetWindowTextLength(HWND window) {
    if (!W(window)) return 0;
    return (int)Send(window, WM_GETTEXTLENGTH, 0, 0);
}

HWND GetParent(HWND window) {
    Window *w = W(window);
    if (!w) return nullptr;
    return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND SetParent(HWND window, HWND parent) {
    Window *w = W(window);
    if (!w || !(w->style & WS_CHILD) || !W(parent) || parent == window || IsChild(window, parent))
        return nullptr;
    HWND old = w->parent;
    std::vector<HWND> &sib = Siblings(w);
    sib.erase(std::remove(sib.begin(), sib.end(), window), sib.end());
    w->parent = parent;
    W(parent)->children.push_back(window);
    MarkDirty();
    return old;
}

HWND GetWindow(HWND window, UINT relation) {
    Window *w = W(window);
    if (!w) return nullptr;
    if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.back();
    if (relation == GW_OWNER) return w->owner;
    std::vector<HWND> &sib = Siblings(w);
    auto it = std::find(sib.begin(), sib.end(), window);
    if (it == sib.end()) return nullptr;
    switch (relation) {
    case GW_HWNDFIRST:
        return sib.back();
    case GW_HWNDLAST:
        return sib.front();
    case GW_HWNDNEXT:
        return it == sib.begin() ? nullptr : *(it - 1);
    case GW_HWNDPREV:
        return it + 1 == sib.end() ? nullptr : *(it + 1);
    }
    return nullptr;
}

HWND GetTopWindow(HWND window) {
    if (!window) return top_levels.empty() ? nullptr : top_levels.back();
    return GetWindow(window, GW_CHILD);
}

HWND GetDesktopWindow(void) {
    return nullptr;
}

HWND WindowFromPoint(POINT point) {
    return HitWindow(point, nullptr);
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
    Window *p = W(parent);
    if (!p) return nullptr;
    RECT c;
    GetClientRect(parent, &c);
    if (!PtInRect(&c, point)) return nullptr;
    for (auto it = p->children.rbegin(); it != p->children.rend(); ++it) {
        Window *k = W(*it);
        if (k && PtInRect(&k->rect, point)) return *it;
    }
    return parent;
}

HWND FindWindow(LPCSTR class_name, LPCSTR window_name) {
    for (auto it = top_levels.rbegin(); it != top_levels.rend(); ++it) {
        Window *w = W(*it);
        if (!w) continue;
        if (class_name && (!w->cls || ClassByName(class_name) != w->cls.get())) continue;
        if (window_name && w->text != window_name) continue;
        return *it;
    }
    return nullptr;
}

static bool EnumTree(HWND h, WNDENUMPROC proc, LPARAM param) {
    Window *w = W(h);
    if (!w) return true;
    std::vector<HWND> kids(w->children.rbegin(), w->children.rend());
    for (HWND k : kids) {
        if (!W(k)) continue;
        if (!proc(k, param)) return false;
        if (!EnumTree(k, proc, param)) return false;
    }
    return true;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param) {
    if (!proc || !W(parent)) return FALSE;
    EnumTree(parent, proc, param);
    return TRUE;
}

LONG_PTR GetWindowLongPtr(HWND window, int index) {
    Window *w = W(window);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return (LONG_PTR)w->proc;
    case GWLP_HINSTANCE:
        return (LONG_PTR)PlatformInstance();
    case GWLP_HWNDPARENT:
        return (LONG_PTR)((w->style & WS_CHILD) ? w->parent : w->owner);
    case GWLP_ID:
        return w->id;
    case GWL_STYLE:
        return (LONG_PTR)(LONG)w->style;
    case GWL_EXSTYLE:
        return (LONG_PTR)(LONG)w->ex_style;
    case GWLP_USERDATA:
        return w->user;
    }
    if (index < 0 || (size_t)index + sizeof(LONG_PTR) > w->extra.size()) return 0;
    LONG_PTR v;
    memcpy(&v, &w->extra[index], sizeof v);
    return v;
}

LONG_PTR SetWindowLongPtr(HWND window, int index, LONG_PTR value) {
    Window *w = W(window);
    if (!w) return 0;
    LONG_PTR old = GetWindowLongPtr(window, index);
    switch (index) {
    case GWLP_WNDPROC:
        if (value) w->proc = (WNDPROC)value;
        return old;
    case GWLP_ID:
        w->id = value;
        return old;
    case GWL_STYLE:
        w->style = (DWORD)value;
        MarkDirty();
        return old;
    case GWL_EXSTYLE:
        w->ex_style = (DWORD)value;
        MarkDirty();
        return old;
    case GWLP_USERDATA:
        w->user = value;
        return old;
    case GWLP_HWNDPARENT:
        if (!(w->style & WS_CHILD)) w->owner = (HWND)value;
        return old;
    case GWLP_HINSTANCE:
        return old;
    }
    if (index < 0 || (size_t)index + sizeof(LONG_PTR) > w->extra.size()) return 0;
    memcpy(&w->extra[index], &value, sizeof value);
    return old;
}

LONG GetWindowLong(HWND window, int index) {
    Window *w = W(window);
    if (!w) return 0;
    if (index < 0) return (LONG)GetWindowLongPtr(window, index);
    if ((size_t)index + 4 > w->extra.size()) return 0;
    LONG v;
    memcpy(&v, &w->extra[index], 4);
    return v;
}

LONG SetWindowLong(HWND window, int index, LONG value) {
    Window *w = W(window);
    if (!w) return 0;
    if (index < 0) return (LONG)SetWindowLongPtr(window, index, value);
    if ((size_t)index + 4 > w->extra.size()) return 0;
    LONG old;
    memcpy(&old, &w->extra[index], 4);
    memcpy(&w->extra[index], &value, 4);
    return old;
}

WORD GetWindowWord(HWND window, int index) {
    Window *w = W(window);
    if (!w || index < 0 || (size_t)index + 2 > w->extra.size()) return 0;
    WORD v;
    memcpy(&v, &w->extra[index], 2);
    return v;
}

WORD SetWindowWord(HWND window, int index, WORD value) {
    Window *w = W(window);
    if (!w || index < 0 || (size_t)index + 2 > w->extra.size()) return 0;
    WORD old;
    memcpy(&old, &w->extra[index], 2);
    memcpy(&w->extra[index], &value, 2);
    return old;
}

ULONG_PTR GetClassLongPtr(HWND window, int index) {
    Window *w = W(window);
    if (!w || !w->cls) return 0;
    WndClass *c = w->cls.get();
    switch (index) {
    case GCLP_HBRBACKGROUND:
        return (ULONG_PTR)c->background;
    case GCLP_HCURSOR:
        return (ULONG_PTR)c->cursor;
    case GCLP_HICON:
        return (ULONG_PTR)c->icon;
    case GCLP_WNDPROC:
        return (ULONG_PTR)c->proc;
    case GCL_STYLE:
        return c->style;
    }
    if (index < 0 || (size_t)index + sizeof(ULONG_PTR) > c->extra.size()) return 0;
    ULONG_PTR v;
    memcpy(&v, &c->extra[index], sizeof v);
    return v;
}

ULONG_PTR SetClassLongPtr(HWND window, int index, LONG_PTR value) {
    Window *w = W(window);
    if (!w || !w->cls) return 0;
    WndClass *c = w->cls.get();
    ULONG_PTR old = GetClassLongPtr(window, index);
    switch (index) {
    case GCLP_HBRBACKGROUND:
        c->background = (HBRUSH)value;
        return old;
    case GCLP_HCURSOR:
        c->cursor = (HCURSOR)value;
        return old;
    case GCLP_HICON:
        c->icon = (HICON)value;
        return old;
    case GCLP_WNDPROC:
        c->proc = (WNDPROC)value;
        return old;
    case GCL_STYLE:
        c->style = (UINT)value;
        return old;
    }
    if (index < 0 || (size_t)index + sizeof(ULONG_PTR) > c->extra.size()) return 0;
    memcpy(&c->extra[index], &value, sizeof value);
    return old;
}

int GetSystemMetrics(int index) {
    EnsureInit();
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXMAXIMIZED:
        return screen_w;
    case SM_CYSCREEN:
    case SM_CYMAXIMIZED:
        return screen_h;
    case SM_CYFULLSCREEN:
        return screen_h - CAPTION_H;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
    case SM_CXSIZE:
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CYCAPTION:
    case SM_CYSMCAPTION:
        return CAPTION_H;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CYMENU:
        return MENU_H;
    case SM_CXMIN:
        return 112;
    case SM_CYMIN:
        return 27;
    case SM_CYSIZE:
    case SM_CXSMSIZE:
    case SM_CYSMSIZE:
        return CAPTION_H - 4;
    case SM_CXMINIMIZED:
        return MIN_W;
    case SM_CYMINIMIZED:
        return CAPTION_H + 2;
    }
    return 0;
}

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (!rect) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}
BOOL SetRectEmpty(LPRECT rect) {
    return SetRect(rect, 0, 0, 0, 0);
}
BOOL CopyRect(LPRECT dst, const RECT *src) {
    if (!dst || !src) return FALSE;
    *dst = *src;
    return TRUE;
}
BOOL OffsetRect(LPRECT rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}
BOOL InflateRect(LPRECT rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}
BOOL IsRectEmpty(const RECT *r) {
    return !r || r->right <= r->left || r->bottom <= r->top;
}
BOOL IntersectRect(LPRECT dst, const RECT *a, const RECT *b) {
    if (!dst || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        SetRectEmpty(dst);
        return FALSE;
    }
    *dst = r;
    return TRUE;
}
BOOL UnionRect(LPRECT dst, const RECT *a, const RECT *b) {
    if (!dst || !a || !b) return FALSE;
    if (IsRectEmpty(a)) {
        *dst = *b;
    } else if (IsRectEmpty(b)) {
        *dst = *a;
    } else {
        *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top),
                    std::max(a->right, b->right), std::max(a->bottom, b->bottom)};
    }
    return !IsRectEmpty(dst);
}
BOOL PtInRect(const RECT *r, POINT p) {
    return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
BOOL EqualRect(const RECT *a, const RECT *b) {
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right &&
           a->bottom == b->bottom;
}
