#include <gtest/gtest.h>

#include <vector>

#include "temp_dir.h"
#include "terminal/log_session.h"
#include "terminal/macro_use.h"
#include "terminal/macros.h"

namespace quilmo {
namespace {

const LocalTime kNow{2024, 3, 7, 9, 5, 41};
const std::string kHeader = "------------- 2024-03-07  09:05 -----------------\r\n";

// The Rx and Tx logs behave alike: each row runs on both.
struct Channel {
    std::int16_t LogBuffers::*save;
    std::string LogBuffers::*pending;
    const char* file;
    void (LogFiles::*add)(LogBuffers&, std::string_view) const;
    void (LogFiles::*changed)(LogBuffers&, bool, const LocalTime&) const;
};
const Channel kChannels[] = {
    {&LogBuffers::saveRx, &LogBuffers::rxLogBuffer, "$log_rx.txt", &LogFiles::addRx, &LogFiles::onSaveRxChanged},
    {&LogBuffers::saveTx, &LogBuffers::txLogBuffer, "$log_tx.txt", &LogFiles::addTx, &LogFiles::onSaveTxChanged},
};

TEST(Logs, WrittenOnceMoreThan128AreWaiting) {
    const struct { const char* name; std::int16_t save; std::vector<std::size_t> chunks; std::size_t written, pending; } rows[] = {
        {"exactly 128 wait", 1, {128}, 0, 128},
        {"the 129th writes", 1, {128, 1}, 129, 0},
        {"100 and 30 written together", 1, {100, 30}, 130, 0},
        {"off collects nothing", 0, {200}, 0, 0},
        {"start-up value collects nothing", 2, {200}, 0, 0},
    };
    for (const Channel& ch : kChannels) {
        for (const auto& r : rows) {
            test::TempDir dir;
            LogBuffers b;
            b.*ch.save = r.save;
            std::string all;
            for (const std::size_t n : r.chunks) {
                all += std::string(n, static_cast<char>('A' + all.size() % 26));
                (LogFiles(dir.path).*ch.add)(b, all.substr(all.size() - n));
            }
            EXPECT_EQ(readWholeFile(dir.file(ch.file)).value_or(""), all.substr(0, r.written)) << ch.file << r.name;
            EXPECT_EQ(b.*ch.pending, all.substr(r.written, r.pending)) << ch.file << r.name;
        }
    }
}

TEST(Logs, CheckBoxSwitchesTheLog) {
    const struct { const char* name; std::int16_t before; std::string pending; bool checked;
                   std::int16_t after; std::string appended, pendingAfter; } rows[] = {
        {"start-up value only becomes 1", 2, "p", false, 1, "", "p"},
        {"checking writes header, drops pending", 0, "stale", true, 1, kHeader, ""},
        {"unchecking writes pending", 1, std::string(50, 'p'), false, 0, std::string(50, 'p'), ""},
        {"unchecking with nothing pending", 1, "", false, 0, "", ""},
        {"checking while on changes nothing", 1, "p", true, 1, "", "p"},
    };
    for (const Channel& ch : kChannels) {
        for (const auto& r : rows) {
            test::TempDir dir;
            ASSERT_TRUE(writeWholeFile(dir.file(ch.file), "old"));  // no line end: the header follows directly
            LogBuffers b;
            b.*ch.save = r.before;
            b.*ch.pending = r.pending;
            (LogFiles(dir.path).*ch.changed)(b, r.checked, kNow);
            EXPECT_EQ(std::tie(b.*ch.save, b.*ch.pending), std::tie(r.after, r.pendingAfter)) << ch.file << r.name;
            EXPECT_EQ(dir.read(ch.file), "old" + r.appended) << ch.file << r.name;
        }
    }
}

TEST(Logs, FailedWriteDropsTextKeepsFileAndGoesOn) {
    test::TempDir dir;
    const LogFiles logs(dir.path);
    // A directory in a file's place is refused whoever runs the test.
    ASSERT_TRUE(makeDirectory(logs.rxPath()) && makeDirectory(logs.aprsPath()));
    ASSERT_TRUE(writeWholeFile(logs.txPath(), "kept"));
    std::filesystem::permissions(logs.txPath(), std::filesystem::perms::owner_read);
    LogBuffers b{1, 1, "", ""};
    logs.addRx(b, std::string(129, 'r'));
    logs.addTx(b, "sent");
    logs.flushTxLog(b);
    logs.appendAprsLog("lost");
    EXPECT_EQ(b.rxLogBuffer + b.txLogBuffer, "");
    EXPECT_TRUE(std::filesystem::is_empty(logs.rxPath()) && std::filesystem::is_empty(logs.aprsPath()));
    EXPECT_EQ(dir.read("$log_tx.txt").substr(0, 4), "kept");  // a superuser may append, never truncate
    std::filesystem::remove(logs.rxPath());
    logs.onSaveRxChanged(b, false, kNow);
    logs.onSaveRxChanged(b, true, kNow);
    EXPECT_EQ(dir.read("$log_rx.txt"), kHeader);
}

TEST(Logs, StartUpHeadersAprsLinesAndExitFlush) {
    test::TempDir dir;
    const LogFiles logs(dir.path);
    logs.appendAprsLog("one\r\ntwo");
    logs.appendAprsLog("three");
    EXPECT_EQ(dir.read("$log_aprs.txt"), "one\r\ntwo\r\nthree\r\n");
    LogBuffers b{1, 0, "", ""};
    markConfiguredLogs(b);
    logs.onSaveRxChanged(b, true, kNow);  // the window ticks the box only for 2
    writeStartHeaders(logs, b, kNow);
    EXPECT_EQ(dir.read("$log_rx.txt"), kHeader);
    logs.addRx(b, "tail");
    flushPendingLogs(logs, b);
    EXPECT_EQ(dir.read("$log_rx.txt"), kHeader + "tail");
    EXPECT_FALSE(fileExists(logs.txPath()));
}

TEST(Macros, PreviewAndShownText) {
    const std::string k30 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";
    const struct { std::string content, preview; } rows[] = {
        {"CONNECT\r\n", "CONNECT|"},
        {k30.substr(0, 24), k30.substr(0, 24)},
        {k30.substr(0, 25), k30.substr(0, 24) + "..."},
        {"a\r\nb\n\rc" + k30, "a|b|c" + k30.substr(0, 17) + "..."},  // line ends count before they are replaced
    };
    test::TempDir dir;
    for (const auto& r : rows) {
        ASSERT_TRUE(writeWholeFile(dir.file("m"), r.content));
        EXPECT_EQ(readMacroPreview(dir.file("m")), r.preview);
    }
    EXPECT_EQ(showMacroText(2, "A\r\nB"), "Macro nr. 2\r\n\r\nA[CR]\r[LF]B");
    EXPECT_EQ(showMacroText(7, "\rx\n^C"), "Macro nr. 7\r\n\r\n[CR]\rx[LF]^C");
}

TEST(Macros, CheckReportsStatusAndDeletesOnlyEmptyFiles) {
    test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(dir.file("empty"), "") && makeDirectory(dir.file("folder")));
    EXPECT_EQ(checkMacroFile("  "), kMacroNoPath);
    EXPECT_EQ(checkMacroFile(dir.file("absent")), kMacroMissing);
    EXPECT_EQ(checkMacroFile(dir.file("folder")), kMacroMissing);
    EXPECT_EQ(checkMacroFile(dir.file("empty")), kMacroMissing);
    EXPECT_FALSE(fileExists(dir.file("empty")));
    EXPECT_TRUE(fileExists(dir.file("folder")));
}

TEST(Macros, StartUpScanThenEveryUseReadsTheFileAnew) {
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
