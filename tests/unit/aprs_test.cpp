// The APRS decoder and what is built on it: line framing, the symbol filter, the heard-stations
// table, the KML track and the quilmo-decode tool.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "aprs/message_field.h"
#include "aprs/decoder.h"
#include "aprs/devices.h"
#include "aprs/duplicate_filter.h"
#include "aprs/filter_file.h"
#include "aprs/filter_flags.h"
#include "aprs/framing.h"
#include "aprs/geometry.h"
#include "aprs/monitor_header.h"
#include "aprs/numeric.h"
#include "aprs/station_table.h"
#include "aprs/symbols.h"
#include "aprs/telemetry.h"
#include "kml/kml_track.h"
#include "temp_dir.h"

namespace quilmo {
namespace {

using namespace std::string_literals;

const LocalTime kNow{2026, 12, 5, 9, 5, 3};

// Expectations are written with a UTF-8 "°"; the decoder writes the byte 0xB0.
std::string latin1(std::string text) {
    for (std::size_t at; (at = text.find("°")) != std::string::npos;) text.replace(at, std::string_view("°").size(), "\xB0");
    return text;
}

// Opening line, header, one line each, then the closing empty line.
std::string record(const std::string& header, const std::vector<std::string>& lines, const std::string& opening = "-------") {
    std::string out = opening + " 2026-12-05 09:05 ------\r\n" + header;
    for (const std::string& line : lines) out += "\r\n" + line;
    return latin1(out + "\r\n\r\n");
}
std::string micE(const std::vector<std::string>& lines, const std::string& header = "SRC>") { return record(header, lines, "-MIC-E-"); }

// The usual test station at 49°03'30"N 72°01'45"W, then the given lines.
std::string position(std::vector<std::string> lines, const std::string& header = "SRC>DST:") {
    lines.insert(lines.begin(), {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667"});
    return record(header, lines);
}
// The compressed example position 49°30'N 72°45'W.
std::string compressed(std::vector<std::string> lines) {
    lines.insert(lines.begin(), {"lat./lon.: 49°30'0\"N 72°45'0\"W", "dec.coord: 49.5 -72.75"});
    return record("SRC>DST:", lines);
}
// The MIC-E example station: 44°30'30"N 12°20'6"E, 56 knots, coded course 250, a car, "En Route".
const std::string kMicELatLon = "lat./lon.: 44°30'30\"N 12°20'6\"E", kMicEDec = "dec.coord: 44.5083333333333 12.335";
const std::string kCar = "station..: Car", kEnRoute = "status...: En Route";

DecodedPacket decode(const std::string& line, const DecoderSettings& settings = {}, const FilterFlags& filter = showAllFilter()) {
    return decodeAprsLine(line, DecodeContext{settings, filter, kNow});
}

// The text after `label`, empty when the record has no such line.
std::string lineOf(const std::string& record, const std::string& label) {
    const std::size_t at = record.find(label);
    if (at == std::string::npos) return "";
    const std::size_t from = at + label.size();
    return record.substr(from, record.find('\r', from) - from);
}

struct Case { const char* name; std::string line, record; };  // an empty record: no packet the decoder knows

void expectRecords(std::initializer_list<Case> cases, const DecoderSettings& settings = {}) {
    for (const Case& c : cases) {
        const DecodedPacket p = decode(c.line, settings);
        EXPECT_EQ(p.recognised, !c.record.empty()) << c.name;
        EXPECT_EQ(p.record, c.record) << c.name;
        EXPECT_EQ(p.lastCoordinates.empty(), c.record.find("dec.coord") == std::string::npos) << c.name;
        EXPECT_EQ(p.placemark.has_value(), !p.lastCoordinates.empty()) << c.name;
    }
}

TEST(Decoder, PositionLayoutsAndWeather) {
    const std::string wx = "SRC>DST:!4903.50N/07201.75W_";
    const std::string station = "station..: Weather station";
    expectRecords({
        {"uncompressed", "SRC>DST:!4903.50N/07201.75W-Test 001234", position({"station..: Home", "message..: Test 001234"})},
        {"timestamp on a line of its own", "SRC>DST:/092345z4903.50N/07201.75W>Test1234",
         position({kCar, "message..: Test1234", "time.....: 09 23:45z"})},
        {"alternate table has names too", "SRC>DST:!0903.51N\\07201.75W#",
         record("SRC>DST:", {"lat./lon.: 09°03'30.6\"N 72°01'45\"W", "dec.coord: 9.0585 -72.0291666666667", "station..: Digipeater"})},
        {"compressed with course/speed", "SRC>DST:!/5L!!<*e7>7P[", compressed({"speed....: 67 km/h", "course...: 88°E", kCar})},
        {"compressed without cs", "SRC>DST:!/5L!!<*e7>   Hello", compressed({kCar, "message..: Hello"})},
        {"compressed overlay table", "SRC>DST:!D5L!!<*e7#   ", compressed({"station..: Digipeater (overlay D)"})},
        {"compressed altitude comes first", "SRC>DST:!/5L!!<*e7>S]S/A=001234", compressed({"altitude.: 3049 m", kCar, "message..: /A=001234"})},
        {"header on its own line", "SRC>DST,PATH:\r\n!4903.50N/07201.75W-", position({"station..: Home"}, "SRC>DST,PATH:")},
        {"ambiguous digits count as 0", "SRC>DST:!602 .  S/0250 .  W#",
         record("SRC>DST:", {"lat./lon.: 60°2 '0\"S 25°0 '0\"W", "dec.coord: -60.3333333333333 -25", "station..: Digipeater"})},
        {"the pole and the date line", "SRC>DST:!9000.00N/18000.00W-",
         record("SRC>DST:", {"lat./lon.: 90°00'0\"N 180°00'0\"W", "dec.coord: 90 -180", "station..: Home"})},
        {"altitude in feet in the comment", "SRC>DST:!4903.50N/07201.75W>088/036/A=001234 up",
         position({"speed....: 67 km/h", "course...: 88°E", "altitude.: 376 m", kCar, "message..: /A=001234 up"})},
        {"altitude below sea level", "SRC>DST:!4903.50N/07201.75W-/A=-00079", position({"altitude.: -24 m", "station..: Home", "message..: /A=-00079"})},
        {"short altitude is text", "SRC>DST:!4903.50N/07201.75W-/A=12", position({"station..: Home", "message..: /A=12"})},
        {"course out of range, no sector", "SRC>DST:!4903.50N/07201.75W>400/010",
         position({"speed....: 19 km/h", "course...: 400°", kCar})},
        {"zero speed hidden", "SRC>DST:!4903.50N/07201.75W>000/000", position({kCar})},
        {"unknown course/speed as dots", "SRC>DST:!4903.50N/07201.75W>.../... on", position({kCar, "message..: on"})},
        {"PHG is no course/speed", "SRC>DST:!4903.50N/07201.75W>PHG7220/RELAY",
         position({kCar, "message..: PHG7220/RELAY", "phg......: 49 W, 12 m, 2 dBi, omni"})},
        // Comments of a weather station: rain comes in hundredths of an inch, h00 means 100 %.
        {"placeholders", wx + "g...t   h..b.....", position({station})},
        {"short field is text", wx + "g5", position({station, "message..: g5"})},
        {"unknown letter ends fields", wx + "t077xt050", position({station, "temperat.: 25°C", "message..: xt050"})},
        {"text first", wx + "Hello t077", position({station, "message..: Hello t077"})},
        {"all fields", wx + "g005t-05r000p100P000h00b10125wRSW",  // pressure half to even, rain 0.254 mm
         position({station, "gust.....: 8 km/h", "temperat.: -21°C", "pressure.: 1012 mbar", "humidity.: 100 %", "rain hour: 0 mm",
                   "rain day.: 0 mm", "rain 24h.: 25 mm", "message..: wRSW"})},
        {"wind is course and speed", wx + "220/004g005",
         position({"speed....: 7 km/h", "course...: 220°SW", station, "wind.....: 220°SW 7 km/h", "gust.....: 8 km/h"})},
        {"only the weather symbol", "SRC>DST:!4903.50N/07201.75W-t077", position({"station..: Home", "message..: t077"})},
    });
    expectRecords({{"zero speed shown with SPEEDZERO", "SRC>DST:!4903.50N/07201.75W>000/000",
                    position({"speed....: 0 km/h", "course...: 0°N", kCar})}}, {.speedZero = 1});
}

// A field that is no coordinate makes no position: no position lines, no placemark and nothing for the
// copy button, even with an own position to measure from; the rest of the record is shown as usual.
TEST(Decoder, NoPositionFromFieldsThatAreNoCoordinate) {
    const std::string home = "station..: Home";
    const std::vector<std::string> moving = {"speed....: 104 km/h", "course...: 250°W", kCar, kEnRoute};
    expectRecords({
        {"weather station's name", "PY5LF-13>APTT4,WIDE1-1:! Weather Station ISS Davis CURITIBA - PR",
         record("PY5LF-13>APTT4,WIDE1-1:", {"invalid..: position: latitude degrees  W", "device...: Tiny Track"})},
        // Without the points of a position its symbol and comment would be read from anywhere: none is shown.
        {"garbled digits", "OH2RDP-1>BEACON-15:!60ff.51N/0250akh3r99hfae", record("OH2RDP-1>BEACON-15:", {"invalid..: position: latitude minutes ff"})},
        {"garbled longitude", "SRC>DST:!4903.50N/07201,75W-comment PHG7220", record("SRC>DST:", {"invalid..: position: longitude 07201,75W"})},
        {"time stamp of text", "SRC>DST:@ARI Altopascio Montecarlo Monte Cascetto", record("SRC>DST:", {"invalid..: position: time stamp ARI Alt"})},
        {"garbled object keeps its name and time", "SRC>DST:;OBJ      *092345zNEW SOFT WX3In1+ TEST",
         record("SRC>DST:", {"object...: OBJ", "time.....: 09 23:45z", "invalid..: position: latitude degrees NE"})},
        {"nothing after the type", "SRC>APRS:!", record("SRC>APRS:", {})},
        {"text after a timestamp type", "SRC>APRS:@hello world", record("SRC>APRS:", {})},
        {"letters laid out as a position", "SRC>APRS:=ABCD.EFN/GHIJK.LMW-", record("SRC>APRS:", {home})},
        {"beyond the pole", "SRC>DST:!9000.01N/07201.75W-", record("SRC>DST:", {home})},
        {"beyond the date line", "SRC>DST:!4903.50N/18000.01W-", record("SRC>DST:", {home})},
        {"sixty minutes", "SRC>DST:!4960.00N/07201.75W-", record("SRC>DST:", {home})},
        {"no hemisphere", "SRC>DST:!4903.50X/07201.75W-", record("SRC>DST:", {home})},
        {"blank between digits", "SRC>DST:!49 3.50N/07201.75W-", record("SRC>DST:", {home})},
        {"compressed outside base 91", "SRC>DST:!/5L!~<*e7>", record("SRC>DST:", {kCar})},
        {"compressed cut short", "SRC>DST:!/5L!!<*", record("SRC>DST:", {})},
        // A destination that is no MIC-E latitude takes the speed, course and altitude bytes with it.
        {"MIC-E under a software destination", "SQ7PFS>APDR13:`(0&!ZN>/x", micE({kCar, "message..: x"}, "SQ7PFS>")},
        {"MIC-E short destination", "SRC>TT3:`(0&!ZN>/", micE({kCar, kEnRoute})},
        {"MIC-E letter no destination has", "SRC>TT3M50:`(0&!ZN>/", micE({kCar, kEnRoute})},
        {"MIC-E latitude beyond the pole", "SRC>YY3P50:`(0&!ZN>/\"4{}x", micE({kCar, kEnRoute, "message..: \"4{}x"})},
        {"MIC-E longitude cut off", "SRC>TT3P50:`(0", micE({kEnRoute})},
        {"MIC-E minutes byte out of range", "SRC>TT3P50:`(\xE0&!ZN>/", micE(moving)},
        {"MIC-E degrees byte below 0x26", "IV3CVN-9>TU3RY9:` )T!6S>/>\"5G}Riccardo=",
         micE({"speed....: 96 km/h", "course...: 255°W", "altitude.: 139 m", "radio....: Kenwood TH-D72", kCar, kEnRoute, "message..: Riccardo"}, "IV3CVN-9>")},
    }, {.myPositionSet = true, .myLatValue = 44.5, .myLongValue = 11.34});
}

// What a TNC prints, read by read, assembled into packet lines.
std::vector<std::string> assemble(const std::vector<std::string>& reads) {
    AprsLineAssembler assembler;
    std::vector<std::string> lines;
    for (const std::string& read : reads) assembler.append(read, lines);
    return lines;
}

// Whatever tag, date and time or channel a TNC prints around the header, on one line or two, the packet
// gives the record and placemark of the plain packet.
TEST(Decoder, MonitorHeaderFormsGiveThePlainRecord) {
    const std::string pos = "!4903.50N/07201.75W-Test";
    const struct { const char* name; std::string plain; std::vector<std::string> reads; } rows[] = {
        {"MIC-E with <UI R>", "N0CALL>TT3P50,WIDE1-1*:`(0&!ZN>/mice", {"N0CALL>TT3P50,WIDE1-1* <UI R>:`(0&!ZN>/mice\r\n"}},
        {"<UI C>, information next line", "N0CALL>APRS,WIDE1-1*:" + pos, {"N0CALL>APRS,WIDE1-1* <UI C>:\r\n" + pos + "\r\n"}},
        {"date, time and <UI>, in pieces", "N0CALL>APRS,WIDE1-1:" + pos,
         {"N0CALL>APRS,WIDE1-1 [12/06/26 10:1", "1:12] <UI>:\r", "\n" + pos.substr(0, 5), pos.substr(5) + "\r\n"}},
        {"tag before date", "N0CALL>APRS:" + pos, {"N0CALL>APRS <UI R> [06-Dec-26 10:11:12]:\r\n" + pos + "\r\n"}},
        {"version 2 <<UI>>", "N0CALL>APRS,RELAY*:" + pos, {"N0CALL>APRS,RELAY* <<UI>>:" + pos + "\r\n"}},
        {"time before the source", "N0CALL>APRS:" + pos, {"22:51:33 N0CALL>APRS:\r\n" + pos + "\r\n"}},
        {"date and time before the source", "N0CALL>APRS:" + pos, {"06-Dec-26 22:51:33 N0CALL>APRS <UI>:" + pos + "\r\n"}},
        {"channel before the source", "N0CALL>APRS:" + pos, {"[0.4] N0CALL>APRS:" + pos + "\r\n"}},
        {"object after a prompt", "N0CALL>APRS:;LEADER   *092345z4903.50N/07201.75W>x", {"cmd:N0CALL>APRS <UI>:;LEADER   *092345z4903.50N/07201.75W>x\r\n"}},
        {"third party", "GATE>APRS:}ISRC>TT3P50,IPATH:`(0&!ZN>/", {"GATE>APRS <UI C>:}ISRC>TT3P50,IPATH:`(0&!ZN>/\r\n"}},
    };
    for (const auto& r : rows) {
        const std::vector<std::string> lines = assemble(r.reads);
        ASSERT_EQ(lines.size(), 1u) << r.name;
        const DecodedPacket printed = decode(lines[0]), plain = decode(r.plain);
        ASSERT_TRUE(plain.shown) << r.name;
        EXPECT_EQ(std::tie(printed.record, printed.lastCoordinates), std::tie(plain.record, plain.lastCoordinates)) << r.name;
        EXPECT_EQ(printed.placemark ? printed.placemark->name : "", plain.placemark ? plain.placemark->name : "") << r.name;
    }
}

// Messaging hears the sender and the information of every UI packet, however the TNC
// printed the header; anything else is no packet to it.
TEST(MonitorPacket, SenderAndInformationOfUiPacketsOnly) {
    const struct { const char* line; const char* source; const char* information; } rows[] = {
        {"W1AW-7>APRS,WIDE1-1*::N0CALL   :hi{3", "W1AW-7", ":N0CALL   :hi{3"},
        {"[0.4] W1AW>APRS <UI>::N0CALL   :hi", "W1AW", ":N0CALL   :hi"},
        {"22:51:33 W1AW>APRS:>status", "W1AW", ">status"},
        {"GATE>APRS:}W1AW>APRS,TCPIP::N0CALL   :hi", "GATE", "}W1AW>APRS,TCPIP::N0CALL   :hi"},
        {"W1AW>APRS:", "W1AW", ""},
        {"W1AW>N0CALL <I R1 S2>::N0CALL   :hi", nullptr, nullptr},
        {"cmd: no header here", nullptr, nullptr},
        {">APRS::N0CALL   :hi", nullptr, nullptr},
        {"hi there W1AW>APRS::N0CALL   :hi", "W1AW", ":N0CALL   :hi"},  // the echo of typed text in front
        {"W1A$W>APRS::N0CALL   :hi", nullptr, nullptr},
    };
    for (const auto& r : rows) {
        const std::optional<MonitorPacket> packet = splitMonitorPacket(r.line);
        ASSERT_EQ(packet.has_value(), r.source != nullptr) << r.line;
        if (!packet) continue;
        EXPECT_EQ(std::string(packet->source) + " | " + std::string(packet->information), std::string(r.source) + " | " + r.information)
            << r.line;
    }
}

// A tag naming any other frame type marks a connected-mode frame, which holds no APRS; "<" and "[" in
// any other place change nothing.
TEST(Decoder, OnlyUiTagsAreDecoration) {
    const std::string pos = "!4903.50N/07201.75W-";
    expectRecords({
        {"I frame", "A>B <I R1 S2>:" + pos, ""}, {"Kantronics I frame", "A>B <I12>:" + pos, ""},
        {"version 2 response", "A>B <<rr1>>:" + pos, ""}, {"Kantronics connect request", "A>B <C>:" + pos, ""},
        {"UI and I frame tags", "A>B [12/06/26 10:11:12] <I R1 S2>:" + pos, ""},
        // What is no tag stays in the addresses, where it is no callsign.
        {"unknown tag is no callsign", "A>B <IGATE>:>x", ""}, {"bracket without digits is no callsign", "A>B [x] <UI>:>x", ""},
        {"tags in the information field", "A>B:>at [12:00] <UI R>", record("A>B:", {"from.....: A", "st.report: at [12:00] <UI R>"})},
        {"no header", "[0.4] <UI> >x", ""}, {"time without a header", "22:51:33 >x", ""},
    });
}

// A callsign in a header is letters and digits, an optional SSID of letters and digits, nine characters at most; text
// typed in front of a monitor line (its echo) is no part of it. A line whose header holds no callsign gives no record.
TEST(Decoder, HeaderAddressesAreCallsigns) {
    const std::string status = "st.report: x";
    expectRecords({
        {"echo of typed text before the header", "hello IK4WXB>APRS,WIDE2-1:=4430.53N/01117.26E-Casa",
         record("IK4WXB>APRS,WIDE2-1:", {"lat./lon.: 44°30'31.8\"N 11°17'15.6\"E", "dec.coord: 44.5088333333333 11.2876666666667", "station..: Home",
                                         "message..: Casa"})},
        {"echo before a channel", "hello [0.4] N0CALL>APRS:>x", record("N0CALL>APRS:", {"from.....: N0CALL", status})},
        {"text glued to the source", "helloIK4WXB>APRS:>x", ""}, {"underscore in the source", "K6IFR_S>APJS10,TCPIP*:>x", ""},
        {"ten characters", "OH7LZB-166>APRS:>x", ""}, {"empty SSID", "A->CALL:>status", ""}, {"no destination", "None>:>x", ""},
        {"digipeater with an underscore", "IQ3VQ>APD225,APD225_2:>x", ""}, {"blank inside a digipeater", "SRC>APRS,WIDE 1:>x", ""},
        {"letters in the SSID, repeated digipeaters", "SRC-AB>APRS,DIGI-1*,WIDE2*:>x",
         record("SRC-AB>APRS,DIGI-1*,WIDE2*:", {"from.....: SRC-AB", status})},
        {"servers after a q-construct", "SRC>APRS,TCPIP*,qAX,SZ8L_GREE:>x", record("SRC>APRS,TCPIP*,qAX,SZ8L_GREE:", {"from.....: SRC", status})},
    });
}

// Distances and bearings in the record lines are checked with the tool (QuilmoDecode below), their
// numbers with the station facts.
TEST(Decoder, PlacemarkHoldsHeaderTimeAndCoordinatesWithAltitude) {
    const DecodedPacket plain = decode("SRC>DEST,PATH:!4903.50N/07201.75W-");
    ASSERT_TRUE(plain.placemark.has_value());
    EXPECT_EQ(plain.placemark->name + "|" + plain.placemark->when + "|" + plain.placemark->coordinates,
              "09:05:03 SRC>DEST,PATH:|2026-12-05T09:05:03+00:00|-72.0291666666667,49.0583333333333,0");
    // The local digits stay; the offset tells a viewer which moment they mean.
    for (const auto& [offset, when] : {std::pair{60, "2026-12-05T09:05:03+01:00"}, std::pair{-330, "2026-12-05T09:05:03-05:30"}}) {
        LocalTime now = kNow;
        now.utcOffsetMinutes = offset;
        const FilterFlags all = showAllFilter();
        EXPECT_EQ(decodeAprsLine("SRC>DEST:!4903.50N/07201.75W-", DecodeContext{{}, all, now}).placemark->when, when);
    }
    EXPECT_EQ(plain.lastCoordinates, latin1("49°03'30\"N 72°01'45\"W"));
    // Altitudes from the compressed bytes, the comment and MIC-E; ambiguous digits count as 0 in the
    // placemark and stay blank for the clipboard.
    EXPECT_EQ(decode("SRC>DST:!/5L!!<*e7>S]S").placemark->coordinates, "-72.75,49.5,3049");
    EXPECT_EQ(decode("SRC>DST:!4903.50N/07201.75W>/A=001234").placemark->coordinates, "-72.0291666666667,49.0583333333333,376");
    EXPECT_EQ(decode("SRC>TT3P50:`(0&!ZN>/%!!}").placemark->coordinates, "12.335,44.5083333333333,23124");
    const DecodedPacket vague = decode("SRC>TT3ZLL:`(0&!ZN>/");
    EXPECT_EQ(vague.placemark->coordinates + "|" + vague.lastCoordinates, latin1("12.335,44.5,0|44°3 '0\"N 12°20'6\"E"));
}

TEST(Decoder, ObjectsItemsTextsAndEncapsulatedPackets) {
    expectRecords({
        {"object live", "SRC>DST:;LEADER   *092345z4903.50N/07201.75W>comment",
         position({"object...: LEADER", kCar, "message..: comment", "time.....: 09 23:45z"})},
        {"object killed keeps filler", "SRC>DST:;LEADER   _092345z4903.50N/07201.75W>",
         position({"object...: LEADER    (deleted)", kCar, "time.....: 09 23:45z"})},
        {"fixed width beats _ in name", "SRC>DST:;LEAD_ER  *092345z4903.50N/07201.75W>", position({"object...: LEAD_ER", kCar, "time.....: 09 23:45z"})},
        // The name is the nine characters as sent; "*" or "_" after them and a time or position next, or no object.
        {"; in name kept", "SRC>DST:;OBJ;NAME *092345z4903.50N/07201.75W>", position({"object...: OBJ;NAME", kCar, "time.....: 09 23:45z"})},
        {"leading blanks kept", "SRC>DST:;  LEADER *092345z4903.50N/07201.75W>", position({"object...:   LEADER", kCar, "time.....: 09 23:45z"})},
        {"short name is no object", "SRC>DST:;AB*092345z4903.50N/07201.75W>", ""},
        {"killed mark in a malformed packet", "SRC>DST:;110507zS0%E/Th4_a AK", ""},
        {"neither time nor position", "SRC>DST:;LEADER   *hello there, no position", ""},
        {"position without a time", "SRC>DST:;LEADER   *       4903.50N/07201.75W>", position({"object...: LEADER", kCar})},
        {"object without terminator", "SRC>DST:;NOTERMINATOR", ""},
        {"item live", "SRC>DST:)AID #2!4903.50N/07201.75WA", position({"item.....: AID #2", "station..: Aid Station"})},
        {"item killed", "SRC>DST:)AID_4903.50N/07201.75W>", position({"item.....: AID (deleted)", kCar})},
        {"encapsulated with inner path", "SRC>DEST,PATH:}ISRC>IDEST,IPATH,GATE*:!4903.50N/07201.75W>x,y:z",
         position({kCar, "message..: x,y:z"}, "ISRC>SRC>DEST,PATH>IDEST:")},
        {"encapsulated without inner path", "SRC>DEST:}ISRC>IDEST:>on air, 73",
         record("ISRC>SRC>DEST>IDEST:", {"from.....: ISRC", "st.report: on air, 73"})},
        {"encapsulated without inner header", "SRC>DEST:}no header here", ""},
        {"message", "N0CALL>APRS,WIDE1-1::N0CALL-9 :Hello{12",
         record("N0CALL>APRS,WIDE1-1:", {"from.....: N0CALL", "to.......: N0CALL-9", "message..: Hello{12", "msg.no...: 12"})},
        {"message too short", "SRC>DST::N0CALL", record("SRC>DST:", {"from.....: SRC"})},
        {"nine-character addressee", "SRC>DST::N0CALL-10:Hi", record("SRC>DST:", {"from.....: SRC", "to.......: N0CALL-10", "message..: Hi"})},
        {"message without header", ":N0CALL-9 :Hi", record("", {"to.......: N0CALL-9", "message..: Hi"})},
        {"status", "SRC>DST:>Net control", record("SRC>DST:", {"from.....: SRC", "st.report: Net control"})},
        {"capabilities", "SRC>DST:<IGATE,MSG_CNT=0", record("SRC>DST:", {"from.....: SRC", "st.capab.: IGATE,MSG_CNT=0"})},
        {"telemetry", "SRC>DST:T#005,199,000,255,073,123,01101001",
         record("SRC>DST:", {"from.....: SRC", "telemetry: 005,199,000,255,073,123,01101001", "telemetry: #005 199 0 255 73 123 01101001"})},
        {"T without #", "SRC>DST:TEST", ""},
        {"sender blanks trimmed", " SRC >DST:>x", record(" SRC >DST:", {"from.....: SRC", "st.report: x"})},
        {"colon before arrow", "a:b>c:d", ""}, {"no colon", "hello world", ""}, {"empty information", "SRC>DEST:", ""},
        {"lone CR stays", "SRC>DEST:>a\rb", record("SRC>DEST:", {"from.....: SRC", "st.report: a\rb"})},
        {"MIC-E needs a header", "`abc", ""},
    });
}

// What else a packet carries goes on lines after those its record always had; one row of a real or hand-made
// packet per kind. The other tables keep the records of packets without any of it as they were.
TEST(Decoder, WhatElsePacketsCarry) {
    expectRecords({
        {"device from the destination, time of day", "IK4PRV-2>APX219,IR4BO-1*:/091845z4422.93N/01115.96E>271/024/A=000312 going home",
         record("IK4PRV-2>APX219,IR4BO-1*:", {"lat./lon.: 44°22'55.8\"N 11°15'57.6\"E", "dec.coord: 44.3821666666667 11.266",
                 "speed....: 44 km/h", "course...: 271°W", "altitude.: 95 m", "station..: Car",
                 "message..: /A=000312 going home", "time.....: 09 18:45z", "device...: Xastir"})},
        {"device from a lower-case destination", "iw4dnr>apdr16,wide2-1:>on air",
         record("iw4dnr>apdr16,wide2-1:", {"from.....: iw4dnr", "st.report: on air", "device...: APRSdroid Android App"})},
        {"message number", "IW4DNR>APDR16,WIDE2-1::IZ4QLM-9 :ciao Marco, ci vediamo al ponte{17",
         record("IW4DNR>APDR16,WIDE2-1:", {"from.....: IW4DNR", "to.......: IZ4QLM-9",
                 "message..: ciao Marco, ci vediamo al ponte{17", "msg.no...: 17", "device...: APRSdroid Android App"})},
        {"ack", "IZ4QLM-9>APOTW1,IR4BO-1*::IW4DNR   :ack17",
         record("IZ4QLM-9>APOTW1,IR4BO-1*:", {"from.....: IZ4QLM-9", "to.......: IW4DNR", "message..: ack17", "ack......: 17",
                 "device...: Open Track"})},
        {"reject", "SQ7PFS>APRS::KB2ICI-14:rej003",
         record("SQ7PFS>APRS:", {"from.....: SQ7PFS", "to.......: KB2ICI-14", "message..: rej003", "reject...: 003"})},
        {"reply-ack: number and ack", "OH7AA-1>APRS,WIDE1-1,WIDE2-2,qAo,OH7AA::OH7LZB   :Testing, 1 2 3{42}f001",
         record("OH7AA-1>APRS,WIDE1-1,WIDE2-2,qAo,OH7AA:", {"from.....: OH7AA-1", "to.......: OH7LZB",
                 "message..: Testing, 1 2 3{42}f001", "msg.no...: 42", "ack......: f001"})},
        {"PHG, overlay digipeater", "IR4BO-1>APNU19,WIDE2-1:!4429.42NS01121.07E#PHG5360/W2 Digi Colli Bolognesi 145.800",
         record("IR4BO-1>APNU19,WIDE2-1:", {"lat./lon.: 44°29'25.2\"N 11°21'4.2\"E",
                 "dec.coord: 44.4903333333333 11.3511666666667", "station..: SSn-N digipeater (includes WIDEn-N)",
                 "message..: PHG5360/W2 Digi Colli Bolognesi 145.800", "phg......: 25 W, 24 m, 6 dBi, omni",
                 "device...: UIdigi"})},
        {"PHG with a bearing", "OH2RDP-1>BEACON-15,OH2RDG*,WIDE:!6028.51N/02505.68E#PHG7228/RELAY,WIDE, OH2AP Jarvenpaa",
         record("OH2RDP-1>BEACON-15,OH2RDG*,WIDE:", {"lat./lon.: 60°28'30.6\"N 25°05'40.8\"E",
                 "dec.coord: 60.4751666666667 25.0946666666667", "station..: Digipeater",
                 "message..: PHG7228/RELAY,WIDE, OH2AP Jarvenpaa", "phg......: 49 W, 12 m, 2 dBi, 360°"})},
        {"RNG", "SRC>APRS:!4903.50N/07201.75W#RNG0020 digi",
         record("SRC>APRS:", {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667",
                 "station..: Digipeater", "message..: RNG0020 digi", "range....: 32 km"})},
        {"compressed range", "OH2KKU-15>APRS,TCPIP*,qAC,FOURTH:!I0-X;T_Wv&{-Aigate testing",
         record("OH2KKU-15>APRS,TCPIP*,qAC,FOURTH:", {"lat./lon.: 60°03'7.2\"N 24°30'16.2\"E", "dec.coord: 60.052 24.5045",
                 "station..: Igate", "message..: igate testing", "range....: 8 km"})},
        {"DFS", "SRC>APRS:!4903.50N/07201.75W\\DFS2360/df",
         record("SRC>APRS:", {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667",
                 "station..: Triangle (DF station)", "message..: DFS2360/df", "dfs......: S2, 24 m, 6 dBi, omni"})},
        {"DAO in digits", "K0ELR-15>APOT02,WIDE1-1,WIDE2-1,qAo,K0ELR:/102033h4133.03NX09029.49Wv204/000!W33! 12.3V 21C/A=000665",
         record("K0ELR-15>APOT02,WIDE1-1,WIDE2-1,qAo,K0ELR:", {"lat./lon.: 41°33'1.98\"N 90°29'29.58\"W",
                 "dec.coord: 41.55055 -90.49155", "altitude.: 203 m", "station..: Van (overlay X)",
                 "message..: !W33! 12.3V 21C/A=000665", "time.....: 10:20:33h", "datum....: WGS84", "device...: Open Track"})},
        // Latitude and longitude digits that differ: the refinement of one cannot go to the other unnoticed.
        {"DAO digits apart", "SRC>APRS:!4903.50N/07201.75W#!W27!",
         record("SRC>APRS:", {"lat./lon.: 49°03'30.12\"N 72°01'45.42\"W", "dec.coord: 49.0583666666667 -72.0292833333333",
                 "station..: Digipeater", "message..: !W27!", "datum....: WGS84"})},
        {"MIC-E DAO digits apart", "SRC>TT3P50:`(0&!ZN>/!W27!",
         micE({"lat./lon.: 44°30'30.12\"N 12°20'6.42\"E", "dec.coord: 44.5083666666667 12.3351166666667", "speed....: 104 km/h",
               "course...: 250°W", kCar, kEnRoute, "message..: !W27!", "datum....: WGS84"})},
        {"DAO in base 91, southern and eastern", "SRC>APRS:!4903.50S/07201.75E#test!w5:!",
         record("SRC>APRS:", {"lat./lon.: 49°03'30.132\"S 72°01'45.162\"E", "dec.coord: -49.05837 72.0292116666667",
                 "station..: Digipeater", "message..: test!w5:!", "datum....: WGS84"})},
        {"local time", "SRC>APRS:@092345/4903.50N/07201.75W>local",
         record("SRC>APRS:", {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667",
                 "station..: Car", "message..: local", "time.....: 09 23:45l"})},
        {"snow, luminosity and raw rain", "SRC>APRS:!4903.50N/07201.75W_220/004g005t077r000p000P000h50b09900s005L850#012wRSW",
         record("SRC>APRS:", {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667",
                 "speed....: 7 km/h", "course...: 220°SW", "station..: Weather station", "wind.....: 220°SW 7 km/h",
                 "gust.....: 8 km/h", "temperat.: 25°C", "pressure.: 990 mbar", "humidity.: 50 %", "rain hour: 0 mm",
                 "rain day.: 0 mm", "rain 24h.: 0 mm", "snow 24h.: 13 cm", "luminos..: 850 W/m\xB2", "rain raw.: 12",
                 "message..: wRSW"})},
        {"luminosity above 999", "SRC>APRS:!4903.50N/07201.75W_220/004l150",
         record("SRC>APRS:", {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667",
                 "speed....: 7 km/h", "course...: 220°SW", "station..: Weather station", "wind.....: 220°SW 7 km/h",
                 "luminos..: 1150 W/m\xB2"})},
        {"wind when calm", "BH8SEL-3>Office,qAS,BG6CQ:=2503.22N/10130.90E_000/000g000t057r000p000h48b08209ESP8266",
         record("BH8SEL-3>Office,qAS,BG6CQ:", {"lat./lon.: 25°03'13.2\"N 101°30'54\"E", "dec.coord: 25.0536666666667 101.515",
                 "station..: Weather station", "wind.....: 0°N 0 km/h", "gust.....: 0 km/h", "temperat.: 14°C",
                 "pressure.: 821 mbar", "humidity.: 48 %", "rain hour: 0 mm", "rain 24h.: 0 mm", "message..: ESP8266"})},
        {"wind direction without a speed", "SRC>APRS:!4903.50N/07201.75W_090/...g005",
         record("SRC>APRS:", {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667",
                 "station..: Weather station", "wind.....: 90°E", "gust.....: 8 km/h"})},
        {"a speed alone makes no wind line", "SRC>APRS:_10090556c...s005g005",
         record("SRC>APRS:", {"gust.....: 8 km/h", "time.....: 10-09 05:56"})},
        {"positionless wind direction only", "SRC>APRS:_10090556c220s...g005",
         record("SRC>APRS:", {"wind.....: 220°SW", "gust.....: 8 km/h", "time.....: 10-09 05:56"})},
        {"Ultimeter cut before its wind speed", "SRC>APRS:$ULTW0000002D028D02FA2813000D87BD000103E80157",
         record("SRC>APRS:", {"wind.....: 63°NE", "gust.....: 0 km/h", "temperat.: 18°C", "pressure.: 1026 mbar", "humidity.: 100 %"})},
        {"weather without a position", "IK4WXB-13>APRS,WIDE2-1:_09091848c225s004g011t064r001p012P009h78b10142wDVS",
         record("IK4WXB-13>APRS,WIDE2-1:", {"wind.....: 225°SW 6 km/h", "gust.....: 18 km/h", "temperat.: 18°C",
                 "pressure.: 1014 mbar", "humidity.: 78 %", "rain hour: 0 mm", "rain day.: 2 mm", "rain 24h.: 3 mm",
                 "message..: wDVS", "time.....: 09-09 18:48"})},
        {"Ultimeter $ULTW", "WC4PEM-14>APN391,WIDE2-1,qAo,K2KZ-3:$ULTW0053002D028D02FA2813000D87BD000103E8015703430010000C",
         record("WC4PEM-14>APN391,WIDE2-1,qAo,K2KZ-3:", {"wind.....: 63°NE 1 km/h", "gust.....: 8 km/h", "temperat.: 18°C",
                 "pressure.: 1026 mbar", "humidity.: 100 %", "rain day.: 4 mm", "device...: Kantronics KPC-3 rom versions"})},
        {"Ultimeter logging !!", "MB7DS>APRS,TCPIP*,qAC,APRSUK2:!!00000066013D000028710166--------0158053201200210",
         record("MB7DS>APRS,TCPIP*,qAC,APRSUK2:", {"wind.....: 143°SE 0 km/h", "temperat.: 0°C", "pressure.: 1035 mbar",
                 "rain day.: 73 mm"})},
        {"compressed weather", "SRC>APRS:!/5L!!<*e7_7P[g005t077",
         record("SRC>APRS:", {"lat./lon.: 49°30'0\"N 72°45'0\"W", "dec.coord: 49.5 -72.75", "speed....: 67 km/h",
                 "course...: 88°E", "station..: Weather station", "wind.....: 88°E 67 km/h", "gust.....: 8 km/h",
                 "temperat.: 25°C"})},
        {"compressed weather, wind in the comment", "K1RI-2>APWW10,WIDE1-1:/221700h/9AmA<Ct3_ sT010/002g005t045r000p023P020h97b10148",
         record("K1RI-2>APWW10,WIDE1-1:", {"lat./lon.: 41°48'28.2\"N 71°39'21\"W", "dec.coord: 41.8078333333333 -71.6558333333333",
                 "speed....: 4 km/h", "course...: 10°N", "station..: Weather station", "wind.....: 10°N 4 km/h", "gust.....: 8 km/h",
                 "temperat.: 7°C", "pressure.: 1015 mbar", "humidity.: 97 %", "rain hour: 0 mm", "rain day.: 5 mm", "rain 24h.: 6 mm",
                 "time.....: 22:17:00h", "device...: APRSISCE win32 version"})},
        {"what looks like a DAO inside telemetry is telemetry", "OH7LZB-13>SX15S6:'I',l >/ comment |!wEU!![S|",
         micE({"lat./lon.: 38°15'21.6\"S 145°11'9.6\"E", "dec.coord: -38.256 145.186", "station..: Car", "status...: En Route",
               "message..: comment |!wEU!![S|", "telemetry: #86 3328 0 5328"}, "OH7LZB-13>")},
        {"comment telemetry", "SRC>APRS:!4903.50N/07201.75W#test |!!!!\"&+O4c| end",
         record("SRC>APRS:", {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667",
                 "station..: Digipeater", "message..: test |!!!!\"&+O4c| end", "telemetry: #0 0 96 956 1795"})},
        {"NMEA RMC", "OH7LZB-11>APRS,W4GR*,WIDE2-1,qAR,WA4DSY:$GPRMC,145526,A,3349.0378,N,08406.2617,W,23.726,27.9,121207,4.9,W*7A",
         record("OH7LZB-11>APRS,W4GR*,WIDE2-1,qAR,WA4DSY:", {"lat./lon.: 33°49'2.268\"N 84°06'15.702\"W",
                 "dec.coord: 33.8172966666667 -84.1043616666667", "speed....: 44 km/h", "course...: 27.9°NE", "time.....: 14:55:26h"})},
        {"NMEA GGA with altitude", "SRC>APRS:$GPGGA,102705,5157.9762,N,00029.3256,W,1,04,2.0,75.7,M,47.6,M,,*62",
         record("SRC>APRS:", {"lat./lon.: 51°57'58.572\"N 0°29'19.536\"W", "dec.coord: 51.96627 -.48876", "altitude.: 76 m",
                              "time.....: 10:27:05h"})},
        {"NMEA GLL", "SRC>APRS:$GPGLL,4916.45,N,12311.12,W,225444,A*31",
         record("SRC>APRS:", {"lat./lon.: 49°16'27\"N 123°11'7.2\"W", "dec.coord: 49.2741666666667 -123.185333333333",
                              "time.....: 22:54:44h"})},
        {"NMEA time with a fraction", "SRC>APRS:$GPGLL,4916.45,N,12311.12,W,225444.50,A*1A",
         record("SRC>APRS:", {"lat./lon.: 49°16'27\"N 123°11'7.2\"W", "dec.coord: 49.2741666666667 -123.185333333333",
                              "time.....: 22:54:44h"})},
        {"NMEA checksum wrong", "SRC>APRS:$GPGLL,4916.45,N,12311.12,W,225444,A*00", ""},
        {"NMEA without a fix", "AE4XO-14>GPSLK,WIDE1-1,WIDE2-2,qAR,AE4XO:$GPRMC,,V,3237.1002,N,08340.7972,W,,,,3.2,W*62", ""},
        {"locator in a status", "SQ7PFS>APRS:>IO91SX/- My house",
         record("SQ7PFS>APRS:", {"from.....: SQ7PFS", "st.report: IO91SX/- My house", "lat./lon.: 51°58'45\"N 0°27'30\"W",
                 "dec.coord: 51.9791666666667 -.458333333333333"})},
        {"four-character locator", "SQ7PFS>APRS:>JN54/G",
         record("SQ7PFS>APRS:", {"from.....: SQ7PFS", "st.report: JN54/G", "lat./lon.: 44°30'0\"N 11°00'0\"E",
                 "dec.coord: 44.5 11"})},
        {"status time", "SQ7PFS>APRS:>092345zNet Control Center",
         record("SQ7PFS>APRS:", {"from.....: SQ7PFS", "st.report: 092345zNet Control Center", "time.....: 09 23:45z"})},
        {"locator with a beam heading", "SQ7PFS>APRS:>IO91SX/G^B7",
         record("SQ7PFS>APRS:", {"from.....: SQ7PFS", "st.report: IO91SX/G^B7", "lat./lon.: 51°58'45\"N 0°27'30\"W",
                 "dec.coord: 51.9791666666667 -.458333333333333", "beam.....: 110°, 490 W ERP"})},
        {"beam heading after text", "SQ7PFS>APRS:>Meteor scatter ^Z3", record("SQ7PFS>APRS:", {"from.....: SQ7PFS",
                 "st.report: Meteor scatter ^Z3", "beam.....: 350°, 90 W ERP"})},
        {"no beam heading in lower case", "SQ7PFS>APRS:>IO91SX/G^b7", record("SQ7PFS>APRS:", {"from.....: SQ7PFS", "st.report: IO91SX/G^b7"})},
        // MIC-E telemetry: two hex digits a channel after "'" (five) or "`" (channels 1 and 3).
        {"MIC-E telemetry, five channels", "N0CALL>TT3P50:`(0&l!!>/'7200FF710A",
         micE({kMicELatLon, kMicEDec, kCar, kEnRoute, "telemetry: 114 0 255 113 10"}, "N0CALL>")},
        {"MIC-E telemetry, channels 1 and 3", "N0CALL>TT3P50:`(0&l!!>/`7203 hi",
         micE({kMicELatLon, kMicEDec, kCar, kEnRoute, "message..: hi", "telemetry: 114 - 3"}, "N0CALL>")},
        {"MIC-E TinyTrack3 with telemetry", "N0CALL>TT3P50:`(0&l!!>/'7200FF710A|3",
         micE({kMicELatLon, kMicEDec, "radio....: Byonics TinyTrack3", kCar, kEnRoute, "telemetry: 114 0 255 113 10"}, "N0CALL>")},
        {"MIC-E radio text is no telemetry", "N0CALL>TT3P50:`(0&l!!>/`BEEF_ ",
         micE({kMicELatLon, kMicEDec, "radio....: Yaesu VX-8", kCar, kEnRoute, "message..: BEEF"}, "N0CALL>")},
        // A TNC's beacon text before the position, the "!" at most the 40th character.
        {"beacon text before the position", "OH2RDP-1>BEACON-15:hoponassualku!6028.51S/02505.68W#PHG7220RELAY",
         record("OH2RDP-1>BEACON-15:", {"lat./lon.: 60°28'30.6\"S 25°05'40.8\"W", "dec.coord: -60.4751666666667 -25.0946666666667",
                 "station..: Digipeater", "message..: hoponassualku PHG7220RELAY", "phg......: 49 W, 12 m, 2 dBi, omni"})},
        {"a \"!\" in the text first", "SRC>DST:Hello! World !4903.50N/07201.75W-", position({"station..: Home", "message..: Hello! World"})},
        {"the 40th character", "SRC>DST:012345678901234567890123456789012345678!4903.50N/07201.75W-",
         position({"station..: Home", "message..: 012345678901234567890123456789012345678"})},
        {"the 41st character", "SRC>DST:0123456789012345678901234567890123456789!4903.50N/07201.75W-", ""},
        {"telemetry bits garbled", "SRC>APRS:T#005,199,000,255,073,123,01a01001",
         record("SRC>APRS:", {"from.....: SRC", "telemetry: 005,199,000,255,073,123,01a01001", "telemetry: #005 199 0 255 73 123",
                 "invalid..: telemetry: bits 01a01001"})},
        {"telemetry bits and a comment", "SRC>APRS:T#005,199,000,255,073,123,01101001 ok",
         record("SRC>APRS:", {"from.....: SRC", "telemetry: 005,199,000,255,073,123,01101001 ok",
                 "telemetry: #005 199 0 255 73 123 01101001"})},
        {"MIC-E device suffix", "N0CALL>TT3P50:`(0&l!!>/`test_)",
         micE({"lat./lon.: 44°30'30\"N 12°20'6\"E", "dec.coord: 44.5083333333333 12.335", "station..: Car",
                 "status...: En Route", "message..: test", "device...: Yaesu FTM-100D"}, "N0CALL>")},
        {"MIC-E TH-D74", "N0CALL>TT3P50:`(0&l!!>/>test^",
         micE({"lat./lon.: 44°30'30\"N 12°20'6\"E", "dec.coord: 44.5083333333333 12.335", "station..: Car",
                 "status...: En Route", "message..: test", "device...: Kenwood TH-D74"}, "N0CALL>")},
        {"alternate symbol", "SRC>APRS:!4903.50N\\07201.75W>",
         record("SRC>APRS:", {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667",
                 "station..: Vehicle"})},
        {"overlay without a name of its own", "SRC>APRS:!4903.50N307201.75W>",
         record("SRC>APRS:", {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667",
                 "station..: Vehicle (overlay 3)"})},
        {"overlay on a symbol with none", "SRC>APRS:!4903.50N307201.75WE",
         record("SRC>APRS:", {"lat./lon.: 49°03'30\"N 72°01'45\"W", "dec.coord: 49.0583333333333 -72.0291666666667",
                 "station..: Smoke (overlay 3)"})},
    });
}

// A station names its telemetry channels, their units and equations in messages to itself (or another station does
// for it); its later reports show each named channel. The definitions outlive one decode: the caller keeps them.
TEST(Telemetry, DefinitionsAcrossPacketsOfOneStation) {
    const std::string report = "N0QBF-11>APRS:T#005,199,000,255,073,123,01101001", header = "N0QBF-11>APRS:";
    const std::vector<std::string> values = {"from.....: N0QBF-11", "telemetry: 005,199,000,255,073,123,01101001",
                                             "telemetry: #005 199 0 255 73 123 01101001"};
    const auto defining = [](const std::string& text) { return "N0QBF-11>APRS::N0QBF-11 :" + text; };
    const auto plus = [&values](std::vector<std::string> lines) {
        lines.insert(lines.begin(), values.begin(), values.end());
        return lines;
    };
    const struct { const char* name; std::string line, record; } steps[] = {
        {"no definitions yet", report, record(header, values)},
        {"names", defining("PARM.Battery,Btemp,ATemp,Pres,Alt,Camra,Chut,Sun,10m,ATV"), ""},
        {"names only", report, record(header, plus({"Battery..: 199", "Btemp....: 0", "ATemp....: 255", "Pres.....: 73", "Alt......: 123",
                                                    "Camra....: 0", "Chut.....: 1", "Sun......: 1", "10m......: 0", "ATV......: 1"}))},
        {"units", defining("UNIT.v/100,deg.F,deg.F,Mbar,Kft,Click,OPEN,on,on,hi"), ""},
        {"equations", defining("EQNS.0,5.2,0,0,.53,-32,3,4.39,49,-32,3,18,1,2,3"), ""},
        {"bit sense", defining("BITS.10110000,N0QBF's Big Balloon"), ""},
        {"all four", report, record(header, plus({"Battery..: 1034.8 v/100", "Btemp....: -32 deg.F", "ATemp....: 196243.45 deg.F",
                                                  "Pres.....: -170291 Mbar", "Alt......: 15378 Kft", "Camra....: 0 Click", "Chut.....: 0 OPEN",
                                                  "Sun......: 1 on", "10m......: 0 on", "ATV......: 0 hi"}))},
        // Another station may define them for it; a name longer than nine characters is cut.
        {"names from another station", "IGATE>APRS::N0QBF-11 :PARM.Supply voltage,,Outside", ""},
        {"renamed", report, record(header, plus({"Supply vo: 1034.8 v/100", "Outside..: 196243.45 deg.F"}))},
        {"other stations keep theirs", "OTHER>APRS:T#001,1", record("OTHER>APRS:", {"from.....: OTHER", "telemetry: 001,1", "telemetry: #001 1"})},
    };
    TelemetryDefinitions definitions;
    const FilterFlags all = showAllFilter();
    for (const auto& step : steps) {
        const DecodedPacket p = decodeAprsLine(step.line, DecodeContext{{}, all, kNow, true, false, &definitions});
        EXPECT_EQ(p.record, step.record.empty() ? p.record : step.record) << step.name;
    }
    // Bounded: beyond its room the station that began first is forgotten.
    TelemetryDefinitions two(2);
    for (const std::string station : {"A", "B", "C"}) two.apply({station, "PARM.x"});
    EXPECT_EQ(std::make_tuple(two.find("A"), two.find("B") != nullptr, two.find("C") != nullptr, two.size()),
              std::make_tuple(nullptr, true, true, std::size_t{2}));
}

TEST(Decoder, FilterPerRecordClass) {
    const struct { const char* name; std::string line; int flag; bool shown; } rows[] = {
        {"car with car", "SRC>DST:!4903.50N/07201.75W>", 62, true},
        {"home with car", "SRC>DST:!4903.50N/07201.75W-", 62, false},
        {"MIC-E car with car", "SRC>TT3P50:`(0&!ZN>/x", 62, true},
        {"MIC-E car with home", "SRC>TT3P50:`(0&!ZN>/x", 45, false},
        {"unnamed with undefined", "SRC>DST:!4903.50N\\07201.75W>", kFilterUndefined, true},
        {"named with undefined", "SRC>DST:!4903.50N/07201.75W>", kFilterUndefined, false},
        {"object with its symbol", "SRC>DST:;OBJ      *092345z4903.50N/07201.75W-", 45, true},
        {"message with messages", "SRC>DST::N0CALL   :hi", kFilterMessages, true},
        {"status with status", "SRC>DST:>here", kFilterStatus, true},
        {"capabilities with capabilities", "SRC>DST:<IGATE", kFilterCapabilities, true},
        {"telemetry with telemetry", "SRC>DST:T#1,2", kFilterTelemetry, true},
        {"telemetry with capabilities", "SRC>DST:T#1,2", kFilterCapabilities, false},
    };
    for (const auto& r : rows) {
        FilterFlags flags{};
        flags[static_cast<std::size_t>(r.flag)] = 1;
        const DecodedPacket shown = decode(r.line, {}, flags), all = decode(r.line);
        EXPECT_EQ(std::make_tuple(shown.recognised, shown.record, shown.placemark.has_value()),
                  std::make_tuple(true, r.shown ? all.record : "", r.shown && all.placemark.has_value())) << r.name;
        EXPECT_EQ(shown.lastCoordinates, all.lastCoordinates) << r.name;  // a hidden station still offers its coordinates
    }
}

// The facts of a packet as one line: station|object, killed|symbol|position|distance|azimuth|speed|course|altitude|text,
// then " via " and device when there are any.
template <typename Number>
std::string numberOf(const std::optional<Number>& value) {
    return value ? trimmedNumericText(static_cast<double>(*value)) : "";
}
// The facts keep the distance unrounded; whole kilometres read as the record's line does.
std::optional<double> wholeKm(const std::optional<double>& km) {
    return km ? std::optional<double>(roundHalfEven(*km)) : std::nullopt;
}
std::string factsOf(const StationFacts& f) {
    const std::string position = f.hasPosition ? trimmedNumericText(f.latitude) + " " + trimmedNumericText(f.longitude) : "";
    const std::string kind = std::string(f.objectOrItem ? "object" : "") + (f.killed ? " killed" : "");
    std::string line = f.station + "|" + kind + "|" + f.symbol + "|" + position + "|" + numberOf(wholeKm(f.distanceKm)) + "|" +
                       numberOf(f.azimuthDeg) + "|" + numberOf(f.speedKmh) + "|" + numberOf(f.courseDeg) + "|" +
                       numberOf(f.altitudeM) + "|" + f.lastText;
    if (!f.via.empty() || !f.device.empty()) line += " via " + f.via + (f.device.empty() ? "" : ", " + f.device);
    return line;
}

// What each kind of packet tells the heard-stations table, the same whether the filter shows its record or
// not, as the numbers its record lines show; a compressed position as precise as it was sent.
TEST(Decoder, StationFactsOfEveryPacketKind) {
    const struct { const char* name; std::string line, facts; } rows[] = {
        {"position", "SRC-9>APRS,WIDE1-1:!4500.00N/01200.00E>090/020/A=001234 hello",
         "SRC-9||Car|45 12|77|43|37|90|376|/A=001234 hello via direct"},
        {"MIC-E", "SRC>TT3P50,RELAY*,WIDE1-1:`(0&!ZN>/\"4{}comment", "SRC||Car|44.5083333333333 12.335|79|89|104|250|100|comment via RELAY"},
        {"MIC-E radio", "SRC>TT3P50:`(0&!ZN>/>hello^", "SRC||Car|44.5083333333333 12.335|79|89|104|250||hello via direct, Kenwood TH-D74"},
        {"object", "SRC>APZMDR,DIGI*,WIDE2*:;LEADER   *092345z4500.00N/01200.00E>comment",
         "LEADER|object|Car|45 12|77|43||||comment via WIDE2, HaMDR trackers"},
        {"killed item", "SRC>APRS:)AID_4500.00N/01200.00E>", "AID|object killed|Car|45 12|77|43|||| via direct"},
        {"killed object, filler blanks", "SRC>APRS:;LEADER   _092345z4500.00N/01200.00E>", "LEADER|object killed|Car|45 12|77|43|||| via direct"},
        {"killed object without a name", "SRC>APRS:;         _092345z4500.00N/01200.00E>", "|object killed|Car|45 12|77|43|||| via direct"},
        {"compressed: finer than its record's hundredths of a minute", "SRC>APRS:!/0%E/KwbU>7P[",
         "SRC||Car|60.2304935866809 -10.0556276022114|2252|328|67|88|| via direct"},
        {"refined by a DAO", "SRC>APRS:!4903.50S/07201.75E#test!w5:!", "SRC||Digipeater|-49.05837 72.0292116666667|11953|143||||test!w5:! via direct"},
        {"NMEA speed and course", "OH7LZB-11>APRS,W4GR*,WIDE2-1,qAR,WA4DSY:$GPRMC,145526,A,3349.0378,N,08406.2617,W,23.726,27.9,121207,4.9,W*7A",
         "OH7LZB-11|||33.8172966666667 -84.1043616666667|7838|299|44|27.9|| via W4GR"},
        {"NMEA altitude", "SRC>APRS:$GPGGA,102705,5157.9762,N,00029.3256,W,1,04,2.0,75.7,M,47.6,M,,*62", "SRC|||51.96627 -.48876|1204|318|||76| via direct"},
        {"message", "SRC>APDR15::N0CALL-9 :Hello{12", "SRC|||||||||Hello{12 via direct, APRSdroid Android App"},
        {"weather", "WX>APRS:!4500.00N/01200.00E_220/004g005t077rain", "WX||Weather station|45 12|77|43|7|220||rain via direct"},
        {"alternate symbol", "SRC>APRS:!4500.00N\\01200.00E>", "SRC||Vehicle|45 12|77|43|||| via direct"},
        {"overlay symbol", "SRC>APRS:!4500.00NS01200.00E>", "SRC||Solar powered|45 12|77|43|||| via direct"},
        {"third party: the inner source", "GATE>APRS,TCPIP:}ISRC>IDEST,IPATH:>hi", "ISRC|||||||||hi via direct"},
        {"no valid position", "SRC>APRS:!4903.50X/07201.75W-x", "SRC||Home|||||||x via direct"},
        {"heard-directly mark", "SRC*>APRS:>x", "SRC|||||||||x via direct"},
        {"echo before the header", "hello IK4WXB>APRS:>x", "IK4WXB|||||||||x via direct"},
        {"connected-mode frame", "SRC>APRS <I R1 S2>:>x", "|||||||||"},
        {"unknown type", "SRC>APRS:$GPRMC,063909,A", "|||||||||"}, {"no header: nobody to name", ">x", "|||||||||x"},
    };
    const DecoderSettings own{.myPositionSet = true, .myLatValue = 44.5, .myLongValue = 11.0 + 20.0 / 60};
    const FilterFlags all = showAllFilter(), none{};
    DecodedPacket shown;  // reused from row to row: a decode keeps nothing of the last one
    for (const auto& r : rows) {
        decodeAprsLineInto(r.line, DecodeContext{own, all, kNow, true, true}, shown);
        const DecodedPacket hidden = decodeAprsLine(r.line, DecodeContext{own, none, kNow, true, true});
        EXPECT_EQ(factsOf(shown.station), latin1(r.facts)) << r.name;
        EXPECT_EQ(factsOf(hidden.station), latin1(r.facts)) << r.name;
        EXPECT_TRUE(hidden.record.empty()) << r.name;
        // Asking for the facts changes no record line.
        EXPECT_EQ(shown.record, decodeAprsLine(r.line, DecodeContext{own, all, kNow}).record) << r.name;
    }
}

// A packet heard direct, through digipeaters and from a second TNC is one packet for 30
// seconds from its first copy; anything else that differs makes it another.
TEST(DuplicateFilter, CopiesWithinHalfAMinuteOfTheFirst) {
    const struct { std::int64_t atMs; const char* line; bool repeat; } steps[] = {
        {0, "N0CALL>APRS:!4903.50N/07201.75W-hi", false},
        {900, "N0CALL>APRS,WIDE1-1*,WIDE2-1:!4903.50N/07201.75W-hi", true},          // through a digipeater
        {1200, "[0.4] N0CALL>APRS,DIGI*,WIDE2* <UI C>:!4903.50N/07201.75W-hi", true},  // another TNC's print
        {1500, "N0CALL>APRS:!4903.50N/07201.75W-ho", false},                           // other information
        {1600, "N0CALL>APZQLM:!4903.50N/07201.75W-hi", false},                         // other destination
        {1700, "N0CALL-9>APRS:!4903.50N/07201.75W-hi", false},                         // other source
        {1800, "no header at all", false}, {1900, "no header at all", false},
        {29999, "N0CALL>APRS,WIDE2-2:!4903.50N/07201.75W-hi", true},
        {30000, "N0CALL>APRS:!4903.50N/07201.75W-hi", false},  // the same beacon half a minute on
        {45000, "N0CALL>APRS:!4903.50N/07201.75W-hi", true},
    };
    DuplicateFilter filter;
    for (const auto& s : steps) EXPECT_EQ(filter.isRepeat(s.line, s.atMs), s.repeat) << s.atMs << " " << s.line;
    filter.isRepeat("A>B:x", 200000);
    EXPECT_EQ(filter.remembered(), 1u);  // what lies a window back is forgotten
}

// The device list built into the program: the most specific pattern wins, "#" takes only a digit; a destination may
// stop short of a pattern's last wildcards, not go beyond it.
TEST(DeviceList, MostSpecificPatternWins) {
    const std::pair<const char*, const char*> rows[] = {
        {"APK003", "Kenwood TH-D72"}, {"APK005", "Kenwood TH-D7"}, {"APY01D", "Yaesu FT1D series"},
        {"AP123D", "Painter Engineering uSmartDigi D-Gate DSTAR Gateway"}, {"APX219", "Xastir"}, {"APXR2Z", ""},
        {"APRX28", "aprx"}, {"APRX45", "APRSmax"}, {"APDR15", "APRSdroid Android App"}, {"APTT4", "Tiny Track"},
        {"APDR", "APRSdroid Android App"}, {"APK0", "Kenwood TH-D7"}, {"APK00", "Kenwood TH-D7"}, {"APDR155", ""}, {"APRS", ""},
        {"BEACON", ""}, {"APZ", ""},
        // As APRS-IS carries them: lower and mixed case, looked up as upper case.
        {"apk003", "Kenwood TH-D72"}, {"ApK005", "Kenwood TH-D7"}, {"apdr15", "APRSdroid Android App"}, {"aPtT4", "Tiny Track"},
        {"apx219", "Xastir"}, {"aprx45", "APRSmax"}, {"ap123d", "Painter Engineering uSmartDigi D-Gate DSTAR Gateway"}, {"beacon", ""},
    };
    for (const auto& [destination, device] : rows) EXPECT_EQ(deviceOfDestination(destination), device) << destination;
    const std::pair<const char*, const char*> headers[] = {
        {"SRC>APK003-2,WIDE1-1:", "APK003"}, {"ISRC>SRC>DEST,PATH>APDR15:", "APDR15"}, {"SRC:", ""}, {"src>apdr15-1,wide1-1:", "apdr15"},
    };
    for (const auto& [header, destination] : headers) EXPECT_EQ(destinationOfHeader(header), destination) << header;
}

// Every symbol's name: the filter's 26 as they always were, the others from the symbol list, an overlay by its own
// name or its alternate symbol's; a compressed position's overlay letters "a".."j" are the digits.
TEST(SymbolNames, EveryTableAndOverlay) {
    const struct { char table, code; const char* name; } rows[] = {
        {'/', '>', "Car"}, {'/', 'k', "Truk"}, {'/', '!', "Police, Sheriff"}, {'/', '1', ""}, {'\\', '>', "Vehicle"},
        {'\\', '1', ""}, {'S', '#', "SSn-N digipeater (includes WIDEn-N)"}, {'3', '>', "Vehicle (overlay 3)"},
        {'a', '#', "Digipeater (overlay 0)"}, {'&', '>', ""}, {'/', '\xE9', ""},
    };
    for (const auto& r : rows) {
        std::string name;
        appendSymbolName(name, symbolName(r.table, r.code));
        EXPECT_EQ(name, r.name) << r.table << r.code;
    }
}

// The message field's parts, as messaging and the record both read them.
TEST(AprsMessage, PartsOfTheField) {
    using Kind = AprsMessageParts::Kind;
    const struct { const char* info; bool valid; const char* addressee; const char* text; Kind kind; const char* number;
                   bool replyAckForm; const char* replyAck; bool bulletin; } rows[] = {
        {":N0CALL-9 :Hello{12", true, "N0CALL-9", "Hello", Kind::Message, "12", false, "", false},
        {":N0CALL-10:Hi", true, "N0CALL-10", "Hi", Kind::Message, "", false, "", false},  // nine characters read whole
        {":W1AW     :ack12", true, "W1AW", "", Kind::Ack, "12", false, "", false},
        {":W1AW     :rejAB3", true, "W1AW", "", Kind::Reject, "AB3", false, "", false},
        {":W1AW     :Hello{MM}AA", true, "W1AW", "Hello", Kind::Message, "MM", true, "AA", false},
        {":W1AW     :Hello{MM}", true, "W1AW", "Hello", Kind::Message, "MM", true, "", false},
        {":W1AW     :ackMM}AA", true, "W1AW", "", Kind::Ack, "MM", true, "AA", false},
        {":W1AW     :a{b}c{123456", true, "W1AW", "a{b}c{123456", Kind::Message, "", false, "", false},  // too long
        {":W1AW     :see {you there", true, "W1AW", "see {you there", Kind::Message, "", false, "", false},
        {":W1AW     :acknowledged", true, "W1AW", "acknowledged", Kind::Message, "", false, "", false},
        {":W1AW     :Hi{7 \r", true, "W1AW", "Hi", Kind::Message, "7", false, "", false},
        {":BLN1     :Net at 20:00", true, "BLN1", "Net at 20:00", Kind::Message, "", false, "", true},
        {":NWS-WARN :Storm", true, "NWS-WARN", "Storm", Kind::Message, "", false, "", true},
        {":N0CALL:Hi", false, "", "", Kind::Message, "", false, "", false},
        {">status", false, "", "", Kind::Message, "", false, "", false},
    };
    for (const auto& r : rows) {
        const AprsMessageParts p = parseAprsMessage(r.info);
        EXPECT_EQ(p.valid, r.valid) << r.info;
        EXPECT_EQ(p.addressee, r.addressee) << r.info;
        EXPECT_EQ(p.text, r.text) << r.info;
        EXPECT_EQ(p.kind, r.kind) << r.info;
        EXPECT_EQ(p.number, r.number) << r.info;
        EXPECT_EQ(p.replyAckForm, r.replyAckForm) << r.info;
        EXPECT_EQ(p.replyAck, r.replyAck) << r.info;
        EXPECT_EQ(p.bulletin, r.bulletin) << r.info;
    }
}

TEST(MicE, WholeRecords) {
    const std::vector<std::string> example = {kMicELatLon, kMicEDec, "speed....: 104 km/h", "course...: 250°W", kCar, kEnRoute, "message..: comment"};
    expectRecords({
        {"example", "SRC>TT3P50:`(0&!ZN>/comment", micE(example)},
        {"SSID and path after the destination", "SRC>TT3P50-2,WIDE1-1,WIDE2-1:`(0&!ZN>/comment", micE(example)},
        {"encapsulated: header up to the last >", "SRC>DEST,PATH:}ISRC>TT3P50:`(0&!ZN>/comment", micE(example, "ISRC>SRC>DEST,PATH>")},
        {"custom A-J are digits", "SRC>AJ3P50:`(0&l!!>/", micE({"lat./lon.: 09°30'30\"N 12°20'6\"E", "dec.coord: 9.50833333333333 12.335", kCar})},
        {"ambiguous hundredths count as 0", "SRC>TT3P2L:`(0&l!!>/",
         micE({"lat./lon.: 44°30'12\"N 12°20'6\"E", "dec.coord: 44.5033333333333 12.335", kCar, kEnRoute})},
        {"K is custom and ambiguous", "SRC>44KZLL:`(0&l!!>/", micE({"lat./lon.: 44°  '0\"N 12°20'6\"E", "dec.coord: 44 12.335", kCar})},
        {"south", "SRC>TT3050:`(0&l!!>/", micE({"lat./lon.: 44°30'30\"S 12°20'6\"E", "dec.coord: -44.5083333333333 12.335", kCar, kEnRoute})},
        {"longitude offset", "SRC>TT3PP0:`&0&l!!>/", micE({"lat./lon.: 44°30'0\"N 110°20'6\"E", "dec.coord: 44.5 110.335", kCar, kEnRoute})},
        {"degrees 180-189 and minutes 60+ fold", "SRC>TT3PPP:`q[&l!!>/",
         micE({"lat./lon.: 44°30'0\"N 105°3'6\"W", "dec.coord: 44.5 -105.051666666667", kCar, kEnRoute})},
        {"190-199 degrees fold", "SRC>TT3PP0:`{X&l!!>/", micE({"lat./lon.: 44°30'0\"N 5°0'6\"E", "dec.coord: 44.5 5.00166666666667", kCar, kEnRoute})},
        {"altitude inside radio markers", "SRC>TT3P50:`(0&l!!>/`%!!}up high _%",
         micE({kMicELatLon, kMicEDec, "altitude.: 23124 m", "radio....: Yaesu FTM-400DR", kCar, kEnRoute, "message..: up high"})},
        // A symbol table one or two places early means the speed and course bytes are missing.
        {"symbol one byte early", "SRC>TT3P50:`(0&!Z>/moved", micE({kMicELatLon, kMicEDec, kCar, kEnRoute, "message..: moved"})},
        {"symbol two bytes early", "SRC>TT3P50:`(0&!>/moved", micE({kMicELatLon, kMicEDec, kCar, kEnRoute, "message..: moved"})},
        {"altitude byte outside base 91", "KJ4ETP-9>SUUP6Y:`oU~nT >/]\x9Axt}hello=", micE({"lat./lon.: 35°50'41.4\"N 83°57'58.8\"W",
         "dec.coord: 35.8448333333333 -83.9663333333333", "speed....: 46 km/h", "course...: 204°SW", "radio....: Kenwood TM-D710", kCar,
         "status...: Off Duty", "message..: \x9Axt}hello"}, "KJ4ETP-9>")},
    });
}

// Only three standard message bits give a status: a custom bit (A-K) or a "Z" leaves none.
TEST(MicE, StatusFromTheMessageBits) {
    const std::pair<const char*, const char*> rows[] = {
        {"TTS", "Off Duty"},  {"TT3", "En Route"}, {"T4S", "En Service"}, {"T43", "Returning"}, {"4TS", "Committed"},
        {"4T3", "Special"},   {"44S", "Priority"}, {"443", "EMERGENCY"},  {"TTL", "En Route"},  {"TTK", ""},
        {"ATS", ""},          {"TTZ", ""},
    };
    for (const auto& [bits, status] : rows)
        EXPECT_EQ(lineOf(decode("SRC>" + std::string(bits) + "P50:`(0&!ZN>/").record, "status...: "), status) << bits;
}

TEST(MicE, RadioMarkersComeOffTheComment) {
    const struct { const char* comment; const char* radio; const char* message; } rows[] = {
        {">TH-D72=", "Kenwood TH-D72", "TH-D72"},  {">", "Kenwood TH-D7A", ""},          {"]mobile", "Kenwood TM-D700", "mobile"},
        {"`VX_ ", "Yaesu VX-8", "VX"},             {"`plain", "", "plain"},               {"'TT_|3", "Byonics TinyTrack3", "TT_"},
        {"'plain|5", "", "plain|5"},               {" spaced ", "", "spaced"},
        {"ab}c", "", "ab}c"},  // no marker, and a "}" in third place is no altitude
    };
    for (const auto& r : rows) {
        const std::string text = decode("SRC>TT3P50:`(0&!ZN>/" + std::string(r.comment)).record;
        EXPECT_EQ(lineOf(text, "radio....: "), r.radio) << r.comment;
        EXPECT_EQ(lineOf(text, "message..: "), r.message) << r.comment;
    }
}

// Every packet of the shared corpus, whole or cut short anywhere as a lost carrier leaves it, with and
// without an own position, decodes to a well-formed record or to nothing; the sanitizer build turns any
// read outside a line into a failure here.
TEST(Corpus, EveryPacketDecodesSafely) {
    std::ifstream in(std::string(QUILMO_SHARED_DATA) + "/aprs-test-packets.tnc2", std::ios::binary);
    ASSERT_TRUE(in) << "data/aprs-test-packets.tnc2 is missing";
    const DecoderSettings own{.myPositionSet = true, .myLatValue = 44.5, .myLongValue = 11.3, .speedZero = 1};
    int lines = 0, whole = 0;
    for (std::string line; std::getline(in, line); ++lines) {
        for (std::size_t length = 0; length <= line.size(); ++length) {
            for (const DecoderSettings& settings : {DecoderSettings{}, own}) {
                const DecodedPacket p = decode(line.substr(0, length), settings);
                ASSERT_EQ(p.shown, !p.record.empty()) << line.substr(0, length);
                if (!p.shown) continue;
                whole += length == line.size();
                EXPECT_TRUE(p.record.starts_with("------- 2026-12-05 09:05 ------\r\n") ||
                            p.record.starts_with("-MIC-E- 2026-12-05 09:05 ------\r\n")) << line;
                EXPECT_TRUE(p.record.ends_with("\r\n\r\n")) << line;
                EXPECT_EQ(p.placemark.has_value(), !p.lastCoordinates.empty()) << line;
            }
        }
    }
    EXPECT_EQ(lines, 414);
    EXPECT_GT(whole, 670);  // under both settings, all but a few dozen packets are shown
}

TEST(Numeric, ReadNumberTakesTheLongestLeadingNumber) {
    const struct { const char* text; double value; } rows[] = {
        {"...", 0}, {" 1 2.5", 12.5}, {"-.5", -0.5}, {"+7x", 7}, {"12E", 12},  // a hemisphere is no exponent
        {"1e3", 1000}, {"abc", 0}, {"1e999", 0}, {"1.2.3", 1.2},
    };
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(readNumber(r.text), r.value) << r.text;
}

TEST(Numeric, TextInTheProgramsNumberForm) {
    const struct { double value; const char* text; } rows[] = {
        {79.2, " 79.2"}, {-21, "-21"}, {0.5, " .5"}, {-0.5, "-.5"}, {-0.0, " 0"}, {NAN, " 0"},
        {44.0 + 30.0 / 60 + 30.0 / 3600, " 44.5083333333333"}, {1e15, " 1E+15"}, {1e-5, " 1E-05"},
        {123456789012345678.0, " 1.23456789012346E+17"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(numericText(r.value), r.text) << r.value;
        EXPECT_EQ(trimmedNumericText(r.value), r.text[0] == ' ' ? r.text + 1 : r.text) << r.value;
    }
}

TEST(Geometry, DmsTextToDegrees) {
    const struct { std::string text; const char* degrees; } rows[] = {
        {"44\xB0" "30'30\"N", " 44.5083333333333"}, {"44\xB0" "30'30\"S", "-44.5083333333333"},
        {"72\xB0" "01'45\"w", "-72.0291666666667"}, {"09\xB0" "03'30.6\"N", " 9.0585"},
        {"44\xB0" "30'N", " 44.5"}, {"30'0\"N", " .5"},  // without a degree sign, minutes from the start
        {"\"'\xB0" "5", " 0"},
    };
    for (const auto& r : rows) EXPECT_EQ(numericText(dmsTextToDegrees(r.text)), r.degrees) << r.text;
}

// The sectors of the bearings are SectorBins' business.
TEST(Geometry, DistanceAndInitialBearing) {
    const struct { const char* name; double ownLon, ownLat, lon, lat; std::int32_t km; int azimuth; } rows[] = {
        {"same point", 12, 45, 12, 45, 0, 0}, {"due south", 10, 45, 10, 40, 556, 180},
        {"equal latitude west", 11.5, 44.5, 11, 44.5, 40, 270}, {"north west", 10, 45, 9, 46, 136, 325},
        {"opposite side", 0, 0, 180, 0, 20015, 90},
    };
    for (const auto& r : rows) {
        const DistanceAzimuth da = computeDistanceAzimuth(r.ownLon, r.ownLat, r.lon, r.lat);
        EXPECT_EQ(std::make_pair(da.distanceKm, da.azimuthDeg), std::make_pair(r.km, r.azimuth)) << r.name;
    }
}

TEST(Geometry, SectorBinsClosedAtTheirUpperEdge) {
    const struct { double degrees; const char* sector; } rows[] = {
        {0, "N"}, {22.5, "N"}, {22.55, "NE"}, {67.5, "NE"}, {67.6, "E"}, {157, "SE"}, {158, "S"}, {202, "S"}, {203, "SW"},
        {337.5, "NW"}, {337.55, "N"}, {360, "N"}, {360.5, ""}, {-1, ""}, {NAN, ""},
    };
    for (const auto& r : rows) EXPECT_EQ(compassSector(r.degrees), r.sector) << r.degrees;
}

TEST(Framing, LinesAcrossReads) {
    const std::string longLine(2049, 'x'), atLimit(AprsLineAssembler::kMaxPending, 'y');
    const struct { const char* name; std::vector<std::string> reads, lines; } rows[] = {
        {"CR and LF in two reads", {"A>B:>1\r", "\nC>D:>2\r\n"}, {"A>B:>1", "C>D:>2"}},
        {"header joined with information", {"SRC>DST,PATH:\r\n!4430.60N/01120.10E-x\r\n"}, {"SRC>DST,PATH:!4430.60N/01120.10E-x"}},
        {"header joined across reads", {"SRC>DST:", "\r", "\n>x\r", "\n"}, {"SRC>DST:>x"}},
        {"text ending in colon is a packet", {"A>B::N0CALL   :see you at:\r\nC>D:>2\r\n"}, {"A>B::N0CALL   :see you at:", "C>D:>2"}},
        {"empty lines skipped", {"\r\n\r\nA>B:>1\r\n\r\n"}, {"A>B:>1"}},
        {"header without information", {"A>B:\r\n\r\nC>D:>2\r\n"}, {"A>B:", "C>D:>2"}},
        {"lone CR and LF stay", {"A>B:>x\ry\n\r\n"}, {"A>B:>x\ry\n"}},
        {"overlong line dropped to its end", {longLine, "tail\r\nA>B:>1\r\n"}, {"A>B:>1"}},
        {"overlong line, split line end", {longLine + "\r", "\nA>B:>1\r\n"}, {"A>B:>1"}},
        {"line at the limit kept", {atLimit, "\r\n"}, {atLimit}},
        {"TNC prompt before packet", {"cmd:cmd:A>B:>1\r\ncmd:\r\n"}, {"A>B:>1"}},
        {"TNC prompt before bare header", {"cmd:A>B:\r\n>1\r\n"}, {"A>B:>1"}},
        {"I frame header joined", {"A>B <I R1 S2>:\r\nhello\r\n"}, {"A>B <I R1 S2>:hello"}},
        {"control frame waits for nothing", {"A>B <RR 3>:\r\nC>D:>2\r\n"}, {"A>B <RR 3>:", "C>D:>2"}},
        // Empty information frames are real traffic: a monitor line after a header alone is a packet of its own.
        {"header alone, then a packet", {"N0CALL>BEACON:\r\nW1AW>APRS:!4903.50N/07201.75W-hello\r\n"},
         {"N0CALL>BEACON:", "W1AW>APRS:!4903.50N/07201.75W-hello"}},
        {"tagged header alone, then a packet", {"SRC>DST,WIDE1-1* <UI C>:\r\n", "[0.4] W1AW>APRS:>x\r\n"},
         {"SRC>DST,WIDE1-1* <UI C>:", "[0.4] W1AW>APRS:>x"}},
        {"third-party information joined", {"SRC>DST:\r\n}W1AW>APRS,TCPIP,SRC*:>x\r\n"}, {"SRC>DST:}W1AW>APRS,TCPIP,SRC*:>x"}},
        {"header without callsigns waits for nothing", {"K6IFR_S>APRS:\r\n>x\r\n"}, {"K6IFR_S>APRS:", ">x"}},
        {"held header, then another", {"A>B:\r\nC>D <UI>:\r\n", ">2\r\n"}, {"A>B:", "C>D <UI>:>2"}},
    };
    for (const auto& r : rows) EXPECT_EQ(assemble(r.reads), r.lines) << r.name;
}

// quilmo-decode hands whole lines out straight from its read blocks and the rest to the assembler; wherever a
// block ends, the lines are those the assembler alone gives, headers printed alone joined alike.
TEST(Framing, WholeLinesFromTheBlockAreTheAssembledLines) {
    const std::string stream =
        "A>B:\r\n!x\r\nC>D [12/06/26 10:11:12] <UI C>:\r\n>1\r\nE>F:\r\n\r\nG>H:\r\nI>J:\r\n>2\r\nK>L <RR 3>:\r\n"
        "M>N:>3\r\ncmd:O>P:\r\n>4\r\n22:51:33 Q>R:\r\n>5\r\nS>T:\r\n";
    const std::vector<std::string> expected = assemble({stream});
    EXPECT_EQ(expected.size(), 9u);  // the last header still waits
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        AprsLineAssembler assembler;
        std::vector<std::string> lines;
        const auto push = [&lines](std::string_view line) { lines.emplace_back(line); };
        const std::string_view block = std::string_view(stream).substr(0, cut);
        const std::size_t taken = assembler.takeWholeLines(block, push);
        assembler.append(block.substr(taken), push);
        assembler.append(std::string_view(stream).substr(cut), push);
        EXPECT_EQ(lines, expected) << cut;
    }
}

std::set<int> selected(const FilterFlags& flags) {
    std::set<int> out;
    for (int i = 0; i < static_cast<int>(flags.size()); ++i)
        if (flags[i] != 0) out.insert(i);
    return out;
}

TEST(FilterFile, OneIndexPerLineAndAllForAnythingElse) {
    const struct { const char* name; std::string bytes; std::set<int> expected; } rows[] = {
        {"empty file", "", {0}}, {"LF line ends, last without", "35\n62", {35, 62}},
        {"blank line", "62\r\n\r\n118\r\n", {0, 62, 118}}, {"leading blanks, text after digits", "   62 car\r\n", {62}},
        {"bounds", "255\r\n256\r\n70000\r\n-62", {0, 255}},
        {"fractions round half to even", "62.5\r\n35.5\r\n117.7\r\n", {36, 62, 118}},
        {"NUL line", "\0\r\n5\r\n"s, {0, 5}},
    };
    for (const auto& r : rows) EXPECT_EQ(selected(parseFilterFile(r.bytes)), r.expected) << r.name;
}

TEST(FilterFile, AscendingCrLfLinesOfTheOnesAndAllWhenEmpty) {
    const struct { const char* name; std::set<int> ones, twos; std::string file; } rows[] = {
        {"any order in", {118, 35, 5, 0}, {}, "0\r\n5\r\n35\r\n118\r\n"},
        {"256 never written", {255, 256}, {}, "255\r\n"}, {"only 1 counts as selected, none is all", {}, {62}, "0\r\n"},
    };
    for (const auto& r : rows) {
        FilterFlags flags{};
        for (const int i : r.ones) flags[i] = 1;
        for (const int i : r.twos) flags[i] = 2;
        EXPECT_EQ(formatFilterFile(flags), r.file) << r.name;
    }
    // Only 1 passes, and an index outside the symbol table never does.
    FilterFlags flags{};
    flags[kFilterAll] = 2;
    flags[kFilterUndefined] = 1;
    EXPECT_FALSE(classRecordPasses(flags, kFilterStatus) || symbolRecordPasses(flags, 300) || symbolRecordPasses(flags, -1));
    EXPECT_TRUE(symbolRecordPasses(flags, 256));  // unnamed
}

// The heard-stations table: its update rules, what it tells a listener, and its CSV as a real
// CSV reader (python3's csv module) reads it back.

// A position packet's facts, every number a different one.
StationFacts located(std::string station, std::string symbol, double lat, double lon, std::string text = {}) {
    return {.station = std::move(station), .symbol = std::move(symbol), .hasPosition = true, .latitude = lat, .longitude = lon,
            .distanceKm = 77, .azimuthDeg = 53, .speedKmh = 67, .courseDeg = 79.2, .altitudeM = 376,
            .lastText = std::move(text), .device = "Kenwood TH-D72", .via = "WIDE1-1", .packet = {}};
}
// A status or message heard directly, from a program the device list does not know.
StationFacts textOnly(std::string station, std::string text, bool killed = false) {
    StationFacts f;
    f.station = std::move(station);
    f.killed = killed;
    f.lastText = std::move(text);
    f.via = "direct";
    return f;
}
StationFacts killed(std::string name) { return textOnly(std::move(name), "", true); }

// Every change the table reports, as "+A" (added), "~A" (changed), "-A" (removed).
struct EventLog : StationTable::Listener {
    const StationTable* table = nullptr;
    std::string log;
    void note(char kind, StationTable::RowId id) { log += (log.empty() ? "" : " ") + std::string(1, kind) + table->row(id).station; }
    void rowAdded(StationTable::RowId id) override { note('+', id); }
    void rowChanged(StationTable::RowId id) override { note('~', id); }
    void rowRemoved(StationTable::RowId id) override { note('-', id); }
};

// The rows newest first, cells joined with "|".
std::vector<std::string> rowsOf(const StationTable& table) {
    std::vector<std::string> rows;
    table.forEachNewestFirst([&rows](StationTable::RowId, const StationRow& row) {
        std::string line;
        for (std::size_t c = 0; c < kStationColumnCount; ++c) line += (c ? "|" : "") + stationCellText(row, static_cast<StationColumn>(c));
        rows.push_back(line);
    });
    return rows;
}

TEST(StationTable, UpdateRules) {
    // A station keeps the device it was last known by; "via" is that of its latest packet.
    const std::string home = "|Home|Kenwood TH-D72|44.50000|-72.02917|77|53\xB0NE|67|79.2\xB0" "E|376|";
    const struct { const char* name; std::size_t maxRows; std::vector<std::pair<StationFacts, int>> heardAt; std::vector<std::string> rows;
                   std::string events; } cases[] = {
        {"the latest packet counts; one without a position keeps the last position and symbol", 10,
         {{located("N0CALL", "Car", 10, 20, "first"), 3}, {located("N0CALL", "Home", 44.5, -72.0291666666667, "second"), 4},
          {textOnly("N0CALL", "Net at 20:00"), 9}},
         {"N0CALL|2026-12-05 09:05:09|direct|3" + home + "Net at 20:00"}, "+N0CALL ~N0CALL ~N0CALL"},
        {"position-less first packet, then a position without symbol, speed or text", 10,
         {{textOnly("N0CALL", "hello"), 3}, {[] { auto f = located("N0CALL", "", -0.5, 0.25); f.speedKmh.reset(); f.courseDeg.reset(); return f; }(), 5}},
         {"N0CALL|2026-12-05 09:05:05|WIDE1-1|2||Kenwood TH-D72|-0.50000|0.25000|77|53\xB0NE|||376|"}, "+N0CALL ~N0CALL"},
        {"objects are stations of their own, padded names included", 10,
         {{textOnly("N0CALL", "beacon"), 3}, {located("LEADER   ", "Car", 1, 2, "obj"), 4}, {located("LEADER", "Car", 1, 2, "moved"), 5}},
         {"LEADER|2026-12-05 09:05:05|WIDE1-1|2|Car|Kenwood TH-D72|1.00000|2.00000|77|53\xB0NE|67|79.2\xB0" "E|376|moved",
          "N0CALL|2026-12-05 09:05:03|direct|1||||||||||beacon"},
         "+N0CALL +LEADER ~LEADER"},
        {"a killed object leaves; an unknown killed one adds nothing", 10,
         {{located("LEADER", "Car", 1, 2), 3}, {textOnly("N0CALL", "x"), 4}, {killed("LEADER   "), 5}, {killed("GHOST"), 6}},
         {"N0CALL|2026-12-05 09:05:04|direct|1||||||||||x"}, "+LEADER +N0CALL -LEADER"},
        {"at the limit the station heard longest ago leaves first", 2,
         {{textOnly("A", "a"), 1}, {textOnly("B", "b"), 2}, {textOnly("A", "a2"), 3}, {textOnly("C", "c"), 4}},
         {"C|2026-12-05 09:05:04|direct|1||||||||||c", "A|2026-12-05 09:05:03|direct|2||||||||||a2"}, "+A +B ~A -B +C"},
        {"no station, nothing recorded", 10, {{textOnly("", "lost"), 1}, {textOnly("   ", "lost"), 2}}, {}, ""},
    };
    for (const auto& c : cases) {
        StationTable table(c.maxRows);
        EventLog events;
        events.table = &table;
        table.addListener(&events);
        for (const auto& [facts, second] : c.heardAt) table.update(facts, LocalTime{2026, 12, 5, 9, 5, second});
        EXPECT_EQ(rowsOf(table), c.rows) << c.name;
        EXPECT_EQ(events.log, c.events) << c.name;
        EXPECT_EQ(table.size(), c.rows.size()) << c.name;
    }
}

// The table keeps a position as precisely as its packet sent it, while the record keeps its
// hundredths of a minute: a compressed position's cells are not its record's degrees rounded.
TEST(StationTable, PositionsAsPreciseAsSent) {
    const struct { const char* name; const char* line; std::string cells, decCoord; } rows[] = {
        {"uncompressed", "SRC>APRS:!4903.50N/07201.75W-", "49.05833|-72.02917", "dec.coord: 49.0583333333333 -72.0291666666667"},
        {"refined by a DAO, southern and eastern", "SRC>APRS:!4903.50S/07201.75E#test!w5:!", "-49.05837|72.02921",
         "dec.coord: -49.05837 72.0292116666667"},
        {"compressed, western", "SRC>APRS:!/0%E/KwbU>7P[", "60.23049|-10.05563", "dec.coord: 60.2303333333333 -10.0555"},
        {"compressed object, eastern", "SRC>APRS:;LEADER   *092345z/0%E/TiZR>7P[", "60.23049|24.94053",
         "dec.coord: 60.2303333333333 24.9405"},
    };
    const FilterFlags all = showAllFilter();
    for (const auto& r : rows) {
        const DecodedPacket p = decodeAprsLine(r.line, DecodeContext{{}, all, kNow, true, true});
        EXPECT_NE(p.record.find("\r\n" + r.decCoord + "\r\n"), std::string::npos) << r.name;
        StationTable table;
        table.update(p.station, kNow);
        ASSERT_EQ(table.size(), 1u) << r.name;
        table.forEachNewestFirst([&r](StationTable::RowId, const StationRow& row) {
            EXPECT_EQ(stationCellText(row, StationColumn::Latitude) + "|" + stationCellText(row, StationColumn::Longitude),
                      r.cells) << r.name;
        });
        std::string csvCells = r.cells;
        std::replace(csvCells.begin(), csvCells.end(), '|', ',');
        EXPECT_NE(stationsCsv(table).find("," + csvCells + ","), std::string::npos) << r.name;
    }
}

// Near stations differ by less than a kilometre: under 10 km the table and the CSV show
// tenths, further whole kilometres as the record rounds them.
TEST(StationTable, DistanceInTenthsNearBy) {
    const struct { const char* name; std::optional<double> km; const char* cell; } rows[] = {
        {"next door", 0.44, "0.4"}, {"rounds up", 0.96, "1.0"}, {"nought", 0.0, "0.0"}, {"just under 10", 9.94, "9.9"},
        {"rounds to 10: whole", 9.96, "10"}, {"half to even, down", 12.5, "12"}, {"half to even, up", 13.5, "14"},
        {"far", 1234.4, "1234"}, {"none", std::nullopt, ""},
    };
    for (const auto& r : rows) {
        StationTable table;
        StationFacts f = located("N0CALL", "Home", 44.5, 11.3);
        f.distanceKm = r.km;
        table.update(f, kNow);
        table.forEachNewestFirst([&r](StationTable::RowId, const StationRow& row) {
            EXPECT_EQ(stationCellText(row, StationColumn::DistanceKm), r.cell) << r.name;
        });
        EXPECT_NE(stationsCsv(table).find(",11.30000," + std::string(r.cell) + ","), std::string::npos) << r.name;
    }
    // From the decoder: 400 m east of the own position; the record keeps its whole kilometres.
    const DecoderSettings own{.myPositionSet = true, .myLatValue = 44.5, .myLongValue = 11.3};
    const DecodedPacket p = decodeAprsLine("SRC>APRS:!4430.00N/01118.30E-", DecodeContext{own, showAllFilter(), kNow, true, true});
    EXPECT_NE(p.record.find("distance.: 0 km"), std::string::npos) << p.record;
    StationTable table;
    table.update(p.station, kNow);
    table.forEachNewestFirst([](StationTable::RowId, const StationRow& row) {
        EXPECT_EQ(stationCellText(row, StationColumn::DistanceKm), "0.4");
    });
}

// The map and the Stations window draw a station's symbol from its table and code as sent.
TEST(StationTable, KeepsTheSymbolAsSent) {
    const struct { const char* name; const char* line; char table, code; } rows[] = {
        {"primary", "SRC>APRS:!4903.50N/07201.75W>", '/', '>'},
        {"alternate", "SRC>APRS:!4903.50N\\07201.75W#", '\\', '#'},
        {"overlay", "SRC>APRS:!4903.50ND07201.75W&", 'D', '&'},
        {"compressed", "SRC>APRS:!/5L!!<*e7>7P[", '/', '>'},
        {"MIC-E", "SRC>TT3P50:`(0&!ZN>/comment", '/', '>'},
    };
    const FilterFlags all = showAllFilter();
    for (const auto& r : rows) {
        const DecodedPacket p = decodeAprsLine(r.line, DecodeContext{{}, all, kNow, true, true});
        StationTable table;
        table.update(p.station, kNow);
        ASSERT_EQ(table.size(), 1u) << r.name;
        const StationRow& row = table.row(table.find("SRC"));
        EXPECT_EQ(row.symbolTable, r.table) << r.name;
        EXPECT_EQ(row.symbolCode, r.code) << r.name;
    }
}

// Many stations coming, going and being killed, beyond the limit and through index growth:
// one update at a time and in batches give the rows a plain model of the rules gives.
TEST(StationTable, RandomUpdatesMatchAPlainModel) {
    constexpr std::size_t kLimit = 700;
    std::map<std::string, std::pair<int, int>> plain;  // station: step last heard (its text), packets
    StationTable single(kLimit), batched(kLimit);
    std::vector<HeardFacts> batch;
    std::mt19937 random(14);
    for (int step = 1; step <= 20000; ++step) {
        const std::string name = "S" + std::to_string(random() % 2000);
        const StationFacts f = textOnly(name, std::to_string(step), random() % 5 == 0);
        const auto it = plain.find(name);
        const int packets = it == plain.end() ? 1 : it->second.second + 1;
        if (!f.killed && it == plain.end() && plain.size() == kLimit)
            plain.erase(std::min_element(plain.begin(), plain.end(), [](const auto& a, const auto& b) { return a.second < b.second; }));
        if (f.killed) plain.erase(name);
        else plain[name] = {step, packets};
        single.update(f, LocalTime{});
        batch.push_back({f, LocalTime{}});
        if (step % 1000 != 0) continue;
        batched.updateAll(batch.data(), batch.size());
        batch.clear();
        std::map<int, std::string, std::greater<>> newest;  // the model's rows, newest first
        for (const auto& [station, p] : plain) newest[p.first] = station + "|" + std::to_string(p.second);
        std::vector<std::pair<const int, std::string>> rows;
        single.forEachNewestFirst([&rows](StationTable::RowId, const StationRow& r) {
            rows.emplace_back(std::stoi(r.lastText), r.station + "|" + std::to_string(r.packets));
        });
        ASSERT_EQ(rows, std::vector(newest.begin(), newest.end())) << "after step " << step;
        ASSERT_EQ(stationsCsv(batched), stationsCsv(single)) << "after step " << step;
        for (const auto& [station, p] : plain) ASSERT_NE(single.find(station), StationTable::kNoRow) << station;
    }
}

// Fields that need quoting, Windows-1252 bytes above 0x7F and texts that would start a
// spreadsheet formula, read back by the csv module field by field.
TEST(StationTable, CsvReadsBackWithARealReader) {
    StationTable table;
    table.update(textOnly("=CMD", "a, b \"quoted\"\r\nnext line"), LocalTime{2026, 1, 2, 3, 4, 5});
    table.update(located("OBJ \x80", "Car", -33.5, 151.25, "-73 dBm \xB0"), LocalTime{2026, 1, 2, 3, 4, 6});
    const test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(dir.file("stations.csv"), stationsCsv(table)));
    // The rows after the header, fields joined with "|" and records with "#": neither occurs in the table.
    const std::string script =
        "import csv, sys\n"
        "rows = list(csv.reader(open(sys.argv[1], newline=\"\", encoding=\"utf-8\"), strict=True))\n"
        "open(sys.argv[1] + \".read\", \"w\", encoding=\"utf-8\", newline=\"\").write(\"#\".join(\"|\".join(r) for r in rows[1:]))\n";
    ASSERT_EQ(std::system(("'" QUILMO_PYTHON3 "' -c '" + script + "' '" + dir.file("stations.csv") + "'").c_str()), 0);
    // Numeric columns hold numbers only: the course and the azimuth lose their sector.
    EXPECT_EQ(dir.read("stations.csv.read"), "OBJ \u20AC|2026-01-02 03:04:06|WIDE1-1|1|Car|Kenwood TH-D72|-33.50000|151.25000|77|53|67|79.2|376|"
                                             "'-73 dBm \u00B0#'=CMD|2026-01-02 03:04:05|direct|1||||||||||a, b \"quoted\"\r\nnext line");
}

// quilmo-decode, the built tool, run on small captures: its whole output compared.

// Expected texts are written with "\n" and a UTF-8 "°"; the tool writes CR LF and byte 0xB0.
std::string wire(std::string text) {
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) text.insert(at, "\r");
    return latin1(text);
}

// Exit status of the tool reading `input`; its output lands in the files "out" and "err".
int run(const test::TempDir& dir, const std::string& input, const std::string& args) {
    writeWholeFile(dir.file("in"), input);
    const std::string command = "'" QUILMO_DECODE_BIN "' " + args + " < '" + dir.file("in") + "' > '" +
                                dir.file("out") + "' 2> '" + dir.file("err") + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// LF and CR LF line ends, a header on a line of its own, a line that is no packet and a last
// line without any end; a comment byte above 0x7F passes unchanged.
const std::string kCapture = "SRC>TT3P50:`(0&!ZN>/22\xB0" "C\nSRC>DEST,PATH:\r\n!4903.50N/07201.75W-\r\nnot a packet\n"
                             "SRC>TT3P50,WIDE1-1:`(0&l!!>/";
const std::string kMicE = "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"N 12°20'6\"E\n"
                          "dec.coord: 44.5083333333333 12.335\n";
const std::string kMoving = kMicE + "speed....: 104 km/h\ncourse...: 250°W\nstation..: Car\nstatus...: En Route\nmessage..: 22°C\n\n";
const std::string kHome = "------- 2026-12-05 09:05 ------\nSRC>DEST,PATH:\nlat./lon.: 49°03'30\"N 72°01'45\"W\n"
                          "dec.coord: 49.0583333333333 -72.0291666666667\nstation..: Home\n\n";
const std::string kParked = kMicE + "station..: Car\nstatus...: En Route\n\n";

TEST(QuilmoDecode, RecordsOfACapture) {
    const test::TempDir dir;
    writeWholeFile(dir.file("filter.ini"), "62\r\n");
    writeWholeFile(dir.file("Quilmo.ini"), "MYLAT=45\xB0" "0'0\"N\r\nMYLONG=12\xB0" "20'6\"E\r\nSPEEDZERO=1\r\n");
    const struct { const char* name; std::string input, args, records; } rows[] = {
        {"all", kCapture, "", kMoving + kHome + kParked},
        {"filter keeps the cars", kCapture, "--filter='" + dir.file("filter.ini") + "'", kMoving + kParked},
        // A header alone takes no monitor line as its information, CR LF lines taken straight from the block or not.
        {"header alone, then a packet", "N0CALL>BEACON:\r\nSRC>DEST,PATH:!4903.50N/07201.75W-\r\n", "", kHome},
        {"header alone, LF", "N0CALL>BEACON:\nSRC>DEST,PATH:!4903.50N/07201.75W-\n", "", kHome},
        {"config: own position and zero speed", "SRC>TT3P50:`(0&l!!>/\n", "--config '" + dir.file("Quilmo.ini") + "'",
         kMicE + "distance.: 55 km\nazimut...: 180°S\nspeed....: 0 km/h\ncourse...: 105°E\nstation..: Car\nstatus...: En Route\n\n"},
    };
    for (const auto& r : rows) {
        ASSERT_EQ(run(dir, r.input, "--time 2026-12-05T09:05:03 " + r.args), 0) << r.name << dir.read("err");
        EXPECT_EQ(dir.read("out"), wire(r.records)) << r.name;
    }
}

// A capture large enough to be cut among threads, with headers alone, prompts, LF line ends
// and overlong lines near every cut, and telemetry whose channels stations define and
// redefine as it goes: the output must not depend on the thread count.
TEST(QuilmoDecode, ThreadsGiveTheSameOutput) {
    const test::TempDir dir;
    const std::string comment(200, 'c');
    std::string input;
    for (int i = 0; input.size() < 700 * 1024; ++i) {
        const std::string station = "S" + std::to_string(i % 97), addressee = station + std::string(9 - station.size(), ' ');
        if (i % 41 == 0) input += station + ">APRS::" + addressee + ":EQNS.0," + std::to_string(i % 7) + ",0\r\n";
        if (i % 43 == 0) input += station + ">APRS::" + addressee + ":PARM.Volts" + std::to_string(i) + "\n";
        if (i % 3 == 0) input += station + ">APRS:T#" + std::to_string(i % 1000) + "," + std::to_string(i % 256) + "\n";
        input += station + ">TT3P50:`(0&!ZN>/" + comment + std::to_string(i) + "\n";
        input += i % 7 == 0 ? "cmd:SRC>DEST,PATH:\r\n" : i % 2 ? "SRC>DEST,PATH:\n" : "SRC>DEST,PATH:\r\n";
        input += "!4903.50N/07201.75W-" + comment + "\n";
        if (i % 11 == 0) input += "cmd:\r\nSRC>DEST:\r\nSRC>DEST,PATH:\r\n";
        if (i % 13 == 0) input += "SRC>DEST:!4903.50N/07201.75W-" + std::string(2100 + i % 3, 'x') + "\r\n";
    }
    input += "SRC>DEST:>the last line has no end";
    const std::string args = "--time 2026-12-05T09:05:03 --kml '" + dir.file("track.kml") + "' --stations '" +
                             dir.file("stations.csv") + "' --threads ";
    ASSERT_EQ(run(dir, input, args + "1"), 0) << dir.read("err");
    const std::string records = dir.read("out"), track = dir.read("track.kml"), stations = dir.read("stations.csv");
    EXPECT_NE(records.find("\r\nVolts215.: 56\r\n"), std::string::npos);  // a channel named in another thread's part
    // The track holds the placemarks and is closed after the last; the table has a row per station.
    EXPECT_NE(track.find("<name>09:05:03 SRC&gt;DEST,PATH:</name>"), std::string::npos);
    EXPECT_TRUE(track.ends_with(wire("</Placemark>\n </Document>\n</kml>\n")));
    EXPECT_NE(stations.find("\r\nS96,2026-12-05 09:05:03,"), std::string::npos);
    EXPECT_EQ(run(dir, input, args + "1 --stations /nonexistent/stations.csv"), 1);
    ASSERT_EQ(run(dir, input, args + "4"), 0) << dir.read("err");
    EXPECT_EQ(dir.read("out"), records);
    EXPECT_EQ(dir.read("track.kml"), track);
    EXPECT_EQ(dir.read("stations.csv"), stations);
}

TEST(QuilmoDecode, BadOptionsExitWithUsage) {
    const test::TempDir dir;
    for (const char* args : {"--bogus x", "--time yesterday", "--config", "--filter ''", "--config /nonexistent/Quilmo.ini",
                             "--threads 0", "--threads 2x"}) {
        EXPECT_EQ(run(dir, kCapture, args), 2) << args;
        EXPECT_EQ(dir.read("out"), "") << args;
        EXPECT_NE(dir.read("err").find("usage: quilmo-decode"), std::string::npos) << args;
    }
}

// The KML track: what a map program reads from it, and the file left whole whatever fails.

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kClose = " </Document>\r\n</kml>\r\n";
const LocalTime kTrackStart{2027, 1, 2, 3, 4, 5};  // every field of the file name needs its leading zero

std::string slurp(const std::string& path) { return readWholeFile(path).value_or("<none>"); }
Placemark numbered(int n) { return {"N0CALL-" + std::to_string(n), "2027-01-02T03:04:05", std::to_string(n) + ",45,0"}; }

// The placemarks as a map program reads them ("name|POINT Z (lon lat alt)"), once xmllint passed the file.
// A missing tool fails like a broken file: CI installs libxml2-utils and gdal-bin.
Lines mapView(const std::string& path) {
    const std::string file = " '" + path + "' 2>&1";
    std::FILE* pipe = popen(("xmllint --noout" + file + " && ogrinfo -ro -al -q" + file).c_str(), "r");
    std::string chunk(4096, '\0'), all;
    for (std::size_t n; pipe && (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) all.append(chunk, 0, n);
    EXPECT_TRUE(pipe && pclose(pipe) == 0) << path << ":\n" << all;
    std::istringstream in(all);
    Lines out;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("  Name (String) = ")) out.push_back(line.substr(18));
        if (line.starts_with("  POINT") && !out.empty()) out.back() += "|" + line.substr(2);
    }
    return out;
}

// The read-back proves the escaping and the conversion to UTF-8 (UTF-8 from the air as it is,
// other bytes from Windows-1252); the time stamp it does not show.
TEST(Kml, PlacemarksAsAMapProgramReadsThem) {
    test::TempDir dir;
    KmlTrack track(dir.path);
    track.kmlCreateFile(kTrackStart);
    track.kmlAppendPlacemark({"09:05 A&B<C>D:", "2027-01-02T09:05:03", "12.335,44.5,0"});
    track.kmlAppendPlacemark({"S/W\xB0\x80\xE8\x9F\x8C\x81", "2026-12-31T23:59:59", "-58.381667,-34.603333,2962.4"});
    track.kmlAppendPlacemark({"Citt\xC3\xA0 \xE2\x80\x93 73 \xE2\x9C\x93 \xF0\x9F\x93\xA1 Citt\xE0", "2026-12-31T23:59:59", "1,2,0"});
    EXPECT_EQ(mapView(track.fullPath()), (Lines{"09:05 A&B<C>D:|POINT Z (12.335 44.5 0)",
                                                "S/W\xC2\xB0\xE2\x82\xAC\xE8\x9F\x8C\xC2\x81|POINT Z (-58.381667 -34.603333 2962.4)",
                                                "Citt\xC3\xA0 \xE2\x80\x93 73 \xE2\x9C\x93 \xF0\x9F\x93\xA1 Citt\xC3\xA0|POINT Z (1 2 0)"}));
    const std::string when = "<when>2026-12-31T23:59:59</when>\r\n   </TimeStamp>\r\n   <styleUrl>#quilmo-icon</styleUrl>";
    EXPECT_NE(slurp(track.fullPath()).find(when), std::string::npos);
    std::string all(1, '\0');  // no name byte can break the XML
    for (int b = 1; b < 256; ++b) all += char(b);
    track.kmlAppendPlacemark({all, "2026-12-05T14:15:07", "1,2,0"});
    EXPECT_EQ(mapView(track.fullPath()).size(), 4u);
}

// C start, P placemark, S stop or filter button, D the file deleted behind our back: after
// each step the file is one whole document, the closing lines at its end exactly once.
TEST(Kml, OneDocumentAfterEveryStep) {
    for (const std::string steps : {"CS", "CPSS", "CPSPPS", "CDP", "CPDS"}) {
        test::TempDir dir;
        KmlTrack track(dir.path);
        Lines expected;
        for (const char step : steps) {
            SCOPED_TRACE(steps + " at " + step);
            const std::string n = std::to_string(expected.size());
            if (step == 'C') track.kmlCreateFile(kTrackStart);
            if (step == 'S') track.kmlCloseFile();
            if (step == 'P') track.kmlAppendPlacemark(numbered(static_cast<int>(expected.size())));
            if (step == 'P') expected.push_back("N0CALL-" + n + "|POINT Z (" + n + " 45 0)");
            if (step == 'D') expected.clear();
            if (step == 'D' && fs::remove(track.fullPath())) continue;  // nothing to read back
            const std::string text = slurp(track.fullPath());
            EXPECT_EQ(text.find(kClose), text.size() - kClose.size());
            EXPECT_NE(text.find(" <name>APRS 20270102_0304 quilmo</name>\r\n <Style id=\"quilmo-icon\">"), std::string::npos);
            EXPECT_EQ(mapView(track.fullPath()), expected);
            EXPECT_EQ(track.kmlDocumentOpen(), step == 'P');
        }
    }
}

TEST(Kml, NothingBeforeFirstStartAndStartsInOneMinuteKeepEarlierTracks) {
    test::TempDir dir;
    KmlTrack first(dir.path), laterRun(dir.path);
    first.kmlAppendPlacemark({"x", "y", "1,2,0"});
    first.kmlCloseFile();
    EXPECT_TRUE(first.fullPath().empty() && fs::is_empty(dir.path));
    for (const auto& [track, name] : {std::pair{&first, "$20270102_0304.kml"s}, {&first, "$20270102_0304_2.kml"s},
                                      {&laterRun, "$20270102_0304_3.kml"s}}) {
        track->kmlCreateFile(kTrackStart);
        EXPECT_EQ(track->kmlPath(), name);
        track->kmlAppendPlacemark({name, "2026-12-05T14:15:07", "1,2,0"});
    }
    for (const auto& e : fs::directory_iterator(dir.path + "/kml"))
        EXPECT_EQ(mapView(e.path()), Lines{e.path().filename().string() + "|POINT Z (1 2 0)"});
}

// The disk as the track sees it: each write takes the next entry of `room` (when there
// is one) and stops after that many bytes with the disk full; a truncate fails while
// `truncateFails` counts down. A negative room lets the write through.
struct FaultyDisk : TrackFileOps {
    std::deque<int> room;
    int truncateFails = 0;
    WriteResult writeAt(const std::string& path, std::uint64_t offset, std::string_view bytes) override {
        const int n = room.empty() ? -1 : room.front();
        if (!room.empty()) room.pop_front();
        if (n < 0 || static_cast<std::size_t>(n) >= bytes.size()) return TrackFileOps::writeAt(path, offset, bytes);
        return {TrackFileOps::writeAt(path, offset, bytes.substr(0, n)).written, ENOSPC};
    }
    WriteResult truncate(const std::string& path, std::uint64_t size) override {
        return truncateFails-- > 0 ? WriteResult{0, EIO} : TrackFileOps::truncate(path, size);
    }
};

// The file a track holds when exactly these placemarks were written and nothing failed.
std::string cleanTrack(const std::vector<int>& placemarks) {
    test::TempDir dir;
    KmlTrack track(dir.path);
    track.kmlCreateFile(kTrackStart);
    for (const int n : placemarks) track.kmlAppendPlacemark(numbered(n));
    return slurp(track.fullPath());
}

// A track on the faulty disk, started with `first` placemarks written.
struct TrackOnFaultyDisk {
    test::TempDir dir;
    FaultyDisk* disk = new FaultyDisk;
    KmlTrack track{dir.path, std::unique_ptr<TrackFileOps>(disk)};
    std::string outcomes;  // + or - for each write the track reports
    explicit TrackOnFaultyDisk(int first) {
        track.setWriteObserver([this](const std::string&, const WriteResult& r, std::uint64_t) { outcomes += r.ok() ? '+' : '-'; });
        if (first < 0) return;
        track.kmlCreateFile(kTrackStart);
        for (int n = 1; n <= first; ++n) track.kmlAppendPlacemark(numbered(n));
        outcomes.clear();
    }
};

// A write that stops after any number of bytes leaves the file exactly as it was before it: a
// cut start leaves no file, and so does the first placemark, which writes the whole document
// again. The next write that works goes where the last complete placemark ended.
TEST(KmlFaults, WriteCutAfterAnyByteIsUndone) {
    for (const bool start : {true, false}) {
        const std::string before = start ? "<none>" : cleanTrack({1});
        const std::string after = cleanTrack(start ? std::vector{3} : std::vector{1, 3});
        const std::size_t whole = start ? cleanTrack({}).size() : cleanTrack({1, 2}).size() - before.size();
        for (int room = 0; room < static_cast<int>(whole); ++room) {
            SCOPED_TRACE((start ? "start" : "placemark") + std::string(" cut after ") + std::to_string(room) + " bytes");
            TrackOnFaultyDisk t(start ? -1 : 1);
            t.disk->room = {room};
            if (start) t.disk->room.push_back(room);
            if (start) t.track.kmlCreateFile(kTrackStart);
            t.track.kmlAppendPlacemark(numbered(2));
            EXPECT_EQ(slurp(t.track.fullPath()), before);
            t.track.kmlAppendPlacemark(numbered(3));
            EXPECT_EQ(slurp(t.track.fullPath()), after);
            EXPECT_EQ(t.outcomes, start ? "--+" : "-+");
        }
    }
}

// Failures that also hit the undo and the repair: the next write that works leaves a
// complete document with every placemark whose write succeeded.
TEST(KmlFaults, UndoAndRepairThatFailAreFinishedByALaterWrite) {
    const struct { const char* name; std::deque<int> room; int truncateFails; std::string outcomes; std::vector<int> kept; } rows[] = {
        {"undo's closing lines cut", {30, 5}, 0, "-+", {1, 3}}, {"undo's truncate fails", {30}, 1, "-+", {1, 3}},
        {"three failures in a row", {0, -1, 100, -1, 7, -1}, 0, "---+", {1, 5}},
        {"repair fails once more", {30, 5, 3}, 0, "--+", {1, 4}},
    };
    for (const auto& r : rows) {
        TrackOnFaultyDisk t(1);
        t.disk->room = r.room;
        t.disk->truncateFails = r.truncateFails;
        for (int n = 2; n < 10 && t.outcomes.size() < r.outcomes.size(); ++n) t.track.kmlAppendPlacemark(numbered(n));
        t.track.kmlCloseFile();
        EXPECT_EQ(t.outcomes, r.outcomes) << r.name;
        EXPECT_EQ(slurp(t.track.fullPath()), cleanTrack(r.kept)) << r.name;
    }
}

}  // namespace
}  // namespace quilmo
