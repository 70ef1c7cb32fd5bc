#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/files.h"

namespace quilmo::test {

// A fresh program directory per test, removed afterwards.
struct TempDir {
    std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "quilmo-test-XXXXXX").string();
        return mkdtemp(p.data()) ? p : std::string();
    }();
    ~TempDir() {
        std::error_code ec;  // a destructor must not throw
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return joinPath(path, name); }
    std::string read(const std::string& name) const { return readWholeFile(file(name)).value_or("<none>"); }
};

}  // namespace quilmo::test
