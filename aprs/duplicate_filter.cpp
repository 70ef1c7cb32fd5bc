#include "aprs/duplicate_filter.h"

#include <functional>

#include "aprs/monitor_header.h"

namespace quilmo {

namespace {

// Source, ">" and destination, then the information: what makes a copy the same packet.
// A 64-bit hash stands for it; two different packets meeting in it within half a minute
// are as unlikely as anything on a radio channel.
bool packetKey(std::string_view line, std::uint64_t& key) {
    const MonitorHeader header = findMonitorHeader(line);
    if (!header.found) return false;
    const std::string_view address = line.substr(header.addressStart, header.addressEnd - header.addressStart);
    const std::size_t arrow = address.find('>');
    if (arrow == std::string_view::npos) return false;
    const std::string_view sourceAndDestination = address.substr(0, address.find(',', arrow));
    // The two parts hashed apart and mixed: no string is made for a packet's key.
    const std::hash<std::string_view> hash;
    key = hash(sourceAndDestination) * 0x9E3779B97F4A7C15ULL ^ hash(line.substr(header.end));
    return true;
}

}  // namespace

bool DuplicateFilter::isRepeat(std::string_view line, std::int64_t nowMs) {
    forgetBefore(nowMs - kWindowMs);
    std::uint64_t key = 0;
    if (!packetKey(line, key)) return false;
    const auto [it, added] = firstHeard_.try_emplace(key, nowMs);
    if (!added) return true;
    order_.push_back({nowMs, key});
    return false;
}

void DuplicateFilter::forgetBefore(std::int64_t oldest) {
    while (!order_.empty() && order_.front().at <= oldest) {
        const auto it = firstHeard_.find(order_.front().key);
        if (it != firstHeard_.end() && it->second == order_.front().at) firstHeard_.erase(it);
        order_.pop_front();
    }
}

}  // namespace quilmo
