#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "aprs/filter_flags.h"

namespace quilmo {

// filter.ini bytes to flags: one decimal index per line; values outside 0..255
// (negative, too large) and lines without digits select "*all"; none selected -> "*all".
FilterFlags parseFilterFile(std::string_view bytes);
// Forces "*all" when nothing of 0..255 is selected, then the file bytes (CR LF lines, ascending).
std::string formatFilterFile(FilterFlags& flags);

struct FilterBox {
    std::string caption;
    int index;
};
// The filter window's check boxes in order: the six classes, then every named symbol.
std::vector<FilterBox> filterBoxes();

}  // namespace quilmo
