// srv_line.h -- cutting a client's byte stream into lines; their fields are read by the wire codec
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/wire.h"

#define LINE_MAX_KEPT 255 // characters of a line that are kept; the rest is dropped

// Line cutter with the client's rules: LF or CR ends a line, at most LINE_MAX_KEPT characters are
// kept, the rest of an over-long line is dropped and counted. Empty lines are never delivered.
struct LineFramer {
    char buf[LINE_MAX_KEPT + 1];
    size_t len = 0;
    size_t dropped = 0; // characters dropped from the line being assembled
};

// What LineFeed found at one line end.
struct LineEvent {
    std::string_view line; // valid until the next call of LineFeed on the same framer
    size_t dropped;        // characters cut from this line (0 for a line that fitted)
};

// Feeds bytes; for each completed non-empty line calls fn(const LineEvent &). fn returns false to
// stop early (for instance when the connection is being closed); then the rest of the bytes is
// left unread and LineFeed returns the count it consumed. Otherwise returns n.
template <typename Fn> size_t LineFeed(LineFramer *f, const char *data, size_t n, Fn &&fn) {
    for (size_t i = 0; i < n; i++) {
        char c = data[i];
        if (c == '\n' || c == '\r') {
            size_t len = f->len, dropped = f->dropped;
            f->len = 0;
            f->dropped = 0;
            if (len == 0 && dropped == 0) continue;
            f->buf[len] = 0;
            if (!fn(LineEvent{std::string_view(f->buf, len), dropped})) return i + 1;
        } else if (f->len < LINE_MAX_KEPT) {
            f->buf[f->len++] = c;
        } else {
            f->dropped++;
        }
    }
    return n;
}

// The protocol's line-level reading is the wire codec's; these are its server-side names.
typedef WirePacket PacketLine;

inline int LineParsePacket(std::string_view line, PacketLine *out) {
    return WireParsePacket(line, out);
}
inline size_t LineSplit(std::string_view arg, std::string_view *fields, size_t max) {
    return WireSplit(arg, fields, max);
}
inline int LineDec(std::string_view s, int32_t *out) {
    return WireDec(s, out);
}
inline int LineHex(std::string_view s, uint32_t *out) {
    return WireHex(s, out);
}
inline int LinePrintable(std::string_view s) {
    return WirePrintable(s);
}
