// The messages' SQLite file: what goes in comes back byte for byte, a file that cannot be
// used says why, and a writer killed with SIGKILL leaves every change it finished, whole.
#include "platform/sqlite_message_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

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
    // Windows-1252 as heard: degree sign, euro sign, and 0x81, which the code page leaves undefined.
    const StoredMessage theirs{1, "W1AW", false, 1'780'000'000'000, "45\xB0 \x80 5 \x81", "AB", MessageState::Received, 0, 0, true, true};
    const StoredMessage ours{2, "K1ABC-9", true, 1'780'000'001'000, "Hi", "7", MessageState::Sending, 3, 1'780'000'211'000, false, false};
    {
        SqliteMessageStore store(path);
        std::string reason;
        ASSERT_TRUE(store.load(reason)) << reason;
        ASSERT_TRUE(store.apply({{theirs, ours}, 8}, reason)) << reason;
        StoredMessage done = ours;
        done.state = MessageState::GivenUp;
        ASSERT_TRUE(store.apply({{done}, std::nullopt}, reason)) << reason;
    }
    SqliteMessageStore again(path);
    std::string reason;
    const std::optional<StoredMessages> kept = again.load(reason);
    ASSERT_TRUE(kept) << reason;
    ASSERT_EQ(kept->messages.size(), 2U);
    EXPECT_EQ(fields(kept->messages[0]), fields(theirs));
    StoredMessage done = ours;
    done.state = MessageState::GivenUp;
    EXPECT_EQ(fields(kept->messages[1]), fields(done));
    EXPECT_EQ(kept->nextNumber, 8);
    EXPECT_EQ(query(path, "SELECT text FROM messages WHERE id = 1"), "45\u00B0 \u20AC 5 \u0081");
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
