#pragma once
#include <cstdint>
#include <string_view>

#include "terminal/bounded_text.h"

namespace quilmo {

struct ReceiveResult {
    bool accepted = false;       // the chunk held text; the caller goes on with APRS and the Rx log
    bool rxViewTrimmed = false;  // the Rx view lost its old start: rebuild the widget from the model
};

// The first steps of a receive notification: an empty chunk changes nothing; any text
// lifts the transmit hold and is appended to the Rx view (trimmed before the append).
ReceiveResult receiveChunk(std::string_view chunk, std::int16_t& txHold, BoundedText& rxView);

}  // namespace quilmo
