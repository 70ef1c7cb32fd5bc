#include "terminal/macros.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/files.h"
#include "terminal/macro_use.h"

namespace quilmo {
namespace {

constexpr std::size_t kPreviewBytes = 24;

bool blankOnly(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

// Reads at most `limit` bytes; nullopt when the file cannot be opened or read.
std::optional<std::string> readFirstBytes(const std::string& path, std::size_t limit) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string data(limit, '\0');
    const std::size_t got = std::fread(data.data(), 1, limit, f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    data.resize(got);
    return data;
}

bool validMacroNumber(int n) { return n >= 1 && n <= kMacroCount; }

}  // namespace

std::string macroPath(std::string_view directory, int n) {
    return joinPath(directory, "macro" + std::to_string(n) + ".txt");
}

int checkMacroFile(const std::string& path) {
    if (blankOnly(path)) return kMacroNoPath;
    if (!fileExists(path)) return kMacroMissing;
    // Opening proves the file readable; a directory or a locked file fails here or in fileSize.
    if (!readFirstBytes(path, 0)) return kMacroMissing;
    const auto size = fileSize(path);
    if (!size) return kMacroMissing;
    if (*size == 0) {
        // An empty macro is of no use; a failed removal changes nothing for the caller.
        static_cast<void>(removeFile(path));
        return kMacroMissing;
    }
    return kMacroUsable;
}

std::optional<std::string> readMacroFile(const std::string& path) { return readWholeFile(path); }

std::string readMacroPreview(const std::string& path) {
    // One byte more than shown tells whether the file goes on.
    const auto head = readFirstBytes(path, kPreviewBytes + 1);
    if (!head) return {};
    const bool longer = head->size() > kPreviewBytes;
    std::string preview;
    for (std::size_t i = 0; i < head->size() && i < kPreviewBytes; ++i) {
        const char c = (*head)[i];
        if (c == '\n') continue;
        preview += c == '\r' ? '|' : c;
    }
    if (longer) preview += "...";
    return preview;
}

std::string showMacroText(int n, std::string_view macroText) {
    std::string message = "Macro nr. " + std::to_string(n) + "\r\n\r\n";
    for (const char c : macroText) {
        if (c == '\r') {
            message += "[CR]\r";
        } else if (c == '\n') {
            message += "[LF]";
        } else {
            message += c;
        }
    }
    return message;
}

std::optional<std::string> macroMessage(std::string_view directory, int n) {
    if (!validMacroNumber(n)) return std::nullopt;
    const std::string path = macroPath(directory, n);
    if (checkMacroFile(path) != kMacroUsable) return std::nullopt;
    auto head = readFirstBytes(path, kShownMacroBytes + 1);
    if (!head) return std::nullopt;
    const bool longer = head->size() > kShownMacroBytes;
    head->resize(std::min(head->size(), kShownMacroBytes));
    std::string message = showMacroText(n, *head);
    if (longer) message += '\x85';  // the ellipsis in Windows-1252
    return message;
}

}  // namespace quilmo
