#include <gtest/gtest.h>

#include <string>

#include "terminal/bounded_text.h"
#include "terminal/receive.h"

namespace quilmo {
namespace {

// Distinct characters at every position, so a cut in the wrong place shows.
std::string numbered(std::size_t length) {
    std::string text(length, ' ');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 23);
    return text;
}

std::string lastOf(const std::string& text, std::size_t count) { return text.substr(text.size() - count); }

struct EdgeCase {
    const char* name;
    std::size_t before;  // length of the text already held
    std::size_t chunk;   // length of the appended text
    bool trimmed;
};

// Rx view: measured before the append.
const EdgeCase kRxEdges[] = {
    {"at_limit_nothing_cut", BoundedText::kLimit, 10, false},
    {"one_over_is_cut", BoundedText::kLimit + 1, 10, true},
    {"below_limit_grows_past_it", BoundedText::kLimit - 1, 500, false},
};

// History and APRS view: measured after the append.
const EdgeCase kHistoryEdges[] = {
    {"reaching_limit_nothing_cut", BoundedText::kLimit - 10, 10, false},
    {"one_over_after_append_is_cut", BoundedText::kLimit - 10, 11, true},
    {"big_chunk_alone_is_cut", 0, BoundedText::kLimit + 1, true},
};

class RxView : public ::testing::TestWithParam<EdgeCase> {};
class History : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(RxView, trimsBeforeAppending) {
    const auto& c = GetParam();
    const std::string old = numbered(c.before);
    const std::string chunk(c.chunk, '#');
    BoundedText view;
    view.trimThenAppend(old);
    ASSERT_EQ(view.text(), old);

    EXPECT_EQ(view.trimThenAppend(chunk), c.trimmed);
    EXPECT_EQ(view.text(), (c.trimmed ? lastOf(old, BoundedText::kKeep) : old) + chunk);
}

TEST_P(History, appendsBeforeTrimming) {
    const auto& c = GetParam();
    const std::string whole = numbered(c.before + c.chunk);
    BoundedText view;
    view.appendThenTrim(whole.substr(0, c.before));

    EXPECT_EQ(view.appendThenTrim(whole.substr(c.before)), c.trimmed);
    EXPECT_EQ(view.text(), c.trimmed ? lastOf(whole, BoundedText::kKeep) : whole);
}

INSTANTIATE_TEST_SUITE_P(Edges, RxView, ::testing::ValuesIn(kRxEdges),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Edges, History, ::testing::ValuesIn(kHistoryEdges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RxView, keepsControlCharactersAndLineEndsAsReceived) {
    BoundedText view;
    const std::string raw("a\rb\nc\r\n\x00\x13z", 10);
    view.trimThenAppend(raw);
    EXPECT_EQ(view.text(), raw);
}

TEST(ReceiveChunk, emptyChunkChangesNothing) {
    BoundedText view;
    view.trimThenAppend(numbered(BoundedText::kLimit + 1));
    const std::string before = view.text();
    std::int16_t txHold = 1;
    const ReceiveResult result = receiveChunk("", txHold, view);
    EXPECT_FALSE(result.accepted);
    EXPECT_FALSE(result.rxViewTrimmed);
    EXPECT_EQ(txHold, 1);
    EXPECT_EQ(view.text(), before) << "an oversized view is not cut without new text";
}

TEST(ReceiveChunk, reportsTrimSoTheWidgetIsRebuilt) {
    BoundedText view;
    const std::string old = numbered(BoundedText::kLimit + 1);
    view.trimThenAppend(old);
    std::int16_t txHold = 0;
    const ReceiveResult result = receiveChunk("new", txHold, view);
    EXPECT_TRUE(result.accepted);
    EXPECT_TRUE(result.rxViewTrimmed);
    EXPECT_EQ(view.text(), lastOf(old, BoundedText::kKeep) + "new");
    EXPECT_EQ(txHold, 0);
}

}  // namespace
}  // namespace quilmo
