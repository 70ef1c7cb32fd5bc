#include "aprs/symbols.h"

#include <algorithm>
#include <vector>

#include "aprs/aprs_tables.h"

namespace quilmo {

namespace {

SymbolNames buildSymbolNames() {
    SymbolNames names;
    // Names as the program has always shown them, spelling included.
    names['#'] = "Digipeater";
    names['\''] = "Aircraft";
    names['-'] = "Home";
    names['<'] = "Motorcycle";
    names['>'] = "Car";
    names['I'] = "Tcp/Ip radio network";
    names['O'] = "Balloon";
    names['U'] = "Bus";
    names['V'] = "ATV";
    names['X'] = "Helicopter";
    names['Y'] = "Yacht";
    names['Z'] = "WinAPRS";
    names['['] = "Human/Person";
    names['^'] = "Large Aircraft";
    names['_'] = "Weather station";
    names['a'] = "Ambulance";
    names['b'] = "Bicycle";
    names['e'] = "Horse";
    names['f'] = "Fire truk";
    names['j'] = "Jeep";
    names['k'] = "Truk";
    names['m'] = "MIC-E repeater";
    names['n'] = "Node";
    names['r'] = "Repeater";
    names['s'] = "Ship";
    names['v'] = "Van";
    return names;
}

// The symbol list of data/: the primary and alternate tables by code, overlays by their
// two characters.
struct SymbolList {
    std::array<std::string_view, 128> primary, alternate;
    std::vector<std::pair<std::string_view, std::string_view>> overlays;  // sorted by key
};

SymbolList buildSymbolList() {
    SymbolList list;
    std::string_view text = embeddedSymbolTable();
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.size() < 4 || line[0] == '#' || line[2] != '\t') continue;
        const unsigned char code = static_cast<unsigned char>(line[1]);
        if (code >= 128) continue;
        const std::string_view name = line.substr(3);
        if (line[0] == '/')
            list.primary[code] = name;
        else if (line[0] == '\\')
            list.alternate[code] = name;
        else
            list.overlays.emplace_back(line.substr(0, 2), name);
    }
    std::sort(list.overlays.begin(), list.overlays.end());
    return list;
}

const SymbolList& symbolList() {
    static const SymbolList list = buildSymbolList();
    return list;
}

bool isOverlay(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

}  // namespace

const SymbolNames& symbolNames() {
    static const SymbolNames names = buildSymbolNames();
    return names;
}

SymbolName symbolName(char table, char code) {
    const unsigned char index = static_cast<unsigned char>(code);
    if (index >= 128) return {};
    const SymbolList& list = symbolList();
    if (table == '/') {
        const std::string& known = symbolNames()[index];
        return {known.empty() ? list.primary[index] : std::string_view(known)};
    }
    if (table == '\\') return {list.alternate[index]};
    // A compressed position writes overlay digits as the letters "a".."j".
    if (table >= 'a' && table <= 'j') table = static_cast<char>('0' + (table - 'a'));
    if (!isOverlay(table)) return {};
    const char key[2] = {table, code};
    const auto it = std::lower_bound(list.overlays.begin(), list.overlays.end(), std::string_view(key, 2),
                                     [](const auto& entry, std::string_view k) { return entry.first < k; });
    if (it != list.overlays.end() && it->first == std::string_view(key, 2)) return {it->second};
    if (list.alternate[index].empty()) return {};
    return {list.alternate[index], table};
}

void appendSymbolName(std::string& out, const SymbolName& name) {
    out += name.name;
    if (name.overlay == 0) return;
    out += " (overlay ";
    out.push_back(name.overlay);
    out.push_back(')');
}

}  // namespace quilmo
