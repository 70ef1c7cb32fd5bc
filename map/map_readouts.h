#pragma once
#include <string>

#include "map/web_mercator.h"

namespace quilmo {

// The Maidenhead locator of a point: field, square and subsquare ("JN54ql"), fields and
// squares upper case, subsquares lower case. Latitudes and longitudes beyond the poles and
// 180 degrees land on the last square.
std::string maidenheadLocator(GeoPoint point);

// Ground metres per screen pixel at a latitude, at a zoom of the Web Mercator map.
double metresPerPixel(double latitude, double zoom);

// A scale bar: a round length (1, 2 or 5 times a power of ten metres) and how many pixels
// it takes, the longest that fits in `mostPixels`. Zero metres when none fits.
struct ScaleBar {
    double metres = 0;
    double pixels = 0;
};
ScaleBar scaleBarFor(double metresPerPixel, double mostPixels);
// "500 m", "2 km", "1000 km".
std::string scaleBarText(double metres);

// How long ago something happened, as a person says it: "40 s ago", "3 min ago",
// "2 h ago", "1 day ago"; "just now" for a moment in the future (a clock put back).
std::string agoText(long long seconds);

}  // namespace quilmo
