#include "ax25/agw.h"

#include <algorithm>
#include <optional>

#include "ax25/frame.h"
#include "terminal/ax25.h"

namespace quilmo::ax25::agw {
namespace {

constexpr std::size_t kKindAt = 4;
constexpr std::size_t kPidAt = 6;
constexpr std::size_t kFromAt = 8;
constexpr std::size_t kToAt = 18;
constexpr std::size_t kLengthAt = 28;

std::uint32_t readLength(std::string_view header) {
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < 4; ++i) n |= std::uint32_t{static_cast<std::uint8_t>(header[kLengthAt + i])} << (8 * i);
    return n;
}

// A call field up to its first NUL, blanks dropped (some servers pad with them).
std::string readCall(std::string_view field) {
    field = field.substr(0, field.find('\0'));
    std::string out;
    for (const char c : field)
        if (c != ' ') out += c;
    return out;
}

Frame parse(std::string_view header, std::string_view data) {
    Frame f;
    f.port = static_cast<std::uint8_t>(header[0]);
    f.kind = header[kKindAt];
    f.pid = static_cast<std::uint8_t>(header[kPidAt]);
    f.callFrom = readCall(header.substr(kFromAt, kCallSize));
    f.callTo = readCall(header.substr(kToAt, kCallSize));
    f.data = std::string(data);
    return f;
}

}  // namespace

std::string callField(std::string_view call) {
    std::string out(call.substr(0, kCallSize));
    out.resize(kCallSize, '\0');
    return out;
}

std::string encode(const Frame& frame) {
    std::string out(kHeaderSize, '\0');
    out[0] = static_cast<char>(frame.port);
    out[kKindAt] = frame.kind;
    out[kPidAt] = static_cast<char>(frame.pid);
    out.replace(kFromAt, kCallSize, callField(frame.callFrom));
    out.replace(kToAt, kCallSize, callField(frame.callTo));
    const auto length = static_cast<std::uint32_t>(frame.data.size());
    for (std::size_t i = 0; i < 4; ++i) out[kLengthAt + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return out + frame.data;
}

bool Reader::append(std::string_view bytes) {
    if (failed_) return false;
    pending_.append(bytes);
    std::size_t at = 0;
    while (pending_.size() - at >= kHeaderSize) {
        const std::string_view header = std::string_view(pending_).substr(at, kHeaderSize);
        const std::uint32_t length = readLength(header);
        if (length > kMaxData) {
            failed_ = true;
            pending_.clear();
            return false;
        }
        if (pending_.size() - at - kHeaderSize < length) break;
        frames_.push_back(parse(header, std::string_view(pending_).substr(at + kHeaderSize, length)));
        at += kHeaderSize + length;
    }
    pending_.erase(0, at);
    return true;
}

std::vector<Frame> Reader::take() {
    std::vector<Frame> out;
    out.swap(frames_);
    return out;
}

void Reader::reset() {
    pending_.clear();
    frames_.clear();
    failed_ = false;
}

Frame transmitFrame(std::string_view ax25) {
    Frame raw;
    raw.kind = 'K';
    raw.data = std::string(1, '\0') + std::string(ax25);
    const std::optional<ax25::Frame> f = decodeFrame(ax25, kModulo8);
    if (!f || f->type != FrameType::UI || f->pid != kNoLayer3 || f->path.size() > kMaxPath) return raw;
    // The server writes the text up to a NUL, and builds its frame from calls alone: only a
    // frame it would build byte for byte the same may go by calls.
    if (f->info.find('\0') != std::string::npos) return raw;
    std::vector<Digipeater> path;
    for (const Digipeater& d : f->path) path.push_back({d.callsign, false});
    if (ax25UiFrame(f->source, f->destination, path, f->info) != ax25) return raw;

    Frame out;
    out.kind = f->path.empty() ? 'M' : 'V';
    out.pid = kNoLayer3;
    out.callFrom = callsignText(f->source);
    out.callTo = callsignText(f->destination);
    if (out.kind == 'V') {
        out.data += static_cast<char>(f->path.size());
        for (const Digipeater& d : f->path) out.data += callField(callsignText(d.callsign));
    }
    out.data += f->info;
    return out;
}

}  // namespace quilmo::ax25::agw
