#include "app/message_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace quilmo {

namespace {

// Leaves room for the window manager's frame and title around the box.
constexpr double kScreenShare = 0.9;
// Lines past this many are not measured: the box is as tall as it may be by then.
constexpr int kMeasuredLines = 200;

QString withLineFeeds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    return text;
}

// The text's own size at most `maxWidth` wide: its widest measured line, and its line
// count with each longer line wrapped as often as it needs.
QSize textSize(const QString& text, const QFontMetrics& metrics, int maxWidth) {
    int width = 0;
    qint64 lines = 0;
    int measured = 0;
    for (qsizetype start = 0; start <= text.size() && measured < kMeasuredLines; ++measured) {
        qsizetype end = text.indexOf(QChar('\n'), start);
        if (end < 0) end = text.size();
        const int advance = metrics.horizontalAdvance(text.mid(start, end - start));
        width = std::max(width, std::min(advance, maxWidth));
        lines += std::max<qint64>(1, (advance + maxWidth - 1) / std::max(1, maxWidth));
        start = end + 1;
    }
    return {width, static_cast<int>(std::min<qint64>(lines * metrics.lineSpacing(), 1 << 20))};
}

}  // namespace

std::unique_ptr<QDialog> makeMessageDialog(const QString& title, const QString& text, const QRect& available) {
    auto dialog = std::make_unique<QDialog>();
    dialog->setObjectName(QStringLiteral("MessageBox"));
    dialog->setWindowTitle(title);

    auto* icon = new QLabel(dialog.get());
    const int iconSize = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(dialog->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);

    // A read-only text view, looking like a box's label, wraps anywhere and scrolls.
    auto* view = new QPlainTextEdit(dialog.get());
    view->setObjectName(QStringLiteral("MessageText"));
    view->setReadOnly(true);
    view->setFrameShape(QFrame::NoFrame);
    view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    view->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    view->viewport()->setBackgroundRole(QPalette::Window);
    view->setPlainText(withLineFeeds(text));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog.get());
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(view, 1);
    auto* column = new QVBoxLayout(dialog.get());
    column->addLayout(row, 1);
    column->addWidget(buttons);

    const QSize most(static_cast<int>(available.width() * kScreenShare),
                     static_cast<int>(available.height() * kScreenShare));
    // What the box needs beside the text: icon, margins, button row and the view's own
    // document margins and scroll bar.
    const int scrollBar = view->verticalScrollBar()->sizeHint().width();
    const int documentMargin = 2 * static_cast<int>(view->document()->documentMargin()) + 4;
    const QSize chrome(column->contentsMargins().left() + column->contentsMargins().right() + iconSize +
                           row->spacing() + documentMargin + scrollBar,
                       column->contentsMargins().top() + column->contentsMargins().bottom() + column->spacing() +
                           buttons->sizeHint().height() + documentMargin);
    const QSize want = textSize(view->toPlainText(), view->fontMetrics(), most.width() - chrome.width()) + chrome;
    dialog->setMaximumSize(most);
    dialog->resize(std::min(std::max(want.width(), 240), most.width()), std::min(want.height(), most.height()));
    dialog->move(available.center() - dialog->rect().center());
    return dialog;
}

}  // namespace quilmo
