#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

#include "platform/app_paths.h"
#include "platform/file_notices.h"
#include "platform/instance_lock.h"
#include "temp_dir.h"

namespace quilmo {
namespace {

// One notice line over a run in which three files fail and recover in turn.
TEST(FileNotices, FirstFailureStandsWhileItLastsAndOneNoticeTellsOfTheRecovery) {
    const WriteResult ok{5, 0}, full{2, ENOSPC}, denied{0, EACCES};
    const std::string rxFull = "Cannot write /d/$log_rx.txt: No space left on device";
    const struct { const char* key; const char* path; WriteResult result; std::uint64_t dropped; bool changed; std::string text; } steps[] = {
        {"rx", "/d/$log_rx.txt", ok, 0, false, ""},
        {"rx", "/d/$log_rx.txt", full, 0, true, rxFull},
        {"rx", "/d/$log_rx.txt", full, 0, false, rxFull},
        {"kml", "/d/kml/$1.kml", full, 0, true, "Cannot write /d/kml/$1.kml: No space left on device (and 1 more file)"},
        {"rx", "/d/$log_rx.txt", full, 4096, false, "Cannot write /d/kml/$1.kml: No space left on device (and 1 more file)"},
        {"kml", "/d/kml/$2.kml", ok, 0, true, rxFull + "; 4096 bytes dropped"},  // the next track works
        {"filter", "/d/filter.ini", denied, 0, true, "Cannot write /d/filter.ini: Permission denied (and 1 more file)"},
        {"filter", "/d/filter.ini", ok, 0, true, rxFull + "; 4096 bytes dropped"},
        {"rx", "/d/$log_rx.txt", ok, 4096, true, "/d/$log_rx.txt is written again; 4096 bytes could not be kept"},
        {"lock", "/d/.quilmo.lock", {0, EISDIR}, 0, true, "Cannot write /d/.quilmo.lock: Is a directory"},
    };
    FileNotices notices;
    for (const auto& s : steps) {
        const bool changed = notices.noteWrite(s.key, s.path, s.result, s.dropped);
        EXPECT_EQ(std::tie(changed, notices.text()), std::tie(s.changed, s.text)) << s.key << " " << s.result.error;
        EXPECT_EQ(notices.failing(), s.text.starts_with("Cannot")) << s.text;
    }
}

// An installed copy (share/quilmo beside its folder) keeps its files in the user's data
// folder; a folder of its own and a read-only one are run for real in faults_binary_test.
TEST(FilesFolder, InstalledCopyUsesTheUsersDataFolder) {
    const struct { std::string xdg; bool homeIsFile; std::string expected; } rows[] = {
        {"/xdg", false, "xdg/quilmo"},
        {"", false, "home/.local/share/quilmo"},
        {"xdg", false, "home/.local/share/quilmo"},  // a relative XDG_DATA_HOME is ignored
        {"", true, "bin"},                            // no data folder can be made
    };
    for (const auto& r : rows) {
        test::TempDir dir;
        ASSERT_TRUE(makeDirectory(dir.file("bin")) && makeDirectory(dir.file("share/quilmo")));
        ASSERT_TRUE(!r.homeIsFile || writeWholeFile(dir.file("home"), ""));
        const UserFolders user{r.xdg.starts_with("/") ? dir.path + r.xdg : r.xdg, dir.file("home")};
        EXPECT_EQ(filesFolder(dir.file("bin"), user), dir.file(r.expected)) << r.xdg;
    }
}

// Nobody can hold a lock that cannot be made, so the program runs on and says why.
TEST(InstanceLock, ALockFileThatCannotBeMadeIsReportedNotFatal) {
    test::TempDir dir;
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire(dir.file("gone")));
    EXPECT_EQ(std::make_tuple(lock.held(), lock.error(), lock.path()),
              std::make_tuple(false, ENOENT, dir.file("gone/.quilmo.lock")));
}

}  // namespace
}  // namespace quilmo
