#include "map/map_clip.h"

#include <algorithm>
#include <cmath>

namespace quilmo {
namespace {

enum class Edge { Left, Right, Top, Bottom };

bool inside(ScreenPoint p, Edge edge, const ScreenRect& r) {
    switch (edge) {
    case Edge::Left: return p.x >= r.left;
    case Edge::Right: return p.x <= r.right;
    case Edge::Top: return p.y >= r.top;
    case Edge::Bottom: return p.y <= r.bottom;
    }
    return true;
}

// Where segment a-b crosses the edge's line (a and b lie on different sides of it).
ScreenPoint crossing(ScreenPoint a, ScreenPoint b, Edge edge, const ScreenRect& r) {
    const bool vertical = edge == Edge::Left || edge == Edge::Right;
    const double at = edge == Edge::Left ? r.left : edge == Edge::Right ? r.right : edge == Edge::Top ? r.top : r.bottom;
    if (vertical) {
        const double t = (at - a.x) / (b.x - a.x);
        return {at, a.y + t * (b.y - a.y)};
    }
    const double t = (at - a.y) / (b.y - a.y);
    return {a.x + t * (b.x - a.x), at};
}

void clipToEdge(const std::vector<ScreenPoint>& in, Edge edge, const ScreenRect& r, std::vector<ScreenPoint>& out) {
    out.clear();
    if (in.empty()) return;
    ScreenPoint previous = in.back();
    bool previousInside = inside(previous, edge, r);
    for (const ScreenPoint& p : in) {
        const bool pInside = inside(p, edge, r);
        if (pInside != previousInside) out.push_back(crossing(previous, p, edge, r));
        if (pInside) out.push_back(p);
        previous = p;
        previousInside = pInside;
    }
}

// Liang-Barsky: the part of a-b inside the rectangle; false when none.
bool clipSegment(ScreenPoint& a, ScreenPoint& b, const ScreenRect& r) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - r.left, r.right - a.x, a.y - r.top, r.bottom - a.y};
    double t0 = 0, t1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const ScreenPoint from = a;
    a = {from.x + t0 * dx, from.y + t0 * dy};
    b = {from.x + t1 * dx, from.y + t1 * dy};
    return true;
}

}  // namespace

void clipRing(const std::vector<ScreenPoint>& ring, const ScreenRect& rect, std::vector<ScreenPoint>& out) {
    std::vector<ScreenPoint> scratch;
    clipToEdge(ring, Edge::Left, rect, out);
    clipToEdge(out, Edge::Right, rect, scratch);
    clipToEdge(scratch, Edge::Top, rect, out);
    clipToEdge(out, Edge::Bottom, rect, scratch);
    out.swap(scratch);
}

void clipLine(const std::vector<ScreenPoint>& line, const ScreenRect& rect, std::vector<std::vector<ScreenPoint>>& out) {
    std::vector<ScreenPoint> piece;
    const auto finish = [&] {
        if (piece.size() > 1) out.push_back(piece);
        piece.clear();
    };
    for (std::size_t i = 1; i < line.size(); ++i) {
        ScreenPoint a = line[i - 1], b = line[i];
        if (!clipSegment(a, b, rect)) {
            finish();
            continue;
        }
        if (piece.empty() || piece.back().x != a.x || piece.back().y != a.y) {
            finish();
            piece.push_back(a);
        }
        piece.push_back(b);
        // A segment that left the rectangle ends its piece.
        if (b.x != line[i].x || b.y != line[i].y) finish();
    }
    finish();
}

void thinOut(std::vector<ScreenPoint>& points, double tolerance) {
    if (points.size() < 3) return;
    std::size_t kept = 1;
    for (std::size_t i = 1; i + 1 < points.size(); ++i) {
        const ScreenPoint& last = points[kept - 1];
        if (std::abs(points[i].x - last.x) < tolerance && std::abs(points[i].y - last.y) < tolerance) continue;
        points[kept++] = points[i];
    }
    points[kept++] = points.back();
    points.resize(kept);
}

}  // namespace quilmo
