#include "terminal/transmit.h"

#include <array>
#include <utility>

namespace quilmo {
namespace {

constexpr char kEtx = 3;
constexpr char kEot = 4;
constexpr char kXoff = 19;
constexpr char kXon = 17;

// Every occurrence, left to right; the inserted text is not searched again, so a
// value that holds its own placeholder cannot loop.
void replaceAll(std::string& text, std::string_view pattern, std::string_view value) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, from)) {
        out.append(text, from, at - from);
        out.append(value);
        from = at + pattern.size();
    }
    if (from == 0) return;
    out.append(text, from, std::string::npos);
    text = std::move(out);
}

char controlByteFor(char letter) {
    switch (letter) {
        case 'C': case 'c': return kEtx;
        case 'D': case 'd': return kEot;
        case 'S': case 's': return kXoff;
        case 'Q': case 'q': return kXon;
        default: return 0;
    }
}

}  // namespace

std::string expandPlaceholders(std::string_view buffer, const ValueFields& fields, const LocalTime& now) {
    const std::string time = timeText(now);
    const std::string date = dateText(now);
    // The order is part of the behaviour: a placeholder brought in by a value field is
    // expanded only when its own step comes later.
    const std::array<std::pair<std::string_view, std::string_view>, 10> steps{{
        {"^#v1", fields.v1}, {"^#V1", fields.v1},
        {"^#v2", fields.v2}, {"^#V2", fields.v2},
        {"^#v3", fields.v3}, {"^#V3", fields.v3},
        {"^#h", time}, {"^#H", time},
        {"^#d", date}, {"^#D", date},
    }};
    std::string text(buffer);
    for (const auto& [pattern, value] : steps) replaceAll(text, pattern, value);
    return text;
}

std::string caretToBytes(std::string_view text) {
    // One pass gives the same result as replacing each pair in turn: a pair's second
    // character is a letter, so pairs never overlap and a control byte never forms a new one.
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char byte = (text[i] == '^' && i + 1 < text.size()) ? controlByteFor(text[i + 1]) : 0;
        if (byte != 0) {
            out += byte;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string bytesToCaret(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        switch (c) {
            case kEtx: out += "^C"; break;
            case kEot: out += "^D"; break;
            case kXoff: out += "^S"; break;
            case kXon: out += "^Q"; break;
            default: out += c;
        }
    }
    return out;
}

TransmitPlan planTransmit(std::string_view buffer, const ValueFields& fields, const LocalTime& now,
                          int ctrlDEnd, std::int16_t& txHold) {
    TransmitPlan plan;
    if (txHold == 1) {
        plan.held = true;
        return plan;
    }
    plan.readable = expandPlaceholders(buffer, fields, now);
    plan.sendText = caretToBytes(plan.readable);
    if (ctrlDEnd == 1) {
        const std::size_t eot = plan.sendText.find(kEot);
        if (eot != std::string::npos) {
            plan.sendText.resize(eot + 1);
            txHold = 1;
        }
        // Even without a ^D the buffer shows the form that was sent, upper case.
        plan.readable = bytesToCaret(plan.sendText);
    }
    if (plan.sendText.find(kXoff) != std::string::npos) plan.xoff = XoffIndicator::Show;
    if (plan.sendText.find(kXon) != std::string::npos) plan.xoff = XoffIndicator::Hide;
    return plan;
}

}  // namespace quilmo
