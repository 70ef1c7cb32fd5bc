// The settings window on the real main window: opened by its button and Ctrl+, values
// checked as they are typed, a save that writes only what changed and takes effect at
// once, Quilmo.ini edited by hand while running, the first start, and WINDOWED=1.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "app/layout.h"
#include "app/map_view.h"
#include "app/map_window.h"
#include "app/settings_window.h"
#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

SettingsWindow* openSettings(Harness& h) {
    QApplication::setActiveWindow(h.window.get());
    if (!QTest::qWaitForWindowActive(h.window.get())) qFatal("main window not active");
    QTest::keyClick(h.window.get(), Qt::Key_Comma, Qt::ControlModifier);
    SettingsWindow* window = h.window->settingsWindow();
    if (window == nullptr || !QTest::qWaitForWindowExposed(window)) qFatal("no settings window");
    return window;
}

QLineEdit* line(SettingsWindow* w, const std::string& key) { return qobject_cast<QLineEdit*>(w->editor(key)); }

void retype(SettingsWindow* w, const std::string& key, const QString& text) {
    QLineEdit* field = line(w, key);
    field->selectAll();
    QTest::keyClicks(field, text);
    if (text.isEmpty()) QTest::keyClick(field, Qt::Key_Delete);
}

}  // namespace

class MainWindowSettingsTest : public QObject {
    Q_OBJECT
private slots:
    // The button is there with APRS off as well; it and Ctrl+, open the window, MYCALL first.
    void button_opensWindowWithTheFocusOnTheCallsign() {
        Harness h;
        h.start("APRS=0\r\n");
        auto* button = h.find<QLabel>("Label40");
        QVERIFY(button->isVisible());
        QCOMPARE(button->text(), QString(" settings"));
        QCOMPARE(button->toolTip(), QString("Quilmo.ini settings"));
        h.click("Label40");
        SettingsWindow* w = h.window->settingsWindow();
        QVERIFY(w != nullptr && QTest::qWaitForWindowActive(w));
        QCOMPARE(w->windowTitle(), QString("Settings"));
        QTRY_COMPARE(QApplication::focusWidget(), w->editor("MYCALL"));
        w->close();
        QCOMPARE(openSettings(h), w);
    }

    // A value the program would correct or refuse is marked as it is typed, with the
    // reader's own reason, and Save waits until it is mended.
    void values_checkedAsTyped_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("told");
        QTest::newRow("SSID") << "MYCALL" << "IU4NEW-99" << "IU4NEW-99: an SSID is 0 to 15.";
        QTest::newRow("beacon") << "BEACON" << "1" << "1: a beacon goes at most every 5 minutes; 5 is used.";
        QTest::newRow("symbol") << "SYMBOL" << "car"
                                << "car: a symbol is a table (/, \\ or an overlay 0-9 or A-Z) and a code from ! to ~; /- is used.";
        QTest::newRow("decimal position, comma") << "MYLAT" << "44,5" << QString::fromUtf8("44,5: write it as 44°29'30\"N or 44.5028N.");
        QTest::newRow("markup stays text") << "MYCALL" << "<b>X</b>" << "<b>X</b>: a callsign is 1 to 6 letters or digits, then -SSID when needed.";
    }
    void values_checkedAsTyped() {
        QFETCH(QString, key);
        QFETCH(QString, typed);
        QFETCH(QString, told);
        Harness h;
        h.start("MYLAT=44.5\r\nMYLONG=11.3\r\n");
        SettingsWindow* w = openSettings(h);
        auto* save = w->findChild<QPushButton*>("Save");
        QVERIFY(save->isEnabled());
        retype(w, key.toStdString(), typed);
        QCOMPARE(w->problem(key.toStdString()), told);
        QVERIFY(!save->isEnabled());
        QTest::keyClick(line(w, key.toStdString()), Qt::Key_Return);
        QCOMPARE(h.readFile("Quilmo.ini"), std::string("MYLAT=44.5\r\nMYLONG=11.3\r\n"));
        retype(w, key.toStdString(), key == "MYLAT" ? "44.5N" : key == "SYMBOL" ? "/>" : key == "BEACON" ? "10" : "N0CALL-7");
        QCOMPARE(w->problem(key.toStdString()), QString());
        QVERIFY(save->isEnabled());
    }

    // Enter saves the one changed key into a file full of comments, unknown keys and odd
    // line ends; the session uses it at once and the notice line drops the mended problem.
    void save_writesOnlyTheChangeAndAppliesIt() {
        const std::string ini = "; my shack\r\n# MYCALL=OLD\nFAVOURITE=\xE0\x80\r\nMYCALL=IU4NEW-99\r\nBEACON=0\r\nSYMBOL=/>";
        Harness h;
        h.start(ini);
        QVERIFY(h.session->notices().text().find("MYCALL=IU4NEW-99 cannot be used") != std::string::npos);
        SettingsWindow* w = openSettings(h);
        QCOMPARE(line(w, "MYCALL")->text(), QString("IU4NEW-99"));
        QCOMPARE(w->problem("MYCALL"), QString("IU4NEW-99: an SSID is 0 to 15."));
        retype(w, "MYCALL", "IU4NEW-9");
        QTest::keyClick(line(w, "MYCALL"), Qt::Key_Return);
        QCOMPARE(w->saveMessage(), QString("Saved to Quilmo.ini and in use."));
        std::string expected = ini;
        expected.replace(expected.find("IU4NEW-99"), 9, "IU4NEW-9");
        QCOMPARE(h.readFile("Quilmo.ini"), expected);
        QCOMPARE(h.readFile("Quilmo.ini.bak"), ini);
        QCOMPARE(h.session->settings().myCall, std::string("IU4NEW-9"));
        QCOMPARE(h.session->notices().text(), std::string());
        QVERIFY(h.find<QLabel>("Label37")->isHidden());
        // A save of the window is no edit by hand.
        QTest::qWait(800);
        QCOMPARE(h.session->notices().text(), std::string());
    }

    // A new callsign makes the station afresh: the unread count and the messages window
    // follow the new one, and nothing holds on to the old.
    void newCallsign_remakesTheStation() {
        Harness h;
        h.start("APRS=1\r\nMYCALL=N0CALL\r\n");
        h.click("Label39");
        SettingsWindow* w = openSettings(h);
        retype(w, "MYCALL", "N0CALL-7");
        QVERIFY(w->save());
        QCOMPARE(h.session->settings().myCall, std::string("N0CALL-7"));
        h.port.feed("W1AW>APRS::N0CALL-7 :hello{1\r\n");
        QTRY_COMPARE(h.find<QLabel>("Label39")->text(), QString(" messages (1)"));
        QVERIFY(h.port.written.find("W1AW     :ack1") != std::string::npos);
        h.click("Label39");
    }

    // An editor replaces the file: it is read again and applied, and the notice line says so.
    void fileEditedByHand_isReadAgain() {
        Harness h;
        h.start("MYCALL=IU4NEW-99\r\n");
        QVERIFY(!h.session->notices().text().empty());
        const QString next = h.path("Quilmo.ini.tmp");
        QVERIFY(test::writeFile(next, "MYCALL=IU4NEW-7\r\nSYMBOL=/k\r\n"));
        QVERIFY(QFile::remove(h.path("Quilmo.ini")) && QFile::rename(next, h.path("Quilmo.ini")));
        QTRY_COMPARE(h.session->settings().myCall, std::string("IU4NEW-7"));
        QCOMPARE(h.session->settings().symbol, std::string("/k"));
        QCOMPARE(h.session->notices().text(), std::string("Quilmo.ini read again"));
        // Written in place the next time: still followed.
        QVERIFY(test::writeFile(h.path("Quilmo.ini"), "MYCALL=IU4NEW-8\r\n"));
        QTRY_COMPARE(h.session->settings().myCall, std::string("IU4NEW-8"));
    }

    // Nothing to work with: the window opens by itself and says what to fill in first. A
    // port named in Quilmo.ini (the demo's) is enough to start without it.
    void firstStart_opensTheWindowWithAHint_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<bool>("opens");
        QTest::newRow("empty file") << "" << true;
        QTest::newRow("only a log switch") << "SAVERX=1\r\n" << true;
        QTest::newRow("a device") << "DEVICE=/dev/ttyUSB0\r\nAPRS=1\r\n" << false;
        QTest::newRow("a callsign") << "MYCALL=N0CALL\r\n" << false;
    }
    void firstStart_opensTheWindowWithAHint() {
        QFETCH(QString, ini);
        QFETCH(bool, opens);
        Harness h;
        h.firstStartWindow = true;
        h.start(ini.toStdString());
        QTest::qWait(50);
        SettingsWindow* w = h.window->settingsWindow();
        QCOMPARE(w != nullptr && w->isVisible(), opens);
        if (!opens) return;
        QVERIFY(w->hint().startsWith("Welcome to Quilmo. Fill in your callsign first"));
        QTRY_COMPARE(QApplication::focusWidget(), w->editor("MYCALL"));
    }

    // The helpers beside the fields: the passcode of the callsign, a symbol from the grid,
    // and the own position from a click on the map.
    void helpers_fillTheirFields() {
        Harness h;
        h.start("APRS=1\r\nMYCALL=n0call-7\r\n");
        SettingsWindow* w = openSettings(h);
        QTest::mouseClick(w->findChild<QPushButton*>("ComputePasscode"), Qt::LeftButton);
        QCOMPARE(line(w, "PASSCODE")->text(), QString("13023"));
        QTest::mouseClick(w->findChild<QPushButton*>("ChooseSymbol"), Qt::LeftButton);
        auto* grid = w->findChild<QWidget*>("SymbolGrid");
        QVERIFY(grid != nullptr);
        QTest::mouseClick(grid->findChild<QToolButton*>("/k"), Qt::LeftButton);
        QCOMPARE(line(w, "SYMBOL")->text(), QString("/k"));
        QTest::mouseClick(w->findChild<QPushButton*>("PickOnMap"), Qt::LeftButton);
        MapWindow* map = h.window->mapWindow();
        QVERIFY(map != nullptr && QTest::qWaitForWindowExposed(map));
        MapView* view = map->view();
        const QPoint middle(view->width() / 2, view->height() / 2);
        const GeoPoint expected = unproject(view->viewport().toWorld(middle.x(), middle.y()));
        QTest::mouseClick(view, Qt::LeftButton, {}, middle);
        const auto text = [](double v, char pos, char neg) { return QString::number(std::fabs(v), 'f', 5) + QChar(v < 0 ? neg : pos); };
        QCOMPARE(line(w, "MYLAT")->text(), text(expected.latitude, 'N', 'S'));
        QCOMPARE(line(w, "MYLONG")->text(), text(expected.longitude, 'E', 'W'));
        QCOMPARE(w->problem("MYLAT"), QString());
        // One click only: the next is the map's own again.
        QTest::mouseClick(view, Qt::LeftButton, {}, middle + QPoint(30, 30));
        QCOMPARE(line(w, "MYLAT")->text(), text(expected.latitude, 'N', 'S'));
    }

    // A file that cannot be written keeps the edits and says why.
    void save_failureKeepsTheEdits() {
        Harness h;
        h.start("BAUD=9600\r\n");
        SettingsWindow* w = openSettings(h);
        retype(w, "BAUD", "4800");
        // A folder where the temporary file should go stands in the way.
        QVERIFY(QDir(h.dir.path()).mkdir("Quilmo.ini.new"));
        QVERIFY(QFile::copy(h.path("Quilmo.ini"), h.path("Quilmo.ini.new/x")));
        QVERIFY(!w->save());
        QVERIFY2(w->saveMessage().startsWith("Cannot write " + h.path("Quilmo.ini.bak.new") + ": Is a directory") ||
                     w->saveMessage().contains(": Is a directory"),
                 qPrintable(w->saveMessage()));
        QCOMPARE(line(w, "BAUD")->text(), QString("4800"));
        QCOMPARE(h.readFile("Quilmo.ini"), std::string("BAUD=9600\r\n"));
        QCOMPARE(h.session->settings().baudRate, 9600);
    }

    // WINDOWED=1: a normal window at its last size and place (most of the screen the first
    // time), laid out for its own size, and the place kept for the next start.
    void windowed_followsItsOwnSize_data() {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1024x768") << QSize(1024, 768);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
    }
    void windowed_followsItsOwnSize() {
        QFETCH(QSize, screen);
        Harness h;
        h.start("WINDOWED=1\r\nAPRS=1\r\n", {screen, 96});
        QVERIFY(!h.window->isFullScreen());
        QCOMPARE(h.window->size(), screen * 4 / 5);
        const auto placed = [&h](QSize size) {
            const WindowLayout layout = screenLayout(size.width(), size.height(), 96, true);
            for (const auto& [name, px] : layout.elements) {
                if (h.find(QString::fromStdString(name))->geometry() != QRect(px.x, px.y, px.width, px.height)) return false;
            }
            return true;
        };
        QVERIFY(placed(screen * 4 / 5));
        h.window->resize(screen.width() - 100, screen.height() - 120);
        QTRY_VERIFY(placed(QSize(screen.width() - 100, screen.height() - 120)));
        h.window->exitSequence();
        const QStringList kept = QString::fromStdString(h.readFile(MainWindow::kWindowPlaceName)).split(' ');
        QCOMPARE(kept.size(), 4);
        QCOMPARE(kept[2].toInt(), screen.width() - 100);
        QCOMPARE(kept[3].trimmed().toInt(), screen.height() - 120);
        // Without the key the window is the screen's, as always.
        Harness full;
        full.start("APRS=1\r\n", {screen, 96});
        QCOMPARE(full.window->size(), screen);
    }
};

QTEST_MAIN(MainWindowSettingsTest)
#include "main_window_settings_test.moc"
