#include "app/config.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "aprs/beacon.h"
#include "aprs/geometry.h"
#include "aprs/numeric.h"
#include "platform/cp1252_utf8.h"
#include "platform/files.h"
#include "terminal/ax25.h"
#include "terminal/link_transmit.h"

namespace quilmo {
namespace {

// Phrase: a text whose blanks separate words, so they are kept.
enum class Kind { Number, Text, Phrase };

struct Key {
    std::string_view name;  // upper case, "=" included
    Kind kind;
    std::int32_t Settings::*number;
    std::string Settings::*text;
    std::int32_t whenEmpty;  // value for a key present with nothing after "="
};

// Table order is the order of application inside one line.
constexpr Key kKeys[] = {
    {"COM=", Kind::Number, &Settings::comPort, nullptr, 1},
    {"BAUD=", Kind::Number, &Settings::baudRate, nullptr, 2400},
    {"PARITY=", Kind::Text, nullptr, &Settings::parity, 0},
    {"BIT=", Kind::Number, &Settings::dataBits, nullptr, 8},
    {"STOP=", Kind::Number, &Settings::stopBits, nullptr, 1},
    {"XONXOFF=", Kind::Number, &Settings::xonXoff, nullptr, 1},
    {"RTS=", Kind::Number, &Settings::rtsEnable, nullptr, 0},
    {"SAVERX=", Kind::Number, &Settings::saveRx, nullptr, 1},
    {"SAVETX=", Kind::Number, &Settings::saveTx, nullptr, 0},
    {"BUFFERRX=", Kind::Number, &Settings::rxBufferSize, nullptr, 512},
    {"BUFFERTX=", Kind::Number, &Settings::txBufferSize, nullptr, 32},
    {"APRS=", Kind::Number, &Settings::aprsEnabled, nullptr, 0},
    {"MYLAT=", Kind::Text, nullptr, &Settings::myLat, 0},
    {"MYLONG=", Kind::Text, nullptr, &Settings::myLong, 0},
    {"SPEEDZERO=", Kind::Number, &Settings::speedZero, nullptr, 0},
    {"CTRLDEND=", Kind::Number, &Settings::ctrlDEnd, nullptr, 0},
    {"DEVICE=", Kind::Text, nullptr, &Settings::device, 0},
    {"KISS=", Kind::Number, &Settings::kiss, nullptr, 0},
    {"KISSRAW=", Kind::Number, &Settings::kissRaw, nullptr, 0},
    {"MYCALL=", Kind::Text, nullptr, &Settings::myCall, 0},
    {"UNPROTO=", Kind::Phrase, nullptr, &Settings::unproto, 0},
    {"BEACON=", Kind::Number, &Settings::beaconMinutes, nullptr, 0},
    {"BEACONTEXT=", Kind::Phrase, nullptr, &Settings::beaconText, 0},
    {"SYMBOL=", Kind::Text, nullptr, &Settings::symbol, 0},
    {"PASSCODE=", Kind::Number, &Settings::passcode, nullptr, -1},
    {"FILTER=", Kind::Phrase, nullptr, &Settings::aprsIsFilter, 0},
    {"MAPTILES=", Kind::Text, nullptr, &Settings::mapTiles, 0},
    {"MAPATTRIB=", Kind::Phrase, nullptr, &Settings::mapAttribution, 0},
    {"MSGBELL=", Kind::Number, &Settings::messageBell, nullptr, 1},
    {"KEEPHOURS=", Kind::Number, &Settings::keepHours, nullptr, 24},
};

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

bool isFlag(std::int32_t v) { return v == 0 || v == 1; }

constexpr std::int32_t kMostKeepHours = 10 * 366 * 24;

void correctParity(std::string& parity) {
    if (parity.size() > 1) parity.resize(1);
    if (parity.size() == 1) {
        const char c = parity[0];
        if (c == 'N' || c == 'E' || c == 'O' || c == 'M' || c == 'S') parity[0] = static_cast<char>(c + 32);
    }
    if (parity != "e" && parity != "n" && parity != "o" && parity != "m" && parity != "s") parity = "n";
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
// a hemisphere letter anywhere) or in decimal degrees. The text is left in the record's
// form with its degrees beside it; one that cannot be used is emptied and told.
bool readCoordinate(Settings& s, std::string& text, double& degrees, const Axis& axis) {
    if (text.empty()) return false;
    const std::string written = text;
    std::optional<double> value;
    if (hasMarks(text)) {
        text = upperCopy(text);
        if (text.find(axis.positive) != std::string::npos || text.find(axis.negative) != std::string::npos)
            value = dmsTextToDegrees(text);
    } else {
        value = decimalDegrees(text, axis);
        if (value) text = dmsText(*value, axis);
    }
    const std::string range = std::to_string(static_cast<int>(axis.limit));
    const std::string problem = !value ? std::string("write it as ") + axis.example + "."
                                : !(std::fabs(*value) <= axis.limit)
                                    ? std::string("a ") + axis.name + " lies from -" + range + " to " + range + " degrees."
                                    : std::string();
    if (!problem.empty()) {
        addProblem(s, axis.key, written, problem);
        text.clear();
        return false;
    }
    degrees = *value;
    return true;
}

// Both coordinates or no own position; one given without the other is told.
void readOwnPosition(Settings& s) {
    const bool latGiven = !s.myLat.empty(), longGiven = !s.myLong.empty();
    const bool lat = readCoordinate(s, s.myLat, s.myLatDegrees, kLatitude);
    const bool lon = readCoordinate(s, s.myLong, s.myLongDegrees, kLongitude);
    if (lat && !longGiven) s.problems.push_back({"MYLONG", "MYLONG= is missing: the own position needs MYLAT= and MYLONG=.", ""});
    if (lon && !latGiven) s.problems.push_back({"MYLAT", "MYLAT= is missing: the own position needs MYLAT= and MYLONG=.", ""});
    s.myPositionSet = lat && lon;
    if (s.myPositionSet) return;
    s.myLat.clear();
    s.myLong.clear();
    s.myLatDegrees = s.myLongDegrees = 0;
}

bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Why parseCallsign refused `text`.
std::string callsignProblem(std::string_view text) {
    const std::string_view call = text.substr(0, text.find('-'));
    const bool callOk = !call.empty() && call.size() <= 6 && std::all_of(call.begin(), call.end(), isAsciiAlnum);
    return callOk ? "an SSID is 0 to 15." : "a callsign is 1 to 6 letters or digits, then -SSID when needed.";
}

// Callsigns in their one written form; anything that is no callsign or path is left empty.
void correctKiss(Settings& s) {
    if (s.kiss != 1) s.kiss = 0;
    if (s.kissRaw != 1) s.kissRaw = 0;
    const std::optional<Callsign> myCall = parseCallsign(s.myCall);
    if (!myCall && !s.myCall.empty()) addProblem(s, "MYCALL", s.myCall, callsignProblem(s.myCall));
    s.myCall = myCall ? callsignText(*myCall) : std::string();
    const std::optional<UnprotoPath> path = parseUnproto(s.unproto);
    // Only KISS frames are built from UNPROTO=; a text TNC keeps its own path.
    const bool used = linkKindOf(s.kiss == 1, s.device) == LinkKind::KissTnc;
    if (!path && !s.unproto.empty() && used)
        addProblem(s, "UNPROTO", s.unproto, unprotoProblem(s.unproto) + ". Nothing is sent until it is mended.");
    s.unproto = path ? unprotoText(*path) : std::string();
    // KISS frames are binary: XON/XOFF flow control would swallow their bytes 17 and 19.
    if (s.kiss == 1) s.xonXoff = 0;
}

// Text, as a typed line goes out: Windows-1252 when every character has a byte there, else
// all of it UTF-8. Control codes (C0, DEL, C1 and the bytes Windows-1252 leaves undefined)
// never go on the air; blanks at the ends go. At most `limit` characters, never part of one.
std::string printableText(std::string_view bytes, std::size_t limit) {
    std::u32string text;
    for (std::size_t at = 0; at < bytes.size();) {
        const AirCharacter c = airCharacterAt(bytes, at);
        at += c.length;
        if (c.codePoint >= 0x20 && (c.codePoint < 0x7F || c.codePoint > 0x9F)) text += c.codePoint;
    }
    const std::size_t first = text.find_first_not_of(U' ');
    text = first == std::u32string::npos ? std::u32string() : text.substr(first, limit);
    text.erase(text.find_last_not_of(U' ') + 1);
    const bool fits = std::all_of(text.begin(), text.end(), [](char32_t c) { return cp1252ByteOf(c).has_value(); });
    std::string out;
    for (const char32_t c : text) {
        if (fits) {
            out += *cp1252ByteOf(c);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

// Blanks at the ends go (they are where "KEY= value" puts them); control bytes never go on the air.
std::string trimmedPhrase(std::string_view text) {
    std::string out;
    for (const char c : trimBlanks(text)) {
        if (static_cast<unsigned char>(c) >= 32) out += c;
    }
    return std::string(trimBlanks(out));
}

// An overlay (digit or letter) or one of the two tables, then any printable symbol code.
bool validSymbol(std::string_view symbol) {
    if (symbol.size() != 2) return false;
    const char table = symbol[0], code = symbol[1];
    const bool tableOk = table == '/' || table == '\\' || (table >= '0' && table <= '9') || (table >= 'A' && table <= 'Z');
    return tableOk && code > ' ' && code < 127;
}

// "44.49": two decimals (about a kilometre) are plenty for a range filter; written by
// hand so the user's locale cannot turn the point into a comma.
std::string twoDecimals(double degrees) {
    const auto hundredths = static_cast<long long>(roundHalfEven(std::fabs(degrees) * 100));
    const std::string fraction = std::to_string(hundredths % 100);
    return std::string(degrees < 0 && hundredths != 0 ? "-" : "") + std::to_string(hundredths / 100) + "." +
           (fraction.size() == 1 ? "0" : "") + fraction;
}

// After the own-position check: the default filter needs the position.
void correctStation(Settings& s) {
    if (s.beaconMinutes < 0) s.beaconMinutes = 0;
    if (s.beaconMinutes > 0 && s.beaconMinutes < 5) s.beaconMinutes = 5;
    s.beaconText = printableText(s.beaconText, kMaxBeaconComment);
    if (!s.symbol.empty() && !validSymbol(s.symbol))
        addProblem(s, "SYMBOL", s.symbol,
                   "a symbol is a table (/, \\ or an overlay 0-9 or A-Z) and a code from ! to ~; " +
                       std::string(kDefaultSymbol) + " is used.");
    if (!validSymbol(s.symbol)) s.symbol = std::string(kDefaultSymbol);
    if (s.passcode < -1 || s.passcode > 32767) s.passcode = -1;
    s.aprsIsFilter = trimmedPhrase(s.aprsIsFilter);
    if (!s.aprsIsFilter.empty() || !s.myPositionSet) return;
    s.aprsIsFilter = "r/" + twoDecimals(s.myLatDegrees) + "/" + twoDecimals(s.myLongDegrees) + "/100";
}

// The tile template stays as written: the map judges it and says what is wrong with it.
void correctMap(Settings& s) {
    s.mapAttribution = std::string(trimBlanks(s.mapAttribution));
}

// A ham switches a line off with ";" or "#" in front of it, as in most .ini files.
bool isCommentLine(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && (line[first] == ';' || line[first] == '#');
}

}  // namespace

void parseConfigurationLine(Settings& settings, std::string_view line, std::string_view upperLine) {
    if (isCommentLine(line)) return;
    for (const Key& key : kKeys) {
        const std::size_t at = upperLine.find(key.name);
        if (at == std::string_view::npos) continue;
        if (key.kind == Kind::Number) {
            settings.*key.number = key.whenEmpty;
        } else if (key.text == &Settings::parity) {
            settings.parity = "n";
        } else {
            (settings.*key.text).clear();
        }
        const std::size_t valueStart = at + key.name.size();
        // Both copies have the same length, but a caller could hand in a shorter line.
        if (valueStart > line.size()) continue;
        const std::string value = collectValue(line.substr(valueStart), key.kind == Kind::Phrase);
        if (value.empty()) continue;
        if (key.kind == Kind::Number) {
            settings.*key.number = toWhole(value);
        } else {
            settings.*key.text = value;
        }
    }
}

void correctConfiguration(Settings& s) {
    if (s.comPort == 0) s.comPort = 1;
    if (s.baudRate == 0) s.baudRate = 2400;
    correctParity(s.parity);
    if (s.dataBits < 5 || s.dataBits > 8) s.dataBits = 8;
    if (s.stopBits != 1 && s.stopBits != 2) s.stopBits = 1;
    if (!isFlag(s.xonXoff)) s.xonXoff = 1;
    if (!isFlag(s.rtsEnable)) s.rtsEnable = 0;
    s.rtsLineOn = s.rtsEnable == 1 ? 1 : 0;
    s.dtrLineOn = 1;
    if (s.rxBufferSize == 0) s.rxBufferSize = 512;
    if (s.txBufferSize == 0) s.txBufferSize = 32;
    if (!isFlag(s.saveRx)) s.saveRx = 1;
    if (!isFlag(s.saveTx)) s.saveTx = 0;
    if (!isFlag(s.aprsEnabled)) s.aprsEnabled = 1;
    if (!isFlag(s.speedZero)) s.speedZero = 0;
    if (!isFlag(s.messageBell)) s.messageBell = 1;
    // At least an hour, at most ten years: a count of seconds must not overflow.
    if (s.keepHours < 1) s.keepHours = 24;
    s.keepHours = std::min(s.keepHours, kMostKeepHours);

    correctKiss(s);
    correctMap(s);

    readOwnPosition(s);
    correctStation(s);
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
    // The file is never written; a missing one is left behind empty. When it cannot be
    // created or read, the program runs on the defaults.
    touchFile(path);
    const std::optional<std::string> bytes = readWholeFile(path);
    return parseConfiguration(bytes ? std::string_view(*bytes) : std::string_view());
}

}  // namespace quilmo
