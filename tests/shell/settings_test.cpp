// settings_test.cpp -- the settings file: template install by version, host and port kept
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/shell.h"

namespace {

void WriteText(const char *name, const std::string &text) {
    FILE *f = fopen(name, "w");
    fputs(text.c_str(), f);
    fclose(f);
}

std::string Key(const char *key) {
    char value[128] = "";
    GetPrivateProfileString("Kestrune", key, "<none>", value, sizeof value, "kr.ini");
    return value;
}

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        PlatformTestReset(800, 600);
        InitializeDebug(nullptr);
        remove("kr.ini");
        WriteText("default.ini", "[Kestrune]\nversion=107\nmarker=template\n");
        const char *argv[] = {"kestrune"};
        ShellParseArguments(1, (char **)argv);
    }
};

TEST_F(Settings, AnOldVersionIsReplacedButHostAndPortReadBeforeAreKept) {
    WriteText("kr.ini", "[Kestrune]\nversion=106\nport=7000\nhostname=sea.example\n");
    InitializeIniFile();
    EXPECT_EQ(port, 7000);
    EXPECT_STREQ(hostname, "sea.example");
    EXPECT_EQ(Key("marker"), "template");
    EXPECT_EQ(Key("version"), "107");
    ShellSaveSettings();
    EXPECT_EQ(Key("port"), "7000");
    EXPECT_EQ(Key("hostname"), "sea.example");
}

TEST_F(Settings, NoVersionCountsAsOld) {
    WriteText("kr.ini", "[Kestrune]\nport=7001\n");
    InitializeIniFile();
    EXPECT_EQ(port, 7001);
    EXPECT_EQ(Key("marker"), "template");
}

TEST_F(Settings, TheCurrentVersionIsLeftAlone) {
    WriteText("kr.ini", "[Kestrune]\nversion=107\nport=7002\nmine=yes\n");
    InitializeIniFile();
    EXPECT_EQ(Key("marker"), "<none>");
    EXPECT_EQ(Key("mine"), "yes");
}

TEST_F(Settings, WithoutKeysTheBuiltInServerIsUsedAndWrittenAtExit) {
    WriteText("kr.ini", "[Kestrune]\nversion=107\n");
    InitializeIniFile();
    EXPECT_EQ(port, 6000);
    EXPECT_STREQ(hostname, "localhost");
    ShellSaveSettings();
    EXPECT_EQ(Key("port"), "6000");
    EXPECT_EQ(Key("hostname"), "localhost");
}

TEST_F(Settings, AHostNameIsCutTo79Characters) {
    std::string exact(79, 'h'), longer(90, 'g');
    WriteText("kr.ini", "[Kestrune]\nversion=107\nhostname=" + exact + "\n");
    InitializeIniFile();
    EXPECT_EQ(std::string(hostname), exact);
    WriteText("kr.ini", "[Kestrune]\nversion=107\nhostname=" + longer + "\n");
    InitializeIniFile();
    EXPECT_EQ(std::string(hostname), longer.substr(0, 79));
}

TEST_F(Settings, ACommandLineServerIsUsedButNotSaved) {
    WriteText("kr.ini", "[Kestrune]\nversion=107\nport=7003\nhostname=home.example\n");
    const char *argv[] = {"kestrune", "--host", "127.0.0.1", "--port", "6123"};
    ShellParseArguments(5, (char **)argv);
    InitializeIniFile();
    EXPECT_STREQ(hostname, "127.0.0.1");
    EXPECT_EQ(port, 6123);
    ShellSaveSettings();
    EXPECT_EQ(Key("hostname"), "home.example");
    EXPECT_EQ(Key("port"), "7003");

    // A server changed in Options during the run is saved.
    snprintf(hostname, sizeof hostname, "%s", "new.example");
    ShellSaveSettings();
    EXPECT_EQ(Key("hostname"), "new.example");
}

TEST_F(Settings, ABadPortArgumentIsIgnored) {
    WriteText("kr.ini", "[Kestrune]\nversion=107\nport=7004\n");
    const char *argv[] = {"kestrune", "--port", "70000"};
    ShellParseArguments(3, (char **)argv);
    InitializeIniFile();
    EXPECT_EQ(port, 7004);
}

} // namespace
