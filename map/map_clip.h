#pragma once
#include <vector>

namespace quilmo {

// Screen geometry of the map, in pixels.
struct ScreenPoint {
    double x = 0;
    double y = 0;
};

struct ScreenRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    bool intersects(const ScreenRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    bool contains(ScreenPoint p) const { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; }
};

// A ring cut to the rectangle (Sutherland-Hodgman): what fills the same pixels inside it,
// with edges along the rectangle where the ring left it. Far outside the view, a ring at
// street level runs to coordinates the painter cannot fill.
void clipRing(const std::vector<ScreenPoint>& ring, const ScreenRect& rect, std::vector<ScreenPoint>& out);

// The parts of a line inside the rectangle, each a line of its own (appended to `out`).
void clipLine(const std::vector<ScreenPoint>& line, const ScreenRect& rect, std::vector<std::vector<ScreenPoint>>& out);

// Points closer than `tolerance` to the last one kept are dropped (the last point always
// stays): at world zoom most of a coastline's points share a pixel with their neighbour.
void thinOut(std::vector<ScreenPoint>& points, double tolerance);

}  // namespace quilmo
