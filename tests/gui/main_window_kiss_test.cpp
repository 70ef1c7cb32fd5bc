// The window on a KISS TNC: frames in become monitor lines in the Rx view and the Rx log,
// UI frames become records, damaged frames are counted in the status line, and typed lines
// go out as UI frames, one write each, or not at all without a callsign.
#include <QLabel>
#include <QtTest>
#include <vector>

#include "../unit/ax25_frames.h"
#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

const std::string kPositionLine = "SRC>DEST,PATH*:!4430.60N/01120.10E-text";
const std::string kStatusLine = "SRC>DEST:>status here";

std::string heard(const std::string& monitorLine) { return kissWrap(encodeMonitorLine(monitorLine).frame); }
// SABM from SRC to DEST: shown, never decoded.
std::string sabm() { return kissWrap(addressBytes("DEST", 0, true, false) + addressBytes("SRC", 0, false, true) + "\x3F"); }

// A line typed and sent with `key`; `frames` are the monitor lines of the frames written,
// one write each.
struct KissSend {
    std::string ini;
    QString typed;
    Qt::Key key;
    QStringList frames;
    QString history, buffer;
};

}  // namespace
Q_DECLARE_METATYPE(KissSend)

class MainWindowKissTest : public QObject {
    Q_OBJECT
private slots:
    void receive_monitorLinesRecordsAndDrops() {
        Harness h;
        h.start("KISS=1\nAPRS=1\nSAVERX=1\n");
        QVERIFY(h.startAprs());
        QVERIFY(h.port.writes.empty());  // the filter window asks nothing of a KISS TNC
        auto* status = h.find<QLabel>("Label6");
        QVERIFY(status->text().endsWith("  KISS dropped: 0"));

        const std::string bytes = "banner before KISS\r\n" + heard(kPositionLine) + sabm() + kissWrap("\x82\x83") + heard(kStatusLine);
        h.port.feed(bytes);

        const std::string monitor = kPositionLine + "\r\nSRC>DEST <SABM P>\r\n" + kStatusLine + "\r\n";
        QCOMPARE(h.window->rxView().text(), monitor);
        const std::string records = h.window->aprsView().text();
        QVERIFY(records.starts_with("------- 2026-12-05 14:15 ------\r\nSRC>DEST,PATH*:\r\nlat./lon.: 44\xb0" "30'36\"N"));
        QVERIFY(records.find("st.report: status here\r\n") != std::string::npos);
        QCOMPARE(QString::fromStdString(records).count("------- 2026"), 2);
        QVERIFY(status->text().endsWith("  KISS dropped: 1"));

        h.click("Command2");
        QCOMPARE(h.readFile("$log_rx.txt"), kLogHeader + monitor);
    }

    // A device lost halfway through a frame: the half frame is not glued to the next one.
    // With KISSRAW the Rx log gets the bytes as they came.
    void deviceLoss_halfFrameIsNotGluedToTheNext() {
        Harness h;
        h.start("KISS=1\nKISSRAW=1\nSAVERX=1\n");
        const std::string lost = heard(kStatusLine), after = heard("A>B:after");
        h.port.feed(lost.substr(0, 10));
        h.port.onConnectionChanged(false);
        h.port.onConnectionChanged(true);
        // The device sends on from where it was; only the first whole frame after a FEND counts.
        h.port.feed(lost.substr(10) + after);
        QCOMPARE(h.window->rxView().text(), std::string("A>B:after\r\n"));
        QVERIFY(h.find<QLabel>("Label6")->text().endsWith("  KISS dropped: 0"));
        h.click("Command2");
        QCOMPARE(h.readFile("$log_rx.txt"), kLogHeader + lost + after);
    }

    void transmit_data() {
        QTest::addColumn<KissSend>("send");
        const std::string call = "MYCALL=n0call-7\nUNPROTO=APZQLM VIA WIDE1-1,WIDE2-1\n";
        QTest::newRow("enter") << KissSend{"KISS=1\n" + call, "hello", Qt::Key_Return,
                                           {"N0CALL-7>APZQLM,WIDE1-1,WIDE2-1:hello"}, "hello\n", ""};
        QTest::newRow("F12, default destination, XOFF dropped")
            << KissSend{"KISS=1\nMYCALL=N0CALL\n", "^#H^S", Qt::Key_F12, {"N0CALL>APZQLM:14:15"}, "14:15^S", ""};
        QTest::newRow("no callsign: nothing sent, text kept, no hold")
            << KissSend{"KISS=1\nCTRLDEND=1\n", "a^D", Qt::Key_F12, {}, "", "a^D"};
    }
    void transmit() {
        QFETCH(KissSend, send);
        Harness h;
        h.start(send.ini);
        h.send(send.typed, send.key);
        std::vector<std::string> expected;
        for (const QString& f : send.frames) expected.push_back(heard(f.toStdString()));
        QCOMPARE(h.port.writes, expected);
        QCOMPARE(h.text("Text2"), send.history);
        QCOMPARE(h.text("Text3"), send.buffer);
        // Refused: the user is told what is missing.
        QCOMPARE(h.messages.size(), send.frames.isEmpty() ? 1 : 0);
        if (send.frames.isEmpty()) QVERIFY(h.messages[0].contains("MYCALL="));
        QCOMPARE(h.window->txState().txHold, std::int16_t{0});
        QVERIFY(!h.find("Label30")->isVisible());
    }
};

QTEST_MAIN(MainWindowKissTest)
#include "main_window_kiss_test.moc"
