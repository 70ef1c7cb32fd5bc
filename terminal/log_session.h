#pragma once
#include "platform/local_time.h"
#include "terminal/logs.h"

namespace quilmo {

// Start-up, before the check boxes are set: a log the configuration switched on (1)
// becomes 2, so the box's handler only turns it back into 1 and writes no header.
void markConfiguredLogs(LogBuffers& buffers);
// Start-up, after the check boxes are set: each log that is on begins with one header line.
void writeStartHeaders(const LogFiles& logs, LogBuffers& buffers, const LocalTime& now);
// Exit: writes whatever text is still pending in any log.
void flushPendingLogs(const LogFiles& logs, LogBuffers& buffers);

}  // namespace quilmo
