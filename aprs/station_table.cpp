#include "aprs/station_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "aprs/geometry.h"
#include "aprs/numeric.h"
#include "platform/cp1252_utf8.h"

namespace quilmo {

namespace {

constexpr std::size_t kFirstIndexSize = 1024;

// trimBlanks, here where it is called several times per packet.
inline std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

StationTable::StationTable(std::size_t maxRows)
    : maxRows_(std::max<std::size_t>(maxRows, 1)), index_(kFirstIndexSize) {}

std::uint32_t StationTable::hashOf(std::string_view station) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>{}(station));
}

std::size_t StationTable::probe(std::string_view station, std::uint32_t hash) const {
    const std::size_t mask = index_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Entry& e = index_[at];
        if (e.idPlusOne == 0) return at;
        if (e.hash == hash && slots_[e.idPlusOne - 1].row.station == station) return at;
    }
}

StationTable::RowId StationTable::find(std::string_view station) const {
    const std::string_view key = trimmed(station);
    const Entry& e = index_[probe(key, hashOf(key))];
    return e.idPlusOne == 0 ? kNoRow : e.idPlusOne - 1;
}

void StationTable::update(const StationFacts& facts, const LocalTime& heard) {
    // A name padded to its field's width is the same object as the name alone.
    const std::string_view station = trimmed(facts.station);
    if (!station.empty()) update(station, hashOf(station), facts, heard);
}

inline void StationTable::prefetchEntry(std::uint32_t hash) const {
    __builtin_prefetch(&index_[hash & (index_.size() - 1)]);
}

// The row an entry names, as far as an update writes it. Only a hint: a wrong guess (a
// collision, a row moved meanwhile) costs nothing but the fetch.
inline void StationTable::prefetchRow(std::uint32_t hash) const {
    const Entry& e = index_[hash & (index_.size() - 1)];
    if (e.idPlusOne == 0 || e.hash != hash) return;
    const char* row = reinterpret_cast<const char*>(&slots_[e.idPlusOne - 1]);
    for (std::size_t offset = 0; offset < sizeof(Slot); offset += 64) __builtin_prefetch(row + offset, 1);
}

// A long last text lives apart from its row; it is fetched once the row has come.
inline void StationTable::prefetchText(std::uint32_t hash) const {
    const Entry& e = index_[hash & (index_.size() - 1)];
    if (e.idPlusOne != 0 && e.hash == hash) __builtin_prefetch(slots_[e.idPlusOne - 1].row.lastText.data(), 1);
}

void StationTable::updateAll(const HeardFacts* first, std::size_t count) {
    // Entries are fetched this far ahead, rows half as far and long texts a quarter: each
    // stage finds what the one before fetched.
    constexpr std::size_t kAhead = 8;
    std::array<std::uint32_t, 2 * kAhead> hashes{};
    std::array<std::string_view, 2 * kAhead> names{};
    const auto stage = [&](std::size_t i) {
        const std::string_view station = trimmed(first[i].facts.station);
        names[i % names.size()] = station;
        hashes[i % hashes.size()] = hashOf(station);
        prefetchEntry(hashes[i % hashes.size()]);
    };
    for (std::size_t i = 0; i < std::min(count, kAhead); ++i) stage(i);
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kAhead < count) stage(i + kAhead);
        if (i + kAhead / 2 < count) {
            prefetchRow(hashes[(i + kAhead / 2) % hashes.size()]);
        }
        if (i + kAhead / 4 < count) prefetchText(hashes[(i + kAhead / 4) % hashes.size()]);
        const std::size_t k = i % names.size();
        if (!names[k].empty()) update(names[k], hashes[k], first[i].facts, first[i].heard);
    }
}

void StationTable::update(std::string_view station, std::uint32_t hash, const StationFacts& facts,
                          const LocalTime& heard) {
    std::size_t at = probe(station, hash);
    const bool known = index_[at].idPlusOne != 0;
    if (facts.killed) {
        if (known) removeRow(index_[at].idPlusOne - 1);
        return;
    }
    RowId id = 0;
    if (known) {
        id = index_[at].idPlusOne - 1;
    } else {
        // Making room moves entries of the index: the place is looked up again after.
        if (size_ >= maxRows_) removeRow(heardLongestAgo());
        if ((size_ + 1) * 2 > index_.size()) growIndex();
        id = addRow(station, hash, probe(station, hash));
    }

    StationRow& row = slots_[id].row;
    row.lastHeard = heard;
    ++row.packets;
    row.heardOrder = ++heardCount_;
    orders_[id] = row.heardOrder;
    heardQueue_.push_back({row.heardOrder, id});
    row.lastText = facts.lastText;
    if (!facts.packet.empty()) row.lastPacket = facts.packet;
    if (!facts.via.empty()) row.via = facts.via;
    if (!facts.device.empty()) row.device = facts.device;
    // A message or status names no symbol; a position names the one it shows, none included.
    if (facts.hasPosition || !facts.symbol.empty()) {
        row.symbol = facts.symbol;
        row.symbolTable = facts.symbolTable;
        row.symbolCode = facts.symbolCode;
    }
    if (facts.hasPosition) {
        row.hasPosition = true;
        row.latitude = facts.latitude;
        row.longitude = facts.longitude;
        row.distanceKm = facts.distanceKm;
        row.azimuthDeg = facts.azimuthDeg;
        row.speedKmh = facts.speedKmh;
        row.courseDeg = facts.courseDeg;
        row.altitudeM = facts.altitudeM;
    }
    if (heardQueue_.size() > 2 * size_ + kFirstIndexSize) dropStaleHeard();
    for (Listener* listener : listeners_) {
        if (known)
            listener->rowChanged(id);
        else
            listener->rowAdded(id);
    }
}

void StationTable::restore(const StationRow& kept) {
    const std::string_view station = trimmed(kept.station);
    if (station.empty()) return;
    const std::uint32_t hash = hashOf(station);
    if (index_[probe(station, hash)].idPlusOne != 0) return;
    if (size_ >= maxRows_) removeRow(heardLongestAgo());
    if ((size_ + 1) * 2 > index_.size()) growIndex();
    const RowId id = addRow(station, hash, probe(station, hash));
    StationRow& row = slots_[id].row;
    const std::string name = std::move(row.station);
    row = kept;
    row.station = name;
    row.heardOrder = ++heardCount_;
    orders_[id] = row.heardOrder;
    heardQueue_.push_back({row.heardOrder, id});
    for (Listener* listener : listeners_) listener->rowAdded(id);
}

StationTable::RowId StationTable::addRow(std::string_view station, std::uint32_t hash, std::size_t at) {
    RowId id = 0;
    if (freeSlots_.empty()) {
        id = static_cast<RowId>(slots_.size());
        slots_.emplace_back();
        orders_.push_back(0);
    } else {
        id = freeSlots_.back();
        freeSlots_.pop_back();
    }
    Slot& slot = slots_[id];
    slot.used = true;
    slot.hash = hash;
    slot.row.station = station;
    index_[at] = {id + 1, hash};
    ++size_;
    return id;
}

void StationTable::removeRow(RowId id) {
    Slot& slot = slots_[id];
    eraseEntry(probe(slot.row.station, slot.hash));
    --size_;
    for (Listener* listener : listeners_) listener->rowRemoved(id);
    // Assigned, not destroyed: the strings keep their room for the next station here.
    slot.used = false;
    orders_[id] = 0;
    StationRow& row = slot.row;
    row.station.clear();
    row.via.clear();
    row.packets = 0;
    row.symbol.clear();
    row.symbolTable = row.symbolCode = 0;
    row.device.clear();
    row.hasPosition = false;
    row.latitude = row.longitude = 0;
    row.distanceKm.reset();
    row.azimuthDeg.reset();
    row.speedKmh.reset();
    row.courseDeg.reset();
    row.altitudeM.reset();
    row.lastText.clear();
    freeSlots_.push_back(id);
}

// Linear probing without tombstones: the entries after the hole that belong before it move up.
void StationTable::eraseEntry(std::size_t at) {
    const std::size_t mask = index_.size() - 1;
    index_[at] = {};
    for (std::size_t next = (at + 1) & mask; index_[next].idPlusOne != 0; next = (next + 1) & mask) {
        const std::size_t home = index_[next].hash & mask;
        if (((next - home) & mask) < ((next - at) & mask)) continue;
        index_[at] = index_[next];
        index_[next] = {};
        at = next;
    }
}

void StationTable::growIndex() {
    std::vector<Entry> old(index_.size() * 2);
    old.swap(index_);
    const std::size_t mask = index_.size() - 1;
    for (const Entry& e : old) {
        if (e.idPlusOne == 0) continue;
        std::size_t at = e.hash & mask;
        while (index_[at].idPlusOne != 0) at = (at + 1) & mask;
        index_[at] = e;
    }
}

StationTable::RowId StationTable::heardLongestAgo() {
    for (;;) {
        const Heard front = heardQueue_.front();
        heardQueue_.pop_front();
        if (orders_[front.id] == front.order) return front.id;
    }
}

// Entries whose row has been heard again since, or has gone, are dropped, so the queue
// stays within a few times the rows.
void StationTable::dropStaleHeard() {
    std::deque<Heard> current;
    for (const Heard& h : heardQueue_)
        if (orders_[h.id] == h.order) current.push_back(h);
    heardQueue_.swap(current);
}

void StationTable::forEachNewestFirst(const std::function<void(RowId, const StationRow&)>& visit) const {
    std::vector<Heard> rows;
    rows.reserve(size_);
    for (RowId id = 0; id < slots_.size(); ++id)
        if (slots_[id].used) rows.push_back({slots_[id].row.heardOrder, id});
    std::sort(rows.begin(), rows.end(), [](const Heard& a, const Heard& b) { return a.order > b.order; });
    for (const Heard& h : rows) visit(h.id, slots_[h.id].row);
}

std::string lastHeardText(const LocalTime& t) {
    return dateText(t) + " " + twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

namespace {

// "44.50833", "-0.50000": five decimals, and no minus for what rounds to zero.
std::string fiveDecimals(double degrees) {
    char text[32];
    std::snprintf(text, sizeof text, "%.5f", degrees);
    std::string out = text;
    if (out == "-0.00000") out.erase(0, 1);
    return out;
}

// A number in the records' form, and for a direction its degree sign and sector after it.
std::string_view numberText(std::string& scratch, double value, bool direction) {
    scratch.clear();
    appendTrimmedNumericText(scratch, value);
    if (direction) {
        scratch += '\xB0';
        scratch += compassSectorName(value);
    }
    return scratch;
}

// Under 10 km one decimal ("0.4"), as near stations differ by less than a kilometre;
// further, whole kilometres rounded as the record rounds them.
std::string_view distanceText(std::string& scratch, const std::optional<double>& km) {
    scratch.clear();
    if (!km) return scratch;
    const double tenths = std::round(*km * 10) / 10;
    if (tenths < 10) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", tenths);
        return scratch = text;
    }
    appendTrimmedNumericText(scratch, roundHalfEven(*km));
    return scratch;
}

template <typename Number>
std::string_view optionalText(std::string& scratch, const std::optional<Number>& value, bool direction = false) {
    if (!value) return {};
    return numberText(scratch, static_cast<double>(*value), direction);
}

// A cell's text: the stored texts as they are, the others made in `scratch`. `sectors`:
// the azimuth and the course with their degree sign and sector, as the table shows them.
std::string_view cellText(const StationRow& row, StationColumn column, std::string& scratch, bool sectors = true) {
    switch (column) {
    case StationColumn::Station: return row.station;
    case StationColumn::LastHeard: return scratch = lastHeardText(row.lastHeard);
    case StationColumn::Via: return row.via;
    case StationColumn::Packets: return scratch = std::to_string(row.packets);
    case StationColumn::Symbol: return row.symbol;
    case StationColumn::Device: return row.device;
    case StationColumn::Latitude: return scratch = row.hasPosition ? fiveDecimals(row.latitude) : std::string();
    case StationColumn::Longitude: return scratch = row.hasPosition ? fiveDecimals(row.longitude) : std::string();
    case StationColumn::DistanceKm: return distanceText(scratch, row.distanceKm);
    case StationColumn::Azimuth: return optionalText(scratch, row.azimuthDeg, sectors);
    case StationColumn::SpeedKmh: return optionalText(scratch, row.speedKmh);
    case StationColumn::Course: return optionalText(scratch, row.courseDeg, sectors);
    case StationColumn::AltitudeM: return optionalText(scratch, row.altitudeM);
    case StationColumn::LastText: return row.lastText;
    }
    return {};
}

}  // namespace

std::string stationCellText(const StationRow& row, StationColumn column) {
    std::string scratch;
    return std::string(cellText(row, column, scratch));
}

namespace {

// Texts heard on the air go into spreadsheets: one that would start a formula there gets a
// leading apostrophe, which spreadsheets take as "text" and do not show.
bool startsFormula(std::string_view text) {
    return !text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@');
}

bool isHeardText(StationColumn column) {
    return column == StationColumn::Station || column == StationColumn::LastText || column == StationColumn::Via ||
           column == StationColumn::Device;
}

void appendCsvField(std::string& out, std::string_view cp1252, bool defuse) {
    // The bytes that call for quotes are ASCII, the same in Windows-1252 and UTF-8.
    const bool quoted = cp1252.find_first_of(",\"\r\n") != std::string_view::npos;
    if (quoted) out += '"';
    if (defuse && startsFormula(cp1252)) out += '\'';
    std::size_t from = 0;
    for (std::size_t quote = cp1252.find('"'); quote != std::string_view::npos; quote = cp1252.find('"', from)) {
        appendAirTextAsUtf8(out, cp1252.substr(from, quote + 1 - from));
        out += '"';
        from = quote + 1;
    }
    appendAirTextAsUtf8(out, cp1252.substr(from));
    if (quoted) out += '"';
}

}  // namespace

std::string stationsCsv(const StationTable& table) {
    std::string out;
    for (std::size_t c = 0; c < kStationColumnCount; ++c) {
        if (c > 0) out += ',';
        out += kStationColumnNames[c];
    }
    out += "\r\n";
    std::string scratch;
    table.forEachNewestFirst([&out, &scratch](StationTable::RowId, const StationRow& row) {
        for (std::size_t c = 0; c < kStationColumnCount; ++c) {
            const auto column = static_cast<StationColumn>(c);
            if (c > 0) out += ',';
            // Numeric columns hold numbers only: a direction without its sector.
            appendCsvField(out, cellText(row, column, scratch, false), isHeardText(column));
        }
        out += "\r\n";
    });
    return out;
}

}  // namespace quilmo
