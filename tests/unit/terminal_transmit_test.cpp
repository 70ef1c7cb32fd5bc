#include <gtest/gtest.h>

#include <string>

#include "terminal/bounded_text.h"
#include "terminal/receive.h"
#include "terminal/transmit.h"

namespace quilmo {
namespace {

const LocalTime kNow{2024, 3, 7, 9, 5, 41};  // "2024-03-07", "09:05"

struct ExpandCase {
    const char* name;
    ValueFields fields;
    std::string buffer;
    std::string expected;
};

const ExpandCase kExpand[] = {
    {"value_fields_both_cases", {"AA", "BB", "CC"}, "^#v1^#V1 ^#v2^#V2 ^#v3^#V3", "AAAA BBBB CCCC"},
    {"time_and_date_both_cases", {}, "^#h|^#H|^#d|^#D", "09:05|09:05|2024-03-07|2024-03-07"},
    {"every_occurrence", {"x", "", ""}, "^#V1-^#V1-^#V1", "x-x-x"},
    {"later_step_expands_value", {"^#H", "", ""}, "at ^#V1", "at 09:05"},
    {"earlier_step_stays_literal", {"", "", "^#V1"}, "^#V3", "^#V1"},
    {"v2_brings_v3", {"", "[^#v3]", "three"}, "^#V2", "[three]"},
    {"v3_brings_v2_literal", {"", "two", "^#v2"}, "^#V3", "^#v2"},
    {"value_holding_own_placeholder", {"^#v1", "", ""}, "^#v1", "^#v1"},
    {"lower_case_step_runs_first", {"^#V1x", "", ""}, "^#v1", "^#V1xx"},
    {"value_brings_date", {"", "", "^#d"}, "^#v3", "2024-03-07"},
    {"empty_value_removes_placeholder", {"", "", ""}, "a^#V2b", "ab"},
    {"other_letters_untouched", {"v", "", ""}, "^#X ^#v4 ^# #V1 ^V1", "^#X ^#v4 ^# #V1 ^V1"},
    {"split_placeholder_not_joined", {"", "", ""}, "^#\r\nH", "^#\r\nH"},
    {"caret_notation_kept", {"", "", ""}, "^C^#H^d", "^C09:05^d"},
};

class Expansion : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(Expansion, replacesInFixedOrder) {
    const auto& c = GetParam();
    EXPECT_EQ(expandPlaceholders(c.buffer, c.fields, kNow), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Placeholders, Expansion, ::testing::ValuesIn(kExpand),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Expansion, singleDigitDateAndMidnightArePadded) {
    const LocalTime early{987, 1, 2, 0, 0, 0};
    EXPECT_EQ(expandPlaceholders("^#D ^#H", {}, early), "987-01-02 00:00");
}

struct CaretCase {
    const char* name;
    std::string text;
    std::string bytes;
};

const CaretCase kCarets[] = {
    {"upper_case", "^C^D^S^Q", std::string("\x03\x04\x13\x11")},
    {"lower_case", "^c^d^s^q", std::string("\x03\x04\x13\x11")},
    {"other_letters_stay", "^A^Z^x^^", "^A^Z^x^^"},
    {"caret_before_pair", "^^C", std::string("^\x03")},
    {"lone_caret_at_end", "ab^", "ab^"},
    {"embedded_in_text", "x^Cy^dz", std::string("x\x03y\x04z")},
    {"line_end_kept", "go^S\r\n", std::string("go\x13\r\n")},
    {"empty", "", ""},
};

class Carets : public ::testing::TestWithParam<CaretCase> {};

TEST_P(Carets, becomeBytesOnlyForTheFourLetters) {
    EXPECT_EQ(caretToBytes(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Notation, Carets, ::testing::ValuesIn(kCarets),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Carets, bytesComeBackInUpperCase) {
    EXPECT_EQ(bytesToCaret(caretToBytes("^c^d^s^q^x")), "^C^D^S^Q^x");
    EXPECT_EQ(bytesToCaret(std::string("\x01\x05" "A")), std::string("\x01\x05" "A"));
}

struct PlanCase {
    const char* name;
    std::string buffer;
    ValueFields fields;
    int ctrlDEnd;
    std::string readable;
    std::string sent;
    XoffIndicator xoff;
    std::int16_t holdAfter;
};

const PlanCase kPlans[] = {
    {"line_with_enter", "hello\r\n", {}, 0, "hello\r\n", "hello\r\n", XoffIndicator::Unchanged, 0},
    {"date_never_sends_eot", "^#D", {}, 0, "2024-03-07", "2024-03-07", XoffIndicator::Unchanged, 0},
    {"lower_case_kept_without_ctrldend", "^c\r\n", {}, 0, "^c\r\n", std::string("\x03\r\n"),
     XoffIndicator::Unchanged, 0},
    {"eot_sent_plainly_without_ctrldend", "abc^Ddef\r\n", {}, 0, "abc^Ddef\r\n",
     std::string("abc\x04" "def\r\n"), XoffIndicator::Unchanged, 0},
    {"ctrldend_cuts_after_eot", "abc^Ddef\r\n", {}, 1, "abc^D", std::string("abc\x04"),
     XoffIndicator::Unchanged, 1},
    {"ctrldend_cuts_at_first_of_two", "a^db^Dc", {}, 1, "a^D", std::string("a\x04"),
     XoffIndicator::Unchanged, 1},
    {"ctrldend_drops_xon_after_eot", "^S^D^Q", {}, 1, "^S^D", std::string("\x13\x04"),
     XoffIndicator::Show, 1},
    {"ctrldend_without_eot_upper_cases", "^c^s\r\n", {}, 1, "^C^S\r\n", std::string("\x03\x13\r\n"),
     XoffIndicator::Show, 0},
    {"ctrldend_eot_from_value_field", "^#V1 more", {"q^d", "", ""}, 1, "q^D", std::string("q\x04"),
     XoffIndicator::Unchanged, 1},
    {"xoff_shows", "stop^S", {}, 0, "stop^S", std::string("stop\x13"), XoffIndicator::Show, 0},
    {"xon_hides", "^q", {}, 0, "^q", std::string("\x11"), XoffIndicator::Hide, 0},
    {"both_hide", "^Q^S", {}, 0, "^Q^S", std::string("\x11\x13"), XoffIndicator::Hide, 0},
    {"time_in_value_field", "^#V1\r\n", {"^#H", "", ""}, 0, "09:05\r\n", "09:05\r\n",
     XoffIndicator::Unchanged, 0},
    {"empty_buffer", "", {}, 1, "", "", XoffIndicator::Unchanged, 0},
};

class Plan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(Plan, decidesWhatIsSentAndShown) {
    const auto& c = GetParam();
    std::int16_t txHold = 0;
    const TransmitPlan plan = planTransmit(c.buffer, c.fields, kNow, c.ctrlDEnd, txHold);
    EXPECT_FALSE(plan.held);
    EXPECT_EQ(plan.readable, c.readable);
    EXPECT_EQ(plan.sendText, c.sent);
    EXPECT_EQ(plan.xoff, c.xoff);
    EXPECT_EQ(txHold, c.holdAfter);
}

INSTANTIATE_TEST_SUITE_P(Transmit, Plan, ::testing::ValuesIn(kPlans),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TransmitHold, heldPlanDoesNothingAndKeepsHold) {
    std::int16_t txHold = 1;
    const TransmitPlan plan = planTransmit("abc^S\r\n", {}, kNow, 1, txHold);
    EXPECT_TRUE(plan.held);
    EXPECT_EQ(plan.sendText, "");
    EXPECT_EQ(plan.xoff, XoffIndicator::Unchanged);
    EXPECT_EQ(txHold, 1);
}

TEST(TransmitHold, staysUntilDataArrives) {
    std::int16_t txHold = 0;
    BoundedText rxView;
    ASSERT_EQ(planTransmit("cmd^D", {}, kNow, 1, txHold).sendText, std::string("cmd\x04"));
    EXPECT_TRUE(planTransmit("next\r\n", {}, kNow, 1, txHold).held);
    EXPECT_TRUE(planTransmit("next\r\n", {}, kNow, 0, txHold).held) << "the hold outlives CTRLDEND";

    EXPECT_FALSE(receiveChunk("", txHold, rxView).accepted);
    EXPECT_TRUE(planTransmit("next\r\n", {}, kNow, 1, txHold).held) << "an empty notification lifts nothing";

    EXPECT_TRUE(receiveChunk("ok", txHold, rxView).accepted);
    EXPECT_EQ(txHold, 0);
    const TransmitPlan plan = planTransmit("next\r\n", {}, kNow, 1, txHold);
    EXPECT_FALSE(plan.held);
    EXPECT_EQ(plan.sendText, "next\r\n");
    EXPECT_EQ(rxView.text(), "ok");
}

TEST(TransmitHold, releasedHoldReturnsWithTheNextEot) {
    std::int16_t txHold = 0;
    planTransmit("^D", {}, kNow, 1, txHold);
    BoundedText rxView;
    receiveChunk("x", txHold, rxView);
    planTransmit("plain", {}, kNow, 1, txHold);
    EXPECT_EQ(txHold, 0);
    planTransmit("again^d", {}, kNow, 1, txHold);
    EXPECT_EQ(txHold, 1);
}

}  // namespace
}  // namespace quilmo
