// KISS TNCs: the byte stream split into frames, AX.25 frames printed as monitor lines, the
// whole packet capture through both, and converse-mode frames for sending.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "aprs/decoder.h"
#include "aprs/filter_flags.h"
#include "ax25_frames.h"
#include "terminal/ax25.h"
#include "terminal/kiss.h"
#include "terminal/kiss_monitor.h"
#include "terminal/kiss_transmit.h"

namespace quilmo {
namespace {

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
    if (!in) GTEST_SKIP() << "packet corpus not found";
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
