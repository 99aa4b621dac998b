// What the results benchmarks share: timing runs, and a large store filled
// quickly (in one transaction: that many durable records would take minutes
// and measure nothing new).
#pragma once

#include "quality/resultsstore.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace qmxsrv::bench {

using Clock = std::chrono::steady_clock;

inline std::vector<double> times(int runs, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms;
}

inline void print(const char *what, const std::vector<double> &ms, double targetMs)
{
    const double median = ms[ms.size() / 2];
    const double p95 = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    std::printf("%-40s median %8.2f ms  95%% %8.2f ms  (target under %.0f ms)\n", what, median, p95,
                targetMs);
}

// A store of n parts, ten setups in turn ("setup0" to "setup9"), the parts
// from measuredFrom on with channels measurements each.
inline void fill(const std::string &path, int n, int channels, int measuredFrom = 1)
{
    std::string error;
    ResultsStore::open(path, false, error); // the schema
    sqlite3 *db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *ps = nullptr, *ms = nullptr;
    // The columns named: those added by later schema steps keep their defaults.
    sqlite3_prepare_v2(db,
                       "INSERT INTO parts(id, recorded_utc, utc_offset_min, setup, serial, verdict)"
                       " VALUES(?,?,60,?,?,'good')",
                       -1, &ps, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO measurements VALUES(?,?,?,?,'0.00100','mm',-0.01,"
                       "-0.005,0.005,0.01,'good')",
                       -1, &ms, nullptr);
    char utc[32];
    for (int i = 1; i <= n; ++i) {
        std::snprintf(utc, sizeof utc, "2026-%02d-%02dT%02d:%02d:%02d.%03dZ", 1 + i / 86400 % 12,
                      1 + i / 3600 % 28, i / 60 % 24, i % 60, i % 60, i % 1000);
        const std::string setup = "setup" + std::to_string(i % 10), serial = std::to_string(i);
        sqlite3_reset(ps);
        sqlite3_bind_int(ps, 1, i);
        sqlite3_bind_text(ps, 2, utc, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ps, 3, setup.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ps, 4, serial.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(ps);
        for (int c = 1; i >= measuredFrom && c <= channels; ++c) {
            const std::string d = "Diameter " + std::to_string(c);
            sqlite3_reset(ms);
            sqlite3_bind_int(ms, 1, i);
            sqlite3_bind_int(ms, 2, c);
            sqlite3_bind_text(ms, 3, d.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(ms, 4, 0.001 * c + 1e-7 * i);
            sqlite3_step(ms);
        }
    }
    sqlite3_finalize(ps);
    sqlite3_finalize(ms);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

} // namespace qmxsrv::bench
