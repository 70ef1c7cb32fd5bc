#include "terminal/logs.h"

#include <utility>

namespace quilmo {
namespace {

// Cutting somewhat below the limit makes dropping rare even while every chunk of a
// flood lands on a full disk.
constexpr std::size_t kDropSlack = 64 * 1024;

void keepWithinLimit(std::string& text, std::uint64_t& dropped) {
    if (text.size() <= LogFiles::kPendingLimit) return;
    const std::size_t cut = text.size() - (LogFiles::kPendingLimit - kDropSlack);
    text.erase(0, cut);
    dropped += cut;
}

}  // namespace

std::string logHeaderLine(const LocalTime& now) {
    return "------------- " + dateText(now) + "  " + timeText(now) + " -----------------\r\n";
}

LogFiles::LogFiles(std::string directory) : dir_(std::move(directory)) {}

std::string LogFiles::rxPath() const { return joinPath(dir_, "$log_rx.txt"); }
std::string LogFiles::txPath() const { return joinPath(dir_, "$log_tx.txt"); }
std::string LogFiles::aprsPath() const { return joinPath(dir_, "$log_aprs.txt"); }

LogFiles::Pending LogFiles::rx(LogBuffers& buffers) const {
    return {rxPath(), buffers.rxLogBuffer, buffers.rxDropped};
}

LogFiles::Pending LogFiles::tx(LogBuffers& buffers) const {
    return {txPath(), buffers.txLogBuffer, buffers.txDropped};
}

void LogFiles::write(const Pending& log) const {
    if (log.text.empty()) return;
    const WriteResult result = appendBytes(log.path, log.text);
    // What reached the file is gone from the buffer, so a retry never writes it twice.
    log.text.erase(0, result.written);
    keepWithinLimit(log.text, log.dropped);
    if (observer_) observer_(log.path, result, log.dropped);
    if (result.ok()) log.dropped = 0;
}

void LogFiles::flushRxLog(LogBuffers& buffers) const { write(rx(buffers)); }
void LogFiles::flushTxLog(LogBuffers& buffers) const { write(tx(buffers)); }

void LogFiles::appendAprsLog(LogBuffers& buffers, std::string_view record) const {
    // One write, so a record never reaches the file without its line end.
    buffers.aprsLogBuffer.append(record);
    buffers.aprsLogBuffer += "\r\n";
    flushAprsLog(buffers);
}

void LogFiles::flushAprsLog(LogBuffers& buffers) const { write({aprsPath(), buffers.aprsLogBuffer, buffers.aprsDropped}); }

void LogFiles::flushPending(LogBuffers& buffers) const {
    write(rx(buffers));
    write(tx(buffers));
    flushAprsLog(buffers);
}

bool LogFiles::hasPending(const LogBuffers& buffers) {
    return !buffers.rxLogBuffer.empty() || !buffers.txLogBuffer.empty() || !buffers.aprsLogBuffer.empty();
}

void LogFiles::addRx(LogBuffers& buffers, std::string_view chunk) const {
    if (buffers.saveRx != 1) return;
    buffers.rxLogBuffer.append(chunk);
    if (buffers.rxLogBuffer.size() > kBatch) flushRxLog(buffers);
}

void LogFiles::addTx(LogBuffers& buffers, std::string_view text) const {
    if (buffers.saveTx != 1) return;
    buffers.txLogBuffer.append(text);
    if (buffers.txLogBuffer.size() > kBatch) flushTxLog(buffers);
}

void LogFiles::onSaveChanged(const Pending& log, std::int16_t& save, bool checked, const LocalTime& now) const {
    if (save == 2) {
        // Start-up has just ticked the box; it writes the header itself.
        save = 1;
        return;
    }
    if (checked && save == 0) {
        // Text still pending here is text a failing file could not take: it goes first.
        log.text += logHeaderLine(now);
        write(log);
        save = 1;
    } else if (!checked && save == 1) {
        write(log);
        save = 0;
    }
}

void LogFiles::onSaveRxChanged(LogBuffers& buffers, bool checked, const LocalTime& now) const {
    onSaveChanged(rx(buffers), buffers.saveRx, checked, now);
}

void LogFiles::onSaveTxChanged(LogBuffers& buffers, bool checked, const LocalTime& now) const {
    onSaveChanged(tx(buffers), buffers.saveTx, checked, now);
}

}  // namespace quilmo
