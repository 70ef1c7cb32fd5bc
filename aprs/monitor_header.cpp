#include "aprs/monitor_header.h"

#include <optional>

#include "platform/callsign.h"
#include "aprs/text_util.h"

namespace quilmo {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::size_t skipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && text[at] == ' ') ++at;
    return at;
}

// The frame type a tag names by the letters it begins with: "UI C" is UI, "I12" and
// "I R1 S2" are I frames, "<<rr1>>" a receive-ready response. Anything else is no tag.
std::optional<MonitorFrame> frameOfTag(std::string_view content) {
    constexpr std::size_t kLongest = 5;  // "SABME"
    char letters[kLongest];
    std::size_t n = 0;
    for (; n < content.size() && isLetter(content[n]); ++n) {
        if (n == kLongest) return std::nullopt;
        letters[n] = upperAscii(content[n]);
    }
    const std::string_view type(letters, n);
    if (type == "UI") return MonitorFrame::Ui;
    if (type == "I") return MonitorFrame::Information;
    // "C" and "D" are the connect and disconnect requests as Kantronics prints them.
    static constexpr std::string_view kControl[] = {"RR",  "RNR",  "REJ",  "SREJ", "SABM", "SABME", "DISC",
                                                    "DM",  "UA",   "FRMR", "XID",  "TEST", "C",     "D"};
    for (const std::string_view control : kControl)
        if (type == control) return MonitorFrame::Control;
    return std::nullopt;
}

struct Decoration {
    std::size_t end = 0;  // just after it
    MonitorFrame frame = MonitorFrame::Ui;
};

// "<TYPE …>", or "<<TYPE …>>" for an AX.25 version 2 frame.
std::optional<Decoration> tagAt(std::string_view line, std::size_t at) {
    const bool doubled = charAt(line, at + 1) == '<';
    const std::size_t from = at + (doubled ? 2 : 1);
    const std::size_t close = line.find('>', from);
    if (close == kNone) return std::nullopt;
    const std::string_view content = line.substr(from, close - from);
    if (content.find_first_of("<:") != kNone) return std::nullopt;
    std::size_t end = close + 1;
    if (doubled) {
        if (charAt(line, end) != '>') return std::nullopt;
        ++end;
    }
    const std::optional<MonitorFrame> frame = frameOfTag(content);
    if (!frame) return std::nullopt;
    return Decoration{end, *frame};
}

// "[12/06/26 10:11:12]" or a channel number such as "[0.4]": something with a digit in it.
std::optional<Decoration> bracketAt(std::string_view line, std::size_t at) {
    const std::size_t close = line.find(']', at + 1);
    if (close == kNone) return std::nullopt;
    const std::string_view content = line.substr(at + 1, close - at - 1);
    if (content.find_first_of("[<>") != kNone) return std::nullopt;
    if (content.find_first_of("0123456789") == kNone) return std::nullopt;
    return Decoration{close + 1, MonitorFrame::Ui};
}

// "22:51" or "22:51:33".
std::size_t timeWordEnd(std::string_view line, std::size_t at) {
    if (!isAsciiDigit(charAt(line, at))) return kNone;
    std::size_t end = at;
    bool colon = false;
    for (; end < line.size() && (isAsciiDigit(line[end]) || line[end] == ':'); ++end) colon = colon || line[end] == ':';
    return colon ? end : kNone;
}

// "12/06/26", "2026-12-06" or "03-Feb-87": digits, letters and separators.
std::size_t dateWordEnd(std::string_view line, std::size_t at) {
    bool digit = false, separator = false;
    std::size_t end = at;
    for (; end < line.size(); ++end) {
        const char c = line[end];
        if (isAsciiDigit(c)) {
            digit = true;
        } else if (c == '/' || c == '-' || c == '.') {
            separator = true;
        } else if (!isLetter(c)) {
            break;
        }
    }
    return digit && separator ? end : kNone;
}

// The time stamp (with or without a date) or channel number some TNCs and programs print
// before the source; where the addresses begin.
std::size_t addressStartOf(std::string_view line) {
    std::size_t at = 0;
    for (int word = 0; word < 3; ++word) {
        std::size_t end = kNone;
        if (charAt(line, at) == '[') {
            if (const auto bracket = bracketAt(line, at)) end = bracket->end;
        } else {
            end = timeWordEnd(line, at);
            const std::size_t date = end == kNone ? dateWordEnd(line, at) : kNone;
            if (date != kNone && charAt(line, date) == ' ') end = timeWordEnd(line, skipBlanks(line, date));
        }
        if (end == kNone || charAt(line, end) != ' ') break;
        at = skipBlanks(line, end);
    }
    return at;
}

MonitorHeader plainHeader(std::string_view line) {
    MonitorHeader header;
    const std::size_t colon = line.find(':');
    if (colon == kNone || line.substr(0, colon).find('>') == kNone) return header;
    header.found = true;
    header.addressEnd = colon;
    header.end = colon + 1;
    return header;
}

// Stamps before the addresses, tags and dates between them and the ":". When the line
// does not read that way it is taken as it stands.
MonitorHeader decoratedHeader(std::string_view line) {
    const std::size_t start = addressStartOf(line);
    std::size_t at = line.find_first_of(":<[", start);
    if (at == kNone) return plainHeader(line);
    std::size_t addressEnd = at;
    if (line[at] != ':')
        while (addressEnd > start && line[addressEnd - 1] == ' ') --addressEnd;
    if (line.substr(start, addressEnd - start).find('>') == kNone) return plainHeader(line);

    MonitorFrame frame = MonitorFrame::Ui;
    while (line[at] != ':') {
        const std::optional<Decoration> d = line[at] == '<' ? tagAt(line, at)
                                            : line[at] == '[' ? bracketAt(line, at)
                                                              : std::nullopt;
        if (!d) return plainHeader(line);
        if (d->frame != MonitorFrame::Ui) frame = d->frame;
        at = skipBlanks(line, d->end);
        if (at == line.size()) return plainHeader(line);
    }
    MonitorHeader header;
    header.found = true;
    header.addressStart = start;
    header.addressEnd = addressEnd;
    header.end = at + 1;
    header.frame = frame;
    return header;
}

bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// "qAR", "qAC" …: from here on the path names APRS-IS servers and logins.
bool isQConstruct(std::string_view element) {
    return element.size() == 3 && element[0] == 'q' && element[1] == 'A';
}

bool hasNoBlanks(std::string_view element) {
    for (const char c : element)
        if (isBlankOrControl(c)) return false;
    return !element.empty();
}

// "DEST,DIGI1,DIGI2*,qAR,SERVER" in one pass: it is read on every line.
bool checkPath(std::string_view path) {
    const std::size_t n = path.size();
    bool first = true, servers = false;
    for (std::size_t i = 0;; ++i) {
        while (i < n && path[i] == ' ') ++i;
        const std::size_t begin = i;
        while (i < n && path[i] != ',') ++i;
        std::size_t end = i;
        while (end > begin && path[end - 1] == ' ') --end;
        std::string_view element = path.substr(begin, end - begin);
        if (first) {
            if (!isHeaderCallsign(element)) return false;
        } else if (servers) {
            if (!hasNoBlanks(element)) return false;
        } else if (isQConstruct(element)) {
            servers = true;
        } else {
            if (element.ends_with('*')) element.remove_suffix(1);
            if (!isHeaderCallsign(element)) return false;
        }
        first = false;
        if (i >= n) return true;
    }
}

}  // namespace

MonitorHeader findDecoratedHeader(std::string_view line) { return decoratedHeader(line); }

bool checkAddresses(std::string_view line, MonitorHeader& header) {
    const std::size_t start = header.addressStart;
    const std::size_t arrow = line.find('>', start);
    if (arrow == kNone || arrow >= header.addressEnd) return false;
    // The source: blanks and a "*" (heard directly, as some TNCs mark it) may follow it.
    std::size_t end = arrow;
    while (end > start && line[end - 1] == ' ') --end;
    if (end > start && line[end - 1] == '*') --end;
    std::size_t source = end;
    while (source > start && isCallsignCharacter(line[source - 1])) --source;
    if (!isHeaderCallsign(line.substr(source, end - source))) return false;
    if (source > start) {
        // Text glued to the callsign makes it another word, not a callsign.
        if (!isBlankOrControl(line[source - 1])) return false;
        const std::string_view before = line.substr(start, source - start);
        if (before.find_first_not_of(' ') != kNone) header.addressStart = source;
    }
    return checkPath(line.substr(arrow + 1, header.addressEnd - arrow - 1));
}

bool isMonitorLine(std::string_view line) {
    // A header has a ">" with a ":" after it; most information lines have not.
    const std::size_t arrow = line.find('>');
    if (arrow == kNone || line.find(':', arrow) == kNone) return false;
    MonitorHeader header = findMonitorHeader(line);
    return header.found && checkAddresses(line, header);
}

// As the decoder reads a header, so that messaging answers only what the decoder would
// take for a packet: its addresses callsigns, an echo in front cut off.
std::optional<MonitorPacket> splitMonitorPacket(std::string_view line) {
    MonitorHeader header = findMonitorHeader(line);
    if (!header.found || header.frame != MonitorFrame::Ui || !checkAddresses(line, header)) return std::nullopt;
    const std::size_t start = line.find_first_not_of(' ', header.addressStart);
    std::size_t end = line.find('>', start);
    while (end > start && line[end - 1] == ' ') --end;
    return MonitorPacket{line.substr(start, end - start), line.substr(header.end)};
}

}  // namespace quilmo
