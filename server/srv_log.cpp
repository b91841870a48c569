// srv_log.cpp -- the server's log on standard error
#include "server/srv_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <unordered_map>

static std::atomic<int> log_level{LOG_INFO};
static std::mutex log_mutex; // the hash workers log too

static const char *const LOG_NAMES[] = {"error", "warn", "info", "debug"};

void SrvLogSetLevel(int level) {
    if (level < LOG_ERROR) level = LOG_ERROR;
    if (level > LOG_DEBUG) level = LOG_DEBUG;
    log_level = level;
}

int SrvLogLevel() {
    return log_level;
}

int SrvLogParseLevel(const char *name, int *level) {
    for (int i = 0; i <= LOG_DEBUG; i++) {
        if (strcmp(name, LOG_NAMES[i]) == 0) {
            *level = i;
            return 1;
        }
    }
    return 0;
}

static void LogWrite(int level, char *text) {
    // Control characters from client text would break the one-line-per-event log.
    for (char *p = text; *p; p++)
        if ((unsigned char)*p < 0x20 || *p == 0x7f) *p = '?';
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t;
    gmtime_r(&ts.tv_sec, &t);
    std::lock_guard<std::mutex> lock(log_mutex);
    fprintf(stderr, "%04d-%02d-%02d %02d:%02d:%02d.%03ld %-5s %s\n", t.tm_year + 1900, t.tm_mon + 1,
            t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, ts.tv_nsec / 1000000, LOG_NAMES[level], text);
}

static void LogWriteV(int level, const char *fmt, va_list ap) {
    char text[1024];
    vsnprintf(text, sizeof text, fmt, ap);
    LogWrite(level, text);
}

void SrvLog(int level, const char *fmt, ...) {
    if (level > log_level) return;
    va_list ap;
    va_start(ap, fmt);
    LogWriteV(level, fmt, ap);
    va_end(ap);
}

// ---- lines about one address ----

// A client that sends junk as fast as it can would otherwise write a line per junk line.
struct LogPeerWindow {
    int64_t start_ms = 0;
    int written = 0;
    long dropped = 0;
};

#define LOG_PEER_TABLE_MAX 4096 // beyond this many addresses, the rest share one window

static std::mutex log_peer_mutex;
static std::unordered_map<std::string, LogPeerWindow> log_peers;
static std::atomic<int> log_peer_lines{20};
static std::atomic<int> log_peer_interval_s{10};

static int64_t LogMonotonicMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

void SrvLogSetPeerLimit(int lines, int interval_s) {
    log_peer_lines = lines < 0 ? 0 : lines;
    log_peer_interval_s = interval_s < 1 ? 1 : interval_s;
}

static void LogPeerSummary(const std::string &peer, const LogPeerWindow &w) {
    if (w.dropped <= 0) return;
    char text[256];
    snprintf(text, sizeof text, "... %ld more line%s dropped from %s in the last %d s", w.dropped,
             w.dropped == 1 ? "" : "s", peer.c_str(), (int)log_peer_interval_s);
    LogWrite(LOG_WARN, text);
}

void SrvLogPeer(int level, const char *peer, const char *fmt, ...) {
    if (level > log_level) return;
    int limit = log_peer_lines;
    if (limit > 0) {
        int64_t now = LogMonotonicMs();
        std::lock_guard<std::mutex> lock(log_peer_mutex);
        auto it = log_peers.find(peer);
        if (it == log_peers.end()) {
            std::string key = log_peers.size() < LOG_PEER_TABLE_MAX ? peer : "other addresses";
            it = log_peers.emplace(key, LogPeerWindow{now, 0, 0}).first;
        }
        LogPeerWindow &w = it->second;
        if (now - w.start_ms >= (int64_t)log_peer_interval_s * 1000) {
            LogPeerSummary(it->first, w);
            w = LogPeerWindow{now, 0, 0};
        }
        if (w.written >= limit) {
            w.dropped++;
            return;
        }
        w.written++;
    }
    va_list ap;
    va_start(ap, fmt);
    LogWriteV(level, fmt, ap);
    va_end(ap);
}

void SrvLogSweep() {
    int64_t now = LogMonotonicMs();
    std::lock_guard<std::mutex> lock(log_peer_mutex);
    for (auto it = log_peers.begin(); it != log_peers.end();) {
        if (now - it->second.start_ms >= (int64_t)log_peer_interval_s * 1000) {
            LogPeerSummary(it->first, it->second);
            it = log_peers.erase(it);
        } else {
            ++it;
        }
    }
}
