// srv_smtp.cpp -- the feedback mailbox: a small SMTP listener that stores each mail it is given
#include "server/srv_admin.h"
#include "server/srv_conn.h"
#include "server/srv_local.h"
#include "server/srv_log.h"

#include <cctype>
#include <cstring>
#include <deque>

#define SMTP_LINE_MAX 1000 // command lines; body lines may be longer
#define SMTP_MESSAGE_MAX (256 * 1024)
#define SMTP_MAX_RCPT 10
#define SMTP_DAY_S 86400
#define SMTP_REFUSAL_LOG_S 10 // refusals are logged as a count at most this often
#define SMTP_LINGER_S 5       // how long a last reply may take to be read before the close

enum { SMTP_CMD, SMTP_DATA };

struct SmtpConn : std::enable_shared_from_this<SmtpConn> {
    SmtpConn(Server *s, asio::ip::tcp::socket so)
        : srv(s), sock(std::move(so)), idle(s->io), deadline(s->io) {}
    Server *srv;
    asio::ip::tcp::socket sock;
    asio::steady_timer idle, deadline;
    std::string peer;
    std::array<char, 2048> rbuf;
    std::string line, out, inflight;
    bool writing = false, closing = false, closed = false;
    int mode = SMTP_CMD;
    bool have_from = false, too_big = false, line_too_long = false;
    std::string from, body;
    std::vector<std::string> rcpt;
    TokenBucket mails;
};

// One stored mail of the last day, for the daily quotas.
struct SmtpRecent {
    int64_t when;
    std::string sender, peer;
};

struct SmtpState {
    std::vector<std::weak_ptr<SmtpConn>> open; // admitted connections, oldest first
    std::deque<SmtpRecent> recent;             // mails stored in the last day, oldest first
    std::unordered_map<std::string, int> by_sender, by_peer;
    int64_t stored = 0, bytes = 0; // everything in the mailbox
    SteadyClock::time_point refusals_logged{};
    int refusals = 0; // refusals and cut-offs since the last log line
};

static void SmtpCount(SmtpState *st, const SmtpRecent &r, int delta) {
    for (auto *m : {&st->by_sender, &st->by_peer}) {
        const std::string &key = m == &st->by_sender ? r.sender : r.peer;
        int &n = (*m)[key];
        n += delta;
        if (n <= 0) m->erase(key);
    }
}

static std::string SmtpSenderKey(const std::string &from) {
    std::string k = from;
    for (char &ch : k)
        ch = (char)tolower((unsigned char)ch);
    return k;
}

// Reads what is already stored once, so the quotas hold across restarts.
static SmtpState *SmtpStateOf(Server *s) {
    if (s->smtp) return s->smtp.get();
    s->smtp = std::make_shared<SmtpState>();
    SmtpState *st = s->smtp.get();
    DbFeedbackTotals(&s->db, &st->stored, &st->bytes);
    DbFeedbackSince(&s->db, SrvNow() - SMTP_DAY_S, [st](const FeedbackRecord &f) {
        st->recent.push_back({f.received, SmtpSenderKey(f.sender), f.peer});
        SmtpCount(st, st->recent.back(), 1);
    });
    return st;
}

static void SmtpExpire(SmtpState *st, int64_t now) {
    while (!st->recent.empty() && st->recent.front().when <= now - SMTP_DAY_S) {
        SmtpCount(st, st->recent.front(), -1);
        st->recent.pop_front();
    }
}

// The refusal for one more mail of extra bytes from this sender and address, or null when it
// may be stored.
static const char *SmtpQuotaRefusal(Server *s, const std::string &from, const std::string &peer,
                                    int64_t extra) {
    SmtpState *st = SmtpStateOf(s);
    const ServerConfig &cfg = s->cfg;
    SmtpExpire(st, SrvNow());
    if (st->stored >= cfg.mail_max_stored) {
        MetricRefused(s, LIMIT_MAIL_MAX_STORED);
        return "452 4.3.1 the feedback mailbox is full, try again later";
    }
    if (st->bytes >= cfg.mail_max_bytes || st->bytes + extra > cfg.mail_max_bytes) {
        MetricRefused(s, LIMIT_MAIL_MAX_BYTES);
        return "452 4.3.1 the feedback mailbox is full, try again later";
    }
    auto ns = st->by_sender.find(SmtpSenderKey(from));
    if (ns != st->by_sender.end() && ns->second >= cfg.mail_per_sender) {
        MetricRefused(s, LIMIT_MAIL_PER_SENDER);
        return "450 4.7.1 enough feedback from this sender today, try again tomorrow";
    }
    auto np = st->by_peer.find(peer);
    if (np != st->by_peer.end() && np->second >= cfg.mail_per_peer) {
        MetricRefused(s, LIMIT_MAIL_PER_PEER);
        return "450 4.7.1 enough feedback from your address today, try again tomorrow";
    }
    return nullptr;
}

// Refusals come as fast as an attacker can reconnect: the log gets the first and then a count
// at most every SMTP_REFUSAL_LOG_S seconds.
static void SmtpLogRefusal(Server *s, const std::string &peer, const char *why) {
    SmtpState *st = SmtpStateOf(s);
    st->refusals++;
    SteadyClock::time_point now = SteadyClock::now();
    if (now - st->refusals_logged < std::chrono::seconds(SMTP_REFUSAL_LOG_S)) return;
    LogWarn("mail: %d refused or cut off (last from %s: %s)", st->refusals, peer.c_str(), why);
    st->refusals = 0;
    st->refusals_logged = now;
}

static int SmtpOpenFrom(SmtpState *st, const std::string &peer) {
    int n = 0;
    for (auto &w : st->open)
        if (auto o = w.lock())
            if (!o->closed && o->peer == peer) n++;
    return n;
}

// Frees a connection's slot (and those of connections already gone).
static void SmtpRelease(const std::shared_ptr<SmtpConn> &c) {
    SmtpState *st = c->srv->smtp.get();
    if (!st) return;
    auto &v = st->open;
    for (size_t i = 0; i < v.size();) {
        auto o = v[i].lock();
        if (!o || o == c)
            v.erase(v.begin() + (long)i);
        else
            i++;
    }
}

static void SmtpClose(const std::shared_ptr<SmtpConn> &c) {
    if (c->closed) return;
    c->closed = true;
    c->closing = true;
    c->srv->mail_conns--;
    SmtpRelease(c);
    asio::error_code ec;
    c->idle.cancel();
    c->deadline.cancel();
    c->sock.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    c->sock.close(ec);
}

static void SmtpFlush(const std::shared_ptr<SmtpConn> &c) {
    if (c->closed || c->writing || SrvConnDrained(c, SmtpClose)) return;
    SrvConnWrite(c, SmtpClose, SmtpFlush);
}

static void SmtpReply(const std::shared_ptr<SmtpConn> &c, const std::string &text) {
    if (c->closed) return;
    // A client that sends without reading would have us keep its replies for ever.
    if (c->out.size() + c->inflight.size() + text.size() + 2 > (size_t)c->srv->cfg.mail_out_limit) {
        MetricRefused(c->srv, LIMIT_MAIL_OUT);
        SmtpLogRefusal(c->srv, c->peer, "replies not read, connection closed");
        SmtpClose(c);
        return;
    }
    c->out += text;
    c->out += "\r\n";
}

// Ends a connection with a last reply. One that does not read it is closed after a grace.
static void SmtpCut(const std::shared_ptr<SmtpConn> &c, const char *text) {
    if (c->closed) return;
    if (!c->closing) {
        SmtpReply(c, text);
        c->closing = true;
        SmtpFlush(c);
        if (c->closed) return;
    }
    c->idle.expires_after(std::chrono::seconds(SMTP_LINGER_S));
    c->idle.async_wait([c](const asio::error_code &ec) {
        if (!ec) SmtpClose(c);
    });
}

static void SmtpReset(SmtpConn *c) {
    c->have_from = false;
    c->from.clear();
    c->rcpt.clear();
    c->body.clear();
    c->too_big = false;
    c->mode = SMTP_CMD;
}

// The address of a "MAIL FROM:" or "RCPT TO:" argument: blanks and angle brackets removed.
static std::string SmtpAddress(std::string_view s) {
    std::string out;
    for (char ch : s)
        if (ch != ' ' && ch != '\t' && ch != '<' && ch != '>') out += ch;
    return out.substr(0, 254);
}

static bool SmtpVerb(const std::string &line, const char *verb, std::string_view *rest) {
    size_t n = strlen(verb);
    if (line.size() < n || strncasecmp(line.c_str(), verb, n) != 0) return false;
    if (line.size() > n && verb[n - 1] != ':' && line[n] != ' ') return false;
    *rest = std::string_view(line).substr(n);
    return true;
}

static void SmtpStore(const std::shared_ptr<SmtpConn> &c) {
    // Split the header (up to the first empty line) from the text; keep the subject.
    FeedbackRecord f;
    f.received = SrvNow();
    f.peer = c->peer;
    f.sender = c->from;
    for (size_t i = 0; i < c->rcpt.size(); i++)
        f.recipient += (i ? ", " : "") + c->rcpt[i];
    std::string_view all = c->body;
    size_t pos = 0;
    bool header = true;
    std::string text;
    while (pos < all.size()) {
        size_t nl = all.find('\n', pos);
        std::string_view ln =
            all.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = nl == std::string_view::npos ? all.size() : nl + 1;
        if (header) {
            if (ln.empty()) {
                header = false;
                continue;
            }
            if (ln.size() >= 8 && strncasecmp(ln.data(), "subject:", 8) == 0) {
                std::string_view v = ln.substr(8);
                while (!v.empty() && v.front() == ' ')
                    v.remove_prefix(1);
                f.subject = std::string(v.substr(0, 200));
                continue;
            }
            if (ln.find(':') != std::string_view::npos && ln.front() != ' ') continue;
            header = false; // not a header line after all: the text starts here
        }
        text += ln;
        text += '\n';
    }
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    f.body = text;
    int64_t size = (int64_t)(f.body.size() + f.subject.size() + f.sender.size() +
                             f.recipient.size() + f.peer.size());
    if (const char *refusal = SmtpQuotaRefusal(c->srv, f.sender, f.peer, size)) {
        SmtpLogRefusal(c->srv, c->peer, refusal + 4);
        SmtpCut(c, refusal);
        return;
    }
    if (DbAddFeedback(&c->srv->db, f)) {
        SmtpState *st = SmtpStateOf(c->srv);
        st->recent.push_back({f.received, SmtpSenderKey(f.sender), f.peer});
        SmtpCount(st, st->recent.back(), 1);
        st->stored++;
        st->bytes += size;
        c->srv->metrics.mails_stored++;
        LogInfo("mail (%s): feedback from %s, subject \"%s\", %zu bytes", c->peer.c_str(),
                f.sender.c_str(), f.subject.c_str(), f.body.size());
        SmtpReply(c, "250 OK, your feedback is stored");
    } else {
        SmtpReply(c, "451 cannot store the mail just now");
    }
}

static void SmtpDataLine(const std::shared_ptr<SmtpConn> &c, const std::string &ln) {
    if (ln == ".") {
        if (c->too_big)
            SmtpReply(c, "552 message too large");
        else if (!BucketTake(&c->mails, 1.0)) {
            MetricRefused(c->srv, LIMIT_MAIL_RATE);
            SmtpReply(c, "450 too many mails, try again later");
        } else
            SmtpStore(c);
        SmtpReset(c.get());
        return;
    }
    std::string_view v = ln;
    if (!v.empty() && v.front() == '.') v.remove_prefix(1); // dot-stuffing
    if (c->body.size() + v.size() + 1 > SMTP_MESSAGE_MAX) {
        c->too_big = true;
        return;
    }
    c->body += v;
    c->body += '\n';
}

static void SmtpCommand(const std::shared_ptr<SmtpConn> &c, const std::string &ln) {
    std::string_view rest;
    if (SmtpVerb(ln, "HELO", &rest) || SmtpVerb(ln, "EHLO", &rest)) {
        SmtpReset(c.get());
        if (toupper((unsigned char)ln[0]) == 'E') {
            SmtpReply(c, "250-kestrune feedback");
            SmtpReply(c, "250 SIZE " + std::to_string(SMTP_MESSAGE_MAX));
        } else {
            SmtpReply(c, "250 kestrune feedback");
        }
    } else if (SmtpVerb(ln, "MAIL FROM:", &rest)) {
        if (c->have_from) {
            SmtpReply(c, "503 sender already given");
        } else if (const char *refusal = SmtpQuotaRefusal(c->srv, SmtpAddress(rest), c->peer, 0)) {
            // Refused before the text is sent; the connection is of no further use.
            SmtpLogRefusal(c->srv, c->peer, refusal + 4);
            SmtpCut(c, refusal);
        } else {
            c->have_from = true;
            c->from = SmtpAddress(rest);
            SmtpReply(c, "250 OK");
        }
    } else if (SmtpVerb(ln, "RCPT TO:", &rest)) {
        if (!c->have_from) {
            SmtpReply(c, "503 need MAIL FROM first");
        } else if (c->rcpt.size() >= SMTP_MAX_RCPT) {
            SmtpReply(c, "452 too many recipients");
        } else {
            c->rcpt.push_back(SmtpAddress(rest));
            SmtpReply(c, "250 OK");
        }
    } else if (SmtpVerb(ln, "DATA", &rest)) {
        if (c->rcpt.empty()) {
            SmtpReply(c, "503 need RCPT TO first");
        } else {
            c->mode = SMTP_DATA;
            c->body.clear();
            SmtpReply(c, "354 end the text with a line holding a single dot");
        }
    } else if (SmtpVerb(ln, "RSET", &rest)) {
        SmtpReset(c.get());
        SmtpReply(c, "250 OK");
    } else if (SmtpVerb(ln, "NOOP", &rest)) {
        SmtpReply(c, "250 OK");
    } else if (SmtpVerb(ln, "VRFY", &rest)) {
        SmtpReply(c, "252 cannot verify");
    } else if (SmtpVerb(ln, "QUIT", &rest)) {
        SmtpCut(c, "221 goodbye");
    } else if (!ln.empty()) {
        SmtpReply(c, "500 command not recognised");
    }
}

static void SmtpIdle(const std::shared_ptr<SmtpConn> &c) {
    c->idle.expires_after(std::chrono::seconds(c->srv->cfg.mail_idle_s));
    c->idle.async_wait([c](const asio::error_code &ec) {
        if (ec || c->closed) return;
        MetricRefused(c->srv, LIMIT_MAIL_IDLE);
        SmtpCut(c, "421 4.4.2 idle too long");
    });
}

// The whole dialogue has a time limit: a byte now and then keeps the idle timer from firing.
static void SmtpDeadline(const std::shared_ptr<SmtpConn> &c) {
    c->deadline.expires_after(std::chrono::seconds(c->srv->cfg.mail_session_s));
    c->deadline.async_wait([c](const asio::error_code &ec) {
        if (ec || c->closed) return;
        LogInfo("mail (%s): dialogue longer than %d s, closed", c->peer.c_str(),
                c->srv->cfg.mail_session_s);
        MetricRefused(c->srv, LIMIT_MAIL_SESSION);
        SmtpCut(c, "421 4.4.2 mail dialogue took too long");
    });
}

static void SmtpRead(const std::shared_ptr<SmtpConn> &c) {
    c->sock.async_read_some(asio::buffer(c->rbuf), [c](const asio::error_code &ec, size_t n) {
        if (c->closed || c->closing) return; // what follows a last reply is not read
        if (ec) {
            SmtpClose(c);
            return;
        }
        SmtpIdle(c);
        for (size_t i = 0; i < n && !c->closing; i++) {
            char ch = c->rbuf[i];
            if (ch != '\n') {
                size_t limit = c->mode == SMTP_DATA ? SMTP_MESSAGE_MAX : SMTP_LINE_MAX;
                if (c->line.size() < limit)
                    c->line += ch;
                else
                    c->line_too_long = true;
                continue;
            }
            if (!c->line.empty() && c->line.back() == '\r') c->line.pop_back();
            std::string ln;
            ln.swap(c->line);
            if (c->mode == SMTP_DATA) {
                if (c->line_too_long) c->too_big = true;
                SmtpDataLine(c, ln);
            } else if (c->line_too_long) {
                SmtpReply(c, "500 line too long");
            } else {
                SmtpCommand(c, ln);
            }
            c->line_too_long = false;
        }
        SmtpFlush(c);
        if (!c->closing && !c->closed) SmtpRead(c);
    });
}

static void SmtpRefuse(Server *s, const std::shared_ptr<SmtpConn> &c, const char *text) {
    SmtpLogRefusal(s, c->peer, text + 4);
    SmtpCut(c, text);
}

// With every slot taken, the address holding the most gives up its oldest connection to a
// newcomer that holds fewer; returns whether a slot was made free.
static bool SmtpEvict(Server *s, const std::string &peer) {
    SmtpState *st = SmtpStateOf(s);
    std::unordered_map<std::string, int> held;
    std::string most;
    for (auto &w : st->open)
        if (auto o = w.lock())
            if (!o->closed && ++held[o->peer] > held[most]) most = o->peer;
    if (most.empty() || held[most] < 2 || held[most] <= held[peer] + 1) return false;
    for (auto &w : st->open) {
        auto o = w.lock();
        if (o && !o->closed && o->peer == most) {
            MetricRefused(s, LIMIT_MAIL_MAX_CONNS);
            SmtpLogRefusal(s, most, "oldest connection closed to make room for others");
            SmtpCut(o, "421 4.3.2 too busy, making room for others");
            SmtpRelease(o); // its slot is needed now, not when the reply has been written
            return true;
        }
    }
    return false;
}

void SmtpAccept(Server *s) {
    s->mail.async_accept([s](const asio::error_code &ec, asio::ip::tcp::socket sock) {
        if (s->stopping) return;
        if (ec) {
            LogWarn("mail accept: %s", ec.message().c_str());
            if (ec == asio::error::operation_aborted) return;
        } else {
            auto c = std::make_shared<SmtpConn>(s, std::move(sock));
            asio::error_code e;
            asio::ip::tcp::endpoint ep = c->sock.remote_endpoint(e);
            c->peer = e ? "?" : ep.address().to_string();
            s->mail_conns++;
            BucketInit(&c->mails, 1.0 / 60.0, 5.0);
            SmtpState *st = SmtpStateOf(s);
            if (AdminBannedAddress(s, c->peer)) {
                MetricRefused(s, LIMIT_BANNED_ADDRESS);
                SmtpRefuse(s, c, "554 5.7.1 your address is banned from this server");
            } else if (SmtpOpenFrom(st, c->peer) >= s->cfg.mail_conns_per_addr) {
                MetricRefused(s, LIMIT_MAIL_CONNS_PER_ADDR);
                SmtpRefuse(s, c, "421 4.7.0 too many mail connections from your address");
            } else if ((int)st->open.size() >= s->cfg.mail_max_conns && !SmtpEvict(s, c->peer)) {
                MetricRefused(s, LIMIT_MAIL_MAX_CONNS);
                SmtpRefuse(s, c, "421 4.3.2 too busy, try again later");
            } else {
                st->open.push_back(c);
                SmtpReply(c, "220 kestrune feedback service ready");
                SmtpIdle(c);
                SmtpDeadline(c);
                SmtpRead(c);
            }
            SmtpFlush(c);
        }
        SmtpAccept(s);
    });
}

void SmtpTotals(Server *s, int64_t *stored, int64_t *bytes) {
    SmtpState *st = SmtpStateOf(s);
    *stored = st->stored;
    *bytes = st->bytes;
}
