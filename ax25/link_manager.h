#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ax25/data_links.h"
#include "ax25/link.h"

namespace quilmo::ax25 {

// The links of one TNC, each kept by (own call, peer call): received frames go to their
// link, and a SABM or SABME to MYCALL from a new peer makes one. A link is forgotten once
// it is down and its events are out.
class LinkManager : public DataLinks {
public:
    static constexpr std::size_t kMaxLinks = 10;

    LinkManager(Callsign myCall, LinkClock clock, LinkSettings settings = {});

    // False when that link exists already, all links are in use, or the path is too long.
    bool connect(const Callsign& own, const Callsign& peer, const std::vector<Callsign>& path) override;
    bool send(const Callsign& own, const Callsign& peer, std::string_view bytes) override;
    void disconnect(const Callsign& own, const Callsign& peer) override;
    void receive(std::string_view frame) override;
    void wake() override;
    std::optional<std::int64_t> nextWakeAt() const override;

    std::vector<std::string> takeFrames() override;
    std::vector<StationEvent> takeEvents() override;

    // For links made from now on; a link keeps the call and settings it started with.
    void setMyCall(Callsign myCall) override { myCall_ = std::move(myCall); }
    void setSettings(const LinkSettings& settings) override { settings_ = settings; }

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
