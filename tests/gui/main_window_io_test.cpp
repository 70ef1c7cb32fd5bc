// The line as the user works it: keys, buttons and macros put exact bytes on the port,
// received bytes land in the Rx view, and the logs follow the session to its end. The
// rules behind each step (expansion, carets, trimming, batching) have unit tests; these
// prove each key and button reaches them and the result reaches the right place.
#include <QtTest>

#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

// One user action: "type <text>" into the Tx buffer, "Text4 <text>" into a value field,
// "click <element>", "focus <element>", "feed <bytes from the TNC>", "release" of an
// Enter pressed elsewhere, or a key such as "Shift+F1" pressed wherever the focus is.
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
    } else if (verb == "release") {
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Return);
    } else {
        const QKeyCombination key = QKeySequence::fromString(step)[0];
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
    }
}

// One session at the keyboard and what it leaves: bytes on the port, the Tx view (Text2),
// the Tx buffer (Text3), the XOFF sign and message boxes. macroN.txt holds "MN" CR LF.
struct Send {
    QStringList steps;
    QByteArray written;
    QString txView, buffer;
    bool stopped = false;
    QString message = {};
    std::string ini = {};
};
}  // namespace
Q_DECLARE_METATYPE(Send)

class MainWindowIoTest : public QObject {
    Q_OBJECT
private slots:
    // The Rx view is cut before a chunk goes in, so it stands over the limit until the next
    // one. The raw view behind Text1 is compared byte for byte in serial_port_test.
    void receive_cutBeforeAppendAcrossChunks() {
        Harness h;
        h.start();
        h.port.feed(std::string(55999, 'a') + "cmd:\r");
        QCOMPARE(h.window->rxView().text().size(), std::size_t{56004});
        h.port.feed("\nok");
        QCOMPARE(h.text("Text1"), QString(31995, 'a') + "cmd:\nok");
    }

    void transmit_data() {
        QTest::addColumn<Send>("send");
        // Every Enter is the same line break, sent on its release, whatever is held.
        for (const char* mods : {"", "Shift+", "Ctrl+", "Alt+", "Shift+Ctrl+", "Shift+Alt+", "Ctrl+Alt+", "Shift+Ctrl+Alt+"})
            QTest::addRow("%sEnter", mods) << Send{{"type ab", "Left", QString(mods) + "Return"}, "a\r\nb", "a\nb", ""};
        QTest::newRow("keypad Enter, no-break space")
            << Send{{"type a\u00a0b", "Num+Enter"}, "a\xa0" "b\r\n", "a\u00a0b\n", ""};
        // The Enter that closed a message box is released in the Tx buffer.
        QTest::newRow("Enter released only") << Send{{"type k", "release"}, "", "", "k"};
        QTest::newRow("F12 with field, clock, caret") << Send{{"Text4 N0", "type ^#V1 ^#H^c", "F12"}, "N0 14:15\x03", "N0 14:15^c", ""};
        // The XOFF button is also in the ctrl-d row, where the sign stays on.
        QTest::newRow("xon, xoff, ctrl-c and ctrl-d buttons")
            << Send{{"click Label28", "click Label29", "click Label7", "click Label8", "F12"}, "\x13\x11\x03\x04", "^S^Q^C^D", ""};
        for (int n = 1; n <= 8; ++n)
            QTest::addRow("F%d", n) << Send{{QString("F%1").arg(n), "F12"}, QString("M%1\r\n").arg(n).toLatin1(), QString("M%1\n").arg(n), ""};
        QTest::newRow("F1 anywhere, its button")
            << Send{{"type >", "focus Text1", "F1", "click Label12", "F12"}, ">M1\r\nM1\r\n", ">M1\nM1\n", ""};
        QTest::newRow("shift or ctrl")
            << Send{{"type x", "Shift+F1", "Ctrl+F1", "Ctrl+Alt+F8", "Shift+F12", "Ctrl+F12", "Alt+F12"}, "", "", "x"};
        QTest::newRow("alt+F8 shows the macro") << Send{{"type", "Alt+F8"}, "", "", "", false, "Quilmo: Macro nr. 8\r\n\r\nM8[CR]\r[LF]"};
        QTest::newRow("ctrl-d end holds until data")
            << Send{{"type abc^Ddef", "Return", "type next", "Return", "click Label28", "feed cmd:", "F12"},
                    "abc\x04next\r\n\x13", "abc^Dnext\n^S", "", true, "", "CTRLDEND=1\n"};
    }
    void transmit() {
        QFETCH(Send, send);
        Harness h;
        for (int n = 1; n <= 8; ++n) h.writeFile("macro" + std::to_string(n) + ".txt", "M" + std::to_string(n) + "\r\n");
        h.start(send.ini);
        for (const QString& step : send.steps) act(h, step);
        QCOMPARE(QByteArray::fromStdString(h.port.written), send.written);
        QCOMPARE(h.text("Text2"), send.txView);
        QCOMPARE(h.text("Text3"), send.buffer);
        QCOMPARE(h.find("Label30")->isVisible(), send.stopped);
        QCOMPARE(h.messages.join('|'), send.message);
        QCOMPARE(QApplication::focusWidget(), h.find("Text3"));
    }

    // Text under a batch waits until the session ends or the line has been quiet for two seconds.
    void logs_headerAtStartUpPendingTextAtEndOrAfterQuiet_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("end");
        QTest::newRow("exit button") << "SAVERX=1\nSAVETX=1\n" << "exit";
        QTest::newRow("window closed") << "SAVERX=1\nSAVETX=1\n" << "close";
        QTest::newRow("quiet line") << "SAVERX=1\nSAVETX=1\n" << "quiet";
        QTest::newRow("logs off") << "" << "exit";
    }
    void logs_headerAtStartUpPendingTextAtEndOrAfterQuiet() {
        QFETCH(QString, ini);
        QFETCH(QString, end);
        Harness h;
        h.start(ini.toStdString());
        const auto log = [&](const std::string& body) { return ini.isEmpty() ? "<missing>" : kLogHeader + body; };
        h.port.feed("pending");
        h.send("at");
        QCOMPARE(h.readFile("$log_rx.txt") + h.readFile("$log_tx.txt"), log("") + log(""));
        if (end == "close") QVERIFY(h.window->close());
        if (end == "exit") h.click("Command2");
        QTRY_COMPARE_WITH_TIMEOUT(h.readFile("$log_rx.txt"), log("pending"), 5000);
        QCOMPARE(h.readFile("$log_tx.txt"), log("at\r\n"));
        QCOMPARE(h.port.isOpen(), end == "quiet");
        QCOMPARE(h.terminations, end == "quiet" ? 0 : 1);
    }
};

QTEST_MAIN(MainWindowIoTest)
#include "main_window_io_test.moc"
