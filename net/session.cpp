// session.cpp -- the session protocol: greeting, login, nickname and country, lobby, joining and
// leaving a battle, service record, change of country, server text
#include "net/session.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/wire.h"
#include "net/packet.h"
#include "net/transport.h"
#include "shell/debug.h"
#include "sim/battle.h"
#include "sim/outward.h"

int32_t location;
Player player;

static void SessionSend() {
    SendPacket(packet, (int32_t)strlen(packet));
}

void SendVersionPacket() {
    WireFormatVersion(packet, IP_PACKET_SIZE - 1);
    SessionSend();
}

void SendIDInfoPacket(const char *userid, const char *password) {
    WireIdInfo m = {userid, password};
    WireFormatIdInfo(&m, packet, IP_PACKET_SIZE - 1);
    SessionSend();
}

void SendNameInfoPacket(const char *nickname, int32_t country) {
    WireName m = {nickname, country};
    WireFormatNameInfo(&m, packet, IP_PACKET_SIZE - 1);
    SessionSend();
}

void SendInvRequestPacket() {
    WireFormatBare(T_INVREQ, packet, IP_PACKET_SIZE - 1);
    SessionSend();
}

void SendJoinBattlePacket(int32_t a, int32_t ship_type, const char *name) {
    WireJoinBattle m = {a, ship_type, name};
    WireFormatJoinBattle(&m, packet, IP_PACKET_SIZE - 1);
    SessionSend();
}

void SendScoreRequest(int32_t a, int32_t b) {
    WireFormatScoreRequest(a, b, packet, IP_PACKET_SIZE - 1);
    SessionSend();
}

void SendExitBattlePacket() {
    WireFormatEmpty(T_EXITBATTLE, packet, IP_PACKET_SIZE - 1);
    SessionSend();
}

void SendChangeCountryPacket(int32_t country) {
    WireFormatNumber(T_CHANGECOUNTRY, country, packet, IP_PACKET_SIZE - 1);
    SessionSend();
}

int32_t SessionScanInts(const char *text, int32_t *values, int32_t max) {
    return WireScanInts(text ? text : "", values, max);
}

void SessionLogName(const char *userid, char *name, int32_t size) {
    char safe[SESSION_NAME];
    int32_t n = 0;
    for (const char *p = userid; *p && n < SESSION_NAME - 1; p++) {
        unsigned char c = (unsigned char)*p;
        int keep = isalnum(c) || c == '-' || c == '_' || (c == '.' && n > 0);
        safe[n++] = keep ? (char)c : '_';
    }
    safe[n] = 0;
    snprintf(name, (size_t)size, "%s.log", n ? safe : "player");
}

int32_t PacketMagic(const char *text) {
    (void)text;
    SendVersionPacket();
    return 1;
}

int32_t PacketIDRequest(const char *text) {
    (void)text;
    if (OutwardLogin(player.userid, player.password)) {
        DebugLogTag("PacketIDRequest", "Sending UserID and Password");
        SendIDInfoPacket(player.userid, player.password);
        char name[SESSION_NAME + 8];
        SessionLogName(player.userid, name, sizeof name);
        ChangeDebugFile(name);
    } else {
        DebugLogTag("PacketIDRequest", "User cancelled");
        OutwardQuit();
    }
    return 1;
}

int32_t PacketNoLogin(const char *text) {
    (void)text;
    IPDisconnect();
    OutwardConnectionSeen(IPStatus());
    location = LOC_OFFLINE;
    OutwardConfigureMenu();
    OutwardMessage("Your UserID or password was incorrect.\n\r\n\rPlease try again.");
    IPConnect();
    return 1;
}

int32_t PacketText(const char *text) {
    if (location == LOC_BATTLE)
        OutwardRadioLine(text);
    else
        OutwardMessage(text);
    return 1;
}

int32_t PacketDialog(const char *text) {
    OutwardMessage(text);
    return 1;
}

int32_t PacketNameReq(const char *text) {
    (void)text;
    char nickname[SESSION_NAME] = "";
    int32_t country = 0;
    OutwardNewPlayer(nickname, &country);
    SendNameInfoPacket(nickname, country);
    player.country = country;
    return 1;
}

int32_t PacketNameRefuse(const char *text) {
    OutwardMessage("Sorry, someone else is using that nickname.");
    return PacketNameReq(text);
}

int32_t PacketLogonOK(const char *text) {
    char nickname[SESSION_NAME];
    int32_t country;
    int read = WireParseLogonOk(text ? text : "", nickname, sizeof nickname, &country);
    if (read >= 1) memcpy(player.nickname, nickname, sizeof nickname);
    if (read == 2) player.country = country;
    location = LOC_LOBBY;
    OutwardConfigureMenu();
    SendInvRequestPacket();
    return 1;
}

int32_t PacketInvDetails(const char *text) {
    int32_t counts[SESSION_INVENTORY];
    int32_t n = SessionScanInts(text, counts, SESSION_INVENTORY);
    for (int32_t i = 0; i < n; i++)
        player.inventory[i] = counts[i];
    int32_t mask = 0;
    for (int32_t i = 0; i < SESSION_INVENTORY; i++)
        if (player.inventory[i] > 0) mask |= 1 << i;
    int32_t type = OutwardChooseShip(mask);
    // 0 is the way out when no ship was offered: the player stays in the lobby.
    if (type > 0) SendJoinBattlePacket(0, type, "hms test");
    return 1;
}

int32_t PacketJoinAcc(const char *text) {
    int32_t number = 0;
    SessionScanInts(text, &number, 1);
    InitializeGame(number);
    return 1;
}

int32_t PacketExitAcc(const char *text) {
    (void)text;
    DebugLog("PacketExitAcc");
    EndGame();
    return 1;
}

int32_t PacketScore(const char *text) {
    WireScore m;
    if (WireParseScore(text ? text : "", &m) < 1) return 1;
    if (m.first == -1) {
        OutwardServiceRecord();
        return 1;
    }
    for (int32_t i = 1; i <= m.count; i++) {
        int64_t index = (int64_t)m.first + i - 1;
        if (index < 0 || index >= SESSION_SCORES) continue;
        player.score[index] = m.values[i - 1];
        DebugLog("%d= a[%d]=%d\n", (int)index, (int)i, (int)m.values[i - 1]);
    }
    return 1;
}

int32_t PacketNetDelay(const char *text) {
    (void)text;
    return 1;
}
int32_t PacketNet(const char *text) {
    (void)text;
    return 1;
}
int32_t PacketLogoff(const char *text) {
    (void)text;
    return 1;
}
int32_t PacketAddBattle(const char *text) {
    (void)text;
    return 1;
}
int32_t PacketSubBattle(const char *text) {
    (void)text;
    return 1;
}
int32_t PacketNoJoin(const char *text) {
    (void)text;
    return 1;
}
