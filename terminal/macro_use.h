#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quilmo {

constexpr int kMacroCount = 8;

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
// Alt+F1 … Alt+F8: the message box text, or nothing when the file is not usable.
// Looks at the file only, so a macro added after start-up can still be shown.
std::optional<std::string> macroMessage(std::string_view directory, int n);

}  // namespace quilmo
