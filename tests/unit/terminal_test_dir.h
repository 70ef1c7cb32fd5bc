#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/files.h"

namespace quilmo::test {

// A fresh program directory per test, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quilmo-terminal-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return joinPath(path_, name); }
    // Reads a file that the test expects to exist; "<missing>" makes a failure readable.
    std::string read(const std::string& name) const {
        return readWholeFile(file(name)).value_or("<missing>");
    }

private:
    std::string path_;
};

}  // namespace quilmo::test
