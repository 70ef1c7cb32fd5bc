#pragma once
#include "map/web_mercator.h"

namespace quilmo {

// A rectangle of the world (unit square units); x may run past 0 or 1 where the view
// shows the neighbouring copy of the world.
struct WorldRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    bool contains(WorldPoint p) const { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
};

// What part of the world a map of width x height pixels shows: a centre and a zoom. The
// world repeats east and west, so the centre's x stays within 0..1; north and south the
// view stops at the world's edge once the world is taller than the view.
class MapViewport {
public:
    static constexpr double kMaxZoom = 19;  // street level

    MapViewport(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    double zoom() const { return zoom_; }
    WorldPoint centre() const { return centre_; }
    // The world's width in pixels.
    double scale() const { return scale_; }
    // The zoom at which the world is as wide as the view: the whole world, once.
    double minZoom() const;

    double screenX(double worldX) const { return (worldX - centre_.x) * scale_ + width_ / 2.0; }
    double screenY(double worldY) const { return (worldY - centre_.y) * scale_ + height_ / 2.0; }
    WorldPoint toWorld(double x, double y) const;
    WorldRect visible() const;

    void resize(int width, int height);
    void setCentre(WorldPoint centre);
    void setZoom(double zoom);
    // A new zoom that keeps the world point under the screen point where it is.
    void zoomAbout(double x, double y, double zoom);
    void panBy(double dx, double dy);
    // The whole rectangle in view, `margin` pixels inside each edge, no closer than maxZoom.
    void fit(const WorldRect& rect, int margin, double maxZoom);

private:
    void settle();

    int width_;
    int height_;
    double zoom_ = 0;
    double scale_ = 256;
    WorldPoint centre_{0.5, 0.5};
};

}  // namespace quilmo
