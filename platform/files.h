#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quilmo {

// Byte-exact file helpers. Each returns whether it worked; callers decide, in one
// visible place, when a failure is to be ignored.

// "dir/name" with this platform's separator.
std::string joinPath(std::string_view dir, std::string_view name);
std::optional<std::string> readWholeFile(const std::string& path);
// Appends at the current end; never truncates what the file holds. Creates a missing file.
bool appendToFile(const std::string& path, std::string_view bytes);
// Creates or replaces the file with exactly these bytes.
bool writeWholeFile(const std::string& path, std::string_view bytes);
bool fileExists(const std::string& path);
std::optional<std::uint64_t> fileSize(const std::string& path);
bool removeFile(const std::string& path);
// Creates the directory (and missing parents); true when it exists afterwards.
bool makeDirectory(const std::string& path);
// Creates an empty file when none exists; true when a regular file exists afterwards.
bool touchFile(const std::string& path);

}  // namespace quilmo
