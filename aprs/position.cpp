#include "aprs/position.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

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
    std::string kmlAltitude = "0";
    WeatherLines weather;
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

void decodeUncompressed(std::string_view positionText, PositionFields& f, const DecoderSettings& settings) {
    f.latField = trimBlanks(clippedPart(positionText, 0, 8));
    f.symbolTable = clippedPart(positionText, 8, 1);
    f.lonField = trimBlanks(clippedPart(positionText, 9, 9));
    f.symbolCode = clippedPart(positionText, 18, 1);
    f.comment = clippedPart(positionText, 19);

    if (hasCourseSpeed(f.comment)) {
        const double kmh = roundHalfEven(readNumber(f.comment.substr(4, 3)) * kKmhPerKnot);
        const double course = readNumber(f.comment.substr(0, 3));
        setSpeedAndCourse(f, kmh, course, settings);
        f.comment.remove_prefix(7);
    }
    f.comment = trimBlanks(f.comment);
    if (f.symbolCode == "_") {
        f.weatherComment = f.comment;
        f.weather = decodeWeather(f.weatherComment);
        f.comment = f.weatherComment;
    }
}

int base91(char c) { return static_cast<unsigned char>(c) - 33; }
bool isBase91(char c) { return c >= '!' && c <= '{'; }

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
void decodeCompressedExtension(std::string_view cst, PositionFields& f, const DecoderSettings& settings) {
    if (cst.size() < 3) return;
    const char c = cst[0], s = cst[1], t = cst[2];
    if (c == ' ' || c == '{' || !isBase91(c) || !isBase91(s)) return;  // none, or radio range
    const bool fromGga = t >= '!' && ((base91(t) >> 3) & 3) == 2;
    if (fromGga) {
        const double feet = std::pow(1.002, base91(c) * 91 + base91(s));
        f.kmlAltitude = trimmedNumericText(roundHalfEven(feet * kMetresPerFoot));
        f.hasAltitude = true;
        return;
    }
    if (c > 'z') return;
    const double knots = std::pow(1.08, base91(s)) - 1;
    setSpeedAndCourse(f, roundHalfEven(knots * kKmhPerKnot), base91(c) * 4.0, settings);
}

void decodeCompressed(std::string_view positionText, PositionFields& f, const DecoderSettings& settings) {
    f.symbolTable = clippedPart(positionText, 0, 1);
    const double lat = 90 - base91Sum(clippedPart(positionText, 1, 4)) / 380926;
    const double lon = -180 + base91Sum(clippedPart(positionText, 5, 4)) / 190463;
    f.symbolCode = clippedPart(positionText, 9, 1);
    f.latField = fieldFromDegrees(lat, 2, 'N', 'S');
    f.lonField = fieldFromDegrees(lon, 3, 'E', 'W');
    const std::string_view cst = clippedPart(positionText, 10, 3);
    decodeCompressedExtension(cst, f, settings);
    f.comment = trimBlanks(clippedPart(positionText, 13));
}

bool isOverlay(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'j'); }

// Uncompressed latitudes begin with a digit (or a blank for ambiguity); compressed
// reports begin with their symbol table.
bool isCompressed(std::string_view positionText) {
    const char first = charAt(positionText, 0);
    if (first == '/' || first == '|') return true;
    if (first != '\\' && !isOverlay(first)) return false;
    if (positionText.size() < 13) return false;
    for (std::size_t i = 1; i <= 8; ++i)
        if (!isBase91(positionText[i])) return false;
    return true;
}

std::string latTextOf(std::string_view field) {
    std::string text;  // short enough to need no room of its own
    text += clippedPart(field, 0, 2);
    text += '\xB0';
    text += clippedPart(field, 2, 2);
    text += '\'';
    appendSecondsOfHundredths(text, readNumber(clippedPart(field, 5, 2)));
    text += '"';
    if (!field.empty()) text += field.back();
    return text;
}

std::string lonTextOf(std::string_view field) {
    std::string text;  // short enough to need no room of its own
    appendTrimmedNumericText(text, readNumber(clippedPart(field, 0, 3)));
    text += '\xB0';
    text += clippedPart(field, 3, 2);
    text += '\'';
    appendSecondsOfHundredths(text, readNumber(clippedPart(field, 6, 2)));
    text += '"';
    if (!field.empty()) text += field.back();
    return text;
}

int digitValue(char c) { return c - '0'; }

// Decimal degrees of a plain field (degree digits, two minute digits, ".", two hundredths
// digits, hemisphere letter) straight from its digits; the numbers are those the shown text
// reads back as, so the result equals reading that text. Any other field: nothing.
std::optional<double> degreesOfPlainField(std::string_view field, std::size_t degreeDigits) {
    if (field.size() != degreeDigits + 6 || field[degreeDigits + 2] != '.') return std::nullopt;
    const char hemisphere = field.back();
    if (!((hemisphere >= 'A' && hemisphere <= 'Z') || (hemisphere >= 'a' && hemisphere <= 'z'))) return std::nullopt;
    int degrees = 0;
    for (std::size_t i = 0; i < degreeDigits; ++i) {
        if (!isAsciiDigit(field[i])) return std::nullopt;
        degrees = degrees * 10 + digitValue(field[i]);
    }
    const std::string_view minutes = field.substr(degreeDigits, 2);
    const std::string_view hundredths = field.substr(degreeDigits + 3, 2);
    for (char c : {minutes[0], minutes[1], hundredths[0], hundredths[1]})
        if (!isAsciiDigit(c)) return std::nullopt;
    const bool negative = hemisphere == 'S' || hemisphere == 's' || hemisphere == 'W' || hemisphere == 'w';
    return dmsPartsToDegrees(degrees, digitValue(minutes[0]) * 10 + digitValue(minutes[1]),
                             secondsOfHundredthsAsRead(digitValue(hundredths[0]) * 10 + digitValue(hundredths[1])),
                             negative);
}

void writeWeatherLines(RecordWriter& record, const WeatherLines& w) {
    for (const std::string* line : {&w.gustLine, &w.temperatureLine, &w.pressureLine, &w.humidityLine,
                                    &w.rainHourLine, &w.rainDayLine, &w.rain24hLine})
        record.line(*line);
}

}  // namespace

void decodePositionReport(std::string_view header, std::string_view info, std::string_view nameLine,
                          const DecodeContext& ctx, DecodedPacket& out) {
    out.recognised = true;
    const char type = charAt(info, 0);
    const std::string_view positionText =
        (type == '/' || type == '@') ? clippedPart(info, 8) : clippedPart(info, 1);

    PositionFields f;
    if (isCompressed(positionText))
        decodeCompressed(positionText, f, ctx.settings);
    else
        decodeUncompressed(positionText, f, ctx.settings);

    const int symbolIndex = symbolIndexOf(f.symbolTable, f.symbolCode);
    const std::string latText = latTextOf(f.latField);
    const std::string lonText = lonTextOf(f.lonField);
    setLastCoordinates(out.lastCoordinates, latText, lonText);
    if (!symbolRecordPasses(ctx.filter, symbolIndex)) return;

    RecordWriter record(out.record, "-------", ctx.now, header);
    const Coordinates coordinates{latText, lonText, degreesOfPlainField(f.latField, 2),
                                  degreesOfPlainField(f.lonField, 3)};
    const DecimalSpans spans = writePositionLines(record, coordinates, nameLine, ctx.settings);
    if (f.hasMotion) writeSpeedAndCourse(record, f.kmh, f.course);
    if (f.hasAltitude) {
        record.begin("altitude.: ") += f.kmlAltitude;
        record.text() += " m";
    }
    writeStationLine(record, symbolIndex);
    writeWeatherLines(record, f.weather);
    record.labelled("message..: ", trimBlanks(f.comment));
    record.finish();
    out.shown = true;
    if (ctx.wantPlacemark) {
        if (!out.placemark) out.placemark.emplace();
        makePlacemark(*out.placemark, ctx.now, header, out.record, spans, f.kmlAltitude);
    }
}

}  // namespace quilmo
