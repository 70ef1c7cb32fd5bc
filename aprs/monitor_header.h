#pragma once
#include <cstddef>
#include <optional>
#include <string_view>

namespace quilmo {

// The kind of AX.25 frame a monitor header names. Only UI frames carry APRS; a header
// without a frame tag is taken as one.
enum class MonitorFrame {
    Ui,           // "<UI>", "<UI C>", "<UI R>", "<<UI>>" … or no tag at all
    Information,  // a connected-mode I frame: text follows, but it is no APRS
    Control,      // RR, RNR, REJ, SABM, UA, DISC, DM, FRMR …: nothing follows
};

// Where the parts of a monitored header lie in its line. TNCs print the plain
// SOURCE>DEST,PATH: or decorate it with a frame tag and a date and time after the
// path, or with a time stamp or channel number before the source.
struct MonitorHeader {
    bool found = false;            // the line begins with a header
    std::size_t addressStart = 0;  // SOURCE>DEST[,PATH] is [addressStart, addressEnd)
    std::size_t addressEnd = 0;
    std::size_t end = 0;           // just after the ":" that closes the header
    MonitorFrame frame = MonitorFrame::Ui;

    // Something other than the addresses stands between the line's start and its ":".
    bool decorated() const { return addressStart != 0 || addressEnd + 1 != end; }
};

// The header of a line whose first ":" may not close a plain header.
MonitorHeader findDecoratedHeader(std::string_view line);

// Whether the addresses of a found header are callsigns: the source and the destination
// always, the digipeaters (each may carry the "*" of a repeated frame) up to an APRS-IS
// q-construct, after which servers and logins name themselves as they like. Text in front
// of the source, such as the echo of typed characters, moves `addressStart` to where the
// source begins; blanks alone stay where they are.
bool checkAddresses(std::string_view line, MonitorHeader& header);

// A line that holds a monitor header whose addresses are callsigns, decorated or not.
bool isMonitorLine(std::string_view line);

// A header is the text up to the first ":" with a ">" before it, or the same text
// decorated as TNCs print it. Decoration is recognised only in the forms TNCs use, so
// "<" or "[" anywhere else (in the information field, in a line that is no header)
// changes nothing.
inline MonitorHeader findMonitorHeader(std::string_view line) {
    // Nearly every line is a plain header: addresses up to the first ":", with a ">" among
    // them. Otherwise a tag or bracket would end just before that ":", the ":" would be one
    // of a time (a digit on each side), or a bracket would open the line.
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && colon > 0 && line[0] != '[') {
        const char last = line[colon - 1];
        const bool inTime = last >= '0' && last <= '9' && colon + 1 < line.size() && line[colon + 1] >= '0' &&
                            line[colon + 1] <= '9';
        if (last != '>' && last != ']' && last != ' ' && !inTime &&
            std::string_view(line.data(), colon).find('>') != std::string_view::npos) {
            MonitorHeader header;
            header.found = true;
            header.addressEnd = colon;
            header.end = colon + 1;
            return header;
        }
    }
    return findDecoratedHeader(line);
}

// The sender and the information field of a monitored UI packet, as views into the line;
// nothing for a line that is no such packet (no header, a connected-mode frame).
struct MonitorPacket {
    std::string_view source;
    std::string_view information;
};
std::optional<MonitorPacket> splitMonitorPacket(std::string_view line);

}  // namespace quilmo
