#pragma once
#include <array>
#include <string>
#include <string_view>

namespace quilmo {

// Names of the primary-table symbols the station filter offers, indexed by character
// code 0..256; most are empty.
using SymbolNames = std::array<std::string, 257>;
const SymbolNames& symbolNames();

// The name of any symbol, as the "station..:" line shows it: primary and alternate table,
// and overlays ("0".."9", "A".."Z", and "a".."j" for the digits of a compressed position).
// An overlay the symbol list does not name gets the name of its alternate symbol and the
// overlay: "Vehicle (overlay 3)". Empty for a symbol nobody has named.
struct SymbolName {
    std::string_view name;
    char overlay = 0;  // not 0: " (overlay X)" follows the name
    bool empty() const { return name.empty(); }
};
SymbolName symbolName(char table, char code);
void appendSymbolName(std::string& out, const SymbolName& name);

}  // namespace quilmo
