// hostile_mail_test.cpp -- attacks on the feedback mailbox while well-behaved players are timed
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "hostile_probe.h"
#include "server/srv_db.h"
#include "srv_test_util.h"

namespace {

using Clock = std::chrono::steady_clock;

// Scheduling noise on a shared test machine: below this a p99 is not told apart from another.
const double P99_FLOOR_MS = 5.0;
// What an attack may add to the memory of the process that holds the server.
const long RSS_GROWTH_MAX_KB = 32 * 1024;

// A mail connection from one loopback address (127.0.0.N), so that limits per address can be
// told apart from the well-behaved sender on 127.0.0.1.
bool MailConnect(TestClient *c, int port, const std::string &from_ip) {
    c->Close();
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    if (c->rcvbuf) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &c->rcvbuf, sizeof c->rcvbuf);
    sockaddr_in src{};
    src.sin_family = AF_INET;
    inet_pton(AF_INET, from_ip.c_str(), &src.sin_addr);
    sockaddr_in dst{};
    dst.sin_family = AF_INET;
    dst.sin_port = htons((uint16_t)port);
    dst.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, (sockaddr *)&src, sizeof src) != 0 ||
        connect(fd, (sockaddr *)&dst, sizeof dst) != 0) {
        close(fd);
        return false;
    }
    c->fd = fd;
    c->eof = false;
    c->buf.clear();
    return true;
}

std::string Code(const std::string &line) {
    return line.substr(0, 4);
}

// One mail the way the game's client sends it, on an open connection past the greeting.
// Returns the reply that ends it: the one to the text, or the refusal that came first.
std::string MailOne(TestClient *m, const std::string &from, const std::string &text) {
    m->Send("mail from: " + from + "\n");
    std::string r = m->Line();
    if (Code(r) != "250 ") return r;
    m->Send("rcpt to: feedback@kestrune\n");
    r = m->Line();
    if (Code(r) != "250 ") return r;
    m->Send("data\nsubject: BUG REPORT\n\n" + text + "\n.\n");
    r = m->Line();
    if (Code(r) != "354 ") return r;
    return m->Line();
}

// A whole well-behaved dialogue from one address; the reply to the text, or what went wrong.
std::string SendMail(int port, const std::string &ip, const std::string &from,
                     const std::string &text) {
    TestClient m;
    if (!MailConnect(&m, port, ip)) return "<no connection>";
    std::string g = m.Line();
    if (Code(g) != "220 ") return g;
    std::string r = MailOne(&m, from, text);
    m.Send("QUIT\n");
    return r;
}

bool Stored(const std::string &reply) {
    return Code(reply) == "250 ";
}

struct HostileMail : ::testing::Test {
    TestServer srv;
    HostileProbe probe;
    ProbeStats before;

    // Limits are set by each test before Start.
    void StartWithPlayers() {
        ASSERT_TRUE(srv.Start());
        ASSERT_GT(srv.mail_port, 0);
        ASSERT_TRUE(probe.Start(srv.port, 3, 20));
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // past the first logins
        probe.Reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        before = probe.Stats();
        ASSERT_GT(before.samples, 50u);
        probe.Reset();
    }

    // The players kept their connections, their p99 during the attack stayed within three times
    // what it was before, and the server's memory within its bound.
    void ExpectPlayersUnharmed(const char *attack) {
        ProbeStats during = probe.Stats();
        printf("[ %s ] players p50/p99 before %.2f/%.2f ms, during %.2f/%.2f ms (%zu samples), "
               "rss %ld kB\n",
               attack, before.p50_ms, before.p99_ms, during.p50_ms, during.p99_ms, during.samples,
               during.rss_kb);
        EXPECT_TRUE(probe.AllConnected());
        EXPECT_EQ(during.failures, 0u);
        EXPECT_GT(during.samples, 20u);
        if (ProbeLatencyChecked()) {
            EXPECT_LE(during.p99_ms, 3.0 * std::max(before.p99_ms, P99_FLOOR_MS));
        }
        if (!HOSTILE_TIMED) return;
        EXPECT_LT(during.rss_kb - before.rss_kb, RSS_GROWTH_MAX_KB);
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

// Pipelined NOOPs from a client that never reads: its replies may not pile up in the server.
// The attacker reconnects whenever it is cut off, for two seconds.
TEST_F(HostileMail, UnreadRepliesAreBoundedAndTheSenderIsCutOff) {
    srv.cfg.mail_out_limit = 64 * 1024;
    StartWithPlayers();
    std::string noops;
    for (int i = 0; i < 8192; i++)
        noops += "NOOP\r\n";
    long rss0 = ProbeRssKb(), rss_peak = rss0;
    int connections = 0, cuts = 0;
    size_t sent = 0;
    Clock::time_point t0 = Clock::now(), sampled = t0;
    while (Clock::now() - t0 < std::chrono::seconds(2) && connections < 500) {
        TestClient attacker;
        attacker.rcvbuf = 4096;
        if (!MailConnect(&attacker, srv.mail_port, "127.0.0.2")) break;
        connections++;
        bool cut = false;
        Clock::time_point c0 = Clock::now();
        while (!cut && Clock::now() - c0 < std::chrono::seconds(3)) {
            ssize_t n = send(attacker.fd, noops.data(), noops.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0)
                sent += (size_t)n;
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                cut = true;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (Clock::now() - sampled > std::chrono::milliseconds(20)) {
                rss_peak = std::max(rss_peak, ProbeRssKb());
                sampled = Clock::now();
            }
        }
        EXPECT_TRUE(cut) << "a client that never reads its replies was not cut off";
        if (!cut) break;
        cuts++;
    }
    rss_peak = std::max(rss_peak, ProbeRssKb());
    printf("[ noop flood ] %d connections cut off of %d, %zu bytes sent, rss %ld -> peak %ld kB\n",
           cuts, connections, sent, rss0, rss_peak);
    EXPECT_GE(cuts, 2);
    EXPECT_LT(rss_peak - rss0, 16 * 1024) << "the server's memory grew with unread replies";
    ExpectPlayersUnharmed("noop flood");

    EXPECT_TRUE(Stored(SendMail(srv.mail_port, "127.0.0.1", "alice@players", "after the flood")));
    auto mails = Mails();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].body, "after the flood");
}

// Reconnecting senders store no more than their daily share; everything acknowledged is kept.
TEST_F(HostileMail, ReconnectingSendersStayWithinTheirDailyShare) {
    srv.cfg.mail_per_sender = 3;
    srv.cfg.mail_per_peer = 8;
    srv.cfg.mail_max_stored = 1000;
    srv.cfg.mail_max_bytes = 64 << 20;
    StartWithPlayers();
    const int SENDERS = 16, ADDRESSES = 4;
    std::mutex mutex;
    std::set<std::string> acked;
    std::map<std::string, int> refusals; // reply code -> count
    std::atomic<int> connections{0};
    std::vector<std::thread> senders;
    const std::string padding(20000, 'x');
    Clock::time_point t0 = Clock::now();
    for (int s = 0; s < SENDERS; s++) {
        senders.emplace_back([&, s] {
            std::string ip = "127.0.0." + std::to_string(2 + s % ADDRESSES);
            std::string from = "spammer" + std::to_string(s) + "@x";
            // Each reconnects and tries five mails a connection, for two seconds.
            for (int round = 0; round < 1000 && Clock::now() - t0 < std::chrono::seconds(2);
                 round++) {
                if (round) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                TestClient m;
                if (!MailConnect(&m, srv.mail_port, ip)) continue;
                connections++;
                std::string g = m.Line();
                if (Code(g) != "220 ") {
                    std::lock_guard<std::mutex> lock(mutex);

                    refusals[Code(g)]++;
                    continue;
                }
                for (int k = 0; k < 5; k++) {
                    std::string token = "tok-" + std::to_string(s) + "-" + std::to_string(round) +
                                        "-" + std::to_string(k);
                    std::string r = MailOne(&m, from, token + " " + padding);
                    std::lock_guard<std::mutex> lock(mutex);
                    if (Stored(r)) {
                        acked.insert(token);
                    } else {
                        refusals[Code(r)]++;
                        break;
                    }
                }
            }
        });
    }
    for (auto &t : senders)
        t.join();
    ExpectPlayersUnharmed("reconnecting senders");
    for (auto &kv : refusals)
        printf("[ senders ] refusal %s x %d\n", kv.first.c_str(), kv.second);
    printf("[ senders ] %d connections, %zu mails acknowledged\n", connections.load(),
           acked.size());

    auto mails = Mails();
    std::map<std::string, int> per_sender, per_peer;
    std::set<std::string> tokens;
    for (auto &f : mails) {
        per_sender[f.sender]++;
        per_peer[f.peer]++;
        tokens.insert(f.body.substr(0, f.body.find(' ')));
    }
    EXPECT_LE(mails.size(), (size_t)(ADDRESSES * srv.cfg.mail_per_peer));
    for (auto &kv : per_sender)
        EXPECT_LE(kv.second, srv.cfg.mail_per_sender) << kv.first;
    for (auto &kv : per_peer)
        EXPECT_LE(kv.second, srv.cfg.mail_per_peer) << kv.first;
    for (const std::string &t : acked)
        EXPECT_TRUE(tokens.count(t)) << t << " was acknowledged but is not stored";
    EXPECT_EQ(tokens.size(), acked.size());
    EXPECT_GT(refusals["450 "], 0) << "the senders were never told they were over their share";

    // A player's report still gets through, and a second sender name from a spent address
    // does not.
    EXPECT_TRUE(Stored(SendMail(srv.mail_port, "127.0.0.1", "alice@players", "real report")));
    EXPECT_EQ(Code(SendMail(srv.mail_port, "127.0.0.2", "fresh@x", "more")), "450 ");
}

// A full mailbox refuses new mail with a clear reply, keeps what it has, and stays full across a
// restart.
TEST_F(HostileMail, FullMailboxRefusesAndKeepsWhatItHas) {
    srv.cfg.mail_max_stored = 6;
    srv.cfg.mail_max_bytes = 500 * 1024;
    srv.cfg.mail_per_peer = 1000;
    StartWithPlayers();
    std::vector<std::string> acked;
    std::string big(200 * 1024, 'b');
    std::string last;
    for (int i = 0; i < 4; i++) {
        std::string token = "big" + std::to_string(i);
        last = SendMail(srv.mail_port, "127.0.0.2", "s" + token + "@x", token + " " + big);
        if (Stored(last)) acked.push_back(token);
    }
    EXPECT_EQ(acked.size(), 2u) << "two 200 KiB mails fit in 500 KiB, a third does not";
    EXPECT_EQ(Code(last), "452 ");
    EXPECT_NE(last.find("full"), std::string::npos) << last;
    for (int i = 0; i < 8; i++) {
        std::string token = "small" + std::to_string(i);
        last = SendMail(srv.mail_port, "127.0.0.3", "s" + token + "@x", token + " hi");
        if (Stored(last)) acked.push_back(token);
    }
    EXPECT_EQ(acked.size(), 6u);
    EXPECT_EQ(Code(last), "452 ");
    // Knocking on a full mailbox for two seconds stores nothing more.
    int knocks = 0;
    for (Clock::time_point t0 = Clock::now();
         Clock::now() - t0 < std::chrono::seconds(2) && knocks < 2000; knocks++) {
        std::string r = SendMail(srv.mail_port, "127.0.0.4", "k" + std::to_string(knocks) + "@x",
                                 "knock " + big.substr(0, 1000));
        ASSERT_EQ(Code(r), "452 ") << r;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ExpectPlayersUnharmed("full mailbox");

    srv.Stop();
    ASSERT_TRUE(srv.Start());
    EXPECT_EQ(Code(SendMail(srv.mail_port, "127.0.0.1", "alice@players", "late")), "452 ");
    auto mails = Mails();
    ASSERT_EQ(mails.size(), 6u);
    int64_t bytes = 0;
    for (size_t i = 0; i < mails.size(); i++) {
        EXPECT_EQ(mails[i].body.substr(0, mails[i].body.find(' ')), acked[i]);
        bytes += (int64_t)mails[i].body.size();
    }
    EXPECT_LE(bytes, srv.cfg.mail_max_bytes);
}

// Slow connections that trickle a byte now and then: an address holds only its share of the
// slots, no connection outlives the dialogue limit, and a real mail gets in meanwhile.
TEST_F(HostileMail, SlowConnectionsCannotHoldTheMailSlots) {
    srv.cfg.mail_max_conns = 32;
    srv.cfg.mail_conns_per_addr = 4;
    srv.cfg.mail_idle_s = 2;
    srv.cfg.mail_session_s = 3;
    StartWithPlayers();
    const int ADDRESSES = 8, PER_ADDRESS = 6;
    std::vector<std::unique_ptr<TestClient>> slow;
    std::vector<Clock::time_point> opened;
    int admitted = 0, refused = 0;
    for (int a = 0; a < ADDRESSES; a++)
        for (int k = 0; k < PER_ADDRESS; k++) {
            auto c = std::make_unique<TestClient>();
            ASSERT_TRUE(MailConnect(c.get(), srv.mail_port, "127.0.0." + std::to_string(10 + a)));
            std::string g = c->Line();
            if (Code(g) == "220 ") {
                admitted++;
                opened.push_back(Clock::now());
                slow.push_back(std::move(c));
            } else {
                EXPECT_EQ(Code(g), "421 ") << g;
                refused++;
            }
        }
    EXPECT_EQ(admitted, 32);
    EXPECT_EQ(refused, ADDRESSES * PER_ADDRESS - 32);

    // Every slot is held; a player's report still gets one and is stored.
    std::atomic<bool> stop{false};
    std::thread trickle([&] {
        while (!stop) {
            for (auto &c : slow)
                c->Send("N");
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    });
    std::string r = SendMail(srv.mail_port, "127.0.0.1", "alice@players", "during the siege");
    EXPECT_TRUE(Stored(r)) << r;

    // The trickle beats the idle timer, not the limit on the whole dialogue.
    int cut_in_time = 0;
    for (size_t i = 0; i < slow.size(); i++) {
        bool closed = slow[i]->WaitClosed(6000);
        double held = std::chrono::duration<double>(Clock::now() - opened[i]).count();
        if (closed && held < srv.cfg.mail_session_s + 2.0) cut_in_time++;
    }
    stop = true;
    trickle.join();
    EXPECT_EQ(cut_in_time, (int)slow.size());
    ExpectPlayersUnharmed("slow connections");

    EXPECT_TRUE(Stored(SendMail(srv.mail_port, "127.0.0.1", "bob@players", "after the siege")));
    auto mails = Mails();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].body, "during the siege");
    EXPECT_EQ(mails[1].body, "after the siege");
}

// Escape sequences in a mail reach the operator's terminal only as visible text.
TEST(MailOperator, ListFeedbackShowsControlCharactersEscaped) {
    TestServer srv;
    ASSERT_TRUE(srv.Start());
    std::string subject = "\x1b]0;owned\x07SUGGESTION";
    std::string body = "\x1b[2J\x1b[31mred\x1b[0m\r\n\tindented\nline two\x7f\n"
                       "caf\xc3\xa9 \xc2\x9b"
                       "6n \x9b"
                       "1m bad \xff";
    TestClient m;
    ASSERT_TRUE(MailConnect(&m, srv.mail_port, "127.0.0.1"));
    m.Line();
    m.Send("mail from: <evil\x1b[8m@x>\n");
    EXPECT_EQ(Code(m.Line()), "250 ");
    m.Send("rcpt to: feedback@kestrune\ndata\nsubject: " + subject + "\n\n" + body + "\n.\n");
    m.Line();
    m.Line();
    EXPECT_EQ(Code(m.Line()), "250 ");
    m.Send("QUIT\n");
    EXPECT_TRUE(m.WaitClosed());

    testing::internal::CaptureStdout();
    int status = SrvRunCommand(srv.cfg, "list-feedback", "");
    fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0);
    for (size_t i = 0; i < out.size(); i++) {
        unsigned char ch = (unsigned char)out[i];
        bool control = (ch < 0x20 && ch != '\n' && ch != '\t') || ch == 0x7f || ch == 0x9b ||
                       ch == 0xff ||
                       (ch == 0xc2 && i + 1 < out.size() && (unsigned char)out[i + 1] >= 0x80 &&
                        (unsigned char)out[i + 1] <= 0x9f);
        EXPECT_FALSE(control) << "byte " << (int)ch << " at " << i << " reaches the terminal";
    }
    EXPECT_NE(out.find("From: evil\\x1b[8m@x\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Subject: \\x1b]0;owned\\x07SUGGESTION\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n\\x1b[2J\\x1b[31mred\\x1b[0m\n\tindented\nline two\\x7f\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("caf\xc3\xa9 \\xc2\\x9b6n \\x9b1m bad \\xff\n"), std::string::npos) << out;
    EXPECT_NE(out.find("1 mail\n"), std::string::npos);
}

// Every mail limit is an option an operator can set, and a nonsensical value is refused.
TEST(MailOptions, EveryLimitIsAnOptionAndZeroIsRefused) {
    const char *argv[] = {"kestrune-server",
                          "--mail-max-conns",
                          "7",
                          "--mail-conns-per-addr",
                          "2",
                          "--mail-idle-s",
                          "9",
                          "--mail-session-s",
                          "30",
                          "--mail-out-limit",
                          "999",
                          "--mail-per-sender",
                          "4",
                          "--mail-per-peer",
                          "5",
                          "--mail-max-stored",
                          "6",
                          "--mail-max-mb",
                          "3"};
    ServerConfig cfg;
    std::string command, arg;
    ASSERT_EQ(SrvParseArgs((int)(sizeof argv / sizeof *argv), (char **)argv, &cfg, &command, &arg),
              0);
    EXPECT_EQ(cfg.mail_max_conns, 7);
    EXPECT_EQ(cfg.mail_conns_per_addr, 2);
    EXPECT_EQ(cfg.mail_idle_s, 9);
    EXPECT_EQ(cfg.mail_session_s, 30);
    EXPECT_EQ(cfg.mail_out_limit, 999);
    EXPECT_EQ(cfg.mail_per_sender, 4);
    EXPECT_EQ(cfg.mail_per_peer, 5);
    EXPECT_EQ(cfg.mail_max_stored, 6);
    EXPECT_EQ(cfg.mail_max_bytes, 3 << 20);

    testing::internal::CaptureStderr();
    const char *zero[] = {"kestrune-server", "--mail-per-sender", "0"};
    EXPECT_EQ(SrvParseArgs(3, (char **)zero, &cfg, &command, &arg), -1);
    const char *junk[] = {"kestrune-server", "--mail-max-mb", "lots"};
    EXPECT_EQ(SrvParseArgs(3, (char **)junk, &cfg, &command, &arg), -1);
    testing::internal::GetCapturedStderr();

    testing::internal::CaptureStdout();
    SrvPrintHelp();
    fflush(stdout);
    std::string help = testing::internal::GetCapturedStdout();
    for (const char *o : {"--mail-max-conns", "--mail-conns-per-addr", "--mail-idle-s",
                          "--mail-session-s", "--mail-out-limit", "--mail-per-sender",
                          "--mail-per-peer", "--mail-max-stored", "--mail-max-mb"})
        EXPECT_NE(help.find(o), std::string::npos) << o;
}

} // namespace
