// APRS in the window: start through the filter window, records in the APRS view, the
// APRS log and the KML track, the station filter and the Stations table, stop, and the
// clipboard button. The decoder's records are unit-tested; here one packet proves the
// path from the port to every place a record lands.
// On a KISS TNC: frames in become monitor lines in the Rx view and the Rx log, UI frames
// become records, damaged frames are counted in the status line. What a KISS TNC is sent,
// and what the session does with a device lost mid-frame, is tested on the session.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QtTest>
#include <vector>

#include <QPlainTextEdit>
#include <QToolTip>

#include "../unit/ax25_frames.h"
#include "app/click_label.h"
#include "app/console_widgets.h"
#include "app/map_scene.h"
#include "app/map_view.h"
#include "app/map_window.h"
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
        h.port.feed(kStatusLine + "\r\n");
        QVERIFY(contains(h.window->aprsView().text(), "st.report: status here\r\n"));
        QCOMPARE(clipboardColour(h), kBlue);
        h.click("Label35");
        QCOMPARE(h.clipboard, (QStringList{kCoordinates, kCoordinates}));

        h.click("Label31");  // stop: the track is complete, decoding pauses
        QVERIFY(!h.session->kmlTrack().kmlDocumentOpen());
        QVERIFY(h.find("Label32")->isVisible() && h.find("Label33")->isVisible() && !h.find("Label35")->isVisible());
        const std::string shown = h.window->aprsView().text();
        h.port.feed(kStatusLine + "\r\n");
        QCOMPARE(h.window->aprsView().text(), shown);
    }


    // The map follows the session: its button opens it, a hover tells of a station, a click
    // shows the station's latest record beside it, and a double-click in the Stations window
    // shows that record there and centres the map on the station.
    void map_hoverClickAndStationsDoubleClick() {
        Harness h;
        h.writeFile("filter.ini", "62\r\n");  // cars only: the records below are hidden, not lost
        h.start("APRS=1\nMYLAT=44\xb0" "29'30\"N\r\nMYLONG=11\xb0" "20'15\"E\r\n");
        QVERIFY(h.startAprs());
        h.port.feed(kPosition + "FAR>APRS:!4930.00N/00215.00E-far away\r\n");
        h.click("Label38");
        auto* map = h.find<MapWindow>("MapWindow");
        QTRY_VERIFY(map->isVisible());
        QCOMPARE(map->windowTitle(), QStringLiteral("Map"));
        QCOMPARE(h.port.written, std::string("\x13\x11"));  // opening the map sends nothing
        MapView* view = map->view();
        // Where SRC is drawn, once the map has caught up and painted a frame.
        const auto drawnAt = [&](const char* name) {
            view->repaint();
            const MapStation& station = map->scene().stations()[static_cast<std::size_t>(map->scene().find(name))];
            return QPoint(qRound(view->viewport().screenX(station.at.x)), qRound(view->viewport().screenY(station.at.y)));
        };
        QTRY_VERIFY(map->scene().stations().size() == 2 && view->markerAt(drawnAt("SRC")) != nullptr);
        const QPoint at = drawnAt("SRC");
        QHelpEvent hover(QEvent::ToolTip, at, view->mapToGlobal(at));
        QApplication::sendEvent(view, &hover);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().contains("SRC") && QToolTip::text().contains("km"), qPrintable(QToolTip::text()));
        QTest::mouseClick(view, Qt::LeftButton, {}, at);
        QCOMPARE(map->selectedStation(), QStringLiteral("SRC"));
        const QString shown = h.find<QPlainTextEdit>("MapRecord")->toPlainText();
        QVERIFY2(shown.contains("SRC>DEST,PATH:") && shown.contains("message..: text"), qPrintable(shown));

        h.click("Label36");
        QWidget* stations = h.find("Stations");
        auto* table = stations->findChild<QTableView*>("StationsTable");
        QTRY_COMPARE(table->model()->rowCount(), 2);
        const int far = table->model()->index(0, 0).data().toString() == "FAR" ? 0 : 1;
        const QRect cell = table->visualRect(table->model()->index(far, 0));
        // As a double-click comes: a click, then the second press read as a double-click.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        auto* record = stations->findChild<QPlainTextEdit*>("StationsRecord");
        QVERIFY(record->isVisible());
        QVERIFY2(record->toPlainText().contains("FAR>APRS:") && record->toPlainText().contains("far away"),
                 qPrintable(record->toPlainText()));
        QCOMPARE(map->selectedStation(), QStringLiteral("FAR"));
        QCOMPARE(drawnAt("FAR"), QPoint(view->width() / 2, view->height() / 2));
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
        QVERIFY(h.session->kmlTrack().kmlDocumentOpen());
        const QAbstractItemModel* rows = stations->findChild<QTableView*>("StationsTable")->model();
        QTRY_COMPARE(rows->rowCount(), 2);
        QCOMPARE(rows->index(0, 0).data().toString(), QStringLiteral("CAR"));
        QCOMPARE(rows->index(1, 0).data().toString(), QStringLiteral("SRC"));
        QCOMPARE(rows->index(1, 1).data().toString(), QStringLiteral("2026-12-05 14:15:03"));

        // The filter button closes the track; decoding goes on while the window is open, so
        // the next position opens a new one. A second click only raises it: no second XOFF.
        h.click("Label34");
        QVERIFY(!h.session->kmlTrack().kmlDocumentOpen());
        QVERIFY(h.find("Form2")->isVisible());
        h.port.feed("CAR>DEST:!4430.61N/01120.10E>on\r\n");
        QVERIFY(h.session->kmlTrack().kmlDocumentOpen());
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

        // The command line of our TNC greets first.
        const std::string monitor = "cmd:\r\n" + kPositionLine + "\r\nSRC>DEST <SABM P>\r\n" + kStatusLine + "\r\n";
        QCOMPARE(h.window->rxView().text(), monitor);
        const std::string records = h.window->aprsView().text();
        QVERIFY(records.starts_with("------- 2026-12-05 14:15 ------\r\nSRC>DEST,PATH*:\r\nlat./lon.: 44\xb0" "30'36\"N"));
        QVERIFY(records.find("st.report: status here\r\n") != std::string::npos);
        QCOMPARE(QString::fromStdString(records).count("------- 2026"), 2);
        QVERIFY(status->text().endsWith("  KISS dropped: 1"));

        h.click("Command2");
        QCOMPARE(h.readFile("$log_rx.txt"), kLogHeader + monitor);
    }

    // Two messages to us on a KISS TNC, decoding not started: both acknowledged at once,
    // counted on " messages", whose caption still fits its box and turns amber, and each
    // rings the bell once. The button opens the Messages window on the newest unread
    // conversation with the focus in the addressee field; a message written there goes out
    // as a frame and shows in the Tx view like everything sent.
    void messages_unreadCountOpensWindowThatSends() {
        Harness h;
        h.start("KISS=1\nAPRS=1\nMYCALL=N0CALL-7\n");
        auto* button = h.find<ClickLabel>("Label39");
        QCOMPARE(button->text(), QString(" messages"));
        const QColor normal = button->background();
        h.port.feed(heard("W1AW>APRS::N0CALL-7 :Are you there?{4") + heard("K1ABC-9>APRS::N0CALL-7 :73{5"));
        QCOMPARE(h.port.writes,
                 (std::vector<std::string>{heard("N0CALL-7>APZQLM::W1AW     :ack4"), heard("N0CALL-7>APZQLM::K1ABC-9  :ack5")}));
        QCOMPARE(button->text(), QString(" messages (2)"));
        QCOMPARE(button->background(), QColor(kUnreadAmber));
        QCOMPARE(h.beeps, 2);
        QVERIFY(button->sizeHint().width() <= button->width());

        h.click("Label39");
        QWidget* messages = h.find("Messages");
        QTRY_COMPARE(QApplication::activeWindow(), messages);  // a window with a parent counts as active at once
        QCOMPARE(messages->windowTitle(), QString("Messages"));
        const QList<QListWidgetItem*> chosen = messages->findChild<QListWidget*>("MessageStations")->selectedItems();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.front()->text(), QString("K1ABC-9"));
        QCOMPARE(button->text(), QString(" messages (1)"));  // K1ABC-9's is read, W1AW's not yet
        QCOMPARE(QApplication::focusWidget(), messages->findChild<QLineEdit*>("Addressee"));
        QTest::keyClicks(QApplication::focusWidget(), "w1aw");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), "Yes, here");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        const std::string reply = "N0CALL-7>APZQLM::W1AW     :Yes, here{1";
        QCOMPARE(h.port.writes.back(), heard(reply));
        QVERIFY(h.window->txHistory().text().ends_with(reply + "\r\n"));
        // The conversation with W1AW is on screen now: nothing is left unread, and our own
        // message rang nothing.
        QCOMPARE(button->text(), QString(" messages"));
        QCOMPARE(button->background(), normal);
        QCOMPARE(h.beeps, 2);
    }

    // MSGBELL=0: messages are counted and shown, and the bell stays silent; a repeated copy
    // of a message already shown rings nothing either.
    void messages_bellOncePerNewMessage() {
        const struct { const char* name; const char* bell; int beeps; } rows[] = {
            {"bell on by default", "", 2},
            {"MSGBELL=0", "MSGBELL=0\n", 0},
        };
        for (const auto& row : rows) {
            Harness h;
            h.start(std::string("KISS=1\nAPRS=1\nMYCALL=N0CALL-7\n") + row.bell);
            const std::string first = heard("W1AW>APRS::N0CALL-7 :one{4");
            h.port.feed(first + first + heard("W1AW>APRS::N0CALL-7 :two{5"));
            QVERIFY2(h.find<QLabel>("Label39")->text() == " messages (2)", row.name);
            QVERIFY2(h.beeps == row.beeps, row.name);
        }
    }
};

QTEST_MAIN(MainWindowAprsTest)
#include "main_window_aprs_test.moc"
