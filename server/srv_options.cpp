// srv_options.cpp -- the command line and the operator commands run against the database
#include "server/srv_admin.h"
#include "server/srv_db.h"
#include "server/srv_local.h"
#include "server/srv_log.h"

#include <sodium.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

int SrvParseHashCost(const char *text, SrvHashCost *cost) {
    if (!strcmp(text, "interactive")) {
        *cost = {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
    } else if (!strcmp(text, "moderate")) {
        *cost = {crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE};
    } else if (!strcmp(text, "sensitive")) {
        *cost = {crypto_pwhash_OPSLIMIT_SENSITIVE, crypto_pwhash_MEMLIMIT_SENSITIVE};
    } else if (!strcmp(text, "min")) {
        *cost = {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
    } else {
        char *end;
        unsigned long long ops = strtoull(text, &end, 10);
        if (*end != ',') return 0;
        unsigned long long mem = strtoull(end + 1, &end, 10);
        if (*end || ops < crypto_pwhash_OPSLIMIT_MIN || ops > crypto_pwhash_OPSLIMIT_MAX ||
            mem < crypto_pwhash_MEMLIMIT_MIN || mem > (1ULL << 32))
            return 0;
        *cost = {ops, (size_t)mem};
    }
    return 1;
}

void SrvPrintHelp() {
    printf("Usage: kestrune-server [options] [command]\n"
           "\n"
           "Options:\n"
           "  --config FILE       configuration file (default /etc/kestrune/server.conf,\n"
           "                      read when it exists); options given here override it\n"
           "  --port N            game port (default 6000; 0 picks a free one)\n"
           "  --bind ADDR         address to listen on (default 0.0.0.0)\n"
           "  --mail-port N       feedback mail (SMTP) port (default 25; 0 turns mail off)\n"
           "  --smtp-port N       the same as --mail-port\n"
           "  --mail-max-conns N  mail connections open at once (default 32)\n"
           "  --mail-conns-per-addr N   of them from one address (default 4)\n"
           "  --mail-idle-s N     silence that ends a mail connection (default 60)\n"
           "  --mail-session-s N  the longest mail dialogue in seconds (default 120)\n"
           "  --mail-out-limit N  unread reply bytes that end it (default 65536)\n"
           "  --mail-per-sender N mails stored per sender in 24 hours (default 20)\n"
           "  --mail-per-peer N   mails stored per address in 24 hours (default 50)\n"
           "  --mail-max-stored N mails kept before new ones are refused (default 10000)\n"
           "  --mail-max-mb N     MiB of mail kept before new ones are refused (default 64)\n"
           "  --db PATH           database file (default ./kestrune.db)\n"
           "  --hash-cost COST    password hashing cost: interactive (default), moderate,\n"
           "                      sensitive, min, or OPS,MEMBYTES\n"
           "  --hash-threads N    password hashing threads (default 2)\n"
           "  --drones N          drone ships kept at sea (default 6)\n"
           "  --seed N            seed of the drones' routes (default: from the clock)\n"
           "  --spawn-near M      place new player ships M metres from a convoy, right on its\n"
           "                      track, instead of 15-22 km ahead of it (for tests)\n"
           "  --spawn-side D      with --spawn-near, D metres to starboard of the track\n"
           "                      (negative: to port), so the convoy passes abeam (default 0)\n"
           "  --max-connections N connections held at once (default 20000)\n"
           "  --flush-us N        under heavy load, gather output this many microseconds\n"
           "                      before writing it (default 2000; 0: every turn of the loop)\n"
           "  --flush-heavy N     gather only after a round that wrote to N or more clients\n"
           "                      (default 0: after every round)\n"
           "  --line-rate N       lines a second one client may send on average (default 60;\n"
           "                      its bytes a second and bursts scale with it)\n"
           "  --log-level LEVEL   error, warn, info (default) or debug\n"
           "\n"
           "Limits against misbehaving clients (game port):\n"
           "  --exempt ADDRS      addresses, separated by commas, free of the limits on\n"
           "                      connections and new accounts per address and overall (a\n"
           "                      gateway many players share; load tests on 127.0.0.1)\n"
           "  --per-address N     connections one address may hold (default 32)\n"
           "  --per-address-pending N\n"
           "                      of them not yet logged on (default 8)\n"
           "  --login-timeout S   seconds from connecting to logging on (default 120)\n"
           "  --hash-queue N      password checks that may wait for a hashing thread; more\n"
           "                      are told the server is busy (default 256)\n"
           "  --new-accounts-hour N\n"
           "                      new accounts one address may begin in an hour (default 10)\n"
           "  --new-accounts-minute N\n"
           "                      new accounts begun a minute by everyone together (default 60)\n"
           "  --account-fail-free N\n"
           "                      failed logins of one account before each retry must wait,\n"
           "                      1 s, 2 s, 4 s... (default 5)\n"
           "  --account-fail-max S\n"
           "                      the longest such wait (default 60)\n"
           "  --idle-harbour S    close a logged-on player in harbour who sends nothing for S\n"
           "                      seconds (default 3600; 0: never)\n"
           "  --idle-sea S        the same at sea, where the client answers position requests\n"
           "                      every 10 s (default 120; 0: never)\n"
           "  --keepalive S       TCP keepalive after S idle seconds; a vanished peer is found\n"
           "                      within about 2 x S (default 60; 0: off)\n"
           "  --out-limit BYTES   output queued for one client before it counts as not\n"
           "                      reading and is cut off (default 262144)\n"
           "  --send-buffer BYTES kernel send buffer of a game connection, which the kernel\n"
           "                      doubles (default 262144; 0: sized by the kernel)\n"
           "  --log-lines N       log lines about one address per interval, the rest summed\n"
           "                      up in one line (default 20; 0: no limit)\n"
           "  --log-interval S    that interval (default 10)\n"
           "  --move-slack UNITS  how far beyond top speed x time a reported position may lie\n"
           "                      (default 300)\n"
           "  --move-window S     the allowance starts afresh from the ship's place every S\n"
           "                      seconds (default 10)\n"
           "\n"
           "Operator channels:\n"
           "  --metrics ADDR:PORT serve Prometheus metrics at http://ADDR:PORT/metrics (off by\n"
           "                      default; use a loopback address such as 127.0.0.1:9464)\n"
           "  --admin-socket PATH admin console socket, mode 0600 (default kestrune-admin.sock\n"
           "                      beside the database; off: none)\n"
           "  --admin-port N      also take console commands over TCP on port N (needs\n"
           "                      --admin-secret; answered on --admin-bind, default 127.0.0.1)\n"
           "  --admin-bind ADDR   address of the TCP console\n"
           "  --admin-secret FILE shared secret of the TCP console (chmod 600)\n"
           "  --admin COMMAND...  send COMMAND to the running server's console and print the\n"
           "                      answer (--admin help lists the commands); every argument\n"
           "                      after it is part of the command\n"
           "\n"
           "Commands (run against the database and exit):\n"
           "  --list-players      print every account with its ships and best scores\n"
           "  --list-feedback     print every feedback mail received\n"
           "  --announce TEXT     have the running server tell every player TEXT\n"
           "  --help              print this text\n"
           "  --version           print the version\n");
}

// Where option errors go: standard error, or the caller of SrvParseArgsError (the
// configuration file's reader, which adds the file and line).
static thread_local std::string *srv_option_error = nullptr;

static void SrvOptionError(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
static void SrvOptionError(const char *fmt, ...) {
    char text[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    if (srv_option_error)
        *srv_option_error = text;
    else
        fprintf(stderr, "kestrune-server: %s\n", text);
}

static int SrvNumber(const char *opt, const char *text, long lo, long hi, long *out) {
    char *end;
    long v = strtol(text, &end, 10);
    if (!*text || *end || v < lo || v > hi) {
        SrvOptionError("%s needs a number from %ld to %ld, not '%s'", opt, lo, hi, text);
        return 0;
    }
    *out = v;
    return 1;
}

// The limits that are one whole number each.
struct SrvIntOption {
    const char *name;
    int ServerConfig::*field;
    long lo, hi;
};

static const SrvIntOption SRV_INT_OPTIONS[] = {
    {"--per-address", &ServerConfig::per_address, 1, 1000000},
    {"--per-address-pending", &ServerConfig::per_address_pending, 1, 1000000},
    {"--login-timeout", &ServerConfig::login_timeout_s, 1, 86400},
    {"--hash-queue", &ServerConfig::hash_queue, 1, 1000000},
    {"--new-accounts-hour", &ServerConfig::new_accounts_hour, 1, 1000000},
    {"--account-fail-free", &ServerConfig::account_fail_free, 0, 1000},
    {"--account-fail-max", &ServerConfig::account_fail_max_s, 1, 86400},
    {"--idle-harbour", &ServerConfig::idle_harbour_s, 0, 604800},
    {"--idle-sea", &ServerConfig::idle_sea_s, 0, 86400},
    {"--keepalive", &ServerConfig::keepalive_s, 0, 7200},
    {"--out-limit", &ServerConfig::out_limit, 4096, 1 << 30},
    {"--send-buffer", &ServerConfig::send_buffer, 0, 1 << 30},
    {"--log-lines", &ServerConfig::log_lines, 0, 1000000},
    {"--log-interval", &ServerConfig::log_interval_s, 1, 3600},
    {"--move-slack", &ServerConfig::move_slack, 0, 100000},
    {"--move-window", &ServerConfig::move_window_s, 1, 3600},
    // The feedback mail's.
    {"--mail-max-conns", &ServerConfig::mail_max_conns, 1, 100000},
    {"--mail-conns-per-addr", &ServerConfig::mail_conns_per_addr, 1, 100000},
    {"--mail-idle-s", &ServerConfig::mail_idle_s, 1, 86400},
    {"--mail-session-s", &ServerConfig::mail_session_s, 1, 86400},
    {"--mail-out-limit", &ServerConfig::mail_out_limit, 1, 1 << 30},
    {"--mail-per-sender", &ServerConfig::mail_per_sender, 1, 1000000000},
    {"--mail-per-peer", &ServerConfig::mail_per_peer, 1, 1000000000},
    {"--mail-max-stored", &ServerConfig::mail_max_stored, 1, 1000000000},
};

int SrvParseArgs(int argc, char **argv, ServerConfig *cfg, std::string *command, std::string *arg) {
    int result = 0;
    for (int i = 1; i < argc; i++) {
        const char *o = argv[i];
        const char *v = i + 1 < argc ? argv[i + 1] : nullptr;
        long n;
        const SrvIntOption *limit = nullptr;
        for (const SrvIntOption &opt : SRV_INT_OPTIONS)
            if (!strcmp(o, opt.name)) limit = &opt;
        if (limit) {
            if (!v) {
                SrvOptionError("%s needs a value", o);
                return -1;
            }
            if (!SrvNumber(o, v, limit->lo, limit->hi, &n)) return -1;
            cfg->*limit->field = (int)n;
            i++;
            continue;
        }
        if (!strcmp(o, "--new-accounts-minute")) {
            if (!v) {
                SrvOptionError("%s needs a value", o);
                return -1;
            }
            if (!SrvNumber(o, v, 1, 1000000, &n)) return -1;
            cfg->new_accounts_rate = (double)n / 60.0;
            cfg->new_accounts_burst = std::max(1.0, (double)n / 3.0);
            i++;
            continue;
        }
        // The operator channels: metrics endpoint and admin console.
        if (!strcmp(o, "--admin")) {
            *command = "admin";
            arg->clear();
            for (int k = i + 1; k < argc; k++)
                *arg += (k > i + 1 ? " " : "") + std::string(argv[k]);
            return 1;
        }
        if (!strcmp(o, "--metrics") || !strcmp(o, "--admin-socket") || !strcmp(o, "--admin-port") ||
            !strcmp(o, "--admin-bind") || !strcmp(o, "--admin-secret")) {
            if (!v) {
                fprintf(stderr, "kestrune-server: %s needs a value\n", o);
                return -1;
            }
            std::string addr;
            int port;
            if (!strcmp(o, "--metrics") && !MetricsParseAddress(v, &addr, &port)) {
                fprintf(stderr, "kestrune-server: --metrics needs ADDR:PORT, not '%s'\n", v);
                return -1;
            }
            if (!strcmp(o, "--admin-port") && !SrvNumber(o, v, 1, 65535, &n)) return -1;
            if (!strcmp(o, "--metrics")) cfg->metrics = v;
            if (!strcmp(o, "--admin-socket")) cfg->admin_socket = v;
            if (!strcmp(o, "--admin-port")) cfg->admin_port = (int)n;
            if (!strcmp(o, "--admin-bind")) cfg->admin_bind = v;
            if (!strcmp(o, "--admin-secret")) cfg->admin_secret = v;
            i++;
            continue;
        }
        if (!strcmp(o, "--help") || !strcmp(o, "-h")) {
            *command = "help";
            return 1;
        }
        if (!strcmp(o, "--version")) {
            *command = "version";
            return 1;
        }
        if (!strcmp(o, "--list-players") || !strcmp(o, "--list-feedback")) {
            *command = o + 2;
            result = 1;
            continue;
        }
        bool takes = !strcmp(o, "--port") || !strcmp(o, "--bind") || !strcmp(o, "--mail-port") ||
                     !strcmp(o, "--smtp-port") || !strcmp(o, "--db") || !strcmp(o, "--hash-cost") ||
                     !strcmp(o, "--hash-threads") || !strcmp(o, "--drones") ||
                     !strcmp(o, "--seed") || !strcmp(o, "--log-level") ||
                     !strcmp(o, "--announce") || !strcmp(o, "--max-connections") ||
                     !strcmp(o, "--line-rate") || !strcmp(o, "--flush-us") ||
                     !strcmp(o, "--exempt");
        takes = takes || !strcmp(o, "--spawn-near") || !strcmp(o, "--flush-heavy");
        takes = takes || !strcmp(o, "--spawn-side");
        takes = takes || !strcmp(o, "--mail-max-mb");
        takes = takes || !strcmp(o, "--config");
        if (!takes) {
            SrvOptionError("unknown option '%s' (see --help)", o);
            return -1;
        }
        if (!v) {
            SrvOptionError("%s needs a value", o);
            return -1;
        }
        i++;
        if (!strcmp(o, "--port")) {
            if (!SrvNumber(o, v, 0, 65535, &n)) return -1;
            cfg->port = (int)n;
        } else if (!strcmp(o, "--mail-port") || !strcmp(o, "--smtp-port")) {
            if (!SrvNumber(o, v, 0, 65535, &n)) return -1;
            cfg->mail_port = (int)n;
        } else if (!strcmp(o, "--exempt")) {
            cfg->exempt = v;
        } else if (!strcmp(o, "--config")) {
            cfg->config_file = v;
            cfg->config_required = true;
        } else if (!strcmp(o, "--bind")) {
            cfg->bind = v;
        } else if (!strcmp(o, "--db")) {
            cfg->db_path = v;
        } else if (!strcmp(o, "--hash-cost")) {
            if (!SrvParseHashCost(v, &cfg->hash_cost)) {
                SrvOptionError("bad --hash-cost '%s'", v);
                return -1;
            }
        } else if (!strcmp(o, "--hash-threads")) {
            if (!SrvNumber(o, v, 1, 64, &n)) return -1;
            cfg->hash_threads = (int)n;
        } else if (!strcmp(o, "--drones")) {
            if (!SrvNumber(o, v, 0, 2000, &n)) return -1;
            cfg->drones = (int)n;
        } else if (!strcmp(o, "--seed")) {
            if (!SrvNumber(o, v, 0, 0x7fffffff, &n)) return -1;
            cfg->seed = (uint32_t)n;
        } else if (!strcmp(o, "--spawn-near")) {
            if (!SrvNumber(o, v, 1, 100000, &n)) return -1;
            cfg->spawn_near = (int)n;
        } else if (!strcmp(o, "--spawn-side")) {
            if (!SrvNumber(o, v, -50000, 50000, &n)) return -1;
            cfg->spawn_side = (int)n;
        } else if (!strcmp(o, "--max-connections")) {
            if (!SrvNumber(o, v, 1, 1000000, &n)) return -1;
            cfg->max_connections = (int)n;
        } else if (!strcmp(o, "--flush-us")) {
            if (!SrvNumber(o, v, 0, 100000, &n)) return -1;
            cfg->flush_us = (int)n;
        } else if (!strcmp(o, "--flush-heavy")) {
            if (!SrvNumber(o, v, 0, 1000000, &n)) return -1;
            cfg->flush_heavy = (int)n;
        } else if (!strcmp(o, "--line-rate")) {
            // Load tests on one machine send faster than any player; the limits keep their ratios.
            if (!SrvNumber(o, v, 1, 1000000, &n)) return -1;
            double scale = (double)n / cfg->line_rate;
            cfg->line_rate *= scale;
            cfg->line_burst *= scale;
            cfg->byte_rate *= scale;
            cfg->byte_burst *= scale;
        } else if (!strcmp(o, "--mail-max-mb")) {
            if (!SrvNumber(o, v, 1, 1 << 20, &n)) return -1;
            cfg->mail_max_bytes = (int64_t)n << 20;
        } else if (!strcmp(o, "--log-level")) {
            int level;
            if (!SrvLogParseLevel(v, &level)) {
                SrvOptionError("--log-level is error, warn, info or debug, not '%s'", v);
                return -1;
            }
            cfg->log_level = level;
        } else if (!strcmp(o, "--announce")) {
            *command = "announce";
            *arg = v;
            result = 1;
        }
    }
    return result;
}

int SrvParseArgsError(int argc, char **argv, ServerConfig *cfg, std::string *command,
                      std::string *arg, std::string *error) {
    srv_option_error = error;
    int r = SrvParseArgs(argc, argv, cfg, command, arg);
    srv_option_error = nullptr;
    return r;
}

static const char *SrvCountryName(int c) {
    return c == 0 ? "Westland" : c == 1 ? "Northland" : "Neutral";
}

static std::string SrvTime(int64_t t) {
    char buf[32];
    time_t tt = (time_t)t;
    tm tmv;
    gmtime_r(&tt, &tmv);
    strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tmv);
    return buf;
}

// The length of a well-formed UTF-8 sequence at p that is not a C1 control, or 0.
static size_t SrvUtf8Printable(const unsigned char *p, size_t left) {
    size_t n = p[0] >= 0xf0 ? 4 : p[0] >= 0xe0 ? 3 : p[0] >= 0xc2 ? 2 : 0;
    if (n == 0 || n > left || p[0] > 0xf4) return 0;
    uint32_t cp = p[0] & (0x7f >> n);
    for (size_t i = 1; i < n; i++) {
        if ((p[i] & 0xc0) != 0x80) return 0;
        cp = cp << 6 | (p[i] & 0x3f);
    }
    static const uint32_t LEAST[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < LEAST[n] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
    return cp >= 0x80 && cp <= 0x9f ? 0 : n;
}

// Mail text as it may reach the operator's terminal: control characters and bytes that are not
// UTF-8 are shown as \xNN so no escape sequence is acted on. Text keeps its newlines and tabs.
static std::string SrvOperatorText(std::string_view s, bool text) {
    std::string out;
    out.reserve(s.size());
    const unsigned char *p = (const unsigned char *)s.data();
    for (size_t i = 0; i < s.size();) {
        unsigned char ch = p[i];
        if ((ch >= 0x20 && ch < 0x7f) || (text && (ch == '\n' || ch == '\t'))) {
            out += (char)ch;
            i++;
            continue;
        }
        size_t n = ch >= 0x80 ? SrvUtf8Printable(p + i, s.size() - i) : 0;
        if (n) {
            out.append(s.data() + i, n);
            i += n;
            continue;
        }
        char buf[8];
        snprintf(buf, sizeof buf, "\\x%02x", ch);
        out += buf;
        i++;
    }
    return out;
}

int SrvRunCommand(const ServerConfig &cfg, const std::string &command, const std::string &arg) {
    if (command == "help") {
        SrvPrintHelp();
        return 0;
    }
    if (command == "version") {
        printf("kestrune-server %s (protocol %d, database schema %d)\n", SRV_VERSION,
               PROTOCOL_VERSION, DB_SCHEMA_VERSION);
        return 0;
    }
    if (command == "admin") return AdminClient(cfg, arg);
    Db db;
    std::string error;
    if (!DbOpen(&db, cfg.db_path, &error)) {
        fprintf(stderr, "kestrune-server: %s\n", error.c_str());
        return 1;
    }
    int status = 0;
    if (command == "list-players") {
        int count = 0;
        printf("%-20s %-15s %-9s %4s %4s %4s %6s %5s %6s %6s %6s  %s\n", "UserID", "Nickname",
               "Country", "Corv", "Dest", "Subm", "Missns", "Lost", "BestCv", "BestDs", "BestSb",
               "Last login");
        int ok = DbListPlayers(&db, [&](const PlayerRecord &p) {
            int best[3] = {0, 0, 0};
            for (int k = 0; k < 3; k++)
                for (int i = 0; i < 6; i++)
                    best[k] += p.score[42 + 6 * k + i];
            printf("%-20s %-15s %-9s %4d %4d %4d %6d %5d %6d %6d %6d  %s\n", p.userid.c_str(),
                   p.nickname.c_str(), SrvCountryName(p.country), p.inv[1], p.inv[2], p.inv[3],
                   p.missions, p.ships_lost, best[0], best[1], best[2],
                   p.last_login ? SrvTime(p.last_login).c_str() : "never");
            count++;
        });
        if (ok) {
            printf("%d player%s\n", count, count == 1 ? "" : "s");
        } else {
            fprintf(stderr, "kestrune-server: database %s could not be read to the end (%s)\n",
                    cfg.db_path.c_str(), sqlite3_errmsg(db.db));
            status = 1;
        }
    } else if (command == "list-feedback") {
        int count = 0;
        int ok = DbListFeedback(&db, [&](const FeedbackRecord &f) {
            printf("--- #%lld  %s  from %s\nFrom: %s\nTo: %s\nSubject: %s\n\n%s\n", (long long)f.id,
                   SrvTime(f.received).c_str(), SrvOperatorText(f.peer, false).c_str(),
                   SrvOperatorText(f.sender, false).c_str(),
                   SrvOperatorText(f.recipient, false).c_str(),
                   SrvOperatorText(f.subject, false).c_str(),
                   SrvOperatorText(f.body, true).c_str());
            count++;
        });
        if (ok) {
            printf("%d mail%s\n", count, count == 1 ? "" : "s");
        } else {
            fprintf(stderr, "kestrune-server: database %s could not be read to the end (%s)\n",
                    cfg.db_path.c_str(), sqlite3_errmsg(db.db));
            status = 1;
        }
    } else if (command == "announce") {
        if (arg.empty() || arg.size() > 200 || !LinePrintable(arg)) {
            fprintf(stderr, "kestrune-server: an announcement is 1 to 200 printable characters\n");
            status = 1;
        } else if (!DbAddAnnouncement(&db, arg, SrvNow())) {
            fprintf(stderr, "kestrune-server: the announcement could not be stored\n");
            status = 1;
        } else {
            printf("announcement queued; a running server sends it within a few seconds\n");
        }
    } else {
        fprintf(stderr, "kestrune-server: unknown command %s\n", command.c_str());
        status = 1;
    }
    DbClose(&db);
    return status;
}
