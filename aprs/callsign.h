#pragma once
#include <string_view>

namespace quilmo {

// A callsign as a monitor header carries it: letters and digits, optionally "-" and an
// SSID of letters and digits (APRS-IS allows letters there), nine characters at most.
bool isHeaderCallsign(std::string_view text);

inline bool isCallsignCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

}  // namespace quilmo
