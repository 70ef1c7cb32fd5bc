#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo::ax25::agw {

// Every AGWPE frame starts with this header; DataLen bytes of data follow it.
inline constexpr std::size_t kHeaderSize = 36;
// No frame of this protocol comes near it: a larger DataLen is a stream out of step, not data.
inline constexpr std::size_t kMaxData = 64 * 1024;
// The longest call field, NUL-padded.
inline constexpr std::size_t kCallSize = 10;

struct Frame {
    std::uint8_t port = 0;  // the server's radio channel
    char kind = 0;          // DataKind: 'X', 'C', 'D', 'K' ...
    std::uint8_t pid = 0;
    std::string callFrom;   // without the padding
    std::string callTo;
    std::string data;
};

// Header and data as they go on the wire; calls longer than their field are cut.
std::string encode(const Frame& frame);

// Splits a byte stream from the server into frames, whatever sizes the reads come in.
class Reader {
public:
    // False once a header announced more than kMaxData: the stream cannot be followed
    // any further, and nothing more is read until reset().
    bool append(std::string_view bytes);
    std::vector<Frame> take();
    bool failed() const { return failed_; }
    // A new connection starts a new stream.
    void reset();

private:
    std::string pending_;
    std::vector<Frame> frames_;
    bool failed_ = false;
};

// One AX.25 frame of ours (no checksum) as the server is asked to send it: a plain UI
// frame that the server builds the same from calls and text goes as 'M' (no digipeaters)
// or 'V' (with them), so the server keeps its own transmit queue; anything else goes
// raw as 'K'.
Frame transmitFrame(std::string_view ax25);

// A call field: up to 10 NUL-padded bytes.
std::string callField(std::string_view call);

}  // namespace quilmo::ax25::agw
