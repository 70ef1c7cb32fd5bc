#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "temp_dir.h"
#include "terminal/log_session.h"
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
        {"rx below limit grows past it", true, kLimit - 1, 500, false},
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

TEST(Transmit, CaretsBecomeBytesAndReturnUpperCase) {
    const struct { std::string text, bytes; } rows[] = {
        {"^C^D^S^Q^c^d^s^q", "\x03\x04\x13\x11\x03\x04\x13\x11"},
        {"^A^x^^C^", "^A^x^\x03^"},  // other letters and lone carets stay
    };
    for (const auto& r : rows) {
        EXPECT_EQ(caretToBytes(r.text), r.bytes) << r.text;
        EXPECT_EQ(caretToBytes(bytesToCaret(r.bytes)), r.bytes) << r.text;
    }
}

TEST(Transmit, PlanDecidesSentAndShownText) {
    using X = XoffIndicator;
    const struct { const char* name; std::string buffer; int ctrlDEnd; std::string readable, sent; X xoff; int hold; } rows[] = {
        {"date never sends EOT", "^#D\r\n", 1, "2024-03-07\r\n", "2024-03-07\r\n", X::Unchanged, 0},
        {"notation kept when off", "abc^ddef", 0, "abc^ddef", "abc\x04" "def", X::Unchanged, 0},
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

// After a CTRLDEND send, sending waits for received text; an empty read neither frees it nor cuts the view.
TEST(Transmit, HoldStaysUntilTextIsReceived) {
    std::int16_t hold = 0;
    BoundedText rx;
    rx.trimThenAppend(numbered(kLimit + 1));
    planTransmit("cmd^D", {}, kNow, 1, hold);
    const ReceiveResult empty = receiveChunk("", hold, rx);
    EXPECT_FALSE(empty.accepted || empty.rxViewTrimmed);
    EXPECT_EQ(rx.text().size(), kLimit + 1);
    EXPECT_TRUE(planTransmit("next", {}, kNow, 1, hold).held);
    const ReceiveResult text = receiveChunk("ok", hold, rx);
    EXPECT_TRUE(text.accepted && text.rxViewTrimmed);
    EXPECT_EQ(rx.text().size(), kKeep + 2);
    EXPECT_EQ(planTransmit("next", {}, kNow, 1, hold).sendText, "next");
    EXPECT_EQ(hold, 0);
}

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
    EXPECT_EQ(showMacroText(7, "\rx\n^C"), "Macro nr. 7\r\n\r\n[CR]\rx[LF]^C");
}

// The scan deletes empty macro files, nothing else.
TEST(Macros, StartUpScanThenEveryUseReadsTheFileAnew) {
    test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 1), "first\r\n") && writeWholeFile(macroPath(dir.path, 3), ""));
    ASSERT_TRUE(makeDirectory(macroPath(dir.path, 4)));
    const MacroSet set = scanMacros(dir.path);
    EXPECT_EQ(set.present, (std::array<bool, kMacroCount>{true, false, false, false, false, false, false, false}));
    EXPECT_FALSE(fileExists(macroPath(dir.path, 3)));
    EXPECT_TRUE(fileExists(macroPath(dir.path, 4)));
    EXPECT_EQ(checkMacroFile("  "), kMacroNoPath);
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
