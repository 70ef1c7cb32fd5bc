#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo {

// Turns received text into packet lines. A line ends with CR LF; a monitor header printed
// alone (its ":" the last character, decorated or not) is joined with the next line unless
// that line is a monitor line itself: the header is then a packet with empty information.
// Empty lines are skipped; text that grows past kMaxPending bytes without a line end is
// dropped.
class AprsLineAssembler {
public:
    static constexpr std::size_t kMaxPending = 2048;
    // Appends a received chunk; each complete line (without CR LF) goes to `onLine`, as a
    // view that holds only during the call: no line needs a string of its own.
    void append(std::string_view chunk, const std::function<void(std::string_view)>& onLine);
    // The same with the lines appended to `out`.
    void append(std::string_view chunk, std::vector<std::string>& out);
    // Hands out the CR LF lines at the front of `text` straight from it, with no copy, when
    // nothing is pending; a header printed alone goes out joined with its information line.
    // Stops before a bare LF (the caller's line ends need mending there), before a header
    // whose information line is not complete yet, and before the text after the last line
    // end; returns how many characters were taken. The rest goes to append as usual.
    template <typename OnLine>
    std::size_t takeWholeLines(std::string_view text, OnLine&& onLine) {
        if (!pending_.empty() || held_ > 0 || discarding_) return 0;
        std::size_t start = 0;
        std::string_view line;
        for (std::size_t next; (next = crLfLineAt(text, start, line)) != 0; start = next) {
            if (!waitsForInformation(line)) {
                const std::string_view packet = withoutPrompt(line);
                if (!packet.empty()) onLine(packet);
                continue;
            }
            std::string_view information;
            const std::size_t after = crLfLineAt(text, next, information);
            if (after == 0) break;
            if (information.empty() || isMonitorLine(information)) {
                onLine(withoutPrompt(line));  // no information line: the header goes alone
                continue;
            }
            joined_.assign(withoutPrompt(line));
            joined_ += information;
            onLine(std::string_view(joined_));
            next = after;
        }
        return start;
    }
    // A monitor header printed on a line of its own (CR LF not included): it is joined with
    // the line after it. A caller cutting text into independent parts must not cut there.
    static bool waitsForInformation(std::string_view line) {
        return !line.empty() && line.back() == ':' && endsInBareHeader(line);  // most lines end otherwise
    }
    const std::string& pending() const { return pending_; }
    void clear() {
        pending_.clear();
        held_ = 0;
        discarding_ = false;
    }

private:
    static std::string_view withoutPrompt(std::string_view line);
    static bool endsInBareHeader(std::string_view line);
    static bool isMonitorLine(std::string_view line);
    // The line from `start` to a CR LF in `text`, and where the text after it begins; 0 when
    // no CR LF ends a line there (end of text, or a bare LF first).
    static std::size_t crLfLineAt(std::string_view text, std::size_t start, std::string_view& line) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos || lf == start || text[lf - 1] != '\r') return 0;
        line = text.substr(start, lf - 1 - start);
        return lf + 1;
    }

    std::string pending_;
    std::size_t held_ = 0;     // length of a header line at the front of pending_ that waits for its information line
    bool discarding_ = false;  // dropping an overlong line up to its line end
    std::string joined_;       // a header and its information line, handed out by takeWholeLines
};

}  // namespace quilmo
