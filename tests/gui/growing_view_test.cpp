// The growing views paint at frame rate from their models: whatever the chunks, after a
// frame the widget shows exactly the model; a copy gives the bytes behind the
// selection; the font buttons keep the newest lines, or what the user scrolled to, in sight.
#include <QClipboard>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>
#include <algorithm>
#include <random>

#include "app/growing_view.h"
#include "main_window_harness.h"
#include "platform/cp1252_utf8.h"
#include "platform/qt_text.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

// What a view shows, read back from its document alone: rows joined, every line break
// as LF, caret notation and "<hh>" turned back into the characters of their bytes.
QString shownText(const GrowingView& view) {
    QString out;
    const QTextDocument* doc = view.document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block != doc->begin() && block.userState() != GrowingView::kRowContinues) out += '\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString text = it.fragment().text();
            if (!it.fragment().charFormat().boolProperty(GrowingView::kControlProperty)) {
                out += text;
                continue;
            }
            for (qsizetype i = 0; i < text.size(); i += text[i] == '^' ? 2 : 4) {
                const char16_t next = text[i + 1].unicode();
                const int byte = text[i] == '<' ? text.mid(i + 1, 2).toInt(nullptr, 16) : next == '?' ? 0x7F : next - 0x40;
                out += fromCp1252(std::string(1, static_cast<char>(byte)));
            }
        }
    }
    return out;
}

// The text of a model as a view shows it once every byte is in: in a stream, a UTF-8
// sequence that the end cuts off still waits for the rest of its bytes.
QString expectedText(std::string bytes, bool stream) {
    for (std::size_t back = 1; stream && back <= 3 && back <= bytes.size(); ++back) {
        if (utf8SequenceAt(bytes, bytes.size() - back) == kUtf8Incomplete) {
            bytes.resize(bytes.size() - back);
            break;
        }
    }
    return fromAirText(bytes);
}

// The model with its line ends as the view draws them: CR LF, CR and LF alike.
std::string asLines(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        out += bytes[i] == '\r' ? '\n' : bytes[i];
    }
    return out;
}

// Blocks of a wrapping view that the layout had to wrap: a row too long for the width. Rows
// holding scripts the fixed font lacks are left out: a fallback font draws them at its own
// width, and such a row may wrap once, which costs nothing but a line.
int wrappedRows(const GrowingView& view) {
    int wrapped = 0;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x0590; })) continue;
        view.document()->documentLayout()->blockBoundingRect(block);  // lays the block out
        wrapped += block.layout()->lineCount() > 1;
    }
    return wrapped;
}

// Every kind of received text: line ends of all three kinds, control bytes, Windows-1252
// holes and letters, UTF-8, tabs, packets, long runs without a line end, and random bytes.
std::string floodStream(std::mt19937& rng, std::size_t size) {
    const std::string kinds[] = {"\r\n", "\r", "\n", "\t", std::string(1, '\0'), "\x01\x07\x1b\x7f",
                                 "\x81\x8d\x8f\x90\x9d", "\xb0\x80\xa0\xad", "N0CALL>APRS,WIDE2-1:!4430.60N/01120.10E-\r\n",
                                 "^C<81> literal \r\n", "Citt\xC3\xA0 \xE2\x80\x93 73 \xE2\x9C\x93 \xF0\x9F\x93\xA1 \xD0\x81"};
    std::string out;
    while (out.size() < size) {
        const unsigned kind = rng() % 13;
        if (kind < std::size(kinds)) {
            out += kinds[kind];
        } else if (kind == 11) {
            out += std::string(rng() % 3000, static_cast<char>('a' + rng() % 26));
        } else {
            for (unsigned n = rng() % 40; n > 0; --n) out += static_cast<char>(rng());
        }
    }
    return out;
}

bool endInSight(const GrowingView& view) {
    QTextCursor end(view.document());
    end.movePosition(QTextCursor::End);
    return view.viewport()->rect().contains(view.cursorRect(end).center());
}

QString topLine(const GrowingView& view) { return view.cursorForPosition(QPoint(0, 0)).block().text(); }

}  // namespace

class GrowingViewTest : public QObject {
    Q_OBJECT
private slots:
    void frames_showExactlyTheModel_data() {
        QTest::addColumn<bool>("wrap");  // and cut before appending, as the Rx view is; a stream
        QTest::newRow("Rx view: rows, cut before appending") << true;
        QTest::newRow("Tx history, APRS view: whole lines, cut after") << false;
    }
    void frames_showExactlyTheModel() {
        QFETCH(bool, wrap);
        const auto trim = wrap ? GrowingView::Trim::BeforeAppend : GrowingView::Trim::AfterAppend;
        GrowingView view;
        view.setWholeTexts(!wrap);
        view.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        view.setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        view.resize(500, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        std::mt19937 rng(9);
        const std::string stream = floodStream(rng, 300000);
        int frames = 0, splitCrLf = 0, continuedRows = 0;
        for (std::size_t at = 0; at < stream.size();) {
            std::size_t n = std::min<std::size_t>(1 + rng() % 48, stream.size() - at);
            // Whole texts never end inside a character.
            while (!wrap && at + n < stream.size() && (static_cast<unsigned char>(stream[at + n]) & 0xC0) == 0x80) ++n;
            view.append(std::string_view(stream).substr(at, n), trim);
            at += n;
            splitCrLf += stream[at - 1] == '\r' && at < stream.size() && stream[at] == '\n';
            if (rng() % 32 != 0) continue;
            if (rng() % 8 == 0) view.resize(250 + static_cast<int>(rng() % 500), 300);  // rows flow anew
            view.paintNow();
            QCOMPARE(shownText(view), expectedText(asLines(view.model().text()), wrap));
            QVERIFY(view.textCursor().atEnd());
            if (++frames % 20 == 0 && wrap) QCOMPARE(wrappedRows(view), 0);
            for (QTextBlock b = view.document()->begin(); b.isValid(); b = b.next())
                continuedRows += b.userState() == GrowingView::kRowContinues;
        }
        QVERIFY(splitCrLf > 5);
        QCOMPARE(continuedRows > 0, wrap);
    }

    // One insertion a frame, whatever arrived; then nothing is left ticking.
    void frame_oneInsertionThenNoTimer() {
        GrowingView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.append("first frame\r\n", GrowingView::Trim::BeforeAppend);
        view.paintNow();
        int changes = 0;
        // Counted when text is added; a new font only marks the whole text for layout.
        connect(view.document(), &QTextDocument::contentsChange, [&](int, int removed, int added) { changes += added != removed; });
        for (int i = 0; i < 200; ++i) view.append("chunk\r", GrowingView::Trim::BeforeAppend);
        QVERIFY(view.framePending());
        QCOMPARE(changes, 0);
        QTRY_VERIFY(!view.framePending());
        QCOMPARE(changes, 1);
        for (const QTimer* timer : view.findChildren<QTimer*>()) QVERIFY(!timer->isActive());
    }

    void copy_givesTheBytesBehindTheSelection_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("aroundRow");
        QTest::addColumn<QByteArray>("bytes");
        // Shown as "ab^Acd" | "ef" | "gh" | "i" | rows of y; a break takes one position.
        // Around a row: positions from the start of the second row of y. Negative: from the end.
        QTest::newRow("all") << 0 << -1 << false << QByteArray("ab\x01" "cd\r\nef\rgh\ni\r\n") + QByteArray(300, 'y') + "\xE2\x9C\x93yy";
        QTest::newRow("half a caret pair counts whole") << 3 << 4 << false << QByteArray("\x01");
        QTest::newRow("CR LF kept") << 4 << 8 << false << QByteArray("cd\r\ne");
        QTest::newRow("lone CR kept") << 8 << 11 << false << QByteArray("f\rg");
        QTest::newRow("lone LF kept") << 11 << 14 << false << QByteArray("h\ni");
        QTest::newRow("a row break adds nothing") << -10 << 9 << true << QByteArray(18, 'y');
        QTest::newRow("a UTF-8 character is its bytes") << -5 << -2 << false << QByteArray("y\xE2\x9C\x93y");
    }
    void copy_givesTheBytesBehindTheSelection() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, aroundRow);
        QFETCH(QByteArray, bytes);
        GrowingView view;
        view.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        view.resize(300, 200);
        view.show();
        view.append("ab\x01" "cd\r", GrowingView::Trim::BeforeAppend);
        view.append("\nef\rgh\ni\r\n" + std::string(300, 'y') + "\xE2\x9C", GrowingView::Trim::BeforeAppend);
        view.append("\x93yy", GrowingView::Trim::BeforeAppend);  // the check mark cut in two
        view.paintNow();
        const QTextBlock secondRow = view.document()->findBlockByNumber(5);
        QCOMPARE(secondRow.userState(), GrowingView::kRowContinues);
        if (aroundRow) {
            from += secondRow.position();
            to += secondRow.position();
        }

        const int end = view.document()->characterCount() - 1;
        QTextCursor selection(view.document());
        selection.setPosition(from < 0 && !aroundRow ? end + 1 + from : from);
        selection.setPosition(to < 0 ? end + 1 + to : to, QTextCursor::KeepAnchor);
        view.setTextCursor(selection);
        view.copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), fromAirText(bytes.toStdString()));
    }

    // The font buttons stop at 8 and 14 points and keep the newest lines in sight, or
    // what the user scrolled up to.
    void fontButtons_keepNewestLinesOrWhatTheUserLooksAt() {
        Harness h;
        h.start();
        for (int i = 0; i < 300; ++i) h.port.feed("line " + std::to_string(i) + "\r\n");
        auto* rx = h.find<GrowingView>("Text1");
        rx->paintNow();
        QVERIFY(endInSight(*rx));
        const int sizes[] = {12, 13, 14, 14, 13, 12, 11, 10, 9, 8, 8};  // four +, then seven -
        for (std::size_t i = 0; i < std::size(sizes); ++i) {
            h.click(i < 4 ? "Label23" : "Label22");
            QCOMPARE(h.window->rxFontSize(), sizes[i]);
            QVERIFY(endInSight(*rx));
        }
        rx->verticalScrollBar()->setValue(100);  // scrolled up on purpose
        const QString top = topLine(*rx);
        for (const char* button : {"Label23", "Label22"}) {
            h.click(button);
            QCOMPARE(topLine(*rx), top);
        }
        QVERIFY(!endInSight(*rx));
    }
};

QTEST_MAIN(GrowingViewTest)
#include "growing_view_test.moc"
