#include "app/text_display.h"

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
    const std::string bytes = toCp1252(text);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace quilmo
