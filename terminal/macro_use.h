#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quilmo {

constexpr int kMacroCount = 8;
// Alt+F shows at most this many bytes of a macro, then "…": enough to recognise it,
// and a macro of many megabytes costs no more than a short one.
constexpr std::size_t kShownMacroBytes = 4000;

// Alt+F1 … Alt+F8: the message box text, or nothing when the file is not usable. Only
// the first kShownMacroBytes of the file are read; a longer file ends in "…" (0x85).
// Looks at the file only, so a macro added after start-up can still be shown.
std::optional<std::string> macroMessage(std::string_view directory, int n);

}  // namespace quilmo
