// srv_server.cpp -- the network thread: acceptors, connections and their queues, timers, start/stop
#include "server/srv_admin.h"
#include "server/srv_local.h"
#include "server/srv_log.h"
#include "server/srv_world.h"

#include <cerrno>
#include <cstdio>
#include <future>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>

struct SrvHandle {
    std::unique_ptr<Server> srv;
    std::thread thread;
};

void BucketInit(TokenBucket *b, double rate, double burst) {
    b->rate = rate;
    b->burst = burst;
    b->tokens = burst;
    b->last = SteadyClock::now();
}

bool BucketTake(TokenBucket *b, double cost) {
    SteadyClock::time_point now = SteadyClock::now();
    double secs = std::chrono::duration<double>(now - b->last).count();
    b->last = now;
    b->tokens = std::min(b->burst, b->tokens + secs * b->rate);
    if (b->tokens < cost) return false;
    b->tokens -= cost;
    return true;
}

Server::Server(const ServerConfig &c)
    : cfg(c), game(io), mail(io), signals(io), step_timer(io), sweep_timer(io), announce_timer(io),
      accept_retry(io), flush_timer(io), started(SteadyClock::now()) {}

Conn::Conn(Server *s, asio::ip::tcp::socket so) : srv(s), sock(std::move(so)) {
    connected_at = last_input = SteadyClock::now();
    // A client sends a line per order change; far more than this is a flood.
    BucketInit(&lines, s->cfg.line_rate, s->cfg.line_burst);
    BucketInit(&bytes, s->cfg.byte_rate, s->cfg.byte_burst);
    BucketInit(&radio, 1.0, 5.0);
}

uint32_t SrvTick(Server *s) {
    return (uint32_t)std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() -
                                                                           s->started)
        .count();
}

int64_t SrvNow() {
    return (int64_t)time(nullptr);
}

// ---- output ----

static void ConnFlush(const std::shared_ptr<Conn> &c);

static void ConnWriteDone(const std::shared_ptr<Conn> &c, const asio::error_code &ec) {
    c->writing = false;
    c->inflight.clear();
    if (c->closed) return;
    if (ec) {
        ConnClose(c.get(), "write failed", false);
        return;
    }
    if (!c->out.empty()) {
        ConnFlush(c);
    } else if (c->closing) {
        ConnClose(c.get(), nullptr, false);
    }
}

static void ConnFlush(const std::shared_ptr<Conn> &c) {
    c->flush_posted = false;
    if (c->closed || c->writing || c->out.empty()) return;
    // Nearly always the socket has room for the whole turn's lines: write them here and now,
    // one system call and no completion handler. Only a client that has stopped reading for a
    // while leaves a remainder, which goes out through the loop when the socket drains.
    ssize_t n =
        ::send(c->sock.native_handle(), c->out.data(), c->out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        ConnClose(c.get(), "write failed", false);
        return;
    }
    if (n == (ssize_t)c->out.size()) {
        c->out.clear();
        if (c->out.capacity() > 4096) std::string().swap(c->out);
        if (c->closing) ConnClose(c.get(), nullptr, false);
        return;
    }
    if (n > 0) c->out.erase(0, (size_t)n);
    c->writing = true;
    c->inflight.swap(c->out);
    // Keep the queue's memory for the next turn only when it is small.
    if (c->out.capacity() > 4096) std::string().swap(c->out);
    asio::async_write(c->sock, asio::buffer(c->inflight),
                      [c](const asio::error_code &ec, size_t) { ConnWriteDone(c, ec); });
}

void ConnSend(Conn *c, const std::string &line) {
    if (c->closed || c->doomed) return;
    if (c->out.size() + c->inflight.size() + line.size() + 1 > (size_t)c->srv->cfg.out_limit) {
        ConnLog(LOG_WARN, c, "output queue over %d bytes, client not reading",
                c->srv->cfg.out_limit);
        // Closed later in this turn: a sender may be walking the very lists a close changes.
        c->doomed = true;
        MetricRefused(c->srv, LIMIT_OUT);
        std::shared_ptr<Conn> self = c->shared_from_this();
        asio::post(c->srv->io, [self] { ConnClose(self.get(), "slow reader", false); });
        return;
    }
    c->out += line;
    c->out += '\n';
    c->srv->metrics.lines_out++;
    if (!c->writing && !c->flush_posted) {
        c->flush_posted = true;
        Server *s = c->srv;
        s->to_flush.push_back(c->shared_from_this());
        // One flush for everyone, queued behind the reads already ready, so the lines that
        // several of them cause for one client leave in one write.
        if (!s->flush_all_posted) {
            s->flush_all_posted = true;
            auto flush_all = [s] {
                s->flush_all_posted = false;
                std::vector<std::shared_ptr<Conn>> batch;
                batch.swap(s->to_flush);
                s->last_round = batch.size();
                for (auto &conn : batch)
                    ConnFlush(conn);
            };
            // A light round goes out at the end of this turn. After a heavy one the next waits
            // a little, so that each client's lines leave in fewer writes.
            if (s->cfg.flush_us <= 0 || (int)s->last_round < s->cfg.flush_heavy || s->stopping) {
                asio::post(s->io, flush_all);
            } else {
                s->flush_timer.expires_after(std::chrono::microseconds(s->cfg.flush_us));
                s->flush_timer.async_wait([flush_all](const asio::error_code &) { flush_all(); });
            }
        }
    }
}

void ConnClose(Conn *c, const char *reason, bool flush) {
    if (c->closed) return;
    c->live->store(false); // a hash job not yet begun for it is skipped
    if (reason) ConnLog(LOG_INFO, c, "closing: %s", reason);
    if (flush && (c->writing || !c->out.empty() || c->flush_posted)) {
        c->closing = true; // ConnWriteDone closes once the queue is empty
        c->paused = true;
        return;
    }
    c->closed = true;
    std::shared_ptr<Conn> keep = c->shared_from_this();
    auto a = c->srv->addrs.find(c->peer);
    if (a != c->srv->addrs.end()) {
        a->second.conns--;
        if (c->counted_pending) a->second.pending--;
        if (a->second.conns <= 0) c->srv->addrs.erase(a);
    }
    c->counted_pending = false;
    SessionClosed(c);
    asio::error_code ec;
    c->sock.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
    c->sock.close(ec);
    // Erased later in this turn: callers may be walking the connection table.
    Server *s = c->srv;
    uint32_t cid = c->cid;
    asio::post(s->io, [s, cid] { s->conns.erase(cid); });
}

// ---- input ----

static void ConnRead(const std::shared_ptr<Conn> &c);

// Handles the unread part of rbuf; stops early when the session pauses or closes, or when
// the client has stopped reading, whose further lines would only cost the others time.
static void ConnDrain(const std::shared_ptr<Conn> &c) {
    while (c->rpos < c->rlen && !c->paused && !c->closed && !c->closing && !c->doomed) {
        size_t used = LineFeed(&c->framer, c->rbuf.data() + c->rpos, c->rlen - c->rpos,
                               [&](const LineEvent &ev) {
                                   c->srv->metrics.lines_in++;
                                   if (!BucketTake(&c->lines, 1.0)) {
                                       MetricRefused(c->srv, LIMIT_LINE_RATE);
                                       ConnLog(LOG_WARN, c, "line flood");
                                       ConnClose(c.get(), "flood", false);
                                       return false;
                                   }
                                   SteadyClock::time_point t0 = SteadyClock::now();
                                   bool go_on = SessionLine(c.get(), ev.line, ev.dropped);
                                   MetricObserve(&c->srv->metrics.relay, MetricSince(t0));
                                   if (!go_on) return false;
                                   return !c->paused && !c->doomed;
                               });
        c->rpos += used;
    }
}

static void ConnReadDone(const std::shared_ptr<Conn> &c, const asio::error_code &ec, size_t n) {
    c->reading = false;
    if (c->closed) return;
    if (ec) {
        ConnClose(c.get(), ec == asio::error::eof ? "client closed" : "read failed", false);
        return;
    }
    if (!BucketTake(&c->bytes, (double)n)) {
        MetricRefused(c->srv, LIMIT_BYTE_RATE);
        ConnLog(LOG_WARN, c, "byte flood");
        ConnClose(c.get(), "flood", false);
        return;
    }
    c->last_input = SteadyClock::now();
    c->rpos = 0;
    c->rlen = n;
    ConnDrain(c);
    ConnRead(c);
}

static void ConnRead(const std::shared_ptr<Conn> &c) {
    if (c->closed || c->closing || c->doomed || c->paused || c->reading || c->rpos < c->rlen)
        return;
    c->reading = true;
    c->sock.async_read_some(asio::buffer(c->rbuf),
                            [c](const asio::error_code &ec, size_t n) { ConnReadDone(c, ec, n); });
}

void ConnPause(Conn *c) {
    c->paused = true;
}

void ConnResume(Conn *c) {
    if (c->closed || c->closing) return;
    c->paused = false;
    std::shared_ptr<Conn> self = c->shared_from_this();
    // Later in this turn, so that a caller inside the line loop returns first.
    asio::post(c->srv->io, [self] {
        ConnDrain(self);
        ConnRead(self);
    });
}

void ConnStart(Conn *c) {
    ConnRead(c->shared_from_this());
}

void ConnLoggedOn(Conn *c) {
    if (!c->counted_pending) return;
    c->counted_pending = false;
    auto a = c->srv->addrs.find(c->peer);
    if (a != c->srv->addrs.end()) a->second.pending--;
}

// Keepalive finds a peer that vanished without closing (a machine switched off, a dropped
// link): after keepalive_s of silence, six probes keepalive_s / 6 apart.
static void SrvKeepalive(Server *s, asio::ip::tcp::socket *sock) {
    if (s->cfg.keepalive_s <= 0) return;
    int fd = sock->native_handle();
    int on = 1, idle = s->cfg.keepalive_s, intvl = std::max(1, s->cfg.keepalive_s / 6), cnt = 6;
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intvl, sizeof intvl);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &cnt, sizeof cnt);
}

// ---- accepting ----

static void SrvAccept(Server *s);

static void SrvAcceptDone(Server *s, const asio::error_code &ec, asio::ip::tcp::socket sock) {
    if (s->stopping) return;
    if (ec) {
        // Out of descriptors and the like: wait a little instead of spinning.
        LogWarn("accept: %s", ec.message().c_str());
        s->accept_retry.expires_after(std::chrono::milliseconds(100));
        s->accept_retry.async_wait([s](const asio::error_code &e) {
            if (!e) SrvAccept(s);
        });
        return;
    }
    if ((int)s->conns.size() >= s->cfg.max_connections) {
        LogWarn("accept: %d connections, refusing one more", (int)s->conns.size());
        MetricRefused(s, LIMIT_MAX_CONNECTIONS);
        asio::error_code e;
        sock.close(e);
        SrvAccept(s);
        return;
    }
    // The address came with the accept itself: no further system call for it.
    std::string peer = s->accept_peer.address().to_string();
    AddrCount &count = s->addrs[peer];
    if ((count.conns >= s->cfg.per_address || count.pending >= s->cfg.per_address_pending) &&
        !s->exempt.count(peer)) {
        SrvLogPeer(LOG_WARN, peer.c_str(),
                   "accept: %s holds %d connections, %d not logged on; refused", peer.c_str(),
                   count.conns, count.pending);
        MetricRefused(s, count.conns >= s->cfg.per_address ? LIMIT_PER_ADDRESS
                                                           : LIMIT_PER_ADDRESS_PENDING);
        if (count.conns == 0) s->addrs.erase(peer);
        asio::error_code e;
        sock.close(e);
        SrvAccept(s);
        return;
    }
    count.conns++;
    count.pending++;
    asio::error_code e;
    sock.set_option(asio::ip::tcp::no_delay(true), e);
    // A fixed send buffer: the kernel's automatic sizing would let a client that never reads
    // hold megabytes before the output limit above it is reached.
    if (s->cfg.send_buffer > 0)
        sock.set_option(asio::socket_base::send_buffer_size(s->cfg.send_buffer), e);
    SrvKeepalive(s, &sock);
    auto c = std::make_shared<Conn>(s, std::move(sock));
    c->cid = s->next_cid++;
    if (c->cid == 0) c->cid = s->next_cid++;
    c->peer = std::move(peer);
    c->counted_pending = true;
    s->conns[c->cid] = c;
    LogDebug("conn %u (%s): connected", c->cid, c->peer.c_str());
    s->metrics.connections++;
    if (AdminBannedAddress(s, c->peer)) {
        AdminRefuseAddress(c.get());
        SrvAccept(s);
        return;
    }
    SessionGreet(c.get());
    ConnStart(c.get());
    SrvAccept(s);
}

static void SrvAccept(Server *s) {
    s->game.async_accept(s->accept_peer,
                         [s](const asio::error_code &ec, asio::ip::tcp::socket sock) {
                             SrvAcceptDone(s, ec, std::move(sock));
                         });
}

// ---- timers ----

static void SrvStepTimer(Server *s) {
    s->step_timer.expires_at(s->step_timer.expiry() + std::chrono::milliseconds(s->cfg.step_ms));
    s->step_timer.async_wait([s](const asio::error_code &ec) {
        if (ec || s->stopping) return;
        // A stalled loop (a debugger, a slow disk) must not cause a burst of catch-up steps.
        if (SteadyClock::now() - s->step_timer.expiry() > std::chrono::seconds(1))
            s->step_timer.expires_at(SteadyClock::now());
        SteadyClock::time_point t0 = SteadyClock::now();
        WorldStep(s->world, SrvTick(s));
        MetricObserve(&s->metrics.step, MetricSince(t0));
        SrvStepTimer(s);
    });
}

static void SrvSweepTimer(Server *s) {
    s->sweep_timer.expires_after(std::chrono::seconds(1));
    s->sweep_timer.async_wait([s](const asio::error_code &ec) {
        if (ec || s->stopping) return;
        SteadyClock::time_point now = SteadyClock::now();
        std::vector<std::shared_ptr<Conn>> late, idle;
        for (auto &kv : s->conns) {
            Conn *c = kv.second.get();
            if (c->closed) continue;
            if (c->state != CS_LOBBY) {
                if (now - c->connected_at > std::chrono::seconds(s->cfg.login_timeout_s))
                    late.push_back(kv.second);
            } else {
                int limit = c->ship_id ? s->cfg.idle_sea_s : s->cfg.idle_harbour_s;
                if (limit > 0 && now - c->last_input > std::chrono::seconds(limit))
                    idle.push_back(kv.second);
            }
        }
        for (auto &c : late) {
            MetricRefused(s, LIMIT_LOGIN_TIMEOUT);
            ConnClose(c.get(), "no login in time", false);
        }
        for (auto &c : idle) {
            MetricRefused(s, c->ship_id ? LIMIT_IDLE_SEA : LIMIT_IDLE_HARBOUR);
            ConnClose(c.get(), c->ship_id ? "silent at sea" : "idle in harbour", false);
        }
        for (auto it = s->account_fails.begin(); it != s->account_fails.end();) {
            if (now - it->second.last > std::chrono::minutes(15))
                it = s->account_fails.erase(it);
            else
                ++it;
        }
        for (auto it = s->new_accounts.begin(); it != s->new_accounts.end();) {
            TokenBucket b = it->second;
            if (BucketTake(&b, 0) && b.tokens >= b.burst)
                it = s->new_accounts.erase(it);
            else
                ++it;
        }
        SrvLogSweep();
        AdminSweep(s);
        // Forget failed-login records that have filled up again.
        for (auto it = s->fails.begin(); it != s->fails.end();) {
            TokenBucket b = it->second.bucket;
            if (BucketTake(&b, 0) && b.tokens >= b.burst)
                it = s->fails.erase(it);
            else
                ++it;
        }
        SrvSweepTimer(s);
    });
}

static void SrvAnnounceTimer(Server *s) {
    s->announce_timer.expires_after(std::chrono::milliseconds(s->cfg.announce_poll_ms));
    s->announce_timer.async_wait([s](const asio::error_code &ec) {
        if (ec || s->stopping) return;
        s->last_announcement =
            DbAnnouncementsAfter(&s->db, s->last_announcement, [s](int64_t, const std::string &t) {
                LogInfo("announcement: %s", t.c_str());
                SessionBroadcastText(s, "Announcement: " + t);
            });
        SrvAnnounceTimer(s);
    });
}

// ---- start and stop ----

static int SrvBind(Server *s, asio::ip::tcp::acceptor *a, int port, std::string *error) {
    asio::error_code ec;
    asio::ip::address addr = asio::ip::make_address(s->cfg.bind, ec);
    if (ec) {
        *error = "bad bind address " + s->cfg.bind;
        return -1;
    }
    asio::ip::tcp::endpoint ep(addr, (unsigned short)port);
    a->open(ep.protocol(), ec);
    if (!ec) a->set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec) a->bind(ep, ec);
    if (!ec) a->listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        *error =
            "can't listen on " + s->cfg.bind + ":" + std::to_string(port) + ": " + ec.message();
        asio::error_code e2;
        a->close(e2);
        return -1;
    }
    return a->local_endpoint(ec).port();
}

void SrvShutdown(Server *s) {
    if (s->stopping) return;
    LogInfo("shutting down: %d connections", (int)s->conns.size());
    SessionEndAll(s); // saves the missions under way
    s->stopping = true;
    asio::error_code ec;
    s->game.close(ec);
    s->mail.close(ec);
    s->signals.cancel(ec);
    MetricsStop(s);
    AdminStop(s);
    s->step_timer.cancel();
    s->sweep_timer.cancel();
    s->announce_timer.cancel();
    s->accept_retry.cancel();
    std::vector<std::shared_ptr<Conn>> all;
    for (auto &kv : s->conns)
        all.push_back(kv.second);
    for (auto &c : all)
        ConnClose(c.get(), nullptr, false);
    s->io.stop();
}

// SIGHUP reloads the configuration; SIGINT and SIGTERM end the run. Handled here on the
// network thread, so a reload never races the connections it changes.
static void SrvWaitSignal(Server *s) {
    s->signals.async_wait([s](const asio::error_code &ec, int sig) {
        if (ec || s->stopping) return;
        if (sig == SIGHUP) {
            LogInfo("SIGHUP: reading %s again", s->cfg.config_file.c_str());
            SrvReloadConfig(s);
            SrvWaitSignal(s);
            return;
        }
        LogInfo("signal %d", sig);
        SrvShutdown(s);
    });
}

// Raises the descriptor limit as far as the hard limit allows; returns the new soft limit.
static long SrvRaiseFileLimit() {
    rlimit rl;
    if (getrlimit(RLIMIT_NOFILE, &rl) != 0) return -1;
    if (rl.rlim_cur < rl.rlim_max) {
        rl.rlim_cur = rl.rlim_max;
        setrlimit(RLIMIT_NOFILE, &rl);
        getrlimit(RLIMIT_NOFILE, &rl);
    }
    return (long)rl.rlim_cur;
}

static Server *SrvOpen(const ServerConfig &cfg, std::string *error) {
    auto s = std::make_unique<Server>(cfg);
    if (cfg.log_level >= 0) SrvLogSetLevel(cfg.log_level);
    if (!DbOpen(&s->db, cfg.db_path, error)) return nullptr;
    int port = SrvBind(s.get(), &s->game, cfg.port, error);
    if (port < 0) {
        DbClose(&s->db);
        return nullptr;
    }
    s->game_port = port;
    s->db.latency = &s->metrics.db;
    // The operator's channels come up with the game port or the server does not start.
    if (!MetricsStart(s.get(), error) || !AdminStart(s.get(), error)) {
        MetricsStop(s.get());
        AdminStop(s.get());
        DbClose(&s->db);
        return nullptr;
    }
    if (cfg.mail_port != 0) {
        std::string why;
        int mp = SrvBind(s.get(), &s->mail, cfg.mail_port < 0 ? 0 : cfg.mail_port, &why);
        if (mp < 0)
            LogWarn("feedback mail is off: %s", why.c_str());
        else
            s->mail_port = mp;
    }
    long files = SrvRaiseFileLimit();
    s->last_announcement = DbAnnouncementsAfter(&s->db, 0, [](int64_t, const std::string &) {});
    s->pool.max_jobs = (size_t)std::max(1, cfg.hash_queue);
    HashPoolStart(&s->pool, cfg.hash_threads);
    SrvLogSetPeerLimit(cfg.log_lines, cfg.log_interval_s);
    BucketInit(&s->new_accounts_all, cfg.new_accounts_rate, cfg.new_accounts_burst);
    SrvSetExempt(s.get());
    s->world = WorldCreate(&s->cfg, SessionWorldSink(s.get()));
    LogInfo("kestrune-server %s: game port %d, mail port %d, database %s, %ld descriptors",
            SRV_VERSION, s->game_port, s->mail_port, cfg.db_path.c_str(), files);
    Server *raw = s.release();
    SrvAccept(raw);
    if (raw->mail_port) SmtpAccept(raw);
    raw->step_timer.expires_after(std::chrono::milliseconds(0));
    SrvStepTimer(raw);
    SrvSweepTimer(raw);
    SrvAnnounceTimer(raw);
    if (cfg.handle_signals) {
        raw->signals.add(SIGINT);
        raw->signals.add(SIGTERM);
        raw->signals.add(SIGHUP);
        SrvWaitSignal(raw);
    }
    return raw;
}

static void SrvFree(Server *s) {
    // Handlers still queued hold connections; run them down before the members go.
    HashPoolStop(&s->pool);
    s->io.restart();
    s->io.poll();
    s->conns.clear();
    s->to_flush.clear();
    s->io.poll();
    WorldDestroy(s->world);
    s->world = nullptr;
    AdminStop(s); // a loop ended by an exception has not been through SrvShutdown
    DbClose(&s->db);
    LogInfo("stopped");
    delete s;
}

static void SrvRun(Server *s) {
    for (;;) {
        try {
            s->io.run();
            break;
        } catch (const std::exception &e) {
            // Nothing a client sends should get here; keep serving the others if it does.
            LogError("unexpected: %s", e.what());
            if (s->stopping) break;
        }
    }
}

SrvHandle *SrvStart(const ServerConfig &cfg, std::string *error) {
    Server *s = SrvOpen(cfg, error);
    if (!s) return nullptr;
    SrvHandle *h = new SrvHandle;
    h->srv.reset(s);
    h->thread = std::thread([s] { SrvRun(s); });
    return h;
}

int SrvGamePort(SrvHandle *h) {
    return h->srv->game_port;
}
int SrvMailPort(SrvHandle *h) {
    return h->srv->mail_port;
}

void SrvCall(SrvHandle *h, const std::function<void()> &fn) {
    std::promise<void> done;
    asio::post(h->srv->io, [&] {
        fn();
        done.set_value();
    });
    done.get_future().wait();
}

void SrvStop(SrvHandle *h) {
    Server *s = h->srv.get();
    asio::post(s->io, [s] { SrvShutdown(s); });
    h->thread.join();
    SrvFree(h->srv.release());
    delete h;
}

int SrvRunForeground(const ServerConfig &cfg) {
    std::string error;
    ServerConfig c = cfg;
    c.handle_signals = true;
    Server *s = SrvOpen(c, &error);
    if (!s) {
        LogError("%s", error.c_str());
        return 1;
    }
    SrvRun(s);
    SrvFree(s);
    return 0;
}

Server *SrvServerOf(SrvHandle *h) {
    return h->srv.get();
}
