#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "kml/xml_text.h"

namespace quilmo {
namespace {

using namespace std::string_literals;

struct TextCase {
    const char* label;
    std::string bytes;     // Windows-1252, as received
    std::string expected;  // UTF-8 element content
};
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.label; }

class XmlElementText : public testing::TestWithParam<TextCase> {};

TEST_P(XmlElementText, escapesAndConverts) {
    EXPECT_EQ(xmlElementText(GetParam().bytes), GetParam().expected);
}

const TextCase kElementTexts[] = {
    {"plain_header", "09:05:03 SRC>DEST,WIDE1-1:", "09:05:03 SRC&gt;DEST,WIDE1-1:"},
    {"ampersand_and_angles", "a&b<c>d&amp;", "a&amp;b&lt;c&gt;d&amp;amp;"},
    {"degree_sign", "44\xB0", "44\xC2\xB0"},
    {"euro_from_high_controls", "\x80", "\xE2\x82\xAC"},
    {"last_high_control_y_diaeresis", "\x9F", "\xC5\xB8"},
    {"left_double_quote", "\x93", "\xE2\x80\x9C"},
    {"undefined_byte_keeps_code_point", "\x81\x9D", "\xC2\x81\xC2\x9D"},
    {"no_break_space", "\xA0", "\xC2\xA0"},
    {"latin_small_y_diaeresis", "\xFF", "\xC3\xBF"},
    {"nul_replaced", "a\0b"s, "a\xEF\xBF\xBD" "b"},
    {"bell_and_escape_replaced", "\x07\x1B", "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"tab_kept", "a\tb", "a\tb"},
    {"line_ends_as_references", "a\r\nb", "a&#13;&#10;b"},
    {"delete_kept", "\x7F", "\x7F"},
    {"empty", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, XmlElementText, testing::ValuesIn(kElementTexts),
                         [](const auto& info) { return std::string(info.param.label); });

// Decodes one UTF-8 sequence of 1 to 3 bytes; -1 when malformed.
long decodeUtf8(const std::string& s) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    if (s.size() == 1 && b(0) < 0x80) return b(0);
    if (s.size() == 2 && (b(0) & 0xE0) == 0xC0 && (b(1) & 0xC0) == 0x80)
        return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    if (s.size() == 3 && (b(0) & 0xF0) == 0xE0 && (b(1) & 0xC0) == 0x80 && (b(2) & 0xC0) == 0x80)
        return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    return -1;
}

TEST(Cp1252ToUtf8, everyByteIsOneWellFormedCharacter) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        EXPECT_GE(decodeUtf8(cp1252ToUtf8(one)), 0) << "byte " << byte;
    }
}

TEST(Cp1252ToUtf8, asciiAndLatin1RangesKeepTheirCodePoints) {
    for (int byte = 0; byte < 256; ++byte) {
        if (byte >= 0x80 && byte < 0xA0) continue;
        EXPECT_EQ(decodeUtf8(cp1252ToUtf8(std::string(1, static_cast<char>(byte)))), byte) << "byte " << byte;
    }
}

TEST(Cp1252ToUtf8, highControlsAreTheWindowsPunctuation) {
    const struct {
        unsigned char byte;
        long codePoint;
    } kRows[] = {{0x80, 0x20AC}, {0x85, 0x2026}, {0x8A, 0x0160}, {0x8E, 0x017D},
                 {0x96, 0x2013}, {0x99, 0x2122}, {0x9C, 0x0153}, {0x9E, 0x017E}};
    for (const auto& row : kRows)
        EXPECT_EQ(decodeUtf8(cp1252ToUtf8(std::string(1, static_cast<char>(row.byte)))), row.codePoint)
            << "byte " << int(row.byte);
}

}  // namespace
}  // namespace quilmo
