#include "aprs/messaging.h"

#include <algorithm>
#include <tuple>

#include "aprs/message_field.h"
#include "platform/callsign.h"
#include "platform/cp1252_utf8.h"

namespace quilmo {
namespace {

constexpr std::size_t kAddresseeWidth = 9;
constexpr std::int64_t kLargestNumber = 99999;  // five digits, the most a number may have
constexpr std::size_t kMostBulletins = 500;
// Third-party packets may carry third-party packets; nobody nests them deeper than this.
constexpr int kDeepestThirdParty = 3;

// A monitor may mark a station heard directly with "*".
std::string stationName(std::string_view source) {
    while (!source.empty() && source.back() == '*') source.remove_suffix(1);
    return upperAsciiCopy(source);
}

std::string addresseeRefusal(std::string_view addressee, std::string_view myCall) {
    if (addressee.empty()) return "Write the station to send to.";
    const bool wellFormed = addressee.size() <= kAddresseeWidth &&
                            std::all_of(addressee.begin(), addressee.end(), isCallsignCharacter);
    if (!wellFormed) return "Not a station: up to 9 letters, digits and '-'.";
    const std::string name = upperAsciiCopy(addressee);
    if (name.starts_with("BLN") || name.starts_with("NWS")) return "Bulletins (BLN, NWS) are not sent from here.";
    if (sameCallsign(name, myCall)) return "That is your own callsign.";
    return {};
}

bool waitsForAnswer(MessageState state) {
    return state == MessageState::Sending || state == MessageState::GivenUp || state == MessageState::Cancelled;
}

// After the last try only the answer is waited for, and not for long: the user wants to
// know the message did not get through while there is still time to do something.
std::int64_t waitAfterTry(int tries) {
    return tries >= kMessageTries ? kGiveUpAfterLastTryMs : kFirstRetryMs << (tries - 1);
}

// Messages stay in the order of their ids, so one is found by halving.
template <typename Messages>
auto findIn(Messages& messages, std::int64_t id) -> decltype(&messages.front()) {
    const auto at = std::lower_bound(messages.begin(), messages.end(), id,
                                     [](const StoredMessage& m, std::int64_t key) { return m.id < key; });
    return at != messages.end() && at->id == id ? &*at : nullptr;
}

}  // namespace

std::string messageAddressField(std::string_view addressee) {
    std::string field = ":" + std::string(addressee);
    if (field.size() < kAddresseeWidth + 1) field.resize(kAddresseeWidth + 1, ' ');
    return field + ":";
}

// Characters, not bytes: a letter that goes out in UTF-8 takes up to four bytes and is still one.
std::string messageTextRefusal(std::string_view text) {
    if (text.empty()) return "Nothing to send: write a text.";
    const std::size_t characters = characterCount(text);
    if (characters > kMaxMessageText) {
        return "The text has " + std::to_string(characters) + " characters; a message holds at most 67.";
    }
    for (std::size_t at = 0; at < text.size();) {
        const AirCharacter c = airCharacterAt(text, at);
        at += c.length;
        if (c.codePoint == '|' || c.codePoint == '~' || c.codePoint == '{') {
            return std::string("The text holds '") + static_cast<char>(c.codePoint) +
                   "', which a message cannot carry ('|', '~' and '{' are not allowed).";
        }
        if (c.codePoint < 32 || (c.codePoint >= 0x7F && c.codePoint <= 0x9F)) {
            return "The text holds a control character, which a message cannot carry.";
        }
    }
    return {};
}

std::string messageStateText(const StoredMessage& m) {
    switch (m.state) {
        case MessageState::Received: return {};
        case MessageState::Sending:
            if (m.tries == 0) return "waiting for the link";
            return "sending " + std::to_string(m.tries) + "/" + std::to_string(kMessageTries);
        case MessageState::Acknowledged: return "acknowledged";
        case MessageState::Rejected: return "rejected";
        case MessageState::GivenUp: return "given up";
        case MessageState::Cancelled: return "cancelled";
    }
    return {};
}

Messaging::Messaging(std::string myCall, MessageStore* store, WallClock clock)
    : myCall_(std::move(myCall)), store_(store), clock_(std::move(clock)) {
    if (store_ == nullptr) return;
    std::string reason;
    std::optional<StoredMessages> kept = store_->load(reason);
    if (!kept) {
        store_ = nullptr;
        notice_ = reason + " Messages are kept only until the program ends.";
        return;
    }
    messages_ = std::move(kept->messages);
    nextNumber_ = kept->nextNumber;
    for (const StoredMessage& m : messages_) nextId_ = std::max(nextId_, m.id + 1);
    indexNewMessages();
}

void Messaging::receive(std::string_view source, std::string_view information) {
    receiveMessage(source, information, 0);
}

void Messaging::receiveMessage(std::string_view source, std::string_view information, int depth) {
    // Every packet heard comes here, and nearly none is a message: passed over before anything is copied.
    if (information.empty() || (information.front() != ':' && information.front() != '}')) return;
    if (!information.empty() && information.front() == '}' && depth < kDeepestThirdParty) {
        const std::string_view inner = information.substr(1);
        const std::size_t header = inner.find('>'), colon = inner.find(':');
        if (header == std::string_view::npos || colon == std::string_view::npos || header > colon) return;
        receiveMessage(inner.substr(0, header), inner.substr(colon + 1), depth + 1);
        return;
    }
    const std::string station = stationName(source);
    // Our own packets come back through digipeaters and gateways: never answer them. A
    // source that is no callsign (a third-party header can carry anything) is never
    // answered or listed: the ack would be a malformed packet of ours.
    if (!isHeaderCallsign(station) || sameCallsign(station, myCall_)) return;
    const AprsMessageParts parts = parseAprsMessage(information);
    if (!parts.valid) return;
    if (parts.bulletin) {
        if (parts.kind == AprsMessageParts::Kind::Message) noteBulletin(station, parts.addressee, readableAirText(parts.text));
        return;
    }
    if (!addressedToMe(parts.addressee)) return;

    MessageChange change;
    const std::size_t queued = outgoing_.size();
    if (parts.kind == AprsMessageParts::Kind::Ack) {
        answered(station, parts.number, MessageState::Acknowledged, change);
    } else if (parts.kind == AprsMessageParts::Kind::Reject) {
        answered(station, parts.number, MessageState::Rejected, change);
    } else {
        if (!parts.replyAck.empty()) answered(station, parts.replyAck, MessageState::Acknowledged, change);
        takeTheirs(station, readableAirText(parts.text), parts.number, parts.replyAckForm, change);
    }
    if (change.messages.empty() && outgoing_.size() == queued) return;
    commit(change);
    changed();
}

bool Messaging::addressedToMe(std::string_view addressee) const {
    return sameCallsign(addressee, myCall_);
}

// An ack or reject names one of ours by its number; a late one still counts.
void Messaging::answered(std::string_view station, std::string_view number, MessageState state, MessageChange& change) {
    for (auto m = messages_.rbegin(); m != messages_.rend(); ++m) {
        if (!m->outgoing || m->station != station || m->number != number) continue;
        if (!waitsForAnswer(m->state)) return;
        m->state = state;
        change.messages.push_back(*m);
        return;
    }
}

void Messaging::takeTheirs(const std::string& station, std::string_view text, std::string_view number,
                           bool replyAcks, MessageChange& change) {
    const std::int64_t now = clock_();
    bool copy = false;
    if (!number.empty()) {
        // Every copy is acknowledged: the sender repeats until one of our acks reaches it.
        if (linkReady_) outgoing_.push_back({true, messageAddressField(station) + "ack" + std::string(number)});
        // Trackers that restart count from 1 again: the same number with another text is
        // a new message, only the same text is a copy.
        copy = std::any_of(messages_.begin(), messages_.end(), [&](const StoredMessage& m) {
            return !m.outgoing && m.station == station && m.number == number && m.text == text &&
                   now - m.time < kDuplicateWindowMs;
        });
    }
    if (copy) return;
    StoredMessage m;
    m.id = nextId_++;
    m.station = station;
    m.time = now;
    m.text = std::string(text);
    m.number = std::string(number);
    m.unread = true;
    m.replyAcks = replyAcks;
    messages_.push_back(m);
    change.messages.push_back(std::move(m));
}

void Messaging::noteBulletin(const std::string& station, std::string_view addressee, std::string_view text) {
    const std::int64_t now = clock_();
    const auto before = [](const Bulletin& a, const Bulletin& b) {
        return std::tie(a.addressee, a.station) < std::tie(b.addressee, b.station);
    };
    Bulletin b{station, std::string(addressee), std::string(text), now};
    auto at = std::lower_bound(bulletins_.begin(), bulletins_.end(), b, before);
    if (at != bulletins_.end() && at->addressee == b.addressee && at->station == b.station) {
        if (at->text == b.text) return;  // the same bulletin, repeated as bulletins are
        *at = std::move(b);
    } else {
        bulletins_.insert(at, std::move(b));
    }
    if (bulletins_.size() > kMostBulletins) {
        bulletins_.erase(std::min_element(bulletins_.begin(), bulletins_.end(),
                                          [](const Bulletin& x, const Bulletin& y) { return x.time < y.time; }));
    }
    changed(true);
}

SendResult Messaging::send(std::string_view addressee, std::string_view text) {
    SendResult result;
    if (myCall_.empty()) {
        result.reason = "Messages are sent only with your callsign in Quilmo.ini (MYCALL=). Nothing was sent.";
        return result;
    }
    result.reason = addresseeRefusal(addressee, myCall_);
    if (result.reason.empty()) result.reason = messageTextRefusal(text);
    if (!result.reason.empty()) return result;

    StoredMessage m;
    m.id = nextId_++;
    m.station = upperAsciiCopy(addressee);
    m.outgoing = true;
    m.time = clock_();
    appendAirTextAsUtf8(m.text, text);  // UTF-8 as typed; a stray byte read as Windows-1252
    m.number = nextNumberText();
    m.state = MessageState::Sending;
    m.nextTry = m.time;
    if (linkReady_) transmitTry(m, m.time);
    messages_.push_back(m);
    commit(MessageChange{{m}, nextNumber_});
    changed();
    result.accepted = true;
    result.id = m.id;
    return result;
}

bool Messaging::cancel(std::int64_t id) {
    StoredMessage* m = find(id);
    if (m == nullptr || m->state != MessageState::Sending) return false;
    m->state = MessageState::Cancelled;
    commit(MessageChange{{*m}, std::nullopt});
    changed();
    return true;
}

bool Messaging::resend(std::int64_t id) {
    StoredMessage* m = find(id);
    if (m == nullptr || (m->state != MessageState::GivenUp && m->state != MessageState::Cancelled)) return false;
    // A new number: the station may have kept the old one as already shown.
    m->number = nextNumberText();
    m->state = MessageState::Sending;
    m->tries = 0;
    m->nextTry = clock_();
    if (linkReady_) transmitTry(*m, m->nextTry);
    commit(MessageChange{{*m}, nextNumber_});
    changed();
    return true;
}

void Messaging::markRead(std::string_view station) {
    const auto at = conversations_.find(station);
    if (at == conversations_.end() || at->second.unread == 0) return;
    MessageChange change;
    for (const std::size_t i : at->second.messages) {
        StoredMessage& m = messages_[i];
        if (!m.unread) continue;
        m.unread = false;
        change.messages.push_back(m);
    }
    unread_ -= at->second.unread;
    at->second.unread = 0;
    commit(change);
    changed();
}

void Messaging::setLinkReady(bool ready) {
    if (ready == linkReady_) return;
    linkReady_ = ready;
    changed();
}

void Messaging::wake() {
    if (!linkReady_) return;
    const std::int64_t now = clock_();
    MessageChange change;
    for (StoredMessage& m : messages_) {
        if (m.state != MessageState::Sending || m.nextTry > now) continue;
        if (m.tries >= kMessageTries) {
            m.state = MessageState::GivenUp;
        } else {
            transmitTry(m, now);
        }
        change.messages.push_back(m);
    }
    if (change.messages.empty()) return;
    commit(change);
    changed();
}

void Messaging::transmitTry(StoredMessage& m, std::int64_t now) {
    std::string field = messageAddressField(m.station) + airBytesOf(m.text) + "{" + m.number;
    if (const std::optional<std::string> theirs = replyAckFor(m.station)) field += "}" + *theirs;
    outgoing_.push_back({false, std::move(field)});
    ++m.tries;
    m.nextTry = now + waitAfterTry(m.tries);
}

// A station that sent reply-acks gets them: the number of its latest message, which
// spares it waiting for our separate ack. Nothing when it never used them.
std::optional<std::string> Messaging::replyAckFor(const std::string& station) const {
    for (auto m = messages_.rbegin(); m != messages_.rend(); ++m) {
        if (m->outgoing || m->station != station || m->number.empty()) continue;
        if (!m->replyAcks) return std::nullopt;
        return m->number;
    }
    return std::nullopt;
}

std::string Messaging::nextNumberText() {
    if (nextNumber_ < 1 || nextNumber_ > kLargestNumber) nextNumber_ = 1;
    return std::to_string(nextNumber_++);
}

std::vector<Messaging::Outgoing> Messaging::takeOutgoingPackets() {
    std::vector<Outgoing> out;
    out.swap(outgoing_);
    return out;
}

std::vector<std::string> Messaging::takeOutgoing() {
    std::vector<std::string> out;
    for (Outgoing& o : takeOutgoingPackets()) out.push_back(std::move(o.information));
    return out;
}

std::optional<std::int64_t> Messaging::nextWakeAt() const {
    if (!linkReady_) return std::nullopt;
    std::optional<std::int64_t> next;
    for (const StoredMessage& m : messages_) {
        if (m.state == MessageState::Sending && (!next || m.nextTry < *next)) next = m.nextTry;
    }
    return next;
}

const StoredMessage* Messaging::message(std::int64_t id) const { return findIn(messages_, id); }

StoredMessage* Messaging::find(std::int64_t id) { return findIn(messages_, id); }

std::vector<std::string> Messaging::stations() const {
    std::vector<std::string> out;
    out.reserve(latestFirst_.size());
    for (const auto& [id, station] : latestFirst_) out.push_back(station);
    return out;
}

std::vector<const StoredMessage*> Messaging::conversation(std::string_view station) const {
    std::vector<const StoredMessage*> out;
    const auto at = conversations_.find(station);
    if (at == conversations_.end()) return out;
    out.reserve(at->second.messages.size());
    for (const std::size_t i : at->second.messages) out.push_back(&messages_[i]);
    return out;
}

int Messaging::unreadCount(std::string_view station) const {
    const auto at = conversations_.find(station);
    return at == conversations_.end() ? 0 : at->second.unread;
}

// Messages are only ever added at the end; those since the last call join their conversation.
void Messaging::indexNewMessages() {
    for (; indexed_ < messages_.size(); ++indexed_) {
        const StoredMessage& m = messages_[indexed_];
        auto at = conversations_.find(m.station);
        if (at == conversations_.end()) {
            at = conversations_.emplace(m.station, Conversation{}).first;
        } else {
            latestFirst_.erase(messages_[at->second.messages.back()].id);
        }
        at->second.messages.push_back(indexed_);
        latestFirst_.emplace(m.id, m.station);
        if (m.unread) {
            ++at->second.unread;
            ++unread_;
        }
    }
}

// Every change is written at once. One the store refuses (a lock held elsewhere, a full
// disk) is kept, with everything after it, until retryStore() gets it written: a change
// lost would bring back an acknowledged message as still to be sent at the next start.
void Messaging::commit(const MessageChange& change) {
    indexNewMessages();
    for (const StoredMessage& m : change.messages) {
        if (std::find(touched_.begin(), touched_.end(), m.station) == touched_.end()) touched_.push_back(m.station);
    }
    if (store_ == nullptr || (change.messages.empty() && !change.nextNumber)) return;
    // While the store fails only the retry writes: a change never waits on it again.
    if (storeWaiting() || !write(change)) keepUnwritten(change);
}

bool Messaging::write(const MessageChange& change) {
    std::string reason;
    if (store_->apply(change, reason)) {
        notice_.clear();
        return true;
    }
    notice_ = reason + " Messages are kept and written as soon as it works again.";
    return false;
}

void Messaging::keepUnwritten(const MessageChange& change) {
    for (const StoredMessage& m : change.messages) unwritten_[m.id] = m;
    if (change.nextNumber) unwrittenNumber_ = change.nextNumber;
    // A file made anew (the old one deleted) must get everything, not only the changes.
    if (!store_->lostEverything()) return;
    for (const StoredMessage& m : messages_) unwritten_[m.id] = m;
    unwrittenNumber_ = nextNumber_;
}

void Messaging::retryStore() {
    if (store_ == nullptr || !storeWaiting()) return;
    MessageChange all;
    all.messages.reserve(unwritten_.size());
    for (const auto& [id, m] : unwritten_) all.messages.push_back(m);
    all.nextNumber = unwrittenNumber_;
    const std::string before = notice_;
    if (write(all)) {
        unwritten_.clear();
        unwrittenNumber_.reset();
    } else {
        keepUnwritten({});
    }
    if (notice_ != before) changed();
}

int Messaging::addListener(std::function<void(const MessagingUpdate&)> listener) {
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

int Messaging::addListener(std::function<void()> listener) {
    return addListener([listener = std::move(listener)](const MessagingUpdate&) { listener(); });
}

void Messaging::removeListener(int id) {
    std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void Messaging::changed(bool bulletins) {
    MessagingUpdate update;
    update.stations.swap(touched_);
    update.bulletins = bulletins;
    // A listener may remove itself (a window closing) while it is told.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener(update);
}

}  // namespace quilmo
