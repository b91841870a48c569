// plat_sdl.cpp -- the SDL2 backend: one SDL window is the screen, events become raw input
#include "platform/platform_local.h"
#include "platform/plat_sdl.h"

#include <SDL.h>
#include <algorithm>
#include <cstdlib>
#include <strings.h>

namespace plat {

static SDL_Window *sdl_window = nullptr;
static SDL_Cursor *cursors[10] = {};
// The GPU path: a streaming texture the size of the screen, presented by an accelerated
// renderer. Null on the software path, which writes into the window's own surface.
static SDL_Renderer *sdl_renderer = nullptr;
static SDL_Texture *sdl_texture = nullptr;
static int texture_w = 0, texture_h = 0;

std::string render_request; // --render: "software", "gpu" or empty (choose for the machine)
int display_hz = 60;
bool present_vsync = false;
std::string display_info = "headless";

static int VirtualKey(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return VK_NUMPAD1 + (k - SDLK_KP_1);
    switch (k) {
    case SDLK_KP_0:
        return VK_NUMPAD0;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_END:
        return VK_END;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_INSERT:
        return VK_INSERT;
    case SDLK_DELETE:
        return VK_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    case SDLK_CAPSLOCK:
        return VK_CAPITAL;
    case SDLK_PAUSE:
        return VK_PAUSE;
    case SDLK_PRINTSCREEN:
        return VK_SNAPSHOT;
    case SDLK_KP_PLUS:
        return VK_ADD;
    case SDLK_KP_MINUS:
        return VK_SUBTRACT;
    case SDLK_KP_MULTIPLY:
        return VK_MULTIPLY;
    case SDLK_KP_DIVIDE:
        return VK_DIVIDE;
    case SDLK_KP_PERIOD:
        return VK_DECIMAL;
    case SDLK_SEMICOLON:
        return VK_OEM_1;
    case SDLK_EQUALS:
    case SDLK_PLUS:
        return VK_OEM_PLUS;
    case SDLK_COMMA:
        return VK_OEM_COMMA;
    case SDLK_MINUS:
        return VK_OEM_MINUS;
    case SDLK_PERIOD:
        return VK_OEM_PERIOD;
    case SDLK_SLASH:
        return VK_OEM_2;
    case SDLK_BACKQUOTE:
        return VK_OEM_3;
    case SDLK_LEFTBRACKET:
        return VK_OEM_4;
    case SDLK_BACKSLASH:
        return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
        return VK_OEM_6;
    case SDLK_QUOTE:
        return VK_OEM_7;
    }
    return 0;
}

// Mesa's and others' CPU rasterisers: presenting through them costs more than a plain copy.
static bool SoftwareGl(const char *renderer) {
    static const char *const names[] = {"llvmpipe", "softpipe", "swrast", "software rasterizer",
                                        "lavapipe"};
    if (!renderer) return true;
    for (const char *n : names)
        if (strcasestr(renderer, n)) return true;
    return false;
}

// Picks how frames reach the window. A renderer whose OpenGL is a CPU rasteriser spends far
// more on its threads than the plain copy to the window surface it replaces, so the GPU path is
// taken only when the GL renderer is a real device (or when asked for).
static void SdlChoosePresent() {
    const char *env = getenv("KESTRUNE_RENDER");
    std::string want = !render_request.empty() ? render_request : env ? env : "";
    const char *by = !render_request.empty() ? "--render" : "KESTRUNE_RENDER";
    bool force_gpu = strcasecmp(want.c_str(), "gpu") == 0;
    bool force_soft = strcasecmp(want.c_str(), "software") == 0;
    std::string why, note;
    if (!want.empty() && !force_gpu && !force_soft)
        note = std::string("; ") + by + " " + want + " ignored (software or gpu)";
    if (force_soft) {
        why = std::string("asked for by ") + by;
    } else {
        // A probe that ends on a CPU rasteriser must not leave its worker threads behind.
        bool set_threads = !force_gpu && !getenv("LP_NUM_THREADS");
        if (set_threads) setenv("LP_NUM_THREADS", "0", 1);
        sdl_renderer = SDL_CreateRenderer(sdl_window, -1,
                                          SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
        if (set_threads) unsetenv("LP_NUM_THREADS");
        SDL_RendererInfo info{};
        if (!sdl_renderer || SDL_GetRendererInfo(sdl_renderer, &info) != 0) {
            why = std::string("no accelerated renderer (") + SDL_GetError() + ")";
        } else {
            std::string gl;
            if (strncmp(info.name, "opengl", 6) == 0) {
                typedef const unsigned char *(*GetString)(unsigned);
                GetString get = (GetString)SDL_GL_GetProcAddress("glGetString");
                const unsigned char *r = get ? get(0x1F01) : nullptr; // GL_RENDERER
                gl = r ? (const char *)r : "";
            }
            bool soft = (info.flags & SDL_RENDERER_SOFTWARE) ||
                        strcmp(info.name, "software") == 0 ||
                        (strncmp(info.name, "opengl", 6) == 0 && SoftwareGl(gl.c_str()));
            std::string what = std::string(info.name) + (gl.empty() ? "" : ", " + gl);
            if (force_gpu) {
                why = what + ", asked for by " + by;
            } else if (soft) {
                why = "the renderer rasterises on the CPU (" + what + ")";
                SDL_DestroyRenderer(sdl_renderer);
                sdl_renderer = nullptr;
            } else {
                why = "hardware-accelerated (" + what + ")";
            }
            if (sdl_renderer) present_vsync = (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
        }
    }
    if (!sdl_renderer) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    display_info = std::string(sdl_renderer ? "gpu" : "software") + " present: " + why + "; " +
                   std::to_string(display_hz) + " Hz" + (present_vsync ? ", vsync" : "") + note;
}

static bool SdlOpen(int w, int h) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    Uint32 flags = SDL_WINDOW_SHOWN;
    if (w <= 0 || h <= 0) {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
            mode.w = 1024;
            mode.h = 768;
        }
        w = mode.w;
        h = mode.h;
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    }
    sdl_window =
        SDL_CreateWindow("Kestrune", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags);
    if (!sdl_window) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return false;
    }
    SDL_GetWindowSize(sdl_window, &w, &h);
    screen_w = w;
    screen_h = h;
    SDL_DisplayMode shown;
    display_hz = 60; // when the display does not say
    if (SDL_GetWindowDisplayMode(sdl_window, &shown) == 0 && shown.refresh_rate >= 24 &&
        shown.refresh_rate <= 500)
        display_hz = shown.refresh_rate;
    present_vsync = false;
    SdlChoosePresent();
    static const SDL_SystemCursor ids[10] = {
        SDL_SYSTEM_CURSOR_ARROW,    SDL_SYSTEM_CURSOR_ARROW,  SDL_SYSTEM_CURSOR_IBEAM,
        SDL_SYSTEM_CURSOR_SIZEWE,   SDL_SYSTEM_CURSOR_SIZENS, SDL_SYSTEM_CURSOR_SIZENWSE,
        SDL_SYSTEM_CURSOR_SIZENESW, SDL_SYSTEM_CURSOR_WAIT,   SDL_SYSTEM_CURSOR_CROSSHAIR,
        SDL_SYSTEM_CURSOR_HAND};
    for (int i = 0; i < 10; i++)
        cursors[i] = SDL_CreateSystemCursor(ids[i]);
    SDL_StartTextInput();
    return true;
}

static void SdlClose() {
    for (SDL_Cursor *&c : cursors) {
        if (c) SDL_FreeCursor(c);
        c = nullptr;
    }
    if (sdl_texture) SDL_DestroyTexture(sdl_texture);
    if (sdl_renderer) SDL_DestroyRenderer(sdl_renderer);
    sdl_texture = nullptr;
    sdl_renderer = nullptr;
    texture_w = texture_h = 0;
    if (sdl_window) SDL_DestroyWindow(sdl_window);
    sdl_window = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

static HWND MainWindow() {
    HWND best = nullptr;
    for (HWND h : TopLevels()) {
        Window *w = W(h);
        if (w && !w->owner && (w->style & WS_VISIBLE) && (!best || (uintptr_t)h < (uintptr_t)best))
            best = h;
    }
    return best;
}

static void SdlPoll() {
    SDL_Event e;
    // SDL reports a key that types as SDL_KEYDOWN followed at once by SDL_TEXTINPUT.
    bool after_key_down = false;
    while (SDL_PollEvent(&e)) {
        RawInput in{};
        bool text_follows_key = after_key_down;
        after_key_down = false;
        switch (e.type) {
        case SDL_QUIT:
            if (HWND m = MainWindow())
                PostMessage(m, WM_CLOSE, 0, 0);
            else
                PostQuitMessage(0);
            break;
        case SDL_MOUSEMOTION:
            in.kind = RawInput::Move;
            in.x = e.motion.x;
            in.y = e.motion.y;
            PushInput(in);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (e.button.button != SDL_BUTTON_LEFT && e.button.button != SDL_BUTTON_RIGHT) break;
            in.kind = RawInput::Button;
            in.x = e.button.x;
            in.y = e.button.y;
            in.button = e.button.button == SDL_BUTTON_LEFT ? 0 : 1;
            in.down = e.type == SDL_MOUSEBUTTONDOWN;
            PushInput(in);
            break;
        case SDL_MOUSEWHEEL:
            in.kind = RawInput::Wheel;
            in.down = e.wheel.y;
            PushInput(in);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            in.kind = RawInput::Key;
            in.vk = VirtualKey(e.key.keysym.sym);
            in.scan = e.key.keysym.scancode & 0xFF;
            in.down = e.type == SDL_KEYDOWN;
            if (in.vk) PushInput(in);
            after_key_down = in.vk && in.down;
            break;
        case SDL_TEXTINPUT:
            PushTextInput(Utf8ToLatin1(e.text.text), text_follows_key);
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                e.window.event == SDL_WINDOWEVENT_RESTORED)
                MarkDirty();
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                // Keys released while another program had the focus must not stay held.
                for (int vk = 8; vk < 256; vk++)
                    if (key_state[vk] & 0x80) {
                        RawInput up{};
                        up.kind = RawInput::Key;
                        up.vk = vk;
                        up.down = 0;
                        PushInput(up);
                    }
            }
            break;
        }
    }
}

static void SdlPresent(const Surface &s) {
    if (!sdl_window) return;
    if (sdl_renderer) {
        if (!sdl_texture || texture_w != s.w || texture_h != s.h) {
            if (sdl_texture) SDL_DestroyTexture(sdl_texture);
            sdl_texture = SDL_CreateTexture(sdl_renderer, SDL_PIXELFORMAT_RGB888,
                                            SDL_TEXTUREACCESS_STREAMING, s.w, s.h);
            texture_w = s.w;
            texture_h = s.h;
            if (!sdl_texture) return;
        }
        SDL_UpdateTexture(sdl_texture, nullptr, s.px.data(), s.w * 4);
        SDL_RenderCopy(sdl_renderer, sdl_texture, nullptr, nullptr);
        SDL_RenderPresent(sdl_renderer);
        return;
    }
    SDL_Surface *dst = SDL_GetWindowSurface(sdl_window);
    if (!dst) return;
    Uint32 format = dst->format->format;
    if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
        // The window's own layout is ours (with or without alpha): rows are copied as they
        // are, where SDL's general blit would convert pixel by pixel.
        if (SDL_MUSTLOCK(dst) && SDL_LockSurface(dst) != 0) return;
        int w = std::min(s.w, dst->w), h = std::min(s.h, dst->h);
        for (int y = 0; y < h; y++) {
            const uint32_t *from = &s.px[(size_t)y * s.w];
            uint32_t *to = (uint32_t *)((uint8_t *)dst->pixels + (size_t)y * dst->pitch);
            if (format == SDL_PIXELFORMAT_RGB888) {
                memcpy(to, from, (size_t)w * 4);
            } else {
                for (int x = 0; x < w; x++)
                    to[x] = from[x] | 0xFF000000u; // opaque
            }
        }
        if (SDL_MUSTLOCK(dst)) SDL_UnlockSurface(dst);
    } else {
        SDL_Surface *src = SDL_CreateRGBSurfaceWithFormatFrom((void *)s.px.data(), s.w, s.h, 32,
                                                              s.w * 4, SDL_PIXELFORMAT_RGB888);
        if (!src) return;
        SDL_BlitSurface(src, nullptr, dst, nullptr);
        SDL_FreeSurface(src);
    }
    SDL_UpdateWindowSurface(sdl_window);
}

static void SdlWait(int ms) {
    SDL_WaitEventTimeout(nullptr, ms);
}

static void SdlCursor(int kind) {
    if (kind < 0 || kind > 9) kind = 1;
    SDL_ShowCursor(kind ? SDL_ENABLE : SDL_DISABLE);
    if (kind && cursors[kind]) SDL_SetCursor(cursors[kind]);
}

static void SdlMinimize() {
    if (sdl_window) SDL_MinimizeWindow(sdl_window);
}

static const char *SdlError() {
    return SDL_GetError();
}

static void SdlClipboardSet(const char *utf8) {
    SDL_SetClipboardText(utf8);
}

static bool SdlClipboardGet(std::string *utf8) {
    if (!SDL_HasClipboardText()) return false;
    char *t = SDL_GetClipboardText();
    if (!t) return false;
    *utf8 = t;
    SDL_free(t);
    return true;
}

void SdlQuit() {
    SDL_Quit();
}

Backend sdl_backend = {
    .name = "sdl2",
    .open = SdlOpen,
    .close = SdlClose,
    .error = SdlError,
    .poll = SdlPoll,
    .present = SdlPresent,
    .wait = SdlWait,
    .set_cursor = SdlCursor,
    .minimize = SdlMinimize,
    .clipboard_set = SdlClipboardSet,
    .clipboard_get = SdlClipboardGet,
    .audio_open = SdlAudioOpen,
    .audio_close = SdlAudioClose,
    .audio_reset = SdlAudioReset,
    .font_info = TtfFontInfo,
    .text_size = TtfTextSize,
    .text_render = TtfTextRender,
    .text_shutdown = TtfShutdown,
    .quit = SdlQuit,
};

} // namespace plat
