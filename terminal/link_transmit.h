#pragma once
#include <string>
#include <string_view>

namespace quilmo {

// How an information field of ours reaches the air.
enum class LinkKind {
    TextTnc,  // a TNC in converse mode: the field is typed as a line
    KissTnc,  // a UI frame from MYCALL via the UNPROTO path
    AprsIs,   // a packet line to an APRS-IS server
    Agw,      // a UI frame as KissTnc, handed to an AGWPE server that sends it
};

// aprsis:// is an APRS-IS server and agw:// an AGWPE server whatever KISS= says;
// otherwise KISS= decides.
LinkKind linkKindOf(bool kiss, std::string_view device);

// The bytes to write for one field, or nothing and a notice.
struct LinkTransmit {
    bool refused = false;
    std::string notice;
    std::string bytes;
};

// One information field (":W1AW     :hi{3", "=4429.50N/01120.25E-") for the link: a KISS
// frame as typed lines go out, "MYCALL>APZQLM,TCPIP*:field" CR LF, or the field and CR as
// Enter sends it in converse mode. A field is one line of text: one holding a control
// byte is refused, and so is anything on KISS or APRS-IS without `myCall`.
LinkTransmit encodeForLink(LinkKind kind, std::string_view information, std::string_view myCall,
                           std::string_view unproto);

}  // namespace quilmo
