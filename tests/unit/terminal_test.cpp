#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <tuple>

#include "temp_dir.h"
#include "terminal/logs.h"
#include "terminal/macro_use.h"
#include "terminal/macros.h"
#include "terminal/receive.h"
#include "terminal/transmit.h"

namespace quilmo {
namespace {

const LocalTime kNow{2024, 3, 7, 9, 5, 41};
constexpr std::size_t kLimit = BoundedText::kLimit, kKeep = BoundedText::kKeep;

// Distinct neighbours, so a cut one place off shows.
std::string numbered(std::size_t n) {
    std::string s(n, ' ');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 23);
    return s;
}

// The Rx view is cut before a chunk goes in, the Tx history after.
TEST(BoundedText, CutToTheRightmostKeptPartAtTheLimit) {
    const struct { const char* name; bool rxView; std::size_t before, chunk; bool trimmed; } rows[] = {
        {"rx at limit", true, kLimit, 9, false},
        {"rx one over, cut before append", true, kLimit + 1, 9, true},
        {"history reaching limit", false, kLimit - 9, 9, false},
        {"history one over after append", false, kLimit - 9, 10, true},
    };
    for (const auto& r : rows) {
        const std::string whole = numbered(r.before + r.chunk), old = whole.substr(0, r.before), chunk = whole.substr(r.before);
        BoundedText view;
        view.trimThenAppend(old);  // an empty view is never cut
        EXPECT_EQ(r.rxView ? view.trimThenAppend(chunk) : view.appendThenTrim(chunk), r.trimmed) << r.name;
        const std::string kept = !r.trimmed ? whole : r.rxView ? old.substr(old.size() - kKeep) + chunk
                                                               : whole.substr(whole.size() - kKeep);
        EXPECT_EQ(view.text(), kept) << r.name;
    }
}

TEST(Transmit, PlaceholdersExpandInFixedOrder) {
    const struct { const char* name; ValueFields fields; std::string buffer, expected; } rows[] = {
        {"all, both cases", {"A", "B", "C"}, "^#v1^#V1^#v2^#V2^#v3^#V3 ^#h^#H ^#d^#D", "AABBCC 09:0509:05 2024-03-072024-03-07"},
        {"later step expands value", {"^#H", "", ""}, "^#V1", "09:05"},
        {"earlier step stays literal", {"", "", "^#V1"}, "^#V3", "^#V1"},
        {"lower case step first", {"^#V1x", "", ""}, "^#v1", "^#V1xx"},
        {"own placeholder not rescanned", {"^#v1", "", ""}, "^#v1 ^#v1", "^#v1 ^#v1"},
        {"others untouched", {"v", "", ""}, "^#X ^#v4 ^#\r\nH ^C^d", "^#X ^#v4 ^#\r\nH ^C^d"},
    };
    for (const auto& r : rows) EXPECT_EQ(expandPlaceholders(r.buffer, r.fields, kNow), r.expected) << r.name;
}

TEST(Transmit, PlanDecidesSentAndShownText) {
    using X = XoffIndicator;
    const struct { const char* name; std::string buffer; int ctrlDEnd; std::string readable, sent; X xoff; int hold; } rows[] = {
        {"date never sends EOT", "^#D\r\n", 1, "2024-03-07\r\n", "2024-03-07\r\n", X::Unchanged, 0},
        {"notation kept when off", "abc^ddef", 0, "abc^ddef", "abc\x04" "def", X::Unchanged, 0},
        {"other letters, lone carets", "^A^x^^C^", 0, "^A^x^^C^", "^A^x^\x03^", X::Unchanged, 0},
        {"CTRLDEND cuts after first EOT", "abc^ddef^D\r\n", 1, "abc^D", "abc\x04", X::Unchanged, 1},
        {"CTRLDEND drops XON after EOT", "^s^D^Q", 1, "^S^D", "\x13\x04", X::Show, 1},
        {"CTRLDEND upper-cases without EOT", "^c^q", 1, "^C^Q", "\x03\x11", X::Hide, 0},
        {"XON after XOFF hides", "^S^Q", 0, "^S^Q", "\x13\x11", X::Hide, 0},
        {"XOFF before XON still hides", "^Q^S", 0, "^Q^S", "\x11\x13", X::Hide, 0},
    };
    for (const auto& r : rows) {
        std::int16_t hold = 0;
        const TransmitPlan p = planTransmit(r.buffer, {}, kNow, r.ctrlDEnd, hold);
        EXPECT_EQ(std::make_tuple(p.held, p.readable, p.sendText, p.xoff, int{hold}),
                  std::make_tuple(false, r.readable, r.sent, r.xoff, r.hold)) << r.name;
    }
}

// After a CTRLDEND send nothing goes out until text arrives; an empty read is no answer.
TEST(Transmit, HoldStaysUntilTextIsReceived) {
    std::int16_t hold = 1;
    BoundedText rx;
    EXPECT_FALSE(receiveChunk("", hold, rx).accepted);
    EXPECT_TRUE(planTransmit("next", {}, kNow, 1, hold).held);
    EXPECT_TRUE(receiveChunk("ok", hold, rx).accepted);
    EXPECT_EQ(planTransmit("next", {}, kNow, 1, hold).sendText, "next");
}

const std::string kHeader = "------------- 2024-03-07  09:05 -----------------\r\n";

// The Rx and Tx logs behave alike: each row runs on both.
const struct Channel {
    const char* file;
    std::int16_t LogBuffers::*save;
    std::string LogBuffers::*pending;
    void (LogFiles::*add)(LogBuffers&, std::string_view) const;
    void (LogFiles::*changed)(LogBuffers&, bool, const LocalTime&) const;
} kChannels[] = {
    {"$log_rx.txt", &LogBuffers::saveRx, &LogBuffers::rxLogBuffer, &LogFiles::addRx, &LogFiles::onSaveRxChanged},
    {"$log_tx.txt", &LogBuffers::saveTx, &LogBuffers::txLogBuffer, &LogFiles::addTx, &LogFiles::onSaveTxChanged},
};

// A row either adds text or, with nothing to add, sets the check box.
TEST(Logs, BatchesPast128AndFollowsTheCheckBox) {
    const std::string p128(128, 'p');
    const struct { const char* name; std::int16_t before; std::string pending, added; bool checked;
                   std::int16_t after; std::string appended, pendingAfter; } rows[] = {
        {"exactly 128 wait", 1, "", p128, false, 1, "", p128},
        {"the 129th writes", 1, p128, "q", false, 1, p128 + "q", ""},
        {"start-up value collects nothing", 2, "", "q", false, 2, "", ""},
        {"start-up value only becomes 1", 2, "p", "", false, 1, "", "p"},
        {"checking writes failed text, then header", 0, "kept", "", true, 1, "kept" + kHeader, ""},
        {"unchecking writes pending", 1, "p", "", false, 0, "p", ""},
        {"unchecking with nothing pending", 1, "", "", false, 0, "", ""},
        {"checking while on changes nothing", 1, "p", "", true, 1, "", "p"},
    };
    for (const Channel& ch : kChannels) {
        for (const auto& r : rows) {
            test::TempDir dir;
            ASSERT_TRUE(writeWholeFile(dir.file(ch.file), "old"));  // no line end: the header follows directly
            const LogFiles logs(dir.path);
            LogBuffers b;
            b.*ch.save = r.before;
            b.*ch.pending = r.pending;
            if (!r.added.empty()) (logs.*ch.add)(b, r.added);
            else (logs.*ch.changed)(b, r.checked, kNow);
            EXPECT_EQ(std::tie(b.*ch.save, b.*ch.pending), std::tie(r.after, r.pendingAfter)) << ch.file << r.name;
            EXPECT_EQ(dir.read(ch.file), "old" + r.appended) << ch.file << r.name;
        }
    }
}

// Each log through a write that fails outright (a directory in the file's place) and
// through writes cut short (the process's file size limit, a real short write): the
// text not written waits, goes out with the next write that works, never twice.
TEST(Logs, FailedWriteKeepsTextForTheNextWriteThatWorks) {
    const auto aprs = [](const LogFiles& l, LogBuffers& b, std::string_view t) { l.appendAprsLog(b, t); };
    const struct { const char* file; std::function<void(const LogFiles&, LogBuffers&, std::string_view)> add; const char* lineEnd; } logs[] = {
        {"$log_rx.txt", [](const LogFiles& l, LogBuffers& b, std::string_view t) { l.addRx(b, t); }, ""},
        {"$log_tx.txt", [](const LogFiles& l, LogBuffers& b, std::string_view t) { l.addTx(b, t); }, ""},
        {"$log_aprs.txt", aprs, "\r\n"},
    };
    const std::string first = numbered(200), second = "end";
    std::signal(SIGXFSZ, SIG_IGN);  // past the limit a write fails with EFBIG instead of ending the process
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    for (const int room : {-1, 0, 1, 199}) {  // -1: the directory
        for (const auto& log : logs) {
            SCOPED_TRACE(std::string(log.file) + " room " + std::to_string(room));
            test::TempDir dir;
            LogFiles files(dir.path);
            std::vector<WriteResult> results;
            files.setWriteObserver([&](const std::string&, const WriteResult& r, std::uint64_t) { results.push_back(r); });
            LogBuffers b;
            b.saveRx = b.saveTx = 1;
            ASSERT_TRUE(room < 0 ? makeDirectory(dir.file(log.file)) : writeWholeFile(dir.file(log.file), "old"));
            rlimit limited = unlimited;
            limited.rlim_cur = room < 0 ? unlimited.rlim_cur : 3 + static_cast<rlim_t>(room);
            setrlimit(RLIMIT_FSIZE, &limited);
            log.add(files, b, first);
            setrlimit(RLIMIT_FSIZE, &unlimited);
            ASSERT_EQ(results.size(), 1u);
            EXPECT_EQ(results[0].error, room < 0 ? EISDIR : EFBIG);
            EXPECT_EQ(b.rxLogBuffer + b.txLogBuffer + b.aprsLogBuffer, first.substr(std::max(room, 0)) + log.lineEnd);
            if (room < 0) std::filesystem::remove(dir.file(log.file));
            log.add(files, b, second);
            files.flushPending(b);  // short text waits for the quiet spell
            EXPECT_TRUE(results.back().ok());
            EXPECT_EQ(dir.read(log.file), (room < 0 ? "" : "old") + first + log.lineEnd + second + log.lineEnd);
            EXPECT_EQ(std::tie(b.saveRx, b.saveTx), std::make_tuple(1, 1));  // the boxes stay as the user set them
        }
    }
}

// While a log keeps failing only its newest text is kept; what went is counted, and
// told with the write that works again.
TEST(Logs, PendingTextKeepsItsNewestPartAndCountsTheRest) {
    test::TempDir dir;
    LogFiles files(dir.path);
    std::uint64_t reported = 0;
    files.setWriteObserver([&](const std::string&, const WriteResult& r, std::uint64_t dropped) {
        if (r.ok()) reported = dropped;
    });
    ASSERT_TRUE(makeDirectory(files.rxPath()));
    LogBuffers b;
    b.saveRx = 1;
    const std::string all = numbered(3 * LogFiles::kPendingLimit);
    for (std::size_t at = 0; at < all.size(); at += 4096) files.addRx(b, all.substr(at, 4096));
    EXPECT_LE(b.rxLogBuffer.size(), LogFiles::kPendingLimit);
    EXPECT_GT(b.rxLogBuffer.size(), LogFiles::kPendingLimit / 2);
    EXPECT_EQ(b.rxDropped + b.rxLogBuffer.size(), all.size());
    std::filesystem::remove(files.rxPath());
    const std::string kept = b.rxLogBuffer;
    files.flushPending(b);
    EXPECT_EQ(dir.read("$log_rx.txt"), kept);
    EXPECT_EQ(all.substr(all.size() - kept.size()), kept);
    EXPECT_EQ(reported, all.size() - kept.size());
    EXPECT_EQ(b.rxDropped, 0u);
}

TEST(Macros, StartUpScanThenEveryUseReadsTheFileAnew) {
    const std::string k30 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234", k24 = k30.substr(0, 24);
    test::TempDir dir;
    const std::string files[] = {k24, k30.substr(0, 25), "a\r\nb\n\rc" + k30, ""};
    for (int n = 1; n <= 4; ++n) ASSERT_TRUE(writeWholeFile(macroPath(dir.path, n), files[n - 1]));
    const MacroSet set = scanMacros(dir.path);
    EXPECT_EQ(set.present, (std::array<bool, kMacroCount>{true, true, true, false, false, false, false, false}));
    // Line ends count towards the 24 bytes before they are replaced.
    EXPECT_EQ(set.preview, (std::array<std::string, kMacroCount>{k24, k24 + "...", "a|b|c" + k30.substr(0, 17) + "..."}));
    EXPECT_FALSE(fileExists(macroPath(dir.path, 4)));
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 1), "edited^#H"));
    EXPECT_EQ(macroToInsert(dir.path, 1, set), "edited^#H");
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 5), "A\r\nB"));
    EXPECT_EQ(macroToInsert(dir.path, 5, set), std::nullopt);  // added after start-up: only shown
    EXPECT_EQ(macroMessage(dir.path, 5), "Macro nr. 5\r\n\r\nA[CR]\r[LF]B");
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 1), ""));
    EXPECT_EQ(macroToInsert(dir.path, 1, set), std::nullopt);
    EXPECT_FALSE(fileExists(macroPath(dir.path, 1)));
}

}  // namespace
}  // namespace quilmo
