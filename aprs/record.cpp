#include "aprs/record.h"

#include <initializer_list>

#include "aprs/geometry.h"
#include "aprs/numeric.h"
#include "aprs/symbols.h"

namespace quilmo {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// One allocation per line instead of one per "+".
std::string concat(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (std::string_view part : parts) size += part.size();
    std::string out;
    out.reserve(size);
    for (std::string_view part : parts) out += part;
    return out;
}

void appendTwoDigits(std::string& out, int value) {
    if (value >= 0 && value < 100) {
        out.push_back(static_cast<char>('0' + value / 10));
        out.push_back(static_cast<char>('0' + value % 10));
        return;
    }
    out += std::to_string(value);
}

void appendDate(std::string& out, const LocalTime& now, char separator = '-') {
    out += std::to_string(now.year);
    out.push_back(separator);
    appendTwoDigits(out, now.month);
    out.push_back(separator);
    appendTwoDigits(out, now.day);
}

void appendClock(std::string& out, const LocalTime& now, bool seconds) {
    appendTwoDigits(out, now.hour);
    out.push_back(':');
    appendTwoDigits(out, now.minute);
    if (seconds) {
        out.push_back(':');
        appendTwoDigits(out, now.second);
    }
}

}  // namespace

std::string openingLine(std::string_view prefix, const LocalTime& now) {
    std::string out;
    out.reserve(40);
    out += prefix;
    out.push_back(' ');
    appendDate(out, now);
    out.push_back(' ');
    appendClock(out, now, false);
    out += " ------";
    out += kCrLf;
    return out;
}

std::string assembleRecord(std::string_view opening, std::string_view header,
                           const std::vector<std::string_view>& lines) {
    std::size_t size = opening.size() + header.size() + 4;
    for (std::string_view line : lines) size += line.size() + 2;
    std::string out;
    out.reserve(size);
    out += opening;
    out += header;
    for (std::string_view line : lines) {
        if (line.empty()) continue;
        out += kCrLf;
        out += line;
    }
    out += kCrLf;
    out += kCrLf;
    return out;
}

PositionTexts makePositionTexts(std::string_view latText, std::string_view lonText,
                                const DecoderSettings& settings) {
    PositionTexts texts;
    const std::string_view lat = trimBlanks(latText);
    const std::string_view lon = trimBlanks(lonText);
    texts.latLonLine.reserve(11 + lat.size() + 1 + lon.size());
    texts.latLonLine += "lat./lon.: ";
    texts.latLonLine += lat;
    texts.latLonLine.push_back(' ');
    texts.latLonLine += lon;

    const double latDegrees = dmsTextToDegrees(latText);
    const double lonDegrees = dmsTextToDegrees(lonText);
    texts.decLatText = trimmedNumericText(latDegrees);
    texts.decLonText = trimmedNumericText(lonDegrees);
    texts.decCoordLine = concat({"dec.coord: ", texts.decLatText, " ", texts.decLonText});

    if (settings.myPositionSet) {
        const DistanceAzimuth da =
            computeDistanceAzimuth(settings.myLongValue, settings.myLatValue, lonDegrees, latDegrees);
        texts.distanceLine = concat({"distance.:", numericText(da.distanceKm), " km"});
        texts.azimuthLine = concat({"azimut...:", numericText(da.azimuthDeg), "\xB0", compassSector(da.azimuthDeg)});
    }

    texts.lastCoordinates.reserve(latText.size() + 1 + lonText.size());
    texts.lastCoordinates += latText;
    texts.lastCoordinates.push_back(' ');
    texts.lastCoordinates += lonText;
    return texts;
}

StationSymbol lookUpStation(std::string_view symbolTable, std::string_view symbolCode) {
    StationSymbol station;
    if (symbolTable != "/" || symbolCode.empty()) return station;
    station.symbolIndex = static_cast<unsigned char>(symbolCode.front());
    const std::string& name = symbolNames()[static_cast<std::size_t>(station.symbolIndex)];
    if (!name.empty()) station.stationLine = concat({"station..: ", name});
    return station;
}

std::string speedLine(double kmh) { return concat({"speed....:", numericText(kmh), " km/h"}); }

std::string courseLine(double degrees) {
    return concat({"course...:", numericText(degrees), "\xB0", compassSector(degrees)});
}

Placemark makePlacemark(const LocalTime& now, std::string_view shownHeader, const PositionTexts& position,
                        std::string_view altitudeText) {
    Placemark mark;
    appendClock(mark.name, now, true);
    mark.name.push_back(' ');
    mark.name += shownHeader;

    appendDate(mark.when, now);
    mark.when.push_back('T');
    appendClock(mark.when, now, true);

    mark.coordinates.reserve(position.decLonText.size() + position.decLatText.size() + altitudeText.size() + 2);
    mark.coordinates += position.decLonText;
    mark.coordinates.push_back(',');
    mark.coordinates += position.decLatText;
    mark.coordinates.push_back(',');
    mark.coordinates += altitudeText;
    return mark;
}

}  // namespace quilmo
