// view_test.cpp -- a captain's eye against the real server: the view is turned onto a drone by
// mouse and keys alone, the bridge's picture and label are read back, and a torpedo fired with
// the space bar when the tubes' dial lights must hit
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "net/battle_messages.h"
#include "net/packet.h"
#include "net/session.h"
#include "platform/platform_test.h"
#include "shell/dialogs.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/mobile.h"
#include "stations/bridge.h"
#include "stations/compass.h"
#include "stations/stations.h"
#include "stations/tubes.h"
#include "tests/e2e/e2e_captain.h"
#include "tests/e2e/e2e_client.h"
#include "tests/e2e/e2e_support.h"

namespace {

const double TORPEDO_SPEED = 170.0; // world units a second, as the server runs them

// Pixels of the composed screen in the bridge's picture that are not the empty sea or sky of
// their row (the horizon's bands are one colour across), between rows `top` and `bottom`.
struct Marks {
    std::vector<int> columns; // per column of the bridge, marked pixels in it
    int total = 0;
};

Marks ShipPixels(int top, int bottom) {
    PlatformTestCompose();
    RECT b = BridgeOnScreen();
    int w = b.right - b.left, cx = b.left + w / 2;
    Marks m;
    m.columns.assign((size_t)w, 0);
    for (int y = b.top + top; y < b.top + bottom; y++) {
        // The row's own colour: the commonest colour inside the binoculars' middle half.
        std::map<COLORREF, int> count;
        for (int x = cx - w / 4; x < cx + w / 4; x++)
            count[PlatformTestScreenPixel(x, y)]++;
        COLORREF sea = std::max_element(count.begin(), count.end(), [](auto &a, auto &b) {
                           return a.second < b.second;
                       })->first;
        for (int x = b.left; x < b.right; x++) {
            COLORREF c = PlatformTestScreenPixel(x, y);
            if (c == sea || c == RGB(0, 0, 0)) continue;
            m.columns[(size_t)(x - b.left)]++;
            m.total++;
        }
    }
    return m;
}

// The label's light grey, which no sea, sky or hull comes near.
bool Bright(COLORREF c) {
    return GetRValue(c) > 0xC0 && GetGValue(c) > 0xC0 && GetBValue(c) > 0xC0;
}

// The label's first lit column in its row band, from the composed screen; -1 when none.
int LabelLeft(int row) {
    RECT b = BridgeOnScreen();
    for (int x = b.left; x < b.right; x++)
        for (int y = b.top + row; y < b.top + row + 7; y++)
            if (Bright(PlatformTestScreenPixel(x, y))) return x - b.left;
    return -1;
}

// The server, the relay and the client, ended whichever way the test ends.
class CaptainsEye : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(0, access(E2eServerProgram().c_str(), X_OK)) << E2eServerProgram();
        ASSERT_NE(nullptr, mkdtemp(dir));
        int port = E2eFreePort();
        // Two drone merchants and no escort, 4 km off: the attack is the whole test.
        server = E2eStartServer(port, std::string(dir) + "/kr.db", std::string(dir) + "/server.log",
                                {"--drones", "2", "--seed", "11", "--spawn-near", "4000"});
        ASSERT_GT(server, 0) << E2eOutput(std::string("cat ") + dir + "/server.log");
        int relay = E2eRelayStart(port);
        StartClient(relay, (std::string(dir) + "/client.log").c_str());
        client = true;
    }
    void TearDown() override {
        if (client) StopClient("lookout");
        E2eRelayStop();
        if (server > 0) {
            int status = E2eStopServer(server);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "server " << status;
        }
        if (HasFailure())
            printf("logs kept in %s\n", dir);
        else
            E2eOutput(std::string("rm -rf ") + dir);
    }
    char dir[32] = "/tmp/e2e_view_XXXXXX";
    pid_t server = -1;
    bool client = false;
};

} // namespace

TEST_F(CaptainsEye, TurnOntoADroneByMouseAndKeysSeeItNamedAndHitIt) {
    Login("lookout", "binoculars");
    NewPlayer("Hawkeye", IDC_NORTHLAND);
    PickShip(IDC_SUBMARINE);
    ASSERT_TRUE(Until([] { return location == LOC_BATTLE && player_mobile; }, 30));
    ASSERT_EQ(SUBMARINE, MobileClass(player_mobile));
    ASSERT_EQ(my_ship_id, player_mobile->id);

    // The drone nearest the bow that the lookout reports.
    Mobile *target = nullptr;
    ASSERT_TRUE(Until(
        [&] {
            target = nullptr;
            for (int32_t i = 0; i < num_mobiles; i++) {
                Mobile *m = &mobile[i];
                if (!Seen(m) || !(m->status & ST_DRONE) || MobileClass(m) == TORPEDO) continue;
                uint16_t rel = (uint16_t)(m->bearing - player_mobile->heading);
                if (!target ||
                    std::abs((int16_t)rel) <
                        std::abs((int16_t)(uint16_t)(target->bearing - player_mobile->heading)))
                    target = m;
            }
            return target != nullptr;
        },
        20))
        << "no drone in sight";
    int32_t target_id = target->id;
    auto t = [&] { return FindMobileID(target_id); };

    // Most of the way by dragging, the rest with the arrow keys; then the line of sight (rounded
    // as the label rounds it) is on the drone.
    DragTo((uint16_t)(t()->bearing - 0x600));
    KeysTo(t()->bearing, 0x30);
    // A slow machine may overrun the mark while the key's release is on its way: go back.
    for (int i = 0; i < 3 && std::abs(ViewError(t()->bearing)) >= 0x40; i++) {
        KeysTo(t()->bearing, 0x30);
        Settle();
    }
    ASSERT_LT(std::abs(ViewError(t()->bearing)), 0x100);

    RECT b = BridgeOnScreen();
    int w = b.right - b.left, h = b.bottom - b.top;
    // Kept beside the test's other output for a look at what the captain saw.
    PlatformTestScreenshot("view_on_target.png");
    // The ship stands on the horizon in the middle of the picture, a ship's width and no more;
    // high in the sky and low in the sea there is nothing (a camera inside another ship sees
    // its mast from top to bottom, its deck across the foot of the picture).
    Marks marks = ShipPixels(h / 2 - h / 8, h / 2 + h / 10);
    int centre = 0;
    for (int x = w / 2 - w / 16; x < w / 2 + w / 16; x++)
        centre += marks.columns[(size_t)x];
    EXPECT_GT(centre, 20) << "nothing but sea in the middle of the binoculars";
    int lit = 0;
    for (int c : marks.columns)
        lit += c > 0;
    EXPECT_LT(lit, w / 2) << "the horizon is full of hull";
    EXPECT_LT(ShipPixels(h / 10, h / 2 - h / 8).total, 10) << "something stands in the sky";
    EXPECT_LT(ShipPixels(h / 2 + h / 10, h * 2 / 3).total, 10) << "something lies in the sea";
    // Its label, centred under the horizon, names it: a drone has one line and no captain.
    std::string label = std::string(t()->ship_name) + " - NEUTRAL " + t()->type->name + " (D)";
    std::transform(label.begin(), label.end(), label.begin(), ::toupper);
    int row = h * 2 / 3 + 9;
    EXPECT_NEAR((w - 8 * (int)label.size()) / 2, LabelLeft(row), 9) << label;
    EXPECT_EQ(-1, LabelLeft(row + 11)) << "a drone has no captain's line";

    // Lead the target by its run, with the keys, and fire with the space bar once the dial
    // lights; then let the torpedo run.
    double x0 = t()->x, z0 = t()->z;
    auto t0 = std::chrono::steady_clock::now();
    Until([&] { return std::chrono::steady_clock::now() - t0 > std::chrono::seconds(2); }, 5);
    double dt = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double vx = (t()->x - x0) / dt, vz = (t()->z - z0) / dt;
    auto lead = [&] { return LeadBearing(t(), vx, vz, TORPEDO_SPEED); };
    // A lead outside the bow tubes' arc: steer for it on the compass at half ahead, then stop.
    if (std::abs((int16_t)(uint16_t)(lead() - player_mobile->heading)) > 0x800) {
        CompassSteer(lead());
        PlatformTestKeyPress('4');
        Until(
            [&] { return std::abs((int16_t)(uint16_t)(lead() - player_mobile->heading)) < 0x300; },
            40);
        PlatformTestKeyPress('3');
        Settle();
    }
    int fired = 0;
    for (int shot = 0; shot < 2 && t() && !(t()->status & ST_DEAD); shot++) {
        KeysTo(lead(), 0x18);
        if (!Until([] { return TubesInArc() != 0; }, 2)) continue;
        size_t sent = E2eRelayLines(true).size();
        PlatformTestKeyPress(VK_SPACE);
        Until([&] { return E2eRelayLines(true).size() > sent; }, 5);
        fired++;
        Until([] { return false; }, 1);
    }
    ASSERT_GT(fired, 0) << "the dial never lit";
    auto launches = [] {
        int n = 0;
        for (const std::string &l : E2eRelayLines(true))
            if (l.compare(0, 3, "13:") == 0 && UnpackWeaponPacket(l.c_str() + 3)->kind == TP_LAUNCH)
                n++;
        return n;
    };
    EXPECT_TRUE(Until([&] { return launches() == fired; }, 5)) << launches() << " launches sent";

    // The client judges its own torpedoes; the server accepts the claim and tells everyone near.
    auto hit = [&] {
        for (const std::string &l : E2eRelayLines(false)) {
            if (l.compare(0, 3, "13:") != 0) continue;
            WeaponMssg *m = UnpackWeaponPacket(l.c_str() + 3);
            if (m->kind == TP_HIT && m->second_id == target_id) return true;
        }
        return false;
    };
    EXPECT_TRUE(Until(hit, 60)) << "no hit on the drone was accepted";
}
