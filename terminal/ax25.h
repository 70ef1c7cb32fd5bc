#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo {

// A station address as the user writes it: "N0CALL-7".
struct Callsign {
    std::string call;  // 1 to 6 letters or digits, upper case
    int ssid = 0;      // 0 to 15
};

// "n0call-7", "N0CALL", "N0CALL-0": 1 to 6 letters or digits, optionally "-" and a
// one- or two-digit SSID up to 15; upper-cased. Nothing else is a callsign.
std::optional<Callsign> parseCallsign(std::string_view text);
// "N0CALL-7"; an SSID of 0 is not written.
std::string callsignText(const Callsign& callsign);

// Where converse-mode frames go: a destination and up to 8 digipeaters.
struct UnprotoPath {
    Callsign destination;
    std::vector<Callsign> digipeaters;
};
// "APZQLM VIA WIDE1-1,WIDE2-1" or "APZQLM,WIDE1-1": callsigns separated by blanks or
// commas, with an optional word VIA after the destination.
std::optional<UnprotoPath> parseUnproto(std::string_view text);
// "APZQLM,WIDE1-1,WIDE2-1"
std::string unprotoText(const UnprotoPath& path);
// Why parseUnproto refuses `text`, in words for the user; empty when it reads the text.
std::string unprotoProblem(std::string_view text);

// A digipeater of a frame being built, with its has-been-repeated bit.
struct Digipeater {
    Callsign callsign;
    bool repeated = false;
};
// An AX.25 UI command frame (control 0x03, PID 0xF0) without the checksum, as KISS carries it.
std::string ax25UiFrame(const Callsign& source, const Callsign& destination,
                        const std::vector<Digipeater>& digipeaters, std::string_view info);

enum class Ax25Kind {
    Malformed,  // short, bad address bytes or no end of the address field: nothing appended
    Ui,         // an unnumbered information frame: a monitored packet
    Other,      // a connected-mode frame, shown with its type in angle brackets
};
// Appends the line a TNC-2 monitor prints for `frame` (no checksum), CR LF included:
// "SRC>DEST,DIGI1*,DIGI2:info", or "SRC>DEST <RR 3 P>" for a frame that is not UI.
Ax25Kind appendMonitorLine(std::string_view frame, std::string& out);

}  // namespace quilmo
