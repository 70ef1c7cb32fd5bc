#pragma once
#include <string>
#include <string_view>

namespace quilmo {

// Exact text of a growing view (Rx view, Tx history, APRS view). Above kLimit
// characters the text is cut to its rightmost kKeep characters.
class BoundedText {
public:
    static constexpr std::size_t kLimit = 56000;
    static constexpr std::size_t kKeep = 32000;
    // Rx view: trims the old text first, then appends. True when it trimmed.
    bool trimThenAppend(std::string_view chunk);
    // Tx history, APRS view: appends, then trims. True when it trimmed.
    bool appendThenTrim(std::string_view chunk);
    const std::string& text() const { return text_; }
    void clear() { text_.clear(); }

private:
    bool trim();
    std::string text_;
};

}  // namespace quilmo
