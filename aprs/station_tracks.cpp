#include "aprs/station_tracks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "aprs/numeric.h"

namespace quilmo {
namespace {

std::int32_t toUnits(double degrees) { return static_cast<std::int32_t>(std::lround(degrees * 1e7)); }

bool usable(const StationFacts& f) {
    return std::isfinite(f.latitude) && std::isfinite(f.longitude) && std::abs(f.latitude) <= 90 &&
           std::abs(f.longitude) <= 180;
}

}  // namespace

StationTracks::StationTracks(std::size_t perStation, std::size_t total)
    : perStation_(std::max<std::size_t>(perStation, 1)), totalLimit_(std::max<std::size_t>(total, 1)) {}

const StationTrack* StationTracks::find(std::string_view station) const {
    const auto it = byName_.find(trimBlanks(station));
    return it == byName_.end() ? nullptr : &slots_[it->second];
}

StationTracks::Change StationTracks::add(const StationFacts& facts, const LocalTime& heard) {
    // A name padded to its field's width is the same object as the name alone.
    const std::string_view station = trimBlanks(facts.station);
    if (station.empty()) return Change::None;
    noteKind(station, facts);
    if (facts.killed) {
        const auto it = byName_.find(station);
        if (it == byName_.end()) return Change::None;
        release(it);
        return Change::Removed;
    }
    if (!facts.hasPosition || !usable(facts)) return Change::None;
    const std::uint32_t slot = slotFor(station);
    const TrackPoint point{toUnits(facts.latitude), toUnits(facts.longitude),
                           static_cast<std::uint32_t>(std::max(0LL, wallClockSeconds(heard)))};
    const Change change = append(slot, point);
    keepWithinLimits();
    return change;
}

void StationTracks::restore(std::string_view station, const TrackPoint& point) {
    station = trimBlanks(station);
    if (station.empty() || std::abs(point.lat) > 900'000'000 || std::abs(point.lon) > 1'800'000'000) return;
    append(slotFor(station), point);
    keepWithinLimits();
}

void StationTracks::markObjectOrItem(std::string_view station) {
    if (objects_.size() >= kMostObjects) return;
    objects_.emplace(trimBlanks(station));
}

void StationTracks::keepWithinLimits() {
    while (total_ > totalLimit_) dropOldest();
    if (queue_.size() > 2 * total_ + 4096) compactQueue();
}

bool StationTracks::objectOrItem(std::string_view station) const {
    return !objects_.empty() && objects_.find(trimBlanks(station)) != objects_.end();
}

void StationTracks::noteKind(std::string_view station, const StationFacts& facts) {
    if (!facts.objectOrItem || facts.killed) {
        if (!objects_.empty()) {
            const auto it = objects_.find(station);
            if (it != objects_.end()) objects_.erase(it);
        }
        return;
    }
    // Never more names than the heard-stations table keeps rows.
    if (objects_.size() >= kMostObjects) objects_.clear();
    objects_.emplace(station);
}

std::uint32_t StationTracks::slotFor(std::string_view station) {
    const auto it = byName_.find(station);
    if (it != byName_.end()) return it->second;
    std::uint32_t slot;
    if (freeSlots_.empty()) {
        slot = static_cast<std::uint32_t>(slots_.size());
        slots_.emplace_back();
        names_.push_back(nullptr);
    } else {
        slot = freeSlots_.back();
        freeSlots_.pop_back();
    }
    names_[slot] = &byName_.emplace(std::string(station), slot).first->first;
    return slot;
}

StationTracks::Change StationTracks::append(std::uint32_t slot, const TrackPoint& point) {
    StationTrack& t = slots_[slot];
    if (t.count_ > 0 && t.back().lat == point.lat && t.back().lon == point.lon) {
        t.ring_[(t.first_ + t.count_ - 1) % t.ring_.size()].time = point.time;
        return Change::Renewed;
    }
    if (t.count_ == perStation_) {  // the station's own limit: its oldest point goes
        t.first_ = static_cast<std::uint32_t>((t.first_ + 1) % t.ring_.size());
        --t.count_;
        ++t.staleInQueue_;
        --total_;
    }
    if (t.count_ < t.ring_.size()) {
        t.ring_[(t.first_ + t.count_) % t.ring_.size()] = point;
    } else {
        std::rotate(t.ring_.begin(), t.ring_.begin() + t.first_, t.ring_.end());
        t.first_ = 0;
        t.ring_.push_back(point);
    }
    ++t.count_;
    ++total_;
    queue_.push_back(slot);
    return Change::Added;
}

// The oldest point of all: the queue's first entry that is not stale.
void StationTracks::dropOldest() {
    while (!queue_.empty()) {
        const std::uint32_t slot = queue_.front();
        queue_.pop_front();
        StationTrack& t = slots_[slot];
        if (t.staleInQueue_ > 0) {
            --t.staleInQueue_;
            continue;
        }
        t.first_ = static_cast<std::uint32_t>((t.first_ + 1) % t.ring_.size());
        --t.count_;
        --total_;
        // A station whose every point is gone keeps nothing, so stations heard once long ago
        // do not pile up.
        if (t.count_ == 0) release(byName_.find(*names_[slot]));
        return;
    }
}

void StationTracks::release(NameMap::iterator at) {
    const std::uint32_t slot = at->second;
    StationTrack& t = slots_[slot];
    t.staleInQueue_ += t.count_;
    total_ -= t.count_;
    t.count_ = 0;
    t.first_ = 0;
    std::vector<TrackPoint>().swap(t.ring_);
    names_[slot] = nullptr;
    byName_.erase(at);
    freeSlots_.push_back(slot);
}

// Stale entries leave the queue only when they reach its front; with many stations at their
// own limit that could take long, so now and then they are swept out all at once.
void StationTracks::compactQueue() {
    std::deque<std::uint32_t> kept;
    for (const std::uint32_t slot : queue_) {
        StationTrack& t = slots_[slot];
        if (t.staleInQueue_ > 0) {
            --t.staleInQueue_;
            continue;
        }
        kept.push_back(slot);
    }
    queue_.swap(kept);
}

}  // namespace quilmo
