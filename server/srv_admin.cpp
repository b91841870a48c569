// srv_admin.cpp -- the operator's console: local socket and TCP with a challenge, commands, bans
#include "server/srv_admin.h"
#include "server/srv_conn.h"
#include "server/srv_local.h"
#include "server/srv_log.h"

#include <sodium.h>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

#define ADMIN_MAX_CONNS 8       // console connections at once, each way
#define ADMIN_LINE_MAX 1024     // longest command line
#define ADMIN_AUTH_S 10         // a TCP client must answer the challenge within this
#define ADMIN_IDLE_S 600        // a silent console connection is closed after this
#define ADMIN_NONCE_BYTES 32    // random bytes of a challenge
#define ADMIN_FAIL_MAX_S 60     // the longest wait after wrong answers from one address
#define ADMIN_FAIL_FORGET_S 900 // wrong answers are forgotten after this long without one
#define ADMIN_GREETING "KESTRUNE-ADMIN 1"
#define ADMIN_CLIENT_TIMEOUT_MS 10000

// Wrong answers to the challenge from one address: each makes the next try wait longer.
struct AdminFails {
    int count = 0;
    SteadyClock::time_point last{}, not_before{};
};

struct AdminConn : std::enable_shared_from_this<AdminConn> {
    AdminConn(Server *s, asio::generic::stream_protocol::socket so)
        : srv(s), sock(std::move(so)), timer(s->io) {}
    Server *srv;
    asio::generic::stream_protocol::socket sock;
    asio::steady_timer timer;
    std::string who;  // for the log: "socket uid 1000 pid 42" or "tcp 127.0.0.1"
    std::string peer; // the TCP address (empty on the socket)
    std::string nonce, in, out, inflight;
    std::array<char, 512> rbuf;
    bool authed = false, closing = false, closed = false, writing = false;
};

struct AdminState {
    explicit AdminState(asio::io_context &io) : local(io), tcp(io) {}
    asio::local::stream_protocol::acceptor local;
    asio::ip::tcp::acceptor tcp;
    std::string path; // the socket made by this server, removed at the end
    std::string secret;
    int port = 0;
    std::unordered_set<std::string> banned_accounts, banned_addrs;
    std::vector<std::weak_ptr<AdminConn>> open;
    std::unordered_map<std::string, AdminFails> fails;
};

static AdminState *AdminOf(Server *s) {
    if (!s->admin) s->admin = std::make_shared<AdminState>(s->io);
    return s->admin.get();
}

std::string AdminSocketPath(const ServerConfig &cfg) {
    if (cfg.admin_socket == "off") return std::string();
    if (!cfg.admin_socket.empty()) return cfg.admin_socket;
    size_t slash = cfg.db_path.rfind('/');
    if (slash == std::string::npos) return ADMIN_SOCKET_NAME;
    return cfg.db_path.substr(0, slash + 1) + ADMIN_SOCKET_NAME;
}

bool AdminReadSecret(const std::string &path, std::string *secret, std::string *error) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = "admin secret " + path + ": " + strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        *error = "admin secret " + path + " is not a regular file";
        return false;
    }
    if (st.st_mode & (S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH)) {
        close(fd);
        *error = "admin secret " + path +
                 " may be read or written by group or others; make it private (chmod 600)";
        return false;
    }
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    close(fd);
    if (n < 0) {
        *error = "admin secret " + path + ": " + strerror(errno);
        return false;
    }
    std::string s(buf, (size_t)n);
    while (!s.empty() && isspace((unsigned char)s.back()))
        s.pop_back();
    if (s.size() < ADMIN_SECRET_MIN) {
        *error = "admin secret " + path + " holds fewer than " + std::to_string(ADMIN_SECRET_MIN) +
                 " bytes (e.g. `head -c 32 /dev/urandom | "
                 "base64 > FILE`)";
        return false;
    }
    *secret = s;
    return true;
}

std::string AdminAnswer(const std::string &secret, const std::string &nonce) {
    unsigned char mac[crypto_auth_hmacsha256_BYTES];
    crypto_auth_hmacsha256_state st;
    crypto_auth_hmacsha256_init(&st, (const unsigned char *)secret.data(), secret.size());
    crypto_auth_hmacsha256_update(&st, (const unsigned char *)nonce.data(), nonce.size());
    crypto_auth_hmacsha256_final(&st, mac);
    char hex[sizeof mac * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, mac, sizeof mac);
    sodium_memzero(&st, sizeof st);
    return hex;
}

// ---- bans ----

bool AdminBannedAccount(Server *s, const std::string &userid) {
    return s->admin && s->admin->banned_accounts.count(userid);
}

bool AdminBannedAddress(Server *s, const std::string &addr) {
    return s->admin && s->admin->banned_addrs.count(addr);
}

size_t AdminBanCount(Server *s) {
    return s->admin ? s->admin->banned_accounts.size() + s->admin->banned_addrs.size() : 0;
}

void AdminRefuseAddress(Conn *c) {
    MetricRefused(c->srv, LIMIT_BANNED_ADDRESS);
    ConnLog(LOG_INFO, c, "refused: the address is banned");
    ConnSend(c, SRV_GREETING);
    SessionSendText(c, T_DIALOG, "Your address is banned from this server.");
    SessionSendEmpty(c, T_NOLOGIN);
    ConnClose(c, nullptr, true);
}

// ---- commands ----

static void AdminAdd(std::string *reply, const char *fmt, ...)
    __attribute__((format(printf, 2, 3)));

static void AdminAdd(std::string *reply, const char *fmt, ...) {
    char line[512];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    if (n < 0) return;
    reply->append(line, std::min<size_t>((size_t)n, sizeof line - 1));
    *reply += '\n';
}

static const char *AdminStateName(const Conn *c) {
    switch (c->state) {
    case CS_AWAIT_ID:
        return "login";
    case CS_VERIFYING:
        return "verifying";
    case CS_AWAIT_NAME:
        return "new-player";
    case CS_CREATING:
        return "creating";
    default:
        return c->ship_id ? "at-sea" : "harbour";
    }
}

static const char *const ADMIN_CLASS_NAME[SHIP_CLASSES] = {"tanker",    "corvette", "destroyer",
                                                           "submarine", "ship",     "merchant"};

// A player is told why and closed once the message has gone out.
static void AdminKick(Conn *c, const char *why) {
    if (c->closed || c->closing) return;
    SessionSendText(c, T_DIALOG, "%s", why);
    ConnClose(c, "removed by the operator", true);
}

// The live connection of a number or a logged-on player's nickname (any case).
static Conn *AdminFindConn(Server *s, const std::string &key) {
    bool digits = !key.empty() && key.find_first_not_of("0123456789") == std::string::npos;
    std::string lower = key;
    for (char &ch : lower)
        ch = (char)tolower((unsigned char)ch);
    for (auto &kv : s->conns) {
        Conn *c = kv.second.get();
        if (c->closed || c->closing) continue;
        if (digits && key.size() < 11 && c->cid == (uint32_t)strtoul(key.c_str(), nullptr, 10))
            return c;
        if (c->state != CS_LOBBY) continue;
        std::string nick = c->rec.nickname;
        for (char &ch : nick)
            ch = (char)tolower((unsigned char)ch);
        if (nick == lower) return c;
    }
    return nullptr;
}

static void AdminPlayers(Server *s, std::string *reply) {
    std::map<uint32_t, Conn *> sorted;
    for (auto &kv : s->conns)
        if (!kv.second->closed) sorted[kv.first] = kv.second.get();
    AdminAdd(reply, "%-8s %-39s %-20s %-15s %-10s %s", "ID", "ADDRESS", "ACCOUNT", "NICKNAME",
             "STATE", "SHIP");
    for (auto &kv : sorted) {
        Conn *c = kv.second;
        bool on = c->state == CS_LOBBY;
        std::string account = on ? c->rec.userid : c->pending_userid;
        std::string ship = "-";
        if (c->ship_id && c->ship_class >= 0 && c->ship_class < SHIP_CLASSES)
            ship = std::string(ADMIN_CLASS_NAME[c->ship_class]) + " " + std::to_string(c->ship_id);
        AdminAdd(reply, "%-8u %-39s %-20s %-15s %-10s %s", c->cid, c->peer.c_str(),
                 account.empty() ? "-" : account.c_str(),
                 on || !c->rec.nickname.empty() ? c->rec.nickname.c_str() : "-", AdminStateName(c),
                 ship.c_str());
    }
    AdminAdd(reply, "%d connection%s, %d logged on, %d at sea", (int)sorted.size(),
             sorted.size() == 1 ? "" : "s", s->online, s->at_sea);
}

static void AdminLimits(Server *s, std::string *reply) {
    const ServerConfig &c = s->cfg;
    AdminAdd(reply, "max-connections %d", c.max_connections);
    AdminAdd(reply, "per-address %d", c.per_address);
    AdminAdd(reply, "per-address-pending %d", c.per_address_pending);
    AdminAdd(reply, "login-timeout %d", c.login_timeout_s);
    AdminAdd(reply, "hash-queue %d", c.hash_queue);
    AdminAdd(reply, "new-accounts-hour %d", c.new_accounts_hour);
    AdminAdd(reply, "new-accounts-minute %g", c.new_accounts_rate * 60.0);
    AdminAdd(reply, "account-fail-free %d", c.account_fail_free);
    AdminAdd(reply, "account-fail-max %d", c.account_fail_max_s);
    AdminAdd(reply, "idle-harbour %d", c.idle_harbour_s);
    AdminAdd(reply, "idle-sea %d", c.idle_sea_s);
    AdminAdd(reply, "keepalive %d", c.keepalive_s);
    AdminAdd(reply, "out-limit %d", c.out_limit);
    AdminAdd(reply, "send-buffer %d", c.send_buffer);
    AdminAdd(reply, "line-rate %g", c.line_rate);
    AdminAdd(reply, "log-lines %d", c.log_lines);
    AdminAdd(reply, "log-interval %d", c.log_interval_s);
    AdminAdd(reply, "move-slack %d", c.move_slack);
    AdminAdd(reply, "move-window %d", c.move_window_s);
    AdminAdd(reply, "exempt %s", c.exempt.empty() ? "-" : c.exempt.c_str());
    AdminAdd(reply, "mail-max-conns %d", c.mail_max_conns);
    AdminAdd(reply, "mail-conns-per-addr %d", c.mail_conns_per_addr);
    AdminAdd(reply, "mail-idle-s %d", c.mail_idle_s);
    AdminAdd(reply, "mail-session-s %d", c.mail_session_s);
    AdminAdd(reply, "mail-out-limit %d", c.mail_out_limit);
    AdminAdd(reply, "mail-per-sender %d", c.mail_per_sender);
    AdminAdd(reply, "mail-per-peer %d", c.mail_per_peer);
    AdminAdd(reply, "mail-max-stored %d", c.mail_max_stored);
    AdminAdd(reply, "mail-max-mb %lld", (long long)(c.mail_max_bytes >> 20));
}

static const char ADMIN_HELP[] = "players                  list connections: id, address, account, "
                                 "nickname, state, ship\n"
                                 "kick ID|NICK             close a connection, telling the player\n"
                                 "ban account USERID       refuse the account's logins (and close "
                                 "it if on)\n"
                                 "ban address ADDR         refuse the address's connections (and "
                                 "close those open)\n"
                                 "unban account USERID     lift a ban\n"
                                 "unban address ADDR       lift a ban\n"
                                 "bans                     list the bans\n"
                                 "announce TEXT            tell every player TEXT now\n"
                                 "limits                   the limits in force\n"
                                 "stats                    the server's figures\n"
                                 "shutdown                 save the missions and stop the server\n"
                                 "help                     this text\n";

// A ban's kind and value from "account NAME" / "address ADDR"; false with a reason otherwise.
static bool AdminBanArgs(const std::string &rest, std::string *kind, std::string *value,
                         std::string *reply) {
    size_t sp = rest.find(' ');
    *kind = rest.substr(0, sp);
    *value = sp == std::string::npos ? std::string() : rest.substr(sp + 1);
    while (!value->empty() && value->back() == ' ')
        value->pop_back();
    if (*kind == "account") {
        if (value->empty() || value->size() > LOGIN_FIELD_MAX ||
            value->find(' ') != std::string::npos) {
            *reply = "an account is a UserID of 1 to 31 characters without blanks";
            return false;
        }
        return true;
    }
    if (*kind == "address") {
        asio::error_code ec;
        asio::ip::address a = asio::ip::make_address(*value, ec);
        if (ec) {
            *reply = "not a numeric network address: " + *value;
            return false;
        }
        *value = a.to_string(); // as connections are named
        return true;
    }
    *reply = "ban and unban take: account USERID, or address ADDR";
    return false;
}

static bool AdminBan(Server *s, const std::string &who, const std::string &rest, bool ban,
                     std::string *reply) {
    std::string kind, value;
    if (!AdminBanArgs(rest, &kind, &value, reply)) return false;
    AdminState *st = AdminOf(s);
    auto &set = kind == "account" ? st->banned_accounts : st->banned_addrs;
    int r = ban ? DbAddBan(&s->db, kind, value, SrvNow()) : DbRemoveBan(&s->db, kind, value);
    if (r < 0) {
        *reply = "the database could not store it; see the server's log";
        return false;
    }
    if (!ban) {
        set.erase(value);
        LogWarn("admin (%s): %s %s unbanned", who.c_str(), kind.c_str(), value.c_str());
        AdminAdd(reply, r ? "%s %s unbanned" : "%s %s was not banned", kind.c_str(), value.c_str());
        return true;
    }
    set.insert(value);
    int closed = 0;
    for (auto &kv : s->conns) {
        Conn *c = kv.second.get();
        if (c->closed || c->closing) continue;
        bool hit = kind == "address"
                       ? c->peer == value
                       : (c->state == CS_LOBBY ? c->rec.userid : c->pending_userid) == value;
        if (!hit) continue;
        AdminKick(c, kind == "address" ? "Your address has been banned from this server."
                                       : "Your account has been banned from this server.");
        closed++;
    }
    LogWarn("admin (%s): %s %s banned, %d connection%s closed", who.c_str(), kind.c_str(),
            value.c_str(), closed, closed == 1 ? "" : "s");
    AdminAdd(reply, "%s %s %s, %d connection%s closed", kind.c_str(), value.c_str(),
             r ? "banned" : "was already banned", closed, closed == 1 ? "" : "s");
    return true;
}

// The line as it may be written to the log: printable, and not too long.
static std::string AdminLogText(const std::string &line) {
    std::string out;
    for (unsigned char ch : line.substr(0, 200))
        out += ch >= 0x20 && ch < 0x7f ? (char)ch : '?';
    if (line.size() > 200) out += "...";
    return out;
}

bool AdminCommand(Server *s, const std::string &who, const std::string &line, std::string *reply) {
    reply->clear();
    s->metrics.admin_commands++;
    size_t start = line.find_first_not_of(' ');
    std::string cmd, rest;
    if (start != std::string::npos) {
        size_t sp = line.find(' ', start);
        cmd = line.substr(start, sp == std::string::npos ? std::string::npos : sp - start);
        if (sp != std::string::npos) {
            size_t r = line.find_first_not_of(' ', sp);
            if (r != std::string::npos) rest = line.substr(r);
        }
    }
    bool reads =
        cmd == "players" || cmd == "bans" || cmd == "limits" || cmd == "stats" || cmd == "help";
    if (reads) {
        LogInfo("admin (%s): %s", who.c_str(), AdminLogText(line).c_str());
    } else if (cmd != "ban" && cmd != "unban") {
        // Actions are logged whatever the level: the log is the operators' record of them.
        LogWarn("admin (%s): %s", who.c_str(), AdminLogText(line).c_str());
    }
    if (cmd == "help") {
        *reply = ADMIN_HELP;
        return true;
    }
    if (cmd == "players") {
        AdminPlayers(s, reply);
        return true;
    }
    if (cmd == "limits") {
        AdminLimits(s, reply);
        return true;
    }
    if (cmd == "stats") {
        *reply = MetricsPlain(s);
        return true;
    }
    if (cmd == "bans") {
        DbListBans(&s->db, [&](const std::string &kind, const std::string &value, int64_t when) {
            AdminAdd(reply, "%s %s since %lld", kind.c_str(), value.c_str(), (long long)when);
        });
        AdminAdd(reply, "%zu ban%s", AdminBanCount(s), AdminBanCount(s) == 1 ? "" : "s");
        return true;
    }
    if (cmd == "kick") {
        Conn *c = rest.empty() ? nullptr : AdminFindConn(s, rest);
        if (!c) {
            *reply = rest.empty() ? "kick takes a connection id or a nickname"
                                  : "no connection or player " + AdminLogText(rest);
            return false;
        }
        AdminAdd(reply, "connection %u (%s) closed", c->cid,
                 c->state == CS_LOBBY ? c->rec.nickname.c_str() : c->peer.c_str());
        AdminKick(c, "You have been removed from the server by its operator.");
        return true;
    }
    if (cmd == "ban" || cmd == "unban") {
        if (!AdminBan(s, who, rest, cmd == "ban", reply)) {
            LogWarn("admin (%s): %s refused: %s", who.c_str(), AdminLogText(line).c_str(),
                    reply->c_str());
            return false;
        }
        return true;
    }
    if (cmd == "announce") {
        if (rest.empty() || rest.size() > 200 || !LinePrintable(rest)) {
            *reply = "an announcement is 1 to 200 printable characters";
            return false;
        }
        SessionBroadcastText(s, "Announcement: " + rest);
        AdminAdd(reply, "announced to %d player%s", s->online, s->online == 1 ? "" : "s");
        return true;
    }
    if (cmd == "shutdown") {
        AdminAdd(reply, "shutting down");
        // After this turn, so the answer leaves first.
        asio::post(s->io, [s] { SrvShutdown(s); });
        return true;
    }
    *reply = cmd.empty() ? "no command (try help)"
                         : "unknown command " + AdminLogText(cmd) + " (try help)";
    return false;
}

// ---- console connections ----

static void AdminClose(const std::shared_ptr<AdminConn> &c) {
    if (c->closed) return;
    c->closed = true;
    asio::error_code ec;
    c->timer.cancel();
    c->sock.shutdown(asio::socket_base::shutdown_both, ec);
    c->sock.close(ec);
}

static void AdminFlush(const std::shared_ptr<AdminConn> &c) {
    if (c->closed || c->writing || SrvConnDrained(c, AdminClose)) return;
    // Answers are small: nearly always they go out here and now, before a shutdown stops the
    // loop; the rest waits for the socket.
    ssize_t n =
        ::send(c->sock.native_handle(), c->out.data(), c->out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        AdminClose(c);
        return;
    }
    if (n > 0) c->out.erase(0, (size_t)n);
    if (SrvConnDrained(c, AdminClose)) return;
    SrvConnWrite(c, AdminClose, AdminFlush);
}

// Answers are "OK N" and N lines, or "ERR reason" on one line.
static void AdminAnswerLines(const std::shared_ptr<AdminConn> &c, bool ok,
                             const std::string &text) {
    if (!ok) {
        std::string one = text;
        std::replace(one.begin(), one.end(), '\n', ' ');
        while (!one.empty() && one.back() == ' ')
            one.pop_back();
        c->out += "ERR " + one + "\n";
        return;
    }
    size_t lines = (size_t)std::count(text.begin(), text.end(), '\n');
    if (!text.empty() && text.back() != '\n') lines++;
    c->out += "OK " + std::to_string(lines) + "\n" + text;
    if (!text.empty() && text.back() != '\n') c->out += '\n';
}

static void AdminIdle(const std::shared_ptr<AdminConn> &c, int secs) {
    c->timer.expires_after(std::chrono::seconds(secs));
    std::weak_ptr<AdminConn> weak = c;
    c->timer.async_wait([weak](const asio::error_code &ec) {
        auto conn = weak.lock();
        if (!ec && conn) AdminClose(conn);
    });
}

static int AdminWaitSeconds(const AdminFails &f, SteadyClock::time_point now) {
    if (f.not_before <= now) return 0;
    return (int)std::chrono::ceil<std::chrono::seconds>(f.not_before - now).count();
}

// The answer to the challenge. One try a connection; a wrong one makes the address wait 1 s,
// 2 s, 4 s ... (up to ADMIN_FAIL_MAX_S) before its next answer is even looked at.
static void AdminAuth(const std::shared_ptr<AdminConn> &c, const std::string &line) {
    Server *s = c->srv;
    AdminState *st = AdminOf(s);
    SteadyClock::time_point now = SteadyClock::now();
    AdminFails &f = st->fails[c->peer];
    c->closing = true; // unless the answer is right
    if (int wait = AdminWaitSeconds(f, now)) {
        LogWarn("admin (%s): answer refused unread, %d s of wait left", c->who.c_str(), wait);
        AdminAnswerLines(c, false,
                         "too many wrong answers from your address; try again in " +
                             std::to_string(wait) + " s");
        return;
    }
    std::string expected = AdminAnswer(st->secret, c->nonce);
    std::string given = line.compare(0, 5, "AUTH ") == 0 ? line.substr(5) : std::string();
    bool right = given.size() == expected.size() &&
                 sodium_memcmp(given.data(), expected.data(), expected.size()) == 0;
    if (!right) {
        s->metrics.admin_auth_failures++;
        f.count++;
        f.last = now;
        int64_t wait = std::min<int64_t>((int64_t)1 << std::min(f.count - 1, 20), ADMIN_FAIL_MAX_S);
        f.not_before = now + std::chrono::seconds(wait);
        LogWarn("admin (%s): wrong answer to the challenge (%d in a row); the next is heard in "
                "%lld s",
                c->who.c_str(), f.count, (long long)wait);
        AdminAnswerLines(c, false, "authentication failed");
        return;
    }
    st->fails.erase(c->peer);
    c->closing = false;
    c->authed = true;
    LogWarn("admin (%s): authenticated", c->who.c_str());
    AdminAnswerLines(c, true, "");
    AdminIdle(c, ADMIN_IDLE_S);
}

static void AdminLine(const std::shared_ptr<AdminConn> &c, std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!c->authed) {
        AdminAuth(c, line);
        return;
    }
    if (line.find_first_not_of(' ') == std::string::npos) return;
    if (line == "quit" || line == "exit") {
        c->closing = true;
        return;
    }
    std::string reply;
    bool ok = AdminCommand(c->srv, c->who, line, &reply);
    AdminAnswerLines(c, ok, reply);
}

static void AdminRead(const std::shared_ptr<AdminConn> &c) {
    c->sock.async_read_some(asio::buffer(c->rbuf), [c](const asio::error_code &ec, size_t n) {
        if (c->closed) return;
        if (ec) {
            AdminClose(c);
            return;
        }
        if (c->authed) AdminIdle(c, ADMIN_IDLE_S);
        c->in.append(c->rbuf.data(), n);
        size_t nl;
        while (!c->closing && (nl = c->in.find('\n')) != std::string::npos) {
            std::string line = c->in.substr(0, nl);
            c->in.erase(0, nl + 1);
            AdminLine(c, line);
            if (c->closed) return;
        }
        if (!c->closing && c->in.size() > ADMIN_LINE_MAX) {
            AdminAnswerLines(c, false, "line too long");
            c->closing = true;
        }
        AdminFlush(c);
        if (!c->closing && !c->closed) AdminRead(c);
    });
}

// Room for one more console connection (those gone are forgotten first).
static bool AdminRoom(AdminState *st) {
    auto &v = st->open;
    v.erase(std::remove_if(v.begin(), v.end(),
                           [](const std::weak_ptr<AdminConn> &w) {
                               auto o = w.lock();
                               return !o || o->closed;
                           }),
            v.end());
    return v.size() < 2 * ADMIN_MAX_CONNS;
}

// Takes over an accepted descriptor (-1: the release failed); null when it can't be used.
static std::shared_ptr<AdminConn> AdminWrap(Server *s, int family, int protocol, int fd) {
    if (fd < 0) return nullptr;
    asio::generic::stream_protocol::socket sock(s->io);
    asio::error_code ec;
    sock.assign(asio::generic::stream_protocol(family, protocol), fd, ec);
    if (ec) {
        LogWarn("admin: %s", ec.message().c_str());
        close(fd);
        return nullptr;
    }
    return std::make_shared<AdminConn>(s, std::move(sock));
}

static void AdminAcceptLocal(Server *s) {
    AdminState *st = AdminOf(s);
    st->local.async_accept([s, st](const asio::error_code &ec,
                                   asio::local::stream_protocol::socket sock) {
        if (s->stopping || ec == asio::error::operation_aborted) return;
        asio::error_code e;
        if (ec) {
            LogWarn("admin accept: %s", ec.message().c_str());
        } else if (!AdminRoom(st)) {
            LogWarn("admin: too many console connections, one more closed");
        } else if (auto c = AdminWrap(s, AF_UNIX, 0, sock.release(e))) {
            int fd = c->sock.native_handle();
            ucred cred{};
            socklen_t len = sizeof cred;
            if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0)
                c->who =
                    "socket uid " + std::to_string(cred.uid) + " pid " + std::to_string(cred.pid);
            else
                c->who = "socket";
            // The socket's mode is the authentication: whoever can connect is the operator.
            c->authed = true;
            st->open.push_back(c);
            AdminIdle(c, ADMIN_IDLE_S);
            AdminRead(c);
        }
        AdminAcceptLocal(s);
    });
}

static void AdminAcceptTcp(Server *s) {
    AdminState *st = AdminOf(s);
    st->tcp.async_accept([s, st](const asio::error_code &ec, asio::ip::tcp::socket sock) {
        if (s->stopping || ec == asio::error::operation_aborted) return;
        if (ec) {
            LogWarn("admin accept: %s", ec.message().c_str());
        } else if (!AdminRoom(st)) {
            LogWarn("admin: too many console connections, one more closed");
        } else {
            asio::error_code e;
            asio::ip::tcp::endpoint ep = sock.remote_endpoint(e);
            std::string peer = e ? "?" : ep.address().to_string();
            int family = ep.address().is_v6() ? AF_INET6 : AF_INET;
            auto c = AdminWrap(s, family, IPPROTO_TCP, sock.release(e));
            if (!c) {
                AdminAcceptTcp(s);
                return;
            }
            c->peer = peer;
            c->who = "tcp " + peer;
            st->open.push_back(c);
            auto f = st->fails.find(peer);
            int wait = f == st->fails.end() ? 0 : AdminWaitSeconds(f->second, SteadyClock::now());
            if (wait) {
                AdminAnswerLines(c, false,
                                 "too many wrong answers from your address; try again in " +
                                     std::to_string(wait) + " s");
                c->closing = true;
            } else {
                unsigned char nonce[ADMIN_NONCE_BYTES];
                randombytes_buf(nonce, sizeof nonce);
                char hex[sizeof nonce * 2 + 1];
                sodium_bin2hex(hex, sizeof hex, nonce, sizeof nonce);
                c->nonce = hex;
                c->out = std::string(ADMIN_GREETING) + " " + c->nonce + "\n";
                AdminIdle(c, ADMIN_AUTH_S);
                AdminRead(c);
            }
            AdminFlush(c);
        }
        AdminAcceptTcp(s);
    });
}

// Checks what is at the socket's path. Only a socket of this user that no one else may write
// and that no running server answers on is taken over (one left by a server that was killed).
static bool AdminCheckPath(const std::string &path, std::string *error) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return true;
        *error = "admin socket " + path + ": " + strerror(errno);
        return false;
    }
    if (!S_ISSOCK(st.st_mode)) {
        *error = "admin socket " + path +
                 " exists and is not a socket; remove it or choose "
                 "another path with --admin-socket";
        return false;
    }
    if (st.st_uid != geteuid()) {
        *error = "admin socket " + path + " belongs to another user (uid " +
                 std::to_string(st.st_uid) + "); refusing to take it over";
        return false;
    }
    if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        *error = "admin socket " + path +
                 " may be written by group or others; refusing to use it (remove it)";
        return false;
    }
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    memcpy(a.sun_path, path.c_str(), path.size() + 1);
    bool live = fd >= 0 && connect(fd, (sockaddr *)&a, sizeof a) == 0;
    if (fd >= 0) close(fd);
    if (live) {
        *error = "admin socket " + path + " is in use by a running server";
        return false;
    }
    if (unlink(path.c_str()) != 0) {
        *error = "admin socket " + path + " can't be replaced: " + strerror(errno);
        return false;
    }
    return true;
}

static bool AdminOpenSocket(Server *s, AdminState *st, const std::string &path,
                            std::string *error) {
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        *error = "admin socket path " + path +
                 " is too long for a socket; choose a shorter one "
                 "with --admin-socket";
        return false;
    }
    if (!AdminCheckPath(path, error)) return false;
    asio::error_code ec;
    asio::local::stream_protocol::endpoint ep(path);
    st->local.open(ep.protocol(), ec);
    // Made private from the start: the mode is the console's only lock.
    mode_t old = umask(0177);
    if (!ec) st->local.bind(ep, ec);
    umask(old);
    if (!ec && chmod(path.c_str(), 0600) != 0)
        ec = asio::error_code(errno, asio::system_category());
    if (!ec) st->local.listen(8, ec);
    if (ec) {
        *error = "admin socket " + path + ": " + ec.message();
        asio::error_code e2;
        st->local.close(e2);
        unlink(path.c_str());
        return false;
    }
    st->path = path;
    LogInfo("admin console on %s", path.c_str());
    AdminAcceptLocal(s);
    return true;
}

static bool AdminOpenTcp(Server *s, AdminState *st, std::string *error) {
    const ServerConfig &cfg = s->cfg;
    if (cfg.admin_secret.empty()) {
        *error = "--admin-port needs --admin-secret FILE";
        return false;
    }
    if (!AdminReadSecret(cfg.admin_secret, &st->secret, error)) return false;
    asio::error_code ec;
    asio::ip::address addr = asio::ip::make_address(cfg.admin_bind, ec);
    if (ec) {
        *error = "bad --admin-bind address " + cfg.admin_bind;
        return false;
    }
    asio::ip::tcp::endpoint ep(addr, (unsigned short)(cfg.admin_port < 0 ? 0 : cfg.admin_port));
    st->tcp.open(ep.protocol(), ec);
    if (!ec) st->tcp.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec) st->tcp.bind(ep, ec);
    if (!ec) st->tcp.listen(8, ec);
    if (ec) {
        *error = "can't open the admin console on " + cfg.admin_bind + ":" +
                 std::to_string(cfg.admin_port) + ": " + ec.message();
        asio::error_code e2;
        st->tcp.close(e2);
        return false;
    }
    st->port = st->tcp.local_endpoint(ec).port();
    if (!addr.is_loopback())
        LogWarn("admin console on %s, not a loopback address: its secret is all that guards it",
                cfg.admin_bind.c_str());
    LogInfo("admin console on %s port %d", cfg.admin_bind.c_str(), st->port);
    AdminAcceptTcp(s);
    return true;
}

bool AdminStart(Server *s, std::string *error) {
    AdminState *st = AdminOf(s);
    int ok = DbListBans(&s->db, [st](const std::string &kind, const std::string &value, int64_t) {
        (kind == "account" ? st->banned_accounts : st->banned_addrs).insert(value);
    });
    if (!ok) {
        *error = "the bans could not be read from the database";
        return false;
    }
    std::string path = AdminSocketPath(s->cfg);
    if (s->cfg.admin_socket.empty() && path.size() >= sizeof(sockaddr_un::sun_path)) {
        // A database deep in the tree is no reason not to run; a path asked for is.
        LogWarn("admin console off: %s is too long for a socket (see --admin-socket)",
                path.c_str());
        path.clear();
    }
    if (!path.empty() && !AdminOpenSocket(s, st, path, error)) return false;
    if (s->cfg.admin_port != 0 && !AdminOpenTcp(s, st, error)) {
        AdminStop(s);
        return false;
    }
    return true;
}

void AdminStop(Server *s) {
    AdminState *st = s->admin.get();
    if (!st) return;
    asio::error_code ec;
    if (st->local.is_open()) st->local.close(ec);
    st->tcp.close(ec);
    for (auto &w : st->open)
        if (auto c = w.lock()) AdminClose(c);
    st->open.clear();
    if (!st->path.empty()) unlink(st->path.c_str());
    st->path.clear();
    sodium_memzero(st->secret.data(), st->secret.size());
}

int AdminPort(Server *s) {
    return s->admin ? s->admin->port : 0;
}

std::string AdminSocket(Server *s) {
    return s->admin ? s->admin->path : std::string();
}

// Forgets wrong answers of addresses quiet for a while (called from the server's sweep).
void AdminSweep(Server *s) {
    AdminState *st = s->admin.get();
    if (!st) return;
    SteadyClock::time_point now = SteadyClock::now();
    for (auto it = st->fails.begin(); it != st->fails.end();) {
        if (now - it->second.last > std::chrono::seconds(ADMIN_FAIL_FORGET_S))
            it = st->fails.erase(it);
        else
            ++it;
    }
}

// ---- the command-line client ----

// Reads one line (without its line feed) within the deadline; false on timeout or close.
static bool AdminClientLine(int fd, std::string *buf, std::string *line) {
    SteadyClock::time_point end =
        SteadyClock::now() + std::chrono::milliseconds(ADMIN_CLIENT_TIMEOUT_MS);
    for (;;) {
        size_t nl = buf->find('\n');
        if (nl != std::string::npos) {
            *line = buf->substr(0, nl);
            buf->erase(0, nl + 1);
            return true;
        }
        int left =
            (int)std::chrono::duration_cast<std::chrono::milliseconds>(end - SteadyClock::now())
                .count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) return false;
        char chunk[4096];
        ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buf->append(chunk, (size_t)n);
    }
}

static bool AdminClientSend(int fd, const std::string &text) {
    size_t at = 0;
    while (at < text.size()) {
        ssize_t n = send(fd, text.data() + at, text.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return false;
        at += (size_t)n;
    }
    return true;
}

// Connects to the console: TCP when a port is given, else the socket. -1 with a message.
static int AdminClientConnect(const ServerConfig &cfg, std::string *where) {
    if (cfg.admin_port > 0) {
        std::string host = cfg.admin_bind;
        if (host == "0.0.0.0") host = "127.0.0.1";
        if (host == "::") host = "::1";
        *where = host + " port " + std::to_string(cfg.admin_port);
        addrinfo hints{}, *res = nullptr;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
        if (getaddrinfo(host.c_str(), std::to_string(cfg.admin_port).c_str(), &hints, &res) != 0)
            return -1;
        int fd = socket(res->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && connect(fd, res->ai_addr, res->ai_addrlen) != 0) {
            close(fd);
            fd = -1;
        }
        freeaddrinfo(res);
        return fd;
    }
    std::string path = AdminSocketPath(cfg);
    *where = path;
    if (path.empty() || path.size() >= sizeof(sockaddr_un::sun_path)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    memcpy(a.sun_path, path.c_str(), path.size() + 1);
    if (fd >= 0 && connect(fd, (sockaddr *)&a, sizeof a) != 0) {
        close(fd);
        fd = -1;
    }
    return fd;
}

int AdminClient(const ServerConfig &cfg, const std::string &command) {
    if (command.empty() || !LinePrintable(command)) {
        fprintf(stderr, "kestrune-server: --admin needs a command of printable characters (try "
                        "--admin help)\n");
        return 2;
    }
    std::string secret, error;
    if (cfg.admin_port > 0 && !AdminReadSecret(cfg.admin_secret, &secret, &error)) {
        fprintf(stderr, "kestrune-server: %s\n",
                cfg.admin_secret.empty() ? "--admin-port needs --admin-secret FILE"
                                         : error.c_str());
        return 2;
    }
    if (sodium_init() < 0) return 2;
    std::string where;
    int fd = AdminClientConnect(cfg, &where);
    if (fd < 0) {
        fprintf(stderr, "kestrune-server: can't reach the admin console at %s: %s\n", where.c_str(),
                strerror(errno));
        return 2;
    }
    std::string buf, line;
    int status = 2;
    if (cfg.admin_port > 0) {
        if (!AdminClientLine(fd, &buf, &line)) {
            fprintf(stderr, "kestrune-server: no challenge from %s\n", where.c_str());
            close(fd);
            return 2;
        }
        if (line.compare(0, 4, "ERR ") == 0) {
            fprintf(stderr, "kestrune-server: %s\n", line.c_str() + 4);
            close(fd);
            return 1;
        }
        std::string head = ADMIN_GREETING " ";
        if (line.compare(0, head.size(), head) != 0) {
            fprintf(stderr, "kestrune-server: %s is not a kestrune admin console\n", where.c_str());
            close(fd);
            return 2;
        }
        std::string answer = AdminAnswer(secret, line.substr(head.size()));
        sodium_memzero(secret.data(), secret.size());
        if (!AdminClientSend(fd, "AUTH " + answer + "\n") || !AdminClientLine(fd, &buf, &line)) {
            fprintf(stderr, "kestrune-server: %s closed during authentication\n", where.c_str());
            close(fd);
            return 2;
        }
        if (line.compare(0, 2, "OK") != 0) {
            fprintf(stderr, "kestrune-server: %s\n",
                    line.compare(0, 4, "ERR ") == 0 ? line.c_str() + 4 : line.c_str());
            close(fd);
            return 1;
        }
    }
    if (!AdminClientSend(fd, command + "\n") || !AdminClientLine(fd, &buf, &line)) {
        fprintf(stderr, "kestrune-server: no answer from %s\n", where.c_str());
    } else if (line.compare(0, 3, "OK ") == 0) {
        long n = strtol(line.c_str() + 3, nullptr, 10);
        status = 0;
        for (long i = 0; i < n; i++) {
            if (!AdminClientLine(fd, &buf, &line)) {
                fprintf(stderr, "kestrune-server: the answer from %s was cut short\n",
                        where.c_str());
                status = 2;
                break;
            }
            printf("%s\n", line.c_str());
        }
    } else {
        fprintf(stderr, "kestrune-server: %s\n",
                line.compare(0, 4, "ERR ") == 0 ? line.c_str() + 4 : line.c_str());
        status = 1;
    }
    close(fd);
    return status;
}
