#pragma once
#include <string>

namespace quilmo {

struct WeatherLines {
    std::string gustLine, temperatureLine, pressureLine, humidityLine, rainHourLine, rainDayLine,
        rain24hLine;
};

// Reads the weather fields at the start of a weather station's comment into metric
// lines and removes every field it read (placeholders included) from `comment`.
WeatherLines decodeWeather(std::string& comment);

}  // namespace quilmo
