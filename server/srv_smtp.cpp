// srv_smtp.cpp -- the feedback mailbox: a small SMTP listener that stores each mail it is given
#include "server/srv_local.h"
#include "server/srv_log.h"

#include <cctype>
#include <cstring>

#define SMTP_MAX_CONNS 32
#define SMTP_LINE_MAX 1000 // command lines; body lines may be longer
#define SMTP_MESSAGE_MAX (256 * 1024)
#define SMTP_IDLE_S 60
#define SMTP_MAX_RCPT 10

enum { SMTP_CMD, SMTP_DATA };

struct SmtpConn : std::enable_shared_from_this<SmtpConn> {
    SmtpConn(Server *s, asio::ip::tcp::socket so) : srv(s), sock(std::move(so)), idle(s->io) {}
    Server *srv;
    asio::ip::tcp::socket sock;
    asio::steady_timer idle;
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

static void SmtpClose(const std::shared_ptr<SmtpConn> &c) {
    if (c->closed) return;
    c->closed = true;
    c->srv->mail_conns--;
    asio::error_code ec;
    c->idle.cancel();
    c->sock.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    c->sock.close(ec);
}

static void SmtpFlush(const std::shared_ptr<SmtpConn> &c) {
    if (c->closed || c->writing) return;
    if (c->out.empty()) {
        if (c->closing) SmtpClose(c);
        return;
    }
    c->writing = true;
    c->inflight.swap(c->out);
    c->out.clear();
    asio::async_write(c->sock, asio::buffer(c->inflight), [c](const asio::error_code &ec, size_t) {
        c->writing = false;
        c->inflight.clear();
        if (ec) {
            SmtpClose(c);
            return;
        }
        SmtpFlush(c);
    });
}

static void SmtpReply(const std::shared_ptr<SmtpConn> &c, const std::string &text) {
    c->out += text;
    c->out += "\r\n";
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
    if (DbAddFeedback(&c->srv->db, f)) {
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
        else if (!BucketTake(&c->mails, 1.0))
            SmtpReply(c, "450 too many mails, try again later");
        else
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
        SmtpReply(c, "221 goodbye");
        c->closing = true;
    } else if (!ln.empty()) {
        SmtpReply(c, "500 command not recognised");
    }
}

static void SmtpIdle(const std::shared_ptr<SmtpConn> &c) {
    c->idle.expires_after(std::chrono::seconds(SMTP_IDLE_S));
    c->idle.async_wait([c](const asio::error_code &ec) {
        if (ec || c->closed) return;
        SmtpReply(c, "421 idle too long");
        c->closing = true;
        SmtpFlush(c);
    });
}

static void SmtpRead(const std::shared_ptr<SmtpConn> &c) {
    c->sock.async_read_some(asio::buffer(c->rbuf), [c](const asio::error_code &ec, size_t n) {
        if (c->closed) return;
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
        if (!c->closing) SmtpRead(c);
    });
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
            if (s->mail_conns > SMTP_MAX_CONNS) {
                SmtpReply(c, "421 too busy, try again later");
                c->closing = true;
            } else {
                SmtpReply(c, "220 kestrune feedback service ready");
                SmtpIdle(c);
                SmtpRead(c);
            }
            SmtpFlush(c);
        }
        SmtpAccept(s);
    });
}
