#pragma once
#include <cstdint>
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
    std::int32_t messageBell = 1;  // "MSGBELL=": 0 a new message rings no bell
    std::int32_t keepHours = 24;   // "KEEPHOURS=": how long heard stations and their tracks are kept across runs

    // Derived while reading.
    std::int32_t rtsLineOn = 0;
    std::int32_t dtrLineOn = 1;
    bool myPositionSet = false;
    // Values given but unusable, in the order of the keys. An UNPROTO= that AX.25 cannot
    // carry is among them only on a KISS link, where nothing goes out until it is mended.
    std::vector<SettingProblem> problems;
};

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
