#pragma once
#include <array>
#include <string>

namespace quilmo {

// Names of the primary-table symbols, indexed by character code 0..256; most are empty.
using SymbolNames = std::array<std::string, 257>;
const SymbolNames& symbolNames();

}  // namespace quilmo
