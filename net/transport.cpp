// transport.cpp -- the one TCP connection to the game server and its line framing
#include "net/transport.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/wire.h"
#include "net/packet.h"
#include "shell/debug.h"

const char IP_GREETING[] = WIRE_GREETING;

char hostname[IP_HOSTNAME_LEN];
int32_t port;
int32_t ip_status;
SOCKET ip_socket = INVALID_SOCKET;
HWND ip_window;
char *recv_buffer;
char line_buffer[IP_LINE_SIZE];
int32_t line_length;
int32_t bytes_read;
int32_t bytes_sent;
time_t ip_started;
char packet[IP_PACKET_SIZE];

// A line longer than line_buffer is dropped whole, up to its terminator: a cut line would give
// its handler wrong fields.
static int ip_line_overlong;

// Re-entrance: a handler may run a modal dialog whose loop delivers further notifications. While
// a receive buffer is being walked, a nested notification only notes that data waits; the outer
// walk reads it once it is done, so lines keep their arrival order.
static int ip_walking;
static int ip_read_pending;
// Bumped whenever the connection is closed or remade, so that a walk stops when a handler
// (a refused login) replaces the connection under it.
static uint32_t ip_generation;

// A connection attempt stays unanswered at most this long. The system's own limit is about two
// minutes, too long for a player looking at an empty frame; it lets four lost SYNs be resent.
int32_t ip_connect_timeout_ms = IP_CONNECT_TIMEOUT_MS;
// Set by IPConnect until the server accepts the connection; the attempt failed when the
// connection ends while it is still set.
static int ip_connecting;
static DWORD ip_connect_tick;
static int ip_connect_failed;

// Bytes the socket would not take yet, sent before anything newer.
enum { IP_OUT_SIZE = 8192 };
static char ip_out[IP_OUT_SIZE];
static int32_t ip_out_length;

static void IPCloseSocket() {
    if (ip_socket != INVALID_SOCKET) closesocket(ip_socket);
    ip_socket = INVALID_SOCKET;
    ip_out_length = 0;
    line_length = 0;
    ip_line_overlong = 0;
    ip_read_pending = 0;
    ip_connecting = 0;
    ip_generation++;
}

// The connection ended, or never came: status 1. Ending before the server accepted it is a
// failed attempt, which the player is told of differently from a lost connection.
static void IPDropped() {
    if (ip_status != 2) return;
    ip_status = 1;
    if (ip_connecting) ip_connect_failed = 1;
    ip_connecting = 0;
}

int32_t IPInitialize(HWND window) {
    if (ip_status != 0) return 1;
    WSADATA data;
    int error = WSAStartup(MAKEWORD(1, 1), &data);
    if (error) {
        DebugLog("TCPIPInitialize: WSAStartup Error: %d", error);
        return 0;
    }
    DebugLog("TCPIPInitialize: Desc: %s Status: %s", data.szDescription, data.szSystemStatus);
    recv_buffer = (char *)DebugMalloc("recv_buffer", IP_RECV_SIZE);
    ip_status = 1;
    ip_connect_failed = 0;
    ip_window = window;
    return 1;
}

int32_t IPStatus() {
    if (ip_status == 2 && ip_connecting && ip_connect_timeout_ms > 0 &&
        GetTickCount() - ip_connect_tick >= (DWORD)ip_connect_timeout_ms) {
        DebugLog("IPConnect: no answer from %s:%d in %d ms", hostname, (int)port,
                 (int)ip_connect_timeout_ms);
        IPDropped();
    }
    return ip_status;
}

int32_t IPConnectFailed() {
    return ip_connect_failed;
}

int32_t IPConnect() {
    if (ip_status != 1) return 0;
    ip_connect_failed = 1; // until the attempt is under way
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        DebugLog("IPConnect: socket() failed");
        return 0;
    }
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
    struct hostent *host = gethostbyname(hostname);
    if (!host || !host->h_addr_list || !host->h_addr_list[0]) {
        DebugLog("IPConnect: gethostbyname error: %d", WSAGetLastError());
        closesocket(s);
        return 0;
    }
    struct sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    memcpy(&address.sin_addr, host->h_addr_list[0], sizeof address.sin_addr);
    address.sin_port = htons((u_short)port);
    // FD_CONNECT tells an accepted connection from one still being made.
    WSAAsyncSelect(s, ip_window, WM_IP_EVENT, FD_READ | FD_CONNECT | FD_CLOSE);
    if (connect(s, (struct sockaddr *)&address, sizeof address) == SOCKET_ERROR &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        closesocket(s);
        DebugLog("IPConnect: connect() failed");
        return 0;
    }
    DebugLog("IPConnect: Connected");
    IPCloseSocket(); // nothing of an earlier connection may reach the new one
    ip_socket = s;
    ip_status = 2;
    ip_started = time(NULL);
    ip_connecting = 1;
    ip_connect_tick = GetTickCount();
    ip_connect_failed = 0;
    return 1;
}

void IPDisconnect() {
    if (ip_status != 2) return;
    IPCloseSocket();
    ip_status = 1;
}

void IPClose() {
    if (ip_status == 2) {
        IPCloseSocket();
        ip_status = 1;
    }
    if (ip_status > 0) {
        DebugFree(recv_buffer);
        recv_buffer = NULL;
        WSACleanup();
        ip_status = 0;
    }
    // A session shorter than a second counts as one second; no session at all has no rate.
    double seconds = 0;
    if (ip_started) {
        seconds = difftime(time(NULL), ip_started);
        if (seconds < 1) seconds = 1;
    }
    double read_rate = seconds > 0 ? bytes_read / seconds : 0;
    double sent_rate = seconds > 0 ? bytes_sent / seconds : 0;
    char text[160];
    snprintf(text, sizeof text, "TCP/IP Stats: Bytes  Read: %ld (%f) Sent: %ld (%f)",
             (long)bytes_read, read_rate, (long)bytes_sent, sent_rate);
    DebugLogTag("IPClose", text);
}

// Sends what waits in ip_out; keeps what the socket refuses for later.
static void IPFlush() {
    while (ip_out_length > 0 && ip_socket != INVALID_SOCKET) {
        int n = send(ip_socket, ip_out, ip_out_length, 0);
        if (n <= 0) return;
        memmove(ip_out, ip_out + n, (size_t)(ip_out_length - n));
        ip_out_length -= n;
    }
}

void IPSendString(const char *bytes, int32_t count) {
    if (count <= 0) return;
    bytes_sent = (int32_t)((uint32_t)bytes_sent + (uint32_t)count);
    if (ip_socket == INVALID_SOCKET) return;
    IPFlush();
    int32_t done = 0;
    if (ip_out_length == 0) {
        int n = send(ip_socket, bytes, count, 0);
        if (n > 0) done = n;
    }
    if (done < count) {
        int32_t rest = count - done;
        if (ip_out_length + rest > IP_OUT_SIZE) {
            DebugLog("IPSendString: server not reading, %d bytes dropped", (int)rest);
            return;
        }
        memcpy(ip_out + ip_out_length, bytes + done, (size_t)rest);
        ip_out_length += rest;
    }
}

void SendPacket(char *line, int32_t length) {
    if (length < 0 || length > IP_PACKET_SIZE - 2) {
        DebugLog("SendPacket: line of %d characters not sent", (int)length);
        return;
    }
    line[length] = '\n';
    line[length + 1] = 0;
    IPSendString(line, length + 1);
}

// Hands one complete line to its packet handler (or logs it as invalid).
static void IPDispatchLine(const char *line) {
    if (strcmp(line, IP_GREETING) == 0) {
        if (process_packet[T_MAGIC]) process_packet[T_MAGIC]("");
        return;
    }
    char *end;
    errno = 0;
    long number = strtol(line, &end, 10);
    if (end == line) {
        // No packet number: the empty line between a CR LF pair, or noise.
        if (line[0]) DebugLogTag("IPProcessRecvBuffer", "line without a packet number dropped");
        return;
    }
    if (errno == ERANGE || number > INT_MAX || number < INT_MIN)
        number = number < 0 ? INT_MIN : INT_MAX;
    const char *colon = strchr(line, ':');
    const char *argument = colon ? colon + 1 : "";
    if (number >= 0 && number < T_NUM_PACKETS && process_packet[number]) {
        process_packet[number](argument);
        return;
    }
    char text[IP_LINE_SIZE + 64];
    snprintf(text, sizeof text, "INVALID PACKET: %d <%s>", (int)number, argument);
    DebugLogTag("IPProcessRecvBuffer", text);
}

void IPProcessRecvBuffer(int32_t count) {
    bytes_read = (int32_t)((uint32_t)bytes_read + (uint32_t)count);
    uint32_t generation = ip_generation;
    ip_walking++;
    for (int32_t i = 0; i < count; i++) {
        char c = recv_buffer[i];
        if (c == '\n' || c == '\r') {
            int overlong = ip_line_overlong;
            line_buffer[line_length] = 0;
            line_length = 0;
            ip_line_overlong = 0;
            if (overlong) {
                DebugLogTag("IPProcessRecvBuffer", "line over 255 characters dropped");
                continue;
            }
            // The handler may open a dialog: keep the line safe from nested notifications.
            char line[IP_LINE_SIZE];
            memcpy(line, line_buffer, sizeof line);
            IPDispatchLine(line);
            if (generation != ip_generation || !recv_buffer)
                break; // the connection was replaced or closed: the rest is stale
        } else if (line_length < IP_LINE_SIZE - 1) {
            line_buffer[line_length++] = c;
        } else {
            ip_line_overlong = 1;
        }
    }
    ip_walking--;
}

// Reads and walks everything that waits on the socket; only the outermost call reads.
static void IPReadAll() {
    if (ip_walking) {
        ip_read_pending = 1;
        return;
    }
    do {
        ip_read_pending = 0;
        if (ip_socket == INVALID_SOCKET || !recv_buffer) return;
        int n = recv(ip_socket, recv_buffer, IP_RECV_SIZE, 0);
        if (n == 0) {
            IPDropped();
            return;
        }
        if (n < 0) return;
        ip_connecting = 0; // data: the server is there
        IPProcessRecvBuffer(n);
        // A full buffer may have more behind it.
        if (n == IP_RECV_SIZE) ip_read_pending = 1;
    } while (ip_read_pending);
}

void IPEvent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)window;
    (void)message;
    // Notifications for a socket already closed (a refused login's old connection) are stale.
    if ((SOCKET)wParam != ip_socket) return;
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT:
        if (WSAGETSELECTERROR(lParam)) {
            DebugLog("IPEvent: no connection to %s:%d, error %d", hostname, (int)port,
                     (int)WSAGETSELECTERROR(lParam));
            IPDropped();
        } else {
            ip_connecting = 0;
        }
        break;
    case FD_READ:
        IPReadAll();
        IPFlush();
        break;
    case FD_CLOSE:
        // Lines that arrived before the close are still handled, in order.
        IPReadAll();
        IPDropped();
        break;
    }
}
