#include "terminal/kiss.h"

namespace quilmo {

void KissSplitter::drop() {
    ++dropped_;
    frame_.clear();
    state_ = State::Discarding;
}

void KissSplitter::feed(std::string_view bytes, const std::function<void(const KissFrame&)>& onFrame) {
    for (char c : bytes) {
        if (c == kFend) {
            // A FEND always ends what came before it: after any damage the next frame
            // starts clean, and a FEND shared by two frames loses neither.
            if (state_ == State::Escaped) {
                ++dropped_;
            } else if (state_ == State::InFrame && !frame_.empty()) {
                const auto type = static_cast<unsigned char>(frame_[0]);
                onFrame(KissFrame{type >> 4, type & 0x0F, std::string_view(frame_).substr(1)});
            }
            frame_.clear();
            state_ = State::InFrame;
            continue;
        }
        if (state_ == State::Hunting || state_ == State::Discarding) continue;
        if (state_ == State::InFrame && c == kFesc) {
            state_ = State::Escaped;
            continue;
        }
        if (state_ == State::Escaped) {
            if (c != kTfend && c != kTfesc) {
                drop();
                continue;
            }
            c = c == kTfend ? kFend : kFesc;
            state_ = State::InFrame;
        }
        if (frame_.size() == kMaxFrame) {
            drop();
            continue;
        }
        frame_ += c;
    }
}

void KissSplitter::reset() {
    frame_.clear();
    state_ = State::Hunting;
}

std::string kissDataFrame(std::string_view frame) {
    std::string out;
    out.reserve(frame.size() + frame.size() / 8 + 3);
    out += kFend;
    out += '\0';
    for (const char c : frame) {
        if (c == kFend) {
            out += kFesc;
            out += kTfend;
        } else if (c == kFesc) {
            out += kFesc;
            out += kTfesc;
        } else {
            out += c;
        }
    }
    out += kFend;
    return out;
}

}  // namespace quilmo
