#include "kml/xml_text.h"

#include "platform/cp1252_utf8.h"

namespace quilmo {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool forbiddenInXml(unsigned char byte) { return byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n'; }

}  // namespace

std::string xmlElementText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        switch (byte) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '\r': out += "&#13;"; continue;
        case '\n': out += "&#10;"; continue;
        default: break;
        }
        if (byte >= 0x80) {
            const std::size_t length = utf8SequenceAt(bytes, i);
            if (length != 0 && length != kUtf8Incomplete) {
                out.append(bytes.substr(i, length));
                i += length - 1;
                continue;
            }
        }
        appendUtf8(out, forbiddenInXml(byte) ? kReplacement : cp1252CodePoint(byte));
    }
    return out;
}

}  // namespace quilmo
