#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/local_time.h"

namespace quilmo {

// "------------- YYYY-MM-DD  HH:MM -----------------" CR LF
std::string logHeaderLine(const LocalTime& now);

// Pending text of the logs and the two switches (0 off, 1 on, 2 set by start-up).
// Text stays pending until a write takes it; what a failing file cannot take waits
// for the next write that works, up to LogFiles::kPendingLimit per log.
struct LogBuffers {
    std::int16_t saveRx = 0;
    std::int16_t saveTx = 0;
    std::string rxLogBuffer;
    std::string txLogBuffer;
    std::string aprsLogBuffer;
    // Oldest pending bytes given up since each log was last written.
    std::uint64_t rxDropped = 0;
    std::uint64_t txDropped = 0;
    std::uint64_t aprsDropped = 0;
};

// The three log files of a program directory. A write that fails or is cut short
// keeps the text it did not write, so nothing is written twice or lost while the
// file can take it again; an existing file is never truncated.
class LogFiles {
public:
    static constexpr std::size_t kBatch = 128;                  // flush when a buffer grows past this
    static constexpr std::size_t kPendingLimit = 1024 * 1024;  // per log, while its file fails
    explicit LogFiles(std::string directory);
    // Every write attempt is reported here.
    void setWriteObserver(WriteObserver observer) { observer_ = std::move(observer); }

    void flushRxLog(LogBuffers& buffers) const;
    void flushTxLog(LogBuffers& buffers) const;
    // Appends the record and CR LF to "$log_aprs.txt".
    void appendAprsLog(LogBuffers& buffers, std::string_view record) const;
    // Writes what "$log_aprs.txt" could not take before.
    void flushAprsLog(LogBuffers& buffers) const;
    // Writes whatever any of the three logs holds pending.
    void flushPending(LogBuffers& buffers) const;
    static bool hasPending(const LogBuffers& buffers);
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
    struct Pending {
        std::string path;
        std::string& text;
        std::uint64_t& dropped;
    };
    Pending rx(LogBuffers& buffers) const;
    Pending tx(LogBuffers& buffers) const;
    void write(const Pending& log) const;
    void onSaveChanged(const Pending& log, std::int16_t& save, bool checked, const LocalTime& now) const;

    std::string dir_;
    WriteObserver observer_;
};

}  // namespace quilmo
