#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "aprs/station_table.h"
#include "aprs/station_tracks.h"
#include "map/cluster_index.h"

namespace quilmo {

enum class MarkerKind : std::uint8_t { Fixed, Moving, Weather, Object, Own };

// A station as the map draws it, copied from the table so that drawing never meets a row
// that changed or went since.
struct MapStation {
    std::string name;
    WorldPoint at;
    MarkerKind kind = MarkerKind::Fixed;
    float course = -1;  // degrees clockwise from north; negative when not moving or unknown
    long long heard = 0;  // wallClockSeconds of its last packet
    char symbolTable = 0;  // as the packet sent them; 0 when none
    char symbolCode = 0;
};

// What the map shows of the heard stations: those with a position heard since a moment,
// in a spatial index. Rebuilt from the table when the map catches up, not per packet.
class MapScene {
public:
    static constexpr long long kAllTime = -(1LL << 62);

    void rebuild(const StationTable& table, const StationTracks& tracks, long long since);

    long long since() const { return since_; }
    const std::vector<MapStation>& stations() const { return stations_; }
    const ClusterIndex& index() const { return index_; }  // ids are positions in stations()
    // The box around every station; empty (left > right) when there is none.
    const WorldRect& bounds() const { return bounds_; }
    // The position in stations(), or -1.
    int find(const std::string& name) const;

private:
    std::vector<MapStation> stations_;
    ClusterIndex index_;
    WorldRect bounds_{1, 1, 0, 0};
    long long since_ = kAllTime;
};

// The marker a row calls for: weather by its symbol, moving when it reports a speed.
MarkerKind markerKindOf(const StationRow& row, bool objectOrItem);

}  // namespace quilmo
