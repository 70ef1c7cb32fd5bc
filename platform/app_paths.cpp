#include "platform/app_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/files.h"

namespace quilmo {
namespace {

bool installedLayout(const std::string& programDirectory) {
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::path(programDirectory) / ".." / "share" / "quilmo", ec);
}

std::string dataFolder(const UserFolders& user) {
    if (!user.xdgDataHome.empty() && user.xdgDataHome.front() == '/') return joinPath(user.xdgDataHome, "quilmo");
    if (user.home.empty()) return {};
    return joinPath(joinPath(user.home, ".local/share"), "quilmo");
}

}  // namespace

UserFolders userFoldersFromEnvironment() {
    UserFolders user;
    if (const char* xdg = std::getenv("XDG_DATA_HOME")) user.xdgDataHome = xdg;
    if (const char* home = std::getenv("HOME")) user.home = home;
    if (user.home.empty()) {
        if (const passwd* account = ::getpwuid(::getuid()); account != nullptr && account->pw_dir != nullptr)
            user.home = account->pw_dir;
    }
    return user;
}

std::string filesFolder(const std::string& programDirectory, const UserFolders& user) {
    if (!installedLayout(programDirectory) && ::access(programDirectory.c_str(), W_OK) == 0) return programDirectory;
    const std::string data = dataFolder(user);
    if (data.empty() || !makeDirectory(data)) return programDirectory;
    return data;
}

}  // namespace quilmo
