#include "aprs/message_field.h"

#include "aprs/numeric.h"

namespace quilmo {

namespace {

bool isAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Some senders end the field with blanks or a stray CR after the number.
std::string_view withoutTrailingSpace(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    return text;
}

// "NN", or the reply-ack form "MM}AA" with AA possibly empty.
bool readNumberPart(std::string_view part, std::string_view& number, bool& replyAckForm, std::string_view& replyAck) {
    const std::size_t brace = part.find('}');
    if (brace == std::string_view::npos) {
        if (!isMessageNumber(part)) return false;
        number = part;
        return true;
    }
    const std::string_view mine = part.substr(0, brace), theirs = part.substr(brace + 1);
    if (!isMessageNumber(mine) || (!theirs.empty() && !isMessageNumber(theirs))) return false;
    number = mine;
    replyAckForm = true;
    replyAck = theirs;
    return true;
}


}  // namespace

bool isMessageNumber(std::string_view text) {
    if (text.empty() || text.size() > 5) return false;
    for (const char c : text)
        if (!isAlnum(c)) return false;
    return true;
}

AprsMessageParts parseAprsMessage(std::string_view info) {
    AprsMessageParts parts;
    if (info.size() < 11 || info[0] != ':' || info[10] != ':') return parts;
    parts.valid = true;
    parts.addressee = trimBlanks(info.substr(1, 9));
    parts.bulletin = parts.addressee.starts_with("BLN") || parts.addressee.starts_with("NWS");
    const std::string_view body = withoutTrailingSpace(info.substr(11));

    for (const auto& [word, kind] : {std::pair{std::string_view("ack"), AprsMessageParts::Kind::Ack},
                                     std::pair{std::string_view("rej"), AprsMessageParts::Kind::Reject}}) {
        if (!body.starts_with(word)) continue;
        std::string_view number, replyAck;
        bool replyAckForm = false;
        if (!readNumberPart(body.substr(word.size()), number, replyAckForm, replyAck)) break;
        parts.kind = kind;
        parts.number = number;
        parts.replyAckForm = replyAckForm;
        parts.replyAck = replyAck;
        return parts;
    }

    parts.text = body;
    const std::size_t brace = body.rfind('{');
    if (brace == std::string_view::npos) return parts;
    std::string_view number, replyAck;
    bool replyAckForm = false;
    if (!readNumberPart(body.substr(brace + 1), number, replyAckForm, replyAck)) return parts;
    parts.text = body.substr(0, brace);
    parts.number = number;
    parts.replyAckForm = replyAckForm;
    parts.replyAck = replyAck;
    return parts;
}

}  // namespace quilmo
