// The console after start-up: placed as computed for the screen, showing what the APRS
// state asks for, activation restoring the font size and the focus, and message boxes on
// small screens. The layout's arithmetic and its overlap table are in layout_test.
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

#include "app/layout.h"
#include "app/message_dialog.h"
#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

class MainWindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    // The real window puts each element where the computed layout says, draws its text
    // at the same scale, cuts no caption off and leaves every shown button free to click.
    void window_followsComputedLayout_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QString>("aprs");
        QTest::addColumn<QStringList>("hidden");  // besides the XOFF sign and the notice line
        QTest::newRow("1280x1024, APRS off") << QSize(1280, 1024) << "off"
            << QStringList{"Text7", "Label25", "Label26", "Label31", "Label32", "Label33", "Label34", "Label35", "Label36",
                           "Label38", "Label39"};
        QTest::newRow("800x600, paused") << QSize(800, 600) << "paused" << QStringList{"Label31", "Label35"};
        QTest::newRow("960x540, running") << QSize(960, 540) << "running" << QStringList{"Label32", "Label33"};
    }
    void window_followsComputedLayout() {
        QFETCH(QSize, screen);
        QFETCH(QString, aprs);
        QFETCH(QStringList, hidden);
        Harness h;
        h.start(std::string("APRS=") + (aprs == "off" ? "0" : "1") + "\r\nMYLAT=44\xb0" "29'30\"N\r\nMYLONG=11\xb0" "20'15\"E\r\n",
                {screen, 96});
        if (aprs == "running") QVERIFY(h.startAprs());
        hidden << "Label30" << "Label37";
        QCOMPARE(h.find<QLabel>("Label26")->text().isEmpty(), aprs == "off");  // the own position
        const WindowLayout layout = screenLayout(screen.width(), screen.height(), 96, aprs != "off");
        QCOMPARE(h.window->size(), screen);
        QCOMPARE(h.window->fontScale(), layout.scale);
        QCOMPARE(h.find("Text3")->font().pointSizeF(), 9.75 * layout.scale);
        for (const auto& [name, px] : layout.elements) {
            QWidget* w = h.find(QString::fromStdString(name));
            QCOMPARE(w->geometry(), QRect(px.x, px.y, px.width, px.height));
            QVERIFY2(w->isVisible() != hidden.contains(w->objectName()), qPrintable(w->objectName()));
            if (!w->isVisible()) continue;
            // A caption fits whole: its width as the widget counts it, and a line of text
            // in its height (a check box's hint adds room for a focus frame).
            const bool checkBox = qobject_cast<QCheckBox*>(w) != nullptr;
            if (checkBox || qobject_cast<QLabel*>(w) != nullptr) {
                const QSize need(w->sizeHint().width(), checkBox ? w->fontMetrics().height() : w->sizeHint().height());
                QVERIFY2(need.width() <= w->width() && need.height() <= w->height(),
                         qPrintable(QString("%1 needs %2x%3").arg(w->objectName()).arg(need.width()).arg(need.height())));
            }
            QWidget* hit = h.window->childAt(w->geometry().center());
            QVERIFY2(hit == w || w->isAncestorOf(hit), qPrintable(w->objectName() + " is covered"));
        }
    }

    // Message boxes on small and large screens: the box stays on the screen, OK stays in
    // reach, a long text scrolls, and each kind of line end breaks the line once.
    void messageBox_fitsScreen_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<bool>("scrolls");
        QString lines;
        for (int i = 0; i < 200; ++i) lines += QString("A[CR]\r[LF]line %1\r\n").arg(i);
        QTest::newRow("open failure") << "/dev/ttyUSB0\r\nNo such file or directory" << QRect(0, 0, 960, 540) << false;
        QTest::newRow("200 lines, panel at the top") << lines << QRect(0, 30, 1920, 1050) << true;
        QTest::newRow("one long line, small screen") << QString(4000, 'x') << QRect(0, 0, 800, 600) << true;
    }
    void messageBox_fitsScreen() {
        QFETCH(QString, text);
        QFETCH(QRect, available);
        QFETCH(bool, scrolls);
        auto dialog = makeMessageDialog("Quilmo", text, available);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QVERIFY2(available.contains(dialog->geometry()), qPrintable(QString("%1x%2").arg(dialog->width()).arg(dialog->height())));
        auto* ok = dialog->findChild<QDialogButtonBox*>();
        QVERIFY(dialog->rect().contains(QRect(ok->mapTo(dialog.get(), QPoint()), ok->size())));
        auto* view = dialog->findChild<QPlainTextEdit*>("MessageText");
        QCOMPARE(view->verticalScrollBar()->maximum() > 0, scrolls);
        // A text that scrolls gets all the height the screen offers, wrapped lines counted.
        if (scrolls) QVERIFY(dialog->height() >= available.height() * 0.8);
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);  // long lines wrap
        QCOMPARE(view->toPlainText(), QString(text).replace("\r\n", "\n").replace('\r', '\n'));
        QTest::mouseClick(ok->buttons().front(), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }

    // Activation (font size 11, focus to the Tx buffer) follows another window of the
    // program, never a return from another application.
    void activation_data() {
        QTest::addColumn<bool>("fromFilterWindow");  // else from another application
        QTest::newRow("another application") << false;
        QTest::newRow("filter window, Ok") << true;
    }
    void activation() {
        QFETCH(bool, fromFilterWindow);
        Harness h;
        h.start("APRS=1\r\n");
        QTRY_COMPARE(QApplication::focusWidget(), h.find("Text3"));
        h.click("Label23");
        h.find("Text4")->setFocus();
        if (fromFilterWindow) {
            h.click("Label34");
            QTRY_VERIFY(h.find("Form2")->isActiveWindow());
            QTest::mouseClick(h.find("Form2")->findChild<QWidget*>("Command1"), Qt::LeftButton);
        } else {
            QApplication::setActiveWindow(nullptr);
            QTRY_VERIFY(!h.window->isActiveWindow());
            QApplication::setActiveWindow(h.window.get());
        }
        QTRY_VERIFY(h.window->isActiveWindow());
        QTRY_COMPARE(h.window->rxFontSize(), fromFilterWindow ? 11 : 12);
        QCOMPARE(h.find("Text1")->font().pointSizeF(), h.window->rxFontSize() * h.window->fontScale());
        QCOMPARE(QApplication::focusWidget(), h.find(fromFilterWindow ? "Text3" : "Text4"));
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "main_window_layout_test.moc"
