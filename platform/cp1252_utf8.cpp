#include "platform/cp1252_utf8.h"

#include <array>

namespace quilmo {
namespace {

// Code points of bytes 0x80..0x9F, where Windows-1252 differs from Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

char32_t cp1252CodePoint(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : byte;
}

std::size_t utf8SequenceAt(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    std::size_t length = 0;
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= bytes.size()) return kUtf8Incomplete;
        const auto byte = static_cast<unsigned char>(bytes[at + i]);
        if (i == 1 ? (byte < low || byte > high) : !isContinuation(byte)) return 0;
    }
    return length;
}

char32_t utf8CodePoint(std::string_view sequence) {
    const auto lead = static_cast<unsigned char>(sequence[0]);
    char32_t cp = sequence.size() == 2 ? (lead & 0x1F) : sequence.size() == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (std::size_t i = 1; i < sequence.size(); ++i) cp = (cp << 6) | (static_cast<unsigned char>(sequence[i]) & 0x3F);
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

AirCharacter airCharacterAt(std::string_view bytes, std::size_t at) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte >= 0x80) {
        const std::size_t length = utf8SequenceAt(bytes, at);
        if (length != 0 && length != kUtf8Incomplete) return {utf8CodePoint(bytes.substr(at, length)), length};
    }
    return {cp1252CodePoint(byte), 1};
}

std::size_t bytesOfCharacters(std::string_view bytes, std::size_t characters) {
    std::size_t at = 0;
    for (; at < bytes.size() && characters > 0; --characters) at += airCharacterAt(bytes, at).length;
    return at;
}

std::optional<char> cp1252ByteOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t b = 0; b < kHigh.size(); ++b)
        if (kHigh[b] == cp) return static_cast<char>(0x80 + b);
    return std::nullopt;
}

void appendAirTextAsUtf8(std::string& out, std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const AirCharacter c = airCharacterAt(bytes, at);
        // A sequence is UTF-8 already.
        if (c.length > 1) {
            out.append(bytes.substr(at, c.length));
        } else {
            appendUtf8(out, c.codePoint);
        }
        at += c.length;
    }
}

void appendCp1252AsUtf8(std::string& out, std::string_view bytes) {
    for (const char c : bytes) appendUtf8(out, cp1252CodePoint(static_cast<unsigned char>(c)));
}

std::string utf8AsCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            ++at;
            continue;
        }
        const std::size_t length = utf8SequenceAt(text, at);
        if (length == 0 || length == kUtf8Incomplete) {
            out += '?';
            ++at;
            continue;
        }
        out += cp1252ByteOf(utf8CodePoint(text.substr(at, length))).value_or('?');
        at += length;
    }
    return out;
}

std::string readableAirText(std::string_view bytes) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const AirCharacter c = airCharacterAt(bytes, at);
        at += c.length;
        if (c.codePoint < 0x20) {
            out += '^';
            out += static_cast<char>(c.codePoint + 0x40);
        } else if (c.codePoint == 0x7F) {
            out += "^?";
        } else if (c.codePoint >= 0x80 && c.codePoint <= 0x9F) {
            out += '<';
            out += kHex[c.codePoint >> 4];
            out += kHex[c.codePoint & 0xF];
            out += '>';
        } else {
            appendUtf8(out, c.codePoint);
        }
    }
    return out;
}

std::size_t characterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < utf8.size(); at += airCharacterAt(utf8, at).length) ++count;
    return count;
}

std::string airBytesOf(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const AirCharacter c = airCharacterAt(utf8, at);
        const std::optional<char> byte = cp1252ByteOf(c.codePoint);
        if (!byte) return std::string(utf8);
        out += *byte;
        at += c.length;
    }
    return out;
}

}  // namespace quilmo
