// plat_backend.h -- the table a backend fills in: screen, input, clipboard, audio output, text
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The layer reaches the machine only through one of these tables: the SDL2 backend (plat_sdl*)
// for a real window, the headless one (plat_headless.cpp) for tests. A new backend is a set of
// files defining a Backend with every entry filled in, and a line in StartBackend. Only the
// layer itself (and its tests) include this header; game modules include platform.h.
namespace plat {

struct Surface;

// One face of the layer's fonts at a size.
struct FontFace {
    int face = 0; // 0 sans, 1 mono, 2 serif
    bool bold = false, italic = false;
    int pt = 12;
    bool underline = false, strike_out = false;
};

// A face's vertical metrics and two advances, in pixels.
struct FontInfo {
    int height = 0, ascent = 0, line_skip = 0;
    int descent = 0;   // below the baseline, positive
    int x_advance = 0; // of 'x': the average character width
    int w_advance = 0; // of 'W': the widest
};

// A run of text as coverage, one byte a pixel (0 none, 255 full), rows top to bottom.
struct TextMask {
    int w = 0, h = 0;
    std::vector<uint8_t> a;
};

// Fills `frames` stereo frames of 16-bit samples; called on the audio output's own thread.
typedef void (*AudioFill)(void *user, int16_t *out, int frames);

struct Backend {
    const char *name;

    // ---- screen and input ----
    bool (*open)(int w, int h); // sets screen_w, screen_h; w, h <= 0: the desktop's size
    void (*close)();
    const char *(*error)(); // why open failed, for the log
    void (*poll)();         // pushes input with PushInput and PushTextInput
    void (*present)(const Surface &screen);
    void (*wait)(int ms);          // waits for events up to ms
    void (*set_cursor)(int which); // 0 hidden, 1 arrow, 2 ibeam, 3 size we, 4 size ns,
                                   // 5 nwse, 6 nesw, 7 wait, 8 cross, 9 hand
    void (*minimize)();

    // ---- clipboard, UTF-8 ----
    void (*clipboard_set)(const char *utf8);
    // False when the system clipboard has no text: the layer's own copy stands.
    bool (*clipboard_get)(std::string *utf8);

    // ---- audio output: stereo 16-bit frames pulled from `fill` ----
    // Opens the output and starts pulling; *rate (frames a second) is set before the first
    // call of fill. 0 when there is no output, with a log line saying why.
    uint32_t (*audio_open)(AudioFill fill, void *user, int *rate);
    // Closes an output; fill is not called again once this returns.
    void (*audio_close)(uint32_t output);
    // After every output is closed: the next open starts the audio drivers afresh.
    void (*audio_reset)();

    // ---- text: runs of UTF-8 in one of the faces ----
    // False when the face cannot be had (text is then measured roughly and not drawn).
    bool (*font_info)(const FontFace &face, FontInfo *info);
    // The face's height and the run's width (0 when it cannot be measured); utf8 null: the
    // height alone.
    bool (*text_size)(const FontFace &face, const char *utf8, int *w, int *h);
    // smooth: anti-aliased; otherwise every pixel is fully covered or not at all.
    bool (*text_render)(const FontFace &face, const char *utf8, bool smooth, TextMask *mask);
    void (*text_shutdown)(); // closes the faces; the next use opens them again

    // At program end, whether or not the backend was opened: gives back what its libraries
    // still hold.
    void (*quit)();
};

extern Backend *backend; // the open backend, null before start-up and after shut-down
extern Backend sdl_backend;
extern Backend headless_backend;
// The backend whose services (clipboard, audio, text) a call uses: the open one, else the
// headless one (text and sound work before the layer starts).
const Backend &Services();

} // namespace plat
