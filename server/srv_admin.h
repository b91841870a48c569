// srv_admin.h -- the operator's console: a local socket (and optionally TCP) taking commands, bans
#pragma once

#include <stdint.h>

#include <string>

#include "server/srv_server.h"

#define ADMIN_SOCKET_NAME "kestrune-admin.sock"
#define ADMIN_SECRET_MIN 16 // bytes a TCP console secret must have at least

struct Server;
struct Conn;

// The console socket of a configuration: --admin-socket, or ADMIN_SOCKET_NAME beside the
// database; empty when the console is turned off ("off").
std::string AdminSocketPath(const ServerConfig &cfg);

// Reads the TCP console's secret from path. Refuses (false, a reason in *error) a file that is
// not a regular file, that group or others may read or write, or that holds fewer than
// ADMIN_SECRET_MIN bytes. Trailing white space (the editor's newline) is not part of it.
bool AdminReadSecret(const std::string &path, std::string *secret, std::string *error);

// The answer to a challenge: HMAC-SHA256 of the nonce keyed with the secret, in hexadecimal.
std::string AdminAnswer(const std::string &secret, const std::string &nonce);

// Loads the bans and opens the console's socket and TCP port. Returns false with a reason when
// the socket path is unsafe (not a socket, another user's, writable by others, or in use by a
// running server), the secret is unusable or a port can't be bound.
bool AdminStart(Server *s, std::string *error);

// Closes the console's connections and removes its socket.
void AdminStop(Server *s);

// The bound TCP console port (0 when off), and the socket path (empty when off).
int AdminPort(Server *s);
std::string AdminSocket(Server *s);

// Forgets the wrong challenge answers of addresses quiet for a while (about once a second).
void AdminSweep(Server *s);

// Whether an account (UserID) or a network address is banned.
bool AdminBannedAccount(Server *s, const std::string &userid);
bool AdminBannedAddress(Server *s, const std::string &addr);
size_t AdminBanCount(Server *s);

// Turns away a new connection from a banned address, telling its client why.
void AdminRefuseAddress(Conn *c);

// Runs one console command as if typed by who; *reply gets the answer's lines. Returns false
// (the reason in *reply) when the command failed.
bool AdminCommand(Server *s, const std::string &who, const std::string &line, std::string *reply);

// kestrune-server --admin: sends one command to a running server over its socket (or over TCP
// when cfg.admin_port and cfg.admin_secret are given), prints the answer and returns the exit
// status: 0 done, 1 refused by the server, 2 the server could not be reached.
int AdminClient(const ServerConfig &cfg, const std::string &command);
