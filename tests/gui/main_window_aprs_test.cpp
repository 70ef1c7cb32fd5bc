// APRS in the window: start through the filter window, records in the APRS view, the
// APRS log and the KML track, the station filter, stop, and the clipboard button.
// The decoder's output for each packet type is unit-tested; here one packet proves
// the path from the port to every place a record lands.
#include <QPushButton>
#include <QtTest>

#include "app/click_label.h"
#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

const std::string kPosition = "SRC>DEST,PATH:!4430.60N/01120.10E-text\r\n";
const std::string kRecord =
    "------- 2026-12-05 14:15 ------\r\nSRC>DEST,PATH:\r\nlat./lon.: 44\xb0" "30'36\"N 11\xb0" "20'6\"E\r\n"
    "dec.coord: 44.51 11.335\r\nstation..: Home\r\nmessage..: text\r\n\r\n";
const QString kCoordinates = QString::fromLatin1("44\xb0" "30'36\"N 11\xb0" "20'6\"E");
const std::string kStatus = "SRC>DEST:>status here\r\n";
const std::string kKml = "kml/$20261205_1415.kml";
const QColor kBlue(0, 0, 0xFF), kGreen(0, 0x40, 0);

QWidget* filterWindow(const Harness& h) { return h.window->findChild<QWidget*>("Form2"); }
QColor clipboardColour(const Harness& h) { return h.find<ClickLabel>("Label35")->background(); }

// APRS start: XOFF goes out and the filter window opens; its "Ok" sends XON.
void startAprs(Harness& h, const std::string& filterIni = {}) {
    if (!filterIni.empty()) h.writeFile("filter.ini", filterIni);
    h.start("APRS=1\n");
    h.click("Label32");
    QTRY_VERIFY(filterWindow(h) != nullptr && filterWindow(h)->isVisible());
    QCOMPARE(h.port.written, std::string("\x13"));
    QVERIFY(h.find("Label30")->isVisible());
    QTest::mouseClick(filterWindow(h)->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QTRY_VERIFY(!filterWindow(h)->isVisible());
    QCOMPARE(h.port.written, std::string("\x13\x11"));
    QVERIFY(!h.find("Label30")->isVisible());
}

}  // namespace

class MainWindowAprsTest : public QObject {
    Q_OBJECT
private slots:
    void running_recordReachesViewLogTrackAndClipboard() {
        Harness h;
        startAprs(h);
        QTRY_VERIFY(h.window->isActiveWindow());
        QCOMPARE(h.window->rxFontSize(), 11);
        QTRY_COMPARE(QApplication::focusWidget(), h.find("Text3"));
        QCOMPARE(h.readFile("filter.ini"), std::string("0\r\n"));
        QCOMPARE(clipboardColour(h), kBlue);

        h.port.feed(kPosition);
        QVERIFY(h.text("Text7").startsWith("------- 2026-12-05 14:15 ------\nSRC>DEST,PATH:\nlat./lon."));
        QCOMPARE(h.window->aprsView().text(), kRecord);
        QCOMPARE(h.readFile("$log_aprs.txt"), kRecord + "\r\n");
        QVERIFY(h.readFile(kKml).find("<coordinates>11.335,44.51,0</coordinates>") != std::string::npos);
        QCOMPARE(h.window->rxView().text(), kPosition);

        // Green: new coordinates to copy; blue once copied, and a packet without a
        // position leaves both the colour and the coordinates.
        QCOMPARE(clipboardColour(h), kGreen);
        h.click("Label35");
        QCOMPARE(h.clipboard, QStringList{kCoordinates});
        QCOMPARE(clipboardColour(h), kBlue);
        h.port.feed(kStatus);
        QVERIFY(h.window->aprsView().text().find("st.report: status here\r\n") != std::string::npos);
        QCOMPARE(clipboardColour(h), kBlue);
        h.click("Label35");
        QCOMPARE(h.clipboard.back(), kCoordinates);

        h.click("Label31");  // stop: the track is complete, decoding pauses
        QVERIFY(!h.window->kmlTrack().kmlDocumentOpen());
        QVERIFY(h.find("Label32")->isVisible() && h.find("Label33")->isVisible() && !h.find("Label35")->isVisible());
        const std::string shown = h.window->aprsView().text();
        h.port.feed(kStatus);
        QCOMPARE(h.window->aprsView().text(), shown);
    }

    void filter_hidesRecordButOffersCoordinates() {
        Harness h;
        startAprs(h, "2\r\n");  // messages only
        h.port.feed(kPosition);
        QCOMPARE(h.window->aprsView().text(), std::string());
        QCOMPARE(h.readFile("$log_aprs.txt"), std::string("<missing>"));
        QVERIFY(h.readFile(kKml).find("<Placemark>") == std::string::npos);
        QCOMPARE(clipboardColour(h), kGreen);
        h.port.feed("SRC>DEST::N0CALL   :hello{1\r\n");
        QVERIFY(h.readFile("$log_aprs.txt").find("hello") != std::string::npos);
    }

    void filterButton_closesOpenTrackAndOpensWindowOnce() {
        Harness h;
        startAprs(h);
        h.port.feed(kPosition);
        QVERIFY(h.window->kmlTrack().kmlDocumentOpen());
        h.click("Label34");
        QVERIFY(!h.window->kmlTrack().kmlDocumentOpen());
        QTRY_VERIFY(filterWindow(h)->isVisible());
        QCOMPARE(h.port.written, std::string("\x13\x11\x13"));
        // Decoding goes on while the window is open: the next position opens a new track.
        h.port.feed(kPosition);
        QVERIFY(h.window->kmlTrack().kmlDocumentOpen());
        h.click("Label34");  // only raises the open window: no second XOFF
        QCOMPARE(h.port.written, std::string("\x13\x11\x13"));
    }
};

QTEST_MAIN(MainWindowAprsTest)
#include "main_window_aprs_test.moc"
