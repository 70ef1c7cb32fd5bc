#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "terminal/macro_use.h"
#include "terminal/macros.h"
#include "terminal_test_dir.h"

namespace quilmo {
namespace {

using test::TempDir;

TEST(MacroPath, namesTheNumberedFileInTheDirectory) {
    EXPECT_EQ(macroPath("/prog", 1), joinPath("/prog", "macro1.txt"));
    EXPECT_EQ(macroPath("/prog", 8), joinPath("/prog", "macro8.txt"));
}

struct PreviewCase {
    const char* name;
    std::string content;
    std::string preview;
};

const std::string kAlphabet30 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";

const PreviewCase kPreviews[] = {
    {"connect_line", "CONNECT\r\n", "CONNECT|"},
    {"thirty_bytes_cut_with_dots", kAlphabet30, kAlphabet30.substr(0, 24) + "..."},
    {"exactly_24_no_dots", kAlphabet30.substr(0, 24), kAlphabet30.substr(0, 24)},
    {"25_bytes_dots", kAlphabet30.substr(0, 25), kAlphabet30.substr(0, 24) + "..."},
    {"line_ends_inside_first_24", "a\r\nb\r\nc\r\n" + std::string(20, 'z'), "a|b|c|" + std::string(15, 'z') + "..."},
    {"lf_only_removed", "x\ny\n", "xy"},
    {"lone_cr_kept_as_bar", "x\ry", "x|y"},
    {"carets_and_placeholders_literal", "^C^#H", "^C^#H"},
};

class Preview : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(Preview, showsTheStartOfTheFile) {
    TempDir dir;
    const std::string path = macroPath(dir.path(), 1);
    ASSERT_TRUE(writeWholeFile(path, GetParam().content));
    EXPECT_EQ(readMacroPreview(path), GetParam().preview);
}

INSTANTIATE_TEST_SUITE_P(Macros, Preview, ::testing::ValuesIn(kPreviews),
                         [](const auto& info) { return std::string(info.param.name); });

struct ShowCase {
    const char* name;
    int n;
    std::string text;
    std::string message;
};

const ShowCase kShows[] = {
    {"a_crlf_b", 2, "A\r\nB", "Macro nr. 2\r\n\r\nA[CR]\r[LF]B"},
    {"lone_cr_and_lf", 7, "\rx\n", "Macro nr. 7\r\n\r\n[CR]\rx[LF]"},
    {"empty_text", 1, "", "Macro nr. 1\r\n\r\n"},
    {"other_bytes_unchanged", 3, std::string("^C\x03\xb0", 4), std::string("Macro nr. 3\r\n\r\n^C\x03\xb0", 19)},
};

class Show : public ::testing::TestWithParam<ShowCase> {};

TEST_P(Show, marksLineEnds) { EXPECT_EQ(showMacroText(GetParam().n, GetParam().text), GetParam().message); }

INSTANTIATE_TEST_SUITE_P(Macros, Show, ::testing::ValuesIn(kShows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CheckMacroFile, reportsEachKindOfFile) {
    TempDir dir;
    const std::string usable = dir.file("usable.txt");
    const std::string folder = dir.file("folder");
    ASSERT_TRUE(writeWholeFile(usable, "x"));
    ASSERT_TRUE(makeDirectory(folder));
    EXPECT_EQ(checkMacroFile(usable), kMacroUsable);
    EXPECT_EQ(checkMacroFile(""), kMacroNoPath);
    EXPECT_EQ(checkMacroFile("   "), kMacroNoPath);
    EXPECT_EQ(checkMacroFile(dir.file("absent.txt")), kMacroMissing);
    EXPECT_EQ(checkMacroFile(folder), kMacroMissing);
    EXPECT_TRUE(fileExists(folder)) << "only an empty file is deleted";
}

TEST(CheckMacroFile, deletesAnEmptyFile) {
    TempDir dir;
    const std::string path = macroPath(dir.path(), 3);
    ASSERT_TRUE(writeWholeFile(path, ""));
    EXPECT_EQ(checkMacroFile(path), kMacroMissing);
    EXPECT_FALSE(fileExists(path));
}

TEST(ReadMacroFile, returnsEveryByte) {
    TempDir dir;
    const std::string path = macroPath(dir.path(), 1);
    const std::string bytes("CONNECT\r\n\x00\xff", 11);
    ASSERT_TRUE(writeWholeFile(path, bytes));
    EXPECT_EQ(readMacroFile(path), bytes);
    EXPECT_EQ(readMacroFile(dir.file("none.txt")), std::nullopt);
}

TEST(ScanMacros, findsUsableFilesAndDeletesEmptyOnes) {
    TempDir dir;
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path(), 1), "CONNECT\r\n"));
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path(), 3), ""));
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path(), 8), kAlphabet30));

    const MacroSet macros = scanMacros(dir.path());

    const std::array<bool, kMacroCount> present{true, false, false, false, false, false, false, true};
    EXPECT_EQ(macros.present, present);
    EXPECT_EQ(macros.preview[0], "CONNECT|");
    EXPECT_EQ(macros.preview[2], "");
    EXPECT_EQ(macros.preview[7], kAlphabet30.substr(0, 24) + "...");
    EXPECT_FALSE(fileExists(macroPath(dir.path(), 3)));
}

TEST(MacroToInsert, readsTheFileAnewEachTime) {
    TempDir dir;
    const std::string path = macroPath(dir.path(), 2);
    ASSERT_TRUE(writeWholeFile(path, "first\r\n"));
    const MacroSet macros = scanMacros(dir.path());
    EXPECT_EQ(macroToInsert(dir.path(), 2, macros), "first\r\n");

    ASSERT_TRUE(writeWholeFile(path, "edited^#H\r\n"));
    EXPECT_EQ(macroToInsert(dir.path(), 2, macros), "edited^#H\r\n");
    EXPECT_EQ(macros.preview[1], "first|") << "the tool tip keeps the start-up text";
}

TEST(MacroToInsert, refusesMacrosNotUsableNow) {
    TempDir dir;
    const std::string path = macroPath(dir.path(), 4);
    ASSERT_TRUE(writeWholeFile(path, "x"));
    const MacroSet macros = scanMacros(dir.path());

    ASSERT_TRUE(writeWholeFile(macroPath(dir.path(), 5), "added later"));
    EXPECT_EQ(macroToInsert(dir.path(), 5, macros), std::nullopt) << "absent at start-up";

    ASSERT_TRUE(writeWholeFile(path, ""));
    EXPECT_EQ(macroToInsert(dir.path(), 4, macros), std::nullopt) << "emptied since start-up";
    EXPECT_FALSE(fileExists(path));
    EXPECT_EQ(macroToInsert(dir.path(), 4, macros), std::nullopt) << "deleted";

    EXPECT_EQ(macroToInsert(dir.path(), 0, macros), std::nullopt);
    EXPECT_EQ(macroToInsert(dir.path(), 9, macros), std::nullopt);
}

TEST(MacroMessage, showsAnyUsableFileEvenOneAddedLater) {
    TempDir dir;
    const std::array<bool, kMacroCount> none{};
    ASSERT_EQ(scanMacros(dir.path()).present, none);
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path(), 2), "A\r\nB"));
    EXPECT_EQ(macroMessage(dir.path(), 2), "Macro nr. 2\r\n\r\nA[CR]\r[LF]B");
    EXPECT_EQ(macroMessage(dir.path(), 5), std::nullopt);
    EXPECT_EQ(macroMessage(dir.path(), 9), std::nullopt);
}

}  // namespace
}  // namespace quilmo
