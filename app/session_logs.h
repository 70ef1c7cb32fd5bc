#pragma once
#include <QObject>
#include <functional>
#include <string>
#include <string_view>

#include "app/config.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "terminal/logs.h"

class QTimer;

namespace quilmo {

// The three logs of a session and their timers: received text, sent text and the decoded
// records, each written two seconds after its own last text (and in batches while text
// keeps coming), so a busy channel never holds back what was sent. Every write's result
// goes to the observer.
class SessionLogs : public QObject {
    Q_OBJECT
public:
    SessionLogs(std::string filesFolder, std::function<LocalTime()> clock, QObject* parent = nullptr);

    void setWriteObserver(WriteObserver observer) { files_.setWriteObserver(std::move(observer)); }
    // The switches as Quilmo.ini sets them (then the window ticks its boxes, which calls
    // switched), and the header lines of the logs switched on.
    void prepareSwitches(const Settings& settings);
    void writeHeaders();
    // The "save Rx" / "save Tx" boxes.
    void switched(bool rx, bool checked);

    // Text for a log that is on; the others ignore it.
    void addRx(std::string_view text);
    void addTx(std::string_view text);
    void addAprs(std::string_view record);
    // The program ends: what waits is written, and no timer runs any more.
    void close();

    const LogBuffers& buffers() const { return buffers_; }

private:
    enum class Kind { Rx, Tx, Aprs };
    void textAdded(Kind log);

    LogFiles files_;
    LogBuffers buffers_;
    std::function<LocalTime()> clock_;
    bool closed_ = false;
    QTimer* rxQuiet_ = nullptr;
    QTimer* txQuiet_ = nullptr;
    QTimer* aprsQuiet_ = nullptr;
};

}  // namespace quilmo
