#include <gtest/gtest.h>

#include "terminal/macro_use.h"
#include "terminal/macros.h"
#include "terminal_test_dir.h"

namespace quilmo {
namespace {

const std::string k30 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";

struct PreviewRow { const char* name; std::string content, preview; };
const PreviewRow kPreviews[] = {
    {"connect_line", "CONNECT\r\n", "CONNECT|"},
    {"exactly_24_without_dots", k30.substr(0, 24), k30.substr(0, 24)},
    {"25_with_dots", k30.substr(0, 25), k30.substr(0, 24) + "..."},
    {"line_ends_counted_before_removal", "a\r\nb\n\rc" + k30, "a|b|c" + k30.substr(0, 17) + "..."},
};
class Preview : public ::testing::TestWithParam<PreviewRow> {};
TEST_P(Preview, showsStartOfFile) {
    test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 1), GetParam().content));
    EXPECT_EQ(readMacroPreview(macroPath(dir.path, 1)), GetParam().preview);
}
INSTANTIATE_TEST_SUITE_P(Macros, Preview, ::testing::ValuesIn(kPreviews), [](const auto& i) { return i.param.name; });

TEST(Macros, showTextMarksLineEnds) {
    EXPECT_EQ(showMacroText(2, "A\r\nB"), "Macro nr. 2\r\n\r\nA[CR]\r[LF]B");
    EXPECT_EQ(showMacroText(7, "\rx\n^C"), "Macro nr. 7\r\n\r\n[CR]\rx[LF]^C");
}

TEST(Macros, checkReportsStatusAndDeletesOnlyEmptyFiles) {
    test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(dir.file("empty"), "") && makeDirectory(dir.file("folder")));
    EXPECT_EQ(checkMacroFile("  "), kMacroNoPath);
    EXPECT_EQ(checkMacroFile(dir.file("absent")), kMacroMissing);
    EXPECT_EQ(checkMacroFile(dir.file("folder")), kMacroMissing);
    EXPECT_EQ(checkMacroFile(dir.file("empty")), kMacroMissing);
    EXPECT_FALSE(fileExists(dir.file("empty")));
    EXPECT_TRUE(fileExists(dir.file("folder")));
}

TEST(Macros, startUpScanThenEveryUseReadsTheFileAnew) {
    test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 1), "first\r\n") && writeWholeFile(macroPath(dir.path, 3), ""));
    const MacroSet set = scanMacros(dir.path);
    EXPECT_EQ(set.present, (std::array<bool, kMacroCount>{true, false, false, false, false, false, false, false}));
    EXPECT_FALSE(fileExists(macroPath(dir.path, 3)));

    ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 1), "edited^#H"));
    EXPECT_EQ(macroToInsert(dir.path, 1, set), "edited^#H");
    EXPECT_EQ(set.preview[0], "first|");

    ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 2), "A\r\nB"));
    EXPECT_EQ(macroToInsert(dir.path, 2, set), std::nullopt);  // added after start-up: only shown
    EXPECT_EQ(macroMessage(dir.path, 2), "Macro nr. 2\r\n\r\nA[CR]\r[LF]B");

    ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 1), ""));
    EXPECT_EQ(macroToInsert(dir.path, 1, set), std::nullopt);
    EXPECT_FALSE(fileExists(macroPath(dir.path, 1)));
}

}  // namespace
}  // namespace quilmo
