// wire.h -- the protocol's lines: every message formatted and parsed here, for client and server
#pragma once

#include <stddef.h>
#include <stdarg.h>
#include <stdint.h>

#include <string>
#include <string_view>

#include "common/packets.h"

// The server's greeting, alone on a line; it stands for T_MAGIC.
#define WIRE_GREETING "MorningTideOverGreyHarbour"
#define WIRE_VERSION 107   // protocol version the client announces, sent as three digits
#define WIRE_LINE_SIZE 256 // a line of at most 255 characters and its terminating zero
#define WIRE_NAME_LEN 15   // characters of a new-ship text field

// How a parser reads its fields.
enum {
    // As a formatted scan reads ("%x", "%d", "%[^:]" and literal colons): blanks, a sign and a
    // "0x" before a number are taken, every number is taken modulo 2^32, anything after the last
    // field is ignored, and the first unreadable field ends the read. What the client accepts.
    WIRE_LENIENT = 0,
    // Every field is exactly its form and nothing else: 1 to 8 hexadecimal digits, or a decimal
    // with optional sign that fits 32 bits; the last field runs to the end of the line. What the
    // server accepts from players.
    WIRE_STRICT = 1,
};

enum {
    WIRE_UPDATE_FIELDS = 12,
    WIRE_WEAPON_FIELDS = 7,
    WIRE_NEWSHIP_FIELDS = 17,
    WIRE_SHIPTYPE_FIELDS = 22,
    WIRE_INVENTORY = 6,    // ship counts of T_INVDETAILS, by server ship type
    WIRE_SCORE_VALUES = 10 // values of one T_SCORE line after its first index
};

// ---- line level ------------------------------------------------------------------------------

// A packet line split into its number and the text after its first colon.
struct WirePacket {
    int32_t number;
    std::string_view arg;
};

// Reads the decimal packet number that starts a line (leading blanks and a sign allowed) and the
// argument after the first colon (empty without a colon). 0 when the line does not begin with a
// number or the number does not fit 32 bits.
int WireParsePacket(std::string_view line, WirePacket *out);

// Splits an argument at every colon into at most max fields; the last field keeps any colons
// that are left. Returns the number of fields (an empty argument is one empty field).
size_t WireSplit(std::string_view arg, std::string_view *fields, size_t max);

// Strict decimal: optional sign and 1 to 10 digits that fit int32, nothing else.
int WireDec(std::string_view s, int32_t *out);

// Strict hexadecimal: 1 to 8 hex digits (either case), read as a 32-bit pattern.
int WireHex(std::string_view s, uint32_t *out);

// Whether the text is fit to be shown to other players: printable 8-bit characters only.
int WirePrintable(std::string_view s);

// Decimal fields separated by colons, each held to the int32 range, read until one is missing
// or is not followed by a colon. Returns how many were read, at most max.
int32_t WireScanInts(std::string_view text, int32_t *values, int32_t max);

// ---- battle messages -------------------------------------------------------------------------
// Numbers travel as 32-bit hexadecimal patterns (-1 is ffffffff), velocities x 128 and ship-type
// coefficients x 10000 (see common/motion.h for the scalings).

// Weapon kinds of a weapon message; 8 is never sent.
enum {
    TP_LAUNCH = 0,
    TP_HIT = 1,
    WP_SUNK = 2,
    DC_LAUNCH = 3,
    DC_HIT = 4,
    GUN_FIRE = 5,
    GUN_HIT = 6,
    DC_MISS = 7,
    GUN_MISS = 9,
};

// Kinds of an update message.
enum {
    UPD_STATE = 1, // 0, 1 and 2 all carry a state
    UPD_REMOVED = 3,
    UPD_VANISHED = 4,
};

// T_UPDATE, both ways: one ship's orders, velocity and position.
struct WireUpdate {
    int32_t id, kind; // kind 0, 1, 2 a state, 3 removed, 4 vanished
    int32_t vx, vy, vz;
    int32_t engine, helm, trim, heading;
    int32_t x, y, z;
};

// T_WEAPON, both ways: who acts on whom, how, and where.
struct WireWeapon {
    int32_t first_id, second_id, kind, setting, heading;
    int32_t x, z;
};

// T_NEWSHIP, server to client: a ship entering the player's area.
struct WireNewShip {
    int32_t ship_type; // the server's ship type
    char captain[WIRE_NAME_LEN + 1];
    char name[WIRE_NAME_LEN + 1];
    char ship_name[WIRE_NAME_LEN + 1];
    int32_t id;
    int32_t reserved; // always 0
    int32_t country;
    int32_t vx, vy, vz;
    int32_t engine, helm, trim, heading;
    int32_t x, y, z;
};

// T_SHIPTYPE, server to client: one row of movement coefficients (x 10000) and weapon timings.
struct WireShipType {
    int32_t row;
    int32_t speed_table[5];
    int32_t turn_table[5];
    int32_t drag;
    int32_t dive_table[5];
    int32_t gun_range, gun_reload, spare, dc_reload;
    int32_t submerged;
};

// T_RADIO, client to server: a line for addressee 0 "All", 1 "Them" or 2 "Us".
struct WireRadio {
    int32_t addressee;
    std::string_view text;
};

// T_RADIO, server to client: a radio line and the id of the ship that sent it.
struct WireRadioRelay {
    uint32_t sender;
    std::string_view text;
};

// Each formatter writes the whole line, packet number first, into buf (cut to size - 1
// characters and always terminated) and returns its length. The text of a new-ship or radio
// line is written with its line breaks turned to blanks, as they would end the line early;
// other text is written as given.
size_t WireFormatUpdate(const WireUpdate *m, char *buf, size_t size);
size_t WireFormatWeapon(const WireWeapon *m, char *buf, size_t size);
size_t WireFormatNewShip(const WireNewShip *m, char *buf, size_t size);
size_t WireFormatShipType(const WireShipType *m, char *buf, size_t size);
size_t WireFormatRadio(const WireRadio *m, char *buf, size_t size);
size_t WireFormatRadioRelay(const WireRadioRelay *m, char *buf, size_t size);

// Each parser reads a line's argument (the text after the packet number's colon) in the given
// mode into a record it clears first and returns the number of fields read; fields after the
// first unreadable one stay 0. New-ship text fields are cut to WIRE_NAME_LEN characters when
// lenient and refused beyond it when strict; an empty one stops the read either way. A radio
// line counts its number and its text (2 when both are there); the text is everything after the
// first colon, set whatever the number.
int WireParseUpdate(std::string_view arg, WireUpdate *out, int mode);
// An update line read strictly, its fields in wire order into v[WIRE_UPDATE_FIELDS]; 0 for a
// malformed line.
int WireUpdateValues(std::string_view arg, uint32_t *v);
int WireParseWeapon(std::string_view arg, WireWeapon *out, int mode);
int WireParseNewShip(std::string_view arg, WireNewShip *out, int mode);
int WireParseShipType(std::string_view arg, WireShipType *out, int mode);
int WireParseRadio(std::string_view arg, WireRadio *out, int mode);
int WireParseRadioRelay(std::string_view arg, WireRadioRelay *out, int mode);

// ---- session messages ------------------------------------------------------------------------

// T_IDINFO, client to server: the login.
struct WireIdInfo {
    std::string_view userid, password;
};

// T_NAMEINFO (client to server) and T_LOGONOK (server to client): nickname and country code.
struct WireName {
    std::string_view nickname;
    int32_t country;
};

// T_JOINBATTLE, client to server: a ship of a server ship type; first and name are the client's
// fixed 0 and "hms test".
struct WireJoinBattle {
    int32_t first, ship_type;
    std::string_view name;
};

// T_SCORE, server to client: values for the score entries from first on; first -1 ends the run.
struct WireScore {
    int32_t first;
    int32_t count; // values used, 0 to WIRE_SCORE_VALUES
    int32_t values[WIRE_SCORE_VALUES];
};

size_t WireFormatVersion(char *buf, size_t size);                                     // 1:107
size_t WireFormatIdInfo(const WireIdInfo *m, char *buf, size_t size);                 // 3:u:p
size_t WireFormatNameInfo(const WireName *m, char *buf, size_t size);                 // 10:n:1
size_t WireFormatLogonOk(const WireName *m, char *buf, size_t size);                  // 11:n:1
size_t WireFormatJoinBattle(const WireJoinBattle *m, char *buf, size_t size);         // 24:0:3:s
size_t WireFormatScoreRequest(int32_t a, int32_t b, char *buf, size_t size);          // 31:0:71
size_t WireFormatInventory(const int32_t *counts, char *buf, size_t size);            // 23:a:..:f
size_t WireFormatJoinAccept(uint32_t ship_id, char *buf, size_t size);                // 26:id
size_t WireFormatScore(const WireScore *m, char *buf, size_t size);                   // 32:f:v..
size_t WireFormatNumber(int32_t number, int32_t value, char *buf, size_t size);       // N:v
size_t WireFormatText(int32_t number, std::string_view text, char *buf, size_t size); // N:text
size_t WireFormatEmpty(int32_t number, char *buf, size_t size);                       // N:
size_t WireFormatBare(int32_t number, char *buf, size_t size);                        // N

#define WIRE_TEXT_LINE 512 // a server's text line, whole, is cut at this many characters
// The line N:text, text from a printf format; empty when the format cannot be had.
std::string WireTextLineV(int32_t number, const char *fmt, va_list ap);

// The client's session lines as the server reads them, strictly; each returns the fields read.
// T_IDINFO: the UserID up to the first colon and the password after it (2 when both are there).
int WireParseIdInfo(std::string_view arg, WireIdInfo *out);
// T_NAMEINFO: the nickname up to the last colon and the country after it (2 when both read).
int WireParseNameInfo(std::string_view arg, WireName *out);
// T_JOINBATTLE: first and ship type, then the name when a colon follows them (3 with a name).
int WireParseJoinBattle(std::string_view arg, WireJoinBattle *out);

// T_LOGONOK as the client reads it: the nickname up to the first colon (cut to nick_size - 1
// characters) and the country after it. Returns the fields read, 0 to 2.
int WireParseLogonOk(std::string_view arg, char *nickname, size_t nick_size, int32_t *country);

// T_SCORE as the client reads it: the first index and up to WIRE_SCORE_VALUES values. Returns
// the numbers read including the first, 0 to 11.
int WireParseScore(std::string_view arg, WireScore *out);
