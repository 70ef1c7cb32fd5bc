// Quilmo.ini as read and corrected, what the user writes after DEVICE=, what the status line
// says about the port, and the main window's layout, which is plain arithmetic.
#include "app/config.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <variant>

#include "app/config_writer.h"
#include "app/layout.h"
#include "app/port_status.h"
#include "app/station_setup.h"
#include "platform/device_text.h"
#include "temp_dir.h"

namespace quilmo {
namespace {

using Field = std::variant<std::int32_t Settings::*, std::string Settings::*, bool Settings::*, double Settings::*>;
struct Row { const char* name; std::string file; Field field; std::string expected; };

void expectRows(std::initializer_list<Row> rows) {
    for (const Row& r : rows) {
        const Settings s = parseConfiguration(r.file);
        std::ostringstream value;
        std::visit([&](auto member) { value << s.*member; }, r.field);
        EXPECT_EQ(value.str(), r.expected) << r.name;
    }
}

const auto kCom = &Settings::comPort, kBaud = &Settings::baudRate, kBits = &Settings::dataBits;
// 44°29'30"N and 11°20'15"E with the degree sign as its Windows-1252 byte.
const std::string kLat = "44\xB0" "29'30\"N", kLong = "11\xB0" "20'15\"E";

TEST(Config, KeysAreReadAndCorrected) {
    const auto parity = &Settings::parity, device = &Settings::device;
    const auto set = &Settings::myPositionSet;
    expectRows({
        {"lower-case key", "baud=9600\n", kBaud, "9600"}, {"blank before = is no key", "BAUD =9600\n", kBaud, "2400"},
        {"key inside a longer word", "MYCOM=3\n", kCom, "3"},
        {"blanks inside the value vanish", "COM= 2 3\n", kCom, "23"},
        {"blanks only count as empty", "XONXOFF=   \r\n", &Settings::xonXoff, "1"},
        {"later empty value overrides", "BAUD=9600\nBAUD=\n", kBaud, "2400"},
        {"CR-only file is one line", "COM=\r4\r", kCom, "4"},
        {"line switched off with ;", "BAUD=9600\n; BAUD=1200 (old TNC)\n", kBaud, "9600"},
        {"line switched off with #, blanks and a tab before", "COM=2\n \t# COM=3\n", kCom, "2"},
        {"; inside a value is no comment", "DEVICE=/dev/a;b\n", &Settings::device, "/dev/a;b"},
        {"a key before ; still counts", "BAUD=4800 ; the old rate\n", kBaud, "4800"}, {"half goes to even, down", "BIT=6.5\n", kBits, "6"},
        {"wider than 16 bits, clamped", "BAUD=99999999999\n", kBaud, "2147483647"},
        {"clamped low", "CTRLDEND=-1e30\n", &Settings::ctrlDEnd, "-2147483648"}, {"COM 0", "COM=0\n", kCom, "1"},
        {"BIT 9", "BIT=9\n", kBits, "8"}, {"BIT 5 kept", "BIT=5\n", kBits, "5"},
        {"STOP 3", "STOP=3\n", &Settings::stopBits, "1"},
        {"XONXOFF 2 switches on", "XONXOFF=2\n", &Settings::xonXoff, "1"},
        {"RTS 2 switches off", "RTS=2\n", &Settings::rtsEnable, "0"},
        {"SAVERX 5 switches on", "SAVERX=5\n", &Settings::saveRx, "1"},
        {"BUFFERTX 0", "BUFFERTX=0\n", &Settings::txBufferSize, "32"},
        {"CTRLDEND never corrected", "CTRLDEND=7\n", &Settings::ctrlDEnd, "7"},
        {"parity word cut and lowered", "parity=Even\n", parity, "e"},
        {"parity tab is no blank", "PARITY=\tE\n", parity, "n"},
        {"device keeps case, blanks vanish", "DEVICE= /dev/My tnc \r\n", device, "/dev/Mytnc"},
        {"device emptied", "DEVICE=/dev/x\nDEVICE=\n", device, ""},
        {"lat blanks vanish, upper-cased", "MYLAT= 44\xB0 29' 30\" n\nMYLONG=" + kLong, &Settings::myLat, kLat},
        {"long west", "MYLAT=" + kLat + "\nMYLONG=11\xB0" "20'15\"w", &Settings::myLong, "11\xB0" "20'15\"W"},
        {"hemisphere anywhere", "MYLAT=S44\xB0" "29'30\"\nMYLONG=" + kLong, &Settings::myLat, "S44\xB0" "29'30\""},
        {"bad lat clears long", "MYLAT=44,5N\nMYLONG=" + kLong, &Settings::myLong, ""},
        {"position, CR LF lines", "MYLAT=" + kLat + "\r\nMYLONG=" + kLong + "\r\n", set, "1"},
        {"no degree sign", "MYLAT=44 29'30\"N\nMYLONG=" + kLong, set, "0"},
        {"no apostrophe", "MYLAT=44\xB0" "29 30\"N\nMYLONG=" + kLong, set, "0"},
        {"no quote", "MYLAT=" + kLat + "\nMYLONG=11\xB0" "20'15E", set, "0"},
        {"lat without hemisphere", "MYLAT=44\xB0" "29'30\"\nMYLONG=" + kLong, set, "0"},
        {"hemispheres swapped", "MYLAT=44\xB0" "29'30\"E\nMYLONG=11\xB0" "20'15\"N", set, "0"},
        {"bell on by default", "", &Settings::messageBell, "1"}, {"bell off", "msgbell=0\n", &Settings::messageBell, "0"},
        {"bell 2 stays on", "MSGBELL=2\n", &Settings::messageBell, "1"},
        {"stations kept a day by default", "", &Settings::keepHours, "24"},
        {"stations kept 2 hours", "KEEPHOURS=2\n", &Settings::keepHours, "2"},
        {"keeping 0 hours is the default", "KEEPHOURS=0\n", &Settings::keepHours, "24"},
        {"keeping for ages is ten years", "KEEPHOURS=1e9\n", &Settings::keepHours, "87840"},
    });
}

// KISS keys: flags are 1 or 0, callsigns and the path take one written form or are emptied.
TEST(Config, KissKeys) {
    const auto kiss = &Settings::kiss, raw = &Settings::kissRaw;
    const auto call = &Settings::myCall, path = &Settings::unproto;
    expectRows({
        {"KISS on", "kiss=1\n", kiss, "1"}, {"KISS 2 is off", "KISS=2\n", kiss, "0"},
        {"KISSRAW is not KISS", "KISSRAW=1\n", kiss, "0"}, {"KISSRAW on", "KISS=1\nKISSRAW=1\n", raw, "1"},
        {"XON/XOFF would eat frame bytes", "XONXOFF=1\nKISS=1\n", &Settings::xonXoff, "0"},
        {"XON/XOFF kept without KISS", "XONXOFF=1\nKISS=0\n", &Settings::xonXoff, "1"},
        {"callsign upper-cased, blanks vanish", "MYCALL= n0call - 7\r\n", call, "N0CALL-7"},
        {"SSID 0 not written", "MYCALL=N0CALL-0\n", call, "N0CALL"}, {"SSID 16", "MYCALL=N0CALL-16\n", call, ""},
        {"seven characters", "MYCALL=N0CALLX\n", call, ""}, {"dash without SSID", "MYCALL=N0CALL-\n", call, ""},
        {"SSID with a leading zero", "MYCALL=N0CALL-07\n", call, "N0CALL-7"},
        {"path with VIA", "UNPROTO=APZQLM VIA WIDE1-1,WIDE2-1\r\n", path, "APZQLM,WIDE1-1,WIDE2-1"},
        {"path with blanks only, lower case", "unproto= apzqlm via wide1-1 WIDE2-2 \n", path, "APZQLM,WIDE1-1,WIDE2-2"},
        {"VIA and nothing after", "UNPROTO=CQ VIA\n", path, "CQ"},
        {"eight digipeaters", "UNPROTO=CQ VIA A,B,C,D,E,F,G,H\n", path, "CQ,A,B,C,D,E,F,G,H"},
        {"nine digipeaters", "UNPROTO=CQ VIA A,B,C,D,E,F,G,H,I\n", path, ""},
        {"bad digipeater", "UNPROTO=CQ VIA WIDE1_1\n", path, ""},
    });
    // A path AX.25 cannot carry is not quietly dropped on a KISS link: the user is told why,
    // and nothing goes out.
    const struct { const char* ini; std::string problem; } problems[] = {
        {"KISS=1\nUNPROTO=CQ VIA A,B,C,D,E,F,G,H,I\n", "UNPROTO=CQ VIA A,B,C,D,E,F,G,H,I cannot be used: AX.25 carries at most 8 digipeaters."},
        {"KISS=1\nUNPROTO=APZQLM VIA WIDE1-1*\n", "UNPROTO=APZQLM VIA WIDE1-1* cannot be used: WIDE1-1* is no callsign (1 to 6 letters or digits, SSID 0 to 15)."},
        {"KISS=1\nUNPROTO=APZQLM,WIDE1-1\n", ""},
        {"KISS=1\n", ""},
        // A text TNC keeps its own path, and an APRS-IS server takes none.
        {"UNPROTO=CQ VIA A,B,C,D,E,F,G,H,I\n", ""},
        {"KISS=1\nDEVICE=aprsis://host:14580\nUNPROTO=CQ VIA A,B,C,D,E,F,G,H,I\n", ""},
        // An AGWPE server sends our frames whatever KISS= says.
        {"DEVICE=agw://host:8000\nUNPROTO=CQ VIA A,B,C,D,E,F,G,H,I\n", "UNPROTO=CQ VIA A,B,C,D,E,F,G,H,I cannot be used: AX.25 carries at most 8 digipeaters."},
    };
    for (const auto& r : problems) {
        const std::string expected = r.problem.empty() ? "" : r.problem + " Nothing is sent until it is mended.";
        EXPECT_EQ(problemWith(parseConfiguration(r.ini), "UNPROTO"), expected) << r.ini;
    }
    EXPECT_EQ(kissStatusText(parseConfiguration("KISS=1\n"), 3), "  KISS dropped: 3");
}

// The map's tile template loses its blanks like every value; the attribution keeps them inside.
TEST(Config, MapKeys) {
    const auto tiles = &Settings::mapTiles, attrib = &Settings::mapAttribution;
    const std::string osm = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
    expectRows({
        {"no key, offline", "", tiles, ""},
        {"OpenStreetMap's template", "MAPTILES=" + osm + "\r\n", tiles, osm},
        {"key in lower case, value keeps its case", "maptiles=http://Tiles.local:8080/{z}/{x}/{y}.png?key=AbC\n", tiles,
         "http://Tiles.local:8080/{z}/{x}/{y}.png?key=AbC"},
        {"blanks inside vanish", "MAPTILES= https://t.example/ {z}/{x}/{y}.png\n", tiles, "https://t.example/{z}/{x}/{y}.png"},
        {"a tile number missing: refused with the reason, the offline map", "MAPTILES=https://t.example/{z}/{x}.png\n", tiles,
         ""},
        {"attribution keeps inner blanks, loses outer ones", "MAPATTRIB=  \xA9 OpenStreetMap  contributors \r\n", attrib,
         "\xA9 OpenStreetMap  contributors"},
        {"attribution and template, a line each", "MAPATTRIB=Tiles by me\nMAPTILES=" + osm + "\n", attrib, "Tiles by me"},
    });
    EXPECT_EQ(kissStatusText(parseConfiguration(""), 3), "");
}

// Beacon and APRS-IS keys: numbers corrected, texts trimmed and checked, the filter around the own position.
TEST(Config, StationKeys) {
    const auto minutes = &Settings::beaconMinutes, pass = &Settings::passcode;
    const auto text = &Settings::beaconText, symbol = &Settings::symbol, filter = &Settings::aprsIsFilter;
    const std::string position = "MYLAT=" + kLat + "\nMYLONG=" + kLong + "\n";
    expectRows({
        {"beacon off by default", "", minutes, "0"}, {"beacon below 5 minutes", "BEACON=1\n", minutes, "5"},
        {"beacon 5 kept", "BEACON=5\n", minutes, "5"}, {"beacon switched off", "; BEACON=5   (off for now)\n", minutes, "0"}, {"beacon 30", "beacon=30\n", minutes, "30"},
        {"negative beacon is off", "BEACON=-10\n", minutes, "0"}, {"empty beacon is off", "BEACON=\n", minutes, "0"},
        {"BEACONTEXT= is no BEACON=", "BEACONTEXT=10\n", minutes, "0"},
        {"comment keeps its blanks, ends trimmed", "BEACONTEXT=  Bologna  QTH \r\n", text, "Bologna  QTH"},
        {"comment without control bytes", "BEACONTEXT=a\tb\n", text, "ab"},
        {"comment cut to 43", "BEACONTEXT=" + std::string(50, 'x') + "\n", text, std::string(43, 'x')},
        {"DEL and C1 bytes are no text", "BEACONTEXT=a\x7F" "b\x81" "c\x9D\n", text, "abc"},
        {"UTF-8 C1 code is no text", "BEACONTEXT=x\xC2\x85y\n", text, "xy"},
        {"Windows-1252 letter kept", "BEACONTEXT=Citt\xE0 \x80" "5\n", text, "Citt\xE0 \x80" "5"},
        {"UTF-8 that Windows-1252 holds goes as a typed line", "BEACONTEXT=Citt\xC3\xA0\n", text, "Citt\xE0"},
        {"UTF-8 beyond it makes all of it UTF-8", "BEACONTEXT=73 \xE2\x9C\x93 Citt\xE0\n", text,
         "73 \xE2\x9C\x93 Citt\xC3\xA0"},
        {"43 characters, not bytes", "BEACONTEXT=" + std::string(42, 'x') + "\xE2\x9C\x93\xE2\x9C\x93\n", text,
         std::string(42, 'x') + "\xE2\x9C\x93"},
        {"symbol by default", "", symbol, "/-"}, {"symbol alternate table", "SYMBOL=\\>\n", symbol, "\\>"},
        {"symbol with overlay", "SYMBOL=S#\n", symbol, "S#"}, {"symbol blanks vanish", "SYMBOL= / > \n", symbol, "/>"},
        {"symbol too long", "SYMBOL=/>x\n", symbol, "/-"}, {"symbol bad table", "SYMBOL=x>\n", symbol, "/-"},
        {"symbol code DEL", "SYMBOL=/\x7F\n", symbol, "/-"}, {"symbol code tilde", "SYMBOL=/~\n", symbol, "/~"},
        {"passcode missing", "", pass, "-1"}, {"passcode empty", "PASSCODE=\n", pass, "-1"},
        {"passcode", "PASSCODE=12345\n", pass, "12345"}, {"passcode too large", "PASSCODE=32768\n", pass, "-1"},
        {"passcode negative", "PASSCODE=-5\n", pass, "-1"},
        {"no filter without position", "", filter, ""},
        {"filter around the own position", position, filter, "r/44.49/11.34/100"},
        {"filter south-west", "MYLAT=33\xB0" "52'3\"S\nMYLONG=151\xB0" "12'30\"W\n", filter, "r/-33.87/-151.21/100"},
        {"filter from decimal degrees", "MYLAT=44.5028\nMYLONG=11.3611W\n", filter, "r/44.50/-11.36/100"},
        {"filter as written, blanks kept", position + "FILTER= r/1/2/50  b/W1AW \n", filter, "r/1/2/50  b/W1AW"},
    });
}

// Decimal degrees, as GPS units and web maps give them, besides the record's own form; both
// end as the record's form and as numbers, which the beacon, the filter and the decoder read.
TEST(Config, OwnPositionInEitherForm) {
    const auto lat = &Settings::myLat, lon = &Settings::myLong;
    const auto set = &Settings::myPositionSet;
    const auto latDeg = &Settings::myLatDegrees, lonDeg = &Settings::myLongDegrees;
    const std::string decimal = "MYLAT=44.5028\nMYLONG=-11.3611\n";
    expectRows({
        {"decimal latitude", decimal, lat, "44\xB0" "30'10.08\"N"}, {"negative is west", decimal, lon, "11\xB0" "21'39.96\"W"},
        {"latitude degrees", decimal, latDeg, "44.5028"}, {"longitude degrees", decimal, lonDeg, "-11.3611"},
        {"hemisphere letters", "MYLAT=44.5028s\nMYLONG=11.3611E\n", latDeg, "-44.5028"},
        {"letter W", "MYLAT=44.5028N\nMYLONG=11.3611W\n", lonDeg, "-11.3611"},
        {"whole degrees and a plus", "MYLAT=+44\nMYLONG=11\n", lat, "44\xB0" "0'0\"N"},
        {"record form read as before", "MYLAT=" + kLat + "\nMYLONG=" + kLong, latDeg, "44.4917"},
        {"mixed forms", "MYLAT=" + kLat + "\nMYLONG=11.3611E\n", set, "1"},
        {"sign and letter", "MYLAT=-44.5S\nMYLONG=11\n", set, "0"},
        {"comma for the point", "MYLAT=44,5\nMYLONG=11\n", set, "0"},
        {"letter of the other axis", "MYLAT=44.5E\nMYLONG=11\n", set, "0"},
        {"two points", "MYLAT=44.5.1\nMYLONG=11\n", set, "0"},
        {"latitude past the pole", "MYLAT=90.01\nMYLONG=11\n", set, "0"}, {"pole", "MYLAT=-90\nMYLONG=180\n", set, "1"},
        {"longitude past 180", "MYLAT=44\nMYLONG=180.5W\n", set, "0"},
        {"record form past the pole", "MYLAT=95\xB0" "0'0\"N\nMYLONG=" + kLong, set, "0"},
        {"none set, degrees 0", "MYLAT=44.5\n", latDeg, "0"},
    });
    Settings s = parseConfiguration(decimal + "BEACON=10\nBEACONTEXT=" + std::string(42, 'x') + "\xE2\x9C\x93\xE2\x9C\x93\n");
    EXPECT_EQ(beaconFor(s), "=4430.17N/01121.67W-" + std::string(42, 'x') + "\xE2\x9C\x93");
}

// A value given but unusable is told, naming the key and the value; a missing one is not.
TEST(Config, UnusableValuesAreTold) {
    const std::string readAs = " cannot be used: write it as ";
    const struct { const char* name; std::string ini, problems; } rows[] = {
        {"nothing given", "", ""},
        {"SSID over 15", "MYCALL=IU4NEW-99\n", "MYCALL=IU4NEW-99 cannot be used: an SSID is 0 to 15."},
        {"callsign too long", "mycall=n0callxx\n",
         "MYCALL=n0callxx cannot be used: a callsign is 1 to 6 letters or digits, then -SSID when needed."},
        {"a long value is cut", "MYCALL=" + std::string(100, 'A') + "\n",
         "MYCALL=" + std::string(60, 'A') + "... cannot be used: a callsign is 1 to 6 letters or digits, then -SSID when needed."},
        {"line switched off", "; MYCALL=IU4NEW-99\n", ""},
        {"unreadable latitude", "MYLAT=44,5028\nMYLONG=11.3611E\n", "MYLAT=44,5028" + readAs + "44\xB0" "29'30\"N or 44.5028N."},
        {"record form without hemisphere", "MYLAT=" + kLat + "\nMYLONG=11\xB0" "20'15\"\n",
         "MYLONG=11\xB0" "20'15\"" + readAs + "11\xB0" "20'15\"E or 11.3375E."},
        {"latitude out of range", "MYLAT=95\nMYLONG=11\n", "MYLAT=95 cannot be used: a latitude lies from -90 to 90 degrees."},
        {"longitude out of range", "MYLAT=1\nMYLONG=181w\n", "MYLONG=181w cannot be used: a longitude lies from -180 to 180 degrees."},
        {"longitude missing", "MYLAT=44.5\n", "MYLONG= is missing: the own position needs MYLAT= and MYLONG=."},
        {"latitude missing", "MYLONG=11.3\n", "MYLAT= is missing: the own position needs MYLAT= and MYLONG=."},
        {"bad symbol, and the default", "SYMBOL=x>\n",
         "SYMBOL=x> cannot be used: a symbol is a table (/, \\ or an overlay 0-9 or A-Z) and a code from ! to ~; /- is used."},
        {"empty symbol", "SYMBOL=\n", ""},
        {"several, in order", "MYCALL=N0CALL-16\nSYMBOL=//x\n",
         "MYCALL=N0CALL-16 cannot be used: an SSID is 0 to 15.|SYMBOL=//x cannot be used: a symbol is a table (/, \\ or "
         "an overlay 0-9 or A-Z) and a code from ! to ~; /- is used."},
    };
    for (const auto& r : rows) {
        std::string told;
        for (const SettingProblem& p : parseConfiguration(r.ini).problems) {
            told += (told.empty() ? "" : "|") + p.text;
            // The value stands right after "KEY=", where the notice line may shorten it.
            EXPECT_EQ(p.text.substr(p.key.size() + 1, p.value.size()), p.value) << r.name;
        }
        EXPECT_EQ(told, r.problems) << r.name;
    }
}

// One check per key, shared by the reader and the settings window: what a value becomes and
// why, for every key the program reads.
TEST(Config, EveryKeyIsCheckedOnePlace) {
    const Verdict ok = Verdict::Accepted, fix = Verdict::Corrected, no = Verdict::Refused;
    const struct { const char* key; std::string value; Verdict verdict; std::string used, reason; } rows[] = {
        {"COM", "3", ok, "3", ""}, {"COM", "0", ok, "1", ""}, {"COM", "x", no, "1", "a number is expected; 1 is used."},
        {"BAUD", "9600", ok, "9600", ""}, {"BAUD", "", ok, "2400", ""},
        {"BAUD", "-300", no, "-300", "a baud rate is above 0; the port stays closed."},
        {"PARITY", "Even", ok, "e", ""}, {"PARITY", "x", fix, "n", "parity is n (none), e (even), o (odd), m (mark) or s (space); n is used."},
        {"BIT", "7", ok, "7", ""}, {"BIT", "9", fix, "8", "data bits are 5 to 8; 8 is used."},
        {"STOP", "1.5", ok, "2", ""}, {"STOP", "3", fix, "1", "stop bits are 1 or 2; 1 is used."},
        {"XONXOFF", "", ok, "1", ""}, {"XONXOFF", "2", fix, "1", "1 switches it on, 0 off; 1 is used."},
        {"RTS", "2", fix, "0", "1 switches it on, 0 off; 0 is used."}, {"SAVERX", "5", fix, "1", "1 switches it on, 0 off; 1 is used."},
        {"SAVETX", "1", ok, "1", ""}, {"BUFFERRX", "0", ok, "512", ""}, {"BUFFERTX", "64", ok, "64", ""},
        {"APRS", "yes", no, "0", "a number is expected; 0 is used."}, {"SPEEDZERO", "1", ok, "1", ""},
        {"CTRLDEND", "7", ok, "7", ""}, {"KISS", "2", fix, "0", "1 switches it on, 0 off; 0 is used."},
        {"KISSRAW", "1", ok, "1", ""}, {"WINDOWED", "1", ok, "1", ""}, {"WINDOWED", "3", fix, "0", "1 switches it on, 0 off; 0 is used."},
        {"PACLEN", "256", ok, "256", ""}, {"PACLEN", "300", fix, "128", "PACLEN is 1 to 256 bytes; 128 is used."},
        {"MAXFRAME", "7", ok, "7", ""}, {"MAXFRAME", "0", fix, "4", "MAXFRAME is 1 to 7 frames; 4 is used."},
        {"FRACK", "15", ok, "15", ""}, {"FRACK", "16", fix, "3", "FRACK is 1 to 15 seconds; 3 is used."},
        {"RETRY", "1", ok, "1", ""}, {"RETRY", "20", fix, "10", "RETRY is 1 to 15; 10 is used."},
        {"CHECK", "250", ok, "250", ""}, {"CHECK", "251", fix, "18", "CHECK is 1 to 250 tens of seconds; 18 is used."},
        {"CONOK", "0", ok, "0", ""}, {"MONITOR", "2", fix, "1", "1 switches it on, 0 off; 1 is used."},
        {"MSGBELL", "0", ok, "0", ""}, {"MSGBELL", "5", fix, "1", "1 switches it on, 0 off; 1 is used."},
        {"KEEPHOURS", "48", ok, "48", ""},
        {"KEEPHOURS", "0", fix, "24", "KEEPHOURS is 1 to 87840 hours; 24 is used for less than 1, 87840 for more."},
        {"MYLAT", "44.5028", ok, "44\xB0" "30'10.08\"N", ""}, {"MYLAT", kLat, ok, kLat, ""},
        {"MYLAT", "44,5", no, "", "write it as 44\xB0" "29'30\"N or 44.5028N."},
        {"MYLONG", "181W", no, "", "a longitude lies from -180 to 180 degrees."},
        {"DEVICE", "/dev/ttyUSB0", ok, "/dev/ttyUSB0", ""}, {"DEVICE", "aprsis://rotate.aprs2.net:14580", ok, "aprsis://rotate.aprs2.net:14580", ""},
        {"MYCALL", "n0call-7", ok, "N0CALL-7", ""}, {"MYCALL", "IU4NEW-99", no, "", "an SSID is 0 to 15."},
        {"UNPROTO", "APZQLM via WIDE1-1", ok, "APZQLM,WIDE1-1", ""},
        {"UNPROTO", "CQ VIA A,B,C,D,E,F,G,H,I", no, "", "AX.25 carries at most 8 digipeaters. Nothing is sent until it is mended."},
        {"BEACON", "10", ok, "10", ""}, {"BEACON", "1", fix, "5", "a beacon goes at most every 5 minutes; 5 is used."},
        {"BEACON", "-3", fix, "0", "0 switches the beacon off; 0 is used."},
        {"BEACONTEXT", " Bologna QTH ", ok, "Bologna QTH", ""},
        {"BEACONTEXT", std::string(44, 'x'), fix, std::string(43, 'x'), "a beacon's comment is at most 43 characters; the rest is cut off."},
        {"BEACONTEXT", "a\tb", fix, "ab", "control codes never go on the air; they are left out."},
        {"SYMBOL", "/>", ok, "/>", ""},
        {"SYMBOL", "car", no, "/-", "a symbol is a table (/, \\ or an overlay 0-9 or A-Z) and a code from ! to ~; /- is used."},
        {"PASSCODE", "13023", ok, "13023", ""}, {"PASSCODE", "40000", fix, "-1", "a passcode is 0 to 32767; -1, receive only, is used."},
        {"FILTER", " r/44/11/50 ", ok, "r/44/11/50", ""},
        {"MAPTILES", "https://t.example/{z}/{x}/{y}.png", ok, "https://t.example/{z}/{x}/{y}.png", ""},
        {"MAPTILES", "https://t.example/{z}.png", no, "", "no {x} in it; the offline map is used."},
        {"MAPTILES", "ftp://t.example/{z}/{x}/{y}.png", no, "", "not an http or https address; the offline map is used."},
        {"MAPATTRIB", " \xA9 OSM ", ok, "\xA9 OSM", ""},
    };
    std::set<std::string> covered;
    for (const auto& r : rows) {
        const SettingCheck check = checkSettingValue(r.key, r.value);
        const std::string name = std::string(r.key) + "=" + r.value;
        EXPECT_EQ(check.verdict, r.verdict) << name;
        EXPECT_EQ(check.value, r.used) << name;
        EXPECT_EQ(check.reason, r.reason) << name;
        covered.insert(r.key);
        // The reader tells the same, in its notice ("KEY=value cannot be used: reason").
        if (r.verdict == ok || std::string(r.key) == "UNPROTO") continue;
        const std::string ini = name + "\n" + (std::string(r.key) == "MYLONG" ? "MYLAT=1\n" : "");
        EXPECT_NE(problemWith(parseConfiguration(ini), r.key).find(r.reason), std::string::npos) << name;
    }
    for (const std::string_view key : settingKeys()) EXPECT_TRUE(covered.contains(std::string(key))) << key;
}

// The APRS-IS passcode is a public hash of the callsign without its SSID, whatever the case.
TEST(Config, PasscodeOfTheCallsign) {
    const struct { const char* call; std::int32_t passcode; } rows[] = {
        {"N0CALL", 13023}, {"n0call-7", 13023}, {"N0CALL-15", 13023}, {"", -1}, {"N0CALLXX", -1}, {"N0/CALL", -1},
    };
    for (const auto& r : rows) EXPECT_EQ(aprsIsPasscode(r.call), r.passcode) << r.call;
}

// A save changes the value of the one key, and nothing else of the file, byte for byte.
TEST(ConfigWriter, OnlyTheChangedKeyChanges) {
    const std::string file =
        "; Quilmo for the shack\r\n"
        "# BEACON=5 (off for now)\n"
        "DEVICE=/dev/ttyUSB0\r\n"
        "\r\n"
        "MYLAT=44\xB0" "29'30\"N\r\n"
        "FAVOURITE=\xE0\x80\xE8\n"
        "mycall=N0CALL-1\r\n"
        "BEACONTEXT=Citt\xE0 \r\n"
        "MYCALL=IU4NEW-99\r\n"
        "  ; MYCALL=OLD\r\n"
        "BAUD=9600";
    const struct { const char* name; std::vector<SettingChange> changes; std::string expected; } rows[] = {
        {"nothing", {}, file},
        {"the last line that acts, its line end kept", {{"MYCALL", "IU4NEW-9"}},
         std::string(file).replace(file.find("IU4NEW-99"), 9, "IU4NEW-9")},
        {"a key in lower case, Windows-1252 in the value", {{"BEACONTEXT", "Citt\xE0 \x80"}},
         std::string(file).replace(file.find("Citt\xE0 \r"), 6, "Citt\xE0 \x80")},
        {"the last line, without a line end", {{"BAUD", "4800"}}, file.substr(0, file.size() - 4) + "4800"},
        {"an absent key goes at the end, with the file's line end", {{"BEACON", "10"}}, file + "\r\nBEACON=10\r\n"},
    };
    for (const auto& r : rows) EXPECT_EQ(rewriteConfiguration(file, r.changes), r.expected) << r.name;
    EXPECT_EQ(rewriteConfiguration("BAUD=9600\n", {{"KISS", "1"}}), "BAUD=9600\nKISS=1\n");
    EXPECT_EQ(rewriteConfiguration("", {{"KISS", "1"}}), "KISS=1\r\n");
    // What was written reads back as asked.
    EXPECT_EQ(parseConfiguration(rewriteConfiguration(file, {{"MYCALL", "IU4NEW-9"}})).myCall, "IU4NEW-9");
}

// The first save keeps the old file; a save that cannot be made says why and leaves the old
// file whole.
TEST(ConfigWriter, SaveKeepsBackupAndFailsWhole) {
    test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(dir.file("Quilmo.ini"), "BAUD=9600\r\n"));
    EXPECT_EQ(saveConfiguration(dir.path, {{"BAUD", "4800"}}, true), "");
    EXPECT_EQ(dir.read("Quilmo.ini"), "BAUD=4800\r\n");
    EXPECT_EQ(dir.read("Quilmo.ini.bak"), "BAUD=9600\r\n");
    EXPECT_EQ(saveConfiguration(dir.path, {{"BAUD", "1200"}}, false), "");
    EXPECT_EQ(dir.read("Quilmo.ini.bak"), "BAUD=9600\r\n");
    EXPECT_FALSE(fileExists(dir.file("Quilmo.ini.new")));
}

TEST(ConfigWriter, ReadOnlyFolderIsRefusedWithTheReason) {
    test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(dir.file("Quilmo.ini"), "BAUD=9600\r\n"));
    ASSERT_EQ(::chmod(dir.path.c_str(), 0555), 0);
    // Root writes anywhere: the save is tried as the user nobody.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && ::setresuid(65534, 65534, 65534) != 0) _exit(2);
        const std::string why = saveConfiguration(dir.path, {{"BAUD", "4800"}}, true);
        if (::write(pipeEnds[1], why.data(), why.size()) < 0) _exit(3);
        _exit(0);
    }
    ::close(pipeEnds[1]);
    std::string why;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) why.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(dir.path.c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(why, "Cannot write " + dir.file("Quilmo.ini.bak") + ": Permission denied");
    EXPECT_EQ(dir.read("Quilmo.ini"), "BAUD=9600\r\n");
}

TEST(ConfigWriter, FullDiskLeavesTheOldFile) {
    test::TempDir dir;
    if (::mount("tmpfs", dir.path.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here; CI runs as root and can";
    const std::string old = "; " + std::string(3000, 'c') + "\r\nBAUD=9600\r\n";
    EXPECT_TRUE(writeWholeFile(dir.file("Quilmo.ini"), old));
    std::string filler(4096, 'f');
    while (appendToFile(dir.file("filler"), filler)) {}
    const std::string why = saveConfiguration(dir.path, {{"BAUD", "4800"}}, false);
    const std::string kept = dir.read("Quilmo.ini");
    const bool leftOver = fileExists(dir.file("Quilmo.ini.new"));
    ::umount2(dir.path.c_str(), MNT_DETACH);
    EXPECT_EQ(why, "Cannot write " + dir.file("Quilmo.ini") + ": No space left on device");
    EXPECT_EQ(kept, old);
    EXPECT_FALSE(leftOver);
}

// The file is only ever read; a missing one is left behind empty.
TEST(Config, MissingFileIsCreatedEmptyAndExistingOneOnlyRead) {
    test::TempDir dir;
    EXPECT_EQ(readConfiguration(dir.path).comPort, 1);
    EXPECT_EQ(dir.read("Quilmo.ini"), "");
    ASSERT_TRUE(writeWholeFile(dir.file("Quilmo.ini"), "COM=3\r\n"));
    EXPECT_EQ(readConfiguration(dir.path).comPort, 3);
    EXPECT_EQ(dir.read("Quilmo.ini"), "COM=3\r\n");
}

// A network link has no line settings to show, whatever Quilmo.ini says about them.
TEST(PortStatus, TextToneFlowControlAndDevice) {
    const std::string tcpIni = "DEVICE= tcp:// host : 8001\nBAUD=9600\nXONXOFF=1\nRTS=1\n", net = "tcp://host:8001  buffer:512/32";
    const struct { std::string ini; PortState state; std::string text; StatusTone tone; int flow; std::string path; } rows[] = {
        {"", PortState::Open, "COM1, 2400,n,8,1  buffer:512/32", StatusTone::Quiet, 0, "/dev/ttyS0"},
        {"COM=12\nBAUD=115200\nPARITY=e\nBIT=7\nSTOP=2\nXONXOFF=1\nRTS=1\nBUFFERRX=4096\nBUFFERTX=-1\n", PortState::NotOpen,
         "COM12, 115200,e,7,2,XonXoff,RTS  buffer:4096/-1  - not open", StatusTone::Alarm, 3, "/dev/ttyS11"},
        {"RTS=1\n", PortState::Lost, "COM1, 2400,n,8,1,RTS  buffer:512/32  - device lost, waiting", StatusTone::Alarm, 2, "/dev/ttyS0"},
        {"COM=-1\nBAUD=-300\n", PortState::Open, "COM-1,-300,n,8,1  buffer:512/32", StatusTone::Quiet, 0, "/dev/ttyS-2"},
        {"COM=4\nDEVICE=/dev/ttyUSB0\n", PortState::Open, "/dev/ttyUSB0, 2400,n,8,1  buffer:512/32", StatusTone::Quiet, 0, "/dev/ttyUSB0"},
        {tcpIni, PortState::Opening, net + "  - connecting", StatusTone::Waiting, 3, "tcp://host:8001"},
        {tcpIni, PortState::Lost, net + "  - lost, reconnecting", StatusTone::Alarm, 3, "tcp://host:8001"},
    };
    for (const auto& r : rows) {
        const Settings s = parseConfiguration(r.ini);
        const PortStatusLine line = portStatusLine(s, r.state);
        const PortSettings p = portSettingsFrom(s);
        EXPECT_EQ(std::make_tuple(line.text(), line.tone), std::tie(r.text, r.tone)) << r.ini;
        EXPECT_EQ(std::tie(p.flowControl, p.devicePath, p.rtsOn), std::make_tuple(r.flow, r.path, r.flow >= 2)) << r.ini;
        EXPECT_EQ(statusLabelText(s), r.text.substr(0, r.text.find("  - ")));
        const std::string name = r.text.substr(0, r.text.find_first_of(", "));
        EXPECT_EQ(openFailureText(s, "Busy"), (name == r.path ? name : name + " (" + r.path + ")") + "\r\nBusy");
    }
}

// A first start with no Quilmo.ini, or a user not yet in the device's group, says where to
// look and what to do.
TEST(PortStatus, OpenFailureHelpForMissingAndForbiddenDevices) {
    const std::string ini = "/home/ham/.local/share/quilmo/Quilmo.ini";
    const struct { std::string settings; PortOpenProblem problem; std::string group, text; } rows[] = {
        {"", PortOpenProblem::PermissionDenied, "dialout",
         "COM1 (/dev/ttyS0)\r\nPermission denied\r\nYour user may not use /dev/ttyS0: join the group dialout "
         "(sudo usermod -aG dialout $USER) and log in again. The settings are in " + ini + "."},
        {"DEVICE=/dev/ttyACM0\n", PortOpenProblem::PermissionDenied, "uucp",
         "/dev/ttyACM0\r\nPermission denied\r\nYour user may not use /dev/ttyACM0: join the group uucp "
         "(sudo usermod -aG uucp $USER) and log in again. The settings are in " + ini + "."},
        {"DEVICE=/dev/ttyUSB0\n", PortOpenProblem::NoSuchDevice, "",
         "/dev/ttyUSB0\r\nPermission denied\r\nSet DEVICE= in " + ini +
         " to your TNC's device (e.g. /dev/ttyUSB0); Quilmo opens it as soon as it is there."},
        {"DEVICE=/dev/ttyUSB0\n", PortOpenProblem::Other, "", "/dev/ttyUSB0\r\nPermission denied"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(openFailureText(parseConfiguration(r.settings), "Permission denied", r.problem, "/home/ham/.local/share/quilmo", r.group), r.text);
}

// Each reason is shown to the user under the device text; it must say what is wrong. A row without
// one is read.
TEST(DeviceText, NetworkAddressesAreReadAndBadOnesSayWhy) {
    const std::string form = "write tcp://HOST:PORT, for example tcp://localhost:8001", range = " is out of range: it must be from 1 to 65535";
    const struct { const char* text; std::string reason, host = ""; int port = 0; } rows[] = {
        {"tcp://localhost:8001", "", "localhost", 8001},
        {"TCP://rotate.aprs2.net:14580", "", "rotate.aprs2.net", 14580},
        {"tcp://192.168.1.20:4001", "", "192.168.1.20", 4001}, {"tcp://my_tnc-2:1", "", "my_tnc-2", 1},
        {"tcp://[::1]:65535", "", "::1", 65535}, {"tcp://[fe80::1%eth0]:10001", "", "fe80::1%eth0", 10001},
        {"tcp://[::ffff:127.0.0.1]:08001", "", "::ffff:127.0.0.1", 8001}, {"tcp://", "No host and port given: " + form},
        {"tcp://localhost", "No port given: " + form}, {"tcp://localhost:", "No port given: " + form},
        {"tcp://:8001", "No host given: " + form}, {"tcp://host:0", "Port 0" + range},
        {"tcp://host:65536", "Port 65536" + range},
        {"tcp://host:184467440737095516160", "Port 184467440737095516160" + range},
        {"tcp://host:8001/", "The port must be a number from 1 to 65535, not \"8001/\""},
        {"tcp://ho\tst:80", "A host name cannot contain a tab"},
        {"tcp://h\xb0st:80", "A host name cannot contain the byte 0xB0"},
        {"tcp://user@host:80", "A host name cannot contain '@'"},
        {"tcp://999.1.1.1:80", "Not a valid IPv4 address: 999.1.1.1"},
        {"tcp://10.1:80", "Not a valid IPv4 address: 10.1"},
        {"tcp://::1:8001", "An IPv6 address must stand in brackets, for example tcp://[::1]:8001"},
        {"tcp://[::1:8001", "The IPv6 address has no closing bracket"},
        {"tcp://[]:8001", "No address between the brackets: write tcp://[IPv6]:PORT, for example tcp://[::1]:8001"},
        {"tcp://[::1]", "No port given: " + form},
        {"tcp://[::1]8001", "Expected ':' and the port after the IPv6 address, found '8'"},
        {"tcp://[localhost]:8001", "An IPv6 address cannot contain 'l'"},
        {"tcp://[1:2]:8001", "Not an IPv6 address between the brackets: \"1:2\""},
        {"tcp://[fe80::1%]:8001", "No interface name after '%' in the IPv6 address"},
        {"udp://host:8001", "Unknown kind of connection \"udp://\": only tcp://HOST:PORT, aprsis://HOST:PORT and agw://HOST:PORT are understood"},
        {"aprsis://rotate.aprs2.net:14580", "", "rotate.aprs2.net", 14580},
        {"aprsis://:14580", "No host given: write aprsis://HOST:PORT, for example aprsis://rotate.aprs2.net:14580"},
        {"AGW://127.0.0.1:8000", "", "127.0.0.1", 8000},
        {"agw://localhost", "No port given: write agw://HOST:PORT, for example agw://localhost:8000"},
    };
    for (const auto& r : rows) {
        TcpAddress address{"untouched", 7};  // a refused text leaves it alone
        std::string reason;
        const bool read = r.reason.empty();
        EXPECT_EQ(isNetworkDeviceText(r.text) && parseTcpDeviceText(r.text, address, reason), read) << r.text;
        EXPECT_EQ(std::make_tuple(reason, address.host, int{address.port}),
                  std::make_tuple(r.reason, read ? r.host : "untouched", read ? r.port : 7)) << r.text;
        EXPECT_EQ(address.aprsIs, read && isAprsIsDeviceText(r.text)) << r.text;
        EXPECT_EQ(address.agw, read && isAgwDeviceText(r.text)) << r.text;
    }
    EXPECT_FALSE(isNetworkDeviceText("/dev/ttyUSB0"));
}

// The drawing's own numbers on a 1024 x 768 screen at 96 dpi (15360 x 11520 twips).
TEST(MainWindowLayout, DrawingFormulasForTheScreen) {
    const auto on = mainWindowLayout(15360, 11520, true);
    const auto off = mainWindowLayout(15360, 11520, false);
    const struct { const char* name; double TwipRect::*field; double value; } rows[] = {
        {"Command2", &TwipRect::left, 14860},  {"Command3", &TwipRect::left, 14560},
        {"Check2", &TwipRect::left, 13360},    {"Label32", &TwipRect::left, 13610},
        {"Text2", &TwipRect::width, 4290},     {"Text7", &TwipRect::width, 4290},
        {"Label6", &TwipRect::top, 10720},     {"Text3", &TwipRect::height, 1520.0 / 3 + 1455},
        {"Label37", &TwipRect::top, 11000},    {"Label36", &TwipRect::left, 13610},
        {"Label38", &TwipRect::top, 10035},    {"Label39", &TwipRect::top, 10350},
        {"Label40", &TwipRect::top, 10665},    {"Label40", &TwipRect::left, 13610},
    };
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(on.at(r.name).*r.field, r.value) << r.name;
    EXPECT_EQ(on.at("Text2").height, 2535);
    // Without APRS the Tx view reaches down as far as the Rx view.
    EXPECT_EQ(off.at("Text2").height, off.at("Text1").height);
}

// What each APRS state (off, paused, running) hides; everything else counts as shown,
// the XOFF sign and the notice line included, since either may appear at any time.
const std::set<std::string> kHiddenWhenAprs[] = {
    {"Text7", "Label25", "Label26", "Label31", "Label32", "Label33", "Label34", "Label35", "Label36", "Label38", "Label39"},
    {"Label31", "Label35"}, {"Label32", "Label33"},
};

bool overlap(const PixelRect& a, const PixelRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// Physical screens at the usual scale factors: the window sees the logical size.
TEST(ScreenLayout, NothingOverlapsOrLeavesTheScreen) {
    const struct { int width, height; } screens[] = {
        {800, 600},   {1024, 768},  {1280, 720},  {1280, 800},  {1280, 1024}, {1366, 768},
        {1440, 900},  {1600, 1200}, {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160},
    };
    for (const auto& screen : screens) {
        for (double factor : {1.0, 1.25, 1.5, 2.0}) {
            const int w = static_cast<int>(screen.width / factor), h = static_cast<int>(screen.height / factor);
            for (int run = 0; run < 6; ++run) {
                const double dpi = run < 3 ? 96 : 120;
                const int aprs = run % 3;
                SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " dpi " + std::to_string(dpi) + " aprs " +
                             std::to_string(aprs));
                const WindowLayout layout = screenLayout(w, h, dpi, aprs != 0);
                const std::set<std::string>& hidden = kHiddenWhenAprs[aprs];
                // Scaled or not, the window still reaches across and down the screen.
                const PixelRect exit = layout.elements.at("Command2"), notice = layout.elements.at("Label37");
                EXPECT_TRUE(exit.x + exit.width >= w - 25 && notice.y + notice.height >= h - 25);
                EXPECT_EQ(layout.scale == 1, w * 1440 / dpi >= 16500 && h * 1440 / dpi >= 11520);
                for (auto a = layout.elements.begin(); a != layout.elements.end(); ++a) {
                    if (hidden.count(a->first) != 0) continue;
                    const PixelRect& r = a->second;
                    EXPECT_TRUE(r.width > 0 && r.height > 0) << a->first << " is empty";
                    EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.width <= w && r.y + r.height <= h) << a->first << " leaves";
                    for (auto b = std::next(a); b != layout.elements.end(); ++b)
                        EXPECT_TRUE(hidden.count(b->first) || !overlap(r, b->second)) << a->first << " meets " << b->first;
                }
            }
        }
    }
}

}  // namespace
}  // namespace quilmo
