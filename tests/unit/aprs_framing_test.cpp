#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "aprs/framing.h"

namespace quilmo {
namespace {

struct Case {
    const char* name;
    std::vector<std::string> reads;
    std::vector<std::string> lines;
};

const std::string kLong(2049, 'x');
const std::string kLimit(AprsLineAssembler::kMaxPending, 'y');

const Case kCases[] = {
    {"one_line", {"SRC>DST:>a\r\n"}, {"SRC>DST:>a"}},
    {"two_lines_in_one_read", {"A>B:>1\r\nC>D:>2\r\n"}, {"A>B:>1", "C>D:>2"}},
    {"read_ends_mid_line", {"A>B:>", "1\r\nC>D", ":>2\r\n"}, {"A>B:>1", "C>D:>2"}},
    {"line_end_split_across_reads", {"A>B:>1\r", "\nC>D:>2\r\n"}, {"A>B:>1", "C>D:>2"}},
    {"header_joined_with_information", {"SRC>DST,PATH:\r\n!4430.60N/01120.10E-text\r\n"},
     {"SRC>DST,PATH:!4430.60N/01120.10E-text"}},
    {"header_joined_across_reads", {"SRC>DST:", "\r", "\n>x\r", "\n"}, {"SRC>DST:>x"}},
    {"text_ending_in_colon_is_a_packet", {"A>B::N0CALL   :see you at:\r\nC>D:>2\r\n"},
     {"A>B::N0CALL   :see you at:", "C>D:>2"}},
    {"empty_lines_skipped", {"\r\n\r\nA>B:>1\r\n\r\n"}, {"A>B:>1"}},
    {"header_without_information", {"A>B:\r\n\r\nC>D:>2\r\n"}, {"A>B:", "C>D:>2"}},
    {"two_headers_in_a_row", {"A>B:\r\nC>D:\r\n>x\r\n"}, {"A>B:", "C>D:>x"}},
    {"unfinished_line_waits", {"A>B:>1"}, {}},
    {"lone_cr_and_lf_stay", {"A>B:>x\ry\n\r\n"}, {"A>B:>x\ry\n"}},
    {"overlong_line_dropped_to_its_end", {kLong, "tail\r\nA>B:>1\r\n"}, {"A>B:>1"}},
    {"overlong_line_with_split_line_end", {kLong + "\r", "\nA>B:>1\r\n"}, {"A>B:>1"}},
    {"line_at_the_limit_kept", {kLimit, "\r\n"}, {kLimit}},
};

TEST(AprsLineAssembler, LinesAcrossReads) {
    for (const Case& c : kCases) {
        AprsLineAssembler assembler;
        std::vector<std::string> lines;
        for (const std::string& read : c.reads) assembler.append(read, lines);
        EXPECT_EQ(lines, c.lines) << c.name;
    }
}

TEST(AprsLineAssembler, PendingTextStaysBounded) {
    AprsLineAssembler assembler;
    std::vector<std::string> lines;
    assembler.append("A>B:>1", lines);
    EXPECT_EQ(assembler.pending(), "A>B:>1");
    for (int i = 0; i < 10; ++i) assembler.append(kLong, lines);
    EXPECT_LE(assembler.pending().size(), AprsLineAssembler::kMaxPending);
    EXPECT_TRUE(lines.empty());
    assembler.clear();
    assembler.append("C>D:>2\r\n", lines);
    EXPECT_EQ(lines, std::vector<std::string>{"C>D:>2"});
}

}  // namespace
}  // namespace quilmo
