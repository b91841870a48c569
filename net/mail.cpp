// mail.cpp -- feedback mail: a short blocking SMTP exchange with the game server's host
#include "net/mail.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/debug.h"
#include "net/transport.h"
#include "net/session.h"

int32_t mail_reply_timeout = 20000;

// Formatted command lines, their line feed and terminating zero included, fit in this.
static const size_t MAIL_LINE_SIZE = 80;
// Reply bytes taken per receive, and the longest reply line kept (the rest of it is cut).
static const size_t MAIL_RECV_SIZE = 256;
static const size_t MAIL_REPLY_LINE = 256;

static uint16_t MailPort() {
    const char *text = getenv("KESTRUNE_SMTP_PORT");
    if (!text || !*text) return MAIL_PORT;
    char *end = nullptr;
    long port = strtol(text, &end, 10);
    if (*end || port < 1 || port > 65535) {
        DebugLog("IPSendMail: ignoring KESTRUNE_SMTP_PORT=%s", text);
        return MAIL_PORT;
    }
    return (uint16_t)port;
}

// Forms prefix, value, suffix and a line feed into line. The value is cut when the whole would
// not fit, and loses any line break, so that it can neither overflow the line nor start a
// command of its own.
static void MailLine(char *line, const char *prefix, const char *value, const char *suffix) {
    size_t room = MAIL_LINE_SIZE - 1 - strlen(prefix) - strlen(suffix) - 1;
    size_t n = strlen(prefix);
    memcpy(line, prefix, n);
    for (const char *p = value ? value : ""; *p && room; p++) {
        if (*p == '\r' || *p == '\n') continue;
        line[n++] = *p;
        room--;
    }
    size_t s = strlen(suffix);
    memcpy(line + n, suffix, s);
    n += s;
    line[n++] = '\n';
    line[n] = 0;
}

// Sends all of data; a blocking send may take it in several pieces.
// A peer that has gone away makes the send fail rather than raise a broken-pipe signal.
static int32_t MailSend(SOCKET s, const char *data, size_t length) {
    while (length > 0) {
        int sent = send(s, data, (int)(length > 65536 ? 65536 : length), MSG_NOSIGNAL);
        if (sent <= 0) {
            DebugLog("IPSendMail: send failed: %d", WSAGetLastError());
            return 0;
        }
        data += sent;
        length -= (size_t)sent;
    }
    return 1;
}

static int32_t MailSendLine(SOCKET s, const char *line) {
    return MailSend(s, line, strlen(line));
}

// Sends the message body as typed, doubling a dot that begins a line: a line of a single dot
// would otherwise end the message there, and the server takes the extra dot off again.
static int32_t MailSendText(SOCKET s, const char *text) {
    char out[512];
    size_t n = 0;
    int line_start = 1;
    for (const char *p = text ? text : ""; *p; p++) {
        if (line_start && *p == '.') out[n++] = '.';
        out[n++] = *p;
        line_start = *p == '\n' || (*p == '\r' && p[1] != '\n');
        if (n >= sizeof out - 2) {
            if (!MailSend(s, out, n)) return 0;
            n = 0;
        }
    }
    return MailSend(s, out, n);
}

// Waits until s has bytes to read or until deadline; 1 when there is something (or an error
// that the next receive will report).
static int32_t MailReadable(SOCKET s, uint32_t deadline) {
    int32_t left = (int32_t)(deadline - GetTickCount());
    if (left <= 0) return 0;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait = {left / 1000, (left % 1000) * 1000};
    return select((int)s + 1, &readable, nullptr, nullptr, &wait) != 0;
}

int32_t IPWaitForReply(SOCKET s, const char *code) {
    char chunk[MAIL_RECV_SIZE];
    char line[MAIL_REPLY_LINE];
    size_t length = 0;
    size_t code_length = strlen(code);
    uint32_t deadline = GetTickCount() + (uint32_t)mail_reply_timeout;
    for (;;) {
        if (!MailReadable(s, deadline)) {
            DebugLog("IPWaitForReply: no %s within %d ms", code, mail_reply_timeout);
            return 0;
        }
        int got = recv(s, chunk, sizeof chunk, 0);
        if (got == 0) {
            DebugLog("IPWaitForReply: connection closed while waiting for %s", code);
            return 0;
        }
        if (got < 0) {
            DebugLog("IPWaitForReply: recv failed while waiting for %s: %d", code,
                     WSAGetLastError());
            return 0;
        }
        int matched = 0;
        for (int i = 0; i < got; i++) {
            char c = chunk[i];
            if (c == '\n' || c == '\r') {
                if (length >= code_length && memcmp(line, code, code_length) == 0) matched = 1;
                length = 0;
            } else if (length < sizeof line - 1) {
                line[length++] = c;
            }
        }
        // The rest of a matching chunk belongs to no later wait.
        if (matched) return 1;
    }
}

int32_t IPSendOnReply(SOCKET s, const char *code, const char *line) {
    return IPWaitForReply(s, code) && MailSendLine(s, line);
}

int32_t IPSendMail(const char *recipient, const char *subject, const char *text) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        DebugLog("IPSendMail: socket() failed");
        return 0;
    }
    hostent *host = gethostbyname(hostname);
    if (!host || !host->h_addr_list || !host->h_addr_list[0]) {
        DebugLog("IPSendMail: gethostbyname error: %d", WSAGetLastError());
        closesocket(s);
        return 0;
    }
    // A host that never answers, or a peer that stops reading, must not hold the program for
    // ever: connecting and sending give up after the reply timeout too.
    timeval limit = {mail_reply_timeout / 1000, (mail_reply_timeout % 1000) * 1000};
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(MailPort());
    memcpy(&address.sin_addr, host->h_addr_list[0], sizeof address.sin_addr);
    if (connect(s, (sockaddr *)&address, sizeof address) == SOCKET_ERROR) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) {
            closesocket(s);
            DebugLog("IPSendMail: connect() failed");
            return 0;
        }
        DebugLog("IPSendMail: some other problem with connect()");
    }
    DebugLog("IPSendMail: Connection OK");

    char line[MAIL_LINE_SIZE];
    int32_t done = 0;
    MailLine(line, "mail from: ", player.userid, "@" MAIL_SENDER_DOMAIN);
    if (IPSendOnReply(s, "220", line)) {
        MailLine(line, "rcpt to: ", recipient, "");
        if (IPSendOnReply(s, "250", line) && IPSendOnReply(s, "250", "data\n")) {
            MailLine(line, "subject: ", subject, "\n");
            done = MailSendLine(s, line) && MailSendText(s, text) && MailSendLine(s, "\n.\n") &&
                   IPSendOnReply(s, "250", "QUIT\n") && IPWaitForReply(s, "221");
        }
    }
    closesocket(s);
    if (!done)
        DebugLog("IPSendMail: the mail server stopped answering; the mail may not have arrived");
    return done;
}
