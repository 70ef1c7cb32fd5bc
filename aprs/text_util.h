#pragma once
#include <string>
#include <string_view>

#include "platform/ascii.h"

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

// One character of base-91 encoding ("!" to "{"): compressed positions, DAO, telemetry.
inline bool isBase91(char c) { return c >= '!' && c <= '{'; }

}  // namespace quilmo
