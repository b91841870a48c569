// plat_core.cpp -- start-up and shut-down of the layer, logging, handle ids, string helpers
#include "platform/platform_local.h"

#include <csignal>
#include <cstdarg>
#include <ctime>
#include <strings.h>

namespace plat {

static void (*log_sink)(const char *) = nullptr;
static bool initialised = false;
static bool headless = true;
static std::string command_line;
static uintptr_t next_id = 0x10000;
int screen_w = 800, screen_h = 600;
Backend *backend = nullptr;

const Backend &Services() {
    return backend ? *backend : headless_backend;
}

void Log(const char *fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (log_sink)
        log_sink(buf);
    else
        fprintf(stderr, "platform: %s\n", buf);
}

uintptr_t NewId() {
    next_id += 4; // keeps ids away from the small HWND_* and stock values
    return next_id;
}

uint64_t NowMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
}

uint64_t NowUs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000000u + (uint64_t)ts.tv_nsec / 1000u;
}

bool Headless() {
    return headless;
}

static bool ParseSize(const char *s, int *w, int *h) {
    int a = 0, b = 0;
    if (!s || sscanf(s, "%dx%d", &a, &b) != 2 || a < 320 || b < 240 || a > 16384 || b > 16384)
        return false;
    *w = a;
    *h = b;
    return true;
}

// Fonts and the backends' libraries hold memory that must go back before the program ends,
// whether or not the program called PlatformShutdown (test programs never do).
static void AtExit() {
    TextShutdown();
    SoundResetAll();
    sdl_backend.quit();
    headless_backend.quit();
}

static void StartBackend(bool want_sdl) {
    static bool registered = false;
    if (!registered) {
        atexit(AtExit);
        registered = true;
    }
    signal(SIGPIPE, SIG_IGN); // a send on a closed socket must fail, not end the program
    headless = true;
    backend = &headless_backend;
    if (want_sdl) {
        if (sdl_backend.open(screen_w, screen_h)) {
            backend = &sdl_backend;
            headless = false;
        } else {
            Log("no display (%s): running headless", sdl_backend.error());
        }
    }
    if (headless) headless_backend.open(screen_w, screen_h);
    Screen().Resize(screen_w, screen_h, SysPixel(COLOR_DESKTOP));
    initialised = true;
    RegisterBuiltinClasses();
}

void EnsureInit() {
    if (!initialised) StartBackend(false);
}

std::string Latin1ToUtf8(const char *s, int n) {
    std::string out;
    out.reserve(n + 8);
    for (int i = 0; i < n; i++) {
        unsigned char c = (unsigned char)s[i];
        if (c < 0x80) {
            out += (char)c;
        } else {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Utf8ToLatin1(const char *s) {
    std::string out;
    const unsigned char *p = (const unsigned char *)s;
    while (*p) {
        unsigned cp;
        int len;
        if (*p < 0x80) {
            cp = *p;
            len = 1;
        } else if ((*p & 0xE0) == 0xC0) {
            cp = *p & 0x1F;
            len = 2;
        } else if ((*p & 0xF0) == 0xE0) {
            cp = *p & 0x0F;
            len = 3;
        } else {
            cp = *p & 0x07;
            len = 4;
        }
        int i = 1;
        for (; i < len && (p[i] & 0xC0) == 0x80; i++)
            cp = (cp << 6) | (p[i] & 0x3F);
        p += i;
        if (i == len) out += cp <= 0xFF ? (char)cp : '?';
    }
    return out;
}

bool IEquals(const std::string &a, const std::string &b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

void CopyOut(const std::string &s, LPSTR out, int size) {
    if (!out || size <= 0) return;
    size_t n = s.size() < (size_t)(size - 1) ? s.size() : (size_t)(size - 1);
    memcpy(out, s.data(), n);
    out[n] = 0;
}

void Surface::Resize(int nw, int nh, uint32_t fill) {
    if (nw < 0) nw = 0;
    if (nh < 0) nh = 0;
    if (nw == w && nh == h) return;
    std::vector<uint32_t> n((size_t)nw * nh, fill);
    int cw = nw < w ? nw : w, ch = nh < h ? nh : h;
    // A window sized to nothing keeps an empty surface: nothing to carry over.
    for (int y = 0; cw > 0 && y < ch; y++)
        memcpy(n.data() + (size_t)y * nw, px.data() + (size_t)y * w, (size_t)cw * 4);
    px.swap(n);
    w = nw;
    h = nh;
}

static void ResetEverything() {
    TrackReset();
    MenuClose();
    HelpViewerReset();
    WindowResetAll(); // destroys windows (their procedures still run)
    QueueResetAll();
    SocketResetAll();
    SoundResetAll();
    MenuResetAll();
    DCResetAll();
    GdiResetAll();
    ResourceResetAll();
    KeyStateReset();
    focus_window = active_window_ = capture_window = nullptr;
}

} // namespace plat

using namespace plat;

int PlatformInit(int argc, char **argv) {
    if (initialised) return 1;
    int w = 0, h = 0;
    bool sized = false;
    command_line.clear();
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--screen") == 0 && i + 1 < argc) {
            if (ParseSize(argv[i + 1], &w, &h))
                sized = true;
            else
                Log("--screen %s: expected WIDTHxHEIGHT, at least 320x240", argv[i + 1]);
            i++;
            continue;
        }
        if (strncmp(argv[i], "--screen=", 9) == 0) {
            if (ParseSize(argv[i] + 9, &w, &h)) sized = true;
            continue;
        }
        if (strcmp(argv[i], "--render") == 0 && i + 1 < argc) {
            render_request = argv[++i];
            continue;
        }
        if (strncmp(argv[i], "--render=", 9) == 0) {
            render_request = argv[i] + 9;
            continue;
        }
        if (!command_line.empty()) command_line += ' ';
        command_line += argv[i];
    }
    const char *hl = getenv("KESTRUNE_HEADLESS");
    bool want_sdl = !(hl && *hl && strcmp(hl, "0") != 0);
    if (want_sdl && !getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY")) want_sdl = false;
    if (sized) {
        screen_w = w;
        screen_h = h;
    } else {
        screen_w = 0; // the backend chooses the desktop size
        screen_h = 0;
        if (!want_sdl) {
            screen_w = 800;
            screen_h = 600;
        }
    }
    StartBackend(want_sdl);
    if (screen_w <= 0 || screen_h <= 0) {
        screen_w = 800;
        screen_h = 600;
        Screen().Resize(screen_w, screen_h, SysPixel(COLOR_DESKTOP));
    }
    return 1;
}

void PlatformShutdown(void) {
    if (!initialised) return;
    ResetEverything();
    TextShutdown();
    if (backend) backend->close();
    backend = nullptr;
    initialised = false;
}

LPCSTR PlatformDisplayInfo(void) {
    EnsureInit();
    return display_info.c_str();
}

LPSTR PlatformCommandLine(void) {
    return (LPSTR)command_line.c_str();
}

HINSTANCE PlatformInstance(void) {
    return (HINSTANCE)(uintptr_t)0x400000;
}

PlatformLogSink PlatformSetLogFunction(PlatformLogSink sink) {
    PlatformLogSink previous = log_sink;
    log_sink = sink;
    return previous;
}

void PlatformTestReset(int screen_width, int screen_height) {
    EnsureInit();
    ResetEverything();
    if (screen_width > 0 && screen_height > 0 && Headless()) {
        screen_w = screen_width;
        screen_h = screen_height;
    }
    Screen().Resize(0, 0, 0);
    Screen().Resize(screen_w, screen_h, SysPixel(COLOR_DESKTOP));
    tick_offset = 0;
    ticks_frozen = false;
    RegisterBuiltinClasses();
    MarkDirty();
}
