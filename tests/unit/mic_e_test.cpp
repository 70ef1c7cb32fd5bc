#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "aprs/mic_e.h"

namespace quilmo {
namespace {

const LocalTime kNow{2026, 12, 5, 9, 5, 3};

DecodedPacket decode(std::string_view line, const FilterFlags& filter = showAllFilter()) {
    const std::size_t colon = line.find(':');
    return decodeMicE(line.substr(0, colon + 1), line.substr(colon + 1), "", DecodeContext{{}, filter, kNow});
}

// Expectations are written with a UTF-8 "°"; the decoder writes the byte 0xB0.
std::string latin1(std::string text) {
    const std::string_view degree = "°";
    for (std::size_t at; (at = text.find(degree)) != std::string::npos;) text.replace(at, degree.size(), "\xB0");
    return text;
}

// Opening line, header, one line each, then the closing empty line.
std::string record(const std::vector<std::string>& lines, const std::string& header = "SRC>") {
    std::string out = "-MIC-E- 2026-12-05 09:05 ------\r\n" + header;
    for (const std::string& line : lines) out += "\r\n" + line;
    return latin1(out + "\r\n\r\n");
}

// The text after `label`, empty when the record has no such line.
std::string lineOf(const std::string& record, const std::string& label) {
    const std::size_t at = record.find(label);
    if (at == std::string::npos) return "";
    const std::size_t from = at + label.size();
    return record.substr(from, record.find('\r', from) - from);
}

// The example station: 44°30'30"N 12°20'6"E, 56 knots, coded course 250, a car, "En Route".
const std::string kLatLon = "lat./lon.: 44°30'30\"N 12°20'6\"E", kDec = "dec.coord: 44.5083333333333 12.335";
const std::string kCar = "station..: Car", kEnRoute = "status...: En Route";
const std::vector<std::string> kExample = {kLatLon, kDec, "speed....: 104 km/h", "course...: 250°W", kCar, kEnRoute,
                                           "message..: comment"};

TEST(MicE, WholeRecords) {
    const struct { const char* name; std::string line, record; } cases[] = {
        {"example", "SRC>TT3P50:`(0&!ZN>/comment", record(kExample)},
        {"digipeated", "SRC>TT3P50,WIDE1-1,WIDE2-1:`(0&!ZN>/comment", record(kExample)},
        {"SSID", "SRC>TT3P50-2:`(0&!ZN>/comment", record(kExample)},
        {"encapsulated: header up to the last >", "ISRC>SRC>DEST,PATH>TT3P50:`(0&!ZN>/comment", record(kExample, "ISRC>SRC>DEST,PATH>")},
        {"custom A-J are digits", "SRC>AJ3P50:`(0&l!!>/",
         record({"lat./lon.: 09°30'30\"N 12°20'6\"E", "dec.coord: 9.50833333333333 12.335", kCar})},
        {"ambiguous hundredths count as 0", "SRC>TT3P2L:`(0&l!!>/",
         record({"lat./lon.: 44°30'12\"N 12°20'6\"E", "dec.coord: 44.5033333333333 12.335", kCar, kEnRoute})},
        {"ambiguous minute blank", "SRC>TT3ZLL:`(0&l!!>/", record({"lat./lon.: 44°3 '0\"N 12°20'6\"E", "dec.coord: 44.5 12.335", kCar, kEnRoute})},
        {"K is custom and ambiguous", "SRC>44KZLL:`(0&l!!>/", record({"lat./lon.: 44°  '0\"N 12°20'6\"E", "dec.coord: 44 12.335", kCar})},
        {"south", "SRC>TT3050:`(0&l!!>/", record({"lat./lon.: 44°30'30\"S 12°20'6\"E", "dec.coord: -44.5083333333333 12.335", kCar, kEnRoute})},
        {"longitude offset", "SRC>TT3PP0:`&0&l!!>/", record({"lat./lon.: 44°30'0\"N 110°20'6\"E", "dec.coord: 44.5 110.335", kCar, kEnRoute})},
        {"degrees 180-189 and minutes 60+ fold", "SRC>TT3PPP:`q[&l!!>/",
         record({"lat./lon.: 44°30'0\"N 105°3'6\"W", "dec.coord: 44.5 -105.051666666667", kCar, kEnRoute})},
        {"190-199 degrees fold", "SRC>TT3PP0:`{X&l!!>/", record({"lat./lon.: 44°30'0\"N 5°0'6\"E", "dec.coord: 44.5 5.00166666666667", kCar, kEnRoute})},
        {"altitude 0", "SRC>TT3P50:`(0&l!!>/\"3r}", record({kLatLon, kDec, "altitude.: 0 m", kCar, kEnRoute})},
        {"altitude inside radio markers", "SRC>TT3P50:`(0&l!!>/`%!!}up high _%",
         record({kLatLon, kDec, "altitude.: 23124 m", "radio....: Yaesu FTM-400DR", kCar, kEnRoute, "message..: up high"})},
        // A symbol table one or two places early means the speed and course bytes are missing.
        {"symbol one byte early", "SRC>TT3P50:`(0&!Z>/moved", record({kLatLon, kDec, kCar, kEnRoute, "message..: moved"})},
        {"symbol two bytes early", "SRC>TT3P50:`(0&!>/moved", record({kLatLon, kDec, kCar, kEnRoute, "message..: moved"})},
        // Without a position the rest of the record stands (aprs_test holds the table of those).
        {"short destination", "SRC>TT3:`(0&!ZN>/", record({"speed....: 104 km/h", "course...: 250°W", kCar, kEnRoute})},
    };
    for (const auto& c : cases) EXPECT_EQ(decode(c.line).record, c.record) << c.name;
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
        {">TH-D72=", "Kenwood TH-D72", "TH-D72"},  {">walkie v", "Kenwood TH-D7A", "walkie"},
        {">", "Kenwood TH-D7A", ""},               {"]mobile=", "Kenwood TM-D710", "mobile"},
        {"]mobilev", "Kenwood TM-D7x", "mobile"},  {"]mobile", "Kenwood TM-D700", "mobile"},
        {"`VX_ ", "Yaesu VX-8", "VX"},             {"`FTM_\"", "Yaesu FTM-350", "FTM"},
        {"`G_#", "Yaesu VX-8G", "G"},              {"`F_$", "Yaesu FT1D", "F"},
        {"`D_%", "Yaesu FTM-400DR", "D"},          {"`plain", "", "plain"},
        {"'TT_|3", "Byonics TinyTrack3", "TT_"},   {"'TT|4", "Byonics TinyTrack4", "TT"},
        {"'plain|5", "", "plain|5"},               {" spaced ", "", "spaced"},
        {"ab}c", "", "ab}c"},  // no marker, and a "}" in third place is no altitude
    };
    for (const auto& r : rows) {
        const std::string text = decode("SRC>TT3P50:`(0&!ZN>/" + std::string(r.comment)).record;
        EXPECT_EQ(lineOf(text, "radio....: "), r.radio) << r.comment;
        EXPECT_EQ(lineOf(text, "message..: "), r.message) << r.comment;
    }
}

// Only a shown record gets a placemark; a hidden one still offers its coordinates for the clipboard,
// ambiguous digits left blank.
TEST(MicE, FilterPlacemarkAndLastCoordinates) {
    const struct { const char* name; int flag; const char* line; const char* placemark; const char* last; } rows[] = {
        {"car with car", 62, "SRC>TT3P50:`(0&!ZN>/x", "12.335,44.5083333333333,0", "44°30'30\"N 12°20'6\"E"},
        {"altitude", 62, "SRC>TT3P50:`(0&!ZN>/%!!}", "12.335,44.5083333333333,23124", "44°30'30\"N 12°20'6\"E"},
        {"ambiguous", 62, "SRC>TT3ZLL:`(0&!ZN>/", "12.335,44.5,0", "44°3 '0\"N 12°20'6\"E"},
        {"car with home", 45, "SRC>TT3P50:`(0&!ZN>/x", "", "44°30'30\"N 12°20'6\"E"},
    };
    for (const auto& r : rows) {
        FilterFlags flags{};
        flags[static_cast<std::size_t>(r.flag)] = 1;
        const DecodedPacket p = decode(r.line, flags);
        EXPECT_TRUE(p.recognised) << r.name;
        EXPECT_EQ(p.record.empty(), !*r.placemark) << r.name;
        EXPECT_EQ(p.placemark ? p.placemark->coordinates : "", r.placemark) << r.name;
        EXPECT_EQ(p.lastCoordinates, latin1(r.last)) << r.name;
    }
}

}  // namespace
}  // namespace quilmo
