#include "app/map_scene.h"

#include <algorithm>
#include <cctype>

namespace quilmo {
namespace {

bool containsNoCase(std::string_view text, std::string_view word) {
    return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

}  // namespace

MarkerKind markerKindOf(const StationRow& row, bool objectOrItem) {
    if (objectOrItem) return MarkerKind::Object;
    if (containsNoCase(row.symbol, "weather")) return MarkerKind::Weather;
    if (row.speedKmh.value_or(0) > 0) return MarkerKind::Moving;
    return MarkerKind::Fixed;
}

void MapScene::rebuild(const StationTable& table, const StationTracks& tracks, long long since) {
    since_ = since;
    stations_.clear();
    std::vector<ClusterIndex::Entry> entries;
    entries.reserve(table.size());
    bounds_ = {1, 1, 0, 0};
    std::size_t seen = 0;
    // Rows live in slots that are reused, never more than the table's limit of them.
    for (StationTable::RowId id = 0; seen < table.size() && id < table.maxRows(); ++id) {
        if (!table.holds(id)) continue;
        ++seen;
        const StationRow& row = table.row(id);
        if (!row.hasPosition) continue;
        const long long heard = wallClockSeconds(row.lastHeard);
        if (heard < since) continue;
        MapStation s{row.station, project({row.latitude, row.longitude}), markerKindOf(row, tracks.objectOrItem(row.station)), -1, heard};
        if (s.kind == MarkerKind::Moving && row.courseDeg) s.course = static_cast<float>(*row.courseDeg);
        s.symbolTable = row.symbolTable;
        s.symbolCode = row.symbolCode;
        bounds_ = {std::min(bounds_.left, s.at.x), std::min(bounds_.top, s.at.y), std::max(bounds_.right, s.at.x),
                   std::max(bounds_.bottom, s.at.y)};
        entries.push_back({toFixed(s.at.x), toFixed(s.at.y), static_cast<std::uint32_t>(stations_.size())});
        stations_.push_back(std::move(s));
    }
    index_.build(std::move(entries));
}

int MapScene::find(const std::string& name) const {
    for (std::size_t i = 0; i < stations_.size(); ++i)
        if (stations_[i].name == name) return static_cast<int>(i);
    return -1;
}

}  // namespace quilmo
