#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "aprs/filter_file.h"

namespace quilmo {
namespace {

using namespace std::string_literals;

std::set<int> selected(const FilterFlags& flags) {
    std::set<int> out;
    for (int i = 0; i < static_cast<int>(flags.size()); ++i)
        if (flags[i] != 0) out.insert(i);
    return out;
}

TEST(ParseFilterFile, oneIndexPerLineAndAllForAnythingElse) {
    const struct { const char* label; std::string bytes; std::set<int> expected; } rows[] = {
        {"empty file", "", {0}},
        {"all and car", "0\r\n62\r\n", {0, 62}},
        {"too large beside car", "62\r\n300", {0, 62}},
        {"last line without line end", "35\r\n62", {35, 62}},
        {"lf line ends", "35\n62\n", {35, 62}},
        {"blank line", "62\r\n\r\n118\r\n", {0, 62, 118}},
        {"leading blanks, text after digits", "   62 car\r\n", {62}},
        {"letters only", "car\r\n", {0}},
        {"negative", "-62\r\n5\r\n", {0, 5}},
        {"too large for 16 bits", "70000\r\n", {0}},
        {"huge", "99999999999999999999999999\r\n", {0}},
        {"bounds", "255\r\n256\r\n", {0, 255}},
        {"fractions round half to even", "62.5\r\n35.5\r\n117.7\r\n", {36, 62, 118}},
        {"nul line", "\0\r\n5\r\n"s, {0, 5}},
    };
    for (const auto& row : rows) EXPECT_EQ(selected(parseFilterFile(row.bytes)), row.expected) << row.label;
}

TEST(FormatFilterFile, ascendingCrLfLinesAndAllWhenEmpty) {
    const struct { const char* label; std::set<int> ones; std::set<int> twos; std::string file; std::set<int> after; } rows[] = {
        {"nothing selected", {}, {}, "0\r\n", {0}},
        {"any order in", {118, 35, 5, 0}, {}, "0\r\n5\r\n35\r\n118\r\n", {0, 5, 35, 118}},
        {"upper bound; 256 never written", {255, 256}, {}, "255\r\n", {255, 256}},
        {"only 1 counts as selected", {}, {62}, "0\r\n", {0, 62}},
    };
    for (const auto& row : rows) {
        FilterFlags flags{};
        for (const int i : row.ones) flags[i] = 1;
        for (const int i : row.twos) flags[i] = 2;
        EXPECT_EQ(formatFilterFile(flags), row.file) << row.label;
        EXPECT_EQ(selected(flags), row.after) << row.label;
        std::set<int> stored;  // what the file gives back: the ones of 0..255
        for (const int i : row.after)
            if (i < 256 && !row.twos.contains(i)) stored.insert(i);
        EXPECT_EQ(selected(parseFilterFile(row.file)), stored) << row.label;
    }
}

TEST(FilterBoxes, classesThenNamedSymbolsInCodeOrder) {
    const auto boxes = filterBoxes();
    ASSERT_EQ(boxes.size(), 32u);
    for (const auto& [pos, caption, index] : {std::tuple{0, "*all"s, 0}, {4, "*station capabilities"s, 4},
                                              {5, "*telemetry data"s, 5}, {6, "Digipeater"s, 35}, {31, "Van"s, 118}})
        EXPECT_EQ(boxes[pos].caption + "=" + std::to_string(boxes[pos].index), caption + "=" + std::to_string(index));
    for (std::size_t i = 7; i < boxes.size(); ++i) EXPECT_LT(boxes[i - 1].index, boxes[i].index);
}

}  // namespace
}  // namespace quilmo
