#include "app/view_rows.h"

#include <algorithm>
#include <utility>

#include "platform/cp1252_utf8.h"
#include "platform/qt_text.h"

namespace quilmo {

namespace {

// Windows-1252 leaves these undefined; their code points have no glyph in any font.
bool isUndefined(unsigned char c) { return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D; }

// Shown as the character itself, one column wide.
bool isPlain(unsigned char c) { return c >= 0x20 && c != 0x7F && !isUndefined(c); }

// Only these bytes can begin a UTF-8 sequence; runs of everything else convert in one go.
bool mayLeadUtf8(unsigned char c) { return c >= 0xC2 && c <= 0xF4; }

QString controlText(unsigned char c) {
    if (c < 0x20) return QStringLiteral("^") + QChar(static_cast<char16_t>(c + 0x40));
    if (c == 0x7F) return QStringLiteral("^?");
    return QStringLiteral("<%1>").arg(c, 2, 16, QChar('0')).toUpper();
}

}  // namespace

void ViewRows::restart(int rowLength) {
    rowLength_ = rowLength;
    column_ = 0;
    consumed_ = 0;
    pendingCr_ = false;
    held_.clear();
}

void ViewRows::addBreak(ViewSpan::Kind kind, int byte, ViewPieces& out, ViewMap* map) {
    out.spans.push_back({kind, 0, 0});
    column_ = 0;
    if (map == nullptr) return;
    map->begin.push_back(byte);
    map->end.push_back(kind == ViewSpan::Kind::LineBreak ? byte + 1 : byte);
}

// A unit that does not fit in what is left of the row starts the next one; a unit
// wider than a whole row still gets a row of its own.
void ViewRows::makeRoom(int width, int byte, ViewPieces& out, ViewMap* map) {
    if (rowLength_ > 0 && column_ > 0 && column_ + width > rowLength_) {
        addBreak(ViewSpan::Kind::RowBreak, byte, out, map);
    }
}

void ViewRows::addChars(ViewSpan::Kind kind, const QString& chars, int width, int byte, ViewPieces& out,
                        ViewMap* map) {
    const int start = static_cast<int>(out.text.size());
    out.text += chars;
    const int length = static_cast<int>(chars.size());
    if (!out.spans.empty() && out.spans.back().kind == kind && out.spans.back().start + out.spans.back().length == start) {
        out.spans.back().length += length;
    } else {
        out.spans.push_back({kind, start, length});
    }
    column_ += width;
    if (map == nullptr) return;
    // Text is one byte a character; a control byte owns all the characters it is drawn with.
    for (int i = 0; i < length; ++i) {
        const int b = kind == ViewSpan::Kind::Text ? byte + i : byte;
        map->begin.push_back(b);
        map->end.push_back(b + 1);
    }
}

void ViewRows::addSequence(std::string_view sequence, int byte, ViewPieces& out, ViewMap* map) {
    makeRoom(1, byte, out, map);
    const char32_t cp = utf8CodePoint(sequence);
    const int start = static_cast<int>(out.text.size());
    addChars(ViewSpan::Kind::Text, QString::fromUcs4(&cp, 1), 1, byte, out, nullptr);
    if (map == nullptr) return;
    // Every position of the character (two for one outside the BMP) shows all its bytes.
    for (int p = start; p < static_cast<int>(out.text.size()); ++p) {
        map->begin.push_back(byte);
        map->end.push_back(byte + static_cast<int>(sequence.size()));
    }
}

void ViewRows::append(std::string_view fresh, ViewPieces& out, ViewMap* map) {
    // A UTF-8 sequence the last append cut off is read again together with what follows.
    std::string joined;
    std::string_view bytes = fresh;
    const int base = consumed_ - static_cast<int>(held_.size());
    if (!held_.empty()) {
        joined = std::exchange(held_, {});
        joined.append(fresh);
        bytes = joined;
    }
    consumed_ += static_cast<int>(fresh.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const int byte = base + static_cast<int>(i);
        if (mayLeadUtf8(c)) {
            const std::size_t length = utf8SequenceAt(bytes, i);
            if (length == kUtf8Incomplete && !wholeTexts_) {
                held_.assign(bytes.substr(i));
                return;
            }
            if (length != 0 && length != kUtf8Incomplete) {
                pendingCr_ = false;
                addSequence(bytes.substr(i, length), byte, out, map);
                i += length;
                continue;
            }
        }
        if (isPlain(c)) {
            pendingCr_ = false;
            std::size_t run = i + 1;
            while (run < bytes.size() && isPlain(static_cast<unsigned char>(bytes[run])) &&
                   !mayLeadUtf8(static_cast<unsigned char>(bytes[run])))
                ++run;
            // A run is cut only where a row ends.
            while (i < run) {
                makeRoom(1, base + static_cast<int>(i), out, map);
                std::size_t take = run - i;
                if (rowLength_ > 0) take = std::min<std::size_t>(take, static_cast<std::size_t>(rowLength_ - column_));
                addChars(ViewSpan::Kind::Text, fromCp1252(bytes.substr(i, take)), static_cast<int>(take),
                         base + static_cast<int>(i), out, map);
                i += take;
            }
            continue;
        }
        ++i;
        if (c == '\n' && pendingCr_) {
            // The LF of a CR LF split across two appends joins the break its CR made.
            pendingCr_ = false;
            if (map != nullptr) map->end.back() = byte + 1;
            continue;
        }
        pendingCr_ = c == '\r';
        if (c == '\r' || c == '\n') {
            addBreak(ViewSpan::Kind::LineBreak, byte, out, map);
        } else if (c == '\t') {
            makeRoom(kTabColumns - column_ % kTabColumns, byte, out, map);
            addChars(ViewSpan::Kind::Text, QStringLiteral("\t"), kTabColumns - column_ % kTabColumns, byte, out, map);
        } else {
            const QString drawn = controlText(c);
            makeRoom(static_cast<int>(drawn.size()), byte, out, map);
            addChars(ViewSpan::Kind::Control, drawn, static_cast<int>(drawn.size()), byte, out, map);
        }
    }
}

ViewMap mapView(std::string_view text, int rowLength) {
    ViewMap map;
    map.textSize = static_cast<int>(text.size());
    map.begin.reserve(text.size() + text.size() / 8);
    map.end.reserve(text.size() + text.size() / 8);
    ViewRows rows(rowLength);
    ViewPieces pieces;
    rows.append(text, pieces, &map);
    return map;
}

int ViewMap::startByte(int position) const {
    if (position < 0) return 0;
    if (position >= static_cast<int>(begin.size())) return textSize;
    return begin[static_cast<std::size_t>(position)];
}

int ViewMap::endByte(int position) const {
    if (position <= 0) return startByte(0);
    if (position > static_cast<int>(end.size())) return textSize;
    return end[static_cast<std::size_t>(position - 1)];
}

int ViewMap::positionOf(int byte) const {
    const auto it = std::lower_bound(begin.begin(), begin.end(), byte);
    return static_cast<int>(it - begin.begin());
}

}  // namespace quilmo
