#include "aprs/station_keeper.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "aprs/numeric.h"

namespace quilmo {
namespace {

// A kept file is read like anything from outside: no text longer than a packet line can be.
constexpr std::size_t kLongestText = 1024;

std::string capped(const std::string& text) { return text.size() <= kLongestText ? text : text.substr(0, kLongestText); }

std::optional<double> finite(const std::optional<double>& v) {
    return v && std::isfinite(*v) ? v : std::nullopt;
}

template <typename Whole>
std::optional<Whole> whole(const std::optional<double>& v) {
    if (!v || !std::isfinite(*v) || std::abs(*v) > std::numeric_limits<Whole>::max()) return std::nullopt;
    return static_cast<Whole>(std::lround(*v));
}

KeptStation keptFrom(const StationRow& row, bool objectOrItem) {
    KeptStation k;
    k.station = row.station;
    k.heard = wallClockSeconds(row.lastHeard);
    k.heardText = isoLocalTimeText(row.lastHeard);
    k.utcOffsetMinutes = row.lastHeard.utcOffsetMinutes;
    k.order = row.heardOrder;
    k.via = row.via;
    k.packets = static_cast<std::int64_t>(row.packets);
    k.symbol = row.symbol;
    if (row.symbolTable != 0 && row.symbolCode != 0) k.symbolChars = {row.symbolTable, row.symbolCode};
    k.device = row.device;
    k.hasPosition = row.hasPosition;
    k.latitude = row.latitude;
    k.longitude = row.longitude;
    if (row.distanceKm) k.distanceKm = *row.distanceKm;
    if (row.azimuthDeg) k.azimuthDeg = *row.azimuthDeg;
    k.speedKmh = row.speedKmh;
    k.courseDeg = row.courseDeg;
    k.altitudeM = row.altitudeM;
    k.lastText = row.lastText;
    k.lastPacket = row.lastPacket;
    k.objectOrItem = objectOrItem;
    return k;
}

}  // namespace

std::string isoLocalTimeText(const LocalTime& t) {
    return dateText(t) + "T" + twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

StationKeeper::StationKeeper(StationTable& table, StationTracks& tracks, StationStore& store)
    : table_(table), tracks_(tracks), store_(store) {}

StationKeeper::~StationKeeper() {
    if (following_) table_.removeListener(this);
}

bool StationKeeper::load(std::int64_t since) {
    std::string reason;
    const bool ok = store_.load(
        since, [this](const KeptStation& kept) { restore(kept); },
        [this](const KeptPoint& p) {
            tracks_.restore(p.station, {p.lat, p.lon, static_cast<std::uint32_t>(std::clamp<std::int64_t>(p.time, 0, UINT32_MAX))});
        },
        reason);
    if (!ok) {
        // As messages do: a store that cannot be read at the start is not tried again.
        notice_ = reason + " Heard stations are kept only until the program ends.";
        return false;
    }
    notice_.clear();
    // What was restored is in the store already: only what happens from now on waits.
    if (!following_) table_.addListener(this);
    following_ = true;
    return true;
}

void StationKeeper::restore(const KeptStation& kept) {
    StationRow row;
    if (kept.station.empty() || kept.station.size() > kLongestText || !parseIsoLocalTime(kept.heardText, row.lastHeard))
        return;
    row.lastHeard.utcOffsetMinutes = std::clamp(kept.utcOffsetMinutes, -24 * 60, 24 * 60);
    row.station = kept.station;
    row.via = capped(kept.via);
    row.packets = static_cast<std::uint64_t>(std::max<std::int64_t>(kept.packets, 1));
    row.symbol = capped(kept.symbol);
    // Only a pair of printable characters is a symbol; anything else in the file is none.
    if (kept.symbolChars.size() == 2 && kept.symbolChars[0] > ' ' && kept.symbolChars[0] < 127 &&
        kept.symbolChars[1] > ' ' && kept.symbolChars[1] < 127) {
        row.symbolTable = kept.symbolChars[0];
        row.symbolCode = kept.symbolChars[1];
    }
    row.device = capped(kept.device);
    row.hasPosition = kept.hasPosition && std::isfinite(kept.latitude) && std::isfinite(kept.longitude) &&
                      std::abs(kept.latitude) <= 90 && std::abs(kept.longitude) <= 180;
    if (row.hasPosition) {
        row.latitude = kept.latitude;
        row.longitude = kept.longitude;
        row.distanceKm = whole<std::int32_t>(kept.distanceKm);
        row.azimuthDeg = whole<int>(kept.azimuthDeg);
        row.speedKmh = finite(kept.speedKmh);
        row.courseDeg = finite(kept.courseDeg);
        row.altitudeM = finite(kept.altitudeM);
    }
    row.lastText = capped(kept.lastText);
    row.lastPacket = capped(kept.lastPacket);
    table_.restore(row);
    if (kept.objectOrItem) tracks_.markObjectOrItem(kept.station);
}

void StationKeeper::rowAdded(StationTable::RowId id) { rowChanged(id); }

void StationKeeper::rowChanged(StationTable::RowId id) {
    const std::string& station = table_.row(id).station;
    if (!removed_.empty()) removed_.erase(station);
    changed_.insert(station);
}

void StationKeeper::rowRemoved(StationTable::RowId id) {
    const std::string& station = table_.row(id).station;
    changed_.erase(station);
    removed_.insert(station);
}

void StationKeeper::trackChanged(std::string_view station, StationTracks::Change change) {
    if (change == StationTracks::Change::None || !following_) return;
    station = trimBlanks(station);
    if (change == StationTracks::Change::Removed) {
        // A killed object's points go, those waiting too; a point after this starts a new track.
        std::erase_if(points_, [station](const KeptPoint& p) { return p.station == station; });
        tracksRemoved_.emplace(station);
        return;
    }
    const StationTrack* track = tracks_.find(station);
    if (track == nullptr || track->empty()) return;
    const TrackPoint& last = track->back();
    // A renewal of a point still waiting changes only its time.
    if (change == StationTracks::Change::Renewed && !points_.empty()) {
        for (auto p = points_.rbegin(); p != points_.rend(); ++p) {
            if (p->station != station) continue;
            if (p->lat == last.lat && p->lon == last.lon) {
                p->time = last.time;
                return;
            }
            break;
        }
    }
    if (points_.size() >= kMostWaitingPoints) points_.pop_front();
    points_.push_back({std::string(station), last.lat, last.lon, last.time,
                       change == StationTracks::Change::Renewed});
}

StationBatch StationKeeper::batch() const {
    StationBatch b;
    b.stations.reserve(changed_.size());
    for (const std::string& name : changed_) {
        const StationTable::RowId id = table_.find(name);
        if (id != StationTable::kNoRow) b.stations.push_back(keptFrom(table_.row(id), tracks_.objectOrItem(name)));
    }
    b.removed.assign(removed_.begin(), removed_.end());
    b.tracksRemoved.assign(tracksRemoved_.begin(), tracksRemoved_.end());
    b.points.assign(points_.begin(), points_.end());
    return b;
}

bool StationKeeper::write() {
    if (!waiting()) return true;
    std::string reason;
    const bool ok = store_.apply(batch(), reason);
    if (ok) {
        changed_.clear();
        removed_.clear();
        tracksRemoved_.clear();
        points_.clear();
    }
    note(ok, reason);
    return ok;
}

bool StationKeeper::dropOlderThan(std::int64_t before) {
    std::string reason;
    const bool ok = store_.dropOlderThan(before, StationTracks::kTotal, reason);
    note(ok, reason);
    return ok;
}

void StationKeeper::note(bool ok, const std::string& reason) {
    notice_ = ok ? std::string() : reason + " Heard stations are kept and written as soon as it works again.";
}

}  // namespace quilmo
