// line_test.cpp -- cutting lines and reading packet fields the way the client writes them
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/srv_line.h"

namespace {

std::vector<std::string> Feed(LineFramer *f, const std::string &bytes,
                              std::vector<size_t> *dropped = nullptr) {
    std::vector<std::string> out;
    LineFeed(f, bytes.data(), bytes.size(), [&](const LineEvent &ev) {
        out.emplace_back(ev.line);
        if (dropped) dropped->push_back(ev.dropped);
        return true;
    });
    return out;
}

TEST(LineFramer, LineAssembledAcrossPiecesAndBothEndings) {
    LineFramer f;
    EXPECT_TRUE(Feed(&f, "12:").empty());
    EXPECT_EQ(Feed(&f, "a\n"), std::vector<std::string>{"12:a"});
    // CR LF gives one line: the empty line between is never delivered.
    EXPECT_EQ(Feed(&f, "1:x\r\n2:y\r3:z\n\n\n"), (std::vector<std::string>{"1:x", "2:y", "3:z"}));
}

TEST(LineFramer, OverlongLineKeeps255AndCountsTheRest) {
    LineFramer f;
    std::vector<size_t> dropped;
    auto lines = Feed(&f, std::string(300, 'a') + "\n22\n", &dropped);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 255u);
    EXPECT_EQ(dropped[0], 45u);
    EXPECT_EQ(lines[1], "22");
    EXPECT_EQ(dropped[1], 0u);
}

TEST(LineFramer, StoppingLeavesTheRestUnread) {
    LineFramer f;
    std::string bytes = "1:a\n2:b\n3:c\n";
    int seen = 0;
    size_t used =
        LineFeed(&f, bytes.data(), bytes.size(), [&](const LineEvent &) { return ++seen < 2; });
    EXPECT_EQ(used, 8u);
    EXPECT_EQ(seen, 2);
}

TEST(LinePacket, NumbersAndArguments) {
    PacketLine p;
    ASSERT_TRUE(LineParsePacket("5:a:b:c", &p));
    EXPECT_EQ(p.number, 5);
    EXPECT_EQ(p.arg, "a:b:c");
    ASSERT_TRUE(LineParsePacket("22", &p));
    EXPECT_EQ(p.number, 22);
    EXPECT_EQ(p.arg, "");
    ASSERT_TRUE(LineParsePacket("  -1:x", &p));
    EXPECT_EQ(p.number, -1);
    ASSERT_TRUE(LineParsePacket("33:", &p));
    EXPECT_EQ(p.arg, "");
    EXPECT_FALSE(LineParsePacket("MorningTideOverGreyHarbour", &p));
    EXPECT_FALSE(LineParsePacket("", &p));
    EXPECT_FALSE(LineParsePacket("-", &p));
    EXPECT_FALSE(LineParsePacket("99999999999:x", &p));
    ASSERT_TRUE(LineParsePacket("-2147483648", &p));
    EXPECT_EQ(p.number, INT32_MIN);
}

TEST(LineFields, StrictNumbers) {
    int32_t d;
    uint32_t h;
    EXPECT_TRUE(LineDec("-17", &d));
    EXPECT_EQ(d, -17);
    EXPECT_FALSE(LineDec("", &d));
    EXPECT_FALSE(LineDec("1x", &d));
    EXPECT_FALSE(LineDec("2147483648", &d));
    EXPECT_FALSE(LineDec("+", &d));
    EXPECT_TRUE(LineHex("ffffffff", &h));
    EXPECT_EQ(h, 0xffffffffu);
    EXPECT_TRUE(LineHex("3E8", &h));
    EXPECT_EQ(h, 1000u);
    EXPECT_FALSE(LineHex("100000000", &h));
    EXPECT_FALSE(LineHex("", &h));
    EXPECT_FALSE(LineHex("-1", &h));
    EXPECT_FALSE(LineHex("0x10", &h));
}

TEST(LineFields, SplitKeepsColonsInTheLastField) {
    std::string_view f[3];
    ASSERT_EQ(LineSplit("0:hello:there:you", f, 2), 2u);
    EXPECT_EQ(f[0], "0");
    EXPECT_EQ(f[1], "hello:there:you");
    ASSERT_EQ(LineSplit("", f, 3), 1u);
    EXPECT_EQ(f[0], "");
    ASSERT_EQ(LineSplit("a::", f, 3), 3u);
    EXPECT_EQ(f[2], "");
}

} // namespace
