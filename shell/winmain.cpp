// winmain.cpp -- the program's spine: start-up in its fixed order, the polling main loop, shut-down
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "shell/shell.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "net/transport.h"
#include "net/session.h"
#include "media/win.h"
#include "stations/stations.h"
#include "sim/mobile.h"
#include "sim/battle.h"
#include "sim/dial.h"
#include "media/sfx.h"
#include "ddd/ddd.h"

HINSTANCE ghInstance;
HWND hwndFrame;
HWND hwndApp;
HPALETTE hPal;
HFONT hfont;
int32_t screen_w, screen_h;
int32_t sm_cxborder, sm_cyborder, sm_cymenu;
HWND active_window;
int32_t mouse_lb;
int32_t exit_flag;
int32_t old_ip_status = 1;
const char szFrameClass[] = "KRFrame";
const char szIniName[] = "kr.ini";
const char szAppName[] = "Kestrune";

extern int32_t shell_splash_ms; // settings.cpp: the start-up wait, shortened for tests

// The battle is stepped and drawn once per refresh of the display; between frames the loop
// sleeps until a message arrives or the next frame is due. Movement integrates elapsed ticks,
// so the rate changes how often the picture is made, not what happens.
int32_t shell_frame_hz = 60;
uint32_t shell_frames;
static DWORD shell_frame_due;
static uint32_t shell_frame_rest; // microseconds of the frame period not yet in shell_frame_due
static const DWORD SHELL_IDLE_MS = 100; // outside a battle: the longest sleep between looks
static int shell_last_wparam;
static int shell_unreached; // the server never answered: the program ends with status 1

// The server never answered: say where the program looked and how to point it elsewhere, then
// end after this pass of the loop.
static void ShellNoServer() {
    char text[SHELL_HOSTNAME_LEN + 160];
    snprintf(text, sizeof text,
             "Could not reach the Kestrune server at %s:%d.\n\nStart with --host NAME --port N, "
             "or change the server under Game / Options.",
             hostname, (int)port);
    DebugLog("WinMain: no server at %s:%d", hostname, (int)port);
    CloseFlashWindow();
    MessageBox(hwndApp, text, "Connection problem", MB_OK | MB_ICONERROR);
    exit_flag = 1;
    shell_unreached = 1;
}

static void ShellRegisterClasses() {
    WNDCLASS wc = {};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = FrameWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = ghInstance;
    wc.hIcon = LoadIcon(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszMenuName = "KRMenu";
    wc.lpszClassName = szFrameClass;
    if (!RegisterClass(&wc)) DebugLog("WinMain: RegisterClass(%s) failed", szFrameClass);
    for (const StationEntry &station : STATION_TABLE)
        station.register_class();
}

int ShellBuildProgram(HINSTANCE instance, HINSTANCE previous_instance) {
    shell_unreached = 0;
    InitializeDebug("debug.log");
    DebugLog("Display: %s", PlatformDisplayInfo());
    srand((unsigned)time(NULL));
    InitializeIniFile();

    ghInstance = instance;
    screen_w = GetSystemMetrics(SM_CXSCREEN);
    screen_h = GetSystemMetrics(SM_CYSCREEN);
    sm_cxborder = GetSystemMetrics(SM_CXBORDER);
    sm_cyborder = GetSystemMetrics(SM_CYBORDER);
    sm_cymenu = GetSystemMetrics(SM_CYMENU);

    // The menu and dialog templates are ours to supply: there is no resource file.
    ShellRegisterResources();
    if (!previous_instance) ShellRegisterClasses();

    hfont = CreateFont(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");

    hwndFrame = CreateWindowEx(0, szFrameClass, "Kestrune",
                               WS_POPUP | WS_CLIPCHILDREN | WS_MAXIMIZE | WS_CAPTION | WS_SYSMENU |
                                   WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                               0, 0, screen_w, screen_h, NULL, NULL, ghInstance, NULL);
    DebugLog("hwndFrame=%x", (unsigned)(uintptr_t)hwndFrame);
    hwndApp = hwndFrame;
    if (!hwndFrame) return 0;

    HDC screen = GetDC(hwndFrame);
    int refresh = GetDeviceCaps(screen, VREFRESH);
    ReleaseDC(hwndFrame, screen);
    // 0 and 1 stand for the hardware's default rate, which nobody tells us.
    shell_frame_hz = refresh > 1 ? refresh : 60;
    DebugLog("WinMain: %d frames a second", (int)shell_frame_hz);

    InitializeCircle();
    IPInitialize(hwndApp);
    sfxInitialize(0);
    sfxSetGlobalVolume(-1000);
    ShowWindow(hwndFrame, SW_SHOWMAXIMIZED);
    dddInitWindows32(hwndFrame, malloc, free, dddLoadFile);
    ConfigureMenu();
    InitializePalette();
    return 1;
}

void ShellStartSession(int show) {
    OpenFlashWindow();
    ShowWindow(hwndFlash, show);
    UpdateWindow(hwndFlash);
    Sleep((DWORD)shell_splash_ms);
    IPConnect();
}

int ShellStartUp(HINSTANCE instance, HINSTANCE previous_instance, int show) {
    if (!ShellBuildProgram(instance, previous_instance)) return 0;
    ShellStartSession(show);
    return 1;
}

// Sets the time of the next frame one period on. A machine too slow for the rate runs frames
// back to back and does not try to catch up on the ones it missed.
static void ShellNextFrame(DWORD now) {
    int32_t hz = shell_frame_hz >= 1 && shell_frame_hz <= 1000 ? shell_frame_hz : 60;
    shell_frame_rest += 1000000u / (uint32_t)hz;
    shell_frame_due += shell_frame_rest / 1000u;
    shell_frame_rest %= 1000u;
    if ((int32_t)(shell_frame_due - now) <= 0) {
        shell_frame_due = now + 1000u / (uint32_t)hz;
        shell_frame_rest = 0;
    }
}

// Runs a battle frame when it is due; until then sleeps, waking early for a message (which the
// next pass takes).
static void ShellFrame() {
    DWORD now = GetTickCount();
    int32_t wait = (int32_t)(shell_frame_due - now);
    int32_t period = 1000 / (shell_frame_hz >= 1 && shell_frame_hz <= 1000 ? shell_frame_hz : 60);
    if (wait > 2 * period) { // the clock went back (a test reset it): start again now
        shell_frame_due = now;
        shell_frame_rest = 0;
        wait = 0;
    }
    if (wait > 0) {
        if (MsgWaitForMultipleObjects(0, NULL, FALSE, (DWORD)wait, QS_ALLINPUT) != WAIT_TIMEOUT)
            return;
        now = GetTickCount();
    }
    MainProcess();
    shell_frames++;
    GdiFlush(); // the frame goes to the screen now, not at the next look at the queue
    ShellNextFrame(now);
}

int ShellLoopPass() {
    MSG msg;
    int took = 0;
    if (PeekMessage(&msg, NULL, 0, 0, PM_REMOVE)) {
        took = 1;
        switch (msg.message) {
        case WM_KEYUP:
            HandleKeyEvent(msg.wParam);
            break;
        case WM_QUIT:
            exit_flag = 1;
            break;
        case WM_LBUTTONDOWN:
            mouse_lb = 1;
            break;
        case WM_LBUTTONUP:
        case WM_NCLBUTTONUP:
            mouse_lb = 0;
            break;
        }
        shell_last_wparam = (int)msg.wParam;
        // A modeless service record gets its keys first; the shortcuts above have seen them.
        if (!ScoreDialogMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    } else if (location == LOC_BATTLE) {
        ShellFrame();
    } else {
        MainProcess();
        // Outside a battle there is nothing to simulate: sleep until something arrives.
        MsgWaitForMultipleObjects(0, NULL, FALSE, SHELL_IDLE_MS, QS_ALLINPUT);
    }

    int32_t status = IPStatus();
    // A failed connection attempt may never show as a change: it can fail at once, or rise to 2
    // and fall back between two looks. And a connection that was never made is not a lost one.
    int32_t unreached = status == 1 && IPConnectFailed();
    if (status != old_ip_status || unreached) {
        old_ip_status = status;
        if (status == 2) CloseFlashWindow();
        if (status == 1) {
            IPClose();
            if (unreached) {
                ShellNoServer();
            } else {
                MessageBox(hwndApp,
                           "Lost connection to KR server.\nPlease wait 5 minutes and then join "
                           "the game again.",
                           "Connection problem", MB_OK | MB_ICONERROR);
                exit_flag = 1;
            }
        }
        ConfigureMenu();
    }
    return took;
}

int ShellRunLoop() {
    while (!exit_flag)
        ShellLoopPass();
    return shell_last_wparam;
}

int WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show) {
    (void)command_line;
    if (!ShellStartUp(instance, previous_instance, show)) {
        ShutDown();
        return 1;
    }
    int result = ShellRunLoop();
    ShutDown();
    return shell_unreached ? 1 : result;
}

void MainProcess() {
    if (location != LOC_BATTLE) return;
    ProcessMobiles();
    ProcessKeyboard();
    if (player_mobile && player_mobile->type && player_mobile->type->type_id == SUBMARINE)
        SubProcess();
    for (const StationEntry &station : STATION_TABLE)
        if (station.update) station.update();
    sfxProcess();
}

void ShutDown() {
    static int shutting_down;
    if (shutting_down) return; // a failed allocation during shut-down must not start it again
    shutting_down = 1;
    ShellSaveSettings();
    ShellFreePalette();
    CloseMobiles();
    IPClose();
    sfxClose();
    DebugUnfreedList();
    shutting_down = 0;
}
