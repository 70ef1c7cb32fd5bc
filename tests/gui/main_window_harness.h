#pragma once
// The real main window, shown offscreen, with a pinned clock, a temporary program
// directory, and message boxes and clipboard that only record.
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../e2e/qt_files.h"
#include "../unit/fake_serial_port.h"
#include "app/growing_view.h"
#include "app/link_session.h"
#include "app/main_window.h"
#include "platform/serial_port.h"

namespace quilmo::test {

// Under the pinned clock: what every log starts with, the track APRS start opens, and a
// home station's position report with its record.
inline const std::string kLogHeader = "------------- 2026-12-05  14:15 -----------------\r\n";
inline const std::string kKml = "kml/$20261205_1415.kml";
inline const std::string kPosition = "SRC>DEST,PATH:!4430.60N/01120.10E-text\r\n";
inline const std::string kRecord =
    "------- 2026-12-05 14:15 ------\r\nSRC>DEST,PATH:\r\nlat./lon.: 44\xb0" "30'36\"N 11\xb0" "20'6\"E\r\n"
    "dec.coord: 44.51 11.335\r\nstation..: Home\r\nmessage..: text\r\n\r\n";

// Port is the in-memory fake here, the real QSerialPort in the end-to-end tests.
template <typename Port>
struct BasicHarness {
    QTemporaryDir dir;
    Port port;
    QStringList messages;   // "title: text"
    QStringList clipboard;
    int terminations = 0;
    bool firstStartWindow = false;  // as the program runs: a setup with nothing to work with opens the settings
    int beeps = 0;          // the desktop's bell
    std::unique_ptr<LinkSession> session;
    std::unique_ptr<MainWindow> window;

    QString path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)); }
    void writeFile(const std::string& name, std::string_view bytes) const {
        if (!test::writeFile(path(name), QByteArray(bytes.data(), std::ssize(bytes))))
            qFatal("cannot write %s", name.c_str());
    }
    std::string readFile(const std::string& name) const {
        return QFile::exists(path(name)) ? test::readFile(path(name)).toStdString() : "<missing>";
    }

    // Start-up as the program runs it, then the window shown and active.
    MainWindow& start(const std::string& ini = {}, ScreenMetrics screen = {QSize(1024, 768), 96}) {
        writeFile("Quilmo.ini", ini);
        session = std::make_unique<LinkSession>(dir.path().toStdString(), port,
                                                [] { return LocalTime{2026, 12, 5, 14, 15, 3}; });
        WindowSeams seams{[this](const QString& title, const QString& text) { messages << title + ": " + text; },
                          [this](const QString& text) { clipboard << text; },
                          [this] { ++terminations; },
                          screen, firstStartWindow, [this] { ++beeps; }};
        window = std::make_unique<MainWindow>(*session, std::move(seams));
        window->startUp();
        window->show();  // full screen in the program; the seam gives the screen size here
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get())) qFatal("main window never became active");
        return *window;
    }

    template <typename T = QWidget>
    T* find(const QString& name) const {
        T* widget = window->findChild<T*>(name);
        if (widget == nullptr) qFatal("no element %s", qPrintable(name));
        return widget;
    }
    void click(const QString& name) const { QTest::mouseClick(find(name), Qt::LeftButton); }
    // Typed into the Tx buffer, then sent with `key`.
    void send(const QString& text, Qt::Key key = Qt::Key_Return) const {
        find("Text3")->setFocus();
        QTest::keyClicks(find("Text3"), text);
        QTest::keyClick(find("Text3"), key);
    }
    // APRS start, then the filter window's "Ok", as the user does it.
    bool startAprs() const {
        click("Label32");
        QWidget* filter = find("Form2");
        if (!QTest::qWaitFor([filter] { return filter->isVisible(); })) return false;
        QTest::mouseClick(filter->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        return QTest::qWaitFor([filter] { return !filter->isVisible(); });
    }
    // A growing view is brought up to date first, and shows its lines with rows joined.
    QString text(const QString& name) const {
        auto* view = find<QPlainTextEdit>(name);
        auto* growing = qobject_cast<GrowingView*>(view);
        if (growing == nullptr) return view->toPlainText();
        growing->paintNow();
        return growing->shownText();
    }
};
using Harness = BasicHarness<FakeSerialPort>;

}  // namespace quilmo::test
