// pacing_test.cpp -- the main loop steps a battle once per frame; what happens in it does not
// depend on the frame rate: the same torpedo hits (or misses) the same ship at the same moment
// at 60 and at 15 frames a second, and an escort's ping timer keeps its 10 s
#include "tests/support/battle_windows.h"

#include <chrono>
#include <cinttypes>
#include <cmath>
#include <functional>

#include "stations/bridge.h"
#include "stations/gun.h"

namespace {

struct Outcome {
    int32_t hit_ship = 0; // the ship the hit line named, 0 for none
    double hit_s = -1;    // seconds of battle when the torpedo was judged a hit
    int pings = 0;        // escort pings heard
    int32_t escort_x = 0; // where the moving ships are at the end
    int32_t target_z = 0;
};

class Pacing : public StationsBattleFixture {
  protected:
    void TearDown() override {
        PlatformTestFreezeTicks(FALSE);
        shell_frame_hz = 60;
        StationsBattleFixture::TearDown();
    }

    // Runs frames through the main loop at `hz` a second on a stepped clock: each frame's ticks
    // are added, then loop passes are run (taking whatever messages wait) until the loop has
    // run exactly one frame. Stops when `done` holds after a frame, or after `seconds`; returns
    // the seconds of battle run then, or -1.
    double Drive(int hz, double seconds, const std::function<bool()> &done) {
        old_ip_status = IPStatus();
        shell_frame_hz = hz;
        // Only the frames move the clock: a slow or loaded machine must not change the battle.
        PlatformTestFreezeTicks(TRUE);
        uint32_t start = GetTickCount(), ms_done = 0;
        for (int f = 1; f <= (int)lround(seconds * hz); f++) {
            uint32_t ms = (uint32_t)((uint64_t)f * 1000 / (uint32_t)hz);
            PlatformTestAdvanceTicks(ms - ms_done);
            ms_done = ms;
            uint32_t before = shell_frames;
            for (int pass = 0; pass < 1000 && shell_frames == before; pass++)
                ShellLoopPass();
            EXPECT_EQ(before + 1, shell_frames) << "frame " << f << " at " << hz << " Hz";
            if (done()) return (GetTickCount() - start) / 1000.0;
        }
        return -1;
    }

    // Runs `seconds` of a torpedo's run at a ship crossing its track, with an escort in range of
    // the own submerged submarine, at `hz` frames a second.
    Outcome Run(int hz, int32_t target_type, int32_t target_z0, double seconds) {
        Outcome out;
        // A submerged submarine, far from the action; an escort stopped 3000 from it pings it.
        Own(SUBMARINE, 1, 0, 20, -20000);
        Add(DESTROYER, 7, 0, 0, -23000);
        // The target steams north at 80 units/s (already at its top speed); the torpedo runs
        // east at 170 units/s from x = 0 and reaches the near side of the hull after about 20 s.
        Mobile *target = Add(target_type, 2, 3400, 0, target_z0, 0);
        target->engine = 4;
        target->vz = 40; // units per half second
        Mobile *escort = Add(DESTROYER, 3, -2000, 0, 0, 0x4000);
        escort->engine = 4;
        escort->vx = 40;
        ShipType[TORPEDO].speed_table[4] = 8.5;
        Mobile *torpedo = Add(TORPEDO, 0x43, 0, 0, 0, 0x4000);
        torpedo->owner = 1;
        torpedo->engine = 4;
        torpedo->vx = 85;
        int32_t target_id = target->id, escort_id = escort->id;
        EXPECT_EQ(LOC_BATTLE, location);
        EXPECT_FALSE(IPStatus() == 1 && IPConnectFailed());
        ClearLog();
        Sent();
        double ran = 0;
        Drive(hz, seconds, [&] {
            ran += 1.0 / hz;
            for (const std::string &line : SentLines()) {
                unsigned t = 0, s = 0;
                if (sscanf(line.c_str(), "13:%x:%x:", &t, &s) == 2 && t == 0x43 && !out.hit_ship) {
                    out.hit_ship = (int32_t)s;
                    out.hit_s = ran;
                }
            }
            return false;
        });
        out.pings = Sounds(8);
        if (Mobile *m = FindMobileID(escort_id)) out.escort_x = m->x;
        if (Mobile *m = FindMobileID(target_id)) out.target_z = m->z;
        EXPECT_EQ(exit_flag, 0);
        return out;
    }
};

// The torpedo meets a merchant amidships: judged a hit on it about 19.85 s in (3375 units to
// the hull's side at 170 units/s), within two frames of that at either rate.
TEST_F(Pacing, MerchantAmidshipsIsHitAtTheSameMomentAtSixtyAndFifteenFrames) {
    Outcome fast = Run(60, MERCHANT, -1588, 24);
    TearDown();
    SetUp();
    Outcome slow = Run(15, MERCHANT, -1588, 24);
    EXPECT_EQ(2, fast.hit_ship);
    EXPECT_EQ(2, slow.hit_ship);
    // The test looks at the positions the last frame left, so a hit is judged one or two
    // frames after the torpedo reaches the hull.
    EXPECT_GE(fast.hit_s, 19.85);
    EXPECT_LE(fast.hit_s, 19.86 + 2.0 / 60);
    EXPECT_GE(slow.hit_s, 19.85);
    EXPECT_LE(slow.hit_s, 19.86 + 2.0 / 15);
    // Movement integrates elapsed time: the escort is where it would be at either rate.
    // (The clock also runs while the test runs, a few milliseconds, a few units.)
    EXPECT_NEAR(fast.escort_x, slow.escort_x, 20);
    EXPECT_NEAR(-2000 + 80 * 24, fast.escort_x, 20);
    // Pings at 10 s and 20 s after the escort appeared, at either rate.
    EXPECT_EQ(2, fast.pings);
    EXPECT_EQ(2, slow.pings);
}

// The narrowest hull, a corvette's 30 units, crossed broadside: at 15 frames a second the
// torpedo runs 11 units a frame and still finds the hull; a ship whose stern is 100 units past
// the track by then is missed at either rate.
TEST_F(Pacing, NarrowHullIsHitAndAPassingSternMissedAtBothRates) {
    for (int hz : {60, 15}) {
        Outcome hit = Run(hz, CORVETTE, -1588, 22);
        EXPECT_EQ(2, hit.hit_ship) << hz << " Hz";
        TearDown();
        SetUp();
        // Centre 250 + 100 north of the track when the torpedo reaches it: stern 100 clear.
        Outcome miss = Run(hz, CORVETTE, -1588 + 350, 22);
        EXPECT_EQ(0, miss.hit_ship) << hz << " Hz";
        EXPECT_NEAR(-1588 + 350 + 80 * 22, miss.target_z, 20) << hz << " Hz";
        TearDown();
        SetUp();
    }
}

// The stations' own timers count elapsed ticks: the deck gun reloads in its 3 s and a hit's
// flash on the bridge lasts its 800 ms, at 60 and at 15 frames a second (give or take the frame
// that notices).
TEST_F(Pacing, GunReloadAndHitFlashKeepTheirTimeAtSixtyAndFifteenFrames) {
    for (int hz : {60, 15}) {
        ShipType[DESTROYER].gun_reload = 3000;
        Own(DESTROYER, 1, 0, 0, 0);
        ASSERT_TRUE(hwndGun && hwndBridge);
        gun_status = GUN_LOADING;
        gun_timer = 0xFFFFFFFFu; // no wait under way: loading starts at the next frame
        double frame = 1.0 / hz;
        double loaded = Drive(hz, 5, [] { return gun_status == GUN_READY; });
        EXPECT_GE(loaded, 3.0) << hz << " Hz";
        EXPECT_LE(loaded, 3.0 + 2 * frame + 0.01) << hz << " Hz";
        PlayerHit();
        double flash = Drive(hz, 2, [] { return hit_time == 0; });
        EXPECT_GE(flash, 0.8) << hz << " Hz";
        EXPECT_LE(flash, 0.8 + frame + 0.01) << hz << " Hz";
        TearDown();
        SetUp();
    }
}

// Between frames the loop sleeps: over a quarter of a second of real time it runs a battle
// frame at most once per display refresh (60 a second here), not as often as it can.
TEST_F(Pacing, LoopRunsAtMostOneFramePerRefresh) {
    Own(DESTROYER, 1, 0, 0, 0);
    old_ip_status = IPStatus();
    shell_frame_hz = 60;
    uint32_t before = shell_frames;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
    while (std::chrono::steady_clock::now() < end)
        ShellLoopPass();
    uint32_t ran = shell_frames - before;
    EXPECT_GE(ran, 1u);
    EXPECT_LE(ran, 17u) << "60 a second for 250 ms is 15, with a frame's slack each end";
}

} // namespace
