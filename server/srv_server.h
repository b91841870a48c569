// srv_server.h -- the game server as a library: configure, start, run, stop
#pragma once

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

// Argon2id cost of the stored password hashes (libsodium opslimit and memlimit).
struct SrvHashCost {
    unsigned long long ops;
    size_t mem;
};

struct ServerConfig {
    std::string bind = "0.0.0.0";
    int port = 6000;    // game port; 0 picks a free one (see SrvGamePort)
    int mail_port = 25; // feedback mail port; 0 disables, -1 picks a free one
    // Feedback mail limits: what one hostile sender can hold or fill.
    int mail_max_conns = 32;           // mail connections open at once
    int mail_conns_per_addr = 4;       // of them from one network address
    int mail_idle_s = 60;              // silence that ends a mail connection
    int mail_session_s = 120;          // the longest whole mail dialogue
    int mail_out_limit = 64 * 1024;    // unread replies beyond this end the connection
    int mail_per_sender = 20;          // mails stored per sender address in 24 hours
    int mail_per_peer = 50;            // mails stored per network address in 24 hours
    int mail_max_stored = 10000;       // mails kept in all
    int64_t mail_max_bytes = 64 << 20; // bytes of stored mail in all
    std::string db_path = "kestrune.db";
    SrvHashCost hash_cost{2, 67108864}; // libsodium's "interactive"
    int hash_threads = 2;
    int drones = 6;     // drone ships kept in the world
    int spawn_near = 0; // >0: new player ships start this far from a convoy (tests)
    int spawn_side = 0; // and this far to starboard of its track (negative: to port)
    uint32_t seed = 0;  // 0: seeded from the clock
    int step_ms = 100;  // world step
    int max_connections = 20000;
    bool handle_signals = false; // SIGINT/SIGTERM end the run cleanly, SIGHUP reloads
    int log_level = -1;          // a SrvLogLevel to set at start; -1 leaves the log's level alone
    // The configuration file a reload reads ("": none) and the command line read over it, whose
    // options stay in force through reloads.
    std::string config_file;
    bool config_required = false; // named by --config: missing is an error, not an empty file
    std::vector<std::string> config_args;
    // Tuning that tests shorten; the defaults are the game's.
    int login_timeout_s = 120;     // a connection must log on within this of connecting
    int announce_poll_ms = 2000;   // how often operator announcements are looked for
    double dc_sink_speed = 25.0;   // depth-charge sinking speed, depth units per second
    int update_interval_ms = 3000; // steady correction rate of other ships' positions
    int update_request_ms = 10000; // how often a player's own state is asked for
    int out_limit = 256 * 1024;    // queued output beyond this marks a client that stopped reading
    int send_buffer = 256 * 1024;  // kernel send buffer of a game connection (0: the system's)
    // After a flush round that wrote to many clients, output is gathered this long before the
    // next round (0: always at the end of the loop's turn). Each write is one costly trip
    // through the network stack, so under heavy relay load a short wait lets each client's
    // lines leave together; light load is written at the end of every turn.
    int flush_us = 2000;
    int flush_heavy = 0;         // connections written in one round that make the next one wait
    double line_rate = 60.0;     // lines a second a client may send on average
    double line_burst = 240.0;   // and at once
    double byte_rate = 16384.0;  // bytes a second a client may send on average
    double byte_burst = 65536.0; // and at once
    // Limits against hostile clients; server/README.md explains each.
    std::string exempt;           // addresses (comma-separated) free of the address limits
    int per_address = 32;         // game connections one address may hold
    int per_address_pending = 8;  // of them not yet logged on
    int hash_queue = 256;         // password jobs waiting for a hashing thread
    int new_accounts_hour = 10;   // new accounts one address may begin in an hour
    double new_accounts_rate = 1; // new accounts begun a second, all addresses together
    double new_accounts_burst = 20;
    int account_fail_free = 5;   // failed logins of one account before each retry waits
    int account_fail_max_s = 60; // the longest such wait
    int idle_harbour_s = 3600;   // a logged-on player in harbour who sends nothing is closed
    int idle_sea_s = 120;        // one at sea (its client answers the position requests)
    int keepalive_s = 60;        // TCP keepalive idle time; a vanished peer is found in 2x this
    int log_lines = 20;          // log lines about one address in log_interval_s
    int log_interval_s = 10;
    int move_slack = 300;   // movement allowance beyond top speed x time, in units
    int move_window_s = 10; // the allowance starts again from the ship's place this often
    // Operator channels; server/README.md explains them.
    std::string metrics;                  // ADDR:PORT of the HTTP metrics endpoint; empty: off
    std::string admin_socket;             // admin console socket; empty: beside the database
    std::string admin_bind = "127.0.0.1"; // address of the TCP admin console
    int admin_port = 0;                   // TCP admin console port; 0: none, -1: a free one
    std::string admin_secret;             // file holding the TCP console's shared secret
};

// Reads a --hash-cost value: "interactive", "moderate", "sensitive", "min" or "OPS,MEMBYTES".
int SrvParseHashCost(const char *text, SrvHashCost *cost);

// Reads the command line into cfg. Returns 0 to run the server, 1 when an operator command was
// given (written to *command: "list-players", "list-feedback", "announce", "admin", "help",
// "version"),
// -1 on a bad option (a message is written to standard error). *arg gets the command's argument.
int SrvParseArgs(int argc, char **argv, ServerConfig *cfg, std::string *command, std::string *arg);

// As SrvParseArgs, but the reason for a bad option goes to *error instead of standard error.
int SrvParseArgsError(int argc, char **argv, ServerConfig *cfg, std::string *command,
                      std::string *arg, std::string *error);

// Where the program looks for its configuration file when --config names none.
#define SRV_CONFIG_DEFAULT "/etc/kestrune/server.conf"

// Reads the configuration file's "name = value" lines into cfg through the command line's
// parser. Returns 1 when read, 0 when the file does not exist and is not required (cfg is left
// alone), -1 on an error (*error names the file and line).
int SrvReadConfigFile(const std::string &path, bool required, ServerConfig *cfg,
                      std::string *error);

// The program's start: the command line names the file (--config, else default_file, read when
// it exists), the file is read, and the command line is read again over it. Returns as
// SrvParseArgs; a message is written to standard error on -1.
int SrvConfigure(int argc, char **argv, const char *default_file, ServerConfig *cfg,
                 std::string *command, std::string *arg);

// Prints the usage text to standard output.
void SrvPrintHelp();

// Runs an operator command against the database of cfg; returns the process exit status.
int SrvRunCommand(const ServerConfig &cfg, const std::string &command, const std::string &arg);

struct SrvHandle;

// Opens the database, binds the ports and starts the server's one network thread. Returns null
// (and a reason in *error) when the database can't be opened or the game port can't be bound.
SrvHandle *SrvStart(const ServerConfig &cfg, std::string *error);

// The bound game port, and the bound mail port (0 when mail is off).
int SrvGamePort(SrvHandle *h);
int SrvMailPort(SrvHandle *h);

// Runs fn on the server's network thread and waits for it (tests look inside this way).
void SrvCall(SrvHandle *h, const std::function<void()> &fn);

// Reads the configuration file again, as SIGHUP does, and waits for it: the settings that can
// change while running take their new values, each change is logged. Returns 1 when the file was
// applied, 0 when it had an error (the configuration in force is kept whole) or there is none.
int SrvReload(SrvHandle *h);

// Shuts down cleanly (missions in progress are saved, the database is closed), joins the
// thread and frees the handle.
void SrvStop(SrvHandle *h);

// The program's way: start, run on the calling thread until SIGINT/SIGTERM, shut down.
// Returns the process exit status.
int SrvRunForeground(const ServerConfig &cfg);
