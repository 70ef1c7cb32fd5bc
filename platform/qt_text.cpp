#include "platform/qt_text.h"

#include <QList>

#include "platform/cp1252_utf8.h"

namespace quilmo {
namespace {

constexpr char kNoByte = '?';

char toByte(char32_t cp, bool& fits) {
    const std::optional<char> byte = cp1252ByteOf(cp);
    fits = fits && byte.has_value();
    return byte.value_or(kNoByte);
}

void appendCodePoint(QString& out, char32_t cp) {
    if (cp < 0x10000) {
        out.append(QChar(static_cast<char16_t>(cp)));
        return;
    }
    out.append(QChar(QChar::highSurrogate(cp)));
    out.append(QChar(QChar::lowSurrogate(cp)));
}

}  // namespace

QString fromCp1252(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) out.append(QChar(static_cast<char16_t>(cp1252CodePoint(static_cast<unsigned char>(c)))));
    return out;
}

std::string toCp1252(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    bool fits = true;
    // Whole code points, so a character outside the BMP becomes one "?", not two.
    for (const uint cp : text.toUcs4()) out += toByte(static_cast<char32_t>(cp), fits);
    return out;
}

bool fitsCp1252(const QString& text) {
    bool fits = true;
    for (const uint cp : text.toUcs4()) toByte(static_cast<char32_t>(cp), fits);
    return fits;
}

QString fromAirText(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t at = 0; at < bytes.size();) {
        const AirCharacter c = airCharacterAt(bytes, at);
        appendCodePoint(out, c.codePoint);
        at += c.length;
    }
    return out;
}

}  // namespace quilmo
