// Heard stations and their tracks kept in quilmo.sqlite across runs: what a run heard is
// there again at the next start, older than the hours kept is dropped, and a store that
// refuses a write keeps everything waiting until it takes it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "aprs/station_keeper.h"
#include "platform/sqlite_station_store.h"
#include "temp_dir.h"

namespace quilmo {
namespace {

LocalTime at(int hour, int minute, int second = 0) { return LocalTime{2026, 12, 5, hour, minute, second, 60}; }

StationFacts position(const std::string& station, double lat, double lon, const std::string& packet) {
    StationFacts f;
    f.station = station;
    f.hasPosition = true;
    f.latitude = lat;
    f.longitude = lon;
    f.symbol = "/>";
    f.symbolTable = '\\';  // the alternate table: a symbol read back as the primary one would show
    f.symbolCode = '>';
    f.via = "DIGI*";
    f.speedKmh = 36;
    f.lastText = "comment";
    f.packet = packet;
    return f;
}

// One run's stations: the table, the tracks and the keeper over the database in `dir`.
struct ProgramRun {
    StationTable table;
    StationTracks tracks;
    SqliteStationStore store;
    StationKeeper keeper{table, tracks, store};
    explicit ProgramRun(const test::TempDir& dir) : store(dir.file("quilmo.sqlite")) {}

    void heard(const StationFacts& facts, const LocalTime& when) {
        table.update(facts, when);
        keeper.trackChanged(facts.station, tracks.add(facts, when));
    }
    std::vector<std::string> newestFirst() const {
        std::vector<std::string> names;
        table.forEachNewestFirst([&](StationTable::RowId, const StationRow& row) { names.push_back(row.station); });
        return names;
    }
    std::vector<std::string> track(const std::string& station) const {
        std::vector<std::string> points;
        const StationTrack* t = tracks.find(station);
        for (std::size_t i = 0; t != nullptr && i < t->size(); ++i)
            points.push_back(std::to_string((*t)[i].lat) + "," + std::to_string((*t)[i].lon) + "@" + std::to_string((*t)[i].time));
        return points;
    }
};

std::string seconds(const LocalTime& t) { return std::to_string(wallClockSeconds(t)); }

std::int64_t countOf(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_stmt* row = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_prepare_v2(db, sql, -1, &row, nullptr);
    const std::int64_t count = sqlite3_step(row) == SQLITE_ROW ? sqlite3_column_int64(row, 0) : -1;
    sqlite3_finalize(row);
    sqlite3_close_v2(db);
    return count;
}

// A run that heard a moving station, one fixed station twice, an object later killed and
// one revived: the next start finds the rows as they were (order, counts, the latest
// packet's line, the time with its offset), every track point with a renewed time, and
// nothing of the killed object.
TEST(StationKeeper, NextRunFindsStationsAndTracks) {
    test::TempDir dir;
    {
        ProgramRun first(dir);
        ASSERT_TRUE(first.keeper.load(0)) << first.keeper.notice();
        first.heard(position("MOVER", 44.5, 11.3, "MOVER>APRS:!1"), at(10, 0));
        first.heard(position("FIXED", 45, 9, "FIXED>APRS:!a"), at(10, 1));
        StationFacts object = position("BALLOON  ", 46, 10, "W1AW>APRS:;BALLOON  *");
        object.objectOrItem = true;
        first.heard(object, at(10, 2));
        StationFacts kept = position("TENT", 43, 12, "W1AW>APRS:;TENT     *");
        kept.objectOrItem = true;
        first.heard(kept, at(10, 2));
        ASSERT_TRUE(first.keeper.write());
        first.heard(position("MOVER", 44.6, 11.4, "MOVER>APRS:!2"), at(10, 3));
        first.heard(position("FIXED", 45, 9, "FIXED>APRS:!b"), at(10, 4));  // the same place: its time renews
        object.killed = true;
        first.heard(object, at(10, 5));
        EXPECT_TRUE(first.keeper.waiting());
        ASSERT_TRUE(first.keeper.write());
        EXPECT_FALSE(first.keeper.waiting());
    }
    // A renewed point is the same row of the file, not one more.
    EXPECT_EQ(countOf(dir.file("quilmo.sqlite"), "SELECT count(*) FROM track_points"), 4);
    ProgramRun next(dir);
    ASSERT_TRUE(next.keeper.load(0)) << next.keeper.notice();
    EXPECT_EQ(next.newestFirst(), (std::vector<std::string>{"FIXED", "MOVER", "TENT"}));
    const StationRow& mover = next.table.row(next.table.find("MOVER"));
    EXPECT_EQ(mover.packets, 2u);
    EXPECT_EQ(mover.lastPacket, "MOVER>APRS:!2");
    EXPECT_EQ(lastHeardText(mover.lastHeard), "2026-12-05 10:03:00");
    EXPECT_EQ(mover.lastHeard.utcOffsetMinutes, 60);
    EXPECT_DOUBLE_EQ(mover.latitude, 44.6);
    EXPECT_EQ(mover.speedKmh, 36);
    EXPECT_EQ(mover.via, "DIGI*");
    EXPECT_EQ(std::string({mover.symbolTable, mover.symbolCode}), "\\>");
    EXPECT_FALSE(mover.distanceKm.has_value());
    EXPECT_EQ(next.track("MOVER"), (std::vector<std::string>{"445000000,113000000@" + seconds(at(10, 0)),
                                                              "446000000,114000000@" + seconds(at(10, 3))}));
    EXPECT_EQ(next.track("FIXED"), std::vector<std::string>{"450000000,90000000@" + seconds(at(10, 4))});
    EXPECT_TRUE(next.track("BALLOON").empty());
    EXPECT_TRUE(next.tracks.objectOrItem("TENT"));
    EXPECT_FALSE(next.tracks.objectOrItem("MOVER"));
    // Restored rows are no change to write again; a packet after the start continues them.
    EXPECT_FALSE(next.keeper.waiting());
    next.heard(position("MOVER", 44.7, 11.5, "MOVER>APRS:!3"), at(11, 0));
    EXPECT_EQ(next.newestFirst().front(), "MOVER");
    EXPECT_EQ(next.table.row(next.table.find("MOVER")).packets, 3u);
}

// KEEPHOURS: a start loads only what was heard since the cutoff, and dropping removes the
// rest from the file for good, points included.
TEST(StationKeeper, OlderThanTheHoursKeptIsDropped) {
    test::TempDir dir;
    {
        ProgramRun first(dir);
        first.keeper.load(0);
        first.heard(position("OLD", 44, 11, "OLD>APRS:!"), at(8, 0));
        first.heard(position("NEW", 45, 12, "NEW>APRS:!"), at(8, 0));  // its first point is old
        first.heard(position("NEW", 44, 12, "NEW>APRS:!"), at(12, 0));
        ASSERT_TRUE(first.keeper.write());
    }
    const std::int64_t cutoff = wallClockSeconds(at(10, 0));
    {
        ProgramRun loaded(dir);
        ASSERT_TRUE(loaded.keeper.load(cutoff));
        EXPECT_EQ(loaded.newestFirst(), std::vector<std::string>{"NEW"});
        EXPECT_EQ(loaded.track("NEW").size(), 1u);
        EXPECT_TRUE(loaded.track("OLD").empty());
        ASSERT_TRUE(loaded.keeper.dropOlderThan(cutoff));
    }
    ProgramRun all(dir);
    ASSERT_TRUE(all.keeper.load(0));
    EXPECT_EQ(all.newestFirst(), std::vector<std::string>{"NEW"});
    EXPECT_EQ(all.track("NEW").size(), 1u);
    EXPECT_TRUE(all.track("OLD").empty());
}

// Another program holds the database's lock: the write fails with the reason, everything
// waits (the points too), and the next write after the lock is gone takes all of it.
TEST(StationKeeper, LockedDatabaseKeepsChangesUntilItWorks) {
    test::TempDir dir;
    const std::string path = dir.file("quilmo.sqlite");
    ProgramRun run(dir);
    ASSERT_TRUE(run.keeper.load(0));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    run.heard(position("LOCKED", 44, 11, "LOCKED>APRS:!"), at(10, 0));
    run.heard(position("LOCKED", 44.1, 11, "LOCKED>APRS:!"), at(10, 1));
    EXPECT_FALSE(run.keeper.write());
    EXPECT_EQ(run.keeper.notice(),
              "Cannot write " + path + ": database is locked. Heard stations are kept and written as soon as it works again.");
    EXPECT_TRUE(run.keeper.waiting());
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(other);
    EXPECT_TRUE(run.keeper.write());
    EXPECT_EQ(run.keeper.notice(), "");
    ProgramRun next(dir);
    ASSERT_TRUE(next.keeper.load(0));
    EXPECT_EQ(next.newestFirst(), std::vector<std::string>{"LOCKED"});
    EXPECT_EQ(next.track("LOCKED").size(), 2u);
}

// The file is read as anything from outside: rows it cannot stand for are skipped, texts
// longer than any packet cut, a position off the globe dropped.
TEST(StationKeeper, WhatTheFileHoldsIsNotTrusted) {
    test::TempDir dir;
    {
        ProgramRun first(dir);
        first.keeper.load(0);
        first.heard(position("GOOD", 44, 11, "GOOD>APRS:!"), at(10, 0));
        ASSERT_TRUE(first.keeper.write());
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(dir.file("quilmo.sqlite").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    const struct { const char* name; const char* sql; } rows[] = {
        {"time that is no time", "INSERT INTO stations SELECT 'BADTIME', heard, 'yesterday', utc_offset, ord + 1, via,"
                                 " packets, symbol, device, has_position, latitude, longitude, distance_km, azimuth,"
                                 " speed_kmh, course, altitude_m, last_text, last_packet, object, symbol_chars FROM stations"
                                 " WHERE station = 'GOOD'"},
        {"off the globe, a huge text", "INSERT INTO stations SELECT 'FAR', heard, heard_text, utc_offset, ord + 2, via,"
                                       " -5, symbol, device, 1, 1e9, longitude, distance_km, azimuth, speed_kmh, course,"
                                       " altitude_m, zeroblob(100000), last_packet, object, char(1) || 'Z' FROM stations"
                                       " WHERE station = 'GOOD'"},
        {"a point off the globe", "INSERT INTO track_points (station, time, lat, lon) VALUES ('FAR', 0, 2000000000, 0)"},
    };
    for (const auto& row : rows) ASSERT_EQ(sqlite3_exec(db, row.sql, nullptr, nullptr, nullptr), SQLITE_OK) << row.name;
    sqlite3_close_v2(db);
    ProgramRun next(dir);
    ASSERT_TRUE(next.keeper.load(0));
    EXPECT_EQ(next.newestFirst(), (std::vector<std::string>{"FAR", "GOOD"}));
    const StationRow& far = next.table.row(next.table.find("FAR"));
    EXPECT_FALSE(far.hasPosition);
    EXPECT_EQ(far.symbolTable, 0);  // a control character is no symbol table
    EXPECT_EQ(far.packets, 1u);
    EXPECT_EQ(far.lastText.size(), 1024u);
    EXPECT_TRUE(next.track("FAR").empty());
}

}  // namespace
}  // namespace quilmo
