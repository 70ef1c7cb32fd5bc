#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

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

struct ParseCase {
    const char* label;
    std::string bytes;
    std::set<int> expected;
};
void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.label; }

class ParseFilterFile : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseFilterFile, selectsIndices) {
    const FilterFlags flags = parseFilterFile(GetParam().bytes);
    EXPECT_EQ(selected(flags), GetParam().expected);
    for (const int flag : flags) EXPECT_TRUE(flag == 0 || flag == 1) << flag;
}

const ParseCase kParse[] = {
    {"empty_file_selects_all", "", {0}},
    {"all_and_car", "0\r\n62\r\n", {0, 62}},
    {"car_only", "62\r\n", {62}},
    {"too_large_becomes_all", "62\r\n300", {0, 62}},
    {"last_line_without_line_end", "35\r\n62", {35, 62}},
    {"lf_only_line_ends", "35\n62\n", {35, 62}},
    {"blank_line_selects_all", "62\r\n\r\n118\r\n", {0, 62, 118}},
    {"line_of_blanks_selects_all", "   \r\n", {0}},
    {"leading_blanks_skipped", "   62\r\n", {62}},
    {"text_after_digits_ignored", "62 car\r\n", {62}},
    {"letters_only_selects_all", "car\r\n", {0}},
    {"negative_selects_all", "-62\r\n", {0}},
    {"minus_one_selects_all", "-1\r\n62\r\n", {0, 62}},
    {"too_large_for_16_bits_selects_all", "70000\r\n", {0}},
    {"huge_selects_all", "99999999999999999999999999\r\n", {0}},
    {"upper_bound_kept", "255\r\n", {255}},
    {"just_above_upper_bound_selects_all", "256\r\n", {0}},
    {"class_indices", "1\r\n2\r\n3\r\n4\r\n5\r\n", {1, 2, 3, 4, 5}},
    {"fraction_rounds_half_to_even", "62.5\r\n35.5\r\n", {36, 62}},
    {"fraction_rounds_up", "61.7\r\n", {62}},
    {"repeated_index_once", "62\r\n62\r\n", {62}},
    {"unordered_lines", "118\r\n35\r\n", {35, 118}},
    {"nul_byte_line_selects_all", "\0\r\n62\r\n"s, {0, 62}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParseFilterFile, testing::ValuesIn(kParse),
                         [](const auto& info) { return std::string(info.param.label); });

struct FormatCase {
    const char* label;
    std::vector<int> set;       // flags set to 1
    std::vector<int> setOther;  // flags holding neither 0 nor 1
    std::string expected;
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.label; }

class FormatFilterFile : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatFilterFile, writesAscendingCrLfLines) {
    FilterFlags flags{};
    for (const int i : GetParam().set) flags[i] = 1;
    for (const int i : GetParam().setOther) flags[i] = 2;
    EXPECT_EQ(formatFilterFile(flags), GetParam().expected);
}

const FormatCase kFormat[] = {
    {"nothing_forces_all", {}, {}, "0\r\n"},
    {"all_and_car", {62, 0}, {}, "0\r\n62\r\n"},
    {"ascending_whatever_order_set", {118, 35, 5, 62}, {}, "5\r\n35\r\n62\r\n118\r\n"},
    {"upper_bound", {255}, {}, "255\r\n"},
    {"index_256_never_written", {256}, {}, "0\r\n"},
    {"only_value_1_counts", {}, {62}, "0\r\n"},
    {"other_values_beside_a_selection", {35}, {62}, "35\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, FormatFilterFile, testing::ValuesIn(kFormat),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(FormatFilterFileFlags, forcingAllChangesTheFlags) {
    FilterFlags flags{};
    formatFilterFile(flags);
    EXPECT_EQ(selected(flags), std::set<int>{0});
}

TEST(FormatFilterFileFlags, aSelectionIsLeftAlone) {
    FilterFlags flags{};
    flags[62] = 1;
    formatFilterFile(flags);
    EXPECT_EQ(selected(flags), std::set<int>{62});
}

TEST(FilterFileRoundTrip, formattedFileReadsBackTheSameSelection) {
    const std::vector<std::set<int>> selections = {{0}, {62}, {0, 62}, {1, 2, 3, 4, 5}, {35, 39, 118, 255}};
    for (const auto& selection : selections) {
        FilterFlags flags{};
        for (const int i : selection) flags[i] = 1;
        EXPECT_EQ(selected(parseFilterFile(formatFilterFile(flags))), selection);
    }
}

TEST(FilterBoxes, classesThenNamedSymbolsInCodeOrder) {
    const std::vector<FilterBox> boxes = filterBoxes();
    ASSERT_EQ(boxes.size(), 32u);
    const std::vector<std::string> classes = {"*all", "*undefined", "*messages", "*status report",
                                              "*station capabilities", "*telemetry data"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(boxes[i].caption, classes[i]);
        EXPECT_EQ(boxes[i].index, i);
    }
    EXPECT_EQ(boxes[6].caption, "Digipeater");
    EXPECT_EQ(boxes[6].index, '#');
    EXPECT_EQ(boxes[10].caption, "Car");
    EXPECT_EQ(boxes[10].index, '>');
    EXPECT_EQ(boxes[24].caption, "Fire truk");
    EXPECT_EQ(boxes[24].index, 'f');
    EXPECT_EQ(boxes[31].caption, "Van");
    EXPECT_EQ(boxes[31].index, 'v');
    for (std::size_t i = 7; i < boxes.size(); ++i) EXPECT_LT(boxes[i - 1].index, boxes[i].index);
}

}  // namespace
}  // namespace quilmo
