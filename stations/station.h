// station.h -- what every station window shares: class registration, scaled size, position kept
// in the settings per screen width and ship class, the common window messages
#pragma once

#include <cstdint>

#include "platform/platform.h"

// How a station's window takes the messages every station handles alike.
enum {
    STATION_FOCUS = 1, // a mouse activation also gives the window the keyboard focus
};

// One station's fixed facts, its per-run state and the operations its window messages call.
struct Station {
    const char *class_name;                    // "CompassChild"
    const char *title;                         // "Compass"
    const char *key_x, *key_y, *key_w, *key_h; // settings keys (null: none)
    HWND *window;                              // the module's hwndXxx
    int32_t *visible;                          // the module's visible flag (survives the window)
    void (*create)(HWND window);               // WM_CREATE: makes the drawing resources
    void (*destroy)();                         // WM_DESTROY: frees them, saves the place
    // WM_SIZE: the new client size (null: sizing, maximising too, is left to the default handling)
    void (*resize)(HWND window, int32_t width, int32_t height);
    void (*click)(int32_t x, int32_t y); // WM_LBUTTONDOWN in client coordinates (null: none)
    uint32_t flags;                      // STATION_FOCUS
};

// Declares the operations every station module has under its prefix: XxxRegister() registers the
// class, XxxOpen(parent) creates the window, XxxProcess is its window procedure, XxxCreate(window)
// and XxxDestroy() make and free the drawing resources (the latter saves the place and clears
// hwndXxx), XxxVisible() is non-zero while shown, XxxShow() and XxxHide() show and hide it.
#define STATION_OPERATIONS(Xxx)                                                                    \
    void Xxx##Register();                                                                          \
    void Xxx##Open(HWND parent);                                                                   \
    LRESULT CALLBACK Xxx##Process(HWND window, UINT message, WPARAM wParam, LPARAM lParam);        \
    void Xxx##Create(HWND window);                                                                 \
    void Xxx##Destroy();                                                                           \
    int32_t Xxx##Visible();                                                                        \
    void Xxx##Show();                                                                              \
    void Xxx##Hide()

// Defines XxxVisible, XxxShow and XxxHide on the module's Station.
#define STATION_VISIBILITY(Xxx, station)                                                           \
    int32_t Xxx##Visible() {                                                                       \
        return StationVisible(&station);                                                           \
    }                                                                                              \
    void Xxx##Show() {                                                                             \
        StationShow(&station);                                                                     \
    }                                                                                              \
    void Xxx##Hide() {                                                                             \
        StationHide(&station);                                                                     \
    }

int32_t StationScaleW(int32_t design);
// design × screen_w / 800.
int32_t StationScaleH(int32_t design);
// design × screen_h / 600.
int32_t StationCaption();
// The caption height of a station window.
void StationWindowSize(int32_t design_w, int32_t design_h, int32_t *width, int32_t *height);
// The window size for a client area designed for 800 × 600: scaled, plus borders and caption.

int32_t StationReadKey(const char *key, int32_t fallback);
// The settings value under CoordinateName(key), or fallback when it is missing.

ATOM StationRegister(const char *class_name, WNDPROC proc, HBRUSH background, int32_t cursor);
// Registers a station class (own DC, redraw on resize, 4 window bytes, arrow cursor or none).

HWND StationCreate(const Station *station, HWND parent, int32_t x, int32_t y, int32_t width,
                   int32_t height, int32_t resizable, DWORD ex_style);
// (x, y) is the default place: the place saved under the station's keys replaces it. Fits the
// window into the parent's client area (a saved place is kept unless it runs off; a default place
// keeps clear of the other stations where it can), creates the station's child window and stores
// it in *station->window.

void StationSavePosition(const Station *station);
// Writes the window's top-left corner (in the frame's client coordinates), and the size of a
// resizable station, under the station's keys.

int32_t StationVisible(const Station *station);
// Non-zero while the station's window exists and is shown.
void StationShow(const Station *station);
// Shows the station when hidden, then ConfigureMenu().
void StationHide(const Station *station);
// Hides the station when shown, then ConfigureMenu().

int StationSizeMessage(HWND window, WPARAM wParam);
// WM_SIZE: turns a maximise into a restore (1: handled); 0 to go on with the resize.

HDC StationGetDC(HWND window, const char *who, int32_t *text_height);
// The window's DC, logged under `who` when there is none; *text_height (unless null) becomes the
// height of its font when that can be read. The caller releases the DC.

void StationPaint(HWND window, void (*paint)(HDC dc));
// WM_PAINT: paint draws on the window's paint DC.
void StationPaintBitmap(HWND window, uint8_t *bitmap);
// WM_PAINT: the background bitmap stretched over the client area.

LRESULT StationProcess(const Station *station, HWND window, UINT message, WPARAM wParam,
                       LPARAM lParam);
// The messages every station handles alike: creation (then hidden when the visible flag is clear),
// destruction, close (minimises), size (a maximise becomes a restore), the left button's click
// and mouse activation;
// anything else goes to the default window procedure. A station's own procedure ends by calling it.
