// keys_test.cpp -- keys bound in Game / Options / Keys, by clicks and key presses, then a battle
// that answers the new keys and no longer the old ones
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "net/transport.h"
#include "platform/platform_test.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/keys.h"
#include "shell/shell.h"
#include "sim/mobile.h"
#include "stations/bridge.h"
#include "stations/button.h"
#include "stations/stations.h"
#include "stations/tubes.h"
#include "tests/stations/inst_support.h"

namespace {

// The modal windows a case expects, in order, and what the player does in each.
struct Answer {
    std::string caption;
    std::function<void(HWND)> act;
};
std::vector<Answer> answers;
std::vector<std::string> unexpected;
int stray_turns;

void AnswerHook(HWND modal, void *) {
    char caption[128] = "";
    GetWindowText(modal, caption, sizeof caption);
    if (!answers.empty() && answers.front().caption == caption) {
        Answer a = answers.front();
        answers.erase(answers.begin());
        stray_turns = 0;
        a.act(modal);
        return;
    }
    // A window nobody expects is cancelled after a while (a message box has only OK), so a
    // failing case cannot hang.
    if (++stray_turns > 200) {
        unexpected.push_back(caption);
        char text[256];
        bool box = PlatformTestMessageBoxText(modal, text, sizeof text);
        SendMessage(modal, WM_COMMAND, MAKEWPARAM(box ? IDOK : IDCANCEL, BN_CLICKED), 0);
        stray_turns = 0;
    }
}

// A real click in the middle of a dialog's control.
void ClickControl(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    ASSERT_TRUE(control) << id;
    RECT r;
    GetWindowRect(control, &r);
    PlatformTestClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PlatformTestPump();
}

void Press(int key) {
    PlatformTestKeyPress(key);
    PlatformTestPump();
}

// The control ID of a command's key box.
int KeyBox(int command) {
    return (int)IDC_KEY_FIELD + command;
}

std::string Text(HWND dialog, int id) {
    char text[256] = "";
    GetDlgItemText(dialog, id, text, sizeof text);
    return text;
}

class KeysTest : public InstFixture {
  protected:
    void SetUp() override {
        InstFixture::SetUp();
        KeysDefaults(key_binding);
        ButtonShow();
        answers.clear();
        unexpected.clear();
        stray_turns = 0;
        PlatformTestSetModalHook(AnswerHook, nullptr);
    }
    void TearDown() override {
        PlatformTestSetModalHook(nullptr, nullptr);
        EXPECT_TRUE(answers.empty()) << answers.front().caption << " never opened";
        EXPECT_TRUE(unexpected.empty()) << unexpected.front();
        KeysDefaults(key_binding);
        InstFixture::TearDown();
    }
    // A key pressed and released in the battle, taken by the program's own loop.
    void BattleKey(int key) {
        old_ip_status = IPStatus();
        PlatformTestKeyPress(key);
        for (int i = 0; i < 100 && ShellLoopPass(); i++) {
        }
    }
    int Loaded() {
        int n = 0;
        for (int i = 0; i < TUBES_COUNT; i++)
            n += tube_status[i];
        return n;
    }
};

TEST_F(KeysTest, FireOnFAndCrashDiveOnCBoundInOptions) {
    Own(SUBMARINE, 0, 0, 0, 0);
    ASSERT_TRUE(hwndTubes && hwndButton);
    std::string first_note, fire_shown, dive_shown;
    answers = {
        {"Kestrune Options",
         [](HWND d) {
             PlatformTestPump(); // its first paint
             Shot("options_dialog");
             ClickControl(d, IDC_KEYS);
         }},
        {"Kestrune Keys",
         [&](HWND d) {
             first_note = Text(d, IDC_KEYS_NOTE);
             ClickControl(d, KeyBox(KEY_FIRE));
             Press('F');
             ClickControl(d, KeyBox(KEY_CRASH_DIVE));
             Press('C');
             fire_shown = Text(d, KeyBox(KEY_FIRE));
             dive_shown = Text(d, KeyBox(KEY_CRASH_DIVE));
             Shot("keys_dialog");
             ClickControl(d, IDOK);
         }},
        // The keys were taken with the Keys dialog's OK; leaving Options does not undo them.
        {"Kestrune Options", [](HWND d) { ClickControl(d, IDCANCEL); }},
    };
    SendMessage(hwndApp, WM_COMMAND, IDM_OPTIONS, 0);
    EXPECT_NE(first_note.find("swapped"), std::string::npos) << first_note;
    EXPECT_EQ(fire_shown, "F");
    EXPECT_EQ(dive_shown, "C");

    BattleKey(VK_SPACE);
    EXPECT_EQ(Loaded(), 4);
    EXPECT_TRUE(SentLines().empty());
    BattleKey('F');
    EXPECT_EQ(Loaded(), 3);
    std::vector<std::string> lines = SentLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], 0), 13); // a torpedo launch
    EXPECT_EQ(Field(lines[0], 3), 0);

    BattleKey('D');
    EXPECT_EQ(dive_state, 0);
    BattleKey('C');
    EXPECT_EQ(dive_state, 1);
    BattleKey('C');
    EXPECT_EQ(dive_state, 0);
    // The engine keys were not touched.
    BattleKey('5');
    EXPECT_EQ(player_mobile->engine, 4);
}

TEST_F(KeysTest, AKeyAnotherCommandHasIsSwappedAndSaidSo) {
    Own(SUBMARINE, 0, 0, 0, 0);
    std::string note, fire_shown, dive_shown;
    answers = {{"Kestrune Keys", [&](HWND d) {
                    ClickControl(d, KeyBox(KEY_FIRE));
                    Press('D');
                    note = Text(d, IDC_KEYS_NOTE);
                    fire_shown = Text(d, KeyBox(KEY_FIRE));
                    dive_shown = Text(d, KeyBox(KEY_CRASH_DIVE));
                    Shot("keys_swap");
                    ClickControl(d, IDOK);
                }}};
    EXPECT_EQ(KeysDialog(hwndApp), 1);
    EXPECT_EQ(note, "Fire torpedo is now D. Crash dive had D, so it takes SPACE.");
    EXPECT_EQ(fire_shown, "D");
    EXPECT_EQ(dive_shown, "SPACE");
    BattleKey(VK_SPACE);
    EXPECT_EQ(dive_state, 1);
    EXPECT_EQ(Loaded(), 4);
    BattleKey('D');
    EXPECT_EQ(Loaded(), 3);
}

TEST_F(KeysTest, TheTurningKeysFollowTheirBindingWhileHeld) {
    Own(SUBMARINE, 0, 0, 0, 0);
    answers = {{"Kestrune Keys", [&](HWND d) {
                    ClickControl(d, KeyBox(KEY_TURN_LEFT));
                    Press('Q');
                    ClickControl(d, KeyBox(KEY_TURN_RIGHT));
                    Press(VK_UP); // an arrow key reaches the box, it does not move the focus
                    ClickControl(d, IDOK);
                }}};
    EXPECT_EQ(KeysDialog(hwndApp), 1);
    EXPECT_EQ(key_binding[KEY_TURN_LEFT], 'Q');
    EXPECT_EQ(key_binding[KEY_TURN_RIGHT], VK_UP);
    // Held, not released: the step polls the keys that are down.
    const struct { int key, turn; } cases[] = {{VK_LEFT, 0}, {VK_RIGHT, 0}, {'Q', -1}, {VK_UP, 1}};
    for (auto c : cases) {
        bridge_turn = 0;
        PlatformTestKey(c.key, TRUE);
        PlatformTestPump();
        ProcessKeyboard();
        EXPECT_EQ(bridge_turn, c.turn) << c.key;
        PlatformTestKey(c.key, FALSE);
        PlatformTestPump();
    }
    bridge_turn = 0;
}

TEST_F(KeysTest, CancelAndEscapeKeepTheKeysAndDefaultsRestoresThem) {
    Own(SUBMARINE, 0, 0, 0, 0);
    answers = {{"Kestrune Keys",
                [&](HWND d) {
                    ClickControl(d, KeyBox(KEY_FIRE));
                    Press('G');
                    ClickControl(d, IDCANCEL);
                }},
               {"Kestrune Keys", [&](HWND d) {
                    ClickControl(d, KeyBox(KEY_FIRE));
                    Press('G');
                    Press(VK_ESCAPE); // cancels, it is not bound
                }}};
    EXPECT_EQ(KeysDialog(hwndApp), 0);
    EXPECT_EQ(KeysDialog(hwndApp), 0);
    EXPECT_EQ(key_binding[KEY_FIRE], VK_SPACE);

    key_binding[KEY_FIRE] = 'G';
    key_binding[KEY_ZOOM_IN] = 'Q';
    std::string fire_shown;
    answers = {{"Kestrune Keys", [&](HWND d) {
                    ClickControl(d, IDC_KEYS_DEFAULTS);
                    fire_shown = Text(d, KeyBox(KEY_FIRE));
                    // Enter in a key box is the dialog's OK, not a key to bind.
                    ClickControl(d, KeyBox(KEY_ZOOM_IN));
                    Press(VK_RETURN);
                }}};
    EXPECT_EQ(KeysDialog(hwndApp), 1);
    EXPECT_EQ(fire_shown, "SPACE");
    int32_t defaults[KEY_COMMANDS];
    KeysDefaults(defaults);
    for (int i = 0; i < KEY_COMMANDS; i++)
        EXPECT_EQ(key_binding[i], defaults[i]) << KeysEntryName(i);
}

TEST_F(KeysTest, AKeyThatCannotBeBoundChangesNothing) {
    Own(SUBMARINE, 0, 0, 0, 0);
    std::string note;
    answers = {{"Kestrune Keys", [&](HWND d) {
                    ClickControl(d, KeyBox(KEY_FIRE));
                    Press(VK_CAPITAL);
                    note = Text(d, IDC_KEYS_NOTE);
                    ClickControl(d, IDOK);
                }}};
    EXPECT_EQ(KeysDialog(hwndApp), 1);
    EXPECT_EQ(key_binding[KEY_FIRE], VK_SPACE);
    EXPECT_EQ(note, "That key can't be given to a command. Fire torpedo keeps SPACE.");
}

TEST_F(KeysTest, TheRadioRoomStillTakesEveryKey) {
    Own(SUBMARINE, 0, 0, 0, 0);
    key_binding[KEY_FIRE] = 'F';
    ASSERT_TRUE(hwndChat);
    ActivateWindow(hwndChat);
    BattleKey('F');
    EXPECT_EQ(Loaded(), 4);
    active_window = NULL;
    BattleKey('F');
    EXPECT_EQ(Loaded(), 3);
}

} // namespace
