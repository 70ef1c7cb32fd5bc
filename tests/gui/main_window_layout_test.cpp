// The console after start-up: elements found by name with their captions, tool tips
// and places, what APRS shows or hides, and what activation restores.
#include <QAbstractButton>
#include <QLabel>
#include <QtTest>
#include <cmath>

#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {
int px(double twips, double dpi = 96) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }
QRect pxRect(const QRect& twips) { return {px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())}; }
}  // namespace

class MainWindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void element_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QRect>("twips");  // a 1024 x 768 screen at 96 dpi is 15360 x 11520 twips
        QTest::newRow("exit") << "Command2" << "X" << "" << QRect(14860, 240, 255, 255);
        QTest::newRow("minimise") << "Command3" << "-" << "" << QRect(14560, 240, 255, 255);
        QTest::newRow("save tx") << "Check2" << "save Tx" << "" << QRect(13360, 240, 975, 315);
        QTest::newRow("status") << "Label6" << "COM1, 2400,n,8,1  buffer:512/32" << "" << QRect(360, 10720, 6135, 255);
        QTest::newRow("aprs start") << "Label32" << " APRS start" << "start APRS" << QRect(13610, 8760, 975, 255);
        QTest::newRow("tx view") << "Text2" << "" << "" << QRect(10320, 720, 4290, 2535);
        QTest::newRow("aprs view") << "Text7" << "" << "" << QRect(10320, 3600, 4290, 3735);
        QTest::newRow("tx buffer") << "Text3" << "" << "" << QRect(600, 7560, 9615, 1962);
        QTest::newRow("send") << "Label27" << "TX without CR/LF [F12]" << " click to send whithout CR/LR "
                              << QRect(10440, 8760, 1815, 255);
        QTest::newRow("macro F1 preview") << "Label12" << "macro F1" << "CONNECT|" << QRect(10440, 7560, 735, 255);
    }
    void element() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        QFETCH(QRect, twips);
        Harness h;
        h.writeFile("macro1.txt", "CONNECT\r\n");
        h.start("APRS=1\r\n");
        QWidget* w = h.find(name);
        if (auto* label = qobject_cast<QLabel*>(w)) QCOMPARE(label->text(), caption);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) QCOMPARE(button->text(), caption);
        QCOMPARE(w->toolTip(), toolTip);
        QCOMPARE(w->geometry(), pxRect(twips));
    }

    void otherScreen_scalesLayout() {
        Harness h;  // 1600 x 1200 pixels at 120 dpi: 19200 x 14400 twips
        h.start("", {QSize(1600, 1200), 120});
        QCOMPARE(h.window->objectName() + " " + h.window->windowTitle(), QString("Form1 Quilmo"));
        QCOMPARE(h.window->size(), QSize(1600, 1200));
        QCOMPARE(h.find("Command2")->x(), px(19200 - 500, 120));
        QCOMPARE(h.find("Label6")->y(), px(14400 - 800, 120));
    }

    void aprsSetting_showsOrHidesPanel_data() {
        QTest::addColumn<QString>("aprs");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        QTest::newRow("on, paused") << "1" << QStringList{"Text7", "Label26", "Label32", "Label33", "Label34"}
                                    << QStringList{"Label30", "Label31", "Label35"};
        QTest::newRow("off") << "0" << QStringList{}
                             << QStringList{"Text7", "Label25", "Label31", "Label32", "Label33", "Label34", "Label35"};
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

    void activationAndMinimise() {
        Harness h;
        h.start();
        QTRY_COMPARE(QApplication::focusWidget(), h.find("Text3"));
        for (int size : {12, 13, 14, 14}) {
            h.click("Label23");
            QCOMPARE(h.window->rxFontSize(), size);
        }
        for (int i = 0; i < 7; ++i) h.click("Label22");
        QCOMPARE(h.find("Text1")->font().pointSize(), 8);
        h.find("Text4")->setFocus();

        QWidget other;  // another window takes over, then the console is active again
        other.show();
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(!h.window->isActiveWindow());
        QApplication::setActiveWindow(h.window.get());
        QTRY_VERIFY(h.window->isActiveWindow());
        QCOMPARE(h.find("Text1")->font().pointSize(), 11);
        QTRY_COMPARE(QApplication::focusWidget(), h.find("Text3"));

        h.click("Command3");  // minimise: the program keeps running
        QTRY_VERIFY(h.window->windowState() & Qt::WindowMinimized);
        QCOMPARE(h.terminations, 0);
        QVERIFY(h.port.isOpen());
    }

};

QTEST_MAIN(MainWindowLayoutTest)
#include "main_window_layout_test.moc"
