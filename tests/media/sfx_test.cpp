// sfx_test.cpp -- sound effects on the platform's manually mixed device
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "media/sfx.h"
#include "media/sfx_local.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "sim/mobile.h"

namespace {

const int RATE = 11025;

// A device buffer whose Play answers with a fixed result, to see what the module does with it.
struct RefusingBuffer : IDirectSoundBuffer {
    HRESULT answer;
    int plays = 0, restores = 0, releases = 0;
    explicit RefusingBuffer(HRESULT a) : answer(a) {}
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return (ULONG)++releases, 0; }
    HRESULT Play(DWORD, DWORD, DWORD) override { return plays++, answer; }
    HRESULT Stop() override { return DS_OK; }
    HRESULT GetStatus(LPDWORD status) override { return *status = 0, DS_OK; }
    HRESULT SetVolume(LONG) override { return DS_OK; }
    HRESULT GetVolume(LPLONG) override { return DS_OK; }
    HRESULT SetPan(LONG) override { return DS_OK; }
    HRESULT GetPan(LPLONG) override { return DS_OK; }
    HRESULT SetFrequency(DWORD) override { return DS_OK; }
    HRESULT GetFrequency(LPDWORD) override { return DS_OK; }
    HRESULT SetCurrentPosition(DWORD) override { return DS_OK; }
    HRESULT GetCurrentPosition(LPDWORD, LPDWORD) override { return DS_OK; }
    HRESULT Lock(DWORD, DWORD, LPVOID *, LPDWORD, LPVOID *, LPDWORD, DWORD) override {
        return DSERR_INVALIDCALL;
    }
    HRESULT Unlock(LPVOID, DWORD, LPVOID, DWORD) override { return DS_OK; }
    HRESULT Restore() override { return restores++, DS_OK; }
};

class SfxTest : public ::testing::Test {
  protected:
    char dir[64] = "/tmp/sfx_test_XXXXXX";
    std::string home;
    Mobile ship = {};

    void SetUp() override {
        PlatformTestReset();
        char cwd[512];
        home = getcwd(cwd, sizeof cwd);
        ASSERT_NE(nullptr, mkdtemp(dir));
        ASSERT_EQ(0, chdir(dir));
        mkdir("sfx", 0755);
        InitializeDebug("sfx_test.log");
        // Every table sound: a quarter second at +100 from the centre line.
        for (int i = 0; i < SFX_TABLE_SIZE; i++)
            if (sfx_name[i][0]) Write(sfx_name[i], std::string(RATE / 4, (char)228));
        player_mobile = &ship;
        Start(0);
    }
    void TearDown() override {
        sfxClose();
        EXPECT_EQ(0, num_mem_notes) << "tracked blocks left over";
        player_mobile = nullptr;
        PlatformTestReset();
        ASSERT_EQ(0, chdir(home.c_str()));
        std::string rm = std::string("rm -rf ") + dir;
        ASSERT_EQ(0, system(rm.c_str()));
    }

    static void Start(int32_t flags) {
        PlatformTestUseManualAudio(RATE);
        sfxInitialize(flags);
        sfxSetGlobalVolume(0);
    }
    static void Write(const std::string &name, const std::string &samples) {
        std::ofstream("sfx/" + name + ".raw", std::ios::binary) << samples;
    }
    static std::string Log() {
        std::ifstream in("sfx_test.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static LONG Volume(const sfxSound *sound) {
        LONG volume = 1;
        sound->buffer->GetVolume(&volume);
        return volume;
    }
    // Mean absolute left-channel level over frames of mixed output.
    static double Level(int frames) {
        std::vector<int16_t> out(2 * (size_t)frames);
        PlatformTestMixAudio(out.data(), frames);
        double sum = 0;
        for (int i = 0; i < frames; i++)
            sum += std::fabs((double)out[2 * (size_t)i]);
        return sum / frames;
    }
};

} // namespace

TEST_F(SfxTest, EffectsFadeWithDistanceAndStopAtTheLimit) {
    ship.x = 1000;
    ship.z = -500;
    struct {
        int32_t dx, volume;
    } cases[] = {{0, 0}, {19, 0}, {20, -1}, {20000, -1000}, {40000, -2000}};
    for (const auto &c : cases) {
        PlaySoundEffect(ship.x, ship.z + c.dx, SFX_PING);
        ASSERT_EQ(1, sfxListLength()) << c.dx;
        EXPECT_EQ(c.volume, Volume(sfxListEntry(0))) << c.dx;
        sfxStopSound(sfxListEntry(0)); // a one-shot: stopping releases it
    }
    PlaySoundEffect(ship.x + 40001, ship.z, SFX_PING);
    PlaySoundEffect(ship.x - 28285, ship.z + 28285, SFX_PING); // 40001 on the diagonal
    EXPECT_EQ(0, sfxListLength());
    EXPECT_NE(std::string::npos,
              Log().find("PlaySoundEffect: 1000 -500 -> (8) 1000 39500 -> -2000"));
}

TEST_F(SfxTest, GlobalVolumeAddsToEverySoundWithinTheDeviceRange) {
    sfxSetGlobalVolume(-1000);
    PlaySoundEffect(ship.x + 40000, ship.z, SFX_GUN);
    EXPECT_EQ(-3000, Volume(sfxListEntry(0)));
    sfxSetSoundVolume(sfxListEntry(0), 0, -9500);
    EXPECT_EQ(DSBVOLUME_MIN, Volume(sfxListEntry(0)));
}

TEST_F(SfxTest, NothingPlaysForEmptyOrUnknownEntriesOrWithoutAShip) {
    PlaySoundEffect(0, 0, 15);
    PlaySoundEffect(0, 0, -1);
    PlaySoundEffect(0, 0, SFX_TABLE_SIZE);
    EXPECT_EQ(nullptr, PlayAmbientSound(20));
    player_mobile = nullptr;
    PlaySoundEffect(0, 0, SFX_PING);
    EXPECT_EQ(0, sfxListLength());
}

TEST_F(SfxTest, OneShotIsReleasedAtTheFirstProcessAfterItEnds) {
    PlaySoundEffect(ship.x, ship.z, SFX_TORP);
    sfxSound *sound = sfxListEntry(0);
    ASSERT_NE(nullptr, sound);
    sfxProcess();
    EXPECT_EQ(1, sfxSoundPlaying(sound)) << "still playing: stays listed";
    Level(RATE / 4 + 100); // plays to its end
    EXPECT_EQ(1, sfxListLength()) << "nobody has looked yet";
    int32_t held = num_mem_notes;
    sfxProcess();
    EXPECT_EQ(0, sfxListLength());
    EXPECT_EQ(held - 2, num_mem_notes) << "the entry and the sound are released";
}

TEST_F(SfxTest, LoopingSoundStaysListedUntilItsOwnerStopsIt) {
    sfxSound *engine = PlayAmbientSound(SFX_SUB_E1);
    ASSERT_NE(nullptr, engine);
    EXPECT_EQ(0, Volume(engine));
    Level(RATE); // four times its length
    sfxProcess();
    EXPECT_EQ(1, sfxSoundPlaying(engine));
    EXPECT_EQ(1, sfxListed(engine));
    EXPECT_GT(Level(100), 0.0);
    sfxStopSound(engine); // not a one-shot: the owner still has it
    EXPECT_EQ(0, sfxListLength());
    EXPECT_EQ(0, sfxSoundPlaying(engine));
    sfxFreeSound(engine);
}

TEST_F(SfxTest, EngineOrderReplacesThePlayingEngineSound) {
    // What an engine order does: release the old sound while it plays, start the new one.
    sfxSound *engine = PlayAmbientSound(SFX_SUB_E1);
    sfxFreeSound(engine);
    EXPECT_EQ(0, sfxListLength()) << "a freed sound leaves no entry behind";
    engine = PlayAmbientSound(SFX_SUB_E3);
    sfxProcess();
    EXPECT_EQ(1, sfxListLength());
    EXPECT_EQ(engine, sfxListEntry(0));
    sfxFreeSound(engine);
    sfxProcess();
}

TEST_F(SfxTest, RestartLeavesOneEntryAndBeginsAgain) {
    sfxSound *sound = sfxCreateSound("sfx\\alarm.raw");
    ASSERT_NE(nullptr, sound);
    sfxPlaySound(sound, SFX_RELEASE, 0, 0);
    Level(RATE / 8);
    sfxPlaySound(sound, SFX_RELEASE, 0, -600); // a one-shot restarted is not released by it
    EXPECT_EQ(1, sfxListLength());
    EXPECT_EQ(1, sfxListed(sound));
    DWORD play = 1, write = 0;
    sound->buffer->GetCurrentPosition(&play, &write);
    EXPECT_EQ(0u, play);
    EXPECT_EQ(-600, Volume(sound));
    Level(RATE / 4 + 100);
    sfxProcess();
    EXPECT_EQ(0, sfxListLength());
}

TEST_F(SfxTest, MixedLevelFollowsTheAttenuation) {
    sfxSound *sound = sfxCreateSound("sfx\\splash.raw");
    sfxPlaySound(sound, SFX_LOOP, 0, 0);
    Level(200);
    double full = Level(1000);
    ASSERT_GT(full, 1000.0);
    sfxPlaySound(sound, SFX_LOOP, 0, -2000);
    Level(200);
    EXPECT_NEAR(0.1, Level(1000) / full, 0.005);
    sfxSetGlobalVolume(-1000);
    sfxPlaySound(sound, SFX_LOOP, 0, 0);
    Level(200);
    EXPECT_NEAR(0.316, Level(1000) / full, 0.01);
    sfxFreeSound(sound);
}

TEST_F(SfxTest, SwitchedOffEverythingIsHarmless) {
    sfxClose();
    sfxInitialize(SFX_OFF);
    EXPECT_EQ(0, sfxIsOn());
    EXPECT_EQ(nullptr, PlayAmbientSound(SFX_SUB_E1));
    PlaySoundEffect(ship.x, ship.z, SFX_PING);
    sfxSound *sound = sfxCreateSound("sfx\\ping.raw");
    ASSERT_NE(nullptr, sound) << "a silent sound that plays nothing";
    EXPECT_EQ(nullptr, sound->buffer);
    sfxPlaySound(sound, 0, 0, 0);
    sfxSetSoundVolume(sound, 0, -100);
    sfxProcess();
    EXPECT_EQ(0, sfxSoundPlaying(sound));
    EXPECT_EQ(0, sfxListLength());
    sfxStopSound(sound);
    sfxFreeSound(sound);
    sfxFreeSound(nullptr);
    EXPECT_EQ(0.0, Level(100));
    // No device was made: a later start with sound on is a first start, not a refused second.
    Start(0);
    EXPECT_EQ(1, sfxIsOn());
    EXPECT_EQ(std::string::npos, Log().find("tried to re-initialize"));
}

TEST_F(SfxTest, ASecondInitializeIsRefused) {
    sfxInitialize(0);
    sfxInitialize(SFX_OFF);
    EXPECT_EQ(1, sfxIsOn()) << "the open device stays";
    std::string log = Log();
    size_t at = log.find("sfxInitialize: tried to re-initialize sfx system.\n");
    ASSERT_NE(std::string::npos, at);
    EXPECT_NE(std::string::npos, log.find("tried to re-initialize", at + 1));
    PlaySoundEffect(ship.x, ship.z, SFX_PING);
    EXPECT_EQ(1, sfxListLength());
}

TEST_F(SfxTest, WithoutADeviceSoundIsOffAndTheReasonLogged) {
    // An engine sound held over the close keeps a lost buffer that its owner still frees.
    sfxSound *held = PlayAmbientSound(SFX_SUB_E3);
    sfxStopSound(held);
    sfxClose();
    sfxFreeSound(held);
    setenv("SDL_AUDIODRIVER", "dummy", 1); // what CI and headless runs have
    PlatformTestUseManualAudio(0);
    sfxInitialize(0);
    EXPECT_EQ(0, sfxIsOn());
    std::string log = Log();
    EXPECT_NE(std::string::npos,
              log.find("sfxInitialize: DirectSoundCreate failed: Unknown DSERR.\n"));
    EXPECT_NE(std::string::npos, log.find("sfxInitialize: no sound device"));
    PlaySoundEffect(ship.x, ship.z, SFX_PING);
    EXPECT_EQ(nullptr, PlayAmbientSound(SFX_SUB_E1));
    EXPECT_EQ(0, sfxListLength());
}

TEST_F(SfxTest, BadSoundFilesAreRefused) {
    Write("empty", "");
    EXPECT_EQ(nullptr, sfxCreateSound("sfx\\empty.raw"));
    EXPECT_EQ(nullptr, sfxCreateSound("sfx\\missing.raw"));
    EXPECT_NE(std::string::npos, Log().find("sfxCreateSound: CreateSoundBuffer failed: "));
    uint32_t size = 0;
    void *data = FileLoad("SFX\\PING.RAW", &size);
    ASSERT_NE(nullptr, data);
    EXPECT_EQ((uint32_t)RATE / 4, size);
    EXPECT_EQ(228, ((uint8_t *)data)[size - 1]);
    EXPECT_STREQ("SFX\\PING.RAW", mem_note[num_mem_notes - 1].tag);
    DebugFree(data);
}

TEST_F(SfxTest, StartFailuresAreLoggedOnceWithoutEndlessRetries) {
    for (HRESULT answer : {DSERR_GENERIC, DSERR_BUFFERLOST}) {
        InitializeDebug("sfx_test.log");
        RefusingBuffer refusing(answer);
        sfxSound *sound = (sfxSound *)DebugMalloc("sfxSound", sizeof(sfxSound));
        *sound = {&refusing, 0, 4};
        sfxPlaySound(sound, SFX_LOOP, 0, 0);
        EXPECT_EQ(answer == DSERR_BUFFERLOST ? 2 : 1, refusing.plays);
        EXPECT_EQ(answer == DSERR_BUFFERLOST ? 1 : 0, refusing.restores);
        EXPECT_EQ(0, sfxSoundPlaying(sound));
        EXPECT_EQ(0, sfxListLength());
        std::string log = Log();
        const std::string line = "sfxPlaySound: Play failed: Unknown DSERR\n";
        size_t at = log.find(line);
        EXPECT_NE(std::string::npos, at);
        EXPECT_EQ(std::string::npos, log.find("Play failed", at + line.size()));
        sfxFreeSound(sound);
        EXPECT_EQ(1, refusing.releases);
    }
}

TEST_F(SfxTest, GeneratedSoundsLoadFromTheDataFolder) {
    const char *data = getenv("KESTRUNE_DATA");
    if (!data || access((std::string(data) + "/sfx/dingding.raw").c_str(), R_OK) != 0)
        GTEST_SKIP() << "no generated data";
    for (int i = 0; i < SFX_TABLE_SIZE; i++)
        if (sfx_name[i][0]) unlink(("sfx/" + std::string(sfx_name[i]) + ".raw").c_str());
    for (int i = 0; i < SFX_TABLE_SIZE; i++) {
        if (!sfx_name[i][0]) continue;
        sfxSound *sound = sfxCreateSound(("sfx\\" + std::string(sfx_name[i]) + ".raw").c_str());
        ASSERT_NE(nullptr, sound) << sfx_name[i];
        EXPECT_GT(sound->size, (uint32_t)RATE / 20) << sfx_name[i];
        sfxFreeSound(sound);
    }
}
