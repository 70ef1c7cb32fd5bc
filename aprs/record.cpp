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
        const char digits[2] = {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
        out.append(digits, 2);
        return;
    }
    appendTrimmedNumericText(out, value);
}

void appendDate(std::string& out, const LocalTime& now, char separator = '-') {
    appendTrimmedNumericText(out, now.year);
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

// " " + date + " " + time + " ------" + CR LF, made again only when the minute changes:
// records come many to the minute.
std::string_view openingTime(const LocalTime& now) {
    thread_local LocalTime made{-1, -1, -1, -1, -1, -1};
    thread_local std::string text;
    if (now.year != made.year || now.month != made.month || now.day != made.day || now.hour != made.hour ||
        now.minute != made.minute || text.empty()) {
        made = now;
        text.clear();
        text.push_back(' ');
        appendDate(text, now);
        text.push_back(' ');
        appendClock(text, now, false);
        text += " ------";
        text += kCrLf;
    }
    return text;
}

// A station that hides its precise position sends blanks for the last digits ("4 " for
// 40 minutes); read as numbers they would shrink the value ("4 " reads 4), so they count as 0.
double degreesOfAmbiguous(std::string_view text) {
    if (text.find(' ') == std::string_view::npos) return dmsTextToDegrees(text);
    std::string digits(text);
    for (char& c : digits)
        if (c == ' ') c = '0';
    return dmsTextToDegrees(digits);
}

}  // namespace

std::string assembleRecord(std::string_view prefix, const LocalTime& now, std::string_view header,
                           std::initializer_list<std::string_view> lines) {
    // Room for the opening line with any year, so the record is allocated once.
    std::size_t size = prefix.size() + 40 + header.size() + 4;
    for (std::string_view line : lines) size += line.size() + 2;
    std::string out;
    out.reserve(size);
    out += prefix;
    out += openingTime(now);
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

    const double latDegrees = degreesOfAmbiguous(lat);
    const double lonDegrees = degreesOfAmbiguous(lon);
    appendTrimmedNumericText(texts.decLatText, latDegrees);
    appendTrimmedNumericText(texts.decLonText, lonDegrees);
    texts.decCoordLine = concat({"dec.coord: ", texts.decLatText, " ", texts.decLonText});

    if (settings.myPositionSet) {
        const DistanceAzimuth da =
            computeDistanceAzimuth(settings.myLongValue, settings.myLatValue, lonDegrees, latDegrees);
        texts.distanceLine.reserve(32);
        texts.distanceLine += "distance.:";
        appendNumericText(texts.distanceLine, da.distanceKm);
        texts.distanceLine += " km";
        texts.azimuthLine.reserve(32);
        texts.azimuthLine += "azimut...:";
        appendNumericText(texts.azimuthLine, da.azimuthDeg);
        texts.azimuthLine += "\xB0";
        texts.azimuthLine += compassSector(da.azimuthDeg);
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

std::string speedLine(double kmh) {
    std::string line;
    line.reserve(32);
    line += "speed....:";
    appendNumericText(line, kmh);
    line += " km/h";
    return line;
}

std::string courseLine(double degrees) {
    std::string line;
    line.reserve(32);
    line += "course...:";
    appendNumericText(line, degrees);
    line += "\xB0";
    line += compassSector(degrees);
    return line;
}

Placemark makePlacemark(const LocalTime& now, std::string_view shownHeader, const PositionTexts& position,
                        std::string_view altitudeText) {
    Placemark mark;
    mark.name.reserve(9 + shownHeader.size());
    appendClock(mark.name, now, true);
    mark.name.push_back(' ');
    mark.name += shownHeader;

    mark.when.reserve(24);
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
