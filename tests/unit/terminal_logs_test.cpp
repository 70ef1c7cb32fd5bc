#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "terminal/log_session.h"
#include "terminal/logs.h"
#include "terminal_test_dir.h"

namespace quilmo {
namespace {

using test::TempDir;

const LocalTime kNow{2024, 3, 7, 9, 5, 41};
const std::string kHeader = "------------- 2024-03-07  09:05 -----------------\r\n";

struct HeaderCase {
    const char* name;
    LocalTime now;
    std::string expected;
};

const HeaderCase kHeaders[] = {
    {"padded_month_day_hour_minute", kNow, kHeader},
    {"two_digit_fields", {1999, 12, 31, 23, 59, 59}, "------------- 1999-12-31  23:59 -----------------\r\n"},
    {"midnight", {2025, 1, 1, 0, 0, 0}, "------------- 2025-01-01  00:00 -----------------\r\n"},
};

class Header : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(Header, hasDashesDateTimeAndLineEnd) { EXPECT_EQ(logHeaderLine(GetParam().now), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Logs, Header, ::testing::ValuesIn(kHeaders),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LogPaths, liveInTheProgramDirectory) {
    const LogFiles logs("/prog");
    EXPECT_EQ(logs.rxPath(), joinPath("/prog", "$log_rx.txt"));
    EXPECT_EQ(logs.txPath(), joinPath("/prog", "$log_tx.txt"));
    EXPECT_EQ(logs.aprsPath(), joinPath("/prog", "$log_aprs.txt"));
}

// The Rx and Tx logs behave alike; each test runs on both.
struct Channel {
    const char* name;
    std::int16_t LogBuffers::*save;
    std::string LogBuffers::*pending;
    const char* fileName;
    void (LogFiles::*add)(LogBuffers&, std::string_view) const;
    void (LogFiles::*flush)(LogBuffers&) const;
    void (LogFiles::*onChanged)(LogBuffers&, bool, const LocalTime&) const;
};

const Channel kChannels[] = {
    {"rx", &LogBuffers::saveRx, &LogBuffers::rxLogBuffer, "$log_rx.txt", &LogFiles::addRx, &LogFiles::flushRxLog,
     &LogFiles::onSaveRxChanged},
    {"tx", &LogBuffers::saveTx, &LogBuffers::txLogBuffer, "$log_tx.txt", &LogFiles::addTx, &LogFiles::flushTxLog,
     &LogFiles::onSaveTxChanged},
};

struct BatchCase {
    const char* name;
    std::vector<std::size_t> chunks;  // lengths added one after another
    std::size_t written;              // bytes in the file afterwards
    std::size_t pending;              // bytes still in the buffer
};

const BatchCase kBatches[] = {
    {"exactly_128_stays_pending", {128}, 0, 128},
    {"129_in_one_chunk_written", {129}, 129, 0},
    {"128_then_1_written", {128, 1}, 129, 0},
    {"100_then_30_written_together", {100, 30}, 130, 0},
    {"after_a_write_collects_again", {129, 5}, 129, 5},
    {"small_chunks_cross_once", {60, 60, 8, 1, 1}, 129, 1},
};

class Batching : public ::testing::TestWithParam<std::tuple<Channel, BatchCase>> {};

TEST_P(Batching, writesWhenPendingTextExceeds128) {
    const auto& [ch, c] = GetParam();
    TempDir dir;
    const LogFiles logs(dir.path());
    LogBuffers buffers;
    buffers.*ch.save = 1;
    std::string all;
    for (const std::size_t length : c.chunks) {
        const std::string chunk(length, static_cast<char>('A' + all.size() % 26));
        all += chunk;
        (logs.*ch.add)(buffers, chunk);
    }
    EXPECT_EQ(readWholeFile(dir.file(ch.fileName)).value_or(""), all.substr(0, c.written));
    EXPECT_EQ(buffers.*ch.pending, all.substr(c.written));
}

std::string batchName(const ::testing::TestParamInfo<std::tuple<Channel, BatchCase>>& info) {
    return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Logs, Batching, ::testing::Combine(::testing::ValuesIn(kChannels), ::testing::ValuesIn(kBatches)),
                         batchName);

class PerChannel : public ::testing::TestWithParam<Channel> {};

std::string channelName(const ::testing::TestParamInfo<Channel>& info) { return info.param.name; }

TEST_P(PerChannel, nothingCollectedUnlessOn) {
    const Channel& ch = GetParam();
    TempDir dir;
    const LogFiles logs(dir.path());
    for (const std::int16_t save : {std::int16_t{0}, std::int16_t{2}}) {
        LogBuffers buffers;
        buffers.*ch.save = save;
        (logs.*ch.add)(buffers, std::string(200, 'x'));
        EXPECT_EQ(buffers.*ch.pending, "") << "save=" << save;
    }
    EXPECT_FALSE(fileExists(dir.file(ch.fileName)));
}

TEST_P(PerChannel, flushAppendsWholeBufferAndEmptiesIt) {
    const Channel& ch = GetParam();
    TempDir dir;
    const LogFiles logs(dir.path());
    ASSERT_TRUE(writeWholeFile(dir.file(ch.fileName), "kept\r\n"));
    LogBuffers buffers;
    buffers.*ch.pending = std::string("a^C\r\x00z", 6);
    (logs.*ch.flush)(buffers);
    EXPECT_EQ(dir.read(ch.fileName), "kept\r\n" + std::string("a^C\r\x00z", 6));
    EXPECT_EQ(buffers.*ch.pending, "");
}

struct BoxCase {
    const char* name;
    std::int16_t saveBefore;
    std::string pendingBefore;
    bool checked;
    std::int16_t saveAfter;
    std::string appended;  // what the file gains
    std::string pendingAfter;
};

const BoxCase kBoxes[] = {
    {"start_up_value_only_becomes_1", 2, "", true, 1, "", ""},
    {"start_up_value_ignores_box_state", 2, "waiting", false, 1, "", "waiting"},
    {"checking_writes_header_replacing_pending", 0, "stale", true, 1, kHeader, ""},
    {"unchecking_writes_pending", 1, std::string(50, 'p'), false, 0, std::string(50, 'p'), ""},
    {"unchecking_with_nothing_pending", 1, "", false, 0, "", ""},
    {"checking_while_on_changes_nothing", 1, "p", true, 1, "", "p"},
    {"unchecking_while_off_changes_nothing", 0, "", false, 0, "", ""},
};

class CheckBox : public ::testing::TestWithParam<std::tuple<Channel, BoxCase>> {};

TEST_P(CheckBox, followsTheSwitchRules) {
    const auto& [ch, c] = GetParam();
    TempDir dir;
    const LogFiles logs(dir.path());
    // No line end: the header must follow the old text directly.
    ASSERT_TRUE(writeWholeFile(dir.file(ch.fileName), "old"));
    LogBuffers buffers;
    buffers.*ch.save = c.saveBefore;
    buffers.*ch.pending = c.pendingBefore;

    (logs.*ch.onChanged)(buffers, c.checked, kNow);

    EXPECT_EQ(buffers.*ch.save, c.saveAfter);
    EXPECT_EQ(buffers.*ch.pending, c.pendingAfter);
    EXPECT_EQ(dir.read(ch.fileName), "old" + c.appended);
}

std::string boxName(const ::testing::TestParamInfo<std::tuple<Channel, BoxCase>>& info) {
    return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Logs, CheckBox, ::testing::Combine(::testing::ValuesIn(kChannels), ::testing::ValuesIn(kBoxes)),
                         boxName);

TEST_P(PerChannel, offAndOnAgainWritesSecondHeaderAndNoClosingLine) {
    const Channel& ch = GetParam();
    TempDir dir;
    const LogFiles logs(dir.path());
    LogBuffers buffers;
    const LocalTime later{2024, 3, 7, 10, 0, 0};
    (logs.*ch.onChanged)(buffers, true, kNow);
    (logs.*ch.add)(buffers, "abc");
    (logs.*ch.onChanged)(buffers, false, kNow);
    (logs.*ch.onChanged)(buffers, true, later);
    EXPECT_EQ(dir.read(ch.fileName), kHeader + "abc" + logHeaderLine(later));
}

TEST_P(PerChannel, unwritableFileDropsTextAndLaterWritesWork) {
    const Channel& ch = GetParam();
    TempDir dir;
    const LogFiles logs(dir.path());
    // A directory in the file's place makes every open fail, whoever runs the test.
    ASSERT_TRUE(makeDirectory(dir.file(ch.fileName)));
    LogBuffers buffers;
    buffers.*ch.save = 1;
    (logs.*ch.add)(buffers, std::string(129, 'x'));
    EXPECT_EQ(buffers.*ch.pending, "") << "the failed batch is dropped, not kept";
    (logs.*ch.onChanged)(buffers, false, kNow);
    EXPECT_EQ(buffers.*ch.save, 0) << "the switch still works";

    ASSERT_TRUE(std::filesystem::remove(dir.file(ch.fileName)));
    (logs.*ch.onChanged)(buffers, true, kNow);
    EXPECT_EQ(dir.read(ch.fileName), kHeader);
}

TEST_P(PerChannel, readOnlyFileIsNeverTruncated) {
    const Channel& ch = GetParam();
    TempDir dir;
    const LogFiles logs(dir.path());
    const std::string held = "earlier traffic\r\n";
    ASSERT_TRUE(writeWholeFile(dir.file(ch.fileName), held));
    std::filesystem::permissions(dir.file(ch.fileName), std::filesystem::perms::owner_read);
    LogBuffers buffers;
    buffers.*ch.pending = "new";
    (logs.*ch.flush)(buffers);
    EXPECT_EQ(buffers.*ch.pending, "");
    // Refused for a normal user; a superuser may write. Either way the old text stays in front.
    const std::string after = dir.read(ch.fileName);
    EXPECT_TRUE(after == held || after == held + "new") << after;
}

INSTANTIATE_TEST_SUITE_P(Logs, PerChannel, ::testing::ValuesIn(kChannels), channelName);

TEST(AprsLog, appendsEachRecordWithLineEnd) {
    TempDir dir;
    const LogFiles logs(dir.path());
    logs.appendAprsLog("first\r\nline two");
    logs.appendAprsLog("");
    logs.appendAprsLog("third");
    EXPECT_EQ(dir.read("$log_aprs.txt"), "first\r\nline two\r\n\r\nthird\r\n");
}

TEST(AprsLog, unwritableFileIsSkippedAndLeftAlone) {
    TempDir dir;
    const LogFiles logs(dir.path());
    ASSERT_TRUE(makeDirectory(logs.aprsPath()));
    logs.appendAprsLog("lost");
    EXPECT_TRUE(std::filesystem::is_directory(logs.aprsPath()));
    EXPECT_TRUE(std::filesystem::is_empty(logs.aprsPath()));
}

struct StartCase {
    const char* name;
    std::int16_t configRx, configTx;
    bool rxHeader, txHeader;
};

const StartCase kStarts[] = {
    {"both_on", 1, 1, true, true},
    {"rx_only", 1, 0, true, false},
    {"tx_only", 0, 1, false, true},
    {"both_off", 0, 0, false, false},
};

class StartUp : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartUp, eachLogOnBeginsWithOneHeader) {
    const auto& c = GetParam();
    TempDir dir;
    const LogFiles logs(dir.path());
    LogBuffers buffers;
    buffers.saveRx = c.configRx;
    buffers.saveTx = c.configTx;

    markConfiguredLogs(buffers);
    // The window ticks a box only for 2; ticking runs the handler.
    if (buffers.saveRx == 2) logs.onSaveRxChanged(buffers, true, kNow);
    if (buffers.saveTx == 2) logs.onSaveTxChanged(buffers, true, kNow);
    writeStartHeaders(logs, buffers, kNow);

    EXPECT_EQ(buffers.saveRx, c.configRx);
    EXPECT_EQ(buffers.saveTx, c.configTx);
    EXPECT_EQ(fileExists(logs.rxPath()), c.rxHeader);
    EXPECT_EQ(fileExists(logs.txPath()), c.txHeader);
    EXPECT_EQ(readWholeFile(logs.rxPath()).value_or(""), c.rxHeader ? kHeader : "");
    EXPECT_EQ(readWholeFile(logs.txPath()).value_or(""), c.txHeader ? kHeader : "");
}

INSTANTIATE_TEST_SUITE_P(Logs, StartUp, ::testing::ValuesIn(kStarts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Exit, writesOnlyPendingText) {
    TempDir dir;
    const LogFiles logs(dir.path());
    LogBuffers buffers;
    buffers.rxLogBuffer = "rx tail";
    flushPendingLogs(logs, buffers);
    EXPECT_EQ(dir.read("$log_rx.txt"), "rx tail");
    EXPECT_FALSE(fileExists(logs.txPath())) << "an empty buffer does not even create its file";
    EXPECT_EQ(buffers.rxLogBuffer, "");
}

}  // namespace
}  // namespace quilmo
