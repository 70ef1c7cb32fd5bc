#include "aprs/filter_file.h"

#include <cmath>

#include "aprs/numeric.h"
#include "aprs/symbols.h"

namespace quilmo {
namespace {

constexpr int kLastFileIndex = 255;

// Anything outside 0..255 (negative, too large, not a number) selects "*all".
int lineIndex(std::string_view line) {
    const double value = roundHalfEven(readNumber(line));
    if (!std::isfinite(value) || value < 0 || value > kLastFileIndex) return kFilterAll;
    return static_cast<int>(value);
}

bool anySelected(const FilterFlags& flags) {
    for (int i = 0; i <= kLastFileIndex; ++i)
        if (flags[i] == 1) return true;
    return false;
}

void forceAllWhenEmpty(FilterFlags& flags) {
    if (!anySelected(flags)) flags[kFilterAll] = 1;
}

}  // namespace

FilterFlags parseFilterFile(std::string_view bytes) {
    FilterFlags flags{};
    while (!bytes.empty()) {
        const auto lf = bytes.find('\n');
        const auto line = bytes.substr(0, lf);
        flags[lineIndex(line)] = 1;
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
    }
    forceAllWhenEmpty(flags);
    return flags;
}

std::string formatFilterFile(FilterFlags& flags) {
    forceAllWhenEmpty(flags);
    std::string out;
    for (int i = 0; i <= kLastFileIndex; ++i)
        if (flags[i] == 1) out += std::to_string(i) + "\r\n";
    return out;
}

std::vector<FilterBox> filterBoxes() {
    std::vector<FilterBox> boxes = {
        {"*all", kFilterAll},
        {"*undefined", kFilterUndefined},
        {"*messages", kFilterMessages},
        {"*status report", kFilterStatus},
        {"*station capabilities", kFilterCapabilities},
        {"*telemetry data", kFilterTelemetry},
    };
    const SymbolNames& names = symbolNames();
    for (int i = kFilterTelemetry + 1; i <= kLastFileIndex; ++i)
        if (!names[i].empty()) boxes.push_back({names[i], i});
    return boxes;
}

}  // namespace quilmo
