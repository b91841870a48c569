// wire.cpp -- the protocol's lines: every message formatted and parsed here, for client and server
#include "common/wire.h"

#include <ctype.h>
#include <inttypes.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

// ---- line level ------------------------------------------------------------------------------

int WireParsePacket(std::string_view line, WirePacket *out) {
    size_t i = 0;
    while (i < line.size() &&
           (line[i] == ' ' || line[i] == '\t' || line[i] == '\v' || line[i] == '\f'))
        i++;
    bool neg = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) neg = line[i++] == '-';
    size_t start = i;
    int64_t v = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
        v = v * 10 + (line[i] - '0');
        if (v > 2147483648LL) return 0;
        i++;
    }
    if (i == start) return 0;
    if (neg) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return 0;
    out->number = (int32_t)v;
    size_t colon = line.find(':', i);
    out->arg = colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
    return 1;
}

size_t WireSplit(std::string_view arg, std::string_view *fields, size_t max) {
    if (max == 0) return 0;
    size_t n = 0;
    while (n + 1 < max) {
        size_t colon = arg.find(':');
        if (colon == std::string_view::npos) break;
        fields[n++] = arg.substr(0, colon);
        arg.remove_prefix(colon + 1);
    }
    fields[n++] = arg;
    return n;
}

int WireDec(std::string_view s, int32_t *out) {
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    if (i == s.size() || s.size() - i > 10) return 0;
    int64_t v = 0;
    for (; i < s.size(); i++) {
        if (s[i] < '0' || s[i] > '9') return 0;
        v = v * 10 + (s[i] - '0');
    }
    if (neg) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return 0;
    *out = (int32_t)v;
    return 1;
}

int WireHex(std::string_view s, uint32_t *out) {
    if (s.empty() || s.size() > 8) return 0;
    uint32_t v = 0;
    for (char c : s) {
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = (uint32_t)(c - '0');
        else if (c >= 'a' && c <= 'f')
            d = (uint32_t)(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            d = (uint32_t)(c - 'A' + 10);
        else
            return 0;
        v = v << 4 | d;
    }
    *out = v;
    return 1;
}

int WirePrintable(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f) return 0;
    return 1;
}

static bool WireSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int32_t WireScanInts(std::string_view text, int32_t *values, int32_t max) {
    int32_t n = 0;
    size_t i = 0;
    while (n < max) {
        // As strtoll reads: blanks, a sign, digits; the value is held to the int32 range.
        size_t p = i;
        while (p < text.size() && WireSpace(text[p]))
            p++;
        bool neg = false;
        if (p < text.size() && (text[p] == '+' || text[p] == '-')) neg = text[p++] == '-';
        size_t start = p;
        int64_t v = 0;
        for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; p++)
            if (v <= (int64_t)INT32_MAX + 1) v = v * 10 + (text[p] - '0');
        if (p == start) break;
        if (neg) v = -v;
        if (v > INT32_MAX) v = INT32_MAX;
        if (v < INT32_MIN) v = INT32_MIN;
        values[n++] = (int32_t)v;
        if (p >= text.size() || text[p] != ':') break;
        i = p + 1;
    }
    return n;
}

// ---- reading fields --------------------------------------------------------------------------
// One cursor over an argument. A field that can't be read stops the scan; the fields after it
// keep their cleared values. No value is ever written beyond its 32-bit field.

struct WireScan {
    std::string_view s;
    size_t at;
    int mode;
    bool ok;
    int fields; // fields read so far
};

static WireScan ScanStart(std::string_view arg, int mode) {
    return WireScan{arg, 0, mode, true, 0};
}

// The strict extent of the next field: up to the next colon, or to the end for the last one.
static std::string_view ScanExtent(const WireScan *s, bool last) {
    std::string_view rest = s->s.substr(s->at);
    if (last) return rest;
    size_t colon = rest.find(':');
    return colon == std::string_view::npos ? rest : rest.substr(0, colon);
}

static void ScanNumber(WireScan *s, int32_t *out, int base, bool last) {
    if (!s->ok) return;
    if (s->mode == WIRE_STRICT) {
        std::string_view f = ScanExtent(s, last);
        uint32_t u;
        int32_t d;
        if (base == 16 ? !WireHex(f, &u) : !WireDec(f, &d)) {
            s->ok = false;
            return;
        }
        *out = base == 16 ? (int32_t)u : d;
        s->at += f.size();
        s->fields++;
        return;
    }
    size_t p = s->at, n = s->s.size();
    const std::string_view &t = s->s;
    while (p < n && WireSpace(t[p]))
        p++;
    bool negative = false;
    if (p < n && (t[p] == '+' || t[p] == '-')) negative = t[p++] == '-';
    if (base == 16 && p + 2 < n && t[p] == '0' && (t[p + 1] == 'x' || t[p + 1] == 'X') &&
        isxdigit((unsigned char)t[p + 2]))
        p += 2;
    uint32_t v = 0;
    int digits = 0;
    for (; p < n; p++, digits++) {
        int d;
        if (t[p] >= '0' && t[p] <= '9')
            d = t[p] - '0';
        else if (base == 16 && t[p] >= 'a' && t[p] <= 'f')
            d = t[p] - 'a' + 10;
        else if (base == 16 && t[p] >= 'A' && t[p] <= 'F')
            d = t[p] - 'A' + 10;
        else
            break;
        v = v * (uint32_t)base + (uint32_t)d;
    }
    if (!digits) {
        s->ok = false;
        return;
    }
    *out = (int32_t)(negative ? 0u - v : v);
    s->at = p;
    s->fields++;
}

static void ScanColon(WireScan *s) {
    if (!s->ok) return;
    if (s->at < s->s.size() && s->s[s->at] == ':')
        s->at++;
    else
        s->ok = false;
}

// Everything up to the next colon, at least one character; lenient reading cuts it to size - 1
// characters, strict reading refuses a longer one.
static void ScanText(WireScan *s, char *out, size_t size, bool last) {
    if (!s->ok) return;
    std::string_view rest = s->s.substr(s->at);
    size_t end = last && s->mode == WIRE_STRICT ? rest.size() : rest.find(':');
    if (end == std::string_view::npos) end = rest.size();
    size_t n = end;
    if (!n || (s->mode == WIRE_STRICT && n > size - 1)) {
        s->ok = false;
        return;
    }
    if (n > size - 1) n = size - 1;
    memcpy(out, rest.data(), n);
    out[n] = 0;
    s->at += end;
    s->fields++;
}

// `count` fields separated by colons; `first` says whether a colon comes first, `last` whether
// the final one ends the argument.
static void ScanFields(WireScan *s, int32_t *const *fields, int count, int base, bool first,
                       bool last) {
    for (int i = 0; i < count; i++) {
        if (i || first) ScanColon(s);
        ScanNumber(s, fields[i], base, last && i == count - 1);
    }
}

// ---- writing ---------------------------------------------------------------------------------
// Lines are written by hand rather than through printf: the server writes one for every ship,
// watcher and request, and the digits are all there is to them.

struct WireOut {
    char *buf;
    size_t size; // 0: nothing can be written, not even the terminator
    size_t len;
};

static WireOut OutStart(char *buf, size_t size) {
    WireOut o = {buf, buf ? size : 0, 0};
    if (o.size) buf[0] = 0;
    return o;
}

// Appends bytes, cut where the buffer ends; the line stays terminated.
static void OutBytes(WireOut *o, const char *p, size_t n) {
    if (!o->size || o->len >= o->size - 1) return;
    if (n > o->size - 1 - o->len) n = o->size - 1 - o->len;
    if (n) memcpy(o->buf + o->len, p, n);
    o->len += n;
    o->buf[o->len] = 0;
}

static void OutText(WireOut *o, std::string_view text) {
    OutBytes(o, text.data(), text.size());
}

// The text of a ship or a radio line must stay one line: its breaks become blanks.
static void OutOneLine(WireOut *o, std::string_view text) {
    size_t from = o->len;
    OutText(o, text);
    for (size_t i = from; i < o->len; i++)
        if (o->buf[i] == '\n' || o->buf[i] == '\r') o->buf[i] = ' ';
}

static void OutColon(WireOut *o) {
    OutBytes(o, ":", 1);
}

// Unsigned decimal with at least `width` digits ("%u", "%03u").
static void OutUnsigned(WireOut *o, uint32_t v, int width) {
    char d[10];
    int n = 0;
    do {
        d[n++] = (char)('0' + v % 10);
        v /= 10;
    } while (v);
    while (n < width && n < (int)sizeof d)
        d[n++] = '0';
    char out[10];
    for (int i = 0; i < n; i++)
        out[i] = d[n - 1 - i];
    OutBytes(o, out, (size_t)n);
}

// Decimal ("%d").
static void OutDec(WireOut *o, int32_t v) {
    if (v < 0) OutBytes(o, "-", 1);
    OutUnsigned(o, v < 0 ? 0u - (uint32_t)v : (uint32_t)v, 1);
}

// The 32-bit pattern in lower-case hexadecimal without leading zeros ("%x").
static void OutHex(WireOut *o, int32_t value) {
    uint32_t v = (uint32_t)value;
    char out[8];
    int n = 0;
    for (int shift = 28; shift >= 0; shift -= 4) {
        uint32_t d = v >> shift & 0xf;
        if (d || n || !shift) out[n++] = "0123456789abcdef"[d];
    }
    OutBytes(o, out, (size_t)n);
}

// The packet number that begins every line, and the colon after it.
static void OutNumber(WireOut *o, int32_t number) {
    OutDec(o, number);
    OutColon(o);
}

// Colon-separated hexadecimal fields, each after a colon.
static void OutHexFields(WireOut *o, const int32_t *const *v, int count) {
    for (int i = 0; i < count; i++) {
        OutColon(o);
        OutHex(o, *v[i]);
    }
}

// ---- battle messages -------------------------------------------------------------------------

// The numeric fields of each battle message in wire order. One list serves both directions: a
// const message gives the formatter's fields, a writable one the parser's.
template <typename Msg, typename Field> static void UpdateFields(Msg *m, Field **f) {
    Field *const v[WIRE_UPDATE_FIELDS] = {&m->id,      &m->kind,   &m->vx,   &m->vy,
                                          &m->vz,      &m->engine, &m->helm, &m->trim,
                                          &m->heading, &m->x,      &m->y,    &m->z};
    for (int i = 0; i < WIRE_UPDATE_FIELDS; i++)
        f[i] = v[i];
}

template <typename Msg, typename Field> static void WeaponFields(Msg *m, Field **f) {
    Field *const v[WIRE_WEAPON_FIELDS] = {&m->first_id, &m->second_id, &m->kind, &m->setting,
                                          &m->heading,  &m->x,         &m->z};
    for (int i = 0; i < WIRE_WEAPON_FIELDS; i++)
        f[i] = v[i];
}

// A new ship's numbers after its four texts.
enum { WIRE_NEWSHIP_NUMBERS = WIRE_NEWSHIP_FIELDS - 4 };
template <typename Msg, typename Field> static void NewShipFields(Msg *m, Field **f) {
    Field *const v[WIRE_NEWSHIP_NUMBERS] = {
        &m->id,   &m->reserved, &m->country, &m->vx, &m->vy, &m->vz, &m->engine,
        &m->helm, &m->trim,     &m->heading, &m->x,  &m->y,  &m->z};
    for (int i = 0; i < WIRE_NEWSHIP_NUMBERS; i++)
        f[i] = v[i];
}

template <typename Msg, typename Field> static void ShipTypeFields(Msg *m, Field **f) {
    int n = 0;
    f[n++] = &m->row;
    for (Field &v : m->speed_table)
        f[n++] = &v;
    for (Field &v : m->turn_table)
        f[n++] = &v;
    f[n++] = &m->drag;
    for (Field &v : m->dive_table)
        f[n++] = &v;
    Field *const tail[] = {&m->gun_range, &m->gun_reload, &m->spare, &m->dc_reload, &m->submerged};
    for (Field *v : tail)
        f[n++] = v;
}

size_t WireFormatUpdate(const WireUpdate *m, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutDec(&o, T_UPDATE);
    const int32_t *v[WIRE_UPDATE_FIELDS];
    UpdateFields(m, v);
    OutHexFields(&o, v, WIRE_UPDATE_FIELDS);
    return o.len;
}

size_t WireFormatWeapon(const WireWeapon *m, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutDec(&o, T_WEAPON);
    const int32_t *v[WIRE_WEAPON_FIELDS];
    WeaponFields(m, v);
    OutHexFields(&o, v, WIRE_WEAPON_FIELDS);
    return o.len;
}

size_t WireFormatNewShip(const WireNewShip *m, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutNumber(&o, T_NEWSHIP);
    OutHex(&o, m->ship_type);
    const char *const text[] = {m->captain, m->name, m->ship_name};
    for (const char *t : text) {
        OutColon(&o);
        OutOneLine(&o, std::string_view(t, strnlen(t, WIRE_NAME_LEN)));
    }
    const int32_t *v[WIRE_NEWSHIP_NUMBERS];
    NewShipFields(m, v);
    OutHexFields(&o, v, WIRE_NEWSHIP_NUMBERS);
    return o.len;
}

size_t WireFormatShipType(const WireShipType *m, char *buf, size_t size) {
    const int32_t *v[WIRE_SHIPTYPE_FIELDS];
    ShipTypeFields(m, v);
    WireOut o = OutStart(buf, size);
    OutDec(&o, T_SHIPTYPE);
    OutHexFields(&o, v, WIRE_SHIPTYPE_FIELDS);
    return o.len;
}

size_t WireFormatRadio(const WireRadio *m, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutNumber(&o, T_RADIO);
    OutDec(&o, m->addressee);
    OutColon(&o);
    OutOneLine(&o, m->text);
    return o.len;
}

size_t WireFormatRadioRelay(const WireRadioRelay *m, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutNumber(&o, T_RADIO);
    OutUnsigned(&o, m->sender, 1);
    OutColon(&o);
    OutOneLine(&o, m->text);
    return o.len;
}

int WireParseUpdate(std::string_view arg, WireUpdate *out, int mode) {
    memset(out, 0, sizeof *out);
    WireScan s = ScanStart(arg, mode);
    int32_t *f[WIRE_UPDATE_FIELDS];
    UpdateFields(out, f);
    ScanFields(&s, f, WIRE_UPDATE_FIELDS, 16, false, true);
    return s.fields;
}

int WireParseWeapon(std::string_view arg, WireWeapon *out, int mode) {
    memset(out, 0, sizeof *out);
    WireScan s = ScanStart(arg, mode);
    int32_t *f[WIRE_WEAPON_FIELDS];
    WeaponFields(out, f);
    ScanFields(&s, f, WIRE_WEAPON_FIELDS, 16, false, true);
    return s.fields;
}

int WireParseNewShip(std::string_view arg, WireNewShip *out, int mode) {
    memset(out, 0, sizeof *out);
    WireScan s = ScanStart(arg, mode);
    ScanNumber(&s, &out->ship_type, 16, false);
    ScanColon(&s);
    ScanText(&s, out->captain, sizeof out->captain, false);
    ScanColon(&s);
    ScanText(&s, out->name, sizeof out->name, false);
    ScanColon(&s);
    ScanText(&s, out->ship_name, sizeof out->ship_name, false);
    int32_t *f[WIRE_NEWSHIP_NUMBERS];
    NewShipFields(out, f);
    ScanFields(&s, f, WIRE_NEWSHIP_NUMBERS, 16, true, true);
    return s.fields;
}

int WireParseShipType(std::string_view arg, WireShipType *out, int mode) {
    memset(out, 0, sizeof *out);
    WireScan s = ScanStart(arg, mode);
    int32_t *f[WIRE_SHIPTYPE_FIELDS];
    ShipTypeFields(out, f);
    ScanFields(&s, f, WIRE_SHIPTYPE_FIELDS, 16, false, true);
    return s.fields;
}

// The text of a radio line: everything after the first colon.
static std::string_view RadioText(std::string_view arg) {
    size_t colon = arg.find(':');
    return colon == std::string_view::npos ? std::string_view() : arg.substr(colon + 1);
}

int WireParseRadio(std::string_view arg, WireRadio *out, int mode) {
    *out = WireRadio{0, RadioText(arg)};
    WireScan s = ScanStart(arg, mode);
    ScanNumber(&s, &out->addressee, 10, false);
    ScanColon(&s);
    return s.fields + (s.ok ? 1 : 0);
}

int WireParseRadioRelay(std::string_view arg, WireRadioRelay *out, int mode) {
    *out = WireRadioRelay{0, RadioText(arg)};
    WireScan s = ScanStart(arg, mode);
    int32_t sender = 0;
    ScanNumber(&s, &sender, 10, false);
    out->sender = (uint32_t)sender;
    ScanColon(&s);
    return s.fields + (s.ok ? 1 : 0);
}

// ---- session messages ------------------------------------------------------------------------

size_t WireFormatVersion(char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutNumber(&o, T_VERS);
    OutUnsigned(&o, WIRE_VERSION, 3); // always three digits
    return o.len;
}

size_t WireFormatIdInfo(const WireIdInfo *m, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutNumber(&o, T_IDINFO);
    OutText(&o, m->userid);
    OutColon(&o);
    OutText(&o, m->password);
    return o.len;
}

// number:nickname:country
static size_t FormatName(int32_t number, const WireName *m, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutNumber(&o, number);
    OutText(&o, m->nickname);
    OutColon(&o);
    OutDec(&o, m->country);
    return o.len;
}

size_t WireFormatNameInfo(const WireName *m, char *buf, size_t size) {
    return FormatName(T_NAMEINFO, m, buf, size);
}

size_t WireFormatLogonOk(const WireName *m, char *buf, size_t size) {
    return FormatName(T_LOGONOK, m, buf, size);
}

size_t WireFormatJoinBattle(const WireJoinBattle *m, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutNumber(&o, T_JOINBATTLE);
    OutDec(&o, m->first);
    OutColon(&o);
    OutDec(&o, m->ship_type);
    OutColon(&o);
    OutText(&o, m->name);
    return o.len;
}

// number and decimal values, each after a colon.
static size_t FormatDecimals(int32_t number, const int32_t *v, int32_t count, char *buf,
                             size_t size) {
    WireOut o = OutStart(buf, size);
    OutDec(&o, number);
    for (int32_t i = 0; i < count; i++) {
        OutColon(&o);
        OutDec(&o, v[i]);
    }
    return o.len;
}

size_t WireFormatScoreRequest(int32_t a, int32_t b, char *buf, size_t size) {
    const int32_t v[] = {a, b};
    return FormatDecimals(T_SCOREREQ, v, 2, buf, size);
}

size_t WireFormatInventory(const int32_t *v, char *buf, size_t size) {
    return FormatDecimals(T_INVDETAILS, v, WIRE_INVENTORY, buf, size);
}

size_t WireFormatJoinAccept(uint32_t ship_id, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutNumber(&o, T_JOINACC);
    OutUnsigned(&o, ship_id, 1);
    return o.len;
}

size_t WireFormatScore(const WireScore *m, char *buf, size_t size) {
    int32_t v[1 + WIRE_SCORE_VALUES];
    int32_t count = m->count < 0 ? 0 : m->count > WIRE_SCORE_VALUES ? WIRE_SCORE_VALUES : m->count;
    v[0] = m->first;
    memcpy(v + 1, m->values, sizeof(int32_t) * (size_t)count);
    return FormatDecimals(T_SCORE, v, 1 + count, buf, size);
}

size_t WireFormatNumber(int32_t number, int32_t value, char *buf, size_t size) {
    return FormatDecimals(number, &value, 1, buf, size);
}

size_t WireFormatText(int32_t number, std::string_view text, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutNumber(&o, number);
    OutText(&o, text);
    return o.len;
}

size_t WireFormatEmpty(int32_t number, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutNumber(&o, number);
    return o.len;
}

size_t WireFormatBare(int32_t number, char *buf, size_t size) {
    WireOut o = OutStart(buf, size);
    OutDec(&o, number);
    return o.len;
}

std::string WireTextLineV(int32_t number, const char *fmt, va_list ap) {
    char line[WIRE_TEXT_LINE], text[WIRE_TEXT_LINE];
    if (vsnprintf(text, sizeof text, fmt, ap) < 0) return std::string();
    return std::string(line, WireFormatText(number, text, line, sizeof line));
}

int WireParseIdInfo(std::string_view arg, WireIdInfo *out) {
    std::string_view f[2];
    size_t n = WireSplit(arg, f, 2);
    *out = WireIdInfo{f[0], n == 2 ? f[1] : std::string_view()};
    return (int)n;
}

int WireParseNameInfo(std::string_view arg, WireName *out) {
    size_t colon = arg.rfind(':');
    *out = WireName{arg.substr(0, colon), 0};
    if (colon == std::string_view::npos) return 1;
    return WireDec(arg.substr(colon + 1), &out->country) ? 2 : 1;
}

int WireParseJoinBattle(std::string_view arg, WireJoinBattle *out) {
    *out = WireJoinBattle{0, 0, std::string_view()};
    WireScan s = ScanStart(arg, WIRE_STRICT);
    ScanNumber(&s, &out->first, 10, false);
    ScanColon(&s);
    ScanNumber(&s, &out->ship_type, 10, false);
    ScanColon(&s);
    if (!s.ok) return s.fields;
    out->name = arg.substr(s.at);
    return 3;
}

int WireParseLogonOk(std::string_view arg, char *nickname, size_t nick_size, int32_t *country) {
    size_t n = arg.find(':');
    if (n == std::string_view::npos) n = arg.size();
    if (!n || !nick_size) return 0;
    size_t kept = n < nick_size - 1 ? n : nick_size - 1;
    memcpy(nickname, arg.data(), kept);
    nickname[kept] = 0;
    // A nickname cut short is not followed by its colon: the country is not read then.
    if (kept < n || n >= arg.size()) return 1;
    return 1 + (WireScanInts(arg.substr(n + 1), country, 1) == 1 ? 1 : 0);
}

int WireParseScore(std::string_view arg, WireScore *out) {
    memset(out, 0, sizeof *out);
    int32_t a[1 + WIRE_SCORE_VALUES];
    int32_t n = WireScanInts(arg, a, 1 + WIRE_SCORE_VALUES);
    if (n < 1) return 0;
    out->first = a[0];
    out->count = n - 1;
    memcpy(out->values, a + 1, sizeof(int32_t) * (size_t)(n - 1));
    return n;
}

int WireUpdateValues(std::string_view arg, uint32_t *v) {
    WireUpdate u;
    if (WireParseUpdate(arg, &u, WIRE_STRICT) != WIRE_UPDATE_FIELDS) return 0;
    const int32_t f[WIRE_UPDATE_FIELDS] = {u.id,   u.kind, u.vx,      u.vy, u.vz, u.engine,
                                           u.helm, u.trim, u.heading, u.x,  u.y,  u.z};
    for (int i = 0; i < WIRE_UPDATE_FIELDS; i++)
        v[i] = (uint32_t)f[i];
    return 1;
}
