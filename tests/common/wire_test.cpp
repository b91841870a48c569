// wire_test.cpp -- the wire codec: every message against the bytes client and server send
#include "common/wire.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <cstring>
#include <string>

namespace {

// The lines the server sent for its ship types before the codec took them over.
const char *const SHIPTYPE_LINES[] = {
    "30:0:0:0:0:0:0:0:0:0:0:0:c8:0:0:0:0:0:0:0:0:0:2710",
    "30:1:fffff448:fffff9c0:0:fa0:1f40:ffffffbe:ffffffdf:0:21:42:c8:0:0:0:0:0:1f40:bb8:0:2ee0:2710",
    "30:2:fffff510:fffffa88:0:e10:1c20:ffffff9c:ffffffce:0:32:64:c8:0:0:0:0:0:1770:fa0:0:1f40:2710",
    "30:3:fffffb50:fffffda8:0:640:c80:ffffffad:ffffffd7:0:29:53:c8:0:0:0:0:0:0:0:0:0:2710",
    "30:4:fffffc18:fffffe0c:0:578:af0:ffffffc2:ffffffe1:0:1f:3e:c8:0:0:0:0:0:0:0:0:0:2710",
    "30:5:ffffd120:ffffe890:0:3840:7080:ffffffad:ffffffd7:0:29:53:4b0:ffffff9c:ffffffd8:0:28:64:"
    "fa0:1770:0:0:1194",
    "30:6:0:0:0:a604:14c08:0:0:0:0:0:3e8:0:0:0:0:0:0:0:0:0:2710",
};

// The argument of a line: what follows the packet number's colon.
std::string_view Arg(const char *line) {
    WirePacket p;
    EXPECT_TRUE(WireParsePacket(line, &p)) << line;
    return p.arg;
}

WireUpdate SampleUpdate() {
    // Velocity (1.5, 0, -2.25) x 128, engine 3, helm 2, at (1000, 0, -500) heading 0x4000.
    return WireUpdate{0x1f, 1, 192, 0, -288, 3, 2, 0x8002, 0x4000, 1000, 0, -500};
}

} // namespace

// ---- battle messages -------------------------------------------------------------------------

TEST(WireUpdateTest, FormatsTheClientsOwnShip) {
    WireUpdate u = SampleUpdate();
    char line[WIRE_LINE_SIZE];
    size_t n = WireFormatUpdate(&u, line, sizeof line);
    EXPECT_STREQ(line, "8:1f:1:c0:0:fffffee0:3:2:8002:4000:3e8:0:fffffe0c");
    EXPECT_EQ(n, strlen(line));
}

TEST(WireUpdateTest, FormatsTheServersVanishedAndSlowLines) {
    WireUpdate u = SampleUpdate();
    u.kind = 4;
    char line[WIRE_LINE_SIZE];
    WireFormatUpdate(&u, line, sizeof line);
    EXPECT_STREQ(line, "8:1f:4:c0:0:fffffee0:3:2:8002:4000:3e8:0:fffffe0c");
    u.kind = 0;
    u.vx = -127; // -0.999 x 128, truncated toward zero
    WireFormatUpdate(&u, line, sizeof line);
    EXPECT_STREQ(line, "8:1f:0:ffffff81:0:fffffee0:3:2:8002:4000:3e8:0:fffffe0c");
}

TEST(WireUpdateTest, RoundTripsInBothModes) {
    WireUpdate u = SampleUpdate(), back;
    char line[WIRE_LINE_SIZE];
    WireFormatUpdate(&u, line, sizeof line);
    for (int mode : {WIRE_LENIENT, WIRE_STRICT}) {
        EXPECT_EQ(WireParseUpdate(Arg(line), &back, mode), WIRE_UPDATE_FIELDS);
        EXPECT_EQ(memcmp(&u, &back, sizeof u), 0);
    }
}

TEST(WireUpdateTest, LenientReadTakesWhatAFormattedScanTakes) {
    WireUpdate u;
    // Blanks, a sign, 0x and over-long numbers (modulo 2^32); the rest of the line is ignored.
    EXPECT_EQ(WireParseUpdate(" 0x1F:+2:-1:123456789a:0:0:0:0:0:0:0:7:junk", &u, WIRE_LENIENT), 12);
    EXPECT_EQ(u.id, 0x1f);
    EXPECT_EQ(u.kind, 2);
    EXPECT_EQ(u.vx, -1);
    EXPECT_EQ((uint32_t)u.vy, 0x3456789au);
    EXPECT_EQ(u.z, 7);
}

TEST(WireUpdateTest, FieldsAfterTheFirstUnreadableOneStayZero) {
    WireUpdate u;
    EXPECT_EQ(WireParseUpdate("1f:1:c0:zz:5:5", &u, WIRE_LENIENT), 3);
    EXPECT_EQ(u.vx, 0xc0);
    EXPECT_EQ(u.vy, 0);
    EXPECT_EQ(u.vz, 0);
    EXPECT_EQ(WireParseUpdate("", &u, WIRE_LENIENT), 0);
    EXPECT_EQ(u.id, 0);
}

TEST(WireUpdateTest, StrictReadRefusesAnythingButBareHexFields) {
    WireUpdate u;
    const char *good = "1f:1:c0:0:fffffee0:3:2:8002:4000:3e8:0:fffffe0c";
    EXPECT_EQ(WireParseUpdate(good, &u, WIRE_STRICT), 12);
    EXPECT_LT(WireParseUpdate(" 1f:1:c0:0:fffffee0:3:2:8002:4000:3e8:0:fffffe0c", &u, WIRE_STRICT),
              12);
    EXPECT_LT(WireParseUpdate("1f:1:c0:0:fffffee0:3:2:8002:4000:3e8:0:fffffe0c:9", &u, WIRE_STRICT),
              12);
    EXPECT_LT(WireParseUpdate("1f:1:c0:0:fffffee0:3:2:8002:4000:3e8:0", &u, WIRE_STRICT), 12);
    EXPECT_LT(WireParseUpdate("1f:1:c0:0:1fffffee0:3:2:8002:4000:3e8:0:0", &u, WIRE_STRICT), 12);
    EXPECT_LT(WireParseUpdate("1f:1:c0:0:-1:3:2:8002:4000:3e8:0:0", &u, WIRE_STRICT), 12);
    EXPECT_LT(WireParseUpdate("1f:1:c0:0::3:2:8002:4000:3e8:0:0", &u, WIRE_STRICT), 12);
}

TEST(WireWeaponTest, FormatsAndRoundTrips) {
    WireWeapon w = {-1, 0x2a, 9, 150, 0xfffe, -1, 123456}, back;
    char line[WIRE_LINE_SIZE];
    WireFormatWeapon(&w, line, sizeof line);
    EXPECT_STREQ(line, "13:ffffffff:2a:9:96:fffe:ffffffff:1e240");
    for (int mode : {WIRE_LENIENT, WIRE_STRICT}) {
        EXPECT_EQ(WireParseWeapon(Arg(line), &back, mode), WIRE_WEAPON_FIELDS);
        EXPECT_EQ(memcmp(&w, &back, sizeof w), 0);
    }
}

TEST(WireWeaponTest, ReadsATorpedoLaunchFromTheServer) {
    WireWeapon w;
    EXPECT_EQ(WireParseWeapon("2a:1f:0:0:4000:3e8:fffffe0c", &w, WIRE_LENIENT), 7);
    EXPECT_EQ(w.first_id, 0x2a);
    EXPECT_EQ(w.second_id, 0x1f);
    EXPECT_EQ(w.kind, 0);
    EXPECT_EQ(w.heading, 0x4000);
    EXPECT_EQ(w.x, 1000);
    EXPECT_EQ(w.z, -500);
}

TEST(WireNewShipTest, FormatsTheServersLineAndRoundTrips) {
    WireNewShip m = {};
    m.ship_type = 2;
    strcpy(m.captain, "Seawolf");
    strcpy(m.name, "Destroyer");
    strcpy(m.ship_name, "WS Bold");
    m.id = 0x1f;
    m.country = 0;
    m.vx = 192;
    m.vz = -288;
    m.engine = 3;
    m.helm = 2;
    m.trim = 0x8002;
    m.heading = 0x4000;
    m.x = 1000;
    m.z = -500;
    char line[WIRE_LINE_SIZE];
    WireFormatNewShip(&m, line, sizeof line);
    EXPECT_STREQ(line, "27:2:Seawolf:Destroyer:WS Bold:1f:0:0:c0:0:fffffee0:3:2:8002:4000:3e8:0:"
                       "fffffe0c");
    WireNewShip back;
    for (int mode : {WIRE_LENIENT, WIRE_STRICT}) {
        EXPECT_EQ(WireParseNewShip(Arg(line), &back, mode), WIRE_NEWSHIP_FIELDS);
        EXPECT_EQ(memcmp(&m, &back, sizeof m), 0);
    }
}

TEST(WireNewShipTest, TextFieldsAreCutOrRefused) {
    WireNewShip m;
    const char *arg = "3:DRONE:Submarine:A Name Far Too Long For It:2a:0:2:0:0:0:0:0:0:0:1:2:3";
    EXPECT_EQ(WireParseNewShip(arg, &m, WIRE_LENIENT), 17);
    EXPECT_STREQ(m.captain, "DRONE");
    EXPECT_STREQ(m.ship_name, "A Name Far Too ");
    EXPECT_EQ(m.id, 0x2a);
    EXPECT_EQ(m.z, 3);
    EXPECT_LT(WireParseNewShip(arg, &m, WIRE_STRICT), 17);
    // An empty text field stops the read; the fields after it stay 0.
    EXPECT_EQ(WireParseNewShip("3:DRONE::x:2a:0:2", &m, WIRE_LENIENT), 2);
    EXPECT_STREQ(m.name, "");
    EXPECT_EQ(m.id, 0);
}

TEST(WireShipTypeTest, TheServersLinesRoundTripByteForByte) {
    for (const char *line : SHIPTYPE_LINES) {
        WireShipType t;
        ASSERT_EQ(WireParseShipType(Arg(line), &t, WIRE_STRICT), WIRE_SHIPTYPE_FIELDS) << line;
        char again[WIRE_LINE_SIZE];
        WireFormatShipType(&t, again, sizeof again);
        EXPECT_STREQ(again, line);
    }
}

TEST(WireShipTypeTest, FieldsLandInTheirPlaces) {
    WireShipType t;
    ASSERT_EQ(WireParseShipType(Arg(SHIPTYPE_LINES[1]), &t, WIRE_LENIENT), 22);
    EXPECT_EQ(t.row, 1);
    EXPECT_EQ(t.speed_table[0], -3000);
    EXPECT_EQ(t.speed_table[4], 8000);
    EXPECT_EQ(t.turn_table[0], -66);
    EXPECT_EQ(t.drag, 200);
    EXPECT_EQ(t.gun_range, 8000);
    EXPECT_EQ(t.gun_reload, 3000);
    EXPECT_EQ(t.spare, 0);
    EXPECT_EQ(t.dc_reload, 12000);
    EXPECT_EQ(t.submerged, 10000);
}

TEST(WireRadioTest, TheClientsLineHasNoLineBreaks) {
    WireRadio r = {1, "hello\nthere\r"};
    char line[WIRE_LINE_SIZE];
    WireFormatRadio(&r, line, sizeof line);
    EXPECT_STREQ(line, "29:1:hello there ");
    WireRadio back;
    EXPECT_EQ(WireParseRadio("2:a:b", &back, WIRE_STRICT), 2);
    EXPECT_EQ(back.addressee, 2);
    EXPECT_EQ(back.text, "a:b");
    EXPECT_LT(WireParseRadio("x:a", &back, WIRE_STRICT), 2);
    EXPECT_LT(WireParseRadio("2", &back, WIRE_STRICT), 2);
}

TEST(WireRadioTest, TheServersRelayCarriesTheSenderInDecimal) {
    WireRadioRelay r = {7, "hello:there"};
    char line[WIRE_LINE_SIZE];
    WireFormatRadioRelay(&r, line, sizeof line);
    EXPECT_STREQ(line, "29:7:hello:there");
    r.sender = 3000000000u;
    WireFormatRadioRelay(&r, line, sizeof line);
    EXPECT_STREQ(line, "29:3000000000:hello:there");
    WireRadioRelay back;
    EXPECT_EQ(WireParseRadioRelay("7:hello:there", &back, WIRE_LENIENT), 2);
    EXPECT_EQ(back.sender, 7u);
    EXPECT_EQ(back.text, "hello:there");
    // No number: the text after the first colon is still there.
    EXPECT_EQ(WireParseRadioRelay("x:hi", &back, WIRE_LENIENT), 0);
    EXPECT_EQ(back.text, "hi");
}

// ---- session messages ------------------------------------------------------------------------

TEST(WireSessionTest, TheClientsLines) {
    char line[WIRE_LINE_SIZE];
    WireFormatVersion(line, sizeof line);
    EXPECT_STREQ(line, "1:107");
    WireIdInfo id = {"captain", "secret"};
    WireFormatIdInfo(&id, line, sizeof line);
    EXPECT_STREQ(line, "3:captain:secret");
    WireName name = {"Seawolf", 1};
    WireFormatNameInfo(&name, line, sizeof line);
    EXPECT_STREQ(line, "10:Seawolf:1");
    WireFormatBare(T_INVREQ, line, sizeof line);
    EXPECT_STREQ(line, "22");
    WireJoinBattle join = {0, 3, "hms test"};
    WireFormatJoinBattle(&join, line, sizeof line);
    EXPECT_STREQ(line, "24:0:3:hms test");
    join.name = "";
    WireFormatJoinBattle(&join, line, sizeof line);
    EXPECT_STREQ(line, "24:0:3:");
    WireFormatScoreRequest(0, 71, line, sizeof line);
    EXPECT_STREQ(line, "31:0:71");
    WireFormatEmpty(T_EXITBATTLE, line, sizeof line);
    EXPECT_STREQ(line, "33:");
    WireFormatNumber(T_CHANGECOUNTRY, 0, line, sizeof line);
    EXPECT_STREQ(line, "35:0");
}

TEST(WireSessionTest, TheServersLines) {
    char line[WIRE_LINE_SIZE];
    WireName logon = {"Seawolf", 1};
    WireFormatLogonOk(&logon, line, sizeof line);
    EXPECT_STREQ(line, "11:Seawolf:1");
    const int32_t inv[WIRE_INVENTORY] = {0, 2, 0, 1, 0, 0};
    WireFormatInventory(inv, line, sizeof line);
    EXPECT_STREQ(line, "23:0:2:0:1:0:0");
    WireFormatJoinAccept(42, line, sizeof line);
    EXPECT_STREQ(line, "26:42");
    WireScore score = {10, 3, {5, -6, 7}};
    WireFormatScore(&score, line, sizeof line);
    EXPECT_STREQ(line, "32:10:5:-6:7");
    WireScore end = {-1, 0, {}};
    WireFormatScore(&end, line, sizeof line);
    EXPECT_STREQ(line, "32:-1");
    WireFormatEmpty(T_IDREQ, line, sizeof line);
    EXPECT_STREQ(line, "2:");
    WireFormatText(T_TEXT, "Depth charges exploding nearby!", line, sizeof line);
    EXPECT_STREQ(line, "5:Depth charges exploding nearby!");
}

TEST(WireSessionTest, TheServerReadsTheClientsLines) {
    WireIdInfo id;
    EXPECT_EQ(WireParseIdInfo("captain:se:cret", &id), 2);
    EXPECT_EQ(id.userid, "captain");
    EXPECT_EQ(id.password, "se:cret");
    EXPECT_EQ(WireParseIdInfo("captain", &id), 1);
    WireName name;
    EXPECT_EQ(WireParseNameInfo("Sea:wolf:1", &name), 2);
    EXPECT_EQ(name.nickname, "Sea:wolf");
    EXPECT_EQ(name.country, 1);
    EXPECT_EQ(WireParseNameInfo("Seawolf: 1", &name), 1);
    EXPECT_EQ(WireParseNameInfo("Seawolf", &name), 1);
    WireJoinBattle join;
    EXPECT_EQ(WireParseJoinBattle("0:3:hms test", &join), 3);
    EXPECT_EQ(join.ship_type, 3);
    EXPECT_EQ(join.name, "hms test");
    EXPECT_EQ(WireParseJoinBattle("0:2:", &join), 3);
    EXPECT_EQ(join.name, "");
    EXPECT_EQ(WireParseJoinBattle("0:2", &join), 2);
    EXPECT_EQ(join.ship_type, 2);
    EXPECT_LT(WireParseJoinBattle("0:2x:name", &join), 2);
    EXPECT_LT(WireParseJoinBattle("", &join), 2);
}

TEST(WireSessionTest, TheClientReadsLogonOk) {
    char nick[32];
    int32_t country = -5;
    EXPECT_EQ(WireParseLogonOk("Seawolf:1", nick, sizeof nick, &country), 2);
    EXPECT_STREQ(nick, "Seawolf");
    EXPECT_EQ(country, 1);
    EXPECT_EQ(WireParseLogonOk(":1", nick, sizeof nick, &country), 0);
    EXPECT_EQ(WireParseLogonOk("Seawolf", nick, sizeof nick, &country), 1);
    // A nickname cut to 31 characters: its country is not read.
    std::string longer(40, 'n');
    longer += ":0";
    country = -5;
    EXPECT_EQ(WireParseLogonOk(longer, nick, sizeof nick, &country), 1);
    EXPECT_EQ(strlen(nick), 31u);
    EXPECT_EQ(country, -5);
}

TEST(WireSessionTest, TheClientReadsScores) {
    WireScore s;
    EXPECT_EQ(WireParseScore("10:5:6:7", &s), 4);
    EXPECT_EQ(s.first, 10);
    EXPECT_EQ(s.count, 3);
    EXPECT_EQ(s.values[2], 7);
    EXPECT_EQ(WireParseScore("-1", &s), 1);
    EXPECT_EQ(s.first, -1);
    EXPECT_EQ(WireParseScore("0:1:2:3:4:5:6:7:8:9:10:11:12", &s), 11);
    EXPECT_EQ(s.count, WIRE_SCORE_VALUES);
    EXPECT_EQ(WireParseScore("x", &s), 0);
}

TEST(WireSessionTest, ScanIntsHoldsValuesTo32Bits) {
    int32_t v[6];
    EXPECT_EQ(WireScanInts("1:-2: 3:x:5", v, 6), 3);
    EXPECT_EQ(v[1], -2);
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(WireScanInts("99999999999:-99999999999", v, 6), 2);
    EXPECT_EQ(v[0], INT_MAX);
    EXPECT_EQ(v[1], INT_MIN);
    EXPECT_EQ(WireScanInts("", v, 6), 0);
    EXPECT_EQ(WireScanInts("1:2:3", v, 2), 2);
}

// ---- line level and limits -------------------------------------------------------------------

TEST(WireLineTest, PacketNumberAndArgument) {
    WirePacket p;
    ASSERT_TRUE(WireParsePacket(" 5:a:b:c", &p));
    EXPECT_EQ(p.number, 5);
    EXPECT_EQ(p.arg, "a:b:c");
    ASSERT_TRUE(WireParsePacket("22", &p));
    EXPECT_EQ(p.number, 22);
    EXPECT_TRUE(p.arg.empty());
    EXPECT_FALSE(WireParsePacket("x:1", &p));
    EXPECT_FALSE(WireParsePacket("99999999999:1", &p));
}

TEST(WireLineTest, FormattersNeverOverrunTheirBuffer) {
    WireUpdate u = SampleUpdate();
    char line[12];
    memset(line, 'X', sizeof line);
    EXPECT_EQ(WireFormatUpdate(&u, line, 10), 9u);
    EXPECT_STREQ(line, "8:1f:1:c0");
    EXPECT_EQ(line[10], 'X');
    WireFormatText(T_TEXT, "a long text", line, 6);
    EXPECT_STREQ(line, "5:a l");
    WireShipType t = {};
    EXPECT_EQ(WireFormatShipType(&t, line, 5), 4u);
    EXPECT_STREQ(line, "30:0");
    EXPECT_EQ(WireFormatVersion(line, 0), 0u);
}

std::string TextLine(int32_t number, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string line = WireTextLineV(number, fmt, ap);
    va_end(ap);
    return line;
}

// A server's text lines come from printf formats and are cut, whole line, at WIRE_TEXT_LINE - 1.
TEST(WireLineTest, TextLinesFromFormats) {
    EXPECT_EQ(TextLine(T_TEXT, "%s has %d ships", "Keen", 3), "5:Keen has 3 ships");
    EXPECT_EQ(TextLine(T_TEXT, "%s", ""), "5:");
    std::string long_text(2 * WIRE_TEXT_LINE, 'a');
    std::string line = TextLine(T_TEXT, "%s", long_text.c_str());
    EXPECT_EQ(line.size(), (size_t)WIRE_TEXT_LINE - 1);
    EXPECT_EQ(line.substr(0, 3), "5:a");
}

TEST(WireLineTest, StrictFieldReaders) {
    uint32_t h;
    int32_t d;
    EXPECT_TRUE(WireHex("fffffee0", &h));
    EXPECT_EQ(h, 0xfffffee0u);
    EXPECT_FALSE(WireHex("1fffffee0", &h));
    EXPECT_FALSE(WireHex("", &h));
    EXPECT_TRUE(WireDec("-2147483648", &d));
    EXPECT_EQ(d, INT_MIN);
    EXPECT_FALSE(WireDec("2147483648", &d));
    std::string_view f[3];
    EXPECT_EQ(WireSplit("a:b:c:d", f, 3), 3u);
    EXPECT_EQ(f[2], "c:d");
    EXPECT_TRUE(WirePrintable("hello there"));
    EXPECT_FALSE(WirePrintable("a\nb"));
}
