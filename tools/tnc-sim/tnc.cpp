#include "tnc.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tncsim {
namespace {

constexpr char kXoff = 19;
constexpr char kXon = 17;

Clock::duration lineTime(const Pace& pace, const std::string& line) {
    const double seconds = pace.baud > 0 ? static_cast<double>(line.size()) * 10.0 / pace.baud : 1.0 / pace.lps;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

Tnc::Tnc(const std::vector<std::string>& lines, const Pace& pace, bool kiss)
    : lines_(lines), pace_(pace), kiss_(kiss), next_(Clock::now()) {}

bool Tnc::hasMore() const { return !lines_.empty() && (index_ < lines_.size() || pace_.loop); }

const std::string* Tnc::dueLine(Clock::time_point now) {
    if (paused_ || now < next_ || !hasMore()) return nullptr;
    if (index_ >= lines_.size()) index_ = 0;
    const std::string& line = lines_[index_++];
    next_ = std::max(next_ + lineTime(pace_, line), now);  // no race to catch up after a stall
    return &line;
}

Clock::time_point Tnc::nextLine() const { return paused_ || !hasMore() ? Clock::time_point::max() : next_; }

Tnc::Answer Tnc::answer(std::string_view received) {
    // Binary frames: no echo, no prompt, and XON/XOFF bytes are frame contents.
    if (kiss_) return {{}, listener_.monitorText(received)};
    Answer out;
    for (const char c : received) {
        // XOFF and XON are flow control, not text: they pause and resume the monitor.
        if (c == kXoff || c == kXon) {
            paused_ = c == kXoff;
        } else if (c == '\r') {
            out.reply += "\r\ncmd:";
        } else if (c != '\n') {
            out.reply += c;
        }
    }
    return out;
}

void Outbox::add(std::string_view bytes) {
    // A program that does not read must not make us hoard its backlog for ever.
    if (bytes_.size() < 65536) bytes_ += bytes;
}

bool Outbox::flush(int fd) {
    while (!bytes_.empty()) {
        const ssize_t n = ::write(fd, bytes_.data(), bytes_.size());
        if (n > 0) {
            bytes_.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
    }
    return true;
}

int pollTimeout(Clock::time_point until, int cap) {
    using namespace std::chrono;
    const Clock::time_point now = Clock::now();
    if (until <= now) return 0;
    if (until - now >= milliseconds(cap)) return cap;
    // Rounded up, so a wake-up is never early and the loop never spins waiting for `until`.
    return static_cast<int>(ceil<milliseconds>(until - now).count());
}

}  // namespace tncsim
