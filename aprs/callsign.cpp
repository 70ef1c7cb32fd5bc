#include "aprs/callsign.h"

namespace quilmo {

namespace {

bool isLetterOrDigit(char c) { return isCallsignCharacter(c) && c != '-'; }

bool allLettersOrDigits(std::string_view text) {
    for (const char c : text)
        if (!isLetterOrDigit(c)) return false;
    return !text.empty();
}

}  // namespace

bool isHeaderCallsign(std::string_view text) {
    if (text.empty() || text.size() > 9) return false;
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos) return allLettersOrDigits(text);
    return allLettersOrDigits(text.substr(0, dash)) && allLettersOrDigits(text.substr(dash + 1));
}

}  // namespace quilmo
