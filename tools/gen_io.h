// gen_io.h -- file output shared by the data generators: raw files, 8-bit BMP, PNG previews
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct GenRGB {
    uint8_t r, g, b;
};

// Creates every missing folder of path (path names a file).
bool GenMakeDirsFor(const std::string &path);

// Writes bytes to path, creating its folders; logs and returns false on failure.
bool GenWriteFile(const std::string &path, const void *data, size_t size);
bool GenWriteFile(const std::string &path, const std::vector<uint8_t> &bytes);

// Reads a whole file; empty on failure.
std::vector<uint8_t> GenReadFile(const std::string &path);

// Builds an 8-bit BMP (14-byte file header, 40-byte information header, 256-entry colour
// table, bottom-up rows padded to 4 bytes) from top-down pixel indices.
std::vector<uint8_t> GenBmp8(int width, int height, const std::vector<uint8_t> &pixels,
                             const GenRGB palette[256]);

// Builds a 32-bit BMP with alpha (BI_BITFIELDS) from top-down RGBA pixels.
std::vector<uint8_t> GenBmp32(int width, int height, const std::vector<uint8_t> &rgba);

// Builds a 24-bit RGB PNG (stored deflate blocks, no compression library needed).
std::vector<uint8_t> GenPng(int width, int height, const std::vector<uint8_t> &rgb);
// The same with an alpha channel, from top-down RGBA pixels.
std::vector<uint8_t> GenPngRgba(int width, int height, const std::vector<uint8_t> &rgba);

// Little-endian appenders.
void GenPut16(std::vector<uint8_t> &out, uint32_t v);
void GenPut32(std::vector<uint8_t> &out, uint32_t v);
