// win_test.cpp -- BMP, PCX and palette files read into memory, drawing, settings key names
#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "media/win.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "sim/battle.h"
#include "tests/support/outward_record.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void Put16(Bytes &b, uint32_t v) {
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}
void Put32(Bytes &b, uint32_t v) {
    Put16(b, v);
    Put16(b, v >> 16);
}

void WriteFile(const std::string &name, const Bytes &bytes) {
    mkdir("gfx", 0755);
    FILE *f = fopen(name.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::string ReadLog() {
    std::ifstream in("win.log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// An 8-bit BMP with a `header`-byte information header (12: core), `colours` table entries and
// rows of `width` pixels valued row * 16 + column; `body_pad` extra bytes at the end.
Bytes MakeBmp(uint32_t header, int width, int height, int colours, size_t body_pad = 0) {
    Bytes body;
    int entry = header == 12 ? 3 : 4;
    Put32(body, header);
    if (header == 12) {
        Put16(body, (uint32_t)width);
        Put16(body, (uint32_t)height);
        Put16(body, 1);
        Put16(body, 8);
    } else {
        Put32(body, (uint32_t)width);
        Put32(body, (uint32_t)height);
        Put16(body, 1);
        Put16(body, 8);
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, header >= 36 ? (uint32_t)colours : 0);
        Put32(body, 0);
        while (body.size() < header)
            body.push_back(0);
    }
    for (int i = 0; i < colours; i++)
        for (int k = 0; k < entry; k++)
            body.push_back(k == 3 ? 0 : (uint8_t)(i + k));
    int stride = (width + 3) & ~3;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < stride; x++)
            body.push_back(x < width ? (uint8_t)(y * 16 + x) : 0);
    body.insert(body.end(), body_pad, 0);
    Bytes file = {'B', 'M'};
    Put32(file, (uint32_t)(body.size() + 14));
    Put32(file, 0);
    Put32(file, 0);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

class Bitmaps : public ::testing::Test {
  protected:
    void SetUp() override {
        PlatformTestReset(800, 600);
        InitializeDebug("win.log");
    }
    void TearDown() override { EXPECT_EQ(num_mem_notes, 0) << "a bitmap block was left"; }
};

TEST_F(Bitmaps, TheEndingChoosesTheReaderWithoutRegardToCase) {
    WriteFile("gfx/face.bmp", MakeBmp(40, 4, 2, 16));
    BitMap a = ReadBitMap("face.bmp");
    BitMap b = ReadBitMap("FACE.BMP");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(BitMapWidth(a), 4u);
    EXPECT_EQ(BitMapHeight(a), 2u);
    EXPECT_EQ(BitMapColours(a), 16);
    EXPECT_EQ(BitMapData(a), a + 40 + 16 * 4);
    EXPECT_EQ(BitMapData(a)[4 + 1], 17); // row 1, column 1
    FreeBitMap(a);
    FreeBitMap(b);
    EXPECT_EQ(ReadBitMap("land.gif"), nullptr);
    EXPECT_EQ(ReadLog().find("land.gif"), std::string::npos);
}

TEST_F(Bitmaps, HeaderSizesDecideWhatIsABitmap) {
    WriteFile("gfx/core.bmp", MakeBmp(12, 4, 2, 256));
    BitMap core = ReadBitMap("core.bmp");
    ASSERT_NE(core, nullptr);
    EXPECT_EQ(BitMapWidth(core), 4u);
    EXPECT_EQ(BitMapData(core), core + 12 + 256 * 3);
    FreeBitMap(core);

    WriteFile("gfx/v4.bmp", MakeBmp(108, 4, 2, 2));
    BitMap v4 = ReadBitMap("v4.bmp");
    ASSERT_NE(v4, nullptr);
    EXPECT_EQ(BitMapData(v4), v4 + 108 + 2 * 4);
    FreeBitMap(v4);

    Bytes fourteen = MakeBmp(40, 4, 2, 2);
    fourteen[14] = 14;
    WriteFile("gfx/fourteen.bmp", fourteen);
    InitializeDebug("win.log");
    EXPECT_EQ(ReadDib("gfx/fourteen.bmp"), nullptr);
    EXPECT_EQ(ReadLog(), ""); // refused without a message
}

TEST_F(Bitmaps, DamagedFilesAreRefusedWithTheirMessages) {
    Bytes ba = MakeBmp(40, 4, 2, 2);
    ba[1] = 'A';
    WriteFile("gfx/ba.bmp", ba);
    EXPECT_EQ(ReadBitMap("ba.bmp"), nullptr);
    EXPECT_NE(ReadLog().find("ReadDib: Wrong file type"), std::string::npos);
    EXPECT_NE(ReadLog().find("ReadBitMap: Can't read BMP file: <ba.bmp>"), std::string::npos);

    EXPECT_EQ(ReadBitMap("missing.bmp"), nullptr);
    EXPECT_NE(ReadLog().find("ReadDib: Can't open file"), std::string::npos);

    Bytes cut = MakeBmp(40, 4, 2, 2);
    cut.resize(cut.size() - 3);
    WriteFile("gfx/cut.bmp", cut);
    EXPECT_EQ(ReadBitMap("cut.bmp"), nullptr);
    EXPECT_NE(ReadLog().find("ReadDib: Read failed"), std::string::npos);

    // A header that promises more rows than the file holds is never drawn from.
    Bytes liar = MakeBmp(40, 4, 2, 2);
    liar[14 + 8] = 200;
    WriteFile("gfx/liar.bmp", liar);
    EXPECT_EQ(ReadBitMap("liar.bmp"), nullptr);

    Bytes huge = MakeBmp(40, 4, 2, 2);
    huge[2] = huge[3] = huge[4] = huge[5] = 0xFF;
    WriteFile("gfx/huge.bmp", huge);
    EXPECT_EQ(ReadBitMap("huge.bmp"), nullptr);
}

TEST_F(Bitmaps, ABodyOfTwentyThousandBytesIsReadInTwoPieces) {
    // 40 + 1024 + rows: pad the body to exactly 20000 bytes.
    Bytes file = MakeBmp(40, 100, 100, 256);
    size_t body = file.size() - 14;
    ASSERT_LT(body, 20000u);
    Bytes padded = MakeBmp(40, 100, 100, 256, 20000 - body);
    WriteFile("gfx/big.bmp", padded);
    BitMap bm = ReadBitMap("big.bmp");
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(BitMapData(bm)[0], 0);
    EXPECT_EQ(BitMapData(bm)[100 * 99 + 99], (uint8_t)(99 * 16 + 99));
    FreeBitMap(bm);
}

// An 8-bit PCX file of width × height with the given run-length body and palette.
Bytes MakePcx(int width, int height, const Bytes &body, bool marker = true) {
    Bytes file;
    file.reserve(128 + body.size() + 769);
    file.resize(128);
    file[0] = 10;
    file[3] = 8;
    file[8] = (uint8_t)(width - 1);
    file[10] = (uint8_t)(height - 1);
    file.insert(file.end(), body.begin(), body.end());
    if (marker) {
        file.push_back(12);
        for (int i = 0; i < 256; i++) {
            file.push_back((uint8_t)i);
            file.push_back((uint8_t)(255 - i));
            file.push_back(7);
        }
    }
    return file;
}

TEST_F(Bitmaps, PcxRunsAndLiteralsDecode) {
    uint8_t out[8] = {};
    const uint8_t runs[] = {0xC1, 0x07, 0xC0, 0x08, 0x3F, 0xC3, 0x09, 12};
    int32_t used = 0;
    EXPECT_EQ(PCXBody(runs, sizeof runs, 6, out, &used), 1);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[1], 8);
    EXPECT_EQ(out[2], 63);
    EXPECT_EQ(out[3], 9);
    EXPECT_EQ(out[5], 9);
    EXPECT_EQ(used, 7);

    // A run passing the end is cut there; a body that ends early stops decoding.
    uint8_t small[3] = {};
    const uint8_t long_run[] = {0xFF, 0x05};
    EXPECT_EQ(PCXBody(long_run, sizeof long_run, 3, small, &used), 0);
    EXPECT_EQ(small[2], 5);
    const uint8_t dangling[] = {0xC5};
    EXPECT_EQ(PCXBody(dangling, sizeof dangling, 3, small, &used), 0);
}

TEST_F(Bitmaps, PcxRowsAreFlippedPaddedAndThePaletteSwapped) {
    // 3 rows of width 2: rows "1 1", "2 2", "3 3".
    WriteFile("gfx/rows.pcx", MakePcx(2, 3, {0xC2, 1, 0xC2, 2, 0xC2, 3}));
    BitMap bm = ReadBitMap("rows.Pcx");
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(BitMapWidth(bm), 2u);
    EXPECT_EQ(BitMapHeight(bm), 3u);
    const uint8_t *rows = BitMapData(bm);
    EXPECT_EQ(rows, bm + 1064);
    EXPECT_EQ(rows[0], 3); // first stored row is the bottom one
    EXPECT_EQ(rows[4], 2); // the middle row stays; rows are 4 bytes apart
    EXPECT_EQ(rows[8], 1);
    EXPECT_EQ(rows[2], 0); // padding
    const uint8_t *table = BitMapPalette(bm);
    EXPECT_EQ(table[5 * 4 + 0], 7);   // blue from the third byte
    EXPECT_EQ(table[5 * 4 + 1], 250); // green
    EXPECT_EQ(table[5 * 4 + 2], 5);   // red from the first byte
    FreeBitMap(bm);
}

TEST_F(Bitmaps, TruncatedOrImpossiblePcxFilesAreSafe) {
    WriteFile("gfx/short.pcx", MakePcx(4, 4, {0xC3, 9}, false));
    BitMap bm = ReadBitMap("short.pcx");
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(BitMapData(bm)[12], 9);
    FreeBitMap(bm);

    Bytes backwards = MakePcx(4, 4, {1});
    backwards[4] = 9; // Xmin above Xmax
    WriteFile("gfx/back.pcx", backwards);
    EXPECT_EQ(ReadBitMap("back.pcx"), nullptr);
    EXPECT_NE(ReadLog().find("ReadBitMap: Can't read PCX file: <back.pcx>"), std::string::npos);

    Bytes huge = MakePcx(4, 4, {1});
    huge[8] = huge[9] = huge[10] = huge[11] = 0xFF;
    WriteFile("gfx/huge.pcx", huge);
    EXPECT_EQ(ReadBitMap("huge.pcx"), nullptr);
}

TEST_F(Bitmaps, PaletteFilesAreSixBitAndMustBeWhole) {
    Bytes col;
    for (int i = 0; i < 256; i++) {
        col.push_back(63);
        col.push_back(1);
        col.push_back((uint8_t)(i % 64));
    }
    WriteFile("default.col", col);
    uint8_t *palette = LoadPalette("default.col");
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette[0], 0);   // blue
    EXPECT_EQ(palette[1], 4);   // green
    EXPECT_EQ(palette[2], 252); // red 63 × 4
    EXPECT_EQ(palette[3], 0);
    EXPECT_EQ(palette[10 * 4], 40);

    uint8_t *info = MakeBitMapInfo(64, 48);
    CopyPalette(palette, BitMapPalette(info), 0, 0, 256);
    EXPECT_EQ(BitMapPalette(info)[2], 252);
    EXPECT_EQ(BitMapWidth(info), 64u);
    int32_t stored_height;
    memcpy(&stored_height, info + 8, 4);
    EXPECT_EQ(stored_height, -48);
    DebugFree(info);
    FreePalette(palette);

    col.resize(767);
    WriteFile("short.col", col);
    EXPECT_EQ(LoadPalette("short.col"), nullptr);
    EXPECT_EQ(LoadPalette("none.col"), nullptr);
}

TEST_F(Bitmaps, DrawingIgnoresNullsAndPaintsTheTable) {
    EXPECT_EQ(CopyBitMap(nullptr, (HDC)1, 0, 0, 4, 4, 1), 0);
    WriteFile("gfx/red.bmp", MakeBmp(40, 4, 4, 256));
    BitMap bm = ReadBitMap("red.bmp");
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(CopyBitMap(bm, nullptr, 0, 0, 4, 4, 1), 0);
    FreeBitMap(bm);
    FreeBitMap(nullptr);
}

TEST(CoordinateName, OneBufferPerScreenWidthAndShipClass) {
    outward_record.screen_width = 800;
    my_ship_type = 5;
    const char *first = CoordinateName("bridge_x");
    EXPECT_STREQ(first, "bridge_x-800-5");
    const char *second = CoordinateName("map_w");
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, "map_w-800-5");
    my_ship_type = 0;
}

} // namespace
