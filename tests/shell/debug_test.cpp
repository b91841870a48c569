// debug_test.cpp -- the debug log and the tracked allocator
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "shell/debug.h"

static std::string ReadFile(const char *name) {
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(DebugLog, LinesAppendInOrderAndSurviveDeletion) {
    InitializeDebug("unit.log");
    DebugLog("first %d", 1);
    DebugLog("second %s", "two");
    EXPECT_EQ(ReadFile("unit.log"), "first 1\nsecond two\n");
    remove("unit.log");
    DebugLog("third");
    EXPECT_EQ(ReadFile("unit.log"), "third\n");
}

TEST(DebugLog, StartingDeletesTheOldFileAndATrailingNewlineLeavesAnEmptyLine) {
    FILE *f = fopen("old.log", "w");
    fputs("stale\n", f);
    fclose(f);
    InitializeDebug("old.log");
    DebugLog("x\n");
    EXPECT_EQ(ReadFile("old.log"), "x\n\n");
}

TEST(DebugLog, TagAndMessageOnOneLine) {
    InitializeDebug("tag.log");
    DebugLogTag("IPClose", "x");
    EXPECT_EQ(ReadFile("tag.log"), "IPClose: x\n");
}

TEST(DebugLog, NullNameTurnsLoggingOff) {
    InitializeDebug(nullptr);
    DebugLog("nowhere");
    EXPECT_EQ(debug_file[0], 0);
}

TEST(DebugLog, ChangeDebugFileKeepsTheOldLogAndCutsLongNames) {
    InitializeDebug("a.log");
    DebugLog("in a");
    ChangeDebugFile("b.log");
    DebugLog("in b");
    EXPECT_EQ(ReadFile("a.log"), "in a\n");
    EXPECT_EQ(ReadFile("b.log"), "in b\n");

    std::string long_name(40, 'u');
    long_name += ".log";
    ChangeDebugFile(long_name.c_str());
    EXPECT_EQ(strlen(debug_file), 31u);
    EXPECT_EQ(std::string(debug_file).substr(27), ".log");
    InitializeDebug(nullptr);
}

TEST(DebugMalloc, ReleasingMovesTheLastNoteIntoTheGap) {
    InitializeDebug(nullptr);
    void *a = DebugMalloc("a", 10);
    void *b = DebugMalloc("b", 20);
    void *c = DebugMalloc("c", 30);
    DebugFree(a);
    ASSERT_EQ(num_mem_notes, 2);
    EXPECT_STREQ(mem_note[0].tag, "c");
    EXPECT_STREQ(mem_note[1].tag, "b");
    EXPECT_EQ(mem_note[0].size, 30);
    DebugFree(b);
    DebugFree(c);
    EXPECT_EQ(num_mem_notes, 0);
}

TEST(DebugMalloc, DoubleFreeAndNullAreLoggedNotReleased) {
    InitializeDebug("free.log");
    void *a = DebugMalloc("a", 8);
    void *keep = DebugMalloc("keep", 8);
    DebugFree(a);
    DebugFreeFunc("here.cpp", 7, a);
    DebugFreeFunc("here.cpp", 9, nullptr);
    EXPECT_EQ(num_mem_notes, 1);
    std::string log = ReadFile("free.log");
    EXPECT_NE(log.find("DebugFree"), std::string::npos);
    EXPECT_NE(log.find("here.cpp line 7 : Trying to free unknown memory block: "),
              std::string::npos);
    EXPECT_NE(log.find("here.cpp line 9 : Tried to free zero pointer"), std::string::npos);
    DebugFree(keep);
}

TEST(DebugMalloc, UnfreedListNamesEveryHeldBlockAndIsSilentWhenEmpty) {
    InitializeDebug("unfreed.log");
    DebugUnfreedList();
    EXPECT_EQ(ReadFile("unfreed.log"), "");
    void *a = DebugMalloc("recv_buffer", 1024);
    DebugUnfreedList();
    std::string log = ReadFile("unfreed.log");
    EXPECT_EQ(log.rfind("DebugUnfreedList: recv_buffer : ", 0), 0u);
    EXPECT_NE(log.find(" : 1024\n"), std::string::npos);
    DebugFree(a);
}

TEST(DebugMallocDeathTest, ZeroSizeEndsTheProgram) {
    EXPECT_EXIT(
        {
            InitializeDebug("zero.log");
            DebugMalloc("z", 0);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_NE(ReadFile("zero.log").find("DebugMalloc: Tried to malloc zero sized block"),
              std::string::npos);
}

TEST(DebugMallocDeathTest, AFullNoteTableStopsInsteadOfOverrunning) {
    EXPECT_EXIT(
        {
            InitializeDebug("full.log");
            for (int i = 0; i <= DEBUG_MAX_NOTES; i++)
                DebugMalloc("n", 1);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_NE(ReadFile("full.log").find("Too many blocks held"), std::string::npos);
}
