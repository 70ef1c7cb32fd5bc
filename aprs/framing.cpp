#include "aprs/framing.h"

#include <cstring>

#include "aprs/monitor_header.h"

namespace quilmo {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kPrompt = "cmd:";

// A TNC prints its command prompt in front of whatever comes next, monitored packets
// included; the prompt is not part of the packet.
std::string_view withoutPrompt(std::string_view line) {
    while (line.substr(0, kPrompt.size()) == kPrompt) line.remove_prefix(kPrompt.size());
    return line;
}

// A monitor header printed on a line of its own: the ":" that closes the header is the
// line's last character. Only such a line waits for the information line, so a packet
// whose text happens to end in ":" is not merged with the next one. A control frame
// (RR, UA, DISC …) has no information line and waits for nothing.
bool isBareHeader(std::string_view line) {
    line = withoutPrompt(line);
    if (line.empty() || line.back() != ':') return false;
    MonitorHeader header = findMonitorHeader(line);
    return header.found && header.end == line.size() && header.frame != MonitorFrame::Control &&
           checkAddresses(line, header);
}

// A line that is a packet of its own, which a header printed alone must not take as its
// information: empty information frames are real traffic.
bool isPacketOfItsOwn(std::string_view line) { return isMonitorLine(withoutPrompt(line)); }

}  // namespace

std::string_view AprsLineAssembler::withoutPrompt(std::string_view line) { return quilmo::withoutPrompt(line); }
bool AprsLineAssembler::endsInBareHeader(std::string_view line) { return isBareHeader(line); }
bool AprsLineAssembler::isMonitorLine(std::string_view line) { return isPacketOfItsOwn(line); }

void AprsLineAssembler::append(std::string_view chunk, std::vector<std::string>& out) {
    append(chunk, [&out](std::string_view line) { out.emplace_back(line); });
}

void AprsLineAssembler::append(std::string_view chunk, const std::function<void(std::string_view)>& onLine) {
    // Only the new text can hold a line end, plus a CR left at the end of the last chunk.
    std::size_t searchFrom = pending_.empty() ? 0 : pending_.size() - 1;
    if (searchFrom < held_) searchFrom = held_;
    pending_.append(chunk);

    // [start, start + held_) is a header waiting for its information line, which follows it
    // directly: the header is moved over its own CR LF rather than the CR LF erased, so the
    // cost is the header's length, not the length of all the text behind it.
    std::size_t start = 0;
    for (std::size_t end = pending_.find(kCrLf, start + searchFrom); end != std::string::npos;
         end = pending_.find(kCrLf, start + held_)) {
        const std::string_view line(pending_.data() + start, end - start);
        if (discarding_) {
            // The tail of an overlong line is no packet either.
            discarding_ = false;
            start = end + kCrLf.size();
            continue;
        }
        const std::string_view fresh = line.substr(held_);
        if (held_ > 0 && (fresh.empty() || isPacketOfItsOwn(fresh))) {
            // The held header got no information line: it goes on alone.
            onLine(withoutPrompt(line.substr(0, held_)));
            start += held_;
            held_ = 0;
            continue;
        }
        if (held_ == 0 && isBareHeader(line)) {
            const std::size_t length = end - start;
            std::memmove(pending_.data() + start + kCrLf.size(), pending_.data() + start, length);
            start += kCrLf.size();
            held_ = length;
            continue;
        }
        const std::string_view packet = withoutPrompt(line);
        if (!packet.empty()) onLine(packet);
        start = end + kCrLf.size();
        held_ = 0;
    }
    pending_.erase(0, start);

    if (pending_.size() > kMaxPending) {
        // Keep a trailing CR: it may be the first half of the line end.
        discarding_ = true;
        const bool keepCr = pending_.back() == '\r';
        pending_.clear();
        if (keepCr) pending_.push_back('\r');
        held_ = 0;
    }
}

}  // namespace quilmo
