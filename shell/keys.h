// keys.h -- the ship's keyboard commands and the keys the player has bound to them
#pragma once

#include <cstdint>

// The keyboard commands, in the order the Keys dialog and the settings file list them.
enum {
    KEY_FULL_ASTERN,
    KEY_HALF_ASTERN,
    KEY_STOP,
    KEY_HALF_AHEAD,
    KEY_FULL_AHEAD,
    KEY_FIRE,
    KEY_TURN_LEFT,
    KEY_TURN_RIGHT,
    KEY_ZOOM_IN,
    KEY_ZOOM_OUT,
    KEY_CRASH_DIVE,
    KEY_COMMANDS
};

// The virtual-key code bound to each command; always all different.
extern int32_t key_binding[KEY_COMMANDS];
// The settings file's section of the bindings: "Keys".
extern const char szKeysSection[];

void KeysDefaults(int32_t *binding);
// Fills binding[KEY_COMMANDS] with the keys the game ships with: 1 to 5, SPACE, LEFT, RIGHT, Z,
// X, D.

void KeysLoad();
// Reads the bindings from the settings file. A missing entry takes its default; an entry naming
// no key that can be bound takes its default and is logged. A key two commands claim stays with
// the one at its default, else with the one first in the list; the other takes its default, and
// that is logged too.

void KeysSave();
// Writes every binding to the settings file, one line per command.

const char *KeysCommandName(int32_t command);
// What the player sees for a command ("Fire torpedo"); "" when out of range.
const char *KeysEntryName(int32_t command);
// The command's key in the settings file ("Fire"); "" when out of range.

const char *KeysKeyName(int32_t key);
// The readable name of a virtual key ("F", "SPACE", "PAGEUP"); null when it cannot be bound.
int32_t KeysParseName(const char *name);
// The virtual key of a name as KeysKeyName writes it (any case, blanks around ignored); 0 when
// the name is not one of a key that can be bound.

int32_t KeysCommandOf(const int32_t *binding, int32_t key);
// The command that binding gives `key` to, or -1.

int32_t KeysAssign(int32_t *binding, int32_t command, int32_t key);
// Binds `key` to `command`. When another command had that key, the two swap: the other command
// takes this command's old key, and its number is returned; otherwise -1. A key that cannot be
// bound, or a bad command, changes nothing and gives -2.
