#include "terminal/receive.h"

namespace quilmo {

ReceiveResult receiveChunk(std::string_view chunk, std::int16_t& txHold, BoundedText& rxView) {
    ReceiveResult result;
    if (chunk.empty()) return result;
    // Received data is the device's answer to a ^D; only then may we send again.
    if (txHold == 1) txHold = 0;
    result.accepted = true;
    result.rxViewTrimmed = rxView.trimThenAppend(chunk);
    return result;
}

}  // namespace quilmo
