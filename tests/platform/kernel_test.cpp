// kernel_test.cpp -- INI files, the settings folder, name mapping, classic file calls, help viewer
#include "platform_fixture.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

class Kernel : public PlatformTest {
  protected:
    std::string root, home, data, work, old_cwd;
    void SetUp() override {
        PlatformTest::SetUp();
        char tmpl[] = "/tmp/kr_kernel_XXXXXX";
        root = mkdtemp(tmpl);
        home = root + "/home";
        data = root + "/data";
        work = root + "/work";
        mkdir(data.c_str(), 0755);
        mkdir(work.c_str(), 0755);
        mkdir(home.c_str(), 0755);
        setenv("KESTRUNE_HOME", home.c_str(), 1);
        setenv("KESTRUNE_DATA", data.c_str(), 1);
        char cwd[4096];
        old_cwd = getcwd(cwd, sizeof cwd);
        ASSERT_EQ(chdir(work.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(old_cwd.c_str()), 0);
        std::string cmd = "chmod -R u+w " + root + " && rm -rf " + root;
        ASSERT_EQ(system(cmd.c_str()), 0);
        PlatformTest::TearDown();
    }
    static void Write(const std::string &path, const std::string &text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string &path) {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
};

TEST_F(Kernel, WindowsDirectoryIsTheSettingsFolderAndIsCreated) {
    rmdir(home.c_str());
    char dir[256];
    UINT n = GetWindowsDirectory(dir, sizeof dir);
    EXPECT_EQ(std::string(dir), home);
    EXPECT_EQ(n, home.size());
    struct stat st;
    EXPECT_EQ(stat(home.c_str(), &st), 0);
    EXPECT_EQ(GetWindowsDirectory(dir, 4), home.size() + 1); // too small: the size needed
    unsetenv("KESTRUNE_HOME");
    setenv("XDG_CONFIG_HOME", root.c_str(), 1);
    GetWindowsDirectory(dir, sizeof dir);
    EXPECT_EQ(std::string(dir), root + "/kestrune");
}

TEST_F(Kernel, PrivateProfileReadsWritesAndDefaults) {
    EXPECT_EQ(GetPrivateProfileInt("Kestrune", "port", 6000, "kr.ini"), 6000u);
    char buf[64];
    EXPECT_EQ(
        GetPrivateProfileString("Kestrune", "hostname", "kr.example ", buf, sizeof buf, "kr.ini"),
        10u);
    EXPECT_STREQ(buf, "kr.example"); // trailing blanks of a default go
    EXPECT_TRUE(WritePrivateProfileString("Kestrune", "port", "6001", "kr.ini"));
    EXPECT_TRUE(WritePrivateProfileString("Kestrune", "bridge_x-800-5", "-12", "kr.ini"));
    EXPECT_TRUE(WritePrivateProfileString("Other", "a", "1", "kr.ini"));
    EXPECT_EQ(GetPrivateProfileInt("kestrune", "PORT", 0, "KR.INI"), 6001u); // any case
    EXPECT_EQ((int)GetPrivateProfileInt("Kestrune", "bridge_x-800-5", 0, "kr.ini"), -12);
    EXPECT_TRUE(WritePrivateProfileString("KESTRUNE", "Port", "6002", "kr.ini"));
    std::string text = Read(home + "/kr.ini");
    EXPECT_EQ(text, "[Kestrune]\nport=6002\nbridge_x-800-5=-12\n\n[Other]\na=1\n");
    WritePrivateProfileString("Kestrune", "port", nullptr, "kr.ini");
    EXPECT_EQ(GetPrivateProfileInt("Kestrune", "port", 7, "kr.ini"), 7u);
    WritePrivateProfileString("Other", nullptr, nullptr, "kr.ini");
    EXPECT_EQ(GetPrivateProfileInt("Other", "a", 9, "kr.ini"), 9u);
    // Values that are not numbers read as 0; a line break cannot be written into the file.
    WritePrivateProfileString("Kestrune", "version", "abc", "kr.ini");
    EXPECT_EQ(GetPrivateProfileInt("Kestrune", "version", 5, "kr.ini"), 0u);
    WritePrivateProfileString("Kestrune", "hostname", "evil\n[Kestrune]\nport=1", "kr.ini");
    EXPECT_EQ(GetPrivateProfileInt("Kestrune", "port", 7, "kr.ini"), 7u);
    // A value longer than the buffer is cut.
    WritePrivateProfileString("Kestrune", "long", "0123456789", "kr.ini");
    EXPECT_EQ(GetPrivateProfileString("Kestrune", "long", "", buf, 5, "kr.ini"), 4u);
    EXPECT_STREQ(buf, "0123");
}

TEST_F(Kernel, ExistingFilesKeepCommentsLineEndsAndSurviveAFailedWrite) {
    Write(home + "/kr.ini", "; settings\r\n[Kestrune]\r\nversion = 107\r\nhostname=\"a b\"\r\n");
    char buf[64];
    GetPrivateProfileString("Kestrune", "hostname", "", buf, sizeof buf, "kr.ini");
    EXPECT_STREQ(buf, "a b");
    EXPECT_EQ(GetPrivateProfileInt("Kestrune", "version", 0, "kr.ini"), 107u);
    WritePrivateProfileString("Kestrune", "port", "6000", "kr.ini");
    EXPECT_EQ(Read(home + "/kr.ini"),
              "; settings\r\n[Kestrune]\r\nversion = 107\r\nhostname=\"a b\"\r\nport=6000\r\n");
    if (geteuid() == 0) GTEST_SKIP() << "root ignores the read-only folder";
    chmod(home.c_str(), 0555);
    EXPECT_FALSE(WritePrivateProfileString("Kestrune", "port", "1", "kr.ini"));
    chmod(home.c_str(), 0755);
    EXPECT_EQ(GetPrivateProfileInt("Kestrune", "port", 0, "kr.ini"), 6000u);
}

TEST_F(Kernel, NamesMapBackslashesCaseAndTheDataFolder) {
    mkdir((data + "/gfx").c_str(), 0755);
    Write(data + "/gfx/compass.bmp", "BM-data");
    mkdir((data + "/3d").c_str(), 0755);
    Write(data + "/3d/sub.dsh", "shape");
    char path[512];
    EXPECT_TRUE(PlatformMapFileName("gfx\\compass.bmp", path, sizeof path));
    EXPECT_EQ(std::string(path), data + "/gfx/compass.bmp");
    EXPECT_TRUE(PlatformMapFileName("3D\\SUB.DSH", path, sizeof path));
    EXPECT_EQ(std::string(path), data + "/3d/sub.dsh");
    // A copy in the working folder wins over the data folder.
    mkdir("GFX", 0755);
    Write("GFX/Compass.BMP", "local");
    EXPECT_TRUE(PlatformMapFileName("gfx\\compass.bmp", path, sizeof path));
    EXPECT_EQ(std::string(path), "GFX/Compass.BMP");
    EXPECT_FALSE(PlatformMapFileName("gfx\\missing.bmp", path, sizeof path));
    FILE *f = PlatformFileOpen("gfx\\COMPASS.bmp", "rb");
    ASSERT_TRUE(f);
    char buf[8] = {};
    fread(buf, 1, 5, f);
    fclose(f);
    EXPECT_STREQ(buf, "local");
}

TEST_F(Kernel, ClassicFileCallsReadSeekAndWrite) {
    mkdir((data + "/3d").c_str(), 0755);
    Write(data + "/3d/sub.dsh", "0123456789");
    chmod((data + "/3d/sub.dsh").c_str(), 0444);
    HFILE h = _lopen("3d\\SUB.dsh", OF_READWRITE); // read-only data still opens
    ASSERT_NE(h, HFILE_ERROR);
    EXPECT_EQ(_llseek(h, 0, FILE_END), 10);
    EXPECT_EQ(_llseek(h, 3, FILE_BEGIN), 3);
    char buf[16] = {};
    EXPECT_EQ(_lread(h, buf, 4), 4u);
    EXPECT_STREQ(buf, "3456");
    EXPECT_EQ(_lread(h, buf, 16), 3u); // up to the end
    EXPECT_EQ(_lclose(h), 0);
    EXPECT_EQ(_lopen("3d\\none.dsh", OF_READ), HFILE_ERROR);
    HFILE w = _lcreat("out.dat", 0);
    ASSERT_NE(w, HFILE_ERROR);
    EXPECT_EQ(_lwrite(w, "abc", 3), 3u);
    _lclose(w);
    EXPECT_EQ(Read("out.dat"), "abc");
    EXPECT_TRUE(DeleteFile("OUT.DAT"));
    EXPECT_FALSE(DeleteFile("out.dat"));
}

TEST_F(Kernel, CopyFileFindsTheTemplateAndRespectsFailIfExists) {
    Write(data + "/default.ini", "[Kestrune]\nversion=107\n");
    char dir[256], dst[300];
    GetWindowsDirectory(dir, sizeof dir);
    snprintf(dst, sizeof dst, "%s\\%s", dir, "kr.ini");
    EXPECT_TRUE(CopyFile("default.ini", dst, FALSE));
    EXPECT_EQ(GetPrivateProfileInt("Kestrune", "version", 0, "kr.ini"), 107u);
    EXPECT_FALSE(CopyFile("default.ini", dst, TRUE));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    EXPECT_FALSE(CopyFile("nothing.ini", dst, FALSE));
}

TEST_F(Kernel, WinHelpOpensTheHelpTextInAViewer) {
    Write(data + "/kr.hlp", "Help line one\nline two\n");
    EXPECT_GT(WinExec("winhelp kr.hlp", SW_SHOWNORMAL), 31u);
    HWND v = PlatformTestFindWindow("kr.hlp - Help");
    ASSERT_TRUE(v);
    char buf[64];
    GetDlgItemText(v, 1, buf, sizeof buf);
    EXPECT_STREQ(buf, "Help line one\r\nline two\r\n");
    EXPECT_LE(WinExec("winhelp missing.hlp", SW_SHOWNORMAL), 31u);
    EXPECT_LE(WinExec("notepad x", SW_SHOWNORMAL), 31u);
}
