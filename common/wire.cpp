// wire.cpp -- the protocol's lines: every message formatted and parsed here, for client and server
#include "common/wire.h"

#include <ctype.h>
#include <inttypes.h>
#include <limits.h>
#include <stdarg.h>
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

static size_t Put(char *buf, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
static size_t Put(char *buf, size_t size, const char *format, ...) {
    if (!buf || !size) return 0;
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(buf, size, format, ap);
    va_end(ap);
    if (n < 0) {
        buf[0] = 0;
        return 0;
    }
    return (size_t)n < size ? (size_t)n : size - 1;
}

// A line break inside a text would start a second line on the wire.
static void NoBreaks(char *from, char *to) {
    for (; from < to; from++)
        if (*from == '\n' || *from == '\r') *from = ' ';
}

// "number:" then the text, cut to the buffer.
static size_t PutText(char *buf, size_t size, size_t len, std::string_view text) {
    if (!buf || !size || len >= size - 1) return len;
    size_t n = text.size() < size - 1 - len ? text.size() : size - 1 - len;
    memcpy(buf + len, text.data(), n);
    buf[len + n] = 0;
    NoBreaks(buf + len, buf + len + n);
    return len + n;
}

#define X32(v) ((uint32_t)(v))

// ---- battle messages -------------------------------------------------------------------------

size_t WireFormatUpdate(const WireUpdate *m, char *buf, size_t size) {
    return Put(buf, size,
               "%d:%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32
               ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32,
               T_UPDATE, X32(m->id), X32(m->kind), X32(m->vx), X32(m->vy), X32(m->vz),
               X32(m->engine), X32(m->helm), X32(m->trim), X32(m->heading), X32(m->x), X32(m->y),
               X32(m->z));
}

size_t WireFormatWeapon(const WireWeapon *m, char *buf, size_t size) {
    return Put(buf, size,
               "%d:%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32
               ":%" PRIx32,
               T_WEAPON, X32(m->first_id), X32(m->second_id), X32(m->kind), X32(m->setting),
               X32(m->heading), X32(m->x), X32(m->z));
}

size_t WireFormatNewShip(const WireNewShip *m, char *buf, size_t size) {
    size_t len = Put(buf, size, "%d:%" PRIx32 ":%.*s:%.*s:%.*s", T_NEWSHIP, X32(m->ship_type),
                     (int)strnlen(m->captain, WIRE_NAME_LEN), m->captain,
                     (int)strnlen(m->name, WIRE_NAME_LEN), m->name,
                     (int)strnlen(m->ship_name, WIRE_NAME_LEN), m->ship_name);
    NoBreaks(buf, buf + len);
    return len + Put(buf + len, size - len,
                     ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32
                     ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%" PRIx32
                     ":%" PRIx32,
                     X32(m->id), X32(m->reserved), X32(m->country), X32(m->vx), X32(m->vy),
                     X32(m->vz), X32(m->engine), X32(m->helm), X32(m->trim), X32(m->heading),
                     X32(m->x), X32(m->y), X32(m->z));
}

size_t WireFormatShipType(const WireShipType *m, char *buf, size_t size) {
    const int32_t *v[WIRE_SHIPTYPE_FIELDS] = {&m->row,
                                              &m->speed_table[0],
                                              &m->speed_table[1],
                                              &m->speed_table[2],
                                              &m->speed_table[3],
                                              &m->speed_table[4],
                                              &m->turn_table[0],
                                              &m->turn_table[1],
                                              &m->turn_table[2],
                                              &m->turn_table[3],
                                              &m->turn_table[4],
                                              &m->drag,
                                              &m->dive_table[0],
                                              &m->dive_table[1],
                                              &m->dive_table[2],
                                              &m->dive_table[3],
                                              &m->dive_table[4],
                                              &m->gun_range,
                                              &m->gun_reload,
                                              &m->spare,
                                              &m->dc_reload,
                                              &m->submerged};
    size_t len = Put(buf, size, "%d", T_SHIPTYPE);
    for (int i = 0; i < WIRE_SHIPTYPE_FIELDS; i++)
        len += Put(buf + len, size - len, ":%" PRIx32, X32(*v[i]));
    return len;
}

size_t WireFormatRadio(const WireRadio *m, char *buf, size_t size) {
    return PutText(buf, size, Put(buf, size, "%d:%d:", T_RADIO, (int)m->addressee), m->text);
}

size_t WireFormatRadioRelay(const WireRadioRelay *m, char *buf, size_t size) {
    return PutText(buf, size, Put(buf, size, "%d:%" PRIu32 ":", T_RADIO, m->sender), m->text);
}

int WireParseUpdate(std::string_view arg, WireUpdate *out, int mode) {
    memset(out, 0, sizeof *out);
    WireScan s = ScanStart(arg, mode);
    int32_t *const f[] = {&out->id,   &out->kind, &out->vx,      &out->vy, &out->vz, &out->engine,
                          &out->helm, &out->trim, &out->heading, &out->x,  &out->y,  &out->z};
    ScanFields(&s, f, WIRE_UPDATE_FIELDS, 16, false, true);
    return s.fields;
}

int WireParseWeapon(std::string_view arg, WireWeapon *out, int mode) {
    memset(out, 0, sizeof *out);
    WireScan s = ScanStart(arg, mode);
    int32_t *const f[] = {&out->first_id, &out->second_id, &out->kind, &out->setting,
                          &out->heading,  &out->x,         &out->z};
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
    int32_t *const f[] = {&out->id, &out->reserved, &out->country, &out->vx,   &out->vy,
                          &out->vz, &out->engine,   &out->helm,    &out->trim, &out->heading,
                          &out->x,  &out->y,        &out->z};
    ScanFields(&s, f, WIRE_NEWSHIP_FIELDS - 4, 16, true, true);
    return s.fields;
}

int WireParseShipType(std::string_view arg, WireShipType *out, int mode) {
    memset(out, 0, sizeof *out);
    WireScan s = ScanStart(arg, mode);
    WireShipType *m = out;
    int32_t *const f[WIRE_SHIPTYPE_FIELDS] = {&m->row,
                                              &m->speed_table[0],
                                              &m->speed_table[1],
                                              &m->speed_table[2],
                                              &m->speed_table[3],
                                              &m->speed_table[4],
                                              &m->turn_table[0],
                                              &m->turn_table[1],
                                              &m->turn_table[2],
                                              &m->turn_table[3],
                                              &m->turn_table[4],
                                              &m->drag,
                                              &m->dive_table[0],
                                              &m->dive_table[1],
                                              &m->dive_table[2],
                                              &m->dive_table[3],
                                              &m->dive_table[4],
                                              &m->gun_range,
                                              &m->gun_reload,
                                              &m->spare,
                                              &m->dc_reload,
                                              &m->submerged};
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
    return Put(buf, size, "%d:%03d", T_VERS, WIRE_VERSION);
}

size_t WireFormatIdInfo(const WireIdInfo *m, char *buf, size_t size) {
    size_t len = PutText(buf, size, Put(buf, size, "%d:", T_IDINFO), m->userid);
    return PutText(buf, size, PutText(buf, size, len, ":"), m->password);
}

// number:nickname:country
static size_t FormatName(int32_t number, const WireName *m, char *buf, size_t size) {
    size_t len = PutText(buf, size, Put(buf, size, "%d:", number), m->nickname);
    return len + Put(buf + len, size - len, ":%d", (int)m->country);
}

size_t WireFormatNameInfo(const WireName *m, char *buf, size_t size) {
    return FormatName(T_NAMEINFO, m, buf, size);
}

size_t WireFormatLogonOk(const WireName *m, char *buf, size_t size) {
    return FormatName(T_LOGONOK, m, buf, size);
}

size_t WireFormatJoinBattle(const WireJoinBattle *m, char *buf, size_t size) {
    return PutText(buf, size,
                   Put(buf, size, "%d:%d:%d:", T_JOINBATTLE, (int)m->first, (int)m->ship_type),
                   m->name);
}

size_t WireFormatScoreRequest(int32_t a, int32_t b, char *buf, size_t size) {
    return Put(buf, size, "%d:%d:%d", T_SCOREREQ, (int)a, (int)b);
}

size_t WireFormatInventory(const int32_t *v, char *buf, size_t size) {
    return Put(buf, size, "%d:%d:%d:%d:%d:%d:%d", T_INVDETAILS, (int)v[0], (int)v[1], (int)v[2],
               (int)v[3], (int)v[4], (int)v[5]);
}

size_t WireFormatJoinAccept(uint32_t ship_id, char *buf, size_t size) {
    return Put(buf, size, "%d:%" PRIu32, T_JOINACC, ship_id);
}

size_t WireFormatScore(const WireScore *m, char *buf, size_t size) {
    size_t len = Put(buf, size, "%d:%d", T_SCORE, (int)m->first);
    int32_t count = m->count < 0 ? 0 : m->count > WIRE_SCORE_VALUES ? WIRE_SCORE_VALUES : m->count;
    for (int32_t i = 0; i < count; i++)
        len += Put(buf + len, size - len, ":%d", (int)m->values[i]);
    return len;
}

size_t WireFormatNumber(int32_t number, int32_t value, char *buf, size_t size) {
    return Put(buf, size, "%d:%d", (int)number, (int)value);
}

size_t WireFormatText(int32_t number, std::string_view text, char *buf, size_t size) {
    return PutText(buf, size, Put(buf, size, "%d:", (int)number), text);
}

size_t WireFormatEmpty(int32_t number, char *buf, size_t size) {
    return Put(buf, size, "%d:", (int)number);
}

size_t WireFormatBare(int32_t number, char *buf, size_t size) {
    return Put(buf, size, "%d", (int)number);
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
