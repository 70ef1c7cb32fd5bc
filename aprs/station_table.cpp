#include "aprs/station_table.h"

#include <algorithm>

#include "aprs/numeric.h"
#include "platform/cp1252_utf8.h"

namespace quilmo {

StationTable::StationTable(std::size_t maxRows) : maxRows_(std::max<std::size_t>(maxRows, 1)) {
    index_.reserve(std::min(maxRows_, kMaxRows));
}

StationTable::RowId StationTable::find(std::string_view station) const {
    const auto it = index_.find(trimBlanks(station));
    return it == index_.end() ? kNoRow : it->second;
}

void StationTable::update(const StationFacts& facts, const LocalTime& heard) {
    // A name padded to its field's width is the same object as the name alone.
    const std::string_view station = trimBlanks(facts.station);
    if (station.empty()) return;
    const auto it = index_.find(station);
    const bool known = it != index_.end();
    if (facts.killed) {
        if (known) removeRow(it->second);
        return;
    }
    RowId id = 0;
    if (known) {
        id = it->second;
        unlink(id);
        linkNewest(id);
    } else {
        if (index_.size() >= maxRows_) removeRow(oldest_);
        id = addRow(station);
    }

    StationRow& row = slots_[id].row;
    row.lastHeard = heard;
    ++row.packets;
    row.heardOrder = ++heardCount_;
    row.lastText = facts.lastText;
    // A message or status names no symbol; a position names the one it shows, none included.
    if (facts.hasPosition || !facts.symbol.empty()) row.symbol = facts.symbol;
    if (facts.hasPosition) {
        row.hasPosition = true;
        row.latitude = facts.latitude;
        row.longitude = facts.longitude;
        row.distanceKm = trimBlanks(facts.distanceKm);
        row.azimuth = trimBlanks(facts.azimuth);
        row.speedKmh = trimBlanks(facts.speedKmh);
        row.course = trimBlanks(facts.course);
        row.altitudeM = trimBlanks(facts.altitudeM);
    }
    if (listener_ == nullptr) return;
    if (known)
        listener_->rowChanged(id);
    else
        listener_->rowAdded(id);
}

StationTable::RowId StationTable::addRow(std::string_view station) {
    RowId id = 0;
    if (freeSlots_.empty()) {
        id = static_cast<RowId>(slots_.size());
        slots_.emplace_back();
    } else {
        id = freeSlots_.back();
        freeSlots_.pop_back();
    }
    Slot& slot = slots_[id];
    slot.used = true;
    slot.row.station = station;
    index_.emplace(slot.row.station, id);
    linkNewest(id);
    return id;
}

void StationTable::removeRow(RowId id) {
    unlink(id);
    index_.erase(slots_[id].row.station);
    if (listener_ != nullptr) listener_->rowRemoved(id);
    // Assigned, not destroyed: the strings keep their room for the next station here.
    Slot& slot = slots_[id];
    slot.used = false;
    StationRow& row = slot.row;
    row.station.clear();
    row.packets = 0;
    row.symbol.clear();
    row.hasPosition = false;
    row.latitude = row.longitude = 0;
    for (std::string* text : {&row.distanceKm, &row.azimuth, &row.speedKmh, &row.course, &row.altitudeM,
                              &row.lastText})
        text->clear();
    freeSlots_.push_back(id);
}

void StationTable::unlink(RowId id) {
    Slot& slot = slots_[id];
    if (slot.newer != kNoRow)
        slots_[slot.newer].older = slot.older;
    else
        newest_ = slot.older;
    if (slot.older != kNoRow)
        slots_[slot.older].newer = slot.newer;
    else
        oldest_ = slot.newer;
    slot.newer = slot.older = kNoRow;
}

void StationTable::linkNewest(RowId id) {
    Slot& slot = slots_[id];
    slot.newer = kNoRow;
    slot.older = newest_;
    if (newest_ != kNoRow) slots_[newest_].newer = id;
    newest_ = id;
    if (oldest_ == kNoRow) oldest_ = id;
}

void StationTable::forEachNewestFirst(const std::function<void(RowId, const StationRow&)>& visit) const {
    for (RowId id = newest_; id != kNoRow; id = slots_[id].older) visit(id, slots_[id].row);
}

std::string lastHeardText(const LocalTime& t) {
    return dateText(t) + " " + twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

std::string stationCellText(const StationRow& row, StationColumn column) {
    switch (column) {
    case StationColumn::Station: return row.station;
    case StationColumn::LastHeard: return lastHeardText(row.lastHeard);
    case StationColumn::Packets: return std::to_string(row.packets);
    case StationColumn::Symbol: return row.symbol;
    case StationColumn::Latitude: return row.hasPosition ? trimmedNumericText(row.latitude) : std::string();
    case StationColumn::Longitude: return row.hasPosition ? trimmedNumericText(row.longitude) : std::string();
    case StationColumn::DistanceKm: return row.distanceKm;
    case StationColumn::Azimuth: return row.azimuth;
    case StationColumn::SpeedKmh: return row.speedKmh;
    case StationColumn::Course: return row.course;
    case StationColumn::AltitudeM: return row.altitudeM;
    case StationColumn::LastText: return row.lastText;
    }
    return {};
}

namespace {

// Texts heard on the air go into spreadsheets: one that would start a formula there gets a
// leading apostrophe, which spreadsheets take as "text" and do not show.
bool startsFormula(std::string_view text) {
    return !text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@');
}

bool isHeardText(StationColumn column) {
    return column == StationColumn::Station || column == StationColumn::LastText;
}

void appendCsvField(std::string& out, std::string_view cp1252, bool defuse) {
    std::string utf8;
    if (defuse && startsFormula(cp1252)) utf8 += '\'';
    appendCp1252AsUtf8(utf8, cp1252);
    if (utf8.find_first_of(",\"\r\n") == std::string::npos) {
        out += utf8;
        return;
    }
    out += '"';
    for (const char c : utf8) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::string stationsCsv(const StationTable& table) {
    std::string out;
    for (std::size_t c = 0; c < kStationColumnCount; ++c) {
        if (c > 0) out += ',';
        out += kStationColumnNames[c];
    }
    out += "\r\n";
    table.forEachNewestFirst([&out](StationTable::RowId, const StationRow& row) {
        for (std::size_t c = 0; c < kStationColumnCount; ++c) {
            const auto column = static_cast<StationColumn>(c);
            if (c > 0) out += ',';
            appendCsvField(out, stationCellText(row, column), isHeardText(column));
        }
        out += "\r\n";
    });
    return out;
}

}  // namespace quilmo
