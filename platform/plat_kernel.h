// plat_kernel.h -- the layer's start-up, files, time, settings (INI files), programs and memory
#pragma once

#include "platform/plat_types.h"

#include <cstdio>

// ---------------------------------------------------------------------------------------------
// Process entry (the layer's own)
// ---------------------------------------------------------------------------------------------

// Starts the layer: parses and removes `--screen WxH`, opens the SDL2 backend, or the headless
// one when KESTRUNE_HEADLESS=1 or there is no display. Returns 1, or 0 when nothing can be
// opened. Calls made before it start the headless backend on their own.
int PlatformInit(int argc, char **argv);
// Destroys every window and object and closes the backend and the sound device.
void PlatformShutdown(void);
// The command line after the program name, without the options the layer took (WinMain's
// lpCmdLine).
LPSTR PlatformCommandLine(void);
// The module handle to pass as WinMain's instance.
HINSTANCE PlatformInstance(void);
// Sends the layer's log lines (failures, "why" of a refused call) to `sink`; null restores
// stderr. Returns the sink it replaces.
typedef void (*PlatformLogSink)(const char *line);
PlatformLogSink PlatformSetLogFunction(PlatformLogSink sink);
// Resolves a game file name ("gfx\\compass.bmp", "3D\\SUB.DSH") to a path: backslashes become
// slashes, each part is matched without regard to case in the working folder, and a read-only
// name missing there is looked up in the data folder ($KESTRUNE_DATA, else data/ beside the
// executable). Writes the path into `out` and returns 1 when the file exists, else writes the
// plain mapped name and returns 0.
int PlatformMapFileName(LPCSTR name, char *out, size_t size);
// fopen with the name mapping above (a file opened for writing is created in the working
// folder when it does not exist anywhere).
FILE *PlatformFileOpen(LPCSTR name, LPCSTR mode);
// The data folder ($KESTRUNE_DATA, else data/ beside the executable).
LPCSTR PlatformDataFolder(void);
// How frames reach the screen and why that way was chosen ("software present: ...", "gpu
// present: ...", "headless"), with the display's rate, for the program's log.
LPCSTR PlatformDisplayInfo(void);

// ---------------------------------------------------------------------------------------------
// Kernel: files
// ---------------------------------------------------------------------------------------------
#define OF_READ 0x00000000
#define OF_WRITE 0x00000001
#define OF_READWRITE 0x00000002
#define OF_SHARE_COMPAT 0x00000000
#define OF_SHARE_EXCLUSIVE 0x00000010
#define OF_SHARE_DENY_WRITE 0x00000020
#define OF_SHARE_DENY_READ 0x00000030
#define OF_SHARE_DENY_NONE 0x00000040
#define HFILE_ERROR ((HFILE)-1)
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define MAX_PATH 260

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

// ---------------------------------------------------------------------------------------------
// Kernel
// ---------------------------------------------------------------------------------------------
// Milliseconds since the layer started, 32 bits, wrapping.
DWORD GetTickCount(void);
void Sleep(DWORD ms);
// MsgWaitForMultipleObjects: the layer has no waitable objects, so it waits (count 0) until a
// message is ready for the queue or the timeout passes. WAIT_OBJECT_0 when a message is ready,
// WAIT_TIMEOUT when the time ran out.
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define QS_ALLINPUT 0x04FFu
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL wait_all, DWORD ms,
                                DWORD wake_mask);
DWORD GetLastError(void);
void SetLastError(DWORD error);
HMODULE GetModuleHandle(LPCSTR name);
DWORD GetModuleFileName(HMODULE module, LPSTR path, DWORD size);
void OutputDebugString(LPCSTR text);
// The per-user settings folder: $KESTRUNE_HOME, else $XDG_CONFIG_HOME/kestrune, else
// ~/.config/kestrune (created when missing). Returns the length, or the size needed.
UINT GetWindowsDirectory(LPSTR path, UINT size);
UINT GetSystemDirectory(LPSTR path, UINT size);
DWORD GetCurrentDirectory(DWORD size, LPSTR path);
// Private-profile (INI) files. A file name without a folder lies in the Windows directory;
// sections and keys are matched without regard to case; writes go through a temporary file
// and a rename, so a failed write never loses the file.
UINT GetPrivateProfileInt(LPCSTR section, LPCSTR key, INT default_value, LPCSTR file);
DWORD GetPrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR default_value, LPSTR out,
                              DWORD size, LPCSTR file);
BOOL WritePrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);
UINT GetProfileInt(LPCSTR section, LPCSTR key, INT default_value);
BOOL CopyFile(LPCSTR existing, LPCSTR new_name, BOOL fail_if_exists);
BOOL DeleteFile(LPCSTR name);
BOOL MoveFile(LPCSTR existing, LPCSTR new_name);
DWORD GetFileAttributes(LPCSTR name);
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
// Starts a program; "winhelp <file>" opens the help text file in a viewer window of the layer.
// Returns a value above 31 on success.
UINT WinExec(LPCSTR command_line, UINT show);
BOOL WinHelp(HWND window, LPCSTR help_file, UINT command, ULONG_PTR data);
#define HELP_CONTEXT 0x0001
#define HELP_QUIT 0x0002
#define HELP_INDEX 0x0003
#define HELP_CONTENTS 0x0003
#define HELP_FINDER 0x000B

// The classic file calls (names mapped as PlatformMapFileName says).
HFILE _lopen(LPCSTR name, int mode);
HFILE _lcreat(LPCSTR name, int attributes);
UINT _lread(HFILE file, LPVOID buffer, UINT count);
UINT _lwrite(HFILE file, LPCCH buffer, UINT count);
LONG _llseek(HFILE file, LONG offset, int origin);
HFILE _lclose(HFILE file);

// Global/local memory as plain heap blocks.
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
HGLOBAL GlobalFree(HGLOBAL memory);
HLOCAL LocalAlloc(UINT flags, size_t bytes);
HLOCAL LocalFree(HLOCAL memory);
