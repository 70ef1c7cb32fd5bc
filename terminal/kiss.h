#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quilmo {

// KISS framing bytes.
inline constexpr char kFend = '\xC0';
inline constexpr char kFesc = '\xDB';
inline constexpr char kTfend = '\xDC';
inline constexpr char kTfesc = '\xDD';

// One frame between two FENDs, unescaped. `port` and `command` come from the frame's
// first byte (high and low nibble); `data` is what follows it.
struct KissFrame {
    int port = 0;
    int command = 0;  // 0: a data frame (an AX.25 frame in `data`)
    std::string_view data;
};

// Splits a KISS byte stream into frames, one byte at a time, so reads of any size give
// the same frames. Text before the first FEND is discarded; FENDs with nothing between
// them are no frames. A frame with a bad escape or longer than kMaxFrame bytes is
// dropped and counted, and the next FEND starts afresh.
class KissSplitter {
public:
    static constexpr std::size_t kMaxFrame = 2048;  // unescaped, type byte included

    // Every complete frame goes to `onFrame`; its data holds only during the call.
    void feed(std::string_view bytes, const std::function<void(const KissFrame&)>& onFrame);
    // Forgets a half-received frame and waits for a FEND again (after a device loss).
    void reset();
    // Frames dropped so far for a bad escape or their length.
    std::uint64_t dropped() const { return dropped_; }

private:
    enum class State { Hunting, InFrame, Escaped, Discarding };

    void drop();

    State state_ = State::Hunting;
    std::string frame_;
    std::uint64_t dropped_ = 0;
};

// FEND, the type byte (port 0, data), `frame` with FEND and FESC escaped, FEND.
std::string kissDataFrame(std::string_view frame);

}  // namespace quilmo
