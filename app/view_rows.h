#pragma once
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quilmo {

// One piece of a growing view's document, in the order it is inserted.
struct ViewSpan {
    enum class Kind : std::uint8_t {
        Text,       // characters as received
        Control,    // a control byte drawn in caret notation ("^G") or as "<81>"
        LineBreak,  // CR LF, a lone CR or a lone LF
        RowBreak,   // a long line goes on in the next row
    };
    Kind kind;
    int start = 0;   // into ViewPieces::text; Text and Control only
    int length = 0;
};

struct ViewPieces {
    QString text;
    std::vector<ViewSpan> spans;
    void clear() {
        text.clear();
        spans.clear();
    }
};

// For every position of the document built from a text, the bytes shown there:
// [begin, end). A line break owns its CR, LF or CR LF; a row break owns nothing.
struct ViewMap {
    std::vector<int> begin;
    std::vector<int> end;
    int textSize = 0;

    // First byte of a selection starting at `position`, and the byte after one ending there;
    // a caret-notation pair cut in the middle counts whole.
    int startByte(int position) const;
    int endByte(int position) const;
    // The first position that shows `byte` or a later one.
    int positionOf(int byte) const;
};

// Turns a growing view's bytes, appended piece by piece, into what its document shows:
// UTF-8 sequences as their characters, every other byte as Windows-1252 or in caret notation.
// The result does not depend on how the bytes were cut into pieces. With a row length
// every line is cut into rows of at most that many columns (a fixed-width font makes a
// column one character cell), so adding to a very long line only ever touches its last
// row; without one lines are kept whole.
class ViewRows {
public:
    explicit ViewRows(int rowLength = 0) : rowLength_(rowLength) {}

    int rowLength() const { return rowLength_; }
    // A stream (the Rx view) may be cut inside a UTF-8 sequence, whose start then waits for
    // the rest; whole texts (sent lines, records) never are, and end where they end.
    void setWholeTexts(bool whole) { wholeTexts_ = whole; }
    // Starts again at the beginning of a text.
    void restart(int rowLength);
    // Adds the display of the next bytes to `out`, and their positions to `map` if given.
    void append(std::string_view bytes, ViewPieces& out, ViewMap* map = nullptr);

    // Tabs stop every this many columns.
    static constexpr int kTabColumns = 8;

private:
    void addChars(ViewSpan::Kind kind, const QString& chars, int width, int byte, ViewPieces& out, ViewMap* map);
    void addBreak(ViewSpan::Kind kind, int byte, ViewPieces& out, ViewMap* map);
    void makeRoom(int width, int byte, ViewPieces& out, ViewMap* map);
    // One character encoded in UTF-8 by the `length` bytes from `byte`.
    void addSequence(std::string_view sequence, int byte, ViewPieces& out, ViewMap* map);

    int rowLength_;
    int column_ = 0;
    int consumed_ = 0;  // bytes seen since the restart
    bool pendingCr_ = false;
    std::string held_;  // the start of a UTF-8 sequence the last append cut off
    bool wholeTexts_ = false;
};

// The whole text as shown with the given row length, with its positions.
ViewMap mapView(std::string_view text, int rowLength);

}  // namespace quilmo
