// srv_metrics.h -- the server's counters and timings, and the HTTP endpoint that serves them
#pragma once

#include <stdint.h>

#include <chrono>
#include <string>

// Refusals and cut-offs, one per limit; the names are the label values of the metrics.
enum {
    LIMIT_MAX_CONNECTIONS,      // connections held at once
    LIMIT_PER_ADDRESS,          // connections of one address
    LIMIT_PER_ADDRESS_PENDING,  // of them not logged on
    LIMIT_LOGIN_TIMEOUT,        // no login in time
    LIMIT_ADDRESS_FAILS,        // failed logins of one address
    LIMIT_ACCOUNT_FAILS,        // failed logins of one account: the wait
    LIMIT_HASH_QUEUE,           // password checks waiting for a hashing thread
    LIMIT_NEW_ACCOUNTS_ADDRESS, // new accounts of one address in an hour
    LIMIT_NEW_ACCOUNTS_ALL,     // new accounts of everyone together
    LIMIT_LINE_RATE,            // lines a second
    LIMIT_BYTE_RATE,            // bytes a second
    LIMIT_OUT,                  // output queued for a client that does not read
    LIMIT_IDLE_HARBOUR,
    LIMIT_IDLE_SEA,
    LIMIT_MAIL_CONNS_PER_ADDR,
    LIMIT_MAIL_MAX_CONNS, // refused, or the oldest of the greediest address closed
    LIMIT_MAIL_IDLE,
    LIMIT_MAIL_SESSION,
    LIMIT_MAIL_OUT,
    LIMIT_MAIL_RATE, // mails a minute on one connection
    LIMIT_MAIL_PER_SENDER,
    LIMIT_MAIL_PER_PEER,
    LIMIT_MAIL_MAX_STORED,
    LIMIT_MAIL_MAX_BYTES,
    LIMIT_BANNED_ACCOUNT,
    LIMIT_BANNED_ADDRESS,
    LIMIT_COUNT
};

extern const char *const METRIC_LIMIT_NAME[LIMIT_COUNT];

#define METRIC_BUCKETS 14

// A latency histogram in seconds, with fixed buckets (METRIC_BUCKET_LE).
struct MetricHistogram {
    uint64_t bucket[METRIC_BUCKETS + 1] = {}; // the last one is +Inf; not cumulative
    uint64_t count = 0;
    double sum = 0;
};

extern const double METRIC_BUCKET_LE[METRIC_BUCKETS];

// Everything counted on the network thread; only that thread touches it.
struct SrvMetrics {
    uint64_t logins = 0, login_failures = 0, accounts_created = 0;
    uint64_t connections = 0; // game connections accepted
    uint64_t lines_in = 0, lines_out = 0;
    uint64_t mails_stored = 0;
    uint64_t admin_commands = 0, admin_auth_failures = 0;
    uint64_t refused[LIMIT_COUNT] = {};
    MetricHistogram relay, step, db;
};

// Adds one observation of secs seconds.
void MetricObserve(MetricHistogram *h, double secs);

// Seconds since t, for MetricObserve.
inline double MetricSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

struct Server;

// Counts one refusal or cut-off by a limit.
void MetricRefused(Server *s, int limit);

// The figures in the Prometheus text format (version 0.0.4).
std::string MetricsText(Server *s);

// The same figures as plain lines for the operator ("name value").
std::string MetricsPlain(Server *s);

// Reads "ADDR:PORT" ("[::1]:9100" for IPv6); returns false when it is not that.
bool MetricsParseAddress(const std::string &text, std::string *addr, int *port);

// Starts the HTTP endpoint of cfg.metrics (nothing when it is empty). Returns false with a
// reason in *error when it can't listen.
bool MetricsStart(Server *s, std::string *error);

// Closes the endpoint and its connections.
void MetricsStop(Server *s);

// The bound metrics port (0 when off).
int MetricsPort(Server *s);
