#include "platform/qt_text.h"

#include <gtest/gtest.h>

#include <string>

namespace quilmo {
namespace {

struct CharCase {
    const char* name;
    std::string byte;
    char16_t codePoint;
};

class Cp1252 : public ::testing::TestWithParam<CharCase> {};

TEST_P(Cp1252, byteAndCharacterMatch) {
    const QString text = fromCp1252(GetParam().byte);
    ASSERT_EQ(text.size(), 1);
    EXPECT_EQ(text.at(0).unicode(), GetParam().codePoint);
    EXPECT_EQ(toCp1252(text), GetParam().byte);
}

const CharCase kChars[] = {
    {"nul", std::string(1, '\0'), 0x0000},
    {"euro", "\x80", 0x20AC},
    {"hole81", "\x81", 0x0081},
    {"sCaron", "\x8A", 0x0160},
    {"hole8D", "\x8D", 0x008D},
    {"emDash", "\x97", 0x2014},
    {"hole9D", "\x9D", 0x009D},
    {"yDiaeresis", "\x9F", 0x0178},
    {"degree", "\xB0", 0x00B0},
    {"eGrave", "\xE8", 0x00E8},
};
INSTANTIATE_TEST_SUITE_P(Table, Cp1252, ::testing::ValuesIn(kChars),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Cp1252RoundTrip, everyByteSurvives) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const QString text = fromCp1252(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(toCp1252(text), all);
}

struct UnmappableCase {
    const char* name;
    QString text;
    std::string bytes;
};

class Cp1252Unmappable : public ::testing::TestWithParam<UnmappableCase> {};

TEST_P(Cp1252Unmappable, becomesQuestionMark) { EXPECT_EQ(toCp1252(GetParam().text), GetParam().bytes); }

const UnmappableCase kUnmappable[] = {
    {"c1ControlNotInTable", QString(QChar(0x0080)), "?"},
    {"greek", QStringLiteral("a\u03B1b"), "a?b"},
    {"cjk", QStringLiteral("\u4E2D"), "?"},
    {"emojiIsOneCharacter", QString::fromUtf8("x\xF0\x9F\x93\xA1y"), "x?y"},
    {"loneSurrogate", QString(QChar(0xD800)), "?"},
};
INSTANTIATE_TEST_SUITE_P(Outside, Cp1252Unmappable, ::testing::ValuesIn(kUnmappable),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quilmo
