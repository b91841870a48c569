// srv_test_util.h -- a server started in-process for a test, and scripted loopback clients
#pragma once

#include <string>
#include <vector>

#include "server/srv_server.h"

// A server on an ephemeral loopback port with a fresh database (kept for restarts).
struct TestServer {
    TestServer();
    ~TestServer();
    bool Start(int drones = 0);
    void Stop();
    ServerConfig cfg;
    SrvHandle *h = nullptr;
    std::string dir;
    int port = 0, mail_port = 0;
};

// One blocking client connection with a line reader.
struct TestClient {
    ~TestClient();
    bool Connect(int port);
    void Close();
    bool Send(const std::string &bytes);
    bool SendLine(const std::string &line) { return Send(line + "\n"); }
    // Next line without its line feed; false after timeout_ms or when the server closed.
    bool ReadLine(std::string *line, int timeout_ms = 3000);
    // The next line, or "<none>" when nothing came.
    std::string Line(int timeout_ms = 3000);
    // Reads lines until one starts with prefix; returns it, or "<none>". Skipped lines are kept.
    std::string WaitFor(const std::string &prefix, int timeout_ms = 3000);
    // True when the server closes the connection within timeout_ms (lines before it are read).
    bool WaitClosed(int timeout_ms = 3000);
    // Reads everything that arrives within ms.
    std::vector<std::string> Drain(int ms);
    std::vector<std::string> skipped;
    int fd = -1;
    int rcvbuf = 0; // receive buffer asked for before connecting (0: the system's)
    std::string buf;
    bool eof = false;
};

// Greeting, login and a new account (nickname, country); leaves the client in the lobby.
bool TestNewPlayer(TestClient *c, int port, const std::string &user, const std::string &pw,
                   const std::string &nick, int country);
// Greeting and login of an existing account.
bool TestLogin(TestClient *c, int port, const std::string &user, const std::string &pw);
