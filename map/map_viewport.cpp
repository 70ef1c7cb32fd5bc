#include "map/map_viewport.h"

#include <algorithm>
#include <cmath>

namespace quilmo {

MapViewport::MapViewport(int width, int height) : width_(std::max(width, 1)), height_(std::max(height, 1)) {
    setZoom(minZoom());
}

double MapViewport::minZoom() const { return std::max(0.0, std::log2(width_ / 256.0)); }

WorldPoint MapViewport::toWorld(double x, double y) const {
    return {centre_.x + (x - width_ / 2.0) / scale_, centre_.y + (y - height_ / 2.0) / scale_};
}

WorldRect MapViewport::visible() const {
    const WorldPoint topLeft = toWorld(0, 0), bottomRight = toWorld(width_, height_);
    return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

void MapViewport::resize(int width, int height) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    setZoom(zoom_);
}

void MapViewport::setCentre(WorldPoint centre) {
    centre_ = centre;
    settle();
}

void MapViewport::setZoom(double zoom) {
    zoom_ = std::clamp(std::isfinite(zoom) ? zoom : 0.0, minZoom(), kMaxZoom);
    scale_ = worldPixels(zoom_);
    settle();
}

void MapViewport::zoomAbout(double x, double y, double zoom) {
    const WorldPoint held = toWorld(x, y);
    setZoom(zoom);
    centre_ = {held.x - (x - width_ / 2.0) / scale_, held.y - (y - height_ / 2.0) / scale_};
    settle();
}

void MapViewport::panBy(double dx, double dy) {
    centre_.x -= dx / scale_;
    centre_.y -= dy / scale_;
    settle();
}

void MapViewport::fit(const WorldRect& rect, int margin, double maxZoom) {
    const double w = std::max(rect.right - rect.left, 0.0), h = std::max(rect.bottom - rect.top, 0.0);
    const double roomX = std::max(width_ - 2 * margin, 1), roomY = std::max(height_ - 2 * margin, 1);
    double zoom = maxZoom;
    if (w > 0 || h > 0) zoom = std::log2(std::min(w > 0 ? roomX / w : 1e12, h > 0 ? roomY / h : 1e12) / 256.0);
    setZoom(std::min(zoom, maxZoom));
    setCentre({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

// East and west the world goes round; north and south the view keeps to it.
void MapViewport::settle() {
    if (!std::isfinite(centre_.x) || !std::isfinite(centre_.y)) centre_ = {0.5, 0.5};
    centre_.x -= std::floor(centre_.x);
    const double half = height_ / 2.0 / scale_;
    centre_.y = half >= 0.5 ? 0.5 : std::clamp(centre_.y, half, 1 - half);
}

}  // namespace quilmo
