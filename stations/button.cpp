// button.cpp -- the submarine's orders panel: binoculars, periscope and crash-dive buttons
#include "stations/button.h"

#include "shell/debug.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "media/win.h"
#include "media/sfx.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/bridge.h"
#include "stations/station.h"

HWND hwndButton;
int32_t binoc_state = -1;
int32_t peri_state;
int32_t dive_state;
static int32_t button_visible = 1;
static BitMap button_bitmap[8];
static int32_t button_size;
static int32_t button_redraw = 1;
static int32_t button_observer_shown = -1;

static const Station button_station = {
    "ButtonChild",   "Orders",     "button_x",    "button_y",   NULL,        NULL, &hwndButton,
    &button_visible, ButtonCreate, ButtonDestroy, ButtonResize, ButtonClick, 0};

void ButtonRegister() {
    StationRegister(button_station.class_name, ButtonProcess, (HBRUSH)GetStockObject(BLACK_BRUSH),
                    1);
}

// Creates the orders panel at its saved place (default: left edge, a third of the way down).
void ButtonOpen(HWND parent) {
    int32_t width = 2 * GetSystemMetrics(SM_CXDLGFRAME) + screen_w * 4 / 800 +
                    3 * (screen_w * 50 / 800 + screen_w * 3 / 800);
    int32_t height = StationCaption() + screen_w * 58 / 800 + 2 * sm_cyborder;
    HWND window = StationCreate(&button_station, parent, 0, (screen_h - height) / 3, width, height,
                                0, WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE);
    DebugLog("hwndButton:%x", (unsigned)(uintptr_t)window);
    binoc_state = -1;
}

// Reads the eight button pictures.
void ButtonCreate(HWND window) {
    static const char *const names[8] = {"binoc1.bmp", "binoc2.bmp", "binoc3.bmp", "peri1.bmp",
                                         "peri2.bmp",  "peri3.bmp",  "dive0.bmp",  "dive1.bmp"};
    for (int i = 0; i < 8; i++)
        button_bitmap[i] = ReadBitMap(names[i]);
    button_size = screen_w * 50 / 800;
    SetWindowPalette(window, button_bitmap[0]);
}

// Saves the position and frees the pictures; hwndButton becomes null.
void ButtonDestroy() {
    StationSavePosition(&button_station);
    for (int i = 0; i < 8; i++) {
        FreeBitMap(button_bitmap[i]);
        button_bitmap[i] = NULL;
    }
    hwndButton = NULL;
    button_redraw = 1;
    button_observer_shown = -1;
}

void ButtonResize(HWND, int32_t, int32_t) {}

STATION_VISIBILITY(Button, button_station)

void ButtonClick(int32_t x, int32_t y) {
    int32_t n = x == -1 ? y : (x - 1) / (screen_w * 53 / 800);
    switch (n) {
    case 0:
        if (binoc_state == 0) return;
        observer_use = 2;
        observer_status ^= 2;
        BridgeClear(0);
        break;
    case 1:
        if (peri_state == 0) return;
        observer_use = 1;
        observer_status ^= 1;
        BridgeClear(0);
        if ((observer_status & 1) && player_mobile)
            PlaySoundEffect(player_mobile->x, player_mobile->z, SFX_PERI);
        break;
    case 2:
        dive_state = 1 - dive_state;
        CrashDive(dive_state);
        button_redraw = 1;
        break;
    }
}

// One optic's availability: switched off and greyed below `deepest`, else on or off by its bit.
static void ButtonOptic(int32_t *state, int32_t bit, int32_t deepest) {
    if (player_mobile->y > deepest) {
        observer_status &= ~bit;
        if (*state != 0) {
            BridgeClear(0);
            *state = 0;
            button_redraw = 1;
        }
        return;
    }
    int32_t now = (observer_status & bit) ? 2 : 1;
    if (now != *state) {
        *state = now;
        button_redraw = 1;
    }
}

void ButtonUpdate() {
    if (!hwndButton || !button_visible || !player_mobile) return;
    ButtonOptic(&binoc_state, 2, 0);
    ButtonOptic(&peri_state, 1, 15);
    int32_t diving = (player_mobile->contact & CT_CRASHDIVE) != 0;
    if (dive_state != diving) {
        dive_state = diving;
        button_redraw = 1;
    }
    if (observer_status == button_observer_shown && !button_redraw) return;
    button_observer_shown = observer_status;
    button_redraw = 0;
    HDC dc = GetDC(hwndButton);
    if (!dc) DebugLog("ButtonUpdate: GetDC");
    ButtonPaint(dc);
    if (dc) ReleaseDC(hwndButton, dc);
}

void ButtonPaint(HDC dc) {
    if (binoc_state < 0 || !dc) return;
    int32_t l = button_size;
    CopyBitMap(button_bitmap[binoc_state], dc, 1, 1, l, l, 1);
    CopyBitMap(button_bitmap[3 + peri_state], dc, screen_w * 4 / 800 + l, 1, l, l, 1);
    CopyBitMap(button_bitmap[6 + dive_state], dc, screen_w * 7 / 800 + 2 * l, 1, l, l, 1);
}

LRESULT CALLBACK ButtonProcess(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        button_redraw = 0;
        StationPaint(window, [](HDC dc) { ButtonPaint(dc); });
        return 0;
    }
    return StationProcess(&button_station, window, message, wParam, lParam);
}
