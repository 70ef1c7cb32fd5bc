#pragma once
// Shared by the main-window tests: an in-memory serial port, a pinned clock, message
// boxes and clipboard that only record, and a temporary program directory.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "app/main_window.h"
#include "platform/serial_port.h"

namespace quilmo::test {

class FakeSerialPort : public SerialPort {
public:
    bool open(const PortSettings& settings, std::string& error) override {
        opened = settings;
        ++openCalls;
        if (failOpen) {
            error = openError;
            return false;
        }
        isOpen_ = true;
        return true;
    }
    bool isOpen() const override { return isOpen_; }
    std::string readAll() override { return std::exchange(pending, {}); }
    void write(std::string_view bytes) override { written += bytes; }
    void close() override {
        isOpen_ = false;
        ++closeCalls;
    }

    // The far end sends bytes: they wait in the port and the receive callback fires.
    void feed(std::string_view bytes) {
        pending += bytes;
        if (onReceive) onReceive();
    }
    void notifyWithoutData() {
        if (onReceive) onReceive();
    }
    void setConnected(bool connected) {
        if (onConnectionChanged) onConnectionChanged(connected);
    }

    bool failOpen = false;
    std::string openError = "No such file or directory";
    PortSettings opened;
    int openCalls = 0;
    int closeCalls = 0;
    std::string pending;
    std::string written;

private:
    bool isOpen_ = false;
};

struct Harness {
    QTemporaryDir dir;
    FakeSerialPort port;
    LocalTime now{2026, 12, 5, 14, 15, 3};
    QStringList messageTitles;
    QStringList messages;
    QStringList clipboard;
    int terminations = 0;
    std::unique_ptr<MainWindow> window;

    std::string path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }

    void writeFile(const std::string& name, std::string_view bytes) const {
        QFile f(QString::fromStdString(path(name)));
        if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", name.c_str());
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    std::string readFile(const std::string& name) const {
        QFile f(QString::fromStdString(path(name)));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return f.readAll().toStdString();
    }

    bool exists(const std::string& name) const { return QFile::exists(QString::fromStdString(path(name))); }

    MainWindow& start(const std::string& ini = {}, ScreenMetrics screen = {QSize(1024, 768), 96}) {
        writeFile("Quilmo.ini", ini);
        WindowSeams seams{port,
                          [this] { return now; },
                          [this](const QString& title, const QString& text) {
                              messageTitles << title;
                              messages << text;
                          },
                          [this](const QString& text) { clipboard << text; },
                          [this] { ++terminations; },
                          screen};
        window = std::make_unique<MainWindow>(dir.path().toStdString(), std::move(seams));
        window->startUp();
        return *window;
    }

    // Shows the window and waits until it is the active one.
    void showAndActivate() {
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get())) qFatal("main window never became active");
    }

    template <typename T>
    T* find(const char* name) const {
        T* widget = window->findChild<T*>(QLatin1String(name));
        if (widget == nullptr) qFatal("no element %s", name);
        return widget;
    }
};

}  // namespace quilmo::test
