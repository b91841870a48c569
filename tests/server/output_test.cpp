// output_test.cpp -- a client's output queue: written at once when the socket has room, the rest
// when it drains, in order and complete; gathering delay and load-test line limits
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "srv_test_util.h"

namespace {

int Parse(std::vector<const char *> args, ServerConfig *cfg) {
    args.insert(args.begin(), "kestrune-server");
    std::string command, arg;
    return SrvParseArgs((int)args.size(), const_cast<char **>(args.data()), cfg, &command, &arg);
}

// Asks for the score table n times (each answer ends in "32:-1") and counts the answers that
// arrive complete, each one's rows before its end marker.
int ScoreAnswers(TestClient *c, int n, int wait_ms) {
    std::string many;
    for (int i = 0; i < n; i++)
        many += "31:0:71\n";
    c->Send(many);
    std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
    int ends = 0;
    std::string line;
    while (c->ReadLine(&line, 1000)) {
        if (line == "32:-1") ends++;
        if (ends == n) break;
    }
    return ends;
}

TEST(ConnOutput, AnswersBeyondTheSocketBufferArriveCompleteAndInOrder) {
    TestServer srv;
    srv.cfg.line_burst = 100000;
    srv.cfg.line_rate = 100000;
    ASSERT_TRUE(srv.Start());
    TestClient c;
    c.rcvbuf = 4096; // the first write fills it; the rest must wait for the socket to drain
    ASSERT_TRUE(TestNewPlayer(&c, srv.port, "reader", "pw", "Reader", 0));
    // Some 100 KB queued while the client reads nothing, well under the slow-reader limit.
    EXPECT_EQ(ScoreAnswers(&c, 400, 300), 400);
    // And the queue works on normally once drained.
    c.SendLine("22");
    EXPECT_EQ(c.WaitFor("23:"), "23:0:3:2:3:0:0");
}

TEST(ConnOutput, GatheringDelayStillDeliversEveryLine) {
    TestServer srv;
    srv.cfg.flush_us = 3000;
    srv.cfg.flush_heavy = 1; // every round after the first waits
    srv.cfg.line_burst = 100000;
    srv.cfg.line_rate = 100000;
    ASSERT_TRUE(srv.Start());
    TestClient a, b;
    ASSERT_TRUE(TestNewPlayer(&a, srv.port, "alice", "pw", "Alice", 0));
    ASSERT_TRUE(TestNewPlayer(&b, srv.port, "bob", "pw", "Bob", 1));
    EXPECT_EQ(ScoreAnswers(&a, 50, 0), 50);
    b.SendLine("22");
    EXPECT_EQ(b.WaitFor("23:"), "23:0:3:2:3:0:0");
}

TEST(ServerOptions, LineRateScalesEveryInputLimitAndFlushDelayIsBounded) {
    ServerConfig def, cfg;
    EXPECT_EQ(cfg.flush_us, 2000);
    EXPECT_EQ(Parse({"--line-rate", "600", "--flush-us", "2000"}, &cfg), 0);
    EXPECT_DOUBLE_EQ(cfg.line_rate, 600);
    EXPECT_DOUBLE_EQ(cfg.line_burst, def.line_burst * 10);
    EXPECT_DOUBLE_EQ(cfg.byte_rate, def.byte_rate * 10);
    EXPECT_DOUBLE_EQ(cfg.byte_burst, def.byte_burst * 10);
    EXPECT_EQ(cfg.flush_us, 2000);
    EXPECT_EQ(cfg.flush_heavy, 0);
    EXPECT_EQ(Parse({"--flush-heavy", "300"}, &cfg), 0);
    EXPECT_EQ(cfg.flush_heavy, 300);
    ServerConfig bad;
    EXPECT_EQ(Parse({"--line-rate", "0"}, &bad), -1);
    EXPECT_EQ(Parse({"--line-rate", "fast"}, &bad), -1);
    EXPECT_EQ(Parse({"--flush-us", "-1"}, &bad), -1);
    EXPECT_EQ(Parse({"--flush-us", "200000"}, &bad), -1);
    EXPECT_EQ(Parse({"--flush-heavy", "-5"}, &bad), -1);
    EXPECT_EQ(Parse({"--flush-heavy"}, &bad), -1);
    EXPECT_DOUBLE_EQ(bad.line_rate, def.line_rate);
    EXPECT_EQ(bad.flush_us, def.flush_us);
    EXPECT_EQ(bad.flush_heavy, def.flush_heavy);
}

} // namespace
