// shell.h -- the program's entry, settings, polling main loop, keyboard shortcuts and splash
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "media/win.h"
#include "net/transport.h"

enum { SHELL_HOSTNAME_LEN = IP_HOSTNAME_LEN, SHELL_VERSION = 107, SHELL_DEFAULT_PORT = 6000 };

extern HINSTANCE ghInstance;
extern HWND hwndFrame;
extern HWND hwndApp; // always hwndFrame: owns dialogs and receives socket notifications
extern HWND hwndFlash;
extern HPALETTE hPal;
extern HFONT hfont;
extern int32_t screen_w, screen_h;
extern int32_t sm_cxborder, sm_cyborder, sm_cymenu;
extern HWND active_window;
extern int32_t mouse_lb;
extern int32_t exit_flag;
extern int32_t old_ip_status; // starts at 1; a failed connection attempt has a box of its own
extern const char szFrameClass[];
extern const char szIniName[];
extern const char szAppName[];
extern BitMap flash_bitmap;

// The server the program reaches when the settings name none.
extern const char SHELL_DEFAULT_HOST[];

int WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show);
// The program: start-up, the main loop, shut-down. Returns the wParam of the last message taken,
// or 1 when the server could not be reached.

void ShellParseArguments(int argc, char **argv);
// Takes "--host NAME" and "--port N" (and the environment's KESTRUNE_HOST / KESTRUNE_PORT) as a
// server to use for this run instead of the one in the settings; "--splash-ms N" (or
// KESTRUNE_SPLASH_MS) shortens the start-up wait. Unknown arguments are left alone.

void InitializeIniFile();
// Reads port and hostname, installs "default.ini" when the stored version is older than 107,
// stores the version, then reads the key bindings (KeysLoad).

void ShellSaveSettings();
// Writes hostname and port to the settings file (a --host/--port override is not saved).

void ShellFreePalette();
// Deletes hPal and its logical-palette block.

void InitializePalette();
// Builds hPal from "default.col" and "rlight0.bmp" and realises it in hwndApp.

int ShellBuildProgram(HINSTANCE instance, HINSTANCE previous_instance);
// Makes the program without reaching for the server: log, settings, window classes, font, frame
// window and its frame rate, sockets, sound, 3D engine, menu and palette. 0 when no frame window
// could be made.

void ShellStartSession(int show);
// Shows the splash for its wait, then starts the connection attempt.

int ShellStartUp(HINSTANCE instance, HINSTANCE previous_instance, int show);
// ShellBuildProgram, then ShellStartSession; 0 when no frame window could be made.

int ShellRunLoop();
// Runs the main loop until exit_flag is set; returns the wParam of the last message taken.

extern int32_t shell_frame_hz;
// The rate the loop steps and draws a battle at: the display's refresh rate (60 when unknown).
extern uint32_t shell_frames;
// Battle frames the loop has run.

int ShellLoopPass();
// One pass of the main loop (a message, or in a battle the next frame once it is due, else a sleep
// until a message arrives; then the connection watch); returns 1 when a message was taken.

void MainProcess();
// One step of the battle; does nothing unless location is LOC_BATTLE.

int HandleKeyEvent(WPARAM key);
// The keyboard shortcuts, for every key release: 1 when the key was acted on, else 0.

void ProcessKeyboard();
// Polls the held arrow keys once per step (turns the bridge view).

void OpenFlashWindow();
// Creates the splash window showing "flash.bmp" in the middle of the screen.
LRESULT CALLBACK FlashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The splash window's procedure.
void CloseFlashWindow();
// Destroys the splash window.

void ShutDown();
// Saves the settings and releases the program's resources; does not end the process.
