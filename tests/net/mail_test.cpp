// mail_test.cpp -- the feedback mail client against a scripted SMTP peer on loopback
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/mail.h"
#include "net/session.h"
#include "shell/debug.h"
#include "shell/shell.h"

namespace {

// One step of the peer's side of the exchange.
struct Step {
    enum Kind { SEND, LINE, UNTIL, QUIET, CLOSE } kind;
    std::string text; // SEND: bytes to send; LINE/UNTIL: what the client must have sent
    int ms = 0;       // SEND: pause before sending; QUIET: how long nothing may arrive
};

Step Send(std::string text, int pause_ms = 0) {
    return {Step::SEND, std::move(text), pause_ms};
}
Step Line(std::string text) { // empty: any one line
    return {Step::LINE, std::move(text)};
}
Step Until(std::string text) {
    return {Step::UNTIL, std::move(text)};
}
Step Quiet(int ms) {
    return {Step::QUIET, "", ms};
}
Step Close() {
    return {Step::CLOSE, ""};
}

// An SMTP server that plays a fixed script on one connection and notes what the client sent.
struct Peer {
    int listener = -1;
    int port = 0;
    std::thread thread;
    std::vector<std::string> failures;
    std::string received; // everything the client sent, in order
    bool saw_close = false;

    explicit Peer(std::vector<Step> script) {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int one = 1;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        EXPECT_EQ(0, bind(listener, (sockaddr *)&a, sizeof a));
        EXPECT_EQ(0, listen(listener, 1));
        socklen_t len = sizeof a;
        getsockname(listener, (sockaddr *)&a, &len);
        port = ntohs(a.sin_port);
        thread = std::thread([this, script] { Run(script); });
    }
    ~Peer() {
        if (thread.joinable()) thread.join();
        close(listener);
    }
    void Join() { thread.join(); }

    // Reads whatever arrives within ms into pending; false when the client closed or failed.
    bool Read(int fd, std::string *pending, int ms) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0) return true;
        char buf[4096];
        ssize_t got = recv(fd, buf, sizeof buf, 0);
        if (got <= 0) {
            saw_close = true;
            return false;
        }
        pending->append(buf, (size_t)got);
        received.append(buf, (size_t)got);
        return true;
    }

    // Takes from pending everything up to and including the first end, waiting up to 5 s.
    bool Take(int fd, std::string *pending, const std::string &end, std::string *out) {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            size_t at = pending->find(end);
            if (at != std::string::npos) {
                *out = pending->substr(0, at + end.size());
                pending->erase(0, at + end.size());
                return true;
            }
            if (std::chrono::steady_clock::now() > until || !Read(fd, pending, 50)) return false;
        }
    }

    void Run(std::vector<Step> script) {
        pollfd p = {listener, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) {
            failures.push_back("no connection");
            return;
        }
        int fd = accept(listener, nullptr, nullptr);
        std::string pending, got;
        for (const Step &step : script) {
            switch (step.kind) {
            case Step::SEND:
                if (step.ms) std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
                send(fd, step.text.data(), step.text.size(), MSG_NOSIGNAL);
                break;
            case Step::LINE:
            case Step::UNTIL:
                // A body is read up to its closing dot line, anything else up to its line feed.
                if (!Take(fd, &pending, step.kind == Step::LINE ? "\n" : "\n.\n", &got))
                    failures.push_back("missing: " + step.text + " (had: " + pending + ")");
                else if (!step.text.empty() && got != step.text)
                    failures.push_back("expected: " + step.text + " got: " + got);
                break;
            case Step::QUIET:
                Read(fd, &pending, step.ms);
                if (!pending.empty()) failures.push_back("sent too early: " + pending);
                break;
            case Step::CLOSE:
                close(fd);
                return;
            }
        }
        // The client must close its side once the script is done.
        while (Read(fd, &pending, 2000) && !saw_close) {
        }
        if (!pending.empty()) failures.push_back("unexpected: " + pending);
        close(fd);
    }
};

class MailTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InitializeDebug("mail_test.log");
        strcpy(hostname, "127.0.0.1");
        strcpy(player.userid, "captain");
        mail_reply_timeout = 5000;
    }
    void TearDown() override { unsetenv("KESTRUNE_SMTP_PORT"); }
    void Use(const Peer &peer) {
        setenv("KESTRUNE_SMTP_PORT", std::to_string(peer.port).c_str(), 1);
    }
    static std::string Log() {
        std::ifstream in("mail_test.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

const std::string FROM = "mail from: captain@" MAIL_SENDER_DOMAIN "\n";
const std::string RCPT = "rcpt to: " MAIL_FEEDBACK_RECIPIENT "\n";

// The whole exchange for a suggestion, each command only after the reply before it.
std::vector<Step> Script(const std::string &body, std::vector<Step> greeting = {}) {
    std::vector<Step> s = greeting;
    if (s.empty()) s = {Quiet(50), Send("220 kestrune ready\n")};
    for (Step step : {Line(FROM), Quiet(50), Send("250 OK\n"), Line(RCPT), Quiet(50),
                      Send("250 OK\n"), Line("data\n"), Send("354 go ahead\n"), Until(body),
                      Quiet(50), Send("250 queued\n"), Line("QUIT\n"), Send("221 bye\n")})
        s.push_back(step);
    return s;
}

} // namespace

TEST_F(MailTest, SuggestionGoesOutInOrderWithLineFeedsOnly) {
    Peer peer(Script("subject: SUGGESTION\n\nMore torpedoes\r\nplease\n.\n"));
    Use(peer);
    EXPECT_EQ(1, IPSendMail(MAIL_FEEDBACK_RECIPIENT, "SUGGESTION", "More torpedoes\r\nplease"));
    peer.Join();
    EXPECT_TRUE(peer.failures.empty()) << ::testing::PrintToString(peer.failures);
    EXPECT_TRUE(peer.saw_close);
    EXPECT_EQ(FROM + RCPT + "data\nsubject: SUGGESTION\n\nMore torpedoes\r\nplease\n.\nQUIT\n",
              peer.received);
    EXPECT_NE(std::string::npos, Log().find("IPSendMail: Connection OK"));
}

TEST_F(MailTest, RepliesAreMatchedPerChunkAndAcrossReceives) {
    // The greeting arrives in two pieces; two 250 lines in one chunk count as one reply; a
    // refusal is skipped; an over-long line is cut without harm and still matches.
    std::string long_line = "250 " + std::string(1000, 'x') + "\r\n";
    std::vector<Step> s = {Send("22"),
                           Send("0 ready\n", 100),
                           Line(FROM),
                           Send("250-Hello\n250 OK\n"),
                           Line(RCPT),
                           Quiet(200), // the second 250 line must not answer the next wait
                           Send("550 no such user\n"),
                           Quiet(200),
                           Send(long_line),
                           Line("data\n"),
                           Until("subject: BUG REPORT\n\nIt sank\n.\n"),
                           Send("250 queued\n"),
                           Line("QUIT\n"),
                           Send("221 bye\n")};
    Peer peer(s);
    Use(peer);
    EXPECT_EQ(1, IPSendMail(MAIL_FEEDBACK_RECIPIENT, "BUG REPORT", "It sank"));
    peer.Join();
    EXPECT_TRUE(peer.failures.empty()) << ::testing::PrintToString(peer.failures);
}

TEST_F(MailTest, ADotLineCannotEndTheTextEarly) {
    Peer peer(Script("subject: BUG REPORT\n\n..\r\nafter\r\n...dots\n.\n"));
    Use(peer);
    EXPECT_EQ(1, IPSendMail(MAIL_FEEDBACK_RECIPIENT, "BUG REPORT", ".\r\nafter\r\n..dots"));
    peer.Join();
    EXPECT_TRUE(peer.failures.empty()) << ::testing::PrintToString(peer.failures);
}

TEST_F(MailTest, LongFieldsAreCutToCommandLines) {
    std::string id(31, 'u'), recipient(300, 'r'), subject(300, 's');
    strcpy(player.userid, id.c_str());
    // Any line is taken here; what the lines hold is looked at below.
    std::vector<Step> s = {
        Send("220 ready\n"), Line(""),  Send("250 OK\n"), Line(""),       Send("250 OK\n"),
        Line("data\n"),      Until(""), Send("250 OK\n"), Line("QUIT\n"), Send("221 bye\n")};
    Peer peer(s);
    Use(peer);
    EXPECT_EQ(1, IPSendMail(recipient.c_str(), subject.c_str(), "hi"));
    peer.Join();
    std::istringstream lines(peer.received);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line))
        all.push_back(line);
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(0u, all[0].rfind("mail from: " + id + "@" MAIL_SENDER_DOMAIN, 0));
    EXPECT_EQ(0u, all[1].rfind("rcpt to: rrr", 0));
    EXPECT_EQ(0u, all[3].rfind("subject: sss", 0));
    for (int i : {0, 1, 3})
        EXPECT_LE(all[i].size() + 1, 79u) << all[i];
}

TEST_F(MailTest, APeerThatClosesMidScriptEndsTheCall) {
    Peer peer({Send("220 ready\n"), Line(FROM), Close()});
    Use(peer);
    mail_reply_timeout = 30000;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, IPSendMail(MAIL_FEEDBACK_RECIPIENT, "SUGGESTION", "x"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    peer.Join();
    EXPECT_NE(std::string::npos, Log().find("connection closed while waiting for 250"));
}

TEST_F(MailTest, APeerThatClosesWhileTheTextGoesOutEndsTheCall) {
    // Sends to a closed connection must fail, not end the program with a broken-pipe signal.
    Peer peer({Send("220 ready\n"), Line(FROM), Send("250 OK\n"), Line(RCPT), Send("250 OK\n"),
               Line("data\n"), Close()});
    Use(peer);
    std::string text;
    for (int i = 0; i < 2000; i++)
        text += "line " + std::to_string(i) + " of a long report\r\n";
    EXPECT_EQ(0, IPSendMail(MAIL_FEEDBACK_RECIPIENT, "BUG REPORT", text.c_str()));
    peer.Join();
}

TEST_F(MailTest, ASilentPeerIsGivenUpAfterTheTimeout) {
    Peer peer({Quiet(1500), Close()});
    Use(peer);
    mail_reply_timeout = 300;
    EXPECT_EQ(0, IPSendMail(MAIL_FEEDBACK_RECIPIENT, "SUGGESTION", "x"));
    peer.Join();
    EXPECT_NE(std::string::npos, Log().find("IPWaitForReply: no 220 within 300 ms"));
}

TEST_F(MailTest, NoListenerMeansNoConnection) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, (sockaddr *)&a, sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, (sockaddr *)&a, &len);
    setenv("KESTRUNE_SMTP_PORT", std::to_string(ntohs(a.sin_port)).c_str(), 1);
    close(fd); // bound but never listening, then gone: nothing answers on that port
    EXPECT_EQ(0, IPSendMail(MAIL_FEEDBACK_RECIPIENT, "SUGGESTION", "x"));
    EXPECT_NE(std::string::npos, Log().find("IPSendMail: connect() failed"));
}
