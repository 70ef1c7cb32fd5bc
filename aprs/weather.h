#pragma once
#include <array>
#include <optional>
#include <string>

namespace quilmo {

struct WeatherLines {
    std::string windLine, gustLine, temperatureLine, pressureLine, humidityLine, rainHourLine, rainDayLine,
        rain24hLine, snowLine, luminosityLine, rainRawLine;
};

// Reads the weather fields at the start of a weather station's comment into metric
// lines and removes every field it read (placeholders included) from `comment`. Wind
// given as "c220s004" at the start (degrees, mph) makes the wind line.
WeatherLines decodeWeather(std::string& comment);

// "wind.....: 220" + degree sign + "SW 7 km/h": direction with its sector, speed rounded;
// a station that sent only the direction gets that ("wind.....: 90" + degree sign + "E").
void setWindLine(WeatherLines& lines, std::optional<double> degrees, std::optional<double> kmh);

// The line of a weather field ("g" gust, "t" temperature, "b" pressure, "h" humidity,
// "P" rain since midnight …) from a value already in the record's unit, rounded.
void setWeatherLine(WeatherLines& lines, char letter, double metricValue);

// The lines in the order a record shows them, empty ones included.
std::array<const std::string*, 11> weatherLinesInOrder(const WeatherLines& lines);

}  // namespace quilmo
