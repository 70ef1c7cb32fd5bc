#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ax25/agw.h"
#include "ax25/data_links.h"

namespace quilmo::ax25 {

// The connections of a TNC whose data link runs in an AGWPE server (Dire Wolf, soundmodem
// ...): requests become the server's frames, and the server's news becomes the same
// events our own links give. Nothing is timed here; the server keeps the timers.
class AgwLinks : public DataLinks {
public:
    static constexpr std::size_t kMaxLinks = 10;
    // The longest 'D' frame sent: a server takes no more than a frame's worth at once.
    static constexpr std::size_t kMaxSend = 256;

    explicit AgwLinks(std::optional<Callsign> myCall, LinkSettings settings = {});

    bool connect(const Callsign& own, const Callsign& peer, const std::vector<Callsign>& path) override;
    bool send(const Callsign& own, const Callsign& peer, std::string_view bytes) override;
    void disconnect(const Callsign& own, const Callsign& peer) override;
    void receive(std::string_view /*frame*/) override {}
    void wake() override {}
    std::optional<std::int64_t> nextWakeAt() const override { return std::nullopt; }
    std::vector<std::string> takeFrames() override { return {}; }
    std::vector<StationEvent> takeEvents() override;
    std::vector<std::string> takeNotes() override;
    // A new call is registered at once, the old one given up.
    void setMyCall(Callsign myCall) override;
    void setSettings(const LinkSettings& settings) override { settings_ = settings; }
    bool timingIsOurs() const override { return false; }

    // One frame from the server ('K' frames are the air's and go to receive()).
    void serverFrame(const agw::Frame& frame);
    // The connection to the server came (MYCALL is registered) or went (every link with it).
    void serverConnection(bool up);
    // The protocol bytes for the server, oldest first.
    std::string takeBytes();

    std::size_t size() const { return links_.size(); }

private:
    enum class State { Connecting, Connected, Releasing, Refused };
    struct Entry {
        Callsign own;
        Callsign peer;
        State state = State::Connecting;
    };

    Entry* find(const Callsign& own, const Callsign& peer);
    void request(char kind, const Callsign& own, const Callsign& peer, std::string data = {});
    void registerCall(char kind, const Callsign& call);
    void serverConnected(const Callsign& own, const Callsign& peer);
    void serverDisconnected(const Callsign& own, const Callsign& peer, std::string_view text);
    void event(const Entry& e, LinkEvent ev) { events_.push_back({e.own, e.peer, std::move(ev)}); }

    std::optional<Callsign> myCall_;
    LinkSettings settings_;
    bool serverUp_ = false;
    std::vector<Entry> links_;
    std::vector<StationEvent> events_;
    std::vector<std::string> notes_;
    std::string bytes_;
};

}  // namespace quilmo::ax25
