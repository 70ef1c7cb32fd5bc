#pragma once
#include <string>
#include <string_view>

namespace quilmo {

// Bounds-checked pieces of a packet: a part that lies beyond the end of the text is
// empty or shortened, never an error. `start` counts from 0.
inline std::string_view clippedPart(std::string_view text, std::size_t start,
                                    std::size_t count = std::string_view::npos) {
    if (start >= text.size()) return {};
    return text.substr(start, count);
}

// The character at `index`, or '\0' when the text is shorter.
inline char charAt(std::string_view text, std::size_t index) {
    return index < text.size() ? text[index] : '\0';
}

inline bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace quilmo
