#include <gtest/gtest.h>

#include "terminal/receive.h"
#include "terminal/transmit.h"

namespace quilmo {
namespace {

const LocalTime kNow{2024, 3, 7, 9, 5, 41};
template <class Row> std::string rowName(const ::testing::TestParamInfo<Row>& i) { return i.param.name; }

struct ExpandRow { const char* name; ValueFields fields; std::string buffer, expected; };
const ExpandRow kExpand[] = {
    {"all_placeholders_both_cases", {"A", "B", "C"}, "^#v1^#V1^#v2^#V2^#v3^#V3 ^#h^#H ^#d^#D",
     "AABBCC 09:0509:05 2024-03-072024-03-07"},
    {"later_step_expands_value", {"^#H", "", ""}, "^#V1", "09:05"},
    {"earlier_step_stays_literal", {"", "", "^#V1"}, "^#V3", "^#V1"},
    {"lower_case_step_first", {"^#V1x", "", ""}, "^#v1", "^#V1xx"},
    {"own_placeholder_not_rescanned", {"^#v1", "", ""}, "^#v1 ^#v1", "^#v1 ^#v1"},
    {"others_untouched", {"v", "", ""}, "^#X ^#v4 ^#\r\nH ^C^d", "^#X ^#v4 ^#\r\nH ^C^d"},
};
class Expansion : public ::testing::TestWithParam<ExpandRow> {};
TEST_P(Expansion, runsInFixedOrder) {
    EXPECT_EQ(expandPlaceholders(GetParam().buffer, GetParam().fields, kNow), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Tx, Expansion, ::testing::ValuesIn(kExpand), rowName<ExpandRow>);

struct CaretRow { const char* name; std::string text, bytes; };
const CaretRow kCarets[] = {
    {"both_cases", "^C^D^S^Q^c^d^s^q", "\x03\x04\x13\x11\x03\x04\x13\x11"},
    {"other_letters_and_lone_carets", "^A^x^^C^", "^A^x^\x03^"},
};
class Carets : public ::testing::TestWithParam<CaretRow> {};
TEST_P(Carets, becomeBytesAndReturnUpperCase) {
    EXPECT_EQ(caretToBytes(GetParam().text), GetParam().bytes);
    EXPECT_EQ(caretToBytes(bytesToCaret(GetParam().bytes)), GetParam().bytes);
}
INSTANTIATE_TEST_SUITE_P(Tx, Carets, ::testing::ValuesIn(kCarets), rowName<CaretRow>);

struct PlanRow { const char* name; std::string buffer; int ctrlDEnd; std::string readable, sent; XoffIndicator xoff; int hold; };
using X = XoffIndicator;
const PlanRow kPlans[] = {
    {"date_never_sends_eot", "^#D\r\n", 1, "2024-03-07\r\n", "2024-03-07\r\n", X::Unchanged, 0},
    {"notation_kept_when_off", "abc^ddef", 0, "abc^ddef", "abc\x04" "def", X::Unchanged, 0},
    {"ctrldend_cuts_after_first_eot", "abc^ddef^D\r\n", 1, "abc^D", "abc\x04", X::Unchanged, 1},
    {"ctrldend_drops_xon_after_eot", "^s^D^Q", 1, "^S^D", "\x13\x04", X::Show, 1},
    {"ctrldend_upper_cases_without_eot", "^c^q", 1, "^C^Q", "\x03\x11", X::Hide, 0},
    {"xon_after_xoff_hides", "^S^Q", 0, "^S^Q", "\x13\x11", X::Hide, 0},
    {"xoff_before_xon_still_hides", "^Q^S", 0, "^Q^S", "\x11\x13", X::Hide, 0},
};
class Plan : public ::testing::TestWithParam<PlanRow> {};
TEST_P(Plan, decidesSentAndShownText) {
    const auto& r = GetParam();
    std::int16_t hold = 0;
    const TransmitPlan p = planTransmit(r.buffer, {}, kNow, r.ctrlDEnd, hold);
    EXPECT_FALSE(p.held);
    EXPECT_EQ(p.readable, r.readable);
    EXPECT_EQ(p.sendText, r.sent);
    EXPECT_EQ(p.xoff, r.xoff);
    EXPECT_EQ(hold, r.hold);
}
INSTANTIATE_TEST_SUITE_P(Tx, Plan, ::testing::ValuesIn(kPlans), rowName<PlanRow>);

TEST(TxHold, staysUntilTextIsReceived) {
    std::int16_t hold = 0;
    BoundedText rx;
    planTransmit("cmd^D", {}, kNow, 1, hold);
    EXPECT_TRUE(planTransmit("next", {}, kNow, 0, hold).held);
    EXPECT_FALSE(receiveChunk("", hold, rx).accepted);
    EXPECT_TRUE(planTransmit("next", {}, kNow, 1, hold).held);
    EXPECT_TRUE(receiveChunk("ok", hold, rx).accepted);
    EXPECT_EQ(planTransmit("next", {}, kNow, 1, hold).sendText, "next");
    EXPECT_EQ(hold, 0);
}

}  // namespace
}  // namespace quilmo
