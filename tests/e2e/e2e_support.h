// e2e_support.h -- what end-to-end tests share: the server program, loopback ports, a recording
// relay between a client and the server, step reports and barriers between forked clients
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// The kestrune-server built beside the test program.
std::string E2eServerProgram();
// A loopback port that nothing listens on just now.
int E2eFreePort();
// Whether something accepts connections on the loopback port.
bool E2eAccepts(int port);
// Runs the server with `args` after the common ones (bind 127.0.0.1, the port, the database,
// minimal hash cost, no mail), its standard error into `log`; waits until it accepts. Returns
// its pid, or -1 when it never came up within 20 s.
pid_t E2eStartServer(int port, const std::string &db, const std::string &log,
                     const std::vector<std::string> &args);
// SIGTERM and reap; returns the exit status as waitpid gives it.
int E2eStopServer(pid_t server);
// The output of a shell command.
std::string E2eOutput(const std::string &command);

// A relay on a free loopback port, run by a thread of the calling process: accepts one
// connection, connects it to the server's port and copies both ways, keeping every line.
// Returns the port the client connects to.
int E2eRelayStart(int server_port);
// Lines seen so far: to the server (sent by the client) or from it.
std::vector<std::string> E2eRelayLines(bool to_server);
// Whether a line starting with `prefix` went the given way, and the first such line.
bool E2eRelaySaw(bool to_server, const std::string &prefix, std::string *line = nullptr);
// Stops the thread and closes its sockets.
void E2eRelayStop();

// Step reports of a forked client to the parent: one line "PASS name" or "FAIL name: why".
void E2eReportTo(int fd);
bool E2eStep(const std::string &name, bool ok, const std::string &detail = "");

// Barriers between two forked clients: a one-byte tag through a pipe each way.
void E2ePeer(int read_fd, int write_fd);
void E2eSignal(char tag);
// Runs `pump` until the peer's `tag` has arrived or `seconds` pass; true when it arrived.
bool E2eWaitPeer(char tag, int seconds, const std::function<void()> &pump);
// Runs `pump` until `done` or `seconds` pass.
bool E2ePumpUntil(const std::function<bool()> &done, int seconds,
                  const std::function<void()> &pump);
