#include "quality/resultscli.h"

#include "core/programfolder.h"
#include "core/textfile.h"
#include "quality/resultsexport.h"
#include "quality/statistics.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace qmxsrv {

namespace {

const char *const Usage = "usage: qmxresults [--db PATH] list [--setup S] [--last N]\n"
                          "       qmxresults [--db PATH] stats [--setup S] [--last N]\n"
                          "       qmxresults [--db PATH] export --format csv|dfq [--setup S] "
                          "[--since ISO-TIME] [-o FILE]\n";

int usage(std::ostream &err, const std::string &why)
{
    err << "qmxresults: " << why << "\n" << Usage;
    return 2;
}

// The server's database: QMXSRV_RESULTS, else results.sqlite in the
// server's program folder, found by the server's own rule.
std::string defaultDb()
{
    if (const char *p = std::getenv("QMXSRV_RESULTS"); p && *p)
        return p;
    return folders::programFolder() + "/results.sqlite";
}

} // namespace

int resultsCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    std::string db = defaultDb(), command, setup, since, format, output;
    bool haveSetup = false;
    long last = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        const bool takesValue = a == "--db" || a == "--setup" || a == "--last" || a == "--since" ||
                                a == "--format" || a == "-o";
        if (takesValue && i + 1 >= args.size())
            return usage(err, a + " needs a value");
        if (a == "--db")
            db = args[++i];
        else if (a == "--setup")
            setup = args[++i], haveSetup = true;
        else if (a == "--since")
            since = args[++i];
        else if (a == "--format")
            format = args[++i];
        else if (a == "-o")
            output = args[++i];
        else if (a == "--last") {
            char *end = nullptr;
            last = std::strtol(args[++i].c_str(), &end, 10);
            if (*end || last <= 0)
                return usage(err, "--last needs a positive number");
        } else if (command.empty() && (a == "list" || a == "export" || a == "stats"))
            command = a;
        else
            return usage(err, "unknown argument " + a);
    }
    if (command.empty())
        return usage(err, "list, stats or export?");
    if (command == "export" && format != "csv" && format != "dfq")
        return usage(err, "--format must be csv or dfq");
    if (command != "export" && (!format.empty() || !output.empty() || !since.empty()))
        return usage(err, command + " takes --setup and --last only");
    if (command == "export" && last)
        return usage(err, "export takes no --last");

    std::string error;
    auto store = ResultsStore::open(db, true, error);
    if (!store) {
        err << "qmxresults: " << error << "\n";
        return 1;
    }
    const auto parts =
        store->parts(haveSetup ? &setup : nullptr, since, last, command != "list", error);
    if (!error.empty()) {
        err << "qmxresults: " << error << "\n";
        return 1;
    }
    if (command == "list") {
        for (const PartRow &p : parts)
            out << p.id << '\t' << p.recordedUtc << '\t' << verdictText(p.verdict) << '\t'
                << p.serial << '\t' << p.setup << '\n';
        return 0;
    }
    if (command == "stats") {
        std::set<int> channels;
        for (const PartRow &p : parts)
            for (const MeasurementRow &m : p.measurements)
                channels.insert(m.channel);
        out << "channel\tn\tmean\tsd\tcp\tcpk\tpp\tppk\n";
        for (int c : channels) {
            const ChannelStatistics s = statisticsOf(parts, c);
            out << c << '\t' << s.n << '\t' << statisticText(s.mean, 6) << '\t'
                << statisticText(s.sd, 6) << '\t' << statisticText(s.cp, 3) << '\t'
                << statisticText(s.cpk, 3) << '\t' << statisticText(s.pp, 3) << '\t'
                << statisticText(s.ppk, 3) << '\n';
        }
        return out ? 0 : 1;
    }
    if (format == "dfq" && !haveSetup && !parts.empty()) {
        // A .dfq file describes one part type: its K1001 is the setup's name.
        setup = parts.front().setup;
        for (const PartRow &p : parts)
            if (p.setup != setup)
                return usage(err, "a .dfq file holds one setup: name it with --setup");
    }
    const std::string text = format == "csv" ? writeCsv(parts) : writeDfq(parts, setup);
    if (output.empty()) {
        out << text;
        return out ? 0 : 1;
    }
    // Written whole or not at all: a job reading the file never sees half.
    const std::string why = saveTextFileAtomically(output, text);
    if (!why.empty()) {
        err << "qmxresults: cannot write " << output << ": " << why << "\n";
        return 1;
    }
    return 0;
}

} // namespace qmxsrv
