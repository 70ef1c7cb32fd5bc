#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quilmo {

// Text heard on the air is bytes: mostly ASCII, Windows-1252 from older software and
// UTF-8 from most of today's. A well-formed UTF-8 sequence is read as the character it
// encodes; every other byte as its Windows-1252 character. Genuine Windows-1252 text
// almost never forms such a sequence (it would take a letter like "Ã" followed by a
// symbol from 0x80-0xBF), so both read right.

// The character of one Windows-1252 byte. The five bytes Windows-1252 leaves undefined
// keep their own code points, so nothing received is lost on the way to the screen.
char32_t cp1252CodePoint(unsigned char byte);

// The length (2 to 4) of the well-formed UTF-8 sequence that starts at `at`: no overlong
// form, no surrogate, nothing above U+10FFFF. 0 when the bytes there form none.
// kUtf8Incomplete when the text ends inside what may still become one.
inline constexpr std::size_t kUtf8Incomplete = static_cast<std::size_t>(-1);
std::size_t utf8SequenceAt(std::string_view bytes, std::size_t at);
// The code point of a sequence utf8SequenceAt accepted.
char32_t utf8CodePoint(std::string_view sequence);

// One character of air text at `at`: its code point and the bytes that encode it (one
// Windows-1252 byte, or a UTF-8 sequence of two to four; an unfinished sequence at the
// end is its Windows-1252 bytes).
struct AirCharacter {
    char32_t codePoint;
    std::size_t length;
};
AirCharacter airCharacterAt(std::string_view bytes, std::size_t at);

// How many bytes the first `characters` characters of air text take: a cut there never
// splits a UTF-8 sequence.
std::size_t bytesOfCharacters(std::string_view bytes, std::size_t characters);

// The Windows-1252 byte of a character; none for a character the code page cannot hold.
std::optional<char> cp1252ByteOf(char32_t codePoint);

void appendUtf8(std::string& out, char32_t codePoint);
// Air text as UTF-8: sequences copied, other bytes converted from Windows-1252 (an
// unfinished sequence at the end too). Control bytes pass unchanged.
void appendAirTextAsUtf8(std::string& out, std::string_view bytes);

// Every byte as its Windows-1252 character in UTF-8, and the way back: the two round-trip
// every byte, for a store that keeps bytes as text. On the way back a character
// Windows-1252 cannot hold, and a damaged sequence, become "?".
void appendCp1252AsUtf8(std::string& out, std::string_view bytes);
std::string utf8AsCp1252(std::string_view text);

// Air text as UTF-8 fit to show and to keep: control characters, however they came (a
// byte, a UTF-8 sequence of the C1 range, a byte Windows-1252 leaves undefined), in caret
// notation ("^[" for ESC, "^?" for DEL) or as "<9B>", so that no escape sequence reaches
// a screen or a terminal that shows the text.
std::string readableAirText(std::string_view bytes);
// Characters in UTF-8 text; a byte that starts no sequence counts as one.
std::size_t characterCount(std::string_view utf8);
// UTF-8 text as it goes on the air: Windows-1252 when the code page holds every
// character, otherwise the UTF-8 unchanged. Never a "?" in place of a character.
std::string airBytesOf(std::string_view utf8);

}  // namespace quilmo
