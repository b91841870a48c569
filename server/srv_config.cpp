// srv_config.cpp -- the configuration file: read through the command line's parser, reloaded live
#include "server/srv_local.h"
#include "server/srv_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

// Names the file cannot hold: operator commands run once and exit, and the file's own name.
static const char *const CFG_COMMANDS[] = {"help",          "h",        "version", "list-players",
                                           "list-feedback", "announce", "config",  "admin"};

static std::string CfgTrim(const std::string &s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

// Runs the command line's parser over one option; *error gets its complaint.
static int CfgParse(const std::vector<std::string> &args, ServerConfig *cfg, std::string *error) {
    std::vector<char *> argv;
    std::string self = "kestrune-server";
    argv.push_back(self.data());
    std::vector<std::string> copy = args;
    for (std::string &a : copy)
        argv.push_back(a.data());
    std::string command, arg;
    error->clear();
    int r = SrvParseArgsError((int)argv.size(), argv.data(), cfg, &command, &arg, error);
    if (r > 0) *error = "--" + command + " is a command, not a setting";
    // An option whose complaint went straight to standard error still gets a line of its own.
    if (r < 0 && error->empty()) *error = "bad value for " + (args.empty() ? "" : args[0]);
    return r;
}

int SrvReadConfigFile(const std::string &path, bool required, ServerConfig *cfg,
                      std::string *error) {
    FILE *f = fopen(path.c_str(), "r");
    if (!f) {
        if (errno == ENOENT && !required) return 0;
        *error = path + ": " + strerror(errno);
        return -1;
    }
    // The settings go into a copy, so that an error leaves cfg as it was.
    ServerConfig next = *cfg;
    std::map<std::string, int> seen; // name -> line it was set on
    char *buf = nullptr;
    size_t cap = 0;
    ssize_t len;
    int line = 0;
    int result = 1;
    while (result > 0 && (len = getline(&buf, &cap, f)) >= 0) {
        line++;
        std::string where = path + ":" + std::to_string(line) + ": ";
        if (memchr(buf, 0, (size_t)len)) {
            *error = where + "a NUL byte";
            result = -1;
            break;
        }
        std::string text = CfgTrim(std::string(buf, (size_t)len).substr(0, strcspn(buf, "\n")));
        if (text.empty() || text[0] == '#') continue;
        size_t eq = text.find('=');
        std::string name = CfgTrim(text.substr(0, eq == std::string::npos ? 0 : eq));
        if (eq == std::string::npos || name.empty()) {
            *error = where + "expected name = value, not '" + text + "'";
            result = -1;
            break;
        }
        std::string value = CfgTrim(text.substr(eq + 1));
        for (const char *c : CFG_COMMANDS) {
            if (name == c) {
                *error = where + "'" + name + "' is given on the command line, not in this file";
                result = -1;
            }
        }
        if (result < 0) break;
        // On the command line a later option replaces an earlier one; in a file that would
        // quietly drop a setting (a second exempt line), so it is refused.
        auto [at, fresh] = seen.emplace(name, line);
        if (!fresh) {
            *error = where + name + " was already set on line " + std::to_string(at->second);
            result = -1;
            break;
        }
        std::string why;
        if (CfgParse({"--" + name, value}, &next, &why) != 0) {
            // The parser speaks of options; the file has names.
            size_t opt = why.find("--" + name);
            if (why.rfind("unknown option", 0) == 0)
                why = "unknown setting '" + name + "' (see kestrune-server --help)";
            else if (opt != std::string::npos)
                why.erase(opt, 2);
            *error = where + why;
            result = -1;
        }
    }
    if (result > 0 && ferror(f)) {
        *error = path + ": " + strerror(errno);
        result = -1;
    }
    free(buf);
    fclose(f);
    if (result > 0) *cfg = next;
    return result;
}

int SrvConfigure(int argc, char **argv, const char *default_file, ServerConfig *cfg,
                 std::string *command, std::string *arg) {
    // The command line first on its own: it is checked before the file, and it may name the
    // file or ask for help without reading one.
    ServerConfig probe = *cfg;
    int r = SrvParseArgs(argc, argv, &probe, command, arg);
    if (r < 0 || *command == "help" || *command == "version") return r;
    ServerConfig next = *cfg;
    next.config_file = probe.config_required ? probe.config_file : default_file;
    next.config_required = probe.config_required;
    next.config_args.assign(argv + 1, argv + argc);
    std::string error;
    if (SrvReadConfigFile(next.config_file, next.config_required, &next, &error) < 0) {
        fprintf(stderr, "kestrune-server: %s\n", error.c_str());
        return -1;
    }
    command->clear();
    arg->clear();
    r = SrvParseArgs(argc, argv, &next, command, arg);
    if (r >= 0) *cfg = next;
    return r;
}

// ---- reload ----

// A setting as a reload sees it: its name, whether it can change while running, how it is
// shown in the log, and how its new value is taken over.
struct CfgSetting {
    const char *name;
    bool live;
    std::string (*show)(const ServerConfig &c);
    void (*take)(ServerConfig *to, const ServerConfig &from);
};

static std::string CfgShow(int v) {
    return std::to_string(v);
}
static std::string CfgShow(uint32_t v) {
    return std::to_string(v);
}
static std::string CfgShow(double v) {
    char buf[32];
    snprintf(buf, sizeof buf, "%g", v);
    return buf;
}
static std::string CfgShow(const std::string &v) {
    return "'" + v + "'";
}
static std::string CfgShow(const SrvHashCost &v) {
    return std::to_string(v.ops) + "," + std::to_string(v.mem);
}

#define CFG_FIELD(name, live, field)                                                               \
    {                                                                                              \
        name, live, [](const ServerConfig &c) { return CfgShow(c.field); },                        \
            [](ServerConfig *to, const ServerConfig &from) { to->field = from.field; }             \
    }

// Everything a reload compares. What is missing here is not changed by a reload, so a new option
// belongs here too: live when the server reads it afresh each time, else needing a restart.
// Listeners, the database, the hashing threads and the world's seed are made once at start.
static const CfgSetting CFG_SETTINGS[] = {
    CFG_FIELD("port", false, port),
    CFG_FIELD("bind", false, bind),
    CFG_FIELD("mail-port", false, mail_port),
    CFG_FIELD("db", false, db_path),
    CFG_FIELD("hash-threads", false, hash_threads),
    CFG_FIELD("seed", false, seed),
    CFG_FIELD("metrics", false, metrics),
    CFG_FIELD("admin-socket", false, admin_socket),
    CFG_FIELD("admin-bind", false, admin_bind),
    CFG_FIELD("admin-port", false, admin_port),
    CFG_FIELD("admin-secret", false, admin_secret),
    CFG_FIELD("hash-cost", true, hash_cost),
    CFG_FIELD("drones", true, drones),
    CFG_FIELD("spawn-near", true, spawn_near),
    CFG_FIELD("spawn-side", true, spawn_side),
    CFG_FIELD("max-connections", true, max_connections),
    CFG_FIELD("flush-us", true, flush_us),
    CFG_FIELD("flush-heavy", true, flush_heavy),
    {"line-rate", true, [](const ServerConfig &c) { return CfgShow(c.line_rate); },
     [](ServerConfig *to, const ServerConfig &from) {
         to->line_rate = from.line_rate;
         to->line_burst = from.line_burst;
         to->byte_rate = from.byte_rate;
         to->byte_burst = from.byte_burst;
     }},
    CFG_FIELD("exempt", true, exempt),
    CFG_FIELD("per-address", true, per_address),
    CFG_FIELD("per-address-pending", true, per_address_pending),
    CFG_FIELD("login-timeout", true, login_timeout_s),
    CFG_FIELD("hash-queue", true, hash_queue),
    CFG_FIELD("new-accounts-hour", true, new_accounts_hour),
    {"new-accounts-minute", true,
     [](const ServerConfig &c) { return CfgShow(c.new_accounts_rate * 60.0); },
     [](ServerConfig *to, const ServerConfig &from) {
         to->new_accounts_rate = from.new_accounts_rate;
         to->new_accounts_burst = from.new_accounts_burst;
     }},
    CFG_FIELD("account-fail-free", true, account_fail_free),
    CFG_FIELD("account-fail-max", true, account_fail_max_s),
    CFG_FIELD("idle-harbour", true, idle_harbour_s),
    CFG_FIELD("idle-sea", true, idle_sea_s),
    CFG_FIELD("keepalive", true, keepalive_s),
    CFG_FIELD("out-limit", true, out_limit),
    CFG_FIELD("send-buffer", true, send_buffer),
    CFG_FIELD("log-lines", true, log_lines),
    CFG_FIELD("log-interval", true, log_interval_s),
    CFG_FIELD("move-slack", true, move_slack),
    CFG_FIELD("move-window", true, move_window_s),
    CFG_FIELD("mail-max-conns", true, mail_max_conns),
    CFG_FIELD("mail-conns-per-addr", true, mail_conns_per_addr),
    CFG_FIELD("mail-idle-s", true, mail_idle_s),
    CFG_FIELD("mail-session-s", true, mail_session_s),
    CFG_FIELD("mail-out-limit", true, mail_out_limit),
    CFG_FIELD("mail-per-sender", true, mail_per_sender),
    CFG_FIELD("mail-per-peer", true, mail_per_peer),
    CFG_FIELD("mail-max-stored", true, mail_max_stored),
    {"mail-max-mb", true,
     [](const ServerConfig &c) { return CfgShow((int)(c.mail_max_bytes >> 20)); },
     [](ServerConfig *to, const ServerConfig &from) { to->mail_max_bytes = from.mail_max_bytes; }},
};

static const char *const CFG_LEVEL_NAMES[] = {"error", "warn", "info", "debug"};

void SrvSetExempt(Server *s) {
    s->exempt.clear();
    const std::string &list = s->cfg.exempt;
    for (size_t at = 0; at <= list.size();) {
        size_t comma = std::min(list.find(',', at), list.size());
        std::string addr = CfgTrim(list.substr(at, comma - at));
        if (!addr.empty()) s->exempt.insert(addr);
        at = comma + 1;
    }
}

int SrvReloadConfig(Server *s) {
    const ServerConfig &old = s->cfg;
    if (old.config_file.empty()) {
        LogWarn("reload: the server was started without a configuration file");
        return 0;
    }
    // What a fresh start would read: built-in values, the file, the command line over it.
    // Settings no option makes (timings tests shorten, signal handling) stay as they are.
    ServerConfig next;
    next.handle_signals = old.handle_signals;
    next.step_ms = old.step_ms;
    next.announce_poll_ms = old.announce_poll_ms;
    next.dc_sink_speed = old.dc_sink_speed;
    next.update_interval_ms = old.update_interval_ms;
    next.update_request_ms = old.update_request_ms;
    next.config_file = old.config_file;
    next.config_required = old.config_required;
    next.config_args = old.config_args;
    std::string error;
    int r = SrvReadConfigFile(old.config_file, old.config_required, &next, &error);
    if (r < 0 || CfgParse(old.config_args, &next, &error) < 0) {
        LogError("reload: %s; the configuration in force is kept", error.c_str());
        return 0;
    }
    if (r == 0)
        LogInfo("reload: %s does not exist; built-in values apply", old.config_file.c_str());

    // The log's level first, so that the lines below are written under the new one. A file
    // without one means the built-in level. The line about it is written whatever either is.
    int changes = 0;
    int level = next.log_level < 0 ? LOG_INFO : next.log_level;
    if (level != SrvLogLevel()) {
        int was = SrvLogLevel();
        SrvLogSetLevel(std::max({was, level, (int)LOG_INFO}));
        LogInfo("reload: log-level %s -> %s", CFG_LEVEL_NAMES[was], CFG_LEVEL_NAMES[level]);
        SrvLogSetLevel(level);
        changes++;
    }
    ServerConfig applied = old;
    for (const CfgSetting &set : CFG_SETTINGS) {
        std::string was = set.show(old), now = set.show(next);
        if (was == now) continue;
        if (set.live) {
            LogInfo("reload: %s %s -> %s", set.name, was.c_str(), now.c_str());
            set.take(&applied, next);
            changes++;
        } else {
            LogWarn("reload: %s %s -> %s needs a restart; %s stays in force", set.name, was.c_str(),
                    now.c_str(), was.c_str());
        }
    }
    applied.log_level = next.log_level;
    s->cfg = applied;

    // What was copied out of the configuration at start.
    SrvSetExempt(s);
    SrvLogSetPeerLimit(s->cfg.log_lines, s->cfg.log_interval_s);
    s->new_accounts_all.rate = s->cfg.new_accounts_rate;
    s->new_accounts_all.burst = s->cfg.new_accounts_burst;
    s->new_accounts_all.tokens = std::min(s->new_accounts_all.tokens, s->cfg.new_accounts_burst);
    {
        std::lock_guard<std::mutex> lock(s->pool.mutex);
        s->pool.max_jobs = (size_t)std::max(1, s->cfg.hash_queue);
    }
    LogInfo("reload: %s read, %d setting%s changed", old.config_file.c_str(), changes,
            changes == 1 ? "" : "s");
    return 1;
}

int SrvReload(SrvHandle *h) {
    int r = 0;
    SrvCall(h, [&] { r = SrvReloadConfig(SrvServerOf(h)); });
    return r;
}
