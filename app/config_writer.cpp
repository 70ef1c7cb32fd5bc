#include "app/config_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "platform/files.h"

namespace quilmo {
namespace {

struct Line {
    std::size_t start = 0;
    std::size_t end = 0;  // before the line end
};

std::vector<Line> splitLines(std::string_view bytes) {
    std::vector<Line> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t lf = bytes.find('\n', start);
        std::size_t end = lf == std::string_view::npos ? bytes.size() : lf;
        if (end > start && bytes[end - 1] == '\r') --end;
        lines.push_back({start, end});
        start = lf == std::string_view::npos ? bytes.size() : lf + 1;
    }
    return lines;
}

// Only the first line end tells the file's style: CR LF as Windows editors write, else LF.
std::string_view lineEndOf(std::string_view bytes) {
    const std::size_t lf = bytes.find('\n');
    if (lf == std::string_view::npos) return "\r\n";
    return lf > 0 && bytes[lf - 1] == '\r' ? "\r\n" : "\n";
}

// Where the value of `key` starts in the last line that acts for it, as the reader finds it.
std::optional<std::pair<std::size_t, std::size_t>> lastValueOf(std::string_view bytes, const std::vector<Line>& lines,
                                                               const std::string& key) {
    const std::string name = key + "=";
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const std::string_view text = bytes.substr(line->start, line->end - line->start);
        // Keys are ASCII: no other byte's upper case can make or break one.
        std::string upper(text);
        for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        const std::size_t first = text.find_first_not_of(" \t");
        if (first != std::string_view::npos && (text[first] == ';' || text[first] == '#')) continue;
        const std::size_t at = upper.find(name);
        if (at == std::string::npos) continue;
        return std::make_pair(line->start + at + name.size(), line->end);
    }
    return std::nullopt;
}

std::string failure(const std::string& path, int error) { return "Cannot write " + path + ": " + errorText(error); }

// The whole of `bytes` in a new file at `path`, on the disk before the call returns.
int writeDurably(const std::string& path, std::string_view bytes, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return errno;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(path.c_str());
            return error;
        }
        done += static_cast<std::size_t>(n);
    }
    const int synced = ::fsync(fd) == 0 ? 0 : errno;
    const int closed = ::close(fd) == 0 ? 0 : errno;
    const int error = synced != 0 ? synced : closed;
    if (error != 0) ::unlink(path.c_str());
    return error;
}

// Written beside the target and renamed over it: the target is always one whole file.
int replaceWhole(const std::string& path, std::string_view bytes, mode_t mode) {
    const std::string temporary = path + ".new";
    if (const int error = writeDurably(temporary, bytes, mode); error != 0) return error;
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return error;
    }
    return 0;
}

}  // namespace

std::string rewriteConfiguration(std::string_view oldBytes, const std::vector<SettingChange>& changes) {
    std::string bytes(oldBytes);
    for (const auto& [key, value] : changes) {
        const std::vector<Line> lines = splitLines(bytes);
        if (const auto place = lastValueOf(bytes, lines, key)) {
            bytes.replace(place->first, place->second - place->first, value);
            continue;
        }
        const std::string_view end = lineEndOf(bytes);
        if (!bytes.empty() && bytes.back() != '\n') bytes += end;
        bytes += key + "=" + value;
        bytes += end;
    }
    return bytes;
}

std::string saveConfiguration(const std::string& folder, const std::vector<SettingChange>& changes, bool keepBackup) {
    const std::string path = joinPath(folder, "Quilmo.ini");
    const std::optional<std::string> old = readWholeFile(path);
    struct stat info {};
    const mode_t mode = ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0644;
    if (keepBackup && old) {
        const std::string backup = path + ".bak";
        if (const int error = replaceWhole(backup, *old, mode); error != 0) return failure(backup, error);
    }
    if (const int error = replaceWhole(path, rewriteConfiguration(old.value_or(""), changes), mode); error != 0)
        return failure(path, error);
    return {};
}

}  // namespace quilmo
