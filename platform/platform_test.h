// platform_test.h -- what tests use to drive the layer: injected input, modal hook, pixels
#pragma once

#include "platform/platform.h"

// Tears everything down (windows, classes, GDI objects, menus, resources, queue, timers, sockets
// selections, sound device, key state) and starts a fresh headless screen of the given size
// (0, 0 keeps the current size), so that test cases do not see each other's state.
void PlatformTestReset(int screen_width = 0, int screen_height = 0);

// Input, as the backend would deliver it; each call queues the messages and returns. Points are
// screen coordinates. button: 0 left, 1 right.
void PlatformTestMouseMove(int x, int y);
void PlatformTestMouseButton(int x, int y, int button, BOOL down);
// Button down and up at one point.
void PlatformTestClick(int x, int y, int button = 0);
// Key press or release of a virtual key (WM_KEYDOWN / WM_KEYUP to the focus window).
void PlatformTestKey(int virtual_key, BOOL down);
// Press and release.
void PlatformTestKeyPress(int virtual_key);
// Typed Latin-1 text: one WM_CHAR per character to the focus window.
void PlatformTestText(LPCSTR text);
// A key that types, as the SDL backend delivers it: key-down, the Latin-1 text it typed, key-up.
// The text becomes WM_CHAR only when the key-down is translated (TranslateMessage), so a key a
// menu or a dialog acts on types nothing.
void PlatformTestTypeKey(int virtual_key, LPCSTR text);

// Takes and dispatches every queued message (input, posted messages, socket notifications,
// paints, due timers) until the queue is empty, passing them through IsDialogMessage for
// modeless dialogs as the game's loop would not (tests may call it inside the modal hook too).
// Returns the number dispatched.
int PlatformTestPump(void);

// Called on every turn of every nested message loop (DialogBox, MessageBox) with the modal
// window, so a test can find and answer the dialog. Null removes the hook.
typedef void (*PlatformModalHook)(HWND modal, void *user);
void PlatformTestSetModalHook(PlatformModalHook hook, void *user);
// The most recently created visible window whose caption is `caption` (any window, child or
// not), or null.
HWND PlatformTestFindWindow(LPCSTR caption);
// The text of a message box window (its caption is the window text).
BOOL PlatformTestMessageBoxText(HWND box, LPSTR text, int size);

// Runs the compositor now (frame, menu bar, children, captions, borders, z-order).
void PlatformTestCompose(void);
// A pixel of the composited screen (as of the last compose), as RGB(); CLR_INVALID off-screen.
COLORREF PlatformTestScreenPixel(int x, int y);
// A pixel of a window's backing surface, in client coordinates; CLR_INVALID when outside.
COLORREF PlatformTestWindowPixel(HWND window, int x, int y);
#define CLR_INVALID 0xFFFFFFFF
// Composes and writes the screen to `path`: PNG when it ends in ".png", else BMP. Returns 1.
int PlatformTestScreenshot(LPCSTR path);
// Composes and writes the part of the screen that a window covers (frame and caption included,
// as a PNG), so a test can keep one picture per window. Returns 1; 0 for a bad window or path.
int PlatformTestWindowShot(HWND window, LPCSTR path);
// Whether a window's title is drawn whole in its caption, clear of the caption's buttons.
BOOL PlatformTestCaptionFits(HWND window);
// Whether a menu drop-down is open (and which bar entry), -1 when none.
int PlatformTestOpenMenu(void);

// Adds `ms` to GetTickCount (the clock stays monotonic), so time-paced code can be stepped.
void PlatformTestAdvanceTicks(DWORD ms);
// Stops (TRUE) or restarts the real clock's part of GetTickCount, so that only
// PlatformTestAdvanceTicks moves it: a loaded machine then changes nothing a test steps.
void PlatformTestFreezeTicks(BOOL frozen);

// Sound without a device: makes the next DirectSoundCreate open a device that nothing plays,
// mixing `rate` Hz stereo 16-bit frames only when PlatformTestMixAudio asks for them.
void PlatformTestUseManualAudio(int rate);
// Mixes `frames` stereo frames (left, right interleaved) into `out` from the playing buffers.
void PlatformTestMixAudio(int16_t *out, int frames);
