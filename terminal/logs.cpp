#include "terminal/logs.h"

#include <utility>

#include "platform/files.h"

namespace quilmo {
namespace {

// A log that cannot be written loses this text and nothing else: appendToFile opens
// at the end and never truncates, and the program carries on without a message.
void appendAndEmpty(const std::string& path, std::string& buffer) {
    static_cast<void>(appendToFile(path, buffer));
    buffer.clear();
}

void addPending(const std::string& path, std::int16_t save, std::string& buffer, std::string_view text) {
    if (save != 1) return;
    buffer.append(text);
    if (buffer.size() > LogFiles::kBatch) appendAndEmpty(path, buffer);
}

void onSaveChanged(const std::string& path, std::int16_t& save, std::string& buffer, bool checked,
                   const LocalTime& now) {
    if (save == 2) {
        // Start-up has just ticked the box; it writes the header itself.
        save = 1;
        return;
    }
    if (checked && save == 0) {
        buffer = logHeaderLine(now);
        appendAndEmpty(path, buffer);
        save = 1;
    } else if (!checked && save == 1) {
        if (!buffer.empty()) appendAndEmpty(path, buffer);
        save = 0;
    }
}

}  // namespace

std::string logHeaderLine(const LocalTime& now) {
    return "------------- " + dateText(now) + "  " + timeText(now) + " -----------------\r\n";
}

LogFiles::LogFiles(std::string directory) : dir_(std::move(directory)) {}

std::string LogFiles::rxPath() const { return joinPath(dir_, "$log_rx.txt"); }
std::string LogFiles::txPath() const { return joinPath(dir_, "$log_tx.txt"); }
std::string LogFiles::aprsPath() const { return joinPath(dir_, "$log_aprs.txt"); }

void LogFiles::flushRxLog(LogBuffers& buffers) const { appendAndEmpty(rxPath(), buffers.rxLogBuffer); }
void LogFiles::flushTxLog(LogBuffers& buffers) const { appendAndEmpty(txPath(), buffers.txLogBuffer); }

void LogFiles::appendAprsLog(std::string_view record) const {
    // One write, so a record never reaches the file without its line end.
    std::string line(record);
    line += "\r\n";
    static_cast<void>(appendToFile(aprsPath(), line));
}

void LogFiles::addRx(LogBuffers& buffers, std::string_view chunk) const {
    addPending(rxPath(), buffers.saveRx, buffers.rxLogBuffer, chunk);
}

void LogFiles::addTx(LogBuffers& buffers, std::string_view text) const {
    addPending(txPath(), buffers.saveTx, buffers.txLogBuffer, text);
}

void LogFiles::onSaveRxChanged(LogBuffers& buffers, bool checked, const LocalTime& now) const {
    onSaveChanged(rxPath(), buffers.saveRx, buffers.rxLogBuffer, checked, now);
}

void LogFiles::onSaveTxChanged(LogBuffers& buffers, bool checked, const LocalTime& now) const {
    onSaveChanged(txPath(), buffers.saveTx, buffers.txLogBuffer, checked, now);
}

}  // namespace quilmo
