#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ax25/frame.h"

namespace quilmo::ax25 {

// Milliseconds from any fixed start; the link reads time only through it.
using LinkClock = std::function<std::int64_t()>;

struct LinkSettings {
    std::size_t paclen = 128;          // PACLEN (N1): the longest information field sent
    int maxFrame = 4;                  // MAXFRAME (k) on a modulo 8 link, 1 to 7
    int maxFrameExtended = 32;         // k on a modulo 128 link, 1 to 127
    std::int64_t frackMs = 3000;       // FRACK: T1 is (2 × digipeaters + 1) × FRACK at first
    int retry = 10;                    // RETRY (N2)
    std::int64_t checkMs = 180000;     // CHECK: T3, the idle link check
    bool conok = true;                 // CONOK: incoming connections accepted
    bool extended = true;              // ask for modulo 128 (SABME) before modulo 8
    std::int64_t ackDelayMs = 500;     // how long an acknowledgement waits for more to ride with
    // The radio channel's bit rate as the link assumes it: a KISS TNC queues our frames and
    // sends them at this pace, and T1 must not run out before they are even on the air.
    // 0: frames leave at once.
    int channelBitsPerSecond = 1200;
    std::int64_t keyUpMs = 500;        // what a transmission costs beyond its bits: TXDELAY, TXTAIL, waiting for a slot
};

enum class LinkState {
    Disconnected,
    AwaitingConnection,     // SABM sent
    AwaitingV22Connection,  // SABME sent
    Connected,
    TimerRecovery,          // an enquiry is out, waiting for the peer's final answer
    AwaitingRelease,        // DISC sent
};

enum class DisconnectReason {
    Requested,           // our DISC answered, or our connect request withdrawn
    PeerDisconnected,    // the peer sent DISC
    Busy,                // the peer answered our SABM with DM
    RetryCountExceeded,  // N2 tries without an answer
    PeerDm,              // the peer answered DM on a link it no longer has
};
std::string_view reasonText(DisconnectReason reason);

enum class EventKind {
    Connected,
    Disconnected,
    Data,           // one I frame's information, in order
    FrameRejected,  // the peer sent FRMR; the link is being set up again
    Reset,          // the link is set up again (Connected follows): data in flight may be lost
};

struct LinkEvent {
    EventKind kind = EventKind::Data;
    DisconnectReason reason = DisconnectReason::Requested;  // Disconnected
    std::string data;                // Data: the information; FrameRejected: the FRMR's field
    std::uint8_t pid = kNoLayer3;    // Data
    bool incoming = false;           // Connected: the peer asked for the link
};

// One AX.25 v2.2 connection between `own` and a peer, as a state machine driven by
// received frames, requests and a clock. It transmits nothing by itself: frames to send
// and events wait in queues until taken.
class DataLink {
public:
    DataLink(Callsign own, LinkClock clock, LinkSettings settings = {});

    // Sets up a link through up to 8 digipeaters; false unless disconnected.
    bool connect(const Callsign& peer, const std::vector<Callsign>& path);
    // Releases the link (queued data is dropped); a second call drops it at once.
    void disconnect();
    // Queues `bytes` as I frames of at most PACLEN; false when there is no link to carry them.
    bool send(std::string_view bytes);
    // One received frame (no checksum); frames for others or not yet repeated are ignored.
    void receive(std::string_view frame);
    // Runs the timers that have come due.
    void wake();
    // When wake() has work next; nothing while no timer runs.
    std::optional<std::int64_t> nextWakeAt() const;

    // The frames to transmit, oldest first. Their N(R) is V(R) now, so a burst carries one
    // acknowledgement however many frames came in while it waited.
    std::vector<std::string> takeFrames();
    std::vector<LinkEvent> takeEvents();

    LinkState state() const { return state_; }
    const Callsign& own() const { return own_; }
    const Callsign& peer() const { return peer_; }
    const std::vector<Callsign>& path() const { return path_; }
    int modulo() const { return modulo_; }
    std::int64_t t1Ms() const { return t1v_; }
    // Bytes given to send() that the peer has not acknowledged yet.
    std::size_t pendingBytes() const;

private:
    std::int64_t now() const { return clock_(); }
    int window() const;
    int distance(int from, int to) const { return (to - from + modulo_) % modulo_; }
    enum class NrFit { InFlight, Late, Bad };
    NrFit nrFit(int nr) const;

    Frame frameToPeer(FrameType type, bool command, bool pollFinal) const;
    void transmit(const Frame& frame);
    void sendUnnumbered(FrameType type, bool command, bool pollFinal);
    void sendSupervisory(FrameType type, bool command, bool pollFinal);
    void answerDm(const Frame& received);
    void establish();
    void enquire();
    void pump();

    void resetTiming();
    std::int64_t airtimeMs(std::size_t frameBytes) const;
    void startT1();
    void stopT1() { t1At_.reset(); }
    void startT3() { t3At_ = now() + settings_.checkMs; }
    void ackMeasured();
    void backOff();

    void acknowledge(int nr);
    void checkAcknowledged(int nr);
    void linkUp(int modulo, bool incoming);
    void linkDown(DisconnectReason reason);
    void resetSequence();
    void reestablish();
    void event(LinkEvent e) { events_.push_back(std::move(e)); }

    void onT1();
    void onT3();
    void onAck();
    void receiveDisconnected(const Frame& f);
    void receiveAwaitingConnection(const Frame& f);
    void receiveLinked(const Frame& f);
    void receiveAwaitingRelease(const Frame& f);
    void receiveSabm(const Frame& f);
    void receiveI(const Frame& f);
    bool holdOutOfSequence(const Frame& f);
    void askAgain(int ns, bool final);
    void noteIFrame(const Frame& f);
    void answerOrAck(const Frame& f);
    std::int64_t burstEndsAt() const;
    void askAgainAfterBurst();
    int keptAhead() const;
    void answerPoll();
    void deliver(std::uint8_t pid, std::string info);
    void receiveSupervisory(const Frame& f);

    Callsign own_;
    Callsign peer_;
    std::vector<Callsign> path_;
    LinkClock clock_;
    LinkSettings settings_;
    LinkState state_ = LinkState::Disconnected;
    int modulo_ = kModulo8;

    int vs_ = 0, vr_ = 0, va_ = 0;
    int highest_ = 0;  // one past the highest N(S) ever sent: V(S) falls back below it to resend
    int rc_ = 0;
    bool peerBusy_ = false;
    bool rejectSent_ = false;
    bool ackPending_ = false;
    bool exchanged_ = false;  // the peer has acknowledged or sent an I frame since the link came up

    std::int64_t baseT1_ = 3000;
    std::int64_t srt_ = 1500;
    std::int64_t t1v_ = 3000;
    std::int64_t t1Start_ = 0;
    std::int64_t offAirAt_ = 0;
    std::optional<std::int64_t> lastIAt_;     // when the last I frame came
    std::optional<std::int64_t> burstGapMs_;  // between the last two frames of one burst
    std::int64_t burstFrom_ = 0;              // when the peer began sending its latest burst
    std::int64_t nextFrameWithinMs_ = 0;  // when the frames handed to the TNC so far have been sent, as far as we can tell
    std::optional<std::int64_t> t1At_, t3At_, ackAt_;

    std::deque<std::string> queue_;   // not sent yet
    std::vector<std::string> sent_;   // by N(S), kept until acknowledged
    // Modulo 128: frames received ahead of a missing one, by N(S), until it comes, and
    // which missing ones were asked for with SREJ.
    struct Held {
        std::uint8_t pid;
        std::string info;
    };
    std::vector<std::optional<Held>> held_;
    std::vector<std::optional<std::int64_t>> askedAt_;  // when our SREJ for it was off the air
    struct Outgoing {
        Frame frame;
        int modulo;
    };
    std::deque<Outgoing> frames_;  // to transmit; I and S frames get N(R) when taken
    std::vector<LinkEvent> events_;
};

}  // namespace quilmo::ax25
