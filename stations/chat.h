// chat.h -- the radio room: the battle's text traffic, and lines typed to the other players
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "stations/station.h"

extern HWND hwndChat;
extern int32_t radio_addressee; // 0 "All", 1 "Them", 2 "Us"

enum { CHAT_SEND = 101, CHAT_INPUT = 102, CHAT_LOG = 103, CHAT_ADDRESSEE = 104 };

STATION_OPERATIONS(Chat);
// ChatRegister ... ChatHide: the operations every station has (station.h).
void ChatResize(HWND window, int32_t width, int32_t height);
// Lays out the controls for a new client size.
void ChatAddMessage(const char *text);
// Adds one line (at most 127 characters) to the log; dropped (logged) when there is no radio room.
void ChatSendMessage(const char *text);
// Sends one typed line to the other players with the current addressee; empty lines are not sent.
LRESULT CALLBACK EditBoxFunc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The input box's procedure: Enter sends the line.
