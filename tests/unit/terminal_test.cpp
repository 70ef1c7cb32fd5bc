// The terminal core: bounded views, sending, logs and macros, where its files live and what
// is told when they cannot be written; and KISS TNCs: the byte stream split into frames, AX.25
// frames printed as monitor lines, the whole packet capture through both, and converse-mode
// frames for sending.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "aprs/decoder.h"
#include "aprs/filter_flags.h"
#include "ax25_frames.h"
#include "platform/app_paths.h"
#include "platform/file_notices.h"
#include "platform/instance_lock.h"
#include "temp_dir.h"
#include "terminal/ax25.h"
#include "terminal/bounded_text.h"
#include "terminal/kiss.h"
#include "terminal/kiss_monitor.h"
#include "terminal/kiss_transmit.h"
#include "terminal/logs.h"
#include "terminal/macro_use.h"
#include "terminal/macros.h"
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
        {"rx at limit", true, kLimit, 9, false}, {"rx one over, cut before append", true, kLimit + 1, 9, true},
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
    const struct { const char* name; std::string buffer; int ctrlDEnd, holdBefore; std::string readable, sent; X xoff; int hold; } rows[] = {
        {"date never sends EOT", "^#D\r\n", 1, 0, "2024-03-07\r\n", "2024-03-07\r\n", X::Unchanged, 0},
        {"notation kept when off", "abc^ddef", 0, 0, "abc^ddef", "abc\x04" "def", X::Unchanged, 0},
        {"other letters, lone carets", "^A^x^^C^", 0, 0, "^A^x^^C^", "^A^x^\x03^", X::Unchanged, 0},
        {"CTRLDEND cuts after first EOT", "abc^ddef^D\r\n", 1, 0, "abc^D", "abc\x04", X::Unchanged, 1},
        {"CTRLDEND drops XON after EOT", "^s^D^Q", 1, 0, "^S^D", "\x13\x04", X::Show, 1},
        {"CTRLDEND upper-cases without EOT", "^c^q", 1, 0, "^C^Q", "\x03\x11", X::Hide, 0},
        {"XON after XOFF hides", "^S^Q", 0, 0, "^S^Q", "\x13\x11", X::Hide, 0},
        {"XOFF before XON still hides", "^Q^S", 0, 0, "^Q^S", "\x11\x13", X::Hide, 0},
        // After a CTRLDEND send nothing goes out until the device answers.
        {"held until text is received", "next", 1, 1, "", "", X::Unchanged, 1},
    };
    for (const auto& r : rows) {
        std::int16_t hold = static_cast<std::int16_t>(r.holdBefore);
        const TransmitPlan p = planTransmit(r.buffer, {}, kNow, r.ctrlDEnd, hold);
        EXPECT_EQ(std::make_tuple(p.held, p.readable, p.sendText, p.xoff, int{hold}),
                  std::make_tuple(r.holdBefore == 1, r.readable, r.sent, r.xoff, r.hold)) << r.name;
    }
}

const std::string kHeader = "------------- 2024-03-07  09:05 -----------------\r\n";

// The three logs alike; the APRS log has no check box and ends each record with CR LF.
const struct Log {
    const char* file;
    void (LogFiles::*add)(LogBuffers&, std::string_view) const;
    void (LogFiles::*changed)(LogBuffers&, bool, const LocalTime&) const;
    std::int16_t LogBuffers::*save;
    std::string LogBuffers::*pending;
    const char* lineEnd;
} kLogs[] = {
    {"$log_rx.txt", &LogFiles::addRx, &LogFiles::onSaveRxChanged, &LogBuffers::saveRx, &LogBuffers::rxLogBuffer, ""},
    {"$log_tx.txt", &LogFiles::addTx, &LogFiles::onSaveTxChanged, &LogBuffers::saveTx, &LogBuffers::txLogBuffer, ""},
    {"$log_aprs.txt", &LogFiles::appendAprsLog, nullptr, nullptr, &LogBuffers::aprsLogBuffer, "\r\n"},
};

// A row either adds text or, with nothing to add, sets the check box; each runs on the Rx and the Tx log.
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
        {"checking while on changes nothing", 1, "p", "", true, 1, "", "p"},
    };
    for (const Log& log : {kLogs[0], kLogs[1]}) {
        for (const auto& r : rows) {
            test::TempDir dir;
            ASSERT_TRUE(writeWholeFile(dir.file(log.file), "old"));  // no line end: the header follows directly
            const LogFiles logs(dir.path);
            LogBuffers b;
            b.*log.save = r.before;
            b.*log.pending = r.pending;
            if (!r.added.empty()) (logs.*log.add)(b, r.added);
            else (logs.*log.changed)(b, r.checked, kNow);
            EXPECT_EQ(std::tie(b.*log.save, b.*log.pending), std::tie(r.after, r.pendingAfter)) << log.file << r.name;
            EXPECT_EQ(dir.read(log.file), "old" + r.appended) << log.file << r.name;
        }
    }
}

// Each log through a write that fails outright (a directory in the file's place) and
// through writes cut short (the process's file size limit, a real short write): the
// text not written waits, goes out with the next write that works, never twice.
TEST(Logs, FailedWriteKeepsTextForTheNextWriteThatWorks) {
    const std::string first = numbered(200), second = "end";
    std::signal(SIGXFSZ, SIG_IGN);  // past the limit a write fails with EFBIG instead of ending the process
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    for (const int room : {-1, 0, 199}) {  // -1: the directory
        for (const Log& log : kLogs) {
            SCOPED_TRACE(std::string(log.file) + " room " + std::to_string(room));
            test::TempDir dir;
            LogFiles files(dir.path);
            std::vector<int> errors;
            files.setWriteObserver([&](auto&, const WriteResult& r, auto) { errors.push_back(r.error); });
            LogBuffers b;
            b.saveRx = b.saveTx = 1;
            ASSERT_TRUE(room < 0 ? makeDirectory(dir.file(log.file)) : writeWholeFile(dir.file(log.file), "old"));
            const rlimit limited{room < 0 ? unlimited.rlim_cur : 3 + static_cast<rlim_t>(room), unlimited.rlim_max};
            setrlimit(RLIMIT_FSIZE, &limited);
            (files.*log.add)(b, first);
            setrlimit(RLIMIT_FSIZE, &unlimited);
            EXPECT_EQ(b.*log.pending, first.substr(std::max(room, 0)) + log.lineEnd);
            if (room < 0) std::filesystem::remove(dir.file(log.file));
            (files.*log.add)(b, second);
            files.flushPending(b);  // short text waits for the quiet spell
            EXPECT_EQ(errors, (std::vector<int>{room < 0 ? EISDIR : EFBIG, 0}));
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
    files.setWriteObserver([&](auto&, const WriteResult& r, std::uint64_t dropped) { if (r.ok()) reported = dropped; });
    ASSERT_TRUE(makeDirectory(files.rxPath()));
    LogBuffers b;
    b.saveRx = 1;
    const std::string all = numbered(3 * LogFiles::kPendingLimit);
    for (std::size_t at = 0; at < all.size(); at += 4096) files.addRx(b, all.substr(at, 4096));
    const std::string kept = b.rxLogBuffer;
    EXPECT_TRUE(kept.size() <= LogFiles::kPendingLimit && kept.size() > LogFiles::kPendingLimit / 2) << kept.size();
    EXPECT_EQ(b.rxDropped + kept.size(), all.size());
    std::filesystem::remove(files.rxPath());
    files.flushPending(b);
    EXPECT_EQ(dir.read("$log_rx.txt"), all.substr(all.size() - kept.size()));
    EXPECT_EQ(std::make_tuple(reported, b.rxDropped), std::make_tuple(all.size() - kept.size(), std::uint64_t{0}));
}

// Tool tips show the first 24 bytes of a macro and Alt+F the first kShownMacroBytes, line
// ends counted before they are shown as text; the ellipsis only when something was left out.
TEST(Macros, PreviewAndMessageShowTheHeadOfTheFileAndNothingOfAnEmptyOne) {
    const std::size_t shown = kShownMacroBytes;
    const struct { const char* name; std::string file, preview, message; } rows[] = {
        {"24 bytes", std::string(24, 'a'), std::string(24, 'a'), std::string(24, 'a')},
        {"25 bytes", std::string(25, 'b'), std::string(24, 'b') + "...", std::string(25, 'b')},
        {"line ends", "x\r\n" + std::string(shown, 'y'), "x|" + std::string(21, 'y') + "...",
         "x[CR]\r[LF]" + std::string(shown - 3, 'y') + "\x85"},
        {"exactly the shown limit", std::string(shown, 'z'), std::string(24, 'z') + "...", std::string(shown, 'z')},
        {"ten megabytes", std::string(10'000'000, 'c'), std::string(24, 'c') + "...", std::string(shown, 'c') + "\x85"},
    };
    test::TempDir dir;
    for (const auto& r : rows) {
        ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 1), r.file));
        EXPECT_EQ(checkMacroFile(macroPath(dir.path, 1)), kMacroUsable) << r.name;
        EXPECT_EQ(readMacroPreview(macroPath(dir.path, 1)), r.preview) << r.name;
        EXPECT_EQ(macroMessage(dir.path, 1), "Macro nr. 1\r\n\r\n" + r.message) << r.name;
    }
    // An empty macro is of no use: the check deletes it, and Alt+F shows nothing.
    ASSERT_TRUE(writeWholeFile(macroPath(dir.path, 8), ""));
    EXPECT_EQ(macroMessage(dir.path, 8), std::nullopt);
    EXPECT_FALSE(fileExists(macroPath(dir.path, 8)));
}

// One notice line over a run in which three files fail and recover in turn.
TEST(FileNotices, FirstFailureStandsWhileItLastsAndOneNoticeTellsOfTheRecovery) {
    const WriteResult ok{5, 0}, full{2, ENOSPC}, denied{0, EACCES};
    const std::string rxFull = "Cannot write /d/$log_rx.txt: No space left on device";
    const std::string kmlFirst = "Cannot write /d/kml/$1.kml: No space left on device (and 1 more file)";
    const struct { const char* key; const char* path; WriteResult result; std::uint64_t dropped; bool changed; std::string text; } steps[] = {
        {"rx", "/d/$log_rx.txt", ok, 0, false, ""},
        {"rx", "/d/$log_rx.txt", full, 0, true, rxFull},
        {"rx", "/d/$log_rx.txt", full, 0, false, rxFull},
        {"kml", "/d/kml/$1.kml", full, 0, true, kmlFirst},
        // What the log gives up is told whichever file heads the notice.
        {"rx", "/d/$log_rx.txt", full, 4096, true, kmlFirst + "; 4096 bytes dropped"},
        {"kml", "/d/kml/$2.kml", ok, 0, true, rxFull + "; 4096 bytes dropped"},  // the next track works
        {"filter", "/d/filter.ini", denied, 0, true, "Cannot write /d/filter.ini: Permission denied (and 1 more file); 4096 bytes dropped"},
        // The log works again while filter.ini still fails: its losses are still told.
        {"rx", "/d/$log_rx.txt", ok, 5000, true, "Cannot write /d/filter.ini: Permission denied; 5000 bytes dropped"},
        {"filter", "/d/filter.ini", ok, 0, true, "/d/filter.ini is written again; 5000 bytes could not be kept"},
        {"lock", "/d/.quilmo.lock", {0, EISDIR}, 0, true, "Cannot write /d/.quilmo.lock: Is a directory"},
        {"rx", "/d/$log_rx.txt", full, 0, true, "Cannot write /d/$log_rx.txt: No space left on device (and 1 more file)"},
        {"rx", "/d/$log_rx.txt", ok, 0, true, "Cannot write /d/.quilmo.lock: Is a directory"},
    };
    FileNotices notices;
    for (const auto& s : steps) {
        const bool changed = notices.noteWrite(s.key, s.path, s.result, s.dropped);
        EXPECT_EQ(std::tie(changed, notices.text()), std::tie(s.changed, s.text)) << s.key << " " << s.result.error;
        EXPECT_EQ(notices.failing(), s.text.starts_with("Cannot")) << s.text;
    }
    // The path is what gives way on a short line, never the reason.
    const FileNotices::Span path = notices.shortenable();
    EXPECT_EQ(notices.text().substr(path.at, path.length), "/d/.quilmo.lock");
    // A setting that cannot be used heads the line for the whole run; no write mends it.
    EXPECT_TRUE(notices.noteProblem("unproto", "UNPROTO=X cannot be used"));
    EXPECT_EQ(notices.text(), "UNPROTO=X cannot be used (and 1 more file)");
    notices.noteWrite("unproto", "", ok);
    EXPECT_TRUE(notices.failing());
    // A problem that goes away takes its notice with it; a file's failure under the same key stays.
    EXPECT_TRUE(notices.clearProblem("unproto"));
    EXPECT_EQ(notices.text(), "Cannot write /d/.quilmo.lock: Is a directory");
    EXPECT_FALSE(notices.clearProblem("lock"));
    EXPECT_TRUE(notices.noteProblem("aprsis", "APRS-IS: receive only"));
    EXPECT_TRUE(notices.clearProblem("aprsis"));
    EXPECT_TRUE(notices.failing());
    // Settings are counted apart from files; the part that may give way follows the newest.
    notices.noteProblem("MYCALL", "MYCALL=X-99 cannot be used", {7, 4});
    notices.noteProblem("SYMBOL", "SYMBOL=xx cannot be used", {7, 2});
    EXPECT_EQ(notices.text(), "SYMBOL=xx cannot be used (and 1 more file, 1 more problem)");
    const FileNotices::Span value = notices.shortenable();
    EXPECT_EQ(notices.text().substr(value.at, value.length), "xx");
    notices.noteProblem("MYLAT", "MYLAT= is missing", {99, 1});  // a span past the text is not trusted
    EXPECT_EQ(notices.shortenable().length, 0u);
}

// An installed copy (share/quilmo beside its folder) keeps its files in the user's data
// folder; a folder of its own and a read-only one are run for real in faults_binary_test.
TEST(FilesFolder, InstalledCopyUsesTheUsersDataFolder) {
    const struct { std::string xdg; bool homeIsFile; std::string expected; } rows[] = {
        {"/xdg", false, "xdg/quilmo"}, {"", false, "home/.local/share/quilmo"},
        {"xdg", false, "home/.local/share/quilmo"},  // a relative XDG_DATA_HOME is ignored
        {"", true, "bin"},                            // no data folder can be made
    };
    for (const auto& r : rows) {
        test::TempDir dir;
        ASSERT_TRUE(makeDirectory(dir.file("bin")) && makeDirectory(dir.file("share/quilmo")));
        ASSERT_TRUE(!r.homeIsFile || writeWholeFile(dir.file("home"), ""));
        const UserFolders user{r.xdg.starts_with("/") ? dir.path + r.xdg : r.xdg, dir.file("home")};
        EXPECT_EQ(filesFolder(dir.file("bin"), user), dir.file(r.expected)) << r.xdg;
    }
}

// Nobody can hold a lock that cannot be made, so the program runs on and says why.
TEST(InstanceLock, ALockFileThatCannotBeMadeIsReportedNotFatal) {
    test::TempDir dir;
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire(dir.file("gone")));
    EXPECT_EQ(std::make_tuple(lock.held(), lock.error(), lock.path()),
              std::make_tuple(false, ENOENT, dir.file("gone/.quilmo.lock")));
}

using test::addressBytes;
using test::kissWrap;

const std::string FEND = "\xC0", FESC = "\xDB", TFEND = "\xDC", TFESC = "\xDD";

// "p/c:data" for each frame the splitter hands out.
std::vector<std::string> split(KissSplitter& splitter, std::string_view bytes, std::size_t readSize) {
    std::vector<std::string> frames;
    for (std::size_t at = 0; at < bytes.size(); at += readSize) {
        splitter.feed(bytes.substr(at, readSize), [&frames](const KissFrame& f) {
            frames.push_back(std::to_string(f.port) + "/" + std::to_string(f.command) + ":" + std::string(f.data));
        });
    }
    return frames;
}

TEST(KissSplitter, FramesAndDropsWhateverTheReadSize) {
    const std::string big(KissSplitter::kMaxFrame - 1, 'x');
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const struct { const char* name; std::string bytes; std::vector<std::string> frames; std::uint64_t dropped; } rows[] = {
        {"escapes", FEND + '\0' + "a" + FESC + TFEND + "b" + FESC + TFESC + FEND, {"0/0:a\xC0" "b\xDB"}, 0},
        {"one FEND shared by two frames", FEND + '\0' + "A" + FEND + '\0' + "B" + FEND, {"0/0:A", "0/0:B"}, 0},
        {"FENDs back to back are no frames", FEND + FEND + FEND + '\0' + "A" + FEND + FEND, {"0/0:A"}, 0},
        {"text before the first FEND", "cmd:KISS ON\r\n" + FEND + '\0' + "A" + FEND, {"0/0:A"}, 0},
        {"no closing FEND yet", FEND + '\0' + "A", {}, 0},
        {"port nibble", FEND + "\x50" + "A" + FEND + "\xF0" + "B" + FEND, {"5/0:A", "15/0:B"}, 0},
        {"other commands passed on", FEND + "\x01\x32" + FEND + "\x26\x05" + FEND, {"0/1:2", "2/6:\x05"}, 0},
        {"longest frame", FEND + '\0' + big + FEND, {"0/0:" + big}, 0},
        {"one byte over", FEND + '\0' + big + "y" + FEND + '\0' + "A" + FEND, {"0/0:A"}, 1},
        {"far over, counted once", FEND + '\0' + big + big + big + FEND + '\0' + "A" + FEND, {"0/0:A"}, 1},
        {"bad escape", FEND + '\0' + "a" + FESC + "x" + "b" + FEND + '\0' + "c" + FEND, {"0/0:c"}, 1},
        {"escape cut by FEND", FEND + '\0' + "a" + FESC + FEND + '\0' + "c" + FEND, {"0/0:c"}, 1},
        {"TFEND alone is data", FEND + '\0' + TFEND + TFESC + FEND, {"0/0:" + TFEND + TFESC}, 0},
        {"the program's frames, all bytes", kissDataFrame(all) + kissDataFrame(all), {"0/0:" + all, "0/0:" + all}, 0},
    };
    EXPECT_EQ(kissDataFrame(all), kissWrap(all));
    for (const auto& r : rows) {
        for (const std::size_t readSize : {r.bytes.size(), std::size_t{1}, std::size_t{3}}) {
            KissSplitter splitter;
            EXPECT_EQ(split(splitter, r.bytes, readSize), r.frames) << r.name << ", reads of " << readSize;
            EXPECT_EQ(splitter.dropped(), r.dropped) << r.name;
        }
    }
}

TEST(KissSplitter, ResetDiscardsTheHalfFrameAndWaitsForAFend) {
    KissSplitter splitter;
    EXPECT_EQ(split(splitter, FEND + '\0' + "half", 100), std::vector<std::string>{});
    splitter.reset();
    EXPECT_EQ(split(splitter, "rest" + FEND + '\0' + "next" + FEND, 100), std::vector<std::string>{"0/0:next"});
}

std::string address(std::string_view call, int ssid = 0, bool high = false, bool last = false) { return addressBytes(call, ssid, high, last); }
// Destination APRS and source SRC-1 with their command/response bits; digipeaters follow unless `last`.
std::string header(bool destC, bool srcC, bool last = true) { return address("APRS", 0, destC) + address("SRC", 1, srcC, last); }
// A command frame's addresses through `count` digipeaters named A, B, C …
std::string via(int count) {
    std::string out = header(true, false, false);
    for (int i = 0; i < count; ++i) out += address(std::string(1, static_cast<char>('A' + i)), 0, false, i + 1 == count);
    return out;
}

TEST(Ax25, MonitorLines) {
    using K = Ax25Kind;
    const std::string ui = "\x03\xF0";
    const std::string cmd = header(true, false), res = header(false, true), v1 = header(false, false);
    // SSIDs and the "*" of the last digipeater that repeated are read back over the whole capture (KissCorpus).
    const struct { const char* name; std::string frame; K kind; std::string line; } rows[] = {
        // Addresses
        {"lower case taken as sent", address("apzx") + address("ab1cd", 0, false, true) + ui, K::Ui, "ab1cd>apzx:\r\n"},
        {"gap in repeated bits", header(true, false, false) + address("D1", 0, true) + address("D2") + address("D3", 0, true, true) + ui,
         K::Ui, "SRC-1>APRS,D1,D2,D3*:\r\n"},
        {"eight digipeaters", via(8) + ui, K::Ui, "SRC-1>APRS,A,B,C,D,E,F,G,H:\r\n"},
        {"nine digipeaters", via(9) + ui, K::Malformed, ""},
        {"one address", address("APRS", 0, false, true) + ui + "x", K::Malformed, ""},
        {"end bit inside a callsign", address("APRS") + "\x82\x83" + ui + "xxxxxx", K::Malformed, ""},
        {"no end bit", header(true, false, false) + ui + "xxxx", K::Malformed, ""},
        {"no control byte", cmd, K::Malformed, ""}, {"UI without protocol byte", cmd + "\x03", K::Malformed, ""},
        {"blank inside a callsign", address("AB CD") + address("SRC", 0, false, true) + ui, K::Malformed, ""},
        {"all blanks", address("") + address("SRC", 0, false, true) + ui, K::Malformed, ""},
        {"punctuation", address("AB>CD") + address("SRC", 0, false, true) + ui, K::Malformed, ""},
        // Frame types
        {"UI with poll bit is still UI", cmd + "\x13\xF0" + "x", K::Ui, "SRC-1>APRS:x\r\n"},
        {"UI from another protocol", cmd + "\x03\xCF" + "\xFFNODES", K::Ui, "SRC-1>APRS:\xFFNODES\r\n"},
        {"I frame", cmd + "\x24\xF0" + "hello", K::Other, "SRC-1>APRS <I R1 S2>:hello\r\n"},
        {"I frame, poll", cmd + "\xFE\xF0", K::Other, "SRC-1>APRS <I R7 S7 P>\r\n"},
        {"REJ, final", res + "\xB9", K::Other, "SRC-1>APRS <REJ 5 F>\r\n"},
        {"SABM, poll", cmd + "\x3F", K::Other, "SRC-1>APRS <SABM P>\r\n"},
        {"FRMR with its bytes", res + "\x87" + "abc", K::Other, "SRC-1>APRS <FRMR>:abc\r\n"},
        {"unknown U", cmd + "\x8B", K::Other, "SRC-1>APRS <U 8B>\r\n"},
        {"old-style poll", v1 + "\x3F", K::Other, "SRC-1>APRS <SABM P/F>\r\n"},
    };
    for (const auto& r : rows) {
        std::string out = "before|";
        EXPECT_EQ(appendMonitorLine(r.frame, out), r.kind) << r.name;
        EXPECT_EQ(out, "before|" + r.line) << r.name;
    }
}

// Only data frames are traffic; damaged ones are counted with the splitter's drops, and a
// frame's line ends cannot make the decoder see two packets.
TEST(KissMonitor, MonitorTextAprsLinesAndDrops) {
    const std::string pos = header(true, false) + "\x03\xF0" + "!4430.60N/01120.10E-", line = "SRC-1>APRS:!4430.60N/01120.10E-";
    const std::string sabm = header(true, false) + "\x3F";
    const struct { const char* name; std::string bytes; std::string text; std::vector<std::string> aprs; std::uint64_t dropped; } rows[] = {
        {"UI and SABM", kissWrap(pos) + kissWrap(sabm), line + "\r\nSRC-1>APRS <SABM P>\r\n", {line}, 0},
        {"port 1 decoded too", kissWrap(pos, 0x10), line + "\r\n", {line}, 0},
        {"TNC settings ignored", kissWrap(pos, 0x01) + kissWrap("\x05", 0x02), "", {}, 0},
        {"short frame counted", kissWrap("\x82\x83") + kissWrap(pos), line + "\r\n", {line}, 1},
        {"both kinds of drop", kissWrap("x") + FEND + '\0' + FESC + "?" + FEND, "", {}, 2},
        {"line ends inside one packet", kissWrap(header(true, false) + "\x03\xF0" + ">a\r\nEVIL>APRS:>b\r"),
         "SRC-1>APRS:>a\r\nEVIL>APRS:>b\r\r\n", {"SRC-1>APRS:>aEVIL>APRS:>b\r"}, 0},
        {"line ends nested in each other", kissWrap(header(true, false) + "\x03\xF0" + ">a\r\r\n\nEVIL>APRS:>b"),
         "SRC-1>APRS:>a\r\r\n\nEVIL>APRS:>b\r\n", {"SRC-1>APRS:>aEVIL>APRS:>b"}, 0},
    };
    for (const auto& r : rows) {
        KissMonitor monitor;
        const KissReceived got = monitor.receive(r.bytes);
        EXPECT_EQ(std::tie(got.monitorText, got.aprsLines), std::tie(r.text, r.aprs)) << r.name;
        EXPECT_EQ(monitor.dropped(), r.dropped) << r.name;
    }
}

// Every packet of the capture that fits in a UI frame (as heard on APRS-IS, with the servers'
// part of the path cut off), heard through a KISS TNC, gives the monitor line it came from
// and so the same record, whatever the read size.
TEST(KissCorpus, EveryEncodablePacketGivesTheRecordOfItsMonitorLine) {
    std::ifstream in(std::string(QUILMO_SHARED_DATA) + "/aprs-test-packets.tnc2", std::ios::binary);
    ASSERT_TRUE(in) << "data/aprs-test-packets.tnc2 is missing";
    const DecoderSettings own{.myPositionSet = true, .myLatValue = 44.5, .myLongValue = 11.3};
    const FilterFlags all = showAllFilter();
    const DecodeContext ctx{own, all, LocalTime{2026, 12, 5, 9, 5, 3}};
    // The path from the q-construct on is the APRS-IS servers' own, never on the air.
    const std::regex serverPath("^([^:]*?),q[A-Z][A-Za-z][^:]*:");
    std::string stream, expected;
    int encoded = 0, shown = 0;
    for (std::string tnc2; std::getline(in, tnc2);) {
        const std::string line = std::regex_replace(tnc2, serverPath, "$1:", std::regex_constants::format_first_only);
        const std::string frame = test::encodeMonitorLine(line).frame;
        if (frame.empty()) continue;  // callsigns no AX.25 address holds, more than 8 digipeaters, no header
        KissMonitor monitor;
        const KissReceived got = monitor.receive(kissWrap(frame));
        ASSERT_EQ(got.aprsLines.size(), 1u) << line;
        EXPECT_EQ(got.monitorText, line + "\r\n");
        const DecodedPacket direct = decodeAprsLine(line, ctx), heard = decodeAprsLine(got.aprsLines[0], ctx);
        EXPECT_EQ(std::tie(heard.record, heard.lastCoordinates), std::tie(direct.record, direct.lastCoordinates)) << line;
        shown += direct.shown;
        ++encoded;
        stream += kissWrap(frame);
        expected += line + "\r\n";
    }
    EXPECT_EQ(encoded, 370);
    EXPECT_GT(shown, 300);
    for (const std::size_t readSize : {std::size_t{1}, std::size_t{7}, std::size_t{1000}}) {
        KissMonitor monitor;
        std::string text;
        for (std::size_t at = 0; at < stream.size(); at += readSize) text += monitor.receive(std::string_view(stream).substr(at, readSize)).monitorText;
        EXPECT_EQ(text, expected) << readSize;
        EXPECT_EQ(monitor.dropped(), 0u);
    }
}

TEST(KissTransmit, ConverseModeFrames) {
    const std::string long256(256, 'a');
    const struct { const char* name; std::string send, myCall, unproto; std::vector<std::string> sent; bool refused; } rows[] = {
        {"via path", "hello\r\n", "N0CALL-7", "APZQLM,WIDE1-1,WIDE2-1", {"N0CALL-7>APZQLM,WIDE1-1,WIDE2-1:hello"}, false},
        {"default destination", "hello", "N0CALL", "", {"N0CALL>APZQLM:hello"}, false},
        {"each line a frame, CR LF not sent", "a\r\n\r\nb\r\nc", "N0CALL", "CQ", {"N0CALL>CQ:a", "N0CALL>CQ:b", "N0CALL>CQ:c"}, false},
        {"XON and XOFF never on the air", "\x13\r\na\x11" "b\r\n", "N0CALL", "", {"N0CALL>APZQLM:ab"}, false},
        {"bytes needing escapes", "\xC0\xDB", "N0CALL", "", {"N0CALL>APZQLM:\xC0\xDB"}, false},
        {"lone CR stays in the line", "a\rb", "N0CALL", "", {"N0CALL>APZQLM:a\rb"}, false},
        {"longest line", long256, "N0CALL", "", {"N0CALL>APZQLM:" + long256}, false},
        {"line too long", "ok\r\n" + long256 + "b", "N0CALL", "", {}, true},
        {"no callsign", "hello\r\n", "", "", {}, true}, {"no callsign, nothing to send", "\r\n\x13", "", "", {}, false},
    };
    for (const auto& r : rows) {
        const KissTransmit got = kissTransmitFrames(r.send, r.myCall, r.unproto);
        EXPECT_EQ(std::make_pair(got.refused, got.notice.empty()), std::make_pair(r.refused, !r.refused)) << r.name;
        std::vector<std::string> expected;
        for (const std::string& line : r.sent) expected.push_back(kissWrap(test::encodeMonitorLine(line).frame));
        EXPECT_EQ(got.frames, expected) << r.name;
    }
}

}  // namespace
}  // namespace quilmo
