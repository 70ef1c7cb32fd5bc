#include "kiss_sim.h"

#include <optional>

#include "platform/ascii.h"
#include "terminal/ax25.h"
#include "terminal/kiss.h"

namespace tncsim {
namespace {

using quilmo::Callsign;

// Only a callsign in the form a monitor prints back, so a replayed line is heard unchanged.
std::optional<Callsign> exactCallsign(std::string_view text) {
    const std::optional<Callsign> call = quilmo::parseCallsign(text);
    if (!call || quilmo::callsignText(*call) != text) return std::nullopt;
    return call;
}

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// A monitor header printed on a line of its own: its information is on the next line.
bool isBareHeader(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon + 1 == line.size() && line.substr(0, colon).find('>') != std::string_view::npos;
}


}  // namespace

std::string kissFrameForMonitorLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    const std::size_t gt = line.find('>');
    if (colon == std::string_view::npos || gt == std::string_view::npos || gt > colon) return {};
    const std::optional<Callsign> source = exactCallsign(line.substr(0, gt));
    const std::vector<std::string_view> path = splitAt(line.substr(gt + 1, colon - gt - 1), ',');
    const std::optional<Callsign> destination = exactCallsign(path[0]);
    if (!source || !destination || path.size() > 9) return {};

    std::vector<quilmo::Digipeater> digipeaters;
    std::size_t lastStar = 0;
    for (std::size_t i = 1; i < path.size(); ++i) {
        std::string_view text = path[i];
        if (text.ends_with('*')) {
            text.remove_suffix(1);
            lastStar = i;
        }
        const std::optional<Callsign> digipeater = exactCallsign(text);
        if (!digipeater) return {};
        digipeaters.push_back({*digipeater, false});
    }
    // The starred digipeater has repeated the frame, and so has every one before it.
    for (std::size_t i = 0; i < lastStar; ++i) digipeaters[i].repeated = true;
    return quilmo::kissDataFrame(quilmo::ax25UiFrame(*source, *destination, digipeaters, line.substr(colon + 1)));
}

std::vector<std::string> kissReplay(const std::vector<std::string>& lines, std::size_t& skipped) {
    std::vector<std::string> frames;
    skipped = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line(quilmo::withoutLineEnd(lines[i]));
        if (isBareHeader(line) && i + 1 < lines.size()) line += quilmo::withoutLineEnd(lines[++i]);
        std::string frame = kissFrameForMonitorLine(line);
        if (frame.empty()) {
            ++skipped;
        } else {
            frames.push_back(std::move(frame));
        }
    }
    return frames;
}

std::string KissListener::monitorText(std::string_view bytes) {
    const std::string text = monitor_.receive(bytes).monitorText;
    // Standard output is read by people and scripts: LF line ends.
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            out.append(text, at);
            break;
        }
        out.append(text, at, end - at);
        out += '\n';
        at = end + 2;
    }
    return out;
}

}  // namespace tncsim
