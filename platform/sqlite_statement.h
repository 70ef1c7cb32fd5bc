#pragma once
#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quilmo {

// A prepared statement that finalizes itself, for the stores that keep their rows in
// quilmo.sqlite. Texts are bound and read as bytes: what the program keeps is exactly
// what it wrote.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~SqliteStatement() { sqlite3_finalize(stmt_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool ok() const { return stmt_ != nullptr; }
    void bind(int i, std::int64_t v) {
        if (ok()) sqlite3_bind_int64(stmt_, i, v);
    }
    void bind(int i, const std::optional<double>& v) {
        if (!ok()) return;
        if (v) {
            sqlite3_bind_double(stmt_, i, *v);
        } else {
            sqlite3_bind_null(stmt_, i);
        }
    }
    // A copy is taken: the text may go before the statement runs.
    void bind(int i, const std::string& v) {
        if (ok()) sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    // No copy: the text must outlive the next run() or step().
    void bindView(int i, const std::string& v) {
        if (ok()) sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
    }
    // One step to its end: a write, and ready for the next.
    bool run() {
        const bool done = sqlite3_step(stmt_) == SQLITE_DONE;
        sqlite3_reset(stmt_);
        return done;
    }
    int step() { return sqlite3_step(stmt_); }
    void reset() { sqlite3_reset(stmt_); }
    std::int64_t integer(int i) const { return sqlite3_column_int64(stmt_, i); }
    double real(int i) const { return sqlite3_column_double(stmt_, i); }
    std::optional<double> optionalReal(int i) const {
        if (sqlite3_column_type(stmt_, i) == SQLITE_NULL) return std::nullopt;
        return real(i);
    }
    std::string text(int i) const { return std::string(view(i)); }
    // The same without a copy, valid until the next step.
    std::string_view view(int i) const {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        return data == nullptr ? std::string_view() : std::string_view(data, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i)));
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// "Cannot write /x/quilmo.sqlite: database is locked." — SQLite's own reason, so it must
// be asked right after the call that failed.
inline std::string sqliteFailure(sqlite3* db, const char* doing, const std::string& path) {
    return std::string("Cannot ") + doing + " " + path + ": " + (db != nullptr ? sqlite3_errmsg(db) : "out of memory") + ".";
}

}  // namespace quilmo
