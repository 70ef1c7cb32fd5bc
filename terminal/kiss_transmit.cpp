#include "terminal/kiss_transmit.h"

#include <optional>

#include "terminal/ax25.h"
#include "terminal/kiss.h"

namespace quilmo {
namespace {

constexpr char kXoff = 19;
constexpr char kXon = 17;

std::vector<std::string> informationLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t pair = text.find("\r\n", at);
        const std::size_t end = pair == std::string_view::npos ? text.size() : pair;
        std::string line;
        for (const char c : text.substr(at, end - at)) {
            if (c != kXoff && c != kXon) line += c;
        }
        if (!line.empty()) lines.push_back(std::move(line));
        at = pair == std::string_view::npos ? end : pair + 2;
    }
    return lines;
}

KissTransmit refuse(std::string notice) {
    KissTransmit result;
    result.refused = true;
    result.notice = std::move(notice);
    return result;
}

}  // namespace

KissTransmit kissTransmitFrames(std::string_view sendText, std::string_view myCall, std::string_view unproto) {
    const std::vector<std::string> lines = informationLines(sendText);
    if (lines.empty()) return {};
    const std::optional<Callsign> source = parseCallsign(myCall);
    if (!source) return refuse("KISS mode sends only with your callsign in Quilmo.ini (MYCALL=). Nothing was sent.");
    for (const std::string& line : lines) {
        if (line.size() > kMaxKissInfo) {
            return refuse("A line is longer than " + std::to_string(kMaxKissInfo) +
                          " characters and does not fit in one frame. Nothing was sent.");
        }
    }
    // The configuration has checked UNPROTO=; anything it let through empty means the default.
    std::optional<UnprotoPath> path = parseUnproto(unproto);
    if (!path) path = parseUnproto(kDefaultUnproto);
    std::vector<Digipeater> digipeaters;
    for (const Callsign& call : path->digipeaters) digipeaters.push_back({call, false});

    KissTransmit result;
    for (const std::string& line : lines) {
        result.frames.push_back(kissDataFrame(ax25UiFrame(*source, path->destination, digipeaters, line)));
    }
    return result;
}

}  // namespace quilmo
