// What each key and button puts on the line, read at the far end of a pseudo-terminal
// that the window drives through the real QSerialPort.
#include <QtTest>

#include "main_window_harness.h"
#include "platform/qt_serial_port.h"
#include "pty_far_end.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

struct Session {
    FarEnd tnc;
    BasicHarness<QtSerialPortImpl> h;

    bool start(const std::string& ini = {}) {
        if (!tnc.openPair()) return false;
        for (int n = 1; n <= 8; ++n) h.writeFile("macro" + std::to_string(n) + ".txt", "M" + std::to_string(n) + "\r\n");
        h.start("DEVICE=" + tnc.slavePath + "\n" + ini);
        return h.port.isOpen();
    }
    // "type <text>" into the Tx buffer, "click <element>", "release" of an Enter pressed
    // elsewhere, or keys such as "Ctrl+Return", pressed wherever the focus is.
    void act(const QString& step) {
        const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1);
        if (verb == "type") {
            h.find("Text3")->setFocus();
            QTest::keyClicks(h.find("Text3"), arg);
        } else if (verb == "click") {
            h.click(arg);
        } else if (verb == "release") {
            QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Return);
        } else {
            const QKeyCombination key = QKeySequence::fromString(step)[0];
            QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        }
    }
};

}  // namespace

class KeysTest : public QObject {
    Q_OBJECT
private slots:
    // Every session ends with "." sent by F12, so bytes that should not have gone out
    // show up before it.
    void keys_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("left");  // in the Tx buffer afterwards
        for (const char* mods : {"", "Shift+", "Ctrl+", "Alt+", "Shift+Ctrl+", "Shift+Alt+", "Ctrl+Alt+", "Shift+Ctrl+Alt+"}) {
            QTest::addRow("%sEnter", mods) << QStringList{"type ab", "Left", QString(mods) + "Return"} << QByteArray("a\r\nb") << "";
        }
        QTest::newRow("keypad Enter") << QStringList{"type x", "Num+Enter"} << QByteArray("x\r\n") << "";
        QTest::newRow("no-break space") << QStringList{"type a\u00a0b", "Return"} << QByteArray("a\xa0" "b\r\n") << "";
        // The Enter that closed a message box is released in the Tx buffer.
        QTest::newRow("Enter released only") << QStringList{"type k", "release"} << QByteArray("k") << "k";
        QTest::newRow("F12") << QStringList{"type abc", "F12"} << QByteArray("abc") << "";
        for (int n = 1; n <= 8; ++n) {
            const QString f = QString("F%1").arg(n);
            QTest::addRow("F%d", n) << QStringList{f, "F12"} << QString("M%1\r\n").arg(n).toLatin1() << "";
            QTest::addRow("F%d with Shift, Ctrl, Alt", n)
                << QStringList{"type k", "Shift+" + f, "Ctrl+" + f, "Alt+" + f, "Ctrl+Alt+" + f} << QByteArray("k") << "k";
        }
        QTest::newRow("F12 with Shift or Ctrl") << QStringList{"type k", "Shift+F12", "Ctrl+F12", "Alt+F12"} << QByteArray("k") << "k";
        QTest::newRow("Xoff and Xon") << QStringList{"type q", "click Label28", "click Label29"} << QByteArray("q\x13\x11") << "";
        QTest::newRow("ctrl-c and ctrl-d buttons") << QStringList{"click Label7", "click Label8", "F12"} << QByteArray("\x03\x04") << "";
    }
    void keys() {
        QFETCH(QStringList, steps);
        QFETCH(QByteArray, sent);
        QFETCH(QString, left);
        Session s;
        QVERIFY(s.start());
        for (const QString& step : steps) s.act(step);
        QCOMPARE(s.h.text("Text3"), left);
        for (const char* step : {"type .", "F12"}) s.act(step);
        QTRY_COMPARE(QByteArray::fromStdString(s.tnc.collect()), sent + ".");
    }

    // Every byte but NUL, CR and LF goes from a macro to the wire, the Tx history and
    // the Tx log as it is.
    void everyByte_fromMacroToWireHistoryAndLog() {
        std::string bytes;
        for (int b = 1; b <= 255; ++b) {
            if (b != '\r' && b != '\n') bytes += static_cast<char>(b);
        }
        QCOMPARE(bytes.size(), std::size_t{253});
        Session s;
        QVERIFY(s.start("SAVETX=1\n"));
        s.h.writeFile("macro1.txt", bytes);
        for (const char* step : {"F1", "F12"}) s.act(step);
        QTRY_COMPARE(s.tnc.collect(), bytes);
        QCOMPARE(s.h.window->txHistory().text(), bytes);
        QCOMPARE(s.h.readFile("$log_tx.txt"), "------------- 2026-12-05  14:15 -----------------\r\n" + bytes);
    }
};

QTEST_MAIN(KeysTest)
#include "keys_test.moc"
