// One prepared statement of the results store, for the room's stores.
#pragma once

#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

namespace qmxsrv {

struct Statement {
    Statement(sqlite3 *db, const char *sql) { rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr); }
    ~Statement() { sqlite3_finalize(s); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    void text(int i, const std::string &t)
    {
        sqlite3_bind_text(s, i, t.data(), int(t.size()), SQLITE_TRANSIENT);
    }
    // t outlives the statement's next step: not copied.
    void staticText(int i, const std::string &t)
    {
        sqlite3_bind_text(s, i, t.data(), int(t.size()), SQLITE_STATIC);
    }
    void real(int i, double v)
    {
        if (std::isnan(v))
            sqlite3_bind_null(s, i);
        else
            sqlite3_bind_double(s, i, v);
    }
    void optionalReal(int i, const std::optional<double> &v) { real(i, v ? *v : NAN); }
    void integer(int i, std::int64_t v) { sqlite3_bind_int64(s, i, v); }
    std::string column(int i) const
    {
        const auto *p = sqlite3_column_text(s, i);
        return p ? std::string(reinterpret_cast<const char *>(p),
                               std::size_t(sqlite3_column_bytes(s, i)))
                 : std::string();
    }
    std::optional<double> optionalColumn(int i) const
    {
        if (sqlite3_column_type(s, i) == SQLITE_NULL)
            return std::nullopt;
        return sqlite3_column_double(s, i);
    }
    // Runs a statement that returns no rows: the step's result.
    int run() { return rc == SQLITE_OK ? sqlite3_step(s) : rc; }
    sqlite3_stmt *s = nullptr;
    int rc;
};

} // namespace qmxsrv
