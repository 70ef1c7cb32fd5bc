#include <gtest/gtest.h>

#include <tuple>

#include "terminal/receive.h"
#include "terminal/transmit.h"

namespace quilmo {
namespace {

const LocalTime kNow{2024, 3, 7, 9, 5, 41};
constexpr std::size_t kLimit = BoundedText::kLimit, kKeep = BoundedText::kKeep;

// Distinct neighbours, so a cut one place off shows.
std::string numbered(std::size_t n) {
    std::string s(n, ' ');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 23);
    return s;
}

// The Rx view is cut before a chunk goes in, the Tx history after.
TEST(BoundedText, CutToTheRightmostKeptPartAtTheLimit) {
    const struct { const char* name; bool rxView; std::size_t before, chunk; bool trimmed; } rows[] = {
        {"rx at limit", true, kLimit, 9, false},
        {"rx one over, cut before append", true, kLimit + 1, 9, true},
        {"rx below limit grows past it", true, kLimit - 1, 500, false},
        {"history reaching limit", false, kLimit - 9, 9, false},
        {"history one over after append", false, kLimit - 9, 10, true},
    };
    for (const auto& r : rows) {
        const std::string whole = numbered(r.before + r.chunk), old = whole.substr(0, r.before), chunk = whole.substr(r.before);
        BoundedText view;
        view.trimThenAppend(old);  // an empty view is never cut
        EXPECT_EQ(r.rxView ? view.trimThenAppend(chunk) : view.appendThenTrim(chunk), r.trimmed) << r.name;
        const std::string kept = !r.trimmed ? whole : r.rxView ? old.substr(old.size() - kKeep) + chunk
                                                               : whole.substr(whole.size() - kKeep);
        EXPECT_EQ(view.text(), kept) << r.name;
    }
}

TEST(Transmit, PlaceholdersExpandInFixedOrder) {
    const struct { const char* name; ValueFields fields; std::string buffer, expected; } rows[] = {
        {"all, both cases", {"A", "B", "C"}, "^#v1^#V1^#v2^#V2^#v3^#V3 ^#h^#H ^#d^#D", "AABBCC 09:0509:05 2024-03-072024-03-07"},
        {"later step expands value", {"^#H", "", ""}, "^#V1", "09:05"},
        {"earlier step stays literal", {"", "", "^#V1"}, "^#V3", "^#V1"},
        {"lower case step first", {"^#V1x", "", ""}, "^#v1", "^#V1xx"},
        {"own placeholder not rescanned", {"^#v1", "", ""}, "^#v1 ^#v1", "^#v1 ^#v1"},
        {"others untouched", {"v", "", ""}, "^#X ^#v4 ^#\r\nH ^C^d", "^#X ^#v4 ^#\r\nH ^C^d"},
    };
    for (const auto& r : rows) EXPECT_EQ(expandPlaceholders(r.buffer, r.fields, kNow), r.expected) << r.name;
}

TEST(Transmit, CaretsBecomeBytesAndReturnUpperCase) {
    const struct { std::string text, bytes; } rows[] = {
        {"^C^D^S^Q^c^d^s^q", "\x03\x04\x13\x11\x03\x04\x13\x11"},
        {"^A^x^^C^", "^A^x^\x03^"},  // other letters and lone carets stay
    };
    for (const auto& r : rows) {
        EXPECT_EQ(caretToBytes(r.text), r.bytes) << r.text;
        EXPECT_EQ(caretToBytes(bytesToCaret(r.bytes)), r.bytes) << r.text;
    }
}

TEST(Transmit, PlanDecidesSentAndShownText) {
    using X = XoffIndicator;
    const struct { const char* name; std::string buffer; int ctrlDEnd; std::string readable, sent; X xoff; int hold; } rows[] = {
        {"date never sends EOT", "^#D\r\n", 1, "2024-03-07\r\n", "2024-03-07\r\n", X::Unchanged, 0},
        {"notation kept when off", "abc^ddef", 0, "abc^ddef", "abc\x04" "def", X::Unchanged, 0},
        {"CTRLDEND cuts after first EOT", "abc^ddef^D\r\n", 1, "abc^D", "abc\x04", X::Unchanged, 1},
        {"CTRLDEND drops XON after EOT", "^s^D^Q", 1, "^S^D", "\x13\x04", X::Show, 1},
        {"CTRLDEND upper-cases without EOT", "^c^q", 1, "^C^Q", "\x03\x11", X::Hide, 0},
        {"XON after XOFF hides", "^S^Q", 0, "^S^Q", "\x13\x11", X::Hide, 0},
        {"XOFF before XON still hides", "^Q^S", 0, "^Q^S", "\x11\x13", X::Hide, 0},
    };
    for (const auto& r : rows) {
        std::int16_t hold = 0;
        const TransmitPlan p = planTransmit(r.buffer, {}, kNow, r.ctrlDEnd, hold);
        EXPECT_EQ(std::make_tuple(p.held, p.readable, p.sendText, p.xoff, int{hold}),
                  std::make_tuple(false, r.readable, r.sent, r.xoff, r.hold)) << r.name;
    }
}

// After a CTRLDEND send, sending waits for received text; an empty read neither frees it nor cuts the view.
TEST(Transmit, HoldStaysUntilTextIsReceived) {
    std::int16_t hold = 0;
    BoundedText rx;
    rx.trimThenAppend(numbered(kLimit + 1));
    planTransmit("cmd^D", {}, kNow, 1, hold);
    EXPECT_TRUE(planTransmit("next", {}, kNow, 0, hold).held);
    const ReceiveResult empty = receiveChunk("", hold, rx);
    EXPECT_FALSE(empty.accepted || empty.rxViewTrimmed);
    EXPECT_EQ(rx.text().size(), kLimit + 1);
    EXPECT_TRUE(planTransmit("next", {}, kNow, 1, hold).held);
    const ReceiveResult text = receiveChunk("ok", hold, rx);
    EXPECT_TRUE(text.accepted && text.rxViewTrimmed);
    EXPECT_EQ(rx.text().size(), kKeep + 2);
    EXPECT_EQ(planTransmit("next", {}, kNow, 1, hold).sendText, "next");
    EXPECT_EQ(hold, 0);
}

}  // namespace
}  // namespace quilmo
