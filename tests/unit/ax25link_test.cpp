// The AX.25 data link: I, S and U frames in both numberings, the link's state changes row by
// row on a fake clock, the manager of links, and two links trading data over a channel that
// loses, repeats and reorders frames.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ax25/frame.h"
#include "ax25/link.h"
#include "ax25/link_manager.h"
#include "ax25_frames.h"

namespace quilmo::ax25 {
namespace {

using test::addressBytes;

Callsign call(std::string_view text) { return *parseCallsign(text); }

// ---- frames ----

const char* typeName(FrameType t) {
    static const char* const names[] = {"I", "RR", "RNR", "REJ", "SREJ", "SABM", "SABME",
                                        "DISC", "DM", "UA", "FRMR", "UI", "XID", "TEST"};
    return names[static_cast<int>(t)];
}

bool numbered(FrameType t) { return t == FrameType::I || t == FrameType::RR || t == FrameType::RNR || t == FrameType::REJ || t == FrameType::SREJ; }

// "I s0 r1 hello", "RR r2 F", "SABME P via D1,D2"
std::string describe(const Frame& f) {
    std::string s = typeName(f.type);
    if (f.type == FrameType::I) s += " s" + std::to_string(f.ns);
    if (numbered(f.type)) s += " r" + std::to_string(f.nr);
    if (f.pollFinal) s += f.command ? " P" : " F";
    if (!f.pollFinal && f.command && f.type != FrameType::I && numbered(f.type)) s += " C";
    if (!f.info.empty()) s += " " + (f.info.size() <= 12 ? f.info : "#" + std::to_string(f.info.size()));
    for (std::size_t i = 0; i < f.path.size(); ++i)
        s += (i == 0 ? " via " : ",") + callsignText(f.path[i].callsign) + (f.path[i].repeated ? "*" : "");
    return s;
}

TEST(Ax25Frame, ControlFieldsInBothNumberings) {
    const struct { const char* name; FrameType type; bool command; int ns, nr; bool pf; int modulo; std::string control; } rows[] = {
        {"I mod 8", FrameType::I, true, 3, 5, true, 8, "\xB6\xF0"},
        {"RR mod 8 final", FrameType::RR, false, 0, 2, true, 8, "\x51"},
        {"RNR mod 8", FrameType::RNR, false, 0, 7, false, 8, "\xE5"},
        {"REJ mod 8", FrameType::REJ, false, 0, 0, false, 8, "\x09"},
        {"SREJ mod 8", FrameType::SREJ, false, 0, 1, false, 8, "\x2D"},
        {"I mod 128", FrameType::I, true, 100, 127, true, 128, "\xC8\xFF\xF0"},
        {"RR mod 128", FrameType::RR, false, 0, 64, false, 128, std::string("\x01\x80", 2)},
        {"SREJ mod 128 final", FrameType::SREJ, false, 0, 3, true, 128, "\x0D\x07"},
        {"SABM", FrameType::SABM, true, 0, 0, true, 8, "\x3F"},
        {"SABME", FrameType::SABME, true, 0, 0, true, 128, "\x7F"},
        {"UA", FrameType::UA, false, 0, 0, true, 128, "\x73"},
        {"DM", FrameType::DM, false, 0, 0, false, 8, "\x0F"},
        {"DISC", FrameType::DISC, true, 0, 0, true, 8, "\x53"},
    };
    for (const auto& r : rows) {
        Frame f;
        f.destination = call("W1AW");
        f.source = call("N0CALL-7");
        f.path = {{call("D1"), true}, {call("D2"), false}};
        f.type = r.type;
        f.command = r.command;
        f.ns = r.ns;
        f.nr = r.nr;
        f.pollFinal = r.pf;
        if (r.type == FrameType::I) f.info = "hi";
        const std::string expected = addressBytes("W1AW", 0, r.command, false) + addressBytes("N0CALL", 7, !r.command, false) +
                                     addressBytes("D1", 0, true, false) + addressBytes("D2", 0, false, true) + r.control +
                                     f.info;
        EXPECT_EQ(encodeFrame(f, r.modulo), expected) << r.name;
        const std::optional<Frame> back = decodeFrame(expected, r.modulo);
        ASSERT_TRUE(back) << r.name;
        EXPECT_EQ(describe(*back), describe(f)) << r.name;
        EXPECT_EQ(callsignText(back->source), "N0CALL-7") << r.name;
    }
}

TEST(Ax25Frame, DamagedFramesAreNone) {
    const std::string head = addressBytes("W1AW", 0, true, false) + addressBytes("N0CALL", 0, false, true);
    std::string nineDigis = addressBytes("W1AW", 0, true, false) + addressBytes("N0CALL", 0, false, false);
    for (int i = 0; i < 9; ++i) nineDigis += addressBytes("D" + std::to_string(i), 0, true, i == 8);
    const struct { const char* name; std::string bytes; int modulo; } rows[] = {
        {"I mod 128 cut after one control byte", head + "\x02", 128},
        {"I without PID", head + "\x00", 8},
        {"S frame with information", head + "\x01x", 8},
        {"S mod 128 with bits in the first byte", head + "\x21\x00", 128},
        {"unknown U frame", head + "\x07", 8},
        {"lower-case call", addressBytes("w1aw", 0, true, false) + addressBytes("N0CALL", 0, false, true) + "\x3F", 8},
        {"no end of addresses", addressBytes("W1AW", 0, true, false) + addressBytes("N0CALL", 0, false, false), 8},
        {"nine digipeaters", nineDigis + "\x3F", 8},
        {"no control field", head, 8},
    };
    for (const auto& r : rows) EXPECT_FALSE(decodeFrame(r.bytes, r.modulo)) << r.name;
}

// ---- one link, step by step ----

std::string describe(const LinkEvent& e) {
    switch (e.kind) {
        case EventKind::Connected: return e.incoming ? "connected in" : "connected";
        case EventKind::Disconnected: return std::string("down: ") + std::string(reasonText(e.reason));
        case EventKind::Data: return "data " + e.data;
        case EventKind::FrameRejected: return "frmr";
        case EventKind::Reset: return "reset";
    }
    return "?";
}

const char* stateName(LinkState s) {
    static const char* const names[] = {"disconnected", "awaiting", "awaiting 2.2", "connected", "recovery", "releasing"};
    return names[static_cast<int>(s)];
}

// A frame from the peer W1AW: "<RR r2 F", "<I s0 r0 P hi", "<SABM P via D1*".
Frame peerFrame(const std::string& text) {
    std::istringstream in(text.substr(1));
    std::string word;
    in >> word;
    Frame f;
    f.destination = call("N0CALL");
    f.source = call("W1AW");
    static const FrameType types[] = {FrameType::I, FrameType::RR, FrameType::RNR, FrameType::REJ, FrameType::SREJ,
                                      FrameType::SABM, FrameType::SABME, FrameType::DISC, FrameType::DM, FrameType::UA, FrameType::FRMR};
    for (FrameType t : types) {
        if (word == typeName(t)) f.type = t;
    }
    f.command = f.type == FrameType::I || f.type == FrameType::SABM || f.type == FrameType::SABME || f.type == FrameType::DISC;
    while (in >> word) {
        if (word == "P" || word == "F" || word == "C") {
            f.command = word != "F";
            f.pollFinal = word != "C";
        } else if (word == "via") {
            in >> word;
            std::istringstream digis(word);
            for (std::string d; std::getline(digis, d, ',');)
                f.path.push_back({call(d.substr(0, d.find('*'))), d.back() == '*'});
        } else if (word.size() > 1 && (word[0] == 's' || word[0] == 'r') && isdigit(static_cast<unsigned char>(word[1]))) {
            (word[0] == 's' ? f.ns : f.nr) = std::stoi(word.substr(1));
        } else {
            f.info += (f.info.empty() ? "" : " ") + word;
        }
    }
    return f;
}

struct Bench {
    std::int64_t now = 0;
    DataLink link;
    explicit Bench(LinkSettings s) : link(call("N0CALL"), [this] { return now; }, s) {}

    // One step: a request, a frame from the peer, or time passing; what it sent, as text.
    // A step marked "~" leaves its frames waiting to be taken with the next one's.
    std::string step(const std::string& marked) {
        const bool hold = marked[0] == '~';
        const std::string s = hold ? marked.substr(1) : marked;
        std::string prefix;
        if (s == "connect") {
            link.connect(call("W1AW"), {});
        } else if (s.rfind("connect via ", 0) == 0) {
            std::vector<Callsign> path;
            std::istringstream digis(s.substr(12));
            for (std::string d; std::getline(digis, d, ',');) path.push_back(call(d));
            link.connect(call("W1AW"), path);
        } else if (s.rfind("send ", 0) == 0) {
            link.send(s.substr(5));
        } else if (s == "disc") {
            link.disconnect();
        } else if (s[0] == '<') {
            link.receive(encodeFrame(peerFrame(s), link.modulo()));
        } else if (s == "wait") {
            if (!link.nextWakeAt()) return "no timer";
            now = *link.nextWakeAt();
            link.wake();
            prefix = "@" + std::to_string(now);
        } else if (s[0] == '+') {
            now += std::stoll(s.substr(1));
            link.wake();
        }
        if (hold) return "";
        std::string out;
        for (const std::string& bytes : link.takeFrames()) {
            const std::optional<Frame> f = decodeFrame(bytes, link.modulo());
            out += (out.empty() ? "" : "; ") + (f ? describe(*f) : "?");
        }
        return prefix + (prefix.empty() || out.empty() ? "" : " ") + out;
    }
};

struct LinkRow {
    const char* name;
    LinkSettings settings;
    std::vector<std::string> setup;
    std::string last;       // the step whose output is checked
    std::string frames;     // sent by the last step
    std::string state;      // after it
    std::string events;     // from the last step
};

void runRows(const std::vector<LinkRow>& rows) {
    for (const LinkRow& r : rows) {
        Bench b(r.settings);
        for (const std::string& s : r.setup) b.step(s);
        b.link.takeEvents();
        EXPECT_EQ(b.step(r.last), r.frames) << r.name;
        EXPECT_STREQ(stateName(b.link.state()), r.state.c_str()) << r.name;
        std::string events;
        for (const LinkEvent& e : b.link.takeEvents()) events += (events.empty() ? "" : "; ") + describe(e);
        EXPECT_EQ(events, r.events) << r.name;
    }
}

// The rows below count time without airtime, as if every frame left at once; the rows of
// AirtimeOfTheChannel add it.
const LinkSettings kInstant{.channelBitsPerSecond = 0};
const LinkSettings kMod8{.extended = false, .channelBitsPerSecond = 0};
const LinkSettings kTwoTries{.retry = 2, .extended = false, .channelBitsPerSecond = 0};
const std::vector<std::string> kUp8 = {"<SABM P"};   // an incoming modulo 8 link
const std::vector<std::string> kUp128 = {"<SABME P"};

std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(Ax25Link, SettingUpAndRefusing) {
    runRows({
        {"connect asks for modulo 128", {}, {}, "connect", "SABME P", "awaiting 2.2", ""},
        {"connect without 2.2 asks SABM", kMod8, {}, "connect", "SABM P", "awaiting", ""},
        {"connect via digipeaters", {}, {}, "connect via D1,D2", "SABME P via D1,D2", "awaiting 2.2", ""},
        {"T1 from FRACK and 2 digipeaters", kInstant, {"connect via D1,D2"}, "wait", "@15000 SABME P via D1,D2", "awaiting 2.2", ""},
        {"SABME unanswered half the tries: SABM", {.retry = 4, .channelBitsPerSecond = 0}, {"connect", "wait"}, "wait",
         "@9000 SABM P", "awaiting", ""},
        {"SABME repeated with T1 doubled", kInstant, {"connect", "wait"}, "wait", "@9000 SABME P", "awaiting 2.2", ""},
        {"UA to SABME: modulo 128 link", {}, {"connect"}, "<UA F", "", "connected", "connected"},
        {"DM to SABME: try SABM", {}, {"connect"}, "<DM F", "SABM P", "awaiting", ""},
        {"FRMR to SABME: try SABM", {}, {"connect"}, "<FRMR", "SABM P", "awaiting", ""},
        {"UA without F ignored", kMod8, {"connect"}, "<UA", "", "awaiting", ""},
        {"DM to SABM is busy", kMod8, {"connect"}, "<DM F", "", "disconnected", "down: busy"},
        {"N2 tries without answer", kTwoTries, {"connect", "wait", "wait"}, "wait", "@21000", "disconnected", "down: retry count exceeded"},
        {"both ask at once", kMod8, {"connect"}, "<SABM P", "UA F", "connected", "connected"},
        {"DISC while asking", kMod8, {"connect"}, "<DISC P", "DM F", "awaiting", ""},
        {"withdrawn request", kMod8, {"connect"}, "disc", "DISC P", "disconnected", "down: disconnected"},
        {"incoming SABM", {}, {}, "<SABM P", "UA F", "connected", "connected in"},
        {"incoming SABME via digipeaters, path reversed", {}, {}, "<SABME P via D1*,D2*", "UA F via D2,D1", "connected", "connected in"},
        {"frame not yet repeated ignored", {}, {}, "<SABM P via D1", "", "disconnected", ""},
        {"CONOK off refuses", {.conok = false}, {}, "<SABM P", "DM F", "disconnected", ""},
        {"DISC without link", {}, {}, "<DISC P", "DM F", "disconnected", ""},
        {"I frame without link", {}, {}, "<I s0 r0 P hi", "DM F", "disconnected", ""},
        {"stray UA without link", {}, {}, "<UA F", "", "disconnected", ""},
    });
}

TEST(Ax25Link, ConnectedTransfer) {
    runRows({
        {"data as an I frame", kMod8, kUp8, "send hello", "I s0 r0 hello", "connected", ""},
        {"cut into PACLEN frames", {.paclen = 5}, kUp8, "send abcdefghijkl", "I s0 r0 abcde; I s1 r0 fghij; I s2 r0 kl", "connected", ""},
        {"window of MAXFRAME", {.paclen = 1, .maxFrame = 2}, kUp8, "send abc", "I s0 r0 a; I s1 r0 b", "connected", ""},
        {"ack opens the window", {.paclen = 1, .maxFrame = 2}, plus(kUp8, {"send abc"}), "<RR r1", "I s2 r0 c", "connected", ""},
        {"modulo 128 numbers", {}, plus(kUp128, {"<I s0 r0 x"}), "send hi", "I s0 r1 hi", "connected", ""},
        {"in-sequence frame delivered, ack waits", kMod8, kUp8, "<I s0 r0 hi", "", "connected", "data hi"},
        {"delayed ack", kMod8, plus(kUp8, {"<I s0 r0 hi"}), "wait", "@500 RR r1", "connected", ""},
        {"poll answered at once", kMod8, kUp8, "<I s0 r0 P hi", "RR r1 F", "connected", "data hi"},
        {"out of sequence: REJ", kMod8, kUp8, "<I s1 r0 lost", "REJ r0", "connected", ""},
        {"one REJ only", kMod8, plus(kUp8, {"<I s1 r0 x"}), "<I s2 r0 y", "", "connected", ""},
        {"duplicate dropped", kMod8, plus(kUp8, {"<I s0 r0 hi"}), "<I s0 r0 hi", "REJ r1", "connected", ""},
        {"missing frame clears the REJ", kMod8, plus(kUp8, {"<I s1 r0 x"}), "<I s0 r0 y", "", "connected", "data y"},
        {"REJ resends from N(R)", kMod8, plus(kUp8, {"send a", "send b", "send c"}), "<REJ r1", "I s1 r0 b; I s2 r0 c", "connected", ""},
        {"SREJ resends one", kMod8, plus(kUp8, {"send a", "send b", "send c"}), "<SREJ r1 F", "I s1 r0 b", "connected", ""},
        {"poll answered", kMod8, kUp8, "<RR r0 P", "RR r0 F", "connected", ""},
        {"late repeat of an ack ignored", kMod8, plus(kUp8, {"send a", "send b", "<RR r2"}), "<REJ r1", "", "connected", ""},
        {"ack from just behind the window ignored", kMod8, plus(kUp8, {"send a"}), "<RR r5", "", "connected", ""},
        {"ack of frames never sent resets", kMod8, plus(kUp8, {"send a"}), "<RR r2", "SABM P", "awaiting", "reset"},
        {"I frame acking frames never sent resets", kMod8, plus(kUp8, {"send a"}), "<I s0 r3 x", "SABM P", "awaiting", "reset"},
        {"burst carries the latest N(R)", kMod8, {"<SABM P", "~send a", "~<I s0 r0 x"}, "<I s1 r0 y", "I s0 r2 a", "connected", "data y"},
        {"late UA ignored", kMod8, kUp8, "<UA F", "", "connected", ""},
    });
}

// Modulo 128: what comes after a lost frame is kept, and only the lost frames are asked for.
TEST(Ax25Link, SelectiveReject) {
    runRows({
        {"gap: SREJ for the missing frame", kInstant, kUp128, "<I s1 r0 b", "SREJ r0", "connected", ""},
        {"two missing: one SREJ each", kInstant, kUp128, "<I s2 r0 c", "SREJ r0; SREJ r1", "connected", ""},
        {"each missing frame asked for once", kInstant, plus(kUp128, {"<I s1 r0 b"}), "<I s2 r0 c", "", "connected", ""},
        {"the missing frame brings the kept ones", kInstant, plus(kUp128, {"<I s2 r0 c", "<I s1 r0 b"}), "<I s0 r0 a",
         "", "connected", "data a; data b; data c"},
        {"then one RR for all", kInstant, plus(kUp128, {"<I s1 r0 b", "<I s0 r0 a"}), "wait", "@500 RR r2", "connected", ""},
        {"a repeat of a delivered frame is no gap", kInstant, plus(kUp128, {"<I s0 r0 a"}), "<I s0 r0 a", "",
         "connected", ""},
        {"only acknowledged", kInstant, plus(kUp128, {"<I s0 r0 a", "<I s0 r0 a"}), "wait", "@500 RR r1", "connected", ""},
        {"poll while a frame is missing", kInstant, kUp128, "<I s1 r0 P b", "SREJ r0 F", "connected", ""},
        {"a poll asks for every missing frame again", kInstant, plus(kUp128, {"<I s1 r0 b", "<I s3 r0 d"}), "<RR r0 P",
         "SREJ r0 F; SREJ r2", "connected", ""},
        {"not asked again within the burst that asked", kInstant, plus(kUp128, {"<I s1 r0 b"}), "wait", "@500", "connected", ""},
        {"lost again: asked again when the next burst ends", kInstant, plus(kUp128, {"<I s1 r0 b", "+1000", "<I s2 r0 c"}),
         "wait", "@1500 SREJ r0", "connected", ""},
        {"one gap filled, the other asked again with the ack", kInstant,
         plus(kUp128, {"<I s1 r0 b", "<I s3 r0 d", "+1000", "<I s0 r0 a"}), "wait", "@1500 SREJ r2; RR r2", "connected", ""},
    });
}

// Sixteen answers that each came within 10 ms.
std::vector<std::string> quickAnswers() {
    std::vector<std::string> steps = kUp8;
    for (int i = 1; i <= 16; ++i) {
        for (const std::string& s : {std::string("send a"), std::string("+10"), "<RR r" + std::to_string(i % 8)}) steps.push_back(s);
    }
    return steps;
}

TEST(Ax25Link, TimersAndRecovery) {
    runRows({
        {"quick answers leave T1 at a second", kMod8, plus(quickAnswers(), {"send b"}), "wait", "@1160 RR r0 P", "recovery", ""},
        {"T1 expiry polls", kMod8, plus(kUp8, {"send a"}), "wait", "@3000 RR r0 P", "recovery", ""},
        {"final answer resends the rest", kMod8, plus(kUp8, {"send a", "wait"}), "<RR r0 F", "I s0 r0 a", "connected", ""},
        {"final answer acknowledging all", kMod8, plus(kUp8, {"send a", "wait"}), "<RR r1 F", "", "connected", ""},
        {"then T3 runs", kMod8, plus(kUp8, {"send a", "wait", "<RR r1 F"}), "wait", "@183000 RR r0 P", "recovery", ""},
        {"poll repeated with T1 doubled", kMod8, plus(kUp8, {"send a", "wait"}), "wait", "@9000 RR r0 P", "recovery", ""},
        {"N2 polls unanswered", kTwoTries, plus(kUp8, {"send a", "wait", "wait"}), "wait", "@21000", "disconnected",
         "down: retry count exceeded"},
        {"all acked: T3 checks the idle link", kMod8, plus(kUp8, {"send a", "<RR r1"}), "wait", "@180000 RR r0 P", "recovery", ""},
        {"T3 answered", kMod8, plus(kUp8, {"wait"}), "<RR r0 F", "", "connected", ""},
        {"round trip shortens T1", kMod8, {"connect", "+1000", "<UA F", "send a"}, "wait", "@3874 RR r0 P", "recovery", ""},
        {"busy peer gets no frames", kMod8, plus(kUp8, {"<RNR r0"}), "send a", "", "connected", ""},
        {"busy peer polled on T1", kMod8, plus(kUp8, {"<RNR r0", "send a"}), "wait", "@3000 RR r0 P", "recovery", ""},
        {"still busy: polled again", kMod8, plus(kUp8, {"<RNR r0", "send a", "wait", "<RNR r0 F"}), "wait", "@6000 RR r0 P", "recovery", ""},
        {"busy no more", kMod8, plus(kUp8, {"<RNR r0", "send a", "wait"}), "<RR r0 F", "I s0 r0 a", "connected", ""},
        {"frame sent during recovery", kMod8, plus(kUp8, {"send a", "wait"}), "send b", "I s1 r0 b", "recovery", ""},
    });
}

TEST(Ax25Link, ReleaseAndFailures) {
    runRows({
        {"disconnect", kMod8, kUp8, "disc", "DISC P", "releasing", ""},
        {"UA ends it", kMod8, plus(kUp8, {"disc"}), "<UA F", "", "disconnected", "down: disconnected"},
        {"DM ends it", kMod8, plus(kUp8, {"disc"}), "<DM F", "", "disconnected", "down: disconnected"},
        {"DISC repeated", kMod8, plus(kUp8, {"disc"}), "wait", "@3000 DISC P", "releasing", ""},
        {"no answer to DISC", kTwoTries, plus(kUp8, {"disc", "wait", "wait"}), "wait", "@21000", "disconnected",
         "down: retry count exceeded"},
        {"second disconnect drops it", kMod8, plus(kUp8, {"disc"}), "disc", "", "disconnected", "down: disconnected"},
        {"both release at once", kMod8, plus(kUp8, {"disc"}), "<DISC P", "UA F", "releasing", ""},
        {"poll while releasing", kMod8, plus(kUp8, {"disc"}), "<I s0 r0 P x", "DM F", "releasing", ""},
        {"SABM while releasing", kMod8, plus(kUp8, {"disc"}), "<SABM P", "DM F", "releasing", ""},
        {"peer disconnects", kMod8, kUp8, "<DISC P", "UA F", "disconnected", "down: disconnected by the peer"},
        {"DM on the link", kMod8, kUp8, "<DM", "", "disconnected", "down: link lost: the peer has no link"},
        {"FRMR sets the link up again", kMod8, plus(kUp8, {"send a"}), "<FRMR", "SABM P", "awaiting", "frmr; reset"},
        {"repeated SABM before any exchange", kMod8, plus(kUp8, {"send a"}), "<SABM P", "UA F; I s0 r0 a", "connected", ""},
        {"SABM after an exchange resets", kMod8, plus(kUp8, {"<I s0 r0 x", "send a"}), "<SABM P", "UA F", "connected", "reset; connected in"},
        {"no data without a link", kMod8, {}, "send a", "", "disconnected", ""},
    });
}

// At 1200 bit/s a frame of 256 bytes takes almost two seconds on the air, and a KISS TNC
// sends a burst one frame after the other: T1 counts from the end of it, the peer's frames
// hold it, and one acknowledgement answers a whole burst of the peer's.
TEST(Ax25Link, AirtimeOfTheChannel) {
    const LinkSettings slow{.paclen = 256, .maxFrame = 7, .extended = false};
    const std::string frame(256, 'x');
    runRows({
        {"T1 from the end of a 7-frame burst", slow, plus(kUp8, {"send " + std::string(7 * 256, 'x')}), "wait",
         "@16909 RR r0 P", "recovery", ""},
        {"T1 of a short frame", slow, plus(kUp8, {"+5000", "send a"}), "wait", "@8644 RR r0 P", "recovery", ""},
        {"a frame from the peer holds T1", slow, plus(kUp8, {"+5000", "send a", "+2000", "<RR r0"}), "wait",
         "@10000 RR r0 P", "recovery", ""},
        {"the ack waits for the frame that may follow", slow, plus(kUp8, {"<I s0 r0 " + frame}), "wait", "@2397 RR r1",
         "connected", ""},
        {"one ack for a burst", slow, plus(kUp8, {"<I s0 r0 " + frame, "+1900", "<I s1 r0 " + frame}), "wait",
         "@4297 RR r2", "connected", ""},
        {"a burst handed over at once: the ack waits less", slow, plus(kUp8, {"<I s0 r0 " + frame, "+20", "<I s1 r0 " + frame}),
         "wait", "@560 RR r2", "connected", ""},
    });
}

// ---- two links back to back ----

// A burst of frames crossing the air: some lost, some heard twice, neighbours swapped.
struct Channel {
    std::mt19937 rng;
    double loss, repeat, swap;

    std::vector<std::string> carry(const std::vector<std::string>& frames) {
        std::uniform_real_distribution<double> chance(0, 1);
        std::vector<std::string> out;
        for (const std::string& f : frames) {
            if (chance(rng) < loss) continue;
            out.push_back(f);
            if (chance(rng) < repeat) out.push_back(f);
        }
        for (std::size_t i = 0; i + 1 < out.size(); ++i) {
            if (chance(rng) < swap) std::swap(out[i], out[i + 1]), ++i;
        }
        return out;
    }
};

std::string pattern(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

TEST(Ax25Link, TwoLinksTradeTenKilobytesOverABadChannel) {
    const struct { const char* name; bool extended; unsigned seed; double loss, repeat, swap; } rows[] = {
        {"modulo 8, clean", false, 1, 0, 0, 0},
        {"modulo 8, lossy", false, 2, 0.15, 0.05, 0.05},
        {"modulo 8, worse", false, 5, 0.2, 0.1, 0.2},
        {"modulo 128, clean", true, 3, 0, 0, 0},
        {"modulo 128, lossy", true, 4, 0.15, 0.05, 0.05},
        {"modulo 128, worse", true, 6, 0.2, 0.1, 0.2},
    };
    for (const auto& r : rows) {
        std::int64_t now = 0;
        const LinkClock clock = [&now] { return now; };
        const LinkSettings settings{.extended = r.extended};
        DataLink a(call("N0CALL"), clock, settings), b(call("W1AW"), clock, settings);
        Channel ab{std::mt19937(r.seed), r.loss, r.repeat, r.swap}, ba{std::mt19937(r.seed + 50), r.loss, r.repeat, r.swap};
        const std::string fromA = pattern(10240, r.seed), fromB = pattern(10240, r.seed + 100);
        std::string atA, atB, trouble;
        const auto events = [&](DataLink& link, std::string& got, const std::string& toSend) {
            for (const LinkEvent& e : link.takeEvents()) {
                if (e.kind == EventKind::Data) got += e.data;
                if (e.kind == EventKind::Connected && !toSend.empty()) link.send(toSend);
                if (e.kind == EventKind::Reset || e.kind == EventKind::Disconnected) trouble += describe(e) + "; ";
            }
        };
        const auto run = [&](const auto& done) {
            for (int round = 0; round < 200000 && !done(); ++round) {
                const std::vector<std::string> fa = a.takeFrames(), fb = b.takeFrames();
                if (fa.empty() && fb.empty()) {
                    const std::optional<std::int64_t> wa = a.nextWakeAt(), wb = b.nextWakeAt();
                    if (!wa && !wb) return;
                    now = std::min(wa.value_or(*wb), wb.value_or(*wa));
                    a.wake();
                    b.wake();
                }
                for (const std::string& f : ab.carry(fa)) b.receive(f);
                for (const std::string& f : ba.carry(fb)) a.receive(f);
                events(a, atA, "");
                events(b, atB, fromB);
            }
        };
        a.connect(call("W1AW"), {});
        a.send(fromA);
        run([&] { return atA.size() >= fromB.size() && atB.size() >= fromA.size(); });
        EXPECT_TRUE(atB == fromA) << r.name << ": " << atB.size() << " of " << fromA.size() << " bytes";
        EXPECT_TRUE(atA == fromB) << r.name << ": " << atA.size() << " of " << fromB.size() << " bytes";
        EXPECT_EQ(trouble, "") << r.name;
        EXPECT_EQ(a.modulo(), r.extended ? 128 : 8) << r.name;
        EXPECT_EQ(b.modulo(), r.extended ? 128 : 8) << r.name;
        EXPECT_LT(now, 3600 * 1000) << r.name;

        a.disconnect();
        run([&] { return a.state() == LinkState::Disconnected && b.state() == LinkState::Disconnected; });
        EXPECT_EQ(a.state(), LinkState::Disconnected) << r.name;
        EXPECT_EQ(b.state(), LinkState::Disconnected) << r.name;
    }
}

// ---- the manager ----

std::string sabmFrom(const std::string& peer, const std::string& to) {
    Frame f;
    f.destination = call(to);
    f.source = call(peer);
    f.type = FrameType::SABM;
    f.pollFinal = true;
    return encodeFrame(f, kModulo8);
}

std::string sentTypes(LinkManager& m) {
    std::string out;
    for (const std::string& bytes : m.takeFrames()) {
        const std::optional<Frame> f = decodeFrame(bytes, kModulo8);
        out += (out.empty() ? "" : "; ") + (f ? describe(*f) + ">" + callsignText(f->destination) : "?");
    }
    return out;
}

TEST(Ax25LinkManager, RoutesFramesAndKeepsTenLinks) {
    std::int64_t now = 0;
    LinkManager m(call("N0CALL"), [&now] { return now; });
    for (int i = 1; i <= 10; ++i) {
        m.receive(sabmFrom("P" + std::to_string(i), "N0CALL"));
        EXPECT_EQ(sentTypes(m), "UA F>P" + std::to_string(i));
    }
    EXPECT_EQ(m.size(), 10u);
    m.receive(sabmFrom("P11", "N0CALL"));
    EXPECT_EQ(sentTypes(m), "DM F>P11") << "eleventh refused as busy";
    m.receive(sabmFrom("P12", "OTHER"));
    EXPECT_EQ(sentTypes(m), "") << "not for us";
    EXPECT_FALSE(m.connect(call("N0CALL"), call("X1"), {}));
    EXPECT_EQ(m.size(), 10u);

    Frame i = peerFrame("<I s0 r0 P hello");
    i.source = call("P3");
    m.receive(encodeFrame(i, kModulo8));
    EXPECT_EQ(sentTypes(m), "RR r1 F>P3");
    EXPECT_TRUE(m.send(call("N0CALL"), call("P4"), "to four"));
    EXPECT_EQ(sentTypes(m), "I s0 r0 to four>P4");
    EXPECT_FALSE(m.send(call("N0CALL"), call("P11"), "x"));

    Frame disc = peerFrame("<DISC P");
    disc.source = call("P3");
    m.receive(encodeFrame(disc, kModulo8));
    EXPECT_EQ(sentTypes(m), "UA F>P3");
    EXPECT_EQ(m.size(), 9u);
    EXPECT_TRUE(m.connect(call("N0CALL-2"), call("X1"), {}));
    EXPECT_EQ(sentTypes(m), "SABME P>X1");

    std::string seen;
    for (const StationEvent& e : m.takeEvents()) {
        if (e.event.kind != EventKind::Connected) seen += callsignText(e.peer) + " " + describe(e.event) + "; ";
    }
    EXPECT_EQ(seen, "P3 data hello; P3 down: disconnected by the peer; ");
}

}  // namespace
}  // namespace quilmo::ax25
