#include "ax25/link_manager.h"

#include <algorithm>

namespace quilmo::ax25 {

LinkManager::LinkManager(Callsign myCall, LinkClock clock, LinkSettings settings)
    : myCall_(std::move(myCall)), clock_(std::move(clock)), settings_(settings) {}

DataLink* LinkManager::findLink(const Callsign& own, const Callsign& peer) const {
    for (const auto& link : links_) {
        if (sameStation(link->own(), own) && sameStation(link->peer(), peer)) return link.get();
    }
    return nullptr;
}

const DataLink* LinkManager::find(const Callsign& own, const Callsign& peer) const { return findLink(own, peer); }

bool LinkManager::connect(const Callsign& own, const Callsign& peer, const std::vector<Callsign>& path) {
    if (findLink(own, peer) || links_.size() >= kMaxLinks) return false;
    auto link = std::make_unique<DataLink>(own, clock_, settings_);
    if (!link->connect(peer, path)) return false;
    links_.push_back(std::move(link));
    collect();
    return true;
}

bool LinkManager::send(const Callsign& own, const Callsign& peer, std::string_view bytes) {
    DataLink* link = findLink(own, peer);
    const bool queued = link && link->send(bytes);
    collect();
    return queued;
}

void LinkManager::disconnect(const Callsign& own, const Callsign& peer) {
    if (DataLink* link = findLink(own, peer)) link->disconnect();
    collect();
}

void LinkManager::receive(std::string_view frame) {
    const std::optional<Frame> addresses = decodeAddresses(frame);
    if (!addresses) return;
    if (DataLink* link = findLink(addresses->destination, addresses->source)) {
        link->receive(frame);
        collect();
        return;
    }
    if (!sameStation(addresses->destination, myCall_)) return;
    // A new link answers as one without a link does: UA to a SABM it takes, DM to the
    // rest. With every link in use, a SABM is refused as busy.
    LinkSettings settings = settings_;
    if (links_.size() >= kMaxLinks) settings.conok = false;
    links_.push_back(std::make_unique<DataLink>(myCall_, clock_, settings));
    links_.back()->receive(frame);
    collect();
}

void LinkManager::wake() {
    for (const auto& link : links_) link->wake();
    collect();
}

std::optional<std::int64_t> LinkManager::nextWakeAt() const {
    std::optional<std::int64_t> next;
    for (const auto& link : links_) {
        const std::optional<std::int64_t> at = link->nextWakeAt();
        if (at && (!next || *at < *next)) next = at;
    }
    return next;
}

std::vector<std::string> LinkManager::takeFrames() {
    std::vector<std::string> out;
    out.swap(frames_);
    return out;
}

std::vector<StationEvent> LinkManager::takeEvents() {
    std::vector<StationEvent> out;
    out.swap(events_);
    return out;
}

void LinkManager::collect() {
    for (const auto& link : links_) {
        for (std::string& f : link->takeFrames()) frames_.push_back(std::move(f));
        for (LinkEvent& e : link->takeEvents()) events_.push_back({link->own(), link->peer(), std::move(e)});
    }
    std::erase_if(links_, [](const auto& link) { return link->state() == LinkState::Disconnected; });
}

}  // namespace quilmo::ax25
