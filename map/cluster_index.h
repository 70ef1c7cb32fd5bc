#pragma once
#include <cstdint>
#include <vector>

#include "map/map_viewport.h"

namespace quilmo {

// The stations of the map in Z order (the order of a quadtree's leaves): the points of any
// cell of a 2^level grid, at every level, are one run of the array. So a grid of stations
// per cell exists at each zoom band without being stored: a cell's count is two binary
// searches and its centre comes from prefix sums.
class ClusterIndex {
public:
    static constexpr int kMaxLevel = 32;

    struct Entry {
        std::uint32_t x = 0;  // toFixed() world coordinates
        std::uint32_t y = 0;
        std::uint32_t id = 0;  // the caller's
    };
    struct Cell {
        std::uint32_t first = 0;  // the cell's run of entries
        std::uint32_t count = 0;
        WorldPoint centre;        // the mean of its points
    };

    void build(std::vector<Entry> entries);
    std::size_t size() const { return entries_.size(); }
    const Entry& entry(std::size_t i) const { return entries_[i]; }

    // The cells of the 2^level grid that overlap `rect` (clamped to the world) and hold a
    // point, in Z order. Empty parts of the world cost nothing.
    std::vector<Cell> cells(int level, const WorldRect& rect) const;

private:
    struct Span {
        std::uint32_t first;
        std::uint32_t last;
    };
    void collect(int level, std::uint64_t cx, std::uint64_t cy, Span span, int target, const WorldRect& rect,
                 std::vector<Cell>& out) const;
    Span runOf(int level, std::uint64_t cx, std::uint64_t cy, Span within) const;

    std::vector<std::uint64_t> keys_;  // Z-order keys, ascending
    std::vector<Entry> entries_;       // in the keys' order
    std::vector<std::uint64_t> sumX_;  // prefix sums of x and y, one more than entries
    std::vector<std::uint64_t> sumY_;
};

// The grid level whose cells are 64 to 128 pixels wide at a zoom: where markers closer
// than that crowd, they gather into one cluster.
int clusterLevel(double zoom);

}  // namespace quilmo
