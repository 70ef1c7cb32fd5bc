#include "terminal/kiss_monitor.h"

#include "terminal/ax25.h"

namespace quilmo {
namespace {

// A frame is one packet whatever its information holds: line ends inside it are joined
// as the decoder joins a header with its information line, so they cannot split it
// into two packets, the second with a source of the sender's choosing.
std::string aprsLine(std::string_view monitorLine) {
    monitorLine.remove_suffix(2);  // its own CR LF
    std::string line;
    line.reserve(monitorLine.size());
    for (const char c : monitorLine) {
        line += c;
        // A pair that an earlier join brought together ("\r\r\n\n") goes as well: none is left.
        if (c == '\n' && line.size() >= 2 && line[line.size() - 2] == '\r') line.resize(line.size() - 2);
    }
    return line;
}

}  // namespace

KissReceived KissMonitor::receive(std::string_view bytes) {
    KissReceived out;
    splitter_.feed(bytes, [this, &out](const KissFrame& frame) {
        // Other commands are the TNC's settings, not traffic.
        if (frame.command != 0) return;
        if (keepFrames_) out.frames.emplace_back(frame.data);
        const std::size_t start = out.monitorText.size();
        const Ax25Kind kind = appendMonitorLine(frame.data, out.monitorText);
        if (kind == Ax25Kind::Malformed) ++malformed_;
        if (kind != Ax25Kind::Ui) return;
        out.aprsLines.push_back(aprsLine(std::string_view(out.monitorText).substr(start)));
    });
    return out;
}

}  // namespace quilmo
