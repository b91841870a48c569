// plat_queue.cpp -- the message queue, input routing, focus, activation and DefWindowProc
#include "platform/platform_local.h"

#include <algorithm>

namespace plat {

static std::deque<MSG> posted;    // PostMessage, TranslateMessage's WM_CHAR
static std::deque<MSG> converted; // input turned into messages but not yet removed (PM_NOREMOVE)
static std::deque<RawInput> input;
static std::vector<HWND> paint_queue;
static bool quit_pending = false;
static int quit_code = 0;
static uint64_t last_poll = 0;
static DWORD last_msg_time = 0;
static POINT cursor_pos{0, 0};
// The text of the last key-down that became a message, until TranslateMessage gives it out as
// WM_CHAR. A key-down that is never translated (a menu took it, a dialog acted on it) types
// nothing, so its character cannot land in a dialog the key opened.
static MSG typed_key{};
static std::string typed_text;
static int cursor_hide = 0;
static HCURSOR current_cursor = nullptr;

struct Timer {
    HWND h;
    UINT_PTR id;
    UINT ms;
    TIMERPROC proc;
    uint64_t due;
};
static std::vector<Timer> timers;
static UINT_PTR next_timer_id = 1;

BYTE key_state[256];
HWND focus_window = nullptr, active_window_ = nullptr, capture_window = nullptr;

// Drags of captions, borders and caption buttons run without a nested loop: the input router
// feeds them until the button comes up, so the game's own loop keeps running meanwhile.
struct Track {
    HWND h = nullptr;
    int mode = 0; // 1 move, 2 size, 3 caption button, 4 click on a minimised bar
    int ht = 0;
    POINT start{0, 0};
    RECT rect{0, 0, 0, 0};
    bool inside = true;
};
static Track track;

// Double clicks.
static uint64_t last_click_ms = 0;
static POINT last_click_pt{0, 0};
static HWND last_click_hwnd = nullptr;
static int last_click_button = -1;

void KeyStateReset() {
    memset(key_state, 0, sizeof key_state);
}

void PushInput(const RawInput &in) {
    input.push_back(in);
}

void PushTextInput(const std::string &latin1, bool after_key_down) {
    if (latin1.empty()) return;
    if (after_key_down && !input.empty() && input.back().kind == RawInput::Key &&
        input.back().down) {
        input.back().text += latin1;
        return;
    }
    for (unsigned char c : latin1) {
        RawInput ch{};
        ch.kind = RawInput::Char;
        ch.ch = c;
        PushInput(ch);
    }
}

void QueueResetAll() {
    posted.clear();
    converted.clear();
    input.clear();
    paint_queue.clear();
    timers.clear();
    quit_pending = false;
    quit_code = 0;
    typed_key = MSG{};
    typed_text.clear();
    cursor_hide = 0;
    current_cursor = nullptr;
}

void RemoveMessagesFor(HWND h) {
    auto drop = [h](const MSG &m) { return m.hwnd == h; };
    posted.erase(std::remove_if(posted.begin(), posted.end(), drop), posted.end());
    converted.erase(std::remove_if(converted.begin(), converted.end(), drop), converted.end());
}

void PaintQueueAdd(HWND h) {
    if (std::find(paint_queue.begin(), paint_queue.end(), h) == paint_queue.end())
        paint_queue.push_back(h);
}

void PaintQueueRemove(HWND h) {
    paint_queue.erase(std::remove(paint_queue.begin(), paint_queue.end(), h), paint_queue.end());
}

void PollNow() {
    uint64_t now = NowMs();
    if (now == last_poll) return;
    last_poll = now;
    if (backend) backend->poll();
    SocketPoll((DWORD)now);
    PresentIfDue(false);
}

LRESULT Send(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    Window *w = W(h);
    if (!w || !w->proc) return 0;
    return w->proc(h, m, wp, lp);
}

void TrackReset() {
    track = Track{};
}

bool TrackPressed(HWND h, int ht) {
    return track.h == h && track.mode == 3 && track.ht == ht && track.inside;
}

void CancelTrackingFor(HWND h) {
    if (track.h == h) track = Track{};
    if (capture_window == h) capture_window = nullptr;
    if (last_click_hwnd == h) last_click_hwnd = nullptr;
}

HWND HitWindow(POINT p, bool *client);

static HWND HitChild(HWND h, POINT p) {
    Window *w = W(h);
    if (!w) return nullptr;
    POINT o = ScreenOrigin(w);
    RECT outer{o.x, o.y, o.x + w->rect.right - w->rect.left, o.y + w->rect.bottom - w->rect.top};
    if (!PtInRect(&outer, p)) return nullptr;
    RECT c = ClientRectIn(w);
    OffsetRect(&c, o.x, o.y);
    if (PtInRect(&c, p)) {
        for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
            Window *k = W(*it);
            if (!k || !(k->style & WS_VISIBLE)) continue;
            if (HWND hit = HitChild(*it, p)) return hit;
        }
    }
    return h;
}

HWND HitWindow(POINT p, bool *client) {
    for (auto it = TopLevels().rbegin(); it != TopLevels().rend(); ++it) {
        Window *w = W(*it);
        if (!w || !(w->style & WS_VISIBLE)) continue;
        if (HWND hit = HitChild(*it, p)) {
            if (client) {
                Window *hw = W(hit);
                RECT c = ClientRectIn(hw);
                POINT o = ScreenOrigin(hw);
                OffsetRect(&c, o.x, o.y);
                *client = PtInRect(&c, p);
            }
            return hit;
        }
    }
    return nullptr;
}

static WPARAM MouseKeys() {
    WPARAM k = 0;
    if (key_state[VK_LBUTTON] & 0x80) k |= MK_LBUTTON;
    if (key_state[VK_RBUTTON] & 0x80) k |= MK_RBUTTON;
    if (key_state[VK_SHIFT] & 0x80) k |= MK_SHIFT;
    if (key_state[VK_CONTROL] & 0x80) k |= MK_CONTROL;
    return k;
}

static MSG Make(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    MSG msg{};
    msg.hwnd = h;
    msg.message = m;
    msg.wParam = wp;
    msg.lParam = lp;
    msg.time = GetTickCount();
    msg.pt = cursor_pos;
    return msg;
}

static void TrackMove(POINT p) {
    Window *w = W(track.h);
    if (!w) {
        track = Track{};
        return;
    }
    int dx = p.x - track.start.x, dy = p.y - track.start.y;
    if (track.mode == 3) {
        bool inside = track.inside;
        RECT cl, mx, mn;
        CaptionButtons(w, &cl, &mx, &mn);
        RECT b = track.ht == HTCLOSE ? cl : (track.ht == HTMAXBUTTON ? mx : mn);
        POINT o = ScreenOrigin(w);
        OffsetRect(&b, o.x, o.y);
        track.inside = PtInRect(&b, p);
        if (inside != track.inside) MarkDirty();
        return;
    }
    if (track.mode == 4) return;
    RECT r = track.rect;
    RECT pc{0, 0, screen_w, screen_h};
    if ((w->style & WS_CHILD) && W(w->parent)) GetClientRect(w->parent, &pc);
    if (track.mode == 1) {
        int ww = r.right - r.left;
        int x = r.left + dx, y = r.top + dy;
        x = std::max(x, (int)pc.left - ww + 48);
        x = std::min(x, (int)pc.right - 48);
        y = std::max(y, (int)pc.top - 2);
        y = std::min(y, (int)pc.bottom - 12);
        SetWindowPos(track.h, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    NcInfo n = Nc(w);
    int min_w = std::max(112, 3 * n.caption + 2 * n.frame);
    int min_h = 2 * n.frame + n.caption + n.menu + 4;
    int ht = track.ht;
    if (ht == HTLEFT || ht == HTTOPLEFT || ht == HTBOTTOMLEFT)
        r.left = std::min(r.left + dx, r.right - min_w);
    if (ht == HTRIGHT || ht == HTTOPRIGHT || ht == HTBOTTOMRIGHT)
        r.right = std::max(r.right + dx, r.left + min_w);
    if (ht == HTTOP || ht == HTTOPLEFT || ht == HTTOPRIGHT)
        r.top = std::min(r.top + dy, r.bottom - min_h);
    if (ht == HTBOTTOM || ht == HTBOTTOMLEFT || ht == HTBOTTOMRIGHT)
        r.bottom = std::max(r.bottom + dy, r.top + min_h);
    SetWindowPos(track.h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

static void TrackEnd(POINT p, bool cancel) {
    Track t = track;
    track = Track{};
    MarkDirty();
    Window *w = W(t.h);
    if (!w) return;
    if (t.mode == 1 || t.mode == 2) {
        if (cancel)
            SetWindowPos(t.h, nullptr, t.rect.left, t.rect.top, t.rect.right - t.rect.left,
                         t.rect.bottom - t.rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
        Send(t.h, WM_EXITSIZEMOVE, 0, 0);
    } else if (t.mode == 3 && !cancel) {
        track = t;
        TrackMove(p);
        bool inside = track.inside;
        track = Track{};
        if (inside) {
            WPARAM sc = t.ht == HTCLOSE
                            ? SC_CLOSE
                            : (t.ht == HTMINBUTTON
                                   ? SC_MINIMIZE
                                   : ((w->minimized || w->maximized) ? SC_RESTORE : SC_MAXIMIZE));
            Send(t.h, WM_SYSCOMMAND, sc, MAKELPARAM(p.x, p.y));
        }
    } else if (t.mode == 4 && !cancel) {
        Send(t.h, WM_SYSCOMMAND, SC_RESTORE, MAKELPARAM(p.x, p.y));
    }
}

static void TrackStart(HWND h, int ht, POINT p) {
    Window *w = W(h);
    if (!w) return;
    track = Track{};
    track.h = h;
    track.ht = ht;
    track.start = p;
    track.rect = w->rect;
    if (w->minimized) {
        track.mode = ht == HTCLOSE ? 3 : 4;
        if (ht == HTMAXBUTTON) track.mode = 3;
    } else if (ht == HTCAPTION) {
        if (w->maximized) {
            track = Track{};
            return;
        }
        track.mode = 1;
    } else if (ht == HTCLOSE || ht == HTMINBUTTON || ht == HTMAXBUTTON) {
        track.mode = 3;
        track.inside = true;
    } else if (ht >= HTLEFT && ht <= HTBOTTOMRIGHT) {
        track.mode = 2;
    } else {
        track = Track{};
        return;
    }
    if (track.mode == 1 || track.mode == 2) Send(h, WM_ENTERSIZEMOVE, 0, 0);
    MarkDirty();
}

static void SetCursorKind(int kind) {
    if (backend && backend->set_cursor) backend->set_cursor(cursor_hide < 0 ? 0 : kind);
}

static int CursorKind(HCURSOR c) {
    if (!c) return 0;
    uintptr_t v = (uintptr_t)c;
    if (v >= 0x100 && v < 0x200) return (int)(v - 0x100);
    return 9; // resource cursors show as the hand
}

// Where the mouse at (x, y) screen is over *target: the captured window takes it all as client
// area; a child that answers HTTRANSPARENT passes it on to its parent, which becomes *target.
static LRESULT HitTest(HWND *target, int x, int y) {
    if (capture_window) return HTCLIENT;
    LRESULT ht = Send(*target, WM_NCHITTEST, 0, MAKELPARAM(x, y));
    while (ht == HTTRANSPARENT && W(*target) && (W(*target)->style & WS_CHILD) &&
           W(W(*target)->parent)) {
        *target = W(*target)->parent;
        ht = Send(*target, WM_NCHITTEST, 0, MAKELPARAM(x, y));
    }
    return ht;
}

static bool TopLevelBlocked(HWND target) {
    HWND top = TopLevelOf(target);
    Window *t = W(top);
    if (!t || !(t->style & WS_DISABLED)) return false;
    // A modal dialog owns the input: bring it forward instead.
    for (auto it = TopLevels().rbegin(); it != TopLevels().rend(); ++it) {
        Window *o = W(*it);
        if (o && o->owner == top && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED)) {
            ActivateTopLevel(*it, WA_CLICKACTIVE);
            break;
        }
    }
    return true;
}

bool RouteInput(const RawInput &in, MSG *out) {
    switch (in.kind) {
    case RawInput::Move: {
        cursor_pos = POINT{in.x, in.y};
        if (MenuRouteInput(in)) return false;
        if (track.h) {
            TrackMove(cursor_pos);
            return false;
        }
        bool client = true;
        HWND target = capture_window;
        if (!W(target)) target = HitWindow(cursor_pos, &client);
        if (!target) {
            SetCursorKind(1);
            return false;
        }
        LRESULT ht = HitTest(&target, in.x, in.y);
        if (!W(target)) return false;
        if (!capture_window)
            Send(target, WM_SETCURSOR, (WPARAM)target, MAKELPARAM(ht, WM_MOUSEMOVE));
        if (!W(target)) return false;
        if (ht == HTCLIENT) {
            POINT c = cursor_pos;
            ScreenToClient(target, &c);
            *out = Make(target, WM_MOUSEMOVE, MouseKeys(), MAKELPARAM(c.x, c.y));
        } else {
            *out = Make(target, WM_NCMOUSEMOVE, (WPARAM)ht, MAKELPARAM(in.x, in.y));
        }
        return true;
    }
    case RawInput::Button: {
        cursor_pos = POINT{in.x, in.y};
        int vk = in.button == 0 ? VK_LBUTTON : VK_RBUTTON;
        if (in.down)
            key_state[vk] = (BYTE)((key_state[vk] ^ 1) | 0x80);
        else
            key_state[vk] &= 0x7F;
        if (MenuRouteInput(in)) return false;
        if (track.h) {
            if (!in.down && in.button == 0) {
                HWND h = track.h;
                TrackEnd(cursor_pos, false);
                if (W(h)) {
                    *out = Make(h, WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(in.x, in.y));
                    return true;
                }
            }
            return false;
        }
        bool client = true;
        HWND target = capture_window;
        if (!W(target)) {
            target = HitWindow(cursor_pos, &client);
            while (target && (W(target)->style & WS_DISABLED) && (W(target)->style & WS_CHILD) &&
                   W(W(target)->parent))
                target = W(target)->parent;
        }
        if (!target) return false;
        if (in.down && TopLevelBlocked(target)) return false;
        if (!capture_window && (W(target)->style & WS_DISABLED)) return false;
        LRESULT ht = HitTest(&target, in.x, in.y);
        if (!W(target)) return false;
        UINT down_msg = in.button == 0 ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
        if (in.down) {
            HWND top = TopLevelOf(target);
            bool child = (W(target)->style & WS_CHILD) != 0;
            if (child || top != active_window_) {
                LRESULT r = Send(target, WM_MOUSEACTIVATE, (WPARAM)top, MAKELPARAM(ht, down_msg));
                if ((r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT || r == 0) && W(top) &&
                    top != active_window_)
                    ActivateTopLevel(top, WA_CLICKACTIVE);
                if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) return false;
                if (!W(target)) return false;
            }
        }
        if (ht == HTCLIENT) {
            POINT c = cursor_pos;
            ScreenToClient(target, &c);
            UINT m = in.down ? down_msg : (in.button == 0 ? WM_LBUTTONUP : WM_RBUTTONUP);
            if (in.down) {
                uint64_t now = NowMs();
                Window *tw = W(target);
                if (tw->cls && (tw->cls->style & CS_DBLCLKS) && last_click_hwnd == target &&
                    last_click_button == in.button && now - last_click_ms < 500 &&
                    abs(last_click_pt.x - in.x) < 4 && abs(last_click_pt.y - in.y) < 4) {
                    m = in.button == 0 ? WM_LBUTTONDBLCLK : WM_RBUTTONDBLCLK;
                    last_click_hwnd = nullptr;
                } else {
                    last_click_hwnd = target;
                    last_click_ms = now;
                    last_click_pt = cursor_pos;
                    last_click_button = in.button;
                }
            }
            *out = Make(target, m, MouseKeys(), MAKELPARAM(c.x, c.y));
        } else {
            UINT m = in.button == 0 ? (in.down ? WM_NCLBUTTONDOWN : WM_NCLBUTTONUP)
                                    : (in.down ? WM_NCRBUTTONDOWN : WM_NCRBUTTONUP);
            *out = Make(target, m, (WPARAM)ht, MAKELPARAM(in.x, in.y));
        }
        return true;
    }
    case RawInput::Wheel: {
        HWND target = focus_window ? focus_window : active_window_;
        if (!W(target)) return false;
        *out = Make(target, WM_MOUSEWHEEL, MAKEWPARAM(MouseKeys(), (WORD)(short)(in.down * 120)),
                    MAKELPARAM(in.x, in.y));
        return true;
    }
    case RawInput::Key: {
        int vk = in.vk & 0xFF;
        // Messages carry the generic shift, control and alt keys, as in Win32.
        if (vk == VK_LSHIFT || vk == VK_RSHIFT) vk = VK_SHIFT;
        if (vk == VK_LCONTROL || vk == VK_RCONTROL) vk = VK_CONTROL;
        if (vk == VK_LMENU || vk == VK_RMENU) vk = VK_MENU;
        bool was_down = (key_state[vk] & 0x80) != 0;
        if (in.down)
            key_state[vk] = (BYTE)((was_down ? key_state[vk] : (key_state[vk] ^ 1)) | 0x80);
        else
            key_state[vk] &= 0x7F;
        if (in.down) typed_text.clear(); // a newer key-down: the last one's text is stale
        if (MenuRouteInput(in)) return false;
        if (track.h && in.down && vk == VK_ESCAPE) {
            TrackEnd(cursor_pos, true);
            return false;
        }
        bool alt = (key_state[VK_MENU] & 0x80) != 0;
        if (in.down && ((alt && vk != VK_MENU) || vk == VK_F10) && MenuAltKey(vk)) return false;
        HWND target = focus_window ? focus_window : active_window_;
        if (!W(target)) target = nullptr;
        UINT m = alt || vk == VK_F10 ? (in.down ? WM_SYSKEYDOWN : WM_SYSKEYUP)
                                     : (in.down ? WM_KEYDOWN : WM_KEYUP);
        LPARAM lp = 1 | ((LPARAM)(in.scan & 0xFF) << 16) | ((LPARAM)(was_down ? 1 : 0) << 30) |
                    ((LPARAM)(in.down ? 0 : 1) << 31);
        *out = Make(target, m, (WPARAM)vk, (LPARAM)(DWORD)lp);
        if (in.down && !in.text.empty()) {
            typed_key = *out;
            typed_text = in.text;
        }
        return true;
    }
    case RawInput::Char: {
        if (MenuRouteInput(in)) return false;
        HWND target = focus_window ? focus_window : active_window_;
        if (!W(target)) target = nullptr;
        *out = Make(target, WM_CHAR, (WPARAM)(in.ch & 0xFF), 1);
        return true;
    }
    }
    return false;
}

static bool Matches(const MSG &m, HWND h, UINT first, UINT last) {
    if (h && m.hwnd != h && !IsChild(h, m.hwnd)) return false;
    if (first == 0 && last == 0) return true;
    return m.message >= first && m.message <= last;
}

static bool NextMessage(MSG *msg, HWND h, UINT first, UINT last, UINT remove) {
    bool unfiltered = !h && first == 0 && last == 0;
    bool input_range = unfiltered || (first <= WM_KEYLAST && last >= WM_KEYFIRST) ||
                       (first <= WM_MOUSELAST && last >= WM_NCMOUSEMOVE);
    for (;;) {
        for (auto it = converted.begin(); it != converted.end(); ++it)
            if (Matches(*it, h, first, last)) {
                *msg = *it;
                if (remove & PM_REMOVE) converted.erase(it);
                return true;
            }
        for (auto it = posted.begin(); it != posted.end(); ++it)
            if (Matches(*it, h, first, last)) {
                *msg = *it;
                if (remove & PM_REMOVE) {
                    posted.erase(it);
                    SocketMessageRemoved(*msg);
                }
                return true;
            }
        if (!input_range || input.empty()) break;
        // Input becomes a message only now, so that it sees the state the messages before it
        // left behind; handling it may post messages of its own (a menu's WM_COMMAND).
        RawInput in = input.front();
        input.pop_front();
        MSG m;
        if (!RouteInput(in, &m)) continue;
        if (Matches(m, h, first, last)) {
            *msg = m;
            if (!(remove & PM_REMOVE)) converted.push_front(m);
            return true;
        }
        converted.push_back(m);
    }
    if (quit_pending && (unfiltered || (first <= WM_QUIT && last >= WM_QUIT))) {
        *msg = Make(nullptr, WM_QUIT, (WPARAM)quit_code, 0);
        if (remove & PM_REMOVE) quit_pending = false;
        return true;
    }
    if (!paint_queue.empty() && (unfiltered || (first <= WM_PAINT && last >= WM_PAINT))) {
        for (size_t i = 0; i < paint_queue.size(); i++) {
            HWND ph = paint_queue[i];
            Window *w = W(ph);
            if (!w || !w->dirty_rect) {
                paint_queue.erase(paint_queue.begin() + i);
                i--;
                continue;
            }
            if (!VisibleChain(w) || (h && ph != h && !IsChild(h, ph))) continue;
            *msg = Make(ph, WM_PAINT, 0, 0);
            return true;
        }
    }
    if (!timers.empty() && (unfiltered || (first <= WM_TIMER && last >= WM_TIMER))) {
        uint64_t now = NowMs();
        for (Timer &t : timers) {
            if (t.due > now) continue;
            if (h && t.h != h && !IsChild(h, t.h)) continue;
            *msg = Make(t.h, WM_TIMER, t.id, (LPARAM)t.proc);
            if (remove & PM_REMOVE) t.due = now + (t.ms ? t.ms : 1);
            return true;
        }
    }
    return false;
}

static int NextTimerWait() {
    if (timers.empty()) return 10;
    uint64_t now = NowMs(), next = UINT64_MAX;
    for (Timer &t : timers)
        next = std::min(next, t.due);
    if (next <= now) return 0;
    return (int)std::min<uint64_t>(next - now, 10);
}

static void WaitIdle() {
    int ms = NextTimerWait();
    if (ms > 0 && backend && backend->wait) backend->wait(ms);
    last_poll = 0;
    PollNow();
}

void WaitForInput(int ms) {
    int t = std::min(ms, NextTimerWait());
    if (t > 0 && backend && backend->wait) backend->wait(t);
    last_poll = 0;
    PollNow();
}

void FocusLostFor(HWND h) {
    if (!focus_window) return;
    if (focus_window != h && !IsChild(h, focus_window)) return;
    Window *w = W(h);
    HWND next = nullptr;
    if (w && (w->style & WS_CHILD) && W(w->parent) && !W(w->parent)->destroying) next = w->parent;
    SetFocus(next);
}

void ActivateTopLevel(HWND h, int how) {
    if (h && !W(h)) return;
    if (active_window_ == h) return;
    HWND old = active_window_;
    active_window_ = h;
    if (W(old)) {
        Send(old, WM_NCACTIVATE, FALSE, 0);
        if (W(old))
            Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, W(old)->minimized ? 1 : 0), (LPARAM)h);
    }
    if (!W(h) || active_window_ != h) return;
    std::vector<HWND> &tops = TopLevels();
    tops.erase(std::remove(tops.begin(), tops.end(), h), tops.end());
    tops.push_back(h);
    // Owned windows (dialogs) stay above their owner.
    std::vector<HWND> owned;
    for (HWND t : tops)
        if (W(t) && W(t)->owner == h) owned.push_back(t);
    for (HWND o : owned) {
        tops.erase(std::remove(tops.begin(), tops.end(), o), tops.end());
        tops.push_back(o);
    }
    std::stable_sort(tops.begin(), tops.end(), [](HWND a, HWND b) {
        Window *wa = W(a), *wb = W(b);
        return (wa && wa->topmost ? 1 : 0) < (wb && wb->topmost ? 1 : 0);
    });
    MarkDirty();
    Send(h, WM_NCACTIVATE, TRUE, 0);
    if (W(h)) Send(h, WM_ACTIVATE, MAKEWPARAM(how, W(h)->minimized ? 1 : 0), (LPARAM)old);
}

static void FillBackground(HWND h, HDC dc) {
    Window *w = W(h);
    if (!w || !w->cls || !w->cls->background) return;
    RECT r;
    GetClientRect(h, &r);
    uintptr_t v = (uintptr_t)w->cls->background;
    HBRUSH b = v <= 31 ? GetSysColorBrush((int)v - 1) : w->cls->background;
    FillRect(dc, &r, b);
}

static LRESULT HitTest(HWND h, POINT p) {
    Window *w = W(h);
    if (!w) return HTNOWHERE;
    POINT o = ScreenOrigin(w);
    int x = p.x - o.x, y = p.y - o.y;
    int ww = w->rect.right - w->rect.left, hh = w->rect.bottom - w->rect.top;
    if (x < 0 || y < 0 || x >= ww || y >= hh) return HTNOWHERE;
    NcInfo n = Nc(w);
    RECT cl, mx, mn;
    CaptionButtons(w, &cl, &mx, &mn);
    POINT lp{x, y};
    if (PtInRect(&cl, lp)) return HTCLOSE;
    if (PtInRect(&mx, lp)) return HTMAXBUTTON;
    if (PtInRect(&mn, lp)) return HTMINBUTTON;
    if (w->minimized) return HTCAPTION;
    if (n.thick && !w->maximized) {
        const int corner = 12;
        bool l = x < n.frame, r = x >= ww - n.frame, t = y < n.frame, b = y >= hh - n.frame;
        if (l || r || t || b) {
            bool lz = x < corner, rz = x >= ww - corner, tz = y < corner, bz = y >= hh - corner;
            if ((t && lz) || (l && tz)) return HTTOPLEFT;
            if ((t && rz) || (r && tz)) return HTTOPRIGHT;
            if ((b && lz) || (l && bz)) return HTBOTTOMLEFT;
            if ((b && rz) || (r && bz)) return HTBOTTOMRIGHT;
            if (l) return HTLEFT;
            if (r) return HTRIGHT;
            if (t) return HTTOP;
            return HTBOTTOM;
        }
    }
    RECT c = ClientRectIn(w);
    if (PtInRect(&c, lp)) return HTCLIENT;
    if (n.caption && y >= n.frame && y < n.frame + n.caption) return HTCAPTION;
    if (n.menu && y >= n.frame + n.caption && y < n.frame + n.caption + n.menu) return HTMENU;
    return HTBORDER;
}

} // namespace plat

using namespace plat;

BOOL PeekMessage(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
    if (!msg) return FALSE;
    EnsureInit();
    PollNow();
    if (converted.empty() && posted.empty() && input.empty() && !quit_pending &&
        paint_queue.empty() && timers.empty())
        return FALSE;
    if (!NextMessage(msg, window, first, last, remove)) return FALSE;
    last_msg_time = msg->time;
    return TRUE;
}

BOOL GetMessage(LPMSG msg, HWND window, UINT first, UINT last) {
    if (!msg) return FALSE;
    EnsureInit();
    for (;;) {
        if (PeekMessage(msg, window, first, last, PM_REMOVE)) return msg->message != WM_QUIT;
        WaitIdle();
    }
}

// Whether a GetMessage would return at once: a paint counts only for a window that shows and
// still needs it, a timer only when it is due.
static bool MessageReady() {
    if (!converted.empty() || !posted.empty() || !input.empty() || quit_pending) return true;
    for (HWND h : paint_queue) {
        Window *w = W(h);
        if (w && w->dirty_rect && VisibleChain(w)) return true;
    }
    uint64_t now = NowMs();
    for (const Timer &t : timers)
        if (t.due <= now) return true;
    return false;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL wait_all, DWORD ms,
                                DWORD wake_mask) {
    (void)handles;
    (void)wait_all;
    (void)wake_mask;
    if (count) return WAIT_FAILED; // there are no waitable objects here
    EnsureInit();
    uint64_t start = NowMs();
    for (;;) {
        last_poll = 0;
        PollNow();
        if (MessageReady()) return WAIT_OBJECT_0;
        uint64_t spent = NowMs() - start;
        if (ms != INFINITE && spent >= ms) return WAIT_TIMEOUT;
        // Sockets are looked at between waits, so no wait is longer than a timer's slice.
        int slice = NextTimerWait();
        if (ms != INFINITE) slice = (int)std::min<uint64_t>((uint64_t)slice, ms - spent);
        if (slice <= 0) slice = 1;
        if (backend && backend->wait) backend->wait(slice);
    }
}

BOOL WaitMessage(void) {
    EnsureInit();
    MSG m;
    while (!PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE))
        WaitIdle();
    return TRUE;
}

static bool SameKeyMessage(const MSG &a, const MSG &b) {
    return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam &&
           a.lParam == b.lParam && a.time == b.time;
}

BOOL TranslateMessage(const MSG *msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    if (!typed_text.empty() && SameKeyMessage(*msg, typed_key)) {
        // The characters go to the window the key went down in, ahead of anything queued. Text
        // typed with Alt held is AltGr's (the SDL backend reports AltGr as the right Alt key).
        std::string text;
        text.swap(typed_text);
        MSG c = *msg;
        c.message = WM_CHAR;
        for (auto it = text.rbegin(); it != text.rend(); ++it) {
            c.wParam = (WPARAM)(unsigned char)*it;
            converted.push_front(c);
        }
        return TRUE;
    }
    int ch = 0;
    switch (msg->wParam) {
    case VK_RETURN:
        ch = '\r';
        break;
    case VK_BACK:
        ch = 8;
        break;
    case VK_TAB:
        ch = 9;
        break;
    case VK_ESCAPE:
        ch = 27;
        break;
    default:
        if ((key_state[VK_CONTROL] & 0x80) && msg->wParam >= 'A' && msg->wParam <= 'Z')
            ch = (int)msg->wParam - 'A' + 1;
    }
    if (!ch || msg->message == WM_SYSKEYDOWN) return FALSE;
    MSG c = *msg;
    c.message = WM_CHAR;
    c.wParam = (WPARAM)ch;
    converted.push_front(c);
    return TRUE;
}

LRESULT DispatchMessage(const MSG *msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        ((TIMERPROC)msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    Window *w = W(msg->hwnd);
    if (!w || !w->proc) return 0;
    if (msg->message == WM_PAINT) {
        w->painted = false;
        LRESULT r = w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
        // A procedure that never calls BeginPaint would otherwise be asked again at once.
        if ((w = W(msg->hwnd)) && !w->painted && w->dirty_rect) ValidateRect(msg->hwnd, nullptr);
        if ((w = W(msg->hwnd))) w->painted = false;
        return r;
    }
    return w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return Send(window, message, wparam, lparam);
}

BOOL PostMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (window && !W(window)) return FALSE;
    posted.push_back(Make(window, message, wparam, lparam));
    return TRUE;
}

void PostQuitMessage(int exit_code) {
    quit_pending = true;
    quit_code = exit_code;
}

DWORD GetMessageTime(void) {
    return last_msg_time;
}
DWORD GetMessagePos(void) {
    return (DWORD)MAKELONG(cursor_pos.x, cursor_pos.y);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse_ms, TIMERPROC proc) {
    if (window && !W(window)) return 0;
    if (!window) id = next_timer_id++;
    for (Timer &t : timers)
        if (t.h == window && t.id == id) {
            t.ms = elapse_ms;
            t.proc = proc;
            t.due = NowMs() + elapse_ms;
            return window ? id : t.id;
        }
    timers.push_back(Timer{window, id, elapse_ms, proc, NowMs() + elapse_ms});
    return window ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    size_t n = timers.size();
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const Timer &t) {
                                    return t.h == window && (t.id == id || id == (UINT_PTR)-1);
                                }),
                 timers.end());
    return timers.size() != n;
}

HWND SetActiveWindow(HWND window) {
    HWND old = active_window_;
    HWND top = TopLevelOf(window);
    if (top) ActivateTopLevel(top, WA_ACTIVE);
    return old;
}
HWND GetActiveWindow(void) {
    return W(active_window_) ? active_window_ : nullptr;
}
BOOL SetForegroundWindow(HWND window) {
    return SetActiveWindow(window), W(window) != nullptr;
}
HWND GetForegroundWindow(void) {
    return GetActiveWindow();
}

HWND SetFocus(HWND window) {
    if (window && !W(window)) return nullptr;
    HWND old = W(focus_window) ? focus_window : nullptr;
    if (old == window) return old;
    if (window) {
        HWND top = TopLevelOf(window);
        if (top != active_window_) ActivateTopLevel(top, WA_ACTIVE);
        old = W(focus_window) ? focus_window : nullptr;
        if (old == window) return old;
    }
    focus_window = window;
    if (old) Send(old, WM_KILLFOCUS, (WPARAM)window, 0);
    if (window && focus_window == window && W(window)) Send(window, WM_SETFOCUS, (WPARAM)old, 0);
    MarkDirty();
    return old;
}

HWND GetFocus(void) {
    return W(focus_window) ? focus_window : nullptr;
}

HWND SetCapture(HWND window) {
    HWND old = capture_window;
    capture_window = W(window) ? window : nullptr;
    return W(old) ? old : nullptr;
}

BOOL ReleaseCapture(void) {
    HWND old = capture_window;
    capture_window = nullptr;
    if (W(old)) Send(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture(void) {
    return W(capture_window) ? capture_window : nullptr;
}

SHORT GetKeyState(int virtual_key) {
    BYTE s = key_state[virtual_key & 0xFF];
    return (SHORT)(((s & 0x80) ? 0x8000 : 0) | (s & 1));
}

SHORT GetAsyncKeyState(int virtual_key) {
    return (SHORT)((key_state[virtual_key & 0xFF] & 0x80) ? 0x8000 : 0);
}

// The system cursors by resource number, each with the cursor kind it shows
// as (its handle is 0x100 + kind, which CursorKind reads back).
static const struct {
    uintptr_t id;
    int kind;
} SYSTEM_CURSORS[] = {
    {32512, 1}, {32513, 2}, {32644, 3}, {32645, 4}, {32642, 5},
    {32643, 6}, {32514, 7}, {32515, 8}, {32649, 9}, {32646, 9},
};

HCURSOR LoadCursor(HINSTANCE, LPCSTR name) {
    if (IS_INTRESOURCE(name))
        for (const auto &c : SYSTEM_CURSORS)
            if (c.id == (uintptr_t)name) return (HCURSOR)(uintptr_t)(0x100 + c.kind);
    HICON icon = LoadIcon(nullptr, name);
    return icon ? icon : (HCURSOR)(uintptr_t)0x101;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR old = current_cursor;
    current_cursor = cursor;
    SetCursorKind(CursorKind(cursor));
    return old;
}

int ShowCursor(BOOL show) {
    cursor_hide += show ? 1 : -1;
    SetCursorKind(CursorKind(current_cursor));
    return cursor_hide;
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    *point = cursor_pos;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    RawInput in{};
    in.kind = RawInput::Move;
    in.x = x;
    in.y = y;
    PushInput(in);
    return TRUE;
}

BOOL MessageBeep(UINT) {
    return TRUE;
}

LRESULT CallWindowProc(WNDPROC proc, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!proc) return 0;
    return proc(window, message, wparam, lparam);
}

LRESULT DefWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Window *w = W(window);
    if (!w) return 0;
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_NCHITTEST:
        return HitTest(window, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
    case WM_NCLBUTTONDOWN: {
        POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        if (wparam == HTMENU) {
            MenuBarClick(window, p);
            return 0;
        }
        if ((w->style & WS_CHILD) && wparam == HTCAPTION)
            SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        TrackStart(window, (int)wparam, p);
        return 0;
    }
    case WM_SYSCOMMAND:
        switch (wparam & 0xFFF0) {
        case SC_CLOSE:
            Send(window, WM_CLOSE, 0, 0);
            return 0;
        case SC_MINIMIZE:
            ShowWindow(window, SW_MINIMIZE);
            return 0;
        case SC_MAXIMIZE:
            ShowWindow(window, SW_MAXIMIZE);
            return 0;
        case SC_RESTORE:
            ShowWindow(window, SW_RESTORE);
            return 0;
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_NCACTIVATE:
        if (w->nc_active != (wparam != 0)) {
            w->nc_active = wparam != 0;
            MarkDirty();
        }
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE && !w->minimized && focus_window != window &&
            !IsChild(window, focus_window))
            SetFocus(window);
        return 0;
    case WM_MOUSEACTIVATE:
        if ((w->style & WS_CHILD) && W(w->parent)) {
            LRESULT r = Send(w->parent, WM_MOUSEACTIVATE, wparam, lparam);
            if (r) return r;
        }
        return MA_ACTIVATE;
    case WM_SETCURSOR: {
        if ((w->style & WS_CHILD) && W(w->parent) && Send(w->parent, WM_SETCURSOR, wparam, lparam))
            return TRUE;
        if (!(w = W(window))) return FALSE;
        int ht = (short)LOWORD(lparam);
        int kind = 1;
        switch (ht) {
        case HTCLIENT:
            kind = CursorKind(w->cls ? w->cls->cursor : nullptr);
            break;
        case HTLEFT:
        case HTRIGHT:
            kind = 3;
            break;
        case HTTOP:
        case HTBOTTOM:
            kind = 4;
            break;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT:
            kind = 5;
            break;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
            kind = 6;
            break;
        }
        SetCursorKind(kind);
        return ht == HTCLIENT ? FALSE : TRUE;
    }
    case WM_ERASEBKGND:
        if (!w->cls || !w->cls->background) return 0;
        FillBackground(window, (HDC)wparam);
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_SETTEXT:
        w->text = lparam ? (const char *)lparam : "";
        MarkDirty();
        return TRUE;
    case WM_GETTEXT:
        CopyOut(w->text, (LPSTR)lparam, (int)wparam);
        return lparam && wparam ? (LRESULT)strlen((LPSTR)lparam) : 0;
    case WM_GETTEXTLENGTH:
        return (LRESULT)w->text.size();
    case WM_SETREDRAW:
        w->redraw = wparam != 0;
        return 0;
    case WM_SETFONT:
        w->font = (HFONT)wparam;
        if (lparam) InvalidateAll(w, true);
        return 0;
    case WM_GETFONT:
        return (LRESULT)w->font;
    case WM_CTLCOLOREDIT:
        SetTextColor((HDC)wparam, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor((HDC)wparam, GetSysColor(COLOR_WINDOW));
        return (LRESULT)GetSysColorBrush(COLOR_WINDOW);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
        SetTextColor((HDC)wparam, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor((HDC)wparam, GetSysColor(COLOR_BTNFACE));
        return (LRESULT)GetSysColorBrush(COLOR_BTNFACE);
    case WM_GETDLGCODE:
        return 0;
    }
    return 0;
}
