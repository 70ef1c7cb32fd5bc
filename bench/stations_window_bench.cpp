// The Stations window under a packet flood, open and sorted: the cost of one frame (the
// packets that arrived since the last one, the rows brought up to date, the table painted)
// and what that comes to as a share of a core. Offscreen.
#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QTableView>
#include <cstdlib>
#include <string>

#include "app/stations_window.h"

namespace {

using namespace quilmo;

StationFacts factsOf(int n) {
    StationFacts f;
    f.station = "N" + std::to_string(n % 10000) + "CALL-" + std::to_string(n / 10000);
    f.lastText = "Mobile, QRV 145.500 " + std::to_string(n % 97);
    f.symbol = "Car";
    f.hasPosition = true;
    f.latitude = 44.5 + (n % 1000) * 1e-3;
    f.longitude = 11.25 - (n % 777) * 1e-3;
    f.distanceKm = n % 700;
    f.azimuthDeg = 53;
    f.speedKmh = n % 120;
    f.courseDeg = 79;
    return f;
}

// Arguments: stations heard, packets a second (115200 baud carries about 200 APRS packets a
// second, 921600 about 1500), and whether all rows are selected. Each iteration is one frame
// with the packets of the window's own frame interval, which grows when a frame costs much;
// core_percent is the CPU time over the time the packets took on the line.
void BM_StationsWindowFrame(benchmark::State& state) {
    const int stations = static_cast<int>(state.range(0));
    const int perSecond = static_cast<int>(state.range(1));
    StationTable table;
    StationsWindow window(table, [](const QString&) {});
    auto* view = window.findChild<QTableView*>("StationsTable");
    window.resize(1280, 480);  // as bench/flood shows it beside the main window
    window.openWindow();
    for (int n = 0; n < stations; ++n) window.table().update(factsOf(n), LocalTime{});
    window.catchUp();
    // Sorted by distance, so that every frame moves rows about.
    view->sortByColumn(static_cast<int>(StationColumn::DistanceKm), Qt::AscendingOrder);
    if (state.range(2) != 0) view->selectAll();
    QApplication::processEvents();
    int next = 0, second = 0;
    double lineSeconds = 0;
    for (auto _ : state) {
        const int interval = window.catchUpInterval();
        lineSeconds += interval / 1000.0;
        for (int k = 0; k < perSecond * interval / 1000; ++k)
            window.table().update(factsOf((next += 7919) % stations), LocalTime{2026, 12, 5, 9, 5, ++second % 60});
        window.catchUp();
    }
    // A rate of 1/(100 lineSeconds), inverted, reads as CPU seconds per 100 line seconds.
    state.counters["core_percent"] =
        benchmark::Counter(lineSeconds / 100.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["frame_ms"] = window.catchUpInterval();
}
BENCHMARK(BM_StationsWindowFrame)
    ->Args({300, 200, 0})
    ->Args({300, 1500, 0})
    ->Args({300, 1500, 1})
    ->Args({50000, 200, 0})
    ->Args({50000, 1500, 0})
    ->Args({100000, 1500, 1})
    ->Unit(benchmark::kMillisecond);

// A whole sort of 50,000 rows by one column, each way in turn: what a click on a caption
// costs. Argument: the column.
void BM_StationsWindowSort(benchmark::State& state) {
    StationTable table;
    StationsWindow window(table, [](const QString&) {});
    auto* view = window.findChild<QTableView*>("StationsTable");
    window.openWindow();
    for (int n = 0; n < 50000; ++n) window.table().update(factsOf(n * 7919 % 50000), LocalTime{});
    window.catchUp();
    const int column = static_cast<int>(state.range(0));
    bool ascending = false;
    for (auto _ : state) {
        ascending = !ascending;
        view->sortByColumn(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
    state.SetItemsProcessed(state.iterations() * 50000);
}
BENCHMARK(BM_StationsWindowSort)
    ->Arg(static_cast<int>(StationColumn::Station))
    ->Arg(static_cast<int>(StationColumn::Latitude))
    ->Arg(static_cast<int>(StationColumn::DistanceKm))
    ->Arg(static_cast<int>(StationColumn::SpeedKmh))
    ->Arg(static_cast<int>(StationColumn::Course))
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
