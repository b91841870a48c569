// plat_stubs.cpp -- calls not implemented yet: each fails quietly
#include "platform/platform.h"
#include "platform/platform_test.h"
#include "platform/platform_local.h"
#pragma GCC diagnostic ignored "-Wunused-parameter"

HRESULT DirectSoundCreate(LPCGUID device, LPDIRECTSOUND *sound, LPUNKNOWN outer) {
    return DSERR_NODRIVER;
}
int PlatformMapFileName(LPCSTR name, char *out, size_t size) {
    return (int)0;
}
FILE *PlatformFileOpen(LPCSTR name, LPCSTR mode) {
    return (FILE *)0;
}
LPCSTR PlatformDataFolder(void) {
    return (LPCSTR)0;
}
void Sleep(DWORD ms) {}
HMODULE GetModuleHandle(LPCSTR name) {
    return (HMODULE)0;
}
DWORD GetModuleFileName(HMODULE module, LPSTR path, DWORD size) {
    return (DWORD)0;
}
void OutputDebugString(LPCSTR text) {}
UINT GetWindowsDirectory(LPSTR path, UINT size) {
    return (UINT)0;
}
UINT GetSystemDirectory(LPSTR path, UINT size) {
    return (UINT)0;
}
DWORD GetCurrentDirectory(DWORD size, LPSTR path) {
    return (DWORD)0;
}
UINT GetPrivateProfileInt(LPCSTR section, LPCSTR key, INT default_value, LPCSTR file) {
    return (UINT)0;
}
DWORD GetPrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR default_value, LPSTR out,
                              DWORD size, LPCSTR file) {
    return (DWORD)0;
}
BOOL WritePrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
    return (BOOL)0;
}
UINT GetProfileInt(LPCSTR section, LPCSTR key, INT default_value) {
    return (UINT)0;
}
BOOL CopyFile(LPCSTR existing, LPCSTR new_name, BOOL fail_if_exists) {
    return (BOOL)0;
}
BOOL DeleteFile(LPCSTR name) {
    return (BOOL)0;
}
BOOL MoveFile(LPCSTR existing, LPCSTR new_name) {
    return (BOOL)0;
}
DWORD GetFileAttributes(LPCSTR name) {
    return (DWORD)0;
}
UINT WinExec(LPCSTR command_line, UINT show) {
    return (UINT)0;
}
BOOL WinHelp(HWND window, LPCSTR help_file, UINT command, ULONG_PTR data) {
    return (BOOL)0;
}
HFILE _lopen(LPCSTR name, int mode) {
    return (HFILE)0;
}
HFILE _lcreat(LPCSTR name, int attributes) {
    return (HFILE)0;
}
UINT _lread(HFILE file, LPVOID buffer, UINT count) {
    return (UINT)0;
}
UINT _lwrite(HFILE file, LPCCH buffer, UINT count) {
    return (UINT)0;
}
LONG _llseek(HFILE file, LONG offset, int origin) {
    return (LONG)0;
}
HFILE _lclose(HFILE file) {
    return (HFILE)0;
}
HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
    return (HGLOBAL)0;
}
LPVOID GlobalLock(HGLOBAL memory) {
    return (LPVOID)0;
}
BOOL GlobalUnlock(HGLOBAL memory) {
    return (BOOL)0;
}
HGLOBAL GlobalFree(HGLOBAL memory) {
    return (HGLOBAL)0;
}
HLOCAL LocalAlloc(UINT flags, size_t bytes) {
    return (HLOCAL)0;
}
HLOCAL LocalFree(HLOCAL memory) {
    return (HLOCAL)0;
}
int WSAStartup(WORD version, LPWSADATA data) {
    return (int)0;
}
int WSACleanup(void) {
    return (int)0;
}
int WSAGetLastError(void) {
    return (int)0;
}
void WSASetLastError(int error) {}
int closesocket(SOCKET socket) {
    return (int)0;
}
int ioctlsocket(SOCKET socket, long command, u_long *arg) {
    return (int)0;
}
int WSAAsyncSelect(SOCKET socket, HWND window, UINT message, long events) {
    return (int)0;
}
struct hostent *PlatformGetHostByName(const char *name) {
    return (struct hostent *)0;
}
void PlatformTestUseManualAudio(int rate) {}
void PlatformTestMixAudio(int16_t *out, int frames) {}
namespace plat {
void SocketPoll(DWORD) {}
void SocketResetAll() {}
void SoundResetAll() {}
DWORD tick_offset = 0;
} // namespace plat
DWORD GetTickCount(void) {
    return (DWORD)(plat::NowMs() + plat::tick_offset);
}
