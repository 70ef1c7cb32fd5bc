#pragma once
#include <algorithm>
#include <string>

#include "platform/message_store.h"

namespace quilmo::test {

// Messages kept in memory across Messaging objects, as a restart finds them; every call
// fails with `failWith` while that is set.
struct MemoryMessageStore : MessageStore {
    StoredMessages kept;
    std::string failWith;
    int transactions = 0;  // applied
    int calls = 0;         // asked to apply

    std::optional<StoredMessages> load(std::string& reason) override {
        reason = failWith;
        return failWith.empty() ? std::optional(kept) : std::nullopt;
    }
    bool apply(const MessageChange& change, std::string& reason) override {
        ++calls;
        reason = failWith;
        if (!failWith.empty()) return false;
        for (const StoredMessage& m : change.messages) {
            auto at = std::find_if(kept.messages.begin(), kept.messages.end(), [&](const StoredMessage& k) { return k.id == m.id; });
            at == kept.messages.end() ? kept.messages.push_back(m) : void(*at = m);
        }
        if (change.nextNumber) kept.nextNumber = *change.nextNumber;
        ++transactions;
        return true;
    }
};

}  // namespace quilmo::test
