#include <gtest/gtest.h>

#include "terminal/receive.h"

namespace quilmo {
namespace {

constexpr std::size_t kLimit = BoundedText::kLimit, kKeep = BoundedText::kKeep;

// Distinct neighbours, so a cut one place off shows.
std::string numbered(std::size_t n) {
    std::string s(n, ' ');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 23);
    return s;
}

struct EdgeRow { const char* name; bool rxView; std::size_t before, chunk; bool trimmed; };
const EdgeRow kEdges[] = {
    {"rx_at_limit_uncut", true, kLimit, 9, false},
    {"rx_one_over_cut_before_append", true, kLimit + 1, 9, true},
    {"rx_below_limit_grows_past_it", true, kLimit - 1, 500, false},
    {"history_reaching_limit_uncut", false, kLimit - 9, 9, false},
    {"history_one_over_after_append_cut", false, kLimit - 9, 10, true},
};
class Edges : public ::testing::TestWithParam<EdgeRow> {};
TEST_P(Edges, cutToRightmost32000) {
    const auto& r = GetParam();
    const std::string whole = numbered(r.before + r.chunk), old = whole.substr(0, r.before), chunk = whole.substr(r.before);
    BoundedText view;
    view.trimThenAppend(old);  // an empty view is never cut
    ASSERT_EQ(view.text(), old);
    EXPECT_EQ(r.rxView ? view.trimThenAppend(chunk) : view.appendThenTrim(chunk), r.trimmed);
    const std::string expected = !r.trimmed ? whole : r.rxView ? old.substr(old.size() - kKeep) + chunk
                                                                : whole.substr(whole.size() - kKeep);
    EXPECT_EQ(view.text(), expected);
}
INSTANTIATE_TEST_SUITE_P(View, Edges, ::testing::ValuesIn(kEdges), [](const auto& i) { return i.param.name; });

TEST(Receive, emptyChunkLeavesHoldAndOversizedViewAlone) {
    BoundedText view;
    view.trimThenAppend(numbered(kLimit + 1));
    std::int16_t hold = 1;
    EXPECT_FALSE(receiveChunk("", hold, view).rxViewTrimmed);
    EXPECT_EQ(view.text().size(), kLimit + 1);
    EXPECT_EQ(hold, 1);
    EXPECT_TRUE(receiveChunk("y", hold, view).rxViewTrimmed);
    EXPECT_EQ(view.text().size(), kKeep + 1);
}

}  // namespace
}  // namespace quilmo
