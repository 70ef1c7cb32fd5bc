#include "aprs/position.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "aprs/extensions.h"
#include "aprs/filter_flags.h"
#include "aprs/geometry.h"
#include "aprs/numeric.h"
#include "aprs/record.h"
#include "aprs/text_util.h"
#include "aprs/weather.h"

namespace quilmo {

namespace {

constexpr double kKmhPerKnot = 1.852;
constexpr double kMetresPerFoot = 0.3048;

// The numbers of a coordinate field; blanked digits count as 0.
struct FieldValue {
    int degrees = 0;
    int minutes = 0;
    int hundredths = 0;
    bool negative = false;  // south or west
};

struct PositionFields {
    std::string latField;  // short enough to stay inside the string
    std::string lonField;
    std::string_view symbolTable;
    std::string_view symbolCode;
    std::string_view comment;
    std::string weatherComment;  // a weather station's comment, its fields taken out
    bool hasMotion = false;
    double kmh = 0;
    double course = 0;
    bool hasAltitude = false;
    double altitudeM = 0;
    std::string kmlAltitude = "0";
    WeatherLines weather;
    std::optional<FieldValue> lat;  // both set when latField and lonField hold a coordinate
    std::optional<FieldValue> lon;
    std::optional<double> preciseLat;  // a compressed position's degrees, finer than its fields
    std::optional<double> preciseLon;
    std::optional<PositionRefinement> dao;
    // A weather station's wind: the course and speed bytes that hold a number.
    std::optional<double> windDegrees;
    std::optional<double> windKmh;
};

void setSpeedAndCourse(PositionFields& f, double kmh, double course, const DecoderSettings& settings) {
    if (kmh == 0 && settings.speedZero == 0) return;
    f.hasMotion = true;
    f.kmh = kmh;
    f.course = course;
}

bool isExtensionValue(char c) { return isAsciiDigit(c) || c == '.' || c == ' '; }

// "ccc/sss": course in degrees and speed in knots; dots or blanks stand for an
// unknown value. A comment that merely has "/" in fourth place is text.
bool hasCourseSpeed(std::string_view comment) {
    if (comment.size() < 7 || comment[3] != '/') return false;
    for (std::size_t i : {0, 1, 2, 4, 5, 6})
        if (!isExtensionValue(comment[i])) return false;
    return true;
}


// A coordinate as sent: degree digits, two minute digits, ".", two hundredths digits and
// the hemisphere letter. The last of the four minute digits may be blanks, for a position
// its station keeps vague on purpose; the minutes must be below 60 and the whole at most
// `maxDegrees`. Anything else is no coordinate, and no position is made up from it.
std::optional<FieldValue> coordinateOf(std::string_view field, std::size_t degreeDigits, char positive,
                                       char negative, int maxDegrees) {
    if (field.size() != degreeDigits + 6 || field[degreeDigits + 2] != '.') return std::nullopt;
    const char hemisphere = upperAscii(field.back());
    if (hemisphere != positive && hemisphere != negative) return std::nullopt;
    FieldValue out;
    out.negative = hemisphere == negative;
    for (std::size_t i = 0; i < degreeDigits; ++i) {
        if (!isAsciiDigit(field[i])) return std::nullopt;
        out.degrees = out.degrees * 10 + (field[i] - '0');
    }
    const char digits[4] = {field[degreeDigits], field[degreeDigits + 1], field[degreeDigits + 3],
                            field[degreeDigits + 4]};
    int value = 0;  // minutes and hundredths as one four-digit number
    bool blanked = false;
    for (const char c : digits) {
        const unsigned digit = static_cast<unsigned char>(c) - '0';
        if (digit <= 9 && !blanked) {
            value = value * 10 + static_cast<int>(digit);
        } else if (c == ' ') {
            blanked = true;
            value *= 10;
        } else {
            return std::nullopt;
        }
    }
    out.minutes = value / 100;
    out.hundredths = value % 100;
    if (out.minutes >= 60 || out.degrees * 6000 + value > maxDegrees * 6000) return std::nullopt;
    return out;
}

std::optional<FieldValue> latitudeOf(std::string_view field) { return coordinateOf(field, 2, 'N', 'S', 90); }
std::optional<FieldValue> longitudeOf(std::string_view field) { return coordinateOf(field, 3, 'E', 'W', 180); }

// "/A=" and six digits (a leading "-" below sea level): feet, where most trackers put
// their altitude in the comment.
void takeCommentAltitude(std::string_view comment, PositionFields& f) {
    for (std::size_t at = comment.find("/A="); at != std::string_view::npos; at = comment.find("/A=", at + 1)) {
        const std::string_view value = clippedPart(comment, at + 3, 6);
        if (value.size() != 6 || !(isAsciiDigit(value[0]) || value[0] == '-')) continue;
        bool digits = true;
        for (std::size_t i = 1; i < 6; ++i) digits = digits && isAsciiDigit(value[i]);
        if (!digits) continue;
        f.altitudeM = roundHalfEven(readNumber(value) * kMetresPerFoot);
        f.kmlAltitude = trimmedNumericText(f.altitudeM);
        f.hasAltitude = true;
        return;
    }
}

bool allDigits(std::string_view text) { return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos; }

void decodeWeatherComment(PositionFields& f) {
    f.weatherComment = f.comment;
    f.weather = decodeWeather(f.weatherComment);
    f.comment = f.weatherComment;
    // The wind is the weather report's course and speed, also when calm.
    if (f.windDegrees) setWindLine(f.weather, f.windDegrees, f.windKmh);
}

// "ccc/sss" at the start of the comment: course and speed, or a weather station's wind.
void takeCourseSpeed(PositionFields& f, const DecoderSettings& settings) {
    const double kmh = roundHalfEven(readNumber(f.comment.substr(4, 3)) * kKmhPerKnot);
    const double course = readNumber(f.comment.substr(0, 3));
    setSpeedAndCourse(f, kmh, course, settings);
    if (allDigits(f.comment.substr(0, 3))) f.windDegrees = course;
    if (allDigits(f.comment.substr(4, 3))) f.windKmh = kmh;
    f.comment.remove_prefix(7);
}

void decodeUncompressed(std::string_view positionText, PositionFields& f, const DecoderSettings& settings,
                        PacketExtras& extras) {
    f.latField = trimBlanks(clippedPart(positionText, 0, 8));
    f.symbolTable = clippedPart(positionText, 8, 1);
    f.lonField = trimBlanks(clippedPart(positionText, 9, 9));
    f.symbolCode = clippedPart(positionText, 18, 1);
    f.comment = clippedPart(positionText, 19);

    if (hasCourseSpeed(f.comment)) {
        takeCourseSpeed(f, settings);
    } else {
        readDataExtension(f.comment, extras);
    }
    f.comment = trimBlanks(f.comment);
    f.lat = latitudeOf(f.latField);
    f.lon = longitudeOf(f.lonField);
    takeCommentAltitude(f.comment, f);
    if (f.lat && f.lon && f.latField.find(' ') == std::string::npos && f.lonField.find(' ') == std::string::npos)
        f.dao = readDao(f.comment);
    if (f.dao) extras.datum = f.dao->datum;
    if (f.symbolCode == "_") decodeWeatherComment(f);
}

int base91(char c) { return static_cast<unsigned char>(c) - 33; }

double base91Sum(std::string_view four) {
    double sum = 0;
    for (std::size_t i = 0; i < 4; ++i) sum = sum * 91 + (i < four.size() ? base91(four[i]) : 0);
    return sum;
}

// DDMM.hhH from signed decimal degrees, with at least `degreeDigits` degree digits.
// Every part is a whole number below 1000 here, so plain digits equal the "%.0f" form.
std::string fieldFromDegrees(double degrees, int degreeDigits, char positive, char negative) {
    const char hemisphere = degrees >= 0 ? positive : negative;
    const double value = std::fabs(degrees);
    const double whole = std::trunc(value);
    const double minutes = (value - whole) * 60;
    const double wholeMinutes = std::trunc(minutes);
    const double hundredths = std::trunc((minutes - wholeMinutes) * 100);
    if (!(whole < 1000 && wholeMinutes < 100 && hundredths < 100 && hundredths >= 0)) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%0*.0f%02.0f.%02.0f%c", degreeDigits, whole, wholeMinutes, hundredths,
                      hemisphere);
        return buf;
    }
    const int d = static_cast<int>(whole);
    const int m = static_cast<int>(wholeMinutes);
    const int h = static_cast<int>(hundredths);
    std::string field;
    field.reserve(12);
    const int degreeWidth = d >= 100 ? 3 : d >= 10 ? 2 : 1;
    field.append(static_cast<std::size_t>(degreeDigits > degreeWidth ? degreeDigits - degreeWidth : 0), '0');
    if (d >= 100) field.push_back(static_cast<char>('0' + d / 100));
    if (d >= 10) field.push_back(static_cast<char>('0' + d / 10 % 10));
    field.push_back(static_cast<char>('0' + d % 10));
    const char rest[6] = {static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10), '.',
                          static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10), hemisphere};
    field.append(rest, 6);
    return field;
}

// The three bytes after the symbol code: course and speed, radio range or altitude.
void decodeCompressedExtension(std::string_view cst, PositionFields& f, const DecoderSettings& settings,
                               PacketExtras& extras) {
    if (cst.size() < 3) return;
    const char c = cst[0], s = cst[1], t = cst[2];
    if (c == '{') {
        extras.rangeKm = compressedRangeKm(s);
        return;
    }
    if (c == ' ' || !isBase91(c) || !isBase91(s)) return;
    const bool fromGga = t >= '!' && ((base91(t) >> 3) & 3) == 2;
    if (fromGga) {
        const double feet = std::pow(1.002, base91(c) * 91 + base91(s));
        f.altitudeM = roundHalfEven(feet * kMetresPerFoot);
        f.kmlAltitude = trimmedNumericText(f.altitudeM);
        f.hasAltitude = true;
        return;
    }
    if (c > 'z') return;
    const double knots = std::pow(1.08, base91(s)) - 1;
    f.windDegrees = base91(c) * 4.0;
    f.windKmh = roundHalfEven(knots * kKmhPerKnot);
    setSpeedAndCourse(f, *f.windKmh, *f.windDegrees, settings);
}

void decodeCompressed(std::string_view positionText, PositionFields& f, const DecoderSettings& settings,
                      PacketExtras& extras) {
    f.symbolTable = clippedPart(positionText, 0, 1);
    const std::string_view latLon = clippedPart(positionText, 1, 8);
    const double lat = 90 - base91Sum(latLon.substr(0, 4)) / 380926;
    const double lon = -180 + base91Sum(clippedPart(latLon, 4)) / 190463;
    // Eight base-91 characters; the largest of them reach a hair beyond the poles and the
    // date line, which is no position either.
    if (latLon.size() == 8 && std::all_of(latLon.begin(), latLon.end(), isBase91) && lat >= -90 && lon <= 180) {
        f.latField = fieldFromDegrees(lat, 2, 'N', 'S');
        f.lonField = fieldFromDegrees(lon, 3, 'E', 'W');
        f.lat = latitudeOf(f.latField);
        f.lon = longitudeOf(f.lonField);
        f.preciseLat = lat;
        f.preciseLon = lon;
    }
    f.symbolCode = clippedPart(positionText, 9, 1);
    const std::string_view cst = clippedPart(positionText, 10, 3);
    decodeCompressedExtension(cst, f, settings, extras);
    f.comment = trimBlanks(clippedPart(positionText, 13));
    if (!f.hasAltitude) takeCommentAltitude(f.comment, f);
    if (f.symbolCode != "_") return;
    // Some weather stations put their wind in the comment, as an uncompressed report does.
    if (!f.windDegrees && !f.windKmh && hasCourseSpeed(f.comment)) takeCourseSpeed(f, settings);
    decodeWeatherComment(f);
}

bool isOverlay(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'j'); }

// The fixed characters of the uncompressed layout: each field's point and hemisphere.
bool hasUncompressedShape(std::string_view positionText) {
    const char lat = upperAscii(charAt(positionText, 7)), lon = upperAscii(charAt(positionText, 17));
    return charAt(positionText, 4) == '.' && charAt(positionText, 14) == '.' && (lat == 'N' || lat == 'S') &&
           (lon == 'E' || lon == 'W');
}

// Uncompressed latitudes begin with a digit (or a blank for ambiguity); compressed
// reports begin with their symbol table. A text laid out as an uncompressed position is
// one, letters in its digits or not.
bool isCompressed(std::string_view positionText) {
    const char first = charAt(positionText, 0);
    if (first == '/' || first == '|') return true;
    if (first != '\\' && !isOverlay(first)) return false;
    if (positionText.size() < 13) return false;
    for (std::size_t i = 1; i <= 8; ++i)
        if (!isBase91(positionText[i])) return false;
    return !hasUncompressedShape(positionText);
}

// Hundredths of a minute at `at`; the blanks of an ambiguous position count as 0 ("5 " is 50).
int hundredthsAt(std::string_view field, std::size_t at) {
    int value = 0;
    for (std::size_t i = at; i < at + 2; ++i) {
        const char c = charAt(field, i);
        value = value * 10 + (isAsciiDigit(c) ? c - '0' : 0);
    }
    return value;
}

// `extra` hundredths of a minute refine the field's own (a DAO).
std::string latTextOf(std::string_view field, double extra) {
    std::string text;  // short enough to need no room of its own
    text += clippedPart(field, 0, 2);
    text += '\xB0';
    text += clippedPart(field, 2, 2);
    text += '\'';
    appendSecondsOfHundredths(text, hundredthsAt(field, 5) + extra);
    text += '"';
    if (!field.empty()) text += field.back();
    return text;
}

std::string lonTextOf(std::string_view field, const FieldValue& value, double extra) {
    std::string text;  // short enough to need no room of its own
    appendTrimmedNumericText(text, value.degrees);
    text += '\xB0';
    text += clippedPart(field, 3, 2);
    text += '\'';
    appendSecondsOfHundredths(text, hundredthsAt(field, 6) + extra);
    text += '"';
    if (!field.empty()) text += field.back();
    return text;
}

// Decimal degrees as the shown text reads back, the seconds of a refined position
// included.
double degreesOf(const FieldValue& v, double extra) {
    return dmsPartsToDegrees(v.degrees, v.minutes, secondsOfHundredthsAsRead(v.hundredths + extra), v.negative);
}

void writeWeatherLines(RecordWriter& record, const WeatherLines& w) {
    for (const std::string* line : weatherLinesInOrder(w)) record.line(*line);
}

// A coordinate field ("5158.75N", "00027.50W") of whole seconds from the equator or
// the prime meridian; a locator's centres fall on quarter minutes, which it writes exactly.
std::string fieldOfSeconds(int seconds, int degreeDigits, char positive, char negative) {
    const char hemisphere = seconds >= 0 ? positive : negative;
    if (seconds < 0) seconds = -seconds;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d%02d.%02d%c", degreeDigits, seconds / 3600, seconds / 60 % 60,
                  seconds % 60 * 100 / 60, hemisphere);
    return buf;
}


bool isDigitOrBlank(char c) { return isAsciiDigit(c) || c == ' '; }

// Why a coordinate field ("4903.50N") is none, naming its first part that is wrong.
std::string coordinateFault(std::string_view field, std::size_t degreeDigits, std::string_view name, char positive,
                            char negative, int maxDegrees) {
    std::string why(name);
    const std::string_view degrees = clippedPart(field, 0, degreeDigits), minutes = clippedPart(field, degreeDigits, 2),
                           hundredths = clippedPart(field, degreeDigits + 3, 2);
    const char hemisphere = upperAscii(charAt(field, degreeDigits + 5));
    auto part = [&](std::string_view label, std::string_view value) { return why.append(label).append(value); };
    if (!allDigits(degrees)) return part(" degrees ", degrees);
    if (minutes.size() != 2 || !isDigitOrBlank(minutes[0]) || !isDigitOrBlank(minutes[1])) return part(" minutes ", minutes);
    if (charAt(field, degreeDigits + 2) != '.') return part(" ", field);
    if (hundredths.size() != 2 || !isDigitOrBlank(hundredths[0]) || !isDigitOrBlank(hundredths[1]))
        return part(" hundredths ", hundredths);
    if (hemisphere != positive && hemisphere != negative) return part(" hemisphere ", clippedPart(field, degreeDigits + 5, 1));
    if (allDigits(minutes) && readNumber(minutes) >= 60) return part(" minutes ", minutes);
    if (readNumber(degrees) > maxDegrees) return part(" degrees ", degrees);
    return why + " beyond " + std::to_string(maxDegrees) + "\xB0";
}

// Text long enough to reach a symbol, not compressed, and without the points where an
// uncompressed latitude and longitude have theirs: the symbol and comment a fixed layout
// would read from it are no part of it. (A wrong letter alone leaves the layout standing.)
bool isGarbledPosition(std::string_view positionText) {
    return positionText.size() >= 19 && (charAt(positionText, 4) != '.' || charAt(positionText, 14) != '.') &&
           !isCompressed(positionText);
}

std::string garbledPositionFault(std::string_view info, bool timed, std::string_view positionText) {
    const std::string_view stamp = clippedPart(info, 1, 7);
    if (timed && !readTimestamp(stamp)) return "position: time stamp " + std::string(stamp);
    const std::string_view latField = clippedPart(positionText, 0, 8), lonField = clippedPart(positionText, 9, 9);
    if (!latitudeOf(latField)) return coordinateFault(latField, 2, "position: latitude", 'N', 'S', 90);
    if (!longitudeOf(lonField)) return coordinateFault(lonField, 3, "position: longitude", 'E', 'W', 180);
    return "position: layout";
}

// A report that only says why it is none: header, object or item, what else is certain.
void writeGarbledPosition(std::string_view header, std::string_view nameLine, const DecodeContext& ctx,
                          DecodedPacket& out) {
    if (!symbolRecordPasses(ctx.filter, 0)) return;
    RecordWriter record(out.record, "-------", ctx.now, header);
    record.line(nameLine);
    writeExtraLines(record, out.extras);
    record.finish();
    out.shown = true;
}

}  // namespace

std::size_t leadingPositionAt(std::string_view info) {
    constexpr std::size_t kLatest = 40;  // the "!" may be the 40th character at the latest
    for (std::size_t at = info.find('!'); at != std::string_view::npos && at < kLatest; at = info.find('!', at + 1)) {
        const std::string_view positionText = info.substr(at + 1);
        if (hasUncompressedShape(positionText) || (positionText.size() >= 13 && isCompressed(positionText))) return at;
    }
    return std::string_view::npos;
}

bool locatorCentre(std::string_view locator, std::string& latText, std::string& lonText) {
    if (locator.size() != 4 && locator.size() != 6) return false;
    const char field[2] = {upperAscii(locator[0]), upperAscii(locator[1])};
    if (field[0] < 'A' || field[0] > 'R' || field[1] < 'A' || field[1] > 'R') return false;
    if (!isAsciiDigit(locator[2]) || !isAsciiDigit(locator[3])) return false;
    // Seconds from the south pole and the date line to the square's south-west corner,
    // then half the square to its centre.
    int lat = (field[1] - 'A') * 36000 + (locator[3] - '0') * 3600;
    int lon = (field[0] - 'A') * 72000 + (locator[2] - '0') * 7200;
    if (locator.size() == 6) {
        const char sub[2] = {upperAscii(locator[4]), upperAscii(locator[5])};
        if (sub[0] < 'A' || sub[0] > 'X' || sub[1] < 'A' || sub[1] > 'X') return false;
        lat += (sub[1] - 'A') * 150 + 75;
        lon += (sub[0] - 'A') * 300 + 150;
    } else {
        lat += 1800;
        lon += 3600;
    }
    const std::string latField = fieldOfSeconds(lat - 90 * 3600, 2, 'N', 'S');
    const std::string lonField = fieldOfSeconds(lon - 180 * 3600, 3, 'E', 'W');
    const std::optional<FieldValue> lonValue = longitudeOf(lonField);
    if (!latitudeOf(latField) || !lonValue) return false;
    latText = latTextOf(latField, 0);
    lonText = lonTextOf(lonField, *lonValue, 0);
    return true;
}

void decodePositionReport(std::string_view header, std::string_view info, std::string_view nameLine,
                          const DecodeContext& ctx, DecodedPacket& out, std::string_view leadingText) {
    out.recognised = true;
    const char type = charAt(info, 0);
    const bool timed = type == '/' || type == '@';
    const std::string_view positionText = timed ? clippedPart(info, 8) : clippedPart(info, 1);
    PacketExtras& extras = out.extras;
    if (timed) {
        if (const auto time = readTimestamp(clippedPart(info, 1, 7))) extras.time = *time;
    }
    if (isGarbledPosition(positionText)) {
        extras.invalid = garbledPositionFault(info, timed, positionText);
        writeGarbledPosition(header, nameLine, ctx, out);
        return;
    }

    PositionFields f;
    if (isCompressed(positionText))
        decodeCompressed(positionText, f, ctx.settings, extras);
    else
        decodeUncompressed(positionText, f, ctx.settings, extras);
    readCommentExtras(f.comment, false, extras);

    const int symbolIndex = symbolIndexOf(f.symbolTable, f.symbolCode);
    const bool located = f.lat && f.lon;
    const double latExtra = f.dao ? f.dao->latHundredths : 0, lonExtra = f.dao ? f.dao->lonHundredths : 0;
    std::string latText, lonText;  // short enough to need no room of their own
    if (located) {
        latText = latTextOf(f.latField, latExtra);
        lonText = lonTextOf(f.lonField, *f.lon, lonExtra);
        setLastCoordinates(out.lastCoordinates, latText, lonText);
    }
    const bool shown = symbolRecordPasses(ctx.filter, symbolIndex);
    if (!shown && !ctx.wantStation) return;

    std::optional<Position> position;
    if (located) {
        position = locate(Coordinates{latText, lonText, degreesOf(*f.lat, latExtra), degreesOf(*f.lon, lonExtra)},
                          ctx.settings);
        position->preciseLat = f.preciseLat.value_or(position->latDegrees);
        position->preciseLon = f.preciseLon.value_or(position->lonDegrees);
    }
    std::string_view comment = trimBlanks(f.comment);
    // Text a TNC beacon put before the position is the comment too, first.
    std::string withLeading;
    if (!trimBlanks(leadingText).empty()) {
        withLeading = trimBlanks(leadingText);
        if (!comment.empty()) withLeading.append(1, ' ').append(comment);
        comment = withLeading;
    }
    if (ctx.wantStation) {
        setLocatedFacts(out.station, {f.symbolTable, f.symbolCode, position ? &*position : nullptr, f.hasMotion, f.kmh,
                                      f.course, f.hasAltitude ? std::optional<double>(f.altitudeM) : std::nullopt, comment});
    }
    if (!shown) return;

    RecordWriter record(out.record, "-------", ctx.now, header);
    const DecimalSpans spans = writePositionLines(record, position ? &*position : nullptr, nameLine);
    if (f.hasMotion) writeSpeedAndCourse(record, f.kmh, f.course);
    if (f.hasAltitude) {
        record.begin("altitude.: ") += f.kmlAltitude;
        record.text() += " m";
    }
    writeStationLine(record, f.symbolTable, f.symbolCode);
    writeWeatherLines(record, f.weather);
    record.labelled("message..: ", comment);
    finishLocatedRecord(record, extras, ctx, header, spans, position.has_value(), f.kmlAltitude, out);
}

}  // namespace quilmo
