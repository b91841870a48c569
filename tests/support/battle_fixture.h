// battle_fixture.h -- a headless battle for tests: captured lines, sounds and log. BattleFixture
// runs the model alone, its requests of the windows taken by the recorder (link
// kr_outward_record); StationsBattleFixture (battle_windows.h) runs it with the real stations.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "ddd/ddd.h"
#include "media/sfx.h"
#include "net/battle_messages.h"
#include "net/session.h"
#include "net/transport.h"
#include "platform/platform.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "sim/battle.h"
#include "sim/dial.h"
#include "sim/hits.h"
#include "sim/mobile.h"
#include "sim/move.h"
#include "tests/support/outward_record.h"

// Coefficients that make the model move visibly: drive 4 at full ahead, drag 0.1.
inline void SimTestCoefficients(ShipTypeEntry *t) {
    const double speed[5] = {-2, -1, 0, 2, 4}, turn[5] = {-0.01, -0.005, 0, 0.005, 0.01};
    const double dive[5] = {-0.05, -0.02, 0, 0.02, 0.05};
    for (int i = 0; i < 5; i++) {
        t->speed_table[i] = speed[i];
        t->turn_table[i] = turn[i];
        t->dive_table[i] = dive[i];
    }
    t->drag = 0.1;
    t->submerged = 0.5;
    t->gun_range = 4000;
}

// What both battles share: the model's state, the server's end of the connection, the log. The
// windows, when there are any, come in through the hooks.
class BattleCore : public ::testing::Test {
  protected:
    char log_name[32] = {};
    int peer = -1;
    HWND window = nullptr; // the window the 3D engine and the sound device are given

    // The program's windows around the battle: made once `window` exists, gone before it is.
    virtual void OpenWindows() {}
    virtual void CloseWindows() {}
    // The radio room, opened when a battle is joined.
    virtual void OpenRadio() {}

    void SetUp() override {
        PlatformTestReset(800, 600);
        snprintf(log_name, sizeof(log_name), "simtest%d.log", (int)getpid());
        InitializeDebug(log_name);
        WNDCLASS wc = {};
        wc.lpfnWndProc = DefWindowProc;
        wc.lpszClassName = "SimTestFrame";
        RegisterClass(&wc);
        window = CreateWindowEx(0, "SimTestFrame", "Kestrune", WS_POPUP | WS_VISIBLE, 0, 0, 800,
                                600, nullptr, nullptr, nullptr, nullptr);
        OpenWindows();
        InitializeCircle();
        static bool engine_ready;
        if (!engine_ready) dddInitWindows32(window, malloc, free, dddLoadFile);
        engine_ready = true;
        PlatformTestUseManualAudio(11025);
        sfxInitialize(0);

        int sv[2];
        ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, sv));
        ip_socket = sv[0];
        peer = sv[1];
        fcntl(peer, F_SETFL, O_NONBLOCK);

        end_game_wait_ms = 0;
        observer_status = OBS_LOOKOUT;
        srand(7);
        for (int i = 1; i < MAX_SHIP_TYPES; i++)
            SimTestCoefficients(&ShipType[i]);
        location = LOC_LOBBY;
    }

    void TearDown() override {
        if (player_mobile) EndGame();
        CloseMobiles();
        CloseWindows();
        sfxClose();
        close(ip_socket);
        close(peer);
        ip_socket = INVALID_SOCKET;
        location = LOC_OFFLINE;
        for (int i = 0; i < MAX_SHIP_TYPES; i++) {
            ShipTypeEntry *t = &ShipType[i];
            memset(t->speed_table, 0, sizeof(t->speed_table));
            memset(t->turn_table, 0, sizeof(t->turn_table));
            memset(t->dive_table, 0, sizeof(t->dive_table));
            t->drag = t->submerged = 0;
        }
        debug_file[0] = 0;
        unlink(log_name);
    }

    // Joins a battle as ship `id` (lists ready, no own ship yet) with the radio room open.
    void Join(int32_t id) {
        InitializeGame(id);
        OpenRadio();
    }

    // Puts a mobile into the list as the new-ship handler would, without loading a shape.
    Mobile *Add(int32_t type, int32_t id, int32_t x, int32_t y, int32_t z, uint16_t heading = 0,
                bool active = true) {
        if (!mobile) Join(1000);
        EXPECT_LT(num_mobiles, MAX_MOBILES);
        Mobile *m = &mobile[num_mobiles++];
        memset(m, 0, sizeof(*m));
        m->type = &ShipType[type];
        m->id = id;
        m->status = ST_INUSE | (active ? ST_ACTIVE : 0);
        m->helm = 2;
        m->engine = 2;
        m->trim = 0x8002;
        m->last_move = m->last_ping = GetTickCount();
        snprintf(m->ship_name, sizeof(m->ship_name), "Ship%d", id);
        snprintf(m->captain, sizeof(m->captain), "Capt%d", id);
        snprintf(m->name, sizeof(m->name), "Name%d", id);
        SetMobilePosition(m, x, y, z, 0, heading, 0);
        return m;
    }

    // Joins as `id` and takes command of a new ship of class `type`: the battle starts.
    Mobile *Own(int32_t type, int32_t id, int32_t x = 0, int32_t y = 0, int32_t z = 0,
                uint16_t heading = 0) {
        if (!mobile) Join(id);
        Mobile *m = Add(type, id, x, y, z, heading, false);
        StartGame(m);
        Sent(); // what the start sent is not the test's business
        return player_mobile;
    }

    // Everything sent to the server since the last call.
    std::string Sent() {
        std::string all;
        char buffer[4096];
        ssize_t n;
        while ((n = read(peer, buffer, sizeof(buffer))) > 0)
            all.append(buffer, (size_t)n);
        return all;
    }

    std::vector<std::string> SentLines() { return Split(Sent(), "\n"); }

    std::vector<std::string> LogLines() {
        std::vector<std::string> lines;
        std::ifstream f(log_name);
        std::string l;
        while (std::getline(f, l))
            lines.push_back(l);
        return lines;
    }

    int CountLog(const std::string &part) {
        int n = 0;
        for (const std::string &l : LogLines())
            n += l.find(part) != std::string::npos;
        return n;
    }

    // Sound effects of index `index` played since the log began.
    int Sounds(int index) { return CountLog(" -> (" + std::to_string(index) + ") "); }

    void ClearLog() {
        FILE *f = fopen(log_name, "w");
        if (f) fclose(f);
    }

    static std::vector<std::string> Split(const std::string &text, const std::string &sep) {
        std::vector<std::string> out;
        size_t start = 0, end;
        while ((end = text.find(sep, start)) != std::string::npos) {
            out.push_back(text.substr(start, end - start));
            start = end + sep.size();
        }
        if (start < text.size()) out.push_back(text.substr(start));
        return out;
    }
};

// The model alone: what it asks of the windows is recorded, and the recorder gives their answers.
class BattleFixture : public BattleCore {
  protected:
    void SetUp() override {
        OutwardRecordClear();
        BattleCore::SetUp();
    }
    void OpenWindows() override { outward_record.sound_window = window; }

    // The lines sent to the radio room.
    std::vector<std::string> ChatLines() { return outward_record.radio; }
};
