#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace quilmo {

// A part of a notice's text: where it starts and how many bytes it takes.
struct NoticeSpan {
    std::size_t at = 0;
    std::size_t length = 0;
};

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
    // like a failing file, never mended by a write. `shortenable` is the part of `text`
    // (a path, a setting's value) that may give way when the line is short.
    using Span = NoticeSpan;
    bool noteProblem(const std::string& key, const std::string& text, Span shortenable = {});
    // The standing problem under `key` is gone (a server that verified the login after
    // all). Returns true when the text changed.
    bool clearProblem(const std::string& key);
    const std::string& text() const { return text_; }
    // Where in text() the path (or a setting's value) stands: the part the notice line
    // shortens when the whole does not fit, so the reason stays in sight. Length 0: none.
    Span shortenable() const { return shortenable_; }
    bool failing() const { return !failures_.empty(); }

private:
    struct Failure {
        std::string key;
        std::string path;
        int error = 0;
        std::uint64_t dropped = 0;
        std::string problem;  // a standing problem's own text; empty for a file
        Span shortenable;  // in the problem's text; a file's is its path
    };
    void showFailures();

    std::vector<Failure> failures_;  // newest first
    // Given up by files that work again while others still fail: still to be told.
    std::uint64_t droppedByMended_ = 0;
    std::string text_;
    Span shortenable_;
};

}  // namespace quilmo
