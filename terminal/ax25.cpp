#include "terminal/ax25.h"

#include "platform/ascii.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace quilmo {
namespace {

constexpr std::size_t kAddressBytes = 7;
constexpr std::size_t kMinAddresses = 2;
constexpr std::size_t kMaxAddresses = 10;  // source, destination and 8 digipeaters
constexpr std::size_t kMaxDigipeaters = kMaxAddresses - kMinAddresses;
constexpr std::uint8_t kHighBit = 0x80;    // has-been-repeated, or command/response
constexpr std::uint8_t kReserved = 0x60;   // the two unused SSID bits, sent as 1
constexpr std::uint8_t kPollFinal = 0x10;
constexpr char kUiControl = 0x03;
constexpr char kNoLayer3 = '\xF0';

bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::uint8_t byteAt(std::string_view s, std::size_t i) { return static_cast<std::uint8_t>(s[i]); }

// One address of a received frame, checked and ready to print.
struct Address {
    std::string_view call;  // points into `chars`
    std::array<char, 6> chars{};
    int ssid = 0;
    bool highBit = false;
};

// Letters and digits, then only blanks: anything else means the frame is damaged or is
// no AX.25 at all, and it would confuse whoever reads the monitor line.
bool readAddress(std::string_view bytes, Address& a) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < 6; ++i) {
        const char c = static_cast<char>(byteAt(bytes, i) >> 1);
        if (c == ' ') continue;
        if (!isAsciiAlnum(c) || length != i) return false;
        a.chars[length++] = c;
    }
    if (length == 0) return false;
    a.call = std::string_view(a.chars.data(), length);
    a.ssid = (byteAt(bytes, 6) >> 1) & 0x0F;
    a.highBit = (byteAt(bytes, 6) & kHighBit) != 0;
    return true;
}

// Where the address field ends: the first byte with its low bit set, which must close a
// whole address, with 2 to 10 addresses. 0 when there is no such end.
std::size_t addressFieldLength(std::string_view frame) {
    const std::size_t limit = std::min(frame.size(), kMaxAddresses * kAddressBytes);
    for (std::size_t i = 0; i < limit; ++i) {
        if ((byteAt(frame, i) & 1) == 0) continue;
        const std::size_t length = i + 1;
        return length % kAddressBytes == 0 && length >= kMinAddresses * kAddressBytes ? length : 0;
    }
    return 0;
}

void appendAddress(std::string& out, const Address& a) {
    out.append(a.call);
    if (a.ssid == 0) return;
    out += '-';
    out += std::to_string(a.ssid);
}

// The frame type for frames other than UI, with the poll or final bit: P on a command,
// F on a response, P/F when the old-style address bits do not tell which.
std::string frameTag(std::uint8_t control, bool command, bool response) {
    const std::string pf = (control & kPollFinal) == 0 ? "" : command ? " P" : response ? " F" : " P/F";
    const std::string nr = std::to_string(control >> 5);
    if ((control & 1) == 0) return "<I R" + nr + " S" + std::to_string((control >> 1) & 7) + pf + ">";
    if ((control & 3) == 1) {
        static constexpr std::array<const char*, 4> kSupervisory = {"RR", "RNR", "REJ", "SREJ"};
        return std::string("<") + kSupervisory[(control >> 2) & 3] + " " + nr + pf + ">";
    }
    switch (control & ~kPollFinal) {
        case 0x2F: return "<SABM" + pf + ">";
        case 0x6F: return "<SABME" + pf + ">";
        case 0x43: return "<DISC" + pf + ">";
        case 0x0F: return "<DM" + pf + ">";
        case 0x63: return "<UA" + pf + ">";
        case 0x87: return "<FRMR" + pf + ">";
        case 0xAF: return "<XID" + pf + ">";
        case 0xE3: return "<TEST" + pf + ">";
        default: break;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("<U ") + kHex[control >> 4] + kHex[control & 0x0F] + ">";
}

void appendEncodedAddress(std::string& out, const Callsign& c, std::uint8_t highBit, bool last) {
    for (std::size_t i = 0; i < 6; ++i) {
        const char ch = i < c.call.size() ? c.call[i] : ' ';
        out += static_cast<char>(static_cast<std::uint8_t>(ch) << 1);
    }
    out += static_cast<char>(kReserved | highBit | ((c.ssid & 0x0F) << 1) | (last ? 1 : 0));
}

std::vector<std::string_view> unprotoWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of(" ,\t", start);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        if (stop > start) words.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return words;
}

bool isViaWord(std::string_view word) {
    return word.size() == 3 && upperAscii(word[0]) == 'V' && upperAscii(word[1]) == 'I' && upperAscii(word[2]) == 'A';
}

}  // namespace

std::optional<Callsign> parseCallsign(std::string_view text) {
    const std::size_t dash = text.find('-');
    const std::string_view call = text.substr(0, dash);
    if (call.empty() || call.size() > 6) return std::nullopt;
    Callsign result;
    for (const char c : call) {
        if (!isAsciiAlnum(c)) return std::nullopt;
        result.call += upperAscii(c);
    }
    if (dash == std::string_view::npos) return result;
    const std::string_view ssid = text.substr(dash + 1);
    if (ssid.empty() || ssid.size() > 2) return std::nullopt;
    for (const char c : ssid) {
        if (c < '0' || c > '9') return std::nullopt;
        result.ssid = result.ssid * 10 + (c - '0');
    }
    if (result.ssid > 15) return std::nullopt;
    return result;
}

std::string callsignText(const Callsign& callsign) {
    if (callsign.ssid == 0) return callsign.call;
    return callsign.call + "-" + std::to_string(callsign.ssid);
}

std::optional<UnprotoPath> parseUnproto(std::string_view text) {
    const std::vector<std::string_view> words = unprotoWords(text);
    if (words.empty()) return std::nullopt;
    UnprotoPath path;
    const std::optional<Callsign> destination = parseCallsign(words[0]);
    if (!destination) return std::nullopt;
    path.destination = *destination;
    const std::size_t first = words.size() > 1 && isViaWord(words[1]) ? 2 : 1;
    if (words.size() - first > kMaxDigipeaters) return std::nullopt;
    for (std::size_t i = first; i < words.size(); ++i) {
        const std::optional<Callsign> digipeater = parseCallsign(words[i]);
        if (!digipeater) return std::nullopt;
        path.digipeaters.push_back(*digipeater);
    }
    return path;
}

std::string unprotoProblem(std::string_view text) {
    if (parseUnproto(text)) return {};
    const std::vector<std::string_view> words = unprotoWords(text);
    if (words.empty()) return "it names no destination";
    const std::size_t first = words.size() > 1 && isViaWord(words[1]) ? 2 : 1;
    if (words.size() - first > kMaxDigipeaters)
        return "AX.25 carries at most " + std::to_string(kMaxDigipeaters) + " digipeaters";
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0 && i < first) continue;
        if (!parseCallsign(words[i]))
            return std::string(words[i]) + " is no callsign (1 to 6 letters or digits, SSID 0 to 15)";
    }
    return "it is no path";
}

std::string unprotoText(const UnprotoPath& path) {
    std::string text = callsignText(path.destination);
    for (const Callsign& digipeater : path.digipeaters) text += "," + callsignText(digipeater);
    return text;
}

std::string ax25UiFrame(const Callsign& source, const Callsign& destination,
                        const std::vector<Digipeater>& digipeaters, std::string_view info) {
    std::string frame;
    frame.reserve((2 + digipeaters.size()) * kAddressBytes + 2 + info.size());
    // A command frame: the destination carries the command bit, the source does not.
    appendEncodedAddress(frame, destination, kHighBit, false);
    appendEncodedAddress(frame, source, 0, digipeaters.empty());
    for (std::size_t i = 0; i < digipeaters.size(); ++i) {
        appendEncodedAddress(frame, digipeaters[i].callsign, digipeaters[i].repeated ? kHighBit : 0,
                             i + 1 == digipeaters.size());
    }
    frame += kUiControl;
    frame += kNoLayer3;
    frame.append(info);
    return frame;
}

Ax25Kind appendMonitorLine(std::string_view frame, std::string& out) {
    const std::size_t addressLength = addressFieldLength(frame);
    if (addressLength == 0 || frame.size() <= addressLength) return Ax25Kind::Malformed;
    const std::size_t count = addressLength / kAddressBytes;
    std::array<Address, kMaxAddresses> addresses;
    std::size_t lastRepeated = 0;  // index of the last digipeater that has repeated the frame
    for (std::size_t i = 0; i < count; ++i) {
        if (!readAddress(frame.substr(i * kAddressBytes, kAddressBytes), addresses[i])) return Ax25Kind::Malformed;
        if (i >= kMinAddresses && addresses[i].highBit) lastRepeated = i;
    }

    const auto control = static_cast<std::uint8_t>(frame[addressLength]);
    const bool ui = (control & ~kPollFinal) == kUiControl;
    const bool information = ui || (control & 1) == 0;
    // UI and I frames carry a protocol byte before their information.
    const std::size_t infoStart = addressLength + 1 + (information ? 1 : 0);
    if (frame.size() < infoStart) return Ax25Kind::Malformed;
    const std::string_view info = frame.substr(infoStart);

    appendAddress(out, addresses[1]);
    out += '>';
    appendAddress(out, addresses[0]);
    for (std::size_t i = kMinAddresses; i < count; ++i) {
        out += ',';
        appendAddress(out, addresses[i]);
        if (i == lastRepeated) out += '*';
    }
    if (!ui) {
        const bool command = addresses[0].highBit && !addresses[1].highBit;
        const bool response = !addresses[0].highBit && addresses[1].highBit;
        out += ' ';
        out += frameTag(control, command, response);
    }
    if (ui || !info.empty()) {
        out += ':';
        out.append(info);
    }
    out += "\r\n";
    return ui ? Ax25Kind::Ui : Ax25Kind::Other;
}

}  // namespace quilmo
