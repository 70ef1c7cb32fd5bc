#pragma once
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quilmo {

constexpr int kMacroCount = 8;
// Alt+F shows at most this many bytes of a macro, then "…": enough to recognise it,
// and a macro of many megabytes costs no more than a short one.
constexpr std::size_t kShownMacroBytes = 4000;

// What start-up learns about the eight macro files; fixed for the rest of the run.
struct MacroSet {
    std::array<bool, kMacroCount> present{};        // index 0 is macro 1
    std::array<std::string, kMacroCount> preview{};  // tool tips; empty for an absent macro
};

// Checks macro1.txt … macro8.txt (deleting empty ones) and reads the previews.
MacroSet scanMacros(std::string_view directory);
// F1 … F8 and the macro buttons: the text to append to the Tx buffer, or nothing when
// the macro was absent at start-up or its file is no longer usable.
std::optional<std::string> macroToInsert(std::string_view directory, int n, const MacroSet& macros);
// Alt+F1 … Alt+F8: the message box text, or nothing when the file is not usable. Only
// the first kShownMacroBytes of the file are read; a longer file ends in "…" (0x85).
// Looks at the file only, so a macro added after start-up can still be shown.
std::optional<std::string> macroMessage(std::string_view directory, int n);

}  // namespace quilmo
