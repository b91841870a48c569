// packet.h -- the packet numbers and the table of handlers indexed by them
#pragma once

#include <cstdint>

#include "common/packets.h"

// A handler gets the text after the line's first colon (valid only during the call); returns 1.
typedef int32_t (*PacketHandler)(const char *text);

extern PacketHandler process_packet[T_NUM_PACKETS];
// Names of packets 0 to 32 for the log; 33 to 35 have empty names.
extern const char *const packet_name[T_NUM_PACKETS];
