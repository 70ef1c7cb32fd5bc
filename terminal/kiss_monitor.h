#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/kiss.h"

namespace quilmo {

// What one received chunk from a KISS TNC gives.
struct KissReceived {
    std::string monitorText;             // every data frame's monitor line, each with CR LF
    std::vector<std::string> aprsLines;  // the UI frames' lines for the decoder, without line end
    std::vector<std::string> frames;     // every data frame's AX.25 bytes, when kept (keepFrames)
};

// The receive side of a KISS TNC: frames split from the byte stream and printed as a
// TNC-2 monitor would have printed them.
class KissMonitor {
public:
    KissReceived receive(std::string_view bytes);
    // Whether receive() hands out the frames themselves too (for a connected-mode session);
    // off, no frame is copied.
    void keepFrames(bool keep) { keepFrames_ = keep; }
    // A half-received frame must not be glued to the first bytes after a device loss.
    void reset() { splitter_.reset(); }
    // Frames dropped so far: bad escapes, overlong, and damaged AX.25 address fields.
    std::uint64_t dropped() const { return splitter_.dropped() + malformed_; }

private:
    KissSplitter splitter_;
    std::uint64_t malformed_ = 0;
    bool keepFrames_ = false;
};

}  // namespace quilmo
