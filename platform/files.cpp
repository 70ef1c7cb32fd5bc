#include "platform/files.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace quilmo {
namespace fs = std::filesystem;

namespace {

// Unbuffered, so a short write is seen as it happens and nothing is left in a buffer
// that a later close could fail to write.
WriteResult writeAll(int fd, std::string_view bytes, std::optional<std::uint64_t> offset) {
    WriteResult result;
    while (result.written < bytes.size()) {
        const char* from = bytes.data() + result.written;
        const std::size_t count = bytes.size() - result.written;
        const ssize_t n = offset ? ::pwrite(fd, from, count, static_cast<off_t>(*offset + result.written))
                                 : ::write(fd, from, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            result.error = n < 0 ? errno : EIO;
            return result;
        }
        result.written += static_cast<std::size_t>(n);
    }
    return result;
}

WriteResult openAndWrite(const std::string& path, int flags, std::string_view bytes,
                         std::optional<std::uint64_t> offset) {
    const int fd = ::open(path.c_str(), flags | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return {0, errno};
    WriteResult result = writeAll(fd, bytes, offset);
    if (::close(fd) != 0 && result.ok()) result.error = errno;
    return result;
}

}  // namespace

std::string errorText(int error) { return std::strerror(error); }

WriteResult appendBytes(const std::string& path, std::string_view bytes) {
    return openAndWrite(path, O_WRONLY | O_APPEND, bytes, std::nullopt);
}

WriteResult writeBytesAt(const std::string& path, std::uint64_t offset, std::string_view bytes) {
    return openAndWrite(path, O_WRONLY, bytes, offset);
}

WriteResult truncateFile(const std::string& path, std::uint64_t size) {
    if (::truncate(path.c_str(), static_cast<off_t>(size)) != 0) return {0, errno};
    return {};
}

WriteResult replaceFile(const std::string& path, std::string_view bytes) {
    return openAndWrite(path, O_WRONLY | O_TRUNC, bytes, std::nullopt);
}

std::optional<std::string> readTail(const std::string& path, std::size_t count) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::string tail(count, '\0');
    const bool read = ::fstat(fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) >= count &&
                      ::pread(fd, tail.data(), count, st.st_size - static_cast<off_t>(count)) ==
                          static_cast<ssize_t>(count);
    ::close(fd);
    if (!read) return std::nullopt;
    return tail;
}

std::string joinPath(std::string_view dir, std::string_view name) {
    std::string out(dir);
    if (!out.empty() && out.back() != '/') out += '/';
    out += name;
    return out;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string data;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return data;
}

bool appendToFile(const std::string& path, std::string_view bytes) { return appendBytes(path, bytes).ok(); }

bool writeWholeFile(const std::string& path, std::string_view bytes) { return replaceFile(path, bytes).ok(); }

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec) return std::nullopt;
    return size;
}

bool removeFile(const std::string& path) {
    std::error_code ec;
    return fs::remove(path, ec) && !ec;
}

bool makeDirectory(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

bool touchFile(const std::string& path) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) return true;
    return appendToFile(path, {});
}

std::string fileGroupName(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    std::vector<char> buffer(4096);
    struct group entry {};
    struct group* found = nullptr;
    if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return {};
    return found->gr_name;
}

}  // namespace quilmo
