#include "platform/file_notices.h"

#include <algorithm>

namespace quilmo {
namespace {

std::string droppedText(std::uint64_t bytes) {
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

}  // namespace

bool FileNotices::noteWrite(const std::string& key, const std::string& path, const WriteResult& result,
                            std::uint64_t droppedBytes) {
    const auto it = std::find_if(failures_.begin(), failures_.end(),
                                 [&](const Failure& f) { return f.key == key && f.problem.empty(); });
    const std::string before = text_;
    if (!result.ok()) {
        if (it == failures_.end()) {
            failures_.insert(failures_.begin(), {key, path, result.error, droppedBytes, {}});
        } else {
            // Still failing: the notice keeps its place but follows the file and its losses.
            *it = {key, path, result.error, droppedBytes, {}};
        }
        text_ = failureText();
        return text_ != before;
    }
    if (it == failures_.end()) return false;
    failures_.erase(it);
    droppedByMended_ += droppedBytes;
    if (!failures_.empty()) {
        text_ = failureText();
    } else {
        text_ = path + " is written again";
        if (droppedByMended_ > 0) text_ += "; " + droppedText(droppedByMended_) + " could not be kept";
        droppedByMended_ = 0;
    }
    return text_ != before;
}

bool FileNotices::noteProblem(const std::string& key, const std::string& text) {
    const std::string before = text_;
    failures_.erase(std::remove_if(failures_.begin(), failures_.end(), [&](const Failure& f) { return f.key == key; }),
                    failures_.end());
    failures_.insert(failures_.begin(), {key, {}, 0, 0, text});
    text_ = failureText();
    return text_ != before;
}

bool FileNotices::clearProblem(const std::string& key) {
    const auto gone = std::remove_if(failures_.begin(), failures_.end(),
                                     [&](const Failure& f) { return f.key == key && !f.problem.empty(); });
    if (gone == failures_.end()) return false;
    failures_.erase(gone, failures_.end());
    const std::string before = text_;
    text_ = failures_.empty() ? std::string() : failureText();
    return text_ != before;
}

std::string FileNotices::failureText() const {
    const Failure& newest = failures_.front();
    std::string text =
        newest.problem.empty() ? "Cannot write " + newest.path + ": " + errorText(newest.error) : newest.problem;
    const std::size_t others = failures_.size() - 1;
    if (others == 1) text += " (and 1 more file)";
    if (others > 1) text += " (and " + std::to_string(others) + " more files)";
    std::uint64_t dropped = droppedByMended_;
    for (const Failure& f : failures_) dropped += f.dropped;
    if (dropped > 0) text += "; " + droppedText(dropped) + " dropped";
    return text;
}

}  // namespace quilmo
