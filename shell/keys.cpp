// keys.cpp -- the ship's keyboard commands: their keys, kept in the settings file, and their acts
#include "shell/keys.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "shell/shell.h"
#include "shell/debug.h"
#include "net/session.h"
#include "sim/mobile.h"
#include "sim/battle.h"
#include "stations/stations.h"

int32_t key_binding[KEY_COMMANDS] = {'1',     '2',      '3', '4', '5', VK_SPACE,
                                     VK_LEFT, VK_RIGHT, 'Z', 'X', 'D'};
const char szKeysSection[] = "Keys";

struct KeyCommand {
    const char *entry; // the settings file's key
    const char *name;  // what the Keys dialog shows
    int32_t key;       // the default
};

static const KeyCommand key_command[KEY_COMMANDS] = {
    {"FullAstern", "Engines full astern", '1'},
    {"HalfAstern", "Engines half astern", '2'},
    {"Stop", "Engines stop", '3'},
    {"HalfAhead", "Engines half ahead", '4'},
    {"FullAhead", "Engines full ahead", '5'},
    {"Fire", "Fire torpedo", VK_SPACE},
    {"TurnLeft", "Turn view left (hold)", VK_LEFT},
    {"TurnRight", "Turn view right (hold)", VK_RIGHT},
    {"ZoomIn", "Magnify view", 'Z'},
    {"ZoomOut", "Widen view", 'X'},
    {"CrashDive", "Crash dive", 'D'},
};

struct KeyName {
    int32_t key;
    const char *name;
};

// Keys that can be bound besides letters, digits and F-keys. Tab, Enter and Escape work the
// dialogs, and Alt and F10 the menu bar, so none of them is offered.
static const KeyName key_name[] = {
    {VK_SPACE, "SPACE"},       {VK_LEFT, "LEFT"},
    {VK_RIGHT, "RIGHT"},       {VK_UP, "UP"},
    {VK_DOWN, "DOWN"},         {VK_HOME, "HOME"},
    {VK_END, "END"},           {VK_PRIOR, "PAGEUP"},
    {VK_NEXT, "PAGEDOWN"},     {VK_INSERT, "INSERT"},
    {VK_DELETE, "DELETE"},     {VK_BACK, "BACKSPACE"},
    {VK_SHIFT, "SHIFT"},       {VK_CONTROL, "CTRL"},
    {VK_PAUSE, "PAUSE"},       {VK_MULTIPLY, "NUMPAD*"},
    {VK_ADD, "NUMPAD+"},       {VK_SUBTRACT, "NUMPAD-"},
    {VK_DECIMAL, "NUMPAD."},   {VK_DIVIDE, "NUMPAD/"},
    {VK_OEM_1, "SEMICOLON"},   {VK_OEM_PLUS, "EQUALS"},
    {VK_OEM_COMMA, "COMMA"},   {VK_OEM_MINUS, "MINUS"},
    {VK_OEM_PERIOD, "PERIOD"}, {VK_OEM_2, "SLASH"},
    {VK_OEM_3, "BACKQUOTE"},   {VK_OEM_4, "LEFTBRACKET"},
    {VK_OEM_5, "BACKSLASH"},   {VK_OEM_6, "RIGHTBRACKET"},
    {VK_OEM_7, "QUOTE"},
};
enum { KEY_NAMES = (int)(sizeof key_name / sizeof key_name[0]) };

const char *KeysKeyName(int32_t key) {
    // Every name has its own storage, so two names can be used in one message.
    static char names[256][12];
    static int made;
    if (!made) {
        made = 1;
        for (int k = 0; k < 256; k++) {
            if ((k >= 'A' && k <= 'Z') || (k >= '0' && k <= '9'))
                snprintf(names[k], sizeof names[k], "%c", k);
            else if (k >= VK_F1 && k <= VK_F12 && k != VK_F10)
                snprintf(names[k], sizeof names[k], "F%d", k - VK_F1 + 1);
            else if (k >= VK_NUMPAD0 && k <= VK_NUMPAD9)
                snprintf(names[k], sizeof names[k], "NUMPAD%d", k - VK_NUMPAD0);
        }
        for (int i = 0; i < KEY_NAMES; i++)
            snprintf(names[key_name[i].key], sizeof names[0], "%s", key_name[i].name);
    }
    if (key < 0 || key > 255 || !names[key][0]) return NULL;
    return names[key];
}

int32_t KeysParseName(const char *name) {
    if (!name) return 0;
    char text[24];
    size_t n = 0;
    while (*name == ' ' || *name == '\t')
        name++;
    for (; *name && n < sizeof text - 1; name++)
        text[n++] = (char)toupper((unsigned char)*name);
    if (*name) return 0; // longer than any key's name
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t' || text[n - 1] == '\r'))
        n--;
    text[n] = 0;
    for (int32_t key = 0; key < 256; key++) {
        const char *known = KeysKeyName(key);
        if (known && strcmp(text, known) == 0) return key;
    }
    return 0;
}

const char *KeysCommandName(int32_t command) {
    return command >= 0 && command < KEY_COMMANDS ? key_command[command].name : "";
}

const char *KeysEntryName(int32_t command) {
    return command >= 0 && command < KEY_COMMANDS ? key_command[command].entry : "";
}

void KeysDefaults(int32_t *binding) {
    for (int i = 0; i < KEY_COMMANDS; i++)
        binding[i] = key_command[i].key;
}

int32_t KeysCommandOf(const int32_t *binding, int32_t key) {
    for (int i = 0; i < KEY_COMMANDS; i++)
        if (binding[i] == key) return i;
    return -1;
}

int32_t KeysAssign(int32_t *binding, int32_t command, int32_t key) {
    if (command < 0 || command >= KEY_COMMANDS || !KeysKeyName(key)) return -2;
    int32_t other = KeysCommandOf(binding, key);
    if (other == command) return -1;
    if (other >= 0) binding[other] = binding[command];
    binding[command] = key;
    return other;
}

void KeysLoad() {
    int32_t binding[KEY_COMMANDS];
    int32_t from_file[KEY_COMMANDS] = {};
    for (int i = 0; i < KEY_COMMANDS; i++) {
        char text[64];
        binding[i] = key_command[i].key;
        GetPrivateProfileString(szKeysSection, key_command[i].entry, "", text, sizeof text,
                                szIniName);
        text[sizeof text - 1] = 0;
        if (!text[0]) continue;
        int32_t key = KeysParseName(text);
        if (!key) {
            char message[160];
            snprintf(message, sizeof message, "%s=%s names no key that can be bound; using %s",
                     key_command[i].entry, text, KeysKeyName(key_command[i].key));
            DebugLogTag("KeysLoad", message);
            continue;
        }
        binding[i] = key;
        from_file[i] = key != key_command[i].key;
    }
    // A key that two commands claim is kept by one at its shipped key, else by the first of the
    // two in the list; the other goes back to its shipped key. The shipped keys are all different,
    // so this ends with every key bound once.
    for (int changed = 1; changed;) {
        changed = 0;
        for (int i = 0; i < KEY_COMMANDS && !changed; i++) {
            for (int j = i + 1; j < KEY_COMMANDS && !changed; j++) {
                if (binding[j] != binding[i]) continue;
                int keeper = from_file[j] ? i : j, loser = keeper == i ? j : i;
                char message[160];
                snprintf(message, sizeof message, "%s and %s both have %s; %s takes %s",
                         key_command[keeper].entry, key_command[loser].entry,
                         KeysKeyName(binding[i]), key_command[loser].entry,
                         KeysKeyName(key_command[loser].key));
                DebugLogTag("KeysLoad", message);
                binding[loser] = key_command[loser].key;
                from_file[loser] = 0;
                changed = 1;
            }
        }
    }
    memcpy(key_binding, binding, sizeof key_binding);
}

void KeysSave() {
    for (int i = 0; i < KEY_COMMANDS; i++) {
        const char *name = KeysKeyName(key_binding[i]);
        WritePrivateProfileString(szKeysSection, key_command[i].entry,
                                  name ? name : KeysKeyName(key_command[i].key), szIniName);
    }
}

int HandleKeyEvent(WPARAM key) {
    // Typing in the radio room must never command the ship.
    if (hwndChat && active_window == hwndChat) return 0;
    if (key > 0xFF) return 0;
    int32_t command = KeysCommandOf(key_binding, (int32_t)key);
    switch (command) {
    case KEY_FULL_ASTERN:
    case KEY_HALF_ASTERN:
    case KEY_STOP:
    case KEY_HALF_AHEAD:
    case KEY_FULL_AHEAD:
        if (player_mobile) ChangePlayerEngine(command - KEY_FULL_ASTERN);
        return 1;
    case KEY_FIRE:
        if (hwndTubes) TubesClick(0, 0);
        return 1;
    case KEY_ZOOM_OUT:
        BridgeZoom(-1);
        return 1;
    case KEY_ZOOM_IN:
        BridgeZoom(1);
        return 1;
    case KEY_CRASH_DIVE:
        if (hwndButton) ButtonClick(-1, 2);
        return 1;
    }
    return 0; // the turning keys act while held, not on release
}

void ProcessKeyboard() {
    if (location != LOC_BATTLE) return;
    if (hwndChat && active_window == hwndChat) return;
    if (GetKeyState(key_binding[KEY_TURN_LEFT]) & 0x8000) BridgeRotate(-1);
    if (GetKeyState(key_binding[KEY_TURN_RIGHT]) & 0x8000) BridgeRotate(1);
}
