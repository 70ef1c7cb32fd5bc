// The heard-stations table: its update rules, what it tells a listener, and its CSV as a
// real CSV reader (python3's csv module) reads it back.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "aprs/station_table.h"
#include "temp_dir.h"

namespace quilmo {
namespace {

const std::string kDeg = "\xB0";

StationFacts position(std::string station, std::string symbol, double lat, double lon, std::string text = {}) {
    StationFacts f;
    f.station = std::move(station);
    f.symbol = std::move(symbol);
    f.hasPosition = true;
    f.latitude = lat;
    f.longitude = lon;
    f.distanceKm = "77";
    f.azimuth = "53" + kDeg + "NE";
    f.speedKmh = "67";
    f.course = "79.2" + kDeg + "E";
    f.altitudeM = "376";
    f.lastText = std::move(text);
    return f;
}

StationFacts textOnly(std::string station, std::string text) {
    StationFacts f;
    f.station = std::move(station);
    f.lastText = std::move(text);
    return f;
}

StationFacts killed(std::string name) {
    StationFacts f = position(std::move(name), "Car", 1, 2);
    f.killed = true;
    return f;
}

// Every change the table reports, as "+A" (added), "~A" (changed), "-A" (removed).
struct EventLog : StationTable::Listener {
    const StationTable* table = nullptr;
    std::string log;
    void note(char kind, StationTable::RowId id) {
        log += (log.empty() ? "" : " ") + std::string(1, kind) + table->row(id).station;
    }
    void rowAdded(StationTable::RowId id) override { note('+', id); }
    void rowChanged(StationTable::RowId id) override { note('~', id); }
    void rowRemoved(StationTable::RowId id) override { note('-', id); }
};

// The rows newest first, cells joined with "|".
std::vector<std::string> rowsOf(const StationTable& table) {
    std::vector<std::string> rows;
    table.forEachNewestFirst([&rows](StationTable::RowId, const StationRow& row) {
        std::string line;
        for (std::size_t c = 0; c < kStationColumnCount; ++c)
            line += (c ? "|" : "") + stationCellText(row, static_cast<StationColumn>(c));
        rows.push_back(line);
    });
    return rows;
}

struct Step {
    StationFacts facts;
    int second;  // heard at 2026-12-05 09:05:<second>
};

struct Case {
    const char* name;
    std::size_t maxRows;
    std::vector<Step> steps;
    std::vector<std::string> rows;
    std::string events;
};

const std::string kHome = "|Home|44.5|-72.0291666666667|77|53" + kDeg + "NE|67|79.2" + kDeg + "E|376|";

TEST(StationTable, UpdateRules) {
    const Case cases[] = {
        {"new station", 10, {{position("N0CALL-9", "Home", 44.5, -72.0291666666667, "on air"), 3}},
         {"N0CALL-9|2026-12-05 09:05:03|1" + kHome + "on air"}, "+N0CALL-9"},
        {"update takes the latest packet", 10,
         {{position("N0CALL", "Car", 10, 20, "first"), 3}, {position("N0CALL", "Home", 44.5, -72.0291666666667, "second"), 9}},
         {"N0CALL|2026-12-05 09:05:09|2" + kHome + "second"}, "+N0CALL ~N0CALL"},
        {"position-less update keeps the position and symbol", 10,
         {{position("N0CALL", "Home", 44.5, -72.0291666666667, "beacon"), 3}, {textOnly("N0CALL", "Net at 20:00"), 4}},
         {"N0CALL|2026-12-05 09:05:04|2" + kHome + "Net at 20:00"}, "+N0CALL ~N0CALL"},
        {"position-less first packet, then a position without speed or text", 10,
         {{textOnly("N0CALL", "hello"), 3}, {[] { auto f = position("N0CALL", "", -0.5, 0.25); f.speedKmh.clear(); f.course.clear(); return f; }(), 5}},
         {"N0CALL|2026-12-05 09:05:05|2||-.5|.25|77|53" + kDeg + "NE|||376|"}, "+N0CALL ~N0CALL"},
        {"objects are stations of their own, padded names included", 10,
         {{position("N0CALL", "Home", 44.5, -72.0291666666667), 3}, {position("LEADER   ", "Car", 1, 2, "obj"), 4},
          {position("LEADER", "Car", 1, 2, "moved"), 5}},
         {"LEADER|2026-12-05 09:05:05|2|Car|1|2|77|53" + kDeg + "NE|67|79.2" + kDeg + "E|376|moved",
          "N0CALL|2026-12-05 09:05:03|1" + kHome},
         "+N0CALL +LEADER ~LEADER"},
        {"a killed object leaves; an unknown killed one adds nothing", 10,
         {{position("LEADER", "Car", 1, 2), 3}, {textOnly("N0CALL", "x"), 4}, {killed("LEADER   "), 5}, {killed("GHOST"), 6}},
         {"N0CALL|2026-12-05 09:05:04|1|||||||||x"}, "+LEADER +N0CALL -LEADER"},
        {"at the limit the station heard longest ago leaves first", 2,
         {{textOnly("A", "a"), 1}, {textOnly("B", "b"), 2}, {textOnly("A", "a2"), 3}, {textOnly("C", "c"), 4}},
         {"C|2026-12-05 09:05:04|1|||||||||c", "A|2026-12-05 09:05:03|2|||||||||a2"}, "+A +B ~A -B +C"},
        {"a row freed by a kill is used again", 2,
         {{textOnly("A", "a"), 1}, {killed("A"), 2}, {textOnly("B", "b"), 3}, {textOnly("C", "c"), 4}, {textOnly("D", "d"), 5}},
         {"D|2026-12-05 09:05:05|1|||||||||d", "C|2026-12-05 09:05:04|1|||||||||c"}, "+A -A +B +C -B +D"},
        {"no station, nothing recorded", 10, {{textOnly("", "lost"), 1}, {textOnly("   ", "lost"), 2}}, {}, ""},
    };
    for (const Case& c : cases) {
        StationTable table(c.maxRows);
        EventLog events;
        events.table = &table;
        table.setListener(&events);
        for (const Step& s : c.steps) table.update(s.facts, LocalTime{2026, 12, 5, 9, 5, s.second});
        EXPECT_EQ(rowsOf(table), c.rows) << c.name;
        EXPECT_EQ(events.log, c.events) << c.name;
        EXPECT_EQ(table.size(), c.rows.size()) << c.name;
    }
}

// Many stations coming, going and being killed, beyond the limit and through index growth:
// one update at a time and in batches give the rows a plain model of the rules gives.
TEST(StationTable, RandomUpdatesMatchAPlainModel) {
    struct Plain {
        std::uint64_t order;
        int packets;
        std::string text;
    };
    constexpr std::size_t kLimit = 700;
    std::map<std::string, Plain> plain;
    StationTable single(kLimit), batched(kLimit);
    std::vector<HeardFacts> batch;
    std::mt19937 random(14);
    std::uint64_t order = 0;
    for (int step = 1; step <= 20000; ++step) {
        const std::string name = "S" + std::to_string(random() % 2000);
        StationFacts f = textOnly(name, std::to_string(step));
        f.killed = random() % 5 == 0;
        const auto it = plain.find(name);
        if (f.killed) {
            if (it != plain.end()) plain.erase(it);
        } else if (it != plain.end()) {
            it->second = {++order, it->second.packets + 1, f.lastText};
        } else {
            if (plain.size() == kLimit)
                plain.erase(std::min_element(plain.begin(), plain.end(), [](const auto& a, const auto& b) {
                    return a.second.order < b.second.order;
                }));
            plain[name] = {++order, 1, f.lastText};
        }
        single.update(f, LocalTime{});
        batch.push_back({f, LocalTime{}});
        if (step % 1000 != 0) continue;
        batched.updateAll(batch.data(), batch.size());
        batch.clear();
        std::vector<std::pair<std::uint64_t, std::string>> expected;
        for (const auto& [station, p] : plain)
            expected.emplace_back(p.order, station + "|" + std::to_string(p.packets) + "|" + p.text);
        std::sort(expected.rbegin(), expected.rend());
        std::vector<std::string> rows;
        single.forEachNewestFirst([&rows](StationTable::RowId, const StationRow& r) {
            rows.push_back(r.station + "|" + std::to_string(r.packets) + "|" + r.lastText);
        });
        std::vector<std::string> expectedRows;
        for (const auto& e : expected) expectedRows.push_back(e.second);
        ASSERT_EQ(rows, expectedRows) << "after step " << step;
        ASSERT_EQ(stationsCsv(batched), stationsCsv(single)) << "after step " << step;
        for (const auto& [station, p] : plain) ASSERT_NE(single.find(station), StationTable::kNoRow) << station;
    }
}

// Exit status of python3 running `script` with the given argument.
int runPython(const std::string& script, const std::string& arg) {
    const std::string command = "'" QUILMO_PYTHON3 "' -c '" + script + "' '" + arg + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Fields that need quoting, Windows-1252 bytes above 0x7F and texts that would start a
// spreadsheet formula, read back by the csv module field by field.
TEST(StationTable, CsvReadsBackWithARealReader) {
    StationTable table;
    table.update(textOnly("=CMD", "a, b \"quoted\"\r\nnext line"), LocalTime{2026, 1, 2, 3, 4, 5});
    table.update(position("OBJ \x80", "Car", -33.5, 151.25, "-73 dBm \xB0"), LocalTime{2026, 1, 2, 3, 4, 6});
    const test::TempDir dir;
    const std::string csv = stationsCsv(table);
    ASSERT_TRUE(writeWholeFile(dir.file("stations.csv"), csv));

    const std::string header =
        "station,last heard,packets,symbol,latitude,longitude,distance km,azimuth,speed km/h,course,altitude m,last text\r\n";
    EXPECT_EQ(csv.substr(0, header.size()), header);
    EXPECT_TRUE(csv.ends_with("\r\n"));

    // Records joined with RS and fields with US: neither occurs in the table.
    const std::string script =
        "import csv, sys\n"
        "rows = list(csv.reader(open(sys.argv[1], newline=\"\", encoding=\"utf-8\"), strict=True))\n"
        "open(sys.argv[1] + \".read\", \"w\", encoding=\"utf-8\", newline=\"\")"
        ".write(\"\\x1e\".join(\"\\x1f\".join(r) for r in rows))\n";
    ASSERT_EQ(runPython(script, dir.file("stations.csv")), 0);
    const auto fields = [](std::vector<std::string> cells) {
        std::string line;
        for (const std::string& c : cells) line += (line.empty() && &c == &cells.front() ? "" : "\x1f") + c;
        return line;
    };
    const std::string expected =
        fields({"station", "last heard", "packets", "symbol", "latitude", "longitude", "distance km", "azimuth",
                "speed km/h", "course", "altitude m", "last text"}) + "\x1e" +
        fields({"OBJ \u20AC", "2026-01-02 03:04:06", "1", "Car", "-33.5", "151.25", "77", "53\u00B0NE", "67",
                "79.2\u00B0E", "376", "'-73 dBm \u00B0"}) + "\x1e" +
        fields({"'=CMD", "2026-01-02 03:04:05", "1", "", "", "", "", "", "", "", "", "a, b \"quoted\"\r\nnext line"});
    EXPECT_EQ(dir.read("stations.csv.read"), expected);
}

}  // namespace
}  // namespace quilmo
