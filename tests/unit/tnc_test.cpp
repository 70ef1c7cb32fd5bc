// The TNC-2 command line in front of our data link: commands and their answers row by row,
// the refusals that keep typed text, and two TNCs on a fake clock connecting, trading data
// on two streams, and losing the far end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ax25/frame.h"
#include "ax25/tnc.h"

namespace quilmo::ax25 {
namespace {

struct Clock {
    std::int64_t now = 0;
    LinkClock fn() {
        return [this] { return now; };
    }
};

TncSettings settingsFor(const std::string& call, const std::string& unprotoProblem = {}) {
    TncSettings s;
    s.myCall = call;
    s.unprotoProblem = unprotoProblem;
    return s;
}

std::string typeAll(Tnc& tnc, const std::vector<std::string>& lines) {
    for (const std::string& l : lines) EXPECT_EQ(tnc.typed(l), "") << l;
    return tnc.takeText();
}

// Frames as "TYPE DEST via D1,D2: info".
std::string described(const std::vector<std::string>& frames) {
    std::string out;
    for (const std::string& bytes : frames) {
        const std::optional<Frame> f = decodeFrame(bytes, kModulo8);
        if (!f) {
            out += "<bad>;";
            continue;
        }
        static const char* const names[] = {"I", "RR", "RNR", "REJ", "SREJ", "SABM", "SABME",
                                            "DISC", "DM", "UA", "FRMR", "UI", "XID", "TEST"};
        out += std::string(names[static_cast<int>(f->type)]) + " " + callsignText(f->source) + ">" +
               callsignText(f->destination);
        for (const Digipeater& d : f->path) out += "," + callsignText(d.callsign);
        if (!f->info.empty()) out += ":" + f->info;
        out += ";";
    }
    return out;
}

TEST(TncCommands, AnswersAsATnc2Prints) {
    const struct {
        const char* name;
        std::string call;
        std::vector<std::string> typed;
        std::string printed;
        std::string frames;
    } rows[] = {
        {"unknown command", "N0CALL", {"HELLO"}, "?EH\r\n", ""},
        {"ambiguous abbreviation", "N0CALL", {"M"}, "?EH\r\n", ""},
        {"longer than the command", "N0CALL", {"CONNECTED W1BBS"}, "?EH\r\n", ""},
        {"empty line", "N0CALL", {"  \r\n"}, "", ""},
        {"mycall shown and set, lower case", "N0CALL", {"my", "mycall n0abc-1\r\n", "MY"},
         "MYCALL N0CALL\r\nMYCALL was N0CALL\r\nMYCALL N0ABC-1\r\n", ""},
        {"mycall bad", "N0CALL", {"MY N0CALL-16", "MY A B"}, "?bad\r\n?bad\r\n", ""},
        {"paclen range", "N0CALL", {"P 0", "PAC 257", "PACLEN x", "p 64", "P"},
         "?bad\r\n?bad\r\n?bad\r\nPACLEN was 128\r\nPACLEN 64\r\n", ""},
        {"maxframe, frack, retry, check", "N0CALL", {"MA 8", "MA 7", "F 16", "FRACK 5", "R 0", "RETRY 3", "CH 0", "CHECK 30"},
         "?bad\r\nMAXFRAME was 4\r\n?bad\r\nFRACK was 3\r\n?bad\r\nRETRY was 10\r\n?bad\r\nCHECK was 18\r\n", ""},
        {"on and off", "N0CALL", {"MON", "MO OFF", "CONO on", "CONOK maybe", "MONITOR"},
         "MONITOR ON\r\nMONITOR was ON\r\nCONOK was ON\r\n?bad\r\nMONITOR OFF\r\n", ""},
        {"connect state alone", "N0CALL", {"C"}, "Link state is: DISCONNECTED\r\n", ""},
        {"connect through digipeaters", "N0CALL", {"c w1bbs v wide1-1,relay"}, "", "SABME N0CALL>W1BBS,WIDE1-1,RELAY;"},
        {"connect through VIA with blanks", "N0CALL", {"CONNECT W1BBS VIA A B"}, "", "SABME N0CALL>W1BBS,A,B;"},
        {"connect through too many", "N0CALL", {"C W1BBS V A,B,C,D,E,F,G,H,I"}, "?bad\r\n", ""},
        {"connect to a bad call", "N0CALL", {"C W1BBS-99"}, "?bad\r\n", ""},
        {"connect without mycall", "", {"C W1BBS"}, "?MYCALL not set\r\n", ""},
        {"disconnect with nothing connected", "N0CALL", {"D"}, "?not connected\r\n", ""},
        {"unproto set, converse sends UI", "N0CALL", {"U CQ V RELAY", "K", "hello\r\nagain"},
         "UNPROTO was APZQLM\r\n", "UI N0CALL>CQ,RELAY:hello;UI N0CALL>CQ,RELAY:again;"},
        {"unproto bad", "N0CALL", {"U CQ V A,B,C,D,E,F,G,H,I"}, "?bad\r\n", ""},
        {"commands then converse in one buffer", "N0CALL", {"MON OFF\r\nCONV\r\nhi ^S\x13"}, "MONITOR was ON\r\n",
         "UI N0CALL>APZQLM:hi ^S;"},
        {"ctrl-c back to commands", "N0CALL", {"K", "a\x03" "MY"}, "cmd:\r\nMYCALL N0CALL\r\n", "UI N0CALL>APZQLM:a;"},
        {"stream switch", "N0CALL", {"|b", "CS"},
         "A stream      DISCONNECTED\r\nB stream  IO  DISCONNECTED\r\nC stream      DISCONNECTED\r\n"
         "D stream      DISCONNECTED\r\nE stream      DISCONNECTED\r\nF stream      DISCONNECTED\r\n"
         "G stream      DISCONNECTED\r\nH stream      DISCONNECTED\r\nI stream      DISCONNECTED\r\n"
         "J stream      DISCONNECTED\r\n",
         ""},
        {"stream switch and command on one line", "N0CALL", {"|JC W1BBS", "|AC"}, "Link state is: DISCONNECTED\r\n",
         "SABME N0CALL>W1BBS;"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Clock clock;
        Tnc tnc(settingsFor(r.call), clock.fn());
        EXPECT_EQ(tnc.takeText(), "cmd:\r\n");
        EXPECT_EQ(typeAll(tnc, r.typed), r.printed);
        EXPECT_EQ(described(tnc.takeFrames()), r.frames);
    }
}

// What cannot go out stays in the Tx buffer: refused whole, nothing sent or printed.
TEST(TncCommands, RefusalsKeepTheText) {
    const struct {
        const char* name;
        TncSettings settings;
        std::vector<std::string> before;
        std::string typed;
        std::string why;  // the start of it
    } rows[] = {
        {"converse without mycall", {}, {"K"}, "hello", "KISS mode sends only with your callsign"},
        {"converse with a line too long", settingsFor("N0CALL"), {"K"}, "ok\r\n" + std::string(257, 'x'), "A line is longer"},
        {"converse with an unusable UNPROTO=", settingsFor("N0CALL", "UNPROTO=X cannot be used"), {"K"}, "hi", "UNPROTO=X"},
        {"while connecting", settingsFor("N0CALL"), {"C W1BBS"}, "hello\r\n", "Nothing was sent: the connection to W1BBS"},
        {"a command while connecting", settingsFor("N0CALL"), {"C W1BBS"}, "D\r\n", "Nothing was sent: the connection"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Clock clock;
        Tnc tnc(r.settings, clock.fn());
        typeAll(tnc, r.before);
        tnc.takeFrames();
        EXPECT_TRUE(tnc.typed(r.typed).starts_with(r.why)) << tnc.typed(r.typed);
        EXPECT_EQ(tnc.takeText(), "");
        EXPECT_EQ(described(tnc.takeFrames()), "");
    }
    // An UNPROTO typed mends the configured one.
    Clock clock;
    Tnc tnc(settingsFor("N0CALL", "UNPROTO=X cannot be used"), clock.fn());
    typeAll(tnc, {"U CQ", "K"});
    EXPECT_EQ(tnc.typed("hi"), "");
    EXPECT_EQ(described(tnc.takeFrames()), "UI N0CALL>CQ:hi;");
}

// Two TNCs whose frames reach each other at once, on a clock moved by hand.
struct Pair {
    Clock clock;
    Tnc a{settingsFor("N0AAA"), clock.fn()};
    Tnc b{settingsFor("N0BBB"), clock.fn()};
    std::string aText, bText;
    bool bGone = false;

    void run(std::int64_t untilMs) {
        for (int guard = 0; guard < 100000; ++guard) {
            bool moved = false;
            for (const std::string& f : a.takeFrames()) {
                if (!bGone) b.receive(f);
                moved = true;
            }
            for (const std::string& f : b.takeFrames()) {
                a.receive(f);
                moved = true;
            }
            aText += a.takeText();
            bText += b.takeText();
            if (moved) continue;
            std::optional<std::int64_t> next = a.nextWakeAt();
            if (const auto bn = b.nextWakeAt(); bn && (!next || *bn < *next)) next = bn;
            if (!next || *next > untilMs) return;
            clock.now = std::max(clock.now, *next);
            a.wake();
            b.wake();
        }
    }
};

std::string numberedLines(const char* who, int bytes) {
    std::string out;
    for (int n = 0; out.size() < static_cast<std::size_t>(bytes); ++n) out += std::string(who) + " line " + std::to_string(n) + "\r";
    return out;
}

TEST(TncSessions, ConnectTradeBothWaysAndDisconnect) {
    Pair p;
    EXPECT_EQ(p.a.typed("C N0BBB"), "");
    p.run(10000);
    EXPECT_EQ(p.aText, "cmd:\r\n*** CONNECTED to N0BBB\r\n");
    EXPECT_EQ(p.bText, "cmd:\r\n*** CONNECTED to N0AAA\r\n");
    EXPECT_TRUE(p.a.converse());
    EXPECT_TRUE(p.b.converse());
    EXPECT_FALSE(p.a.monitorShown());  // no monitor lines among the conversation
    p.aText.clear();
    p.bText.clear();

    // Typed lines end in CR LF; the far end gets them with CR, as a TNC sends a line.
    std::string fromA = numberedLines("A", 10240), fromB = numberedLines("B", 10240);
    auto typedForm = [](std::string s) {
        std::string out;
        for (char c : s) out += c == '\r' ? std::string("\r\n") : std::string(1, c);
        return out;
    };
    EXPECT_EQ(p.a.typed(typedForm(fromA)), "");
    EXPECT_EQ(p.b.typed(typedForm(fromB)), "");
    p.run(p.clock.now + 120000);
    EXPECT_EQ(p.bText, fromA);
    EXPECT_EQ(p.aText, fromB);

    p.aText.clear();
    p.bText.clear();
    EXPECT_EQ(p.b.typed("\x03" "D\r\n"), "");
    p.run(p.clock.now + 10000);
    EXPECT_EQ(p.bText, "cmd:\r\n*** DISCONNECTED\r\n");
    EXPECT_EQ(p.aText, "*** DISCONNECTED\r\ncmd:\r\n");
    EXPECT_FALSE(p.a.converse());
    EXPECT_TRUE(p.a.monitorShown());
}

TEST(TncSessions, StreamsCarryTheirMarkers) {
    Pair p;
    Tnc c{settingsFor("N0CCC"), p.clock.fn()};
    // B is connected on stream A by N0AAA and on stream B (taken as A is busy) by N0CCC.
    p.a.typed("C N0BBB");
    p.run(10000);
    c.typed("C N0BBB");
    for (const std::string& f : c.takeFrames()) p.b.receive(f);
    for (const std::string& f : p.b.takeFrames()) c.receive(f);
    for (const std::string& f : c.takeFrames()) p.b.receive(f);
    p.bText += p.b.takeText();
    EXPECT_EQ(c.takeText(), "cmd:\r\n*** CONNECTED to N0BBB\r\n");
    EXPECT_EQ(p.bText, "cmd:\r\n*** CONNECTED to N0AAA\r\n|B*** CONNECTED to N0CCC\r\n");
    EXPECT_EQ(p.b.currentStream(), 0);

    p.bText.clear();
    p.a.typed("from a\r\n");
    p.run(p.clock.now + 5000);
    EXPECT_EQ(p.bText, "|Afrom a\r");
    // |B sends on stream B; A's station sees nothing of it.
    p.bText.clear();
    p.aText.clear();
    p.b.typed("|Bto c\r\n");
    EXPECT_EQ(p.b.currentStream(), 1);
    for (const std::string& f : p.b.takeFrames()) c.receive(f);
    EXPECT_EQ(c.takeText(), "to c\r");
    p.run(p.clock.now + 5000);
    EXPECT_EQ(p.aText, "");
}

TEST(TncSessions, FarEndGoneRetryCountExceeded) {
    Pair p;
    p.a.typed("R 3\r\nF 1\r\nC N0BBB");
    p.run(10000);
    p.aText.clear();
    p.bGone = true;
    p.a.typed("anyone there?\r\n");
    p.run(p.clock.now + 600000);
    EXPECT_EQ(p.aText, "*** retry count exceeded\r\n*** DISCONNECTED\r\ncmd:\r\n");
    // And a station that answers DM to SABM is busy.
    Pair q;
    q.b.typed("CONOK OFF");
    q.b.takeText();
    q.a.typed("C N0BBB");
    q.run(10000);
    EXPECT_EQ(q.aText, "cmd:\r\n*** N0BBB busy\r\n*** DISCONNECTED\r\n");
}

}  // namespace
}  // namespace quilmo::ax25
