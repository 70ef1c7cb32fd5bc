#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quilmo {

// One key's new value: {"MYCALL", "N0CALL-7"}, the value in the file's bytes (Windows-1252).
using SettingChange = std::pair<std::string, std::string>;

// Quilmo.ini with `changes` made and nothing else touched: every other line, its order,
// unknown keys, comments, blank lines and line ends stay byte for byte. A key that several
// lines set has its last acting line changed (the reader takes the last); a key no line
// sets gets a line of its own at the end, with the file's line end.
std::string rewriteConfiguration(std::string_view oldBytes, const std::vector<SettingChange>& changes);

// Writes "<dir>/Quilmo.ini" with `changes`: to a temporary file beside it, then renamed over
// it, so a crash never leaves half a file; with `keepBackup` the old file is kept first as
// Quilmo.ini.bak. Empty when it worked, else why not ("Cannot write …: No space left on
// device"); the old file is then as it was.
std::string saveConfiguration(const std::string& folder, const std::vector<SettingChange>& changes, bool keepBackup);

}  // namespace quilmo
