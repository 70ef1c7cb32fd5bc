// APRS in the window: start through the filter window, decoded records in the APRS
// view, the APRS log and the KML track, the station filter, stop, and the clipboard.
#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "app/click_label.h"
#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

const std::string kPosition = "SRC>DEST,PATH:!4430.60N/01120.10E-text\r\n";
const std::string kPositionRecord =
    "------- 2026-12-05 14:15 ------\r\n"
    "SRC>DEST,PATH:\r\n"
    "lat./lon.: 44\xb0" "30'36\"N 11\xb0" "20'6\"E\r\n"
    "dec.coord: 44.51 11.335\r\n"
    "station..: Home\r\n"
    "message..: text\r\n"
    "\r\n";
const std::string kPositionCoordinates = "44\xb0" "30'36\"N 11\xb0" "20'6\"E";
const std::string kStatus = "SRC>DEST:>status here\r\n";
const std::string kKmlName = "kml/$20261205_1415.kml";

QColor clipboardButtonColour(const Harness& h) { return h.find<ClickLabel>("Label35")->background(); }

QWidget* filterWindow(const Harness& h) { return h.window->findChild<QWidget*>("Form2"); }

// APRS start, then "Ok" in the filter window: decoding runs with the filter as stored.
void startDecoding(Harness& h) {
    QTest::mouseClick(h.find<QWidget>("Label32"), Qt::LeftButton);
    QTRY_VERIFY(filterWindow(h) != nullptr && filterWindow(h)->isVisible());
    QTest::mouseClick(filterWindow(h)->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QTRY_VERIFY(!filterWindow(h)->isVisible());
}

}  // namespace

class MainWindowAprsTest : public QObject {
    Q_OBJECT
private slots:
    void start_sendsXoffOpensFilterAndTrack_thenOkSendsXon();
    void start_withTypedText_sendsItBeforeXoff();
    void running_showsLogsAndTracksPositions();
    void headerOnItsOwnLine_decodedWithInfoLine();
    void filter_hidesRecordButOffersCoordinates();
    void stopped_receivedTextNotDecoded();
    void stop_closesTrackAndShowsPaused();
    void filterButton_closesOpenTrackAndReopensWindow();
    void clipboard_blueAfterCopyGreenAfterNextPosition();
    void aprsView_trimsAfterAppendingAbove56000();
    void exit_leavesCompleteTrack();
};

void MainWindowAprsTest::start_sendsXoffOpensFilterAndTrack_thenOkSendsXon() {
    Harness h;
    h.start("APRS=1\n");
    h.showAndActivate();
    QTest::mouseClick(h.find<QWidget>("Label32"), Qt::LeftButton);
    QTRY_VERIFY(filterWindow(h) != nullptr && filterWindow(h)->isVisible());
    QCOMPARE(h.port.written, std::string("\x13"));
    QVERIFY(h.find<QWidget>("Label30")->isVisible());
    QCOMPARE(h.window->aprsState().aprsStopped, 0);
    for (const char* shown : {"Label31", "Label35", "Label34"}) QVERIFY2(h.find<QWidget>(shown)->isVisible(), shown);
    for (const char* hidden : {"Label32", "Label33"}) QVERIFY2(!h.find<QWidget>(hidden)->isVisible(), hidden);
    QVERIFY(h.exists(kKmlName));

    QTest::mouseClick(filterWindow(h)->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QTRY_VERIFY(!filterWindow(h)->isVisible());
    QCOMPARE(h.port.written, std::string("\x13\x11"));
    QVERIFY(!h.find<QWidget>("Label30")->isVisible());
    QCOMPARE(h.readFile("filter.ini"), std::string("0\r\n"));
    QCOMPARE(h.window->txHistory().text(), std::string("^S^Q"));

    // The main window is active again: Rx font back to 11, focus in the Tx buffer.
    QTRY_VERIFY(h.window->isActiveWindow());
    QCOMPARE(h.window->rxFontSize(), 11);
    QTRY_COMPARE(QApplication::focusWidget(), h.find<QWidget>("Text3"));
}

void MainWindowAprsTest::start_withTypedText_sendsItBeforeXoff() {
    Harness h;
    h.start("APRS=1\n");
    h.showAndActivate();
    QTest::keyClicks(h.find<QWidget>("Text3"), "MON ON");
    QTest::mouseClick(h.find<QWidget>("Label32"), Qt::LeftButton);
    QCOMPARE(h.port.written, std::string("MON ON\x13"));
}

void MainWindowAprsTest::running_showsLogsAndTracksPositions() {
    Harness h;
    h.start("APRS=1\n");
    h.showAndActivate();
    startDecoding(h);
    h.port.feed(kPosition.substr(0, 10));
    QCOMPARE(h.window->aprsView().text(), std::string());
    h.port.feed(kPosition.substr(10));
    QCOMPARE(h.window->aprsView().text(), kPositionRecord);
    QCOMPARE(h.readFile("$log_aprs.txt"), kPositionRecord + "\r\n");
    QVERIFY(h.find<QPlainTextEdit>("Text7")->toPlainText().startsWith("------- 2026-12-05 14:15 ------\nSRC>DEST,PATH:\n"));
    QCOMPARE(QApplication::focusWidget(), h.find<QWidget>("Text3"));

    const std::string kml = h.readFile(kKmlName);
    QVERIFY(kml.find("<coordinates>11.335,44.51,0</coordinates>") != std::string::npos);
    QVERIFY(kml.find("<name>14:15:03 SRC&gt;DEST,PATH:</name>") != std::string::npos);
    QVERIFY(kml.ends_with("</kml>\r\n"));
    QVERIFY(h.window->kmlTrack().kmlDocumentOpen());

    h.port.feed(kStatus);
    QVERIFY(h.window->aprsView().text().starts_with(kPositionRecord));
    QVERIFY(h.window->aprsView().text().find("st.report: status here\r\n") != std::string::npos);
    // Received text still shows unchanged in the Rx view.
    QCOMPARE(h.window->rxView().text(), kPosition + kStatus);
}

void MainWindowAprsTest::headerOnItsOwnLine_decodedWithInfoLine() {
    Harness h;
    h.start("APRS=1\n");
    h.showAndActivate();
    startDecoding(h);
    h.port.feed("SRC>DEST,PATH:\r\n");
    QCOMPARE(h.window->aprsView().text(), std::string());
    h.port.feed("!4430.60N/01120.10E-text\r\n");
    QCOMPARE(h.window->aprsView().text(), kPositionRecord);
}

void MainWindowAprsTest::filter_hidesRecordButOffersCoordinates() {
    Harness h;
    h.writeFile("filter.ini", "2\r\n");  // messages only
    h.start("APRS=1\n");
    h.showAndActivate();
    startDecoding(h);
    h.port.feed(kPosition);
    QCOMPARE(h.window->aprsView().text(), std::string());
    QVERIFY(!h.exists("$log_aprs.txt"));
    QVERIFY(h.readFile(kKmlName).find("<Placemark>") == std::string::npos);
    QCOMPARE(h.window->aprsState().lastCoordinates, kPositionCoordinates);
    QCOMPARE(clipboardButtonColour(h), QColor(0, 0x40, 0));

    h.port.feed("SRC>DEST::N0CALL   :hello{1\r\n");
    QVERIFY(!h.window->aprsView().text().empty());
    QVERIFY(h.exists("$log_aprs.txt"));
}

void MainWindowAprsTest::stopped_receivedTextNotDecoded() {
    Harness h;
    h.start("APRS=1\n");
    h.showAndActivate();
    h.port.feed(kPosition);  // paused since start-up
    QCOMPARE(h.window->aprsView().text(), std::string());
    QCOMPARE(h.window->aprsState().aprsLineBuffer.pending(), std::string());
    QCOMPARE(h.window->rxView().text(), kPosition);

    Harness off;
    off.start("APRS=0\n");
    off.port.feed(kPosition);
    QCOMPARE(off.window->aprsView().text(), std::string());
    QVERIFY(!off.exists("$log_aprs.txt"));
}

void MainWindowAprsTest::stop_closesTrackAndShowsPaused() {
    Harness h;
    h.start("APRS=1\n");
    h.showAndActivate();
    startDecoding(h);
    h.port.feed(kPosition);
    QTest::mouseClick(h.find<QWidget>("Label31"), Qt::LeftButton);
    QCOMPARE(h.window->aprsState().aprsStopped, 1);
    QVERIFY(!h.window->kmlTrack().kmlDocumentOpen());
    QVERIFY(h.readFile(kKmlName).ends_with(" </Document>\r\n</kml>\r\n"));
    for (const char* shown : {"Label32", "Label33", "Label34"}) QVERIFY2(h.find<QWidget>(shown)->isVisible(), shown);
    for (const char* hidden : {"Label31", "Label35"}) QVERIFY2(!h.find<QWidget>(hidden)->isVisible(), hidden);
    QCOMPARE(QApplication::focusWidget(), h.find<QWidget>("Text3"));

    const std::string shown = h.window->aprsView().text();
    h.port.feed(kStatus);
    QCOMPARE(h.window->aprsView().text(), shown);
}

void MainWindowAprsTest::filterButton_closesOpenTrackAndReopensWindow() {
    Harness h;
    h.start("APRS=1\n");
    h.showAndActivate();
    startDecoding(h);
    h.port.feed(kPosition);
    QVERIFY(h.window->kmlTrack().kmlDocumentOpen());
    const std::string before = h.port.written;

    QTest::mouseClick(h.find<QWidget>("Label34"), Qt::LeftButton);
    QVERIFY(!h.window->kmlTrack().kmlDocumentOpen());
    QTRY_VERIFY(filterWindow(h)->isVisible());
    QCOMPARE(h.port.written, before + "\x13");
    // Decoding goes on while the window is open; the track takes new positions.
    QCOMPARE(h.window->aprsState().aprsStopped, 0);
    h.port.feed(kPosition);
    QVERIFY(h.window->kmlTrack().kmlDocumentOpen());

    // A second click only raises the open window: no second XOFF.
    QTest::mouseClick(h.find<QWidget>("Label34"), Qt::LeftButton);
    QCOMPARE(h.port.written, before + "\x13");
}

void MainWindowAprsTest::clipboard_blueAfterCopyGreenAfterNextPosition() {
    Harness h;
    h.start("APRS=1\n");
    h.showAndActivate();
    startDecoding(h);
    QCOMPARE(clipboardButtonColour(h), QColor(0, 0, 0xFF));
    QTest::mouseClick(h.find<QWidget>("Label35"), Qt::LeftButton);
    QCOMPARE(h.clipboard, QStringList{""});

    h.port.feed(kPosition);
    QCOMPARE(clipboardButtonColour(h), QColor(0, 0x40, 0));
    QTest::mouseClick(h.find<QWidget>("Label35"), Qt::LeftButton);
    QCOMPARE(h.clipboard.back(), QString::fromLatin1(kPositionCoordinates.c_str()));
    QCOMPARE(clipboardButtonColour(h), QColor(0, 0, 0xFF));
    QCOMPARE(QApplication::focusWidget(), h.find<QWidget>("Text3"));

    // A packet without a position keeps both the coordinates and the blue.
    h.port.feed(kStatus);
    QCOMPARE(clipboardButtonColour(h), QColor(0, 0, 0xFF));
    QTest::mouseClick(h.find<QWidget>("Label35"), Qt::LeftButton);
    QCOMPARE(h.clipboard.back(), QString::fromLatin1(kPositionCoordinates.c_str()));
}

void MainWindowAprsTest::aprsView_trimsAfterAppendingAbove56000() {
    Harness h;
    h.start("APRS=1\n");
    h.showAndActivate();
    startDecoding(h);
    const std::size_t recordSize = kPositionRecord.size();
    std::size_t records = 0;
    while ((records + 1) * recordSize <= 56000) {
        h.port.feed(kPosition);
        ++records;
    }
    QCOMPARE(h.window->aprsView().text().size(), records * recordSize);
    h.port.feed(kPosition);  // now above 56000 after the append
    const std::string& text = h.window->aprsView().text();
    QCOMPARE(text.size(), std::size_t{32000});
    QVERIFY(text.ends_with(kPositionRecord));
}

void MainWindowAprsTest::exit_leavesCompleteTrack() {
    Harness h;
    h.start("APRS=1\n");
    h.showAndActivate();
    startDecoding(h);
    h.port.feed(kPosition);
    QTest::mouseClick(h.find<QWidget>("Command2"), Qt::LeftButton);
    QVERIFY(!h.window->kmlTrack().kmlDocumentOpen());
    const std::string kml = h.readFile(kKmlName);
    QVERIFY(kml.ends_with(" </Document>\r\n</kml>\r\n"));
    QCOMPARE(kml.find("</kml>"), kml.size() - 8);
}

QTEST_MAIN(MainWindowAprsTest)
#include "main_window_aprs_test.moc"
