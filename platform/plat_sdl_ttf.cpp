// plat_sdl_ttf.cpp -- text through SDL2_ttf with the DejaVu faces: metrics, sizes, coverage
#include "platform/platform_local.h"
#include "platform/plat_sdl.h"

#include <SDL_ttf.h>
#include <map>
#include <tuple>

namespace plat {

struct FaceKey {
    int face; // 0 sans, 1 mono, 2 serif
    bool bold, italic;
    int pt;
    bool operator<(const FaceKey &o) const {
        return std::tie(face, bold, italic, pt) < std::tie(o.face, o.bold, o.italic, o.pt);
    }
};

static bool ttf_ready = false, ttf_failed = false;
static std::map<FaceKey, TTF_Font *> fonts;

static const char *FontFile(int face, bool bold, bool italic) {
    static const char *files[3][2][2] = {
        {{"DejaVuSans.ttf", "DejaVuSans-Oblique.ttf"},
         {"DejaVuSans-Bold.ttf", "DejaVuSans-BoldOblique.ttf"}},
        {{"DejaVuSansMono.ttf", "DejaVuSansMono-Oblique.ttf"},
         {"DejaVuSansMono-Bold.ttf", "DejaVuSansMono-BoldOblique.ttf"}},
        {{"DejaVuSerif.ttf", "DejaVuSerif-Italic.ttf"},
         {"DejaVuSerif-Bold.ttf", "DejaVuSerif-BoldItalic.ttf"}}};
    return files[face][bold][italic];
}

static TTF_Font *OpenFace(int face, bool bold, bool italic, int pt) {
    if (ttf_failed) return nullptr;
    if (!ttf_ready) {
        if (TTF_Init() != 0) {
            Log("TTF_Init failed: %s; text is not drawn", TTF_GetError());
            ttf_failed = true;
            return nullptr;
        }
        ttf_ready = true;
    }
    FaceKey k{face, bold, italic, pt};
    auto it = fonts.find(k);
    if (it != fonts.end()) return it->second;
    const char *dir = getenv("KESTRUNE_FONT_DIR");
    std::string path = std::string(dir ? dir : "/usr/share/fonts/truetype/dejavu") + "/" +
                       FontFile(face, bold, italic);
    TTF_Font *f = TTF_OpenFont(path.c_str(), pt);
    if (!f && (bold || italic)) f = OpenFace(face, false, false, pt);
    if (!f && face != 0) f = OpenFace(0, false, false, pt);
    if (!f) {
        Log("cannot open font %s: %s; text is not drawn", path.c_str(), TTF_GetError());
        ttf_failed = true;
        return nullptr;
    }
    fonts[k] = f;
    return f;
}

// The face with its underline and strike-out set.
static TTF_Font *Open(const FontFace &face) {
    TTF_Font *f = OpenFace(face.face, face.bold, face.italic, face.pt);
    if (f) {
        int style = TTF_STYLE_NORMAL;
        if (face.underline) style |= TTF_STYLE_UNDERLINE;
        if (face.strike_out) style |= TTF_STYLE_STRIKETHROUGH;
        if (TTF_GetFontStyle(f) != style) TTF_SetFontStyle(f, style);
    }
    return f;
}

bool TtfFontInfo(const FontFace &face, FontInfo *info) {
    TTF_Font *f = Open(face);
    if (!f) return false;
    info->height = TTF_FontHeight(f);
    info->ascent = TTF_FontAscent(f);
    info->descent = -TTF_FontDescent(f);
    info->line_skip = TTF_FontLineSkip(f);
    int adv = 0, minx, maxx, miny, maxy;
    TTF_GlyphMetrics(f, 'x', &minx, &maxx, &miny, &maxy, &adv);
    info->x_advance = adv;
    TTF_GlyphMetrics(f, 'W', &minx, &maxx, &miny, &maxy, &adv);
    info->w_advance = adv;
    return true;
}

bool TtfTextSize(const FontFace &face, const char *utf8, int *w, int *h) {
    TTF_Font *f = Open(face);
    if (!f) return false;
    *h = TTF_FontHeight(f);
    *w = 0;
    int tw = 0, th = 0;
    if (utf8 && TTF_SizeUTF8(f, utf8, &tw, &th) == 0) *w = tw;
    return true;
}

bool TtfTextRender(const FontFace &face, const char *utf8, bool smooth, TextMask *mask) {
    TTF_Font *f = Open(face);
    if (!f) return false;
    SDL_Color white{255, 255, 255, 255};
    SDL_Surface *surf =
        smooth ? TTF_RenderUTF8_Blended(f, utf8, white) : TTF_RenderUTF8_Solid(f, utf8, white);
    if (!surf) return false;
    SDL_Surface *conv = SDL_ConvertSurfaceFormat(surf, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(surf);
    if (!conv) return false;
    mask->w = conv->w;
    mask->h = conv->h;
    mask->a.resize((size_t)mask->w * mask->h);
    SDL_LockSurface(conv);
    for (int y = 0; y < mask->h; y++) {
        const uint32_t *row =
            (const uint32_t *)((const uint8_t *)conv->pixels + (size_t)y * conv->pitch);
        for (int x = 0; x < mask->w; x++)
            mask->a[(size_t)y * mask->w + x] = (uint8_t)(row[x] >> 24);
    }
    SDL_UnlockSurface(conv);
    SDL_FreeSurface(conv);
    return true;
}

void TtfShutdown() {
    for (auto &f : fonts)
        TTF_CloseFont(f.second);
    fonts.clear();
    if (ttf_ready) TTF_Quit();
    ttf_ready = false;
    ttf_failed = false;
}

} // namespace plat
