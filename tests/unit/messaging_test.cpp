// APRS messaging as the station on the other end sees it: what goes out after each thing
// heard, sent or waited for, on a clock moved by hand, and where every message ends up.
#include "aprs/messaging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "memory_message_store.h"

namespace quilmo {
namespace {

constexpr std::int64_t kEpoch = 1'780'000'000'000;  // an ordinary day in 2026, in ms

enum class Do { Hear, Send, Cancel, Resend, Wake, LinkUp, LinkDown, Restart, Read };

// One thing happening at `at` seconds, and the fields that must go out right after it.
struct Step {
    int at;
    Do what;
    std::string a = {}, b = {};  // Hear: source, information. Send: addressee, text. Cancel, Resend: id. Read: station.
    std::vector<std::string> out = {};
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
    // Every message afterwards, one line each: station, direction, text{number}, state, "unread".
    std::vector<std::string> messages;
    const char* nextWake = "none";  // seconds, or none
    const char* myCall = "N0CALL-7";
};

std::string describe(const StoredMessage& m) {
    std::string line = m.station + (m.outgoing ? " out " : " in ") + m.text;
    if (!m.number.empty()) line += "{" + m.number;
    if (m.state != MessageState::Received) line += " " + messageStateText(m);
    return line + (m.unread ? " unread" : "");
}

struct Station {
    test::MemoryMessageStore store;
    std::int64_t now = kEpoch;
    std::string myCall;
    std::unique_ptr<Messaging> messaging;

    explicit Station(std::string call) : myCall(std::move(call)) { start(); }
    void start() {
        messaging = std::make_unique<Messaging>(myCall, &store, [this] { return now; });
        messaging->setLinkReady(true);
    }
    void run(const Step& s) {
        now = kEpoch + s.at * 1000LL;
        switch (s.what) {
            case Do::Hear: messaging->receive(s.a, s.b); break;
            case Do::Send: messaging->send(s.a, s.b); break;
            case Do::Cancel: messaging->cancel(std::stoll(s.a)); break;
            case Do::Resend: messaging->resend(std::stoll(s.a)); break;
            case Do::Wake: messaging->wake(); break;
            case Do::LinkUp: messaging->setLinkReady(true); break;
            case Do::LinkDown: messaging->setLinkReady(false); break;
            case Do::Restart: start(); break;
            case Do::Read: messaging->markRead(s.a); break;
        }
    }
    std::string nextWake() const {
        const auto at = messaging->nextWakeAt();
        return at ? std::to_string((*at - kEpoch) / 1000) : "none";
    }
};

const std::string kToMe = ":N0CALL-7 :";
const std::string kToW1aw = ":W1AW     :";

const Scenario kScenarios[] = {
    {"a numbered message is shown and acknowledged at once, one without number only shown",
     {{0, Do::Hear, "W1AW", kToMe + "Hello{5", {kToW1aw + "ack5"}}, {1, Do::Hear, "W1AW", kToMe + "no number"}},
     {"W1AW in Hello{5 unread", "W1AW in no number unread"}},
    {"each copy is acknowledged, one within 30 minutes is not shown again",
     {{0, Do::Hear, "W1AW", kToMe + "Hi{5", {kToW1aw + "ack5"}},
      {600, Do::Hear, "W1AW*", kToMe + "Hi{5", {kToW1aw + "ack5"}},
      {1799, Do::Hear, "W1AW", kToMe + "Hi{5", {kToW1aw + "ack5"}},
      {1800, Do::Hear, "W1AW", kToMe + "Hi{5", {kToW1aw + "ack5"}}},
     {"W1AW in Hi{5 unread", "W1AW in Hi{5 unread"}},
    {"a tracker that restarted its count reuses a number: another text is a new message",
     {{0, Do::Hear, "W1AW", kToMe + "first text{5", {kToW1aw + "ack5"}},
      {60, Do::Hear, "W1AW", kToMe + "totally different text{5", {kToW1aw + "ack5"}},
      {90, Do::Hear, "W1AW", kToMe + "first text{5", {kToW1aw + "ack5"}}},
     {"W1AW in first text{5 unread", "W1AW in totally different text{5 unread"}},
    {"a third-party source that is no callsign is neither answered nor listed",
     {{0, Do::Hear, "GATE", "}LONGLONGLONGCALL>APRS,TCPIP,GATE*:" + kToMe + "x{17"},
      {1, Do::Hear, "GATE", "}W1 AW>APRS,TCPIP,GATE*:" + kToMe + "x{18"},
      {2, Do::Hear, "GATE", "}W1\x7F" "AW>APRS,TCPIP,GATE*:" + kToMe + "x{19"},
      {3, Do::Hear, "GATE", "}W1\xFF" "AW>APRS,TCPIP,GATE*:" + kToMe + "x{20"},
      {4, Do::Hear, "GATE", "}-W1AW>APRS,TCPIP,GATE*:" + kToMe + "x{21"},
      {5, Do::Hear, "GATE", "}K1ABC-7>APRS,TCPIP,GATE*:" + kToMe + "x{22", {":K1ABC-7  :ack22"}}},
     {"K1ABC-7 in x{22 unread"}},
    {"both stations use number 1: their message is no answer to ours",
     {{0, Do::Send, "W1AW", "Hi", {kToW1aw + "Hi{1"}}, {5, Do::Hear, "W1AW", kToMe + "Yo{1", {kToW1aw + "ack1"}}},
     {"W1AW out Hi{1 sending 1/7", "W1AW in Yo{1 unread"}, "30"},
    {"both stations use number 1: their ack answers ours and leaves theirs as it is",
     {{0, Do::Hear, "W1AW", kToMe + "Yo{1", {kToW1aw + "ack1"}}, {5, Do::Send, "W1AW", "Hi", {kToW1aw + "Hi{1"}},
      {9, Do::Hear, "W1AW", kToMe + "ack1"}, {10, Do::Hear, "W1AW", kToMe + "Yo{1", {kToW1aw + "ack1"}}},
     {"W1AW in Yo{1 unread", "W1AW out Hi{1 acknowledged"}},
    {"the same number from another station is another message",
     {{0, Do::Hear, "W1AW", kToMe + "Hi{5", {kToW1aw + "ack5"}},
      {1, Do::Hear, "K1ABC-9", kToMe + "Hi{5", {":K1ABC-9  :ack5"}}},
     {"W1AW in Hi{5 unread", "K1ABC-9 in Hi{5 unread"}},
    {"MYCALL without SSID is -0 as well, another SSID is someone else",
     {{0, Do::Hear, "W1AW", ":N0CALL-0 :Hi{1", {kToW1aw + "ack1"}}, {1, Do::Hear, "W1AW", ":n0call   :Hi{2", {kToW1aw + "ack2"}},
      {2, Do::Hear, "W1AW", ":N0CALL-8 :Hi{3"}},
     {"W1AW in Hi{1 unread", "W1AW in Hi{2 unread"}, "none", "N0CALL"},
    {"with an SSID in MYCALL, the bare call is someone else",
     {{0, Do::Hear, "W1AW", ":N0CALL   :Hi{2"}},
     {}},
    {"bulletins, acks and our own packets heard back are never acknowledged",
     {{0, Do::Hear, "W1AW", ":BLN1     :Net tonight{3"}, {1, Do::Hear, "W1AW", kToMe + "ack9"},
      {2, Do::Hear, "N0CALL-7", ":W1AW     :Hello{4"}, {3, Do::Hear, "N0CALL-7*", kToMe + "to myself{5"}},
     {}},
    {"a message through a gateway is answered to its sender",
     {{0, Do::Hear, "GATE", "}W1AW>APRS,TCPIP,GATE*:" + kToMe + "via IS{7", {kToW1aw + "ack7"}}},
     {"W1AW in via IS{7 unread"}},
    {"ours goes out at once and is acknowledged",
     {{0, Do::Send, "w1aw", "Hello", {kToW1aw + "Hello{1"}}, {5, Do::Hear, "W1AW", kToMe + "ack1"}},
     {"W1AW out Hello{1 acknowledged"}},
    {"an ack from another station, or for another number, changes nothing",
     {{0, Do::Send, "W1AW", "Hello", {kToW1aw + "Hello{1"}}, {5, Do::Hear, "K1ABC", kToMe + "ack1"},
      {6, Do::Hear, "W1AW", kToMe + "ack2"}},
     {"W1AW out Hello{1 sending 1/7"}, "30"},
    {"tries after 30, 60, 120 s … doubling, given up after the seventh, resent under a new number",
     {{0, Do::Send, "W1AW", "Hi", {kToW1aw + "Hi{1"}}, {29, Do::Wake}, {30, Do::Wake, "", "", {kToW1aw + "Hi{1"}},
      {89, Do::Wake}, {90, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {210, Do::Wake, "", "", {kToW1aw + "Hi{1"}},
      {450, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {930, Do::Wake, "", "", {kToW1aw + "Hi{1"}},
      {1890, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {2009, Do::Wake}, {2010, Do::Wake}, {2011, Do::Resend, "1", "", {kToW1aw + "Hi{2"}}},
     {"W1AW out Hi{2 sending 1/7"}, "2041"},
    {"given up two minutes after the seventh try, and a late ack still counts",
     {{0, Do::Send, "W1AW", "Hi", {kToW1aw + "Hi{1"}}, {30, Do::Wake, "", "", {kToW1aw + "Hi{1"}},
      {90, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {210, Do::Wake, "", "", {kToW1aw + "Hi{1"}},
      {450, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {930, Do::Wake, "", "", {kToW1aw + "Hi{1"}},
      {1890, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {2010, Do::Wake}, {2500, Do::Hear, "W1AW", kToMe + "ack1"}},
     {"W1AW out Hi{1 acknowledged"}},
    {"a message gives up after its seventh try without waiting half an hour",
     {{0, Do::Send, "W1AW", "Hi", {kToW1aw + "Hi{1"}}, {30, Do::Wake, "", "", {kToW1aw + "Hi{1"}},
      {90, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {210, Do::Wake, "", "", {kToW1aw + "Hi{1"}},
      {450, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {930, Do::Wake, "", "", {kToW1aw + "Hi{1"}},
      {1890, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {2010, Do::Wake}},
     {"W1AW out Hi{1 given up"}},
    {"a late wake-up sends once and counts the next wait from then",
     {{0, Do::Send, "W1AW", "Hi", {kToW1aw + "Hi{1"}}, {500, Do::Wake, "", "", {kToW1aw + "Hi{1"}}},
     {"W1AW out Hi{1 sending 2/7"}, "560"},
    {"a reject ends the tries",
     {{0, Do::Send, "W1AW", "Hi", {kToW1aw + "Hi{1"}}, {3, Do::Hear, "W1AW", kToMe + "rej1"}, {30, Do::Wake}},
     {"W1AW out Hi{1 rejected"}},
    {"a cancel ends the tries, a resend starts them again under a new number",
     {{0, Do::Send, "W1AW", "Hi", {kToW1aw + "Hi{1"}}, {10, Do::Cancel, "1"}, {30, Do::Wake},
      {40, Do::Resend, "1", "", {kToW1aw + "Hi{2"}}, {70, Do::Wake, "", "", {kToW1aw + "Hi{2"}}},
     {"W1AW out Hi{2 sending 2/7"}, "130"},
    {"an ack that comes after a cancel still counts",
     {{0, Do::Send, "W1AW", "Hi", {kToW1aw + "Hi{1"}}, {10, Do::Cancel, "1"}, {20, Do::Hear, "W1AW", kToMe + "ack1"}},
     {"W1AW out Hi{1 acknowledged"}},
    {"a station that uses reply-acks gets them, and its reply-ack acknowledges ours",
     {{0, Do::Hear, "W1AW", kToMe + "Hi{AB}", {kToW1aw + "ackAB"}}, {5, Do::Send, "W1AW", "Yo", {kToW1aw + "Yo{1}AB"}},
      {9, Do::Hear, "W1AW", kToMe + "Fine{AC}1", {kToW1aw + "ackAC"}}, {10, Do::Send, "W1AW", "Bye", {kToW1aw + "Bye{2}AC"}}},
     {"W1AW in Hi{AB unread", "W1AW out Yo{1 acknowledged", "W1AW in Fine{AC unread", "W1AW out Bye{2 sending 1/7"}, "40"},
    {"while the link cannot send nothing waits, is tried or acknowledged",
     {{0, Do::LinkDown}, {1, Do::Send, "W1AW", "Hi"}, {2, Do::Hear, "K1ABC", kToMe + "Yo{3"}, {60, Do::Wake},
      {100, Do::LinkUp}, {100, Do::Wake, "", "", {kToW1aw + "Hi{1"}}},
     {"W1AW out Hi{1 sending 1/7", "K1ABC in Yo{3 unread"}, "130"},
    {"a message in flight when the program stops resumes its tries, numbers go on",
     {{0, Do::Send, "W1AW", "Hi", {kToW1aw + "Hi{1"}}, {30, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {40, Do::Restart},
      {89, Do::Wake}, {90, Do::Wake, "", "", {kToW1aw + "Hi{1"}}, {91, Do::Send, "K1ABC", "Yo", {":K1ABC    :Yo{2"}},
      {92, Do::Hear, "W1AW", kToMe + "ack1"}},
     {"W1AW out Hi{1 acknowledged", "K1ABC out Yo{2 sending 1/7"}, "121"},
    {"received messages and their unread marks outlive a restart",
     {{0, Do::Hear, "W1AW", kToMe + "one{1", {kToW1aw + "ack1"}}, {1, Do::Hear, "K1ABC", kToMe + "two"}, {2, Do::Read, "K1ABC"},
      {3, Do::Restart}, {4, Do::Hear, "W1AW", kToMe + "one{1", {kToW1aw + "ack1"}}},
     {"W1AW in one{1 unread", "K1ABC in two"}},
    {"without MYCALL nothing is sent and nothing is for us",
     {{0, Do::Send, "W1AW", "Hi"}, {1, Do::Hear, "W1AW", ":N0CALL   :Hi{1"}, {2, Do::Hear, "W1AW", ":         :Hi{2"}},
     {}, "none", ""},
};

TEST(Messaging, Scenarios) {
    for (const Scenario& sc : kScenarios) {
        SCOPED_TRACE(sc.name);
        Station station(sc.myCall);
        for (const Step& step : sc.steps) {
            station.run(step);
            EXPECT_EQ(station.messaging->takeOutgoing(), step.out) << "at " << step.at << " s";
        }
        std::vector<std::string> messages;
        for (const StoredMessage& m : station.messaging->messages()) messages.push_back(describe(m));
        EXPECT_EQ(messages, sc.messages);
        EXPECT_EQ(station.nextWake(), sc.nextWake);
        EXPECT_EQ(station.messaging->notice(), "");
        // The conversations, as counted from every message, match what is kept of them.
        std::vector<std::string> latestFirst;
        std::map<std::string, int> unread;
        int allUnread = 0;
        for (auto m = station.messaging->messages().rbegin(); m != station.messaging->messages().rend(); ++m) {
            if (std::find(latestFirst.begin(), latestFirst.end(), m->station) == latestFirst.end()) latestFirst.push_back(m->station);
            unread[m->station] += m->unread;
            allUnread += m->unread;
        }
        EXPECT_EQ(station.messaging->stations(), latestFirst);
        EXPECT_EQ(station.messaging->unreadCount(), allUnread);
        for (const std::string& s : latestFirst) {
            EXPECT_EQ(station.messaging->unreadCount(s), unread[s]) << s;
            for (const StoredMessage* m : station.messaging->conversation(s)) EXPECT_EQ(m->station, s);
        }
    }
}

TEST(Messaging, RefusalsSayWhy) {
    const std::string tooLong(68, 'x');
    const struct { const char* addressee; std::string text; std::string reason; } rows[] = {
        {"W1AW", std::string(67, 'x'), ""},
        {"W1AW", tooLong, "The text has 68 characters; a message holds at most 67."},
        {"W1AW", "a|b", "The text holds '|', which a message cannot carry ('|', '~' and '{' are not allowed)."},
        {"W1AW", "a~b", "The text holds '~', which a message cannot carry ('|', '~' and '{' are not allowed)."},
        {"W1AW", "a{b", "The text holds '{', which a message cannot carry ('|', '~' and '{' are not allowed)."},
        {"W1AW", "tab\there", "The text holds a control character, which a message cannot carry."},
        {"W1AW", "", "Nothing to send: write a text."},
        {"", "Hi", "Write the station to send to."},
        {"W1AW-10XYZ", "Hi", "Not a station: up to 9 letters, digits and '-'."},
        {"W1 AW", "Hi", "Not a station: up to 9 letters, digits and '-'."},
        {"BLN1", "Hi", "Bulletins (BLN, NWS) are not sent from here."},
        {"n0call-7", "Hi", "That is your own callsign."},
    };
    for (const auto& r : rows) {
        Station station("N0CALL-7");
        const SendResult result = station.messaging->send(r.addressee, r.text);
        EXPECT_EQ(result.reason, r.reason) << r.addressee << " " << r.text;
        EXPECT_EQ(result.accepted, r.reason.empty());
        EXPECT_EQ(station.messaging->takeOutgoing().size(), r.reason.empty() ? 1U : 0U);
    }
    Station noCall("");
    EXPECT_EQ(noCall.messaging->send("W1AW", "Hi").reason,
              "Messages are sent only with your callsign in Quilmo.ini (MYCALL=). Nothing was sent.");
}

// Bulletins keep one line per name and station, latest text, in name order; none is answered.
TEST(Messaging, BulletinsInAListOfTheirOwn) {
    Station station("N0CALL-7");
    station.messaging->receive("W1AW", ":BLN2     :second");
    station.messaging->receive("W1AW", ":BLN1     :first");
    station.messaging->receive("K1ABC", ":BLN1     :other");
    station.messaging->receive("W1AW", ":BLN1     :first, corrected");
    station.messaging->receive("NWS", ":NWS-WARN :Storm");
    std::vector<std::string> shown;
    for (const Bulletin& b : station.messaging->bulletins()) shown.push_back(b.addressee + " " + b.station + " " + b.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"BLN1 K1ABC other", "BLN1 W1AW first, corrected", "BLN2 W1AW second",
                                               "NWS-WARN NWS Storm"}));
    EXPECT_TRUE(station.messaging->takeOutgoing().empty());
    EXPECT_TRUE(station.messaging->messages().empty());
}

// Each change is one transaction (a send: message and counter; their message with our ack in
// it: both). A change the store refuses waits, with every change after it, and the store is
// not asked again until retryStore, which writes them all in one. A store that cannot be
// read at all is not written to.
TEST(Messaging, OneTransactionPerChangeAndWhatFailsWaitsForTheRetry) {
    Station station("N0CALL-7");
    station.messaging->send("W1AW", "Hi");
    station.messaging->receive("W1AW", kToMe + "Fine{3}1");
    station.messaging->wake();  // nothing due: nothing written
    EXPECT_EQ(station.store.transactions, 2);
    EXPECT_EQ(station.store.kept.nextNumber, 2);
    EXPECT_EQ(station.store.kept.messages.size(), 2U);

    int told = 0;
    station.messaging->addListener([&] { ++told; });
    station.store.failWith = "Cannot write /x/quilmo.sqlite: disk I/O error.";
    station.messaging->send("K1ABC", "Hi");
    EXPECT_EQ(station.messaging->notice(),
              "Cannot write /x/quilmo.sqlite: disk I/O error. Messages are kept and written as soon as it works again.");
    station.store.failWith.clear();
    station.messaging->receive("K1ABC", kToMe + "ack2");
    EXPECT_EQ(describe(station.messaging->messages().back()), "K1ABC out Hi{2 acknowledged");
    EXPECT_EQ(station.store.calls, 3) << "a change while the store fails does not wait on it again";
    EXPECT_TRUE(station.messaging->storeWaiting());
    EXPECT_EQ(told, 2);

    station.messaging->retryStore();
    EXPECT_FALSE(station.messaging->storeWaiting());
    EXPECT_EQ(station.messaging->notice(), "");
    EXPECT_EQ(told, 3);
    EXPECT_EQ(station.store.transactions, 3);
    EXPECT_EQ(station.store.kept.nextNumber, 3);
    ASSERT_EQ(station.store.kept.messages.size(), 3U);
    EXPECT_EQ(describe(station.store.kept.messages.back()), "K1ABC out Hi{2 acknowledged");
    station.messaging->retryStore();  // nothing waits: nothing written
    EXPECT_EQ(station.store.calls, 4);

    test::MemoryMessageStore unreadable;
    unreadable.failWith = "Cannot open /x/quilmo.sqlite: file is not a database.";
    Messaging messaging("N0CALL-7", &unreadable, [] { return kEpoch; });
    EXPECT_EQ(messaging.notice(), "Cannot open /x/quilmo.sqlite: file is not a database. Messages are kept only until the program ends.");
    unreadable.failWith.clear();
    messaging.send("W1AW", "Hi");
    messaging.retryStore();
    EXPECT_EQ(unreadable.calls, 0);
}

// Text from the air is kept as the window shows it: UTF-8 as its characters, other bytes
// as Windows-1252, control characters in caret notation. Typed text goes out in
// Windows-1252 when the code page holds it all, in UTF-8 otherwise; never a "?".
TEST(Messaging, TextInAnyScript) {
    const struct { const char* name; std::string heard, kept; } received[] = {
        {"UTF-8", kToMe + "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93{1", "Gr\u00FC\u00DFe \u2713"},
        {"Windows-1252", kToMe + "Gr\xFC\xDF" "e 25\xB0{2", "Gr\u00FC\u00DFe 25\u00B0"},
        {"an escape sequence", kToMe + "\x1B[2J\x1B]0;x\x07 ok{3", "^[[2J^[]0;x^G ok"},
        {"C1 controls, as UTF-8 and as undefined bytes", kToMe + "a\xC2\x9B" "6n\x81\x7F{4", "a<9B>6n<81>^?"},
        {"a bulletin", ":BLN1     :net \x1B[5m\xE2\x9C\x93", "net ^[[5m\u2713"},
    };
    for (const auto& r : received) {
        Station station("N0CALL-7");
        station.messaging->receive("W1AW", r.heard);
        const std::string kept = station.messaging->messages().empty() ? station.messaging->bulletins().at(0).text
                                                                       : station.messaging->messages().at(0).text;
        EXPECT_EQ(kept, r.kept) << r.name;
        EXPECT_EQ(station.store.kept.messages.empty() ? r.kept : station.store.kept.messages.at(0).text, r.kept) << r.name;
    }
    const std::string sixtySevenUmlauts = [] {
        std::string t;
        for (int i = 0; i < 67; ++i) t += "\u00E4";
        return t;
    }();
    const struct { const char* name; std::string typed, sent, refusal; } sent[] = {
        {"ASCII", "Hi there", kToW1aw + "Hi there{1", ""},
        {"Windows-1252 holds it", "Gr\u00FC\u00DFe \u20AC", kToW1aw + "Gr\xFC\xDF" "e \x80{1", ""},
        {"outside Windows-1252", "73 \u2713 \u041F\u0440\u0438", kToW1aw + "73 \u2713 \u041F\u0440\u0438{1", ""},
        {"67 letters of two bytes", sixtySevenUmlauts, kToW1aw + std::string(67, '\xE4') + "{1", ""},
        {"68 letters", sixtySevenUmlauts + "\u00E4", "", "The text has 68 characters; a message holds at most 67."},
        {"a C1 control", "a\u009Bb", "", "The text holds a control character, which a message cannot carry."},
    };
    for (const auto& r : sent) {
        Station station("N0CALL-7");
        const SendResult result = station.messaging->send("W1AW", r.typed);
        EXPECT_EQ(result.reason, r.refusal) << r.name;
        const std::vector<std::string> out = station.messaging->takeOutgoing();
        EXPECT_EQ(out, r.sent.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.sent}) << r.name;
        if (result.accepted) EXPECT_EQ(station.messaging->message(result.id)->text, r.typed) << r.name;
    }
}

// Listeners hear which conversations a change touched, so a view redraws only those.
TEST(Messaging, ListenersHearWhatChanged) {
    Station station("N0CALL-7");
    std::vector<std::string> heard;
    station.messaging->addListener([&](const MessagingUpdate& u) {
        std::string line = u.bulletins ? "bulletins" : "";
        for (const std::string& s : u.stations) line += (line.empty() ? "" : " ") + s;
        heard.push_back(line);
    });
    station.messaging->send("W1AW", "Hi");
    station.messaging->send("K1ABC", "Yo");
    station.messaging->receive("K1ABC", kToMe + "ack2");
    station.messaging->receive("W1AW", kToMe + "Hello{9");
    station.messaging->receive("W1AW", kToMe + "Hello{9");  // a copy: acked, nothing changed
    station.messaging->receive("DB0ABC", ":BLN1     :net");
    station.messaging->markRead("W1AW");
    station.now += 30'000;
    station.messaging->wake();
    station.messaging->setLinkReady(false);
    EXPECT_EQ(heard, (std::vector<std::string>{"W1AW", "K1ABC", "K1ABC", "W1AW", "", "bulletins", "W1AW", "W1AW", ""}));
}

}  // namespace
}  // namespace quilmo
