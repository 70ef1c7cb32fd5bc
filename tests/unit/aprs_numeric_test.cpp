#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "aprs/numeric.h"

namespace quilmo {
namespace {

struct ReadCase {
    const char* name;
    const char* text;
    double value;
};

const ReadCase kReadCases[] = {
    {"leading_zeros", "036", 36},
    {"dots_only", "...", 0},
    {"empty", "", 0},
    {"blanks_inside", " 1 2.5", 12.5},
    {"negative", "-05", -5},
    {"trailing_point", "5.", 5},
    {"fraction_without_zero", "-.5", -0.5},
    {"stops_at_letter", "+7x", 7},
    {"hemisphere_is_no_exponent", "12E", 12},
    {"exponent", "1e3", 1000},
    {"no_digits", "abc", 0},
    {"sign_alone", "-", 0},
    {"point_alone", ".", 0},
    {"too_large", "1e999", 0},
    {"second_point_ends", "1.2.3", 1.2},
};

TEST(ReadNumber, TakesLongestLeadingNumber) {
    for (const ReadCase& c : kReadCases) EXPECT_DOUBLE_EQ(readNumber(c.text), c.value) << c.name;
}

struct RoundCase {
    double value;
    double rounded;
};

TEST(RoundHalfEven, HalvesGoToEvenNeighbour) {
    const RoundCase cases[] = {{1012.5, 1012}, {1013.5, 1014}, {-2.5, -2}, {0.5, 0},
                               {2.4, 2},       {2.6, 3},       {-3.5, -4}, {67.1017, 67}};
    for (const RoundCase& c : cases) EXPECT_EQ(roundHalfEven(c.value), c.rounded) << c.value;
    EXPECT_FALSE(std::signbit(roundHalfEven(-0.4))) << "a rounded zero is never shown as -0";
}

struct TextCase {
    double value;
    const char* text;
};

TEST(NumericText, WritesProgramNumberForm) {
    const TextCase cases[] = {
        {79.2, " 79.2"},
        {67, " 67"},
        {-21, "-21"},
        {0.5, " .5"},
        {-0.5, "-.5"},
        {0, " 0"},
        {-0.0, " 0"},
        {44.0 + 30.0 / 60 + 30.0 / 3600, " 44.5083333333333"},
        {30.6, " 30.6"},
        {0.001, " .001"},
        {1e15, " 1E+15"},
        {1e-5, " 1E-05"},
        {123456789012345678.0, " 1.23456789012346E+17"},
        {NAN, " 0"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(numericText(c.value), c.text) << c.value;
        const std::string expectedTrimmed = c.text[0] == ' ' ? c.text + 1 : c.text;
        EXPECT_EQ(trimmedNumericText(c.value), expectedTrimmed) << c.value;
    }
}

}  // namespace
}  // namespace quilmo
