// sound_session_test.cpp -- what a submarine's captain hears in a battle against the real server:
// the client's sound goes through SDL's disk driver into a file, and every sound the game started
// is looked for in it, at its time and its loudness. KESTRUNE_SOUND_WAV=file keeps it as a WAV.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/motion.h"
#include "media/sfx.h"
#include "net/battle_messages.h"
#include "net/session.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/button.h"
#include "stations/telegrph.h"
#include "stations/stations.h"
#include "stations/tubes.h"
#include "tests/e2e/e2e_client.h"
#include "tests/e2e/e2e_support.h"
#include "tests/media/pcm_analysis.h"

namespace {

using Clock = std::chrono::steady_clock;

// A sound the game started: when (seconds since the device opened), which, at what volume.
struct Heard {
    double at;
    int32_t index, volume;
    bool loop;
};

Clock::time_point opened;
std::vector<Heard> heard;
std::string log_path;
size_t log_read = 0;

double Now() {
    return std::chrono::duration<double>(Clock::now() - opened).count();
}

// Every effect is logged with its volume as it starts: pick up the new lines after each pass.
void Watch() {
    // The game moves its log to the player's name once logged in.
    if (log_path != debug_file) {
        log_path = debug_file;
        log_read = 0;
    }
    struct stat st;
    if (stat(log_path.c_str(), &st) != 0 || (size_t)st.st_size <= log_read) return;
    std::ifstream in(log_path);
    in.seekg((std::streamoff)log_read);
    std::string line;
    while (std::getline(in, line)) {
        int px, pz, index, x, z, volume;
        if (sscanf(line.c_str(), "PlaySoundEffect: %d %d -> (%d) %d %d -> %d", &px, &pz, &index, &x,
                   &z, &volume) == 6)
            heard.push_back({Now(), index, volume, false});
    }
    log_read = (size_t)st.st_size;
}

void Wait(double seconds) {
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        Pump();
        Watch();
    }
}

int32_t FakeTubeClock() {
    static int32_t now = 0;
    return now += 31; // the crew reloads at once
}

// A point on the telegraph's face that gives the engine order.
POINT TelegraphPoint(int32_t order) {
    for (int y = 60; y > 5; y -= 5)
        for (int x = 0; x < 2 * telegraph_cx; x++)
            if (TelegraphOrder(AngleFrom(telegraph_cx, 0, x, y)) == order) return {x + 3, y};
    return {telegraph_cx, 40};
}

void EngineOrder(int32_t order, int32_t sound) {
    POINT p = TelegraphPoint(order);
    SendMessage(hwndTelegraph, WM_LBUTTONDOWN, 0, MAKELPARAM(p.x, p.y));
    heard.push_back({Now(), sound, 0, true});
    Watch();
}

void Explosion(int32_t distance) {
    WeaponMssg w = {7777777, 0, TP_HIT, 0, 0, player_mobile->x + distance, player_mobile->z};
    const char *line = CreateWeaponMssg(&w);
    PacketWeapon(strchr(line, ':') + 1); // as the reader hands a server line over
    Watch();
}

std::string SampleFile(int32_t index) {
    return std::string(getenv("KESTRUNE_DATA") ? getenv("KESTRUNE_DATA") : "data") + "/sfx/" +
           sfx_name[index] + ".raw";
}

} // namespace

TEST(SoundSession, TheCaptainHearsOrdersWeaponsPingsAndExplosions) {
    ASSERT_EQ(0, access(E2eServerProgram().c_str(), X_OK)) << E2eServerProgram() << " is not built";
    if (access(SampleFile(SFX_DINGDING).c_str(), R_OK) != 0) GTEST_SKIP() << "no generated data";
    char dir[] = "/tmp/e2e_sound_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    int port = E2eFreePort();
    pid_t server =
        E2eStartServer(port, std::string(dir) + "/kr.db", std::string(dir) + "/server.log",
                       {"--drones", "6", "--seed", "5"});
    ASSERT_GT(server, 0);

    std::string raw = std::string(dir) + "/sound.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    // The client keeps its files (the log under the player's name) in the working folder.
    char cwd[512];
    std::string home = getcwd(cwd, sizeof cwd);
    ASSERT_EQ(0, chdir(dir));
    opened = Clock::now();
    StartClient(port, "debug.log");
    Login("listener", "hydrophone");
    NewPlayer("Listener", IDC_NORTHLAND);
    PickShip(IDC_SUBMARINE);
    ASSERT_TRUE(Until([] { return location == LOC_BATTLE && player_mobile && hwndTelegraph; }, 30));
    Wait(0.5);

    // Full ahead, then slow: the bell each time and the engine's own loop; then stop (no bell).
    EngineOrder(4, SFX_SUB_E3);
    Wait(2.0);
    EngineOrder(3, SFX_SUB_E1);
    Wait(2.0);
    double stopped = Now();
    SendMessage(hwndTelegraph, WM_RBUTTONDOWN, 0, 0);
    Wait(1.0);

    ButtonClick(-1, 1); // raise the periscope
    Wait(2.4);
    ButtonClick(-1, 1);

    tubes_clock = FakeTubeClock;
    Until([] { return tube_status[0] + tube_status[1] + tube_status[2] + tube_status[3] > 0; }, 10);
    for (uint16_t view = 0; !TubesInArc() && view < 0xFFF0; view += 0x400)
        player_mobile->view = view;
    TubesClick(0, 0);
    Wait(2.7);

    // Explosions reported by the server: at the ship, halfway and at the edge of hearing.
    for (int32_t d : {0, 20000, 40000, 40001}) {
        Explosion(d);
        Wait(2.0);
    }
    Wait(1.0);

    // Down among the escorts: their sonar pings.
    Mobile *escort = nullptr;
    for (int32_t i = 0; i < num_mobiles && !escort; i++) {
        int32_t c = MobileClass(&mobile[i]);
        if (!(mobile[i].status & ST_DEAD) && (mobile[i].status & ST_ACTIVE) &&
            (mobile[i].status & ST_DRONE) && (c == DESTROYER || c == CORVETTE))
            escort = &mobile[i];
    }
    if (escort) {
        int32_t id = escort->id;
        ButtonClick(-1, 2); // crash dive: the alarm, full ahead and down
        Until(
            [&] {
                // Kept beside it while it dives, whatever course the ship would take.
                Mobile *e = FindMobileID(id);
                if (e) {
                    // Moved whole, so that the next step carries it on from there.
                    player_mobile->fx = player_mobile->x = e->x + 4000;
                    player_mobile->fz = player_mobile->z = e->z;
                }
                Watch();
                return heard.back().index == SFX_PING;
            },
            25);
        Wait(1.0);
    }
    double end = Now();
    StopClient("listener");
    tubes_clock = nullptr;
    E2eStopServer(server);
    ASSERT_EQ(0, chdir(home.c_str()));

    std::vector<float> out = pcm::ReadLeft(raw);
    const char *wav = getenv("KESTRUNE_SOUND_WAV");
    if (wav && *wav) {
        EXPECT_TRUE(pcm::RawToWav(raw, wav, 44100)) << wav;
    }
    ASSERT_GT(out.size(), 44100u * 10) << "the disk driver wrote " << out.size() << " frames";
    // The driver keeps its own pace, about real time; the search below follows its drift.
    const double rate = 44100;
    EXPECT_NEAR(end, out.size() / rate, 0.2 * end) << "output at about real time";

    const double FULL = 32767.0 / 128; // an 8-bit sample's step at full volume
    const size_t SPAN = 3300;          // the first 0.3 s of a sound
    int found = 0, pings = 0, torpedoes = 0, bells = 0, explosions = 0;
    // The device opened somewhere in the client's start-up, and its clock drifts a little from
    // ours: each sound found sets where the next one is looked for.
    // A looping sound matches itself a turn later, so a one-shot (the first bell) sets the start.
    double offset = 0;
    for (const Heard &h : heard) {
        if (h.loop) continue;
        pcm::Match m = pcm::Find(out, pcm::ReadRaw8(SampleFile(h.index)), SPAN, 0,
                                 (size_t)((h.at + 1) * rate)); // the next bell is later
        EXPECT_GT(m.correlation, 0.5) << "the first " << sfx_name[h.index];
        offset = m.frame / rate - h.at;
        break;
    }
    double offset_at_stop = offset;
    for (size_t i = 0; i < heard.size(); i++) {
        const Heard &h = heard[i];
        std::vector<float> sample = pcm::ReadRaw8(SampleFile(h.index));
        double expected = (h.at + offset) * rate;
        // A loop starts with the one-shot of the same order (the bell): it is looked for close
        // to where the bell was, since it is like itself all along and like the other engine.
        double early = (h.loop ? 0.1 : 0.3) * rate, late = (h.loop ? 0.15 : 0.5) * rate;
        size_t from = expected > early ? (size_t)(expected - early) : 0;
        pcm::Match m = pcm::Find(out, sample, SPAN, from, (size_t)(expected + late));
        // The sound's loudness: the output projected on the sample where it starts (other
        // sounds under it do not correlate with it and drop out).
        double dot = 0, energy = 0;
        for (size_t j = 0; j < SPAN && m.frame + 4 * j < out.size(); j++) {
            dot += out[m.frame + 4 * j] * sample[j];
            energy += (double)sample[j] * sample[j];
        }
        double gain = dot / energy / FULL;
        // Effects of one sound started in the same pass (two escorts pinging) add up.
        double want = 0;
        for (const Heard &o : heard)
            if (o.index == h.index && std::fabs(o.at - h.at) < 0.02)
                want += std::pow(10.0, (o.volume - 1000) / 2000.0);
        std::string what = std::string(sfx_name[h.index]) + " at " + std::to_string(h.at) +
                           " s, volume " + std::to_string(h.volume);
        EXPECT_GT(m.correlation, 0.5) << what;
        EXPECT_NEAR(want, gain, 0.12 * want) << what;
        printf("%-9s at %6.2f s  volume %5d  heard %+5.2f s from where expected  correlation "
               "%.2f  gain %.4f (%.4f wanted)\n",
               sfx_name[h.index], h.at, h.volume, (m.frame - expected) / rate, m.correlation, gain,
               want);
        // A loop matches itself a turn later as well as where it began: only one-shot sounds
        // say where the output stands.
        if (m.correlation > 0.5 && !h.loop) offset = m.frame / rate - h.at;
        if (h.at <= stopped) offset_at_stop = offset;
        found++;
        pings += h.index == SFX_PING;
        torpedoes += h.index == SFX_TORP;
        bells += h.index == SFX_DINGDING;
        explosions += h.index == SFX_TPHIT;
    }
    EXPECT_EQ(2, bells);
    EXPECT_EQ(1, torpedoes);
    EXPECT_EQ(3, explosions) << "the one beyond 40000 is not played";
    if (escort) {
        EXPECT_GE(pings, 1);
    }
    EXPECT_GE(found, 9);

    // The stop order ends the engine: after the last bell, only silence until the periscope.
    size_t quiet = (size_t)((stopped + offset_at_stop + 0.2) * rate);
    EXPECT_LT(pcm::Rms(out, quiet, (size_t)(0.6 * rate)), 5.0) << "the engine fell silent";
    if (!HasFailure())
        E2eOutput(std::string("rm -rf ") + dir);
    else
        printf("sound and logs kept in %s\n", dir);
}
