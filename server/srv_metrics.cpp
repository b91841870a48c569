// srv_metrics.cpp -- counters, timings and the small HTTP endpoint that serves them to a scraper
#include "server/srv_metrics.h"
#include "server/srv_admin.h"
#include "server/srv_local.h"
#include "server/srv_log.h"

#include <sys/socket.h>

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#define METRICS_MAX_CONNS 4      // scrapers served at once; more are turned away
#define METRICS_REQUEST_MAX 8192 // bytes of request line and headers
#define METRICS_TIMEOUT_S 5      // a request must arrive and be answered within this
#define METRICS_CONTENT_TYPE "text/plain; version=0.0.4; charset=utf-8"

const char *const METRIC_LIMIT_NAME[LIMIT_COUNT] = {
    "max_connections",
    "per_address",
    "per_address_pending",
    "login_timeout",
    "address_failed_logins",
    "account_failed_logins",
    "hash_queue",
    "new_accounts_address",
    "new_accounts_all",
    "line_rate",
    "byte_rate",
    "out_limit",
    "idle_harbour",
    "idle_sea",
    "mail_conns_per_addr",
    "mail_max_conns",
    "mail_idle",
    "mail_session",
    "mail_out_limit",
    "mail_rate",
    "mail_per_sender",
    "mail_per_peer",
    "mail_max_stored",
    "mail_max_mb",
    "banned_account",
    "banned_address",
};

// From 100 microseconds (a relayed line) to seconds (a stalled disk).
const double METRIC_BUCKET_LE[METRIC_BUCKETS] = {
    0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5};

void MetricObserve(MetricHistogram *h, double secs) {
    int i = 0;
    while (i < METRIC_BUCKETS && secs > METRIC_BUCKET_LE[i])
        i++;
    h->bucket[i]++;
    h->count++;
    h->sum += secs;
}

void MetricRefused(Server *s, int limit) {
    if (limit >= 0 && limit < LIMIT_COUNT) s->metrics.refused[limit]++;
}

// ---- the figures ----

struct MetricsOut {
    std::string text;
    bool prometheus;
};

static void MetricsLine(MetricsOut *o, const char *fmt, ...) __attribute__((format(printf, 2, 3)));

static void MetricsLine(MetricsOut *o, const char *fmt, ...) {
    char line[512];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    if (n < 0) return;
    o->text.append(line, std::min<size_t>((size_t)n, sizeof line - 1));
    o->text += '\n';
}

static void MetricsHead(MetricsOut *o, const char *name, const char *type, const char *help) {
    if (!o->prometheus) return;
    MetricsLine(o, "# HELP kestrune_%s %s", name, help);
    MetricsLine(o, "# TYPE kestrune_%s %s", name, type);
}

static void MetricsValue(MetricsOut *o, const char *name, const char *type, const char *help,
                         double v) {
    MetricsHead(o, name, type, help);
    MetricsLine(o, "kestrune_%s %.17g", name, v);
}

static void MetricsCounter(MetricsOut *o, const char *name, const char *help, uint64_t v) {
    MetricsHead(o, name, "counter", help);
    MetricsLine(o, "kestrune_%s %" PRIu64, name, v);
}

static void MetricsHistogram(MetricsOut *o, const char *name, const char *help,
                             const MetricHistogram &h) {
    MetricsHead(o, name, "histogram", help);
    if (!o->prometheus) {
        MetricsLine(o, "kestrune_%s_count %" PRIu64, name, h.count);
        MetricsLine(o, "kestrune_%s_mean_ms %.3f", name,
                    h.count ? h.sum * 1000.0 / (double)h.count : 0.0);
        return;
    }
    uint64_t cumulative = 0;
    for (int i = 0; i < METRIC_BUCKETS; i++) {
        cumulative += h.bucket[i];
        MetricsLine(o, "kestrune_%s_bucket{le=\"%g\"} %" PRIu64, name, METRIC_BUCKET_LE[i],
                    cumulative);
    }
    cumulative += h.bucket[METRIC_BUCKETS];
    MetricsLine(o, "kestrune_%s_bucket{le=\"+Inf\"} %" PRIu64, name, cumulative);
    MetricsLine(o, "kestrune_%s_sum %.9f", name, h.sum);
    MetricsLine(o, "kestrune_%s_count %" PRIu64, name, h.count);
}

static void MetricsAll(Server *s, MetricsOut *o) {
    const SrvMetrics &m = s->metrics;
    int pending = 0;
    for (auto &kv : s->conns)
        if (!kv.second->closed && kv.second->state != CS_LOBBY) pending++;
    int64_t mails = 0, mail_bytes = 0;
    SmtpTotals(s, &mails, &mail_bytes);
    MetricsValue(o, "players_connected", "gauge", "Players logged on.", s->online);
    MetricsValue(o, "players_at_sea", "gauge", "Players logged on with a ship at sea.", s->at_sea);
    MetricsValue(o, "connections_open", "gauge", "Game connections open, logged on or not.",
                 (double)s->conns.size());
    MetricsValue(o, "connections_pending", "gauge", "Game connections not yet logged on.", pending);
    MetricsValue(o, "mail_connections_open", "gauge", "Feedback mail connections open.",
                 s->mail_conns);
    MetricsValue(o, "hash_queue_length", "gauge", "Password checks waiting for a hashing thread.",
                 (double)HashPoolPending(&s->pool));
    MetricsValue(o, "mails_kept", "gauge", "Feedback mails kept in the database.", (double)mails);
    MetricsValue(o, "mail_kept_bytes", "gauge", "Bytes of the feedback mails kept.",
                 (double)mail_bytes);
    MetricsValue(o, "bans", "gauge", "Accounts and addresses banned by the operator.",
                 (double)AdminBanCount(s));
    MetricsValue(o, "uptime_seconds", "gauge", "Seconds since the server started.",
                 MetricSince(s->started));
    MetricsCounter(o, "connections_total", "Game connections accepted.", m.connections);
    MetricsCounter(o, "logins_total", "Successful logins, new accounts included.", m.logins);
    MetricsCounter(o, "login_failures_total", "Logins refused for a wrong or unusable password.",
                   m.login_failures);
    MetricsCounter(o, "accounts_created_total", "New accounts stored.", m.accounts_created);
    MetricsCounter(o, "lines_in_total", "Lines received from game clients.", m.lines_in);
    MetricsCounter(o, "lines_out_total", "Lines queued for game clients.", m.lines_out);
    MetricsCounter(o, "mails_stored_total", "Feedback mails stored since the start.",
                   m.mails_stored);
    MetricsCounter(o, "admin_commands_total", "Commands run on the admin console.",
                   m.admin_commands);
    MetricsCounter(o, "admin_auth_failures_total",
                   "Wrong answers to the admin console's challenge.", m.admin_auth_failures);
    MetricsHead(o, "refused_total", "counter",
                "Connections, logins or mails refused or cut off, by the limit that did it.");
    for (int i = 0; i < LIMIT_COUNT; i++)
        MetricsLine(o, "kestrune_refused_total{limit=\"%s\"} %" PRIu64, METRIC_LIMIT_NAME[i],
                    m.refused[i]);
    MetricsHistogram(o, "relay_seconds", "Time to handle one line from a game client.", m.relay);
    MetricsHistogram(o, "world_step_seconds", "Time of one world step.", m.step);
    MetricsHistogram(o, "db_seconds", "Time of one database call.", m.db);
}

std::string MetricsText(Server *s) {
    MetricsOut o{std::string(), true};
    MetricsAll(s, &o);
    return o.text;
}

std::string MetricsPlain(Server *s) {
    MetricsOut o{std::string(), false};
    MetricsAll(s, &o);
    return o.text;
}

bool MetricsParseAddress(const std::string &text, std::string *addr, int *port) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) return false;
    std::string a = text.substr(0, colon), p = text.substr(colon + 1);
    if (a.front() == '[') {
        if (a.size() < 3 || a.back() != ']') return false;
        a = a.substr(1, a.size() - 2);
    }
    long n = 0;
    for (char ch : p) {
        if (ch < '0' || ch > '9' || n > 65535) return false;
        n = n * 10 + (ch - '0');
    }
    if (n > 65535) return false;
    asio::error_code ec;
    asio::ip::make_address(a, ec);
    if (ec) return false;
    *addr = a;
    *port = (int)n;
    return true;
}

// ---- the HTTP endpoint ----

struct MetricsConn : std::enable_shared_from_this<MetricsConn> {
    MetricsConn(Server *s, asio::ip::tcp::socket so)
        : srv(s), sock(std::move(so)), deadline(s->io) {}
    Server *srv;
    asio::ip::tcp::socket sock;
    asio::steady_timer deadline;
    std::array<char, 1024> rbuf;
    std::string req, out;
    bool closed = false, answered = false;
};

struct MetricsState {
    explicit MetricsState(asio::io_context &io) : acceptor(io) {}
    asio::ip::tcp::acceptor acceptor;
    std::vector<std::weak_ptr<MetricsConn>> open;
    int port = 0;
};

static void MetricsClose(const std::shared_ptr<MetricsConn> &c) {
    if (c->closed) return;
    c->closed = true;
    asio::error_code ec;
    c->deadline.cancel();
    c->sock.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    c->sock.close(ec);
}

static void MetricsReply(const std::shared_ptr<MetricsConn> &c, const char *status,
                         const char *extra, const std::string &body) {
    if (c->answered) return;
    c->answered = true;
    c->out = std::string("HTTP/1.1 ") + status + "\r\nContent-Type: " +
             (body.empty() || strncmp(status, "200", 3) ? "text/plain; charset=utf-8"
                                                        : METRICS_CONTENT_TYPE) +
             "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" +
             extra + "\r\n" + body;
    asio::async_write(c->sock, asio::buffer(c->out),
                      [c](const asio::error_code &, size_t) { MetricsClose(c); });
}

static void MetricsError(const std::shared_ptr<MetricsConn> &c, const char *status,
                         const char *extra = "") {
    MetricsReply(c, status, extra, std::string(status + 4) + "\n");
}

// The request line decides: GET /metrics (a query string is ignored) or an error.
static void MetricsHandle(const std::shared_ptr<MetricsConn> &c) {
    size_t eol = c->req.find('\n');
    std::string line = c->req.substr(0, eol);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t sp1 = line.find(' '), sp2 = line.rfind(' ');
    if (sp1 == std::string::npos || sp2 == sp1 || line.compare(sp2 + 1, 5, "HTTP/") != 0) {
        MetricsError(c, "400 Bad Request");
        return;
    }
    std::string method = line.substr(0, sp1), target = line.substr(sp1 + 1, sp2 - sp1 - 1);
    std::string path = target.substr(0, target.find('?'));
    if (path != "/metrics") {
        MetricsError(c, "404 Not Found");
        return;
    }
    if (method != "GET") {
        MetricsError(c, "405 Method Not Allowed", "Allow: GET\r\n");
        return;
    }
    MetricsReply(c, "200 OK", "", MetricsText(c->srv));
}

static void MetricsRead(const std::shared_ptr<MetricsConn> &c) {
    c->sock.async_read_some(asio::buffer(c->rbuf), [c](const asio::error_code &ec, size_t n) {
        if (c->closed || c->answered) return;
        if (ec) {
            MetricsClose(c);
            return;
        }
        c->req.append(c->rbuf.data(), n);
        bool complete = c->req.find("\r\n\r\n") != std::string::npos ||
                        c->req.find("\n\n") != std::string::npos;
        if (!complete && c->req.size() > METRICS_REQUEST_MAX) {
            MetricsError(c, "431 Request Header Fields Too Large");
            return;
        }
        if (complete) {
            MetricsHandle(c);
            return;
        }
        MetricsRead(c);
    });
}

static void MetricsAccept(Server *s) {
    MetricsState *st = s->metrics_http.get();
    st->acceptor.async_accept([s, st](const asio::error_code &ec, asio::ip::tcp::socket sock) {
        if (s->stopping || ec == asio::error::operation_aborted) return;
        if (!ec) {
            auto &open = st->open;
            for (size_t i = 0; i < open.size();) {
                auto o = open[i].lock();
                if (!o || o->closed)
                    open.erase(open.begin() + (long)i);
                else
                    i++;
            }
            if (open.size() >= METRICS_MAX_CONNS) {
                // Turned away without a wait: the answer fits any socket buffer.
                static const char BUSY[] = "HTTP/1.1 503 Service Unavailable\r\nContent-Length: "
                                           "0\r\nConnection: close\r\n\r\n";
                ::send(sock.native_handle(), BUSY, sizeof BUSY - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                asio::error_code e;
                sock.close(e);
                LogDebug("metrics: %d requests under way, one more turned away", (int)open.size());
            } else {
                auto c = std::make_shared<MetricsConn>(s, std::move(sock));
                open.push_back(c);
                // Slow or silent clients are closed at the deadline, answered or not.
                c->deadline.expires_after(std::chrono::seconds(METRICS_TIMEOUT_S));
                c->deadline.async_wait([c](const asio::error_code &e) {
                    if (!e) MetricsClose(c);
                });
                MetricsRead(c);
            }
        } else {
            LogWarn("metrics accept: %s", ec.message().c_str());
        }
        MetricsAccept(s);
    });
}

bool MetricsStart(Server *s, std::string *error) {
    if (s->cfg.metrics.empty()) return true;
    std::string addr;
    int port;
    if (!MetricsParseAddress(s->cfg.metrics, &addr, &port)) {
        *error = "bad --metrics address " + s->cfg.metrics + " (ADDR:PORT expected)";
        return false;
    }
    s->metrics_http = std::make_shared<MetricsState>(s->io);
    asio::ip::tcp::acceptor &a = s->metrics_http->acceptor;
    asio::ip::tcp::endpoint ep(asio::ip::make_address(addr), (unsigned short)port);
    asio::error_code ec;
    a.open(ep.protocol(), ec);
    if (!ec) a.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec) a.bind(ep, ec);
    if (!ec) a.listen(16, ec);
    if (ec) {
        *error = "can't serve metrics on " + s->cfg.metrics + ": " + ec.message();
        s->metrics_http.reset();
        return false;
    }
    s->metrics_http->port = a.local_endpoint(ec).port();
    if (!ep.address().is_loopback())
        LogWarn("metrics are served on %s, which is not a loopback address: anyone who can "
                "reach it sees the server's figures",
                s->cfg.metrics.c_str());
    LogInfo("metrics on http://%s:%d/metrics", addr.c_str(), s->metrics_http->port);
    MetricsAccept(s);
    return true;
}

void MetricsStop(Server *s) {
    MetricsState *st = s->metrics_http.get();
    if (!st) return;
    asio::error_code ec;
    st->acceptor.close(ec);
    for (auto &w : st->open)
        if (auto c = w.lock()) MetricsClose(c);
    st->open.clear();
}

int MetricsPort(Server *s) {
    return s->metrics_http ? s->metrics_http->port : 0;
}
