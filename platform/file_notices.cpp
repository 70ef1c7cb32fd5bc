#include "platform/file_notices.h"

#include <algorithm>

namespace quilmo {
namespace {

std::string droppedText(std::uint64_t bytes) {
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

constexpr std::string_view kCannotWrite = "Cannot write ";

std::string countText(std::size_t count, const char* what) {
    return std::to_string(count) + " more " + what + (count == 1 ? "" : "s");
}

}  // namespace

bool FileNotices::noteWrite(const std::string& key, const std::string& path, const WriteResult& result,
                            std::uint64_t droppedBytes) {
    const auto it = std::find_if(failures_.begin(), failures_.end(),
                                 [&](const Failure& f) { return f.key == key && f.problem.empty(); });
    const std::string before = text_;
    if (!result.ok()) {
        if (it == failures_.end()) {
            failures_.insert(failures_.begin(), {key, path, result.error, droppedBytes, {}, {}});
        } else {
            // Still failing: the notice keeps its place but follows the file and its losses.
            *it = {key, path, result.error, droppedBytes, {}, {}};
        }
        showFailures();
        return text_ != before;
    }
    if (it == failures_.end()) return false;
    failures_.erase(it);
    droppedByMended_ += droppedBytes;
    if (!failures_.empty()) {
        showFailures();
    } else {
        text_ = path + " is written again";
        if (droppedByMended_ > 0) text_ += "; " + droppedText(droppedByMended_) + " could not be kept";
        shortenable_ = {0, path.size()};
        droppedByMended_ = 0;
    }
    return text_ != before;
}

bool FileNotices::noteProblem(const std::string& key, const std::string& text, Span shortenable) {
    const std::string before = text_;
    failures_.erase(std::remove_if(failures_.begin(), failures_.end(), [&](const Failure& f) { return f.key == key; }),
                    failures_.end());
    failures_.insert(failures_.begin(), {key, {}, 0, 0, text, shortenable});
    showFailures();
    return text_ != before;
}

bool FileNotices::clearProblem(const std::string& key) {
    const auto gone = std::remove_if(failures_.begin(), failures_.end(),
                                     [&](const Failure& f) { return f.key == key && !f.problem.empty(); });
    if (gone == failures_.end()) return false;
    failures_.erase(gone, failures_.end());
    const std::string before = text_;
    if (failures_.empty()) {
        text_.clear();
        shortenable_ = {};
    } else {
        showFailures();
    }
    return text_ != before;
}

// The newest failure, then what else stands: files and other problems counted apart, so a
// setting is never called a file.
void FileNotices::showFailures() {
    const Failure& newest = failures_.front();
    std::string text = newest.problem.empty() ? std::string(kCannotWrite) + newest.path + ": " + errorText(newest.error)
                                              : newest.problem;
    const auto files = static_cast<std::size_t>(
        std::count_if(failures_.begin() + 1, failures_.end(), [](const Failure& f) { return f.problem.empty(); }));
    const std::size_t problems = failures_.size() - 1 - files;
    if (files > 0 && problems > 0) text += " (and " + countText(files, "file") + ", " + countText(problems, "problem") + ")";
    else if (files > 0) text += " (and " + countText(files, "file") + ")";
    else if (problems > 0) text += " (and " + countText(problems, "problem") + ")";
    std::uint64_t dropped = droppedByMended_;
    for (const Failure& f : failures_) dropped += f.dropped;
    if (dropped > 0) text += "; " + droppedText(dropped) + " dropped";
    text_ = std::move(text);
    // A span past the problem's end is not trusted.
    const Span span = newest.problem.empty() ? Span{kCannotWrite.size(), newest.path.size()} : newest.shortenable;
    shortenable_ = (newest.problem.empty() || span.at + span.length <= newest.problem.size()) ? span : Span{};
}

}  // namespace quilmo
