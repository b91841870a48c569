// srv_local.h -- the server's insides shared by its modules: connections, sessions, the server
#pragma once

#ifndef ASIO_STANDALONE
#define ASIO_STANDALONE
#endif
#include <asio.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "server/srv_db.h"
#include "server/srv_hash.h"
#include "server/srv_line.h"
#include "server/srv_log.h"
#include "server/srv_metrics.h"
#include "server/srv_server.h"
#include "server/srv_world.h"

#include "common/packets.h"
#include "common/wire.h"

#define PROTOCOL_VERSION WIRE_VERSION
#define SRV_GREETING WIRE_GREETING
#define SRV_VERSION "1.0"

#define CONN_READ_BUFFER 1024
#define NICK_MAX 15
#define LOGIN_FIELD_MAX 31

// Session states of a connection.
enum {
    CS_AWAIT_ID,   // greeted, waiting for T_IDINFO
    CS_VERIFYING,  // a known player's password is being checked
    CS_AWAIT_NAME, // a new player: waiting for T_NAMEINFO
    CS_CREATING,   // nickname accepted, waiting for the hash to store the account
    CS_LOBBY,      // logged on (in a battle when ship_id is not 0)
};

// Reasons a mission ends.
enum { MISSION_EXIT, MISSION_DISCONNECT, MISSION_SUNK, MISSION_SHUTDOWN };

using SteadyClock = std::chrono::steady_clock;

// A line about a connection, rate-limited per client address.
#define ConnLog(level, c, fmt, ...)                                                                \
    do {                                                                                           \
        if (SrvLogLevel() >= (level))                                                              \
            SrvLogPeer(level, (c)->peer.c_str(), "conn %u (%s): " fmt, (c)->cid,                   \
                       (c)->peer.c_str() __VA_OPT__(, ) __VA_ARGS__);                              \
    } while (0)

struct TokenBucket {
    double tokens = 0, rate = 0, burst = 0;
    SteadyClock::time_point last{};
};

void BucketInit(TokenBucket *b, double rate, double burst);
// Takes cost tokens if there are enough; returns false (taking nothing) when there are not.
bool BucketTake(TokenBucket *b, double cost);

struct Server;

struct Conn : std::enable_shared_from_this<Conn> {
    Conn(Server *s, asio::ip::tcp::socket sock);
    Server *srv;
    uint32_t cid = 0;
    asio::ip::tcp::socket sock;
    std::string peer; // the remote address, for logs and the failed-login limit
    std::array<char, CONN_READ_BUFFER> rbuf;
    size_t rpos = 0, rlen = 0; // unread part of rbuf while reading is paused
    bool paused = false, reading = false;
    LineFramer framer;
    std::string out, inflight;
    bool writing = false, flush_posted = false, closing = false, closed = false;
    bool doomed = false; // to be closed at the end of this turn; nothing more is queued
    TokenBucket lines, bytes, radio;
    SteadyClock::time_point connected_at;
    SteadyClock::time_point last_input; // for the idle limit of logged-on players
    bool counted_pending = false;       // counted among its address's connections not logged on
    // Cleared when the connection closes: its hash job, not yet begun, is then skipped.
    std::shared_ptr<std::atomic<bool>> live = std::make_shared<std::atomic<bool>>(true);

    int state = CS_AWAIT_ID;
    int version = 0;
    uint64_t job = 0; // number of the hash job whose result is awaited
    std::string pending_userid, pending_password, pending_hash, reserved_nick;
    bool hash_ready = false, name_given = false;
    PlayerRecord rec;

    // Battle.
    uint32_t ship_id = 0;
    int ship_class = 0;         // server ship type of the ship in command
    int32_t mission[36] = {};   // score entries of the mission under way
    int64_t mission_start = 0;  // Unix seconds
    uint32_t last_hit_tick = 0; // when the ship last took damage (0: never)
};

struct FailRecord {
    TokenBucket bucket;
};

// Failed logins of one account: past the free ones, each try waits longer (up to a limit).
struct AccountFails {
    int count = 0;
    SteadyClock::time_point last{}, not_before{};
};

// Game connections of one address.
struct AddrCount {
    int conns = 0, pending = 0;
};

struct World;

struct Server {
    explicit Server(const ServerConfig &c);
    ServerConfig cfg;
    asio::io_context io;
    asio::ip::tcp::acceptor game;
    asio::ip::tcp::acceptor mail;
    asio::ip::tcp::endpoint accept_peer; // filled by the accept under way
    asio::signal_set signals;
    asio::steady_timer step_timer, sweep_timer, announce_timer, accept_retry, flush_timer;
    Db db;
    HashPool pool;
    World *world = nullptr;
    std::unordered_map<uint32_t, std::shared_ptr<Conn>> conns;
    uint32_t next_cid = 1;
    uint64_t next_job = 1;
    std::unordered_map<std::string, uint32_t> users;   // UserID logged on or being created -> cid
    std::unordered_set<std::string> reserved_nicks;    // lower-case nicknames being created
    std::unordered_map<std::string, FailRecord> fails; // failed logins by address
    std::unordered_map<std::string, AccountFails> account_fails; // by UserID
    std::unordered_map<std::string, AddrCount> addrs;            // game connections by address
    std::unordered_map<std::string, TokenBucket> new_accounts;   // new accounts by address
    TokenBucket new_accounts_all;
    std::unordered_set<std::string> exempt; // addresses free of the per-address limits
    int64_t last_announcement = 0;
    int mail_conns = 0;
    std::shared_ptr<struct SmtpState> smtp;      // the mailbox's connections and quotas
    int online = 0, at_sea = 0;                  // players logged on, and of them at sea
    std::vector<std::shared_ptr<Conn>> to_flush; // connections with output queued this turn
    bool flush_all_posted = false;
    size_t last_round = 0; // connections written by the last flush round
    bool stopping = false;
    SteadyClock::time_point started;
    int game_port = 0, mail_port = 0;
    // Operator channels: counters for the metrics endpoint, and the admin console.
    SrvMetrics metrics;
    std::shared_ptr<struct MetricsState> metrics_http;
    std::shared_ptr<struct AdminState> admin;
};

// Milliseconds since the server started, as a wrapping 32-bit tick.
uint32_t SrvTick(Server *s);
// Calendar seconds.
int64_t SrvNow();

// Queues one line (a line feed is added) for a connection; lines queued in one turn of the loop
// go out in one write. A connection whose queue passes cfg.out_limit is closed.
void ConnSend(Conn *c, const std::string &line);

// Closes a connection: at once, or after what is queued has been written (flush).
void ConnClose(Conn *c, const char *reason, bool flush);

// Pauses and resumes the handling of a connection's input (while a hash job runs).
void ConnPause(Conn *c);
void ConnResume(Conn *c);

// Starts reading a new connection (after the greeting).
void ConnStart(Conn *c);

// The connection has logged on: it no longer counts against its address's limit of
// connections not logged on.
void ConnLoggedOn(Conn *c);

// Session side (srv_session.cpp).
void SessionGreet(Conn *c);
// Handles one received line; returns false when the connection is being closed.
bool SessionLine(Conn *c, std::string_view line, size_t dropped);
// Sends a text line (T_TEXT, T_DIALOG) of the formatted text, or a line with no fields.
void SessionSendText(Conn *c, int32_t number, const char *fmt, ...)
    __attribute__((format(printf, 3, 4)));
void SessionSendEmpty(Conn *c, int32_t number);
// A closing connection leaves: its battle ends, its names are released.
void SessionClosed(Conn *c);
// Sends every logged-on player a text line.
void SessionBroadcastText(Server *s, const std::string &text);
// The world's output for the players of this server: lines to their connections, events to
// their missions (a player's id in the world is its connection's cid).
WorldSink SessionWorldSink(Server *s);
// Ends every mission under way (at shut-down), saving the scores.
void SessionEndAll(Server *s);
// Lazily replenishes a player's inventory up to the standard allotment.
void SessionReplenish(PlayerRecord *rec, int64_t now);

// Configuration (srv_config.cpp).
// Fills the set of exempt addresses from cfg.exempt.
void SrvSetExempt(Server *s);
// Reads the configuration file again and takes over what can change while running (on the
// network thread). Returns 1 when applied, 0 when the configuration in force was kept.
int SrvReloadConfig(Server *s);

// Feedback mail (srv_smtp.cpp).
void SmtpAccept(Server *s);
// The mails kept and their bytes, as the quotas count them.
void SmtpTotals(Server *s, int64_t *stored, int64_t *bytes);

// Shuts down cleanly, as SIGTERM does: missions are saved, connections closed, the loop ends.
void SrvShutdown(Server *s);

// The server behind a handle (tests look into the world through SrvCall with it).
Server *SrvServerOf(SrvHandle *h);
