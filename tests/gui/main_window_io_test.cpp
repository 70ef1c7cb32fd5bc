// The line as the user works it: keys, buttons and macros put exact bytes on the port,
// received bytes land in the Rx view, and the logs follow the session to its end. The
// rules behind each step (expansion, carets, trimming, batching) have unit tests; these
// prove each key and button reaches them and the result reaches the right place.
// Last, files that cannot be written reach the notice line. A disk that fills and frees
// while APRS decodes, and the logs' timers, are tested on the session; what the writers
// keep and undo is unit-tested. Stop signals: faults_binary_test.
#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "main_window_harness.h"
#include "plain_text.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

std::string position(int n) {
    return QString::asprintf("S%02d>APRS:!44%02d.60N/01120.10E-\r\n", n, n % 60).toStdString();
}

QString notice(const Harness& h) {
    auto* line = h.find<QLabel>("Label37");
    return line->isVisible() ? shownToolTip(line->toolTip()) : QString();
}


// One user action: "type <text>" into the Tx buffer, "Text4 <text>" into a value field,
// "click <element>", "ok" in the filter window, "focus <element>", "feed <bytes from the
// TNC>", "release" of an Enter pressed elsewhere, or a key such as "Shift+F1" pressed
// wherever the focus is.
void act(Harness& h, const QString& step) {
    const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1);
    if (verb == "click") {
        h.click(arg);
    } else if (verb == "ok") {
        QTest::mouseClick(h.find("Form2")->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    } else if (verb == "focus") {
        h.find(arg)->setFocus();
    } else if (verb == "feed") {
        h.port.feed(arg.toStdString());
    } else if (verb == "type" || verb == "Text4") {
        QWidget* target = h.find(verb == "type" ? "Text3" : "Text4");
        target->setFocus();
        for (const QChar c : arg) {
            if (c.unicode() < 0x80) {
                QTest::keyClicks(target, QString(c));
                continue;
            }
            // A key QTest has no name for, as an input method delivers it.
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
        }
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
    bool deviceMissing = false;
};
}  // namespace
Q_DECLARE_METATYPE(Send)

class MainWindowIoTest : public QObject {
    Q_OBJECT
private slots:
    // The Rx view is cut before a chunk goes in, so it stands over the limit until the next
    // one. The raw view behind Text1 is compared byte for byte in the port tests.
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
        // Only what the user sends goes out: the filter window pauses the TNC with XOFF and
        // XON alone, and what waits in the Tx buffer (a macro that would run on the TNC) stays.
        QTest::newRow("APRS start and Ok with text waiting")
            << Send{{"type DISCONNECT", "F1", "click Label32", "ok"}, "\x13\x11", "^S^Q", "DISCONNECTM1\n", false, "", "APRS=1\n"};
        QTest::newRow("APRS filter and Ok with text waiting")
            << Send{{"click Label32", "ok", "type half", "click Label34", "ok"}, "\x13\x11\x13\x11", "^S^Q^S^Q", "half", false, "", "APRS=1\n"};
        QTest::newRow("APRS start on a KISS TNC")
            << Send{{"type x", "click Label32", "ok"}, "", "", "x", false, "", "APRS=1\nKISS=1\nMYCALL=N0CALL\n"};
        // A line Windows-1252 cannot hold goes out whole as UTF-8; one it can, as Windows-1252.
        QTest::newRow("UTF-8 line") << Send{{"type 73 \u2713 Citt\u00e0", "Return", "type Citt\u00e0", "F12"},
                                            "73 \xE2\x9C\x93 Citt\xC3\xA0\r\nCitt\xE0", "73 \u2713 Citt\u00e0\nCitt\u00e0", ""};
        // With the link down nothing is shown or logged as sent: the text waits in the buffer.
        const QString missing = "Quilmo: COM1 (/dev/ttyS0)\r\nNo such file or directory|";
        const QString down = "Quilmo: Nothing was sent: COM1 is not connected. The text stays in the Tx buffer.";
        QTest::newRow("link down, text") << Send{{"type hello", "Return", "click Label28"}, "", "", "hello\n^S", false,
                                                 missing + down + "|" + down, "", true};
        QTest::newRow("link down, KISS") << Send{{"type hello", "Return"}, "", "", "hello\n", false, missing + down,
                                                 "KISS=1\nMYCALL=N0CALL\n", true};
        QTest::newRow("link down, filter window sends nothing")
            << Send{{"type x", "click Label32", "ok"}, "", "", "x", false, missing.chopped(1), "APRS=1\n", true};
        QTest::newRow("UNPROTO AX.25 cannot carry")
            << Send{{"type K", "Return", "type hi", "Return"}, "", "K\n", "hi\n", false,
                    "Quilmo: UNPROTO=APZQLM VIA WIDE1-1* cannot be used: WIDE1-1* is no callsign (1 to 6 letters or "
                    "digits, SSID 0 to 15). Nothing is sent until it is mended.",
                    "KISS=1\nMYCALL=N0CALL\nUNPROTO=APZQLM VIA WIDE1-1*\n"};
        QTest::newRow("ctrl-d end holds until data")
            << Send{{"type abc^Ddef", "Return", "type next", "Return", "click Label28", "feed cmd:", "F12"},
                    "abc\x04next\r\n\x13", "abc^Dnext\n^S", "", true, "", "CTRLDEND=1\n"};
    }
    void transmit() {
        QFETCH(Send, send);
        Harness h;
        for (int n = 1; n <= 8; ++n) h.writeFile("macro" + std::to_string(n) + ".txt", "M" + std::to_string(n) + "\r\n");
        h.port.failOpen = send.deviceMissing;
        h.start(send.ini + "SAVETX=1\n");
        for (const QString& step : send.steps) act(h, step);
        QCOMPARE(QByteArray::fromStdString(h.port.written), send.written);
        QCOMPARE(h.text("Text2"), send.txView);
        QCOMPARE(h.text("Text3"), send.buffer);
        QCOMPARE(h.find("Label30")->isVisible(), send.stopped);
        QCOMPARE(h.messages.join('|'), send.message);
        QCOMPARE(QApplication::focusWidget(), h.find("Text3"));
        h.window->exitSequence();
        QCOMPARE(h.readFile("$log_tx.txt"), kLogHeader + h.window->txHistory().text());  // the log is what was shown as sent
    }

    // Settings the program cannot use are named on the notice line from the start, the
    // first in the file in front; a value is shown as the text it is, never as markup.
    void unusableSettings_noticeFromTheStart() {
        const struct { std::string ini; QString notice; } rows[] = {
            {"KISS=1\nMYCALL=N0CALL\nUNPROTO=CQ VIA A,B,C,D,E,F,G,H,I\n",
             "UNPROTO=CQ VIA A,B,C,D,E,F,G,H,I cannot be used: AX.25 carries at most 8 digipeaters. "
             "Nothing is sent until it is mended."},
            {"MYCALL=IU4NEW-99\nMYLAT=44.5028\n",
             "MYCALL=IU4NEW-99 cannot be used: an SSID is 0 to 15. (and 1 more problem)"},
            {"MYCALL=<h1>X</h1>\n",
             "MYCALL=<h1>X</h1> cannot be used: a callsign is 1 to 6 letters or digits, then -SSID when needed."},
        };
        for (const auto& r : rows) {
            Harness h;
            h.start(r.ini);
            QCOMPARE(notice(h), r.notice);
            auto* line = h.find<QLabel>("Label37");
            QLabel plain;
            plain.setFont(line->font());
            plain.setTextFormat(Qt::PlainText);
            plain.setText(line->text());
            QCOMPARE(line->sizeHint(), plain.sizeHint());
        }
    }

    // A short line shortens the path (or a long value), never the reason after it.
    void longNotice_pathGivesWayReasonStays() {
        const struct { std::string ini, blocker; QString shortened; } rows[] = {
            {"APRS=1\n", "quilmo.sqlite", "Cannot open "},
            {"MYCALL=" + std::string(100, 'W') + "\n", "", "MYCALL=WWW"},
        };
        for (const auto& r : rows) {
            Harness h;
            if (!r.blocker.empty()) std::filesystem::create_directory(h.path(r.blocker).toStdString());
            h.start(r.ini);
            const QString whole = notice(h), shown = h.find<QLabel>("Label37")->text();
            const QString reason = whole.mid(whole.indexOf(" cannot be used: ") >= 0 ? whole.indexOf(" cannot be used: ")
                                                                                       : whole.indexOf("quilmo.sqlite") + 13);
            QVERIFY2(shown != whole && shown.contains(QChar(0x2026)), qPrintable(shown));
            QVERIFY2(shown.startsWith(r.shortened) && shown.endsWith(reason), qPrintable(shown + " | " + reason));
        }
    }

    // Text under a batch waits until the session ends or the line has been quiet for two
    // seconds; minimising ends nothing.
    void logs_headerAtStartUpPendingTextAtEndOrAfterQuiet_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("end");
        QTest::newRow("exit button") << "SAVERX=1\nSAVETX=1\n" << "exit";
        QTest::newRow("window closed") << "SAVERX=1\nSAVETX=1\n" << "close";
        QTest::newRow("minimised, quiet line") << "SAVERX=1\nSAVETX=1\n" << "minimise";
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
        if (end == "minimise") h.click("Command3");
        QTRY_COMPARE_WITH_TIMEOUT(h.readFile("$log_rx.txt"), log("pending"), 5000);
        QCOMPARE(h.readFile("$log_tx.txt"), log("at\r\n"));
        QCOMPARE(h.port.isOpen(), end == "minimise");
        QCOMPARE(h.terminations, end == "minimise" ? 0 : 1);
        QCOMPARE(h.window->isMinimized(), end == "minimise");
    }

    // A directory in a file's place, or a file in its folder's place, fails for every user;
    // taking it away lets the file be written.
    void fileThatCannotBeWritten_noticeNamesItUntilWrittenAgain() {
        const struct { std::string file, blocker; std::function<void(Harness&)> write; } rows[] = {
            {"$log_rx.txt", "$log_rx.txt", [](Harness& h) { h.port.feed(std::string(200, 'r')); }},
            {kKml, "kml", [n = 0](Harness& h) mutable { h.port.feed(position(++n)); }},  // a copy would count once
            {"filter.ini", "filter.ini", [](Harness& h) {
                 h.click("Label34");
                 QTest::mouseClick(h.find("Form2")->findChild<QPushButton*>("Command1"), Qt::LeftButton);
             }},
        };
        for (const auto& [file, blocker, write] : rows) {
            Harness h;
            if (file == blocker) std::filesystem::create_directory(h.path(blocker).toStdString());
            else h.writeFile(blocker, "");
            h.start("APRS=1\nSAVERX=1\n");
            QVERIFY(h.startAprs());
            write(h);
            QVERIFY2(notice(h).startsWith("Cannot write " + h.path(file) + ": "), qPrintable(notice(h)));
            std::filesystem::remove(h.path(blocker).toStdString());
            write(h);
            QCOMPARE(notice(h), h.path(file) + " is written again");
        }
    }
};

QTEST_MAIN(MainWindowIoTest)
#include "main_window_io_test.moc"
