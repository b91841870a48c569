// srv_log.cpp -- the server's log on standard error
#include "server/srv_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

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

void SrvLog(int level, const char *fmt, ...) {
    if (level > log_level) return;
    char text[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
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
