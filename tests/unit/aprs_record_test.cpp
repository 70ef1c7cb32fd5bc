#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "aprs/filter_flags.h"
#include "aprs/record.h"
#include "aprs/symbols.h"

namespace quilmo {
namespace {

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

// The decoder-level filter tests cover the classes; these are the guards around them.
TEST(Filter, OnlyOneCountsAndIndexStaysInTable) {
    FilterFlags flags{};
    flags[kFilterAll] = 2;
    flags[kFilterUndefined] = 1;
    EXPECT_FALSE(classRecordPasses(flags, kFilterStatus));
    EXPECT_FALSE(symbolRecordPasses(flags, 300));
    EXPECT_FALSE(symbolRecordPasses(flags, -1));
    EXPECT_TRUE(symbolRecordPasses(flags, 256));  // unnamed
    EXPECT_TRUE(classRecordPasses(showAllFilter(), kFilterTelemetry));
}

}  // namespace
}  // namespace quilmo
