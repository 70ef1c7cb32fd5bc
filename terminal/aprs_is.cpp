#include "terminal/aprs_is.h"

#include "platform/ascii.h"
#include "platform/callsign.h"

namespace quilmo {
namespace {

// The next blank-separated word from `at` on, moving `at` past it.
std::string_view nextWord(std::string_view text, std::size_t& at) {
    while (at < text.size() && text[at] == ' ') ++at;
    const std::size_t start = at;
    while (at < text.size() && text[at] != ' ') ++at;
    return text.substr(start, at - start);
}

// Without MYCALL= the login is anonymous and receive-only whatever the passcode.
std::string_view loginCall(std::string_view myCall) { return myCall.empty() ? kAprsIsAnonymousCall : myCall; }
std::int32_t loginPasscode(std::string_view myCall, std::int32_t passcode) {
    return myCall.empty() ? kReceiveOnlyPasscode : passcode;
}

std::string loginWith(std::string_view call, std::string_view passcode, std::string_view version, std::string_view filter) {
    std::string line = "user " + std::string(call) + " pass " + std::string(passcode) + " vers Quilmo " + std::string(version);
    if (!filter.empty()) line += " filter " + std::string(filter);
    return line + "\r\n";
}

}  // namespace

std::string aprsIsLoginLine(std::string_view myCall, std::int32_t passcode, std::string_view version,
                            std::string_view filter) {
    return loginWith(loginCall(myCall), std::to_string(loginPasscode(myCall, passcode)), version, filter);
}

std::string aprsIsLoginShown(std::string_view myCall, std::int32_t passcode, std::string_view version,
                             std::string_view filter) {
    const std::int32_t sent = loginPasscode(myCall, passcode);
    const std::string shown = sent == kReceiveOnlyPasscode ? std::to_string(sent) : "*****";
    return loginWith(loginCall(myCall), shown, version, filter);
}

AprsIsLine aprsIsLineKind(std::string_view line) {
    line = withoutLineEnd(line);
    if (line.empty()) return AprsIsLine::ServerComment;  // nothing to decode
    if (line.front() != '#') return AprsIsLine::Packet;
    std::size_t at = 1;
    return nextWord(line, at) == "logresp" ? AprsIsLine::LoginReply : AprsIsLine::ServerComment;
}

bool aprsIsLoginVerified(std::string_view line, std::string_view myCall) {
    line = withoutLineEnd(line);
    if (aprsIsLineKind(line) != AprsIsLine::LoginReply) return false;
    std::size_t at = 1;
    nextWord(line, at);  // "logresp"
    // A verified answer for another call is not an answer to our login.
    if (!sameCallsign(nextWord(line, at), loginCall(myCall))) return false;
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
