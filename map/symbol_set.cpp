#include "map/symbol_set.h"

namespace quilmo {
namespace {

// Letter and colour, in palette order after the transparent 0.
constexpr std::array<std::pair<char, std::uint32_t>, kSymbolPaletteSize - 1> kLetters = {{
    {'q', 0xFF000000}, {'m', 0xFFFFFFFF}, {'c', 0xFFCCCCCC}, {'j', 0xFFEE0000}, {'h', 0xFF00BFFF},
    {'l', 0xFF0000CD}, {'k', 0xFF00CD00}, {'g', 0xFF00008B}, {'#', 0xFFFFFF00}, {'p', 0xFF454545},
    {'i', 0xFF006400}, {'n', 0xFF878787}, {'a', 0xFFCD6500}, {'o', 0xFF5A5A5A}, {'f', 0xFFCD3333},
    {'b', 0xFFA020F0}, {'e', 0xFFFF4040}, {'d', 0xFFCD0000}, {'r', 0xFF32CD32}, {'~', 0x00000000},
}};

constexpr std::array<std::uint32_t, kSymbolPaletteSize> makePalette() {
    std::array<std::uint32_t, kSymbolPaletteSize> out{};
    for (std::size_t i = 0; i < kLetters.size(); ++i) out[i + 1] = kLetters[i].second;
    return out;
}

// The file's own columns: the code at 5, the direction mark at 19.
constexpr std::size_t kCodeColumn = 5;
constexpr std::size_t kFacingColumn = 19;

std::string_view nextLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool readPicture(std::string_view& text, SymbolPicture& picture) {
    for (int y = 0; y < kSymbolSide; ++y) {
        if (text.empty()) return false;
        const std::string_view row = nextLine(text);
        if (row.size() < static_cast<std::size_t>(kSymbolSide)) return false;
        for (int x = 0; x < kSymbolSide; ++x) {
            const std::optional<std::uint8_t> index = symbolPaletteIndex(row[static_cast<std::size_t>(x)]);
            if (!index) return false;
            picture.pixels[static_cast<std::size_t>(y * kSymbolSide + x)] = *index;
        }
    }
    return true;
}

}  // namespace

const std::array<std::uint32_t, kSymbolPaletteSize> kSymbolPalette = makePalette();

std::optional<std::uint8_t> symbolPaletteIndex(char letter) {
    if (letter == '.') return 0;
    for (std::size_t i = 0; i < kLetters.size(); ++i)
        if (kLetters[i].first == letter) return static_cast<std::uint8_t>(i + 1);
    return std::nullopt;
}

SymbolSet SymbolSet::parse(std::string_view text) {
    SymbolSet set;
    char table = 0;
    while (!text.empty()) {
        const std::string_view line = nextLine(text);
        if (line.starts_with("TABLE ") && line.size() > 6) {
            table = line[6];
            continue;
        }
        if (!line.starts_with("APRS ") || line.size() <= kCodeColumn || table == 0) continue;
        SymbolPicture picture;
        picture.facesLeft = line.size() > kFacingColumn && line[kFacingColumn] == 'l';
        // A picture that breaks off is skipped; the line that broke it is read again as text.
        std::string_view rest = text;
        if (!readPicture(rest, picture)) continue;
        text = rest;
        set.pictures_.insert_or_assign(key(table, line[kCodeColumn]), picture);
    }
    return set;
}

const SymbolPicture* SymbolSet::find(char table, char code) const {
    const auto it = pictures_.find(key(table, code));
    return it == pictures_.end() ? nullptr : &it->second;
}

SymbolChoice chooseSymbol(char table, char code) {
    if (code < '!' || code > '~') return {};
    if (table == '/' || table == '\\') return {table, code, 0};
    if ((table >= '0' && table <= '9') || (table >= 'A' && table <= 'Z')) return {'\\', code, table};
    if (table >= 'a' && table <= 'j') return {'\\', code, static_cast<char>('0' + (table - 'a'))};
    return {};
}

}  // namespace quilmo
