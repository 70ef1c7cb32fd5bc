#include "aprs/extensions.h"

#include <cmath>

#include "aprs/numeric.h"
#include "aprs/telemetry.h"
#include "aprs/text_util.h"

namespace quilmo {

namespace {

constexpr double kKmPerMile = 1.609344;
constexpr double kMetresPerFoot = 0.3048;

int twoDigits(std::string_view text, std::size_t at) {
    const char a = charAt(text, at), b = charAt(text, at + 1);
    if (!isAsciiDigit(a) || !isAsciiDigit(b)) return -1;
    return (a - '0') * 10 + (b - '0');
}

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

bool digitAt(std::string_view text, std::size_t at) { return isAsciiDigit(charAt(text, at)); }
int digitValue(std::string_view text, std::size_t at) { return charAt(text, at) - '0'; }

// Power, height, gain and directivity digits as PHG and DFS write them.
std::optional<StationPower> powerHeightGain(std::string_view four) {
    for (std::size_t i = 0; i < 4; ++i)
        if (!digitAt(four, i)) return std::nullopt;
    const int p = digitValue(four, 0), h = digitValue(four, 1), g = digitValue(four, 2), d = digitValue(four, 3);
    if (d > 8) return std::nullopt;
    StationPower out;
    out.powerW = p * p;
    out.heightM = static_cast<int>(roundHalfEven(10.0 * std::pow(2.0, h) * kMetresPerFoot));
    out.gainDb = g;
    out.directivity = d * 45;
    return out;
}


}  // namespace

std::optional<PacketTime> readTimestamp(std::string_view text) {
    if (text.size() < 7) return std::nullopt;
    const int a = twoDigits(text, 0), b = twoDigits(text, 2), c = twoDigits(text, 4);
    if (a < 0 || b < 0 || c < 0) return std::nullopt;
    PacketTime t;
    switch (text[6]) {
    case 'z':
    case '/':
        if (!inRange(a, 1, 31) || !inRange(b, 0, 23) || !inRange(c, 0, 59)) return std::nullopt;
        t.form = PacketTime::Form::DayTime;
        t.day = a;
        t.hour = b;
        t.minute = c;
        t.zone = text[6] == 'z' ? 'z' : 'l';
        return t;
    case 'h':
        if (!inRange(a, 0, 23) || !inRange(b, 0, 59) || !inRange(c, 0, 59)) return std::nullopt;
        t.form = PacketTime::Form::TimeOfDay;
        t.hour = a;
        t.minute = b;
        t.second = c;
        return t;
    default: return std::nullopt;
    }
}

std::optional<PacketTime> readMonthDayTime(std::string_view text) {
    const int month = twoDigits(text, 0), day = twoDigits(text, 2), hour = twoDigits(text, 4),
              minute = twoDigits(text, 6);
    if (!inRange(month, 1, 12) || !inRange(day, 1, 31) || !inRange(hour, 0, 23) || !inRange(minute, 0, 59))
        return std::nullopt;
    PacketTime t;
    t.form = PacketTime::Form::MonthDayTime;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    return t;
}

void readDataExtension(std::string_view comment, PacketExtras& extras) {
    const std::string_view kind = comment.substr(0, 3);
    const std::string_view value = clippedPart(comment, 3, 4);
    if (value.size() != 4) return;
    if (kind == "PHG") {
        extras.phg = powerHeightGain(value);
    } else if (kind == "DFS") {
        extras.dfs = powerHeightGain(value);
        if (extras.dfs) extras.dfs->powerW = digitValue(value, 0);  // strength in S units, not a power
    } else if (kind == "RNG") {
        for (std::size_t i = 0; i < 4; ++i)
            if (!digitAt(value, i)) return;
        extras.rangeKm = roundHalfEven(readNumber(value) * kKmPerMile);
    }
}

std::optional<double> compressedRangeKm(char s) {
    if (!isBase91(s)) return std::nullopt;
    return roundHalfEven(2 * std::pow(1.08, s - 33) * kKmPerMile);
}

std::optional<PositionRefinement> readDao(std::string_view comment) {
    if (comment.find('!') == std::string_view::npos) return std::nullopt;  // nearly every comment
    // Base-91 telemetry may hold what looks like a DAO; it is telemetry.
    const std::string_view telemetry = commentTelemetry(comment);
    const std::size_t telemetryAt = telemetry.empty() ? comment.size() : telemetry.data() - comment.data();
    for (std::size_t at = comment.find('!'); at != std::string_view::npos; at = comment.find('!', at + 1)) {
        if (at > telemetryAt && at < telemetryAt + telemetry.size()) continue;
        if (charAt(comment, at + 4) != '!') continue;
        const char kind = charAt(comment, at + 1), lat = charAt(comment, at + 2), lon = charAt(comment, at + 3);
        if (kind == 'W' && isAsciiDigit(lat) && isAsciiDigit(lon))
            return PositionRefinement{(lat - '0') / 10.0, (lon - '0') / 10.0};
        // Kept to a ten-thousandth of a minute, as precise as the 91 steps are.
        if (kind == 'w' && isBase91(lat) && isBase91(lon))
            return PositionRefinement{roundHalfEven((lat - 33) / 0.91) / 100, roundHalfEven((lon - 33) / 0.91) / 100};
    }
    return std::nullopt;
}

void readCommentExtras(std::string_view comment, bool withDataExtension, PacketExtras& extras) {
    if (withDataExtension) readDataExtension(comment, extras);
    if (comment.find('|') == std::string_view::npos) return;
    TelemetryReport report;
    if (readCommentTelemetry(comment, report)) extras.telemetry = std::move(report);
}

}  // namespace quilmo
