#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo {

// A value in Quilmo.ini the program cannot use, told on the notice line for the whole run.
struct SettingProblem {
    std::string key;    // "MYCALL": one standing problem per key
    std::string text;   // "MYCALL=IU4NEW-99 cannot be used: an SSID is 0 to 15."
    std::string value;  // the value as it stands in `text`, which may give way when the line is short
};

// The values of Quilmo.ini after reading and correction. Integers are 32-bit
// (so 38400 baud and up work); values beyond that range are clamped.
struct Settings {
    std::int32_t comPort = 0;
    std::int32_t baudRate = 0;
    std::string parity;
    std::int32_t dataBits = 0;
    std::int32_t stopBits = 0;
    std::int32_t xonXoff = 0;
    std::int32_t rtsEnable = 0;
    std::int32_t saveRx = 0;
    std::int32_t saveTx = 0;
    std::int32_t rxBufferSize = 0;
    std::int32_t txBufferSize = 0;
    std::int32_t aprsEnabled = 0;
    std::string myLat;   // "44°29'30\"N" (0xB0): as written, or decimal degrees written in that form
    std::string myLong;
    double myLatDegrees = 0;   // signed decimal degrees, north and east positive; with myPositionSet
    double myLongDegrees = 0;
    std::int32_t speedZero = 0;
    std::int32_t ctrlDEnd = 0;
    std::string device;  // "DEVICE=": a device path that overrides COM=
    std::int32_t kiss = 0;     // "KISS=": 1 the device is a KISS TNC
    std::int32_t kissRaw = 0;  // "KISSRAW=": 1 the Rx log gets the raw KISS bytes
    std::string myCall;        // "MYCALL=": "N0CALL-7", upper case; empty when missing or invalid
    std::string unproto;       // "UNPROTO=": "APZQLM,WIDE1-1"; empty when missing or invalid
    std::int32_t beaconMinutes = 0;  // "BEACON=": 0 off, else at least 5
    std::string beaconText;          // "BEACONTEXT=": the beacon's comment, at most 43 characters
    std::string symbol;              // "SYMBOL=": table and code, "/-" unless two valid characters
    std::int32_t passcode = -1;      // "PASSCODE=": APRS-IS passcode; -1 receive only
    std::string aprsIsFilter;        // "FILTER=": APRS-IS filter; by default 100 km around the own position
    std::string mapTiles;      // "MAPTILES=" as written; the map uses it when it is a web address with {z}, {x} and {y}
    std::string mapAttribution;  // "MAPATTRIB=": the tiles' attribution, blanks kept; empty when not given
    std::int32_t windowed = 0;   // "WINDOWED=": 1 the main window has a title bar and keeps its size and place
    // The connected-mode TNC of ours on a KISS link, in a TNC-2's units.
    std::int32_t paclen = 128;   // "PACLEN=": 1 to 256 bytes
    std::int32_t maxFrame = 4;   // "MAXFRAME=": 1 to 7 frames
    std::int32_t frack = 3;      // "FRACK=": 1 to 15 seconds
    std::int32_t retry = 10;     // "RETRY=": 1 to 15
    std::int32_t check = 18;     // "CHECK=": 1 to 250, tens of seconds
    std::int32_t conok = 1;      // "CONOK=": 1 incoming connections accepted
    std::int32_t monitor = 1;    // "MONITOR=": 1 frames heard shown as monitor lines
    std::int32_t messageBell = 1;  // "MSGBELL=": 0 a new message rings no bell
    std::int32_t keepHours = 24;   // "KEEPHOURS=": how long heard stations and their tracks are kept across runs

    // Derived while reading.
    std::int32_t rtsLineOn = 0;
    std::int32_t dtrLineOn = 1;
    bool myPositionSet = false;
    // Each key's value as the last line that set it wrote it (blanks gone as the key drops
    // them), before any correction: what the settings window shows and compares with.
    std::map<std::string, std::string> given;
    // Values given but unusable, in the order of the keys. An UNPROTO= that AX.25 cannot
    // carry is among them only on a KISS link, where nothing goes out until it is mended.
    std::vector<SettingProblem> problems;
};

// What the program makes of one value: taken as it is (perhaps in its one written form,
// "n0call" as "N0CALL"), corrected to another value, or refused, when something else is
// used in its place.
enum class Verdict { Accepted, Corrected, Refused };
struct SettingCheck {
    Verdict verdict = Verdict::Accepted;
    std::string value;   // what the program takes, as a value written after "KEY="
    std::string reason;  // "an SSID is 0 to 15." when not accepted
};

// The keys the program reads, "MYCALL" without "=", in the order it applies them.
const std::vector<std::string_view>& settingKeys();
// The check every value of `key` ("BEACON") goes through, whether read from Quilmo.ini or
// typed in the settings window. `value` is the text after "KEY=", without the line end.
// Values that only make sense together (MYLAT= with MYLONG=, UNPROTO= on a KISS link) are
// checked here one by one; the reader adds what the pair or the link needs.
SettingCheck checkSettingValue(std::string_view key, std::string_view value);
// The value a key has when Quilmo.ini does not name it, as a value written after "KEY=";
// empty for keys that have none (MYCALL, DEVICE).
std::string settingDefault(std::string_view key);

// The APRS-IS passcode of a callsign: the public 15-bit hash over the callsign without its
// SSID, in upper case; -1 for text that is no callsign.
std::int32_t aprsIsPasscode(std::string_view callsign);

// Nothing set up yet: neither a callsign nor a port to use, so a new user needs the
// settings window first.
bool needsFirstSetup(const Settings& settings);

// The problem with `key` ("UNPROTO"), in words for the user; empty when there is none.
std::string problemWith(const Settings& settings, std::string_view key);

// Applies one line (with its CR/LF when present) and its upper-case copy.
void parseConfigurationLine(Settings& settings, std::string_view line, std::string_view upperLine);
// Corrections and own-position check, after the whole file.
void correctConfiguration(Settings& settings);
// The whole reading: lines split at LF, parsed, corrected.
Settings parseConfiguration(std::string_view fileBytes);
// Reads "<dir>/Quilmo.ini", creating an empty file when none exists.
Settings readConfiguration(const std::string& programDirectory);

}  // namespace quilmo
