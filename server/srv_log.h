// srv_log.h -- the server's log: one line per event on standard error, filtered by level
#pragma once

enum SrvLogLevel { LOG_ERROR = 0, LOG_WARN = 1, LOG_INFO = 2, LOG_DEBUG = 3 };

// Sets the most detailed level that is still written (default LOG_INFO).
void SrvLogSetLevel(int level);

// The level now in force.
int SrvLogLevel();

// Reads "error", "warn", "info" or "debug" into *level; returns 0 for anything else.
int SrvLogParseLevel(const char *name, int *level);

// Writes one printf-style line at the given level, with a time stamp and the level's name.
void SrvLog(int level, const char *fmt, ...) __attribute__((format(printf, 2, 3)));

// Writes a line about one client address. An address gets at most the set number of lines in
// each interval; the rest are counted, and one summary line tells how many were dropped.
void SrvLogPeer(int level, const char *peer, const char *fmt, ...)
    __attribute__((format(printf, 3, 4)));

// Lines one address may write per interval (0: no limit), and the interval in seconds.
void SrvLogSetPeerLimit(int lines, int interval_s);

// Writes the summaries of intervals that have ended and forgets their addresses (called about
// once a second, so that a summary comes even when the address falls silent).
void SrvLogSweep();

#define LogError(...) SrvLog(LOG_ERROR, __VA_ARGS__)
#define LogWarn(...) SrvLog(LOG_WARN, __VA_ARGS__)
#define LogInfo(...)                                                                               \
    do {                                                                                           \
        if (SrvLogLevel() >= LOG_INFO) SrvLog(LOG_INFO, __VA_ARGS__);                              \
    } while (0)
#define LogDebug(...)                                                                              \
    do {                                                                                           \
        if (SrvLogLevel() >= LOG_DEBUG) SrvLog(LOG_DEBUG, __VA_ARGS__);                            \
    } while (0)
