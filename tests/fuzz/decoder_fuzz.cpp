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

namespace {

using namespace quilmo;

// A decode must be self-consistent whatever the input; a broken promise stops the run.
void check(const DecodedPacket& packet) {
    if (packet.shown != !packet.record.empty()) __builtin_trap();
    if (packet.shown && !std::string_view(packet.record).ends_with("\r\n\r\n")) __builtin_trap();
    if (packet.placemark && !packet.shown) __builtin_trap();
}

// The first byte chooses the context and how the rest is cut into received chunks.
struct Setup {
    DecoderSettings settings;
    FilterFlags filter{};
    std::size_t chunk = 1;
};

Setup setupFrom(std::uint8_t a, std::uint8_t b) {
    Setup s;
    s.settings.myPositionSet = a & 1;
    s.settings.myLatValue = (a & 2) ? -33.86 : 44.5;
    s.settings.myLongValue = (a & 4) ? -151.2 : 11.34;
    s.settings.speedZero = (a >> 3) & 1;
    if (a & 16) {
        s.filter = showAllFilter();
    } else {
        s.filter[b] = 1;  // one class or symbol chosen, as a filter.ini line would
    }
    s.chunk = 1 + (a >> 5) * 37;
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const Setup setup = setupFrom(data[0], data[1]);
    const DecodeContext ctx{setup.settings, setup.filter, LocalTime{2026, 12, 5, 9, 5, 3}};
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    AprsLineAssembler assembler;
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size(); at += setup.chunk) {
        assembler.append(text.substr(at, setup.chunk), lines);
        for (const std::string& line : lines) check(decodeAprsLine(line, ctx));
        lines.clear();
    }

    // Also the whole input as one line, and the MIC-E branch on its own with whatever header it has.
    check(decodeAprsLine(text, ctx));
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos)
        check(decodeMicE(text.substr(0, colon + 1), text.substr(colon + 1), "", ctx));
    return 0;
}
