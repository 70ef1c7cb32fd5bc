#include "terminal/bounded_text.h"

namespace quilmo {

bool BoundedText::trim() {
    if (text_.size() <= kLimit) return false;
    text_.erase(0, text_.size() - kKeep);
    return true;
}

bool BoundedText::trimThenAppend(std::string_view chunk) {
    // The Rx view is measured before the chunk arrives, so a view just under the
    // limit may end up well above it until the next chunk.
    const bool trimmed = trim();
    text_.append(chunk);
    return trimmed;
}

bool BoundedText::appendThenTrim(std::string_view chunk) {
    text_.append(chunk);
    return trim();
}

}  // namespace quilmo
