#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ax25/link.h"

namespace quilmo::ax25 {

struct StationEvent {
    Callsign own;
    Callsign peer;
    LinkEvent event;
};

// What the TNC's command line asks of the data link under it: our own AX.25 links, or a
// server that runs them (AGWPE). Each connection is kept by (own call, peer call).
class DataLinks {
public:
    virtual ~DataLinks() = default;

    // False when that link exists already, all links are in use, or the path is too long.
    virtual bool connect(const Callsign& own, const Callsign& peer, const std::vector<Callsign>& path) = 0;
    virtual bool send(const Callsign& own, const Callsign& peer, std::string_view bytes) = 0;
    virtual void disconnect(const Callsign& own, const Callsign& peer) = 0;
    // One frame heard on the air (AX.25 bytes, no checksum).
    virtual void receive(std::string_view frame) = 0;
    virtual void wake() = 0;
    virtual std::optional<std::int64_t> nextWakeAt() const = 0;

    // AX.25 frames to transmit.
    virtual std::vector<std::string> takeFrames() = 0;
    virtual std::vector<StationEvent> takeEvents() = 0;
    // Lines for the user that belong to no connection, each without its line end.
    virtual std::vector<std::string> takeNotes() { return {}; }

    virtual void setMyCall(Callsign myCall) = 0;
    virtual void setSettings(const LinkSettings& settings) = 0;
    // Whether PACLEN, MAXFRAME, FRACK, RETRY and CHECK are ours to set.
    virtual bool timingIsOurs() const { return true; }
};

}  // namespace quilmo::ax25
