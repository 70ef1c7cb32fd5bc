#pragma once
// What a label or a tooltip shows of its text: Qt reads text that looks like markup as
// markup unless the label is told its text is plain, and a tooltip always guesses.
#include <QLabel>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace quilmo::test {

inline QString shownToolTip(const QString& tip) {
    return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
}

inline QString shownText(const QLabel* label) {
    switch (label->textFormat()) {
        case Qt::PlainText: return label->text();
        case Qt::AutoText: return shownToolTip(label->text());
        default: return QTextDocumentFragment::fromHtml(label->text()).toPlainText();
    }
}

}  // namespace quilmo::test
