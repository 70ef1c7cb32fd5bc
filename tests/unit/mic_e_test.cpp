#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "aprs/mic_e.h"

namespace quilmo {
namespace {

const LocalTime kNow{2026, 12, 5, 9, 5, 3};

// Expected records are written with "\n" and a UTF-8 "°"; the decoder writes CR LF and byte 0xB0.
std::string wire(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            out += "\r\n";
        } else if (text.substr(i, 2) == "\xC2\xB0") {
            out += '\xB0';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

DecodedPacket decode(std::string_view line, const DecoderSettings& settings = {},
                     const FilterFlags& filter = showAllFilter(), std::string_view objectLine = "") {
    const std::size_t colon = line.find(':');
    const DecodeContext ctx{settings, filter, kNow};
    return decodeMicE(line.substr(0, colon + 1), line.substr(colon + 1), objectLine, ctx);
}

struct Case {
    const char* name;
    const char* line;
    const char* record;
};

// The example station: 44°30'30"N 12°20'6"E, 56 knots, coded course 250, a car, "En Route".
constexpr const char* kExample =
    "-MIC-E- 2026-12-05 09:05 ------\nSRC>\n"
    "lat./lon.: 44°30'30\"N 12°20'6\"E\n"
    "dec.coord: 44.5083333333333 12.335\n"
    "speed....: 104 km/h\ncourse...: 250°W\n"
    "station..: Car\nstatus...: En Route\nmessage..: comment\n\n";

const Case kRecords[] = {
    {"example", "SRC>TT3P50:`(0&!ZN>/comment", kExample},
    {"customBitsGiveNoStatusButDigits", "SRC>AJ3P50:`(0&l!!>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 09°30'30\"N 12°20'6\"E\n"
     "dec.coord: 9.50833333333333 12.335\nstation..: Car\n\n"},
    {"ambiguousUnitsOfHundredthsCountAsZero", "SRC>TT3P2L:`(0&l!!>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'12\"N 12°20'6\"E\n"
     "dec.coord: 44.5033333333333 12.335\nstation..: Car\nstatus...: En Route\n\n"},
    {"ambiguousMinuteKeepsBlank", "SRC>TT3ZLL:`(0&l!!>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°3 '0\"N 12°20'6\"E\n"
     "dec.coord: 44.5 12.335\nstation..: Car\nstatus...: En Route\n\n"},
    {"zInMessagePlaceCarriesNoBit", "SRC>TTZZLL:`(0&l!!>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°  '0\"N 12°20'6\"E\n"
     "dec.coord: 44 12.335\nstation..: Car\n\n"},
    {"kIsCustomAndAmbiguous", "SRC>TTKZLL:`(0&l!!>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°  '0\"N 12°20'6\"E\n"
     "dec.coord: 44 12.335\nstation..: Car\n\n"},
    {"longitudeOffset", "SRC>TT3PP0:`&0&l!!>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'0\"N 110°20'6\"E\n"
     "dec.coord: 44.5 110.335\nstation..: Car\nstatus...: En Route\n\n"},
    {"degrees180To189AndMinutes60Fold", "SRC>TT3PPP:`q[&l!!>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'0\"N 105°3'6\"W\n"
     "dec.coord: 44.5 -105.051666666667\nstation..: Car\nstatus...: En Route\n\n"},
    {"degrees190To199Fold", "SRC>TT3PP0:`{X&l!!>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'0\"N 5°0'6\"E\n"
     "dec.coord: 44.5 5.00166666666667\nstation..: Car\nstatus...: En Route\n\n"},
    {"southernLatitude", "SRC>TT3050:`(0&l!!>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"S 12°20'6\"E\n"
     "dec.coord: -44.5083333333333 12.335\nstation..: Car\nstatus...: En Route\n\n"},
    {"altitudeZero", "SRC>TT3P50:`(0&l!!>/\"3r}",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"N 12°20'6\"E\n"
     "dec.coord: 44.5083333333333 12.335\naltitude.: 0 m\nstation..: Car\nstatus...: En Route\n\n"},
    {"altitudeHighAfterRadioMarkers", "SRC>TT3P50:`(0&l!!>/`%!!}up high _%",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"N 12°20'6\"E\n"
     "dec.coord: 44.5083333333333 12.335\naltitude.: 23124 m\nradio....: Yaesu FTM-400DR\n"
     "station..: Car\nstatus...: En Route\nmessage..: up high\n\n"},
    {"braceInThirdPlaceIsNoAltitude", "SRC>TT3P50:`(0&l!!>/ab}c",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"N 12°20'6\"E\n"
     "dec.coord: 44.5083333333333 12.335\nstation..: Car\nstatus...: En Route\nmessage..: ab}c\n\n"},
    {"symbolOneByteEarlyHidesSpeed", "SRC>TT3P50:`(0&!Z>/moved",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"N 12°20'6\"E\n"
     "dec.coord: 44.5083333333333 12.335\nstation..: Car\nstatus...: En Route\nmessage..: moved\n\n"},
    {"symbolTwoBytesEarlyHidesSpeed", "SRC>TT3P50:`(0&!>/moved",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"N 12°20'6\"E\n"
     "dec.coord: 44.5083333333333 12.335\nstation..: Car\nstatus...: En Route\nmessage..: moved\n\n"},
    {"overlayTableHasNoStation", "SRC>TT3P50:`(0&!ZN#Dx",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"N 12°20'6\"E\n"
     "dec.coord: 44.5083333333333 12.335\nspeed....: 104 km/h\ncourse...: 250°W\n"
     "status...: En Route\nmessage..: x\n\n"},
    {"courseOf360IsNorth", "SRC>TT3P50:`(0&l)X>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"N 12°20'6\"E\n"
     "dec.coord: 44.5083333333333 12.335\nspeed....: 2 km/h\ncourse...: 360°N\n"
     "station..: Car\nstatus...: En Route\n\n"},
    {"shortDestination", "SRC>TT3:`(0&!ZN>/",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°3'0\" 12°20'6\"\n"
     "dec.coord: 44.05 12.335\nspeed....: 104 km/h\ncourse...: 250°W\nstation..: Car\n"
     "status...: En Route\n\n"},
    {"infoCutInLongitude", "SRC>TT3P50:`(0",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: 44°30'30\"N 12°20'0\"E\n"
     "dec.coord: 44.5083333333333 12.3333333333333\nstatus...: En Route\n\n"},
    {"nothingButDataType", "SRC>:`",
     "-MIC-E- 2026-12-05 09:05 ------\nSRC>\nlat./lon.: °'0\" 0°0'0\"\ndec.coord: 0 0\n\n"},
};

class MicERecord : public testing::TestWithParam<Case> {};

TEST_P(MicERecord, wholeRecordMatches) { EXPECT_EQ(decode(GetParam().line).record, wire(GetParam().record)); }

INSTANTIATE_TEST_SUITE_P(Cases, MicERecord, testing::ValuesIn(kRecords),
                         [](const auto& info) { return std::string(info.param.name); });

// The example with only the destination, header or message bits changed.
std::string exampleWith(std::string_view from, std::string_view to) {
    std::string record = kExample;
    record.replace(record.find(from), from.size(), to);
    return wire(record);
}

TEST(MicE, destinationIsAfterLastGreaterThanWithoutSsidOrPath) {
    const std::pair<const char*, const char*> cases[] = {
        {"SRC>TT3P50,WIDE1-1,WIDE2-1:", "SRC>"},
        {"SRC>TT3P50-2:", "SRC>"},
        {"SRC>TT3P50-15,WIDE2*:", "SRC>"},
        {"ISRC>SRC>DEST,PATH>TT3P50:", "ISRC>SRC>DEST,PATH>"},
    };
    for (const auto& [header, shown] : cases)
        EXPECT_EQ(decode(std::string(header) + "`(0&!ZN>/comment").record, exampleWith("\nSRC>\n", "\n" + std::string(shown) + "\n"))
            << header;
}

TEST(MicE, everyStatusRow) {
    const std::pair<const char*, const char*> rows[] = {
        {"TTS", "Off Duty"},  {"TT3", "En Route"}, {"T4S", "En Service"}, {"T43", "Returning"},
        {"4TS", "Committed"}, {"4T3", "Special"},  {"44S", "Priority"},   {"443", "EMERGENCY"},
    };
    for (const auto& [bits, status] : rows)
        EXPECT_EQ(decode("SRC>" + std::string(bits) + "P50:`(0&!ZN>/comment").record,
                  exampleWith("En Route", status))
            << bits;
}

TEST(MicE, radioRowsAndTheCharactersTheyRemove) {
    struct Row {
        const char* comment;
        const char* radio;    // empty: no radio line
        const char* message;  // empty: no message line
    };
    const Row rows[] = {
        {">TH-D72=", "Kenwood TH-D72", "TH-D72"},  {">walkie v", "Kenwood TH-D7A", "walkie"},
        {">", "Kenwood TH-D7A", ""},               {">=", "Kenwood TH-D72", ""},
        {"]mobile=", "Kenwood TM-D710", "mobile"}, {"]mobilev", "Kenwood TM-D7x", "mobile"},
        {"]mobile", "Kenwood TM-D700", "mobile"},  {"`VX_ ", "Yaesu VX-8", "VX"},
        {"`FTM_\"", "Yaesu FTM-350", "FTM"},       {"`G_#", "Yaesu VX-8G", "G"},
        {"`F_$", "Yaesu FT1D", "F"},               {"`D_%", "Yaesu FTM-400DR", "D"},
        {"`plain", "", "plain"},                   {"'TT_|3", "Byonics TinyTrack3", "TT_"},
        {"'TT|4", "Byonics TinyTrack4", "TT"},     {"'plain|5", "", "plain|5"},
        {" spaced ", "", "spaced"},                {"Xkept", "", "Xkept"},
    };
    for (const Row& row : rows) {
        std::string tail;
        if (*row.radio) tail += "radio....: " + std::string(row.radio) + "\n";
        tail += "station..: Car\nstatus...: En Route\n";
        if (*row.message) tail += "message..: " + std::string(row.message) + "\n";
        EXPECT_EQ(decode("SRC>TT3P50:`(0&!ZN>/" + std::string(row.comment)).record,
                  exampleWith("station..: Car\nstatus...: En Route\nmessage..: comment\n", tail))
            << row.comment;
    }
}

TEST(MicE, zeroSpeedShownOnlyWithSpeedZero) {
    DecoderSettings settings;
    settings.speedZero = 1;
    EXPECT_EQ(decode("SRC>TT3P50:`(0&l!!>/comment", settings).record,
              exampleWith("speed....: 104 km/h\ncourse...: 250°W", "speed....: 0 km/h\ncourse...: 105°E"));
}

TEST(MicE, ownPositionAddsDistanceAndAzimuth) {
    DecoderSettings settings;
    settings.myPositionSet = true;
    settings.myLatValue = 45;
    settings.myLongValue = 12.335;
    EXPECT_EQ(decode("SRC>TT3P50:`(0&!ZN>/comment", settings, showAllFilter(), "object...: LEADER").record,
              exampleWith("12.335\n", "12.335\nobject...: LEADER\ndistance.: 55 km\nazimut...: 180°S\n"));
}

TEST(MicE, placemarkAndCoordinates) {
    const DecodedPacket plain = decode("SRC>TT3P50,WIDE1-1:`(0&!ZN>/comment");
    ASSERT_TRUE(plain.placemark.has_value());
    EXPECT_EQ(plain.placemark->name, "09:05:03 SRC>");
    EXPECT_EQ(plain.placemark->when, "2026-12-05T09:05:03");
    EXPECT_EQ(plain.placemark->coordinates, "12.335,44.5083333333333,0");
    EXPECT_EQ(plain.lastCoordinates, wire("44°30'30\"N 12°20'6\"E"));
    EXPECT_EQ(decode("SRC>TT3P50:`(0&!ZN>/%!!}").placemark->coordinates, "12.335,44.5083333333333,23124");
}

TEST(MicE, filterBySymbol) {
    struct Row {
        const char* name;
        int selected;
        const char* line;
        bool shown;
    };
    const Row rows[] = {
        {"carSelected", 62, "SRC>TT3P50:`(0&!ZN>/x", true},
        {"homeSelectedHidesCar", 45, "SRC>TT3P50:`(0&!ZN>/x", false},
        {"undefinedHidesNamedSymbol", kFilterUndefined, "SRC>TT3P50:`(0&!ZN>/x", false},
        {"undefinedShowsAlternateTable", kFilterUndefined, "SRC>TT3P50:`(0&!ZN>\\x", true},
        {"undefinedShowsUnnamedPrimary", kFilterUndefined, "SRC>TT3P50:`(0&!ZN!/x", true},
        {"messagesOnlyHidesPositions", kFilterMessages, "SRC>TT3P50:`(0&!ZN!/x", false},
    };
    for (const Row& row : rows) {
        FilterFlags flags{};
        flags[static_cast<std::size_t>(row.selected)] = 1;
        const DecodedPacket packet = decode(row.line, {}, flags);
        EXPECT_TRUE(packet.recognised) << row.name;
        EXPECT_EQ(packet.shown, row.shown) << row.name;
        EXPECT_EQ(packet.record.empty(), !row.shown) << row.name;
        EXPECT_EQ(packet.placemark.has_value(), row.shown) << row.name;
        EXPECT_EQ(packet.lastCoordinates, wire("44°30'30\"N 12°20'6\"E")) << row.name;
    }
}

}  // namespace
}  // namespace quilmo
