// chat.cpp -- the radio room: the battle's text traffic, and lines typed to the other players
#include "stations/chat.h"

#include <cstring>

#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "net/battle_messages.h"
#include "stations/station.h"

HWND hwndChat;
int32_t radio_addressee;
static int32_t chat_visible = 1;
static HWND chat_log, chat_input, chat_send, chat_to;
static WNDPROC chat_input_proc;
static int32_t line_height;

static const char *const chat_addressee_name[3] = {"All", "Them", "Us"};

static const Station chat_station = {
    "ChatChild",   "Radio room", "chat_x",    "chat_y",   "chat_w", "chat_h", &hwndChat,
    &chat_visible, ChatCreate,   ChatDestroy, ChatResize, NULL,     0};

void ChatRegister() {
    StationRegister(chat_station.class_name, ChatProcess, (HBRUSH)GetStockObject(WHITE_BRUSH), 1);
}

// Creates the radio room at its saved place and size (default: bottom left, two thirds wide).
void ChatOpen(HWND parent) {
    int32_t width = StationReadKey("chat_w", screen_w * 2 / 3);
    int32_t height = StationReadKey("chat_h", screen_h * 80 / 320);
    HWND window =
        StationCreate(&chat_station, parent, 0, screen_h - height + sm_cymenu - 1 + 2 * sm_cyborder,
                      width, height, 1, WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
    DebugLog("hwndChat=%x", (unsigned)(uintptr_t)window);
}

static int32_t ChatBar() {
    return line_height + 6;
}

// Makes the log, the input box and the two buttons.
void ChatCreate(HWND window) {
    SendMessage(window, WM_SETFONT, (WPARAM)hfont, 0);
    radio_addressee = 0;
    HDC dc = GetDC(window);
    line_height = 14;
    if (dc) {
        HGDIOBJ old = SelectObject(dc, hfont);
        TEXTMETRIC tm;
        if (GetTextMetrics(dc, &tm)) line_height = tm.tmHeight;
        SelectObject(dc, old);
        ReleaseDC(window, dc);
    }
    RECT r;
    GetClientRect(window, &r);
    int32_t w = r.right - r.left, h = r.bottom - r.top, bar = ChatBar();
    chat_send =
        CreateWindowEx(0, "BUTTON", "Send", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, w - 100,
                       h - bar, 50, bar, window, (HMENU)(intptr_t)CHAT_SEND, ghInstance, NULL);
    chat_to = CreateWindowEx(0, "BUTTON", chat_addressee_name[0],
                             WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, w - 50, h - bar, 50, bar,
                             window, (HMENU)(intptr_t)CHAT_ADDRESSEE, ghInstance, NULL);
    chat_input = CreateWindowEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                                0, h - bar, w - 100, bar, window, (HMENU)(intptr_t)CHAT_INPUT,
                                ghInstance, NULL);
    SendMessage(chat_input, EM_LIMITTEXT, 80, 0);
    chat_input_proc = (WNDPROC)SetWindowLongPtr(chat_input, GWLP_WNDPROC, (LONG_PTR)EditBoxFunc);
    chat_log = CreateWindowEx(
        0, "EDIT", "",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0, w,
        h - bar, window, (HMENU)(intptr_t)CHAT_LOG, ghInstance, NULL);
    SendMessage(chat_log, WM_SETFONT, (WPARAM)hfont, 0);
    SendMessage(chat_input, WM_SETFONT, (WPARAM)hfont, 0);
    SendMessage(chat_send, WM_SETFONT, (WPARAM)hfont, 0);
    SendMessage(chat_to, WM_SETFONT, (WPARAM)hfont, 0);
}

// Saves position and size; hwndChat becomes null.
void ChatDestroy() {
    if (chat_input && chat_input_proc)
        SetWindowLongPtr(chat_input, GWLP_WNDPROC, (LONG_PTR)chat_input_proc);
    chat_input_proc = NULL;
    StationSavePosition(&chat_station);
    chat_log = chat_input = chat_send = chat_to = NULL;
    hwndChat = NULL;
}

void ChatResize(HWND window, int32_t width, int32_t height) {
    (void)window;
    int32_t bar = ChatBar();
    // A window squeezed below its button bar keeps its controls at their smallest.
    if (width < 100) width = 100;
    if (height < bar + 1) height = bar + 1;
    UINT flags = SWP_NOZORDER;
    if (chat_log) SetWindowPos(chat_log, NULL, 0, 0, width, height - bar, flags);
    if (chat_input) SetWindowPos(chat_input, NULL, 0, height - bar, width - 100, bar, flags);
    if (chat_send) SetWindowPos(chat_send, NULL, width - 100, height - bar, 50, bar, flags);
    if (chat_to) SetWindowPos(chat_to, NULL, width - 50, height - bar, 50, bar, flags);
}

STATION_VISIBILITY(Chat, chat_station)

void ChatAddMessage(const char *text) {
    if (!hwndChat || !chat_log) {
        DebugLog("ChatAddMessage: Tried to add to nonexistant chat window");
        return;
    }
    if (!text) text = "";
    char line[130];
    size_t n = strlen(text);
    if (n > 127) n = 127;
    memcpy(line, text, n);
    memcpy(line + n, "\r\n", 3);

    SendMessage(chat_log, WM_SETREDRAW, FALSE, 0);
    if (SendMessage(chat_log, EM_GETLINECOUNT, 0, 0) > 256) {
        LRESULT second = SendMessage(chat_log, EM_LINEINDEX, 1, 0);
        SendMessage(chat_log, EM_SETSEL, 0, second);
        SendMessage(chat_log, EM_REPLACESEL, FALSE, (LPARAM) "");
    }
    int length = GetWindowTextLength(chat_log);
    SendMessage(chat_log, EM_SETSEL, length, length);
    SendMessage(chat_log, EM_REPLACESEL, FALSE, (LPARAM)line);
    length = GetWindowTextLength(chat_log);
    SendMessage(chat_log, EM_SETSEL, length, length);
    SendMessage(chat_log, WM_SETREDRAW, TRUE, 0);
    SendMessage(chat_log, EM_SCROLLCARET, 0, 0);
}

void ChatSendMessage(const char *text) {
    if (!text || !text[0]) return;
    DebugLog("CharSendLine: %s", text);
    SendRadioPacket(text, radio_addressee);
}

LRESULT CALLBACK EditBoxFunc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && wParam == '\r') {
        if (hwndChat)
            PostMessage(hwndChat, WM_COMMAND, MAKEWPARAM(CHAT_SEND, BN_CLICKED), (LPARAM)chat_send);
        return 0;
    }
    if (chat_input_proc) return CallWindowProc(chat_input_proc, window, message, wParam, lParam);
    return DefWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK ChatProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        // A minimised radio room has no client area to lay out.
        if (wParam == SIZE_MINIMIZED) return DefWindowProc(window, message, wParam, lParam);
        break;
    case WM_MOUSEACTIVATE:
        // The focus goes to the line being typed, not to the window.
        ActivateWindow(window);
        if (chat_input) SetFocus(chat_input);
        return DefWindowProc(window, message, wParam, lParam);
    case WM_COMMAND:
        if (LOWORD(wParam) == CHAT_ADDRESSEE) {
            radio_addressee = (radio_addressee + 1) % 3;
            SetWindowText(chat_to, chat_addressee_name[radio_addressee]);
        } else if (LOWORD(wParam) == CHAT_SEND && chat_input) {
            char buffer[128];
            GetWindowText(chat_input, buffer, sizeof buffer);
            ChatSendMessage(buffer);
            SetWindowText(chat_input, "");
        }
        break;
    }
    return StationProcess(&chat_station, window, message, wParam, lParam);
}
