#pragma once
// tnc-sim as a KISS TNC: the capture goes out as the UI frames it was heard as, and frames
// from the program come back as monitor lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/kiss_monitor.h"

namespace tncsim {

// "SRC>DEST,DIGI1*,DIGI2:info" (no line end) as a KISS data frame holding that UI frame;
// empty when an address is no AX.25 callsign or there are more than 8 digipeaters.
std::string kissFrameForMonitorLine(std::string_view line);

// The capture's lines (CR LF ends) as KISS frames, a header printed alone joined with the
// line after it; lines that cannot be frames are left out and counted in `skipped`.
std::vector<std::string> kissReplay(const std::vector<std::string>& lines, std::size_t& skipped);

// What the program sends, as the monitor lines a TNC-2 would print for it, one text line each.
class KissListener {
public:
    std::string monitorText(std::string_view bytes);
    std::uint64_t dropped() const { return monitor_.dropped(); }

private:
    quilmo::KissMonitor monitor_;
};

}  // namespace tncsim
