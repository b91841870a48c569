// plat_socket.cpp -- Windows Sockets names over BSD sockets; WSAAsyncSelect by polling
#include "platform/platform_local.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <unistd.h>

#undef gethostbyname

namespace plat {

struct Selection {
    HWND h = nullptr;
    UINT msg = 0;
    long events = 0;
    bool read_pending = false; // an FD_READ notification waits in the queue
    bool closed = false;       // FD_CLOSE (or the final FD_READ) has been posted
    bool connecting = true;    // FD_CONNECT not yet posted
    bool write_sent = false;
};

static std::map<SOCKET, Selection> selections;
static int started = 0;
static int stored_error = 0;

static int FromErrno(int e) {
    switch (e) {
    case 0:
        return 0;
    case EWOULDBLOCK:
    case EINPROGRESS:
        return WSAEWOULDBLOCK;
    case EALREADY:
        return WSAEALREADY;
    case EINTR:
        return WSAEINTR;
    case EBADF:
    case ENOTSOCK:
        return WSAENOTSOCK;
    case EACCES:
    case EPERM:
        return WSAEACCES;
    case EFAULT:
        return WSAEFAULT;
    case EINVAL:
        return WSAEINVAL;
    case EMFILE:
    case ENFILE:
        return WSAEMFILE;
    case EDESTADDRREQ:
        return WSAEDESTADDRREQ;
    case EMSGSIZE:
        return WSAEMSGSIZE;
    case EPROTOTYPE:
        return WSAEPROTOTYPE;
    case ENOPROTOOPT:
        return WSAENOPROTOOPT;
    case EPROTONOSUPPORT:
        return WSAEPROTONOSUPPORT;
    case EOPNOTSUPP:
        return WSAEOPNOTSUPP;
    case EAFNOSUPPORT:
        return WSAEAFNOSUPPORT;
    case EADDRINUSE:
        return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
        return WSAEADDRNOTAVAIL;
    case ENETDOWN:
        return WSAENETDOWN;
    case ENETUNREACH:
        return WSAENETUNREACH;
    case ENETRESET:
        return WSAENETRESET;
    case ECONNABORTED:
        return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE:
        return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
        return WSAENOBUFS;
    case EISCONN:
        return WSAEISCONN;
    case ENOTCONN:
        return WSAENOTCONN;
    case ESHUTDOWN:
        return WSAESHUTDOWN;
    case ETIMEDOUT:
        return WSAETIMEDOUT;
    case ECONNREFUSED:
        return WSAECONNREFUSED;
    case EHOSTUNREACH:
    case EHOSTDOWN:
        return WSAEHOSTUNREACH;
    }
    return WSAEINVAL;
}

static void Store(int wsa) {
    stored_error = wsa;
    errno = 0; // a later failing system call overrides the stored value
}

void SocketResetAll() {
    selections.clear();
    started = 0;
    stored_error = 0;
}

void SocketMessageRemoved(const MSG &m) {
    if (selections.empty()) return;
    auto it = selections.find((SOCKET)m.wParam);
    if (it != selections.end() && it->second.msg == m.message && it->second.h == m.hwnd &&
        WSAGETSELECTEVENT(m.lParam) == FD_READ)
        it->second.read_pending = false;
}

void SocketPoll(DWORD) {
    if (selections.empty()) return;
    std::vector<pollfd> fds;
    for (auto &kv : selections) {
        Selection &s = kv.second;
        short want = 0;
        if ((s.events & (FD_READ | FD_CLOSE)) && !s.closed && !s.read_pending) want |= POLLIN;
        if ((s.connecting && (s.events & (FD_CONNECT | FD_WRITE))) ||
            ((s.events & FD_WRITE) && !s.write_sent))
            want |= POLLOUT;
        if (want) fds.push_back(pollfd{kv.first, want, 0});
    }
    if (fds.empty() || poll(fds.data(), fds.size(), 0) <= 0) return;
    for (const pollfd &p : fds) {
        auto it = selections.find(p.fd);
        if (it == selections.end()) continue;
        Selection &s = it->second;
        if (p.revents & POLLNVAL) {
            selections.erase(it);
            continue;
        }
        SOCKET fd = p.fd;
        if ((p.revents & (POLLOUT | POLLERR | POLLHUP)) && s.connecting) {
            int err = 0;
            socklen_t len = sizeof err;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
            sockaddr_storage peer;
            socklen_t plen = sizeof peer;
            bool connected = getpeername(fd, (sockaddr *)&peer, &plen) == 0;
            if (connected || err) {
                s.connecting = false;
                if (s.events & FD_CONNECT)
                    PostMessage(s.h, s.msg, (WPARAM)fd,
                                WSAMAKESELECTREPLY(FD_CONNECT, FromErrno(err)));
                if (err && (s.events & FD_CLOSE) && !s.closed) {
                    s.closed = true;
                    PostMessage(s.h, s.msg, (WPARAM)fd,
                                WSAMAKESELECTREPLY(FD_CLOSE, FromErrno(err)));
                }
            }
        }
        if ((p.revents & POLLOUT) && !s.connecting && (s.events & FD_WRITE) && !s.write_sent) {
            s.write_sent = true;
            PostMessage(s.h, s.msg, (WPARAM)fd, WSAMAKESELECTREPLY(FD_WRITE, 0));
        }
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR)) || s.closed || s.read_pending) continue;
        char c;
        ssize_t n = recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) {
            if (s.events & FD_READ) {
                s.read_pending = true;
                PostMessage(s.h, s.msg, (WPARAM)fd, WSAMAKESELECTREPLY(FD_READ, 0));
            }
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            int err = n == 0 ? 0 : FromErrno(errno);
            if (err == WSAENOTCONN) continue; // not connected yet
            s.closed = true;
            // Without FD_CLOSE the reader learns of the end from a recv that returns 0.
            long ev = (s.events & FD_CLOSE) ? FD_CLOSE : FD_READ;
            if (s.events & (FD_CLOSE | FD_READ))
                PostMessage(s.h, s.msg, (WPARAM)fd, WSAMAKESELECTREPLY(ev, err));
        }
    }
}

} // namespace plat

using namespace plat;

int WSAStartup(WORD version, LPWSADATA data) {
    signal(SIGPIPE, SIG_IGN);
    if (LOBYTE(version) < 1 || (LOBYTE(version) == 1 && HIBYTE(version) < 1)) {
        if (data) data->wVersion = MAKEWORD(1, 1);
        return WSAVERNOTSUPPORTED;
    }
    started++;
    if (data) {
        memset(data, 0, sizeof *data);
        data->wVersion = LOBYTE(version) > 2 ? MAKEWORD(2, 2) : version;
        data->wHighVersion = MAKEWORD(2, 2);
        snprintf(data->szDescription, sizeof data->szDescription, "BSD sockets with Winsock names");
        snprintf(data->szSystemStatus, sizeof data->szSystemStatus, "Running");
        data->iMaxSockets = 1024;
        data->iMaxUdpDg = 65467;
    }
    return 0;
}

int WSACleanup(void) {
    if (started <= 0) {
        Store(WSANOTINITIALISED);
        return SOCKET_ERROR;
    }
    if (--started == 0) selections.clear();
    return 0;
}

int WSAGetLastError(void) {
    if (errno) return FromErrno(errno);
    return stored_error;
}

void WSASetLastError(int error) {
    Store(error);
}

int closesocket(SOCKET socket) {
    selections.erase(socket);
    if (close(socket) != 0) {
        Store(FromErrno(errno));
        return SOCKET_ERROR;
    }
    return 0;
}

int ioctlsocket(SOCKET socket, long command, u_long *arg) {
    if (!arg) {
        Store(WSAEFAULT);
        return SOCKET_ERROR;
    }
    if ((unsigned long)command == (unsigned long)FIONBIO) {
        int flags = fcntl(socket, F_GETFL, 0);
        if (flags < 0 ||
            fcntl(socket, F_SETFL, *arg ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) < 0) {
            Store(FromErrno(errno));
            return SOCKET_ERROR;
        }
        return 0;
    }
    if ((unsigned long)command == (unsigned long)FIONREAD) {
        int n = 0;
        if (ioctl(socket, FIONREAD, &n) < 0) {
            Store(FromErrno(errno));
            return SOCKET_ERROR;
        }
        *arg = (u_long)n;
        return 0;
    }
    Store(WSAEINVAL);
    return SOCKET_ERROR;
}

int WSAAsyncSelect(SOCKET socket, HWND window, UINT message, long events) {
    int flags = fcntl(socket, F_GETFL, 0);
    if (flags < 0) {
        Store(WSAENOTSOCK);
        return SOCKET_ERROR;
    }
    if (!events) {
        selections.erase(socket);
        return 0;
    }
    if (!IsWindow(window)) {
        Store(WSAEINVAL);
        return SOCKET_ERROR;
    }
    fcntl(socket, F_SETFL, flags | O_NONBLOCK); // as Winsock does
    Selection s;
    s.h = window;
    s.msg = message;
    s.events = events;
    sockaddr_storage peer;
    socklen_t len = sizeof peer;
    s.connecting = getpeername(socket, (sockaddr *)&peer, &len) != 0;
    selections[socket] = s;
    return 0;
}

struct hostent *PlatformGetHostByName(const char *name) {
    if (!name) {
        Store(WSAEFAULT);
        return nullptr;
    }
    struct hostent *h = ::gethostbyname(name);
    if (!h) {
        switch (h_errno) {
        case HOST_NOT_FOUND:
            Store(WSAHOST_NOT_FOUND);
            break;
        case TRY_AGAIN:
            Store(WSATRY_AGAIN);
            break;
        case NO_RECOVERY:
            Store(WSANO_RECOVERY);
            break;
        default:
            Store(WSANO_DATA);
        }
        return nullptr;
    }
    Store(0);
    return h;
}
