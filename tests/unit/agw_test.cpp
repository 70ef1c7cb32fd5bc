// An AGWPE server's frames: headers built by hand read back in any split, a length no
// server sends, our frames turned into 'M', 'V' or 'K', and the TNC-2 command line on
// connections that the server runs, driven by the server's frames as Dire Wolf sends them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ax25/agw.h"
#include "ax25/agw_links.h"
#include "ax25/tnc.h"
#include "ax25_frames.h"

namespace quilmo::ax25 {
namespace {

using test::encodeMonitorLine;

// A header laid out by hand from the protocol's table, apart from the program's encoder.
std::string header(char kind, std::string from, std::string to, std::uint32_t length, std::uint8_t pid = 0) {
    std::string h(36, '\0');
    h[4] = kind;
    h[6] = static_cast<char>(pid);
    from.resize(10, '\0');
    to.resize(10, '\0');
    h.replace(8, 10, from);
    h.replace(18, 10, to);
    for (int i = 0; i < 4; ++i) h[28 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return h;
}

std::string frameBytes(char kind, const std::string& from, const std::string& to, const std::string& data) {
    return header(kind, from, to, static_cast<std::uint32_t>(data.size())) + data;
}

// "kind/pid from>to:data;" with control bytes as <n>, so NUL padding can be read.
std::string described(const agw::Frame& f) {
    std::string out(1, f.kind);
    if (f.pid != 0) out += "/" + std::to_string(f.pid);
    out += " " + f.callFrom + ">" + f.callTo;
    if (!f.data.empty()) out += ":";
    for (const char c : f.data) {
        const auto b = static_cast<unsigned char>(c);
        out += b < 32 ? "<" + std::to_string(b) + ">" : std::string(1, c);
    }
    return out + ";";
}

std::string described(const std::vector<agw::Frame>& frames) {
    std::string out;
    for (const agw::Frame& f : frames) out += described(f);
    return out;
}

TEST(AgwCodec, ReaderTakesAnySplitAndRefusesAnOverlongFrame) {
    const std::string registered = frameBytes('X', "N0CALL-7", "", std::string(1, '\1'));
    const std::string data = frameBytes('D', "N0BBB", "N0CALL", "hello\r");
    const std::string big = frameBytes('K', "W1AW", "APRS", std::string(3000, 'x'));
    const struct {
        const char* name;
        std::vector<std::string> reads;
        std::size_t frames;
        std::string firstTwo;  // the first two frames described
        bool inStep;
    } rows[] = {
        {"whole frames in one read", {registered + data}, 2, "X N0CALL-7>:<1>;D N0BBB>N0CALL:hello<13>;", true},
        {"a header split", {data.substr(0, 7), data.substr(7, 25), data.substr(32)}, 1, "D N0BBB>N0CALL:hello<13>;", true},
        {"the data split from its header", {data.substr(0, 36), data.substr(36, 2), data.substr(38) + registered}, 2,
         "D N0BBB>N0CALL:hello<13>;X N0CALL-7>:<1>;", true},
        {"a frame larger than a read", {big.substr(0, 1000), big.substr(1000, 1000), big.substr(2000)}, 1, "", true},
        {"half a frame waits", {data.substr(0, data.size() - 1)}, 0, "", true},
        {"calls padded with blanks", {frameBytes('C', "N0BBB     ", "N0CALL    ", "")}, 1, "C N0BBB>N0CALL;", true},
        {"an unknown kind is still a frame", {frameBytes('Z', "", "", "?")}, 1, "Z >:?;", true},
        {"a length no server sends", {registered + header('D', "N0BBB", "N0CALL", 70000) + "abc", data}, 1,
         "X N0CALL-7>:<1>;", false},
        {"a length as large as it gets", {header('K', "", "", 0xFFFFFFFF)}, 0, "", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        agw::Reader reader;
        bool inStep = true;
        std::vector<agw::Frame> frames;
        for (const std::string& read : r.reads) {
            inStep = reader.append(read) && inStep;
            for (agw::Frame& f : reader.take()) frames.push_back(std::move(f));
        }
        EXPECT_EQ(inStep, r.inStep);
        EXPECT_EQ(reader.failed(), !r.inStep);
        ASSERT_EQ(frames.size(), r.frames);
        if (!r.firstTwo.empty()) {
            EXPECT_EQ(described(std::vector<agw::Frame>(frames.begin(), frames.begin() + std::min<std::size_t>(2, frames.size()))),
                      r.firstTwo);
        }
        // A new connection reads afresh.
        reader.reset();
        EXPECT_TRUE(reader.append(data));
        EXPECT_EQ(described(reader.take()), "D N0BBB>N0CALL:hello<13>;");
    }
    // The encoder lays a header out as the table says.
    agw::Frame f;
    f.kind = 'D';
    f.pid = 0xF0;
    f.callFrom = "N0CALL-7";
    f.callTo = "N0BBB";
    f.data = "hi\r";
    EXPECT_EQ(agw::encode(f), header('D', "N0CALL-7", "N0BBB", 3, 0xF0) + "hi\r");
}

// The server builds 'M' and 'V' frames from calls and text: only a frame it would build
// byte for byte the same may go that way.
TEST(AgwCodec, OurFramesAsTheServerSendsThem) {
    const std::string beacon = encodeMonitorLine("N0CALL-7>APZQLM:!4429.50N/01120.25E-").frame;
    const std::string message = encodeMonitorLine("N0CALL-7>APZQLM,WIDE1-1,WIDE2-2::W1AW     :hi{1").frame;
    std::string iFrame = encodeMonitorLine("N0CALL>N0BBB:data").frame;
    iFrame[14] = 0x00;
    std::string response = beacon;
    response[6] = static_cast<char>(response[6] & 0x7F);  // the destination's C bit clear
    response[13] = static_cast<char>(response[13] | 0x80);
    std::string otherPid = beacon;
    otherPid[15] = static_cast<char>(0xCF);
    const struct {
        const char* name;
        std::string ax25;
        std::string agw;  // described; "raw" for the frame as 'K'
    } rows[] = {
        {"no digipeaters: M", beacon, "M/240 N0CALL-7>APZQLM:!4429.50N/01120.25E-;"},
        {"digipeaters: V with their count and NUL-padded calls", message,
         "V/240 N0CALL-7>APZQLM:<2>WIDE1-1<0><0><0>WIDE2-2<0><0><0>:W1AW     :hi{1;"},
        {"eight digipeaters", encodeMonitorLine("N0CALL>CQ,A,B,C,D,E,F,G,H:x").frame,
         "V/240 N0CALL>CQ:<8>A<0><0><0><0><0><0><0><0><0>B<0><0><0><0><0><0><0><0><0>C<0><0><0><0><0><0><0><0><0>"
         "D<0><0><0><0><0><0><0><0><0>E<0><0><0><0><0><0><0><0><0>F<0><0><0><0><0><0><0><0><0>"
         "G<0><0><0><0><0><0><0><0><0>H<0><0><0><0><0><0><0><0><0>x;"},
        {"an empty information field", encodeMonitorLine("N0CALL>CQ:").frame, "M/240 N0CALL>CQ;"},
        {"a digipeater marked repeated", encodeMonitorLine("N0CALL>APZQLM,WIDE1-1*:hi").frame, "raw"},
        {"a NUL in the text", beacon + std::string(1, '\0') + "x", "raw"},
        {"a connected-mode frame", iFrame, "raw"},
        {"a response", response, "raw"},
        {"another layer 3", otherPid, "raw"},
        {"not a frame at all", "\x01\x02", "raw"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const agw::Frame f = agw::transmitFrame(r.ax25);
        if (std::string(r.agw) == "raw") {
            EXPECT_EQ(f.kind, 'K');
            EXPECT_EQ(f.data, std::string(1, '\0') + r.ax25);
            EXPECT_EQ(f.callFrom + f.callTo, "");
        } else {
            EXPECT_EQ(described(f), r.agw);
        }
    }
}

// ---- the TNC on an AGWPE server

struct Step {
    enum What { Typed, Server, Up, Down } what;
    std::string text;  // Typed: the bytes; Server: the frame's data
    char kind = 0;
    std::string from, to;
};
Step typed(std::string text) { return {Step::Typed, std::move(text), 0, {}, {}}; }
Step server(char kind, std::string from, std::string to, std::string data = {}) {
    return {Step::Server, std::move(data), kind, std::move(from), std::move(to)};
}
const Step kUp{Step::Up, {}, 0, {}, {}};
const Step kDown{Step::Down, {}, 0, {}, {}};

struct AgwTnc {
    AgwLinks* agw;
    Tnc tnc;
    explicit AgwTnc(const std::string& call)
        : AgwTnc(std::make_unique<AgwLinks>(parseCallsign(call), LinkSettings{}), call) {}
    AgwTnc(std::unique_ptr<AgwLinks> links, const std::string& call)
        : agw(links.get()), tnc(settingsOf(call), [] { return std::int64_t{0}; }, {}, std::move(links)) {}
    static TncSettings settingsOf(const std::string& call) {
        TncSettings s;
        s.myCall = call;
        return s;
    }
    void run(const Step& s) {
        switch (s.what) {
            case Step::Typed: EXPECT_EQ(tnc.typed(s.text), "") << s.text; return;
            case Step::Server: {
                agw::Frame f;
                f.kind = s.kind;
                f.callFrom = s.from;
                f.callTo = s.to;
                f.data = s.text;
                agw->serverFrame(f);
                break;
            }
            case Step::Up: agw->serverConnection(true); break;
            case Step::Down: agw->serverConnection(false); break;
        }
        tnc.wake();
    }
    std::string bytes() {
        agw::Reader reader;
        EXPECT_TRUE(reader.append(agw->takeBytes()));
        return described(reader.take());
    }
};

TEST(AgwTnc, CommandsAndTheServersNews) {
    const std::string connected = "*** CONNECTED To Station N0BBB\r";
    const std::string called = "*** CONNECTED With Station N0BBB\r";
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::string printed;
        std::string sent;
        bool converse = false;
    } rows[] = {
        {"connect", {typed("C N0BBB")}, "", "C N0CALL>N0BBB;"},
        {"connect through digipeaters", {typed("c n0bbb v wide1-1,relay-3")}, "",
         "v N0CALL>N0BBB:<2>WIDE1-1<0><0><0>RELAY-3<0><0><0>;"},
        {"connected, then a line out as D", {typed("C N0BBB"), server('C', "N0BBB", "N0CALL", connected), typed("hello\r\n")},
         "*** CONNECTED to N0BBB\r\n", "C N0CALL>N0BBB;D/240 N0CALL>N0BBB:hello<13>;", true},
        {"a long line in pieces a server takes", {typed("C N0BBB"), server('C', "N0BBB", "N0CALL", connected), typed(std::string(300, 'a'))},
         "*** CONNECTED to N0BBB\r\n", "C N0CALL>N0BBB;D/240 N0CALL>N0BBB:" + std::string(256, 'a') + ";D/240 N0CALL>N0BBB:" + std::string(44, 'a') + ";",
         true},
        {"the far station's text", {typed("C N0BBB"), server('C', "N0BBB", "N0CALL", connected), server('D', "N0BBB", "N0CALL", "welcome\r")},
         "*** CONNECTED to N0BBB\r\nwelcome\r", "C N0CALL>N0BBB;", true},
        {"the far station leaves",
         {typed("C N0BBB"), server('C', "N0BBB", "N0CALL", connected), server('d', "N0BBB", "N0CALL", "*** DISCONNECTED From Station N0BBB\r")},
         "*** CONNECTED to N0BBB\r\n*** DISCONNECTED\r\ncmd:\r\n", "C N0CALL>N0BBB;"},
        {"no answer: retry count exceeded", {typed("C N0BBB"), server('d', "N0BBB", "N0CALL", "*** DISCONNECTED RETRYOUT With N0BBB\r")},
         "*** retry count exceeded\r\n*** DISCONNECTED\r\n", "C N0CALL>N0BBB;"},
        {"we disconnect",
         {typed("C N0BBB"), server('C', "N0BBB", "N0CALL", connected), typed("\x03" "D\r\n"),
          server('d', "N0BBB", "N0CALL", "*** DISCONNECTED From Station N0BBB\r")},
         "*** CONNECTED to N0BBB\r\ncmd:\r\n*** DISCONNECTED\r\n", "C N0CALL>N0BBB;d N0CALL>N0BBB;"},
        {"a second D ends it at once",
         {typed("C N0BBB"), typed("\x03" "D\r\nD\r\n"), server('d', "N0BBB", "N0CALL", "*** DISCONNECTED From Station N0BBB\r")},
         "cmd:\r\n*** DISCONNECTED\r\n", "C N0CALL>N0BBB;d N0CALL>N0BBB;"},
        {"called, CONOK on", {server('C', "N0BBB", "N0CALL", called)}, "*** CONNECTED to N0BBB\r\n", "", true},
        {"called, CONOK off: cut and never shown",
         {typed("CONOK OFF"), server('C', "N0BBB", "N0CALL", called), server('d', "N0BBB", "N0CALL", "*** DISCONNECTED From Station N0BBB\r")},
         "CONOK was ON\r\n", "d N0CALL>N0BBB;"},
        {"link settings are the server's", {typed("P 64"), typed("MAXFRAME"), typed("F 5"), typed("RETRY 3"), typed("CH 30")},
         "?not on AGW\r\n?not on AGW\r\n?not on AGW\r\n?not on AGW\r\n?not on AGW\r\n", ""},
        {"MYCALL changed: registered afresh", {typed("MY N0ABC-1")}, "MYCALL was N0CALL\r\n", "x N0CALL>;X N0ABC-1>;"},
        {"registration refused", {server('X', "N0CALL", "", std::string(1, '\0'))},
         "?the AGW server refused to register N0CALL: connections to it are not taken\r\n", ""},
        {"registration taken", {server('X', "N0CALL", "", std::string(1, '\1'))}, "", ""},
        // What waited for the lost connection is not sent on the next one.
        {"the server gone: every stream ends",
         {typed("C N0BBB"), server('C', "N0BBB", "N0CALL", connected), typed("\x03|BC N0CCC"), kDown},
         "*** CONNECTED to N0BBB\r\ncmd:\r\n*** DISCONNECTED\r\n|B*** DISCONNECTED\r\n", ""},
        {"the server back: MYCALL registered again", {kDown, kUp}, "", "X N0CALL>;"},
        {"news of links we do not have, and other kinds",
         {server('D', "N0ZZZ", "N0CALL", "x"), server('d', "N0ZZZ", "N0CALL"), server('R', "", "", "12345678"),
          server('y', "", "", "0000"), server('U', "W1AW", "APRS", "monitor")},
         "", ""},
        {"a call for another station", {typed("C N0BBB"), server('C', "N0BBB", "N0OTH", called)}, "", "C N0CALL>N0BBB;"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        AgwTnc t("N0CALL");
        t.agw->serverConnection(true);
        EXPECT_EQ(t.bytes(), "X N0CALL>;");
        EXPECT_EQ(t.tnc.takeText(), "cmd:\r\n");
        for (const Step& s : r.steps) t.run(s);
        EXPECT_EQ(t.tnc.takeText(), r.printed);
        EXPECT_EQ(t.bytes(), r.sent);
        EXPECT_EQ(t.tnc.converse(), r.converse);
        EXPECT_TRUE(t.tnc.takeFrames().empty());
    }
}

}  // namespace
}  // namespace quilmo::ax25
