#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo {

// Turns received text into packet lines. A line ends with CR LF; a line whose last
// character before CR LF is ":" is a monitor header printed alone and is joined with
// the next line. Empty lines are skipped; text that grows past kMaxPending bytes
// without a line end is dropped.
class AprsLineAssembler {
public:
    static constexpr std::size_t kMaxPending = 2048;
    // Appends a received chunk; each complete line (without CR LF) goes to `onLine`, as a
    // view that holds only during the call: no line needs a string of its own.
    void append(std::string_view chunk, const std::function<void(std::string_view)>& onLine);
    // The same with the lines appended to `out`.
    void append(std::string_view chunk, std::vector<std::string>& out);
    // Hands out the CR LF lines at the front of `text` straight from it, with no copy, when
    // nothing is pending. Stops before a bare LF (the caller's line ends need mending there),
    // a header line printed alone and the text after the last line end; returns how many
    // characters were taken. The rest goes to append as usual.
    template <typename OnLine>
    std::size_t takeWholeLines(std::string_view text, OnLine&& onLine) {
        if (!pending_.empty() || held_ > 0 || discarding_) return 0;
        std::size_t start = 0;
        for (std::size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n', start)) {
            if (lf == start || text[lf - 1] != '\r') break;
            const std::string_view line = text.substr(start, lf - 1 - start);
            if (waitsForInformation(line)) break;
            const std::string_view packet = withoutPrompt(line);
            if (!packet.empty()) onLine(packet);
            start = lf + 1;
        }
        return start;
    }
    // A monitor header printed on a line of its own (CR LF not included): it is joined with
    // the line after it. A caller cutting text into independent parts must not cut there.
    static bool waitsForInformation(std::string_view line);
    const std::string& pending() const { return pending_; }
    void clear() {
        pending_.clear();
        held_ = 0;
        discarding_ = false;
    }

private:
    static std::string_view withoutPrompt(std::string_view line);

    std::string pending_;
    std::size_t held_ = 0;     // length of a header line at the front of pending_ that waits for its information line
    bool discarding_ = false;  // dropping an overlong line up to its line end
};

}  // namespace quilmo
