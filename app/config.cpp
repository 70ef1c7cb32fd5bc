#include "app/config.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "aprs/beacon.h"
#include "aprs/geometry.h"
#include "aprs/numeric.h"
#include "map/web_mercator.h"
#include "platform/cp1252_utf8.h"
#include "platform/device_text.h"
#include "platform/files.h"
#include "terminal/ax25.h"
#include "terminal/link_transmit.h"

namespace quilmo {
namespace {

// Phrase: a text whose blanks separate words, so they are kept.
enum class Kind { Number, Text, Phrase };

SettingCheck accepted(std::string value) { return {Verdict::Accepted, std::move(value), {}}; }
SettingCheck corrected(std::string value, std::string reason) {
    return {Verdict::Corrected, std::move(value), std::move(reason)};
}
SettingCheck refused(std::string value, std::string reason) { return {Verdict::Refused, std::move(value), std::move(reason)}; }

// Checks of one key's value: `value` is never empty (an empty one takes the key's
// whenEmpty value unchecked).
using Check = SettingCheck (*)(std::string_view value);

struct Key {
    std::string_view name;  // upper case, "=" included
    Kind kind;
    std::int32_t Settings::*number;
    std::string Settings::*text;
    std::string_view whenEmpty;   // value for a key present with nothing after "="
    std::string_view whenAbsent;  // value for a key no line names
    Check check;
};

SettingCheck numberCheck(std::string_view value, std::int32_t (*rule)(std::int32_t), const char* reason);
SettingCheck comCheck(std::string_view v);
SettingCheck baudCheck(std::string_view v);
SettingCheck parityCheck(std::string_view v);
SettingCheck bitsCheck(std::string_view v);
SettingCheck stopCheck(std::string_view v);
SettingCheck bufferRxCheck(std::string_view v);
SettingCheck bufferTxCheck(std::string_view v);
SettingCheck anyNumberCheck(std::string_view v);
SettingCheck latitudeCheck(std::string_view v);
SettingCheck longitudeCheck(std::string_view v);
SettingCheck deviceCheck(std::string_view v);
SettingCheck myCallCheck(std::string_view v);
SettingCheck unprotoCheck(std::string_view v);
SettingCheck beaconCheck(std::string_view v);
SettingCheck beaconTextCheck(std::string_view v);
SettingCheck symbolCheck(std::string_view v);
SettingCheck passcodeCheck(std::string_view v);
SettingCheck filterCheck(std::string_view v);
SettingCheck mapTilesCheck(std::string_view v);
SettingCheck mapAttributionCheck(std::string_view v);

// A switch: 0 or 1, anything else `otherwise`.
template <std::int32_t otherwise>
SettingCheck flagCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n == 0 || n == 1 ? n : otherwise; },
                       otherwise == 1 ? "1 switches it on, 0 off; 1 is used." : "1 switches it on, 0 off; 0 is used.");
}
// A switch that only 1 turns on.
SettingCheck onlyOneCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n == 1 ? 1 : 0; }, "1 switches it on, 0 off; 0 is used.");
}

// The connected-mode values, in a TNC-2's units and ranges, else their defaults.
SettingCheck paclenCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n >= 1 && n <= 256 ? n : 128; }, "PACLEN is 1 to 256 bytes; 128 is used.");
}
SettingCheck maxFrameCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n >= 1 && n <= 7 ? n : 4; }, "MAXFRAME is 1 to 7 frames; 4 is used.");
}
SettingCheck frackCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n >= 1 && n <= 15 ? n : 3; }, "FRACK is 1 to 15 seconds; 3 is used.");
}
SettingCheck retryCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n >= 1 && n <= 15 ? n : 10; }, "RETRY is 1 to 15; 10 is used.");
}
SettingCheck checkCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n >= 1 && n <= 250 ? n : 18; },
                       "CHECK is 1 to 250 tens of seconds; 18 is used.");
}

// How long heard stations are kept: at least an hour, at most ten years (a count of
// seconds must not overflow).
SettingCheck keepHoursCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n < 1 ? 24 : std::min(n, 10 * 366 * 24); },
                       "KEEPHOURS is 1 to 87840 hours; 24 is used for less than 1, 87840 for more.");
}

// Table order is the order of application inside one line.
constexpr Key kKeys[] = {
    {"COM=", Kind::Number, &Settings::comPort, nullptr, "1", "1", comCheck},
    {"BAUD=", Kind::Number, &Settings::baudRate, nullptr, "2400", "2400", baudCheck},
    {"PARITY=", Kind::Text, nullptr, &Settings::parity, "n", "n", parityCheck},
    {"BIT=", Kind::Number, &Settings::dataBits, nullptr, "8", "8", bitsCheck},
    {"STOP=", Kind::Number, &Settings::stopBits, nullptr, "1", "1", stopCheck},
    {"XONXOFF=", Kind::Number, &Settings::xonXoff, nullptr, "1", "0", flagCheck<1>},
    {"RTS=", Kind::Number, &Settings::rtsEnable, nullptr, "0", "0", flagCheck<0>},
    {"SAVERX=", Kind::Number, &Settings::saveRx, nullptr, "1", "0", flagCheck<1>},
    {"SAVETX=", Kind::Number, &Settings::saveTx, nullptr, "0", "0", flagCheck<0>},
    {"BUFFERRX=", Kind::Number, &Settings::rxBufferSize, nullptr, "512", "512", bufferRxCheck},
    {"BUFFERTX=", Kind::Number, &Settings::txBufferSize, nullptr, "32", "32", bufferTxCheck},
    {"APRS=", Kind::Number, &Settings::aprsEnabled, nullptr, "0", "0", flagCheck<1>},
    {"MYLAT=", Kind::Text, nullptr, &Settings::myLat, "", "", latitudeCheck},
    {"MYLONG=", Kind::Text, nullptr, &Settings::myLong, "", "", longitudeCheck},
    {"SPEEDZERO=", Kind::Number, &Settings::speedZero, nullptr, "0", "0", flagCheck<0>},
    {"CTRLDEND=", Kind::Number, &Settings::ctrlDEnd, nullptr, "0", "0", anyNumberCheck},
    {"DEVICE=", Kind::Text, nullptr, &Settings::device, "", "", deviceCheck},
    {"KISS=", Kind::Number, &Settings::kiss, nullptr, "0", "0", onlyOneCheck},
    {"KISSRAW=", Kind::Number, &Settings::kissRaw, nullptr, "0", "0", onlyOneCheck},
    {"MYCALL=", Kind::Text, nullptr, &Settings::myCall, "", "", myCallCheck},
    {"UNPROTO=", Kind::Phrase, nullptr, &Settings::unproto, "", "", unprotoCheck},
    {"BEACON=", Kind::Number, &Settings::beaconMinutes, nullptr, "0", "0", beaconCheck},
    {"BEACONTEXT=", Kind::Phrase, nullptr, &Settings::beaconText, "", "", beaconTextCheck},
    {"SYMBOL=", Kind::Text, nullptr, &Settings::symbol, "/-", "/-", symbolCheck},
    {"PASSCODE=", Kind::Number, &Settings::passcode, nullptr, "-1", "-1", passcodeCheck},
    {"FILTER=", Kind::Phrase, nullptr, &Settings::aprsIsFilter, "", "", filterCheck},
    {"MAPTILES=", Kind::Text, nullptr, &Settings::mapTiles, "", "", mapTilesCheck},
    {"MAPATTRIB=", Kind::Phrase, nullptr, &Settings::mapAttribution, "", "", mapAttributionCheck},
    {"WINDOWED=", Kind::Number, &Settings::windowed, nullptr, "0", "0", flagCheck<0>},
    {"PACLEN=", Kind::Number, &Settings::paclen, nullptr, "128", "128", paclenCheck},
    {"MAXFRAME=", Kind::Number, &Settings::maxFrame, nullptr, "4", "4", maxFrameCheck},
    {"FRACK=", Kind::Number, &Settings::frack, nullptr, "3", "3", frackCheck},
    {"RETRY=", Kind::Number, &Settings::retry, nullptr, "10", "10", retryCheck},
    {"CHECK=", Kind::Number, &Settings::check, nullptr, "18", "18", checkCheck},
    {"CONOK=", Kind::Number, &Settings::conok, nullptr, "1", "1", flagCheck<1>},
    {"MONITOR=", Kind::Number, &Settings::monitor, nullptr, "1", "1", flagCheck<1>},
    {"MSGBELL=", Kind::Number, &Settings::messageBell, nullptr, "1", "1", flagCheck<1>},
    {"KEEPHOURS=", Kind::Number, &Settings::keepHours, nullptr, "24", "24", keepHoursCheck},
};

const Key* findKey(std::string_view name) {
    for (const Key& key : kKeys)
        if (key.name.substr(0, key.name.size() - 1) == name) return &key;
    return nullptr;
}

std::string_view bareName(const Key& key) { return key.name.substr(0, key.name.size() - 1); }

// Windows-1252 upper case, byte for byte, so both copies keep the same length.
char upperCp1252(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
    switch (b) {
        case 0x9A: return static_cast<char>(0x8A);  // š
        case 0x9C: return static_cast<char>(0x8C);  // œ
        case 0x9E: return static_cast<char>(0x8E);  // ž
        case 0xFF: return static_cast<char>(0x9F);  // ÿ
        default: return c;
    }
}

std::string upperCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperCp1252(c);
    return out;
}

// Rest of the line after "=": CR and LF skipped, every blank gone (unless the value is
// a phrase), tabs kept.
std::string collectValue(std::string_view rest, bool keepBlanks) {
    std::string value;
    for (char c : rest) {
        if (c != '\r' && c != '\n' && (c != ' ' || keepBlanks)) value += c;
    }
    return value;
}

// Wider than 16 bits on purpose (38400 baud and up); clamped so nothing overflows.
std::int32_t toWhole(std::string_view value) {
    const double rounded = roundHalfEven(readNumber(value));
    if (std::isnan(rounded)) return 0;
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (rounded <= lo) return std::numeric_limits<std::int32_t>::min();
    if (rounded >= hi) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}

// A number starts with a digit or a point, after a sign.
bool looksNumeric(std::string_view value) {
    if (!value.empty() && (value[0] == '-' || value[0] == '+')) value.remove_prefix(1);
    return !value.empty() && ((value[0] >= '0' && value[0] <= '9') || value[0] == '.');
}

// Text that reads as no number counts as 0, as it always has; the user is told.
SettingCheck numberCheck(std::string_view value, std::int32_t (*rule)(std::int32_t), const char* reason) {
    const std::int32_t read = toWhole(value);
    const std::int32_t used = rule(read);
    const std::string usedText = std::to_string(used);
    if (!looksNumeric(value)) return refused(usedText, "a number is expected; " + usedText + " is used.");
    // Without a reason the rule only puts a default in for 0, as the key's table says.
    if (used != read && *reason != '\0') return corrected(usedText, reason);
    return accepted(usedText);
}

SettingCheck comCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n == 0 ? 1 : n; }, "");
}
SettingCheck baudCheck(std::string_view v) {
    SettingCheck check = numberCheck(v, [](std::int32_t n) { return n == 0 ? 2400 : n; }, "");
    // No port takes it, so the port stays closed and says why.
    if (check.verdict == Verdict::Accepted && toWhole(v) < 0) return refused(check.value, "a baud rate is above 0; the port stays closed.");
    return check;
}
SettingCheck parityCheck(std::string_view v) {
    const char c = upperCp1252(v[0]);
    if (c == 'N' || c == 'E' || c == 'O' || c == 'M' || c == 'S') return accepted(std::string(1, static_cast<char>(c + 32)));
    return corrected("n", "parity is n (none), e (even), o (odd), m (mark) or s (space); n is used.");
}
SettingCheck bitsCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n < 5 || n > 8 ? 8 : n; }, "data bits are 5 to 8; 8 is used.");
}
SettingCheck stopCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n == 1 || n == 2 ? n : 1; }, "stop bits are 1 or 2; 1 is used.");
}
SettingCheck bufferRxCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n == 0 ? 512 : n; }, "");
}
SettingCheck bufferTxCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n == 0 ? 32 : n; }, "");
}
SettingCheck anyNumberCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n; }, "");
}

// A line of the file has no length limit; a notice repeats only the start of its value.
constexpr std::size_t kShownValueCharacters = 60;

void addProblem(Settings& s, const std::string& key, std::string_view value, std::string_view reason) {
    const std::size_t shownBytes = bytesOfCharacters(value, kShownValueCharacters);
    const std::string shown = std::string(value.substr(0, shownBytes)) + (shownBytes < value.size() ? "..." : "");
    s.problems.push_back({key, key + "=" + shown + " cannot be used: " + std::string(reason), shown});
}

struct Axis {
    const char* key;
    const char* name;
    char positive, negative;  // hemisphere letters
    double limit;
    const char* example;
};
constexpr Axis kLatitude{"MYLAT", "latitude", 'N', 'S', 90, "44\xB0" "29'30\"N or 44.5028N"};
constexpr Axis kLongitude{"MYLONG", "longitude", 'E', 'W', 180, "11\xB0" "20'15\"E or 11.3375E"};

bool hasMarks(std::string_view text) {
    return text.find('\xB0') != std::string_view::npos && text.find('\'') != std::string_view::npos &&
           text.find('"') != std::string_view::npos;
}

// "44.5028", "-11.3611", "44.5028N", "11.3611w": decimal degrees as GPS units and web maps
// give them. A hemisphere letter takes the place of a sign, never joins one.
std::optional<double> decimalDegrees(std::string_view text, const Axis& axis) {
    double sign = 1;
    const char last = text.empty() ? '\0' : upperCp1252(text.back());
    const bool lettered = last == axis.positive || last == axis.negative;
    if (lettered) {
        if (last == axis.negative) sign = -1;
        text.remove_suffix(1);
    }
    std::string_view number = text;
    if (!lettered && !number.empty() && (number[0] == '-' || number[0] == '+')) number.remove_prefix(1);
    const std::size_t point = number.find('.');
    const bool digitsOnly = number.find_first_not_of("0123456789.") == std::string_view::npos &&
                            (point == std::string_view::npos || number.find('.', point + 1) == std::string_view::npos);
    if (!digitsOnly || number.find_first_of("0123456789") == std::string_view::npos) return std::nullopt;
    return sign * readNumber(text);
}

// The record's own form, seconds to hundredths: 44.5028 -> 44°30'10.08"N.
std::string dmsText(double degrees, const Axis& axis) {
    const auto hundredths = static_cast<long long>(roundHalfEven(std::fabs(degrees) * 360000));
    std::string out = std::to_string(hundredths / 360000) + "\xB0" + std::to_string(hundredths / 6000 % 60) + "'";
    appendTrimmedNumericText(out, static_cast<double>(hundredths % 6000) / 100);
    out += '"';
    out += degrees < 0 && hundredths != 0 ? axis.negative : axis.positive;
    return out;
}

// One own coordinate, in the record's form (degree sign 0xB0, apostrophe, double quote and
// a hemisphere letter anywhere) or in decimal degrees: the record's form and the degrees,
// or why it cannot be used.
struct Coordinate {
    std::string text;
    double degrees = 0;
    std::string problem;
};
Coordinate readCoordinate(std::string_view written, const Axis& axis) {
    Coordinate c;
    std::optional<double> value;
    if (hasMarks(written)) {
        c.text = upperCopy(written);
        if (c.text.find(axis.positive) != std::string::npos || c.text.find(axis.negative) != std::string::npos)
            value = dmsTextToDegrees(c.text);
    } else {
        value = decimalDegrees(written, axis);
        if (value) c.text = dmsText(*value, axis);
    }
    const std::string range = std::to_string(static_cast<int>(axis.limit));
    c.problem = !value ? std::string("write it as ") + axis.example + "."
                : !(std::fabs(*value) <= axis.limit)
                    ? std::string("a ") + axis.name + " lies from -" + range + " to " + range + " degrees."
                    : std::string();
    if (!c.problem.empty()) c.text.clear();
    if (c.problem.empty()) c.degrees = *value;
    return c;
}

SettingCheck coordinateCheck(std::string_view v, const Axis& axis) {
    Coordinate c = readCoordinate(v, axis);
    return c.problem.empty() ? accepted(std::move(c.text)) : refused({}, std::move(c.problem));
}
SettingCheck latitudeCheck(std::string_view v) { return coordinateCheck(v, kLatitude); }
SettingCheck longitudeCheck(std::string_view v) { return coordinateCheck(v, kLongitude); }

// Both coordinates or no own position; one given without the other is told.
void readOwnPosition(Settings& s) {
    const auto lat = s.given.find("MYLAT"), lon = s.given.find("MYLONG");
    const bool latGiven = lat != s.given.end() && !lat->second.empty();
    const bool longGiven = lon != s.given.end() && !lon->second.empty();
    const Coordinate latitude = readCoordinate(latGiven ? lat->second : "", kLatitude);
    const Coordinate longitude = readCoordinate(longGiven ? lon->second : "", kLongitude);
    const bool latOk = latGiven && latitude.problem.empty(), longOk = longGiven && longitude.problem.empty();
    if (latOk && !longGiven) s.problems.push_back({"MYLONG", "MYLONG= is missing: the own position needs MYLAT= and MYLONG=.", ""});
    if (longOk && !latGiven) s.problems.push_back({"MYLAT", "MYLAT= is missing: the own position needs MYLAT= and MYLONG=.", ""});
    s.myPositionSet = latOk && longOk;
    s.myLat = s.myPositionSet ? latitude.text : std::string();
    s.myLong = s.myPositionSet ? longitude.text : std::string();
    s.myLatDegrees = s.myPositionSet ? latitude.degrees : 0;
    s.myLongDegrees = s.myPositionSet ? longitude.degrees : 0;
}

bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Why parseCallsign refused `text`.
std::string callsignProblem(std::string_view text) {
    const std::string_view call = text.substr(0, text.find('-'));
    const bool callOk = !call.empty() && call.size() <= 6 && std::all_of(call.begin(), call.end(), isAsciiAlnum);
    return callOk ? "an SSID is 0 to 15." : "a callsign is 1 to 6 letters or digits, then -SSID when needed.";
}

SettingCheck myCallCheck(std::string_view v) {
    const std::optional<Callsign> call = parseCallsign(v);
    return call ? accepted(callsignText(*call)) : refused({}, callsignProblem(v));
}

SettingCheck unprotoCheck(std::string_view v) {
    const std::optional<UnprotoPath> path = parseUnproto(v);
    if (path) return accepted(unprotoText(*path));
    if (trimBlanks(v).empty()) return accepted({});
    return refused({}, unprotoProblem(v) + ". Nothing is sent until it is mended.");
}

SettingCheck deviceCheck(std::string_view v) {
    if (!isNetworkDeviceText(v)) return accepted(std::string(v));
    TcpAddress address;
    std::string reason;
    if (parseTcpDeviceText(v, address, reason)) return accepted(std::string(v));
    // Kept: the port then stays closed and says the same.
    if (!reason.empty() && reason.back() != '.') reason += '.';
    return refused(std::string(v), reason);
}

// Text, as a typed line goes out: Windows-1252 when every character has a byte there, else
// all of it UTF-8. Control codes (C0, DEL, C1 and the bytes Windows-1252 leaves undefined)
// never go on the air; blanks at the ends go. At most `limit` characters, never part of one.
struct Printable {
    std::string text;
    bool dropped = false;  // control codes left out
    bool cut = false;      // characters beyond the limit left out
};
Printable printableText(std::string_view bytes, std::size_t limit) {
    Printable out;
    std::u32string text;
    for (std::size_t at = 0; at < bytes.size();) {
        const AirCharacter c = airCharacterAt(bytes, at);
        at += c.length;
        if (c.codePoint >= 0x20 && (c.codePoint < 0x7F || c.codePoint > 0x9F)) {
            text += c.codePoint;
        } else {
            out.dropped = true;
        }
    }
    const std::size_t first = text.find_first_not_of(U' ');
    text = first == std::u32string::npos ? std::u32string() : text.substr(first);
    text.erase(text.find_last_not_of(U' ') + 1);
    out.cut = text.size() > limit;
    text.resize(std::min(text.size(), limit));
    text.erase(text.find_last_not_of(U' ') + 1);
    const bool fits = std::all_of(text.begin(), text.end(), [](char32_t c) { return cp1252ByteOf(c).has_value(); });
    for (const char32_t c : text) {
        if (fits) {
            out.text += *cp1252ByteOf(c);
        } else {
            appendUtf8(out.text, c);
        }
    }
    return out;
}

SettingCheck beaconCheck(std::string_view v) {
    const std::int32_t n = toWhole(v);
    if (n < 0) return numberCheck(v, [](std::int32_t) { return 0; }, "0 switches the beacon off; 0 is used.");
    return numberCheck(v, [](std::int32_t m) { return m > 0 && m < 5 ? 5 : m; },
                       "a beacon goes at most every 5 minutes; 5 is used.");
}

SettingCheck beaconTextCheck(std::string_view v) {
    Printable p = printableText(v, kMaxBeaconComment);
    if (p.cut) return corrected(std::move(p.text), "a beacon's comment is at most 43 characters; the rest is cut off.");
    if (p.dropped) return corrected(std::move(p.text), "control codes never go on the air; they are left out.");
    return accepted(std::move(p.text));
}

// Blanks at the ends go (they are where "KEY= value" puts them); control bytes never go on the air.
std::string trimmedPhrase(std::string_view text) {
    std::string out;
    for (const char c : trimBlanks(text)) {
        if (static_cast<unsigned char>(c) >= 32) out += c;
    }
    return std::string(trimBlanks(out));
}

SettingCheck filterCheck(std::string_view v) { return accepted(trimmedPhrase(v)); }
SettingCheck mapAttributionCheck(std::string_view v) { return accepted(std::string(trimBlanks(v))); }

// An overlay (digit or letter) or one of the two tables, then any printable symbol code.
bool validSymbol(std::string_view symbol) {
    if (symbol.size() != 2) return false;
    const char table = symbol[0], code = symbol[1];
    const bool tableOk = table == '/' || table == '\\' || (table >= '0' && table <= '9') || (table >= 'A' && table <= 'Z');
    return tableOk && code > ' ' && code < 127;
}

SettingCheck symbolCheck(std::string_view v) {
    if (validSymbol(v)) return accepted(std::string(v));
    return refused(std::string(kDefaultSymbol), "a symbol is a table (/, \\ or an overlay 0-9 or A-Z) and a code from ! to ~; " +
                                                    std::string(kDefaultSymbol) + " is used.");
}

SettingCheck passcodeCheck(std::string_view v) {
    return numberCheck(v, [](std::int32_t n) { return n < -1 || n > 32767 ? -1 : n; },
                       "a passcode is 0 to 32767; -1, receive only, is used.");
}

// A template the map can use; the map's own check says what is wrong with another.
SettingCheck mapTilesCheck(std::string_view t) {
    if (t.empty()) return accepted({});
    const std::string problem = tileTemplateProblem(t);
    if (problem.empty()) return accepted(std::string(t));
    return refused({}, problem + "; the offline map is used.");
}

// "44.49": two decimals (about a kilometre) are plenty for a range filter; written by
// hand so the user's locale cannot turn the point into a comma.
std::string twoDecimals(double degrees) {
    const auto hundredths = static_cast<long long>(roundHalfEven(std::fabs(degrees) * 100));
    const std::string fraction = std::to_string(hundredths % 100);
    return std::string(degrees < 0 && hundredths != 0 ? "-" : "") + std::to_string(hundredths / 100) + "." +
           (fraction.size() == 1 ? "0" : "") + fraction;
}

// A ham switches a line off with ";" or "#" in front of it, as in most .ini files.
bool isCommentLine(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && (line[first] == ';' || line[first] == '#');
}

SettingCheck checkKey(const Key& key, std::string_view collected) {
    if (collected.empty()) return accepted(std::string(key.whenEmpty));
    return key.check(collected);
}

// Each key's value through its check; the pair, the link and the position decide the rest.
void applyChecks(Settings& s) {
    for (const Key& key : kKeys) {
        const std::string name(bareName(key));
        const auto given = s.given.find(name);
        const SettingCheck check =
            given == s.given.end() ? accepted(std::string(key.whenAbsent)) : checkKey(key, given->second);
        if (key.kind == Kind::Number) {
            s.*key.number = toWhole(check.value);
        } else {
            s.*key.text = check.value;
        }
        // A path is told only where it is used.
        if (check.verdict != Verdict::Accepted && name != "UNPROTO") addProblem(s, name, given->second, check.reason);
    }
}

}  // namespace

const std::vector<std::string_view>& settingKeys() {
    static const std::vector<std::string_view> keys = [] {
        std::vector<std::string_view> out;
        for (const Key& key : kKeys) out.push_back(bareName(key));
        return out;
    }();
    return keys;
}

SettingCheck checkSettingValue(std::string_view key, std::string_view value) {
    const Key* found = findKey(key);
    if (found == nullptr) return refused({}, "no such key.");
    return checkKey(*found, collectValue(value, found->kind == Kind::Phrase));
}

std::string settingDefault(std::string_view key) {
    const Key* found = findKey(key);
    return found == nullptr ? std::string() : std::string(found->whenAbsent);
}

std::int32_t aprsIsPasscode(std::string_view callsign) {
    const std::string_view base = callsign.substr(0, callsign.find('-'));
    if (base.empty() || base.size() > 6 || !std::all_of(base.begin(), base.end(), isAsciiAlnum)) return -1;
    const std::string upper = upperCopy(base);
    std::uint32_t hash = 0x73e2;
    for (std::size_t i = 0; i < upper.size(); i += 2) {
        hash ^= static_cast<std::uint32_t>(static_cast<unsigned char>(upper[i])) << 8;
        if (i + 1 < upper.size()) hash ^= static_cast<unsigned char>(upper[i + 1]);
    }
    return static_cast<std::int32_t>(hash & 0x7fff);
}

bool needsFirstSetup(const Settings& settings) {
    const bool portNamed = settings.given.contains("DEVICE") || settings.given.contains("COM");
    return settings.myCall.empty() && (!portNamed || problemWith(settings, "DEVICE").size() > 0);
}

void parseConfigurationLine(Settings& settings, std::string_view line, std::string_view upperLine) {
    if (isCommentLine(line)) return;
    for (const Key& key : kKeys) {
        const std::size_t at = upperLine.find(key.name);
        if (at == std::string_view::npos) continue;
        const std::size_t valueStart = at + key.name.size();
        // Both copies have the same length, but a caller could hand in a shorter line.
        const std::string_view rest = valueStart > line.size() ? std::string_view() : line.substr(valueStart);
        settings.given[std::string(bareName(key))] = collectValue(rest, key.kind == Kind::Phrase);
    }
}

void correctConfiguration(Settings& s) {
    applyChecks(s);
    s.rtsLineOn = s.rtsEnable == 1 ? 1 : 0;
    s.dtrLineOn = 1;
    // Only KISS frames are built from UNPROTO=; a text TNC keeps its own path.
    const auto unproto = s.given.find("UNPROTO");
    const LinkKind kind = linkKindOf(s.kiss == 1, s.device);
    if (unproto != s.given.end() && (kind == LinkKind::KissTnc || kind == LinkKind::Agw)) {
        const SettingCheck check = checkKey(*findKey("UNPROTO"), unproto->second);
        if (check.verdict != Verdict::Accepted) addProblem(s, "UNPROTO", unproto->second, check.reason);
    }
    // KISS frames are binary: XON/XOFF flow control would swallow their bytes 17 and 19.
    if (s.kiss == 1) s.xonXoff = 0;
    readOwnPosition(s);
    // The default filter needs the position.
    if (!s.aprsIsFilter.empty() || !s.myPositionSet) return;
    s.aprsIsFilter = "r/" + twoDecimals(s.myLatDegrees) + "/" + twoDecimals(s.myLongDegrees) + "/100";
}

std::string problemWith(const Settings& settings, std::string_view key) {
    for (const SettingProblem& p : settings.problems)
        if (p.key == key) return p.text;
    return {};
}

Settings parseConfiguration(std::string_view fileBytes) {
    Settings settings;
    // Only LF ends a line: a file with CR-only line ends is one long line.
    std::size_t start = 0;
    while (start < fileBytes.size()) {
        const std::size_t lf = fileBytes.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? fileBytes.size() : lf + 1;
        const std::string_view line = fileBytes.substr(start, end - start);
        parseConfigurationLine(settings, line, upperCopy(line));
        start = end;
    }
    correctConfiguration(settings);
    return settings;
}

Settings readConfiguration(const std::string& programDirectory) {
    const std::string path = joinPath(programDirectory, "Quilmo.ini");
    // A missing file is left behind empty; only the settings window writes it, and only
    // when the user saves. When it cannot be created or read, the program runs on the defaults.
    touchFile(path);
    const std::optional<std::string> bytes = readWholeFile(path);
    return parseConfiguration(bytes ? std::string_view(*bytes) : std::string_view());
}

}  // namespace quilmo
