#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_store.h"
#include "platform/wall_clock.h"

namespace quilmo {

inline constexpr std::size_t kMaxMessageText = 67;
inline constexpr int kMessageTries = 7;
// The wait after the first try; it doubles after each one.
inline constexpr std::int64_t kFirstRetryMs = 30'000;
// How long the answer to the last try is waited for before the message is given up.
inline constexpr std::int64_t kGiveUpAfterLastTryMs = 2 * 60'000;
// A copy of a message (same sender, number and text) this soon after the first is not shown again.
inline constexpr std::int64_t kDuplicateWindowMs = 30 * 60'000;

// The latest text of one bulletin line of one station ("BLN1", "NWS-WARN" …).
struct Bulletin {
    std::string station;
    std::string addressee;
    std::string text;
    std::int64_t time = 0;
};

// What one change touched, for views that follow it: the conversations (by station) with a
// message added or changed, and whether the bulletins changed. Neither: only the link or
// the notice.
struct MessagingUpdate {
    std::vector<std::string> stations;
    bool bulletins = false;
};

struct SendResult {
    bool accepted = false;
    std::string reason;  // why not, for the user
    std::int64_t id = 0;
};

// APRS messaging as a state machine: conversations by station, acknowledgements both
// ways, retries of what we send, bulletins. It never transmits, keeps no timer and reads
// the time only from the clock it is given: what is to go out collects in one queue
// (information fields such as ":W1AW     :hello{12"), and nextWakeAt says when wake()
// must be called next.
//
// The owner's part: pass every decoded packet to receive(); say whether the link can
// send (setLinkReady); after every call, and whenever a listener hears of a change, send
// what takeOutgoing() hands out and arm one timer for nextWakeAt() (none: nothing waits).
class Messaging {
public:
    // `myCall` as configured ("N0CALL-7"), empty when there is none: then nothing is sent
    // and nothing is addressed to us. `store` may be null (kept in memory only).
    Messaging(std::string myCall, MessageStore* store, WallClock clock);

    // A packet heard: its source ("W1AW-7"; a trailing "*" is ignored) and information
    // field. Third-party packets ("}W1AW>APRS,TCPIP,GATE*::…") are opened here.
    void receive(std::string_view source, std::string_view information);
    // A new message of ours, its text in UTF-8; refused with the reason when it cannot go.
    SendResult send(std::string_view addressee, std::string_view text);
    // Stops the tries of a message still being sent.
    bool cancel(std::int64_t id);
    // Sends a given-up or cancelled message again, under a new number, from the first try.
    bool resend(std::int64_t id);
    // The conversation has been looked at.
    void markRead(std::string_view station);
    // Whether anything can go out now (a link that is up and may send). Tries wait while
    // it cannot, and no acknowledgement is queued that could only go out late.
    void setLinkReady(bool ready);
    // Due tries go out, and messages that had their last one give up.
    void wake();

    // What is to be transmitted, oldest first; the queue is empty afterwards.
    struct Outgoing {
        bool ack;  // an ack (or reject) of theirs, else a try of ours
        std::string information;
    };
    std::vector<Outgoing> takeOutgoingPackets();
    // The same, information fields alone.
    std::vector<std::string> takeOutgoing();
    // When wake() is due next; nothing when nothing waits.
    std::optional<std::int64_t> nextWakeAt() const;

    // Every message in the order of their ids. The text is UTF-8, control characters of
    // received ones in caret notation.
    const std::vector<StoredMessage>& messages() const { return messages_; }
    const StoredMessage* message(std::int64_t id) const;
    // Stations with a conversation, the latest first.
    std::vector<std::string> stations() const;
    // The messages of one conversation, oldest first; valid until the next change.
    std::vector<const StoredMessage*> conversation(std::string_view station) const;
    // Bulletins by name, then station.
    const std::vector<Bulletin>& bulletins() const { return bulletins_; }
    int unreadCount() const { return unread_; }
    int unreadCount(std::string_view station) const;
    // Why messages are not kept, or not yet written; empty while all is written.
    const std::string& notice() const { return notice_; }
    // Changes the store failed to take wait here; retryStore() writes them (the owner calls
    // it every few seconds while this is true).
    bool storeWaiting() const { return !unwritten_.empty() || unwrittenNumber_.has_value(); }
    void retryStore();
    const std::string& myCall() const { return myCall_; }

    // Called after every change, for views and for the owner's timer.
    int addListener(std::function<void(const MessagingUpdate&)> listener);
    int addListener(std::function<void()> listener);
    void removeListener(int id);

private:
    void receiveMessage(std::string_view source, std::string_view information, int depth);
    bool addressedToMe(std::string_view addressee) const;
    void answered(std::string_view station, std::string_view number, MessageState state, MessageChange& change);
    void takeTheirs(const std::string& station, std::string_view text, std::string_view number, bool replyAcks,
                    MessageChange& change);
    void noteBulletin(const std::string& station, std::string_view addressee, std::string_view text);
    void transmitTry(StoredMessage& m, std::int64_t now);
    std::string nextNumberText();
    std::optional<std::string> replyAckFor(const std::string& station) const;
    StoredMessage* find(std::int64_t id);
    void commit(const MessageChange& change);
    void indexNewMessages();
    bool write(const MessageChange& change);
    void keepUnwritten(const MessageChange& change);
    void changed(bool bulletins = false);

    std::string myCall_;
    MessageStore* store_;
    WallClock clock_;
    std::vector<StoredMessage> messages_;
    std::vector<Bulletin> bulletins_;
    std::vector<Outgoing> outgoing_;
    std::int64_t nextId_ = 1;
    std::int64_t nextNumber_ = 1;
    bool linkReady_ = false;
    std::string notice_;

    // Each conversation's messages (positions in messages_) and unread count, and the
    // conversations by their latest message: no question of a view scans every message.
    struct Conversation {
        std::vector<std::size_t> messages;
        int unread = 0;
    };
    std::map<std::string, Conversation, std::less<>> conversations_;
    std::map<std::int64_t, std::string, std::greater<>> latestFirst_;
    std::size_t indexed_ = 0;
    int unread_ = 0;
    std::vector<std::string> touched_;  // stations of the changes not yet told

    // What the store could not take yet, by id, and the counter.
    std::map<std::int64_t, StoredMessage> unwritten_;
    std::optional<std::int64_t> unwrittenNumber_;

    std::vector<std::pair<int, std::function<void(const MessagingUpdate&)>>> listeners_;
    int nextListener_ = 1;
};

// "sending 3/7", "acknowledged", "rejected", "given up", "cancelled", "waiting for the
// link" (a message of ours with no try yet); empty for one of theirs.
std::string messageStateText(const StoredMessage& message);
// Why the text cannot be sent as a message; empty when it can.
std::string messageTextRefusal(std::string_view text);
// ":W1AW     :" — the addressee padded to nine characters between colons.
std::string messageAddressField(std::string_view addressee);

}  // namespace quilmo
