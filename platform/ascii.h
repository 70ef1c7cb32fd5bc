#pragma once
#include <string>
#include <string_view>

namespace quilmo {

// The small ASCII tests and conversions the protocols need, in one place: callsigns, keys
// and numbers on the air are ASCII whatever code page the rest of a line is in.

inline bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

inline char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string upperAsciiCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperAscii(c);
    return out;
}

// The line without the CR and LF characters at its end.
inline std::string_view withoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

}  // namespace quilmo
