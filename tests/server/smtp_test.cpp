// smtp_test.cpp -- the feedback mailbox: the client's short exchange and the usual commands
#include <gtest/gtest.h>

#include <thread>

#include "server/srv_db.h"
#include "srv_test_util.h"

namespace {

struct Smtp : ::testing::Test {
    TestServer srv;
    void SetUp() override {
        ASSERT_TRUE(srv.Start());
        ASSERT_GT(srv.mail_port, 0);
    }
    std::vector<FeedbackRecord> Mails() {
        Db db;
        std::string err;
        std::vector<FeedbackRecord> out;
        if (!DbOpen(&db, srv.cfg.db_path, &err)) return out;
        DbListFeedback(&db, [&](const FeedbackRecord &f) { out.push_back(f); });
        DbClose(&db);
        return out;
    }
};

TEST_F(Smtp, ClientExchangeIsStoredWithSubjectAndText) {
    TestClient m;
    ASSERT_TRUE(m.Connect(srv.mail_port));
    EXPECT_EQ(m.Line().substr(0, 4), "220 ");
    m.Send("mail from: alice@players.kestrune\n");
    EXPECT_EQ(m.Line().substr(0, 4), "250 ");
    m.Send("rcpt to: feedback@kestrune\n");
    EXPECT_EQ(m.Line().substr(0, 4), "250 ");
    // The client does not wait for 354 before the text.
    m.Send("data\n");
    m.Send("subject: SUGGESTION\n\n");
    m.Send("More convoys, please.\r\nAnd fog.\n.\n");
    EXPECT_EQ(m.Line().substr(0, 4), "354 ");
    EXPECT_EQ(m.Line().substr(0, 4), "250 ");
    m.Send("QUIT\n");
    EXPECT_EQ(m.Line().substr(0, 4), "221 ");
    EXPECT_TRUE(m.WaitClosed());
    auto mails = Mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].sender, "alice@players.kestrune");
    EXPECT_EQ(mails[0].recipient, "feedback@kestrune");
    EXPECT_EQ(mails[0].subject, "SUGGESTION");
    EXPECT_EQ(mails[0].body, "More convoys, please.\nAnd fog.");
    EXPECT_EQ(mails[0].peer, "127.0.0.1");
}

TEST_F(Smtp, MailSplitAcrossReadsByteByByte) {
    TestClient m;
    ASSERT_TRUE(m.Connect(srv.mail_port));
    m.Line();
    std::string all = "MAIL FROM:<bob@x>\nRCPT TO:<fb@y>\nDATA\nSubject: BUG REPORT\n\n"
                      "..leading dot\nsecond\n.\nQUIT\n";
    for (char ch : all) {
        m.Send(std::string(1, ch));
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    EXPECT_TRUE(m.WaitClosed());
    auto mails = Mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].sender, "bob@x");
    EXPECT_EQ(mails[0].subject, "BUG REPORT");
    EXPECT_EQ(mails[0].body, ".leading dot\nsecond");
}

TEST_F(Smtp, GreetingsResetNoopAndOrderErrors) {
    TestClient m;
    ASSERT_TRUE(m.Connect(srv.mail_port));
    m.Line();
    m.Send("EHLO client\r\n");
    EXPECT_EQ(m.Line().substr(0, 4), "250-");
    EXPECT_EQ(m.Line().substr(0, 4), "250 ");
    m.Send("HELO client\r\nNOOP\r\nRCPT TO: a@b\r\nDATA\r\nFOO\r\n");
    EXPECT_EQ(m.Line().substr(0, 4), "250 ");
    EXPECT_EQ(m.Line().substr(0, 4), "250 ");
    EXPECT_EQ(m.Line().substr(0, 4), "503 ");
    EXPECT_EQ(m.Line().substr(0, 4), "503 ");
    EXPECT_EQ(m.Line().substr(0, 4), "500 ");
    m.Send("MAIL FROM: a@b\r\nRSET\r\nRCPT TO: c@d\r\n");
    EXPECT_EQ(m.Line().substr(0, 4), "250 ");
    EXPECT_EQ(m.Line().substr(0, 4), "250 ");
    EXPECT_EQ(m.Line().substr(0, 4), "503 "); // the reset forgot the sender
    m.Send(std::string(5000, 'x') + "\r\n");
    EXPECT_EQ(m.Line().substr(0, 4), "500 ");
    EXPECT_TRUE(Mails().empty());
}

TEST_F(Smtp, MailStaysStoredAcrossRestart) {
    TestClient m;
    ASSERT_TRUE(m.Connect(srv.mail_port));
    m.Line();
    m.Send("mail from: a@b\nrcpt to: c@d\ndata\nsubject: SUGGESTION\n\nhi\n.\nQUIT\n");
    EXPECT_TRUE(m.WaitClosed());
    srv.Stop();
    EXPECT_EQ(Mails().size(), 1u);
}

} // namespace
