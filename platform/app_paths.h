#pragma once
#include <string>

namespace quilmo {

// The user's folders the data folder is derived from, as the environment gives them.
struct UserFolders {
    std::string xdgDataHome;  // $XDG_DATA_HOME; ignored unless an absolute path
    std::string home;         // $HOME, or the account's home when that is unset
};
UserFolders userFoldersFromEnvironment();

// The folder that holds every file the program reads and writes (Quilmo.ini, the
// macros, the logs, kml/, filter.ini, the lock), decided once at start-up: the
// program's own folder when it can write there and it is not an installed copy
// (one with "<program folder>/../share/quilmo" beside it); otherwise the user's data
// folder, "$XDG_DATA_HOME/quilmo" or "~/.local/share/quilmo", made when missing. When
// that cannot be made either, the program's folder, where failures are then reported.
std::string filesFolder(const std::string& programDirectory, const UserFolders& user);

}  // namespace quilmo
