#pragma once
#include <string>
#include <string_view>
#include <initializer_list>

#include "aprs/decoder.h"

namespace quilmo {

// Pieces every position-carrying branch shares (positions, MIC-E).

// The opening line: prefix ("-------" or "-MIC-E-") + " " + date + " " + time + " ------" + CR LF;
// then header; then CR LF + line for every non-empty line; then CR LF CR LF.
std::string assembleRecord(std::string_view prefix, const LocalTime& now, std::string_view header,
                           std::initializer_list<std::string_view> lines);

// Lines and texts made from a station's coordinate texts.
struct PositionTexts {
    std::string latLonLine;       // "lat./lon.: " + lat + " " + lon (each trimmed)
    std::string decLatText;       // trimmed numeric text of the decimal latitude
    std::string decLonText;
    std::string decCoordLine;     // "dec.coord: " + decLat + " " + decLon
    std::string distanceLine;     // empty without an own position
    std::string azimuthLine;
    std::string lastCoordinates;  // latText + " " + lonText
};
PositionTexts makePositionTexts(std::string_view latText, std::string_view lonText,
                                const DecoderSettings& settings);

// "station..: " + name for a primary-table symbol with a name, else empty.
// symbolIndex is the symbol's code for the primary table, else 0.
struct StationSymbol {
    int symbolIndex = 0;
    std::string stationLine;
};
StationSymbol lookUpStation(std::string_view symbolTable, std::string_view symbolCode);

// "speed....:" + numeric text + " km/h" and "course...:" + numeric text + 0xB0 + sector.
std::string speedLine(double kmh);
std::string courseLine(double degrees);

Placemark makePlacemark(const LocalTime& now, std::string_view shownHeader, const PositionTexts& position,
                        std::string_view altitudeText);

}  // namespace quilmo
