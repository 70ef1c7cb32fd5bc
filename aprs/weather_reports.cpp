#include "aprs/weather_reports.h"

#include <optional>
#include <string>

#include "aprs/extensions.h"
#include "aprs/filter_flags.h"
#include "aprs/numeric.h"
#include "aprs/record.h"
#include "aprs/text_util.h"
#include "aprs/weather.h"

namespace quilmo {

namespace {

constexpr int kWeatherSymbol = '_';  // the filter's "Weather station"
constexpr double kMmPerHundredthInch = 0.254;

bool isDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool isPositionless(std::string_view info) { return info.size() >= 9 && info[0] == '_' && isDigits(info.substr(1, 8)); }

// The Ultimeter's fields: four hex digits each, "----" where the station has no value.
class UltimeterFields {
public:
    explicit UltimeterFields(std::string_view hex) : hex_(hex) {}
    std::optional<int> at(std::size_t index, bool isSigned = false) const {
        const std::string_view field = clippedPart(hex_, index * 4, 4);
        if (field.size() != 4) return std::nullopt;
        int value = 0;
        for (const char c : field) {
            const int digit = c >= '0' && c <= '9' ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0) return std::nullopt;
            value = value * 16 + digit;
        }
        return isSigned && value >= 0x8000 ? value - 0x10000 : value;
    }

private:
    std::string_view hex_;
};

double celsiusOfTenthsF(int tenths) { return (tenths / 10.0 - 32) / 1.8; }
double degreesOfByte(int value) { return roundHalfEven(value * 360.0 / 256); }

// Field order of the two Ultimeter reports: the wind and the day's rain have other places.
struct UltimeterLayout {
    std::size_t windKmh, direction, temperature, pressure, humidity, rainToday;
    std::optional<std::size_t> gustKmh;
};
constexpr UltimeterLayout kPacketMode{12, 1, 2, 4, 8, 11, 0};  // "$ULTW"
constexpr UltimeterLayout kLoggingMode{0, 1, 2, 4, 6, 10, std::nullopt};  // "!!"

WeatherLines ultimeterLines(std::string_view hex, const UltimeterLayout& layout) {
    const UltimeterFields f(hex);
    WeatherLines lines;
    const auto speed = f.at(layout.windKmh), direction = f.at(layout.direction);
    // A report cut short before its wind speed still gives the direction it holds.
    setWindLine(lines, direction ? std::optional<double>(degreesOfByte(*direction)) : std::nullopt,
                speed ? std::optional<double>(roundHalfEven(*speed / 10.0)) : std::nullopt);
    if (layout.gustKmh) {
        if (const auto gust = f.at(*layout.gustKmh)) setWeatherLine(lines, 'g', *gust / 10.0);
    }
    if (const auto t = f.at(layout.temperature, true)) setWeatherLine(lines, 't', celsiusOfTenthsF(*t));
    if (const auto b = f.at(layout.pressure)) setWeatherLine(lines, 'b', *b / 10.0);
    if (const auto h = f.at(layout.humidity)) setWeatherLine(lines, 'h', *h / 10.0);
    if (const auto r = f.at(layout.rainToday)) setWeatherLine(lines, 'P', *r * kMmPerHundredthInch);
    return lines;
}

}  // namespace

bool isWeatherReport(std::string_view info) {
    return isPositionless(info) || info.starts_with("$ULTW") || info.starts_with("!!");
}

void decodeWeatherReport(std::string_view header, std::string_view info, const DecodeContext& ctx, DecodedPacket& out) {
    WeatherLines lines;
    std::string comment;
    PacketExtras& extras = out.extras;
    if (isPositionless(info)) {
        if (const auto time = readMonthDayTime(info.substr(1, 8))) extras.time = *time;
        comment = trimBlanks(info.substr(9));
        lines = decodeWeather(comment);
    } else if (info.starts_with("$ULTW")) {
        lines = ultimeterLines(info.substr(5), kPacketMode);
    } else if (info.starts_with("!!")) {
        lines = ultimeterLines(info.substr(2), kLoggingMode);
    } else {
        return;
    }
    out.recognised = true;
    const std::string_view text = trimBlanks(comment);
    if (ctx.wantStation) out.station.lastText = text;
    if (!symbolRecordPasses(ctx.filter, kWeatherSymbol)) return;

    RecordWriter record(out.record, "-------", ctx.now, header);
    for (const std::string* line : weatherLinesInOrder(lines)) record.line(*line);
    record.labelled("message..: ", text);
    writeExtraLines(record, extras);
    record.finish();
    out.shown = true;
}

}  // namespace quilmo
