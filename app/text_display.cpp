#include "app/text_display.h"

#include <QStringList>

#include "platform/qt_text.h"

namespace quilmo {

namespace {

// Runs of ordinary bytes are converted in one go; line ends and control bytes one by one.
template <typename ControlFn>
QString convert(std::string_view bytes, bool& pendingCr, ControlFn control) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t runStart = 0;
    auto flush = [&](std::size_t end) {
        if (end > runStart) out += fromCp1252(bytes.substr(runStart, end - runStart));
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool special = c < 0x20 || c == 0x7F;
        if (!special) {
            pendingCr = false;
            continue;
        }
        flush(i);
        runStart = i + 1;
        if (c == '\r') {
            out += QChar('\n');
            pendingCr = true;
        } else if (c == '\n') {
            if (!pendingCr) out += QChar('\n');
            pendingCr = false;
        } else {
            out += control(c);
            pendingCr = false;
        }
    }
    flush(bytes.size());
    return out;
}

}  // namespace

QString editText(std::string_view bytes) {
    bool pendingCr = false;
    return convert(bytes, pendingCr, [](unsigned char c) { return QChar(static_cast<char16_t>(c)); });
}

std::string txBufferBytes(const QString& rawText) {
    // The raw text keeps a no-break space (0xA0) as it is; only line breaks become CR LF.
    QString text = rawText;
    text.replace(QChar::ParagraphSeparator, QChar('\n')).replace(QChar::LineSeparator, QChar('\n'));
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) + static_cast<std::size_t>(text.size()) / 8);
    const QStringList lines = text.split(QChar('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        if (n > 0) out += "\r\n";
        // A line Windows-1252 cannot hold goes out whole as UTF-8, as most APRS software
        // today reads it, rather than with "?" in its place.
        const QString& line = lines[n];
        if (fitsCp1252(line)) {
            out += toCp1252(line);
        } else {
            const QByteArray utf8 = line.toUtf8();
            out.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        }
    }
    return out;
}

}  // namespace quilmo
