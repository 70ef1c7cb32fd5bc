// Feeds arbitrary bytes to the KISS splitter and the AX.25 monitor as a TNC's stream would
// come, and to the converse-mode encoder as typed text; each must keep its promises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "terminal/ax25.h"
#include "terminal/kiss.h"
#include "terminal/kiss_monitor.h"
#include "terminal/kiss_transmit.h"

namespace {

using namespace quilmo;

void require(bool promise) {
    if (!promise) __builtin_trap();
}

void receiveInReads(std::string_view stream, std::size_t readSize) {
    KissMonitor monitor;
    for (std::size_t at = 0; at < stream.size(); at += readSize) {
        const KissReceived got = monitor.receive(stream.substr(at, readSize));
        require(got.monitorText.empty() || std::string_view(got.monitorText).ends_with("\r\n"));
        for (const std::string& line : got.aprsLines) {
            require(line.find("\r\n") == std::string::npos && line.find('>') != std::string::npos);
            require(line.size() < KissSplitter::kMaxFrame + 128);
        }
    }
}

// The bytes as one AX.25 frame: nothing appended when refused, one whole line otherwise.
void monitorOneFrame(std::string_view frame) {
    std::string out = "x";
    const Ax25Kind kind = appendMonitorLine(frame, out);
    if (kind == Ax25Kind::Malformed) {
        require(out == "x");
        return;
    }
    require(out.size() > 3 && std::string_view(out).ends_with("\r\n") && out.find('>') != std::string::npos);
}

// Every byte survives escaping and splitting.
void escapeRoundTrip(std::string_view data) {
    if (data.size() >= KissSplitter::kMaxFrame) return;
    KissSplitter splitter;
    int frames = 0;
    splitter.feed(kissDataFrame(data), [&](const KissFrame& f) {
        require(f.port == 0 && f.command == 0 && f.data == data);
        ++frames;
    });
    require(frames == 1 && splitter.dropped() == 0);
}

// Whatever is typed, each frame sent is one whole UI frame from MYCALL.
void converse(std::string_view typed) {
    const KissTransmit sent = kissTransmitFrames(typed, "N0CALL-7", "APZQLM,WIDE1-1");
    KissMonitor monitor;
    for (const std::string& frame : sent.frames) {
        require(frame.size() > 2 && frame.front() == kFend && frame.back() == kFend);
        require(frame.find(kFend, 1) == frame.size() - 1);
        const KissReceived got = monitor.receive(frame);
        require(got.aprsLines.size() == 1 && got.aprsLines[0].starts_with("N0CALL-7>APZQLM,WIDE1-1:"));
    }
    require(monitor.dropped() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    receiveInReads(bytes, 1 + data[0] % 64);
    receiveInReads(bytes, bytes.size() + 1);
    monitorOneFrame(bytes);
    escapeRoundTrip(bytes);
    converse(bytes);
    return 0;
}
