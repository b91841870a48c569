// battle_test.cpp -- a whole battle against the real server: a Northland submarine and a Westland
// destroyer, each a headless client in a process of its own, checked on the wire and in state
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "net/battle_messages.h"
#include "net/packet.h"
#include "net/session.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "sim/battle.h"
#include "sim/hits.h"
#include "sim/mobile.h"
#include "stations/chat.h"
#include "stations/dc.h"
#include "stations/stations.h"
#include "stations/tubes.h"
#include "tests/e2e/e2e_client.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/dialog_script.h"

namespace {

const char *SUB_CAPTAIN = "Nordkapp";
const char *DD_CAPTAIN = "Westie";
const double TORPEDO_SPEED = 170.0; // world units a second, as the server runs them

Mobile *Captain(const char *captain) {
    for (int32_t i = 0; i < num_mobiles; i++)
        if (!(mobile[i].status & ST_DEAD) && !strcmp(mobile[i].captain, captain)) return &mobile[i];
    return nullptr;
}

int CountDrones(int32_t cls, bool plotted) {
    int n = 0;
    for (int32_t i = 0; i < num_mobiles; i++) {
        Mobile *m = &mobile[i];
        if ((m->status & ST_DEAD) || !(m->status & ST_DRONE) || MobileClass(m) != cls) continue;
        if (plotted && !(m->contact & CT_PLOT)) continue;
        n++;
    }
    return n;
}

// Whether the client sent a line starting with `prefix` (the relay copies it a moment later).
bool Sent(const std::string &prefix, std::string *line = nullptr) {
    return Until([&] { return E2eRelaySaw(true, prefix, line); }, 5);
}

// Weapon lines from the server of a kind, as the client's reader sees them.
std::vector<WeaponMssg> WireWeapons(int32_t kind) {
    std::vector<WeaponMssg> out;
    for (const std::string &l : E2eRelayLines(false)) {
        if (l.compare(0, 3, "13:") != 0) continue;
        WeaponMssg *w = UnpackWeaponPacket(l.c_str() + 3);
        if (w->kind == kind) out.push_back(*w);
    }
    return out;
}

// Joins as the given ship and checks the session's lines and the battle's state.
bool JoinBattle(const char *who, int32_t cls) {
    bool in = Until([] { return location == LOC_BATTLE && player_mobile; }, 20);
    E2eStep(std::string(who) + " is in the battle", in, "location " + std::to_string(location));
    if (!in) return false;
    std::string line;
    E2eStep(std::string(who) + " asked for its ships", Sent("22"));
    E2eStep(std::string(who) + " got the join acceptance",
            E2eRelaySaw(false, "26:" + std::to_string(my_ship_id)));
    E2eStep(std::string(who) + " commands its class", MobileClass(player_mobile) == cls,
            "class " + std::to_string(MobileClass(player_mobile)));
    E2eStep(std::string(who) + " radio room and map table open", hwndChat && hwndMap);
    return true;
}

void Say(int addressee, const std::string &text) {
    // The radio room's button cycles All, Them, Us; the server takes one line a second.
    while (radio_addressee != addressee)
        SendMessage(hwndChat, WM_COMMAND, MAKEWPARAM(CHAT_ADDRESSEE, BN_CLICKED), 0);
    SetWindowText(GetDlgItem(hwndChat, CHAT_INPUT), text.c_str());
    SendMessage(hwndChat, WM_COMMAND, MAKEWPARAM(CHAT_SEND, BN_CLICKED), 0);
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1100);
    while (std::chrono::steady_clock::now() < until)
        Pump();
}

// The radio traffic of one side: All, Them and Us from it, then a closing line to All, so that
// the receiving side knows everything has arrived and can tell what did not.
void RadioExchange(const char *me, const char *other, char my_tag, char other_tag) {
    std::string tag(me);
    Say(0, tag + " to all");
    Say(1, tag + " to them");
    Say(2, tag + " to us");
    Say(0, tag + " over");
    E2eStep(tag + " sent its lines with each addressee", Sent("29:0:" + tag + " to all") &&
                                                             Sent("29:1:" + tag + " to them") &&
                                                             Sent("29:2:" + tag + " to us"));
    E2eSignal(my_tag);
    std::string peer(other);
    bool over = Until([&] { return ChatHas("(" + peer + "): " + peer + " over"); }, 20);
    E2eStep(tag + " hears the other's closing line", over);
    E2eStep(tag + " hears the other's line to all", ChatHas("(" + peer + "): " + peer + " to all"));
    E2eStep(tag + " hears the other's line to them (the enemy)",
            ChatHas("(" + peer + "): " + peer + " to them"));
    E2eStep(tag + " does not hear the other's line to us", !ChatHas(peer + " to us"));
    E2eWaitPeer(other_tag, 20, Pump);
}

// The lines under the header of a new "who".
std::vector<std::string> WhoListed() {
    SendMessage(hwndApp, WM_COMMAND, IDM_WHO, 0);
    std::vector<std::string> log = ChatLog();
    size_t at = log.size();
    for (size_t i = 0; i < log.size(); i++)
        if (log[i] == "Ships in this battle:") at = i;
    if (at == log.size()) return {"no header"};
    return std::vector<std::string>(log.begin() + (long)at + 1, log.end());
}

// "who" lists both captains with their countries and no drone.
void CheckWho(const char *who) {
    std::vector<std::string> listed = WhoListed();
    bool sub = false, dd = false, drone = false;
    for (const std::string &l : listed) {
        sub = sub || (l.find(std::string("(") + SUB_CAPTAIN + ") Northland") != std::string::npos);
        dd = dd || (l.find(std::string("(") + DD_CAPTAIN + ") Westland") != std::string::npos);
        drone = drone || l.find("DRONE") != std::string::npos;
    }
    std::string all;
    for (const std::string &l : listed)
        all += l + " | ";
    E2eStep(std::string(who) + " who lists the two captains and no drone",
            listed.size() == 2 && sub && dd && !drone, all);
}

int32_t FakeTubeClock() {
    // The crew reloads at the pace of the test: each look at the clock is half a minute later.
    static int32_t now = 0;
    return now += 31;
}

// Points the tubes at where the target will be when a torpedo reaches it.
bool Aim(const Mobile *target, double vx, double vz) {
    Mobile *m = player_mobile;
    double tx = target->x, tz = target->z;
    for (int i = 0; i < 6; i++) {
        double t = std::hypot(tx - m->x, tz - m->z) / TORPEDO_SPEED;
        tx = target->x + vx * t;
        tz = target->z + vz * t;
    }
    double bearing = std::atan2(tx - m->x, tz - m->z); // 0 north, east positive
    uint16_t want = (uint16_t)(int32_t)std::lround(bearing * 65536.0 / (2 * M_PI));
    m->view = (uint16_t)(want - m->heading);
    int16_t off = (int16_t)m->view;
    // Keep the bow on the target so that the arc stays on it.
    ChangePlayerHelm(off > 1500 ? 3 : off < -1500 ? 1 : 2);
    // A torpedo runs about 19500 units: beyond that, close in first.
    return TubesInArc() && std::hypot(tx - m->x, tz - m->z) < 19000;
}

// The submarine's side of the battle.
int Submarine(int port, const std::string &dir) {
    int relay = E2eRelayStart(port);
    StartClient(relay, (dir + "/sub.log").c_str(), true);
    Login("nordic", "periscope");
    NewPlayer(SUB_CAPTAIN, IDC_NORTHLAND);
    PickShip(IDC_SUBMARINE);
    if (!JoinBattle("submarine", SUBMARINE)) return 1;
    E2eStep("submarine registered as a new player", Sent("10:" + std::string(SUB_CAPTAIN) + ":1"));
    E2eSignal('J');
    E2eStep("submarine: destroyer has joined", E2eWaitPeer('J', 40, Pump));

    // Both ships and the drones are in the lists; the drones are plotted on the map table.
    E2eStep("submarine knows the destroyer",
            Until([] { return Captain(DD_CAPTAIN) != nullptr; }, 15));
    E2eStep("submarine plots the drone merchants",
            Until([] { return CountDrones(MERCHANT, true) > 0; }, 15),
            std::to_string(CountDrones(MERCHANT, false)) + " merchants known");
    Shot("1-battle-start");

    // The nearest merchant is the target; its speed is measured over two seconds of updates.
    Mobile *target = nullptr;
    for (int32_t i = 0; i < num_mobiles; i++) {
        Mobile *m = &mobile[i];
        if ((m->status & ST_DEAD) || !(m->status & ST_DRONE) || MobileClass(m) != MERCHANT)
            continue;
        if (!target || std::hypot(m->x - player_mobile->x, m->z - player_mobile->z) <
                           std::hypot(target->x - player_mobile->x, target->z - player_mobile->z))
            target = m;
    }
    if (!E2eStep("submarine has a target", target != nullptr)) return 1;
    int32_t target_id = target->id;
    std::string target_name = target->ship_name;
    tubes_clock = FakeTubeClock;
    ChangePlayerEngine(4);
    auto sunk = [&] {
        return !FindMobileID(target_id) || (FindMobileID(target_id)->status & ST_DEAD);
    };
    auto start = std::chrono::steady_clock::now();
    int fired = 0;
    while (!sunk() && std::chrono::steady_clock::now() - start < std::chrono::seconds(240)) {
        // Entries of the list move when others are removed: look the target up each time.
        auto t = [&] { return FindMobileID(target_id); };
        double x0 = t()->x, z0 = t()->z;
        auto t0 = std::chrono::steady_clock::now();
        Until(
            [&] {
                return std::chrono::steady_clock::now() - t0 > std::chrono::seconds(2) || sunk();
            },
            5);
        if (sunk()) break;
        double dt = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        double vx = (t()->x - x0) / dt, vz = (t()->z - z0) / dt;
        // A pair, in case one misses (one hit sinks a merchant); then wait for them to arrive or
        // run out.
        size_t launches = WireWeapons(TP_LAUNCH).size();
        int shot = 0;
        for (int i = 0; i < 2; i++) {
            if (!Until(
                    [&] {
                        return !sunk() && Aim(t(), vx, vz) &&
                               tube_status[0] + tube_status[1] + tube_status[2] + tube_status[3] >
                                   0;
                    },
                    30))
                break;
            TubesClick(0, 0);
            shot++;
            fired++;
        }
        Until([&] { return WireWeapons(TP_LAUNCH).size() >= launches + (size_t)shot; }, 5);
        if (sunk()) break;
        double range = std::hypot(t()->x - player_mobile->x, t()->z - player_mobile->z);
        if (getenv("KESTRUNE_E2E_VERBOSE"))
            fprintf(stderr, "fired %d at range %.0f, target v (%.1f,%.1f), heading %u view %u\n",
                    shot, range, vx, vz, player_mobile->heading, player_mobile->view);
        int run = (int)(range / TORPEDO_SPEED) + 15;
        Until(
            [&] {
                if (sunk() || shot == 0) return true;
                Aim(t(), vx, vz);
                for (int32_t i = 0; i < num_mobiles; i++)
                    if (MobileClass(&mobile[i]) == TORPEDO && !(mobile[i].status & ST_DEAD)) {
                        if (getenv("KESTRUNE_E2E_VERBOSE")) {
                            static int n;
                            if (n++ % 2000 == 0)
                                fprintf(stderr, "torpedo at %d,%d heading %u; target %d,%d\n",
                                        mobile[i].x, mobile[i].z, mobile[i].heading, t()->x,
                                        t()->z);
                        }
                        return false;
                    }
                return true;
            },
            std::min(run, 150));
    }
    ChangePlayerHelm(2);
    E2eStep("submarine fired torpedoes", fired > 0 && Sent("13:"), std::to_string(fired));
    E2eStep("server echoed the launches", !WireWeapons(TP_LAUNCH).empty());
    bool down = Until(sunk, 5);
    std::vector<WeaponMssg> hits = WireWeapons(TP_HIT);
    E2eStep("torpedoes hit the merchant", hits.size() >= 1, std::to_string(hits.size()) + " hits");
    if (!E2eStep("the merchant sank", down, target_name)) return 1;
    bool sunk_line = false;
    for (const WeaponMssg &w : WireWeapons(WP_SUNK))
        sunk_line = sunk_line || (w.second_id == target_id && w.first_id == my_ship_id);
    E2eStep("server reported the sinking by the submarine", sunk_line);
    std::string radio = "** " + target_name + " (DRONE) sunk by " + SUB_CAPTAIN + " at (";
    E2eStep("submarine radio room has the sinking line", Until([&] { return ChatHas(radio); }, 5),
            radio);
    E2eSignal('S');
    Shot("2-merchant-sunk");

    // The destroyer has dropped its charges; they were heard here when near, and relayed.
    E2eWaitPeer('D', 60, Pump);

    E2eStep("submarine sees the destroyer on the map", Until(
                                                           [] {
                                                               Mobile *d = Captain(DD_CAPTAIN);
                                                               return d && (d->contact & CT_PLOT);
                                                           },
                                                           60));
    RadioExchange(SUB_CAPTAIN, DD_CAPTAIN, 'R', 'r');
    CheckWho("submarine");
    E2eSignal('W');
    E2eWaitPeer('w', 20, Pump);

    // The mission's score is on the service record while the mission is under way.
    SendMessage(hwndApp, WM_COMMAND, IDM_SERVICE_RECORD, 0);
    E2eStep("service record asked with 31:0:71", Sent("31:0:71"));
    E2eStep("service record open",
            Until([] { return PlatformTestFindWindow("Service Record") != nullptr; }, 10));
    E2eStep("service record arrived", E2eRelaySaw(false, "32:-1"));
    E2eStep("mission score: one merchant sunk", player.score[0] > 0,
            std::to_string(player.score[0]));
    E2eStep("mission score: the hits", player.score[2] >= 10, std::to_string(player.score[2]));
    Shot("3-service-record");

    // The submarine goes home; the destroyer sees it go.
    SendMessage(hwndApp, WM_COMMAND, IDM_EXIT_BATTLE, 0);
    E2eStep("submarine left the battle", Until([] { return location == LOC_LOBBY; }, 20));
    E2eStep("submarine asked to leave", Sent("33"));
    E2eSignal('X');
    E2eWaitPeer('Q', 30, Pump);
    StopClient("submarine");
    E2eRelayStop();
    return 0;
}

// The destroyer's side: a known player (the account is made in a first visit).
int Destroyer(int port, const std::string &dir) {
    {
        int relay = E2eRelayStart(port);
        StartClient(relay, (dir + "/dd0.log").c_str());
        Login("western", "sonar");
        NewPlayer(DD_CAPTAIN, IDC_WESTLAND);
        PickShip(IDC_DESTROYER);
        bool in = Until([] { return location == LOC_BATTLE; }, 20);
        E2eStep("destroyer's player created", in && E2eRelaySaw(false, "11"));
        StopClient("first visit");
        E2eRelayStop();
    }
    int relay = E2eRelayStart(port);
    StartClient(relay, (dir + "/dd.log").c_str());
    Login("western", "sonar");
    PickShip(IDC_DESTROYER);
    if (!JoinBattle("destroyer", DESTROYER)) return 1;
    bool asked = false;
    for (const std::string &seen : DialogScriptSeen())
        asked = asked || seen == "Welcome to Kestrune";
    E2eStep("known player is not asked for a nickname", !asked && !Sent("10:"));
    E2eStep("destroyer is Westland", player.country == 0 && player_mobile->country == 0);
    E2eSignal('J');
    E2eWaitPeer('J', 40, Pump);
    E2eStep("destroyer knows the submarine",
            Until([] { return Captain(SUB_CAPTAIN) != nullptr; }, 15));
    E2eStep("destroyer plots the drones",
            Until([] { return CountDrones(MERCHANT, true) > 0; }, 15));
    // Close on the submarine at full speed so that it sees us too.
    ChangePlayerEngine(4);

    // Depth charges: wait for the crew, press the shallowest setting, hear the result.
    bool ready = Until(
        [] { return dc_ready == 1 && IsWindowEnabled(GetDlgItem(hwndDC, DC_FIRST_BUTTON)); }, 30);
    E2eStep("depth charges ready", ready);
    SendMessage(hwndDC, WM_COMMAND, MAKEWPARAM(DC_FIRST_BUTTON, BN_CLICKED), 0);
    std::string drop;
    E2eStep("destroyer dropped charges set to 50",
            Sent("13:", &drop) && UnpackWeaponPacket(drop.c_str() + 3)->kind == DC_LAUNCH &&
                UnpackWeaponPacket(drop.c_str() + 3)->setting == 0x32,
            drop);
    E2eStep(
        "the charges exploded (miss)",
        Until([] { return !WireWeapons(DC_MISS).empty() || !WireWeapons(DC_HIT).empty(); }, 15));
    E2eStep("station is reloading", dc_ready == 0);
    E2eSignal('D');

    // Every client hears of the sinking in its radio room.
    E2eStep("destroyer: the merchant sank", E2eWaitPeer('S', 260, [] {
                Pump();
                Mobile *s = Captain(SUB_CAPTAIN);
                if (s && player_mobile) {
                    double b = std::atan2(s->x - player_mobile->x, s->z - player_mobile->z);
                    player_mobile->ordered_heading =
                        (uint16_t)(int32_t)std::lround(b * 65536.0 / (2 * M_PI));
                    int16_t off =
                        (int16_t)(player_mobile->ordered_heading - player_mobile->heading);
                    ChangePlayerHelm(off > 1000 ? 4 : off < -1000 ? 0 : 2);
                }
            }));
    ChangePlayerHelm(2);
    E2eStep("destroyer radio room has the sinking line",
            Until([] { return ChatHas(std::string(" (DRONE) sunk by ") + SUB_CAPTAIN + " at ("); },
                  10));
    E2eStep("destroyer got the sinking on the wire", !WireWeapons(WP_SUNK).empty());

    E2eStep("destroyer plots the submarine", Until(
                                                 [] {
                                                     Mobile *s = Captain(SUB_CAPTAIN);
                                                     return s && (s->contact & CT_PLOT);
                                                 },
                                                 60));
    RadioExchange(DD_CAPTAIN, SUB_CAPTAIN, 'r', 'R');
    E2eWaitPeer('W', 20, Pump);
    CheckWho("destroyer");
    E2eSignal('w');

    // The submarine leaves: its ship goes from the list.
    Mobile *s = Captain(SUB_CAPTAIN);
    int32_t sub_id = s ? s->id : 0;
    E2eWaitPeer('X', 30, Pump);
    bool gone = Until(
        [&] {
            Mobile *m = FindMobileID(sub_id);
            return !m || (m->status & ST_DEAD);
        },
        15);
    E2eStep("destroyer sees the submarine vanish", gone);
    E2eStep("server told the destroyer it is gone", [&] {
        char hex[16];
        snprintf(hex, sizeof hex, "8:%x:", sub_id);
        for (const std::string &l : E2eRelayLines(false))
            if (l.compare(0, strlen(hex), hex) == 0) {
                UpdateMssg *u = UnpackUpdatePacket(l.c_str() + 2);
                if (u->kind == UPD_REMOVED || u->kind == UPD_VANISHED) return true;
            }
        return false;
    }());
    std::vector<std::string> now = WhoListed();
    E2eStep("who no longer lists the submarine",
            now.size() == 1 && now[0].find(DD_CAPTAIN) != std::string::npos);
    E2eSignal('Q');
    StopClient("destroyer");
    E2eRelayStop();
    return 0;
}

struct Child {
    pid_t pid = -1;
    int report = -1;
    std::string buffer;
    std::vector<std::string> lines;
};

pid_t Spawn(Child *c, int (*side)(int, const std::string &), int port, const std::string &dir,
            int peer_in, int peer_out, int close1, int close2) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        close(close1);
        close(close2);
        E2eReportTo(fds[1]);
        E2ePeer(peer_in, peer_out);
        int rc = side(port, dir);
        _exit(rc);
    }
    close(fds[1]);
    c->pid = pid;
    c->report = fds[0];
    return pid;
}

} // namespace

TEST(Battle, SubmarineAndDestroyerFightTheDronesAndTalk) {
    ASSERT_EQ(0, access(E2eServerProgram().c_str(), X_OK)) << E2eServerProgram() << " is not built";
    char dir[] = "/tmp/e2e_battle_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    int port = E2eFreePort();
    // Ships start 4 km from a convoy: the attack takes seconds instead of the game's minutes, and
    // the convoy is still ahead when a slow client (real windows) is ready to fire.
    pid_t server = E2eStartServer(
        port, std::string(dir) + "/kr.db", std::string(dir) + "/server.log",
        {"--drones", "2", "--seed", "11", "--spawn-near", "4000", "--log-level", "info"});
    ASSERT_GT(server, 0) << E2eOutput(std::string("cat ") + dir + "/server.log");

    // Two pipes between the clients for their barriers, one report pipe each to here.
    int a[2], b[2];
    ASSERT_EQ(0, pipe(a));
    ASSERT_EQ(0, pipe(b));
    Child sub, dd;
    Spawn(&sub, Submarine, port, dir, b[0], a[1], a[0], b[1]);
    Spawn(&dd, Destroyer, port, dir, a[0], b[1], b[0], a[1]);
    close(a[0]);
    close(a[1]);
    close(b[0]);
    close(b[1]);

    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(420);
    Child *kids[2] = {&sub, &dd};
    while ((sub.report >= 0 || dd.report >= 0) && std::chrono::steady_clock::now() < until) {
        pollfd p[2];
        for (int i = 0; i < 2; i++)
            p[i] = {kids[i]->report, POLLIN, 0};
        if (poll(p, 2, 200) <= 0) continue;
        for (int i = 0; i < 2; i++) {
            if (!(p[i].revents & (POLLIN | POLLHUP))) continue;
            char buf[4096];
            ssize_t n = read(kids[i]->report, buf, sizeof buf);
            if (n <= 0) {
                close(kids[i]->report);
                kids[i]->report = -1;
                continue;
            }
            kids[i]->buffer.append(buf, (size_t)n);
            size_t end;
            while ((end = kids[i]->buffer.find('\n')) != std::string::npos) {
                kids[i]->lines.push_back(kids[i]->buffer.substr(0, end));
                kids[i]->buffer.erase(0, end + 1);
            }
        }
    }
    for (Child *c : kids) {
        if (c->report >= 0) {
            ADD_FAILURE() << "a client did not finish in time";
            kill(c->pid, SIGKILL);
            close(c->report);
        }
        int status = 0;
        waitpid(c->pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << (c == &sub ? "submarine" : "destroyer") << " status " << status;
        for (const std::string &l : c->lines) {
            if (l.compare(0, 5, "PASS ") == 0)
                SUCCEED() << l;
            else
                ADD_FAILURE() << (c == &sub ? "submarine: " : "destroyer: ") << l;
        }
        printf("%s: %zu steps\n", c == &sub ? "submarine" : "destroyer", c->lines.size());
    }
    EXPECT_GE(sub.lines.size(), 25u);
    EXPECT_GE(dd.lines.size(), 20u);

    int status = E2eStopServer(server);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "server status " << status;
    std::string players = E2eOutput(E2eServerProgram() + " --db " + dir + "/kr.db --list-players");
    EXPECT_NE(std::string::npos, players.find(SUB_CAPTAIN)) << players;
    EXPECT_NE(std::string::npos, players.find(DD_CAPTAIN)) << players;
    if (HasFailure())
        printf("logs kept in %s\n", dir);
    else
        E2eOutput(std::string("rm -rf ") + dir);
}
