#pragma once
// Frames for the tests, built by hand from the AX.25 and KISS layouts: kept apart from the
// program's own encoder, so a mistake made in both cannot hide itself.
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo::test {

// Six callsign characters, blank-padded and shifted up one bit, then the SSID byte with
// its two reserved bits set.
inline std::string addressBytes(std::string_view call, int ssid, bool highBit, bool last) {
    std::string out;
    for (std::size_t i = 0; i < 6; ++i) out.push_back(static_cast<char>((i < call.size() ? call[i] : ' ') * 2));
    out.push_back(static_cast<char>(0x60 + ssid * 2 + (highBit ? 0x80 : 0) + (last ? 1 : 0)));
    return out;
}

// FEND, the type byte, the frame with FEND and FESC escaped, FEND.
inline std::string kissWrap(std::string_view frame, unsigned char type = 0) {
    std::string out = "\xC0" + std::string(1, static_cast<char>(type));
    for (const char c : frame) out += c == '\xC0' ? "\xDB\xDC" : c == '\xDB' ? "\xDB\xDD" : std::string(1, c);
    return out + "\xC0";
}

// A TNC-2 monitor line as the UI command frame that was heard.
struct EncodedLine {
    std::string frame;  // empty when no AX.25 frame can carry the line
};

inline EncodedLine encodeMonitorLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    const std::string header(line.substr(0, colon));
    // Only the form a monitor prints back: upper case, no SSID 0 written, no leading zero, at
    // most 8 digipeaters, a "*" only on the last one that repeated (every one before it has too).
    const std::string call = "[A-Z0-9]{1,6}(-([1-9]|1[0-5]))?";
    if (colon == std::string_view::npos || !std::regex_match(header, std::regex(call + ">" + call + "(," + call + "\\*?){0,8}")) ||
        header.find('*') != header.rfind('*')) {
        return {};
    }
    std::vector<std::string> fields;  // source, destination, digipeaters
    std::istringstream in(std::regex_replace(header, std::regex(">"), ","));
    for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
    std::size_t lastStar = 0;
    for (std::size_t i = 2; i < fields.size(); ++i) lastStar = fields[i].back() == '*' ? i : lastStar;
    const auto address = [&fields](std::size_t i, bool highBit, bool last) {
        const std::size_t dash = fields[i].find('-');
        const int ssid = dash == std::string::npos ? 0 : std::stoi(fields[i].substr(dash + 1));
        return addressBytes(fields[i].substr(0, fields[i].find_first_of("-*")), ssid, highBit, last);
    };
    // Destination first, with the command bit; then the source.
    std::string frame = address(1, true, false) + address(0, false, fields.size() == 2);
    for (std::size_t i = 2; i < fields.size(); ++i) frame += address(i, i <= lastStar, i + 1 == fields.size());
    return {frame + "\x03\xF0" + std::string(line.substr(colon + 1))};
}

}  // namespace quilmo::test
