#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quilmo {

// Byte-exact file helpers. Each returns whether it worked; callers decide, in one
// visible place, when a failure is to be ignored.

// What one write achieved: the bytes that reached the file and, when not all of
// them did, the system's error number.
struct WriteResult {
    std::size_t written = 0;
    int error = 0;
    bool ok() const { return error == 0; }
};
// The system's own words for an error number ("No space left on device").
std::string errorText(int error);

// Told of every write attempt a file's owner makes, with the bytes it has had to
// drop so far (text it could keep no longer); the window turns these into notices.
using WriteObserver =
    std::function<void(const std::string& path, const WriteResult& result, std::uint64_t droppedBytes)>;

// Appends at the end, creating a missing file; a short write says how far it got.
WriteResult appendBytes(const std::string& path, std::string_view bytes);
// Writes at a byte offset, creating a missing file and never truncating.
WriteResult writeBytesAt(const std::string& path, std::uint64_t offset, std::string_view bytes);
// Cuts the file to size bytes.
WriteResult truncateFile(const std::string& path, std::uint64_t size);
// Creates or replaces the file with exactly these bytes.
WriteResult replaceFile(const std::string& path, std::string_view bytes);
// The file's last count bytes; nothing when it is shorter or cannot be read.
std::optional<std::string> readTail(const std::string& path, std::size_t count);

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
// The name of the group that owns `path` ("dialout" for most serial devices); empty when unknown.
std::string fileGroupName(const std::string& path);

}  // namespace quilmo
