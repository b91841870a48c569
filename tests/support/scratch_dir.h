// scratch_dir.h -- runs the including test program in a fresh folder of its own (the log, the
// settings and the files a test writes land there, not in the build tree)
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
class ScratchDir : public ::testing::Environment {
  public:
    void SetUp() override {
        char pattern[] = "/tmp/kr_test_XXXXXX";
        const char *dir = mkdtemp(pattern);
        ASSERT_NE(dir, nullptr);
        path_ = dir;
        ASSERT_EQ(chdir(dir), 0);
        setenv("KESTRUNE_HOME", dir, 1);
    }
    void TearDown() override {
        if (path_.empty()) return;
        std::string command = "rm -rf '" + path_ + "'";
        if (system(command.c_str()) != 0) fprintf(stderr, "could not remove %s\n", path_.c_str());
    }

  private:
    std::string path_;
};
const ::testing::Environment *scratch_dir = ::testing::AddGlobalTestEnvironment(new ScratchDir);
} // namespace
