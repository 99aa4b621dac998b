// qmxresults masterings: the mastering record for scripts, one line per
// zeroing or mastering, oldest first, tab-separated after a heading line.
#include "quality/masteringstore.h"
#include "quality/resultscli.h"
#include "quality/resultsexport.h"

#include <algorithm>
#include <cmath>

namespace qmxsrv {

namespace {

// A field never breaks the line it stands in.
std::string field(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::string number(double v) { return std::isfinite(v) ? exactNumber(v) : "-"; }

std::string number(const std::optional<double> &v) { return v ? number(*v) : "-"; }

int listMasterings(const cli::Args &args, ResultsStore *store, std::ostream &out, std::ostream &err)
{
    long channel = 0;
    if (args.has("--channel") && !cli::positive(args.value("--channel"), channel))
        return cli::usage(err, "--channel needs a positive number");
    const std::string setup = args.value("--setup");
    std::string error;
    std::vector<MasteringRow> rows = MasteringStore(*store).masterings(
        args.has("--setup") ? &setup : nullptr, int(channel), error);
    if (!error.empty()) {
        err << "qmxresults: " << error << "\n";
        return 1;
    }
    out << "recorded_utc\tsetup\tchannel\tkind\toperator\tmaster1\tmaster2\treading1\treading2"
           "\tzero_before\tzero_after\tscaling_before\tscaling_after\n";
    for (auto m = rows.rbegin(); m != rows.rend(); ++m)
        out << m->recordedUtc << '\t' << field(m->setup) << '\t' << m->channel << '\t'
            << masteringKindText(m->kind) << '\t' << field(m->operatorName) << '\t'
            << number(m->master1) << '\t' << number(m->master2) << '\t' << number(m->reading1)
            << '\t' << number(m->reading2) << '\t' << number(m->zeroBefore) << '\t'
            << number(m->zeroAfter) << '\t' << number(m->scalingBefore) << '\t'
            << number(m->scalingAfter) << '\n';
    return out ? 0 : 1;
}

} // namespace

namespace cli {

const std::vector<Command> &masteringCommands()
{
    static const std::vector<Command> commands = {
        {"masterings",
         "masterings [--setup S] [--channel N]",
         {"--setup", "--channel"},
         {},
         true,
         listMasterings},
    };
    return commands;
}

} // namespace cli

} // namespace qmxsrv
