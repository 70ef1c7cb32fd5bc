#pragma once
// Frames for the tests, built by hand from the AX.25 and KISS layouts: kept apart from the
// program's own encoder, so a mistake made in both cannot hide itself.
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo::test {

// Six callsign characters, blank-padded and shifted up one bit, then the SSID byte with
// its two reserved bits set.
inline std::string addressBytes(std::string_view call, int ssid, bool highBit, bool last) {
    std::string out;
    for (std::size_t i = 0; i < 6; ++i) {
        const unsigned char c = i < call.size() ? static_cast<unsigned char>(call[i]) : ' ';
        out.push_back(static_cast<char>(c * 2));
    }
    out.push_back(static_cast<char>(0x60 + ssid * 2 + (highBit ? 0x80 : 0) + (last ? 1 : 0)));
    return out;
}

// FEND, the type byte, the frame with FEND and FESC escaped, FEND.
inline std::string kissWrap(std::string_view frame, unsigned char type = 0) {
    std::string out = "\xC0";
    out.push_back(static_cast<char>(type));
    for (const char c : frame) {
        if (c == '\xC0') {
            out += "\xDB\xDC";
        } else if (c == '\xDB') {
            out += "\xDB\xDD";
        } else {
            out.push_back(c);
        }
    }
    return out + "\xC0";
}

// A TNC-2 monitor line as the UI command frame that was heard, or why it cannot be one.
struct EncodedLine {
    std::string frame;
    std::string whyNot;  // empty when encoded
};

inline EncodedLine encodeMonitorLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    const std::size_t gt = line.find('>');
    if (colon == std::string_view::npos || gt == std::string_view::npos || gt > colon) return {{}, "no header"};
    // Only the form a monitor prints back: no SSID 0 written, no leading zero, upper case.
    static const std::regex kAddress("([A-Z0-9]{1,6})(?:-([1-9]|1[0-5]))?(\\*?)");
    std::vector<std::string> fields;
    std::string field;
    for (const char c : line.substr(0, colon)) {
        if (c == '>' || c == ',') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    if (line.substr(gt + 1, colon - gt - 1).find('>') != std::string_view::npos) return {{}, "two > in the header"};
    if (fields.size() > 10) return {{}, "more than 8 digipeaters"};

    struct Parsed { std::string call; int ssid; bool star; };
    const auto whyNotAddress = [](const std::string& f) -> std::string {
        const std::string call = f.substr(0, f.find('-'));
        if (std::regex_search(f, std::regex("[a-z]"))) return "lower case in an address";
        if (call.size() > 6) return "callsign over 6 characters";
        if (std::regex_match(call, std::regex("[A-Z0-9]+"))) return "SSID not 0-15";
        return "address not letters and digits";
    };
    std::vector<Parsed> parsed;
    int stars = 0, lastStar = -1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::smatch m;
        if (!std::regex_match(fields[i], m, kAddress)) return {{}, whyNotAddress(fields[i])};
        const bool star = m[3].length() > 0;
        if (star && i < 2) return {{}, "* on the source or destination"};
        if (star) {
            ++stars;
            lastStar = static_cast<int>(i);
        }
        parsed.push_back({m[1].str(), m[2].matched ? std::stoi(m[2].str()) : 0, star});
    }
    // A monitor marks only the last digipeater that repeated; every one before it has too.
    if (stars > 1) return {{}, "more than one *"};

    EncodedLine out;
    // Destination first, with the command bit; then the source.
    out.frame = addressBytes(parsed[1].call, parsed[1].ssid, true, false) +
                addressBytes(parsed[0].call, parsed[0].ssid, false, parsed.size() == 2);
    for (std::size_t i = 2; i < parsed.size(); ++i) {
        out.frame += addressBytes(parsed[i].call, parsed[i].ssid, static_cast<int>(i) <= lastStar, i + 1 == parsed.size());
    }
    out.frame += "\x03\xF0";
    out.frame += line.substr(colon + 1);
    return out;
}

}  // namespace quilmo::test
