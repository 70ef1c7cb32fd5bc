#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/local_time.h"

namespace quilmo {

// "------------- YYYY-MM-DD  HH:MM -----------------" CR LF
std::string logHeaderLine(const LocalTime& now);

// Pending text of the two text logs and their switches (0 off, 1 on, 2 set by start-up).
struct LogBuffers {
    std::int16_t saveRx = 0;
    std::int16_t saveTx = 0;
    std::string rxLogBuffer;
    std::string txLogBuffer;
};

// The three log files of a program directory. Writers drop text on a file error
// (the buffer is emptied all the same) and never truncate an existing file.
class LogFiles {
public:
    static constexpr std::size_t kBatch = 128;  // flush when a buffer grows past this
    explicit LogFiles(std::string directory);
    void flushRxLog(LogBuffers& buffers) const;
    void flushTxLog(LogBuffers& buffers) const;
    // Appends the record and CR LF to "$log_aprs.txt".
    void appendAprsLog(std::string_view record) const;
    std::string rxPath() const;
    std::string txPath() const;
    std::string aprsPath() const;

    // Received / sent text while the log is on; flushes past kBatch.
    void addRx(LogBuffers& buffers, std::string_view chunk) const;
    void addTx(LogBuffers& buffers, std::string_view text) const;

    // "save Rx" / "save Tx" check box handlers.
    void onSaveRxChanged(LogBuffers& buffers, bool checked, const LocalTime& now) const;
    void onSaveTxChanged(LogBuffers& buffers, bool checked, const LocalTime& now) const;

private:
    std::string dir_;
};

}  // namespace quilmo
