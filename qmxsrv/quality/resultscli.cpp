#include "quality/resultscli.h"

#include "core/programfolder.h"
#include "core/textfile.h"
#include "quality/resultsexport.h"
#include "quality/resultsstore.h"
#include "quality/statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>

namespace qmxsrv {

namespace {

// The server's database: QMXSRV_RESULTS, else results.sqlite in the
// server's program folder, found by the server's own rule.
std::string defaultDb()
{
    if (const char *p = std::getenv("QMXSRV_RESULTS"); p && *p)
        return p;
    return folders::programFolder() + "/results.sqlite";
}

std::vector<const cli::Command *> allCommands()
{
    std::vector<const cli::Command *> all;
    for (const auto *room : {&cli::partCommands(), &cli::spcCommands(), &cli::studyCommands(),
                             &cli::masteringCommands()})
        for (const cli::Command &c : *room)
            all.push_back(&c);
    return all;
}

std::string usageText()
{
    std::string text;
    for (const cli::Command *c : allCommands())
        text += std::string(text.empty() ? "usage: " : "       ") + "qmxresults [--db PATH] " +
                c->usage + "\n";
    return text;
}

// "--a, --b and --c"
std::string listed(const std::vector<const char *> &names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += std::string(i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

bool contains(const std::vector<const char *> &names, const std::string &name)
{
    return std::find_if(names.begin(), names.end(), [&](const char *n) { return name == n; }) !=
           names.end();
}

// list, stats, export: the parts of the store.
int listParts(const cli::Args &args, ResultsStore *store, std::ostream &out, std::ostream &err);
int partStats(const cli::Args &args, ResultsStore *store, std::ostream &out, std::ostream &err);
int exportParts(const cli::Args &args, ResultsStore *store, std::ostream &out, std::ostream &err);

// The parts the options name, or nothing with the reason on err and the
// exit code in code.
std::optional<std::vector<PartRow>> partsOf(const cli::Args &args, ResultsStore &store,
                                            bool withMeasurements, std::ostream &err, int &code)
{
    long last = 0;
    if (args.has("--last") && !cli::positive(args.value("--last"), last)) {
        code = cli::usage(err, "--last needs a positive number");
        return std::nullopt;
    }
    code = 1;
    std::string error;
    const std::string setup = args.value("--setup");
    auto parts = store.parts(args.has("--setup") ? &setup : nullptr, args.value("--since"), last,
                             withMeasurements, error);
    if (!error.empty()) {
        err << "qmxresults: " << error << "\n";
        return std::nullopt;
    }
    return parts;
}

int listParts(const cli::Args &args, ResultsStore *store, std::ostream &out, std::ostream &err)
{
    int code = 0;
    const auto parts = partsOf(args, *store, false, err, code);
    if (!parts)
        return code;
    for (const PartRow &p : *parts)
        out << p.id << '\t' << p.recordedUtc << '\t' << verdictText(p.verdict) << '\t' << p.serial
            << '\t' << p.setup << '\n';
    return 0;
}

int partStats(const cli::Args &args, ResultsStore *store, std::ostream &out, std::ostream &err)
{
    int code = 0;
    const auto parts = partsOf(args, *store, true, err, code);
    if (!parts)
        return code;
    std::set<int> channels;
    for (const PartRow &p : *parts)
        for (const MeasurementRow &m : p.measurements)
            channels.insert(m.channel);
    out << "channel\tn\tmean\tsd\tcp\tcpk\tpp\tppk\n";
    for (int c : channels) {
        const ChannelStatistics s = statisticsOf(*parts, c);
        out << c << '\t' << s.n << '\t' << statisticText(s.mean, 6) << '\t'
            << statisticText(s.sd, 6) << '\t' << statisticText(s.cp, 3) << '\t'
            << statisticText(s.cpk, 3) << '\t' << statisticText(s.pp, 3) << '\t'
            << statisticText(s.ppk, 3) << '\n';
    }
    return out ? 0 : 1;
}

int exportParts(const cli::Args &args, ResultsStore *store, std::ostream &out, std::ostream &err)
{
    const std::string format = args.value("--format");
    if (format != "csv" && format != "dfq")
        return cli::usage(err, "--format must be csv or dfq");
    int code = 0;
    const auto parts = partsOf(args, *store, true, err, code);
    if (!parts)
        return code;
    std::string setup = args.value("--setup");
    if (format == "dfq" && !args.has("--setup") && !parts->empty()) {
        // A .dfq file describes one part type: its K1001 is the setup's name.
        setup = parts->front().setup;
        for (const PartRow &p : *parts)
            if (p.setup != setup)
                return cli::usage(err, "a .dfq file holds one setup: name it with --setup");
    }
    const std::string text = format == "csv" ? writeCsv(*parts) : writeDfq(*parts, setup);
    const std::string output = args.value("-o");
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

} // namespace

namespace cli {

int usage(std::ostream &err, const std::string &why)
{
    err << "qmxresults: " << why << "\n" << usageText();
    return 2;
}

bool positive(const std::string &text, long &value)
{
    char *end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && !*end && value > 0;
}

std::string field(std::string text, const char *whenEmpty)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text.empty() ? whenEmpty : text;
}

std::string number(const std::optional<double> &v)
{
    return v && std::isfinite(*v) ? exactNumber(*v) : "-";
}

const std::vector<Command> &partCommands()
{
    static const std::vector<Command> commands = {
        {"list", "list [--setup S] [--last N]", {"--setup", "--last"}, {}, true, listParts},
        {"stats", "stats [--setup S] [--last N]", {"--setup", "--last"}, {}, true, partStats},
        {"export",
         "export --format csv|dfq [--setup S] [--since ISO-TIME] [-o FILE]",
         {"--format", "--setup", "--since", "-o"},
         {},
         true,
         exportParts},
    };
    return commands;
}

} // namespace cli

int resultsCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    const std::vector<const cli::Command *> commands = allCommands();
    std::string db = defaultDb();
    const cli::Command *command = nullptr;
    cli::Args given;
    std::vector<std::string> order; // the options as given, to check against the command
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        bool takesValue = a == "--db", isSwitch = false;
        for (const cli::Command *c : commands) {
            takesValue = takesValue || contains(c->options, a);
            isSwitch = isSwitch || contains(c->switches, a);
        }
        if (takesValue && i + 1 >= args.size())
            return cli::usage(err, a + " needs a value");
        if (a == "--db") {
            db = args[++i];
        } else if (takesValue) {
            given.values[a] = args[++i];
            order.push_back(a);
        } else if (isSwitch) {
            given.switches.insert(a);
            order.push_back(a);
        } else if (!command && a.rfind("-", 0) != 0) {
            for (const cli::Command *c : commands)
                if (a == c->name)
                    command = c;
            if (!command)
                return cli::usage(err, "unknown argument " + a);
        } else {
            return cli::usage(err, "unknown argument " + a);
        }
    }
    if (!command)
        return cli::usage(err, "which command?");
    for (const std::string &o : order)
        if (!contains(command->options, o) && !contains(command->switches, o)) {
            std::vector<const char *> takes = command->options;
            takes.insert(takes.end(), command->switches.begin(), command->switches.end());
            return cli::usage(
                err, std::string(command->name) + " takes " +
                         (takes.empty() ? std::string("no options") : listed(takes) + " only"));
        }
    given.db = db;
    std::unique_ptr<ResultsStore> store;
    if (command->needsStore) {
        std::string error;
        store = ResultsStore::open(db, true, error);
        if (!store) {
            err << "qmxresults: " << error << "\n";
            return 1;
        }
    }
    return command->run(given, store.get(), out, err);
}

} // namespace qmxsrv
