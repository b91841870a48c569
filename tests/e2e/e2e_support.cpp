// e2e_support.cpp -- the server program, loopback ports, the recording relay, step reports and
// barriers shared by the end-to-end tests
#include "tests/e2e/e2e_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

namespace {

std::mutex relay_lock;
std::vector<std::string> relay_up, relay_down;
std::thread relay_thread;
std::atomic<bool> relay_stop{false};
int relay_listen = -1;

int report_fd = -1;
int peer_in = -1, peer_out = -1;
std::set<char> peer_tags;

int Connect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, (sockaddr *)&a, sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Cuts complete lines out of `pending` into `into` (LF or CR ends a line, as the game frames).
void Keep(std::string *pending, std::vector<std::string> *into) {
    size_t start = 0;
    for (size_t i = 0; i < pending->size(); i++) {
        char c = (*pending)[i];
        if (c == '\n' || c == '\r') {
            if (i > start) {
                std::lock_guard<std::mutex> g(relay_lock);
                into->push_back(pending->substr(start, i - start));
            }
            start = i + 1;
        }
    }
    pending->erase(0, start);
}

void Relay(int listener, int server_port) {
    int client = -1, server = -1;
    while (!relay_stop && client < 0) {
        pollfd p = {listener, POLLIN, 0};
        if (poll(&p, 1, 50) > 0) client = accept(listener, nullptr, nullptr);
    }
    if (client >= 0) server = Connect(server_port);
    std::string up, down;
    char buffer[65536];
    while (!relay_stop && client >= 0 && server >= 0) {
        pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (poll(p, 2, 50) <= 0) continue;
        bool closed = false;
        for (int i = 0; i < 2; i++) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = read(p[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                closed = true;
                break;
            }
            int to = i == 0 ? server : client;
            for (ssize_t done = 0; done < n;) {
                ssize_t w = write(to, buffer + done, (size_t)(n - done));
                if (w <= 0) break;
                done += w;
            }
            std::string *pending = i == 0 ? &up : &down;
            pending->append(buffer, (size_t)n);
            Keep(pending, i == 0 ? &relay_up : &relay_down);
        }
        if (closed) break;
    }
    // One side went away: the other sees it as the game would.
    if (client >= 0) close(client);
    if (server >= 0) close(server);
}

} // namespace

std::string E2eServerProgram() {
    char self[1024];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "kestrune-server";
    self[n] = 0;
    std::string path(self);
    return path.substr(0, path.rfind('/') + 1) + "kestrune-server";
}

int E2eFreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, (sockaddr *)&a, sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, (sockaddr *)&a, &len);
    close(fd);
    return ntohs(a.sin_port);
}

bool E2eAccepts(int port) {
    int fd = Connect(port);
    if (fd < 0) return false;
    close(fd);
    return true;
}

pid_t E2eStartServer(int port, const std::string &db, const std::string &log,
                     const std::vector<std::string> &args) {
    std::string program = E2eServerProgram();
    // --config /dev/null: a host's own configuration file must not change the test's server.
    std::vector<std::string> all = {
        program, "--config", "/dev/null",   "--bind", "127.0.0.1",   "--port", std::to_string(port),
        "--db",  db,         "--hash-cost", "min",    "--mail-port", "0"};
    all.insert(all.end(), args.begin(), args.end());
    pid_t pid = fork();
    if (pid == 0) {
        // Gone with the test: a test that crashes must not leave its server running, holding
        // the test runner's output open until the runner's timeout.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() == 1) _exit(127);
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        std::vector<char *> argv;
        for (std::string &s : all)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (pid < 0) return -1;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!E2eAccepts(port)) {
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) return -1;
        if (std::chrono::steady_clock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return pid;
}

int E2eStopServer(pid_t server) {
    int status = 0;
    if (server <= 0) return -1;
    kill(server, SIGTERM);
    waitpid(server, &status, 0);
    return status;
}

std::string E2eOutput(const std::string &command) {
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

int E2eRelayStart(int server_port) {
    relay_listen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(relay_listen, (sockaddr *)&a, sizeof a);
    listen(relay_listen, 1);
    socklen_t len = sizeof a;
    getsockname(relay_listen, (sockaddr *)&a, &len);
    {
        std::lock_guard<std::mutex> g(relay_lock);
        relay_up.clear();
        relay_down.clear();
    }
    relay_stop = false;
    relay_thread = std::thread(Relay, relay_listen, server_port);
    return ntohs(a.sin_port);
}

std::vector<std::string> E2eRelayLines(bool to_server) {
    std::lock_guard<std::mutex> g(relay_lock);
    return to_server ? relay_up : relay_down;
}

bool E2eRelaySaw(bool to_server, const std::string &prefix, std::string *line) {
    std::lock_guard<std::mutex> g(relay_lock);
    for (const std::string &l : to_server ? relay_up : relay_down)
        if (l.compare(0, prefix.size(), prefix) == 0) {
            if (line) *line = l;
            return true;
        }
    return false;
}

void E2eRelayStop() {
    relay_stop = true;
    if (relay_thread.joinable()) relay_thread.join();
    if (relay_listen >= 0) close(relay_listen);
    relay_listen = -1;
}

void E2eReportTo(int fd) {
    report_fd = fd;
}

bool E2eStep(const std::string &name, bool ok, const std::string &detail) {
    std::string line = (ok ? "PASS " : "FAIL ") + name;
    if (!ok && !detail.empty()) line += ": " + detail;
    for (char &c : line)
        if (c == '\n' || c == '\r') c = ' ';
    line += "\n";
    if (report_fd >= 0) {
        ssize_t w = write(report_fd, line.data(), line.size());
        (void)w;
    }
    return ok;
}

void E2ePeer(int read_fd, int write_fd) {
    peer_in = read_fd;
    peer_out = write_fd;
    fcntl(peer_in, F_SETFL, O_NONBLOCK);
    peer_tags.clear();
}

void E2eSignal(char tag) {
    ssize_t w = write(peer_out, &tag, 1);
    (void)w;
}

bool E2eWaitPeer(char tag, int seconds, const std::function<void()> &pump) {
    return E2ePumpUntil(
        [tag] {
            char c;
            while (read(peer_in, &c, 1) == 1)
                peer_tags.insert(c);
            return peer_tags.count(tag) > 0;
        },
        seconds, pump);
}

bool E2ePumpUntil(const std::function<bool()> &done, int seconds,
                  const std::function<void()> &pump) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        pump();
    }
    return true;
}
