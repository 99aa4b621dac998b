// The results store alone (no board): record of a 255-channel part with
// synchronous=FULL, CSV export of 10,000 parts of 24 channels, and
// "qmxresults list --last 100" on a database of 1,000,000 parts.
#include "resultscli.h"
#include "resultsexport.h"
#include "resultsstore.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

using namespace qmxsrv;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<double> times(int runs, const std::function<void()> &work)
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

void print(const char *what, const std::vector<double> &ms, double targetMs)
{
    const double median = ms[ms.size() / 2];
    const double p95 = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    std::printf("%-40s median %8.2f ms  95%% %8.2f ms  (target under %.0f ms)\n", what, median, p95,
                targetMs);
}

PartRow part(int channels, int n)
{
    PartRow p{0,
              "2026-12-07T10:11:12.345Z",
              60,
              "/setups/bench.qmx",
              "A" + std::to_string(n),
              Verdict::Good,
              {}};
    for (int c = 1; c <= channels; ++c)
        p.measurements.push_back({c, "Diameter " + std::to_string(c), 0.001 * c + 1e-7 * n,
                                  "0.00100", "mm", -0.01, -0.005, 0.005, 0.01, Verdict::Good});
    return p;
}

// A store of n parts with channels measurements each, ten setups in turn,
// filled in one transaction: that many durable records would take minutes
// and measure nothing new.
void fill(const std::string &path, int n, int channels)
{
    std::string error;
    ResultsStore::open(path, false, error); // the schema
    sqlite3 *db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *ps = nullptr, *ms = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO parts VALUES(?,?,60,?,?,'good')", -1, &ps, nullptr);
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
        for (int c = 1; c <= channels; ++c) {
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

} // namespace

int main()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "qmxbench-XXXXXX").string();
    const std::filesystem::path folder = ::mkdtemp(pattern.data());
    std::string error;
    int failures = 0;

    {
        auto store = ResultsStore::open((folder / "record.sqlite").string(), false, error);
        const PartRow p = part(255, 0);
        print("record, 255 channels (store alone)",
              times(100,
                    [&] {
                        if (!store->record(p, error))
                            ++failures;
                    }),
              20);
    }
    {
        std::vector<PartRow> all;
        for (int i = 0; i < 10000; ++i)
            all.push_back(part(24, i));
        print("CSV text of 10,000 parts x 24 channels", times(5, [&] { writeCsv(all); }), 1000);
        const std::string path = (folder / "export.sqlite").string();
        fill(path, 10000, 24);
        const std::string file = (folder / "out.csv").string();
        print("qmxresults export --format csv -o FILE",
              times(5,
                    [&] {
                        std::ostringstream out, err;
                        failures +=
                            resultsCommand({"--db", path, "export", "--format", "csv", "-o", file},
                                           out, err) != 0;
                    }),
              1000);
    }
    {
        const std::string path = (folder / "list.sqlite").string();
        fill(path, 1000000, 0);
        for (const auto &args : {std::vector<std::string>{"--db", path, "list", "--last", "100"},
                                 std::vector<std::string>{"--db", path, "list", "--setup", "setup3",
                                                          "--last", "100"}}) {
            print(args.size() == 5 ? "list --last 100 of 1,000,000 parts"
                                   : "list --setup S --last 100 of 1,000,000",
                  times(20,
                        [&] {
                            std::ostringstream out, err;
                            failures += resultsCommand(args, out, err) != 0;
                        }),
                  50);
        }
    }
    std::filesystem::remove_all(folder);
    if (failures)
        std::printf("failures: %d (%s)\n", failures, error.c_str());
    return failures ? 1 : 0;
}
