// The line as the user works it: what arrives shows up exactly, what is typed or
// clicked goes out as exactly these bytes, the port's failures reach the status line.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

class MainWindowIoTest : public QObject {
    Q_OBJECT
private slots:
    void portSetUp_takesConfiguredParameters_data();
    void portSetUp_takesConfiguredParameters();
    void openFailure_oneMessageAndRunsOn_data();
    void openFailure_oneMessageAndRunsOn();
    void deviceLoss_shownInStatusLine();

    void receive_keepsExactBytesAndShowsLines_data();
    void receive_keepsExactBytesAndShowsLines();
    void receive_emptyNotificationChangesNothing();
    void receive_trimsBeforeAppendingAbove56000_data();
    void receive_trimsBeforeAppendingAbove56000();

    void enter_sendsLineWithCrLf();
    void f12_sendsBufferWithoutLineEnd();
    void buttons_putExactBytesOnLine_data();
    void buttons_putExactBytesOnLine();
    void xoffXon_toggleStoppedIndicator();
    void placeholders_expandedInSentTextAndHistory();
    void ctrlDEnd_holdsUntilDataArrives();
    void closedPort_stillFillsHistoryAndEmptiesBuffer();
    void history_trimsAfterAppendingAbove56000();
};

void MainWindowIoTest::portSetUp_takesConfiguredParameters_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QChar>("parity");
    QTest::addColumn<int>("flow");
    QTest::addColumn<bool>("rts");
    QTest::addColumn<QString>("status");
    QTest::newRow("defaults") << "" << "/dev/ttyS0" << 2400 << QChar('n') << 0 << false
                              << "COM1, 2400,n,8,1  buffer:512/32";
    QTest::newRow("everything on") << "COM=3\nBAUD=9600\nPARITY=e\nXONXOFF=1\nRTS=1\n" << "/dev/ttyS2" << 9600
                                   << QChar('e') << 3 << true << "COM3, 9600,e,8,1,XonXoff,RTS  buffer:512/32";
    QTest::newRow("device path") << "DEVICE=/dev/ttyUSB0\nRTS=1\n" << "/dev/ttyUSB0" << 2400 << QChar('n') << 2
                                 << true << "/dev/ttyUSB0, 2400,n,8,1,RTS  buffer:512/32";
}

void MainWindowIoTest::portSetUp_takesConfiguredParameters() {
    QFETCH(QString, ini);
    QFETCH(QString, device);
    QFETCH(int, baud);
    QFETCH(QChar, parity);
    QFETCH(int, flow);
    QFETCH(bool, rts);
    QFETCH(QString, status);
    Harness h;
    h.start(ini.toStdString());
    QCOMPARE(h.port.openCalls, 1);
    QCOMPARE(QString::fromStdString(h.port.opened.devicePath), device);
    QCOMPARE(h.port.opened.baudRate, baud);
    QCOMPARE(QChar(h.port.opened.parity), parity);
    QCOMPARE(h.port.opened.flowControl, flow);
    QCOMPARE(h.port.opened.rtsOn, rts);
    QVERIFY(h.port.opened.dtrOn);
    QCOMPARE(h.find<QLabel>("Label6")->text(), status);
    QVERIFY(h.messages.isEmpty());
}

void MainWindowIoTest::openFailure_oneMessageAndRunsOn_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("port number") << "COM=3\n" << "COM3";
    QTest::newRow("device path") << "DEVICE=/dev/quilmo-none\n" << "/dev/quilmo-none";
}

void MainWindowIoTest::openFailure_oneMessageAndRunsOn() {
    QFETCH(QString, ini);
    QFETCH(QString, firstLine);
    Harness h;
    h.port.failOpen = true;
    h.port.openError = "Permission denied";
    h.start(ini.toStdString());
    QCOMPARE(h.messages.size(), 1);
    QCOMPARE(h.messageTitles.front(), QString("Quilmo"));
    QCOMPARE(h.messages.front(), firstLine + "\r\nPermission denied");
}

void MainWindowIoTest::deviceLoss_shownInStatusLine() {
    Harness h;
    h.start();
    auto* status = h.find<QLabel>("Label6");
    const QString normal = status->text();
    h.port.setConnected(false);
    QVERIFY(status->text().startsWith(normal));
    QVERIFY(status->text().contains("lost"));
    h.port.setConnected(true);
    QCOMPARE(status->text(), normal);
}

void MainWindowIoTest::receive_keepsExactBytesAndShowsLines_data() {
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QString>("shown");
    QTest::newRow("crlf") << QByteArrayList{"cmd:\r\n", "ok\r\n"} << "cmd:\nok\n";
    QTest::newRow("crlf split across chunks") << QByteArrayList{"one\r", "\ntwo"} << "one\ntwo";
    QTest::newRow("lone cr and lone lf") << QByteArrayList{"a\rb\nc"} << "a\nb\nc";
    QTest::newRow("control bytes visible") << QByteArrayList{QByteArray("x\x07y\x00z", 5)}
                                           << QString("x") + QChar(0x2407) + "y" + QChar(0x2400) + "z";
    QTest::newRow("windows-1252") << QByteArrayList{"44\xb0" "30'"} << QString::fromUtf8("44°30'");
}

void MainWindowIoTest::receive_keepsExactBytesAndShowsLines() {
    QFETCH(QByteArrayList, chunks);
    QFETCH(QString, shown);
    Harness h;
    h.start();
    std::string all;
    for (const QByteArray& chunk : chunks) {
        h.port.feed(chunk.toStdString());
        all += chunk.toStdString();
    }
    QCOMPARE(h.window->rxView().text(), all);
    QCOMPARE(h.find<QPlainTextEdit>("Text1")->toPlainText(), shown);
}

void MainWindowIoTest::receive_emptyNotificationChangesNothing() {
    Harness h;
    h.start("CTRLDEND=1\n");
    h.showAndActivate();
    QTest::keyClicks(h.find<QPlainTextEdit>("Text3"), "ab^Dcd");
    QTest::keyClick(h.find<QPlainTextEdit>("Text3"), Qt::Key_F12);
    QCOMPARE(h.window->txState().txHold, 1);
    h.port.notifyWithoutData();
    QCOMPARE(h.window->txState().txHold, 1);
    QCOMPARE(h.window->rxView().text(), std::string());
    QCOMPARE(h.find<QPlainTextEdit>("Text1")->toPlainText(), QString());
}

void MainWindowIoTest::receive_trimsBeforeAppendingAbove56000_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("expected");
    QTest::newRow("exactly 56000 keeps all") << 56000 << 56000 + 3;
    QTest::newRow("56001 keeps the last 32000") << 56001 << 32000 + 3;
}

void MainWindowIoTest::receive_trimsBeforeAppendingAbove56000() {
    QFETCH(int, before);
    QFETCH(int, expected);
    Harness h;
    h.start();
    std::string old(static_cast<std::size_t>(before), 'a');
    old.back() = 'Z';  // the newest old byte survives any trim
    old.front() = 'F';
    h.port.feed(old);
    h.port.feed("new");
    const std::string& text = h.window->rxView().text();
    QCOMPARE(static_cast<int>(text.size()), expected);
    QVERIFY(text.ends_with("Znew"));
    QCOMPARE(text.front() == 'F', before == 56000);
    QCOMPARE(h.find<QPlainTextEdit>("Text1")->toPlainText().size(), expected);
}

void MainWindowIoTest::enter_sendsLineWithCrLf() {
    Harness h;
    h.start();
    h.showAndActivate();
    auto* buffer = h.find<QPlainTextEdit>("Text3");
    QTest::keyClicks(buffer, "CONNECT N0CALL");
    QTest::keyClick(buffer, Qt::Key_Return);
    QCOMPARE(h.port.written, std::string("CONNECT N0CALL\r\n"));
    QCOMPARE(buffer->toPlainText(), QString());
    QCOMPARE(h.window->txHistory().text(), std::string("CONNECT N0CALL\r\n"));
    QCOMPARE(h.find<QPlainTextEdit>("Text2")->toPlainText(), QString("CONNECT N0CALL\n"));

    // Shift+Enter and the keypad Enter send too.
    QTest::keyClicks(buffer, "a");
    QTest::keyClick(buffer, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClicks(buffer, "b");
    QTest::keyClick(buffer, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(h.port.written, std::string("CONNECT N0CALL\r\na\r\nb\r\n"));
    QCOMPARE(QApplication::focusWidget(), buffer);
}

void MainWindowIoTest::f12_sendsBufferWithoutLineEnd() {
    Harness h;
    h.start();
    h.showAndActivate();
    auto* buffer = h.find<QPlainTextEdit>("Text3");
    QTest::keyClicks(buffer, "^c^Cx^x");
    // F12 works wherever the focus is.
    QTest::keyClick(h.find<QPlainTextEdit>("Text1"), Qt::Key_F12);
    QCOMPARE(h.port.written, std::string("\x03\x03x^x"));
    QCOMPARE(h.window->txHistory().text(), std::string("^c^Cx^x"));
    QCOMPARE(buffer->toPlainText(), QString());

    // With a modifier F12 does nothing, and the edit never sees it.
    QTest::keyClicks(buffer, "q");
    QTest::keyClick(buffer, Qt::Key_F12, Qt::ShiftModifier);
    QTest::keyClick(buffer, Qt::Key_F12, Qt::ControlModifier);
    QCOMPARE(h.port.written, std::string("\x03\x03x^x"));
    QCOMPARE(buffer->toPlainText(), QString("q"));
}

void MainWindowIoTest::buttons_putExactBytesOnLine_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("history");
    QTest::newRow("ctrl-c twice then F12") << "" << QStringList{"Label7", "Label7", "Label27"} << QByteArray("\x03\x03")
                                           << "^C^C";
    QTest::newRow("ctrl-d then F12") << "" << QStringList{"Label8", "Label27"} << QByteArray("\x04") << "^D";
    QTest::newRow("typed then xoff") << "abc" << QStringList{"Label28"} << QByteArray("abc\x13") << "abc^S";
    QTest::newRow("xon") << "" << QStringList{"Label29"} << QByteArray("\x11") << "^Q";
    QTest::newRow("hour then F12") << "t=" << QStringList{"Label20", "Label27"} << QByteArray("t=14:15") << "t=14:15";
    QTest::newRow("day then F12") << "" << QStringList{"Label21", "Label27"} << QByteArray("2026-12-05")
                                  << "2026-12-05";
}

void MainWindowIoTest::buttons_putExactBytesOnLine() {
    QFETCH(QString, typed);
    QFETCH(QStringList, clicks);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, history);
    Harness h;
    h.start();
    h.showAndActivate();
    auto* buffer = h.find<QPlainTextEdit>("Text3");
    QTest::keyClicks(buffer, typed);
    for (const QString& name : clicks) {
        QTest::mouseClick(h.find<QWidget>(name.toLatin1().constData()), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), buffer);
        QVERIFY(buffer->textCursor().atEnd());
    }
    QCOMPARE(QByteArray::fromStdString(h.port.written), bytes);
    QCOMPARE(QString::fromStdString(h.window->txHistory().text()), history);
    QCOMPARE(buffer->toPlainText(), QString());
}

void MainWindowIoTest::xoffXon_toggleStoppedIndicator() {
    Harness h;
    h.start();
    h.showAndActivate();
    QWidget* stopped = h.find<QWidget>("Label30");
    QVERIFY(!stopped->isVisible());
    QTest::mouseClick(h.find<QWidget>("Label28"), Qt::LeftButton);
    QVERIFY(stopped->isVisible());
    QTest::mouseClick(h.find<QWidget>("Label29"), Qt::LeftButton);
    QVERIFY(!stopped->isVisible());
    // Both in one text: hidden.
    QTest::keyClicks(h.find<QPlainTextEdit>("Text3"), "^S^Q");
    QTest::mouseClick(h.find<QWidget>("Label28"), Qt::LeftButton);
    QVERIFY(!stopped->isVisible());
}

void MainWindowIoTest::placeholders_expandedInSentTextAndHistory() {
    Harness h;
    h.start();
    h.showAndActivate();
    QTest::keyClicks(h.find<QLineEdit>("Text4"), "^#H");
    QTest::keyClicks(h.find<QLineEdit>("Text6"), "^#V1");
    auto* buffer = h.find<QPlainTextEdit>("Text3");
    buffer->setFocus();
    QTest::keyClicks(buffer, "[^#V1][^#v3][^#D]");
    QTest::keyClick(buffer, Qt::Key_Return);
    QCOMPARE(h.port.written, std::string("[14:15][^#V1][2026-12-05]\r\n"));
    QCOMPARE(h.window->txHistory().text(), h.port.written);
}

void MainWindowIoTest::ctrlDEnd_holdsUntilDataArrives() {
    Harness h;
    h.start("CTRLDEND=1\n");
    h.showAndActivate();
    auto* buffer = h.find<QPlainTextEdit>("Text3");
    QTest::keyClicks(buffer, "abc^Ddef");
    QTest::keyClick(buffer, Qt::Key_Return);
    QCOMPARE(h.port.written, std::string("abc\x04"));
    QCOMPARE(h.window->txHistory().text(), std::string("abc^D"));
    QCOMPARE(buffer->toPlainText(), QString());

    // Held: Enter, F12 and XOFF send nothing and the text stays.
    QTest::keyClicks(buffer, "next");
    QTest::keyClick(buffer, Qt::Key_Return);
    QTest::keyClick(buffer, Qt::Key_F12);
    QTest::mouseClick(h.find<QWidget>("Label28"), Qt::LeftButton);
    QCOMPARE(h.port.written, std::string("abc\x04"));
    QCOMPARE(buffer->toPlainText(), QString("next\n^S"));

    h.port.feed("cmd:");
    QCOMPARE(h.window->txState().txHold, 0);
    QTest::keyClick(buffer, Qt::Key_F12);
    QCOMPARE(h.port.written, std::string("abc\x04next\r\n\x13"));
}

void MainWindowIoTest::closedPort_stillFillsHistoryAndEmptiesBuffer() {
    Harness h;
    h.port.failOpen = true;
    h.start();
    h.showAndActivate();
    auto* buffer = h.find<QPlainTextEdit>("Text3");
    QTest::keyClicks(buffer, "abc");
    QTest::mouseClick(h.find<QWidget>("Label28"), Qt::LeftButton);
    QCOMPARE(h.port.written, std::string());
    QCOMPARE(h.window->txHistory().text(), std::string("abc^S"));
    QCOMPARE(buffer->toPlainText(), QString());
    QVERIFY(h.find<QWidget>("Label30")->isVisible());
}

void MainWindowIoTest::history_trimsAfterAppendingAbove56000() {
    Harness h;
    h.start();
    h.showAndActivate();
    auto* buffer = h.find<QPlainTextEdit>("Text3");
    buffer->setPlainText(QString(55999, 'h'));
    QTest::keyClick(buffer, Qt::Key_F12);
    QCOMPARE(h.window->txHistory().text().size(), std::size_t{55999});
    buffer->setPlainText("12");  // 56001 after the append
    QTest::keyClick(buffer, Qt::Key_F12);
    const std::string& text = h.window->txHistory().text();
    QCOMPARE(text.size(), std::size_t{32000});
    QVERIFY(text.ends_with("h12"));
    QCOMPARE(h.find<QPlainTextEdit>("Text2")->toPlainText().size(), 32000);
}

QTEST_MAIN(MainWindowIoTest)
#include "main_window_io_test.moc"
