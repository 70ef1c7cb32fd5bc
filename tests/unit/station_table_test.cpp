// The heard-stations table: its update rules, what it tells a listener, and its CSV as a
// real CSV reader (python3's csv module) reads it back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "aprs/station_table.h"
#include "temp_dir.h"

namespace quilmo {
namespace {

// A position packet's facts, in the forms its record lines show.
StationFacts position(std::string station, std::string symbol, double lat, double lon, std::string text = {}) {
    return {.station = std::move(station), .symbol = std::move(symbol), .hasPosition = true, .latitude = lat, .longitude = lon,
            .distanceKm = "77", .azimuth = "53\xB0NE", .speedKmh = "67", .course = "79.2\xB0" "E", .altitudeM = "376",
            .lastText = std::move(text)};
}
StationFacts textOnly(std::string station, std::string text, bool killed = false) {
    return {.station = std::move(station), .killed = killed, .lastText = std::move(text)};
}
StationFacts killed(std::string name) { return textOnly(std::move(name), "", true); }

// Every change the table reports, as "+A" (added), "~A" (changed), "-A" (removed).
struct EventLog : StationTable::Listener {
    const StationTable* table = nullptr;
    std::string log;
    void note(char kind, StationTable::RowId id) { log += (log.empty() ? "" : " ") + std::string(1, kind) + table->row(id).station; }
    void rowAdded(StationTable::RowId id) override { note('+', id); }
    void rowChanged(StationTable::RowId id) override { note('~', id); }
    void rowRemoved(StationTable::RowId id) override { note('-', id); }
};

// The rows newest first, cells joined with "|".
std::vector<std::string> rowsOf(const StationTable& table) {
    std::vector<std::string> rows;
    table.forEachNewestFirst([&rows](StationTable::RowId, const StationRow& row) {
        std::string line;
        for (std::size_t c = 0; c < kStationColumnCount; ++c) line += (c ? "|" : "") + stationCellText(row, static_cast<StationColumn>(c));
        rows.push_back(line);
    });
    return rows;
}

TEST(StationTable, UpdateRules) {
    const std::string home = "|Home|44.5|-72.0291666666667|77|53\xB0NE|67|79.2\xB0" "E|376|";
    const struct { const char* name; std::size_t maxRows; std::vector<std::pair<StationFacts, int>> heardAt; std::vector<std::string> rows;
                   std::string events; } cases[] = {
        {"the latest packet counts; one without a position keeps the last position and symbol", 10,
         {{position("N0CALL", "Car", 10, 20, "first"), 3}, {position("N0CALL", "Home", 44.5, -72.0291666666667, "second"), 4},
          {textOnly("N0CALL", "Net at 20:00"), 9}},
         {"N0CALL|2026-12-05 09:05:09|3" + home + "Net at 20:00"}, "+N0CALL ~N0CALL ~N0CALL"},
        {"position-less first packet, then a position without symbol, speed or text", 10,
         {{textOnly("N0CALL", "hello"), 3}, {[] { auto f = position("N0CALL", "", -0.5, 0.25); f.speedKmh = f.course = ""; return f; }(), 5}},
         {"N0CALL|2026-12-05 09:05:05|2||-.5|.25|77|53\xB0NE|||376|"}, "+N0CALL ~N0CALL"},
        {"objects are stations of their own, padded names included", 10,
         {{textOnly("N0CALL", "beacon"), 3}, {position("LEADER   ", "Car", 1, 2, "obj"), 4}, {position("LEADER", "Car", 1, 2, "moved"), 5}},
         {"LEADER|2026-12-05 09:05:05|2|Car|1|2|77|53\xB0NE|67|79.2\xB0" "E|376|moved", "N0CALL|2026-12-05 09:05:03|1|||||||||beacon"},
         "+N0CALL +LEADER ~LEADER"},
        {"a killed object leaves; an unknown killed one adds nothing", 10,
         {{position("LEADER", "Car", 1, 2), 3}, {textOnly("N0CALL", "x"), 4}, {killed("LEADER   "), 5}, {killed("GHOST"), 6}},
         {"N0CALL|2026-12-05 09:05:04|1|||||||||x"}, "+LEADER +N0CALL -LEADER"},
        {"at the limit the station heard longest ago leaves first", 2,
         {{textOnly("A", "a"), 1}, {textOnly("B", "b"), 2}, {textOnly("A", "a2"), 3}, {textOnly("C", "c"), 4}},
         {"C|2026-12-05 09:05:04|1|||||||||c", "A|2026-12-05 09:05:03|2|||||||||a2"}, "+A +B ~A -B +C"},
        {"no station, nothing recorded", 10, {{textOnly("", "lost"), 1}, {textOnly("   ", "lost"), 2}}, {}, ""},
    };
    for (const auto& c : cases) {
        StationTable table(c.maxRows);
        EventLog events;
        events.table = &table;
        table.setListener(&events);
        for (const auto& [facts, second] : c.heardAt) table.update(facts, LocalTime{2026, 12, 5, 9, 5, second});
        EXPECT_EQ(rowsOf(table), c.rows) << c.name;
        EXPECT_EQ(events.log, c.events) << c.name;
        EXPECT_EQ(table.size(), c.rows.size()) << c.name;
    }
}

// Many stations coming, going and being killed, beyond the limit and through index growth:
// one update at a time and in batches give the rows a plain model of the rules gives.
TEST(StationTable, RandomUpdatesMatchAPlainModel) {
    constexpr std::size_t kLimit = 700;
    std::map<std::string, std::pair<int, int>> plain;  // station: step last heard (its text), packets
    StationTable single(kLimit), batched(kLimit);
    std::vector<HeardFacts> batch;
    std::mt19937 random(14);
    for (int step = 1; step <= 20000; ++step) {
        const std::string name = "S" + std::to_string(random() % 2000);
        const StationFacts f = textOnly(name, std::to_string(step), random() % 5 == 0);
        const auto it = plain.find(name);
        const int packets = it == plain.end() ? 1 : it->second.second + 1;
        if (!f.killed && it == plain.end() && plain.size() == kLimit)
            plain.erase(std::min_element(plain.begin(), plain.end(), [](const auto& a, const auto& b) { return a.second < b.second; }));
        if (f.killed) plain.erase(name);
        else plain[name] = {step, packets};
        single.update(f, LocalTime{});
        batch.push_back({f, LocalTime{}});
        if (step % 1000 != 0) continue;
        batched.updateAll(batch.data(), batch.size());
        batch.clear();
        std::map<int, std::string, std::greater<>> newest;  // the model's rows, newest first
        for (const auto& [station, p] : plain) newest[p.first] = station + "|" + std::to_string(p.second);
        std::vector<std::pair<const int, std::string>> rows;
        single.forEachNewestFirst([&rows](StationTable::RowId, const StationRow& r) {
            rows.emplace_back(std::stoi(r.lastText), r.station + "|" + std::to_string(r.packets));
        });
        ASSERT_EQ(rows, std::vector(newest.begin(), newest.end())) << "after step " << step;
        ASSERT_EQ(stationsCsv(batched), stationsCsv(single)) << "after step " << step;
        for (const auto& [station, p] : plain) ASSERT_NE(single.find(station), StationTable::kNoRow) << station;
    }
}

// Fields that need quoting, Windows-1252 bytes above 0x7F and texts that would start a
// spreadsheet formula, read back by the csv module field by field.
TEST(StationTable, CsvReadsBackWithARealReader) {
    StationTable table;
    table.update(textOnly("=CMD", "a, b \"quoted\"\r\nnext line"), LocalTime{2026, 1, 2, 3, 4, 5});
    table.update(position("OBJ \x80", "Car", -33.5, 151.25, "-73 dBm \xB0"), LocalTime{2026, 1, 2, 3, 4, 6});
    const test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(dir.file("stations.csv"), stationsCsv(table)));
    // The rows after the header, fields joined with "|" and records with "#": neither occurs in the table.
    const std::string script =
        "import csv, sys\n"
        "rows = list(csv.reader(open(sys.argv[1], newline=\"\", encoding=\"utf-8\"), strict=True))\n"
        "open(sys.argv[1] + \".read\", \"w\", encoding=\"utf-8\", newline=\"\").write(\"#\".join(\"|\".join(r) for r in rows[1:]))\n";
    ASSERT_EQ(std::system(("'" QUILMO_PYTHON3 "' -c '" + script + "' '" + dir.file("stations.csv") + "'").c_str()), 0);
    EXPECT_EQ(dir.read("stations.csv.read"), "OBJ \u20AC|2026-01-02 03:04:06|1|Car|-33.5|151.25|77|53\u00B0NE|67|79.2\u00B0E|376|'-73 dBm \u00B0#"
                                             "'=CMD|2026-01-02 03:04:05|1|||||||||a, b \"quoted\"\r\nnext line");
}

}  // namespace
}  // namespace quilmo
