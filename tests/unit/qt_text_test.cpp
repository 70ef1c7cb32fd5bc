#include "platform/qt_text.h"

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

}  // namespace
}  // namespace quilmo
