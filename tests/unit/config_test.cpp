#include "app/config.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <variant>

#include "app/port_status.h"
#include "platform/instance_lock.h"
#include "temp_dir.h"

namespace quilmo {
namespace {

using Field = std::variant<std::int32_t Settings::*, std::string Settings::*, bool Settings::*>;
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

TEST(Config, Reading) {
    expectRows({
        {"lower-case key", "baud=9600\n", kBaud, "9600"},
        {"blank before = is no key", "BAUD =9600\n", kBaud, "2400"},
        {"key inside a longer word", "MYCOM=3\n", kCom, "3"},
        {"blanks inside the value vanish", "COM= 2 3\n", kCom, "23"},
        {"blanks only count as empty", "XONXOFF=   \r\n", &Settings::xonXoff, "1"},
        {"later empty value overrides", "BAUD=9600\nBAUD=\n", kBaud, "2400"},
        {"CR-only file is one line", "COM=\r4\r", kCom, "4"},
        {"half goes to even, up", "STOP=1.5\n", &Settings::stopBits, "2"},
        {"half goes to even, down", "BIT=6.5\n", kBits, "6"},
        {"wider than 16 bits", "BAUD=38400\n", kBaud, "38400"},
        {"clamped high", "BAUD=99999999999\n", kBaud, "2147483647"},
        {"clamped low", "BUFFERRX=-1e30\n", &Settings::rxBufferSize, "-2147483648"},
    });
}

TEST(Config, Corrections) {
    expectRows({
        {"COM 0", "COM=0\n", kCom, "1"},
        {"BAUD 0", "BAUD=0\n", kBaud, "2400"},
        {"BIT 9", "BIT=9\n", kBits, "8"},
        {"BIT 5 kept", "BIT=5\n", kBits, "5"},
        {"STOP 3", "STOP=3\n", &Settings::stopBits, "1"},
        {"XONXOFF 2 switches on", "XONXOFF=2\n", &Settings::xonXoff, "1"},
        {"RTS 2 switches off", "RTS=2\n", &Settings::rtsEnable, "0"},
        {"SAVERX 5 switches on", "SAVERX=5\n", &Settings::saveRx, "1"},
        {"SAVETX 5 switches off", "SAVETX=5\n", &Settings::saveTx, "0"},
        {"BUFFERRX 0", "BUFFERRX=0\n", &Settings::rxBufferSize, "512"},
        {"BUFFERTX 0", "BUFFERTX=0\n", &Settings::txBufferSize, "32"},
        {"APRS 7 switches on", "APRS=7\n", &Settings::aprsEnabled, "1"},
        {"SPEEDZERO 7 switches off", "SPEEDZERO=7\n", &Settings::speedZero, "0"},
        {"CTRLDEND never corrected", "CTRLDEND=7\n", &Settings::ctrlDEnd, "7"},
    });
}

TEST(Config, TextsAndOwnPosition) {
    const auto parity = &Settings::parity, device = &Settings::device;
    const auto set = &Settings::myPositionSet;
    expectRows({
        {"parity word cut and lowered", "parity=Even\n", parity, "e"},
        {"parity tab is no blank", "PARITY=\tE\n", parity, "n"},
        {"device keeps case, blanks vanish", "DEVICE= /dev/My tnc \r\n", device, "/dev/Mytnc"},
        {"device emptied", "DEVICE=/dev/x\nDEVICE=\n", device, ""},
        {"lat blanks vanish, upper-cased", "MYLAT= 44\xB0 29' 30\" n\nMYLONG=" + kLong, &Settings::myLat, kLat},
        {"long west", "MYLAT=" + kLat + "\nMYLONG=11\xB0" "20'15\"w", &Settings::myLong, "11\xB0" "20'15\"W"},
        {"hemisphere anywhere", "MYLAT=S44\xB0" "29'30\"\nMYLONG=" + kLong, &Settings::myLat, "S44\xB0" "29'30\""},
        {"bad lat clears long", "MYLAT=44.5N\nMYLONG=" + kLong, &Settings::myLong, ""},
        {"position, CR LF lines", "MYLAT=" + kLat + "\r\nMYLONG=" + kLong + "\r\n", set, "1"},
        {"no degree sign", "MYLAT=44 29'30\"N\nMYLONG=" + kLong, set, "0"},
        {"no apostrophe", "MYLAT=44\xB0" "29 30\"N\nMYLONG=" + kLong, set, "0"},
        {"no quote", "MYLAT=" + kLat + "\nMYLONG=11\xB0" "20'15E", set, "0"},
        {"lat without hemisphere", "MYLAT=44\xB0" "29'30\"\nMYLONG=" + kLong, set, "0"},
        {"hemispheres swapped", "MYLAT=44\xB0" "29'30\"E\nMYLONG=11\xB0" "20'15\"N", set, "0"},
    });
}

// KISS keys: flags are 1 or 0, callsigns and the path take one written form or are emptied.
TEST(Config, KissKeys) {
    const auto kiss = &Settings::kiss, raw = &Settings::kissRaw;
    const auto call = &Settings::myCall, path = &Settings::unproto;
    expectRows({
        {"KISS absent", "", kiss, "0"},
        {"KISS on", "kiss=1\n", kiss, "1"},
        {"KISS empty is off", "KISS=\n", kiss, "0"},
        {"KISS 2 is off", "KISS=2\n", kiss, "0"},
        {"KISSRAW is not KISS", "KISSRAW=1\n", kiss, "0"},
        {"KISSRAW on", "KISS=1\nKISSRAW=1\n", raw, "1"},
        {"KISSRAW 7 is off", "KISSRAW=7\n", raw, "0"},
        {"XON/XOFF would eat frame bytes", "XONXOFF=1\nKISS=1\n", &Settings::xonXoff, "0"},
        {"XON/XOFF kept without KISS", "XONXOFF=1\nKISS=0\n", &Settings::xonXoff, "1"},
        {"callsign upper-cased, blanks vanish", "MYCALL= n0call - 7\r\n", call, "N0CALL-7"},
        {"SSID 0 not written", "MYCALL=N0CALL-0\n", call, "N0CALL"},
        {"SSID 16", "MYCALL=N0CALL-16\n", call, ""},
        {"seven characters", "MYCALL=N0CALLX\n", call, ""},
        {"dash without SSID", "MYCALL=N0CALL-\n", call, ""},
        {"SSID with a leading zero", "MYCALL=N0CALL-07\n", call, "N0CALL-7"},
        {"later empty value", "MYCALL=N0CALL\nMYCALL=\n", call, ""},
        {"path with VIA", "UNPROTO=APZQLM VIA WIDE1-1,WIDE2-1\r\n", path, "APZQLM,WIDE1-1,WIDE2-1"},
        {"path with commas", "unproto=apzqlm,wide1-1\n", path, "APZQLM,WIDE1-1"},
        {"path with blanks only", "UNPROTO= APZQLM via WIDE1-1 WIDE2-2 \n", path, "APZQLM,WIDE1-1,WIDE2-2"},
        {"destination only", "UNPROTO=CQ\n", path, "CQ"},
        {"VIA and nothing after", "UNPROTO=CQ VIA\n", path, "CQ"},
        {"eight digipeaters", "UNPROTO=CQ VIA A,B,C,D,E,F,G,H\n", path, "CQ,A,B,C,D,E,F,G,H"},
        {"nine digipeaters", "UNPROTO=CQ VIA A,B,C,D,E,F,G,H,I\n", path, ""},
        {"bad digipeater", "UNPROTO=CQ VIA WIDE1_1\n", path, ""},
    });
    Settings s = parseConfiguration("KISS=1\n");
    EXPECT_EQ(kissStatusText(s, 3), "  KISS dropped: 3");
    s.kiss = 0;
    EXPECT_EQ(kissStatusText(s, 3), "");
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

TEST(PortStatus, LabelFlowControlAndDevice) {
    const struct { const char* file; std::string label; int flow; std::string path; } rows[] = {
        {"", "COM1, 2400,n,8,1  buffer:512/32", 0, "/dev/ttyS0"},
        {"COM=12\nBAUD=115200\nPARITY=e\nBIT=7\nSTOP=2\nXONXOFF=1\nRTS=1\nBUFFERRX=4096\nBUFFERTX=-1\n",
         "COM12, 115200,e,7,2,XonXoff,RTS  buffer:4096/-1", 3, "/dev/ttyS11"},
        {"RTS=1\n", "COM1, 2400,n,8,1,RTS  buffer:512/32", 2, "/dev/ttyS0"},
        {"COM=-1\nBAUD=-300\n", "COM-1,-300,n,8,1  buffer:512/32", 0, "/dev/ttyS-2"},
        {"COM=4\nDEVICE=/dev/ttyUSB0\n", "/dev/ttyUSB0, 2400,n,8,1  buffer:512/32", 0, "/dev/ttyUSB0"},
    };
    for (const auto& r : rows) {
        const Settings s = parseConfiguration(r.file);
        const PortSettings p = portSettingsFrom(s);
        EXPECT_EQ(statusLabelText(s), r.label) << r.file;
        EXPECT_EQ(std::tie(p.flowControl, p.devicePath, p.rtsOn), std::make_tuple(r.flow, r.path, r.flow >= 2)) << r.file;
        EXPECT_EQ(openFailureText(s, "Busy"), r.label.substr(0, r.label.find(',')) + "\r\nBusy");
    }
}

// A second copy and a lock file left by a crash are run against the real binary
// (app_binary_test); here only the case that one cannot stage there.
TEST(InstanceLock, ADirectoryWithoutRoomForTheLockDoesNotStopTheProgram) {
    test::TempDir dir;
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire(dir.file("missing")) && !lock.held());
}

}  // namespace
}  // namespace quilmo
