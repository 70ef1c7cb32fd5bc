#pragma once
#include <string>

#include "platform/station_store.h"

struct sqlite3;

namespace quilmo {

// Heard stations and their tracks in tables of their own beside the messages, in the same
// file through a connection of its own (WAL journal, one transaction per batch). A write
// waits only a few milliseconds for a lock another program holds: the caller keeps what
// could not be written and tries again.
class SqliteStationStore : public StationStore {
public:
    explicit SqliteStationStore(std::string path);
    ~SqliteStationStore() override;
    SqliteStationStore(const SqliteStationStore&) = delete;
    SqliteStationStore& operator=(const SqliteStationStore&) = delete;

    bool load(std::int64_t since, const std::function<void(const KeptStation&)>& station,
              const std::function<void(const KeptPoint&)>& point, std::string& reason) override;
    bool apply(const StationBatch& batch, std::string& reason) override;
    bool dropOlderThan(std::int64_t before, std::size_t mostPoints, std::string& reason) override;

private:
    bool open(std::string& reason);
    bool execute(const char* sql, std::string& reason);
    bool writeAll(const StationBatch& batch, std::string& reason);
    bool transaction(const std::function<bool(std::string&)>& work, std::string& reason);
    void close();
    std::string failure(const char* doing) const;

    std::string path_;
    sqlite3* db_ = nullptr;
};

}  // namespace quilmo
