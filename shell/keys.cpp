// keys.cpp -- the ship's keyboard shortcuts (on key release) and the held arrow keys
#include "shell/shell.h"
#include "net/session.h"
#include "sim/mobile.h"
#include "sim/battle.h"
#include "stations/stations.h"

int HandleKeyEvent(WPARAM key) {
    // Typing in the radio room must never command the ship.
    if (hwndChat && active_window == hwndChat) return 0;
    switch (key) {
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
        if (player_mobile) ChangePlayerEngine((int32_t)(key - '1'));
        return 1;
    case VK_SPACE:
        if (hwndTubes) TubesClick(0, 0);
        return 1;
    case 'X':
        BridgeZoom(-1);
        return 1;
    case 'Z':
        BridgeZoom(1);
        return 1;
    case 'D':
        if (hwndButton) ButtonClick(-1, 2);
        return 1;
    }
    return 0;
}

void ProcessKeyboard() {
    if (location != LOC_BATTLE) return;
    if (hwndChat && active_window == hwndChat) return;
    if (GetKeyState(VK_LEFT) & 0x8000) BridgeRotate(-1);
    if (GetKeyState(VK_RIGHT) & 0x8000) BridgeRotate(1);
}
