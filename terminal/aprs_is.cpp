#include "terminal/aprs_is.h"

namespace quilmo {
namespace {

std::string_view withoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

// The next blank-separated word from `at` on, moving `at` past it.
std::string_view nextWord(std::string_view text, std::size_t& at) {
    while (at < text.size() && text[at] == ' ') ++at;
    const std::size_t start = at;
    while (at < text.size() && text[at] != ' ') ++at;
    return text.substr(start, at - start);
}

}  // namespace

std::string aprsIsLoginLine(std::string_view myCall, std::int32_t passcode, std::string_view version,
                            std::string_view filter) {
    const bool named = !myCall.empty();
    std::string line = "user " + std::string(named ? myCall : kAprsIsAnonymousCall) + " pass " +
                       std::to_string(named ? passcode : kReceiveOnlyPasscode) + " vers Quilmo " + std::string(version);
    if (!filter.empty()) line += " filter " + std::string(filter);
    return line + "\r\n";
}

AprsIsLine aprsIsLineKind(std::string_view line) {
    line = withoutLineEnd(line);
    if (line.empty()) return AprsIsLine::ServerComment;  // nothing to decode
    if (line.front() != '#') return AprsIsLine::Packet;
    std::size_t at = 1;
    return nextWord(line, at) == "logresp" ? AprsIsLine::LoginReply : AprsIsLine::ServerComment;
}

bool aprsIsLoginVerified(std::string_view line) {
    line = withoutLineEnd(line);
    if (aprsIsLineKind(line) != AprsIsLine::LoginReply) return false;
    std::size_t at = 1;
    nextWord(line, at);  // "logresp"
    nextWord(line, at);  // the call logged in
    std::string_view answer = nextWord(line, at);
    if (!answer.empty() && answer.back() == ',') answer.remove_suffix(1);
    return answer == "verified";
}

std::string aprsIsReceiveOnlyNotice(std::string_view myCall, std::int32_t passcode, bool verified) {
    if (myCall.empty()) return "APRS-IS: receive only. Sending needs MYCALL= and PASSCODE= in Quilmo.ini.";
    if (passcode == kReceiveOnlyPasscode) return "APRS-IS: receive only. Sending needs PASSCODE= in Quilmo.ini.";
    if (!verified) return "APRS-IS: the server did not verify the login (check MYCALL= and PASSCODE=): receive only.";
    return {};
}

std::string aprsIsPacketLine(std::string_view myCall, std::string_view information) {
    return std::string(myCall) + ">APZQLM,TCPIP*:" + std::string(information) + "\r\n";
}

}  // namespace quilmo
