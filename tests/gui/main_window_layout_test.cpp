// The console as the user sees it after start-up: elements, captions, tool tips,
// colours, positions for the screen, visibility rules, focus and the Rx font size.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <cmath>

#include "app/click_label.h"
#include "app/layout.h"
#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

int px(double twips, double dpi = 96) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

// Colour of a pixel inside the element's border, away from its caption.
QColor backgroundOf(QWidget* w) {
    const QImage image = w->grab().toImage();
    return image.pixelColor(image.width() - 3, 2);
}

}  // namespace

class MainWindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void element_hasCaptionAndToolTip_data();
    void element_hasCaptionAndToolTip();
    void element_placedForScreen_data();
    void element_placedForScreen();
    void layout_followsScreenSizeAndDpi();
    void window_fillsScreenAndIsTitledQuilmo();
    void aprsOn_panelShownPaused();
    void aprsOff_panelHiddenAndTxViewFullHeight();
    void ownPosition_shownOnlyWithAprs_data();
    void ownPosition_shownOnlyWithAprs();
    void noMacros_buttonsDimmedAndIgnoreClicks();
    void tabOrder_followsConsoleOrder();
    void activation_resetsRxFontAndFocusesTxBuffer();
    void fontButtons_stayWithin8To14();
    void minimiseButton_minimisesOnly();
    void colours_matchConsole_data();
    void colours_matchConsole();
};

void MainWindowLayoutTest::element_hasCaptionAndToolTip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    const QString credit = QString::fromLatin1(MainWindow::kCreditText);
    QTest::newRow("exit") << "Command2" << "X" << "";
    QTest::newRow("minimise") << "Command3" << "-" << "";
    QTest::newRow("font smaller") << "Label22" << " - " << " font size - ";
    QTest::newRow("font larger") << "Label23" << " +" << " font size + ";
    QTest::newRow("macro F1") << "Label12" << "macro F1" << "";
    QTest::newRow("macro F8") << "Label19" << "macro F8" << "";
    QTest::newRow("send without line end") << "Label27" << "TX without CR/LF [F12]" << " click to send whithout CR/LR ";
    QTest::newRow("hour") << "Label20" << "   ^#H" << " hour ";
    QTest::newRow("day") << "Label21" << "   ^#D" << " day ";
    QTest::newRow("xoff") << "Label28" << "  Xoff^S" << "send XOff/CTRL-S";
    QTest::newRow("xon") << "Label29" << "  Xon^Q" << "send XOn/CTRL-Q";
    QTest::newRow("ctrl-c") << "Label7" << " ^C  " << "send CTRL-C";
    QTest::newRow("ctrl-d") << "Label8" << " ^D" << "send CTRL-D";
    QTest::newRow("clipboard") << "Label35" << "coord.>clipb." << "copy coord. to clipboard";
    QTest::newRow("aprs stop") << "Label31" << " APRS stop" << "stop APRS";
    QTest::newRow("aprs start") << "Label32" << " APRS start" << "start APRS";
    QTest::newRow("aprs filter") << "Label34" << " APRS filter" << "work with APRS filter";
    QTest::newRow("save rx") << "Check1" << "save Rx" << "";
    QTest::newRow("save tx") << "Check2" << "save Tx" << "";
    QTest::newRow("title") << "Label4" << "Quilmo - Serial Terminal" << credit;
    QTest::newRow("version") << "Label5" << "v.6.0" << credit;
    QTest::newRow("icon") << "Picture1" << "" << credit;
    QTest::newRow("font caption") << "Label24" << "rx font size" << "";
    QTest::newRow("rx caption") << "Label1" << "Rx" << "";
    QTest::newRow("tx caption") << "Label2" << "Tx" << "";
    QTest::newRow("aprs caption") << "Label25" << "APRS" << "";
    QTest::newRow("tx buffer caption") << "Label3" << "Tx buffer - CR to Tx/Send" << "";
    QTest::newRow("v1 caption") << "Label9" << "^#V1" << "";
    QTest::newRow("v2 caption") << "Label10" << "^#V2" << "";
    QTest::newRow("v3 caption") << "Label11" << "^#V3" << "";
    QTest::newRow("xoff indicator") << "Label30" << "         S T O P P E D" << "";
    QTest::newRow("aprs off indicator") << "Label33" << "  APRS OFF" << "";
    QTest::newRow("status") << "Label6" << "COM1, 2400,n,8,1  buffer:512/32" << "";
}

void MainWindowLayoutTest::element_hasCaptionAndToolTip() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);
    Harness h;
    h.start("APRS=1\r\n");
    QWidget* w = h.find<QWidget>(name.toLatin1().constData());
    if (auto* label = qobject_cast<QLabel*>(w); label != nullptr && name != "Picture1") {
        QCOMPARE(label->text(), caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        QCOMPARE(button->text(), caption);
    }
    QCOMPARE(w->toolTip(), toolTip);
}

void MainWindowLayoutTest::element_placedForScreen_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    // A 1024 x 768 screen at 96 dpi is 15360 x 11520 twips.
    QTest::newRow("rx view") << "Text1" << 600 << 720 << 9615 << 6615;
    QTest::newRow("tx view, aprs on") << "Text2" << 10320 << 720 << 4290 << 2535;
    QTest::newRow("aprs view") << "Text7" << 10320 << 3600 << 4290 << 3735;
    QTest::newRow("tx buffer") << "Text3" << 600 << 7560 << 9615 << 1962;
    QTest::newRow("v1 field") << "Text4" << 2040 << 9970 << 2415 << 285;
    QTest::newRow("v3 field") << "Text6" << 7320 << 9970 << 2415 << 285;
    QTest::newRow("exit") << "Command2" << 14860 << 240 << 255 << 255;
    QTest::newRow("minimise") << "Command3" << 14560 << 240 << 255 << 255;
    QTest::newRow("save tx") << "Check2" << 13360 << 240 << 975 << 315;
    QTest::newRow("save rx") << "Check1" << 8880 << 240 << 975 << 255;
    QTest::newRow("clipboard") << "Label35" << 13610 << 7560 << 975 << 255;
    QTest::newRow("aprs stop") << "Label31" << 13610 << 8400 << 975 << 255;
    QTest::newRow("aprs start") << "Label32" << 13610 << 8760 << 975 << 255;
    QTest::newRow("aprs off") << "Label33" << 13610 << 8040 << 975 << 255;
    QTest::newRow("aprs filter") << "Label34" << 13610 << 9360 << 975 << 255;
    QTest::newRow("status line") << "Label6" << 360 << 10720 << 6135 << 255;
    QTest::newRow("ctrl-c") << "Label7" << 600 << 9970 << 495 << 255;
    QTest::newRow("v2 caption") << "Label10" << 4680 << 9740 << 495 << 175;
    QTest::newRow("macro F4") << "Label15" << 13680 << 7560 << 735 << 255;
    QTest::newRow("macro F5") << "Label16" << 10440 << 8160 << 735 << 255;
    QTest::newRow("send without line end") << "Label27" << 10440 << 8760 << 1815 << 255;
    QTest::newRow("icon") << "Picture1" << 120 << 0 << 480 << 480;
    QTest::newRow("own position") << "Label26" << 11160 << 3360 << 2535 << 255;
}

void MainWindowLayoutTest::element_placedForScreen() {
    QFETCH(QString, name);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    Harness h;
    h.start("APRS=1\r\n");
    QWidget* w = h.find<QWidget>(name.toLatin1().constData());
    QCOMPARE(w->geometry(), QRect(px(left), px(top), px(width), px(height)));
}

void MainWindowLayoutTest::layout_followsScreenSizeAndDpi() {
    // 1600 x 1200 pixels at 120 dpi: 19200 x 14400 twips.
    Harness h;
    h.start("APRS=0\r\n", {QSize(1600, 1200), 120});
    QCOMPARE(h.find<QWidget>("Command2")->geometry().x(), px(19200 - 500, 120));
    QCOMPARE(h.find<QWidget>("Text2")->geometry(), QRect(px(10320, 120), px(720, 120), px(8130, 120), px(6615, 120)));
    QCOMPARE(h.find<QWidget>("Text3")->height(), px((14400 - 10000) / 3.0 + 1455, 120));
    QCOMPARE(h.find<QWidget>("Label6")->y(), px(14400 - 800, 120));
    QCOMPARE(pixelsToTwips(1024, 96), 15360.0);
}

void MainWindowLayoutTest::window_fillsScreenAndIsTitledQuilmo() {
    Harness h;
    MainWindow& w = h.start();
    QCOMPARE(w.objectName(), QString("Form1"));
    QCOMPARE(w.windowTitle(), QString("Quilmo"));
    QCOMPARE(w.size(), QSize(1024, 768));
}

void MainWindowLayoutTest::aprsOn_panelShownPaused() {
    Harness h;
    h.start("APRS=1\r\n");
    h.showAndActivate();
    for (const char* shown : {"Text7", "Label25", "Label32", "Label33", "Label34"}) {
        QVERIFY2(h.find<QWidget>(shown)->isVisible(), shown);
    }
    for (const char* hidden : {"Label31", "Label35", "Label30"}) {
        QVERIFY2(!h.find<QWidget>(hidden)->isVisible(), hidden);
    }
    QCOMPARE(h.window->aprsState().aprsStopped, 1);
}

void MainWindowLayoutTest::aprsOff_panelHiddenAndTxViewFullHeight() {
    Harness h;
    h.start();
    h.showAndActivate();
    for (const char* hidden : {"Text7", "Label25", "Label31", "Label32", "Label33", "Label34", "Label35"}) {
        QVERIFY2(!h.find<QWidget>(hidden)->isVisible(), hidden);
    }
    const QRect rx = h.find<QWidget>("Text1")->geometry();
    const QRect tx = h.find<QWidget>("Text2")->geometry();
    QCOMPARE(tx.top(), rx.top());
    QCOMPARE(tx.bottom(), rx.bottom());
    QCOMPARE(h.window->aprsState().aprsStopped, 0);
}

void MainWindowLayoutTest::ownPosition_shownOnlyWithAprs_data() {
    QTest::addColumn<QString>("aprs");
    QTest::addColumn<QString>("label");
    QTest::newRow("aprs on") << "1" << QString::fromLatin1("44\xb0" "29'30\"N   11\xb0" "20'15\"E");
    QTest::newRow("aprs off") << "0" << "";
}

void MainWindowLayoutTest::ownPosition_shownOnlyWithAprs() {
    QFETCH(QString, aprs);
    QFETCH(QString, label);
    Harness h;
    h.start("APRS=" + aprs.toStdString() + "\r\nMYLAT=44\xb0" "29'30\"N\r\nMYLONG=11\xb0" "20'15\"E\r\n");
    QCOMPARE(h.find<QLabel>("Label26")->text(), label);
    QCOMPARE(h.window->settings().myPositionSet, !label.isEmpty());
}

void MainWindowLayoutTest::noMacros_buttonsDimmedAndIgnoreClicks() {
    Harness h;
    h.start();
    h.showAndActivate();
    for (int n = 12; n <= 19; ++n) {
        auto* button = h.find<ClickLabel>(QStringLiteral("Label%1").arg(n).toLatin1().constData());
        QVERIFY(!button->isEnabled());
        QCOMPARE(button->toolTip(), QString());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QCOMPARE(h.find<QPlainTextEdit>("Text3")->toPlainText(), QString());
}

void MainWindowLayoutTest::tabOrder_followsConsoleOrder() {
    Harness h;
    h.start("APRS=1\r\n");
    h.showAndActivate();
    const QStringList order = {"Text2", "Text3", "Command2", "Check1", "Check2", "Command3",
                               "Picture1", "Text4", "Text5", "Text6", "Text1", "Text7"};
    h.find<QWidget>("Text2")->setFocus();
    for (int i = 1; i <= order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), order[i % order.size()]);
    }
    for (const char* label : {"Label7", "Label22", "Label35", "Label6"}) {
        QCOMPARE(h.find<QWidget>(label)->focusPolicy(), Qt::NoFocus);
    }
}

void MainWindowLayoutTest::activation_resetsRxFontAndFocusesTxBuffer() {
    Harness h;
    h.start("APRS=1\r\n");
    h.showAndActivate();
    auto* rx = h.find<QPlainTextEdit>("Text1");
    auto* txBuffer = h.find<QPlainTextEdit>("Text3");
    QTRY_COMPARE(QApplication::focusWidget(), txBuffer);
    QCOMPARE(rx->font().pointSize(), 11);

    QTest::mouseClick(h.find<QWidget>("Label23"), Qt::LeftButton);
    QCOMPARE(rx->font().pointSize(), 12);
    QTest::keyClicks(txBuffer, "abc");
    txBuffer->moveCursor(QTextCursor::Start);
    h.find<QWidget>("Text4")->setFocus();

    // Another window of the program takes over, then the main window is active again.
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QTRY_VERIFY(!h.window->isActiveWindow());
    QApplication::setActiveWindow(h.window.get());
    QTRY_VERIFY(h.window->isActiveWindow());

    QCOMPARE(rx->font().pointSize(), 11);
    QCOMPARE(h.window->rxFontSize(), 11);
    QTRY_COMPARE(QApplication::focusWidget(), txBuffer);
    QVERIFY(txBuffer->textCursor().atEnd());
}

void MainWindowLayoutTest::fontButtons_stayWithin8To14() {
    Harness h;
    h.start();
    h.showAndActivate();
    auto* rx = h.find<QPlainTextEdit>("Text1");
    QWidget* larger = h.find<QWidget>("Label23");
    QWidget* smaller = h.find<QWidget>("Label22");
    const int expectedUp[] = {12, 13, 14, 14};
    for (int expected : expectedUp) {
        QTest::mouseClick(larger, Qt::LeftButton);
        QCOMPARE(rx->font().pointSize(), expected);
    }
    for (int i = 0; i < 6; ++i) QTest::mouseClick(smaller, Qt::LeftButton);
    QCOMPARE(rx->font().pointSize(), 8);
    QTest::mouseClick(smaller, Qt::LeftButton);
    QCOMPARE(rx->font().pointSize(), 8);
    QCOMPARE(QApplication::focusWidget(), h.find<QWidget>("Text3"));
}

void MainWindowLayoutTest::minimiseButton_minimisesOnly() {
    Harness h;
    h.start();
    h.showAndActivate();
    QTest::mouseClick(h.find<QPushButton>("Command3"), Qt::LeftButton);
    QTRY_VERIFY(h.window->windowState() & Qt::WindowMinimized);
    QCOMPARE(h.terminations, 0);
    QCOMPARE(h.port.closeCalls, 0);
}

void MainWindowLayoutTest::colours_matchConsole_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("background");
    QTest::newRow("exit button") << "Command2" << QColor(0xFF, 0, 0);
    QTest::newRow("minimise button") << "Command3" << QColor(0x80, 0x80, 0xFF);
    QTest::newRow("xoff indicator") << "Label30" << QColor(0xFF, 0, 0);
    QTest::newRow("aprs off indicator") << "Label33" << QColor(0x80, 0, 0);
    QTest::newRow("clipboard button") << "Label35" << QColor(0, 0, 0xFF);
    QTest::newRow("ctrl-c button") << "Label7" << QColor(0, 0, 0);
}

void MainWindowLayoutTest::colours_matchConsole() {
    QFETCH(QString, name);
    QFETCH(QColor, background);
    Harness h;
    h.start("APRS=1\r\n");
    h.showAndActivate();
    QCOMPARE(backgroundOf(h.find<QWidget>(name.toLatin1().constData())), background);
}

QTEST_MAIN(MainWindowLayoutTest)
#include "main_window_layout_test.moc"
