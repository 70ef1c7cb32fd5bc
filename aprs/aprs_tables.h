#pragma once
#include <string_view>

namespace quilmo {

// The tables of data/, as the build embedded them: lines of key TAB value, comments
// starting with "#".
std::string_view embeddedDeviceTable();  // data/aprs-devices.tsv
std::string_view embeddedSymbolTable();  // data/aprs-symbols.tsv

}  // namespace quilmo
