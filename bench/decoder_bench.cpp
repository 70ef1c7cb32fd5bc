// Decoding speed over a mix of every packet kind the decoder knows, in ns per packet.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "aprs/decoder.h"
#include "aprs/filter_flags.h"
#include "aprs/framing.h"

namespace {

using namespace quilmo;

// One of each kind, in monitor form; the mix leans towards positions and MIC-E as on the air.
const std::vector<std::string> kMix = {
    "N1ZZN-9>T2SP0W,WIDE1-1,WIDE2-1:`c_Vm6hk/`\"49}Jeff Mobile_%",
    "SRC>TT3P50:`(0&!ZN>/comment",
    "W6GPS>S4PT3R:`p(1oR0K\\>TH-D74A^",
    "OH7LZB-13>SX15S6,TCPIP*,qAC,FOURTH:'I',l >/]",
    "SRC>DEST,WIDE2-1:!4903.50N/07201.75W-Test 001234",
    "SRC>DEST:=4903.50N/07201.75W>088/036",
    "SRC>DEST:/092345z4903.50N/07201.75W>Test1234",
    "SRC>DEST:@092345z4903.50N/07201.75W>Test1234",
    "SRC>DEST:!/5L!!<*e7>7P[",
    "SRC>DEST:@092345z4903.50N/07201.75W_220/004g005t077r000p000P000h50b09900wRSW",
    "SRC>DEST:;LEADER   *092345z4903.50N/07201.75W>comment",
    "SRC>DEST:)AID #2!4903.50N/07201.75WA",
    "SRC>DEST,PATH:}ISRC>IDEST,IPATH:!4903.50N/07201.75W-inner",
    "SRC>DEST::ADDRESSEE:hello there{001",
    "SRC>DEST:>Net control tonight",
    "SRC>DEST:<IGATE,MSG_CNT=30,LOC_CNT=12",
    "SRC>DEST:T#005,199,000,255,073,123,01101001",
    "SRC>DEST:$GPRMC,063909,A,3349.4302,N,11700.3721,W,43.022,89.3,291099,13.1,E*5F",
};

struct Context {
    DecoderSettings settings;
    FilterFlags filter = showAllFilter();
    Context() {
        settings.myPositionSet = true;
        settings.myLatValue = 44.5;
        settings.myLongValue = 11.34;
    }
};

void BM_DecodeMixedPackets(benchmark::State& state) {
    const Context c;
    const DecodeContext ctx{c.settings, c.filter, LocalTime{2026, 12, 5, 9, 5, 3}};
    for (auto _ : state)
        for (const std::string& line : kMix) benchmark::DoNotOptimize(decodeAprsLine(line, ctx));
    const auto packets = static_cast<double>(state.iterations() * kMix.size());
    // An inverted rate reads as time per packet ("412ns").
    state.counters["per_packet"] = benchmark::Counter(packets, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<std::int64_t>(packets));
}
BENCHMARK(BM_DecodeMixedPackets);

// MIC-E alone: the branch with the most arithmetic per packet.
void BM_DecodeMicE(benchmark::State& state) {
    const Context c;
    const DecodeContext ctx{c.settings, c.filter, LocalTime{2026, 12, 5, 9, 5, 3}};
    std::vector<std::string> micE;
    for (const std::string& line : kMix)
        if (line.find(":`") != std::string::npos || line.find(":'") != std::string::npos) micE.push_back(line);
    for (auto _ : state)
        for (const std::string& line : micE) benchmark::DoNotOptimize(decodeAprsLine(line, ctx));
    const auto packets = static_cast<double>(state.iterations() * micE.size());
    state.counters["per_packet"] = benchmark::Counter(packets, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<std::int64_t>(packets));
}
BENCHMARK(BM_DecodeMicE);

// The same mix as received text: CR LF lines cut into serial-sized chunks, assembled, decoded.
void BM_AssembleAndDecode(benchmark::State& state) {
    const Context c;
    const DecodeContext ctx{c.settings, c.filter, LocalTime{2026, 12, 5, 9, 5, 3}};
    std::string text;
    for (const std::string& line : kMix) text += line + "\r\n";
    std::vector<std::string> lines;
    for (auto _ : state) {
        AprsLineAssembler assembler;
        for (std::size_t at = 0; at < text.size(); at += 64) {
            assembler.append(std::string_view(text).substr(at, 64), lines);
            for (const std::string& line : lines) benchmark::DoNotOptimize(decodeAprsLine(line, ctx));
            lines.clear();
        }
    }
    const auto packets = static_cast<double>(state.iterations() * kMix.size());
    // An inverted rate reads as time per packet ("412ns").
    state.counters["per_packet"] = benchmark::Counter(packets, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<std::int64_t>(packets));
}
BENCHMARK(BM_AssembleAndDecode);

// The same mix with what each packet tells the heard-stations table asked for too.
void BM_DecodeWithStationFacts(benchmark::State& state) {
    const Context c;
    const DecodeContext ctx{c.settings, c.filter, LocalTime{2026, 12, 5, 9, 5, 3}, true, true};
    DecodedPacket packet;
    for (auto _ : state)
        for (const std::string& line : kMix) {
            decodeAprsLineInto(line, ctx, packet);
            benchmark::DoNotOptimize(packet.station.station.data());
        }
    const auto packets = static_cast<double>(state.iterations() * kMix.size());
    state.counters["per_packet"] = benchmark::Counter(packets, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(static_cast<std::int64_t>(packets));
}
BENCHMARK(BM_DecodeWithStationFacts);

// Line assembly alone, every header on a line of its own (as many TNCs print them) and read
// in chunks of the given size: the time per line must not grow with the chunk.
void BM_AssembleHeadersAlone(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 200; ++i)
        for (const std::string& line : kMix) {
            const std::size_t colon = line.find(':');
            text += line.substr(0, colon) + " <UI>:\r\n" + line.substr(colon + 1) + "\r\n";
        }
    const auto chunk = static_cast<std::size_t>(state.range(0));
    std::size_t lines = 0;
    for (auto _ : state) {
        AprsLineAssembler assembler;
        for (std::size_t at = 0; at < text.size(); at += chunk)
            assembler.append(std::string_view(text).substr(at, chunk), [&lines](std::string_view) { ++lines; });
    }
    state.counters["per_line"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AssembleHeadersAlone)->Arg(64)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
