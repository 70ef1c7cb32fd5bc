#pragma once
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <QTimer>
#include <string_view>

#include "app/view_rows.h"
#include "terminal/bounded_text.h"

namespace quilmo {

// A growing view (Rx view, Tx history, APRS view): its exact bytes live in a bounded
// model that is updated at once; the widget catches up at most once a frame, with one
// insertion of everything that arrived since, or one rebuild after the model was cut.
// Frames come at most 25 times a second, and fewer when painting is slow: the next frame
// waits kCostFactor times what the last one cost, so a slow computer under a fast line
// spends a bounded share of its time drawing text nobody can read at that speed.
// A copy gives the bytes behind the selection, line ends as they were received.
class GrowingView : public QPlainTextEdit {
    Q_OBJECT
public:
    enum class Trim { BeforeAppend, AfterAppend };
    // userState of a block that continues the line of the block before it.
    static constexpr int kRowContinues = 1;
    // Set on the character format of caret notation, to tell "^G" drawn for byte 7
    // from the two characters "^G" received.
    static constexpr int kControlProperty = QTextFormat::UserProperty + 1;
    static constexpr int kMinFrameGap = 40;  // milliseconds from one frame to the next
    static constexpr int kMaxFrameGap = 250;
    static constexpr int kCostFactor = 120;

    explicit GrowingView(QWidget* parent = nullptr);

    const BoundedText& model() const { return model_; }
    // Each append is a whole text (a sent line, a record) rather than a piece of a stream.
    void setWholeTexts(bool whole) { rows_.setWholeTexts(whole); }
    void append(std::string_view bytes, Trim trim);
    // Brings the widget up to date now instead of at the next frame.
    void paintNow();
    bool framePending() const { return frame_.isActive(); }
    // The lines the widget shows, rows joined again.
    QString shownText() const;

protected:
    QMimeData* createMimeDataFromSelection() const override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Sight {
        bool atEnd = true;
        int topByte = 0;
    };
    void paint();
    void insert(const ViewPieces& pieces, QTextCursor& cursor);
    int fittingRowLength() const;
    Sight sight() const;
    void restore(const Sight& sight);
    void reflow(const Sight& before);
    int frameGap() const;
    void useFont();

    BoundedText model_;
    ViewRows rows_;
    std::size_t painted_ = 0;  // model bytes the widget shows
    bool rebuild_ = false;
    QTimer frame_;
    QElapsedTimer lastFrame_;  // since the last frame began
    qint64 frameCost_ = 0;     // nanoseconds spent on the last frame and its repaint
    QTextCharFormat textFormat_;
    QTextCharFormat controlFormat_;
};

}  // namespace quilmo
