#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace quilmo {

// What one of our own packets is, in the order they get the channel when it is scarce.
enum class OwnPacket { Ack, Message, Beacon };

// How many packets of ours a link may carry: per minute, and per 10 s (0: no such limit).
struct BudgetLimits {
    int perMinute;
    int perTenSeconds;
};
// A radio channel is shared: 20 a minute keep a 1200-baud channel mostly free for others,
// and no more than 5 in a row.
inline constexpr BudgetLimits kRadioBudget{20, 5};
inline constexpr BudgetLimits kInternetBudget{60, 0};
// An ack that waited this long is pointless: the sender has repeated its message by then,
// and that copy is acknowledged.
inline constexpr std::int64_t kAckShelfLifeMs = 30'000;

// The one budget every packet of ours goes through (acks, message tries, the beacon): what
// exceeds it waits, acks first, then messages, then the beacon. Like messaging it never
// transmits and reads time only from its callers: release() hands out what may go now,
// nextReleaseAt() says when something waiting may go next.
class TransmitBudget {
public:
    explicit TransmitBudget(BudgetLimits limits);

    // Queues one information field. The same field already waiting (a repeated ack, the
    // next try of a message whose last one still waits) is not queued twice; a newer
    // beacon replaces a waiting one.
    void add(OwnPacket kind, std::string information, std::int64_t now);
    // What may go out now, in the order to send it; counted as sent. Acks too old are dropped.
    std::vector<std::string> release(std::int64_t now);
    // When release() has something to hand out next; nothing when nothing waits.
    std::optional<std::int64_t> nextReleaseAt() const;
    // The link went down: nothing waiting goes out later (messaging tries again, senders
    // repeat, the beacon is due again), but what was sent still counts.
    void clear();

    std::uint64_t droppedAcks() const { return droppedAcks_; }
    bool waiting() const { return !queued_.empty(); }
    const BudgetLimits& limits() const { return limits_; }

private:
    struct Queued {
        OwnPacket kind;
        std::string information;
        std::int64_t since;
    };
    std::int64_t earliestSend() const;

    BudgetLimits limits_;
    std::vector<Queued> queued_;     // in the order they came; release() picks by kind
    std::deque<std::int64_t> sent_;  // the last perMinute send times, oldest first
    std::uint64_t droppedAcks_ = 0;
};

}  // namespace quilmo
