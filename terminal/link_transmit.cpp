#include "terminal/link_transmit.h"

#include "platform/device_text.h"
#include "terminal/aprs_is.h"
#include "terminal/kiss_transmit.h"

namespace quilmo {
namespace {

LinkTransmit refuse(std::string notice) {
    LinkTransmit result;
    result.refused = true;
    result.notice = std::move(notice);
    return result;
}

LinkTransmit bytes(std::string text) {
    LinkTransmit result;
    result.bytes = std::move(text);
    return result;
}

LinkTransmit kissFrame(std::string_view information, std::string_view myCall, std::string_view unproto) {
    KissTransmit kiss = kissTransmitFrames(information, myCall, unproto);
    // One line, checked by the caller, gives exactly one frame.
    if (kiss.refused || kiss.frames.size() != 1) return refuse(std::move(kiss.notice));
    return bytes(std::move(kiss.frames.front()));
}

}  // namespace

LinkKind linkKindOf(bool kiss, std::string_view device) {
    if (isAprsIsDeviceText(device)) return LinkKind::AprsIs;
    if (isAgwDeviceText(device)) return LinkKind::Agw;
    return kiss ? LinkKind::KissTnc : LinkKind::TextTnc;
}

LinkTransmit encodeForLink(LinkKind kind, std::string_view information, std::string_view myCall,
                           std::string_view unproto) {
    if (information.empty()) return refuse("An empty APRS packet is not sent.");
    for (const char c : information) {
        if (static_cast<unsigned char>(c) < 32) return refuse("An APRS packet holds no control characters. Nothing was sent.");
    }
    switch (kind) {
        case LinkKind::KissTnc:
        case LinkKind::Agw: return kissFrame(information, myCall, unproto);
        case LinkKind::AprsIs:
            if (myCall.empty()) return refuse("APRS-IS sends only with your callsign in Quilmo.ini (MYCALL=). Nothing was sent.");
            return bytes(aprsIsPacketLine(myCall, information));
        case LinkKind::TextTnc: return bytes(std::string(information) + "\r");
    }
    return refuse("Unknown link.");
}

}  // namespace quilmo
