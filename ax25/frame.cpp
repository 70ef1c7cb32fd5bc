#include "ax25/frame.h"

#include <algorithm>

namespace quilmo::ax25 {
namespace {

constexpr std::size_t kAddressBytes = 7;
constexpr std::uint8_t kHighBit = 0x80;   // C bit, or has-been-repeated
constexpr std::uint8_t kReserved = 0x60;  // the two unused SSID bits, sent as 1
constexpr std::uint8_t kPollFinal = 0x10;

struct UCode {
    FrameType type;
    std::uint8_t control;  // without the P/F bit
};
constexpr UCode kUnnumbered[] = {
    {FrameType::SABM, 0x2F}, {FrameType::SABME, 0x6F}, {FrameType::DISC, 0x43}, {FrameType::DM, 0x0F},
    {FrameType::UA, 0x63},   {FrameType::FRMR, 0x87},  {FrameType::UI, 0x03},   {FrameType::XID, 0xAF},
    {FrameType::TEST, 0xE3},
};
constexpr FrameType kSupervisory[] = {FrameType::RR, FrameType::RNR, FrameType::REJ, FrameType::SREJ};

std::uint8_t byteAt(std::string_view s, std::size_t i) { return static_cast<std::uint8_t>(s[i]); }

bool isSupervisory(FrameType t) {
    return t == FrameType::RR || t == FrameType::RNR || t == FrameType::REJ || t == FrameType::SREJ;
}
bool carriesPid(FrameType t) { return t == FrameType::I || t == FrameType::UI; }
bool carriesInfo(FrameType t) {
    return carriesPid(t) || t == FrameType::FRMR || t == FrameType::XID || t == FrameType::TEST;
}

void appendAddress(std::string& out, const Callsign& c, bool highBit, bool last) {
    for (std::size_t i = 0; i < 6; ++i) {
        const char ch = i < c.call.size() ? c.call[i] : ' ';
        out += static_cast<char>(static_cast<std::uint8_t>(ch) << 1);
    }
    out += static_cast<char>(kReserved | (highBit ? kHighBit : 0) | ((c.ssid & 0x0F) << 1) | (last ? 1 : 0));
}

// Upper-case letters and digits, then only blanks.
bool readAddress(std::string_view bytes, Callsign& c, bool& highBit) {
    c.call.clear();
    for (std::size_t i = 0; i < 6; ++i) {
        const char ch = static_cast<char>(byteAt(bytes, i) >> 1);
        if (ch == ' ') continue;
        const bool alnum = (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z');
        if (!alnum || c.call.size() != i) return false;
        c.call += ch;
    }
    c.ssid = (byteAt(bytes, 6) >> 1) & 0x0F;
    highBit = (byteAt(bytes, 6) & kHighBit) != 0;
    return !c.call.empty();
}

std::uint8_t supervisoryBits(FrameType t) {
    return static_cast<std::uint8_t>(std::find(std::begin(kSupervisory), std::end(kSupervisory), t) -
                                     std::begin(kSupervisory));
}

void appendControl(std::string& out, const Frame& f, int modulo) {
    const std::uint8_t pf = f.pollFinal ? 1 : 0;
    if (f.type == FrameType::I || isSupervisory(f.type)) {
        const std::uint8_t low = f.type == FrameType::I ? static_cast<std::uint8_t>((f.ns % modulo) << 1)
                                                        : static_cast<std::uint8_t>(1 | supervisoryBits(f.type) << 2);
        const int nr = f.nr % modulo;
        if (modulo == kModulo128) {
            out += static_cast<char>(low);
            out += static_cast<char>(nr << 1 | pf);
        } else {
            out += static_cast<char>(nr << 5 | pf << 4 | low);
        }
        return;
    }
    for (const UCode& u : kUnnumbered) {
        if (u.type == f.type) out += static_cast<char>(u.control | pf << 4);
    }
}

// The control field at `at`; how many bytes it took, 0 when it is none of ours.
std::size_t readControl(std::string_view bytes, std::size_t at, int modulo, Frame& f) {
    const std::uint8_t c = byteAt(bytes, at);
    if ((c & 3) == 3) {
        f.pollFinal = (c & kPollFinal) != 0;
        for (const UCode& u : kUnnumbered) {
            if (u.control == (c & ~kPollFinal)) {
                f.type = u.type;
                return 1;
            }
        }
        return 0;
    }
    f.type = (c & 1) == 0 ? FrameType::I : kSupervisory[(c >> 2) & 3];
    if (modulo != kModulo128) {
        f.ns = (c >> 1) & 7;
        f.nr = c >> 5;
        f.pollFinal = (c & kPollFinal) != 0;
        return 1;
    }
    if (at + 1 >= bytes.size()) return 0;
    // The first byte of a modulo 128 S frame has nothing but its type.
    if (f.type != FrameType::I && (c & 0xF0) != 0) return 0;
    const std::uint8_t second = byteAt(bytes, at + 1);
    f.ns = c >> 1;
    f.nr = second >> 1;
    f.pollFinal = (second & 1) != 0;
    return 2;
}

}  // namespace

bool sameStation(const Callsign& a, const Callsign& b) { return a.ssid == b.ssid && a.call == b.call; }

std::vector<Callsign> reversedPath(const std::vector<Digipeater>& received) {
    std::vector<Callsign> path;
    path.reserve(received.size());
    for (auto it = received.rbegin(); it != received.rend(); ++it) path.push_back(it->callsign);
    return path;
}

std::string encodeFrame(const Frame& f, int modulo) {
    std::string out;
    out.reserve((2 + f.path.size()) * kAddressBytes + 3 + f.info.size());
    appendAddress(out, f.destination, f.command, false);
    appendAddress(out, f.source, !f.command, f.path.empty());
    for (std::size_t i = 0; i < f.path.size(); ++i)
        appendAddress(out, f.path[i].callsign, f.path[i].repeated, i + 1 == f.path.size());
    appendControl(out, f, modulo);
    if (carriesPid(f.type)) out += static_cast<char>(f.pid);
    if (carriesInfo(f.type)) out += f.info;
    return out;
}

namespace {

// The address field into `f`; where it ends, 0 when it is damaged.
std::size_t readAddresses(std::string_view bytes, Frame& f) {
    std::size_t at = 0;
    std::size_t count = 0;
    for (bool last = false; !last; ++count, at += kAddressBytes) {
        if (at + kAddressBytes > bytes.size() || count == 2 + kMaxPath) return 0;
        const std::string_view address = bytes.substr(at, kAddressBytes);
        last = (byteAt(address, 6) & 1) != 0;
        bool high = false;
        Callsign c;
        if (!readAddress(address, c, high) || (last && count == 0)) return 0;
        if (count == 0) {
            f.destination = std::move(c);
            // Old stations set both C bits alike; the destination's decides for them too.
            f.command = high;
        } else if (count == 1) {
            f.source = std::move(c);
        } else {
            f.path.push_back({std::move(c), high});
        }
    }
    return at;
}

}  // namespace

std::optional<Frame> decodeAddresses(std::string_view bytes) {
    Frame f;
    if (readAddresses(bytes, f) == 0) return std::nullopt;
    return f;
}

std::optional<Frame> decodeFrame(std::string_view bytes, int modulo) {
    Frame f;
    std::size_t at = readAddresses(bytes, f);
    if (at == 0) return std::nullopt;
    if (at >= bytes.size()) return std::nullopt;
    const std::size_t controlBytes = readControl(bytes, at, modulo, f);
    if (controlBytes == 0) return std::nullopt;
    at += controlBytes;
    if (carriesPid(f.type)) {
        if (at >= bytes.size()) return std::nullopt;
        f.pid = byteAt(bytes, at++);
    }
    if (!carriesInfo(f.type) && at != bytes.size()) return std::nullopt;
    f.info = std::string(bytes.substr(at));
    return f;
}

}  // namespace quilmo::ax25
