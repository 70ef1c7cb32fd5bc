#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "aprs/filter_flags.h"
#include "aprs/record.h"
#include "aprs/symbols.h"

namespace quilmo {
namespace {

const LocalTime kNow{2026, 12, 5, 9, 5, 3};

TEST(Record, FrameAroundBranchLines) {
    const std::string opening = openingLine("-------", kNow);
    EXPECT_EQ(opening, "------- 2026-12-05 09:05 ------\r\n");
    EXPECT_EQ(openingLine("-MIC-E-", kNow), "-MIC-E- 2026-12-05 09:05 ------\r\n");
    EXPECT_EQ(assembleRecord(opening, "SRC>DST:", {"a..: 1", "", "b..: 2"}),
              "------- 2026-12-05 09:05 ------\r\nSRC>DST:\r\na..: 1\r\nb..: 2\r\n\r\n");
    EXPECT_EQ(assembleRecord(opening, "", {}), "------- 2026-12-05 09:05 ------\r\n\r\n\r\n");
}

TEST(Record, PositionTextsWithAndWithoutOwnPosition) {
    const std::string lat = "45\xB0" "00'0\"N";
    const std::string lon = "12\xB0" "00'0\"E";
    const DecoderSettings none;
    const PositionTexts plain = makePositionTexts(" " + lat, lon + " ", none);
    EXPECT_EQ(plain.latLonLine, "lat./lon.: " + lat + " " + lon);
    EXPECT_EQ(plain.decCoordLine, "dec.coord: 45 12");
    EXPECT_EQ(plain.distanceLine, "");
    EXPECT_EQ(plain.azimuthLine, "");
    EXPECT_EQ(plain.lastCoordinates, " " + lat + " " + lon + " ");

    DecoderSettings own;
    own.myPositionSet = true;
    own.myLatValue = 44.5;
    own.myLongValue = 11.0 + 20.0 / 60;
    const PositionTexts geo = makePositionTexts(lat, lon, own);
    EXPECT_EQ(geo.distanceLine, "distance.: 77 km");
    EXPECT_EQ(geo.azimuthLine, "azimut...: 43\xB0" "NE");

    const Placemark mark = makePlacemark(kNow, "SRC>DEST,PATH:", geo, "0");
    EXPECT_EQ(mark.name, "09:05:03 SRC>DEST,PATH:");
    EXPECT_EQ(mark.when, "2026-12-05T09:05:03");
    EXPECT_EQ(mark.coordinates, "12,45,0");
}

TEST(Record, SpeedAndCourseLines) {
    EXPECT_EQ(speedLine(67), "speed....: 67 km/h");
    EXPECT_EQ(courseLine(88), "course...: 88\xB0" "E");
    EXPECT_EQ(courseLine(400), "course...: 400\xB0");
}

struct StationCase {
    const char* table;
    const char* code;
    int index;
    const char* line;
};

TEST(Symbols, StationLineOnlyForNamedPrimarySymbols) {
    const StationCase cases[] = {
        {"/", ">", 62, "station..: Car"}, {"/", "!", 33, ""},          {"\\", ">", 0, ""},
        {"D", "#", 0, ""},                {"/", "", 0, ""},            {"/", "f", 102, "station..: Fire truk"},
        {"/", "\xFF", 255, ""},           {"/", "_", 95, "station..: Weather station"},
    };
    for (const StationCase& c : cases) {
        const StationSymbol s = lookUpStation(c.table, c.code);
        EXPECT_EQ(s.symbolIndex, c.index) << c.table << c.code;
        EXPECT_EQ(s.stationLine, c.line) << c.table << c.code;
    }
}

TEST(Symbols, TwentySixNamesDigipeaterFirstVanLast) {
    std::vector<std::string> named;
    for (int code = 6; code <= 255; ++code)
        if (!symbolNames()[static_cast<std::size_t>(code)].empty())
            named.push_back(symbolNames()[static_cast<std::size_t>(code)]);
    ASSERT_EQ(named.size(), 26u);
    EXPECT_EQ(named.front(), "Digipeater");
    EXPECT_EQ(named.back(), "Van");
    EXPECT_TRUE(symbolNames()[0].empty());
    EXPECT_TRUE(symbolNames()[256].empty());
}

struct FilterCase {
    const char* name;
    std::vector<int> set;  // flags set to 1
    int symbolIndex;
    bool symbolPasses;
    bool messagePasses;
};

TEST(Filter, SymbolAndClassRecords) {
    const FilterCase cases[] = {
        {"all", {0}, 62, true, true},
        {"own_symbol", {62}, 62, true, false},
        {"other_symbol", {45}, 62, false, false},
        {"undefined_takes_unnamed", {1}, 33, true, false},
        {"undefined_takes_other_table", {1}, 0, true, false},
        {"undefined_leaves_named", {1}, 62, false, false},
        {"messages_only", {2}, 62, false, true},
        {"nothing", {}, 0, false, false},
        {"index_out_of_range", {1}, 300, false, false},
    };
    for (const FilterCase& c : cases) {
        FilterFlags flags{};
        for (int i : c.set) flags[static_cast<std::size_t>(i)] = 1;
        EXPECT_EQ(symbolRecordPasses(flags, c.symbolIndex), c.symbolPasses) << c.name;
        EXPECT_EQ(classRecordPasses(flags, kFilterMessages), c.messagePasses) << c.name;
    }
    FilterFlags two{};
    two[kFilterAll] = 2;  // only 1 counts as set
    EXPECT_FALSE(classRecordPasses(two, kFilterStatus));
    EXPECT_TRUE(classRecordPasses(showAllFilter(), kFilterTelemetry));
}

}  // namespace
}  // namespace quilmo
