#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "aprs/decoder.h"
#include "platform/local_time.h"

namespace quilmo {

// One heard position: degrees in units of 1e-7 (about a centimetre) and when it was heard
// (wallClockSeconds).
struct TrackPoint {
    std::int32_t lat = 0;
    std::int32_t lon = 0;
    std::uint32_t time = 0;
    double latitude() const { return lat * 1e-7; }
    double longitude() const { return lon * 1e-7; }
};

// The positions one station was heard at, oldest first.
class StationTrack {
public:
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const TrackPoint& operator[](std::size_t i) const { return ring_[(first_ + i) % ring_.size()]; }
    const TrackPoint& back() const { return (*this)[count_ - 1]; }

private:
    friend class StationTracks;
    std::vector<TrackPoint> ring_;
    std::uint32_t first_ = 0;
    std::uint32_t count_ = 0;
    // How many of the oldest entries of the shared queue that name this slot stand for
    // points already gone (dropped at the station's own limit, or a killed object's).
    std::uint32_t staleInQueue_ = 0;
};

// The positions heard this run per station, fed with the facts of every packet: at most
// `perStation` per station and `total` in all, the oldest going first. A position equal to
// the last one only renews its time; a killed object or item loses its track. It also knows
// which names are objects or items, for the map to mark them apart.
class StationTracks {
public:
    static constexpr std::size_t kPerStation = 500;
    static constexpr std::size_t kTotal = 1'000'000;

    explicit StationTracks(std::size_t perStation = kPerStation, std::size_t total = kTotal);
    StationTracks(const StationTracks&) = delete;
    StationTracks& operator=(const StationTracks&) = delete;

    // What one packet did to its station's track.
    enum class Change { None, Added, Renewed, Removed };
    Change add(const StationFacts& facts, const LocalTime& heard);
    // A point kept from an earlier run, after those restored before it; the same limits hold.
    void restore(std::string_view station, const TrackPoint& point);
    void markObjectOrItem(std::string_view station);

    std::size_t points() const { return total_; }
    std::size_t stations() const { return byName_.size(); }
    // The station's track; nullptr when it has none.
    const StationTrack* find(std::string_view station) const;
    // Whether the name was last heard as an object or item (not killed since).
    bool objectOrItem(std::string_view station) const;

private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using NameMap = std::unordered_map<std::string, std::uint32_t, NameHash, std::equal_to<>>;

    static constexpr std::size_t kMostObjects = 100000;
    void noteKind(std::string_view station, const StationFacts& facts);
    std::uint32_t slotFor(std::string_view station);
    Change append(std::uint32_t slot, const TrackPoint& point);
    void keepWithinLimits();
    void dropOldest();
    void release(NameMap::iterator at);
    void compactQueue();

    std::size_t perStation_;
    std::size_t totalLimit_;
    std::size_t total_ = 0;
    std::vector<StationTrack> slots_;
    std::vector<std::uint32_t> freeSlots_;
    std::vector<const std::string*> names_;  // by slot: its key in byName_, nullptr when free
    NameMap byName_;
    std::deque<std::uint32_t> queue_;  // the slot of every point added, oldest first
    // Objects are few beside stations, so asking this small set for each of many stations
    // costs far less than finding each one's track.
    std::unordered_set<std::string, NameHash, std::equal_to<>> objects_;
};

}  // namespace quilmo
