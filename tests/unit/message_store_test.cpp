// The messages' SQLite file: what goes in comes back byte for byte, a file that cannot be
// used says why, a writer killed with SIGKILL leaves every change it finished, whole, and
// a lock held elsewhere, a full file or one deleted loses nothing. Files of the earlier
// text form read as they always showed.
#include "platform/sqlite_message_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include <string>
#include <tuple>

#include "aprs/messaging.h"
#include "platform/cp1252_utf8.h"
#include "temp_dir.h"

namespace quilmo {
namespace {

auto fields(const StoredMessage& m) {
    return std::tie(m.id, m.station, m.outgoing, m.time, m.text, m.number, m.state, m.tries, m.nextTry, m.unread, m.replyAcks);
}

// One value read straight from the file, as sqlite3 would show it.
std::string query(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_exec(
            db, sql,
            [](void* to, int, char** values, char**) {
                *static_cast<std::string*>(to) = values[0] != nullptr ? values[0] : "NULL";
                return 0;
            },
            &out, nullptr);
    }
    sqlite3_close(db);
    return out;
}

TEST(MessageStore, KeepsEveryFieldAndTheCounter) {
    test::TempDir dir;
    const std::string path = dir.file("quilmo.sqlite");
    const StoredMessage theirs{1, "W1AW", false, 1'780'000'000'000, "45° € 5 ^[", "AB", MessageState::Received, 0, 0, true, true};
    const StoredMessage ours{2, "K1ABC-9", true, 1'780'000'001'000, "Hi", "7", MessageState::Sending, 3, 1'780'000'211'000, false, false};
    // Unread and reply-acks apart, so the two columns cannot be read for each other.
    const StoredMessage readReplyAcks{3, "N0ABC", false, 1'780'000'002'000, "read", "3", MessageState::Received, 0, 0, false, true};
    const StoredMessage unreadPlain{4, "N0ABC", false, 1'780'000'003'000, "new", "4", MessageState::Received, 0, 0, true, false};
    {
        SqliteMessageStore store(path);
        std::string reason;
        ASSERT_TRUE(store.load(reason)) << reason;
        ASSERT_TRUE(store.apply({{theirs, ours, readReplyAcks, unreadPlain}, 8}, reason)) << reason;
        StoredMessage done = ours;
        done.state = MessageState::GivenUp;
        ASSERT_TRUE(store.apply({{done}, std::nullopt}, reason)) << reason;
    }
    SqliteMessageStore again(path);
    std::string reason;
    const std::optional<StoredMessages> kept = again.load(reason);
    ASSERT_TRUE(kept) << reason;
    ASSERT_EQ(kept->messages.size(), 4U);
    EXPECT_EQ(fields(kept->messages[0]), fields(theirs));
    EXPECT_EQ(fields(kept->messages[2]), fields(readReplyAcks));
    EXPECT_EQ(fields(kept->messages[3]), fields(unreadPlain));
    StoredMessage done = ours;
    done.state = MessageState::GivenUp;
    EXPECT_EQ(fields(kept->messages[1]), fields(done));
    EXPECT_EQ(kept->nextNumber, 8);
    EXPECT_EQ(query(path, "SELECT text FROM messages WHERE id = 1"), "45° € 5 ^[");
    EXPECT_EQ(query(path, "SELECT state FROM messages WHERE id = 2"), "given up");
    EXPECT_EQ(query(path, "PRAGMA journal_mode"), "wal");
}

// The file holds UTF-8; every Windows-1252 byte comes back as it went in, and what the
// code page cannot hold comes back as "?".
TEST(MessageStore, TextRoundTripsThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    std::string utf8;
    appendCp1252AsUtf8(utf8, all);
    EXPECT_EQ(utf8AsCp1252(utf8), all);
    EXPECT_EQ(utf8AsCp1252("\u0100 \U0001F600 \xC3 \xFF"), "? ? ? ?");
}

TEST(MessageStore, UnusableFilesSayWhy) {
    test::TempDir dir;
    ASSERT_TRUE(writeWholeFile(dir.file("garbage.sqlite"), std::string(4096, 'x')));
    const struct { std::string path, reason; } rows[] = {
        {dir.file("no-such-folder/quilmo.sqlite"), "Cannot open " + dir.file("no-such-folder/quilmo.sqlite") + ": unable to open database file."},
        {dir.file("garbage.sqlite"), "Cannot open " + dir.file("garbage.sqlite") + ": file is not a database."},
    };
    for (const auto& r : rows) {
        SqliteMessageStore store(r.path);
        std::string reason;
        EXPECT_FALSE(store.load(reason));
        EXPECT_EQ(reason, r.reason);
        reason.clear();
        EXPECT_FALSE(store.apply({{}, 2}, reason));
        EXPECT_EQ(reason, r.reason);
    }
}

// Runs SQL on its own connection to the file, as a sqlite3 shell beside the program would.
struct OtherConnection {
    sqlite3* db = nullptr;
    explicit OtherConnection(const std::string& path) { sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr); }
    ~OtherConnection() { sqlite3_close_v2(db); }
    int run(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
};

// A file of an earlier version: received text was each byte heard as its Windows-1252
// character (UTF-8 from the air thus double encoded, control bytes raw), typed text was
// Windows-1252. It reads as it was meant, and is rewritten in the new form once.
TEST(MessageStore, EarlierFilesReadAsTheyWereMeant) {
    test::TempDir dir;
    const std::string path = dir.file("quilmo.sqlite");
    {
        OtherConnection old(path);
        ASSERT_EQ(old.run("PRAGMA journal_mode=WAL;"
                          "CREATE TABLE messages (id INTEGER PRIMARY KEY, station TEXT NOT NULL, outgoing INTEGER NOT NULL,"
                          " time_ms INTEGER NOT NULL, text TEXT NOT NULL, number TEXT NOT NULL, state TEXT NOT NULL,"
                          " tries INTEGER NOT NULL, next_try_ms INTEGER NOT NULL, unread INTEGER NOT NULL, reply_acks INTEGER NOT NULL);"
                          "CREATE TABLE counters (name TEXT PRIMARY KEY, value INTEGER NOT NULL);"
                          "INSERT INTO counters VALUES ('next_number', 4);"
                          "INSERT INTO messages VALUES (1, 'W1AW', 0, 1, 'GrÃ¼ÃŸe', '1', 'received', 0, 0, 1, 0);"
                          "INSERT INTO messages VALUES (2, 'W1AW', 0, 2, 'Grüße 25°', '2', 'received', 0, 0, 1, 0);"
                          "INSERT INTO messages VALUES (3, 'W1AW', 0, 3, char(27) || '[2J' || char(7), '3', 'received', 0, 0, 1, 0);"
                          "INSERT INTO messages VALUES (4, 'W1AW', 1, 4, 'Grüße €', '3', 'acknowledged', 1, 0, 0, 0);"),
                  SQLITE_OK);
    }
    const std::vector<std::string> shown = {"Grüße", "Grüße 25°", "^[[2J^G", "Grüße €"};
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start == 0 ? "first start" : "second start");
        SqliteMessageStore store(path);
        std::string reason;
        const std::optional<StoredMessages> kept = store.load(reason);
        ASSERT_TRUE(kept) << reason;
        std::vector<std::string> texts;
        for (const StoredMessage& m : kept->messages) texts.push_back(m.text);
        EXPECT_EQ(texts, shown);
        EXPECT_EQ(kept->nextNumber, 4);
    }
    EXPECT_EQ(query(path, "SELECT text FROM messages WHERE id = 1"), "Grüße");
    EXPECT_EQ(query(path, "SELECT text FROM messages WHERE id = 3"), "^[[2J^G");
}

// The earlier form is converted with the first write that gets through: a file locked at
// the start still reads right, and is never left holding both forms.
TEST(MessageStore, EarlierFileLockedAtTheStartIsConvertedWithTheNextWrite) {
    test::TempDir dir;
    const std::string path = dir.file("quilmo.sqlite");
    {
        SqliteMessageStore made(path);
        std::string reason;
        ASSERT_TRUE(made.load(reason)) << reason;
    }
    OtherConnection other(path);
    ASSERT_EQ(other.run("PRAGMA user_version = 0;"
                        "INSERT INTO messages VALUES (1, 'W1AW', 0, 1, 'GrÃ¼ÃŸe', '1', 'received', 0, 0, 1, 0);"
                        "BEGIN IMMEDIATE;"),
              SQLITE_OK);
    SqliteMessageStore store(path);
    std::string reason;
    std::optional<StoredMessages> kept = store.load(reason);
    ASSERT_TRUE(kept) << reason;
    EXPECT_EQ(kept->messages.at(0).text, "Grüße");
    ASSERT_EQ(other.run("COMMIT"), SQLITE_OK);
    StoredMessage ours{2, "W1AW", true, 2, "✓ ok", "1", MessageState::Sending, 0, 2, false, false};
    ASSERT_TRUE(store.apply({{ours}, 2}, reason)) << reason;
    SqliteMessageStore again(path);
    kept = again.load(reason);
    ASSERT_TRUE(kept) << reason;
    ASSERT_EQ(kept->messages.size(), 2U);
    EXPECT_EQ(kept->messages[0].text, "Grüße");
    EXPECT_EQ(kept->messages[1].text, "✓ ok");
}

// A damaged page is named with SQLite's own reason, not the text of whatever ran after it.
TEST(MessageStore, ADamagedFileNamesWhatIsWrong) {
    test::TempDir dir;
    const std::string path = dir.file("quilmo.sqlite");
    {
        SqliteMessageStore store(path);
        std::string reason;
        ASSERT_TRUE(store.load(reason)) << reason;
        MessageChange many{{}, 9};
        for (int id = 1; id <= 300; ++id)
            many.messages.push_back({id, "W1AW", false, id, std::string(60, 'x'), "1", MessageState::Received, 0, 0, false, false});
        ASSERT_TRUE(store.apply(many, reason)) << reason;
    }
    // The last page holds the latest rows of the messages table: its page type made nonsense.
    const std::uintmax_t size = std::filesystem::file_size(path);
    ASSERT_GT(size, 8U * 4096U);
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    std::fseek(file, static_cast<long>(size - 4096), SEEK_SET);
    std::fputc(0x6B, file);
    std::fclose(file);
    SqliteMessageStore store(path);
    std::string reason;
    EXPECT_FALSE(store.load(reason));
    EXPECT_EQ(reason, "Cannot read " + path + ": database disk image is malformed.");
}

// Each way a write fails while the program runs: what could not be written waits in
// memory (an ack that came meanwhile too), the notice names the reason, and once the
// cause is gone one retry writes it all. A restart then resends nothing acknowledged.
TEST(MessageStore, AWriteThatFailsIsKeptAndWrittenWhenItWorksAgain) {
    enum class Cause { WriteLock, ExclusiveLock, FullFile, Deleted };
    const struct { const char* name; Cause cause; const char* reason; } rows[] = {
        {"a write left open in another connection", Cause::WriteLock, "database is locked"},
        {"an exclusive transaction in another connection", Cause::ExclusiveLock, "database is locked"},
        {"a file that cannot grow", Cause::FullFile, "disk I/O error"},
        {"the file deleted while the program runs: made again with everything", Cause::Deleted,
         "it was deleted while the program ran"},
    };
    signal(SIGXFSZ, SIG_IGN);  // a write past the size limit fails with EFBIG instead
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::TempDir dir;
        const std::string path = dir.file("quilmo.sqlite");
        std::int64_t now = 1'780'000'000'000;
        auto store = std::make_unique<SqliteMessageStore>(path);
        auto messaging = std::make_unique<Messaging>("N0CALL-7", store.get(), [&] { return now; });
        messaging->setLinkReady(true);
        messaging->send("W1AW", "first");
        messaging->receive("W1AW", ":N0CALL-7 :ack1");

        std::optional<OtherConnection> other(std::in_place, path);
        rlimit unlimited{};
        getrlimit(RLIMIT_FSIZE, &unlimited);
        switch (r.cause) {
            case Cause::WriteLock:
                ASSERT_EQ(other->run("BEGIN; INSERT INTO counters VALUES ('other', 1)"), SQLITE_OK);
                break;
            case Cause::ExclusiveLock: ASSERT_EQ(other->run("BEGIN EXCLUSIVE"), SQLITE_OK); break;
            case Cause::FullFile: {
                rlimit full = unlimited;
                full.rlim_cur = std::filesystem::file_size(path + "-wal");
                ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
                break;
            }
            case Cause::Deleted:
                for (const char* end : {"", "-wal", "-shm"}) std::remove((path + end).c_str());
                break;
        }
        int told = 0;
        messaging->addListener([&] { ++told; });
        now += 1000;
        messaging->send("K1ABC", "second");
        messaging->receive("K1ABC", ":N0CALL-7 :ack2");
        messaging->receive("W1AW", ":N0CALL-7 :Hi{7");
        EXPECT_TRUE(messaging->storeWaiting());
        EXPECT_EQ(messaging->notice(), "Cannot write " + path + ": " + r.reason +
                                           ". Messages are kept and written as soon as it works again.");
        if (r.cause != Cause::Deleted) {
            messaging->retryStore();  // the cause is still there
            EXPECT_TRUE(messaging->storeWaiting());
        }

        other.reset();  // its lock goes with it
        setrlimit(RLIMIT_FSIZE, &unlimited);
        const int before = told;
        messaging->retryStore();
        EXPECT_FALSE(messaging->storeWaiting());
        EXPECT_EQ(messaging->notice(), "");
        EXPECT_EQ(told, before + 1) << "the notice went: the listeners hear of it";

        messaging.reset();
        store = std::make_unique<SqliteMessageStore>(path);
        Messaging restarted("N0CALL-7", store.get(), [&] { return now; });
        restarted.setLinkReady(true);
        std::vector<std::string> kept;
        for (const StoredMessage& m : restarted.messages()) kept.push_back(m.station + " " + m.text + " " + messageStateText(m));
        EXPECT_EQ(kept, (std::vector<std::string>{"W1AW first acknowledged", "K1ABC second acknowledged", "W1AW Hi "}));
        EXPECT_FALSE(restarted.nextWakeAt()) << "nothing acknowledged is sent again";
        EXPECT_EQ(restarted.send("W1AW", "third").accepted, true);
        EXPECT_EQ(restarted.takeOutgoing(), std::vector<std::string>{":W1AW     :third{3"}) << "numbers go on";
    }
    signal(SIGXFSZ, SIG_DFL);
}

// A child sends message after message, each written as one transaction of message and
// counter, and says how many it finished; it is killed while it goes on. Five times over
// the same file, each start resuming what the last one left.
TEST(MessageStore, SurvivesKillInTheMiddleOfASend) {
    test::TempDir dir;
    const std::string path = dir.file("quilmo.sqlite");
    std::size_t finished = 0;
    for (int round = 0; round < 5; ++round) {
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeEnds[0]);
            SqliteMessageStore store(path);
            Messaging messaging("N0CALL-7", &store, systemMillis);
            messaging.setLinkReady(true);
            for (int i = 0;; ++i) {
                messaging.send("W1AW", "message " + std::to_string(i));
                if (!messaging.notice().empty() || write(pipeEnds[1], "x", 1) != 1) _exit(1);
            }
        }
        close(pipeEnds[1]);
        char done = 0;
        std::size_t reported = 0;
        while (reported < 40 && read(pipeEnds[0], &done, 1) == 1) ++reported;
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        close(pipeEnds[0]);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child stopped by itself";

        EXPECT_EQ(query(path, "PRAGMA integrity_check"), "ok");
        SqliteMessageStore store(path);
        std::string reason;
        const std::optional<StoredMessages> kept = store.load(reason);
        ASSERT_TRUE(kept) << reason;
        // Nothing it finished is lost, and the counter went with each message.
        EXPECT_GE(kept->messages.size(), finished + reported);
        finished = kept->messages.size();
        EXPECT_EQ(kept->nextNumber, static_cast<std::int64_t>(finished) + 1);
        for (std::size_t i = 0; i < finished; ++i) EXPECT_EQ(kept->messages[i].number, std::to_string(i + 1));
        Messaging resumed("N0CALL-7", &store, systemMillis);
        resumed.setLinkReady(true);
        EXPECT_TRUE(resumed.nextWakeAt()) << "the messages in flight go on";
    }
}

}  // namespace
}  // namespace quilmo
