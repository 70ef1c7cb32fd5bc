#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo {

// Where the square Web Mercator world ends, north and south: atan(sinh(pi)) in degrees.
constexpr double kMercatorMaxLatitude = 85.0511287798066;

struct GeoPoint {
    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive
};

// A point of the Web Mercator world as a unit square: x from 0 at 180 W to 1 at 180 E,
// y from 0 at the northern cut-off to 1 at the southern one.
struct WorldPoint {
    double x = 0;
    double y = 0;
};

// Latitudes beyond the cut-off land on its edge; longitudes beyond 180 degrees on theirs.
WorldPoint project(GeoPoint point);
GeoPoint unproject(WorldPoint point);
// Just the y of project(), for callers that already know x.
double projectLatitude(double latitude);

// The world's width in pixels at a zoom: 256 pixels at zoom 0, doubling per step.
double worldPixels(double zoom);

// World coordinates in 1/2^32 of the world, as the spatial index keeps them.
std::uint32_t toFixed(double world);
double fromFixed(std::uint32_t fixed);

struct TileId {
    int z = 0;
    int x = 0;
    int y = 0;
    bool operator==(const TileId&) const = default;
};

// The tiles of zoom z that cover world x from `left` to `right` and y from `top` to
// `bottom` (clamped to the world), centre outwards so the middle of the view comes first.
std::vector<TileId> tilesCovering(int z, double left, double top, double right, double bottom);

// A tile address made from a template with {z}, {x} and {y} (as tile servers write them).
std::string tileUrl(std::string_view urlTemplate, const TileId& tile);
// Why a template cannot be used (not an http or https address, a tile number missing);
// empty when it can.
std::string tileTemplateProblem(std::string_view urlTemplate);

}  // namespace quilmo
