#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace quilmo {

// The one place that turns file write results (and settings the program cannot use) into
// the notice line's text. A file's first failure names it and the reason and stands while
// that file keeps failing; the newest failure is shown first, with the count of the others
// and every byte any of them had to give up. When the last failing file is written again,
// one notice says so and stays until something else is to be said.
class FileNotices {
public:
    // key names the file across renames (every KML track is "kml"); path is what the
    // user is told. Returns true when the text changed.
    bool noteWrite(const std::string& key, const std::string& path, const WriteResult& result,
                   std::uint64_t droppedBytes = 0);
    // A problem that stands for the whole run (a setting the program cannot use); shown
    // like a failing file, never mended by a write.
    bool noteProblem(const std::string& key, const std::string& text);
    // The standing problem under `key` is gone (a server that verified the login after
    // all). Returns true when the text changed.
    bool clearProblem(const std::string& key);
    const std::string& text() const { return text_; }
    bool failing() const { return !failures_.empty(); }

private:
    struct Failure {
        std::string key;
        std::string path;
        int error = 0;
        std::uint64_t dropped = 0;
        std::string problem;  // a standing problem's own text; empty for a file
    };
    std::string failureText() const;

    std::vector<Failure> failures_;  // newest first
    // Given up by files that work again while others still fail: still to be told.
    std::uint64_t droppedByMended_ = 0;
    std::string text_;
};

}  // namespace quilmo
