#include "platform/sqlite_message_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <utility>

#include "platform/cp1252_utf8.h"
#include "platform/sqlite_statement.h"

namespace quilmo {
namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS messages ("
    " id INTEGER PRIMARY KEY, station TEXT NOT NULL, outgoing INTEGER NOT NULL, time_ms INTEGER NOT NULL,"
    " text TEXT NOT NULL, number TEXT NOT NULL, state TEXT NOT NULL, tries INTEGER NOT NULL,"
    " next_try_ms INTEGER NOT NULL, unread INTEGER NOT NULL, reply_acks INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL);";
constexpr const char* kNextNumber = "next_number";
// PRAGMA user_version: 0 in files whose text is each received byte as its Windows-1252
// character; 1 since text is kept as shown.
constexpr int kTextAsShown = 1;
constexpr const char* kMarkTextAsShown = "PRAGMA user_version = 1";
// A write waits this long for a lock another program holds (a sqlite3 shell), then fails
// and is tried again later: the packets that arrive meanwhile are not held up.
constexpr int kWriteWaitMs = 5;
// Reading at the start may wait longer: it happens once.
constexpr int kLoadWaitMs = 1000;

// States by name, so the file reads plainly in sqlite3.
constexpr std::array<std::pair<MessageState, const char*>, 6> kStateNames = {{
    {MessageState::Received, "received"},
    {MessageState::Sending, "sending"},
    {MessageState::Acknowledged, "acknowledged"},
    {MessageState::Rejected, "rejected"},
    {MessageState::GivenUp, "given up"},
    {MessageState::Cancelled, "cancelled"},
}};

const char* stateName(MessageState state) {
    for (const auto& [s, name] : kStateNames)
        if (s == state) return name;
    return "received";
}

// A state this version does not know (a newer one wrote it) is no message of ours in flight.
MessageState stateNamed(std::string_view name, bool outgoing) {
    for (const auto& [s, text] : kStateNames)
        if (name == text) return s;
    return outgoing ? MessageState::GivenUp : MessageState::Received;
}

// Text of an earlier version as it is kept now. Theirs were the bytes heard (so UTF-8 read
// as Windows-1252, control bytes raw); ours were typed in Windows-1252 and read right already.
std::string textAsShown(std::string_view old, bool outgoing) {
    return outgoing ? std::string(old) : readableAirText(utf8AsCp1252(old));
}

StoredMessage messageFrom(const SqliteStatement& row, bool oldText) {
    StoredMessage m;
    m.id = row.integer(0);
    m.station = row.text(1);
    m.outgoing = row.integer(2) != 0;
    m.time = row.integer(3);
    m.text = oldText ? textAsShown(row.text(4), m.outgoing) : row.text(4);
    m.number = row.text(5);
    m.state = stateNamed(row.text(6), m.outgoing);
    m.tries = static_cast<int>(std::clamp<std::int64_t>(row.integer(7), 0, 1000));
    m.nextTry = row.integer(8);
    m.unread = row.integer(9) != 0;
    m.replyAcks = row.integer(10) != 0;
    return m;
}

}  // namespace

SqliteMessageStore::SqliteMessageStore(std::string path) : path_(std::move(path)) {}

SqliteMessageStore::~SqliteMessageStore() { close(); }

void SqliteMessageStore::close() {
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

// Right after the call that failed: any later call, even a successful step, replaces the message.
std::string SqliteMessageStore::failure(const char* doing) const {
    return sqliteFailure(db_, doing, path_);
}

bool SqliteMessageStore::execute(const char* sql, std::string& reason) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    reason = failure("write");
    return false;
}

bool SqliteMessageStore::open(std::string& reason) {
    if (db_ != nullptr) return true;
    const bool opened = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    if (opened && prepare(reason)) return true;
    if (!opened) reason = failure("open");
    close();
    return false;
}

bool SqliteMessageStore::prepare(std::string& reason) {
    sqlite3_busy_timeout(db_, kWriteWaitMs);
    // WAL: a writer killed half-way leaves the database as it was before its transaction.
    // NORMAL syncing keeps that; only a power cut may lose the last few changes.
    SqliteStatement wal(db_, "PRAGMA journal_mode=WAL");
    if (!wal.ok() || wal.step() != SQLITE_ROW) {
        reason = failure("open");
        return false;
    }
    if (wal.text(0) != "wal") {
        reason = "Cannot open " + path_ + ": its folder does not allow a write-ahead journal.";
        return false;
    }
    if (!execute("PRAGMA synchronous=NORMAL", reason) || !execute(kSchema, reason)) return false;
    SqliteStatement version(db_, "PRAGMA user_version");
    if (!version.ok() || version.step() != SQLITE_ROW) {
        reason = failure("open");
        return false;
    }
    oldText_ = version.integer(0) < kTextAsShown;
    return true;
}

// Rewrites the text of an earlier version's file, inside the caller's transaction.
bool SqliteMessageStore::convertOldText(std::string& reason) {
    if (!oldText_) return true;
    SqliteStatement rows(db_, "SELECT id, text FROM messages WHERE outgoing = 0");
    SqliteStatement put(db_, "UPDATE messages SET text = ?2 WHERE id = ?1");
    if (!rows.ok() || !put.ok()) {
        reason = failure("write");
        return false;
    }
    int step = SQLITE_ROW;
    while ((step = rows.step()) == SQLITE_ROW) {
        put.bind(1, rows.integer(0));
        put.bind(2, textAsShown(rows.text(1), false));
        if (put.step() != SQLITE_DONE) {
            reason = failure("write");
            return false;
        }
        put.reset();
    }
    if (step != SQLITE_DONE) {
        reason = failure("write");
        return false;
    }
    return execute(kMarkTextAsShown, reason);
}

// A file deleted (or moved away) while open takes every write and keeps none of it.
bool SqliteMessageStore::deletedUnderneath() {
    int moved = 0;
    return db_ != nullptr && sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

std::optional<StoredMessages> SqliteMessageStore::load(std::string& reason) {
    if (!open(reason)) return std::nullopt;
    sqlite3_busy_timeout(db_, kLoadWaitMs);
    std::optional<StoredMessages> kept = read(reason);
    sqlite3_busy_timeout(db_, kWriteWaitMs);
    // An earlier version's file is converted now if it can be, else with the next write.
    std::string later;
    if (kept && oldText_) apply({}, later);
    return kept;
}

std::optional<StoredMessages> SqliteMessageStore::read(std::string& reason) {
    StoredMessages kept;
    SqliteStatement rows(db_,
                   "SELECT id, station, outgoing, time_ms, text, number, state, tries, next_try_ms, unread, reply_acks"
                   " FROM messages ORDER BY id");
    if (!rows.ok()) {
        reason = failure("read");
        return std::nullopt;
    }
    int step = SQLITE_ROW;
    while ((step = rows.step()) == SQLITE_ROW) kept.messages.push_back(messageFrom(rows, oldText_));
    if (step != SQLITE_DONE) {
        reason = failure("read");
        return std::nullopt;
    }
    SqliteStatement counter(db_, "SELECT value FROM counters WHERE name = ?1");
    counter.bind(1, std::string(kNextNumber));
    const int counterStep = counter.ok() ? counter.step() : SQLITE_ERROR;
    if (counterStep != SQLITE_ROW && counterStep != SQLITE_DONE) {
        reason = failure("read");
        return std::nullopt;
    }
    if (counterStep == SQLITE_ROW) kept.nextNumber = counter.integer(0);
    return kept;
}

bool SqliteMessageStore::apply(const MessageChange& change, std::string& reason) {
    if (deletedUnderneath()) {
        // Closing lets go of the deleted file; the next call makes a new one at the path.
        close();
        lost_ = true;
        reason = "Cannot write " + path_ + ": it was deleted while the program ran.";
        return false;
    }
    if (!open(reason)) return false;
    if (!execute("BEGIN IMMEDIATE", reason)) return false;
    if (convertOldText(reason) && writeAll(change, reason) && execute("COMMIT", reason)) {
        oldText_ = false;
        lost_ = false;
        return true;
    }
    std::string ignored;  // the first reason is the one worth telling
    execute("ROLLBACK", ignored);
    return false;
}

bool SqliteMessageStore::writeAll(const MessageChange& change, std::string& reason) {
    SqliteStatement put(db_,
                  "INSERT OR REPLACE INTO messages (id, station, outgoing, time_ms, text, number, state, tries,"
                  " next_try_ms, unread, reply_acks) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
    SqliteStatement counter(db_, "INSERT OR REPLACE INTO counters (name, value) VALUES (?1, ?2)");
    if (!put.ok() || !counter.ok()) {
        reason = failure("write");
        return false;
    }
    for (const StoredMessage& m : change.messages) {
        put.bind(1, m.id);
        put.bind(2, m.station);
        put.bind(3, m.outgoing ? 1 : 0);
        put.bind(4, m.time);
        put.bind(5, m.text);
        put.bind(6, m.number);
        put.bind(7, std::string(stateName(m.state)));
        put.bind(8, m.tries);
        put.bind(9, m.nextTry);
        put.bind(10, m.unread ? 1 : 0);
        put.bind(11, m.replyAcks ? 1 : 0);
        if (put.step() != SQLITE_DONE) {
            reason = failure("write");
            return false;
        }
        put.reset();
    }
    if (!change.nextNumber) return true;
    counter.bind(1, std::string(kNextNumber));
    counter.bind(2, *change.nextNumber);
    if (counter.step() == SQLITE_DONE) return true;
    reason = failure("write");
    return false;
}

}  // namespace quilmo
