// srv_line.h -- cutting a client's byte stream into lines and reading their packet fields
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

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

// A packet line split into its number and the text after its first colon.
struct PacketLine {
    int32_t number;
    std::string_view arg;
};

// Reads the decimal packet number that starts a line (leading blanks and a sign allowed, as the
// client's "%d:" reading does) and the argument after the first colon (empty without a colon).
// Returns 0 when the line does not begin with a number or the number does not fit 32 bits.
int LineParsePacket(std::string_view line, PacketLine *out);

// Splits an argument at every colon into at most max fields; the last field keeps any colons
// that are left. Returns the number of fields (an empty argument is one empty field).
size_t LineSplit(std::string_view arg, std::string_view *fields, size_t max);

// Strict decimal: optional sign and 1 to 10 digits that fit int32, nothing else.
int LineDec(std::string_view s, int32_t *out);

// Strict hexadecimal: 1 to 8 hex digits (either case), read as a 32-bit pattern.
int LineHex(std::string_view s, uint32_t *out);

// Whether the text is fit to be shown to other players: printable 8-bit characters only.
int LinePrintable(std::string_view s);
