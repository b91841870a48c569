// srv_conn.h -- the queued output of the admin console's and the mailbox's connections
#pragma once

#include <memory>

#include "server/srv_local.h"

// A connection type here has `sock`, the strings `out` (queued) and `inflight` (being written),
// and the flags `writing` and `closing`; `close` and `flush` are its own.
template <typename C> using SrvConnFn = void (*)(const std::shared_ptr<C> &);

// True when nothing is queued; a connection that was closing is closed then.
template <typename C> bool SrvConnDrained(const std::shared_ptr<C> &c, SrvConnFn<C> close) {
    if (!c->out.empty()) return false;
    if (c->closing) close(c);
    return true;
}

// Writes the queue in the background, one write at a time: what is queued meanwhile goes
// with the next flush, which the finished write calls unless it failed.
template <typename C>
void SrvConnWrite(const std::shared_ptr<C> &c, SrvConnFn<C> close, SrvConnFn<C> flush) {
    c->writing = true;
    c->inflight.swap(c->out);
    c->out.clear();
    asio::async_write(c->sock, asio::buffer(c->inflight),
                      [c, close, flush](const asio::error_code &ec, size_t) {
                          c->writing = false;
                          c->inflight.clear();
                          if (ec)
                              close(c);
                          else
                              flush(c);
                      });
}
