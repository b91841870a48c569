// packet.cpp -- the table of packet handlers: the one place where a packet number meets its code
#include "net/packet.h"

#include "net/battle_messages.h"
#include "net/session.h"

PacketHandler process_packet[T_NUM_PACKETS] = {
    PacketMagic,      // 0  T_MAGIC
    nullptr,          // 1  T_VERS (sent only)
    PacketIDRequest,  // 2  T_IDREQ
    nullptr,          // 3  T_IDINFO (sent only)
    PacketNoLogin,    // 4  T_NOLOGIN
    PacketText,       // 5  T_TEXT
    PacketNetDelay,   // 6  T_NETPKT
    nullptr,          // 7  T_CHAT (not used)
    PacketUpdate,     // 8  T_UPDATE
    PacketNameReq,    // 9  T_NAMEREQ
    nullptr,          // 10 T_NAMEINFO (sent only)
    PacketLogonOK,    // 11 T_LOGONOK
    nullptr,          // 12 T_TABLE (not used)
    PacketWeapon,     // 13 T_WEAPON
    nullptr,          // 14 T_HELLO (not used)
    PacketNet,        // 15 T_NET
    PacketDialog,     // 16 T_DIALOG
    PacketNameRefuse, // 17 T_NAMEREFUSE
    PacketLogoff,     // 18 T_LOGOFF
    nullptr,          // 19 T_BATTLES (not used)
    PacketAddBattle,  // 20 T_ADDBATTLE
    PacketSubBattle,  // 21 T_SUBBATTLE
    nullptr,          // 22 T_INVREQ (sent only)
    PacketInvDetails, // 23 T_INVDETAILS
    nullptr,          // 24 T_JOINBATTLE (sent only)
    PacketNoJoin,     // 25 T_NOJOIN
    PacketJoinAcc,    // 26 T_JOINACC
    PacketNewShip,    // 27 T_NEWSHIP
    PacketUpdateReq,  // 28 T_UPDATEREQ
    PacketRadio,      // 29 T_RADIO
    PacketShipType,   // 30 T_SHIPTYPE
    nullptr,          // 31 T_SCOREREQ (sent only)
    PacketScore,      // 32 T_SCORE
    nullptr,          // 33 T_EXITBATTLE (sent only)
    PacketExitAcc,    // 34 T_EXITACC
    nullptr,          // 35 T_CHANGECOUNTRY (sent only)
};

const char *const packet_name[T_NUM_PACKETS] = {
    "T_MAGIC",
    "T_VERS",
    "T_IDREQ",
    "T_IDINFO",
    "T_NOLOGIN",
    "T_TEXT",
    "T_NETPKT",
    "T_CHAT",
    "T_UPDATE",
    "T_NAMEREQ",
    "T_NAMEINFO",
    "T_LOGONOK",
    "T_TABLE",
    "T_WEAPON",
    "T_HELLO",
    "T_NET",
    "T_DIALOG",
    "T_NAMEREFUSE",
    "T_LOGOFF",
    "T_BATTLES",
    "T_ADDBATTLE",
    "T_SUBBATTLE",
    "T_INVREQ",
    "T_INVDETAILS",
    "T_JOINBATTLE",
    "T_NOJOIN",
    "T_JOINACC",
    "T_NEWSHIP",
    "T_UPDATEREQ",
    "T_RADIO",
    "T_SHIPTYPE",
    "T_SCOREREQ",
    "T_SCORE",
    "",
    "",
    "",
};
