// ddd_support.cpp -- shared helpers of the engine tests and benchmark
#include "tests/ddd/ddd_support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::map<std::string, std::vector<uint8_t>> mem_files;

namespace {
struct OpenFile {
    std::string name;
    size_t pos = 0;
};
std::vector<OpenFile> open_files;

intptr_t MemOpen(const char *name) {
    if (!mem_files.count(name)) return 0;
    open_files.push_back({name, 0});
    return (intptr_t)open_files.size();
}
int32_t MemClose(intptr_t) {
    return 1;
}
intptr_t MemCreate(const char *name) {
    mem_files[name].clear();
    return MemOpen(name);
}
uint32_t MemRead(intptr_t h, void *buffer, uint32_t count) {
    OpenFile &f = open_files[h - 1];
    auto &d = mem_files[f.name];
    size_t n = std::min<size_t>(count, d.size() - std::min(d.size(), f.pos));
    if (n) memcpy(buffer, d.data() + f.pos, n);
    f.pos += n;
    return (uint32_t)n;
}
uint32_t MemWrite(intptr_t h, const void *buffer, uint32_t count) {
    OpenFile &f = open_files[h - 1];
    auto &d = mem_files[f.name];
    if (d.size() < f.pos + count) d.resize(f.pos + count);
    memcpy(d.data() + f.pos, buffer, count);
    f.pos += count;
    return count;
}
int32_t MemSeek(intptr_t h, int32_t offset, int32_t origin) {
    OpenFile &f = open_files[h - 1];
    size_t base = origin == 0 ? 0 : origin == 1 ? f.pos : mem_files[f.name].size();
    f.pos = base + offset;
    return (int32_t)f.pos;
}
int32_t MemLength(intptr_t h) {
    return (int32_t)mem_files[open_files[h - 1].name].size();
}
int32_t MemExist(const char *name) {
    return mem_files.count(name) ? 1 : 0;
}
void QuietLog(const char *) {}
} // namespace

void InstallMemFiles() {
    dddSetFileFunctions(MemOpen, MemClose, MemCreate, MemRead, MemWrite, MemSeek, MemLength,
                        MemExist);
}

void ShapeLevel::Points(int32_t first, const std::vector<int32_t> &xyz) {
    code.insert(code.end(), {1, first, (int32_t)(xyz.size() / 3)});
    code.insert(code.end(), xyz.begin(), xyz.end());
}
void ShapeLevel::Poly(int32_t colour, int32_t normal, const std::vector<int32_t> &refs, int32_t c) {
    code.insert(code.end(), {c, (int32_t)refs.size(), colour, normal});
    code.insert(code.end(), refs.begin(), refs.end());
}
void ShapeLevel::Shades(const std::vector<int32_t> &values) {
    code.insert(code.end(), {3, (int32_t)values.size()});
    code.insert(code.end(), values.begin(), values.end());
}
void ShapeLevel::ShadePoly(int32_t normal, const std::vector<int32_t> &refs) {
    code.insert(code.end(), {4, (int32_t)refs.size(), normal});
    code.insert(code.end(), refs.begin(), refs.end());
}
void ShapeLevel::UV(int32_t texture, const std::vector<int32_t> &uv) {
    code.push_back(5);
    texture_refs.push_back({code.size(), texture});
    code.insert(code.end(), {0, (int32_t)(uv.size() / 2)});
    code.insert(code.end(), uv.begin(), uv.end());
}
void ShapeLevel::TexPoly(int32_t normal, const std::vector<int32_t> &refs, int32_t c) {
    code.insert(code.end(), {c, (int32_t)refs.size(), normal});
    code.insert(code.end(), refs.begin(), refs.end());
}
void ShapeLevel::SpriteUV(int32_t texture, const std::vector<int32_t> &corners) {
    code.push_back(12);
    texture_refs.push_back({code.size(), texture});
    code.push_back(0);
    code.insert(code.end(), corners.begin(), corners.end());
}
void ShapeLevel::Sprite(int32_t vertex, int32_t hw, int32_t hh) {
    code.insert(code.end(), {13, vertex, hw, hh});
}
void ShapeLevel::Pattern(int32_t mode, const std::vector<uint8_t> &bytes) {
    int32_t w[2] = {0, 0};
    memcpy(w, bytes.data(), std::min<size_t>(8, bytes.size()));
    code.insert(code.end(), {19, mode, w[0], w[1]});
}
void ShapeLevel::Line(int32_t colour, int32_t a, int32_t b) {
    code.insert(code.end(), {11, colour, a, b});
}
size_t ShapeLevel::Jump(int32_t c) {
    code.insert(code.end(), {c, 0});
    return code.size() - 1;
}
void ShapeLevel::Target(size_t operand) {
    code[operand] = (int32_t)((code.size() - operand) * 4);
}
void ShapeLevel::End() {
    code.insert(code.end(), {0, -1});
}

static void Put(std::vector<uint8_t> &d, size_t at, int32_t v) {
    if (d.size() < at + 4) d.resize(at + 4);
    memcpy(d.data() + at, &v, 4);
}

std::vector<uint8_t> ShapeFile::Build() const {
    std::vector<uint8_t> d(32, 0);
    Put(d, 0, radius);
    Put(d, 4, npoints);
    size_t table = 32, res = table + levels.size() * 8 + 4;
    Put(d, table + levels.size() * 8, -1);
    std::vector<size_t> slots;
    size_t pos = res;
    for (const auto &t : textures) {
        size_t next = (12 + t.size() + 1 + 3) & ~(size_t)3;
        Put(d, pos, 0);
        Put(d, pos + 4, (int32_t)next);
        Put(d, pos + 8, 0);
        d.resize(pos + next, 0);
        memcpy(d.data() + pos + 12, t.c_str(), t.size() + 1);
        slots.push_back(pos + 8);
        pos += next;
    }
    Put(d, pos, -1);
    Put(d, 16, (int32_t)res);
    pos += 4;
    for (size_t i = 0; i < levels.size(); i++) {
        const ShapeLevel &l = levels[i];
        Put(d, table + i * 8, l.far_limit);
        Put(d, table + i * 8 + 4, (int32_t)(pos - (table + i * 8)));
        Put(d, pos, l.points);
        Put(d, pos + 4, 0);
        Put(d, pos + 8, l.normals);
        size_t code_at = pos + 12;
        for (size_t k = 0; k < l.code.size(); k++)
            Put(d, code_at + 4 * k, l.code[k]);
        for (auto [operand, tex] : l.texture_refs)
            Put(d, code_at + 4 * operand, (int32_t)(slots[tex] - (code_at + 4 * operand)));
        pos = code_at + 4 * l.code.size();
    }
    return d;
}

ShapeFile MakeHull(int32_t rx, int32_t ry, int32_t rz, int32_t rings, int32_t segments,
                   int32_t colour) {
    ShapeFile f;
    ShapeLevel l;
    std::vector<int32_t> xyz;
    // Two poles and rings of points between them.
    xyz.insert(xyz.end(), {0, 0, -rz});
    for (int32_t r = 1; r < rings; r++) {
        double a = M_PI * r / rings;
        for (int32_t s = 0; s < segments; s++) {
            double b = 2 * M_PI * s / segments;
            xyz.push_back((int32_t)lround(rx * sin(a) * cos(b)));
            xyz.push_back((int32_t)lround(ry * sin(a) * sin(b)));
            xyz.push_back((int32_t)lround(-rz * cos(a)));
        }
    }
    xyz.insert(xyz.end(), {0, 0, rz});
    int32_t n = (int32_t)xyz.size() / 3;
    l.points = n;
    f.npoints = n;
    l.Points(0, xyz);
    auto at = [&](int32_t r, int32_t s) { return 1 + (r - 1) * segments + (s % segments); };
    std::vector<std::vector<int32_t>> tris;
    for (int32_t s = 0; s < segments; s++) {
        tris.push_back({0, at(1, s), at(1, s + 1)});
        tris.push_back({n - 1, at(rings - 1, s + 1), at(rings - 1, s)});
        for (int32_t r = 1; r + 1 < rings; r++) {
            tris.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1)});
            tris.push_back({at(r, s), at(r + 1, s + 1), at(r, s + 1)});
        }
    }
    // Front faces are listed so that (B - A) x (C - A) points into the hull.
    int32_t normal = 0;
    for (auto &t : tris) {
        const int32_t *a = &xyz[3 * t[0]], *b = &xyz[3 * t[1]], *c = &xyz[3 * t[2]];
        double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
        double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
        double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        double cx = a[0] + b[0] + c[0], cy = a[1] + b[1] + c[1], cz = a[2] + b[2] + c[2];
        if (nx * cx + ny * cy + nz * cz > 0) std::swap(t[1], t[2]);
        l.Poly(colour, normal++, t);
    }
    l.normals = normal;
    l.End();
    f.radius = std::max({rx, ry, rz});
    f.levels.push_back(l);
    return f;
}

std::vector<uint8_t> MakeShadeFile() {
    std::vector<uint8_t> d(512 + 65536);
    for (int32_t i = 0; i < 256; i++)
        for (int32_t c = 0; c < 256; c++)
            d[512 + i * 256 + c] = (uint8_t)((c & 0xF0) | ((c & 0x0F) * i / 255));
    return d;
}

std::vector<uint8_t> MakePaletteFile() {
    std::vector<uint8_t> d(768);
    for (int32_t i = 0; i < 256; i++)
        d[3 * i] = d[3 * i + 1] = d[3 * i + 2] = (uint8_t)(i / 4);
    return d;
}

void StartEngine(dddScreen *screen, int32_t w, int32_t h) {
    dddInitMem(malloc, free, nullptr);
    InstallMemFiles();
    dddSetLogFunction(QuietLog);
    dddZBufferOn();
    memset(screen, 0, sizeof *screen);
    screen->width = (uint16_t)w;
    screen->height = (uint16_t)h;
    screen->limit_width = (uint16_t)w;
    screen->limit_height = (uint16_t)h;
    dddSelectMemoryScreen(screen);
    dddLineOff();
    dddzbfillvalue = 0;
    dddSetRetrievedObjectPos(-1, -1);
}

void StopEngine() {
    dddRestoreAll();
    mem_files.clear();
}

uint64_t HashScreen() {
    uint64_t h = 1469598103934665603ull;
    for (int32_t i = 0; i < dddwidth_mul_depth; i++) {
        h ^= dddscreenptr[i];
        h *= 1099511628211ull;
    }
    return h;
}

static uint32_t Crc(const uint8_t *p, size_t n, uint32_t c = 0xFFFFFFFFu) {
    for (size_t i = 0; i < n; i++) {
        c ^= p[i];
        for (int k = 0; k < 8; k++)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return c;
}

bool WritePng(const std::string &path) {
    int32_t w = dddscreen_width, h = dddscreen_depth;
    std::vector<uint8_t> raw;
    for (int32_t y = 0; y < h; y++) {
        raw.push_back(0);
        raw.insert(raw.end(), dddscreenptr + y * w, dddscreenptr + (y + 1) * w);
    }
    // zlib stream of stored blocks.
    std::vector<uint8_t> z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0;) {
        size_t n = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + n >= raw.size() ? 1 : 0);
        z.insert(z.end(), {(uint8_t)n, (uint8_t)(n >> 8), (uint8_t)~n, (uint8_t)(~n >> 8)});
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
        if (n == 0) break;
    }
    uint32_t s1 = 1, s2 = 0;
    for (uint8_t b : raw)
        s1 = (s1 + b) % 65521, s2 = (s2 + s1) % 65521;
    uint32_t adler = (s2 << 16) | s1;
    z.insert(z.end(), {(uint8_t)(adler >> 24), (uint8_t)(adler >> 16), (uint8_t)(adler >> 8),
                       (uint8_t)adler});
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return false;
    auto chunk = [&](const char *type, const std::vector<uint8_t> &data) {
        uint8_t len[4] = {(uint8_t)(data.size() >> 24), (uint8_t)(data.size() >> 16),
                          (uint8_t)(data.size() >> 8), (uint8_t)data.size()};
        fwrite(len, 1, 4, f);
        std::vector<uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        fwrite(body.data(), 1, body.size(), f);
        uint32_t c = ~Crc(body.data(), body.size());
        uint8_t cb[4] = {(uint8_t)(c >> 24), (uint8_t)(c >> 16), (uint8_t)(c >> 8), (uint8_t)c};
        fwrite(cb, 1, 4, f);
    };
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    fwrite(sig, 1, 8, f);
    chunk("IHDR",
          {(uint8_t)(w >> 24), (uint8_t)(w >> 16), (uint8_t)(w >> 8), (uint8_t)w,
           (uint8_t)(h >> 24), (uint8_t)(h >> 16), (uint8_t)(h >> 8), (uint8_t)h, 8, 0, 0, 0, 0});
    chunk("IDAT", z);
    chunk("IEND", {});
    fclose(f);
    return true;
}
