#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quilmo {

// Where an APRS message stands.
enum class MessageState {
    Received,      // one of theirs, shown
    Sending,       // one of ours, tries going on (or waiting for the link)
    Acknowledged,  // the station answered with an ack
    Rejected,      // the station answered with a reject
    GivenUp,       // seven tries and no answer
    Cancelled,     // the user stopped the tries
};

// One message of a conversation, as kept across runs.
struct StoredMessage {
    std::int64_t id = 0;      // unique, counts up
    std::string station;      // the other station: the sender of theirs, the addressee of ours
    bool outgoing = false;
    std::int64_t time = 0;    // received or first queued, milliseconds since 1970 (UTC)
    std::string text;         // UTF-8 as shown (control characters of theirs in caret notation), without the number
    std::string number;       // empty for a message that came without one
    MessageState state = MessageState::Received;
    int tries = 0;            // of ours: transmissions so far
    std::int64_t nextTry = 0; // of ours while sending: when the next try (or giving up) is due
    bool unread = false;      // of theirs: not yet looked at
    bool replyAcks = false;   // of theirs: sent in the reply-ack form, so the station understands it
};

// What a store holds: every message, and the number the next message of ours gets.
struct StoredMessages {
    std::vector<StoredMessage> messages;  // in the order of their ids
    std::int64_t nextNumber = 1;
};

// One change, written as a whole or not at all: messages added or replaced (by id), and
// the number counter when it moved.
struct MessageChange {
    std::vector<StoredMessage> messages;
    std::optional<std::int64_t> nextNumber;
};

// Where the messages outlive the program. The SQLite one is in sqlite_message_store.h;
// tests use one in memory. Failures are values: the reason is a text for the user.
class MessageStore {
public:
    virtual ~MessageStore() = default;
    // Everything kept; nothing and a reason when the store cannot be read.
    virtual std::optional<StoredMessages> load(std::string& reason) = 0;
    virtual bool apply(const MessageChange& change, std::string& reason) = 0;
    // After a failed apply: what was kept is gone (the file deleted while the program ran),
    // so the next apply must carry every message and the counter, not only what changed.
    virtual bool lostEverything() const { return false; }
};

}  // namespace quilmo
