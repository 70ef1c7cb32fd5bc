#include "aprs/nmea.h"

#include <array>
#include <optional>
#include <string>

#include "aprs/filter_flags.h"
#include "aprs/geometry.h"
#include "aprs/numeric.h"
#include "aprs/record.h"
#include "aprs/text_util.h"

namespace quilmo {

namespace {

constexpr double kKmhPerKnot = 1.852;
constexpr std::size_t kMostFields = 16;

enum class Sentence { None, Rmc, Gga, Gll };

Sentence sentenceOf(std::string_view info) {
    if (info.size() < 6 || info[0] != '$' || info[1] != 'G' || (info[2] != 'P' && info[2] != 'N')) return Sentence::None;
    const std::string_view type = info.substr(3, 3);
    if (type == "RMC") return Sentence::Rmc;
    if (type == "GGA") return Sentence::Gga;
    if (type == "GLL") return Sentence::Gll;
    return Sentence::None;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The sentence without "$" and checksum; nothing when a checksum is there and does not match.
std::optional<std::string_view> checkedBody(std::string_view info) {
    const std::size_t star = info.find('*');
    if (star == std::string_view::npos) return info.substr(1);
    const int high = hexDigit(charAt(info, star + 1)), low = hexDigit(charAt(info, star + 2));
    if (high < 0 || low < 0) return std::nullopt;
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(info[i]);
    if (sum != static_cast<unsigned>(high * 16 + low)) return std::nullopt;
    return info.substr(1, star - 1);
}

struct Coordinate {
    std::string text;  // in the records' coordinate form
    double degrees = 0;
};

// "4916.45" and "N": degrees, whole minutes and their fraction as the receiver gives them.
std::optional<Coordinate> coordinateOf(std::string_view value, std::string_view hemisphere, std::size_t degreeDigits,
                                       int maxDegrees, char positive, char negative) {
    if (hemisphere.size() != 1 || (hemisphere[0] != positive && hemisphere[0] != negative)) return std::nullopt;
    const std::size_t point = value.find('.');
    const std::size_t whole = point == std::string_view::npos ? value.size() : point;
    if (whole != degreeDigits + 2) return std::nullopt;
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : value.substr(point + 1);
    if (fraction.size() > 8) return std::nullopt;
    for (const char c : value.substr(0, whole))
        if (!isAsciiDigit(c)) return std::nullopt;
    double fractionValue = 0, scale = 1;
    for (const char c : fraction) {
        if (!isAsciiDigit(c)) return std::nullopt;
        fractionValue = fractionValue * 10 + (c - '0');
        scale *= 10;
    }
    int degrees = 0;
    for (std::size_t i = 0; i < degreeDigits; ++i) degrees = degrees * 10 + (value[i] - '0');
    const int minutes = (value[degreeDigits] - '0') * 10 + (value[degreeDigits + 1] - '0');
    if (minutes >= 60 || degrees * 60 + minutes + fractionValue / scale > maxDegrees * 60.0) return std::nullopt;
    Coordinate out;
    if (degreeDigits == 2)
        out.text += value.substr(0, 2);
    else
        appendTrimmedNumericText(out.text, degrees);
    out.text += '\xB0';
    out.text += value.substr(degreeDigits, 2);
    out.text += '\'';
    appendTrimmedNumericText(out.text, fractionValue * 60 / scale);
    out.text += '"';
    out.text += hemisphere;
    const std::size_t quote = out.text.rfind('\'');
    const double seconds = readNumber(std::string_view(out.text).substr(quote + 1));
    out.degrees = dmsPartsToDegrees(degrees, minutes, seconds, hemisphere[0] == negative);
    return out;
}

struct Fix {
    Coordinate lat, lon;
    std::optional<double> knots, course, altitudeM;
};

std::optional<Fix> fixOf(Sentence sentence, const std::array<std::string_view, kMostFields>& f) {
    // Where latitude and longitude stand, and what says the receiver had a fix.
    const std::size_t at = sentence == Sentence::Rmc ? 3 : sentence == Sentence::Gga ? 2 : 1;
    if (sentence == Sentence::Rmc && f[2] != "A") return std::nullopt;
    if (sentence == Sentence::Gga && (f[6].empty() || f[6] == "0")) return std::nullopt;
    if (sentence == Sentence::Gll && !f[6].empty() && f[6][0] != 'A') return std::nullopt;
    const auto lat = coordinateOf(f[at], f[at + 1], 2, 90, 'N', 'S');
    const auto lon = coordinateOf(f[at + 2], f[at + 3], 3, 180, 'E', 'W');
    if (!lat || !lon) return std::nullopt;
    Fix fix{*lat, *lon, {}, {}, {}};
    if (sentence == Sentence::Rmc && !f[7].empty() && !f[8].empty()) {
        fix.knots = readNumber(f[7]);
        fix.course = readNumber(f[8]);
    }
    if (sentence == Sentence::Gga && !f[9].empty() && f[10] == "M") fix.altitudeM = roundHalfEven(readNumber(f[9]));
    return fix;
}

// "145526" or "145526.00": the UTC time of the fix; a fraction of a second is not shown.
std::optional<PacketTime> fixTime(std::string_view field) {
    if (field.size() < 6 || (field.size() > 6 && field[6] != '.')) return std::nullopt;
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        const char a = field[2 * i], b = field[2 * i + 1];
        if (!isAsciiDigit(a) || !isAsciiDigit(b)) return std::nullopt;
        parts[i] = (a - '0') * 10 + (b - '0');
    }
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    PacketTime t;
    t.form = PacketTime::Form::TimeOfDay;
    t.hour = parts[0];
    t.minute = parts[1];
    t.second = parts[2];
    return t;
}

}  // namespace

bool isNmeaPosition(std::string_view info) { return sentenceOf(info) != Sentence::None; }

void decodeNmea(std::string_view header, std::string_view info, const DecodeContext& ctx, DecodedPacket& out) {
    const Sentence sentence = sentenceOf(info);
    const std::optional<std::string_view> body = checkedBody(info);
    if (sentence == Sentence::None || !body) return;
    std::array<std::string_view, kMostFields> fields{};
    std::size_t n = 0;
    for (std::size_t from = 0; n < kMostFields && from <= body->size(); ++n) {
        const std::size_t comma = body->find(',', from);
        fields[n] = body->substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from);
        from = comma == std::string_view::npos ? body->size() + 1 : comma + 1;
    }
    const std::optional<Fix> fix = fixOf(sentence, fields);
    if (!fix) return;
    out.recognised = true;
    if (const auto time = fixTime(fields[sentence == Sentence::Gll ? 5 : 1])) out.extras.time = *time;
    setLastCoordinates(out.lastCoordinates, fix->lat.text, fix->lon.text);
    const Position position =
        locate(Coordinates{fix->lat.text, fix->lon.text, fix->lat.degrees, fix->lon.degrees}, ctx.settings);
    const double kmh = fix->knots ? roundHalfEven(*fix->knots * kKmhPerKnot) : 0;
    const bool motion = fix->knots && (kmh != 0 || ctx.settings.speedZero != 0);
    std::string altitude = "0";
    if (fix->altitudeM) altitude = trimmedNumericText(*fix->altitudeM);
    if (ctx.wantStation) {
        setPositionFacts(out.station, position);
        if (motion) setMotionFacts(out.station, kmh, *fix->course);
        out.station.altitudeM = fix->altitudeM;
    }
    // A sentence names no symbol: the filter sees it as an unnamed one.
    if (!symbolRecordPasses(ctx.filter, 0)) return;

    RecordWriter record(out.record, "-------", ctx.now, header);
    const DecimalSpans spans = writePositionLines(record, &position, {});
    if (motion) writeSpeedAndCourse(record, kmh, *fix->course);
    if (fix->altitudeM) {
        record.begin("altitude.: ") += altitude;
        record.text() += " m";
    }
    writeExtraLines(record, out.extras);
    record.finish();
    out.shown = true;
    if (ctx.wantPlacemark) {
        if (!out.placemark) out.placemark.emplace();
        makePlacemark(*out.placemark, ctx.now, header, out.record, spans, altitude);
    }
}

}  // namespace quilmo
