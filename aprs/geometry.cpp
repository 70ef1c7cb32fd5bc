#include "aprs/geometry.h"

#include <algorithm>
#include <cmath>

#include "aprs/numeric.h"

namespace quilmo {

namespace {

constexpr char kDegreeSign = '\xB0';
// The constants the distances were always computed with.
constexpr double kPi = 3.14159265358979;
constexpr double kEarthRadiusKm = 6371.0090667;

// Numeric value of `count` characters starting at `start` (0-based); a part that
// does not exist counts 0.
double partValue(std::string_view text, std::size_t start, std::ptrdiff_t count) {
    if (count < 0 || start > text.size()) return 0;
    return readNumber(text.substr(start, static_cast<std::size_t>(count)));
}

std::ptrdiff_t position1(std::string_view text, char c) {
    std::size_t at = text.find(c);
    return at == std::string_view::npos ? 0 : static_cast<std::ptrdiff_t>(at) + 1;
}

}  // namespace

double dmsTextToDegrees(std::string_view text) {
    const std::ptrdiff_t p1 = position1(text, kDegreeSign);
    const std::ptrdiff_t p2 = position1(text, '\'');
    const std::ptrdiff_t p3 = position1(text, '"');

    const double degrees = partValue(text, 0, p1 - 1);
    const double minutes = partValue(text, static_cast<std::size_t>(p1), p2 - p1 - 1);
    const double seconds = partValue(text, static_cast<std::size_t>(p2), p3 - p2 - 1);

    // A plain loop: find_first_of searches the set once per character.
    bool negative = false;
    for (char c : text)
        if (c == 'S' || c == 's' || c == 'W' || c == 'w') negative = true;
    return dmsPartsToDegrees(degrees, minutes, seconds, negative);
}

double dmsPartsToDegrees(double degrees, double minutes, double seconds, bool negative) {
    const double result = degrees + minutes / 60 + seconds / 3600;
    return negative ? -result : result;
}

DistanceAzimuth computeDistanceAzimuth(double ownLongitude, double ownLatitude, double stationLongitude,
                                       double stationLatitude) {
    DistanceAzimuth out;
    const double k = kPi / 180;
    const double lat1 = k * ownLatitude;
    const double lon1 = k * ownLongitude;
    const double lat2 = k * stationLatitude;
    const double lon2 = k * stationLongitude;
    const double dLon = lon2 - lon1;

    // Rounding can push x a hair outside [-1, 1] for (nearly) coinciding points.
    double x = std::cos(lat1) * std::cos(lat2) * std::cos(dLon) + std::sin(lat1) * std::sin(lat2);
    x = std::clamp(x, -1.0, 1.0);
    const double exact = kEarthRadiusKm * std::acos(x);
    const double km = roundHalfEven(exact);
    if (std::isfinite(km)) {
        out.distanceKm = static_cast<std::int32_t>(km);
        out.km = exact;
    }

    // Initial great-circle bearing; atan2 also covers equal latitudes (due east or west).
    const double y = std::sin(dLon) * std::cos(lat2);
    const double xb = std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dLon);
    double bearing = std::atan2(y, xb) * 180 / kPi;
    if (!std::isfinite(bearing)) return out;
    if (bearing < 0) bearing += 360;
    int rounded = static_cast<int>(roundHalfEven(bearing));
    out.azimuthDeg = rounded >= 360 ? rounded - 360 : rounded;
    return out;
}

std::string compassSector(double degrees) { return std::string(compassSectorName(degrees)); }

std::string_view compassSectorName(double degrees) {
    // Bins are closed at their upper edge so the whole-degree results stay N 0..22,
    // NE 23..67 … and every value from 0 to 360 falls into exactly one of them.
    if (!(degrees >= 0 && degrees <= 360)) return {};
    static const char* const kNames[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    if (degrees <= 22.5 || degrees > 337.5) return "N";
    for (int i = 1; i < 8; ++i)
        if (degrees <= 22.5 + 45.0 * i) return kNames[i];
    return "N";
}

}  // namespace quilmo
