#include "app/session_logs.h"

#include <QTimer>
#include <utility>

namespace quilmo {
namespace {

constexpr int kQuietMs = 2000;

}  // namespace

SessionLogs::SessionLogs(std::string filesFolder, std::function<LocalTime()> clock, QObject* parent)
    : QObject(parent), files_(std::move(filesFolder)), clock_(std::move(clock)) {
    const auto makeTimer = [this](Kind log, auto flush) {
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->setInterval(kQuietMs);
        connect(timer, &QTimer::timeout, this, [this, log, flush] {
            flush();
            textAdded(log);  // text a failing file kept is tried again two seconds later
        });
        return timer;
    };
    rxQuiet_ = makeTimer(Kind::Rx, [this] { files_.flushRxLog(buffers_); });
    txQuiet_ = makeTimer(Kind::Tx, [this] { files_.flushTxLog(buffers_); });
    aprsQuiet_ = makeTimer(Kind::Aprs, [this] { files_.flushAprsLog(buffers_); });
}

void SessionLogs::prepareSwitches(const Settings& settings) {
    // 2 marks "switched on by the configuration": the box handler then only turns it into 1,
    // and the header is written by writeHeaders, once.
    buffers_.saveRx = settings.saveRx == 1 ? 2 : 0;
    buffers_.saveTx = settings.saveTx == 1 ? 2 : 0;
}

void SessionLogs::writeHeaders() {
    const std::string header = logHeaderLine(clock_());
    if (buffers_.saveRx == 1) {
        buffers_.rxLogBuffer = header;
        files_.flushRxLog(buffers_);
    }
    if (buffers_.saveTx == 1) {
        buffers_.txLogBuffer = header;
        files_.flushTxLog(buffers_);
    }
}

void SessionLogs::switched(bool rx, bool checked) {
    if (rx) {
        files_.onSaveRxChanged(buffers_, checked, clock_());
    } else {
        files_.onSaveTxChanged(buffers_, checked, clock_());
    }
    textAdded(rx ? Kind::Rx : Kind::Tx);
}

void SessionLogs::addRx(std::string_view text) {
    if (buffers_.saveRx == 1 && !text.empty()) files_.addRx(buffers_, text);
    textAdded(Kind::Rx);
}

void SessionLogs::addTx(std::string_view text) {
    if (buffers_.saveTx == 1) files_.addTx(buffers_, text);
    textAdded(Kind::Tx);
}

void SessionLogs::addAprs(std::string_view record) {
    files_.appendAprsLog(buffers_, record);
    textAdded(Kind::Aprs);
}

void SessionLogs::close() {
    if (closed_) return;
    closed_ = true;
    for (QTimer* timer : {rxQuiet_, txQuiet_, aprsQuiet_}) timer->stop();
    files_.flushPending(buffers_);
}

// A log's timer is restarted by its own new text only, so it fires two seconds after that
// log's last text, and runs only while something waits to be written.
void SessionLogs::textAdded(Kind log) {
    QTimer* timer = log == Kind::Rx ? rxQuiet_ : log == Kind::Tx ? txQuiet_ : aprsQuiet_;
    const std::string& pending = log == Kind::Rx   ? buffers_.rxLogBuffer
                                 : log == Kind::Tx ? buffers_.txLogBuffer
                                                   : buffers_.aprsLogBuffer;
    if (closed_ || pending.empty()) {
        timer->stop();
        return;
    }
    timer->start();
}

}  // namespace quilmo
