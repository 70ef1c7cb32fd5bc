// Feeds arbitrary bytes through the line assembly and the decoder, as received text would go.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "aprs/decoder.h"
#include "aprs/filter_flags.h"
#include "aprs/framing.h"
#include "aprs/mic_e.h"
#include "aprs/telemetry.h"

namespace {

using namespace quilmo;

// A decode must be self-consistent whatever the input; a broken promise stops the run.
void check(const DecodedPacket& packet, bool wantStation) {
    if (packet.shown != !packet.record.empty()) __builtin_trap();
    if (packet.shown && !std::string_view(packet.record).ends_with("\r\n\r\n")) __builtin_trap();
    if (packet.placemark && !packet.shown) __builtin_trap();
    if (packet.placemark && packet.lastCoordinates.empty()) __builtin_trap();
    const StationFacts& facts = packet.station;
    if (!wantStation || !packet.recognised) {
        if (!facts.station.empty() || facts.hasPosition || !facts.lastText.empty()) __builtin_trap();
        return;
    }
    // The table gets a position exactly when the copy button does.
    if (facts.hasPosition == packet.lastCoordinates.empty()) __builtin_trap();
    if (facts.hasPosition && !(facts.latitude >= -90 && facts.latitude <= 90 && facts.longitude >= -180 &&
                               facts.longitude <= 180))
        __builtin_trap();
}

// Lines taken whole from a block and the rest assembled are the lines the assembler alone gives.
void checkWholeLines(std::string_view text, std::size_t cut) {
    std::vector<std::string> alone, taken;
    const auto push = [](std::vector<std::string>& to) { return [&to](std::string_view line) { to.emplace_back(line); }; };
    AprsLineAssembler reference;
    reference.append(text, push(alone));
    AprsLineAssembler assembler;
    const std::string_view block = text.substr(0, cut);
    const std::size_t n = assembler.takeWholeLines(block, push(taken));
    assembler.append(block.substr(n), push(taken));
    assembler.append(text.substr(cut), push(taken));
    if (taken != alone) __builtin_trap();
}

}  // namespace

// The first two bytes choose the context and how the rest is cut into received chunks.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t a = data[0], b = data[1];
    const DecoderSettings settings{.myPositionSet = (a & 1) != 0, .myLatValue = (a & 2) ? -33.86 : 44.5,
                                   .myLongValue = (a & 4) ? -151.2 : 11.34, .speedZero = (a >> 3) & 1};
    FilterFlags filter{};
    filter[(a & 16) ? static_cast<std::size_t>(kFilterAll) : b] = 1;  // all, or one class or symbol as a filter.ini line would choose
    const std::size_t chunk = 1 + (a >> 5) * 37;
    const bool want = (b & 1) != 0;
    // Telemetry definitions carry over from line to line, a few stations' worth at most.
    TelemetryDefinitions telemetry(3);
    const DecodeContext ctx{settings, filter, LocalTime{2026, 12, 5, 9, 5, 3}, true, want, (b & 2) ? &telemetry : nullptr};
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    AprsLineAssembler assembler;
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size(); at += chunk) {
        assembler.append(text.substr(at, chunk), lines);
        for (const std::string& line : lines) check(decodeAprsLine(line, ctx), want);
        lines.clear();
    }
    checkWholeLines(text, chunk % (text.size() + 1));

    // Also the whole input as one line, and the MIC-E branch on its own with whatever header it has.
    check(decodeAprsLine(text, ctx), want);
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos)
        check(decodeMicE(text.substr(0, colon + 1), text.substr(colon + 1), "", ctx), want);
    return 0;
}
