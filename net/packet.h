// packet.h -- the packet numbers and the table of handlers indexed by them
#pragma once

#include <cstdint>

enum {
    T_MAGIC = 0,
    T_VERS = 1,
    T_IDREQ = 2,
    T_IDINFO = 3,
    T_NOLOGIN = 4,
    T_TEXT = 5,
    T_NETPKT = 6,
    T_CHAT = 7,
    T_UPDATE = 8,
    T_NAMEREQ = 9,
    T_NAMEINFO = 10,
    T_LOGONOK = 11,
    T_TABLE = 12,
    T_WEAPON = 13,
    T_HELLO = 14,
    T_NET = 15,
    T_DIALOG = 16,
    T_NAMEREFUSE = 17,
    T_LOGOFF = 18,
    T_BATTLES = 19,
    T_ADDBATTLE = 20,
    T_SUBBATTLE = 21,
    T_INVREQ = 22,
    T_INVDETAILS = 23,
    T_JOINBATTLE = 24,
    T_NOJOIN = 25,
    T_JOINACC = 26,
    T_NEWSHIP = 27,
    T_UPDATEREQ = 28,
    T_RADIO = 29,
    T_SHIPTYPE = 30,
    T_SCOREREQ = 31,
    T_SCORE = 32,
    T_EXITBATTLE = 33,
    T_EXITACC = 34,
    T_CHANGECOUNTRY = 35,
    T_NUM_PACKETS = 36,
};

// A handler gets the text after the line's first colon (valid only during the call); returns 1.
typedef int32_t (*PacketHandler)(const char *text);

extern PacketHandler process_packet[T_NUM_PACKETS];
// Names of packets 0 to 32 for the log; 33 to 35 have empty names.
extern const char *const packet_name[T_NUM_PACKETS];
