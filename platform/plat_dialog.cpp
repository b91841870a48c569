// plat_dialog.cpp -- dialogs from templates, the dialog manager's keys, message boxes, help viewer
#include "platform/platform_local.h"

#include <algorithm>

namespace plat {

const char *const DIALOG_CLASS = "#32770";
const int MSGBOX_TEXT_ID = 0xFFFF;

struct DialogState : Control {
    INT_PTR result = 0;
    bool ended = false;
    bool modal = false;
    HWND focus_save = nullptr;
    int def_id = 0;
    HFONT font = nullptr;
    int bux = 6, buy = 13;
    UINT msgbox_type = 0;
    ~DialogState() override {
        if (font) DeleteObject(font);
    }
};

static DLGPROC pending_proc = nullptr;
static PlatformModalHook modal_hook = nullptr;
static void *modal_user = nullptr;
static int modal_depth = 0;
static HWND help_viewer = nullptr;

static DialogState *Dlg(HWND h) {
    Window *w = W(h);
    if (!w || !w->cls || w->cls->name != DIALOG_CLASS) return nullptr;
    if (!w->ctl) w->ctl = std::make_unique<DialogState>();
    return dynamic_cast<DialogState *>(w->ctl.get());
}

int ModalDepth() {
    return modal_depth;
}

// Dialog controls in template (creation) order.
static std::vector<HWND> Controls(HWND dlg) {
    std::vector<HWND> out;
    Window *w = W(dlg);
    if (!w) return out;
    out = w->children;
    std::sort(out.begin(), out.end(), [](HWND a, HWND b) { return W(a)->seq < W(b)->seq; });
    return out;
}

static bool Usable(HWND h) {
    Window *w = W(h);
    return w && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED);
}

static LRESULT CALLBACK DialogWndProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE && pending_proc) {
        SetWindowLongPtr(h, DWLP_DLGPROC, (LONG_PTR)pending_proc);
        pending_proc = nullptr;
    }
    return DefDlgProc(h, m, wp, lp);
}

void RegisterDialogClass() {
    WNDCLASS wc{};
    wc.lpfnWndProc = DialogWndProc;
    wc.cbWndExtra = 24; // DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = DIALOG_CLASS;
    RegisterClass(&wc);
}

static void SetDefault(HWND dlg, int id) {
    DialogState *d = Dlg(dlg);
    if (!d) return;
    if (d->def_id && d->def_id != id) {
        HWND old = GetDlgItem(dlg, d->def_id);
        Window *ow = W(old);
        if (ow && (ow->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            SendMessage(old, BM_SETSTYLE, (ow->style & ~BS_TYPEMASK & 0xFFFF) | BS_PUSHBUTTON,
                        TRUE);
    }
    d->def_id = id;
    HWND nw = GetDlgItem(dlg, id);
    Window *w = W(nw);
    if (w && w->cls && IEquals(w->cls->name, "BUTTON") && (w->style & BS_TYPEMASK) == BS_PUSHBUTTON)
        SendMessage(nw, BM_SETSTYLE, (w->style & ~BS_TYPEMASK & 0xFFFF) | BS_DEFPUSHBUTTON, TRUE);
}

static bool IsEdit(HWND h) {
    Window *w = W(h);
    return w && w->cls && IEquals(w->cls->name, "EDIT");
}

static void FocusControl(HWND dlg, HWND ctl) {
    if (!ctl) return;
    SetFocus(ctl);
    if (IsEdit(ctl) && !(W(ctl)->style & ES_MULTILINE)) SendMessage(ctl, EM_SETSEL, 0, -1);
    if (DialogState *d = Dlg(dlg)) d->focus_save = ctl;
}

static HWND CreateFromTemplate(const DialogTemplateCopy &t, HWND owner, DLGPROC proc, LPARAM param,
                               bool modal) {
    const DialogResource &r = t.res;
    int pt = r.font_size > 0 ? r.font_size : 8;
    HFONT font = CreateFont(-(pt * 96 + 36) / 72, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0,
                            0, 0, t.face.empty() ? "DejaVu Sans" : t.face.c_str());
    LOGFONT lf = FontOf(font);
    int tw, th;
    static const char alpha[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    TextExtent(lf, alpha, 52, &tw, &th);
    int bux = std::max(1, (tw + 26) / 52), buy = std::max(1, th);
    auto px = [&](int v) { return (v * bux + 2) / 4; };
    auto py = [&](int v) { return (v * buy + 4) / 8; };
    DWORD style = r.style ? r.style : (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    style &= ~(WS_VISIBLE | WS_CHILD);
    style |= WS_POPUP;
    RECT rc{0, 0, px(r.cx), py(r.cy)};
    AdjustWindowRectEx(&rc, style, FALSE, r.ex_style);
    int ww = rc.right - rc.left, wh = rc.bottom - rc.top;
    RECT area{0, 0, screen_w, screen_h};
    if (W(owner) && !(r.style & DS_CENTER) && (r.x || r.y)) {
        POINT o{0, 0};
        ClientToScreen(owner, &o);
        area = RECT{o.x + px(r.x), o.y + py(r.y), 0, 0};
    } else if (W(owner)) {
        GetWindowRect(owner, &area);
    }
    int x = area.right > area.left ? area.left + (area.right - area.left - ww) / 2 : area.left;
    int y = area.bottom > area.top ? area.top + (area.bottom - area.top - wh) / 2 : area.top;
    x = std::clamp(x, 0, std::max(0, screen_w - ww));
    y = std::clamp(y, 0, std::max(0, screen_h - wh));
    pending_proc = proc;
    HWND dlg = CreateWindowEx(r.ex_style | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, DIALOG_CLASS,
                              t.caption.c_str(), style, x, y, ww, wh, owner, nullptr,
                              PlatformInstance(), nullptr);
    pending_proc = nullptr;
    if (!dlg) {
        DeleteObject(font);
        return nullptr;
    }
    DialogState *d = Dlg(dlg);
    d->font = font;
    d->modal = modal;
    d->bux = bux;
    d->buy = buy;
    W(dlg)->font = font;
    for (size_t i = 0; i < t.ctls.size(); i++) {
        const DialogResourceControl &c = t.ctls[i];
        DWORD cs = c.style | WS_CHILD | WS_VISIBLE;
        const char *cls = t.cls_names[i].c_str();
        // Edits, buttons other than group boxes, and radio/check boxes take the Tab key by default.
        HWND ctl =
            CreateWindowEx(c.ex_style, cls, t.texts[i].c_str(), cs, px(c.x), py(c.y), px(c.cx),
                           py(c.cy), dlg, (HMENU)(intptr_t)c.id, PlatformInstance(), nullptr);
        if (!ctl) continue;
        SendMessage(ctl, WM_SETFONT, (WPARAM)font, FALSE);
        if (IEquals(cls, "BUTTON") && (cs & BS_TYPEMASK) == BS_DEFPUSHBUTTON && !Dlg(dlg)->def_id)
            Dlg(dlg)->def_id = c.id;
    }
    if (!W(dlg)) return nullptr;
    HWND first = GetNextDlgTabItem(dlg, nullptr, FALSE);
    if (SendMessage(dlg, WM_INITDIALOG, (WPARAM)first, param) && W(dlg)) {
        first = GetNextDlgTabItem(dlg, nullptr, FALSE);
        if (first) FocusControl(dlg, first);
    } else if (W(dlg) && GetFocus() && IsChild(dlg, GetFocus())) {
        Dlg(dlg)->focus_save = GetFocus();
    }
    return W(dlg) ? dlg : nullptr;
}

// The nested loop of a modal dialog or message box.
static INT_PTR RunModal(HWND dlg, HWND owner, INT_PTR headless_answer) {
    bool disabled = false;
    if (W(owner) && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        disabled = true;
    }
    ShowWindow(dlg, SW_SHOW);
    SetActiveWindow(dlg);
    if (DialogState *d = Dlg(dlg))
        if (d->focus_save && W(d->focus_save)) SetFocus(d->focus_save);
    modal_depth++;
    bool quit = false;
    WPARAM quit_code = 0;
    while (W(dlg) && Dlg(dlg) && !Dlg(dlg)->ended) {
        if (modal_hook) {
            modal_hook(dlg, modal_user);
            if (!W(dlg) || !Dlg(dlg) || Dlg(dlg)->ended) break;
        } else if (Headless()) {
            char text[256] = "";
            GetWindowText(dlg, text, sizeof text);
            Log("modal window \"%s\" with no test hook: answered %d", text, (int)headless_answer);
            EndDialog(dlg, headless_answer);
            break;
        }
        MSG msg;
        if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quit_code = msg.wParam;
                EndDialog(dlg, 0);
                break;
            }
            if (!IsDialogMessage(dlg, &msg)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        } else {
            WaitForInput(5);
        }
    }
    modal_depth--;
    INT_PTR result = Dlg(dlg) ? Dlg(dlg)->result : 0;
    if (disabled && W(owner)) EnableWindow(owner, TRUE);
    if (W(dlg)) DestroyWindow(dlg);
    if (W(owner)) SetActiveWindow(owner);
    if (quit) PostQuitMessage((int)quit_code);
    return result;
}

bool RunModalTurn(HWND) {
    return true;
}

static LRESULT CALLBACK HelpProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_CREATE: {
        RECT r;
        GetClientRect(h, &r);
        HWND e = CreateWindowEx(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0,
                                0, r.right, r.bottom, h, (HMENU)1, PlatformInstance(), nullptr);
        LOGFONT lf = DefaultGuiFont();
        lf.lfHeight = -13;
        SendMessage(e, WM_SETFONT, (WPARAM)CreateFontIndirect(&lf), FALSE);
        return 0;
    }
    case WM_SIZE:
        MoveWindow(GetDlgItem(h, 1), 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(h, 1));
        return 0;
    case WM_DESTROY: {
        HFONT f = (HFONT)SendMessage(GetDlgItem(h, 1), WM_GETFONT, 0, 0);
        if (f) DeleteObject(f);
        if (help_viewer == h) help_viewer = nullptr;
        return 0;
    }
    }
    return DefWindowProc(h, m, wp, lp);
}

void HelpViewerReset() {
    help_viewer = nullptr;
}

// Opens a text file in the viewer window; returns false when it cannot be read.
bool OpenHelpViewer(const char *file) {
    char path[1024];
    if (!PlatformMapFileName(file, path, sizeof path)) return false;
    FILE *f = fopen(path, "rb");
    if (!f) return false;
    std::string raw;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0 && raw.size() < (4u << 20))
        raw.append(buf, n);
    fclose(f);
    std::string text;
    for (size_t i = 0; i < raw.size(); i++) {
        if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) text += '\r';
        text += raw[i];
    }
    if (!FindClass("KRHelpViewer")) {
        WNDCLASS wc{};
        wc.lpfnWndProc = HelpProc;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(uintptr_t)(COLOR_BTNFACE + 1);
        wc.lpszClassName = "KRHelpViewer";
        RegisterClass(&wc);
    }
    const char *base = strrchr(file, '\\');
    if (!base) base = strrchr(file, '/');
    std::string title = std::string(base ? base + 1 : file) + " - Help";
    if (!W(help_viewer)) {
        int w = std::max(320, screen_w * 3 / 5), h = std::max(240, screen_h * 3 / 4);
        help_viewer = CreateWindowEx(0, "KRHelpViewer", title.c_str(), WS_OVERLAPPEDWINDOW,
                                     (screen_w - w) / 2, (screen_h - h) / 2, w, h, nullptr, nullptr,
                                     PlatformInstance(), nullptr);
        if (!help_viewer) return false;
    }
    SetWindowText(help_viewer, title.c_str());
    SetDlgItemText(help_viewer, 1, text.c_str());
    ShowWindow(help_viewer, SW_SHOWNORMAL);
    SetActiveWindow(help_viewer);
    return true;
}

} // namespace plat

using namespace plat;

LRESULT DefDlgProc(HWND dlg, UINT m, WPARAM wp, LPARAM lp) {
    DLGPROC proc = (DLGPROC)GetWindowLongPtr(dlg, DWLP_DLGPROC);
    if (proc) {
        SetWindowLongPtr(dlg, DWLP_MSGRESULT, 0);
        INT_PTR r = proc(dlg, m, wp, lp);
        if (!W(dlg)) return r;
        if (r) {
            switch (m) {
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORDLG:
            case WM_CTLCOLORSTATIC:
            case WM_INITDIALOG:
                return r;
            }
            return GetWindowLongPtr(dlg, DWLP_MSGRESULT);
        }
    }
    DialogState *d = Dlg(dlg);
    switch (m) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CLOSE:
        SendMessage(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                    (LPARAM)GetDlgItem(dlg, IDCANCEL));
        return 0;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(dlg, &r);
        HBRUSH b = (HBRUSH)SendMessage(dlg, WM_CTLCOLORDLG, wp, (LPARAM)dlg);
        FillRect((HDC)wp, &r, b ? b : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_SETFOCUS:
        if (d) {
            HWND f = W(d->focus_save) ? d->focus_save : GetNextDlgTabItem(dlg, nullptr, FALSE);
            if (f) FocusControl(dlg, f);
        }
        return 0;
    case WM_ACTIVATE:
        if (d && LOWORD(wp) == WA_INACTIVE) {
            HWND f = GetFocus();
            if (f && IsChild(dlg, f)) d->focus_save = f;
        } else if (d) {
            HWND f = W(d->focus_save) ? d->focus_save : GetNextDlgTabItem(dlg, nullptr, FALSE);
            if (f)
                SetFocus(f);
            else
                SetFocus(dlg);
        }
        return 0;
    case DM_GETDEFID:
        if (d && d->def_id) return MAKELRESULT(d->def_id, DC_HASDEFID);
        return 0;
    case DM_SETDEFID:
        SetDefault(dlg, (int)wp);
        return TRUE;
    case WM_NEXTDLGCTL: {
        HWND target = lp ? (HWND)wp : GetNextDlgTabItem(dlg, GetFocus(), wp != 0);
        if (target) FocusControl(dlg, target);
        return 0;
    }
    case WM_GETDLGCODE:
        return 0;
    }
    return DefWindowProc(dlg, m, wp, lp);
}

HWND CreateDialogParam(HINSTANCE, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
    EnsureInit();
    const DialogTemplateCopy *t = FindDialogResource(name);
    if (!t) {
        Log("CreateDialog: no dialog resource \"%s\"", ResourceKey(name).c_str());
        return nullptr;
    }
    HWND top = W(owner) ? TopLevelOf(owner) : nullptr;
    HWND dlg = CreateFromTemplate(*t, top, proc, param, false);
    if (dlg) {
        ShowWindow(dlg, SW_SHOW);
        if (DialogState *d = Dlg(dlg))
            if (W(d->focus_save)) SetFocus(d->focus_save);
    }
    return dlg;
}

HWND CreateDialog(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc) {
    return CreateDialogParam(instance, name, owner, proc, 0);
}

INT_PTR DialogBoxParam(HINSTANCE, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
    EnsureInit();
    const DialogTemplateCopy *t = FindDialogResource(name);
    if (!t) {
        Log("DialogBox: no dialog resource \"%s\"", ResourceKey(name).c_str());
        return -1;
    }
    HWND top = W(owner) ? TopLevelOf(owner) : nullptr;
    HWND dlg = CreateFromTemplate(*t, top, proc, param, true);
    if (!dlg) return -1;
    if (Dlg(dlg)->ended) { // EndDialog during WM_INITDIALOG
        INT_PTR r = Dlg(dlg)->result;
        DestroyWindow(dlg);
        return r;
    }
    return RunModal(dlg, top, IDCANCEL);
}

INT_PTR DialogBox(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc) {
    return DialogBoxParam(instance, name, owner, proc, 0);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogState *d = Dlg(dialog);
    if (!d) return FALSE;
    d->result = result;
    d->ended = true;
    if (d->modal) ShowWindow(dialog, SW_HIDE);
    return TRUE;
}

BOOL IsDialogMessage(HWND dialog, LPMSG msg) {
    if (!msg || !W(dialog)) return FALSE;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
    HWND focus = GetFocus();
    if (focus && focus != dialog && !IsChild(dialog, focus)) focus = nullptr;
    LRESULT code = focus ? SendMessage(focus, WM_GETDLGCODE, msg->wParam, (LPARAM)msg) : 0;
    bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (msg->message == WM_KEYDOWN) {
        switch (msg->wParam) {
        case VK_TAB:
            if (code & DLGC_WANTTAB) break;
            if (HWND next = GetNextDlgTabItem(dialog, focus, shift)) FocusControl(dialog, next);
            return TRUE;
        case VK_RETURN: {
            if (code & DLGC_WANTALLKEYS) break;
            int id = IDOK;
            HWND ctl = nullptr;
            if (focus && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
                id = GetDlgCtrlID(focus);
                ctl = focus;
            } else {
                LRESULT def = SendMessage(dialog, DM_GETDEFID, 0, 0);
                if (HIWORD(def) == DC_HASDEFID) id = LOWORD(def);
                ctl = GetDlgItem(dialog, id);
            }
            if (ctl && !IsWindowEnabled(ctl)) return TRUE;
            SendMessage(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)ctl);
            return TRUE;
        }
        case VK_ESCAPE: {
            HWND ctl = GetDlgItem(dialog, IDCANCEL);
            if (ctl && !IsWindowEnabled(ctl)) return TRUE;
            SendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)ctl);
            return TRUE;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            if ((code & (DLGC_WANTARROWS | DLGC_WANTALLKEYS)) || !focus) break;
            bool prev = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
            HWND next = GetNextDlgGroupItem(dialog, focus, prev);
            if (next && next != focus) {
                FocusControl(dialog, next);
                Window *nw = W(next);
                if (nw && nw->cls && IEquals(nw->cls->name, "BUTTON") &&
                    (nw->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
                    SendMessage(next, BM_CLICK, 0, 0);
            }
            return TRUE;
        }
        }
    }
    if (msg->message == WM_CHAR) {
        if ((msg->wParam == '\t' && !(code & DLGC_WANTTAB)) ||
            (msg->wParam == '\r' && !(code & DLGC_WANTALLKEYS)) || msg->wParam == 27)
            return TRUE;
    }
    TranslateMessage(msg);
    DispatchMessage(msg);
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    Window *w = W(dialog);
    if (!w) return nullptr;
    for (HWND k : w->children)
        if (W(k) && W(k)->id == id) return k;
    return nullptr;
}

int GetDlgCtrlID(HWND window) {
    Window *w = W(window);
    return w && (w->style & WS_CHILD) ? (int)w->id : 0;
}

BOOL SetDlgItemText(HWND dialog, int id, LPCSTR text) {
    HWND c = GetDlgItem(dialog, id);
    return c ? SetWindowText(c, text) : FALSE;
}

UINT GetDlgItemText(HWND dialog, int id, LPSTR text, int size) {
    if (text && size > 0) text[0] = 0;
    HWND c = GetDlgItem(dialog, id);
    return c ? (UINT)GetWindowText(c, text, size) : 0;
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed) {
    char buf[16];
    if (is_signed)
        snprintf(buf, sizeof buf, "%d", (int)value);
    else
        snprintf(buf, sizeof buf, "%u", value);
    return SetDlgItemText(dialog, id, buf);
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL *translated, BOOL is_signed) {
    if (translated) *translated = FALSE;
    char buf[64];
    HWND c = GetDlgItem(dialog, id);
    if (!c) return 0;
    GetWindowText(c, buf, sizeof buf);
    const char *p = buf;
    while (*p == ' ')
        p++;
    bool neg = false;
    if (is_signed && *p == '-') {
        neg = true;
        p++;
    }
    if (*p < '0' || *p > '9') return 0;
    uint64_t v = 0;
    while (*p >= '0' && *p <= '9') {
        v = v * 10 + (uint64_t)(*p - '0');
        if (v > 0xFFFFFFFFull) return 0;
        p++;
    }
    while (*p == ' ')
        p++;
    if (*p) return 0;
    if (is_signed && v > (neg ? 0x80000000ull : 0x7FFFFFFFull)) return 0;
    if (translated) *translated = TRUE;
    return neg ? (UINT)(-(int64_t)v) : (UINT)v;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND c = GetDlgItem(dialog, id);
    if (!c) return FALSE;
    SendMessage(c, BM_SETCHECK, check, 0);
    return TRUE;
}

BOOL CheckRadioButton(HWND dialog, int first_id, int last_id, int check_id) {
    if (!W(dialog)) return FALSE;
    for (int id = first_id; id <= last_id; id++)
        if (HWND c = GetDlgItem(dialog, id)) SendMessage(c, BM_SETCHECK, id == check_id, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    HWND c = GetDlgItem(dialog, id);
    return c ? (UINT)SendMessage(c, BM_GETCHECK, 0, 0) : 0;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND c = GetDlgItem(dialog, id);
    return c ? SendMessage(c, message, wparam, lparam) : 0;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    std::vector<HWND> all = Controls(dialog), stops;
    for (HWND h : all)
        if (Usable(h) && (W(h)->style & WS_TABSTOP)) stops.push_back(h);
    if (stops.empty()) return control;
    auto it = std::find(stops.begin(), stops.end(), control);
    if (it == stops.end()) {
        if (!control) return previous ? stops.back() : stops.front();
        // A control without WS_TABSTOP: continue from its place in the template order.
        auto pos = std::find(all.begin(), all.end(), control);
        if (pos == all.end()) return previous ? stops.back() : stops.front();
        if (!previous) {
            for (auto p = pos; p != all.end(); ++p)
                if (std::find(stops.begin(), stops.end(), *p) != stops.end()) return *p;
            return stops.front();
        }
        for (auto p = pos; p != all.begin();) {
            --p;
            if (std::find(stops.begin(), stops.end(), *p) != stops.end()) return *p;
        }
        return stops.back();
    }
    size_t i = (size_t)(it - stops.begin());
    size_t n = stops.size();
    return stops[previous ? (i + n - 1) % n : (i + 1) % n];
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
    std::vector<HWND> all = Controls(dialog);
    auto pos = std::find(all.begin(), all.end(), control);
    if (pos == all.end()) return nullptr;
    size_t i = (size_t)(pos - all.begin()), start = i, end = i + 1;
    while (start > 0 && !(W(all[start])->style & WS_GROUP))
        start--;
    while (end < all.size() && !(W(all[end])->style & WS_GROUP))
        end++;
    size_t n = end - start;
    for (size_t k = 1; k <= n; k++) {
        size_t j = previous ? start + (i - start + n - k) % n : start + (i - start + k) % n;
        if (Usable(all[j])) return all[j];
    }
    return control;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    DialogState *d = Dlg(dialog);
    if (!d || !rect) return FALSE;
    rect->left = rect->left * d->bux / 4;
    rect->right = rect->right * d->bux / 4;
    rect->top = rect->top * d->buy / 8;
    rect->bottom = rect->bottom * d->buy / 8;
    return TRUE;
}

LONG GetDialogBaseUnits(void) {
    LOGFONT lf = DefaultGuiFont();
    int tw, th;
    TextExtent(lf, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &tw, &th);
    return MAKELONG((tw + 26) / 52, th);
}

static INT_PTR CALLBACK MessageBoxProc(HWND h, UINT m, WPARAM wp, LPARAM) {
    DialogState *d = Dlg(h);
    if (!d) return FALSE;
    if (m == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        int id = LOWORD(wp);
        UINT kind = d->msgbox_type & 0xF;
        if (id == IDCANCEL) {
            if (kind == MB_OK) {
                EndDialog(h, IDOK);
            } else if (kind == MB_OKCANCEL || kind == MB_YESNOCANCEL || kind == MB_RETRYCANCEL) {
                EndDialog(h, IDCANCEL);
            }
            return TRUE;
        }
        if (GetDlgItem(h, id)) EndDialog(h, id);
        return TRUE;
    }
    return FALSE;
}

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    EnsureInit();
    std::string body = text ? text : "";
    std::vector<std::pair<int, const char *>> buttons;
    switch (type & 0xF) {
    case MB_OKCANCEL:
        buttons = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
        break;
    case MB_YESNO:
        buttons = {{IDYES, "&Yes"}, {IDNO, "&No"}};
        break;
    case MB_RETRYCANCEL:
        buttons = {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
        break;
    default:
        buttons = {{IDOK, "OK"}};
    }
    size_t def = (type & MB_DEFBUTTON3) ? 2 : ((type & MB_DEFBUTTON2) ? 1 : 0);
    if (def >= buttons.size()) def = 0;
    // Line breaks may be CR LF, LF CR, LF or CR.
    std::string shown;
    for (size_t i = 0; i < body.size(); i++) {
        char c = body[i];
        if (c == '\r' || c == '\n') {
            shown += "\r\n";
            if (i + 1 < body.size() && (body[i + 1] == '\r' || body[i + 1] == '\n') &&
                body[i + 1] != c)
                i++;
        } else {
            shown += c;
        }
    }
    LOGFONT lf = DefaultGuiFont();
    int maxw = 0, lines = 0, lh = 0, tw;
    size_t start = 0;
    while (true) {
        size_t e = shown.find("\r\n", start);
        std::string line =
            shown.substr(start, e == std::string::npos ? std::string::npos : e - start);
        TextExtent(lf, line.data(), (int)line.size(), &tw, &lh);
        maxw = std::max(maxw, tw);
        lines++;
        if (e == std::string::npos) break;
        start = e + 2;
    }
    maxw = std::min(maxw, std::max(200, screen_w * 3 / 4));
    UINT icon_kind = type & 0xF0;
    LPCSTR icon_name = icon_kind == MB_ICONHAND          ? IDI_HAND
                       : icon_kind == MB_ICONQUESTION    ? IDI_QUESTION
                       : icon_kind == MB_ICONEXCLAMATION ? IDI_EXCLAMATION
                       : icon_kind == MB_ICONASTERISK    ? IDI_ASTERISK
                                                         : nullptr;
    int icon_w = icon_name ? 32 + 12 : 0;
    int bw = 75, bh = 23, gap = 6;
    int buttons_w = (int)buttons.size() * bw + ((int)buttons.size() - 1) * gap;
    int text_h = std::max(lh * lines, icon_name ? 32 : 0);
    int cw = std::max(12 + icon_w + maxw + 18, buttons_w + 24);
    int ch = 14 + text_h + 16 + bh + 12;
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    RECT rc{0, 0, cw, ch};
    AdjustWindowRectEx(&rc, style, FALSE, WS_EX_DLGMODALFRAME);
    int ww = rc.right - rc.left, wh = rc.bottom - rc.top;
    HWND top = W(owner) ? TopLevelOf(owner) : nullptr;
    RECT area{0, 0, screen_w, screen_h};
    if (top) GetWindowRect(top, &area);
    int x = std::clamp((int)area.left + ((int)(area.right - area.left) - ww) / 2, 0,
                       std::max(0, screen_w - ww));
    int y = std::clamp((int)area.top + ((int)(area.bottom - area.top) - wh) / 2, 0,
                       std::max(0, screen_h - wh));
    pending_proc = MessageBoxProc;
    HWND box = CreateWindowEx(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, DIALOG_CLASS,
                              caption ? caption : "Error", style, x, y, ww, wh, top, nullptr,
                              PlatformInstance(), nullptr);
    pending_proc = nullptr;
    if (!box) return 0;
    DialogState *d = Dlg(box);
    d->modal = true;
    d->msgbox_type = type;
    W(box)->topmost = true;
    HFONT font = CreateFontIndirect(&lf);
    d->font = font;
    if (icon_name) {
        HWND ic = CreateWindowEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON, 12, 14, 32, 32,
                                 box, (HMENU)(intptr_t)0xFFFE, PlatformInstance(), nullptr);
        SendMessage(ic, STM_SETICON, (WPARAM)LoadIcon(nullptr, icon_name), 0);
    }
    int ty = 14 + (text_h - lh * lines) / 2;
    HWND st =
        CreateWindowEx(0, "STATIC", shown.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                       12 + icon_w, ty, maxw + 8, lh * lines + 2, box,
                       (HMENU)(intptr_t)MSGBOX_TEXT_ID, PlatformInstance(), nullptr);
    SendMessage(st, WM_SETFONT, (WPARAM)font, FALSE);
    int bx = (cw - buttons_w) / 2, by = ch - 12 - bh;
    HWND def_btn = nullptr;
    for (size_t i = 0; i < buttons.size(); i++) {
        DWORD bs =
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND b =
            CreateWindowEx(0, "BUTTON", buttons[i].second, bs, bx + (int)i * (bw + gap), by, bw, bh,
                           box, (HMENU)(intptr_t)buttons[i].first, PlatformInstance(), nullptr);
        SendMessage(b, WM_SETFONT, (WPARAM)font, FALSE);
        if (i == def) def_btn = b;
    }
    d->def_id = buttons[def].first;
    d->focus_save = def_btn;
    return (int)RunModal(box, top, buttons[def].first);
}

void PlatformTestSetModalHook(PlatformModalHook hook, void *user) {
    modal_hook = hook;
    modal_user = user;
}

BOOL PlatformTestMessageBoxText(HWND box, LPSTR text, int size) {
    if (text && size > 0) text[0] = 0;
    HWND st = GetDlgItem(box, MSGBOX_TEXT_ID);
    if (!st) return FALSE;
    GetWindowText(st, text, size);
    return TRUE;
}
