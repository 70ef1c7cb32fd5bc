#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo {

// One heard station's row as kept across runs. Texts are the Windows-1252 bytes heard;
// times are seconds of the local wall clock (wallClockSeconds), `heardText` the same
// moment as "YYYY-MM-DDTHH:MM:SS" with the offset from UTC it had.
struct KeptStation {
    std::string station;
    std::int64_t heard = 0;
    std::string heardText;
    int utcOffsetMinutes = 0;
    std::string via;
    std::int64_t packets = 0;
    std::string symbol;
    std::string symbolChars;  // the table and code characters as sent ("/>"); empty when none
    std::string device;
    bool hasPosition = false;
    double latitude = 0;
    double longitude = 0;
    std::optional<double> distanceKm;
    std::optional<double> azimuthDeg;
    std::optional<double> speedKmh;
    std::optional<double> courseDeg;
    std::optional<double> altitudeM;
    std::string lastText;
    std::string lastPacket;  // the latest packet's line: its record is made again from it
    bool objectOrItem = false;
    // Grows with every packet heard, across runs: orders the rows by recency even when the
    // clock was put back.
    std::uint64_t order = 0;
};

// One position of a station's track: degrees in units of 1e-7, and when it was heard.
struct KeptPoint {
    std::string station;
    std::int32_t lat = 0;
    std::int32_t lon = 0;
    std::int64_t time = 0;
    // The station's latest point, heard again at the same place: only its time changes.
    bool renewed = false;
};

// What changed since the last write, written as a whole or not at all. Stations are
// added or replaced by name; a removed station loses its row, and with `tracksRemoved`
// its track too (a killed object), before the new points go in.
struct StationBatch {
    std::vector<KeptStation> stations;
    std::vector<std::string> removed;
    std::vector<std::string> tracksRemoved;
    std::vector<KeptPoint> points;  // oldest first
    bool empty() const { return stations.empty() && removed.empty() && tracksRemoved.empty() && points.empty(); }
};

// Where heard stations and their tracks outlive the program. The SQLite one is in
// sqlite_station_store.h. Failures are values: the reason is a text for the user.
class StationStore {
public:
    virtual ~StationStore() = default;
    // Stations heard since `since` oldest first, then their points oldest first; false and
    // a reason when the store cannot be read.
    virtual bool load(std::int64_t since, const std::function<void(const KeptStation&)>& station,
                      const std::function<void(const KeptPoint&)>& point, std::string& reason) = 0;
    virtual bool apply(const StationBatch& batch, std::string& reason) = 0;
    // Stations and points heard before `before` go, and all but the newest `mostPoints`.
    virtual bool dropOlderThan(std::int64_t before, std::size_t mostPoints, std::string& reason) = 0;
};

}  // namespace quilmo
