#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace quilmo {

// The call a login without MYCALL= uses: receive-only logins need some name.
inline constexpr std::string_view kAprsIsAnonymousCall = "N0CALL";
// What APRS-IS takes for "this login may only listen".
inline constexpr std::int32_t kReceiveOnlyPasscode = -1;

// "user N0CALL-7 pass 12345 vers Quilmo 6.0 filter r/44.49/11.34/100" and CR LF, sent on
// every connect. Without `myCall` the login is N0CALL and receive-only whatever the
// passcode; without `filter` no filter is asked for.
std::string aprsIsLoginLine(std::string_view myCall, std::int32_t passcode, std::string_view version,
                            std::string_view filter);
// The same login as the Tx view and the Tx log show it: the passcode as "*****", since
// logs and screenshots get passed around. -1 is no secret (it is what every receive-only
// login sends) and stays, so the Tx view shows why the login cannot send.
std::string aprsIsLoginShown(std::string_view myCall, std::int32_t passcode, std::string_view version,
                             std::string_view filter);

// What a line from the server is. Comment lines ("#" first) are the server talking,
// never a packet; the login reply is one of them.
enum class AprsIsLine { Packet, ServerComment, LoginReply };
// The line with or without its CR LF.
AprsIsLine aprsIsLineKind(std::string_view line);
// "# logresp N0CALL-7 verified, server T2TEST": only then may the login send, and only
// when the call verified is the one that logged in: `myCall` as the login was made
// (empty: the anonymous N0CALL), compared as callsigns (any case, N0CALL is N0CALL-0).
bool aprsIsLoginVerified(std::string_view line, std::string_view myCall);
// Why a login cannot send, for the notice line; empty when it can. `verified` is the
// server's answer.
std::string aprsIsReceiveOnlyNotice(std::string_view myCall, std::int32_t passcode, bool verified);

// "N0CALL-7>APZQLM,TCPIP*:info" and CR LF: a packet of ours as APRS-IS carries it.
std::string aprsIsPacketLine(std::string_view myCall, std::string_view information);

}  // namespace quilmo
