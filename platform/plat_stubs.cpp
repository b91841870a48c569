// plat_stubs.cpp -- calls not implemented yet: each fails quietly
#include "platform/platform.h"
#include "platform/platform_test.h"
#pragma GCC diagnostic ignored "-Wunused-parameter"

HRESULT DirectSoundCreate(LPCGUID device, LPDIRECTSOUND *sound, LPUNKNOWN outer) { return DSERR_NODRIVER; }
int PlatformInit(int argc, char **argv) { return 1; }
void PlatformShutdown(void) {}
LPSTR PlatformCommandLine(void) { return (LPSTR)0; }
HINSTANCE PlatformInstance(void) { return (HINSTANCE)0; }
void PlatformSetLogFunction(void (*sink)(const char *line)) {}
int PlatformMapFileName(LPCSTR name, char *out, size_t size) { return (int)0; }
FILE * PlatformFileOpen(LPCSTR name, LPCSTR mode) { return (FILE *)0; }
LPCSTR PlatformDataFolder(void) { return (LPCSTR)0; }
BOOL RegisterMenuResource(LPCSTR name, const MenuResourceItem *items, int count) { return (BOOL)0; }
BOOL RegisterDialogResource(LPCSTR name, const DialogResource *dialog) { return (BOOL)0; }
BOOL RegisterIconResource(LPCSTR name, int width, int height, const DWORD *pixels) { return (BOOL)0; }
ATOM RegisterClass(const WNDCLASS *wc) { return (ATOM)0; }
ATOM RegisterClassEx(const WNDCLASSEX *wc) { return (ATOM)0; }
BOOL UnregisterClass(LPCSTR class_name, HINSTANCE instance) { return (BOOL)0; }
BOOL GetClassInfo(HINSTANCE instance, LPCSTR class_name, LPWNDCLASS wc) { return (BOOL)0; }
int GetClassName(HWND window, LPSTR name, int size) { return (int)0; }
HWND CreateWindowEx(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) { return (HWND)0; }
HWND CreateWindow(LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) { return (HWND)0; }
BOOL DestroyWindow(HWND window) { return (BOOL)0; }
BOOL ShowWindow(HWND window, int command) { return (BOOL)0; }
BOOL UpdateWindow(HWND window) { return (BOOL)0; }
BOOL IsWindow(HWND window) { return (BOOL)0; }
BOOL IsWindowVisible(HWND window) { return (BOOL)0; }
BOOL IsWindowEnabled(HWND window) { return (BOOL)0; }
BOOL IsIconic(HWND window) { return (BOOL)0; }
BOOL IsZoomed(HWND window) { return (BOOL)0; }
BOOL IsChild(HWND parent, HWND window) { return (BOOL)0; }
BOOL EnableWindow(HWND window, BOOL enable) { return (BOOL)0; }
BOOL CloseWindow(HWND window) { return (BOOL)0; }
BOOL OpenIcon(HWND window) { return (BOOL)0; }
BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int cx, int cy, UINT flags) { return (BOOL)0; }
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) { return (BOOL)0; }
BOOL BringWindowToTop(HWND window) { return (BOOL)0; }
BOOL GetClientRect(HWND window, LPRECT rect) { return (BOOL)0; }
BOOL GetWindowRect(HWND window, LPRECT rect) { return (BOOL)0; }
BOOL ScreenToClient(HWND window, LPPOINT point) { return (BOOL)0; }
BOOL ClientToScreen(HWND window, LPPOINT point) { return (BOOL)0; }
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) { return (int)0; }
BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return (BOOL)0; }
BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD ex_style) { return (BOOL)0; }
BOOL SetWindowText(HWND window, LPCSTR text) { return (BOOL)0; }
int GetWindowText(HWND window, LPSTR text, int size) { return (int)0; }
int GetWindowTextLength(HWND window) { return (int)0; }
HWND GetParent(HWND window) { return (HWND)0; }
HWND SetParent(HWND window, HWND parent) { return (HWND)0; }
HWND GetWindow(HWND window, UINT relation) { return (HWND)0; }
HWND GetTopWindow(HWND window) { return (HWND)0; }
HWND GetDesktopWindow(void) { return (HWND)0; }
HWND WindowFromPoint(POINT point) { return (HWND)0; }
HWND ChildWindowFromPoint(HWND parent, POINT point) { return (HWND)0; }
HWND FindWindow(LPCSTR class_name, LPCSTR window_name) { return (HWND)0; }
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param) { return (BOOL)0; }
HWND SetActiveWindow(HWND window) { return (HWND)0; }
HWND GetActiveWindow(void) { return (HWND)0; }
BOOL SetForegroundWindow(HWND window) { return (BOOL)0; }
HWND GetForegroundWindow(void) { return (HWND)0; }
HWND SetFocus(HWND window) { return (HWND)0; }
HWND GetFocus(void) { return (HWND)0; }
HWND SetCapture(HWND window) { return (HWND)0; }
BOOL ReleaseCapture(void) { return (BOOL)0; }
HWND GetCapture(void) { return (HWND)0; }
LONG_PTR SetWindowLongPtr(HWND window, int index, LONG_PTR value) { return (LONG_PTR)0; }
LONG_PTR GetWindowLongPtr(HWND window, int index) { return (LONG_PTR)0; }
LONG SetWindowLong(HWND window, int index, LONG value) { return (LONG)0; }
LONG GetWindowLong(HWND window, int index) { return (LONG)0; }
WORD SetWindowWord(HWND window, int index, WORD value) { return (WORD)0; }
WORD GetWindowWord(HWND window, int index) { return (WORD)0; }
ULONG_PTR SetClassLongPtr(HWND window, int index, LONG_PTR value) { return (ULONG_PTR)0; }
ULONG_PTR GetClassLongPtr(HWND window, int index) { return (ULONG_PTR)0; }
LRESULT CallWindowProc(WNDPROC proc, HWND window, UINT message, WPARAM wparam, LPARAM lparam) { return (LRESULT)0; }
LRESULT DefWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) { return (LRESULT)0; }
BOOL PeekMessage(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) { return (BOOL)0; }
BOOL GetMessage(LPMSG msg, HWND window, UINT first, UINT last) { return (BOOL)0; }
BOOL WaitMessage(void) { return (BOOL)0; }
BOOL TranslateMessage(const MSG *msg) { return (BOOL)0; }
LRESULT DispatchMessage(const MSG *msg) { return (LRESULT)0; }
LRESULT SendMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) { return (LRESULT)0; }
BOOL PostMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) { return (BOOL)0; }
void PostQuitMessage(int exit_code) {}
DWORD GetMessageTime(void) { return (DWORD)0; }
DWORD GetMessagePos(void) { return (DWORD)0; }
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse_ms, TIMERPROC proc) { return (UINT_PTR)0; }
BOOL KillTimer(HWND window, UINT_PTR id) { return (BOOL)0; }
int GetSystemMetrics(int index) { return (int)0; }
DWORD GetSysColor(int index) { return (DWORD)0; }
HBRUSH GetSysColorBrush(int index) { return (HBRUSH)0; }
SHORT GetKeyState(int virtual_key) { return (SHORT)0; }
SHORT GetAsyncKeyState(int virtual_key) { return (SHORT)0; }
HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) { return (HCURSOR)0; }
HCURSOR SetCursor(HCURSOR cursor) { return (HCURSOR)0; }
int ShowCursor(BOOL show) { return (int)0; }
BOOL GetCursorPos(LPPOINT point) { return (BOOL)0; }
BOOL SetCursorPos(int x, int y) { return (BOOL)0; }
HICON LoadIcon(HINSTANCE instance, LPCSTR name) { return (HICON)0; }
BOOL DrawIcon(HDC dc, int x, int y, HICON icon) { return (BOOL)0; }
BOOL MessageBeep(UINT type) { return (BOOL)0; }
BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) { return (BOOL)0; }
BOOL SetRectEmpty(LPRECT rect) { return (BOOL)0; }
BOOL CopyRect(LPRECT dst, const RECT *src) { return (BOOL)0; }
BOOL OffsetRect(LPRECT rect, int dx, int dy) { return (BOOL)0; }
BOOL InflateRect(LPRECT rect, int dx, int dy) { return (BOOL)0; }
BOOL IntersectRect(LPRECT dst, const RECT *a, const RECT *b) { return (BOOL)0; }
BOOL UnionRect(LPRECT dst, const RECT *a, const RECT *b) { return (BOOL)0; }
BOOL PtInRect(const RECT *rect, POINT point) { return (BOOL)0; }
BOOL IsRectEmpty(const RECT *rect) { return (BOOL)0; }
BOOL EqualRect(const RECT *a, const RECT *b) { return (BOOL)0; }
HMENU LoadMenu(HINSTANCE instance, LPCSTR name) { return (HMENU)0; }
HMENU CreateMenu(void) { return (HMENU)0; }
HMENU CreatePopupMenu(void) { return (HMENU)0; }
BOOL DestroyMenu(HMENU menu) { return (BOOL)0; }
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id_or_popup, LPCSTR text) { return (BOOL)0; }
HMENU GetMenu(HWND window) { return (HMENU)0; }
BOOL SetMenu(HWND window, HMENU menu) { return (BOOL)0; }
HMENU GetSubMenu(HMENU menu, int position) { return (HMENU)0; }
int GetMenuItemCount(HMENU menu) { return (int)0; }
UINT GetMenuItemID(HMENU menu, int position) { return (UINT)0; }
int GetMenuString(HMENU menu, UINT item, LPSTR text, int size, UINT flags) { return (int)0; }
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) { return (BOOL)0; }
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) { return (DWORD)0; }
UINT GetMenuState(HMENU menu, UINT item, UINT flags) { return (UINT)0; }
BOOL DrawMenuBar(HWND window) { return (BOOL)0; }
INT_PTR DialogBox(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc) { return (INT_PTR)0; }
INT_PTR DialogBoxParam(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) { return (INT_PTR)0; }
HWND CreateDialog(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc) { return (HWND)0; }
HWND CreateDialogParam(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) { return (HWND)0; }
BOOL EndDialog(HWND dialog, INT_PTR result) { return (BOOL)0; }
BOOL IsDialogMessage(HWND dialog, LPMSG msg) { return (BOOL)0; }
LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) { return (LRESULT)0; }
HWND GetDlgItem(HWND dialog, int id) { return (HWND)0; }
int GetDlgCtrlID(HWND window) { return (int)0; }
BOOL SetDlgItemText(HWND dialog, int id, LPCSTR text) { return (BOOL)0; }
UINT GetDlgItemText(HWND dialog, int id, LPSTR text, int size) { return (UINT)0; }
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed) { return (BOOL)0; }
UINT GetDlgItemInt(HWND dialog, int id, BOOL *translated, BOOL is_signed) { return (UINT)0; }
BOOL CheckDlgButton(HWND dialog, int id, UINT check) { return (BOOL)0; }
BOOL CheckRadioButton(HWND dialog, int first_id, int last_id, int check_id) { return (BOOL)0; }
UINT IsDlgButtonChecked(HWND dialog, int id) { return (UINT)0; }
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) { return (LRESULT)0; }
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) { return (HWND)0; }
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) { return (HWND)0; }
BOOL MapDialogRect(HWND dialog, LPRECT rect) { return (BOOL)0; }
LONG GetDialogBaseUnits(void) { return (LONG)0; }
int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) { return (int)0; }
HDC GetDC(HWND window) { return (HDC)0; }
HDC GetWindowDC(HWND window) { return (HDC)0; }
int ReleaseDC(HWND window, HDC dc) { return (int)0; }
HDC BeginPaint(HWND window, LPPAINTSTRUCT ps) { return (HDC)0; }
BOOL EndPaint(HWND window, const PAINTSTRUCT *ps) { return (BOOL)0; }
BOOL InvalidateRect(HWND window, const RECT *rect, BOOL erase) { return (BOOL)0; }
BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase) { return (BOOL)0; }
BOOL ValidateRect(HWND window, const RECT *rect) { return (BOOL)0; }
BOOL GetUpdateRect(HWND window, LPRECT rect, BOOL erase) { return (BOOL)0; }
HDC CreateDC(LPCSTR driver, LPCSTR device, LPCSTR port, const void *devmode) { return (HDC)0; }
HDC CreateCompatibleDC(HDC dc) { return (HDC)0; }
BOOL DeleteDC(HDC dc) { return (BOOL)0; }
int SaveDC(HDC dc) { return (int)0; }
BOOL RestoreDC(HDC dc, int saved) { return (BOOL)0; }
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) { return (HBITMAP)0; }
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void *bits) { return (HBITMAP)0; }
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER *header, DWORD init, const void *bits, const BITMAPINFO *info, UINT usage) { return (HBITMAP)0; }
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits, HANDLE section, DWORD offset) { return (HBITMAP)0; }
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) { return (HGDIOBJ)0; }
BOOL DeleteObject(HGDIOBJ object) { return (BOOL)0; }
HGDIOBJ GetStockObject(int index) { return (HGDIOBJ)0; }
int GetObject(HGDIOBJ object, int size, LPVOID out) { return (int)0; }
DWORD GetObjectType(HGDIOBJ object) { return (DWORD)0; }
HGDIOBJ GetCurrentObject(HDC dc, UINT type) { return (HGDIOBJ)0; }
int GetDeviceCaps(HDC dc, int index) { return (int)0; }
HPEN CreatePen(int style, int width, COLORREF colour) { return (HPEN)0; }
HPEN CreatePenIndirect(const LOGPEN *pen) { return (HPEN)0; }
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH *brush, DWORD style_count, const DWORD *styles) { return (HPEN)0; }
HBRUSH CreateSolidBrush(COLORREF colour) { return (HBRUSH)0; }
HBRUSH CreateBrushIndirect(const LOGBRUSH *brush) { return (HBRUSH)0; }
COLORREF SetBkColor(HDC dc, COLORREF colour) { return (COLORREF)0; }
COLORREF GetBkColor(HDC dc) { return (COLORREF)0; }
int SetBkMode(HDC dc, int mode) { return (int)0; }
int GetBkMode(HDC dc) { return (int)0; }
COLORREF SetTextColor(HDC dc, COLORREF colour) { return (COLORREF)0; }
COLORREF GetTextColor(HDC dc) { return (COLORREF)0; }
UINT SetTextAlign(HDC dc, UINT align) { return (UINT)0; }
int SetROP2(HDC dc, int mode) { return (int)0; }
int SetStretchBltMode(HDC dc, int mode) { return (int)0; }
int GetStretchBltMode(HDC dc) { return (int)0; }
BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT old) { return (BOOL)0; }
BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT old) { return (BOOL)0; }
BOOL MoveToEx(HDC dc, int x, int y, LPPOINT old) { return (BOOL)0; }
BOOL GetCurrentPositionEx(HDC dc, LPPOINT point) { return (BOOL)0; }
BOOL LineTo(HDC dc, int x, int y) { return (BOOL)0; }
BOOL Polyline(HDC dc, const POINT *points, int count) { return (BOOL)0; }
BOOL Polygon(HDC dc, const POINT *points, int count) { return (BOOL)0; }
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) { return (BOOL)0; }
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height) { return (BOOL)0; }
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) { return (BOOL)0; }
BOOL Arc(HDC dc, int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) { return (BOOL)0; }
BOOL Pie(HDC dc, int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) { return (BOOL)0; }
int FillRect(HDC dc, const RECT *rect, HBRUSH brush) { return (int)0; }
int FrameRect(HDC dc, const RECT *rect, HBRUSH brush) { return (int)0; }
BOOL InvertRect(HDC dc, const RECT *rect) { return (BOOL)0; }
BOOL DrawFocusRect(HDC dc, const RECT *rect) { return (BOOL)0; }
COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour) { return (COLORREF)0; }
BOOL SetPixelV(HDC dc, int x, int y, COLORREF colour) { return (BOOL)0; }
COLORREF GetPixel(HDC dc, int x, int y) { return (COLORREF)0; }
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) { return (BOOL)0; }
BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop) { return (BOOL)0; }
BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int swidth, int sheight, DWORD rop) { return (BOOL)0; }
int StretchDIBits(HDC dc, int x, int y, int width, int height, int sx, int sy, int swidth, int sheight, const void *bits, const BITMAPINFO *info, UINT usage, DWORD rop) { return (int)0; }
int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sx, int sy, UINT start_scan, UINT scan_lines, const void *bits, const BITMAPINFO *info, UINT usage) { return (int)0; }
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start_scan, UINT scan_lines, const void *bits, const BITMAPINFO *info, UINT usage) { return (int)0; }
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start_scan, UINT scan_lines, void *bits, LPBITMAPINFO info, UINT usage) { return (int)0; }
HRGN CreateRectRgn(int left, int top, int right, int bottom) { return (HRGN)0; }
HRGN CreateRectRgnIndirect(const RECT *rect) { return (HRGN)0; }
HRGN CreateEllipticRgn(int left, int top, int right, int bottom) { return (HRGN)0; }
HRGN CreateEllipticRgnIndirect(const RECT *rect) { return (HRGN)0; }
HRGN CreatePolygonRgn(const POINT *points, int count, int fill_mode) { return (HRGN)0; }
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) { return (HRGN)0; }
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) { return (int)0; }
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) { return (BOOL)0; }
int OffsetRgn(HRGN region, int dx, int dy) { return (int)0; }
int GetRgnBox(HRGN region, LPRECT rect) { return (int)0; }
BOOL PtInRegion(HRGN region, int x, int y) { return (BOOL)0; }
BOOL RectInRegion(HRGN region, const RECT *rect) { return (BOOL)0; }
BOOL EqualRgn(HRGN a, HRGN b) { return (BOOL)0; }
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) { return (BOOL)0; }
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height) { return (BOOL)0; }
BOOL PaintRgn(HDC dc, HRGN region) { return (BOOL)0; }
int SelectClipRgn(HDC dc, HRGN region) { return (int)0; }
int ExtSelectClipRgn(HDC dc, HRGN region, int mode) { return (int)0; }
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) { return (int)0; }
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) { return (int)0; }
int GetClipBox(HDC dc, LPRECT rect) { return (int)0; }
HPALETTE CreatePalette(const LOGPALETTE *palette) { return (HPALETTE)0; }
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background) { return (HPALETTE)0; }
UINT RealizePalette(HDC dc) { return (UINT)0; }
UINT SetPaletteEntries(HPALETTE palette, UINT first, UINT count, const PALETTEENTRY *entries) { return (UINT)0; }
UINT GetPaletteEntries(HPALETTE palette, UINT first, UINT count, LPPALETTEENTRY entries) { return (UINT)0; }
UINT GetSystemPaletteEntries(HDC dc, UINT first, UINT count, LPPALETTEENTRY entries) { return (UINT)0; }
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour) { return (UINT)0; }
BOOL AnimatePalette(HPALETTE palette, UINT first, UINT count, const PALETTEENTRY *entries) { return (BOOL)0; }
BOOL UnrealizeObject(HGDIOBJ object) { return (BOOL)0; }
UINT SetSystemPaletteUse(HDC dc, UINT use) { return (UINT)0; }
BOOL ResizePalette(HPALETTE palette, UINT entries) { return (BOOL)0; }
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline, DWORD strike_out, DWORD charset, DWORD out_precision, DWORD clip_precision, DWORD quality, DWORD pitch_and_family, LPCSTR face) { return (HFONT)0; }
HFONT CreateFontIndirect(const LOGFONT *font) { return (HFONT)0; }
BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count) { return (BOOL)0; }
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT *rect, LPCSTR text, UINT count, const INT *dx) { return (BOOL)0; }
int DrawText(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format) { return (int)0; }
BOOL GetTextMetrics(HDC dc, LPTEXTMETRIC metrics) { return (BOOL)0; }
BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, LPSIZE size) { return (BOOL)0; }
BOOL GetTextExtentPoint(HDC dc, LPCSTR text, int count, LPSIZE size) { return (BOOL)0; }
BOOL GdiFlush(void) { return (BOOL)0; }
DWORD GetTickCount(void) { return (DWORD)0; }
void Sleep(DWORD ms) {}
DWORD GetLastError(void) { return (DWORD)0; }
void SetLastError(DWORD error) {}
HMODULE GetModuleHandle(LPCSTR name) { return (HMODULE)0; }
DWORD GetModuleFileName(HMODULE module, LPSTR path, DWORD size) { return (DWORD)0; }
void OutputDebugString(LPCSTR text) {}
UINT GetWindowsDirectory(LPSTR path, UINT size) { return (UINT)0; }
UINT GetSystemDirectory(LPSTR path, UINT size) { return (UINT)0; }
DWORD GetCurrentDirectory(DWORD size, LPSTR path) { return (DWORD)0; }
UINT GetPrivateProfileInt(LPCSTR section, LPCSTR key, INT default_value, LPCSTR file) { return (UINT)0; }
DWORD GetPrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR default_value, LPSTR out, DWORD size, LPCSTR file) { return (DWORD)0; }
BOOL WritePrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) { return (BOOL)0; }
UINT GetProfileInt(LPCSTR section, LPCSTR key, INT default_value) { return (UINT)0; }
BOOL CopyFile(LPCSTR existing, LPCSTR new_name, BOOL fail_if_exists) { return (BOOL)0; }
BOOL DeleteFile(LPCSTR name) { return (BOOL)0; }
BOOL MoveFile(LPCSTR existing, LPCSTR new_name) { return (BOOL)0; }
DWORD GetFileAttributes(LPCSTR name) { return (DWORD)0; }
UINT WinExec(LPCSTR command_line, UINT show) { return (UINT)0; }
BOOL WinHelp(HWND window, LPCSTR help_file, UINT command, ULONG_PTR data) { return (BOOL)0; }
HFILE _lopen(LPCSTR name, int mode) { return (HFILE)0; }
HFILE _lcreat(LPCSTR name, int attributes) { return (HFILE)0; }
UINT _lread(HFILE file, LPVOID buffer, UINT count) { return (UINT)0; }
UINT _lwrite(HFILE file, LPCCH buffer, UINT count) { return (UINT)0; }
LONG _llseek(HFILE file, LONG offset, int origin) { return (LONG)0; }
HFILE _lclose(HFILE file) { return (HFILE)0; }
HGLOBAL GlobalAlloc(UINT flags, size_t bytes) { return (HGLOBAL)0; }
LPVOID GlobalLock(HGLOBAL memory) { return (LPVOID)0; }
BOOL GlobalUnlock(HGLOBAL memory) { return (BOOL)0; }
HGLOBAL GlobalFree(HGLOBAL memory) { return (HGLOBAL)0; }
HLOCAL LocalAlloc(UINT flags, size_t bytes) { return (HLOCAL)0; }
HLOCAL LocalFree(HLOCAL memory) { return (HLOCAL)0; }
int WSAStartup(WORD version, LPWSADATA data) { return (int)0; }
int WSACleanup(void) { return (int)0; }
int WSAGetLastError(void) { return (int)0; }
void WSASetLastError(int error) {}
int closesocket(SOCKET socket) { return (int)0; }
int ioctlsocket(SOCKET socket, long command, u_long *arg) { return (int)0; }
int WSAAsyncSelect(SOCKET socket, HWND window, UINT message, long events) { return (int)0; }
struct hostent * PlatformGetHostByName(const char *name) { return (struct hostent *)0; }
void PlatformTestReset(int screen_width, int screen_height) {}
void PlatformTestMouseMove(int x, int y) {}
void PlatformTestMouseButton(int x, int y, int button, BOOL down) {}
void PlatformTestClick(int x, int y, int button) {}
void PlatformTestKey(int virtual_key, BOOL down) {}
void PlatformTestKeyPress(int virtual_key) {}
void PlatformTestText(LPCSTR text) {}
int PlatformTestPump(void) { return (int)0; }
void PlatformTestSetModalHook(PlatformModalHook hook, void *user) {}
HWND PlatformTestFindWindow(LPCSTR caption) { return (HWND)0; }
BOOL PlatformTestMessageBoxText(HWND box, LPSTR text, int size) { return (BOOL)0; }
void PlatformTestCompose(void) {}
COLORREF PlatformTestScreenPixel(int x, int y) { return (COLORREF)0; }
COLORREF PlatformTestWindowPixel(HWND window, int x, int y) { return (COLORREF)0; }
int PlatformTestScreenshot(LPCSTR path) { return (int)0; }
int PlatformTestOpenMenu(void) { return (int)0; }
void PlatformTestAdvanceTicks(DWORD ms) {}
void PlatformTestUseManualAudio(int rate) {}
void PlatformTestMixAudio(int16_t *out, int frames) {}
