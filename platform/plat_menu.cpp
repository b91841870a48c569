// plat_menu.cpp -- resources (menus, dialog templates, icons), menu bars and their drop-downs
#include "platform/platform_local.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace plat {

struct MenuResource {
    std::vector<std::string> texts;
    std::vector<MenuResourceItem> items;
};
struct IconResource {
    int w = 0, h = 0;
    std::vector<DWORD> px;
    HICON handle = nullptr;
};
static std::map<std::string, MenuResource> menu_resources;
static std::map<std::string, std::unique_ptr<DialogTemplateCopy>> dialog_resources;
static std::map<std::string, IconResource> icon_resources;
static std::unordered_map<uintptr_t, Menu> menus;

// The open drop-down: the window whose bar it hangs from, the bar entry, the highlighted item.
static HWND open_window = nullptr;
static int open_index = -1, hot_item = -1;
static bool opened_by_click = false;

const int BAR_PAD = 7, ITEM_H = 20, SEP_H = 9;

std::string ResourceKey(LPCSTR name) {
    if (!name) return "";
    if (IS_INTRESOURCE(name)) return "#" + std::to_string((unsigned)(uintptr_t)name);
    std::string s = name;
    if (s.size() > 1 && s[0] == '#') return "#" + std::to_string(atoi(s.c_str() + 1));
    for (char &c : s)
        c = (char)toupper((unsigned char)c);
    return s;
}

void ResourceResetAll() {
    menu_resources.clear();
    dialog_resources.clear();
    icon_resources.clear();
}

const DialogTemplateCopy *FindDialogResource(LPCSTR name) {
    auto it = dialog_resources.find(ResourceKey(name));
    return it == dialog_resources.end() ? nullptr : it->second.get();
}

Menu *M(HMENU h) {
    auto it = menus.find((uintptr_t)h);
    return it == menus.end() ? nullptr : &it->second;
}

void MenuResetAll() {
    menus.clear();
    open_window = nullptr;
    open_index = hot_item = -1;
}

void MenuDestroyTree(HMENU h) {
    Menu *m = M(h);
    if (!m) return;
    std::vector<HMENU> subs;
    for (auto &it : m->items)
        if (it.popup) subs.push_back(it.popup);
    menus.erase((uintptr_t)h);
    for (HMENU s : subs)
        MenuDestroyTree(s);
}

static HMENU NewMenu(bool popup) {
    EnsureInit();
    HMENU h = (HMENU)NewId();
    menus[(uintptr_t)h].popup = popup;
    return h;
}

// The item addressed by command (searching drop-downs too) or by position.
static MenuItem *FindItem(HMENU h, UINT item, UINT flags, int depth = 0) {
    Menu *m = M(h);
    if (!m || depth > 8) return nullptr;
    if (flags & MF_BYPOSITION) return item < m->items.size() ? &m->items[item] : nullptr;
    for (auto &it : m->items) {
        if (!it.popup && !(it.flags & MF_SEPARATOR) && it.id == item) return &it;
        if (it.popup)
            if (MenuItem *sub = FindItem(it.popup, item, flags, depth + 1)) return sub;
    }
    return nullptr;
}

static int AccessKey(const std::string &text) {
    for (size_t i = 0; i + 1 < text.size(); i++)
        if (text[i] == '&') {
            if (text[i + 1] == '&') {
                i++;
                continue;
            }
            return toupper((unsigned char)text[i + 1]);
        }
    return 0;
}

static std::string Plain(const std::string &text, int *underline) {
    std::string s;
    *underline = -1;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '&' && i + 1 < text.size()) {
            if (text[i + 1] == '&') {
                s += '&';
                i++;
                continue;
            }
            if (*underline < 0) *underline = (int)s.size();
            continue;
        }
        if (text[i] == '\t') break; // accelerator text is not shown
        s += text[i];
    }
    return s;
}

static void DrawLabel(Target &t, const std::string &text, int x, int y, uint32_t color, bool grey) {
    LOGFONT lf = DefaultGuiFont();
    int ul;
    std::string s = Plain(text, &ul);
    auto draw = [&](int dx, int dy, uint32_t c) {
        DrawTextRun(t, lf, x + dx, y + dy, s.data(), (int)s.size(), c);
        if (ul >= 0 && ul < (int)s.size()) {
            int ux, uw, h;
            TextExtent(lf, s.data(), ul, &ux, &h);
            TextExtent(lf, s.data() + ul, 1, &uw, &h);
            TEXTMETRIC tm;
            FontMetrics(lf, &tm);
            DrawFillRect(t, x + dx + ux, y + dy + tm.tmAscent + 1, x + dx + ux + uw,
                         y + dy + tm.tmAscent + 2, c);
        }
    };
    if (grey) {
        draw(1, 1, 0xFFFFFF);
        draw(0, 0, 0x808080);
    } else {
        draw(0, 0, color);
    }
}

// Bar entries in the window's own outer coordinates.
static std::vector<RECT> BarLayout(Window *w) {
    std::vector<RECT> out;
    Menu *m = M(w->menu);
    if (!m) return out;
    NcInfo n = Nc(w);
    int x = n.frame + 2, y = n.frame + n.caption;
    LOGFONT lf = DefaultGuiFont();
    for (auto &it : m->items) {
        int ul, tw, th;
        std::string s = Plain(it.text, &ul);
        TextExtent(lf, s.data(), (int)s.size(), &tw, &th);
        RECT r{x, y + 1, x + tw + 2 * BAR_PAD, y + n.menu - 1};
        out.push_back(r);
        x = r.right;
    }
    return out;
}

struct Drop {
    RECT box{0, 0, 0, 0}; // screen coordinates
    std::vector<RECT> items;
};

static Drop DropLayout() {
    Drop d;
    Window *w = W(open_window);
    if (!w) return d;
    Menu *bar = M(w->menu);
    if (!bar || open_index < 0 || open_index >= (int)bar->items.size()) return d;
    Menu *m = M(bar->items[open_index].popup);
    if (!m) return d;
    std::vector<RECT> entries = BarLayout(w);
    POINT o = ScreenOrigin(w);
    LOGFONT lf = DefaultGuiFont();
    int width = 120;
    for (auto &it : m->items) {
        int ul, tw, th;
        std::string s = Plain(it.text, &ul);
        TextExtent(lf, s.data(), (int)s.size(), &tw, &th);
        width = std::max(width, tw + 48);
    }
    int h = 6;
    for (auto &it : m->items)
        h += (it.flags & MF_SEPARATOR) ? SEP_H : ITEM_H;
    int x = o.x + entries[open_index].left, y = o.y + entries[open_index].bottom + 1;
    if (x + width > screen_w) x = std::max(0, screen_w - width);
    if (y + h > screen_h) y = std::max(0, screen_h - h);
    d.box = RECT{x, y, x + width, y + h};
    int yy = y + 3;
    for (auto &it : m->items) {
        int ih = (it.flags & MF_SEPARATOR) ? SEP_H : ITEM_H;
        d.items.push_back(RECT{x + 3, yy, x + width - 3, yy + ih});
        yy += ih;
    }
    return d;
}

static Menu *OpenPopup() {
    Window *w = W(open_window);
    if (!w) return nullptr;
    Menu *bar = M(w->menu);
    if (!bar || open_index < 0 || open_index >= (int)bar->items.size()) return nullptr;
    return M(bar->items[open_index].popup);
}

void MenuClose() {
    if (open_window) MarkDirty();
    HWND w = open_window;
    open_window = nullptr;
    open_index = hot_item = -1;
    if (W(w)) Send(w, WM_EXITMENULOOP, FALSE, 0);
}

static void OpenEntry(HWND h, int index, bool click) {
    Window *w = W(h);
    if (!w) return;
    Menu *bar = M(w->menu);
    if (!bar || index < 0 || index >= (int)bar->items.size()) return;
    bool first = open_window != h;
    open_window = h;
    open_index = index;
    hot_item = -1;
    opened_by_click = click;
    MarkDirty();
    if (first) {
        Send(h, WM_ENTERMENULOOP, FALSE, 0);
        Send(h, WM_INITMENU, (WPARAM)w->menu, 0);
    }
    if (W(h) && bar->items[index].popup)
        Send(h, WM_INITMENUPOPUP, (WPARAM)bar->items[index].popup, MAKELPARAM(index, FALSE));
}

static void Choose(int item) {
    Menu *m = OpenPopup();
    if (!m || item < 0 || item >= (int)m->items.size()) return;
    MenuItem it = m->items[item];
    if ((it.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR)) || it.popup) return;
    HWND h = open_window;
    MenuClose();
    PostMessage(h, WM_COMMAND, MAKEWPARAM(it.id, 0), 0);
}

static int BarHit(HWND h, POINT screen) {
    Window *w = W(h);
    if (!w) return -1;
    std::vector<RECT> entries = BarLayout(w);
    POINT o = ScreenOrigin(w);
    POINT p{screen.x - o.x, screen.y - o.y};
    for (size_t i = 0; i < entries.size(); i++)
        if (PtInRect(&entries[i], p)) return (int)i;
    return -1;
}

static void MoveHot(int dir) {
    Menu *m = OpenPopup();
    if (!m || m->items.empty()) return;
    int n = (int)m->items.size();
    // With nothing selected, Down starts at the first item and Up at the last.
    int i = hot_item >= 0 ? hot_item : (dir > 0 ? -1 : n);
    for (int k = 0; k < n; k++) {
        i = (i + dir + n) % n;
        if (!(m->items[i].flags & MF_SEPARATOR)) {
            hot_item = i;
            MarkDirty();
            return;
        }
    }
}

void MenuDrawBar(Target &t, Window *w, int x, int y, int width) {
    NcInfo n = Nc(w);
    DrawFillRect(t, x, y, x + width, y + n.menu, SysPixel(COLOR_MENU));
    Menu *m = M(w->menu);
    if (!m) return;
    std::vector<RECT> entries = BarLayout(w);
    POINT o = ScreenOrigin(w);
    for (size_t i = 0; i < entries.size(); i++) {
        RECT r = entries[i];
        OffsetRect(&r, o.x, o.y);
        bool open = open_window == w->h && open_index == (int)i;
        if (open) DrawFillRect(t, r.left, r.top, r.right, r.bottom, SysPixel(COLOR_HIGHLIGHT));
        bool grey = (m->items[i].flags & (MF_GRAYED | MF_DISABLED)) != 0;
        DrawLabel(t, m->items[i].text, r.left + BAR_PAD, r.top + 2,
                  open ? SysPixel(COLOR_HIGHLIGHTTEXT) : SysPixel(COLOR_MENUTEXT), grey && !open);
    }
}

void MenuDrawOverlay(Target &t) {
    Menu *m = OpenPopup();
    if (!m) return;
    Drop d = DropLayout();
    RECT b = d.box;
    DrawRaised(t, b.left, b.top, b.right, b.bottom, false);
    for (size_t i = 0; i < m->items.size(); i++) {
        const MenuItem &it = m->items[i];
        RECT r = d.items[i];
        if (it.flags & MF_SEPARATOR) {
            int y = (r.top + r.bottom) / 2;
            DrawFillRect(t, r.left + 1, y - 1, r.right - 1, y, SysPixel(COLOR_BTNSHADOW));
            DrawFillRect(t, r.left + 1, y, r.right - 1, y + 1, 0xFFFFFF);
            continue;
        }
        bool hot = (int)i == hot_item;
        bool grey = (it.flags & (MF_GRAYED | MF_DISABLED)) != 0;
        if (hot) DrawFillRect(t, r.left, r.top, r.right, r.bottom, SysPixel(COLOR_HIGHLIGHT));
        uint32_t fg = hot ? (grey ? SysPixel(COLOR_GRAYTEXT) : SysPixel(COLOR_HIGHLIGHTTEXT))
                          : SysPixel(COLOR_MENUTEXT);
        if (it.flags & MF_CHECKED) {
            int cx = r.left + 9, cy = (r.top + r.bottom) / 2;
            uint32_t c = grey && !hot ? SysPixel(COLOR_GRAYTEXT) : fg;
            for (int k = 0; k < 3; k++) {
                DrawFillRect(t, cx - 3 + k, cy - 1 + k, cx - 2 + k, cy + 2 + k, c);
                DrawFillRect(t, cx + k, cy + 1 - k, cx + 1 + k, cy + 4 - k, c);
            }
            DrawFillRect(t, cx + 3, cy - 2, cx + 4, cy + 1, c);
        }
        DrawLabel(t, it.text, r.left + 20, r.top + 3, fg, grey && !hot);
    }
}

int MenuOpenIndex() {
    return open_window ? open_index : -1;
}

bool MenuBarClick(HWND h, POINT screen) {
    int i = BarHit(h, screen);
    if (i < 0) return false;
    OpenEntry(h, i, true);
    return true;
}

bool MenuAltKey(int vk) {
    HWND h = active_window_;
    Window *w = W(h);
    if (!w || !M(w->menu) || (w->style & WS_DISABLED)) return false;
    Menu *bar = M(w->menu);
    if (vk == VK_F10) {
        if (bar->items.empty()) return false;
        OpenEntry(h, 0, false);
        return true;
    }
    for (size_t i = 0; i < bar->items.size(); i++)
        if (AccessKey(bar->items[i].text) == toupper(vk)) {
            OpenEntry(h, (int)i, false);
            return true;
        }
    return false;
}

bool MenuRouteInput(const RawInput &in) {
    if (!open_window) return false;
    if (!W(open_window) || !OpenPopup()) {
        MenuClose();
        return false;
    }
    Drop d = DropLayout();
    POINT p{in.x, in.y};
    auto item_at = [&](POINT q) {
        for (size_t i = 0; i < d.items.size(); i++)
            if (PtInRect(&d.items[i], q)) return (int)i;
        return -1;
    };
    switch (in.kind) {
    case RawInput::Move: {
        int bi = BarHit(open_window, p);
        if (bi >= 0 && bi != open_index) OpenEntry(open_window, bi, opened_by_click);
        int it = item_at(p);
        if (it >= 0 && it != hot_item) {
            hot_item = it;
            MarkDirty();
        }
        return true;
    }
    case RawInput::Button: {
        int it = item_at(p);
        int bi = BarHit(open_window, p);
        if (in.down) {
            if (it >= 0) return true;
            if (bi >= 0) {
                if (bi == open_index && !opened_by_click)
                    MenuClose();
                else
                    OpenEntry(open_window, bi, false);
                return true;
            }
            MenuClose();
            return true;
        }
        opened_by_click = false;
        if (it >= 0) Choose(it);
        return true;
    }
    case RawInput::Key: {
        if (!in.down) return true;
        Menu *bar = M(W(open_window)->menu);
        int n = bar ? (int)bar->items.size() : 0;
        switch (in.vk) {
        case VK_ESCAPE:
        case VK_MENU:
        case VK_LMENU:
        case VK_RMENU:
        case VK_F10:
            MenuClose();
            return true;
        case VK_LEFT:
            if (n) OpenEntry(open_window, (open_index + n - 1) % n, false);
            return true;
        case VK_RIGHT:
            if (n) OpenEntry(open_window, (open_index + 1) % n, false);
            return true;
        case VK_UP:
            MoveHot(-1);
            return true;
        case VK_DOWN:
            MoveHot(1);
            return true;
        case VK_RETURN:
            Choose(hot_item);
            return true;
        }
        Menu *m = OpenPopup();
        if (m)
            for (size_t i = 0; i < m->items.size(); i++)
                if (AccessKey(m->items[i].text) == toupper(in.vk)) {
                    Choose((int)i);
                    return true;
                }
        return true;
    }
    case RawInput::Char:
    case RawInput::Wheel:
        return true;
    }
    return true;
}

static HICON BuiltinIcon(unsigned id);

} // namespace plat

using namespace plat;

BOOL RegisterMenuResource(LPCSTR name, const MenuResourceItem *items, int count) {
    if (!name || (!items && count > 0) || count < 0) return FALSE;
    MenuResource r;
    r.texts.reserve(count);
    for (int i = 0; i < count; i++)
        r.texts.push_back(items[i].text ? items[i].text : "");
    for (int i = 0; i < count; i++) {
        MenuResourceItem it = items[i];
        it.text = r.texts[i].c_str();
        if (it.depth < 0) it.depth = 0;
        r.items.push_back(it);
    }
    std::string key = ResourceKey(name);
    menu_resources[key] = std::move(r);
    // The strings moved with the vector; point the items at their new homes.
    MenuResource &stored = menu_resources[key];
    for (size_t i = 0; i < stored.items.size(); i++)
        stored.items[i].text = stored.texts[i].c_str();
    return TRUE;
}

BOOL RegisterDialogResource(LPCSTR name, const DialogResource *dialog) {
    if (!name || !dialog || dialog->control_count < 0 ||
        (dialog->control_count > 0 && !dialog->controls))
        return FALSE;
    auto c = std::make_unique<DialogTemplateCopy>();
    c->res = *dialog;
    c->caption = dialog->caption ? dialog->caption : "";
    c->face = dialog->font_face ? dialog->font_face : "";
    for (int i = 0; i < dialog->control_count; i++) {
        const DialogResourceControl &src = dialog->controls[i];
        c->ctls.push_back(src);
        c->cls_names.push_back(src.class_name ? src.class_name : "STATIC");
        bool is_int = src.text && IS_INTRESOURCE(src.text);
        c->text_is_int.push_back(is_int);
        c->texts.push_back(is_int ? ResourceKey(src.text) : (src.text ? src.text : ""));
    }
    for (size_t i = 0; i < c->ctls.size(); i++) {
        c->ctls[i].class_name = c->cls_names[i].c_str();
        c->ctls[i].text = c->texts[i].c_str();
    }
    c->res.caption = c->caption.c_str();
    c->res.font_face = c->face.c_str();
    c->res.controls = c->ctls.data();
    dialog_resources[ResourceKey(name)] = std::move(c);
    return TRUE;
}

BOOL RegisterIconResource(LPCSTR name, int width, int height, const DWORD *pixels) {
    if (!name || width <= 0 || height <= 0 || width > 256 || height > 256 || !pixels) return FALSE;
    IconResource r;
    r.w = width;
    r.h = height;
    r.px.assign(pixels, pixels + (size_t)width * height);
    icon_resources[ResourceKey(name)] = std::move(r);
    return TRUE;
}

static HICON IconFromPixels(int w, int h, const DWORD *px) {
    auto o = std::make_shared<GdiObject>();
    o->kind = GdiKind::Icon;
    o->surf.Resize(w, h, 0);
    memcpy(o->surf.px.data(), px, (size_t)w * h * 4);
    return (HICON)GdiAdd(o);
}

namespace plat {
static HICON BuiltinIcon(unsigned id) {
    static std::map<unsigned, HICON> made;
    auto it = made.find(id);
    if (it != made.end() && Gdi(it->second, GdiKind::Icon)) return it->second;
    const int S = 32;
    std::vector<DWORD> px(S * S, 0);
    auto put = [&](int x, int y, DWORD c) {
        if (x >= 0 && y >= 0 && x < S && y < S) px[y * S + x] = c;
    };
    auto disc = [&](double cx, double cy, double r, DWORD c) {
        for (int y = 0; y < S; y++)
            for (int x = 0; x < S; x++) {
                double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                if (dx * dx + dy * dy <= r * r) put(x, y, c);
            }
    };
    switch (id) {
    case 32513: // error: a red disc with a white cross
        disc(16, 16, 14, 0xFF000000);
        disc(16, 16, 13, 0xFFE02020);
        for (int i = -7; i <= 7; i++)
            for (int k = -1; k <= 1; k++) {
                put(16 + i + k, 16 + i, 0xFFFFFFFF);
                put(16 + i + k, 15 - i, 0xFFFFFFFF);
            }
        break;
    case 32515: // warning: a yellow triangle with a black bar
        for (int y = 3; y < 30; y++) {
            int half = (y - 3) / 2 + 1;
            for (int x = 16 - half; x < 16 + half; x++)
                put(x, y,
                    (x == 16 - half || x == 16 + half - 1 || y == 29) ? 0xFF000000 : 0xFFFFD800);
        }
        for (int y = 11; y < 22; y++) {
            put(15, y, 0xFF000000);
            put(16, y, 0xFF000000);
        }
        for (int y = 24; y < 27; y++) {
            put(15, y, 0xFF000000);
            put(16, y, 0xFF000000);
        }
        break;
    case 32514: // question and information: a blue disc with a white mark
    case 32516:
        disc(16, 16, 14, 0xFF000000);
        disc(16, 16, 13, 0xFF2050E0);
        if (id == 32516) {
            disc(16, 9, 2, 0xFFFFFFFF);
            for (int y = 13; y < 25; y++)
                for (int x = 14; x < 18; x++)
                    put(x, y, 0xFFFFFFFF);
        } else {
            for (int a = 0; a < 200; a++) {
                double t = a / 200.0 * 4.2 - 1.0;
                put(16 + (int)(5 * std::cos(t)), 11 - (int)(5 * std::sin(t)), 0xFFFFFFFF);
                put(17 + (int)(5 * std::cos(t)), 11 - (int)(5 * std::sin(t)), 0xFFFFFFFF);
            }
            for (int y = 15; y < 21; y++) {
                put(15, y, 0xFFFFFFFF);
                put(16, y, 0xFFFFFFFF);
            }
            disc(16, 24.5, 1.6, 0xFFFFFFFF);
        }
        break;
    default: // the application: a small window with a blue caption
        for (int y = 4; y < 28; y++)
            for (int x = 2; x < 30; x++) {
                DWORD c = 0xFFFFFFFF;
                if (y < 10) c = 0xFF000080;
                if (x == 2 || x == 29 || y == 4 || y == 27) c = 0xFF000000;
                put(x, y, c);
            }
    }
    HICON h = IconFromPixels(S, S, px.data());
    made[id] = h;
    return h;
}

void DrawIconPixels(Target &t, HICON icon, int x, int y, int size) {
    GdiPtr o = Gdi(icon, GdiKind::Icon);
    if (!o) return;
    int w = o->surf.w, h = o->surf.h;
    if (size <= 0) size = w;
    for (int yy = 0; yy < size; yy++)
        for (int xx = 0; xx < size; xx++) {
            int sx = xx * w / size, sy = yy * h / size;
            uint32_t p = o->surf.px[(size_t)sy * w + sx];
            uint32_t a = p >> 24;
            if (!a) continue;
            int dx = x + xx, dy = y + yy;
            if (dx < t.bounds.left || dx >= t.bounds.right || dy < t.bounds.top ||
                dy >= t.bounds.bottom)
                continue;
            if (t.clip && !t.clip->Contains(dx, dy)) continue;
            uint32_t &d = t.surf->px[(size_t)dy * t.surf->w + dx];
            if (a == 255) {
                d = p & 0xFFFFFF;
                continue;
            }
            auto mix = [&](int sh) {
                int s = (p >> sh) & 0xFF, q = (d >> sh) & 0xFF;
                return (uint32_t)(q + (s - q) * (int)a / 255);
            };
            d = (mix(16) << 16) | (mix(8) << 8) | mix(0);
        }
}
} // namespace plat

HICON LoadIcon(HINSTANCE, LPCSTR name) {
    EnsureInit();
    if (!name) return nullptr;
    if (IS_INTRESOURCE(name)) {
        unsigned id = (unsigned)(uintptr_t)name;
        if (id >= 32512 && id <= 32517 && !icon_resources.count(ResourceKey(name)))
            return BuiltinIcon(id);
    }
    auto it = icon_resources.find(ResourceKey(name));
    if (it == icon_resources.end()) return nullptr;
    IconResource &r = it->second;
    if (!Gdi(r.handle, GdiKind::Icon)) r.handle = IconFromPixels(r.w, r.h, r.px.data());
    return r.handle;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    DC *d = GetDCPtr(dc);
    Target t;
    if (!d || !ResolveTarget(d, t) || !Gdi(icon, GdiKind::Icon)) return FALSE;
    DrawIconPixels(t, icon, x + t.dx, y + t.dy, 0);
    if (t.to_screen) MarkDirty();
    return TRUE;
}

HMENU CreateMenu(void) {
    return NewMenu(false);
}
HMENU CreatePopupMenu(void) {
    return NewMenu(true);
}

BOOL DestroyMenu(HMENU menu) {
    if (!M(menu)) return FALSE;
    MenuDestroyTree(menu);
    return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id_or_popup, LPCSTR text) {
    Menu *m = M(menu);
    if (!m) return FALSE;
    MenuItem it;
    it.flags = flags & ~(MF_POPUP | MF_BYPOSITION);
    if (flags & MF_POPUP) {
        if (!M((HMENU)id_or_popup)) return FALSE;
        it.popup = (HMENU)id_or_popup;
    } else {
        it.id = (UINT)id_or_popup;
    }
    if (text && !(flags & MF_SEPARATOR)) it.text = text;
    m->items.push_back(it);
    MarkDirty();
    return TRUE;
}

HMENU LoadMenu(HINSTANCE, LPCSTR name) {
    auto r = menu_resources.find(ResourceKey(name));
    if (r == menu_resources.end()) {
        Log("LoadMenu: no menu resource \"%s\"", ResourceKey(name).c_str());
        return nullptr;
    }
    HMENU root = CreateMenu();
    std::vector<HMENU> stack{root};
    const std::vector<MenuResourceItem> &items = r->second.items;
    for (size_t i = 0; i < items.size(); i++) {
        const MenuResourceItem &it = items[i];
        int depth = std::min(it.depth, (int)stack.size() - 1);
        stack.resize(depth + 1);
        bool popup = (it.flags & MF_POPUP) || (i + 1 < items.size() && items[i + 1].depth > depth);
        if (popup) {
            HMENU sub = CreatePopupMenu();
            AppendMenu(stack[depth], MF_POPUP | (it.flags & (MF_GRAYED | MF_DISABLED)),
                       (UINT_PTR)sub, it.text);
            stack.push_back(sub);
        } else if ((it.flags & MF_SEPARATOR) || !it.text || !*it.text) {
            AppendMenu(stack[depth], MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenu(stack[depth], it.flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED), it.id,
                       it.text);
        }
    }
    return root;
}

HMENU GetMenu(HWND window) {
    Window *w = W(window);
    return w && !(w->style & WS_CHILD) && M(w->menu) ? w->menu : nullptr;
}

BOOL SetMenu(HWND window, HMENU menu) {
    Window *w = W(window);
    if (!w || (w->style & WS_CHILD) || (menu && !M(menu))) return FALSE;
    if (open_window == window) MenuClose();
    w->menu = menu;
    ResizeSurface(w);
    InvalidateAll(w, true);
    MarkDirty();
    RECT c;
    GetClientRect(window, &c);
    Send(window, WM_SIZE, w->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
         MAKELPARAM(c.right, c.bottom));
    return TRUE;
}

HMENU GetSubMenu(HMENU menu, int position) {
    Menu *m = M(menu);
    if (!m || position < 0 || position >= (int)m->items.size()) return nullptr;
    return m->items[position].popup;
}

int GetMenuItemCount(HMENU menu) {
    Menu *m = M(menu);
    return m ? (int)m->items.size() : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    Menu *m = M(menu);
    if (!m || position < 0 || position >= (int)m->items.size() || m->items[position].popup)
        return (UINT)-1;
    return m->items[position].id;
}

int GetMenuString(HMENU menu, UINT item, LPSTR text, int size, UINT flags) {
    MenuItem *it = FindItem(menu, item, flags);
    if (!it) return 0;
    if (text && size > 0) CopyOut(it->text, text, size);
    return (int)(text && size > 0 ? strlen(text) : it->text.size());
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
    MenuItem *it = FindItem(menu, item, flags);
    if (!it) return -1;
    UINT old = it->flags & (MF_GRAYED | MF_DISABLED);
    it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
    MarkDirty();
    return (BOOL)old;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
    MenuItem *it = FindItem(menu, item, flags);
    if (!it) return (DWORD)-1;
    DWORD old = it->flags & MF_CHECKED;
    it->flags = (it->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
    MarkDirty();
    return old;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    MenuItem *it = FindItem(menu, item, flags);
    if (!it) return (UINT)-1;
    UINT s = it->flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR);
    if (it->popup) s |= MF_POPUP | ((UINT)GetMenuItemCount(it->popup) << 8);
    return s;
}

BOOL DrawMenuBar(HWND window) {
    if (!W(window)) return FALSE;
    MarkDirty();
    return TRUE;
}

int PlatformTestOpenMenu(void) {
    return MenuOpenIndex();
}
