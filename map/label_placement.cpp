#include "map/label_placement.h"

#include <algorithm>
#include <cmath>

namespace quilmo {
namespace {

// Rectangles sorted into square buckets, so a new one is tested against its neighbours only.
class Occupied {
public:
    explicit Occupied(const ScreenRect& bounds)
        : bounds_(bounds),
          columns_(cellsAlong(bounds.right - bounds.left)),
          rows_(cellsAlong(bounds.bottom - bounds.top)),
          cells_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_)) {}

    bool free(const ScreenRect& r) const {
        bool clear = true;
        forCells(r, [&](std::size_t cell) {
            for (const ScreenRect& o : cells_[cell])
                if (o.intersects(r)) clear = false;
        });
        return clear;
    }
    void add(const ScreenRect& r) {
        forCells(r, [&](std::size_t cell) { cells_[cell].push_back(r); });
    }

private:
    static constexpr double kCell = 64;
    static int cellsAlong(double length) { return std::max(1, static_cast<int>(std::ceil(length / kCell))); }

    template <typename F>
    void forCells(const ScreenRect& r, F&& f) const {
        const auto column = [this](double x) { return std::clamp(static_cast<int>((x - bounds_.left) / kCell), 0, columns_ - 1); };
        const auto row = [this](double y) { return std::clamp(static_cast<int>((y - bounds_.top) / kCell), 0, rows_ - 1); };
        for (int y = row(r.top); y <= row(r.bottom); ++y)
            for (int x = column(r.left); x <= column(r.right); ++x)
                f(static_cast<std::size_t>(y) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(x));
    }

    ScreenRect bounds_;
    int columns_;
    int rows_;
    std::vector<std::vector<ScreenRect>> cells_;
};

bool within(const ScreenRect& r, const ScreenRect& bounds) {
    return r.left >= bounds.left && r.right <= bounds.right && r.top >= bounds.top && r.bottom <= bounds.bottom;
}

}  // namespace

std::vector<std::optional<ScreenRect>> placeLabels(const std::vector<LabelWish>& wishes,
                                                   const std::vector<ScreenRect>& markers, const ScreenRect& bounds) {
    Occupied occupied(bounds);
    for (const ScreenRect& m : markers) occupied.add(m);
    std::vector<std::optional<ScreenRect>> placed(wishes.size());
    for (std::size_t i = 0; i < wishes.size(); ++i) {
        const LabelWish& w = wishes[i];
        const double gap = w.radius + 2, x = w.anchor.x, y = w.anchor.y;
        const ScreenRect candidates[] = {
            {x + gap, y - w.height / 2, x + gap + w.width, y + w.height / 2},
            {x - gap - w.width, y - w.height / 2, x - gap, y + w.height / 2},
            {x - w.width / 2, y - gap - w.height, x + w.width / 2, y - gap},
            {x - w.width / 2, y + gap, x + w.width / 2, y + gap + w.height},
        };
        for (const ScreenRect& c : candidates) {
            if (!within(c, bounds) || !occupied.free(c)) continue;
            placed[i] = c;
            break;
        }
        for (const ScreenRect& c : candidates) {
            if (placed[i] || !w.mustShow) break;
            if (within(c, bounds)) placed[i] = c;
        }
        if (placed[i]) occupied.add(*placed[i]);
    }
    return placed;
}

}  // namespace quilmo
