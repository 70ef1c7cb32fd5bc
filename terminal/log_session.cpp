#include "terminal/log_session.h"

namespace quilmo {

void markConfiguredLogs(LogBuffers& buffers) {
    if (buffers.saveRx == 1) buffers.saveRx = 2;
    if (buffers.saveTx == 1) buffers.saveTx = 2;
}

void writeStartHeaders(const LogFiles& logs, LogBuffers& buffers, const LocalTime& now) {
    if (buffers.saveRx == 1) {
        buffers.rxLogBuffer = logHeaderLine(now);
        logs.flushRxLog(buffers);
    }
    if (buffers.saveTx == 1) {
        buffers.txLogBuffer = logHeaderLine(now);
        logs.flushTxLog(buffers);
    }
}

void flushPendingLogs(const LogFiles& logs, LogBuffers& buffers) {
    logs.flushPending(buffers);
}

}  // namespace quilmo
