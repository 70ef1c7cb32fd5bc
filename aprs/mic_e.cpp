#include "aprs/mic_e.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "aprs/extensions.h"
#include "aprs/filter_flags.h"
#include "aprs/geometry.h"
#include "aprs/numeric.h"
#include "aprs/record.h"
#include "aprs/text_util.h"

namespace quilmo {
namespace {

constexpr std::string_view kDegree = "\xB0";
// Stands for a destination character the packet did not carry: it matches no row of any table.
constexpr int kAbsent = -1000;

struct MicEHeader {
    std::string_view shown;        // up to and including the last ">"
    std::string_view destination;  // at most six characters, SSID and path cut off
};

// The destination is the address after the last ">": that holds for a plain header, for one with
// a digipeater path behind the destination and for the rebuilt header of an encapsulated packet.
MicEHeader splitHeader(std::string_view header) {
    MicEHeader out;
    std::string_view address = header;
    const std::size_t gt = header.rfind('>');
    if (gt != std::string_view::npos) {
        out.shown = header.substr(0, gt + 1);
        address = header.substr(gt + 1);
    }
    address = address.substr(0, address.find_first_of(",:"));
    address = address.substr(0, address.find('-'));
    out.destination = address.substr(0, 6);
    return out;
}

int destinationValue(std::string_view destination, std::size_t i) {
    if (i >= destination.size()) return kAbsent;
    return static_cast<unsigned char>(destination[i]) - 48;
}

bool isDigitValue(int d) { return d >= 0 && d <= 9; }  // "0".."9"
bool isHighValue(int d) { return d >= 32 && d <= 41; }  // "P".."Y"
constexpr int kL = 28;  // "L": blank digit, bit 0
constexpr int kZ = 42;  // "Z": blank digit, no message bit

// Message bit of one of the first three destination characters; 0 when it carries none
// ("A".."K" are custom bits, which this program does not decode; "Z" gives none either).
char messageBit(int d) {
    if (isDigitValue(d) || d == kL) return '0';
    if (isHighValue(d)) return '1';
    return 0;
}

std::string_view statusText(const std::string& bits) {
    static constexpr std::string_view kRows[8] = {"EMERGENCY", "Priority",   "Special",    "Committed",
                                                  "Returning", "En Service", "En Route", "Off Duty"};
    if (bits.size() != 3) return {};
    int row = 0;
    for (char b : bits) row = row * 2 + (b == '1' ? 1 : 0);
    return kRows[row];
}

// "A".."J" carry digits like "0".."9", and "K" an ambiguous digit like "L".
int foldCustom(int d) {
    if (d >= 17 && d <= 26) return d - 17;
    if (d == 27) return kL;
    return d;
}

// The latitude digit a destination value stands for: a digit, a blank for an ambiguous
// position, or 0 for a character that carries no digit.
char digitChar(int d) {
    if (isDigitValue(d)) return static_cast<char>('0' + d);
    if (isHighValue(d)) return static_cast<char>('0' + d - 32);
    if (d == kL || d == kZ) return ' ';
    return 0;
}

// A destination a MIC-E packet can have: six characters, digits, "L" and "P".."Z"
// everywhere, and "A".."K" in the first three, whose message bits are then all custom
// (A..K) or all standard (P..Z): software names such as "APDR13" mix the two.
bool isMicEDestination(std::string_view destination) {
    if (destination.size() != 6) return false;
    bool custom = false, standard = false;
    for (std::size_t i = 0; i < 6; ++i) {
        const char c = destination[i];
        if ((c >= '0' && c <= '9') || c == 'L') continue;
        if (c >= 'P' && c <= 'Z') {
            standard = standard || i < 3;
            continue;
        }
        if (i < 3 && c >= 'A' && c <= 'K') {
            custom = true;
            continue;
        }
        return false;
    }
    return !(custom && standard);
}

bool southOrEast(int d) { return isDigitValue(d) || d == kL; }
bool northOrWest(int d) { return isHighValue(d) || d == kZ; }

struct Latitude {
    std::string shown;  // with blanks for ambiguous digits
    int longitudeOffset = 0;
    std::string_view longitudeHemisphere;
    std::optional<double> degrees;  // from the digits when all six are plain digits
    bool inRange = false;           // at most 90 degrees, minutes below 60
};

// `extra` hundredths of a minute refine a latitude given in plain digits (a DAO).
Latitude decodeLatitude(const int (&d)[6], double extra) {
    Latitude out;
    char digit[6];
    for (int i = 0; i < 6; ++i) digit[i] = digitChar(d[i]);
    std::string_view hemisphere;
    if (southOrEast(d[3])) hemisphere = "S";
    if (northOrWest(d[3])) hemisphere = "N";
    if (northOrWest(d[4])) out.longitudeOffset = 100;
    if (southOrEast(d[5])) out.longitudeHemisphere = "E";
    if (northOrWest(d[5])) out.longitudeHemisphere = "W";

    // An ambiguous hundredths digit counts as 0: "3 " is 30 hundredths, not 3.
    int hundredths = 0;
    for (int i = 4; i < 6; ++i)
        if (digit[i]) hundredths = hundredths * 10 + (digit[i] == ' ' ? 0 : digit[i] - '0');

    const bool plain = std::all_of(digit, digit + 6, isAsciiDigit);
    const double refined = plain ? hundredths + extra : hundredths;
    std::string& text = out.shown;
    auto put = [&](char c) {
        if (c) text.push_back(c);
    };
    put(digit[0]);
    put(digit[1]);
    text += kDegree;
    put(digit[2]);
    put(digit[3]);
    text += '\'';
    appendSecondsOfHundredths(text, refined);
    text += '"';
    text += hemisphere;
    auto value = [&](int i) {  // a pair of digits, blanks as 0
        auto one = [](char c) { return isAsciiDigit(c) ? c - '0' : 0; };
        return one(digit[i]) * 10 + one(digit[i + 1]);
    };
    const int degrees = value(0), minutes = value(2);
    out.inRange = minutes < 60 && degrees * 6000 + minutes * 100 + hundredths <= 90 * 6000;
    if (plain) {
        auto pair = [&](int i) { return (digit[i] - '0') * 10 + (digit[i + 1] - '0'); };
        out.degrees = dmsPartsToDegrees(pair(0), pair(2), secondsOfHundredthsAsRead(refined), hemisphere == "S");
    }
    return out;
}

int byteValue(std::string_view info, std::size_t i) { return static_cast<unsigned char>(info[i]) - 28; }

struct Longitude {
    std::string text;
    std::optional<double> degrees;  // from the numbers when they are the usual ones
};

// The bytes as MIC-E writes them: degrees 10..189 (0..9 as 118..127), minutes 0..59
// (0..9 as 88..97), hundredths 0..99, each plus 28. Others are no longitude, whatever
// the arithmetic below would make of them.
bool isLongitudeBytes(std::string_view info) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(info[i]); };
    return byte(1) >= 0x26 && byte(1) <= 0x7F && byte(2) >= 0x26 && byte(2) <= 0x61 && byte(3) >= 0x1C &&
           byte(3) <= 0x7F;
}

// Empty text when the three longitude bytes are missing or give no longitude.
Longitude decodeLongitude(std::string_view info, const Latitude& lat, double extra) {
    Longitude out;
    if (info.size() < 4 || !isLongitudeBytes(info)) return out;
    int degrees = byteValue(info, 1) + lat.longitudeOffset;
    if (degrees >= 180 && degrees <= 189) degrees -= 80;
    if (degrees >= 190 && degrees <= 199) degrees -= 190;
    int minutes = byteValue(info, 2);
    if (minutes >= 60) minutes -= 60;
    const int hundredths = byteValue(info, 3);
    if (degrees < 0 || minutes < 0 || minutes >= 60 || hundredths < 0 || hundredths > 99 ||
        degrees * 6000 + minutes * 100 + hundredths > 180 * 6000)
        return out;
    std::string& text = out.text;  // short enough to need no room of its own
    appendTrimmedNumericText(text, degrees);
    text += kDegree;
    appendTrimmedNumericText(text, minutes);
    text += '\'';
    appendSecondsOfHundredths(text, hundredths + extra);
    text += '"';
    text += lat.longitudeHemisphere;
    // Whole numbers read back as themselves; the seconds as their table says.
    out.degrees = dmsPartsToDegrees(degrees, minutes, secondsOfHundredthsAsRead(hundredths + extra),
                                    lat.longitudeHemisphere == "W");
    return out;
}

struct Fields {
    std::string_view symbolCode;
    std::string_view symbolTable;
    std::string_view comment;
    bool micEShort = false;
};

bool isTable(std::string_view info, std::size_t i) {
    return i < info.size() && (info[i] == '/' || info[i] == '\\');
}

std::string_view at(std::string_view info, std::size_t i) { return i < info.size() ? info.substr(i, 1) : ""; }
std::string_view from(std::string_view info, std::size_t i) { return i < info.size() ? info.substr(i) : ""; }

// info[0] is the data type; the symbol normally sits at 7 (code) and 8 (table). A table
// identifier one or two places early means speed and course bytes are missing.
Fields splitFields(std::string_view info) {
    if (!isTable(info, 8) && isTable(info, 7)) return {at(info, 6), at(info, 7), from(info, 8), true};
    if (!isTable(info, 8) && !isTable(info, 7) && isTable(info, 6))
        return {at(info, 5), at(info, 6), from(info, 7), true};
    return {at(info, 7), at(info, 8), from(info, 9), false};
}

struct RadioRule {
    char first;
    std::string_view last;  // empty: any other ending, only the first character goes
    std::string_view radio;
    bool radioLine;         // the record has always named it on its "radio....:" line
};
// The radios a MIC-E comment's first and last characters name (facts of the APRS device
// list); later radios get the "device...:" line every other packet has.
constexpr RadioRule kRadios[] = {
    {'>', "=", "Kenwood TH-D72", true},       {'>', "^", "Kenwood TH-D74", false},
    {'>', "&", "Kenwood TH-D75", false},      {'>', "v", "Kenwood TH-D7A", true},
    {'>', "", "Kenwood TH-D7A", true},        {']', "=", "Kenwood TM-D710", true},
    {']', "v", "Kenwood TM-D7x", true},       {']', "", "Kenwood TM-D700", true},
    {'`', "_ ", "Yaesu VX-8", true},          {'`', "_\"", "Yaesu FTM-350", true},
    {'`', "_#", "Yaesu VX-8G", true},         {'`', "_$", "Yaesu FT1D", true},
    {'`', "_%", "Yaesu FTM-400DR", true},     {'`', "_)", "Yaesu FTM-100D", false},
    {'`', "_(", "Yaesu FT2D", false},         {'`', "_0", "Yaesu FT3D", false},
    {'`', "(5", "Anytone D578UV", false},     {'`', " X", "SainSonic AP510", false},
    {'`', "", "", true},                      {'\'', "|3", "Byonics TinyTrack3", true},
    {'\'', "|4", "Byonics TinyTrack4", true}, {'\'', "(8", "Anytone D878UV", false},
    {'\'', ":4", "SCS P4dragon DR-7400", false}, {'\'', ":8", "SCS P4dragon DR-7800", false},
    {'\'', "", "", true},                     {' ', "", "", true},
};

struct Radio {
    std::string_view name;  // empty when none
    bool radioLine = false;
};

// Returns the radio and takes its marker characters off the comment.
Radio identifyRadio(std::string_view& comment) {
    if (comment.empty()) return {};
    for (const RadioRule& rule : kRadios) {
        if (comment[0] != rule.first) continue;
        if (!rule.last.empty() && !comment.ends_with(rule.last)) continue;
        if (comment.size() > rule.last.size()) comment.remove_suffix(rule.last.size());
        comment.remove_prefix(1);
        return {rule.radio, rule.radioLine};
    }
    return {};
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Telemetry right after the symbol: "'" and five channels, or "`" and channels 1 and 3,
// two upper-case hex digits each, then the end or a blank (or a radio's "|" suffix). The
// same flags open some radios' comments, so anything else is text. The digits come off
// the comment; the flag stays for the radio markers.
std::optional<TelemetryReport> takeTelemetry(std::string_view& comment, std::string& rest) {
    const char flag = charAt(comment, 0);
    const std::size_t channels = flag == '\'' ? 5 : flag == '`' ? 2 : 0;
    if (channels == 0 || comment.size() < 1 + 2 * channels) return std::nullopt;
    const char after = charAt(comment, 1 + 2 * channels);
    if (!(after == '\0' || after == ' ' || after == '|')) return std::nullopt;
    TelemetryReport report;
    report.analogCount = channels == 5 ? 5 : 3;
    if (channels == 2) report.missing = 1u << 1;
    for (std::size_t i = 0; i < channels; ++i) {
        const int high = hexValue(comment[1 + 2 * i]), low = hexValue(comment[2 + 2 * i]);
        if (high < 0 || low < 0) return std::nullopt;
        report.analog[channels == 5 ? i : 2 * i] = high * 16 + low;
    }
    rest.assign(1, flag);
    rest.append(comment.substr(1 + 2 * channels));
    comment = rest;
    return report;
}

struct Motion {
    bool shown = false;
    double kmh = 0;
    int course = 0;
};

Motion decodeMotion(std::string_view info, int speedZero) {
    if (info.size() < 7) return {};
    const int sp = byteValue(info, 4);
    const int dc = byteValue(info, 5);
    const int se = byteValue(info, 6);
    int knots = sp * 10 + (dc - dc % 10) / 10;
    int course = (dc % 10) * 100 + se;
    if (knots >= 800) knots -= 800;
    if (course >= 400) course -= 400;
    const double kmh = roundHalfEven(knots * 1.852);
    if (kmh == 0 && speedZero == 0) return {};
    return {true, kmh, course};
}


// Base-91 altitude in the three characters before a "}" in fourth place; characters outside
// base 91 are no altitude.
std::optional<std::int32_t> takeAltitude(std::string_view& comment) {
    if (comment.size() < 4 || comment.find('}') != 3) return std::nullopt;
    if (!isBase91(comment[0]) || !isBase91(comment[1]) || !isBase91(comment[2])) return std::nullopt;
    auto c = [&](std::size_t i) { return static_cast<std::int32_t>(static_cast<unsigned char>(comment[i])) - 33; };
    const std::int32_t metres = c(0) * 8281 + c(1) * 91 + c(2) - 10000;
    comment.remove_prefix(4);
    return metres;
}

}  // namespace

void decodeMicE(std::string_view header, std::string_view info, std::string_view objectOrItemLine,
                const DecodeContext& ctx, DecodedPacket& out) {
    out.recognised = true;
    const MicEHeader parts = splitHeader(header);

    const Fields fields = splitFields(info);
    const int symbolIndex = symbolIndexOf(fields.symbolTable, fields.symbolCode);
    std::string_view comment = fields.comment;
    std::string afterTelemetry;  // the comment without the telemetry's digits
    std::optional<TelemetryReport> telemetry = takeTelemetry(comment, afterTelemetry);
    const Radio radio = identifyRadio(comment);
    PacketExtras& extras = out.extras;
    extras.device = radio.name;
    extras.deviceOnRadioLine = radio.radioLine;

    int d[6];
    for (std::size_t i = 0; i < 6; ++i) d[i] = destinationValue(parts.destination, i);
    std::string bits;
    for (int i = 0; i < 3; ++i)
        if (char b = messageBit(d[i])) bits += b;
    const std::string_view status = statusText(bits);
    for (int i = 0; i < 3; ++i) d[i] = foldCustom(d[i]);

    // The latitude lives in the destination: under any other destination the bytes are
    // not a position, whatever they would give.
    const std::optional<PositionRefinement> dao = readDao(comment);
    const Latitude lat = decodeLatitude(d, dao ? dao->latHundredths : 0);
    const Longitude lon = decodeLongitude(info, lat, dao ? dao->lonHundredths : 0);
    // A destination that is no MIC-E latitude makes the packet no MIC-E packet: its other
    // bytes are no speed, course or altitude either.
    const bool micE = isMicEDestination(parts.destination) && lat.inRange;
    const bool located = micE && !lon.text.empty();
    if (located) setLastCoordinates(out.lastCoordinates, lat.shown, lon.text);
    const bool shown = symbolRecordPasses(ctx.filter, symbolIndex);
    if (!shown && !ctx.wantStation) return;

    const Motion motion = fields.micEShort || !micE ? Motion{} : decodeMotion(info, ctx.settings.speedZero);
    const std::optional<std::int32_t> altitudeM = micE ? takeAltitude(comment) : std::nullopt;
    const bool hasAltitude = altitudeM.has_value();
    const std::string kmlAltitude = hasAltitude ? trimmedNumericText(*altitudeM) : "0";
    std::optional<Position> position;
    if (located) position = locate(Coordinates{lat.shown, lon.text, lat.degrees, lon.degrees}, ctx.settings);
    comment = trimBlanks(comment);
    readCommentExtras(comment, false, extras);
    if (telemetry && !extras.telemetry) extras.telemetry = std::move(telemetry);
    if (dao && located) extras.datum = dao->datum;
    if (ctx.wantStation) {
        setLocatedFacts(out.station, {fields.symbolTable, fields.symbolCode, position ? &*position : nullptr, motion.shown,
                                      motion.kmh, static_cast<double>(motion.course), altitudeM, comment});
    }
    if (!shown) return;

    RecordWriter record(out.record, "-MIC-E-", ctx.now, parts.shown);
    const DecimalSpans spans = writePositionLines(record, position ? &*position : nullptr, objectOrItemLine);
    if (motion.shown) writeSpeedAndCourse(record, motion.kmh, motion.course);
    if (hasAltitude) {
        record.begin("altitude.: ") += kmlAltitude;
        record.text() += " m";
    }
    if (radio.radioLine) record.labelled("radio....: ", radio.name);
    writeStationLine(record, fields.symbolTable, fields.symbolCode);
    record.labelled("status...: ", status);
    record.labelled("message..: ", comment);
    finishLocatedRecord(record, extras, ctx, parts.shown, spans, position.has_value(), kmlAltitude, out);
}

DecodedPacket decodeMicE(std::string_view header, std::string_view info, std::string_view objectOrItemLine,
                         const DecodeContext& ctx) {
    DecodedPacket out;
    decodeMicE(header, info, objectOrItemLine, ctx, out);
    return out;
}

}  // namespace quilmo
