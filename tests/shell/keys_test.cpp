// keys_test.cpp -- the key bindings in the settings file: written by the Keys dialog, read at the
// next start, and bad or doubled entries falling back to the shipped keys
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/keys.h"
#include "shell/shell.h"
#include "tests/support/dialog_script.h"
#include "tests/support/frame_window.h"

namespace {

void WriteText(const char *name, const std::string &text) {
    FILE *f = fopen(name, "w");
    ASSERT_TRUE(f);
    fputs(text.c_str(), f);
    fclose(f);
}

std::string ReadText(const char *name) {
    std::ifstream in(name);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// The keys a player who never opens the Keys dialog has.
const int32_t kShipped[KEY_COMMANDS] = {'1',     '2',      '3', '4', '5', VK_SPACE,
                                        VK_LEFT, VK_RIGHT, 'Z', 'X', 'D'};

class KeySettings : public ::testing::Test {
  protected:
    void SetUp() override {
        TestFrameOpen();
        InitializeDebug("keys.log");
        remove("kr.ini");
        remove("default.ini");
        const char *argv[] = {"kestrune"};
        ShellParseArguments(1, (char **)argv);
        KeysDefaults(key_binding);
        DialogScriptStart({});
    }
    void TearDown() override {
        DialogScriptStop();
        KeysDefaults(key_binding);
        TestFrameClose();
        debug_file[0] = 0;
    }
    // The program's start as far as the settings go.
    void Start(const std::string &ini) {
        memset(key_binding, 0, sizeof key_binding);
        WriteText("kr.ini", "[Kestrune]\nversion=107\n" + ini);
        InitializeIniFile();
    }
    void ExpectShippedKeysBut(int32_t command, int32_t key) {
        for (int i = 0; i < KEY_COMMANDS; i++)
            EXPECT_EQ(key_binding[i], i == command ? key : kShipped[i]) << KeysEntryName(i);
    }
};

TEST_F(KeySettings, WithoutAKeysSectionTheShippedKeysHold) {
    Start("");
    ExpectShippedKeysBut(-1, 0);
    // A first start installs the template, which has no keys either.
    remove("kr.ini");
    WriteText("default.ini", "[Kestrune]\nversion=107\n");
    memset(key_binding, 0, sizeof key_binding);
    InitializeIniFile();
    ExpectShippedKeysBut(-1, 0);
    EXPECT_EQ(ReadText("keys.log").find("KeysLoad"), std::string::npos);
}

TEST_F(KeySettings, TheDialogWritesOneLinePerCommandAndTheNextStartReadsThem) {
    Start("");
    DialogScriptAdd({"Kestrune Keys", [](HWND d) {
                         // As the player would: focus the box, press the key.
                         SetFocus(GetDlgItem(d, (int)IDC_KEY_FIELD + KEY_FIRE));
                         PlatformTestKeyPress('F');
                         PlatformTestPump();
                         SetFocus(GetDlgItem(d, (int)IDC_KEY_FIELD + KEY_TURN_LEFT));
                         PlatformTestKeyPress(VK_PRIOR);
                         PlatformTestPump();
                         DialogPress(d, IDOK);
                     }});
    EXPECT_EQ(KeysDialog(hwndApp), 1);
    std::string file = ReadText("kr.ini");
    size_t section = file.find("[Keys]");
    ASSERT_NE(section, std::string::npos) << file;
    for (const char *line :
         {"FullAstern=1", "HalfAstern=2", "Stop=3", "HalfAhead=4", "FullAhead=5", "Fire=F",
          "TurnLeft=PAGEUP", "TurnRight=RIGHT", "ZoomIn=Z", "ZoomOut=X", "CrashDive=D"})
        EXPECT_NE(file.find(std::string(line) + "\n", section), std::string::npos) << line;
    EXPECT_NE(file.find("version=107"), std::string::npos); // the rest of the file is kept

    // The next start.
    KeysDefaults(key_binding);
    InitializeIniFile();
    EXPECT_EQ(key_binding[KEY_FIRE], 'F');
    EXPECT_EQ(key_binding[KEY_TURN_LEFT], VK_PRIOR);
    EXPECT_EQ(key_binding[KEY_CRASH_DIVE], 'D');
}

TEST_F(KeySettings, EveryKeyThatCanBeBoundSurvivesTheFile) {
    int named = 0;
    for (int32_t key = 0; key < 256; key++) {
        const char *name = KeysKeyName(key);
        if (!name) continue;
        named++;
        Start(std::string("[Keys]\nFire=") + name + "\n");
        // A key another command has is refused; the rest are Fire's from then on.
        int32_t other = KeysCommandOf(kShipped, key);
        ExpectShippedKeysBut(KEY_FIRE, other >= 0 && other != KEY_FIRE ? VK_SPACE : key);
    }
    EXPECT_GT(named, 80);
    // Dialog and menu keys are never offered.
    for (int32_t key : {VK_TAB, VK_RETURN, VK_ESCAPE, VK_MENU, VK_F10, 0, 0x100, -1}) {
        EXPECT_EQ(KeysKeyName(key), nullptr) << key;
        EXPECT_EQ(KeysAssign(key_binding, KEY_FIRE, key), -2) << key;
    }
    EXPECT_EQ(KeysParseName("f10"), 0);
    EXPECT_EQ(KeysParseName(" pageUp "), VK_PRIOR);
    EXPECT_EQ(KeysParseName("numpad7"), VK_NUMPAD7);
}

TEST_F(KeySettings, BadEntriesTakeTheShippedKeyAndAreLogged) {
    Start("[Keys]\nFire=banana\nCrashDive=\nHalfAhead=F10\nFullAhead=" + std::string(300, 'Q') +
          "\nStop=\x01\xff\nZoomIn=Z Z\nTurnLeft=  q  \nNoSuchCommand=E\n");
    ExpectShippedKeysBut(KEY_TURN_LEFT, 'Q');
    std::string log = ReadText("keys.log");
    for (const char *entry : {"Fire=banana", "HalfAhead=F10", "ZoomIn=Z Z"})
        EXPECT_NE(log.find(entry), std::string::npos) << entry << "\n" << log;
    EXPECT_NE(log.find("KeysLoad"), std::string::npos);
    EXPECT_EQ(log.find("CrashDive"), std::string::npos); // empty is the same as missing
}

TEST_F(KeySettings, AKeyTwoCommandsClaimGoesBackToTheShippedKeys) {
    // Fire has D as well as CrashDive (unchanged): Fire gives it up.
    Start("[Keys]\nFire=D\n");
    ExpectShippedKeysBut(-1, 0);
    EXPECT_NE(ReadText("keys.log").find("both have D"), std::string::npos);

    // Both moved to one key: the command written first (Fire) keeps it, wherever its line is.
    Start("[Keys]\nCrashDive=G\nFire=G\n");
    ExpectShippedKeysBut(KEY_FIRE, 'G');

    // ZoomIn takes ZoomOut's X, so goes back to Z, which Fire has taken: Fire goes back too.
    Start("[Keys]\nFire=Z\nZoomIn=X\n");
    ExpectShippedKeysBut(-1, 0);
    std::string log = ReadText("keys.log");
    EXPECT_NE(log.find("ZoomOut and ZoomIn both have X; ZoomIn takes Z"), std::string::npos) << log;
    EXPECT_NE(log.find("ZoomIn and Fire both have Z; Fire takes SPACE"), std::string::npos) << log;

    // An exchange of keys is not a clash.
    Start("[Keys]\nFire=D\nCrashDive=SPACE\n");
    EXPECT_EQ(key_binding[KEY_FIRE], 'D');
    EXPECT_EQ(key_binding[KEY_CRASH_DIVE], VK_SPACE);
    for (int i = 0; i < KEY_COMMANDS; i++)
        for (int j = i + 1; j < KEY_COMMANDS; j++)
            EXPECT_NE(key_binding[i], key_binding[j]);
}

TEST_F(KeySettings, TheShippedKeysActAsBefore) {
    Start("");
    // A key no command has, and the turning keys on release, are not acted on.
    for (int32_t key : {(int)'Q', (int)'F', (int)'C', VK_LEFT, VK_RIGHT, 0x131})
        EXPECT_EQ(HandleKeyEvent((WPARAM)key), 0) << key;
    for (int32_t key : {(int)'1', (int)'5', VK_SPACE, (int)'Z', (int)'X', (int)'D'})
        EXPECT_EQ(HandleKeyEvent((WPARAM)key), 1) << key;
}

} // namespace
