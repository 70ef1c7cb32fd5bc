#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quilmo {

// The offline base map: land, coastlines and country borders of the whole world, already
// in Web Mercator, as scripts/make-basemap writes them.
constexpr std::int32_t kBaseMapUnits = 1 << 24;  // the world's width in the file's units

struct BaseMapPoint {
    // 0 at 180 W .. kBaseMapUnits at 180 E; a line across 180 degrees runs on past either
    // edge, up to half the world, rather than jump across the map.
    std::int32_t x = 0;
    std::int32_t y = 0;  // 0 at the northern cut-off .. kBaseMapUnits at the southern one
};

// One ring or line: a run of the layer's points and the box around it.
struct BaseMapLine {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    BaseMapPoint min;
    BaseMapPoint max;
};

struct BaseMapLayer {
    std::vector<BaseMapLine> lines;
    std::vector<BaseMapPoint> points;
};

struct BaseMap {
    BaseMapLayer land;     // closed rings; together they fill the land (odd-even, so lakes stay open)
    BaseMapLayer coast;    // where land meets sea, without the cuts along 180 degrees and the south edge
    BaseMapLayer borders;  // lines two countries share
};

// The file's bytes read; nothing when they are not a whole base map of this form.
std::optional<BaseMap> readBaseMap(std::string_view bytes);

}  // namespace quilmo
