#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "aprs/decoder.h"
#include "platform/local_time.h"

namespace quilmo {

// One heard station: what its latest packets told. Texts are Windows-1252 bytes in the
// forms the records show.
struct StationRow {
    std::string station;
    LocalTime lastHeard;
    std::uint64_t packets = 0;
    std::string symbol;
    bool hasPosition = false;  // false until a packet brought a position
    double latitude = 0;
    double longitude = 0;
    std::string distanceKm;
    std::string azimuth;
    std::string speedKmh;
    std::string course;
    std::string altitudeM;
    std::string lastText;
    // Grows with every update: orders rows by recency even when the clock stands still
    // for a second or is put back.
    std::uint64_t heardOrder = 0;
};

enum class StationColumn {
    Station, LastHeard, Packets, Symbol, Latitude, Longitude,
    DistanceKm, Azimuth, SpeedKmh, Course, AltitudeM, LastText,
};
constexpr std::size_t kStationColumnCount = 12;
constexpr std::array<std::string_view, kStationColumnCount> kStationColumnNames = {
    "station", "last heard", "packets", "symbol", "latitude", "longitude",
    "distance km", "azimuth", "speed km/h", "course", "altitude m", "last text",
};

// The heard-stations table: one row per station, object or item, fed with the facts of
// every recognised packet. Lookups are hashed and the recency order is a linked list
// through the rows, so an update costs the same with ten rows as with the maximum.
class StationTable {
public:
    using RowId = std::uint32_t;
    static constexpr std::size_t kMaxRows = 100000;

    // Told of every change as it happens; a removed row's id may be given to a new row later.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void rowAdded(RowId id) = 0;
        virtual void rowChanged(RowId id) = 0;
        virtual void rowRemoved(RowId id) = 0;  // the row is still readable during the call
    };

    explicit StationTable(std::size_t maxRows = kMaxRows);
    StationTable(const StationTable&) = delete;
    StationTable& operator=(const StationTable&) = delete;

    void setListener(Listener* listener) { listener_ = listener; }

    // A packet heard at `heard`. A killed object or item leaves the table; a new station
    // beyond the limit first sends away the one heard longest ago. A packet without a
    // position keeps the row's last position (and the speed, course and altitude that
    // came with it).
    void update(const StationFacts& facts, const LocalTime& heard);

    std::size_t size() const { return index_.size(); }
    std::size_t maxRows() const { return maxRows_; }
    bool holds(RowId id) const { return id < slots_.size() && slots_[id].used; }
    const StationRow& row(RowId id) const { return slots_[id].row; }
    // kNoRow when the station has no row.
    RowId find(std::string_view station) const;
    static constexpr RowId kNoRow = std::numeric_limits<RowId>::max();

    // Newest first, the order of the written table.
    void forEachNewestFirst(const std::function<void(RowId, const StationRow&)>& visit) const;

private:
    struct Slot {
        StationRow row;
        RowId newer = kNoRow;
        RowId older = kNoRow;
        bool used = false;
    };
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
    };

    RowId addRow(std::string_view station);
    void removeRow(RowId id);
    void unlink(RowId id);
    void linkNewest(RowId id);

    std::size_t maxRows_;
    std::vector<Slot> slots_;
    std::vector<RowId> freeSlots_;
    std::unordered_map<std::string, RowId, KeyHash, std::equal_to<>> index_;
    RowId newest_ = kNoRow;
    RowId oldest_ = kNoRow;
    std::uint64_t heardCount_ = 0;
    Listener* listener_ = nullptr;
};

// "YYYY-MM-DD HH:MM:SS"
std::string lastHeardText(const LocalTime& t);

// A cell as the table shows it (Windows-1252): coordinates in trimmed numeric text form,
// empty where the row has no value.
std::string stationCellText(const StationRow& row, StationColumn column);

// The table as CSV: the header row, then the rows newest first; UTF-8, CR LF record ends,
// fields quoted where they hold a comma, a quote, CR or LF.
std::string stationsCsv(const StationTable& table);

}  // namespace quilmo
