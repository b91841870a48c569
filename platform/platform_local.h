// platform_local.h -- the layer's internal state: handle tables, windows, DCs, GDI objects
#pragma once

#include "platform/platform.h"
#include "platform/platform_test.h"
#include "platform/plat_backend.h"

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat {

// ---- logging ----
void Log(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// ---- handle ids: one counter for every kind, never reused, so a stale id finds nothing ----
uintptr_t NewId();

// ---- pixels ----
struct Surface {
    int w = 0, h = 0;
    std::vector<uint32_t> px; // 0x00RRGGBB, rows top to bottom
    void Resize(int nw, int nh, uint32_t fill);
};
inline uint32_t ToPixel(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF ToColor(uint32_t p) {
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// ---- regions as sorted spans per row ----
struct Span {
    int x0, x1; // [x0, x1)
};
struct Region {
    int y0 = 0;                          // first row
    std::vector<std::vector<Span>> rows; // rows[i] is row y0 + i
    bool Empty() const;
    RECT Box() const;
    void Trim();
    void SetRect(int l, int t, int r, int b);
    void SetEllipse(int l, int t, int r, int b);
    void SetPolygon(const POINT *p, int n, int mode);
    void Offset(int dx, int dy);
    bool Contains(int x, int y) const;
    const std::vector<Span> *Row(int y) const {
        int i = y - y0;
        return (i >= 0 && i < (int)rows.size()) ? &rows[i] : nullptr;
    }
};
Region Combine(const Region &a, const Region &b, int mode);
int Complexity(const Region &r);

// ---- GDI objects ----
enum class GdiKind { Pen, Brush, Bitmap, Region, Font, Palette, Icon };
struct Font;
struct GdiObject {
    GdiKind kind;
    bool stock = false;
    // pen
    int pen_style = PS_SOLID, pen_width = 1;
    bool pen_flat = false, pen_square = false;
    COLORREF color = 0;
    // brush
    bool null_brush = false;
    int sys_color = -1; // brush following a system colour
    // bitmap
    Surface surf;
    int bpp = 32;
    bool mono = false;
    std::vector<uint8_t> dib_bits; // pixels of a DIB section the caller writes itself
    std::vector<RGBQUAD> dib_table;
    bool dib_section = false, dib_topdown = false;
    int dib_stride = 0;
    // region
    Region rgn;
    // font
    LOGFONT lf{};
    // palette
    std::vector<PALETTEENTRY> pal;
};
using GdiPtr = std::shared_ptr<GdiObject>;
GdiPtr Gdi(HGDIOBJ h, GdiKind kind);
GdiPtr GdiAny(HGDIOBJ h);
HGDIOBJ GdiAdd(GdiPtr obj);
GdiPtr StockObject(int index);
void GdiResetAll();

// ---- device contexts ----
struct DCState {
    HGDIOBJ pen_h = nullptr, brush_h = nullptr, font_h = nullptr, bitmap_h = nullptr,
            palette_h = nullptr;
    GdiPtr pen, brush, font, bitmap, palette;
    COLORREF text = 0, bk = RGB(255, 255, 255);
    int bk_mode = OPAQUE, rop2 = R2_COPYPEN, stretch = BLACKONWHITE;
    UINT align = 0;
    POINT pos{0, 0};
    POINT vp{0, 0}, win{0, 0};
    bool has_clip = false;
    Region clip; // device coordinates
};
enum class DCKind { Window, Memory, Display };
struct DC {
    DCKind kind = DCKind::Memory;
    HWND window = nullptr;
    bool own = false;      // CS_OWNDC: survives ReleaseDC
    bool painting = false; // inside BeginPaint
    DCState s;
    std::vector<DCState> saved;
};
DC *GetDCPtr(HDC h);
void DCResetAll();
void DCDeleteForWindow(HWND w);
HDC DCNewWindow(HWND w, bool own);

// Where a DC draws: a surface, its clip in device coordinates, and the logical->device shift.
struct Target {
    Surface *surf = nullptr;
    RECT bounds{0, 0, 0, 0};      // device clip rectangle
    const Region *clip = nullptr; // extra clip region (device coordinates)
    int dx = 0, dy = 0;           // device = logical + (dx, dy)
    bool to_screen = false;       // drawing lands on a visible window
    bool Ok() const { return surf && bounds.right > bounds.left && bounds.bottom > bounds.top; }
};
bool ResolveTarget(DC *dc, Target &t);
void FillSpan(Target &t, int y, int x0, int x1, uint32_t color, int rop = R2_COPYPEN);
void PutPixel(Target &t, int x, int y, uint32_t color, int rop = R2_COPYPEN);
// Calls fn(xa, xb) for each visible piece of row y between x0 and x1 (device coordinates).
template <class F> void ForEachVisible(const Target &t, int y, int x0, int x1, F fn) {
    if (y < t.bounds.top || y >= t.bounds.bottom) return;
    if (x0 < t.bounds.left) x0 = t.bounds.left;
    if (x1 > t.bounds.right) x1 = t.bounds.right;
    if (x0 >= x1) return;
    if (!t.clip) {
        fn(x0, x1);
        return;
    }
    const std::vector<Span> *row = t.clip->Row(y);
    if (!row) return;
    for (const Span &s : *row) {
        int a = s.x0 > x0 ? s.x0 : x0, b = s.x1 < x1 ? s.x1 : x1;
        if (a < b) fn(a, b);
    }
}
void MarkDirty();
uint32_t ResolveColor(DC *dc, COLORREF c);
void SyncDibSection(GdiObject &bmp);

// Primitive drawing on a target in device coordinates (used by GDI calls and the chrome).
void DrawFillRect(Target &t, int l, int tp, int r, int b, uint32_t color);
void DrawRegionFill(Target &t, const Region &rg, int dx, int dy, uint32_t color);
void DrawThinLine(Target &t, int x0, int y0, int x1, int y1, uint32_t color, int style, int rop,
                  bool last);
void DrawWideLine(Target &t, double x0, double y0, double x1, double y1, double width,
                  uint32_t color, bool round);
// Text in a font at (x, y) = top-left of the cell; returns the advance.
int DrawTextRun(Target &t, const LOGFONT &lf, int x, int y, const char *latin1, int n,
                uint32_t color);
// Extent of a Latin-1 run, the cell height and ascent.
void TextExtent(const LOGFONT &lf, const char *latin1, int n, int *w, int *h);
void FontMetrics(const LOGFONT &lf, TEXTMETRIC *tm);
LOGFONT DefaultGuiFont();
LOGFONT CaptionFont(bool small);
void TextShutdown();
int CharWidth(const LOGFONT &lf, unsigned char c);
LOGFONT FontOf(HFONT font);
void DrawIconPixels(Target &t, HICON icon, int x, int y, int size);

// ---- windows ----
struct WndClass {
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int cls_extra = 0, wnd_extra = 0;
    HINSTANCE inst = nullptr;
    HICON icon = nullptr, icon_sm = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::string menu_name;
    bool menu_is_int = false;
    std::vector<uint8_t> extra;
    bool builtin = false;
};
WndClass *FindClass(LPCSTR name);

struct Control; // per-control state (buttons, edits, statics, dialogs)

struct Window {
    HWND h = nullptr;
    std::shared_ptr<WndClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0, ex_style = 0;
    std::string text;
    HWND parent = nullptr, owner = nullptr;
    std::vector<HWND> children; // z-order: back() is the top
    RECT rect{0, 0, 0, 0};      // outer rectangle in parent client (or screen) coordinates
    RECT normal{0, 0, 0, 0};    // rectangle to restore to
    bool minimized = false, maximized = false;
    int min_slot = -1;
    LONG_PTR id = 0; // child id
    HMENU menu = nullptr;
    std::vector<uint8_t> extra;
    LONG_PTR user = 0;
    Surface surf; // the client area
    bool dirty_rect = false;
    RECT update{0, 0, 0, 0};
    bool erase = false;
    bool in_paint = false;
    bool painted = false; // BeginPaint ran during the current WM_PAINT
    bool nc_active = false;
    bool destroying = false;
    bool pending_show = false;
    bool creating = false;
    bool redraw = true;
    bool topmost = false;
    HFONT font = nullptr;
    HDC own_dc = nullptr;
    std::unique_ptr<Control> ctl;
    uint64_t seq = 0; // creation order: the tab order of dialog controls
};
Window *W(HWND h);
HWND NewWindowHandle();
std::vector<HWND> &TopLevels(); // z-order: back() is the top
std::vector<HWND> &Siblings(Window *w);
void WindowResetAll();

// Non-client geometry of a window (insets from the outer rectangle to the client area).
struct NcInfo {
    int frame = 0;   // border width on each side
    int caption = 0; // caption height (below the top border)
    int menu = 0;    // menu bar height
    bool thick = false, tool = false, has_caption = false;
    bool close_box = false, min_box = false, max_box = false;
    bool client_edge = false;
};
NcInfo Nc(const Window *w);
RECT ClientRectIn(const Window *w);  // client area in the window's own outer coordinates
POINT ScreenOrigin(const Window *w); // top-left of the outer rectangle on the screen
POINT ClientOrigin(const Window *w); // top-left of the client area on the screen
bool VisibleChain(const Window *w);
HWND TopLevelOf(HWND h);
void InvalidateAll(Window *w, bool erase);
void InvalidateTree(HWND h);
void ResizeSurface(Window *w);
void LayoutMinimized(HWND parent);
int CaptionButtons(const Window *w, RECT *close, RECT *max, RECT *min); // outer coordinates
// The font of a window's title and, lowered from its start value, where the room for it ends.
LOGFONT CaptionTitleFont(const Window *w, const NcInfo &n, int ox, int *text_right);
LRESULT Send(HWND h, UINT m, WPARAM wp, LPARAM lp);

// ---- queue ----
struct RawInput {
    enum Kind { Move, Button, Key, Char, Wheel } kind;
    int x = 0, y = 0, button = 0, down = 0, vk = 0, ch = 0, scan = 0;
    std::string text; // Key down: the Latin-1 text it typed, given out by TranslateMessage only
};
void PushInput(const RawInput &in);
// Text input: with after_key_down, the text the key-down just pushed typed (it belongs to that
// key, so a key taken by a menu or a dialog types nothing); otherwise text of its own (an input
// method, a key the layer has no virtual key for), which goes to the focus window as it is.
void PushTextInput(const std::string &latin1, bool after_key_down);
void QueueResetAll();
void RemoveMessagesFor(HWND h);
void PollNow();
void WaitForInput(int ms);  // sleeps until input or a timer may be due, then polls          //
                            // backend events and sockets, at most about once a millisecond
void SocketPoll(DWORD now); // WSAAsyncSelect notifications
void SocketResetAll();
void SocketMessageRemoved(const MSG &m); // an FD_READ left the queue: poll for more
void PaintQueueAdd(HWND h);
void PaintQueueRemove(HWND h);
bool Headless();
void EnsureInit();
uint64_t NowMs();

// ---- input routing ----
extern BYTE key_state[256];
void KeyStateReset();
bool RouteInput(const RawInput &in, MSG *out);
void TrackReset();
void CancelTrackingFor(HWND h);

// ---- focus and activation ----
extern HWND focus_window, active_window_, capture_window;
void ActivateTopLevel(HWND h, int how);
void FocusLostFor(HWND h);

// ---- menus ----
struct MenuItem {
    std::string text;
    UINT id = 0;
    UINT flags = 0;
    HMENU popup = nullptr;
};
struct Menu {
    bool popup = false;
    std::vector<MenuItem> items;
};
Menu *M(HMENU h);
void MenuResetAll();
void MenuDestroyTree(HMENU h);
void MenuDrawBar(Target &t, Window *w, int x, int y, int width);
void MenuDrawOverlay(Target &t);
bool MenuRouteInput(const RawInput &in); // true when an open menu took the input
bool MenuBarClick(HWND h, POINT screen);
bool MenuAltKey(int vk);
int MenuOpenIndex();
void MenuClose();

// ---- resources ----
struct DialogTemplateCopy {
    DialogResource res{};
    std::string caption, face;
    std::vector<DialogResourceControl> ctls;
    std::vector<std::string> cls_names, texts;
    std::vector<bool> text_is_int;
};
const DialogTemplateCopy *FindDialogResource(LPCSTR name);
std::string ResourceKey(LPCSTR name);
void ResourceResetAll();

// ---- controls ----
void RegisterBuiltinClasses();
extern const char *const DIALOG_CLASS;
struct Control {
    virtual ~Control() = default;
};
int ModalDepth();
void RegisterDialogClass();
bool OpenHelpViewer(const char *file);
bool RunModalTurn(HWND modal);

// ---- compositor and backends (the backend table is in plat_backend.h) ----
extern std::string render_request; // --render software|gpu, empty: chosen for the machine
extern int display_hz;             // the display's refresh rate (60 when it does not say)
extern bool present_vsync;         // a present waits for the display's refresh
extern std::string display_info;   // which present path, and why
uint64_t NowUs();
// Whether a frame may be presented now: at most one per refresh of the display.
bool PresentAllowed();
extern int screen_w, screen_h;
Surface &Screen();
void Compose();
bool TrackPressed(HWND h, int ht);
void DrawRaised(Target &t, int l, int tp, int r, int b, bool pressed);
void DrawSunken(Target &t, int l, int tp, int r, int b);
bool WritePng(const char *path, const Surface &s);
bool WriteBmp(const char *path, const Surface &s);
HWND HitWindow(POINT screen, bool *client);
void PresentIfDue(bool force);
bool ScreenDirty();

// ---- colours ----
uint32_t SysPixel(int index);

// ---- strings ----
std::string Latin1ToUtf8(const char *s, int n);
std::string Utf8ToLatin1(const char *s);
bool IEquals(const std::string &a, const std::string &b);
void CopyOut(const std::string &s, LPSTR out, int size);

// ---- sound ----
void SoundResetAll();

// ---- kernel ----
extern DWORD tick_offset;
extern bool ticks_frozen;         // GetTickCount moves only by PlatformTestAdvanceTicks
extern uint64_t ticks_frozen_at; // the real clock when it was frozen
void HelpViewerReset();
std::string WindowsDirectory();

} // namespace plat
