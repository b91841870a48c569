// fuzz_battle_lines.cpp -- arbitrary server lines through the packet table during a battle
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "ddd/ddd.h"
#include "media/sfx.h"
#include "net/battle_messages.h"
#include "net/packet.h"
#include "net/session.h"
#include "net/transport.h"
#include "platform/platform.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/dial.h"
#include "sim/mobile.h"
#include "sim/move.h"
#include "stations/stations.h"

namespace {

void AnswerEverything(HWND box, void *) {
    SendMessage(box, WM_COMMAND, IDOK, 0);
}

void Setup() {
    static char home[] = "/tmp/kr-fuzz-battle";
    mkdir(home, 0700);
    setenv("KESTRUNE_HOME", home, 1);
    setenv("KESTRUNE_HEADLESS", "1", 1);
    // The fuzz build makes no game data; the regular build's shapes let sinkings leave sprites
    // and the bridge light real hulls.
    char data[PATH_MAX];
    if (!getenv("KESTRUNE_DATA") && realpath("build/bin/data", data))
        setenv("KESTRUNE_DATA", data, 1);
    PlatformTestReset(800, 600);
    InitializeDebug(nullptr);
    screen_w = 800;
    screen_h = 600;
    WNDCLASS wc = {};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "FuzzFrame";
    RegisterClass(&wc);
    hwndFrame = hwndApp = CreateWindowEx(0, "FuzzFrame", "Kestrune", WS_POPUP | WS_VISIBLE, 0, 0,
                                         800, 600, nullptr, nullptr, nullptr, nullptr);
    hfont = (HFONT)GetStockObject(SYSTEM_FONT);
    for (const StationEntry &station : STATION_TABLE)
        station.register_class();
    InitializeCircle();
    dddInitWindows32(hwndApp, malloc, free, dddLoadFile);
    sfxInitialize(SFX_OFF);
    PlatformTestSetModalHook(AnswerEverything, nullptr);
    end_game_wait_ms = 0;
    location = LOC_LOBBY;
}

// A battle as a server starts it: ship types, the own submarine, a few others.
void StartBattle() {
    InitializeGame(0x1f);
    PacketShipType("5:0:0:0:4e20:9c40:ffffffce:0:0:0:32:3e8:0:0:0:0:1388:fa0:5dc:0:bb8:1f40");
    PacketNewShip("3:Nemo:sub:Nautilus:1f:0:0:0:0:0:0:0:0:0:0:0:0");
    if (!player_mobile) {
        // Without shape data the list is filled by hand, as the handler would.
        Mobile *m = &mobile[num_mobiles++];
        memset(m, 0, sizeof(*m));
        m->type = &ShipType[SUBMARINE];
        m->id = 0x1f;
        m->status = ST_INUSE;
        m->engine = m->helm = 2;
        m->trim = 0x8002;
        StartGame(m);
    }
    for (int32_t id = 0x20; id < 0x24 && num_mobiles < MAX_MOBILES; id++) {
        Mobile *m = &mobile[num_mobiles++];
        memset(m, 0, sizeof(*m));
        m->type = &ShipType[id % 2 ? DESTROYER : MERCHANT];
        m->id = id;
        m->status = ST_INUSE | ST_ACTIVE;
        m->engine = m->helm = 2;
        m->trim = 0x8002;
        snprintf(m->captain, sizeof(m->captain), "C%x", id);
        SetMobilePosition(m, id * 100, 0, -id * 100, 0, 0, 0);
    }
}

bool Terminated(const char *text, size_t size) {
    return memchr(text, 0, size) != nullptr;
}

// The list must stay dense, typed and terminated, with the own ship inside it.
void CheckList(bool moved) {
    if (num_mobiles < 0 || num_mobiles > MAX_MOBILES) abort();
    if (num_sprites < 0 || num_sprites > MAX_SPRITES) abort();
    if (player_mobile && (player_mobile < mobile || player_mobile >= mobile + num_mobiles)) abort();
    for (int32_t i = 0; i < num_mobiles; i++) {
        const Mobile *m = &mobile[i];
        if (!(m->status & ST_INUSE)) abort();
        if (m->type < ShipType || m->type >= ShipType + MAX_SHIP_TYPES) abort();
        if (!Terminated(m->name, sizeof(m->name)) || !Terminated(m->captain, sizeof(m->captain)) ||
            !Terminated(m->ship_name, sizeof(m->ship_name)))
            abort();
        // A step holds every moving mobile within the depth limits, whatever the last fix said.
        if (moved && (m->status & ST_ACTIVE) && (m->y < 0 || m->y > 250)) abort();
    }
}

// The corners of every 32-bit field are rare for byte mutations to reach, so three marks stand
// for them: '!' the largest positive value, '~' the most negative, '`' minus one.
std::string ExpandExtremes(const std::string &line) {
    std::string out;
    for (char c : line) {
        if (c == '!')
            out += "7fffffff";
        else if (c == '~')
            out += "80000000";
        else if (c == '`')
            out += "ffffffff";
        else
            out += c;
    }
    return out;
}

const int32_t battle_packets[] = {T_UPDATE,   T_WEAPON, T_NEWSHIP, T_UPDATEREQ, T_RADIO,
                                  T_SHIPTYPE, T_UPDATE, T_WEAPON,  T_TEXT,      T_EXITACC};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready;
    if (!ready) {
        Setup();
        ready = true;
    }
    if (!player_mobile) StartBattle();
    std::string input((const char *)data, size);
    size_t start = 0;
    int lines = 0;
    while (start < input.size() && lines < 64) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        std::string line = input.substr(start, end - start);
        start = end + 1;
        lines++;
        if (line.empty()) continue;
        // The first byte picks a battle packet; the rest is its argument as the server sent it.
        int32_t number =
            battle_packets[(uint8_t)line[0] % (sizeof(battle_packets) / sizeof(*battle_packets))];
        if (number == T_EXITACC && (uint8_t)line[0] < 200) number = T_UPDATE; // keep battles long
        if (!player_mobile) StartBattle();
        line = ExpandExtremes(line);
        process_packet[number](line.c_str() + 1);
        bool moved = player_mobile != nullptr;
        if (moved) {
            PlatformTestAdvanceTicks((uint8_t)line[0] * 7u);
            ProcessMobiles();
        }
        CheckList(moved);
    }
    // One frame of the bridge over whatever the lines left: ships, sprites and the light at any
    // place the server can name.
    if (player_mobile && hwndBridge) BridgeUpdate();
    return 0;
}
