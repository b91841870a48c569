// sound_test.cpp -- the DirectSound-shaped mixer: attenuation, pan, looping, limits, rates
#include "platform_fixture.h"

#include <cmath>

class Sound : public PlatformTest {
  protected:
    LPDIRECTSOUND ds = nullptr;
    void SetUp() override {
        PlatformTest::SetUp();
        PlatformTestUseManualAudio(11025);
        ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
        EXPECT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DS_OK);
    }
    void TearDown() override {
        if (ds) ds->Release();
        PlatformTest::TearDown();
    }
    // A buffer of 8-bit mono 11025 Hz samples all at `level`.
    LPDIRECTSOUNDBUFFER Make(DWORD bytes, BYTE level,
                             DWORD caps = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN |
                                          DSBCAPS_CTRLFREQUENCY | DSBCAPS_STATIC) {
        WAVEFORMATEX fmt{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
        DSBUFFERDESC d{sizeof(DSBUFFERDESC), caps, bytes, 0, &fmt};
        LPDIRECTSOUNDBUFFER b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
        if (!b) return nullptr;
        void *p1, *p2;
        DWORD n1, n2;
        EXPECT_EQ(b->Lock(0, bytes, &p1, &n1, &p2, &n2, 0), DS_OK);
        memset(p1, level, n1);
        b->Unlock(p1, n1, p2, n2);
        return b;
    }
};

TEST_F(Sound, AttenuationIsInHundredthsOfADecibel) {
    LPDIRECTSOUNDBUFFER b = Make(1000, 128 + 64); // half scale
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    int16_t out[2 * 10];
    PlatformTestMixAudio(out, 10);
    EXPECT_NEAR(out[4], 16384, 40);
    EXPECT_EQ(out[4], out[5]); // centred
    b->SetVolume(-2000);
    PlatformTestMixAudio(out, 10);
    EXPECT_NEAR(out[4], 1638, 10); // a tenth of the amplitude
    b->SetVolume(-10000);
    PlatformTestMixAudio(out, 10);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);
    b->SetVolume(0);
    b->SetPan(-2000); // to the left: the right channel drops to a tenth
    PlatformTestMixAudio(out, 10);
    EXPECT_NEAR(out[4], 16384, 40);
    EXPECT_NEAR(out[5], 1638, 10);
    b->Release();
}

TEST_F(Sound, OneShotsStopAtTheEndAndLoopsGoOn) {
    LPDIRECTSOUNDBUFFER once = Make(100, 200), loop = Make(100, 100);
    once->Play(0, 0, 0);
    loop->Play(0, 0, DSBPLAY_LOOPING);
    std::vector<int16_t> out(2 * 300);
    PlatformTestMixAudio(out.data(), 300);
    DWORD s1 = 0, s2 = 0;
    once->GetStatus(&s1);
    loop->GetStatus(&s2);
    EXPECT_EQ(s1 & DSBSTATUS_PLAYING, 0u);
    EXPECT_EQ(s2 & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING),
              (DWORD)(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    int16_t loop_only = (int16_t)std::lround((100 - 128) / 128.0 * 32767);
    EXPECT_NEAR(out[2 * 250], loop_only, 2); // the one-shot has ended, the loop still sounds
    loop->Stop();
    loop->GetStatus(&s2);
    EXPECT_EQ(s2, 0u);
    PlatformTestMixAudio(out.data(), 10);
    EXPECT_EQ(out[0], 0);
    once->Release();
    loop->Release();
}

TEST_F(Sound, LoudSumsAreLimitedNotWrapped) {
    LPDIRECTSOUNDBUFFER a = Make(1000, 255), b = Make(1000, 255), c = Make(1000, 255);
    for (auto *x : {a, b, c})
        x->Play(0, 0, 0);
    int16_t out[2 * 10];
    PlatformTestMixAudio(out, 10);
    EXPECT_GT(out[4], 30000);
    EXPECT_LE(out[4], 32767);
    for (auto *x : {a, b, c})
        x->Release();
}

TEST_F(Sound, ResamplesToTheDeviceRate) {
    ds->Release();
    ds = nullptr;
    PlatformTestUseManualAudio(44100);
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    LPDIRECTSOUNDBUFFER b = Make(1000, 200); // 1000 samples at 11025 Hz last 4000 device frames
    b->Play(0, 0, 0);
    std::vector<int16_t> out(2 * 5000);
    PlatformTestMixAudio(out.data(), 3990);
    DWORD s = 0;
    b->GetStatus(&s);
    EXPECT_TRUE(s & DSBSTATUS_PLAYING);
    PlatformTestMixAudio(out.data(), 20);
    b->GetStatus(&s);
    EXPECT_FALSE(s & DSBSTATUS_PLAYING);
    b->Release();
}

TEST_F(Sound, BadRequestsFailWithDirectSoundErrors) {
    WAVEFORMATEX fmt{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    DSBUFFERDESC d{sizeof(DSBUFFERDESC), DSBCAPS_STATIC, 100, 0, &fmt};
    LPDIRECTSOUNDBUFFER b = nullptr;
    fmt.wBitsPerSample = 12;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_BADFORMAT);
    fmt.wBitsPerSample = 8;
    d.dwBufferBytes = 0;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);
    d.dwBufferBytes = 100;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    EXPECT_EQ(b->SetVolume(-100), DSERR_CONTROLUNAVAIL); // created without volume control
    void *p1, *p2;
    DWORD n1, n2;
    EXPECT_EQ(b->Lock(90, 20, &p1, &n1, &p2, &n2, 0), DS_OK); // wraps round the end
    EXPECT_EQ(n1, 10u);
    EXPECT_EQ(n2, 10u);
    EXPECT_EQ(b->Lock(0, 200, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    // Releasing the device loses its buffers; they stay safe to call.
    ds->Release();
    ds = nullptr;
    DWORD s = 0;
    b->GetStatus(&s);
    EXPECT_TRUE(s & DSBSTATUS_BUFFERLOST);
    EXPECT_EQ(b->Play(0, 0, 0), DSERR_BUFFERLOST);
    b->Release();
}

TEST(SoundDevice, NoAudioDriverFailsCleanly) {
    PlatformTestReset();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    LPDIRECTSOUND ds = (LPDIRECTSOUND)1;
    EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(ds, nullptr);
}
