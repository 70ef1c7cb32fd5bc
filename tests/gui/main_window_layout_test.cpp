// The console after start-up: elements found by name with their captions and tool
// tips, placed as computed for the screen, what APRS shows or hides, and when
// activation restores the font size and the focus; message boxes on small screens.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QLabel>
#include <QtTest>

#include "app/layout.h"
#include "app/message_dialog.h"
#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

class MainWindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void element_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("exit") << "Command2" << "X" << "";
        QTest::newRow("minimise") << "Command3" << "-" << "";
        QTest::newRow("save tx") << "Check2" << "save Tx" << "";
        QTest::newRow("status") << "Label6" << "COM1, 2400,n,8,1  buffer:512/32" << "";
        QTest::newRow("aprs start") << "Label32" << " APRS start" << "start APRS";
        QTest::newRow("send") << "Label27" << "TX without CR/LF [F12]" << " click to send whithout CR/LR ";
        QTest::newRow("macro F1 preview") << "Label12" << "macro F1" << "CONNECT|";
    }
    void element() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        Harness h;
        h.writeFile("macro1.txt", "CONNECT\r\n");
        h.start("APRS=1\r\n");
        QCOMPARE(h.window->objectName() + " " + h.window->windowTitle(), QString("Form1 Quilmo"));
        QWidget* w = h.find(name);
        if (auto* label = qobject_cast<QLabel*>(w)) QCOMPARE(label->text(), caption);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) QCOMPARE(button->text(), caption);
        QCOMPARE(w->toolTip(), toolTip);
    }

    // The real window puts each element where the computed layout says, draws its text
    // at the same scale, cuts no caption off and leaves every button free to click.
    void window_followsComputedLayout_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<bool>("running");
        QTest::newRow("1024x768, paused") << QSize(1024, 768) << false;
        QTest::newRow("960x540, running") << QSize(960, 540) << true;
        QTest::newRow("800x600, paused") << QSize(800, 600) << false;
        QTest::newRow("1280x1024, running") << QSize(1280, 1024) << true;
    }
    void window_followsComputedLayout() {
        QFETCH(QSize, screen);
        QFETCH(bool, running);
        Harness h;
        h.start("APRS=1\r\nMYLAT=44\xb0" "29'30\"N\r\nMYLONG=11\xb0" "20'15\"E\r\n", {screen, 96});
        if (running) h.click("Label32");
        const WindowLayout layout = screenLayout(screen.width(), screen.height(), 96, true);
        QCOMPARE(h.window->size(), screen);
        QCOMPARE(h.window->fontScale(), layout.scale);
        QCOMPARE(h.find("Text3")->font().pointSizeF(), 9.75 * layout.scale);
        for (const auto& [name, px] : layout.elements) {
            QWidget* w = h.window->findChild<QWidget*>(QString::fromStdString(name));
            if (w == nullptr) continue;  // an element this build does not have
            QCOMPARE(w->geometry(), QRect(px.x, px.y, px.width, px.height));
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
        QTest::newRow("200 lines, small screen") << lines << QRect(0, 0, 960, 540) << true;
        QTest::newRow("200 lines, panel at the top") << lines << QRect(0, 30, 1920, 1050) << true;
        QTest::newRow("one long line") << QString(4000, 'x') << QRect(0, 0, 800, 600) << true;
    }
    void messageBox_fitsScreen() {
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

    void aprsSetting_showsOrHidesPanel_data() {
        QTest::addColumn<QString>("aprs");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        QTest::newRow("on, paused") << "1" << QStringList{"Text7", "Label26", "Label32", "Label33", "Label34"}
                                    << QStringList{"Label30", "Label31", "Label35"};
        QTest::newRow("off") << "0" << QStringList{}
                             << QStringList{"Text7", "Label25", "Label26", "Label31", "Label32", "Label33", "Label34", "Label35"};
    }
    void aprsSetting_showsOrHidesPanel() {
        QFETCH(QString, aprs);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        Harness h;
        h.start("APRS=" + aprs.toStdString() + "\r\nMYLAT=44\xb0" "29'30\"N\r\nMYLONG=11\xb0" "20'15\"E\r\n");
        for (const QString& name : shown) QVERIFY2(h.find(name)->isVisible(), qPrintable(name));
        for (const QString& name : hidden) QVERIFY2(!h.find(name)->isVisible(), qPrintable(name));
        // Without APRS the own position is not shown and the Tx view takes the full height.
        QCOMPARE(h.find<QLabel>("Label26")->text().isEmpty(), aprs == "0");
        QCOMPARE(h.find("Text2")->height() == h.find("Text1")->height(), aprs == "0");
    }

    // Activation (font size 11, focus to the Tx buffer) follows another window of the
    // program, never a return from another application.
    void activation_data() {
        QTest::addColumn<QString>("away");
        QTest::addColumn<bool>("activates");
        QTest::newRow("another application") << "application" << false;
        QTest::newRow("a window of the program, closed") << "window" << true;
        QTest::newRow("filter window, Ok") << "filter" << true;
    }
    void activation() {
        QFETCH(QString, away);
        QFETCH(bool, activates);
        Harness h;
        h.start("APRS=1\r\n");
        QTRY_COMPARE(QApplication::focusWidget(), h.find("Text3"));
        h.click("Label23");
        h.find("Text4")->setFocus();
        QWidget other;
        if (away == "application") {
            QApplication::setActiveWindow(nullptr);
            QTRY_VERIFY(!h.window->isActiveWindow());
            QApplication::setActiveWindow(h.window.get());
        } else if (away == "window") {
            other.show();
            QApplication::setActiveWindow(&other);
            QTRY_VERIFY(!h.window->isActiveWindow());
            other.close();
        } else {
            h.click("Label34");
            auto* filter = h.find("Form2");
            QTRY_VERIFY(filter->isActiveWindow());
            QTest::mouseClick(filter->findChild<QWidget*>("Command1"), Qt::LeftButton);
        }
        QTRY_VERIFY(h.window->isActiveWindow());
        QTRY_COMPARE(h.window->rxFontSize(), activates ? 11 : 12);
        QCOMPARE(h.find("Text1")->font().pointSizeF(), h.window->rxFontSize() * h.window->fontScale());
        QCOMPARE(QApplication::focusWidget(), h.find(activates ? "Text3" : "Text4"));
    }

    void fontButtonsAndMinimise() {
        Harness h;
        h.start();
        for (int size : {12, 13, 14, 14}) {
            h.click("Label23");
            QCOMPARE(h.window->rxFontSize(), size);
        }
        for (int i = 0; i < 7; ++i) h.click("Label22");
        QCOMPARE(h.window->rxFontSize(), 8);
        h.click("Command3");  // minimise: the program keeps running
        QTRY_VERIFY(h.window->windowState() & Qt::WindowMinimized);
        QCOMPARE(h.terminations, 0);
        QVERIFY(h.port.isOpen());
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "main_window_layout_test.moc"
