// session_test.cpp -- each session sender's exact bytes and each handler's effect
#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

#include <cstring>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "net/packet.h"
#include "net/session.h"
#include "net/transport.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/dialogs.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "tests/support/dialog_script.h"

namespace {

class Session : public ::testing::Test {
  protected:
    void SetUp() override {
        PlatformTestReset(800, 600);
        ShellRegisterResources();
        InitializeDebug("session.log");
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv_), 0);
        ip_socket = sv_[0];
        location = LOC_LOBBY;
        memset(&player, 0, sizeof player);
        DialogScriptStart({});
    }
    void TearDown() override {
        DialogScriptStop();
        ip_socket = INVALID_SOCKET;
        close(sv_[0]);
        close(sv_[1]);
        location = LOC_OFFLINE;
    }
    std::string Wire() {
        char buffer[512];
        ssize_t n = recv(sv_[1], buffer, sizeof buffer, MSG_DONTWAIT);
        return n > 0 ? std::string(buffer, (size_t)n) : std::string();
    }
    int sv_[2];
};

TEST_F(Session, SendersWriteTheirExactLines) {
    SendVersionPacket();
    EXPECT_EQ(Wire(), "1:107\n");
    SendIDInfoPacket("captainnemo", "secret");
    EXPECT_EQ(Wire(), "3:captainnemo:secret\n");
    SendNameInfoPacket("Seawolf", 1);
    EXPECT_EQ(Wire(), "10:Seawolf:1\n");
    SendInvRequestPacket();
    EXPECT_EQ(Wire(), "22\n");
    SendJoinBattlePacket(0, 3, "hms test");
    EXPECT_EQ(Wire(), "24:0:3:hms test\n");
    SendScoreRequest(0, 71);
    EXPECT_EQ(Wire(), "31:0:71\n");
    SendExitBattlePacket();
    EXPECT_EQ(Wire(), "33:\n");
    SendChangeCountryPacket(0);
    EXPECT_EQ(Wire(), "35:0\n");
}

TEST_F(Session, TheGreetingIsAnsweredWithTheVersionOnly) {
    PacketMagic("");
    EXPECT_EQ(Wire(), "1:107\n");
}

TEST_F(Session, LogonSetsNicknameAndCountryAndAsksForShips) {
    location = LOC_OFFLINE;
    PacketLogonOK("Seawolf:1");
    EXPECT_STREQ(player.nickname, "Seawolf");
    EXPECT_EQ(player.country, 1);
    EXPECT_EQ(location, LOC_LOBBY);
    EXPECT_EQ(Wire(), "22\n");
}

TEST_F(Session, ACountryBeyond32BitsIsHeldAtTheEdge) {
    PacketLogonOK("Seawolf:99999999999999999999");
    EXPECT_STREQ(player.nickname, "Seawolf");
    EXPECT_EQ(player.country, INT32_MAX);
    PacketLogonOK("Seawolf:-99999999999999999999");
    EXPECT_EQ(player.country, INT32_MIN);
    PacketLogonOK("Seawolf:x");
    EXPECT_EQ(player.country, INT32_MIN) << "no number: the country stays";
}

TEST_F(Session, ALongNicknameIsCutToTheRecord) {
    std::string name(60, 'n');
    PacketLogonOK((name + ":0").c_str());
    EXPECT_EQ(strlen(player.nickname), 31u);
}

TEST_F(Session, ScoresAreStoredFromTheirIndexAndNeverOutsideTheTable) {
    PacketScore("10:5:6:7");
    EXPECT_EQ(player.score[10], 5);
    EXPECT_EQ(player.score[11], 6);
    EXPECT_EQ(player.score[12], 7);
    EXPECT_EQ(player.score[13], 0);
    PacketScore("254:1:2:3:4");
    EXPECT_EQ(player.score[254], 1);
    EXPECT_EQ(player.score[255], 2);
    PacketScore("-5:1:2:3:4:5:6:7:8:9:10");
    EXPECT_EQ(player.score[0], 6);
    EXPECT_EQ(player.score[4], 10);
    PacketScore("2147483647:1:2");
    PacketScore("x");
}

TEST_F(Session, ScoreMinusOneOpensTheRecordWithoutStoring) {
    player.score[54] = 1;
    player.score[55] = 2;
    player.score[56] = 3;
    player.score[57] = 4;
    player.score[58] = 5;
    player.score[59] = 6;
    PacketScore("-1:99");
    EXPECT_EQ(player.score[0], 0);
    HWND record = PlatformTestFindWindow("Service Record");
    ASSERT_NE(record, nullptr);
    char text[32];
    GetDlgItemText(record, IDC_SUBMARINE, text, sizeof text);
    EXPECT_STREQ(text, "21");
    SendMessage(record, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(ScoreDialogsOpen(), 0);
}

TEST_F(Session, InventoryEnablesTheOfferedShipsAndJoinsWithTheChoice) {
    bool sub = false, corvette = false, destroyer = true;
    DialogScriptAdd({"Ship Selection", [&](HWND d) {
                         sub = IsWindowEnabled(GetDlgItem(d, IDC_SUBMARINE));
                         corvette = IsWindowEnabled(GetDlgItem(d, IDC_CORVETTE));
                         destroyer = IsWindowEnabled(GetDlgItem(d, IDC_DESTROYER));
                         DialogPress(d, IDC_SUBMARINE);
                     }});
    PacketInvDetails("0:2:0:1:0:0");
    EXPECT_TRUE(sub);
    EXPECT_TRUE(corvette);
    EXPECT_FALSE(destroyer);
    EXPECT_EQ(player.inventory[1], 2);
    EXPECT_EQ(player.inventory[3], 1);
    EXPECT_EQ(Wire(), "24:0:3:hms test\n");
}

TEST_F(Session, AShortInventoryKeepsTheRestOfTheCounts) {
    player.inventory[2] = 4;
    DialogScriptAdd({"Ship Selection", [](HWND d) { DialogPress(d, IDC_DESTROYER); }});
    PacketInvDetails("0:1");
    EXPECT_EQ(player.inventory[1], 1);
    EXPECT_EQ(player.inventory[2], 4);
    EXPECT_EQ(Wire(), "24:0:2:hms test\n");
}

TEST_F(Session, TextInTheLobbyIsABox) {
    PacketText("Server going down");
    ASSERT_FALSE(DialogScriptBoxes().empty());
    EXPECT_EQ(DialogScriptBoxes().back(), "Kestrune|Server going down");
    PacketDialog("Hello");
    EXPECT_EQ(DialogScriptBoxes().back(), "Kestrune|Hello");
}

TEST_F(Session, NoJoinChangesNothing) {
    PacketNoJoin("");
    EXPECT_EQ(location, LOC_LOBBY);
    EXPECT_EQ(Wire(), "");
}

TEST_F(Session, ANewPlayerSendsNicknameAndCountryAndKeepsTheCountry) {
    DialogScriptAdd({"Welcome to Kestrune", [](HWND d) {
                         DialogType(d, IDC_NICKNAME, "Sea:wolf x");
                         CheckRadioButton(d, IDC_NORTHLAND, IDC_WESTLAND, IDC_WESTLAND);
                         DialogPress(d, IDOK);
                     }});
    PacketNameReq("");
    EXPECT_EQ(Wire(), "10:Sea:wolf x:0\n");
    EXPECT_EQ(player.country, 0);
}

TEST(SessionHelpers, ScanReadsLikeAColonSeparatedScan) {
    int32_t v[6] = {};
    EXPECT_EQ(SessionScanInts("1:-2: 3:x:5", v, 6), 3);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], -2);
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(SessionScanInts("99999999999", v, 6), 1);
    EXPECT_EQ(v[0], 2147483647);
    EXPECT_EQ(SessionScanInts("", v, 6), 0);
}

TEST(SessionHelpers, TheLogNameCannotLeaveTheWorkingFolder) {
    char name[64];
    SessionLogName("captainnemo", name, sizeof name);
    EXPECT_STREQ(name, "captainnemo.log");
    SessionLogName("../../etc/x", name, sizeof name);
    EXPECT_EQ(strchr(name, '/'), nullptr);
    EXPECT_NE(strncmp(name, "..", 2), 0);
    SessionLogName("", name, sizeof name);
    EXPECT_STREQ(name, "player.log");
}

TEST(PacketTable, SessionNumbersHaveHandlersAndSentOnlyNumbersHaveNone) {
    for (int n : {1, 3, 7, 10, 12, 14, 19, 22, 24, 31, 33, 35})
        EXPECT_EQ(process_packet[n], nullptr) << n;
    for (int n : {0, 2, 4, 5, 6, 9, 11, 15, 16, 17, 18, 20, 21, 23, 25, 26, 32, 34})
        EXPECT_NE(process_packet[n], nullptr) << n;
    EXPECT_STREQ(packet_name[32], "T_SCORE");
    EXPECT_STREQ(packet_name[33], "");
}

} // namespace
