// transport.h -- the one TCP connection to the game server and its line framing
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/platform.h"

#define WM_IP_EVENT (WM_USER + 1)

enum {
    IP_RECV_SIZE = 1024,
    IP_LINE_SIZE = 256, // 255 characters and the terminating zero
    IP_PACKET_SIZE = 256,
    IP_CONNECT_TIMEOUT_MS = 30000,
    IP_HOSTNAME_LEN = 80,
};

// The greeting the server sends alone on a line; it stands for packet 0.
extern const char IP_GREETING[];

// The server this run reaches (from the settings or the command line).
extern char hostname[IP_HOSTNAME_LEN];
extern int32_t port;

extern int32_t ip_status; // 0 not started, 1 started but not connected, 2 connected
extern SOCKET ip_socket;
extern HWND ip_window;
extern char *recv_buffer;
extern char line_buffer[IP_LINE_SIZE];
extern int32_t line_length;
extern int32_t bytes_read;
extern int32_t bytes_sent;
extern time_t ip_started;
extern char packet[IP_PACKET_SIZE];   // every outgoing packet line is formatted here
extern int32_t ip_connect_timeout_ms; // an unanswered connection attempt fails after this long

int32_t IPInitialize(HWND window);
// Starts Windows Sockets and the receive buffer; `window` gets the socket notifications.
// 1 on success or when already started, 0 on failure.

int32_t IPStatus();
// The connection status: 0 not started, 1 not connected, 2 connected (or connecting). An attempt
// unanswered for ip_connect_timeout_ms is given up here, and the status falls to 1.

int32_t IPConnectFailed();
// 1 when the last connection attempt never reached the server: the name was not found, the
// connection was refused, or no answer came in time. 0 once the server accepted it.

int32_t IPConnect();
// Starts a connection to hostname:port without waiting for it; 1 when an attempt is under way.

void IPDisconnect();
// Closes the connection, keeping Windows Sockets started so IPConnect may be called again.

void IPClose();
// Ends everything and logs the traffic statistics.

void IPEvent(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Handles one socket notification (data to read, connection closed).

void IPSendString(const char *bytes, int32_t count);
// Hands `count` bytes to the socket; what the socket can't take at once is sent on later calls.

void SendPacket(char *line, int32_t length);
// Appends a line feed to the `length`-character line (at most 254) and sends it.

void IPProcessRecvBuffer(int32_t count);
// Cuts the `count` bytes just received in recv_buffer into lines and dispatches each.
