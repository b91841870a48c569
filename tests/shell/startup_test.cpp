// startup_test.cpp -- start-up with no server: refused, unanswered or refused late, against one
// that answers slowly; what the player is told and how the program ends
#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "net/session.h"
#include "net/transport.h"
#include "platform/platform_test.h"
#include "shell/debug.h"
#include "shell/shell.h"
#include "tests/support/dialog_script.h"

namespace {

// A TCP socket bound to a free loopback port. Not listening, it refuses every connection; with
// listen(0) and one connection left unaccepted its backlog is full, and the system drops further
// SYNs unanswered (the client keeps resending them) until that connection is accepted.
class LoopbackPort {
  public:
    LoopbackPort() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, (sockaddr *)&address, sizeof address);
        socklen_t length = sizeof address;
        getsockname(fd_, (sockaddr *)&address, &length);
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackPort() {
        Close();
        if (accepted_ >= 0) close(accepted_);
    }
    int Port() const { return port_; }
    // Listens with a backlog that one waiting connection fills.
    bool Fill() {
        if (listen(fd_, 0) != 0) return false;
        filler_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons((uint16_t)port_);
        return connect(filler_, (sockaddr *)&address, sizeof address) == 0;
    }
    // Takes one waiting connection (non-blocking); the one taken last stays open.
    bool Accept() {
        int c = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK);
        if (c < 0) return false;
        if (accepted_ >= 0) close(accepted_);
        accepted_ = c;
        return true;
    }
    void CloseAccepted() {
        if (accepted_ >= 0) close(accepted_);
        accepted_ = -1;
    }
    void Close() {
        if (filler_ >= 0) close(filler_);
        if (fd_ >= 0) close(fd_);
        filler_ = fd_ = -1;
    }

  private:
    int fd_ = -1, filler_ = -1, accepted_ = -1, port_ = 0;
};

std::string Key(const char *key) {
    char value[128] = "";
    GetPrivateProfileString("Kestrune", key, "<none>", value, sizeof value, "kr.ini");
    return value;
}

std::string NoServerBox(int port) {
    return "Connection problem|Could not reach the Kestrune server at 127.0.0.1:" +
           std::to_string(port) +
           ".\n\nStart with --host NAME --port N, or change the server under Game / Options.";
}

const char kLostBox[] = "Connection problem|Lost connection to KR server.\nPlease wait 5 "
                        "minutes and then join the game again.";

class NoServer : public ::testing::Test {
  protected:
    void SetUp() override {
        PlatformTestReset(800, 600);
        remove("kr.ini");
        exit_flag = 0;
        old_ip_status = 1;
        location = LOC_OFFLINE;
        ip_connect_timeout_ms = IP_CONNECT_TIMEOUT_MS;
        DialogScriptStart({});
    }
    void TearDown() override {
        DialogScriptStop();
        ip_connect_timeout_ms = IP_CONNECT_TIMEOUT_MS;
        if (hwndFrame && IsWindow(hwndFrame)) DestroyWindow(hwndFrame);
        PlatformTestReset();
    }
    void Arguments(int port) {
        std::string p = std::to_string(port);
        const char *argv[] = {"kestrune", "--host",      "127.0.0.1", "--port",
                              p.c_str(),  "--splash-ms", "0"};
        ShellParseArguments(7, (char **)argv);
    }
    // Runs main loop passes until `done` holds or `seconds` pass.
    bool PumpUntil(const std::function<bool()> &done, int seconds = 5) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            ShellLoopPass();
        }
        return true;
    }
    void PumpFor(int ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        PumpUntil([&] { return exit_flag || std::chrono::steady_clock::now() > end; });
    }
};

TEST_F(NoServer, ARefusedConnectionIsToldAndTheProgramEndsKeepingItsSettings) {
    FILE *f = fopen("kr.ini", "w");
    ASSERT_TRUE(f);
    fputs("[Kestrune]\nversion=107\nport=7000\nhostname=sea.example\nMap800_5=1 2 3 4\n", f);
    fclose(f);
    LoopbackPort closed;
    Arguments(closed.Port());

    alarm(20); // a program that never notices the failure would run on for ever
    EXPECT_EQ(WinMain(PlatformInstance(), nullptr, (LPSTR) "", SW_SHOWNORMAL), 1);
    alarm(0);

    ASSERT_EQ(DialogScriptBoxes().size(), 1u);
    EXPECT_EQ(DialogScriptBoxes()[0], NoServerBox(closed.Port()));
    EXPECT_EQ(num_mem_notes, 0); // every tracked block released, the splash picture too
    EXPECT_EQ(IPStatus(), 0);
    // The server given for this run is not written over the player's own.
    EXPECT_EQ(Key("hostname"), "sea.example");
    EXPECT_EQ(Key("port"), "7000");
    EXPECT_EQ(Key("Map800_5"), "1 2 3 4");
    EXPECT_EQ(Key("version"), "107");
}

TEST_F(NoServer, AnUnansweredAttemptIsGivenUpAfterItsTime) {
    LoopbackPort full;
    ASSERT_TRUE(full.Fill());
    Arguments(full.Port());
    ASSERT_EQ(ShellStartUp(PlatformInstance(), nullptr, SW_SHOWNORMAL), 1);
    ASSERT_EQ(exit_flag, 0);

    // Still trying: the status is "connecting" and nothing is said.
    PumpFor(200);
    EXPECT_EQ(IPStatus(), 2);
    EXPECT_TRUE(DialogScriptBoxes().empty());
    PlatformTestAdvanceTicks(IP_CONNECT_TIMEOUT_MS - 5000);
    PumpFor(50);
    EXPECT_EQ(exit_flag, 0);

    PlatformTestAdvanceTicks(5000);
    ASSERT_TRUE(PumpUntil([] { return exit_flag != 0; }));
    ASSERT_EQ(DialogScriptBoxes().size(), 1u);
    EXPECT_EQ(DialogScriptBoxes()[0], NoServerBox(full.Port()));
    ShutDown();
    EXPECT_EQ(num_mem_notes, 0);
}

TEST_F(NoServer, ARefusalThatComesLateIsNoServerToo) {
    LoopbackPort full;
    ASSERT_TRUE(full.Fill());
    Arguments(full.Port());
    ASSERT_EQ(ShellStartUp(PlatformInstance(), nullptr, SW_SHOWNORMAL), 1);
    PumpFor(100);
    ASSERT_EQ(IPStatus(), 2);
    // The server goes away: the client's next SYN is answered with a reset.
    full.Close();
    ASSERT_TRUE(PumpUntil([] { return exit_flag != 0; }));
    ASSERT_EQ(DialogScriptBoxes().size(), 1u);
    EXPECT_EQ(DialogScriptBoxes()[0], NoServerBox(full.Port()));
    ShutDown();
}

TEST_F(NoServer, ASlowConnectionIsNoFailureAndALaterLossIsALostConnection) {
    LoopbackPort busy;
    ASSERT_TRUE(busy.Fill());
    Arguments(busy.Port());
    ip_connect_timeout_ms = 5000;
    ASSERT_EQ(ShellStartUp(PlatformInstance(), nullptr, SW_SHOWNORMAL), 1);
    PumpFor(100);
    // Room in the backlog: the client's resent SYN gets through, about a second after the first.
    ASSERT_TRUE(busy.Accept());
    ASSERT_TRUE(PumpUntil([&] { return busy.Accept(); }));
    PumpFor(50);
    PlatformTestAdvanceTicks(IP_CONNECT_TIMEOUT_MS); // no timeout once connected
    PumpFor(50);
    EXPECT_EQ(exit_flag, 0);
    EXPECT_EQ(IPStatus(), 2);
    EXPECT_TRUE(DialogScriptBoxes().empty());

    busy.CloseAccepted();
    ASSERT_TRUE(PumpUntil([] { return exit_flag != 0; }));
    ASSERT_EQ(DialogScriptBoxes().size(), 1u);
    EXPECT_EQ(DialogScriptBoxes()[0], kLostBox);
    ShutDown();
}

TEST_F(NoServer, BuildingTheProgramLeavesTheServerAloneUntilTheSessionStarts) {
    int server = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(server, (sockaddr *)&address, sizeof address), 0);
    ASSERT_EQ(listen(server, 4), 0);
    socklen_t length = sizeof address;
    getsockname(server, (sockaddr *)&address, &length);
    Arguments(ntohs(address.sin_port));

    ASSERT_EQ(ShellBuildProgram(PlatformInstance(), nullptr), 1);
    EXPECT_TRUE(IsWindow(hwndFrame));
    EXPECT_NE(hPal, nullptr);
    EXPECT_FALSE(hwndFlash && IsWindow(hwndFlash)) << "the splash belongs to the session";
    EXPECT_EQ(IPStatus(), 1);
    EXPECT_LT(accept(server, nullptr, nullptr), 0) << "no connection before the session starts";

    ShellStartSession(SW_SHOWNORMAL);
    EXPECT_TRUE(IsWindow(hwndFlash));
    int taken = -1;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((taken = accept(server, nullptr, nullptr)) < 0 && std::chrono::steady_clock::now() < end)
        usleep(10000);
    EXPECT_GE(taken, 0) << "the session reaches for the server";
    if (taken >= 0) close(taken);
    ShutDown();
    close(server);
}

} // namespace
