// engine_view.cpp -- draws generated shapes through the game's own 3D engine, for checks and looks
#include "tools/engine_view.h"

#include "ddd/ddd.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>

static std::string view_dir;
static dddScreen view_screen;
static bool view_open = false;

// Finds `name` below the data folder, each part matched without regard to case.
static std::string Resolve(const char *name) {
    std::string rest(name), path = view_dir;
    for (char &c : rest)
        if (c == '\\') c = '/';
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('/', start);
        std::string part =
            rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? rest.size() + 1 : end + 1;
        if (part.empty()) continue;
        std::string found;
        if (DIR *d = opendir(path.c_str())) {
            while (dirent *e = readdir(d)) {
                std::string n = e->d_name;
                if (n.size() != part.size()) continue;
                bool same = true;
                for (size_t i = 0; i < n.size() && same; i++)
                    same =
                        std::tolower((unsigned char)n[i]) == std::tolower((unsigned char)part[i]);
                if (same) found = n;
            }
            closedir(d);
        }
        if (found.empty()) return "";
        path += "/" + found;
    }
    return path;
}

static intptr_t ViewOpen(const char *name) {
    std::string p = Resolve(name);
    if (p.empty()) return 0;
    FILE *f = std::fopen(p.c_str(), "rb");
    return reinterpret_cast<intptr_t>(f);
}
static int32_t ViewClose(intptr_t h) {
    return std::fclose(reinterpret_cast<FILE *>(h)) == 0;
}
static intptr_t ViewCreate(const char *) {
    return 0;
}
static uint32_t ViewRead(intptr_t h, void *buffer, uint32_t count) {
    return uint32_t(std::fread(buffer, 1, count, reinterpret_cast<FILE *>(h)));
}
static uint32_t ViewWrite(intptr_t, const void *, uint32_t) {
    return 0;
}
static int32_t ViewSeek(intptr_t h, int32_t offset, int32_t origin) {
    FILE *f = reinterpret_cast<FILE *>(h);
    std::fseek(f, offset, origin);
    return int32_t(std::ftell(f));
}
static int32_t ViewLength(intptr_t h) {
    FILE *f = reinterpret_cast<FILE *>(h);
    long at = std::ftell(f);
    std::fseek(f, 0, SEEK_END);
    long n = std::ftell(f);
    std::fseek(f, at, SEEK_SET);
    return int32_t(n);
}
static int32_t ViewExist(const char *name) {
    return Resolve(name).empty() ? 0 : 1;
}
static void ViewLog(const char *) {}

bool EngineOpen(const std::string &data_dir) {
    view_dir = data_dir;
    if (!dddMemReady()) dddInitMem(std::malloc, std::free, dddLoadFile);
    dddSetLogFunction(ViewLog);
    dddSetFileFunctions(ViewOpen, ViewClose, ViewCreate, ViewRead, ViewWrite, ViewSeek, ViewLength,
                        ViewExist);
    dddZBufferOn();
    view_screen = dddScreen{320, 200, 320, 200, nullptr, nullptr, nullptr};
    dddSelectMemoryScreen(&view_screen);
    if (Resolve("default.col").empty() || Resolve("DEFAULT.CG").empty()) return false;
    dddPaletteLoad("default.col");
    view_open = shade_table_ptr != nullptr;
    return view_open;
}

void EngineClose() {
    if (dddMemReady()) dddRestoreAll();
    view_screen = dddScreen{};
    view_open = false;
}

bool EngineDraw(const std::string &shape, int flags, bool lit, int32_t distance, uint16_t heading,
                int32_t perspective, EngineShot &shot) {
    if (!view_open) return false;
    dddObject *obj = dddLoad(("3d\\" + shape + ".dsh").c_str());
    if (!obj) return false;
    dddSetRenderMethod(obj, lit ? 0x2300 : 0x0300);
    dddSetShapeFlags(obj, flags);
    dddMoveTo(obj, 0, 0, 0);
    dddRotateTo(obj, 0, heading, 0);
    dddObject *camera = dddCreateCamera(32000, perspective, perspective);
    dddMoveTo(camera, 0, -50, -distance);
    dddRotateTo(camera, 0, 0, 0);
    dddObject *light = dddCreateLight(5, 255, 0);
    dddMoveTo(light, 0, -50, -distance);
    dddRotateTo(light, 0, 0x8000, 0);
    // Sky above the horizon, sea below, in the palette's bands.
    int w = view_screen.width, h = view_screen.height;
    for (int y = 0; y < h; y++) {
        int band = y < h / 2 ? 0xE8 + (y * 8 / (h / 2)) : 0xE0 + ((y - h / 2) * 8 / (h - h / 2));
        for (int x = 0; x < w; x++)
            view_screen.pixels[y * w + x] = uint8_t(band);
    }
    std::vector<uint8_t> before(view_screen.pixels, view_screen.pixels + w * h);
    dddZBCls();
    dddClearObjects();
    dddSelectCamera(camera);
    dddInsertObject(obj);
    dddInsertObject(light);
    shot.objects_drawn = dddDrawObjects();
    shot.width = w;
    shot.height = h;
    shot.pixels.assign(view_screen.pixels, view_screen.pixels + w * h);
    shot.shape_pixels = 0;
    for (int i = 0; i < w * h; i++)
        shot.shape_pixels += shot.pixels[i] != before[i];
    dddDestroy(light);
    dddDestroy(camera);
    dddDestroy(obj);
    return true;
}
