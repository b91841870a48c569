// fuzz_wire.cpp -- the wire codec's readers on arbitrary arguments, and its writers on what they
// read
#include <stddef.h>
#include <stdint.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "common/wire.h"

namespace {

// Every line the codec writes fits the client's line and never breaks in two.
void CheckLine(const char *line, size_t n) {
    if (n >= WIRE_LINE_SIZE || strlen(line) != n) abort();
    if (memchr(line, '\n', n) || memchr(line, '\r', n)) abort();
}

std::string_view ArgOf(const char *line) {
    WirePacket p;
    if (!WireParsePacket(line, &p)) abort();
    return p.arg;
}

void CheckText(const char *text, size_t size) {
    if (!memchr(text, 0, size)) abort();
}

// Reads the argument in both modes. A strict read that takes every field is also a lenient one
// with the same values, and what was read is written again and read back unchanged.
template <typename M, typename Parse, typename Format>
void Battle(std::string_view arg, int fields, Parse parse, Format format) {
    M lenient, strict, again;
    int nl = parse(arg, &lenient, WIRE_LENIENT);
    int ns = parse(arg, &strict, WIRE_STRICT);
    if (nl < 0 || nl > fields || ns < 0 || ns > fields) abort();
    if (ns == fields && (nl != fields || memcmp(&lenient, &strict, sizeof(M)) != 0)) abort();
    if (nl != fields) return;
    char line[WIRE_LINE_SIZE];
    size_t n = format(&lenient, line, sizeof line);
    CheckLine(line, n);
    if (parse(ArgOf(line), &again, WIRE_LENIENT) != fields) abort();
    if (memcmp(&lenient, &again, sizeof(M)) != 0) abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the reader; the rest is an argument as it came off the wire, where a
    // line break would have ended it and a handler reads it as a C string.
    std::string arg((const char *)data + 1, size - 1);
    arg = arg.substr(0, arg.find_first_of(std::string("\n\r\0", 3)));
    char line[WIRE_LINE_SIZE];
    switch (data[0] % 8) {
    case 0:
        Battle<WireUpdate>(arg, WIRE_UPDATE_FIELDS, WireParseUpdate, WireFormatUpdate);
        break;
    case 1:
        Battle<WireWeapon>(arg, WIRE_WEAPON_FIELDS, WireParseWeapon, WireFormatWeapon);
        break;
    case 2: {
        Battle<WireNewShip>(arg, WIRE_NEWSHIP_FIELDS, WireParseNewShip, WireFormatNewShip);
        WireNewShip m;
        WireParseNewShip(arg, &m, WIRE_LENIENT);
        CheckText(m.captain, sizeof m.captain);
        CheckText(m.name, sizeof m.name);
        CheckText(m.ship_name, sizeof m.ship_name);
        break;
    }
    case 3:
        Battle<WireShipType>(arg, WIRE_SHIPTYPE_FIELDS, WireParseShipType, WireFormatShipType);
        break;
    case 4: {
        WireRadio r;
        WireRadioRelay relay;
        if (WireParseRadio(arg, &r, data[0] & 8 ? WIRE_STRICT : WIRE_LENIENT) > 2) abort();
        if (WireParseRadioRelay(arg, &relay, data[0] & 8 ? WIRE_STRICT : WIRE_LENIENT) > 2) abort();
        if (r.text.size() > arg.size() || relay.text.size() > arg.size()) abort();
        CheckLine(line, WireFormatRadio(&r, line, sizeof line));
        CheckLine(line, WireFormatRadioRelay(&relay, line, sizeof line));
        break;
    }
    case 5: {
        char nick[32];
        int32_t country = 0;
        int n = WireParseLogonOk(arg, nick, sizeof nick, &country);
        if (n < 0 || n > 2) abort();
        if (n >= 1) {
            CheckText(nick, sizeof nick);
            WireName m = {nick, country};
            CheckLine(line, WireFormatLogonOk(&m, line, sizeof line));
            CheckLine(line, WireFormatNameInfo(&m, line, sizeof line));
        }
        break;
    }
    case 6: {
        WireScore s;
        int n = WireParseScore(arg, &s);
        if (n < 0 || n > 1 + WIRE_SCORE_VALUES || (n && s.count != n - 1)) abort();
        CheckLine(line, WireFormatScore(&s, line, sizeof line));
        int32_t v[WIRE_INVENTORY];
        if (WireScanInts(arg, v, WIRE_INVENTORY) > WIRE_INVENTORY) abort();
        break;
    }
    default: {
        WireIdInfo id;
        WireName name;
        WireJoinBattle join;
        if (WireParseIdInfo(arg, &id) > 2 || WireParseNameInfo(arg, &name) > 2 ||
            WireParseJoinBattle(arg, &join) > 3)
            abort();
        if (id.userid.size() + id.password.size() > arg.size() ||
            name.nickname.size() > arg.size() || join.name.size() > arg.size())
            abort();
        CheckLine(line, WireFormatIdInfo(&id, line, sizeof line));
        CheckLine(line, WireFormatJoinBattle(&join, line, sizeof line));
        WirePacket p;
        if (WireParsePacket(arg, &p) && p.arg.size() > arg.size()) abort();
        std::string_view f[WIRE_SHIPTYPE_FIELDS];
        size_t n = WireSplit(arg, f, WIRE_SHIPTYPE_FIELDS);
        if (n == 0 || n > WIRE_SHIPTYPE_FIELDS) abort();
        for (size_t i = 0; i < n; i++) {
            uint32_t h;
            int32_t d;
            WireHex(f[i], &h);
            WireDec(f[i], &d);
            WirePrintable(f[i]);
        }
        CheckLine(line, WireFormatText(T_TEXT, arg, line, sizeof line));
        break;
    }
    }
    return 0;
}
