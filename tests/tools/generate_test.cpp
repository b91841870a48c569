// generate_test.cpp -- the generators make the same bytes every time
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tools/gen_io.h"

namespace {

namespace fs = std::filesystem;

std::string Data() {
    const char *d = std::getenv("KESTRUNE_DATA");
    return d ? d : "data";
}

// Runs one generator into a fresh folder and compares every file it wrote with the build's.
void SameAsBuilt(const char *generator, const char *tag) {
    fs::path out =
        fs::temp_directory_path() / (std::string("kr_gen_") + tag + "_" + std::to_string(getpid()));
    fs::remove_all(out);
    std::string cmd = std::string("\"") + generator + "\" \"" + out.string() + "\"";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    int files = 0;
    for (auto &e : fs::recursive_directory_iterator(out)) {
        if (!e.is_regular_file()) continue;
        std::string rel = fs::relative(e.path(), out).string();
        SCOPED_TRACE(rel);
        EXPECT_TRUE(GenReadFile(e.path().string()) == GenReadFile(Data() + "/" + rel));
        files++;
    }
    EXPECT_GT(files, 0);
    fs::remove_all(out);
}

TEST(Generators, BitmapsAndPalettesAreReproducible) {
    SameAsBuilt(KR_MKGFX, "gfx");
}
TEST(Generators, ShapesAreReproducible) {
    SameAsBuilt(KR_MKSHAPES, "shapes");
}
TEST(Generators, SoundsAreReproducible) {
    SameAsBuilt(KR_MKSFX, "sfx");
}

TEST(Generators, RefuseToRunWithoutAnOutputFolder) {
    EXPECT_NE(std::system((std::string("\"") + KR_MKSFX + "\" 2>/dev/null").c_str()), 0);
}

} // namespace
