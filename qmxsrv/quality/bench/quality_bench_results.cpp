// The results store alone (no board): record of a 255-channel part with
// synchronous=FULL, CSV export of 10,000 parts of 24 channels, and
// "qmxresults list --last 100" on a database of 1,000,000 parts, and the
// mastering due test that every recorded part runs, on the same database.
#include "quality/masteringstore.h"
#include "quality/resultscli.h"
#include "quality/resultsexport.h"
#include "quality/resultsstore.h"
#include "resultsbench.h"

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
using namespace qmxsrv::bench;

namespace {

PartRow part(int channels, int n)
{
    PartRow p;
    p.id = 0;
    p.recordedUtc = "2026-12-07T10:11:12.345Z";
    p.utcOffsetMin = 60;
    p.setup = "/setups/bench.qmx";
    p.serial = "A" + std::to_string(n);
    p.verdict = Verdict::Good;
    for (int c = 1; c <= channels; ++c)
        p.measurements.push_back({c, "Diameter " + std::to_string(c), 0.001 * c + 1e-7 * n,
                                  "0.00100", "mm", -0.01, -0.005, 0.005, 0.01, Verdict::Good});
    return p;
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
        // 255 channels mastered halfway, due every 10,000 parts or 8 hours.
        auto store = ResultsStore::open(path, false, error);
        MasteringStore masterings(*store);
        std::vector<int> channels;
        for (int c = 1; c <= 255; ++c) {
            MasteringRow m;
            m.recordedUtc = "2026-06-01T00:00:00.000Z";
            m.setup = "setup3";
            m.channel = c;
            m.kind = MasteringKind::OneMaster;
            m.lastPart = 500000;
            failures += !masterings.record(m, false, error);
            channels.push_back(c);
        }
        failures += !masterings.setInterval("setup3", {10000, 8}, error);
        const std::int64_t now = *utcMillis("2026-06-01T04:00:00.000Z");
        print("mastering due test, 255 ch, 1,000,000",
              times(20,
                    [&] {
                        if (masterings.due("setup3", channels, now, error).size() != 255)
                            ++failures;
                    }),
              10);
    }
    std::filesystem::remove_all(folder);
    if (failures)
        std::printf("failures: %d (%s)\n", failures, error.c_str());
    return failures ? 1 : 0;
}
