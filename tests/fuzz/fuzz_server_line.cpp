// fuzz_server_line.cpp -- the server's line cutter and field readers on arbitrary bytes
#include <stddef.h>
#include <stdint.h>

#include <cstdlib>

#include "server/srv_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    LineFramer f;
    // Two feeds, so a line split between receives is exercised too.
    size_t half = size / 2;
    auto each = [](const LineEvent &ev) {
        if (ev.line.size() > LINE_MAX_KEPT) abort();
        PacketLine p;
        if (LineParsePacket(ev.line, &p)) {
            std::string_view fields[13];
            size_t n = LineSplit(p.arg, fields, 13);
            if (n == 0 || n > 13) abort();
            for (size_t i = 0; i < n; i++) {
                uint32_t h;
                int32_t d;
                LineHex(fields[i], &h);
                LineDec(fields[i], &d);
                LinePrintable(fields[i]);
            }
        }
        return true;
    };
    LineFeed(&f, (const char *)data, half, each);
    LineFeed(&f, (const char *)data + half, size - half, each);
    return 0;
}
