#include "aprs/filter_flags.h"

#include "aprs/symbols.h"

namespace quilmo {

FilterFlags showAllFilter() {
    FilterFlags flags{};
    flags[kFilterAll] = 1;
    return flags;
}

bool symbolRecordPasses(const FilterFlags& flags, int symbolIndex) {
    if (flags[kFilterAll] == 1) return true;
    if (symbolIndex < 0 || symbolIndex >= static_cast<int>(flags.size())) return false;
    const auto index = static_cast<std::size_t>(symbolIndex);
    if (flags[index] == 1) return true;
    return flags[kFilterUndefined] == 1 && symbolNames()[index].empty();
}

bool classRecordPasses(const FilterFlags& flags, FilterClass cls) {
    return flags[kFilterAll] == 1 || flags[static_cast<std::size_t>(cls)] == 1;
}

}  // namespace quilmo
