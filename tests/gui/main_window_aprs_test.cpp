// APRS in the window: start through the filter window, records in the APRS view, the
// APRS log and the KML track, the station filter and the Stations table, stop, and the
// clipboard button. The decoder's records are unit-tested; here one packet proves the
// path from the port to every place a record lands.
#include <QTableView>
#include <QtTest>

#include "app/click_label.h"
#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

const QString kCoordinates = QString::fromLatin1("44\xb0" "30'36\"N 11\xb0" "20'6\"E");
const std::string kStatus = "SRC>DEST:>status here\r\n";
const QColor kBlue(0, 0, 0xFF), kGreen(0, 0x40, 0);

QColor clipboardColour(const Harness& h) { return h.find<ClickLabel>("Label35")->background(); }
bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

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
        h.port.feed(kStatus);
        QVERIFY(contains(h.window->aprsView().text(), "st.report: status here\r\n"));
        QCOMPARE(clipboardColour(h), kBlue);
        h.click("Label35");
        QCOMPARE(h.clipboard, (QStringList{kCoordinates, kCoordinates}));

        h.click("Label31");  // stop: the track is complete, decoding pauses
        QVERIFY(!h.window->kmlTrack().kmlDocumentOpen());
        QVERIFY(h.find("Label32")->isVisible() && h.find("Label33")->isVisible() && !h.find("Label35")->isVisible());
        const std::string shown = h.window->aprsView().text();
        h.port.feed(kStatus);
        QCOMPARE(h.window->aprsView().text(), shown);
    }

    // A packet the filter hides still offers its coordinates and reaches the Stations
    // table, which opens without pausing the device or closing the track.
    void filter_hidesRecordButOffersCoordinatesAndStation() {
        Harness h;
        h.writeFile("filter.ini", "62\r\n");  // cars only
        h.start("APRS=1\n");
        QVERIFY(h.startAprs());
        h.port.feed(kPosition);
        QCOMPARE(h.window->aprsView().text(), std::string());
        QCOMPARE(h.readFile("$log_aprs.txt"), std::string("<missing>"));
        QCOMPARE(clipboardColour(h), kGreen);
        h.port.feed("CAR>DEST:!4430.60N/01120.10E>drive\r\n");
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
    }

    void filterButton_closesOpenTrackAndOpensWindowOnce() {
        Harness h;
        h.start("APRS=1\n");
        QVERIFY(h.startAprs());
        h.port.feed(kPosition);
        QVERIFY(h.window->kmlTrack().kmlDocumentOpen());
        h.click("Label34");
        QVERIFY(!h.window->kmlTrack().kmlDocumentOpen());
        QVERIFY(h.find("Form2")->isVisible());
        // Decoding goes on while the window is open: the next position opens a new track.
        h.port.feed(kPosition);
        QVERIFY(h.window->kmlTrack().kmlDocumentOpen());
        h.click("Label34");  // only raises the open window: no second XOFF
        QCOMPARE(h.port.written, std::string("\x13\x11\x13"));
    }
};

QTEST_MAIN(MainWindowAprsTest)
#include "main_window_aprs_test.moc"
