// host_test.cpp -- the engine bound to the platform layer: real files, Windows-style names
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ddd/ddd.h"
#include "platform/platform.h"
#include "tests/ddd/ddd_support.h"

namespace fs = std::filesystem;

TEST(Host, LoadsShapesThroughTheFileCalls) {
    fs::path dir = fs::temp_directory_path() / ("ddd_host_" + std::to_string(getpid()));
    fs::create_directories(dir / "3d");
    std::vector<uint8_t> shape = MakeHull(50, 50, 50, 3, 4, 0x20).Build();
    std::ofstream(dir / "3d" / "box.dsh", std::ios::binary)
        .write((const char *)shape.data(), (std::streamsize)shape.size());
    fs::path old = fs::current_path();
    fs::current_path(dir);
    HFILE probe = _lopen("3d/box.dsh", OF_READ);
    char head[4];
    bool working = probe != HFILE_ERROR && _lread(probe, head, 4) == 4;
    if (probe != HFILE_ERROR) _lclose(probe);
    if (!working) {
        fs::current_path(old);
        fs::remove_all(dir);
        GTEST_SKIP() << "the platform layer's file calls are not available";
    }
    dddInitWindows32(nullptr, malloc, free, dddLoadFile);
    dddObject *o = dddLoad("3D\\BOX.DSH"); // backslashes and upper case find 3d/box.dsh
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(dddShapePoints(o->shape), 10);
    EXPECT_EQ(dddLoad("3d\\none.dsh"), nullptr);
    EXPECT_EQ(dddSaveFile("saved.bin", "abc", 3), 3u);
    dddSelectArea(DDD_AREA_GENERAL);
    void *back = dddLoadFile("SAVED.BIN");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(dddMemLength(back), 3u);
    dddRestoreAll();
    fs::current_path(old);
    fs::remove_all(dir);
}
