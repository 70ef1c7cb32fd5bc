#include "kml/xml_text.h"

#include "platform/cp1252_utf8.h"

namespace quilmo {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool forbiddenInXml(char32_t c) { return c < 0x20 && c != '\t' && c != '\r' && c != '\n'; }

}  // namespace

std::string xmlElementText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const AirCharacter c = airCharacterAt(bytes, at);
        const std::string_view encoded = bytes.substr(at, c.length);
        at += c.length;
        switch (c.codePoint) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '\r': out += "&#13;"; continue;
        case '\n': out += "&#10;"; continue;
        default: break;
        }
        if (encoded.size() > 1) {
            out.append(encoded);  // UTF-8 already
        } else {
            appendUtf8(out, forbiddenInXml(c.codePoint) ? kReplacement : c.codePoint);
        }
    }
    return out;
}

}  // namespace quilmo
