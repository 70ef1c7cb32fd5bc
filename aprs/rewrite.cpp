#include "aprs/rewrite.h"

#include <algorithm>
#include <string_view>

#include "aprs/numeric.h"
#include "aprs/text_util.h"

namespace quilmo {

namespace {

constexpr std::string_view kLabel = "object...: ";  // as long as "item.....: "
constexpr std::string_view kDeleted = " (deleted)";

// A name line: `marker` characters removed from the name (before " (deleted)" is added,
// whose ")" must survive for items), then blanks trimmed at both ends; a killed object
// keeps its filler blanks before " (deleted)".
std::string nameLine(PacketLine& packet, std::string_view label, std::string_view name, bool killed, char marker) {
    std::string cleaned(name);
    cleaned.erase(std::remove(cleaned.begin(), cleaned.end(), marker), cleaned.end());
    packet.killed = killed;
    packet.named = true;
    if (killed) cleaned += kDeleted;
    const std::string_view trimmed = trimBlanks(cleaned);
    if (trimmed.empty()) return {};
    std::string line(label);
    line += trimmed;
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
    NameSplit split;
    // The name field is nine characters wide and may itself hold "*" or "_"; the
    // character after it tells live from killed. Only senders that cut the field
    // short need the scan for the first marker.
    const char state = charAt(info, 10);
    if (state == '*' || state == '_') {
        split.name = info.substr(0, 10);
        split.killed = state == '_';
        split.found = true;
        split.rest = info.substr(11);
    } else {
        split = scanName(info, '*');
    }
    packet.objectLine = nameLine(packet, "object...: ", split.name, split.killed, ';');
    replaceWithReport(packet, split, '/');
}

void rewriteItem(PacketLine& packet) {
    const std::string_view info = clippedPart(packet.text, packet.headerEnd);  // begins with ")"
    const NameSplit split = scanName(info, '!');
    packet.itemLine = nameLine(packet, "item.....: ", split.name, split.killed, ')');
    replaceWithReport(packet, split, '!');
}

}  // namespace quilmo
