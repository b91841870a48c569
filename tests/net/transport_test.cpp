// transport_test.cpp -- line framing, dispatch by packet number, sending and the statistics
#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "net/packet.h"
#include "net/transport.h"
#include "shell/debug.h"

namespace {

std::vector<std::pair<int, std::string>> calls;

template <int N> int32_t Record(const char *text) {
    calls.emplace_back(N, text);
    return 1;
}

std::string ReadFile(const char *name) {
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Framing : public ::testing::Test {
  protected:
    void SetUp() override {
        InitializeDebug("framing.log");
        memcpy(saved_, process_packet, sizeof saved_);
        process_packet[0] = Record<0>;
        process_packet[5] = Record<5>;
        process_packet[12] = Record<12>;
        process_packet[1] = nullptr;
        calls.clear();
        if (!recv_buffer) recv_buffer = (char *)DebugMalloc("recv_buffer", IP_RECV_SIZE);
        line_length = 0;
    }
    void TearDown() override {
        memcpy(process_packet, saved_, sizeof saved_);
        // Drop any half line so the next case starts clean.
        Feed("\n");
        calls.clear();
        DebugFree(recv_buffer);
        recv_buffer = nullptr;
    }
    void Feed(const std::string &bytes) {
        for (size_t done = 0; done < bytes.size();) {
            size_t n = std::min(bytes.size() - done, (size_t)IP_RECV_SIZE);
            memcpy(recv_buffer, bytes.data() + done, n);
            IPProcessRecvBuffer((int32_t)n);
            done += n;
        }
    }
    PacketHandler saved_[T_NUM_PACKETS];
};

TEST_F(Framing, ALineSplitAcrossNotificationsIsDispatchedOnceWhenItsEndArrives) {
    Feed("12:");
    EXPECT_TRUE(calls.empty());
    Feed("a\n");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(12, std::string("a")));
}

TEST_F(Framing, LinesKeepTheirOrderAndCarriageReturnEndsALineToo) {
    Feed("5:one\n12:two\r5:three\r\n");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].second, "one");
    EXPECT_EQ(calls[1].second, "two");
    EXPECT_EQ(calls[2].second, "three");
}

TEST_F(Framing, TheGreetingIsPacketZeroButOnlyExactly) {
    Feed("MorningTideOverGreyHarbour\n");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(0, std::string()));
    Feed("morningtideovergreyharbour\nMorningTideOverGreyHarbour \n");
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(Framing, InvalidNumbersAreLoggedAndDropped) {
    Feed("40:x\n-1:x\n1:107\n");
    EXPECT_TRUE(calls.empty());
    std::string log = ReadFile("framing.log");
    EXPECT_NE(log.find("IPProcessRecvBuffer: INVALID PACKET: 40 <x>"), std::string::npos);
    EXPECT_NE(log.find("IPProcessRecvBuffer: INVALID PACKET: -1 <x>"), std::string::npos);
    EXPECT_NE(log.find("INVALID PACKET: 1 <107>"), std::string::npos);
    Feed("99999999999999999999:x\n");
    EXPECT_TRUE(calls.empty());
}

TEST_F(Framing, FurtherColonsStayInTheArgumentAndANumberAloneHasAnEmptyOne) {
    Feed("5:a:b:c\n 5\n+12:z\n");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].second, "a:b:c");
    EXPECT_EQ(calls[1], std::make_pair(5, std::string()));
    EXPECT_EQ(calls[2], std::make_pair(12, std::string("z")));
}

TEST_F(Framing, LinesWithoutANumberReachNoHandler) {
    Feed("\r\n\n:5\nhello:5\n");
    EXPECT_TRUE(calls.empty());
}

TEST_F(Framing, AnOverlongLineIsDroppedWholeWithoutOverrunningTheBuffer) {
    std::string longline = "5:" + std::string(2000, 'x') + "\n5:after\n";
    Feed(longline);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].second, "after");
    // 255 characters is still a line.
    std::string fits = "5:" + std::string(253, 'y') + "\n";
    Feed(fits);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].second.size(), 253u);
}

class Sending : public ::testing::Test {
  protected:
    void SetUp() override {
        InitializeDebug(nullptr);
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv_), 0);
        ip_socket = sv_[0];
        bytes_sent = 0;
    }
    void TearDown() override {
        ip_socket = INVALID_SOCKET;
        close(sv_[0]);
        close(sv_[1]);
    }
    std::string Received() {
        char buffer[512];
        ssize_t n = recv(sv_[1], buffer, sizeof buffer, MSG_DONTWAIT);
        return n > 0 ? std::string(buffer, (size_t)n) : std::string();
    }
    int sv_[2];
};

TEST_F(Sending, SendPacketAddsOneLineFeedAndCountsIt) {
    strcpy(packet, "1:107");
    SendPacket(packet, (int32_t)strlen(packet));
    EXPECT_EQ(Received(), "1:107\n");
    EXPECT_EQ(bytes_sent, 6);
}

TEST_F(Sending, ALineTooLongForTheBufferIsRefused) {
    char line[IP_PACKET_SIZE];
    memset(line, 'x', sizeof line);
    SendPacket(line, IP_PACKET_SIZE - 1);
    EXPECT_EQ(Received(), "");
    EXPECT_EQ(bytes_sent, 0);
}

// The socket side: notifications read the socket, nested ones (inside a handler's dialog) wait.
class Events : public Framing {
  protected:
    void SetUp() override {
        Framing::SetUp();
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv_), 0);
        ip_socket = sv_[0];
        ip_status = 2;
        self_ = this;
    }
    void TearDown() override {
        ip_socket = INVALID_SOCKET;
        ip_status = 0;
        close(sv_[0]);
        close(sv_[1]);
        Framing::TearDown();
    }
    void Peer(const char *text) {
        ASSERT_EQ(write(sv_[1], text, strlen(text)), (ssize_t)strlen(text));
    }
    void Notify(long event) { IPEvent(nullptr, WM_IP_EVENT, (WPARAM)sv_[0], event); }
    static int32_t Nested(const char *text) {
        calls.emplace_back(7, text);
        if (std::string(text) == "outer") {
            // While "the dialog" is open the server sends more, and its notification arrives.
            self_->Peer("5:nested\n");
            self_->Notify(FD_READ);
        }
        return 1;
    }
    int sv_[2];
    static Events *self_;
};
Events *Events::self_;

TEST_F(Events, ANestedNotificationWaitsSoLinesKeepTheirArrivalOrder) {
    process_packet[7] = Nested;
    Peer("7:outer\n5:next\n");
    Notify(FD_READ);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].second, "outer");
    EXPECT_EQ(calls[1].second, "next");
    EXPECT_EQ(calls[2].second, "nested");
}

TEST_F(Events, TheServerClosingDropsTheStatusAtOnceAfterItsLastLines) {
    Peer("5:last\n");
    shutdown(sv_[1], SHUT_WR);
    Notify(FD_READ);
    Notify(FD_READ);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(IPStatus(), 1);
}

TEST_F(Events, ANotificationForAnotherSocketIsIgnored) {
    Peer("5:x\n");
    IPEvent(nullptr, WM_IP_EVENT, (WPARAM)(sv_[0] + 100), FD_READ);
    EXPECT_TRUE(calls.empty());
}

TEST(Statistics, ASessionUnderASecondDoesNotDivideByZero) {
    InitializeDebug("stats.log");
    ip_started = time(nullptr);
    bytes_read = 100;
    bytes_sent = 50;
    IPClose();
    std::string log = ReadFile("stats.log");
    EXPECT_NE(log.find("IPClose: TCP/IP Stats: Bytes  Read: 100 (100.000000) Sent: 50 (50.000000)"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("inf"), std::string::npos);
    EXPECT_EQ(log.find("nan"), std::string::npos);
}

} // namespace
