#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "aprs/decoder.h"
#include "platform/local_time.h"

namespace quilmo {

// One heard station: what its latest packets told. Numbers as numbers (none where there
// is no value), texts as Windows-1252 bytes in the forms the records show.
struct StationRow {
    std::string station;
    LocalTime lastHeard;
    std::string via;           // the digipeater of its latest packet, or "direct"
    std::uint64_t packets = 0;
    std::string symbol;
    char symbolTable = 0;  // as the packet sent them; 0 when none
    char symbolCode = 0;
    std::string device;        // the latest device a packet named
    bool hasPosition = false;  // false until a packet brought a position
    double latitude = 0;
    double longitude = 0;
    std::optional<double> distanceKm;  // unrounded
    std::optional<int> azimuthDeg;
    std::optional<double> speedKmh;
    std::optional<double> courseDeg;
    std::optional<double> altitudeM;
    std::string lastText;
    std::string lastPacket;  // the latest packet's line, when the facts brought it
    // Grows with every update: orders rows by recency even when the clock stands still
    // for a second or is put back.
    std::uint64_t heardOrder = 0;
};

// One packet's facts and when it was heard, as a batch holds them.
struct HeardFacts {
    StationFacts facts;
    LocalTime heard;
};

enum class StationColumn {
    Station, LastHeard, Via, Packets, Symbol, Device, Latitude, Longitude,
    DistanceKm, Azimuth, SpeedKmh, Course, AltitudeM, LastText,
};
constexpr std::size_t kStationColumnCount = 14;
constexpr std::array<std::string_view, kStationColumnCount> kStationColumnNames = {
    "station", "last heard", "via", "packets", "symbol", "device", "latitude", "longitude",
    "distance km", "azimuth", "speed km/h", "course", "altitude m", "last text",
};

// The heard-stations table: one row per station, object or item, fed with the facts of
// every recognised packet. At packet rates with tens of thousands of stations each update
// meets a row that is not in the cache, so an update touches as little else as it can: a
// flat hash index and a queue of who was heard when, appended to, never searched.
class StationTable {
public:
    using RowId = std::uint32_t;
    static constexpr std::size_t kMaxRows = 100000;
    static constexpr RowId kNoRow = std::numeric_limits<RowId>::max();

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

    // Any number of views (the Stations window, the map) follow the table.
    void addListener(Listener* listener) { listeners_.push_back(listener); }
    void removeListener(Listener* listener) { std::erase(listeners_, listener); }

    // A packet heard at `heard`. A killed object or item leaves the table; a new station
    // beyond the limit first sends away the one heard longest ago. A packet without a
    // position keeps the row's last position (and the speed, course and altitude that
    // came with it).
    void update(const StationFacts& facts, const LocalTime& heard);
    // The same for many packets in their order. With more rows than the cache holds this is
    // several times faster than one update after another: the rows of the packets a few
    // places ahead are being fetched while one is updated.
    void updateAll(const HeardFacts* first, std::size_t count);
    // A row kept from an earlier run, as it was, heard after those restored before it. A
    // name already in the table is left alone.
    void restore(const StationRow& kept);

    std::size_t size() const { return size_; }
    std::size_t maxRows() const { return maxRows_; }
    bool holds(RowId id) const { return id < slots_.size() && slots_[id].used; }
    const StationRow& row(RowId id) const { return slots_[id].row; }
    // kNoRow when the station has no row.
    RowId find(std::string_view station) const;

    // Newest first, the order of the written table.
    void forEachNewestFirst(const std::function<void(RowId, const StationRow&)>& visit) const;

private:
    struct Slot {
        StationRow row;
        std::uint32_t hash = 0;
        bool used = false;
    };
    // An index entry: row id + 1 (0: empty) and the station's hash, so that a probe
    // rarely has to look at a row that is not the one sought.
    struct Entry {
        std::uint32_t idPlusOne = 0;
        std::uint32_t hash = 0;
    };
    struct Heard {
        std::uint64_t order;
        RowId id;
    };

    static std::uint32_t hashOf(std::string_view station);
    void update(std::string_view station, std::uint32_t hash, const StationFacts& facts, const LocalTime& heard);
    // Always inlined: a separate function that only prefetches writes no memory, so the
    // optimiser takes it for pure and drops the call whose result nobody uses.
    [[gnu::always_inline]] inline void prefetchEntry(std::uint32_t hash) const;
    [[gnu::always_inline]] inline void prefetchRow(std::uint32_t hash) const;
    [[gnu::always_inline]] inline void prefetchText(std::uint32_t hash) const;
    // The index position holding `station`, or of the empty entry where it would go.
    std::size_t probe(std::string_view station, std::uint32_t hash) const;
    RowId addRow(std::string_view station, std::uint32_t hash, std::size_t at);
    void removeRow(RowId id);
    void eraseEntry(std::size_t at);
    void growIndex();
    RowId heardLongestAgo();
    void dropStaleHeard();

    std::size_t maxRows_;
    std::size_t size_ = 0;
    std::vector<Slot> slots_;
    std::vector<RowId> freeSlots_;
    std::vector<Entry> index_;            // open addressing, linear probing, at most half full
    std::vector<std::uint64_t> orders_;   // by row id: its latest heardOrder (compact, for the queue)
    std::deque<Heard> heardQueue_;        // every update in order; an entry is stale once its row moved on
    std::uint64_t heardCount_ = 0;
    std::vector<Listener*> listeners_;
};

// "YYYY-MM-DD HH:MM:SS"
std::string lastHeardText(const LocalTime& t);

// A cell as the table shows it (Windows-1252): coordinates with five decimals (about a
// metre), other numbers in the records' numeric text form, the azimuth and the course with
// a degree sign and their sector; empty where the row has no value.
std::string stationCellText(const StationRow& row, StationColumn column);

// The table as CSV: the header row, then the rows newest first; UTF-8, CR LF record ends,
// fields quoted where they hold a comma, a quote, CR or LF. Numeric columns hold numbers
// only: the course and the azimuth without their sector.
std::string stationsCsv(const StationTable& table);

}  // namespace quilmo
