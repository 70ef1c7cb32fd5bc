#pragma once
// The simulated TNC apart from its transport: the paced replay and the answers to what
// the program sends are the same on a pseudo-terminal and for every TCP client.
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "kiss_sim.h"

namespace tncsim {

using Clock = std::chrono::steady_clock;

struct Pace {
    double baud = 0;  // pace like a line at this many baud, 10 bits a byte, when above 0
    double lps = 1;   // else this many lines a second
    bool loop = false;
};

// One listener's TNC: where its replay stands, whether it is paused, and its KISS
// receiver, so two clients never share a half-received frame.
class Tnc {
public:
    struct Answer {
        std::string reply;    // back to the program
        std::string printed;  // for standard output
    };

    // `lines` must outlive the Tnc; in KISS mode they are frames already.
    Tnc(const std::vector<std::string>& lines, const Pace& pace, bool kiss);

    // The replay's line due at `now`, or null; the cursor moves past a line it returns.
    const std::string* dueLine(Clock::time_point now);
    // When dueLine next has a line: max() while paused or once the replay is over.
    Clock::time_point nextLine() const;
    Answer answer(std::string_view received);

private:
    bool hasMore() const;

    const std::vector<std::string>& lines_;
    Pace pace_;
    bool kiss_;
    std::size_t index_ = 0;
    Clock::time_point next_;
    bool paused_ = false;
    KissListener listener_;
};

// Bytes on their way to the program.
class Outbox {
public:
    void add(std::string_view bytes);
    bool empty() const { return bytes_.empty(); }
    void clear() { bytes_.clear(); }
    // Writes what `fd` takes without blocking; false once it fails for good (the other
    // end is gone). Sockets need SIGPIPE ignored.
    bool flush(int fd);

private:
    std::string bytes_;
};

// Milliseconds from now until `until` for poll(), 0 when past, at most `cap`.
int pollTimeout(Clock::time_point until, int cap);

}  // namespace tncsim
