#include "map/web_mercator.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace quilmo {

double projectLatitude(double latitude) {
    const double lat = std::clamp(latitude, -kMercatorMaxLatitude, kMercatorMaxLatitude);
    const double s = std::sin(lat * std::numbers::pi / 180.0);
    return 0.5 - std::log((1 + s) / (1 - s)) / (4 * std::numbers::pi);
}

WorldPoint project(GeoPoint point) {
    const double lon = std::clamp(point.longitude, -180.0, 180.0);
    return {(lon + 180.0) / 360.0, projectLatitude(point.latitude)};
}

GeoPoint unproject(WorldPoint point) {
    const double y = std::clamp(point.y, 0.0, 1.0);
    const double lat = std::atan(std::sinh((1 - 2 * y) * std::numbers::pi)) * 180.0 / std::numbers::pi;
    return {lat, std::clamp(point.x, 0.0, 1.0) * 360.0 - 180.0};
}

double worldPixels(double zoom) { return 256.0 * std::exp2(zoom); }

std::uint32_t toFixed(double world) {
    constexpr double kScale = 4294967296.0;
    if (!(world > 0)) return 0;  // NaN too
    if (world >= 1) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(world * kScale);
}

double fromFixed(std::uint32_t fixed) { return fixed / 4294967296.0; }

std::vector<TileId> tilesCovering(int z, double left, double top, double right, double bottom) {
    std::vector<TileId> tiles;
    if (z < 0 || z > 30 || !(left <= right) || !(top <= bottom)) return tiles;
    const double n = std::exp2(z);
    const auto cell = [n](double v) { return static_cast<int>(std::clamp(std::floor(v * n), 0.0, n - 1)); };
    const int x0 = cell(left), x1 = cell(right), y0 = cell(top), y1 = cell(bottom);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) tiles.push_back({z, x, y});
    const double cx = (left + right) / 2 * n, cy = (top + bottom) / 2 * n;
    const auto distance = [cx, cy](const TileId& t) {
        return std::hypot(t.x + 0.5 - cx, t.y + 0.5 - cy);
    };
    std::stable_sort(tiles.begin(), tiles.end(),
                     [&](const TileId& a, const TileId& b) { return distance(a) < distance(b); });
    return tiles;
}

std::string tileUrl(std::string_view urlTemplate, const TileId& tile) {
    std::string out;
    out.reserve(urlTemplate.size() + 16);
    for (std::size_t i = 0; i < urlTemplate.size(); ++i) {
        const std::string_view rest = urlTemplate.substr(i);
        const int value = rest.starts_with("{z}") ? tile.z : rest.starts_with("{x}") ? tile.x
                        : rest.starts_with("{y}") ? tile.y : -1;
        if (value < 0) {
            out += urlTemplate[i];
            continue;
        }
        out += std::to_string(value);
        i += 2;
    }
    return out;
}

std::string tileTemplateProblem(std::string_view urlTemplate) {
    const auto startsWithNoCase = [urlTemplate](std::string_view prefix) {
        if (urlTemplate.size() < prefix.size()) return false;
        for (std::size_t i = 0; i < prefix.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(urlTemplate[i])) != prefix[i]) return false;
        return true;
    };
    if (!startsWithNoCase("http://") && !startsWithNoCase("https://")) return "not an http or https address";
    for (const std::string_view number : {"{z}", "{x}", "{y}"})
        if (urlTemplate.find(number) == std::string_view::npos) return "no " + std::string(number) + " in it";
    return {};
}

}  // namespace quilmo
