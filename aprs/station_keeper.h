#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>

#include "aprs/station_table.h"
#include "aprs/station_tracks.h"
#include "platform/station_store.h"

namespace quilmo {

// Heard stations and their tracks across runs: at the start the store's rows fill the
// table and the tracks; then every change the table and the tracks make waits here, by
// name, until write() puts it into the store in one batch. What could not be written keeps
// waiting (the rows themselves stay in the table) and goes with the next write that works.
class StationKeeper : private StationTable::Listener {
public:
    // At most this many points wait for a store that does not take them; the oldest go.
    static constexpr std::size_t kMostWaitingPoints = StationTracks::kTotal;

    StationKeeper(StationTable& table, StationTracks& tracks, StationStore& store);
    ~StationKeeper() override;
    StationKeeper(const StationKeeper&) = delete;
    StationKeeper& operator=(const StationKeeper&) = delete;

    // The stations and points heard since `since` (wall-clock seconds), into the table and
    // the tracks; from then on the table is followed. False and notice() when the store
    // cannot be read: the run starts empty and keeps what it hears only in memory.
    bool load(std::int64_t since);
    // Whether changes are followed: the store could be read at the start.
    bool keeping() const { return following_; }
    // What a packet did to the station's track (StationTracks::add).
    void trackChanged(std::string_view station, StationTracks::Change change);

    bool waiting() const { return !changed_.empty() || !removed_.empty() || !tracksRemoved_.empty() || !points_.empty(); }
    // Writes what waits as one batch; false and notice() when the store did not take it.
    bool write();
    // Stations and points heard before `before` leave the store, and points beyond what
    // the tracks keep.
    bool dropOlderThan(std::int64_t before);
    // Why the stations are not kept, or not yet written; empty while all is written.
    const std::string& notice() const { return notice_; }

private:
    void rowAdded(StationTable::RowId id) override;
    void rowChanged(StationTable::RowId id) override;
    void rowRemoved(StationTable::RowId id) override;
    void restore(const KeptStation& kept);
    StationBatch batch() const;
    void note(bool ok, const std::string& reason);

    StationTable& table_;
    StationTracks& tracks_;
    StationStore& store_;
    bool following_ = false;
    std::unordered_set<std::string> changed_;
    std::unordered_set<std::string> removed_;
    std::unordered_set<std::string> tracksRemoved_;
    std::deque<KeptPoint> points_;
    std::string notice_;
};

// The moment as the store keeps it, "YYYY-MM-DDTHH:MM:SS".
std::string isoLocalTimeText(const LocalTime& t);

}  // namespace quilmo
