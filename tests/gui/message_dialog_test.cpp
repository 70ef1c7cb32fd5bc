// Message boxes on small and large screens: the box stays on the screen, OK stays in
// reach, a long text scrolls, and each kind of line end breaks the line once.
#include <QDialog>
#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

#include "app/message_dialog.h"

using quilmo::makeMessageDialog;

class MessageDialogTest : public QObject {
    Q_OBJECT
private slots:
    void fitsScreen_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<bool>("scrolls");
        QString lines;
        for (int i = 0; i < 200; ++i) lines += QString("A[CR]\r[LF]line %1\r\n").arg(i);
        QTest::newRow("open failure") << "/dev/ttyUSB0\r\nNo such file or directory" << QRect(0, 0, 960, 540) << false;
        QTest::newRow("200 lines, small screen") << lines << QRect(0, 0, 960, 540) << true;
        QTest::newRow("200 lines, panel at the top") << lines << QRect(0, 30, 1920, 1050) << true;
        QTest::newRow("one long line") << QString(4000, 'x') << QRect(0, 0, 800, 600) << true;
    }
    void fitsScreen() {
        QFETCH(QString, text);
        QFETCH(QRect, available);
        QFETCH(bool, scrolls);
        auto dialog = makeMessageDialog("Quilmo", text, available);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QCOMPARE(dialog->windowTitle(), QString("Quilmo"));
        QVERIFY2(available.contains(dialog->geometry()), qPrintable(QString("%1x%2").arg(dialog->width()).arg(dialog->height())));
        auto* ok = dialog->findChild<QDialogButtonBox*>();
        QVERIFY(dialog->rect().contains(QRect(ok->mapTo(dialog.get(), QPoint()), ok->size())));
        auto* view = dialog->findChild<QPlainTextEdit*>("MessageText");
        QCOMPARE(view->verticalScrollBar()->maximum() > 0, scrolls);
        // A text that scrolls gets all the height the screen offers, wrapped lines counted.
        if (scrolls) QVERIFY(dialog->height() >= available.height() * 0.8);
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);  // long lines wrap
        QString shown = text;
        shown.replace("\r\n", "\n").replace('\r', '\n');
        QCOMPARE(view->toPlainText(), shown);
        QTest::mouseClick(ok->buttons().front(), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(MessageDialogTest)
#include "message_dialog_test.moc"
