// A KISS TNC's byte stream turned into monitor lines, in bytes per second: at 115200 baud a
// TNC delivers at most 11520 bytes a second.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "terminal/ax25.h"
#include "terminal/kiss.h"
#include "terminal/kiss_monitor.h"

namespace {

using namespace quilmo;

// Typical traffic: positions and MIC-E through one or two digipeaters, and a connected-mode frame.
std::string stream() {
    const Callsign src{"N0CALL", 9}, dst{"APRS", 0}, mic{"T2SP0W", 0}, wide1{"WIDE1", 1}, wide2{"WIDE2", 1};
    const std::string frames[] = {
        ax25UiFrame(src, dst, {{wide1, true}, {wide2, false}}, "!4903.50N/07201.75W-Test 001234 with a comment"),
        ax25UiFrame(src, mic, {{wide1, true}}, "`c_Vm6hk/`\"49}Jeff Mobile_%"),
        ax25UiFrame(src, dst, {}, "@092345z4903.50N/07201.75W_220/004g005t077r000p000P000h50b09900wRSW"),
    };
    std::string bytes;
    for (int i = 0; i < 100; ++i) {
        for (const std::string& f : frames) bytes += kissDataFrame(f);
    }
    return bytes;
}

void BM_KissReceive(benchmark::State& state) {
    const std::string bytes = stream();
    const auto read = static_cast<std::size_t>(state.range(0));
    KissMonitor monitor;
    for (auto _ : state) {
        for (std::size_t at = 0; at < bytes.size(); at += read) {
            benchmark::DoNotOptimize(monitor.receive(std::string_view(bytes).substr(at, read)));
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
// One serial read per byte, a typical read, one large read.
BENCHMARK(BM_KissReceive)->Arg(1)->Arg(64)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
