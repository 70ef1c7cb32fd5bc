// The line as the user works it: received bytes land in the Rx view, keys, buttons
// and macros put exact bytes on the port, and the logs follow the session to its end.
// The rules behind each step (expansion, carets, trimming, batching) have unit tests;
// these prove each key and button reaches them and the result reaches the right place.
#include <QLabel>
#include <QtTest>

#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {
const std::string kHeader = "------------- 2026-12-05  14:15 -----------------\r\n";

// One user action: "type <text>" into the Tx buffer, "Text4 <text>" into a value field,
// "click <element>", "focus <element>", "feed <bytes from the TNC>", or a key such as
// "Shift+F1" pressed wherever the focus is.
void act(Harness& h, const QString& step) {
    const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1);
    if (verb == "click") {
        h.click(arg);
    } else if (verb == "focus") {
        h.find(arg)->setFocus();
    } else if (verb == "feed") {
        h.port.feed(arg.toStdString());
    } else if (verb == "type" || verb == "Text4") {
        QWidget* target = h.find(verb == "type" ? "Text3" : "Text4");
        target->setFocus();
        QTest::keyClicks(target, arg);
    } else {
        const QKeyCombination key = QKeySequence::fromString(step)[0];
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
    }
}
}  // namespace

class MainWindowIoTest : public QObject {
    Q_OBJECT
private slots:
    void deviceLoss_shownInStatusLineUntilBack() {
        Harness h;
        h.start();
        auto* status = h.find<QLabel>("Label6");
        const QString normal = status->text();
        h.port.onConnectionChanged(false);
        QVERIFY(status->text().startsWith(normal) && status->text().contains("lost"));
        h.port.onConnectionChanged(true);
        QCOMPARE(status->text(), normal);
    }

    void receive_data() {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<QString>("shown");
        QTest::newRow("line ends across chunks") << QByteArrayList{"cmd:\r", "\nok\rx\n"}
                                                 << QByteArray("cmd:\r\nok\rx\n") << "cmd:\nok\nx\n";
        const QByteArray controls("\x07\x00\x13 44\xb0", 7);
        QTest::newRow("control bytes and windows-1252") << QByteArrayList{controls} << controls
                                                        << QString::fromUtf8("\u2407\u2400\u2413 44°");
        const QByteArray full(56000, 'a'), cut = QByteArray(32000, 'a') + "new";
        QTest::newRow("56000 kept") << QByteArrayList{full, "new"} << full + "new" << QString::fromLatin1(full + "new");
        QTest::newRow("56001 cut first") << QByteArrayList{full + "a", "new"} << cut << QString::fromLatin1(cut);
    }
    void receive() {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QByteArray, kept);
        QFETCH(QString, shown);
        Harness h;
        h.start();
        for (const QByteArray& chunk : chunks) h.port.feed(chunk.toStdString());
        QCOMPARE(QByteArray::fromStdString(h.window->rxView().text()), kept);
        QCOMPARE(h.text("Text1"), shown);
    }

    void transmit_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QByteArray>("macro1");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("txView");
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QString>("message");
        using B = QByteArray;
        using L = QStringList;
        QTest::newRow("enter") << "" << B() << L{"type CONNECT N0CALL", "Return"} << B("CONNECT N0CALL\r\n")
                               << "CONNECT N0CALL\n" << "" << false << "";
        QTest::newRow("F12 with field, clock, caret") << "" << B() << L{"Text4 N0", "type ^#V1 ^#H^c", "F12"}
                                                      << B("N0 14:15\x03") << "N0 14:15^c" << "" << false << "";
        QTest::newRow("xoff button") << "" << B() << L{"type abc", "click Label28"} << B("abc\x13") << "abc^S" << ""
                                     << true << "";
        QTest::newRow("xon button") << "" << B() << L{"click Label28", "click Label29"} << B("\x13\x11") << "^S^Q" << ""
                                    << false << "";
        QTest::newRow("ctrl-c button") << "" << B() << L{"click Label7", "click Label7", "F12"} << B("\x03\x03")
                                       << "^C^C" << "" << false << "";
        QTest::newRow("F1 anywhere, its button") << "" << B("CONNECT\r\n")
                                                 << L{"type >", "focus Text1", "F1", "click Label12", "F12"}
                                                 << B(">CONNECT\r\nCONNECT\r\n") << ">CONNECT\nCONNECT\n" << ""
                                                 << false << "";
        QTest::newRow("shift or ctrl") << "" << B("M1") << L{"type x", "Shift+F1", "Ctrl+F1", "Shift+F12", "Ctrl+F12"}
                                       << B() << "" << "x" << false << "";
        QTest::newRow("alt+F1 shows the macro") << "" << B("A\r\nB") << L{"type", "Alt+F1"} << B() << "" << "" << false
                                                << "Quilmo: Macro nr. 1\r\n\r\nA[CR]\r[LF]B";
        QTest::newRow("ctrl-d end holds until data")
            << "CTRLDEND=1\n" << B()
            << L{"type abc^Ddef", "Return", "type next", "Return", "click Label28", "feed cmd:", "F12"}
            << B("abc\x04next\r\n\x13") << "abc^Dnext\n^S" << "" << true << "";
    }
    void transmit() {
        QFETCH(QString, ini);
        QFETCH(QByteArray, macro1);
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, written);
        QFETCH(QString, txView);
        QFETCH(QString, buffer);
        QFETCH(bool, stopped);
        QFETCH(QString, message);
        Harness h;
        if (!macro1.isEmpty()) h.writeFile("macro1.txt", macro1.toStdString());
        h.start(ini.toStdString());
        for (const QString& step : steps) act(h, step);
        QCOMPARE(QByteArray::fromStdString(h.port.written), written);
        QCOMPARE(h.text("Text2"), txView);
        QCOMPARE(h.text("Text3"), buffer);
        QCOMPARE(h.find("Label30")->isVisible(), stopped);
        QCOMPARE(h.messages.join('|'), message);
        QCOMPARE(QApplication::focusWidget(), h.find("Text3"));
    }

    void logs_headerAtStartUpPendingTextAtEnd_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<bool>("byWindowClose");
        QTest::newRow("exit button") << "SAVERX=1\nSAVETX=1\n" << false;
        QTest::newRow("window closed") << "SAVERX=1\nSAVETX=1\n" << true;
        QTest::newRow("logs off") << "" << false;
    }
    void logs_headerAtStartUpPendingTextAtEnd() {
        QFETCH(QString, ini);
        QFETCH(bool, byWindowClose);
        Harness h;
        h.start(ini.toStdString());
        const auto log = [&](const std::string& body) { return ini.isEmpty() ? "<missing>" : kHeader + body; };
        QCOMPARE(h.readFile("$log_rx.txt"), log(""));
        QCOMPARE(h.readFile("$log_tx.txt"), log(""));
        h.port.feed("pending");
        act(h, "type at");
        act(h, "Return");
        if (byWindowClose) {
            QVERIFY(h.window->close());
        } else {
            h.click("Command2");
        }
        QCOMPARE(h.readFile("$log_rx.txt"), log("pending"));
        QCOMPARE(h.readFile("$log_tx.txt"), log("at\r\n"));
        QVERIFY(!h.port.isOpen());
        QCOMPARE(h.terminations, 1);
    }
};

QTEST_MAIN(MainWindowIoTest)
#include "main_window_io_test.moc"
