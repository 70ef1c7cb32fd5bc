#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace quilmo {

// Coordinate text (degrees, 0xB0, minutes, "'", seconds, '"', hemisphere) to signed
// decimal degrees; never fails (an unreadable part counts 0).
double dmsTextToDegrees(std::string_view text);
// The arithmetic dmsTextToDegrees does on the numbers it read, for callers that have the
// numbers already: the same operations in the same order give the same bits.
double dmsPartsToDegrees(double degrees, double minutes, double seconds, bool negative);

struct DistanceAzimuth {
    std::int32_t distanceKm = 0;
    double km = 0;  // the distance before rounding
    int azimuthDeg = 0;  // 0..359
};
// Great-circle distance and initial bearing from the own position to the station.
DistanceAzimuth computeDistanceAzimuth(double ownLongitude, double ownLatitude, double stationLongitude,
                                       double stationLatitude);

// "N", "NE", … "NW" for a direction in degrees; empty when no sector holds it.
std::string compassSector(double degrees);
// The same without a string of its own.
std::string_view compassSectorName(double degrees);

}  // namespace quilmo
