#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/local_time.h"

namespace quilmo {

struct ValueFields {
    std::string v1, v2, v3;  // Text4, Text5, Text6
};

// Placeholder expansion in the fixed order ^#v1 ^#V1 ^#v2 ^#V2 ^#v3 ^#V3 ^#h ^#H ^#d ^#D.
std::string expandPlaceholders(std::string_view buffer, const ValueFields& fields, const LocalTime& now);
// ^C ^c -> 3, ^D ^d -> 4, ^S ^s -> 19, ^Q ^q -> 17; nothing else.
std::string caretToBytes(std::string_view text);
// Bytes 3, 4, 19, 17 back to "^C", "^D", "^S", "^Q".
std::string bytesToCaret(std::string_view bytes);

enum class XoffIndicator { Unchanged, Show, Hide };

// Everything tx_dati decides; the shell applies it to the port and the widgets.
struct TransmitPlan {
    bool held = false;           // txHold was set: nothing happens, the buffer keeps its text
    std::string readable;        // the Tx buffer after expansion (and CTRLDEND cut): history and log
    std::string sendText;        // bytes for the port
    XoffIndicator xoff = XoffIndicator::Unchanged;
};
// Runs steps 1-6 of a transmission; sets txHold when CTRLDEND cuts at a ^D.
TransmitPlan planTransmit(std::string_view buffer, const ValueFields& fields, const LocalTime& now,
                          int ctrlDEnd, std::int16_t& txHold);

}  // namespace quilmo
