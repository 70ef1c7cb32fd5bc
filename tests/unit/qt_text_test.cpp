#include "platform/qt_text.h"

#include "platform/cp1252_utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace quilmo {
namespace {

TEST(Cp1252, BytesAndCharactersMatchBothWays) {
    const struct { std::string byte; char16_t codePoint; } rows[] = {
        {"\x80", 0x20AC}, {"\x81", 0x0081}, {"\x97", 0x2014}, {"\x9F", 0x0178}, {"\xB0", 0x00B0},
    };
    for (const auto& r : rows) {
        const QString text = fromCp1252(r.byte);
        EXPECT_EQ(text, QString(QChar(r.codePoint))) << int(r.codePoint);
        EXPECT_EQ(toCp1252(text), r.byte) << int(r.codePoint);
    }
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(fromCp1252(all).size(), 256);
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
}

TEST(Cp1252, CharactersOutsideBecomeOneQuestionMark) {
    const struct { QString text; std::string bytes; } rows[] = {
        {QString(QChar(0x0080)), "?"},  // C1 control: its byte is the euro sign
        {QStringLiteral("a\u03B1b"), "a?b"},
        {QString::fromUtf8("x\xF0\x9F\x93\xA1y"), "x?y"},  // a surrogate pair is one character
        {QString(QChar(0xD800)), "?"},
    };
    for (const auto& r : rows) EXPECT_EQ(toCp1252(r.text), r.bytes) << r.bytes;
}

// Air text: well-formed UTF-8 sequences are their characters, every other byte its
// Windows-1252 character, on screen and in the UTF-8 files alike.
TEST(AirText, Utf8SequencesAndWindows1252Bytes) {
    const struct { const char* name; std::string bytes; QString shown; } rows[] = {
        {"UTF-8 from today's software", "Citt\xC3\xA0 \xE2\x80\x93 73 \xE2\x9C\x93", QStringLiteral("Citt\u00E0 \u2013 73 \u2713")},
        {"Windows-1252 from older software", "Citt\xE0 \x96 25\xB0" "C", QStringLiteral("Citt\u00E0 \u2013 25\u00B0C")},
        {"both in one text", "25\xB0 \xE2\x9C\x93", QStringLiteral("25\u00B0 \u2713")},
        {"outside the BMP", "\xF0\x9F\x93\xA1", QString::fromUtf8("\xF0\x9F\x93\xA1")},
        {"overlong form", "\xC0\xAF\xE0\x80\xAF", QStringLiteral("\u00C0\u00AF\u00E0\u20AC\u00AF")},
        {"surrogate half", "\xED\xA0\x80", QStringLiteral("\u00ED\u00A0\u20AC")},
        {"past U+10FFFF", "\xF4\x90\x80\x80", QStringLiteral("\u00F4\u0090\u20AC\u20AC")},
        {"cut off at the end", "ok \xE2\x9C", QStringLiteral("ok \u00E2\u0153")},
        {"undefined byte inside a sequence", "\xD0\x81 \x81", QStringLiteral("\u0401 \u0081")},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(fromAirText(r.bytes), r.shown) << r.name;
        std::string utf8;
        appendAirTextAsUtf8(utf8, r.bytes);
        EXPECT_EQ(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), r.shown) << r.name;
    }
    EXPECT_TRUE(fitsCp1252(QStringLiteral("Citt\u00E0 \u2013 \u20AC 25\u00B0")));
    EXPECT_FALSE(fitsCp1252(QStringLiteral("73 \u2713")));
}

}  // namespace
}  // namespace quilmo
