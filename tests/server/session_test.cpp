// session_test.cpp -- the session protocol over loopback: login, new players, lobby, scores
#include <gtest/gtest.h>

#include <thread>

#include "server/srv_local.h"

#include <cstring>
#include "srv_test_util.h"

namespace {

struct Session : ::testing::Test {
    TestServer srv;
    void SetUp() override { ASSERT_TRUE(srv.Start()); }
};

TEST_F(Session, GreetsThenAsksForLoginAndCreatesPlayerOnlyWhenNicknameAccepted) {
    TestClient c;
    ASSERT_TRUE(c.Connect(srv.port));
    EXPECT_EQ(c.Line(), "MorningTideOverGreyHarbour");
    EXPECT_EQ(c.Line(), "2:");
    c.SendLine("1:107");
    c.SendLine("3:alice:secret");
    EXPECT_EQ(c.Line(), "9:");
    // Walks away at the nickname dialog: no account exists afterwards.
    c.Close();
    TestClient d;
    ASSERT_TRUE(d.Connect(srv.port));
    d.Line();
    d.Line();
    d.SendLine("3:alice:other");
    EXPECT_EQ(d.Line(), "9:");
    d.SendLine("10:Seawolf:1");
    EXPECT_EQ(d.Line(), "11:Seawolf:1");
    EXPECT_EQ(d.Line(), "5:Welcome to Kestrune, Seawolf. 1 captain online, 0 at sea.");
}

TEST_F(Session, RefusesBadOrTakenNicknamesUntilAGoodOne) {
    TestClient a, b;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Seawolf", 1));
    ASSERT_TRUE(b.Connect(srv.port));
    b.Line();
    b.Line();
    b.SendLine("3:bob:pw");
    EXPECT_EQ(b.Line(), "9:");
    for (const char *bad :
         {"10:SEAWOLF:0", "10::0", "10:abcdefghijklmnop:0", "10:   :1", "10:drone:0", "10:a:b:1"}) {
        b.SendLine(bad);
        EXPECT_EQ(b.Line(), "17:") << bad;
    }
    b.SendLine("10:Sea Wolf:0"); // 15 characters or fewer, blanks inside kept
    EXPECT_EQ(b.Line(), "11:Sea Wolf:0");
}

TEST_F(Session, KnownPlayerLogsInAndWrongPasswordIsRefusedAndClosed) {
    TestClient a;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Seawolf", 1));
    a.Close();
    TestClient b;
    ASSERT_TRUE(b.Connect(srv.port));
    b.Line();
    b.Line();
    b.SendLine("3:alice:wrong");
    EXPECT_EQ(b.Line(), "4:");
    EXPECT_TRUE(b.WaitClosed());
    TestClient c;
    ASSERT_TRUE(TestLogin(&c, srv.port, "alice", "pw"));
    // The same UserID from a second connection is refused while the first is on.
    TestClient d;
    ASSERT_TRUE(d.Connect(srv.port));
    d.Line();
    d.Line();
    d.SendLine("3:alice:pw");
    EXPECT_EQ(d.Line(), "4:");
    EXPECT_TRUE(d.WaitClosed());
}

TEST_F(Session, FailedLoginsAreLimitedPerAddress) {
    TestClient a;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Seawolf", 1));
    a.Close();
    for (int i = 0; i < 5; i++) {
        TestClient b;
        ASSERT_TRUE(b.Connect(srv.port));
        b.Line();
        b.Line();
        b.SendLine("3:alice:guess" + std::to_string(i));
        EXPECT_EQ(b.Line(), "4:");
    }
    TestClient c;
    ASSERT_TRUE(c.Connect(srv.port));
    c.Line();
    c.Line();
    c.SendLine("3:alice:pw"); // right, but the address has used up its tries
    EXPECT_EQ(c.Line().substr(0, 3), "16:");
    EXPECT_EQ(c.Line(), "4:");
}

TEST_F(Session, EmptyOrOverlongLoginFieldsAreRefused) {
    for (const char *bad : {"3::pw", "3:alice:", "3:abcdefghijklmnopqrstuvwxyz0123456:pw"}) {
        TestClient b;
        ASSERT_TRUE(b.Connect(srv.port));
        b.Line();
        b.Line();
        b.SendLine(bad);
        EXPECT_EQ(b.Line(), "4:") << bad;
    }
}

TEST_F(Session, LobbyInventoryJoinExitAndRefusals) {
    TestClient c;
    ASSERT_TRUE(TestNewPlayer(&c, srv.port, "alice", "pw", "Seawolf", 1));
    c.SendLine("22");
    EXPECT_EQ(c.Line(), "23:0:3:2:3:0:0");
    for (const char *bad : {"24:0:0:hms test", "24:0:4:hms test", "24:0:5:hms test"}) {
        c.SendLine(bad);
        EXPECT_EQ(c.Line(), "25:") << bad;
        EXPECT_EQ(c.Line().substr(0, 3), "16:");
    }
    c.SendLine("24:0:3:hms test");
    std::string acc = c.Line();
    ASSERT_EQ(acc.substr(0, 3), "26:");
    unsigned id = (unsigned)std::stoul(acc.substr(3));
    for (int row = 1; row <= 6; row++)
        EXPECT_EQ(c.Line().substr(0, 5), "30:" + std::to_string(row) + ":");
    std::string own = c.WaitFor("27:");
    char hex[16];
    snprintf(hex, sizeof hex, ":%x:", id);
    EXPECT_EQ(own.substr(0, 24), "27:3:Seawolf:Submarine:N");
    EXPECT_NE(own.find(hex), std::string::npos);
    c.SendLine("24:0:1:hms test"); // already at sea
    EXPECT_EQ(c.WaitFor("25:"), "25:");
    c.SendLine("33:");
    EXPECT_EQ(c.WaitFor("34:"), "34:");
    c.SendLine("33:"); // in the lobby it is still answered
    EXPECT_EQ(c.WaitFor("34:"), "34:");
}

TEST_F(Session, ScoresAreSentInRunsOfTenAndEndWithMinusOne) {
    TestClient c;
    ASSERT_TRUE(TestNewPlayer(&c, srv.port, "alice", "pw", "Seawolf", 1));
    c.SendLine("31:0:71");
    EXPECT_EQ(c.Line(), "32:0:0:0:0:0:0:0:0:0:0:0");
    EXPECT_EQ(c.Line(), "32:10:0:0:0:0:0:0:0:0:0:0");
    EXPECT_EQ(c.Line(), "32:20:0:0:0:0:0:0:0:0:0:0");
    EXPECT_EQ(c.Line(), "32:30:0:0:0:0:0:0");
    EXPECT_EQ(c.Line(), "32:42:0:0:0:0:0:0:0:0:0:0");
    EXPECT_EQ(c.Line(), "32:52:0:0:0:0:0:0:0:0");
    EXPECT_EQ(c.Line(), "32:-1");
}

TEST_F(Session, RestartKeepsAccountsScoresAndCountry) {
    {
        TestClient c;
        ASSERT_TRUE(TestNewPlayer(&c, srv.port, "alice", "pw", "Seawolf", 1));
        c.SendLine("35:0");
        c.SendLine("24:0:3:hms test");
        c.WaitFor("26:");
        c.SendLine("35:1"); // at sea: refused with a word on the radio
        EXPECT_EQ(c.WaitFor("5:"), "5:A change of country can only be made in harbour.");
        c.SendLine("33:");
        c.WaitFor("34:");
    }
    srv.Stop();
    ASSERT_TRUE(srv.Start());
    TestClient c;
    ASSERT_TRUE(c.Connect(srv.port));
    c.Line();
    c.Line();
    c.SendLine("3:alice:pw");
    EXPECT_EQ(c.Line(), "11:Seawolf:0");
    c.Line();
    c.SendLine("31:0:71");
    // The return bonus of the mission just sailed, and the same as the best submarine mission.
    EXPECT_EQ(c.Line(), "32:0:0:0:0:0:50:0:0:0:0:0");
    c.Line();
    c.Line();
    c.Line();
    c.Line();
    EXPECT_EQ(c.Line(), "32:52:0:0:0:0:0:0:50:0");
}

TEST_F(Session, BadLinesAreDroppedAndTheConnectionGoesOn) {
    TestClient c;
    ASSERT_TRUE(c.Connect(srv.port));
    c.Line();
    c.Line();
    // Before login: lobby packets, junk, numbers out of range, an over-long line, CR endings.
    c.Send("22\r\nhello\n40:x\n-1:x\n99999999999:x\n\n\r\n31:0:71\n8:1:1\n");
    c.Send(std::string(1000, '3') + "\n");
    c.Send("3:alice\n"); // no password field
    c.Send("3:alice:pw\r");
    EXPECT_EQ(c.Line(), "9:");
    c.Send("10:Seawolf\n10:Seawolf:7\n10:Seawolf:x\n"); // no country, or not 0 or 1
    c.Send("10:Seawolf:1\n");
    EXPECT_EQ(c.Line(), "11:Seawolf:1");
    c.Line();
    c.Send("24\n24:0:x:hms\n24:a:3\n35:5\n35:x\n8:0:1:0:0:0:0:0:0:0:0:0:0\n29:0:hi\n13:1:2\n");
    c.Send("22:" + std::string(400, 'x') + "\n");
    c.SendLine("22");
    EXPECT_EQ(c.Line(), "23:0:3:2:3:0:0"); // the over-long 22 counted as a 22 too
    EXPECT_EQ(c.Line(), "23:0:3:2:3:0:0");
}

TEST_F(Session, TwoClientsRacingForOneNicknameGetOneAccount) {
    TestClient a, b;
    for (TestClient *c : {&a, &b}) {
        ASSERT_TRUE(c->Connect(srv.port));
        c->Line();
        c->Line();
    }
    a.SendLine("3:anna:pw");
    b.SendLine("3:bert:pw");
    EXPECT_EQ(a.Line(), "9:");
    EXPECT_EQ(b.Line(), "9:");
    a.SendLine("10:Twin:0");
    b.SendLine("10:twin:1");
    std::string ra = a.Line(), rb = b.Line();
    EXPECT_TRUE((ra == "11:Twin:0" && rb == "17:") || (ra == "17:" && rb == "11:twin:1"))
        << ra << " / " << rb;
}

TEST_F(Session, SameNewUserIdOnTwoConnectionsGetsOneAccount) {
    TestClient a, b;
    ASSERT_TRUE(a.Connect(srv.port));
    ASSERT_TRUE(b.Connect(srv.port));
    a.Line(), a.Line(), b.Line(), b.Line();
    a.SendLine("3:same:pw");
    EXPECT_EQ(a.Line(), "9:");
    b.SendLine("3:same:pw");
    EXPECT_EQ(b.Line(), "4:");
    a.SendLine("10:First:0");
    EXPECT_EQ(a.Line(), "11:First:0");
}

TEST_F(Session, FloodAndNonReaderAreClosedAloneOthersGoOn) {
    TestClient ok;
    ASSERT_TRUE(TestNewPlayer(&ok, srv.port, "calm", "pw", "Calm", 0));
    TestClient flood;
    ASSERT_TRUE(TestNewPlayer(&flood, srv.port, "loud", "pw", "Loud", 0));
    std::string burst;
    for (int i = 0; i < 2000; i++)
        burst += "22\n";
    flood.Send(burst);
    EXPECT_TRUE(flood.WaitClosed(5000));
    // A line without end, sent fast, is a flood of bytes.
    TestClient endless;
    ASSERT_TRUE(endless.Connect(srv.port));
    std::string junk(1 << 20, 'x');
    endless.Send(junk);
    EXPECT_TRUE(endless.WaitClosed(5000));
    ok.SendLine("22");
    EXPECT_EQ(ok.Line(), "23:0:3:2:3:0:0");
}

TEST(SessionSlowReader, ClientThatStopsReadingIsClosed) {
    TestServer srv;
    srv.cfg.out_limit = 4096;
    srv.cfg.line_burst = 100000;
    srv.cfg.line_rate = 100000;
    ASSERT_TRUE(srv.Start());
    TestClient c;
    ASSERT_TRUE(TestNewPlayer(&c, srv.port, "slow", "pw", "Slow", 0));
    std::string many;
    for (int i = 0; i < 3000; i++)
        many += "31:0:71\n";
    c.Send(many); // some 600 KB of answers, none read yet
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::vector<std::string> got = c.Drain(2000);
    EXPECT_TRUE(c.eof);
    int ends = 0;
    for (auto &l : got)
        ends += l == "32:-1";
    EXPECT_LT(ends, 3000);
}

TEST_F(Session, OperatorAnnouncementReachesEveryPlayer) {
    TestClient a, b;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Seawolf", 1));
    ASSERT_TRUE(TestNewPlayer(&b, srv.port, "bob", "pw", "Bob", 0));
    ASSERT_EQ(SrvRunCommand(srv.cfg, "announce", "Storm warning"), 0);
    EXPECT_EQ(a.WaitFor("5:"), "5:Announcement: Storm warning");
    EXPECT_EQ(b.WaitFor("5:"), "5:Announcement: Storm warning");
}

TEST(SessionInventory, ReplenishesOneShipPerClassPerPeriodUpToTheAllotment) {
    PlayerRecord r;
    int32_t start[6] = {0, 0, 1, 3, 0, 0};
    memcpy(r.inv, start, sizeof start);
    r.inv_time = 1000;
    SessionReplenish(&r, 1000 + 1199);
    EXPECT_EQ(r.inv[1], 0);
    SessionReplenish(&r, 1000 + 1200);
    EXPECT_EQ(r.inv[1], 1);
    EXPECT_EQ(r.inv[2], 2);
    EXPECT_EQ(r.inv[3], 3);
    EXPECT_EQ(r.inv_time, 2200);
    SessionReplenish(&r, 2200 + 5 * 1200);
    EXPECT_EQ(r.inv[1], 3);
    EXPECT_EQ(r.inv[2], 2);
    EXPECT_EQ(r.inv[0], 0);
    EXPECT_EQ(r.inv_time, 2200 + 5 * 1200); // full: the clock waits for the next loss
}

} // namespace

// With no ship of a class left, the join is refused and the reason comes as one dialog line: a
// line feed inside it would end the line, and the client would never see the second sentence.
TEST_F(Session, NoShipReadyIsRefusedInOneDialogLine) {
    TestClient c;
    ASSERT_TRUE(TestNewPlayer(&c, srv.port, "empty", "pw", "Empty", 1));
    SrvCall(srv.h, [&] {
        for (auto &kv : SrvServerOf(srv.h)->conns)
            if (kv.second->rec.userid == "empty") {
                kv.second->rec.inv[3] = 0;
                kv.second->rec.inv_time = SrvNow();
            }
    });
    c.SendLine("24:0:3:hms none");
    EXPECT_EQ(c.WaitFor("25:"), "25:");
    std::string dialog = c.WaitFor("16:");
    EXPECT_NE(dialog.find("No submarine is ready for you. A new one is commissioned every"),
              std::string::npos)
        << dialog;
    EXPECT_NE(dialog.find("minutes."), std::string::npos) << dialog;
    EXPECT_EQ(c.Drain(300).size(), 0u) << "a second line came with the refusal";
}
