#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "aprs/decoder.h"
#include "aprs/filter_file.h"
#include "aprs/filter_flags.h"
#include "aprs/framing.h"
#include "aprs/geometry.h"
#include "aprs/numeric.h"

namespace quilmo {
namespace {

using namespace std::string_literals;

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
        {"compressed overlay table", "SRC>DST:!D5L!!<*e7#   ", record("SRC>DST:", {kCompLatLon, kCompDec})},
        {"compressed with timestamp", "SRC>DST:@092345z/5L!!<*e7>7P[",
         record("SRC>DST:", {kCompLatLon, kCompDec, "speed....: 67 km/h", "course...: 88" + kDeg + "E", "station..: Car"})},
        {"header on its own line", "SRC>DST,PATH:\r\n!4903.50N/07201.75W-", position({"station..: Home"}, "SRC>DST,PATH:")},
        {"ambiguous digits count as 0", "SRC>DST:!602 .  S/0250 .  W#",
         record("SRC>DST:", {"lat./lon.: 60" + kDeg + "2 '0\"S 25" + kDeg + "0 '0\"W", "dec.coord: -60.3333333333333 -25",
                             "station..: Digipeater"})},
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
    });
    expectRecords({{"zero speed shown with SPEEDZERO", "SRC>DST:!4903.50N/07201.75W>000/000",
                    position({"speed....: 0 km/h", "course...: 0" + kDeg + "N", "station..: Car"})}}, {.speedZero = 1});
}

TEST(Decoder, PlacemarkAndDistanceFromOwnPosition) {
    const DecodedPacket plain = decode("SRC>DEST,PATH:!4903.50N/07201.75W-");
    ASSERT_TRUE(plain.placemark.has_value());
    EXPECT_EQ(plain.placemark->name + "|" + plain.placemark->when + "|" + plain.placemark->coordinates,
              "09:05:03 SRC>DEST,PATH:|2026-12-05T09:05:03|-72.0291666666667,49.0583333333333,0");
    EXPECT_EQ(plain.lastCoordinates, "49" + kDeg + "03'30\"N 72" + kDeg + "01'45\"W");
    EXPECT_EQ(decode("SRC>DST:!/5L!!<*e7>S]S").placemark->coordinates, "-72.75,49.5,3049");
    const DecoderSettings own{.myPositionSet = true, .myLatValue = 44.5, .myLongValue = 11.0 + 20.0 / 60};
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
        {"rain 0.254 mm", wx + "p100", position({station, "rain 24h.: 25 mm"})},
        {"placeholders", wx + "g...t   h..b.....", position({station})},
        {"short field is text", wx + "g5", position({station, "message..: g5"})},
        {"unknown letter ends fields", wx + "t077xt050", position({station, "temperat.: 25" + kDeg + "C", "message..: xt050"})},
        {"text first", wx + "Hello t077", position({station, "message..: Hello t077"})},
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
    const DecoderSettings own{.myPositionSet = true, .myLatValue = 44.5, .myLongValue = 11.3, .speedZero = 1};
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
    std::vector<std::vector<std::string>> byReadSize;
    for (const std::size_t readSize : {stream.size() + 1, std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{1000}}) {
        AprsLineAssembler assembler;
        std::vector<std::string>& out = byReadSize.emplace_back();
        for (std::size_t at = 0; at < stream.size(); at += readSize) assembler.append(std::string_view(stream).substr(at, readSize), out);
        EXPECT_EQ(out, byReadSize.front()) << readSize;
    }
    EXPECT_GE(byReadSize.front().size(), 400u);
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

TEST(Geometry, DistanceAndInitialBearing) {
    const struct { const char* name; double ownLon, ownLat, lon, lat; std::int32_t km; int azimuth; const char* sector; } rows[] = {
        {"north east", 11.0 + 20.0 / 60, 44.5, 12, 45, 77, 43, "NE"},
        {"same point", 12, 45, 12, 45, 0, 0, "N"},
        {"due south", 10, 45, 10, 40, 556, 180, "S"},
        {"equal latitude east", 11.5, 44.5, 12, 44.5, 40, 90, "E"},
        {"equal latitude west", 11.5, 44.5, 11, 44.5, 40, 270, "W"},
        {"south west", 10, 45, 9, 44, 137, 216, "SW"},
        {"north west", 10, 45, 9, 46, 136, 325, "NW"},
        {"opposite side", 0, 0, 180, 0, 20015, 90, "E"},
    };
    for (const auto& r : rows) {
        const DistanceAzimuth da = computeDistanceAzimuth(r.ownLon, r.ownLat, r.lon, r.lat);
        EXPECT_EQ(da.distanceKm, r.km) << r.name;
        EXPECT_EQ(da.azimuthDeg, r.azimuth) << r.name;
        EXPECT_EQ(compassSector(da.azimuthDeg), r.sector) << r.name;
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
        {"read ends mid line", {"A>B:>", "1\r\nC>D", ":>2\r\n"}, {"A>B:>1", "C>D:>2"}},
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
    };
    for (const auto& r : rows) {
        AprsLineAssembler assembler;
        std::vector<std::string> lines;
        for (const std::string& read : r.reads) assembler.append(read, lines);
        EXPECT_EQ(lines, r.lines) << r.name;
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
        {"empty file", "", {0}},
        {"LF line ends, last without", "35\n62", {35, 62}},
        {"blank line", "62\r\n\r\n118\r\n", {0, 62, 118}},
        {"leading blanks, text after digits", "   62 car\r\n", {62}},
        {"too large for 16 bits", "70000\r\n-62", {0}},
        {"bounds", "255\r\n256\r\n", {0, 255}},
        {"fractions round half to even", "62.5\r\n35.5\r\n117.7\r\n", {36, 62, 118}},
        {"NUL line", "\0\r\n5\r\n"s, {0, 5}},
    };
    for (const auto& r : rows) EXPECT_EQ(selected(parseFilterFile(r.bytes)), r.expected) << r.name;
}

TEST(FilterFile, AscendingCrLfLinesOfTheOnesAndAllWhenEmpty) {
    const struct { const char* name; std::set<int> ones, twos; std::string file; } rows[] = {
        {"nothing selected", {}, {}, "0\r\n"},
        {"any order in", {118, 35, 5, 0}, {}, "0\r\n5\r\n35\r\n118\r\n"},
        {"256 never written", {255, 256}, {}, "255\r\n"},
        {"only 1 counts as selected", {}, {62}, "0\r\n"},
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

}  // namespace
}  // namespace quilmo
