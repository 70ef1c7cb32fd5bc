#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "aprs/decoder.h"
#include "aprs/framing.h"

namespace quilmo {
namespace {

const LocalTime kNow{2026, 12, 5, 9, 5, 3};
const std::string kDeg = "\xB0";
const std::string kLatLon = "lat./lon.: 49" + kDeg + "03'30\"N 72" + kDeg + "01'45\"W";
const std::string kDec = "dec.coord: 49.0583333333333 -72.0291666666667";
// The compressed example position 49°30'N 72°45'W.
const std::string kCompLatLon = "lat./lon.: 49" + kDeg + "30'0\"N 72" + kDeg + "45'0\"W";
const std::string kCompDec = "dec.coord: 49.5 -72.75";

// Opening line, header, one line each, then the closing empty line.
std::string record(const std::string& header, const std::vector<std::string>& lines) {
    std::string out = "------- 2026-12-05 09:05 ------\r\n" + header;
    for (const std::string& line : lines) out += "\r\n" + line;
    return out + "\r\n\r\n";
}

// The usual test station at 49°03'30"N 72°01'45"W, then the given lines.
std::string position(std::vector<std::string> lines, const std::string& header = "SRC>DST:") {
    lines.insert(lines.begin(), {kLatLon, kDec});
    return record(header, lines);
}

DecodedPacket decode(const std::string& line, const DecoderSettings& settings = {}, const FilterFlags& filter = showAllFilter()) {
    return decodeAprsLine(line, DecodeContext{settings, filter, kNow});
}

struct Case { const char* name; std::string line, record; };  // an empty record: no packet the decoder knows

void expectRecords(std::initializer_list<Case> cases, const DecoderSettings& settings = {}) {
    for (const Case& c : cases) {
        const DecodedPacket p = decode(c.line, settings);
        EXPECT_EQ(p.recognised, !c.record.empty()) << c.name;
        EXPECT_EQ(p.record, c.record) << c.name;
        EXPECT_EQ(p.lastCoordinates.empty(), c.record.find("dec.coord") == std::string::npos) << c.name;
    }
}

TEST(Decoder, PositionLayouts) {
    expectRecords({
        {"uncompressed", "SRC>DST:!4903.50N/07201.75W-Test 001234", position({"station..: Home", "message..: Test 001234"})},
        {"timestamp not shown", "SRC>DST:/092345z4903.50N/07201.75W>Test1234", position({"station..: Car", "message..: Test1234"})},
        {"alternate table has no name", "SRC>DST:!0903.51N\\07201.75W#",
         record("SRC>DST:", {"lat./lon.: 09" + kDeg + "03'30.6\"N 72" + kDeg + "01'45\"W", "dec.coord: 9.0585 -72.0291666666667"})},
        {"compressed with course/speed", "SRC>DST:!/5L!!<*e7>7P[",
         record("SRC>DST:", {kCompLatLon, kCompDec, "speed....: 67 km/h", "course...: 88" + kDeg + "E", "station..: Car"})},
        {"compressed with altitude", "SRC>DST:!/5L!!<*e7>S]S up high",
         record("SRC>DST:", {kCompLatLon, kCompDec, "altitude.: 3049 m", "station..: Car", "message..: up high"})},
        {"compressed without cs", "SRC>DST:!/5L!!<*e7>   Hello", record("SRC>DST:", {kCompLatLon, kCompDec, "station..: Car", "message..: Hello"})},
        {"compressed radio range", "SRC>DST:=/5L!!<*e7>{?!Hi", record("SRC>DST:", {kCompLatLon, kCompDec, "station..: Car", "message..: Hi"})},
        {"compressed overlay table", "SRC>DST:!D5L!!<*e7#   ", record("SRC>DST:", {kCompLatLon, kCompDec})},
        {"compressed with timestamp", "SRC>DST:@092345z/5L!!<*e7>7P[",
         record("SRC>DST:", {kCompLatLon, kCompDec, "speed....: 67 km/h", "course...: 88" + kDeg + "E", "station..: Car"})},
        {"short report", "SRC>DST:!4903.50N",
         record("SRC>DST:", {"lat./lon.: 49" + kDeg + "03'30\"N 0" + kDeg + "'0\"", "dec.coord: 49.0583333333333 0"})},
        {"header on its own line", "SRC>DST,PATH:\r\n!4903.50N/07201.75W-", position({"station..: Home"}, "SRC>DST,PATH:")},
    });
}

TEST(Decoder, CourseSpeedExtension) {
    expectRecords({
        {"as sent", "SRC>DST:=4903.50N/07201.75W>088/036", position({"speed....: 67 km/h", "course...: 88" + kDeg + "E", "station..: Car"})},
        {"360 is north", "SRC>DST:!4903.50N/07201.75W>360/010", position({"speed....: 19 km/h", "course...: 360" + kDeg + "N", "station..: Car"})},
        {"out of range, no sector", "SRC>DST:!4903.50N/07201.75W>400/010", position({"speed....: 19 km/h", "course...: 400" + kDeg, "station..: Car"})},
        {"zero speed hidden", "SRC>DST:!4903.50N/07201.75W>000/000", position({"station..: Car"})},
        {"unknown as dots", "SRC>DST:!4903.50N/07201.75W>.../... on the road", position({"station..: Car", "message..: on the road"})},
        {"PHG is none", "SRC>DST:!4903.50N/07201.75W>PHG7220/RELAY", position({"station..: Car", "message..: PHG7220/RELAY"})},
        {"altitude text stays", "SRC>DST:!4903.50N/07201.75W>058/010/A=000079",
         position({"speed....: 19 km/h", "course...: 58" + kDeg + "NE", "station..: Car", "message..: /A=000079"})},
    });
    DecoderSettings speedZero;
    speedZero.speedZero = 1;
    expectRecords({{"zero speed shown with SPEEDZERO", "SRC>DST:!4903.50N/07201.75W>000/000",
                    position({"speed....: 0 km/h", "course...: 0" + kDeg + "N", "station..: Car"})}}, speedZero);
}

TEST(Decoder, PlacemarkAndDistanceFromOwnPosition) {
    const DecodedPacket plain = decode("SRC>DEST,PATH:!4903.50N/07201.75W-");
    ASSERT_TRUE(plain.placemark.has_value());
    EXPECT_EQ(plain.placemark->name, "09:05:03 SRC>DEST,PATH:");
    EXPECT_EQ(plain.placemark->when, "2026-12-05T09:05:03");
    EXPECT_EQ(plain.placemark->coordinates, "-72.0291666666667,49.0583333333333,0");
    EXPECT_EQ(plain.lastCoordinates, "49" + kDeg + "03'30\"N 72" + kDeg + "01'45\"W");
    EXPECT_EQ(decode("SRC>DST:!/5L!!<*e7>S]S").placemark->coordinates, "-72.75,49.5,3049");
    DecoderSettings own;
    own.myPositionSet = true;
    own.myLatValue = 44.5;
    own.myLongValue = 11.0 + 20.0 / 60;
    expectRecords({{"77 km to the north-east", "SRC>DST:;OBJ      *092345z4500.00N/01200.00E>090/020",
                    record("SRC>DST:", {"lat./lon.: 45" + kDeg + "00'0\"N 12" + kDeg + "00'0\"E", "dec.coord: 45 12", "object...: OBJ",
                                        "distance.: 77 km", "azimut...: 43" + kDeg + "NE", "speed....: 37 km/h",
                                        "course...: 90" + kDeg + "E", "station..: Car"})}}, own);
}

// Comments of a weather station: rain comes in hundredths of an inch, h00 means 100 %.
TEST(Decoder, WeatherFieldsAndPlaceholders) {
    const std::string wx = "SRC>DST:!4903.50N/07201.75W_";
    const std::string station = "station..: Weather station";
    expectRecords({
        {"negative Fahrenheit", wx + "t-05", position({station, "temperat.: -21" + kDeg + "C"})},
        {"pressure half to even", wx + "b10125", position({station, "pressure.: 1012 mbar"})},
        {"h00 is 100", wx + "h00", position({station, "humidity.: 100 %"})},
        {"short humidity", wx + "h5.", position({station, "humidity.: 5 %"})},
        {"rain 0.254 mm", wx + "p100", position({station, "rain 24h.: 25 mm"})},
        {"placeholders", wx + "g...t   h..b.....", position({station})},
        {"short field is text", wx + "g5", position({station, "message..: g5"})},
        {"unknown letter ends fields", wx + "t077xt050", position({station, "temperat.: 25" + kDeg + "C", "message..: xt050"})},
        {"text first", wx + "Hello t077", position({station, "message..: Hello t077"})},
        {"fields in fixed order", wx + "h48b08209ESP8266 t077", position({station, "pressure.: 821 mbar", "humidity.: 48 %", "message..: ESP8266 t077"})},
        {"all fields", wx + "g005t077r000p000P000h50b09900wRSW",
         position({station, "gust.....: 8 km/h", "temperat.: 25" + kDeg + "C", "pressure.: 990 mbar", "humidity.: 50 %",
                   "rain hour: 0 mm", "rain day.: 0 mm", "rain 24h.: 0 mm", "message..: wRSW"})},
        {"wind is course and speed", wx + "220/004g005",
         position({"speed....: 7 km/h", "course...: 220" + kDeg + "SW", station, "gust.....: 8 km/h"})},
        {"only the weather symbol", "SRC>DST:!4903.50N/07201.75W-t077", position({"station..: Home", "message..: t077"})},
    });
}

TEST(Decoder, ObjectsItemsAndEncapsulatedPackets) {
    expectRecords({
        {"object live", "SRC>DST:;LEADER   *092345z4903.50N/07201.75W>comment", position({"object...: LEADER", "station..: Car", "message..: comment"})},
        {"object killed keeps filler", "SRC>DST:;LEADER   _092345z4903.50N/07201.75W>", position({"object...: LEADER    (deleted)", "station..: Car"})},
        {"fixed width beats _ in name", "SRC>DST:;LEAD_ER  *092345z4903.50N/07201.75W>", position({"object...: LEAD_ER", "station..: Car"})},
        {"; in name dropped", "SRC>DST:;LE;DER   *092345z4903.50N/07201.75W>", position({"object...: LEDER", "station..: Car"})},
        {"short name scanned", "SRC>DST:;AB*092345z4903.50N/07201.75W>", position({"object...: AB", "station..: Car"})},
        {"object without terminator", "SRC>DST:;NOTERMINATOR", ""},
        {"item live", "SRC>DST:)AID #2!4903.50N/07201.75WA", position({"item.....: AID #2"})},
        {"item killed", "SRC>DST:)AID_4903.50N/07201.75W>", position({"item.....: AID (deleted)", "station..: Car"})},
        {"encapsulated with inner path", "SRC>DEST,PATH:}ISRC>IDEST,IPATH,GATE*:!4903.50N/07201.75W>x,y:z",
         position({"station..: Car", "message..: x,y:z"}, "ISRC>SRC>DEST,PATH>IDEST:")},
        {"encapsulated without inner path", "SRC>DEST:}ISRC>IDEST:>on air, 73",
         record("ISRC>SRC>DEST>IDEST:", {"from.....: ISRC", "st.report: on air, 73"})},
        {"encapsulated without inner header", "SRC>DEST:}no header here", ""},
    });
}

TEST(Decoder, TextPacketsAndHeaderSplit) {
    expectRecords({
        {"message", "N0CALL>APRS,WIDE1-1::N0CALL-9 :Hello{12",
         record("N0CALL>APRS,WIDE1-1:", {"from.....: N0CALL", "to.......: N0CALL-9", "message..: Hello{12"})},
        {"message too short", "SRC>DST::N0CALL", record("SRC>DST:", {"from.....: SRC"})},
        {"addressee only", "SRC>DST::N0CALL-9 :", record("SRC>DST:", {"from.....: SRC", "to.......: N0CALL-9"})},
        {"message without header", ":N0CALL-9 :Hi", record("", {"to.......: N0CALL-9", "message..: Hi"})},
        {"status", "SRC>DST:>Net control", record("SRC>DST:", {"from.....: SRC", "st.report: Net control"})},
        {"capabilities", "SRC>DST:<IGATE,MSG_CNT=0", record("SRC>DST:", {"from.....: SRC", "st.capab.: IGATE,MSG_CNT=0"})},
        {"telemetry", "SRC>DST:T#005,199,000,255,073,123,01101001",
         record("SRC>DST:", {"from.....: SRC", "telemetry: 005,199,000,255,073,123,01101001"})},
        {"T without #", "SRC>DST:TEST", ""},
        {"sender blanks trimmed", " SRC >DST:>x", record(" SRC >DST:", {"from.....: SRC", "st.report: x"})},
        {"colon before arrow", "a:b>c:d", ""},
        {"no colon", "hello world", ""},
        {"empty information", "SRC>DEST:", ""},
        {"empty line", "", ""},
        {"lone CR stays", "SRC>DEST:>a\rb", record("SRC>DEST:", {"from.....: SRC", "st.report: a\rb"})},
        {"MIC-E needs a header", "`abc", ""},
    });
}

TEST(Decoder, FilterPerRecordClass) {
    const struct { const char* name; std::string line; int flag; bool shown; } rows[] = {
        {"car with car", "SRC>DST:!4903.50N/07201.75W>", 62, true},
        {"home with car", "SRC>DST:!4903.50N/07201.75W-", 62, false},
        {"unnamed with undefined", "SRC>DST:!4903.50N/07201.75W!", kFilterUndefined, true},
        {"other table with undefined", "SRC>DST:!4903.50N\\07201.75W>", kFilterUndefined, true},
        {"named with undefined", "SRC>DST:!4903.50N/07201.75W>", kFilterUndefined, false},
        {"object with its symbol", "SRC>DST:;OBJ      *092345z4903.50N/07201.75W-", 45, true},
        {"message with messages", "SRC>DST::N0CALL   :hi", kFilterMessages, true},
        {"message with status", "SRC>DST::N0CALL   :hi", kFilterStatus, false},
        {"status with status", "SRC>DST:>here", kFilterStatus, true},
        {"capabilities with capabilities", "SRC>DST:<IGATE", kFilterCapabilities, true},
        {"telemetry with telemetry", "SRC>DST:T#1,2", kFilterTelemetry, true},
        {"telemetry with capabilities", "SRC>DST:T#1,2", kFilterCapabilities, false},
    };
    for (const auto& r : rows) {
        FilterFlags flags{};
        flags[static_cast<std::size_t>(r.flag)] = 1;
        const DecodedPacket shown = decode(r.line, {}, flags), all = decode(r.line);
        EXPECT_TRUE(shown.recognised) << r.name;
        EXPECT_EQ(shown.record, r.shown ? all.record : "") << r.name;
        EXPECT_EQ(shown.placemark.has_value(), r.shown && all.placemark.has_value()) << r.name;
        // A hidden station still offers its coordinates for the clipboard.
        EXPECT_EQ(shown.lastCoordinates, all.lastCoordinates) << r.name;
    }
}

std::vector<std::string> corpusLines() {
    std::ifstream in(std::string(QUILMO_SHARED_DATA) + "/aprs-test-packets.tnc2", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every packet of the shared corpus, whole or cut short anywhere as a lost carrier leaves it, with and
// without an own position, decodes to a well-formed record or to nothing; the sanitizer build turns any
// read outside a line into a failure here.
TEST(Corpus, EveryPacketDecodesSafely) {
    const std::vector<std::string> lines = corpusLines();
    if (lines.empty()) GTEST_SKIP() << "packet corpus not found";
    EXPECT_EQ(lines.size(), 414u);
    DecoderSettings own;
    own.myPositionSet = true;
    own.myLatValue = 44.5;
    own.myLongValue = 11.3;
    own.speedZero = 1;
    int whole = 0;
    for (const std::string& line : lines) {
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
    EXPECT_GT(whole, 700);  // under both settings, all but a few dozen packets are shown
}

// The same text split into reads of any size yields the same packet lines.
TEST(Corpus, ReadSizeDoesNotChangeLines) {
    std::string stream;
    for (const std::string& line : corpusLines()) stream += line + "\r\n";
    if (stream.empty()) GTEST_SKIP() << "packet corpus not found";
    auto assemble = [&](std::size_t readSize) {
        AprsLineAssembler assembler;
        std::vector<std::string> out;
        for (std::size_t at = 0; at < stream.size(); at += readSize) assembler.append(std::string_view(stream).substr(at, readSize), out);
        return out;
    };
    const std::vector<std::string> whole = assemble(stream.size());
    EXPECT_GE(whole.size(), 400u);
    for (std::size_t readSize : {1u, 2u, 7u, 64u, 1000u}) EXPECT_EQ(assemble(readSize), whole) << readSize;
}

}  // namespace
}  // namespace quilmo
