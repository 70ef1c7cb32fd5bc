#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace quilmo {

// The destination of converse-mode frames when UNPROTO= is not set: an experimental
// tocall, since this program has none registered.
inline constexpr std::string_view kDefaultUnproto = "APZQLM";
// AX.25's default longest information field; a TNC may refuse anything longer.
inline constexpr std::size_t kMaxKissInfo = 256;

// What goes to a KISS TNC for one transmission: nothing and a notice, or the frames,
// each a complete KISS frame to be written at once.
struct KissTransmit {
    bool refused = false;
    std::string notice;
    std::vector<std::string> frames;
};

// Converse mode: every line of `sendText` (split at CR LF, which is not sent; the
// text after the last CR LF is a line too) becomes a UI frame from `myCall` to
// `unproto` ("APZQLM,WIDE1-1"; empty: APZQLM direct). XON and XOFF are flow control
// of a text TNC and never go on the air; a line left empty gives no frame. Refused as
// a whole without a valid `myCall` or with a line too long for one frame.
KissTransmit kissTransmitFrames(std::string_view sendText, std::string_view myCall, std::string_view unproto);

}  // namespace quilmo
