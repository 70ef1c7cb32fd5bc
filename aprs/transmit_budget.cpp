#include "aprs/transmit_budget.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace quilmo {
namespace {

constexpr std::int64_t kMinuteMs = 60'000;
constexpr std::int64_t kTenSecondsMs = 10'000;

// A send is allowed once the `limit`-th latest send has left the window.
std::int64_t freeAfter(const std::deque<std::int64_t>& sent, int limit, std::int64_t window) {
    if (limit <= 0 || sent.size() < static_cast<std::size_t>(limit)) return std::numeric_limits<std::int64_t>::min();
    return sent[sent.size() - static_cast<std::size_t>(limit)] + window;
}

}  // namespace

TransmitBudget::TransmitBudget(BudgetLimits limits) : limits_(limits) {
    limits_.perMinute = std::max(limits_.perMinute, 1);
    limits_.perTenSeconds = std::min(limits_.perTenSeconds, limits_.perMinute);
}

void TransmitBudget::add(OwnPacket kind, std::string information, std::int64_t now) {
    for (Queued& q : queued_) {
        if (q.kind == OwnPacket::Beacon && kind == OwnPacket::Beacon) {
            q.information = std::move(information);
            return;
        }
        if (q.kind == kind && q.information == information) return;
    }
    queued_.push_back(Queued{kind, std::move(information), now});
}

std::int64_t TransmitBudget::earliestSend() const {
    return std::max(freeAfter(sent_, limits_.perMinute, kMinuteMs), freeAfter(sent_, limits_.perTenSeconds, kTenSecondsMs));
}

std::vector<std::string> TransmitBudget::release(std::int64_t now) {
    const auto before = queued_.size();
    std::erase_if(queued_, [now](const Queued& q) { return q.kind == OwnPacket::Ack && now - q.since > kAckShelfLifeMs; });
    droppedAcks_ += before - queued_.size();

    std::vector<std::string> out;
    while (!queued_.empty() && earliestSend() <= now) {
        // The first of the most urgent kind: stable within a kind, so tries keep their order.
        const auto next = std::min_element(queued_.begin(), queued_.end(),
                                           [](const Queued& a, const Queued& b) { return a.kind < b.kind; });
        out.push_back(std::move(next->information));
        queued_.erase(next);
        sent_.push_back(now);
        if (sent_.size() > static_cast<std::size_t>(limits_.perMinute)) sent_.pop_front();
    }
    return out;
}

std::optional<std::int64_t> TransmitBudget::nextReleaseAt() const {
    if (queued_.empty()) return std::nullopt;
    std::int64_t oldest = queued_.front().since;
    for (const Queued& q : queued_) oldest = std::min(oldest, q.since);
    return std::max(earliestSend(), oldest);
}

void TransmitBudget::clear() { queued_.clear(); }

}  // namespace quilmo
