#pragma once
#include <cstddef>
#include <memory>
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

// The links of one TNC, each kept by (own call, peer call): received frames go to their
// link, and a SABM or SABME to MYCALL from a new peer makes one. A link is forgotten once
// it is down and its events are out.
class LinkManager {
public:
    static constexpr std::size_t kMaxLinks = 10;

    LinkManager(Callsign myCall, LinkClock clock, LinkSettings settings = {});

    // False when that link exists already, all links are in use, or the path is too long.
    bool connect(const Callsign& own, const Callsign& peer, const std::vector<Callsign>& path);
    bool send(const Callsign& own, const Callsign& peer, std::string_view bytes);
    void disconnect(const Callsign& own, const Callsign& peer);
    void receive(std::string_view frame);
    void wake();
    std::optional<std::int64_t> nextWakeAt() const;

    std::vector<std::string> takeFrames();
    std::vector<StationEvent> takeEvents();

    // For links made from now on; a link keeps the call and settings it started with.
    void setMyCall(Callsign myCall) { myCall_ = std::move(myCall); }
    void setSettings(const LinkSettings& settings) { settings_ = settings; }

    const DataLink* find(const Callsign& own, const Callsign& peer) const;
    std::size_t size() const { return links_.size(); }

private:
    DataLink* findLink(const Callsign& own, const Callsign& peer) const;
    void collect();

    Callsign myCall_;
    LinkClock clock_;
    LinkSettings settings_;
    std::vector<std::unique_ptr<DataLink>> links_;
    std::vector<std::string> frames_;
    std::vector<StationEvent> events_;
};

}  // namespace quilmo::ax25
