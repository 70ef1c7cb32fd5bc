#include "ax25/agw_links.h"

#include <algorithm>

namespace quilmo::ax25 {
namespace {

LinkEvent eventOf(EventKind kind, DisconnectReason reason = DisconnectReason::Requested) {
    LinkEvent e;
    e.kind = kind;
    e.reason = reason;
    return e;
}

}  // namespace

AgwLinks::AgwLinks(std::optional<Callsign> myCall, LinkSettings settings)
    : myCall_(std::move(myCall)), settings_(settings) {}

AgwLinks::Entry* AgwLinks::find(const Callsign& own, const Callsign& peer) {
    for (Entry& e : links_)
        if (sameStation(e.own, own) && sameStation(e.peer, peer)) return &e;
    return nullptr;
}

void AgwLinks::request(char kind, const Callsign& own, const Callsign& peer, std::string data) {
    agw::Frame f;
    f.kind = kind;
    f.pid = kind == 'D' ? kNoLayer3 : 0;
    f.callFrom = callsignText(own);
    f.callTo = callsignText(peer);
    f.data = std::move(data);
    bytes_ += agw::encode(f);
}

void AgwLinks::registerCall(char kind, const Callsign& call) {
    agw::Frame f;
    f.kind = kind;
    f.callFrom = callsignText(call);
    bytes_ += agw::encode(f);
}

bool AgwLinks::connect(const Callsign& own, const Callsign& peer, const std::vector<Callsign>& path) {
    if (!serverUp_ || find(own, peer) || links_.size() >= kMaxLinks || path.size() > kMaxPath) return false;
    if (path.empty()) {
        request('C', own, peer);
    } else {
        std::string via(1, static_cast<char>(path.size()));
        for (const Callsign& c : path) via += agw::callField(callsignText(c));
        request('v', own, peer, std::move(via));
    }
    links_.push_back({own, peer, State::Connecting});
    return true;
}

bool AgwLinks::send(const Callsign& own, const Callsign& peer, std::string_view bytes) {
    const Entry* e = find(own, peer);
    if (!serverUp_ || !e || e->state != State::Connected) return false;
    for (std::size_t at = 0; at < bytes.size(); at += kMaxSend) request('D', own, peer, std::string(bytes.substr(at, kMaxSend)));
    return true;
}

void AgwLinks::disconnect(const Callsign& own, const Callsign& peer) {
    Entry* e = find(own, peer);
    if (!e) return;
    // A second request drops the link at once, as our own data link does; whatever the
    // server says of it later finds no link.
    if (e->state == State::Releasing) {
        event(*e, eventOf(EventKind::Disconnected, DisconnectReason::Requested));
        std::erase_if(links_, [e](const Entry& x) { return &x == e; });
        return;
    }
    e->state = State::Releasing;
    request('d', own, peer);
}

void AgwLinks::setMyCall(Callsign myCall) {
    if (serverUp_) {
        if (myCall_) registerCall('x', *myCall_);
        registerCall('X', myCall);
    }
    myCall_ = std::move(myCall);
}

void AgwLinks::serverConnection(bool up) {
    serverUp_ = up;
    bytes_.clear();  // nothing meant for the last connection goes to the next
    if (up) {
        if (myCall_) registerCall('X', *myCall_);
        return;
    }
    for (const Entry& e : links_)
        if (e.state != State::Refused) event(e, eventOf(EventKind::Disconnected, DisconnectReason::PeerDisconnected));
    links_.clear();
}

void AgwLinks::serverFrame(const agw::Frame& frame) {
    // The server names the far station first and ours second, whoever asked for the link.
    const std::optional<Callsign> peer = parseCallsign(frame.callFrom);
    const std::optional<Callsign> own = parseCallsign(frame.callTo);
    switch (frame.kind) {
        case 'X':
            if (frame.data.empty() || frame.data[0] != 1)
                notes_.push_back("?the AGW server refused to register " + frame.callFrom +
                                 ": connections to it are not taken");
            return;
        case 'C':
            if (peer && own) serverConnected(*own, *peer);
            return;
        case 'd':
            if (peer && own) serverDisconnected(*own, *peer, frame.data);
            return;
        case 'D':
            if (!peer || !own) return;
            if (const Entry* e = find(*own, *peer); e && e->state == State::Connected) {
                LinkEvent ev = eventOf(EventKind::Data);
                ev.data = frame.data;
                event(*e, std::move(ev));
            }
            return;
        default:
            return;  // versions, ports, counts of frames waiting, monitor lines
    }
}

void AgwLinks::serverConnected(const Callsign& own, const Callsign& peer) {
    if (Entry* e = find(own, peer)) {
        if (e->state != State::Connecting) return;
        e->state = State::Connected;
        event(*e, eventOf(EventKind::Connected));
        return;
    }
    // Someone called us; a call we no longer hold is not ours to answer. Refused, the
    // link is cut at once and never shown.
    if (!myCall_ || !sameStation(own, *myCall_)) return;
    if (!settings_.conok || links_.size() >= kMaxLinks) {
        links_.push_back({own, peer, State::Refused});
        request('d', own, peer);
        return;
    }
    links_.push_back({own, peer, State::Connected});
    LinkEvent ev = eventOf(EventKind::Connected);
    ev.incoming = true;
    event(links_.back(), std::move(ev));
}

void AgwLinks::serverDisconnected(const Callsign& own, const Callsign& peer, std::string_view text) {
    const Entry* e = find(own, peer);
    if (!e) return;
    if (e->state != State::Refused) {
        DisconnectReason reason = e->state == State::Releasing ? DisconnectReason::Requested : DisconnectReason::PeerDisconnected;
        if (text.find("RETRYOUT") != std::string_view::npos) reason = DisconnectReason::RetryCountExceeded;
        event(*e, eventOf(EventKind::Disconnected, reason));
    }
    std::erase_if(links_, [e](const Entry& x) { return &x == e; });
}

std::vector<StationEvent> AgwLinks::takeEvents() {
    std::vector<StationEvent> out;
    out.swap(events_);
    return out;
}

std::vector<std::string> AgwLinks::takeNotes() {
    std::vector<std::string> out;
    out.swap(notes_);
    return out;
}

std::string AgwLinks::takeBytes() {
    std::string out;
    out.swap(bytes_);
    return out;
}

}  // namespace quilmo::ax25
