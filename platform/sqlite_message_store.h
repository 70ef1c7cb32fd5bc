#pragma once
#include <string>
#include <string_view>

#include "platform/message_store.h"

struct sqlite3;

namespace quilmo {

// The messages' file in the files folder.
inline constexpr std::string_view kMessageDatabaseName = "quilmo.sqlite";

// Messages in an SQLite database (WAL journal, one transaction per change), so a program
// killed in the middle of a write finds every change before it whole on the next start.
// The text is kept as the UTF-8 the program shows, so `sqlite3 quilmo.sqlite` shows it
// the same way. A write waits only a few milliseconds for a lock another program holds:
// the caller keeps what could not be written and tries again.
class SqliteMessageStore : public MessageStore {
public:
    explicit SqliteMessageStore(std::string path);
    ~SqliteMessageStore() override;
    SqliteMessageStore(const SqliteMessageStore&) = delete;
    SqliteMessageStore& operator=(const SqliteMessageStore&) = delete;

    // Opens (or makes) the database on the first call.
    std::optional<StoredMessages> load(std::string& reason) override;
    bool apply(const MessageChange& change, std::string& reason) override;
    bool lostEverything() const override { return lost_; }

private:
    bool open(std::string& reason);
    std::optional<StoredMessages> read(std::string& reason);
    bool prepare(std::string& reason);
    bool execute(const char* sql, std::string& reason);
    bool writeAll(const MessageChange& change, std::string& reason);
    bool convertOldText(std::string& reason);
    bool deletedUnderneath();
    void close();
    std::string failure(const char* doing) const;

    std::string path_;
    sqlite3* db_ = nullptr;
    // Files of earlier versions hold each received byte as its Windows-1252 character.
    bool oldText_ = false;
    bool lost_ = false;
};

}  // namespace quilmo
