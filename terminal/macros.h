#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace quilmo {

enum MacroFileStatus : int { kMacroUsable = 0, kMacroNoPath = 97, kMacroMissing = 99 };

// "dir/macroN.txt"
std::string macroPath(std::string_view directory, int n);
// 0 usable, 97 blank path, 99 missing/unreadable/empty (an empty file is deleted).
int checkMacroFile(const std::string& path);
std::optional<std::string> readMacroFile(const std::string& path);
// First 24 bytes, LF removed, CR as "|", "..." when the file is longer.
std::string readMacroPreview(const std::string& path);
// "Macro nr. N" CR LF CR LF, then the text with CR as "[CR]" CR and LF as "[LF]".
std::string showMacroText(int n, std::string_view macroText);

}  // namespace quilmo
