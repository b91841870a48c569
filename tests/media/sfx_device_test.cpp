// sfx_device_test.cpp -- sound effects through SDL's real audio path: the disk driver writes what
// the mixer plays to a file, which is then measured; and what happens without a device
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "media/sfx.h"
#include "media/sfx_local.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "sim/mobile.h"
#include "tests/media/pcm_analysis.h"

namespace {

const int RATE = 11025;         // the sound files
const double OUT_RATE = 44100;  // what the device asks SDL for, and the disk driver keeps
const double FULL = 100 * 32767.0 / 128; // a sine of amplitude 100 played at full volume
const double GLOBAL = 0.3162;   // the game's global volume of -1000 as an amplitude

// A sine of `period` samples and amplitude 100, `periods` times over: loops without a seam.
std::string Sine(int period, int periods) {
    std::string s;
    for (int i = 0; i < period * periods; i++)
        s += (char)(uint8_t)std::lround(128 + 100 * std::sin(2 * M_PI * i / period));
    return s;
}

class SfxDevice : public ::testing::Test {
  protected:
    char dir[64] = "/tmp/sfx_device_XXXXXX";
    std::string home, out;
    Mobile ship = {};

    void SetUp() override {
        char cwd[512];
        home = getcwd(cwd, sizeof cwd);
        ASSERT_NE(nullptr, mkdtemp(dir));
        ASSERT_EQ(0, chdir(dir));
        mkdir("sfx", 0755);
        InitializeDebug("sfx.log");
        Write("ping", Sine(16, 138));  // 689 Hz for 0.2 s
        Write("sub_e1", Sine(32, 35)); // 345 Hz, 0.1 s a turn
        Write("sub_e3", Sine(8, 140)); // 1378 Hz, 0.1 s a turn
        out = std::string(dir) + "/out.raw";
        player_mobile = &ship;
    }
    void TearDown() override {
        sfxClose();
        player_mobile = nullptr;
        EXPECT_EQ(0, num_mem_notes) << "tracked blocks left over";
        PlatformTestReset();
        unsetenv("SDL_DISKAUDIOFILE");
        ASSERT_EQ(0, chdir(home.c_str()));
        if (!HasFailure()) {
            std::string rm = std::string("rm -rf ") + dir;
            EXPECT_EQ(0, system(rm.c_str()));
        } else {
            printf("output kept in %s\n", dir);
        }
    }

    // The real device on SDL's disk driver, with the game's global volume.
    void Open(const char *driver = "disk") {
        setenv("SDL_AUDIODRIVER", driver, 1);
        setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
        PlatformTestReset(); // starts the audio drivers afresh
        sfxInitialize(0);
        sfxSetGlobalVolume(-1000);
    }
    // The main loop for a while: the mixer runs on its own thread meanwhile.
    static void Run(int ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            sfxProcess();
            usleep(1000);
        }
    }
    static bool RunUntilQuiet(int ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (sfxListLength() > 0 && std::chrono::steady_clock::now() < end) {
            sfxProcess();
            usleep(1000);
        }
        return sfxListLength() == 0;
    }
    static void Write(const std::string &name, const std::string &samples) {
        std::ofstream("sfx/" + name + ".raw", std::ios::binary) << samples;
    }
    static std::string Log() {
        std::ifstream in("sfx.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The largest step from one frame to the next: a click or a gap shows here.
    static double Jump(const std::vector<float> &x, size_t start, size_t length) {
        double most = 0;
        for (size_t i = start + 1; i < start + length && i < x.size(); i++)
            most = std::max(most, (double)std::fabs(x[i] - x[i - 1]));
        return most;
    }
    static size_t Count(const std::string &text, const std::string &part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            n++;
        return n;
    }
};

} // namespace

TEST_F(SfxDevice, EffectsSoundOnceAndFadeWithDistance) {
    Open();
    ASSERT_EQ(1, sfxIsOn()) << Log();
    int32_t held = num_mem_notes;
    Run(100);
    for (int32_t d : {0, 20000, 40000, 40001}) {
        PlaySoundEffect(d, 0, SFX_PING);
        // Released by the main loop soon after it ends, in real time.
        EXPECT_TRUE(RunUntilQuiet(1000)) << d;
        EXPECT_EQ(held, num_mem_notes) << d;
        Run(150);
    }
    sfxClose(); // the driver finishes the file

    std::vector<float> left = pcm::ReadLeft(out);
    ASSERT_GT(left.size(), (size_t)OUT_RATE) << "the disk driver wrote " << left.size();
    std::vector<double> levels = pcm::Levels(left, 441); // 10 ms
    std::vector<pcm::Run> runs = pcm::Runs(levels, 20);
    ASSERT_EQ(3u, runs.size()) << "three effects heard, the one beyond range not";
    double level[3];
    for (int i = 0; i < 3; i++) {
        size_t windows = runs[i].last - runs[i].first + 1;
        EXPECT_NEAR(20.0, (double)windows, 1.5) << "effect " << i << " lasts its 0.2 s";
        // The middle of the effect, clear of its edges.
        level[i] = pcm::Rms(left, (runs[i].first + 2) * 441, (windows - 4) * 441);
    }
    EXPECT_NEAR(FULL * GLOBAL / std::sqrt(2), level[0], 0.03 * level[0]);
    EXPECT_NEAR(0.3162, level[1] / level[0], 0.01) << "-10 dB more at 20000";
    EXPECT_NEAR(0.1, level[2] / level[0], 0.005) << "-20 dB more at 40000";
    double tone = pcm::Tone(left, (runs[0].first + 2) * 441, 4410, OUT_RATE / 64, OUT_RATE);
    EXPECT_NEAR(FULL * GLOBAL, tone, 0.05 * FULL * GLOBAL) << "the pitch of the file, resampled";
}

TEST_F(SfxDevice, EngineSoundIsReplacedOnEveryOrder) {
    Open();
    ASSERT_EQ(1, sfxIsOn()) << Log();
    Run(100);
    // What each engine order does: the old engine sound goes, the new one starts.
    sfxSound *engine = nullptr;
    for (int order : {SFX_SUB_E1, SFX_SUB_E3, SFX_SUB_E1}) {
        sfxFreeSound(engine);
        engine = PlayAmbientSound(order);
        ASSERT_NE(nullptr, engine);
        Run(400); // four turns of the loop
        EXPECT_EQ(1, sfxListLength());
    }
    sfxFreeSound(engine);
    Run(200);
    sfxClose();

    std::vector<float> left = pcm::ReadLeft(out);
    const size_t W = 896; // 20 ms: whole periods of both tones, so that neither leaks into the other
    const double expect = FULL * GLOBAL;
    std::string seen; // one letter a window: a slow, c full, . silent, ? anything else
    for (size_t at = 0; at + W <= left.size(); at += W) {
        double a = pcm::Tone(left, at, W, OUT_RATE / 128, OUT_RATE);
        double c = pcm::Tone(left, at, W, OUT_RATE / 32, OUT_RATE);
        double all = pcm::Rms(left, at, W);
        if (all < 1)
            seen += '.';
        else if (std::fabs(a - expect) < 0.1 * expect && c < 0.02 * expect &&
                 Jump(left, at, W) < 1.1 * expect * 2 * M_PI / 128)
            seen += 'a';
        else if (std::fabs(c - expect) < 0.1 * expect && a < 0.02 * expect &&
                 Jump(left, at, W) < 1.1 * expect * 2 * M_PI / 32)
            seen += 'c';
        else
            seen += '?';
    }
    // Collapse the windows into runs. A change of sound spoils the window it falls in, and the
    // next one too when the mixer runs between the old sound's end and the new one's start.
    std::string order;
    size_t longest_a = 0, longest_c = 0, longest_spoilt = 0, run = 0;
    for (size_t i = 0; i < seen.size(); i++) {
        run = (i > 0 && seen[i] == seen[i - 1]) ? run + 1 : 1;
        if (seen[i] == 'a') longest_a = std::max(longest_a, run);
        if (seen[i] == 'c') longest_c = std::max(longest_c, run);
        if (seen[i] == '?') longest_spoilt = std::max(longest_spoilt, run);
        if (seen[i] != '?' && (order.empty() || order.back() != seen[i])) order += seen[i];
    }
    EXPECT_EQ(".aca.", order) << seen;
    EXPECT_LE(longest_spoilt, 2u) << seen;
    EXPECT_LE(std::count(seen.begin(), seen.end(), '?'), 8) << seen;
    // 400 ms of a 100 ms loop with no gap or click: a long run of clean 20 ms windows.
    EXPECT_GE(longest_a, 16u) << seen;
    EXPECT_GE(longest_c, 16u) << seen;
}

TEST_F(SfxDevice, WithoutADriverTheGameIsSilentAndSaysWhy) {
    Open("nonexistent");
    EXPECT_EQ(0, sfxIsOn());
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("sfxInitialize: DirectSoundCreate failed: "));
    // The device's own reason, from SDL.
    EXPECT_NE(std::string::npos, log.find("DirectSoundCreate: no audio device: ")) << log;
    EXPECT_NE(std::string::npos, log.find("nonexistent")) << log;
    EXPECT_EQ(nullptr, PlayAmbientSound(SFX_SUB_E1));
    PlaySoundEffect(0, 0, SFX_PING);
    sfxProcess();
    EXPECT_EQ(0, sfxListLength());

    // A driver that is there but can't open its output.
    sfxClose();
    InitializeDebug("sfx.log");
    out = "/nonexistent-folder/out.raw";
    Open("disk");
    EXPECT_EQ(0, sfxIsOn());
    EXPECT_NE(std::string::npos, Log().find("DirectSoundCreate: cannot open the audio device: "))
        << Log();

    // The dummy driver is the way to ask for no sound.
    sfxClose();
    InitializeDebug("sfx.log");
    Open("dummy");
    EXPECT_EQ(0, sfxIsOn());
    EXPECT_NE(std::string::npos, Log().find("no audio device (SDL_AUDIODRIVER=dummy)")) << Log();
}

TEST_F(SfxDevice, ALostOutputEndsItsSoundsAndStartsAreNotRetried) {
    Open();
    ASSERT_EQ(1, sfxIsOn());
    int32_t held = num_mem_notes;
    sfxSound *engine = PlayAmbientSound(SFX_SUB_E1);
    PlaySoundEffect(0, 0, SFX_PING);
    Run(50);
    EXPECT_EQ(2, sfxListLength());
    PlatformTestReset(); // the output goes away under the game
    sfxProcess();
    EXPECT_EQ(0, sfxListLength()) << "nothing waits on sounds that are no longer mixed";
    EXPECT_EQ(0, sfxSoundPlaying(engine));
    EXPECT_EQ(held + 1, num_mem_notes) << "the one-shot released, the engine sound still owned";
    PlaySoundEffect(0, 0, SFX_PING);
    sfxPlaySound(engine, SFX_LOOP, 0, 0);
    Run(50);
    EXPECT_EQ(2u, Count(Log(), "sfxPlaySound: Play failed: ")) << "once for each start";
    EXPECT_EQ(0, sfxListLength());
    EXPECT_EQ(held + 1, num_mem_notes);
    sfxFreeSound(engine);
}
