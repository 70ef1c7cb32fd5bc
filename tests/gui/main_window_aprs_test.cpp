// APRS in the window: start through the filter window, records in the APRS view, the
// APRS log and the KML track, the station filter and the Stations table, stop, and the
// clipboard button. The decoder's records are unit-tested; here one packet proves the
// path from the port to every place a record lands.
// On a KISS TNC: frames in become monitor lines in the Rx view and the Rx log, UI frames
// become records, damaged frames are counted in the status line, and typed lines go out
// as UI frames, one write each, or not at all without a callsign.
#include <QLabel>
#include <QTableView>
#include <QtTest>
#include <vector>

#include "../unit/ax25_frames.h"
#include "app/click_label.h"
#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

const QString kCoordinates = QString::fromLatin1("44\xb0" "30'36\"N 11\xb0" "20'6\"E");
const QColor kBlue(0, 0, 0xFF), kGreen(0, 0x40, 0);

QColor clipboardColour(const Harness& h) { return h.find<ClickLabel>("Label35")->background(); }
bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }



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

class MainWindowAprsTest : public QObject {
    Q_OBJECT
private slots:
    void running_recordReachesViewLogTrackAndClipboard() {
        Harness h;
        h.start("APRS=1\n");
        QVERIFY(h.startAprs());
        QCOMPARE(h.port.written, std::string("\x13\x11"));  // XOFF while the filter is chosen, then XON
        QVERIFY(!h.find("Label30")->isVisible());
        QCOMPARE(clipboardColour(h), kBlue);

        h.port.feed(kPosition);
        QCOMPARE(h.window->aprsView().text(), kRecord);
        QCOMPARE(h.readFile("$log_aprs.txt"), kRecord + "\r\n");
        QVERIFY(contains(h.readFile(kKml), "<coordinates>11.335,44.51,0</coordinates>"));
        QCOMPARE(h.window->rxView().text(), kPosition);

        // Green: new coordinates to copy; blue once copied, and a packet without a
        // position leaves both the colour and the coordinates.
        QCOMPARE(clipboardColour(h), kGreen);
        h.click("Label35");
        QCOMPARE(clipboardColour(h), kBlue);
        h.port.feed(kStatusLine + "\r\n");
        QVERIFY(contains(h.window->aprsView().text(), "st.report: status here\r\n"));
        QCOMPARE(clipboardColour(h), kBlue);
        h.click("Label35");
        QCOMPARE(h.clipboard, (QStringList{kCoordinates, kCoordinates}));

        h.click("Label31");  // stop: the track is complete, decoding pauses
        QVERIFY(!h.window->kmlTrack().kmlDocumentOpen());
        QVERIFY(h.find("Label32")->isVisible() && h.find("Label33")->isVisible() && !h.find("Label35")->isVisible());
        const std::string shown = h.window->aprsView().text();
        h.port.feed(kStatusLine + "\r\n");
        QCOMPARE(h.window->aprsView().text(), shown);
    }

    // Heard direct, through a digipeater and as another TNC prints it: the Rx view shows every
    // copy, everything else counts the packet once.
    void copies_shownInRxCountedOnce() {
        Harness h;
        h.start("APRS=1\n");
        QVERIFY(h.startAprs());
        const std::string copies = kPosition + "SRC>DEST,DIGI*,WIDE2-1:!4430.60N/01120.10E-text\r\n" +
                                   "SRC>DEST,DIGI,WIDE2* <UI C>:!4430.60N/01120.10E-text\r\n";
        h.port.feed(copies);
        QCOMPARE(h.window->rxView().text(), copies);
        QCOMPARE(h.window->aprsView().text(), kRecord);
        QCOMPARE(h.readFile("$log_aprs.txt"), kRecord + "\r\n");
        QCOMPARE(QByteArray::fromStdString(h.readFile(kKml)).count("<Placemark>"), 1);
        h.click("Label36");
        const QAbstractItemModel* rows = h.find("Stations")->findChild<QTableView*>("StationsTable")->model();
        QTRY_COMPARE(rows->rowCount(), 1);
        QCOMPARE(rows->index(0, 2).data().toString(), QStringLiteral("1"));  // packets
    }

    // A packet the filter hides still offers its coordinates and reaches the Stations
    // table, which opens without pausing the device or closing the track; the filter
    // button closes it.
    void filter_hidesRecordOffersCoordinatesAndStationButtonReopens() {
        Harness h;
        h.writeFile("filter.ini", "62\r\n");  // cars only
        h.start("APRS=1\n");
        QVERIFY(h.startAprs());
        h.port.feed(kPosition);
        QCOMPARE(h.window->aprsView().text(), std::string());
        QCOMPARE(h.readFile("$log_aprs.txt"), std::string("<missing>"));
        QCOMPARE(clipboardColour(h), kGreen);
        const std::string car = "CAR>DEST:!4430.60N/01120.10E>drive\r\n";
        h.port.feed(car);
        QVERIFY(contains(h.readFile("$log_aprs.txt"), "drive"));
        QCOMPARE(QByteArray::fromStdString(h.readFile(kKml)).count("<Placemark>"), 1);

        const std::string sent = h.port.written;
        h.click("Label36");
        QWidget* stations = h.find("Stations");
        QTRY_VERIFY(stations->isVisible());
        QCOMPARE(h.port.written, sent);
        QVERIFY(h.window->kmlTrack().kmlDocumentOpen());
        const QAbstractItemModel* rows = stations->findChild<QTableView*>("StationsTable")->model();
        QTRY_COMPARE(rows->rowCount(), 2);
        QCOMPARE(rows->index(0, 0).data().toString(), QStringLiteral("CAR"));
        QCOMPARE(rows->index(1, 0).data().toString(), QStringLiteral("SRC"));
        QCOMPARE(rows->index(1, 1).data().toString(), QStringLiteral("2026-12-05 14:15:03"));

        // The filter button closes the track; decoding goes on while the window is open, so
        // the next position opens a new one. A second click only raises it: no second XOFF.
        h.click("Label34");
        QVERIFY(!h.window->kmlTrack().kmlDocumentOpen());
        QVERIFY(h.find("Form2")->isVisible());
        h.port.feed("CAR>DEST:!4430.61N/01120.10E>on\r\n");
        QVERIFY(h.window->kmlTrack().kmlDocumentOpen());
        h.click("Label34");
        QCOMPARE(h.port.written, sent + "\x13");
    }

    void kiss_receive_monitorLinesRecordsAndDrops() {
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
    void kiss_deviceLoss_halfFrameIsNotGluedToTheNext() {
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

    void kiss_transmit_data() {
        QTest::addColumn<KissSend>("send");
        const std::string call = "MYCALL=n0call-7\nUNPROTO=APZQLM VIA WIDE1-1,WIDE2-1\n";
        QTest::newRow("enter") << KissSend{"KISS=1\n" + call, "hello", Qt::Key_Return,
                                           {"N0CALL-7>APZQLM,WIDE1-1,WIDE2-1:hello"}, "hello\n", ""};
        QTest::newRow("F12, default destination, XOFF dropped")
            << KissSend{"KISS=1\nMYCALL=N0CALL\n", "^#H^S", Qt::Key_F12, {"N0CALL>APZQLM:14:15"}, "14:15^S", ""};
        QTest::newRow("no callsign: nothing sent, text kept, no hold")
            << KissSend{"KISS=1\nCTRLDEND=1\n", "a^D", Qt::Key_F12, {}, "", "a^D"};
    }
    void kiss_transmit() {
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

QTEST_MAIN(MainWindowAprsTest)
#include "main_window_aprs_test.moc"
