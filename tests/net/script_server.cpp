// script_server.cpp -- a scripted game server on a loopback port for driving a headless client
#include "tests/net/script_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

ScriptServer::ScriptServer() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, (sockaddr *)&address, sizeof address);
    listen(listener_, 4);
    socklen_t length = sizeof address;
    getsockname(listener_, (sockaddr *)&address, &length);
    port_ = ntohs(address.sin_port);
    fcntl(listener_, F_SETFL, O_NONBLOCK);
}

ScriptServer::~ScriptServer() {
    CloseConnection();
    if (listener_ >= 0) close(listener_);
}

bool ScriptServer::Accept() {
    int c = accept(listener_, nullptr, nullptr);
    if (c < 0) return false;
    CloseConnection();
    fcntl(c, F_SETFL, O_NONBLOCK);
    conn_ = c;
    in_.clear();
    return true;
}

void ScriptServer::Send(const std::string &line) {
    std::string bytes = line + "\n";
    if (conn_ >= 0 && send(conn_, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0)
        perror("ScriptServer::Send");
}

bool ScriptServer::Line(std::string *line, bool *closed) {
    if (closed) *closed = false;
    if (conn_ >= 0) {
        char buffer[1024];
        for (;;) {
            ssize_t n = recv(conn_, buffer, sizeof buffer, 0);
            if (n > 0) {
                in_.append(buffer, (size_t)n);
                continue;
            }
            if (n == 0 && closed) *closed = true;
            break;
        }
    }
    size_t end = in_.find('\n');
    if (end == std::string::npos) return false;
    *line = in_.substr(0, end);
    in_.erase(0, end + 1);
    return true;
}

void ScriptServer::CloseConnection() {
    if (conn_ >= 0) close(conn_);
    conn_ = -1;
}
