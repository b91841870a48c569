// session.h -- the session protocol: greeting, login, nickname and country, lobby, joining and
// leaving a battle, service record, change of country, server text
#pragma once

#include <cstdint>

#include "common/wire.h"

enum { LOC_OFFLINE = 0, LOC_LOBBY = 1, LOC_BATTLE = 3 };

enum {
    PROTOCOL_VERSION = WIRE_VERSION,
    SESSION_SCORES = 256,
    SESSION_INVENTORY = 6,
    SESSION_NAME = 32
};

// Server ship types (the numbers of T_INVDETAILS, T_JOINBATTLE and T_NEWSHIP).
enum { HOST_TANKER = 0, HOST_CORVETTE = 1, HOST_DESTROYER = 2, HOST_SUBMARINE = 3 };

struct Player {
    int32_t score[SESSION_SCORES]; // 0..35 current mission, 42..47 corvette, 48..53 destroyer,
                                   // 54..59 submarine best scores
    int32_t country;               // 0 Westland, 1 Northland, 2 Neutral
    char userid[SESSION_NAME];
    char password[SESSION_NAME];
    char nickname[SESSION_NAME];
    int32_t inventory[SESSION_INVENTORY]; // ship counts by server ship type
};

extern int32_t location;
extern Player player;

// Senders: each formats one line into `packet` and sends it.
void SendVersionPacket();                                                  // 1:107
void SendIDInfoPacket(const char *userid, const char *password);           // 3:userid:password
void SendNameInfoPacket(const char *nickname, int32_t country);            // 10:nickname:country
void SendInvRequestPacket();                                               // 22
void SendJoinBattlePacket(int32_t a, int32_t ship_type, const char *name); // 24:0:type:name
void SendScoreRequest(int32_t a, int32_t b);                               // 31:a:b
void SendExitBattlePacket();                                               // 33:
void SendChangeCountryPacket(int32_t country);                             // 35:country

// Handlers of the session's server lines (text after the first colon).
int32_t PacketMagic(const char *text);      // greeting: answers with the version
int32_t PacketIDRequest(const char *text);  // asks for UserID and password (or ends the program)
int32_t PacketNoLogin(const char *text);    // refused login: tells the player and reconnects
int32_t PacketText(const char *text);       // server text: a box, or the radio room in a battle
int32_t PacketDialog(const char *text);     // server text in a box
int32_t PacketNameReq(const char *text);    // new player: nickname and country
int32_t PacketNameRefuse(const char *text); // nickname taken: asks again
int32_t PacketLogonOK(const char *text);    // nickname:country; enters the lobby, asks for ships
int32_t PacketInvDetails(const char *text); // six ship counts: ship selection, then join
int32_t PacketJoinAcc(const char *text);    // own ship number: prepares the battle
int32_t PacketExitAcc(const char *text);    // leaves the battle
int32_t PacketScore(const char *text);      // index:values..., or -1 to show the service record
int32_t PacketNetDelay(const char *text);   // accepted, no effect
int32_t PacketNet(const char *text);        // accepted, no effect
int32_t PacketLogoff(const char *text);     // accepted, no effect
int32_t PacketAddBattle(const char *text);  // accepted, no effect
int32_t PacketSubBattle(const char *text);  // accepted, no effect
int32_t PacketNoJoin(const char *text);     // accepted: the player stays in the lobby

int32_t SessionScanInts(const char *text, int32_t *values, int32_t max);
// Reads up to `max` colon-separated decimal numbers from the start of `text` the way a
// "%d:%d:..." scan does; returns how many were read (values beyond the 32-bit range are clamped).

void SessionLogName(const char *userid, char *name, int32_t size);
// The debug log's file name for a UserID: "<userid>.log", with every character that could leave
// the working folder replaced.
