#include "platform/sqlite_station_store.h"

#include <sqlite3.h>

#include <utility>
#include "platform/sqlite_statement.h"

namespace quilmo {
namespace {

// Texts are the bytes heard (Windows-1252 mostly), kept as they are: `sqlite3` shows plain
// callsigns plainly and finds them with WHERE station = 'W1AW'.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS stations ("
    " station TEXT PRIMARY KEY, heard INTEGER NOT NULL, heard_text TEXT NOT NULL, utc_offset INTEGER NOT NULL,"
    " ord INTEGER NOT NULL, via TEXT NOT NULL, packets INTEGER NOT NULL, symbol TEXT NOT NULL, device TEXT NOT NULL,"
    " has_position INTEGER NOT NULL, latitude REAL NOT NULL, longitude REAL NOT NULL, distance_km REAL, azimuth REAL,"
    " speed_kmh REAL, course REAL, altitude_m REAL, last_text TEXT NOT NULL, last_packet TEXT NOT NULL,"
    " object INTEGER NOT NULL, symbol_chars TEXT NOT NULL DEFAULT '') WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS track_points ("
    " id INTEGER PRIMARY KEY, station TEXT NOT NULL, time INTEGER NOT NULL, lat INTEGER NOT NULL, lon INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS track_points_station ON track_points (station);";
// As the message store: a write waits this long for another program's lock, then is
// tried again later; reading at the start happens once and may wait longer.
constexpr int kWriteWaitMs = 5;
constexpr int kLoadWaitMs = 1000;

KeptStation stationFrom(const SqliteStatement& row) {
    KeptStation s;
    s.station = row.text(0);
    s.heard = row.integer(1);
    s.heardText = row.text(2);
    s.utcOffsetMinutes = static_cast<int>(row.integer(3));
    s.order = static_cast<std::uint64_t>(row.integer(4));
    s.via = row.text(5);
    s.packets = row.integer(6);
    s.symbol = row.text(7);
    s.device = row.text(8);
    s.hasPosition = row.integer(9) != 0;
    s.latitude = row.real(10);
    s.longitude = row.real(11);
    s.distanceKm = row.optionalReal(12);
    s.azimuthDeg = row.optionalReal(13);
    s.speedKmh = row.optionalReal(14);
    s.courseDeg = row.optionalReal(15);
    s.altitudeM = row.optionalReal(16);
    s.lastText = row.text(17);
    s.lastPacket = row.text(18);
    s.objectOrItem = row.integer(19) != 0;
    s.symbolChars = row.text(20);
    return s;
}

}  // namespace

SqliteStationStore::SqliteStationStore(std::string path) : path_(std::move(path)) {}

SqliteStationStore::~SqliteStationStore() { close(); }

void SqliteStationStore::close() {
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

std::string SqliteStationStore::failure(const char* doing) const {
    return sqliteFailure(db_, doing, path_);
}

bool SqliteStationStore::execute(const char* sql, std::string& reason) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    reason = failure("write");
    return false;
}

bool SqliteStationStore::open(std::string& reason) {
    if (db_ != nullptr) return true;
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        reason = failure("open");
        close();
        return false;
    }
    sqlite3_busy_timeout(db_, kWriteWaitMs);
    // WAL as the messages have it: a writer killed half-way leaves the last batch whole.
    if (execute("PRAGMA journal_mode=WAL", reason) && execute("PRAGMA synchronous=NORMAL", reason) &&
        execute(kSchema, reason))
        return true;
    reason = failure("open");
    close();
    return false;
}

bool SqliteStationStore::load(std::int64_t since, const std::function<void(const KeptStation&)>& station,
                              const std::function<void(const KeptPoint&)>& point, std::string& reason) {
    if (!open(reason)) return false;
    sqlite3_busy_timeout(db_, kLoadWaitMs);
    SqliteStatement stations(db_,
                       "SELECT station, heard, heard_text, utc_offset, ord, via, packets, symbol, device, has_position,"
                       " latitude, longitude, distance_km, azimuth, speed_kmh, course, altitude_m, last_text,"
                       " last_packet, object, symbol_chars FROM stations WHERE heard >= ?1 ORDER BY ord");
    SqliteStatement points(db_, "SELECT station, time, lat, lon FROM track_points WHERE time >= ?1 ORDER BY id");
    bool ok = stations.ok() && points.ok();
    if (ok) {
        stations.bind(1, since);
        int step = SQLITE_ROW;
        while ((step = stations.step()) == SQLITE_ROW) station(stationFrom(stations));
        ok = step == SQLITE_DONE;
    }
    if (ok) {
        points.bind(1, since);
        KeptPoint p;
        int step = SQLITE_ROW;
        while ((step = points.step()) == SQLITE_ROW) {
            p.station.assign(points.view(0));
            p.time = points.integer(1);
            p.lat = static_cast<std::int32_t>(points.integer(2));
            p.lon = static_cast<std::int32_t>(points.integer(3));
            point(p);
        }
        ok = step == SQLITE_DONE;
    }
    if (!ok) reason = failure("read");
    sqlite3_busy_timeout(db_, kWriteWaitMs);
    return ok;
}

bool SqliteStationStore::transaction(const std::function<bool(std::string&)>& work, std::string& reason) {
    if (!open(reason)) return false;
    if (!execute("BEGIN IMMEDIATE", reason)) return false;
    if (work(reason) && execute("COMMIT", reason)) return true;
    std::string ignored;  // the first reason is the one worth telling
    execute("ROLLBACK", ignored);
    return false;
}

bool SqliteStationStore::apply(const StationBatch& batch, std::string& reason) {
    // A file deleted (or moved away) while open would take every write and keep none.
    int moved = 0;
    if (db_ != nullptr && sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0)
        close();
    return transaction([this, &batch](std::string& why) { return writeAll(batch, why); }, reason);
}

bool SqliteStationStore::writeAll(const StationBatch& batch, std::string& reason) {
    SqliteStatement removeRow(db_, "DELETE FROM stations WHERE station = ?1");
    SqliteStatement removeTrack(db_, "DELETE FROM track_points WHERE station = ?1");
    SqliteStatement put(db_,
                  "INSERT OR REPLACE INTO stations (station, heard, heard_text, utc_offset, ord, via, packets, symbol,"
                  " device, has_position, latitude, longitude, distance_km, azimuth, speed_kmh, course, altitude_m,"
                  " last_text, last_packet, object, symbol_chars) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11,"
                  " ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21)");
    SqliteStatement addPoint(db_, "INSERT INTO track_points (station, time, lat, lon) VALUES (?1, ?2, ?3, ?4)");
    SqliteStatement renew(db_,
                    "UPDATE track_points SET time = ?2 WHERE id = (SELECT max(id) FROM track_points WHERE station = ?1)"
                    " AND lat = ?3 AND lon = ?4");
    if (!removeRow.ok() || !removeTrack.ok() || !put.ok() || !addPoint.ok() || !renew.ok()) {
        reason = failure("write");
        return false;
    }
    bool ok = true;
    for (const std::string& name : batch.removed) {
        removeRow.bindView(1, name);
        ok = ok && removeRow.run();
    }
    for (const std::string& name : batch.tracksRemoved) {
        removeTrack.bindView(1, name);
        ok = ok && removeTrack.run();
    }
    for (const KeptStation& s : batch.stations) {
        if (!ok) break;
        put.bindView(1, s.station);
        put.bind(2, s.heard);
        put.bindView(3, s.heardText);
        put.bind(4, std::int64_t{s.utcOffsetMinutes});
        put.bind(5, static_cast<std::int64_t>(s.order));
        put.bindView(6, s.via);
        put.bind(7, s.packets);
        put.bindView(8, s.symbol);
        put.bindView(9, s.device);
        put.bind(10, std::int64_t{s.hasPosition ? 1 : 0});
        put.bind(11, std::optional<double>(s.latitude));
        put.bind(12, std::optional<double>(s.longitude));
        put.bind(13, s.distanceKm);
        put.bind(14, s.azimuthDeg);
        put.bind(15, s.speedKmh);
        put.bind(16, s.courseDeg);
        put.bind(17, s.altitudeM);
        put.bindView(18, s.lastText);
        put.bindView(19, s.lastPacket);
        put.bindView(21, s.symbolChars);
        put.bind(20, std::int64_t{s.objectOrItem ? 1 : 0});
        ok = put.run();
    }
    for (const KeptPoint& p : batch.points) {
        if (!ok) break;
        if (p.renewed) {
            renew.bindView(1, p.station);
            renew.bind(2, p.time);
            renew.bind(3, std::int64_t{p.lat});
            renew.bind(4, std::int64_t{p.lon});
            ok = renew.run();
            // Its point went with a trim of the oldest: the position is heard anew.
            if (!ok || sqlite3_changes(db_) > 0) continue;
        }
        addPoint.bindView(1, p.station);
        addPoint.bind(2, p.time);
        addPoint.bind(3, std::int64_t{p.lat});
        addPoint.bind(4, std::int64_t{p.lon});
        ok = addPoint.run();
    }
    if (!ok) reason = failure("write");
    return ok;
}

bool SqliteStationStore::dropOlderThan(std::int64_t before, std::size_t mostPoints, std::string& reason) {
    return transaction(
        [this, before, mostPoints](std::string& why) {
            SqliteStatement stations(db_, "DELETE FROM stations WHERE heard < ?1");
            SqliteStatement points(db_, "DELETE FROM track_points WHERE time < ?1");
            SqliteStatement beyond(db_,
                             "DELETE FROM track_points WHERE id <= (SELECT id FROM track_points ORDER BY id DESC"
                             " LIMIT 1 OFFSET ?1)");
            if (!stations.ok() || !points.ok() || !beyond.ok()) {
                why = failure("write");
                return false;
            }
            stations.bind(1, before);
            points.bind(1, before);
            beyond.bind(1, static_cast<std::int64_t>(mostPoints));
            if (stations.run() && points.run() && beyond.run()) return true;
            why = failure("write");
            return false;
        },
        reason);
}

}  // namespace quilmo
