#pragma once
#include <string_view>

#include "platform/ascii.h"

namespace quilmo {

// What a character is in a callsign: 0 nothing, 1 a letter or digit, 2 the "-" before an SSID.
// A table: every header's every address goes through it.
struct CallsignCharacters {
    unsigned char kind[256] = {};
    constexpr CallsignCharacters() {
        for (int c = '0'; c <= '9'; ++c) kind[c] = 1;
        for (int c = 'A'; c <= 'Z'; ++c) kind[c] = kind[c + 'a' - 'A'] = 1;
        kind[static_cast<unsigned char>('-')] = 2;
    }
};
inline constexpr CallsignCharacters kCallsignCharacters;

inline bool isCallsignCharacter(char c) { return kCallsignCharacters.kind[static_cast<unsigned char>(c)] != 0; }

// A callsign as a monitor header carries it: letters and digits, optionally "-" and an
// SSID of letters and digits (APRS-IS allows letters there), nine characters at most.
inline bool isHeaderCallsign(std::string_view text) {
    if (text.empty() || text.size() > 9) return false;
    std::size_t dashes = 0, dash = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char kind = kCallsignCharacters.kind[static_cast<unsigned char>(text[i])];
        if (kind == 0) return false;
        if (kind == 2) {
            ++dashes;
            dash = i;
        }
    }
    return dashes == 0 || (dashes == 1 && dash != 0 && dash + 1 != text.size());
}

// "N0CALL" and "n0call-0" are one station: case does not matter, and SSID 0 is no SSID.
inline bool sameCallsign(std::string_view a, std::string_view b) {
    const auto base = [](std::string_view call) { return call.ends_with("-0") ? call.substr(0, call.size() - 2) : call; };
    a = base(a);
    b = base(b);
    if (a.empty() || a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    return true;
}

}  // namespace quilmo
