// mail.h -- feedback mail: bug reports and suggestions sent over SMTP to the game server's host
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The operator's feedback mailbox on the game server's host.
#define MAIL_FEEDBACK_RECIPIENT "feedback@kestrune.game"
// The domain written after the player's UserID in the sender address.
#define MAIL_SENDER_DOMAIN "players.kestrune.game"

// The standard SMTP port. The environment variable KESTRUNE_SMTP_PORT (a number from 1 to 65535)
// replaces it; it exists for tests, which can't listen on a privileged port.
#define MAIL_PORT 25

// How long a wait for a reply hears nothing before it gives up, in milliseconds. Also bounds
// the connection attempt and every send. Tests may shorten it.
extern int32_t mail_reply_timeout;

int32_t IPSendMail(const char *recipient, const char *subject, const char *text);
// Mails text under subject to recipient through the game server's host, blocking until the
// exchange is over. 1 when the whole exchange ran to its end; 0 when no connection could be
// made or the server stopped answering part-way (both are logged).

int32_t IPWaitForReply(SOCKET s, const char *code);
// Reads replies until a line beginning with code has been seen: 1. 0 when the connection closes
// or fails, or nothing arrives within mail_reply_timeout.

int32_t IPSendOnReply(SOCKET s, const char *code, const char *line);
// Waits for code, then sends line: 1 when both succeeded.
