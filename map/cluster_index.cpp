#include "map/cluster_index.h"

#include <algorithm>
#include <cmath>

namespace quilmo {
namespace {

// The bits of v spread to the even places.
std::uint64_t spread(std::uint32_t v) {
    std::uint64_t x = v;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
    x = (x | (x << 8)) & 0x00FF00FF00FF00FFull;
    x = (x | (x << 4)) & 0x0F0F0F0F0F0F0F0Full;
    x = (x | (x << 2)) & 0x3333333333333333ull;
    x = (x | (x << 1)) & 0x5555555555555555ull;
    return x;
}

std::uint64_t zOrder(std::uint32_t x, std::uint32_t y) { return spread(x) | (spread(y) << 1); }

}  // namespace

void ClusterIndex::build(std::vector<Entry> entries) {
    // Keys sorted beside their entry's place: the sort then reads memory in order.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> order(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        order[i] = {zOrder(entries[i].x, entries[i].y), static_cast<std::uint32_t>(i)};
    std::sort(order.begin(), order.end());

    keys_.resize(entries.size());
    entries_.resize(entries.size());
    sumX_.assign(entries.size() + 1, 0);
    sumY_.assign(entries.size() + 1, 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        keys_[i] = order[i].first;
        entries_[i] = entries[order[i].second];
        sumX_[i + 1] = sumX_[i] + entries_[i].x;
        sumY_[i + 1] = sumY_[i] + entries_[i].y;
    }
}

ClusterIndex::Span ClusterIndex::runOf(int level, std::uint64_t cx, std::uint64_t cy, Span within) const {
    const int shift = 2 * (kMaxLevel - level);
    const std::uint64_t low = level == 0 ? 0 : zOrder(static_cast<std::uint32_t>(cx), static_cast<std::uint32_t>(cy)) << shift;
    const auto begin = keys_.begin() + within.first, end = keys_.begin() + within.last;
    const auto first = std::lower_bound(begin, end, low);
    // The cell's last key; computed so that the top cell (shift 64) does not overflow.
    const std::uint64_t high = level == 0 ? ~0ull : low | ((std::uint64_t{1} << shift) - 1);
    const auto last = std::upper_bound(first, end, high);
    return {static_cast<std::uint32_t>(first - keys_.begin()), static_cast<std::uint32_t>(last - keys_.begin())};
}

void ClusterIndex::collect(int level, std::uint64_t cx, std::uint64_t cy, Span span, int target,
                           const WorldRect& rect, std::vector<Cell>& out) const {
    if (span.first == span.last) return;
    const double size = std::exp2(-level);
    if (cx * size > rect.right || (cx + 1) * size < rect.left || cy * size > rect.bottom || (cy + 1) * size < rect.top)
        return;
    if (level == target) {
        const std::uint32_t count = span.last - span.first;
        const double meanX = static_cast<double>(sumX_[span.last] - sumX_[span.first]) / count;
        const double meanY = static_cast<double>(sumY_[span.last] - sumY_[span.first]) / count;
        out.push_back({span.first, count, {meanX / 4294967296.0, meanY / 4294967296.0}});
        return;
    }
    for (std::uint64_t dy = 0; dy < 2; ++dy) {
        for (std::uint64_t dx = 0; dx < 2; ++dx) {
            const std::uint64_t x = 2 * cx + dx, y = 2 * cy + dy;
            collect(level + 1, x, y, runOf(level + 1, x, y, span), target, rect, out);
        }
    }
}

std::vector<ClusterIndex::Cell> ClusterIndex::cells(int level, const WorldRect& rect) const {
    std::vector<Cell> out;
    const int target = std::clamp(level, 0, kMaxLevel);
    collect(0, 0, 0, {0, static_cast<std::uint32_t>(keys_.size())}, target, rect, out);
    return out;
}

int clusterLevel(double zoom) {
    // A cell of level L is 256 * 2^(zoom - L) pixels wide; 64 to 128 pixels is L = zoom + 1 .. zoom + 2.
    return std::clamp(static_cast<int>(std::floor(zoom)) + 2, 0, ClusterIndex::kMaxLevel);
}

}  // namespace quilmo
