#include "app/config.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "aprs/beacon.h"
#include "aprs/geometry.h"
#include "aprs/numeric.h"
#include "platform/files.h"
#include "terminal/ax25.h"

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

void correctParity(std::string& parity) {
    if (parity.size() > 1) parity.resize(1);
    if (parity.size() == 1) {
        const char c = parity[0];
        if (c == 'N' || c == 'E' || c == 'O' || c == 'M' || c == 'S') parity[0] = static_cast<char>(c + 32);
    }
    if (parity != "e" && parity != "n" && parity != "o" && parity != "m" && parity != "s") parity = "n";
}

// Degree sign (0xB0), apostrophe and double quote, then one of the two hemisphere letters.
void checkCoordinate(std::string& text, char hemisphereA, char hemisphereB) {
    const bool marks = text.find('\xB0') != std::string::npos && text.find('\'') != std::string::npos &&
                       text.find('"') != std::string::npos;
    if (!marks) {
        text.clear();
        return;
    }
    text = upperCopy(text);
    if (text.find(hemisphereA) == std::string::npos && text.find(hemisphereB) == std::string::npos) text.clear();
}

// Callsigns in their one written form; anything that is no callsign or path is left empty.
void correctKiss(Settings& s) {
    if (s.kiss != 1) s.kiss = 0;
    if (s.kissRaw != 1) s.kissRaw = 0;
    const std::optional<Callsign> myCall = parseCallsign(s.myCall);
    s.myCall = myCall ? callsignText(*myCall) : std::string();
    const std::optional<UnprotoPath> path = parseUnproto(s.unproto);
    if (!path && !s.unproto.empty()) s.unprotoProblem = "UNPROTO=" + s.unproto + " cannot be used: " + unprotoProblem(s.unproto) + ". Nothing is sent until it is mended.";
    s.unproto = path ? unprotoText(*path) : std::string();
    // KISS frames are binary: XON/XOFF flow control would swallow their bytes 17 and 19.
    if (s.kiss == 1) s.xonXoff = 0;
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
    s.beaconText = trimmedPhrase(s.beaconText).substr(0, kMaxBeaconComment);
    if (!validSymbol(s.symbol)) s.symbol = std::string(kDefaultSymbol);
    if (s.passcode < -1 || s.passcode > 32767) s.passcode = -1;
    s.aprsIsFilter = trimmedPhrase(s.aprsIsFilter);
    if (!s.aprsIsFilter.empty() || !s.myPositionSet) return;
    s.aprsIsFilter = "r/" + twoDecimals(dmsTextToDegrees(s.myLat)) + "/" + twoDecimals(dmsTextToDegrees(s.myLong)) + "/100";
}

// The tile template stays as written: the map judges it and says what is wrong with it.
void correctMap(Settings& s) {
    s.mapAttribution = std::string(trimBlanks(s.mapAttribution));
}

}  // namespace

void parseConfigurationLine(Settings& settings, std::string_view line, std::string_view upperLine) {
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

    correctKiss(s);
    correctMap(s);

    checkCoordinate(s.myLat, 'N', 'S');
    checkCoordinate(s.myLong, 'E', 'W');
    s.myPositionSet = !s.myLat.empty() && !s.myLong.empty();
    if (!s.myPositionSet) {
        s.myLat.clear();
        s.myLong.clear();
    }
    correctStation(s);
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
