#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/ax25.h"

namespace quilmo::ax25 {

// The frames of connected mode, and the connectionless ones a link may meet.
enum class FrameType : std::uint8_t {
    I,
    RR, RNR, REJ, SREJ,                          // supervisory
    SABM, SABME, DISC, DM, UA, FRMR, UI, XID, TEST,  // unnumbered
};

// Sequence numbers count modulo 8 (one control byte) or 128 (two for I and S frames).
inline constexpr int kModulo8 = 8;
inline constexpr int kModulo128 = 128;
inline constexpr std::uint8_t kNoLayer3 = 0xF0;
inline constexpr std::size_t kMaxPath = 8;

struct Frame {
    Callsign destination;
    Callsign source;
    std::vector<Digipeater> path;  // in the order the frame travels
    bool command = true;           // the address C bits: a command, or a response
    FrameType type = FrameType::UI;
    int ns = 0;                    // N(S), I frames only
    int nr = 0;                    // N(R), I and S frames
    bool pollFinal = false;
    std::uint8_t pid = kNoLayer3;  // I and UI frames
    std::string info;              // I, UI, FRMR, XID and TEST frames
};

// A frame as KISS carries it (no flags, no checksum), control field for `modulo`.
std::string encodeFrame(const Frame& frame, int modulo);
// Nothing for a damaged frame: a bad address field, a control field that is no frame of
// ours, a missing PID, or information on a frame that has none. I and S frames are read
// with `modulo`'s control field; U frames are the same in both.
std::optional<Frame> decodeFrame(std::string_view bytes, int modulo);

// Only the address field and the command bit of `bytes`, to see whom a frame is for.
std::optional<Frame> decodeAddresses(std::string_view bytes);

bool sameStation(const Callsign& a, const Callsign& b);

// The digipeaters of a received frame, turned round for the answer and not yet repeated.
std::vector<Callsign> reversedPath(const std::vector<Digipeater>& received);

}  // namespace quilmo::ax25
