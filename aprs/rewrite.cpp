#include "aprs/rewrite.h"

#include <string_view>

#include "aprs/numeric.h"
#include "aprs/text_util.h"

namespace quilmo {

namespace {

constexpr std::string_view kLabel = "object...: ";  // as long as "item.....: "
constexpr std::string_view kDeleted = " (deleted)";

// A name line: the name as sent, trailing blanks trimmed; a killed object keeps its filler
// blanks before " (deleted)". Nothing but blanks: no line.
std::string nameLine(PacketLine& packet, std::string_view label, std::string_view name, bool killed) {
    packet.killed = killed;
    packet.named = true;
    while (!name.empty() && name.back() == ' ' && !killed) name.remove_suffix(1);
    if (name.find_first_not_of(' ') == std::string_view::npos) return {};
    std::string line(label);
    line += name;
    if (killed) line += kDeleted;
    return line;
}

struct NameSplit {
    std::string_view name;
    bool killed = false;
    bool found = false;
    std::string_view rest;  // after the terminator
};

// The name ends at the first of the two terminators; without one the whole text is name.
NameSplit scanName(std::string_view info, char liveMark) {
    NameSplit split;
    const std::size_t end = info.find_first_of(std::string{liveMark, '_'});
    if (end == std::string_view::npos) {
        split.name = info;
        return split;
    }
    split.name = info.substr(0, end);
    split.killed = info[end] == '_';
    split.found = true;
    split.rest = info.substr(end + 1);
    return split;
}

// "092345z", "092345/" or "234517h".
bool isTimestamp(std::string_view text) {
    if (text.size() < 7) return false;
    for (std::size_t i = 0; i < 6; ++i)
        if (!isAsciiDigit(text[i])) return false;
    return text[6] == 'z' || text[6] == '/' || text[6] == 'h';
}


// The fixed characters of an uncompressed position, or a symbol table and eight base-91
// characters of a compressed one.
bool looksLikePosition(std::string_view text) {
    auto at = [&](std::size_t i) { return charAt(text, i); };
    auto either = [](char c, char a, char b) { return c == a || c == b; };
    if (at(4) == '.' && either(at(7), 'N', 'S') && at(14) == '.' && either(at(17), 'E', 'W')) return true;
    const char table = at(0);
    const bool tableChar = table == '/' || table == '\\' || (table >= 'A' && table <= 'Z') || (table >= 'a' && table <= 'j');
    if (!tableChar || text.size() < 10) return false;
    for (std::size_t i = 1; i <= 8; ++i)
        if (!isBase91(text[i])) return false;
    return true;
}

void replaceWithReport(PacketLine& packet, const NameSplit& split, char reportType) {
    std::string rebuilt(packet.text.substr(0, packet.headerEnd));
    if (split.found) {
        rebuilt.push_back(reportType);
        rebuilt += split.rest;
    }
    packet.replaceText(std::move(rebuilt));
}

}  // namespace

std::string_view PacketLine::name() const {
    std::string_view line = itemLine.empty() ? objectLine : itemLine;
    if (line.empty()) return {};
    line.remove_prefix(kLabel.size());
    if (killed) {
        if (!line.ends_with(kDeleted)) return {};  // killed, and no name before the mark
        line.remove_suffix(kDeleted.size());
    }
    return trimBlanks(line);
}

void rewriteEncapsulated(PacketLine& packet) {
    const std::string_view line = packet.text;
    const std::string_view inner = clippedPart(line, packet.headerEnd + 1);  // after the "}"
    // The inner header must be SOURCE>DEST[,PATH]: ; anything else is left alone and
    // then matches no branch.
    const std::size_t colon = inner.find(':');
    const std::size_t arrow = inner.find('>');
    if (colon == std::string_view::npos || arrow == std::string_view::npos || arrow > colon) return;
    // The inner destination ends at the inner path, or at the inner ":" when there is none.
    const std::size_t destEnd = std::min(inner.find(',', arrow), colon);

    std::string rebuilt;
    rebuilt.reserve(line.size() + 8);
    rebuilt += inner.substr(0, arrow + 1);                   // ISRC>
    rebuilt += line.substr(0, packet.headerEnd - 1);         // SRC>DEST,PATH
    rebuilt += inner.substr(arrow, destEnd - arrow);         // >IDEST
    rebuilt.push_back(':');
    const std::size_t headerEnd = rebuilt.size();
    rebuilt += inner.substr(colon + 1);
    packet.replaceText(std::move(rebuilt));
    packet.headerEnd = headerEnd;
}

void rewriteObject(PacketLine& packet) {
    const std::string_view info = clippedPart(packet.text, packet.headerEnd);  // begins with ";"
    // The name field is nine characters wide and may itself hold "*", "_" or ";"; the
    // character after it tells live from killed, and a time or position follows. Anything
    // else is no object, and no object is made up from it.
    const char state = charAt(info, 10);
    if (state != '*' && state != '_') return;
    const std::string_view report = clippedPart(info, 11);
    if (!isTimestamp(report) && !looksLikePosition(clippedPart(report, 7))) return;
    NameSplit split;
    split.name = info.substr(1, 9);
    split.killed = state == '_';
    split.found = true;
    split.rest = report;
    packet.objectLine = nameLine(packet, "object...: ", split.name, split.killed);
    replaceWithReport(packet, split, '/');
}

void rewriteItem(PacketLine& packet) {
    const std::string_view info = clippedPart(packet.text, packet.headerEnd + 1);  // after the ")"
    const NameSplit split = scanName(info, '!');
    packet.itemLine = nameLine(packet, "item.....: ", split.name, split.killed);
    replaceWithReport(packet, split, '!');
}

}  // namespace quilmo
