// Heard-stations table: time per update with many stations, at the row limit, and the CSV.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "aprs/station_table.h"

namespace {

using namespace quilmo;

const LocalTime kNow{2026, 12, 5, 9, 5, 3};

// Facts as a busy channel gives them: most with a position, some messages and status reports.
StationFacts factsOf(int n) {
    StationFacts f;
    f.station = "N" + std::to_string(n % 10000) + "CALL-" + std::to_string(n / 10000);
    f.lastText = std::string(static_cast<std::size_t>(n % 40), 'c') + std::to_string(n);  // short and long texts
    if (n % 4 == 0) return f;
    f.symbol = "Car";
    f.hasPosition = true;
    f.latitude = 44.5 + n * 1e-5;
    f.longitude = 11.25 - n * 1e-5;
    f.distanceKm = n % 700;
    f.azimuthDeg = 53;
    f.speedKmh = 67;
    f.courseDeg = 79.2;
    return f;
}

// Updates of `stations` known stations in random order. The facts are made in one place, as
// the decoder makes them: only the table's own memory is cold.
void BM_UpdateKnownStations(benchmark::State& state) {
    const int stations = static_cast<int>(state.range(0));
    StationTable table;
    std::vector<std::string> names;
    for (int n = 0; n < stations; ++n) {
        const StationFacts f = factsOf(n);
        table.update(f, kNow);
        names.push_back(f.station);
    }
    std::mt19937 random(14);
    std::vector<int> order(1 << 16);
    for (int& o : order) o = static_cast<int>(random() % static_cast<unsigned>(stations));
    StationFacts facts = factsOf(1);
    std::size_t i = 0;
    for (auto _ : state) {
        facts.station = names[static_cast<std::size_t>(order[i])];
        table.update(facts, kNow);
        i = (i + 1) % order.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UpdateKnownStations)->Arg(50)->Arg(50000)->Arg(100000);

// The same through updateAll, in batches as quilmo-decode hands them over.
void BM_UpdateAllKnownStations(benchmark::State& state) {
    const int stations = static_cast<int>(state.range(0));
    StationTable table;
    for (int n = 0; n < stations; ++n) table.update(factsOf(n), kNow);
    std::mt19937 random(14);
    std::vector<HeardFacts> batch(1 << 16, HeardFacts{factsOf(1), kNow});  // more rows than the cache holds
    for (HeardFacts& h : batch) h.facts = factsOf(static_cast<int>(random() % static_cast<unsigned>(stations)));
    for (auto _ : state) table.updateAll(batch.data(), batch.size());
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(batch.size()));
}
BENCHMARK(BM_UpdateAllKnownStations)->Arg(50)->Arg(5000)->Arg(50000)->Arg(100000);

// A new station on every update of a full table: each one sends the oldest away.
void BM_UpdateNewStationsAtTheLimit(benchmark::State& state) {
    StationTable table;
    int n = 0;
    for (; n < static_cast<int>(StationTable::kMaxRows); ++n) table.update(factsOf(n), kNow);
    StationFacts facts = factsOf(1);
    for (auto _ : state) {
        facts.station = "NEW" + std::to_string(n++);
        table.update(facts, kNow);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UpdateNewStationsAtTheLimit);

void BM_WriteCsv(benchmark::State& state) {
    StationTable table;
    for (int n = 0; n < 50000; ++n) table.update(factsOf(n), kNow);
    for (auto _ : state) benchmark::DoNotOptimize(stationsCsv(table));
    state.SetItemsProcessed(state.iterations() * 50000);
}
BENCHMARK(BM_WriteCsv);

}  // namespace

BENCHMARK_MAIN();
