// srv_test_util.cpp -- in-process server and loopback clients for the server's tests
#include "srv_test_util.h"
#include "server/srv_log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

TestServer::TestServer() {
    char tmpl[] = "/tmp/kr-srv-test-XXXXXX";
    dir = mkdtemp(tmpl);
    cfg.bind = "127.0.0.1";
    cfg.port = 0;
    cfg.mail_port = -1;
    cfg.db_path = dir + "/test.db";
    SrvParseHashCost("min", &cfg.hash_cost);
    cfg.hash_threads = 1;
    cfg.drones = 0;
    cfg.seed = 1;
    cfg.announce_poll_ms = 100;
    cfg.dc_sink_speed = 100.0;
    if (!getenv("KR_TEST_LOG")) SrvLogSetLevel(LOG_WARN);
}

TestServer::~TestServer() {
    Stop();
    std::filesystem::remove_all(dir);
}

bool TestServer::Start(int drones) {
    cfg.drones = drones;
    std::string error;
    h = SrvStart(cfg, &error);
    if (!h) {
        fprintf(stderr, "server did not start: %s\n", error.c_str());
        return false;
    }
    port = SrvGamePort(h);
    mail_port = SrvMailPort(h);
    return true;
}

void TestServer::Stop() {
    if (h) SrvStop(h);
    h = nullptr;
}

TestClient::~TestClient() {
    Close();
}

bool TestClient::Connect(int port) {
    Close();
    fd = socket(AF_INET, SOCK_STREAM, 0);
    if (rcvbuf) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, (sockaddr *)&a, sizeof a) != 0) return false;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    eof = false;
    buf.clear();
    return true;
}

void TestClient::Close() {
    if (fd >= 0) close(fd);
    fd = -1;
}

bool TestClient::Send(const std::string &bytes) {
    size_t off = 0;
    while (off < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
        if (n <= 0) return false;
        off += (size_t)n;
    }
    return true;
}

bool TestClient::ReadLine(std::string *line, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        size_t nl = buf.find('\n');
        if (nl != std::string::npos) {
            *line = buf.substr(0, nl);
            buf.erase(0, nl + 1);
            return true;
        }
        if (eof || fd < 0) return false;
        int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(
                       deadline - std::chrono::steady_clock::now())
                       .count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) return false;
        char tmp[65536];
        ssize_t n = recv(fd, tmp, sizeof tmp, 0);
        if (n <= 0) {
            eof = true;
            continue;
        }
        buf.append(tmp, (size_t)n);
    }
}

std::string TestClient::Line(int timeout_ms) {
    std::string l;
    return ReadLine(&l, timeout_ms) ? l : "<none>";
}

std::string TestClient::WaitFor(const std::string &prefix, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::string l;
    for (;;) {
        int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(
                       deadline - std::chrono::steady_clock::now())
                       .count();
        if (left <= 0 || !ReadLine(&l, left)) return "<none>";
        if (l.compare(0, prefix.size(), prefix) == 0) return l;
        skipped.push_back(l);
    }
}

bool TestClient::WaitClosed(int timeout_ms) {
    std::string l;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!eof) {
        int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(
                       deadline - std::chrono::steady_clock::now())
                       .count();
        if (left <= 0) return false;
        if (!ReadLine(&l, left) && !eof) return false;
    }
    return true;
}

std::vector<std::string> TestClient::Drain(int ms) {
    std::vector<std::string> out;
    std::string l;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(
                       deadline - std::chrono::steady_clock::now())
                       .count();
        if (left <= 0 || !ReadLine(&l, left)) break;
        out.push_back(l);
    }
    return out;
}

static bool TestGreeted(TestClient *c, int port) {
    if (!c->Connect(port)) return false;
    if (c->Line() != "MorningTideOverGreyHarbour") return false;
    if (c->Line() != "2:") return false;
    return c->SendLine("1:107");
}

bool TestNewPlayer(TestClient *c, int port, const std::string &user, const std::string &pw,
                   const std::string &nick, int country) {
    if (!TestGreeted(c, port) || !c->SendLine("3:" + user + ":" + pw)) return false;
    if (c->Line() != "9:") return false;
    c->SendLine("10:" + nick + ":" + std::to_string(country));
    if (c->Line() != "11:" + nick + ":" + std::to_string(country)) return false;
    return c->Line().rfind("5:Welcome", 0) == 0;
}

bool TestLogin(TestClient *c, int port, const std::string &user, const std::string &pw) {
    if (!TestGreeted(c, port) || !c->SendLine("3:" + user + ":" + pw)) return false;
    if (c->Line().rfind("11:", 0) != 0) return false;
    return c->Line().rfind("5:Welcome", 0) == 0;
}
