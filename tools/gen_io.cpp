// gen_io.cpp -- file output shared by the data generators: raw files, 8-bit BMP, PNG previews
#include "tools/gen_io.h"

#include <cstdio>
#include <filesystem>

bool GenMakeDirsFor(const std::string &path) {
    std::error_code ec;
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
    return !ec;
}

bool GenWriteFile(const std::string &path, const void *data, size_t size) {
    GenMakeDirsFor(path);
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return ok;
}

bool GenWriteFile(const std::string &path, const std::vector<uint8_t> &bytes) {
    return GenWriteFile(path, bytes.data(), bytes.size());
}

std::vector<uint8_t> GenReadFile(const std::string &path) {
    std::vector<uint8_t> out;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

void GenPut16(std::vector<uint8_t> &out, uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void GenPut32(std::vector<uint8_t> &out, uint32_t v) {
    GenPut16(out, v & 0xFFFF);
    GenPut16(out, v >> 16);
}

std::vector<uint8_t> GenBmp8(int width, int height, const std::vector<uint8_t> &pixels,
                             const GenRGB palette[256]) {
    int stride = (width + 3) & ~3;
    uint32_t image = uint32_t(stride) * height;
    uint32_t offset = 14 + 40 + 1024;
    std::vector<uint8_t> out;
    out.reserve(offset + image);
    out.push_back('B');
    out.push_back('M');
    GenPut32(out, offset + image);
    GenPut32(out, 0);
    GenPut32(out, offset);
    GenPut32(out, 40);
    GenPut32(out, width);
    GenPut32(out, height);
    GenPut16(out, 1);
    GenPut16(out, 8);
    GenPut32(out, 0);
    GenPut32(out, image);
    GenPut32(out, 2835);
    GenPut32(out, 2835);
    GenPut32(out, 256);
    GenPut32(out, 0);
    for (int i = 0; i < 256; i++) {
        out.push_back(palette[i].b);
        out.push_back(palette[i].g);
        out.push_back(palette[i].r);
        out.push_back(0);
    }
    for (int y = height - 1; y >= 0; y--) {
        out.insert(out.end(), pixels.begin() + size_t(y) * width,
                   pixels.begin() + size_t(y + 1) * width);
        for (int p = width; p < stride; p++)
            out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> GenBmp32(int width, int height, const std::vector<uint8_t> &rgba) {
    uint32_t image = uint32_t(width) * height * 4;
    uint32_t offset = 14 + 108;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    GenPut32(out, offset + image);
    GenPut32(out, 0);
    GenPut32(out, offset);
    GenPut32(out, 108); // version 4 header: carries the alpha mask
    GenPut32(out, width);
    GenPut32(out, height);
    GenPut16(out, 1);
    GenPut16(out, 32);
    GenPut32(out, 3); // BI_BITFIELDS
    GenPut32(out, image);
    GenPut32(out, 2835);
    GenPut32(out, 2835);
    GenPut32(out, 0);
    GenPut32(out, 0);
    GenPut32(out, 0x00FF0000);
    GenPut32(out, 0x0000FF00);
    GenPut32(out, 0x000000FF);
    GenPut32(out, 0xFF000000);
    GenPut32(out, 0x73524742); // 'sRGB'
    for (int i = 0; i < 12; i++)
        GenPut32(out, 0);
    for (int y = height - 1; y >= 0; y--)
        for (int x = 0; x < width; x++) {
            const uint8_t *p = &rgba[(size_t(y) * width + x) * 4];
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            out.push_back(p[3]);
        }
    return out;
}

static uint32_t Crc32(const uint8_t *data, size_t n, uint32_t crc = 0) {
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < n; i++)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

static void PutBE32(std::vector<uint8_t> &out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        out.push_back((v >> s) & 0xFF);
}

static void PngChunk(std::vector<uint8_t> &out, const char *type, const std::vector<uint8_t> &d) {
    PutBE32(out, uint32_t(d.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), d.begin(), d.end());
    PutBE32(out, Crc32(&out[start], out.size() - start));
}

// Colour type 2 (RGB) or 6 (RGBA), 8 bits a channel.
static std::vector<uint8_t> PngOf(int width, int height, const std::vector<uint8_t> &pixels,
                                  int channels) {
    size_t row = size_t(width) * channels;
    std::vector<uint8_t> raw;
    raw.reserve(size_t(height) * (row + 1));
    for (int y = 0; y < height; y++) {
        raw.push_back(0);
        raw.insert(raw.end(), pixels.begin() + y * row, pixels.begin() + (y + 1) * row);
    }
    std::vector<uint8_t> z{0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);
        GenPut16(z, uint32_t(n));
        GenPut16(z, uint32_t(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE32(z, (b << 16) | a);
    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    PutBE32(ihdr, width);
    PutBE32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, uint8_t(channels == 4 ? 6 : 2), 0, 0, 0});
    PngChunk(out, "IHDR", ihdr);
    PngChunk(out, "IDAT", z);
    PngChunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> GenPng(int width, int height, const std::vector<uint8_t> &rgb) {
    return PngOf(width, height, rgb, 3);
}

std::vector<uint8_t> GenPngRgba(int width, int height, const std::vector<uint8_t> &rgba) {
    return PngOf(width, height, rgba, 4);
}
