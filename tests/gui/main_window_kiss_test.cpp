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

}  // namespace

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
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("frames");  // monitor lines of the frames written, one write each
        QTest::addColumn<QString>("history");
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<bool>("refused");
        const QString call = "MYCALL=n0call-7\nUNPROTO=APZQLM VIA WIDE1-1,WIDE2-1\n";
        QTest::newRow("enter") << "KISS=1\n" + call << "hello" << int(Qt::Key_Return)
                               << QStringList{"N0CALL-7>APZQLM,WIDE1-1,WIDE2-1:hello"} << "hello\n" << "" << false;
        QTest::newRow("F12, default destination, XOFF dropped")
            << "KISS=1\nMYCALL=N0CALL\n" << "^#H^S" << int(Qt::Key_F12) << QStringList{"N0CALL>APZQLM:14:15"} << "14:15^S" << "" << false;
        QTest::newRow("no callsign: nothing sent, text kept, no hold")
            << "KISS=1\nCTRLDEND=1\n" << "a^D" << int(Qt::Key_F12) << QStringList{} << "" << "a^D" << true;
    }
    void transmit() {
        QFETCH(QString, ini);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QStringList, frames);
        QFETCH(QString, history);
        QFETCH(QString, buffer);
        QFETCH(bool, refused);
        Harness h;
        h.start(ini.toStdString());
        h.send(typed, static_cast<Qt::Key>(key));
        std::vector<std::string> expected;
        for (const QString& f : frames) expected.push_back(heard(f.toStdString()));
        QCOMPARE(h.port.writes, expected);
        QCOMPARE(h.text("Text2"), history);
        QCOMPARE(h.text("Text3"), buffer);
        QCOMPARE(h.messages.size(), refused ? 1 : 0);
        if (refused) QVERIFY(h.messages[0].contains("MYCALL="));
        QCOMPARE(h.window->txState().txHold, std::int16_t{0});
        QVERIFY(!h.find("Label30")->isVisible());
    }
};

QTEST_MAIN(MainWindowKissTest)
#include "main_window_kiss_test.moc"
