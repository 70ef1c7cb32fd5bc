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

// One session at the keyboard and what it leaves: bytes on the port, the Tx view (Text2),
// the Tx buffer (Text3), the XOFF sign and message boxes.
struct Send {
    QStringList steps;
    QByteArray written;
    QString txView, buffer;
    bool stopped = false;
    QString message = {};
    std::string ini = {}, macro1 = {};
};
}  // namespace
Q_DECLARE_METATYPE(Send)

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

    // The raw Rx view behind Text1 is compared byte for byte in serial_port_test.
    void receive_data() {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QString>("shown");
        QTest::newRow("line ends across chunks") << QByteArrayList{"cmd:\r", "\nok\rx\n"} << "cmd:\nok\nx\n";
        QTest::newRow("control bytes and windows-1252") << QByteArrayList{QByteArray("\x07\x00\x13 44\xb0", 7)}
                                                        << QString::fromUtf8("^G^@^S 44°");
        // The limit itself has its unit test; this shows the cut view is what the window shows.
        QTest::newRow("56001 cut first") << QByteArrayList{QByteArray(56001, 'a'), "new"} << QString(32000, 'a') + "new";
    }
    void receive() {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QString, shown);
        Harness h;
        h.start();
        for (const QByteArray& chunk : chunks) h.port.feed(chunk.toStdString());
        QCOMPARE(h.text("Text1"), shown);
    }

    void transmit_data() {
        QTest::addColumn<Send>("send");
        QTest::newRow("enter") << Send{{"type CONNECT N0CALL", "Return"}, "CONNECT N0CALL\r\n", "CONNECT N0CALL\n", ""};
        QTest::newRow("F12 with field, clock, caret") << Send{{"Text4 N0", "type ^#V1 ^#H^c", "F12"}, "N0 14:15\x03", "N0 14:15^c", ""};
        // The XOFF button is also in the ctrl-d row, where the sign stays on.
        QTest::newRow("xon, xoff and ctrl-c buttons")
            << Send{{"click Label28", "click Label29", "click Label7", "click Label7", "F12"}, "\x13\x11\x03\x03", "^S^Q^C^C", ""};
        QTest::newRow("F1 anywhere, its button")
            << Send{{"type >", "focus Text1", "F1", "click Label12", "F12"}, ">CONNECT\r\nCONNECT\r\n", ">CONNECT\nCONNECT\n", "",
                    false, "", "", "CONNECT\r\n"};
        QTest::newRow("shift or ctrl") << Send{{"type x", "Shift+F1", "Ctrl+F1", "Shift+F12", "Ctrl+F12"}, "", "", "x",
                                               false, "", "", "M1"};
        QTest::newRow("alt+F1 shows the macro")
            << Send{{"type", "Alt+F1"}, "", "", "", false, "Quilmo: Macro nr. 1\r\n\r\nA[CR]\r[LF]B", "", "A\r\nB"};
        QTest::newRow("ctrl-d end holds until data")
            << Send{{"type abc^Ddef", "Return", "type next", "Return", "click Label28", "feed cmd:", "F12"},
                    "abc\x04next\r\n\x13", "abc^Dnext\n^S", "", true, "", "CTRLDEND=1\n"};
    }
    void transmit() {
        QFETCH(Send, send);
        Harness h;
        if (!send.macro1.empty()) h.writeFile("macro1.txt", send.macro1);
        h.start(send.ini);
        for (const QString& step : send.steps) act(h, step);
        QCOMPARE(QByteArray::fromStdString(h.port.written), send.written);
        QCOMPARE(h.text("Text2"), send.txView);
        QCOMPARE(h.text("Text3"), send.buffer);
        QCOMPARE(h.find("Label30")->isVisible(), send.stopped);
        QCOMPARE(h.messages.join('|'), send.message);
        QCOMPARE(QApplication::focusWidget(), h.find("Text3"));
    }

    void logs_headerAtStartUpPendingTextAtEnd_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("end");
        QTest::newRow("exit button") << "SAVERX=1\nSAVETX=1\n" << "click Command2";
        QTest::newRow("window closed") << "SAVERX=1\nSAVETX=1\n" << "close";
        QTest::newRow("logs off") << "" << "click Command2";
    }
    void logs_headerAtStartUpPendingTextAtEnd() {
        QFETCH(QString, ini);
        QFETCH(QString, end);
        Harness h;
        h.start(ini.toStdString());
        const auto log = [&](const std::string& body) { return ini.isEmpty() ? "<missing>" : kHeader + body; };
        QCOMPARE(h.readFile("$log_rx.txt"), log(""));
        QCOMPARE(h.readFile("$log_tx.txt"), log(""));
        h.port.feed("pending");
        for (const char* step : {"type at", "Return"}) act(h, step);
        if (end == "close") QVERIFY(h.window->close());
        else act(h, end);
        QCOMPARE(h.readFile("$log_rx.txt"), log("pending"));
        QCOMPARE(h.readFile("$log_tx.txt"), log("at\r\n"));
        QVERIFY(!h.port.isOpen());
        QCOMPARE(h.terminations, 1);
    }
};

QTEST_MAIN(MainWindowIoTest)
#include "main_window_io_test.moc"
