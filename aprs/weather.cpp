#include "aprs/weather.h"

#include <string_view>

#include "aprs/geometry.h"
#include "aprs/numeric.h"
#include "aprs/text_util.h"

namespace quilmo {

namespace {

constexpr double kKmhPerMph = 1.609344;
constexpr double kMmPerHundredthInch = 0.254;

struct WeatherField {
    char letter;
    std::size_t width;
    bool allowsMinus;
    double (*convert)(double value, std::string_view field);
    std::string WeatherLines::*line;
    const char* label;
    const char* unit;
};

double gustKmh(double mph, std::string_view) { return roundHalfEven(mph * kKmhPerMph); }
double celsius(double fahrenheit, std::string_view) { return roundHalfEven((fahrenheit - 32) / 1.8); }
double millibar(double tenths, std::string_view) { return roundHalfEven(tenths / 10); }
// Two digits cannot hold 100 %, so stations send "00" for it.
double humidity(double percent, std::string_view field) { return field == "00" ? 100 : percent; }
double rainMm(double hundredths, std::string_view) { return roundHalfEven(hundredths * kMmPerHundredthInch); }
double snowCm(double inches, std::string_view) { return roundHalfEven(inches * 2.54); }
double asSent(double value, std::string_view) { return value; }
double aboveThousand(double value, std::string_view) { return value + 1000; }

const WeatherField kFields[] = {
    {'g', 3, false, gustKmh, &WeatherLines::gustLine, "gust.....: ", " km/h"},
    {'t', 3, true, celsius, &WeatherLines::temperatureLine, "temperat.: ", "\xB0" "C"},
    {'b', 5, false, millibar, &WeatherLines::pressureLine, "pressure.: ", " mbar"},
    {'h', 2, false, humidity, &WeatherLines::humidityLine, "humidity.: ", " %"},
    {'r', 3, false, rainMm, &WeatherLines::rainHourLine, "rain hour: ", " mm"},
    {'P', 3, false, rainMm, &WeatherLines::rainDayLine, "rain day.: ", " mm"},
    {'p', 3, false, rainMm, &WeatherLines::rain24hLine, "rain 24h.: ", " mm"},
    {'s', 3, false, snowCm, &WeatherLines::snowLine, "snow 24h.: ", " cm"},
    {'L', 3, false, asSent, &WeatherLines::luminosityLine, "luminos..: ", " W/m\xB2"},
    {'l', 3, false, aboveThousand, &WeatherLines::luminosityLine, "luminos..: ", " W/m\xB2"},
    {'#', 3, false, asSent, &WeatherLines::rainRawLine, "rain raw.: ", ""},
};

bool isThreeDigits(std::string_view text) {
    return text.size() == 3 && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool isWindValue(char c) { return isAsciiDigit(c) || c == ' ' || c == '.'; }

// "c220s004" at the start: wind direction in degrees and speed in mph. The fields come
// off the comment; an "s" after them is snowfall.
void takeLeadingWind(std::string& comment, WeatherLines& lines) {
    if (comment.size() < 8 || comment[0] != 'c' || comment[4] != 's') return;
    for (const std::size_t i : {1, 2, 3, 5, 6, 7})
        if (!isWindValue(comment[i])) return;
    const std::string_view direction = std::string_view(comment).substr(1, 3);
    const std::string_view speed = std::string_view(comment).substr(5, 3);
    std::optional<double> degrees, kmh;
    if (isThreeDigits(direction)) degrees = readNumber(direction);
    if (isThreeDigits(speed)) kmh = roundHalfEven(readNumber(speed) * kKmhPerMph);
    setWindLine(lines, degrees, kmh);
    comment.erase(0, 8);
}

bool allowedIn(const WeatherField& field, char c) {
    return isAsciiDigit(c) || c == ' ' || c == '.' || (field.allowsMinus && c == '-');
}

bool isPlaceholder(std::string_view value) {
    return value.find_first_not_of(' ') == std::string_view::npos ||
           value.find_first_not_of('.') == std::string_view::npos;
}

// Every non-overlapping occurrence of `pattern`, left to right, as a text replace does.
void removeAll(std::string& text, std::string_view pattern) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, from)) {
        out.append(text, from, at - from);
        from = at + pattern.size();
    }
    if (from == 0) return;
    out.append(text, from, std::string::npos);
    text = std::move(out);
}

// Weather data come first in the comment as letter + value groups; free text such as
// "ESP8266" after them must not be read as a rain field.
std::size_t weatherDataEnd(std::string_view comment) {
    auto isValue = [](char c) { return isAsciiDigit(c) || c == ' ' || c == '.' || c == '-'; };
    auto isFieldLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '#'; };
    std::size_t i = 0;
    while (i + 1 < comment.size() && isFieldLetter(comment[i]) && isValue(comment[i + 1])) {
        i += 2;
        while (i < comment.size() && isValue(comment[i])) ++i;
    }
    return i;
}

}  // namespace

void setWindLine(WeatherLines& lines, std::optional<double> degrees, std::optional<double> kmh) {
    std::string& line = lines.windLine;
    line.clear();
    if (!degrees) return;  // a speed alone has always made no line
    line = "wind.....: ";
    appendTrimmedNumericText(line, *degrees);
    line += "\xB0";
    line += compassSectorName(*degrees);
    if (kmh) {
        line.push_back(' ');
        appendTrimmedNumericText(line, *kmh);
        line += " km/h";
    }
}

void setWeatherLine(WeatherLines& lines, char letter, double metricValue) {
    for (const WeatherField& field : kFields) {
        if (field.letter != letter) continue;
        std::string& line = lines.*field.line;
        line = field.label;
        appendTrimmedNumericText(line, roundHalfEven(metricValue));
        line += field.unit;
        return;
    }
}

std::array<const std::string*, 11> weatherLinesInOrder(const WeatherLines& w) {
    return {&w.windLine,    &w.gustLine,    &w.temperatureLine, &w.pressureLine,   &w.humidityLine, &w.rainHourLine,
            &w.rainDayLine, &w.rain24hLine, &w.snowLine,        &w.luminosityLine, &w.rainRawLine};
}

WeatherLines decodeWeather(std::string& fullComment) {
    WeatherLines lines;
    takeLeadingWind(fullComment, lines);
    const std::size_t dataEnd = weatherDataEnd(fullComment);
    std::string comment = fullComment.substr(0, dataEnd);
    const std::string text = fullComment.substr(dataEnd);
    for (const WeatherField& field : kFields) {
        const std::size_t at = comment.find(field.letter);
        if (at == std::string::npos) continue;
        std::string value;
        for (std::size_t i = at + 1; i < comment.size() && value.size() < field.width; ++i) {
            if (!allowedIn(field, comment[i])) break;
            value.push_back(comment[i]);
        }
        if (value.size() != field.width) continue;  // a short field stays in the comment
        char pattern[8] = {field.letter};
        value.copy(pattern + 1, field.width);
        removeAll(comment, std::string_view(pattern, field.width + 1));
        if (isPlaceholder(value)) continue;
        const double result = field.convert(readNumber(value), value);
        lines.*field.line = field.label + trimmedNumericText(result) + field.unit;
    }
    fullComment = comment + text;
    return lines;
}

}  // namespace quilmo
