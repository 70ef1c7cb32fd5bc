#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "terminal/log_session.h"
#include "terminal_test_dir.h"

namespace quilmo {
namespace {

const LocalTime kNow{2024, 3, 7, 9, 5, 41};
const std::string kHeader = "------------- 2024-03-07  09:05 -----------------\r\n";

TEST(LogHeader, padsEveryFieldToTwoDigits) {
    EXPECT_EQ(logHeaderLine(kNow), kHeader);
    EXPECT_EQ(logHeaderLine({1999, 12, 31, 23, 59, 0}), "------------- 1999-12-31  23:59 -----------------\r\n");
}

// The Rx and Tx logs behave alike: each row runs on both.
struct Channel {
    const char* name;
    std::int16_t LogBuffers::*save;
    std::string LogBuffers::*pending;
    const char* file;
    void (LogFiles::*add)(LogBuffers&, std::string_view) const;
    void (LogFiles::*changed)(LogBuffers&, bool, const LocalTime&) const;
};
const Channel kChannels[] = {
    {"rx", &LogBuffers::saveRx, &LogBuffers::rxLogBuffer, "$log_rx.txt", &LogFiles::addRx, &LogFiles::onSaveRxChanged},
    {"tx", &LogBuffers::saveTx, &LogBuffers::txLogBuffer, "$log_tx.txt", &LogFiles::addTx, &LogFiles::onSaveTxChanged},
};

struct BatchRow { const char* name; std::int16_t save; std::vector<std::size_t> chunks; std::size_t written, pending; };
const BatchRow kBatches[] = {
    {"exactly_128_stays", 1, {128}, 0, 128},
    {"128_then_1_written", 1, {128, 1}, 129, 0},
    {"100_then_30_written_together", 1, {100, 30}, 130, 0},
    {"collects_again_after_write", 1, {129, 5}, 129, 5},
    {"off_collects_nothing", 0, {200}, 0, 0},
    {"start_up_value_collects_nothing", 2, {200}, 0, 0},
};
class Batching : public ::testing::TestWithParam<std::tuple<Channel, BatchRow>> {};
TEST_P(Batching, writesWhenPendingExceeds128) {
    const auto& [ch, r] = GetParam();
    test::TempDir dir;
    const LogFiles logs(dir.path);
    LogBuffers b;
    b.*ch.save = r.save;
    std::string all;
    for (const std::size_t n : r.chunks) {
        all += std::string(n, static_cast<char>('A' + all.size() % 26));
        (logs.*ch.add)(b, all.substr(all.size() - n));
    }
    EXPECT_EQ(readWholeFile(dir.file(ch.file)).value_or(""), all.substr(0, r.written));
    EXPECT_EQ(b.*ch.pending, all.substr(r.written, r.pending));
}
INSTANTIATE_TEST_SUITE_P(Logs, Batching, ::testing::Combine(::testing::ValuesIn(kChannels), ::testing::ValuesIn(kBatches)),
                         [](const auto& i) { return std::string(std::get<0>(i.param).name) + "_" + std::get<1>(i.param).name; });

struct BoxRow { const char* name; std::int16_t saveBefore; std::string pendingBefore; bool checked;
                std::int16_t saveAfter; std::string appended, pendingAfter; };
const BoxRow kBoxes[] = {
    {"start_up_value_only_becomes_1", 2, "p", false, 1, "", "p"},
    {"checking_writes_header_replacing_pending", 0, "stale", true, 1, kHeader, ""},
    {"unchecking_writes_pending", 1, std::string(50, 'p'), false, 0, std::string(50, 'p'), ""},
    {"unchecking_with_nothing_pending", 1, "", false, 0, "", ""},
    {"checking_while_on_changes_nothing", 1, "p", true, 1, "", "p"},
};
class CheckBox : public ::testing::TestWithParam<std::tuple<Channel, BoxRow>> {};
TEST_P(CheckBox, switchesTheLog) {
    const auto& [ch, r] = GetParam();
    test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(dir.file(ch.file), "old"));  // no line end: the header follows directly
    LogBuffers b;
    b.*ch.save = r.saveBefore;
    b.*ch.pending = r.pendingBefore;
    (LogFiles(dir.path).*ch.changed)(b, r.checked, kNow);
    EXPECT_EQ(b.*ch.save, r.saveAfter);
    EXPECT_EQ(b.*ch.pending, r.pendingAfter);
    EXPECT_EQ(dir.read(ch.file), "old" + r.appended);
}
INSTANTIATE_TEST_SUITE_P(Logs, CheckBox, ::testing::Combine(::testing::ValuesIn(kChannels), ::testing::ValuesIn(kBoxes)),
                         [](const auto& i) { return std::string(std::get<0>(i.param).name) + "_" + std::get<1>(i.param).name; });

TEST(Logs, failedWriteDropsTextKeepsFileAndGoesOn) {
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

TEST(Logs, aprsRecordsEachEndWithCrLf) {
    test::TempDir dir;
    const LogFiles logs(dir.path);
    logs.appendAprsLog("one\r\ntwo");
    logs.appendAprsLog("three");
    EXPECT_EQ(dir.read("$log_aprs.txt"), "one\r\ntwo\r\nthree\r\n");
}

TEST(Logs, startUpWritesOneHeaderPerLogOnAndExitFlushesPending) {
    test::TempDir dir;
    const LogFiles logs(dir.path);
    LogBuffers b{1, 0, "", ""};
    markConfiguredLogs(b);
    logs.onSaveRxChanged(b, true, kNow);  // the window ticks the box only for 2
    writeStartHeaders(logs, b, kNow);
    EXPECT_EQ(dir.read("$log_rx.txt"), kHeader);
    EXPECT_FALSE(fileExists(logs.txPath()));
    logs.addRx(b, "tail");
    flushPendingLogs(logs, b);
    EXPECT_EQ(dir.read("$log_rx.txt"), kHeader + "tail");
    EXPECT_FALSE(fileExists(logs.txPath()));
}

}  // namespace
}  // namespace quilmo
