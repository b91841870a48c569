// srv_line.cpp -- packet number and field reading for the server's line protocol
#include "server/srv_line.h"

int LineParsePacket(std::string_view line, PacketLine *out) {
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

size_t LineSplit(std::string_view arg, std::string_view *fields, size_t max) {
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

int LineDec(std::string_view s, int32_t *out) {
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

int LineHex(std::string_view s, uint32_t *out) {
    if (s.empty() || s.size() > 8) return 0;
    uint32_t v = 0;
    for (char c : s) {
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return 0;
        v = v << 4 | d;
    }
    *out = v;
    return 1;
}

int LinePrintable(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f) return 0;
    return 1;
}
