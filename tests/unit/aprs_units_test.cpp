#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "aprs/filter_file.h"
#include "aprs/filter_flags.h"
#include "aprs/framing.h"
#include "aprs/geometry.h"
#include "aprs/numeric.h"

namespace quilmo {
namespace {

using namespace std::string_literals;

TEST(Numeric, ReadNumberTakesTheLongestLeadingNumber) {
    const struct { const char* text; double value; } rows[] = {
        {"...", 0}, {" 1 2.5", 12.5}, {"-.5", -0.5}, {"+7x", 7}, {"12E", 12},  // a hemisphere is no exponent
        {"1e3", 1000}, {"abc", 0}, {"1e999", 0}, {"1.2.3", 1.2},
    };
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(readNumber(r.text), r.value) << r.text;
}

TEST(Numeric, HalvesGoToTheEvenNeighbour) {
    for (const auto& [value, rounded] : {std::pair{1012.5, 1012.0}, {1013.5, 1014.0}, {-2.5, -2.0}, {-3.5, -4.0}, {0.5, 0.0}, {2.6, 3.0}})
        EXPECT_EQ(roundHalfEven(value), rounded) << value;
    EXPECT_FALSE(std::signbit(roundHalfEven(-0.4))) << "a rounded zero is never shown as -0";
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
        {0, "N"}, {22.5, "N"}, {22.55, "NE"}, {67.5, "NE"}, {67.6, "E"}, {112.5, "E"}, {113, "SE"}, {157, "SE"},
        {158, "S"}, {202, "S"}, {203, "SW"}, {247, "SW"}, {248, "W"}, {292, "W"}, {293, "NW"}, {337.5, "NW"},
        {337.55, "N"}, {360, "N"}, {360.5, ""}, {-1, ""}, {NAN, ""},
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
        {"two headers in a row", {"A>B:\r\nC>D:\r\n>x\r\n"}, {"A>B:", "C>D:>x"}},
        {"unfinished line waits", {"A>B:>1"}, {}},
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
        {"too large beside car", "62\r\n300", {0, 62}},
        {"LF line ends, last without", "35\n62", {35, 62}},
        {"blank line", "62\r\n\r\n118\r\n", {0, 62, 118}},
        {"leading blanks, text after digits", "   62 car\r\n", {62}},
        {"negative", "-62\r\n5\r\n", {0, 5}},
        {"too large for 16 bits", "70000\r\n", {0}},
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

TEST(FilterFile, BoxesAreTheClassesThenNamedSymbolsInCodeOrder) {
    const std::vector<FilterBox> boxes = filterBoxes();
    ASSERT_EQ(boxes.size(), 32u);
    EXPECT_EQ(boxes[5].caption + boxes[6].caption + boxes[31].caption, "*telemetry dataDigipeaterVan");
    for (std::size_t i = 1; i < boxes.size(); ++i) EXPECT_LT(boxes[i - 1].index, boxes[i].index);
}

}  // namespace
}  // namespace quilmo
