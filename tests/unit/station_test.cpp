// Taking part in APRS: the beacon's text and times, the APRS-IS login and what the server
// answers, and the bytes each kind of link sends for one information field of ours.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/station_setup.h"
#include "aprs/beacon.h"
#include "terminal/aprs_is.h"
#include "terminal/ax25.h"
#include "terminal/kiss.h"

namespace quilmo {
namespace {

TEST(Beacon, PositionText) {
    const std::string comment50(50, 'c');
    const struct { double lat, lon; const char* symbol; std::string comment; std::optional<std::string> info; } rows[] = {
        {44 + 29.5 / 60, 11 + 20.25 / 60, "/-", "", "=4429.50N/01120.25E-"},
        {-(33 + 52.05 / 60), -(151 + 12.5 / 60), "\\>", "QTH", "=3352.05S\\15112.50W>QTH"},
        {44 + 59.996 / 60, 9.0 / 60, "/-", "", "=4500.00N/00009.00E-"},  // 59.996' is the next degree, not 60.00'
        {7 + 0.004 / 60, 7 + 0.006 / 60, "/-", "", "=0700.00N/00700.01E-"},
        {-0.00001, -0.00001, "/-", "", "=0000.00N/00000.00E-"},  // rounded to nothing has no hemisphere of its own
        {90, -180, "/-", "", "=9000.00N/18000.00W-"},
        {-90, 180, "/-", "", "=9000.00S/18000.00E-"},
        {45, 11, "S#", comment50, "=4500.00NS01100.00E#" + std::string(43, 'c')},
        {90.01, 11, "/-", "", std::nullopt}, {45, 180.01, "/-", "", std::nullopt},
    };
    for (const auto& r : rows) EXPECT_EQ(beaconInformation(r.lat, r.lon, r.symbol, r.comment), r.info) << r.lat << " " << r.lon;
}

// What goes out when, at seconds on a clock moved by hand; "up" and "down" are the link.
TEST(Beacon, ScheduleKeepsTheIntervalFromTheLastBeaconAcrossReconnectsAndRestarts) {
    const struct { const char* name; int minutes; std::string info; std::vector<std::pair<int, const char*>> steps;
                   std::vector<int> sentAt; std::optional<int> lastBefore = std::nullopt; } rows[] = {
        {"10 s after the link is up, then every interval", 5, "=x", {{0, "up"}, {9, "wake"}, {10, "wake"}, {309, "wake"}, {310, "wake"}, {611, "wake"}}, {10, 310, 611}},
        {"a link that comes back waits 10 s", 5, "=x", {{0, "up"}, {10, "wake"}, {200, "down"}, {300, "wake"}, {400, "up"}, {409, "wake"}, {410, "wake"}}, {10, 410}},
        {"a flapping link beacons at most once a minute", 1, "=x", {{0, "up"}, {10, "wake"}, {15, "down"}, {20, "up"}, {30, "wake"}, {69, "wake"}, {70, "wake"}}, {10, 70}},
        {"a reconnect soon after a beacon keeps the interval", 5, "=x", {{0, "up"}, {10, "wake"}, {20, "down"}, {30, "up"}, {40, "wake"}, {309, "wake"}, {310, "wake"}}, {10, 310}},
        {"a restart 20 s after a beacon waits for the interval", 5, "=x", {{0, "up"}, {10, "wake"}, {279, "wake"}, {280, "wake"}}, {280}, -20},
        {"a last beacon long ago: 10 s after the link is up", 5, "=x", {{0, "up"}, {10, "wake"}}, {10}, -1000},
        {"a last beacon in the future (clock set back) counts as now", 5, "=x", {{0, "up"}, {10, "wake"}, {299, "wake"}, {300, "wake"}}, {300}, 5000},
        {"off", 0, "=x", {{0, "up"}, {10, "wake"}, {1000, "wake"}}, {}},
        {"nothing to send", 5, "", {{0, "up"}, {10, "wake"}}, {}},
        {"never while the link is down", 5, "=x", {{10, "wake"}, {1000, "wake"}}, {}},
    };
    for (const auto& r : rows) {
        std::int64_t now = 0;
        std::optional<std::int64_t> last;
        if (r.lastBefore) last = *r.lastBefore * 1000LL;
        BeaconSchedule beacon(r.info, r.minutes, [&now] { return now; }, last);
        std::vector<int> sentAt;
        for (const auto& [at, what] : r.steps) {
            now = at * 1000LL;
            if (std::string(what) == "up" || std::string(what) == "down") beacon.setLinkReady(std::string(what) == "up");
            if (std::string(what) != "wake") continue;
            if (const auto info = beacon.wake()) {
                EXPECT_EQ(*info, r.info);
                sentAt.push_back(at);
            }
        }
        EXPECT_EQ(sentAt, r.sentAt) << r.name;
        if (!r.sentAt.empty()) EXPECT_EQ(beacon.lastSent(), r.sentAt.back() * 1000LL) << r.name;
        if (r.sentAt.empty()) {
            EXPECT_FALSE(beacon.nextWakeAt()) << r.name;
        }
    }
}

TEST(AprsIs, LoginLine) {
    const struct { const char* call; int passcode; const char* filter; const char* line; } rows[] = {
        {"N0CALL-7", 12345, "r/44.49/11.34/100", "user N0CALL-7 pass 12345 vers Quilmo 6.0 filter r/44.49/11.34/100\r\n"},
        {"N0CALL-7", -1, "", "user N0CALL-7 pass -1 vers Quilmo 6.0\r\n"},
        {"", 12345, "r/1/2/3 b/W1AW", "user N0CALL pass -1 vers Quilmo 6.0 filter r/1/2/3 b/W1AW\r\n"},
    };
    for (const auto& r : rows) EXPECT_EQ(aprsIsLoginLine(r.call, r.passcode, "6.0", r.filter), r.line);
    const Settings s = parseConfiguration("MYCALL=n0call-7\nPASSCODE=12345\nMYLAT=44\xB0" "29'30\"N\nMYLONG=11\xB0" "20'15\"E\n");
    EXPECT_EQ(aprsIsLoginFor(s), "user N0CALL-7 pass 12345 vers Quilmo " QUILMO_TEST_VERSION " filter r/44.49/11.34/100\r\n");
    EXPECT_EQ(aprsIsLoginShownFor(s), "user N0CALL-7 pass ***** vers Quilmo " QUILMO_TEST_VERSION " filter r/44.49/11.34/100\r\n");
}

// What the Tx view and the Tx log show of a login: never a passcode; the receive-only -1 as it is.
TEST(AprsIs, LoginShownWithoutThePasscode) {
    const struct { const char* name; const char* call; int passcode; const char* shown; } rows[] = {
        {"passcode hidden", "N0CALL-7", 12345, "user N0CALL-7 pass ***** vers Quilmo 6.0 filter f\r\n"},
        {"passcode 0 hidden too", "N0CALL-7", 0, "user N0CALL-7 pass ***** vers Quilmo 6.0 filter f\r\n"},
        {"receive only", "N0CALL-7", -1, "user N0CALL-7 pass -1 vers Quilmo 6.0 filter f\r\n"},
        {"no MYCALL: anonymous whatever the passcode", "", 12345, "user N0CALL pass -1 vers Quilmo 6.0 filter f\r\n"},
    };
    for (const auto& r : rows) EXPECT_EQ(aprsIsLoginShown(r.call, r.passcode, "6.0", "f"), r.shown) << r.name;
}

TEST(AprsIs, WhatTheServerSays) {
    const struct { const char* line; AprsIsLine kind; bool verified; } rows[] = {
        {"# aprsc 2.1.14-g5e22b37\r\n", AprsIsLine::ServerComment, false},
        {"# logresp N0CALL-7 verified, server T2TEST\r\n", AprsIsLine::LoginReply, true},
        {"# logresp N0CALL-7 verified", AprsIsLine::LoginReply, true},
        {"#logresp N0CALL-7 verified, server T2TEST", AprsIsLine::LoginReply, true},
        {"# logresp N0CALL-7 unverified, server T2TEST\r\n", AprsIsLine::LoginReply, false},
        {"# logresp N0CALL-7 verifiedly", AprsIsLine::LoginReply, false},
        {"# javAPRSSrvr 4.3.0b16\r\n", AprsIsLine::ServerComment, false},
        {"\r\n", AprsIsLine::ServerComment, false},
        {"W1AW>APRS,TCPIP*,qAC,T2TEST:# logresp N0CALL-7 verified\r\n", AprsIsLine::Packet, false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(aprsIsLineKind(r.line), r.kind) << r.line;
        EXPECT_EQ(aprsIsLoginVerified(r.line, "N0CALL-7"), r.verified) << r.line;
    }
    // Verified is an answer to our login only when it names our call.
    const struct { const char* name; const char* myCall; const char* line; bool verified; } calls[] = {
        {"another station", "N0CALL-7", "# logresp W1AW-9 verified, server T2TEST", false},
        {"another SSID", "N0CALL-7", "# logresp N0CALL-8 verified", false},
        {"no SSID for ours", "N0CALL-7", "# logresp N0CALL verified", false},
        {"a longer call", "N0CALL", "# logresp N0CALLX verified", false},
        {"no call at all", "N0CALL-7", "# logresp verified", false},
        {"any case", "N0CALL-7", "# logresp n0call-7 verified", true},
        {"SSID 0 written", "N0CALL", "# logresp N0CALL-0 verified", true},
        {"SSID 0 in MYCALL", "N0CALL-0", "# logresp N0CALL verified", true},
        {"anonymous login", "", "# logresp N0CALL verified", true},
    };
    for (const auto& r : calls) EXPECT_EQ(aprsIsLoginVerified(r.line, r.myCall), r.verified) << r.name;
    // Only a named login with a passcode that the server verified may send.
    EXPECT_EQ(aprsIsReceiveOnlyNotice("N0CALL", 12345, true), "");
    EXPECT_NE(aprsIsReceiveOnlyNotice("", 12345, true), "");
    EXPECT_NE(aprsIsReceiveOnlyNotice("N0CALL", -1, true), "");
    EXPECT_NE(aprsIsReceiveOnlyNotice("N0CALL", 12345, false), "");
}

// A KISS frame is read back through the monitor, so it shows what a TNC would print on air.
std::string asHeard(const LinkTransmit& sent) {
    std::string line;
    KissSplitter splitter;
    splitter.feed(sent.bytes, [&line](const KissFrame& f) { appendMonitorLine(f.data, line); });
    return line;
}

TEST(LinkTransmit, EachLinkSendsTheFieldAsAsked) {
    const std::string message = ":W1AW     :Hi{12", beacon = "=4429.50N/01120.25E-caf\xC0";  // 0xC0 is FEND
    const std::string noCall = "KISS mode sends only with your callsign in Quilmo.ini (MYCALL=). Nothing was sent.";
    const struct { LinkKind kind; std::string info; const char* call; const char* unproto; std::string bytes, heard, notice; } rows[] = {
        {LinkKind::TextTnc, message, "", "", message + "\r", "", ""},
        {LinkKind::AprsIs, message, "N0CALL-7", "APZQLM,WIDE1-1", "N0CALL-7>APZQLM,TCPIP*:" + message + "\r\n", "", ""},
        {LinkKind::AprsIs, message, "", "", "", "", "APRS-IS sends only with your callsign in Quilmo.ini (MYCALL=). Nothing was sent."},
        {LinkKind::KissTnc, message, "N0CALL-7", "APZQLM,WIDE1-1", "", "N0CALL-7>APZQLM,WIDE1-1:" + message + "\r\n", ""},
        {LinkKind::KissTnc, beacon, "N0CALL", "", "", "N0CALL>APZQLM:" + beacon + "\r\n", ""},
        {LinkKind::KissTnc, message, "", "", "", "", noCall},
        {LinkKind::TextTnc, "=a\r\n", "", "", "", "", "An APRS packet holds no control characters. Nothing was sent."},
        {LinkKind::KissTnc, "=a\x13", "N0CALL", "", "", "", "An APRS packet holds no control characters. Nothing was sent."},
        {LinkKind::AprsIs, "", "N0CALL", "", "", "", "An empty APRS packet is not sent."},
    };
    for (const auto& r : rows) {
        const LinkTransmit sent = encodeForLink(r.kind, r.info, r.call, r.unproto);
        EXPECT_EQ(sent.refused, !r.notice.empty()) << r.info;
        EXPECT_EQ(sent.notice, r.notice) << r.info;
        EXPECT_EQ(r.kind == LinkKind::KissTnc ? asHeard(sent) : sent.bytes, r.kind == LinkKind::KissTnc ? r.heard : r.bytes) << r.info;
    }
    const struct { const char* ini; LinkKind kind; } links[] = {
        {"", LinkKind::TextTnc}, {"KISS=1\n", LinkKind::KissTnc}, {"DEVICE=tcp://h:1\nKISS=1\n", LinkKind::KissTnc},
        {"DEVICE=APRSIS://h:14580\n", LinkKind::AprsIs}, {"DEVICE=aprsis://h:14580\nKISS=1\n", LinkKind::AprsIs},
        {"DEVICE=agw://h:8000\n", LinkKind::Agw}, {"DEVICE=Agw://h:8000\nKISS=0\n", LinkKind::Agw},
    };
    for (const auto& l : links) EXPECT_EQ(linkKindOf(parseConfiguration(l.ini)), l.kind) << l.ini;
}

}  // namespace
}  // namespace quilmo
