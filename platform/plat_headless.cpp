// plat_headless.cpp -- the headless backend: the screen lives in memory, input comes from tests
#include "platform/platform_local.h"
#include "platform/plat_sdl.h"

#include <algorithm>
#include <ctime>

namespace plat {

static bool HeadlessOpen(int w, int h) {
    if (w > 0 && h > 0) {
        screen_w = w;
        screen_h = h;
    }
    return true;
}
static void HeadlessClose() {}
static const char *HeadlessError() {
    return "";
}
static void HeadlessPoll() {}
static void HeadlessPresent(const Surface &) {}
static void HeadlessWait(int ms) {
    struct timespec ts {
        0, (long)std::min(ms, 2) * 1000000L
    };
    nanosleep(&ts, nullptr);
}
static void HeadlessCursor(int) {}
static void HeadlessMinimize() {}

// No system clipboard: copy and paste go through the layer's own copy.
static void HeadlessClipboardSet(const char *) {}
static bool HeadlessClipboardGet(std::string *) {
    return false;
}

// The SDL2 backend's audio output and fonts serve here too (plat_sdl.h says why); what they
// hold goes back in its quit.
static void HeadlessQuit() {}

Backend headless_backend = {
    .name = "headless",
    .open = HeadlessOpen,
    .close = HeadlessClose,
    .error = HeadlessError,
    .poll = HeadlessPoll,
    .present = HeadlessPresent,
    .wait = HeadlessWait,
    .set_cursor = HeadlessCursor,
    .minimize = HeadlessMinimize,
    .clipboard_set = HeadlessClipboardSet,
    .clipboard_get = HeadlessClipboardGet,
    .audio_open = SdlAudioOpen,
    .audio_close = SdlAudioClose,
    .audio_reset = SdlAudioReset,
    .font_info = TtfFontInfo,
    .text_size = TtfTextSize,
    .text_render = TtfTextRender,
    .text_shutdown = TtfShutdown,
    .quit = HeadlessQuit,
};

} // namespace plat
