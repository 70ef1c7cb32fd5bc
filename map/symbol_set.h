#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quilmo {

// The colours a symbol picture is made of. Index 0 is transparent; the others are the fixed
// palette of the symbol file, whose letters name them.
constexpr std::size_t kSymbolPaletteSize = 21;
extern const std::array<std::uint32_t, kSymbolPaletteSize> kSymbolPalette;  // 0xAARRGGBB
// The palette index of a letter of the file; nullopt for a letter it does not know.
std::optional<std::uint8_t> symbolPaletteIndex(char letter);

constexpr int kSymbolSide = 20;

// One symbol: a picture of 20 x 20 palette indices, row by row from the top.
struct SymbolPicture {
    std::array<std::uint8_t, kSymbolSide * kSymbolSide> pixels{};
    // A vehicle drawn heading left, which may be mirrored to head right.
    bool facesLeft = false;
    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * kSymbolSide + x)]; }
};

// The symbols of a symbol file, keyed by table and code. The file is text: "TABLE t" starts
// the symbols of table t, "APRS c ..." starts symbol c, followed by 20 lines of 20 palette
// letters; lines starting with "#" are comments. The primary table is "/", the alternate
// "\", and "#" holds the overlay characters drawn on top of alternate symbols.
class SymbolSet {
public:
    // Whatever can be read: a symbol whose picture is cut short or holds unknown letters is
    // left out, the others stay. Never fails; an empty or foreign text gives an empty set.
    static SymbolSet parse(std::string_view text);

    bool empty() const { return pictures_.empty(); }
    std::size_t size() const { return pictures_.size(); }
    const SymbolPicture* find(char table, char code) const;

private:
    static std::uint16_t key(char table, char code) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(table) << 8 | static_cast<unsigned char>(code));
    }
    std::unordered_map<std::uint16_t, SymbolPicture> pictures_;
};

// What a packet's table and code characters call for: the picture's table and code, and
// the overlay character drawn on it (0 for none). An overlay table ("0".."9", "A".."Z",
// and "a".."j" for the digits of a compressed position) shows the alternate symbol.
struct SymbolChoice {
    char table = 0;  // 0: no symbol
    char code = 0;
    char overlay = 0;
    bool operator==(const SymbolChoice&) const = default;
};
SymbolChoice chooseSymbol(char table, char code);

// The symbol file of Debian's xastir-data package.
constexpr const char* kSymbolFilePath = "/usr/share/xastir/symbols/symbols.dat";

}  // namespace quilmo
