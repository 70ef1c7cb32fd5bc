#include "ax25/link.h"

#include <algorithm>

namespace quilmo::ax25 {
namespace {

// The peer's answer needs its own key-up (TXDELAY, a slot) however fast the channel is:
// T1 never drops below a second.
constexpr std::int64_t kMinSrtMs = 500;
// A frame this far past V(R) or more is a late repeat of one delivered, not one ahead.
constexpr int kMaxAhead = kModulo128 / 2;
constexpr int kMaxBackoffDoublings = 3;  // T1 grows to 8 times its plain value, no further
constexpr std::size_t kMaxPaclen = 256;

bool isNumbered(FrameType t) {
    return t == FrameType::I || t == FrameType::RR || t == FrameType::RNR || t == FrameType::REJ ||
           t == FrameType::SREJ;
}

bool allRepeated(const std::vector<Digipeater>& path) {
    return std::all_of(path.begin(), path.end(), [](const Digipeater& d) { return d.repeated; });
}

LinkSettings checked(LinkSettings s) {
    s.paclen = std::clamp<std::size_t>(s.paclen, 1, kMaxPaclen);
    s.maxFrame = std::clamp(s.maxFrame, 1, kModulo8 - 1);
    s.maxFrameExtended = std::clamp(s.maxFrameExtended, 1, kModulo128 - 1);
    s.frackMs = std::max<std::int64_t>(s.frackMs, 2 * kMinSrtMs);
    s.retry = std::max(s.retry, 1);
    s.checkMs = std::max<std::int64_t>(s.checkMs, s.frackMs);
    s.ackDelayMs = std::max<std::int64_t>(s.ackDelayMs, 0);
    return s;
}

}  // namespace

std::string_view reasonText(DisconnectReason reason) {
    switch (reason) {
        case DisconnectReason::Requested: return "disconnected";
        case DisconnectReason::PeerDisconnected: return "disconnected by the peer";
        case DisconnectReason::Busy: return "busy";
        case DisconnectReason::RetryCountExceeded: return "retry count exceeded";
        case DisconnectReason::PeerDm: return "link lost: the peer has no link";
    }
    return "disconnected";
}

DataLink::DataLink(Callsign own, LinkClock clock, LinkSettings settings)
    : own_(std::move(own)), clock_(std::move(clock)), settings_(checked(settings)) {
    resetSequence();
}

int DataLink::window() const { return modulo_ == kModulo128 ? settings_.maxFrameExtended : settings_.maxFrame; }

std::size_t DataLink::pendingBytes() const {
    std::size_t bytes = 0;
    for (const std::string& s : queue_) bytes += s.size();
    for (int n = va_; n != highest_; n = (n + 1) % modulo_) bytes += sent_[n].size();
    return bytes;
}

// ---- requests ----

bool DataLink::connect(const Callsign& peer, const std::vector<Callsign>& path) {
    if (state_ != LinkState::Disconnected || path.size() > kMaxPath) return false;
    peer_ = peer;
    path_ = path;
    resetTiming();
    modulo_ = settings_.extended ? kModulo128 : kModulo8;
    state_ = settings_.extended ? LinkState::AwaitingV22Connection : LinkState::AwaitingConnection;
    resetSequence();
    queue_.clear();
    establish();
    return true;
}

void DataLink::disconnect() {
    switch (state_) {
        case LinkState::Disconnected: return;
        case LinkState::AwaitingConnection:
        case LinkState::AwaitingV22Connection:
            // One DISC, in case our SABM got through and its UA is on the way.
            sendUnnumbered(FrameType::DISC, true, true);
            linkDown(DisconnectReason::Requested);
            return;
        case LinkState::AwaitingRelease:
            linkDown(DisconnectReason::Requested);
            return;
        case LinkState::Connected:
        case LinkState::TimerRecovery:
            queue_.clear();
            rc_ = 0;
            sendUnnumbered(FrameType::DISC, true, true);
            t3At_.reset();
            ackAt_.reset();
            startT1();
            state_ = LinkState::AwaitingRelease;
            return;
    }
}

bool DataLink::send(std::string_view bytes) {
    const bool linked = state_ == LinkState::Connected || state_ == LinkState::TimerRecovery ||
                        state_ == LinkState::AwaitingConnection || state_ == LinkState::AwaitingV22Connection;
    if (!linked) return false;
    for (std::size_t at = 0; at < bytes.size(); at += settings_.paclen)
        queue_.emplace_back(bytes.substr(at, settings_.paclen));
    pump();
    return true;
}

void DataLink::receive(std::string_view bytes) {
    std::optional<Frame> decoded = decodeFrame(bytes, modulo_);
    // Without a link either numbering may come, and is answered.
    if (!decoded && state_ == LinkState::Disconnected)
        decoded = decodeFrame(bytes, modulo_ == kModulo8 ? kModulo128 : kModulo8);
    if (!decoded) return;
    const Frame& f = *decoded;
    // A frame still on its way through the digipeaters will come again when repeated.
    if (!sameStation(f.destination, own_) || !allRepeated(f.path)) return;
    if (state_ != LinkState::Disconnected && !sameStation(f.source, peer_)) return;
    // While the peer is sending, the channel is busy and our answer cannot come yet: T1
    // waits for it as it waits for our own frames.
    if (t1At_) t1At_ = std::max(*t1At_, now() + t1v_);
    switch (state_) {
        case LinkState::Disconnected: receiveDisconnected(f); break;
        case LinkState::AwaitingConnection:
        case LinkState::AwaitingV22Connection: receiveAwaitingConnection(f); break;
        case LinkState::Connected:
        case LinkState::TimerRecovery: receiveLinked(f); break;
        case LinkState::AwaitingRelease: receiveAwaitingRelease(f); break;
    }
    pump();
}

void DataLink::wake() {
    const std::int64_t t = now();
    if (t1At_ && *t1At_ <= t) onT1();
    if (t3At_ && *t3At_ <= t) onT3();
    if (ackAt_ && *ackAt_ <= t) onAck();
    pump();
}

std::optional<std::int64_t> DataLink::nextWakeAt() const {
    std::optional<std::int64_t> next;
    for (const auto& at : {t1At_, t3At_, ackAt_}) {
        if (at && (!next || *at < *next)) next = at;
    }
    return next;
}

std::vector<std::string> DataLink::takeFrames() {
    std::vector<std::string> out;
    out.reserve(frames_.size());
    for (Outgoing& o : frames_) {
        // An SREJ's N(R) names the frame it asks for, not what we have.
        if (o.modulo == modulo_ && isNumbered(o.frame.type) && o.frame.type != FrameType::SREJ) o.frame.nr = vr_;
        out.push_back(encodeFrame(o.frame, o.modulo));
    }
    frames_.clear();
    return out;
}

std::vector<LinkEvent> DataLink::takeEvents() {
    std::vector<LinkEvent> out;
    out.swap(events_);
    return out;
}

// ---- frames out ----

Frame DataLink::frameToPeer(FrameType type, bool command, bool pollFinal) const {
    Frame f;
    f.destination = peer_;
    f.source = own_;
    for (const Callsign& c : path_) f.path.push_back({c, false});
    f.command = command;
    f.type = type;
    f.pollFinal = pollFinal;
    f.nr = vr_;
    return f;
}

// Every frame queues behind the ones before it at the TNC; a running T1 waits for the
// last of them to be sent, since the peer answers only after our transmission ends.
void DataLink::transmit(const Frame& frame) {
    const std::int64_t t = now();
    const std::int64_t keyUp = settings_.channelBitsPerSecond > 0 ? settings_.keyUpMs : 0;
    const std::int64_t from = offAirAt_ > t ? offAirAt_ : t + keyUp;
    offAirAt_ = from + airtimeMs(encodeFrame(frame, modulo_).size());
    if (t1At_) t1At_ = std::max(*t1At_, offAirAt_ + t1v_);
    frames_.push_back({frame, modulo_});
}

void DataLink::sendUnnumbered(FrameType type, bool command, bool pollFinal) {
    transmit(frameToPeer(type, command, pollFinal));
}

// Every S frame tells the peer V(R): nothing is left to acknowledge after it.
void DataLink::sendSupervisory(FrameType type, bool command, bool pollFinal) {
    transmit(frameToPeer(type, command, pollFinal));
    ackPending_ = false;
    ackAt_.reset();
}

void DataLink::answerDm(const Frame& received) {
    Frame dm;
    dm.destination = received.source;
    dm.source = own_;
    for (const Callsign& c : reversedPath(received.path)) dm.path.push_back({c, false});
    dm.command = false;
    dm.type = FrameType::DM;
    dm.pollFinal = received.pollFinal;
    transmit(dm);
}

void DataLink::establish() {
    rejectSent_ = false;
    peerBusy_ = false;
    rc_ = 0;
    sendUnnumbered(modulo_ == kModulo128 ? FrameType::SABME : FrameType::SABM, true, true);
    t3At_.reset();
    startT1();
}

void DataLink::enquire() {
    sendSupervisory(FrameType::RR, true, true);
    startT1();
}

// Sends what the window and the peer allow: frames to resend first, then new ones.
void DataLink::pump() {
    if (state_ != LinkState::Connected && state_ != LinkState::TimerRecovery) return;
    while (!peerBusy_ && distance(va_, vs_) < window() && (vs_ != highest_ || !queue_.empty())) {
        if (vs_ == highest_) {
            sent_[vs_] = std::move(queue_.front());
            queue_.pop_front();
            highest_ = (highest_ + 1) % modulo_;
        }
        Frame f = frameToPeer(FrameType::I, true, false);
        f.ns = vs_;
        f.info = sent_[vs_];
        transmit(f);
        vs_ = (vs_ + 1) % modulo_;
        ackPending_ = false;
        ackAt_.reset();
        if (!t1At_) {
            t3At_.reset();
            startT1();
        }
    }
}

// ---- timers ----

// T1 starts from FRACK and the path: every hop carries the frame and its answer.
void DataLink::resetTiming() {
    baseT1_ = static_cast<std::int64_t>(2 * path_.size() + 1) * settings_.frackMs;
    srt_ = baseT1_ / 2;
    t1v_ = baseT1_;
}

std::int64_t DataLink::airtimeMs(std::size_t frameBytes) const {
    if (settings_.channelBitsPerSecond <= 0) return 0;
    // Checksum and flags on top, and about one stuffed bit in 32.
    const std::int64_t bits = static_cast<std::int64_t>(frameBytes + 4) * 8 * 33 / 32;
    return bits * 1000 / settings_.channelBitsPerSecond;
}

void DataLink::startT1() {
    t1Start_ = std::max(now(), offAirAt_);
    t1At_ = t1Start_ + t1v_;
}

// An answer came before T1 ran out: a round trip measured, unless it answers a repeat.
void DataLink::ackMeasured() {
    if (rc_ == 0 && t1At_) srt_ = (7 * srt_ + (now() - t1Start_)) / 8;
    srt_ = std::clamp(srt_, kMinSrtMs, 4 * baseT1_);
    stopT1();
    t1v_ = 2 * srt_;
}

// Each try waits twice as long as the one before, up to a bound.
void DataLink::backOff() { t1v_ = (2 * srt_) << std::min(rc_, kMaxBackoffDoublings); }

void DataLink::onT1() {
    stopT1();
    switch (state_) {
        case LinkState::Disconnected: return;
        case LinkState::AwaitingConnection:
        case LinkState::AwaitingV22Connection:
        case LinkState::AwaitingRelease:
            if (rc_ >= settings_.retry) {
                linkDown(DisconnectReason::RetryCountExceeded);
                return;
            }
            // A station without modulo 128 may ignore SABME instead of refusing it: after
            // half the tries, SABM asks for a modulo 8 link.
            if (state_ == LinkState::AwaitingV22Connection && rc_ + 1 >= (settings_.retry + 1) / 2) {
                modulo_ = kModulo8;
                resetSequence();
                state_ = LinkState::AwaitingConnection;
            }
            ++rc_;
            backOff();
            if (state_ == LinkState::AwaitingRelease) {
                sendUnnumbered(FrameType::DISC, true, true);
            } else {
                sendUnnumbered(modulo_ == kModulo128 ? FrameType::SABME : FrameType::SABM, true, true);
            }
            startT1();
            return;
        case LinkState::Connected:
            rc_ = 1;
            backOff();
            enquire();
            state_ = LinkState::TimerRecovery;
            return;
        case LinkState::TimerRecovery:
            if (rc_ >= settings_.retry) {
                linkDown(DisconnectReason::RetryCountExceeded);
                return;
            }
            ++rc_;
            backOff();
            enquire();
            return;
    }
}

void DataLink::onT3() {
    t3At_.reset();
    if (state_ != LinkState::Connected) return;
    rc_ = 0;
    enquire();
    state_ = LinkState::TimerRecovery;
}

void DataLink::onAck() {
    ackAt_.reset();
    askAgainAfterBurst();
    if (ackPending_) sendSupervisory(FrameType::RR, false, false);
}

// ---- state changes ----

void DataLink::resetSequence() {
    vs_ = vr_ = va_ = highest_ = 0;
    sent_.assign(static_cast<std::size_t>(modulo_), std::string());
    lastIAt_.reset();
    burstGapMs_.reset();
    held_.assign(static_cast<std::size_t>(modulo_), std::nullopt);
    askedAt_.assign(static_cast<std::size_t>(modulo_), std::nullopt);
    rejectSent_ = peerBusy_ = ackPending_ = exchanged_ = false;
    ackAt_.reset();
}

void DataLink::linkUp(int modulo, bool incoming) {
    modulo_ = modulo;
    resetSequence();
    rc_ = 0;
    stopT1();
    startT3();
    state_ = LinkState::Connected;
    event({EventKind::Connected, {}, {}, kNoLayer3, incoming});
}

void DataLink::linkDown(DisconnectReason reason) {
    state_ = LinkState::Disconnected;
    t1At_.reset();
    t3At_.reset();
    ackAt_.reset();
    queue_.clear();
    resetSequence();
    event({EventKind::Disconnected, reason, {}, kNoLayer3, false});
}

// ---- frames in ----

void DataLink::receiveDisconnected(const Frame& f) {
    if (!f.command) return;
    if (f.type == FrameType::SABM || f.type == FrameType::SABME) {
        if (!settings_.conok) {
            answerDm(f);
            return;
        }
        peer_ = f.source;
        path_ = reversedPath(f.path);
        resetTiming();
        queue_.clear();
        sendUnnumbered(FrameType::UA, false, f.pollFinal);
        linkUp(f.type == FrameType::SABME ? kModulo128 : kModulo8, true);
        return;
    }
    // A peer that still thinks it has a link is told it has none.
    if (f.type == FrameType::DISC || isNumbered(f.type)) answerDm(f);
}

void DataLink::receiveAwaitingConnection(const Frame& f) {
    switch (f.type) {
        case FrameType::SABM:
        case FrameType::SABME:
            // Both asked at once: take the peer's request, which answers ours as well.
            if (!f.command) return;
            sendUnnumbered(FrameType::UA, false, f.pollFinal);
            linkUp(f.type == FrameType::SABME ? kModulo128 : kModulo8, false);
            return;
        case FrameType::DISC:
            if (f.command) sendUnnumbered(FrameType::DM, false, f.pollFinal);
            return;
        case FrameType::UA:
            if (!f.pollFinal) return;
            ackMeasured();
            linkUp(modulo_, false);
            return;
        case FrameType::DM:
        case FrameType::FRMR:
            if (f.type == FrameType::DM && !f.pollFinal) return;
            // A station without modulo 128 refuses SABME: ask again with SABM.
            if (state_ == LinkState::AwaitingV22Connection) {
                modulo_ = kModulo8;
                resetSequence();
                state_ = LinkState::AwaitingConnection;
                establish();
                return;
            }
            if (f.type == FrameType::DM) linkDown(DisconnectReason::Busy);
            return;
        default: return;
    }
}

void DataLink::receiveSabm(const Frame& f) {
    sendUnnumbered(FrameType::UA, false, f.pollFinal);
    const int modulo = f.type == FrameType::SABME ? kModulo128 : kModulo8;
    // A repeat of the request whose UA was lost: nothing has crossed yet, so everything
    // sent is simply sent again from N(S) 0.
    if (!exchanged_ && modulo == modulo_) {
        vs_ = va_;
        stopT1();
        rc_ = 0;
        t1v_ = 2 * srt_;
        startT3();
        state_ = LinkState::Connected;
        return;
    }
    // The peer started afresh: what we had for it belongs to the old link.
    event({EventKind::Reset, {}, {}, kNoLayer3, false});
    queue_.clear();
    linkUp(modulo, true);
}

void DataLink::receiveLinked(const Frame& f) {
    switch (f.type) {
        case FrameType::SABM:
        case FrameType::SABME:
            if (f.command) receiveSabm(f);
            return;
        case FrameType::DISC:
            if (!f.command) return;
            sendUnnumbered(FrameType::UA, false, f.pollFinal);
            linkDown(DisconnectReason::PeerDisconnected);
            return;
        case FrameType::DM:
            linkDown(DisconnectReason::PeerDm);
            return;
        case FrameType::FRMR:
            event({EventKind::FrameRejected, {}, f.info, kNoLayer3, false});
            reestablish();
            return;
        case FrameType::I: receiveI(f); return;
        case FrameType::RR:
        case FrameType::RNR:
        case FrameType::REJ:
        case FrameType::SREJ: receiveSupervisory(f); return;
        default: return;  // a late UA, UI, XID, TEST
    }
}

// Unacknowledged frames are lost with the sequence numbers; unsent data waits.
void DataLink::reestablish() {
    event({EventKind::Reset, {}, {}, kNoLayer3, false});
    state_ = modulo_ == kModulo128 ? LinkState::AwaitingV22Connection : LinkState::AwaitingConnection;
    resetSequence();
    establish();
}

void DataLink::receiveAwaitingRelease(const Frame& f) {
    switch (f.type) {
        case FrameType::SABM:
        case FrameType::SABME:
            if (f.command) sendUnnumbered(FrameType::DM, false, f.pollFinal);
            return;
        case FrameType::DISC:
            if (f.command) sendUnnumbered(FrameType::UA, false, f.pollFinal);
            return;
        case FrameType::UA:
        case FrameType::DM:
            if (f.pollFinal) linkDown(DisconnectReason::Requested);
            return;
        default:
            if (f.command && f.pollFinal && isNumbered(f.type)) sendUnnumbered(FrameType::DM, false, true);
            return;
    }
}

// An N(R) just behind the frames in flight is a late repeat, as a path that reorders
// frames gives: it says nothing new. Any other outside them is a protocol error.
DataLink::NrFit DataLink::nrFit(int nr) const {
    if (distance(va_, nr) <= distance(va_, highest_)) return NrFit::InFlight;
    return distance(nr, va_) <= window() ? NrFit::Late : NrFit::Bad;
}

// N(R) acknowledges every frame before it.
void DataLink::acknowledge(int nr) {
    if (nr == va_) return;
    exchanged_ = true;
    if (distance(va_, vs_) < distance(va_, nr)) vs_ = nr;
    va_ = nr;
}

void DataLink::checkAcknowledged(int nr) {
    if (peerBusy_) {
        acknowledge(nr);
        if (!t1At_) startT1();  // T1 now polls the busy peer
        return;
    }
    if (nr == highest_) {
        acknowledge(nr);
        ackMeasured();
        startT3();
        return;
    }
    if (nr != va_) {
        acknowledge(nr);
        startT1();
    }
}

void DataLink::receiveI(const Frame& f) {
    if (!f.command) return;
    noteIFrame(f);
    const NrFit fit = nrFit(f.nr);
    if (fit == NrFit::Bad) {
        reestablish();
        return;
    }
    if (fit == NrFit::InFlight) {
        if (state_ == LinkState::Connected) {
            checkAcknowledged(f.nr);
        } else {
            acknowledge(f.nr);
        }
    }
    if (f.ns != vr_) {
        if (holdOutOfSequence(f)) return;
        // A repeat of a frame delivered already, sent again for an SREJ whose answer
        // crossed it: a REJ would make the peer send its whole window again.
        if (modulo_ == kModulo128) {
            answerOrAck(f);
            return;
        }
        // Out of sequence: one REJ until the missing frame comes.
        if (!rejectSent_) {
            rejectSent_ = true;
            sendSupervisory(FrameType::REJ, false, f.pollFinal);
        } else if (f.pollFinal) {
            answerPoll();
        }
        return;
    }
    rejectSent_ = false;
    exchanged_ = true;
    deliver(f.pid, f.info);
    // Frames kept while this one was missing follow it now.
    while (held_[vr_]) {
        Held h = std::move(*held_[vr_]);
        held_[vr_].reset();
        deliver(h.pid, std::move(h.info));
    }
    answerOrAck(f);
}

// A poll is answered at once. Otherwise more of the peer's burst may follow: the
// acknowledgement waits until it has ended, so that one RR answers the whole burst.
void DataLink::answerOrAck(const Frame& f) {
    if (f.pollFinal) {
        answerPoll();
        return;
    }
    ackPending_ = true;
    ackAt_ = burstEndsAt();
}

// When the peer's burst will have ended, if no further frame of it comes.
std::int64_t DataLink::burstEndsAt() const { return now() + settings_.ackDelayMs + nextFrameWithinMs_; }

// When the next frame of a burst would have come by: one frame's airtime on the channel
// assumed, or less when the TNC has been handing us a burst's frames faster than that.
void DataLink::noteIFrame(const Frame& f) {
    const std::int64_t t = now();
    const std::int64_t airtime = airtimeMs(encodeFrame(f, modulo_).size());
    if (lastIAt_ && t - *lastIAt_ <= airtime + settings_.ackDelayMs) {
        burstGapMs_ = t - *lastIAt_;
    } else {
        burstFrom_ = t - airtime;
    }
    lastIAt_ = t;
    nextFrameWithinMs_ = burstGapMs_ ? std::min(airtime, 2 * *burstGapMs_) : airtime;
}

void DataLink::deliver(std::uint8_t pid, std::string info) {
    askedAt_[vr_].reset();
    vr_ = (vr_ + 1) % modulo_;
    event({EventKind::Data, {}, std::move(info), pid, false});
}

// On a modulo 128 link a frame that comes after a lost one is kept, and only the lost
// ones are asked for again, each once, with SREJ: on a fading channel the peer then
// repeats one frame instead of its whole window. False for a frame that is no such case
// (a repeat of one delivered already, or modulo 8, where REJ does it).
bool DataLink::holdOutOfSequence(const Frame& f) {
    if (modulo_ != kModulo128 || distance(vr_, f.ns) >= kMaxAhead) return false;
    held_[f.ns] = Held{f.pid, f.info};
    if (f.pollFinal) {
        answerPoll();
        return true;
    }
    for (int n = vr_; n != f.ns; n = (n + 1) % modulo_) {
        if (!held_[n] && !askedAt_[n]) askAgain(n, false);
    }
    // The end of the burst tells which of the frames asked for before it are still lost.
    ackAt_ = burstEndsAt();
    return true;
}

void DataLink::askAgain(int ns, bool final) {
    Frame srej = frameToPeer(FrameType::SREJ, false, final);
    srej.nr = ns;
    transmit(srej);
    askedAt_[ns] = offAirAt_;
}

// How far past V(R) the last frame kept after a gap lies; 0 when none is.
int DataLink::keptAhead() const {
    int last = 0;
    if (modulo_ != kModulo128) return last;
    for (int d = 1; d < kMaxAhead; ++d)
        if (held_[(vr_ + d) % modulo_]) last = d;
    return last;
}

// A frame we asked for before the peer's burst began, and that the burst did not bring,
// was lost again (or our SREJ was): ask once more now rather than leave the peer to time
// out and poll, for some peers give up after RETRY timeouts however the polls are answered.
void DataLink::askAgainAfterBurst() {
    const int last = keptAhead();
    for (int d = 0; d < last; ++d) {
        const int n = (vr_ + d) % modulo_;
        if (!held_[n] && askedAt_[n] && *askedAt_[n] < burstFrom_) askAgain(n, false);
    }
}

// While frames are kept after a gap, the answer to a poll asks for every missing one
// again, the first with F set: the SREJs that asked before may have been lost.
void DataLink::answerPoll() {
    const int last = keptAhead();
    if (last == 0) {
        sendSupervisory(FrameType::RR, false, true);
        return;
    }
    for (int d = 0; d < last; ++d) {
        const int n = (vr_ + d) % modulo_;
        if (!held_[n]) askAgain(n, d == 0);
    }
    ackPending_ = false;
    ackAt_.reset();
}

void DataLink::receiveSupervisory(const Frame& f) {
    const NrFit fit = nrFit(f.nr);
    if (fit == NrFit::Bad) {
        reestablish();
        return;
    }
    const bool valid = fit == NrFit::InFlight;
    peerBusy_ = f.type == FrameType::RNR;
    // The final answer to our enquiry: back to normal, resending whatever it lacks.
    if (state_ == LinkState::TimerRecovery && !f.command && f.pollFinal) {
        ackMeasured();
        if (valid) acknowledge(f.nr);
        rc_ = 0;
        state_ = LinkState::Connected;
        vs_ = va_;
        if (va_ == highest_ && !peerBusy_) {
            startT3();
        } else {
            startT1();
        }
        return;
    }
    if (f.command && f.pollFinal) answerPoll();
    if (!valid) return;
    const bool connected = state_ == LinkState::Connected;
    switch (f.type) {
        case FrameType::RR:
        case FrameType::RNR:
            if (connected) {
                checkAcknowledged(f.nr);
            } else {
                acknowledge(f.nr);
            }
            return;
        case FrameType::REJ:
            acknowledge(f.nr);
            vs_ = va_;
            if (connected) {
                ackMeasured();
                t3At_.reset();
                if (va_ != highest_) startT1();
            }
            return;
        case FrameType::SREJ:
            // With F set it acknowledges the frames before the one it asks for.
            if (f.pollFinal) acknowledge(f.nr);
            if (f.nr != highest_) {
                Frame again = frameToPeer(FrameType::I, true, false);
                again.ns = f.nr;
                again.info = sent_[f.nr];
                transmit(again);
                ackPending_ = false;
                ackAt_.reset();
                if (!t1At_) startT1();
            }
            return;
        default: return;
    }
}

}  // namespace quilmo::ax25
